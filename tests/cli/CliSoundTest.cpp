// The sound of a selection from the command line: the "sound" object of
// every selection document, --distance and --directivity, --sort sound.
#include <cmath>

#include "CliTestSupport.h"

namespace blowden::test {
namespace {

std::string Sample(const char* name) { return (SamplesDir() / name).string(); }

class CliSoundTest : public TCliTest {};

TEST_F(CliSoundTest, SingleSelectionGivesBandsLwaAndLpAtTheListener) {
  const auto select = [](std::vector<std::string> extra, const std::string& file) {
    std::vector<std::string> args{"select", "--json", "--flow", "1.2", "--pressure", "400"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(file);
    return RunCliArgs(args);
  };
  // The centrifugal samples give bands; the axial ones do not.
  const TJson banded =
      ParsedJson(select({"--distance", "3", "--directivity", "1"}, Sample("orvane-bc-centrifugal.qfn")));
  const TJson& s = banded["sound"];
  EXPECT_EQ(s.Keys(), (std::vector<std::string>{"lw", "lwa", "bands", "lp", "lp_weighting", "distance",
                                                "directivity", "kind"}));
  EXPECT_EQ(s["lw"].Number, banded["sound_power"].Number);
  EXPECT_EQ(s["bands"].Keys(),
            (std::vector<std::string>{"63", "125", "250", "500", "1000", "2000", "4000", "8000"}));
  // The bands add up to the total within the samples' rounding; LwA and Lp by hand.
  const double a[] = {-26.2, -16.1, -8.6, -3.2, 0, 1.2, 1.0, -1.1};
  double sum = 0, weighted = 0;
  int i = 0;
  for (const std::string& band : s["bands"].Keys()) {
    sum += std::pow(10, s["bands"][band].Number / 10);
    weighted += std::pow(10, (s["bands"][band].Number + a[i++]) / 10);
  }
  EXPECT_NEAR(10 * std::log10(sum), s["lw"].Number, 0.15);
  EXPECT_NEAR(10 * std::log10(weighted), s["lwa"].Number, 1e-9);
  EXPECT_NEAR(s["lp"].Number, s["lwa"].Number - 10 * std::log10(4 * M_PI * 9 / 1), 1e-9);
  EXPECT_EQ(s["lp_weighting"].String, "A");
  EXPECT_EQ(s["distance"].Number, 3);
  EXPECT_EQ(s["directivity"].Number, 1);
  EXPECT_EQ(s["kind"].String, "Outlet");

  const TJson plain = ParsedJson(select({}, Sample("orvane-ax-axial.qfn")));
  const TJson& p = plain["sound"];
  EXPECT_EQ(p["lwa"].Kind, TJson::jNull);
  EXPECT_EQ(p["bands"].Kind, TJson::jNull);
  EXPECT_EQ(p["kind"].Kind, TJson::jNull);
  EXPECT_EQ(p["lp_weighting"].String, "none");
  EXPECT_NEAR(p["lp"].Number, p["lw"].Number - 10 * std::log10(4 * M_PI * 1.5 * 1.5 / 2), 1e-9);
}

TEST_F(CliSoundTest, BrowseModeTakesTheListenerToo) {
  const TJson doc = ParsedJson(RunCliArgs({"select", "--json", "--browse", "--distance", "3", "--directivity",
                                           "4", Sample("orvane-bc-centrifugal.qfn")}));
  EXPECT_EQ(doc["sound"]["distance"].Number, 3);
  EXPECT_EQ(doc["sound"]["directivity"].Number, 4);
  EXPECT_NEAR(doc["sound"]["lp"].Number, doc["sound"]["lwa"].Number - 10 * std::log10(4 * M_PI * 9 / 4),
              1e-9);
}

TEST_F(CliSoundTest, ListenerOptionsAreChecked) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"--distance", "0"}, "the distance must lie above 0 and at most 1000 m ('0' for --distance)"},
      {{"--distance", "far"}, "'far' is not a number for --distance"},
      {{"--directivity", "0.5"}, "the directivity must lie between 1 and 8 ('0.5' for --directivity)"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"select", "--flow", "1.2", "--pressure", "400"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(Sample("orvane-bc-centrifugal.qfn"));
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, ecUsage) << c.message;
    EXPECT_NE(run.Err.find(c.message), std::string::npos) << run.Err;
  }
}

TEST_F(CliSoundTest, SortSoundSaysWhichLevelItRankedBy) {
  struct Case {
    std::vector<std::string> files;
    std::string level;
  };
  const Case cases[] = {
      {{Sample("orvane-bc-centrifugal.qfn")}, "LwA"},
      {{Sample("orvane-bc-centrifugal.qfn"), Sample("orvane-ax-axial.qfn"), Sample("orvane-md-mixed.qfn")},
       "Lw"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    std::vector<std::string> args{"select", "--json", "--sort",     "sound",
                                  "--flow", "1.0",    "--pressure", "300"};
    if (c.files.size() == 1) args.push_back(Sample("orvane-bc-centrifugal.qfn"));
    args.insert(args.end(), c.files.begin(), c.files.end());
    const TJson doc = ParsedJson(RunCliArgs(args));
    EXPECT_EQ(doc["sort_level"].String, c.level);
    const TJson& candidates = doc["candidates"];
    ASSERT_GE(candidates.Size(), 2u);
    for (std::size_t i = 1; i < candidates.Size(); ++i) {
      const TJson &a = candidates[i - 1]["sound"], &b = candidates[i]["sound"];
      if (c.level == "LwA")
        EXPECT_LE(a["lwa"].Number, b["lwa"].Number);
      else
        EXPECT_LE(a["lw"].Number, b["lw"].Number);
    }
  }
}

TEST_F(CliSoundTest, ScheduleCarriesTheListenerTheSoundAndItsColumns) {
  const std::string path = WriteFile("s.csv", "mark,flow,pressure\nEF-1,1.0,300\n");
  const std::string fan = Sample("orvane-bc-centrifugal.qfn");
  const TJson doc = ParsedJson(RunCliArgs({"schedule", "--json", "--sort", "sound", "--distance", "5", fan,
                                           Sample("orvane-ax-axial.qfn"), path}));
  ASSERT_EQ(doc.Size(), 1u);
  // The level is the one the whole ranking compared, not only the three kept.
  EXPECT_EQ(doc[0]["sort_level"].String, "Lw");
  ASSERT_GE(doc[0]["candidates"].Size(), 1u);
  EXPECT_EQ(doc[0]["candidates"][0]["sound"]["distance"].Number, 5);

  const TCliRun csv = RunCliArgs({"schedule", "--csv", fan, path});
  const std::string header = csv.Out.substr(0, csv.Out.find('\n'));
  EXPECT_NE(header.find(",bep_ratio,fei,motor_rating,electrical_power,lwa,lp,warnings,"), std::string::npos)
      << header;
}

}  // namespace
}  // namespace blowden::test
