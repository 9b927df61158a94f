#include <cmath>
#include <locale>

#include "CliTestSupport.h"

namespace blowden::test {
namespace {

// A model whose last static pressure is not a number: the read stops with a
// conversion error.
const char* const kConversionFile =
    "[Catalog]\nRange=CX\n\n"
    "[C1]\nQa=1,2,3,4,5\nPs=500,480,450,400,4x0\nPw=1\nLw=80\n";

// A model with both outlet dimensions 0: the reader's outlet-area message
// box, then a data error.
const char* const kBadAreaFile =
    "[Catalog]\nRange=AX\n\n"
    "[A1]\nModel=400,1400,700,1600,0,0,1.8\nQa=0.5,1,1.5,2,2.5,3\nPs=6,5,4,3,2,1\nPw=1\nLw=80\n";

const char* const kCatalogOnlyFile = "[Catalog]\nMaker=Nobody\nRange=NO\n";

class CliVerifyTest : public TCliTest {};

TEST_F(CliVerifyTest, CleanFileGivesTheReportOfTheMainWindow) {
  const std::string file = CliDataFile("exact.qfn");
  const TCliRun run = RunCliArgs({"verify", file});
  EXPECT_EQ(run.Code, ecSuccess);
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(run.Out, "FAN Data file verify\n" + file + "\n\nNo errors have been found...\n");
}

TEST_F(CliVerifyTest, ErrorLinesAreFollowedByTheirCount) {
  const std::string file = CliDataFile("broken.qfn");
  const TCliRun run = RunCliArgs({"verify", file});
  EXPECT_EQ(run.Code, ecFailure);
  EXPECT_EQ(SplitLines(run.Out),
            (std::vector<std::string>{
                "FAN Data file verify",
                file,
                "",
                "BR (B1)  Too few volume data points (must be more than 5)",
                "BR (B1)  Static pressure point count error",
                "BR (B1)  Ref speed must be greater than MinSpeed",
                "BR (B1)  Model read ended with \"Data error\": \"Ps\" holds 3 value(s) for 4 flows",
                "BR (B2)  Speed range must be in increasing order",
                "",
                "5 error(s) found...",
            }));
}

TEST_F(CliVerifyTest, SeveralFilesGiveOneReportEachAndTheWorstExitCode) {
  const std::string good = CliDataFile("exact.qfn");
  const std::string bad = CliDataFile("broken.qfn");
  const std::string missing = Work().File("missing.qfn");
  struct Case {
    const char* name;
    std::vector<std::string> files;
    int code;
  };
  const Case cases[] = {
      {"clean only", {good, good}, ecSuccess},
      {"errors", {good, bad}, ecFailure},
      {"missing file", {missing, good}, ecUsage},
      {"missing after errors", {bad, missing}, ecUsage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"verify"};
    args.insert(args.end(), c.files.begin(), c.files.end());
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, c.code);
    const auto lines = SplitLines(run.Out);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "FAN Data file verify"),
              static_cast<std::ptrdiff_t>(c.files.size()));
    // The second report follows an empty line.
    const auto second = std::find(lines.begin() + 1, lines.end(), "FAN Data file verify");
    ASSERT_NE(second, lines.end());
    EXPECT_EQ(*(second - 1), "");
    EXPECT_EQ(*(second + 1), c.files[1]);
  }
}

TEST_F(CliVerifyTest, MissingFileIsReportedAndExitsWith2) {
  const std::string missing = Work().File("missing.qfn");
  const TCliRun run = RunCliArgs({"verify", missing});
  EXPECT_EQ(run.Code, ecUsage);
  EXPECT_EQ(SplitLines(run.Out),
            (std::vector<std::string>{"FAN Data file verify", missing, "",
                                      "missing.qfn  Not a Orvane fan file...", "", "1 error(s) found..."}));
  EXPECT_NE(run.Err.find("File not found"), std::string::npos);
}

TEST_F(CliVerifyTest, FolderIsAFileThatCannotBeRead) {
  const TCliRun run = RunCliArgs({"verify", "--json", Work().Path().string()});
  EXPECT_EQ(run.Code, ecUsage);
  EXPECT_EQ(ParsedJson(run)[0]["status"].Number, ecUsage);
}

