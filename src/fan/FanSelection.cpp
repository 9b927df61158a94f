#include "fan/FanSelection.h"

#include <cmath>
#include <cstdint>

#include "base/Format.h"
#include "base/StepRound.h"

namespace blowden {

namespace {

constexpr unsigned kSpeedLineColor = 0xE6D8AD;  // light blue
constexpr unsigned kRefCurveColor = 0x808080;   // grey
constexpr unsigned kOperatingColor = 0xFF0000;  // blue
constexpr unsigned kSystemColor = 0x0000FF;     // red
constexpr unsigned kDutyColor = 0x008000;       // green
constexpr unsigned kWhite = 0xFFFFFF;
constexpr int kCurveSteps = 20;

void AddPoint(TSelectorChartLine& line, double x, double y) {
  // A point that is not a number cannot be drawn (a speed of 0, say).
  if (std::isfinite(x) && std::isfinite(y)) line.Points.push_back({x, y});
}

// One curve of the fan at speed N: the table's flow range carried to N.
TSelectorChartLine SpeedCurve(TFan& fan, double n, unsigned color) {
  TSelectorChartLine line;
  line.Color = color;
  const TFanModel& m = fan.Model;
  const double q0 = fan.LowestFlow() * n / m.RefSpeed;
  const double q1 = fan.HighestFlow() * n / m.RefSpeed;
  line.Points.reserve(kCurveSteps + 1);
  for (int i = 0; i <= kCurveSteps; ++i) {
    const double q = q0 + (q1 - q0) * i / kCurveSteps;
    AddPoint(line, q, fan.PressureAt(q, n));
  }
  return line;
}

}  // namespace

void WidenRange(double& min, double& max) {
  if (min != max) return;
  const double v = min;
  if (v == 0) {
    min = 0;
    max = 1;
  } else {
    min = v * 0.5;
    max = v * 1.5;
  }
}

bool ComputeChartScale(const TFan& fan, TChartWindow& window) {
  const TFanModel& m = fan.Model;
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

void BuildChartCurves(TFan& fan, double volume, double pStatic, double speed, TSelectorChart& chart) {
  const TFanModel& m = fan.Model;
  chart.Title = m.Name;
  chart.Lines.clear();
  if (m.HasSpeeds && !m.Speeds.empty()) {
    for (int n : m.Speeds) chart.Lines.push_back(SpeedCurve(fan, n, kSpeedLineColor));
  } else {
    for (int j = 0; j <= 7; ++j) {
      const std::int64_t step = (static_cast<std::int64_t>(m.MaxSpeed) - m.MinSpeed) * j;
      chart.Lines.push_back(SpeedCurve(fan, m.MinSpeed + static_cast<double>(step) / 7, kSpeedLineColor));
    }
  }
  chart.Lines.push_back(SpeedCurve(fan, m.RefSpeed, kRefCurveColor));
  chart.Lines.push_back(SpeedCurve(fan, speed, kOperatingColor));

  // System curve P = k Q² through the operating point, clipped to the window.
  // A flow of 0 has no such curve: the line stays empty.
  TSelectorChartLine system;
  system.Color = kSystemColor;
  if (volume != 0) {
    const double k = pStatic / (volume * volume);
    for (int i = 0; i <= kCurveSteps; ++i) {
      const double q = chart.XMin + (chart.XMax - chart.XMin) * i / kCurveSteps;
      const double p = k * q * q;
      if (chart.YMin <= p && p <= chart.YMax) AddPoint(system, q, p);
    }
  }
  chart.Lines.push_back(std::move(system));
}

void PlaceDutyMarkers(TSelectionResult& r, double dutyFlow, double dutyPressure, double shownFlow,
                      double shownPressure) {
  r.Chart.Duty = {dutyFlow, dutyPressure, kDutyColor, kWhite, 2, 6, 2};
  if (r.Volume != shownFlow || r.PStatic != shownPressure)
    r.Chart.Operating = TSelectorChartMarker{r.Volume, r.PStatic, kOperatingColor, kWhite, 3, 6, 1};
  else
    r.Chart.Operating.reset();
}

void ShowResults(TFan& fan, TSelectionResult& r, double dutyFlow, double dutyPressure, double shownFlow,
                 double shownPressure, const TChartWindow& previous) {
  const TFanModel& m = fan.Model;
  r.PDynamic = fan.DynamicPressure(r.Volume);
  r.PTotal = r.PDynamic + r.PStatic;
  r.ShaftPower = fan.ShaftPower(r.Speed);
  // A shaft power of 0 gives no efficiency: shown as 0.
  r.Efficiency = r.ShaftPower != 0 ? 0.1 * r.Volume * r.PTotal / r.ShaftPower : 0;
  r.SoundPower = fan.SoundPower(r.Speed);

  TChartWindow window = previous;
  r.ChartScaleOk = ComputeChartScale(fan, window);
  r.Chart.XMin = window.XMin;
  r.Chart.XMax = window.XMax;
  r.Chart.YMin = window.YMin;
  r.Chart.YMax = window.YMax;

  r.Status = fan.Status;
  r.StatusText = std::string(StatusTextOf(r.Status));
  r.Lines.clear();
  if (r.Status != fsReady) {
    r.Lines.push_back(r.StatusText);
  } else {
    if (r.Speed > m.MaxSpeed)
      r.Lines.emplace_back("Speed exceeds fan limit...");
    else if (r.Speed < m.MinSpeed)
      r.Lines.emplace_back("Speed is below low limit...");
    else
      r.Lines.push_back(Format("Fan Speed\t%0.0f\trpm", {r.Speed}));
    r.Lines.push_back(Format("Volume Flow\t%0.2f\tm³/s", {r.Volume}));
    r.Lines.push_back(Format("Nominal Flow\t%0.2f\tm³/s", {m.QaNom}));
    r.Lines.push_back(Format("Static Pressure\t%0.0f\tPa", {r.PStatic}));
    r.Lines.push_back(Format("Dynamic Pressure\t%0.0f\tPa", {r.PDynamic}));
    r.Lines.push_back(Format("Total Pressure\t%0.0f\tPa", {r.PTotal}));
    r.Lines.push_back(Format("Shaft Power\t%0.2f\tkW", {r.ShaftPower}));
    r.Lines.push_back(Format("Fan Efficiency\t%0.0f\t%%", {r.Efficiency}));
    r.Lines.push_back(Format("Sound Power\t%0.1f\tdB(a)", {r.SoundPower}));
  }

  BuildChartCurves(fan, r.Volume, r.PStatic, r.Speed, r.Chart);
  PlaceDutyMarkers(r, dutyFlow, dutyPressure, shownFlow, shownPressure);

  r.R2 = fan.FitStats.R2;
  r.R2Text = Format("R²=%0.4f", {r.R2});
}

TSelectionResult EvaluateDuty(TFan& fan, double flow, double pressure, double shownFlow, double shownPressure,
                              const TChartWindow& previous) {
  TSelectionResult r;
  r.ModelCaption = "[" + fan.Header.Maker + "]  " + fan.Model.Name;
  r.Volume = flow;
  r.PStatic = pressure;
  r.Speed = fan.SolveSpeed(r.Volume, r.PStatic, r.RawSpeed);
  ShowResults(fan, r, flow, pressure, shownFlow, shownPressure, previous);
  return r;
}

TSelectionResult EvaluateBrowse(TFan& fan, const TChartWindow& previous) {
  TSelectionResult r;
  r.ModelCaption = "[" + fan.Header.Maker + "]  " + fan.Model.Name;
  fan.Status = fsReady;
  r.Volume = fan.Model.QaNom;
  r.Speed = fan.Model.RefSpeed;
  r.RawSpeed = r.Speed;
  r.PStatic = fan.PressureAt(r.Volume, r.Speed);
  ShowResults(fan, r, r.Volume, r.PStatic, r.Volume, r.PStatic, previous);
  return r;
}

}  // namespace blowden
