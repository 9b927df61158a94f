#include <gtest/gtest.h>

#include "fan/FanAir.h"

namespace blowden {
namespace {

// Standard atmosphere pressures from ASHRAE Handbook—Fundamentals (SI,
// 2017), Chapter 1 "Psychrometrics", Table 1 "Standard Atmospheric Data for
// Altitudes to 10,000 m", which the same chapter's Equation (3) generates.
TEST(SiteAir, BarometricPressureMatchesThePublishedStandardAtmosphere) {
  struct Case {
    double altitude, kPa;
  } cases[] = {{-500, 107.478}, {0, 101.325},   {500, 95.461},  {1000, 89.875},
               {1500, 84.556},  {2000, 79.495}, {4000, 61.640}, {8000, 35.600}};
  for (const Case& c : cases) EXPECT_NEAR(BarometricPressure(c.altitude) / 1000, c.kPa, 0.002) << c.altitude;
}

// Worked example: a fan rated on the catalogue's standard air (1.2 kg/m³) is
// installed at 1500 m with air at 20 °C. Density 84556 / (287.05 × 293.15) =
// 1.0048 kg/m³, ratio 0.8374: at the same speed and flow the fan's 1000 Pa
// static and 5 kW become 837.4 Pa and 4.187 kW, so a site duty of 1000 Pa
// needs 1194.2 Pa from the catalogue's curves.
TEST(SiteAir, AltitudeAndTemperatureGiveTheDensityRatioAndTheCorrectedDuty) {
  const TSiteAir air{TSiteAir::saAltitudeTemperature, 0, 1500, 20};
  const double rho = SiteDensity(air, 1.2);
  EXPECT_NEAR(rho, 1.00484, 5e-5);
  const double r = rho / 1.2;
  EXPECT_NEAR(r, 0.83737, 5e-5);
  EXPECT_NEAR(1000 * r, 837.4, 0.05);
  EXPECT_NEAR(5 * r, 4.187, 0.0005);
  const TDuty duty{2.0, 1000, TPressureKind::Static, air};
  EXPECT_NEAR(ReferenceStaticPressure(duty, rho, 1.2, 0.25), 1194.2, 0.05);
}

TEST(SiteAir, DensitySourcesAndTheirErrors) {
  EXPECT_DOUBLE_EQ(SiteDensity({}, 1.16), 1.16);
  EXPECT_DOUBLE_EQ(SiteDensity({TSiteAir::saDensity, 0.9}, 1.2), 0.9);
  // Sea level at 20 °C, and hot 90 °C air at sea level.
  EXPECT_NEAR(SiteDensity({TSiteAir::saAltitudeTemperature, 0, 0, 20}, 1.2), 1.2041, 5e-4);
  EXPECT_NEAR(SiteDensity({TSiteAir::saAltitudeTemperature, 0, 0, 90}, 1.2), 0.9720, 5e-4);

  struct Case {
    TSiteAir air;
    const char* error;  // nullptr: valid
  } cases[] = {
      {{}, nullptr},
      {{TSiteAir::saDensity, 1.1}, nullptr},
      {{TSiteAir::saDensity, 0}, "The air density must be above 0"},
      {{TSiteAir::saDensity, -1}, "The air density must be above 0"},
      {{TSiteAir::saAltitudeTemperature, 0, 11000, -56}, nullptr},
      {{TSiteAir::saAltitudeTemperature, 0, 11001, 20}, "The altitude must lie between -500 m and 11000 m"},
      {{TSiteAir::saAltitudeTemperature, 0, 0, -273.15}, "above absolute zero"},
      {{TSiteAir::saAltitudeTemperature, 0, 0, -300}, "above absolute zero"},
  };
  for (const Case& c : cases) {
    const auto e = SiteAirError(c.air);
    if (c.error == nullptr) {
      EXPECT_FALSE(e.has_value()) << *e;
    } else {
      ASSERT_TRUE(e.has_value()) << c.error;
      EXPECT_NE(e->find(c.error), std::string::npos) << *e;
    }
  }
}

TEST(SiteAir, TotalDutyLosesTheOutletVelocityPressureAtSiteDensity) {
  // 2 m³/s through 0.25 m²: 8 m/s; at 1.0 kg/m³ the velocity pressure is 32 Pa.
  struct Case {
    TPressureKind kind;
    double area, rhoSite, expected;
  } cases[] = {
      {TPressureKind::Static, 0.25, 1.2, 500},
      {TPressureKind::Total, 0.25, 1.2, 500 - 38.4},
      {TPressureKind::Total, 0.25, 1.0, (500 - 32) * 1.2},
      {TPressureKind::Static, 0.25, 0.6, 1000},
      {TPressureKind::Total, 0, 1.2, 500},  // no outlet: nothing to subtract
  };
  for (const Case& c : cases) {
    const TDuty duty{2.0, 500, c.kind, {}};
    EXPECT_NEAR(ReferenceStaticPressure(duty, c.rhoSite, 1.2, c.area), c.expected, 1e-9);
  }
}

}  // namespace
}  // namespace blowden
