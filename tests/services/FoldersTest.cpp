#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "services/Folders.h"
#include "support/TestSupport.h"

namespace blowden {
namespace {

struct FolderCase {
  const char* name;
  const char* programPath;
  const char* programFiles;
  const char* programFolder;
  const char* programName;
  const char* settingsKey;
  const char* makerFolder;
  const char* databaseFolder;
  const char* userDataFolder;
};

TEST(StartupValues, FolderRules) {
  const FolderCase cases[] = {
      {"installed below the maker's folder", "/usr/local/Orvane/Blowden/blowden", "/home/u/.local/share/",
       "/usr/local/Orvane/Blowden/", "blowden", "Software\\Orvane\\blowden", "/usr/local/Orvane/",
       "/usr/local/Orvane/Common Files/", "/home/u/Documents/Orvane/blowden/"},
      {"outside any maker folder: the data folder", "/d/Tools/blowden", "/home/u/.local/share/", "/d/Tools/",
       "blowden", "Software\\Orvane\\blowden", "/home/u/.local/share/Orvane/",
       "/home/u/.local/share/Orvane/Common Files/", "/home/u/Documents/Orvane/blowden/"},
      {"lower-case maker name, prefix keeps its case", "/d/Work/orvane/test/blowden", "/home/u/.local/share/",
       "/d/Work/orvane/test/", "blowden", "Software\\Orvane\\blowden", "/d/Work/Orvane/",
       "/d/Work/Orvane/Common Files/", "/home/u/Documents/Orvane/blowden/"},
      {"first of two maker names", "/a/ORVANE/b/Orvane/blowden", "/p/", "/a/ORVANE/b/Orvane/", "blowden",
       "Software\\Orvane\\blowden", "/a/Orvane/", "/a/Orvane/Common Files/",
       "/home/u/Documents/Orvane/blowden/"},
      {"maker name inside a longer folder name", "/srv/MyOrvaneTools/blowden", "/p/", "/srv/MyOrvaneTools/",
       "blowden", "Software\\Orvane\\blowden", "/srv/MyOrvane/", "/srv/MyOrvane/Common Files/",
       "/home/u/Documents/Orvane/blowden/"},
      {"the second maker name", "/x/Apps/9KQ/bin/blowden", "/p/", "/x/Apps/9KQ/bin/", "blowden",
       "Software\\Orvane\\blowden", "/x/Apps/9kq/", "/x/Apps/9kq/Common Files/",
       "/home/u/Documents/Orvane/blowden/"},
      {"Orvane wins over 9kq", "/9kq/orvane/blowden", "/p/", "/9kq/orvane/", "blowden",
       "Software\\Orvane\\blowden", "/9kq/Orvane/", "/9kq/Orvane/Common Files/",
       "/home/u/Documents/Orvane/blowden/"},
      {"another program name", "/opt/tools/Fans2", "/p/", "/opt/tools/", "Fans2", "Software\\Orvane\\Fans2",
       "/p/Orvane/", "/p/Orvane/Common Files/", "/home/u/Documents/Orvane/Fans2/"},
      {"extension dropped from the name", "/opt/tools/fans2.bin", "/p/", "/opt/tools/", "fans2",
       "Software\\Orvane\\fans2", "/p/Orvane/", "/p/Orvane/Common Files/", "/home/u/Documents/Orvane/fans2/"},
      {"data folder without closing slash", "/opt/tools/blowden", "/home/u/.local/share", "/opt/tools/",
       "blowden", "Software\\Orvane\\blowden", "/home/u/.local/share/Orvane/",
       "/home/u/.local/share/Orvane/Common Files/", "/home/u/Documents/Orvane/blowden/"},
      {"no data folder: the default", "/opt/tools/blowden", "", "/opt/tools/", "blowden",
       "Software\\Orvane\\blowden", "/usr/local/share/Orvane/", "/usr/local/share/Orvane/Common Files/",
       "/home/u/Documents/Orvane/blowden/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TStartupResult result = ComputeStartupValues(c.programPath, c.programFiles, "/home/u/Documents");
    ASSERT_TRUE(result.Ok()) << result.Error;
    const TStartupValues& v = result.Values;
    EXPECT_EQ(v.ProgramFolder, c.programFolder);
    EXPECT_EQ(v.ProgramName, c.programName);
    EXPECT_EQ(v.SettingsKey, c.settingsKey);
    EXPECT_EQ(v.MakerFolder, c.makerFolder);
    EXPECT_EQ(v.DatabaseFolder, c.databaseFolder);
    EXPECT_EQ(v.MyDocumentsFolder, "/home/u/Documents/");
    EXPECT_EQ(v.UserDataFolder, c.userDataFolder);
  }
}

TEST(StartupValues, MissingDocumentsFolderStopsStartUp) {
  const TStartupResult result = ComputeStartupValues("/usr/local/Orvane/Blowden/blowden", "/p/", "");
  EXPECT_FALSE(result.Ok());
  EXPECT_EQ(result.Error, "Could not find My Documents folder location.");
  // The folders that do not depend on it are still known.
  EXPECT_EQ(result.Values.DatabaseFolder, "/usr/local/Orvane/Common Files/");
  EXPECT_EQ(result.Values.UserDataFolder, "");
}

TEST(StartupValues, UserDataFolderIsCreatedWithItsParents) {
  test::TTempDir dir;
  TStartupValues v = ComputeStartupValues("/opt/tools/blowden", "/p/", dir.Path().string() + "/Docs").Values;
  CreateUserDataFolder(v);
  EXPECT_EQ(v.UserDataFolder, dir.Path().string() + "/Docs/Orvane/blowden/");
  EXPECT_TRUE(std::filesystem::is_directory(v.UserDataFolder));
}

TEST(StartupValues, UserDataFolderThatCannotBeCreatedBecomesTheProgramFolder) {
  test::TTempDir dir;
  // A regular file where a folder must go: no user, not even root, can
  // create folders below it.
  const std::string blocker = dir.Write("Docs", "not a folder");
  TStartupValues v = ComputeStartupValues("/opt/tools/blowden", "/p/", blocker).Values;
  CreateUserDataFolder(v);
  EXPECT_EQ(v.UserDataFolder, "/opt/tools/");
}

TEST(StartupValues, ResourceFoldersInTheBuildTreeAndWhenInstalled) {
  test::TTempDir dir;
  struct Case {
    const char* name;
    const char* programFolder;
    const char* resources;
    const char* samples;
  } cases[] = {
      {"build tree: files beside the program", "build/bin/", "build/bin/", "build/bin/"},
      {"installed under a prefix", "usr/bin/", "usr/share/blowden/", "usr/share/blowden/samples/"},
      {"nothing anywhere", "lonely/bin/", "lonely/bin/", "lonely/bin/"},
  };
  dir.Write("build/bin/Help/Blowden.htm", "<html></html>");
  dir.Write("usr/share/blowden/normalbmp.bmp", "BM");
  dir.Write("usr/share/blowden/samples/a.qfn", "[Catalog]\n");
  std::filesystem::create_directories(dir.Path() / "usr/bin");
  std::filesystem::create_directories(dir.Path() / "lonely/bin");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TStartupValues v;
    v.ProgramFolder = dir.File(c.programFolder);
    LocateResourceFolders(v);
    EXPECT_EQ(v.ResourceFolder, dir.File(c.resources));
    EXPECT_EQ(v.SamplesFolder, dir.File(c.samples));
  }
}

TEST(SettingsKey, NameWithoutFolderAndExtension) {
  EXPECT_EQ(GetSettingsKey("/usr/local/Orvane/Blowden/Blowden.exe"), "Software\\Orvane\\Blowden");
  EXPECT_EQ(GetSettingsKey("/opt/x/fans2"), "Software\\Orvane\\fans2");
  EXPECT_EQ(GetSettingsKey("Fans2.exe"), "Software\\Orvane\\Fans2");
  // Empty: the running program, this test program.
  EXPECT_EQ(GetSettingsKey(""), "Software\\Orvane\\services_tests");
}

TEST(SettingsKey, HiddenNameKeepsItsDot) {
  EXPECT_EQ(ProgramNameOf("/a/.tool"), ".tool");
  EXPECT_EQ(ProgramNameOf("/a.b/tool"), "tool");
  EXPECT_EQ(ProgramNameOf("/a/tool.tar.gz"), "tool.tar");
}

TEST(JoinPath, WithAndWithoutClosingSlash) {
  EXPECT_EQ(JoinPath("/x/", "a.qfn"), "/x/a.qfn");
  EXPECT_EQ(JoinPath("/x", "a.qfn"), "/x/a.qfn");
  EXPECT_EQ(JoinPath("/", "a.qfn"), "/a.qfn");
}

// The one listing of a folder's fan data files (main window, installed
// files, selector, command line).
TEST(ListFanFiles, TheRuleOfEveryFileList) {
  test::TTempDir dir;
  const std::string root = dir.Path().string();
  for (const char* name : {"b.qfn", "A.QFN", "a.qfn", "a_b.qfn", "a-b.qfn", "ab.Qfn", ".hidden.qfn", ".qfn",
                           "qfn", "notes.txt", "c.qfn.bak", "c._fn", "sub/d.qfn"})
    dir.Write(name, "x");
  std::filesystem::create_directory(dir.Path() / "folder.qfn");
  std::filesystem::create_symlink(dir.Path() / "b.qfn", dir.Path() / "link.qfn");
  std::filesystem::create_symlink(dir.Path() / "gone", dir.Path() / "broken.qfn");
  std::filesystem::create_directory_symlink(dir.Path() / "sub", dir.Path() / "linked folder.qfn");

  std::string error = "stale";
  std::vector<std::string> names;
  for (const TFanFileEntry& file : ListFanFiles(root, &error)) {
    names.push_back(file.Name);
    EXPECT_EQ(file.Path, root + "/" + file.Name);
  }
  EXPECT_EQ(error, "");
  // Letters without regard to case ('-' < '.' < '_' < letters), then byte order.
  EXPECT_EQ(names, (std::vector<std::string>{"a-b.qfn", "A.QFN", "a.qfn", "a_b.qfn", "ab.Qfn", "b.qfn",
                                             "link.qfn"}));
  EXPECT_EQ(ListFanFiles(root + "/").front().Path, root + "/a-b.qfn");
}

TEST(ListFanFiles, FilesThatCannotBeReadAreLeftOut) {
  if (geteuid() == 0) GTEST_SKIP() << "every file can be read with root's rights";
  test::TTempDir dir;
  dir.Write("open.qfn", "x");
  const std::string shut = dir.Write("shut.qfn", "x");
  std::filesystem::permissions(shut, std::filesystem::perms::none);
  const auto files = ListFanFiles(dir.Path().string());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].Name, "open.qfn");
}

