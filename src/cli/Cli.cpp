#include "cli/Cli.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>

#include "base/Convert.h"
#include "base/Format.h"
#include "cli/CliAuthoring.h"
#include "cli/CliCommands.h"
#include "cli/CliSelection.h"
#include "cli/CliSound.h"
#include "cli/TerminalText.h"
#include "fan/FanDuty.h"
#include "services/Folders.h"
#include "services/QmVerInfo.h"
#include "units/QmConv.h"

namespace blowden {

namespace {

constexpr std::string_view kProgram = "blowden-cli";

// Flow units are those of the selector's flow field (stored in m³/s, index
// 0), pressure units those of its pressure field (stored in Pa, index 1).
constexpr TUnitsType kFlowType = utAirFlowPrim;
constexpr TUnitsType kPressureType = utAirPressDrop;

// Picture sizes: the chart's margins need room, and a picture stays a
// picture (8192 x 8192 is 256 MB of pixels already).
constexpr int kMinWidth = 100, kMinHeight = 80, kMaxSide = 8192;

struct TOptionSpec {
  std::string_view Name;
  bool TakesValue;
};

constexpr TOptionSpec kOptions[] = {
    {"--json", false},          {"--browse", false},
    {"--model", true},          {"--flow", true},
    {"--flow-units", true},     {"--pressure", true},
    {"--pressure-units", true}, {"--png", true},
    {"--size", true},           {"--model-line", true},
    {"--pressure-kind", true},  {"--power-units", true},
    {"--into", true},           {"--as", true},
    {"--diameter", true},       {"--speed", true},
    {"--density", true},        {"--density-units", true},
    {"--altitude", true},       {"--altitude-units", true},
    {"--temperature", true},    {"--temperature-units", true},
    {"--units", true},          {"--all", false},
    {"--sort", true},           {"--limit", true},
    {"--csv", false},           {"--pdf", true},
    {"--force", false},         {"--efficiency-step", true},
    {"--tolerance", true},      {"--verbose", false},
    {"--exact", false},         {"--distance", true},
    {"--directivity", true},
};

// The options of the energy figures and the datasheet's submittal fields.
constexpr TOptionSpec kSubmittalOptions[] = {
    {"--min-fei", true}, {"--motor-margin", true}, {"--project", true}, {"--tag", true}, {"--quantity", true},
};

struct TCommandSpec {
  std::string_view Name;
  std::string_view Usage;  // after the program name; continuation lines go below the options
  std::vector<std::string_view> Options;
  std::size_t MinOperands;
  std::size_t MaxOperands;
};

constexpr std::size_t kMany = static_cast<std::size_t>(-1);

const std::vector<TCommandSpec>& Commands() {
  static const std::vector<TCommandSpec> commands = {
      {"verify", "verify  [--json] FILE...", {"--json"}, 1, kMany},
      {"show", "show    [--json] [--model NAME] FILE", {"--json", "--model"}, 1, 1},
      {"select",
       "select  [--json] [--model NAME] [--browse]\n"
       "--flow Q [--flow-units U] --pressure P [--pressure-units U]\n"
       "[--pressure-kind static|total] [--units si|ip] [--tolerance PCT]\n"
       "[--distance M] [--directivity Q]\n"
       "[--density RHO [--density-units U] | --altitude H [--altitude-units m|ft]\n"
       " [--temperature T [--temperature-units C|F]]]\n"
       "[--min-fei X] [--motor-margin PCT]\n"
       "[--force] [--pdf OUT.pdf [--project TEXT] [--tag MARK] [--quantity N]]\n"
       "[--png OUT.png [--size WxH]] FILE\n"
       "select  (several FILEs | --all) --flow Q ... --pressure P ...\n"
       "[--sort power|efficiency|sound|speed|margin|fei] [--limit N] [--json | --csv]\n"
       "[--pdf OUT.pdf [--project TEXT] [--tag MARK] [--quantity N]] [--force]",
       {"--json",
        "--model",
        "--browse",
        "--flow",
        "--flow-units",
        "--pressure",
        "--pressure-units",
        "--png",
        "--size",
        "--pressure-kind",
        "--density",
        "--density-units",
        "--altitude",
        "--altitude-units",
        "--temperature",
        "--temperature-units",
        "--units",
        "--all",
        "--sort",
        "--limit",
        "--csv",
        "--pdf",
        "--force",
        "--tolerance",
        "--distance",
        "--directivity",
        "--min-fei",
        "--motor-margin",
        "--project",
        "--tag",
        "--quantity"},
       0,
       kMany},
      {"schedule",
       "schedule [--json | --csv] [--pdf OUT.pdf] [--project TEXT] [--force] [--sort KEY] [--units si|ip]\n"
       "[--tolerance PCT] [--min-fei X] [--motor-margin PCT] [--distance M] [--directivity Q]\n"
       "(FILE... | --all) SCHEDULE.csv",
       {"--json", "--csv", "--pdf", "--sort", "--units", "--all", "--force", "--tolerance", "--min-fei",
        "--motor-margin", "--project", "--distance", "--directivity"},
       1,
       kMany},
      {"check", "check   [--json] [--verbose] FILE...", {"--json", "--verbose"}, 1, kMany},
      {"install", "install [--json] FILE...", {"--json"}, 1, kMany},
      {"list", "list    [--json]", {"--json"}, 0, 0},
      {"delete", "delete  NAME", {}, 1, 1},
      {"import",
       "import  --model NAME --model-line D,REF,MIN,MAX,W,H,QNOM\n"
       "[--flow-units U] [--pressure-units U] [--pressure-kind static|total]\n"
       "[--power-units U] [--exact] [--into FILE] TABLE.csv",
       {"--model", "--model-line", "--flow-units", "--pressure-units", "--pressure-kind", "--power-units",
        "--into", "--exact"},
       1,
       1},
      {"derive",
       "derive  --model NAME --as NEW --diameter MM [--speed RPM]\n"
       "[--efficiency-step ackeret] [--exact] [--into FILE] FILE",
       {"--model", "--as", "--diameter", "--speed", "--efficiency-step", "--into", "--exact"},
       1,
       1},
  };
  return commands;
}

const TCommandSpec* FindCommand(std::string_view name) {
  for (const TCommandSpec& c : Commands())
    if (c.Name == name) return &c;
  return nullptr;
}

const TOptionSpec* FindOption(std::string_view name) {
  for (const TOptionSpec& o : kOptions)
    if (o.Name == name) return &o;
  for (const TOptionSpec& o : kSubmittalOptions)
    if (o.Name == name) return &o;
  return nullptr;
}

// A command line that cannot be run: what is wrong, and the command it
// concerns (null: the command itself is unknown or missing).
struct TUsageError {
  std::string Message;
  const TCommandSpec* Command = nullptr;
};

// The usage line of a command after `prefix` ("Usage: blowden-cli "), its
// continuation lines indented to the command's first option.
std::string UsageLines(std::string_view prefix, const TCommandSpec& c) {
  const std::string indent(prefix.size() + 8, ' ');
  std::string text(prefix);
  for (char ch : c.Usage) {
    text += ch;
    if (ch == '\n') text += indent;
  }
  return text + "\n";
}

int ReportUsage(const TUsageError& e, std::ostream& err) {
  err << kProgram << ": " << e.Message << '\n';
  if (e.Command) {
    err << UsageLines("Usage: " + std::string(kProgram) + " ", *e.Command);
  } else {
    err << "Usage: " << kProgram
        << " verify|show|select|schedule|check|install|list|delete|import|derive ... | --help | --version\n";
  }
  err << "Try '" << kProgram << " --help' for more information.\n";
  return ecUsage;
}

// "640x480" -> 640, 480.
bool ParseSize(std::string_view text, int& width, int& height) {
  const auto x = text.find_first_of("xX");
  if (x == std::string_view::npos) return false;
  std::int32_t w = 0, h = 0;
  if (!TryStrToInt(text.substr(0, x), w) || !TryStrToInt(text.substr(x + 1), h)) return false;
  if (w < kMinWidth || h < kMinHeight || w > kMaxSide || h > kMaxSide) return false;
  width = w;
  height = h;
  return true;
}

// --units si|ip: the units of every figure shown.
template <class ValueOf>
std::optional<std::string> ParseUnitsOption(const ValueOf& valueOf, TCliRequest& request) {
  if (const auto units = valueOf("--units")) {
    if (*units == "si" || *units == "SI") {
      request.Units = TResultUnits{};
    } else if (*units == "ip" || *units == "IP") {
      request.Units = TResultUnits::IP();
      request.Ip = true;
    } else {
      return Format("'%s' is not a choice of units (si or ip)", {*units});
    }
  }
  return std::nullopt;
}

// The options of a ranking's output: --all, --csv (not with --json), --sort.
template <class ValueOf>
std::optional<std::string> ParseRankingOptions(const ValueOf& valueOf, TCliRequest& request) {
  request.All = valueOf("--all").has_value();
  request.Csv = valueOf("--csv").has_value();
  if (request.Csv && request.Json) return std::string("give either '--json' or '--csv', not both");
  if (auto e = ParseListenerOptions(valueOf("--distance"), valueOf("--directivity"), request.Listener))
    return e;
  if (const auto sort = valueOf("--sort")) {
    const auto key = FindRankKey(*sort);
    if (!key)
      return Format("'%s' is not a ranking key (power, efficiency, sound, speed, margin, fei)", {*sort});
    request.Sort = *key;
  }
  return std::nullopt;
}

// --min-fei, --motor-margin (the motor series follows --units), and the
// datasheet's --project, --tag and --quantity.
template <class ValueOf>
std::optional<std::string> ParseSubmittalOptions(const ValueOf& valueOf, TCliRequest& request) {
  return ParseEnergyOptions(valueOf("--min-fei"), valueOf("--motor-margin"), valueOf("--project"),
                            valueOf("--tag"), valueOf("--quantity"), request);
}

// The options of a selection beyond the duty: pressure kind, site air,
// result units and the ranking. Returns what is wrong, if anything.
template <class ValueOf>
std::optional<std::string> ParseSelectionOptions(const ValueOf& valueOf, TCliRequest& request) {
  if (auto e = ParseUnitsOption(valueOf, request)) return e;
  if (auto e = ParseSubmittalOptions(valueOf, request)) return e;
  const auto density = valueOf("--density"), altitude = valueOf("--altitude"),
             temperature = valueOf("--temperature");
  if (valueOf("--density-units") && !density)
    return std::string("option '--density-units' needs '--density'");
  if (valueOf("--altitude-units") && !altitude)
    return std::string("option '--altitude-units' needs '--altitude'");
  if (valueOf("--temperature-units") && !temperature)
    return std::string("option '--temperature-units' needs '--temperature'");
  // The duty is read as every view reads one.
  constexpr std::pair<TDutyField, std::string_view> kFields[] = {
      {dfFlow, "--flow"},
      {dfFlowUnits, "--flow-units"},
      {dfPressure, "--pressure"},
      {dfPressureUnits, "--pressure-units"},
      {dfPressureKind, "--pressure-kind"},
      {dfDensity, "--density"},
      {dfDensityUnits, "--density-units"},
      {dfAltitude, "--altitude"},
      {dfAltitudeUnits, "--altitude-units"},
      {dfTemperature, "--temperature"},
      {dfTemperatureUnits, "--temperature-units"},
      {dfTolerance, "--tolerance"},
  };
  TDutyText text;
  for (const auto& [field, option] : kFields) {
    text.Values[field] = valueOf(option).value_or(std::string());
    text.Places[field] = " for " + std::string(option);
  }
  const bool hasDuty = valueOf("--flow") && valueOf("--pressure");
  if (!hasDuty) {
    // Browse mode has no duty of its own: the rest is read around a neutral one.
    text.Values[dfFlow] = "1";
    text.Values[dfPressure] = "0";
  }
  TDuty duty;
  std::string error;
  if (!ParseDuty(text, duty, error)) return error;
  request.HasDuty = hasDuty;
  if (hasDuty) {
    request.Flow = duty.Flow;
    request.Pressure = duty.Pressure;
  }
  request.PressureKind = duty.Kind;
  request.Air = duty.Air;
  request.Tolerance = duty.Tolerance;

  if (auto e = ParseRankingOptions(valueOf, request)) return e;
  const bool ranked = request.All || request.Operands.size() > 1;
  if (request.All && !request.Operands.empty()) return std::string("give either FILEs or '--all', not both");
  if (const auto limit = valueOf("--limit")) {
    std::int32_t n = 0;
    if (!TryStrToInt(*limit, n) || n < 1)
      return Format("'%s' is not a number of candidates (1 or more)", {*limit});
    request.Limit = n;
  }
  if (!ranked) {
    for (const char* option : {"--sort", "--limit", "--csv"})
      if (valueOf(option))
        return Format("option '%s' ranks several files: give several FILEs or '--all'", {option});
  } else {
    for (const char* option : {"--model", "--browse", "--png"})
      if (valueOf(option)) return Format("option '%s' needs a single FILE", {option});
  }
  return std::nullopt;
}

// Parses args[1...] for `spec` into `request`; the options' values are checked
// (numbers, units, size). Returns the usage error, if any.
std::optional<TUsageError> ParseCommand(const TCommandSpec& spec, const std::vector<std::string>& args,
                                        TCliRequest& request) {
  request.Command = std::string(spec.Name);
  std::vector<std::pair<std::string, std::string>> given;  // option, value
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      request.Operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      if (const auto eq = arg.find('='); eq != std::string::npos) {
        name = arg.substr(0, eq);
        inlineValue = arg.substr(eq + 1);
      }
    }
    const TOptionSpec* option = FindOption(name);
    if (!option || std::find(spec.Options.begin(), spec.Options.end(), name) == spec.Options.end())
      return TUsageError{Format("unknown option '%s' for %s", {name, spec.Name}), &spec};
    if (std::any_of(given.begin(), given.end(), [&](const auto& g) { return g.first == name; }))
      return TUsageError{Format("option '%s' given twice", {name}), &spec};
    std::string value;
    if (option->TakesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return TUsageError{Format("option '%s' needs a value", {name}), &spec};
      }
    } else if (inlineValue) {
      return TUsageError{Format("option '%s' takes no value", {name}), &spec};
    }
    given.emplace_back(name, value);
  }

  const bool all = std::any_of(given.begin(), given.end(), [](const auto& g) { return g.first == "--all"; });
  if (spec.Name == "select" && !all && request.Operands.empty())
    return TUsageError{"a fan data file is missing (or '--all' for every installed file)", &spec};
  if (request.Operands.size() < spec.MinOperands)
    return TUsageError{spec.Name == "delete"     ? std::string("the name of an installed file is missing")
                       : spec.Name == "import"   ? std::string("the table file is missing")
                       : spec.Name == "schedule" ? std::string("the schedule file is missing")
                                                 : std::string("a fan data file is missing"),
                       &spec};
  if (request.Operands.size() > spec.MaxOperands)
    return TUsageError{Format("unexpected argument '%s'", {request.Operands[spec.MaxOperands]}), &spec};

  const auto valueOf = [&](std::string_view name) -> std::optional<std::string> {
    for (const auto& g : given)
      if (g.first == name) return g.second;
    return std::nullopt;
  };

  request.Json = valueOf("--json").has_value();
  request.Verbose = valueOf("--verbose").has_value();
  request.Browse = valueOf("--browse").has_value();
  request.Model = valueOf("--model");
  request.Png = valueOf("--png");
  request.Force = valueOf("--force").has_value();
  if (request.Png && request.Png->empty()) return TUsageError{"option '--png' needs a file name", &spec};
  if (spec.Name == "select" || spec.Name == "schedule") {
    request.Pdf = valueOf("--pdf");
    if (request.Pdf && request.Pdf->empty()) return TUsageError{"option '--pdf' needs a file name", &spec};
    if (request.Pdf && request.Png && *request.Pdf == "-" && *request.Png == "-")
      return TUsageError{"'--png -' and '--pdf -' cannot both write to standard output", &spec};
    if (request.Force && !request.Png && !request.Pdf)
      return TUsageError{"option '--force' needs '--png' or '--pdf'", &spec};
  }
  request.Options = given;
  // The authoring commands check their options themselves: their units
  // include spellings of fan tables ("in. wg", "mm H2O").
  if (spec.Name == "import" || spec.Name == "derive") return std::nullopt;
  // A schedule's duties are in its table; the rest is how to rank and show them.
  if (spec.Name == "schedule") {
    if (auto e = ParseUnitsOption(valueOf, request)) return TUsageError{*e, &spec};
    if (auto e = ParseSubmittalOptions(valueOf, request)) return TUsageError{*e, &spec};
    if (const auto tolerance = valueOf("--tolerance")) {
      double t = 0;
      if (!TryStrToFloat(*tolerance, t))
        return TUsageError{Format("'%s' is not a number for --tolerance", {*tolerance}), &spec};
      if (auto e = ToleranceError(t, *tolerance, " for --tolerance")) return TUsageError{*e, &spec};
      request.Tolerance = t;
    }
    if (auto e = ParseRankingOptions(valueOf, request)) return TUsageError{*e, &spec};
    return std::nullopt;
  }

  if (const auto size = valueOf("--size")) {
    if (!request.Png) return TUsageError{"option '--size' needs '--png'", &spec};
    if (!ParseSize(*size, request.Width, request.Height))
      return TUsageError{Format("'%s' is not a picture size WxH (width %d to %d, height %d to %d)",
                                {*size, kMinWidth, kMaxSide, kMinHeight, kMaxSide}),
                         &spec};
  }

  if (spec.Name == "select") {
    if (!request.Browse && (!valueOf("--flow") || !valueOf("--pressure")))
      return TUsageError{"select needs the duty: '--flow Q' and '--pressure P' (or '--browse')", &spec};
    if (const auto error = ParseSelectionOptions(valueOf, request)) return TUsageError{*error, &spec};
  }
  return std::nullopt;
}

