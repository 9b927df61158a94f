// The fan model as data: a file read to the end (TFanFile) and what it says
// of models that cannot be used, the results the fan facade gives for a load
// and a model read, evaluation of shared const data from many threads, and
// the selector's speed-edit arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "fan/FanSelection.h"
#include "fan/FanTestFiles.h"
#include "fan/ModelEval.h"
#include "fan/QmFan.h"

namespace blowden {
namespace {

using test::CurveModel;
using test::kCatalog;
using test::TTempDir;

const std::string kModelLine = "Model=400,1400,700,1600,400,400,1.5\n";

TEST(ReadFanFile, FilesThatCannotBeUsedAreErrorsWithTheRankingsReason) {
  const TTempDir dir;
  dir.Write("sub/x.qfn", "");
  struct TCase {
    std::string Path;
    int Code;
    std::string Text;
  };
  const std::vector<TCase> cases{
      {dir.File("missing.qfn"), fsFileNotFound, "File not found"},
      {dir.File("sub"), fsReadError, "File read error"},
      {dir.Write("empty.qfn", kCatalog), fsModelNotFound, "the file names no model"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Path);
    const auto read = ReadFanFile(c.Path);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.Error().Code, c.Code);
    EXPECT_EQ(read.Error().Text, c.Text);
    EXPECT_EQ(read.Error().File, c.Path);
  }
}

TEST(ReadFanFile, EveryModelAsTheFanReadsItAndWhyOneCannotBeUsed) {
  const TTempDir dir;
  const std::string path =
      dir.Write("f.qfn", std::string(kCatalog) + CurveModel("A", kModelLine) +
                             "[B]\nModel=400,1400,700,1600,0,0,1\nQa=1,2\nPs=1,2\nPw=1\nLw=1\n" + "[C]\n" +
                             kModelLine + "Qa=1,2,3\nPs=3,2,1x\nPw=1\nLw=1\n" +
                             CurveModel("D", "Model=400,x,700,1600,400,400,1.5\n"));
  const auto read = ReadFanFile(path);
  ASSERT_TRUE(read);
  const TFanFile& f = **read;
  ASSERT_EQ(f.Models.size(), 4U);
  EXPECT_EQ(f.Header.Range, "FX");

  TFan fan;
  fan.LoadFromFile(path);
  fan.SelectModel("A");
  ASSERT_TRUE(f.Usable(0));
  EXPECT_EQ((*f.Usable(0))->Model.Qa, fan.Model().Qa);
  EXPECT_EQ((*f.Usable(0))->Coeffs, fan.Coeffs());

  struct TCase {
    std::size_t Index;
    int Code;
    std::string Text;
    std::vector<std::string> Messages;
  };
  const std::vector<TCase> cases{
      {1,
       fsDataError,
       "data error: the outlet area is 0 (outlet width and height both 0)",
       {"Bad area specification..."}},
      {2, fsDataError, "data error: \"Ps\": '1x' is not a valid floating point value", {}},
      {3, fsDataError, "data error: \"Model\" item 2 is 'x', not an integer", {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Index);
    const auto usable = f.Usable(c.Index);
    ASSERT_FALSE(usable);
    EXPECT_EQ(usable.Error().Code, c.Code);
    EXPECT_EQ(usable.Error().Text, c.Text);
    EXPECT_EQ(usable.Error().Model, f.Models[c.Index].Name);
    EXPECT_EQ(f.Models[c.Index].Messages, c.Messages);
  }
}

TEST(FanResults, LoadAndModelReadAsResults) {
  const TTempDir dir;
  TFan fan;
  EXPECT_FALSE(fan.Loaded());  // nothing loaded yet
  fan.LoadFromFile(dir.File("missing.qfn"));
  ASSERT_FALSE(fan.Loaded());
  EXPECT_EQ(fan.Loaded().Error().Code, fsFileNotFound);
  EXPECT_EQ(fan.Loaded().Error().Text, "File not found");

  test::LoadText(fan, dir,
                 std::string(kCatalog) + CurveModel("A", kModelLine) + "[B]\n" + kModelLine + "Qa=1\n");
  ASSERT_TRUE(fan.Loaded());
  EXPECT_EQ((*fan.Loaded())->Range, "FX");
  fan.SelectModel("A");
  ASSERT_TRUE(fan.CurrentModel());
  EXPECT_EQ(*fan.CurrentModel(), &fan.Data());
  fan.SelectModel("B");
  ASSERT_FALSE(fan.CurrentModel());
  EXPECT_EQ(fan.CurrentModel().Error().Code, fsVolumeRange);
  EXPECT_EQ(fan.CurrentModel().Error().Text, "Volume range error");
  EXPECT_EQ(fan.CurrentModel().Error().Model, "B");
  fan.SelectModel("none");
  EXPECT_EQ(fan.CurrentModel().Error().Code, fsModelNotFound);
}

// Evaluations share nothing: many threads evaluating the same const data at
// once give what one thread gives alone.
TEST(ModelEval, SharedDataEvaluatesTheSameOnEveryThread) {
  const TTempDir dir;
  const auto read = ReadFanFile(dir.Write("f.qfn", std::string(kCatalog) + CurveModel("A", kModelLine)));
  ASSERT_TRUE(read);
  const TFanHeader& header = (*read)->Header;
  const TModelData& data = *(*read)->Usable(0).Value();
  const TModelFacts facts = ModelFacts(header, data);
  std::vector<TDuty> duties;
  for (int i = 0; i < 40; ++i) duties.push_back(TDuty{0.4 + 0.07 * i, 150 + 15.0 * i, {}, {}, 0});
  auto evaluate = [&](std::vector<double>& out) {
    for (const TDuty& d : duties) {
      const TSelectionResult r = EvaluateDutyFigures(header, data, d, facts);
      out.insert(out.end(),
                 {r.Speed, r.Volume, r.PStatic, r.ShaftPower, r.SoundPower, static_cast<double>(r.Status)});
    }
  };
  std::vector<double> alone;
  evaluate(alone);
  std::vector<std::vector<double>> each(4);
  std::vector<std::thread> threads;
  for (auto& out : each)
    threads.emplace_back([&] {
      for (int round = 0; round < 20; ++round) {
        out.clear();
        evaluate(out);
      }
    });
  for (std::thread& t : threads) t.join();
  for (const auto& out : each) EXPECT_EQ(out, alone);

  // And what the fan facade gives with the model current.
  TFan fan;
  fan.LoadFromFile((*read)->FileName);
  fan.SelectModel("A");
  for (const TDuty& d : duties) {
    const TSelectionResult viaFan = EvaluateDutyFigures(fan, d);
    const TSelectionResult viaData = EvaluateDutyFigures(header, data, d, facts);
    EXPECT_EQ(viaFan.Speed, viaData.Speed);
    EXPECT_EQ(viaFan.ShaftPower, viaData.ShaftPower);
    // The data path keeps the verdict as notes; written, they are the fan's sentences.
    EXPECT_EQ(viaFan.Warnings, NoteTexts(viaData.Notes.Warnings));
    EXPECT_EQ(viaFan.Reasons, NoteTexts(viaData.Notes.Reasons));
    EXPECT_TRUE(viaData.Warnings.empty() && viaData.Reasons.empty());
  }
}

// The halving search of strictly ordered flows finds the segment and
// position the scan finds, wherever the flow lies; other tables are scanned.
TEST(ModelEval, LocateFlowFindsWhatTheScanFinds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::vector<double>> tables{
      {0.5, 1.0},           {0.5, 1.0, 1.5, 2.0, 2.5}, {3.0, 2.0, 1.0, 0.5}, {1.0, 1.0, 2.0, 3.0},
      {1.0, 3.0, 2.0, 4.0}, {-2.0, -1.0, 0.0, 5.0},    {2.0, 2.0},           {0.5}};
  for (const std::vector<double>& qa : tables) {
    TModelData d;
    d.Model.Qa = qa;
    d.Model.Count = static_cast<int>(qa.size());
    d.FlowOrder = StrictOrder(qa, d.Model.Count);
    std::vector<double> xs{nan, inf, -inf, -10, 10};
    for (double q : qa) xs.insert(xs.end(), {q, q - 0.1, q + 0.1, std::nextafter(q, inf)});
    for (double x : xs) {
      SCOPED_TRACE(testing::Message() << test::List(qa) << " at " << x);
      int i = -1;
      double t = -1;
      LocateSegment(qa, d.Model.Count, x, i, t);
      const TRefPoint p = LocateFlow(d, x);
      EXPECT_EQ(p.Segment, i);
      EXPECT_TRUE(p.Fraction == t || (std::isnan(p.Fraction) && std::isnan(t)));
    }
  }
  EXPECT_EQ(StrictOrder(std::vector<double>{1, 2, 3}, 3), 1);
  EXPECT_EQ(StrictOrder(std::vector<double>{3, 2, 1}, 3), -1);
  EXPECT_EQ(StrictOrder(std::vector<double>{1, 2, 2}, 3), 0);
  EXPECT_EQ(StrictOrder(std::vector<double>{1, 2, 0}, 2), 1);  // only the first Count values count
}

TEST(DutyPressureAtSpeed, CatalogueAirSiteAirAndTotalPressure) {
  const TTempDir dir;
  TFan fan;
  test::LoadText(fan, dir, std::string(kCatalog) + CurveModel("A", kModelLine));
  fan.SelectModel("A");
  const double flow = 1.5, speed = 1200;
  const double plain = PressureAt(fan.Data(), flow, speed);
  TSelectionResult last;
  last.Status = fsReady;
  last.Volume = 1.0;
  last.DensityRatio = 0.8;
  last.PDynamic = 40;
  TSelectionResult failed = last;
  failed.Status = fsSpeedRange;
  struct TCase {
    const char* Name;
    const TSelectionResult* Last;
    TPressureKind Kind;
    double Expected;
  };
  const std::vector<TCase> cases{
      {"no evaluation yet", nullptr, TPressureKind::Total, plain},
      {"static at site air", &last, TPressureKind::Static, plain * 0.8},
      {"total: velocity pressure grows with flow squared", &last, TPressureKind::Total,
       plain * 0.8 + 40 * 1.5 * 1.5},
      {"an evaluation that did not solve", &failed, TPressureKind::Total, plain},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_DOUBLE_EQ(DutyPressureAtSpeed(fan, flow, speed, c.Last, c.Kind), c.Expected);
    // The fan's current point is the one asked about.
    EXPECT_DOUBLE_EQ(fan.RefPressure() * (speed / 1400) * (speed / 1400), plain);
  }
}

}  // namespace
}  // namespace blowden
