#include "services/Folders.h"

#include <unistd.h>

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

unsigned char LowerAscii(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

// The order of the file lists: ASCII letters without regard to case, then
// byte order ("a.qfn" < "B.qfn" < "b.qfn").
bool NameBefore(std::string_view a, std::string_view b) {
  const auto folded = [](char x, char y) { return LowerAscii(x) < LowerAscii(y); };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded)) return false;
  return a < b;
}

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

std::vector<TFanFileEntry> ListFanFiles(const std::string& folder, std::string* error) {
  std::vector<TFanFileEntry> files;
  if (error) error->clear();
  if (folder.empty()) return files;
  std::error_code ec;
  // Without the closing "/": "file/" would read as missing, not as no folder.
  std::string bare = folder;
  while (bare.size() > 1 && bare.back() == '/') bare.pop_back();
  const fs::file_status status = fs::status(bare, ec);
  if (status.type() == fs::file_type::not_found) return files;
  if (!ec && status.type() != fs::file_type::directory) {
    if (error) *error = "it is not a folder";
    return files;
  }
  fs::directory_iterator it(folder, ec);
  for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    if (!SameText(it->path().extension().string(), ".qfn")) continue;
    std::error_code typeEc;
    if (!it->is_regular_file(typeEc) || typeEc) continue;
    std::string path = JoinPath(folder, name);
    if (::access(path.c_str(), R_OK) != 0) continue;
    files.push_back({std::move(name), std::move(path)});
  }
  if (ec) {
    if (error) *error = ec.message();
    files.clear();
  }
  std::sort(files.begin(), files.end(),
            [](const TFanFileEntry& a, const TFanFileEntry& b) { return NameBefore(a.Name, b.Name); });
  return files;
}

}  // namespace blowden
