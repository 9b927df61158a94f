#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "services/Database.h"
#include "services/Folders.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace blowden {
namespace {

using test::ReadFileBytes;

// Names of everything in a folder, sorted; shows leftover temporary files.
std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Makes `folder` refuse new files. Permission bits do not stop root, so when
// they turn out not to, the folder is replaced by a regular file of the same
// name, in which no file can be created by anyone.
void MakeUnwritable(fs::path folder) {
  if (!folder.has_filename()) folder = folder.parent_path();
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  const fs::path probe = folder / "probe";
  if (std::ofstream(probe).good()) {
    fs::permissions(folder, fs::perms::owner_all);
    fs::remove_all(folder);
    std::ofstream(folder) << "a file where the folder should be";
  }
}

class DatabaseTest : public ::testing::Test {
 protected:
  std::string Db() const { return (Dir.Path() / "Orvane" / "Common Files").string() + "/"; }
  test::TTempDir Dir;
};

TEST_F(DatabaseTest, CopyCreatesMissingDatabaseFolderAndCopiesBytes) {
  static const char raw[] = "[Fan]\r\nName=A\r\n\x93quoted\x94\0tail";
  const std::string bytes(raw, sizeof raw - 1);
  const std::string source = Dir.Write("src/Axial.qfn", bytes);
  const TCopyResult r = CopyIntoDatabase(source, Db());
  ASSERT_TRUE(r.Ok) << r.Message;
  EXPECT_EQ(r.Target, Db() + "Axial.qfn");
  EXPECT_EQ(ReadFileBytes(r.Target), bytes);
  EXPECT_EQ(Entries(Db()), std::vector<std::string>{"Axial.qfn"});
}

TEST_F(DatabaseTest, CopyReplacesInstalledFile) {
  const std::string source = Dir.Write("src/Axial.qfn", "new");
  Dir.Write("Orvane/Common Files/Axial.qfn", "older and longer");
  const TCopyResult r = CopyIntoDatabase(source, Db());
  ASSERT_TRUE(r.Ok) << r.Message;
  EXPECT_EQ(ReadFileBytes(r.Target), "new");
  EXPECT_EQ(Entries(Db()), std::vector<std::string>{"Axial.qfn"});
}

TEST_F(DatabaseTest, CopyOfInstalledFileOntoItselfKeepsItsBytes) {
  const std::string installed = Dir.Write("Orvane/Common Files/Axial.qfn", "keep me");
  const TCopyResult r = CopyIntoDatabase(installed, Db());
  ASSERT_TRUE(r.Ok) << r.Message;
  EXPECT_EQ(ReadFileBytes(installed), "keep me");
}

TEST_F(DatabaseTest, FailedCopyIsReportedWithItsReason) {
  const TCopyResult r = CopyIntoDatabase(Dir.File("src/Missing.qfn"), Db());
  EXPECT_FALSE(r.Ok);
  EXPECT_NE(r.Message.find("Missing.qfn"), std::string::npos) << r.Message;
  EXPECT_NE(r.Message.find("No such file or directory"), std::string::npos) << r.Message;
}

TEST_F(DatabaseTest, CopyOverAFolderFailsAndLeavesNoTemporaryFile) {
  const std::string source = Dir.Write("src/Axial.qfn", "bytes");
  Dir.Write("Orvane/Common Files/Axial.qfn/inside", "a folder of that name");
  const TCopyResult r = CopyIntoDatabase(source, Db());
  EXPECT_FALSE(r.Ok);
  EXPECT_FALSE(r.Message.empty());
  EXPECT_EQ(Entries(Db()), std::vector<std::string>{"Axial.qfn"});
  EXPECT_TRUE(fs::is_directory(Db() + "Axial.qfn"));
}

TEST_F(DatabaseTest, UnwritableDatabaseFolderIsReported) {
  const std::string source = Dir.Write("src/Axial.qfn", "bytes");
  MakeUnwritable(Db());
  const TCopyResult r = CopyIntoDatabase(source, Db());
  EXPECT_FALSE(r.Ok);
  EXPECT_FALSE(r.Message.empty());
  EXPECT_FALSE(fs::exists(Db() + "Axial.qfn"));
}

TEST_F(DatabaseTest, ListSkipsHiddenFilesSubfoldersAndOtherExtensions) {
  Dir.Write("Orvane/Common Files/b.qfn", "b");
  Dir.Write("Orvane/Common Files/A.QFN", "a");
  Dir.Write("Orvane/Common Files/c.qfn", "c");
  Dir.Write("Orvane/Common Files/.hidden.qfn", "h");
  Dir.Write("Orvane/Common Files/c._fn", "backup");
  Dir.Write("Orvane/Common Files/notes.txt", "n");
  Dir.Write("Orvane/Common Files/sub/d.qfn", "d");
  fs::create_directory(Db() + "folder.qfn");
  const auto files = ListInstalledFiles(Db());
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].Name, "A");
  EXPECT_EQ(files[0].Path, Db() + "A.QFN");
  EXPECT_EQ(files[1].Name, "b");
  EXPECT_EQ(files[2].Name, "c");
  EXPECT_EQ(files[2].Path, Db() + "c.qfn");
}

TEST_F(DatabaseTest, ListJoinsWithOneSlash) {
  Dir.Write("Orvane/Common Files/a.qfn", "a");
  std::string withoutSlash = Db();
  withoutSlash.pop_back();
  const auto files = ListInstalledFiles(withoutSlash);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].Path, Db() + "a.qfn");
}

TEST_F(DatabaseTest, ListOfMissingFolderIsEmpty) {
  EXPECT_TRUE(ListInstalledFiles(Db()).empty());
  EXPECT_TRUE(ListInstalledFiles("").empty());
}

