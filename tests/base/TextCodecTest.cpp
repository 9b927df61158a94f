#include <gtest/gtest.h>

#include "base/TextCodec.h"

using namespace blowden;

TEST(TextCodec, Utf8StaysUtf8WithOrWithoutBom) {
  const std::string text = "Range=Axial \xC2\xB2\xC2\xB3 fans\r\n";
  auto d = DecodeText(text);
  EXPECT_EQ(d.Encoding, TTextEncoding::teUtf8);
  EXPECT_EQ(d.Utf8, text);
  auto withBom = DecodeText("\xEF\xBB\xBF" + text);
  EXPECT_EQ(withBom.Encoding, TTextEncoding::teUtf8Bom);
  EXPECT_EQ(withBom.Utf8, text);
  EXPECT_EQ(*EncodeText(withBom.Utf8, withBom.Encoding), "\xEF\xBB\xBF" + text);
}

TEST(TextCodec, AllWindows1252BytesRoundTrip) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  auto d = DecodeText(all);
  ASSERT_EQ(d.Encoding, TTextEncoding::teWindows1252);
  EXPECT_TRUE(IsValidUtf8(d.Utf8));
  auto back = EncodeText(d.Utf8, d.Encoding);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, all);
}

TEST(TextCodec, Windows1252Characters) {
  EXPECT_EQ(Windows1252ToUtf8("m\xB3/s"), "m\xC2\xB3/s");
  EXPECT_EQ(Windows1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xC2\x81");      // undefined code kept
  auto d = DecodeText("Maker=M\xFCller\n");
  EXPECT_EQ(d.Utf8, "Maker=M\xC3\xBCller\n");
}

TEST(TextCodec, UnencodableCharacterIsRefusedNotDropped) {
  std::string bad;
  auto r = EncodeText("Fan \xE2\x86\x92 duct", TTextEncoding::teWindows1252, &bad);  // an arrow
  EXPECT_FALSE(r.has_value());
  EXPECT_EQ(bad, "\xE2\x86\x92");
}

TEST(TextCodec, Utf8Validation) {
  struct Case {
    const char* bytes;
    bool valid;
  } cases[] = {{"plain ascii text that is long enough for the fast path", true},
               {"\xC2\xB2", true},
               {"\xE2\x82\xAC", true},
               {"\xF0\x9F\x98\x80", true},
               {"\xC0\xAF", false},
               {"\xE0\x80\xAF", false},
               {"\xED\xA0\x80", false},
               {"\xF4\x90\x80\x80", false},
               {"\xC2", false},
               {"\xB2", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid);
  }
}

TEST(TextCodec, LineEndings) {
  EXPECT_EQ(DetectLineEnding("a\r\nb\n"), "\r\n");
  EXPECT_EQ(DetectLineEnding("a\nb\r\n"), "\n");
  EXPECT_EQ(DetectLineEnding("single line"), "\n");
}

TEST(TextCodec, TakingTheBytesOverGivesTheSameResult) {
  for (const std::string& bytes : {std::string("a\xC2\xB2"),
                                   std::string("\xEF\xBB\xBF"
                                               "b"),
                                   std::string("c\xB2"), std::string()}) {
    SCOPED_TRACE(bytes);
    const auto viewed = DecodeText(std::string_view(bytes));
    const auto moved = DecodeTextInPlace(std::string(bytes));
    EXPECT_EQ(moved.Utf8, viewed.Utf8);
    EXPECT_EQ(moved.Encoding, viewed.Encoding);
  }
}
