#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanTypes.h"
#include "fan/ResultUnits.h"

namespace blowden {

struct TModelData;

struct TSelectionResult;

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

// One sentence of a verdict, kept as the figures it states and written
// only when a view asks for it: a ranking judges every model of a folder,
// and a view reads the sentences of the few it shows.
enum class TVerdictNoteKind : std::uint8_t {
  Said,                  // a sentence given whole, in Text
  SpeedAbove,            // speed, maximum
  SpeedBelow,            // speed, minimum
  FlowOutside,           // % of the tested span the duty lies outside it
  NoSpeed,               //
  DutyNotMet,            // speed, flow, static pressure, % short, tolerance %
  DutyNotMetListed,      // the highest listed speed, flow, static pressure, % short, tolerance %
  FlowShort,             // % short, tolerance %
  Stall,                 // % of the pressure peak's flow
  PowerNotPositive,      // shaft power
  EfficiencyImpossible,  // efficiency, shaft power, air power
  EfficiencyHigh,        // efficiency
  Extrapolated,          // % of the tested span
  BepOutside,            // % of the best-efficiency flow
  BelowPeak,             // efficiency, the model's peak efficiency
  ListedOversize,        // speed, % of the duty flow
  FeiBelow,              // FEI, the minimum
  MotorSmall,            // the catalogue motor's kW, kW needed, largest shaft power, margin %
  NoMotor,               // kW needed, largest shaft power, margin %
};

struct TVerdictNote {
  TVerdictNoteKind Kind = TVerdictNoteKind::Said;
  std::array<double, 5> Values{};  // as the kind lists them
  TResultUnits Units;              // of the flows and pressures it states
  std::string Text;                // Said only
};

// The sentence of a note: "speed 2822 rpm above the maximum 2600 rpm".
std::string NoteText(const TVerdictNote& note);
std::vector<std::string> NoteTexts(std::span<const TVerdictNote> notes);
// A sentence given whole.
TVerdictNote SaidNote(std::string text);

// The reasons and warnings of a verdict, as notes.
struct TVerdictNotes {
  std::vector<TVerdictNote> Reasons;
  std::vector<TVerdictNote> Warnings;
};

// A selection's verdict: Rejected with at least one reason, Warning with
// warnings only, Ok with neither. Reasons and warnings are sentences without
// a closing full stop (NoteText writes them).
struct TVerdict {
  TVerdictKind Kind = TVerdictKind::Ok;
  TVerdictRule Rule = TVerdictRule::None;  // the first reason's rule
  std::vector<TVerdictNote> Reasons;
  std::vector<TVerdictNote> Warnings;

  bool Acceptable() const { return Kind != TVerdictKind::Rejected; }
  void Reject(TVerdictRule rule, TVerdictNote reason);
  void Warn(TVerdictNote warning);
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
