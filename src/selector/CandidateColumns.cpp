#include "selector/CandidateColumns.h"

#include <array>
#include <filesystem>

#include "base/Format.h"
#include "fan/FanVerdict.h"

namespace blowden {

namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "; ") + line;
  return text;
}

constexpr std::string_view kAToZ = "A to Z", kZToA = "Z to A";

const std::array<TCandidateColumn, 22> kColumns{{
    {"file", "File", TColumnUnit::None, "file", false, false, 0, nullptr,
     [](const TCandidate& c) { return std::filesystem::path(c.File.str()).stem().string(); }, kAToZ, kZToA},
    {"maker", "Maker", TColumnUnit::None, "maker", false, false, 0, nullptr,
     [](const TCandidate& c) { return c.Maker; }, kAToZ, kZToA},
    {"range", "Range", TColumnUnit::None, "range", false, false, 0, nullptr,
     [](const TCandidate& c) { return c.Range; }, kAToZ, kZToA},
    {"model", "Model", TColumnUnit::None, "model", true, false, 0, nullptr,
     [](const TCandidate& c) { return c.Model; }, kAToZ, kZToA},
    {"speed", "Speed", TColumnUnit::Rpm, "speed", true, false, 0,
     [](const TCandidate& c, const TResultUnits&) -> std::optional<double> { return c.Speed; }},
    {"speed_margin", "Speed margin", TColumnUnit::Percent, "speed margin", false, true, 1,
     [](const TCandidate& c, const TResultUnits&) -> std::optional<double> { return c.SpeedMargin; }},
    {"flow", "Flow", TColumnUnit::Flow, "flow", false, true, -1,
     [](const TCandidate& c, const TResultUnits& u) -> std::optional<double> {
       return FlowInUnits(c.Flow, u);
     }},
    {"static_pressure", "Static pressure", TColumnUnit::Pressure, "static pressure", false, true, -1,
     [](const TCandidate& c, const TResultUnits& u) -> std::optional<double> {
       return PressureInUnits(c.StaticPressure, u);
     }},
    {"total_pressure", "Total pressure", TColumnUnit::Pressure, "total pressure", false, true, -1,
     [](const TCandidate& c, const TResultUnits& u) -> std::optional<double> {
       return PressureInUnits(c.TotalPressure, u);
     }},
    {"shaft_power", "Shaft power", TColumnUnit::Power, "shaft power", true, false, -1,
     [](const TCandidate& c, const TResultUnits& u) -> std::optional<double> {
       return PowerInUnits(c.ShaftPower, u);
     }},
    {"static_efficiency", "Static eff.", TColumnUnit::Percent, "static efficiency", false, true, 1,
     [](const TCandidate& c, const TResultUnits&) -> std::optional<double> { return c.StaticEfficiency; }},
    {"efficiency", "Total eff.", TColumnUnit::Percent, "total efficiency", true, true, 1,
     [](const TCandidate& c, const TResultUnits&) -> std::optional<double> { return c.Efficiency; }},
    {"sound_power", "Sound power", TColumnUnit::SoundPower, "sound power", true, false, 1,
     [](const TCandidate& c, const TResultUnits&) -> std::optional<double> { return c.SoundPower; }},
    {"stall_margin", "Stall margin", TColumnUnit::Percent, "stall margin", false, true, 1,
     [](const TCandidate& c, const TResultUnits&) { return c.StallMargin; }},
    {"bep_ratio", "Flow / BEP", TColumnUnit::Percent, "flow in % of the best-efficiency flow", false, false,
     0, [](const TCandidate& c, const TResultUnits&) -> std::optional<double> { return c.BepRatio; }},
    // The energy figures exist only where the core could compute them; the
    // cell is blank otherwise.
    {"fei", "FEI", TColumnUnit::None, "FEI", true, true, 2,
     [](const TCandidate& c, const TResultUnits&) -> std::optional<double> {
       if (!c.Energy.Known) return std::nullopt;
       return c.Energy.Fei;
     },
     nullptr, "lowest first", "highest first", ""},
    {"electrical_power", "Electrical power", TColumnUnit::Power, "electrical power", false, false, -1,
     [](const TCandidate& c, const TResultUnits& u) -> std::optional<double> {
       if (!c.Energy.Known) return std::nullopt;
       return PowerInUnits(c.Energy.ElectricalPower, u);
     },
     nullptr, "lowest first", "highest first", ""},
    // No rating of the series large enough: no motor.
    {"motor", "Motor", TColumnUnit::Power, "motor rating", false, false, -1,
     [](const TCandidate& c, const TResultUnits& u) -> std::optional<double> {
       if (!c.Energy.Known || c.Energy.Motor.RatedPower <= 0) return std::nullopt;
       return PowerInUnits(c.Energy.Motor.RatedPower, u);
     },
     nullptr, "lowest first", "highest first", ""},
    // LwA needs octave bands.
    {"lwa", "LwA", TColumnUnit::DecibelA, "A-weighted sound power", false, false, 1,
     [](const TCandidate& c, const TResultUnits&) { return c.Sound.LwA; }, nullptr, "lowest first",
     "highest first", ""},
    {"lp", "Lp", TColumnUnit::Decibel, "sound pressure level", false, false, 1,
     [](const TCandidate& c, const TResultUnits&) -> std::optional<double> { return c.Sound.Lp; }, nullptr,
     "lowest first", "highest first", ""},
    // Ok before warning; rejected rows say "rejected".
    {"verdict", "Verdict", TColumnUnit::None, "verdict", true, false, 0,
     [](const TCandidate& c, const TResultUnits&) -> std::optional<double> {
       return static_cast<double>(c.Verdict);
     },
     [](const TCandidate& c) { return std::string(VerdictName(c.Verdict)); }, "best first", "worst first"},
    // Sorted by the number of warnings.
    {"warnings", "Warnings / reason", TColumnUnit::None, "number of warnings", true, false, 0,
     [](const TCandidate& c, const TResultUnits&) -> std::optional<double> {
       return static_cast<double>(c.WarningNotes.size());
     },
     [](const TCandidate& c) { return Joined(c.Warnings()); }, "fewest first", "most first"},
}};

}  // namespace

