#include "charts/ChartGeometry.h"

#include <algorithm>
#include <cmath>

namespace blowden {

void KeepInside(double& lo, double& hi, std::initializer_list<double> values, double margin) {
  if (!(lo < hi) || !std::isfinite(lo) || !std::isfinite(hi)) return;
  const double room = (hi - lo) * margin;
  const bool positive = lo >= 0;
  for (const double v : values) {
    if (!std::isfinite(v)) continue;
    if (v > hi - room) hi = v + room;
    if (v < lo + room) lo = positive ? std::max(0.0, v - room) : v - room;
  }
}

namespace {

// Liang-Barsky: the part t0 .. t1 of the segment a .. b inside the
// rectangle; false when none of it is.
bool ClipSegment(const std::pair<double, double>& a, const std::pair<double, double>& b, double x0, double x1,
                 double y0, double y1, double& t0, double& t1) {
  const double dx = b.first - a.first, dy = b.second - a.second;
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {a.first - x0, x1 - a.first, a.second - y0, y1 - a.second};
  t0 = 0;
  t1 = 1;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1) return false;
  }
  return true;
}

std::pair<double, double> Along(const std::pair<double, double>& a, const std::pair<double, double>& b,
                                double t) {
  // The ends themselves stay exact.
  if (t == 0) return a;
  if (t == 1) return b;
  return {a.first + (b.first - a.first) * t, a.second + (b.second - a.second) * t};
}

}  // namespace

std::vector<TPolyline> ClipPolyline(const TPolyline& line, double x0, double x1, double y0, double y1) {
  std::vector<TPolyline> pieces;
  TPolyline piece;
  const auto finish = [&] {
    if (piece.size() >= 2) pieces.push_back(std::move(piece));
    piece.clear();
  };
  const auto finite = [](const std::pair<double, double>& v) {
    return std::isfinite(v.first) && std::isfinite(v.second);
  };
  if (line.size() == 1 && finite(line[0]) && x0 <= line[0].first && line[0].first <= x1 &&
      y0 <= line[0].second && line[0].second <= y1)
    return {line};
  for (std::size_t i = 1; i < line.size(); ++i) {
    const auto &a = line[i - 1], &b = line[i];
    double t0 = 0, t1 = 1;
    if (!finite(a) || !finite(b) || !ClipSegment(a, b, x0, x1, y0, y1, t0, t1)) {
      finish();
      continue;
    }
    if (piece.empty() || t0 > 0) {
      finish();
      piece.push_back(Along(a, b, t0));
    }
    piece.push_back(Along(a, b, t1));
    if (t1 < 1) finish();
  }
  finish();
  return pieces;
}

}  // namespace blowden
