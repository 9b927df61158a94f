#pragma once

#include <string>
#include <string_view>

#include "fan/FanSelection.h"

namespace blowden {

// How a ranked candidate's figures are shown to people: as the fan
// selector's candidates table rounds them, with the unit in the column's
// caption. Figures are named by their CSV and JSON keys ("speed",
// "shaft_power"); CSV and JSON keep every digit.

// Decimals of a figure: speed 0, speed_margin 1, flow, static_pressure,
// total_pressure and shaft_power those of the unit's format (at least 2, 0
// and 2: m³/s 2, cfm 2, Pa 0, InchWg 4, kW 2), static_efficiency,
// efficiency, sound_power and stall_margin 1, bep_ratio 0. -1 for a key it
// does not know (a figure added later): FigureText writes 6 significant digits.
int FigureDecimals(std::string_view key, const TResultUnits& units);

// The decimals of flow, pressure and power in the result units: those of the
// unit's format, at least 2, 0 and 2. The one rule of every table.
int FlowDecimals(const TResultUnits& units);
int PressureDecimals(const TResultUnits& units);
int PowerDecimals(const TResultUnits& units);

// The figure as the table shows it: FigureText("speed", 905.129) -> "905";
// FigureText("efficiency", 46.7571) -> "46.8".
std::string FigureText(std::string_view key, double value, const TResultUnits& units);

// A figure's caption with its unit: "speed [rpm]", "flow [cfm]", "shaft
// power [kW]", "efficiency [%]", "sound power [dB]"; a key it does not know
// with blanks for "_" and no unit.
std::string FigureCaption(std::string_view key, const TResultUnits& units);

}  // namespace blowden
