// The command line's energy and submittal options and the energy figures of
// a selection's JSON.
#include "base/Convert.h"
#include "base/Format.h"
#include "cli/CliCommands.h"
#include "cli/JsonWriter.h"
#include "fan/FanRating.h"
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

void WriteRatingJson(TJsonWriter& w, const TFanHeader& header, const TFanModel* model) {
  const TCatalogueRating& c = header.Rating;
  w.Key("rating");
  w.BeginObject();
  w.Field("rating_standard", c.RatingStandard);
  w.Field("installation_type", InstallationTypeName(c.Installation));
  w.Field("tolerance", c.Tolerance);
  w.Field("certified", c.Certified);
  w.Field("fei_basis", FeiBasisName(FeiBasisOf(c.Installation)));
  if (model) {
    const TModelRating& m = model->Rating;
    w.Field("drive", DriveKindName(m.Drive));
    w.Key("motor");
    if (m.Motor.Given()) {
      w.BeginObject();
      w.Field("power", m.Motor.Power);
      w.Field("poles", m.Motor.Poles);
      w.Field("efficiency", m.Motor.Efficiency);
      w.EndObject();
    } else {
      w.Null();
    }
    w.Key("max_tip_speed");
    if (m.MaxTipSpeed > 0)
      w.Number(m.MaxTipSpeed);
    else
      w.Null();
    w.Field("source", m.Source);
  }
  w.EndObject();
}

std::vector<std::string> RatingLines(const TFanHeader& header, const TFanModel* model) {
  std::vector<std::string> lines;
  const auto add = [&](const char* label, const std::string& value) {
    if (!value.empty()) lines.push_back(std::string(label) + "\t" + value);
  };
  if (!model) {
    const TCatalogueRating& c = header.Rating;
    add("Rating standard", c.RatingStandard);
    if (c.Installation != TInstallationType::Unknown)
      add("Installation type", std::string(InstallationTypeName(c.Installation)) + "\tFEI on " +
                                   std::string(FeiBasisName(FeiBasisOf(c.Installation))) + " pressure");
    add("Tolerance", c.Tolerance);
    add("Certified", c.Certified);
    return lines;
  }
  const TModelRating& m = model->Rating;
  add("Drive", std::string(DriveKindName(m.Drive)));
  if (m.Motor.Given())
    add("Motor", Format("%g kW, %d poles, %g %%", {m.Motor.Power, m.Motor.Poles, m.Motor.Efficiency}));
  if (m.MaxTipSpeed > 0) add("Max tip speed", Format("%g\tm/s", {m.MaxTipSpeed}));
  add("Source", m.Source);
  return lines;
}

}  // namespace blowden