std::string VersionLine() { return std::string(kProgram) + " " + ProgramVersion(); }

}  // namespace

std::string CliDatabaseFolder() {
  // The pure computation of the desktop program's start-up, fed with the
  // platform folders read without Qt; it touches no file. The documents
  // folder is not needed here, so its absence is no error.
  const TStartupResult startup =
      ComputeStartupValues(RunningProgramPath(), PlatformDataFolder(), PlatformDocumentsFolder());
  return startup.Values.DatabaseFolder;
}

std::string CliHelpText() {
  std::string t;
  t += VersionLine() +
       ": fan data files (.qfn) checked, shown, selected from and installed without a window.\n";
  t += "\nUsage:\n";
  for (const TCommandSpec& c : Commands()) t += UsageLines("  " + std::string(kProgram) + " ", c);
  t += "  " + std::string(kProgram) + " --help | --version\n";
  t += R"(
Commands:
  verify   Load each FILE and check every model against the verification rules,
           as "Verify Fan" does. Prints per file "FAN Data file verify", the path,
           an empty line, then the error lines or "No errors have been found...",
           and after errors an empty line and "N error(s) found...".
           Besides the file's structure the rules refuse data no result can
           come from: a "Density" not a number above 0 or beyond 0.01 to 100
           kg/m³, flows that repeat or are all 0, no positive static pressure,
           a shaft power of 0 or less, a value not finite or beyond its bound
           (flow ±1E4 m³/s, pressure ±1E6 Pa, power 1E5 kW, sound 0 to 200 dB,
           speeds 100000 rpm, diameter and outlet 50 m).
  show     Load FILE, select the model NAME (default: the first) and print the
           catalogue header, the model's data and the fitted curves of the model
           view: Ps and Pw against Q (order 3), Lw against Q (order 2), each with
           its summary and equation.
           With --json each fit also gives "residuals": every tested point's
           measured and fitted value and their difference (in Pa, kW or dB, and
           in % of the measured value), and "largest_residual", its index.
  select   Load FILE and evaluate a duty as the fan selector does. Without
           --model the model that suits the duty best is searched first ("Find");
           then the speed is solved and the nine result lines are printed (or the
           status text when the model cannot meet the duty). Results are always
           in m³/s, Pa, kW, % and dB.
           Every selection gets a verdict, ok, warning or rejected, by the
           rules the window, the ranking, the schedule and the datasheet use.
           Rejected: a speed above MaxSpeed or below MinSpeed (the search
           looks up to 1.1 x MaxSpeed, the verdict decides); an operating flow
           below the duty flow by more than --tolerance (default 0 %); a point
           left of the fitted pressure peak (stall); a status other than
           Ready; an efficiency above 100 %, a shaft power of 0 or below, or
           below the air power; a model whose read failed or that has a
           verification error. Warnings: an efficiency above 90 %; a point
           outside the tested flows (extrapolated); an operating flow outside
           70-130 % of the fitted best-efficiency flow; a total efficiency more
           than 15 points below the model's peak; a listed-speed fan giving
           more than 110 % of the duty flow; a flow short within the tolerance.
           After the nine lines: "Running Speed" when a limit's message took
           the speed's line, one "Rejected: " line per reason and one
           "Warning: " line per warning. When the search's choice is rejected
           and another model of the file is acceptable, the acceptable one with
           the lowest shaft power is evaluated, with a line saying why the
           first was passed over; when none is, "No model of this file meets
           the duty: " and the count of models per reason.
           With --json: "duty_met", "speed_margin", "stall_margin" (null
           without a pressure peak inside the tested flows), "bep_ratio",
           "peak_efficiency", "tolerance", "static_efficiency",
           "pressure_kind", "density", "reference_density", "density_ratio",
           "units", "verdict", "reasons", "warnings", "sound", "find_notes" and the
           energy figures "fei", "fei_basis", "fan_electrical_power", "motor"
           ({"rated_power", "efficiency", "source": "catalogue" or "IE3
           table"}) and "electrical_power" (null without an operating point).
           Text mode prints them after the R² line: "Fan Energy Index",
           "Fan Electrical Power", "Motor Rating", "Motor Efficiency",
           "Electrical Power", "Tip Speed" and "Outlet Velocity".
           "sound": {"lw", "lwa", "bands" ({"63": ..., "8000": ...}), "lp",
           "lp_weighting", "distance", "directivity", "kind"}: the octave
           bands at the operating point (each band interpolated along the
           curve as the total, + 50 lg(n/nref) + 20 lg r), LwA from them with
           the A-weighting, and Lp = LwA - 10 lg(4 pi r² / Q) at --distance
           with --directivity; a model without bands gives "lwa" and "bands"
           null and Lp from Lw, unweighted ("lp_weighting" "none").
           With several FILEs, or --all (every installed file), every model of
           every file is evaluated for the duty and the models whose verdict is
           ok or warning are ranked (--sort, default power; --limit N shows the
           first N): one row
           each with rank, file, maker, range, model, speed, speed_margin, flow,
           static_pressure, total_pressure, shaft_power, static_efficiency,
           efficiency, sound_power, stall_margin, bep_ratio, fei, motor_rating,
           electrical_power, lwa, lp and warnings, then
           "Rejected" and each left out model with its reasons. The text is a
           table for people: columns lined up, units in the header ("speed
           [rpm]", "flow [cfm]"), figures rounded as the selector shows them
           (speed 0 decimals, efficiencies 0.1, flow, pressure and power as
           their unit's format), files by name without their folders unless
           two differ only by folder. --csv writes comma separated CSV with
           every digit (the shortest text that reads back as the double), as
           JSON does. A stall margin that does not exist reads "n/a". With --json: "duty", "units", "sort", "tolerance",
           "candidates" (each with "verdict", "reasons", "warnings"),
           "rejected" (each with "reason", "verdict", "reasons", "warnings")
           and "messages".
  schedule Rank every mark of an equipment schedule over the FILEs (or, with
           --all, every installed file) as a ranked select ranks one duty, and
           give each mark its best fan and the next two, or why no fan fits
           ("no model meets the duty: 14 above their maximum speed, ...").
           The last argument is the schedule: CSV whose first row names the
           columns mark, flow, pressure (required) and flow_units,
           pressure_units, pressure_kind, density (kg/m³), altitude (m),
           temperature (°C), quantity (optional, in any order and case; other columns
           are ignored). An empty field means m³/s, Pa, static and the
           catalogue's air; units as --flow-units and --pressure-units take
           them; a density and an altitude or temperature in one row are an
           error. A row that cannot be used is reported on standard error as
           "SCHEDULE.csv:LINE: why" and the other rows still run (exit code 1).
           Text: one line per mark with units in the header and figures
           rounded as a ranked select's text; a cell cut at 40 characters with
           "…" (the last at 200). --csv and --json keep every digit. --csv: one record per mark with the duty,
           the best fan's figures (the columns of a ranked select), warnings,
           alt1_file, alt1_model, alt2_file, alt2_model, reason and error.
           --json: an array of {"mark", "line", "quantity", "duty", "units",
           "sort", "candidates" (up to 3, as a ranked select's), "rejected" (as a
           ranked select's), "reason" (null when a
           fan fits), "error" (null, or why the row cannot be used; its duty
           is then null), "messages"}. Every row of the schedule appears, in
           file order. --pdf OUT.pdf also writes one datasheet page per mark
           (its best fan), once every mark is ranked ("-": standard output,
           the table then goes to standard error; a folder or a file read is
           refused).
  check    Load each FILE and check every model's figures for physical sense,
           as "Check Fan" does: a total efficiency above 90 % (warning) or
           100 % (error), shaft power below the air power (error), the static
           pressure peak, fitted curves that miss a tested point by more than
           3 %, sound power that falls while the air power rises, and a nominal
           flow the reader replaced. Warnings also for figures no real fan
           reaches: a test density outside 0.9 to 1.3 kg/m³, a pressure
           coefficient pt/(rho u²) above 1.5 at a tested point (u = pi D n / 60
           at the reference speed), a specific sound level Lw - 10 lg(Q) -
           20 lg(pt) outside 20 to 55 dB where pt is at least 10 % of the
           model's highest, and a tip speed at MaxSpeed above 150 m/s (or the
           catalogue's "MaxTipSpeed" key, m/s), and octave bands (Lw63 ..
           Lw8000) whose energy sum differs from a point's Lw by more than
           1 dB. Data that fail verification are
           check errors. Prints per file "FAN Data file check", the
           path, an empty line, then the answer first: "N errors, N warnings,
           N notes", how many notes on single points are not shown, an empty
           line, every error, every warning and the notes on whole models.
           --verbose also prints the notes on every tested point (both
           efficiencies and each fit's residual). A fit's misses that one
           point's typing error causes are folded into that point's finding
           ("... and points 1, 2, 4 by more than 3 % because of it"), as is a
           warning on a point where an error judges the same quantity.
           Install refuses a file with a check error.
  install  Verify each FILE and copy those without errors into the database
           folder (replacing an installed file of the same name). Refused files
           are listed with their error lines. A FILE whose name begins with "."
           or does not end in ".qfn" is refused: list, delete and --all would
           never see it.
  list     The installed fan files: name and full path, separated by a tab
           (a tab or line break in a name shows as \x09 or \x0A).
  delete   Delete the installed file NAME (with or without ".qfn"), leaving the
           backup NAME._fn beside it. No question is asked.
           An earlier backup is kept as NAME._fn.1 (the next free number); the
           exact file name wins ("x.qfn" never deletes "x.QFN").
           Install and delete lock the database folder: one waits for the
           other (at most 10 s, then it is refused), so each ends whole.
)";
  t += AuthoringCommandsHelp();
  t += R"(
Options:
  --json              Print one JSON document on standard output instead of text.
                      The fan model's messages then go into "messages".
  --model NAME        The model (section name) to show or evaluate.
  --browse            Evaluate the model (default: the first) at its nominal flow
                      and reference speed, as the selector's browse mode does;
                      --flow and --pressure are not needed then.
  --flow Q            Duty volume flow (above 0).
  --flow-units U      Unit of Q (default m³/s): )";
  t += GetUnitsLabelList(kFlowType);
  t += R"(.
  --pressure P        Duty static pressure (0 or more).
  --pressure-units U  Unit of P (default Pa): )";
  t += GetUnitsLabelList(kPressureType);
  t += R"(.
                      Units match without regard to case; "m3" may stand for "m³".
  --pressure-kind K   Whether P is the fan's static (default) or total pressure
                      (any case).
  --density RHO       The air at the fan (site air) as a density (default: each
                      catalogue's own "Density"); --density-units U, default kg/m³.
  --altitude H        The site air as the standard atmosphere's at altitude H
                      (--altitude-units m (default) or ft; -500 to 11000 m) ...
  --temperature T     ... and temperature T (--temperature-units °C (default),
                      °F or K; C and F too); either alone assumes 0 m or 20 °C
                      for the other. Site air scales pressures and power by the
                      density ratio r = site / catalogue and sound power by
                      20 lg r dB; flow and efficiency stay.
  --tolerance PCT     How far the operating flow may fall short of the duty
                      flow, in % of it, before the duty counts as not met
                      (0 to 50, default 0; select and schedule).
  --distance M        Where the sound pressure level Lp is given: M metres from
                      the fan (above 0, at most 1000; default 1.5).
  --directivity Q     The directivity of the fan's surroundings (1 free field,
                      2 a hard floor (default), 4 a floor and a wall, 8 a
                      corner).
  --units si|ip       Result units: si (m³/s, Pa, kW, default) or ip (cfm,
                      InchWg, HP; motors from the NEMA hp series).
  --min-fei X         Reject a selection whose Fan Energy Index is below X
                      (0 to 10; select and schedule). FEI by AMCA 208: the
                      electrical power of a reference fan, shaft power
                      (Q + 0.118)(P + 100 rho/1.2) / (1000 eta0), eta0 0.66 on
                      total and 0.60 on static pressure, through the reference
                      belt and motor, over the fan's own (with the catalogue's
                      Drive and Motor when given). Total pressure for a ducted
                      outlet, static for a free one (InstallationType A or C).
  --motor-margin PCT  The motor is the smallest standard rating (IEC 60072 kW,
                      NEMA hp with --units ip) at or above the largest shaft
                      power along the operating speed x (1 + PCT/100); default
                      10, 0 to 100. Its efficiency: the catalogue's "Motor" key,
                      else IE3 4-pole 50 Hz (IEC 60034-30-1). Electrical power =
                      shaft power / (drive x motor efficiency).
  --project TEXT, --tag MARK, --quantity N
                      The datasheet's project, tag and quantity (with --pdf;
                      schedule takes --project and reads a quantity column).
  --all               Rank every installed fan file (instead of FILEs).
                      A FILE given twice (or by a second link) counts once; a
                      FILE that cannot be read is said on standard error, is
                      listed among the rejected, and makes the exit code 2.
  --sort KEY          Rank by power (lowest shaft power, default), efficiency
                      (highest), sound (lowest), speed (lowest), margin
                      (largest stall margin; models without one last) or fei
                      (highest Fan Energy Index); ties by file, then model.
                      sound ranks by LwA when every candidate has octave
                      bands, else by Lw, and says which ("sort_level" in
                      JSON, a last line in text).
  --limit N           Show only the first N candidates.
  --csv               Print the ranking as CSV (comma separated, CRLF lines,
                      every digit of each figure).
                      A text that begins with "=", "+", "-", "@", a tab or a
                      carriage return gets a leading "'", so that a spreadsheet
                      never runs it as a formula; numbers stay numbers.
  --png OUT.png       Also write the selector's curves chart as a PNG picture.
                      "-" writes it to standard output (the report then goes to
                      standard error); an existing pipe or device is written
                      into; a folder or one of the files read is refused.
                      Its ticks lie on multiples of the step inside the window,
                      plain up to 10^7; the duty and operating points are drawn
                      inside the frame (the JSON "chart" window is without that
                      margin).
)";
  t += Format(
      "  --size WxH          Size of that picture in pixels (default 640x480; width\n"
      "                      %d to %d, height %d to %d).\n",
      {kMinWidth, kMaxSide, kMinHeight, kMaxSide});
  t += R"(  --pdf OUT.pdf       Also write a datasheet (PDF, A4 or Letter by the locale):
                      one page per selection with the catalogue's identity
                      (file name, SHA-256, version), project, tag and
                      quantity, the duty, every result figure (FEI, motor and
                      electrical power included) in the chosen units, the
                      rating data, every warning, the curves chart, shaft
                      power and efficiency at the speed, and the model's data.
                      A ranked select writes one page per candidate (up to
                      --limit); several pages begin with a summary page.
                      "-", pipes, folders and files read as for --png. With
                      SOURCE_DATE_EPOCH set, the same input gives the same
                      bytes and the page's date is that time's.
  --force             Let --pdf and --png replace an existing file of another
                      kind. Without it such a file is refused (exit code 2):
                      an existing file is judged by its first bytes (a PDF
                      begins with "%PDF-", a PNG with its signature; a fan
                      data file also by its .qfn name), so that "--pdf *.qfn"
                      never turns a catalogue into a datasheet. A missing or
                      empty file and one of the same kind are replaced without
                      it. Never needed for, and never allowing: a file read by
                      the command, a folder, a file you may not write (mode
                      0444: refused even in a writable folder).
)";
  t += R"(  --verbose           check: also the notes on every tested point.
)";
  t += AuthoringOptionsHelp();
  t += R"(  -h, --help          Print this help.
  --version           Print the program's version.

