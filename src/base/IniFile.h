#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/TextCodec.h"

namespace blowden {

// A parsed INI text, read the way the fan data files are written:
// - "[Name]" opens a section; text after the "]" is ignored;
// - "Key=Value" gives one value; blanks around key and value are not part of
//   them, and one pair of matching quotes around the whole value is removed;
// - a line whose first non-blank character is ";" is a comment, and so is
//   any line before the first section or without "=";
// - section and key names match without regard to (ASCII) case; the first of
//   duplicate sections, and the first of duplicate keys in a section, wins;
// - CRLF, LF and CR-only line ends all work; values are read in full,
//   however long.
// A section exists when it holds at least one key; a key with an empty value
// exists. The section names are listed in file order, each name once.
// One section of a parsed file: its name and its run of entries. At
// namespace level so that a header can name it without including this one.
struct TIniSection {
  std::string_view Name;
  std::uint32_t First = 0;  // index of the first entry in Entries()
  std::uint32_t Count = 0;  // number of entries
};

class TIniFile {
 public:
  struct TEntry {
    std::string_view Key;
    std::string_view Value;
  };
  using TSection = TIniSection;

  // Progress of a long read: the bytes read or parsed so far and the total.
  // Returning false cancels the read.
  using TProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;

  // Parses UTF-8 text.
  explicit TIniFile(std::string text, TTextEncoding encoding = TTextEncoding::teUtf8);

  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  // Reads a file as it is on disk now. A parsed copy is kept per path and
  // reused while the file's size and modification time are unchanged, so a
  // file changed on disk is seen at the next Open (a large file only while
  // someone still holds its parsed copy). Returns nullptr when the file
  // cannot be read, with the reason in `error`; "cancelled" when `progress`
  // said stop. A file too large for memory throws std::bad_alloc before
  // anything is read.
  static std::shared_ptr<const TIniFile> Open(const std::string& path, std::string* error = nullptr,
                                              const TProgress& progress = {});

  // Forgets every parsed copy (tests, and callers that must force a re-read).
  static void ClearCache();

  std::optional<std::string_view> FindValue(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Plain decimal digits with an optional sign; anything else gives `def`.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  // A decimal number (blanks around it, sign, exponent); empty or unreadable gives `def`.
  double ReadFloat(std::string_view section, std::string_view key, double def) const;
  // The section of that name (blanks around it and ASCII case ignored);
  // nullptr when there is none. A lookup in the index the parse built.
  const TSection* FindSection(std::string_view section) const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  std::vector<std::string> ReadSections() const;

  const std::vector<TSection>& Sections() const { return FSections; }
  const std::vector<TEntry>& Entries() const { return FEntries; }
  TTextEncoding Encoding() const { return FEncoding; }
  std::size_t TextSize() const { return FText.size(); }

 private:
  TIniFile(std::string text, TTextEncoding encoding, const TProgress& progress);
  void Parse(const TProgress* progress);

  std::string FText;
  TTextEncoding FEncoding;
  std::vector<TSection> FSections;  // distinct names, file order
  std::vector<TEntry> FEntries;
  std::unordered_map<std::string, std::uint32_t> FIndex;  // lower-case name -> section
};

}  // namespace blowden
