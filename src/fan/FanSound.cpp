#include "fan/FanSound.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "base/Convert.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "fan/QmFan.h"

namespace blowden {

namespace {

// The items of a comma-separated list, as the reader splits every list.
std::vector<std::string_view> Items(std::string_view text) {
  std::vector<std::string_view> items;
  SplitList(text, items);
  return items;
}

std::size_t PointCount(const TFanModel& m) { return static_cast<std::size_t>(std::max(m.Count, 0)); }

}  // namespace

std::string BandKey(std::size_t band) { return "Lw" + std::to_string(kBandCentres.at(band)); }

std::string_view SoundKindName(TSoundKind kind) {
  switch (kind) {
    case TSoundKind::Inlet:
      return "Inlet";
    case TSoundKind::Outlet:
      return "Outlet";
    case TSoundKind::Total:
      return "Total";
    case TSoundKind::None:
      break;
  }
  return "";
}

std::optional<TSoundKind> FindSoundKind(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return TSoundKind::None;
  for (TSoundKind kind : {TSoundKind::Inlet, TSoundKind::Outlet, TSoundKind::Total})
    if (SameText(text, SoundKindName(kind))) return kind;
  return std::nullopt;
}

double EnergySum(std::span<const double> levels) {
  double sum = 0;
  for (double level : levels) sum += std::pow(10.0, level / 10);
  return sum > 0 ? 10 * std::log10(sum) : -std::numeric_limits<double>::infinity();
}

double AWeightedSum(const std::array<double, kBandCount>& bands) {
  std::array<double, kBandCount> weighted{};
  for (std::size_t i = 0; i < kBandCount; ++i) weighted[i] = bands[i] + kAWeighting[i];
  return EnergySum(weighted);
}

double PressureLevelAt(double lw, const TListener& listener) {
  const double r = listener.Distance;
  return lw - 10 * std::log10(4 * std::numbers::pi * r * r / listener.Directivity);
}

std::optional<std::string> DistanceError(double distance, std::string_view shown, std::string_view place) {
  if (std::isfinite(distance) && distance > 0 && distance <= kMaxDistance) return std::nullopt;
  return Format("the distance must lie above 0 and at most %g m ('%s'%s)",
                {kMaxDistance, std::string(shown), std::string(place)});
}

std::optional<std::string> DirectivityError(double directivity, std::string_view shown,
                                            std::string_view place) {
  if (std::isfinite(directivity) && directivity >= kMinDirectivity && directivity <= kMaxDirectivity)
    return std::nullopt;
  return Format("the directivity must lie between %g and %g ('%s'%s)",
                {kMinDirectivity, kMaxDirectivity, std::string(shown), std::string(place)});
}

void ReadModelBands(const TIniFile& ini, const TIniSection& section, std::string_view catalogueKind,
                    TFanModel& model) {
  TModelBands& b = model.Bands;
  b = TModelBands{};
  const TIniFile::TEntry* begin = ini.Entries().data() + section.First;
  const TIniFile::TEntry* end = begin + section.Count;
  // The first of duplicate keys wins, as everywhere in the file.
  auto find = [&](std::string_view key) -> const std::string_view* {
    for (const TIniFile::TEntry* e = begin; e != end; ++e)
      if (SameText(e->Key, key)) return &e->Value;
    return nullptr;
  };
  for (std::size_t i = 0; i < kBandCount; ++i) {
    const std::string key = BandKey(i);
    const std::string_view* value = find(key);
    if (!value) continue;
    b.Given[i] = true;
    const std::vector<std::string_view> items = Items(*value);
    b.Lw[i].resize(items.size());
    for (std::size_t j = 0; j < items.size(); ++j) {
      double v = 0;
      if (!TryStrToFloat(items[j], v) && !b.Unreadable) {
        b.Unreadable = true;
        b.Problems.push_back(Format("\"%s\" item %d is '%s', not a number",
                                    {key, static_cast<int>(j + 1), std::string(items[j])}));
      }
      b.Lw[i][j] = v;
    }
  }
  const std::string_view* own = find("LwKind");
  const std::string_view kindText = own ? *own : catalogueKind;
  if (const std::optional<TSoundKind> kind = FindSoundKind(kindText))
    b.Kind = *kind;
  else
    b.Problems.push_back(Format("\"LwKind\" is '%s': Inlet, Outlet or Total", {std::string(Trim(kindText))}));
}

bool HasBands(const TFanModel& m) {
  const TModelBands& b = m.Bands;
  for (std::size_t i = 0; i < kBandCount; ++i)
    if (!b.Given[i] || b.Lw[i].size() != PointCount(m) || PointCount(m) == 0) return false;
  // An item that is not a number reads as 0: such bands are not reported.
  return !b.Unreadable;
}

std::vector<double> BandSums(const TFanModel& m) {
  std::vector<double> sums(PointCount(m));
  std::array<double, kBandCount> point{};
  for (std::size_t j = 0; j < sums.size(); ++j) {
    for (std::size_t i = 0; i < kBandCount; ++i) point[i] = m.Bands.Lw[i][j];
    sums[j] = EnergySum(point);
  }
  return sums;
}

std::string DerivedBandLines(const TFanModel& source, long double step, TFanModel& derived,
                             std::string (*listText)(const std::vector<double>&)) {
  TModelBands& b = derived.Bands;
  b = TModelBands{};
  b.Kind = source.Bands.Kind;
  std::string lines;
  if (b.Kind != TSoundKind::None) lines += "LwKind=" + std::string(SoundKindName(b.Kind)) + "\n";
  for (std::size_t i = 0; i < kBandCount; ++i) {
    b.Given[i] = true;
    b.Lw[i].reserve(source.Bands.Lw[i].size());
    for (double level : source.Bands.Lw[i]) b.Lw[i].push_back(static_cast<double>(level + step));
    lines += BandKey(i) + "=" + listText(b.Lw[i]) + "\n";
  }
  return lines;
}

void AppendBandErrors(const TFanModel& m, std::vector<std::string>& out) {
  const TModelBands& b = m.Bands;
  std::string missing;
  int given = 0;
  for (std::size_t i = 0; i < kBandCount; ++i) {
    if (!b.Given[i]) {
      missing += (missing.empty() ? "" : ", ") + BandKey(i);
      continue;
    }
    ++given;
    if (b.Lw[i].size() != PointCount(m))
      out.push_back(Format("%s holds %d value(s) for %d flows",
                           {BandKey(i), static_cast<int>(b.Lw[i].size()), m.Count}));
  }
  if (given > 0 && given < static_cast<int>(kBandCount))
    out.push_back("Octave bands must be given all eight or none (missing: " + missing + ")");
  out.insert(out.end(), b.Problems.begin(), b.Problems.end());
}

std::vector<TFinding> BandFindings(const TFanModel& m) {
  std::vector<TFinding> out;
  if (!HasBands(m)) return out;
  const std::vector<double> sums = BandSums(m);
  const std::size_t n = std::min(sums.size(), m.Lw.size());
  for (std::size_t j = 0; j < n; ++j) {
    const double difference = sums[j] - m.Lw[j];
    if (std::fabs(difference) > kBandSumTolerance)
      out.push_back(
          {m.Name, TFindingLevel::Warning, static_cast<int>(j),
           Format("Octave bands sum to %0.1f dB, %0.1f dB %s the sound power %0.1f dB (more than 1 dB)",
                  {sums[j], std::fabs(difference), difference > 0 ? "above" : "below", m.Lw[j]})});
  }
  return out;
}

TSoundFigures SoundAtOperatingPoint(const TModelData& data, const TRefPoint& point, double lw, double speed,
                                    double densityRatio, const TListener& listener) {
  const TFanModel& m = data.Model;
  TSoundFigures s;
  s.Lw = lw;
  s.Listener = listener;
  s.Kind = m.Bands.Kind;
  const double r = speed / m.RefSpeed;
  if (HasBands(m) && r > 0) {
    // The total's own correction, the same terms added in the same order:
    // a band list equal to "Lw" gives the total bit for bit.
    std::array<double, kBandCount> bands{};
    for (std::size_t i = 0; i < kBandCount; ++i) {
      bands[i] = RefInterpolated(data, point, m.Bands.Lw[i]) + 50 * std::log10(r);
      if (densityRatio != 1) bands[i] += 20 * std::log10(densityRatio);
    }
    s.Bands = bands;
    s.LwA = AWeightedSum(bands);
  }
  s.LpWeighted = s.LwA.has_value();
  s.Lp = PressureLevelAt(s.LwA ? *s.LwA : lw, listener);
  return s;
}

std::string ListenerText(const TListener& listener) {
  return "at " + FormatGeneral(listener.Distance, 4) + " m, Q = " + FormatGeneral(listener.Directivity, 4);
}

std::string_view PressureLevelUnit(const TSoundFigures& sound) {
  return sound.LpWeighted ? "dB(A)" : "dB (unweighted)";
}

std::vector<std::string> SoundLines(const TSoundFigures& sound) {
  std::vector<std::string> lines;
  if (sound.LwA) lines.push_back(Format("A-weighted Sound Power\t%0.1f\tdB(A)", {*sound.LwA}));
  lines.push_back(std::string(sound.LpWeighted ? "Lp " : "Lp unweighted ") + ListenerText(sound.Listener) +
                  Format("\t%0.1f\t", {sound.Lp}) + (sound.LpWeighted ? "dB(A)" : "dB"));
  return lines;
}

}  // namespace blowden
