#pragma once

#include <vector>

#include "fan/FanTypes.h"

namespace blowden {

// Shaft power and total efficiency of the current model against flow at one
// speed and air, from its test data at reference speed by the fan laws:
// Q ∝ n, pressures ∝ n², power ∝ n³, pressures and power × the density
// ratio (site / catalogue); the velocity pressure at the outlet uses the
// site density. Efficiency = Q × Pt / Pw, in %.
struct TPowerCurves {
  std::vector<double> Flow;        // m³/s
  std::vector<double> Power;       // kW
  std::vector<double> Efficiency;  // %, 0 where the power is not above 0
};

// `points` flows evenly over the model's tested flow span carried to
// `speed`. Empty for a speed not above 0, a model without a reference
// speed, fewer than 2 test points or fewer than 2 `points`. Moves the fan's
// current point (SetOperatingPoint).
TPowerCurves OperatingPowerCurves(TFan& fan, double speed, double densityRatio, int points = 41);

// The total efficiency in % of a flow (m³/s), total pressure (Pa) and shaft
// power (kW); 0 when the power is not above 0.
double TotalEfficiency(double flow, double totalPressure, double power);

}  // namespace blowden
