#include <gtest/gtest.h>

#include <cmath>

#include "ChartTestHelpers.h"
#include "charts/ChartPicture.h"

namespace blowden {
namespace {

using test::DarkPixels;
using test::PixelBgr;
using test::PixelsOtherThan;

constexpr unsigned Cream = 0xF4FDFF;  // the selector's plot fill
constexpr unsigned White = 0xFFFFFF;
constexpr unsigned Blue = 0xFF0000;
constexpr unsigned Green = 0x008000;

// A 260 x 165 picture without bevel, window 0 .. 100 on both axes: plot from
// (40, 25) to (240, 125), 2 pixels per x unit and 1 per y unit; ticks every
// 20 units at x = 40, 80, ..., 240 and y = 125, 105, ..., 25.
class ChartPictureTest : public testing::Test {
 protected:
  void SetUp() override {
    chart.SetBevelOuter(bvNone);
    chart.SetColor(White);
    chart.SetAxesColor(0x000000);
    chart.SetScale(0, 100, 0, 100);
    chart.SetPictureSize(QSize(260, 165));
    chart.SetGridColor(Cream);
  }
  const QImage& Draw() {
    chart.Redraw();
    return chart.Image();
  }

  TChartPicture chart;
};

TEST(ChartPictureDefaults, AsConstructed) {
  TChartPicture chart;
  EXPECT_EQ(chart.XMin(), 1);
  EXPECT_EQ(chart.XMax(), 10);
  EXPECT_EQ(chart.YMin(), 1);
  EXPECT_EQ(chart.YMax(), 10);
  EXPECT_EQ(chart.GridColor(), 0xFFFFFFu);
  EXPECT_EQ(chart.LeftMargin(), 40);
  EXPECT_EQ(chart.RightMargin(), 20);
  EXPECT_EQ(chart.TopMargin(), 25);
  EXPECT_EQ(chart.BottomMargin(), 40);
  EXPECT_EQ(chart.TitleAlignment(), taCenter);
  EXPECT_TRUE(chart.ShowXYPos());
  EXPECT_EQ(chart.ShowXYPosPlace(), ppBottomLeft);
  EXPECT_TRUE(chart.ShowXPosFmt().isEmpty());
  EXPECT_TRUE(chart.ShowXScale());
  EXPECT_TRUE(chart.ShowYScale());
  EXPECT_EQ(chart.ScaleXTicks(), 6);
  EXPECT_EQ(chart.ScaleYTicks(), 6);
  EXPECT_EQ(chart.AxisType(), xtQuad1);
  EXPECT_EQ(chart.ScaleType(), stXY);
  EXPECT_EQ(chart.BevelOuter(), bvLowered);
}

TEST_F(ChartPictureTest, SetScaleWidensEmptyRanges) {
  struct Case {
    const char* name;
    double min, max;
    double wantMin, wantMax;
  } cases[] = {
      {"zero", 0, 0, 0, 1},
      {"two", 2, 2, 1, 3},
      {"negative keeps min below max", -2, -2, -3, -1},
      {"a real range stays", 3, 7, 3, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    chart.SetScale(c.min, c.max, c.min, c.max);
    EXPECT_DOUBLE_EQ(chart.XMin(), c.wantMin);
    EXPECT_DOUBLE_EQ(chart.XMax(), c.wantMax);
    EXPECT_DOUBLE_EQ(chart.YMin(), c.wantMin);
    EXPECT_DOUBLE_EQ(chart.YMax(), c.wantMax);
  }
  chart.SetScale(2, 2, 0, 0);
  EXPECT_DOUBLE_EQ(chart.XMin(), 1);
  EXPECT_DOUBLE_EQ(chart.XMax(), 3);
  EXPECT_DOUBLE_EQ(chart.YMin(), 0);
  EXPECT_DOUBLE_EQ(chart.YMax(), 1);
}

TEST_F(ChartPictureTest, TickCountsBelowTwoAreStoredAsTwo) {
  chart.SetScaleXTicks(1);
  chart.SetScaleYTicks(0);
  EXPECT_EQ(chart.ScaleXTicks(), 2);
  EXPECT_EQ(chart.ScaleYTicks(), 2);
}

TEST_F(ChartPictureTest, LogarithmicAxesKeepTheWindowTransformed) {
  chart.SetScaleType(stlnXY);
  EXPECT_NEAR(chart.XMax(), 100, 1e-9);  // the values survive the change of type
  chart.SetXMin(0);                      // log of a value <= 0 uses 0.01
  EXPECT_NEAR(chart.XMin(), 0.01, 1e-12);
  chart.SetXRange(1, 100);
  Draw();
  EXPECT_EQ(chart.DataToPixel(10, 50).x(), 140);  // halfway in decades
  EXPECT_NEAR(chart.PixelToData(140, 75).x(), 10, 1e-9);
  EXPECT_EQ(chart.DataToPixel(-5, 50).x(), chart.DataToPixel(0.01, 50).x());
  chart.SetScaleType(stXY);
  EXPECT_NEAR(chart.XMin(), 1, 1e-9);
  EXPECT_NEAR(chart.XMax(), 100, 1e-9);
}

TEST_F(ChartPictureTest, MappingBetweenDataAndPixels) {
  Draw();
  EXPECT_EQ(chart.PlotRect(), QRect(QPoint(40, 25), QPoint(240, 125)));
  EXPECT_EQ(chart.DataToPixel(0, 0), QPoint(40, 125));
  EXPECT_EQ(chart.DataToPixel(100, 100), QPoint(240, 25));
  EXPECT_EQ(chart.DataToPixel(10.9, 30.9), QPoint(61, 95));     // truncated
  EXPECT_EQ(chart.DataToPixel(1e300, -1e300).x() > 240, true);  // far away stays finite
  const QPointF data = chart.PixelToData(61, 95);
  EXPECT_DOUBLE_EQ(data.x(), 10.5);
  EXPECT_DOUBLE_EQ(data.y(), 30);
  EXPECT_TRUE(chart.IsInWindow(0, 100));
  EXPECT_FALSE(chart.IsInWindow(-0.001, 50));
  EXPECT_TRUE(chart.IsPixelInPlot(240, 125));
  EXPECT_FALSE(chart.IsPixelInPlot(241, 125));
}

TEST_F(ChartPictureTest, GridLinesShowAsE0E0E0OnTheSelectorFill) {
  const QImage& image = Draw();
  for (int x : {80, 120, 160, 200}) {
    SCOPED_TRACE(x);
    EXPECT_EQ(PixelBgr(image, x, 50), 0xE0E0E0u);
    EXPECT_EQ(PixelBgr(image, x + 1, 50), Cream);
  }
  for (int y : {45, 65, 85, 105}) {
    SCOPED_TRACE(y);
    EXPECT_EQ(PixelBgr(image, 100, y), 0xE0E0E0u);
  }
  // The vertical lines stop short of their end pixel on the top row, which
  // the top horizontal line then paints once; where two lines cross, the
  // pixel is painted twice and shows the fill again.
  EXPECT_EQ(PixelBgr(image, 80, 26), 0xE0E0E0u);
  EXPECT_EQ(PixelBgr(image, 80, 25), 0xE0E0E0u);
  EXPECT_EQ(PixelBgr(image, 80, 105), Cream);
  // The black axis not-xor the first grid line: the complement of $E0E0E0.
  EXPECT_EQ(PixelBgr(image, 40, 60), 0x1F1F1Fu);
  // The bottom row lies outside the fill: the first grid line shows there in
  // its own colour on the white margin, and the axis over it as its complement.
  EXPECT_EQ(PixelBgr(image, 100, 125), 0xEBE2E0u ^ 0xFFFFFFu);
}

TEST_F(ChartPictureTest, TickLabelsUnderAndBesideEveryTick) {
  const QImage& image = Draw();
  for (int x : {40, 80, 120, 160, 200, 240}) {
    SCOPED_TRACE(x);
    EXPECT_GT(DarkPixels(image, QRect(x - 12, 128, 24, 14)), 3);
  }
  for (int y : {25, 45, 65, 85, 105, 125}) {
    SCOPED_TRACE(y);
    EXPECT_GT(DarkPixels(image, QRect(10, y - 6, 25, 12)), 3);
  }
}

TEST_F(ChartPictureTest, ScaleWithAnEmptyWindowIsNotDrawnOnlyOnThatAxis) {
  chart.SetScaleXLabel(QStringLiteral("Airflow"));
  chart.SetScaleYLabel(QStringLiteral("Pressure"));
  chart.SetXRange(50, 40);  // lo >= hi
  const QImage& image = Draw();
  // No vertical grid line anywhere in the plot, no x labels or caption.
  EXPECT_EQ(PixelsOtherThan(image, QRect(41, 50, 199, 1), Cream), 0);
  EXPECT_EQ(DarkPixels(image, QRect(0, 133, 260, 32)), 0);
  // The y scale is unaffected.
  EXPECT_EQ(PixelBgr(image, 100, 105), 0xE0E0E0u);
  EXPECT_GT(DarkPixels(image, QRect(10, 99, 25, 12)), 3);
  EXPECT_GT(DarkPixels(image, QRect(0, 30, 12, 100)), 10);
}

TEST_F(ChartPictureTest, EncodedLineShowsItsColourAndDrawnTwiceLeavesTheFill) {
  TChartLine& line = chart.AddLine(Blue, 0);
  EXPECT_EQ(line.Color, 0xF40200u);
  line.AddPoint(10, 30);  // (60, 95)
  line.AddPoint(90, 30);  // (220, 95)
  const QImage& once = Draw();
  EXPECT_EQ(PixelBgr(once, 60, 95), Blue);
  EXPECT_EQ(PixelBgr(once, 100, 95), Blue);
  EXPECT_EQ(PixelBgr(once, 219, 95), Blue);
  EXPECT_EQ(PixelBgr(once, 220, 95), Cream);  // the end pixel is not painted

  TChartLine& again = chart.AddLine(Blue, 0);
  again.AddPoint(10, 30);
  again.AddPoint(90, 30);
  const QImage& twice = Draw();
  EXPECT_EQ(PixelsOtherThan(twice, QRect(41, 95, 199, 1), Cream),
            PixelsOtherThan(twice, QRect(41, 96, 199, 1), Cream));  // only the grid remains
  EXPECT_EQ(PixelBgr(twice, 100, 95), Cream);
}

TEST_F(ChartPictureTest, EncodingUsesTheGridColourAtTheTimeOfStoring) {
  TChartLine& before = chart.AddLine(Blue, 0);
  chart.SetGridColor(White);
  TChartLine& after = chart.AddLine(Blue, 0);
  EXPECT_EQ(before.Color, 0xF40200u);
  EXPECT_EQ(after.Color, 0xFF0000u);
}

TEST_F(ChartPictureTest, PolylineJoinsArePaintedOnce) {
  TChartLine& line = chart.AddLine(Blue, 0);
  line.AddPoint(10, 30);  // (60, 95)
  line.AddPoint(50, 30);  // (140, 95)
  line.AddPoint(50, 10);  // (140, 115)
  const QImage& image = Draw();
  EXPECT_EQ(PixelBgr(image, 140, 95), Blue);  // the joint
  EXPECT_EQ(PixelBgr(image, 140, 110), Blue);
  EXPECT_EQ(PixelBgr(image, 140, 115), Cream);  // the last end pixel
}

TEST_F(ChartPictureTest, SegmentsWithOneEndOutsideAreDrawnWholeAndOthersSkipped) {
  const unsigned encodedOnWhite = 0xF40200;  // the encoded colour not-xor the white margin
  TChartLine& line = chart.AddLine(Blue, 0);
  line.AddPoint(10, 50);   // (60, 75)   inside
  line.AddPoint(50, 110);  // (140, 15)  outside, above
  line.AddPoint(70, 115);  // (180, 10)  outside
  line.AddPoint(90, 50);   // (220, 75)  inside again
  TChartLine& away = chart.AddLine(Blue, 0);
  away.AddPoint(-10, 110);  // (20, 15)
  away.AddPoint(-5, 120);   // (30, 5)
  const QImage& image = Draw();
  // The way out is drawn into the margin, up to its end pixel.
  EXPECT_GT(PixelsOtherThan(image, QRect(125, 16, 14, 8), White), 3);
  EXPECT_EQ(PixelBgr(image, 140, 15), White);
  // Outside to outside: skipped.
  EXPECT_EQ(PixelsOtherThan(image, QRect(145, 8, 30, 8), White), 0);
  EXPECT_EQ(PixelsOtherThan(image, QRect(15, 0, 20, 16), White), 0);
  // The way back starts exactly at the outside vertex.
  EXPECT_EQ(PixelBgr(image, 180, 10), encodedOnWhite);
  EXPECT_EQ(PixelBgr(image, 60, 75), Blue);
}

TEST_F(ChartPictureTest, PointsOutsideTheWindowAreNotDrawn) {
  TChartLine& line = chart.AddLine(Blue, 3, QString(), 6);
  line.AddPoint(50, 50);                 // (140, 75)
  line.AddPoint(50, 105);                // (140, 20): outside the window, its segment is drawn
  chart.AddPoint(Green, 2, 110, 50, 6);  // (260, 75): outside
  const QImage& image = Draw();
  EXPECT_EQ(PixelBgr(image, 137, 75), Blue);       // the vertex inside has its marker
  EXPECT_EQ(PixelBgr(image, 137, 20), White);      // the one outside has none
  EXPECT_EQ(PixelBgr(image, 140, 22), 0xF40200u);  // but the segment reaches it
  EXPECT_EQ(PixelsOtherThan(image, QRect(248, 60, 12, 30), White), 0);
}

TEST_F(ChartPictureTest, CircleMarkerIsSymmetricWithOutlineAndFill) {
  TChartPoint& point = chart.AddPoint(Green, 2, 50, 50, 6);  // (140, 75), radius 3
  point.SetStyle(Green, White, psSolid, 2, true);
  const QImage& image = Draw();
  struct Case {
    int dx, dy;
    unsigned color;
  } cases[] = {
      {0, 0, White}, {1, 0, White}, {0, 1, White}, {1, 1, White}, {2, 0, Green},
      {3, 0, Green}, {4, 0, Cream}, {0, 3, Green}, {0, 4, Cream}, {2, 2, Green},
      {1, 3, Green}, {2, 3, Cream}, {3, 3, Cream}, {3, 1, Green}, {3, 2, Cream},
  };
  for (const Case& c : cases)
    for (int sx : {-1, 1})
      for (int sy : {-1, 1}) {
        SCOPED_TRACE(testing::Message() << "dx " << sx * c.dx << " dy " << sy * c.dy);
        EXPECT_EQ(PixelBgr(image, 140 + sx * c.dx, 75 + sy * c.dy), c.color);
      }
}

TEST_F(ChartPictureTest, SquareMarkerHasAOnePixelOutline) {
  TChartPoint& point = chart.AddPoint(Blue, 3, 50, 50, 6);
  point.SetStyle(Blue, White, psSolid, 1, true);
  const QImage& image = Draw();
  EXPECT_EQ(PixelBgr(image, 137, 72), Blue);
  EXPECT_EQ(PixelBgr(image, 143, 78), Blue);
  EXPECT_EQ(PixelBgr(image, 138, 73), White);
  EXPECT_EQ(PixelBgr(image, 142, 77), White);
  EXPECT_EQ(PixelBgr(image, 144, 75), Cream);
  EXPECT_EQ(PixelBgr(image, 136, 75), Cream);
}

TEST_F(ChartPictureTest, ClearThenRedrawLeavesOnlyTheFrame) {
  TChartPicture empty;
  empty.SetBevelOuter(bvNone);
  empty.SetColor(White);
  empty.SetAxesColor(0x000000);
  empty.SetScale(0, 100, 0, 100);
  empty.SetPictureSize(QSize(260, 165));
  empty.SetGridColor(Cream);
  const QImage frame = empty.Image();

  TChartLine& line = chart.AddLine(Blue, 2, QString(), 6);
  line.AddPoint(10, 10);
  line.AddPoint(90, 90);
  chart.AddPoint(Green, 3, 50, 20, 6);
  Draw();
  chart.Clear();
  EXPECT_TRUE(chart.Lines().empty());
  EXPECT_TRUE(chart.Points().empty());
  const QImage& cleared = Draw();
  const QRect plot(40, 25, 201, 101);
  int differing = 0;
  for (int y = plot.top(); y <= plot.bottom(); ++y)
    for (int x = plot.left(); x <= plot.right(); ++x)
      if (cleared.pixel(x, y) != frame.pixel(x, y)) ++differing;
  EXPECT_EQ(differing, 0);
}

TEST_F(ChartPictureTest, OnlyPointsWithMarkersAreMovable) {
  EXPECT_FALSE(chart.AddPoint(Blue, 0, 1, 1, 6).Movable);
  EXPECT_TRUE(chart.AddPoint(Blue, 2, 1, 1, 6).Movable);
  EXPECT_TRUE(chart.AddPoint(Blue, 3, 1, 1, 6).Movable);
  EXPECT_FALSE(chart.AddLine(Blue, 0).AddPoint(1, 1).Movable);
  EXPECT_TRUE(chart.AddLine(Blue, 3).AddPoint(1, 1).Movable);
  const TChartPoint& free = *chart.Points()[1];
  EXPECT_EQ(free.PenWidth, 2);
  EXPECT_EQ(free.PenStyle, psSolid);
  EXPECT_EQ(free.PenColor, 0xF40200u);
  EXPECT_EQ(free.BrushColor, 0xF40200u);
}

TEST_F(ChartPictureTest, LineStylesReachTheirVertices) {
  TChartLine& line = chart.AddLine(Blue, 2, QString(), 4);
  TChartPoint& first = line.AddPoint(1, 1);
  line.SetMarkerStyle(Green, White, 3, psDot);
  TChartPoint& second = line.AddPoint(2, 2);
  for (const TChartPoint* p : {&first, &second}) {
    EXPECT_EQ(p->PenColor, Green ^ Cream ^ 0xFFFFFFu);
    EXPECT_EQ(p->BrushColor, White ^ Cream ^ 0xFFFFFFu);
    EXPECT_EQ(p->HiPenColor, p->PenColor);
    EXPECT_EQ(p->PenWidth, 3);
    EXPECT_EQ(p->PenStyle, psDot);
    EXPECT_EQ(p->Size, 4);
  }
  line.SetPen(psDash, 2);
  EXPECT_EQ(line.PenWidth, 2);
  EXPECT_EQ(first.PenStyle, psDash);
  EXPECT_EQ(second.PenWidth, 2);
  second.SetStyle(0x123456, 0x654321, psSolid, 1, false);
  EXPECT_EQ(second.PenColor, 0x123456u);
  EXPECT_EQ(second.HiBrushColor, 0x654321u);
}

TEST_F(ChartPictureTest, WideSegmentsAfterTheFirstStartHalfAPenAlong) {
  TChartLine& line = chart.AddLine(Blue, 0);
  line.SetPen(psSolid, 4);
  line.AddPoint(10, 50);  // (60, 75)
  line.AddPoint(30, 50);  // (100, 75)
  line.AddPoint(50, 50);  // (140, 75): the second segment starts at (102, 75)
  const QImage& image = Draw();
  EXPECT_EQ(PixelBgr(image, 70, 75), Blue);
  EXPECT_EQ(PixelBgr(image, 110, 75), Blue);
  int width = 0;
  for (int y = 68; y <= 82; ++y) width += PixelBgr(image, 110, y) == Blue;
  EXPECT_EQ(width, 4);
  EXPECT_EQ(PixelBgr(image, 141, 75), Cream);
}

TEST_F(ChartPictureTest, PictureIsTheInnerArea) {
  chart.SetBevelOuter(bvLowered);
  Draw();
  EXPECT_EQ(chart.InnerSize(), QSize(259, 164));
  EXPECT_EQ(chart.Picture().size(), QSize(259, 164));
  EXPECT_EQ(chart.Image().size(), QSize(260, 165));
  // Of the lowered bevel only the light bottom and right edges stay visible.
  EXPECT_EQ(PixelBgr(chart.Image(), 0, 0), White);
  EXPECT_EQ(PixelBgr(chart.Image(), 259, 10), ButtonHighlightColor());
  EXPECT_EQ(PixelBgr(chart.Image(), 10, 164), ButtonHighlightColor());
}

}  // namespace
}  // namespace blowden
