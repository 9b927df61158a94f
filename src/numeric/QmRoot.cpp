#include "numeric/QmRoot.h"

#include <cmath>

namespace blowden {

namespace {
// Smallest distance, slope or change in f that the methods treat as non-zero.
constexpr double kTiny = 1e-20;
}  // namespace

double TRoot::Slope(double x) {
  double h = std::fabs(x) * 0.000344;
  if (h == 0) h = 0.000344;
  const double xh = x + h;
  h = xh - x;  // the step the arithmetic really made
  Dx = h;
  FValue = Func(x);
  const double fh = Func(xh);
  return (fh - FValue) / h;
}

double TRoot::Newton(double x0) {
  Iter = 0;
  const double s = Slope(x0);
  if (std::fabs(FValue) <= Tol) {
    Status = rsConverged;
    return x0;
  }
  if (s == 0) {
    Status = rsZeroStep;
    return x0;
  }
  double g = 1 / s;  // inverse slope
  double x = x0;
  Status = rsRunning;
  while (Status == rsRunning) {
    const double fOld = FValue;
    Dx = -g * FValue;
    x += Dx;
    FValue = Func(x);
    const double df = FValue - fOld;
    if (std::fabs(df) < kTiny) {
      Status = rsFlat;
      break;
    }
    g += (Dx - g * df) / df;  // the inverse slope of the last secant
    if (std::fabs(FValue) <= Tol) Status = rsConverged;
    if (Iter >= MaxIter) Status = rsMaxIter;
    ++Iter;
  }
  return x;
}

double TRoot::Secant(double x0, double h) {
  Iter = 0;
  double f0 = Func(x0);
  if (std::fabs(f0) <= Tol) {
    Status = rsConverged;
    return x0;
  }
  Dx = h;
  double x1 = x0 + h;
  double f1 = Func(x1);
  Status = rsRunning;
  while (Status == rsRunning) {
    if (std::fabs(x1 - x0) <= kTiny) {
      Status = rsZeroStep;
      break;
    }
    const double s = (f1 - f0) / (x1 - x0);
    if (std::fabs(s) < kTiny) {
      Status = rsFlat;
      break;
    }
    const double x2 = x0 - f0 / s;
    const double f2 = Func(x2);
    if (std::fabs(f2) <= Tol) {
      Status = rsConverged;
      return x2;
    }
    if (f1 * f2 < 0) {
      x0 = x1;  // keep the pair that brackets the root
      f0 = f1;
    } else {
      f0 *= 0.5;  // Illinois: halve the retained value
    }
    x1 = x2;
    f1 = f2;
    ++Iter;
    if (Iter >= MaxIter) Status = rsMaxIter;
  }
  return x0;
}

double TRoot::Bracketed(double a, double b) {
  Iter = 0;
  const double fa = Func(a);
  if (std::fabs(fa) <= Tol) {
    Status = rsConverged;
    return a;
  }
  const double fb = Func(b);
  if (std::fabs(fb) <= Tol) {
    Status = rsConverged;
    return b;
  }
  if (fa * fb > 0) {
    Status = rsNoSignChange;
    return a;
  }
  // f is negative at lo and not negative at hi; lo may lie above hi.
  double lo, fLo, hi, fHi;
  if (fa < 0) {
    lo = a, fLo = fa, hi = b, fHi = fb;
  } else {
    lo = b, fLo = fb, hi = a, fHi = fa;
  }
  double x = (a + b) / 2;
  double dOld = std::fabs(b - a);
  Dx = dOld;
  double s = (fb - fa) / (b - a);
  FValue = Func(x);
  Status = rsRunning;
  while (Status == rsRunning) {
    if (((x - hi) * s - FValue) * ((x - lo) * s - FValue) > 0 ||
        std::fabs(2 * FValue) > std::fabs(dOld * s)) {
      // The secant step would leave the bracket or not halve: bisect.
      dOld = Dx;
      Dx = (hi - lo) / 2;
      x = lo + Dx;
      if (x == lo) Status = rsConverged;
    } else {
      dOld = Dx;
      Dx = FValue / s;
      const double xPrev = x;
      x -= Dx;
      if (x == xPrev) Status = rsConverged;
    }
    if (std::fabs(Dx) < Tol) Status = rsConverged;
    FValue = Func(x);
    if (FValue < 0) {
      lo = x;
      fLo = FValue;
    } else {
      hi = x;
      fHi = FValue;
    }
    s = (fHi - fLo) / (hi - lo);
    ++Iter;
    if (Iter >= MaxIter) Status = rsMaxIter;
  }
  return x;
}

}  // namespace blowden
