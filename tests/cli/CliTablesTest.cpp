// The text tables of select and schedule are for people; CSV and JSON keep
// every digit. The check report leads with the answer.
#include <algorithm>
#include <string>

#include "CliTestSupport.h"
#include "base/Format.h"

namespace blowden::test {
namespace {

std::string Sample(const char* name) { return (SamplesDir() / name).string(); }

class CliTablesTest : public TCliTest {};

TEST_F(CliTablesTest, RankedTextHasNamesUnitsAndRoundedFigures) {
  // The same catalogue in two folders: those two keep their folder.
  const std::string bc = Sample("orvane-bc-centrifugal.qfn");
  std::filesystem::create_directories(Work().Path() / "site");
  const std::string copy = (Work().Path() / "site" / "orvane-bc-centrifugal.qfn").string();
  std::filesystem::copy_file(bc, copy);
  const std::string md = Sample("orvane-md-mixed.qfn");
  const std::vector<std::string> duty{"select", "--flow", "1.5", "--pressure", "400"};

  std::vector<std::string> args = duty;
  args.insert(args.end(), {bc, copy, md});
  const TCliRun text = RunCliArgs(args);
  ASSERT_EQ(text.Code, ecSuccess) << text.Err;
  const std::vector<std::string> lines = SplitLines(text.Out);
  ASSERT_GE(lines.size(), 3u);
  for (const char* caption : {"speed [rpm]", "flow [m³/s]", "static pressure [Pa]", "shaft power [kW]",
                              "efficiency [%]", "sound power [dB]", "BEP ratio [%]"})
    EXPECT_NE(lines[0].find(caption), std::string::npos) << caption << "\n" << lines[0];
  EXPECT_EQ(text.Out.find(SamplesDir().string()), std::string::npos) << "no folders";
  EXPECT_NE(text.Out.find(" samples/orvane-bc-centrifugal.qfn "), std::string::npos) << text.Out;
  EXPECT_NE(text.Out.find(" site/orvane-bc-centrifugal.qfn "), std::string::npos) << text.Out;
  EXPECT_NE(text.Out.find(" orvane-md-mixed.qfn "), std::string::npos) << text.Out;

  // The first row's figures: the JSON's, rounded as the selector shows them.
  args[0] = "select";
  args.insert(args.begin() + 1, "--json");
  const TJson doc = ParsedJson(RunCliArgs(args));
  const TJson& best = doc["candidates"][0];
  const std::string& row = lines[1];
  EXPECT_NE(row.find(" " + best["model"].String + " "), std::string::npos) << row;
  EXPECT_NE(row.find(Format("  %0.0f  ", {best["speed"].Number})), std::string::npos) << row;
  EXPECT_NE(row.find(Format("  %0.1f  ", {best["efficiency"].Number})), std::string::npos) << row;
  EXPECT_NE(row.find(Format("  %0.3f  ", {best["shaft_power"].Number})), std::string::npos) << row;

  // CSV keeps every digit: each figure reads back as the JSON's double.
  std::vector<std::string> csvArgs = duty;
  csvArgs.insert(csvArgs.end(), {"--csv", bc, md});
  const std::vector<std::string> csv = SplitLines(RunCliArgs(csvArgs).Out);
  ASSERT_GE(csv.size(), 2u);
  std::vector<std::string> jsonArgs = duty;
  jsonArgs.insert(jsonArgs.end(), {"--json", bc, md});
  const TJson first = ParsedJson(RunCliArgs(jsonArgs))["candidates"][0];
  std::vector<std::string> header, fields;
  for (const auto& [line, out] : {std::pair{&csv[0], &header}, std::pair{&csv[1], &fields}}) {
    std::string field;
    for (char ch : *line + ",") {
      if (ch == ',') {
        out->push_back(field);
        field.clear();
      } else if (ch != '\r') {
        field += ch;
      }
    }
  }
  for (const char* key : {"speed", "flow", "shaft_power", "efficiency", "sound_power", "bep_ratio"}) {
    const auto at = std::find(header.begin(), header.end(), key) - header.begin();
    ASSERT_LT(static_cast<std::size_t>(at), fields.size()) << key;
    EXPECT_EQ(std::stod(fields[static_cast<std::size_t>(at)]), first[key].Number) << key;
  }
}

TEST_F(CliTablesTest, ScheduleTextHasUnitsInItsHeader) {
  const TCliRun run = RunCliArgs({"schedule", "--units", "ip", Sample("orvane-bc-centrifugal.qfn"),
                                  Sample("orvane-md-mixed.qfn"), CliDataFile("schedule.csv")});
  const std::vector<std::string> lines = SplitLines(run.Out);
  ASSERT_GE(lines.size(), 2u) << run.Err;
  for (const char* caption : {"flow [cfm]", "pressure [InchWg]", "speed [rpm]", "shaft power [HP]",
                              "efficiency [%]", "sound power [dB]"})
    EXPECT_NE(lines[0].find(caption), std::string::npos) << caption << "\n" << lines[0];
  EXPECT_EQ(run.Out.find(SamplesDir().string()), std::string::npos) << run.Out;
}

TEST_F(CliTablesTest, CheckLeadsWithTheCountsAndHidesPointNotesUnlessVerbose) {
  // One power mistyped (0.79 for 0.079): one finding, not one per point.
  const std::string typo =
      WriteFile("typo.qfn",
                "[Catalog]\nRange=BC\nDensity=1.2\n[BC250]\nModel=250,1450,650,2900,200,175,0.186\n"
                "Qa=0.047,0.075,0.102,0.130,0.158,0.186,0.214,0.242,0.270,0.298\n"
                "Ps=457,450,435,414,386,350,308,258,202,139\n"
                "Pw=0.034,0.049,0.061,0.071,0.79,0.086,0.089,0.090,0.087,0.079\n"
                "Lw=75.4,75.7,75.6,75.4,75.2,75.0,74.9,74.7,74.5,73.8\n");
  const TCliRun run = RunCliArgs({"check", typo});
  EXPECT_EQ(run.Code, ecSuccess) << run.Err;
  const std::vector<std::string> lines = SplitLines(run.Out);
  ASSERT_GE(lines.size(), 7u) << run.Out;
  EXPECT_EQ(lines[3], "0 errors, 1 warning, 11 notes");
  EXPECT_EQ(lines[4], "10 notes on single points not shown (--verbose shows them)");
  EXPECT_EQ(
      lines[6].rfind("BC (BC250)  point 5: warning: Pw fit misses the tested value by 68.1 % (more than 3 "
                     "%), and points 1, 2, 3, 4, 6, 7, 8, 10 by more than 3 % because of it",
                     0),
      0u)
      << lines[6];
  EXPECT_EQ(run.Out.find("point 1: note:"), std::string::npos);

  const TCliRun verbose = RunCliArgs({"check", "--verbose", typo});
  EXPECT_NE(verbose.Out.find("BC (BC250)  point 1: note: Q 0.047 m³/s"), std::string::npos) << verbose.Out;
  EXPECT_EQ(SplitLines(verbose.Out)[3], lines[3]);
  EXPECT_EQ(verbose.Out.find("not shown"), std::string::npos);
}

}  // namespace
}  // namespace blowden::test
