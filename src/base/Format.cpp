#include "base/Format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace blowden {

namespace {

// Significant decimal digits of |v| (v finite, non-zero): value = 0.D × 10^(Exp+1),
// that is D[0] is the digit of 10^Exp.
struct TDigits {
  std::string D;
  int Exp = 0;
};

// 41 correctly rounded significant digits. A double is never closer than
// about 1e-17 (relative) to a rounding tie without being the tie itself, so
// rounding these digits half-up once more gives the same answer as rounding
// the exact binary value half away from zero.
constexpr int kDigitsKept = 41;

// 2^52: every double below it has a fraction that a double holds exactly.
constexpr double kWholeFraction = 4503599627370496.0;

TDigits SignificantDigits(double v) {
  std::array<char, 64> buf{};
  auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(v),
                                 std::chars_format::scientific, kDigitsKept - 1);
  (void)ec;
  TDigits r;
  const char* p = buf.data();
  r.D.reserve(kDigitsKept);
  for (; p < end && *p != 'e'; ++p)
    if (*p != '.') r.D.push_back(*p);
  if (p < end) r.Exp = std::atoi(p + 1);
  return r;
}

// Keeps the first n significant digits, rounding half up. n may be 0 or
// negative (the value then rounds to 0 or to one unit at the cut).
// Returns false when the result is zero.
bool RoundDigits(TDigits& d, int n) {
  if (n < 0) {
    d.D.clear();
    return false;
  }
  if (n == 0) {
    if (!d.D.empty() && d.D[0] >= '5') {
      d.D = "1";
      d.Exp += 1;
      return true;
    }
    d.D.clear();
    return false;
  }
  if (static_cast<int>(d.D.size()) > n) {
    const bool up = d.D[n] >= '5';
    d.D.resize(n);
    if (up) {
      int i = n - 1;
      while (i >= 0 && d.D[i] == '9') d.D[i--] = '0';
      if (i >= 0) {
        ++d.D[i];
      } else {
        d.D.insert(d.D.begin(), '1');
        d.D.pop_back();
        d.Exp += 1;
      }
    }
  } else {
    d.D.append(n - d.D.size(), '0');
  }
  return d.D.find_first_not_of('0') != std::string::npos;
}

std::string NonFinite(double v) {
  if (std::isnan(v)) return "NAN";
  return v < 0 ? "-INF" : "INF";
}

void InsertThousands(std::string& s) {
  const std::size_t start = (!s.empty() && s[0] == '-') ? 1 : 0;
  std::size_t point = s.find('.');
  if (point == std::string::npos) point = s.size();
  for (std::ptrdiff_t i = static_cast<std::ptrdiff_t>(point) - 3; i > static_cast<std::ptrdiff_t>(start);
       i -= 3)
    s.insert(static_cast<std::size_t>(i), 1, ',');
}

std::string FormatExponent(double value, int precision) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (precision < 1) precision = 1;
  if (precision > 40) precision = 40;
  std::string out;
  if (value == 0) {
    out = "0";
    if (precision > 1) out += "." + std::string(precision - 1, '0');
    return out + "E+000";
  }
  TDigits d = SignificantDigits(value);
  RoundDigits(d, precision);
  if (value < 0) out += '-';
  out += d.D[0];
  if (precision > 1) out += "." + d.D.substr(1);
  out += 'E';
  out += d.Exp < 0 ? '-' : '+';
  std::string e = std::to_string(std::abs(d.Exp));
  if (e.size() < 3) e.insert(0, 3 - e.size(), '0');
  return out + e;
}

// True when the exact binary value of v (finite, non-zero) lies exactly half
// way between two numbers of `decimals` decimals. |v| = m·2^e with m odd and
// e < 0 is m·5^-e / 10^-e, an odd multiple of 5 over 10^-e: its expansion has
// exactly -e decimals and ends in a 5, so it is a tie for -e - 1 decimals and
// for no other count.
bool IsDecimalTie(double v, int decimals) {
  int exponent = 0;
  const double fraction = std::frexp(std::fabs(v), &exponent);  // |v| = fraction · 2^exponent
  auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
  int e = exponent - 53;
  while ((mantissa & 1U) == 0) {
    mantissa >>= 1U;
    ++e;
  }
  return e < 0 && -e == decimals + 1;
}

