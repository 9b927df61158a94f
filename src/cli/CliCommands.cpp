#include "cli/CliCommands.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <string_view>

#include "base/Convert.h"
#include "base/Format.h"
#include "cli/Cli.h"
#include "cli/JsonWriter.h"
#include "fan/FanOutcome.h"
#include "fan/FanResiduals.h"
#include "fan/FanSelection.h"
#include "fan/FanSubmittal.h"
#include "fan/ModelFits.h"
#include "fan/QmFan.h"
#include "services/Database.h"
#include "services/FileChecks.h"
#include "services/SafeWrite.h"

namespace blowden {

namespace {

constexpr std::string_view kProgram = "blowden-cli";

// The fan model's message boxes and conversion errors of one file: written to
// stderr at once in text mode (with the file and the model being read),
// collected for the "messages" array in JSON mode.
class TMessageLog {
 public:
  TMessageLog(bool json, std::ostream& err, std::string file)
      : FJson(json), FErr(err), FFile(std::move(file)) {}

  void Attach(TFan& fan) {
    fan.OnMessage = [this, &fan](const std::string& message) { Add(message, fan.Model().Name); };
  }

  void Add(const std::string& message, const std::string& model = std::string()) {
    Messages.push_back(message);
    if (FJson) return;
    FErr << kProgram << ": " << FFile;
    if (!model.empty()) FErr << " (" << model << ")";
    FErr << ": " << message << '\n';
  }

  std::vector<std::string> Messages;

