#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

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
  std::optional<std::string> Png;
  int Width = 640;  // picture size, pixels
  int Height = 480;
  std::vector<std::string> Operands;  // files, or the name for delete
};

// The commands; each returns its exit code.
int RunVerify(const TCliRequest& request, std::ostream& out, std::ostream& err);
int RunShow(const TCliRequest& request, std::ostream& out, std::ostream& err);
int RunSelect(const TCliRequest& request, std::ostream& out, std::ostream& err);
int RunInstall(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out,
               std::ostream& err);
int RunList(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out);
int RunDelete(const TCliRequest& request, const std::string& databaseFolder, std::ostream& out,
              std::ostream& err);

// Writes the selector's curves chart as a PNG picture of width x height
// pixels, replacing `path` only once the picture is complete. Returns an
// empty text on success, otherwise why nothing was written.
std::string WriteChartPicture(const TSelectorChart& chart, int width, int height, const std::string& path);

}  // namespace blowden
