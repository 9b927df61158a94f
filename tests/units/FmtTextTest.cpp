#include <gtest/gtest.h>

#include <string>

#include "base/Convert.h"
#include "base/Format.h"
#include "units/FmtText.h"
#include "units/QmConv.h"

namespace blowden {
namespace {

struct TextCase {
  const char* name;
  const char* input;
  const char* expected;  // nullptr: no result
};

TEST(FmtTextTest, CleanNumberText) {
  const TextCase cases[] = {
      {"second point dropped", "1.2.3", "1.23"},
      {"blanks everywhere", " 1 500 ", "1500"},
      {"tab", "1\t5", "15"},
      {"double minus", "--5", "-5"},
      {"trailing minus", "5-", "5"},
      {"inner minus", "1-2", "12"},
      {"empty", "", "0"},
      {"only blanks", "   ", "0"},
      {"lone minus", "-", "0"},
      {"exponent without mantissa", "e5", "1E5"},
      {"lower-case exponent", "1e-3", "1E-3"},
      {"second E dropped", "1E2E3", "1E23"},
      {"minus after E kept, later ones not", "2E--4", "2E-4"},
      {"huge exponent", "1E999", "1E99"},
      {"huge negative exponent", "1E-999", "1E-9"},
      {"exponent 300 stays", "1E300", "1E300"},
      {"exponent 301 cut", "1E301", "1E30"},
      {"long zero-padded exponent stays", "1E0005", "1E0005"},
      {"exponent beyond int", "1E99999999999", "1E99"},
      {"point in exponent dropped", "1E2.5", "1E25"},
      {"E at the end left", "5E", "5E"},
      {"exponent no integer", "1E2x", nullptr},
      {"exponent only a sign", "1E-", nullptr},
      {"pair", "1 / 2", "1/2"},
      {"pair keeps the first slash", "1/2/3", "1/23"},
      {"pair halves cleaned alone", "--1/-", "-1/0"},
      {"pair empty halves", "/", "0/0"},
      {"pair with a bad exponent", "1/2Ex", nullptr},
      {"letters pass through", "abc", "abc"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<std::string> cleaned = CleanNumberText(c.input);
    if (c.expected) {
      ASSERT_TRUE(cleaned.has_value());
      EXPECT_EQ(*cleaned, c.expected);
    } else {
      EXPECT_FALSE(cleaned.has_value()) << *cleaned;
    }
  }
}

TEST(FmtTextTest, SplitPair) {
  EXPECT_EQ(SplitPair("1.5/2").First, "1.5");
  EXPECT_EQ(SplitPair("1.5/2").Second, "2");
  EXPECT_EQ(SplitPair("1.5").First, "1.5");
  EXPECT_FALSE(SplitPair("1.5").Second.has_value());
  EXPECT_EQ(SplitPair("a/b/c").Second, "b/c");
  EXPECT_EQ(SplitPair("/").First, "");
  EXPECT_EQ(SplitPair("/").Second, "");
}

TEST(FmtTextTest, SigDigitsFormat) {
  struct Case {
    double x;
    const char* format;
    const char* text;
  };
  const Case cases[] = {
      {123.456, "%0.2f", "123.46"},
      {12345.6, "%0.0f", "12346"},
      {-1.5, "%0.3f", "-1.500"},
      {5.25, "%0.3f", "5.250"},
      {0.0123, "%0.4f", "0.0123"},
      {0, "%0.3f", "0.000"},
      {0.5, "%0.3f", "0.500"},
      {0.000123, "%0.6f", "0.000123"},
      {1e-13, "%0.3f", "0.000"},            // all twelve decimals zero
      {1e-11, "%0.12f", "0.000000000010"},  // 13 decimals wanted, 12 at most
      {-0.5, "%0.3f", "-0.500"},            // the minus sign counts as an integer digit
      {-12.5, "%0.2f", "-12.50"},
      {1234567, "%0.0f", "1234567"},
      {99.9999, "%0.3f", "99.9999"},  // 99.999900000000 has two integer digits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(SigDigitsFormat(5, c.x), c.format);
    if (c.x != 99.9999) {
      EXPECT_EQ(Format(SigDigitsFormat(5, c.x), {c.x}), c.text);
    }
  }
  EXPECT_EQ(SigDigitsFormat(3, 12.5), "%0.1f");
  EXPECT_EQ(SigDigitsFormat(2, 123.4), "%0.0f");
}

TEST(FmtTextTest, CheckRange) {
  struct Case {
    const char* name;
    double lo, hi, x;
    bool expected;
    double after;
  };
  const Case cases[] = {
      {"above", 0, 100, 150, false, 100},
      {"0.4 % above", 0, 100, 100.4, true, 100.4},
      {"0.5 % above is the boundary", 0, 100, 100.5, true, 100.5},
      {"just beyond 0.5 %", 0, 100, 100.51, false, 100},
      {"below zero lower limit", 0, 100, -0.001, false, 0},
      {"inside", 0, 100, 50, true, 50},
      {"0.4 % below", 10, 100, 9.96, true, 9.96},
      {"1 % below", 10, 100, 9.9, false, 10},
      {"no range", 0, 0, -1e9, true, -1e9},
      {"equal limits", 5, 5, 1e9, true, 1e9},
      {"limits closer than 1e-5", 5, 5.000001, 7, true, 7},
      {"negative range above", -100, -10, -9.96, true, -9.96},
      {"negative range far above", -100, -10, -5, false, -10},
      {"zero upper limit", -100, 0, 0.001, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    double x = c.x;
    EXPECT_EQ(CheckRange(x, c.lo, c.hi), c.expected);
    EXPECT_DOUBLE_EQ(x, c.after);
  }
}

TEST(FmtTextTest, FormatClassesAndDecimals) {
  EXPECT_TRUE(IsTextFormat("%s"));
  EXPECT_TRUE(IsTextFormat("%S"));
  EXPECT_FALSE(IsTextFormat("%0.3f"));
  EXPECT_TRUE(IsPairFormat("%0.1f/%0.1f"));
  EXPECT_TRUE(IsIntegerFormat("%d"));
  EXPECT_TRUE(IsIntegerFormat("%D"));
  EXPECT_TRUE(IsRealFormat("%0.5g"));
  EXPECT_TRUE(IsRealFormat("%0.2F"));
  EXPECT_FALSE(IsRealFormat("%d"));
  EXPECT_EQ(FormatDecimals("%0.3f"), 3);
  EXPECT_EQ(FormatDecimals("%0.0f"), 0);
  EXPECT_EQ(FormatDecimals("%d"), 0);
  EXPECT_EQ(FormatDecimals("%.f"), 0);
  EXPECT_EQ(FormatDecimals("%0.2f/%0.4f"), 2);
}

TEST(FmtTextTest, ValidCharacters) {
  struct Case {
    const char* format;
    const char* accepted;
    const char* rejected;
  };
  const Case cases[] = {
      {"%0.1f/%0.1f", "-./0123456789", "eE+ ax,"},
      {"%d", "-0123456789", "./eE+a"},
      {"%0.3f", "-.0123456789", "/eE+a ,"},
      {"%0.5g", "-.0123456789eE", "/+a"},
      {"%s", "abc -./%", ""},
      {"%x", "xyz!", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    for (const char* p = c.accepted; *p; ++p)
      EXPECT_TRUE(IsValidFormatChar(c.format, static_cast<char32_t>(*p))) << *p;
    for (const char* p = c.rejected; *p; ++p)
      EXPECT_FALSE(IsValidFormatChar(c.format, static_cast<char32_t>(*p))) << *p;
  }
  EXPECT_TRUE(IsValidFormatChar("%s", U'\u00B5'));
  EXPECT_FALSE(IsValidFormatChar("%0.3f", U'\u0663'));  // an Arabic-Indic digit is no digit here
}

TFmtParams Fixed(const char* format) {
  TFmtParams params;
  params.FormatStr = format;
  params.Decimals = FormatDecimals(format);
  return params;
}

TEST(FmtTextTest, TypedCommaIsTheDecimalPointOnce) {
  struct Case {
    const char* name;
    const char* format;
    const char* before;
    const char* after;
    char32_t typed;
    char32_t result;
    bool refused;
  };
  const Case cases[] = {
      {"first point", "%0.3f", "2", "", U',', U'.', false},
      {"before the digits", "%0.3f", "", "25", U',', U'.', false},
      {"general format", "%0.5g", "1", "e3", U',', U'.', false},
      {"point already there", "%0.3f", "2.5", "", U',', U',', true},
      {"point after the caret", "%0.3f", "2", "5.1", U',', U',', true},
      {"pair, second number", "%0.1f/%0.1f", "1.5/2", "", U',', U'.', false},
      {"pair, first number has one", "%0.1f/%0.1f", "1.5", "/2", U',', U',', true},
      {"integer", "%d", "2", "", U',', U',', true},
      {"text takes it", "%s", "a", "", U',', U',', false},
      {"other characters unchanged", "%0.3f", "2", "", U'7', U'7', false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TTypedChar r = TypedComma(c.format, c.before, c.after, c.typed);
    EXPECT_EQ(r.Char, c.result);
    EXPECT_EQ(r.Refused, c.refused);
    EXPECT_EQ(r.Hint.empty(), !c.refused);
  }
}

TEST(FmtTextTest, ValidateRealText) {
  struct Case {
    const char* name;
    const char* format;
    const char* typed;
    const char* shown;  // nullptr: left as typed
  };
  const Case cases[] = {
      {"second point", "%0.3f", "1.2.3", "1.230"},
      {"blanks", "%0.3f", " 1 500 ", "1500.000"},
      {"two minus signs", "%0.3f", "--5", "-5.000"},
      {"minus after", "%0.3f", "5-", "5.000"},
      {"empty", "%0.3f", "", "0.000"},
      {"lone minus", "%0.3f", "-", "0.000"},
      {"exponent only", "%0.5g", "e5", "1E5"},
      {"small exponent", "%0.5g", "1e-3", "0.001"},
      {"huge exponent", "%0.5g", "1E999", "1E99"},
      {"tiny exponent", "%0.5g", "1E-999", "1E-9"},
      {"letters", "%0.3f", "abc", nullptr},
      {"bad exponent", "%0.5g", "1E2x", nullptr},
      {"integer rounds half to even", "%d", "12.5", "12"},
      {"integer rounds", "%d", "13.5", "14"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TFmtValidation v = ValidateFmtText(Fixed(c.format), c.typed);
    EXPECT_TRUE(v.Accepted);
    if (c.shown) {
      ASSERT_TRUE(v.NewText.has_value());
      EXPECT_EQ(*v.NewText, c.shown);
    } else {
      EXPECT_FALSE(v.NewText.has_value()) << *v.NewText;
    }
  }
}

TEST(FmtTextTest, ValidateClampsToTheConvertedRange) {
  // Stored in Pa with limits 0..1000 Pa, shown in kPa.
  TFmtParams params = Fixed("%0.3f");
  params.Factor = 0.001;
  params.RangeLo = 0;
  params.RangeHi = 1000;
  TFmtValidation v = ValidateFmtText(params, "1.2");
  EXPECT_FALSE(v.Accepted);
  EXPECT_EQ(v.NewText, "1.000");
  v = ValidateFmtText(params, "1.004");
  EXPECT_TRUE(v.Accepted);
  EXPECT_EQ(v.NewText, "1.004");
  v = ValidateFmtText(params, "-1");
  EXPECT_FALSE(v.Accepted);
  EXPECT_EQ(v.NewText, "0.000");

  // A text format has no range.
  TFmtParams text = Fixed("%s");
  text.RangeHi = 1;
  v = ValidateFmtText(text, "150");
  EXPECT_TRUE(v.Accepted);
  EXPECT_EQ(v.NewText, "150");
}

TEST(FmtTextTest, ValidatePair) {
  TFmtParams params = Fixed("%0.1f/%0.2f");
  TFmtValidation v = ValidateFmtText(params, "1 / 2");
  EXPECT_TRUE(v.Accepted);
  EXPECT_EQ(v.NewText, "1.0/2.00");
  v = ValidateFmtText(params, "7");
  EXPECT_EQ(v.NewText, "7.0");
  params.RangeHi = 100;
  v = ValidateFmtText(params, "5/150");
  EXPECT_FALSE(v.Accepted);
  EXPECT_EQ(v.NewText, "5.0/100.00");
  v = ValidateFmtText(params, "150/5");
  EXPECT_FALSE(v.Accepted);
  EXPECT_EQ(v.NewText, "100.0/5.00");
}

TEST(FmtTextTest, WriteValueByFormatType) {
  struct Case {
    const char* name;
    TFormatType type;
    const char* format;
    double value;
    const char* shown;
  };
  const Case cases[] = {
      {"auto", ft_Auto, "%0.1f", 123.456, "123.46"},
      {"auto small", ft_Auto, "%0.1f", 0.0123, "0.0123"},
      {"fixed", ft_Fixed, "%0.1f", 123.456, "123.5"},
      {"manual", ft_Manual, "%0.2f", 1.005, "1.00"},  // 1.005 is 1.00499999... in binary
      {"override small", ft_AutoOverride, "%0.1f", 7.5, "7.500"},
      {"override big", ft_AutoOverride, "%0.1f", 12.34, "12.3"},
      {"override negative", ft_AutoOverride, "%0.1f", -20, "-20.00"},
      {"override 0 decimals", ft_AutoOverride, "%0.0f", 99.5, "99.500"},
      {"override 0 decimals big", ft_AutoOverride, "%0.0f", 100.4, "100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFmtParams params = Fixed(c.format);
    params.FormatType = c.type;
    EXPECT_EQ(WriteFmtValue(params, c.value), c.shown);
  }
  TFmtParams unknown = Fixed("%0.1f");
  unknown.FormatType = static_cast<TFormatType>(7);
  EXPECT_FALSE(WriteFmtValue(unknown, 1.0).has_value());
}

TEST(FmtTextTest, WriteValueConvertsToTheShownUnit) {
  TFmtParams params = Fixed("%0.3f");
  params.Factor = 0.001;  // Pa stored, kPa shown
  EXPECT_EQ(WriteFmtValue(params, 500.0), "0.500");
  EXPECT_EQ(WriteFmtValue(params, std::string(" 1500 ")), "1.500");
  EXPECT_EQ(WriteFmtValue(params, std::string("abc")), "");
  TFmtParams fahrenheit = Fixed("%0.1f");
  fahrenheit.Factor = 1.8;
  fahrenheit.Offset = 32;
  EXPECT_EQ(WriteFmtValue(fahrenheit, -40.0), "-40.0");
  EXPECT_EQ(WriteFmtValue(Fixed("%d"), 2.5), "2");
  EXPECT_EQ(WriteFmtValue(Fixed("%s"), 1.5), "1.5");
  EXPECT_EQ(WriteFmtValue(Fixed("%0.1f/%0.1f"), 1.5), "1.5/0.0");
  EXPECT_EQ(WriteFmtValue(Fixed("%0.1f/%0.1f"), std::string("1/2")), "1.0/2.0");
  EXPECT_EQ(WriteFmtValue(Fixed("%0.1f/%0.1f"), std::string("1/x")), "");
  // A format of no class leaves the text alone.
  EXPECT_FALSE(WriteFmtValue(Fixed("%x"), 1.0).has_value());
}

TEST(FmtTextTest, ReadValue) {
  EXPECT_EQ(std::get<double>(ReadFmtValue(Fixed("%d"), "12.6")), 13);
  EXPECT_EQ(std::get<double>(ReadFmtValue(Fixed("%d"), "12.5")), 12);
  EXPECT_EQ(std::get<std::string>(ReadFmtValue(Fixed("%0.3f"), "abc")), "abc");
  EXPECT_EQ(std::get<std::string>(ReadFmtValue(Fixed("%s"), "abc")), "abc");
  EXPECT_DOUBLE_EQ(std::get<double>(ReadFmtValue(Fixed("%0.3f"), " 1 500 ")), 1500);

  TFmtParams kPa = Fixed("%0.3f");
  kPa.Factor = 0.001;
  EXPECT_DOUBLE_EQ(std::get<double>(ReadFmtValue(kPa, "0.5")), 500);

  TFmtParams pair = Fixed("%0.1f/%0.1f");
  pair.Factor = 0.5;
  EXPECT_EQ(std::get<std::string>(ReadFmtValue(pair, "1/2")), "2.0/4.0");
  EXPECT_EQ(std::get<std::string>(ReadFmtValue(pair, "1.5")), "3");
  EXPECT_EQ(std::get<std::string>(ReadFmtValue(pair, "1/x")), "1/x");

  TFmtParams fahrenheit = Fixed("%0.1f");
  fahrenheit.Factor = 1.8;
  fahrenheit.Offset = 32;
  EXPECT_NEAR(std::get<double>(ReadFmtValue(fahrenheit, "212")), 100, 1e-12);
}

TEST(FmtTextTest, ValueConversions) {
  EXPECT_EQ(FmtValueToFloat(TFmtValue(2.5)), 2.5);
  EXPECT_EQ(FmtValueToFloat(TFmtValue(std::string("2.5"))), 2.5);
  try {
    FmtValueToFloat(TFmtValue(std::string("abc")));
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
  EXPECT_EQ(FmtValueToText(TFmtValue(1.5)), "1.5");
  EXPECT_EQ(FmtValueToText(TFmtValue(std::string("x"))), "x");
}

}  // namespace
}  // namespace blowden
