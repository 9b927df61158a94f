#include "base/TextTable.h"

#include <algorithm>
#include <map>

namespace blowden {

std::size_t TextWidth(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string TruncatedText(const std::string& text, std::size_t width) {
  if (TextWidth(text) <= width || width == 0) return text;
  std::size_t chars = 0, end = 0;
  for (; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) continue;
    if (chars == width - 1) break;
    ++chars;
  }
  return text.substr(0, end) + "…";
}

std::string AlignedTable(std::vector<std::vector<std::string>> rows, const std::vector<bool>& rightAligned) {
  std::size_t columns = 0;
  for (const auto& row : rows) columns = std::max(columns, row.size());
  for (auto& row : rows) {
    row.resize(columns);
    for (std::size_t i = 0; i < row.size(); ++i) {
      std::string& cell = row[i];
      std::replace_if(
          cell.begin(), cell.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
      cell = TruncatedText(cell, i + 1 < columns ? kMaxCellWidth : kMaxLastCellWidth);
    }
  }
  std::vector<std::size_t> widths(columns, 0);
  for (const auto& row : rows)
    for (std::size_t i = 0; i < columns; ++i) widths[i] = std::max(widths[i], TextWidth(row[i]));
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < columns; ++i) {
      const std::size_t pad = widths[i] - TextWidth(row[i]);
      const bool right = i < rightAligned.size() && rightAligned[i];
      if (right) line.append(pad, ' ');
      line += row[i];
      if (i + 1 < columns) line.append((right ? 0 : pad) + 2, ' ');
    }
    // A last column that is empty leaves no blanks behind.
    line.erase(line.find_last_not_of(' ') + 1);
    text += line + "\n";
  }
  return text;
}

namespace {

// The path's last `parts` components joined by "/" (all of them when it has fewer).
std::string LastParts(const std::string& path, std::size_t parts, bool& whole) {
  std::size_t start = path.size();
  whole = false;
  for (std::size_t k = 0; k < parts; ++k) {
    const std::size_t slash = start == 0 ? std::string::npos : path.find_last_of('/', start - 1);
    if (slash == std::string::npos) {
      whole = true;
      return path;
    }
    start = slash;
  }
  return path.substr(start + 1);
}

}  // namespace

std::vector<std::string> ShortFileNames(const std::vector<std::string>& paths) {
  std::vector<std::string> names(paths.size());
  std::vector<std::size_t> parts(paths.size(), 1);
  // Lengthen the names that collide with another path's until none does.
  for (bool again = true; again;) {
    again = false;
    std::map<std::string, std::vector<std::size_t>> byName;
    std::vector<bool> whole(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
      bool w = false;
      names[i] = LastParts(paths[i], parts[i], w);
      whole[i] = w;
      byName[names[i]].push_back(i);
    }
    for (const auto& [name, users] : byName) {
      bool distinct = false;
      for (std::size_t u : users) distinct = distinct || paths[u] != paths[users.front()];
      if (!distinct) continue;
      for (std::size_t u : users)
        if (!whole[u]) {
          ++parts[u];
          again = true;
        }
    }
  }
  return names;
}

}  // namespace blowden
