#include <stdlib.h>

#include <filesystem>

#include "base/Convert.h"
#include "base/Format.h"
#include "fan/FanFindings.h"
#include "fan/QmFan.h"
#include "services/Database.h"
#include "services/Folders.h"
#include "services/SafeWrite.h"

namespace blowden {

std::vector<std::string> VerifyFile(const std::string& path, TFan& fan,
                                    std::optional<TConversionStop>* stopped) {
  fan.LoadFromFile(path);
  const std::optional<TConversionStop> stop = fan.VerifyReporting();
  if (stopped) *stopped = stop;
  return fan.Errors();
}

namespace {

// A private folder for the copy that is verified, removed with this object.
class TPrivateFolder {
 public:
  TPrivateFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "blowden-install-XXXXXX").string();
    if (::mkdtemp(pattern.data())) FPath = pattern;
  }
  ~TPrivateFolder() {
    std::error_code ec;
    if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
  }
  TPrivateFolder(const TPrivateFolder&) = delete;
  TPrivateFolder& operator=(const TPrivateFolder&) = delete;
  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};

}  // namespace

TInstallResult InstallFanFile(const std::string& sourcePath, const std::string& databaseFolder, TFan& fan) {
  TInstallResult result;
  const std::string name = std::filesystem::path(sourcePath).filename().string();
  result.Target = JoinPath(databaseFolder, name);
  // The caller's fan model learns how the file loads (a missing or
  // unreadable file is reported from it).
  fan.LoadFromFile(sourcePath);
  if (!fan.Loaded()) {
    result.Errors = VerifyFile(sourcePath, fan, &result.Stopped);
    return result;
  }
  // A name the installed files list never shows would be installed out of
  // sight: list, delete and --all could never reach it.
  if (!name.empty() && name.front() == '.') {
    result.Message = Format(
        "Cannot install %s: its name begins with \".\", so the installed file would be "
        "hidden and would never be listed; rename it first",
        {sourcePath});
    return result;
  }
  if (!SameText(std::filesystem::path(name).extension().string(), FanFileExtension)) {
    result.Message = Format(
        "Cannot install %s: its name does not end in \"%s\", so the installed file "
        "would never be listed; rename it first",
        {sourcePath, FanFileExtension});
    return result;
  }
  // The file's bytes are read once; those bytes are verified, checked and
  // installed, so a file changed meanwhile can never slip in unverified.
  std::string bytes;
  if (const std::string why = ReadWholeFile(sourcePath, bytes); !why.empty()) {
    result.Message = Format("Cannot read %s: %s", {sourcePath, why});
    return result;
  }
  const TPrivateFolder folder;
  if (folder.Path().empty()) {
    result.Message = Format("Cannot install %s: no private temporary folder", {sourcePath});
    return result;
  }
  const std::string copy = JoinPath(folder.Path(), name);
  if (const std::string why = WriteFileAtomically(copy, bytes); !why.empty()) {
    result.Message = Format("Cannot install %s: %s", {sourcePath, why});
    return result;
  }
  TFan verified;
  verified.OnMessage = fan.OnMessage;
  result.Errors = VerifyFile(copy, verified, &result.Stopped);
  if (result.Errors.empty()) {
    // A file whose data are physically impossible is refused as well.
    verified.OnMessage = nullptr;
    const TFileCheck check = CheckFile(verified, copy);
    for (const TFinding& f : check.Findings) {
      if (f.Level != TFindingLevel::Error) continue;
      std::string line = verified.Header().Range + " (" + f.Model + ")  ";
      if (f.Point >= 0) line += Format("point %d: ", {f.Point + 1});
      result.Errors.push_back(line + "check error: " + f.Text);
    }
  }
  if (!result.Errors.empty()) return result;
  const TCopyResult copied = CopyIntoDatabase(copy, databaseFolder);
  result.Installed = copied.Ok;
  result.Message = copied.Message;
  // Name the user's file, not the private copy, in a failure.
  for (std::size_t at; (at = result.Message.find(copy)) != std::string::npos;)
    result.Message.replace(at, copy.size(), sourcePath);
  return result;
}

}  // namespace blowden
