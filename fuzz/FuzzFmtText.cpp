// The numeric edit field's text rules on fuzzed typing: cleaning, pairs,
// validation with a range, and reading/writing the value, for every format class.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/Convert.h"
#include "units/FmtText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  static const char* const kFormats[] = {"%0.3f", "%0.0f", "%0.5g", "%d", "%s", "%0.1f/%0.1f", "%0.2g", "%S"};
  blowden::TFmtParams params;
  params.FormatStr = kFormats[data[0] % 8];
  params.FormatType = static_cast<blowden::TFormatType>(data[1] % 4);
  params.SigDigs = 1 + data[1] / 4 % 8;
  params.Decimals = blowden::FormatDecimals(params.FormatStr);
  params.Factor = (data[0] & 0x80) ? 1000.0 : 1.0;
  params.RangeLo = (data[1] & 0x40) ? 10.0 : 0.0;
  params.RangeHi = (data[1] & 0x40) ? 100.0 : 0.0;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
  try {
    (void)blowden::CleanNumberText(text);
    (void)blowden::SplitPair(text);
    const auto validation = blowden::ValidateFmtText(params, text);
    const auto value =
        blowden::ReadFmtValue(params, validation.NewText ? *validation.NewText : std::string(text));
    (void)blowden::WriteFmtValue(params, value);
  } catch (const blowden::EConvertError&) {
    // A format that does not fit its value is reported, never a crash.
  }
  return 0;
}
