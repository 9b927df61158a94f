#pragma once

// Energy figures of a selection: the Fan Energy Index, the motor a fan needs
// and the electrical power it draws. Free functions over plain numbers.
//
// The Fan Energy Index follows AMCA 208 ("Calculation of the Fan Energy
// Index"), as the United States' test procedure for fans and blowers
// (10 CFR 431, subpart J, appendix A, May 2023) adopts it: the electrical
// power of a reference fan for the same flow and pressure, divided by the
// electrical power of the fan itself. FEI ≥ 1 is what energy codes ask of a
// selection at its design point.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace blowden {

// The pressure the Fan Energy Index is computed on: total for a ducted
// outlet, static for a free outlet.
enum class TFeiBasis : std::uint8_t { Total, Static };

// "total" or "static", as the JSON writes it.
std::string_view FeiBasisName(TFeiBasis basis);

// Reference fan's efficiency on each basis, and the constants of the
// reference shaft power (m³/s and Pa added to the duty's).
inline constexpr double kFeiReferenceTotalEfficiency = 0.66;
inline constexpr double kFeiReferenceStaticEfficiency = 0.60;
inline constexpr double kFeiFlowOffset = 0.118;     // m³/s
inline constexpr double kFeiPressureOffset = 100;   // Pa, at 1.2 kg/m³
inline constexpr double kFeiStandardDensity = 1.2;  // kg/m³
inline constexpr double kFeiMotorCurveLimit = 185;  // kW: above it the reference motor is 96.2 %
inline constexpr double kFeiLargeMotorEfficiency = 0.962;

// Reference fan shaft power (kW) for a flow Q (m³/s) against a pressure P
// (Pa, of the basis) in air of density ρ (kg/m³):
//   H_ref = (Q + 0.118) (P + 100 ρ / 1.2) / (1000 η₀), η₀ 0.66 total, 0.60 static.
//   Q 1, P 500, ρ 1.2, total -> 1.118 × 600 / 660 = 1.016364 kW
double ReferenceShaftPower(double flow, double pressure, double density, TFeiBasis basis);

// Reference transmission (belt) efficiency at a shaft power H (kW):
// 0.96 (H / (H + 1.64))^0.05; 0 for H not above 0.
double ReferenceTransmissionEfficiency(double shaftPower);

// Reference motor efficiency for a motor output Ht (kW), x = log10(Ht):
// −0.003812 x⁴ + 0.025834 x³ − 0.072577 x² + 0.125559 x + 0.850274 below
// 185 kW, 0.962 from there on; 0 for Ht not above 0.
double ReferenceMotorEfficiency(double motorOutput);

// Electrical power (kW) of a fan absorbing H kW at its shaft through the
// reference transmission and motor: H / (η_t(H) η_m(H / η_t(H))); 0 for H
// not above 0.
double ReferenceElectricalPower(double shaftPower);

// The drive train a fan's electrical power is computed with; a part not
// known is the reference one (a bare-shaft fan is rated with both).
struct TDriveTrain {
  std::optional<double> DriveEfficiency;  // 0..1; 1 for a direct drive
  std::optional<double> MotorEfficiency;  // 0..1
};

// Electrical power (kW) at shaft power H (kW): H / (η_drive η_motor), each
// unknown part replaced by the reference one (η_t(H), η_m(H / η_drive)).
// 0 for H not above 0.
double FanElectricalPower(double shaftPower, const TDriveTrain& train);
// The same with the drive's efficiency already known (given, or the
// reference one of H): what FanElectricalPower gives for that drive.
double FanElectricalPowerAt(double shaftPower, double driveEfficiency, std::optional<double> motorEfficiency);

// FEI = FEP(H_ref) / FEP(H): the reference fan's electrical power (always
// with the reference drive and motor) over the fan's. 0 when either power
// is not above 0 or the quotient is not finite.
double FanEnergyIndex(double referenceShaftPower, double fanElectricalPower);

