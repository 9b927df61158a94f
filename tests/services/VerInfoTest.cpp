#include <gtest/gtest.h>

#include "services/Folders.h"
#include "services/QmVerInfo.h"

namespace blowden {
namespace {

TVersionBlock SampleBlock() {
  TVersionBlock block;
  block.FixedInfo = TFixedFileInfo{0x00010002u, 0x00030004u, 0x3Fu, 0u};
  block.Translations = {0x04E40409u, 0x04B00407u};
  block.Strings = {{"\\StringFileInfo\\040904E4\\ProductName", "Blowden"},
                   {"\\StringFileInfo\\040904E4\\CompanyName", std::string("Orvane\0junk", 11)},
                   {"\\StringFileInfo\\040704B0\\ProductName", "Geblaese"},
                   {"\\StringFileInfo\\040904E4\\Comments", "third party"}};
  return block;
}

TEST(VerInfo, TitleFromBlock) { EXPECT_EQ(VersionTitle("/opt/x/blowden", SampleBlock()), "Blowden 1.2.3.4"); }

TEST(VerInfo, FileVersionTakesTheFourHalvesMostSignificantFirst) {
  TVersionBlock block = SampleBlock();
  block.FixedInfo->FileVersionMS = 0xFFFF0000u | 65534u;
  block.FixedInfo->FileVersionLS = 0x000E0000u | 256u;
  EXPECT_EQ(TVerInfoRes("f", block).FileVersion(), "65535.65534.14.256");
}

TEST(VerInfo, StringsOfTheFirstTranslation) {
  const TVerInfoRes info("f", SampleBlock());
  EXPECT_EQ(info.ProductName(), "Blowden");
  EXPECT_EQ(info.GetStringValue(0), "Orvane");  // cut at the NUL
  EXPECT_EQ(info.GetStringValue(9), "third party");
  EXPECT_EQ(info.GetStringValue(1), "");   // missing key
  EXPECT_EQ(info.GetStringValue(10), "");  // no such index
  EXPECT_EQ(info.GetStringValue(-1), "");
}

TEST(VerInfo, MissingProductNameGivesTitleStartingWithBlank) {
  TVersionBlock block = SampleBlock();
  block.Strings.clear();
  EXPECT_EQ(VersionTitle("f", block), " 1.2.3.4");
}

TEST(VerInfo, FlagsInFixedOrderOnlyWhenInMask) {
  struct Case {
    const char* name;
    std::uint32_t mask;
    std::uint32_t flags;
    std::vector<std::string> expected;
  } const cases[] = {
      {"debug and pre-release", 0x3F, vfDebug | vfPreRelease, {"Pre-release", "Debug"}},
      {"all four",
       0x3F,
       vfDebug | vfPreRelease | vfPrivateBuild | vfSpecialBuild,
       {"Pre-release", "Private build", "Special build", "Debug"}},
      {"set but not in the mask", vfDebug, vfDebug | vfPreRelease, {"Debug"}},
      {"in the mask but not set", 0x3F, 0, {}},
      {"other bits ignored", 0xFFFFFFFF, 0x04 | 0x10, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TVersionBlock block = SampleBlock();
    block.FixedInfo->FileFlagsMask = c.mask;
    block.FixedInfo->FileFlags = c.flags;
    EXPECT_EQ(TVerInfoRes("f", block).Flags(), c.expected);
  }
}

template <typename E>
void ExpectError(const TVersionBlock& block, const char* message) {
  try {
    TVerInfoRes info("f", block);
    ADD_FAILURE() << "no error raised";
  } catch (const E& e) {
    EXPECT_STREQ(e.what(), message);
  }
}

TEST(VerInfo, ErrorsOfCreation) {
  TVersionBlock absent = SampleBlock();
  absent.Present = false;
  ExpectError<ENoVerInfoError>(absent, "No Version Info Available.");

  TVersionBlock unreadable = SampleBlock();
  unreadable.Readable = false;
  ExpectError<EVerInfoError>(unreadable, "Cannot obtain version info.");

  TVersionBlock noLanguage = SampleBlock();
  noLanguage.Translations.clear();
  ExpectError<EVerInfoError>(noLanguage, "No language info.");

  TVersionBlock noFixed = SampleBlock();
  noFixed.FixedInfo.reset();
  ExpectError<eNoFixeVerInfo>(noFixed, "No fixed file info");
}

TEST(VerInfo, ErrorsPassThroughVersionTitle) { EXPECT_THROW(VersionTitle("/usr/bin/env"), ENoVerInfoError); }

TEST(VerInfo, ProgramFileHasTheCompiledInBlock) {
  const TVerInfoRes info(RunningProgramPath());
  const std::string version =
      std::to_string(BLOWDEN_VERSION_MAJOR) + "." + std::to_string(BLOWDEN_VERSION_MINOR) + "." +
      std::to_string(BLOWDEN_VERSION_PATCH) + "." + std::to_string(BLOWDEN_VERSION_TWEAK);
  EXPECT_EQ(info.FileVersion(), version);
  EXPECT_EQ(info.ProductName(), "Blowden");
  EXPECT_EQ(info.GetStringValue(0), "Orvane");
  EXPECT_EQ(VersionTitle(RunningProgramPath()), "Blowden " + version);
  EXPECT_EQ(ProgramVersion(), version);
#ifdef NDEBUG
  EXPECT_TRUE(info.Flags().empty());
#else
  EXPECT_EQ(info.Flags(), std::vector<std::string>{"Debug"});
#endif
}

}  // namespace
}  // namespace blowden
