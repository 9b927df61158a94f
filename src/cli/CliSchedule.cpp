// `schedule`: an equipment schedule of many duties, each ranked over the same
// catalogues as `select` ranks one, with the best fan and two alternatives per
// mark, as text, JSON or CSV, and optionally a datasheet PDF of the best fans.
#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <set>
#include <string_view>
#include <type_traits>
#include <variant>

#include "base/Csv.h"
#include "base/Format.h"
#include "base/TextTable.h"
#include "cli/Cli.h"
#include "cli/CliCommands.h"
#include "cli/CliSelection.h"
#include "cli/JsonWriter.h"
#include "cli/TerminalText.h"
#include "fan/FanSchedule.h"
#include "fan/FigureText.h"
#include "services/SafeWrite.h"

namespace blowden {

namespace {

constexpr std::string_view kProgram = "blowden-cli";

// The schedule and the catalogues: the last operand and the ones before it.
struct TScheduleOptions {
  std::vector<std::string> Files;
  std::string Schedule;
};

std::optional<std::string> ParseScheduleOperands(const TCliRequest& request, TScheduleOptions& options) {
  if (request.Operands.empty()) return std::string("the schedule file is missing");
  options.Schedule = request.Operands.back();
  options.Files.assign(request.Operands.begin(), request.Operands.end() - 1);
  if (request.All && !options.Files.empty()) return std::string("give either FILEs or '--all', not both");
  if (!request.All && options.Files.empty())
    return std::string(
        "a fan data file is missing before the schedule (or '--all' for every installed file)");
  return std::nullopt;
}

// A row of the schedule in file order: ranked, or not usable.
using TMarkEntry = std::variant<const TScheduleEntry*, const TScheduleProblem*>;

std::vector<TMarkEntry> InFileOrder(const std::vector<TScheduleEntry>& entries,
                                    const std::vector<TScheduleProblem>& problems) {
  std::vector<TMarkEntry> all;
  all.reserve(entries.size() + problems.size());
  for (const TScheduleEntry& e : entries) all.emplace_back(&e);
  for (const TScheduleProblem& p : problems) all.emplace_back(&p);
  const auto line = [](const TMarkEntry& m) {
    return std::visit(
        [](const auto* p) -> int {
          if constexpr (std::is_same_v<decltype(p), const TScheduleEntry*>)
            return p->Row.Line;
          else
            return p->Line;
        },
        m);
  };
  std::stable_sort(all.begin(), all.end(),
                   [&](const TMarkEntry& a, const TMarkEntry& b) { return line(a) < line(b); });
  return all;
}

void WriteJson(const std::vector<TMarkEntry>& marks, const TCliRequest& request, std::ostream& out) {
  TJsonWriter w(out);
  w.BeginArray();
  for (const TMarkEntry& m : marks) {
    w.BeginObject();
    if (const auto* const* entry = std::get_if<const TScheduleEntry*>(&m)) {
      const TScheduleEntry& e = **entry;
      w.Field("mark", e.Row.Mark);
      w.Field("line", e.Row.Line);
      w.Field("quantity", e.Row.Quantity);
      WriteDutyJson(w, e.Row.Duty, request);
      WriteUnitsJson(w, request);
      w.Field("sort", RankKeyName(request.Sort));
      if (request.Sort == TRankKey::Sound) w.Field("sort_level", e.SoundLevel);
      w.Key("candidates");
      w.BeginArray();
      for (const TCandidate& c : e.Candidates) WriteCandidateJson(w, c, request.Units);
      w.EndArray();
      w.Key("rejected");
      w.BeginArray();
      for (const TRejected& r : e.Rejected) WriteRejectedJson(w, r);
      w.EndArray();
      w.Key("reason");
      if (e.Reason.empty())
        w.Null();
      else
        w.String(e.Reason);
      w.Key("error");
      w.Null();
      w.Key("messages");
      w.StringArray(e.Messages);
    } else {
      const TScheduleProblem& p = *std::get<const TScheduleProblem*>(m);
      w.Key("mark");
      if (p.Mark.empty())
        w.Null();
      else
        w.String(p.Mark);
      w.Field("line", p.Line);
      w.Key("duty");
      w.Null();
      WriteUnitsJson(w, request);
      w.Field("sort", RankKeyName(request.Sort));
      w.Key("candidates");
      w.BeginArray();
      w.EndArray();
      w.Key("rejected");
      w.BeginArray();
      w.EndArray();
      w.Key("reason");
      w.Null();
      w.Field("error", p.Text);
      w.Key("messages");
      w.StringArray({});
    }
    w.EndObject();
  }
  w.EndArray();
  w.Finish();
}

// CSV goes out unfiltered to keep its CRLF: what files and names hold is made
// harmless for a terminal and for a spreadsheet field by field.
std::vector<std::string> SafeFields(std::vector<std::string> fields) {
  for (std::string& f : fields) f = SpreadsheetText(TerminalText(f));
  return fields;
}

void WriteCsv(const std::vector<TMarkEntry>& marks, const TCliRequest& request, std::ostream& out) {
  std::vector<std::string> header = {"mark",         "line", "duty_flow", "duty_pressure", "pressure_kind",
                                     "duty_density", "file", "maker",     "range",         "model"};
  const std::vector<std::string> figureNames = CandidateFigureNames();
  header.insert(header.end(), figureNames.begin(), figureNames.end());
  for (const char* name :
       {"warnings", "alt1_file", "alt1_model", "alt2_file", "alt2_model", "reason", "error"})
    header.emplace_back(name);
  out << CsvRecord(SafeFields(header));
  for (const TMarkEntry& m : marks) {
    std::vector<std::string> row;
    if (const auto* const* entry = std::get_if<const TScheduleEntry*>(&m)) {
      const TScheduleEntry& e = **entry;
      const TDuty& d = e.Row.Duty;
      row = {e.Row.Mark,
             std::to_string(e.Row.Line),
             CliFigure(FlowInUnits(d.Flow, request.Units)),
             CliFigure(PressureInUnits(d.Pressure, request.Units)),
             PressureKindName(d.Kind),
             d.Air.Source == TSiteAir::saCatalogue
                 ? std::string()
                 : CliFigure(CliDensityInUnits(SiteDensity(d.Air, 0), request))};
      if (e.Candidates.empty()) {
        row.resize(row.size() + 4 + figureNames.size() + 5);
      } else {
        const TCandidate& best = e.Candidates.front();
        for (const std::string* s : {&best.File.str(), &best.Maker, &best.Range, &best.Model})
          row.push_back(*s);
        for (std::string& f : CandidateFigures(best, request.Units)) row.push_back(std::move(f));
        std::string warnings;
        for (const std::string& warning : best.Warnings())
          warnings += (warnings.empty() ? "" : "; ") + warning;
        row.push_back(warnings);
        for (std::size_t i = 1; i < kScheduleCandidates; ++i) {
          row.push_back(i < e.Candidates.size() ? e.Candidates[i].File.str() : std::string());
          row.push_back(i < e.Candidates.size() ? e.Candidates[i].Model : std::string());
        }
      }
      row.push_back(e.Reason);
      row.emplace_back();
    } else {
      const TScheduleProblem& p = *std::get<const TScheduleProblem*>(m);
      row = {p.Mark, std::to_string(p.Line)};
      row.resize(header.size() - 1);
      row.push_back(p.Text);
    }
    out << CsvRecord(SafeFields(std::move(row)));
  }
}

void WriteText(const std::vector<TMarkEntry>& marks, const TCliRequest& request, std::ostream& out) {
  const TResultUnits& u = request.Units;
  // Files by name, with folders only where two names are alike.
  std::vector<std::string> paths;
  for (const TMarkEntry& m : marks)
    if (const auto* const* entry = std::get_if<const TScheduleEntry*>(&m))
      for (const TCandidate& c : (*entry)->Candidates) paths.push_back(c.File);
  const std::vector<std::string> names = ShortFileNames(paths);
  std::size_t next = 0;

  std::vector<std::vector<std::string>> table;
  table.push_back({"mark", FigureCaption("flow", u), "pressure [" + std::string(PressureUnitLabel(u)) + "]",
                   "kind", "model", "file", FigureCaption("speed", u), FigureCaption("shaft_power", u),
                   FigureCaption("efficiency", u), FigureCaption("sound_power", u),
                   "alternatives / why no fan"});
  for (const TMarkEntry& m : marks) {
    if (const auto* const* entry = std::get_if<const TScheduleEntry*>(&m)) {
      const TScheduleEntry& e = **entry;
      std::vector<std::string> row = {
          e.Row.Mark, FigureText("flow", FlowInUnits(e.Row.Duty.Flow, u), u),
          FigureText("static_pressure", PressureInUnits(e.Row.Duty.Pressure, u), u),
          PressureKindName(e.Row.Duty.Kind)};
      if (e.Candidates.empty()) {
        row.insert(row.end(), {"-", "-", "-", "-", "-", "-", e.Reason});
      } else {
        const TCandidate& best = e.Candidates.front();
        const std::string& bestName = names[next];
        std::string alternatives;
        for (std::size_t i = 1; i < e.Candidates.size(); ++i) {
          const TCandidate& c = e.Candidates[i];
          alternatives += (i > 1 ? ", " : "") + c.Model;
          if (c.File != best.File) alternatives += " (" + names[next + i] + ")";
        }
        next += e.Candidates.size();
        row.insert(row.end(), {best.Model, bestName, FigureText("speed", best.Speed, u),
                               FigureText("shaft_power", PowerInUnits(best.ShaftPower, u), u),
                               FigureText("efficiency", best.Efficiency, u),
                               FigureText("sound_power", best.SoundPower, u),
                               alternatives.empty() ? "-" : alternatives});
      }
      table.push_back(std::move(row));
    } else {
      const TScheduleProblem& p = *std::get<const TScheduleProblem*>(m);
      table.push_back({p.Mark.empty() ? "-" : p.Mark, "-", "-", "-", "-", "-", "-", "-", "-", "-",
                       Format("line %d: %s", {p.Line, p.Text})});
    }
  }
  // Figures on the right; one line per mark (a line break or tab in a mark
  // or file name is a blank there, a huge mark is cut).
  out << AlignedTable(std::move(table),
                      {false, true, true, false, false, false, true, true, true, true, false});
}

// Whether two paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace

int RunScheduleCommand(const TCliRequest& request, std::ostream& out, std::ostream& err) {
  TScheduleOptions options;
  if (const auto error = ParseScheduleOperands(request, options)) return UsageMessage(err, *error);

  std::vector<std::string> files = options.Files;
  bool unreadable = false;
  if (!request.All) files = RankedFiles(options.Files, err, unreadable);
  if (request.All) {
    const std::string folder = CliDatabaseFolder();
    if (folder.empty()) {
      err << kProgram << ": no database folder: neither XDG_DATA_HOME nor HOME is set\n";
      return ecUsage;
    }
    std::string error;
    files = InstalledPaths(folder, &error);
    if (!error.empty()) {
      err << kProgram << ": cannot list the database folder " << folder << ": " << error << '\n';
      return ecUsage;
    }
  }

  // Said before the ranking, which may take a while.
  if (request.Pdf && SameFile(*request.Pdf, options.Schedule)) {
    err << kProgram << ": " << *request.Pdf << " not written: it is the schedule\n";
    return ecUsage;
  }
  if (OutputsRefused(request, files, err)) return ecUsage;

  CliCurrentFile() = options.Schedule;
  std::string text;
  if (std::string why = ReadWholeFile(options.Schedule, text); !why.empty()) {
    err << kProgram << ": cannot read " << options.Schedule << ": " << why << '\n';
    return ecUsage;
  }
  CliCurrentFile().clear();
  TSchedule schedule;
  if (std::string error; !ParseSchedule(text, schedule, error)) {
    err << kProgram << ": " << options.Schedule << ": " << error << '\n';
    return ecUsage;
  }

  // --tolerance applies to every mark's duty.
  for (TScheduleRow& row : schedule.Rows) {
    row.Duty.Tolerance = request.Tolerance;
    row.Duty.Energy = request.Energy;
    // --distance and --directivity likewise.
    row.Duty.Listener = request.Listener;
  }
  const std::vector<TScheduleEntry> entries = RunSchedule(files, schedule, request.Sort);

  // Everything is computed: now the reports, each complete or not at all.
  int code = ecSuccess;
  for (const TScheduleProblem& p : schedule.Problems) {
    err << kProgram << ": " << options.Schedule << ':' << p.Line << ": " << p.Text << '\n';
    code = ecFailure;
  }
  std::set<std::string> said;
  for (const TScheduleEntry& e : entries) {
    if (e.Candidates.empty()) code = ecFailure;
    if (request.Json) continue;  // in each entry's "messages"
    for (const std::string& m : e.Messages)
      if (said.insert(m).second) err << kProgram << ": " << m << '\n';
  }

  const bool pdfToOut = request.Pdf && *request.Pdf == "-";
  std::ostream& report = pdfToOut ? err : out;
  if (request.Pdf) {
    std::vector<TDatasheetPage> pages;
    for (const TScheduleEntry& e : entries)
      if (!e.Candidates.empty())
        pages.push_back({e.Candidates.front().File, e.Candidates.front().Model, e.Row.Duty, e.Row.Mark,
                         request.Project, e.Row.Quantity});
    if (pages.empty()) {
      // Nothing to draw: the marks' reasons say why (the exit code is 1 already).
      err << kProgram << ": " << *request.Pdf << " not written: no mark has a fan that meets its duty\n";
    } else if (const std::string why =
                   WriteDatasheets(*request.Pdf, files, pages, request.Units, request.Force, out);
               !why.empty()) {
      err << kProgram << ": " << why << '\n';
      code = ecUsage;
    }
  }

  const std::vector<TMarkEntry> marks = InFileOrder(entries, schedule.Problems);
  if (request.Json)
    WriteJson(marks, request, report);
  else if (request.Csv)
    WriteCsv(marks, request, report);
  else
    WriteText(marks, request, report);
  // A FILE that cannot be read is a usage error, whatever the marks gave.
  return unreadable ? ecUsage : code;
}

}  // namespace blowden