std::span<const TCandidateColumn> CandidateColumns() { return kColumns; }

std::string ColumnHeader(const TCandidateColumn& column, const TResultUnits& units) {
  std::string_view unit;
  switch (column.Unit) {
    case TColumnUnit::None:
      break;
    case TColumnUnit::Rpm:
      unit = "rpm";
      break;
    case TColumnUnit::Percent:
      unit = "%";
      break;
    case TColumnUnit::Flow:
      unit = FlowUnitLabel(units);
      break;
    case TColumnUnit::Pressure:
      unit = PressureUnitLabel(units);
      break;
    case TColumnUnit::Power:
      unit = PowerUnitLabel(units);
      break;
    case TColumnUnit::SoundPower:
      unit = "dB(a)";
      break;
    case TColumnUnit::DecibelA:
      unit = "dB(A)";
      break;
    case TColumnUnit::Decibel:
      unit = "dB";
      break;
  }
  std::string header(column.Title);
  if (!unit.empty()) header += " " + std::string(unit);
  return header;
}

std::string SortCaption(int column, bool descending) {
  const std::span<const TCandidateColumn> columns = CandidateColumns();
  if (column < 0 || static_cast<std::size_t>(column) >= columns.size()) return RankCaption(TRankKey::Power);
  const TCandidateColumn& c = columns[static_cast<std::size_t>(column)];
  // Text is sorted; figures (the verdict and the warnings among them) are ranked.
  const bool ranked = c.Figure != nullptr;
  return std::string(ranked ? "Ranked by " : "Sorted by ") + std::string(c.Quantity) + ", " +
         std::string(descending ? c.Descending : c.Ascending);
}

int RankKeyColumn(TRankKey key) {
  const std::string_view name = key == TRankKey::Efficiency ? "efficiency"
                                : key == TRankKey::Sound    ? "sound_power"
                                : key == TRankKey::Speed    ? "speed"
                                : key == TRankKey::Margin   ? "stall_margin"
                                : key == TRankKey::Fei      ? "fei"
                                                            : "shaft_power";
  const std::span<const TCandidateColumn> columns = CandidateColumns();
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (columns[i].Key == name) return static_cast<int>(i);
  return -1;
}

std::string RankCaption(TRankKey key) {
  const int column = RankKeyColumn(key);
  return SortCaption(column, CandidateColumns()[static_cast<std::size_t>(column)].HighestFirst);
}

std::string NothingFitsLine(const TRanking& ranking) {
  if (!ranking.Candidates.empty()) return {};
  if (ranking.Rejected.empty()) return "No fan meets the duty: no model was ranked";
  std::vector<TVerdictRule> rules;
  rules.reserve(ranking.Rejected.size());
  for (const TRejected& r : ranking.Rejected) rules.push_back(r.Rule);
  std::string counts = RejectionCounts(rules);
  if (counts.empty()) counts = std::to_string(ranking.Rejected.size()) + " rejected";
  return "No fan meets the duty: " + counts;
}

std::vector<bool> ShownColumns(std::string_view setting) {
  const std::span<const TCandidateColumn> columns = CandidateColumns();
  std::vector<bool> shown;
  for (const TCandidateColumn& c : columns) shown.push_back(c.Shown);
  while (!setting.empty()) {
    const std::size_t comma = setting.find(',');
    const std::string_view item = setting.substr(0, comma);
    setting = comma == std::string_view::npos ? std::string_view() : setting.substr(comma + 1);
    const std::size_t equals = item.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = item.substr(0, equals), value = item.substr(equals + 1);
    if (value != "0" && value != "1") continue;
    for (std::size_t i = 0; i < columns.size(); ++i)
      if (columns[i].Key == key) shown[i] = value == "1";
  }
  return shown;
}

std::string ShownColumnsSetting(const std::vector<bool>& shown) {
  const std::span<const TCandidateColumn> columns = CandidateColumns();
  std::string setting;
  for (std::size_t i = 0; i < columns.size() && i < shown.size(); ++i) {
    if (!setting.empty()) setting += ',';
    setting += std::string(columns[i].Key) + (shown[i] ? "=1" : "=0");
  }
  return setting;
}

}  // namespace blowden
