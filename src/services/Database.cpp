#include "services/Database.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/Convert.h"
#include "base/Format.h"
#include "services/FileLock.h"
#include "services/Folders.h"
#include "services/SafeWrite.h"

namespace fs = std::filesystem;

namespace blowden {

namespace {

// Copies `source` over `target`: the bytes are read whole, then written
// through a checked temporary file renamed into place, so the target is
// either its old bytes or the complete copy. Returns the reason of a
// failure, or an empty text.
std::string CopyReplacing(const fs::path& source, const fs::path& target) {
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) return ec ? ec.message() : std::string("not a file");
  std::string bytes;
  if (std::string reason = ReadWholeFile(source.string(), bytes); !reason.empty()) return reason;
  return WriteFileAtomically(target.string(), bytes);
}

// "<backup>.1", "<backup>.2", ...: the first name not taken.
fs::path FreeNumberedName(const fs::path& backup) {
  std::error_code ec;
  for (unsigned n = 1;; ++n) {
    fs::path candidate = backup;
    candidate += Format(".%d", {static_cast<int>(n)});
    if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
  }
}

// Another writer kept the database folder locked. (A folder that cannot be
// opened to be locked is changed as before: the change itself then reports
// what is wrong.)
std::string BusyFolder(const std::string& why) { return "the database folder is busy: " + why; }

}  // namespace

TCopyResult CopyIntoDatabase(const std::string& sourcePath, const std::string& databaseFolder) {
  TCopyResult result;
  const fs::path source(sourcePath);
  result.Target = JoinPath(databaseFolder, source.filename().string());

  std::error_code ec;
  if (databaseFolder.empty()) {
    result.Message = Format("Cannot install %s: no database folder", {sourcePath});
    return result;
  }
  fs::create_directories(databaseFolder, ec);
  if (ec) {
    result.Message = Format("Cannot create the database folder %s: %s", {databaseFolder, ec.message()});
    return result;
  }
  // Changes of the database folder one at a time: an install and a delete
  // of the same file end as one of their two orders, never a mix.
  TFileLock lock;
  if (std::string why = lock.LockFolder(databaseFolder); !why.empty() && lock.Busy()) {
    result.Message = Format("Cannot copy %s to %s: %s", {sourcePath, result.Target, BusyFolder(why)});
    return result;
  }
  const std::string reason = CopyReplacing(source, result.Target);
  if (!reason.empty()) {
    result.Message = Format("Cannot copy %s to %s: %s", {sourcePath, result.Target, reason});
    return result;
  }
  result.Ok = true;
  return result;
}

std::vector<TInstalledFile> ListInstalledFiles(const std::string& databaseFolder, std::string* error) {
  std::vector<TInstalledFile> files;
  for (TFanFileEntry& file : ListFanFiles(databaseFolder, error))
    files.push_back({fs::path(file.Name).stem().string(), std::move(file.Path)});
  return files;
}

std::optional<TInstalledFile> FindInstalledFile(const std::string& databaseFolder, const std::string& name) {
  const auto files = ListInstalledFiles(databaseFolder);
  const auto fileName = [](const TInstalledFile& f) { return fs::path(f.Path).filename().string(); };
  // Exactly as written: the whole file name, the name with ".qfn", the name
  // without its extension.
  for (const auto& file : files)
    if (fileName(file) == name) return file;
  for (const auto& file : files)
    if (fileName(file) == name + FanFileExtension) return file;
  for (const auto& file : files)
    if (file.Name == name) return file;
  // Letter case ignored only when that leaves a single file: "x" must not
  // pick one of "X.qfn" and "x.QFN" at random.
  std::optional<TInstalledFile> found;
  for (const auto& file : files) {
    if (!SameText(file.Name, name) && !SameText(fileName(file), name)) continue;
    if (found) return std::nullopt;
    found = file;
  }
  return found;
}

TDeleteResult DeleteInstalledFile(const std::string& path) {
  TDeleteResult result;
  const fs::path file(path);
  fs::path backup = file;
  backup.replace_extension(BackupExtension);
  result.Backup = backup.string();

  std::error_code ec;
  TFileLock lock;
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  if (std::string why = lock.LockFolder(folder.string()); !why.empty() && lock.Busy()) {
    result.Message = Format("Cannot delete %s: %s; the file was not deleted", {path, BusyFolder(why)});
    return result;
  }
  if (!fs::is_regular_file(file, ec)) {
    result.Message = Format("Cannot delete %s: the file does not exist", {path});
    return result;
  }
  // An earlier backup (of this file, or of another whose name differs only
  // in the extension's case) is kept under the next free number.
  fs::path kept;
  if (fs::is_regular_file(fs::symlink_status(backup, ec))) {
    kept = FreeNumberedName(backup);
    fs::rename(backup, kept, ec);
    if (ec) {
      result.Message = Format("Cannot keep the earlier backup %s as %s: %s; the file was not deleted",
                              {result.Backup, kept.string(), ec.message()});
      return result;
    }
    result.PreviousBackup = kept.string();
  }
  const std::string reason = CopyReplacing(file, backup);
  if (!reason.empty()) {
    if (!kept.empty()) {
      std::error_code ignored;
      fs::rename(kept, backup, ignored);
      result.PreviousBackup.clear();
    }
    result.Message =
        Format("Cannot back up %s to %s: %s; the file was not deleted", {path, result.Backup, reason});
    return result;
  }
  if (!fs::remove(file, ec) || ec) {
    result.Message =
        Format("Cannot delete %s: %s", {path, ec ? ec.message() : std::string("the file vanished")});
    return result;
  }
  result.Deleted = true;
  return result;
}

}  // namespace blowden
