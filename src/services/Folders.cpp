#include "services/Folders.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/Convert.h"

namespace fs = std::filesystem;

namespace blowden {

namespace {

std::string WithSlash(std::string_view folder) {
  std::string result(folder);
  if (!result.empty() && result.back() != '/') result += '/';
  return result;
}

// Position of the first occurrence of `needle` in `text`, ASCII case ignored.
std::string::size_type FindNoCase(std::string_view text, std::string_view needle) {
  const std::string upperText = UpperCase(text);
  const std::string upperNeedle = UpperCase(needle);
  return upperText.find(upperNeedle);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string EnvValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

}  // namespace

std::string ProgramNameOf(std::string_view programFile) {
  const auto slash = programFile.rfind('/');
  std::string_view name = slash == std::string_view::npos ? programFile : programFile.substr(slash + 1);
  const auto dot = name.rfind('.');
  // A leading dot starts a hidden name, not an extension.
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  return std::string(name);
}

std::string RunningProgramPath() {
  std::error_code ec;
  const fs::path path = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

std::string GetSettingsKey(std::string_view programFile) {
  const std::string file = programFile.empty() ? RunningProgramPath() : std::string(programFile);
  return std::string(SettingsRoot) + ProgramNameOf(file);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string result(folder);
  if (result.empty() || result.back() != '/') result += '/';
  result += name;
  return result;
}

TStartupResult ComputeStartupValues(std::string_view programPath, std::string_view programFilesFolder,
                                    std::string_view documentsFolder) {
  TStartupResult result;
  TStartupValues& v = result.Values;

  v.ProgramFilesFolder =
      programFilesFolder.empty() ? std::string(DefaultProgramFilesFolder) : WithSlash(programFilesFolder);

  const auto slash = programPath.rfind('/');
  v.ProgramFolder =
      slash == std::string_view::npos ? std::string("./") : std::string(programPath.substr(0, slash + 1));
  v.ProgramName = ProgramNameOf(programPath);
  v.SettingsKey = std::string(SettingsRoot) + v.ProgramName;

  v.MakerFolder = v.ProgramFilesFolder + "Orvane/";
  if (const auto pos = FindNoCase(v.ProgramFolder, "Orvane"); pos != std::string::npos)
    v.MakerFolder = v.ProgramFolder.substr(0, pos) + "Orvane/";
  else if (const auto pos9 = FindNoCase(v.ProgramFolder, "9kq"); pos9 != std::string::npos)
    v.MakerFolder = v.ProgramFolder.substr(0, pos9) + "9kq/";
  v.DatabaseFolder = v.MakerFolder + "Common Files/";

  // The folders above are filled in even when the documents folder is
  // missing, so a caller that does not need it can still use them.
  if (documentsFolder.empty()) {
    result.Error = "Could not find My Documents folder location.";
    return result;
  }
  v.MyDocumentsFolder = WithSlash(documentsFolder);
  v.UserDataFolder = v.MyDocumentsFolder + "Orvane/" + v.ProgramName + "/";
  return result;
}

void CreateUserDataFolder(TStartupValues& values) {
  std::error_code ec;
  fs::create_directories(values.UserDataFolder, ec);
  if (ec || !fs::is_directory(values.UserDataFolder, ec)) values.UserDataFolder = values.ProgramFolder;
}

void LocateResourceFolders(TStartupValues& values) {
  std::error_code ec;
  const fs::path program(values.ProgramFolder);
  const auto holdsProgramFiles = [&ec](const fs::path& folder) {
    return fs::exists(folder / "Help" / "Blowden.htm", ec) || fs::exists(folder / "normalbmp.bmp", ec);
  };
  values.ResourceFolder = values.ProgramFolder;
  values.SamplesFolder = values.ProgramFolder;
  if (holdsProgramFiles(program)) return;
  const fs::path shared = (program / ".." / "share" / "blowden").lexically_normal();
  if (!fs::is_directory(shared, ec)) return;
  values.ResourceFolder = WithSlash(shared.string());
  if (fs::is_directory(shared / "samples", ec))
    values.SamplesFolder = WithSlash((shared / "samples").string());
  else
    values.SamplesFolder = values.ResourceFolder;
}

std::string PlatformDataFolder() {
  const std::string xdg = EnvValue("XDG_DATA_HOME");
  if (!xdg.empty() && xdg.front() == '/') return WithSlash(xdg);
  const std::string home = EnvValue("HOME");
  return home.empty() ? std::string() : JoinPath(home, ".local/share/");
}

std::string PlatformDocumentsFolder() {
  const std::string home = EnvValue("HOME");
  std::string config = EnvValue("XDG_CONFIG_HOME");
  if (config.empty() || config.front() != '/')
    config = home.empty() ? std::string() : JoinPath(home, ".config");

  // user-dirs.dirs holds shell assignments such as
  //   XDG_DOCUMENTS_DIR="$HOME/Dokumente"
  if (!config.empty()) {
    std::ifstream in(JoinPath(config, "user-dirs.dirs"));
    std::string line;
    while (std::getline(in, line)) {
      const std::string_view text = Trim(line);
      constexpr std::string_view key = "XDG_DOCUMENTS_DIR=";
      if (text.substr(0, key.size()) != key) continue;
      std::string_view value = text.substr(key.size());
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
      std::string path;
      if (value.substr(0, 5) == "$HOME") {
        if (home.empty()) continue;
        path = home + std::string(value.substr(5));
      } else {
        path = std::string(value);
      }
      if (!path.empty() && path.front() == '/') return WithSlash(path);
    }
  }
  return home.empty() ? std::string() : JoinPath(home, "Documents/");
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  if (mask == "*.*") mask = "*";
  // Greedy wildcard match with one back-tracking point for the last "*".
  std::size_t n = 0, m = 0;
  std::size_t starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || LowerAscii(mask[m]) == LowerAscii(name[n]))) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

void FindFiles(const std::string& folder, const std::string& mask, std::vector<std::string>& list,
               const std::function<void(const std::string& folder)>& notification, bool recursive) {
  if (folder.empty()) return;

  std::vector<std::string> files;
  std::vector<std::string> folders;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code typeEc;
    const auto linkStatus = it->symlink_status(typeEc);
    if (typeEc) continue;
    if (fs::is_directory(linkStatus)) {
      folders.push_back(name);
    } else if (fs::is_directory(it->status(typeEc))) {
      // A link to a folder: neither a file nor followed.
    } else if (MatchesMask(name, mask)) {
      files.push_back(name);
    }
  }
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());

  if (notification) notification(folder);
  for (const auto& name : files) list.push_back(JoinPath(folder, name));
  if (recursive)
    for (const auto& name : folders) FindFiles(JoinPath(folder, name), mask, list, notification, recursive);
}

}  // namespace blowden
