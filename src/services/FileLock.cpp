#include "services/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

namespace blowden {

namespace {

constexpr std::chrono::milliseconds kStandardWait{10000};
std::atomic<long long> gWaitMs{kStandardWait.count()};

// A file system without locks: the change goes ahead unlocked. (An NFS
// client emulates flock with a write lock, which a file opened for reading
// cannot take: EBADF.)
bool NoLocksHere(int error) {
  return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EBADF;
}

}  // namespace

std::chrono::milliseconds DefaultLockWait() { return std::chrono::milliseconds(gWaitMs.load()); }

void SetDefaultLockWaitForTesting(std::chrono::milliseconds wait) {
  gWaitMs = wait.count() > 0 ? wait.count() : kStandardWait.count();
}

std::string TFileLock::BusyReason(std::chrono::milliseconds wait) {
  const long long ms = wait.count();
  std::string seconds = std::to_string(ms / 1000);
  if (ms % 1000 != 0) {
    std::string fraction = std::to_string(1000 + ms % 1000).substr(1);  // "050"
    while (fraction.back() == '0') fraction.pop_back();
    seconds += "." + fraction;
  }
  return "another program is changing it (still locked after " + seconds + " s)";
}

TFileLock::~TFileLock() { Unlock(); }

void TFileLock::Unlock() {
  if (FFd < 0) return;
  // Closing the only descriptor of this open file lets the lock go.
  ::close(FFd);
  FFd = -1;
}

std::string TFileLock::LockFile(const std::string& path, std::chrono::milliseconds wait) {
  return Lock(path, false, wait);
}

std::string TFileLock::LockFolder(const std::string& path, std::chrono::milliseconds wait) {
  return Lock(path, true, wait);
}

std::string TFileLock::Lock(const std::string& path, bool folder, std::chrono::milliseconds wait) {
  Unlock();
  FBusy = false;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  auto pause = std::chrono::milliseconds(2);
  for (;;) {
    // Non-blocking open: a FIFO must not hang the writer here; what it is
    // is for the caller to judge.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | (folder ? O_DIRECTORY : 0);
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) return std::strerror(errno);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      if (error == EINTR) continue;
      if (NoLocksHere(error)) {
        ::close(fd);
        return std::string();
      }
      if (error != EWOULDBLOCK) {
        ::close(fd);
        return std::strerror(error);
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        ::close(fd);
        FBusy = true;
        return BusyReason(wait);
      }
      // Short pauses first (a writer holds the lock for milliseconds),
      // longer ones while the wait goes on.
      std::this_thread::sleep_for(pause);
      pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    // The lock is on the file this descriptor opened; a writer that held it
    // may have renamed a new file over the path since: then lock that one.
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) != 0) {
      const int error = errno;
      ::close(fd);
      return std::strerror(error);
    }
    if (::stat(path.c_str(), &named) != 0) {
      const int error = errno;
      ::close(fd);
      return std::strerror(error);
    }
    if (opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
      FFd = fd;
      return std::string();
    }
    ::close(fd);
    if (std::chrono::steady_clock::now() >= deadline) {
      FBusy = true;
      return BusyReason(wait);
    }
  }
}

}  // namespace blowden