// The rating series motors are sold in.
enum class TMotorSeries : std::uint8_t {
  Iec,   // IEC 60072-1 kW ratings, 0.12 … 500 kW
  Nema,  // NEMA MG 1 horsepower ratings, 1/4 … 500 hp
};

// Horsepower in a kilowatt, the factor of the units catalogue's "HP", so that
// a rating shown in HP reads as its round figure.
inline constexpr double kHorsepowerPerKilowatt = 1.341021858656296;

// The series' ratings, rising, in its own unit (kW or hp).
std::span<const double> MotorRatings(TMotorSeries series);

// The smallest rating of the series (in kW) at or above `power` kW; none
// when the largest is smaller. A power within 1e-9 (relative) above a rating
// takes that rating: 5.5 kW asks for a 5.5 kW motor, not 7.5.
//   4.0 kW, Iec -> 4.0;  4.01, Iec -> 5.5;  0, Iec -> 0.12;  4.0 kW, Nema -> 7.5 hp (5.59 kW)
std::optional<double> StandardMotorRating(double power, TMotorSeries series);

// Nominal efficiency (%) of an IE3 4-pole 50 Hz motor of `rated` kW by
// IEC 60034-30-1; between two listed ratings interpolated linearly in
// log10 of the power, below 0.12 kW the 0.12 kW value, from 200 kW on 96 %.
//   7.5 -> 90.4;  1.5 -> 85.3
double Ie3Efficiency(double rated);

// The default share of the largest shaft power along the operating speed a
// motor's rating must exceed it by.
inline constexpr double kDefaultMotorMargin = 10;  // %
inline constexpr double kMaxMotorMargin = 100;     // %, the largest a user may set

// What a selection asks of the energy figures beside its duty.
struct TEnergyOptions {
  double MinFei = 0;                         // a selection below it is rejected; 0: no limit
  double MotorMargin = kDefaultMotorMargin;  // %
  TMotorSeries Series = TMotorSeries::Iec;
};

// The motor of a selection: the catalogue's when it names one, else the
// smallest standard rating that covers the largest shaft power along the
// operating speed with the margin.
struct TMotorChoice {
  double RatedPower = 0;  // kW; 0: no rating of the series is large enough
  double Efficiency = 0;  // %
  bool FromCatalogue = false;
  int Poles = 0;        // the catalogue's; 0 when not known
  double Required = 0;  // kW: the largest shaft power × (1 + margin)
};

// The choice for a largest shaft power `maxShaftPower` (kW) along the
// operating speed; `catalogueMotor` kW / `catalogueEfficiency` % / poles
// when the catalogue names the motor (power above 0).
TMotorChoice ChooseMotor(double maxShaftPower, double marginPercent, TMotorSeries series,
                         double catalogueMotor = 0, double catalogueEfficiency = 0, int cataloguePoles = 0);

// The energy figures of one evaluated selection, at site air (see
// AddEnergyFigures in FanSubmittal.h). Every view shows these, none
// computes its own.
struct TEnergyFigures {
  bool Known = false;  // computed: the selection's status is 0 and its shaft power above 0
  double Fei = 0;
  TFeiBasis Basis = TFeiBasis::Total;
  double ReferenceShaftPower = 0;  // kW, H_ref
  double FanElectricalPower = 0;   // kW, FEP of the fan as rated
  TMotorChoice Motor;
  double MaxShaftPower = 0;    // kW, the largest along the operating speed over the tested flows
  double DriveEfficiency = 0;  // 0..1, of the electrical power below
  double ElectricalPower = 0;  // kW drawn at the operating point with the chosen motor
  double MinFei = 0;           // the limit the selection was judged by (0: none)
  double MotorMargin = kDefaultMotorMargin;  // %
  double TipSpeed = 0;                       // m/s, pi D n / 60
  double OutletVelocity = 0;                 // m/s, flow / outlet area
};

}  // namespace blowden
