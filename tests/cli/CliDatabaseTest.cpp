#include "CliTestSupport.h"
#include "base/Convert.h"
#include "services/Folders.h"

namespace blowden::test {
namespace {

namespace fs = std::filesystem;

// Every entry below `folder`, relative to it.
std::vector<std::string> Tree(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    names.push_back(fs::relative(it->path(), folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

class CliDatabaseTest : public TCliTest {
 protected:
  void SetUp() override {
    TCliTest::SetUp();
    // A program in an "Orvane" (or "9kq") folder keeps its database there,
    // as the desktop program does; these tests need the XDG one.
    const std::string program = UpperCase(RunningProgramPath());
    if (program.find("ORVANE") != std::string::npos || program.find("9KQ") != std::string::npos)
      GTEST_SKIP() << "the test program lies in a maker folder: " << program;
  }

  // A copy of a fixture under the name `name` in the work folder.
  std::string Fixture(const char* fixture, const char* name) const {
    return WriteFile(name, ReadFileBytes(CliDataFile(fixture)));
  }
};

TEST_F(CliDatabaseTest, DatabaseFolderIsTheDesktopProgramsUnderXdgDataHome) {
  EXPECT_EQ(CliDatabaseFolder(), (Env().Path() / "data" / "Orvane" / "Common Files").string() + "/");
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(CliDatabaseFolder(), (Env().Path() / "home" / ".local/share/Orvane/Common Files").string() + "/");
}

TEST_F(CliDatabaseTest, InstallCopiesFilesThatPassAndListsRefusedOnes) {
  const std::string good = Fixture("exact.qfn", "Good.qfn");
  const std::string bad = Fixture("broken.qfn", "Bad.qfn");
  const TCliRun run = RunCliArgs({"install", good, bad});
  EXPECT_EQ(run.Code, ecFailure);
  EXPECT_EQ(SplitLines(run.Out),
            (std::vector<std::string>{
                "Installed\t" + good + "\t" + (Database() / "Good.qfn").string(),
                "Refused\t" + bad,
                "BR (B1)  Too few volume data points (must be more than 5)",
                "BR (B1)  Static pressure point count error",
                "BR (B1)  Ref speed must be greater than MinSpeed",
                "BR (B1)  Model read ended with \"Data error\": \"Ps\" holds 3 value(s) for 4 flows",
                "BR (B2)  Speed range must be in increasing order",
            }));
  EXPECT_EQ(ReadFileBytes(Database() / "Good.qfn"), ReadFileBytes(good));
  EXPECT_EQ(Tree(Database()), std::vector<std::string>{"Good.qfn"});
}

TEST_F(CliDatabaseTest, InstallJsonAndExitCodes) {
  const std::string good = Fixture("exact.qfn", "Good.qfn");
  const std::string bad = Fixture("broken.qfn", "Bad.qfn");
  const std::string conv =
      WriteFile("Conv.qfn", "[Catalog]\n\n[C1]\nQa=1,2,3,4,5\nPs=5,4,3,2,x\nPw=1\nLw=80\n");
  const std::string missing = Work().File("Missing.qfn");
  struct Case {
    const char* name;
    std::string file;
    int code;
    bool installed;
    std::size_t errors;
  };
  const Case cases[] = {
      {"clean", good, ecSuccess, true, 0},
      {"verification errors", bad, ecFailure, false, 5},
      {"conversion error", conv, ecFailure, false, 1},  // " (C1)  'x' is not a valid ...", as the window
      {"missing", missing, ecUsage, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TCliRun run = RunCliArgs({"install", "--json", c.file});
    EXPECT_EQ(run.Code, c.code);
    const TJson doc = ParsedJson(run);
    ASSERT_EQ(doc.Size(), 1u);
    EXPECT_EQ(doc[0].Keys(), (std::vector<std::string>{"file", "status", "errors", "messages", "installed"}));
    EXPECT_EQ(doc[0]["status"].Number, c.code);
    EXPECT_EQ(doc[0]["installed"].Bool, c.installed);
    EXPECT_EQ(doc[0]["errors"].Size(), c.errors);
    EXPECT_EQ(fs::exists(Database() / fs::path(c.file).filename()), c.installed);
  }
  const TCliRun all = RunCliArgs({"install", "--json", good, bad, missing});
  EXPECT_EQ(all.Code, ecUsage);
  EXPECT_EQ(ParsedJson(all).Size(), 3u);
}

// Data no result can be computed from fail verify, check and install alike,
// with the line that says why.
TEST_F(CliDatabaseTest, UnusableDataAreRefusedEverywhere) {
  const std::string good = "Qa=1,2,3,4,5\nPs=500,400,300,200,100\nPw=1,1.1,1.2,1.3,1.4\nLw=85\n";
  struct Case {
    const char* name;
    std::string density;
    std::string model;
    const char* line;
  } cases[] = {
      {"density 0", "0", good, "Density 0 kg/m³ must be a finite number above zero"},
      {"density -1.2", "-1.2", good, "Density -1.2 kg/m³ must be a finite number above zero"},
      {"density 1e-300", "1e-300", good, "Density 1E-300 kg/m³ lies beyond 0.01 to 100 kg/m³"},
      {"all flows 0", "1.2", "Qa=0,0,0,0,0\nPs=500,400,300,200,100\nPw=1\nLw=85\n",
       "Volume flows are all zero"},
      {"equal flows", "1.2", "Qa=1,2,2,4,5\nPs=500,400,300,200,100\nPw=1\nLw=85\n",
       "Volume flows must not repeat: points 2 and 3 both have 2 m³/s"},
      {"all pressures negative", "1.2", "Qa=1,2,3,4,5\nPs=-5,-4,-3,-2,-1\nPw=1\nLw=85\n",
       "No positive static pressure: the fan delivers against no pressure at any point"},
      {"negative power", "1.2", "Qa=1,2,3,4,5\nPs=500,400,300,200,100\nPw=1,1,-0.455,1,1\nLw=85\n",
       "Shaft power must be above zero (point 3: -0.455 kW)"},
      {"1e308", "1.2", "Qa=1,2,3,4,5\nPs=500,400,300,200,100\nPw=1,1,1e308,1,1\nLw=85\n",
       "Shaft power 1E308 kW at point 3 lies beyond ±1E5 kW"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file =
        WriteFile("U.qfn", "[Catalog]\nRange=U\nDensity=" + c.density + "\n[U1]\n" + c.model);
    const std::string expected = std::string("U (U1)  ") + c.line;
    const TCliRun verify = RunCliArgs({"verify", file});
    EXPECT_EQ(verify.Code, ecFailure);
    const std::vector<std::string> lines = SplitLines(verify.Out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << verify.Out;
    const TCliRun check = RunCliArgs({"check", file});
    EXPECT_EQ(check.Code, ecFailure);
    EXPECT_NE(check.Out.find(std::string("U (U1)  error: ") + c.line), std::string::npos) << check.Out;
    const TCliRun install = RunCliArgs({"install", file});
    EXPECT_EQ(install.Code, ecFailure);
    EXPECT_FALSE(fs::exists(Database() / "U.qfn"));
  }
}

TEST_F(CliDatabaseTest, InstallReplacesAnInstalledFileOfTheSameName) {
  const std::string first = Fixture("exact.qfn", "one/Same.qfn");
  ASSERT_EQ(RunCliArgs({"install", first}).Code, ecSuccess);
  const std::string second = WriteFile("two/Same.qfn", ReadFileBytes(first) + "; edited\n");
  ASSERT_EQ(RunCliArgs({"install", second}).Code, ecSuccess);
  EXPECT_EQ(ReadFileBytes(Database() / "Same.qfn"), ReadFileBytes(second));
  EXPECT_EQ(Tree(Database()), std::vector<std::string>{"Same.qfn"});
}

TEST_F(CliDatabaseTest, ListGivesNameAndPath) {
  EXPECT_EQ(RunCliArgs({"list"}).Out, "");  // no folder yet: an empty list
  ASSERT_EQ(RunCliArgs({"install", Fixture("exact.qfn", "b.qfn"), Fixture("exact.qfn", "A.qfn")}).Code,
            ecSuccess);
  const std::string a = (Database() / "A.qfn").string();
  const std::string b = (Database() / "b.qfn").string();

  const TCliRun text = RunCliArgs({"list"});
  EXPECT_EQ(text.Code, ecSuccess);
  EXPECT_EQ(text.Out, "A\t" + a + "\nb\t" + b + "\n");

  const TCliRun json = RunCliArgs({"list", "--json"});
  EXPECT_EQ(json.Code, ecSuccess);
  const TJson doc = ParsedJson(json);
  ASSERT_EQ(doc.Size(), 2u);
  EXPECT_EQ(doc[0].Keys(), (std::vector<std::string>{"name", "path"}));
  EXPECT_EQ(doc[0]["name"].String, "A");
  EXPECT_EQ(doc[0]["path"].String, a);
  EXPECT_EQ(doc[1]["name"].String, "b");
}

TEST_F(CliDatabaseTest, DeleteLeavesTheBackupBesideIt) {
  const std::string source = Fixture("exact.qfn", "Fans.qfn");
  ASSERT_EQ(RunCliArgs({"install", source}).Code, ecSuccess);
  const std::string installed = (Database() / "Fans.qfn").string();
  const std::string backup = (Database() / "Fans._fn").string();

  const TCliRun run = RunCliArgs({"delete", "Fans"});
  EXPECT_EQ(run.Code, ecSuccess) << run.Err;
  EXPECT_EQ(run.Out, "Deleted\t" + installed + "\t" + backup + "\n");
  EXPECT_FALSE(fs::exists(installed));
  EXPECT_EQ(ReadFileBytes(backup), ReadFileBytes(source));
  EXPECT_EQ(RunCliArgs({"list"}).Out, "");  // the backup is not listed

  // A second delete of the same name finds nothing; a new install and
  // delete keeps the older backup under the next number.
  EXPECT_EQ(RunCliArgs({"delete", "Fans"}).Code, ecFailure);
  const std::string edited = WriteFile("new/Fans.qfn", ReadFileBytes(source) + "; v2\n");
  ASSERT_EQ(RunCliArgs({"install", edited}).Code, ecSuccess);
  EXPECT_EQ(RunCliArgs({"delete", "fans.QFN"}).Code, ecSuccess);  // extension and case tolerated
  EXPECT_EQ(ReadFileBytes(backup), ReadFileBytes(edited));
  EXPECT_EQ(ReadFileBytes(backup + ".1"), ReadFileBytes(source));
}

TEST_F(CliDatabaseTest, DeleteTouchesNothingOutsideTheDatabase) {
  ASSERT_EQ(RunCliArgs({"install", Fixture("exact.qfn", "Keep.qfn")}).Code, ecSuccess);
  const std::string outside = Fixture("exact.qfn", "Outside.qfn");
  for (const std::string& name : {std::string("Nothing"), std::string("../Keep"), outside, std::string("")}) {
    SCOPED_TRACE(name);
    const TCliRun run = RunCliArgs({"delete", name});
    EXPECT_EQ(run.Code, ecFailure);
    EXPECT_NE(run.Err.find("no installed fan file named"), std::string::npos);
  }
  EXPECT_TRUE(fs::exists(outside));
  EXPECT_EQ(Tree(Database()), std::vector<std::string>{"Keep.qfn"});
}

TEST_F(CliDatabaseTest, NothingIsCreatedAtStartUp) {
  const std::string exact = CliDataFile("exact.qfn");
  const std::vector<std::vector<std::string>> commands = {
      {"--help"},
      {"--version"},
      {"list"},
      {"list", "--json"},
      {"verify", exact},
      {"show", exact},
      {"select", "--flow", "2", "--pressure", "560", exact},
      {"delete", "Nothing"},
      {"bogus"},
  };
  for (const auto& args : commands) RunCliArgs(args);
  EXPECT_EQ(Tree(Env().Path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace blowden::test
