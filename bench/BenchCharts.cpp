// Drawing speed of the two chart panels. Compiled empty in a build without
// Qt, where the Qt headers are not on the include path.
#if __has_include(<QApplication>)

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>

#include "charts/SelectorChartView.h"
#include "charts/widgets/QmChartPanel.h"
#include "charts/widgets/QmGraphPanel.h"

namespace {

// The widgets need an application object; the benchmark program's main()
// belongs to Google Benchmark, so one is created on first use, off-screen
// unless a platform is named, and kept to the end of the process.
void EnsureApplication() {
  if (QApplication::instance()) return;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "blowden-bench";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

// Eleven curves of 21 points across the window, as the selector draws them:
// eight speed lines, the reference and operating curves, the system curve.
blowden::TSelectorChart ElevenCurves() {
  blowden::TSelectorChart chart;
  chart.Title = "BX-450";
  chart.XMin = 0.25;
  chart.XMax = 4.25;
  chart.YMin = 75;
  chart.YMax = 1200;
  for (int c = 0; c < 11; ++c) {
    blowden::TSelectorChartLine line;
    line.Color = c < 8 ? 0xE6D8AD : c == 8 ? 0x808080 : c == 9 ? 0xFF0000 : 0x0000FF;
    const double n = 0.5 + 0.05 * c;
    for (int i = 0; i <= 20; ++i) {
      const double q = (0.8 + 3.3 * i / 20.0) * n;
      line.Points.push_back({q, (1100 + 150 * q / n - 80 * q * q / (n * n)) * n * n});
    }
    chart.Lines.push_back(line);
  }
  chart.Duty = {2.5, 500, 0x008000, 0xFFFFFF, 2, 6, 2};
  chart.Operating = blowden::TSelectorChartMarker{2.55, 520, 0xFF0000, 0xFFFFFF, 3, 6, 1};
  return chart;
}

// A full Redraw of an 800 x 600 selector chart (target: under 2 ms).
void BM_ChartRedraw(benchmark::State& state) {
  EnsureApplication();
  blowden::TChartPanel panel;
  panel.resize(800, 600);
  blowden::ApplySelectorChartDesign(panel);
  blowden::DrawSelectorChart(panel, ElevenCurves());
  for (auto _ : state) {
    panel.Redraw();
    benchmark::DoNotOptimize(panel.Image().constBits());
  }
  state.SetItemsProcessed(state.iterations());  // redraws per second
}
BENCHMARK(BM_ChartRedraw)->Unit(benchmark::kMicrosecond);

// One paint of a plot panel of the main window's size: frame, ten marker
// pictures and a fitted curve of 101 points.
void BM_GraphPanelPaint(benchmark::State& state) {
  EnsureApplication();
  blowden::TGraphPanel panel;
  panel.resize(225, 161);
  panel.SetLimits(false, 0, 5, 0, 1500);
  QImage marker(8, 8, QImage::Format_RGB32);
  marker.fill(Qt::white);
  QPainter(&marker).fillRect(1, 1, 6, 6, QColor(255, 0, 255));
  panel.SetCross(marker);
  panel.OnPaint = [](blowden::TGraphPanel* p) {
    for (int i = 0; i < 10; ++i) {
      p->RestoreBackground = false;
      p->PlotMarker(0.5 + 0.4 * i, 1200 - 8.0 * i * i);
    }
    p->NewLine = true;
    for (int i = 0; i <= 100; ++i) {
      const double x = 0.5 + 3.6 * i / 100;
      p->PlotTo(0x0000FF, x, 1200 - 50 * (x - 0.5) * (x - 0.5));
    }
  };
  for (auto _ : state) {
    panel.Paint();
    benchmark::DoNotOptimize(panel.Image().constBits());
  }
  state.SetItemsProcessed(state.iterations());  // paints per second
}
BENCHMARK(BM_GraphPanelPaint)->Unit(benchmark::kMicrosecond);

}  // namespace

#endif
