#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fan/FanAir.h"
#include "fan/FanRanking.h"
#include "fan/FanSelection.h"
#include "fan/SelectorChart.h"
#include "services/FileChecks.h"

namespace blowden {

// One command line, parsed and checked: numbers converted, units applied.
struct TCliRequest {
  std::string Command;
  bool Json = false;
  bool Browse = false;
  std::optional<std::string> Model;
  bool HasDuty = false;  // --flow and --pressure given
  double Flow = 0;       // m³/s, after conversion from --flow-units
  double Pressure = 0;   // Pa, after conversion from --pressure-units
  // The duty's pressure kind and the air at the fan (select).
  TPressureKind PressureKind = TPressureKind::Static;
  TSiteAir Air;
  double Tolerance = 0;   // % of the duty flow the operating flow may fall short (--tolerance)
  TListener Listener;     // where the sound pressure is given for (--distance, --directivity)
  TEnergyOptions Energy;  // --min-fei, --motor-margin; NEMA motors with --units ip
  // The datasheet's --project, --tag (the mark of a single selection) and --quantity.
  std::string Project, Tag;
  int Quantity = 1;
  TResultUnits Units;  // --units si|ip
  bool Ip = false;
  // A ranked selection: several files or --all.
  bool All = false;
  TRankKey Sort = TRankKey::Power;
  std::optional<int> Limit;
  bool Csv = false;
  std::optional<std::string> Png;
  std::optional<std::string> Pdf;  // select --pdf: the datasheet's path, "-" for stdout
  bool Force = false;              // --force: --png / --pdf may replace a file of another kind
  int Width = 640;                 // picture size, pixels
  int Height = 480;
  bool Verbose = false;               // check --verbose: every finding, the notes on single points too
  std::vector<std::string> Operands;  // files, or the name for delete
  // Every option given, with its value ("" for a flag), in command-line
  // order: import and derive check theirs themselves.
  std::vector<std::pair<std::string, std::string>> Options;
};

// The commands; each returns its exit code.
int RunVerify(const TCliRequest& request, std::ostream& out, std::ostream& err);
int RunShow(const TCliRequest& request, std::ostream& out, std::ostream& err);
int RunSelect(const TCliRequest& request, std::ostream& out, std::ostream& err);
// A ranked selection over several files (or every installed one).
int RunRank(const TCliRequest& request, const std::vector<std::string>& files, std::ostream& out,
            std::ostream& err);
// The physics check of each file.
int RunCheck(const TCliRequest& request, std::ostream& out, std::ostream& err);
// The installed fan files' paths, for --all.
std::vector<std::string> InstalledPaths(const std::string& databaseFolder, std::string* error);
// The duty of a request: flow, pressure, kind and air.
TDuty RequestDuty(const TCliRequest& request);
class TJsonWriter;
// The "duty_met", "warnings", site air and units fields of a selection's JSON.
void WriteSelectionExtras(TJsonWriter& w, const TSelectionResult* r, const TCliRequest& request,
                          std::string_view noResultReason);

int RunInstall(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out,
               std::ostream& err);
int RunList(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out,
            std::ostream& err);
int RunDelete(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out,
              std::ostream& err);

// Draws the selector's curves chart as a PNG picture of width x height
// pixels into `png`. Returns an empty text on success, otherwise why the
// picture (to be written to `path`) was not made.
std::string RenderChartPicture(const TSelectorChart& chart, int width, int height, const std::string& path,
                               std::string& png);

// Reads --min-fei X (0 to 10), --motor-margin PCT (0 to 100), --project,
// --tag and --quantity N (1 to 100000; the last three need --pdf) into
// `request`, and sets the motor series by its units. Returns what is wrong.
std::optional<std::string> ParseEnergyOptions(const std::optional<std::string>& minFei,
                                              const std::optional<std::string>& motorMargin,
                                              const std::optional<std::string>& project,
                                              const std::optional<std::string>& tag,
                                              const std::optional<std::string>& quantity,
                                              TCliRequest& request);

// "fei", "fei_basis", "fan_electrical_power", "motor" ({"rated_power",
// "efficiency", "source"} or null) and "electrical_power" of a selection's
// JSON, powers in `units`; all null without figures.
void WriteEnergyJson(TJsonWriter& w, const TEnergyFigures* e, const TResultUnits& units);

// "rating": the catalogue's rating keys ("rating_standard",
// "installation_type", "tolerance", "certified", "fei_basis") and the
// model's ("drive", "motor" {"power", "poles", "efficiency"} or null,
// "max_tip_speed", "source"); not given: "" or null.
void WriteRatingJson(TJsonWriter& w, const TFanHeader& header, const TFanModel* model);
// The rating keys given, as show prints them: the catalogue's (`model` null)
// or the model's ("Drive\tBelt", "Motor\t7.5 kW, 4 poles, 91.2 %").
std::vector<std::string> RatingLines(const TFanHeader& header, const TFanModel* model);

// "blowden-cli: <message>" and where to find help, for a usage error found
// by a command itself; returns the usage exit code.
int UsageMessage(std::ostream& err, const std::string& message);

// One page of a datasheet PDF: a model of a catalogue at a duty.
struct TDatasheetPage {
  std::string File;
  std::string Model;
  TDuty Duty;
  std::string Mark;  // the schedule's mark of the duty; empty for a selection
  std::string Project = {};
  int Quantity = 1;
};

// The datasheets of the pages, one page each, in `units`, as PDF bytes in
// `pdf` (written by the caller with its own checks). Returns an empty text on
// success, otherwise why the document (to be written to `path`) was not made;
// a build without Qt cannot make one.
std::string RenderDatasheetPdf(const std::vector<TDatasheetPage>& pages, const TResultUnits& units,
                               const std::string& path, std::string& pdf);

// Writes the datasheets of `pages` to `target` as --png writes its picture:
// "-" is standard output; an existing FIFO or device is written into; a
// regular file is replaced only once the document is complete; what
// RefusedTarget refuses is left alone (`force` as there). Returns an empty text on success, otherwise
// the message (without the program's name).
std::string WriteDatasheets(const std::string& target, const std::vector<std::string>& inputs,
                            const std::vector<TDatasheetPage>& pages, const TResultUnits& units, bool force,
                            std::ostream& out);

// Why an output of `kind` (Png, Pdf) may not go to `target`, or an empty
// text: a folder; one of `inputs`; an existing file of another kind (unless
// `force`: "a.qfn not written: a.qfn is a fan data file, not a PDF document
// (give --force to replace it)"); a file the user may not write. "-", a
// missing file, an empty one, a pipe or a device may be written.
std::string RefusedTarget(const std::string& target, const std::vector<std::string>& inputs, TFileKind kind,
                          bool force);
// The --png and --pdf targets of a request checked by RefusedTarget before
// any work; each refusal is said on `err`. True when one is refused.
bool OutputsRefused(const TCliRequest& request, const std::vector<std::string>& inputs, std::ostream& err);

// A field of a tab-separated text line: a tab or line break in a name
// becomes "\x09" / "\x0A", so that it cannot split the line or the field
// (other control characters are escaped for the terminal as usual).
std::string FieldText(std::string_view text);

// The fan data file a command is reading, for the message of a failed
// allocation ("Not enough memory to open <file> (N MB)"); empty between files.
std::string& CliCurrentFile();
// "Not enough memory to open <file> (N MB)", N the file's size rounded up.
std::string OutOfMemoryMessage(const std::string& file);

}  // namespace blowden
