#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace blowden {

// What a write does with an existing target that is not a regular file.
enum class TSpecialTarget {
  Refuse,     // a FIFO, device or socket is not replaced and not written: an error
  WriteInto,  // written into directly (the user named it on purpose, e.g. a pipe)
};

struct TSafeWriteOptions {
  TSpecialTarget Special = TSpecialTarget::Refuse;
};

// Writes `bytes` to the file `path` so that, whatever fails (a full disk, a
// quota, an I/O error, a crash), the file afterwards holds either its old
// bytes or the complete new ones:
// - the bytes go unbuffered into a hidden temporary file beside the target
//   (a short name of its own, ".blowden-<random>.tmp", whatever the target's),
//   every write checked, then synced to the disk and closed (both checked);
// - the temporary file takes the old file's permission bits and, where the
//   process may, its owner and group, and is then renamed over the target;
// - a symbolic link is followed: the file it points to is replaced, the link
//   stays a link;
// - a folder is refused; another special file as `options` says.
// Returns an empty text on success, otherwise the reason ("No space left on
// device"); the temporary file is gone either way.
std::string WriteFileAtomically(const std::string& path, std::string_view bytes,
                                const TSafeWriteOptions& options = {});

// Reads a whole file. Returns an empty text on success, otherwise the reason.
// The buffer is sized from the file's size first, so a file too large for
// memory fails at once with std::bad_alloc instead of growing until it does.
std::string ReadWholeFile(const std::string& path, std::string& bytes);

// The steps of a write, for the fault seam below.
enum class TWriteStep { Create, Write, Sync, Close, Rename };

// Test seam: called before each step; a non-zero result is taken as the
// errno of that step failing (the step is then not done). Empty: no faults.
using TWriteFault = std::function<int(TWriteStep step)>;
void SetWriteFaultForTesting(TWriteFault fault);

}  // namespace blowden
