// select --pdf: the datasheet of a selection, or one page per candidate of
// a ranked selection, written as --png writes its picture.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "CliTestSupport.h"

namespace blowden::test {
namespace {

std::string Sample(const char* name) { return (SamplesDir() / name).string(); }

// The number of pages pdfinfo reports, or -1 without pdfinfo.
int PdfPages(const std::string& path) {
  if (std::system("command -v pdfinfo >/dev/null 2>&1") != 0) return -1;
  FILE* pipe = ::popen(("pdfinfo '" + path + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  std::array<char, 1024> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) text.append(buffer.data(), n);
  ::pclose(pipe);
  const auto at = text.find("Pages:");
  return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 6);
}

bool IsPdf(const std::string& bytes) {
  return bytes.rfind("%PDF-", 0) == 0 && bytes.find("%%EOF") != std::string::npos;
}

class CliPdfTest : public TCliTest {
 protected:
  TCliRun SelectE1(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"select", "--model", "E1", "--flow", "2", "--pressure", "500"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(CliDataFile("exact.qfn"));
    return RunCliArgs(args);
  }
};

TEST_F(CliPdfTest, SingleSelectionWritesOnePage) {
  const std::string pdf = Work().File("sheet.pdf");
  const TCliRun run = SelectE1({"--pdf", pdf});
  ASSERT_EQ(run.Code, ecSuccess) << run.Err;
  EXPECT_EQ(run.Err, "");
  EXPECT_EQ(SplitLines(run.Out).at(0), "[Exact]  E1");  // the report as without --pdf
  EXPECT_TRUE(IsPdf(ReadFileBytes(pdf)));
  if (const int pages = PdfPages(pdf); pages >= 0) {
    EXPECT_EQ(pages, 1);
  }
  // Nothing else is left beside it (no temporary file).
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Work().Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(CliPdfTest, RankedSelectionOnePagePerCandidateUpToTheLimit) {
  struct {
    std::vector<std::string> Limit;
    int Pages;
  } const cases[] = {{{"--limit", "1"}, 1}, {{"--limit", "3"}, 3}};
  for (const auto& c : cases) {
    const std::string pdf = Work().File("ranked" + std::to_string(c.Pages) + ".pdf");
    std::vector<std::string> args{"select", "--flow", "2", "--pressure", "300", "--pdf", pdf};
    args.insert(args.end(), c.Limit.begin(), c.Limit.end());
    for (const char* name : {"orvane-ax-axial.qfn", "orvane-bc-centrifugal.qfn", "orvane-md-mixed.qfn"})
      args.push_back(Sample(name));
    const TCliRun run = RunCliArgs(args);
    ASSERT_EQ(run.Code, ecSuccess) << run.Err;
    // The table as without --pdf: the header, then one row per candidate shown.
    const std::vector<std::string> lines = SplitLines(run.Out);
    ASSERT_GT(lines.size(), static_cast<std::size_t>(c.Pages)) << run.Out;
    const std::string& last = lines[static_cast<std::size_t>(c.Pages)];
    EXPECT_EQ(last.substr(last.find_first_not_of(' ')).rfind(std::to_string(c.Pages) + "  ", 0), 0u)
        << run.Out;
    EXPECT_TRUE(IsPdf(ReadFileBytes(pdf)));
    // Several sheets begin with their summary page.
    if (const int pages = PdfPages(pdf); pages >= 0) {
      EXPECT_EQ(pages, c.Pages > 1 ? c.Pages + 1 : c.Pages);
    }
  }
}

TEST_F(CliPdfTest, DashWritesTheDocumentToStandardOutput) {
  const TCliRun run = SelectE1({"--pdf", "-"});
  ASSERT_EQ(run.Code, ecSuccess) << run.Err;
  EXPECT_TRUE(IsPdf(run.Out));
  // The report goes to standard error instead.
  EXPECT_NE(run.Err.find("[Exact]  E1"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("Fan Speed"), std::string::npos);
}

TEST_F(CliPdfTest, RefusedTargetsExitWith2AndLoseNothing) {
  // The fan data file itself (a copy, so that the fixture stays intact).
  const std::string input = WriteFile("fan.qfn", ReadFileBytes(CliDataFile("exact.qfn")));
  const std::string before = ReadFileBytes(input);
  TCliRun run =
      RunCliArgs({"select", "--model", "E1", "--flow", "2", "--pressure", "500", "--pdf", input, input});
  EXPECT_EQ(run.Code, ecUsage);
  EXPECT_NE(run.Err.find("it is the fan data file"), std::string::npos) << run.Err;
  EXPECT_EQ(ReadFileBytes(input), before);

  // A folder.
  const std::string folder = Work().File("taken.pdf");
  std::filesystem::create_directory(folder);
  run = SelectE1({"--pdf", folder});
  EXPECT_EQ(run.Code, ecUsage);
  EXPECT_TRUE(std::filesystem::is_directory(folder));

  // A folder that is not there.
  const std::string missing = Work().File("no/such/folder/sheet.pdf");
  run = SelectE1({"--pdf", missing});
  EXPECT_EQ(run.Code, ecUsage);
  EXPECT_NE(run.Err.find("cannot write " + missing), std::string::npos) << run.Err;
  EXPECT_EQ(SplitLines(run.Out).size(), 18u);  // the selection is reported all the same
}

TEST_F(CliPdfTest, NoDocumentWithoutSomethingToShow) {
  const std::string pdf = Work().File("none.pdf");
  // No such model: no evaluation.
  TCliRun run = RunCliArgs({"select", "--model", "E9", "--flow", "2", "--pressure", "400", "--pdf", pdf,
                            CliDataFile("exact.qfn")});
  EXPECT_EQ(run.Code, ecFailure);
  EXPECT_NE(run.Err.find(pdf + " not written"), std::string::npos) << run.Err;
  EXPECT_FALSE(std::filesystem::exists(pdf));
  // A ranking in which no model meets the duty.
  run = RunCliArgs({"select", "--flow", "500", "--pressure", "50000", "--pdf", pdf, CliDataFile("exact.qfn"),
                    Sample("orvane-ax-axial.qfn")});
  EXPECT_EQ(run.Code, ecFailure);
  EXPECT_NE(run.Err.find(pdf + " not written"), std::string::npos) << run.Err;
  EXPECT_FALSE(std::filesystem::exists(pdf));
}

TEST_F(CliPdfTest, FailedSelectionStillGetsItsPage) {
  const std::string pdf = Work().File("range.pdf");
  const TCliRun run = RunCliArgs({"select", "--model", "E1", "--flow", "10", "--pressure", "400", "--pdf",
                                  pdf, CliDataFile("exact.qfn")});
  EXPECT_EQ(run.Code, ecFailure);  // the selection's own code
  EXPECT_TRUE(IsPdf(ReadFileBytes(pdf)));
}

TEST_F(CliPdfTest, UsageErrors) {
  struct {
    std::vector<std::string> Args;
    const char* Message;
  } const cases[] = {
      {{"--pdf="}, "option '--pdf' needs a file name"},
      {{"--pdf", "-", "--png", "-"}, "cannot both write to standard output"},
  };
  for (const auto& c : cases) {
    const TCliRun run = SelectE1(c.Args);
    EXPECT_EQ(run.Code, ecUsage);
    EXPECT_NE(run.Err.find(c.Message), std::string::npos) << run.Err;
    EXPECT_EQ(run.Out, "");
  }
}

TEST_F(CliPdfTest, ReproducibleWithSourceDateEpoch) {
  TEnvVar epoch("SOURCE_DATE_EPOCH");
  epoch.Set("1700000000");
  const std::string a = Work().File("a.pdf"), b = Work().File("b.pdf");
  ASSERT_EQ(SelectE1({"--pdf", a}).Code, ecSuccess);
  ASSERT_EQ(SelectE1({"--pdf", b}).Code, ecSuccess);
  EXPECT_EQ(ReadFileBytes(a), ReadFileBytes(b));
}

}  // namespace
}  // namespace blowden::test
