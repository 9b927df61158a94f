#include "base/IniFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <list>
#include <mutex>
#include <sstream>

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

TIniFile::TIniFile(std::string text, TTextEncoding encoding) : FText(std::move(text)), FEncoding(encoding) {
  Parse();
}

void TIniFile::Parse() {
  const char* p = FText.data();
  const char* const end = p + FText.size();
  // Entries of a duplicate section are dropped: the first section wins.
  bool collecting = false;
  FEntries.reserve(FText.size() / 24);
  while (p < end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* lineEnd = nl ? nl : end;
    const char* s = p;
    p = nl ? nl + 1 : end;
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
  std::shared_ptr<const TIniFile> File;
};

// A few recently read files; large files are not kept.
constexpr std::size_t kCacheEntries = 8;
constexpr std::uintmax_t kCacheMaxFileSize = 16u * 1024u * 1024u;

std::mutex gCacheMutex;
std::list<TCacheEntry> gCache;

}  // namespace

std::shared_ptr<const TIniFile> TIniFile::Open(const std::string& path, std::string* error) {
  namespace fs = std::filesystem;
  const fs::path p(path);
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
  {
    std::lock_guard lock(gCacheMutex);
    for (auto it = gCache.begin(); it != gCache.end(); ++it) {
      if (it->Path == path) {
        if (it->Size == size && it->Time == time) {
          gCache.splice(gCache.begin(), gCache, it);
          return gCache.front().File;
        }
        gCache.erase(it);
        break;
      }
    }
  }
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    if (error) *error = std::strerror(errno);
    return nullptr;
  }
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(size));
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (in.gcount() != static_cast<std::streamsize>(size) || in.bad()) {
    if (error) *error = "read error";
    return nullptr;
  }
  TDecodedText decoded = DecodeTextInPlace(std::move(bytes));
  auto file = std::make_shared<const TIniFile>(std::move(decoded.Utf8), decoded.Encoding);
  if (size <= kCacheMaxFileSize) {
    std::lock_guard lock(gCacheMutex);
    gCache.push_front({path, size, time, file});
    if (gCache.size() > kCacheEntries) gCache.pop_back();
  }
  return file;
}

void TIniFile::ClearCache() {
  std::lock_guard lock(gCacheMutex);
  gCache.clear();
}

}  // namespace blowden
