#include "cli/CliAuthoring.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "base/Convert.h"
#include "base/TextCodec.h"
#include "cli/Cli.h"
#include "fan/FanAuthoring.h"
#include "fan/FanOutcome.h"
#include "fan/FanTable.h"
#include "fan/QmFan.h"
#include "services/FileChecks.h"
#include "services/FileLock.h"
#include "services/SafeWrite.h"

namespace blowden {

namespace {

constexpr std::string_view kProgram = "blowden-cli";

std::optional<std::string> OptionValue(const TCliRequest& request, std::string_view name) {
  for (const auto& [option, value] : request.Options)
    if (option == name) return value;
  return std::nullopt;
}

int Refused(std::ostream& err, const std::string& message) {
  err << kProgram << ": " << message << '\n';
  return ecFailure;
}

int CannotRead(std::ostream& err, const std::string& path, const std::string& reason) {
  err << kProgram << ": cannot read " << path << ": " << reason << '\n';
  return ecUsage;
}

std::string UnitChoices(TColumnRole role) {
  std::string text;
  for (const TQuantityUnit& u : RoleUnits(role)) {
    if (!text.empty()) text += ", ";
    text += u.Label;
  }
  return text;
}

// Why the section may not be appended to `into`: a pipe, a device or a
// socket (reading one would wait for a writer forever) or a file the user
// may not write. Empty otherwise; a missing file is left to the read, which
// says so.
std::string IntoRefusal(const std::string& into) {
  struct stat st {};
  if (::stat(into.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::string();
  if (std::string why = NotRegularFileReason(into); !why.empty()) return why;
  return ReadOnlyRefusal(into);
}

// Prints the section, or appends it to `into` in one atomic replacement of
// the file after making sure the file has no section of that name.
int Deliver(const std::string& section, const std::string& name, const std::optional<std::string>& into,
            std::ostream& out, std::ostream& err) {
  if (!into) {
    out << section;
    return ecSuccess;
  }
  if (std::string why = IntoRefusal(*into); !why.empty()) {
    err << kProgram << ": cannot append to " << *into << ": " << why << " (the file is unchanged)\n";
    return ecUsage;
  }
  // The file is read, checked and replaced under its lock, so that a writer
  // beside this one (another import, a derive, the editor's save) neither
  // loses this section nor has its own lost.
  TFileLock lock;
  if (std::string reason = lock.LockFile(*into); !reason.empty()) {
    if (!lock.Busy()) return CannotRead(err, *into, reason);
    err << kProgram << ": cannot write " << *into << ": " << reason << "; nothing was written\n";
    return ecUsage;
  }
  std::string bytes;
  if (std::string reason = ReadWholeFile(*into, bytes); !reason.empty())
    return CannotRead(err, *into, reason);
  if (std::string e = CheckNewModelName(name, SectionNames(bytes)); !e.empty())
    return Refused(err, *into + ": " + e);
  std::string error;
  const std::optional<std::string> updated = AppendSection(bytes, section, error);
  if (!updated) return Refused(err, *into + ": " + error);
  if (std::string reason = WriteFileAtomically(*into, *updated); !reason.empty()) {
    err << kProgram << ": cannot write " << *into << ": " << reason << " (the file is unchanged)\n";
    return ecUsage;
  }
  out << "Model \"" << name << "\" appended to " << *into << '\n';
  return ecSuccess;
}

}  // namespace

int RunImport(const TCliRequest& request, std::ostream& out, std::ostream& err) {
  const std::string& tablePath = request.Operands.front();
  if (!request.Model) return UsageMessage(err, "import needs the model's name: '--model NAME'");
  const std::optional<std::string> lineText = OptionValue(request, "--model-line");
  if (!lineText)
    return UsageMessage(err, "import needs the model's data: '--model-line D,REF,MIN,MAX,W,H,QNOM'");
  TModelLine line;
  if (std::string e = ParseModelLine(*lineText, line); !e.empty())
    return UsageMessage(err, "--model-line: " + e);

  // Units given on the command line, for the columns of their quantity.
  struct TUnitOption {
    std::string_view Option;
    TColumnRole Role;
    const char* What;
    std::optional<int> Unit;
  } unitOptions[] = {{"--flow-units", crFlow, "flow", {}},
                     {"--pressure-units", crStaticPressure, "pressure", {}},
                     {"--power-units", crShaftPower, "power", {}}};
  for (TUnitOption& u : unitOptions) {
    const std::optional<std::string> text = OptionValue(request, u.Option);
    if (!text) continue;
    u.Unit = FindRoleUnit(u.Role, *text);
    if (!u.Unit)
      return UsageMessage(err, "unknown " + std::string(u.What) + " unit '" + *text +
                                   "' (known: " + UnitChoices(u.Role) + ")");
  }
  std::optional<TColumnRole> kind;
  if (const auto k = OptionValue(request, "--pressure-kind")) {
    if (SameText(*k, "static"))
      kind = crStaticPressure;
    else if (SameText(*k, "total"))
      kind = crTotalPressure;
    else
      return UsageMessage(err, "'--pressure-kind' takes 'static' or 'total', not '" + *k + "'");
  }

  std::string bytes;
  if (std::string reason = ReadWholeFile(tablePath, bytes); !reason.empty())
    return CannotRead(err, tablePath, reason);
  TTextTable table;
  if (std::string e = ParseTextTable(DecodeTextInPlace(std::move(bytes)).Utf8, table); !e.empty())
    return Refused(err, tablePath + ": " + e);

  std::vector<TColumnAssignment> columns = GuessColumns(table);
  // A unit the units catalogue does not know is never guessed: the unit of
  // such a column comes from the command line, or nothing is imported.
  for (std::size_t c = 0; c < columns.size(); ++c) {
    TColumnAssignment& a = columns[c];
    if (a.Problem.empty()) continue;
    const TUnitOption* given = nullptr;
    for (const TUnitOption& u : unitOptions)
      if (u.Unit && (a.Named == u.Role || (u.Role == crStaticPressure && a.Named == crTotalPressure)))
        given = &u;
    if (!given) {
      err << kProgram << ": " << tablePath << ": column " << c + 1 << ": " << a.Problem;
      for (const TUnitOption& u : unitOptions)
        if (a.Named == u.Role || (u.Role == crStaticPressure && a.Named == crTotalPressure))
          err << "; give the unit with " << u.Option;
      err << '\n';
      return ecUsage;
    }
    a.Role = a.Named;
    a.Unit = *given->Unit;
    a.Problem.clear();
  }
  if (!table.HasHeader)
    err << kProgram << ": note: " << tablePath
        << " has no header row: its columns are taken as flow, pressure, shaft power and sound power\n";
  // One pressure column: --pressure-kind says which kind it is. Several:
  // the one of that kind (static by default) is imported.
  std::vector<std::size_t> pressures;
  for (std::size_t c = 0; c < columns.size(); ++c)
    if (columns[c].Role == crStaticPressure || columns[c].Role == crTotalPressure) pressures.push_back(c);
  if (pressures.size() == 1 && kind) {
    columns[pressures.front()].Role = *kind;
  } else if (pressures.size() > 1) {
    const TColumnRole wanted = kind.value_or(crStaticPressure);
    const auto chosen = std::find_if(pressures.begin(), pressures.end(),
                                     [&](std::size_t c) { return columns[c].Role == wanted; });
    if (chosen == pressures.end())
      return Refused(err, tablePath + ": no column holds the " + std::string(ColumnRoleName(wanted)));
    for (std::size_t c : pressures)
      if (c != *chosen) columns[c].Role = crIgnore;
  }
  for (TColumnAssignment& a : columns)
    for (const TUnitOption& u : unitOptions) {
      const bool sameQuantity = a.Role == u.Role || (u.Role == crStaticPressure && a.Role == crTotalPressure);
      if (u.Unit && sameQuantity) a.Unit = *u.Unit;
    }

  TImportRequest importRequest;
  importRequest.Name = *request.Model;
  importRequest.Line = line;
  importRequest.Columns = std::move(columns);
  importRequest.Source = std::filesystem::path(tablePath).filename().string();
  importRequest.Exact = OptionValue(request, "--exact").has_value();
  const TImportResult r = ImportTable(table, importRequest);
  if (!r.Error.empty()) return Refused(err, tablePath + ": " + r.Error);
  for (const std::string& note : r.Notes) err << kProgram << ": note: " << note << '\n';
  return Deliver(r.Section, r.Model.Name, OptionValue(request, "--into"), out, err);
}

int RunDerive(const TCliRequest& request, std::ostream& out, std::ostream& err) {
  const std::string& file = request.Operands.front();
  if (!request.Model) return UsageMessage(err, "derive needs the model to derive from: '--model NAME'");
  const std::optional<std::string> newName = OptionValue(request, "--as");
  if (!newName) return UsageMessage(err, "derive needs the new model's name: '--as NEW'");
  TDeriveRequest derive;
  derive.Name = *newName;
  const std::optional<std::string> diameter = OptionValue(request, "--diameter");
  if (!diameter) return UsageMessage(err, "derive needs the new impeller diameter: '--diameter MM'");
  if (!TryStrToInt(*diameter, derive.Diameter) || derive.Diameter <= 0)
    return UsageMessage(err, "'" + *diameter + "' is not a diameter in whole millimetres above 0");
  if (const auto speed = OptionValue(request, "--speed"))
    if (!TryStrToInt(*speed, derive.RefSpeed) || derive.RefSpeed <= 0)
      return UsageMessage(err, "'" + *speed + "' is not a speed in whole rpm above 0");
  if (const auto step = OptionValue(request, "--efficiency-step")) {
    const std::optional<TEfficiencyStep> method = FindEfficiencyStep(*step);
    if (!method) return UsageMessage(err, "'--efficiency-step' takes 'ackeret', not '" + *step + "'");
    derive.EfficiencyStep = *method;
  }

  TFan fan;
  fan.OnMessage = [&](const std::string& message) {
    err << kProgram << ": " << file << " (" << *request.Model << "): " << message << '\n';
  };
  fan.LoadFromFile(file);
  if (const auto loaded = fan.Loaded(); !loaded) return CannotRead(err, file, loaded.Error().Text);
  try {
    fan.SelectModel(*request.Model);
  } catch (const EConvertError& e) {
    return Refused(err, file + " (" + *request.Model + "): " + e.what());
  }
  if (const auto model = CompleteModel(fan); !model)
    return Refused(err,
                   file + ": the model \"" + *request.Model + "\" cannot be read: " + model.Error().Text);
  const TFanModel& source = fan.Model();

  std::string bytes;
  if (std::string reason = ReadWholeFile(file, bytes); !reason.empty()) return CannotRead(err, file, reason);
  // A model given by total pressures stays one: its listed values are scaled.
  std::string ptError;
  const std::optional<std::vector<double>> totals = ListedTotalPressures(bytes, source.Name, ptError);
  if (!ptError.empty()) return Refused(err, file + " (" + source.Name + "): " + ptError);

  const std::optional<std::string> into = OptionValue(request, "--into");
  if (!into)
    if (std::string e = CheckNewModelName(derive.Name, SectionNames(bytes)); !e.empty())
      return Refused(err, file + ": " + e);
  derive.Density = fan.Header().Density;
  derive.Exact = OptionValue(request, "--exact").has_value();
  const TDeriveResult r = DeriveModel(source, totals ? &*totals : nullptr, derive);
  if (r.Unverifiable) {
    // A model that would not verify is never written anywhere.
    err << kProgram << ": " << file << ": " << r.Error << '\n';
    return ecUsage;
  }
  if (!r.Error.empty()) return Refused(err, file + ": " + r.Error);
  for (const std::string& note : r.Notes) err << kProgram << ": note: " << note << '\n';
  for (const std::string& warning : r.Warnings) err << kProgram << ": warning: " << warning << '\n';
  return Deliver(r.Section, r.Model.Name, into, out, err);
}

std::string AuthoringCommandsHelp() {
  return R"help(  import   Read TABLE.csv, a table of test points (comma or tab separated, as a
           spreadsheet saves or copies it; quotes as in CSV; "." for decimals),
           and print the model section NAME built from it, or append it to
           --into FILE (refused when FILE has a section of that name; the file
           is replaced in one step, so it is never left half written). With a
           header row the columns are found by their titles ("Q", "Flow (cfm)",
           "Ps", "SP [in. wg]", "Pt", "BHP", "Pw [W]", "Lw", ...), which may name
           their units; without one they are flow, pressure, shaft power and
           sound power (dB). A title that names a unit the units catalogue does
           not know ("Flow (cfn)", "Q [m^3/h]") is an error naming the title
           and the unit (exit code 2), unless --flow-units, --pressure-units or
           --power-units names that column's unit: a unit is never guessed. The values are converted to m³/s, Pa and kW and
           written with the significant digits of their cell plus two (at
           least six; trailing zeros dropped: 1000 cfm -> 0.471947), or with
           --exact as the exact converted double (0.4719474432); the rows
           are sorted by flow. The section's comment line names the table and
           its units. --model-line gives the "Model" line as the file
           holds it: diameter (whole mm), reference, minimum and maximum speed
           (rpm), outlet width and height (mm; one of them 0 for a round
           outlet) and the nominal flow (m³/s; -99 for the point two thirds
           along the curve). Notes (rows sorted, columns not imported) go to
           standard error. Octave-band columns ("63 Hz", "Lw63", "125",
           "1 kHz", ... "8k") are imported as Lw63 .. Lw8000, all eight or
           none; with them the sound power column may be left out (its
           values are then the bands' energy sums).
  derive   Print (or append to --into FILE) a new model NEW derived from the
           model NAME of FILE for another impeller diameter MM and, with
           --speed, another reference speed, by the fan laws: with k the
           diameter ratio and n the speed ratio, flows × k³·n, pressures ×
           k²·n², shaft powers × k⁵·n³, sound powers and octave bands
           + 70·log10(k) + 50·log10(n), outlet sides × k. The impeller keeps its tip speed
           limits whatever --speed says: MaxSpeed / k (rounded down) and
           MinSpeed / k (rounded up; a fan of one speed keeps one). Listed
           speeds (motor speeds) stay as they are where they lie within the
           new limits; the others are dropped with a note. Each scaled value
           keeps the significant digits of the model's value plus two (at
           least six), or with --exact the exact double. Without --speed the model's reference speed is kept,
           or moved to the nearer new limit (with a note). Comment lines in the
           section name the source, the ratios, the speed limits and the notes.
           A result that would not verify (a speed outside the new limits or
           beyond 100000 rpm, a value not finite or beyond its bound, a sound
           power below 0 dB, ...) is refused with exit code 2 and nothing is
           written. A smaller size (k < 1) usually has a lower efficiency: a
           warning and a comment line say so, unless --efficiency-step ackeret
           steps the efficiency down by Ackeret's formula (1 - eta2)/(1 - eta1)
           = 0.5 + 0.5 (Re1/Re2)^0.2 with Re ∝ n·D² (the step-down ISO 13348
           allows): the model's peak total efficiency gives eta1 and every
           shaft power is multiplied by eta1/eta2; a size at a Reynolds
           number not below the model's is never stepped up.
           NEW must not name a section of FILE (or of --into FILE).
)help";
}

std::string AuthoringOptionsHelp() {
  std::string t = R"(  --model-line D,REF,MIN,MAX,W,H,QNOM
                      import: the new model's "Model" line.
  --pressure-kind K   import: "static" (default) or "total": what the pressure
                      column holds (a total pressure is written as "Pt").
  --power-units U     import: unit of the shaft power column (default kW): )";
  t += UnitChoices(crShaftPower);
  t += R"(.
                      For import --flow-units and --pressure-units name the
                      units of those columns (overriding units in the titles);
                      pressure units also include "mmWg" (also "mm H2O").
  --into FILE         import, derive: append the section to FILE instead of
                      printing it. A pipe, a device or a file you may not
                      write is refused (exit code 2) and left as it is.
                      FILE is read and replaced under a lock: another
                      writer (an import, a derive, the window's save) waits
                      for it, at most 10 s, then nothing is written and the
                      reason is given (exit 2).
  --exact             import, derive: write each value as the exact double
                      of the conversion or scaling (the shortest text that
                      reads back as it), not rounded to its source's digits.
  --as NEW            derive: the new model's name.
  --diameter MM       derive: the new impeller diameter in whole millimetres.
  --speed RPM         derive: the new reference speed (default: the model's,
                      within the new speed limits).
  --efficiency-step ackeret
                      derive: step the efficiency of a smaller size down by
                      Ackeret's formula (see derive).
)";
  return t;
}

}  // namespace blowden
