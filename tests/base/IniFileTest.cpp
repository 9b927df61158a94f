#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/IniFile.h"
#include "support/TestSupport.h"

using namespace blowden;

namespace {

const char* kText =
    "; a comment before anything\n"
    "stray=ignored\n"
    "[F400]\r\n"
    "  Diameter = 400 \r\n"
    "Qa=0.5, 1.0,1.5\r\n"
    "Empty=\r\n"
    ";Pw=1,2,3\r\n"
    "Description=\"Quoted, with comma\"\r\n"
    "no equals sign here\r\n"
    "diameter=999\r\n"
    "[catalog] trailing text\n"
    "Maker=Orvane\n"
    "Density=1.19\n"
    "[EmptySection]\n"
    "[F400]\n"
    "Diameter=123\n"
    "[F500]\n"
    "RefSpeed=+1450\n"
    "Bad=1 2\n"
    "Float= 1.5E-3 \n"
    "Word=abc\n";

}  // namespace

TEST(IniFile, SectionsKeysAndValues) {
  TIniFile ini(kText);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"F400", "catalog", "EmptySection", "F500"}));
  EXPECT_EQ(ini.ReadString("f400", "DIAMETER", "x"), "400");  // case, blanks, first key wins
  EXPECT_EQ(ini.ReadString("F400", "Qa", ""), "0.5, 1.0,1.5");
  EXPECT_EQ(ini.ReadString("F400", "Description", ""), "Quoted, with comma");
  EXPECT_TRUE(ini.ValueExists("F400", "Empty"));
  EXPECT_EQ(ini.ReadString("F400", "Empty", "def"), "");
  EXPECT_FALSE(ini.ValueExists("F400", "Pw"));  // commented out
  EXPECT_FALSE(ini.ValueExists("F400", "no equals sign here"));
  EXPECT_EQ(ini.ReadString("Catalog", "Maker", ""), "Orvane");
  EXPECT_FALSE(ini.ValueExists("", "stray"));
  EXPECT_TRUE(ini.SectionExists("F400"));
  EXPECT_FALSE(ini.SectionExists("EmptySection"));  // listed, but holds no key
  EXPECT_FALSE(ini.SectionExists("Missing"));
}

TEST(IniFile, NumbersWithDefaults) {
  TIniFile ini(kText);
  EXPECT_EQ(ini.ReadInteger("F500", "RefSpeed", 1360), 1450);
  EXPECT_EQ(ini.ReadInteger("F500", "Bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("F500", "Word", 7), 7);
  EXPECT_EQ(ini.ReadInteger("F500", "Missing", 7), 7);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F500", "Float", 0), 0.0015);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F500", "Word", 1.2), 1.2);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("catalog", "Density", 1.2), 1.19);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("F400", "Empty", 1.2), 1.2);
}

TEST(IniFile, LongValuesAreReadInFull) {
  std::string list;
  for (int i = 0; i < 2000; ++i) list += std::to_string(i) + ".5,";
  list += "9999.125";
  TIniFile ini("[M]\nQa=" + list + "\n");
  EXPECT_GT(list.size(), 2047u);
  EXPECT_EQ(ini.ReadString("M", "Qa", ""), list);
}

