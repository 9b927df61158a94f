#include "fan/FanTable.h"

#include <algorithm>
#include <array>

#include "base/Convert.h"
#include "base/Format.h"
#include "fan/FanBandImport.h"
#include "units/QmConv.h"

namespace blowden {

namespace {

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// One row of the text as read, before header and columns are decided.
struct TRecord {
  int Line = 0;
  std::vector<std::string> Cells;
};

std::string Place(int line, std::size_t column) {
  return Format("line %d, column %d: ", {line, static_cast<int>(column)});
}

// Splits the text into records of cells by the CSV rules. Returns the error, if any.
std::string ReadRecords(std::string_view text, char delimiter, std::vector<TRecord>& records) {
  const auto isBlank = [&](char c) { return c == ' ' || (c == '\t' && delimiter != '\t'); };
  std::size_t i = 0;
  const std::size_t n = text.size();
  int line = 1;
  // Steps over one line end ("\r\n", "\n" or "\r") at i.
  const auto skipLineEnd = [&] {
    if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
    ++i;
    ++line;
  };
  while (i < n) {
    TRecord record;
    record.Line = line;
    for (;;) {
      const std::size_t column = record.Cells.size() + 1;
      while (i < n && isBlank(text[i])) ++i;
      std::string cell;
      if (i < n && text[i] == '"') {
        const int quoteLine = line;
        ++i;
        bool closed = false;
        while (i < n) {
          const char c = text[i];
          if (c == '"') {
            if (i + 1 < n && text[i + 1] == '"') {
              cell += '"';
              i += 2;
              continue;
            }
            ++i;
            closed = true;
            break;
          }
          if (IsLineEnd(c)) {
            cell += '\n';
            skipLineEnd();
            continue;
          }
          cell += c;
          ++i;
        }
        if (!closed) return Place(quoteLine, column) + "the quoted cell is not closed";
        while (i < n && isBlank(text[i])) ++i;
        if (i < n && text[i] != delimiter && !IsLineEnd(text[i]))
          return Place(line, column) + "text after the closing quote";
      } else {
        const std::size_t start = i;
        while (i < n && text[i] != delimiter && !IsLineEnd(text[i])) ++i;
        std::size_t end = i;
        while (end > start && isBlank(text[end - 1])) --end;
        cell.assign(text.substr(start, end - start));
      }
      record.Cells.push_back(std::move(cell));
      if (i < n && text[i] == delimiter) {
        ++i;
        continue;
      }
      if (i < n) skipLineEnd();
      break;
    }
    const bool empty =
        std::all_of(record.Cells.begin(), record.Cells.end(), [](const std::string& c) { return c.empty(); });
    if (!empty) records.push_back(std::move(record));
  }
  return {};
}

bool IsNumber(std::string_view cell) {
  double v = 0;
  return TryStrToFloat(cell, v);
}

}  // namespace

std::string ParseTextTable(std::string_view text, TTextTable& table) {
  table = TTextTable();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

  // A tab outside quotes: a spreadsheet's copy, separated by tabs.
  bool quoted = false;
  table.Delimiter = ',';
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (c == '\t' && !quoted) {
      table.Delimiter = '\t';
      break;
    }
  }

  std::vector<TRecord> records;
  if (std::string error = ReadRecords(text, table.Delimiter, records); !error.empty()) return error;
  if (records.empty()) return "the table is empty";

  // Columns that are empty in every row are the trailing separators of a
  // spreadsheet's selection: dropped.
  std::size_t columns = 0;
  for (const TRecord& r : records)
    for (std::size_t c = r.Cells.size(); c > columns; --c)
      if (!r.Cells[c - 1].empty()) {
        columns = c;
        break;
      }
  for (TRecord& r : records) r.Cells.resize(columns);
  table.Columns = static_cast<int>(columns);

  const TRecord& first = records.front();
  table.HasHeader = std::any_of(first.Cells.begin(), first.Cells.end(),
                                [](const std::string& c) { return !c.empty() && !IsNumber(c); });
  std::size_t firstData = 0;
  if (table.HasHeader) {
    table.Header = first.Cells;
    firstData = 1;
  }
  if (records.size() == firstData) return "the table has no rows of numbers below its header";
  for (std::size_t r = firstData; r < records.size(); ++r) {
    table.Rows.push_back(std::move(records[r].Cells));
    table.RowLines.push_back(records[r].Line);
  }
  return {};
}

