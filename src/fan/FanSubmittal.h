#pragma once

// The figures a submittal adds to an evaluated selection: the Fan Energy
// Index, the motor, the electrical power, tip speed and outlet velocity,
// their result lines and the verdict's rules on them.

#include <string>
#include <vector>

#include "fan/FanEnergy.h"
#include "fan/FanTypes.h"

namespace blowden {

struct TSelectionResult;
struct TResultUnits;
struct TVerdict;

// The largest shaft power (kW) along `speed` over the model's tested flows,
// at a density `ratio` times the catalogue's: max Pw × (n / RefSpeed)³ ×
// ratio (the curve is straight between test points, so its largest value
// is at one of them). 0 without data.
double MaxShaftPowerAtSpeed(const TFanModel& model, double speed, double ratio);
// The largest finite tested shaft power (kW) at reference speed; 0 without data.
double MaxTestedShaftPower(const TFanModel& model);

// Fills r.Energy for a selection evaluated with status, flow, pressures,
// shaft power, speed and density set (at site air; `ratio` = site density /
// catalogue density): FEI on the basis the catalogue's installation type
// gives, the fan's electrical power with its drive and motor (reference
// parts where not given), the motor choice with `options`' margin and
// series, and the electrical power drawn with that motor.
void AddEnergyFigures(const TFanHeader& header, const TFanModel& model, const TEnergyOptions& options,
                      double ratio, TSelectionResult& r);
// The same with the model's MaxTestedShaftPower already known.
void AddEnergyFigures(const TFanHeader& header, const TFanModel& model, const TEnergyOptions& options,
                      double ratio, double maxTested, TSelectionResult& r);

// The lines shown after the selector's extra lines, tabs between label,
// value and unit, in `units` (SI: m/s and kW; IP: ft/min and hp):
//   "Fan Energy Index (total)\t1.12\t", "Fan Electrical Power\t3.21\tkW",
//   "Motor Rating\t4\tkW", "Motor Efficiency\t88.6\t% (IE3 table)",
//   "Electrical Power\t3.45\tkW", "Tip Speed\t45.2\tm/s", "Outlet Velocity\t9.8\tm/s"
// None when the figures are not known.
std::vector<std::string> EnergyLines(const TSelectionResult& r, const TResultUnits& units);

// The verdict's rules on the energy figures: rejected below the minimum FEI
// ("FEI 0.87 below the minimum 1.00"); warned of a catalogue motor smaller
// than the largest shaft power along the speed with the margin, and of a
// power beyond the largest standard rating.
void JudgeEnergy(const TSelectionResult& r, TVerdict& v);

// "catalogue" or "IE3 table": where the motor's efficiency comes from.
const char* MotorSourceName(const TMotorChoice& motor);

}  // namespace blowden
