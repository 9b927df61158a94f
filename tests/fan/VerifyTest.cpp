// The verification rules of a fan data file.
#include <gtest/gtest.h>

#include <optional>

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
  run.errors = fan.Errors();
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
       {"Static pressure point count error",
        "Model read ended with \"Data error\": \"Ps\" holds 7 value(s) for 8 flows"}},
      {"falling run counts once",
       "Qa=0.1,0.5,0.4,0.3,0.2,0.6,0.7\nPs=7,6,5,4,3,2,1\nPw=1\nLw=1\n",
       {"Volume flows must be in increasing order"}},
      {"equal flows",
       "Qa=0.1,0.2,0.2,0.3,0.4\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Volume flows must not repeat: points 2 and 3 both have 0.2 m³/s"}},
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
       "Model=400,1450,900,1600,400,300,1\nSpeed=1450,960\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Speed range must be in increasing order"}},
      {"equal speeds pass",
       "Model=400,1450,900,1600,400,300,1\nSpeed=960,960,1450\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {}},
      // What the twelve rules let through but no duty can be solved with.
      {"listed speed outside the limits",
       "Speed=960,1450\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Listed speed 960 rpm lies outside MinSpeed..MaxSpeed (1360..1360 rpm)"}},
      {"speeds not above zero",
       "Model=400,0,0,1600,400,300,1\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Speeds must be above zero (RefSpeed 0, MinSpeed 0, MaxSpeed 1600 rpm)"}},
      {"minimum above maximum",
       "Model=400,1450,1700,1200,400,300,1\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Ref speed must be greater than MinSpeed", "Ref speed must be less than MaxSpeed",
        "MinSpeed 1700 rpm must not be above MaxSpeed 1200 rpm"}},
      {"diameter not above zero",
       "Diameter=-400\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Diameter must be above zero (-400 mm)"}},
      {"bad item of the Model line",
       "Model=400,1450,9x0,1600,400,300,1\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Model read ended with \"Data error\": \"Model\" item 3 is '9x0', not an integer"}},
      {"short Model line",
       "Model=400,1450,900\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n",
       {"Model read ended with \"Data error\": \"Model\" holds 3 item(s), 7 are needed"}},
      // Verified clean before, although no duty could be solved with it.
      {"no power list",
       "Qa=1,2,3,4,5\nPs=5,4,3,2,1\nLw=1\n",
       {"Model read ended with \"Data error\": \"Pw\" is missing or empty"}},
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

