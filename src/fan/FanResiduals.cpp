#include "fan/FanResiduals.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Format.h"
#include "numeric/Regress.h"

namespace blowden {

const char* CurveUnit(TCurveKind kind) {
  switch (kind) {
    case ckPower:
      return "kW";
    case ckSound:
      return "dB";
    case ckPressure:
      break;
  }
  return "Pa";
}

TFitResiduals CurveResiduals(const TFanModel& model, TCurveKind kind, std::span<const double> coeffs,
                             int fitError) {
  TFitResiduals r;
  if (fitError != 0 || coeffs.empty()) return r;
  const auto flows = CurveFlows(model, kind);
  const auto values = CurveValues(model, kind);
  double largest = -1;
  for (std::size_t i = 0; i < flows.size(); ++i) {
    TPointResidual p;
    p.Flow = flows[i];
    p.Measured = values[i];
    p.Fitted = PolyValue(coeffs, p.Flow);
    p.Residual = p.Measured - p.Fitted;
    p.Percent =
        p.Measured != 0 ? 100 * p.Residual / std::fabs(p.Measured) : std::numeric_limits<double>::quiet_NaN();
    // A residual that is not a number (an overflowing fit) counts as the largest.
    const double size =
        std::isnan(p.Residual) ? std::numeric_limits<double>::infinity() : std::fabs(p.Residual);
    if (size > largest) {
      largest = size;
      r.Largest = static_cast<int>(i);
    }
    r.Points.push_back(p);
  }
  return r;
}

std::string LargestResidualText(const TFitResiduals& residuals, TCurveKind kind) {
  if (residuals.Largest < 0) return {};
  const TPointResidual& p = residuals.Points[static_cast<std::size_t>(residuals.Largest)];
  // Data that lie on the curve leave only the rounding of the fit.
  double scale = 0;
  for (const TPointResidual& q : residuals.Points) scale = std::max(scale, std::fabs(q.Measured));
  if (std::fabs(p.Residual) <= kRoundingResidual * scale) return "residuals zero to rounding";
  std::string text = "largest residual " + Format("%0.4g %s", {p.Residual, CurveUnit(kind)});
  if (!std::isnan(p.Percent)) text += Format(" (%0.2f %%)", {p.Percent});
  text += Format(" at point %d, Q %0.4g m³/s", {residuals.Largest + 1, p.Flow});
  return text;
}

}  // namespace blowden
