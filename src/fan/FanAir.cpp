#include "fan/FanAir.h"

#include <cmath>

#include "base/Format.h"

namespace blowden {

namespace {
// The barometric formula's constants for the standard atmosphere.
constexpr double kLapseFactor = 2.25577e-5;  // 1/m
constexpr double kExponent = 5.25588;
// Lowest altitude accepted (the shore of the Dead Sea lies at -430 m).
constexpr double kMinAltitude = -500;  // m
}  // namespace

double BarometricPressure(double altitude) {
  return kSeaLevelPressure * std::pow(1 - kLapseFactor * altitude, kExponent);
}

double DryAirDensity(double altitude, double temperature) {
  return BarometricPressure(altitude) / (kDryAirGasConstant * (temperature + kZeroCelsius));
}

const char* PressureKindName(TPressureKind kind) { return kind == TPressureKind::Total ? "total" : "static"; }

double SiteDensity(const TSiteAir& air, double referenceDensity) {
  switch (air.Source) {
    case TSiteAir::saDensity:
      return air.Density;
    case TSiteAir::saAltitudeTemperature:
      return DryAirDensity(air.Altitude, air.Temperature);
    case TSiteAir::saCatalogue:
      break;
  }
  return referenceDensity;
}

std::optional<std::string> SiteAirError(const TSiteAir& air) {
  switch (air.Source) {
    case TSiteAir::saDensity:
      if (!(air.Density > 0) || !std::isfinite(air.Density))
        return Format("The air density must be above 0 kg/m³ (%g given)", {air.Density});
      break;
    case TSiteAir::saAltitudeTemperature:
      if (!(air.Altitude >= kMinAltitude && air.Altitude <= kMaxAltitude))
        return Format("The altitude must lie between -500 m and 11000 m (%g m given)", {air.Altitude});
      if (!(air.Temperature > -kZeroCelsius) || !std::isfinite(air.Temperature))
        return Format("The temperature must lie above absolute zero, -273.15 °C (%g °C given)",
                      {air.Temperature});
      break;
    case TSiteAir::saCatalogue:
      break;
  }
  return std::nullopt;
}

double ReferenceStaticPressure(const TDuty& duty, double siteDensity, double referenceDensity,
                               double outletArea) {
  double staticAtSite = duty.Pressure;
  if (duty.Kind == TPressureKind::Total && outletArea > 0) {
    const double v = duty.Flow / outletArea;
    staticAtSite -= 0.5 * siteDensity * v * v;
  }
  return staticAtSite * referenceDensity / siteDensity;
}

}  // namespace blowden
