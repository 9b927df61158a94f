// `schedule`: every mark of an equipment schedule says what a ranked select
// of its duty says, in JSON and CSV; rows that cannot be used are reported by
// line while the others run.
#include <sys/stat.h>

#include <fstream>
#include <map>

#include "CliTestSupport.h"
#include "base/Csv.h"
#include "base/Format.h"

namespace blowden::test {
namespace {

std::string Sample(const char* name) { return (SamplesDir() / name).string(); }

std::vector<std::string> Catalogues() {
  return {Sample("orvane-bc-centrifugal.qfn"), Sample("orvane-ax-axial.qfn"), Sample("orvane-md-mixed.qfn"),
          CliDataFile("exact.qfn")};
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The records of a CSV text; a failure when it does not parse.
std::vector<TCsvRecord> CsvRecords(const std::string& text) {
  std::vector<TCsvRecord> records;
  std::string error;
  EXPECT_TRUE(ParseCsv(text, records, error)) << error;
  return records;
}

bool SameJson(const TJson& a, const TJson& b) {
  if (a.Kind != b.Kind || a.Bool != b.Bool || a.String != b.String || a.Size() != b.Size()) return false;
  if (a.Kind == TJson::jNumber && a.Number != b.Number) return false;
  for (std::size_t i = 0; i < a.Items.size(); ++i)
    if (!SameJson(a.Items[i], b.Items[i])) return false;
  for (std::size_t i = 0; i < a.Members.size(); ++i)
    if (a.Members[i].first != b.Members[i].first || !SameJson(a.Members[i].second, b.Members[i].second))
      return false;
  return true;
}

// The `select` options of a schedule record's duty, mapped column by column.
std::vector<std::string> SelectOptions(const std::vector<std::string>& header,
                                       const std::vector<std::string>& row) {
  const std::map<std::string, std::string> options = {{"flow", "--flow"},
                                                      {"flow_units", "--flow-units"},
                                                      {"pressure", "--pressure"},
                                                      {"pressure_units", "--pressure-units"},
                                                      {"pressure_kind", "--pressure-kind"},
                                                      {"density", "--density"},
                                                      {"altitude", "--altitude"},
                                                      {"temperature", "--temperature"}};
  std::vector<std::string> args;
  for (std::size_t i = 0; i < header.size(); ++i) {
    std::string name(Trim(header[i])), value(Trim(row[i]));
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto option = options.find(name);
    if (option == options.end() || value.empty()) continue;
    if (name == "pressure_kind")
      for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    args.insert(args.end(), {option->second, value});
  }
  return args;
}

std::string MarkOf(const std::vector<std::string>& header, const std::vector<std::string>& row) {
  for (std::size_t i = 0; i < header.size(); ++i)
    if (SameText(Trim(header[i]), "mark")) return std::string(Trim(row[i]));
  return {};
}

class CliScheduleTest : public TCliTest {};

// For every row of the test schedule, with each choice of units and sort: the
// JSON entry holds the ranked select's duty and its first three candidates
// exactly, each candidate is what `select --model M FILE` computes, and the
// CSV record holds the ranked select's CSV figures of the best and the
// alternatives' files and models.
TEST_F(CliScheduleTest, EveryMarkEqualsTheSelectOfItsDuty) {
  const std::string schedulePath = CliDataFile("schedule.csv");
  const std::vector<TCsvRecord> table = CsvRecords(ReadText(schedulePath));
  ASSERT_GE(table.size(), 8u);
  const std::vector<std::string>& header = table[0].Fields;
  const std::vector<std::string> files = Catalogues();

  const std::vector<std::vector<std::string>> variants = {{}, {"--units", "ip"}, {"--sort", "efficiency"}};
  for (const std::vector<std::string>& variant : variants) {
    SCOPED_TRACE(variant.empty() ? std::string("defaults") : variant[0] + " " + variant[1]);
    const auto schedule = [&](const char* format) {
      std::vector<std::string> args{"schedule", format};
      args.insert(args.end(), variant.begin(), variant.end());
      args.insert(args.end(), files.begin(), files.end());
      args.push_back(schedulePath);
      return RunCliArgs(args);
    };
    const TCliRun jsonRun = schedule("--json");
    const TCliRun csvRun = schedule("--csv");
    // One mark of the test schedule is beyond every catalogue.
    EXPECT_EQ(jsonRun.Code, ecFailure);
    EXPECT_EQ(csvRun.Code, ecFailure);
    const TJson doc = ParsedJson(jsonRun);
    const std::vector<TCsvRecord> csv = CsvRecords(csvRun.Out);
    ASSERT_EQ(doc.Size(), table.size() - 1);
    ASSERT_EQ(csv.size(), table.size());
    const std::vector<std::string>& csvHeader = csv[0].Fields;
    const auto column = [&](const char* name) {
      return static_cast<std::size_t>(std::find(csvHeader.begin(), csvHeader.end(), name) -
                                      csvHeader.begin());
    };
    ASSERT_LT(column("error"), csvHeader.size());

    bool someUnmet = false;
    for (std::size_t r = 1; r < table.size(); ++r) {
      const std::string mark = MarkOf(header, table[r].Fields);
      SCOPED_TRACE(mark);
      const std::vector<std::string> duty = SelectOptions(header, table[r].Fields);
      const auto ranked = [&](const char* format) {
        std::vector<std::string> args{"select", format};
        args.insert(args.end(), duty.begin(), duty.end());
        args.insert(args.end(), variant.begin(), variant.end());
        args.insert(args.end(), files.begin(), files.end());
        return RunCliArgs(args);
      };
      const TJson expected = ParsedJson(ranked("--json"));
      const TJson& entry = doc[r - 1];
      EXPECT_EQ(entry["mark"].String, mark);
      EXPECT_EQ(entry["line"].Number, table[r].Line);
      EXPECT_TRUE(SameJson(entry["duty"], expected["duty"]));
      EXPECT_TRUE(SameJson(entry["units"], expected["units"]));
      EXPECT_EQ(entry["sort"].String, expected["sort"].String);
      EXPECT_EQ(entry["error"].Kind, TJson::jNull);
      const std::size_t shown = std::min<std::size_t>(3, expected["candidates"].Size());
      ASSERT_EQ(entry["candidates"].Size(), shown);
      for (std::size_t i = 0; i < shown; ++i)
        EXPECT_TRUE(SameJson(entry["candidates"][i], expected["candidates"][i])) << i;
      EXPECT_EQ(entry["reason"].Kind, shown ? TJson::jNull : TJson::jString);
      someUnmet = someUnmet || shown == 0;

      // Each candidate as the single selection of its file and model computes it.
      for (const TJson& c : entry["candidates"].Items) {
        std::vector<std::string> args{"select", "--json", "--model", c["model"].String};
        args.insert(args.end(), duty.begin(), duty.end());
        if (!variant.empty() && variant[0] == "--units")
          args.insert(args.end(), variant.begin(), variant.end());
        args.push_back(c["file"].String);
        const TJson single = ParsedJson(RunCliArgs(args));
        EXPECT_TRUE(single["duty_met"].Bool);
        for (const char* key : {"speed", "flow", "static_pressure", "total_pressure", "shaft_power",
                                "efficiency", "static_efficiency", "sound_power"})
          EXPECT_EQ(c[key].Number, single[key].Number) << c["model"].String << " " << key;
        EXPECT_EQ(c["warnings"].Strings(), single["warnings"].Strings());
      }

      // The CSV record: the best fan's fields as the ranked CSV prints them.
      const std::vector<TCsvRecord> expectedCsv = CsvRecords(ranked("--csv").Out);
      const std::vector<std::string>& rankHeader = expectedCsv[0].Fields;
      const std::vector<std::string>& got = csv[r].Fields;
      ASSERT_EQ(got.size(), csvHeader.size());
      EXPECT_EQ(got[column("mark")], mark);
      EXPECT_EQ(got[column("error")], "");
      for (std::size_t k = 1; k < rankHeader.size(); ++k) {  // file ... warnings
        const std::size_t at = column(rankHeader[k].c_str());
        ASSERT_LT(at, csvHeader.size()) << rankHeader[k];
        EXPECT_EQ(got[at], shown ? expectedCsv[1].Fields[k] : "") << rankHeader[k];
      }
      for (std::size_t alt = 1; alt < 3; ++alt) {
        const std::string prefix = "alt" + std::to_string(alt) + "_";
        const bool has = alt < shown;
        EXPECT_EQ(got[column((prefix + "file").c_str())], has ? expectedCsv[alt + 1].Fields[1] : "");
        EXPECT_EQ(got[column((prefix + "model").c_str())], has ? expectedCsv[alt + 1].Fields[4] : "");
      }
      EXPECT_EQ(got[column("reason")], shown ? "" : entry["reason"].String);
    }
    EXPECT_TRUE(someUnmet);
  }
}

TEST_F(CliScheduleTest, AMarkThatNothingFitsSaysWhyInWords) {
  const std::string path = WriteFile("big.csv", "mark,flow,pressure\r\nHUGE,50,3000\r\n");
  const TCliRun run = RunCliArgs({"schedule", Sample("orvane-bc-centrifugal.qfn"), path});
  EXPECT_EQ(run.Code, ecFailure);
  EXPECT_NE(run.Out.find("no model meets the duty: "), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("above their maximum speed"), std::string::npos) << run.Out;
}

// Rows that cannot be used: reported on stderr by line, listed with their
// error, and the other rows still ranked; the exit code is 1.
TEST_F(CliScheduleTest, MalformedRowsAreReportedByLineAndTheOthersRun) {
  const std::string path = WriteFile("bad.csv",
                                     "mark,flow,flow_units,pressure,density,altitude\n"  // line 1
                                     "OK-1,1.5,,400,,\n"                                 // 2
                                     "B-1,abc,,400,,\n"                                  // 3
                                     "B-2,1.5,furlong/s,400,,\n"                         // 4
                                     "\"B-\n3\",-1,,400,,\n"                             // 5-6
                                     "B-4,1.5,,400,1.1,300\n"                            // 7
                                     "B-5,1.5,,400\n"                                    // 8
                                     "OK-2,0.6,,250,,\n");                               // 9
  const std::vector<std::string> files = Catalogues();
  std::vector<std::string> args{"schedule", "--json"};
  args.insert(args.end(), files.begin(), files.end());
  args.push_back(path);
  const TCliRun run = RunCliArgs(args);
  EXPECT_EQ(run.Code, ecFailure);
  const std::string prefix = "blowden-cli: " + path + ":";
  for (const char* line :
       {"3: 'abc' is not a valid floating point value in column flow",
        "4: unknown flow unit 'furlong/s' in column flow_units", "5: the flow must be above 0",
        "7: give the air either as density or as altitude", "8: 4 fields where the header has 6"})
    EXPECT_NE(run.Err.find(prefix + line), std::string::npos) << line << "\n" << run.Err;
  const TJson doc = ParsedJson(run);
  ASSERT_EQ(doc.Size(), 7u);
  const std::vector<std::pair<const char*, int>> order = {{"OK-1", 2}, {"B-1", 3}, {"B-2", 4}, {"B-\n3", 5},
                                                          {"B-4", 7},  {"", 8},    {"OK-2", 9}};
  for (std::size_t i = 0; i < order.size(); ++i) {
    const TJson& e = doc[i];
    EXPECT_EQ(e["line"].Number, order[i].second);
    const bool ok = std::string(order[i].first).rfind("OK", 0) == 0;
    if (*order[i].first) {
      EXPECT_EQ(e["mark"].String, order[i].first);
    } else {
      EXPECT_EQ(e["mark"].Kind, TJson::jNull);
    }
    EXPECT_EQ(e["error"].Kind, ok ? TJson::jNull : TJson::jString) << i;
    EXPECT_EQ(e["duty"].Kind, ok ? TJson::jObject : TJson::jNull) << i;
    EXPECT_EQ(e["candidates"].Size() > 0, ok) << i;
  }

  // The same in CSV and text: every row, the bad ones with their error.
  args[1] = "--csv";
  const TCliRun csv = RunCliArgs(args);
  EXPECT_EQ(csv.Code, ecFailure);
  const std::vector<TCsvRecord> records = CsvRecords(csv.Out);
  ASSERT_EQ(records.size(), 8u);
  EXPECT_EQ(records[2].Fields[0], "B-1");
  EXPECT_EQ(records[2].Fields.back(), "'abc' is not a valid floating point value in column flow");
  EXPECT_EQ(records[7].Fields[0], "OK-2");
  EXPECT_EQ(records[7].Fields.back(), "");
  // RFC 4180 records end with CRLF, also when written to a terminal.
  EXPECT_EQ(csv.Out.substr(csv.Out.size() - 2), "\r\n");
  EXPECT_EQ(csv.Out.find("\\x0D"), std::string::npos);

  args.erase(args.begin() + 1);
  const TCliRun text = RunCliArgs(args);
  EXPECT_EQ(text.Code, ecFailure);
  EXPECT_EQ(SplitLines(text.Out).size(), 8u) << text.Out;
  EXPECT_NE(text.Out.find("line 3: 'abc' is not a valid floating point value in column flow"),
            std::string::npos)
      << text.Out;
}

TEST_F(CliScheduleTest, ATableThatCannotBeUsedIsAUsageErrorAndWritesNothing) {
  const std::string pdf = (Work().Path() / "sheets.pdf").string();
  struct Case {
    const char* Text;
    const char* Error;
  } cases[] = {
      {"mark,flow,pressure_units\nA,1,Pa\n",
       "lacks the column pressure (mark, flow and pressure are required)"},
      {"Flow,Pressure\n1,400\n", "lacks the column mark"},
      {"mark,flow,pressure,FLOW\nA,1,400,2\n", "column FLOW is named twice"},
      {"mark,flow,pressure\n\"A,1,400\n", "line 2"},
      {"\n\n", "no header row"},
  };
  for (const Case& c : cases) {
    const std::string path = WriteFile("table.csv", c.Text);
    const TCliRun run = RunCliArgs({"schedule", "--pdf", pdf, Sample("orvane-bc-centrifugal.qfn"), path});
    EXPECT_EQ(run.Code, ecUsage) << c.Text;
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find("blowden-cli: " + path + ": "), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find(c.Error), std::string::npos) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(pdf));
  }
  const TCliRun missing =
      RunCliArgs({"schedule", Sample("orvane-bc-centrifugal.qfn"), (Work().Path() / "none.csv").string()});
  EXPECT_EQ(missing.Code, ecUsage);
  EXPECT_NE(missing.Err.find("cannot read"), std::string::npos) << missing.Err;
}

TEST_F(CliScheduleTest, UsageErrors) {
  const std::string path = CliDataFile("schedule.csv");
  const std::string fan = Sample("orvane-bc-centrifugal.qfn");
  struct Case {
    std::vector<std::string> Args;
    const char* Error;
  } cases[] = {
      {{"schedule"}, "the schedule file is missing"},
      {{"schedule", path}, "a fan data file is missing"},
      {{"schedule", "--all", fan, path}, "not both"},
      {{"schedule", "--json", "--csv", fan, path}, "not both"},
      {{"schedule", "--sort", "cheapest", fan, path}, "not a ranking key"},
      {{"schedule", "--units", "imperial", fan, path}, "not a choice of units"},
      {{"schedule", "--pdf=", fan, path}, "needs a file name"},
      {{"schedule", "--flow", "2", fan, path}, "unknown option '--flow'"},
  };
  for (const Case& c : cases) {
    const TCliRun run = RunCliArgs(c.Args);
    EXPECT_EQ(run.Code, ecUsage) << c.Error;
    EXPECT_NE(run.Err.find(c.Error), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out, "");
  }
  const TCliRun help = RunCliArgs({"schedule", "--help"});
  for (const char* part : {"blowden-cli schedule [--json | --csv] [--pdf OUT.pdf]",
                           "(FILE... | --all) SCHEDULE.csv", "  schedule ", "pressure_kind", "alt1_model"})
    EXPECT_NE(help.Out.find(part), std::string::npos) << part;
}

TEST_F(CliScheduleTest, AllRanksTheInstalledFiles) {
  ASSERT_EQ(RunCliArgs({"install", Sample("orvane-bc-centrifugal.qfn")}).Code, ecSuccess);
  const std::string path = WriteFile("one.csv", "mark,flow,pressure\nEF-1,1.5,400\n");
  const TCliRun run = RunCliArgs({"schedule", "--json", "--all", path});
  EXPECT_EQ(run.Code, ecSuccess) << run.Err;
  const TJson doc = ParsedJson(run);
  ASSERT_EQ(doc.Size(), 1u);
  ASSERT_GE(doc[0]["candidates"].Size(), 1u);
  EXPECT_EQ(std::filesystem::path(doc[0]["candidates"][0]["file"].String).filename(),
            "orvane-bc-centrifugal.qfn");
}

#ifndef BLOWDEN_CLI_WITHOUT_PICTURES
TEST_F(CliScheduleTest, PdfIsWrittenWholeAndNeverOverAFileRead) {
  const std::string fan = Sample("orvane-bc-centrifugal.qfn");
  const std::string path = WriteFile("s.csv", "mark,flow,pressure\nEF-1,1.5,400\nEF-2,0.6,250\n");
  const std::string pdf = (Work().Path() / "sheets.pdf").string();
  const TCliRun run = RunCliArgs({"schedule", "--pdf", pdf, fan, path});
  EXPECT_EQ(run.Code, ecSuccess) << run.Err;
  EXPECT_EQ(ReadText(pdf).substr(0, 5), "%PDF-");
  EXPECT_EQ(SplitLines(run.Out).size(), 3u);

  // "-": the document on stdout, the table on stderr.
  const TCliRun piped = RunCliArgs({"schedule", "--pdf", "-", fan, path});
  EXPECT_EQ(piped.Code, ecSuccess) << piped.Err;
  EXPECT_EQ(piped.Out.substr(0, 5), "%PDF-");
  EXPECT_NE(piped.Err.find("EF-2"), std::string::npos);

  // The schedule itself as the output: refused, the schedule unchanged.
  const std::string before = ReadText(path);
  const TCliRun refused = RunCliArgs({"schedule", "--pdf", path, fan, path});
  EXPECT_EQ(refused.Code, ecUsage);
  EXPECT_NE(refused.Err.find("not written"), std::string::npos) << refused.Err;
  EXPECT_EQ(ReadText(path), before);

  // No mark with a fan: nothing to write, and said so.
  const std::string none = WriteFile("none.csv", "mark,flow,pressure\nHUGE,50,3000\n");
  const std::string nonePdf = (Work().Path() / "none.pdf").string();
  const TCliRun empty = RunCliArgs({"schedule", "--pdf", nonePdf, fan, none});
  EXPECT_EQ(empty.Code, ecFailure);
  EXPECT_NE(empty.Err.find("not written"), std::string::npos) << empty.Err;
  EXPECT_FALSE(std::filesystem::exists(nonePdf));
}
#endif

}  // namespace
}  // namespace blowden::test
