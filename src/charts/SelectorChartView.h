#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <vector>

#include "charts/ChartPicture.h"
#include "fan/SelectorChart.h"

namespace blowden {

// The fan selector's design settings of its curves chart: margins 50/20/25/40,
// xtQuad1, stXY, centred title, no read-out, 6 ticks each way, captions
// "Airflow [m³/s]" and "Static pressure [Pa]", grid $F4FDFF, window-coloured
// background, "courier new" 8 pt label and read-out fonts, "Tahoma" 8 pt scale
// fonts. The selector window applies them to its CurvePanel.
void ApplySelectorChartDesign(TChartPicture& panel);

// How one axis shows its values: shown = SI value * Factor + Offset (as the
// units catalogue converts), with the unit's label for the axis caption.
struct TAxisUnits {
  double Factor = 1;
  double Offset = 0;
  QString Label;
  bool IsIdentity() const { return Factor == 1 && Offset == 0; }
};

// The units of the selector chart's axes; m³/s and Pa by default.
struct TSelectorChartUnits {
  TAxisUnits Flow{1, 0, QStringLiteral("m³/s")};
  TAxisUnits Pressure{1, 0, QStringLiteral("Pa")};
};

// The window lo .. hi (SI) on an axis of `ticks` ticks in the shown unit:
// converted, and, for any conversion but the identity, rounded out to the
// tick step the chart then takes, so that the ticks fall on round numbers.
//   0.25 .. 4.25 m³/s in cfm (x 2118.88), 6 ticks -> 0 .. 10000 (step 2000)
//   identity: unchanged
void ShownRange(double lo, double hi, const TAxisUnits& units, int ticks, double& shownLo, double& shownHi);

// The window lo .. hi rounded out to the tick step a chart of `ticks` ticks
// takes, so that the tick labels fall on round numbers; an empty or
// non-finite window stays as it is.
void RoundOutToTicks(double& lo, double& hi, int ticks);

// The legend of a selector chart: "Speed lines", "Reference curve",
// "Operating curve", "System curve", "Duty point", "Operating point", each
// only when the chart shows it, in the chart's colours.
std::vector<TLegendEntry> SelectorLegend(const TSelectorChart& chart);

// Puts one evaluation on the chart: Clear, Title, the axis captions
// ("Airflow [m³/s]", "Static pressure [Pa]" with the units' labels),
// SetScale(window in the shown units), one line per curve (no markers, solid,
// 1 pixel, not draggable), the duty point (circle) and the operating point
// when present (square), both fixed, and the legend; then Redraw. Everything
// is drawn in the shown units, so MouseX/MouseY are in them too. Colours are
// stored encoded against the chart's GridColor at this moment.
void DrawSelectorChart(TChartPicture& panel, const TSelectorChart& chart,
                       const TSelectorChartUnits& units = TSelectorChartUnits());

// The chart as a picture of the given size, drawn off-screen with the
// selector's design settings and no bevel, as `blowden-cli select --png`
// writes it, with its legend unless `legend` is false. Needs a
// QGuiApplication (or QApplication), no screen; without one, or for an empty
// size, the result is a null image.
QImage RenderSelectorChart(const TSelectorChart& chart, QSize size,
                           const TSelectorChartUnits& units = TSelectorChartUnits(), bool legend = true);

// The same chart painted as vectors onto any painter (a PDF page, a
// printer), filling `target`: laid out as a picture of the target's size at
// 96 dpi (or `layoutSize` pixels), with the drawing of RenderSelectorChart.
// Needs a QGuiApplication; without one nothing is painted (false).
bool PaintSelectorChart(QPainter& p, const QRectF& target, const TSelectorChart& chart,
                        const TSelectorChartUnits& units = TSelectorChartUnits(), bool legend = true,
                        QSize layoutSize = QSize());

}  // namespace blowden
