#include <gtest/gtest.h>

#include "ChartTestHelpers.h"
#include "charts/QmChartPanel.h"
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

}  // namespace
}  // namespace blowden
