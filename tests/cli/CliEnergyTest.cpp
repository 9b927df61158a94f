// The energy figures on the command line: FEI, motor and electrical power in
// every selection document, --min-fei, --sort fei, --motor-margin, the
// submittal options and the schedule's quantity column.
#include <cmath>

#include "CliTestSupport.h"
#include "base/Format.h"
#include "cli/CliCommands.h"
#include "fan/FanEnergy.h"

using namespace blowden;
using namespace blowden::test;

namespace {

class CliEnergyTest : public TCliTest {
 protected:
  TJson Json(const std::vector<std::string>& args, int code = ecSuccess) {
    const TCliRun run = RunCliArgs(args);
    EXPECT_EQ(run.Code, code) << run.Err;
    return ParsedJson(run);
  }
};

std::string Sample(const char* name) { return (SourceDir() / "data/samples" / name).string(); }

TEST_F(CliEnergyTest, SingleRankedAndScheduleShowTheSameFigures) {
  const std::string file = Sample("orvane-bc-centrifugal.qfn");
  const TJson ranked = Json({"select", "--json", "--sort", "fei", "--flow", "2", "--pressure", "600", file,
                             Sample("orvane-md-mixed.qfn")});
  ASSERT_GE(ranked["candidates"].Size(), 2u);
  EXPECT_EQ(ranked["sort"].String, "fei");
  for (std::size_t i = 1; i < ranked["candidates"].Size(); ++i)
    EXPECT_GE(ranked["candidates"][i - 1]["fei"].Number, ranked["candidates"][i]["fei"].Number);
  const TJson& best = ranked["candidates"][0];
  const TJson single = Json({"select", "--json", "--model", best["model"].String, "--flow", "2", "--pressure",
                             "600", best["file"].String});
  for (const char* key : {"fei", "fan_electrical_power", "electrical_power"})
    EXPECT_EQ(single[key].Number, best[key].Number) << key;
  EXPECT_EQ(single["fei_basis"].String, "total");
  EXPECT_EQ(single["motor"]["rated_power"].Number, best["motor"]["rated_power"].Number);
  EXPECT_EQ(single["motor"]["efficiency"].Number, best["motor"]["efficiency"].Number);
  EXPECT_EQ(single["motor"]["source"].String, "IE3 table");
  // The schedule's best fan for the same duty, with its quantity read.
  const std::string schedule = WriteFile("s.csv", "mark,flow,pressure,quantity\nEF-1,2,600,3\n");
  const TJson marks =
      Json({"schedule", "--json", "--sort", "fei", file, Sample("orvane-md-mixed.qfn"), schedule});
  ASSERT_EQ(marks.Size(), 1u);
  EXPECT_EQ(marks[0]["quantity"].Number, 3);
  EXPECT_EQ(marks[0]["candidates"][0]["fei"].Number, best["fei"].Number);
  EXPECT_EQ(marks[0]["candidates"][0]["electrical_power"].Number, best["electrical_power"].Number);
}

TEST_F(CliEnergyTest, MinimumFeiRejectsWithTheReason) {
  const std::string file = Sample("orvane-bc-centrifugal.qfn");
  const TJson plain =
      Json({"select", "--json", "--model", "BC450", "--flow", "2", "--pressure", "600", file});
  const double fei = plain["fei"].Number;
  ASSERT_GT(fei, 0);
  const TJson strict = Json({"select", "--json", "--model", "BC450", "--flow", "2", "--pressure", "600",
                             "--min-fei", Format("%0.2f", {fei + 0.05}), file},
                            ecFailure);
  EXPECT_EQ(strict["verdict"].String, "rejected");
  EXPECT_EQ(strict["reasons"].Strings().back(),
            Format("FEI %0.2f below the minimum %0.2f", {fei, fei + 0.05}));
  // A ranking leaves the model out with the same reason.
  const TJson ranked = Json({"select", "--json", "--min-fei", "5", "--flow", "2", "--pressure", "600", file,
                             Sample("orvane-md-mixed.qfn")},
                            ecFailure);
  EXPECT_EQ(ranked["candidates"].Size(), 0u);
  bool named = false;
  for (std::size_t i = 0; i < ranked["rejected"].Size(); ++i)
    if (ranked["rejected"][i]["model"].String == "BC450")
      named = ranked["rejected"][i]["reason"].String.find("below the minimum 5.00") != std::string::npos;
  EXPECT_TRUE(named);
}

TEST_F(CliEnergyTest, MotorMarginAndSeries) {
  const std::string file = Sample("orvane-bc-centrifugal.qfn");
  const std::vector<std::string> duty = {"select", "--json", "--model",    "BC450",
                                         "--flow", "2",      "--pressure", "600"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = duty;
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(file);
    return Json(args);
  };
  const TJson si = with({});
  const TJson wide = with({"--motor-margin", "100"});
  EXPECT_GE(wide["motor"]["rated_power"].Number, si["motor"]["rated_power"].Number);
  // IP: the rating from the NEMA series, in HP.
  const TJson ip = with({"--units", "ip"});
  const double hp = ip["motor"]["rated_power"].Number;
  bool inSeries = false;
  for (double rating : MotorRatings(TMotorSeries::Nema)) inSeries = inSeries || std::fabs(hp - rating) < 1e-9;
  EXPECT_TRUE(inSeries) << hp;
  EXPECT_EQ(ip["fei"].Number, si["fei"].Number);
}

TEST_F(CliEnergyTest, ShowListsTheRatingData) {
  const std::string file = WriteFile(
      "rated.qfn",
      "[Catalog]\nRange=R\nRatingStandard=AMCA 210-16\nInstallationType=A\nTolerance=ISO 13348 AN2\n"
      "Certified=no\nDrive=Direct\n[M]\nModel=500,1450,1000,2000,500,500,1.5\nMotor=5.5,4,90.5\nSource="
      "Tested\n"
      "Qa=1,1.5,2,2.5,3\nPs=700,680,640,580,500\nPw=1.5,1.7,1.9,2.1,2.3\nLw=80\n");
  const TCliRun text = RunCliArgs({"show", file});
  ASSERT_EQ(text.Code, ecSuccess) << text.Err;
  for (const char* line :
       {"Rating standard\tAMCA 210-16", "Installation type\tA\tFEI on static pressure",
        "Tolerance\tISO 13348 AN2", "Drive\tDirect", "Motor\t5.5 kW, 4 poles, 90.5 %", "Source\tTested"})
    EXPECT_NE(text.Out.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << text.Out;
  const TJson doc = Json({"show", "--json", file});
  EXPECT_EQ(doc["rating"]["installation_type"].String, "A");
  EXPECT_EQ(doc["rating"]["fei_basis"].String, "static");
  EXPECT_EQ(doc["rating"]["motor"]["efficiency"].Number, 90.5);
  EXPECT_EQ(doc["rating"]["source"].String, "Tested");
  // Selected on the static basis with the catalogue's motor.
  const TJson sel = Json({"select", "--json", "--flow", "2", "--pressure", "640", file});
  EXPECT_EQ(sel["fei_basis"].String, "static");
  EXPECT_EQ(sel["motor"]["source"].String, "catalogue");
  EXPECT_EQ(sel["motor"]["rated_power"].Number, 5.5);
}

TEST_F(CliEnergyTest, UsageErrors) {
  const std::string file = Sample("orvane-bc-centrifugal.qfn");
  struct Case {
    std::vector<std::string> Args;
    const char* Error;
  } cases[] = {
      {{"select", "--flow", "2", "--pressure", "600", "--min-fei", "x", file}, "not a minimum FEI"},
      {{"select", "--flow", "2", "--pressure", "600", "--min-fei", "11", file}, "not a minimum FEI"},
      {{"select", "--flow", "2", "--pressure", "600", "--motor-margin", "101", file}, "not a motor margin"},
      {{"select", "--flow", "2", "--pressure", "600", "--tag", "EF-1", file}, "option '--tag' needs '--pdf'"},
      {{"select", "--flow", "2", "--pressure", "600", "--pdf", "x.pdf", "--quantity", "0", file},
       "not a quantity"},
      {{"select", "--flow", "2", "--pressure", "600", "--sort", "cost", file, file},
       "(power, efficiency, sound"},
      {{"schedule", "--tag", "A", file, file}, "unknown option '--tag'"},
  };
  for (const Case& c : cases) {
    const TCliRun run = RunCliArgs(c.Args);
    EXPECT_EQ(run.Code, ecUsage) << c.Error;
    EXPECT_NE(run.Err.find(c.Error), std::string::npos) << run.Err;
  }
  // A quantity that is not a whole number is the row's problem.
  const std::string schedule =
      WriteFile("q.csv", "mark,flow,pressure,quantity\nEF-1,2,600,two\nEF-2,2,600,\n");
  const TCliRun run = RunCliArgs({"schedule", file, schedule});
  EXPECT_EQ(run.Code, ecFailure);
  EXPECT_NE(run.Err.find("'two' is not a quantity"), std::string::npos) << run.Err;
}

}  // namespace