// Data no result can be computed from: each fails verification with one
// line after the model's other lines, in every model of the file.
TEST(Verify, UnusableData) {
  const std::string good = "Qa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=70\n";
  struct Case {
    const char* name;
    std::string density;  // the catalogue's "Density" line
    std::string body;
    std::vector<std::string> messages;
  } cases[] = {
      {"sound data", "1.2", good, {}},
      {"density 0", "0", good, {"Density 0 kg/m³ must be a finite number above zero"}},
      {"density negative", "-1.2", good, {"Density -1.2 kg/m³ must be a finite number above zero"}},
      {"density tiny", "1e-300", good, {"Density 1E-300 kg/m³ lies beyond 0.01 to 100 kg/m³"}},
      {"density huge", "1e308", good, {"Density 1E308 kg/m³ lies beyond 0.01 to 100 kg/m³"}},
      {"all flows 0", "1.2", "Qa=0,0,0,0,0\nPs=5,4,3,2,1\nPw=1\nLw=70\n", {"Volume flows are all zero"}},
      {"no positive pressure",
       "1.2",
       "Qa=1,2,3,4,5\nPs=-1,-2,-3,-4,-5\nPw=1\nLw=70\n",
       {"No positive static pressure: the fan delivers against no pressure at any point"}},
      {"zero pressure everywhere",
       "1.2",
       "Qa=1,2,3,4,5\nPs=0,0,0,0,0\nPw=1\nLw=70\n",
       {"No positive static pressure: the fan delivers against no pressure at any point"}},
      {"negative power",
       "1.2",
       "Qa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1,1,-0.455,1,1\nLw=70\n",
       {"Shaft power must be above zero (point 3: -0.455 kW)"}},
      {"zero power",
       "1.2",
       "Qa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=0\nLw=70\n",
       {"Shaft power must be above zero (point 1: 0 kW)"}},
      {"huge flow",
       "1.2",
       "Qa=1,2,3,4,1e308\nPs=5,4,3,2,1\nPw=1\nLw=70\n",
       {"Volume flow 1E308 m³/s at point 5 lies beyond ±1E4 m³/s"}},
      {"huge pressure",
       "1.2",
       "Qa=1,2,3,4,5\nPs=1e308,4,3,2,1\nPw=1\nLw=70\n",
       {"Static pressure 1E308 Pa at point 1 lies beyond ±1E6 Pa"}},
      {"huge power",
       "1.2",
       "Qa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1,1e308\nLw=70\n",
       {"Shaft power 1E308 kW at point 2 lies beyond ±1E5 kW"}},
      {"negative sound",
       "1.2",
       "Qa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=-92\n",
       {"Sound power -92 dB at point 1 lies beyond 0 to 200 dB"}},
      {"total pressure overflowing the static one",
       "1.2",
       "Model=400,1450,900,1600,400,300,1\nQa=1,2,3,4,1e200\nPt=5,4,3,2,1\nPw=1\nLw=70\n",
       {"No positive static pressure: the fan delivers against no pressure at any point",
        "Volume flow 1E200 m³/s at point 5 lies beyond ±1E4 m³/s",
        "Static pressure -infinite Pa at point 5 lies beyond ±1E6 Pa"}},
      {"speed beyond the bound",
       "1.2",
       "Model=400,1450,900,2147483647,400,300,1\n" + good,
       {"Speeds must not exceed 100000 rpm (RefSpeed 1450, MinSpeed 900, MaxSpeed 2147483647 rpm)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TVerifyRun r = Verify("[Catalog]\nRange=FX\nDensity=" + c.density + "\n" + Section("A", c.body) +
                                Section("B", c.body));
    std::vector<std::string> expected;
    for (const char* model : {"A", "B"})
      for (const auto& m : c.messages) expected.push_back(std::string("FX (") + model + ")  " + m);
    EXPECT_EQ(r.errors, expected);
  }
}

TEST(Verify, ZeroOutletShowsTheBoxAndIsReported) {
  const TVerifyRun r =
      Verify(std::string(kCatalog) +
             Section("F400", "Model=400,1450,900,1600,0,0,1.5\nQa=1,2,3,4,5\nPs=5,4,3,2,1\nPw=1\nLw=1\n"));
  EXPECT_EQ(r.messages, std::vector<std::string>{"Bad area specification..."});
  // The read stopped before the flows: this first model has none.
  EXPECT_EQ(r.errors,
            (std::vector<std::string>{
                "FX (F400)  Too few volume data points (must be more than 5)",
                "FX (F400)  Outlet dimensions need to be assigned",
                "FX (F400)  Model read ended with \"Data error\": the outlet area is 0 (outlet width and "
                "height both 0)"}));
}

TEST(Verify, StoppedReadIsCheckedOnWhatItLeft) {
  // The second model has one flow: its count is 1 while the curves of the
  // first model (six points) are still held.
  const TVerifyRun r =
      Verify(std::string(kCatalog) + Section("F400", kGood) + Section("F500", "Qa=0.5\nPs=1\nPw=1\nLw=1\n"));
  EXPECT_EQ(r.messages, std::vector<std::string>{"Not enough data points..."});
  EXPECT_EQ(r.errors,
            (std::vector<std::string>{
                "FX (F500)  Too few volume data points (must be more than 5)",
                "FX (F500)  Static pressure point count error", "FX (F500)  Power point count error",
                "FX (F500)  Noise point count error",
                "FX (F500)  Nominal flow must be greater than the lowest flow",
                "FX (F500)  Model read ended with \"Volume range error\": \"Qa\" holds 1 flow(s), at "
                "least 2 are needed"}));
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
                          "FX (C)  Model read ended with \"Data error\": \"Ps\" holds 1 value(s) for 5 flows",
                          "FX (C)  Listed speed 3 rpm lies outside MinSpeed..MaxSpeed (1360..1360 rpm)",
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
    EXPECT_EQ(fan.Errors(), std::vector<std::string>{std::string(c.file) + "  Not a Orvane fan file..."});
  }
  TFan fresh;
  EXPECT_EQ(fresh.Verify(), 1);
  EXPECT_EQ(fresh.Errors(), std::vector<std::string>{"  Not a Orvane fan file..."});
}

