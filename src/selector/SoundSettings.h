#pragma once

#include "fan/FanBands.h"

class QBoxLayout;
class QDoubleSpinBox;
class QSettings;
class QWidget;

namespace blowden {

// The selector's boxes for where the sound pressure level is given: the
// distance from the fan (m) and the directivity Q of its surroundings.
struct TListenerBoxes {
  QDoubleSpinBox* Distance = nullptr;
  QDoubleSpinBox* Directivity = nullptr;
};

// Adds a row "Lp at [1.5 m] Q [2]" to `column`.
TListenerBoxes MakeListenerBoxes(QWidget* parent, QBoxLayout* column);
TListener ListenerOf(const TListenerBoxes& boxes);
// The settings keys "Distance" and "Directivity" (the group already open);
// a value out of range keeps the default.
void LoadListener(const QSettings& settings, const TListenerBoxes& boxes);
void SaveListener(QSettings& settings, const TListenerBoxes& boxes);

}  // namespace blowden
