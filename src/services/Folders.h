#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace blowden {

// Prefix of every settings key. The key is an identifier only (the settings
// store itself is organisation "Orvane", application `ProgramName`), so it
// keeps its backslashes on every platform.
inline constexpr std::string_view SettingsRoot = "Software\\Orvane\\";

// Used when the platform gives no folder for installed programs' shared data.
inline constexpr std::string_view DefaultProgramFilesFolder = "/usr/local/share/";

// The folders and names fixed once at start-up. Every folder ends in "/".
struct TStartupValues {
  std::string ProgramFolder;       // "/opt/Orvane/Blowden/"
  std::string ProgramName;         // "blowden" (file name without folder and extension)
  std::string SettingsKey;         // "Software\Orvane\blowden"
  std::string ProgramFilesFolder;  // "/home/u/.local/share/"
  std::string MakerFolder;         // "/opt/Orvane/"
  std::string DatabaseFolder;      // MakerFolder + "Common Files/"
  std::string MyDocumentsFolder;   // "/home/u/Documents/"
  std::string UserDataFolder;      // MyDocumentsFolder + "Orvane/" + ProgramName + "/"
  // Where the files the program expects beside it are found (marker pictures,
  // Help/Blowden.htm), and the sample catalogues: the program folder itself in
  // the build tree, <prefix>/share/blowden/ and its samples/ when installed.
  std::string ResourceFolder;  // "/usr/share/blowden/" or ProgramFolder
  std::string SamplesFolder;   // "/usr/share/blowden/samples/" or ProgramFolder
};

// Values, or the error text that stops start-up (shown in a message box;
// the program then ends with a non-zero exit code).
struct TStartupResult {
  TStartupValues Values;
  std::string Error;  // empty on success
  bool Ok() const { return Error.empty(); }
};

// Computes the start-up values from the program's full path, the platform's
// folder for programs' shared data (empty: DefaultProgramFilesFolder) and the
// user's documents folder (empty: not available, which is an error:
// "Could not find My Documents folder location."). Pure: touches no file.
//
// The maker folder is the part of the program folder before the first
// "Orvane" (or, failing that, "9kq"), matched without regard to case; the
// prefix keeps its own case and the maker's name is appended as written here:
//   /usr/local/Orvane/Blowden/blowden -> MakerFolder "/usr/local/Orvane/"
//   /d/Work/orvane/test/blowden       -> MakerFolder "/d/Work/Orvane/"
//   /x/9KQ/bin/blowden                -> MakerFolder "/x/9kq/"
//   /d/Tools/blowden (data folder "/home/u/.local/share/")
//                                     -> MakerFolder "/home/u/.local/share/Orvane/"
TStartupResult ComputeStartupValues(std::string_view programPath, std::string_view programFilesFolder,
                                    std::string_view documentsFolder);

// Creates values.UserDataFolder with its missing parents; when it cannot be
// created, UserDataFolder becomes ProgramFolder (silently).
void CreateUserDataFolder(TStartupValues& values);

// Sets ResourceFolder and SamplesFolder: the program folder when it holds the
// program's files (a build tree), otherwise ../share/blowden/ beside it (an
// installation) when that exists; the program folder in any other case.
//   /src/build/bin/blowden (with bin/Help/Blowden.htm) -> "/src/build/bin/", "/src/build/bin/"
//   /usr/bin/blowden -> "/usr/share/blowden/", "/usr/share/blowden/samples/"
void LocateResourceFolders(TStartupValues& values);

// The platform folders without Qt, for the command-line program (which must
// find the same database folder as the desktop program but creates nothing):
// the data folder is $XDG_DATA_HOME when absolute, else $HOME/.local/share;
// documents is XDG_DOCUMENTS_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, else
// $HOME/Documents. Both end in "/"; empty when HOME is unknown too.
std::string PlatformDataFolder();
std::string PlatformDocumentsFolder();
// Full path of the running program ("/proc/self/exe" resolved); empty if unknown.
std::string RunningProgramPath();

// SettingsRoot + the file's name without folder and extension; the running
// program's file when `programFile` is empty.
//   GetSettingsKey("/opt/Orvane/Blowden/fans2") -> "Software\Orvane\fans2"
std::string GetSettingsKey(std::string_view programFile);

// The file name without folder and its last extension: "/a/b/Fans2.exe" -> "Fans2".
std::string ProgramNameOf(std::string_view programFile);

// "/x/" + "a.qfn" -> "/x/a.qfn";  "/x" + "a.qfn" -> "/x/a.qfn".
std::string JoinPath(std::string_view folder, std::string_view name);

// Matches a file name against a mask with "*" (any run) and "?" (one
// character), ASCII letters without regard to case; "*.*" matches every name,
// with or without a dot. MatchesMask("Fans.QFN", "*.qfn") -> true.
bool MatchesMask(std::string_view name, std::string_view mask);

// Appends JoinPath(folder, name) of every file of `folder` whose name matches
// `mask` (hidden files included, folders excluded). `notification`, when set,
// is called once per folder visited, with that folder, before its files are
// added. Recursive: afterwards each subfolder is searched the same way, depth
// first. Within a folder names are taken in byte order, because the order in
// which Linux enumerates a folder is arbitrary. Symbolic links to folders are
// not followed. An empty or missing folder appends nothing.
void FindFiles(const std::string& folder, const std::string& mask, std::vector<std::string>& list,
               const std::function<void(const std::string& folder)>& notification, bool recursive);

}  // namespace blowden