TEST_F(CliVerifyTest, ConversionErrorEndsTheFilesCheckAsAnErrorLine) {
  const std::string file = WriteFile("conv.qfn", kConversionFile);
  const TCliRun run = RunCliArgs({"verify", file, CliDataFile("exact.qfn")});
  EXPECT_EQ(run.Code, ecFailure);
  const auto lines = SplitLines(run.Out);
  // As the main window's report: the conversion error is an error line of
  // the model being read, and counted; the next file is still verified.
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 8),
            (std::vector<std::string>{"FAN Data file verify", file, "",
                                      "CX (C1)  '4x0' is not a valid floating point value in \"Ps\"", "",
                                      "1 error(s) found...", "", "FAN Data file verify"}));
  EXPECT_EQ(lines.back(), "No errors have been found...");
  EXPECT_NE(run.Err.find(file + " (C1): '4x0' is not a valid floating point value"), std::string::npos)
      << run.Err;
}

TEST_F(CliVerifyTest, MessageBoxesGoToStderrInTextAndToMessagesInJson) {
  const std::string file = WriteFile("area.qfn", kBadAreaFile);
  const TCliRun text = RunCliArgs({"verify", file});
  EXPECT_EQ(text.Code, ecFailure);
  EXPECT_NE(text.Err.find(file + " (A1): Bad area specification..."), std::string::npos) << text.Err;
  EXPECT_NE(text.Out.find("AX (A1)  Outlet dimensions need to be assigned"), std::string::npos);
  EXPECT_EQ(text.Out.find("Bad area"), std::string::npos);

  const TCliRun json = RunCliArgs({"verify", "--json", file});
  EXPECT_EQ(json.Code, ecFailure);
  EXPECT_EQ(json.Err, "");
  const TJson doc = ParsedJson(json);
  EXPECT_EQ(doc[0]["messages"].Strings(), std::vector<std::string>{"Bad area specification..."});
}

TEST_F(CliVerifyTest, JsonHasOneEntryPerFileWithTheContractsFields) {
  const std::string good = CliDataFile("exact.qfn");
  const std::string bad = CliDataFile("broken.qfn");
  const std::string conv = WriteFile("conv.qfn", kConversionFile);
  const TCliRun run = RunCliArgs({"verify", "--json", good, bad, conv});
  EXPECT_EQ(run.Code, ecFailure);
  EXPECT_EQ(run.Err, "");
  const TJson doc = ParsedJson(run);
  ASSERT_EQ(doc.Kind, TJson::jArray);
  ASSERT_EQ(doc.Size(), 3u);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(doc[i].Keys(), (std::vector<std::string>{"file", "status", "errors", "messages"}));
  EXPECT_EQ(doc[0]["file"].String, good);
  EXPECT_EQ(doc[0]["status"].Number, 0);
  EXPECT_TRUE(doc[0]["status"].IsInteger);
  EXPECT_EQ(doc[0]["errors"].Size(), 0u);
  EXPECT_EQ(doc[1]["status"].Number, 1);
  EXPECT_EQ(doc[1]["errors"].Strings().size(), 5u);
  EXPECT_EQ(doc[1]["errors"][4].String, "BR (B2)  Speed range must be in increasing order");
  EXPECT_EQ(doc[2]["status"].Number, 1);
  EXPECT_EQ(doc[2]["errors"].Strings(),
            std::vector<std::string>{"CX (C1)  '4x0' is not a valid floating point value in \"Ps\""});
  EXPECT_EQ(doc[2]["messages"].Strings(),
            std::vector<std::string>{"'4x0' is not a valid floating point value"});
}

TEST_F(CliVerifyTest, SampleCataloguesVerifyClean) {
  std::vector<std::string> args{"verify", "--json"};
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(SamplesDir(), ec))
    if (entry.path().extension() == ".qfn") args.push_back(entry.path().string());
  if (args.size() == 2) GTEST_SKIP() << "no sample catalogues in " << SamplesDir();
  const TCliRun run = RunCliArgs(args);
  EXPECT_EQ(run.Code, ecSuccess) << run.Out;
  EXPECT_EQ(ParsedJson(run).Size(), args.size() - 2);
}

class CliShowTest : public TCliTest {};

