#include "fan/FigureText.h"

#include <algorithm>
#include <array>

#include "base/Format.h"
#include "units/QmConv.h"

namespace blowden {

namespace {

// Decimals of a unit's format ("%0.2f" -> 2); at least `least`.
int UnitDecimals(TUnitsType type, int index, int least) {
  const std::string_view format = GetUnitsFormat(type, index);
  const auto dot = format.find('.');
  int decimals = least;
  if (dot != std::string_view::npos && dot + 1 < format.size() && format[dot + 1] >= '0' &&
      format[dot + 1] <= '9')
    decimals = format[dot + 1] - '0';
  return std::max(decimals, least);
}

enum TFigureUnit { fuNone, fuRpm, fuPercent, fuFlow, fuPressure, fuPower, fuDecibel, fuDecibelA };

struct TFigureRule {
  std::string_view Key;
  std::string_view Caption;
  TFigureUnit Unit;
  int Decimals;  // -1: the unit's format
};

constexpr std::array<TFigureRule, 16> kRules = {{
    {"speed", "speed", fuRpm, 0},
    {"speed_margin", "speed margin", fuPercent, 1},
    {"flow", "flow", fuFlow, -1},
    {"static_pressure", "static pressure", fuPressure, -1},
    {"total_pressure", "total pressure", fuPressure, -1},
    {"shaft_power", "shaft power", fuPower, -1},
    {"static_efficiency", "static efficiency", fuPercent, 1},
    {"efficiency", "efficiency", fuPercent, 1},
    {"sound_power", "sound power", fuDecibel, 1},
    {"stall_margin", "stall margin", fuPercent, 1},
    {"bep_ratio", "BEP ratio", fuPercent, 0},
    {"fei", "FEI", fuNone, 2},
    {"motor_rating", "motor", fuPower, -1},
    {"electrical_power", "electrical power", fuPower, -1},
    {"lwa", "LwA", fuDecibelA, 1},
    // A-weighted when the model has octave bands, else from the unweighted total.
    {"lp", "Lp", fuDecibel, 1},
}};

const TFigureRule* FindRule(std::string_view key) {
  const auto it =
      std::find_if(kRules.begin(), kRules.end(), [&](const TFigureRule& r) { return r.Key == key; });
  return it == kRules.end() ? nullptr : &*it;
}

}  // namespace

int FlowDecimals(const TResultUnits& units) { return UnitDecimals(utAirFlowPrim, units.Flow, 2); }
int PressureDecimals(const TResultUnits& units) { return UnitDecimals(utAirPressDrop, units.Pressure, 0); }
int PowerDecimals(const TResultUnits& units) { return UnitDecimals(utPower, units.Power, 2); }

int FigureDecimals(std::string_view key, const TResultUnits& units) {
  const TFigureRule* rule = FindRule(key);
  if (!rule) return -1;
  if (rule->Decimals >= 0) return rule->Decimals;
  switch (rule->Unit) {
    case fuFlow:
      return FlowDecimals(units);
    case fuPressure:
      return PressureDecimals(units);
    case fuPower:
      return PowerDecimals(units);
    default:
      return 1;
  }
}

std::string FigureText(std::string_view key, double value, const TResultUnits& units) {
  const int decimals = FigureDecimals(key, units);
  return decimals < 0 ? Format("%0.6g", {value}) : FormatFixed(value, decimals);
}

std::string FigureCaption(std::string_view key, const TResultUnits& units) {
  const TFigureRule* rule = FindRule(key);
  if (!rule) {
    std::string caption(key);
    std::replace(caption.begin(), caption.end(), '_', ' ');
    return caption;
  }
  std::string_view unit;
  switch (rule->Unit) {
    case fuNone:
      return std::string(rule->Caption);
    case fuRpm:
      unit = "rpm";
      break;
    case fuPercent:
      unit = "%";
      break;
    case fuFlow:
      unit = FlowUnitLabel(units);
      break;
    case fuPressure:
      unit = PressureUnitLabel(units);
      break;
    case fuPower:
      unit = PowerUnitLabel(units);
      break;
    case fuDecibel:
      unit = "dB";
      break;
    case fuDecibelA:
      unit = "dB(A)";
      break;
  }
  return std::string(rule->Caption) + " [" + std::string(unit) + "]";
}

}  // namespace blowden