 private:
  bool FJson;
  std::ostream& FErr;
  std::string FFile;
};

// A number of the text output: up to 15 significant digits, so that a value
// such as 0.4 * 0.4 reads 0.16 (JSON carries the exact double).
std::string TextNumber(double value) {
  return std::isfinite(value) ? FormatGeneral(value, 15) : ShortestNumber(value);
}

// An integer of the text output, never grouped by a locale the stream carries.
std::string TextInteger(int value) { return Format("%d", {value}); }

// After a load: the file could not be read at all (not found, or a read error).
bool Unreadable(const TFan& fan) { return !fan.Loaded(); }

std::string gCurrentFile;

// Loads `file`; a file that cannot be read at all is reported in the log.
void LoadFan(TFan& fan, const std::string& file, TMessageLog& log) {
  gCurrentFile = file;
  fan.LoadFromFile(file);
  if (const auto loaded = fan.Loaded(); !loaded) log.Add(loaded.Error().Text);
}

// ---------------------------------------------------------------------------
// verify

struct TVerifyOutcome {
  int Code = ecSuccess;
  std::vector<std::string> Errors;
};

TVerifyOutcome VerifyOne(TFan& fan, const std::string& file, TMessageLog& log) {
  TVerifyOutcome o;
  LoadFan(fan, file, log);
  // A number that does not convert ends the check as one of its error
  // lines, as in the main window's report; it is a message as well.
  if (const auto stop = fan.VerifyReporting()) log.Add(stop->Message, stop->Model);
  o.Errors = fan.Errors();
  if (Unreadable(fan))
    o.Code = ecUsage;
  else if (!o.Errors.empty())
    o.Code = ecFailure;
  return o;
}

// The lines of the verification report, as the main window's report shows
// them.
void WriteVerifyReport(std::ostream& out, const std::string& file, const TVerifyOutcome& o) {
  out << "FAN Data file verify\n" << file << "\n\n";
  for (const std::string& line : o.Errors) out << line << '\n';
  if (o.Errors.empty())
    out << "No errors have been found...\n";
  else
    out << '\n' << Format("%d error(s) found...", {static_cast<int>(o.Errors.size())}) << '\n';
}

// ---------------------------------------------------------------------------
// show

// One fit of the main window's model view, with its key in the JSON output.
struct TViewFit {
  std::string_view Key;  // "ps"
  TCurveKind Kind;
  TCurveFit Fit;
};

std::vector<TViewFit> ModelViewFits(const TFanModel& m) {
  return {{"ps", ckPressure, FitCurve(m, ckPressure)},
          {"pw", ckPower, FitCurve(m, ckPower)},
          {"lw", ckSound, FitCurve(m, ckSound)}};
}

std::string KindName(TFanKind kind) {
  const auto i = static_cast<std::size_t>(kind);
  return i < KindNames.size() ? std::string(KindNames[i]) : std::string();
}

// Each tested point's residual of a fit ("residuals": point, flow, measured,
// fitted, residual in the curve's unit, percent or null for a measured 0)
// and the index of the largest ("largest_residual", null without a fit).
void WriteResiduals(TJsonWriter& w, const TFitResiduals& r) {
  w.Key("residuals");
  w.BeginArray();
  for (std::size_t i = 0; i < r.Points.size(); ++i) {
    const TPointResidual& p = r.Points[i];
    w.BeginObject();
    w.Field("point", static_cast<int>(i));
    w.Field("flow", p.Flow);
    w.Field("measured", p.Measured);
    w.Field("fitted", p.Fitted);
    w.Field("residual", p.Residual);
    w.Field("percent", p.Percent);  // NaN: null
    w.EndObject();
  }
  w.EndArray();
  w.Key("largest_residual");
  if (r.Largest >= 0)
    w.Integer(r.Largest);
  else
    w.Null();
}

void WriteShowJson(std::ostream& out, const std::string& file, const TFan& fan, int status,
                   const std::vector<TViewFit>& fits, const std::vector<std::string>& messages) {
  const TFanHeader& h = fan.Header();
  const TFanModel& m = fan.Model();
  TJsonWriter w(out);
  w.BeginObject();
  w.Field("file", file);
  w.Field("status", status);
  w.Field("status_text", std::string(StatusTextOf(status)));
  w.Key("header");
  w.BeginObject();
  w.Field("maker", h.Maker);
  w.Field("range", h.Range);
  w.Field("description", h.Description);
  w.Field("version", h.Version);
  w.Field("density", h.Density);
  w.Field("kind", KindName(h.Kind));
  w.EndObject();
  w.Key("models");
  w.StringArray(fan.Models());
  w.Key("messages");
  w.StringArray(messages);
  w.Key("model");
  if (fan.Models().empty()) {
    w.Null();
  } else {
    w.BeginObject();
    w.Field("name", m.Name);
    w.Field("diameter", m.Diameter);
    w.Field("ref_speed", m.RefSpeed);
    w.Field("min_speed", m.MinSpeed);
    w.Field("max_speed", m.MaxSpeed);
    w.Field("outlet_width", m.OutletWidth);
    w.Field("outlet_height", m.OutletHeight);
    w.Field("outlet_area", fan.OutletArea());
    w.Field("qa_nom", m.QaNom);
    w.Field("count", m.Count);
    w.Key("qa");
    w.NumberArray(m.Qa);
    w.Key("ps");
    w.NumberArray(m.Ps);
    w.Key("pw");
    w.NumberArray(m.Pw);
    w.Key("lw");
    w.NumberArray(m.Lw);
    w.Field("has_speeds", m.HasSpeeds);
    w.Key("speeds");
    w.IntegerArray(m.Speeds);
    w.EndObject();
  }
  w.Key("fit");
  w.BeginObject();
  w.Key("coeffs");
  w.NumberArray(fan.Coeffs());
  w.Field("error", fan.FitError());
  w.Field("r2", fan.FitStats().R2);
  w.Field("adj_r2", fan.FitStats().AdjR2);
  w.EndObject();
  w.Key("view");
  w.BeginObject();
  for (const TViewFit& f : fits) {
    w.Key(f.Key);
    w.BeginObject();
    w.Key("coeffs");
    w.NumberArray(f.Fit.Coeffs);
    w.Field("error", f.Fit.ErrorCode);
    w.Field("summary", f.Fit.Summary);
    w.Field("equation", f.Fit.Equation);
    WriteResiduals(w, CurveResiduals(m, f.Kind, f.Fit.Coeffs, f.Fit.ErrorCode));
    w.EndObject();
  }
  w.EndObject();
  WriteRatingJson(w, h, fan.Models().empty() ? nullptr : &m);
  w.EndObject();
  w.Finish();
}

// "0.5" or an empty cell beyond the end of a list.
std::string Cell(const std::vector<double>& values, std::size_t i) {
  return i < values.size() ? TextNumber(values[i]) : std::string();
}

void WriteShowText(std::ostream& out, const std::string& file, const TFan& fan, int status,
                   const std::vector<TViewFit>& fits) {
  const TFanHeader& h = fan.Header();
  const TFanModel& m = fan.Model();
  out << "Fan data file\t" << file << '\n';
  out << "Status\t" << StatusTextOf(status) << '\n';
  out << "Maker\t" << h.Maker << '\n';
  out << "Range\t" << h.Range << '\n';
  out << "Description\t" << h.Description << '\n';
  out << "Version\t" << h.Version << '\n';
  out << "Density\t" << TextNumber(h.Density) << "\tkg/m³\n";
  out << "Kind\t" << KindName(h.Kind) << '\n';
  for (const std::string& line : RatingLines(h, nullptr)) out << line << '\n';
  out << "Models";
  for (const std::string& name : fan.Models()) out << '\t' << name;
  out << '\n';
  if (fan.Models().empty()) return;

  out << "\nModel\t" << m.Name << '\n';
  out << "Diameter\t" << TextNumber(m.Diameter) << "\tm\n";
  out << "Ref speed\t" << TextInteger(m.RefSpeed) << "\trpm\n";
  out << "Min speed\t" << TextInteger(m.MinSpeed) << "\trpm\n";
  out << "Max speed\t" << TextInteger(m.MaxSpeed) << "\trpm\n";
  out << "Outlet width\t" << TextNumber(m.OutletWidth) << "\tm\n";
  out << "Outlet height\t" << TextNumber(m.OutletHeight) << "\tm\n";
  out << "Outlet area\t" << TextNumber(fan.OutletArea()) << "\tm²\n";
  out << "Nominal flow\t" << TextNumber(m.QaNom) << "\tm³/s\n";
  if (m.HasSpeeds) {
    out << "Speeds";
    for (int n : m.Speeds) out << '\t' << TextInteger(n);
    out << "\trpm\n";
  }
  out << "Points\t" << TextInteger(m.Count) << '\n';
  for (const std::string& line : RatingLines(h, &m)) out << line << '\n';

  out << '\n';
  for (const TViewFit& f : fits) {
    out << CurveSpec(f.Kind).Caption << '\t' << f.Fit.Summary << '\n';
    if (!f.Fit.Equation.empty()) out << f.Fit.Equation << '\n';
  }

  out << "\nQ [m³/s]\tPs [Pa]\tPw [kW]\tLw [dB]\n";
  const std::size_t rows = std::min(static_cast<std::size_t>(std::max(m.Count, 0)), m.Qa.size());
  for (std::size_t i = 0; i < rows; ++i)
    out << Cell(m.Qa, i) << '\t' << Cell(m.Ps, i) << '\t' << Cell(m.Pw, i) << '\t' << Cell(m.Lw, i) << '\n';
}

// ---------------------------------------------------------------------------
// select

void WriteSelectJson(std::ostream& out, const std::string& file, const std::optional<int>& bestIndex,
                     const TFan& fan, int status, const std::string& statusText,
                     std::optional<double> dutyFlow, std::optional<double> dutyPressure,
                     const TSelectionResult* r, const std::vector<std::string>& lines,
                     const std::vector<std::string>& messages, const std::vector<std::string>& findNotes,
                     const std::string& noResultReason, const TCliRequest& request) {
  const TResultUnits& u = request.Units;
  TJsonWriter w(out);
  w.BeginObject();
  w.Field("file", file);
  w.Key("best_index");
  if (bestIndex)
    w.Integer(*bestIndex);
  else
    w.Null();
  w.Field("model", fan.Model().Name);
  w.Field("status", status);
  w.Field("status_text", statusText);
  w.Key("duty");
  w.BeginObject();
  const auto optionalNumber = [&](std::string_view key, const std::optional<double>& value) {
    w.Key(key);
    if (value)
      w.Number(*value);
    else
      w.Null();
  };
  optionalNumber("flow", dutyFlow ? std::optional<double>(FlowInUnits(*dutyFlow, u)) : std::nullopt);
  optionalNumber("pressure",
                 dutyPressure ? std::optional<double>(PressureInUnits(*dutyPressure, u)) : std::nullopt);
  w.EndObject();
  // Figures in the units asked for (SI: exactly as computed).
  const auto number = [&](std::string_view key, double TSelectionResult::*field,
                          double (*convert)(double, const TResultUnits&) = nullptr) {
    w.Key(key);
    if (r)
      w.Number(convert ? convert(r->*field, u) : r->*field);
    else
      w.Null();
  };
  number("speed", &TSelectionResult::Speed);
  number("raw_speed", &TSelectionResult::RawSpeed);
  number("flow", &TSelectionResult::Volume, FlowInUnits);
  number("static_pressure", &TSelectionResult::PStatic, PressureInUnits);
  number("dynamic_pressure", &TSelectionResult::PDynamic, PressureInUnits);
  number("total_pressure", &TSelectionResult::PTotal, PressureInUnits);
  number("shaft_power", &TSelectionResult::ShaftPower, PowerInUnits);
  number("efficiency", &TSelectionResult::Efficiency);
  number("sound_power", &TSelectionResult::SoundPower);
  w.Key("lines");
  w.StringArray(lines);
  w.Key("chart");
  if (r) {
    w.BeginObject();
    w.Field("x_min", r->Chart.XMin);
    w.Field("x_max", r->Chart.XMax);
    w.Field("y_min", r->Chart.YMin);
    w.Field("y_max", r->Chart.YMax);
    w.EndObject();
  } else {
    w.Null();
  }
  number("r2", &TSelectionResult::R2);
  WriteSelectionExtras(w, r, request, noResultReason);
  w.Key("find_notes");
  w.StringArray(findNotes);
  w.Key("messages");
  w.StringArray(messages);
  w.EndObject();
  w.Finish();
}

// Writes the chart picture to `target`: "-" is standard output; an existing
// FIFO or device is written into; a regular file is replaced only once the
// picture is complete; what RefusedTarget refuses is left alone.
std::string WritePicture(const std::string& target, const std::vector<std::string>& inputs,
                         const TSelectorChart& chart, const TCliRequest& request, std::ostream& out) {
  if (std::string why = RefusedTarget(target, inputs, TFileKind::Png, request.Force); !why.empty())
    return why;
  std::string png;
  if (std::string why = RenderChartPicture(chart, request.Width, request.Height, target, png); !why.empty())
    return why;
  if (target == "-") {
    out.write(png.data(), static_cast<std::streamsize>(png.size()));
    out.flush();
    return out ? std::string() : std::string("cannot write the picture to standard output");
  }
  if (std::string why = WriteFileAtomically(target, png, {TSpecialTarget::WriteInto}); !why.empty())
    return Format("cannot write %s: %s", {target, why});
  return std::string();
}

}  // namespace

std::string RefusedTarget(const std::string& target, const std::vector<std::string>& inputs, TFileKind kind,
                          bool force) {
  if (target == "-") return std::string();
  struct stat t {};
  if (::stat(target.c_str(), &t) != 0) return std::string();
  if (S_ISDIR(t.st_mode)) return Format("cannot write %s: it is a folder", {target});
  for (const std::string& input : inputs) {
    struct stat i {};
    if (::stat(input.c_str(), &i) == 0 && i.st_dev == t.st_dev && i.st_ino == t.st_ino)
      return Format("%s not written: it is the fan data file %s", {target, input});
  }
  // A shell's "*.qfn" after --pdf makes the first catalogue the output.
  if (std::string why = OutputKindRefusal(target, kind, force); !why.empty())
    return Format("%s not written: %s (give --force to replace it)", {target, why});
  if (std::string why = ReadOnlyRefusal(target); !why.empty())
    return Format("%s not written: %s", {target, why});
  return std::string();
}

bool OutputsRefused(const TCliRequest& request, const std::vector<std::string>& inputs, std::ostream& err) {
  bool refused = false;
  for (const auto& [target, kind] :
       {std::pair{request.Png, TFileKind::Png}, std::pair{request.Pdf, TFileKind::Pdf}}) {
    if (!target) continue;
    if (const std::string why = RefusedTarget(*target, inputs, kind, request.Force); !why.empty()) {
      err << kProgram << ": " << why << '\n';
      refused = true;
    }
  }
  return refused;
}

int UsageMessage(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << "\nTry '" << kProgram << " --help' for more information.\n";
  return ecUsage;
}

std::string WriteDatasheets(const std::string& target, const std::vector<std::string>& inputs,
                            const std::vector<TDatasheetPage>& pages, const TResultUnits& units, bool force,
                            std::ostream& out) {
  if (std::string why = RefusedTarget(target, inputs, TFileKind::Pdf, force); !why.empty()) return why;
  std::string pdf;
  if (std::string why = RenderDatasheetPdf(pages, units, target, pdf); !why.empty()) return why;
  if (target == "-") {
    out.write(pdf.data(), static_cast<std::streamsize>(pdf.size()));
    out.flush();
    return out ? std::string() : std::string("cannot write the datasheet to standard output");
  }
  if (std::string why = WriteFileAtomically(target, pdf, {TSpecialTarget::WriteInto}); !why.empty())
    return Format("cannot write %s: %s", {target, why});
  return std::string();
}

std::string& CliCurrentFile() { return gCurrentFile; }

std::string FieldText(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    if (c == '\t')
      result += "\\x09";
    else if (c == '\n')
      result += "\\x0A";
    else
      result += c;
  }
  return result;
}

