#include "numeric/Regress.h"

#include <algorithm>
#include <cmath>

#include "base/Format.h"
#include "numeric/Matrices.h"

namespace blowden {

namespace {

constexpr int kMaxLocalDegree = 7;

// R2 and AdjR2 of a fit, or false when they cannot be computed (SST = 0,
// or a sum that overflows). No floating-point exception is raised: every
// division is checked before it is made and every result tested.
bool RegressionTest(std::span<const double> x, std::span<const double> y, std::span<const double> c,
                    TFitStats& stats) {
  const std::size_t n = x.size();
  double sum = 0;
  for (double v : y) sum += v;
  const double mean = sum / static_cast<double>(n);
  double sst = 0, sse = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dev = y[i] - mean;
    sst += dev * dev;
    const double res = y[i] - PolyValue(c, x[i]);
    sse += res * res;
  }
  if (!std::isfinite(sst) || !std::isfinite(sse) || sst == 0) return false;
  const double r2 = 1 - sse / sst;
  const double p = static_cast<double>(c.size());
  const double dof = static_cast<double>(n) - p;
  if (dof == 0) return false;
  const double adj = 1 - (1 - r2) * (static_cast<double>(n) - 1) / dof;
  if (!std::isfinite(r2) || !std::isfinite(adj)) return false;
  stats.R2 = r2;
  stats.AdjR2 = adj;
  return true;
}

}  // namespace

void FitPolynomial(std::span<const double> X, std::span<const double> Y, int N, int Order,
                   std::vector<double>& Coeffs, int& ErrorCode, TFitStats& Stats, std::string& Summary) {
  const std::size_t usable = std::min({static_cast<std::size_t>(std::max(N, 0)), X.size(), Y.size()});
  const int points = static_cast<int>(usable);
  const int d = std::min(Order, points - 2);
  if (points < 2 || d < 0) {
    Coeffs.clear();
    ErrorCode = -1;
    return;
  }
  const std::span<const double> x = X.first(usable);
  const std::span<const double> y = Y.first(usable);
  const std::size_t m = static_cast<std::size_t>(d) + 1;
  Coeffs.assign(m, 0.0);

  // Normal equations: A[j][k] = Σ x^j x^k (upper triangle accumulated, lower
  // copied), B[j] = Σ x^j y.
  std::vector<double> heap;
  double local[(kMaxLocalDegree + 1) * (kMaxLocalDegree + 3)];
  double* a = local;
  if (d > kMaxLocalDegree) {
    heap.resize(m * (m + 2));
    a = heap.data();
  }
  double* b = a + m * m;
  double* pw = b + m;
  std::fill(a, a + m * (m + 2), 0.0);
  for (std::size_t i = 0; i < usable; ++i) {
    pw[0] = 1;
    for (std::size_t j = 1; j < m; ++j) pw[j] = pw[j - 1] * x[i];
    for (std::size_t j = 0; j < m; ++j) {
      for (std::size_t k = j; k < m; ++k) a[j * m + k] += pw[j] * pw[k];
      b[j] += pw[j] * y[i];
    }
  }
  for (std::size_t j = 1; j < m; ++j)
    for (std::size_t k = 0; k < j; ++k) a[j * m + k] = a[k * m + j];

  if (GaussJordan({a, m * m}, {b, m}, static_cast<int>(m), Coeffs) != 0) {
    ErrorCode = -1;
    return;
  }
  ErrorCode = 0;
  if (RegressionTest(x, y, Coeffs, Stats))
    Summary = Format("order=%d, points=%d, r²=%0.4f", {d, points, Stats.AdjR2});
  else
    Summary = "Regression test error";
}

double PolyValue(std::span<const double> Coeffs, double x) {
  if (Coeffs.empty()) return 0;
  const long double lx = x;
  long double r = Coeffs.back();
  for (std::size_t j = Coeffs.size() - 1; j-- > 0;) r = r * lx + Coeffs[j];
  return static_cast<double>(r);
}

std::string PolyToStr(std::span<const double> Coeffs, std::string_view Fmt, std::string_view YName,
                      std::string_view XName) {
  if (Coeffs.empty()) return {};
  std::vector<double> c(Coeffs.begin(), Coeffs.end());
  for (double& v : c)
    if (std::fabs(v) < 1e-12) v = 0;
  auto sign = [](double v) { return v >= 0 ? "+" : "-"; };
  // Names are joined as text rather than placed in the format, so a name
  // holding "%" cannot disturb it.
  std::string s(YName);
  s += " = ";
  s += Format(Fmt, {c[0]});
  const std::size_t h = c.size() - 1;
  auto term = [&](std::size_t k, std::string_view fmt, std::string_view power) {
    s += ' ';
    s += sign(c[k]);
    s += ' ';
    s += Format(fmt, {std::fabs(c[k])});
    s += ' ';
    s += XName;
    s += power;
  };
  if (h >= 1) term(1, Fmt, "");
  if (h >= 2) term(2, Fmt, "²");
  if (h >= 3) term(3, "%0.6g", "³");
  for (std::size_t k = 4; k <= h; ++k) term(k, Fmt, Format("^%d", {static_cast<int>(k)}));
  return s;
}

}  // namespace blowden
