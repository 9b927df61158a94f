#include "fan/FanSelection.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/Convert.h"
#include "base/Format.h"
#include "base/StepRound.h"
#include "fan/FanSubmittal.h"
#include "fan/QmFan.h"
#include "units/QmConv.h"

namespace blowden {

namespace {

constexpr unsigned kSpeedLineColor = 0xE6D8AD;  // light blue
constexpr unsigned kRefCurveColor = 0x808080;   // grey
constexpr unsigned kOperatingColor = 0xFF0000;  // blue
constexpr unsigned kSystemColor = 0x0000FF;     // red
constexpr unsigned kDutyColor = 0x008000;       // green
constexpr unsigned kWhite = 0xFFFFFF;
constexpr int kCurveSteps = 20;
// How far curves reach beyond the operating flow, as a factor.
constexpr double kBeyondOperating = 1.1;

void AddPoint(TSelectorChartLine& line, double x, double y) {
  // A point that is not a number cannot be drawn (a speed of 0, say).
  if (std::isfinite(x) && std::isfinite(y)) line.Points.push_back({x, y});
}

// One curve of the fan at speed N: the table's flow range carried to N.
TSelectorChartLine SpeedCurve(TFan& fan, double n, unsigned color, TSelectorCurve kind, double ratio) {
  TSelectorChartLine line;
  line.Color = color;
  line.Kind = kind;
  const TFanModel& m = fan.Model();
  const double q0 = fan.LowestFlow() * n / m.RefSpeed;
  const double q1 = fan.HighestFlow() * n / m.RefSpeed;
  line.Points.reserve(kCurveSteps + 1);
  for (int i = 0; i <= kCurveSteps; ++i) {
    const double q = q0 + (q1 - q0) * i / kCurveSteps;
    // At the catalogue's air the ratio is exactly 1 and leaves every value as it is.
    AddPoint(line, q, fan.PressureAt(q, n) * ratio);
  }
  return line;
}

// The curve at the operating speed: the speed line, reaching on to the
// operating flow (and a tenth beyond) when that lies outside the tested
// flows, with the operating flow itself among its vertices, so that it runs
// through the operating point.
TSelectorChartLine ReachOperatingPoint(TFan& fan, TSelectorChartLine line, double volume, double speed,
                                       double ratio);

TSelectorChartLine OperatingCurve(TFan& fan, double volume, double speed, double ratio) {
  TSelectorChartLine line = SpeedCurve(fan, speed, kOperatingColor, scOperating, ratio);
  // The points added below leave the fan's current point where the speed
  // curve left it, as every caller after the chart expects.
  const TCurrentPoint afterCurve = fan.Current();
  line = ReachOperatingPoint(fan, std::move(line), volume, speed, ratio);
  fan.SetCurrent(afterCurve);
  return line;
}

TSelectorChartLine ReachOperatingPoint(TFan& fan, TSelectorChartLine line, double volume, double speed,
                                       double ratio) {
  const TFanModel& m = fan.Model();
  if (!(volume > 0) || !std::isfinite(volume) || m.RefSpeed == 0) return line;
  double q0 = fan.LowestFlow() * speed / m.RefSpeed;
  double q1 = fan.HighestFlow() * speed / m.RefSpeed;
  if (!std::isfinite(q0) || !std::isfinite(q1)) return line;
  if (volume < q0 || volume > q1) {
    q0 = std::min(q0, volume / kBeyondOperating);
    q1 = std::max(q1, volume * kBeyondOperating);
    line.Points.clear();
    for (int i = 0; i <= kCurveSteps; ++i) {
      const double q = q0 + (q1 - q0) * i / kCurveSteps;
      AddPoint(line, q, fan.PressureAt(q, speed) * ratio);
    }
  }
  const auto after = std::find_if(line.Points.begin(), line.Points.end(),
                                  [&](const TSelectorChartPoint& p) { return p.X >= volume; });
  if (after != line.Points.end() && after != line.Points.begin() && after->X != volume) {
    const double p = fan.PressureAt(volume, speed) * ratio;
    if (std::isfinite(p)) line.Points.insert(after, TSelectorChartPoint{volume, p});
  }
  return line;
}

}  // namespace

bool ComputeChartScale(const TFan& fan, TChartWindow& window) {
  const TFanModel& m = fan.Model();
  if (m.Count < 1 || m.Qa.size() < static_cast<std::size_t>(m.Count) || m.RefSpeed == 0) return false;
  const int iMin = fan.MinPositivePressureIndex();
  const int iMax = fan.MaxPressureIndex();
  if (m.Ps.size() <= static_cast<std::size_t>(std::max(iMin, iMax))) return false;
  const double ref = m.RefSpeed, lo = m.MinSpeed, hi = m.MaxSpeed;
  const double rLo = lo / ref, rHi = hi / ref;
  TChartWindow w;
  w.XMin = FloorToStep(0.99 * m.Qa[0] * lo / ref, 0.25, 0);
  w.XMax = CeilToStep(1.01 * m.Qa[static_cast<std::size_t>(m.Count) - 1] * hi / ref, 0.25, 0);
  w.YMin = FloorToStep(0.99 * m.Ps[static_cast<std::size_t>(iMin)] * (rLo * rLo), 25, 0);
  w.YMax = CeilToStep(1.01 * m.Ps[static_cast<std::size_t>(iMax)] * (rHi * rHi), 25, 0);
  if (!std::isfinite(w.XMin) || !std::isfinite(w.XMax) || !std::isfinite(w.YMin) || !std::isfinite(w.YMax))
    return false;
  WidenRange(w.XMin, w.XMax);
  WidenRange(w.YMin, w.YMax);
  window = w;
  return true;
}

void BuildChartCurves(TFan& fan, double volume, double pStatic, double speed, TSelectorChart& chart,
                      double densityRatio) {
  const TFanModel& m = fan.Model();
  chart.Title = m.Name;
  chart.Lines.clear();
  if (m.HasSpeeds && !m.Speeds.empty()) {
    for (int n : m.Speeds)
      chart.Lines.push_back(SpeedCurve(fan, n, kSpeedLineColor, scSpeedLine, densityRatio));
  } else {
    for (int j = 0; j <= 7; ++j) {
      const std::int64_t step = (static_cast<std::int64_t>(m.MaxSpeed) - m.MinSpeed) * j;
      chart.Lines.push_back(SpeedCurve(fan, m.MinSpeed + static_cast<double>(step) / 7, kSpeedLineColor,
                                       scSpeedLine, densityRatio));
    }
  }
  chart.Lines.push_back(SpeedCurve(fan, m.RefSpeed, kRefCurveColor, scReference, densityRatio));
  chart.Lines.push_back(OperatingCurve(fan, volume, speed, densityRatio));

  // System curve P = k Q² through the operating point, from zero flow to
  // where it leaves the window, and at least a tenth beyond the operating
  // flow; the chart draws what lies inside its window. A flow of 0 has no
  // such curve: the line stays empty.
  TSelectorChartLine system;
  system.Color = kSystemColor;
  system.Kind = scSystem;
  if (volume > 0 && std::isfinite(volume) && std::isfinite(pStatic)) {
    const double k = pStatic / (volume * volume);
    double end = chart.XMax;
    if (k > 0 && chart.YMax > 0) end = std::min(end, std::sqrt(chart.YMax / k));
    end = std::max(end, kBeyondOperating * volume);
    bool through = false;
    for (int i = 0; i <= kCurveSteps; ++i) {
      const double q = end * i / kCurveSteps;
      if (!through && q >= volume) {
        through = true;
        if (q > volume) AddPoint(system, volume, pStatic);
      }
      AddPoint(system, q, k * q * q);
    }
  }
  chart.Lines.push_back(std::move(system));
}

void PlaceDutyMarkers(TSelectionResult& r, double dutyFlow, double dutyPressure, double shownFlow,
                      double shownPressure) {
  r.Chart.Duty = {dutyFlow, dutyPressure, kDutyColor, kWhite, kMarkerCircle, 6, 2};
  if (r.Volume != shownFlow || r.PStatic != shownPressure)
    r.Chart.Operating =
        TSelectorChartMarker{r.Volume, r.PStatic, kOperatingColor, kWhite, kMarkerSquare, 6, 1};
  else
    r.Chart.Operating.reset();
}

namespace {

// How one evaluation is carried out and shown.
struct TShowContext {
  double Ratio = 1;  // site density / catalogue density
  TResultUnits Units;
  bool Chart = true;
  bool Lines = true;                   // result lines, extra lines and the R² text
  double Tolerance = 0;                // % of the duty flow
  const TModelFacts* Facts = nullptr;  // the current model's, when known
  TListener Listener;                  // where the sound pressure is given for
  TEnergyOptions Energy;
  // The verdict's sentences written into Reasons and Warnings; a ranking
  // keeps the notes only and writes the sentences a view asks for.
  bool Sentences = true;
};

std::string Value(TUnitsType type, int shown, int si, std::string_view siFormat, double value) {
  if (shown == si) return Format(siFormat, {value});
  const TUnitsConversion c = GetUnitsConversion(type, shown, si);
  return Format(c.Format, {ToUnits(value, c.Factor, c.Offset)});
}

// Widens a chart window, rounded out as its limits are, so that it holds (x, y).
void Include(TChartWindow& w, double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  if (x < w.XMin) w.XMin = FloorToStep(x, 0.25, 0);
  if (x > w.XMax) w.XMax = CeilToStep(x, 0.25, 0);
  if (y < w.YMin) w.YMin = FloorToStep(y, 25, 0);
  if (y > w.YMax) w.YMax = CeilToStep(y, 25, 0);
}

// The nine result lines (or the status text) and the extra lines.
void AddResultLines(const TFan& fan, TSelectionResult& r, const TResultUnits& u) {
  const TFanModel& m = fan.Model();
  const std::string flowUnit(FlowUnitLabel(u)), pressUnit(PressureUnitLabel(u)), powerUnit(PowerUnitLabel(u));
  auto flowText = [&](double v) { return Value(utAirFlowPrim, u.Flow, TResultUnits::kSIFlow, "%0.2f", v); };
  auto pressText = [&](double v) {
    return Value(utAirPressDrop, u.Pressure, TResultUnits::kSIPressure, "%0.0f", v);
  };
  if (r.Status != fsReady) {
    r.Lines.push_back(r.StatusText);
  } else {
    if (r.Speed > m.MaxSpeed)
      r.Lines.emplace_back("Speed exceeds fan limit...");
    else if (r.Speed < m.MinSpeed)
      r.Lines.emplace_back("Speed is below low limit...");
    else
      r.Lines.push_back(Format("Fan Speed\t%0.0f\trpm", {r.Speed}));
    r.Lines.push_back("Volume Flow\t" + flowText(r.Volume) + "\t" + flowUnit);
    r.Lines.push_back("Nominal Flow\t" + flowText(m.QaNom) + "\t" + flowUnit);
    r.Lines.push_back("Static Pressure\t" + pressText(r.PStatic) + "\t" + pressUnit);
    r.Lines.push_back("Dynamic Pressure\t" + pressText(r.PDynamic) + "\t" + pressUnit);
    r.Lines.push_back("Total Pressure\t" + pressText(r.PTotal) + "\t" + pressUnit);
    r.Lines.push_back("Shaft Power\t" +
                      Value(utPower, u.Power, TResultUnits::kSIPower, "%0.2f", r.ShaftPower) + "\t" +
                      powerUnit);
    r.Lines.push_back(Format("Fan Efficiency\t%0.0f\t%%", {r.Efficiency}));
    r.Lines.push_back(Format("Sound Power\t%0.1f\tdB(a)", {r.SoundPower}));
    // The first line gives its place to a limit's message: the speed the
    // fan would run at is still shown.
    if (r.Speed > m.MaxSpeed || r.Speed < m.MinSpeed)
      r.ExtraLines.push_back(Format("Running Speed\t%0.0f\trpm", {r.Speed}) +
                             Format(" (limits %d – %d)", {m.MinSpeed, m.MaxSpeed}));
    r.ExtraLines.push_back(std::string("Duty Pressure\t") + PressureKindName(r.PressureKind) + "\t");
    r.ExtraLines.push_back(Format("Static Efficiency\t%0.0f\t%%", {r.StaticEfficiency}));
    r.ExtraLines.push_back(Format("Total Efficiency\t%0.0f\t%%", {r.Efficiency}));
    r.ExtraLines.push_back(Format("Air Density\t%0.4g\tkg/m³", {r.Density}) +
                           Format(" (catalogue %0.4g)", {r.ReferenceDensity}));
    for (std::string& line : EnergyLines(r, u)) r.ExtraLines.push_back(std::move(line));
  }
}

// The figures of an operating point already set in `r` (Volume, PStatic,
// Speed, RawSpeed), from `point`, the point the solve left current; `point`
// is left as the evaluation leaves the fan's (its flow, and Status 5 for a
// sound power that cannot be computed).
void Figures(const TFanHeader& header, const TModelData& data, TCurrentPoint& point, TSelectionResult& r,
             double dutyFlow, const TShowContext& ctx) {
  const TFanModel& m = data.Model;
  const double ratio = ctx.Ratio;
  // The solve ran at the catalogue's air; pressures and power scale with the
  // density at the same speed and flow (exactly unchanged at ratio 1).
  if (ratio != 1) r.PStatic *= ratio;
  point.Q = r.Volume;
  r.PDynamic = DynamicPressure(m, header.Density, r.Volume);
  if (ratio != 1) r.PDynamic *= ratio;
  r.PTotal = r.PDynamic + r.PStatic;
  r.ShaftPower = ShaftPower(data, point.Ref, r.Speed);
  if (ratio != 1) r.ShaftPower *= ratio;
  // A shaft power of 0 gives no efficiency: shown as 0.
  r.Efficiency = r.ShaftPower != 0 ? 0.1 * r.Volume * r.PTotal / r.ShaftPower : 0;
  r.StaticEfficiency = r.ShaftPower != 0 ? 0.1 * r.Volume * r.PStatic / r.ShaftPower : 0;
  // Sound power scales with the density as 20 lg(ρ/ρref) at the same speed.
  const std::optional<double> sound = SoundPower(data, point.Ref, r.Speed);
  if (!sound) point.Status = fsDataError;
  r.SoundPower = sound.value_or(0);
  if (ratio != 1) r.SoundPower += 20 * std::log10(ratio);
  r.Sound = SoundAtOperatingPoint(data, point.Ref, r.SoundPower, r.Speed, ratio, ctx.Listener);
  r.Status = point.Status;
  r.StatusText = std::string(StatusTextOf(r.Status));

  // The figures the verdict judges, in the catalogue's air where the duty
  // was solved.
  {
    const double refFlow = r.Speed != 0 ? r.Volume * m.RefSpeed / r.Speed : 0;
    r.Tolerance = ctx.Tolerance;
    r.DutyMet = r.Status == fsReady && r.Volume >= dutyFlow * (1 - ctx.Tolerance / 100) * (1 - kFlowRounding);
    const std::size_t n = std::min(static_cast<std::size_t>(std::max(m.Count, 0)), m.Qa.size());
    const TModelFacts facts = ctx.Facts ? TModelFacts{} : ModelFacts(header, data);
    const TModelFacts& known = ctx.Facts ? *ctx.Facts : facts;
    const TPressurePeak& peak = known.PressurePeak;
    r.StallMargin.reset();
    if (n >= 2 && peak.Flow > m.Qa[0] && peak.Flow < m.Qa[n - 1])
      r.StallMargin = 100 * (refFlow - peak.Flow) / peak.Flow;
    r.Extrapolation = 0;
    if (n >= 2) {
      const double lo = m.Qa[0], hi = m.Qa[n - 1], span = hi - lo;
      const double beyond = refFlow < lo ? lo - refFlow : refFlow > hi ? refFlow - hi : 0;
      if (beyond > 0 && span > 0) r.Extrapolation = 100 * beyond / span;
    }
    r.SpeedMargin = m.MaxSpeed != 0 ? 100.0 * (m.MaxSpeed - r.Speed) / m.MaxSpeed : 0;
    const TEfficiencyPeak& bep = known.EfficiencyPeak;
    r.PeakEfficiency = bep.Efficiency;
    // Without a peak inside the tested flows the best-efficiency flow is not known.
    r.BepRatio = bep.Interior && bep.Flow > 0 && r.Speed != 0 ? 100.0 * refFlow / bep.Flow : 0;
    AddEnergyFigures(header, m, ctx.Energy, ratio, known.MaxTestedPower, r);
    TVerdict v = JudgeSelection(m, known.Health, r, ctx.Tolerance, ctx.Units);
    r.Verdict = v.Kind;
    r.RejectRule = v.Rule;
    if (ctx.Sentences) {
      r.Reasons = NoteTexts(v.Reasons);
      r.Warnings = NoteTexts(v.Warnings);
    }
    r.Notes = {std::move(v.Reasons), std::move(v.Warnings)};
  }
  r.R2 = data.FitStats.R2;
}

void Show(TFan& fan, TSelectionResult& r, double dutyFlow, double dutyPressure, double shownFlow,
          double shownPressure, const TChartWindow& previous, const TShowContext& ctx) {
  const double ratio = ctx.Ratio;
  TCurrentPoint point = fan.Current();
  Figures(fan.Header(), fan.Data(), point, r, dutyFlow, ctx);
  fan.SetCurrent(point);

  r.Lines.clear();
  r.ExtraLines.clear();
  if (ctx.Lines) AddResultLines(fan, r, ctx.Units);

  if (ctx.Chart) {
    TChartWindow window = previous;
    r.ChartScaleOk = ComputeChartScale(fan, window);
    if (r.ChartScaleOk) {
      if (ratio != 1) {
        window.YMin = FloorToStep(window.YMin * ratio, 25, 0);
        window.YMax = CeilToStep(window.YMax * ratio, 25, 0);
        WidenRange(window.YMin, window.YMax);
      }
      // The duty and the point the fan actually runs at are always in view.
      Include(window, dutyFlow, dutyPressure);
      Include(window, r.Volume, r.PStatic);
    }
    r.Chart.XMin = window.XMin;
    r.Chart.XMax = window.XMax;
    r.Chart.YMin = window.YMin;
    r.Chart.YMax = window.YMax;
    BuildChartCurves(fan, r.Volume, r.PStatic, r.Speed, r.Chart, ratio);
    PlaceDutyMarkers(r, dutyFlow, dutyPressure, shownFlow, shownPressure);
  }

  if (ctx.Lines) r.R2Text = Format("R²=%0.4f", {r.R2});
}

}  // namespace

void ShowResults(TFan& fan, TSelectionResult& r, double dutyFlow, double dutyPressure, double shownFlow,
                 double shownPressure, const TChartWindow& previous) {
  r.Density = r.ReferenceDensity = fan.Header().Density;
  r.DensityRatio = 1;
  Show(fan, r, dutyFlow, dutyPressure, shownFlow, shownPressure, previous, {});
}

double FlowInUnits(double value, const TResultUnits& units) {
  const TUnitsConversion c = GetUnitsConversion(utAirFlowPrim, units.Flow, TResultUnits::kSIFlow);
  return ToUnits(value, c.Factor, c.Offset);
}
double PressureInUnits(double value, const TResultUnits& units) {
  const TUnitsConversion c = GetUnitsConversion(utAirPressDrop, units.Pressure, TResultUnits::kSIPressure);
  return ToUnits(value, c.Factor, c.Offset);
}
double PowerInUnits(double value, const TResultUnits& units) {
  const TUnitsConversion c = GetUnitsConversion(utPower, units.Power, TResultUnits::kSIPower);
  return ToUnits(value, c.Factor, c.Offset);
}
std::string_view FlowUnitLabel(const TResultUnits& units) { return GetUnitsLabel(utAirFlowPrim, units.Flow); }
std::string_view PressureUnitLabel(const TResultUnits& units) {
  return GetUnitsLabel(utAirPressDrop, units.Pressure);
}
std::string_view PowerUnitLabel(const TResultUnits& units) { return GetUnitsLabel(utPower, units.Power); }

double DutyPressureAtSpeed(TFan& fan, double flow, double speed, const TSelectionResult* last,
                           TPressureKind kind) {
  const bool known = last && last->Status == fsReady && last->Volume > 0;
  double pressure = fan.PressureAt(flow, speed) * (known ? last->DensityRatio : 1.0);
  if (known && kind == TPressureKind::Total)
    pressure += last->PDynamic * (flow / last->Volume) * (flow / last->Volume);
  return pressure;
}

std::string ModelCaption(std::string_view maker, std::string_view model) {
  return "[" + std::string(maker) + "]  " + std::string(model);
}

TSelectionResult EvaluateDuty(TFan& fan, double flow, double pressure, double shownFlow, double shownPressure,
                              const TChartWindow& previous) {
  return EvaluateDuty(fan, TDuty{flow, pressure, TPressureKind::Static, {}}, shownFlow, shownPressure,
                      previous, TResultUnits{});
}

namespace {

// The duty carried to the catalogue's air and solved there: the operating
// point in `r`, the point the solve left current returned; `siteStatic` the
// duty's static pressure at site air.
TCurrentPoint Solve(const TFanHeader& header, const TModelData& data, const TDuty& duty, TSelectionResult& r,
                    double& siteStatic, TShowContext& ctx) {
  r.PressureKind = duty.Kind;
  r.DutyFlow = duty.Flow;
  r.DutyPressure = duty.Pressure;
  r.ReferenceDensity = header.Density;
  r.Density = SiteDensity(duty.Air, r.ReferenceDensity);
  r.DensityRatio = r.Density / r.ReferenceDensity;
  // The static pressure at site air the duty asks for; the catalogue's air
  // and a static duty leave the pressure untouched.
  siteStatic = duty.Pressure;
  if (duty.Kind == TPressureKind::Total) {
    const double area = OutletArea(data.Model);
    if (area > 0) siteStatic -= 0.5 * r.Density * (duty.Flow / area) * (duty.Flow / area);
  }
  r.Volume = duty.Flow;
  r.PStatic = r.Density != r.ReferenceDensity ? siteStatic * r.ReferenceDensity / r.Density : siteStatic;
  const TSpeedSolution s = SolveDutySpeed(data, r.Volume, r.PStatic);
  r.Volume = s.Flow;
  r.PStatic = s.Pressure;
  r.RawSpeed = s.RawSpeed;
  r.Speed = s.Speed;
  ctx.Ratio = r.Density != r.ReferenceDensity ? r.DensityRatio : 1;
  ctx.Tolerance = duty.Tolerance;
  ctx.Listener = duty.Listener;
  ctx.Energy = duty.Energy;
  return s.Point;
}

TSelectionResult Evaluate(TFan& fan, const TDuty& duty, double shownFlow, double shownPressure,
                          const TChartWindow& previous, TShowContext ctx) {
  TSelectionResult r;
  if (ctx.Lines) r.ModelCaption = ModelCaption(fan.Header().Maker, fan.Model().Name);
  double siteStatic = 0;
  fan.SetCurrent(Solve(fan.Header(), fan.Data(), duty, r, siteStatic, ctx));
  const bool plain = duty.Kind == TPressureKind::Static;
  Show(fan, r, duty.Flow, siteStatic, plain ? shownFlow : duty.Flow, plain ? shownPressure : siteStatic,
       previous, ctx);
  return r;
}

}  // namespace

TSelectionResult EvaluateDuty(TFan& fan, const TDuty& duty, double shownFlow, double shownPressure,
                              const TChartWindow& previous, const TResultUnits& units, bool withChart) {
  TShowContext ctx;
  ctx.Units = units;
  ctx.Chart = withChart;
  // Results in horsepower take motors of the horsepower series.
  if (units.Power == TResultUnits::kIPPower) {
    TDuty hp = duty;
    hp.Energy.Series = TMotorSeries::Nema;
    return Evaluate(fan, hp, shownFlow, shownPressure, previous, ctx);
  }
  return Evaluate(fan, duty, shownFlow, shownPressure, previous, ctx);
}

TSelectionResult EvaluateDutyFigures(TFan& fan, const TDuty& duty) {
  TShowContext ctx;
  ctx.Chart = false;
  ctx.Lines = false;
  return Evaluate(fan, duty, duty.Flow, duty.Pressure, {}, ctx);
}

TSelectionResult EvaluateDutyFigures(TFan& fan, const TDuty& duty, const TModelFacts& facts) {
  TShowContext ctx;
  ctx.Chart = false;
  ctx.Lines = false;
  ctx.Facts = &facts;
  return Evaluate(fan, duty, duty.Flow, duty.Pressure, {}, ctx);
}

TModelFacts CurrentModelFacts(TFan& fan) { return ModelFacts(fan.Header(), fan.Data()); }

TModelFacts ModelFacts(const TFanHeader& header, const TModelData& data) {
  const TFanModel& m = data.Model;
  return {FindPressurePeak(m, data.Coeffs, data.FitError),
          FindEfficiencyPeak(m, data.Coeffs, data.FitError, header.Density), ModelHealth(header, data),
          MaxTestedShaftPower(m)};
}

TSelectionResult EvaluateDutyFigures(const TFanHeader& header, const TModelData& data, const TDuty& duty,
                                     const TModelFacts& facts) {
  TShowContext ctx;
  ctx.Chart = false;
  ctx.Lines = false;
  ctx.Facts = &facts;
  ctx.Sentences = false;
  TSelectionResult r;
  double siteStatic = 0;
  TCurrentPoint point = Solve(header, data, duty, r, siteStatic, ctx);
  Figures(header, data, point, r, duty.Flow, ctx);
  return r;
}

int FindBestModel(TFan& fan, const TDuty& duty) {
  const double ref = fan.Header().Density;
  if (duty.Kind == TPressureKind::Static && SiteDensity(duty.Air, ref) == ref)
    return fan.FindBestModel(duty.Flow, duty.Pressure);
  if (fan.LoadStatus() != fsReady || fan.Models().empty()) return fan.FindBestModel(duty.Flow, duty.Pressure);
  const std::vector<std::string> models = fan.Models();
  double best = 1.7e308;
  int chosen = 0;
  for (std::size_t i = 0; i < models.size(); ++i) {
    try {
      fan.SelectModel(models[i]);
    } catch (const EConvertError&) {
      continue;
    }
    if (fan.Status() != fsReady || !fan.ModelReadComplete()) continue;
    const TSelectionResult r = EvaluateDuty(fan, duty, duty.Flow, duty.Pressure, {}, TResultUnits{}, false);
    if (r.Status != fsReady || fan.Model().RefSpeed == 0) continue;
    const double d = std::fabs(fan.Model().QaNom * r.Speed / fan.Model().RefSpeed - r.Volume);
    if (d < best) {
      best = d;
      chosen = static_cast<int>(i);
    }
  }
  fan.SelectModel(models[static_cast<std::size_t>(chosen)]);
  return fan.Status() == fsReady ? chosen : -1;
}

TFindResult FindAcceptableModel(TFan& fan, const TDuty& duty) {
  TFindResult found;
  found.SearchIndex = found.Index = FindBestModel(fan, duty);
  if (found.SearchIndex < 0) return found;
  const TSelectionResult first = EvaluateDutyFigures(fan, duty);
  if (first.Verdict != TVerdictKind::Rejected) {
    found.Acceptable = true;
    return found;
  }
  const std::vector<std::string> models = fan.Models();
  const std::string& firstName = models[static_cast<std::size_t>(found.SearchIndex)];
  std::vector<TVerdictRule> rules;
  int best = -1;
  double bestPower = 0;
  for (std::size_t i = 0; i < models.size(); ++i) {
    try {
      fan.SelectModel(models[i]);
    } catch (const EConvertError&) {
      rules.push_back(TVerdictRule::ModelRead);
      continue;
    }
    if (fan.Status() != fsReady || !fan.ModelReadComplete()) {
      rules.push_back(TVerdictRule::ModelRead);
      continue;
    }
    const TSelectionResult r = EvaluateDutyFigures(fan, duty);
    if (r.Verdict == TVerdictKind::Rejected) {
      rules.push_back(r.RejectRule);
    } else if (best < 0 || r.ShaftPower < bestPower ||
               (r.ShaftPower == bestPower && models[i] < models[static_cast<std::size_t>(best)])) {
      best = static_cast<int>(i);
      bestPower = r.ShaftPower;
    }
  }
  std::string why;
  for (const std::string& reason : first.Reasons) why += (why.empty() ? "" : "; ") + reason;
  if (best >= 0) {
    fan.SelectModel(models[static_cast<std::size_t>(best)]);
    found.Index = best;
    found.Acceptable = true;
    found.Notes.push_back(
        Format("%s passed over (%s): %s is the acceptable model with the lowest shaft power",
               {firstName, why, models[static_cast<std::size_t>(best)]}));
  } else {
    fan.SelectModel(firstName);
    found.Notes.push_back("No model of this file meets the duty: " + RejectionCounts(rules));
  }
  return found;
}

TSelectionResult EvaluateBrowse(TFan& fan, const TChartWindow& previous) {
  return EvaluateBrowse(fan, TSiteAir{}, previous, TResultUnits{});
}

TSelectionResult EvaluateBrowse(TFan& fan, const TSiteAir& air, const TChartWindow& previous,
                                const TResultUnits& units, const TListener& listener) {
  TSelectionResult r;
  r.ModelCaption = ModelCaption(fan.Header().Maker, fan.Model().Name);
  r.ReferenceDensity = fan.Header().Density;
  r.Density = SiteDensity(air, r.ReferenceDensity);
  r.DensityRatio = r.Density / r.ReferenceDensity;
  r.Speed = fan.NominalPoint(r.Volume, r.PStatic);
  r.RawSpeed = r.Speed;
  TShowContext ctx;
  ctx.Ratio = r.Density != r.ReferenceDensity ? r.DensityRatio : 1;
  ctx.Units = units;
  ctx.Listener = listener;
  if (units.Power == TResultUnits::kIPPower) ctx.Energy.Series = TMotorSeries::Nema;
  const double sitePressure = ctx.Ratio != 1 ? r.PStatic * ctx.Ratio : r.PStatic;
  r.DutyFlow = r.Volume;
  r.DutyPressure = sitePressure;
  Show(fan, r, r.Volume, sitePressure, r.Volume, sitePressure, previous, ctx);
  return r;
}

}  // namespace blowden