Numbers use "." as the decimal separator whatever the locale ("2.5", "1.5E-3").
An option's value may also follow an equals sign ("--flow=2.5"); "--" ends the
options, so that a file name may begin with "-".
Text output shows control characters from files and names as \xNN (\u00NN
for U+0080 to U+009F), so they cannot act on the terminal.

JSON: verify and install give one entry per FILE whose "status" is that file's
exit code (0 passed / installed, 1 refused, 2 unreadable); show and select give
the fan model's status (0 "Ready" ... 7 "Fan model not found"). Figures that a
selection could not compute are null.

Database folder (install, list, delete): the desktop program's, found the same
way: the "Orvane" folder above this program when there is one, otherwise
$XDG_DATA_HOME/Orvane/ (default ~/.local/share/Orvane/); then "Common Files".
Here: )";
  const std::string folder = CliDatabaseFolder();
  t += folder.empty() ? std::string("(none: HOME is not set)") : folder;
  t += R"(

Exit codes:
  0  success: every file verified clean or installed, the selection's status 0
  1  verification errors, an install refused or not copied, a selection whose
     status is not 0, a number in a fan data file that does not convert
     (import, derive: a table or model that cannot be used, a name taken)
  1  a selection whose verdict is rejected: a duty that is not met, a speed
     outside the fan's limits, ... (select; a ranking: no candidate), check
     errors
  2  usage error (unknown command or option, a number or unit that does not
     parse; import: a column title naming an unknown unit; derive: a model that
     would not verify), a file that cannot be read at all, a picture that cannot be written
     (the old file then stays as it was), not enough memory for a file, a
     database folder that cannot be listed, an output refused (a file of
     another kind without --force, a read-only file, --into a pipe or a
     device), standard output that cannot be written
)";
  return t;
}

