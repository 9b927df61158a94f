#include "CliTestSupport.h"
#include "services/QmVerInfo.h"

namespace blowden::test {
namespace {

class CliUsageTest : public TCliTest {};

TEST_F(CliUsageTest, UsageErrorsExitWith2AndNothingOnStdout) {
  const std::string good = CliDataFile("exact.qfn");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* errPart;
  };
  const Case cases[] = {
      {"no arguments", {}, "no command given"},
      {"unknown command", {"frobnicate"}, "unknown command 'frobnicate'"},
      {"unknown global option", {"--verbose"}, "unknown option '--verbose'"},
      {"option of another command", {"verify", "--model", "E1", good}, "unknown option '--model' for verify"},
      {"unknown option", {"show", "--jsn", good}, "unknown option '--jsn'"},
      {"verify without file", {"verify", "--json"}, "a fan data file is missing"},
      {"show with two files", {"show", good, good}, "unexpected argument"},
      {"list with an operand", {"list", "x"}, "unexpected argument 'x'"},
      {"delete without name", {"delete"}, "the name of an installed file is missing"},
      {"delete takes no --json", {"delete", "--json", "x"}, "unknown option '--json' for delete"},
      {"select without pressure", {"select", "--flow", "1", good}, "'--pressure P'"},
      {"select without duty", {"select", good}, "select needs the duty"},
      {"flow with a comma",
       {"select", "--flow", "1,5", "--pressure", "400", good},
       "'1,5' is not a valid floating point value"},
      {"pressure not a number",
       {"select", "--flow", "1.5", "--pressure", "high", good},
       "'high' is not a valid floating point value"},
      {"flow zero", {"select", "--flow", "0", "--pressure", "400", good}, "the flow must be above 0"},
      {"pressure beyond a double in its unit",
       {"select", "--flow", "1", "--pressure", "1e306", "--pressure-units", "kPa", good},
       "beyond the range"},
      {"unknown flow unit",
       {"select", "--flow", "1", "--flow-units", "furlong", "--pressure", "4", good},
       "unknown flow unit 'furlong'"},
      {"pressure unit of the flow",
       {"select", "--flow", "1", "--pressure", "4", "--pressure-units", "cfm", good},
       "unknown pressure unit 'cfm'"},
      {"option without value", {"select", good, "--flow"}, "option '--flow' needs a value"},
      {"flag with a value", {"verify", "--json=yes", good}, "option '--json' takes no value"},
      {"option twice", {"show", "--model", "E1", "--model", "E2", good}, "option '--model' given twice"},
      {"size without png",
       {"select", "--flow", "1", "--pressure", "4", "--size", "640x480", good},
       "'--size' needs '--png'"},
      {"size without height",
       {"select", "--flow", "1", "--pressure", "4", "--png", "a.png", "--size", "640x", good},
       "is not a picture size"},
      {"size too small",
       {"select", "--flow", "1", "--pressure", "4", "--png", "a.png", "--size", "10x10", good},
       "is not a picture size"},
      {"size too large",
       {"select", "--flow", "1", "--pressure", "4", "--png", "a.png", "--size", "9000x100", good},
       "is not a picture size"},
      {"png without name",
       {"select", "--flow", "1", "--pressure", "4", "--png=", good},
       "'--png' needs a file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TCliRun run = RunCliArgs(c.args);
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_EQ(run.Out, "");
    EXPECT_NE(run.Err.find(c.errPart), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("Usage: blowden-cli"), std::string::npos) << run.Err;
  }
  // Nothing was written by the refused picture options.
  EXPECT_FALSE(std::filesystem::exists("a.png"));
}

TEST_F(CliUsageTest, OptionsMayFollowTheFileAndTakeEqualsValues) {
  const std::string good = CliDataFile("exact.qfn");
  const TCliRun a = RunCliArgs({"select", good, "--model=E1", "--pressure=560", "--flow", "2"});
  const TCliRun b = RunCliArgs({"select", "--model", "E1", "--flow", "2", "--pressure", "560", good});
  EXPECT_EQ(a.Code, ecSuccess) << a.Err;
  EXPECT_EQ(a.Out, b.Out);
}

TEST_F(CliUsageTest, DoubleDashEndsTheOptions) {
  const std::string file = WriteFile("-odd.qfn", "[Catalog]\nRange=X\n");
  const TCliRun run = RunCliArgs({"show", "--json", "--", file});
  EXPECT_EQ(run.Code, ecSuccess) << run.Err;
  EXPECT_EQ(ParsedJson(run)["file"].String, file);
}

TEST_F(CliUsageTest, HelpDescribesEveryCommandAndOption) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, {"-h"}, {"select", "--help"}}) {
    SCOPED_TRACE(args.back());
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, ecSuccess);
    EXPECT_EQ(run.Err, "");
    for (const char* part : {"blowden-cli verify  [--json] FILE...",
                             "blowden-cli show    [--json] [--model NAME] FILE",
                             "blowden-cli select  [--json] [--model NAME] [--browse]",
                             "--flow Q [--flow-units U] --pressure P",
                             "[--png OUT.png [--size WxH]] FILE",
                             "blowden-cli install [--json] FILE...",
                             "blowden-cli list    [--json]",
                             "blowden-cli delete  NAME",
                             "--help | --version",
                             "--json ",
                             "--model NAME ",
                             "--browse ",
                             "--flow Q ",
                             "--flow-units U ",
                             "--pressure P ",
                             "--pressure-units U ",
                             "--png OUT.png ",
                             "--size WxH ",
                             "--pdf OUT.pdf ",
                             "cfm",
                             "InchWg",
                             "Exit codes",
                             "Database folder",
                             "blowden-cli check   [--json] [--verbose] FILE...",
                             "--verbose ",
                             "--exact ",
                             "  check    ",
                             "\"duty_met\"",
                             "--pressure-kind K ",
                             "--density RHO ",
                             "--altitude H ",
                             "--temperature T ",
                             "--units si|ip ",
                             "--all ",
                             "--sort KEY ",
                             "--limit N ",
                             "--csv ",
                             "--distance M ",
                             "--directivity Q ",
                             "\"sound\"",
                             "a duty that is not met"}) {
      EXPECT_NE(run.Out.find(part), std::string::npos) << part;
    }
  }
}

TEST_F(CliUsageTest, VersionIsTheWindowTitlesVersion) {
  const TCliRun run = RunCliArgs({"--version"});
  EXPECT_EQ(run.Code, ecSuccess);
  EXPECT_EQ(run.Out, "blowden-cli " + ProgramVersion() + "\n");
  // The windows are titled "Blowden 1.0.0.0" from the same version block.
  EXPECT_EQ("Blowden " + ProgramVersion(), VersionTitle(""));
  const std::string expected =
      std::to_string(BLOWDEN_VERSION_MAJOR) + "." + std::to_string(BLOWDEN_VERSION_MINOR) + "." +
      std::to_string(BLOWDEN_VERSION_PATCH) + "." + std::to_string(BLOWDEN_VERSION_TWEAK);
  EXPECT_EQ(ProgramVersion(), expected);
}

}  // namespace
}  // namespace blowden::test
