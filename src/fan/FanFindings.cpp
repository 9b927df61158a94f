#include "fan/FanFindings.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "base/Convert.h"
#include "base/Format.h"
#include "fan/FanSound.h"
#include "fan/FindingsFold.h"
#include "fan/ModelFits.h"
#include "fan/QmFan.h"
#include "numeric/Regress.h"

namespace blowden {

namespace {

// Samples of the fitted curve over the tested flows when its peak is looked for.
constexpr int kPeakSamples = 1000;

std::size_t PointCount(const TFanModel& m) {
  return std::min({static_cast<std::size_t>(std::max(m.Count, 0)), m.Qa.size(), m.Ps.size()});
}

double OutletAreaOf(const TFanModel& m) {
  const double w = m.OutletWidth, h = m.OutletHeight;
  if (w != 0 && h != 0) return w * h;
  const double d = w != 0 ? w : h;
  return 0.25 * 3.14159265358979323846 * d * d;
}

// Figures of a model that no real fan reaches, one warning each at the
// point furthest from what is real: the pressure coefficient, the specific
// sound level, the tip speed at MaxSpeed.
template <typename TAdd>
void CheckImplausibleFigures(const TFanModel& m, double density, std::size_t n, double maxTipSpeed,
                             TAdd add) {
  const double area = OutletAreaOf(m);
  std::vector<double> pt(n);
  double ptMax = 0;
  for (std::size_t j = 0; j < n; ++j) {
    const double v = area > 0 ? m.Qa[j] / area : 0;
    pt[j] = m.Ps[j] + 0.5 * density * v * v;
    ptMax = std::max(ptMax, pt[j]);
  }

  const double tipRef = TipSpeed(m, m.RefSpeed);
  if (density > 0 && tipRef > 0) {
    std::size_t worst = 0;
    for (std::size_t j = 1; j < n; ++j)
      if (pt[j] > pt[worst]) worst = j;
    const double psi = pt[worst] / (density * tipRef * tipRef);
    if (psi > kMaxPressureCoefficient)
      add(TFindingLevel::Warning, static_cast<int>(worst),
          Format("Pressure coefficient pt/(rho u²) %0.2f is above %0.1f (tip speed %0.1f m/s at %d rpm): no "
                 "real fan reaches it; pressure, diameter or speed mistyped?",
                 {psi, kMaxPressureCoefficient, tipRef, m.RefSpeed}),
          ftPs);
  }

  // The specific sound level where the pressure is high enough for it to mean something.
  int worst = -1;
  double worstLevel = 0, worstDistance = 0;
  for (std::size_t j = 0; j < n; ++j) {
    if (!(m.Qa[j] > 0 && pt[j] > 0 && pt[j] >= kSpecificSoundPressureShare * ptMax)) continue;
    const double level = m.Lw[j] - 10 * std::log10(m.Qa[j]) - 20 * std::log10(pt[j]);
    const double distance = std::max(kMinSpecificSound - level, level - kMaxSpecificSound);
    if (distance > worstDistance) {
      worst = static_cast<int>(j);
      worstLevel = level;
      worstDistance = distance;
    }
  }
  if (worst >= 0)
    add(TFindingLevel::Warning, worst,
        Format(
            "Specific sound level Lw - 10 lg(Q) - 20 lg(pt) %0.1f dB lies outside %0.0f to %0.0f dB: no real "
            "fan is so %s; sound power or pressure mistyped?",
            {worstLevel, kMinSpecificSound, kMaxSpecificSound,
             worstLevel < kMinSpecificSound ? "quiet" : "loud"}),
        ftLw | ftPs);

  const double limit = maxTipSpeed > 0 ? maxTipSpeed : kMaxTipSpeed;
  const double tipMax = TipSpeed(m, m.MaxSpeed);
  if (tipMax > limit)
    add(TFindingLevel::Warning, -1,
        Format("Tip speed %0.1f m/s at MaxSpeed %d rpm is above %s m/s: the impeller may not be built for it",
               {tipMax, m.MaxSpeed, FormatGeneral(limit, 6)}));
}

}  // namespace

std::string_view FindingLevelName(TFindingLevel level) {
  switch (level) {
    case TFindingLevel::Error:
      return "error";
    case TFindingLevel::Warning:
      return "warning";
    case TFindingLevel::Note:
      break;
  }
  return "note";
}

TPressurePeak FindPressurePeak(const TFanModel& m, std::span<const double> coeffs, int fitError) {
  TPressurePeak peak;
  const std::size_t n = PointCount(m);
  if (n == 0) return peak;
  // The data's own highest point: the answer without a fit, and the start of
  // the search with one.
  std::size_t best = 0;
  for (std::size_t i = 1; i < n; ++i)
    if (m.Ps[i] > m.Ps[best]) best = i;
  peak.Flow = m.Qa[best];
  peak.Pressure = m.Ps[best];
  if (fitError == 0 && !coeffs.empty() && n >= 2) {
    const double q0 = m.Qa[0], q1 = m.Qa[n - 1];
    double bestP = PolyValue(coeffs, q0), bestQ = q0;
    const auto consider = [&](double q) {
      if (!(q >= q0 && q <= q1)) return;
      const double p = PolyValue(coeffs, q);
      if (p > bestP) {
        bestP = p;
        bestQ = q;
      }
    };
    consider(q1);
    if (coeffs.size() <= 4) {
      // The fitted curve is at most a cubic: its maximum over the tested
      // flows is at an end or where c1 + 2 c2 q + 3 c3 q² = 0 (a ranking
      // judges thousands of models, so no sampling here).
      const double c1 = coeffs.size() > 1 ? coeffs[1] : 0, c2 = coeffs.size() > 2 ? coeffs[2] : 0;
      const double c3 = coeffs.size() > 3 ? coeffs[3] : 0;
      const double a = 3 * c3, b = 2 * c2, c = c1;
      if (a == 0) {
        if (b != 0) consider(-c / b);
      } else {
        const double disc = b * b - 4 * a * c;
        if (disc >= 0) {
          // The numerically stable pair of roots.
          const double r = -0.5 * (b + std::copysign(std::sqrt(disc), b));
          if (r != 0) consider(c / r);
          consider(r / a);
        }
      }
    } else {
      for (int k = 1; k < kPeakSamples; ++k) consider(q0 + (q1 - q0) * k / kPeakSamples);
      // Refine between the neighbouring samples (a smooth curve has one
      // maximum there) by golden-section search.
      const double step = (q1 - q0) / kPeakSamples;
      double a = std::max(q0, bestQ - step), b = std::min(q1, bestQ + step);
      constexpr double kGolden = 0.6180339887498949;
      for (int k = 0; k < 60 && b - a > 1e-12 * std::max(1.0, std::abs(b)); ++k) {
        const double c = b - kGolden * (b - a), d = a + kGolden * (b - a);
        if (PolyValue(coeffs, c) >= PolyValue(coeffs, d))
          b = d;
        else
          a = c;
      }
      consider(0.5 * (a + b));
    }
    if (std::isfinite(bestP)) {
      peak.Flow = bestQ;
      peak.Pressure = bestP;
    }
  }
  peak.Interior = peak.Flow > m.Qa[0];
  return peak;
}

TEfficiencyPeak FindEfficiencyPeak(const TFanModel& m, std::span<const double> coeffs, int fitError,
                                   double density) {
  TEfficiencyPeak peak;
  const std::size_t n = std::min(PointCount(m), m.Pw.size());
  if (n < 2) return peak;
  std::vector<double> powerCoeffs;
  int powerError = 0;
  TFitStats stats;
  std::string summary;
  FitPolynomial(std::span<const double>(m.Qa.data(), n), std::span<const double>(m.Pw.data(), n),
                static_cast<int>(n), CurveSpec(ckPower).Order, powerCoeffs, powerError, stats, summary);
  if (powerError != 0 || powerCoeffs.empty()) return peak;
  const bool pressureFit = fitError == 0 && !coeffs.empty();
  const double area = OutletAreaOf(m);
  const auto staticPressure = [&](double q) {
    if (pressureFit) return PolyValue(coeffs, q);
    // Straight lines between the tested points.
    std::size_t j = 1;
    while (j + 1 < n && m.Qa[j] < q) ++j;
    const double q0 = m.Qa[j - 1], q1 = m.Qa[j];
    const double t = q1 != q0 ? (q - q0) / (q1 - q0) : 0;
    return m.Ps[j - 1] + t * (m.Ps[j] - m.Ps[j - 1]);
  };
  const auto efficiency = [&](double q) {
    const double v = area > 0 ? q / area : 0;
    const double power = PolyValue(powerCoeffs, q);
    if (!(power > 0)) return 0.0;
    const double eta = 0.1 * q * (staticPressure(q) + 0.5 * density * v * v) / power;
    return std::isfinite(eta) ? eta : 0.0;
  };
  const double q0 = m.Qa[0], q1 = m.Qa[n - 1];
  if (!(q1 > q0)) return peak;
  constexpr int kSamples = 200;
  double bestQ = q0, best = efficiency(q0);
  int bestSample = 0;
  for (int k = 1; k <= kSamples; ++k) {
    const double q = q0 + (q1 - q0) * k / kSamples;
    const double eta = efficiency(q);
    if (eta > best) {
      best = eta;
      bestQ = q;
      bestSample = k;
    }
  }
  peak.Interior = bestSample > 0 && bestSample < kSamples;
  // Refine between the neighbouring samples by golden-section search.
  const double step = (q1 - q0) / kSamples;
  double a = std::max(q0, bestQ - step), b = std::min(q1, bestQ + step);
  constexpr double kGolden = 0.6180339887498949;
  for (int k = 0; k < 40 && b - a > 1e-9 * std::max(1.0, std::abs(b)); ++k) {
    const double c = b - kGolden * (b - a), d = a + kGolden * (b - a);
    if (efficiency(c) >= efficiency(d))
      b = d;
    else
      a = c;
  }
  const double refined = 0.5 * (a + b);
  if (efficiency(refined) > best) {
    best = efficiency(refined);
    bestQ = refined;
  }
  if (best > 0) {
    peak.Flow = bestQ;
    peak.Efficiency = best;
  }
  return peak;
}

TOperatingAssessment AssessOperatingPoint(const TFanModel& m, const TPressurePeak& peak,
                                          const TOperatingPoint& p) {
  TOperatingAssessment a;
  if (p.ShaftPower != 0) {
    a.StaticEfficiency = 0.1 * p.Flow * p.PStatic / p.ShaftPower;
    a.TotalEfficiency = 0.1 * p.Flow * p.PTotal / p.ShaftPower;
  }
  // Delivered and asked-for points lie on one system curve, so comparing the
  // flows compares the pressures too; the tolerance absorbs rounding only.
  constexpr double kTolerance = 1e-9;
  a.DutyMet = p.Status == fsReady && p.Flow >= p.DutyFlow * (1 - kTolerance) &&
              p.PStatic >= p.DutyPressure - std::abs(p.DutyPressure) * kTolerance;
  if (p.Status == fsReady && !a.DutyMet)
    a.Warnings.push_back(Format("Duty not met: at %0.0f rpm the fan gives %0.2f m³/s at %0.0f Pa",
                                {p.Speed, p.Flow, p.PStatic}));

  const double refFlow = p.Speed != 0 ? p.Flow * m.RefSpeed / p.Speed : 0;
  if (peak.Flow > 0) a.StallMargin = 100 * (refFlow - peak.Flow) / peak.Flow;
  if (p.Status == fsReady && peak.Interior && refFlow < peak.Flow)
    a.Warnings.push_back(
        Format("Operating point left of the pressure peak (unstable, stall-prone region): %0.0f %% of the "
               "peak's flow",
               {-a.StallMargin}));

  const std::size_t n = std::min(static_cast<std::size_t>(std::max(m.Count, 0)), m.Qa.size());
  if (n >= 2) {
    const double lo = m.Qa[0], hi = m.Qa[n - 1], span = hi - lo;
    double beyond = 0;
    if (refFlow < lo) beyond = lo - refFlow;
    if (refFlow > hi) beyond = refFlow - hi;
    if (beyond > 0 && span > 0) {
      a.Extrapolation = 100 * beyond / span;
      a.Warnings.push_back(
          Format("Operating point outside the tested flows by %0.0f %% of their span (extrapolated)",
                 {a.Extrapolation}));
    }
  }

  if (a.TotalEfficiency > kImpossibleEfficiency)
    a.Warnings.push_back(
        Format("Efficiency %0.0f %% is above 100 %%: the fan data are impossible", {a.TotalEfficiency}));
  else if (a.TotalEfficiency > kImplausibleEfficiency)
    a.Warnings.push_back(
        Format("Efficiency %0.0f %% is above 90 %%: the fan data are implausible", {a.TotalEfficiency}));
  return a;
}

std::vector<TFinding> CheckModelPhysics(const TFanModel& m, double density, std::span<const double> coeffs,
                                        int fitError, double maxTipSpeed) {
  std::vector<TFinding> out;
  // What each finding judges, so that a fit's misses another finding explains fold into it.
  std::vector<TFindingTag> tags;
  auto add = [&](TFindingLevel level, int point, std::string text, unsigned topic = ftNone, int fit = -1) {
    out.push_back({m.Name, level, point, std::move(text)});
    tags.push_back({topic, fit});
  };
  const std::size_t n = std::min({PointCount(m), m.Pw.size(), m.Lw.size()});
  if (n == 0) return out;

  if (m.QaNomFallBack)
    add(TFindingLevel::Note, -1, "Nominal flow not given: the point two thirds along the curve is used");

  const double area = OutletAreaOf(m);
  // The power and sound fits that the model view shows, for their residuals.
  const TCurveFit pwFit = FitCurve(m, ckPower), lwFit = FitCurve(m, ckSound);
  const std::vector<double>&pwCoeffs = pwFit.Coeffs, &lwCoeffs = lwFit.Coeffs;
  const int pwError = pwFit.ErrorCode, lwError = lwFit.ErrorCode;

  const TPressurePeak peak = FindPressurePeak(m, coeffs, fitError);
  std::vector<int> leftOfPeak;
  for (std::size_t j = 0; j < n; ++j)
    if (peak.Interior && m.Qa[j] < peak.Flow) leftOfPeak.push_back(static_cast<int>(j));
  std::string peakText = Format("Pressure peak %0.0f Pa at %0.3f m³/s", {peak.Pressure, peak.Flow});
  if (leftOfPeak.empty()) {
    peakText += "; no tested point lies left of it";
  } else {
    peakText += "; tested points left of it (unstable region):";
    for (int j : leftOfPeak) peakText += Format(" %d", {j + 1});
  }
  add(TFindingLevel::Note, -1, peakText);

  struct TResidual {
    const char* Name;
    unsigned Topic;
    const char* Unit;
    const char* Fmt;
    const std::vector<double>* Values;
    std::span<const double> Coeffs;
    bool Ok;
  };
  const TResidual fits[] = {
      {"Ps", ftPs, "Pa", "%0.1f", &m.Ps, coeffs, fitError == 0 && !coeffs.empty()},
      {"Pw", ftPw, "kW", "%0.4f", &m.Pw, pwCoeffs, pwError == 0 && !pwCoeffs.empty()},
      {"Lw", ftLw, "dB", "%0.2f", &m.Lw, lwCoeffs, lwError == 0 && !lwCoeffs.empty()},
  };

  for (std::size_t j = 0; j < n; ++j) {
    const int point = static_cast<int>(j);
    const double q = m.Qa[j], ps = m.Ps[j], pw = m.Pw[j];
    const double pd = area > 0 ? 0.5 * density * (q / area) * (q / area) : 0;
    const double pt = ps + pd;
    const double etaS = pw != 0 ? 0.1 * q * ps / pw : 0;
    const double etaT = pw != 0 ? 0.1 * q * pt / pw : 0;
    std::string line =
        Format("Q %0.4g m³/s: static efficiency %0.1f %%, total efficiency %0.1f %%", {q, etaS, etaT});
    for (const TResidual& f : fits) {
      const int fitIndex = static_cast<int>(&f - fits);
      if (!f.Ok) continue;
      const double measured = (*f.Values)[j];
      const double r = measured - PolyValue(f.Coeffs, q);
      line += Format("; %s residual ", {f.Name}) + Format(f.Fmt, {r}) + " " + f.Unit;
      if (measured != 0) {
        const double pct = 100 * r / std::abs(measured);
        line += Format(" (%0.1f %%)", {pct});
        if (std::abs(pct) > kResidualWarningPercent)
          add(TFindingLevel::Warning, point,
              Format("%s fit misses the tested value by %0.1f %% (more than 3 %%)", {f.Name, pct}), f.Topic,
              fitIndex);
      }
    }
    add(TFindingLevel::Note, point, line);

    // The static efficiency never exceeds the total one, so the total one alone is judged.
    if (etaT > kImpossibleEfficiency)
      add(TFindingLevel::Error, point, Format("Total efficiency %0.1f %% is above 100 %%", {etaT}),
          ftPs | ftPw);
    else if (etaT > kImplausibleEfficiency)
      add(TFindingLevel::Warning, point, Format("Total efficiency %0.1f %% is above 90 %%", {etaT}),
          ftPs | ftPw);
    const double airPower = q * pt / 1000;  // kW
    if (pw < airPower)
      add(TFindingLevel::Error, point,
          Format("Shaft power %0.4g kW is below the air power %0.4g kW (Q × Pt): impossible", {pw, airPower}),
          ftPs | ftPw);

    if (j > 0) {
      const double q0 = m.Qa[j - 1];
      const double pt0 = m.Ps[j - 1] + (area > 0 ? 0.5 * density * (q0 / area) * (q0 / area) : 0);
      const double air0 = q0 * pt0, air1 = q * pt;
      if (air0 > 0 && air1 > kSteepAirPowerRise * air0 && m.Lw[j] < m.Lw[j - 1] - kSoundDropWarning)
        add(TFindingLevel::Warning, point,
            Format("Sound power falls by %0.1f dB while the air power rises by %0.0f %%: a typing error?",
                   {m.Lw[j - 1] - m.Lw[j], 100 * (air1 / air0 - 1)}),
            ftLw);
    }
  }
  CheckImplausibleFigures(m, density, n, maxTipSpeed, add);
  const std::span<const double> flows(m.Qa.data(), n);
  const TFoldFit folds[] = {
      {"Ps", ftPs, std::span<const double>(m.Ps.data(), n), std::max(1, static_cast<int>(coeffs.size()) - 1)},
      {"Pw", ftPw, std::span<const double>(m.Pw.data(), n), CurveSpec(ckPower).Order},
      {"Lw", ftLw, std::span<const double>(m.Lw.data(), n), CurveSpec(ckSound).Order},
  };
  FoldFitMisses(flows, folds, out, tags);
  for (TFinding& f : BandFindings(m)) out.push_back(std::move(f));
  return out;
}

int TFileCheck::Errors() const {
  return static_cast<int>(std::count_if(Findings.begin(), Findings.end(),
                                        [](const TFinding& f) { return f.Level == TFindingLevel::Error; }));
}

int TFileCheck::Warnings() const {
  return static_cast<int>(std::count_if(Findings.begin(), Findings.end(),
                                        [](const TFinding& f) { return f.Level == TFindingLevel::Warning; }));
}

TFileCheck CheckFile(TFan& fan, const std::string& fileName) {
  TFileCheck check;
  check.File = fileName;
  auto previous = std::move(fan.OnMessage);
  fan.OnMessage = [&check](const std::string& text) { check.Messages.push_back(text); };
  fan.LoadFromFile(fileName);
  check.Status = fan.Status();
  if (check.Status != fsReady || fan.Models().empty()) {
    check.Findings.push_back({"", TFindingLevel::Error, -1, "Not a Orvane fan file..."});
    fan.OnMessage = std::move(previous);
    return check;
  }
  const double density = fan.Header().Density;
  if (std::isfinite(density) && density > 0 && (density < kMinTestDensity || density > kMaxTestDensity))
    check.Findings.push_back(
        {"", TFindingLevel::Warning, -1,
         Format("Test density %s kg/m³ lies outside %0.1f to %0.1f kg/m³: every result at site air scales by "
                "it; a typing error?",
                {FormatGeneral(density, 6), kMinTestDensity, kMaxTestDensity})});
  const std::vector<std::string> models = fan.Models();
  for (const std::string& name : models) {
    try {
      fan.SelectModel(name);
    } catch (const EConvertError&) {
      check.Findings.push_back({name, TFindingLevel::Error, -1, "Data error: " + fan.ReadProblem()});
      continue;
    }
    if (fan.ModelStatus() != fsReady || !fan.ModelReadComplete()) {
      std::string text = "The model cannot be used: " + std::string(StatusTextOf(fan.ModelStatus()));
      if (!fan.ReadProblem().empty()) text += ": " + fan.ReadProblem();
      check.Findings.push_back({name, TFindingLevel::Error, -1, std::move(text)});
      continue;
    }
    const std::vector<std::string> unusable = DataErrors(fan.Header(), fan.Model());
    for (const std::string& text : unusable) check.Findings.push_back({name, TFindingLevel::Error, -1, text});
    if (!unusable.empty()) continue;
    std::vector<TFinding> found = CheckModelPhysics(fan.Model(), fan.Header().Density, fan.Coeffs(),
                                                    fan.FitError(), fan.Model().Rating.MaxTipSpeed);
    check.Findings.insert(check.Findings.end(), std::make_move_iterator(found.begin()),
                          std::make_move_iterator(found.end()));
  }
  fan.OnMessage = std::move(previous);
  return check;
}

std::vector<std::string> CheckReportLines(const TFileCheck& check, std::string_view range) {
  std::vector<std::string> lines;
  for (const TFinding& f : check.Findings) {
    std::string line = f.Model.empty() ? std::string() : std::string(range) + " (" + f.Model + ")  ";
    if (f.Point >= 0) line += Format("point %d: ", {f.Point + 1});
    line += std::string(FindingLevelName(f.Level)) + ": " + f.Text;
    lines.push_back(std::move(line));
  }
  const int errors = check.Errors(), warnings = check.Warnings();
  lines.push_back(Format("%d error%s, %d warning%s",
                         {errors, errors == 1 ? "" : "s", warnings, warnings == 1 ? "" : "s"}));
  return lines;
}

}  // namespace blowden
