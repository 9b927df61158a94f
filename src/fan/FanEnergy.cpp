#include "fan/FanEnergy.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace blowden {

namespace {

// Standard output ratings of IEC 60072-1 (kW), 0.12 to 500 kW.
constexpr std::array<double, 33> kIecRatings{0.12, 0.18, 0.25, 0.37, 0.55, 0.75, 1.1, 1.5, 2.2, 3,   4,
                                             5.5,  7.5,  11,   15,   18.5, 22,   30,  37,  45,  55,  75,
                                             90,   110,  132,  160,  200,  250,  315, 355, 400, 450, 500};

// Horsepower ratings of NEMA MG 1 (integral and the larger fractional
// ratings), 1/4 to 500 hp.
constexpr std::array<double, 29> kNemaRatings{0.25, 1.0 / 3, 0.5, 0.75, 1,   1.5, 2,   3,   5,  7.5,
                                              10,   15,      20,  25,   30,  40,  50,  60,  75, 100,
                                              125,  150,     200, 250,  300, 350, 400, 450, 500};

// Nominal efficiency limits of class IE3, 4 poles, 50 Hz (%), from
// IEC 60034-30-1:2014, Table 3 (the same figures as Regulation (EU)
// 2019/1781, Annex I, Table 2). From 200 kW to 1000 kW the class asks 96.0 %.
struct TIe3Row {
  double Power;       // kW
  double Efficiency;  // %
};
constexpr std::array<TIe3Row, 29> kIe3FourPole{{
    {0.12, 64.8}, {0.18, 69.9}, {0.20, 71.1}, {0.25, 73.5}, {0.37, 77.3}, {0.40, 78.0},
    {0.55, 80.8}, {0.75, 82.5}, {1.1, 84.1},  {1.5, 85.3},  {2.2, 86.7},  {3, 87.7},
    {4, 88.6},    {5.5, 89.6},  {7.5, 90.4},  {11, 91.4},   {15, 92.1},   {18.5, 92.6},
    {22, 93.0},   {30, 93.6},   {37, 93.9},   {45, 94.2},   {55, 94.6},   {75, 95.0},
    {90, 95.2},   {110, 95.4},  {132, 95.6},  {160, 95.8},  {200, 96.0},
}};

// A power within this share above a rating takes that rating.
constexpr double kRatingSlack = 1e-9;

}  // namespace

std::string_view FeiBasisName(TFeiBasis basis) { return basis == TFeiBasis::Static ? "static" : "total"; }

double ReferenceShaftPower(double flow, double pressure, double density, TFeiBasis basis) {
  const double eta0 =
      basis == TFeiBasis::Static ? kFeiReferenceStaticEfficiency : kFeiReferenceTotalEfficiency;
  return (flow + kFeiFlowOffset) * (pressure + kFeiPressureOffset * density / kFeiStandardDensity) /
         (1000 * eta0);
}

double ReferenceTransmissionEfficiency(double shaftPower) {
  if (!(shaftPower > 0)) return 0;
  return 0.96 * std::pow(shaftPower / (shaftPower + 1.64), 0.05);
}

double ReferenceMotorEfficiency(double motorOutput) {
  if (!(motorOutput > 0)) return 0;
  if (motorOutput >= kFeiMotorCurveLimit) return kFeiLargeMotorEfficiency;
  const double x = std::log10(motorOutput);
  return (((-0.003812 * x + 0.025834) * x - 0.072577) * x + 0.125559) * x + 0.850274;
}

double ReferenceElectricalPower(double shaftPower) { return FanElectricalPower(shaftPower, TDriveTrain{}); }

double FanElectricalPower(double shaftPower, const TDriveTrain& train) {
  if (!(shaftPower > 0)) return 0;
  const double drive =
      train.DriveEfficiency ? *train.DriveEfficiency : ReferenceTransmissionEfficiency(shaftPower);
  return FanElectricalPowerAt(shaftPower, drive, train.MotorEfficiency);
}

double FanElectricalPowerAt(double shaftPower, double drive, std::optional<double> motorEfficiency) {
  if (!(shaftPower > 0)) return 0;
  if (!(drive > 0)) return 0;
  const double motor = motorEfficiency ? *motorEfficiency : ReferenceMotorEfficiency(shaftPower / drive);
  if (!(motor > 0)) return 0;
  return shaftPower / (drive * motor);
}

double FanEnergyIndex(double referenceShaftPower, double fanElectricalPower) {
  if (!(fanElectricalPower > 0)) return 0;
  const double reference = ReferenceElectricalPower(referenceShaftPower);
  const double fei = reference / fanElectricalPower;
  return std::isfinite(fei) && fei > 0 ? fei : 0;
}

std::span<const double> MotorRatings(TMotorSeries series) {
  if (series == TMotorSeries::Nema) return kNemaRatings;
  return kIecRatings;
}

std::optional<double> StandardMotorRating(double power, TMotorSeries series) {
  const double perUnit = series == TMotorSeries::Nema ? 1 / kHorsepowerPerKilowatt : 1;  // kW per rating unit
  if (std::isnan(power)) return std::nullopt;
  for (double rating : MotorRatings(series)) {
    const double kw = rating * perUnit;
    if (power <= kw * (1 + kRatingSlack)) return kw;
  }
  return std::nullopt;
}

double Ie3Efficiency(double rated) {
  if (!(rated > kIe3FourPole.front().Power)) return kIe3FourPole.front().Efficiency;
  if (rated >= kIe3FourPole.back().Power) return kIe3FourPole.back().Efficiency;
  const auto above = std::find_if(kIe3FourPole.begin(), kIe3FourPole.end(),
                                  [rated](const TIe3Row& row) { return row.Power >= rated; });
  if (above->Power == rated) return above->Efficiency;
  const auto below = above - 1;
  const double t = std::log10(rated / below->Power) /
                   std::log10(above->Power / below->Power);  // 0..1 in log10 of the power
  return below->Efficiency + t * (above->Efficiency - below->Efficiency);
}

TMotorChoice ChooseMotor(double maxShaftPower, double marginPercent, TMotorSeries series,
                         double catalogueMotor, double catalogueEfficiency, int cataloguePoles) {
  TMotorChoice c;
  c.Required = std::max(maxShaftPower, 0.0) * (1 + marginPercent / 100);
  if (catalogueMotor > 0) {
    c.RatedPower = catalogueMotor;
    c.Efficiency = catalogueEfficiency > 0 ? catalogueEfficiency : Ie3Efficiency(catalogueMotor);
    c.FromCatalogue = catalogueEfficiency > 0;
    c.Poles = cataloguePoles;
    return c;
  }
  const std::optional<double> rating = StandardMotorRating(c.Required, series);
  c.RatedPower = rating.value_or(0);
  // A motor beyond the series is at least as large as its largest rating.
  c.Efficiency = Ie3Efficiency(rating ? *rating : c.Required);
  return c;
}

}  // namespace blowden
