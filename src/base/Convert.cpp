#include "base/Convert.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>

namespace blowden {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char ToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ToUpper(a[i]) != ToUpper(b[i])) return false;
  return true;
}

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = ToUpper(c);
  return result;
}

bool TryStrToFloat(std::string_view text, double& value) {
  text = Trim(text);
  // Validate the shape by hand: from_chars alone would accept "inf", "nan"
  // and hexadecimal forms, which the file format does not have.
  std::size_t i = 0;
  const std::size_t n = text.size();
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t mantissaStart = i;
  std::size_t digits = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') {
    ++i;
    ++digits;
  }
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      ++i;
      ++digits;
    }
  }
  if (digits == 0) return false;
  bool negativeExponent = false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      negativeExponent = text[i] == '-';
      ++i;
    }
    std::size_t expDigits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      ++i;
      ++expDigits;
    }
    if (expDigits == 0) return false;
  }
  if (i != n) return false;

  const char* first = text.data() + mantissaStart;
  const char* last = text.data() + n;
  double parsed = 0;
  auto [ptr, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too small for a double: the nearest value is zero. Too large: no value.
    if (!negativeExponent) return false;
    parsed = 0;
  } else if (ec != std::errc() || ptr != last) {
    return false;
  }
  value = negative ? -parsed : parsed;
  return true;
}

bool TryStrToInt(std::string_view text, std::int32_t& value) {
  if (text.empty()) return false;
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return false;
  std::int64_t acc = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    acc = acc * 10 + (c - '0');
    if (acc > 2147483648LL) return false;
  }
  if (negative) acc = -acc;
  if (acc > 2147483647LL || acc < -2147483648LL) return false;
  value = static_cast<std::int32_t>(acc);
  return true;
}

double StrToFloat(std::string_view text) {
  double v = 0;
  if (!TryStrToFloat(text, v))
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return v;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t v = 0;
  if (!TryStrToInt(text, v)) throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  return v;
}

}  // namespace blowden
