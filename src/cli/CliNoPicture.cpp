// blowden-cli built without Qt: everything works except the chart picture,
// which is drawn by the chart panel code of the windows.
#include "base/Format.h"
#include "cli/CliCommands.h"

namespace blowden {

std::string WriteChartPicture(const TSelectorChart&, int, int, const std::string& path) {
  return Format("%s not written: this build of blowden-cli has no chart drawing (built without Qt)", {path});
}

}  // namespace blowden