namespace {

// True when the output is no text for a terminal: JSON (its writer escapes
// control characters itself), CSV (its writers escape each field, so that
// the records keep their CRLF) or the picture on standard output.
bool RawOutput(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--json" || args[i] == "--csv" || args[i] == "--png=-" || args[i] == "--pdf=-")
      return true;
    if ((args[i] == "--png" || args[i] == "--pdf") && i + 1 < args.size() && args[i + 1] == "-") return true;
  }
  return false;
}

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // What files and names hold reaches the terminal escaped (see TerminalText).
  TTerminalSafeBuf outBuf(out.rdbuf()), errBuf(err.rdbuf());
  std::ostream safeOut(&outBuf), safeErr(&errBuf);
  std::ostream& o = RawOutput(args) ? out : safeOut;
  CliCurrentFile().clear();
  int code;
  try {
    code = RunCommand(args, o, safeErr);
  } catch (const std::bad_alloc&) {
    // A file too large for the memory at hand: said plainly, nothing
    // written half, and the usual "cannot be read" exit code.
    const std::string& file = CliCurrentFile();
    safeErr << kProgram << ": "
            << (file.empty() ? std::string("Not enough memory") : OutOfMemoryMessage(file)) << '\n';
    code = ecUsage;
  }
  outBuf.Finish();
  errBuf.Finish();
  // A full disk or a closed pipe on standard output: the output is not
  // complete, and the user must learn it from more than the exit code.
  errno = 0;
  safeOut.flush();
  out.flush();
  const int flushError = errno;
  if (!safeOut) out.setstate(std::ios::badbit);
  if (!out) {
    safeErr << kProgram << ": cannot write to standard output"
            << (flushError != 0 ? std::string(": ") + std::strerror(flushError) : std::string())
            << "; the output is incomplete\n";
    code = ecUsage;
  }
  safeErr.flush();
  return code;
}

