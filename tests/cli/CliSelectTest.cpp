#include <cmath>

#include "CliTestSupport.h"
#include "cli/JsonWriter.h"

namespace blowden::test {
namespace {

class CliSelectTest : public TCliTest {
 protected:
  TJson Select(const std::vector<std::string>& options, int expectedCode = ecSuccess) {
    std::vector<std::string> args{"select", "--json"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(CliDataFile("exact.qfn"));
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, expectedCode) << run.Err;
    EXPECT_EQ(run.Err, "");
    return ParsedJson(run);
  }
};

TEST_F(CliSelectTest, DutyOnTheReferenceCurveRunsAtReferenceSpeed) {
  // E1 at Q = 2: Ps = 600 + 40 - 40 - 40 = 560 Pa at 1400 rpm. Outlet
  // 0.4 x 0.4 m: dynamic pressure 0.6 * (2 / 0.16)² = 93.75 Pa; power 2 kW;
  // efficiency 0.1 * 2 * 653.75 / 2 = 65.4 %; sound 84 dB.
  const TCliRun run =
      RunCliArgs({"select", "--model", "E1", "--flow", "2", "--pressure", "560", CliDataFile("exact.qfn")});
  EXPECT_EQ(run.Code, ecSuccess);
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(SplitLines(run.Out), (std::vector<std::string>{
                                     "[Exact]  E1",
                                     "Fan Speed\t1400\trpm",
                                     "Volume Flow\t2.00\tm³/s",
                                     "Nominal Flow\t1.80\tm³/s",
                                     "Static Pressure\t560\tPa",
                                     "Dynamic Pressure\t94\tPa",
                                     "Total Pressure\t654\tPa",
                                     "Shaft Power\t2.00\tkW",
                                     "Fan Efficiency\t65\t%",
                                     "Sound Power\t84.0\tdB(a)",
                                     "R²=1.0000",
                                     // H_ref = 2.118 × 753.75 / 660 kW; the motor covers 2.5 kW × 1.1
                                     // along 1400 rpm; 2 kW / (η_t(2) × 0.877); π 0.4 × 1400 / 60; 2 / 0.16.
                                     "Fan Energy Index (total)\t1.20\t",
                                     "Fan Electrical Power\t2.43\tkW",
                                     "Motor Rating\t3\tkW",
                                     "Motor Efficiency\t87.7\t% (IE3 table)",
                                     "Electrical Power\t2.45\tkW",
                                     "Tip Speed\t29.3\tm/s",
                                     "Outlet Velocity\t12.5\tm/s",
                                 }));
}

TEST_F(CliSelectTest, JsonCarriesTheContractsFields) {
  const TJson doc = Select({"--model", "E1", "--flow", "2", "--pressure", "560"});
  EXPECT_EQ(doc.Keys(), (std::vector<std::string>{"file",
                                                  "best_index",
                                                  "model",
                                                  "status",
                                                  "status_text",
                                                  "duty",
                                                  "speed",
                                                  "raw_speed",
                                                  "flow",
                                                  "static_pressure",
                                                  "dynamic_pressure",
                                                  "total_pressure",
                                                  "shaft_power",
                                                  "efficiency",
                                                  "sound_power",
                                                  "lines",
                                                  "chart",
                                                  "r2",
                                                  "duty_met",
                                                  "speed_margin",
                                                  "stall_margin",
                                                  "bep_ratio",
                                                  "peak_efficiency",
                                                  "tolerance",
                                                  "static_efficiency",
                                                  "pressure_kind",
                                                  "density",
                                                  "reference_density",
                                                  "density_ratio",
                                                  "units",
                                                  "verdict",
                                                  "reasons",
                                                  "warnings",
                                                  "fei",
                                                  "fei_basis",
                                                  "fan_electrical_power",
                                                  "motor",
                                                  "electrical_power",
                                                  "sound",
                                                  "find_notes",
                                                  "messages"}));
  EXPECT_EQ(doc["best_index"].Kind, TJson::jNull);  // --model: no search
  EXPECT_EQ(doc["model"].String, "E1");
  EXPECT_EQ(doc["status"].Number, 0);
  EXPECT_EQ(doc["duty"]["flow"].Number, 2);
  EXPECT_EQ(doc["duty"]["pressure"].Number, 560);
  // The root finder stops at a pressure balance of 1e-6; the speed follows
  // to well within 1e-3 rpm.
  EXPECT_NEAR(doc["speed"].Number, 1400, 1e-3);
  EXPECT_NEAR(doc["raw_speed"].Number, 1400, 1e-3);
  EXPECT_NEAR(doc["flow"].Number, 2, 1e-12);
  EXPECT_NEAR(doc["static_pressure"].Number, 560, 1e-9);
  EXPECT_NEAR(doc["dynamic_pressure"].Number, 93.75, 1e-9);
  EXPECT_NEAR(doc["total_pressure"].Number, 653.75, 1e-9);
  EXPECT_NEAR(doc["shaft_power"].Number, 2, 1e-6);
  EXPECT_NEAR(doc["efficiency"].Number, 65.375, 1e-4);
  EXPECT_NEAR(doc["sound_power"].Number, 84, 1e-6);
  EXPECT_EQ(doc["lines"].Size(), 9u);
  EXPECT_EQ(doc["lines"][0].String, "Fan Speed\t1400\trpm");
  EXPECT_EQ(doc["lines"][7].String, "Fan Efficiency\t65\t%");
  // Chart window: flows 0.5 .. 3 carried to 700 and 1600 rpm, widened by 1 %
  // and rounded out to 0.25: 0.2475 -> 0, 3.463 -> 3.5. Pressures 435 and
  // 606.875 carried likewise and rounded out to 25: 107.7 -> 100, 800.6 -> 825.
  EXPECT_EQ(doc["chart"].Keys(), (std::vector<std::string>{"x_min", "x_max", "y_min", "y_max"}));
  EXPECT_EQ(doc["chart"]["x_min"].Number, 0);
  EXPECT_EQ(doc["chart"]["x_max"].Number, 3.5);
  EXPECT_EQ(doc["chart"]["y_min"].Number, 100);
  EXPECT_EQ(doc["chart"]["y_max"].Number, 825);
  EXPECT_NEAR(doc["r2"].Number, 1, 1e-12);
  EXPECT_EQ(doc["messages"].Size(), 0u);
}

TEST_F(CliSelectTest, SearchTakesTheModelWhoseNominalFlowLiesNearest) {
  // On E2's reference curve (3 m³/s, 631 Pa at 1200 rpm) E2 runs 0.5 m³/s
  // from its nominal flow; E1 reaches the duty near 1590 rpm, about 0.95
  // from its nominal flow carried to that speed.
  const TJson doc = Select({"--flow", "3", "--pressure", "631"});
  EXPECT_EQ(doc["best_index"].Number, 1);
  EXPECT_TRUE(doc["best_index"].IsInteger);
  EXPECT_EQ(doc["model"].String, "E2");
  EXPECT_NEAR(doc["speed"].Number, 1200, 1e-3);
}

TEST_F(CliSelectTest, UnitsOfTheCatalogueGiveTheSameSelection) {
  const TJson si = Select({"--flow", "2", "--pressure", "560"});
  struct Case {
    const char* name;
    std::string flowUnit;
    double flowFactor;  // shown units per m³/s
    std::string pressureUnit;
    double pressureFactor;  // shown units per Pa
  };
  const Case cases[] = {
      {"cfm and InchWg", "cfm", 2118.8800032893155, "InchWg", 4.014630759755623e-3},
      {"keys, any case", "CMH", 3600, "pa", 1},
      {"m3 for m³", "m3/hr", 3600, "KPA", 1e-3},
      {"labels", "l/s", 1000, "Psi", 0.1450376807894691e-3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TJson doc =
        Select({"--flow", ShortestNumber(2 * c.flowFactor), "--flow-units", c.flowUnit, "--pressure",
                ShortestNumber(560 * c.pressureFactor), "--pressure-units", c.pressureUnit});
    EXPECT_NEAR(doc["duty"]["flow"].Number, 2, 1e-12);
    EXPECT_NEAR(doc["duty"]["pressure"].Number, 560, 1e-9);
    EXPECT_EQ(doc["best_index"].Number, si["best_index"].Number);
    EXPECT_EQ(doc["lines"].Strings(), si["lines"].Strings());
    for (const char* key : {"speed", "flow", "static_pressure", "shaft_power", "efficiency", "sound_power"})
      EXPECT_NEAR(doc[key].Number, si[key].Number, 1e-7 * std::fabs(si[key].Number)) << key;
  }
}

TEST_F(CliSelectTest, SpeedWithinTenPercentAboveTheLimitIsRejected) {
  // E1's reference point (2 m³/s, 560 Pa) carried to 1680 rpm, 5 % above
  // MaxSpeed 1600: 2.4 m³/s at 806.4 Pa. The search may look there; the
  // impeller's limit rejects the selection.
  const TJson doc = Select({"--model", "E1", "--flow", "2.4", "--pressure", "806.4"}, ecFailure);
  EXPECT_EQ(doc["status"].Number, 0);
  EXPECT_EQ(doc["verdict"].String, "rejected");
  EXPECT_EQ(doc["reasons"].Strings(), std::vector<std::string>{"speed 1680 rpm above the maximum 1600 rpm"});
  EXPECT_NEAR(doc["speed"].Number, 1680, 1e-3);
  const auto lines = doc["lines"].Strings();
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0], "Speed exceeds fan limit...");
  EXPECT_EQ(lines[6], "Shaft Power\t3.46\tkW");     // 2 kW * 1.2³
  EXPECT_EQ(lines[8], "Sound Power\t88.0\tdB(a)");  // 84 + 50 log10 1.2
}

TEST_F(CliSelectTest, DutyTheModelCannotMeetShowsTheStatusText) {
  const TJson doc = Select({"--model", "E1", "--flow", "10", "--pressure", "400"}, ecFailure);
  EXPECT_NE(doc["status"].Number, 0);
  EXPECT_EQ(doc["lines"].Strings(), std::vector<std::string>{doc["status_text"].String});
  // The evaluation still ran: its figures and chart are there.
  EXPECT_EQ(doc["speed"].Kind, TJson::jNumber);
  EXPECT_EQ(doc["chart"].Kind, TJson::jObject);
}

TEST_F(CliSelectTest, ADutyOutsideTheRulesOfEveryViewIsAUsageError) {
  // A fan moves air one way against a resistance: a flow of 0 or below and a
  // pressure below 0 are refused as the selector and the schedule refuse
  // them, with the same message; a pressure of 0 is a duty.
  struct Case {
    const char* name;
    const char* flow;
    const char* pressure;
    const char* message;  // empty: evaluated
  };
  const Case cases[] = {
      {"pressure below 0", "2.5", "-25", "the pressure must not be negative ('-25' for --pressure)"},
      {"flow below 0", "-1", "400", "the flow must be above 0 ('-1' for --flow)"},
      {"flow of 0", "0", "400", "the flow must be above 0 ('0' for --flow)"},
      {"pressure of 0", "1", "0", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TCliRun run = RunCliArgs(
        {"select", "--json", "--flow", c.flow, "--pressure", c.pressure, CliDataFile("exact.qfn")});
    if (*c.message == 0) {
      EXPECT_NE(run.Code, ecUsage) << run.Err;
      continue;
    }
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err.rfind(std::string("blowden-cli: ") + c.message + "\n", 0), 0U) << run.Err;
  }
}

TEST_F(CliSelectTest, SearchWithoutAFittingModelEvaluatesTheFirst) {
  const TJson doc = Select({"--flow", "40", "--pressure", "400"}, ecFailure);
  EXPECT_EQ(doc["best_index"].Number, 0);
  EXPECT_EQ(doc["model"].String, "E1");
  EXPECT_NE(doc["status"].Number, 0);
}

TEST_F(CliSelectTest, BrowseEvaluatesTheNominalPoint) {
  // E1's nominal flow 1.8 m³/s at 1400 rpm: Ps = 600 + 36 - 32.4 - 29.16.
  for (const std::vector<std::string>& options : {std::vector<std::string>{"--browse", "--model", "E1"},
                                                  {"--browse"},
                                                  {"--browse", "--flow", "9", "--pressure", "9"}}) {
    SCOPED_TRACE(options.size());
    const TJson doc = Select(options);
    EXPECT_EQ(doc["best_index"].Kind, TJson::jNull);
    EXPECT_EQ(doc["model"].String, "E1");
    EXPECT_NEAR(doc["duty"]["flow"].Number, 1.8, 1e-12);
    EXPECT_NEAR(doc["duty"]["pressure"].Number, 574.44, 1e-9);
    EXPECT_EQ(doc["speed"].Number, 1400);
    EXPECT_EQ(doc["lines"][0].String, "Fan Speed\t1400\trpm");
    EXPECT_EQ(doc["lines"][3].String, "Static Pressure\t574\tPa");
  }
}

TEST_F(CliSelectTest, NoEvaluationWithoutAReadableModel) {
  const std::string empty = WriteFile("catalog.qfn", "[Catalog]\nRange=NO\n");
  const std::string conv =
      WriteFile("conv.qfn", "[Catalog]\n\n[C1]\nQa=1,2,3,4,5\nPs=5,4,3,2,x\nPw=1\nLw=80\n");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
    int status;
  };
  const Case cases[] = {
      {"model not in the file",
       {"--model", "E9", "--flow", "2", "--pressure", "560", CliDataFile("exact.qfn")},
       ecFailure,
       7},
      {"file without models", {"--flow", "2", "--pressure", "560", empty}, ecFailure, 7},
      {"browse without models", {"--browse", empty}, ecFailure, 7},
      {"conversion error", {"--flow", "2", "--pressure", "560", conv}, ecFailure, 5},
      {"missing file", {"--flow", "2", "--pressure", "560", Work().File("none.qfn")}, ecUsage, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"select", "--json"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, c.code);
    const TJson doc = ParsedJson(run);
    EXPECT_EQ(doc["status"].Number, c.status);
    EXPECT_EQ(doc["lines"].Strings(), std::vector<std::string>{doc["status_text"].String});
    EXPECT_EQ(doc["speed"].Kind, TJson::jNull);
    EXPECT_EQ(doc["chart"].Kind, TJson::jNull);
    EXPECT_EQ(doc["r2"].Kind, TJson::jNull);
    // The duty stays what was given; browse mode without a model has none.
    EXPECT_EQ(doc["duty"]["flow"].Kind, c.args[0] == "--browse" ? TJson::jNull : TJson::jNumber);
  }
}

TEST_F(CliSelectTest, SampleCataloguesSelectAndBrowse) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(SamplesDir(), ec))
    if (entry.path().extension() == ".qfn") files.push_back(entry.path().string());
  if (files.empty()) GTEST_SKIP() << "no sample catalogues in " << SamplesDir();
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const TCliRun browse = RunCliArgs({"select", "--json", "--browse", file});
    EXPECT_EQ(browse.Code, ecSuccess) << browse.Out;
    const TJson b = ParsedJson(browse);
    EXPECT_EQ(b["lines"].Size(), 9u);
    // The nominal point of the first model is a duty that the search must
    // meet with status 0 (that model at least qualifies).
    const TCliRun search = RunCliArgs({"select", "--json", "--flow", ShortestNumber(b["duty"]["flow"].Number),
                                       "--pressure", ShortestNumber(b["duty"]["pressure"].Number), file});
    EXPECT_EQ(search.Code, ecSuccess) << search.Out;
    EXPECT_GE(ParsedJson(search)["best_index"].Number, 0);
  }
}

}  // namespace
}  // namespace blowden::test
