// What a careless command line or a hostile catalogue must not do: replace a
// file the output does not own, write into a read-only file or a pipe, put
// formulas into a spreadsheet, blow up the text output, hide a missing or
// repeated input, or trip over a file's name.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <streambuf>

#include "CliTestSupport.h"
#include "base/Csv.h"
#include "services/FileChecks.h"

namespace blowden::test {
namespace {

namespace fs = std::filesystem;

#ifdef BLOWDEN_CLI_WITHOUT_PICTURES
constexpr bool kDraws = false;
#else
constexpr bool kDraws = true;
#endif

const std::string kPngStart("\x89PNG\r\n\x1a\n", 8);

std::string Sample(const char* name) { return (SamplesDir() / name).string(); }

class CliOutputSafetyTest : public TCliTest {
 protected:
  void TearDown() override { SetWriteAccessForTesting(nullptr); }

  // A catalogue of the samples, copied into the work folder.
  std::string Copy(const char* sample, const char* as) const {
    return WriteFile(as, ReadFileBytes(Sample(sample)));
  }
  std::string Exact(const char* as = "exact.qfn") const {
    return WriteFile(as, ReadFileBytes(CliDataFile("exact.qfn")));
  }

  // Root may write any file, so the refusal of a read-only file is checked
  // through the access seam there: it decides by the owner's write bit, as
  // the shell decides for an ordinary user. Others use the real check.
  static void AccessAsOrdinaryUser() {
    if (::geteuid() != 0) return;
    SetWriteAccessForTesting([](const std::string& path) {
      struct stat st {};
      return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) != 0;
    });
  }
};

std::vector<std::string> Duty() { return {"--flow", "2", "--pressure", "500"}; }

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// --- outputs over files of another kind ---------------------------------------------

TEST_F(CliOutputSafetyTest, AGlobAfterAnOutputOptionNeverReplacesACatalogue) {
  // "--pdf *.qfn", "--png *.qfn": the shell makes the first catalogue the output.
  const std::string victim = Copy("orvane-ax-axial.qfn", "a.qfn");
  const std::string b = Copy("orvane-bc-centrifugal.qfn", "b.qfn");
  const std::string c = Exact("c.qfn");
  const std::string notes = WriteFile("notes.txt", "minutes of the meeting\n");
  const std::string schedule = WriteFile("s.csv", "mark,flow,pressure\nEF-1,2,500\n");
  const std::string before = ReadFileBytes(victim);
  struct TCase {
    const char* Name;
    std::vector<std::string> Args;
    std::string Target;
    const char* Why;
  };
  const std::vector<TCase> cases = {
      {"ranked --pdf", Joined({"select", "--limit", "3", "--pdf", victim, b, c}, Duty()), victim,
       "is a fan data file, not a PDF document"},
      {"schedule --pdf", {"schedule", "--pdf", victim, b, schedule}, victim, "is a fan data file"},
      {"select --png", Joined({"select", "--model", "E1", "--png", victim, c}, Duty()), victim,
       "is a fan data file, not a PNG picture"},
      {"--png over a text", Joined({"select", "--model", "E1", "--png", notes, c}, Duty()), notes,
       "is a file of another kind, not a PNG picture"},
      {"--pdf over a text", Joined({"select", "--model", "E1", "--pdf", notes, c}, Duty()), notes,
       "is a file of another kind, not a PDF document"},
  };
  for (const TCase& t : cases) {
    SCOPED_TRACE(t.Name);
    const std::string old = ReadFileBytes(t.Target);
    const TCliRun run = RunCliArgs(t.Args);
    EXPECT_EQ(run.Code, ecUsage) << run.Err;
    EXPECT_NE(run.Err.find(t.Why), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("--force"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out, "") << "refused before any work";
    EXPECT_EQ(ReadFileBytes(t.Target), old);
  }
  EXPECT_EQ(ReadFileBytes(victim), before);

  if (!kDraws) return;
  // An earlier output of the same kind, an empty file and, with --force,
  // anything but an input are replaced.
  const std::string pdf = WriteFile("old.pdf", "%PDF-1.4\nold\n");
  const std::string png = WriteFile("old.png", kPngStart + "old");
  const std::string empty = WriteFile("empty.png", "");
  for (const auto& [args, target, start] :
       {std::tuple{Joined({"select", "--model", "E1", "--pdf", pdf, c}, Duty()), pdf, std::string("%PDF-")},
        std::tuple{Joined({"select", "--model", "E1", "--png", png, c}, Duty()), png, kPngStart},
        std::tuple{Joined({"select", "--model", "E1", "--png", empty, c}, Duty()), empty, kPngStart},
        std::tuple{Joined({"select", "--force", "--limit", "1", "--pdf", notes, b, c}, Duty()), notes,
                   std::string("%PDF-")}}) {
    SCOPED_TRACE(target);
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, ecSuccess) << run.Err;
    EXPECT_EQ(ReadFileBytes(target).rfind(start, 0), 0u);
  }
  // --force never makes an input the output.
  const TCliRun input = RunCliArgs(Joined({"select", "--force", "--model", "E1", "--png", c, c}, Duty()));
  EXPECT_EQ(input.Code, ecUsage);
  EXPECT_NE(input.Err.find("it is the fan data file"), std::string::npos) << input.Err;
  // --force alone has nothing to force.
  EXPECT_EQ(RunCliArgs(Joined({"select", "--force", "--model", "E1", c}, Duty())).Code, ecUsage);
}

// --- read-only and special files --------------------------------------------------------

TEST_F(CliOutputSafetyTest, AReadOnlyFileIsNeitherReplacedNorAppendedTo) {
  AccessAsOrdinaryUser();
  const std::string source = Exact("source.qfn");
  const std::string into = Exact("ro.qfn");
  const std::string pdf = WriteFile("ro.pdf", "%PDF-1.4\nkept\n");
  const std::string png = WriteFile("ro.png", kPngStart + "kept");
  for (const std::string& f : {into, pdf, png}) fs::permissions(f, fs::perms(0444));
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"derive", "--model", "E1", "--as", "E1B", "--diameter", "400", "--into", into, source}, into},
      {{"import", "--model", "BD24", "--model-line", "610,1750,900,2100,700,600,2.5", "--into", into,
        CliDataFile("bd24-ip.csv")},
       into},
      {Joined({"select", "--model", "E1", "--pdf", pdf, source}, Duty()), pdf},
      {Joined({"select", "--model", "E1", "--png", png, source}, Duty()), png},
  };
  for (const auto& [args, target] : cases) {
    SCOPED_TRACE(args.front() + " " + target);
    const std::string old = ReadFileBytes(target);
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, ecUsage) << run.Out << run.Err;
    EXPECT_NE(run.Err.find("read-only"), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out.find("appended"), std::string::npos) << run.Out;
    EXPECT_EQ(ReadFileBytes(target), old);
  }
}

