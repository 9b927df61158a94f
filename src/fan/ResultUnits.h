#pragma once

namespace blowden {

// The units the results are shown in, as indexes of the units catalogue's
// lists: flow in utAirFlowPrim, pressure in utAirPressDrop, power in utPower.
// The default, SI, gives the result lines exactly as they always read.
struct TResultUnits {
  static constexpr int kSIFlow = 0;      // m³/s
  static constexpr int kSIPressure = 1;  // Pa
  static constexpr int kSIPower = 0;     // kW
  static constexpr int kIPFlow = 4;      // cfm
  static constexpr int kIPPressure = 5;  // InchWg
  static constexpr int kIPPower = 2;     // HP
  int Flow = kSIFlow;
  int Pressure = kSIPressure;
  int Power = kSIPower;
  static TResultUnits IP() { return {kIPFlow, kIPPressure, kIPPower}; }
  bool operator==(const TResultUnits&) const = default;
};

}  // namespace blowden
