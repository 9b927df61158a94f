#include <gtest/gtest.h>

#include "base/Convert.h"

using namespace blowden;

TEST(Convert, FloatTexts) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {{"1.5E-3", true, 0.0015},
               {" -2 ", true, -2},
               {".5", true, 0.5},
               {"5.", true, 5},
               {"+3e2", true, 300},
               {"1e-999", true, 0},
               {"4.9e-324", true, 4.9e-324},
               {"1,5", false, 0},
               {"", false, 0},
               {" ", false, 0},
               {"-", false, 0},
               {"e5", false, 0},
               {"1e", false, 0},
               {"1e999", false, 0},
               {"inf", false, 0},
               {"nan", false, 0},
               {"0x10", false, 0},
               {"1.2.3", false, 0},
               {"12abc", false, 0},
               {"1 2", false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double v = -1;
    EXPECT_EQ(TryStrToFloat(c.text, v), c.ok);
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value);
    }
  }
}

TEST(Convert, IntegerTexts) {
  struct Case {
    const char* text;
    bool ok;
    std::int32_t value;
  } cases[] = {{"12", true, 12},
               {"+7", true, 7},
               {"-1360", true, -1360},
               {"2147483647", true, 2147483647},
               {"-2147483648", true, -2147483647 - 1},
               {"2147483648", false, 0},
               {"12 ", false, 0},
               {" 12", false, 0},
               {"1.0", false, 0},
               {"", false, 0},
               {"-", false, 0},
               {"1e3", false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::int32_t v = -1;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
  }
}

TEST(Convert, ThrowingFormsCarryTheProgramMessages) {
  try {
    StrToFloat("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
  try {
    StrToInt("1.5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1.5' is not a valid integer value");
  }
  EXPECT_EQ(StrToInt("-5"), -5);
  EXPECT_DOUBLE_EQ(StrToFloat("2.5"), 2.5);
}

TEST(Convert, TextHelpers) {
  EXPECT_EQ(Trim("  a b \t"), "a b");
  EXPECT_TRUE(SameText("Catalog", "CATALOG"));
  EXPECT_FALSE(SameText("Catalog", "Catalogs"));
  EXPECT_EQ(UpperCase("/home/orvane/x"), "/HOME/ORVANE/X");
}
