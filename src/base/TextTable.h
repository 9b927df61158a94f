#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace blowden {

// Tables of text for people at a terminal: columns lined up, long cells cut.

// Characters, not bytes, of UTF-8 text: "m³/s" is 4 wide.
std::size_t TextWidth(std::string_view text);

// `text` cut to `width` characters, the last of them "…" when cut.
//   ("abcdef", 4) -> "abc…";  ("abc", 4) -> "abc"
std::string TruncatedText(const std::string& text, std::size_t width);

// The widest a cell is shown: every row is padded to its column's widest
// cell, so one huge cell must not widen every line. The last column is not
// padded but is held to a line a person reads.
inline constexpr std::size_t kMaxCellWidth = 40;
inline constexpr std::size_t kMaxLastCellWidth = 200;

// The rows (the first one the header) as lines of columns two blanks apart,
// each line ending in "\n". A line break or tab in a cell is a blank; cells
// are cut at kMaxCellWidth (the last column's at kMaxLastCellWidth); columns
// marked in `rightAligned` (numbers) are aligned on the right, the others
// on the left. The last column is not padded.
//   {{"model", "speed [rpm]"}, {"BC500", "905"}}, right {false, true} ->
//   "model  speed [rpm]\n"
//   "BC500          905\n"
std::string AlignedTable(std::vector<std::vector<std::string>> rows, const std::vector<bool>& rightAligned);

// The names by which a table shows files: each path's file name without its
// folders, unless another path has the same file name; those keep as many
// of their last folders as tell them apart.
//   {"/a/x.qfn", "/a/y.qfn"} -> {"x.qfn", "y.qfn"}
//   {"/a/x.qfn", "/b/x.qfn", "/c/d/y.qfn"} -> {"a/x.qfn", "b/x.qfn", "y.qfn"}
//   {"/p/a/x.qfn", "/q/a/x.qfn"} -> {"p/a/x.qfn", "q/a/x.qfn"}
// The same path given twice is one file.
std::vector<std::string> ShortFileNames(const std::vector<std::string>& paths);

}  // namespace blowden
