#pragma once

#include <string>
#include <vector>

#include "fan/QmFan.h"
#include "fan/SelectorChart.h"

namespace blowden {

// The chart's data window; the chart panel starts with 1..10 on both axes.
struct TChartWindow {
  double XMin = 1, XMax = 10, YMin = 1, YMax = 10;
};

// What the fan selector shows for one evaluation of the current model.
struct TSelectionResult {
  int Status = 0;          // the fan's Status after the evaluation
  std::string StatusText;  // StatusText[Status]
  double Volume = 0;      // operating flow, m³/s (moved by the solve when it clamps or picks a listed speed)
  double PStatic = 0;     // Pa
  double Speed = 0;       // rpm, the speed the fan runs at
  double RawSpeed = 0;    // rpm, the root itself (the speed edit shows it)
  double PDynamic = 0;    // Pa
  double PTotal = 0;      // Pa
  double ShaftPower = 0;  // kW
  double Efficiency = 0;  // %, 0 when the shaft power is 0
  double SoundPower = 0;  // dB
  double R2 = 0;          // R² of the fitted static pressure
  // The nine result lines (tabs between label, value and unit), or the one
  // status text when Status is not 0:
  //   "Fan Speed\t1234\trpm" (or "Speed exceeds fan limit..." / "Speed is below low limit..."),
  //   "Volume Flow\t1.00\tm³/s", "Nominal Flow\t1.20\tm³/s", "Static Pressure\t500\tPa",
  //   "Dynamic Pressure\t10\tPa", "Total Pressure\t510\tPa", "Shaft Power\t0.85\tkW",
  //   "Fan Efficiency\t60\t%", "Sound Power\t82.3\tdB(a)"
  std::vector<std::string> Lines;
  std::string ModelCaption;   // "[Maker]  Name", status panel 0
  std::string R2Text;         // "R²=0.9987", status panel 3
  TSelectorChart Chart;       // window, curves and markers
  bool ChartScaleOk = false;  // false: the window could not be computed and Chart holds the previous one
};

// The selector's duty evaluation of the fan's current model: solves the speed
// for the duty (flow m³/s, pressure Pa, as the edits hold them) and fills in
// the results, lines and chart. shownFlow / shownPressure are the edits' shown
// texts read back (display rounding included); the operating point is marked
// when the solved point differs from them. `previous` is the chart window kept
// when the new one cannot be computed.
TSelectionResult EvaluateDuty(TFan& fan, double flow, double pressure, double shownFlow, double shownPressure,
                              const TChartWindow& previous = {});

// Browse mode: the model's nominal point at RefSpeed (Status set to 0 first).
// The edits are to show Volume, PStatic and Speed; no operating point is
// marked. A window whose edits round the shown values calls
// PlaceDutyMarkers afterwards with the values read back.
TSelectionResult EvaluateBrowse(TFan& fan, const TChartWindow& previous = {});

// The results, lines and chart for an operating point already set in `r`
// (Volume, PStatic, Speed, RawSpeed): the common tail of both evaluations.
void ShowResults(TFan& fan, TSelectionResult& r, double dutyFlow, double dutyPressure, double shownFlow,
                 double shownPressure, const TChartWindow& previous);

// Chart window of the current model: flows of the table carried to MinSpeed
// and MaxSpeed, widened by 1 % and rounded out to 0.25 m³/s; pressures
// likewise to 25 Pa; an empty range widened as the chart panel does.
//   Qa 0.8 .. 4.1, MinSpeed 700, MaxSpeed 1400, RefSpeed 1400 -> x 0.25 .. 4.25
// False (window unchanged) when the model has no usable data or the result is
// not finite.
bool ComputeChartScale(const TFan& fan, TChartWindow& window);

// The chart panel's rule for a pair of limits: Min = Max = v gives 0 .. 1
// for v = 0 and v*0.5 .. v*1.5 otherwise; other pairs stay.
void WidenRange(double& min, double& max);

// Speed lines, reference curve, operating curve (at `speed`) and system
// curve through (volume, pStatic) inside the chart's window, in that order.
// Moves the fan's current point (PressureAt).
void BuildChartCurves(TFan& fan, double volume, double pStatic, double speed, TSelectorChart& chart);

// Duty marker at (dutyFlow, dutyPressure); operating marker at
// (r.Volume, r.PStatic) only when that differs from the shown values.
void PlaceDutyMarkers(TSelectionResult& r, double dutyFlow, double dutyPressure, double shownFlow,
                      double shownPressure);

}  // namespace blowden
