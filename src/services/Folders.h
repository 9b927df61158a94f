#pragma once

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

// One fan data file of a folder.
struct TFanFileEntry {
  std::string Name;  // the file name: "Axial.qfn"
  std::string Path;  // JoinPath(folder, Name)
};

// The fan data files of `folder`, the one rule of every listing (main
// window, installed files, selector, command line): files (or links to
// files) that the user may read, whose extension is ".qfn" in any letter
// case; subfolders and hidden files (names starting with ".") are left out.
// Sorted by name with ASCII letters compared without regard to case (names
// that differ only in case in byte order), as Linux enumerates a folder in no
// useful order. A missing folder (or an empty path) gives an empty list; a
// path that is no folder, or a folder that cannot be read, an empty list and
// the reason in `error` (when given; cleared otherwise).
std::vector<TFanFileEntry> ListFanFiles(const std::string& folder, std::string* error = nullptr);

}  // namespace blowden
