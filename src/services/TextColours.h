#pragma once

// The colours of error, warning and note text, the same in every window:
// reports, labels, list cells and the selector's verdict lines.

#include <QColor>
#include <QString>

namespace blowden {

inline QColor ErrorTextColour() { return QColor(0xB0, 0x00, 0x00); }    // dark red
inline QColor WarningTextColour() { return QColor(0xA0, 0x60, 0x00); }  // dark orange
inline QColor NoteTextColour() { return QColor(0x50, 0x50, 0x50); }     // dark grey

// The colour as a style sheet rule for a label's text: "color: #b00000".
inline QString TextColourStyle(const QColor& colour) { return QStringLiteral("color: ") + colour.name(); }

}  // namespace blowden
