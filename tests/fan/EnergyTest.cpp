// The energy figures: the Fan Energy Index against worked examples computed
// by hand from its formulas, the motor rating series at their boundaries,
// the rating keys of a catalogue, and the figures of a selection.
#include <gtest/gtest.h>

#include <cmath>

#include "base/Format.h"
#include "fan/FanAuthoring.h"
#include "fan/FanEnergy.h"
#include "fan/FanRanking.h"
#include "fan/FanRating.h"
#include "fan/FanSubmittal.h"
#include "fan/FanTestFiles.h"
#include "fan/QmFan.h"

using namespace blowden;
using namespace blowden::test;

namespace {

void ExpectRelative(double expected, double got, double tolerance = 1e-9) {
  EXPECT_NEAR(got, expected, std::fabs(expected) * tolerance) << "expected " << expected;
}

// Worked examples: H_ref = (Q + 0.118)(P + 100 ρ / 1.2) / (1000 η₀); FEP(H) =
// H / (η_t(H) η_m(H / η_t(H))); FEI = FEP(H_ref) / FEP(H). The figures were
// computed with a separate script from the formulas as written.
struct TFeiCase {
  const char* Name;
  double Flow, Pressure, Density;
  TFeiBasis Basis;
  double Shaft;
  double Reference, ReferenceFep, Fep, Fei;
};

const TFeiCase kFeiCases[] = {
    // Both motor outputs below 185 kW, catalogue air.
    {"total, small", 1.0, 500, 1.2, TFeiBasis::Total, 0.9, 1.0163636363636364, 1.2978940238058276,
     1.1622401547999788, 1.116717589256925},
    // Site density 1.1 kg/m³ moves the pressure offset to 91.67 Pa.
    {"static, site air", 2.5, 800, 1.1, TFeiBasis::Static, 3.5, 3.8906388888888888, 4.554958643632525,
     4.117375813018753, 1.1062771169029986},
    // Both motor outputs above 185 kW: the reference motor is 96.2 %.
    {"total, large", 60, 3000, 1.2, TFeiBasis::Total, 250, 282.37242424242424, 305.84524306330263,
     270.791910919373, 1.1294474861709094},
    // The reference fan's motor above 185 kW (187.8), the fan's below (177.2).
    {"static, across 185 kW", 40, 2600, 1.15, TFeiBasis::Static, 170, 180.2524027777778, 195.26815930217768,
     184.18580110621008, 1.0601694491617026},
};

TEST(FanEnergyIndex, WorkedExamples) {
  for (const TFeiCase& c : kFeiCases) {
    SCOPED_TRACE(c.Name);
    const double reference = ReferenceShaftPower(c.Flow, c.Pressure, c.Density, c.Basis);
    ExpectRelative(c.Reference, reference);
    ExpectRelative(c.ReferenceFep, ReferenceElectricalPower(reference));
    ExpectRelative(c.Fep, ReferenceElectricalPower(c.Shaft));
    ExpectRelative(c.Fei, FanEnergyIndex(reference, FanElectricalPower(c.Shaft, {})));
  }
}

TEST(FanEnergyIndex, ReferenceParts) {
  // 0.96 (1 / 2.64)^0.05 and the motor polynomial at x = 1.
  ExpectRelative(0.914515428452099, ReferenceTransmissionEfficiency(1.0));
  ExpectRelative(0.925278, ReferenceMotorEfficiency(10.0));
  EXPECT_EQ(ReferenceMotorEfficiency(185.0), 0.962);
  // Just below 185 kW the polynomial, which ends a little above 96.2 %.
  ExpectRelative(0.9622272693788714, ReferenceMotorEfficiency(184.999));
  EXPECT_EQ(ReferenceTransmissionEfficiency(0), 0);
  EXPECT_EQ(ReferenceElectricalPower(-1), 0);
  EXPECT_EQ(FanEnergyIndex(1, 0), 0);
  EXPECT_EQ(FeiBasisName(TFeiBasis::Static), "static");
  EXPECT_EQ(FeiBasisName(TFeiBasis::Total), "total");
}

TEST(FanEnergyIndex, DriveTrainOfTheCatalogue) {
  // Direct drive and a 91.2 % motor: FEP = H / 0.912; the reference fan
  // keeps the reference belt and motor.
  const double reference = ReferenceShaftPower(2.5, 800, 1.1, TFeiBasis::Static);
  const TDriveTrain direct{1.0, 0.912};
  ExpectRelative(3.837719298245614, FanElectricalPower(3.5, direct));
  ExpectRelative(1.1868920808551038, FanEnergyIndex(reference, FanElectricalPower(3.5, direct)));
  // A belt with a known motor: the reference transmission, the motor given.
  const double belt = 3.5 / (ReferenceTransmissionEfficiency(3.5) * 0.912);
  ExpectRelative(belt, FanElectricalPower(3.5, {std::nullopt, 0.912}));
}

TEST(MotorRating, SeriesBoundaries) {
  const double hp = 1 / kHorsepowerPerKilowatt;
  struct TCase {
    const char* Name;
    double Power;
    TMotorSeries Series;
    std::optional<double> Rating;  // kW
  } cases[] = {
      {"nothing asks the smallest", 0, TMotorSeries::Iec, 0.12},
      {"exactly a rating", 4.0, TMotorSeries::Iec, 4.0},
      {"a hair above a rating", 4.0 * (1 + 1e-12), TMotorSeries::Iec, 4.0},
      {"just above a rating", 4.001, TMotorSeries::Iec, 5.5},
      {"the largest", 500, TMotorSeries::Iec, 500},
      {"beyond the series", 500.01, TMotorSeries::Iec, std::nullopt},
      {"smallest hp", 0.1, TMotorSeries::Nema, 0.25 * hp},
      {"one third hp", 0.25 * hp * 1.01, TMotorSeries::Nema, hp / 3},
      {"4 kW in hp", 4.0, TMotorSeries::Nema, 7.5 * hp},
      {"exactly 10 hp", 10 * hp, TMotorSeries::Nema, 10 * hp},
      {"largest hp", 500 * hp, TMotorSeries::Nema, 500 * hp},
      {"beyond the hp series", 500 * hp * 1.001, TMotorSeries::Nema, std::nullopt},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::optional<double> got = StandardMotorRating(c.Power, c.Series);
    ASSERT_EQ(got.has_value(), c.Rating.has_value());
    if (got) ExpectRelative(*c.Rating, *got);
  }
  EXPECT_EQ(MotorRatings(TMotorSeries::Iec).size(), 33U);
  EXPECT_EQ(MotorRatings(TMotorSeries::Iec).front(), 0.12);
  EXPECT_EQ(MotorRatings(TMotorSeries::Nema).back(), 500);
}

TEST(MotorRating, Ie3TableAndChoice) {
  EXPECT_EQ(Ie3Efficiency(7.5), 90.4);
  EXPECT_EQ(Ie3Efficiency(1.5), 85.3);
  EXPECT_EQ(Ie3Efficiency(0.12), 64.8);
  EXPECT_EQ(Ie3Efficiency(0.05), 64.8);
  EXPECT_EQ(Ie3Efficiency(200), 96.0);
  EXPECT_EQ(Ie3Efficiency(450), 96.0);
  // 10 hp = 7.457 kW: between 5.5 kW (89.6) and 7.5 kW (90.4) in log10 of the power.
  ExpectRelative(90.38516913592301, Ie3Efficiency(10 / kHorsepowerPerKilowatt));

  // 5 kW with 10 % margin asks exactly 5.5 kW: that rating, not the next.
  TMotorChoice c = ChooseMotor(5.0, 10, TMotorSeries::Iec);
  EXPECT_EQ(c.RatedPower, 5.5);
  EXPECT_EQ(c.Efficiency, 89.6);
  EXPECT_FALSE(c.FromCatalogue);
  ExpectRelative(5.5, c.Required);
  c = ChooseMotor(5.0, 0, TMotorSeries::Iec);
  EXPECT_EQ(c.RatedPower, 5.5);
  c = ChooseMotor(4.0, 0, TMotorSeries::Iec);
  EXPECT_EQ(c.RatedPower, 4.0);
  // The catalogue's motor stays, whatever the power.
  c = ChooseMotor(5.0, 10, TMotorSeries::Iec, 4.0, 91.5, 4);
  EXPECT_EQ(c.RatedPower, 4.0);
  EXPECT_EQ(c.Efficiency, 91.5);
  EXPECT_TRUE(c.FromCatalogue);
  EXPECT_EQ(c.Poles, 4);
  // Beyond 500 kW: no rating, the largest class's efficiency.
  c = ChooseMotor(480, 10, TMotorSeries::Iec);
  EXPECT_EQ(c.RatedPower, 0);
  EXPECT_EQ(c.Efficiency, 96.0);
}

const char* kModelHead = "Model=500,1450,1000,2000,500,500,1.5\n";

std::string RatedCatalog() {
  return "[Catalog]\nMaker=Orvane\nRange=FX\nDensity=1.2\nRatingStandard=AMCA 210-16\nInstallationType=C\n"
         "Tolerance=ISO 13348 AN2\nCertified=AMCA "
         "licensed\nDrive=Direct\nMotor=5.5,4,91.2\nMaxTipSpeed=120\n";
}

class Rating : public ::testing::Test {
 protected:
  TTempDir Dir;
};

TEST_F(Rating, KeysReadWithTheirDefaults) {
  TFan fan;
  LoadText(
      fan, Dir,
      RatedCatalog() + CurveModel("A", kModelHead) +
          CurveModel("B",
                     std::string(kModelHead) +
                         "Drive=Belt\nMotor=7.5,2,92.1\nMaxTipSpeed=95\nSource=Derived from A, k = 1.120\n"));
  ASSERT_EQ(fan.Status(), fsReady);
  const TCatalogueRating& c = fan.Header().Rating;
  EXPECT_EQ(c.RatingStandard, "AMCA 210-16");
  EXPECT_EQ(c.Installation, TInstallationType::C);
  EXPECT_EQ(c.Tolerance, "ISO 13348 AN2");
  EXPECT_EQ(c.Certified, "AMCA licensed");
  EXPECT_EQ(c.Drive, TDriveKind::Direct);
  EXPECT_EQ(c.Motor.Power, 5.5);
  EXPECT_TRUE(c.Problems.empty());
  fan.SelectModel("A");
  EXPECT_EQ(fan.Model().Rating.Drive, TDriveKind::Direct);
  EXPECT_EQ(fan.Model().Rating.Motor.Efficiency, 91.2);
  EXPECT_EQ(fan.Model().Rating.MaxTipSpeed, 120);
  EXPECT_TRUE(fan.Model().Rating.CarriedLines.empty());
  fan.SelectModel("B");
  const TModelRating& b = fan.Model().Rating;
  EXPECT_EQ(b.Drive, TDriveKind::Belt);
  EXPECT_EQ(b.Motor.Power, 7.5);
  EXPECT_EQ(b.Motor.Poles, 2);
  EXPECT_EQ(b.MaxTipSpeed, 95);
  EXPECT_EQ(b.Source, "Derived from A, k = 1.120");
  EXPECT_EQ(b.CarriedLines, (std::vector<std::string>{"Drive=Belt", "MaxTipSpeed=95"}));
  EXPECT_EQ(fan.Verify(), 0) << (fan.Errors().empty() ? "" : fan.Errors()[0]);
  EXPECT_EQ(FeiBasisOf(TInstallationType::A), TFeiBasis::Static);
  EXPECT_EQ(FeiBasisOf(TInstallationType::D), TFeiBasis::Total);
  EXPECT_EQ(FeiBasisOf(TInstallationType::Unknown), TFeiBasis::Total);
}

TEST_F(Rating, DeriveCarriesTheModelsDriveAndTipSpeedAndNamesItsSource) {
  TFan fan;
  LoadText(fan, Dir,
           RatedCatalog() +
               CurveModel("B", std::string(kModelHead) + "Drive=Belt\nMotor=7.5,2,92.1\nMaxTipSpeed=95\n"));
  fan.SelectModel("B");
  TDeriveRequest request;
  request.Name = "B560";
  request.Diameter = 560;
  const TDeriveResult r = DeriveModel(fan.Model(), nullptr, request);
  ASSERT_TRUE(r.Error.empty()) << r.Error;
  EXPECT_NE(r.Section.find("\nSource=Derived from B, k = 1.120\nDrive=Belt\nMaxTipSpeed=95\n"),
            std::string::npos)
      << r.Section;
  // Another size needs its own motor.
  EXPECT_EQ(r.Section.find("Motor="), std::string::npos);
  // The written section reads back with its source.
  TFan derived;
  LoadText(derived, Dir, RatedCatalog() + r.Section, "derived.qfn");
  derived.SelectModel("B560");
  EXPECT_EQ(derived.Model().Rating.Source, "Derived from B, k = 1.120");
  EXPECT_EQ(derived.Model().Rating.Drive, TDriveKind::Belt);
  EXPECT_EQ(derived.Verify(), 0) << (derived.Errors().empty() ? "" : derived.Errors()[0]);
}

TEST_F(Rating, AFileWithoutTheKeysReadsAsBefore) {
  // The same models with and without the rating keys: every figure that the
  // keys do not touch is the same, bit for bit.
  TFan plain, rated;
  LoadText(plain, Dir, std::string(kCatalog) + CurveModel("A", kModelHead), "plain.qfn");
  LoadText(
      rated, Dir,
      "[Catalog]\nMaker=Orvane\nRange=FX\nDensity=1.2\nRatingStandard=ISO 5801:2017\nInstallationType=B\n"
      "Tolerance=ISO 13348 AN3\nCertified=no\n" +
          CurveModel("A", std::string(kModelHead) + "Source=Tested\n"),
      "rated.qfn");
  plain.SelectModel("A");
  rated.SelectModel("A");
  const TFanModel &p = plain.Model(), &r = rated.Model();
  EXPECT_EQ(p.Qa, r.Qa);
  EXPECT_EQ(p.Ps, r.Ps);
  EXPECT_EQ(p.Pw, r.Pw);
  EXPECT_EQ(p.Lw, r.Lw);
  EXPECT_EQ(p.QaNom, r.QaNom);
  EXPECT_EQ(plain.Coeffs(), rated.Coeffs());
  EXPECT_EQ(plain.Header().Maker, rated.Header().Maker);
  EXPECT_EQ(plain.Header().Density, rated.Header().Density);
  EXPECT_EQ(plain.Verify(), 0);
  EXPECT_EQ(rated.Verify(), 0);
  EXPECT_EQ(p.Rating.Drive, TDriveKind::Unknown);
  EXPECT_FALSE(p.Rating.Motor.Given());
  EXPECT_TRUE(plain.Header().Rating.RatingStandard.empty());
  // Installation type B is ducted: the total basis, as without the key.
  const TDuty duty{2.0, 500, TPressureKind::Static, {}};
  rated.SelectModel("A");
  const TSelectionResult a = EvaluateDuty(plain, duty, 2.0, 500, {}, TResultUnits{}, false);
  const TSelectionResult b = EvaluateDuty(rated, duty, 2.0, 500, {}, TResultUnits{}, false);
  EXPECT_EQ(a.Speed, b.Speed);
  EXPECT_EQ(a.ShaftPower, b.ShaftPower);
  EXPECT_EQ(a.Energy.Fei, b.Energy.Fei);
  EXPECT_EQ(a.Energy.Motor.RatedPower, b.Energy.Motor.RatedPower);
  EXPECT_EQ(a.Energy.ElectricalPower, b.Energy.ElectricalPower);
  EXPECT_EQ(a.Energy.Basis, TFeiBasis::Total);
  EXPECT_EQ(a.Lines, b.Lines);
  EXPECT_EQ(a.Warnings, b.Warnings);
}

TEST_F(Rating, VerifyChecksTheSyntax) {
  struct TCase {
    const char* Name;
    const char* CatalogLine;
    const char* ModelLine;
    const char* Error;  // the verification line's text after "FX (A)  "
  } cases[] = {
      {"drive", "Drive=Chain\n", "", "[Catalog] \"Drive\" is 'Chain', not Direct or Belt"},
      {"installation", "InstallationType=E\n", "", "[Catalog] \"InstallationType\" is 'E', not A, B, C or D"},
      {"motor items", "", "Motor=7.5,4\n",
       "\"Motor\" is '7.5,4', not \"kW,poles,efficiency %\" (such as 7.5,4,91.2)"},
      {"motor efficiency as a fraction", "", "Motor=7.5,4,0.91\n",
       "\"Motor\" is '7.5,4,0.91': the efficiency is a percentage above 1 and at most 100"},
      {"motor poles", "", "Motor=7.5,3,91\n",
       "\"Motor\" is '7.5,3,91': the number of poles must be even, 2 to 16"},
      {"motor power", "", "Motor=0,4,91\n", "\"Motor\" is '0,4,91': the motor's power must be above 0 kW"},
      {"tip speed", "", "MaxTipSpeed=fast\n", "\"MaxTipSpeed\" is 'fast', not a speed above 0 m/s"},
      {"source", "", "Source=Guessed\n",
       "\"Source\" is 'Guessed', not Tested or Derived (a remark may follow)"},
  };
  int file = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TFan fan;
    LoadText(fan, Dir,
             std::string(kCatalog) + c.CatalogLine + CurveModel("A", std::string(kModelHead) + c.ModelLine),
             "bad" + std::to_string(++file) + ".qfn");
    ASSERT_EQ(fan.Verify(), 1);
    EXPECT_EQ(fan.Errors()[0], std::string("FX (A)  ") + c.Error);
    // The key counts as not given: the model still evaluates.
    fan.SelectModel("A");
    EXPECT_EQ(fan.Status(), fsReady);
  }
}

