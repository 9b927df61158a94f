// The judgement of a selection (duty met, warnings), site air, the ranked
// selection over several catalogues and the physics check, from the command line.
#include <cmath>

#include "CliTestSupport.h"

namespace blowden::test {
namespace {

std::string Sample(const char* name) { return (SamplesDir() / name).string(); }

const char* kSamples[] = {"orvane-bc-centrifugal.qfn", "orvane-ax-axial.qfn", "orvane-md-mixed.qfn"};

// 0.05 kW at 1 m³/s and 500 Pa: a tenth of the air power.
const char* kImpossible =
    "[Catalog]\nMaker=Typo\nRange=TY\nDensity=1.2\n"
    "[T1]\nModel=400,1400,700,1600,400,400,1.8\nQa=0.5,1.0,1.5,2.0,2.5,3.0\n"
    "Ps=520,500,470,430,380,320\nPw=0.9,0.05,1.3,1.5,1.7,1.9\nLw=81,82,83,84,85,86\n";

class CliRankTest : public TCliTest {};

TEST_F(CliRankTest, AnUnmetDutyExitsOneWithTheSentenceInWarnings) {
  const TCliRun run =
      RunCliArgs({"select", "--json", "--flow", "5", "--pressure", "1000", Sample("orvane-ax-axial.qfn")});
  EXPECT_EQ(run.Code, ecFailure);
  const TJson doc = ParsedJson(run);
  EXPECT_EQ(doc["status"].Number, 0);
  EXPECT_FALSE(doc["duty_met"].Bool);
  EXPECT_EQ(doc["verdict"].String, "rejected");
  ASSERT_GE(doc["reasons"].Size(), 1u);
  EXPECT_EQ(doc["reasons"][0].String.rfind("duty not met at the highest listed speed ", 0), 0u)
      << doc["reasons"][0].String;
  EXPECT_EQ(doc["lines"].Size(), 9u);
  EXPECT_LE(doc["chart"]["x_min"].Number, 5);
  EXPECT_GE(doc["chart"]["x_max"].Number, 5);
  EXPECT_GE(doc["chart"]["y_max"].Number, 1000);

  const TCliRun text =
      RunCliArgs({"select", "--flow", "5", "--pressure", "1000", Sample("orvane-ax-axial.qfn")});
  EXPECT_EQ(text.Code, ecFailure);
  EXPECT_NE(text.Out.find("\nRejected: duty not met at "), std::string::npos) << text.Out;
}

TEST_F(CliRankTest, SiteAirAndResultUnits) {
  const std::string file = CliDataFile("exact.qfn");
  const auto select = [&](std::vector<std::string> extra) {
    std::vector<std::string> args{"select", "--json", "--model", "E1", "--flow", "2", "--pressure", "560"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(file);
    return ParsedJson(RunCliArgs(args));
  };
  const TJson plain = select({});
  EXPECT_TRUE(plain["duty_met"].Bool);
  EXPECT_EQ(plain["warnings"].Size(), 0u);
  EXPECT_EQ(plain["pressure_kind"].String, "static");
  EXPECT_EQ(plain["density_ratio"].Number, 1);
  EXPECT_EQ(plain["units"]["flow"].String, "m³/s");
  EXPECT_NEAR(plain["static_efficiency"].Number, 0.1 * 2 * 560 / 2, 1e-6);  // the solve is to 1e-6

  // Air of 0.96 kg/m³ (ratio 0.8): the site duty of 448 Pa is the same fan point.
  const TJson site = ParsedJson(RunCliArgs(
      {"select", "--json", "--model", "E1", "--flow", "2", "--pressure", "448", "--density", "0.96", file}));
  EXPECT_NEAR(site["density_ratio"].Number, 0.8, 1e-15);
  EXPECT_NEAR(site["speed"].Number, plain["speed"].Number, 1e-6);
  EXPECT_NEAR(site["shaft_power"].Number, 0.8 * plain["shaft_power"].Number, 1e-9);
  EXPECT_NEAR(site["efficiency"].Number, plain["efficiency"].Number, 1e-9);

  const TJson ip = select({"--units", "ip"});
  EXPECT_EQ(ip["units"]["flow"].String, "cfm");
  EXPECT_EQ(ip["units"]["pressure"].String, "InchWg");
  EXPECT_EQ(ip["units"]["power"].String, "HP");
  EXPECT_NEAR(ip["flow"].Number, 2 * 2118.8800032893155, 1e-9);
  EXPECT_NEAR(ip["shaft_power"].Number, plain["shaft_power"].Number * 1.341021858656296, 1e-12);

  struct Case {
    std::vector<std::string> args;
    const char* error;
  } cases[] = {
      {{"--density", "1.1", "--altitude", "100"}, "not both"},
      {{"--altitude", "12000"}, "The altitude must lie between"},
      {{"--temperature", "-300"}, "above absolute zero"},
      {{"--temperature", "-460", "--temperature-units", "F"}, "above absolute zero"},
      {{"--pressure-kind", "dynamic"}, "not a pressure kind"},
      {{"--units", "imperial"}, "not a choice of units"},
      {{"--sort", "power"}, "ranks several files"},
      {{"--density-units", "kg/m3"}, "needs '--density'"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"select", "--model", "E1", "--flow", "2", "--pressure", "560"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(file);
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, ecUsage) << c.error;
    EXPECT_NE(run.Err.find(c.error), std::string::npos) << run.Err;
  }
}

// Every entry of a ranked run says what `select --json --model M FILE` says
// of that file and model.
TEST_F(CliRankTest, RankedEntriesEqualTheSingleSelection) {
  std::vector<std::string> files;
  for (const char* s : kSamples) files.push_back(Sample(s));
  files.push_back(CliDataFile("exact.qfn"));
  files.push_back(CliDataFile("broken.qfn"));
  for (const auto& [flow, pressure] :
       {std::pair{"1.5", "400"}, std::pair{"2", "560"}, std::pair{"0.6", "250"}}) {
    SCOPED_TRACE(std::string(flow) + " " + pressure);
    std::vector<std::string> args{"select", "--json", "--flow", flow, "--pressure", pressure};
    args.insert(args.end(), files.begin(), files.end());
    const TCliRun run = RunCliArgs(args);
    const TJson doc = ParsedJson(run);
    EXPECT_EQ(run.Code, doc["candidates"].Size() > 0 ? ecSuccess : ecFailure);
    EXPECT_EQ(doc["sort"].String, "power");
    double previous = -1;
    for (const TJson& c : doc["candidates"].Items) {
      EXPECT_GE(c["shaft_power"].Number, previous);
      previous = c["shaft_power"].Number;
      const TJson single = ParsedJson(RunCliArgs({"select", "--json", "--model", c["model"].String, "--flow",
                                                  flow, "--pressure", pressure, c["file"].String}));
      EXPECT_EQ(single["status"].Number, 0);
      EXPECT_TRUE(single["duty_met"].Bool);
      EXPECT_EQ(c["verdict"].String, single["verdict"].String);
      EXPECT_NE(c["verdict"].String, "rejected");
      for (const char* key : {"speed", "flow", "static_pressure", "total_pressure", "shaft_power",
                              "efficiency", "static_efficiency", "sound_power"})
        EXPECT_EQ(c[key].Number, single[key].Number) << c["model"].String << " " << key;
      EXPECT_EQ(c["warnings"].Strings(), single["warnings"].Strings());
    }
    for (const TJson& r : doc["rejected"].Items) {
      if (r["model"].String.empty()) continue;
      const TJson single = ParsedJson(RunCliArgs({"select", "--json", "--model", r["model"].String, "--flow",
                                                  flow, "--pressure", pressure, r["file"].String}));
      EXPECT_EQ(r["status"].Number, single["status"].Number) << r["model"].String;
      EXPECT_EQ(single["verdict"].String, "rejected") << r["model"].String;
      EXPECT_EQ(r["reasons"].Strings(), single["reasons"].Strings()) << r["model"].String;
      EXPECT_FALSE(r["reason"].String.empty());
    }
  }
}

TEST_F(CliRankTest, SortLimitCsvAndReasons) {
  std::vector<std::string> args{"select", "--flow",     "1.5",     "--pressure", "400",
                                "--sort", "efficiency", "--limit", "2",          "--csv"};
  for (const char* s : kSamples) args.push_back(Sample(s));
  const TCliRun csv = RunCliArgs(args);
  const std::vector<std::string> lines = SplitLines(csv.Out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("rank,file,maker,range,model,speed,", 0), 0u) << lines[0];
  EXPECT_LE(lines.size(), 3u);

  // Reasons in words for what was left out.
  const TCliRun text = RunCliArgs({"select", "--flow", "5", "--pressure", "1000",
                                   Sample("orvane-ax-axial.qfn"), CliDataFile("exact.qfn")});
  EXPECT_NE(text.Out.find("Rejected"), std::string::npos);
  EXPECT_NE(text.Out.find("duty not met at the highest listed speed"), std::string::npos) << text.Out;
}

TEST_F(CliRankTest, CheckFindsImpossibleDataAndInstallRefusesIt) {
  const std::string bad = WriteFile("typo.qfn", kImpossible);
  const TCliRun run = RunCliArgs({"check", "--json", bad, Sample(kSamples[0])});
  EXPECT_EQ(run.Code, ecFailure);
  const TJson doc = ParsedJson(run);
  ASSERT_EQ(doc.Size(), 2u);
  EXPECT_EQ(doc[0].Keys(), (std::vector<std::string>{"file", "status", "findings", "messages"}));
  bool found = false;
  for (const TJson& f : doc[0]["findings"].Items)
    if (f["level"].String == "error" && f["point"].Number == 1 &&
        f["text"].String.find("below the air power") != std::string::npos)
      found = true;
  EXPECT_TRUE(found);
  EXPECT_EQ(doc[1]["status"].Number, 0);

  const TCliRun install = RunCliArgs({"install", bad});
  EXPECT_EQ(install.Code, ecFailure);
  EXPECT_NE(install.Out.find("below the air power"), std::string::npos) << install.Out;
}

// --tolerance: how far the flow may fall short before the duty counts as not
// met; the search's choice AX500 gives 0.99 m³/s for 1 m³/s.
TEST_F(CliRankTest, ToleranceDecidesWhetherAShortFlowMeetsTheDuty) {
  const std::string axial = Sample("orvane-ax-axial.qfn");
  const TJson strict =
      ParsedJson(RunCliArgs({"select", "--json", "--flow", "1", "--pressure", "500", axial}));
  EXPECT_EQ(strict["model"].String, "AX560");
  EXPECT_EQ(strict["best_index"].Number, 5);
  ASSERT_EQ(strict["find_notes"].Size(), 1U);
  EXPECT_EQ(strict["find_notes"][0].String.rfind("AX500 passed over (duty not met", 0), 0U);
  const TCliRun run =
      RunCliArgs({"select", "--json", "--tolerance", "2", "--flow", "1", "--pressure", "500", axial});
  EXPECT_EQ(run.Code, ecSuccess) << run.Err;
  const TJson tolerant = ParsedJson(run);
  EXPECT_EQ(tolerant["model"].String, "AX500");
  EXPECT_EQ(tolerant["verdict"].String, "warning");
  EXPECT_EQ(tolerant["tolerance"].Number, 2);
  EXPECT_TRUE(tolerant["duty_met"].Bool);
  for (const char* bad : {"-1", "60", "x"}) {
    SCOPED_TRACE(bad);
    const TCliRun select =
        RunCliArgs({"select", "--tolerance", bad, "--flow", "1", "--pressure", "500", axial});
    EXPECT_EQ(select.Code, ecUsage) << select.Err;
    const TCliRun schedule = RunCliArgs({"schedule", "--tolerance", bad, axial, CliDataFile("schedule.csv")});
    EXPECT_EQ(schedule.Code, ecUsage) << schedule.Err;
    EXPECT_NE(schedule.Err.find("--tolerance"), std::string::npos) << schedule.Err;
  }
}

// No pressure peak inside the tested flows: the stall margin is null in JSON,
// "n/a" in text and CSV, and last when ranking by margin.
TEST_F(CliRankTest, AMissingStallMarginIsNullAndSortsLast) {
  std::vector<std::string> args{"select", "--json", "--sort", "margin", "--flow", "1.5", "--pressure", "400"};
  for (const char* s : kSamples) args.push_back(Sample(s));
  const TJson doc = ParsedJson(RunCliArgs(args));
  ASSERT_FALSE(doc["candidates"].Items.empty());
  for (const TJson& c : doc["candidates"].Items) EXPECT_EQ(c["stall_margin"].Kind, TJson::jNull);
  args[1] = "--csv";
  const TCliRun csv = RunCliArgs(args);
  const std::vector<std::string> lines = SplitLines(csv.Out);
  ASSERT_GE(lines.size(), 2U);
  EXPECT_NE(lines[1].find(",n/a,"), std::string::npos) << lines[1];
}

}  // namespace
}  // namespace blowden::test
