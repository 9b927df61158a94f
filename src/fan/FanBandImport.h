#pragma once

// The octave-band columns of a test table being imported.

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanTable.h"
#include "fan/FanTypes.h"

namespace blowden {

// The band (0 for 63 Hz .. 7 for 8 kHz) a column title names: the centre
// frequency alone or with "Hz", "kHz" or "k", after "Lw" or not, with or
// without a unit in brackets; nothing for any other title.
//   "63 Hz" -> 0;  "Lw125" -> 1;  "250" -> 2;  "1 kHz" -> 4;  "Lw 8k [dB]" -> 7;  "Lw" -> nothing
std::optional<std::size_t> BandOfTitle(std::string_view title);

// True when every band role has a column (`columnOfRole`: a column index
// per role, -1 for none).
bool HasAllBandColumns(std::span<const int> columnOfRole);

// Reads the band columns into model.Bands, the table's rows taken in the
// order `rows` gives (the model's points, by increasing flow); `title`
// names a column in messages. With no band column nothing is read. Without
// a sound power column (`withoutLw`) the model's Lw become the bands' energy
// sums. Why the bands cannot be imported:
//   "the octave bands need all eight columns (missing: 4000 Hz, 8000 Hz)"
//   "line 4, column 6 (63 Hz): 'x' is not a number"
std::optional<std::string> ImportBandColumns(const TTextTable& table, std::span<const int> columnOfRole,
                                             const std::vector<std::size_t>& rows,
                                             const std::function<std::string(int)>& title, bool withoutLw,
                                             TFanModel& model);

// "LwKind=...\n" (when known) and "Lw63=..." .. "Lw8000=..." lines of a
// model's bands, each list written by `listText`.
std::string BandLinesText(const TFanModel& model, std::string (*listText)(const std::vector<double>&));

}  // namespace blowden
