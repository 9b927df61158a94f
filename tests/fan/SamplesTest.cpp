// The sample fan data files shipped with the program.
#include <gtest/gtest.h>

#include "fan/FanFindings.h"
#include "fan/FanSelection.h"
#include "fan/QmFan.h"
#include "support/TestSupport.h"

using namespace blowden;

namespace {
const char* kSamples[] = {"orvane-bc-centrifugal.qfn", "orvane-ax-axial.qfn", "orvane-md-mixed.qfn"};
}

TEST(Samples, LoadAndVerifyClean) {
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    TFan fan;
    std::vector<std::string> messages;
    fan.OnMessage = [&](const std::string& m) { messages.push_back(m); };
    fan.LoadFromFile((test::SamplesDir() / name).string());
    ASSERT_EQ(fan.Status(), fsReady);
    EXPECT_EQ(fan.Header().Maker, "Orvane");
    EXPECT_GE(fan.Models().size(), 5u);
    EXPECT_LE(fan.Models().size(), 20u);
    EXPECT_EQ(fan.Verify(), 0) << (fan.Errors().empty() ? "" : fan.Errors()[0]);
    EXPECT_TRUE(messages.empty());
    for (const auto& model : fan.Models()) {
      SCOPED_TRACE(model);
      fan.SelectModel(model);
      EXPECT_EQ(fan.Status(), fsReady);
      EXPECT_GE(fan.Model().Count, 8);
      EXPECT_LE(fan.Model().Count, 15);
      EXPECT_EQ(fan.FitError(), 0);
      EXPECT_GT(fan.FitStats().R2, 0.99);
    }
  }
}

TEST(Samples, PassThePhysicsCheck) {
  for (const char* name : kSamples) {
    TFan fan;
    const TFileCheck check = CheckFile(fan, (test::SamplesDir() / name).string());
    EXPECT_EQ(check.Errors(), 0) << name;
    EXPECT_EQ(check.Warnings(), 0) << name;
    for (const TFinding& f : check.Findings)
      EXPECT_EQ(f.Level, TFindingLevel::Note) << name << " " << f.Model << ": " << f.Text;
    EXPECT_TRUE(check.Messages.empty());
  }
}

TEST(Samples, KindsAndKeys) {
  TFan fan;
  fan.LoadFromFile((test::SamplesDir() / kSamples[0]).string());
  EXPECT_EQ(fan.Header().Kind, fkBCC);
  fan.LoadFromFile((test::SamplesDir() / kSamples[1]).string());
  EXPECT_EQ(fan.Header().Kind, fkAxial);
  fan.SelectModel(fan.Models()[0]);
  EXPECT_TRUE(fan.Model().HasSpeeds);
  EXPECT_GE(fan.Model().Speeds.size(), 2u);
  fan.LoadFromFile((test::SamplesDir() / kSamples[2]).string());
  EXPECT_EQ(fan.Header().Kind, fkMixed);
}

TEST(Samples, ADutyFindsAModel) {
  int found = 0;
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    TFan fan;
    fan.LoadFromFile((test::SamplesDir() / name).string());
    const int index = fan.FindBestModel(1.0, 500);
    if (index < 0) continue;
    ++found;
    const TSelectionResult r = EvaluateDuty(fan, 1.0, 500, 1.0, 500);
    EXPECT_EQ(r.Status, fsReady) << fan.Model().Name;
    EXPECT_EQ(r.Lines.size(), 9u);
    EXPECT_TRUE(r.ChartScaleOk);
  }
  EXPECT_GE(found, 1);
}
