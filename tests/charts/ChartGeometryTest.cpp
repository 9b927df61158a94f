#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "charts/ChartGeometry.h"

namespace blowden {
namespace {

TEST(KeepInsideTest, WidensTheWindowSoThatEveryValueLiesInsideItsMargin) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    double lo, hi;
    double a, b;
    double wantLo, wantHi;
  } cases[] = {
      {"well inside: unchanged", 0, 4, 2, 3, 0, 4},
      {"on the upper edge", 0, 4, 4, nan, 0, 4.16},
      {"beyond the upper edge", 0, 4, 4.5, nan, 0, 4.66},
      {"inside the margin at the top", 100, 1100, 1090, nan, 100, 1130},
      {"on the lower edge, not below zero", 0.25, 4.25, 0.25, nan, 0.09, 4.25},
      {"near zero stops at zero", 0, 1000, 10, nan, 0, 1000},
      {"negative windows widen below", -10, 10, -10, nan, -10.8, 10},
      {"both ends", 0, 100, 1, 99.5, 0, 103.5},
      {"not a number is left out", 0, 4, nan, nan, 0, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    double lo = c.lo, hi = c.hi;
    KeepInside(lo, hi, {c.a, c.b});
    EXPECT_NEAR(lo, c.wantLo, 1e-9);
    EXPECT_NEAR(hi, c.wantHi, 1e-9);
  }
  double lo = 5, hi = 5;
  KeepInside(lo, hi, {7});
  EXPECT_EQ(hi, 5);  // an empty window is not a window
}

TEST(ClipPolylineTest, KeepsWhatLiesInsideCutAtTheEdges) {
  // The window 0 .. 10 x 0 .. 10.
  struct Case {
    const char* name;
    TPolyline line;
    std::vector<TPolyline> pieces;
  } cases[] = {
      {"inside: unchanged", {{1, 1}, {2, 4}, {3, 9}}, {{{1, 1}, {2, 4}, {3, 9}}}},
      {"leaves at the top", {{0, 0}, {2, 4}, {4, 16}}, {{{0, 0}, {2, 4}, {3, 10}}}},
      {"enters from the left", {{-2, 5}, {2, 5}, {4, 6}}, {{{0, 5}, {2, 5}, {4, 6}}}},
      {"out and back in", {{1, 1}, {1, 20}, {3, 20}, {3, 1}}, {{{1, 1}, {1, 10}}, {{3, 10}, {3, 1}}}},
      {"wholly outside", {{11, 11}, {12, 12}}, {}},
      {"on the edge counts as inside", {{0, 0}, {10, 0}}, {{{0, 0}, {10, 0}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<TPolyline> pieces = ClipPolyline(c.line, 0, 10, 0, 10);
    ASSERT_EQ(pieces.size(), c.pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      ASSERT_EQ(pieces[i].size(), c.pieces[i].size()) << i;
      for (std::size_t j = 0; j < pieces[i].size(); ++j) {
        EXPECT_NEAR(pieces[i][j].first, c.pieces[i][j].first, 1e-12) << i << "," << j;
        EXPECT_NEAR(pieces[i][j].second, c.pieces[i][j].second, 1e-12) << i << "," << j;
      }
    }
  }
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(ClipPolyline({{1, 1}, {2, inf}, {3, 3}, {4, 4}}, 0, 10, 0, 10).size(), 1u);
}

}  // namespace
}  // namespace blowden
