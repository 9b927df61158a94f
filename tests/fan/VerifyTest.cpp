// The verification rules of a fan data file.
#include <gtest/gtest.h>

#include "base/Convert.h"
#include "fan/FanTestFiles.h"
#include "fan/QmFan.h"

using namespace blowden;
using namespace blowden::test;

namespace {

// A correct model: six points, speeds 900..1600 around 1450, nominal flow inside.
const char* kGood =
    "Model=400,1450,900,1600,400,300,1.5\n"
    "Qa=0.5,1,1.5,2,2.5,3\nPs=700,650,580,500,400,280\nPw=1,1.2,1.4,1.5,1.55,1.6\nLw=80,81,82,83,84,85\n";

std::string Section(const std::string& name, const std::string& body) { return "[" + name + "]\n" + body; }

struct TVerifyRun {
  int count = 0;
  std::vector<std::string> errors;
  std::vector<std::string> messages;
};

TVerifyRun Verify(const std::string& text, const std::string& name = "fan.qfn") {
  TTempDir dir;
  TFan fan;
  TVerifyRun run;
  fan.OnMessage = [&](const std::string& m) { run.messages.push_back(m); };
  LoadText(fan, dir, text, name);
  run.count = fan.Verify();
  run.errors = fan.Errors;
  return run;
}

}  // namespace

TEST(Verify, CleanFile) {
  const TVerifyRun r = Verify(std::string(kCatalog) + Section("F400", kGood) + Section("F500", kGood));
  EXPECT_EQ(r.count, 0);
  EXPECT_TRUE(r.errors.empty());
}

TEST(Verify, EachRule) {
  struct Case {
    const char* name;
    const char* body;
    std::vector<std::string> messages;
  } cases[] = {
      {"four points",
       "Model=400,1450,900,1600,400,300,1\nQa=0.5,1,1.5,2\nPs=4,3,2,1\nPw=1\nLw=1\n",
       {"Too few volume data points (must be more than 5)"}},
      {"five points pass",
       "Model=400,1450,900,1600,400,300,1\nQa=0.5,1,1.5,2,2.5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {}},
      {"more pressures than flows",
       "Model=400,1450,900,1600,400,300,1\nQa=0.5,1,1.5,2,2.5\nPs=5,4,3,2,1,0\nPw=1\nLw=1\n",
       {"Static pressure point count error"}},
      {"fewer pressures than flows",
       "Model=400,1450,900,1600,400,300,1\nQa=0.5,1,1.5,2,2.5,3,3.5,4\nPs=5,4,3,2,1,0,-1\nPw=1\nLw=1\n",
       {"Static pressure point count error"}},
      {"falling run counts once",
       "Qa=0.1,0.5,0.4,0.3,0.2,0.6,0.7\nPs=7,6,5,4,3,2,1\nPw=1\nLw=1\n",
       {"Volume flows must be in increasing order"}},
      {"equal flows pass", "Qa=0.1,0.2,0.2,0.3,0.4\nPs=5,4,3,2,1\nPw=1\nLw=1\n", {}},
      {"negative flow",
       "Qa=-0.1,0.2,0.3,0.4,0.5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Volume flows must be greater than zero"}},
      {"zero flow passes", "Qa=0,0.2,0.3,0.4,0.5\nPs=5,4,3,2,1\nPw=1\nLw=1\n", {}},
      {"all flows falling",
       "Qa=0.5,0.4,0.3,0.2,0.1\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Volume flows must be in increasing order", "Nominal flow must be greater than the lowest flow",
        "Nominal flow must be less than the biggest flow"}},
      {"reference below the minimum",
       "Model=400,1450,1500,1600,400,300,1\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Ref speed must be greater than MinSpeed"}},
      {"reference above the maximum",
       "Model=400,1700,900,1600,400,300,1\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Ref speed must be less than MaxSpeed"}},
      {"reference on both limits",
       "Model=400,1450,1450,1450,400,300,1\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {}},
      {"speeds out of order",
       "Speed=1450,960\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Speed range must be in increasing order"}},
      {"equal speeds pass", "Speed=960,960,1450\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TVerifyRun r = Verify(std::string(kCatalog) + Section("F400", c.body));
    std::vector<std::string> expected;
    for (const auto& m : c.messages) expected.push_back("FX (F400)  " + m);
    EXPECT_EQ(r.errors, expected);
    EXPECT_EQ(r.count, static_cast<int>(expected.size()));
  }
}

