#include <gtest/gtest.h>

#include <QDate>
#include <QFileInfo>
#include <filesystem>
#include <regex>

#include "ReportTestSupport.h"
#include "base/Format.h"
#include "report/DatasheetLayout.h"
#include "support/TestSupport.h"

namespace blowden::test {
namespace {

std::string CliData(const char* name) {
  return (blowden::test::SourceDir() / "tests/cli/data" / name).string();
}
std::string Sample(const char* name) { return (SamplesDir() / name).string(); }

#define REQUIRE_TOOL(var, name)    \
  const auto var = FindTool(name); \
  if (!var) GTEST_SKIP() << name " (poppler-utils) is not installed: scripts/deps.sh installs it"

// The page's text as pdftotext lays it out, white space squeezed.
std::string PdfText(const std::string& tool, const std::string& pdf) {
  return Squeezed(RunCommand(tool + " -layout '" + pdf + "' -"));
}

// ---------------------------------------------------------------- every figure on the page

struct TContentCase {
  const char* Name;
  std::string File;
  const char* Model;
  TDuty Duty;
  TResultUnits Units;
  int Warnings;  // at least this many warnings (a status text counts)
};

TDuty Duty(double flow, double pressure, TPressureKind kind = TPressureKind::Static, TSiteAir air = {}) {
  return TDuty{flow, pressure, kind, air};
}

TSiteAir Altitude(double metres, double celsius) {
  TSiteAir air;
  air.Source = TSiteAir::saAltitudeTemperature;
  air.Altitude = metres;
  air.Temperature = celsius;
  return air;
}

TSiteAir Density(double rho) {
  TSiteAir air;
  air.Source = TSiteAir::saDensity;
  air.Density = rho;
  return air;
}

class DatasheetContentTest : public ::testing::TestWithParam<TContentCase> {};

TEST_P(DatasheetContentTest, ShowsTheModelDutyEveryFigureAndEveryWarning) {
  REQUIRE_TOOL(pdftotext, "pdftotext");
  const TContentCase& c = GetParam();
  TEnvVar epoch("SOURCE_DATE_EPOCH");
  epoch.Set("1700000000");
  const TDatasheet d = SampleDatasheet(c.File, c.Model, c.Duty, c.Units);
  TTempDir dir;
  const std::string pdf = WritePdf({d}, dir.Path().string(), "sheet.pdf");
  ASSERT_FALSE(pdf.empty());
  const std::string text = PdfText(*pdftotext, pdf);

  for (const std::string& expected :
       {d.Model, d.Header.Maker, d.Header.Range, d.Header.Version, d.Sha256, d.Program,
        std::string("2023-11-14"), QFileInfo(QString::fromStdString(c.File)).fileName().toStdString(),
        std::string("Page 1 of 1"),
        // The charts' captions, read back letter for letter (no ligatures).
        std::string("Airflow ["), std::string("Static pressure ["), std::string("Shaft power ["),
        std::string("Total efficiency [%]")})
    EXPECT_NE(text.find(expected), std::string::npos) << c.Name << ": " << expected << "\n" << text;
  EXPECT_EQ(d.Sha256.size(), 64u);

  // The duty, the model, the nine lines, the extras and the margins: value
  // and unit side by side, and the label.
  std::vector<TDatasheetRow> rows = DutyRows(d);
  for (const auto& more : {ModelRows(d), ResultRows(d)}) rows.insert(rows.end(), more.begin(), more.end());
  ASSERT_GE(rows.size(), d.Result.Status == 0 ? 6u + 4u + 9u + 4u + 3u : 6u + 4u + 1u);
  for (const TDatasheetRow& row : rows) {
    EXPECT_NE(text.find(Squeezed(row.Label)), std::string::npos) << c.Name << ": " << row.Label;
    const std::string figure = Squeezed(row.Value + " " + row.Unit);
    EXPECT_NE(text.find(figure), std::string::npos) << c.Name << ": " << row.Label << " '" << figure << "'";
  }
  // The selector's own lines, figure by figure.
  for (const std::string& line : d.Result.Lines) {
    const auto tab = line.find('\t');
    const std::string value =
        tab == std::string::npos ? line : line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1);
    EXPECT_NE(text.find(value), std::string::npos) << c.Name << ": " << line;
  }
  const std::vector<std::string> warnings = WarningItems(d);
  EXPECT_GE(static_cast<int>(warnings.size()), c.Warnings) << c.Name;
  for (const std::string& warning : warnings)
    EXPECT_NE(text.find(Squeezed(warning)), std::string::npos) << c.Name << ": " << warning << "\n" << text;
  if (warnings.empty()) {
    EXPECT_NE(text.find("No warnings"), std::string::npos);
  } else {
    EXPECT_NE(
        text.find(warnings.size() == 1 ? "Warning" : "Warnings (" + std::to_string(warnings.size()) + ")"),
        std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Selections, DatasheetContentTest,
    ::testing::Values(
        TContentCase{"ExactSi", CliData("exact.qfn"), "E1", Duty(2, 500), TResultUnits(), 0},
        TContentCase{"AxialNotMet", Sample("orvane-ax-axial.qfn"), "AX800", Duty(2, 600), TResultUnits(), 2},
        TContentCase{"AxialIpAtAltitude", Sample("orvane-ax-axial.qfn"), "AX800",
                     Duty(2, 600, TPressureKind::Static, Altitude(1500, 30)), TResultUnits::IP(), 1},
        TContentCase{"ExactOutOfRange", CliData("exact.qfn"), "E1", Duty(10, 400), TResultUnits(), 2},
        TContentCase{"MixedTotalDensity", Sample("orvane-md-mixed.qfn"), "MD400",
                     Duty(1.2, 300, TPressureKind::Total, Density(1.1)), TResultUnits(), 0}),
    [](const ::testing::TestParamInfo<TContentCase>& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- reproducible, vectors, inside the page

TEST(DatasheetPdf, SameBytesWithSourceDateEpoch) {
  TEnvVar epoch("SOURCE_DATE_EPOCH");
  epoch.Set("1700000000");
  const TDatasheet d = SampleDatasheet(CliData("exact.qfn"), "E1", Duty(2, 500));
  EXPECT_EQ(d.Date, "2023-11-14");
  std::string first, second, later;
  ASSERT_EQ(DatasheetPdf({d}, first), "");
  ASSERT_EQ(DatasheetPdf({d}, second), "");
  EXPECT_EQ(first, second);
  EXPECT_EQ(first.rfind("%PDF-", 0), 0u);
  EXPECT_NE(first.find("(D:20231114221320"), std::string::npos);
  // Another time: another document (its date and id), the same length.
  epoch.Set("1700086400");
  ASSERT_EQ(DatasheetPdf({d}, later), "");
  EXPECT_NE(later, first);
  EXPECT_EQ(later.size(), first.size());

  if (const auto pdfinfo = FindTool("pdfinfo")) {
    TTempDir dir;
    const std::string path = WritePdf({d}, dir.Path().string(), "a.pdf");
    int code = -1;
    const std::string info = RunCommand(*pdfinfo + " '" + path + "' 2>&1", &code);
    EXPECT_EQ(code, 0) << info;
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
    EXPECT_NE(info.find("2023"), std::string::npos) << info;
  }
  if (const auto qpdf = FindTool("qpdf")) {
    TTempDir dir;
    const std::string path = WritePdf({d}, dir.Path().string(), "b.pdf");
    int code = -1;
    const std::string check = RunCommand(*qpdf + " --check '" + path + "' 2>&1", &code);
    EXPECT_EQ(code, 0) << check;  // the stamped cross references are still right
  }
}

TEST(DatasheetPdf, TodayWithoutSourceDateEpoch) {
  TEnvVar epoch("SOURCE_DATE_EPOCH");
  epoch.Unset();
  const TDatasheet d = SampleDatasheet(CliData("exact.qfn"), "E1", Duty(2, 500));
  EXPECT_EQ(d.Date, QDate::currentDate().toString(Qt::ISODate).toStdString());
}

TEST(DatasheetPdf, ChartsAreVectorsNotPictures) {
  REQUIRE_TOOL(pdfimages, "pdfimages");
  const TDatasheet d = SampleDatasheet(Sample("orvane-ax-axial.qfn"), "AX800", Duty(2, 600));
  TTempDir dir;
  const std::string pdf = WritePdf({d, d}, dir.Path().string(), "v.pdf");
  int code = -1;
  const std::string list = RunCommand(*pdfimages + " -list '" + pdf + "'", &code);
  EXPECT_EQ(code, 0);
  // The header and its rule, no image.
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2) << list;
  EXPECT_EQ(ReadFileBytes(pdf).find("/Subtype /Image"), std::string::npos);
}

// Every word pdftotext finds lies within the page's margins: nothing runs
// off the paper, however much the page has to hold.
void ExpectInsideThePage(const std::string& pdftotext, const std::string& pdf) {
  const std::string html = RunCommand(pdftotext + " -bbox '" + pdf + "' -");
  const std::regex page(R"re(<page width="([0-9.]+)" height="([0-9.]+)">)re");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(html, m, page)) << html.substr(0, 500);
  const double width = std::stod(m[1]), height = std::stod(m[2]);
  const double margin = 12 / 25.4 * 72 - 2;  // the 12 mm margins, less a little for glyph sides
  const std::regex word(
      R"re(<word xMin="([0-9.-]+)" yMin="([0-9.-]+)" xMax="([0-9.-]+)" yMax="([0-9.-]+)">([^<]*)</word>)re");
  int words = 0;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), word); it != std::sregex_iterator(); ++it) {
    const std::smatch& w = *it;
    ++words;
    EXPECT_GE(std::stod(w[1]), margin) << w[5];
    EXPECT_GE(std::stod(w[2]), margin - 4) << w[5];
    EXPECT_LE(std::stod(w[3]), width - margin) << w[5];
    EXPECT_LE(std::stod(w[4]), height - margin + 4) << w[5];
  }
  EXPECT_GT(words, 100);
}

