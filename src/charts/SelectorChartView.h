#pragma once

#include <QImage>
#include <QSize>

#include "fan/SelectorChart.h"

namespace blowden {

class TChartPicture;

// The fan selector's design settings of its curves chart: margins 50/20/25/40,
// xtQuad1, stXY, centred title, no read-out, 6 ticks each way, captions
// "Airflow [m³/s]" and "Static pressure [Pa]", grid $F4FDFF, window-coloured
// background, "courier new" 8 pt label and read-out fonts, "Tahoma" 8 pt scale
// fonts. The selector window applies them to its CurvePanel.
void ApplySelectorChartDesign(TChartPicture& panel);

// Puts one evaluation on the chart: Clear, Title, SetScale(window), one line
// per curve (no markers, solid, 1 pixel, not draggable), the duty point (circle)
// and the operating point when present (square), both fixed; then Redraw.
// Colours are stored encoded against the chart's GridColor at this moment.
void DrawSelectorChart(TChartPicture& panel, const TSelectorChart& chart);

// The chart as a picture of the given size, drawn off-screen with the
// selector's design settings and no bevel, as `blowden-cli select --png`
// writes it. Needs a QGuiApplication (or QApplication), no screen; without
// one, or for an empty size, the result is a null image.
QImage RenderSelectorChart(const TSelectorChart& chart, QSize size);

}  // namespace blowden