TEST_F(DatabaseTest, FindPrefersTheExactName) {
  Dir.Write("Orvane/Common Files/axial.qfn", "1");
  Dir.Write("Orvane/Common Files/Axial.qfn", "2");
  Dir.Write("Orvane/Common Files/Radial.qfn", "3");
  EXPECT_EQ(FindInstalledFile(Db(), "axial")->Path, Db() + "axial.qfn");
  EXPECT_EQ(FindInstalledFile(Db(), "Axial")->Path, Db() + "Axial.qfn");
  EXPECT_EQ(FindInstalledFile(Db(), "RADIAL")->Path, Db() + "Radial.qfn");
  EXPECT_FALSE(FindInstalledFile(Db(), "Mixed").has_value());
}

TEST_F(DatabaseTest, DeleteLeavesBackupWithSameBytes) {
  const std::string path = Dir.Write("Orvane/Common Files/A.qfn", "fan data\r\n");
  const TDeleteResult r = DeleteInstalledFile(path);
  ASSERT_TRUE(r.Deleted) << r.Message;
  EXPECT_EQ(r.Backup, Db() + "A._fn");
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(ReadFileBytes(r.Backup), "fan data\r\n");
  EXPECT_EQ(Entries(Db()), std::vector<std::string>{"A._fn"});
  EXPECT_TRUE(ListInstalledFiles(Db()).empty());
}

TEST_F(DatabaseTest, DeleteKeepsAnOlderBackupUnderTheNextNumber) {
  Dir.Write("Orvane/Common Files/A._fn", "an older backup, longer than the file");
  Dir.Write("Orvane/Common Files/A._fn.1", "the oldest backup");
  const std::string path = Dir.Write("Orvane/Common Files/A.qfn", "newer");
  const TDeleteResult r = DeleteInstalledFile(path);
  ASSERT_TRUE(r.Deleted) << r.Message;
  EXPECT_EQ(ReadFileBytes(r.Backup), "newer");
  EXPECT_EQ(r.PreviousBackup, Db() + "A._fn.2");
  EXPECT_EQ(ReadFileBytes(Db() + "A._fn.2"), "an older backup, longer than the file");
  EXPECT_EQ(ReadFileBytes(Db() + "A._fn.1"), "the oldest backup");
}

TEST_F(DatabaseTest, NamesDifferingInCaseAreDeletedExactlyAndKeepBothBackups) {
  Dir.Write("Orvane/Common Files/x.qfn", "lower");
  Dir.Write("Orvane/Common Files/x.QFN", "upper");
  struct Case {
    const char* name;
    const char* file;  // what the name finds; empty: nothing
  };
  const Case cases[] = {
      {"x.qfn", "x.qfn"}, {"x.QFN", "x.QFN"}, {"x", "x.qfn"}, {"X", ""}, {"X.qfn", ""}, {"x.Qfn", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto found = FindInstalledFile(Db(), c.name);
    if (*c.file)
      EXPECT_EQ(found ? found->Path : "(none)", Db() + c.file);
    else
      EXPECT_FALSE(found.has_value()) << "a name that matches two files only by ignoring case names neither";
  }

  ASSERT_TRUE(DeleteInstalledFile(FindInstalledFile(Db(), "x.qfn")->Path).Deleted);
  EXPECT_EQ(ReadFileBytes(Db() + "x.QFN"), "upper");
  ASSERT_TRUE(DeleteInstalledFile(FindInstalledFile(Db(), "x.QFN")->Path).Deleted);
  EXPECT_EQ(Entries(Db()), (std::vector<std::string>{"x._fn", "x._fn.1"}));
  EXPECT_EQ(ReadFileBytes(Db() + "x._fn"), "upper");
  EXPECT_EQ(ReadFileBytes(Db() + "x._fn.1"), "lower") << "the other file's backup is kept";
}

TEST_F(DatabaseTest, AListThatCannotBeMadeSaysWhy) {
  std::string error;
  EXPECT_TRUE(ListInstalledFiles(Db(), &error).empty());
  EXPECT_EQ(error, "") << "a missing folder is simply empty";
  const std::string file = Dir.Write("plain-file", "x");
  EXPECT_TRUE(ListInstalledFiles(file, &error).empty());
  EXPECT_EQ(error, "it is not a folder");
  const std::string loop = Dir.File("loop");
  fs::create_symlink("loop", loop);
  EXPECT_TRUE(ListInstalledFiles(loop, &error).empty());
  EXPECT_FALSE(error.empty());
}

TEST_F(DatabaseTest, FailedBackupKeepsTheFile) {
  const std::string path = Dir.Write("Orvane/Common Files/A.qfn", "precious");
  Dir.Write("Orvane/Common Files/A._fn/inside", "a folder where the backup goes");
  const TDeleteResult r = DeleteInstalledFile(path);
  EXPECT_FALSE(r.Deleted);
  EXPECT_NE(r.Message.find("not deleted"), std::string::npos) << r.Message;
  EXPECT_EQ(ReadFileBytes(path), "precious");
  EXPECT_EQ(Entries(Db()), (std::vector<std::string>{"A._fn", "A.qfn"}));
}

TEST_F(DatabaseTest, DeleteOfVanishedFileIsReported) {
  const TDeleteResult r = DeleteInstalledFile(Db() + "Gone.qfn");
  EXPECT_FALSE(r.Deleted);
  EXPECT_FALSE(r.Message.empty());
  EXPECT_FALSE(fs::exists(Db() + "Gone._fn"));
}

}  // namespace
}  // namespace blowden
