// Octave-band sound: weighting and sums against worked examples, the band
// keys as read and verified, and the bands at an operating point.
#include <gtest/gtest.h>

#include <cmath>

#include "FanTestFiles.h"
#include "fan/FanAuthoring.h"
#include "fan/FanBandImport.h"
#include "fan/FanSelection.h"
#include "fan/FanSound.h"

using namespace blowden;
using namespace blowden::test;

namespace {

// A spectrum shape (dB relative to one another) and the band lists of a
// model whose energy sums are `lw` plus `offset` at every point.
constexpr std::array<double, kBandCount> kShape{-2, 1, 3, 2, 0, -3, -8, -14};

std::string BandLines(const std::vector<double>& lw, double offset = 0, std::size_t bands = kBandCount) {
  const double shapeSum = EnergySum(kShape);
  std::string s;
  for (std::size_t i = 0; i < bands; ++i) {
    std::vector<double> v;
    for (double l : lw) v.push_back(l + offset + kShape[i] - shapeSum);
    s += BandKey(i) + "=" + List(v) + "\n";
  }
  return s;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

}  // namespace

TEST(Sound, WeightingAndSumsAgainstWorkedExamples) {
  // Trane, "Acoustics in Air Conditioning" (TRG-TRC007-EN), figure 24:
  // octave bands 63 .. 8000 Hz of 63, 52, 45, 38, 31, 24, 16, 10 dB give
  // 42 dBA (its weights rounded to whole decibels).
  EXPECT_EQ(std::lround(AWeightedSum({63, 52, 45, 38, 31, 24, 16, 10})), 42);
  // Cirrus Research, "Calculating dB(A) from Octave Band Sound Levels": the
  // band levels after the IEC 61672 correction, 63 Hz .. 8 kHz.
  const std::array<double, kBandCount> measured{78.4, 83.3, 87.6, 87.3, 93.5, 93.8, 97.0, 99.9};
  const std::array<double, kBandCount> corrected{52.2, 67.2, 79.0, 84.1, 93.5, 95.0, 98.0, 98.8};
  for (std::size_t i = 0; i < kBandCount; ++i) EXPECT_NEAR(measured[i] + kAWeighting[i], corrected[i], 1e-9);

  // By hand (10 lg of the sum of 10^(L/10)).
  struct Case {
    const char* name;
    std::vector<double> levels;
    double expected;
  };
  const Case cases[] = {
      {"two equal levels add 3 dB", {80, 80}, 83.01029995663981},
      {"10 dB apart add 0.4 dB", {90, 80}, 90.41392685158226},
      {"one level is itself", {71.3}, 71.3},
      {"eight equal levels add 9 dB", {80, 80, 80, 80, 80, 80, 80, 80}, 89.03089986991944},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(EnergySum(c.levels), c.expected, 1e-9);
  }
  EXPECT_TRUE(std::isinf(EnergySum(std::vector<double>{})));
  EXPECT_NEAR(AWeightedSum({80, 80, 80, 80, 80, 80, 80, 80}), 86.98713148119766, 1e-9);

  // Lp = Lw - 10 lg(4 pi r² / Q).
  EXPECT_NEAR(PressureLevelAt(80, {1.5, 2}), 68.49637613530523, 1e-9);
  EXPECT_NEAR(PressureLevelAt(80, {1, 1}), 80 - 10 * std::log10(4 * 3.141592653589793), 1e-9);
  // Twice the distance: 6 dB less; twice the directivity: 3 dB more.
  EXPECT_NEAR(PressureLevelAt(80, {3, 2}) - PressureLevelAt(80, {1.5, 2}), -6.0206, 1e-4);
  EXPECT_NEAR(PressureLevelAt(80, {1.5, 4}) - PressureLevelAt(80, {1.5, 2}), 3.0103, 1e-4);
}

TEST(Sound, SoundKindNames) {
  EXPECT_EQ(FindSoundKind(" outlet "), TSoundKind::Outlet);
  EXPECT_EQ(FindSoundKind("TOTAL"), TSoundKind::Total);
  EXPECT_EQ(FindSoundKind(""), TSoundKind::None);
  EXPECT_FALSE(FindSoundKind("Duct"));
  EXPECT_EQ(SoundKindName(TSoundKind::Inlet), "Inlet");
}

TEST(Sound, BandKeysReadAndVerify) {
  const std::vector<double> lw = Map(CurveQa(), CurveLw);
  const auto qa = CurveQa();
  const std::string data = "Model=500,1450,700,1600,500,500,2\nQa=" + List(qa) +
                           "\nPs=" + List(Map(qa, CurvePs)) + "\nPw=" + List(Map(qa, CurvePw)) + "\n";
  const std::string lwLine = "Lw=" + List(lw) + "\n";
  struct Case {
    const char* name;
    std::string catalog, model;
    bool bands;
    TSoundKind kind;
    std::string error;  // a line verification must give ("" for none)
  };
  const std::string some = BandLines(lw, 0, 6);
  std::string shortBand = BandLines(lw);
  const std::size_t at = shortBand.find("Lw500=");
  shortBand.replace(at, shortBand.find('\n', at) - at, "Lw500=80,81");
  std::string badItem = BandLines(lw);
  badItem.replace(badItem.find("Lw2000=") + 7, 0, "x9,");
  const Case cases[] = {
      {"no bands", "", lwLine, false, TSoundKind::None, ""},
      {"bands and Lw, kind from the catalogue", "LwKind=Outlet\n", lwLine + BandLines(lw), true,
       TSoundKind::Outlet, ""},
      {"the model's kind wins", "LwKind=Outlet\n", "LwKind=inlet\n" + lwLine + BandLines(lw), true,
       TSoundKind::Inlet, ""},
      {"bands without Lw", "", BandLines(lw), true, TSoundKind::None, ""},
      {"six bands of eight", "", lwLine + some, false, TSoundKind::None,
       "Octave bands must be given all eight or none (missing: Lw4000, Lw8000)"},
      {"a band short of the flows", "", lwLine + shortBand, false, TSoundKind::None,
       "Lw500 holds 2 value(s) for 11 flows"},
      {"a band item not a number", "", lwLine + badItem, false, TSoundKind::None,
       "\"Lw2000\" item 1 is 'x9', not a number"},
      {"an unknown kind", "LwKind=Duct\n", lwLine + BandLines(lw), true, TSoundKind::None,
       "\"LwKind\" is 'Duct': Inlet, Outlet or Total"},
  };
  TTempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFan fan;
    LoadText(fan, dir, std::string(kCatalog) + c.catalog + "[F400]\n" + data + c.model);
    fan.SelectModel("F400");
    ASSERT_EQ(fan.Status(), fsReady) << fan.ReadProblem();
    EXPECT_EQ(HasBands(fan.Model()), c.bands);
    EXPECT_EQ(fan.Model().Bands.Kind, c.kind);
    // With or without "Lw", the sound powers are the same (within rounding of the sums).
    ASSERT_EQ(fan.Model().Lw.size(), lw.size());
    for (std::size_t j = 0; j < lw.size(); ++j) EXPECT_NEAR(fan.Model().Lw[j], lw[j], 1e-9);
    fan.Verify();
    const std::string errors = Joined(fan.Errors());
    if (c.error.empty())
      EXPECT_EQ(errors, "") << errors;
    else
      EXPECT_NE(errors.find("FX (F400)  " + c.error + "\n"), std::string::npos) << errors;
  }

