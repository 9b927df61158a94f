#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <vector>

#include "ChartTestHelpers.h"
#include "charts/CanvasTools.h"
#include "charts/ChartPicture.h"
#include "charts/ChartSupport.h"
#include "charts/SelectorChartView.h"

namespace blowden {
namespace {

using test::PixelBgr;

constexpr unsigned Cream = 0xF4FDFF;

// A chart as the selector makes it: one speed line, the reference curve, the
// operating curve and the system curve, the duty point and the operating point.
TSelectorChart SampleChart() {
  TSelectorChart chart;
  chart.Title = "BX-450";
  chart.XMin = 0;
  chart.XMax = 4;
  chart.YMin = 0;
  chart.YMax = 1000;
  const unsigned colors[] = {0xE6D8AD, 0x808080, 0xFF0000};
  const double speeds[] = {0.6, 0.8, 1.0};
  for (int c = 0; c < 3; ++c) {
    TSelectorChartLine line;
    line.Color = colors[c];
    for (int i = 0; i <= 20; ++i) {
      const double q = 0.5 + 2.5 * i / 20.0;
      const double n = speeds[c];
      line.Points.push_back({q * n, (900 - 60 * q * q) * n * n});
    }
    chart.Lines.push_back(line);
  }
  TSelectorChartLine system;
  system.Color = 0x0000FF;
  for (int i = 0; i <= 20; ++i) {
    const double q = 4.0 * i / 20;
    if (50 * q * q <= 1000) system.Points.push_back({q, 50 * q * q});
  }
  chart.Lines.push_back(system);
  chart.Duty = {2.5, 312.5, 0x008000, 0xFFFFFF, 2, 6, 2};
  chart.Operating = TSelectorChartMarker{2.6, 338, 0xFF0000, 0xFFFFFF, 3, 6, 1};
  return chart;
}

TEST(SelectorChartViewTest, DesignSettings) {
  TChartPicture panel;
  ApplySelectorChartDesign(panel);
  EXPECT_EQ(panel.LeftMargin(), 50);
  EXPECT_EQ(panel.RightMargin(), 20);
  EXPECT_EQ(panel.TopMargin(), 25);
  EXPECT_EQ(panel.BottomMargin(), 40);
  EXPECT_EQ(panel.AxisType(), xtQuad1);
  EXPECT_EQ(panel.ScaleType(), stXY);
  EXPECT_EQ(panel.TitleAlignment(), taCenter);
  EXPECT_FALSE(panel.ShowXYPos());
  EXPECT_EQ(panel.ScaleXTicks(), 6);
  EXPECT_EQ(panel.ScaleYTicks(), 6);
  EXPECT_EQ(panel.ScaleXLabel(), QStringLiteral("Airflow [m³/s]"));
  EXPECT_EQ(panel.ScaleYLabel(), QStringLiteral("Static pressure [Pa]"));
  EXPECT_EQ(panel.GridColor(), Cream);
  EXPECT_EQ(panel.ScaleXFont().pixelSize(), 11);
  EXPECT_TRUE(panel.FontXYPos().fixedPitch() || panel.FontXYPos().styleHint() == QFont::Monospace);
}

TEST(SelectorChartViewTest, DrawPutsTheSelectorsItemsOnTheChart) {
  TChartPicture panel;
  ApplySelectorChartDesign(panel);
  panel.AddLine(0x000000, 0);  // left from an earlier evaluation
  const TSelectorChart chart = SampleChart();
  DrawSelectorChart(panel, chart);

  EXPECT_EQ(panel.Title(), QStringLiteral("BX-450"));
  EXPECT_DOUBLE_EQ(panel.XMax(), 4);
  EXPECT_DOUBLE_EQ(panel.YMax(), 1000);
  ASSERT_EQ(panel.Lines().size(), 4u);
  EXPECT_EQ(panel.Lines()[2]->Color, 0xF40200u);  // $FF0000 against $F4FDFF
  for (const auto& line : panel.Lines()) {
    EXPECT_EQ(line->MarkerKind, 0);
    EXPECT_EQ(line->PenWidth, 1);
    EXPECT_EQ(line->PenStyle, psSolid);
    for (const auto& vertex : line->Points) EXPECT_FALSE(vertex->Movable);
  }
  EXPECT_EQ(panel.Lines()[0]->Points.size(), 21u);
  ASSERT_EQ(panel.Points().size(), 2u);
  const TChartPoint& duty = *panel.Points()[0];
  EXPECT_EQ(duty.Kind, 2);
  EXPECT_EQ(duty.Size, 6);
  EXPECT_EQ(duty.PenWidth, 2);
  EXPECT_EQ(duty.PenColor, 0x008000u ^ Cream ^ 0xFFFFFFu);
  EXPECT_EQ(duty.BrushColor, Cream);  // white encoded
  EXPECT_FALSE(duty.Movable);
  const TChartPoint& operating = *panel.Points()[1];
  EXPECT_EQ(operating.Kind, 3);
  EXPECT_EQ(operating.PenWidth, 1);
  EXPECT_FALSE(operating.Movable);

  TSelectorChart withoutOperating = chart;
  withoutOperating.Operating.reset();
  DrawSelectorChart(panel, withoutOperating);
  EXPECT_EQ(panel.Points().size(), 1u);
}

TEST(SelectorChartViewTest, EmptySizeGivesANullPicture) {
  EXPECT_TRUE(RenderSelectorChart(SampleChart(), QSize(0, 480)).isNull());
}

TEST(SelectorChartViewTest, RenderedPictureShowsFillCurvesAndMarkers) {
  const QImage image = RenderSelectorChart(SampleChart(), QSize(640, 480));
  ASSERT_EQ(image.size(), QSize(640, 480));
  // Plot (50, 25) .. (620, 440); 142.5 pixels per m³/s, 0.415 per Pa.
  EXPECT_EQ(PixelBgr(image, 100, 100), Cream);
  // The duty point (2.5, 312.5) -> (406, 311): white centre, green ring.
  EXPECT_EQ(PixelBgr(image, 406, 311), 0xFFFFFFu);
  EXPECT_EQ(PixelBgr(image, 403, 311), 0x008000u);
  EXPECT_EQ(PixelBgr(image, 409, 311), 0x008000u);
  // The operating curve starts at (0.5, 885) -> (121, 73) in blue.
  EXPECT_EQ(PixelBgr(image, 121, 73), 0xFF0000u);
}

// The selector's chart of the design size keeps its plot where the design
// puts it; a scale font too large for the margin moves the plot right until
// the rotated caption, the widest tick label and the plot sit side by side.
TEST(SelectorChartViewTest, YCaptionIsLaidOutBesideTheWidestTickLabel) {
  TChartPicture panel;
  panel.SetBevelOuter(bvNone);
  panel.SetPictureSize(QSize(560, 480));
  ApplySelectorChartDesign(panel);
  TSelectorChart chart = SampleChart();
  chart.YMin = 125;
  chart.YMax = 1125;  // round ticks: labels 200 .. 1000
  DrawSelectorChart(panel, chart);
  EXPECT_EQ(panel.PlotRect().left(), 50);
  EXPECT_EQ(panel.PlotRect().bottom(), 480 - 40);

  QFont big = panel.ScaleYFont();
  big.setPixelSize(22);
  panel.SetScaleYFont(big);
  panel.SetScaleXFont(big);
  panel.Redraw();
  const int th = canvas::TextHeight(big);
  const int widest = canvas::TextWidth(big, QStringLiteral("1000"));
  const int left = panel.PlotRect().left();
  EXPECT_EQ(left, 1 + th + 2 + widest + 5);
  // Between the caption's column and the labels: only background.
  const QImage& image = panel.Image();
  const unsigned background = WindowColor();
  for (int y = panel.PlotRect().top() - 5; y <= panel.PlotRect().bottom() + 5; ++y)
    EXPECT_EQ(PixelBgr(image, 1 + th + 1, y), background) << "y " << y;
  // The x labels end above the x caption.
  const int h = th / 2;
  const int captionTop = 480 - 2 * h - 3;
  EXPECT_LE(panel.PlotRect().bottom() + h + th, captionTop);
}

TEST(SelectorChartViewTest, LegendNamesWhatTheChartShows) {
  const TSelectorChart chart = SampleChart();
  const std::vector<TLegendEntry> legend = SelectorLegend(chart);
  QStringList texts;
  for (const TLegendEntry& entry : legend) texts << entry.Text;
  // The sample's lines have no kinds: they are named by their place.
  EXPECT_EQ(texts, QStringList({"Speed lines", "Reference curve", "Operating curve", "System curve",
                                "Duty point", "Operating point"}));
  EXPECT_EQ(legend[2].Color, 0xFF0000u);
  EXPECT_EQ(legend[4].MarkerKind, 2);
  EXPECT_EQ(legend[5].MarkerKind, 3);

  TSelectorChart bare = chart;
  bare.Operating.reset();
  bare.Lines.back().Points.clear();  // no system curve (a flow of 0)
  for (auto& line : bare.Lines) line.Kind = scSpeedLine;
  bare.Lines[1].Kind = scReference;
  bare.Lines[2].Kind = scOperating;
  bare.Lines[3].Kind = scSystem;
  texts.clear();
  for (const TLegendEntry& entry : SelectorLegend(bare)) texts << entry.Text;
  EXPECT_EQ(texts, QStringList({"Speed lines", "Reference curve", "Operating curve", "Duty point"}));
}

TEST(SelectorChartViewTest, LegendIsDrawnInTheFreestCornerAndCanBeHidden) {
  const QImage shown = RenderSelectorChart(SampleChart(), QSize(640, 480));
  const QImage hidden = RenderSelectorChart(SampleChart(), QSize(640, 480), TSelectorChartUnits(), false);
  TChartPicture panel;
  panel.SetBevelOuter(bvNone);
  panel.SetPictureSize(QSize(640, 480));
  ApplySelectorChartDesign(panel);
  DrawSelectorChart(panel, SampleChart());
  const QRect box = panel.LegendRect();
  ASSERT_FALSE(box.isEmpty());
  EXPECT_TRUE(panel.PlotRect().contains(box));
  // The fan curves fall from the top left and the system curve ends below
  // the top right corner: the legend goes there, 5 pixels in.
  EXPECT_EQ(box.right(), panel.PlotRect().right() - 5);
  EXPECT_EQ(box.top(), panel.PlotRect().top() + 5);
  // A curve across the top sends it to the free bottom right.
  TSelectorChart crossing = SampleChart();
  crossing.Lines[0].Points = {{0, 900}, {4, 900}};
  DrawSelectorChart(panel, crossing);
  EXPECT_EQ(panel.LegendRect().right(), panel.PlotRect().right() - 5);
  EXPECT_EQ(panel.LegendRect().bottom(), panel.PlotRect().bottom() - 5);
  // Framed in grey, the text on the window colour, and the sample of the
  // operating curve in its blue.
  EXPECT_EQ(PixelBgr(shown, box.left(), box.top()), 0x808080u);
  EXPECT_GT(test::DarkPixels(shown, box.adjusted(30, 2, -2, -2)), 50);
  EXPECT_EQ(test::DarkPixels(hidden, box.adjusted(30, 2, -2, -2)), 0);
  int blue = 0;
  for (int y = box.top(); y <= box.bottom(); ++y)
    if (PixelBgr(shown, box.left() + 10, y) == 0xFF0000u) ++blue;
  EXPECT_EQ(blue, 2);  // the operating curve's sample, two rows
  // Without the legend nothing else changes.
  TChartPicture plain;
  plain.SetBevelOuter(bvNone);
  plain.SetPictureSize(QSize(640, 480));
  ApplySelectorChartDesign(plain);
  plain.SetShowLegend(false);
  DrawSelectorChart(plain, SampleChart());
  EXPECT_TRUE(plain.LegendRect().isEmpty());
  EXPECT_EQ(plain.Picture(), hidden);
}

TEST(SelectorChartViewTest, ShownRangeRoundsOtherUnitsOutToTheirTicks) {
  struct Case {
    const char* name;
    double lo, hi, factor, offset;
    double shownLo, shownHi;
  };
  const Case cases[] = {
      {"SI unchanged", 0.25, 4.25, 1, 0, 0.25, 4.25},
      {"m³/s in cfm", 0.25, 4.25, 2118.8799727597, 0, 0, 10000},
      {"Pa in kPa, a larger step after rounding", 125, 1125, 0.001, 0, 0, 1.5},
      {"m³/s in m³/h", 0.5, 2.0, 3600, 0, 1500, 7500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    double lo = 0, hi = 0;
    ShownRange(c.lo, c.hi, TAxisUnits{c.factor, c.offset, QString()}, 6, lo, hi);
    EXPECT_NEAR(lo, c.shownLo, 1e-9 * std::max(1.0, std::abs(c.shownHi)));
    EXPECT_NEAR(hi, c.shownHi, 1e-9 * std::max(1.0, std::abs(c.shownHi)));
  }
}

TEST(SelectorChartViewTest, ChartInOtherUnitsConvertsEveryItem) {
  TChartPicture panel;
  ApplySelectorChartDesign(panel);
  TSelectorChartUnits units;
  units.Flow = {3600, 0, QStringLiteral("m³/h")};
  units.Pressure = {0.001, 0, QStringLiteral("kPa")};
  const TSelectorChart chart = SampleChart();
  DrawSelectorChart(panel, chart, units);
  EXPECT_EQ(panel.ScaleXLabel(), QStringLiteral("Airflow [m³/h]"));
  EXPECT_EQ(panel.ScaleYLabel(), QStringLiteral("Static pressure [kPa]"));
  EXPECT_DOUBLE_EQ(panel.XMin(), 0);
  EXPECT_DOUBLE_EQ(panel.XMax(), 15000);
  EXPECT_DOUBLE_EQ(panel.YMax(), 1);
  EXPECT_DOUBLE_EQ(panel.Points()[0]->X, 2.5 * 3600);
  EXPECT_DOUBLE_EQ(panel.Points()[0]->Y, 0.3125);
  EXPECT_DOUBLE_EQ(panel.Lines()[3]->Points[1]->X, 0.2 * 3600);

  // SI draws exactly as before the units existed.
  TChartPicture si, plainSi;
  for (TChartPicture* p : {&si, &plainSi}) {
    p->SetPictureSize(QSize(500, 400));
    ApplySelectorChartDesign(*p);
  }
  DrawSelectorChart(si, chart, TSelectorChartUnits());
  DrawSelectorChart(plainSi, chart);
  EXPECT_EQ(si.Image(), plainSi.Image());
  EXPECT_EQ(si.ScaleXLabel(), QStringLiteral("Airflow [m³/s]"));
}

// A duty point on the window's corner is drawn inside the frame: the drawn
// window gets a margin, the chart's own window (what the command line
// prints) stays; curves reaching past the window are cut at its edge.
TEST(SelectorChartViewTest, MarkersOnTheEdgeAreDrawnInsideAndCurvesAreClipped) {
  TChartPicture panel;
  panel.SetPictureSize(QSize(640, 480));
  ApplySelectorChartDesign(panel);
  EXPECT_TRUE(panel.RoundTicks());
  TSelectorChart chart = SampleChart();
  chart.Duty.X = 4;
  chart.Duty.Y = 1000;
  chart.Operating.reset();
  TSelectorChartLine system;
  system.Kind = scSystem;
  for (int i = 0; i <= 20; ++i) system.Points.push_back({0.25 * i, 62.5 * 0.0625 * i * i});  // to (5, 1562.5)
  chart.Lines.back() = system;
  const TSelectorChart before = chart;
  DrawSelectorChart(panel, chart);
  EXPECT_EQ(chart.XMax, before.XMax);
  EXPECT_GT(panel.XMax(), 4.1);
  EXPECT_GT(panel.YMax(), 1025);
  EXPECT_EQ(panel.XMin(), 0);  // not widened below zero
  EXPECT_EQ(panel.YMin(), 0);
  EXPECT_TRUE(panel.IsInWindow(4, 1000));
  for (const auto& line : panel.Lines())
    for (const auto& vertex : line->Points) {
      EXPECT_LE(vertex->X, panel.XMax() * (1 + 1e-12));
      EXPECT_LE(vertex->Y, panel.YMax() * (1 + 1e-12));
    }
  // The system curve ends exactly on the top edge.
  EXPECT_NEAR(panel.Lines().back()->Points.back()->Y, panel.YMax(), 1e-9);
}

}  // namespace
}  // namespace blowden
