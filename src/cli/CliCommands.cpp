#include "cli/CliCommands.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "base/Convert.h"
#include "base/Format.h"
#include "cli/Cli.h"
#include "cli/JsonWriter.h"
#include "fan/FanSelection.h"
#include "fan/QmFan.h"
#include "numeric/Regress.h"
#include "services/Database.h"

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
    fan.OnMessage = [this, &fan](const std::string& message) { Add(message, fan.Model.Name); };
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

bool Unreadable(const TFan& fan) {
  return fan.LoadStatus() == fsFileNotFound || fan.LoadStatus() == fsReadError;
}

// Loads `file`; a file that cannot be read at all is reported in the log.
void LoadFan(TFan& fan, const std::string& file, TMessageLog& log) {
  fan.LoadFromFile(file);
  if (Unreadable(fan)) log.Add(std::string(StatusTextOf(fan.LoadStatus())));
}

// ---------------------------------------------------------------------------
// verify

struct TVerifyOutcome {
  int Code = ecSuccess;
  std::vector<std::string> Errors;
  bool Stopped = false;  // a conversion error ended the verification
};

TVerifyOutcome VerifyOne(TFan& fan, const std::string& file, TMessageLog& log) {
  TVerifyOutcome o;
  try {
    LoadFan(fan, file, log);
    fan.Verify();
  } catch (const EConvertError& e) {
    log.Add(e.what(), fan.Model.Name);
    o.Stopped = true;
  }
  o.Errors = fan.Errors;
  if (Unreadable(fan))
    o.Code = ecUsage;
  else if (o.Stopped || !o.Errors.empty())
    o.Code = ecFailure;
  return o;
}

// The lines of the verification report, as the main window's report shows
// them. A verification stopped by a conversion error ends after the lines
// collected so far: it can claim neither "no errors" nor a count.
void WriteVerifyReport(std::ostream& out, const std::string& file, const TVerifyOutcome& o) {
  out << "FAN Data file verify\n" << file << "\n\n";
  for (const std::string& line : o.Errors) out << line << '\n';
  if (o.Stopped) return;
  if (o.Errors.empty())
    out << "No errors have been found...\n";
  else
    out << '\n' << Format("%d error(s) found...", {static_cast<int>(o.Errors.size())}) << '\n';
}

// ---------------------------------------------------------------------------
// show

// One fit of the model view.
struct TViewFit {
  std::string_view Key;   // "ps"
  std::string_view Name;  // "Ps"
  std::vector<double> Coeffs;
  int Error = 0;
  TFitStats Stats;
  std::string Summary;
  std::string Equation;
};

TViewFit FitCurve(const TFanModel& m, const std::vector<double>& values, int order, std::string_view format,
                  std::string_view key, std::string_view name) {
  TViewFit f;
  f.Key = key;
  f.Name = name;
  FitPolynomial(m.Qa, values, m.Count, order, f.Coeffs, f.Error, f.Stats, f.Summary);
  f.Equation = PolyToStr(f.Coeffs, format, name, "Q");
  return f;
}

// The three fits of the model view: Ps and Pw against Q of order 3 with
// "%0.4g", Lw of order 2 with "%0.2g".
std::vector<TViewFit> ModelViewFits(const TFanModel& m) {
  return {FitCurve(m, m.Ps, 3, "%0.4g", "ps", "Ps"), FitCurve(m, m.Pw, 3, "%0.4g", "pw", "Pw"),
          FitCurve(m, m.Lw, 2, "%0.2g", "lw", "Lw")};
}

std::string KindName(TFanKind kind) {
  const auto i = static_cast<std::size_t>(kind);
  return i < KindNames.size() ? std::string(KindNames[i]) : std::string();
}

