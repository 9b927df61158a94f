#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "services/FileChecks.h"
#include "services/SafeWrite.h"
#include "support/TestSupport.h"

namespace blowden {
namespace {

namespace fs = std::filesystem;
using test::TTempDir;

TEST(FileChecks, TheKindOfAFileComesFromItsFirstBytes) {
  TTempDir dir;
  fs::create_directory(dir.Path() / "folder.pdf");
  const std::string fifo = dir.File("pipe.pdf");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    const char* Name;
    std::string Bytes;  // empty with Write false: not made
    bool Write;
    TFileKind Kind;
  } cases[] = {
      {"missing.pdf", "", false, TFileKind::Missing},
      {"empty.pdf", "", true, TFileKind::Empty},
      {"sheet.bin", "%PDF-1.7\n...", true, TFileKind::Pdf},
      {"chart.bin", std::string("\x89PNG\r\n\x1a\n...", 11), true, TFileKind::Png},
      {"fans.txt", "[Catalog]\nMaker=X\n", true, TFileKind::FanData},
      {"bom.pdf", "\xEF\xBB\xBF; a comment\n\n  [E1]\nModel=1\n", true, TFileKind::FanData},
      {"named.QFN", "anything", true, TFileKind::FanData},
      {"backup._fn", "%PDF-", true, TFileKind::FanData},
      {"notes.pdf", "minutes\n[1] a point\n", true, TFileKind::Other},
      {"binary.pdf", std::string("[a]\0", 4), true, TFileKind::Other},
      {"fake.png", "PNG", true, TFileKind::Other},
      {"folder.pdf", "", false, TFileKind::Folder},
      {"pipe.pdf", "", false, TFileKind::Special},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Write) dir.Write(c.Name, c.Bytes);
    EXPECT_EQ(ExistingFileKind(dir.File(c.Name)), c.Kind);
  }
  // Outputs: their own kind, nothing, an empty file or a pipe may be
  // replaced; a folder never; anything else only when forced.
  EXPECT_EQ(OutputKindRefusal(dir.File("sheet.bin"), TFileKind::Pdf, false), "");
  EXPECT_EQ(OutputKindRefusal(dir.File("missing.pdf"), TFileKind::Pdf, false), "");
  EXPECT_EQ(OutputKindRefusal(dir.File("empty.pdf"), TFileKind::Png, false), "");
  EXPECT_EQ(OutputKindRefusal(fifo, TFileKind::Pdf, false), "");
  EXPECT_EQ(OutputKindRefusal(dir.File("fans.txt"), TFileKind::Pdf, false),
            dir.File("fans.txt") + " is a fan data file, not a PDF document");
  EXPECT_EQ(OutputKindRefusal(dir.File("chart.bin"), TFileKind::Pdf, false),
            dir.File("chart.bin") + " is a PNG picture, not a PDF document");
  EXPECT_EQ(OutputKindRefusal(dir.File("fans.txt"), TFileKind::Pdf, true), "");
  EXPECT_NE(OutputKindRefusal(dir.File("folder.pdf"), TFileKind::Pdf, true), "");
}

TEST(FileChecks, WritableAsTheShellDecides) {
  TTempDir dir;
  const std::string file = dir.Write("ro.qfn", "[Catalog]\n");
  fs::permissions(file, fs::perms(0444));
  // Root's shell writes a 0444 file; an ordinary user's refuses it.
  EXPECT_EQ(MayWriteFile(file), ::geteuid() == 0);
  EXPECT_EQ(ReadOnlyRefusal(file).empty(), ::geteuid() == 0);
  fs::permissions(file, fs::perms(0644));
  EXPECT_TRUE(MayWriteFile(file));
  EXPECT_EQ(ReadOnlyRefusal(dir.File("missing.qfn")), "");

  SetWriteAccessForTesting([](const std::string&) { return false; });
  EXPECT_EQ(ReadOnlyRefusal(file), "it is read-only for you");
  SetWriteAccessForTesting(nullptr);
}

TEST(FileChecks, RegularAndReadableFilesAreToldWithoutBlocking) {
  TTempDir dir;
  const std::string file = dir.Write("a.qfn", "[Catalog]\n");
  const std::string fifo = dir.File("pipe.qfn");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(NotRegularFileReason(file), "");
  EXPECT_EQ(NotRegularFileReason(fifo), "it is not a regular file (a pipe, a device or a socket)");
  EXPECT_EQ(NotRegularFileReason(dir.Path().string()), "it is a folder");
  EXPECT_EQ(UnreadableFileReason(file), "");
  EXPECT_EQ(UnreadableFileReason(fifo), "");  // opened without waiting for a writer
  EXPECT_EQ(UnreadableFileReason(dir.File("typo.qfn")), "No such file or directory");
  EXPECT_EQ(UnreadableFileReason(dir.Path().string()), "it is a folder");
}

TEST(FileChecks, EachFileCountsOnce) {
  TTempDir dir;
  const std::string a = dir.Write("a.qfn", "[Catalog]\n");
  const std::string b = dir.Write("b.qfn", "[Catalog]\n");
  const std::string link = dir.File("link.qfn");
  fs::create_hard_link(a, link);
  const std::string dotted = dir.Path().string() + "/./a.qfn";
  const std::string missing = dir.File("typo.qfn");
  std::vector<std::pair<std::string, std::string>> repeated;
  EXPECT_EQ(DistinctFiles({a, b, a, link, dotted, missing, missing}, &repeated),
            (std::vector<std::string>{a, b, missing}));
  EXPECT_EQ(repeated, (std::vector<std::pair<std::string, std::string>>{
                          {a, a}, {link, a}, {dotted, a}, {missing, missing}}));
}

TEST(SafeWrite, ANameOfFullLengthIsWritten) {
  TTempDir dir;
  // 255 bytes: the most a name may have; the temporary name must not grow from it.
  const std::string name = std::string(251, 'n') + ".pdf";
  const std::string path = dir.File(name);
  EXPECT_EQ(WriteFileAtomically(path, "new"), "");
  EXPECT_EQ(test::ReadFileBytes(path), "new");
  EXPECT_EQ(WriteFileAtomically(path, "newer"), "");
  EXPECT_EQ(test::ReadFileBytes(path), "newer");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace blowden
