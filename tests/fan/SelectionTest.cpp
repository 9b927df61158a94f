// The selector's evaluation: results, result lines, chart window and curves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "fan/FanSelection.h"
#include "fan/FanTestFiles.h"
#include "fan/QmFan.h"
#include "numeric/Regress.h"

using namespace blowden;
using namespace blowden::test;

namespace {

// The test curves at 1450 rpm, speeds 900..1600, outlet 500 × 400 mm (0.2 m²).
const char* kModelLine = "Model=500,1450,900,1600,500,400,1.75\n";

struct Selection : testing::Test {
  void LoadCurve(const std::string& head) {
    LoadText(fan, dir, std::string(kCatalog) + CurveModel("F500", head));
    fan.SelectModel("F500");
    ASSERT_EQ(fan.Status(), fsReady);
  }
  // Flow and pressure of the reference curve point qRef carried to `speed`.
  void DutyAt(double qRef, double speed, double& q, double& p) const {
    const double c = speed / fan.Model().RefSpeed;
    q = qRef * c;
    p = PolyValue(fan.Coeffs(), qRef) * c * c;
  }
  TSelectionResult Duty(double qRef, double speed) {
    double q = 0, p = 0;
    DutyAt(qRef, speed, q, p);
    return EvaluateDuty(fan, q, p, q, p);
  }

  TTempDir dir;
  TFan fan;
};

}  // namespace

TEST_F(Selection, ResultLines) {
  LoadCurve(kModelLine);
  // On the reference curve at 2 m³/s: 628 Pa static, 10 m/s at the outlet.
  const TSelectionResult r =
      EvaluateDuty(fan, 2.0, PolyValue(fan.Coeffs(), 2.0), 2.0, PolyValue(fan.Coeffs(), 2.0));
  EXPECT_EQ(r.Status, fsReady);
  EXPECT_EQ(r.StatusText, "Ready");
  EXPECT_EQ(r.Lines, (std::vector<std::string>{
                         "Fan Speed\t1450\trpm",
                         "Volume Flow\t2.00\tm³/s",
                         "Nominal Flow\t1.75\tm³/s",
                         "Static Pressure\t628\tPa",
                         "Dynamic Pressure\t60\tPa",
                         "Total Pressure\t688\tPa",
                         "Shaft Power\t2.00\tkW",
                         "Fan Efficiency\t69\t%",
                         "Sound Power\t82.0\tdB(a)",
                     }));
  EXPECT_NEAR(r.PDynamic, 60, 1e-9);
  EXPECT_NEAR(r.PTotal, 688, 1e-6);
  EXPECT_NEAR(r.ShaftPower, 2, 1e-6);
  EXPECT_NEAR(r.Efficiency, 68.8, 1e-4);
  EXPECT_NEAR(r.SoundPower, 82, 1e-6);
  EXPECT_NEAR(r.Speed, 1450, 1e-3);
  EXPECT_EQ(r.RawSpeed, r.Speed);
  EXPECT_EQ(r.R2Text, "R²=1.0000");
  EXPECT_NEAR(r.R2, 1, 1e-12);
  EXPECT_EQ(r.ModelCaption, "[Orvane]  F500");
  EXPECT_TRUE(r.ChartScaleOk);
}

