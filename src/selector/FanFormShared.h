#pragma once

// What the selector window's source files share: it is one window, built in
// QmFanForm.cpp (opening, evaluation, handlers), QmFanFormControls.cpp (its
// controls and the Air group) and QmFanFormSettings.cpp (Compare all,
// datasheets and the remembered settings).

#include <QString>
#include <string>

namespace blowden::fanform {

// What each status panel shows, for assistive technology: its accessible
// name is this, a colon and the panel's text.
inline constexpr const char* kPanelNames[4] = {"Fan model", "Flow under the mouse",
                                               "Pressure under the mouse", "Fit of the pressure curve"};

inline QString ToQ(const std::string& text) { return QString::fromStdString(text); }

}  // namespace blowden::fanform