[[noreturn]] void BadFormat(std::string_view spec) {
  throw EConvertError("Format '" + std::string(spec) + "' invalid or incompatible with argument");
}

}  // namespace

std::int64_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
  if (value <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
  // nearbyint follows the default rounding mode, which rounds halves to even.
  return static_cast<std::int64_t>(std::nearbyint(value));
}

std::string FormatFixed(double value, int decimals) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (decimals < 0) decimals = 0;
  if (decimals > 60) decimals = 60;
  if (value == 0) return decimals > 0 ? "0." + std::string(decimals, '0') : "0";
  if (decimals == 0 && std::fabs(value) < kWholeFraction) {
    // Below 2^52 the exact value's whole part and fraction are doubles
    // themselves: rounding half away from zero needs no decimal expansion
    // (the same answer, at a tenth of the cost: a ranking writes thousands).
    const double a = std::fabs(value);
    const double whole = std::floor(a);
    const std::uint64_t n = static_cast<std::uint64_t>(whole) + (a - whole >= 0.5 ? 1U : 0U);
    if (n == 0) return "0";
    std::array<char, 24> buf{};
    buf[0] = '-';
    char* begin = value < 0 ? buf.data() : buf.data() + 1;
    const auto [end, ec] = std::to_chars(buf.data() + 1, buf.data() + buf.size(), n);
    (void)ec;
    return std::string(begin, end);
  }

  if (std::fabs(value) < 1e30 && !IsDecimalTie(value, decimals)) {
    // Away from a tie, the correctly rounded text of the library is the
    // value rounded half away from zero (they differ only on a tie, which
    // goes the long way below), without the digits' expansion.
    std::array<char, 128> buf{};
    const auto [end, ec] =
        std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, decimals);
    if (ec == std::errc()) {
      // A value that rounds to zero is written without its sign.
      const char* begin = buf.data();
      const char* last = end;
      if (*begin == '-' && std::all_of(begin + 1, last, [](char c) { return c == '0' || c == '.'; })) ++begin;
      return std::string(begin, last);
    }
  }

  TDigits d = SignificantDigits(value);
  const int wanted = d.Exp + 1 + decimals;
  std::string out;
  if (wanted > kDigitsKept) {
    // Large values are integers in binary (or need more digits than a tie can
    // reach): the exact expansion rounded by the library is the answer.
    std::array<char, 400> buf{};
    auto [end, ec] =
        std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return NonFinite(value);
    return std::string(buf.data(), end);
  }
  const bool nonZero = RoundDigits(d, wanted);
  if (!nonZero) return decimals > 0 ? "0." + std::string(decimals, '0') : "0";
  // A carry (9.96 -> 10.0) adds an integer digit: keep every decimal.
  const std::size_t needed = static_cast<std::size_t>(std::max(d.Exp + 1, 0) + decimals) -
                             (d.Exp < 0 ? static_cast<std::size_t>(-d.Exp - 1) : 0);
  if (d.D.size() < needed) d.D.append(needed - d.D.size(), '0');

  if (value < 0) out += '-';
  // d.D holds the digits from 10^d.Exp down to 10^-decimals.
  std::string intPart;
  std::string fracPart;
  if (d.Exp >= 0) {
    intPart = d.D.substr(0, static_cast<std::size_t>(d.Exp) + 1);
    fracPart = d.D.substr(static_cast<std::size_t>(d.Exp) + 1);
  } else {
    intPart = "0";
    fracPart = std::string(static_cast<std::size_t>(-d.Exp - 1), '0') + d.D;
  }
  out += intPart;
  if (decimals > 0) out += "." + fracPart;
  return out;
}

std::string FormatGeneral(double value, int precision) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (precision < 1) precision = 1;
  if (precision > 40) precision = 40;
  if (value == 0) return "0";
  if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
    // A whole number of no more digits than the precision is written as it
    // is (the common "%g" of a limit such as 110 or 1440).
    std::string whole = std::to_string(static_cast<std::int64_t>(value));
    if (static_cast<int>(whole.size()) - (value < 0 ? 1 : 0) <= precision) return whole;
  }

  TDigits d = SignificantDigits(value);
  RoundDigits(d, precision);
  // Drop trailing zeros of the significant digits.
  std::size_t last = d.D.find_last_not_of('0');
  std::string digits = d.D.substr(0, last + 1);

  std::string out = value < 0 ? "-" : "";
  const bool fixed = (d.Exp + 1 <= precision) && (d.Exp >= -4);
  if (fixed) {
    if (d.Exp >= 0) {
      const std::size_t intLen = static_cast<std::size_t>(d.Exp) + 1;
      if (digits.size() <= intLen) {
        out += digits + std::string(intLen - digits.size(), '0');
      } else {
        out += digits.substr(0, intLen) + "." + digits.substr(intLen);
      }
    } else {
      out += "0." + std::string(static_cast<std::size_t>(-d.Exp - 1), '0') + digits;
    }
    return out;
  }
  out += digits[0];
  if (digits.size() > 1) out += "." + digits.substr(1);
  out += "E" + std::to_string(d.Exp);
  return out;
}

