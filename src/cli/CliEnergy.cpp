// The command line's energy and submittal options and the energy figures of
// a selection's JSON.
#include "base/Convert.h"
#include "base/Format.h"
#include "cli/CliCommands.h"
#include "cli/JsonWriter.h"
#include "fan/FanSchedule.h"
#include "fan/FanSubmittal.h"

namespace blowden {

namespace {

constexpr double kMaxMinFei = 10;

}  // namespace

std::optional<std::string> ParseEnergyOptions(const std::optional<std::string>& minFei,
                                              const std::optional<std::string>& motorMargin,
                                              const std::optional<std::string>& project,
                                              const std::optional<std::string>& tag,
                                              const std::optional<std::string>& quantity,
                                              TCliRequest& request) {
  request.Energy.Series = request.Ip ? TMotorSeries::Nema : TMotorSeries::Iec;
  if (minFei) {
    double v = 0;
    if (!TryStrToFloat(*minFei, v) || !(v >= 0 && v <= kMaxMinFei))
      return Format("'%s' is not a minimum FEI (a number from 0 to %g) for --min-fei", {*minFei, kMaxMinFei});
    request.Energy.MinFei = v;
  }
  if (motorMargin) {
    double v = 0;
    if (!TryStrToFloat(*motorMargin, v) || !(v >= 0 && v <= kMaxMotorMargin))
      return Format("'%s' is not a motor margin (0 to %g %%) for --motor-margin",
                    {*motorMargin, kMaxMotorMargin});
    request.Energy.MotorMargin = v;
  }
  for (const auto& [value, name] :
       {std::pair{&project, "--project"}, std::pair{&tag, "--tag"}, std::pair{&quantity, "--quantity"}})
    if (*value && !request.Pdf) return Format("option '%s' needs '--pdf'", {std::string(name)});
  if (project) request.Project = *project;
  if (tag) request.Tag = *tag;
  if (quantity) {
    std::int32_t n = 0;
    if (!TryStrToInt(*quantity, n) || n < 1 || n > kMaxQuantity)
      return Format("'%s' is not a quantity (a whole number from 1 to %d) for --quantity",
                    {*quantity, kMaxQuantity});
    request.Quantity = n;
  }
  return std::nullopt;
}

void WriteEnergyJson(TJsonWriter& w, const TEnergyFigures* e, const TResultUnits& units) {
  const bool known = e && e->Known;
  w.Key("fei");
  if (known)
    w.Number(e->Fei);
  else
    w.Null();
  w.Field("fei_basis", FeiBasisName(e ? e->Basis : TFeiBasis::Total));
  w.Key("fan_electrical_power");
  if (known)
    w.Number(PowerInUnits(e->FanElectricalPower, units));
  else
    w.Null();
  w.Key("motor");
  if (known) {
    w.BeginObject();
    w.Key("rated_power");
    // No rating of the series is large enough: null.
    if (e->Motor.RatedPower > 0)
      w.Number(PowerInUnits(e->Motor.RatedPower, units));
    else
      w.Null();
    w.Field("efficiency", e->Motor.Efficiency);
    w.Field("source", MotorSourceName(e->Motor));
    w.EndObject();
  } else {
    w.Null();
  }
  w.Key("electrical_power");
  if (known)
    w.Number(PowerInUnits(e->ElectricalPower, units));
  else
    w.Null();
}

}  // namespace blowden
