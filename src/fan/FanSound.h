#pragma once

// Octave-band sound: A-weighting, energy sums, the bands of a model at an
// operating point, and the sound pressure level at a distance. Units: dB
// re 1 pW for sound power, dB re 20 µPa for sound pressure, m, Hz.

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanBands.h"
#include "fan/FanFindings.h"
#include "fan/FanTypes.h"
#include "fan/ModelEval.h"

namespace blowden {

class TFan;
struct TIniSection;
class TIniFile;

// The A-weighting of IEC 61672 at the octave band centres, dB.
inline constexpr std::array<double, kBandCount> kAWeighting{-26.2, -16.1, -8.6, -3.2, 0, 1.2, 1.0, -1.1};

// A point's band sum may differ from its "Lw" by this much before the
// physics check warns.
inline constexpr double kBandSumTolerance = 1;  // dB

// "Lw63", "Lw125", ... "Lw8000".
std::string BandKey(std::size_t band);

// "Inlet", "Outlet", "Total"; "" for None.
std::string_view SoundKindName(TSoundKind kind);
// The kind a text names, without regard to case and blanks around it; an
// empty text gives None; a text that names no kind gives nothing.
//   "outlet" -> Outlet;  "" -> None;  "Duct" -> nothing
std::optional<TSoundKind> FindSoundKind(std::string_view text);

// Levels added by energy: 10 lg Σ 10^(Lᵢ/10). No level gives -infinity.
//   {80, 80} -> 83.01;  {90, 80} -> 90.41
double EnergySum(std::span<const double> levels);

// The A-weighted total of eight band levels: 10 lg Σ 10^((Lᵢ + Aᵢ)/10).
//   all eight at 80 dB -> 87.0 dB(A) (unweighted 89.0 dB)
double AWeightedSum(const std::array<double, kBandCount>& bands);

// The sound pressure level at `distance` (m) of a source of sound power
// `lw`, radiating into directivity `directivity`: Lw − 10 lg(4π r² / Q).
//   Lw 80, r 1.5 m, Q 2 -> 68.5
double PressureLevelAt(double lw, const TListener& listener);

// The ranges a listener may be given in: a distance above 0 up to
// kMaxDistance, a directivity from 1 (free field) to 8 (in a corner).
inline constexpr double kMaxDistance = 1000;  // m
inline constexpr double kMinDirectivity = 1;
inline constexpr double kMaxDirectivity = 8;
// The message for a distance or directivity out of range, or nothing:
//   (0, "0", " for --distance") -> "the distance must lie above 0 and at most 1000 m ('0' for --distance)"
std::optional<std::string> DistanceError(double distance, std::string_view shown,
                                         std::string_view place = {});
std::optional<std::string> DirectivityError(double directivity, std::string_view shown,
                                            std::string_view place = {});

// Reads Lw63 .. Lw8000 and "LwKind" of a model section into model.Bands;
// `catalogueKind` is the catalogue's "LwKind" as written, taken when the
// model gives none. Lists are read as written, one value per item.
void ReadModelBands(const TIniFile& ini, const TIniSection& section, std::string_view catalogueKind,
                    TFanModel& model);

// True when the model gives all eight bands, each with one value per tested
// flow, all of them numbers: only then are bands reported.
bool HasBands(const TFanModel& model);

// The energy sum of the bands at each tested point (a model that gives
// bands but no "Lw" takes these as its sound powers). Needs HasBands.
std::vector<double> BandSums(const TFanModel& model);

// The band lines of a model derived from `source` whose sound powers moved by
// `step` dB: each band moved likewise (as `step` is added to Lw, in long
// double), kept in `derived`.Bands, written "Lw63=..." one line each with
// `listText`, and "LwKind=" when the source's kind is known.
std::string DerivedBandLines(const TFanModel& source, long double step, TFanModel& derived,
                             std::string (*listText)(const std::vector<double>&));

// Verification of the band lists: each given list has one value per flow,
// all eight are given or none, and the problems reading found.
//   "Lw500 holds 7 value(s) for 9 flows"
//   "Octave bands must be given all eight or none (missing: Lw4000, Lw8000)"
void AppendBandErrors(const TFanModel& model, std::vector<std::string>& out);

// The physics check of the bands: a warning for each point whose band sum
// differs from its "Lw" by more than kBandSumTolerance.
std::vector<TFinding> BandFindings(const TFanModel& model);

// The sound of a selection at its operating point.
struct TSoundFigures {
  double Lw = 0;  // dB, the total sound power (the selection's SoundPower)
  // dB per band at the operating point; none without band data.
  std::optional<std::array<double, kBandCount>> Bands;
  std::optional<double> LwA;  // dB(A), from the bands; none without them
  // dB at Listener: A-weighted (from LwA) with bands, else unweighted from Lw.
  double Lp = 0;
  bool LpWeighted = false;
  TListener Listener;
  TSoundKind Kind = TSoundKind::None;
};

// The sound of a model at the located point its total sound power was
// computed for (at `speed`): each band interpolated along the curve where the
// total was, then + 50 lg(n / RefSpeed) + 20 lg(densityRatio),
// the total's own correction; `lw` is that total.
TSoundFigures SoundAtOperatingPoint(const TModelData& data, const TRefPoint& point, double lw, double speed,
                                    double densityRatio, const TListener& listener);

// "at 1.5 m, Q = 2": where a sound pressure level is given for.
std::string ListenerText(const TListener& listener);

// "dB(A)" for an A-weighted sound pressure level, "dB (unweighted)" for one
// from the total sound power.
std::string_view PressureLevelUnit(const TSoundFigures& sound);

// The selector's lines of the sound, beneath its results (tabs between
// label, value and unit): with bands "A-weighted Sound Power\t78.2\tdB(A)"
// and "Lp at 1.5 m, Q = 2\t66.7\tdB(A)"; without "Lp unweighted at 1.5 m,
// Q = 2\t80.2\tdB".
std::vector<std::string> SoundLines(const TSoundFigures& sound);

}  // namespace blowden
