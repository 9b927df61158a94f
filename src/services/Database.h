#pragma once

#include <optional>
#include <string>
#include <vector>

namespace blowden {

class TFan;

// Extension of installed fan data files and of the backup a delete leaves.
inline constexpr const char* FanFileExtension = ".qfn";
inline constexpr const char* BackupExtension = "._fn";

// One installed fan data file.
struct TInstalledFile {
  std::string Name;  // file name without extension: "Axial"
  std::string Path;  // JoinPath(database folder, file name): "/db/Axial.qfn"
};

// Result of copying a file into the database folder.
struct TCopyResult {
  bool Ok = false;
  std::string Target;   // full path of the installed copy
  std::string Message;  // why the copy failed; empty on success
};

// Result of installing: verification first, then the copy.
struct TInstallResult {
  bool Installed = false;
  std::vector<std::string> Errors;  // verification lines; not empty -> refused, nothing copied
  std::string Target;               // full path of the installed copy (also when refused)
  std::string Message;              // why the copy failed; empty otherwise
};

struct TDeleteResult {
  bool Deleted = false;
  std::string Backup;   // "<folder>/<base name>._fn"
  std::string Message;  // why nothing was deleted; empty on success
};

// Loads `path` into `fan` and verifies it; returns the error lines (empty:
// the file passes). The fan's notification (`OnMessage`) is left as the
// caller set it, so boxes of the reader reach the caller. A number in a data
// list that cannot be converted throws the fan model's EConvertError.
std::vector<std::string> VerifyFile(const std::string& path, TFan& fan);

// Copies `sourcePath` byte for byte into `databaseFolder` under its own file
// name, replacing an installed file of that name. The folder is created with
// its parents when missing. The bytes go to a hidden temporary file in the
// folder first, which is then renamed over the target, so a reader never
// sees half a file and a failed copy leaves the earlier copy intact.
TCopyResult CopyIntoDatabase(const std::string& sourcePath, const std::string& databaseFolder);

// VerifyFile, then CopyIntoDatabase when there is no error line. An
// EConvertError of the verification passes through; nothing is copied then.
TInstallResult InstallFanFile(const std::string& sourcePath, const std::string& databaseFolder, TFan& fan);

// The installed fan data files: regular files of `databaseFolder` (no
// subfolders) whose extension is ".qfn" in any letter case; hidden files
// (names starting with ".") are left out. Sorted by name without regard to
// case, as Linux enumerates a folder in no useful order. A missing folder
// gives an empty list.
std::vector<TInstalledFile> ListInstalledFiles(const std::string& databaseFolder);

// The installed file whose Name equals `name` (ASCII case ignored when no
// exact match exists), or nothing.
std::optional<TInstalledFile> FindInstalledFile(const std::string& databaseFolder, const std::string& name);

// Deletes an installed file after backing it up as "<folder>/<base name>._fn"
// (replacing an earlier backup). The file is removed only when the backup is
// complete and of the same size; otherwise it stays and the reason is
// reported.
TDeleteResult DeleteInstalledFile(const std::string& path);

}  // namespace blowden
