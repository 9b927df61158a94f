#pragma once

// The rating data of a catalogue and its models: how the fan is driven, the
// motor the maker fits, the standard it was tested to, its installation type,
// tolerance and certification, and where a model's data came from. Every
// key is optional; a file without them reads as it always did.
//
//   [Catalog]
//   RatingStandard=AMCA 210-16        (free text)
//   InstallationType=B                (A|B|C|D: A and C free outlet, B and D ducted)
//   Tolerance=ISO 13348 AN2           (free text)
//   Certified=AMCA licensed           (free text)
//   Drive=Belt                        (Direct|Belt: the default of every model)
//   Motor=7.5,4,91.2                  (kW, poles, efficiency %: the default of every model)
//   [BC500]
//   Drive=Direct                      (the model's own; also Motor and MaxTipSpeed)
//   Source=Derived from BC450, k = 1.120   (Tested|Derived, a remark may follow)

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fan/FanEnergy.h"

namespace blowden {

class TIniFile;
struct TIniSection;

enum class TDriveKind : std::uint8_t { Unknown, Direct, Belt };
enum class TInstallationType : std::uint8_t { Unknown, A, B, C, D };

// "Direct" / "Belt", "A".."D"; empty for Unknown.
std::string_view DriveKindName(TDriveKind kind);
std::string_view InstallationTypeName(TInstallationType type);

// The motor the maker fits: "Motor=KW,POLES,EFFICIENCY".
struct TMotorSpec {
  double Power = 0;  // kW; 0: not given
  int Poles = 0;
  double Efficiency = 0;  // %
  bool Given() const { return Power > 0; }
};

// The "Catalog" section's rating keys.
struct TCatalogueRating {
  std::string RatingStandard;
  TInstallationType Installation = TInstallationType::Unknown;
  std::string Tolerance;
  std::string Certified;
  TDriveKind Drive = TDriveKind::Unknown;
  TMotorSpec Motor;
  // Why a key of the section could not be read ("\"Drive\" is 'Chain', not
  // Direct or Belt"); the key then counts as not given.
  std::vector<std::string> Problems;
};

// One model's rating keys with the catalogue's defaults already applied.
struct TModelRating {
  TDriveKind Drive = TDriveKind::Unknown;
  TMotorSpec Motor;
  double MaxTipSpeed = 0;  // m/s; 0: not given (the catalogue's, else the program's limit)
  std::string Source;      // as written: "Tested", "Derived from BC450, k = 1.120"; empty: not given
  std::vector<std::string> Problems;  // of the model's own keys
  // The model's own "Drive" and "MaxTipSpeed" lines as written, which a size
  // derived from it carries over ("Drive=Belt").
  std::vector<std::string> CarriedLines;
};

// Reads the rating keys of the "Catalog" section (all of them not given when
// the file has none).
void ReadCatalogueRating(const TIniFile& ini, TCatalogueRating& rating);

// Reads a model section's rating keys over the catalogue's defaults;
// `catalogueMaxTipSpeed` is the catalogue's "MaxTipSpeed" (0: not given).
void ReadModelRating(const TIniFile& ini, const TIniSection& section, const TCatalogueRating& catalogue,
                     double catalogueMaxTipSpeed, TModelRating& rating);

// The verification lines of the rating keys: the catalogue's problems, then
// the model's.
std::vector<std::string> RatingErrors(const TCatalogueRating& catalogue, const TModelRating& model);

// The rating lines of a size derived from `sourceName` with the diameter
// ratio `k`: its source, then the source model's own Drive and MaxTipSpeed
// lines (not its Motor: another size needs its own), "\n" line ends.
//   "Source=Derived from BC500, k = 1.120\nDrive=Belt\n"
std::string DerivedRatingLines(const TModelRating& source, std::string_view sourceName, double k);

// The basis of the Fan Energy Index: static for a free outlet (installation
// type A or C), total otherwise (B, D, or not given).
TFeiBasis FeiBasisOf(TInstallationType type);

// The drive train a model's electrical power is computed with: a direct
// drive at efficiency 1, a belt (or a drive not given) at the reference
// transmission efficiency, the catalogue's motor efficiency when given.
TDriveTrain DriveTrainOf(const TModelRating& rating);

}  // namespace blowden
