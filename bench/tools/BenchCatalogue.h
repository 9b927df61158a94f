// Generated fan catalogues for the benchmarks and the comparison tool:
// centrifugal fans of growing size whose static pressure falls smoothly over
// the whole curve, written as fan data files (CRLF lines, "." decimals).
//
// Every model follows the fan laws exactly: at speed N (rpm) and flow
// coefficient phi its flow is phi * A * u and its static pressure
// psi(phi) * rho * u², with A = pi/4 d² and u = pi d N / 60. psi(phi) =
// A0 + A1 phi - A2 phi² has its top below the first test point, so the curve
// falls from the first point on, and the speed at which a model meets a duty
// taken from its own curve is a single root between its speed limits.
//
// The models vary on purpose, so that every reading rule of a model section
// is used: most carry a "Model" line (rectangular or round outlet), some give
// "Diameter", "RefSpeed" and "QaNom" keys instead, some give total pressure
// ("Pt"), some a speed list ("Speed"), and some a nominal flow outside the
// curve, which the reader replaces by the flow two thirds along.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Format.h"

namespace blowden::bench {

inline constexpr double kBenchPi = 3.141592653589793;
inline constexpr double kBenchDensity = 1.2;  // kg/m³, the catalogues' "Density"

// SplitMix64: the same numbers on every platform and compiler, unlike the
// distributions of <random>.
class TBenchRandom {
 public:
  explicit TBenchRandom(std::uint64_t seed) : FState(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [lo, hi).
  double Uniform(double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
  }
  // Uniform in 0 .. n-1.
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

 private:
  std::uint64_t FState;
};

// How a model is written.
enum class TBenchLayout {
  blModelLine,    // "Model=" with a rectangular outlet
  blRoundOutlet,  // "Model=" with a round outlet (height 0)
  blKeys,         // "Diameter", "RefSpeed", "QaNom": speed limits equal RefSpeed, outlet d²
};

// One generated model and its exact curves.
struct TBenchModel {
  std::string Name;
  TBenchLayout Layout = TBenchLayout::blModelLine;
  int DiameterMm = 500;
  int RefSpeed = 1450;
  int MinSpeed = 1450;
  int MaxSpeed = 1450;
  bool TotalPressure = false;       // "Pt" instead of "Ps"
  bool NominalOutside = false;      // nominal flow written outside the curve
  std::vector<int> Speeds;          // "Speed" list; empty: none
  double A0 = 1, A1 = 0.4, A2 = 9;  // psi(phi) = A0 + A1 phi - A2 phi²
  double PhiLow = 0.05, PhiHigh = 0.3;
  double PhiNominal = 0.2;

