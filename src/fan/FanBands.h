#pragma once

// The octave-band data of a model and where its sound pressure is given:
// the small types the fan model's structs hold. The arithmetic on them is
// in FanSound.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace blowden {

// The eight octave bands, by centre frequency (Hz): keys Lw63 .. Lw8000.
inline constexpr std::size_t kBandCount = 8;
inline constexpr std::array<int, kBandCount> kBandCentres{63, 125, 250, 500, 1000, 2000, 4000, 8000};

// What a catalogue's sound powers were measured at ("LwKind"): unknown when
// the file does not say.
enum class TSoundKind : std::uint8_t { None, Inlet, Outlet, Total };

// A model's band lists as its section gives them. Given[i] is true when
// the key Lw<centre> is in the section (its list may still be empty);
// Lw[i] holds the values written (dB), one per tested flow when the data
// are right.
struct TModelBands {
  std::array<std::vector<double>, kBandCount> Lw;
  std::array<bool, kBandCount> Given{};
  TSoundKind Kind = TSoundKind::None;  // the model's "LwKind", else the catalogue's
  // What verification reports besides the counts: band items that are not
  // numbers ("\"Lw250\" item 3 is 'x', not a number"; they read as 0) and an
  // "LwKind" that names no kind.
  std::vector<std::string> Problems;
  bool Unreadable = false;  // a band item is not a number: no bands are reported
};

// Where the sound pressure level is given for: a distance from the fan and
// the directivity of its surroundings (2: a fan on a hard floor, 1: free
// field, 4: at a wall and a floor).
inline constexpr double kDefaultDistance = 1.5;   // m
inline constexpr double kDefaultDirectivity = 2;  // Q
struct TListener {
  double Distance = kDefaultDistance;        // m, above 0
  double Directivity = kDefaultDirectivity;  // above 0
};

}  // namespace blowden
