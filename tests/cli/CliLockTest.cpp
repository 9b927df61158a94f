// Writers at the same time: imports and derives into one catalogue, a delete
// racing an install. Run as real blowden-cli processes, so that they are as
// concurrent as a user's shell makes them; each race is run 30 times.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <utility>

#include "CliTestSupport.h"
#include "services/FileLock.h"

extern char** environ;

namespace blowden::test {

// The blowden-cli program of this build (CliProgram.cpp).
const char* CliProgram();

namespace {

namespace fs = std::filesystem;

const char* const kModelLine = "610,1750,900,2100,700,600,2.5";
constexpr int kRounds = 30;

// One blowden-cli process, its output going to files.
class TCliProcess {
 public:
  TCliProcess(const std::vector<std::string>& args, const std::string& outputs) {
    FOut = outputs + ".out";
    FErr = outputs + ".err";
    std::vector<std::string> all{CliProgram()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, FOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, FErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ) != 0) FPid = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  TCliProcess(const TCliProcess&) = delete;
  TCliProcess& operator=(const TCliProcess&) = delete;
  TCliProcess(TCliProcess&& other) noexcept
      : FPid(std::exchange(other.FPid, -1)), FOut(std::move(other.FOut)), FErr(std::move(other.FErr)) {}
  ~TCliProcess() {
    if (FPid > 0) ::waitpid(FPid, nullptr, 0);
  }

  // Waits for the end; the exit code (-1: did not start or did not exit).
  TCliRun Finish() {
    TCliRun run;
    int status = 0;
    if (FPid > 0 && ::waitpid(FPid, &status, 0) == FPid && WIFEXITED(status)) run.Code = WEXITSTATUS(status);
    FPid = -1;
    run.Out = ReadFileBytes(FOut);
    run.Err = ReadFileBytes(FErr);
    return run;
  }

 private:
  pid_t FPid = -1;
  std::string FOut, FErr;
};

// The section names of a catalogue, in file order.
std::vector<std::string> Sections(const std::string& path) {
  std::vector<std::string> names;
  for (const std::string& line : SplitLines(ReadFileBytes(path)))
    if (line.size() > 2 && line.front() == '[') names.push_back(line.substr(1, line.find(']') - 1));
  return names;
}

class CliLockTest : public TCliTest {
 protected:
  ~CliLockTest() override { SetDefaultLockWaitForTesting(std::chrono::milliseconds(0)); }

  std::string Catalogue() const {
    return WriteFile("race.qfn", "[Catalog]\nMaker=Test\nRange=RACE\nDensity=1.2\n");
  }

  std::vector<std::string> Import(const std::string& name, const std::string& into) const {
    return {"import",   "--model", name, "--model-line",
            kModelLine, "--into",  into, CliDataFile("bd24-ip.csv")};
  }
  std::vector<std::string> Derive(const std::string& name, const std::string& into) const {
    return {"derive",     "--model", "E1",     "--as", name,
            "--diameter", "450",     "--into", into,   CliDataFile("exact.qfn")};
  }
  std::string Outputs(const std::string& name) const { return Work().File(name); }
};

TEST_F(CliLockTest, SixteenWritersIntoOneCatalogueAtOnceLoseNothing) {
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string cat = Catalogue();
    std::vector<std::string> names;
    std::vector<TCliProcess> writers;
    for (int i = 0; i < 16; ++i) {
      // Imports and derives mixed: both append through the same path.
      const std::string name = (i % 4 == 3 ? "D" : "I") + std::to_string(i);
      names.push_back(name);
      writers.emplace_back(i % 4 == 3 ? Derive(name, cat) : Import(name, cat),
                           Outputs("w" + std::to_string(i)));
    }
    for (std::size_t i = 0; i < writers.size(); ++i) {
      const TCliRun run = writers[i].Finish();
      EXPECT_EQ(run.Code, ecSuccess) << names[i] << ": " << run.Err;
      EXPECT_EQ(run.Out, "Model \"" + names[i] + "\" appended to " + cat + "\n");
    }
    const std::vector<std::string> sections = Sections(cat);
    ASSERT_EQ(sections.size(), 17u) << ReadFileBytes(cat);
    EXPECT_EQ(std::set<std::string>(sections.begin() + 1, sections.end()),
              std::set<std::string>(names.begin(), names.end()));
    EXPECT_EQ(RunCliArgs({"verify", cat}).Code, ecSuccess) << "every section whole";
  }
}

TEST_F(CliLockTest, TwoImportsOfOneNameAtOnceAppendItOnce) {
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string cat = Catalogue();
    TCliProcess first(Import("TWIN", cat), Outputs("first"));
    TCliProcess second(Import("TWIN", cat), Outputs("second"));
    const TCliRun a = first.Finish(), b = second.Finish();
    const TCliRun& won = a.Code == ecSuccess ? a : b;
    const TCliRun& lost = a.Code == ecSuccess ? b : a;
    EXPECT_EQ(won.Code, ecSuccess) << won.Err;
    EXPECT_EQ(lost.Code, ecFailure) << "one of them must be refused: " << lost.Out;
    EXPECT_NE(lost.Err.find("already has a section named \"TWIN\""), std::string::npos) << lost.Err;
    EXPECT_TRUE(lost.Out.empty()) << lost.Out;
    EXPECT_EQ(Sections(cat), (std::vector<std::string>{"Catalog", "TWIN"}));
  }
}