std::string_view ColumnRoleName(TColumnRole role) {
  static constexpr std::array<std::string_view, ColumnRoleCount> names = {
      "ignored",      "flow",         "static pressure", "total pressure", "shaft power",
      "sound power",  "63 Hz band",   "125 Hz band",     "250 Hz band",    "500 Hz band",
      "1000 Hz band", "2000 Hz band", "4000 Hz band",    "8000 Hz band"};
  const auto i = static_cast<std::size_t>(role);
  return i < names.size() ? names[i] : std::string_view();
}

namespace {

// The catalogue's units of a type, counted per unit of the list's unit `si`.
std::vector<TQuantityUnit> CatalogueUnits(TUnitsType type, int si) {
  const std::span<const TUnitDef> list = GetUnitsList(type);
  const double siFactor = list[static_cast<std::size_t>(si)].Factor;
  std::vector<TQuantityUnit> units;
  for (const TUnitDef& u : list) units.push_back({u.Label, u.Factor / siFactor});
  return units;
}

const std::vector<TQuantityUnit>& FlowUnits() {
  static const std::vector<TQuantityUnit> units = CatalogueUnits(utAirFlowPrim, 0);
  return units;
}

const std::vector<TQuantityUnit>& PressureUnits() {
  static const std::vector<TQuantityUnit> units = [] {
    std::vector<TQuantityUnit> u = CatalogueUnits(utAirPressDrop, 1);
    // Millimetres of water, as many fan tables give pressure: a thousandth
    // of the catalogue's metre of water.
    const auto head =
        std::find_if(u.begin(), u.end(), [](const TQuantityUnit& x) { return x.Label == "mHead"; });
    u.push_back({"mmWg", head->PerSI * 1000});
    return u;
  }();
  return units;
}

const std::vector<TQuantityUnit>& PowerUnits() {
  static const std::vector<TQuantityUnit> units = CatalogueUnits(utPower, 0);
  return units;
}

constexpr std::array<TQuantityUnit, 1> kSoundUnits = {{{"dB", 1}}};

// Lower case, "³" / "²" as "3" / "2", blanks, dots and underscores left out:
// "In. WG" -> "inwg", "m³/hr" -> "m3/hr".
std::string FoldUnit(std::string_view text) {
  std::string folded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0xC2 && i + 1 < text.size() &&
        (static_cast<unsigned char>(text[i + 1]) == 0xB3 ||
         static_cast<unsigned char>(text[i + 1]) == 0xB2)) {
      folded += static_cast<unsigned char>(text[++i]) == 0xB3 ? '3' : '2';
      continue;
    }
    if (c == ' ' || c == '\t' || c == '.' || c == '_') continue;
    folded += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
  }
  return folded;
}

// Spellings of fan tables beside the catalogue's labels and keys: folded
// spelling -> label.
struct TAlias {
  std::string_view Spelling;
  std::string_view Label;
};
constexpr TAlias kFlowAliases[] = {{"m3/h", "m³/hr"},  {"m3/sec", "m³/s"}, {"lps", "l/s"},
                                   {"ft3/min", "cfm"}, {"acfm", "cfm"},    {"l/sec", "l/s"}};
constexpr TAlias kPressureAliases[] = {{"inwg", "InchWg"}, {"inh2o", "InchWg"}, {"inwc", "InchWg"},
                                       {"iwg", "InchWg"},  {"\"wg", "InchWg"},  {"inchh2o", "InchWg"},
                                       {"mmh2o", "mmWg"},  {"mmwc", "mmWg"},    {"mmaq", "mmWg"},
                                       {"mh2o", "mHead"},  {"mwg", "mHead"},    {"inhg", "InchHg"}};
constexpr TAlias kPowerAliases[] = {{"bhp", "HP"}, {"kilowatt", "kW"}, {"kilowatts", "kW"}};