TEST(ListFanFiles, MissingFolderIsEmptyAndNoFolderIsAnError) {
  test::TTempDir dir;
  const std::string file = dir.Write("plain.qfn", "x");
  struct Case {
    std::string folder;
    bool error;
  } const cases[] = {{(dir.Path() / "missing").string(), false}, {"", false}, {file, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    std::string error;
    EXPECT_TRUE(ListFanFiles(c.folder, &error).empty());
    EXPECT_EQ(!error.empty(), c.error) << error;
  }
}

TEST(PlatformFolders, DataFolderFollowsXdgDataHome) {
  test::TEnvVar home("HOME"), data("XDG_DATA_HOME");
  home.Set("/home/u");
  data.Set("/xdg/data");
  EXPECT_EQ(PlatformDataFolder(), "/xdg/data/");
  data.Set("relative/ignored");
  EXPECT_EQ(PlatformDataFolder(), "/home/u/.local/share/");
  data.Unset();
  EXPECT_EQ(PlatformDataFolder(), "/home/u/.local/share/");
}

TEST(PlatformFolders, DocumentsFolderFromUserDirs) {
  test::TTempDir dir;
  test::TEnvVar home("HOME"), config("XDG_CONFIG_HOME");
  home.Set("/home/u");
  config.Set(dir.Path().string());
  EXPECT_EQ(PlatformDocumentsFolder(), "/home/u/Documents/");
  dir.Write("user-dirs.dirs",
            "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
            "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(PlatformDocumentsFolder(), "/home/u/Dokumente/");
  dir.Write("user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"/data/docs\"\n");
  EXPECT_EQ(PlatformDocumentsFolder(), "/data/docs/");
}

TEST(PlatformFolders, RunningProgramPathIsThisTest) {
  const std::string path = RunningProgramPath();
  EXPECT_EQ(ProgramNameOf(path), "services_tests");
  EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace blowden
