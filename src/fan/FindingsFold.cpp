#include "fan/FindingsFold.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <unordered_map>

#include "base/Format.h"
#include "numeric/Regress.h"

namespace blowden {

namespace {

// "point 4" or "points 1, 2, 5" (1-based); a long list names its first
// kListedPoints and the count: "points 1, 2, ..., 20 and 480 more".
constexpr std::size_t kListedPoints = 20;
std::string PointList(const std::vector<int>& points) {
  std::string text = points.size() == 1 ? "point" : "points";
  const std::size_t listed = std::min(points.size(), kListedPoints);
  for (std::size_t i = 0; i < listed; ++i) text += Format(i == 0 ? " %d" : ", %d", {points[i] + 1});
  if (points.size() > listed) text += Format(" and %d more", {static_cast<int>(points.size() - listed)});
  return text;
}

// How far a fit misses a tested value, in % of the value (0 for a value of 0).
double MissPercent(std::span<const double> coeffs, double flow, double value) {
  if (value == 0) return 0;
  return 100 * (value - PolyValue(coeffs, flow)) / std::abs(value);
}

// The point whose removal lets the fit meet every other point within the
// warning limit while it misses the point itself; the one missed most when
// several do. -1: no single point explains the misses. Only the points the
// whole fit misses most are tried, so that a long table costs a few fits.
int CascadeSource(std::span<const double> flows, const TFoldFit& fit) {
  const std::size_t n = std::min(flows.size(), fit.Values.size());
  // Without the point the fit must still be overdetermined to judge the others.
  if (n < static_cast<std::size_t>(fit.Order) + 3) return -1;
  const auto fitted = [&](std::span<const double> xs, std::span<const double> ys,
                          std::vector<double>& coeffs) {
    int error = 0;
    TFitStats stats;
    std::string summary;
    FitPolynomial(xs, ys, static_cast<int>(xs.size()), fit.Order, coeffs, error, stats, summary);
    return error == 0 && !coeffs.empty();
  };
  std::vector<double> coeffs;
  if (!fitted(flows.first(n), fit.Values.first(n), coeffs)) return -1;
  std::vector<std::size_t> suspects(n);
  for (std::size_t j = 0; j < n; ++j) suspects[j] = j;
  const auto off = [&](std::size_t j) { return std::abs(fit.Values[j] - PolyValue(coeffs, flows[j])); };
  constexpr std::size_t kSuspects = 3;
  const std::size_t tried = std::min(kSuspects, n);
  std::partial_sort(suspects.begin(), suspects.begin() + static_cast<std::ptrdiff_t>(tried), suspects.end(),
                    [&](std::size_t a, std::size_t b) { return off(a) > off(b); });
  suspects.resize(tried);

  int best = -1;
  double bestMiss = kResidualWarningPercent;
  std::vector<double> xs, ys;
  for (const std::size_t c : suspects) {
    xs.clear();
    ys.clear();
    for (std::size_t j = 0; j < n; ++j)
      if (j != c) {
        xs.push_back(flows[j]);
        ys.push_back(fit.Values[j]);
      }
    if (!fitted(xs, ys, coeffs)) continue;
    bool others = true;
    for (std::size_t j = 0; j < n && others; ++j)
      if (j != c && std::abs(MissPercent(coeffs, flows[j], fit.Values[j])) > kResidualWarningPercent)
        others = false;
    const double own = std::abs(MissPercent(coeffs, flows[c], fit.Values[c]));
    if (others && own > bestMiss) {
      best = static_cast<int>(c);
      bestMiss = own;
    }
  }
  return best;
}

}  // namespace

void FoldFitMisses(std::span<const double> flows, std::span<const TFoldFit> fits,
                   std::vector<TFinding>& findings, std::vector<TFindingTag>& tags) {
  std::vector<bool> gone(findings.size(), false);

  // 1. One point pulling its fit off the others.
  for (std::size_t f = 0; f < fits.size(); ++f) {
    std::vector<std::size_t> misses;
    for (std::size_t i = 0; i < findings.size(); ++i)
      if (tags[i].Fit == static_cast<int>(f)) misses.push_back(i);
    if (misses.size() < 2) continue;
    const int source = CascadeSource(flows, fits[f]);
    if (source < 0) continue;
    const auto own = std::find_if(misses.begin(), misses.end(),
                                  [&](std::size_t i) { return findings[i].Point == source; });
    if (own == misses.end()) continue;
    std::vector<int> pulled;
    for (std::size_t i : misses)
      if (i != *own) {
        pulled.push_back(findings[i].Point);
        gone[i] = true;
      }
    findings[*own].Text += ", and " + PointList(pulled) + " by more than 3 % because of it";
  }

  // 2. A warning explained by another finding on the same point about the
  // same quantity: a fit's miss by an error or another warning, any other
  // warning by an error. Misses go first, so that what they join travels on.
  std::unordered_map<int, std::vector<std::size_t>> onPoint;
  for (std::size_t i = 0; i < findings.size(); ++i)
    if (findings[i].Point >= 0) onPoint[findings[i].Point].push_back(i);
  const auto foldInto = [&](std::size_t i, bool errorsOnly) {
    const std::vector<std::size_t>& there = onPoint[findings[i].Point];
    for (const TFindingLevel level : {TFindingLevel::Error, TFindingLevel::Warning}) {
      if (level == TFindingLevel::Warning && errorsOnly) break;
      for (const std::size_t k : there) {
        const TFinding& other = findings[k];
        if (k == i || gone[k] || tags[k].Fit >= 0 || other.Level != level ||
            other.Model != findings[i].Model || (tags[k].Topic & tags[i].Topic) == 0)
          continue;
        findings[k].Text += "; " + findings[i].Text;
        gone[i] = true;
        return;
      }
    }
  };
  for (std::size_t i = 0; i < findings.size(); ++i)
    if (!gone[i] && tags[i].Fit >= 0 && findings[i].Point >= 0) foldInto(i, false);
  for (std::size_t i = 0; i < findings.size(); ++i)
    if (!gone[i] && tags[i].Fit < 0 && findings[i].Level == TFindingLevel::Warning && findings[i].Point >= 0)
      foldInto(i, true);

  std::size_t kept = 0;
  for (std::size_t i = 0; i < findings.size(); ++i) {
    if (gone[i]) continue;
    if (kept != i) {
      findings[kept] = std::move(findings[i]);
      tags[kept] = tags[i];
    }
    ++kept;
  }
  findings.resize(kept);
  tags.resize(kept);
}

}  // namespace blowden