  // Neither "Lw" nor a complete set of bands: the model cannot be read, as before.
  TFan fan;
  LoadText(fan, dir, std::string(kCatalog) + "[F400]\n" + data + some);
  fan.SelectModel("F400");
  EXPECT_EQ(fan.Status(), fsDataError);
  EXPECT_EQ(fan.ReadProblem(), "\"Lw\" is missing or empty");
}

TEST(Sound, CheckWarnsWhereTheBandsMissTheTotalByMoreThanOneDecibel) {
  const auto qa = CurveQa();
  const std::vector<double> lw = Map(qa, CurveLw);
  TTempDir dir;
  for (const double offset : {0.0, 0.9, -1.2, 1.5}) {
    SCOPED_TRACE(offset);
    TFan fan;
    const std::string path =
        dir.Write("fan.qfn", std::string(kCatalog) + CurveModel("F400", "") + BandLines(lw, offset));
    const TFileCheck check = CheckFile(fan, path);
    int bandWarnings = 0;
    for (const TFinding& f : check.Findings)
      if (f.Text.rfind("Octave bands sum to", 0) == 0) {
        ++bandWarnings;
        EXPECT_EQ(f.Level, TFindingLevel::Warning);
      }
    EXPECT_EQ(bandWarnings, std::fabs(offset) > 1 ? static_cast<int>(qa.size()) : 0);
  }
}

