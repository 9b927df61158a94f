#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

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

TEST(MatchesMask, Wildcards) {
  struct Case {
    const char* name;
    const char* mask;
    bool expected;
  } const cases[] = {
      {"Axial.qfn", "*.qfn", true},
      {"Axial.QFN", "*.qfn", true},
      {"Axial.qfn.bak", "*.qfn", false},
      {"Axial._fn", "*.qfn", false},
      {".hidden.qfn", "*.qfn", true},
      {"qfn", "*.qfn", false},
      {".qfn", "*.qfn", true},
      {"a.qfn", "?.qfn", true},
      {"ab.qfn", "?.qfn", false},
      {"README", "*.*", true},
      {"a.b", "*.*", true},
      {"abcabd", "*abd", true},
      {"abcab", "*ab?", false},
      {"", "*", true},
      {"x", "", false},
      {"mississippi", "m*iss*ppi", true},
      {"mississippi", "m*iss*x", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " ~ " + c.mask);
    EXPECT_EQ(MatchesMask(c.name, c.mask), c.expected);
  }
}

class FindFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir.Write("b.qfn", "b");
    Dir.Write("a.qfn", "a");
    Dir.Write(".hidden.qfn", "h");
    Dir.Write("notes.txt", "n");
    Dir.Write("sub2/z.qfn", "z");
    Dir.Write("sub1/y.qfn", "y");
    Dir.Write("sub1/deeper/x.qfn", "x");
    std::filesystem::create_directory(Dir.Path() / "folder.qfn");
  }
  std::string Root() const { return Dir.Path().string(); }
  test::TTempDir Dir;
};

TEST_F(FindFilesTest, OwnFolderOnlyIncludesHiddenFilesButNoFolders) {
  std::vector<std::string> list;
  FindFiles(Root(), "*.qfn", list, nullptr, false);
  const std::vector<std::string> expected = {Root() + "/.hidden.qfn", Root() + "/a.qfn", Root() + "/b.qfn"};
  EXPECT_EQ(list, expected);
}

TEST_F(FindFilesTest, RecursionIsDepthFirstAfterTheFolderItsOwnFiles) {
  std::vector<std::string> list{"kept"};
  std::vector<std::string> visited;
  FindFiles(
      Root() + "/", "*.qfn", list, [&](const std::string& folder) { visited.push_back(folder); }, true);
  const std::string r = Root() + "/";
  const std::vector<std::string> expected = {"kept",          r + ".hidden.qfn", r + "a.qfn",
                                             r + "b.qfn",     r + "sub1/y.qfn",  r + "sub1/deeper/x.qfn",
                                             r + "sub2/z.qfn"};
  EXPECT_EQ(list, expected);
  // The folder named like a file is searched as a folder.
  const std::vector<std::string> expectedFolders = {r, r + "folder.qfn", r + "sub1", r + "sub1/deeper",
                                                    r + "sub2"};
  EXPECT_EQ(visited, expectedFolders);
}

TEST_F(FindFilesTest, NotificationComesBeforeTheFolderItsMatches) {
  std::vector<std::string> list;
  std::vector<std::size_t> sizesAtNotification;
  FindFiles(
      Root(), "*.qfn", list, [&](const std::string&) { sizesAtNotification.push_back(list.size()); }, true);
  // Root (0 files before), folder.qfn (3), sub1 (3), sub1/deeper (4), sub2 (5).
  const std::vector<std::size_t> expected = {0, 3, 3, 4, 5};
  EXPECT_EQ(sizesAtNotification, expected);
}

TEST_F(FindFilesTest, MaskSelectsFiles) {
  std::vector<std::string> list;
  FindFiles(Root(), "*.*", list, nullptr, false);
  EXPECT_EQ(list.size(), 4u);
  list.clear();
  FindFiles(Root(), "?.qfn", list, nullptr, false);
  const std::vector<std::string> expected = {Root() + "/a.qfn", Root() + "/b.qfn"};
  EXPECT_EQ(list, expected);
}

TEST_F(FindFilesTest, LinkToFolderIsNotFollowed) {
  std::filesystem::create_directory_symlink(Dir.Path() / "sub1", Dir.Path() / "loop");
  std::filesystem::create_directory_symlink(Dir.Path(), Dir.Path() / "sub1" / "back");
  std::vector<std::string> list;
  FindFiles(Root(), "*.qfn", list, nullptr, true);
  EXPECT_EQ(list.size(), 6u);
}

TEST(FindFiles, MissingOrEmptyFolderAppendsNothing) {
  test::TTempDir dir;
  std::vector<std::string> list{"kept"};
  FindFiles((dir.Path() / "missing").string(), "*", list, nullptr, true);
  FindFiles("", "*", list, nullptr, true);
  EXPECT_EQ(list, std::vector<std::string>{"kept"});
}

class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : FName(name) {
    if (const char* v = std::getenv(name)) FOld = v;
  }
  ~EnvGuard() {
    if (FOld)
      setenv(FName, FOld->c_str(), 1);
    else
      unsetenv(FName);
  }
  void Set(const std::string& value) const { setenv(FName, value.c_str(), 1); }
  void Unset() const { unsetenv(FName); }

 private:
  const char* FName;
  std::optional<std::string> FOld;
};

TEST(PlatformFolders, DataFolderFollowsXdgDataHome) {
  EnvGuard home("HOME"), data("XDG_DATA_HOME");
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
  EnvGuard home("HOME"), config("XDG_CONFIG_HOME");
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