std::span<const TAlias> Aliases(TColumnRole role) {
  switch (role) {
    case crFlow:
      return kFlowAliases;
    case crStaticPressure:
    case crTotalPressure:
      return kPressureAliases;
    case crShaftPower:
      return kPowerAliases;
    default:
      return {};
  }
}

// The catalogue type whose keys name the role's units as well.
std::optional<TUnitsType> CatalogueType(TColumnRole role) {
  switch (role) {
    case crFlow:
      return utAirFlowPrim;
    case crStaticPressure:
    case crTotalPressure:
      return utAirPressDrop;
    case crShaftPower:
      return utPower;
    default:
      return std::nullopt;
  }
}

std::optional<int> IndexOfLabel(std::span<const TQuantityUnit> units, std::string_view label) {
  for (std::size_t i = 0; i < units.size(); ++i)
    if (units[i].Label == label) return static_cast<int>(i);
  return std::nullopt;
}

}  // namespace

std::span<const TQuantityUnit> RoleUnits(TColumnRole role) {
  switch (role) {
    case crFlow:
      return FlowUnits();
    case crStaticPressure:
    case crTotalPressure:
      return PressureUnits();
    case crShaftPower:
      return PowerUnits();
    case crSoundPower:
      return kSoundUnits;
    default:
      return role >= crBand63 && role < ColumnRoleCount ? std::span<const TQuantityUnit>(kSoundUnits)
                                                        : std::span<const TQuantityUnit>();
  }
}

int DefaultRoleUnit(TColumnRole role) { return role == crStaticPressure || role == crTotalPressure ? 1 : 0; }

std::optional<int> FindRoleUnit(TColumnRole role, std::string_view text) {
  const std::span<const TQuantityUnit> units = RoleUnits(role);
  const std::string wanted = FoldUnit(text);
  if (wanted.empty()) return std::nullopt;
  for (std::size_t i = 0; i < units.size(); ++i)
    if (FoldUnit(units[i].Label) == wanted) return static_cast<int>(i);
  if (const auto type = CatalogueType(role))
    for (const TUnitDef& u : GetUnitsList(*type))
      if (FoldUnit(u.Key) == wanted) return IndexOfLabel(units, u.Label);
  for (const TAlias& a : Aliases(role))
    if (a.Spelling == wanted) return IndexOfLabel(units, a.Label);
  return std::nullopt;
}

namespace {

// The words of a title, lower case: "Static Pressure" -> {"static", "pressure"}.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      word += ch;
    } else if (c >= 'A' && c <= 'Z') {
      word += static_cast<char>(c - 'A' + 'a');
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

bool HasWord(const std::vector<std::string>& words, std::initializer_list<std::string_view> wanted) {
  return std::any_of(words.begin(), words.end(), [&](const std::string& w) {
    return std::find(wanted.begin(), wanted.end(), w) != wanted.end();
  });
}

// The role a title names by its words; sound before power ("Sound power")
// and total before static ("Total pressure").
TColumnRole RoleOfWords(const std::vector<std::string>& w) {
  if (HasWord(w, {"efficiency", "eff", "eta"})) return crIgnore;
  if (HasWord(w, {"lw", "lwa", "sound", "noise", "swl"})) return crSoundPower;
  if (HasWord(w, {"pt", "ptot", "total", "tp", "ptf"})) return crTotalPressure;
  if (HasWord(w, {"ps", "pst", "psf", "static", "sp", "pressure", "press", "dp"})) return crStaticPressure;
  if (HasWord(w, {"pw", "power", "shaft", "absorbed", "bhp"})) return crShaftPower;
  if (HasWord(w, {"q", "qa", "qv", "v", "flow", "volume", "airflow", "capacity"})) return crFlow;
  return crIgnore;
}

// The role of a title that is a unit alone ("cfm", "Pa", "hp", "dB").
std::optional<TColumnAssignment> RoleOfUnit(std::string_view text) {
  for (TColumnRole role : {crFlow, crStaticPressure, crShaftPower, crSoundPower})
    if (const auto unit = FindRoleUnit(role, text)) {
      TColumnAssignment a;
      a.Role = role;
      a.Unit = *unit;
      return a;
    }
  return std::nullopt;
}

// The units of a role as a list for a message: "m³/s, m³/min, m³/hr, l/s, cfm".
std::string UnitList(TColumnRole role) {
  std::string text;
  for (const TQuantityUnit& u : RoleUnits(role)) text += (text.empty() ? "" : ", ") + std::string(u.Label);
  return text;
}

// A word that can only be meant as a unit: "m^3/h", "ft3/s".
bool LooksLikeUnit(std::string_view word) { return word.find_first_of("/^") != std::string_view::npos; }

TColumnAssignment Unassigned(std::string_view title, TColumnRole role, std::string_view unit) {
  TColumnAssignment a;
  a.Named = role;
  a.Problem = Format(
      "the title \"%s\" gives the %s in '%s', a unit the units catalogue does not know (%s "
      "units: %s)",
      {title, ColumnRoleName(role), unit,
       role == crStaticPressure || role == crTotalPressure ? "pressure"
       : role == crShaftPower                              ? "power"
       : role == crSoundPower                              ? "sound power"
                                                           : "flow",
       UnitList(role)});
  return a;
}

}  // namespace