namespace {

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return ReportUsage({"no command given", nullptr}, err);

  // --help and --version win wherever they stand before "--".
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") {
      out << CliHelpText();
      return ecSuccess;
    }
  }
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--version") {
      out << VersionLine() << '\n';
      return ecSuccess;
    }
  }

  const TCommandSpec* spec = FindCommand(args[0]);
  if (!spec) {
    const bool isOption = args[0].size() > 1 && args[0][0] == '-';
    return ReportUsage(
        {Format(isOption ? "unknown option '%s'" : "unknown command '%s'", {args[0]}), nullptr}, err);
  }

  TCliRequest request;
  if (const auto error = ParseCommand(*spec, args, request)) return ReportUsage(*error, err);

  if (request.Command == "verify") return RunVerify(request, out, err);
  if (request.Command == "show") return RunShow(request, out, err);
  if (request.Command == "select" && !request.All && request.Operands.size() == 1)
    return RunSelect(request, out, err);
  if (request.Command == "select" && !request.All) return RunRank(request, request.Operands, out, err);
  if (request.Command == "check") return RunCheck(request, out, err);
  if (request.Command == "schedule") return RunScheduleCommand(request, out, err);
  if (request.Command == "import") return RunImport(request, out, err);
  if (request.Command == "derive") return RunDerive(request, out, err);

  const std::string folder = CliDatabaseFolder();
  if (folder.empty()) {
    err << kProgram << ": no database folder: neither XDG_DATA_HOME nor HOME is set\n";
    return ecUsage;
  }
  if (request.Command == "select") {
    std::string error;
    const std::vector<std::string> files = InstalledPaths(folder, &error);
    if (!error.empty()) {
      err << kProgram << ": cannot list the database folder " << folder << ": " << error << '\n';
      return ecUsage;
    }
    return RunRank(request, files, out, err);
  }
  if (request.Command == "install") return RunInstall(request, folder, out, err);
  if (request.Command == "list") return RunList(request, folder, out, err);
  return RunDelete(request, folder, out, err);
}

}  // namespace

}  // namespace blowden
