#include "units/FmtText.h"

#include <cmath>
#include <cstdlib>

#include "base/Convert.h"
#include "base/Format.h"
#include "units/QmConv.h"

namespace blowden {
namespace {

bool Contains(std::string_view text, char a, char b) {
  return text.find(a) != std::string_view::npos || text.find(b) != std::string_view::npos;
}

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// An exponent is an optional sign followed by at least one digit.
bool IsIntegerText(std::string_view text) {
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// |exponent| > 300, without converting (the digits may be many).
bool ExponentTooLarge(std::string_view text) {
  if (text.front() == '-' || text.front() == '+') text.remove_prefix(1);
  while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
  if (text.size() > 3) return true;
  return std::atoi(std::string(text).c_str()) > 300;
}

// The cleaning rules for one number (no "/" in it).
std::optional<std::string> CleanOne(std::string s) {
  if (s.empty()) s = "0";

  // A single "E", upper case.
  std::string t;
  bool seenE = false;
  for (char c : s) {
    if (c == 'e') c = 'E';
    if (c == 'E') {
      if (seenE) continue;
      seenE = true;
    }
    t += c;
  }

  // A "-" stays only in front and directly after the "E".
  if (t.size() > 1) {
    std::string u(1, t[0]);
    for (std::size_t i = 1; i < t.size(); ++i) {
      if (t[i] == '-' && t[i - 1] != 'E') continue;
      u += t[i];
    }
    t = std::move(u);
  }

  if (t == "-") t = "0";

  // A single ".".
  if (const auto dot = t.find('.'); dot != std::string::npos) {
    std::string u = t.substr(0, dot + 1);
    for (std::size_t i = dot + 1; i < t.size(); ++i)
      if (t[i] != '.') u += t[i];
    t = std::move(u);
  }

  if (t.front() == 'E') t.insert(0, "1");

  if (const auto e = t.find('E'); e != std::string::npos && e + 1 < t.size()) {
    std::string exponent = t.substr(e + 1);
    if (const auto dot = exponent.find('.'); dot != std::string::npos) exponent.erase(dot, 1);
    if (!IsIntegerText(exponent)) return std::nullopt;
    // Beyond any double: keep the first two characters (1E999 -> 1E99, 1E-999 -> 1E-9).
    if (ExponentTooLarge(exponent)) exponent.resize(2);
    t = t.substr(0, e + 1) + exponent;
  }
  return t;
}

bool TryNumber(std::string_view text, double& value) { return TryStrToFloat(text, value); }

}  // namespace

double FmtValueToFloat(const TFmtValue& value) {
  if (const double* number = std::get_if<double>(&value)) return *number;
  return StrToFloat(std::get<std::string>(value));
}

std::string FmtValueToText(const TFmtValue& value) {
  if (const double* number = std::get_if<double>(&value)) return FormatGeneral(*number, 15);
  return std::get<std::string>(value);
}

bool IsTextFormat(std::string_view fmt) { return Contains(fmt, 's', 'S'); }
bool IsPairFormat(std::string_view fmt) { return fmt.find('/') != std::string_view::npos; }
bool IsIntegerFormat(std::string_view fmt) { return Contains(fmt, 'd', 'D'); }
bool IsRealFormat(std::string_view fmt) { return Contains(fmt, 'f', 'F') || Contains(fmt, 'g', 'G'); }

int FormatDecimals(std::string_view fmt) {
  const auto dot = fmt.find('.');
  if (dot == std::string_view::npos || dot + 1 >= fmt.size()) return 0;
  const char digit = fmt[dot + 1];
  return digit >= '0' && digit <= '9' ? digit - '0' : 0;
}

bool IsValidFormatChar(std::string_view fmt, char32_t c) {
  if (IsPairFormat(fmt)) return IsDigit(c) || c == U'-' || c == U'.' || c == U'/';
  if (IsIntegerFormat(fmt)) return IsDigit(c) || c == U'-';
  if (IsRealFormat(fmt)) {
    if (IsDigit(c) || c == U'-' || c == U'.') return true;
    return (c == U'e' || c == U'E') && Contains(fmt, 'g', 'G');
  }
  return true;
}

TTypedChar TypedComma(std::string_view fmt, std::string_view before, std::string_view after, char32_t c) {
  TTypedChar r;
  r.Char = c;
  if (c != U',' || IsTextFormat(fmt)) return r;
  const bool pair = IsPairFormat(fmt);
  if (pair || (!IsIntegerFormat(fmt) && IsRealFormat(fmt))) {
    // The number the caret is in: for a pair, only up to the slashes.
    if (pair) {
      if (const auto slash = before.rfind('/'); slash != std::string_view::npos)
        before.remove_prefix(slash + 1);
      if (const auto slash = after.find('/'); slash != std::string_view::npos) after = after.substr(0, slash);
    }
    if (before.find('.') == std::string_view::npos && after.find('.') == std::string_view::npos) {
      r.Char = U'.';
      return r;
    }
    r.Refused = true;
    r.Hint = "The number already has a decimal point: a comma is taken as the point only once";
    return r;
  }
  if (!IsIntegerFormat(fmt)) return r;  // a format of no class takes every character
  r.Refused = true;
  r.Hint = "Whole numbers only: this field takes no decimal point or comma";
  return r;
}

std::string SigDigitsFormat(int sigDigs, double x) {
  const std::string text = FormatFixed(x, 12);
  const auto dot = text.find('.');
  const int k = static_cast<int>(dot == std::string::npos ? text.size() : dot);
  int d;
  if (k == 1) {
    // One integer digit: three decimals, plus one for each leading zero of a
    // fraction (0.0123 -> 4), so small values keep their significant digits.
    d = 3;
    if (dot != std::string::npos) {
      const auto first = text.find_first_not_of('0', dot + 1);
      if (first != std::string::npos) d += static_cast<int>(first - dot - 1);
    }
  } else {
    d = sigDigs > k ? sigDigs - k : 0;
  }
  if (d > 12) d = 12;
  return "%0." + std::to_string(d) + "f";
}

std::optional<std::string> CleanNumberText(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text)
    if (c != ' ' && c != '\t') s += c;