std::string OutOfMemoryMessage(const std::string& file) {
  struct stat st {};
  const long long bytes = ::stat(file.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
  const long long mb = (bytes + (1 << 20) - 1) >> 20;
  return Format("Not enough memory to open %s (%s MB)", {file, std::to_string(mb)});
}

int RunVerify(const TCliRequest& request, std::ostream& out, std::ostream& err) {
  int worst = ecSuccess;
  TJsonWriter w(out);
  if (request.Json) w.BeginArray();
  bool first = true;
  for (const std::string& file : request.Operands) {
    TFan fan;
    TMessageLog log(request.Json, err, file);
    log.Attach(fan);
    const TVerifyOutcome o = VerifyOne(fan, file, log);
    worst = std::max(worst, o.Code);
    if (request.Json) {
      w.BeginObject();
      w.Field("file", file);
      w.Field("status", o.Code);
      w.Key("errors");
      w.StringArray(o.Errors);
      w.Key("messages");
      w.StringArray(log.Messages);
      w.EndObject();
    } else {
      if (!first) out << '\n';
      WriteVerifyReport(out, file, o);
    }
    first = false;
  }
  if (request.Json) {
    w.EndArray();
    w.Finish();
  }
  return worst;
}

int RunShow(const TCliRequest& request, std::ostream& out, std::ostream& err) {
  const std::string& file = request.Operands.front();
  TFan fan;
  TMessageLog log(request.Json, err, file);
  log.Attach(fan);
  try {
    LoadFan(fan, file, log);
    if (!Unreadable(fan)) {
      if (request.Model)
        fan.SelectModel(*request.Model);
      else if (!fan.Models().empty())
        fan.SelectModel(fan.Models().front());
    }
  } catch (const EConvertError& e) {
    // The model is only partly read: the fan reports a data error.
    log.Add(e.what(), fan.Model().Name);
  }
  // The outcome of the load, or of the model read that followed it.
  const TResult<const TModelData*> shown = fan.Outcome();
  const int status = StatusCodeOf(shown);

  const std::vector<TViewFit> fits = ModelViewFits(fan.Model());
  if (request.Json)
    WriteShowJson(out, file, fan, status, fits, log.Messages);
  else
    WriteShowText(out, file, fan, status, fits);

  if (Unreadable(fan)) return ecUsage;
  return shown ? ecSuccess : ecFailure;
}

int RunSelect(const TCliRequest& request, std::ostream& out, std::ostream& err) {
  const std::string& file = request.Operands.front();
  // Outputs that would replace what they must not are refused before any work.
  if (OutputsRefused(request, request.Operands, err)) return ecUsage;
  TFan fan;
  TMessageLog log(request.Json, err, file);
  log.Attach(fan);

  std::optional<int> bestIndex;
  std::optional<TSelectionResult> result;
  std::vector<std::string> findNotes;  // why the search's choice was passed over
  bool stopped = false;
  try {
    LoadFan(fan, file, log);
    if (!Unreadable(fan)) {
      if (request.Model || request.Browse) {
        // The named model, or in browse mode without a name the first one,
        // as the selector shows it. A model that does not read without
        // error is not evaluated: its data would be left in part from
        // fall-backs or from nothing.
        const std::string name =
            request.Model ? *request.Model : (fan.Models().empty() ? std::string() : fan.Models().front());
        if (!name.empty()) fan.SelectModel(name);
        if (!name.empty() && fan.CurrentModel()) {
          if (request.Browse)
            result = EvaluateBrowse(fan, request.Air, {}, request.Units, request.Listener);
          else
            result =
                EvaluateDuty(fan, RequestDuty(request), request.Flow, request.Pressure, {}, request.Units);
        }
      } else {
        // The search judges each model at the site's air and, for a total
        // duty, at its own outlet.
        const TDuty duty = RequestDuty(request);
        const TFindResult found = FindAcceptableModel(fan, duty);
        bestIndex = found.Index;
        findNotes = found.Notes;
        if (*bestIndex >= 0)
          result = EvaluateDuty(fan, duty, request.Flow, request.Pressure, {}, request.Units);
      }
    }
  } catch (const EConvertError& e) {
    log.Add(e.what(), fan.Model().Name);
    stopped = true;
    result.reset();
  }

  // Without an evaluation: why not (the file names no model, or a conversion
  // error stopped the read, when the fan reports no failure).
  const std::optional<TError> noEvaluation =
      result ? std::nullopt : std::optional<TError>(NoEvaluation(fan, stopped));
  const int status = result ? result->Status : noEvaluation->Code;
  const std::string statusText(StatusTextOf(status));
  // Without an evaluation: why, as the ranking says it of a model whose read failed.
  const std::string noResultReason =
      noEvaluation && !Unreadable(fan) && ModelReadFailed(fan) ? ModelReadReason(fan) : statusText;
  const std::vector<std::string> lines = result ? result->Lines : std::vector<std::string>{statusText};
  // The duty as the selector's edits hold it: in browse mode the nominal
  // point written into them, otherwise what was given (none: null).
  std::optional<double> dutyFlow, dutyPressure;
  if (result && request.Browse) {
    dutyFlow = result->Volume;
    dutyPressure = result->PStatic;
  } else if (request.HasDuty) {
    dutyFlow = request.Flow;
    dutyPressure = request.Pressure;
  }

  // A selection the rules reject is no success, whatever the status says;
  // browse mode shows a model and judges nothing.
  int code =
      Unreadable(fan) ? ecUsage
      : result && HasOperatingPoint(*result) && (request.Browse || result->Verdict != TVerdictKind::Rejected)
          ? ecSuccess
          : ecFailure;

  // "--png -" or "--pdf -": the picture or the datasheet is standard output,
  // the report goes to stderr.
  const bool pictureToOut = (request.Png && *request.Png == "-") || (request.Pdf && *request.Pdf == "-");
  std::ostream& report = pictureToOut ? err : out;
  if (request.Png) {
    if (!result) {
      // The selection itself failed (its exit code says so): nothing to draw.
      err << kProgram << ": " << *request.Png << " not written: there is no evaluation to draw\n";
    } else if (const std::string why =
                   WritePicture(*request.Png, request.Operands, result->Chart, request, out);
               !why.empty()) {
      err << kProgram << ": " << why << '\n';
      code = ecUsage;
    }
  }

  if (request.Pdf) {
    if (!result) {
      err << kProgram << ": " << *request.Pdf << " not written: there is no evaluation to show\n";
    } else {
      // The page evaluates the model again as it was evaluated here; in
      // browse mode at its nominal point.
      TDuty duty = RequestDuty(request);
      if (request.Browse)
        duty = TDuty{result->Volume, result->PStatic, TPressureKind::Static, request.Air, 0, request.Energy};
      duty.Listener = request.Listener;
      const std::vector<TDatasheetPage> pages{
          {file, fan.Model().Name, duty, request.Tag, request.Project, request.Quantity}};
      if (const std::string why =
              WriteDatasheets(*request.Pdf, request.Operands, pages, request.Units, request.Force, out);
          !why.empty()) {
        err << kProgram << ": " << why << '\n';
        code = ecUsage;
      }
    }
  }

  if (request.Json) {
    WriteSelectJson(report, file, bestIndex, fan, status, statusText, dutyFlow, dutyPressure,
                    result ? &*result : nullptr, lines, log.Messages, findNotes, noResultReason, request);
  } else {
    if (result) report << result->ModelCaption << '\n';
    for (const std::string& line : lines) report << line << '\n';
    if (result) {
      // The speed the fan would run at, where a limit's message took its line.
      for (const std::string& line : result->ExtraLines)
        if (line.rfind("Running Speed\t", 0) == 0) report << line << '\n';
      report << result->R2Text << '\n';
      for (const std::string& line : EnergyLines(*result, request.Units)) report << line << '\n';
    }
    // The verdict beyond the nine lines: why rejected, what to be warned of.
    for (const std::string& note : findNotes) report << note << '\n';
    if (result) {
      for (const std::string& reason : result->Reasons) report << "Rejected: " << reason << '\n';
      for (const std::string& warning : result->Warnings) report << "Warning: " << warning << '\n';
    }
  }
  return code;
}

int RunInstall(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out,
               std::ostream& err) {
  int worst = ecSuccess;
  TJsonWriter w(out);
  if (request.Json) w.BeginArray();
  for (const std::string& file : request.Operands) {
    TFan fan;
    TMessageLog log(request.Json, err, file);
    log.Attach(fan);
    gCurrentFile = file;
    const TInstallResult r = InstallFanFile(file, databaseFolder, fan);
    if (r.Stopped) log.Add(r.Stopped->Message, r.Stopped->Model);
    if (const auto loaded = fan.Loaded(); !loaded) log.Add(loaded.Error().Text);
    if (!r.Message.empty()) log.Add(r.Message);
    const int code = Unreadable(fan) ? ecUsage : r.Installed ? ecSuccess : ecFailure;
    worst = std::max(worst, code);

    if (request.Json) {
      w.BeginObject();
      w.Field("file", file);
      w.Field("status", code);
      w.Key("errors");
      w.StringArray(r.Errors);
      w.Key("messages");
      w.StringArray(log.Messages);
      w.Field("installed", r.Installed);
      w.EndObject();
    } else if (r.Installed) {
      out << "Installed\t" << file << '\t' << r.Target << '\n';
    } else {
      out << "Refused\t" << file << '\n';
      for (const std::string& line : r.Errors) out << line << '\n';
    }
  }
  if (request.Json) {
    w.EndArray();
    w.Finish();
  }
  return worst;
}

int RunList(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out,
            std::ostream& err) {
  std::string error;
  const std::vector<TInstalledFile> files = ListInstalledFiles(databaseFolder, &error);
  if (!error.empty()) {
    // Saying nothing would read as "no files installed".
    err << kProgram << ": cannot list the database folder " << databaseFolder << ": " << error << '\n';
    return ecUsage;
  }
  if (request.Json) {
    TJsonWriter w(out);
    w.BeginArray();
    for (const TInstalledFile& f : files) {
      w.BeginObject();
      w.Field("name", f.Name);
      w.Field("path", f.Path);
      w.EndObject();
    }
    w.EndArray();
    w.Finish();
  } else {
    for (const TInstalledFile& f : files) out << FieldText(f.Name) << '\t' << FieldText(f.Path) << '\n';
  }
  return ecSuccess;
}

int RunDelete(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out,
              std::ostream& err) {
  std::string name = request.Operands.front();
  std::optional<TInstalledFile> file;
  // A name, never a path: nothing outside the database folder is touched.
  // The exact file name wins ("x.qfn" is never "x.QFN").
  if (name.find('/') == std::string::npos) file = FindInstalledFile(databaseFolder, name);
  if (!file) {
    err << kProgram << ": no installed fan file named '" << name << "' in " << databaseFolder << '\n';
    return ecFailure;
  }
  const TDeleteResult r = DeleteInstalledFile(file->Path);
  if (!r.Deleted) {
    err << kProgram << ": " << r.Message << '\n';
    return ecFailure;
  }
  out << "Deleted\t" << file->Path << '\t' << r.Backup << '\n';
  return ecSuccess;
}

}  // namespace blowden
