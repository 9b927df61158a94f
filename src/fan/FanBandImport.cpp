#include "fan/FanBandImport.h"

#include <cctype>

#include "base/Convert.h"
#include "base/Format.h"
#include "fan/FanSound.h"

namespace blowden {

std::optional<std::size_t> BandOfTitle(std::string_view title) {
  // Lower case without blanks, dots and a bracketed unit: "Lw 1 kHz [dB]" -> "lw1khz".
  std::string t;
  for (char ch : title) {
    if (ch == '(' || ch == '[') break;
    const auto c = static_cast<unsigned char>(ch);
    if (std::isspace(c) || ch == '.' || ch == '_' || ch == '-') continue;
    t += static_cast<char>(std::tolower(c));
  }
  if (t.starts_with("lw")) t.erase(0, 2);
  if (t.ends_with("hz")) t.erase(t.size() - 2);
  int factor = 1;
  if (t.ends_with("k")) {
    t.pop_back();
    factor = 1000;
  }
  if (t.empty() || t.size() > 4 ||
      !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const int centre = std::stoi(t) * factor;
  for (std::size_t i = 0; i < kBandCount; ++i)
    if (kBandCentres[i] == centre) return i;
  return std::nullopt;
}

bool HasAllBandColumns(std::span<const int> columnOfRole) {
  for (std::size_t i = 0; i < kBandCount; ++i) {
    const std::size_t role = static_cast<std::size_t>(crBand63) + i;
    if (role >= columnOfRole.size() || columnOfRole[role] < 0) return false;
  }
  return true;
}

std::optional<std::string> ImportBandColumns(const TTextTable& table, std::span<const int> columnOfRole,
                                             const std::vector<std::size_t>& rows,
                                             const std::function<std::string(int)>& title, bool withoutLw,
                                             TFanModel& model) {
  model.Bands = TModelBands{};
  std::string missing;
  int given = 0;
  for (std::size_t i = 0; i < kBandCount; ++i) {
    const std::size_t role = static_cast<std::size_t>(crBand63) + i;
    if (role < columnOfRole.size() && columnOfRole[role] >= 0)
      ++given;
    else
      missing += (missing.empty() ? "" : ", ") + std::to_string(kBandCentres[i]) + " Hz";
  }
  if (given == 0) return std::nullopt;
  if (given < static_cast<int>(kBandCount))
    return "the octave bands need all eight columns (missing: " + missing + ")";
  for (std::size_t i = 0; i < kBandCount; ++i) {
    const int c = columnOfRole[static_cast<std::size_t>(crBand63) + i];
    model.Bands.Given[i] = true;
    model.Bands.Lw[i].reserve(rows.size());
    for (std::size_t row : rows) {
      const std::vector<std::string>& cells = table.Rows[row];
      const auto ci = static_cast<std::size_t>(c);
      const std::string& cell = ci < cells.size() ? cells[ci] : std::string();
      const int line = row < table.RowLines.size() ? table.RowLines[row] : static_cast<int>(row) + 1;
      const std::string place = Format("line %d, ", {line}) + title(c) + ": ";
      if (cell.empty()) return place + "the cell is empty";
      double v = 0;
      if (!TryStrToFloat(cell, v)) return place + "'" + cell + "' is not a number";
      model.Bands.Lw[i].push_back(v);
    }
  }
  if (withoutLw) model.Lw = BandSums(model);
  return std::nullopt;
}

std::string BandLinesText(const TFanModel& model, std::string (*listText)(const std::vector<double>&)) {
  std::string lines;
  if (model.Bands.Kind != TSoundKind::None)
    lines += "LwKind=" + std::string(SoundKindName(model.Bands.Kind)) + "\n";
  for (std::size_t i = 0; i < kBandCount; ++i) lines += BandKey(i) + "=" + listText(model.Bands.Lw[i]) + "\n";
  return lines;
}

}  // namespace blowden