TEST(Sound, BandsAtTheOperatingPointTakeTheTotalsCorrection) {
  const auto qa = CurveQa();
  const std::vector<double> lw = Map(qa, CurveLw);
  // Band i is the total plus a constant: at any point of the curve it is the
  // total's interpolation plus that constant, and at the operating point the
  // total's value plus it, whatever speed and air moved the total.
  const std::array<double, kBandCount> offsets{0, -3, -4.5, -6, -9, -12, -15, -20};
  std::string bands;
  for (std::size_t i = 0; i < kBandCount; ++i) {
    std::vector<double> v;
    for (double l : lw) v.push_back(l + offsets[i]);
    bands += BandKey(i) + "=" + List(v) + "\n";
  }
  const std::string head = "Model=500,1450,700,1600,500,500,2\n";
  TTempDir dir;
  TFan plain, banded;
  LoadText(plain, dir, std::string(kCatalog) + CurveModel("F400", head), "plain.qfn");
  LoadText(banded, dir, std::string(kCatalog) + "LwKind=Outlet\n" + CurveModel("F400", head) + bands,
           "banded.qfn");
  plain.SelectModel("F400");
  banded.SelectModel("F400");
  struct Case {
    const char* name;
    TDuty duty;
  };
  TDuty thin{1.2, 400, TPressureKind::Static, {}, 0};
  thin.Air.Source = TSiteAir::saAltitudeTemperature;
  thin.Air.Altitude = 1500;
  thin.Air.Temperature = 35;
  thin.Listener = {3, 1};
  TDuty total{2.0, 700, TPressureKind::Total, {}, 0};
  total.Air.Source = TSiteAir::saDensity;
  total.Air.Density = 1.31;
  const Case cases[] = {
      {"catalogue air, static", {1.5, 500, TPressureKind::Static, {}, 0}},
      {"thin warm air, listener at 3 m in free field", thin},
      {"dense air, total pressure", total},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TSelectionResult p = EvaluateDuty(plain, c.duty, c.duty.Flow, c.duty.Pressure, {}, TResultUnits{});
    const TSelectionResult b = EvaluateDuty(banded, c.duty, c.duty.Flow, c.duty.Pressure, {}, TResultUnits{});
    ASSERT_EQ(b.Status, fsReady);
    ASSERT_NE(b.Speed, 1450.0);
    // A file with bands selects as one without: every figure bit for bit.
    EXPECT_EQ(p.Speed, b.Speed);
    EXPECT_EQ(p.Volume, b.Volume);
    EXPECT_EQ(p.PStatic, b.PStatic);
    EXPECT_EQ(p.ShaftPower, b.ShaftPower);
    EXPECT_EQ(p.SoundPower, b.SoundPower);
    EXPECT_EQ(p.Verdict, b.Verdict);

    EXPECT_FALSE(p.Sound.Bands);
    EXPECT_FALSE(p.Sound.LwA);
    EXPECT_FALSE(p.Sound.LpWeighted);
    EXPECT_DOUBLE_EQ(p.Sound.Lp, PressureLevelAt(p.SoundPower, c.duty.Listener));

    ASSERT_TRUE(b.Sound.Bands);
    EXPECT_EQ((*b.Sound.Bands)[0], b.SoundPower);  // the same list, the same arithmetic
    for (std::size_t i = 0; i < kBandCount; ++i)
      EXPECT_NEAR((*b.Sound.Bands)[i], b.SoundPower + offsets[i], 1e-9);
    EXPECT_NEAR(*b.Sound.LwA, AWeightedSum(*b.Sound.Bands), 1e-12);
    EXPECT_TRUE(b.Sound.LpWeighted);
    EXPECT_NEAR(b.Sound.Lp, PressureLevelAt(*b.Sound.LwA, c.duty.Listener), 1e-12);
    EXPECT_EQ(b.Sound.Kind, TSoundKind::Outlet);
    EXPECT_EQ(b.Sound.Listener.Distance, c.duty.Listener.Distance);
  }
}

TEST(Sound, TheCentrifugalSamplesGiveBandsThatAddUpToTheirLw) {
  TFan fan;
  fan.LoadFromFile((SamplesDir() / "orvane-bc-centrifugal.qfn").string());
  ASSERT_FALSE(fan.Models().empty());
  EXPECT_EQ(fan.Verify(), 0);
  for (const std::string& model : fan.Models()) {
    SCOPED_TRACE(model);
    fan.SelectModel(model);
    ASSERT_TRUE(HasBands(fan.Model()));
    EXPECT_EQ(fan.Model().Bands.Kind, TSoundKind::Outlet);
    const std::vector<double> sums = BandSums(fan.Model());
    for (std::size_t j = 0; j < sums.size(); ++j) EXPECT_NEAR(sums[j], fan.Model().Lw[j], 0.1);
  }
}

