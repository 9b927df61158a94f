#include "base/StepRound.h"

#include <cmath>

namespace blowden {

double CeilToStep(double X, double Step, double Tol) {
  if (Step == 0 || !std::isfinite(X / Step)) return X;
  double q = X / Step;
  const double f = q - std::trunc(q);
  if (f >= 0 && std::fabs(f) > std::fabs(Tol)) q += 1;
  return std::trunc(q) * Step;
}

double FloorToStep(double X, double Step, double Tol) {
  if (Step == 0 || !std::isfinite(X / Step)) return X;
  double q = X / Step;
  const double f = q - std::trunc(q);
  if (f <= 0 && std::fabs(f) > std::fabs(Tol)) q -= 1;
  return std::trunc(q) * Step;
}

void WidenRange(double& min, double& max) {
  if (min != max) return;
  if (min == 0) {
    min = 0;
    max = 1;
    return;
  }
  const double a = min * 0.5, b = min * 1.5;
  min = std::fmin(a, b);
  max = std::fmax(a, b);
}

}  // namespace blowden
