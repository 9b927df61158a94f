#include "fan/FanSchedule.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <map>
#include <optional>

#include "base/Convert.h"
#include "base/Csv.h"
#include "base/Format.h"
#include "units/QmConv.h"

namespace blowden {

namespace {

enum TScheduleColumn {
  scMark,
  scFlow,
  scFlowUnits,
  scPressure,
  scPressureUnits,
  scPressureKind,
  scDensity,
  scAltitude,
  scTemperature,
  scCount
};

constexpr std::array<std::string_view, scCount> kColumnNames = {"mark",     "flow",           "flow_units",
                                                                "pressure", "pressure_units", "pressure_kind",
                                                                "density",  "altitude",       "temperature"};

constexpr TScheduleColumn kRequired[] = {scMark, scFlow, scPressure};

// The units of `select`: flow as the selector's flow field (stored in m³/s,
// index 0), pressure as its pressure field (stored in Pa, index 1).
constexpr TUnitsType kFlowType = utAirFlowPrim;
constexpr int kFlowStored = 0;
constexpr TUnitsType kPressureType = utAirPressDrop;
constexpr int kPressureStored = 1;

std::string UnitChoices(TUnitsType type) {
  std::string text;
  for (const TUnitDef& u : GetUnitsList(type)) text += (text.empty() ? "" : ", ") + std::string(u.Label);
  return text;
}

// Where each known column is in the records (-1: absent).
using TColumnMap = std::array<int, scCount>;

// One row read into a duty, or the first thing wrong with it.
class TRowReader {
 public:
  TRowReader(const TColumnMap& columns, const std::vector<std::string>& fields)
      : FColumns(columns), FFields(fields) {}

  // The field of a column, without surrounding blanks ("" when absent).
  std::string_view Field(TScheduleColumn c) const {
    const int i = FColumns[c];
    return i < 0 ? std::string_view() : Trim(FFields[static_cast<std::size_t>(i)]);
  }

  // A number of a column; `required` columns must hold one.
  std::optional<double> Number(TScheduleColumn c, std::string& error) const {
    const std::string_view text = Field(c);
    if (text.empty()) {
      error = Format("no value in column %s", {std::string(kColumnNames[c])});
      return std::nullopt;
    }
    double value = 0;
    if (!TryStrToFloat(text, value) || !std::isfinite(value)) {
      error = Format("'%s' is not a number in column %s", {std::string(text), std::string(kColumnNames[c])});
      return std::nullopt;
    }
    return value;
  }

  // A value of column `c` given in the units named by column `unitColumn`,
  // converted to the stored unit.
  std::optional<double> Stored(TScheduleColumn c, TScheduleColumn unitColumn, TUnitsType type, int stored,
                               const char* what, std::string& error) const {
    const std::optional<double> value = Number(c, error);
    if (!value) return std::nullopt;
    const std::string_view unitText = Field(unitColumn);
    const std::optional<int> shown =
        unitText.empty() ? std::optional<int>(stored) : FindUnitsIndex(type, unitText);
    if (!shown) {
      error = Format("unknown %s unit '%s' in column %s (known: %s)",
                     {std::string(what), std::string(unitText), std::string(kColumnNames[unitColumn]),
                      UnitChoices(type)});
      return std::nullopt;
    }
    const TUnitsConversion conv = GetUnitsConversion(type, *shown, stored);
    const double result = FromUnits(*value, conv.Factor, conv.Offset);
    if (!std::isfinite(result)) {
      error = Format("'%s' %s lies beyond the range of a number in column %s",
                     {std::string(Field(c)), std::string(unitText), std::string(kColumnNames[c])});
      return std::nullopt;
    }
    return result;
  }

