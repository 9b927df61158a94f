#include "charts/CanvasTools.h"

#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace blowden::canvas {

namespace {

void NotXorMode(QPainter& p) {
  if (IsRaster(p)) p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
}

// The centre of a pixel: vector lines run through it, as a one-pixel run
// filled on an image covers it.
QPointF Centre(QPoint at) { return QPointF(at.x() + 0.5, at.y() + 0.5); }

// A line on a vector device: round caps join the short segments of a curve
// without gaps or spikes.
void VectorLine(QPainter& p, QPoint a, QPoint b, const QColor& color, Qt::PenStyle style, int width) {
  p.setBrush(Qt::NoBrush);
  p.setPen(
      QPen(color, qMax(1, width), style, style == Qt::SolidLine ? Qt::RoundCap : Qt::FlatCap, Qt::RoundJoin));
  p.drawLine(Centre(a), Centre(b));
}

// The pixels of a horizontal or vertical line from a to b without b, as a
// rectangle; an empty rectangle when a == b.
QRect StraightRun(QPoint a, QPoint b) {
  if (a.y() == b.y()) {
    if (a.x() < b.x()) return QRect(QPoint(a.x(), a.y()), QPoint(b.x() - 1, a.y()));
    return QRect(QPoint(b.x() + 1, a.y()), QPoint(a.x(), a.y()));
  }
  if (a.y() < b.y()) return QRect(QPoint(a.x(), a.y()), QPoint(a.x(), b.y() - 1));
  return QRect(QPoint(a.x(), b.y() + 1), QPoint(a.x(), a.y()));
}

// Fills a run of pixels. A tall run is filled in pieces: Qt hands fills of
// more than about a hundred rows to its thread pool, which for a one-pixel
// column costs far more than the fill itself.
void FillRun(QPainter& p, const QRect& run, const QColor& color) {
  if (!IsRaster(p)) {
    p.fillRect(run, color);
    return;
  }
  constexpr int Piece = 64;
  for (int top = run.top(); top <= run.bottom(); top += Piece)
    p.fillRect(QRect(QPoint(run.left(), top), QPoint(run.right(), qMin(run.bottom(), top + Piece - 1))),
               color);
}

// Text is measured for the device it is drawn on; every image of the panels
// has the default resolution of this one.
const QImage& MetricDevice() {
  static const QImage device(1, 1, QImage::Format_RGB32);
  return device;
}

Qt::PenStyle QtPenStyle(TPenStyle style) {
  switch (style) {
    case psDash:
      return Qt::DashLine;
    case psDot:
      return Qt::DotLine;
    case psDashDot:
      return Qt::DashDotLine;
    case psDashDotDot:
      return Qt::DashDotDotLine;
    case psClear:
      return Qt::NoPen;
    case psSolid:
      break;
  }
  return Qt::SolidLine;
}

}  // namespace

bool IsRaster(const QPainter& p) {
  const QPaintEngine* engine = p.paintEngine();
  return engine && engine->type() == QPaintEngine::Raster;
}

void CopyMode(QPainter& p) {
  if (IsRaster(p)) p.setCompositionMode(QPainter::CompositionMode_Source);
}

QFont DeviceFont(const QFont& font, const QPainter& p) {
  if (IsRaster(p) || !p.device()) return font;
  QFont sized = font;
  // Letters as they are, without ligatures: a document's text must read
  // back as it was written ("Airflow", not "Air\uFB02ow").
  sized.setStyleStrategy(QFont::StyleStrategy(sized.styleStrategy() | QFont::PreferNoShaping));
  if (font.pointSizeF() <= 0) return sized;  // pixel sizes follow the transformation
  // Qt sizes a point font by the device's resolution before the painter's
  // transformation applies; the chart's units are pixels at 96 dpi.
  const QTransform& t = p.worldTransform();
  const double scale = std::hypot(t.m11(), t.m12());
  const int dpi = p.device()->logicalDpiY();
  if (!(scale > 0) || dpi <= 0) return sized;
  sized.setPointSizeF(font.pointSizeF() * 96.0 * scale / dpi);
  return sized;
}

void Begin(QPainter& p, QImage& image) {
  p.begin(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, true);
}

void CopyLine(QPainter& p, const QImage& image, QPoint a, QPoint b, const QColor& color) {
  if (a.x() == b.x() || a.y() == b.y()) {  // grid lines and axes: one filled run
    CopyMode(p);
    if (a != b) FillRun(p, StraightRun(a, b), color);
    return;
  }
  // The square-cap pen paints both ends; the end pixel is put back afterwards.
  const bool endInside = image.rect().contains(b);
  const QRgb endPixel = endInside ? image.pixel(b) : 0;
  CopyMode(p);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(color, 1, Qt::SolidLine, Qt::SquareCap));
  p.drawLine(a, b);
  if (endInside) p.fillRect(QRect(b, QSize(1, 1)), QColor::fromRgb(endPixel));
}

void NotXorLine(QPainter& p, QPoint a, QPoint b, const QColor& color) {
  NotXorMode(p);
  if (a.x() == b.x() || a.y() == b.y()) {  // grid lines and axes: one filled run
    if (a != b) FillRun(p, StraightRun(a, b), color);
    return;
  }
  if (!IsRaster(p)) {
    VectorLine(p, a, b, color, Qt::SolidLine, 1);
    return;
  }
  // The square-cap pen paints both ends once; painting the end pixel once more
  // with the not-xor pen flips it back.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(color, 1, Qt::SolidLine, Qt::SquareCap));
  p.drawLine(a, b);
  p.drawPoint(b);
}

