#include "services/SafeWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>

#include "base/Format.h"

namespace blowden {

namespace {

std::mutex gFaultMutex;
TWriteFault gFault;

// The errno the test seam wants for `step`, or 0.
int InjectedFault(TWriteStep step) {
  std::lock_guard lock(gFaultMutex);
  return gFault ? gFault(step) : 0;
}

std::string Reason(int error) { return std::strerror(error); }

// Writes all of `bytes` to `fd`, retrying short writes. 0 or the errno.
int WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    if (const int fault = InjectedFault(TWriteStep::Write)) return fault;
    // Pieces of at most 1 MB: a failure is met early and reported exactly.
    const ssize_t n = ::write(fd, p, std::min<std::size_t>(left, 1u << 20));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return 0;
}

// Writes into an existing special file (a FIFO, a device) as it is.
std::string WriteInto(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return Reason(errno);
  int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0) error = errno;
  return error ? Reason(error) : std::string();
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates a fresh hidden file beside `target`; returns its descriptor (or -1
// with errno set) and its name in `temp`.
int CreateTemporary(const std::string& target, mode_t mode, std::string& temp) {
  static std::atomic<unsigned> counter{0};
  static std::mt19937 gen(std::random_device{}());
  static std::mutex genMutex;
  const std::string folder = FolderOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned random;
    {
      std::lock_guard lock(genMutex);
      random = static_cast<unsigned>(gen() & 0x7FFFFFFFu);
    }
    // A short name of its own: the target's name may already use up the
    // 255 bytes a file name may have.
    temp = Format("%s/.blowden-%x-%x.tmp", {folder, random, counter.fetch_add(1) & 0x7FFFFFFFu});
    if (const int fault = InjectedFault(TWriteStep::Create)) {
      errno = fault;
      return -1;
    }
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

void SetWriteFaultForTesting(TWriteFault fault) {
  std::lock_guard lock(gFaultMutex);
  gFault = std::move(fault);
}

std::string WriteFileAtomically(const std::string& path, std::string_view bytes,
                                const TSafeWriteOptions& options) {
  if (path.empty()) return "No file name was given.";

  std::string target = path;
  struct stat old {};
  bool exists = false;
  if (::stat(path.c_str(), &old) == 0) {
    exists = true;
    if (S_ISDIR(old.st_mode)) return Reason(EISDIR);
    if (!S_ISREG(old.st_mode)) {
      if (options.Special == TSpecialTarget::WriteInto) return WriteInto(path, bytes);
      return "it is not a regular file (a pipe, a device or a socket)";
    }
    // Replace the file a symbolic link points to, not the link.
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  } else if (errno != ENOENT) {
    return Reason(errno);
  }

  // A new file gets the usual mode under the umask; an existing one its own
  // (set below, once the owner is set, since a change of owner clears the
  // set-user-ID bits).
  std::string temp;
  const int fd = CreateTemporary(target, exists ? S_IRUSR | S_IWUSR : 0666, temp);
  if (fd < 0) return Reason(errno);

  int error = WriteAll(fd, bytes);
  if (error == 0 && exists) {
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
      // Owner and group where allowed (root); otherwise at least the group
      // when the user belongs to it. Neither is an error when refused.
      if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
          ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Neither: the file keeps the writer's owner and group.
      }
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
  }
  if (error == 0) {
    if (const int fault = InjectedFault(TWriteStep::Sync))
      error = fault;
    else if (::fsync(fd) != 0)
      error = errno;
  }
  // Some file systems (NFS, quotas) report a full disk only here.
  const int closeFault = InjectedFault(TWriteStep::Close);
  if (::close(fd) != 0 && error == 0) error = errno;
  if (closeFault && error == 0) error = closeFault;
  if (error == 0) {
    if (const int fault = InjectedFault(TWriteStep::Rename))
      error = fault;
    else if (::rename(temp.c_str(), target.c_str()) != 0)
      error = errno;
  }
  if (error != 0) {
    ::unlink(temp.c_str());
    return Reason(error);
  }
  // The new name on the disk too; a failure here loses nothing.
  const int dir = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return std::string();
}

std::string ReadWholeFile(const std::string& path, std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Reason(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    return Reason(error);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    return Reason(EISDIR);
  }
  std::string buffer;
  try {
    buffer.resize(static_cast<std::size_t>(st.st_size));
  } catch (...) {
    ::close(fd);
    throw;
  }
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      return Reason(error);
    }
    if (n == 0) break;  // the file shrank meanwhile
    done += static_cast<std::size_t>(n);
  }
  buffer.resize(done);
  ::close(fd);
  bytes = std::move(buffer);
  return std::string();
}

}  // namespace blowden
