// A duty at site air, of either pressure kind, and the judgement of the
// point the fan runs at.
#include <gtest/gtest.h>

#include <cmath>

#include "base/Format.h"
#include "fan/FanSelection.h"
#include "fan/QmFan.h"
#include "support/TestSupport.h"

using namespace blowden;

namespace {

const char* kSamples[] = {"orvane-bc-centrifugal.qfn", "orvane-ax-axial.qfn", "orvane-md-mixed.qfn"};

std::string Sample(const char* name) { return (test::SamplesDir() / name).string(); }

// Every sample model at a duty on its own curve a little below the nominal point.
template <class F>
void ForEachSampleDuty(F f) {
  for (const char* file : kSamples) {
    TFan fan;
    fan.LoadFromFile(Sample(file));
    for (const std::string& model : fan.Models()) {
      fan.SelectModel(model);
      const double q = 0.9 * fan.Model().QaNom;
      const double p = 0.8 * fan.PressureAt(q, fan.Model().RefSpeed);
      f(fan, file + std::string(" ") + model, q, p);
    }
  }
}

}  // namespace

TEST(SiteDuty, CatalogueAirAndAStaticDutyGiveTodaysFiguresExactly) {
  ForEachSampleDuty([](TFan& fan, const std::string& trace, double q, double p) {
    SCOPED_TRACE(trace);
    const TSelectionResult plain = EvaluateDuty(fan, q, p, q, p);
    // The catalogue's air given as an explicit density equal to it changes nothing either.
    for (const TSiteAir& air : {TSiteAir{}, TSiteAir{TSiteAir::saDensity, fan.Header().Density}}) {
      const TSelectionResult site =
          EvaluateDuty(fan, TDuty{q, p, TPressureKind::Static, air}, q, p, {}, TResultUnits{});
      EXPECT_EQ(site.Lines, plain.Lines);
      EXPECT_EQ(site.Speed, plain.Speed);
      EXPECT_EQ(site.Volume, plain.Volume);
      EXPECT_EQ(site.PStatic, plain.PStatic);
      EXPECT_EQ(site.PTotal, plain.PTotal);
      EXPECT_EQ(site.ShaftPower, plain.ShaftPower);
      EXPECT_EQ(site.Efficiency, plain.Efficiency);
      EXPECT_EQ(site.SoundPower, plain.SoundPower);
      EXPECT_EQ(site.DensityRatio, 1.0);
    }
  });
}

TEST(SiteDuty, DensityRatioScalesPressuresAndPowerOnly) {
  ForEachSampleDuty([](TFan& fan, const std::string& trace, double q, double p) {
    SCOPED_TRACE(trace);
    const TSelectionResult ref = EvaluateDuty(fan, q, p, q, p);
    if (ref.Status != fsReady) return;
    for (double r : {0.5, 0.8, 0.95, 1.1, 1.3}) {
      // The same fan at the same speed and flow: the site duty is the reference one × r.
      const TSiteAir air{TSiteAir::saDensity, r * fan.Header().Density};
      const TSelectionResult site =
          EvaluateDuty(fan, TDuty{q, p * r, TPressureKind::Static, air}, q, p * r, {}, TResultUnits{});
      ASSERT_EQ(site.Status, fsReady) << r;
      EXPECT_NEAR(site.Speed, ref.Speed, 1e-9 * ref.Speed) << r;
      EXPECT_NEAR(site.Volume, ref.Volume, 1e-12 * ref.Volume) << r;
      EXPECT_NEAR(site.PStatic, ref.PStatic * r, 1e-9 * ref.PStatic) << r;
      EXPECT_NEAR(site.PTotal, ref.PTotal * r, 1e-9 * ref.PTotal) << r;
      EXPECT_NEAR(site.ShaftPower, ref.ShaftPower * r, 1e-9 * ref.ShaftPower) << r;
      EXPECT_NEAR(site.Efficiency, ref.Efficiency, 1e-9 * ref.Efficiency) << r;
      // Sound power follows the density as 20 lg(ρ/ρref).
      EXPECT_NEAR(site.SoundPower, ref.SoundPower + 20 * std::log10(r), 1e-9) << r;
      EXPECT_NEAR(site.DensityRatio, r, 1e-15) << r;
    }
  });
}

TEST(SiteDuty, TotalPressureDutyUsesTheModelsOutletVelocityPressure) {
  TFan fan;
  fan.LoadFromFile(Sample(kSamples[0]));
  fan.SelectModel(fan.Models()[2]);
  const double q = fan.Model().QaNom, area = fan.OutletArea();
  const double pd = 0.5 * fan.Header().Density * (q / area) * (q / area);
  const TSelectionResult st = EvaluateDuty(fan, q, 500, q, 500);
  const TSelectionResult tot =
      EvaluateDuty(fan, TDuty{q, 500 + pd, TPressureKind::Total, {}}, q, 500 + pd, {}, TResultUnits{});
  EXPECT_NEAR(tot.Speed, st.Speed, 1e-9 * st.Speed);
  EXPECT_NEAR(tot.PTotal, 500 + pd, 1e-9 * 500);
  EXPECT_EQ(tot.PressureKind, TPressureKind::Total);
}

