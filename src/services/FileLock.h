#pragma once

#include <chrono>
#include <string>

namespace blowden {

// How long a writer waits for another's lock: 10 s unless a test set another.
std::chrono::milliseconds DefaultLockWait();
// Test seam: the wait of DefaultLockWait; zero or less restores 10 s.
void SetDefaultLockWaitForTesting(std::chrono::milliseconds wait);

// An exclusive advisory lock (flock) that Blowden's programs take around every
// change of a catalogue (read, change, write) and of the database folder, so
// that two writers never work from the same old contents and one of them
// silently loses its change.
//
// - A file is locked as the file its path names once the lock is held: the
//   writers replace a file by renaming a new one over it, so a lock won on a
//   file that was replaced meanwhile is let go and taken again on the new one.
//   Whoever holds the lock may therefore read the file and replace it.
// - A folder is locked as the folder itself; nothing is created in it.
// - A second locker waits, at most `wait` (DefaultLockWait: 10 s), and is then
//   refused with BusyReason. The system drops a lock when its process ends,
//   however it ends, so a crashed writer never leaves a stale lock behind.
// - The lock is advisory: it keeps Blowden's writers apart, not other
//   programs. Where the file system has no locks for it (ENOLCK, EOPNOTSUPP;
//   NFS, whose emulated flock refuses a file opened for reading) the change
//   goes ahead unlocked, as it did before there were locks.
//
//   TFileLock lock;
//   if (std::string why = lock.LockFile("race.qfn"); !why.empty()) return Fail(why);
//   ... read race.qfn, append, WriteFileAtomically("race.qfn", ...) ...
//   // the lock ends with `lock`
class TFileLock {
 public:
  TFileLock() = default;
  ~TFileLock();
  TFileLock(const TFileLock&) = delete;
  TFileLock& operator=(const TFileLock&) = delete;

  // Locks the file `path` (followed through symbolic links). Returns an
  // empty text once locked; otherwise the reason: the system's ("No such file
  // or directory") when the file cannot be opened, BusyReason(wait) when
  // another writer kept it locked all along.
  std::string LockFile(const std::string& path, std::chrono::milliseconds wait = DefaultLockWait());
  // Locks the folder `path` (which must exist), as LockFile does a file.
  std::string LockFolder(const std::string& path, std::chrono::milliseconds wait = DefaultLockWait());
  // Lets the lock go (also done by the destructor).
  void Unlock();
  bool Locked() const { return FFd >= 0; }
  // Whether the last failed Lock* gave up because of another writer's lock.
  bool Busy() const { return FBusy; }

  // "another program is changing it (still locked after 10 s)"
  static std::string BusyReason(std::chrono::milliseconds wait);

 private:
  std::string Lock(const std::string& path, bool folder, std::chrono::milliseconds wait);

  int FFd = -1;
  bool FBusy = false;
};

}  // namespace blowden
