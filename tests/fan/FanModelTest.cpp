// The fan model's evaluation at reference speed and by the fan laws.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fan/FanTestFiles.h"
#include "fan/QmFan.h"

using namespace blowden;
using namespace blowden::test;

namespace {

constexpr double kQuarterPi = 0.7853981633974483;

// A fan with a one-model file of these lists (outlet 500 × 500 mm), read and fitted.
struct FanModel : testing::Test {
  void SetModel(const std::vector<double>& qa, const std::vector<double>& ps, const std::vector<double>& pw,
                const std::vector<double>& lw, int refSpeed = 1450) {
    LoadModel(fan, dir, qa, ps, pw, lw, refSpeed);
  }
  TTempDir dir;
  TFan fan;
};

}  // namespace

TEST(FanTables, Texts) {
  const char* texts[] = {
      "Ready",      "Data file not loaded", "File not found",     "File read error", "Volume range error",
      "Data error", "Speed range error",    "Fan model not found"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(StatusText[static_cast<std::size_t>(i)], texts[i]);
    EXPECT_EQ(StatusTextOf(i), texts[i]);
  }
  EXPECT_EQ(StatusTextOf(8), "");
  EXPECT_EQ(StatusTextOf(-1), "");
  EXPECT_EQ(KindNames[fkNone], "None");
  EXPECT_EQ(KindNames[fkBCC], "BCC");
  EXPECT_EQ(KindNames[fkMixed], "Mixed");
}

TEST(FanHelpers, SignOfAndSafeDivide) {
  EXPECT_EQ(SignOf(0), 1);
  EXPECT_EQ(SignOf(-0.0), 1);
  EXPECT_EQ(SignOf(2), 1);
  EXPECT_EQ(SignOf(-1e-300), -1);
  struct Case {
    const char* name;
    double num, den, alt, expected;
  } cases[] = {
      {"plain", 1, 4, 0, 0.25},
      {"zero denominator", -3, 0, 2, -2},
      {"zero denominator, positive", 3, 0, 2, 2},
      {"zero over zero", 0, 0, 5, 5},
      {"overflow", 1e308, 1e-308, 7, 7},
      {"overflow, negative denominator", 1e308, -1e-308, 7, -7},
      {"overflow, negative numerator", -1e308, 1e-308, 7, -7},
      {"underflow is no failure", 1e-308, 1e308, 7, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SafeDivide(c.num, c.den, c.alt), c.expected);
  }
}

