#include "fan/ModelFits.h"

#include <algorithm>
#include <cmath>

#include "numeric/Regress.h"

namespace blowden {

namespace {

constexpr TCurveSpec Specs[3] = {
    {3, "%0.4g", "Ps", "Ps vs Q", 0.1, 1.5},
    {3, "%0.4g", "Pw", "Pw vs Q", 0.5, 1.5},
    {2, "%0.2g", "Lw", "Lw vs Q", 0.9, 1.1},
};

const std::vector<double>& Values(const TFanModel& model, TCurveKind kind) {
  switch (kind) {
    case ckPower:
      return model.Pw;
    case ckSound:
      return model.Lw;
    case ckPressure:
      break;
  }
  return model.Ps;
}

std::size_t PointCount(const TFanModel& model, TCurveKind kind) {
  const std::size_t count = model.Count > 0 ? std::size_t(model.Count) : 0;
  return std::min({count, model.Qa.size(), Values(model, kind).size()});
}

}  // namespace

const TCurveSpec& CurveSpec(TCurveKind kind) { return Specs[kind]; }

std::span<const double> CurveValues(const TFanModel& model, TCurveKind kind) {
  return std::span<const double>(Values(model, kind)).first(PointCount(model, kind));
}

std::span<const double> CurveFlows(const TFanModel& model, TCurveKind kind) {
  return std::span<const double>(model.Qa).first(PointCount(model, kind));
}

TCurveFit FitCurve(const TFanModel& model, TCurveKind kind) {
  const TCurveSpec& spec = CurveSpec(kind);
  const auto x = CurveFlows(model, kind);
  const auto y = CurveValues(model, kind);
  TCurveFit fit;
  TFitStats stats;
  FitPolynomial(x, y, int(x.size()), spec.Order, fit.Coeffs, fit.ErrorCode, stats, fit.Summary);
  if (fit.Summary.empty()) fit.Summary = NoFitSummary;
  fit.Equation = PolyToStr(fit.Coeffs, spec.Format, spec.YName, "Q");
  if (!y.empty()) {
    const auto [low, high] = std::minmax_element(y.begin(), y.end());
    fit.HasLimits = true;
    fit.XMin = x.front();
    fit.XMax = x.back();
    fit.YMin = spec.LowFactor * *low;
    fit.YMax = spec.HighFactor * *high;
  }
  return fit;
}

int NearestPoint(std::span<const double> flows, int n, double x) {
  const int count = std::min(n, int(flows.size()));
  int nearest = 0;
  for (int i = 0; i < count; ++i)
    if (std::fabs(x - flows[std::size_t(i)]) < std::fabs(x - flows[std::size_t(nearest)])) nearest = i;
  return nearest;
}

}  // namespace blowden
