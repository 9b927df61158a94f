#include "units/QmConv.h"

#include <array>
#include <string>

#include "base/Convert.h"

namespace blowden {
namespace {

// The unit lists. Several quantity types share one list; the order of every
// list is stored with the settings of the fields that use it. Labels are UTF-8.
constexpr std::array<TUnitDef, 5> List1 = {{
    {"m³/s", "cms", 1, "%0.3f", 0},
    {"m³/min", "cmm", 60, "%0.2f", 0},
    {"m³/hr", "cmh", 3600, "%0.0f", 0},
    {"l/s", "lpers", 1000, "%0.0f", 0},
    {"cfm", "ft3permin", 2118.8800032893155, "%0.2f", 0},
}};
constexpr std::array<TUnitDef, 3> List2 = {{
    {"l/s", "l/s", 1, "%0.1f", 0},
    {"m³/min", "m3/min", 0.06, "%0.2f", 0},
    {"cfm", "cfm", 2.1188800032893154, "%0.3f", 0},
}};
constexpr std::array<TUnitDef, 5> List3 = {{
    {"m³/s/m²", "m3/s/sqm", 1, "%0.3f", 0},
    {"m³/min/m²", "m3/min/sqm", 60, "%0.2f", 0},
    {"m³/hr/m²", "m3/hr/sqm", 3600, "%0.0f", 0},
    {"l/s/m²", "l/s/sqm", 1000, "%0.0f", 0},
    {"cfm/ft²", "cfm/sqft", 196.8503937007874, "%0.2f", 0},
}};
constexpr std::array<TUnitDef, 8> List4 = {{
    {"kPa", "kPa", 1, "%0.3f", 0},
    {"Pa", "Pa", 1000, "%0.0f", 0},
    {"Psi", "Psi", 0.1450376807894691, "%0.4f", 0},
    {"Bar", "Bar", 0.01, "%0.5f", 0},
    {"Atm", "Atm", 0.00986923, "%0.5f", 0},
    {"InchWg", "InchWg", 4.014630759755623, "%0.4f", 0},
    {"InchHg", "InchHg", 0.295, "%0.4f", 0},
    {"mHead", "mHead", 0.10197162129779283, "%0.4f", 0},
}};
constexpr std::array<TUnitDef, 2> List5 = {{
    {"m", "metres", 1, "%0.1f", 0},
    {"ft", "feet", 3.2808398950131235, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 3> List6 = {{
    {"rpm", "revpermin", 1, "%0.0f", 0},
    {"Rad/s", "Radpers", 0.10471975511965978, "%0.3f", 0},
    {"Rev/s", "revps", 0.016666666666666666, "%0.0f", 0},
}};
constexpr std::array<TUnitDef, 5> List7 = {{
    {"m²", "sqm", 1, "%0.1f", 0},
    {"cm²", "sqcm", 10000, "%0.1f", 0},
    {"mm²", "sqmm", 1000000, "%0.0f", 0},
    {"inch²", "sqinch", 1550.0031000062, "%0.2f", 0},
    {"ft²", "sqft", 10.763910416709722, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 4> List8 = {{
    {"g/s", "GramPerSec", 1, "%0.1f", 0},
    {"kg/s", "KGperSec", 0.001, "%0.4f", 0},
    {"kg/min", "kgpermin", 0.06, "%0.3f", 0},
    {"lb/hr", "lbperhr", 7.9366414386555935, "%0.3f", 0},
}};
constexpr std::array<TUnitDef, 4> List9 = {{
    {"kW/°C", "kWperdegC", 1, "%0.3f", 0},
    {"W/°C", "WperdegC", 1000, "%0.0f", 0},
    {"MBH/°F", "MBHperdegF", 1.8956339758268757, "%0.3f", 0},
    {"Btu/h°F", "BtuperhrdegF", 1895.6339758268755, "%0.0f", 0},
}};
constexpr std::array<TUnitDef, 4> List10 = {{
    {"kW/m·K", "kWpermK", 1, "%0.6g", 0},
    {"W/m·K", "WpermK", 1000, "%0.6g", 0},
    {"mW/m·K", "mWpermK", 1000000, "%0.6g", 0},
    {"Btu/hr·ft°F", "BtuperhrftdegF", 577.7, "%0.6g", 0},
}};
constexpr std::array<TUnitDef, 3> List11 = {{
    {"kg/m³", "kgperm3", 1, "%0.5g", 0},
    {"mg/L", "mgperl", 1000, "%0.1g", 0},
    {"lb/ft³", "lbperft3", 0.06242796057614461, "%0.4g", 0},
}};
constexpr std::array<TUnitDef, 5> List12 = {{
    {"m", "metres", 1, "%0.3f", 0},
    {"mm", "millimetres", 1000, "%0.0f", 0},
    {"inch", "inches", 39.37007874015748, "%0.2f", 0},
    {"1/8\"", "eighthsOfAnInch", 314.96062992125985, "%0.0f", 0},
    {"ft", "feet", 3.2808398950131235, "%0.3f", 0},
}};
constexpr std::array<TUnitDef, 5> List13 = {{
    {"kW", "kiloWatts", 1, "%0.3f", 0},
    {"W", "Watts", 1000, "%0.0f", 0},
    {"Btu/hr", "Btuperhr", 3412.141156488376, "%0.0f", 0},
    {"MBh", "Mega Btuperhr", 3.412141156488376, "%0.3f", 0},
    {"kcal/hr", "kcalperhr", 859.184, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 5> List14 = {{
    {"W/m²", "W/sqm", 1, "%0.1f", 0},
    {"kW/m²", "kW/sqm", 0.001, "%0.3f", 0},
    {"Btu/hr·ft²", "Btu/hrsqft", 0.31699828634688587, "%0.1f", 0},
    {"MBh/ft²", "MBh/sqft", 0.00031699828634688585, "%0.3f", 0},
    {"kcal/hr·ft²", "kcal/hrsqft", 0.07982080551936, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 5> List15 = {{
    {"kJ", "kJ", 1, "%0.3f", 0},
    {"J", "J", 1000, "%0.0f", 0},
    {"kW-hr", "kWhr", 0.0002777777777777778, "%0.5g", 0},
    {"W-hr", "Whr", 0.2777777777777778, "%0.5g", 0},
    {"Btu", "Btu", 0.9478169879134378, "%0.5g", 0},
}};
constexpr std::array<TUnitDef, 2> List16 = {{
    {"kJ/kg", "kJperkg", 1, "%0.1f", 0},
    {"Btu/lb", "Btuperlb", 0.4299226139294927, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 4> List17 = {{
    {"fpi", "fpi", 1, "%0.4f", 0},
    {"fin/mm", "fin/mm", 0.03937007874015748, "%0.5f", 0},
    {"fins/m", "fins/m", 39.37007874015748, "%0.3f", 0},
    {"fins/ft", "fins/ft", 12, "%0.3f", 0},
}};
constexpr std::array<TUnitDef, 3> List18 = {{
    {"kJ/kg/day", "kJperkgperday", 1, "%0.2f", 0},
    {"mW/kg", "mWperkg", 11.574074074074074, "%0.4f", 0},
    {"Btu/lb/day", "Btuperlbperday", 0.4299226139294927, "%0.2f", 0},
}};
constexpr std::array<TUnitDef, 2> List19 = {{
    {"W/m²°C", "W/sqmdegC", 1, "%0.5g", 0},
    {"Btu/hr·ft²°F", "Btu/hrsqftdegF", 0.17611835153222966, "%0.5g", 0},
}};
constexpr std::array<TUnitDef, 3> List20 = {{
    {"kg/kg", "kgperkg", 1, "%0.4f", 0},
    {"g/kg", "gperkg", 1000, "%0.2f", 0},
    {"gr/lb", "grperlb", 7000, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 2> List21 = {{
    {"m", "metres", 1, "%0.2f", 0},
    {"ft", "feet", 3.2808398950131235, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 5> List22 = {{
    {"m", "metres", 1, "%0.3f", 0},
    {"cm", "centimetres", 100, "%0.2f", 0},
    {"mm", "millimetres", 1000, "%0.1f", 0},
    {"inch", "inches", 39.37007874015748, "%0.2f", 0},
    {"ft", "feet", 3.2808398950131235, "%0.3f", 0},
}};
constexpr std::array<TUnitDef, 3> List23 = {{
    {"mm", "millimetres", 1, "%0.4f", 0},
    {"um", "micrometres", 1000, "%0.1f", 0},
    {"Thou\"", "Thousandths", 39.37007874015748, "%0.3f", 0},
}};
constexpr std::array<TUnitDef, 3> List24 = {{
    {"kg", "kg", 1, "%0.0f", 0},
    {"ton SI", "tonSI", 0.001, "%0.3f", 0},
    {"lb", "lb", 2.2046226218487757, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 2> List25 = {{
    {"g", "gram", 1, "%0.1f", 0},
    {"oz", "ounce", 0.035273961949580414, "%0.3f", 0},
}};
constexpr std::array<TUnitDef, 6> List26 = {{
    {"kg/s", "kgpers", 1, "%0.4f", 0},
    {"g/s", "gpers", 1000, "%0.1f", 0},
    {"kg/hr", "kgperhr", 3600, "%0.2f", 0},
    {"lb/s", "lbpers", 2.2046226218487757, "%0.5f", 0},
    {"lb/min", "lbpermin", 132.27735731092656, "%0.3f", 0},
    {"lb/hr", "lbperhr", 7936.6414386555925, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 6> List27 = {{
    {"kg/m²s", "kg/sqms", 1, "%0.3f", 0},
    {"g/m²s", "g/sqms", 1000, "%0.0f", 0},
    {"kg/m²hr", "kg/sqmhr", 3600, "%0.1f", 0},
    {"lb/ft²s", "lb/sqfts", 0.20481614362252168, "%0.4f", 0},
    {"lb/ft²min", "lb/sqftmin", 12.288968617351301, "%0.2f", 0},
    {"lb/ft²hr", "lb/sqfthr", 737.3381170410781, "%0.0f", 0},
}};
constexpr std::array<TUnitDef, 2> List28 = {{
    {"W/P", "W/P", 1, "%0.1f", 0},
    {"Btu/hr/P", "Btu/hr/P", 3.412141156488376, "%0.0f", 0},
}};
constexpr std::array<TUnitDef, 2> List29 = {{
    {"m²/P", "sqm/P", 1, "%0.1f", 0},
    {"ft²/P", "sqft/P", 10.763910416709722, "%0.2f", 0},
}};
constexpr std::array<TUnitDef, 3> List30 = {{
    {"kW", "kW", 1, "%0.3f", 0},
    {"W", "W", 1000, "%0.0f", 0},
    {"HP", "HP", 1.341021858656296, "%0.2f", 0},
}};
constexpr std::array<TUnitDef, 6> List31 = {{
    {"kPa", "kPa", 1, "%0.3f", 0},
    {"Psi", "Psi", 0.1450376807894691, "%0.4f", 0},
    {"Bar", "Bar", 0.01, "%0.5f", 0},
    {"Atm", "Atm", 0.00986923, "%0.5f", 0},
    {"InchHg", "InchHg", 0.295, "%0.4f", 0},
    {"mHead", "mHead", 0.10197162129779283, "%0.4f", 0},
}};
constexpr std::array<TUnitDef, 4> List32 = {{
    {"Pa/m", "Pa/m", 1, "%0.2f", 0},
    {"kPa/m", "kPa/m", 0.001, "%0.5f", 0},
    {"iwg/100'", "iwg/100'", 0.12236594555735139, "%0.4f", 0},
    {"Psi/ft", "Psi/ft", 4.4207485104630184e-05, "%0.6f", 0},
}};
constexpr std::array<TUnitDef, 3> List33 = {{
    {"fraction", "fraction", 1, "%0.3f", 0},
    {"%", "percent", 100, "%0.1f", 0},
    {"ratio", "ratio", 1, "%0.3f", 0},
}};
constexpr std::array<TUnitDef, 3> List34 = {{
    {"/sec", "per sec", 1, "%0.4f", 0},
    {"/min", "per min", 60, "%0.2f", 0},
    {"/hr", "per hr", 3600, "%0.0f", 0},
}};
constexpr std::array<TUnitDef, 2> List35 = {{
    {"kJ/kg·K", "kJperkgK", 1, "%0.4g", 0},
    {"Btu/lb°F", "BtuperlbdegF", 0.23883448770002388, "%0.4g", 0},
}};
constexpr std::array<TUnitDef, 2> List36 = {{
    {"m³/kg", "m3perkg", 1, "%0.3f", 0},
    {"ft³/lb", "ft3perlb", 16.018463373960138, "%0.3f", 0},
}};
constexpr std::array<TUnitDef, 3> List37 = {{
    {"°C", "degC", 1, "%0.1f", 0},
    {"°F", "degF", 1.8, "%0.1f", 32},
    {"K", "degK", 1, "%0.2f", 273.15},
}};
constexpr std::array<TUnitDef, 2> List38 = {{
    {"W-hr/m²°C", "W-hr/sqmdegC", 1, "%0.1f", 0},
    {"Btu/ft²°F", "Btu/sqftdegF", 0.17611835153222966, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 2> List39 = {{
    {"m²°C/W", "sqmdegCperW", 1, "%0.4f", 0},
    {"ft²·hr·°F/Btu", "sqfthrdegFperBtu", 5.678264134306047, "%0.3f", 0},
}};
constexpr std::array<TUnitDef, 3> List40 = {{
    {"sec", "sec", 1, "%0.0f", 0},
    {"min", "min", 0.016666666666666666, "%0.2f", 0},
    {"hr", "hr", 0.0002777777777777778, "%0.4f", 0},
}};
constexpr std::array<TUnitDef, 2> List41 = {{
    {"m/s", "mpers", 1, "%0.2f", 0},
    {"fpm", "ftpm", 196.8503937007874, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 7> List42 = {{
    {"kg/m·s", "kg/ms", 1, "%0.6g", 0},
    {"N·s/m²", "Ns/sqm", 1, "%0.6g", 0},
    {"µPa·s", "uPas", 1000000, "%0.6g", 0},
    {"cP", "cP", 1000, "%0.6g", 0},
    {"lbm/ft·s", "lbm/fts", 0.6719689751395068, "%0.6g", 0},
    {"lbf·s/ft²", "lbfs/sqft", 0.020885, "%0.6g", 0},
    {"lbf·hr/ft²", "lbfhr/sqft", 5.8014e-06, "%0.6g", 0},
}};
constexpr std::array<TUnitDef, 5> List43 = {{
    {"m³", "m3", 1, "%0.4f", 0},
    {"litre", "l", 1000, "%0.2f", 0},
    {"cc", "cc", 1000000, "%0.0f", 0},
    {"ft³", "ft3", 35.32, "%0.4f", 0},
    {"inch³", "inch3", 61023, "%0.1f", 0},
}};
constexpr std::array<TUnitDef, 4> List44 = {{
    {"kl", "kilolitre", 1, "%0.3f", 0},
    {"litre", "litre", 1000, "%0.5g", 0},
    {"IP Gal", "imperialgallon", 220, "%0.5g", 0},
    {"US Gal", "usgallon", 264.1720523581484, "%0.5g", 0},
}};
constexpr std::array<TUnitDef, 6> List45 = {{
    {"l/s", "lps", 1, "%0.3f", 0},
    {"l/min", "lpm", 60, "%0.2f", 0},
    {"dm³/hr", "dm3phr", 3600, "%0.2f", 0},
    {"m³/hr", "cmh", 3.6, "%0.2f", 0},
    {"m³/s", "cms", 0.001, "%0.4f", 0},
    {"usgpm", "usgpm", 15.850323141488905, "%0.1f", 0},
}};

struct TTypeDef {
  std::string_view Name;
  std::string_view Caption;
  std::span<const TUnitDef> Units;
};

constexpr std::array<TTypeDef, UnitsTypeCount> Types = {{
    {"utNone", "None", {}},
    {"utAirFlowPrim", "Air Flow - Primary", List1},
    {"utAirFlowSec", "Air Flow - Secondary", List1},
    {"utAirFlowSmall", "Air Flow - Small", List2},
    {"utAirFlowRate", "Air Flow Rate", List3},
    {"utAirPressDrop", "Air Pressure Drop", List4},
    {"utAltitude", "Altitude", List5},
    {"utAngularSpeed", "Angular Speed", List6},
    {"utArea", "Area", List7},
    {"utCondensateRate", "Condensate Rate", List8},
    {"utConductance", "Conductance", List9},
    {"utConductivity", "Conductivity", List10},
    {"utDensity", "Density", List11},
    {"utDiameter", "Diameter", List12},
    {"utDutyPrim", "Duty - Primary", List13},
    {"utDutySec", "Duty - Secondary", List13},
    {"utDutyRate", "Duty Rate", List14},
    {"utEnergy", "Energy", List15},
    {"utEnthalpy", "Enthalpy", List16},
    {"utFinDensity", "Fin Density", List17},
    {"utHeatOfRespir", "Heat of Respiration", List18},
    {"utHeatTransCoeff", "Heat Transfer Coefficient", List19},
    {"utHumidity", "Humidity", List20},
    {"utLengthBig", "Length - Big", List21},
    {"utLengthMeasure", "Length - Measurement", List22},
    {"utLengthPrim", "Length - Primary", List22},
    {"utLengthSec", "Length - Secondary", List22},
    {"utLengthSmall", "Length - Small", List23},
    {"utMass", "Mass", List24},
    {"utMassSmall", "Mass - Small", List25},
    {"utMassFlow", "MassFlow", List26},
    {"utMassFlowGas", "MassFlow - Refrig./Steam", List26},
    {"utMassFlux", "MassFlux", List27},
    {"utMetRate", "Metabolic Rate", List28},
    {"utPeopleDensity", "People Density", List29},
    {"utPower", "Power", List30},
    {"utPressure", "Pressure - Absolute or Gauge", List4},
    {"utPressureBar", "Pressure - Barometric", List31},
    {"utPressureSteam", "Pressure - Steam", List4},
    {"utPressureRateGas", "Pressure Rate - Gas", List32},
    {"utPressureRateLiquid", "Pressure Rate - Liquid", List32},
    {"utProportion", "Proportion", List33},
    {"utRate", "Rate", List34},
    {"utSpecificHeat", "Specific Heat", List35},
    {"utSpecificVol", "Specific Volume", List36},
    {"utTemperature", "Temperature", List37},
    {"utTemperatureChange", "Temperature Change", List37},
    {"utThermalCapacity", "Thermal Capacity", List38},
    {"utThermalResist", "Thermal Resistance", List39},
    {"utTime", "Time", List40},
    {"utVelocity", "Velocity", List41},
    {"utViscosity", "Viscosity", List42},
    {"utVolume", "Volume", List43},
    {"utVolumeFluid", "Fluid Volume", List44},
    {"utWaterFlow", "Water Flow", List45},
    {"utWaterPressDrop", "Water Pressure Drop", List4},
}};

bool IsKnownType(TUnitsType type) { return static_cast<int>(type) < UnitsTypeCount; }

// The unit of an index, the index forced into the list; nullptr for an empty list.
const TUnitDef* UnitAt(TUnitsType type, int index) {
  const std::span<const TUnitDef> units = GetUnitsList(type);
  if (units.empty()) return nullptr;
  if (index < 0) index = 0;
  if (index >= static_cast<int>(units.size())) index = static_cast<int>(units.size()) - 1;
  return &units[static_cast<std::size_t>(index)];
}

// Lower case, with "³" and "²" written as "3" and "2", so that "M3/HR" and
// "m³/hr" compare equal.
std::string FoldUnitText(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0xC2 && i + 1 < text.size()) {
      const unsigned char next = static_cast<unsigned char>(text[i + 1]);
      if (next == 0xB3 || next == 0xB2) {
        folded += next == 0xB3 ? '3' : '2';
        ++i;
        continue;
      }
    }
    folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
  }
  return folded;
}

}  // namespace

std::span<const TUnitDef> GetUnitsList(TUnitsType type) {
  if (!IsKnownType(type)) return {};
  return Types[type].Units;
}

int GetUnitsCount(TUnitsType type) { return static_cast<int>(GetUnitsList(type).size()); }

std::vector<std::string_view> GetUnitsLabels(TUnitsType type) {
  std::vector<std::string_view> labels;
  for (const TUnitDef& unit : GetUnitsList(type)) labels.push_back(unit.Label);
  return labels;
}

std::string GetUnitsLabelList(TUnitsType type) {
  std::string text;
  for (const TUnitDef& u : GetUnitsList(type)) {
    if (!text.empty()) text += ", ";
    text += u.Label;
  }
  return text;
}

std::string_view GetUnitsCaption(TUnitsType type) {
  return IsKnownType(type) ? Types[type].Caption : std::string_view();
}

std::string_view GetUnitsTypeName(TUnitsType type) {
  return IsKnownType(type) ? Types[type].Name : std::string_view();
}

std::optional<TUnitsType> FindUnitsType(std::string_view name) {
  for (std::size_t i = 0; i < Types.size(); ++i)
    if (SameText(Types[i].Name, name)) return static_cast<TUnitsType>(i);
  return std::nullopt;
}

std::string_view GetUnitsFormat(TUnitsType type, int index) {
  const TUnitDef* unit = UnitAt(type, index);
  return unit ? unit->Format : std::string_view("%0.1f");
}

std::string_view GetUnitsLabel(TUnitsType type, int index) {
  const TUnitDef* unit = UnitAt(type, index);
  return unit ? unit->Label : std::string_view();
}

TUnitsConversion GetUnitsConversion(TUnitsType type, int shown, int stored) {
  const TUnitDef* shownUnit = UnitAt(type, shown);
  const TUnitDef* storedUnit = UnitAt(type, stored);
  if (!shownUnit || !storedUnit) return {"%0.1f", 0.0, 1.0, {}};
  const double factor = shownUnit->Factor / storedUnit->Factor;
  // Offsets are relative to the reference unit; a value stored in another
  // unit of the list is first taken back to the reference unit. With the
  // reference unit stored (°C) this is simply the shown unit's offset.
  const double offset = type == utTemperature ? shownUnit->Offset - storedUnit->Offset * factor : 0.0;
  return {shownUnit->Format, offset, factor, shownUnit->Label};
}

int ClampUnitsIndex(TUnitsType type, int index) {
  if (type == utNone) return index;
  const int count = GetUnitsCount(type);
  if (index < 0 || count == 0) return 0;
  if (index > count - 1) return count - 1;
  return index;
}

std::optional<int> FindUnitsIndex(TUnitsType type, std::string_view text) {
  const std::span<const TUnitDef> units = GetUnitsList(type);
  const std::string wanted = FoldUnitText(Trim(text));
  if (wanted.empty()) return std::nullopt;
  // Labels first, then keys: a label is what the user sees.
  for (std::size_t i = 0; i < units.size(); ++i)
    if (FoldUnitText(units[i].Label) == wanted) return static_cast<int>(i);
  for (std::size_t i = 0; i < units.size(); ++i)
    if (FoldUnitText(units[i].Key) == wanted) return static_cast<int>(i);
  return std::nullopt;
}

}  // namespace blowden
