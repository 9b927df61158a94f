#pragma once

#include <optional>
#include <string>
#include <vector>

#include "fan/FanTypes.h"

namespace blowden {

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
  std::vector<std::string> Errors;         // verification lines; not empty -> refused, nothing copied
  std::string Target;                      // full path of the installed copy (also when refused)
  std::string Message;                     // why the copy failed; empty otherwise
  std::optional<TConversionStop> Stopped;  // a number that did not convert ended the verification
};

struct TDeleteResult {
  bool Deleted = false;
  std::string Backup;          // "<folder>/<base name>._fn"
  std::string PreviousBackup;  // where an earlier backup of that name went ("..._fn.1"); empty: none
  std::string Message;         // why nothing was deleted; empty on success
};

// Loads `path` into `fan` and verifies it (TFan::VerifyReporting); returns
// the error lines (empty: the file passes). The fan's notification
// (`OnMessage`) is left as the caller set it, so boxes of the reader reach the
// caller. A number in a data list that cannot be converted ends the check as
// one more error line; `stopped` (when given) receives it.
std::vector<std::string> VerifyFile(const std::string& path, TFan& fan,
                                    std::optional<TConversionStop>* stopped = nullptr);

// Copies `sourcePath` byte for byte into `databaseFolder` under its own file
// name, replacing an installed file of that name. The folder is created with
// its parents when missing. The bytes go to a hidden temporary file in the
// folder first, which is then renamed over the target, so a reader never
// sees half a file and a failed copy leaves the earlier copy intact.
TCopyResult CopyIntoDatabase(const std::string& sourcePath, const std::string& databaseFolder);

// VerifyFile, then CopyIntoDatabase when there is no error line (a number
// that does not convert is one: nothing is copied then). A file whose name
// the installed files list would not show (".hidden.qfn", "fans.txt") is
// refused with the reason in Message.
TInstallResult InstallFanFile(const std::string& sourcePath, const std::string& databaseFolder, TFan& fan);

// The installed fan data files: ListFanFiles of `databaseFolder` (readable
// files, extension ".qfn" in any letter case, no hidden files, sorted by name
// without regard to case). A missing folder gives an empty list; a path that
// is no folder, or a folder that cannot be read, gives an empty list and the
// reason in `error` (when given).
std::vector<TInstalledFile> ListInstalledFiles(const std::string& databaseFolder,
                                               std::string* error = nullptr);

// The installed file that `name` names, exactly as written first: its whole
// file name ("x.QFN"), the name with ".qfn" ("x" -> "x.qfn"), its name
// without the extension ("x" -> "x.QFN"). Only when none matches is ASCII
// case ignored, and then only a single match counts. Nothing otherwise.
std::optional<TInstalledFile> FindInstalledFile(const std::string& databaseFolder, const std::string& name);

// Deletes an installed file after backing it up as "<folder>/<base name>._fn".
// An earlier backup of that name is never overwritten: it is kept as
// "<base name>._fn.1" (or the next free number). The file is removed only
// when the backup is complete; otherwise it stays, the earlier backup is put
// back, and the reason is reported.
TDeleteResult DeleteInstalledFile(const std::string& path);

}  // namespace blowden
