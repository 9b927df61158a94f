#include "base/CatalogueNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace blowden {

int SignificantDigits(std::string_view number) {
  // The mantissa: up to an exponent letter.
  const std::size_t e = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, e);
  int first = -1, last = -1, position = 0;
  for (const char c : mantissa) {
    if (c < '0' || c > '9') continue;
    if (c != '0' && first < 0) first = position;
    last = position;
    ++position;
  }
  if (position == 0) return 0;
  if (first < 0) return 1;  // a zero
  return last - first + 1;
}

int SignificantDigits(double value) {
  if (!std::isfinite(value)) return kMaxSignificantDigits;
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return SignificantDigits(std::string_view(buffer, static_cast<std::size_t>(r.ptr - buffer)));
}

double RoundToSignificant(double value, int digits) {
  if (!std::isfinite(value)) return value;
  if (value == 0) return 0;
  digits = std::clamp(digits, 1, kMaxSignificantDigits);
  char buffer[64];
  const auto r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, digits - 1);
  double rounded = value;
  const auto back = std::from_chars(buffer, r.ptr, rounded);
  return back.ec == std::errc() ? rounded : value;
}

namespace {

int WrittenDigits(int sourceDigits) {
  return std::clamp(sourceDigits + 2, kCatalogueDigits, kMaxSignificantDigits);
}

}  // namespace

double CatalogueValue(double value, std::string_view source) {
  return RoundToSignificant(value, WrittenDigits(SignificantDigits(source)));
}

double CatalogueValue(double value, double source) {
  return RoundToSignificant(value, WrittenDigits(SignificantDigits(source)));
}

}  // namespace blowden
