// Format with fuzzed format strings and values, and the number readers.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/Convert.h"
#include "base/Format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  double value;
  std::memcpy(&value, data, sizeof value);
  const std::string_view text(reinterpret_cast<const char*>(data + 8), size - 8);
  try {
    (void)blowden::Format(text, {value});
  } catch (const blowden::EConvertError&) {
  }
  try {
    (void)blowden::Format(text, {static_cast<int>(data[0]), std::string_view("abc"), value});
  } catch (const blowden::EConvertError&) {
  }
  const int precision = data[1] % 45;
  const std::string g = blowden::FormatGeneral(value, precision);
  const std::string f = blowden::FormatFixed(value, precision);
  double back = 0;
  // Always readable back (near the largest double, rounding may step past it).
  if (std::fabs(value) < 1e307 && !blowden::TryStrToFloat(g, back)) __builtin_trap();
  if (std::isfinite(value) && !blowden::TryStrToFloat(f, back)) __builtin_trap();
  double parsed = 0;
  (void)blowden::TryStrToFloat(text, parsed);
  std::int32_t i = 0;
  (void)blowden::TryStrToInt(text, i);
  return 0;
}
