// One verdict in every view: for a table of duties over the samples and test
// catalogues, the single selection's JSON, the ranked selection's JSON, the
// schedule's JSON, the datasheet's text and the selector's memo say the same
// verdict, reasons, warnings and figures of each model.
#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QTest>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../cli/CliTestSupport.h"
#include "base/Format.h"
#include "fan/FanSelection.h"
#include "report/Datasheet.h"
#include "report/DatasheetLayout.h"
#include "selector/QmFanForm.h"
#include "services/Folders.h"
#include "services/MessageBox.h"
#include "services/Settings.h"
#include "support/TestSupport.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {
namespace {

using test::ParsedJson;
using test::RunCliArgs;
using test::TJson;

// A humped curve: the pressure peak lies inside the tested flows, so a duty
// at small flow sits left of it.
const char* const kHumped = R"([Catalog]
Maker=Hump
Range=HU
Density=1.2

[H1]
Model=400,1400,700,1600,400,400,2.0
Qa=0.5,1.0,1.5,2.0,2.5,3.0
Ps=400,480,520,510,460,380
Pw=0.9,1.1,1.3,1.5,1.7,1.9
Lw=81,82,83,84,85,86
)";

// Power typed with the wrong sign: impossible figures, never a candidate.
const char* const kNegative = R"([Catalog]
Maker=Typo
Range=NE
Density=1.2

[N1]
Model=400,1400,700,1600,400,400,1.8
Qa=0.5,1.0,1.5,2.0,2.5,3.0
Ps=606.875,605,590.625,560,509.375,435
Pw=-1.25,-1.5,-1.75,-2,-2.25,-2.5
Lw=81,82,83,84,85,86
)";

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Number(double value) { return Format("%0.17g", {value}); }

class VerdictViewsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TMessageBox::SetTestMode(true);
    TStartupValues values = StartupValues();
    FDatabase = std::make_unique<test::TTempDir>();
    values.DatabaseFolder = FDatabase->Path().string() + "/";
    SetStartupValues(values);
    OpenSettings()->clear();
    for (const char* sample : {"orvane-ax-axial.qfn", "orvane-bc-centrifugal.qfn", "orvane-md-mixed.qfn"})
      FFiles.push_back(FDatabase->Write(sample, ReadText(test::SamplesDir() / sample)));
    FFiles.push_back(FDatabase->Write("exact.qfn", ReadText(test::CliDataFile("exact.qfn"))));
    FFiles.push_back(FDatabase->Write("humped.qfn", kHumped));
    FFiles.push_back(FDatabase->Write("negative.qfn", kNegative));
  }

  void TearDown() override {
    OpenSettings()->clear();
    TMessageBox::TakeRecorded();
  }

  std::unique_ptr<test::TTempDir> FDatabase;
  std::vector<std::string> FFiles;
};

// The verdict as one view gives it.
struct TSaid {
  std::string Verdict;
  std::vector<std::string> Reasons, Warnings;
};

TSaid SaidBy(const TJson& doc) {
  return {doc["verdict"].String, doc["reasons"].Strings(), doc["warnings"].Strings()};
}

void ExpectSame(const TSaid& got, const TSaid& expected, const char* view) {
  SCOPED_TRACE(view);
  EXPECT_EQ(got.Verdict, expected.Verdict);
  EXPECT_EQ(got.Reasons, expected.Reasons);
  EXPECT_EQ(got.Warnings, expected.Warnings);
}

// The memo's verdict lines: "Rejected: ..." and "Warning: ...".
TSaid SaidByMemo(const QStringList& memo) {
  TSaid said;
  for (const QString& line : memo) {
    if (line.startsWith("Rejected: ")) said.Reasons.push_back(line.mid(10).toStdString());
    if (line.startsWith("Warning: ")) said.Warnings.push_back(line.mid(9).toStdString());
  }
  said.Verdict = !said.Reasons.empty() ? "rejected" : !said.Warnings.empty() ? "warning" : "ok";
  return said;
}

