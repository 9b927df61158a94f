#include <gtest/gtest.h>

#include <string>

#include "fan/FigureText.h"

namespace blowden {
namespace {

// Figures as the selector's candidates table shows them, captions with units.
TEST(FigureText, RoundedAsTheSelectorShowsThemWithUnitsInTheCaption) {
  const TResultUnits si, ip = TResultUnits::IP();
  struct Case {
    const char* key;
    double value;
    const TResultUnits* units;
    const char* text;
    const char* caption;
  } cases[] = {
      {"speed", 905.129, &si, "905", "speed [rpm]"},
      {"speed_margin", 43.77, &si, "43.8", "speed margin [%]"},
      {"flow", 1.5, &si, "1.500", "flow [m³/s]"},
      {"flow", 3178.3164, &ip, "3178.32", "flow [cfm]"},
      {"static_pressure", 400.4, &si, "400", "static pressure [Pa]"},
      {"total_pressure", 1.67391, &ip, "1.6739", "total pressure [InchWg]"},
      {"shaft_power", 0.77961, &si, "0.780", "shaft power [kW]"},
      {"shaft_power", 1.0455, &ip, "1.05", "shaft power [HP]"},
      {"static_efficiency", 76.94, &si, "76.9", "static efficiency [%]"},
      {"efficiency", 46.7571, &si, "46.8", "efficiency [%]"},
      {"sound_power", 85.249, &si, "85.2", "sound power [dB]"},
      {"stall_margin", -12.35, &si, "-12.3", "stall margin [%]"},
      {"bep_ratio", 93.4, &si, "93", "BEP ratio [%]"},
      {"fan_power_index", 1.234567, &si, "1.23457", "fan power index"},  // a figure added later
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(FigureText(c.key, c.value, *c.units), c.text);
    EXPECT_EQ(FigureCaption(c.key, *c.units), c.caption);
  }
}

}  // namespace
}  // namespace blowden
