// Speed solution at a duty point and the choice of the best model.
#include <gtest/gtest.h>

#include <cmath>

#include "fan/FanTestFiles.h"
#include "fan/QmFan.h"
#include "numeric/Regress.h"

using namespace blowden;
using namespace blowden::test;

namespace {

// The test curves at 1450 rpm, speeds 900..1600, outlet 500 × 400 mm.
const char* kModelLine = "Model=500,1450,900,1600,500,400,1.75\n";

struct DutyFixture : testing::Test {
  void Load(const std::string& text) { LoadText(fan, dir, text); }
  void LoadCurve(const std::string& head) {
    Load(std::string(kCatalog) + CurveModel("F500", head));
    fan.SelectModel("F500");
    ASSERT_EQ(fan.Status(), fsReady);
  }
  // A duty whose exact root is `speed`: the point `qRef` of the fitted
  // reference curve carried to that speed by the fan laws.
  void DutyAt(double qRef, double speed, double& q, double& p) const {
    const double c = speed / fan.Model().RefSpeed;
    q = qRef * c;
    p = PolyValue(fan.Coeffs(), qRef) * c * c;
  }

  TTempDir dir;
  TFan fan;
};

using SolveSpeed = DutyFixture;
using FindBestModel = DutyFixture;

}  // namespace

TEST_F(SolveSpeed, ReferenceCurvePointGivesTheReferenceSpeed) {
  LoadCurve(kModelLine);
  double q = 1.5, p = PolyValue(fan.Coeffs(), 1.5), raw = 0;
  const double n = fan.SolveSpeed(q, p, raw);
  EXPECT_EQ(fan.Status(), fsReady);
  EXPECT_NEAR(n, 1450, 1e-3);
  EXPECT_EQ(raw, n);
  EXPECT_EQ(q, 1.5);  // not moved
  // The root balances the fan's pressure at that speed against the duty's.
  EXPECT_LE(std::fabs(fan.PressureAt(q, n) - p), 1e-6);
}

TEST_F(SolveSpeed, RootsAndLimits) {
  LoadCurve(kModelLine);
  struct Case {
    const char* name;
    double qRef, root;
    double speed;  // expected result; 0: the root itself
    int status;
  } cases[] = {
      {"at reference speed", 1.5, 1450, 0, fsReady},
      {"slower", 2.0, 1200, 0, fsReady},
      {"low flow", 0.75, 1000, 0, fsReady},
      {"5 % above the maximum is accepted", 1.5, 1.05 * 1600, 0, fsReady},
      {"5 % below the minimum is accepted", 1.5, 0.95 * 900, 0, fsReady},
      {"15 % below the minimum is clamped", 1.5, 0.85 * 900, 900, fsSpeedRange},
      {"15 % above the maximum is clamped", 1.5, 1.15 * 1600, 1600, fsSpeedRange},
      {"flow 4 % beyond the curve", 3.0 + 0.04 * 2.5, 1450, 0, fsReady},
      {"flow 6 % beyond the curve", 3.0 + 0.06 * 2.5, 1450, 0, fsVolumeRange},
      {"flow 6 % before the curve", 0.5 - 0.06 * 2.5, 1300, 0, fsVolumeRange},
      {"flow 4 % before the curve", 0.5 - 0.04 * 2.5, 1300, 0, fsReady},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    double q0 = 0, p0 = 0;
    DutyAt(c.qRef, c.root, q0, p0);
    double q = q0, p = p0, raw = 0;
    const double n = fan.SolveSpeed(q, p, raw);
    EXPECT_EQ(fan.Status(), c.status);
    EXPECT_NEAR(raw, c.root, 1e-3);
    // The raw root puts the duty on the fan's curve.
    EXPECT_NEAR(fan.PressureAt(q0, raw), p0, 1e-5);
    if (c.speed == 0) {
      EXPECT_EQ(n, raw);
      EXPECT_EQ(q, q0);
      EXPECT_EQ(p, p0);
    } else {
      // Clamped: the duty moves along its system curve to the limit speed.
      EXPECT_EQ(n, c.speed);
      EXPECT_DOUBLE_EQ(q, q0 * (c.speed / raw));
      EXPECT_DOUBLE_EQ(p, p0 * (c.speed / raw) * (c.speed / raw));
    }
  }
}

