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
#include "fan/FanDuty.h"

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
  scQuantity,
  scCount
};

constexpr std::array<std::string_view, scCount> kColumnNames = {
    "mark",          "flow",    "flow_units", "pressure",    "pressure_units",
    "pressure_kind", "density", "altitude",   "temperature", "quantity"};

constexpr TScheduleColumn kRequired[] = {scMark, scFlow, scPressure};

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

  // The row's duty, read as every view reads one (ParseDuty); the messages
  // name the columns.
  std::optional<TDuty> Duty(std::string& error) const {
    constexpr std::pair<TDutyField, TScheduleColumn> kFields[] = {{dfFlow, scFlow},
                                                                  {dfFlowUnits, scFlowUnits},
                                                                  {dfPressure, scPressure},
                                                                  {dfPressureUnits, scPressureUnits},
                                                                  {dfPressureKind, scPressureKind},
                                                                  {dfDensity, scDensity},
                                                                  {dfAltitude, scAltitude},
                                                                  {dfTemperature, scTemperature}};
    TDutyText text;
    for (const auto& [field, column] : kFields) {
      text.Values[field] = std::string(Field(column));
      text.Places[field] = " in column " + std::string(kColumnNames[column]);
    }
    TDuty duty;
    if (!ParseDuty(text, duty, error)) return std::nullopt;
    return duty;
  }

 private:
  const TColumnMap& FColumns;
  const std::vector<std::string>& FFields;
};

bool ReadQuantity(std::string_view text, int& quantity) {
  std::int32_t n = 0;
  if (!TryStrToInt(text, n) || n < 1 || n > kMaxQuantity) return false;
  quantity = n;
  return true;
}

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
    int quantity = 1;
    if (const std::string_view q = row.Field(scQuantity); !q.empty() && !ReadQuantity(q, quantity)) {
      problem(Format("'%s' is not a quantity (a whole number from 1 to %d) in column quantity",
                     {std::string(q), kMaxQuantity}),
              mark);
      continue;
    }
    schedule.Rows.push_back({r->Line, mark, *duty, quantity});
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
      {"short of the duty", "short of the duty"},
      {"left of its pressure peak", "left of their pressure peak"},
      {"with impossible figures", "with impossible figures"},
      {"with a verify error", "with verify errors"},
      {"with no speed for the duty", "with no speed for the duty"},
      {"below the minimum FEI", "below the minimum FEI"},
  };
  enum {
    kAbove,
    kBelow,
    kFlowRange,
    kShort,
    kData,
    kFile,
    kShortOfDuty,
    kStall,
    kImpossible,
    kVerify,
    kNoSpeed,
    kFei
  };
  std::map<std::string, int> others;  // by the reason's own words
  for (const TRejected& r : ranking.Rejected) {
    if (r.Model.empty()) {
      ++kinds[kFile].Count;
      continue;
    }
    // The verdict's first rule, where the rejection names one.
    int byRule = -1;
    switch (r.Rule) {
      case TVerdictRule::SpeedAbove:
        byRule = kAbove;
        break;
      case TVerdictRule::SpeedBelow:
        byRule = kBelow;
        break;
      case TVerdictRule::FlowRange:
        byRule = kFlowRange;
        break;
      case TVerdictRule::DutyNotMet:
        byRule = kShortOfDuty;
        break;
      case TVerdictRule::Stall:
        byRule = kStall;
        break;
      case TVerdictRule::Impossible:
        byRule = kImpossible;
        break;
      case TVerdictRule::VerifyError:
        byRule = kVerify;
        break;
      case TVerdictRule::NoSpeed:
        byRule = kNoSpeed;
        break;
      case TVerdictRule::ModelRead:
        byRule = kData;
        break;
      case TVerdictRule::FeiBelow:
        byRule = kFei;
        break;
      case TVerdictRule::None:
      case TVerdictRule::OtherStatus:
        break;
    }
    if (byRule >= 0) {
      ++kinds[byRule].Count;
      continue;
    }
    switch (r.Status) {
      case fsSpeedRange:
        ++kinds[r.Reason().find("above") != std::string::npos ? kAbove : kBelow].Count;
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
        ++others[r.Reason()];
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
    entry.SoundLevel = SoundRankLevel(ranking.Candidates);  // of every candidate, not only those kept
    if (ranking.Candidates.size() > kScheduleCandidates) ranking.Candidates.resize(kScheduleCandidates);
    entry.Candidates = std::move(ranking.Candidates);
    entry.Rejected = std::move(ranking.Rejected);
    entry.Messages = std::move(ranking.Messages);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace blowden
