#include "base/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <list>
#include <mutex>

#include "base/Convert.h"

namespace blowden {

namespace {

std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

inline std::string_view TrimLine(const char* b, const char* e) {
  while (b < e && IsBlank(*b)) ++b;
  while (e > b && IsBlank(e[-1])) --e;
  return {b, static_cast<std::size_t>(e - b)};
}

}  // namespace

namespace {

// Thrown out of a parse that its progress callback cancelled.
struct TParseCancelled {};

// The end of the line starting at `p`: its LF, or a CR not followed by LF
// (a file with CR-only line ends). "\r\r\n" ends one line.
const char* LineEnd(const char* p, const char* end) {
  for (const char* q = p; q < end; ++q) {
    if (*q == '\n') return q;
    if (*q == '\r') {
      const char* r = q;
      while (r + 1 < end && r[1] == '\r') ++r;
      return r + 1 < end && r[1] == '\n' ? r + 1 : q;
    }
  }
  return end;
}

}  // namespace

TIniFile::TIniFile(std::string text, TTextEncoding encoding) : FText(std::move(text)), FEncoding(encoding) {
  Parse(nullptr);
}

TIniFile::TIniFile(std::string text, TTextEncoding encoding, const TProgress& progress)
    : FText(std::move(text)), FEncoding(encoding) {
  Parse(progress ? &progress : nullptr);
}

void TIniFile::Parse(const TProgress* progress) {
  const char* p = FText.data();
  const char* const begin = p;
  const char* const end = p + FText.size();
  // Entries of a duplicate section are dropped: the first section wins.
  bool collecting = false;
  FEntries.reserve(FText.size() / 24);
  const char* nextReport = p + (4 << 20);
  while (p < end) {
    if (progress && p >= nextReport) {
      if (!(*progress)(static_cast<std::uint64_t>(p - begin), FText.size())) throw TParseCancelled();
      nextReport = p + (4 << 20);
    }
    const char* lineEnd = LineEnd(p, end);
    const char* s = p;
    p = lineEnd < end ? lineEnd + 1 : end;
    while (s < lineEnd && (*s == ' ' || *s == '\t')) ++s;
    if (s == lineEnd) continue;
    const char c = *s;
    if (c == '[') {
      const char* close =
          static_cast<const char*>(std::memchr(s, ']', static_cast<std::size_t>(lineEnd - s)));
      const std::string_view name = TrimLine(s + 1, close ? close : lineEnd);
      auto [it, inserted] =
          FIndex.try_emplace(LowerAscii(name), static_cast<std::uint32_t>(FSections.size()));
      if (inserted) {
        FSections.push_back({name, static_cast<std::uint32_t>(FEntries.size()), 0});
        collecting = true;
      } else {
        collecting = false;
      }
      continue;
    }
    if (c == ';' || !collecting) continue;
    const char* eq = static_cast<const char*>(std::memchr(s, '=', static_cast<std::size_t>(lineEnd - s)));
    if (!eq) continue;
    const std::string_view key = TrimLine(s, eq);
    if (key.empty()) continue;
    std::string_view value = TrimLine(eq + 1, lineEnd);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    // The section being filled is always the last one, so its entries are contiguous.
    FEntries.push_back({key, value});
    ++FSections.back().Count;
  }
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view section) const {
  const auto it = FIndex.find(LowerAscii(Trim(section)));
  return it == FIndex.end() ? nullptr : &FSections[it->second];
}

std::optional<std::string_view> TIniFile::FindValue(std::string_view section, std::string_view key) const {
  const TSection* s = FindSection(section);
  if (!s) return std::nullopt;
  for (std::uint32_t i = s->First; i < s->First + s->Count; ++i)
    if (SameText(FEntries[i].Key, key)) return FEntries[i].Value;
  return std::nullopt;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const auto v = FindValue(section, key);
  return std::string(v ? *v : def);
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const {
  const auto v = FindValue(section, key);
  std::int32_t result = def;
  if (v && TryStrToInt(*v, result)) return result;
  return def;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key, double def) const {
  const auto v = FindValue(section, key);
  double result = def;
  if (v && TryStrToFloat(*v, result)) return result;
  return def;
}

bool TIniFile::SectionExists(std::string_view section) const {
  const TSection* s = FindSection(section);
  return s && s->Count > 0;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindValue(section, key).has_value();
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> names;
  names.reserve(FSections.size());
  for (const auto& s : FSections) names.emplace_back(s.Name);
  return names;
}

namespace {

struct TCacheEntry {
  std::string Path;
  std::uintmax_t Size = 0;
  std::int64_t Time = 0;  // modification time, ns
  // A file rewritten by another program with its size and modification time
  // put back still changes its status-change time, and a file replaced by a
  // rename has another inode: either reads the file again.
  std::int64_t ChangeTime = 0;  // ns
  std::uint64_t Device = 0, Inode = 0;
  std::shared_ptr<const TIniFile> File;
  // A large file is kept only while someone holds it: a window that read
  // it in the background hands the parse over this way.
  std::weak_ptr<const TIniFile> Held;
};

// Recently read files; large files are not kept. A ranked selection opens
// every catalogue of a folder (hundreds) again for each of its models, so the
// cache holds that many, bounded by their total size rather than their count.
constexpr std::size_t kCacheEntries = 1024;
constexpr std::uintmax_t kCacheMaxFileSize = std::uintmax_t{16} * 1024 * 1024;
constexpr std::uintmax_t kCacheMaxTotalSize = std::uintmax_t{64} * 1024 * 1024;

std::mutex gCacheMutex;
std::list<TCacheEntry> gCache;
std::uintmax_t gCacheBytes = 0;  // sizes of the files the cache keeps (not the held ones)

std::uintmax_t KeptBytes(const TCacheEntry& entry) { return entry.File ? entry.Size : 0; }

void EraseEntry(std::list<TCacheEntry>::iterator it) {
  gCacheBytes -= KeptBytes(*it);
  gCache.erase(it);
}

}  // namespace

std::shared_ptr<const TIniFile> TIniFile::Open(const std::string& path, std::string* error,
                                               const TProgress& progress) {
  // One stat call: Open runs for every model a search reads.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (error) *error = errno == ENOENT ? "file not found" : std::strerror(errno);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    if (error) *error = "not a regular file";
    return nullptr;
  }
  const auto size = static_cast<std::uintmax_t>(st.st_size);
  const std::int64_t time = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  const std::int64_t ctime = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
  const auto device = static_cast<std::uint64_t>(st.st_dev), inode = static_cast<std::uint64_t>(st.st_ino);
  {
    std::lock_guard lock(gCacheMutex);
    for (auto it = gCache.begin(); it != gCache.end(); ++it) {
      if (it->Path == path) {
        if (it->Size == size && it->Time == time && it->ChangeTime == ctime && it->Device == device &&
            it->Inode == inode) {
          std::shared_ptr<const TIniFile> file = it->File ? it->File : it->Held.lock();
          if (file) {
            gCache.splice(gCache.begin(), gCache, it);
            return file;
          }
        }
        EraseEntry(it);
        break;
      }
    }
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return nullptr;
  }
  std::string bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (...) {
    ::close(fd);
    throw;
  }
  // Read in pieces, so that a long read can show progress and be cancelled.
  constexpr std::size_t kPiece = 8u << 20;
  std::size_t done = 0;
  bool failed = false, cancelled = false;
  while (done < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + done, std::min(kPiece, bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed = true;
      break;
    }
    done += static_cast<std::size_t>(n);
    // Reading is the first half of the work, parsing the second.
    if (progress && !progress(done / 2, size)) {
      cancelled = true;
      break;
    }
  }
  ::close(fd);
  if (failed || cancelled) {
    if (error) *error = cancelled ? "cancelled" : "read error";
    return nullptr;
  }
  TDecodedText decoded = DecodeTextInPlace(std::move(bytes));
  std::shared_ptr<const TIniFile> file;
  try {
    TProgress parsing;
    if (progress)
      parsing = [&progress, size](std::uint64_t parsed, std::uint64_t total) {
        return progress(size / 2 + (total ? parsed * (size / 2) / total : 0), size);
      };
    file = std::shared_ptr<const TIniFile>(new TIniFile(std::move(decoded.Utf8), decoded.Encoding, parsing));
  } catch (const TParseCancelled&) {
    if (error) *error = "cancelled";
    return nullptr;
  }
  {
    std::lock_guard lock(gCacheMutex);
    TCacheEntry entry{path, size, time, ctime, device, inode, nullptr, file};
    if (size <= kCacheMaxFileSize) entry.File = file;
    gCacheBytes += KeptBytes(entry);
    gCache.push_front(std::move(entry));
    // The newest entry always stays, whatever its size.
    while (gCache.size() > 1 && (gCache.size() > kCacheEntries || gCacheBytes > kCacheMaxTotalSize))
      EraseEntry(std::prev(gCache.end()));
  }
  return file;
}

void TIniFile::ClearCache() {
  std::lock_guard lock(gCacheMutex);
  gCache.clear();
  gCacheBytes = 0;
}

}  // namespace blowden
