#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanLimits.h"
#include "fan/FanTypes.h"

namespace blowden {

// What a catalogue check or an operating-point assessment found, from worst
// to mildest. An error makes a file unfit to install.
enum class TFindingLevel { Error, Warning, Note };

// "error", "warning" or "note".
std::string_view FindingLevelName(TFindingLevel level);

struct TFinding {
  std::string Model;
  TFindingLevel Level = TFindingLevel::Note;
  int Point = -1;  // 0-based index of the tested point, -1 for the model as a whole
  std::string Text;
};

// A fan cannot deliver more air power than it absorbs; one that claims more
// than this efficiency is possible in principle but almost always mistyped.
inline constexpr double kImpossibleEfficiency = 100;  // %
inline constexpr double kImplausibleEfficiency = 90;  // %
// A fitted curve that misses a tested point by more than this share of the
// measured value describes the fan poorly there.
inline constexpr double kResidualWarningPercent = 3;  // %
// Sound power that drops by more than this between two points while the air
// power rises steeply is most likely a typing error.
inline constexpr double kSoundDropWarning = 3;      // dB
inline constexpr double kSteepAirPowerRise = 1.25;  // ratio of air power between neighbouring points

// The highest point of the static-pressure curve at reference speed: of the
// fitted polynomial over the tested flows when the fit succeeded, else of the
// data. Interior is true when tested flows lie left of it (the curve rises
// there, the unstable region of the fan).
struct TPressurePeak {
  double Flow = 0;      // m³/s at reference speed
  double Pressure = 0;  // Pa
  bool Interior = false;
};
TPressurePeak FindPressurePeak(const TFanModel& model, std::span<const double> coeffs, int fitError);

// The highest point of the model's fitted total-efficiency curve at
// reference speed and the catalogue's air: Q × (Ps + ½ ρ (Q/A)²) / Pw over
// the tested flows, with Ps the fitted static-pressure curve (the data when
// the fit failed) and Pw the fitted shaft-power curve. Efficiency in %, 0
// (flow 0) when the model's data give no such curve. Interior is false when
// the highest value lies at the first or the last tested flow: the curve has
// no peak there, and the best-efficiency flow is not known.
struct TEfficiencyPeak {
  double Flow = 0;        // m³/s at reference speed
  double Efficiency = 0;  // %
  bool Interior = false;
};
TEfficiencyPeak FindEfficiencyPeak(const TFanModel& model, std::span<const double> coeffs, int fitError,
                                   double density);

// The operating point the selector computed for a duty, in SI units.
struct TOperatingPoint {
  double DutyFlow = 0;      // m³/s asked for
  double DutyPressure = 0;  // Pa asked for
  double Flow = 0;          // m³/s delivered
  double PStatic = 0;       // Pa
  double PTotal = 0;        // Pa
  double Speed = 0;         // rpm
  double ShaftPower = 0;    // kW
  int Status = fsReady;     // the fan's status after the solve
};

// What an engineer must know about an operating point besides its figures.
struct TOperatingAssessment {
  // The fan delivers at least the duty: Status 0 and the delivered flow (and
  // so, on the system curve, the pressure) not below the duty.
  bool DutyMet = false;
  double StaticEfficiency = 0;  // %, Q × Ps / shaft power; 0 without power
  double TotalEfficiency = 0;   // %, Q × Pt / shaft power; 0 without power
  // Position of the operating flow, carried to reference speed, against the
  // pressure peak, in % of the peak's flow: negative left of the peak.
  double StallMargin = 0;
  // How far the operating flow at reference speed lies outside the tested
  // flows, in % of their span; 0 inside.
  double Extrapolation = 0;
  // One sentence per finding: duty not met, stall region, extrapolated,
  // impossible or implausible efficiency.
  std::vector<std::string> Warnings;
};

TOperatingAssessment AssessOperatingPoint(const TFanModel& model, const TPressurePeak& peak,
                                          const TOperatingPoint& point);

// The physics check of one model read to the end (its static pressures as
// the reader derived them, `coeffs` its fitted static-pressure curve):
// efficiencies, power below the air power, the pressure peak, each fit's
// residuals, falling sound power, the nominal flow fall-back, and figures no
// real fan reaches: a pressure coefficient above kMaxPressureCoefficient, a
// specific sound level outside kMinSpecificSound..kMaxSpecificSound, a tip
// speed at MaxSpeed above `maxTipSpeed` (m/s; 0 or less: kMaxTipSpeed).
std::vector<TFinding> CheckModelPhysics(const TFanModel& model, double density,
                                        std::span<const double> coeffs, int fitError,
                                        double maxTipSpeed = kMaxTipSpeed);

// The physics check of every model of a fan data file, as "Check Fan" and
// `blowden-cli check` report it. Models whose read does not end "Ready" (or
// stops on a number that does not convert) get one error naming what was
// wrong, and models whose data no result can use (DataErrors) one error
// each; neither is checked further. A file that does not load, or names no
// model, gives one error with the model name empty; a test density outside
// kMinTestDensity..kMaxTestDensity one warning with the model name empty,
// before the models' findings.
struct TFileCheck {
  std::string File;
  int Status = fsReady;               // the file's load status
  std::vector<TFinding> Findings;     // model by model, in file order
  std::vector<std::string> Messages;  // message boxes the reader raised
  int Errors() const;                 // findings of level Error
  int Warnings() const;               // findings of level Warning
  // The file could not be read at all (not found, or a read error).
  bool Unreadable() const { return Status == fsFileNotFound || Status == fsReadError; }
};
TFileCheck CheckFile(TFan& fan, const std::string& fileName);

// The report lines of a check, one per finding, after the verification's
// style: "AX (AX315)  point 3: warning: Ps fit misses ..." and a closing
// count line "2 errors, 1 warning".
std::vector<std::string> CheckReportLines(const TFileCheck& check, std::string_view range);

}  // namespace blowden
