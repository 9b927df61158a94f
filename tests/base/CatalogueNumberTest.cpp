#include <gtest/gtest.h>

#include <charconv>
#include <string>

#include "base/CatalogueNumber.h"

namespace blowden {
namespace {

// The shortest text that reads back as the double.
std::string Shortest(double value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

TEST(CatalogueNumber, SignificantDigitsOfAWrittenNumber) {
  struct Case {
    const char* text;
    int digits;
  } cases[] = {
      {"1000", 4},  {"0.050", 2},  {"1.5e3", 2},   {"-0.0012", 2}, {"0", 1},   {"0.000", 1},
      {"7.", 1},    {"+12.50", 4}, {"2.5E-07", 2}, {"", 0},        {"abc", 0}, {"1115.9183168000002", 17},
      {"  89 ", 2}, {"0.30", 2},   {"12000", 5},   {"100.001", 6},
  };
  for (const Case& c : cases) EXPECT_EQ(SignificantDigits(c.text), c.digits) << '"' << c.text << '"';
  EXPECT_EQ(SignificantDigits(0.47194744320000003), 17);
  EXPECT_EQ(SignificantDigits(0.186), 3);
  EXPECT_EQ(SignificantDigits(1450.0), 4);
}

TEST(CatalogueNumber, RoundedToSignificantDigitsReadsAsThoseDigits) {
  struct Case {
    double value;
    int digits;
    const char* written;
  } cases[] = {
      {1115.9183168000002, 6, "1115.92"},
      {0.5160243999999999, 6, "0.516024"},
      {0.4719474432, 6, "0.471947"},
      {2941.995, 6, "2941.99"},  // the double lies just below the half
      {1234567.89, 6, "1234570"},
      {0.000123456789, 6, "0.000123457"},
      {2.5e-7, 6, "2.5e-07"},
      {-74.72667300000001, 6, "-74.7267"},
      {-0.0, 6, "0"},
      {0.1 + 0.2, 17, "0.30000000000000004"},
      {0.1 + 0.2, 40, "0.30000000000000004"},  // held to 17
      {1450, 1, "1000"},
      {1450, 0, "1000"},  // at least one digit
  };
  for (const Case& c : cases)
    EXPECT_EQ(Shortest(RoundToSignificant(c.value, c.digits)), c.written) << c.value << " " << c.digits;
}

// The source's digits plus two, at least six, at most seventeen.
TEST(CatalogueNumber, ValuesKeepTheirSourcesDigitsPlusTwo) {
  struct Case {
    double value;
    const char* source;
    const char* written;
  } cases[] = {
      {1000 * 0.3048 * 0.3048 * 0.3048 / 60, "1000", "0.471947"},     // 4 + 2
      {12000 * 0.3048 * 0.3048 * 0.3048 / 60, "12000", "5.663369"},   // 5 + 2
      {2.5 * 249.08891, "2.5", "622.722"},                            // at least 6
      {1.23456789 / 3, "1.23456789", "0.41152263"},                   // 9 + 2
      {0.1 + 0.2, "0.100000000000000005551", "0.30000000000000004"},  // at most 17
  };
  for (const Case& c : cases) EXPECT_EQ(Shortest(CatalogueValue(c.value, c.source)), c.written) << c.source;
  EXPECT_EQ(Shortest(CatalogueValue(0.186 * 0.512, 0.186)), "0.095232");
  EXPECT_EQ(Shortest(CatalogueValue(1.26 * 0.32768, 1.26)), "0.412877");
}

}  // namespace
}  // namespace blowden
