#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fan/FanFindings.h"

namespace blowden {

// How a line of a report is shown: the window colours errors and warnings
// and sets the summary in bold, in the error colour when it counts errors.
enum class TReportStyle { Plain, Summary, ErrorSummary, Error, Warning, Note };

struct TReportLine {
  TReportStyle Style = TReportStyle::Plain;
  std::string Text;
};

// "2 errors, 1 warning, 110 notes"
std::string CheckSummary(const TFileCheck& check);

// The findings of a check as "Check Fan" and `blowden-cli check` report
// them, the answer first:
//   2 errors, 1 warning, 35 notes
//   30 notes on single points not shown (--verbose shows them)
//   (empty line)
//   FX (F400)  point 2: error: ...          every error, file order
//   FX (F400)  point 5: warning: ...        every warning
//   FX (F400)  note: Pressure peak ...      notes on a model or the file
//   FX (F400)  point 1: note: Q 0.5 ...     notes on single points, with everyPoint only
// Each finding line reads as CheckReportLines writes it. `hiddenHint` ends
// the second line, which is left out when nothing is hidden.
std::vector<TReportLine> CheckReport(const TFileCheck& check, std::string_view range, bool everyPoint,
                                     std::string_view hiddenHint);

// The report of an install refused for `errors`: the verification's lines,
// then the physics check's ("FX (F400)  point 2: check error: ..."). The
// answer first, then every error line:
//   (empty line)
//   There are errors in this fan data file
//   Please VERIFY before installing...
//   3 errors (2 found by Verify Fan, 1 by Check Fan): the file is not installed
//   (empty line)
//   FX (F400)  Too few volume data points (must be more than 5)
//   ...
std::vector<TReportLine> InstallRefusalReport(const std::vector<std::string>& errors);

// The texts of a report's lines.
std::vector<std::string> ReportTexts(const std::vector<TReportLine>& lines);

}  // namespace blowden
