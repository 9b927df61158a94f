#pragma once

#include <span>
#include <string>
#include <vector>

#include "fan/ModelFits.h"

namespace blowden {

// How far a fitted curve misses each tested point.
struct TPointResidual {
  double Flow = 0;      // m³/s
  double Measured = 0;  // the tested value (Pa, kW or dB)
  double Fitted = 0;    // the fitted polynomial at the flow
  double Residual = 0;  // Measured - Fitted
  double Percent = 0;   // 100 × Residual / |Measured|; NaN when Measured is 0
};

struct TFitResiduals {
  std::vector<TPointResidual> Points;  // every tested point of the curve; empty without a fit
  int Largest = -1;                    // index of the largest |Residual|, -1 without points
};

// The unit of a curve's values: "Pa", "kW", "dB".
const char* CurveUnit(TCurveKind kind);

// The residuals of a curve's fit (coefficients constant term first) at the
// curve's points (CurveFlows, CurveValues). A failed fit (fitError not 0, or
// no coefficients) gives none.
//   Ps = {400, 300, 150} at Qa = {1, 2, 3}, coeffs {500, -100}: residuals 0, 0, -150
TFitResiduals CurveResiduals(const TFanModel& model, TCurveKind kind, std::span<const double> coeffs,
                             int fitError);

// A residual at most this share of the largest tested value is the fit's
// rounding: the data lie on the curve.
inline constexpr double kRoundingResidual = 1e-9;

// The largest residual as the model view names it after the fit's summary:
//   "largest residual -12.35 Pa (-1.82 %) at point 4, Q 1.2 m³/s"
// ("%" left out for a tested value of 0); "residuals zero to rounding" when
// it is within kRoundingResidual of the largest tested value; empty
// without points.
std::string LargestResidualText(const TFitResiduals& residuals, TCurveKind kind);

}  // namespace blowden