TEST_F(CliOutputSafetyTest, IntoAPipeIsRefusedAtOnce) {
  const std::string source = Exact("source.qfn");
  const std::string fifo = Work().File("pipe.qfn");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"derive", "--model", "E1", "--as", "E1B", "--diameter", "400", "--into",
                                 fifo, source},
        std::vector<std::string>{"import", "--model", "BD24", "--model-line", "610,1750,900,2100,700,600,2.5",
                                 "--into", fifo, CliDataFile("bd24-ip.csv")}}) {
    SCOPED_TRACE(args.front());
    auto running = std::async(std::launch::async, [&] { return RunCliArgs(args); });
    if (running.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << "the command waits on the pipe";
      // A writer that closes at once lets the blocked read end.
      const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
    }
    const TCliRun run = running.get();
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_NE(run.Err.find("not a regular file"), std::string::npos) << run.Err;
    EXPECT_TRUE(fs::is_fifo(fifo));
  }
}

// A stream buffer that refuses every byte, as a full disk does.
class TFullBuf : public std::streambuf {
 protected:
  int overflow(int) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(CliOutputSafetyTest, AFailedStandardOutputIsSaid) {
  const std::string exact = Exact();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"}, std::vector<std::string>{"verify", exact},
        std::vector<std::string>{"verify", "--json", exact}, std::vector<std::string>{"show", exact}}) {
    SCOPED_TRACE(args.back());
    TFullBuf full;
    std::ostream out(&full);
    std::ostringstream err;
    const int code = RunCli(args, out, err);
    EXPECT_EQ(code, ecUsage);
    EXPECT_NE(err.str().find("cannot write to standard output"), std::string::npos) << err.str();
  }
}