TEST(SiteDuty, ResultLinesFollowTheChosenUnits) {
  TFan fan;
  fan.LoadFromFile(Sample(kSamples[0]));
  fan.SelectModel(fan.Models()[2]);
  const double q = fan.Model().QaNom;
  const TSelectionResult si = EvaluateDuty(fan, q, 500, q, 500);
  const TSelectionResult ip =
      EvaluateDuty(fan, TDuty{q, 500, TPressureKind::Static, {}}, q, 500, {}, TResultUnits::IP());
  ASSERT_EQ(ip.Lines.size(), 9U);
  EXPECT_EQ(ip.Lines[0], si.Lines[0]);
  EXPECT_EQ(ip.Lines[1], Format("Volume Flow\t%0.2f\tcfm", {q * 2118.8800032893155}));
  EXPECT_EQ(ip.Lines[3], Format("Static Pressure\t%0.4f\tInchWg", {ip.PStatic * 4.014630759755623 / 1000}));
  EXPECT_EQ(ip.Lines[6], Format("Shaft Power\t%0.2f\tHP", {ip.ShaftPower * 1.341021858656296}));
  EXPECT_EQ(ip.Lines[7], si.Lines[7]);
}

TEST(SiteDuty, AnUnmetDutyIsNeverASuccess) {
  // The largest axial sample at its top listed speed cannot reach 5 m³/s at 1000 Pa.
  TFan fan;
  fan.LoadFromFile(Sample(kSamples[1]));
  ASSERT_GE(fan.FindBestModel(5, 1000), 0);
  const TSelectionResult r = EvaluateDuty(fan, 5, 1000, 5, 1000);
  EXPECT_EQ(r.Status, fsReady);
  EXPECT_FALSE(r.DutyMet);
  EXPECT_LT(r.Volume, 5);
  EXPECT_EQ(r.Verdict, TVerdictKind::Rejected);
  ASSERT_FALSE(r.Reasons.empty());
  EXPECT_EQ(
      r.Reasons[0].rfind(Format("duty not met at the highest listed speed %0.0f rpm: the fan gives %0.2f "
                                "m³/s at %0.0f Pa",
                                {r.Speed, r.Volume, r.PStatic}),
                         0),
      0U)
      << r.Reasons[0];
  EXPECT_EQ(r.Lines.size(), 9U);
  // Both the duty and the operating point are inside the chart's window.
  for (auto [x, y] : {std::pair{5.0, 1000.0}, std::pair{r.Volume, r.PStatic}}) {
    EXPECT_LE(r.Chart.XMin, x);
    EXPECT_GE(r.Chart.XMax, x);
    EXPECT_LE(r.Chart.YMin, y);
    EXPECT_GE(r.Chart.YMax, y);
  }
  // A duty on the curve is met, without warnings.
  fan.SelectModel(fan.Models()[2]);
  const double q = fan.Model().QaNom;
  const double p = fan.PressureAt(q, fan.Model().RefSpeed);
  const TSelectionResult ok = EvaluateDuty(fan, q, p, q, p);
  EXPECT_TRUE(ok.DutyMet);
  EXPECT_TRUE(ok.Reasons.empty()) << ok.Reasons[0];
}

TEST(SiteDuty, TheSearchJudgesEachModelAtTheSiteAndItsOwnOutlet) {
  for (const char* file : kSamples) {
    SCOPED_TRACE(file);
    TFan a, b;
    a.LoadFromFile(Sample(file));
    b.LoadFromFile(Sample(file));
    // The catalogue's air and a static duty: exactly the fan model's own search.
    EXPECT_EQ(FindBestModel(a, TDuty{1.5, 400, TPressureKind::Static, {}}), b.FindBestModel(1.5, 400));
    // Thin, hot air and a total duty still find a model that meets it.
    const TDuty site{1.5, 400, TPressureKind::Total, {TSiteAir::saAltitudeTemperature, 0, 1500, 40}};
    const int index = FindBestModel(a, site);
    if (index < 0) continue;
    const TSelectionResult r = EvaluateDuty(a, site, 1.5, 400, {}, TResultUnits{});
    EXPECT_EQ(r.Status, fsReady) << a.Model().Name;
    // A listed speed moves the point along the system curve; otherwise it is the duty.
    if (!a.Model().HasSpeeds) {
      EXPECT_NEAR(r.PTotal, 400, 1e-3) << a.Model().Name;
    }
  }
}
