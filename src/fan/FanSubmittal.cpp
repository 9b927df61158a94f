#include "fan/FanSubmittal.h"

#include <algorithm>
#include <cmath>

#include "base/Format.h"
#include "fan/FanLimits.h"
#include "fan/FanRating.h"
#include "fan/FanSelection.h"
#include "fan/FanVerdict.h"

namespace blowden {

namespace {

constexpr double kFeetPerMinutePerMetrePerSecond = 196.85039370078740;  // 1 m/s in ft/min

bool Ip(const TResultUnits& u) { return u.Power == TResultUnits::kIPPower; }

std::string VelocityLine(const char* label, double v, const TResultUnits& u) {
  if (Ip(u)) return Format("%s\t%0.0f\tft/min", {label, v * kFeetPerMinutePerMetrePerSecond});
  return Format("%s\t%0.1f\tm/s", {label, v});
}

}  // namespace

const char* MotorSourceName(const TMotorChoice& motor) {
  return motor.FromCatalogue ? "catalogue" : "IE3 table";
}

double MaxTestedShaftPower(const TFanModel& m) {
  const std::size_t n = std::min(static_cast<std::size_t>(std::max(m.Count, 0)), m.Pw.size());
  double top = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (std::isfinite(m.Pw[i])) top = std::max(top, m.Pw[i]);
  return top;
}

namespace {

double MaxShaftPowerAtSpeed(const TFanModel& m, double maxTested, double speed, double ratio) {
  if (m.RefSpeed == 0) return 0;
  const double s = speed / m.RefSpeed;
  return maxTested * s * s * s * ratio;
}

}  // namespace

double MaxShaftPowerAtSpeed(const TFanModel& m, double speed, double ratio) {
  return MaxShaftPowerAtSpeed(m, MaxTestedShaftPower(m), speed, ratio);
}

void AddEnergyFigures(const TFanHeader& header, const TFanModel& m, const TEnergyOptions& options,
                      double ratio, TSelectionResult& r) {
  AddEnergyFigures(header, m, options, ratio, MaxTestedShaftPower(m), r);
}

void AddEnergyFigures(const TFanHeader& header, const TFanModel& m, const TEnergyOptions& options,
                      double ratio, double maxTested, TSelectionResult& r) {
  TEnergyFigures& e = r.Energy;
  e = TEnergyFigures();
  e.MinFei = options.MinFei;
  e.MotorMargin = options.MotorMargin;
  e.Basis = FeiBasisOf(header.Rating.Installation);
  e.TipSpeed = TipSpeed(m, r.Speed);
  const double area = ModelOutletArea(m);
  e.OutletVelocity = area > 0 ? r.Volume / area : 0;
  if (r.Status != fsReady || !(r.ShaftPower > 0) || !std::isfinite(r.ShaftPower)) return;
  e.Known = true;
  const double pressure = e.Basis == TFeiBasis::Static ? r.PStatic : r.PTotal;
  e.ReferenceShaftPower = ReferenceShaftPower(r.Volume, pressure, r.Density, e.Basis);
  const TDriveTrain train = DriveTrainOf(m.Rating);
  // A drive not given is rated as the reference belt drive, for the FEI and
  // the electrical power alike.
  e.DriveEfficiency =
      train.DriveEfficiency ? *train.DriveEfficiency : ReferenceTransmissionEfficiency(r.ShaftPower);
  e.FanElectricalPower = FanElectricalPowerAt(r.ShaftPower, e.DriveEfficiency, train.MotorEfficiency);
  e.Fei = FanEnergyIndex(e.ReferenceShaftPower, e.FanElectricalPower);
  e.MaxShaftPower = std::max(MaxShaftPowerAtSpeed(m, maxTested, r.Speed, ratio), r.ShaftPower);
  const TMotorSpec& given = m.Rating.Motor;
  e.Motor = ChooseMotor(e.MaxShaftPower, options.MotorMargin, options.Series, given.Power, given.Efficiency,
                        given.Poles);
  e.ElectricalPower = r.ShaftPower / (e.DriveEfficiency * e.Motor.Efficiency / 100);
}

std::vector<std::string> EnergyLines(const TSelectionResult& r, const TResultUnits& u) {
  std::vector<std::string> lines;
  const TEnergyFigures& e = r.Energy;
  if (!e.Known) return lines;
  const std::string power(PowerUnitLabel(u));
  lines.push_back(Format("Fan Energy Index (%s)\t%0.2f\t", {std::string(FeiBasisName(e.Basis)), e.Fei}));
  lines.push_back(Format("Fan Electrical Power\t%0.2f\t", {PowerInUnits(e.FanElectricalPower, u)}) + power);
  if (e.Motor.RatedPower > 0)
    lines.push_back(Format("Motor Rating\t%0.4g\t", {PowerInUnits(e.Motor.RatedPower, u)}) + power);
  else
    lines.push_back(Format("Motor Rating\tover %0.4g\t", {PowerInUnits(e.Motor.Required, u)}) + power);
  lines.push_back(Format("Motor Efficiency\t%0.1f\t%% (%s)", {e.Motor.Efficiency, MotorSourceName(e.Motor)}));
  lines.push_back(Format("Electrical Power\t%0.2f\t", {PowerInUnits(e.ElectricalPower, u)}) + power);
  lines.push_back(VelocityLine("Tip Speed", e.TipSpeed, u));
  lines.push_back(VelocityLine("Outlet Velocity", e.OutletVelocity, u));
  return lines;
}

void JudgeEnergy(const TSelectionResult& r, TVerdict& v) {
  const TEnergyFigures& e = r.Energy;
  if (!e.Known) return;
  TVerdictNote note;
  if (e.MinFei > 0 && e.Fei < e.MinFei) {
    note.Kind = TVerdictNoteKind::FeiBelow;
    note.Values = {e.Fei, e.MinFei};
    v.Reject(TVerdictRule::FeiBelow, note);
  }
  if (e.Motor.FromCatalogue && e.Motor.RatedPower < e.Motor.Required * (1 - 1e-9)) {
    note.Kind = TVerdictNoteKind::MotorSmall;
    note.Values = {e.Motor.RatedPower, e.Motor.Required, e.MaxShaftPower, e.MotorMargin};
    v.Warn(note);
  } else if (!e.Motor.FromCatalogue && e.Motor.RatedPower <= 0) {
    note.Kind = TVerdictNoteKind::NoMotor;
    note.Values = {e.Motor.Required, e.MaxShaftPower, e.MotorMargin};
    v.Warn(note);
  }
}

}  // namespace blowden
