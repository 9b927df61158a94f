#pragma once

// Evaluating a model's data: free functions over const TModelData that
// remember nothing between calls. Units: m³/s, Pa, kW, dB, rpm, m².
//
// An operation of TFan that moves its current point (PressureAt, SolveSpeed,
// NominalPoint, ...) is one of these functions followed by keeping the point
// it returns: TCurrentPoint is that point as a value.

#include <optional>
#include <span>

#include "fan/ModelData.h"

namespace blowden {

// A flow at reference speed and where it lies in the table: segment
// Segment of Qa, at Fraction (0 at Qa[Segment], 1 at the next flow, outside
// 0..1 beyond the data).
struct TRefPoint {
  double QRef = 0;
  int Segment = 0;
  double Fraction = 0;
};

// The point an evaluation leaves current: the flow at the running speed,
// its place at reference speed, and the status the evaluation gave.
struct TCurrentPoint {
  double Q = 0;
  TRefPoint Ref;
  int Status = fsReady;
};

// Segment i of V[0..n-1] holding x, and the position t of x in it (0 at
// V[i], 1 at V[i+1], outside 0..1 beyond the data). Rising data when
// V[0] < V[1], else falling. Fewer than 2 values (n or V's length) give
// i = 0, t = 0.
void LocateSegment(std::span<const double> V, int n, double x, int& i, double& t);

// +1 when V[0..n-1] rises strictly, -1 when it falls strictly, else 0
// (also for fewer than 2 values).
int StrictOrder(std::span<const double> V, int n);

// qRef located in the model's flows: LocateSegment, found by halving when
// the flows are strictly ordered (the same segment and position).
TRefPoint LocateFlow(const TModelData& d, double qRef);
// Flow Q at speed N carried to reference speed (RefSpeed * Q / N) and located.
TRefPoint RefPointOf(const TModelData& d, double Q, double N);

// At a located point: static pressure (the fitted polynomial, or linear
// interpolation in the data when the fit failed), power and sound power,
// all at reference speed.
double RefPressure(const TModelData& d, const TRefPoint& p);
double RefPower(const TModelData& d, const TRefPoint& p);
double RefSound(const TModelData& d, const TRefPoint& p);
// Any list of one value per tested flow (an octave band's sound powers, say),
// interpolated at a located point as the sound power is.
double RefInterpolated(const TModelData& d, const TRefPoint& p, const std::vector<double>& values);

// m²; 0 when both outlet dimensions are 0 (a round outlet when one is 0).
double OutletArea(const TFanModel& m);
double LowestFlow(const TFanModel& m);   // Qa[0]
double HighestFlow(const TFanModel& m);  // Qa[Count-1]
int MaxPressureIndex(const TFanModel& m);
int MinPositivePressureIndex(const TFanModel& m);

// The fan laws at a located point: RefPressure * (N / RefSpeed)²,
// RefPower * (N / RefSpeed)³, RefSound + 50 log10(N / RefSpeed) (none for a
// ratio that is not positive: a data error).
double PressureAtSpeed(const TModelData& d, const TRefPoint& p, double N);
double ShaftPower(const TModelData& d, const TRefPoint& p, double N);
std::optional<double> SoundPower(const TModelData& d, const TRefPoint& p, double N);
// Static pressure at flow Q and speed N.
double PressureAt(const TModelData& d, double Q, double N);
// 0.5 * density * (Q / OutletArea)², 0 without an area.
double DynamicPressure(const TFanModel& m, double density, double Q);

// The speed at which the model gives static pressure P at flow Q, as
// TFan::SolveSpeed describes it (which is this and keeping Point): Flow and Pressure moved along the system
// curve when the speed is clamped or listed (or the nominal point when no
// root is found), RawSpeed the root itself, Status 0, 4, 5 or 6, and Point
// the point the search left current (the last one it tried).
struct TSpeedSolution {
  double Flow = 0;
  double Pressure = 0;
  double RawSpeed = 0;
  double Speed = 0;
  TCurrentPoint Point;
};
TSpeedSolution SolveDutySpeed(const TModelData& d, double Q, double P);

// The nominal point: QaNom at RefSpeed and its static pressure (Status 0).
TSpeedSolution NominalPoint(const TModelData& d);

// How far the model's nominal flow at the solved speed lies from the flow of
// the solution: what the best-model search minimises.
double NominalMismatch(const TModelData& d, const TSpeedSolution& s);

}  // namespace blowden
