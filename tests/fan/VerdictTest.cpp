// The verdict's rules, Find following them, the figures they judge, and the
// one duty parser.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/Format.h"
#include "fan/FanDuty.h"
#include "fan/FanRanking.h"
#include "fan/FanSchedule.h"
#include "fan/FanSelection.h"
#include "fan/FanVerdict.h"
#include "fan/QmFan.h"
#include "support/TestSupport.h"

using namespace blowden;

namespace {

std::string Sample(const char* name) { return (test::SamplesDir() / name).string(); }

bool Contains(const std::vector<std::string>& texts, const std::string& part) {
  for (const std::string& t : texts)
    if (t.find(part) != std::string::npos) return true;
  return false;
}

// A model limited to 700..1600 rpm, and a selection of it that every rule passes.
TFanModel LimitedModel() {
  TFanModel m;
  m.Name = "M1";
  m.RefSpeed = 1400;
  m.MinSpeed = 700;
  m.MaxSpeed = 1600;
  return m;
}

TSelectionResult GoodPoint() {
  TSelectionResult r;
  r.Status = fsReady;
  r.Speed = r.RawSpeed = 1400;
  r.DutyFlow = r.Volume = 2;
  r.PStatic = 560;
  r.PTotal = 650;
  r.ShaftPower = 2;  // air power 1.3 kW: 65 %
  r.Efficiency = 65;
  r.DutyMet = true;
  r.StallMargin = 20;
  r.BepRatio = 100;
  r.PeakEfficiency = 70;
  return r;
}

}  // namespace

