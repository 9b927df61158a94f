#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace blowden {

// The conversion error of the program: a number text that cannot be read, or
// a format that does not fit its argument. The windows show it in an error box
// and stay usable (a verification or an install reports it as an error line).
// The command-line program prints it; one in a fan data file ends that file's
// work with exit code 1, one in a command-line argument is a usage error
// (exit code 2).
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decimal number text: optional blanks, an optional sign, digits with at most
// one ".", an optional exponent ("E" or "e", optional sign, digits), optional
// blanks. At least one digit in the mantissa. No hexadecimal, no "INF"/"NAN".
//   "1.5E-3" -> 0.0015;  " -2 " -> -2;  ".5" -> 0.5;  "5." -> 5;  "1,5" -> fails
// A value too large for a double fails; one too small becomes 0.
bool TryStrToFloat(std::string_view text, double& value);

// Integer text: an optional sign followed by decimal digits, nothing else
// (no blanks). "12" -> 12; "+7" -> 7; "12 " fails; "1.0" fails. Values outside
// the 32-bit range fail, like the platform's integer conversion.
bool TryStrToInt(std::string_view text, std::int32_t& value);

// Throwing forms with the program's messages:
//   "'abc' is not a valid floating point value"
//   "'abc' is not a valid integer value"
double StrToFloat(std::string_view text);
std::int32_t StrToInt(std::string_view text);

// Blanks (space and tab) stripped from both ends.
std::string_view Trim(std::string_view text);

// ASCII case-insensitive comparison, as section and key names are matched.
bool SameText(std::string_view a, std::string_view b);

// ASCII upper case.
std::string UpperCase(std::string_view text);

}  // namespace blowden
