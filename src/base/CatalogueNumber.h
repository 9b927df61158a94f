#pragma once

#include <string_view>

namespace blowden {

// Numbers as a catalogue maker writes them: a value converted or scaled from
// a source keeps the precision of its source and two digits more (at least
// kCatalogueDigits), not the last bits of the binary arithmetic.

// The fewest significant digits a written number carries; the digits of a
// value computed from it are not worth more than a couple beyond these.
inline constexpr int kCatalogueDigits = 6;
// A double never needs more to read back as itself.
inline constexpr int kMaxSignificantDigits = 17;

// The significant digits of a number as written: from its first non-zero
// digit to its last digit, trailing zeros of a whole number included (a
// table's "1000" is read to the cfm). 0 for text that holds no digit.
//   "1000" -> 4;  "0.050" -> 2;  "1.5e3" -> 2;  "-0.0012" -> 2;  "0" -> 1;  "7." -> 1
int SignificantDigits(std::string_view number);

// The significant digits of a double as its shortest round-trip text writes it.
//   0.47194744320000003 -> 17;  0.186 -> 3;  1450 -> 4
int SignificantDigits(double value);

// `value` rounded to `digits` significant digits (1..17): the double nearest
// the decimal number, so that the shortest text of the result is that number.
//   (1115.9183168000002, 6) -> 1115.92;  (0.5160243999999999, 6) -> 0.516024;  (-0.0, 6) -> 0
double RoundToSignificant(double value, int digits);

// `value` with the significant digits of its source plus two, at least
// kCatalogueDigits: what import and derive write.
//   (0.4719474432, "1000") -> 0.471947;  (1.2345678901, "1.23456789") -> 1.2345678901
double CatalogueValue(double value, std::string_view source);
double CatalogueValue(double value, double source);

}  // namespace blowden
