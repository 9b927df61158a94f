#include "fan/FanCurves.h"

#include <algorithm>
#include <cmath>

#include "fan/QmFan.h"

namespace blowden {

double TotalEfficiency(double flow, double totalPressure, double power) {
  if (!(power > 0)) return 0;
  // Q [m³/s] × Pt [Pa] is watts; the power is in kW.
  return 0.1 * flow * totalPressure / power;
}

TPowerCurves OperatingPowerCurves(TFan& fan, double speed, double densityRatio, int points) {
  TPowerCurves curves;
  const TFanModel& m = fan.Model();
  const std::size_t n = std::min({static_cast<std::size_t>(std::max(m.Count, 0)), m.Qa.size(), m.Pw.size()});
  if (!(speed > 0) || m.RefSpeed <= 0 || n < 2 || points < 2 || !std::isfinite(densityRatio)) return curves;
  const double lo = *std::min_element(m.Qa.begin(), m.Qa.begin() + static_cast<std::ptrdiff_t>(n));
  const double hi = *std::max_element(m.Qa.begin(), m.Qa.begin() + static_cast<std::ptrdiff_t>(n));
  if (!(lo < hi)) return curves;
  const double r = speed / m.RefSpeed;
  const double siteDensity = fan.Header().Density * densityRatio;
  const double area = fan.OutletArea();
  for (int k = 0; k < points; ++k) {
    const double qRef = lo + (hi - lo) * k / (points - 1);
    const double q = qRef * r;
    fan.SetOperatingPoint(q, speed);
    const double ps = fan.PressureAtSpeed(speed) * densityRatio;
    const double v = area > 0 ? q / area : 0;
    const double pt = ps + 0.5 * siteDensity * v * v;
    const double pw = fan.ShaftPower(speed) * densityRatio;
    curves.Flow.push_back(q);
    curves.Power.push_back(pw);
    curves.Efficiency.push_back(TotalEfficiency(q, pt, pw));
  }
  return curves;
}

}  // namespace blowden