TEST_F(Rating, SelectionFigures) {
  TFan fan;
  LoadText(fan, Dir,
           RatedCatalog() + CurveModel("A", kModelHead) +
               CurveModel("B", std::string(kModelHead) + "Drive=Belt\n"));
  fan.SelectModel("A");
  TDuty duty{2.0, 500, TPressureKind::Static, {}};
  TSelectionResult r = EvaluateDuty(fan, duty, 2.0, 500, {}, TResultUnits{}, false);
  ASSERT_EQ(r.Status, fsReady);
  const TEnergyFigures& e = r.Energy;
  ASSERT_TRUE(e.Known);
  // Installation type C: static basis; direct drive and the catalogue's 91.2 % motor.
  EXPECT_EQ(e.Basis, TFeiBasis::Static);
  const double reference = ReferenceShaftPower(r.Volume, r.PStatic, 1.2, TFeiBasis::Static);
  ExpectRelative(reference, e.ReferenceShaftPower);
  ExpectRelative(r.ShaftPower / 0.912, e.FanElectricalPower);
  ExpectRelative(ReferenceElectricalPower(reference) / (r.ShaftPower / 0.912), e.Fei);
  EXPECT_EQ(e.Motor.RatedPower, 5.5);
  EXPECT_TRUE(e.Motor.FromCatalogue);
  ExpectRelative(r.ShaftPower / 0.912, e.ElectricalPower);
  // The largest shaft power along the speed: the last point's, 2.5 kW at 1450 rpm.
  const double s = r.Speed / 1450;
  ExpectRelative(2.5 * s * s * s, e.MaxShaftPower);
  ExpectRelative(3.141592653589793 * 0.5 * r.Speed / 60, e.TipSpeed);
  ExpectRelative(r.Volume / 0.25, e.OutletVelocity);
  EXPECT_EQ(r.ExtraLines.back(), Format("Outlet Velocity\t%0.1f\tm/s", {r.Volume / 0.25}));

  // A belt drive with no motor of its own keeps the catalogue's motor; the
  // belt is the reference transmission.
  fan.SelectModel("B");
  r = EvaluateDuty(fan, duty, 2.0, 500, {}, TResultUnits{}, false);
  ExpectRelative(r.ShaftPower / (ReferenceTransmissionEfficiency(r.ShaftPower) * 0.912),
                 r.Energy.FanElectricalPower);

  // The minimum FEI rejects, with the reason and its rule.
  fan.SelectModel("A");
  duty.Energy.MinFei = r.Energy.Fei + 10;
  r = EvaluateDuty(fan, duty, 2.0, 500, {}, TResultUnits{}, false);
  EXPECT_EQ(r.Verdict, TVerdictKind::Rejected);
  EXPECT_EQ(r.RejectRule, TVerdictRule::FeiBelow);
  EXPECT_EQ(r.Reasons.back(),
            Format("FEI %0.2f below the minimum %0.2f", {r.Energy.Fei, duty.Energy.MinFei}));
  const TVerdictRule rules[] = {TVerdictRule::FeiBelow, TVerdictRule::FeiBelow};
  EXPECT_EQ(RejectionCounts(rules), "2 below the minimum FEI");
}