  std::optional<TDuty> Duty(std::string& error) const {
    TDuty duty;
    const std::optional<double> flow = Stored(scFlow, scFlowUnits, kFlowType, kFlowStored, "flow", error);
    if (!flow) return std::nullopt;
    if (!(*flow > 0)) {
      error = Format("the flow must be above 0 ('%s' in column flow)", {std::string(Field(scFlow))});
      return std::nullopt;
    }
    const std::optional<double> pressure =
        Stored(scPressure, scPressureUnits, kPressureType, kPressureStored, "pressure", error);
    if (!pressure) return std::nullopt;
    if (*pressure < 0) {
      error = Format("the pressure must not be negative ('%s' in column pressure)",
                     {std::string(Field(scPressure))});
      return std::nullopt;
    }
    duty.Flow = *flow;
    duty.Pressure = *pressure;

    const std::string_view kind = Field(scPressureKind);
    if (kind.empty() || SameText(kind, "static")) {
      duty.Kind = TPressureKind::Static;
    } else if (SameText(kind, "total")) {
      duty.Kind = TPressureKind::Total;
    } else {
      error = Format("'%s' is not a pressure kind in column pressure_kind (static or total)",
                     {std::string(kind)});
      return std::nullopt;
    }

    const bool density = !Field(scDensity).empty();
    const bool altitude = !Field(scAltitude).empty();
    const bool temperature = !Field(scTemperature).empty();
    if (density && (altitude || temperature)) {
      error = "give the air either as density or as altitude and temperature, not both";
      return std::nullopt;
    }
    if (density) {
      const std::optional<double> rho = Number(scDensity, error);
      if (!rho) return std::nullopt;
      duty.Air = TSiteAir{TSiteAir::saDensity, *rho};
    } else if (altitude || temperature) {
      TSiteAir air{TSiteAir::saAltitudeTemperature};
      if (altitude) {
        const std::optional<double> h = Number(scAltitude, error);
        if (!h) return std::nullopt;
        air.Altitude = *h;
      }
      if (temperature) {
        const std::optional<double> t = Number(scTemperature, error);
        if (!t) return std::nullopt;
        air.Temperature = *t;
      }
      duty.Air = air;
    }
    if (const std::optional<std::string> e = SiteAirError(duty.Air)) {
      error = *e;
      return std::nullopt;
    }
    return duty;
  }

 private:
  const TColumnMap& FColumns;
  const std::vector<std::string>& FFields;
};

bool BlankRecord(const std::vector<std::string>& fields) {
  return std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return Trim(f).empty(); });
}

// A spreadsheet's UTF-8 byte order mark before the first header name.
std::string_view WithoutBom(std::string_view text) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  return text.substr(0, kBom.size()) == kBom ? text.substr(kBom.size()) : text;
}

}  // namespace

bool ParseSchedule(std::string_view text, TSchedule& schedule, std::string& error) {
  schedule = TSchedule{};
  std::vector<TCsvRecord> records;
  if (!ParseCsv(WithoutBom(text), records, error)) return false;
  const auto header = std::find_if(records.begin(), records.end(),
                                   [](const TCsvRecord& r) { return !BlankRecord(r.Fields); });
  if (header == records.end()) {
    error = "the schedule holds no header row (mark, flow, pressure, ...)";
    return false;
  }

  TColumnMap columns;
  columns.fill(-1);
  for (std::size_t i = 0; i < header->Fields.size(); ++i) {
    const std::string_view name = Trim(header->Fields[i]);
    for (int c = 0; c < scCount; ++c) {
      if (!SameText(name, kColumnNames[static_cast<std::size_t>(c)])) continue;
      if (columns[static_cast<std::size_t>(c)] >= 0) {
        error = Format("line %d: column %s is named twice", {header->Line, std::string(name)});
        return false;
      }
      columns[static_cast<std::size_t>(c)] = static_cast<int>(i);
    }
  }
  std::vector<std::string> missing;
  for (TScheduleColumn c : kRequired)
    if (columns[c] < 0) missing.emplace_back(kColumnNames[c]);
  if (!missing.empty()) {
    std::string list;
    for (const std::string& m : missing) list += (list.empty() ? "" : ", ") + m;
    error = Format("line %d: the header lacks the column%s %s (mark, flow and pressure are required)",
                   {header->Line, std::string(missing.size() > 1 ? "s" : ""), list});
    return false;
  }

  std::map<std::string, int> marks;  // mark -> its first line
  for (auto r = std::next(header); r != records.end(); ++r) {
    if (BlankRecord(r->Fields)) continue;
    const auto problem = [&](std::string why, std::string mark = {}) {
      schedule.Problems.push_back({r->Line, std::move(mark), std::move(why)});
    };
    if (r->Fields.size() != header->Fields.size()) {
      problem(Format("%d fields where the header has %d",
                     {static_cast<int>(r->Fields.size()), static_cast<int>(header->Fields.size())}));
      continue;
    }
    const TRowReader row(columns, r->Fields);
    const std::string mark(row.Field(scMark));
    if (mark.empty()) {
      problem("no mark in column mark");
      continue;
    }
    if (const auto [at, added] = marks.emplace(mark, r->Line); !added) {
      problem(Format("the mark '%s' is already used on line %d", {mark, at->second}), mark);
      continue;
    }
    std::string why;
    const std::optional<TDuty> duty = row.Duty(why);
    if (!duty) {
      problem(why, mark);
      continue;
    }
    schedule.Rows.push_back({r->Line, mark, *duty});
  }
  return true;
}

