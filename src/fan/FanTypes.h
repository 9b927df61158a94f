#pragma once

// The fan model's small types: fan kinds, status codes, a catalogue's header,
// one model's data, the limits of the speed solution, and the helpers of
// reading lists. Most code that passes a fan around needs only these and the
// declaration of TFan, not the class itself: including this header instead
// of QmFan.h keeps it from being rebuilt at every change of the fan model.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanBands.h"
#include "fan/FanRating.h"

namespace blowden {

class TFan;

// Fan type of a catalogue; the position in KindNames.
enum TFanKind : std::uint8_t { fkNone, fkFCC, fkBCC, fkProp, fkAxial, fkRadial, fkMixed };

inline constexpr std::array<std::string_view, 7> KindNames{"None",  "FCC",    "BCC",  "Prop",
                                                           "Axial", "Radial", "Mixed"};

// Status codes of a TFan; StatusText[code] is the text shown to the user.
enum TFanStatus : int {
  fsReady = 0,
  fsNotLoaded = 1,
  fsFileNotFound = 2,
  fsReadError = 3,
  fsVolumeRange = 4,
  fsDataError = 5,
  fsSpeedRange = 6,
  fsModelNotFound = 7,
};

inline constexpr std::array<std::string_view, 8> StatusText{
    "Ready",      "Data file not loaded", "File not found",     "File read error", "Volume range error",
    "Data error", "Speed range error",    "Fan model not found"};

// StatusText[code], or an empty text for a code outside 0..7.
std::string_view StatusTextOf(int code);

// +1 for x >= 0, -1 otherwise (also for NaN).
double SignOf(double x);

// Num / Den that never fails: Den = 0 gives SignOf(Num) * Alt; a quotient
// that is not finite (overflow, NaN operand) gives SignOf(Num) * Alt / SignOf(Den).
//   SafeDivide(1, 4, 0) -> 0.25;  SafeDivide(-3, 0, 2) -> -2
double SafeDivide(double Num, double Den, double Alt);

// Items of a comma-separated list value: blanks before an item are skipped,
// the item runs to its comma (trailing blanks stay part of it); a trailing
// comma adds no item, two commas in a row make an empty item.
//   "1, 2,3"  -> {"1", "2", "3"};  "1,,2" -> {"1", "", "2"};  "1,2," -> {"1", "2"};  "" -> {}
// The views point into `text`.
void SplitList(std::string_view text, std::vector<std::string_view>& items);

// The catalogue header of a fan data file (section "Catalog").
struct TFanHeader {
  std::string Maker;
  std::string Range;  // begins every verification message
  std::string Description;
  std::string Version;
  double Density = 0;  // kg/m³
  TFanKind Kind = fkNone;
  // m/s, "MaxTipSpeed": the highest tip speed the maker allows its impellers;
  // 0 when not given (the physics check then takes kMaxTipSpeed).
  double MaxTipSpeed = 0;
  // "LwKind" as written (Inlet, Outlet or Total): what every model's sound
  // powers were measured at, unless the model says otherwise.
  std::string LwKind;
  TCatalogueRating Rating;  // the rating keys (FanRating.h)
};

// One fan model: its scalar data and test curves at RefSpeed.
struct TFanModel {
  std::string Name;
  double Diameter = 0;      // m
  int RefSpeed = 0;         // rpm
  int MinSpeed = 0;         // rpm
  int MaxSpeed = 0;         // rpm
  double OutletHeight = 0;  // m
  double OutletWidth = 0;   // m
  double QaNom = 0;         // m³/s
  int Count = 0;            // number of test points
  std::vector<double> Qa;   // m³/s
  std::vector<double> Ps;   // Pa; may hold another number of entries than Count
  std::vector<double> Pw;   // kW
  std::vector<double> Lw;   // dB
  bool HasSpeeds = false;
  // QaNom was missing or outside the flows: the point two thirds along is used.
  bool QaNomFallBack = false;
  std::vector<int> Speeds;  // rpm, file order
  TModelBands Bands;        // octave bands Lw63 .. Lw8000, when given
  TModelRating Rating;      // the rating keys over the catalogue's (FanRating.h)
};

// Values a model takes when its data file leaves them out, or when its
// "Model" line cannot be read.
inline constexpr double kFallbackDiameterMm = 500;  // "Diameter" and outlet sides, mm
inline constexpr int kFallbackSpeed = 1360;         // reference, lowest and highest speed, rpm
inline constexpr double kNoNominalFlow = -99;       // "QaNom": replaced from the table on reading
inline constexpr double kDefaultDensity = 1.2;      // "Density" of the catalogue, kg/m³

// The speed solution accepts a root down to 0.9 × MinSpeed and up to
// 1.1 × MaxSpeed; beyond those it clamps the speed (Status 6).
inline constexpr double kLowSpeedMargin = 0.9;
inline constexpr double kHighSpeedMargin = 1.1;
// A duty flow, carried to the solved speed, may lie this share of the
// table's flow span before the first or beyond the last flow (else Status 4).
inline constexpr double kFlowMargin = 0.05;

// A number that did not convert while a verification read the models.
struct TConversionStop {
  std::string Message;  // "'x' is not a valid floating point value"
  std::string Model;    // the model being read
};

}  // namespace blowden
