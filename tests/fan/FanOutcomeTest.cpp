// The fan's operations read as results, as the windows and the command line
// read them: each case also works out the answer from the status codes the
// callers used to read, so that every status they told apart is seen to give
// the same outcome.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/Convert.h"
#include "fan/FanFindings.h"
#include "fan/FanOutcome.h"
#include "fan/FanTestFiles.h"
#include "fan/QmFan.h"

namespace blowden {
namespace {

using test::CurveModel;
using test::kCatalog;
using test::TTempDir;

const std::string kModelLine = "Model=400,1400,700,1600,400,400,1.5\n";

// A: reads clean; B: too few flows (4); C: no power list (5, stopped
// early); D: a bad "Model" item (5, read to the end on fall-backs); E: a
// number that does not convert (5, thrown).
std::string Catalogue() {
  return std::string(kCatalog) + CurveModel("A", kModelLine) + "[B]\n" + kModelLine + "Qa=1\n" + "[C]\n" +
         kModelLine + "Qa=1,2\nPs=2,1\n" + CurveModel("D", "Model=400,x,700,1600,400,400,1.5\n") + "[E]\n" +
         kModelLine + "Qa=1,2,3\nPs=3,2,1x\nPw=1\nLw=1\n";
}

// Reads `name`, as the windows do: a number that does not convert ends the
// read with its status, the exception is the caller's business.
void Select(TFan& fan, const std::string& name) {
  try {
    fan.SelectModel(name);
  } catch (const EConvertError&) {
  }
}

// The fan after each operation in turn: the last operation's outcome
// follows Status, the current model's follows the model read alone.
TEST(FanOutcome, LastOperationAndModelReadFollowTheirStatusCodes) {
  const TTempDir dir;
  const std::string path = dir.Write("f.qfn", Catalogue());
  TFan fan;
  struct TStep {
    const char* What;
    std::function<void()> Do;
    int Outcome;  // the last operation's code
    int Model;    // the model read's code
    bool ReadFailed;
  };
  const std::vector<TStep> steps{
      {"nothing yet", [] {}, fsNotLoaded, fsNotLoaded, false},
      {"missing file", [&] { fan.LoadFromFile(dir.File("missing.qfn")); }, fsFileNotFound, fsNotLoaded,
       false},
      {"load", [&] { fan.LoadFromFile(path); }, fsReady, fsNotLoaded, false},
      {"read A", [&] { Select(fan, "A"); }, fsReady, fsReady, false},
      {"a solve out of the speed range",
       [&] {
         double q = 100, p = 400, raw = 0;
         fan.SolveSpeed(q, p, raw);
       },
       fsSpeedRange, fsReady, false},
      {"read B", [&] { Select(fan, "B"); }, fsVolumeRange, fsVolumeRange, true},
      {"read C", [&] { Select(fan, "C"); }, fsDataError, fsDataError, true},
      {"read an unknown model", [&] { Select(fan, "none"); }, fsModelNotFound, fsModelNotFound, true},
      {"read E", [&] { Select(fan, "E"); }, fsDataError, fsDataError, true},
      {"verify with B current",
       [&] {
         Select(fan, "B");
         fan.VerifyReporting();
       },
       fsVolumeRange, fsVolumeRange, true},
      {"read A again", [&] { Select(fan, "A"); }, fsReady, fsReady, false},
      {"a folder", [&] { fan.LoadFromFile(dir.Path().string()); }, fsReadError, fsReady, false},
  };
  for (const TStep& s : steps) {
    SCOPED_TRACE(s.What);
    s.Do();
    const auto outcome = fan.Outcome();
    EXPECT_EQ(StatusCodeOf(outcome), s.Outcome);
    EXPECT_EQ(StatusCodeOf(outcome), fan.Status());
    if (outcome) {
      EXPECT_EQ(*outcome, &fan.Data());
    } else {
      EXPECT_EQ(outcome.Error().Text, StatusTextOf(fan.Status()));
      EXPECT_EQ(outcome.Error().File, fan.FileName());
    }
    EXPECT_EQ(StatusCodeOf(fan.CurrentModel()), s.Model);
    EXPECT_EQ(StatusCodeOf(fan.CurrentModel()), fan.ModelStatus());
    EXPECT_EQ(ModelReadFailed(fan), s.ReadFailed);
    EXPECT_EQ(ModelReadFailed(fan), fan.ModelStatus() != fsReady && fan.ModelStatus() != fsNotLoaded);
  }
}

// A model to derive from must read to the end without a failure; the
// refusal names the read's status text.
TEST(FanOutcome, CompleteModelRefusesEveryReadThatFailedOrStoppedShort) {
  const TTempDir dir;
  const std::string path = dir.Write("f.qfn", Catalogue());
  struct TCase {
    std::string Model;
    bool Usable;
    int Code;
    std::string Text;
  };
  const std::vector<TCase> cases{
      {"A", true, fsReady, ""},
      {"B", false, fsVolumeRange, "Volume range error"},
      {"C", false, fsDataError, "Data error"},
      {"D", false, fsDataError, "Data error"},  // read to the end, on fall-backs
      {"E", false, fsDataError, "Data error"},
      {"none", false, fsModelNotFound, "Fan model not found"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Model);
    TFan fan;
    fan.LoadFromFile(path);
    Select(fan, c.Model);
    const auto model = CompleteModel(fan);
    const bool refusedBefore = fan.Status() != fsReady || !fan.ModelReadComplete();
    EXPECT_EQ(bool(model), c.Usable);
    EXPECT_EQ(!model, refusedBefore);
    if (model) {
      EXPECT_EQ(*model, &fan.Data());
      continue;
    }
    EXPECT_EQ(model.Error().Code, c.Code);
    EXPECT_EQ(model.Error().Text, c.Text);
    EXPECT_EQ(model.Error().Text, StatusTextOf(fan.Status()));
    EXPECT_EQ(model.Error().File, path);
  }
}

// What the selector shows in place of results: the load's failure for a
// file without models, the model read's for one with them, "Fan model not
// found" when neither failed.
TEST(FanOutcome, UnusableModelSaysWhyTheFileOrModelShowsNothing) {
  const TTempDir dir;
  const std::string path = dir.Write("f.qfn", Catalogue());
  const std::string empty = dir.Write("empty.qfn", kCatalog);
  std::filesystem::create_directory(dir.Path() / "folder.qfn");
  struct TCase {
    std::string File;
    std::string Model;  // read after the load when not empty
    int Code;
    std::string Text;
  };
  const std::vector<TCase> cases{
      {dir.File("missing.qfn"), "", fsFileNotFound, "File not found"},
      {dir.File("folder.qfn"), "", fsReadError, "File read error"},
      {empty, "", fsModelNotFound, "Fan model not found"},
      {path, "A", fsModelNotFound, "Fan model not found"},
      {path, "B", fsVolumeRange, "Volume range error"},
      {path, "E", fsDataError, "Data error"},
      {path, "none", fsModelNotFound, "Fan model not found"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File + " " + c.Model);
    TFan fan;
    fan.LoadFromFile(c.File);
    if (!c.Model.empty()) Select(fan, c.Model);
    int before = fan.Models().empty() ? fan.LoadStatus() : fan.ModelStatus();
    if (before == fsReady) before = fsModelNotFound;
    const TError why = UnusableModel(fan);
    EXPECT_EQ(why.Code, c.Code);
    EXPECT_EQ(why.Code, before);
    EXPECT_EQ(why.Text, c.Text);
    EXPECT_EQ(why.File, c.File);
  }
}

// Why a command that evaluates one model has none: the fan's own failure
// first, else no model to evaluate, or a conversion that stopped the work.
TEST(FanOutcome, NoEvaluationPrefersTheFansFailure) {
  const TTempDir dir;
  const std::string path = dir.Write("f.qfn", Catalogue());
  struct TCase {
    const char* What;
    std::string File;
    std::string Model;  // read after the load when not empty
    bool Solve;         // then a duty out of the speed range is solved
    bool Stopped;
    int Code;
  };
  const std::vector<TCase> cases{
      {"missing file", dir.File("missing.qfn"), "", false, false, fsFileNotFound},
      {"no model read", path, "", false, false, fsModelNotFound},
      {"no model read, stopped", path, "", false, true, fsDataError},
      {"a clean read", path, "A", false, false, fsModelNotFound},
      {"a failed read", path, "B", false, true, fsVolumeRange},
      {"a conversion", path, "E", false, true, fsDataError},
      {"a failed solve", path, "A", true, false, fsSpeedRange},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TFan fan;
    fan.LoadFromFile(c.File);
    if (!c.Model.empty()) Select(fan, c.Model);
    if (c.Solve) {
      double q = 100, p = 400, raw = 0;
      fan.SolveSpeed(q, p, raw);
    }
    int before = fan.Status();
    if (before == fsReady) before = c.Stopped ? fsDataError : fsModelNotFound;
    const TError why = NoEvaluation(fan, c.Stopped);
    EXPECT_EQ(why.Code, c.Code);
    EXPECT_EQ(why.Code, before);
    EXPECT_EQ(why.Text, StatusTextOf(before));
  }
}

// The check command refuses a file it cannot read at all (exit code 2), not
// one that read but names no model or fails its checks.
TEST(FanOutcome, ACheckedFileIsUnreadableOnlyWhenNotFoundOrNotRead) {
  const TTempDir dir;
  std::filesystem::create_directory(dir.Path() / "folder.qfn");
  struct TCase {
    std::string File;
    bool Unreadable;
  };
  const std::vector<TCase> cases{
      {dir.File("missing.qfn"), true},
      {dir.File("folder.qfn"), true},
      {dir.Write("empty.qfn", kCatalog), false},
      {dir.Write("f.qfn", Catalogue()), false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    TFan fan;
    EXPECT_EQ(CheckFile(fan, c.File).Unreadable(), c.Unreadable);
  }
}

}  // namespace
}  // namespace blowden