std::string NoCandidateSummary(const TRanking& ranking) {
  if (ranking.Rejected.empty()) return "no fan data file to choose from";
  // Kinds of rejection: singular and plural wording, in a fixed order for ties.
  struct TKind {
    const char* One;
    const char* Many;
    int Count = 0;
  };
  TKind kinds[] = {
      {"above its maximum speed", "above their maximum speed"},
      {"below its minimum speed", "below their minimum speed"},
      {"outside its tested flow range", "outside their tested flow range"},
      {"short of the duty at its highest listed speed", "short of the duty at their highest listed speed"},
      {"with a data error", "with data errors"},
      {"file that cannot be used", "files that cannot be used"},
  };
  enum { kAbove, kBelow, kFlowRange, kShort, kData, kFile };
  std::map<std::string, int> others;  // by the reason's own words
  for (const TRejected& r : ranking.Rejected) {
    if (r.Model.empty()) {
      ++kinds[kFile].Count;
      continue;
    }
    switch (r.Status) {
      case fsSpeedRange:
        ++kinds[r.Reason.find("above") != std::string::npos ? kAbove : kBelow].Count;
        break;
      case fsVolumeRange:
        ++kinds[kFlowRange].Count;
        break;
      case fsReady:
        ++kinds[kShort].Count;
        break;
      case fsDataError:
        ++kinds[kData].Count;
        break;
      default:
        ++others[r.Reason];
        break;
    }
  }
  struct TPart {
    int Count;
    std::string Text;
  };
  std::vector<TPart> parts;
  for (const TKind& k : kinds)
    if (k.Count > 0)
      parts.push_back({k.Count, Format("%d %s", {k.Count, std::string(k.Count == 1 ? k.One : k.Many)})});
  for (const auto& [reason, count] : others) parts.push_back({count, Format("%d: %s", {count, reason})});
  std::stable_sort(parts.begin(), parts.end(),
                   [](const TPart& a, const TPart& b) { return a.Count > b.Count; });
  std::string text = "no model meets the duty: ";
  for (std::size_t i = 0; i < parts.size(); ++i) text += (i ? ", " : "") + parts[i].Text;
  return text;
}

std::vector<TScheduleEntry> RunSchedule(const std::vector<std::string>& files, const TSchedule& schedule,
                                        TRankKey key) {
  std::vector<TScheduleEntry> entries;
  entries.reserve(schedule.Rows.size());
  if (schedule.Rows.empty()) return entries;
  // The files are read once for all the rows.
  const TRankCatalogue catalogue(files);
  for (const TScheduleRow& row : schedule.Rows) {
    TRanking ranking = catalogue.Rank(row.Duty, key);
    TScheduleEntry entry;
    entry.Row = row;
    if (ranking.Candidates.empty()) entry.Reason = NoCandidateSummary(ranking);
    if (ranking.Candidates.size() > kScheduleCandidates) ranking.Candidates.resize(kScheduleCandidates);
    entry.Candidates = std::move(ranking.Candidates);
    entry.Messages = std::move(ranking.Messages);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace blowden