TEST_F(Rating, BareShaftMotorChoiceAndSeries) {
  TFan fan;
  LoadText(fan, Dir, std::string(kCatalog) + CurveModel("A", kModelHead));
  fan.SelectModel("A");
  TDuty duty{2.0, 500, TPressureKind::Static, {}};
  TSelectionResult r = EvaluateDuty(fan, duty, 2.0, 500, {}, TResultUnits{}, false);
  const TEnergyFigures& e = r.Energy;
  EXPECT_FALSE(e.Motor.FromCatalogue);
  ExpectRelative(e.MaxShaftPower * 1.1, e.Motor.Required);
  EXPECT_EQ(e.Motor.RatedPower, *StandardMotorRating(e.Motor.Required, TMotorSeries::Iec));
  EXPECT_EQ(e.Motor.Efficiency, Ie3Efficiency(e.Motor.RatedPower));
  ExpectRelative(ReferenceElectricalPower(r.ShaftPower), e.FanElectricalPower);
  ExpectRelative(r.ShaftPower / (ReferenceTransmissionEfficiency(r.ShaftPower) * e.Motor.Efficiency / 100),
                 e.ElectricalPower);
  // NEMA ratings for IP results, and a larger margin.
  duty.Energy.Series = TMotorSeries::Nema;
  duty.Energy.MotorMargin = 50;
  r = EvaluateDuty(fan, duty, 2.0, 500, {}, TResultUnits::IP(), false);
  ExpectRelative(r.Energy.MaxShaftPower * 1.5, r.Energy.Motor.Required);
  EXPECT_EQ(r.Energy.Motor.RatedPower, *StandardMotorRating(r.Energy.Motor.Required, TMotorSeries::Nema));
  const std::vector<std::string> lines = EnergyLines(r, TResultUnits::IP());
  ASSERT_EQ(lines.size(), 7U);
  EXPECT_EQ(lines[0].rfind("Fan Energy Index (total)\t", 0), 0U);
  EXPECT_EQ(lines[5].substr(lines[5].rfind('\t')), "\tft/min");
}

