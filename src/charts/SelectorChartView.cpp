#include "charts/SelectorChartView.h"

#include <QGuiApplication>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "base/StepRound.h"
#include "charts/ChartGeometry.h"
#include "charts/ChartPicture.h"
#include "charts/ChartScale.h"
#include "charts/ChartSupport.h"
#include "units/QmConv.h"

namespace blowden {

void ApplySelectorChartDesign(TChartPicture& panel) {
  panel.SetLeftMargin(50);
  panel.SetRightMargin(20);
  panel.SetTopMargin(25);
  panel.SetBottomMargin(40);
  panel.SetAxisType(xtQuad1);
  panel.SetScaleType(stXY);
  panel.SetTitleAlignment(taCenter);
  panel.SetShowXYPos(false);
  panel.SetShowXScale(true);
  panel.SetShowYScale(true);
  panel.SetScaleXTicks(6);
  panel.SetScaleYTicks(6);
  panel.SetScaleXLabel(QStringLiteral("Airflow [m³/s]"));
  panel.SetScaleYLabel(QStringLiteral("Static pressure [Pa]"));
  panel.SetAxesColor(WindowTextColor());
  panel.SetColor(WindowColor());
  const QFont courier = ProgramFont(QStringLiteral("courier new"), 8);
  const QFont tahoma = ProgramFont(QStringLiteral("Tahoma"), 8);
  panel.SetFontLabels(courier);
  panel.SetFontXYPos(courier);
  panel.SetScaleXFont(tahoma);
  panel.SetScaleYFont(tahoma);
  // Ticks on round numbers, plain and grouped, rather than from the window's
  // lower limit on.
  panel.SetRoundTicks(true);
  panel.SetGridColor(0xF4FDFF);  // last: it redraws
}

namespace {

void AddMarker(TChartPicture& panel, const TSelectorChartMarker& marker) {
  TChartPoint& point = panel.AddPoint(marker.Color, marker.Kind, marker.X, marker.Y, marker.Size);
  point.SetStyle(marker.Color, marker.BrushColor, psSolid, marker.PenWidth, true);
  point.Movable = false;
}

}  // namespace

void ShownRange(double lo, double hi, const TAxisUnits& units, int ticks, double& shownLo, double& shownHi) {
  shownLo = ToUnits(lo, units.Factor, units.Offset);
  shownHi = ToUnits(hi, units.Factor, units.Offset);
  if (shownLo > shownHi) std::swap(shownLo, shownHi);
  if (units.IsIdentity() || !(shownLo < shownHi)) return;
  RoundOutToTicks(shownLo, shownHi, ticks);
}

void RoundOutToTicks(double& lo, double& hi, int ticks) {
  if (!(lo < hi) || !std::isfinite(lo) || !std::isfinite(hi)) return;
  // Rounding out may widen the window enough to take the next larger step:
  // then once more from the original window with that step.
  const double from = lo, to = hi;
  double step = ChartTicks(from, to, ticks).Step;
  for (int pass = 0; pass < 2 && step > 0; ++pass) {
    lo = FloorToStep(from, step, 0);
    hi = CeilToStep(to, step, 0);
    const double next = ChartTicks(lo, hi, ticks).Step;
    if (next == step) break;
    step = next;
  }
}

std::vector<TLegendEntry> SelectorLegend(const TSelectorChart& chart) {
  std::vector<TLegendEntry> legend;
  // Lines without a kind are named by their place: the last three are the
  // reference, operating and system curves, the ones before speed lines.
  const std::size_t count = chart.Lines.size();
  const auto kindOf = [&](std::size_t i) {
    const TSelectorCurve kind = chart.Lines[i].Kind;
    if (kind != scUnnamed) return kind;
    if (i + 3 < count) return scSpeedLine;
    return static_cast<TSelectorCurve>(scReference + (i + 3 - count));
  };
  const struct {
    TSelectorCurve Kind;
    const char* Text;
  } curves[] = {{scSpeedLine, "Speed lines"},
                {scReference, "Reference curve"},
                {scOperating, "Operating curve"},
                {scSystem, "System curve"}};
  for (const auto& curve : curves)
    for (std::size_t i = 0; i < count; ++i)
      if (kindOf(i) == curve.Kind && chart.Lines[i].Points.size() >= 2) {
        legend.push_back({QString::fromUtf8(curve.Text), chart.Lines[i].Color, 0, 0xFFFFFF, 1});
        break;
      }
  const auto marker = [&](const TSelectorChartMarker& m, const char* text) {
    legend.push_back({QString::fromUtf8(text), m.Color, m.Kind, m.BrushColor, m.PenWidth});
  };
  marker(chart.Duty, "Duty point");
  if (chart.Operating) marker(*chart.Operating, "Operating point");
  return legend;
}

void DrawSelectorChart(TChartPicture& panel, const TSelectorChart& chart, const TSelectorChartUnits& units) {
  const TAxisUnits& fx = units.Flow;
  const TAxisUnits& fy = units.Pressure;
  const auto x = [&](double v) { return ToUnits(v, fx.Factor, fx.Offset); };
  const auto y = [&](double v) { return ToUnits(v, fy.Factor, fy.Offset); };
  panel.Clear();
  panel.SetTitle(QString::fromStdString(chart.Title));
  panel.SetScaleXLabel(QStringLiteral("Airflow [%1]").arg(fx.Label));
  panel.SetScaleYLabel(QStringLiteral("Static pressure [%1]").arg(fy.Label));
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
  ShownRange(chart.XMin, chart.XMax, fx, panel.ScaleXTicks(), xMin, xMax);
  ShownRange(chart.YMin, chart.YMax, fy, panel.ScaleYTicks(), yMin, yMax);
  TSelectorChartMarker duty = chart.Duty;
  duty.X = x(duty.X);
  duty.Y = y(duty.Y);
  std::optional<TSelectorChartMarker> operating = chart.Operating;
  if (operating) {
    operating->X = x(operating->X);
    operating->Y = y(operating->Y);
  }
  // The markers are drawn whole inside the frame, never on its edge.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  KeepInside(xMin, xMax, {duty.X, operating ? operating->X : nan});
  KeepInside(yMin, yMax, {duty.Y, operating ? operating->Y : nan});
  panel.SetScale(xMin, xMax, yMin, yMax);
  for (const TSelectorChartLine& curve : chart.Lines) {
    // Curves reach past the window (the system curve from zero flow): only
    // what lies inside it is drawn, so that no line crosses the frame.
    TPolyline shown;
    shown.reserve(curve.Points.size());
    for (const TSelectorChartPoint& vertex : curve.Points) shown.emplace_back(x(vertex.X), y(vertex.Y));
    std::vector<TPolyline> pieces = ClipPolyline(shown, xMin, xMax, yMin, yMax);
    if (pieces.empty()) pieces.emplace_back();
    for (const TPolyline& piece : pieces) {
      TChartLine& line = panel.AddLine(curve.Color, 0, QString(), 3, QImage());
      for (const auto& [px, py] : piece) line.AddPoint(px, py);
    }
  }
  AddMarker(panel, duty);
  if (operating) AddMarker(panel, *operating);
  panel.SetLegend(SelectorLegend(chart));
  panel.Redraw();
}

QImage RenderSelectorChart(const TSelectorChart& chart, QSize size, const TSelectorChartUnits& units,
                           bool legend) {
  // Fonts cannot be measured before the application object exists.
  if (!qGuiApp || size.isEmpty()) return QImage();
  TChartPicture picture;
  picture.SetBevelOuter(bvNone);
  picture.SetPictureSize(size);
  ApplySelectorChartDesign(picture);
  picture.SetShowLegend(legend);
  DrawSelectorChart(picture, chart, units);
  return picture.Picture();
}

bool PaintSelectorChart(QPainter& p, const QRectF& target, const TSelectorChart& chart,
                        const TSelectorChartUnits& units, bool legend, QSize layoutSize) {
  if (!qGuiApp || target.isEmpty()) return false;
  TChartPicture picture;
  picture.SetBevelOuter(bvNone);
  picture.SetPictureSize(QSize(1, 1));  // its image is not used
  ApplySelectorChartDesign(picture);
  picture.SetShowLegend(legend);
  DrawSelectorChart(picture, chart, units);
  picture.Paint(p, target, layoutSize);
  return true;
}

}  // namespace blowden
