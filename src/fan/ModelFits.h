#pragma once

#include <span>
#include <string>
#include <vector>

#include "fan/FanTypes.h"

namespace blowden {

// The three curves of a fan model that the main window's model view fits and
// plots, and that blowden-cli show reports.
enum TCurveKind { ckPressure, ckPower, ckSound };

// How one curve is fitted, written and scaled.
struct TCurveSpec {
  int Order;            // polynomial order asked for
  const char* Format;   // number format of the equation
  const char* YName;    // left-hand side of the equation
  const char* Caption;  // plot title after a fit
  double LowFactor;     // y from LowFactor * smallest value ...
  double HighFactor;    // ... to HighFactor * largest value
};

//   ckPressure: order 3, "%0.4g", "Ps", "Ps vs Q", 0.1 .. 1.5
//   ckPower:    order 3, "%0.4g", "Pw", "Pw vs Q", 0.5 .. 1.5
//   ckSound:    order 2, "%0.2g", "Lw", "Lw vs Q", 0.9 .. 1.1
const TCurveSpec& CurveSpec(TCurveKind kind);

// The measured values of a curve (Ps, Pw or Lw), limited to the model's
// Count points and to the flows there are.
std::span<const double> CurveValues(const TFanModel& model, TCurveKind kind);
// The flows that go with them (the first n of Qa, n = CurveValues' size).
std::span<const double> CurveFlows(const TFanModel& model, TCurveKind kind);

// One fitted curve as the model view shows it.
struct TCurveFit {
  std::vector<double> Coeffs;  // c0, c1, ... (constant term first)
  int ErrorCode = 0;           // 0, or -1 when no polynomial could be fitted
  std::string Summary;         // "order=3, points=8, r²=0.9987"
  std::string Equation;        // "Ps = 512.3 - 12.06 Q + 0.5 Q² - 0.00012 Q³"
  bool HasLimits = false;      // false: no point, the plot keeps its limits
  double XMin = 0, XMax = 10, YMin = 0, YMax = 10;
};

// Summary shown when the fit gives none (singular normal equations, or
// fewer than two points).
inline constexpr const char* NoFitSummary = "No curve fitted: the flows do not define one";

// Fits the curve of the model: FitPolynomial of the curve's order over the
// points, its summary (NoFitSummary when it gives none), PolyToStr of the
// coefficients with "Q" as x name, and the plot window: x from the first
// to the last flow, y from LowFactor times the smallest to HighFactor
// times the largest value.
//   Ps = {400, 300, 150} over Qa = {1, 2, 3}: x 1 .. 3, y 15 .. 600
TCurveFit FitCurve(const TFanModel& model, TCurveKind kind);

// Index of the flow nearest x among the first n flows; ties keep the lower
// index; no flow gives 0.
//   {1, 2, 3}, x = 1.5 -> 0;  x = 2.6 -> 2;  x = -5 -> 0;  x = 99 -> 2
int NearestPoint(std::span<const double> flows, int n, double x);

}  // namespace blowden
