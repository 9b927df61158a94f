#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "charts/ChartScale.h"

namespace blowden {
namespace {

TEST(NiceStepTest, TakesTheFirstStepWhoseThresholdReachesTheRawStep) {
  struct Case {
    const char* name;
    double raw;
    double step;
  } cases[] = {
      {"tiny", 1e-9, 0.0001},
      {"on the first threshold", 0.00011, 0.0001},
      {"just past it", 0.000111, 0.0002},
      {"0.105 rounds down", 0.105, 0.1},
      {"0.11 still 0.1", 0.11, 0.1},
      {"0.111 is 0.2", 0.111, 0.2},
      {"1.1 is 1", 1.1, 1},
      {"1.1001 is 2", 1.1001, 2},
      {"2.1 is 2", 2.1, 2},
      {"2.11 is 5", 2.11, 5},
      {"10.1 is 10", 10.1, 10},
      {"20.2 is 25", 20.2, 25},
      {"25.1 is 25", 25.1, 25},
      {"25.2 is 50", 25.2, 50},
      {"100.2 is 150", 100.2, 150},
      {"200 is 200", 200, 200},
      {"300.2 is 500", 300.2, 500},
      {"500.1 is 500", 500.1, 500},
      {"500.2 rounds up to 1000", 500.2, 1000},
      {"1000 stays", 1000, 1000},
      {"1200 is 1500", 1200, 1500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_DOUBLE_EQ(NiceStep(c.raw), c.step);
  }
}

TEST(ChartTicksTest, StepsCountsAndValues) {
  struct Case {
    const char* name;
    double lo, hi;
    int wanted;
    double step;
    int count;
  } cases[] = {
      {"0..1000 by 200", 0, 1000, 6, 200, 5},
      {"0.25..4.25 by 1", 0.25, 4.25, 6, 1, 4},
      {"a last tick within 2 % beyond hi", 0, 98.5, 6, 20, 5},
      {"no tick more than 2 % beyond hi", 0, 97, 6, 20, 4},
      {"raw 0.105 gives more ticks than asked", 0, 0.525, 6, 0.1, 5},
      {"one tick wanted counts as two", 0, 10, 1, 10, 1},
      {"wide window, multiple of 500", 0, 6000, 6, 1500, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TTickSet ticks = ChartTicks(c.lo, c.hi, c.wanted);
    ASSERT_TRUE(ticks.Drawn);
    EXPECT_DOUBLE_EQ(ticks.Step, c.step);
    EXPECT_EQ(ticks.Count, c.count);
  }
  const TTickSet quarter = ChartTicks(0.25, 4.25, 6);
  EXPECT_DOUBLE_EQ(quarter.Value(0.25, 0), 0.25);
  EXPECT_DOUBLE_EQ(quarter.Value(0.25, 3), 3.25);
}

TEST(ChartTicksTest, EmptyOrReversedOrInfiniteWindowIsNotDrawn) {
  EXPECT_FALSE(ChartTicks(5, 5, 6).Drawn);
  EXPECT_FALSE(ChartTicks(6, 5, 6).Drawn);
  EXPECT_FALSE(ChartTicks(0, 1.0 / 0.0, 6).Drawn);
}

TEST(ChartTicksTest, ATickOnZeroIsExactlyZero) {
  const TTickSet ticks = ChartTicks(-0.3, 0.3, 7);
  ASSERT_DOUBLE_EQ(ticks.Step, 0.1);
  EXPECT_EQ(ticks.Value(-0.3, 3), 0.0);
  EXPECT_EQ(ChartTickLabel(ticks.Value(-0.3, 3)), "0");
}

TEST(ChooseNumberFormatTest, ByMagnitude) {
  struct Case {
    double value;
    const char* format;
  } cases[] = {
      {10000, "%4.2g"}, {9999, "%0.0f"}, {75, "%0.0f"},     {74.99, "%0.1f"}, {0, "%0.0f"},
      {1, "%0.1f"},     {0.99, "%0.2f"}, {0.1001, "%0.2f"}, {0.1, "%0.3f"},   {0.0101, "%0.3f"},
      {0.01, "%0.4f"},  {-0.5, "%0.4f"}, {-2, "%0.1f"},     {-80, "%0.0f"},   {-20000, "%0.0f"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ChooseNumberFormat(c.value), c.format);
  }
}

TEST(TrimNumberTest, TrailingZerosAndExponentZeros) {
  struct Case {
    const char* input;
    const char* expected;
  } cases[] = {
      {"1.50", "1.5"},   {"200.", "200"},      {"2.000", "2"},      {"300", "300"},
      {"1000", "1000"},  {"0.0000", "0"},      {"-0.5000", "-0.5"}, {"1.5E05", "1.5E5"},
      {"1E-05", "1E-5"}, {"1.5E10", "1.5E10"}, {"1E00", "1E0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(TrimNumber(c.input), c.expected);
  }
}

TEST(ChartTickLabelTest, FormattedAndTrimmed) {
  struct Case {
    double value;
    const char* label;
  } cases[] = {
      {0, "0"},       {200, "200"},   {1000, "1000"},     {0.25, "0.25"},   {2.5, "2.5"},      {3, "3"},
      {0.3, "0.3"},   {0.05, "0.05"}, {0.0025, "0.0025"}, {12000, "1.2E4"}, {150000, "1.5E5"}, {87.5, "87.5"},
      {1.25, "1.25"}, {3.25, "3.25"}, {1.0 / 3, "0.33"},  {0.1 * 3, "0.3"}, {-0.5, "-0.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ChartTickLabel(c.value), c.label);
  }
}

TEST(GraphTickLabelTest, ThreeSignificantDigitsAtMostTwoDecimals) {
  struct Case {
    double value;
    int decimals;
    const char* label;
  } cases[] = {
      {0, 2, "0.00"},     {2, 2, "2.00"},     {10, 1, "10.0"}, {-1.5, 1, "-1.5"},  {1234.567, 0, "1235"},
      {9.996, 1, "10.0"}, {99.996, 0, "100"}, {-10, 0, "-10"}, {0.004, 2, "0.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(TickDecimals(c.value), c.decimals);
    EXPECT_EQ(GraphTickLabel(c.value), c.label);
  }
}

TEST(RoundTicksTest, TicksAtTheMultiplesOfTheStepInsideTheWindow) {
  struct Case {
    const char* name;
    double lo, hi;
    int wanted;
    double step, first;
    int count;
  } cases[] = {
      {"a window on round numbers keeps its ends", 0, 1000, 6, 200, 0, 5},
      {"quarter limits: ticks on whole numbers", 0.25, 4.25, 6, 1, 1, 3},
      {"75 .. 5075 Pa: ticks on thousands", 75, 5075, 6, 1000, 1000, 4},
      {"a limit a rounding error off a multiple", 0.30000000000000004, 0.8, 6, 0.1, 0.3, 5},
      {"negative lower limit", -0.3, 0.3, 7, 0.1, -0.3, 6},
      {"wide window in cfm", 530, 9005, 6, 2000, 2000, 3},
      {"above ten thousand", 10250, 22900, 6, 3000, 12000, 3},
      {"narrow window takes a finer step", 0.98, 1.02, 2, 0.02, 0.98, 2},
      {"two ticks are too few", 100, 2850, 6, 500, 500, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TTickSet ticks = RoundTicks(c.lo, c.hi, c.wanted);
    ASSERT_TRUE(ticks.Drawn);
    EXPECT_DOUBLE_EQ(ticks.Step, c.step);
    EXPECT_NEAR(ticks.First, c.first, 1e-12 * std::max(1.0, c.first));
    EXPECT_EQ(ticks.Count, c.count);
    // Every tick inside the window, on a multiple of the step.
    for (int k = 0; k <= ticks.Count; ++k) {
      const double v = ticks.At(k);
      EXPECT_GE(v, c.lo - 1e-9 * ticks.Step) << k;
      EXPECT_LE(v, c.hi + 1e-9 * ticks.Step) << k;
      EXPECT_NEAR(v / ticks.Step, std::round(v / ticks.Step), 1e-9) << k;
    }
    // No multiple inside the window is left out at either end.
    EXPECT_LT(ticks.First - ticks.Step, c.lo);
    EXPECT_GT(ticks.At(ticks.Count) + ticks.Step, c.hi);
  }
  EXPECT_FALSE(RoundTicks(5, 5, 6).Drawn);
  EXPECT_FALSE(RoundTicks(0, 1.0 / 0.0, 6).Drawn);
  EXPECT_EQ(RoundTicks(-0.3, 0.3, 7).At(3), 0.0);
  // The old rule starts at the lower limit and keeps it as tick 0.
  EXPECT_EQ(ChartTicks(0.25, 4.25, 6).First, 0.25);
}

TEST(RoundTickLabelTest, PlainWithTheStepsDecimalsAndGroupedThousands) {
  struct Case {
    double value, step;
    const char* separator;
    const char* label;
  } cases[] = {
      {0, 0.25, "", "0.00"},
      {0.75, 0.25, "", "0.75"},
      {2, 0.5, "", "2.0"},
      {1000, 200, "", "1000"},
      {1000, 200, ",", "1,000"},
      {11000, 1000, ",", "11,000"},
      {12500, 2500, ".", "12.500"},
      {-2000, 1000, ",", "-2,000"},
      {999, 1, ",", "999"},
      {1234567, 500000, ",", "1,234,567"},
      {10000000, 2000000, "", "10000000"},
      {12000000, 2000000, "", "1.2E7"},
      {1500.5, 0.5, ",", "1,500.5"},
      {0.0002, 0.0001, "", "0.0002"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(RoundTickLabel(c.value, c.step, c.separator), c.label);
  }
  EXPECT_EQ(StepDecimals(0.25), 2);
  EXPECT_EQ(StepDecimals(500), 0);
  EXPECT_EQ(StepDecimals(0.0001), 4);
}

}  // namespace
}  // namespace blowden
