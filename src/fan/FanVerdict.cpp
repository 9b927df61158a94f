#include "fan/FanVerdict.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/Format.h"
#include "fan/FanLimits.h"
#include "fan/FanSelection.h"
#include "fan/FanSubmittal.h"
#include "fan/QmFan.h"

namespace blowden {

namespace {

std::string FlowText(double value, const TResultUnits& u) {
  return Format("%0.2f", {FlowInUnits(value, u)}) + " " + std::string(FlowUnitLabel(u));
}

std::string PressureText(double value, const TResultUnits& u) {
  return Format("%0.0f", {PressureInUnits(value, u)}) + " " + std::string(PressureUnitLabel(u));
}

// What a verification line says without its "Range (Model)  " head.
std::string WithoutHead(const std::string& line, const TFanModel& model) {
  const std::string head = " (" + model.Name + ")  ";
  const auto at = line.find(head);
  return at == std::string::npos ? line : line.substr(at + head.size());
}

}  // namespace

std::string_view VerdictName(TVerdictKind kind) {
  switch (kind) {
    case TVerdictKind::Ok:
      return "ok";
    case TVerdictKind::Warning:
      return "warning";
    case TVerdictKind::Rejected:
      break;
  }
  return "rejected";
}

void TVerdict::Reject(TVerdictRule rule, TVerdictNote reason) {
  if (Reasons.empty()) Rule = rule;
  Reasons.push_back(std::move(reason));
  Kind = TVerdictKind::Rejected;
}

void TVerdict::Warn(TVerdictNote warning) {
  Warnings.push_back(std::move(warning));
  if (Kind == TVerdictKind::Ok) Kind = TVerdictKind::Warning;
}

TVerdictNote SaidNote(std::string text) {
  TVerdictNote note;
  note.Text = std::move(text);
  return note;
}

std::string NoteText(const TVerdictNote& note) {
  const std::array<double, 5>& v = note.Values;
  // Limits and listed speeds are whole rpm, kept exactly in a double.
  const auto rpm = [](double value) { return static_cast<int>(value); };
  switch (note.Kind) {
    case TVerdictNoteKind::Said:
      return note.Text;
    case TVerdictNoteKind::SpeedAbove:
      return Format("speed %0.0f rpm above the maximum %d rpm", {v[0], rpm(v[1])});
    case TVerdictNoteKind::SpeedBelow:
      return Format("speed %0.0f rpm below the minimum %d rpm", {v[0], rpm(v[1])});
    case TVerdictNoteKind::FlowOutside:
      return Format("flow outside the tested range by %0.0f %%", {v[0]});
    case TVerdictNoteKind::NoSpeed:
      return "no speed meets the duty (data error)";
    case TVerdictNoteKind::DutyNotMet:
    case TVerdictNoteKind::DutyNotMetListed: {
      std::string reason =
          (note.Kind == TVerdictNoteKind::DutyNotMetListed
               ? Format("duty not met at the highest listed speed %d rpm: the fan gives ", {rpm(v[0])})
               : Format("duty not met: at %0.0f rpm the fan gives ", {v[0]})) +
          FlowText(v[1], note.Units) + " at " + PressureText(v[2], note.Units) +
          Format(", %0.1f %% short of the duty flow", {v[3]});
      if (v[4] > 0) reason += Format(" (tolerance %g %%)", {v[4]});
      return reason;
    }
    case TVerdictNoteKind::FlowShort:
      return Format("flow %0.1f %% short of the duty, within the tolerance of %g %%", {v[0], v[1]});
    case TVerdictNoteKind::Stall:
      return Format(
          "operating point left of the pressure peak (unstable, stall-prone region): at %0.0f %% of "
          "the peak's flow",
          {v[0]});
    case TVerdictNoteKind::PowerNotPositive:
      return Format("shaft power %0.3g kW is not above 0: the fan data are impossible", {v[0]});
    case TVerdictNoteKind::EfficiencyImpossible:
      return Format(
          "efficiency %0.0f %% is above 100 %% (shaft power %0.3g kW below the air power %0.3g kW): "
          "the fan data are impossible",
          {v[0], v[1], v[2]});
    case TVerdictNoteKind::EfficiencyHigh:
      return Format("efficiency %0.0f %% is above %g %%: the fan data are implausible",
                    {v[0], kHighVerdictEfficiency});
    case TVerdictNoteKind::Extrapolated:
      return Format("operating point outside the tested flows by %0.0f %% of their span (extrapolated)",
                    {v[0]});
    case TVerdictNoteKind::BepOutside:
      return Format("operating flow at %0.0f %% of the best-efficiency flow (outside %g–%g %%)",
                    {v[0], kBepRatioLow, kBepRatioHigh});
    case TVerdictNoteKind::BelowPeak:
      return Format("total efficiency %0.0f %% is more than %g points below the model's peak of %0.0f %%",
                    {v[0], kEfficiencyWindow, v[1]});
    case TVerdictNoteKind::ListedOversize:
      return Format(
          "at the listed speed %0.0f rpm the fan delivers %0.0f %% of the duty flow (more than %g %%)",
          {v[0], v[1], kListedSpeedOversize});
    case TVerdictNoteKind::FeiBelow:
      return Format("FEI %0.2f below the minimum %0.2f", {v[0], v[1]});
    case TVerdictNoteKind::MotorSmall:
      return Format(
          "the catalogue's %0.4g kW motor is smaller than the %0.3g kW the operating speed needs (its "
          "largest shaft power %0.3g kW with %g %% margin)",
          {v[0], v[1], v[2], v[3]});
    case TVerdictNoteKind::NoMotor:
      return Format(
          "no standard motor rating covers %0.3g kW (the largest shaft power %0.3g kW with %g %% margin)",
          {v[0], v[1], v[2]});
  }
  return note.Text;
}

std::vector<std::string> NoteTexts(std::span<const TVerdictNote> notes) {
  std::vector<std::string> texts;
  texts.reserve(notes.size());
  for (const TVerdictNote& note : notes) texts.push_back(NoteText(note));
  return texts;
}

std::string ModelReadReason(const TFan& fan) {
  if (fan.ReadProblem().empty()) return std::string(StatusTextOf(fan.Status()));
  return "data error: " + fan.ReadProblem();
}

TModelHealth CurrentModelHealth(TFan& fan) { return ModelHealth(fan.Header(), fan.Data()); }

TModelHealth ModelHealth(const TFanHeader& header, const TModelData& data) {
  TModelHealth h;
  h.ReadStatus = data.Status;
  h.ReadProblem = data.Problem;
  // The lines of the verification, as TFan::ModelVerifyErrors gives them.
  for (const std::string& line :
       VerifyModelData(header, data.Model, data.Status, data.Problem, data.Complete))
    h.VerifyErrors.push_back(header.Range + " (" + data.Model.Name + ")  " + line);
  return h;
}

TVerdict JudgeSelection(const TFanModel& m, const TModelHealth& health, const TSelectionResult& r,
                        double tolerance, const TResultUnits& units) {
  TVerdict v;
  const auto note = [](TVerdictNoteKind kind, std::initializer_list<double> values = {}) {
    TVerdictNote n;
    n.Kind = kind;
    std::copy(values.begin(), values.end(), n.Values.begin());
    return n;
  };
  // The model itself.
  if (health.ReadStatus != fsReady) {
    std::string reason = "model read ended with \"" + std::string(StatusTextOf(health.ReadStatus)) + "\"";
    if (!health.ReadProblem.empty()) reason += ": " + health.ReadProblem;
    v.Reject(TVerdictRule::ModelRead, SaidNote(std::move(reason)));
  }
  for (const std::string& line : health.VerifyErrors) {
    const std::string text = WithoutHead(line, m);
    // The read's own end is said above already.
    if (health.ReadStatus != fsReady && text.rfind("Model read ended with", 0) == 0) continue;
    v.Reject(TVerdictRule::VerifyError, SaidNote("verify error: " + text));
  }

  // The speed search.
  switch (r.Status) {
    case fsReady:
      break;
    case fsSpeedRange:
      if (r.RawSpeed > m.MaxSpeed)
        v.Reject(TVerdictRule::SpeedAbove,
                 note(TVerdictNoteKind::SpeedAbove, {r.RawSpeed, static_cast<double>(m.MaxSpeed)}));
      else
        v.Reject(TVerdictRule::SpeedBelow,
                 note(TVerdictNoteKind::SpeedBelow, {r.RawSpeed, static_cast<double>(m.MinSpeed)}));
      break;
    case fsVolumeRange:
      v.Reject(TVerdictRule::FlowRange, note(TVerdictNoteKind::FlowOutside, {r.Extrapolation}));
      break;
    case fsDataError:
      v.Reject(TVerdictRule::NoSpeed, note(TVerdictNoteKind::NoSpeed));
      break;
    default:
      v.Reject(TVerdictRule::OtherStatus, SaidNote(std::string(StatusTextOf(r.Status))));
      break;
  }
  if (r.Status != fsReady) return v;

  // The point the fan runs at.
  if (r.Speed > m.MaxSpeed)
    v.Reject(TVerdictRule::SpeedAbove,
             note(TVerdictNoteKind::SpeedAbove, {r.Speed, static_cast<double>(m.MaxSpeed)}));
  else if (r.Speed < m.MinSpeed)
    v.Reject(TVerdictRule::SpeedBelow,
             note(TVerdictNoteKind::SpeedBelow, {r.Speed, static_cast<double>(m.MinSpeed)}));

  const double shortBy = r.DutyFlow > 0 ? 100 * (r.DutyFlow - r.Volume) / r.DutyFlow : 0;
  const bool listed = m.HasSpeeds && !m.Speeds.empty();
  if (!r.DutyMet) {
    const bool top = listed && r.Speed >= m.Speeds.back();
    TVerdictNote n =
        top ? note(TVerdictNoteKind::DutyNotMetListed,
                   {static_cast<double>(m.Speeds.back()), r.Volume, r.PStatic, shortBy, tolerance})
            : note(TVerdictNoteKind::DutyNotMet, {r.Speed, r.Volume, r.PStatic, shortBy, tolerance});
    n.Units = units;
    v.Reject(TVerdictRule::DutyNotMet, std::move(n));
  } else if (shortBy > kFlowRounding * 100) {
    v.Warn(note(TVerdictNoteKind::FlowShort, {shortBy, tolerance}));
  }

  if (r.StallMargin && *r.StallMargin < 0)
    v.Reject(TVerdictRule::Stall, note(TVerdictNoteKind::Stall, {100 + *r.StallMargin}));

  const double airPower = 0.001 * r.Volume * r.PTotal;  // kW
  if (!(r.ShaftPower > 0))
    v.Reject(TVerdictRule::Impossible, note(TVerdictNoteKind::PowerNotPositive, {r.ShaftPower}));
  else if (r.ShaftPower < airPower || r.Efficiency > kMaxVerdictEfficiency)
    v.Reject(TVerdictRule::Impossible,
             note(TVerdictNoteKind::EfficiencyImpossible, {r.Efficiency, r.ShaftPower, airPower}));

  // What an engineer must be warned of.
  if (r.Efficiency > kHighVerdictEfficiency && r.Efficiency <= kMaxVerdictEfficiency)
    v.Warn(note(TVerdictNoteKind::EfficiencyHigh, {r.Efficiency}));
  if (r.Extrapolation > 0) v.Warn(note(TVerdictNoteKind::Extrapolated, {r.Extrapolation}));
  if (r.BepRatio > 0 && (r.BepRatio < kBepRatioLow || r.BepRatio > kBepRatioHigh))
    v.Warn(note(TVerdictNoteKind::BepOutside, {r.BepRatio}));
  if (r.PeakEfficiency > 0 && r.Efficiency < r.PeakEfficiency - kEfficiencyWindow)
    v.Warn(note(TVerdictNoteKind::BelowPeak, {r.Efficiency, r.PeakEfficiency}));
  if (listed && r.DutyFlow > 0 && r.Volume > r.DutyFlow * kListedSpeedOversize / 100)
    v.Warn(note(TVerdictNoteKind::ListedOversize, {r.Speed, 100 * r.Volume / r.DutyFlow}));
  JudgeEnergy(r, v);
  return v;
}

std::string RejectionCounts(std::span<const TVerdictRule> rules) {
  struct TKind {
    TVerdictRule Rule;
    const char* One;
    const char* Many;
    int Count = 0;
  };
  std::array<TKind, 11> kinds{{
      {TVerdictRule::SpeedAbove, "above its maximum speed", "above their maximum speed"},
      {TVerdictRule::SpeedBelow, "below its minimum speed", "below their minimum speed"},
      {TVerdictRule::FlowRange, "outside its tested flow range", "outside their tested flow range"},
      {TVerdictRule::DutyNotMet, "short of the duty", "short of the duty"},
      {TVerdictRule::Stall, "left of its pressure peak", "left of their pressure peak"},
      {TVerdictRule::Impossible, "with impossible figures", "with impossible figures"},
      {TVerdictRule::NoSpeed, "with no speed for the duty", "with no speed for the duty"},
      {TVerdictRule::VerifyError, "with a verify error", "with verify errors"},
      {TVerdictRule::ModelRead, "with a data error", "with data errors"},
      {TVerdictRule::OtherStatus, "with another status", "with other statuses"},
      {TVerdictRule::FeiBelow, "below the minimum FEI", "below the minimum FEI"},
  }};
  for (TVerdictRule rule : rules)
    for (TKind& k : kinds)
      if (k.Rule == rule) ++k.Count;
  std::stable_sort(kinds.begin(), kinds.end(),
                   [](const TKind& a, const TKind& b) { return a.Count > b.Count; });
  std::string text;
  for (const TKind& k : kinds) {
    if (k.Count == 0) continue;
    if (!text.empty()) text += ", ";
    text += std::to_string(k.Count) + " " + (k.Count == 1 ? k.One : k.Many);
  }
  return text;
}

}  // namespace blowden
