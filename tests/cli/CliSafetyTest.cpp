// blowden-cli never loses or garbles a user's file: outputs that cannot be
// written whole, outputs that are inputs, special files, names that differ
// in case, control characters, folders that cannot be listed, files too
// large for memory.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <thread>

#include "CliTestSupport.h"
#include "cli/TerminalText.h"
#include "services/SafeWrite.h"

namespace blowden::test {
namespace {

namespace fs = std::filesystem;

class CliSafetyTest : public TCliTest {
 protected:
  std::vector<std::string> Select(const std::string& png, const std::string& file) const {
    return {"select", "--model", "E1", "--flow", "2", "--pressure", "500", "--png", png, file};
  }
  std::string Exact() const { return WriteFile("exact.qfn", ReadFileBytes(CliDataFile("exact.qfn"))); }
};

// A build without Qt has no chart drawing: --png is refused before any
// target is looked at, and a pipe would wait for a writer forever.
#ifdef BLOWDEN_CLI_WITHOUT_PICTURES
#define BLOWDEN_NEEDS_PICTURES() GTEST_SKIP() << "this blowden-cli is built without Qt and draws no pictures"
#else
#define BLOWDEN_NEEDS_PICTURES() (void)0
#endif

TEST_F(CliSafetyTest, APictureThatCannotBeWrittenWholeKeepsTheOldFile) {
  BLOWDEN_NEEDS_PICTURES();
  const std::string old = std::string("\x89PNG\r\n\x1a\n", 8) + "old picture";
  const std::string png = WriteFile("chart.png", old);
  for (const int error : {ENOSPC, EIO}) {
    SCOPED_TRACE(std::strerror(error));
    SetWriteFaultForTesting([error](TWriteStep step) { return step == TWriteStep::Sync ? error : 0; });
    const TCliRun run = RunCliArgs(Select(png, Exact()));
    SetWriteFaultForTesting(nullptr);
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_NE(run.Err.find("cannot write " + png + ": " + std::strerror(error)), std::string::npos)
        << run.Err;
    EXPECT_EQ(ReadFileBytes(png), old);
  }
}

TEST_F(CliSafetyTest, PictureTargetsThatAreNotPlainFiles) {
  BLOWDEN_NEEDS_PICTURES();
  const std::string exact = Exact();
  const std::string before = ReadFileBytes(exact);

  // The catalogue itself, by its name or by another link to it.
  const std::string link = Work().File("hard-link.png");
  fs::create_hard_link(exact, link);
  for (const std::string& target : {exact, link}) {
    SCOPED_TRACE(target);
    const TCliRun run = RunCliArgs(Select(target, exact));
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_NE(run.Err.find("it is the fan data file " + exact), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileBytes(exact), before);
  }

  // A folder is refused and stays.
  fs::create_directory(Work().Path() / "folder.png");
  const TCliRun folder = RunCliArgs(Select(Work().File("folder.png"), exact));
  EXPECT_EQ(folder.Code, ecUsage);
  EXPECT_NE(folder.Err.find("it is a folder"), std::string::npos) << folder.Err;
  EXPECT_TRUE(fs::is_directory(Work().Path() / "folder.png"));

  // A pipe is written into, not replaced.
  const std::string fifo = Work().File("pipe.png");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    std::ifstream in(fifo, std::ios::binary);
    received.assign(std::istreambuf_iterator<char>(in), {});
  });
  const TCliRun piped = RunCliArgs(Select(fifo, exact));
  reader.join();
  EXPECT_EQ(piped.Code, ecSuccess) << piped.Err;
  EXPECT_EQ(received.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);

