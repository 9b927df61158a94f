// The ranked selection: models kept from one reading give exactly what a
// fresh reading and the selector's evaluation give, and a changed file is
// read again.
#include <gtest/gtest.h>

#include "base/Convert.h"
#include "fan/FanRanking.h"
#include "fan/FanTestFiles.h"
#include "fan/QmFan.h"

using namespace blowden;
using namespace blowden::test;

namespace {

// The definition of a ranking: each file read afresh, each model selected
// and evaluated as the selector evaluates a chosen model.
TRanking SelectorRanking(const std::vector<std::string>& files, const TDuty& duty, TRankKey key) {
  TRanking out;
  for (const std::string& file : files) {
    TFan fan;
    std::string model;
    fan.OnMessage = [&](const std::string& text) {
      out.Messages.push_back(file + " (" + model + "): " + text);
    };
    fan.LoadFromFile(file);
    if (fan.Status() != fsReady || fan.Models().empty()) {
      out.Rejected.push_back(
          RejectedFor(file, "", fan.Status() != fsReady ? fan.Status() : fsModelNotFound, ""));
      continue;
    }
    for (const std::string& name : std::vector<std::string>(fan.Models())) {
      model = name;
      try {
        fan.SelectModel(name);
      } catch (const EConvertError&) {
        out.Rejected.push_back(RejectedFor(file, name, fsDataError, ""));
        continue;
      }
      if (fan.Status() != fsReady) {
        out.Rejected.push_back(RejectedFor(file, name, fan.Status(), ""));
        continue;
      }
      const TSelectionResult r = EvaluateDuty(fan, duty, duty.Flow, duty.Pressure, {}, TResultUnits{}, false);
      if (r.Verdict != TVerdictKind::Rejected)
        out.Candidates.push_back(MakeCandidate(file, fan, r));
      else
        out.Rejected.push_back(MakeRejected(file, fan, r));
    }
  }
  SortCandidates(out.Candidates, key);
  return out;
}

void ExpectSame(const TRanking& expected, const TRanking& got) {
  EXPECT_EQ(got.Messages, expected.Messages);
  ASSERT_EQ(got.Candidates.size(), expected.Candidates.size());
  for (std::size_t i = 0; i < got.Candidates.size(); ++i) {
    const TCandidate &a = expected.Candidates[i], &b = got.Candidates[i];
    SCOPED_TRACE(a.File + " " + a.Model);
    EXPECT_EQ(b.File, a.File);
    EXPECT_EQ(b.Model, a.Model);
    EXPECT_EQ(b.Maker, a.Maker);
    EXPECT_EQ(b.Range, a.Range);
    const double figures[][2] = {{a.Speed, b.Speed},
                                 {a.SpeedMargin, b.SpeedMargin},
                                 {a.Flow, b.Flow},
                                 {a.StaticPressure, b.StaticPressure},
                                 {a.TotalPressure, b.TotalPressure},
                                 {a.ShaftPower, b.ShaftPower},
                                 {a.StaticEfficiency, b.StaticEfficiency},
                                 {a.Efficiency, b.Efficiency},
                                 {a.SoundPower, b.SoundPower},
                                 {a.BepRatio, b.BepRatio}};
    for (const auto& f : figures) EXPECT_EQ(f[1], f[0]);
    EXPECT_EQ(b.StallMargin, a.StallMargin);
    EXPECT_EQ(b.Warnings(), a.Warnings());
  }
  ASSERT_EQ(got.Rejected.size(), expected.Rejected.size());
  for (std::size_t i = 0; i < got.Rejected.size(); ++i) {
    const TRejected &a = expected.Rejected[i], &b = got.Rejected[i];
    EXPECT_EQ(b.File + " " + b.Model, a.File + " " + a.Model);
    EXPECT_EQ(b.Status, a.Status);
    // Reasons of read failures are the ranking's own words; those of an
    // evaluation must be the selector's.
    if (!a.Reason().empty()) {
      EXPECT_EQ(b.Reason(), a.Reason());
      EXPECT_EQ(b.Warnings(), a.Warnings());
    }
    EXPECT_FALSE(b.Reason().empty());
  }
}

// Twenty files of four models each that differ in size, speeds, speed
// lists and pressure kind, one of them with models that cannot be read, one
// without models and one path that does not exist.
std::vector<std::string> WriteFolder(const TTempDir& dir) {
  std::vector<std::string> files;
  for (int f = 0; f < 20; ++f) {
    std::string text = kCatalog;
    for (int m = 0; m < 4; ++m) {
      const int ref = 1200 + 100 * m + 10 * f, lo = ref / 2, hi = ref + 200 * (f % 3);
      const int outlet = 400 + 50 * m;
      std::string head = "Model=" + std::to_string(outlet) + "," + std::to_string(ref) + "," +
                         std::to_string(lo) + "," + std::to_string(hi) + "," + std::to_string(outlet) + "," +
                         std::to_string(outlet) + ",1.6\n";
      if ((f + m) % 5 == 0) head += "Speed=" + std::to_string(lo) + "," + std::to_string(ref) + "\n";
      text += CurveModel("M" + std::to_string(m), head);
    }
    files.push_back(dir.Write("f" + std::to_string(f) + ".qfn", text));
  }
  files.push_back(dir.Write(
      "odd.qfn", std::string(kCatalog) + CurveModel("Good", "Model=450,1400,700,1600,450,450,1.6\n") +
                     "[NoArea]\nModel=450,1400,700,1600,0,0,1.6\nQa=1,2\nPs=5,4\nPw=1\nLw=80\n"
                     "[BadNumber]\nQa=1,2,x\nPs=5,4,3\nPw=1\nLw=80\n"
                     "[BadModelLine]\nModel=450,14x0,700,1600,450,450,1.6\nQa=1,2\nPs=5,4\n"
                     "Pw=1\nLw=80\n"
                     "[OneFlow]\nQa=1\nPs=5\nPw=1\nLw=80\n[NoPressure]\nQa=1,2\nPw=1\nLw=80\n"
                     "[Empty]\n"));
  files.push_back(dir.Write("nomodels.qfn", kCatalog));
  files.push_back(dir.File("missing.qfn"));
  return files;
}

TEST(Ranking, KeptModelsRankExactlyAsTheSelectorEvaluatesThem) {
  const TTempDir dir;
  const std::vector<std::string> files = WriteFolder(dir);
  TSiteAir thin;
  thin.Source = TSiteAir::saDensity;
  thin.Density = 1.05;
  const TDuty duties[] = {
      {1.5, 500, TPressureKind::Static, {}},   {2.2, 300, TPressureKind::Static, {}},
      {1.0, 900, TPressureKind::Static, {}},   {2.0, 450, TPressureKind::Total, {}},
      {1.4, 600, TPressureKind::Static, thin}, {0.2, 100, TPressureKind::Total, thin},
  };
  const TRankCatalogue catalogue(files);
  int withCandidates = 0;
  for (const TDuty& duty : duties) {
    for (TRankKey key : {TRankKey::Power, TRankKey::Margin}) {
      SCOPED_TRACE(std::to_string(duty.Flow) + " m³/s " + std::to_string(duty.Pressure) + " Pa, " +
                   std::string(RankKeyName(key)));
      const TRanking expected = SelectorRanking(files, duty, key);
      ASSERT_FALSE(expected.Rejected.empty());
      withCandidates += expected.Candidates.empty() ? 0 : 1;
      ExpectSame(expected, RankDuty(files, duty, key));
      // The catalogue's fans are reused from duty to duty and shared by the workers.
      for (int threads : {1, 2}) ExpectSame(expected, catalogue.Rank(duty, key, threads));
    }
  }
  // The last duty is met by no model.
  EXPECT_EQ(withCandidates, 2 * 5);
  EXPECT_EQ(catalogue.Files(), files);
  EXPECT_EQ(catalogue.EvaluatedModels(), 20u * 4u + 1u);
}

TEST(Ranking, ChangedFileIsReadAgainWhileACatalogueKeepsItsReading) {
  const TTempDir dir;
  const std::string head = "Model=450,1400,700,1600,450,450,1.6\n";
  const std::vector<std::string> files = {dir.Write("a.qfn", std::string(kCatalog) + CurveModel("A", head)),
                                          dir.Write("b.qfn", std::string(kCatalog) + CurveModel("B", head))};
  const TDuty duty{1.5, 500, TPressureKind::Static, {}};
  const TRanking before = RankDuty(files, duty, TRankKey::Power);
  ASSERT_EQ(before.Candidates.size(), 2u);
  const TRankCatalogue kept(files);

  // B's power doubles: a file of another size, seen at once.
  std::string changed = std::string(kCatalog) + CurveModel("B", head);
  changed.replace(changed.find("Pw="), 3, "Pw=2,2,2,2,2,2,2,2,2,2,2\n;");
  dir.Write("b.qfn", changed);
  const TRanking after = RankDuty(files, duty, TRankKey::Power);
  ExpectSame(SelectorRanking(files, duty, TRankKey::Power), after);
  ASSERT_EQ(after.Candidates.size(), 2u);
  EXPECT_NE(after.Candidates[1].ShaftPower, before.Candidates[1].ShaftPower);
  ExpectSame(after, TRankCatalogue(files).Rank(duty, TRankKey::Power));
  ExpectSame(before, kept.Rank(duty, TRankKey::Power));
}

TEST(Ranking, SortByKeyThenFileThenModel) {
  const auto candidate = [](const char* file, const char* model, double power, double efficiency) {
    TCandidate c;
    c.File = file;
    c.Model = model;
    c.ShaftPower = power;
    c.Efficiency = efficiency;
    return c;
  };
  struct Case {
    TRankKey Key;
    const char* Order;  // models, best first
  } cases[] = {{TRankKey::Power, "a2 b1 a1 c3 c1"}, {TRankKey::Efficiency, "c1 c3 a1 b1 a2"}};
  for (const Case& c : cases) {
    std::vector<TCandidate> v = {candidate("c", "c3", 2, 70), candidate("a", "a2", 1, 50),
                                 candidate("c", "c1", 3, 80), candidate("b", "b1", 1, 60),
                                 candidate("a", "a1", 2, 60)};
    // Ties (1 kW, 2 kW, 60 %) go by file, whatever their order before.
    SortCandidates(v, c.Key);
    std::string order;
    for (const TCandidate& x : v) order += (order.empty() ? "" : " ") + x.Model;
    EXPECT_EQ(order, c.Order) << RankKeyName(c.Key);
  }
}

}  // namespace
