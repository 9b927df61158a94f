#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace blowden {

// What a path names before a write replaces it, judged by the file's type
// and its first bytes (never by its name alone).
enum class TFileKind {
  Missing,  // nothing there: a write makes a new file
  Empty,    // a regular file of 0 bytes: nothing to lose
  Pdf,      // starts with "%PDF-"
  Png,      // starts with the PNG signature 89 50 4E 47 0D 0A 1A 0A
  FanData,  // a fan data file: named *.qfn or *._fn, or INI text whose first
            // line that is no comment is a "[section]"
  Folder,   //
  Special,  // a pipe, a device or a socket
  Other,    // any other file
};

// The kind of whatever `path` names now (a symbolic link is followed).
//   "chart.png" holding a PNG -> Png; "Axial.qfn" -> FanData; "notes.txt" -> Other
TFileKind ExistingFileKind(const std::string& path);

// "a PDF document", "a PNG picture", "a fan data file", "a folder", ...
std::string_view FileKindName(TFileKind kind);

// Why an output of `kind` (Pdf or Png; Other for a text such as CSV) must not
// replace what `path` names now, or an empty text when it may. A missing
// file, an empty one and one of the same kind may be replaced; so may a
// pipe or a device (they are written into). Anything else only with `force`.
//   "s.pdf" holding a PDF, kind Pdf -> ""; "a.qfn", kind Pdf ->
//   "a.qfn is a fan data file, not a PDF document"
std::string OutputKindRefusal(const std::string& path, TFileKind kind, bool force);

// Whether this process may write the existing file `path`, decided as the
// shell decides (the effective user and groups, as `test -w` does): a file
// of mode 0444 is not writable for its owner, however writable its folder.
// Root may write any file.
bool MayWriteFile(const std::string& path);

// Why an existing file may not be replaced or changed in place: "it is
// read-only for you", or an empty text (also when there is no such file).
std::string ReadOnlyRefusal(const std::string& path);

// Why `path` is not an existing regular file that a read-modify-write may
// change: "it is not a regular file (a pipe, a device or a socket)", "it
// is a folder", the system's reason ("No such file or directory"), or an
// empty text. Looks only at the file's type: never opens it, so a pipe
// cannot block the caller.
std::string NotRegularFileReason(const std::string& path);

// Why `path` cannot be read as an input, found without blocking: the
// system's reason ("No such file or directory", "Permission denied"), "it
// is a folder", or an empty text.
std::string UnreadableFileReason(const std::string& path);

// The paths with each file once: a path naming the same file as an earlier
// one (the same path twice, a second link, "./a.qfn" beside "a.qfn") is left
// out and listed in `repeated` (when given) beside the path it repeats.
// Paths that name no file are kept once per spelling.
std::vector<std::string> DistinctFiles(const std::vector<std::string>& paths,
                                       std::vector<std::pair<std::string, std::string>>* repeated = nullptr);

// Test seam: replaces the access check of MayWriteFile (root may write any
// file, so tests run as root decide through this). Empty: the real check.
using TWriteAccessCheck = std::function<bool(const std::string& path)>;
void SetWriteAccessForTesting(TWriteAccessCheck check);

}  // namespace blowden