std::string Format(std::string_view fmt, std::initializer_list<TFmtArg> args) {
  std::string out;
  out.reserve(fmt.size() + 16);
  auto arg = args.begin();
  std::size_t i = 0;
  while (i < fmt.size()) {
    const char c = fmt[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    const std::size_t specStart = i;
    ++i;
    if (i < fmt.size() && fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    bool left = false;
    int width = -1;
    int precision = -1;
    if (i < fmt.size() && fmt[i] == '-') {
      left = true;
      ++i;
    }
    auto readNumber = [&](int& target) {
      if (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
        int v = 0;
        while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
          if (v < 100000) v = v * 10 + (fmt[i] - '0');
          ++i;
        }
        target = v;
      }
    };
    readNumber(width);
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      precision = 0;
      readNumber(precision);
    }
    if (i >= fmt.size()) BadFormat(fmt.substr(specStart));
    const char type = static_cast<char>(fmt[i] >= 'A' && fmt[i] <= 'Z' ? fmt[i] - 'A' + 'a' : fmt[i]);
    ++i;
    const std::string_view spec = fmt.substr(specStart, i - specStart);
    if (arg == args.end()) BadFormat(spec);
    const auto& value = arg->Get();
    ++arg;

    std::string piece;
    switch (type) {
      case 'd':
      case 'u':
      case 'x': {
        if (!std::holds_alternative<std::int64_t>(value)) BadFormat(spec);
        std::int64_t v = std::get<std::int64_t>(value);
        bool negative = v < 0;
        std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        if (type == 'u' && negative) {
          mag = static_cast<std::uint32_t>(v);
          negative = false;
        }
        if (type == 'x') {
          if (negative) {
            mag = static_cast<std::uint64_t>(v);
            negative = false;
          }
          std::array<char, 32> buf{};
          auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), mag, 16);
          (void)ec;
          piece.assign(buf.data(), end);
          for (char& ch : piece)
            if (ch >= 'a' && ch <= 'f') ch = static_cast<char>(ch - 'a' + 'A');
        } else {
          piece = std::to_string(mag);
        }
        if (precision > 0 && static_cast<int>(piece.size()) < precision)
          piece.insert(0, static_cast<std::size_t>(precision) - piece.size(), '0');
        if (negative) piece.insert(0, 1, '-');
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n': {
        double v = 0;
        if (std::holds_alternative<double>(value))
          v = std::get<double>(value);
        else if (std::holds_alternative<std::int64_t>(value))
          v = static_cast<double>(std::get<std::int64_t>(value));
        else
          BadFormat(spec);
        if (type == 'f')
          piece = FormatFixed(v, precision < 0 ? 2 : precision);
        else if (type == 'g')
          piece = FormatGeneral(v, precision < 0 ? 15 : precision);
        else if (type == 'e')
          piece = FormatExponent(v, precision < 0 ? 15 : precision);
        else {
          piece = FormatFixed(v, precision < 0 ? 2 : precision);
          if (std::isfinite(v)) InsertThousands(piece);
        }
        break;
      }
      case 's': {
        if (!std::holds_alternative<std::string_view>(value)) BadFormat(spec);
        std::string_view s = std::get<std::string_view>(value);
        if (precision >= 0 && static_cast<std::size_t>(precision) < s.size()) s = s.substr(0, precision);
        piece.assign(s);
        break;
      }
      default:
        BadFormat(spec);
    }
    if (width > 0 && static_cast<int>(piece.size()) < width) {
      const std::size_t pad = static_cast<std::size_t>(width) - piece.size();
      if (left)
        piece.append(pad, ' ');
      else
        piece.insert(0, pad, ' ');
    }
    out += piece;
  }
  return out;
}

}  // namespace blowden
