#pragma once

#include <string>
#include <vector>

#include "fan/ModelFits.h"

namespace blowden {

// The units in which the main window's plots and equations show a model:
// SI (m³/s, Pa, kW, dB, as the file holds them) or IP (cfm, InchWg, HP, dB).
enum TPlotUnits { puSI, puIP };

// One curve's axes in plot units: shown = SI value * factor, and the labels
// of the units, taken from the units catalogue.
//   (ckPressure, puIP) -> x 2118.88 "cfm", y 4.01463 / 1000 "InchWg"
//   (ckSound, puIP)    -> x 2118.88 "cfm", y 1 "dB"
struct TCurveUnits {
  double XFactor = 1;
  double YFactor = 1;
  std::string XLabel;
  std::string YLabel;
};
TCurveUnits CurveUnitsOf(TCurveKind kind, TPlotUnits units);

// The coefficients of y = sum c_k x^k for x and y shown with the factors
// fx and fy: c'_k = c_k * fy / fx^k, so that the curve is the same one.
//   {1, 2}, fx 2, fy 10 -> {10, 10}   (y = 1 + 2x  ->  10 y = 10 + 10 (2x))
std::vector<double> ScaleCoefficients(const std::vector<double>& coeffs, double fx, double fy);

}  // namespace blowden