void WriteShowJson(std::ostream& out, const std::string& file, const TFan& fan, int status,
                   const std::vector<TViewFit>& fits, const std::vector<std::string>& messages) {
  const TFanHeader& h = fan.Header;
  const TFanModel& m = fan.Model;
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
  w.StringArray(fan.Models);
  w.Key("messages");
  w.StringArray(messages);
  w.Key("model");
  if (fan.Models.empty()) {
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
  w.NumberArray(fan.Coeffs);
  w.Field("error", fan.FitError);
  w.Field("r2", fan.FitStats.R2);
  w.Field("adj_r2", fan.FitStats.AdjR2);
  w.EndObject();
  w.Key("view");
  w.BeginObject();
  for (const TViewFit& f : fits) {
    w.Key(f.Key);
    w.BeginObject();
    w.Key("coeffs");
    w.NumberArray(f.Coeffs);
    w.Field("error", f.Error);
    w.Field("summary", f.Summary);
    w.Field("equation", f.Equation);
    w.EndObject();
  }
  w.EndObject();
  w.EndObject();
  w.Finish();
}

// "0.5" or an empty cell beyond the end of a list.
std::string Cell(const std::vector<double>& values, std::size_t i) {
  return i < values.size() ? TextNumber(values[i]) : std::string();
}

void WriteShowText(std::ostream& out, const std::string& file, const TFan& fan, int status,
                   const std::vector<TViewFit>& fits) {
  const TFanHeader& h = fan.Header;
  const TFanModel& m = fan.Model;
  out << "Fan data file\t" << file << '\n';
  out << "Status\t" << StatusTextOf(status) << '\n';
  out << "Maker\t" << h.Maker << '\n';
  out << "Range\t" << h.Range << '\n';
  out << "Description\t" << h.Description << '\n';
  out << "Version\t" << h.Version << '\n';
  out << "Density\t" << TextNumber(h.Density) << "\tkg/m³\n";
  out << "Kind\t" << KindName(h.Kind) << '\n';
  out << "Models";
  for (const std::string& name : fan.Models) out << '\t' << name;
  out << '\n';
  if (fan.Models.empty()) return;

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

  out << '\n';
  for (const TViewFit& f : fits) {
    out << f.Name << " vs Q\t" << (f.Error != 0 ? std::string("no fit") : f.Summary) << '\n';
    if (!f.Equation.empty()) out << f.Equation << '\n';
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
                     const std::vector<std::string>& messages) {
  TJsonWriter w(out);
  w.BeginObject();
  w.Field("file", file);
  w.Key("best_index");
  if (bestIndex)
    w.Integer(*bestIndex);
  else
    w.Null();
  w.Field("model", fan.Model.Name);
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
  optionalNumber("flow", dutyFlow);
  optionalNumber("pressure", dutyPressure);
  w.EndObject();
  const auto number = [&](std::string_view key, double TSelectionResult::*field) {
    w.Key(key);
    if (r)
      w.Number(r->*field);
    else
      w.Null();
  };
  number("speed", &TSelectionResult::Speed);
  number("raw_speed", &TSelectionResult::RawSpeed);
  number("flow", &TSelectionResult::Volume);
  number("static_pressure", &TSelectionResult::PStatic);
  number("dynamic_pressure", &TSelectionResult::PDynamic);
  number("total_pressure", &TSelectionResult::PTotal);
  number("shaft_power", &TSelectionResult::ShaftPower);
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
  w.Key("messages");
  w.StringArray(messages);
  w.EndObject();
  w.Finish();
}

}  // namespace

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
  bool stopped = false;
  try {
    LoadFan(fan, file, log);
    if (!Unreadable(fan)) {
      if (request.Model)
        fan.SelectModel(*request.Model);
      else if (!fan.Models.empty())
        fan.SelectModel(fan.Models.front());
    }
  } catch (const EConvertError& e) {
    log.Add(e.what(), fan.Model.Name);
    stopped = true;
  }
  // A model whose read a conversion error abandoned holds data in part: it
  // is shown as a data error, whatever status the reader had reached.
  int status = fan.Status;
  if (stopped && status == fsReady) status = fsDataError;

  const std::vector<TViewFit> fits = ModelViewFits(fan.Model);
  if (request.Json)
    WriteShowJson(out, file, fan, status, fits, log.Messages);
  else
    WriteShowText(out, file, fan, status, fits);

  if (Unreadable(fan)) return ecUsage;
  return status == fsReady ? ecSuccess : ecFailure;
}

