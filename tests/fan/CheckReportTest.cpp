#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fan/CheckReport.h"
#include "fan/FanFindings.h"
#include "fan/FindingsFold.h"
#include "numeric/Regress.h"

namespace blowden {
namespace {

// A plausible centrifugal fan of eight points on smooth curves.
TFanModel Smooth() {
  TFanModel m;
  m.Name = "T1";
  m.RefSpeed = 1000;
  m.MinSpeed = 500;
  m.MaxSpeed = 1500;
  m.Diameter = 0.8;
  m.OutletWidth = m.OutletHeight = 0.5;
  for (double q : {1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0, 4.5}) {
    m.Qa.push_back(q);
    m.Ps.push_back(1000 - 100 * (q - 2) * (q - 2));
    m.Pw.push_back(2.5 + 0.4 * q);
    m.Lw.push_back(90 + q);
  }
  m.Count = static_cast<int>(m.Qa.size());
  m.QaNom = 3;
  return m;
}

std::vector<TFinding> Check(const TFanModel& m) {
  std::vector<double> c;
  int err = 0;
  TFitStats stats;
  std::string summary;
  FitPolynomial(m.Qa, m.Ps, m.Count, 3, c, err, stats, summary);
  return CheckModelPhysics(m, 1.2, c, err);
}

int Count(const std::vector<TFinding>& f, TFindingLevel level) {
  return static_cast<int>(
      std::count_if(f.begin(), f.end(), [&](const TFinding& x) { return x.Level == level; }));
}

const TFinding* Find(const std::vector<TFinding>& f, const std::string& part) {
  const auto it = std::find_if(f.begin(), f.end(),
                               [&](const TFinding& x) { return x.Text.find(part) != std::string::npos; });
  return it == f.end() ? nullptr : &*it;
}

// One typing error is one finding: the misses it causes on the other points,
// and on its own point, fold into it.
TEST(FindingsFold, OneTypingErrorIsOneFinding) {
  struct Case {
    const char* name;
    char list;  // 's' Ps, 'w' Pw, 'l' Lw
    int point;
    double value;
    int errors, warnings;
    const char* carrier;  // the finding that carries the misses
    const char* folded;   // what it says of them
  } cases[] = {
      {"power ten times too high", 'w', 4, 38, 0, 1, "Pw fit misses the tested value by",
       "by more than 3 % because of it"},
      {"power a tenth", 'w', 3, 0.36, 2, 0, "Total efficiency", "; Pw fit misses the tested value by"},
      {"pressure digits swapped", 's', 5, 1750, 2, 0, "Total efficiency",
       "; Ps fit misses the tested value by"},
      {"sound power mistyped", 'l', 3, 72.5, 0, 1, "Lw fit misses the tested value by", "because of it"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFanModel m = Smooth();
    std::vector<double>& list = c.list == 's' ? m.Ps : c.list == 'w' ? m.Pw : m.Lw;
    list[static_cast<std::size_t>(c.point)] = c.value;
    const std::vector<TFinding> found = Check(m);
    EXPECT_EQ(Count(found, TFindingLevel::Error), c.errors);
    EXPECT_EQ(Count(found, TFindingLevel::Warning), c.warnings);
    const TFinding* carrier = Find(found, c.carrier);
    ASSERT_NE(carrier, nullptr);
    EXPECT_EQ(carrier->Point, c.point);
    EXPECT_NE(carrier->Text.find(c.folded), std::string::npos) << carrier->Text;
    for (const TFinding& f : found)
      if (f.Level != TFindingLevel::Note) {
        EXPECT_EQ(f.Point, c.point) << f.Text;
      }
  }
}

// Misses no single point explains stay, each on its point.
TEST(FindingsFold, MissesOfTwoTypingErrorsStay) {
  TFanModel m = Smooth();
  m.Pw[1] = 9;
  m.Pw[6] = 0.9 * m.Pw[6];
  const std::vector<TFinding> found = Check(m);
  EXPECT_GT(Count(found, TFindingLevel::Warning), 1);
  EXPECT_EQ(Find(found, "because of it"), nullptr);
}

TEST(FindingsFold, ASecondFindingOnAnotherQuantityIsNotFolded) {
  // An Lw miss on a point whose efficiency is implausible: two findings.
  std::vector<TFinding> findings = {
      {"T1", TFindingLevel::Warning, 2, "Total efficiency 93.0 % is above 90 %"},
      {"T1", TFindingLevel::Warning, 2, "Lw fit misses the tested value by 4.0 % (more than 3 %)"},
      {"T1", TFindingLevel::Warning, 3, "Ps fit misses the tested value by 5.0 % (more than 3 %)"},
      {"T1", TFindingLevel::Error, 3, "Shaft power 0.1 kW is below the air power 1 kW (Q × Pt): impossible"},
  };
  std::vector<TFindingTag> tags = {{ftPs | ftPw, -1}, {ftLw, 2}, {ftPs, 0}, {ftPs | ftPw, -1}};
  const std::vector<double> flows{1, 2, 3, 4}, values{1, 2, 3, 4};
  const TFoldFit fits[] = {{"Ps", ftPs, values, 3}, {"Pw", ftPw, values, 3}, {"Lw", ftLw, values, 2}};
  FoldFitMisses(flows, fits, findings, tags);
  ASSERT_EQ(findings.size(), 3u);
  EXPECT_EQ(findings[1].Text.rfind("Lw fit misses", 0), 0u);
  EXPECT_EQ(findings[2].Text,
            "Shaft power 0.1 kW is below the air power 1 kW (Q × Pt): impossible; Ps fit misses the tested "
            "value by 5.0 % (more than 3 %)");
  EXPECT_EQ(tags.size(), findings.size());
}

TFileCheck SomeCheck() {
  TFileCheck check;
  check.File = "fx.qfn";
  check.Findings = {
      {"F1", TFindingLevel::Note, -1, "Pressure peak 620 Pa at 0.500 m³/s"},
      {"F1", TFindingLevel::Note, 0, "Q 0.5 m³/s: ..."},
      {"F1", TFindingLevel::Warning, 1, "Total efficiency 93.9 % is above 90 %"},
      {"F1", TFindingLevel::Note, 1, "Q 1 m³/s: ..."},
      {"F2", TFindingLevel::Error, 0, "Total efficiency 104.0 % is above 100 %"},
      {"", TFindingLevel::Warning, -1, "Test density 1.5 kg/m³ lies outside 0.9 to 1.3 kg/m³"},
  };
  return check;
}

TEST(CheckReport, TheAnswerFirstThenErrorsWarningsAndNotes) {
  struct Case {
    const char* name;
    TFileCheck check;
    bool everyPoint;
    std::vector<std::string> lines;
  } cases[] = {
      {"notes on single points hidden",
       SomeCheck(),
       false,
       {"1 error, 2 warnings, 3 notes", "2 notes on single points not shown (hint)", "",
        "FX (F2)  point 1: error: Total efficiency 104.0 % is above 100 %",
        "FX (F1)  point 2: warning: Total efficiency 93.9 % is above 90 %",
        "warning: Test density 1.5 kg/m³ lies outside 0.9 to 1.3 kg/m³",
        "FX (F1)  note: Pressure peak 620 Pa at 0.500 m³/s"}},
      {"every point",
       SomeCheck(),
       true,
       {"1 error, 2 warnings, 3 notes", "",
        "FX (F2)  point 1: error: Total efficiency 104.0 % is above 100 %",
        "FX (F1)  point 2: warning: Total efficiency 93.9 % is above 90 %",
        "warning: Test density 1.5 kg/m³ lies outside 0.9 to 1.3 kg/m³",
        "FX (F1)  note: Pressure peak 620 Pa at 0.500 m³/s", "FX (F1)  point 1: note: Q 0.5 m³/s: ...",
        "FX (F1)  point 2: note: Q 1 m³/s: ..."}},
      {"nothing found", TFileCheck(), false, {"0 errors, 0 warnings, 0 notes"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<TReportLine> report = CheckReport(c.check, "FX", c.everyPoint, "hint");
    EXPECT_EQ(ReportTexts(report), c.lines);
    EXPECT_EQ(report.front().Style,
              c.check.Errors() > 0 ? TReportStyle::ErrorSummary : TReportStyle::Summary);
    for (const TReportLine& line : report) {
      const bool error = line.Text.find(": error: ") != std::string::npos;
      const bool warning =
          line.Text.find(": warning: ") != std::string::npos || line.Text.rfind("warning:", 0) == 0;
      if (error) {
        EXPECT_EQ(line.Style, TReportStyle::Error) << line.Text;
      }
      if (warning) {
        EXPECT_EQ(line.Style, TReportStyle::Warning) << line.Text;
      }
    }
  }
}

TEST(CheckReport, InstallRefusalNamesTheErrorsAndWhoFindsThem) {
  const std::string verify = "FX (F400)  Too few volume data points (must be more than 5)";
  const std::string check = "FX (F400)  point 2: check error: Total efficiency 104.0 % is above 100 %";
  struct Case {
    std::vector<std::string> errors;
    const char* count;
  } cases[] = {
      {{verify}, "1 error, found by Verify Fan: the file is not installed"},
      {{check, check}, "2 errors, found by Check Fan: the file is not installed"},
      {{verify, verify, check},
       "3 errors (2 found by Verify Fan, 1 by Check Fan): the file is not installed"},
  };
  for (const Case& c : cases) {
    const std::vector<TReportLine> report = InstallRefusalReport(c.errors);
    std::vector<std::string> expected = {"", "There are errors in this fan data file",
                                         "Please VERIFY before installing...", c.count, ""};
    expected.insert(expected.end(), c.errors.begin(), c.errors.end());
    EXPECT_EQ(ReportTexts(report), expected);
    for (std::size_t i = 5; i < report.size(); ++i) EXPECT_EQ(report[i].Style, TReportStyle::Error);
  }
}

}  // namespace
}  // namespace blowden
