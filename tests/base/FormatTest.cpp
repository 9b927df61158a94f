#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/Convert.h"
#include "base/Format.h"
#include "base/StepRound.h"
#include "support/TestSupport.h"

using namespace blowden;

namespace {

struct FormatCase {
  const char* name;
  const char* fmt;
  double value;
  const char* expected;
};

const FormatCase kRealCases[] = {
    {"fixed two", "%0.2f", 3.14159, "3.14"},
    {"fixed rounds half away (exact binary half)", "%0.2f", 0.125, "0.13"},
    {"fixed below half", "%0.2f", 2.675, "2.67"},  // 2.67499999... in binary
    {"fixed zero decimals half", "%0.0f", 2.5, "3"},
    {"fixed zero decimals neg half", "%0.0f", -2.5, "-3"},
    {"fixed carry into new digit", "%0.1f", 9.96, "10.0"},
    {"fixed negative tiny is zero", "%0.2f", -0.001, "0.00"},
    {"fixed zero", "%0.3f", 0.0, "0.000"},
    {"fixed negative zero", "%0.1f", -0.0, "0.0"},
    {"fixed small rounds up", "%0.2f", 0.005, "0.01"},
    {"fixed small rounds down", "%0.2f", 0.0049, "0.00"},
    {"fixed large", "%0.0f", 1234567.0, "1234567"},
    {"fixed zero decimals just below half", "%0.0f", 0.49999999999999994, "0"},
    {"fixed zero decimals half of one", "%0.0f", 0.5, "1"},
    {"fixed zero decimals negative below half", "%0.0f", -0.4, "0"},
    {"fixed zero decimals negative above half", "%0.0f", -0.7, "-1"},
    {"fixed zero decimals below a half", "%0.0f", 1.4999999999999998, "1"},
    {"fixed zero decimals carry", "%0.0f", 999.5, "1000"},
    {"fixed zero decimals below 2^52", "%0.0f", 4503599627370495.5, "4503599627370496"},
    {"fixed zero decimals at 2^52", "%0.0f", 4503599627370497.0, "4503599627370497"},
    {"fixed zero decimals beyond", "%0.0f", -1e20, "-100000000000000000000"},
    {"fixed huge", "%0.1f", 1e22, "10000000000000000000000.0"},
    {"fixed default precision", "%f", 1.0, "1.00"},
    {"general four", "%0.4g", 512.3, "512.3"},
    {"general rounds", "%0.4g", 12.0625, "12.06"},
    {"general drops zeros", "%0.4g", 0.5, "0.5"},
    {"general integer", "%0.4g", 1000.0, "1000"},
    {"general too many integer digits", "%0.4g", 12345.0, "1.235E4"},
    {"general rounds to more digits", "%0.4g", 9999.6, "1E4"},
    {"general small fixed", "%0.4g", 0.00012, "0.00012"},
    {"general at 0.0001", "%0.4g", 0.0001, "0.0001"},
    {"general below 0.0001", "%0.4g", 0.000015, "1.5E-5"},
    {"general zero", "%0.4g", 0.0, "0"},
    {"general negative", "%0.6g", -0.00012, "-0.00012"},
    {"general six", "%0.6g", 3.14159265, "3.14159"},
    {"general two", "%0.2g", 85.3, "85"},
    {"general two exp", "%0.2g", 123.0, "1.2E2"},
    {"general width", "%4.2g", 12345.0, "1.2E4"},
    {"general width pads", "%6.2g", 1.5, "   1.5"},
    {"general default precision", "%g", 0.1, "0.1"},
    {"upper case type", "%0.1F", 2.25, "2.3"},
    {"exponent", "%0.3e", 1234.5, "1.23E+003"},
    {"thousands", "%0.1n", 1234567.25, "1,234,567.3"},
    {"nan", "%0.2f", std::numeric_limits<double>::quiet_NaN(), "NAN"},
    {"inf", "%0.4g", -std::numeric_limits<double>::infinity(), "-INF"},
};

TEST(Format, RealsFollowTheProgramConventions) {
  for (const auto& c : kRealCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Format(c.fmt, {c.value}), c.expected);
  }
}

