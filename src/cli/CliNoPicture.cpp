// blowden-cli built without Qt: everything works except the chart picture,
// which is drawn by the chart panel code of the windows.
#include "base/Format.h"
#include "cli/CliCommands.h"

namespace blowden {

std::string RenderChartPicture(const TSelectorChart&, int, int, const std::string& path, std::string&) {
  return Format("%s not written: this build of blowden-cli has no chart drawing (built without Qt)", {path});
}

}  // namespace blowden