TEST(DatasheetPdf, ManyWarningsAllShownOnThePage) {
  REQUIRE_TOOL(pdftotext, "pdftotext");
  TDatasheet d = SampleDatasheet(Sample("orvane-ax-axial.qfn"), "AX800", Duty(2, 600));
  for (int i = 1; i <= 24; ++i)
    d.Result.Warnings.push_back("Check number " + std::to_string(i) + " of the inlet");
  TTempDir dir;
  const std::string pdf = WritePdf({d}, dir.Path().string(), "w.pdf");
  // In reading order: the block's two columns one after the other.
  const std::string text = Squeezed(RunCommand(*pdftotext + " '" + pdf + "' -"));
  for (const std::string& warning : WarningItems(d))
    EXPECT_NE(text.find(warning), std::string::npos) << warning << "\n" << text;
  // The 24 added to what the verdict says of the selection itself.
  EXPECT_GE(WarningItems(d).size(), 24U);
  EXPECT_NE(text.find("Warnings (" + std::to_string(WarningItems(d).size()) + ")"), std::string::npos);
  EXPECT_EQ(text.find("not shown"), std::string::npos);
  ExpectInsideThePage(*pdftotext, pdf);
}

TEST(DatasheetPdf, OverfullPageStaysOnThePaperAndSaysWhatIsLeftOut) {
  REQUIRE_TOOL(pdftotext, "pdftotext");
  TDatasheet d = SampleDatasheet(Sample("orvane-ax-axial.qfn"), "AX800", Duty(2, 600));
  for (int i = 1; i <= 300; ++i)
    d.Result.Warnings.push_back("A long warning, number " + std::to_string(i) +
                                ", that wraps over more than one line of the block at every size it tries");
  for (int i = 0; i < 400; ++i) {
    d.DataFlow.push_back(1 + i * 0.01);
    d.DataPressure.push_back(500 - i);
    d.DataPower.push_back(2 + i * 0.001);
    d.DataSound.push_back(80);
  }
  d.File = "/a/very/long/folder/name/that/goes/on/" + std::string(300, 'x') + "/catalogue.qfn";
  d.Header.Description = std::string(400, 'D');
  TTempDir dir;
  const std::string pdf = WritePdf({d}, dir.Path().string(), "o.pdf");
  const std::string text = PdfText(*pdftotext, pdf);
  EXPECT_NE(text.find("more not shown here"), std::string::npos) << text;
  EXPECT_NE(text.find("more rows not shown"), std::string::npos) << text;
  EXPECT_NE(text.find("catalogue.qfn"), std::string::npos);  // elided in the middle, the name kept
  ExpectInsideThePage(*pdftotext, pdf);
}