TEST_F(Selection, SpeedWarningsAndStatusTexts) {
  LoadCurve(kModelLine);
  struct Case {
    const char* name;
    double qRef, speed;
    std::vector<std::string> first;  // the first line, or the only line
    std::size_t lines;
  } cases[] = {
      {"5 % above the maximum", 1.5, 1.05 * 1600, {"Speed exceeds fan limit..."}, 9},
      {"5 % below the minimum", 1.5, 0.95 * 900, {"Speed is below low limit..."}, 9},
      {"15 % above the maximum", 1.5, 1.15 * 1600, {"Speed range error"}, 1},
      {"flow beyond the curve", 3.25, 1450, {"Volume range error"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TSelectionResult r = Duty(c.qRef, c.speed);
    ASSERT_EQ(r.Lines.size(), c.lines);
    EXPECT_EQ(r.Lines[0], c.first[0]);
    EXPECT_FALSE(r.Chart.Lines.empty());  // the chart is drawn in every case
  }
}

TEST_F(Selection, Browse) {
  LoadCurve(kModelLine);
  // Browse mode starts from "Ready" whatever came before: here a clamped speed.
  double q = 0, p = 0, raw = 0;
  DutyAt(1.5, 2 * 1600, q, p);
  fan.SolveSpeed(q, p, raw);
  ASSERT_EQ(fan.Status(), fsSpeedRange);
  const TSelectionResult r = EvaluateBrowse(fan);
  EXPECT_EQ(r.Status, fsReady);
  EXPECT_EQ(r.Volume, 1.75);
  EXPECT_EQ(r.Speed, 1450);
  EXPECT_EQ(r.RawSpeed, 1450);
  EXPECT_NEAR(r.PStatic, CurvePs(1.75), 1e-9);
  ASSERT_EQ(r.Lines.size(), 9u);
  EXPECT_EQ(r.Lines[0], "Fan Speed\t1450\trpm");
  EXPECT_EQ(r.Lines[3], "Static Pressure\t682\tPa");
  EXPECT_FALSE(r.Chart.Operating.has_value());
  EXPECT_EQ(r.Chart.Duty.X, 1.75);
}

TEST_F(Selection, ChartScaleExample) {
  TFan f;
  LoadText(f, dir,
           "[M]\nModel=500,1400,700,1400,500,400,1\nQa=0.8,1.5,2.5,4.1\nPs=1000,900,600,200\nPw=1\nLw=1\n",
           "example.qfn");
  f.SelectModel("M");
  ASSERT_EQ(f.Status(), fsReady);
  TChartWindow w;
  ASSERT_TRUE(ComputeChartScale(f, w));
  EXPECT_DOUBLE_EQ(w.XMin, 0.25);  // 0.99 × 0.8 × 0.5 = 0.396 down to 0.25
  EXPECT_DOUBLE_EQ(w.XMax, 4.25);  // 1.01 × 4.1 = 4.141 up to 4.25
  EXPECT_DOUBLE_EQ(w.YMin, 25);    // 0.99 × 200 × 0.25 = 49.5 down to 25
  EXPECT_DOUBLE_EQ(w.YMax, 1025);  // 1.01 × 1000 = 1010 up to 1025
}

TEST_F(Selection, ChartScaleEdges) {
  // A model of the lines `data` at 1000 rpm (or `speeds`), read as far as it goes.
  int files = 0;
  const auto window = [&](const std::string& data, TChartWindow& w,
                          const std::string& speeds = "1000,1000,1000") {
    TFan f;
    LoadText(f, dir, "[M]\nModel=500," + speeds + ",500,400,0\n" + data,
             "edge" + std::to_string(++files) + ".qfn");
    f.SelectModel("M");
    return ComputeChartScale(f, w);
  };
  TChartWindow w;
  // An empty range is widened as the chart panel does.
  ASSERT_TRUE(window("Qa=0,0\nPs=0,0\nPw=1\nLw=1\n", w));
  EXPECT_EQ(w.XMin, 0);
  EXPECT_EQ(w.XMax, 1);
  EXPECT_EQ(w.YMin, 0);
  EXPECT_EQ(w.YMax, 1);
  // Pressures all below 0: the widened range still runs upwards.
  ASSERT_TRUE(window("Qa=0,0\nPs=-100,-100\nPw=1\nLw=1\n", w));
  EXPECT_EQ(w.YMin, -150);
  EXPECT_EQ(w.YMax, -50);

  const TChartWindow before{2, 3, 4, 5};
  w = before;
  EXPECT_FALSE(window("Qa=0,0\nPs=0,0\nPw=1\nLw=1\n", w, "0,1000,1000"));  // no reference speed
  EXPECT_EQ(w.XMin, 2);
  EXPECT_FALSE(window("Qa=\nPs=0,0\nPw=1\nLw=1\n", w));  // no flows
  EXPECT_FALSE(window("Qa=0,0\nPs=\nPw=1\nLw=1\n", w));  // no pressures
  EXPECT_EQ(w.YMax, 5);
}

TEST_F(Selection, FailedScaleKeepsThePreviousWindow) {
  LoadCurve("Model=500,0,900,1600,500,400,1.75\n");  // no reference speed: nothing can be scaled
  const TChartWindow previous{0.5, 2.5, 100, 900};
  const TSelectionResult r = EvaluateBrowse(fan, previous);
  EXPECT_FALSE(r.ChartScaleOk);
  EXPECT_EQ(r.Chart.XMin, 0.5);
  EXPECT_EQ(r.Chart.XMax, 2.5);
  EXPECT_EQ(r.Chart.YMin, 100);
  EXPECT_EQ(r.Chart.YMax, 900);
  EXPECT_EQ(r.Lines, std::vector<std::string>{"Data error"});  // sound power at no speed ratio
  for (const auto& line : r.Chart.Lines)
    for (const auto& pt : line.Points) EXPECT_TRUE(std::isfinite(pt.X) && std::isfinite(pt.Y));
}

TEST_F(Selection, CurvesWithoutSpeedList) {
  // Speeds 900 .. 1500: the eight speed lines are 900 + (600 j) / 7 (real division).
  LoadCurve("Model=500,1450,900,1500,500,400,1.75\n");
  const TSelectionResult r = Duty(2.0, 1200);
  const TSelectorChart& chart = r.Chart;
  EXPECT_EQ(chart.Title, "F500");
  ASSERT_EQ(chart.Lines.size(), 11u);
  for (std::size_t i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    const double n = 900 + 600.0 * static_cast<double>(i) / 7;
    EXPECT_EQ(chart.Lines[i].Color, 0xE6D8ADu);
    ASSERT_EQ(chart.Lines[i].Points.size(), 21u);
    EXPECT_NEAR(chart.Lines[i].Points.front().X, 0.5 * n / 1450, 1e-12);
    EXPECT_NEAR(chart.Lines[i].Points.back().X, 3.0 * n / 1450, 1e-12);
    // Every point lies on the fan's curve at that speed.
    const auto& mid = chart.Lines[i].Points[10];
    const double c = n / 1450;
    EXPECT_NEAR(mid.Y, CurvePs(mid.X / c) * c * c, 1e-6);
  }
  EXPECT_EQ(chart.Lines[8].Color, 0x808080u);  // reference curve
  EXPECT_EQ(chart.Lines[8].Points.front().X, 0.5);
  EXPECT_EQ(chart.Lines[9].Color, 0xFF0000u);  // operating curve at the solved speed
  EXPECT_NEAR(chart.Lines[9].Points.front().X, 0.5 * r.Speed / 1450, 1e-12);
  EXPECT_NEAR(chart.Lines[9].Points.back().X, 3.0 * r.Speed / 1450, 1e-12);

  // System curve through the operating point, from zero flow until it
  // leaves the window, and on past the operating point.
  const TSelectorChartLine& system = chart.Lines[10];
  EXPECT_EQ(system.Color, 0x0000FFu);
  ASSERT_FALSE(system.Points.empty());
  const double k = r.PStatic / (r.Volume * r.Volume);
  EXPECT_EQ(system.Points.front().X, 0);
  EXPECT_EQ(system.Points.front().Y, 0);
  bool throughOperating = false;
  for (std::size_t i = 0; i < system.Points.size(); ++i) {
    const auto& pt = system.Points[i];
    EXPECT_NEAR(pt.Y, k * pt.X * pt.X, 1e-9 * std::max(1.0, pt.Y));
    if (i > 0) {
      EXPECT_GT(pt.X, system.Points[i - 1].X);
    }
    throughOperating = throughOperating || (pt.X == r.Volume && pt.Y == r.PStatic);
  }
  EXPECT_TRUE(throughOperating);
  const auto& last = system.Points.back();
  EXPECT_GE(last.X, 1.1 * r.Volume * (1 - 1e-12));
  EXPECT_TRUE(last.X >= chart.XMax * (1 - 1e-12) || last.Y >= chart.YMax * (1 - 1e-12))
      << last.X << " " << last.Y;
}

// The operating curve runs through the operating point even where that lies
// beyond the tested flows, which end at 3.0 m³/s at 1450 rpm here.
TEST_F(Selection, OperatingCurveReachesTheOperatingPoint) {
  LoadCurve("Model=500,1450,900,1500,500,400,1.75\n");
  struct Case {
    const char* name;
    double flow;
  } cases[] = {{"inside the tested flows", 2.0}, {"beyond them", 3.2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double p = PolyValue(fan.Coeffs(), c.flow);
    const TSelectionResult r = EvaluateDuty(fan, c.flow, p, c.flow, p);
    const TSelectorChartLine& operating = r.Chart.Lines[9];
    ASSERT_EQ(operating.Kind, scOperating);
    ASSERT_GE(operating.Points.size(), 2u);
    EXPECT_LE(operating.Points.front().X, r.Volume);
    EXPECT_GE(operating.Points.back().X, r.Volume);
    const auto at = std::find_if(operating.Points.begin(), operating.Points.end(),
                                 [&](const TSelectorChartPoint& pt) { return pt.X == r.Volume; });
    ASSERT_NE(at, operating.Points.end());
    EXPECT_NEAR(at->Y, r.PStatic, 1e-6 * std::max(1.0, r.PStatic));
  }
}

TEST_F(Selection, CurvesWithSpeedListAndOperatingMarker) {
  LoadCurve(std::string(kModelLine) + "Speed=960,1450\n");
  double q = 0, p = 0;
  DutyAt(1.5, 1100, q, p);
  const TSelectionResult r = EvaluateDuty(fan, q, p, q, p);
  EXPECT_EQ(r.Status, fsReady);
  EXPECT_EQ(r.Speed, 1450);
  EXPECT_NEAR(r.RawSpeed, 1100, 1e-3);
  EXPECT_EQ(r.Lines[0], "Fan Speed\t1450\trpm");
  ASSERT_EQ(r.Chart.Lines.size(), 5u);  // two speed lines, reference, operating, system
  EXPECT_NEAR(r.Chart.Lines[0].Points.front().X, 0.5 * 960 / 1450, 1e-12);
  EXPECT_NEAR(r.Chart.Lines[1].Points.front().X, 0.5, 1e-12);

  const TSelectorChartMarker& duty = r.Chart.Duty;
  EXPECT_EQ(duty.X, q);
  EXPECT_EQ(duty.Y, p);
  EXPECT_EQ(duty.Color, 0x008000u);
  EXPECT_EQ(duty.BrushColor, 0xFFFFFFu);
  EXPECT_EQ(duty.Kind, 2);
  EXPECT_EQ(duty.Size, 6);
  EXPECT_EQ(duty.PenWidth, 2);
  ASSERT_TRUE(r.Chart.Operating.has_value());
  const TSelectorChartMarker& op = *r.Chart.Operating;
  EXPECT_EQ(op.X, r.Volume);
  EXPECT_EQ(op.Y, r.PStatic);
  EXPECT_EQ(op.Color, 0xFF0000u);
  EXPECT_EQ(op.BrushColor, 0xFFFFFFu);
  EXPECT_EQ(op.Kind, 3);
  EXPECT_EQ(op.Size, 6);
  EXPECT_EQ(op.PenWidth, 1);
  EXPECT_NEAR(r.Volume, q * 1450 / r.RawSpeed, 1e-12);
}

TEST_F(Selection, OperatingMarkerFollowsTheShownText) {
  LoadCurve(kModelLine);
  const double p = PolyValue(fan.Coeffs(), 1.5);
  EXPECT_FALSE(EvaluateDuty(fan, 1.5, p, 1.5, p).Chart.Operating.has_value());
  // The edit shows a rounded value: the solved point no longer equals it.
  EXPECT_TRUE(EvaluateDuty(fan, 1.5, p, 1.5, std::round(p)).Chart.Operating.has_value());
  TSelectionResult r = EvaluateBrowse(fan);
  PlaceDutyMarkers(r, r.Volume, r.PStatic, 1.75, std::round(r.PStatic));
  EXPECT_TRUE(r.Chart.Operating.has_value());
}

TEST_F(Selection, ZeroFlowDrawsNoSystemCurve) {
  LoadCurve(kModelLine);
  const double p = PolyValue(fan.Coeffs(), 0) * (1200.0 / 1450) * (1200.0 / 1450);
  const TSelectionResult r = EvaluateDuty(fan, 0, p, 0, p);
  EXPECT_NEAR(r.RawSpeed, 1200, 1e-3);
  EXPECT_EQ(r.Lines, std::vector<std::string>{"Volume range error"});  // no flow is below the curve
  ASSERT_EQ(r.Chart.Lines.size(), 11u);
  EXPECT_TRUE(r.Chart.Lines.back().Points.empty());
  EXPECT_EQ(r.Chart.Lines.back().Color, 0x0000FFu);
}

TEST_F(Selection, NoShaftPowerGivesNoEfficiency) {
  LoadText(fan, dir,
           std::string(kCatalog) + "[Z]\n" + kModelLine +
               "Qa=0.5,1,1.5,2,2.5,3\nPs=800,780,740,680,600,500\nPw=0\nLw=70\n");
  fan.SelectModel("Z");
  ASSERT_EQ(fan.Status(), fsReady);
  const TSelectionResult r = EvaluateBrowse(fan);
  EXPECT_EQ(r.ShaftPower, 0);
  EXPECT_EQ(r.Efficiency, 0);
  ASSERT_EQ(r.Lines.size(), 9u);
  EXPECT_EQ(r.Lines[6], "Shaft Power\t0.00\tkW");
  EXPECT_EQ(r.Lines[7], "Fan Efficiency\t0\t%");
}

TEST_F(Selection, NoModelReadIsSafe) {
  TFan empty;
  const TSelectionResult r = EvaluateDuty(empty, 1, 500, 1, 500);
  EXPECT_NE(r.Status, fsReady);
  EXPECT_FALSE(r.ChartScaleOk);
  EXPECT_EQ(r.Lines.size(), 1u);
}