TEST(Format, IntegersTextsAndPercent) {
  EXPECT_EQ(Format("%d", {42}), "42");
  EXPECT_EQ(Format("%d", {-7}), "-7");
  EXPECT_EQ(Format("%5d|%-5d|", {3, 4}), "    3|4    |");
  EXPECT_EQ(Format("%.3d", {7}), "007");
  EXPECT_EQ(Format("%.4x%.4x", {0x409, 0x4E4}), "040904E4");
  EXPECT_EQ(Format("%s and %s", {"a", std::string("b")}), "a and b");
  EXPECT_EQ(Format("%.2s", {"abc"}), "ab");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("Fan Efficiency\t%0.0f\t%%", {63.5}), "Fan Efficiency\t64\t%");
  EXPECT_EQ(Format("order=%d, points=%d, r\xC2\xB2=%0.4f", {3, 10, 0.99876}),
            "order=3, points=10, r\xC2\xB2=0.9988");
  EXPECT_EQ(Format("%0.1f", {3}), "3.0");  // an integer where a real is asked is taken as a real
}

TEST(Format, MismatchedOrMissingArgumentsThrow) {
  EXPECT_THROW(Format("%d", {1.5}), EConvertError);
  EXPECT_THROW(Format("%s", {1}), EConvertError);
  EXPECT_THROW(Format("%f", {"x"}), EConvertError);
  EXPECT_THROW(Format("%d %d", {1}), EConvertError);
  EXPECT_THROW(Format("%q", {1}), EConvertError);
  EXPECT_THROW(Format("abc %", {1}), EConvertError);
  try {
    Format("%0.2f", {"x"});
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Format '%0.2f' invalid or incompatible with argument");
  }
}

TEST(Format, IgnoresTheProcessLocale) {
  const test::TCommaLocale comma;
  ASSERT_TRUE(comma.Switched()) << test::TCommaLocale::Missing();
  // The switch is real: the C library now writes a decimal comma.
  char c[16];
  std::snprintf(c, sizeof c, "%.1f", 1.5);
  ASSERT_STREQ(c, "1,5") << comma.Name();

  EXPECT_EQ(Format("%0.2f", {1234.5}), "1234.50");
  EXPECT_EQ(Format("%0.4g", {0.5}), "0.5");
  EXPECT_EQ(Format("%0.1n", {1234.5}), "1,234.5");
  EXPECT_EQ(Format("%0.3e", {1234.5}), "1.23E+003");
  EXPECT_EQ(StrToFloat("1.5"), 1.5);
  double value = 0;
  EXPECT_FALSE(TryStrToFloat("1,5", value));
}

// The exact binary value rounded half away from zero to `decimals`, from
// its whole decimal expansion: the rule FormatFixed follows, worked out
// the slow, obvious way.
std::string HalfAwayFromZero(double value, int decimals) {
  std::vector<char> buf(2000);
  const auto [end, ec] =
      std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(value), std::chars_format::fixed, 1100);
  EXPECT_EQ(ec, std::errc());
  const std::string text(buf.data(), end);
  const std::size_t dot = text.find('.');
  const std::string whole = text.substr(0, dot);
  const std::string fraction = text.substr(dot + 1);
  std::string kept = whole + fraction.substr(0, static_cast<std::size_t>(decimals));
  if (fraction[static_cast<std::size_t>(decimals)] >= '5') {
    std::size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0)
      kept.insert(kept.begin(), '1');
    else
      ++kept[i - 1];
  }
  const std::size_t cut = kept.size() - static_cast<std::size_t>(decimals);
  std::string out = kept.substr(0, cut);
  out.erase(0, std::min(out.find_first_not_of('0'), out.size() - 1));
  if (out.empty()) out = "0";
  if (decimals > 0) out += "." + kept.substr(cut);
  const bool zero = out.find_first_not_of("0.") == std::string::npos;
  return (value < 0 && !zero ? "-" : "") + out;
}