TEST(DatasheetPdf, OnePagePerSheetNumbered) {
  REQUIRE_TOOL(pdftotext, "pdftotext");
  std::vector<TDatasheet> pages;
  for (const char* model : {"AX500", "AX630", "AX800"})
    pages.push_back(SampleDatasheet(Sample("orvane-ax-axial.qfn"), model, Duty(2, 300)));
  pages[1].Mark = "EF-7";  // a schedule's page names its mark
  TTempDir dir;
  const std::string pdf = WritePdf(pages, dir.Path().string(), "m.pdf");
  const std::string text = RunCommand(*pdftotext + " -layout '" + pdf + "' -");
  // Pages are separated by form feeds; each names its model and place.
  std::vector<std::string> sheets;
  std::size_t from = 0;
  for (std::size_t ff = text.find('\f'); ff != std::string::npos; ff = text.find('\f', from)) {
    sheets.push_back(Squeezed(text.substr(from, ff - from)));
    from = ff + 1;
  }
  // A summary page first: one row per sheet with its model.
  ASSERT_EQ(sheets.size(), 4u);
  EXPECT_NE(sheets[0].find("Page 1 of 4"), std::string::npos);
  for (const TDatasheet& page : pages) EXPECT_NE(sheets[0].find(page.Model), std::string::npos);
  EXPECT_NE(sheets[0].find("EF-7"), std::string::npos);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NE(sheets[i + 1].find(pages[i].Model), std::string::npos);
    EXPECT_NE(sheets[i + 1].find("Page " + std::to_string(i + 2) + " of 4"), std::string::npos);
    EXPECT_EQ(sheets[i + 1].find("MARK EF-7") != std::string::npos, i == 1) << sheets[i + 1];
  }
}

