#include "fan/FanRating.h"

#include <cmath>

#include "base/Convert.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "fan/FanTypes.h"

namespace blowden {

namespace {

// A key of one section, looked up without regard to case; null when absent.
const std::string_view* FindKey(const TIniFile& ini, const TIniSection& section, std::string_view key) {
  const TIniFile::TEntry* begin = ini.Entries().data() + section.First;
  for (const TIniFile::TEntry* e = begin; e != begin + section.Count; ++e)
    if (SameText(e->Key, key)) return &e->Value;
  return nullptr;
}

std::string Quoted(std::string_view key, std::string_view value) {
  return "\"" + std::string(key) + "\" is '" + std::string(value) + "'";
}

TDriveKind ParseDrive(std::string_view value, std::vector<std::string>& problems) {
  const std::string_view v = Trim(value);
  if (SameText(v, "Direct")) return TDriveKind::Direct;
  if (SameText(v, "Belt")) return TDriveKind::Belt;
  problems.push_back(Quoted("Drive", value) + ", not Direct or Belt");
  return TDriveKind::Unknown;
}

// "KW,POLES,EFFICIENCY": a power above 0 kW, an even number of poles from 2
// to 16, an efficiency above 1 and at most 100 % (a fraction such as 0.9 is
// refused rather than read as 0.9 %).
TMotorSpec ParseMotor(std::string_view value, std::vector<std::string>& problems) {
  std::vector<std::string_view> items;
  SplitList(value, items);
  TMotorSpec m;
  std::int32_t poles = 0;
  const bool read = items.size() == 3 && TryStrToFloat(Trim(items[0]), m.Power) &&
                    TryStrToInt(Trim(items[1]), poles) && TryStrToFloat(Trim(items[2]), m.Efficiency);
  if (!read) {
    problems.push_back(Quoted("Motor", value) + ", not \"kW,poles,efficiency %\" (such as 7.5,4,91.2)");
    return {};
  }
  m.Poles = poles;
  if (!(m.Power > 0) || !std::isfinite(m.Power)) {
    problems.push_back(Quoted("Motor", value) + ": the motor's power must be above 0 kW");
    return {};
  }
  if (poles < 2 || poles > 16 || poles % 2 != 0) {
    problems.push_back(Quoted("Motor", value) + ": the number of poles must be even, 2 to 16");
    return {};
  }
  if (!(m.Efficiency > 1 && m.Efficiency <= 100)) {
    problems.push_back(Quoted("Motor", value) + ": the efficiency is a percentage above 1 and at most 100");
    return {};
  }
  return m;
}

}  // namespace

std::string_view DriveKindName(TDriveKind kind) {
  switch (kind) {
    case TDriveKind::Direct:
      return "Direct";
    case TDriveKind::Belt:
      return "Belt";
    case TDriveKind::Unknown:
      break;
  }
  return "";
}

std::string_view InstallationTypeName(TInstallationType type) {
  static constexpr std::string_view kNames[] = {"", "A", "B", "C", "D"};
  return kNames[static_cast<int>(type)];
}

void ReadCatalogueRating(const TIniFile& ini, TCatalogueRating& rating) {
  rating = TCatalogueRating();
  const TIniSection* section = ini.FindSection("Catalog");
  if (!section) return;
  const auto text = [&](std::string_view key) {
    const std::string_view* v = FindKey(ini, *section, key);
    return v ? std::string(Trim(*v)) : std::string();
  };
  rating.RatingStandard = text("RatingStandard");
  rating.Tolerance = text("Tolerance");
  rating.Certified = text("Certified");
  if (const std::string_view* v = FindKey(ini, *section, "InstallationType")) {
    const std::string_view t = Trim(*v);
    for (int i = 1; i <= 4; ++i)
      if (SameText(t, InstallationTypeName(static_cast<TInstallationType>(i))))
        rating.Installation = static_cast<TInstallationType>(i);
    if (rating.Installation == TInstallationType::Unknown)
      rating.Problems.push_back(Quoted("InstallationType", *v) + ", not A, B, C or D");
  }
  if (const std::string_view* v = FindKey(ini, *section, "Drive"))
    rating.Drive = ParseDrive(*v, rating.Problems);
  if (const std::string_view* v = FindKey(ini, *section, "Motor"))
    rating.Motor = ParseMotor(*v, rating.Problems);
  if (const std::string_view* v = FindKey(ini, *section, "MaxTipSpeed")) {
    double speed = 0;
    if (!TryStrToFloat(Trim(*v), speed) || !(speed > 0) || !std::isfinite(speed))
      rating.Problems.push_back(Quoted("MaxTipSpeed", *v) + ", not a speed above 0 m/s");
  }
}

void ReadModelRating(const TIniFile& ini, const TIniSection& section, const TCatalogueRating& catalogue,
                     double catalogueMaxTipSpeed, TModelRating& rating) {
  rating = TModelRating();
  rating.Drive = catalogue.Drive;
  rating.Motor = catalogue.Motor;
  rating.MaxTipSpeed = catalogueMaxTipSpeed > 0 ? catalogueMaxTipSpeed : 0;
  if (const std::string_view* v = FindKey(ini, section, "Drive")) {
    const TDriveKind drive = ParseDrive(*v, rating.Problems);
    if (drive != TDriveKind::Unknown) {
      rating.Drive = drive;
      rating.CarriedLines.push_back("Drive=" + std::string(DriveKindName(drive)));
    }
  }
  if (const std::string_view* v = FindKey(ini, section, "Motor")) {
    const TMotorSpec motor = ParseMotor(*v, rating.Problems);
    if (motor.Given()) rating.Motor = motor;
  }
  if (const std::string_view* v = FindKey(ini, section, "MaxTipSpeed")) {
    double speed = 0;
    if (TryStrToFloat(Trim(*v), speed) && speed > 0 && std::isfinite(speed)) {
      rating.MaxTipSpeed = speed;
      rating.CarriedLines.push_back("MaxTipSpeed=" + std::string(Trim(*v)));
    } else {
      rating.Problems.push_back(Quoted("MaxTipSpeed", *v) + ", not a speed above 0 m/s");
    }
  }
  if (const std::string_view* v = FindKey(ini, section, "Source")) {
    rating.Source = std::string(Trim(*v));
    const std::string_view s = rating.Source;
    const auto startsWith = [&](std::string_view word) {
      return s.size() >= word.size() && SameText(s.substr(0, word.size()), word) &&
             (s.size() == word.size() || s[word.size()] == ' ' || s[word.size()] == ',');
    };
    if (!startsWith("Tested") && !startsWith("Derived"))
      rating.Problems.push_back(Quoted("Source", *v) + ", not Tested or Derived (a remark may follow)");
  }
}

std::vector<std::string> RatingErrors(const TCatalogueRating& catalogue, const TModelRating& model) {
  std::vector<std::string> out;
  for (const std::string& p : catalogue.Problems) out.push_back("[Catalog] " + p);
  out.insert(out.end(), model.Problems.begin(), model.Problems.end());
  return out;
}

std::string DerivedRatingLines(const TModelRating& source, std::string_view sourceName, double k) {
  std::string s = Format("Source=Derived from %s, k = %0.3f\n", {std::string(sourceName), k});
  for (const std::string& line : source.CarriedLines) s += line + "\n";
  return s;
}

TFeiBasis FeiBasisOf(TInstallationType type) {
  return type == TInstallationType::A || type == TInstallationType::C ? TFeiBasis::Static : TFeiBasis::Total;
}

TDriveTrain DriveTrainOf(const TModelRating& rating) {
  TDriveTrain train;
  if (rating.Drive == TDriveKind::Direct) train.DriveEfficiency = 1.0;
  if (rating.Motor.Given()) train.MotorEfficiency = rating.Motor.Efficiency / 100;
  return train;
}

}  // namespace blowden
