#pragma once

#include <string>
#include <vector>

#include "fan/FanTypes.h"

namespace blowden {

// The bounds within which fan data can describe a real fan. Values beyond
// the hard bounds are typing errors or overflow and fail verification; the
// plausibility ranges only raise a warning in the physics check.

// Hard bounds of the verification (SI units).
inline constexpr double kMaxFlowBound = 1e4;      // m³/s, largest tested flow
inline constexpr double kMaxPressureBound = 1e6;  // Pa, magnitude of a static or total pressure
inline constexpr double kMaxPowerBound = 1e5;     // kW, shaft power
inline constexpr double kMinSoundBound = 0;       // dB, sound power level
inline constexpr double kMaxSoundBound = 200;     // dB
inline constexpr int kMaxSpeedBound = 100000;     // rpm, any speed of a model
inline constexpr double kMaxSizeBound = 50;       // m, impeller diameter and outlet sides
inline constexpr double kMinDensityBound = 0.01;  // kg/m³, the catalogue's test density
inline constexpr double kMaxDensityBound = 100;   // kg/m³

// Plausibility ranges of the physics check.
inline constexpr double kMinTestDensity = 0.9;  // kg/m³: test air is near 1.2
inline constexpr double kMaxTestDensity = 1.3;  // kg/m³
// Pressure coefficient psi = pt / (rho u²), u the impeller's tip speed at the
// reference speed: real fans stay below about 1.3.
inline constexpr double kMaxPressureCoefficient = 1.5;
// Specific sound level Lw - 10 lg(Q / 1 m³/s) - 20 lg(pt / 1 Pa): real fans
// lie between about 25 and 50 dB. Judged only where pt is at least
// kSpecificSoundPressureShare of the model's highest total pressure (near free
// delivery the figure has no meaning).
inline constexpr double kMinSpecificSound = 20;  // dB
inline constexpr double kMaxSpecificSound = 55;  // dB
inline constexpr double kSpecificSoundPressureShare = 0.1;
// Tip speed pi D n / 60 at MaxSpeed; a catalogue may set its own limit with
// the "MaxTipSpeed" key of its "Catalog" section.
inline constexpr double kMaxTipSpeed = 150;  // m/s

// The outlet area of a model as the reader computes it (m²): width × height,
// a circle of the one side given when the other is 0, 0 without either.
double ModelOutletArea(const TFanModel& model);

// Tip speed of the impeller at `speed` (m/s): pi D n / 60.
double TipSpeed(const TFanModel& model, double speed);

// The verification of one model, as TFan::Verify reports it (messages
// without the "Range (Model)  " prefix), in report order: the twelve rules,
// then why the read did not end "Ready" (`readStatus`, `readProblem`), the
// speeds and diameter, then the data's usability (DataErrors). The lists are
// judged only when `readComplete` (a read that stopped early holds the lists
// of an earlier model).
std::vector<std::string> VerifyModelData(const TFanHeader& header, const TFanModel& model, int readStatus,
                                         const std::string& readProblem, bool readComplete);

// What makes a model read to the end unusable for any result: the test
// density not finite or not above 0 (or beyond its bounds), flows that
// repeat or are all 0, no positive static pressure, a shaft power not above
// 0, a value that is not finite or lies beyond the hard bounds above. One
// message per kind, naming the first point at fault (1-based).
std::vector<std::string> DataErrors(const TFanHeader& header, const TFanModel& model);

}  // namespace blowden
