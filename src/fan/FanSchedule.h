#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fan/FanAir.h"
#include "fan/FanRanking.h"

namespace blowden {

// An equipment schedule: one duty per mark ("EF-1", "AHU-3 supply"), read
// from a CSV table whose first record names the columns:
//   mark, flow, flow_units, pressure, pressure_units, pressure_kind,
//   density, altitude, temperature, quantity
// in any order, names matched without regard to case and surrounding blanks.
// Only mark, flow and pressure are required; other columns are ignored.
// Empty optional fields take the defaults: m³/s, Pa, static, the catalogue's
// air. Units are those of `select --flow-units` / `--pressure-units` (labels
// or keys of the units catalogue, any case, "3" for "³"). density is in kg/m³,
// altitude in m, temperature in °C (alone: at 0 m; altitude alone: 20 °C);
// quantity a whole number of fans (default 1).

// One usable row: its mark and duty (m³/s, Pa, site air).
struct TScheduleRow {
  int Line = 0;  // where the record starts in the file, 1-based
  std::string Mark;
  TDuty Duty;
  int Quantity = 1;  // column "quantity": how many fans the mark stands for
};
inline constexpr int kMaxQuantity = 100000;

// A row that cannot be used, and why: "'abc' is not a number in column flow".
struct TScheduleProblem {
  int Line = 0;
  std::string Mark;  // when the row has one
  std::string Text;
};

struct TSchedule {
  std::vector<TScheduleRow> Rows;          // in file order
  std::vector<TScheduleProblem> Problems;  // in file order
};

// Reads a schedule. Rows that cannot be used go to Problems, the others are
// read on. False, with `error`, when the table as a whole cannot be used: the
// CSV is malformed, there is no header, a required column is missing or a
// column is named twice. A record of blank fields only is skipped.
bool ParseSchedule(std::string_view text, TSchedule& schedule, std::string& error);

// What a schedule row gets: the best candidate and up to two alternatives,
// or in words why no model fits.
struct TScheduleEntry {
  TScheduleRow Row;
  std::vector<TCandidate> Candidates;  // best first, at most kScheduleCandidates
  std::vector<TRejected> Rejected;     // the models the verdict rejects, as the ranking gives them
  std::string Reason;                  // empty when there is a candidate
  std::vector<std::string> Messages;   // the reader's message boxes for this row's ranking
  std::string_view SoundLevel;         // what a ranking by sound compared (SoundRankLevel)
};
inline constexpr std::size_t kScheduleCandidates = 3;

// Ranks every row's duty over the files by `key`, as `select` ranks one
// (RankDuty); the files are read once for all the rows.
std::vector<TScheduleEntry> RunSchedule(const std::vector<std::string>& files, const TSchedule& schedule,
                                        TRankKey key);

// Why a ranking has no candidate, counted by kind of rejection, most first:
//   "no model meets the duty: 14 above their maximum speed, 3 outside their
//    tested flow range"
std::string NoCandidateSummary(const TRanking& ranking);

}  // namespace blowden
