#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace blowden {

// The quantity types of the units catalogue. The ordinal is stored with the
// settings of a field, so the order is fixed.
enum TUnitsType : std::uint8_t {
  utNone,
  utAirFlowPrim,
  utAirFlowSec,
  utAirFlowSmall,
  utAirFlowRate,
  utAirPressDrop,
  utAltitude,
  utAngularSpeed,
  utArea,
  utCondensateRate,
  utConductance,
  utConductivity,
  utDensity,
  utDiameter,
  utDutyPrim,
  utDutySec,
  utDutyRate,
  utEnergy,
  utEnthalpy,
  utFinDensity,
  utHeatOfRespir,
  utHeatTransCoeff,
  utHumidity,
  utLengthBig,
  utLengthMeasure,
  utLengthPrim,
  utLengthSec,
  utLengthSmall,
  utMass,
  utMassSmall,
  utMassFlow,
  utMassFlowGas,
  utMassFlux,
  utMetRate,
  utPeopleDensity,
  utPower,
  utPressure,
  utPressureBar,
  utPressureSteam,
  utPressureRateGas,
  utPressureRateLiquid,
  utProportion,
  utRate,
  utSpecificHeat,
  utSpecificVol,
  utTemperature,
  utTemperatureChange,
  utThermalCapacity,
  utThermalResist,
  utTime,
  utVelocity,
  utViscosity,
  utVolume,
  utVolumeFluid,
  utWaterFlow,
  utWaterPressDrop,
};

inline constexpr int UnitsTypeCount = 56;

// One unit of a type's list. Factor: how many of this unit make one of the
// list's reference unit (index 0, factor 1). Offset is relative to the
// reference unit and is used by utTemperature only (°F: 32, K: 273.15).
// Texts are UTF-8 and point into the compiled-in tables.
struct TUnitDef {
  std::string_view Label;   // "m³/s"
  std::string_view Key;     // "cms"
  double Factor;            // 1
  std::string_view Format;  // "%0.3f"
  double Offset;            // 0
};

// The unit list of a type, in index order; empty for utNone (and for a value
// outside the enumeration). Views the constant tables, never a copy.
std::span<const TUnitDef> GetUnitsList(TUnitsType type);

// Number of units of a type (5 for utAirFlowPrim, 8 for utAirPressDrop, 0 for utNone).
int GetUnitsCount(TUnitsType type);

// The labels of a type in index order, for the unit chooser.
std::vector<std::string_view> GetUnitsLabels(TUnitsType type);
// The same labels as one text for a message: "m³/s, m³/h, cfm, ...".
std::string GetUnitsLabelList(TUnitsType type);

// Display name of a type: utAirFlowPrim -> "Air Flow - Primary".
std::string_view GetUnitsCaption(TUnitsType type);

// Identifier of a type as stored with a field: utAirFlowPrim -> "utAirFlowPrim".
std::string_view GetUnitsTypeName(TUnitsType type);

// The type with that identifier ("utAngularSpeed"), matched without regard to case.
std::optional<TUnitsType> FindUnitsType(std::string_view name);

// Default format of a unit: (utAirFlowPrim, 4) -> "%0.2f"; utNone -> "%0.1f".
// An index outside the list is taken as the nearest valid index.
std::string_view GetUnitsFormat(TUnitsType type, int index);

// Label of a unit: (utAirPressDrop, 5) -> "InchWg"; utNone -> "".
// An index outside the list is taken as the nearest valid index.
std::string_view GetUnitsLabel(TUnitsType type, int index);

// How a value stored in unit `stored` is shown in unit `shown`:
// shown value = stored value * Factor + Offset.
//   (utAirPressDrop, shown 5 "InchWg", stored 1 "Pa") -> Factor 4.0146.../1000, Offset 0
//   (utTemperature, shown 1 "°F", stored 0 "°C")      -> Factor 1.8, Offset 32
//   (utTemperatureChange, shown 1, stored 0)          -> Factor 1.8, Offset 0
//   utNone                                             -> Factor 1, Offset 0, "%0.1f", ""
struct TUnitsConversion {
  std::string_view Format;  // the shown unit's default format
  double Offset;
  double Factor;
  std::string_view Label;  // the shown unit's label
};
TUnitsConversion GetUnitsConversion(TUnitsType type, int shown, int stored);

// The index forced into the type's range: (utAirPressDrop, 9) -> 7;
// (utAngularSpeed, -1) -> 0; utNone returns the index unchanged (-3 -> -3).
int ClampUnitsIndex(TUnitsType type, int index);

// Stored value to shown value and back, with a conversion's factor and offset:
//   ToUnits(1.5, 2118.88..., 0) -> 3178.32 (m³/s shown in cfm)
constexpr double ToUnits(double value, double factor, double offset) { return value * factor + offset; }
constexpr double FromUnits(double value, double factor, double offset) { return (value - offset) / factor; }

// The index of the unit whose label or key is `text`, for units given on a
// command line. Case does not matter and "3" / "2" may stand for "³" / "²":
//   (utAirFlowPrim, "cfm") -> 4;  (utAirFlowPrim, "m3/hr") -> 2;
//   (utAirPressDrop, "PA") -> 1;  (utAirPressDrop, "furlong") -> nullopt.
// A label match wins over a key match.
std::optional<int> FindUnitsIndex(TUnitsType type, std::string_view text);

}  // namespace blowden
