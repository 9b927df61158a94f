#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace blowden {

// Colours travel through the program as the platform's 24-bit $BBGGRR values
// (blue in the high byte) and become QColors only here, at the drawing edge.
//   BgrToQColor(0x0000FF) -> red;  BgrToQColor(0xE6D8AD) -> RGB(173, 216, 230)
QColor BgrToQColor(unsigned bgr);
// The inverse; the alpha channel is dropped. QColorToBgr(Qt::red) -> 0x0000FF
unsigned QColorToBgr(const QColor& color);

// The named system colours, as $BBGGRR values from the application palette
// (white / black when no application object exists yet).
unsigned WindowColor();           // background of windows and edit fields (palette Base)
unsigned WindowTextColor();       // text on it (palette Text)
unsigned ButtonFaceColor();       // dialog and panel face (palette Button)
unsigned ButtonShadowColor();     // dark edge of a lowered bevel (palette Dark)
unsigned ButtonHighlightColor();  // light edge of a lowered bevel (palette Light)

// Makes the program's fonts available: "Tahoma" comes with the Wine fonts at
// /usr/share/wine/fonts/tahoma.ttf (and tahomabd.ttf), which fontconfig does not
// list, so they are registered with the application. Idempotent; needs a
// QGuiApplication. The program entry, the chart panels and the tests call it.
void EnsureProgramFonts();

// A font by the name the windows ask for, at a size in points of a 96 dpi
// screen (8 pt -> 11 pixels, so layouts do not depend on the screen's dpi).
// Families that are missing fall back: "Tahoma" and other proportional faces to
// "DejaVu Sans"; "Courier New" (which fontconfig maps to Liberation Mono) and
// other monospaced faces to "DejaVu Sans Mono". The name is matched without
// regard to case ("courier new" == "Courier New").
QFont ProgramFont(const QString& family, int pointSize);

}  // namespace blowden