int RunSelect(const TCliRequest& request, std::ostream& out, std::ostream& err) {
  const std::string& file = request.Operands.front();
  TFan fan;
  TMessageLog log(request.Json, err, file);
  log.Attach(fan);

  std::optional<int> bestIndex;
  std::optional<TSelectionResult> result;
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
            request.Model ? *request.Model : (fan.Models.empty() ? std::string() : fan.Models.front());
        if (!name.empty()) fan.SelectModel(name);
        if (!name.empty() && fan.Status == fsReady) {
          if (request.Browse)
            result = EvaluateBrowse(fan);
          else
            result = EvaluateDuty(fan, request.Flow, request.Pressure, request.Flow, request.Pressure);
        }
      } else {
        bestIndex = fan.FindBestModel(request.Flow, request.Pressure);
        if (*bestIndex >= 0)
          result = EvaluateDuty(fan, request.Flow, request.Pressure, request.Flow, request.Pressure);
      }
    }
  } catch (const EConvertError& e) {
    log.Add(e.what(), fan.Model.Name);
    stopped = true;
    result.reset();
  }

  int status = result ? result->Status : fan.Status;
  // No evaluation although the fan reports no failure: the file names no
  // model (or a conversion error stopped the read).
  if (!result && status == fsReady) status = stopped ? fsDataError : fsModelNotFound;
  const std::string statusText(StatusTextOf(status));
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

  int code = Unreadable(fan) ? ecUsage : status == fsReady ? ecSuccess : ecFailure;

  if (request.Png) {
    if (!result) {
      // The selection itself failed (its exit code says so): nothing to draw.
      err << kProgram << ": " << *request.Png << " not written: there is no evaluation to draw\n";
    } else if (const std::string why =
                   WriteChartPicture(result->Chart, request.Width, request.Height, *request.Png);
               !why.empty()) {
      err << kProgram << ": " << why << '\n';
      code = ecUsage;
    }
  }

  if (request.Json) {
    WriteSelectJson(out, file, bestIndex, fan, status, statusText, dutyFlow, dutyPressure,
                    result ? &*result : nullptr, lines, log.Messages);
  } else {
    if (result) out << result->ModelCaption << '\n';
    for (const std::string& line : lines) out << line << '\n';
    if (result) out << result->R2Text << '\n';
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
    TInstallResult r;
    bool stopped = false;
    try {
      r = InstallFanFile(file, databaseFolder, fan);
    } catch (const EConvertError& e) {
      log.Add(e.what(), fan.Model.Name);
      r.Errors = fan.Errors;
      stopped = true;
    }
    if (Unreadable(fan)) log.Add(std::string(StatusTextOf(fan.LoadStatus())));
    if (!r.Message.empty()) log.Add(r.Message);
    const int code = Unreadable(fan) ? ecUsage : (r.Installed && !stopped) ? ecSuccess : ecFailure;
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

int RunList(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out) {
  const std::vector<TInstalledFile> files = ListInstalledFiles(databaseFolder);
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
    for (const TInstalledFile& f : files) out << f.Name << '\t' << f.Path << '\n';
  }
  return ecSuccess;
}

int RunDelete(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out,
              std::ostream& err) {
  std::string name = request.Operands.front();
  std::optional<TInstalledFile> file;
  // A name, never a path: nothing outside the database folder is touched.
  if (name.find('/') == std::string::npos) {
    file = FindInstalledFile(databaseFolder, name);
    const std::string_view ext = FanFileExtension;
    if (!file && name.size() > ext.size() &&
        SameText(std::string_view(name).substr(name.size() - ext.size()), ext))
      file = FindInstalledFile(databaseFolder, name.substr(0, name.size() - ext.size()));
  }
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