TEST(Verify, LeavesTheLastModelCurrent) {
  TTempDir dir;
  TFan fan;
  LoadText(fan, dir, std::string(kCatalog) + Section("F400", kGood) + Section("F500", "Qa=1,2\nPs=2,1\n"));
  fan.Verify();
  EXPECT_EQ(fan.Model().Name, "F500");
  EXPECT_EQ(fan.Status(), fsDataError);  // its "Pw" is missing
  EXPECT_EQ(fan.Models(), (std::vector<std::string>{"F400", "F500"}));
  EXPECT_EQ(fan.Header().Range, "FX");
}

TEST(Verify, ConversionErrorKeepsTheLinesSoFar) {
  TTempDir dir;
  TFan fan;
  LoadText(fan, dir,
           std::string(kCatalog) + Section("A", "Qa=1,2,3,4\nPs=4,3,2,1\nPw=1\nLw=1\n") +
               Section("B", "Qa=1,2,x,4\nPs=4,3,2,1\nPw=1\nLw=1\n"));
  EXPECT_THROW(fan.Verify(), EConvertError);
  EXPECT_EQ(fan.Errors(),
            std::vector<std::string>{"FX (A)  Too few volume data points (must be more than 5)"});
}

TEST(Verify, MakesTheModelCurrentBeforeCurrentAgain) {
  // The second model has no outlet: its read shows a box and stops (Status 5).
  const std::string text = std::string(kCatalog) + Section("F400", kGood) +
                           Section("Shut", "Model=400,1450,900,1600,0,0,1.5\nQa=1,2\nPs=2,1\n") +
                           Section("F500", kGood);
  struct Case {
    const char* current;
    int status;
  } cases[] = {{"F400", fsReady}, {"Shut", fsDataError}, {"F500", fsReady}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.current);
    TTempDir dir;
    TFan fan;
    std::vector<std::string> boxes;
    fan.OnMessage = [&](const std::string& m) { boxes.push_back(m); };
    LoadText(fan, dir, text);
    fan.SelectModel(c.current);
    const std::vector<double> coeffs = fan.Coeffs();
    boxes.clear();
    EXPECT_GT(fan.Verify(), 0);  // "Shut" has no outlet
    EXPECT_EQ(fan.Model().Name, c.current);
    EXPECT_EQ(fan.Status(), c.status);
    EXPECT_EQ(fan.ModelStatus(), c.status);
    // A model read to the end is the same again (a stopped read holds data of an earlier one).
    if (c.status == fsReady) {
      EXPECT_EQ(fan.Coeffs(), coeffs);
    }
    // The box of "Shut" comes once, from its check, not again when it is made current.
    EXPECT_EQ(boxes, std::vector<std::string>{"Bad area specification..."});
  }
}

TEST(Verify, ConversionErrorReportedAsALine) {
  TTempDir dir;
  TFan fan;
  LoadText(fan, dir,
           std::string(kCatalog) + Section("A", kGood) +
               Section("B", "Qa=1,2,x,4\nPs=4,3,2,1\nPw=1\nLw=1\n") + Section("C", "Qa=1\n"));
  fan.SelectModel("A");
  // Thrown by Verify, returned by VerifyReporting; either way "A" is current again.
  EXPECT_THROW(fan.Verify(), EConvertError);
  EXPECT_TRUE(fan.Errors().empty());
  EXPECT_EQ(fan.Model().Name, "A");
  EXPECT_EQ(fan.Status(), fsReady);

  const std::optional<TConversionStop> stop = fan.VerifyReporting();
  ASSERT_TRUE(stop.has_value());
  EXPECT_EQ(stop->Message, "'x' is not a valid floating point value");
  EXPECT_EQ(stop->Model, "B");
  // The line names the list; verification goes on with the next model, whose
  // own read stops early and is judged on what it left.
  ASSERT_GE(fan.Errors().size(), 2U);
  EXPECT_EQ(fan.Errors()[0], "FX (B)  'x' is not a valid floating point value in \"Qa\"");
  EXPECT_EQ(
      fan.Errors().back(),
      "FX (C)  Model read ended with \"Volume range error\": \"Qa\" holds 1 flow(s), at least 2 are needed");
  EXPECT_EQ(fan.Model().Name, "A");
  EXPECT_EQ(fan.Status(), fsReady);

  // Without a model read before, the model that stopped the check stays, partly read.
  TFan fresh;
  LoadText(fresh, dir, std::string(kCatalog) + Section("B", "Qa=1,2,x,4\nPs=4,3,2,1\nPw=1\nLw=1\n"), "b.qfn");
  EXPECT_TRUE(fresh.VerifyReporting().has_value());
  EXPECT_EQ(fresh.Model().Name, "B");
  EXPECT_EQ(fresh.Status(), fsDataError);
}
