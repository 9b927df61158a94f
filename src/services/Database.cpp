#include "services/Database.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <random>
#include <system_error>

#include "base/Convert.h"
#include "base/Format.h"
#include "services/Folders.h"

namespace fs = std::filesystem;

namespace blowden {

namespace {

bool HasFanFileExtension(const fs::path& path) {
  return SameText(path.extension().string(), FanFileExtension);
}

// A fresh hidden name in `folder` for the bytes of `target` while they are
// being written. Hidden, so that listings never show it.
fs::path TemporaryNameFor(const fs::path& folder, const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  static std::mt19937 gen(std::random_device{}());
  const std::string name =
      Format("%s%s.%x-%x.tmp", {".", target.filename().string(), static_cast<unsigned>(gen() & 0x7FFFFFFFu),
                                counter.fetch_add(1) & 0x7FFFFFFFu});
  return folder / name;
}

// Copies `source` over `target` through a temporary file beside the target,
// renamed into place once complete and of the source's size. Returns the
// reason of a failure, or an empty text.
std::string CopyReplacing(const fs::path& source, const fs::path& target) {
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) return ec ? ec.message() : std::string("not a file");
  const auto sourceSize = fs::file_size(source, ec);
  if (ec) return ec.message();

  const fs::path folder = target.parent_path();
  fs::path temp;
  for (int attempt = 0;; ++attempt) {
    temp = TemporaryNameFor(folder, target);
    if (fs::copy_file(source, temp, fs::copy_options::none, ec)) break;
    // A name already taken is retried; anything else is a real failure.
    if (ec != std::errc::file_exists || attempt >= 10) {
      const std::string reason = ec.message();
      std::error_code ignored;
      if (ec != std::errc::file_exists) fs::remove(temp, ignored);
      return reason;
    }
  }

  std::error_code ignored;
  const auto copiedSize = fs::file_size(temp, ec);
  if (ec || copiedSize != sourceSize) {
    const std::string reason = ec ? ec.message() : std::string("the copy is incomplete");
    fs::remove(temp, ignored);
    return reason;
  }
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ignored);
    return ec.message();
  }
  return std::string();
}

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
  const std::string reason = CopyReplacing(source, result.Target);
  if (!reason.empty()) {
    result.Message = Format("Cannot copy %s to %s: %s", {sourcePath, result.Target, reason});
    return result;
  }
  result.Ok = true;
  return result;
}

std::vector<TInstalledFile> ListInstalledFiles(const std::string& databaseFolder) {
  std::vector<TInstalledFile> files;
  if (databaseFolder.empty()) return files;
  std::error_code ec;
  for (fs::directory_iterator it(databaseFolder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    const std::string fileName = path.filename().string();
    if (fileName.empty() || fileName.front() == '.') continue;
    if (!HasFanFileExtension(path)) continue;
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc) || typeEc) continue;
    files.push_back({path.stem().string(), JoinPath(databaseFolder, fileName)});
  }
  std::sort(files.begin(), files.end(), [](const TInstalledFile& a, const TInstalledFile& b) {
    const std::string ua = UpperCase(a.Name), ub = UpperCase(b.Name);
    return ua != ub ? ua < ub : a.Path < b.Path;
  });
  return files;
}

std::optional<TInstalledFile> FindInstalledFile(const std::string& databaseFolder, const std::string& name) {
  const auto files = ListInstalledFiles(databaseFolder);
  for (const auto& file : files)
    if (file.Name == name) return file;
  for (const auto& file : files)
    if (SameText(file.Name, name)) return file;
  return std::nullopt;
}

TDeleteResult DeleteInstalledFile(const std::string& path) {
  TDeleteResult result;
  const fs::path file(path);
  fs::path backup = file;
  backup.replace_extension(BackupExtension);
  result.Backup = backup.string();

  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    result.Message = Format("Cannot delete %s: the file does not exist", {path});
    return result;
  }
  const std::string reason = CopyReplacing(file, backup);
  if (!reason.empty()) {
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