TEST(Sound, ImportTakesBandColumnsAndDeriveMovesThem) {
  struct TitleCase {
    const char* title;
    int band;  // -1: not a band
  };
  const TitleCase titles[] = {{"63 Hz", 0},      {"Lw63", 0},  {"125", 1},        {"Lw 250 Hz", 2},
                              {"500Hz (dB)", 3}, {"1 kHz", 4}, {"Lw2k", 5},       {"4000", 6},
                              {"Lw 8k [dB]", 7}, {"Lw", -1},   {"Lw 100 Hz", -1}, {"Speed", -1},
                              {"16k", -1}};
  for (const TitleCase& c : titles) {
    SCOPED_TRACE(c.title);
    const std::optional<std::size_t> band = BandOfTitle(c.title);
    EXPECT_EQ(band ? static_cast<int>(*band) : -1, c.band);
    const TColumnAssignment a = GuessColumn(c.title);
    if (c.band >= 0) {
      EXPECT_EQ(a.Role, static_cast<TColumnRole>(crBand63 + c.band));
    }
  }

  // Rows out of order; bands without a sound power column: band i at flow q is 50 + 10 q + i dB.
  std::string table = "Q,Ps,Pw,63 Hz,125 Hz,250 Hz,500 Hz,1 kHz,2 kHz,4 kHz,8 kHz\n";
  for (int q : {2, 1, 3, 5, 4}) {
    table += std::to_string(q) + "," + std::to_string(600 - 100 * q) + "," + std::to_string(q);
    for (int i = 1; i <= 8; ++i) table += "," + std::to_string(50 + 10 * q + i);
    table += "\n";
  }
  TTextTable t;
  ASSERT_EQ(ParseTextTable(table, t), "");
  TImportRequest request;
  request.Name = "B1";
  request.Line = TModelLine{500, 1450, 700, 1600, 500, 500, 2};
  request.Columns = GuessColumns(t);
  const TImportResult r = ImportTable(t, request);
  ASSERT_EQ(r.Error, "");
  ASSERT_TRUE(HasBands(r.Model));
  EXPECT_EQ(r.Model.Bands.Lw[0], (std::vector<double>{61, 71, 81, 91, 101}));
  EXPECT_EQ(r.Model.Bands.Lw[7], (std::vector<double>{68, 78, 88, 98, 108}));
  for (std::size_t j = 0; j < 5; ++j)
    EXPECT_NEAR(
        r.Model.Lw[j],
        EnergySum(std::vector<double>{61, 62, 63, 64, 65, 66, 67, 68}) + 10.0 * static_cast<double>(j), 1e-9);
  EXPECT_NE(r.Section.find("\nLw63=61,71,81,91,101\n"), std::string::npos) << r.Section;
  EXPECT_NE(r.Section.find("\nLw8000=68,78,88,98,108\n"), std::string::npos) << r.Section;

  // Seven of eight: refused, naming the missing one.
  TTextTable seven;
  ASSERT_EQ(ParseTextTable("Q,Ps,Pw,Lw,63,125,250,500,1000,2000,4000\n1,300,1,80,1,2,3,4,5,6,7\n"
                           "2,200,2,81,1,2,3,4,5,6,7\n",
                           seven),
            "");
  request.Columns = GuessColumns(seven);
  EXPECT_EQ(ImportTable(seven, request).Error, "the octave bands need all eight columns (missing: 8000 Hz)");

  // Derive: every band moves by the total's step, 70 lg k + 50 lg n.
  TDeriveRequest derive;
  derive.Name = "B2";
  derive.Diameter = 630;
  const TDeriveResult d = DeriveModel(r.Model, nullptr, derive);
  ASSERT_EQ(d.Error, "");
  ASSERT_TRUE(HasBands(d.Model));
  // (The derived speeds may move too: the step is the total's, whatever it is.)
  const double step = d.Model.Lw[0] - r.Model.Lw[0];
  EXPECT_NEAR(step, 70 * std::log10(630.0 / 500) + 50 * std::log10(d.N), 1e-9);
  for (std::size_t i = 0; i < kBandCount; ++i)
    for (std::size_t j = 0; j < 5; ++j)
      EXPECT_NEAR(d.Model.Bands.Lw[i][j], r.Model.Bands.Lw[i][j] + step, 1e-9);
  EXPECT_NE(d.Section.find("\nLw8000="), std::string::npos) << d.Section;
}