TEST_F(CliShowTest, TextShowsTheModelViewsFits) {
  const std::string file = CliDataFile("exact.qfn");
  const TCliRun run = RunCliArgs({"show", file});
  EXPECT_EQ(run.Code, ecSuccess) << run.Err;
  // The curves of E1 lie on known polynomials, so the equations are exact.
  EXPECT_EQ(SplitLines(run.Out), (std::vector<std::string>{
                                     "Fan data file\t" + file,
                                     "Status\tReady",
                                     "Maker\tExact",
                                     "Range\tEX",
                                     "Description\tCurves on known polynomials",
                                     "Version\t1",
                                     "Density\t1.2\tkg/m³",
                                     "Kind\tRadial",
                                     "Models\tE1\tE2",
                                     "",
                                     "Model\tE1",
                                     "Diameter\t0.4\tm",
                                     "Ref speed\t1400\trpm",
                                     "Min speed\t700\trpm",
                                     "Max speed\t1600\trpm",
                                     "Outlet width\t0.4\tm",
                                     "Outlet height\t0.4\tm",
                                     "Outlet area\t0.16\tm²",
                                     "Nominal flow\t1.8\tm³/s",
                                     "Points\t6",
                                     "",
                                     "Ps vs Q\torder=3, points=6, r²=1.0000",
                                     "Ps = 600 + 20 Q - 10 Q² - 5 Q³",
                                     "Pw vs Q\torder=3, points=6, r²=1.0000",
                                     "Pw = 1 + 0.5 Q + 0 Q² + 0 Q³",
                                     "Lw vs Q\torder=2, points=6, r²=1.0000",
                                     "Lw = 80 + 2 Q + 0 Q²",
                                     "",
                                     "Q [m³/s]\tPs [Pa]\tPw [kW]\tLw [dB]",
                                     "0.5\t606.875\t1.25\t81",
                                     "1\t605\t1.5\t82",
                                     "1.5\t590.625\t1.75\t83",
                                     "2\t560\t2\t84",
                                     "2.5\t509.375\t2.25\t85",
                                     "3\t435\t2.5\t86",
                                 }));
}

