// Reading an equipment schedule into duties, and what each mark gets.
#include <gtest/gtest.h>

#include "fan/FanSchedule.h"
#include "support/TestSupport.h"

using namespace blowden;

namespace {

TSchedule Parsed(const std::string& text) {
  TSchedule schedule;
  std::string error;
  EXPECT_TRUE(ParseSchedule(text, schedule, error)) << error;
  return schedule;
}

constexpr double kCfm = 2118.8800032893155;  // cfm in 1 m³/s
constexpr double kInchWg = 249.08891;        // Pa in 1 InchWg (to 8 digits)

TEST(Schedule, ColumnsInAnyOrderAndCaseWithDefaults) {
  const TSchedule s = Parsed(
      "\xEF\xBB\xBF Pressure ,notes,MARK,Flow\r\n"
      "400,anything,EF-1,1.5\r\n");
  ASSERT_EQ(s.Rows.size(), 1u);
  EXPECT_TRUE(s.Problems.empty());
  const TScheduleRow& r = s.Rows[0];
  EXPECT_EQ(r.Line, 2);
  EXPECT_EQ(r.Mark, "EF-1");
  EXPECT_EQ(r.Duty.Flow, 1.5);
  EXPECT_EQ(r.Duty.Pressure, 400);
  EXPECT_EQ(r.Duty.Kind, TPressureKind::Static);
  EXPECT_EQ(r.Duty.Air.Source, TSiteAir::saCatalogue);
}

TEST(Schedule, UnitsKindsAndAir) {
  struct Case {
    const char* Row;  // flow,flow_units,pressure,pressure_units,pressure_kind,density,altitude,temperature
    double Flow, Pressure;
    TPressureKind Kind;
    TSiteAir Air;
  } cases[] = {
      {"2,,500,,,,,", 2, 500, TPressureKind::Static, {}},
      {"4237.76,CFM,2,inchwg,TOTAL,,,", 4237.76 / kCfm, 2 * kInchWg, TPressureKind::Total, {}},
      {"7200,m3/hr,0.5,kPa,static,,,", 2, 500, TPressureKind::Static, {}},
      {"600,L/S,250,pa,,,,", 0.6, 250, TPressureKind::Static, {}},
      {"1,m³/min,250,,,1.1,,", 1.0 / 60, 250, TPressureKind::Static, {TSiteAir::saDensity, 1.1}},
      {"1,,250,,, ,1500,", 1, 250, TPressureKind::Static, {TSiteAir::saAltitudeTemperature, 0, 1500, 20}},
      {"1,,250,,,,,35", 1, 250, TPressureKind::Static, {TSiteAir::saAltitudeTemperature, 0, 0, 35}},
      {"1,,250,,,,600,-5", 1, 250, TPressureKind::Static, {TSiteAir::saAltitudeTemperature, 0, 600, -5}},
      {"1,,0,,,,,", 1, 0, TPressureKind::Static, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Row);
    const TSchedule s =
        Parsed(std::string(
                   "mark,flow,flow_units,pressure,pressure_units,pressure_kind,density,altitude,temperature\n"
                   "M,") +
               c.Row + "\n");
    ASSERT_EQ(s.Rows.size(), 1u);
    const TDuty& d = s.Rows[0].Duty;
    EXPECT_NEAR(d.Flow, c.Flow, 1e-12 * c.Flow);
    EXPECT_NEAR(d.Pressure, c.Pressure, 1e-6 * c.Pressure);
    EXPECT_EQ(d.Kind, c.Kind);
    EXPECT_EQ(d.Air.Source, c.Air.Source);
    if (c.Air.Source == TSiteAir::saDensity) {
      EXPECT_EQ(d.Air.Density, c.Air.Density);
    }
    if (c.Air.Source == TSiteAir::saAltitudeTemperature) {
      EXPECT_EQ(d.Air.Altitude, c.Air.Altitude);
      EXPECT_EQ(d.Air.Temperature, c.Air.Temperature);
    }
  }
}

// Each bad row is reported with the line it starts on and what is wrong; the
// rows after it are read on.
TEST(Schedule, BadRowsAreReportedByLineAndReadingGoesOn) {
  struct Case {
    const char* Row;  // mark,flow,flow_units,pressure,pressure_kind,density,altitude
    const char* Problem;
  } cases[] = {
      {"A,abc,,400,,,", "'abc' is not a valid floating point value in column flow"},
      {"A,1,,4OO,,,", "'4OO' is not a valid floating point value in column pressure"},
      {"A,,,400,,,", "no value in column flow"},
      {"A,1,,,,,", "no value in column pressure"},
      {"A,1,gallons,400,,,", "unknown flow unit 'gallons' in column flow_units (known: m³/s, "},
      {"A,0,,400,,,", "the flow must be above 0 ('0' in column flow)"},
      {"A,-2,,400,,,", "the flow must be above 0"},
      {"A,1,,-5,,,", "the pressure must not be negative"},
      {"A,1,,400,dynamic,,", "'dynamic' is not a pressure kind in column pressure_kind (static or total)"},
      {"A,1,,400,,1.2,100", "give the air either as density or as altitude and temperature, not both"},
      {"A,1,,400,,0,", "The air density must be above 0"},
      {"A,1,,400,,,12000", "The altitude must lie between"},
      {"A,1,,400,,x,", "'x' is not a valid floating point value in column density"},
      {"A,1,,400", "4 fields where the header has 7"},
      {"A,1,,400,,,,", "8 fields where the header has 7"},
      {" ,1,,400,,,", "no mark in column mark"},
      {"A,1e999,,400,,,", "'1e999' is not a valid floating point value in column flow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Row);
    const TSchedule s = Parsed(std::string("mark,flow,flow_units,pressure,pressure_kind,density,altitude\n"
                                           "\"first\nmark\",1,,400,,,\n") +  // lines 2-3
                               c.Row +
                               "\nlast,2,,500,,,\n");
    ASSERT_EQ(s.Problems.size(), 1u);
    EXPECT_EQ(s.Problems[0].Line, 4);
    EXPECT_EQ(s.Problems[0].Text.rfind(c.Problem, 0), 0u) << s.Problems[0].Text;
    ASSERT_EQ(s.Rows.size(), 2u);
    EXPECT_EQ(s.Rows[0].Mark, "first\nmark");
    EXPECT_EQ(s.Rows[1].Mark, "last");
    EXPECT_EQ(s.Rows[1].Line, 5);
  }
}

TEST(Schedule, BlankRecordsAreSkippedAndMarksAreUnique) {
  const TSchedule s = Parsed("\n,,\nmark,flow,pressure\n,,\nA,1,400\n , ,\nA,2,500\nB,2,500\n");
  ASSERT_EQ(s.Rows.size(), 2u);
  EXPECT_EQ(s.Rows[0].Line, 5);
  EXPECT_EQ(s.Rows[1].Mark, "B");
  ASSERT_EQ(s.Problems.size(), 1u);
  EXPECT_EQ(s.Problems[0].Line, 7);
  EXPECT_EQ(s.Problems[0].Mark, "A");
  EXPECT_EQ(s.Problems[0].Text, "the mark 'A' is already used on line 5");
}

TEST(Schedule, ATableThatCannotBeUsed) {
  struct Case {
    const char* Text;
    const char* Error;
  } cases[] = {
      {"mark,pressure\nA,1\n",
       "line 1: the header lacks the column flow (mark, flow and pressure are required)"},
      {"\nnotes\nA\n", "line 2: the header lacks the columns mark, flow, pressure"},
      {"mark,flow,pressure,Mark\n", "line 1: column Mark is named twice"},
      {"", "the schedule holds no header row"},
      {"mark,flow,pressure\n\"A,1,2\n", "line 2"},
  };
  for (const Case& c : cases) {
    TSchedule s;
    s.Rows.push_back({});  // left from before: cleared
    std::string error;
    EXPECT_FALSE(ParseSchedule(c.Text, s, error)) << c.Text;
    EXPECT_NE(error.find(c.Error), std::string::npos) << error;
    EXPECT_TRUE(s.Rows.empty());
  }
}

TEST(Schedule, NoCandidateSummaryCountsTheReasons) {
  const auto rejected = [](int status, const char* reason, const char* model = "M") {
    return RejectedFor("f.qfn", model, status, reason);
  };
  TRanking r;
  EXPECT_EQ(NoCandidateSummary(r), "no fan data file to choose from");
  r.Rejected = {rejected(fsSpeedRange, "speed 1840 rpm above the maximum 1600 rpm"),
                rejected(fsVolumeRange, "flow outside the tested range by 12 %"),
                rejected(fsSpeedRange, "speed 2000 rpm above the maximum 1600 rpm"),
                rejected(fsSpeedRange, "speed 300 rpm below the minimum 500 rpm"),
                rejected(fsReady, "duty not met at the highest listed speed 1450 rpm"),
                rejected(fsFileNotFound, "File not found", ""),
                rejected(fsSpeedRange, "speed 1700 rpm above the maximum 1600 rpm")};
  EXPECT_EQ(NoCandidateSummary(r),
            "no model meets the duty: 3 above their maximum speed, 1 below its minimum speed, 1 outside its "
            "tested flow range, 1 short of the duty at its highest listed speed, 1 file that cannot be used");
  r.Rejected = {rejected(fsDataError, "data error: x"), rejected(fsDataError, "data error: y"),
                rejected(fsModelNotFound, "Fan model not found")};
  EXPECT_EQ(NoCandidateSummary(r), "no model meets the duty: 2 with data errors, 1: Fan model not found");
}

// Each mark gets the first three of the ranking of its duty, or the summary.
TEST(Schedule, RunRanksEachRow) {
  const std::vector<std::string> files = {(test::SamplesDir() / "orvane-bc-centrifugal.qfn").string(),
                                          (test::SamplesDir() / "orvane-md-mixed.qfn").string()};
  const TSchedule s = Parsed("mark,flow,pressure,density\nA,1.5,400,\nB,0.6,250,1.0\nC,50,3000,\n");
  for (TRankKey key : {TRankKey::Power, TRankKey::Sound}) {
    const std::vector<TScheduleEntry> entries = RunSchedule(files, s, key);
    ASSERT_EQ(entries.size(), 3u);
    for (const TScheduleEntry& e : entries) {
      SCOPED_TRACE(e.Row.Mark);
      const TRanking ranking = RankDuty(files, e.Row.Duty, key);
      ASSERT_EQ(e.Candidates.size(), std::min<std::size_t>(3, ranking.Candidates.size()));
      for (std::size_t i = 0; i < e.Candidates.size(); ++i) {
        EXPECT_EQ(e.Candidates[i].File, ranking.Candidates[i].File);
        EXPECT_EQ(e.Candidates[i].Model, ranking.Candidates[i].Model);
        EXPECT_EQ(e.Candidates[i].ShaftPower, ranking.Candidates[i].ShaftPower);
      }
      EXPECT_EQ(e.Reason, ranking.Candidates.empty() ? NoCandidateSummary(ranking) : "");
    }
    EXPECT_GE(entries[0].Candidates.size(), 2u);
    EXPECT_TRUE(entries[2].Candidates.empty());
  }
}

}  // namespace
