#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

#include "base/Convert.h"

namespace blowden {

// One argument of Format: an integer, a real or a text.
class TFmtArg {
 public:
  TFmtArg(int v) : FValue(static_cast<std::int64_t>(v)) {}
  TFmtArg(long v) : FValue(static_cast<std::int64_t>(v)) {}
  TFmtArg(long long v) : FValue(static_cast<std::int64_t>(v)) {}
  TFmtArg(unsigned v) : FValue(static_cast<std::int64_t>(v)) {}
  TFmtArg(double v) : FValue(v) {}
  TFmtArg(long double v) : FValue(static_cast<double>(v)) {}
  TFmtArg(std::string_view v) : FValue(v) {}
  TFmtArg(const std::string& v) : FValue(std::string_view(v)) {}
  TFmtArg(const char* v) : FValue(std::string_view(v)) {}

  const std::variant<std::int64_t, double, std::string_view>& Get() const { return FValue; }

 private:
  std::variant<std::int64_t, double, std::string_view> FValue;
};

// printf-like formatting with the program's fixed number conventions: "." is
// always the decimal separator and "," the thousands separator, whatever the
// process locale. Specifiers: "%" ["-"] [width] ["." precision] type, with
// type d, u, x (upper-case hex digits), e, f, g, n (fixed with thousands
// separators), s, and "%%" for a percent sign; type letters may be upper case.
// Width pads with blanks (left-justified with "-").
//
//   Format("%0.2f", {1.005})   -> "1.01"   (the exact binary value, halves away from zero)
//   Format("%0.4g", {512.25})  -> "512.3"
//   Format("%0.4g", {1.5e-5})  -> "1.5E-5"
//   Format("%0.4g", {123456.0})-> "1.235E5"
//   Format("%d%%", {42})       -> "42%"
//
// A specifier that does not match its argument, or a missing argument, throws
// EConvertError ("Format '%0.2f' invalid or incompatible with argument").
std::string Format(std::string_view fmt, std::initializer_list<TFmtArg> args);

// The general format: at most `precision` significant digits; fixed notation
// when the value has no more integer digits than the precision and
// |v| >= 0.0001 (or v == 0), otherwise exponent notation with "E" and an
// exponent without leading zeros; trailing zeros and a trailing point dropped.
//   FormatGeneral(0.000123, 4) -> "0.000123";  FormatGeneral(12345, 4) -> "1.235E4"
std::string FormatGeneral(double value, int precision);

// Fixed notation with `decimals` decimals, halves away from zero on the exact
// binary value. FormatFixed(2.5, 0) -> "3"; FormatFixed(-0.001, 2) -> "0.00".
std::string FormatFixed(double value, int decimals);

// Rounds to the nearest integer, halves to the even neighbour:
// 2.5 -> 2, 3.5 -> 4, -2.5 -> -2. Values beyond the int64 range saturate.
std::int64_t RoundHalfEven(double value);

}  // namespace blowden