TEST_F(Rating, RankingSortsByFeiWithTheSelectionsFigures) {
  const std::string file = Dir.Write(
      "two.qfn", std::string(kCatalog) + CurveModel("A", kModelHead) +
                     CurveModel("B", "Model=560,1450,1000,2000,500,500,1.5\nMotor=11,4,93\nDrive=Direct\n"));
  const TDuty duty{2.0, 500, TPressureKind::Static, {}};
  const TRanking ranking = RankDuty({file}, duty, TRankKey::Fei, 1);
  ASSERT_EQ(ranking.Candidates.size(), 2U);
  EXPECT_GE(ranking.Candidates[0].Energy.Fei, ranking.Candidates[1].Energy.Fei);
  EXPECT_EQ(FindRankKey("FEI"), TRankKey::Fei);
  EXPECT_EQ(RankKeyName(TRankKey::Fei), "fei");
  TFan fan;
  fan.LoadFromFile(file);
  for (const TCandidate& c : ranking.Candidates) {
    fan.SelectModel(c.Model);
    const TSelectionResult r = EvaluateDuty(fan, duty, 2.0, 500, {}, TResultUnits{}, false);
    EXPECT_EQ(c.Energy.Fei, r.Energy.Fei);
    EXPECT_EQ(c.Energy.ElectricalPower, r.Energy.ElectricalPower);
    EXPECT_EQ(c.Energy.Motor.RatedPower, r.Energy.Motor.RatedPower);
  }
  // A minimum above the best FEI rejects both, with the reason.
  TDuty strict = duty;
  strict.Energy.MinFei = ranking.Candidates[0].Energy.Fei + 1;
  const TRanking none = RankDuty({file}, strict, TRankKey::Fei, 1);
  EXPECT_TRUE(none.Candidates.empty());
  ASSERT_EQ(none.Rejected.size(), 2U);
  EXPECT_EQ(none.Rejected[0].Rule, TVerdictRule::FeiBelow);
}

}  // namespace
