#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "fan/FanAir.h"
#include "fan/FanRanking.h"

namespace blowden {

class TJsonWriter;

// The pieces of a ranked selection's output that a schedule shares, so that
// a mark's figures read exactly as `select` prints them.

// A figure of the CSV output: every digit (the shortest text that reads back
// as the double), "." decimals.
std::string CliFigure(double value);

// The names of the candidate figure columns (speed, speed_margin, flow, ...)
// and one candidate's figures in `units`, formatted by CliFigure.
std::vector<std::string> CandidateFigureNames();
std::vector<std::string> CandidateFigures(const TCandidate& c, const TResultUnits& units);
// For the text tables: the columns' captions with their units ("speed
// [rpm]", "flow [cfm]") and the figures rounded as the selector shows them.
std::vector<std::string> CandidateFigureCaptions(const TResultUnits& units);
std::vector<std::string> CandidateFigureTexts(const TCandidate& c, const TResultUnits& units);

// A density (kg/m³) in the request's units (lb/ft³ with --units ip).
double CliDensityInUnits(double rho, const TCliRequest& request);

// "duty": {"flow", "pressure", "pressure_kind", "density"} in the request's units.
void WriteDutyJson(TJsonWriter& w, const TDuty& duty, const TCliRequest& request);
// "units": {"flow", "pressure", "power", "density"}.
void WriteUnitsJson(TJsonWriter& w, const TCliRequest& request);
// One candidate object: file, maker, range, model, status, verdict ("ok" or
// "warning"), duty_met, the figures (a stall margin without a pressure peak
// inside the tested flows is null), reasons (empty) and warnings.
void WriteCandidateJson(TJsonWriter& w, const TCandidate& c, const TResultUnits& units);
// One rejected object: file, model, status, verdict "rejected", reason (the
// reasons joined by "; "), reasons and warnings.
void WriteRejectedJson(TJsonWriter& w, const TRejected& r);

// The catalogues a ranking reads: each file once (a repeat is noted on `err`
// and left out), and every one that cannot be read said on `err`
// ("cannot read typo.qfn: No such file or directory"), `unreadable` then true.
// Such a file stays in the list, so that the ranking rejects it too.
std::vector<std::string> RankedFiles(const std::vector<std::string>& given, std::ostream& err,
                                     bool& unreadable);

// schedule: every mark of an equipment schedule ranked over FILEs (or every
// installed file), the best fan and two alternatives each. Its options (--csv,
// --sort, --units, --all, --pdf) are checked here; request.Options holds them.
int RunScheduleCommand(const TCliRequest& request, std::ostream& out, std::ostream& err);

}  // namespace blowden
