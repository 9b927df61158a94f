#include "charts/widgets/QmGraphPanel.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "base/Format.h"
#include "charts/CanvasTools.h"
#include "charts/ChartScale.h"
#include "charts/ChartSupport.h"

namespace blowden {

namespace {

constexpr unsigned GridLineColor = 0xEBE2E0;  // RGB(224, 226, 235)
constexpr unsigned FontColor = 0x000000;

// The background saved under the last marker, shared by every plot panel:
// the picture and the place it came from.
struct TSavedBackground {
  QImage Bitmap;
  QRect Rect;
};

TSavedBackground& SavedBackground() {
  static TSavedBackground saved;
  return saved;
}

// trunc toward zero, kept inside the range where pixel arithmetic is safe.
int TruncPixel(double v) {
  if (!(v == v)) return 0;
  if (v > 1e8) return 100000000;
  if (v < -1e8) return -100000000;
  return static_cast<int>(std::trunc(v));
}

}  // namespace

TGraphPanel::TGraphPanel(QWidget* parent)
    : QWidget(parent), FAxesColor(WindowTextColor()), FGridColor(WindowColor()), FColor(WindowColor()) {
  EnsureProgramFonts();
  const QFont canvasFont = ProgramFont(QStringLiteral("Tahoma"), 8);
  setFont(canvasFont);
  FScaleXFont = canvasFont;
  FScaleYFont = canvasFont;
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(250, 200);
  ComputeScale();
  connect(this, &QObject::objectNameChanged, this,
          [this](const QString& name) { setAccessibleDescription(name); });
}

TGraphPanel::~TGraphPanel() = default;

void TGraphPanel::Changed() { update(); }

void TGraphPanel::SetAxesColor(unsigned value) {
  FAxesColor = value;
  Changed();
}
void TGraphPanel::SetGridColor(unsigned value) {
  FGridColor = value;
  Changed();
}
void TGraphPanel::SetLeftMargin(int value) {
  FLeftMargin = value;
  Changed();
}
void TGraphPanel::SetRightMargin(int value) {
  FRightMargin = value;
  Changed();
}
void TGraphPanel::SetTopMargin(int value) {
  FTopMargin = value;
  Changed();
}
void TGraphPanel::SetBottomMargin(int value) {
  FBottomMargin = value;
  Changed();
}
void TGraphPanel::SetXMin(double value) {
  FXMin = value;
  Changed();
}
void TGraphPanel::SetXMax(double value) {
  FXMax = value;
  Changed();
}
void TGraphPanel::SetYMin(double value) {
  FYMin = value;
  Changed();
}
void TGraphPanel::SetYMax(double value) {
  FYMax = value;
  Changed();
}
void TGraphPanel::SetShowXScale(bool value) {
  FShowXScale = value;
  Changed();
}
void TGraphPanel::SetScaleXFont(const QFont& value) {
  FScaleXFont = value;
  Changed();
}
void TGraphPanel::SetScaleXTicks(int value) {
  FScaleXTicks = value < 2 ? 2 : value;
  Changed();
}
void TGraphPanel::SetScaleXLabel(const QString& value) {
  FScaleXLabel = value;
  Changed();
}
void TGraphPanel::SetShowYScale(bool value) {
  FShowYScale = value;
  Changed();
}
void TGraphPanel::SetScaleYFont(const QFont& value) {
  FScaleYFont = value;
  Changed();
}
void TGraphPanel::SetScaleYTicks(int value) {
  FScaleYTicks = value < 2 ? 2 : value;
  Changed();
}
void TGraphPanel::SetScaleYLabel(const QString& value) {
  FScaleYLabel = value;
  Changed();
}
void TGraphPanel::SetAxisType(TAxisType value) {
  FAxisType = value;
  Changed();
}
void TGraphPanel::SetPlotMode(TPlotMode value) {
  FPlotMode = value;
  Changed();
}
void TGraphPanel::SetColor(unsigned value) {
  FColor = value;
  Changed();
}
void TGraphPanel::SetBevelOuter(TBevelCut value) {
  FBevelOuter = value;
  Changed();
}

void TGraphPanel::SetCaption(const QString& value) {
  FCaption = value;
  setAccessibleName(value);
  Changed();
}

QImage& TGraphPanel::Cross() {
  if (!FCross) FCross.emplace();
  return *FCross;
}

void TGraphPanel::SetCross(const QImage& picture) {
  Cross() = picture.copy();
  FCrossMasked = QImage();
}

void TGraphPanel::SetLimits(bool redraw, double xMin, double xMax, double yMin, double yMax) {
  FXMin = xMin;
  FXMax = xMax;
  FYMin = yMin;
  FYMax = yMax;
  if (redraw) Changed();
}

void TGraphPanel::ComputeScale() {
  const int right = width() - FRightMargin;
  const int bottom = height() - FBottomMargin;
  FPlotRect = QRect(QPoint(FLeftMargin, FTopMargin), QPoint(right, bottom));
  FPlotWidth = right - FLeftMargin;
  FPlotHeight = bottom - FTopMargin;
  const double xRange = FXMax == FXMin ? 1.0 : FXMax - FXMin;
  const double yRange = FYMax == FYMin ? 1.0 : FYMax - FYMin;
  FXScale = FPlotWidth / xRange;
  FYScale = FPlotHeight / yRange;
}

bool TGraphPanel::InLimits(double x, double y) const {
  return y >= FYMin && y <= FYMax && x >= FXMin && x <= FXMax;
}

QPoint TGraphPanel::ToPixel(double x, double y) const {
  return QPoint(FPlotRect.left() + TruncPixel(std::fabs(x - FXMin) * FXScale),
                FPlotRect.bottom() - TruncPixel(std::fabs(y - FYMin) * FYScale));
}

void TGraphPanel::PixelToValue(int px, int py, double& x, double& y) const {
  x = (px - FPlotRect.left()) / FXScale + FXMin;
  y = (FPlotRect.bottom() - py) / FYScale + FYMin;
}

template <class F>
void TGraphPanel::WithCanvas(const QRect& touched, F&& draw) {
  if (FCanvas) {
    draw(*FCanvas);
    return;
  }
  // Outside a paint: draw into the image as it stands and show the touched
  // part; a paint that covers more renders the whole panel again.
  if (FImage.isNull() || FImage.size() != size()) return;
  QPainter p;
  canvas::Begin(p, FImage);
  draw(p);
  p.end();
  const QRect shown = touched & rect();
  FDirectRegion += shown;
  update(shown);
}

void TGraphPanel::Paint() {
  if (width() <= 0 || height() <= 0) return;
  if (FImage.size() != size()) FImage = QImage(size(), QImage::Format_RGB32);
  QPainter p;
  canvas::Begin(p, FImage);
  FCanvas = &p;

  // The panel itself: background, bevel, and the caption centred in the
  // whole panel on a transparent background (the plot fill covers it where
  // they overlap).
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(FImage.rect(), BgrToQColor(FColor));
  if (FBevelOuter != bvNone) {
    const QColor topLeft =
        BgrToQColor(FBevelOuter == bvLowered ? ButtonShadowColor() : ButtonHighlightColor());
    const QColor bottomRight =
        BgrToQColor(FBevelOuter == bvLowered ? ButtonHighlightColor() : ButtonShadowColor());
    const int r = width() - 1, b = height() - 1;
    p.fillRect(QRect(0, 0, width(), 1), topLeft);
    p.fillRect(QRect(0, 0, 1, height()), topLeft);
    p.fillRect(QRect(0, b, width(), 1), bottomRight);
    p.fillRect(QRect(r, 0, 1, height()), bottomRight);
  }
  if (!FCaption.isEmpty()) {
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setFont(font());
    p.setPen(BgrToQColor(FontColor));
    p.drawText(FImage.rect(), Qt::AlignCenter | Qt::TextSingleLine, FCaption);
  }

  DrawFrame(p);
  if (OnPaint) OnPaint(this);

  FCanvas = nullptr;
  p.end();
}

void TGraphPanel::DrawFrame(QPainter& p) {
  FLineStarted = false;
  ComputeScale();
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.fillRect(QRect(FPlotRect.left(), FPlotRect.top(), FPlotWidth, FPlotHeight), BgrToQColor(FGridColor));
  if (FShowXScale) DrawXScale(p);
  if (FShowYScale) DrawYScale(p);
  DrawAxes(p);
  DrawTitle(p);
  RestoreBackground = false;
}

void TGraphPanel::DrawXScale(QPainter& p) {
  const QColor background = BgrToQColor(FColor);
  const QColor text = BgrToQColor(FontColor);
  const QColor grid = BgrToQColor(GridLineColor);
  const int h = canvas::TextHeight(FScaleXFont) / 2;
  const int n = FScaleXTicks;
  const int bottom = FPlotRect.bottom();
  for (int i = 0; i < n; ++i) {
    const double value = FXMin + i * (FXMax - FXMin) / (n - 1);
    const int x = FPlotRect.left() + static_cast<int>(RoundHalfEven(double(i) * FPlotWidth / (n - 1)));
    canvas::CopyLine(p, FImage, QPoint(x, bottom), QPoint(x, FPlotRect.top()), grid);
    const QString label = QString::fromStdString(GraphTickLabel(value));
    const int w = canvas::TextWidth(FScaleXFont, label);
    canvas::TextOutOpaque(p, x - w / 2, bottom + h, label, FScaleXFont, text, background);
  }
  const int w = canvas::TextWidth(FScaleXFont, FScaleXLabel);
  canvas::TextOutOpaque(p, (width() - w) / 2, height() - 2 * h - 3, FScaleXLabel, FScaleXFont, text,
                        background);
}

void TGraphPanel::DrawYScale(QPainter& p) {
  const QColor background = BgrToQColor(FColor);
  const QColor text = BgrToQColor(FontColor);
  const QColor grid = BgrToQColor(GridLineColor);
  const int h = canvas::TextHeight(FScaleYFont) / 2;
  int left = 0;
  switch (FAxisType) {
    case xtCent0:
      left = FPlotRect.left() + (FPlotWidth - canvas::TextWidth(FScaleYFont, QStringLiteral("0000"))) / 2;
      break;
    case xtQuad1:
      left = FPlotRect.left() - canvas::TextWidth(FScaleYFont, QStringLiteral("0000"));
      break;
    case xtQuad2:
      left = FPlotRect.right() + 5;
      break;
    case xtNone:
      left = FPlotRect.left() - canvas::TextWidth(FScaleYFont, QStringLiteral("XX"));
      break;
  }
  const int n = FScaleYTicks;
  for (int i = 0; i < n; ++i) {
    const double value = FYMin + i * (FYMax - FYMin) / (n - 1);
    const int y =
        FPlotRect.top() + static_cast<int>(RoundHalfEven(double(n - 1 - i) * FPlotHeight / (n - 1)));
    canvas::CopyLine(p, FImage, QPoint(FPlotRect.left(), y), QPoint(FPlotRect.right(), y), grid);
    const QString label = QString::fromStdString(GraphTickLabel(value));
    canvas::TextOutOpaque(p, left, y - h, label, FScaleYFont, text, background);
  }
  const int x = FAxisType == xtQuad2 ? width() - canvas::TextHeight(FScaleYFont) - 2 : 1;
  const int y = (canvas::TextWidth(FScaleYFont, FScaleYLabel) + height()) / 2 + 2;
  canvas::TextOutUp(p, x, y, FScaleYLabel, FScaleYFont, text, background);
}

void TGraphPanel::DrawAxes(QPainter& p) {
  const QColor pen = BgrToQColor(FAxesColor);
  const int l = FPlotRect.left(), t = FPlotRect.top(), r = FPlotRect.right(), b = FPlotRect.bottom();
  switch (FAxisType) {
    case xtCent0: {
      const int mx = l + FPlotWidth / 2, my = t + FPlotHeight / 2;
      canvas::CopyLine(p, FImage, QPoint(mx, t), QPoint(mx, b), pen);
      canvas::CopyLine(p, FImage, QPoint(l, my), QPoint(r, my), pen);
      break;
    }
    case xtQuad1:
      canvas::CopyLine(p, FImage, QPoint(l, t), QPoint(l, b), pen);
      canvas::CopyLine(p, FImage, QPoint(l, b), QPoint(r, b), pen);
      break;
    case xtQuad2:
      canvas::CopyLine(p, FImage, QPoint(r, t), QPoint(r, b), pen);
      canvas::CopyLine(p, FImage, QPoint(r, b), QPoint(l, b), pen);
      break;
    case xtNone:
      break;
  }
}

void TGraphPanel::DrawTitle(QPainter& p) {
  // The title keeps the font the scales left selected.
  const QFont& titleFont = FShowYScale ? FScaleYFont : FShowXScale ? FScaleXFont : font();
  const int w = canvas::TextWidth(titleFont, FCaption);
  canvas::TextOutOpaque(p, (width() - w) / 2, 5, FCaption, titleFont, BgrToQColor(FontColor),
                        BgrToQColor(FColor));
}

void TGraphPanel::PlotMarker(double x, double y) {
  if (!InLimits(x, y)) return;
  const QPoint at = ToPixel(x, y);
  TSavedBackground& saved = SavedBackground();
  QRect touched(at, QSize(1, 1));
  if (RestoreBackground && !saved.Bitmap.isNull()) touched |= saved.Rect;

  if (FCross && !FCross->isNull() && (FCrossMasked.isNull() || FCrossKey != FCross->cacheKey())) {
    FCrossKey = FCross->cacheKey();
    // The picture's bottom-left pixel names its transparent colour.
    FCrossMasked = FCross->convertToFormat(QImage::Format_ARGB32);
    const QRgb key = FCrossMasked.pixel(0, FCrossMasked.height() - 1) | 0xFF000000u;
    for (int row = 0; row < FCrossMasked.height(); ++row) {
      QRgb* line = reinterpret_cast<QRgb*>(FCrossMasked.scanLine(row));
      for (int col = 0; col < FCrossMasked.width(); ++col)
        if ((line[col] | 0xFF000000u) == key) line[col] = 0;
    }
  }

  QRect savedRect;
  if (FCross) {
    const int w = FCross->width(), h = FCross->height();
    const int hw = static_cast<int>(RoundHalfEven(w / 2.0)) + 1;
    const int hh = static_cast<int>(RoundHalfEven(h / 2.0)) + 1;
    savedRect = QRect(QPoint(at.x() - hw, at.y() - hh), QPoint(at.x() + hw - 1, at.y() + hh - 1));
    touched |= savedRect;
  }

  WithCanvas(touched, [&](QPainter& p) {
    if (RestoreBackground && !saved.Bitmap.isNull()) {
      p.setCompositionMode(QPainter::CompositionMode_Source);
      p.drawImage(saved.Rect.topLeft(), saved.Bitmap);
    }
    if (!FCross) {
      canvas::SetPixel(p, at, BgrToQColor(FColor));
      return;
    }
    saved.Rect = savedRect;
    saved.Bitmap = FImage.copy(savedRect);
    if (!FCross->isNull()) {
      p.setCompositionMode(QPainter::CompositionMode_SourceOver);
      p.drawImage(QPoint(at.x() - FCross->width() / 2, at.y() - FCross->height() / 2), FCrossMasked);
    }
    RestoreBackground = true;
  });
}

void TGraphPanel::PlotTo(unsigned color, double x, double y) {
  if (!InLimits(x, y)) return;
  const QColor pen = BgrToQColor(color);
  const QPoint at = ToPixel(x, y);
  switch (FPlotMode) {
    case pmDotMode:
      WithCanvas(QRect(at, QSize(1, 1)), [&](QPainter& p) { canvas::SetPixel(p, at, pen); });
      break;
    case pmLineMode:
      if (NewLine || !FLineStarted) {
        WithCanvas(QRect(at, QSize(1, 1)), [&](QPainter& p) { canvas::SetPixel(p, at, pen); });
        NewLine = false;
        FLineStarted = true;
      } else {
        const QPoint from = FLastPoint;
        WithCanvas(QRect(from, at).normalized(),
                   [&](QPainter& p) { canvas::CopyLine(p, FImage, from, at, pen); });
      }
      FLastPoint = at;
      break;
    case pmBarMode: {
      const QPoint foot(at.x(), FPlotRect.bottom());
      WithCanvas(QRect(at, foot).normalized(),
                 [&](QPainter& p) { canvas::CopyLine(p, FImage, at, foot, pen); });
      break;
    }
  }
}

void TGraphPanel::paintEvent(QPaintEvent* event) {
  const bool onlyDirect =
      !FDirectRegion.isEmpty() && (event->region() - FDirectRegion).isEmpty() && FImage.size() == size();
  FDirectRegion = QRegion();
  if (!onlyDirect) Paint();
  QPainter screen(this);
  screen.drawImage(event->rect(), FImage, event->rect());
}

void TGraphPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ComputeScale();
}

}  // namespace blowden
