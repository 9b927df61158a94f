#include "services/FileChecks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include "base/Convert.h"

namespace blowden {

namespace {

std::mutex gAccessMutex;
TWriteAccessCheck gAccessCheck;

constexpr std::string_view kPngSignature("\x89PNG\r\n\x1a\n", 8);

bool EndsWithText(const std::string& path, std::string_view ending) {
  return path.size() >= ending.size() && SameText(path.substr(path.size() - ending.size()), ending);
}

// The first `limit` bytes of a regular file (fewer when it is shorter).
std::string FirstBytes(const std::string& path, std::size_t limit) {
  std::string bytes(limit, '\0');
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::string();
  std::size_t done = 0;
  while (done < limit) {
    const ssize_t n = ::read(fd, bytes.data() + done, limit - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(done);
  return bytes;
}

// INI text whose first line that is neither blank nor a comment is a
// section header: "[Catalog]", "; comment\n[E1]".
bool LooksLikeFanData(std::string_view bytes) {
  if (bytes.find('\0') != std::string_view::npos) return false;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  while (!bytes.empty()) {
    const std::size_t end = bytes.find_first_of("\r\n");
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) continue;
    line.remove_prefix(first);
    if (line.front() == ';') continue;
    return line.front() == '[' && line.find(']') != std::string_view::npos;
  }
  return false;
}

}  // namespace

TFileKind ExistingFileKind(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? TFileKind::Missing : TFileKind::Other;
  if (S_ISDIR(st.st_mode)) return TFileKind::Folder;
  if (!S_ISREG(st.st_mode)) return TFileKind::Special;
  // A catalogue or its backup by name, whatever it holds now.
  if (EndsWithText(path, ".qfn") || EndsWithText(path, "._fn")) return TFileKind::FanData;
  if (st.st_size == 0) return TFileKind::Empty;
  const std::string head = FirstBytes(path, 4096);
  if (head.rfind("%PDF-", 0) == 0) return TFileKind::Pdf;
  if (head.rfind(kPngSignature, 0) == 0) return TFileKind::Png;
  if (LooksLikeFanData(head)) return TFileKind::FanData;
  return TFileKind::Other;
}

std::string_view FileKindName(TFileKind kind) {
  switch (kind) {
    case TFileKind::Missing:
      return "no file";
    case TFileKind::Empty:
      return "an empty file";
    case TFileKind::Pdf:
      return "a PDF document";
    case TFileKind::Png:
      return "a PNG picture";
    case TFileKind::FanData:
      return "a fan data file";
    case TFileKind::Folder:
      return "a folder";
    case TFileKind::Special:
      return "a pipe, a device or a socket";
    case TFileKind::Other:
      break;
  }
  return "a file of another kind";
}

std::string OutputKindRefusal(const std::string& path, TFileKind kind, bool force) {
  const TFileKind existing = ExistingFileKind(path);
  switch (existing) {
    case TFileKind::Missing:
    case TFileKind::Empty:
    case TFileKind::Special:
      return std::string();
    case TFileKind::Folder:
      return path + " is a folder";
    default:
      break;
  }
  if (existing == kind || force) return std::string();
  return path + " is " + std::string(FileKindName(existing)) + ", not " + std::string(FileKindName(kind));
}

bool MayWriteFile(const std::string& path) {
  {
    std::lock_guard lock(gAccessMutex);
    if (gAccessCheck) return gAccessCheck(path);
  }
  // The effective ids, as the shell's "test -w" and its ">" decide.
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

std::string ReadOnlyRefusal(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::string();
  return MayWriteFile(path) ? std::string() : std::string("it is read-only for you");
}

std::string NotRegularFileReason(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "it is a folder";
  if (!S_ISREG(st.st_mode)) return "it is not a regular file (a pipe, a device or a socket)";
  return std::string();
}

std::string UnreadableFileReason(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "it is a folder";
  // Opened without waiting: a pipe with no writer must not hang the check.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  return std::string();
}

std::vector<std::string> DistinctFiles(const std::vector<std::string>& paths,
                                       std::vector<std::pair<std::string, std::string>>* repeated) {
  struct TSeen {
    dev_t Device;
    ino_t Inode;
    std::string Path;
  };
  std::vector<TSeen> seen;
  std::vector<std::string> missing;
  std::vector<std::string> result;
  for (const std::string& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      if (std::find(missing.begin(), missing.end(), path) != missing.end()) {
        if (repeated) repeated->emplace_back(path, path);
        continue;
      }
      missing.push_back(path);
      result.push_back(path);
      continue;
    }
    const auto same = std::find_if(seen.begin(), seen.end(), [&](const TSeen& s) {
      return s.Device == st.st_dev && s.Inode == st.st_ino;
    });
    if (same != seen.end()) {
      if (repeated) repeated->emplace_back(path, same->Path);
      continue;
    }
    seen.push_back({st.st_dev, st.st_ino, path});
    result.push_back(path);
  }
  return result;
}

void SetWriteAccessForTesting(TWriteAccessCheck check) {
  std::lock_guard lock(gAccessMutex);
  gAccessCheck = std::move(check);
}

}  // namespace blowden
