#include "fan/PlotUnits.h"

#include <cmath>

#include "units/QmConv.h"

namespace blowden {

namespace {

// Index of each IP unit in its list of the units catalogue.
constexpr int kCfm = 4;     // utAirFlowPrim
constexpr int kInchWg = 5;  // utAirPressDrop (stored unit 1, Pa)
constexpr int kHp = 2;      // utPower (stored unit 0, kW)

}  // namespace

TCurveUnits CurveUnitsOf(TCurveKind kind, TPlotUnits units) {
  TCurveUnits r;
  const bool ip = units == puIP;
  const TUnitsConversion flow = GetUnitsConversion(utAirFlowPrim, ip ? kCfm : 0, 0);
  r.XFactor = flow.Factor;
  r.XLabel = std::string(flow.Label);
  switch (kind) {
    case ckPressure: {
      const TUnitsConversion y = GetUnitsConversion(utAirPressDrop, ip ? kInchWg : 1, 1);
      r.YFactor = y.Factor;
      r.YLabel = std::string(y.Label);
      break;
    }
    case ckPower: {
      const TUnitsConversion y = GetUnitsConversion(utPower, ip ? kHp : 0, 0);
      r.YFactor = y.Factor;
      r.YLabel = std::string(y.Label);
      break;
    }
    case ckSound:
      r.YFactor = 1;
      r.YLabel = "dB";
      break;
  }
  return r;
}

std::vector<double> ScaleCoefficients(const std::vector<double>& coeffs, double fx, double fy) {
  std::vector<double> scaled(coeffs.size());
  double power = 1;  // fx^k
  for (std::size_t k = 0; k < coeffs.size(); ++k) {
    scaled[k] = coeffs[k] * fy / power;
    power *= fx;
  }
  return scaled;
}

}  // namespace blowden