// --- CSV that a spreadsheet would run ---------------------------------------------------

TEST_F(CliOutputSafetyTest, CsvTextNeverStartsAFormula) {
  std::string text = ReadFileBytes(CliDataFile("exact.qfn"));
  text.replace(text.find("Maker="), 6, "Maker==HYPERLINK(\"http://x.example\",\"m\")\n; was: ");
  text.replace(text.find("Range="), 6, "Range=@SUM(1,2)\n; was: ");
  text.replace(text.find("[E1]"), 4, "[+1+cmd|x]");
  const std::string file = WriteFile("hostile.qfn", text);
  const std::string other = Exact();

  const TCliRun rank = RunCliArgs(Joined({"select", "--csv", file, other}, Duty()));
  ASSERT_EQ(rank.Code, ecSuccess) << rank.Err;
  std::vector<TCsvRecord> records;
  std::string error;
  ASSERT_TRUE(ParseCsv(rank.Out, records, error)) << error;
  bool hostileSeen = false, modelSeen = false;
  for (std::size_t r = 1; r < records.size(); ++r) {
    for (const std::string& field : records[r].Fields) {
      if (field.empty()) continue;
      EXPECT_EQ(std::string("=+@\t\r").find(field.front()), std::string::npos) << field;
      if (field.front() == '-') {
        EXPECT_EQ(SpreadsheetText(field), field) << "a number: " << field;
      }
    }
    if (records[r].Fields[2] == "'=HYPERLINK(\"http://x.example\",\"m\")") {
      hostileSeen = true;
      EXPECT_EQ(records[r].Fields[3], "'@SUM(1,2)");
      modelSeen = modelSeen || records[r].Fields[4] == "'+1+cmd|x";
    }
  }
  EXPECT_TRUE(hostileSeen) << rank.Out;
  EXPECT_TRUE(modelSeen) << rank.Out;

  const std::string schedule =
      WriteFile("s.csv", "mark,flow,pressure\n\"=1+2\",2,500\n@A1,2,500\n-5,2,500\n");
  const TCliRun marks = RunCliArgs({"schedule", "--csv", file, schedule});
  ASSERT_TRUE(ParseCsv(marks.Out, records, error)) << error;
  ASSERT_EQ(records.size(), 4u) << marks.Out;
  EXPECT_EQ(records[1].Fields[0], "'=1+2");
  EXPECT_EQ(records[2].Fields[0], "'@A1");
  EXPECT_EQ(records[3].Fields[0], "-5") << "a number stays a number";
  EXPECT_EQ(records[1].Fields[7], "'=HYPERLINK(\"http://x.example\",\"m\")");
}

// --- text output that explodes ----------------------------------------------------------

TEST_F(CliOutputSafetyTest, AHugeMarkDoesNotWidenEveryLine) {
  const std::string exact = Exact();
  const std::string huge(100000, 'M');
  std::string table = "mark,flow,pressure\n" + huge + ",2,500\n";
  for (int i = 0; i < 50; ++i) table += "EF-" + std::to_string(i) + ",2,500\n";
  const std::string schedule = WriteFile("s.csv", table);
  const TCliRun text = RunCliArgs({"schedule", exact, schedule});
  ASSERT_EQ(text.Code, ecSuccess) << text.Err;
  EXPECT_LT(text.Out.size(), 52u * 400u) << "every line padded to the widest cell";
  for (const std::string& line : SplitLines(text.Out)) EXPECT_LT(line.size(), 600u);
  EXPECT_NE(text.Out.find(std::string(39, 'M') + "…"), std::string::npos);
  // CSV and JSON keep the mark whole.
  EXPECT_NE(RunCliArgs({"schedule", "--csv", exact, schedule}).Out.find(huge), std::string::npos);
  EXPECT_NE(RunCliArgs({"schedule", "--json", exact, schedule}).Out.find(huge), std::string::npos);
}

// --- inputs that are missing or given twice ---------------------------------------------

