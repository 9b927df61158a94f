// blowden-cli built without Qt: everything works except the chart picture
// and the datasheets, which are drawn by the chart panel code of the windows.
#include "base/Format.h"
#include "cli/CliCommands.h"

namespace blowden {

std::string RenderChartPicture(const TSelectorChart&, int, int, const std::string& path, std::string&) {
  return Format("%s not written: this build of blowden-cli has no chart drawing (built without Qt)", {path});
}

std::string RenderDatasheetPdf(const std::vector<TDatasheetPage>&, const TResultUnits&,
                               const std::string& path, std::string&) {
  return Format("%s not written: this build of blowden-cli has no datasheet drawing (built without Qt)",
                {path});
}

}  // namespace blowden
