#include "charts/ChartPicture.h"

#include <QLocale>
#include <QPainter>
#include <cmath>

#include "base/Format.h"
#include "base/StepRound.h"
#include "charts/CanvasTools.h"
#include "charts/ChartScale.h"
#include "charts/ChartSupport.h"

namespace blowden {

namespace {

constexpr unsigned GridLineColor = 0xEBE2E0;  // shows as $E0E0E0 on a $F4FDFF fill
constexpr unsigned FontColor = 0x000000;
constexpr int HitDistance = 3;  // pixels, in x and in y

// trunc toward zero, kept inside the range where pixel arithmetic is safe
// (a value far outside the window must not overflow an int).
int TruncPixel(long double v) {
  if (!(v == v)) return 0;
  if (v > 1e8L) return 100000000;
  if (v < -1e8L) return -100000000;
  return static_cast<int>(std::trunc(v));
}

int Sign(int v) { return (v > 0) - (v < 0); }

// The read-out text of one coordinate: the owner's format, or the automatic
// one when it is empty or does not fit a number.
std::string FormatPosition(const QString& fmt, double value) {
  if (!fmt.isEmpty()) {
    try {
      return Format(fmt.toStdString(), {value});
    } catch (const EConvertError&) {
    }
  }
  return Format(ChooseNumberFormat(value), {value});
}

}  // namespace

// ---------------------------------------------------------------- points, lines

void TChartPoint::SetStyle(unsigned penColor, unsigned brushColor, TPenStyle penStyle, int penWidth,
                           bool encode) {
  PenColor = encode && Panel ? Panel->Encode(penColor) : penColor;
  BrushColor = encode && Panel ? Panel->Encode(brushColor) : brushColor;
  HiPenColor = PenColor;
  HiBrushColor = BrushColor;
  PenStyle = penStyle;
  PenWidth = penWidth;
}

TChartPoint& TChartLine::AddPoint(double x, double y) {
  auto point = std::make_unique<TChartPoint>(Panel);
  point->X = x;
  point->Y = y;
  point->Kind = MarkerKind;
  point->Size = MarkerSize;
  point->PenColor = point->HiPenColor = MarkerPenColor;
  point->BrushColor = point->HiBrushColor = MarkerBrushColor;
  point->PenStyle = MarkerPenStyle;
  point->PenWidth = MarkerPenWidth;
  point->Movable = MarkerKind != 0;
  Points.push_back(std::move(point));
  return *Points.back();
}

void TChartLine::SetPen(TPenStyle style, int width) {
  PenStyle = style;
  PenWidth = width;
  for (auto& point : Points) {
    point->PenStyle = style;
    point->PenWidth = width;
  }
}

void TChartLine::SetMarkerStyle(unsigned penColor, unsigned brushColor, int penWidth, TPenStyle penStyle) {
  MarkerPenColor = Panel ? Panel->Encode(penColor) : penColor;
  MarkerBrushColor = Panel ? Panel->Encode(brushColor) : brushColor;
  MarkerPenWidth = penWidth;
  MarkerPenStyle = penStyle;
  for (auto& point : Points)
    point->SetStyle(MarkerPenColor, MarkerBrushColor, MarkerPenStyle, MarkerPenWidth, false);
}

// ---------------------------------------------------------------- picture: properties

TChartPicture::TChartPicture() : FAxesColor(WindowTextColor()), FColor(WindowColor()), FSize(250, 200) {
  EnsureProgramFonts();
  FCanvasFont = ProgramFont(QStringLiteral("courier new"), 8);
  FFontLabels = FFontXYPos = FScaleXFont = FScaleYFont = FCanvasFont;
  Layout();
}

TChartPicture::~TChartPicture() = default;

double TChartPicture::ToT(double v, bool logAxis) const {
  if (!logAxis) return v;
  if (v <= 0 || !(v == v)) v = 0.01;
  const double t = std::log10(v);
  return std::isfinite(t) ? t : std::log10(0.01);
}

double TChartPicture::FromT(double v, bool logAxis) const { return logAxis ? std::pow(10.0, v) : v; }

double TChartPicture::XMin() const { return FromT(FXMin, LogX()); }
double TChartPicture::XMax() const { return FromT(FXMax, LogX()); }
double TChartPicture::YMin() const { return FromT(FYMin, LogY()); }
double TChartPicture::YMax() const { return FromT(FYMax, LogY()); }
void TChartPicture::SetXMin(double value) { FXMin = ToT(value, LogX()); }
void TChartPicture::SetXMax(double value) { FXMax = ToT(value, LogX()); }
void TChartPicture::SetYMin(double value) { FYMin = ToT(value, LogY()); }
void TChartPicture::SetYMax(double value) { FYMax = ToT(value, LogY()); }

void TChartPicture::SetGridColor(unsigned value) {
  FGridColor = value;
  Redraw();
}

void TChartPicture::SetScaleXTicks(int value) { FScaleXTicks = value < 2 ? 2 : value; }
void TChartPicture::SetScaleYTicks(int value) { FScaleYTicks = value < 2 ? 2 : value; }

void TChartPicture::SetScaleType(TScaleType value) {
  const double xMin = XMin(), xMax = XMax(), yMin = YMin(), yMax = YMax();
  FScaleType = value;
  SetXMin(xMin);
  SetXMax(xMax);
  SetYMin(yMin);
  SetYMax(yMax);
}

// ---------------------------------------------------------------- content

void TChartPicture::Clear() {
  FLines.clear();
  FPoints.clear();
  FLegend.clear();
  FHitPoint = nullptr;
  FHitLine = nullptr;
  FHighlighted = nullptr;
  FDragging = false;
}

TChartLine& TChartPicture::AddLine(unsigned color, int markerKind, const QString& markerShape, int markerSize,
                                   const QImage& markerBitmap) {
  (void)markerShape;
  (void)markerBitmap;
  auto line = std::make_unique<TChartLine>(this);
  line->Color = Encode(color);
  line->MarkerKind = markerKind;
  line->MarkerSize = markerSize;
  line->MarkerPenColor = line->Color;
  line->MarkerBrushColor = line->Color;
  FLines.push_back(std::move(line));
  return *FLines.back();
}

TChartPoint& TChartPicture::AddPoint(unsigned color, int kind, double x, double y, int size,
                                     const QString& shape, const QImage& bitmap) {
  (void)shape;
  (void)bitmap;
  auto point = std::make_unique<TChartPoint>(this);
  point->X = x;
  point->Y = y;
  point->PenColor = point->BrushColor = Encode(color);
  point->HiPenColor = point->HiBrushColor = point->PenColor;
  point->Kind = kind;
  point->Size = size;
  point->Movable = kind != 0;
  point->PenStyle = psSolid;
  point->PenWidth = 2;
  FPoints.push_back(std::move(point));
  return *FPoints.back();
}

void TChartPicture::SetXRange(double min, double max) {
  WidenRange(min, max);
  SetXMin(min);
  SetXMax(max);
}

void TChartPicture::SetYRange(double min, double max) {
  WidenRange(min, max);
  SetYMin(min);
  SetYMax(max);
}

void TChartPicture::SetScale(double xMin, double xMax, double yMin, double yMax) {
  SetXRange(xMin, xMax);
  SetYRange(yMin, yMax);
}

// ---------------------------------------------------------------- layout and mapping

void TChartPicture::SetPictureSize(QSize size) {
  FSize = size;
  Redraw();
}

QImage TChartPicture::Picture() const {
  if (FImage.isNull()) return QImage();
  return FImage.copy(0, 0, FInnerWidth, FInnerHeight);
}

void TChartPicture::Layout() {
  const QSize size = LayoutSize();
  FInnerWidth = qMax(0, size.width() - BevelWidth());
  FInnerHeight = qMax(0, size.height() - BevelWidth());
  // Room for the y tick labels and the rotated caption beside them: the
  // caption's column (its text height) at x = 1, a gap of 2, the widest label,
  // then 5 pixels to the plot. The x scale: labels h below the plot, the
  // caption 2h + 3 above the bottom, a pixel apart at least.
  int leftMargin = FLeftMargin, rightMargin = FRightMargin, bottomMargin = FBottomMargin;
  if (const int widest = WidestYLabel(); widest > 0) {
    const int captionRoom = FScaleYLabel.isEmpty() ? 0 : canvas::TextHeight(FScaleYFont) + 2;
    const int need = 1 + captionRoom + widest + 5;
    if (FAxisType == xtQuad1) leftMargin = qMax(leftMargin, need);
    if (FAxisType == xtQuad2) rightMargin = qMax(rightMargin, need + 1);
  }
  if (FShowXScale && AxisTicks(FXMin, FXMax, FScaleXTicks).Drawn) {
    const int th = canvas::TextHeight(FScaleXFont), h = th / 2;
    const int captionRoom = FScaleXLabel.isEmpty() ? 0 : 2 * h + 3 + (FBevelOuter != bvNone ? 3 : 0) + 1;
    bottomMargin = qMax(bottomMargin, h + th + captionRoom);
  }
  const int right = FInnerWidth - rightMargin;
  const int bottom = FInnerHeight - bottomMargin;
  FPlotRect = QRect(QPoint(leftMargin, FTopMargin), QPoint(right, bottom));
  FPlotWidth = right - leftMargin;
  FPlotHeight = bottom - FTopMargin;
  FLayXMin = FXMin;
  FLayXMax = FXMax;
  FLayYMin = FYMin;
  FLayYMax = FYMax;
  const long double xRange = FXMax == FXMin ? 1.0L : static_cast<long double>(FXMax) - FXMin;
  const long double yRange = FYMax == FYMin ? 1.0L : static_cast<long double>(FYMax) - FYMin;
  FKx = FPlotWidth / xRange;
  FKy = FPlotHeight / yRange;
}

QPoint TChartPicture::DataToPixel(double x, double y) const {
  const long double tx = ToT(x, LogX()), ty = ToT(y, LogY());
  return QPoint(FPlotRect.left() + TruncPixel((tx - FLayXMin) * FKx),
                FPlotRect.bottom() - TruncPixel((ty - FLayYMin) * FKy));
}

QPointF TChartPicture::PixelToData(int px, int py) const {
  const long double dx = FKx == 0 ? 0.0L : (px - FPlotRect.left()) / FKx;
  const long double dy = FKy == 0 ? 0.0L : (FPlotRect.bottom() - py) / FKy;
  return QPointF(FromT(static_cast<double>(FLayXMin + dx), LogX()),
                 FromT(static_cast<double>(FLayYMin + dy), LogY()));
}

bool TChartPicture::IsInWindow(double x, double y) const {
  const double tx = ToT(x, LogX()), ty = ToT(y, LogY());
  return FLayXMin <= tx && tx <= FLayXMax && FLayYMin <= ty && ty <= FLayYMax;
}

bool TChartPicture::IsPixelInPlot(int px, int py) const {
  return px >= FPlotRect.left() && px <= FPlotRect.right() && py >= FPlotRect.top() &&
         py <= FPlotRect.bottom();
}

// ---------------------------------------------------------------- drawing

void TChartPicture::Redraw() {
  const QSize size = PanelSize();
  if (FImage.size() != size) FImage = size.isEmpty() ? QImage() : QImage(size, QImage::Format_RGB32);
  Layout();
  FXYPosText.clear();
  FXYPosRect = QRect();
  if (FImage.isNull()) return;

  QPainter p;
  canvas::Begin(p, FImage);
  PaintPicture(p);
  p.end();
  Invalidate(FImage.rect());
}

void TChartPicture::PaintPicture(QPainter& p) {
  canvas::CopyMode(p);
  p.fillRect(QRect(QPoint(0, 0), LayoutSize()), BgrToQColor(FColor));
  DrawBevel(p);
  canvas::CopyMode(p);
  p.fillRect(QRect(FPlotRect.left(), FPlotRect.top(), FPlotWidth, FPlotHeight), BgrToQColor(FGridColor));
  if (FShowXScale) DrawXScale(p);
  if (FShowYScale) DrawYScale(p);
  DrawAxes(p);
  DrawTitle(p);
  for (const auto& point : FPoints) DrawPoint(p, *point);
  for (const auto& line : FLines) DrawLine(p, *line);
  FLegendRect = QRect();
  if (FShowLegend && !FLegend.empty()) DrawLegend(p);
}

void TChartPicture::Paint(QPainter& p, const QRectF& target, QSize layoutSize) {
  if (target.isEmpty() || !p.isActive()) return;
  if (layoutSize.isEmpty()) {
    // Pixels at 96 dpi of the target's size on the device.
    const QTransform& t = p.worldTransform();
    const double scale = std::hypot(t.m11(), t.m12());
    const double dpiX = p.device()->logicalDpiX(), dpiY = p.device()->logicalDpiY();
    layoutSize = QSize(qMax(1, qRound(target.width() * scale * 96 / dpiX)),
                       qMax(1, qRound(target.height() * scale * 96 / dpiY)));
  }
  const QRect legendRect = FLegendRect;
  FPaintSize = layoutSize;
  FVector = !canvas::IsRaster(p);
  Layout();
  p.save();
  p.setClipRect(target, Qt::IntersectClip);
  p.translate(target.topLeft());
  p.scale(target.width() / layoutSize.width(), target.height() / layoutSize.height());
  PaintPicture(p);
  p.restore();
  // Back to the image's layout, mapping and legend.
  FPaintSize = QSize();
  FVector = false;
  Layout();
  FLegendRect = legendRect;
}

QColor TChartPicture::Ink(unsigned stored) const {
  return BgrToQColor(FVector ? stored ^ FGridColor ^ 0xFFFFFFu : stored);
}

namespace {

// Legend geometry: a frame, a padding of 4, a sample 20 wide, 4 more, the text.
constexpr int LegendPad = 4;
constexpr int LegendSample = 20;

QColor LegendFrameColor() { return QColor(0x80, 0x80, 0x80); }

}  // namespace

QRect TChartPicture::PlaceLegend(QSize size) const {
  constexpr int inset = 5;
  if (size.width() + 2 * inset > FPlotWidth || size.height() + 2 * inset > FPlotHeight) return QRect();
  const int l = FPlotRect.left() + inset, r = FPlotRect.right() - inset - size.width() + 1;
  const int t = FPlotRect.top() + inset, b = FPlotRect.bottom() - inset - size.height() + 1;
  const QRect corners[4] = {QRect(QPoint(r, t), size), QRect(QPoint(l, t), size), QRect(QPoint(l, b), size),
                            QRect(QPoint(r, b), size)};
  // What the legend would hide: line pixels (sampled every 3 pixels along
  // each segment) count one each, a point or a vertex marker counts 50.
  const auto cost = [&](const QRect& box) {
    long total = 0;
    const auto marker = [&](const TChartPoint& point) {
      if ((point.Kind == 2 || point.Kind == 3) && IsInWindow(point.X, point.Y) &&
          box.contains(DataToPixel(point.X, point.Y)))
        total += 50;
    };
    for (const auto& point : FPoints) marker(*point);
    for (const auto& line : FLines) {
      QPoint previous;
      for (std::size_t i = 0; i < line->Points.size(); ++i) {
        marker(*line->Points[i]);
        const QPoint at = DataToPixel(line->Points[i]->X, line->Points[i]->Y);
        if (i > 0) {
          const int steps =
              qMax(1, qMax(std::abs(at.x() - previous.x()), std::abs(at.y() - previous.y())) / 3);
          for (int k = 0; k <= steps && steps < 100000; ++k) {
            const QPoint q(previous.x() + (at.x() - previous.x()) * k / steps,
                           previous.y() + (at.y() - previous.y()) * k / steps);
            if (box.contains(q)) ++total;
          }
        }
        previous = at;
      }
    }
    return total;
  };
  QRect best = corners[0];
  long bestCost = cost(best);
  for (int i = 1; i < 4 && bestCost > 0; ++i)
    if (const long c = cost(corners[i]); c < bestCost) {
      best = corners[i];
      bestCost = c;
    }
  return best;
}

QSize TChartPicture::LegendSize() const {
  const QFont& font = FScaleYFont;
  int textWidth = 0;
  for (const TLegendEntry& entry : FLegend) textWidth = qMax(textWidth, canvas::TextWidth(font, entry.Text));
  const int rows = static_cast<int>(FLegend.size());
  return QSize(1 + LegendPad + LegendSample + LegendPad + textWidth + LegendPad + 1,
               1 + 2 + rows * canvas::TextHeight(font) + 2 + 1);
}

void TChartPicture::DrawLegend(QPainter& p) {
  const QRect box = PlaceLegend(LegendSize());
  if (box.isEmpty()) return;
  FLegendRect = box;
  DrawLegendAt(p, box);
}

void TChartPicture::DrawLegendAt(QPainter& p, const QRect& box) {
  const QFont& font = FScaleYFont;
  const int th = canvas::TextHeight(font);
  const QColor background = BgrToQColor(FColor);
  p.save();
  canvas::CopyMode(p);
  p.fillRect(box, LegendFrameColor());
  p.fillRect(box.adjusted(1, 1, -1, -1), background);
  const int sampleLeft = box.left() + 1 + LegendPad;
  for (std::size_t i = 0; i < FLegend.size(); ++i) {
    const TLegendEntry& entry = FLegend[i];
    const int top = box.top() + 1 + 2 + static_cast<int>(i) * th;
    const int middle = top + th / 2;
    const QColor color = BgrToQColor(entry.Color);
    if (entry.MarkerKind == 2 || entry.MarkerKind == 3) {
      const QPoint centre(sampleLeft + LegendSample / 2, middle);
      const int r = 3, w = qMax(1, entry.PenWidth);
      if (entry.MarkerKind == 2 && FVector) {  // true circles, as the chart's markers
        canvas::NotXorRing(p, centre, r, r - w, color);
        canvas::NotXorRing(p, centre, r - w, -1, BgrToQColor(entry.BrushColor));
      } else if (entry.MarkerKind == 2) {
        for (const QRect& run : canvas::DiskRuns(centre, r)) p.fillRect(run, color);
        for (const QRect& run : canvas::DiskRuns(centre, r - w))
          p.fillRect(run, BgrToQColor(entry.BrushColor));
      } else {
        const QRect square(QPoint(centre.x() - r, centre.y() - r), QPoint(centre.x() + r, centre.y() + r));
        p.fillRect(square, color);
        p.fillRect(square.adjusted(w, w, -w, -w), BgrToQColor(entry.BrushColor));
      }
    } else {
      // Two pixel rows: a one-pixel line of a pale colour is hard to see this short.
      p.fillRect(QRect(sampleLeft, middle - 1, LegendSample, 2), color);
    }
    canvas::TextOutOpaque(p, sampleLeft + LegendSample + LegendPad, top, entry.Text, font,
                          BgrToQColor(FontColor), background);
  }
  p.restore();
}

QRect TChartPicture::RedrawLegendIfTouched(const QRect& touched) {
  if (FLegendRect.isEmpty() || !touched.intersects(FLegendRect) || FImage.isNull()) return QRect();
  // The legend stays where it is: only its pixels are painted again.
  QPainter p;
  canvas::Begin(p, FImage);
  DrawLegendAt(p, FLegendRect);
  p.end();
  return FLegendRect;
}

void TChartPicture::DrawBevel(QPainter& p) {
  // The chart's inner area covers the bevel's top and left edges; only its
  // bottom row and right column stay visible.
  if (FBevelOuter == bvNone) return;
  const QColor edge = BgrToQColor(FBevelOuter == bvLowered ? ButtonHighlightColor() : ButtonShadowColor());
  const int w = LayoutSize().width(), h = LayoutSize().height();
  canvas::CopyMode(p);
  p.fillRect(QRect(0, h - 1, w, 1), edge);
  p.fillRect(QRect(w - 1, 0, 1, h), edge);
}

void TChartPicture::DrawXScale(QPainter& p) {
  const TTickSet ticks = AxisTicks(FLayXMin, FLayXMax, FScaleXTicks);
  if (!ticks.Drawn) return;
  const QColor background = BgrToQColor(FColor);
  const QColor text = BgrToQColor(FontColor);
  const QColor grid = Ink(GridLineColor);
  const int h = canvas::TextHeight(FScaleXFont) / 2;
  const int top = FPlotRect.top(), bottom = FPlotRect.bottom();
  for (int k = 0; k <= ticks.Count; ++k) {
    const int x = FPlotRect.left() +
                  static_cast<int>(RoundHalfEven(TickOffset(ticks, k, FLayXMin, FLayXMax, FPlotWidth)));
    canvas::NotXorLine(p, QPoint(x, bottom), QPoint(x, top), grid);
    const QString label = TickLabel(ticks, k, LogX());
    const int w = canvas::TextWidth(FScaleXFont, label);
    canvas::TextOutOpaque(p, x - w / 2, bottom + h, label, FScaleXFont, text, background);
  }
  const int w = canvas::TextWidth(FScaleXFont, FScaleXLabel);
  const int y = FInnerHeight - 2 * h - 3 - (FBevelOuter != bvNone ? 3 : 0);
  canvas::TextOutOpaque(p, (FInnerWidth - w) / 2, y, FScaleXLabel, FScaleXFont, text, background);
}

void TChartPicture::DrawYScale(QPainter& p) {
  const TTickSet ticks = AxisTicks(FLayYMin, FLayYMax, FScaleYTicks);
  if (!ticks.Drawn) return;
  const QColor background = BgrToQColor(FColor);
  const QColor text = BgrToQColor(FontColor);
  const QColor grid = Ink(GridLineColor);
  const int h = canvas::TextHeight(FScaleYFont) / 2;
  for (int k = 0; k <= ticks.Count; ++k) {
    const int y =
        FPlotRect.top() +
        static_cast<int>(RoundHalfEven(FPlotHeight - TickOffset(ticks, k, FLayYMin, FLayYMax, FPlotHeight)));
    canvas::NotXorLine(p, QPoint(FPlotRect.left(), y), QPoint(FPlotRect.right(), y), grid);
    const QString label = TickLabel(ticks, k, LogY());
    const int w = canvas::TextWidth(FScaleYFont, label);
    int left = 0;
    switch (FAxisType) {
      case xtCent0:
        left = FPlotRect.left() + (FPlotWidth - w) / 2;
        break;
      case xtQuad1:
        left = FPlotRect.left() - w - 5;
        break;
      case xtQuad2:
        left = FPlotRect.right() + 5;
        break;
      case xtNone:
        left = FPlotRect.left() - canvas::TextWidth(FScaleYFont, QStringLiteral("XX"));
        break;
    }
    canvas::TextOutOpaque(p, left, y - h, label, FScaleYFont, text, background);
  }
  const int x = FAxisType == xtQuad2 ? FInnerWidth - canvas::TextHeight(FScaleYFont) - 2 : 1;
  const int y = (canvas::TextWidth(FScaleYFont, FScaleYLabel) + FInnerHeight) / 2 + 2;
  canvas::TextOutUp(p, x, y, FScaleYLabel, FScaleYFont, text, background);
}

int TChartPicture::WidestYLabel() const {
  if (!FShowYScale) return 0;
  const TTickSet ticks = AxisTicks(FYMin, FYMax, FScaleYTicks);
  if (!ticks.Drawn) return 0;
  int widest = 0;
  for (int k = 0; k <= ticks.Count; ++k)
    widest = qMax(widest, canvas::TextWidth(FScaleYFont, TickLabel(ticks, k, LogY())));
  return widest;
}

TTickSet TChartPicture::AxisTicks(double lo, double hi, int wanted) const {
  return FRoundTicks ? blowden::RoundTicks(lo, hi, wanted) : ChartTicks(lo, hi, wanted);
}

QString TChartPicture::TickLabel(const TTickSet& ticks, int k, bool log) const {
  const double value = FromT(ticks.At(k), log);
  if (!FRoundTicks || log) return QString::fromStdString(ChartTickLabel(value));
  // Grouped as the locale groups numbers for people; the C locale and a
  // locale told not to group leave them plain.
  const QLocale locale;
  const std::string separator =
      locale.language() == QLocale::C || locale.numberOptions().testFlag(QLocale::OmitGroupSeparator)
          ? std::string()
          : locale.groupSeparator().toStdString();
  return QString::fromStdString(RoundTickLabel(value, ticks.Step, separator));
}

double TChartPicture::TickOffset(const TTickSet& ticks, int k, double lo, double hi, int length) const {
  // Ticks from the lower limit on keep their spacing arithmetic to the pixel.
  if (!FRoundTicks) return k * (length / ((hi - lo) / ticks.Step));
  return (ticks.At(k) - lo) * length / (hi - lo);
}

void TChartPicture::DrawAxes(QPainter& p) {
  const QColor pen = Ink(FAxesColor);
  const int l = FPlotRect.left(), t = FPlotRect.top(), r = FPlotRect.right(), b = FPlotRect.bottom();
  switch (FAxisType) {
    case xtCent0: {
      const int mx = l + FPlotWidth / 2, my = t + FPlotHeight / 2;
      canvas::NotXorLine(p, QPoint(mx, t), QPoint(mx, b), pen);
      canvas::NotXorLine(p, QPoint(l, my), QPoint(r, my), pen);
      break;
    }
    case xtQuad1:
      canvas::NotXorLine(p, QPoint(l, t), QPoint(l, b), pen);
      canvas::NotXorLine(p, QPoint(l, b), QPoint(r, b), pen);
      break;
    case xtQuad2:
      canvas::NotXorLine(p, QPoint(r, t), QPoint(r, b), pen);
      canvas::NotXorLine(p, QPoint(r, b), QPoint(l, b), pen);
      break;
    case xtNone:
      break;
  }
}

void TChartPicture::DrawTitle(QPainter& p) {
  // The title keeps the font the scales left selected.
  const bool yDrawn = FShowYScale && AxisTicks(FLayYMin, FLayYMax, FScaleYTicks).Drawn;
  const bool xDrawn = FShowXScale && AxisTicks(FLayXMin, FLayXMax, FScaleXTicks).Drawn;
  const QFont& font = yDrawn ? FScaleYFont : xDrawn ? FScaleXFont : FCanvasFont;
  const int w = canvas::TextWidth(font, FTitle);
  int left = (FInnerWidth - w) / 2;
  if (FTitleAlignment == taLeftJustify) left = 5;
  if (FTitleAlignment == taRightJustify) left = FInnerWidth - w - 5;
  canvas::TextOutOpaque(p, left, 5, FTitle, font, BgrToQColor(FontColor), BgrToQColor(FColor));
}

QRect TChartPicture::DrawPoint(QPainter& p, const TChartPoint& point) {
  if (point.Kind != 2 && point.Kind != 3) return QRect();
  if (!IsInWindow(point.X, point.Y)) return QRect();
  const bool high = &point == FHighlighted;
  const QColor pen = Ink(high ? point.HiPenColor : point.PenColor);
  const QColor brush = Ink(high ? point.HiBrushColor : point.BrushColor);
  const QPoint at = DataToPixel(point.X, point.Y);
  const int r = qMax(1, static_cast<int>(RoundHalfEven(point.Size / 2.0)));
  // The outline lies inside the marker's box; outline and fill never share a
  // pixel, so each is painted once.
  const int w = point.PenStyle == psClear ? 0 : qMax(1, point.PenWidth);
  const QRect box(QPoint(at.x() - r, at.y() - r), QPoint(at.x() + r, at.y() + r));
  if (point.Kind == 2) {
    if (w > 0) canvas::NotXorRing(p, at, r, r - w, pen);
    canvas::NotXorRing(p, at, r - w, -1, brush);
  } else {
    const QRect inner = box.adjusted(w, w, -w, -w);
    if (w > 0) canvas::NotXorFrame(p, box, inner, pen);
    if (inner.isValid()) canvas::NotXorFill(p, inner, brush);
  }
  return box;
}

QRect TChartPicture::DrawLine(QPainter& p, const TChartLine& line) {
  QRect touched;
  const QColor color = Ink(line.Color);
  const int w = line.PenWidth;
  bool segmentDrawn = false;
  QPoint previous;
  for (std::size_t i = 0; i < line.Points.size(); ++i) {
    const TChartPoint& vertex = *line.Points[i];
    touched |= DrawPoint(p, vertex);
    const QPoint at = DataToPixel(vertex.X, vertex.Y);
    if (i > 0 && (IsPixelInPlot(previous.x(), previous.y()) || IsPixelInPlot(at.x(), at.y()))) {
      QPoint start = previous;
      if (segmentDrawn && w > 1) {
        // Later segments start about half a pen width along, so that wide
        // segments overlap less at the joints (overlaps flip back).
        const int dx = at.x() - previous.x(), dy = at.y() - previous.y();
        const double q = w * w / 4.0;
        const double rx = dx == 0 ? 0.0 : double(dy) / dx;
        const double ry = dy == 0 ? 0.0 : double(dx) / dy;
        start += QPoint(Sign(dx) * static_cast<int>(std::trunc(std::sqrt(q / (1 + rx * rx)))),
                        Sign(dy) * static_cast<int>(std::trunc(std::sqrt(q / (1 + ry * ry)))));
      }
      canvas::NotXorStyledLine(p, start, at, color, line.PenStyle, w);
      const int m = qMax(1, w);
      touched |= QRect(start, at).normalized().adjusted(-m, -m, m, m);
      segmentDrawn = true;
    }
    previous = at;
  }
  return touched;
}

QRect TChartPicture::DrawItem(const TChartPoint* point, const TChartLine* line) {
  if (FImage.isNull()) return QRect();
  QPainter p;
  canvas::Begin(p, FImage);
  const QRect touched = line ? DrawLine(p, *line) : point ? DrawPoint(p, *point) : QRect();
  p.end();
  return touched;
}

// ---------------------------------------------------------------- mouse logic

void TChartPicture::UpdateMousePosition(QPoint pixel) {
  const QPointF data = PixelToData(pixel.x(), pixel.y());
  FMouseX = data.x();
  FMouseY = data.y();
}

bool TChartPicture::HitTest(QPoint pixel) {
  FHitPoint = nullptr;
  FHitLine = nullptr;
  const auto near = [&](const TChartPoint& point) {
    if (!point.Movable) return false;
    const QPoint at = DataToPixel(point.X, point.Y);
    return std::abs(at.x() - pixel.x()) <= HitDistance && std::abs(at.y() - pixel.y()) <= HitDistance;
  };
  for (const auto& point : FPoints)
    if (near(*point)) {
      FHitPoint = point.get();
      return true;
    }
  for (const auto& line : FLines)
    for (const auto& point : line->Points)
      if (near(*point)) {
        FHitPoint = point.get();
        FHitLine = line.get();
        return true;
      }
  return false;
}

void TChartPicture::PickHitPoint() {
  if (!FHitPoint || FImage.isNull()) return;
  QRect touched;
  QPainter p;
  canvas::Begin(p, FImage);
  if (FHighlighted && (FHighlighted->HiPenColor != FHighlighted->PenColor ||
                       FHighlighted->HiBrushColor != FHighlighted->BrushColor)) {
    TChartPoint* previous = FHighlighted;
    touched |= DrawPoint(p, *previous);  // erase in the highlight colours
    FHighlighted = nullptr;
    touched |= DrawPoint(p, *previous);  // show in the normal colours
  }
  touched |= DrawPoint(p, *FHitPoint);
  FHighlighted = FHitPoint;
  touched |= DrawPoint(p, *FHitPoint);
  p.end();
  FDragging = true;
  touched |= RedrawLegendIfTouched(touched);
  if (!touched.isEmpty()) Invalidate(touched);
}

void TChartPicture::MoveHitPoint() {
  if (!FHitPoint) return;
  QRect touched = DrawItem(FHitPoint, FHitLine);
  FHitPoint->X = FMouseX;
  FHitPoint->Y = FMouseY;
  touched |= DrawItem(FHitPoint, FHitLine);
  touched |= RedrawLegendIfTouched(touched);
  if (!touched.isEmpty()) Invalidate(touched);
}

void TChartPicture::UpdateXYPos() {
  if (FImage.isNull()) return;
  QString text = QStringLiteral("[]");
  if (IsInWindow(FMouseX, FMouseY))
    text = QString::fromStdString("[" + FormatPosition(FShowXPosFmt, FMouseX) + ", " +
                                  FormatPosition(FShowYPosFmt, FMouseY) + "]");
  const QColor background = BgrToQColor(FColor);
  const int tw = canvas::TextWidth(FFontXYPos, text);
  const int th = canvas::TextHeight(FFontXYPos);
  const QPoint at =
      FShowXYPosPlace == ppTopRight ? QPoint(FInnerWidth - tw - 3, 3) : QPoint(2, FInnerHeight - th - 2);
  QPainter p;
  canvas::Begin(p, FImage);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  QRect touched = FXYPosRect;
  if (!FXYPosRect.isEmpty()) p.fillRect(FXYPosRect, background);
  // The read-out is copied as it is, not through the not-xor pen.
  FXYPosRect = QRect(at, QSize(tw + 2, th));
  p.fillRect(FXYPosRect, background);
  canvas::TextOutOpaque(p, at.x() + 1, at.y(), text, FFontXYPos, BgrToQColor(FontColor), background);
  p.end();
  FXYPosText = text;
  Invalidate(touched | FXYPosRect);
}

}  // namespace blowden