TEST(Verify, ZeroOutletShowsTheBoxAndIsReported) {
  const TVerifyRun r =
      Verify(std::string(kCatalog) +
             Section("F400", "Model=400,1450,900,1600,0,0,1.5\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n"));
  EXPECT_EQ(r.messages, std::vector<std::string>{"Bad area specification..."});
  // The read stopped before the flows: this first model has none.
  EXPECT_EQ(r.errors, (std::vector<std::string>{"FX (F400)  Too few volume data points (must be more than 5)",
                                                "FX (F400)  Outlet dimensions need to be assigned"}));
}

TEST(Verify, StoppedReadIsCheckedOnWhatItLeft) {
  // The second model has one flow: its count is 1 while the curves of the
  // first model (six points) are still held.
  const TVerifyRun r =
      Verify(std::string(kCatalog) + Section("F400", kGood) + Section("F500", "Qa=0.5\nPs=1\nPw=1\nLw=1\n"));
  EXPECT_EQ(r.messages, std::vector<std::string>{"Not enough data points..."});
  EXPECT_EQ(r.errors, (std::vector<std::string>{
                          "FX (F500)  Too few volume data points (must be more than 5)",
                          "FX (F500)  Static pressure point count error",
                          "FX (F500)  Power point count error", "FX (F500)  Noise point count error",
                          "FX (F500)  Nominal flow must be greater than the lowest flow"}));
}

TEST(Verify, LineFormWithEmptyRange) {
  const TVerifyRun r = Verify("[F400]\nQa=1,2,3,4\nPs=4,3,2,1\nPw=1\nLw=1\n");
  EXPECT_EQ(r.errors, std::vector<std::string>{" (F400)  Too few volume data points (must be more than 5)"});
}

TEST(Verify, OneLinePerRulePerModel) {
  const TVerifyRun r =
      Verify(std::string(kCatalog) + Section("A", "Qa=1,2,3,4\nPs=4,3,2,1\nPw=1\nLw=1\n") +
             Section("B", kGood) + Section("C", "Speed=3,2,1\nQa=3,2,1,0,-1\nPs=1\nPw=1\nLw=1\n"));
  EXPECT_EQ(r.errors, (std::vector<std::string>{
                          "FX (A)  Too few volume data points (must be more than 5)",
                          "FX (C)  Static pressure point count error",
                          "FX (C)  Volume flows must be in increasing order",
                          "FX (C)  Volume flows must be greater than zero",
                          "FX (C)  Nominal flow must be greater than the lowest flow",
                          "FX (C)  Nominal flow must be less than the biggest flow",
                          "FX (C)  Speed range must be in increasing order",
                      }));
}

TEST(Verify, NotAFanFile) {
  struct Case {
    const char* name;
    const char* text;  // nullptr: no file at all
    const char* file;
  } cases[] = {
      {"missing file", nullptr, "missing.qfn"},
      {"no models", "[Catalog]\nMaker=Orvane\n", "empty.qfn"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir dir;
    TFan fan;
    if (c.text) {
      LoadText(fan, dir, c.text, c.file);
    } else {
      fan.LoadFromFile(dir.File(c.file));
    }
    EXPECT_EQ(fan.Verify(), 1);
    EXPECT_EQ(fan.Errors, std::vector<std::string>{std::string(c.file) + "  Not a Orvane fan file..."});
  }
  TFan fresh;
  EXPECT_EQ(fresh.Verify(), 1);
  EXPECT_EQ(fresh.Errors, std::vector<std::string>{"  Not a Orvane fan file..."});
}

TEST(Verify, LeavesTheLastModelCurrent) {
  TTempDir dir;
  TFan fan;
  LoadText(fan, dir, std::string(kCatalog) + Section("F400", kGood) + Section("F500", "Qa=1,2\nPs=2,1\n"));
  fan.Verify();
  EXPECT_EQ(fan.Model.Name, "F500");
  EXPECT_EQ(fan.Status, fsDataError);  // its "Pw" is missing
  EXPECT_EQ(fan.Models, (std::vector<std::string>{"F400", "F500"}));
  EXPECT_EQ(fan.Header.Range, "FX");
}

TEST(Verify, ConversionErrorKeepsTheLinesSoFar) {
  TTempDir dir;
  TFan fan;
  LoadText(fan, dir,
           std::string(kCatalog) + Section("A", "Qa=1,2,3,4\nPs=4,3,2,1\nPw=1\nLw=1\n") +
               Section("B", "Qa=1,2,x,4\nPs=4,3,2,1\nPw=1\nLw=1\n"));
  EXPECT_THROW(fan.Verify(), EConvertError);
  EXPECT_EQ(fan.Errors, std::vector<std::string>{"FX (A)  Too few volume data points (must be more than 5)"});
}
