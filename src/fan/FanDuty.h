#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "fan/FanAir.h"

namespace blowden {

// The parts of a duty as a user types them: on the command line, in a
// schedule's row or in the selector's fields.
enum TDutyField {
  dfFlow,
  dfFlowUnits,
  dfPressure,
  dfPressureUnits,
  dfPressureKind,
  dfDensity,
  dfDensityUnits,
  dfAltitude,
  dfAltitudeUnits,
  dfTemperature,
  dfTemperatureUnits,
  dfTolerance,
  dfCount
};

// A duty as text: each part's text (empty: not given) and where it was
// given, for the messages (" in column flow", " for --flow"; empty: nowhere
// to name).
struct TDutyText {
  std::array<std::string, dfCount> Values;
  std::array<std::string, dfCount> Places;
};

// Reads a duty, the one way every view reads one. Flow and pressure are
// required: flow above 0, pressure 0 or more, both finite after conversion.
// Units are labels or keys of the units catalogue in any case ("3" for "³");
// defaults m³/s, Pa, kg/m³, m and °C ("C" and "F" stand for °C and °F). The
// pressure kind is static (the default) or total in any case. The air is a
// density or an altitude and a temperature (either alone takes the other's
// default), never both. The tolerance is 0 to kMaxDutyTolerance % (default
// kDefaultDutyTolerance). False with `error`:
//   flow "0" in column flow -> "the flow must be above 0 ('0' in column flow)"
bool ParseDuty(const TDutyText& text, TDuty& duty, std::string& error);

// The rules on a duty's numbers alone (SI), for fields that hold numbers
// already; `flowText` / `pressureText` are how the values were shown.
// The message ParseDuty gives for the same values, or nothing.
std::optional<std::string> DutyValuesError(double flow, double pressure, std::string_view flowText,
                                           std::string_view pressureText, const TDutyText& places = {});

// The rule on a tolerance alone (%): the message ParseDuty gives, or nothing.
std::optional<std::string> ToleranceError(double tolerance, std::string_view shown,
                                          std::string_view place = {});

}  // namespace blowden
