#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <vector>

#include "charts/ChartTypes.h"

class QPainter;

namespace blowden::canvas {

// Drawing primitives of the chart panels on a QImage (Format_RGB32), each
// with exact pixel rules. "NotXor" primitives paint every covered pixel
// exactly once with the not-xor pen (pixel := NOT(colour XOR pixel)), so
// drawing the same thing twice restores the picture.

// On a vector device (a PDF writer, a printer) there are no raster
// operations: every primitive paints in copy mode with the colour it is
// given, which the caller decodes to the colour the picture shows; lines run
// through pixel centres, rings are true circles and text is measured as on an
// image and drawn in a font sized for the device. On an image nothing changes.
bool IsRaster(const QPainter& p);
// Copy mode on an image; nothing on a vector device, which has only that.
void CopyMode(QPainter& p);
// The font at the size that, under the painter's transformation, has the
// size it has on a 96-dpi image, without ligatures; unchanged on an image.
QFont DeviceFont(const QFont& font, const QPainter& p);

// A painter on the image with shape antialiasing off (raster operations do
// not blend) and text antialiasing on.
void Begin(QPainter& p, QImage& image);

// Line from a to b, b itself not painted (a line to its own start paints
// nothing), as the platform's line drawing did; width 1 and solid.
void CopyLine(QPainter& p, const QImage& image, QPoint a, QPoint b, const QColor& color);
void NotXorLine(QPainter& p, QPoint a, QPoint b, const QColor& color);
// A pen of any style and width with the not-xor pen. Width 1 solid is
// NotXorLine; wider or broken lines use flat caps and paint b as Qt decides.
void NotXorStyledLine(QPainter& p, QPoint a, QPoint b, const QColor& color, TPenStyle style, int width);

// One pixel in copy mode.
void SetPixel(QPainter& p, QPoint at, const QColor& color);
// A filled rectangle (edges included) with the not-xor pen.
void NotXorFill(QPainter& p, const QRect& rect, const QColor& color);

// Horizontal runs of a disk of `radius` around the centre pixel, symmetric in
// both axes: row dy covers centre.x - w .. centre.x + w, w = floor(sqrt((r + 0.5)^2 - dy^2)).
// Radius 0 is the centre pixel alone; a negative radius is empty.
std::vector<QRect> DiskRuns(QPoint centre, int radius);
// The disk of `outer` minus the disk of `inner` (inner < 0: the whole disk),
// each pixel painted once with the not-xor pen.
void NotXorRing(QPainter& p, QPoint centre, int outer, int inner, const QColor& color);
// The rectangle `outer` minus `inner` (an empty inner: all of it), not-xor.
void NotXorFrame(QPainter& p, const QRect& outer, const QRect& inner, const QColor& color);

// Text with its top-left corner at (x, y) on an opaque box of the text's width
// and height in `background`, in copy mode. Returns the box.
QRect TextOutOpaque(QPainter& p, int x, int y, const QString& text, const QFont& font,
                    const QColor& textColor, const QColor& background);
// Text rotated by 90 degrees, reading upwards, with its reference point (the
// top-left of the unrotated text) at (x, y); written with a light copy of the
// font at the height of "X" in it, on an opaque box.
void TextOutUp(QPainter& p, int x, int y, const QString& text, const QFont& font, const QColor& textColor,
               const QColor& background);

// Width and height of a text in a font, measured as on an image (96 dpi).
int TextWidth(const QFont& font, const QString& text);
int TextHeight(const QFont& font);

}  // namespace blowden::canvas