TEST_F(SolveSpeed, ListedSpeeds) {
  struct Case {
    const char* name;
    const char* speeds;
    double root, listed;
  } cases[] = {
      {"next listed speed up", "Speed=960,1450\n", 1100, 1450},
      {"root above every listed speed: the last", "Speed=700,960\n", 1100, 960},
      {"root just below a listed speed", "Speed=960,1100,1450\n", 1099, 1100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir d;
    LoadText(fan, d, std::string(kCatalog) + CurveModel("F500", std::string(kModelLine) + c.speeds));
    fan.SelectModel("F500");
    ASSERT_EQ(fan.Status(), fsReady);
    double q0 = 0, p0 = 0;
    DutyAt(1.5, c.root, q0, p0);
    double q = q0, p = p0, raw = 0;
    const double n = fan.SolveSpeed(q, p, raw);
    EXPECT_EQ(fan.Status(), fsReady);
    EXPECT_NEAR(raw, c.root, 1e-3);
    EXPECT_EQ(n, c.listed);
    const double ratio = c.listed / raw;
    EXPECT_DOUBLE_EQ(q, q0 * ratio);
    EXPECT_DOUBLE_EQ(p, ratio * ratio * p0);
    // The point on the curve is that of the root: power at the listed speed follows from it.
    EXPECT_NEAR(fan.ShaftPower(n), CurvePw(1.5) * std::pow(n / 1450, 3), 1e-6);
  }
}

TEST_F(SolveSpeed, EmptySpeedListIsNoList) {
  LoadCurve(std::string(kModelLine) + "Speed=\n");
  EXPECT_TRUE(fan.Model().HasSpeeds);
  double q = 0, p = 0, raw = 0;
  DutyAt(1.5, 1100, q, p);
  const double n = fan.SolveSpeed(q, p, raw);
  EXPECT_EQ(fan.Status(), fsReady);
  EXPECT_EQ(n, raw);
}

TEST_F(SolveSpeed, WithoutModelLineTheSecondTrySolves) {
  // Speeds 1360 .. 1360: the first try has no step, Newton from 1360 finds the root.
  LoadCurve("");
  ASSERT_EQ(fan.Model().MinSpeed, fan.Model().MaxSpeed);
  double q = 0, p = 0, raw = 0;
  DutyAt(2.0, 1400, q, p);
  const double n = fan.SolveSpeed(q, p, raw);
  EXPECT_EQ(fan.Status(), fsReady);
  EXPECT_NEAR(n, 1400, 1e-3);
}

TEST_F(SolveSpeed, NoRootGivesTheNominalPoint) {
  LoadCurve(kModelLine);
  double q = 0, p = -100, raw = 0;  // a negative pressure at no flow: no speed reaches it
  const double n = fan.SolveSpeed(q, p, raw);
  EXPECT_EQ(fan.Status(), fsDataError);
  EXPECT_EQ(n, 1450);
  EXPECT_EQ(q, 1.75);
  EXPECT_NEAR(p, CurvePs(1.75), 1e-9);
  EXPECT_DOUBLE_EQ(raw, 0.9 * 900);                 // the bracketed search returns its first end
  EXPECT_EQ(fan.OutletVelocity(), 0);               // the duty flow is kept
  EXPECT_DOUBLE_EQ(fan.RefPower(), CurvePw(1.75));  // the point in the curves is the nominal one
  EXPECT_EQ(fan.ModelStatus(), fsReady);            // the model itself read well
}

TEST_F(SolveSpeed, NominalPointAfterAFailedSolve) {
  LoadCurve(kModelLine);
  double q = 0, p = 0, raw = 0;
  DutyAt(1.5, 2 * 1600, q, p);
  fan.SolveSpeed(q, p, raw);
  ASSERT_EQ(fan.Status(), fsSpeedRange);
  EXPECT_EQ(fan.NominalPoint(q, p), 1450);
  EXPECT_EQ(fan.Status(), fsReady);
  EXPECT_EQ(q, 1.75);
  EXPECT_NEAR(p, CurvePs(1.75), 1e-9);
}

TEST_F(SolveSpeed, PowerAndSoundAtTheSolvedPoint) {
  LoadCurve(kModelLine);
  double q = 0, p = 0, raw = 0;
  DutyAt(2.25, 1250, q, p);
  const double n = fan.SolveSpeed(q, p, raw);
  ASSERT_EQ(fan.Status(), fsReady);
  EXPECT_NEAR(fan.ShaftPower(n), CurvePw(2.25) * std::pow(1250.0 / 1450, 3), 1e-6);
  EXPECT_NEAR(fan.SoundPower(n), CurveLw(2.25) + 50 * std::log10(1250.0 / 1450), 1e-6);
}

TEST_F(SolveSpeed, ClampedDutyStaysOnItsSystemCurve) {
  LoadCurve(kModelLine);
  for (double root : {0.5 * 900, 2.0 * 1600}) {
    SCOPED_TRACE(root);
    double q0 = 0, p0 = 0;
    DutyAt(1.5, root, q0, p0);
    double q = q0, p = p0, raw = 0;
    const double n = fan.SolveSpeed(q, p, raw);
    EXPECT_EQ(fan.Status(), fsSpeedRange);
    // Flow with the speed, pressure with its square: P / Q² is that of the duty.
    EXPECT_DOUBLE_EQ(q / q0, n / raw);
    EXPECT_DOUBLE_EQ(p / (q * q), p0 / (q0 * q0));
  }
}

TEST_F(FindBestModel, NominalFlowIsComparedAtTheSolvedSpeed) {
  // At 1000 rpm the duty lies on the curve at 2.0 m³/s (reference speed):
  // B's nominal flow carried to 1000 rpm meets it exactly; A's nominal flow,
  // nearer the duty's flow as it stands, does not once it is carried too.
  Load(std::string(kCatalog) + CurveModel("A", "Model=500,1450,900,1600,500,400,1.45\n") +
       CurveModel("B", "Model=500,1450,900,1600,500,400,2.0\n"));
  fan.SelectModel("A");
  double q = 0, p = 0;
  DutyAt(2.0, 1000, q, p);
  ASSERT_LT(std::fabs(1.45 - q), std::fabs(2.0 - q));
  EXPECT_EQ(fan.FindBestModel(q, p), 1);
  EXPECT_EQ(fan.Model().Name, "B");
}

TEST_F(FindBestModel, NearestNominalFlowWins) {
  Load(std::string(kCatalog) + CurveModel("A", "Model=500,1450,900,1600,500,400,1.0\n") +
       CurveModel("B", "Model=500,1450,900,1600,500,400,1.5\n") +
       CurveModel("C", "Model=500,1450,900,1600,500,400,2.0\n"));
  fan.SelectModel("A");
  double q = 0, p = 0;
  DutyAt(1.5, 1450, q, p);
  EXPECT_EQ(fan.FindBestModel(q, p), 1);
  EXPECT_EQ(fan.BestIndex(), 1);
  EXPECT_EQ(fan.Model().Name, "B");
  EXPECT_EQ(fan.Status(), fsReady);
}

TEST_F(FindBestModel, TiesGoToTheEarlierModel) {
  Load(std::string(kCatalog) + CurveModel("Far", "Model=500,1450,900,1600,500,400,0.5\n") +
       CurveModel("Twin1", kModelLine) + CurveModel("Twin2", kModelLine));
  fan.SelectModel("Far");
  double q = 0, p = 0;
  DutyAt(1.5, 1300, q, p);
  EXPECT_EQ(fan.FindBestModel(q, p), 1);
  EXPECT_EQ(fan.Model().Name, "Twin1");
}

TEST_F(FindBestModel, AllClampedGivesTheFirstModel) {
  Load(std::string(kCatalog) + CurveModel("A", kModelLine) + CurveModel("B", kModelLine));
  fan.SelectModel("B");
  double q = 0, p = 0;
  DutyAt(1.5, 2 * 1600, q, p);  // every model would need twice its maximum speed
  EXPECT_EQ(fan.FindBestModel(q, p), 0);
  EXPECT_EQ(fan.Model().Name, "A");
  EXPECT_EQ(fan.Status(), fsReady);
}

TEST_F(FindBestModel, NothingToSearch) {
  TFan fresh;
  EXPECT_EQ(fresh.FindBestModel(1, 500), -1);

  Load(std::string(kCatalog) + CurveModel("A", kModelLine));
  fan.SelectModel("A");
  fan.LoadFromFile(dir.File("missing.qfn"));
  EXPECT_EQ(fan.FindBestModel(1, 500), -1);
  EXPECT_EQ(fan.Model().Name, "A");  // nothing was read

  TFan noModels;
  LoadText(noModels, dir, std::string(kCatalog), "catalog-only.qfn");
  EXPECT_EQ(noModels.FindBestModel(1, 500), -1);
}

TEST_F(FindBestModel, InvalidModelLineStillTakesPart) {
  // "Bad" reads with the fall-back values (1360 rpm, nominal flow 2.0 from the
  // table); the duty lies on its curve at 1360 rpm with exactly that flow.
  Load(std::string(kCatalog) + CurveModel("Good", "Model=500,1450,900,1600,500,400,0.75\n") +
       CurveModel("Bad", "Model=500,1450,x,1600,500,400,2.0\n"));
  fan.SelectModel("Good");
  const double p = PolyValue(fan.Coeffs(), 2.0);
  const int found = fan.FindBestModel(2.0, p);
  EXPECT_EQ(fan.BestIndex(), 1);
  EXPECT_EQ(fan.Model().Name, "Bad");
  // Made current again, its read reports the bad "Model" line.
  EXPECT_EQ(fan.Status(), fsDataError);
  EXPECT_EQ(found, -1);
}

TEST_F(FindBestModel, StoppedReadIsPassedOver) {
  // "Short" would hold the curve fitted for "Good" and, with its own nominal
  // flow on the duty, would be nearest; its pressure list is short, so it is
  // not considered.
  const auto qa = CurveQa();
  auto ps = Map(qa, CurvePs);
  ps.pop_back();
  Load(std::string(kCatalog) + CurveModel("Good", "Model=500,1450,900,1600,500,400,1.0\n") +
       "[Short]\nModel=500,1450,900,1600,500,400,1.5\nQa=" + List(qa) + "\nPs=" + List(ps) +
       "\nPw=1\nLw=1\n");
  fan.SelectModel("Good");
  double q = 0, p = 0;
  DutyAt(1.5, 1450, q, p);
  EXPECT_EQ(fan.FindBestModel(q, p), 0);
  EXPECT_EQ(fan.Model().Name, "Good");

  TFan onlyShort;
  LoadText(onlyShort, dir,
           std::string(kCatalog) + "[Short]\nQa=" + List(qa) + "\nPs=" + List(ps) + "\nPw=1\nLw=1\n",
           "short.qfn");
  EXPECT_EQ(onlyShort.FindBestModel(q, p), -1);
  EXPECT_EQ(onlyShort.Status(), fsDataError);
}