TEST(DatasheetPdf, SubmittalInOneSystemOfUnitsWithoutTheFolder) {
  REQUIRE_TOOL(pdftotext, "pdftotext");
  const std::string file = Sample("orvane-bc-centrifugal.qfn");
  for (const bool ip : {false, true}) {
    SCOPED_TRACE(ip ? "IP" : "SI");
    TDatasheet d = SampleDatasheet(file, "BC450", Duty(2, 600), ip ? TResultUnits::IP() : TResultUnits());
    d.Project = "Riverside Clinic";
    d.Mark = "EF-3";
    d.Quantity = 2;
    TTempDir dir;
    const std::string text = Squeezed(PdfText(*pdftotext, WritePdf({d}, dir.Path().string(), "s.pdf")));
    const TEnergyFigures& e = d.Result.Energy;
    ASSERT_TRUE(e.Known);
    for (const std::string& expected :
         {std::string("Riverside Clinic"), std::string("EF-3"), std::string("Quantity 2"),
          "FEI (total pressure) " + Format("%0.2f", {e.Fei}), std::string("Motor rating"),
          std::string("Electrical power"), std::string("Tip speed"), std::string("Outlet velocity"),
          std::string("Sound power level Lw")})
      EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    // Every figure in the chosen system; the catalogue by its name, never its folder.
    const std::vector<std::string> own =
        ip ? std::vector<std::string>{" cfm", " in. wg", " hp", " lb/ft³", " in ", " ft/min"}
           : std::vector<std::string>{" m³/s", " Pa", " kW", " kg/m³", " mm", " m/s"};
    const std::vector<std::string> other =
        ip ? std::vector<std::string>{" m³/s", " Pa ", " kW", " kg/m³", " mm "}
           : std::vector<std::string>{" cfm", "in. wg", " hp", "lb/ft³", "InchWg"};
    for (const std::string& unit : own) EXPECT_NE(text.find(unit), std::string::npos) << unit;
    for (const std::string& unit : other)
      EXPECT_EQ(text.find(unit), std::string::npos) << unit << "\n" << text;
    EXPECT_EQ(text.find("dB(a)"), std::string::npos);
    EXPECT_EQ(text.find(std::filesystem::path(file).parent_path().string()), std::string::npos);
    EXPECT_NE(text.find("orvane-bc-centrifugal.qfn"), std::string::npos);
  }
}

TEST(DatasheetPdf, NothingToWrite) {
  std::string pdf;
  EXPECT_NE(DatasheetPdf({}, pdf), "");
  EXPECT_TRUE(pdf.empty());
}

}  // namespace
}  // namespace blowden::test