TEST(IniFile, OpenSeesChangesOnDisk) {
  test::TTempDir dir;
  const auto path = dir.Write("a.qfn", "[A]\nX=1\n");
  auto first = TIniFile::Open(path);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->ReadInteger("A", "X", 0), 1);
  EXPECT_EQ(TIniFile::Open(path).get(), first.get());  // unchanged file: the parsed copy is reused

  dir.Write("a.qfn", "[A]\nX=22\n");
  // Same second, other size: still seen. Then same size with a later time.
  EXPECT_EQ(TIniFile::Open(path)->ReadInteger("A", "X", 0), 22);
  dir.Write("a.qfn", "[A]\nX=33\n");
  std::filesystem::last_write_time(path,
                                   std::filesystem::file_time_type::clock::now() + std::chrono::seconds(5));
  EXPECT_EQ(TIniFile::Open(path)->ReadInteger("A", "X", 0), 33);

  // Another program rewrites the file in place with the same size and puts
  // its modification time back (as a copy tool keeping times does), or
  // replaces it by a rename: both are read again.
  const auto stamp = std::filesystem::last_write_time(path);
  // The rewrite must land on a later tick of the file system's clock than
  // the write before, or nothing on disk could tell the two apart: rewrite
  // until the change time moves (a tick is a few milliseconds).
  const auto changeTime = [&path] {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return std::pair(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
  };
  const auto before = changeTime();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  do {
    dir.Write("a.qfn", "[A]\nX=44\n");
  } while (changeTime() == before && std::chrono::steady_clock::now() < deadline);
  ASSERT_NE(changeTime(), before);
  std::filesystem::last_write_time(path, stamp);
  EXPECT_EQ(TIniFile::Open(path)->ReadInteger("A", "X", 0), 44);
  const auto other = dir.Write("b.qfn", "[A]\nX=55\n");
  std::filesystem::last_write_time(other, stamp);
  std::filesystem::rename(other, path);
  EXPECT_EQ(TIniFile::Open(path)->ReadInteger("A", "X", 0), 55);
}

TEST(IniFile, OpenKeepsTheParsesOfHundredsOfFiles) {
  // A ranked selection reopens every catalogue of a folder for each model:
  // a folder of 600 files is read from disk once, not once per model.
  test::TTempDir dir;
  TIniFile::ClearCache();
  std::vector<std::string> paths;
  std::vector<std::shared_ptr<const TIniFile>> first;
  for (int i = 0; i < 600; ++i) {
    paths.push_back(dir.Write("f" + std::to_string(i) + ".qfn", "[A]\nX=" + std::to_string(i) + "\n"));
    first.push_back(TIniFile::Open(paths.back()));
    ASSERT_TRUE(first.back());
  }
  for (int i = 0; i < 600; ++i) {
    SCOPED_TRACE(i);
    const auto again = TIniFile::Open(paths[static_cast<std::size_t>(i)]);
    EXPECT_EQ(again.get(), first[static_cast<std::size_t>(i)].get());
    EXPECT_EQ(again->ReadInteger("A", "X", -1), i);
  }
  TIniFile::ClearCache();
}

TEST(IniFile, OpenFailures) {
  test::TTempDir dir;
  std::string error;
  EXPECT_EQ(TIniFile::Open(dir.File("missing.qfn"), &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(TIniFile::Open(dir.Path().string(), &error), nullptr);  // a folder
}

TEST(IniFile, Windows1252FileIsDecoded) {
  test::TTempDir dir;
  const auto path = dir.Write("w.qfn", "[Catalog]\nMaker=M\xFCller\n");
  auto ini = TIniFile::Open(path);
  ASSERT_TRUE(ini);
  EXPECT_EQ(ini->Encoding(), TTextEncoding::teWindows1252);
  EXPECT_EQ(ini->ReadString("Catalog", "Maker", ""), "M\xC3\xBCller");
}

TEST(IniFile, HostileTextDoesNotBreakTheParser) {
  std::string text = "[A\nK=1\n=no key\n[]\nE=empty name\nKey";
  text.push_back('\0');
  text += "With=Nul\n[B]\nK=\"\n[C]\nK='x'\n[D\n";
  TIniFile ini(text);
  EXPECT_TRUE(ini.SectionExists("A"));  // no closing bracket: the rest of the line is the name
  EXPECT_EQ(ini.ReadString("", "E", ""), "empty name");
  EXPECT_EQ(ini.ReadString("", std::string("Key") + '\0' + "With", ""), "Nul");
  EXPECT_EQ(ini.ReadString("B", "K", ""), "\"");  // a lone quote is kept
  EXPECT_EQ(ini.ReadString("C", "K", ""), "x");
  EXPECT_FALSE(ini.SectionExists("D"));
  EXPECT_EQ(ini.ReadSections().size(), 5u);
}
