#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace blowden {

// The version information could not be read: "Cannot obtain version info.",
// "No language info.".
class EVerInfoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file carries no version information: "No Version Info Available.".
class ENoVerInfoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The version information has no fixed part: "No fixed file info".
class eNoFixeVerInfo : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Build flags of the fixed part.
inline constexpr std::uint32_t vfDebug = 0x01;
inline constexpr std::uint32_t vfPreRelease = 0x02;
inline constexpr std::uint32_t vfPrivateBuild = 0x08;
inline constexpr std::uint32_t vfSpecialBuild = 0x20;

// The fixed part of a version block.
struct TFixedFileInfo {
  std::uint32_t FileVersionMS = 0;  // major << 16 | minor
  std::uint32_t FileVersionLS = 0;  // patch << 16 | tweak
  std::uint32_t FileFlagsMask = 0;
  std::uint32_t FileFlags = 0;
};

// A version block as a program file carries it. The program's own block is
// compiled in (ProgramVersionBlock); tests hand in their own.
struct TVersionBlock {
  bool Present = true;   // false: the file has no version information
  bool Readable = true;  // false: it exists but cannot be read
  std::optional<TFixedFileInfo> FixedInfo;
  // Language in the low 16 bits, code page in the high 16 bits:
  // 0x04E40409 is US English in the Windows-1252 code page.
  std::vector<std::uint32_t> Translations;
  // Lookup path -> text, e.g. "\StringFileInfo\040904E4\ProductName" -> "Blowden".
  // A text is cut at its first NUL character when read.
  std::vector<std::pair<std::string, std::string>> Strings;
};

// The compiled-in block of this program: product "Blowden", company
// "Orvane", the four-part version of the build, translation 0409/04E4,
// flag "Debug" in builds without NDEBUG.
const TVersionBlock& ProgramVersionBlock();

// The build's version, "1.0.0.0" (what `blowden-cli --version` prints).
std::string ProgramVersion();

// The version information of a program file.
class TVerInfoRes {
 public:
  // Keys of GetStringValue, by index 0..9.
  static constexpr const char* StringKeys[10] = {
      "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
      "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};

  // The running program's file (or an empty name) gets the compiled-in
  // block; any other file has none and throws ENoVerInfoError.
  explicit TVerInfoRes(const std::string& fileName);
  // Reads `block` as the version information of `fileName`. Throws
  // ENoVerInfoError, EVerInfoError or eNoFixeVerInfo.
  TVerInfoRes(const std::string& fileName, const TVersionBlock& block);

  // "2.1.0.14"
  std::string FileVersion() const;
  // The text under StringKeys[index] for the first translation; empty when
  // missing or the index is out of range.
  std::string GetStringValue(int index) const;
  std::string ProductName() const { return GetStringValue(7); }
  // The flags set in both mask and flags, in the order "Pre-release",
  // "Private build", "Special build", "Debug".
  const std::vector<std::string>& Flags() const { return FFlags; }
  const std::string& FileName() const { return FFileName; }

 private:
  void Read(const TVersionBlock& block);

  TVersionBlock FBuffer;
  std::uint32_t FTranslation = 0;
  TFixedFileInfo FFixedInfo;
  std::vector<std::string> FFlags;
  std::string FFileName;
};

// ProductName + " " + FileVersion of the file: "Blowden 1.0.0.0". Passes the
// errors of TVerInfoRes on.
std::string VersionTitle(const std::string& fileName);
std::string VersionTitle(const std::string& fileName, const TVersionBlock& block);

}  // namespace blowden