  double Diameter() const { return DiameterMm * 0.001; }
  double TipSpeed(double n) const { return kBenchPi * Diameter() * n / 60; }
  double ImpellerArea() const { return 0.25 * kBenchPi * Diameter() * Diameter(); }
  double Flow(double phi, double n) const { return phi * ImpellerArea() * TipSpeed(n); }
  double Pressure(double phi, double n) const {
    const double u = TipSpeed(n);
    return (A0 + A1 * phi - A2 * phi * phi) * kBenchDensity * u * u;
  }
  // Outlet area as the reader computes it from what is written, m².
  double OutletArea() const {
    const double d = Diameter();
    switch (Layout) {
      case TBenchLayout::blModelLine:
        return (0.8 * d) * (0.7 * d);
      case TBenchLayout::blRoundOutlet:
        return 0.25 * kBenchPi * d * d;
      case TBenchLayout::blKeys:
        return d * d;
    }
    return d * d;
  }
  // Outlet dimensions in mm as written on the "Model" line.
  double OutletWidthMm() const {
    return Layout == TBenchLayout::blRoundOutlet ? DiameterMm : 0.8 * DiameterMm;
  }
  double OutletHeightMm() const { return Layout == TBenchLayout::blRoundOutlet ? 0 : 0.7 * DiameterMm; }
};

// A catalogue: `Models` models of `Points` test points; the same seed gives
// the same file.
struct TBenchCatalogueSpec {
  int Models = 10;
  int Points = 30;
  std::uint64_t Seed = 1;
  std::string Range = "BX";
};

// Model m of a catalogue.
inline TBenchModel MakeBenchModel(const TBenchCatalogueSpec& spec, int m) {
  TBenchRandom rnd(spec.Seed * 1000003u + static_cast<std::uint64_t>(m));
  TBenchModel model;
  // Sizes from 200 mm up, about 1.2 % apart, with a little scatter.
  model.DiameterMm = static_cast<int>(std::lround(200 * std::pow(1.012, m) + rnd.Uniform(0, 3)));
  model.Name = spec.Range + Format("%d-%d", {model.DiameterMm, m + 1});
  model.RefSpeed = model.DiameterMm < 400 ? 2900 : model.DiameterMm < 1000 ? 1450 : 960;
  model.A0 = rnd.Uniform(0.95, 1.10);
  model.A1 = rnd.Uniform(0.20, 0.60);
  model.A2 = rnd.Uniform(8.0, 10.0);
  model.PhiNominal = rnd.Uniform(0.17, 0.23);
  if (m % 11 == 10) {
    model.Layout = TBenchLayout::blKeys;
    model.MinSpeed = model.MaxSpeed = model.RefSpeed;
  } else {
    model.Layout = m % 6 == 3 ? TBenchLayout::blRoundOutlet : TBenchLayout::blModelLine;
    model.MinSpeed = static_cast<int>(std::lround(model.RefSpeed * rnd.Uniform(0.40, 0.55)));
    model.MaxSpeed = static_cast<int>(std::lround(model.RefSpeed * rnd.Uniform(1.15, 1.35)));
  }
  model.TotalPressure = m % 5 == 2;
  model.NominalOutside = m % 9 == 4;
  if (m % 7 == 5) {
    // Listed speeds lie within the model's limits, as verification demands.
    for (double f : {0.5, 0.66, 0.8, 1.0, 1.2})
      model.Speeds.push_back(
          std::clamp(static_cast<int>(std::lround(model.RefSpeed * f)), model.MinSpeed, model.MaxSpeed));
  }
  return model;
}

// Appends the section of one model.
inline void AppendBenchModel(const TBenchModel& model, int points, std::string& text) {
  text += "[" + model.Name + "]\r\n";
  const double n = model.RefSpeed;
  const double nominal = model.NominalOutside ? 0.0 : model.Flow(model.PhiNominal, n);
  if (model.Layout == TBenchLayout::blKeys) {
    text +=
        Format("Diameter=%d\r\nRefSpeed=%d\r\nQaNom=%0.6g\r\n", {model.DiameterMm, model.RefSpeed, nominal});
  } else {
    text += Format("Model=%d,%d,%d,%d,%0.1f,%0.1f,%0.6g\r\n",
                   {model.DiameterMm, model.RefSpeed, model.MinSpeed, model.MaxSpeed, model.OutletWidthMm(),
                    model.OutletHeightMm(), nominal});
  }
  if (!model.Speeds.empty()) {
    text += "Speed=";
    for (std::size_t i = 0; i < model.Speeds.size(); ++i) text += Format(i ? ",%d" : "%d", {model.Speeds[i]});
    text += "\r\n";
  }
  std::string qa = "Qa=", ps = model.TotalPressure ? "Pt=" : "Ps=", pw = "Pw=", lw = "Lw=";
  const double area = model.OutletArea();
  for (int i = 0; i < points; ++i) {
    const double phi = model.PhiLow + (model.PhiHigh - model.PhiLow) * i / (points - 1);
    const double q = model.Flow(phi, n);
    double p = model.Pressure(phi, n);
    if (model.TotalPressure) {
      const double v = q / area;
      p += 0.5 * kBenchDensity * v * v;
    }
    const double eta = 0.82 - 7 * (phi - model.PhiNominal) * (phi - model.PhiNominal);
    const char* sep = i + 1 < points ? "," : "\r\n";
    qa += Format("%0.6g", {q}) + sep;
    ps += Format("%0.2f", {p}) + sep;
    pw += Format("%0.5g", {q * model.Pressure(phi, n) / eta / 1000}) + sep;
    lw += Format("%0.1f", {40 + 10 * std::log10(q) + 20 * std::log10(model.Pressure(phi, n))}) + sep;
  }
  text += qa;
  text += ps;
  text += pw;
  text += lw;
}

inline std::string BenchCatalogueHeader(const TBenchCatalogueSpec& spec) {
  return "[Catalog]\r\nMaker=Bench\r\nRange=" + spec.Range +
         "\r\nDescription=Generated centrifugal fans\r\nVersion=1\r\nDensity=1.2\r\nKind=BCC\r\n";
}

// The whole file text of a catalogue.
inline std::string BenchCatalogueText(const TBenchCatalogueSpec& spec) {
  std::string text = BenchCatalogueHeader(spec);
  for (int m = 0; m < spec.Models; ++m) AppendBenchModel(MakeBenchModel(spec, m), spec.Points, text);
  return text;
}

// A duty point: flow m³/s, static pressure Pa.
struct TBenchDuty {
  double Flow = 0;
  double Pressure = 0;
};

// `count` duties for a catalogue. All but the last are points of some
// model's own curve at a speed well inside its limits (flow coefficient
// 0.08 .. 0.26, speed 0.6 .. 1.15 of RefSpeed), so at least that model
// qualifies and the root is unique; the last asks a pressure no model of the
// catalogue reaches within its speed limits.
inline std::vector<TBenchDuty> BenchDuties(const TBenchCatalogueSpec& spec, int count) {
  TBenchRandom rnd(spec.Seed * 7919u + 17u);
  std::vector<TBenchDuty> duties;
  for (int j = 0; j + 1 < count; ++j) {
    const TBenchModel model = MakeBenchModel(spec, rnd.Below(spec.Models));
    const double phi = rnd.Uniform(0.08, 0.26);
    double n = model.RefSpeed * rnd.Uniform(0.6, 1.15);
    if (model.Layout == TBenchLayout::blKeys) n = model.RefSpeed * rnd.Uniform(0.95, 1.05);
    duties.push_back({model.Flow(phi, n), model.Pressure(phi, n)});
  }
  if (count > 0) duties.push_back({1.0, 2.0e6});
  return duties;
}

}  // namespace blowden::bench