TEST(Verdict, EachRuleDecidesWithItsSentence) {
  struct Case {
    const char* name;
    void (*Change)(TFanModel& m, TSelectionResult& r, TModelHealth& h);
    TVerdictKind kind;
    TVerdictRule rule;
    const char* sentence;  // a part of the first reason, or of the first warning
  };
  const Case cases[] = {
      {"every rule passes", [](TFanModel&, TSelectionResult&, TModelHealth&) {}, TVerdictKind::Ok,
       TVerdictRule::None, ""},
      {"ready above MaxSpeed", [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.Speed = 1700; },
       TVerdictKind::Rejected, TVerdictRule::SpeedAbove, "speed 1700 rpm above the maximum 1600 rpm"},
      {"ready below MinSpeed", [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.Speed = 650; },
       TVerdictKind::Rejected, TVerdictRule::SpeedBelow, "speed 650 rpm below the minimum 700 rpm"},
      {"speed search stopped",
       [](TFanModel&, TSelectionResult& r, TModelHealth&) {
         r.Status = fsSpeedRange;
         r.RawSpeed = 1900;
       },
       TVerdictKind::Rejected, TVerdictRule::SpeedAbove, "speed 1900 rpm above the maximum 1600 rpm"},
      {"volume range", [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.Status = fsVolumeRange; },
       TVerdictKind::Rejected, TVerdictRule::FlowRange, "flow outside the tested range"},
      {"duty not met",
       [](TFanModel&, TSelectionResult& r, TModelHealth&) {
         r.Volume = 1.9;
         r.DutyMet = false;
       },
       TVerdictKind::Rejected, TVerdictRule::DutyNotMet, "5.0 % short of the duty flow"},
      {"short within the tolerance", [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.Volume = 1.98; },
       TVerdictKind::Warning, TVerdictRule::None, "flow 1.0 % short of the duty, within the tolerance"},
      {"left of the pressure peak",
       [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.StallMargin = -41.3; }, TVerdictKind::Rejected,
       TVerdictRule::Stall, "at 59 % of the peak's flow"},
      {"negative shaft power", [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.ShaftPower = -0.455; },
       TVerdictKind::Rejected, TVerdictRule::Impossible, "is not above 0"},
      {"zero shaft power", [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.ShaftPower = 0; },
       TVerdictKind::Rejected, TVerdictRule::Impossible, "is not above 0"},
      {"power below the air power",
       [](TFanModel&, TSelectionResult& r, TModelHealth&) {
         r.ShaftPower = 1;
         r.Efficiency = 130;
       },
       TVerdictKind::Rejected, TVerdictRule::Impossible, "below the air power"},
      {"read ended in a data error",
       [](TFanModel&, TSelectionResult&, TModelHealth& h) {
         h.ReadStatus = fsDataError;
         h.ReadProblem = "\"Pw\" item 2 is 'x'";
       },
       TVerdictKind::Rejected, TVerdictRule::ModelRead,
       "model read ended with \"Data error\": \"Pw\" item 2"},
      {"verify error",
       [](TFanModel&, TSelectionResult&, TModelHealth& h) {
         h.VerifyErrors = {"RG (M1)  Too few volume data points (must be more than 5)"};
       },
       TVerdictKind::Rejected, TVerdictRule::VerifyError, "verify error: Too few volume data points"},
      {"efficiency above 90 %",
       [](TFanModel&, TSelectionResult& r, TModelHealth&) {
         r.Efficiency = 92;
         r.ShaftPower = 1.42;
         r.PeakEfficiency = 93;
       },
       TVerdictKind::Warning, TVerdictRule::None, "efficiency 92 % is above 90 %"},
      {"extrapolated", [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.Extrapolation = 4; },
       TVerdictKind::Warning, TVerdictRule::None, "outside the tested flows by 4 %"},
      {"far left of the best efficiency",
       [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.BepRatio = 60; }, TVerdictKind::Warning,
       TVerdictRule::None, "at 60 % of the best-efficiency flow"},
      {"no best-efficiency flow known",
       [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.BepRatio = 0; }, TVerdictKind::Ok,
       TVerdictRule::None, ""},
      {"far below the peak efficiency",
       [](TFanModel&, TSelectionResult& r, TModelHealth&) { r.PeakEfficiency = 81; }, TVerdictKind::Warning,
       TVerdictRule::None, "more than 15 points below the model's peak of 81 %"},
      {"listed speed far beyond the duty",
       [](TFanModel& m, TSelectionResult& r, TModelHealth&) {
         m.HasSpeeds = true;
         m.Speeds = {900, 1400};
         r.Volume = 2.3;
       },
       TVerdictKind::Warning, TVerdictRule::None, "delivers 115 % of the duty flow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFanModel m = LimitedModel();
    TSelectionResult r = GoodPoint();
    TModelHealth h;
    c.Change(m, r, h);
    const TVerdict v = JudgeSelection(m, h, r, 2, TResultUnits{});
    EXPECT_EQ(v.Kind, c.kind);
    EXPECT_EQ(v.Rule, c.rule);
    EXPECT_EQ(v.Reasons.empty(), c.kind != TVerdictKind::Rejected);
    if (c.kind != TVerdictKind::Rejected) {
      EXPECT_EQ(v.Warnings.empty(), c.kind == TVerdictKind::Ok);
    }
    const std::vector<std::string> said =
        NoteTexts(c.kind == TVerdictKind::Rejected ? v.Reasons : v.Warnings);
    if (*c.sentence) {
      ASSERT_FALSE(said.empty());
      EXPECT_NE(said.front().find(c.sentence), std::string::npos) << said.front();
    }
  }
}

TEST(Verdict, RejectionCountsNameEachRuleOnce) {
  const TVerdictRule rules[] = {TVerdictRule::SpeedAbove, TVerdictRule::DutyNotMet, TVerdictRule::SpeedAbove,
                                TVerdictRule::Stall};
  EXPECT_EQ(RejectionCounts(rules),
            "2 above their maximum speed, 1 short of the duty, 1 left of its pressure peak");
  EXPECT_EQ(RejectionCounts({}), "");
}

// The three samples at 0.5 m³/s and 2500 Pa: BC315 would run at 2822 rpm
// against its limit of 2600 rpm. It is rejected, the running speed is still
// shown, and no ranking passes it.
TEST(Verdict, OverSpeedIsRejectedEverywhere) {
  TFan fan;
  fan.LoadFromFile(Sample("orvane-bc-centrifugal.qfn"));
  fan.SelectModel("BC315");
  const TDuty duty{0.5, 2500, TPressureKind::Static, {}};
  const TSelectionResult r = EvaluateDuty(fan, duty, 0.5, 2500, {}, TResultUnits{});
  ASSERT_EQ(r.Status, fsReady);
  EXPECT_GT(r.Speed, fan.Model().MaxSpeed);
  EXPECT_EQ(r.Verdict, TVerdictKind::Rejected);
  EXPECT_EQ(r.RejectRule, TVerdictRule::SpeedAbove);
  EXPECT_EQ(r.Reasons.front(), Format("speed %0.0f rpm above the maximum 2600 rpm", {r.Speed}));
  EXPECT_EQ(r.Lines.front(), "Speed exceeds fan limit...");
  EXPECT_TRUE(Contains(r.ExtraLines, Format("Running Speed\t%0.0f\trpm", {r.Speed})));

  const TRanking ranking = RankDuty(
      {Sample("orvane-ax-axial.qfn"), Sample("orvane-bc-centrifugal.qfn"), Sample("orvane-md-mixed.qfn")},
      duty, TRankKey::Power);
  ASSERT_FALSE(ranking.Candidates.empty());
  for (const TCandidate& c : ranking.Candidates) {
    SCOPED_TRACE(c.Model);
    EXPECT_NE(c.Verdict, TVerdictKind::Rejected);
    EXPECT_GE(c.SpeedMargin, 0);
  }
}

// The axial sample at 1 m³/s and 500 Pa: the search takes AX500, which gives
// 0.99 m³/s. Find passes it over for AX560, which meets the duty; with a
// tolerance of 2 % AX500 is acceptable and stays.
TEST(Verdict, FindFollowsTheVerdict) {
  TFan fan;
  fan.LoadFromFile(Sample("orvane-ax-axial.qfn"));
  const TFindResult found = FindAcceptableModel(fan, TDuty{1, 500, TPressureKind::Static, {}});
  ASSERT_GE(found.SearchIndex, 0);
  EXPECT_EQ(fan.Models()[static_cast<std::size_t>(found.SearchIndex)], "AX500");
  EXPECT_TRUE(found.Acceptable);
  EXPECT_EQ(fan.Model().Name, "AX560");
  EXPECT_EQ(fan.Models()[static_cast<std::size_t>(found.Index)], "AX560");
  ASSERT_EQ(found.Notes.size(), 1U);
  EXPECT_EQ(found.Notes[0].rfind("AX500 passed over (duty not met", 0), 0U) << found.Notes[0];

  const TFindResult tolerant = FindAcceptableModel(fan, TDuty{1, 500, TPressureKind::Static, {}, 2});
  EXPECT_EQ(tolerant.Index, tolerant.SearchIndex);
  EXPECT_TRUE(tolerant.Notes.empty());
  const TSelectionResult r = EvaluateDuty(fan, TDuty{1, 500, TPressureKind::Static, {}, 2}, 1, 500, {}, {});
  EXPECT_TRUE(r.DutyMet);
  EXPECT_EQ(r.Verdict, TVerdictKind::Warning);
  EXPECT_TRUE(Contains(r.Warnings, "within the tolerance of 2 %"));

  // No model meets 1 m³/s at 20 kPa: the search's choice stays, with the count.
  const TFindResult none = FindAcceptableModel(fan, TDuty{1, 20000, TPressureKind::Static, {}});
  EXPECT_FALSE(none.Acceptable);
  EXPECT_EQ(none.Index, none.SearchIndex);
  ASSERT_EQ(none.Notes.size(), 1U);
  EXPECT_EQ(none.Notes[0], "No model of this file meets the duty: 11 above their maximum speed");
}

// Negative and zero shaft power are data that cannot be used (a verification
// error of the model), and a power below the air power is impossible: never
// a candidate.
TEST(Verdict, ImpossiblePowerNeverRanks) {
  test::TTempDir dir;
  const std::string file =
      dir.Write("typo.qfn",
                "[Catalog]\nMaker=Typo\nRange=TY\nDensity=1.2\n"
                "[NEG]\nModel=400,1400,700,1600,400,400,1.8\nQa=0.5,1.0,1.5,2.0,2.5,3.0\n"
                "Ps=606.875,605,590.625,560,509.375,435\nPw=-1.25,-1.5,-1.75,-2,-2.25,-2.5\n"
                "Lw=81,82,83,84,85,86\n"
                "[ZERO]\nModel=400,1400,700,1600,400,400,1.8\nQa=0.5,1.0,1.5,2.0,2.5,3.0\n"
                "Ps=606.875,605,590.625,560,509.375,435\nPw=0,0,0,0,0,0\n"
                "Lw=81,82,83,84,85,86\n"
                "[LOW]\nModel=400,1400,700,1600,400,400,1.8\nQa=0.5,1.0,1.5,2.0,2.5,3.0\n"
                "Ps=606.875,605,590.625,560,509.375,435\nPw=0.01,0.01,0.01,0.01,0.01,0.01\n"
                "Lw=81,82,83,84,85,86\n");
  const TRanking ranking = RankDuty({file}, TDuty{2, 560, TPressureKind::Static, {}}, TRankKey::Power);
  EXPECT_TRUE(ranking.Candidates.empty());
  ASSERT_EQ(ranking.Rejected.size(), 3U);
  for (const TRejected& r : ranking.Rejected) {
    SCOPED_TRACE(r.Model);
    if (r.Model == "LOW") {
      EXPECT_EQ(r.Rule, TVerdictRule::Impossible);
      EXPECT_NE(r.Reason().find("the fan data are impossible"), std::string::npos) << r.Reason();
    } else {
      EXPECT_EQ(r.Rule, TVerdictRule::VerifyError);
      EXPECT_NE(r.Reason().find("power"), std::string::npos) << r.Reason();
    }
  }
}

// A stall margin only where the fitted pressure peak lies inside the tested
// flows; none of the samples has one. On a humped curve it is the distance
// from the peak in % of its flow, and a point left of it is rejected.
TEST(Verdict, StallMarginOnlyForAPeakInsideTheTestedFlows) {
  for (const char* file : {"orvane-ax-axial.qfn", "orvane-bc-centrifugal.qfn", "orvane-md-mixed.qfn"}) {
    SCOPED_TRACE(file);
    TFan fan;
    fan.LoadFromFile(Sample(file));
    for (const std::string& model : std::vector<std::string>(fan.Models())) {
      fan.SelectModel(model);
      const double q = fan.Model().QaNom, p = fan.PressureAt(q, fan.Model().RefSpeed);
      const TSelectionResult r = EvaluateDuty(fan, q, p, q, p);
      EXPECT_FALSE(r.StallMargin.has_value()) << model << " " << *r.StallMargin;
    }
  }
  // Ps = 400 + 200 Q - 60 Q² over 0.5 .. 3: the peak at 5/3 m³/s.
  test::TTempDir dir;
  std::string ps;
  for (double q : {0.5, 1.0, 1.5, 2.0, 2.5, 3.0})
    ps += (ps.empty() ? "" : ",") + Format("%g", {400 + 200 * q - 60 * q * q});
  const std::string file =
      dir.Write("hump.qfn",
                "[Catalog]\nMaker=H\nDensity=1.2\n[H1]\nModel=400,1400,700,1600,400,400,2\n"
                "Qa=0.5,1.0,1.5,2.0,2.5,3.0\nPs=" +
                    ps + "\nPw=0.9,1.1,1.3,1.5,1.7,1.9\nLw=81,82,83,84,85,86\n");
  TFan fan;
  fan.LoadFromFile(file);
  fan.SelectModel("H1");
  const double peak = 5.0 / 3.0;
  for (double q : {1.0, 2.5}) {
    SCOPED_TRACE(q);
    const double p = fan.PressureAt(q, 1400);
    const TSelectionResult r = EvaluateDuty(fan, q, p, q, p);
    ASSERT_TRUE(r.StallMargin.has_value());
    EXPECT_NEAR(*r.StallMargin, 100 * (q - peak) / peak, 1e-6);
    EXPECT_EQ(r.RejectRule == TVerdictRule::Stall, q < peak);
    if (q < peak) {
      EXPECT_TRUE(Contains(r.Reasons, Format("at %0.0f %% of the peak's flow", {100 * q / peak})));
    }
  }
}

// The BEP ratio from the fitted total-efficiency curve, not the best tested
// point: E2 of the exact catalogue (Ps = 700 + 10 Q - 5 Q² - 2 Q³, Pw =
// 1.5 + 0.5 Q, outlet 0.5 x 0.5 m, 1.2 kg/m³) peaks between its tested
// flows 4 and 5.
TEST(Verdict, BepRatioFromTheFittedEfficiencyCurve) {
  TFan fan;
  fan.LoadFromFile((test::SourceDir() / "tests/cli/data/exact.qfn").string());
  fan.SelectModel("E2");
  // The curve sampled densely, independently of the program's search.
  double bestQ = 1, best = 0;
  for (int i = 0; i <= 500000; ++i) {
    const double q = 1 + 5.0 * i / 500000;
    const double eta =
        q * (700 + 10 * q - 5 * q * q - 2 * q * q * q + 0.6 * (q / 0.25) * (q / 0.25)) / (1.5 + 0.5 * q);
    if (eta > best) {
      best = eta;
      bestQ = q;
    }
  }
  ASSERT_GT(bestQ, 4);
  ASSERT_LT(bestQ, 5);
  const double q = 3, p = 700 + 30 - 45 - 54;  // on the reference curve: 1200 rpm
  const TSelectionResult r = EvaluateDuty(fan, q, p, q, p);
  EXPECT_NEAR(r.BepRatio, 100 * q / bestQ, 1e-4);
  EXPECT_NEAR(r.PeakEfficiency, best / 10, 1e-6);
  // The best tested point (4 m³/s) would say 75 %.
  EXPECT_GT(std::abs(r.BepRatio - 75), 2);
}

TEST(Verdict, ParseDutyHasOneRuleAndOneMessageForEachInput) {
  struct Case {
    const char* name;
    std::vector<std::pair<TDutyField, const char*>> values;
    const char* error;  // empty: accepted
    double flow = 0, pressure = 0;
  };
  const Case cases[] = {
      {"plain", {{dfFlow, "1.5"}, {dfPressure, "400"}}, "", 1.5, 400},
      {"pressure of 0", {{dfFlow, "1.5"}, {dfPressure, "0"}}, "", 1.5, 0},
      {"flow of 0", {{dfFlow, "0"}, {dfPressure, "400"}}, "the flow must be above 0 ('0' at F)"},
      {"negative flow", {{dfFlow, "-1"}, {dfPressure, "400"}}, "the flow must be above 0 ('-1' at F)"},
      {"negative pressure",
       {{dfFlow, "1"}, {dfPressure, "-20"}},
       "the pressure must not be negative ('-20' at P)"},
      {"not a number",
       {{dfFlow, "1,5"}, {dfPressure, "400"}},
       "'1,5' is not a valid floating point value at F"},
      {"units in any case",
       {{dfFlow, "3600"}, {dfFlowUnits, "CMH"}, {dfPressure, "1"}, {dfPressureUnits, "KPA"}},
       "",
       1,
       1000},
      {"unknown unit",
       {{dfFlow, "1"}, {dfFlowUnits, "furlong"}, {dfPressure, "4"}},
       "unknown flow unit 'furlong'"},
      {"kind in any case", {{dfFlow, "1"}, {dfPressure, "4"}, {dfPressureKind, "TOTAL"}}, "", 1, 4},
      {"bad kind",
       {{dfFlow, "1"}, {dfPressure, "4"}, {dfPressureKind, "dynamic"}},
       "'dynamic' is not a pressure kind at K (static or total)"},
      {"degrees F",
       {{dfFlow, "1"}, {dfPressure, "4"}, {dfTemperature, "86"}, {dfTemperatureUnits, "F"}},
       "",
       1,
       4},
      {"feet by the catalogue",
       {{dfFlow, "1"}, {dfPressure, "4"}, {dfAltitude, "1000"}, {dfAltitudeUnits, "FEET"}},
       "",
       1,
       4},
      {"air twice",
       {{dfFlow, "1"}, {dfPressure, "4"}, {dfDensity, "1.1"}, {dfAltitude, "100"}},
       "give the air either as density or as altitude and temperature, not both"},
      {"tolerance too large",
       {{dfFlow, "1"}, {dfPressure, "4"}, {dfTolerance, "60"}},
       "the tolerance must lie between 0 and 50 % of the duty flow ('60' at T)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDutyText text;
    text.Places[dfFlow] = " at F";
    text.Places[dfPressure] = " at P";
    text.Places[dfPressureKind] = " at K";
    text.Places[dfTolerance] = " at T";
    for (const auto& [field, value] : c.values) text.Values[field] = value;
    TDuty duty;
    std::string error;
    const bool ok = ParseDuty(text, duty, error);
    EXPECT_EQ(ok, *c.error == 0) << error;
    if (ok) {
      EXPECT_NEAR(duty.Flow, c.flow, 1e-12 * c.flow);
      EXPECT_NEAR(duty.Pressure, c.pressure, 1e-9);
    } else {
      EXPECT_EQ(error.rfind(c.error, 0), 0U) << error;
    }
  }
  // 86 °F is 30 °C; 1000 ft is 304.8 m.
  TDutyText text;
  text.Values[dfFlow] = "1";
  text.Values[dfPressure] = "4";
  text.Values[dfTemperature] = "86";
  text.Values[dfTemperatureUnits] = "°F";
  text.Values[dfAltitude] = "1000";
  text.Values[dfAltitudeUnits] = "ft";
  TDuty duty;
  std::string error;
  ASSERT_TRUE(ParseDuty(text, duty, error)) << error;
  EXPECT_NEAR(duty.Air.Temperature, 30, 1e-12);
  EXPECT_NEAR(duty.Air.Altitude, 304.8, 1e-9);
  // The schedule reads its rows by the same rules: a negative flow is refused there too.
  TSchedule schedule;
  ASSERT_TRUE(ParseSchedule("mark,flow,pressure\nA,-1,400\nB,1,-5\n", schedule, error)) << error;
  ASSERT_EQ(schedule.Problems.size(), 2U);
  EXPECT_EQ(schedule.Problems[0].Text, "the flow must be above 0 ('-1' in column flow)");
  EXPECT_EQ(schedule.Problems[1].Text, "the pressure must not be negative ('-5' in column pressure)");
}
