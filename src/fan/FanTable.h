#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace blowden {

// A table of test points as a spreadsheet copies it or a CSV file holds it:
// cells separated by tabs or commas, one row a line, quotes as CSV has them
// (a quoted cell may hold the separator, a line break and "" for a quote),
// an optional header row of column titles.
struct TTextTable {
  char Delimiter = ',';  // ',' or '\t'
  bool HasHeader = false;
  std::vector<std::string> Header;             // column titles, Columns entries (empty without a header)
  std::vector<std::vector<std::string>> Rows;  // data rows, Columns cells each, blanks trimmed
  std::vector<int> RowLines;                   // 1-based line of the text where each data row begins
  int Columns = 0;
};

// Reads `text` into `table`. Returns an empty text, or why the table cannot
// be read, with its place:
//   "Q,Ps\n1,200\n"         -> header {"Q", "Ps"}, one row {"1", "200"}
//   "1\t200\n2\t150\n"      -> tab separated, no header, two rows
//   "\"a,b\",1\n"           -> the header cell a,b
//   "Q,\"Ps\n"              -> "line 1, column 2: the quoted cell is not closed"
// A tab anywhere outside quotes makes the tab the separator, otherwise the
// comma is. Lines without any text are skipped; columns empty in every row
// (a spreadsheet's trailing separators) are dropped; a shorter row is filled
// with empty cells. The first row is the header when one of its cells is
// text that is not a number. A byte-order mark at the start is skipped.
std::string ParseTextTable(std::string_view text, TTextTable& table);

// What a column of the table holds.
enum TColumnRole : std::uint8_t {
  crIgnore,
  crFlow,
  crStaticPressure,
  crTotalPressure,
  crShaftPower,
  crSoundPower,
  // The octave bands' sound powers, 63 Hz to 8 kHz, in dB.
  crBand63,
  crBand125,
  crBand250,
  crBand500,
  crBand1000,
  crBand2000,
  crBand4000,
  crBand8000,
};
inline constexpr int ColumnRoleCount = 14;

// "ignored", "flow", "static pressure", "total pressure", "shaft power", "sound power",
// "63 Hz band", ... "8000 Hz band".
std::string_view ColumnRoleName(TColumnRole role);

// A unit a column's values may be given in. The values of the fan data file
// are SI: m³/s, Pa, kW, dB.
//   SI value = value / PerSI:  1000 cfm -> 1000 / 2118.88 = 0.4719 m³/s
struct TQuantityUnit {
  std::string_view Label;  // "cfm"
  double PerSI;            // units in one SI unit (2118.88 cfm in 1 m³/s)
};

// The units of a role, from the units catalogue: flow as the air-flow units
// (m³/s, m³/min, m³/hr, l/s, cfm), pressure as the air-pressure-drop units
// (kPa, Pa, Psi, Bar, Atm, InchWg, InchHg, mHead) and millimetres of water
// ("mmWg"), shaft power as the power units (kW, W, HP), sound power in dB.
// crIgnore has none.
std::span<const TQuantityUnit> RoleUnits(TColumnRole role);
// The SI unit's index in RoleUnits: m³/s 0, Pa 1, kW 0, dB 0.
int DefaultRoleUnit(TColumnRole role);
// The unit of a role named by a label or key of the units catalogue or a
// common spelling of one, without regard to case, blanks and dots:
//   (crFlow, "CFM") -> cfm;  (crFlow, "m3/h") -> m³/hr;
//   (crStaticPressure, "in. wg") -> InchWg;  (crStaticPressure, "mm H2O") -> mmWg;
//   (crShaftPower, "hp") -> HP;  (crFlow, "furlong") -> nullopt
std::optional<int> FindRoleUnit(TColumnRole role, std::string_view text);

// One column's meaning: its role and the index of its unit in RoleUnits.
struct TColumnAssignment {
  TColumnRole Role = crIgnore;
  int Unit = 0;
  // A title naming a unit that the units catalogue does not know: the
  // column is left unassigned (Role crIgnore), Named is the role its title
  // names and Problem says why, naming the title and the unit. No unit is
  // ever guessed.
  TColumnRole Named = crIgnore;
  std::string Problem;
};

// The meaning of a column found from its title: a role by a name ("Q",
// "Flow", "Ps", "Static pressure", "Pt", "Total", "Pw", "Power", "Lw",
// "Sound", ...) or by a unit alone, and the unit written in brackets or as
// the last word. A title without a unit takes the SI unit of its role; an
// efficiency is never a pressure or a power.
//   "Flow (cfm)" -> crFlow, cfm;  "Pt [in. wg]" -> crTotalPressure, InchWg;
//   "hp" -> crShaftPower, HP;  "Lw dB" -> crSoundPower, dB;  "Remarks" -> crIgnore
//   "63 Hz", "Lw63", "125", "1 kHz", "Lw 8k [dB]" -> the octave band's role, dB
//   "Flow (cfn)" -> crIgnore, Named crFlow, Problem
//     "the title \"Flow (cfn)\" gives the flow in 'cfn', a unit the units catalogue does
//      not know (flow units: m³/s, m³/min, m³/hr, l/s, cfm)"
TColumnAssignment GuessColumn(std::string_view title);

// The columns of a table: with a header by GuessColumn of each title;
// without one by position, flow, static pressure, shaft power and sound
// power (the order of the file's lists), any further column ignored.
std::vector<TColumnAssignment> GuessColumns(const TTextTable& table);

}  // namespace blowden
