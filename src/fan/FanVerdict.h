#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanTypes.h"

namespace blowden {

struct TModelData;

struct TSelectionResult;
struct TResultUnits;

// The rules every view of a selection follows (selector, Find, ranking,
// schedule, datasheet, command line), with their thresholds.

// Rejected: a speed outside MinSpeed..MaxSpeed (MaxSpeed is the impeller's
// structural limit; the speed search may still look a little beyond it).
// Rejected: the operating flow below the duty flow by more than the duty's
// tolerance, in % of the duty flow.
inline constexpr double kDefaultDutyTolerance = 0;  // %
inline constexpr double kMaxDutyTolerance = 50;     // %, the largest a user may set
// Rejected: an efficiency above this (the fan would give more air power than it absorbs).
inline constexpr double kMaxVerdictEfficiency = 100;  // %
// Warning: an efficiency above this, possible but almost always mistyped data.
inline constexpr double kHighVerdictEfficiency = 90;  // %
// Warning: the operating flow, at reference speed, in % of the fitted
// best-efficiency flow outside this window.
inline constexpr double kBepRatioLow = 70;    // %
inline constexpr double kBepRatioHigh = 130;  // %
// Warning: total efficiency more than this many points below the model's
// peak total efficiency at the same speed (the selection window of energy codes).
inline constexpr double kEfficiencyWindow = 15;  // percentage points
// Warning: a fan that runs at listed speeds only and delivers more than
// this share of the duty flow.
inline constexpr double kListedSpeedOversize = 110;  // % of the duty flow
// Delivered and asked-for flows compare equal within rounding.
inline constexpr double kFlowRounding = 1e-9;  // relative

// What decided a selection, from best to worst.
enum class TVerdictKind { Ok, Warning, Rejected };

// "ok", "warning" or "rejected", as the JSON and the views write it.
std::string_view VerdictName(TVerdictKind kind);

// The rule that rejected a selection first: what a summary counts models by
// ("3 above their maximum speed, 1 short of the duty").
enum class TVerdictRule {
  None,         // not rejected
  ModelRead,    // the model's read ended other than Ready
  VerifyError,  // the model breaks a verification rule
  SpeedAbove,   // above MaxSpeed (also a speed search that stopped there)
  SpeedBelow,   // below MinSpeed
  FlowRange,    // the duty lies outside the tested flows ("Volume range error")
  NoSpeed,      // no speed meets the duty ("Data error" of the solve)
  DutyNotMet,   // the operating flow short of the duty beyond the tolerance
  Stall,        // left of the pressure peak
  Impossible,   // efficiency above 100 %, shaft power not above 0 or below the air power
  OtherStatus,  // any other status than Ready
  FeiBelow,     // the Fan Energy Index below the selection's minimum
};

// A selection's verdict: Rejected with at least one reason, Warning with
// warnings only, Ok with neither. Reasons and warnings are sentences without
// a closing full stop.
struct TVerdict {
  TVerdictKind Kind = TVerdictKind::Ok;
  TVerdictRule Rule = TVerdictRule::None;  // the first reason's rule
  std::vector<std::string> Reasons;
  std::vector<std::string> Warnings;

  bool Acceptable() const { return Kind != TVerdictKind::Rejected; }
  void Reject(TVerdictRule rule, std::string reason);
  void Warn(std::string warning);
};

// What is known of the model apart from one evaluation: how its read ended
// and what its verification says.
struct TModelHealth {
  int ReadStatus = fsReady;
  std::string ReadProblem;                // empty after a clean read
  std::vector<std::string> VerifyErrors;  // the verification's lines for this model
};

// Why the fan's current model, whose read ended other than Ready, cannot
// be judged: "data error: " and the read's problem, or the status text.
std::string ModelReadReason(const TFan& fan);

// The health of the fan's current model: its read status and the
// verification rules judged on it as read.
TModelHealth CurrentModelHealth(TFan& fan);
// The same of a model's data, of a catalogue with `header`.
TModelHealth ModelHealth(const TFanHeader& header, const TModelData& data);

// Judges an evaluated selection of `model` (its figures at site air, SI
// units, as EvaluateDuty leaves them): every rule above, in that order.
// The duty's tolerance is `tolerance` % of the duty flow; flows and
// pressures in the sentences are written in `units`.
//   speed 2822 rpm on a fan limited to 2600 rpm
//     -> Rejected, "speed 2822 rpm above the maximum 2600 rpm"
TVerdict JudgeSelection(const TFanModel& model, const TModelHealth& health, const TSelectionResult& r,
                        double tolerance, const TResultUnits& units);

// Counts of rejected models by their first rule, most first, ties in rule
// order: "3 above their maximum speed, 1 short of the duty".
std::string RejectionCounts(std::span<const TVerdictRule> rules);

}  // namespace blowden
