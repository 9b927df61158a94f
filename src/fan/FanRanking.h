#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanAir.h"
#include "fan/FanSelection.h"

namespace blowden {

// What a ranked selection puts first.
enum class TRankKey {
  Power,       // lowest shaft power
  Efficiency,  // highest total efficiency
  Sound,       // lowest sound power
  Speed,       // lowest speed
  Margin,      // largest stall margin
};

// "power", "efficiency", "sound", "speed", "margin"; FindRankKey matches
// without regard to case.
std::string_view RankKeyName(TRankKey key);
std::optional<TRankKey> FindRankKey(std::string_view name);

// A model that meets the duty (status 0, duty met), with the figures of the
// selector's evaluation at site air. Units: m³/s, Pa, kW, %, dB, rpm.
struct TCandidate {
  std::string File, Maker, Range, Model;
  int Status = fsReady;
  bool DutyMet = true;
  double Speed = 0;
  double SpeedMargin = 0;  // % of MaxSpeed left
  double Flow = 0;
  double StaticPressure = 0;
  double TotalPressure = 0;
  double ShaftPower = 0;
  double StaticEfficiency = 0;
  double Efficiency = 0;  // total
  double SoundPower = 0;
  double StallMargin = 0;  // % of the pressure peak's flow right of it
  double BepRatio = 0;     // operating flow in % of the best-efficiency flow at that speed
  std::vector<std::string> Warnings;
};

// A model left out, and why in words ("speed 1840 rpm above the maximum
// 1600 rpm"). A file that cannot be used at all is one entry with no model.
struct TRejected {
  std::string File, Model;
  int Status = fsReady;
  std::string Reason;
};

struct TRanking {
  std::vector<TCandidate> Candidates;  // best first
  std::vector<TRejected> Rejected;     // in file and model order
  std::vector<std::string> Messages;   // message boxes of the reader, "<file> (<model>): <text>"
};

// The reason a model that was evaluated is not a candidate.
std::string RejectionReason(const TFanModel& model, const TSelectionResult& r);

// The candidate of an evaluation (Status 0, duty met).
TCandidate MakeCandidate(const std::string& file, const TFan& fan, const TSelectionResult& r);

// Evaluates the duty on every model of every file exactly as the selector
// evaluates a chosen model, and ranks the models that meet it by `key`
// (ties: file, then model name). `threads` 0 uses every core that pays.
TRanking RankDuty(const std::vector<std::string>& files, const TDuty& duty, TRankKey key, int threads = 0);

// Orders candidates by `key`, best first; ties by file, then model name.
void SortCandidates(std::vector<TCandidate>& candidates, TRankKey key);

}  // namespace blowden
