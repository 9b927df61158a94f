#pragma once

#include <optional>
#include <string>

#include "fan/FanBands.h"
#include "fan/FanEnergy.h"

namespace blowden {

// Standard atmosphere at sea level and the gas constant of dry air.
inline constexpr double kSeaLevelPressure = 101325;   // Pa
inline constexpr double kDryAirGasConstant = 287.05;  // J/(kg·K)
inline constexpr double kZeroCelsius = 273.15;        // K
// The barometric formula holds in the troposphere only.
inline constexpr double kMaxAltitude = 11000;  // m
// What a site given by its altitude alone, or its temperature alone, assumes.
inline constexpr double kDefaultSiteTemperature = 20;  // °C
inline constexpr double kDefaultSiteAltitude = 0;      // m

// Barometric pressure of the standard atmosphere at an altitude (m):
// 101325 × (1 − 2.25577e-5 × h)^5.25588 Pa.
double BarometricPressure(double altitude);

// Density of dry air (kg/m³) at an altitude (m) and a temperature (°C).
double DryAirDensity(double altitude, double temperature);

// Whether the duty's pressure is the fan's static or its total pressure.
enum class TPressureKind { Static, Total };

// "static" or "total".
const char* PressureKindName(TPressureKind kind);

// The air at the fan: the catalogue's own (its "Density"), a density, or an
// altitude and a temperature.
struct TSiteAir {
  enum TSource { saCatalogue, saDensity, saAltitudeTemperature };
  TSource Source = saCatalogue;
  double Density = 0;                            // kg/m³, with Source saDensity
  double Altitude = kDefaultSiteAltitude;        // m, with Source saAltitudeTemperature
  double Temperature = kDefaultSiteTemperature;  // °C, with Source saAltitudeTemperature
};

// The site density for a catalogue tested at `referenceDensity`.
double SiteDensity(const TSiteAir& air, double referenceDensity);

// Why a site cannot be computed (a density not above 0, a temperature at or
// below absolute zero, an altitude outside -500 .. 11000 m), or nothing.
std::optional<std::string> SiteAirError(const TSiteAir& air);

// A duty: flow and pressure with the pressure's kind, at the site's air.
struct TDuty {
  double Flow = 0;      // m³/s
  double Pressure = 0;  // Pa, static or total as Kind says, at site air
  TPressureKind Kind = TPressureKind::Static;
  TSiteAir Air;
  // How far the operating flow may fall short of Flow, in % of Flow, before
  // the duty counts as not met (0: not at all).
  double Tolerance = 0;
  // The minimum FEI, motor margin and motor series of the energy figures.
  TEnergyOptions Energy = {};
  // Where the sound pressure level of the selection is given for.
  TListener Listener{};
};

// The duty carried to the catalogue's air, as the static pressure the fan
// must give there: a total duty loses the velocity pressure at the model's
// outlet (at site density), and the result is divided by the density ratio
// r = site / reference (pressures scale with density at a given speed).
//   1000 Pa static, r = 0.8 -> 1250 Pa at catalogue air
double ReferenceStaticPressure(const TDuty& duty, double siteDensity, double referenceDensity,
                               double outletArea);

}  // namespace blowden
