#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <type_traits>

#include "base/Format.h"
#include "units/QmConv.h"

namespace blowden {
namespace {

TEST(QmConvTest, TypesAreOneByteInCatalogueOrder) {
  static_assert(sizeof(TUnitsType) == 1);
  EXPECT_EQ(static_cast<int>(utNone), 0);
  EXPECT_EQ(static_cast<int>(utAirPressDrop), 5);
  EXPECT_EQ(static_cast<int>(utAngularSpeed), 7);
  EXPECT_EQ(static_cast<int>(utTemperature), 45);
  EXPECT_EQ(static_cast<int>(utWaterPressDrop), 55);
}

// Length of each type's list, in enumeration order.
constexpr int ExpectedCounts[UnitsTypeCount] = {
    0, 5, 5, 3, 5, 8, 2, 3, 5, 4,  // utNone .. utCondensateRate
    4, 4, 3, 5, 5, 5, 5, 5, 2, 4,  // utConductance .. utFinDensity
    3, 2, 3, 2, 5, 5, 5, 3, 3, 2,  // utHeatOfRespir .. utMassSmall
    6, 6, 6, 2, 2, 3, 8, 6, 8, 4,  // utMassFlow .. utPressureRateGas
    4, 3, 3, 2, 2, 3, 3, 2, 2, 3,  // utPressureRateLiquid .. utTime
    2, 7, 5, 4, 6, 8};             // utVelocity .. utWaterPressDrop

TEST(QmConvTest, EveryListHasItsLengthAndReferenceUnit) {
  for (int t = 0; t < UnitsTypeCount; ++t) {
    const auto type = static_cast<TUnitsType>(t);
    SCOPED_TRACE(std::string(GetUnitsTypeName(type)));
    EXPECT_EQ(GetUnitsCount(type), ExpectedCounts[t]);
    EXPECT_EQ(GetUnitsLabels(type).size(), static_cast<std::size_t>(ExpectedCounts[t]));
    if (ExpectedCounts[t] > 0) {
      EXPECT_EQ(GetUnitsList(type)[0].Factor, 1.0);
    }
    // Highest valid index is the length less one.
    if (type != utNone) {
      EXPECT_EQ(ClampUnitsIndex(type, 1000), ExpectedCounts[t] - 1);
    }
    for (const TUnitDef& unit : GetUnitsList(type)) {
      EXPECT_GT(unit.Factor, 0.0) << unit.Label;
      EXPECT_FALSE(unit.Label.empty());
      EXPECT_FALSE(unit.Key.empty());
      EXPECT_EQ(unit.Format.substr(0, 3), "%0.") << unit.Label;
    }
  }
}

TEST(QmConvTest, NamesCaptionsAndLookupOfTypes) {
  EXPECT_EQ(GetUnitsCaption(utNone), "None");
  EXPECT_EQ(GetUnitsCaption(utAirFlowPrim), "Air Flow - Primary");
  EXPECT_EQ(GetUnitsCaption(utMassFlowGas), "MassFlow - Refrig./Steam");
  EXPECT_EQ(GetUnitsCaption(utVolumeFluid), "Fluid Volume");
  EXPECT_EQ(GetUnitsTypeName(utAirFlowPrim), "utAirFlowPrim");
  EXPECT_EQ(GetUnitsTypeName(utWaterPressDrop), "utWaterPressDrop");
  std::set<std::string_view> names;
  for (int t = 0; t < UnitsTypeCount; ++t) {
    const auto type = static_cast<TUnitsType>(t);
    names.insert(GetUnitsTypeName(type));
    EXPECT_EQ(FindUnitsType(UpperCase(GetUnitsTypeName(type))), type);
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(UnitsTypeCount));
  EXPECT_FALSE(FindUnitsType("utFlux").has_value());
  // A value outside the enumeration has no units, as utNone.
  EXPECT_EQ(GetUnitsCount(static_cast<TUnitsType>(200)), 0);
  EXPECT_EQ(GetUnitsCaption(static_cast<TUnitsType>(200)), "");
}

TEST(QmConvTest, LabelsKeepTheirSpecialCharacters) {
  EXPECT_EQ(GetUnitsLabel(utAirFlowPrim, 0), "m\xC2\xB3/s");
  EXPECT_EQ(GetUnitsLabel(utTemperature, 0),
            "\xC2\xB0"
            "C");
  EXPECT_EQ(GetUnitsLabel(utViscosity, 2), "\xC2\xB5Pa\xC2\xB7s");
  EXPECT_EQ(GetUnitsLabel(utDiameter, 3), "1/8\"");
  EXPECT_EQ(GetUnitsLabel(utLengthSmall, 2), "Thou\"");
  EXPECT_EQ(GetUnitsList(utDutyPrim)[3].Key, "Mega Btuperhr");
}

TEST(QmConvTest, RoundedFactorsAreTheCataloguesOwn) {
  struct Case {
    const char* name;
    TUnitsType type;
    int index;
    double factor;
  };
  const Case cases[] = {
      {"InchHg", utAirPressDrop, 6, 0.295},
      {"Atm", utPressureBar, 3, 0.00986923},
      {"Btu/hr.ft F", utConductivity, 3, 577.7},
      {"ft3", utVolume, 3, 35.32},
      {"inch3", utVolume, 4, 61023},
      {"IP Gal", utVolumeFluid, 2, 220},
      {"kcal/hr", utDutySec, 4, 859.184},
      {"lbf.s/ft2", utViscosity, 5, 0.020885},
      {"lbf.hr/ft2", utViscosity, 6, 5.8014e-06},
      {"Psi/ft", utPressureRateLiquid, 3, 4.4207485104630184e-05},
      {"cfm", utAirFlowSec, 4, 2118.8800032893155},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GetUnitsList(c.type)[static_cast<std::size_t>(c.index)].Factor, c.factor);
  }
}

TEST(QmConvTest, FormatsAndLabels) {
  EXPECT_EQ(GetUnitsFormat(utAirFlowPrim, 0), "%0.3f");
  EXPECT_EQ(GetUnitsFormat(utAirFlowPrim, 4), "%0.2f");
  EXPECT_EQ(GetUnitsFormat(utAirPressDrop, 1), "%0.0f");
  EXPECT_EQ(GetUnitsFormat(utDensity, 1), "%0.1g");
  EXPECT_EQ(GetUnitsLabel(utAirPressDrop, 5), "InchWg");
  EXPECT_EQ(GetUnitsLabel(utAngularSpeed, 1), "Rad/s");
  for (int index : {-3, 0, 4}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(GetUnitsFormat(utNone, index), "%0.1f");
    EXPECT_EQ(GetUnitsLabel(utNone, index), "");
  }
  // An index outside the list answers for the nearest unit instead of reading past it.
  EXPECT_EQ(GetUnitsLabel(utAngularSpeed, 9), "Rev/s");
  EXPECT_EQ(GetUnitsFormat(utAngularSpeed, -1), "%0.0f");
}

TEST(QmConvTest, TypesSharingAListAnswerAlike) {
  const std::vector<std::vector<TUnitsType>> groups = {
      {utAirFlowPrim, utAirFlowSec}, {utAirPressDrop, utPressure, utPressureSteam, utWaterPressDrop},
      {utDutyPrim, utDutySec},       {utLengthMeasure, utLengthPrim, utLengthSec},
      {utMassFlow, utMassFlowGas},   {utPressureRateGas, utPressureRateLiquid},
  };
  for (const auto& group : groups) {
    const TUnitsType first = group.front();
    for (TUnitsType other : group) {
      SCOPED_TRACE(std::string(GetUnitsTypeName(other)));
      ASSERT_EQ(GetUnitsCount(other), GetUnitsCount(first));
      for (int shown = 0; shown < GetUnitsCount(first); ++shown) {
        EXPECT_EQ(GetUnitsLabel(other, shown), GetUnitsLabel(first, shown));
        EXPECT_EQ(GetUnitsFormat(other, shown), GetUnitsFormat(first, shown));
        for (int stored = 0; stored < GetUnitsCount(first); ++stored) {
          const TUnitsConversion a = GetUnitsConversion(first, shown, stored);
          const TUnitsConversion b = GetUnitsConversion(other, shown, stored);
          EXPECT_EQ(a.Factor, b.Factor);
          EXPECT_EQ(a.Offset, b.Offset);
        }
      }
    }
  }
  // Temperature and temperature change share labels and factors, not offsets.
  EXPECT_EQ(GetUnitsLabels(utTemperature), GetUnitsLabels(utTemperatureChange));
}

TEST(QmConvTest, WorkedConversions) {
  const TUnitsConversion cfm = GetUnitsConversion(utAirFlowPrim, 4, 0);
  EXPECT_EQ(cfm.Label, "cfm");
  EXPECT_EQ(cfm.Format, "%0.2f");
  EXPECT_NEAR(ToUnits(1.5, cfm.Factor, cfm.Offset), 3178.3200049, 1e-6);
  EXPECT_EQ(Format(cfm.Format, {ToUnits(1.5, cfm.Factor, cfm.Offset)}), "3178.32");

  const TUnitsConversion inchWg = GetUnitsConversion(utAirPressDrop, 5, 1);
  EXPECT_EQ(Format(inchWg.Format, {ToUnits(500, inchWg.Factor, inchWg.Offset)}), "2.0073");
  EXPECT_NEAR(inchWg.Factor, 4.014630759755623 / 1000, 1e-18);

  const TUnitsConversion radPerS = GetUnitsConversion(utAngularSpeed, 1, 0);
  EXPECT_EQ(Format(radPerS.Format, {ToUnits(1450, radPerS.Factor, radPerS.Offset)}), "151.844");

  // Pa stored, Pa shown; Pa stored, kPa shown.
  EXPECT_EQ(GetUnitsConversion(utAirPressDrop, 1, 1).Factor, 1.0);
  EXPECT_DOUBLE_EQ(GetUnitsConversion(utAirPressDrop, 0, 1).Factor, 0.001);
  EXPECT_EQ(GetUnitsConversion(utAirPressDrop, 0, 1).Label, "kPa");
}

TEST(QmConvTest, TemperatureOffsetsBelongToTemperatureOnly) {
  struct Case {
    const char* name;
    TUnitsType type;
    int shown;
    int stored;
    double factor;
    double offset;
  };
  const Case cases[] = {
      {"C as F", utTemperature, 1, 0, 1.8, 32},
      {"C as K", utTemperature, 2, 0, 1, 273.15},
      {"C as C", utTemperature, 0, 0, 1, 0},
      {"change C as F", utTemperatureChange, 1, 0, 1.8, 0},
      {"change C as K", utTemperatureChange, 2, 0, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TUnitsConversion conversion = GetUnitsConversion(c.type, c.shown, c.stored);
    EXPECT_DOUBLE_EQ(conversion.Factor, c.factor);
    EXPECT_DOUBLE_EQ(conversion.Offset, c.offset);
  }
  const TUnitsConversion f = GetUnitsConversion(utTemperature, 1, 0);
  EXPECT_DOUBLE_EQ(ToUnits(100, f.Factor, f.Offset), 212);
  EXPECT_DOUBLE_EQ(FromUnits(212, f.Factor, f.Offset), 100);
  // A value stored in kelvin is taken back to °C before it is shown.
  const TUnitsConversion kAsC = GetUnitsConversion(utTemperature, 0, 2);
  EXPECT_NEAR(ToUnits(300, kAsC.Factor, kAsC.Offset), 26.85, 1e-9);
  const TUnitsConversion kAsF = GetUnitsConversion(utTemperature, 1, 2);
  EXPECT_NEAR(ToUnits(273.15, kAsF.Factor, kAsF.Offset), 32, 1e-9);
}

TEST(QmConvTest, NoneConvertsByOne) {
  const TUnitsConversion none = GetUnitsConversion(utNone, 3, -2);
  EXPECT_EQ(none.Factor, 1.0);
  EXPECT_EQ(none.Offset, 0.0);
  EXPECT_EQ(none.Format, "%0.1f");
  EXPECT_EQ(none.Label, "");
}

TEST(QmConvTest, ClampUnitsIndex) {
  struct Case {
    TUnitsType type;
    int index;
    int expected;
  };
  const Case cases[] = {
      {utAirPressDrop, 9, 7}, {utAirPressDrop, 7, 7}, {utAirPressDrop, 8, 7}, {utAngularSpeed, -1, 0},
      {utAngularSpeed, 2, 2}, {utAngularSpeed, 3, 2}, {utNone, -3, -3},       {utNone, 12, 12},
      {utViscosity, 100, 6},  {utAltitude, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(GetUnitsTypeName(c.type)) + " " + std::to_string(c.index));
    EXPECT_EQ(ClampUnitsIndex(c.type, c.index), c.expected);
  }
}

TEST(QmConvTest, ToUnitsAndBackReturnsTheValue) {
  for (TUnitsType type :
       {utAirFlowPrim, utAirPressDrop, utAngularSpeed, utTemperature, utViscosity, utWaterFlow}) {
    const int count = GetUnitsCount(type);
    for (int shown = 0; shown < count; ++shown) {
      for (int stored = 0; stored < count; ++stored) {
        const TUnitsConversion c = GetUnitsConversion(type, shown, stored);
        for (double v : {-40.0, 0.0, 1e-7, 1.5, 1450.0, 2.5e6}) {
          SCOPED_TRACE(std::string(GetUnitsTypeName(type)) + " " + std::to_string(shown) + "/" +
                       std::to_string(stored) + " " + std::to_string(v));
          const double back = FromUnits(ToUnits(v, c.Factor, c.Offset), c.Factor, c.Offset);
          EXPECT_NEAR(back, v, 1e-12 * std::max(1.0, std::fabs(v)) + 1e-12 * std::fabs(c.Offset / c.Factor));
        }
      }
    }
  }
}

TEST(QmConvTest, FindUnitsIndexByLabelOrKey) {
  struct Case {
    const char* text;
    TUnitsType type;
    int expected;  // -1: not found
  };
  const Case cases[] = {
      {"cfm", utAirFlowPrim, 4},
      {"CFM", utAirFlowPrim, 4},
      {"m3/s", utAirFlowPrim, 0},
      {"m\xC2\xB3/s", utAirFlowPrim, 0},
      {"m3/hr", utAirFlowPrim, 2},
      {"M3/MIN", utAirFlowPrim, 1},
      {"cmh", utAirFlowPrim, 2},
      {"ft3permin", utAirFlowPrim, 4},
      {"InchWg", utAirPressDrop, 5},
      {"inchwg", utAirPressDrop, 5},
      {"PA", utAirPressDrop, 1},
      {"kpa", utAirPressDrop, 0},
      {" Pa ", utAirPressDrop, 1},
      {"rad/s", utAngularSpeed, 1},
      {"revpermin", utAngularSpeed, 0},
      {"degF", utTemperature, 1},
      {"uPas", utViscosity, 2},
      {"1/8\"", utDiameter, 3},
      {"ft2", utArea, 4},
      {"m3/hr", utWaterFlow, 3},
      {"cfm", utAirPressDrop, -1},
      {"", utAirFlowPrim, -1},
      {"Pa", utNone, -1},
      {"m3", utAirFlowPrim, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " in " + std::string(GetUnitsTypeName(c.type)));
    const std::optional<int> found = FindUnitsIndex(c.type, c.text);
    EXPECT_EQ(found.value_or(-1), c.expected);
  }
}

TEST(QmConvTest, EveryLabelAndKeyFindsItsOwnUnit) {
  for (int t = 1; t < UnitsTypeCount; ++t) {
    const auto type = static_cast<TUnitsType>(t);
    const auto units = GetUnitsList(type);
    for (std::size_t i = 0; i < units.size(); ++i) {
      SCOPED_TRACE(std::string(GetUnitsTypeName(type)) + " " + std::string(units[i].Label));
      EXPECT_EQ(FindUnitsIndex(type, units[i].Label), static_cast<int>(i));
      EXPECT_EQ(FindUnitsIndex(type, units[i].Key), static_cast<int>(i));
    }
  }
}

}  // namespace
}  // namespace blowden
