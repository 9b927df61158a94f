#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "ChartTestHelpers.h"
#include "charts/widgets/QmGraphPanel.h"

namespace blowden {
namespace {

using test::DarkPixels;
using test::PixelBgr;

constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Grey = 0x808080;
constexpr unsigned Red = 0x0000FF;
constexpr unsigned Blue = 0xFF0000;
constexpr unsigned GridLine = 0xEBE2E0;  // RGB(224, 226, 235)

// A 250 x 200 panel with limits 0 .. 10: plot area (40, 25) .. (230, 160),
// 19 pixels per x unit and 13.5 per y unit; grey background, white fill.
class GraphPanelTest : public testing::Test {
 protected:
  void SetUp() override {
    panel.resize(250, 200);
    panel.SetColor(Grey);
    panel.SetGridColor(White);
    panel.SetAxesColor(0x000000);
  }
  const QImage& Paint(std::function<void(TGraphPanel*)> content = {}) {
    panel.OnPaint = std::move(content);
    panel.Paint();
    return panel.Image();
  }

  TGraphPanel panel;
};

TEST_F(GraphPanelTest, Defaults) {
  TGraphPanel fresh;
  EXPECT_EQ(fresh.size(), QSize(250, 200));
  EXPECT_EQ(fresh.LeftMargin(), 40);
  EXPECT_EQ(fresh.RightMargin(), 20);
  EXPECT_EQ(fresh.TopMargin(), 25);
  EXPECT_EQ(fresh.BottomMargin(), 40);
  EXPECT_EQ(fresh.XMin(), 0);
  EXPECT_EQ(fresh.XMax(), 10);
  EXPECT_EQ(fresh.YMin(), 0);
  EXPECT_EQ(fresh.YMax(), 10);
  EXPECT_EQ(fresh.ScaleXTicks(), 6);
  EXPECT_EQ(fresh.ScaleYTicks(), 6);
  EXPECT_EQ(fresh.AxisType(), xtQuad1);
  EXPECT_EQ(fresh.PlotMode(), pmLineMode);
  EXPECT_TRUE(fresh.ShowXScale());
  EXPECT_TRUE(fresh.ShowYScale());
  EXPECT_FALSE(fresh.HasCross());
  EXPECT_FALSE(fresh.NewLine);
  EXPECT_FALSE(fresh.RestoreBackground);
}

TEST_F(GraphPanelTest, TickCountsBelowTwoAreStoredAsTwo) {
  panel.SetScaleXTicks(1);
  panel.SetScaleYTicks(-3);
  EXPECT_EQ(panel.ScaleXTicks(), 2);
  EXPECT_EQ(panel.ScaleYTicks(), 2);
}

TEST_F(GraphPanelTest, DefaultGridHasSixLinesEachWayAndAxesOnTheLeftAndBottom) {
  const QImage& image = Paint();
  EXPECT_EQ(panel.PlotRect(), QRect(QPoint(40, 25), QPoint(230, 160)));
  // Vertical grid lines at 40 + round(i * 38); between them the white fill.
  for (int x : {78, 116, 154, 192}) {
    SCOPED_TRACE(x);
    EXPECT_EQ(PixelBgr(image, x, 120), GridLine);
    EXPECT_EQ(PixelBgr(image, x + 1, 120), White);
  }
  // Horizontal grid lines at 25 + round(i * 27).
  for (int y : {25, 52, 79, 106, 133}) {
    SCOPED_TRACE(y);
    EXPECT_EQ(PixelBgr(image, 100, y), GridLine);
  }
  EXPECT_EQ(PixelBgr(image, 40, 100), 0x000000u);   // y axis
  EXPECT_EQ(PixelBgr(image, 100, 160), 0x000000u);  // x axis
  EXPECT_EQ(PixelBgr(image, 40, 24), Grey);         // the axis starts at the plot top
  // A label below every x tick and beside every y tick.
  for (int x : {40, 78, 116, 154, 192, 230}) {
    SCOPED_TRACE(x);
    EXPECT_GT(DarkPixels(image, QRect(x - 12, 163, 24, 14)), 3);
  }
  for (int y : {25, 52, 79, 106, 133, 160}) {
    SCOPED_TRACE(y);
    EXPECT_GT(DarkPixels(image, QRect(10, y - 7, 29, 14)), 3);
  }
}

TEST_F(GraphPanelTest, TitleIsTheCaptionAtTheTopAndTheAccessibleName) {
  EXPECT_EQ(DarkPixels(Paint(), QRect(0, 3, 250, 18)), 0);
  panel.SetCaption(QStringLiteral("Static Pressure"));
  EXPECT_GT(DarkPixels(Paint(), QRect(0, 3, 250, 18)), 20);
  EXPECT_EQ(panel.accessibleName(), QStringLiteral("Static Pressure"));
  panel.setObjectName(QStringLiteral("GraphPanel1"));
  EXPECT_EQ(panel.accessibleDescription(), QStringLiteral("GraphPanel1"));
}

TEST_F(GraphPanelTest, ScaleLabelsUnderTheTicksAndUpwardsAtTheLeft) {
  // The y tick labels start about 26 pixels left of the plot, the x tick
  // labels end about 20 pixels below it.
  const QRect leftStrip(0, 40, 11, 120), bottomStrip(60, 182, 130, 18);
  EXPECT_EQ(DarkPixels(Paint(), leftStrip), 0);
  EXPECT_EQ(DarkPixels(Paint(), bottomStrip), 0);
  panel.SetScaleYLabel(QStringLiteral("Pressure [Pa]"));
  panel.SetScaleXLabel(QStringLiteral("Flow [m3/s]"));
  const QImage& image = Paint();
  EXPECT_GT(DarkPixels(image, leftStrip), 20);    // rotated, at x = 1
  EXPECT_GT(DarkPixels(image, bottomStrip), 20);  // centred near the bottom
}

TEST_F(GraphPanelTest, MarkerWithoutPictureIsOnePixelInTheBackgroundColour) {
  const QImage& image = Paint([](TGraphPanel* p) { p->PlotMarker(5, 5); });
  EXPECT_EQ(PixelBgr(image, 135, 93), Grey);  // (40 + 95, 160 - 67)
  EXPECT_EQ(PixelBgr(image, 136, 93), White);
  EXPECT_EQ(PixelBgr(image, 135, 92), White);
}

TEST_F(GraphPanelTest, MarkerOnTheLimitIsDrawnAndBeyondItIsNot) {
  const QImage& beyond = Paint([](TGraphPanel* p) {
    p->PlotMarker(10.01, 5);
    p->PlotMarker(5, -0.01);
  });
  EXPECT_EQ(PixelBgr(beyond, 230, 93), GridLine);
  EXPECT_EQ(PixelBgr(beyond, 135, 160), 0x000000u);
  const QImage& onLimit = Paint([](TGraphPanel* p) { p->PlotMarker(10, 5); });
  EXPECT_EQ(PixelBgr(onLimit, 230, 93), Grey);
}

TEST_F(GraphPanelTest, EqualLimitsPaintAndMapToThePlotEdge) {
  panel.SetLimits(false, 5, 5, 0, 10);
  const QImage& image = Paint([](TGraphPanel* p) { p->PlotMarker(5, 5); });
  EXPECT_DOUBLE_EQ(panel.XScale(), 190.0);
  EXPECT_EQ(PixelBgr(image, 40, 93), Grey);
}

TEST_F(GraphPanelTest, PictureMarkerIsCentredTransparentAndMovable) {
  // 5 x 5: magenta corners (transparent, named by the bottom-left pixel)
  // around a blue 3 x 3 centre.
  QImage cross(5, 5, QImage::Format_RGB32);
  cross.fill(QColor(255, 0, 255));
  QPainter(&cross).fillRect(1, 1, 3, 3, QColor(0, 0, 255));
  panel.SetCross(cross);
  ASSERT_TRUE(panel.HasCross());

  const QImage& one = Paint([](TGraphPanel* p) { p->PlotMarker(5, 5); });
  EXPECT_EQ(PixelBgr(one, 135, 93), Blue);
  EXPECT_EQ(PixelBgr(one, 134, 92), Blue);
  EXPECT_EQ(PixelBgr(one, 133, 91), White);  // transparent corner
  EXPECT_EQ(PixelBgr(one, 137, 93), White);  // transparent edge
  EXPECT_TRUE(panel.RestoreBackground);

  // A second marker with RestoreBackground set puts the first one's
  // background back; with it cleared both stay.
  const QImage& moved = Paint([](TGraphPanel* p) {
    p->PlotMarker(5, 5);
    p->PlotMarker(3, 3);  // (97, 120)
  });
  EXPECT_EQ(PixelBgr(moved, 135, 93), White);
  EXPECT_EQ(PixelBgr(moved, 97, 120), Blue);
  const QImage& both = Paint([](TGraphPanel* p) {
    p->PlotMarker(5, 5);
    p->RestoreBackground = false;
    p->PlotMarker(3, 3);
  });
  EXPECT_EQ(PixelBgr(both, 135, 93), Blue);
  EXPECT_EQ(PixelBgr(both, 97, 120), Blue);
}

TEST_F(GraphPanelTest, EveryPaintClearsRestoreBackgroundButNotNewLine) {
  panel.RestoreBackground = true;
  panel.NewLine = true;
  Paint();
  EXPECT_FALSE(panel.RestoreBackground);
  EXPECT_TRUE(panel.NewLine);
}

TEST_F(GraphPanelTest, ReadingCrossCreatesAnEmptyPicture) {
  EXPECT_FALSE(panel.HasCross());
  EXPECT_TRUE(panel.Cross().isNull());
  EXPECT_TRUE(panel.HasCross());
  // An empty picture draws nothing, not even the background pixel.
  const QImage& image = Paint([](TGraphPanel* p) { p->PlotMarker(5, 5); });
  EXPECT_EQ(PixelBgr(image, 135, 93), White);
}

TEST_F(GraphPanelTest, LineModeJoinsAcrossPointsOutsideTheLimits) {
  const QImage& image = Paint([](TGraphPanel* p) {
    p->NewLine = true;
    p->PlotTo(Red, 1, 1);   // (59, 147)
    p->PlotTo(Red, 5, 20);  // outside: skipped
    p->PlotTo(Red, 9, 1);   // (211, 147)
  });
  EXPECT_EQ(PixelBgr(image, 59, 147), Red);
  EXPECT_EQ(PixelBgr(image, 135, 147), Red);
  EXPECT_EQ(PixelBgr(image, 210, 147), Red);
  EXPECT_EQ(PixelBgr(image, 211, 147), White);                                // the end pixel is not painted
  EXPECT_EQ(test::PixelsOtherThan(image, QRect(41, 107, 37, 26), White), 0);  // no detour upwards
}

TEST_F(GraphPanelTest, NewLineStartsASeparateCurve) {
  const QImage& image = Paint([](TGraphPanel* p) {
    p->NewLine = true;
    p->PlotTo(Red, 1, 1);
    p->PlotTo(Red, 3, 1);  // (97, 147)
    p->NewLine = true;
    p->PlotTo(Red, 7, 1);  // (173, 147)
    p->PlotTo(Red, 9, 1);
  });
  EXPECT_EQ(PixelBgr(image, 96, 147), Red);
  EXPECT_EQ(PixelBgr(image, 135, 147), White);
  EXPECT_EQ(PixelBgr(image, 173, 147), Red);
  EXPECT_FALSE(panel.NewLine);
}

TEST_F(GraphPanelTest, DotAndBarModes) {
  panel.SetPlotMode(pmDotMode);
  const QImage& dots = Paint([](TGraphPanel* p) {
    p->PlotTo(Red, 1, 1);
    p->PlotTo(Red, 5, 1);
  });
  EXPECT_EQ(PixelBgr(dots, 59, 147), Red);
  EXPECT_EQ(PixelBgr(dots, 135, 147), Red);
  EXPECT_EQ(PixelBgr(dots, 100, 147), White);

  panel.SetPlotMode(pmBarMode);
  const QImage& bars = Paint([](TGraphPanel* p) { p->PlotTo(Red, 5, 5); });
  EXPECT_EQ(PixelBgr(bars, 135, 93), Red);
  EXPECT_EQ(PixelBgr(bars, 135, 159), Red);
  EXPECT_EQ(PixelBgr(bars, 135, 160), 0x000000u);  // the foot on the axis stays
  EXPECT_EQ(PixelBgr(bars, 135, 92), White);
}

TEST_F(GraphPanelTest, OnPaintRunsAfterTheFrameWithThePanel) {
  TGraphPanel* sender = nullptr;
  const QImage& image = Paint([&](TGraphPanel* p) {
    sender = p;
    p->SetPlotMode(pmDotMode);
    p->PlotTo(Red, 0, 5);  // on the y axis
  });
  EXPECT_EQ(sender, &panel);
  EXPECT_EQ(PixelBgr(image, 40, 93), Red);
}

TEST_F(GraphPanelTest, DrawingOutsideAPaintGoesIntoTheImage) {
  Paint();
  panel.SetPlotMode(pmDotMode);
  panel.PlotTo(Red, 5, 5);
  EXPECT_EQ(PixelBgr(panel.Image(), 135, 93), Red);
}

TEST_F(GraphPanelTest, TheScreenShowsTheImageOfAFreshPaint) {
  panel.OnPaint = [](TGraphPanel* p) {
    p->SetPlotMode(pmDotMode);
    p->PlotTo(Red, 5, 5);
  };
  const QImage shown = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(250, 200));
  EXPECT_EQ(PixelBgr(shown, 135, 93), Red);
  EXPECT_EQ(PixelBgr(shown, 78, 120), GridLine);
}

TEST_F(GraphPanelTest, PixelToValueInvertsTheMapping) {
  Paint();
  double x = 0, y = 0;
  panel.PixelToValue(135, 93, x, y);
  EXPECT_NEAR(x, 5.0, 1e-12);
  EXPECT_NEAR(y, 67.0 / 13.5, 1e-12);
}

}  // namespace
}  // namespace blowden
