#include "services/QmVerInfo.h"

#include <filesystem>
#include <system_error>

#include "base/Format.h"

namespace blowden {

namespace {

constexpr std::uint32_t VersionPart(long value) { return static_cast<std::uint32_t>(value) & 0xFFFFu; }

TVersionBlock MakeProgramBlock() {
  TVersionBlock block;
  TFixedFileInfo fixed;
  fixed.FileVersionMS = VersionPart(BLOWDEN_VERSION_MAJOR) << 16 | VersionPart(BLOWDEN_VERSION_MINOR);
  fixed.FileVersionLS = VersionPart(BLOWDEN_VERSION_PATCH) << 16 | VersionPart(BLOWDEN_VERSION_TWEAK);
  fixed.FileFlagsMask = 0x3F;
#ifdef NDEBUG
  fixed.FileFlags = 0;
#else
  fixed.FileFlags = vfDebug;
#endif
  block.FixedInfo = fixed;
  block.Translations = {0x04E40409u};

  const std::string version = Format(
      "%d.%d.%d.%d", {static_cast<int>(BLOWDEN_VERSION_MAJOR), static_cast<int>(BLOWDEN_VERSION_MINOR),
                      static_cast<int>(BLOWDEN_VERSION_PATCH), static_cast<int>(BLOWDEN_VERSION_TWEAK)});
  const std::string prefix = "\\StringFileInfo\\040904E4\\";
  block.Strings = {
      {prefix + "CompanyName", "Orvane"},
      {prefix + "FileDescription", "Blowden fan performance catalogue tool"},
      {prefix + "FileVersion", version},
      {prefix + "InternalName", "blowden"},
      {prefix + "LegalCopyright", "Copyright (C) Orvane"},
      {prefix + "OriginalFilename", "blowden"},
      {prefix + "ProductName", "Blowden"},
      {prefix + "ProductVersion", version},
  };
  return block;
}

// True when `fileName` names the running program (or is empty).
bool IsProgramFile(const std::string& fileName) {
  if (fileName.empty()) return true;
  std::error_code ec;
  const bool same = std::filesystem::equivalent(fileName, "/proc/self/exe", ec);
  return !ec && same;
}

const TVersionBlock& NoVersionBlock() {
  static const TVersionBlock block = [] {
    TVersionBlock b;
    b.Present = false;
    return b;
  }();
  return block;
}

}  // namespace

const TVersionBlock& ProgramVersionBlock() {
  static const TVersionBlock block = MakeProgramBlock();
  return block;
}

std::string ProgramVersion() { return TVerInfoRes("", ProgramVersionBlock()).FileVersion(); }

TVerInfoRes::TVerInfoRes(const std::string& fileName) : FFileName(fileName) {
  Read(IsProgramFile(fileName) ? ProgramVersionBlock() : NoVersionBlock());
}

TVerInfoRes::TVerInfoRes(const std::string& fileName, const TVersionBlock& block) : FFileName(fileName) {
  Read(block);
}

void TVerInfoRes::Read(const TVersionBlock& block) {
  if (!block.Present) throw ENoVerInfoError("No Version Info Available.");
  if (!block.Readable) throw EVerInfoError("Cannot obtain version info.");
  FBuffer = block;
  if (FBuffer.Translations.empty()) throw EVerInfoError("No language info.");
  FTranslation = FBuffer.Translations.front();
  if (!FBuffer.FixedInfo) throw eNoFixeVerInfo("No fixed file info");
  FFixedInfo = *FBuffer.FixedInfo;

  static constexpr std::pair<std::uint32_t, const char*> flagNames[] = {{vfPreRelease, "Pre-release"},
                                                                        {vfPrivateBuild, "Private build"},
                                                                        {vfSpecialBuild, "Special build"},
                                                                        {vfDebug, "Debug"}};
  for (const auto& [flag, name] : flagNames)
    if ((FFixedInfo.FileFlagsMask & flag) && (FFixedInfo.FileFlags & flag)) FFlags.emplace_back(name);
}

std::string TVerInfoRes::FileVersion() const {
  return Format("%d.%d.%d.%d", {static_cast<int>(FFixedInfo.FileVersionMS >> 16),
                                static_cast<int>(FFixedInfo.FileVersionMS & 0xFFFF),
                                static_cast<int>(FFixedInfo.FileVersionLS >> 16),
                                static_cast<int>(FFixedInfo.FileVersionLS & 0xFFFF)});
}

std::string TVerInfoRes::GetStringValue(int index) const {
  if (index < 0 || index >= static_cast<int>(std::size(StringKeys))) return std::string();
  const std::string path =
      Format("%s%.4x%.4x\\%s", {"\\StringFileInfo\\", static_cast<int>(FTranslation & 0xFFFF),
                                static_cast<int>(FTranslation >> 16), StringKeys[index]});
  for (const auto& [key, value] : FBuffer.Strings)
    if (key == path) return value.substr(0, value.find('\0'));
  return std::string();
}

std::string VersionTitle(const std::string& fileName) {
  const TVerInfoRes info(fileName);
  return info.ProductName() + " " + info.FileVersion();
}

std::string VersionTitle(const std::string& fileName, const TVersionBlock& block) {
  const TVerInfoRes info(fileName, block);
  return info.ProductName() + " " + info.FileVersion();
}

}  // namespace blowden
