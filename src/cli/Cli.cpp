#include "cli/Cli.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include "base/Convert.h"
#include "base/Format.h"
#include "cli/CliCommands.h"
#include "services/Folders.h"
#include "services/QmVerInfo.h"
#include "units/QmConv.h"

namespace blowden {

namespace {

constexpr std::string_view kProgram = "blowden-cli";

// Flow units are those of the selector's flow field (stored in m³/s, index
// 0), pressure units those of its pressure field (stored in Pa, index 1).
constexpr TUnitsType kFlowType = utAirFlowPrim;
constexpr int kFlowStored = 0;
constexpr TUnitsType kPressureType = utAirPressDrop;
constexpr int kPressureStored = 1;

// Picture sizes: the chart's margins need room, and a picture stays a
// picture (8192 x 8192 is 256 MB of pixels already).
constexpr int kMinWidth = 100, kMinHeight = 80, kMaxSide = 8192;

struct TOptionSpec {
  std::string_view Name;
  bool TakesValue;
};

constexpr TOptionSpec kOptions[] = {
    {"--json", false},          {"--browse", false},    {"--model", true},
    {"--flow", true},           {"--flow-units", true}, {"--pressure", true},
    {"--pressure-units", true}, {"--png", true},        {"--size", true},
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
       "[--png OUT.png [--size WxH]] FILE",
       {"--json", "--model", "--browse", "--flow", "--flow-units", "--pressure", "--pressure-units", "--png",
        "--size"},
       1,
       1},
      {"install", "install [--json] FILE...", {"--json"}, 1, kMany},
      {"list", "list    [--json]", {"--json"}, 0, 0},
      {"delete", "delete  NAME", {}, 1, 1},
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
    err << "Usage: " << kProgram << " verify|show|select|install|list|delete ... | --help | --version\n";
  }
  err << "Try '" << kProgram << " --help' for more information.\n";
  return ecUsage;
}

std::string UnitChoices(TUnitsType type) {
  std::string text;
  for (const TUnitDef& u : GetUnitsList(type)) {
    if (!text.empty()) text += ", ";
    text += u.Label;
  }
  return text;
}

