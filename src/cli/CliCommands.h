#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "fan/FanAir.h"
#include "fan/FanRanking.h"
#include "fan/FanSelection.h"
#include "fan/SelectorChart.h"

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
  double Tolerance = 0;  // % of the duty flow the operating flow may fall short (--tolerance)
  TResultUnits Units;    // --units si|ip
  bool Ip = false;
  // A ranked selection: several files or --all.
  bool All = false;
  TRankKey Sort = TRankKey::Power;
  std::optional<int> Limit;
  bool Csv = false;
  std::optional<std::string> Png;
  std::optional<std::string> Pdf;  // select --pdf: the datasheet's path, "-" for stdout
  int Width = 640;                 // picture size, pixels
  int Height = 480;
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
// The "duty_met", "warnings", site air and units fields of a selection's JSON.
class TJsonWriter;
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

// "blowden-cli: <message>" and where to find help, for a usage error found
// by a command itself; returns the usage exit code.
int UsageMessage(std::ostream& err, const std::string& message);

// One page of a datasheet PDF: a model of a catalogue at a duty.
struct TDatasheetPage {
  std::string File;
  std::string Model;
  TDuty Duty;
  std::string Mark;  // the schedule's mark of the duty; empty for a selection
};

// The datasheets of the pages, one page each, in `units`, as PDF bytes in
// `pdf` (written by the caller with its own checks). Returns an empty text on
// success, otherwise why the document (to be written to `path`) was not made;
// a build without Qt cannot make one.
std::string RenderDatasheetPdf(const std::vector<TDatasheetPage>& pages, const TResultUnits& units,
                               const std::string& path, std::string& pdf);

// Writes the datasheets of `pages` to `target` as --png writes its picture:
// "-" is standard output; an existing FIFO or device is written into; a
// regular file is replaced only once the document is complete; a folder, or
// one of `inputs`, is refused. Returns an empty text on success, otherwise
// the message (without the program's name).
std::string WriteDatasheets(const std::string& target, const std::vector<std::string>& inputs,
                            const std::vector<TDatasheetPage>& pages, const TResultUnits& units,
                            std::ostream& out);

// The fan data file a command is reading, for the message of a failed
// allocation ("Not enough memory to open <file> (N MB)"); empty between files.
std::string& CliCurrentFile();
// "Not enough memory to open <file> (N MB)", N the file's size rounded up.
std::string OutOfMemoryMessage(const std::string& file);

}  // namespace blowden
