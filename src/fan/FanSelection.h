#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanAir.h"
#include "fan/FanFindings.h"
#include "fan/FanSound.h"
#include "fan/FanTypes.h"
#include "fan/FanVerdict.h"
#include "fan/ModelData.h"
#include "fan/ResultUnits.h"
#include "fan/SelectorChart.h"

namespace blowden {

// The chart's data window; the chart panel starts with 1..10 on both axes.
struct TChartWindow {
  double XMin = 1, XMax = 10, YMin = 1, YMax = 10;
};

// An SI value in a result unit, and its label: ("Volume Flow", 1.5 m³/s, cfm).
double FlowInUnits(double value, const TResultUnits& units);
double PressureInUnits(double value, const TResultUnits& units);
double PowerInUnits(double value, const TResultUnits& units);
std::string_view FlowUnitLabel(const TResultUnits& units);
std::string_view PressureUnitLabel(const TResultUnits& units);
std::string_view PowerUnitLabel(const TResultUnits& units);

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

  // Beyond the nine lines: whether the duty is met, the verdict of the
  // rules (JudgeSelection) and the figures behind it.
  bool DutyMet = false;         // Status 0 and the flow short of the duty by no more than the tolerance
  double StaticEfficiency = 0;  // %, Q × Ps / shaft power
  // Distance of the operating flow (at reference speed) from the fitted
  // pressure peak, in % of the peak's flow, negative left of it; none when
  // the peak does not lie inside the tested flows.
  std::optional<double> StallMargin;
  double Extrapolation = 0;   // % of the tested flow span the point lies outside it
  double SpeedMargin = 0;     // % of MaxSpeed left above the speed
  double BepRatio = 0;        // operating flow at reference speed / fitted best-efficiency flow, %; 0: none
  double PeakEfficiency = 0;  // %, the peak of the model's fitted total-efficiency curve; 0: none
  double Tolerance = 0;       // % of the duty flow the operating flow may fall short
  TVerdictKind Verdict = TVerdictKind::Ok;
  TVerdictRule RejectRule = TVerdictRule::None;  // the first reason's rule
  std::vector<std::string> Reasons;              // why rejected (empty unless Verdict is Rejected)
  std::vector<std::string> Warnings;
  // The reasons and warnings as the figures they state (NoteText writes each).
  TVerdictNotes Notes;
  // The air and the duty's pressure kind it was computed for.
  TPressureKind PressureKind = TPressureKind::Static;
  double DutyFlow = 0;          // m³/s as asked
  double DutyPressure = 0;      // Pa as asked (of PressureKind, at site air)
  double Density = 0;           // kg/m³ at the fan
  double ReferenceDensity = 0;  // kg/m³ of the catalogue's test data
  double DensityRatio = 1;      // Density / ReferenceDensity
  // The octave bands, LwA and the sound pressure level at the duty's listener.
  TSoundFigures Sound;
  // Lines the selector shows after the nine: the running speed when the
  // first line gives its place to a limit's message, the duty's pressure
  // kind, the air, both efficiencies (empty when Status is not 0).
  std::vector<std::string> ExtraLines;
  // FEI, fan electrical power, motor, electrical power, tip speed and outlet
  // velocity (AddEnergyFigures); their lines end ExtraLines.
  TEnergyFigures Energy;
};

// The selector's duty evaluation of the fan's current model: solves the speed
// for the duty (flow m³/s, pressure Pa, as the edits hold them) and fills in
// the results, lines and chart. shownFlow / shownPressure are the edits' shown
// texts read back (display rounding included); the operating point is marked
// when the solved point differs from them. `previous` is the chart window kept
// when the new one cannot be computed.
TSelectionResult EvaluateDuty(TFan& fan, double flow, double pressure, double shownFlow, double shownPressure,
                              const TChartWindow& previous = {});

// The same for a duty at site air and of either pressure kind: the duty is
// carried to the catalogue's air (ReferenceStaticPressure), solved there,
// and the results carried back (pressures and power × density ratio; flow,
// speed, efficiency and sound power unchanged), shown in `units`. With the
// catalogue's air, a static duty and SI units every figure is the one the
// overload above gives. Without `withChart` the chart is left empty (a
// ranking of many models needs the figures only). Power in HP chooses the
// motor from the NEMA series whatever duty.Energy says.
TSelectionResult EvaluateDuty(TFan& fan, const TDuty& duty, double shownFlow, double shownPressure,
                              const TChartWindow& previous, const TResultUnits& units, bool withChart = true);

// What a model's evaluations share, whatever the duty: its fitted pressure
// and efficiency peaks and its health (read status, verification). A
// ranking takes them once per model; every evaluation takes them from the
// fan's current model otherwise.
struct TModelFacts {
  TPressurePeak PressurePeak;
  TEfficiencyPeak EfficiencyPeak;
  TModelHealth Health;
  double MaxTestedPower = 0;  // kW, MaxTestedShaftPower
};
TModelFacts CurrentModelFacts(TFan& fan);
TModelFacts ModelFacts(const TFanHeader& header, const TModelData& data);

