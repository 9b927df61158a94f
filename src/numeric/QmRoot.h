#pragma once

#include <cstdint>
#include <functional>

namespace blowden {

// Function whose zero is sought.
using TRootFunc = std::function<double(double)>;

// Outcome of the last method of a TRoot.
enum TRootStatus : std::uint8_t {
  rsRunning = 0,        // never left after a method returns
  rsConverged = 4,      // a root was found: |f| <= Tol (Bracketed also: step below Tol)
  rsMaxIter = 8,        // the iteration limit was reached
  rsZeroStep = 11,      // Newton: slope 0 at the start; Secant: the two points coincide
  rsFlat = 14,          // Newton: f changed by less than 1e-20; Secant: secant slope below 1e-20
  rsNoSignChange = 17,  // Bracketed: the same sign at both ends
};

// One-variable root finder with three methods. Each method sets Status (and
// Iter); only rsConverged means the returned value is a root. Exceptions
// thrown by Func pass through.
//   x² - 2, Secant(1, 0.1)   -> 1.41421..., rsConverged
//   x² + 1, Bracketed(-1, 1) -> -1, rsNoSignChange
//   5 (constant), Newton(1)  -> 1, rsZeroStep
class TRoot {
 public:
  explicit TRoot(TRootFunc func) : Func(std::move(func)) {}

  void SetControl(int maxIter, double tol) {
    MaxIter = maxIter;
    Tol = tol;
  }

  // Forward-difference slope of Func at x with the step |x|·0.000344 (0.000344
  // at x = 0); leaves f(x) in FValue and the step really taken in Dx.
  double Slope(double x);

  // Newton's method from x0 whose inverse slope is then updated by secants.
  double Newton(double x0);

  // False position with the Illinois modification from x0 and x0 + h; the
  // two points need not bracket the root. FValue is not changed.
  double Secant(double x0, double h);

  // Newton-bisection hybrid inside [a, b] (either order) using the secant
  // slope through the bracket ends. No sign change: returns a, rsNoSignChange.
  double Bracketed(double a, double b);

  TRootFunc Func;
  double FValue = 0;  // last function value a method kept
  double Tol = 1e-6;  // |f| <= Tol is a root
  double Dx = 0.1;    // last step taken
  int MaxIter = 50;
  int Iter = 0;  // iterations done by the last method
  TRootStatus Status = rsRunning;
};

}  // namespace blowden