// Stored value (m³/s or Pa) of a number given in the named unit.
std::optional<double> ToStored(double value, TUnitsType type, int stored, const std::string& unit) {
  const std::optional<int> shown = FindUnitsIndex(type, unit);
  if (!shown) return std::nullopt;
  const TUnitsConversion conv = GetUnitsConversion(type, *shown, stored);
  return FromUnits(value, conv.Factor, conv.Offset);
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

  if (request.Operands.size() < spec.MinOperands)
    return TUsageError{spec.Name == "delete" ? std::string("the name of an installed file is missing")
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
  request.Browse = valueOf("--browse").has_value();
  request.Model = valueOf("--model");
  request.Png = valueOf("--png");
  if (request.Png && request.Png->empty()) return TUsageError{"option '--png' needs a file name", &spec};

  if (const auto size = valueOf("--size")) {
    if (!request.Png) return TUsageError{"option '--size' needs '--png'", &spec};
    if (!ParseSize(*size, request.Width, request.Height))
      return TUsageError{Format("'%s' is not a picture size WxH (width %d to %d, height %d to %d)",
                                {*size, kMinWidth, kMaxSide, kMinHeight, kMaxSide}),
                         &spec};
  }

  // The duty: numbers in the given units, stored in m³/s and Pa.
  const auto flowText = valueOf("--flow");
  const auto pressureText = valueOf("--pressure");
  const std::string flowUnit =
      valueOf("--flow-units").value_or(std::string(GetUnitsLabel(kFlowType, kFlowStored)));
  const std::string pressureUnit =
      valueOf("--pressure-units").value_or(std::string(GetUnitsLabel(kPressureType, kPressureStored)));
  if (!FindUnitsIndex(kFlowType, flowUnit))
    return TUsageError{Format("unknown flow unit '%s' (known: %s)", {flowUnit, UnitChoices(kFlowType)}),
                       &spec};
  if (!FindUnitsIndex(kPressureType, pressureUnit))
    return TUsageError{
        Format("unknown pressure unit '%s' (known: %s)", {pressureUnit, UnitChoices(kPressureType)}), &spec};

  if (spec.Name == "select") {
    if (!request.Browse && (!flowText || !pressureText))
      return TUsageError{"select needs the duty: '--flow Q' and '--pressure P' (or '--browse')", &spec};
    double flow = 0, pressure = 0;
    if (flowText && !TryStrToFloat(*flowText, flow))
      return TUsageError{Format("'%s' is not a valid floating point value", {*flowText}), &spec};
    if (pressureText && !TryStrToFloat(*pressureText, pressure))
      return TUsageError{Format("'%s' is not a valid floating point value", {*pressureText}), &spec};
    if (flowText && pressureText) {
      request.HasDuty = true;
      request.Flow = *ToStored(flow, kFlowType, kFlowStored, flowUnit);
      request.Pressure = *ToStored(pressure, kPressureType, kPressureStored, pressureUnit);
      // A duty needs a flow: at zero flow there is no system curve through
      // it and the fan laws divide by the flow. Any other flow and any
      // pressure are evaluated as the selector evaluates whatever its edits
      // hold; only a value the unit conversion carries beyond a double is
      // refused.
      if (!std::isfinite(request.Flow) || !std::isfinite(request.Pressure))
        return TUsageError{"the duty lies beyond the range of a number after unit conversion", &spec};
      if (request.Flow == 0) return TUsageError{"the duty flow must not be 0", &spec};
    }
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
  show     Load FILE, select the model NAME (default: the first) and print the
           catalogue header, the model's data and the fitted curves of the model
           view: Ps and Pw against Q (order 3), Lw against Q (order 2), each with
           its summary and equation.
  select   Load FILE and evaluate a duty as the fan selector does. Without
           --model the model that suits the duty best is searched first ("Find");
           then the speed is solved and the nine result lines are printed (or the
           status text when the model cannot meet the duty). Results are always
           in m³/s, Pa, kW, % and dB.
  install  Verify each FILE and copy those without errors into the database
           folder (replacing an installed file of the same name). Refused files
           are listed with their error lines.
  list     The installed fan files: name and full path, separated by a tab.
  delete   Delete the installed file NAME (with or without ".qfn"), leaving the
           backup NAME._fn beside it. No question is asked.

Options:
  --json              Print one JSON document on standard output instead of text.
                      The fan model's messages then go into "messages".
  --model NAME        The model (section name) to show or evaluate.
  --browse            Evaluate the model (default: the first) at its nominal flow
                      and reference speed, as the selector's browse mode does;
                      --flow and --pressure are not needed then.
  --flow Q            Duty volume flow (not 0).
  --flow-units U      Unit of Q (default m³/s): )";
  t += UnitChoices(kFlowType);
  t += R"(.
  --pressure P        Duty static pressure.
  --pressure-units U  Unit of P (default Pa): )";
  t += UnitChoices(kPressureType);
  t += R"(.
                      Units match without regard to case; "m3" may stand for "m³".
  --png OUT.png       Also write the selector's curves chart as a PNG picture.
)";
  t += Format(
      "  --size WxH          Size of that picture in pixels (default 640x480; width\n"
      "                      %d to %d, height %d to %d).\n",
      {kMinWidth, kMaxSide, kMinHeight, kMaxSide});
  t += R"(  -h, --help          Print this help.
  --version           Print the program's version.

Numbers use "." as the decimal separator whatever the locale ("2.5", "1.5E-3").
An option's value may also follow an equals sign ("--flow=2.5"); "--" ends the
options, so that a file name may begin with "-".

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
  2  usage error (unknown command or option, a number or unit that does not
     parse), a file that cannot be read at all, a picture that cannot be written
)";
  return t;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
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
  if (request.Command == "select") return RunSelect(request, out, err);

  const std::string folder = CliDatabaseFolder();
  if (folder.empty()) {
    err << kProgram << ": no database folder: neither XDG_DATA_HOME nor HOME is set\n";
    return ecUsage;
  }
  if (request.Command == "install") return RunInstall(request, folder, out, err);
  if (request.Command == "list") return RunList(request, folder, out);
  return RunDelete(request, folder, out, err);
}

}  // namespace blowden
