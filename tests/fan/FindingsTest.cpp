#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "fan/FanFindings.h"
#include "fan/FanTestFiles.h"
#include "numeric/Regress.h"

namespace blowden {
namespace {

// A model whose six tested points lie on the given curves; outlet 0.5 × 0.5 m.
TFanModel MakeModel(std::vector<double> qa, std::vector<double> ps, std::vector<double> pw,
                    std::vector<double> lw) {
  TFanModel m;
  m.Name = "T1";
  m.RefSpeed = 1000;
  m.MinSpeed = 500;
  m.MaxSpeed = 1500;
  m.OutletWidth = m.OutletHeight = 0.5;
  m.Count = static_cast<int>(qa.size());
  m.QaNom = qa[qa.size() / 2];
  m.Qa = std::move(qa);
  m.Ps = std::move(ps);
  m.Pw = std::move(pw);
  m.Lw = std::move(lw);
  return m;
}

std::vector<double> Fit(const TFanModel& m, const std::vector<double>& y, int order) {
  std::vector<double> c;
  int err = 0;
  TFitStats stats;
  std::string summary;
  FitPolynomial(m.Qa, y, m.Count, order, c, err, stats, summary);
  return c;
}

bool Has(const std::vector<TFinding>& f, TFindingLevel level, const std::string& part) {
  return std::any_of(f.begin(), f.end(), [&](const TFinding& x) {
    return x.Level == level && x.Text.find(part) != std::string::npos;
  });
}

bool HasWarning(const TOperatingAssessment& a, const std::string& part) {
  return std::any_of(a.Warnings.begin(), a.Warnings.end(),
                     [&](const std::string& w) { return w.find(part) != std::string::npos; });
}

// A plausible centrifugal curve: pressure peak at 2 m³/s, efficiencies 30-75 %.
TFanModel Plausible() {
  std::vector<double> qa{1, 1.5, 2, 2.5, 3, 3.5, 4}, ps, pw, lw;
  for (double q : qa) {
    ps.push_back(1000 - 100 * (q - 2) * (q - 2));
    pw.push_back(2.5 + 0.4 * q);
    lw.push_back(80 + q);
  }
  return MakeModel(qa, ps, pw, lw);
}

TEST(OperatingAssessment, DutyMetOnlyWhenTheFanDeliversAtLeastTheDuty) {
  const TFanModel m = Plausible();
  const TPressurePeak peak = FindPressurePeak(m, Fit(m, m.Ps, 3), 0);
  struct Case {
    int status;
    double flow, pressure;
    bool met;
  } cases[] = {
      {fsReady, 3.0, 900, true},        // exactly the duty
      {fsReady, 3.3, 1089, true},       // a listed speed above the root: more than asked
      {fsReady, 2.7, 729, false},       // the last listed speed is too slow
      {fsSpeedRange, 3.0, 900, false},  // clamped speed: never a success
      {fsVolumeRange, 3.0, 900, false},
  };
  for (const Case& c : cases) {
    TOperatingPoint p{3.0, 900, c.flow, c.pressure, c.pressure + 20, 1000, 4.0, c.status};
    const TOperatingAssessment a = AssessOperatingPoint(m, peak, p);
    EXPECT_EQ(a.DutyMet, c.met) << c.flow << " status " << c.status;
    EXPECT_EQ(HasWarning(a, "Duty not met: at 1000 rpm the fan gives 2.70 m³/s at 729 Pa"),
              c.status == fsReady && !c.met);
  }
}

TEST(OperatingAssessment, StallExtrapolationAndEfficiencyWarnings) {
  const TFanModel m = Plausible();
  const TPressurePeak peak = FindPressurePeak(m, Fit(m, m.Ps, 3), 0);
  ASSERT_TRUE(peak.Interior);
  EXPECT_NEAR(peak.Flow, 2.0, 0.01);
  EXPECT_NEAR(peak.Pressure, 1000, 0.5);

  struct Case {
    double flow, power;  // at reference speed
    double stallMargin, extrapolation;
    const char* warning;  // nullptr: no warning at all
  } cases[] = {
      {3.0, 5.0, 50, 0, nullptr},
      {1.5, 5.0, -25, 0, "left of the pressure peak (unstable, stall-prone region): 25 %"},
      {4.3, 5.0, 115, 10, "outside the tested flows by 10 % of their span"},
      {0.7, 5.0, -65, 10, "outside the tested flows by 10 %"},
      {3.0, 2.8, 50, 0, "above 90 %: the fan data are implausible"},
      {3.0, 2.5, 50, 0, "above 100 %: the fan data are impossible"},
  };
  for (const Case& c : cases) {
    TOperatingPoint p{c.flow, 800, c.flow, 800, 850, 1000, c.power, fsReady};
    const TOperatingAssessment a = AssessOperatingPoint(m, peak, p);
    EXPECT_NEAR(a.StallMargin, c.stallMargin, 0.6) << c.flow;
    EXPECT_NEAR(a.Extrapolation, c.extrapolation, 1e-9) << c.flow;
    EXPECT_DOUBLE_EQ(a.StaticEfficiency, 0.1 * c.flow * 800 / c.power);
    EXPECT_DOUBLE_EQ(a.TotalEfficiency, 0.1 * c.flow * 850 / c.power);
    if (c.warning) {
      EXPECT_TRUE(HasWarning(a, c.warning)) << c.flow << " " << c.power;
    } else {
      EXPECT_TRUE(a.Warnings.empty()) << a.Warnings.front();
    }
  }
}

TEST(OperatingAssessment, AtTwiceTheReferenceSpeedTheStallTestUsesTheReferenceFlow) {
  const TFanModel m = Plausible();
  const TPressurePeak peak = FindPressurePeak(m, Fit(m, m.Ps, 3), 0);
  // 3.6 m³/s at 2000 rpm is 1.8 m³/s at 1000 rpm: left of the peak at 2.
  TOperatingPoint p{3.6, 3000, 3.6, 3000, 3100, 2000, 40, fsReady};
  EXPECT_TRUE(HasWarning(AssessOperatingPoint(m, peak, p), "left of the pressure peak"));
}

TEST(PressurePeak, FallingCurveHasNoUnstableRegion) {
  TFanModel m = MakeModel({1, 2, 3, 4, 5, 6}, {600, 550, 480, 390, 280, 150}, {1, 1, 1, 1, 1, 1},
                          {80, 80, 80, 80, 80, 80});
  const TPressurePeak fitted = FindPressurePeak(m, Fit(m, m.Ps, 3), 0);
  EXPECT_FALSE(fitted.Interior);
  EXPECT_DOUBLE_EQ(fitted.Flow, 1);
  // Without a fit the data's highest point counts.
  m.Ps = {500, 620, 600, 500, 300, 100};
  const TPressurePeak data = FindPressurePeak(m, {}, -1);
  EXPECT_TRUE(data.Interior);
  EXPECT_DOUBLE_EQ(data.Flow, 2);
  EXPECT_DOUBLE_EQ(data.Pressure, 620);
}

TEST(PhysicsCheck, PlausibleModelHasNoErrorOrWarning) {
  TFanModel m = Plausible();
  // A sound power and a size such a fan has: specific sound level 29-36 dB,
  // pressure coefficient below 0.5, tip speed 63 m/s at MaxSpeed.
  for (double& lw : m.Lw) lw += 10;
  m.Diameter = 0.8;
  const auto findings = CheckModelPhysics(m, 1.2, Fit(m, m.Ps, 3), 0);
  for (const TFinding& f : findings) EXPECT_EQ(f.Level, TFindingLevel::Note) << f.Text;
  // One note per tested point with both efficiencies and every residual, and
  // the pressure peak with the points left of it.
  EXPECT_TRUE(
      Has(findings, TFindingLevel::Note, "Pressure peak 1000 Pa at 2.000 m³/s; tested points left of it"));
  EXPECT_TRUE(Has(findings, TFindingLevel::Note,
                  "Q 1 m³/s: static efficiency 31.0 %, total efficiency 31.4 %; Ps residual"));
  EXPECT_EQ(std::count_if(findings.begin(), findings.end(), [](const TFinding& f) { return f.Point >= 0; }),
            7);
  EXPECT_FALSE(Has(findings, TFindingLevel::Note, "Nominal flow not given"));
  m.QaNomFallBack = true;
  EXPECT_TRUE(Has(CheckModelPhysics(m, 1.2, Fit(m, m.Ps, 3), 0), TFindingLevel::Note,
                  "Nominal flow not given: the point two thirds along the curve is used"));
}

TEST(PhysicsCheck, ImpossiblePowerImplausibleEfficiencyPoorFitAndSoundTypo) {
  struct Case {
    int point;
    double ps, pw, lw;
    TFindingLevel level;
    const char* text;
  } cases[] = {
      // 0.05 kW at 1 m³/s and 500 Pa: ten times the power the fan could absorb.
      {0, 500, 0.05, 81, TFindingLevel::Error, "Shaft power 0.05 kW is below the air power"},
      {0, 500, 0.05, 81, TFindingLevel::Error, "Total efficiency 1000.0 % is above 100 %"},
      {3, 1000, 2.6, 82.5, TFindingLevel::Warning, "Total efficiency 96.2 % is above 90 %"},
      {3, 1150, 3.5, 82.5, TFindingLevel::Warning, "Ps fit misses the tested value by"},
      {3, 1250, 3.5, 70, TFindingLevel::Warning, "Sound power falls by 12.0 dB while the air power rises"},
  };
  for (const Case& c : cases) {
    TFanModel m = Plausible();
    m.Ps[static_cast<std::size_t>(c.point)] = c.ps;
    m.Pw[static_cast<std::size_t>(c.point)] = c.pw;
    m.Lw[static_cast<std::size_t>(c.point)] = c.lw;
    m.OutletWidth = m.OutletHeight = 10;  // a negligible velocity pressure
    const auto findings = CheckModelPhysics(m, 1.2, Fit(m, m.Ps, 3), 0);
    const auto it = std::find_if(findings.begin(), findings.end(), [&](const TFinding& f) {
      return f.Point == c.point && f.Text.find(c.text) != std::string::npos;
    });
    ASSERT_NE(it, findings.end()) << c.text;
    EXPECT_EQ(it->Level, c.level) << c.text;
    EXPECT_EQ(it->Model, "T1");
  }
}

TEST(PhysicsCheck, ResidualsVanishForDataOnTheFittedCurves) {
  std::vector<double> qa{0.5, 1, 1.5, 2, 2.5, 3}, ps, pw, lw;
  for (double q : qa) {
    ps.push_back(900 + 40 * q - 30 * q * q - 5 * q * q * q);
    pw.push_back(5 + 0.2 * q + 0.01 * q * q * q);
    lw.push_back(90 + 2 * q - 0.3 * q * q);
  }
  const TFanModel m = MakeModel(qa, ps, pw, lw);
  for (const TFinding& f : CheckModelPhysics(m, 1.2, Fit(m, m.Ps, 3), 0)) {
    EXPECT_NE(f.Level, TFindingLevel::Warning) << f.Text;
    if (f.Point >= 0 && f.Level == TFindingLevel::Note) {
      EXPECT_NE(f.Text.find("Ps residual 0.0 Pa (0.0 %)"), std::string::npos) << f.Text;
      EXPECT_NE(f.Text.find("Lw residual 0.00 dB (0.0 %)"), std::string::npos) << f.Text;
    }
  }
}

// Figures no real fan reaches: each raises one warning, the plausible model none.
TEST(PhysicsCheck, ImplausibleFigures) {
  struct Case {
    const char* name;
    void (*change)(TFanModel&);
    double maxTipSpeed;
    const char* warning;  // nullptr: none of the three
    int point;
  } cases[] = {
      {"plausible", [](TFanModel&) {}, kMaxTipSpeed, nullptr, -1},
      // 1038 Pa total at 2 m³/s, a tip speed of 10.5 m/s: psi 7.89.
      {"pressure coefficient", [](TFanModel& m) { m.Diameter = 0.2; }, kMaxTipSpeed,
       "Pressure coefficient pt/(rho u²) 7.89 is above 1.5", 2},
      {"quiet", [](TFanModel& m) { m.Lw.assign(m.Lw.size(), 40); }, kMaxTipSpeed,
       "Specific sound level Lw - 10 lg(Q) - 20 lg(pt) -24.7 dB lies outside 20 to 55 dB: no real fan is so "
       "quiet",
       4},
      {"loud", [](TFanModel& m) { m.Lw.assign(m.Lw.size(), 130); }, kMaxTipSpeed,
       "Specific sound level Lw - 10 lg(Q) - 20 lg(pt) 70.8 dB lies outside 20 to 55 dB: no real fan is so "
       "loud",
       0},
      // Near free delivery the specific sound level means nothing: the last
      // point, at 5 % of the highest total pressure, is not judged.
      {"quiet at free delivery",
       [](TFanModel& m) {
         m.Qa.push_back(5);
         m.Ps.push_back(-190);
         m.Pw.push_back(4.5);
         m.Lw.push_back(20);
         m.Count = 8;
       },
       kMaxTipSpeed, nullptr, -1},
      {"tip speed", [](TFanModel& m) { m.MaxSpeed = 3600; }, kMaxTipSpeed,
       "Tip speed 150.8 m/s at MaxSpeed 3600 rpm is above 150 m/s", -1},
      {"tip speed the catalogue allows", [](TFanModel& m) { m.MaxSpeed = 3600; }, 160, nullptr, -1},
      {"tip speed above the catalogue's limit", [](TFanModel& m) { m.MaxSpeed = 3000; }, 120,
       "Tip speed 125.7 m/s at MaxSpeed 3000 rpm is above 120 m/s", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFanModel m = Plausible();
    for (double& lw : m.Lw) lw += 10;
    m.Diameter = 0.8;
    c.change(m);
    const auto findings = CheckModelPhysics(m, 1.2, Fit(m, m.Ps, 3), 0, c.maxTipSpeed);
    std::vector<const TFinding*> found;
    for (const TFinding& f : findings)
      for (const char* kind : {"Pressure coefficient", "Specific sound level", "Tip speed"})
        if (f.Text.rfind(kind, 0) == 0) found.push_back(&f);
    if (!c.warning) {
      for (const TFinding* f : found) ADD_FAILURE() << f->Text;
      continue;
    }
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->Level, TFindingLevel::Warning);
    EXPECT_EQ(found[0]->Text.rfind(c.warning, 0), 0u) << found[0]->Text;
    EXPECT_EQ(found[0]->Point, c.point);
  }
}

// The file check: the catalogue's test density and tip speed limit, and data
// no result can use reported as errors instead of being judged.
TEST(PhysicsCheck, FileCheckJudgesTheCatalogue) {
  const std::string model = test::CurveModel("F500", "Model=500,1450,900,1600,500,400,1.75\n");
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> findings;  // errors and warnings, "model: text" (start of the text)
  } cases[] = {
      {"sound", std::string(test::kCatalog) + model, {}},
      {"density typed 0.12",
       "[Catalog]\nRange=FX\nDensity=0.12\n" + model,
       {": Test density 0.12 kg/m³ lies outside 0.9 to 1.3 kg/m³",
        // The mistyped density shows in the pressure coefficient as well.
        "F500: Pressure coefficient"}},
      {"tip speed",
       std::string(test::kCatalog) + test::CurveModel("F2000", "Model=2000,1450,900,1600,2000,0,1.75\n"),
       {"F2000: Tip speed 167.6 m/s at MaxSpeed 1600 rpm is above 150 m/s"}},
      {"tip speed allowed",
       std::string(test::kCatalog) + "MaxTipSpeed=170\n" +
           test::CurveModel("F2000", "Model=2000,1450,900,1600,2000,0,1.75\n"),
       {}},
      {"negative power",
       std::string(test::kCatalog) + "[N]\nQa=1,2,3,4,5\nPs=500,400,300,200,100\nPw=1,1,-0.455,1,1\nLw=85\n",
       {"N: Shaft power must be above zero (point 3: -0.455 kW)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TTempDir dir;
    TFan fan;
    const TFileCheck check = CheckFile(fan, dir.Write("fan.qfn", c.text));
    std::vector<std::string> found;
    for (const TFinding& f : check.Findings)
      if (f.Level != TFindingLevel::Note) found.push_back(f.Model + ": " + f.Text);
    ASSERT_EQ(found.size(), c.findings.size()) << (found.empty() ? "" : found[0]);
    for (std::size_t i = 0; i < found.size(); ++i)
      EXPECT_EQ(found[i].rfind(c.findings[i], 0), 0u) << found[i];
  }
}

}  // namespace
}  // namespace blowden
