#include "fan/FanLimits.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "base/Format.h"
#include "fan/FanSound.h"

namespace blowden {

namespace {

constexpr double kQuarterPi = 0.78539816339744830962;
constexpr double kPi = 3.14159265358979323846;

// A figure of a message: six significant digits, or what a value that is
// not finite is.
std::string Figure(double value) {
  if (std::isnan(value)) return "not a number";
  if (std::isinf(value)) return value > 0 ? "infinite" : "-infinite";
  return FormatGeneral(value, 6);
}

// The first of the `count` entries of `values` that `bad` finds, or -1.
template <typename TBad>
int FirstBad(const std::vector<double>& values, std::size_t count, TBad bad) {
  const std::size_t n = std::min(values.size(), count);
  for (std::size_t i = 0; i < n; ++i)
    if (bad(values[i])) return static_cast<int>(i);
  return -1;
}

// A bound of a message: "1E6", "200", "0.01".
std::string Bound(double value) { return FormatGeneral(value, 3); }

// One list judged against its bounds: the first value not finite or beyond
// [lo, hi] makes one message, "Static pressure 1E308 Pa at point 1 lies
// beyond ±1E6 Pa" (or "beyond 0 to 200 dB" when the bounds are not
// symmetric).
void CheckBounds(std::vector<std::string>& out, const char* what, const char* unit,
                 const std::vector<double>& values, std::size_t count, double lo, double hi) {
  const int i = FirstBad(values, count, [&](double v) { return !std::isfinite(v) || v < lo || v > hi; });
  if (i < 0) return;
  const std::string bounds = lo == -hi ? "±" + Bound(hi) : Bound(lo) + " to " + Bound(hi);
  out.push_back(Format("%s %s %s at point %d lies beyond %s %s",
                       {what, Figure(values[static_cast<std::size_t>(i)]), unit, i + 1, bounds, unit}));
}

// The catalogue's test density: a finite number above 0, within its bounds.
void CheckDensity(std::vector<std::string>& out, double rho) {
  if (!std::isfinite(rho) || rho <= 0)
    out.push_back(Format("Density %s kg/m³ must be a finite number above zero", {Figure(rho)}));
  else if (rho < kMinDensityBound || rho > kMaxDensityBound)
    out.push_back(Format("Density %s kg/m³ lies beyond %s to %s kg/m³",
                         {Figure(rho), Bound(kMinDensityBound), Bound(kMaxDensityBound)}));
}

}  // namespace

double ModelOutletArea(const TFanModel& m) {
  const double w = m.OutletWidth, h = m.OutletHeight;
  if (w != 0 && h != 0) return w * h;
  if (w == 0 && h != 0) return kQuarterPi * h * h;
  if (w != 0 && h == 0) return kQuarterPi * w * w;
  return 0;
}

double TipSpeed(const TFanModel& m, double speed) { return kPi * m.Diameter * speed / 60; }

std::vector<std::string> VerifyModelData(const TFanHeader& header, const TFanModel& m, int readStatus,
                                         const std::string& readProblem, bool readComplete) {
  std::vector<std::string> out;
  const std::size_t count = static_cast<std::size_t>(std::max(m.Count, 0));
  if (m.Count < 5) out.emplace_back("Too few volume data points (must be more than 5)");
  if (m.Ps.size() != count) out.emplace_back("Static pressure point count error");
  if (m.Pw.size() != count) out.emplace_back("Power point count error");
  if (m.Lw.size() != count) out.emplace_back("Noise point count error");
  bool ordered = true, positive = true;
  for (std::size_t i = 0; i < m.Qa.size(); ++i) {
    if (i > 0 && m.Qa[i] < m.Qa[i - 1]) ordered = false;
    if (m.Qa[i] < 0) positive = false;
  }
  if (!ordered) out.emplace_back("Volume flows must be in increasing order");
  if (!positive) out.emplace_back("Volume flows must be greater than zero");
  if (!m.Qa.empty() && !(m.QaNom >= m.Qa[0]))
    out.emplace_back("Nominal flow must be greater than the lowest flow");
  if (count > 0 && count <= m.Qa.size() && m.QaNom > m.Qa[count - 1])
    out.emplace_back("Nominal flow must be less than the biggest flow");
  if (ModelOutletArea(m) == 0) out.emplace_back("Outlet dimensions need to be assigned");
  if (m.RefSpeed < m.MinSpeed) out.emplace_back("Ref speed must be greater than MinSpeed");
  if (m.RefSpeed > m.MaxSpeed) out.emplace_back("Ref speed must be less than MaxSpeed");
  if (m.HasSpeeds) {
    bool rising = true;
    for (std::size_t i = 1; i < m.Speeds.size(); ++i)
      if (m.Speeds[i] < m.Speeds[i - 1]) rising = false;
    if (!rising) out.emplace_back("Speed range must be in increasing order");
  }
  // What the twelve rules above let through but no duty can be solved with.
  if (readStatus != fsReady) {
    std::string line = "Model read ended with \"" + std::string(StatusTextOf(readStatus)) + "\"";
    if (!readProblem.empty()) line += ": " + readProblem;
    out.push_back(std::move(line));
  }
  if (m.RefSpeed <= 0 || m.MinSpeed <= 0 || m.MaxSpeed <= 0)
    out.push_back(Format("Speeds must be above zero (RefSpeed %d, MinSpeed %d, MaxSpeed %d rpm)",
                         {m.RefSpeed, m.MinSpeed, m.MaxSpeed}));
  if (m.MinSpeed > m.MaxSpeed)
    out.push_back(Format("MinSpeed %d rpm must not be above MaxSpeed %d rpm", {m.MinSpeed, m.MaxSpeed}));
  if (m.HasSpeeds) {
    for (int speed : m.Speeds) {
      if (speed < m.MinSpeed || speed > m.MaxSpeed) {
        out.push_back(Format("Listed speed %d rpm lies outside MinSpeed..MaxSpeed (%d..%d rpm)",
                             {speed, m.MinSpeed, m.MaxSpeed}));
        break;
      }
    }
  }
  if (!(m.Diameter > 0)) out.push_back(Format("Diameter must be above zero (%g mm)", {m.Diameter * 1000}));

  if (readComplete) {
    std::vector<std::string> data = DataErrors(header, m);
    out.insert(out.end(), std::make_move_iterator(data.begin()), std::make_move_iterator(data.end()));
    AppendBandErrors(m, out);
  } else {
    // The lists of a read that stopped early are not this model's.
    CheckDensity(out, header.Density);
  }
  for (std::string& line : RatingErrors(header.Rating, m.Rating)) out.push_back(std::move(line));
  return out;
}

std::vector<std::string> DataErrors(const TFanHeader& header, const TFanModel& m) {
  std::vector<std::string> out;
  CheckDensity(out, header.Density);

  const std::size_t count = std::min(static_cast<std::size_t>(std::max(m.Count, 0)), m.Qa.size());
  if (count >= 2) {
    if (FirstBad(m.Qa, count, [](double q) { return q != 0; }) < 0) {
      out.emplace_back("Volume flows are all zero");
    } else {
      for (std::size_t i = 1; i < count; ++i)
        if (m.Qa[i] == m.Qa[i - 1]) {
          out.push_back(Format("Volume flows must not repeat: points %d and %d both have %s m³/s",
                               {static_cast<int>(i), static_cast<int>(i + 1), Figure(m.Qa[i])}));
          break;
        }
    }
  }
  if (count > 0 && FirstBad(m.Ps, count, [](double p) { return p > 0; }) < 0)
    out.emplace_back("No positive static pressure: the fan delivers against no pressure at any point");
  if (const int i = FirstBad(m.Pw, count, [](double p) { return p <= 0; }); i >= 0)
    out.push_back(Format("Shaft power must be above zero (point %d: %s kW)",
                         {i + 1, Figure(m.Pw[static_cast<std::size_t>(i)])}));

  CheckBounds(out, "Volume flow", "m³/s", m.Qa, count, -kMaxFlowBound, kMaxFlowBound);
  CheckBounds(out, "Static pressure", "Pa", m.Ps, count, -kMaxPressureBound, kMaxPressureBound);
  CheckBounds(out, "Shaft power", "kW", m.Pw, count, -kMaxPowerBound, kMaxPowerBound);
  CheckBounds(out, "Sound power", "dB", m.Lw, count, kMinSoundBound, kMaxSoundBound);

  const int speeds[] = {m.RefSpeed, m.MinSpeed, m.MaxSpeed};
  if (std::any_of(std::begin(speeds), std::end(speeds), [](int s) { return s > kMaxSpeedBound; }) ||
      (m.HasSpeeds &&
       std::any_of(m.Speeds.begin(), m.Speeds.end(), [](int s) { return s > kMaxSpeedBound; })))
    out.push_back(Format("Speeds must not exceed %d rpm (RefSpeed %d, MinSpeed %d, MaxSpeed %d rpm)",
                         {kMaxSpeedBound, m.RefSpeed, m.MinSpeed, m.MaxSpeed}));
  const double sizes[] = {m.Diameter, m.OutletWidth, m.OutletHeight};
  if (std::any_of(std::begin(sizes), std::end(sizes),
                  [](double s) { return !std::isfinite(s) || std::fabs(s) > kMaxSizeBound; }))
    out.push_back(Format("Diameter and outlet sides must lie within %s m (diameter %s mm, outlet %s x %s mm)",
                         {Bound(kMaxSizeBound), Figure(m.Diameter * 1000), Figure(m.OutletWidth * 1000),
                          Figure(m.OutletHeight * 1000)}));
  if (!std::isfinite(m.QaNom))
    out.push_back(Format("Nominal flow %s m³/s is not a finite number", {Figure(m.QaNom)}));
  return out;
}

}  // namespace blowden