// The figures, status and warnings of EvaluateDuty(fan, duty, duty.Flow,
// duty.Pressure, {}, TResultUnits{}, false), bit for bit, without the
// result lines, the caption and the R² text (left empty): a ranking judges
// thousands of models and shows none of them as the selector does.
TSelectionResult EvaluateDutyFigures(TFan& fan, const TDuty& duty);
// The same with the current model's facts given (CurrentModelFacts of it).
TSelectionResult EvaluateDutyFigures(TFan& fan, const TDuty& duty, const TModelFacts& facts);
// The same over a model's data (of a catalogue with `header`), with no fan:
// what EvaluateDutyFigures gives with that model current, bit for bit,
// except that the verdict is in Notes only (Reasons and Warnings are left
// empty: NoteTexts writes them). Any thread may evaluate any model so.
TSelectionResult EvaluateDutyFigures(const TFanHeader& header, const TModelData& data, const TDuty& duty,
                                     const TModelFacts& facts);

// The best-model search for a duty at site air or of total pressure: the
// rule of TFan::FindBestModel (the model whose nominal flow at its solved
// speed lies nearest the duty flow, among those solved with Status 0) with
// each model's duty carried to the catalogue's air at its own outlet. A
// static duty at the catalogue's air is exactly TFan::FindBestModel. The
// chosen model is current; -1 as FindBestModel gives it.
int FindBestModel(TFan& fan, const TDuty& duty);

// The best-model search followed by the verdict: FindBestModel's choice
// when its verdict accepts it; otherwise the acceptable model of the file
// with the lowest shaft power (ties: model name), with a note why the first
// choice was passed over; with no acceptable model the search's choice
// stays, with the note "No model of this file meets the duty: " and the
// count of models per reason. The chosen model is current.
struct TFindResult {
  int Index = -1;        // in Models, the model chosen; -1 as FindBestModel gives it
  int SearchIndex = -1;  // FindBestModel's own choice
  bool Acceptable = false;
  std::vector<std::string> Notes;
};
TFindResult FindAcceptableModel(TFan& fan, const TDuty& duty);

// Browse mode: the model's nominal point at RefSpeed (Status set to 0 first).
// The edits are to show Volume, PStatic and Speed; no operating point is
// marked. A window whose edits round the shown values calls
// PlaceDutyMarkers afterwards with the values read back.
TSelectionResult EvaluateBrowse(TFan& fan, const TChartWindow& previous = {});
TSelectionResult EvaluateBrowse(TFan& fan, const TSiteAir& air, const TChartWindow& previous,
                                const TResultUnits& units, const TListener& listener = {});

// The duty pressure the current model gives at `flow` and `speed` (the
// selector's speed edit): the catalogue's static pressure there (PressureAt:
// the fan's current point moves), carried to the site's air of `last` (the
// last evaluation of this model, when there is one and it solved with Status
// 0 at a flow above 0), and for a total duty the outlet's velocity pressure
// of `last` added, grown with the flow squared.
double DutyPressureAtSpeed(TFan& fan, double flow, double speed, const TSelectionResult* last,
                           TPressureKind kind);

// The caption of a model in the selector's status bar: "[Maker]  Name".
std::string ModelCaption(std::string_view maker, std::string_view model);

// The results, lines and chart for an operating point already set in `r`
// (Volume, PStatic, Speed, RawSpeed): the common tail of both evaluations.
void ShowResults(TFan& fan, TSelectionResult& r, double dutyFlow, double dutyPressure, double shownFlow,
                 double shownPressure, const TChartWindow& previous);

// Chart window of the current model: flows of the table carried to MinSpeed
// and MaxSpeed, widened by 1 % and rounded out to 0.25 m³/s; pressures
// likewise to 25 Pa; an empty range widened by WidenRange, as the chart
// panel does.
//   Qa 0.8 .. 4.1, MinSpeed 700, MaxSpeed 1400, RefSpeed 1400 -> x 0.25 .. 4.25
// False (window unchanged) when the model has no usable data or the result is
// not finite.
bool ComputeChartScale(const TFan& fan, TChartWindow& window);

// Speed lines, reference curve, operating curve (at `speed`) and system
// curve through (volume, pStatic) inside the chart's window, in that order.
// Moves the fan's current point (PressureAt).
// Pressures are multiplied by `densityRatio` (site air).
void BuildChartCurves(TFan& fan, double volume, double pStatic, double speed, TSelectorChart& chart,
                      double densityRatio = 1);

// Duty marker at (dutyFlow, dutyPressure); operating marker at
// (r.Volume, r.PStatic) only when that differs from the shown values.
void PlaceDutyMarkers(TSelectionResult& r, double dutyFlow, double dutyPressure, double shownFlow,
                      double shownPressure);

}  // namespace blowden