// Fixed decimals over values of every size, the ties themselves and their
// neighbours: each text as the exact value rounded half away from zero.
TEST(Format, FixedDecimalsRoundTheExactValueHalfAwayFromZero) {
  std::vector<double> values = {0.125, 2.5,    0.375,  1.0625, 1.005, 0.045,         2.675,
                                1e-7,  0.5e-3, 999.95, 9.995,  0.05,  123456789.125, 4503599627370495.5};
  // Ties k + 0.5 at each count of decimals, exactly representable ones.
  for (int d = 0; d <= 8; ++d)
    for (double k : {1.0, 7.0, 13.0, 1025.0}) values.push_back(std::ldexp(2 * k + 1, -(d + 1)));
  std::mt19937_64 random(20261208);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-9, 12);
  for (int i = 0; i < 4000; ++i) values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
  const std::size_t base = values.size();
  for (std::size_t i = 0; i < base; ++i) {
    values.push_back(std::nextafter(values[i], 0.0));
    values.push_back(std::nextafter(values[i], 1e300));
  }
  for (double v : std::vector<double>(values)) values.push_back(-v);
  for (double v : values)
    for (int decimals = 0; decimals <= 8; ++decimals)
      ASSERT_EQ(FormatFixed(v, decimals), HalfAwayFromZero(v, decimals))
          << Format("%0.17g", {v}) << " to " << decimals << " decimals";
}

// "%g" of whole numbers: written as they are while their digits fit the
// precision, in exponent form beyond it.
TEST(Format, GeneralWholeNumbers) {
  const struct {
    double value;
    int precision;
    const char* expected;
  } cases[] = {{110, 15, "110"},
               {-1440, 15, "-1440"},
               {123456, 6, "123456"},
               {1234567, 6, "1.23457E6"},
               {-1234567, 6, "-1.23457E6"},
               {1e14, 15, "100000000000000"},
               {1e15, 15, "1E15"},
               {7, 1, "7"},
               {12, 1, "1E1"}};
  for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.value, c.precision), c.expected) << c.value;
}

TEST(Format, RoundHalfEven) {
  struct Case {
    double in;
    std::int64_t out;
  } cases[] = {{2.5, 2},   {3.5, 4},    {-2.5, -2},
               {-3.5, -4}, {2.4999, 2}, {2.5001, 3},
               {0.5, 0},   {1.5, 2},    {1e300, std::numeric_limits<std::int64_t>::max()}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(RoundHalfEven(c.in), c.out);
  }
}

TEST(StepRound, CeilAndFloorToStep) {
  struct Case {
    double x, step, tol, ceil, floor;
  } cases[] = {
      {0.3, 0.25, 0, 0.5, 0.25},
      {-0.3, 0.25, 0, -0.25, -0.5},
      {0.75, 0.25, 0, 0.75, 0.75},
      {0.0, 0.25, 0, 0.0, 0.0},
      {0.396, 0.25, 0, 0.5, 0.25},
      {4.141, 0.25, 0, 4.25, 4.0},
      {1234.0, 25, 0, 1250, 1225},
      {501.0, 500, 0, 1000, 500},
      // Within the tolerance the value stays on its multiple.
      {1.01, 1, 0.05, 1, 1},
      {1.2, 1, 0.05, 2, 1},
      {5.0, 0, 0, 5.0, 5.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " step " << c.step);
    EXPECT_DOUBLE_EQ(CeilToStep(c.x, c.step, c.tol), c.ceil);
    EXPECT_DOUBLE_EQ(FloorToStep(c.x, c.step, c.tol), c.floor);
  }
}

// The one widening rule of the chart window (the selector's evaluation and
// the chart panel): the result always runs upwards.
TEST(StepRound, WidenRange) {
  struct Case {
    double min, max, wMin, wMax;
  } cases[] = {
      {2, 2, 1, 3},
      {0, 0, 0, 1},
      {-2, -2, -3, -1},
      {1, 3, 1, 3},
      {3, 1, 3, 1},
      {-0.0, -0.0, 0, 1},
      {1.6e308, 1.6e308, 0.8e308, std::numeric_limits<double>::infinity()},  // v * 1.5 overflows
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max);
    double a = c.min, b = c.max;
    WidenRange(a, b);
    EXPECT_EQ(a, c.wMin);
    EXPECT_EQ(b, c.wMax);
    if (c.min == c.max) {
      EXPECT_LT(a, b);
    }
  }
}

}  // namespace
