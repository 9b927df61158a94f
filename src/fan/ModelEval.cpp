#include "fan/ModelEval.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "numeric/QmRoot.h"
#include "numeric/Regress.h"

namespace blowden {

namespace {

constexpr double kQuarterPi = 0.7853981633974483;

double Interpolate(const std::vector<double>& v, int count, int i, double t) {
  const std::size_t n = std::min(v.size(), static_cast<std::size_t>(std::max(count, 0)));
  if (n == 0 || i < 0) return 0;
  const std::size_t ui = static_cast<std::size_t>(i);
  if (ui + 1 >= n) return ui < n ? v[ui] : v[n - 1];
  return v[ui] + (v[ui + 1] - v[ui]) * t;
}

// Carries a duty along its system curve P ∝ Q² from speed NOld to NNew.
void ScaleDuty(double& Q, double& P, double NNew, double NOld) {
  const double c = NNew / NOld;
  P = c * c * P;
  Q = c * Q;
}

bool FlowInRange(const TFanModel& m, double Margin, double N, double Q) {
  const double lo = LowestFlow(m), hi = HighestFlow(m);
  const double span = hi - lo;
  const double qRef = m.RefSpeed * Q / N;
  return lo - Margin * span <= qRef && qRef <= hi + Margin * span;
}

}  // namespace

void LocateSegment(std::span<const double> V, int n, double x, int& i, double& t) {
  const int count =
      std::min(n, static_cast<int>(std::min<std::size_t>(V.size(), std::numeric_limits<int>::max())));
  i = 0;
  t = 0;
  if (count < 2) return;
  const bool rising = V[0] < V[1];
  std::size_t k = 0;
  const std::size_t last = static_cast<std::size_t>(count) - 2;
  while (k < last) {
    if (rising) {
      if (x < V[k] || (V[k] <= x && x <= V[k + 1])) break;
    } else {
      if (x > V[k] || (V[k + 1] <= x && x <= V[k])) break;
    }
    ++k;
  }
  i = static_cast<int>(k);
  t = SafeDivide(x - V[k], V[k + 1] - V[k], 0);
}

int StrictOrder(std::span<const double> V, int n) {
  const std::size_t count = std::min(V.size(), static_cast<std::size_t>(std::max(n, 0)));
  if (count < 2) return 0;
  bool rising = true, falling = true;
  for (std::size_t k = 0; k + 1 < count; ++k) {
    rising = rising && V[k] < V[k + 1];
    falling = falling && V[k] > V[k + 1];
  }
  return rising ? 1 : falling ? -1 : 0;
}

TRefPoint LocateFlow(const TModelData& d, double qRef) {
  const TFanModel& m = d.Model;
  TRefPoint p;
  p.QRef = qRef;
  const std::size_t count = std::min(m.Qa.size(), static_cast<std::size_t>(std::max(m.Count, 0)));
  // The scan stops at the first segment whose far end is not short of qRef
  // (rising) or not beyond it (falling), else at the last: for strictly
  // ordered flows that is the first such far end, found by halving. A NaN
  // passes every segment: the scan takes it.
  if (d.FlowOrder == 0 || count < 2 || std::isnan(qRef)) {
    LocateSegment(m.Qa, m.Count, qRef, p.Segment, p.Fraction);
    return p;
  }
  const auto first = m.Qa.begin() + 1, last = m.Qa.begin() + static_cast<std::ptrdiff_t>(count);
  const auto end = d.FlowOrder > 0 ? std::lower_bound(first, last, qRef)
                                   : std::lower_bound(first, last, qRef, std::greater<double>());
  const std::size_t k = std::min(static_cast<std::size_t>(end - first), count - 2);
  p.Segment = static_cast<int>(k);
  p.Fraction = SafeDivide(qRef - m.Qa[k], m.Qa[k + 1] - m.Qa[k], 0);
  return p;
}

TRefPoint RefPointOf(const TModelData& d, double Q, double N) {
  return LocateFlow(d, d.Model.RefSpeed * Q / N);
}

double RefPressure(const TModelData& d, const TRefPoint& p) {
  if (d.FitError == 0) return PolyValue(d.Coeffs, p.QRef);
  return Interpolate(d.Model.Ps, d.Model.Count, p.Segment, p.Fraction);
}

double RefPower(const TModelData& d, const TRefPoint& p) {
  return Interpolate(d.Model.Pw, d.Model.Count, p.Segment, p.Fraction);
}

double RefSound(const TModelData& d, const TRefPoint& p) {
  return Interpolate(d.Model.Lw, d.Model.Count, p.Segment, p.Fraction);
}

double RefInterpolated(const TModelData& d, const TRefPoint& p, const std::vector<double>& values) {
  return Interpolate(values, d.Model.Count, p.Segment, p.Fraction);
}

double OutletArea(const TFanModel& m) {
  const double w = m.OutletWidth, h = m.OutletHeight;
  if (w != 0 && h != 0) return w * h;
  if (w == 0 && h != 0) return kQuarterPi * h * h;
  if (w != 0 && h == 0) return kQuarterPi * w * w;
  return 0;
}

double LowestFlow(const TFanModel& m) { return m.Qa.empty() || m.Count < 1 ? 0 : m.Qa[0]; }

double HighestFlow(const TFanModel& m) {
  const std::size_t n = std::min(m.Qa.size(), static_cast<std::size_t>(std::max(m.Count, 0)));
  return n == 0 ? 0 : m.Qa[n - 1];
}

int MaxPressureIndex(const TFanModel& m) {
  const std::size_t n = std::min(m.Ps.size(), static_cast<std::size_t>(std::max(m.Count, 0)));
  std::size_t best = 0;
  for (std::size_t i = 1; i < n; ++i)
    if (m.Ps[i] > m.Ps[best]) best = i;
  return static_cast<int>(best);
}

int MinPositivePressureIndex(const TFanModel& m) {
  const std::size_t n = std::min(m.Ps.size(), static_cast<std::size_t>(std::max(m.Count, 0)));
  std::size_t held = 0;
  for (std::size_t i = 1; i < n; ++i)
    if (m.Ps[i] > 0 && m.Ps[i] < m.Ps[held]) held = i;
  return static_cast<int>(held);
}

double PressureAtSpeed(const TModelData& d, const TRefPoint& p, double N) {
  const double r = N / d.Model.RefSpeed;
  return RefPressure(d, p) * (r * r);
}

double ShaftPower(const TModelData& d, const TRefPoint& p, double N) {
  const double r = N / d.Model.RefSpeed;
  return RefPower(d, p) * (r * r * r);
}

std::optional<double> SoundPower(const TModelData& d, const TRefPoint& p, double N) {
  const double r = N / d.Model.RefSpeed;
  if (!(r > 0)) return std::nullopt;
  return RefSound(d, p) + 50 * std::log10(r);
}

double PressureAt(const TModelData& d, double Q, double N) {
  return PressureAtSpeed(d, RefPointOf(d, Q, N), N);
}

double DynamicPressure(const TFanModel& m, double density, double Q) {
  const double area = OutletArea(m);
  const double v = area == 0 ? 0 : Q / area;
  return area == 0 ? 0 : 0.5 * density * v * v;
}

TSpeedSolution SolveDutySpeed(const TModelData& d, double Q, double P) {
  const TFanModel& m = d.Model;
  TSpeedSolution s;
  s.Flow = Q;
  s.Pressure = P;
  s.Point.Q = Q;
  s.Point.Status = fsReady;
  const double nRef = m.RefSpeed;
  // The pressure the fan gives at speed n short of the duty's system curve
  // there. The search ends on the point of its last try: a fitted pressure
  // needs no segment, so that point is located once, after the search.
  TRefPoint& tried = s.Point.Ref;
  double lastRef = 0;
  const bool fitted = d.FitError == 0;
  const auto mismatch = [&](double n) {
    lastRef = nRef * Q / n;
    const double r = nRef / n;
    const double pressure = fitted ? PolyValue(d.Coeffs, lastRef) : RefPressure(d, LocateFlow(d, lastRef));
    return pressure - (r * r) * P;
  };
  // One pointer is small enough for the root finder to hold without
  // allocating: a ranking solves once per model and duty.
  TRoot root([f = &mismatch](double n) { return (*f)(n); });
  root.SetControl(100, 1e-6);

  double n = root.Secant(nRef * Q / m.QaNom, (static_cast<double>(m.MaxSpeed) - m.MinSpeed) * 0.1);
  if (n < 0 || root.Status != rsConverged) n = root.Newton(nRef);
  if (n < 0 || root.Status != rsConverged)
    n = root.Bracketed(kLowSpeedMargin * m.MinSpeed, kHighSpeedMargin * m.MaxSpeed);
  s.RawSpeed = n;
  tried = LocateFlow(d, lastRef);

  if (root.Status != rsConverged) {
    // No speed meets the duty: describe the fan at its nominal point instead.
    s.Point.Status = fsDataError;
    s.Flow = m.QaNom;
    tried = LocateFlow(d, m.QaNom);
    s.Pressure = RefPressure(d, tried);
    s.Speed = nRef;
    return s;
  }
  if (n < kLowSpeedMargin * m.MinSpeed) {
    ScaleDuty(s.Flow, s.Pressure, m.MinSpeed, n);
    s.Point.Status = fsSpeedRange;
    s.Speed = m.MinSpeed;
    return s;
  }
  if (n > kHighSpeedMargin * m.MaxSpeed) {
    ScaleDuty(s.Flow, s.Pressure, m.MaxSpeed, n);
    s.Point.Status = fsSpeedRange;
    s.Speed = m.MaxSpeed;
    return s;
  }
  // A model with a speed list runs at the first listed speed not below the
  // root, or at the last one. An empty list is treated as no list.
  if (m.HasSpeeds && !m.Speeds.empty()) {
    int listed = m.Speeds.back();
    for (int sp : m.Speeds)
      if (sp >= n) {
        listed = sp;
        break;
      }
    ScaleDuty(s.Flow, s.Pressure, listed, n);
    n = listed;
  }
  if (!FlowInRange(m, kFlowMargin, n, s.Flow)) s.Point.Status = fsVolumeRange;
  s.Speed = n;
  return s;
}

TSpeedSolution NominalPoint(const TModelData& d) {
  TSpeedSolution s;
  const double n = d.Model.RefSpeed;
  s.Flow = d.Model.QaNom;
  s.Point.Q = s.Flow;
  s.Point.Ref = RefPointOf(d, s.Flow, n);
  s.Point.Status = fsReady;
  s.Pressure = PressureAtSpeed(d, s.Point.Ref, n);
  s.Speed = s.RawSpeed = n;
  return s;
}

double NominalMismatch(const TModelData& d, const TSpeedSolution& s) {
  return std::fabs(d.Model.QaNom * s.Speed / d.Model.RefSpeed - s.Flow);
}

}  // namespace blowden
