#include <filesystem>

#include "fan/QmFan.h"
#include "services/Database.h"
#include "services/Folders.h"

namespace blowden {

std::vector<std::string> VerifyFile(const std::string& path, TFan& fan) {
  fan.LoadFromFile(path);
  if (fan.Verify() == 0) return {};
  return fan.Errors;
}

TInstallResult InstallFanFile(const std::string& sourcePath, const std::string& databaseFolder, TFan& fan) {
  TInstallResult result;
  result.Target = JoinPath(databaseFolder, std::filesystem::path(sourcePath).filename().string());
  result.Errors = VerifyFile(sourcePath, fan);
  if (!result.Errors.empty()) return result;
  const TCopyResult copy = CopyIntoDatabase(sourcePath, databaseFolder);
  result.Installed = copy.Ok;
  result.Message = copy.Message;
  return result;
}

}  // namespace blowden
