#include "charts/ChartScale.h"

#include <algorithm>
#include <cmath>

#include "base/Convert.h"
#include "base/Format.h"
#include "base/StepRound.h"

namespace blowden {

namespace {

struct TNiceStep {
  double Step;
  double Threshold;
};

// A step is taken while the raw step is at most 10 % (in the small range, a
// little less) above it, so a window never gets far fewer ticks than asked.
constexpr TNiceStep NiceSteps[] = {
    {0.0001, 0.00011}, {0.0002, 0.00021}, {0.0005, 0.00051}, {0.001, 0.0011}, {0.002, 0.0021},
    {0.005, 0.0051},   {0.01, 0.011},     {0.02, 0.021},     {0.05, 0.051},   {0.1, 0.11},
    {0.2, 0.21},       {0.5, 0.51},       {1, 1.1},          {2, 2.1},        {5, 5.1},
    {10, 10.1},        {20, 20.1},        {25, 25.1},        {50, 50.1},      {100, 100.1},
    {150, 150.1},      {200, 200.1},      {250, 250.1},      {300, 300.1},    {500, 500.1},
};

// A window wider than this many ticks is not worth drawing tick by tick.
constexpr int MaxTickCount = 10000;

}  // namespace

double NiceStep(double raw) {
  if (raw > 500.1) return CeilToStep(raw, 500, 0);
  for (const TNiceStep& entry : NiceSteps)
    if (entry.Threshold >= raw) return entry.Step;
  return 500;  // only a NaN gets here
}

std::string ChooseNumberFormat(double value) {
  if (value > 9999) return "%4.2g";
  const double a = std::trunc(std::fabs(value));
  if (a >= 75 || value == 0) return "%0.0f";
  if (a >= 1) return "%0.1f";
  if (value > 0.1) return "%0.2f";
  if (value > 0.01) return "%0.3f";
  return "%0.4f";
}

std::string TrimNumber(const std::string& text) {
  std::string s = text;
  const std::size_t e = s.find_first_of("Ee");
  if (e != std::string::npos) {
    std::size_t digits = e + 1;
    if (digits < s.size() && (s[digits] == '-' || s[digits] == '+')) ++digits;
    std::size_t end = digits;
    while (end < s.size() && s[end] == '0') ++end;
    s.erase(digits, end - digits);
    if (digits == s.size()) s += '0';  // an exponent of zero keeps one digit
    return s;
  }
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  return s;
}

namespace {

// Whether a label text reads back as the value (up to rounding noise).
bool ReadsAs(const std::string& text, double value) {
  double back = 0;
  return TryStrToFloat(text, back) && std::fabs(back - value) <= 1e-9 * std::max(1.0, std::fabs(value));
}

}  // namespace

std::string ChartTickLabel(double value) {
  const std::string format = ChooseNumberFormat(value);
  std::string label = TrimNumber(Format(format, {value}));
  if (format.back() != 'f' || ReadsAs(label, value)) return label;
  // A label must not misstate its grid line: 1.25 written "%0.1f" reads 1.3.
  // Up to four decimals are added when they write the value exactly; a value
  // without a short decimal form (1/3) keeps the usual label.
  for (int decimals = format[3] - '0' + 1; decimals <= 4; ++decimals) {
    std::string longer = TrimNumber(FormatFixed(value, decimals));
    if (ReadsAs(longer, value)) return longer;
  }
  return label;
}

int TickDecimals(double value) {
  const std::string text = FormatFixed(value, 2);
  const std::size_t point = text.find('.');
  const std::size_t w = point == std::string::npos ? text.size() : point;
  if (w <= 1) return 2;
  if (w == 2) return 1;
  return 0;
}

std::string GraphTickLabel(double value) { return FormatFixed(value, TickDecimals(value)); }

double TTickSet::Value(double lo, int k) const {
  const double v = lo + k * Step;
  // lo + k * step lands a rounding error away from 0 where it should be 0
  // (-0.3 + 3 * 0.1); such a tick is labelled "0", not "-0" or "0.0000".
  return std::fabs(v) < Step * 1e-9 ? 0.0 : v;
}

TTickSet ChartTicks(double lo, double hi, int wanted) {
  TTickSet ticks;
  if (!(lo < hi) || !std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(hi - lo)) return ticks;
  if (wanted < 2) wanted = 2;
  const double raw = (hi - lo) / (wanted - 1);
  ticks.Step = NiceStep(raw);
  if (!(ticks.Step > 0)) return ticks;
  const double count = std::trunc((hi - lo) * 1.02 / ticks.Step);
  if (!(count <= MaxTickCount)) return ticks;
  ticks.Count = static_cast<int>(count);
  ticks.First = lo;
  ticks.Drawn = true;
  return ticks;
}

TTickSet RoundTicks(double lo, double hi, int wanted) {
  TTickSet ticks;
  if (!(lo < hi) || !std::isfinite(lo) || !std::isfinite(hi) || !std::isfinite(hi - lo)) return ticks;
  if (wanted < 2) wanted = 2;
  // Up to twice as many ticks may be asked for until three fit.
  for (int asked = wanted; asked <= 2 * wanted; ++asked) {
    const double step = NiceStep((hi - lo) / (asked - 1));
    if (!(step > 0)) return ticks;
    // A limit a rounding error away from a multiple counts as that multiple.
    const double first = std::ceil(lo / step - 1e-9);
    const double last = std::floor(hi / step + 1e-9);
    const double count = last - first;
    if (!(count <= MaxTickCount)) return ticks;
    if (count < 2 && asked < 2 * wanted) continue;
    if (count < 0) return ticks;
    ticks.Step = step;
    ticks.First = first * step;
    ticks.Count = static_cast<int>(count);
    ticks.Drawn = true;
    return ticks;
  }
  return ticks;
}

int StepDecimals(double step) {
  step = std::fabs(step);
  for (int decimals = 0; decimals < 6; ++decimals) {
    const double scaled = step * std::pow(10.0, decimals);
    if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * std::max(1.0, scaled)) return decimals;
  }
  return 6;
}

std::string RoundTickLabel(double value, double step, const std::string& groupSeparator) {
  if (std::fabs(value) > 1e7) return ChartTickLabel(value);
  std::string text = FormatFixed(value, StepDecimals(step));
  if (groupSeparator.empty()) return text;
  const std::size_t begin = text[0] == '-' ? 1 : 0;
  std::size_t end = text.find('.');
  if (end == std::string::npos) end = text.size();
  for (std::size_t at = end; at > begin + 3;) {
    at -= 3;
    text.insert(at, groupSeparator);
  }
  return text;
}

}  // namespace blowden