TEST_F(CliOutputSafetyTest, AMissingInputIsSaidAndARepeatedOneCountsOnce) {
  const std::string good = Exact("good.qfn");
  const std::string typo = Work().File("typo.qfn");
  const std::string schedule = WriteFile("s.csv", "mark,flow,pressure\nEF-1,2,500\n");
  for (const std::vector<std::string>& args :
       {Joined({"select", "--csv", good, typo}, Duty()), Joined({"select", "--json", good, typo}, Duty()),
        Joined({"select", good, typo}, Duty()),
        std::vector<std::string>{"schedule", "--csv", good, typo, schedule}}) {
    SCOPED_TRACE(args[1]);
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_NE(run.Err.find("cannot read " + typo), std::string::npos) << run.Err;
  }
  const TJson json = ParsedJson(RunCliArgs(Joined({"select", "--json", good, typo}, Duty())));
  bool rejected = false;
  for (std::size_t i = 0; i < json["rejected"].Size(); ++i)
    rejected = rejected || json["rejected"][i]["file"].String == typo;
  EXPECT_TRUE(rejected);

  // The same file twice, and by a second link: its models once, so the best
  // fan is never its own alternative.
  const std::string link = Work().File("link.qfn");
  fs::create_hard_link(good, link);
  for (const std::vector<std::string>& files :
       {std::vector<std::string>{good, good}, std::vector<std::string>{good, link},
        std::vector<std::string>{good, Work().File("./good.qfn")}}) {
    SCOPED_TRACE(files.back());
    const TCliRun run = RunCliArgs(Joined({"select", "--json", files[0], files[1]}, Duty()));
    EXPECT_EQ(run.Code, ecSuccess) << run.Err;
    EXPECT_NE(run.Err.find("counted once"), std::string::npos) << run.Err;
    const TJson twice = ParsedJson(run);
    const TJson& ranked = twice["candidates"];
    EXPECT_GT(ranked.Size(), 0u);
    for (std::size_t i = 0; i < ranked.Size(); ++i)
      for (std::size_t j = i + 1; j < ranked.Size(); ++j)
        EXPECT_NE(ranked[i]["model"].String, ranked[j]["model"].String) << "a model listed twice";
    const TJson sched = ParsedJson(RunCliArgs({"schedule", "--json", files[0], files[1], schedule}));
    const TJson& candidates = sched[0]["candidates"];
    for (std::size_t i = 1; i < candidates.Size(); ++i)
      EXPECT_NE(candidates[i]["model"].String, candidates[0]["model"].String) << "its own alternative";
  }
}

// --- names --------------------------------------------------------------------------------

TEST_F(CliOutputSafetyTest, LongHiddenAndOddNames) {
  // 250 bytes: a temporary name built from it would pass the 255-byte limit.
  const std::string longName = std::string(246, 'L') + ".qfn";
  const std::string longFile = Exact(longName.c_str());
  const TCliRun install = RunCliArgs({"install", longFile});
  EXPECT_EQ(install.Code, ecSuccess) << install.Err;
  EXPECT_TRUE(fs::exists(Database() / longName));
  if (kDraws) {
    const std::string pdf = Work().File(std::string(246, 'P') + ".pdf");
    const TCliRun run = RunCliArgs(Joined({"select", "--model", "E1", "--pdf", pdf, longFile}, Duty()));
    EXPECT_EQ(run.Code, ecSuccess) << run.Err;
    EXPECT_EQ(ReadFileBytes(pdf).rfind("%PDF-", 0), 0u);
  }

  // A name that list, delete and --all would never see is refused.
  for (const char* name : {".hidden.qfn", "fans.txt"}) {
    SCOPED_TRACE(name);
    const TCliRun run = RunCliArgs({"install", Exact(name)});
    EXPECT_EQ(run.Code, ecFailure);
    EXPECT_NE(run.Err.find("never be listed"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(Database() / name));
  }

  // A tab or a line break in a name cannot break list's lines.
  const std::string odd = Exact("tab\there\nnew.qfn");
  ASSERT_EQ(RunCliArgs({"install", odd}).Code, ecSuccess);
  const TCliRun list = RunCliArgs({"list"});
  const std::vector<std::string> lines = SplitLines(list.Out);
  ASSERT_EQ(lines.size(), 2u) << list.Out;
  for (const std::string& line : lines) EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 1) << line;
  EXPECT_NE(list.Out.find("tab\\x09here\\x0Anew"), std::string::npos) << list.Out;
}

}  // namespace
}  // namespace blowden::test