TEST(FanLocate, Segments) {
  const std::vector<double> rising{1, 2, 3, 4};
  const std::vector<double> falling{4, 3, 2, 1};
  struct Case {
    const char* name;
    const std::vector<double>* v;
    int n;
    double x;
    int i;
    double t;
  } cases[] = {
      {"inside", &rising, 4, 2.5, 1, 0.5},
      {"on a middle point: the first segment holding it", &rising, 4, 2, 0, 1},
      {"on the next point", &rising, 4, 3, 1, 1},
      {"on the first point", &rising, 4, 1, 0, 0},
      {"on the last point", &rising, 4, 4, 2, 1},
      {"below the data", &rising, 4, 0, 0, -1},
      {"beyond the data", &rising, 4, 6, 2, 3},
      {"falling inside", &falling, 4, 2.5, 1, 0.5},
      {"falling on a point", &falling, 4, 3, 0, 1},
      {"falling above", &falling, 4, 5, 0, -1},
      {"falling below", &falling, 4, 0, 2, 2},
      {"two points only", &rising, 2, 7, 0, 6},
      {"count smaller than the data", &rising, 3, 3.5, 1, 1.5},
      {"one point", &rising, 1, 2, 0, 0},
      {"count beyond the data", &rising, 9, 3.5, 2, 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int i = -1;
    double t = -9;
    TFan::LocateSegment(*c.v, c.n, c.x, i, t);
    EXPECT_EQ(i, c.i);
    EXPECT_DOUBLE_EQ(t, c.t);
  }
  int i = -1;
  double t = -9;
  TFan::LocateSegment(std::vector<double>{1, 1, 2}, 3, 1, i, t);  // a zero-width segment gives t = 0
  EXPECT_EQ(i, 0);
  EXPECT_EQ(t, 0);
  TFan::LocateSegment(rising, 4, std::nan(""), i, t);  // no number: the last segment, t = 0
  EXPECT_EQ(i, 2);
  EXPECT_EQ(t, 0);
}

TEST_F(FanModel, OutletArea) {
  struct Case {
    const char* outlet;  // width, height in mm
    double area;
  } cases[] = {{"500,400", 0.2}, {"600,0", kQuarterPi * 0.36}, {"0,400", kQuarterPi * 0.16}, {"0,0", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.outlet);
    TFan f;
    LoadModel(f, dir, {1, 2, 3}, {3, 2, 1}, {1}, {1}, 1450, c.outlet);
    EXPECT_EQ(f.Status(), c.area == 0 ? fsDataError : fsReady);
    EXPECT_DOUBLE_EQ(f.OutletArea(), c.area);
    f.SetOperatingPoint(0, 1);
    f.DynamicPressure(2);
    EXPECT_DOUBLE_EQ(f.OutletVelocity(), c.area == 0 ? 0 : 2 / c.area);
  }
}

TEST_F(FanModel, DynamicPressure) {
  SetModel({1, 2, 3}, {3, 2, 1}, {1, 2, 3}, {1, 1, 1});  // outlet 0.5 × 0.5 = 0.25 m²
  fan.SetOperatingPoint(2.5, 1450);
  EXPECT_DOUBLE_EQ(fan.DynamicPressure(1), 9.6);
  EXPECT_DOUBLE_EQ(fan.OutletVelocity(), 4);  // the flow is now 1 m³/s
  EXPECT_DOUBLE_EQ(fan.RefPower(), 2.5);      // the point in the curves (2.5 m³/s) is not moved
  TFan closed;
  LoadModel(closed, dir, {1, 2, 3}, {3, 2, 1}, {1}, {1}, 1450, "0,0");
  EXPECT_EQ(closed.DynamicPressure(1), 0);
}

TEST_F(FanModel, Queries) {
  SetModel({0.5, 1, 1.5, 2}, {500, 400, 0, -20}, {1, 2, 3, 4}, {1, 2, 3, 4});
  EXPECT_EQ(fan.LowestFlow(), 0.5);
  EXPECT_EQ(fan.HighestFlow(), 2);
  EXPECT_EQ(fan.MaxPressureIndex(), 0);
  EXPECT_EQ(fan.MinPositivePressureIndex(), 1);
  struct Case {
    std::vector<double> ps;
    int maxIndex, minPositive;
  } cases[] = {
      {{500, 400, 0, -20}, 0, 1},  {{-5, 300, 200, 100}, 1, 0},  {{300, 100, 200, 50}, 0, 3},
      {{100, 300, 300, 50}, 1, 3}, {{200, 100, 100, 150}, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.ps[0] << "," << c.ps[1] << "," << c.ps[2] << "," << c.ps[3]);
    TFan f;
    LoadModel(f, dir, {0.5, 1, 1.5, 2}, c.ps, {1}, {1});
    EXPECT_EQ(f.MaxPressureIndex(), c.maxIndex);
    EXPECT_EQ(f.MinPositivePressureIndex(), c.minPositive);
  }
  TFan empty;
  EXPECT_EQ(empty.LowestFlow(), 0);
  EXPECT_EQ(empty.HighestFlow(), 0);
  EXPECT_EQ(empty.MaxPressureIndex(), 0);
}

TEST_F(FanModel, RefValuesFromFitAndData) {
  const auto qa = CurveQa();
  SetModel(qa, Map(qa, CurvePs), Map(qa, CurvePw), Map(qa, CurveLw));
  ASSERT_EQ(fan.FitError(), 0);
  fan.SetOperatingPoint(1.6, 1450);  // at reference speed: FQRef = Q
  EXPECT_NEAR(fan.RefPressure(), CurvePs(1.6), 1e-9);
  EXPECT_NEAR(fan.RefPower(), CurvePw(1.6), 1e-12);
  EXPECT_NEAR(fan.RefSound(), CurveLw(1.6), 1e-12);
  // Half the speed: the same flow is twice as far along the reference curve.
  fan.SetOperatingPoint(0.8, 725);
  EXPECT_NEAR(fan.RefPressure(), CurvePs(1.6), 1e-9);
  EXPECT_NEAR(fan.RefPower(), CurvePw(1.6), 1e-12);
  // Beyond the last point power and sound extrapolate along the last segment.
  fan.SetOperatingPoint(4, 1450);
  EXPECT_NEAR(fan.RefPower(), CurvePw(4), 1e-12);
  EXPECT_NEAR(fan.RefSound(), CurveLw(4), 1e-12);
}

TEST_F(FanModel, FailedFitInterpolatesTheData) {
  // Flows so small that the normal equations fall below the singular threshold.
  SetModel({1e-9, 2e-9, 3e-9, 4e-9, 5e-9}, {500, 450, 380, 300, 200}, {1, 1, 1, 1, 1}, {10, 20, 30, 40, 50},
           1024);
  ASSERT_EQ(fan.FitError(), -1);
  // At a data flow the pressure is that point's own value, exactly (speeds
  // of 1024 rpm keep the flow exact when it is carried to reference speed).
  fan.SetOperatingPoint(3e-9, 1024);
  EXPECT_EQ(fan.RefPressure(), 380);
  EXPECT_EQ(fan.RefSound(), 30);  // the end of the second segment, as the pressure
  fan.SetOperatingPoint(3.5e-9, 1024);
  EXPECT_NEAR(fan.RefPressure(), 340, 1e-6);
  fan.SetOperatingPoint(6e-9, 1024);  // extrapolated along the last segment
  EXPECT_NEAR(fan.RefPressure(), 100, 1e-6);
}

TEST_F(FanModel, FanLaws) {
  const auto qa = CurveQa();
  SetModel(qa, Map(qa, CurvePs), Map(qa, CurvePw), Map(qa, CurveLw));
  fan.SetOperatingPoint(1.5, 1450);
  const double p = fan.RefPressure(), w = fan.RefPower(), l = fan.RefSound();
  EXPECT_DOUBLE_EQ(fan.PressureAtSpeed(2900), 4 * p);
  EXPECT_DOUBLE_EQ(fan.ShaftPower(2900), 8 * w);
  EXPECT_NEAR(fan.SoundPower(2900), l + 15.051499783199061, 1e-12);
  EXPECT_NEAR(fan.SoundPower(1450), l, 1e-12);
  EXPECT_EQ(fan.Status(), fsReady);  // untouched by a good sound power
  // The same point of the curve at twice the speed: twice the flow, four times the pressure.
  EXPECT_NEAR(fan.PressureAt(3, 2900), 4 * fan.PressureAt(1.5, 1450), 1e-9);
  EXPECT_NEAR(fan.PressureAt(1.5, 1450), CurvePs(1.5), 1e-9);
}

TEST_F(FanModel, SoundPowerAtNoSpeed) {
  for (double n : {0.0, -100.0, std::nan("")}) {
    SCOPED_TRACE(n);
    const auto qa = CurveQa();
    SetModel(qa, Map(qa, CurvePs), Map(qa, CurvePw), Map(qa, CurveLw));
    ASSERT_EQ(fan.Status(), fsReady);
    EXPECT_EQ(fan.SoundPower(n), 0);
    EXPECT_EQ(fan.Status(), fsDataError);
  }
}

TEST_F(FanModel, EmptyModelIsSafe) {
  // No model read: every evaluation answers without touching data that is not there.
  fan.SetOperatingPoint(1, 1450);
  EXPECT_EQ(fan.RefPower(), 0);
  EXPECT_EQ(fan.RefSound(), 0);
  EXPECT_EQ(fan.RefPressure(), 0);
  fan.FitPressure();
  EXPECT_EQ(fan.FitError(), -1);
  EXPECT_EQ(fan.RefPressure(), 0);
  double q = 1, p = 100, raw = 0;
  fan.SolveSpeed(q, p, raw);
  EXPECT_NE(fan.Status(), fsReady);
}