TEST_F(CliShowTest, JsonHoldsModelFitAndView) {
  const std::string file = CliDataFile("exact.qfn");
  const TCliRun run = RunCliArgs({"show", "--json", "--model", "E2", file});
  EXPECT_EQ(run.Code, ecSuccess) << run.Err;
  const TJson doc = ParsedJson(run);
  EXPECT_EQ(doc.Keys(), (std::vector<std::string>{"file", "status", "status_text", "header", "models",
                                                  "messages", "model", "fit", "view", "rating"}));
  EXPECT_EQ(doc["file"].String, file);
  EXPECT_EQ(doc["status"].Number, 0);
  EXPECT_EQ(doc["status_text"].String, "Ready");
  EXPECT_EQ(doc["header"].Keys(),
            (std::vector<std::string>{"maker", "range", "description", "version", "density", "kind"}));
  EXPECT_EQ(doc["header"]["kind"].String, "Radial");
  EXPECT_EQ(doc["header"]["density"].Number, 1.2);
  EXPECT_EQ(doc["models"].Strings(), (std::vector<std::string>{"E1", "E2"}));

  const TJson& m = doc["model"];
  EXPECT_EQ(m.Keys(), (std::vector<std::string>{"name", "diameter", "ref_speed", "min_speed", "max_speed",
                                                "outlet_width", "outlet_height", "outlet_area", "qa_nom",
                                                "count", "qa", "ps", "pw", "lw", "has_speeds", "speeds"}));
  EXPECT_EQ(m["name"].String, "E2");
  EXPECT_EQ(m["diameter"].Number, 0.5);
  EXPECT_EQ(m["ref_speed"].Number, 1200);
  EXPECT_TRUE(m["ref_speed"].IsInteger);
  EXPECT_EQ(m["min_speed"].Number, 600);
  EXPECT_EQ(m["max_speed"].Number, 1400);
  EXPECT_EQ(m["outlet_area"].Number, 0.25);
  EXPECT_EQ(m["qa_nom"].Number, 3.5);
  EXPECT_EQ(m["count"].Number, 6);
  EXPECT_EQ(m["qa"].Numbers(), (std::vector<double>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(m["ps"].Numbers(), (std::vector<double>{703, 684, 631, 532, 375, 148}));
  EXPECT_EQ(m["pw"].Numbers(), (std::vector<double>{2, 2.5, 3, 3.5, 4, 4.5}));
  EXPECT_EQ(m["lw"].Numbers(), (std::vector<double>{80, 81, 82, 83, 84, 85}));
  EXPECT_EQ(m["has_speeds"].Kind, TJson::jBool);
  EXPECT_FALSE(m["has_speeds"].Bool);

  // E2: Ps = 700 + 10 Q - 5 Q² - 2 Q³. The normal equations of a cubic over
  // flows up to 6 lose some digits; 1e-7 relative is far below what the
  // printed equation shows.
  const std::vector<double> expected{700, 10, -5, -2};
  const TJson& fit = doc["fit"];
  EXPECT_EQ(fit.Keys(), (std::vector<std::string>{"coeffs", "error", "r2", "adj_r2"}));
  ASSERT_EQ(fit["coeffs"].Size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(fit["coeffs"][i].Number, expected[i], 1e-7 * 700);
  EXPECT_EQ(fit["error"].Number, 0);
  EXPECT_NEAR(fit["r2"].Number, 1, 1e-12);

  const TJson& view = doc["view"];
  EXPECT_EQ(view.Keys(), (std::vector<std::string>{"ps", "pw", "lw"}));
  for (const char* key : {"ps", "pw", "lw"})
    EXPECT_EQ(view[key].Keys(), (std::vector<std::string>{"coeffs", "error", "summary", "equation",
                                                          "residuals", "largest_residual"}));
  EXPECT_EQ(view["ps"]["equation"].String, "Ps = 700 + 10 Q - 5 Q² - 2 Q³");
  EXPECT_EQ(view["pw"]["equation"].String, "Pw = 1.5 + 0.5 Q + 0 Q² + 0 Q³");
  EXPECT_EQ(view["lw"]["equation"].String, "Lw = 79 + 1 Q + 0 Q²");
  EXPECT_EQ(view["lw"]["coeffs"].Size(), 3u);
  EXPECT_EQ(view["lw"]["summary"].String, "order=2, points=6, r²=1.0000");
}

TEST_F(CliShowTest, FailuresGiveStatusAndExitCode) {
  const std::string exact = CliDataFile("exact.qfn");
  const std::string conv = WriteFile("conv.qfn", kConversionFile);
  const std::string area = WriteFile("area.qfn", kBadAreaFile);
  const std::string empty = WriteFile("catalog.qfn", kCatalogOnlyFile);
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
    int status;
    bool modelNull;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"model not in the file", {"--model", "E9", exact}, ecFailure, 7, false, {}},
      {"conversion error", {conv}, ecFailure, 5, false, {"'4x0' is not a valid floating point value"}},
      {"bad outlet area", {area}, ecFailure, 5, false, {"Bad area specification..."}},
      {"no models", {empty}, ecSuccess, 0, true, {}},
      {"missing file", {Work().File("nothing.qfn")}, ecUsage, 2, true, {"File not found"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args{"show", "--json"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, c.code);
    const TJson doc = ParsedJson(run);
    EXPECT_EQ(doc["status"].Number, c.status);
    EXPECT_EQ(doc["model"].Kind == TJson::jNull, c.modelNull);
    EXPECT_EQ(doc["messages"].Strings(), c.messages);
    EXPECT_EQ(run.Err, "");
  }
}

// Output never follows a locale, neither the one the streams carry nor the
// process's own: no grouped thousands, no decimal comma, in text or JSON.
struct TCommaNumbers : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST_F(CliShowTest, OutputIgnoresTheStreamsLocale) {
  const TCommaLocale process;
  ASSERT_TRUE(process.Switched()) << TCommaLocale::Missing();
  const std::locale comma(std::locale::classic(), new TCommaNumbers);
  for (bool json : {false, true}) {
    SCOPED_TRACE(json);
    std::ostringstream out, err;
    out.imbue(comma);
    err.imbue(comma);
    std::vector<std::string> args{"show", "--model", "E2", CliDataFile("exact.qfn")};
    if (json) args.insert(args.begin() + 1, "--json");
    ASSERT_EQ(RunCli(args, out, err), ecSuccess) << err.str();
    const std::string text = out.str();
    EXPECT_EQ(text.find("1.200"), std::string::npos);
    EXPECT_NE(text.find(json ? "\"ref_speed\": 1200," : "Ref speed\t1200\trpm"), std::string::npos) << text;
    EXPECT_NE(text.find(json ? "\"diameter\": 0.5," : "Diameter\t0.5\tm"), std::string::npos) << text;
    if (json) {
      EXPECT_TRUE(ParseJson(text).has_value());
    }
  }
}

TEST_F(CliShowTest, StatusTextInTextMode) {
  const TCliRun run = RunCliArgs({"show", "--model", "E9", CliDataFile("exact.qfn")});
  EXPECT_EQ(run.Code, ecFailure);
  EXPECT_EQ(SplitLines(run.Out).at(1), "Status\tFan model not found");
}

}  // namespace
}  // namespace blowden::test