TEST_F(VerdictViewsTest, EveryViewSaysTheSameOfEveryModel) {
  struct Duty {
    double Flow, Pressure;
  };
  // Over-speed, the axial Find case, a duty no listed speed meets, samples'
  // middle duties, the exact curve, left of the hump, impossible power.
  const Duty duties[] = {{0.5, 2500}, {1, 500}, {5, 1000}, {1.5, 400}, {2, 560}, {0.6, 250}, {0.7, 430}};

  // The schedule: one mark per duty.
  std::string csv = "mark,flow,pressure\n";
  for (std::size_t i = 0; i < std::size(duties); ++i)
    csv += "D" + std::to_string(i) + "," + Number(duties[i].Flow) + "," + Number(duties[i].Pressure) + "\n";
  const std::string schedulePath = FDatabase->Write("schedule.csv", csv);
  std::vector<std::string> args{"schedule", "--json"};
  args.insert(args.end(), FFiles.begin(), FFiles.end());
  args.push_back(schedulePath);
  const TJson schedule = ParsedJson(RunCliArgs(args));
  ASSERT_EQ(schedule.Size(), std::size(duties));

  TFanForm form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

  int compared = 0, rejected = 0, candidates = 0;
  std::string allReasons;
  for (std::size_t d = 0; d < std::size(duties); ++d) {
    const std::string flow = Number(duties[d].Flow), pressure = Number(duties[d].Pressure);
    SCOPED_TRACE(flow + " m³/s, " + pressure + " Pa");
    std::vector<std::string> rankArgs{"select", "--json", "--flow", flow, "--pressure", pressure};
    rankArgs.insert(rankArgs.end(), FFiles.begin(), FFiles.end());
    const TJson ranked = ParsedJson(RunCliArgs(rankArgs));
    const TJson& entry = schedule[d];

    // Every ranked entry, candidate or rejected, with the schedule's entry
    // for the same model where the schedule lists it.
    std::vector<std::pair<const TJson*, const TJson*>> models;  // ranked, schedule (or null)
    const auto inSchedule = [&](const TJson& m) -> const TJson* {
      for (const char* list : {"candidates", "rejected"})
        for (const TJson& s : entry[list].Items)
          if (s["file"].String == m["file"].String && s["model"].String == m["model"].String) return &s;
      return nullptr;
    };
    for (const char* list : {"candidates", "rejected"})
      for (const TJson& m : ranked[list].Items)
        if (!m["model"].String.empty()) models.emplace_back(&m, inSchedule(m));

    for (const auto& [m, s] : models) {
      const std::string& file = m->operator[]("file").String;
      const std::string& model = m->operator[]("model").String;
      SCOPED_TRACE(file + " " + model);
      const TJson single = ParsedJson(
          RunCliArgs({"select", "--json", "--model", model, "--flow", flow, "--pressure", pressure, file}));
      const TSaid expected = SaidBy(single);
      ExpectSame(SaidBy(*m), expected, "ranked select");
      (expected.Verdict == "rejected" ? rejected : candidates)++;
      for (const std::string& reason : expected.Reasons) allReasons += reason + "\n";
      // The schedule keeps every rejection and the best three candidates.
      if (expected.Verdict == "rejected") {
        EXPECT_NE(s, nullptr);
      }
      if (s) {
        ExpectSame(SaidBy(*s), expected, "schedule");
      }
      // Figures: exactly the same doubles; a stall margin null in both or in neither.
      if (m->operator[]("verdict").String != "rejected") {
        for (const char* key : {"speed", "flow", "static_pressure", "total_pressure", "shaft_power",
                                "efficiency", "sound_power", "bep_ratio", "stall_margin", "speed_margin"}) {
          SCOPED_TRACE(key);
          EXPECT_EQ(m->operator[](key).Kind, single[key].Kind);
          EXPECT_EQ(m->operator[](key).Number, single[key].Number);
          if (s) {
            EXPECT_EQ(s->operator[](key).Number, single[key].Number);
          }
        }
      }

      // The selector's memo, figures and datasheet for the same model and duty.
      if (single["speed"].Kind != TJson::jNumber) continue;  // not evaluated: the read failed
      form.VolEdit()->SetValue(duties[d].Flow);
      form.PStaticEdit()->SetValue(duties[d].Pressure);
      ASSERT_TRUE(form.ChooseFileAndModel(QString::fromStdString(file), QString::fromStdString(model)));
      ExpectSame(SaidByMemo(form.MemoLines()), expected, "selector memo");
      const TSelectionResult& r = form.LastResult();
      EXPECT_EQ(r.Speed, single["speed"].Number);
      EXPECT_EQ(r.ShaftPower, single["shaft_power"].Number);
      EXPECT_EQ(r.SoundPower, single["sound_power"].Number);
      EXPECT_EQ(r.StallMargin.has_value(), single["stall_margin"].Kind == TJson::jNumber);
      // The running speed is always in the memo.
      const QString speedText = QString::fromStdString(Format("\t%0.0f\trpm", {r.Speed}));
      EXPECT_TRUE(form.MemoLines().filter(speedText).size() == 1 || r.Status != fsReady)
          << form.MemoLines().join('\n').toStdString();

      TDatasheet sheet;
      QString why;
      if (!form.CurrentDatasheet(sheet, why)) continue;
      const std::vector<std::string> items = WarningItems(sheet);
      TSaid sheetSaid;
      for (const std::string& item : items) {
        if (item.rfind("Rejected: ", 0) == 0)
          sheetSaid.Reasons.push_back(item.substr(10));
        else if (item.rfind("Not selected: ", 0) != 0)
          sheetSaid.Warnings.push_back(item);
      }
      sheetSaid.Verdict = expected.Verdict;
      ExpectSame(sheetSaid, expected, "datasheet");
      for (const TDatasheetRow& row : ResultRows(sheet)) {
        if (row.Label == "Stall margin") {
          EXPECT_EQ(row.Value == "n/a", single["stall_margin"].Kind == TJson::jNull);
        }
      }
      ++compared;
    }
  }
  // The table reaches every kind of verdict and the window for most models.
  EXPECT_GT(rejected, 20);
  EXPECT_GT(candidates, 10);
  EXPECT_GT(compared, 50);
  for (const char* kind : {"above the maximum", "duty not met", "left of the pressure peak",
                           "the fan data are impossible", "flow outside the tested range"})
    EXPECT_NE(allReasons.find(kind), std::string::npos) << kind;
}

// The selector's Tolerance box judges the model shown again, and is kept
// with the settings.
TEST_F(VerdictViewsTest, TheToleranceSettingJudgesAndIsRemembered) {
  {
    TFanForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.VolEdit()->SetValue(1.0);
    form.PStaticEdit()->SetValue(500.0);
    ASSERT_TRUE(form.ChooseFileAndModel("orvane-ax-axial", "AX500"));
    EXPECT_EQ(form.LastResult().Verdict, TVerdictKind::Rejected);
    EXPECT_EQ(form.MemoLines().filter("Rejected: duty not met").size(), 1);
    form.ToleranceBox()->setValue(2);
    EXPECT_EQ(form.LastResult().Verdict, TVerdictKind::Warning);
    EXPECT_EQ(form.MemoLines().filter("within the tolerance of 2 %").size(), 1);
    form.done(1);
  }
  TFanForm again;
  EXPECT_EQ(again.ToleranceBox()->value(), 2);
}

}  // namespace
}  // namespace blowden