TColumnAssignment GuessColumn(std::string_view title) {
  title = Trim(title);
  if (const std::optional<std::size_t> band = BandOfTitle(title)) {
    TColumnAssignment a;
    a.Role = static_cast<TColumnRole>(crBand63 + *band);
    return a;
  }
  // The unit: in brackets, or else possibly the last one to three words
  // ("Static pressure mm H2O").
  std::string_view name = title, unit;
  if (const auto open = title.find_first_of("(["); open != std::string_view::npos) {
    const auto close = title.find_first_of(")]", open + 1);
    unit = Trim(
        title.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1));
    name = Trim(title.substr(0, open));
  } else {
    std::vector<std::size_t> blanks;
    for (std::size_t i = 0; i < title.size(); ++i)
      if ((title[i] == ' ' || title[i] == '\t') && i > 0 && title[i - 1] != ' ' && title[i - 1] != '\t')
        blanks.push_back(i);
    for (std::size_t words = std::min<std::size_t>(3, blanks.size()); words > 0; --words) {
      const std::size_t blank = blanks[blanks.size() - words];
      const std::string_view last = Trim(title.substr(blank + 1));
      if (RoleOfUnit(last)) {
        unit = last;
        name = Trim(title.substr(0, blank));
        break;
      }
    }
  }
  bool bracketed = !unit.empty();
  if (unit.empty()) {
    // A last word that can only be a unit ("Q m^3/h") is one, known or not.
    const auto blank = title.find_last_of(" \t");
    if (blank != std::string_view::npos && LooksLikeUnit(title.substr(blank + 1))) {
      unit = title.substr(blank + 1);
      name = Trim(title.substr(0, blank));
      bracketed = true;
    }
  }
  TColumnAssignment a;
  a.Role = RoleOfWords(Words(name));
  if (a.Role == crIgnore) {
    if (const auto byUnit = RoleOfUnit(unit.empty() ? title : unit)) return *byUnit;
    return a;
  }
  // A name that is a unit itself ("BHP") gives the unit too.
  auto found = FindRoleUnit(a.Role, unit.empty() ? name : unit);
  if (!found && bracketed) return Unassigned(title, a.Role, unit);
  a.Unit = found ? *found : DefaultRoleUnit(a.Role);
  return a;
}

std::vector<TColumnAssignment> GuessColumns(const TTextTable& table) {
  std::vector<TColumnAssignment> columns(static_cast<std::size_t>(std::max(table.Columns, 0)));
  if (table.HasHeader) {
    for (std::size_t c = 0; c < columns.size() && c < table.Header.size(); ++c)
      columns[c] = GuessColumn(table.Header[c]);
    return columns;
  }
  constexpr TColumnRole byPosition[] = {crFlow, crStaticPressure, crShaftPower, crSoundPower};
  for (std::size_t c = 0; c < columns.size() && c < std::size(byPosition); ++c) {
    columns[c].Role = byPosition[c];
    columns[c].Unit = DefaultRoleUnit(byPosition[c]);
  }
  return columns;
}

}  // namespace blowden
