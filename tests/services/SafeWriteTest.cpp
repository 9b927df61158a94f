#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "services/Database.h"
#include "services/SafeWrite.h"
#include "support/TestSupport.h"

namespace blowden {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TTempDir;

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Removes the fault seam whatever the test does.
struct TFaultGuard {
  ~TFaultGuard() { SetWriteFaultForTesting(nullptr); }
};

TEST(SafeWrite, AFailureAtAnyStepKeepsTheOldBytesAndSaysWhy) {
  struct Case {
    const char* name;
    TWriteStep step;
    int error;
    int failAfter;  // steps of that kind that pass first
  };
  const Case cases[] = {
      {"no room for the temporary file", TWriteStep::Create, ENOSPC, 0},
      {"disk full on the first write", TWriteStep::Write, ENOSPC, 0},
      {"quota on a later write", TWriteStep::Write, EDQUOT, 1},
      {"I/O error on sync", TWriteStep::Sync, EIO, 0},
      {"error reported by close (NFS)", TWriteStep::Close, ENOSPC, 0},
      {"rename refused", TWriteStep::Rename, EACCES, 0},
  };
  const TFaultGuard guard;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir dir;
    const std::string path = dir.Write("fans.qfn", "old bytes\n");
    int passed = 0;
    SetWriteFaultForTesting([&](TWriteStep step) {
      if (step != c.step) return 0;
      return passed++ < c.failAfter ? 0 : c.error;
    });
    // Large enough to need several writes when a write is cut short.
    const std::string reason = WriteFileAtomically(path, std::string(3 << 20, 'x'));
    SetWriteFaultForTesting(nullptr);
    EXPECT_EQ(reason, std::strerror(c.error));
    EXPECT_EQ(ReadFileBytes(path), "old bytes\n");
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"fans.qfn"}) << "no temporary file left";
  }
}

TEST(SafeWrite, ReplacesKeepingModeOwnerAndSymbolicLinks) {
  TTempDir dir;
  const std::string path = dir.Write("fans.qfn", "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
  }
  const std::string link = dir.File("link.qfn");
  fs::create_symlink("fans.qfn", link);

  EXPECT_EQ(WriteFileAtomically(link, "new bytes"), "");
  EXPECT_EQ(ReadFileBytes(path), "new bytes");
  EXPECT_TRUE(fs::is_symlink(link)) << "the link stays a link";
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 1234u) << "a root save must not hand the file to root";
    EXPECT_EQ(st.st_gid, 5678u);
  }
  EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"fans.qfn", "link.qfn"}));

  // A new file gets the usual mode under the umask.
  const mode_t mask = ::umask(022);
  EXPECT_EQ(WriteFileAtomically(dir.File("new.qfn"), "n"), "");
  ::umask(mask);
  ASSERT_EQ(::stat(dir.File("new.qfn").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(SafeWrite, SpecialTargetsAreRefusedOrWrittenInto) {
  TTempDir dir;
  fs::create_directory(dir.Path() / "folder");
  EXPECT_EQ(WriteFileAtomically(dir.File("folder"), "x"), std::strerror(EISDIR));
  EXPECT_TRUE(fs::is_directory(dir.Path() / "folder"));

  const std::string fifo = dir.File("pipe");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_NE(WriteFileAtomically(fifo, "x").find("not a regular file"), std::string::npos);
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo) << "the pipe is not replaced";

  std::string received;
  std::thread reader([&] {
    std::ifstream in(fifo, std::ios::binary);
    received.assign(std::istreambuf_iterator<char>(in), {});
  });
  EXPECT_EQ(WriteFileAtomically(fifo, "through the pipe", {TSpecialTarget::WriteInto}), "");
  reader.join();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
}

// A small tmpfs, mounted for the test (needs root): the real full disk.
class FullDisk : public testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root; the fault seam tests cover it";
    if (::mount("tmpfs", Dir.Path().c_str(), "tmpfs", 0, "size=256k") != 0)
      GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(errno) << ")";
    Mounted = true;
    Old = Dir.Write("fans.qfn", std::string(40000, 'o'));
    // Fill what is left.
    std::ofstream filler(Dir.File("filler"), std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), std::streamsize(block.size()))) filler.flush();
  }
  void TearDown() override {
    if (Mounted) ::umount2(Dir.Path().c_str(), MNT_DETACH);
  }

  TTempDir Dir;
  bool Mounted = false;
  std::string Old;
};

TEST_F(FullDisk, AWriteThatDoesNotFitKeepsTheOldFile) {
  const std::string reason = WriteFileAtomically(Old, std::string(100000, 'n'));
  EXPECT_EQ(reason, std::strerror(ENOSPC));
  EXPECT_EQ(ReadFileBytes(Old), std::string(40000, 'o'));
  EXPECT_EQ(Entries(Dir.Path()), (std::vector<std::string>{"fans.qfn", "filler"}));
}

TEST_F(FullDisk, InstallAndBackupReportTheFullDisk) {
  // The database folder on the full disk; the catalogue to install elsewhere.
  TTempDir source;
  const std::string file = source.Write("New.qfn", std::string(100000, 'n'));
  const TCopyResult copy = CopyIntoDatabase(file, Dir.Path().string());
  EXPECT_FALSE(copy.Ok);
  EXPECT_NE(copy.Message.find(std::strerror(ENOSPC)), std::string::npos) << copy.Message;

  const TDeleteResult deleted = DeleteInstalledFile(Old);
  EXPECT_FALSE(deleted.Deleted);
  EXPECT_NE(deleted.Message.find("not deleted"), std::string::npos) << deleted.Message;
  EXPECT_EQ(ReadFileBytes(Old), std::string(40000, 'o'));
  EXPECT_EQ(Entries(Dir.Path()), (std::vector<std::string>{"fans.qfn", "filler"}));
}

}  // namespace
}  // namespace blowden
