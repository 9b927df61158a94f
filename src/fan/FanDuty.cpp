#include "fan/FanDuty.h"

#include <cmath>
#include <tuple>

#include "base/Convert.h"
#include "base/Format.h"
#include "fan/FanVerdict.h"
#include "units/QmConv.h"

namespace blowden {

namespace {

// The stored unit of each quantity: the first of its list, except pressure (Pa).
constexpr int kFlowStored = 0;         // m³/s
constexpr int kPressureStored = 1;     // Pa
constexpr int kDensityStored = 0;      // kg/m³
constexpr int kAltitudeStored = 0;     // m
constexpr int kTemperatureStored = 0;  // °C

class TReader {
 public:
  explicit TReader(const TDutyText& text) : FText(text) {}

  std::string_view Value(TDutyField f) const { return Trim(FText.Values[f]); }
  bool Given(TDutyField f) const { return !Value(f).empty(); }
  const std::string& Place(TDutyField f) const { return FText.Places[f]; }

  std::optional<double> Number(TDutyField f, std::string& error) const {
    const std::string_view text = Value(f);
    if (text.empty()) {
      error = Format("no value%s", {Place(f)});
      return std::nullopt;
    }
    double value = 0;
    if (!TryStrToFloat(text, value) || !std::isfinite(value)) {
      error = Format("'%s' is not a valid floating point value%s", {std::string(text), Place(f)});
      return std::nullopt;
    }
    return value;
  }

  // The unit named in `unitField` (its default when not given).
  std::optional<int> Unit(TDutyField unitField, TUnitsType type, int stored, const char* what,
                          std::string& error) const {
    const std::string_view text = Value(unitField);
    if (text.empty()) return stored;
    std::optional<int> index = FindUnitsIndex(type, text);
    // "C" and "F" for the degrees a command line cannot easily type.
    if (!index && type == utTemperature && text.size() == 1)
      index = FindUnitsIndex(type, "°" + std::string(text));
    if (!index)
      error = Format("unknown %s unit '%s'%s (known: %s)",
                     {std::string(what), std::string(text), Place(unitField), GetUnitsLabelList(type)});
    return index;
  }

  // A number of `f` in the units of `unitField`, converted to the stored unit.
  std::optional<double> Stored(TDutyField f, TDutyField unitField, TUnitsType type, int stored,
                               const char* what, std::string& error) const {
    const std::optional<double> value = Number(f, error);
    if (!value) return std::nullopt;
    const std::optional<int> shown = Unit(unitField, type, stored, what, error);
    if (!shown) return std::nullopt;
    const TUnitsConversion conv = GetUnitsConversion(type, *shown, stored);
    const double result = FromUnits(*value, conv.Factor, conv.Offset);
    if (!std::isfinite(result)) {
      error = Format("'%s' %s lies beyond the range of a number%s",
                     {std::string(Value(f)), std::string(GetUnitsLabel(type, *shown)), Place(f)});
      return std::nullopt;
    }
    return result;
  }

 private:
  const TDutyText& FText;
};

}  // namespace

std::optional<std::string> DutyValuesError(double flow, double pressure, std::string_view flowText,
                                           std::string_view pressureText, const TDutyText& places) {
  if (!std::isfinite(flow) || !(flow > 0))
    return Format("the flow must be above 0 ('%s'%s)", {std::string(flowText), places.Places[dfFlow]});
  if (!std::isfinite(pressure) || pressure < 0)
    return Format("the pressure must not be negative ('%s'%s)",
                  {std::string(pressureText), places.Places[dfPressure]});
  return std::nullopt;
}

std::optional<std::string> ToleranceError(double tolerance, std::string_view shown, std::string_view place) {
  if (std::isfinite(tolerance) && tolerance >= 0 && tolerance <= kMaxDutyTolerance) return std::nullopt;
  return Format("the tolerance must lie between 0 and %g %% of the duty flow ('%s'%s)",
                {kMaxDutyTolerance, std::string(shown), std::string(place)});
}

bool ParseDuty(const TDutyText& text, TDuty& duty, std::string& error) {
  const TReader in(text);
  TDuty d;
  const std::optional<double> flow =
      in.Stored(dfFlow, dfFlowUnits, utAirFlowPrim, kFlowStored, "flow", error);
  if (!flow) return false;
  const std::optional<double> pressure =
      in.Stored(dfPressure, dfPressureUnits, utAirPressDrop, kPressureStored, "pressure", error);
  if (!pressure) return false;
  if (auto e = DutyValuesError(*flow, *pressure, in.Value(dfFlow), in.Value(dfPressure), text)) {
    error = *e;
    return false;
  }
  d.Flow = *flow;
  d.Pressure = *pressure;

  const std::string_view kind = in.Value(dfPressureKind);
  if (kind.empty() || SameText(kind, "static")) {
    d.Kind = TPressureKind::Static;
  } else if (SameText(kind, "total")) {
    d.Kind = TPressureKind::Total;
  } else {
    error = Format("'%s' is not a pressure kind%s (static or total)",
                   {std::string(kind), in.Place(dfPressureKind)});
    return false;
  }

  const bool density = in.Given(dfDensity), altitude = in.Given(dfAltitude),
             temperature = in.Given(dfTemperature);
  if (density && (altitude || temperature)) {
    error = "give the air either as density or as altitude and temperature, not both";
    return false;
  }
  if (density) {
    const std::optional<double> rho =
        in.Stored(dfDensity, dfDensityUnits, utDensity, kDensityStored, "density", error);
    if (!rho) return false;
    d.Air = TSiteAir{TSiteAir::saDensity, *rho};
  } else if (altitude || temperature) {
    TSiteAir air{TSiteAir::saAltitudeTemperature};
    if (altitude) {
      const std::optional<double> h =
          in.Stored(dfAltitude, dfAltitudeUnits, utAltitude, kAltitudeStored, "altitude", error);
      if (!h) return false;
      air.Altitude = *h;
    }
    if (temperature) {
      const std::optional<double> t = in.Stored(dfTemperature, dfTemperatureUnits, utTemperature,
                                                kTemperatureStored, "temperature", error);
      if (!t) return false;
      air.Temperature = *t;
    }
    d.Air = air;
  }
  // Units named without their value are checked all the same.
  for (const auto& [field, type, what] :
       {std::tuple{dfDensityUnits, utDensity, "density"}, std::tuple{dfAltitudeUnits, utAltitude, "altitude"},
        std::tuple{dfTemperatureUnits, utTemperature, "temperature"}})
    if (!in.Unit(field, type, 0, what, error)) return false;
  if (const std::optional<std::string> e = SiteAirError(d.Air)) {
    error = *e;
    return false;
  }

  d.Tolerance = kDefaultDutyTolerance;
  if (in.Given(dfTolerance)) {
    const std::optional<double> t = in.Number(dfTolerance, error);
    if (!t) return false;
    if (auto e = ToleranceError(*t, in.Value(dfTolerance), in.Place(dfTolerance))) {
      error = *e;
      return false;
    }
    d.Tolerance = *t;
  }
  duty = d;
  return true;
}

}  // namespace blowden