  // "-": the picture is standard output, the report goes to stderr.
  const TCliRun out = RunCliArgs(Select("-", exact));
  EXPECT_EQ(out.Code, ecSuccess) << out.Err;
  EXPECT_EQ(out.Out.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_NE(out.Err.find("E1"), std::string::npos) << out.Err;
  EXPECT_FALSE(fs::exists(Work().Path() / "-"));
}

TEST_F(CliSafetyTest, DeleteAddressesTheExactFileName) {
  const std::string lower = WriteFile("a/x.qfn", ReadFileBytes(CliDataFile("exact.qfn")));
  const std::string upper = WriteFile("b/x.QFN", ReadFileBytes(CliDataFile("exact.qfn")) + "; upper\n");
  ASSERT_EQ(RunCliArgs({"install", lower, upper}).Code, ecSuccess);

  const TCliRun first = RunCliArgs({"delete", "x.qfn"});
  EXPECT_EQ(first.Code, ecSuccess) << first.Err;
  EXPECT_FALSE(fs::exists(Database() / "x.qfn"));
  EXPECT_EQ(ReadFileBytes(Database() / "x.QFN"), ReadFileBytes(upper));

  const TCliRun second = RunCliArgs({"delete", "x.QFN"});
  EXPECT_EQ(second.Code, ecSuccess) << second.Err;
  EXPECT_EQ(ReadFileBytes(Database() / "x._fn"), ReadFileBytes(upper));
  EXPECT_EQ(ReadFileBytes(Database() / "x._fn.1"), ReadFileBytes(lower)) << "the first backup survives";
}

TEST_F(CliSafetyTest, ControlCharactersFromFilesAndNamesAreEscaped) {
  std::string text = ReadFileBytes(CliDataFile("exact.qfn"));
  text.replace(text.find("Range=EX"), 8, "Range=E\x1b[2JX\x07\x9b");
  const std::string file = WriteFile("bell\x1b]0;title\x07.qfn", text);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"show", file}, std::vector<std::string>{"verify", file},
        std::vector<std::string>{"install", file}, std::vector<std::string>{"list"}}) {
    SCOPED_TRACE(args.front());
    const TCliRun run = RunCliArgs(args);
    for (const std::string* stream : {&run.Out, &run.Err}) {
      EXPECT_EQ(stream->find('\x1b'), std::string::npos) << *stream;
      EXPECT_EQ(stream->find('\x07'), std::string::npos) << *stream;
    }
    EXPECT_NE((run.Out + run.Err).find("bell\\x1B]0;title\\x07"), std::string::npos) << run.Out << run.Err;
  }
  // The file is not UTF-8: read as Windows-1252, 0x9B is "›".
  EXPECT_NE(RunCliArgs({"show", file}).Out.find("Range\tE\\x1B[2JX\\x07\xE2\x80\xBA"), std::string::npos);
  // JSON carries the text exactly, escaped by JSON's own rules.
  EXPECT_NE(RunCliArgs({"show", "--json", file}).Out.find("\\u001b[2J"), std::string::npos);
}

TEST(TerminalText, EscapesWhatCouldActOnATerminal) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"plain\ttab\nline", "plain\ttab\nline"},
      {"esc\x1b[2J", "esc\\x1B[2J"},
      {std::string("nul\0x", 5), "nul\\x00x"},
      {"cr\rdel\x7f", "cr\\x0Ddel\\x7F"},
      {"m\xC2\xB3/s \xE2\x86\x92", "m\xC2\xB3/s \xE2\x86\x92"},  // UTF-8 passes
      {"c1\xC2\x9B"
       "31m",
       "c1\\u009B31m"},                    // CSI as a C1 control
      {"cp1252 \xB3", "cp1252 \\xB3"},     // not UTF-8
      {"cut \xE2\x86", "cut \\xE2\\x86"},  // a sequence broken off at the end
      {"\xE2\x86"
       "A",
       "\\xE2\\x86A"},
      {"overlong \xC0\xAF \xED\xA0\x80", "overlong \\xC0\\xAF \\xED\\xA0\\x80"},
  };
  for (const Case& c : cases) EXPECT_EQ(TerminalText(c.in), c.out) << c.in;
}

TEST_F(CliSafetyTest, AListThatCannotBeReadSaysSo) {
  fs::create_directories(Database().parent_path());
  {
    std::ofstream(Database()) << "a file where the folder should be";
    const TCliRun run = RunCliArgs({"list"});
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_NE(run.Err.find("cannot list the database folder"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("it is not a folder"), std::string::npos) << run.Err;
    fs::remove(Database());
  }
  fs::create_directory(Database());
  WriteFile("x.qfn", ReadFileBytes(CliDataFile("exact.qfn")));
  ASSERT_EQ(RunCliArgs({"install", Work().File("x.qfn")}).Code, ecSuccess);
  ASSERT_EQ(::chmod(Database().c_str(), 0), 0);
  // Root reads any folder: the listing then runs as an ordinary user.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && ::setresuid(65534, 65534, 65534) != 0) ::_exit(99);
    std::ostringstream out, err;
    const int code = RunCli({"list"}, out, err);
    ::_exit(code == ecUsage && out.str().empty() && err.str().find(std::strerror(EACCES)) != std::string::npos
                ? 0
                : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ::chmod(Database().c_str(), 0755);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "an unreadable folder must be reported (exit 2), not listed as empty";
}

TEST_F(CliSafetyTest, AFileTooLargeForMemoryIsSaidPlainly) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's allocator aborts instead of failing a huge allocation";
#else
  std::ifstream overcommit("/proc/sys/vm/overcommit_memory");
  int mode = 0;
  if (overcommit >> mode && mode == 1)
    GTEST_SKIP() << "memory overcommit is unlimited here: a huge allocation would not fail at once";
  // A sparse file far larger than any memory: no disk space used.
  const std::string huge = Work().File("huge.qfn");
  const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  const off_t size = off_t(1) << 40;  // 1 TiB
  if (::ftruncate(fd, size) != 0) {
    ::close(fd);
    GTEST_SKIP() << "this file system holds no 1 TiB sparse file: " << std::strerror(errno);
  }
  ::close(fd);
  for (const char* command : {"verify", "show", "install"}) {
    SCOPED_TRACE(command);
    const TCliRun run = RunCliArgs({command, huge});
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_NE(run.Err.find("Not enough memory to open " + huge + " (1048576 MB)"), std::string::npos)
        << run.Err;
  }
#endif
}

}  // namespace
}  // namespace blowden::test