TEST_F(CliLockTest, ADeleteRacingAnInstallEndsAsOneOfTheirTwoOrders) {
  const std::string v1 = ReadFileBytes(CliDataFile("exact.qfn"));
  std::string v2 = v1;
  v2.replace(v2.find("Version=1"), 9, "Version=2");
  const std::string newer = Work().Write("v2/x.qfn", v2);
  const std::string older = Work().Write("v1/x.qfn", v1);
  int installFirst = 0, deleteFirst = 0;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    fs::remove_all(Database());
    ASSERT_EQ(RunCliArgs({"install", older}).Code, ecSuccess);
    TCliProcess remover({"delete", "x"}, Outputs("delete"));
    TCliProcess installer({"install", newer}, Outputs("install"));
    const TCliRun deleted = remover.Finish(), installed = installer.Finish();
    EXPECT_EQ(deleted.Code, ecSuccess) << deleted.Err;
    EXPECT_EQ(installed.Code, ecSuccess) << installed.Err;
    const fs::path file = Database() / "x.qfn", backup = Database() / "x._fn";
    ASSERT_TRUE(fs::exists(backup));
    if (fs::exists(file)) {
      // Deleted, then installed: the new version is installed, the old one backed up.
      EXPECT_EQ(ReadFileBytes(file), v2);
      EXPECT_EQ(ReadFileBytes(backup), v1);
      ++deleteFirst;
    } else {
      // Installed, then deleted: the backup is the new version.
      EXPECT_EQ(ReadFileBytes(backup), v2) << "the new version was lost";
      ++installFirst;
    }
  }
  EXPECT_EQ(installFirst + deleteFirst, kRounds);
}

TEST_F(CliLockTest, AWriterThatCannotGetTheLockSaysSoAndWritesNothing) {
  SetDefaultLockWaitForTesting(std::chrono::milliseconds(300));
  const std::string cat = Catalogue();
  const std::string before = ReadFileBytes(cat);
  struct Case {
    const char* name;
    std::vector<std::string> args;
  };
  const Case cases[] = {{"import", Import("N", cat)}, {"derive", Derive("N", cat)}};
  TFileLock held;
  ASSERT_EQ(held.LockFile(cat), "");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TCliRun run = RunCliArgs(c.args);
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_EQ(run.Err,
              "blowden-cli: cannot write " + cat +
                  ": another program is changing it (still locked after 0.3 s); nothing was written\n");
    EXPECT_TRUE(run.Out.empty()) << run.Out;
    EXPECT_EQ(ReadFileBytes(cat), before);
  }
  held.Unlock();
  EXPECT_EQ(RunCliArgs(Import("N", cat)).Code, ecSuccess) << "the lock gone, the write goes ahead";
}

TEST_F(CliLockTest, AnInstallOrDeleteWhileTheDatabaseIsLockedIsRefused) {
  SetDefaultLockWaitForTesting(std::chrono::milliseconds(200));
  const std::string v1 = ReadFileBytes(CliDataFile("exact.qfn"));
  const std::string source = Work().Write("x.qfn", v1);
  ASSERT_EQ(RunCliArgs({"install", source}).Code, ecSuccess);
  TFileLock held;
  ASSERT_EQ(held.LockFolder(Database().string()), "");
  for (const char* command : {"install", "delete"}) {
    SCOPED_TRACE(command);
    const TCliRun run = RunCliArgs({command, std::string(command) == "install" ? source : "x"});
    EXPECT_EQ(run.Code, ecFailure);
    EXPECT_NE(run.Err.find(
                  "the database folder is busy: another program is changing it (still locked after 0.2 s)"),
              std::string::npos)
        << run.Err;
    EXPECT_EQ(ReadFileBytes(Database() / "x.qfn"), v1);
    EXPECT_FALSE(fs::exists(Database() / "x._fn"));
  }
}

}  // namespace
}  // namespace blowden::test
