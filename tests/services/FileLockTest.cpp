#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "services/FileLock.h"
#include "services/SafeWrite.h"
#include "support/TestSupport.h"

namespace blowden {
namespace {

using namespace std::chrono_literals;
using test::TTempDir;

TEST(FileLock, ASecondLockerWaitsItsBoundAndIsThenRefused) {
  TTempDir dir;
  const std::string file = dir.Write("a.qfn", "[A]\n");
  struct Case {
    const char* name;
    std::string path;
    bool folder;
  };
  const Case cases[] = {{"file", file, false}, {"folder", dir.Path().string(), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFileLock first, second;
    auto lock = [&](TFileLock& l, std::chrono::milliseconds wait) {
      return c.folder ? l.LockFolder(c.path, wait) : l.LockFile(c.path, wait);
    };
    ASSERT_EQ(lock(first, 1s), "");
    EXPECT_TRUE(first.Locked());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lock(second, 150ms), "another program is changing it (still locked after 0.15 s)");
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
    EXPECT_TRUE(second.Busy());
    EXPECT_FALSE(second.Locked());
    // Let go while the second one waits: it gets the lock.
    std::thread release([&] {
      std::this_thread::sleep_for(50ms);
      first.Unlock();
    });
    EXPECT_EQ(lock(second, 5s), "");
    release.join();
    EXPECT_TRUE(second.Locked());
    EXPECT_FALSE(second.Busy());
  }
}

TEST(FileLock, AFileReplacedWhileWaitingIsLockedAsItIsNow) {
  TTempDir dir;
  const std::string file = dir.Write("a.qfn", "old");
  TFileLock writer;
  ASSERT_EQ(writer.LockFile(file), "");
  TFileLock waiter;
  std::string waited = "not run";
  std::thread wait([&] { waited = waiter.LockFile(file, 5s); });
  std::this_thread::sleep_for(50ms);
  // The writer replaces the file (a new inode) and lets go.
  ASSERT_EQ(WriteFileAtomically(file, "new"), "");
  writer.Unlock();
  wait.join();
  EXPECT_EQ(waited, "");
  // The waiter holds the lock of the file as it is now: a third writer is
  // kept out.
  TFileLock third;
  EXPECT_FALSE(third.LockFile(file, 50ms).empty());
  EXPECT_TRUE(third.Busy());
}

TEST(FileLock, WhatCannotBeOpenedIsSaidAndNothingHangs) {
  TTempDir dir;
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  TFileLock lock;
  EXPECT_EQ(lock.LockFile(dir.File("missing.qfn")), std::strerror(ENOENT));
  EXPECT_FALSE(lock.Busy());
  EXPECT_EQ(lock.LockFolder(dir.File("missing")), std::strerror(ENOENT));
  EXPECT_EQ(lock.LockFolder(dir.Write("file", "x")), std::strerror(ENOTDIR));
  // A FIFO without a writer: opened without waiting for one.
  EXPECT_EQ(lock.LockFile(fifo, 100ms), "");
}

TEST(FileLock, TheBusyReasonNamesTheWait) {
  EXPECT_EQ(TFileLock::BusyReason(10s), "another program is changing it (still locked after 10 s)");
  EXPECT_EQ(TFileLock::BusyReason(250ms), "another program is changing it (still locked after 0.25 s)");
  EXPECT_EQ(TFileLock::BusyReason(1500ms), "another program is changing it (still locked after 1.5 s)");
  EXPECT_EQ(DefaultLockWait(), 10s);
}

}  // namespace
}  // namespace blowden
