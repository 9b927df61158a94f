#pragma once

namespace blowden {

// Rounding to a multiple of a step, used for chart windows and tick steps.
// q := X / Step and f := its fractional part (with the sign of q). CeilToStep
// adds 1 to q when f >= 0 and |f| > |Tol|; FloorToStep subtracts 1 when
// f <= 0 and |f| > |Tol|; the result is q truncated toward zero, times Step.
// With Tol 0 they give the nearest multiple at or above / at or below X:
//   CeilToStep(0.3, 0.25, 0)  -> 0.5     FloorToStep(0.3, 0.25, 0)  -> 0.25
//   CeilToStep(-0.3, 0.25, 0) -> -0.25   FloorToStep(-0.3, 0.25, 0) -> -0.5
//   CeilToStep(0.75, 0.25, 0) -> 0.75    (a multiple stays)
// A zero step gives X unchanged.
double CeilToStep(double X, double Step, double Tol);
double FloorToStep(double X, double Step, double Tol);

// The chart window's rule for a pair of limits: an empty range v .. v
// becomes 0 .. 1 for v = 0, otherwise the range between v * 0.5 and v * 1.5
// in increasing order; any other pair stays as it is.
//   (2, 2) -> (1, 3);  (-2, -2) -> (-3, -1);  (0, 0) -> (0, 1);  (3, 1) -> (3, 1)
void WidenRange(double& min, double& max);

}  // namespace blowden
