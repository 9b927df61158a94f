// The ranked selection over several catalogues, the physics check, and the
// fields a selection's JSON gained beside the contract's first ones.
#include "cli/CliSelection.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "base/Csv.h"
#include "base/Format.h"
#include "base/TextTable.h"
#include "cli/Cli.h"
#include "cli/CliCommands.h"
#include "cli/CliSound.h"
#include "cli/JsonWriter.h"
#include "cli/TerminalText.h"
#include "fan/CheckReport.h"
#include "fan/FanFindings.h"
#include "fan/FanRanking.h"
#include "fan/FigureText.h"
#include "fan/QmFan.h"
#include "services/Database.h"
#include "services/FileChecks.h"
#include "units/QmConv.h"

namespace blowden {

namespace {

constexpr std::string_view kProgram = "blowden-cli";

std::string Join(const std::vector<std::string>& items, std::string_view separator) {
  std::string text;
  for (const std::string& item : items) {
    if (!text.empty()) text += separator;
    text += item;
  }
  return text;
}

struct TColumn {
  const char* Name;
  std::optional<double> (*Value)(const TCandidate&, const TResultUnits&);
};

using TFigure = std::optional<double>;

const TColumn kFigureColumns[] = {
    {"speed", [](const TCandidate& c, const TResultUnits&) { return TFigure(c.Speed); }},
    {"speed_margin", [](const TCandidate& c, const TResultUnits&) { return TFigure(c.SpeedMargin); }},
    {"flow", [](const TCandidate& c, const TResultUnits& u) { return TFigure(FlowInUnits(c.Flow, u)); }},
    {"static_pressure", [](const TCandidate& c,
                           const TResultUnits& u) { return TFigure(PressureInUnits(c.StaticPressure, u)); }},
    {"total_pressure",
     [](const TCandidate& c, const TResultUnits& u) { return TFigure(PressureInUnits(c.TotalPressure, u)); }},
    {"shaft_power",
     [](const TCandidate& c, const TResultUnits& u) { return TFigure(PowerInUnits(c.ShaftPower, u)); }},
    {"static_efficiency",
     [](const TCandidate& c, const TResultUnits&) { return TFigure(c.StaticEfficiency); }},
    {"efficiency", [](const TCandidate& c, const TResultUnits&) { return TFigure(c.Efficiency); }},
    {"sound_power", [](const TCandidate& c, const TResultUnits&) { return TFigure(c.SoundPower); }},
    {"stall_margin", [](const TCandidate& c, const TResultUnits&) { return c.StallMargin; }},
    {"bep_ratio", [](const TCandidate& c, const TResultUnits&) { return TFigure(c.BepRatio); }},
};

// The energy columns of text and CSV (none without an operating point).
const TColumn kEnergyColumns[] = {
    {"fei", [](const TCandidate& c,
               const TResultUnits&) { return c.Energy.Known ? TFigure(c.Energy.Fei) : TFigure(); }},
    {"motor_rating",
     [](const TCandidate& c, const TResultUnits& u) {
       return c.Energy.Known && c.Energy.Motor.RatedPower > 0
                  ? TFigure(PowerInUnits(c.Energy.Motor.RatedPower, u))
                  : TFigure();
     }},
    {"electrical_power",
     [](const TCandidate& c, const TResultUnits& u) {
       return c.Energy.Known ? TFigure(PowerInUnits(c.Energy.ElectricalPower, u)) : TFigure();
     }},
};

// The sound columns of text and CSV; JSON gives them in the "sound" object.
const TColumn kSoundColumns[] = {
    {"lwa", [](const TCandidate& c, const TResultUnits&) { return c.Sound.LwA; }},
    {"lp", [](const TCandidate& c, const TResultUnits&) { return TFigure(c.Sound.Lp); }},
};

void OptionalNumber(TJsonWriter& w, std::string_view key, const std::optional<double>& value) {
  w.Key(key);
  if (value)
    w.Number(*value);
  else
    w.Null();
}

}  // namespace

double CliDensityInUnits(double rho, const TCliRequest& request) {
  return request.Ip ? rho * 0.06242796057614461 : rho;
}

// CSV is read by programs, which compare it with the JSON: every digit. The
// text tables round (FigureText).
std::string CliFigure(double value) {
  return std::isfinite(value) ? ShortestNumber(value) : Format("%0.6g", {value});
}

std::vector<std::string> CandidateFigureNames() {
  std::vector<std::string> names;
  for (const TColumn& col : kFigureColumns) names.emplace_back(col.Name);
  for (const TColumn& col : kEnergyColumns) names.emplace_back(col.Name);
  for (const TColumn& col : kSoundColumns) names.emplace_back(col.Name);
  return names;
}

std::vector<std::string> CandidateFigures(const TCandidate& c, const TResultUnits& units) {
  std::vector<std::string> figures;
  // A figure that does not exist (a stall margin without a pressure peak
  // inside the tested flows) reads "n/a".
  for (const TColumn& col : kFigureColumns) {
    const std::optional<double> value = col.Value(c, units);
    figures.push_back(value ? CliFigure(*value) : std::string("n/a"));
  }
  // No FEI without an operating point: "n/a".
  for (const TColumn& col : kEnergyColumns) {
    const std::optional<double> value = col.Value(c, units);
    figures.push_back(value ? CliFigure(*value) : std::string("n/a"));
  }
  // No bands, no LwA: left blank.
  for (const TColumn& col : kSoundColumns) {
    const std::optional<double> value = col.Value(c, units);
    figures.push_back(value ? CliFigure(*value) : std::string());
  }
  return figures;
}

std::vector<std::string> CandidateFigureCaptions(const TResultUnits& units) {
  std::vector<std::string> captions;
  for (const TColumn& col : kFigureColumns) captions.push_back(FigureCaption(col.Name, units));
  for (const TColumn& col : kEnergyColumns) captions.push_back(FigureCaption(col.Name, units));
  for (const TColumn& col : kSoundColumns) captions.push_back(FigureCaption(col.Name, units));
  return captions;
}

std::vector<std::string> CandidateFigureTexts(const TCandidate& c, const TResultUnits& units) {
  std::vector<std::string> figures;
  for (const TColumn& col : kFigureColumns) {
    const std::optional<double> value = col.Value(c, units);
    figures.push_back(value ? FigureText(col.Name, *value, units) : std::string("n/a"));
  }
  for (const TColumn& col : kEnergyColumns) {
    const std::optional<double> value = col.Value(c, units);
    figures.push_back(value ? FigureText(col.Name, *value, units) : std::string("n/a"));
  }
  for (const TColumn& col : kSoundColumns) {
    const std::optional<double> value = col.Value(c, units);
    figures.push_back(value ? FigureText(col.Name, *value, units) : std::string());
  }
  return figures;
}

void WriteUnitsJson(TJsonWriter& w, const TCliRequest& request) {
  w.Key("units");
  w.BeginObject();
  w.Field("flow", FlowUnitLabel(request.Units));
  w.Field("pressure", PressureUnitLabel(request.Units));
  w.Field("power", PowerUnitLabel(request.Units));
  w.Field("density", request.Ip ? "lb/ft³" : "kg/m³");
  w.EndObject();
}

void WriteDutyJson(TJsonWriter& w, const TDuty& duty, const TCliRequest& request) {
  w.Key("duty");
  w.BeginObject();
  w.Field("flow", FlowInUnits(duty.Flow, request.Units));
  w.Field("pressure", PressureInUnits(duty.Pressure, request.Units));
  w.Field("pressure_kind", PressureKindName(duty.Kind));
  w.Key("density");
  if (duty.Air.Source == TSiteAir::saCatalogue)
    w.Null();  // each catalogue's own
  else
    w.Number(CliDensityInUnits(SiteDensity(duty.Air, 0), request));
  w.EndObject();
}

void WriteCandidateJson(TJsonWriter& w, const TCandidate& c, const TResultUnits& units) {
  w.BeginObject();
  w.Field("file", c.File);
  w.Field("maker", c.Maker);
  w.Field("range", c.Range);
  w.Field("model", c.Model);
  w.Field("status", c.Status);
  w.Field("duty_met", c.DutyMet);
  for (const TColumn& col : kFigureColumns) OptionalNumber(w, col.Name, col.Value(c, units));
  w.Field("verdict", VerdictName(c.Verdict));
  w.Key("reasons");
  w.StringArray({});
  w.Key("warnings");
  w.StringArray(c.Warnings());
  WriteEnergyJson(w, &c.Energy, units);
  WriteSoundJson(w, &c.Sound);
  w.EndObject();
}

TDuty RequestDuty(const TCliRequest& request) {
  TDuty duty{request.Flow, request.Pressure,  request.PressureKind,
             request.Air,  request.Tolerance, request.Energy};
  duty.Listener = request.Listener;
  return duty;
}

std::vector<std::string> InstalledPaths(const std::string& databaseFolder, std::string* error) {
  std::vector<std::string> paths;
  for (const TInstalledFile& f : ListInstalledFiles(databaseFolder, error)) paths.push_back(f.Path);
  return paths;
}

void WriteRejectedJson(TJsonWriter& w, const TRejected& r) {
  w.BeginObject();
  w.Field("file", r.File);
  w.Field("model", r.Model);
  w.Field("status", r.Status);
  const std::vector<std::string> reasons = r.Reasons();
  w.Field("reason", r.Reason());
  w.Field("verdict", VerdictName(TVerdictKind::Rejected));
  w.Key("reasons");
  w.StringArray(reasons.empty() ? std::vector<std::string>{std::string()} : reasons);
  w.Key("warnings");
  w.StringArray(r.Warnings());
  w.EndObject();
}

void WriteSelectionExtras(TJsonWriter& w, const TSelectionResult* r, const TCliRequest& request,
                          std::string_view noResultReason) {
  w.Key("duty_met");
  w.Bool(r != nullptr && r->DutyMet);
  w.Key("speed_margin");
  if (r)
    w.Number(r->SpeedMargin);
  else
    w.Null();
  OptionalNumber(w, "stall_margin", r ? r->StallMargin : std::nullopt);
  OptionalNumber(w, "bep_ratio", r ? std::optional<double>(r->BepRatio) : std::nullopt);
  OptionalNumber(w, "peak_efficiency", r ? std::optional<double>(r->PeakEfficiency) : std::nullopt);
  w.Field("tolerance", request.Tolerance);
  w.Key("static_efficiency");
  if (r)
    w.Number(r->StaticEfficiency);
  else
    w.Null();
  w.Field("pressure_kind", PressureKindName(request.PressureKind));
  w.Key("density");
  if (r)
    w.Number(CliDensityInUnits(r->Density, request));
  else
    w.Null();
  w.Key("reference_density");
  if (r)
    w.Number(CliDensityInUnits(r->ReferenceDensity, request));
  else
    w.Null();
  w.Key("density_ratio");
  if (r)
    w.Number(r->DensityRatio);
  else
    w.Null();
  WriteUnitsJson(w, request);
  // The verdict of the rules; without an evaluation there is nothing to
  // accept, and what stopped it is the reason.
  w.Field("verdict", VerdictName(r ? r->Verdict : TVerdictKind::Rejected));
  w.Key("reasons");
  w.StringArray(r ? r->Reasons : std::vector<std::string>{std::string(noResultReason)});
  w.Key("warnings");
  w.StringArray(r ? r->Warnings : std::vector<std::string>{});
  WriteEnergyJson(w, r ? &r->Energy : nullptr, request.Units);
  WriteSoundJson(w, r ? &r->Sound : nullptr);
}

std::vector<std::string> RankedFiles(const std::vector<std::string>& given, std::ostream& err,
                                     bool& unreadable) {
  std::vector<std::pair<std::string, std::string>> repeated;
  std::vector<std::string> files = DistinctFiles(given, &repeated);
  for (const auto& [path, first] : repeated)
    err << kProgram << ": note: " << path << " is the same file as " << first << ": counted once\n";
  unreadable = false;
  for (const std::string& file : files)
    if (const std::string why = UnreadableFileReason(file); !why.empty()) {
      err << kProgram << ": cannot read " << file << ": " << why << '\n';
      unreadable = true;
    }
  return files;
}

int RunRank(const TCliRequest& request, const std::vector<std::string>& given, std::ostream& stdOut,
            std::ostream& err) {
  if (OutputsRefused(request, given, err)) return ecUsage;
  bool unreadable = false;
  const std::vector<std::string> files = RankedFiles(given, err, unreadable);
  // "--pdf -": the datasheets are standard output, the ranking goes to stderr.
  std::ostream& out = request.Pdf && *request.Pdf == "-" ? err : stdOut;
  const TRanking ranking = RankDuty(files, RequestDuty(request), request.Sort);
  const std::size_t shown = request.Limit ? std::min<std::size_t>(ranking.Candidates.size(),
                                                                  static_cast<std::size_t>(*request.Limit))
                                          : ranking.Candidates.size();
  const TResultUnits& units = request.Units;

  if (request.Json) {
    TJsonWriter w(out);
    w.BeginObject();
    WriteDutyJson(w, RequestDuty(request), request);
    WriteUnitsJson(w, request);
    w.Field("sort", RankKeyName(request.Sort));
    if (request.Sort == TRankKey::Sound) w.Field("sort_level", SoundRankLevel(ranking.Candidates));
    w.Field("tolerance", request.Tolerance);
    w.Key("candidates");
    w.BeginArray();
    for (std::size_t i = 0; i < shown; ++i) WriteCandidateJson(w, ranking.Candidates[i], units);
    w.EndArray();
    w.Key("rejected");
    w.BeginArray();
    for (const TRejected& r : ranking.Rejected) WriteRejectedJson(w, r);
    w.EndArray();
    w.Key("messages");
    w.StringArray(ranking.Messages);
    w.EndObject();
    w.Finish();
  } else {
    for (const std::string& m : ranking.Messages) err << kProgram << ": " << m << '\n';
    if (request.Csv) {
      std::vector<std::string> header = {"rank", "file", "maker", "range", "model"};
      for (std::string& name : CandidateFigureNames()) header.push_back(std::move(name));
      header.emplace_back("warnings");
      out << Join(header, ",") << "\r\n";
      for (std::size_t i = 0; i < shown; ++i) {
        const TCandidate& c = ranking.Candidates[i];
        std::vector<std::string> row = {std::to_string(i + 1), c.File, c.Maker, c.Range, c.Model};
        for (std::string& figure : CandidateFigures(c, units)) row.push_back(std::move(figure));
        row.push_back(Join(c.Warnings(), "; "));
        for (std::string& field : row) field = CsvField(SpreadsheetText(TerminalText(field)));
        out << Join(row, ",") << "\r\n";
      }
    } else {
      // For people: files by name (with folders only where two names are
      // alike), figures rounded as the selector shows them, units in the header.
      std::vector<std::string> paths;
      for (std::size_t i = 0; i < shown; ++i) paths.push_back(ranking.Candidates[i].File);
      for (const TRejected& r : ranking.Rejected) paths.push_back(r.File);
      const std::vector<std::string> names = ShortFileNames(paths);
      std::vector<std::vector<std::string>> table;
      table.push_back({"rank", "file", "maker", "range", "model"});
      for (std::string& caption : CandidateFigureCaptions(units)) table.front().push_back(std::move(caption));
      table.front().emplace_back("warnings");
      std::vector<bool> right(table.front().size(), true);
      right[1] = right[2] = right[3] = right[4] = right.back() = false;
      for (std::size_t i = 0; i < shown; ++i) {
        const TCandidate& c = ranking.Candidates[i];
        std::vector<std::string> row = {std::to_string(i + 1), names[i], c.Maker, c.Range, c.Model};
        for (std::string& figure : CandidateFigureTexts(c, units)) row.push_back(std::move(figure));
        row.push_back(Join(c.Warnings(), "; "));
        table.push_back(std::move(row));
      }
      if (shown > 0) out << AlignedTable(std::move(table), right);
      if (ranking.Candidates.empty()) out << "No fan meets the duty.\n";
      if (request.Sort == TRankKey::Sound && !ranking.Candidates.empty())
        out << (SoundRankLevel(ranking.Candidates) == "LwA"
                    ? "Ranked by LwA (dB(A)): every candidate has octave bands\n"
                    : "Ranked by Lw (dB): not every candidate has octave bands\n");
      if (!ranking.Rejected.empty()) {
        out << "\nRejected\n";
        for (std::size_t i = 0; i < ranking.Rejected.size(); ++i) {
          const TRejected& r = ranking.Rejected[i];
          out << FieldText(names[shown + i]) << '\t'
              << (r.Model.empty() ? std::string("-") : FieldText(r.Model)) << '\t' << r.Reason() << '\n';
        }
      }
    }
  }
  // A FILE that cannot be read is a usage error, whatever the others gave.
  int code = unreadable ? ecUsage : ranking.Candidates.empty() ? ecFailure : ecSuccess;
  if (request.Pdf) {
    // One page per candidate shown, best first.
    std::vector<TDatasheetPage> pages;
    for (std::size_t i = 0; i < shown; ++i)
      pages.push_back({ranking.Candidates[i].File, ranking.Candidates[i].Model, RequestDuty(request),
                       request.Tag, request.Project, request.Quantity});
    if (pages.empty()) {
      err << kProgram << ": " << *request.Pdf << " not written: no model meets the duty\n";
    } else if (const std::string why =
                   WriteDatasheets(*request.Pdf, files, pages, units, request.Force, stdOut);
               !why.empty()) {
      err << kProgram << ": " << why << '\n';
      code = ecUsage;
    }
  }
  return code;
}

int RunCheck(const TCliRequest& request, std::ostream& out, std::ostream& err) {
  int worst = ecSuccess;
  TJsonWriter w(out);
  if (request.Json) w.BeginArray();
  bool first = true;
  for (const std::string& file : request.Operands) {
    CliCurrentFile() = file;
    TFan fan;
    const TFileCheck check = CheckFile(fan, file);
    const bool unreadable = check.Unreadable();
    const int code = unreadable ? ecUsage : check.Errors() > 0 ? ecFailure : ecSuccess;
    worst = std::max(worst, code);
    if (request.Json) {
      w.BeginObject();
      w.Field("file", file);
      w.Field("status", code);
      w.Key("findings");
      w.BeginArray();
      for (const TFinding& f : check.Findings) {
        w.BeginObject();
        w.Field("model", f.Model);
        w.Field("level", FindingLevelName(f.Level));
        w.Key("point");
        if (f.Point >= 0)
          w.Integer(f.Point);
        else
          w.Null();
        w.Field("text", f.Text);
        w.EndObject();
      }
      w.EndArray();
      w.Key("messages");
      w.StringArray(check.Messages);
      w.EndObject();
    } else {
      for (const std::string& m : check.Messages) err << kProgram << ": " << file << ": " << m << '\n';
      if (!first) out << '\n';
      out << "FAN Data file check\n" << file << "\n\n";
      for (const std::string& line :
           ReportTexts(CheckReport(check, fan.Header().Range, request.Verbose, "--verbose shows them")))
        out << line << '\n';
    }
    first = false;
  }
  if (request.Json) {
    w.EndArray();
    w.Finish();
  }
  CliCurrentFile().clear();
  return worst;
}

}  // namespace blowden
