#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanRanking.h"
#include "fan/FanSelection.h"

namespace blowden {

// The columns of the candidates view as data, free of Qt: one descriptor
// per column, in the order of the table model's columns. A new figure of a
// candidate is one more descriptor here (and its index in the model's list).

// The unit a column's header names, in the selector's units where it has a choice.
enum class TColumnUnit { None, Rpm, Percent, Flow, Pressure, Power, SoundPower, DecibelA, Decibel };

struct TCandidateColumn {
  std::string_view Key;    // its name in the settings: "speed"
  std::string_view Title;  // the header before the unit: "Speed"
  TColumnUnit Unit = TColumnUnit::None;
  std::string_view Quantity;  // what the caption says the table is ranked by: "speed"
  bool Shown = false;         // shown until the user chooses otherwise
  bool HighestFirst = false;  // the best comes first in descending order
  int Decimals = 0;           // -1: as many as the unit's own format, at least 2 (flow, power) or 0
  // The figure of a candidate, in the selector's units, that the column
  // shows and sorts by; none where the candidate has none ("n/a", sorted
  // last). Null for a column of text.
  std::optional<double> (*Figure)(const TCandidate&, const TResultUnits&) = nullptr;
  // The text a column of text shows (and sorts by unless it has a Figure).
  std::string (*Text)(const TCandidate&) = nullptr;
  // What the caption says of either direction: "lowest first" / "highest first".
  std::string_view Ascending = "lowest first";
  std::string_view Descending = "highest first";
  // What a cell without a figure shows: "n/a" where every candidate should
  // have one, blank where many models lack it (no FEI, no octave bands).
  std::string_view Missing = "n/a";
};

// Every column, in the model's order: file, maker, range, model, speed,
// speed margin, flow, static pressure, total pressure, shaft power, static
// efficiency, total efficiency, sound power, stall margin, flow / BEP, FEI,
// electrical power, motor, LwA, Lp, verdict, warnings or reason.
std::span<const TCandidateColumn> CandidateColumns();

// The header of a column: its title and the unit's label ("Shaft power kW").
std::string ColumnHeader(const TCandidateColumn& column, const TResultUnits& units);

// The caption of the table's order: "Ranked by total efficiency, highest
// first"; for a column of text "Sorted by model, A to Z". A column out of
// range gives the ranking's own order for `key`.
std::string SortCaption(int column, bool descending);
std::string RankCaption(TRankKey key);
// The column and direction that put the same models first as the ranking by `key`.
int RankKeyColumn(TRankKey key);

// When no model meets the duty, the line that says why in counts: "No fan
// meets the duty: 12 above their maximum speed, 5 short of the duty"; empty
// when some model is a candidate.
std::string NothingFitsLine(const TRanking& ranking);

// Which columns are shown, from the remembered setting ("speed=1,file=0,...");
// a column the setting does not name (or names wrongly) takes its default.
std::vector<bool> ShownColumns(std::string_view setting);
// The setting that gives `shown` back: every column named.
std::string ShownColumnsSetting(const std::vector<bool>& shown);

}  // namespace blowden