void NotXorStyledLine(QPainter& p, QPoint a, QPoint b, const QColor& color, TPenStyle style, int width) {
  if (style == psClear) return;
  if (width <= 1 && style == psSolid) {
    NotXorLine(p, a, b, color);
    return;
  }
  if (!IsRaster(p)) {
    VectorLine(p, a, b, color, QtPenStyle(style), width);
    return;
  }
  NotXorMode(p);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(color, qMax(1, width), QtPenStyle(style), Qt::FlatCap, Qt::MiterJoin));
  p.drawLine(a, b);
}

void SetPixel(QPainter& p, QPoint at, const QColor& color) {
  CopyMode(p);
  p.fillRect(QRect(at, QSize(1, 1)), color);
}

void NotXorFill(QPainter& p, const QRect& rect, const QColor& color) {
  if (rect.isEmpty()) return;
  NotXorMode(p);
  p.fillRect(rect, color);
}

std::vector<QRect> DiskRuns(QPoint centre, int radius) {
  std::vector<QRect> runs;
  if (radius < 0) return runs;
  const double limit = (radius + 0.5) * (radius + 0.5);
  for (int dy = -radius; dy <= radius; ++dy) {
    const int w = static_cast<int>(std::floor(std::sqrt(limit - double(dy) * dy)));
    runs.emplace_back(QPoint(centre.x() - w, centre.y() + dy), QPoint(centre.x() + w, centre.y() + dy));
  }
  return runs;
}

void NotXorRing(QPainter& p, QPoint centre, int outer, int inner, const QColor& color) {
  if (outer < 0) return;
  if (!IsRaster(p)) {
    // A true ring on a vector device, over the same pixels' extent.
    QPainterPath ring;
    ring.setFillRule(Qt::OddEvenFill);
    const QPointF c = Centre(centre);
    ring.addEllipse(c, outer + 0.5, outer + 0.5);
    if (inner >= 0) ring.addEllipse(c, inner + 0.5, inner + 0.5);
    p.fillPath(ring, color);
    return;
  }
  NotXorMode(p);
  const std::vector<QRect> outerRuns = DiskRuns(centre, outer);
  const std::vector<QRect> innerRuns = DiskRuns(centre, inner);
  for (const QRect& run : outerRuns) {
    const int dy = run.top() - centre.y();
    if (inner >= 0 && std::abs(dy) <= inner) {
      const int row = dy + inner;  // 0 .. 2 * inner: the inner disk's run on this line
      const QRect& hole = innerRuns[static_cast<std::size_t>(row)];
      p.fillRect(QRect(QPoint(run.left(), run.top()), QPoint(hole.left() - 1, run.top())), color);
      p.fillRect(QRect(QPoint(hole.right() + 1, run.top()), QPoint(run.right(), run.top())), color);
    } else {
      p.fillRect(run, color);
    }
  }
}

void NotXorFrame(QPainter& p, const QRect& outer, const QRect& inner, const QColor& color) {
  if (outer.isEmpty()) return;
  NotXorMode(p);
  const QRect hole = inner & outer;
  if (hole.isEmpty()) {
    p.fillRect(outer, color);
    return;
  }
  // Above, below, left and right of the hole: four rectangles that do not overlap.
  const QRect parts[] = {
      QRect(QPoint(outer.left(), outer.top()), QPoint(outer.right(), hole.top() - 1)),
      QRect(QPoint(outer.left(), hole.bottom() + 1), QPoint(outer.right(), outer.bottom())),
      QRect(QPoint(outer.left(), hole.top()), QPoint(hole.left() - 1, hole.bottom())),
      QRect(QPoint(hole.right() + 1, hole.top()), QPoint(outer.right(), hole.bottom())),
  };
  for (const QRect& part : parts)
    if (part.isValid()) p.fillRect(part, color);
}

QRect TextOutOpaque(QPainter& p, int x, int y, const QString& text, const QFont& font,
                    const QColor& textColor, const QColor& background) {
  CopyMode(p);
  if (!IsRaster(p)) {
    // Measured as on an image, so that the layout is the picture's; drawn in
    // the font sized for the device.
    const QFontMetrics fm(font, &MetricDevice());
    const QRect box(x, y, fm.horizontalAdvance(text), fm.height());
    p.fillRect(box, background);
    p.setFont(DeviceFont(font, p));
    p.setPen(textColor);
    p.drawText(QPointF(x, y + fm.ascent()), text);
    return box;
  }
  p.setFont(font);
  const QFontMetrics fm = p.fontMetrics();
  const QRect box(x, y, fm.horizontalAdvance(text), fm.height());
  p.fillRect(box, background);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setPen(textColor);
  p.drawText(QPoint(x, y + fm.ascent()), text);
  return box;
}

void TextOutUp(QPainter& p, int x, int y, const QString& text, const QFont& font, const QColor& textColor,
               const QColor& background) {
  QFont light = font;
  light.setWeight(QFont::Light);
  p.save();
  p.translate(x, y);
  p.rotate(-90);
  TextOutOpaque(p, 0, 0, text, light, textColor, background);
  p.restore();
}

int TextWidth(const QFont& font, const QString& text) {
  return QFontMetrics(font, &MetricDevice()).horizontalAdvance(text);
}

int TextHeight(const QFont& font) { return QFontMetrics(font, &MetricDevice()).height(); }

}  // namespace blowden::canvas
