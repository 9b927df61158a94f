#pragma once

#include <optional>
#include <string>

#include "fan/FanSound.h"

namespace blowden {

class TJsonWriter;

// "sound": {"lw", "lwa", "bands": {"63": ..., "8000": ...}, "lp",
// "lp_weighting", "distance", "directivity", "kind"}; "lwa" and "bands" null
// without octave bands, "lp_weighting" "A" or "none", "kind" null when the
// catalogue does not say. A null `sound` writes "sound": null.
void WriteSoundJson(TJsonWriter& w, const TSoundFigures* sound);

// --distance and --directivity (either may be absent) into `listener`;
// the message for a value that is not a number or out of range.
std::optional<std::string> ParseListenerOptions(const std::optional<std::string>& distance,
                                                const std::optional<std::string>& directivity,
                                                TListener& listener);

}  // namespace blowden