  if (const auto slash = s.find('/'); slash != std::string::npos) {
    std::string second;
    for (std::size_t i = slash + 1; i < s.size(); ++i)
      if (s[i] != '/') second += s[i];
    auto a = CleanOne(s.substr(0, slash));
    auto b = CleanOne(std::move(second));
    if (!a || !b) return std::nullopt;
    return *a + "/" + *b;
  }
  return CleanOne(std::move(s));
}

TNumberPair SplitPair(std::string_view text) {
  const auto slash = text.find('/');
  if (slash == std::string_view::npos) return {std::string(text), std::nullopt};
  return {std::string(text.substr(0, slash)), std::string(text.substr(slash + 1))};
}

bool CheckRange(double& x, double lo, double hi) {
  if (std::fabs(lo - hi) < 0.00001 || (lo == 0 && hi == 0)) return true;
  if (x < lo) {
    if (!(lo != 0 && std::fabs((lo - x) / lo) <= 0.005)) {
      x = lo;
      return false;
    }
  }
  if (x > hi) {
    if (hi != 0 && std::fabs((x - hi) / hi) <= 0.005) return true;
    x = hi;
    return false;
  }
  return true;
}

std::optional<std::string> FormatRealText(const TFmtParams& params, double x) {
  switch (params.FormatType) {
    case ft_Auto:
      return Format(SigDigitsFormat(params.SigDigs, x), {x});
    case ft_Fixed:
    case ft_Manual:
      return Format(params.FormatStr, {x});
    case ft_AutoOverride:
      if (x < std::pow(10.0, 2 - params.Decimals)) return Format(SigDigitsFormat(params.SigDigs, x), {x});
      return Format(params.FormatStr, {x});
  }
  return std::nullopt;
}

TFmtValue ReadFmtValue(const TFmtParams& params, std::string_view text) {
  const std::string& fmt = params.FormatStr;
  try {
    if (IsTextFormat(fmt)) return Format(fmt, {text});
    if (IsPairFormat(fmt)) {
      const TNumberPair pair = SplitPair(text);
      double a = 0;
      if (!TryNumber(pair.First, a)) return std::string(text);
      a = FromUnits(a, params.Factor, params.Offset);
      if (!pair.Second) return Format("%0.4g", {a});
      double b = 0;
      if (!TryNumber(*pair.Second, b)) return std::string(text);
      return Format(fmt, {a, FromUnits(b, params.Factor, params.Offset)});
    }
    const std::optional<std::string> clean = CleanNumberText(text);
    double x = 0;
    if (!clean || !TryNumber(*clean, x)) return std::string(text);
    double value = FromUnits(x, params.Factor, params.Offset);
    if (IsIntegerFormat(fmt)) value = static_cast<double>(RoundHalfEven(value));
    return value;
  } catch (const EConvertError&) {
    return std::string(text);
  }
}

std::optional<std::string> WriteFmtValue(const TFmtParams& params, const TFmtValue& value) {
  const std::string& fmt = params.FormatStr;
  try {
    if (IsTextFormat(fmt)) return Format(fmt, {FmtValueToText(value)});
    if (IsPairFormat(fmt)) {
      const TNumberPair pair = SplitPair(FmtValueToText(value));
      double a = 0;
      double b = 0;
      if (!TryNumber(pair.First, a)) return std::string();
      if (pair.Second && !TryNumber(*pair.Second, b)) return std::string();
      return Format(fmt,
                    {ToUnits(a, params.Factor, params.Offset), ToUnits(b, params.Factor, params.Offset)});
    }
    double number = 0;
    if (const double* given = std::get_if<double>(&value))
      number = *given;
    else if (!TryNumber(std::get<std::string>(value), number))
      return std::string();
    const double x = ToUnits(number, params.Factor, params.Offset);
    if (IsIntegerFormat(fmt)) return Format(fmt, {static_cast<long long>(RoundHalfEven(x))});
    if (IsRealFormat(fmt)) return FormatRealText(params, x);
    return std::nullopt;
  } catch (const EConvertError&) {
    return std::string();
  }
}

bool CheckFmtRange(const TFmtParams& params, double& x) {
  if (IsTextFormat(params.FormatStr)) return true;
  const double lo = ToUnits(params.RangeLo, params.Factor, params.Offset);
  const double hi = ToUnits(params.RangeHi, params.Factor, params.Offset);
  return CheckRange(x, lo, hi);
}

TFmtValidation ValidateFmtText(const TFmtParams& params, std::string_view text) {
  const std::string& fmt = params.FormatStr;
  TFmtValidation result;
  try {
    if (IsTextFormat(fmt)) {
      result.NewText = Format(fmt, {text});
      return result;
    }
    const std::optional<std::string> clean = CleanNumberText(text);
    if (!clean) return result;

    if (IsPairFormat(fmt)) {
      const TNumberPair pair = SplitPair(*clean);
      double a = 0;
      if (!TryNumber(pair.First, a)) return result;
      result.Accepted = CheckFmtRange(params, a);
      if (!pair.Second) {
        result.NewText = Format(fmt.substr(0, fmt.find('/')), {a});
        return result;
      }
      double b = 0;
      if (!TryNumber(*pair.Second, b)) return result;
      result.Accepted = CheckFmtRange(params, b) && result.Accepted;
      result.NewText = Format(fmt, {a, b});
      return result;
    }

    double x = 0;
    if (!TryNumber(*clean, x)) return result;
    result.Accepted = CheckFmtRange(params, x);
    if (IsIntegerFormat(fmt)) {
      result.NewText = Format(fmt, {static_cast<long long>(RoundHalfEven(x))});
      return result;
    }
    const std::optional<std::string> formatted = FormatRealText(params, x);
    result.NewText = formatted ? *formatted : *clean;
  } catch (const EConvertError&) {
    result.NewText.reset();
  }
  return result;
}

}  // namespace blowden
