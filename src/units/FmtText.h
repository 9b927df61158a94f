#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace blowden {

// How a formatted field writes real numbers.
//   ft_Auto:         SigDigs significant digits (SigDigitsFormat)
//   ft_Fixed:        the format string
//   ft_AutoOverride: as ft_Auto below 10^(2 - decimals of the format), else as ft_Fixed
//   ft_Manual:       as ft_Fixed, and a unit change never replaces the format
enum TFormatType : std::uint8_t { ft_Auto = 0, ft_Fixed = 1, ft_AutoOverride = 2, ft_Manual = 3 };

// The value of a formatted field: a number, or text (text and pair formats,
// and a field whose text is no number).
using TFmtValue = std::variant<double, std::string>;

// The number of a value; text is converted with the program's rules and
// throws EConvertError ("'abc' is not a valid floating point value").
double FmtValueToFloat(const TFmtValue& value);

// The text of a value; a number in the general format with 15 digits (1.5 -> "1.5").
std::string FmtValueToText(const TFmtValue& value);

// Format classes, by the letters the format string contains anywhere.
// Each operation tests them in its own order; a format may match several.
bool IsTextFormat(std::string_view fmt);     // "s" or "S"
bool IsPairFormat(std::string_view fmt);     // "/"
bool IsIntegerFormat(std::string_view fmt);  // "d" or "D"
bool IsRealFormat(std::string_view fmt);     // "f", "F", "g" or "G"

// The digit after the first "." of a format, 0 without one: "%0.3f" -> 3, "%d" -> 0.
int FormatDecimals(std::string_view fmt);

// Whether a typed character may enter a field with that format (first match wins):
//   pair:    - . / 0-9
//   integer: 0-9 -
//   real:    0-9 - .   and e E when the format contains g or G
//   other:   everything
bool IsValidFormatChar(std::string_view fmt, char32_t c);

// A comma typed into a field, where many keyboards and locales put the
// decimal point. In a real or pair format it is taken as "." when the number
// being typed (for a pair: the part around the caret, between the slashes)
// has no "." yet; otherwise it is refused with a hint for the user. Every
// other character, and a comma in a text format, comes back unchanged (the
// character filter still applies to it).
//   ("%0.3f", "2", "", ',')     -> '.'        "2,5" is typed as 2.5
//   ("%0.3f", "2.5", "", ',')   -> refused    the number has its point
//   ("%0.1f/%0.1f", "1.5/2", "", ',') -> '.'  the second number has none
//   ("%d", "2", "", ',')        -> refused    whole numbers only
//   ("%s", "a", "", ',')        -> ','
struct TTypedChar {
  char32_t Char = 0;
  bool Refused = false;
  std::string Hint;  // why it was refused
};
TTypedChar TypedComma(std::string_view fmt, std::string_view before, std::string_view after, char32_t c);

// The fixed format that shows about `sigDigs` significant digits of x,
// decided on x written with 12 decimals (n = 5):
//   123.456 -> "%0.2f" (123.46)   12345.6 -> "%0.0f" (12346)   -1.5 -> "%0.3f" (-1.500)
//   5.25 -> "%0.3f" (5.250)       0.0123 -> "%0.4f" (0.0123)   0 -> "%0.3f" (0.000)
// At most 12 decimals.
std::string SigDigitsFormat(int sigDigs, double x);

// Typed text to number text:
//   "1.2.3" -> "1.23"   " 1 500 " -> "1500"   "--5" -> "-5"   "5-" -> "5"
//   "" -> "0"   "-" -> "0"   "e5" -> "1E5"   "1e-3" -> "1E-3"
//   "1E999" -> "1E99"   "1E-999" -> "1E-9"   "1 / 2/3" -> "1/23"
// Empty when the exponent part is no integer ("1E2x").
std::optional<std::string> CleanNumberText(std::string_view text);

// "a/b" -> {"a", "b"}; "a" -> {"a", none}; "a/b/c" -> {"a", "b/c"}.
struct TNumberPair {
  std::string First;
  std::optional<std::string> Second;
};
TNumberPair SplitPair(std::string_view text);

// Range check of x against [lo, hi] (both in the unit of x), 0.5 % tolerance.
// lo == hi (within 1e-5) means no range. Outside the tolerance x is replaced
// by the limit and the answer is false; within it x stays and the answer is true.
//   [0, 100]:  150 -> 100, false;  100.4 -> true;  100.5 -> true;  100.6 -> 100, false
//   [10, 100]: 9.96 -> true;  9.9 -> 10, false
bool CheckRange(double& x, double lo, double hi);

// Everything the value conversions of a formatted field depend on.
// shown value = stored value * Factor + Offset.
struct TFmtParams {
  std::string FormatStr = "%0.1f";
  TFormatType FormatType = ft_Fixed;
  int SigDigs = 5;
  int Decimals = 0;
  double Factor = 1;
  double Offset = 0;
  double RangeLo = 0;  // stored unit
  double RangeHi = 0;  // stored unit
};

// The text of a real number x (already in the shown unit) by params.FormatType;
// empty for a FormatType outside the enumeration. Throws
// EConvertError when the format does not fit a real.
//   ft_AutoOverride, "%0.1f": 7.5 -> "7.500", 12.34 -> "12.3", -20 -> "-20.00"
std::optional<std::string> FormatRealText(const TFmtParams& params, double x);

// The field's value in the stored unit, read from its text:
//   text format: the format applied to the text;
//   pair: "a/b" -> the format applied to both converted numbers; "a" -> "%0.4g" of it;
//   otherwise the cleaned number converted, rounded for an integer format.
// Text that is no number comes back unchanged as text.
TFmtValue ReadFmtValue(const TFmtParams& params, std::string_view text);

// The text that shows a value given in the stored unit. Empty when the value
// is no number or cannot be formatted; nullopt when the format is of no class
// (the field's text is then left as it is).
std::optional<std::string> WriteFmtValue(const TFmtParams& params, const TFmtValue& value);

// Checks and re-formats typed text (numbers in the shown unit; only the
// range limits are converted). Accepted is false when a number was out of
// range (it is then clamped); NewText is the text to show, absent when the
// text is left as typed (it is no number).
struct TFmtValidation {
  bool Accepted = true;
  std::optional<std::string> NewText;
};
TFmtValidation ValidateFmtText(const TFmtParams& params, std::string_view text);

// CheckRange with params.RangeLo/RangeHi converted to the shown unit; a text
// format is always in range.
bool CheckFmtRange(const TFmtParams& params, double& x);

}  // namespace blowden
