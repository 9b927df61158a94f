#include "fan/CheckReport.h"

#include <algorithm>

#include "base/Format.h"

namespace blowden {

namespace {

std::string Counted(int n, const char* what) { return Format("%d %s%s", {n, what, n == 1 ? "" : "s"}); }

bool OnAPoint(const TFinding& f) { return f.Level == TFindingLevel::Note && f.Point >= 0; }

std::string FindingLine(const TFinding& f, std::string_view range) {
  std::string line = f.Model.empty() ? std::string() : std::string(range) + " (" + f.Model + ")  ";
  if (f.Point >= 0) line += Format("point %d: ", {f.Point + 1});
  return line + std::string(FindingLevelName(f.Level)) + ": " + f.Text;
}

}  // namespace

std::string CheckSummary(const TFileCheck& check) {
  const int notes = static_cast<int>(check.Findings.size()) - check.Errors() - check.Warnings();
  return Counted(check.Errors(), "error") + ", " + Counted(check.Warnings(), "warning") + ", " +
         Counted(notes, "note");
}

std::vector<TReportLine> CheckReport(const TFileCheck& check, std::string_view range, bool everyPoint,
                                     std::string_view hiddenHint) {
  std::vector<TReportLine> lines;
  lines.push_back(
      {check.Errors() > 0 ? TReportStyle::ErrorSummary : TReportStyle::Summary, CheckSummary(check)});
  const int hidden = everyPoint
                         ? 0
                         : static_cast<int>(std::count_if(check.Findings.begin(), check.Findings.end(),
                                                          [](const TFinding& f) { return OnAPoint(f); }));
  if (hidden > 0)
    lines.push_back({TReportStyle::Plain, Counted(hidden, "note") + " on single points not shown (" +
                                              std::string(hiddenHint) + ")"});
  if (static_cast<int>(check.Findings.size()) > hidden) lines.push_back({TReportStyle::Plain, std::string()});
  const auto add = [&](TFindingLevel level, TReportStyle style, bool pointNotes) {
    for (const TFinding& f : check.Findings)
      if (f.Level == level && OnAPoint(f) == pointNotes) lines.push_back({style, FindingLine(f, range)});
  };
  add(TFindingLevel::Error, TReportStyle::Error, false);
  add(TFindingLevel::Warning, TReportStyle::Warning, false);
  add(TFindingLevel::Note, TReportStyle::Note, false);
  if (everyPoint) add(TFindingLevel::Note, TReportStyle::Note, true);
  return lines;
}

std::vector<TReportLine> InstallRefusalReport(const std::vector<std::string>& errors) {
  const int all = static_cast<int>(errors.size());
  const int checked = static_cast<int>(std::count_if(errors.begin(), errors.end(), [](const std::string& e) {
    return e.find("check error: ") != std::string::npos;
  }));
  std::string count = Counted(all, "error");
  if (checked == 0)
    count += ", found by Verify Fan";
  else if (checked == all)
    count += ", found by Check Fan";
  else
    count += Format(" (%d found by Verify Fan, %d by Check Fan)", {all - checked, checked});
  std::vector<TReportLine> lines = {
      {TReportStyle::Plain, std::string()},
      {TReportStyle::Error, "There are errors in this fan data file"},
      {TReportStyle::Error, "Please VERIFY before installing..."},
      {TReportStyle::ErrorSummary, count + ": the file is not installed"},
      {TReportStyle::Plain, std::string()},
  };
  for (const std::string& e : errors) lines.push_back({TReportStyle::Error, e});
  return lines;
}

std::vector<std::string> ReportTexts(const std::vector<TReportLine>& lines) {
  std::vector<std::string> texts;
  texts.reserve(lines.size());
  for (const TReportLine& line : lines) texts.push_back(line.Text);
  return texts;
}

}  // namespace blowden
