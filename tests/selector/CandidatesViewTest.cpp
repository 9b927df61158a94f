#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <set>
#include <string>

#include "selector/CandidateColumns.h"
#include "selector/CandidatesView.h"
#include "services/MessageBox.h"
#include "services/Settings.h"

namespace blowden {
namespace {

// --- the columns as data ---------------------------------------------------------

TEST(CandidateColumnsTest, OneDescriptorPerModelColumnWithTheDefaultsShown) {
  const auto columns = CandidateColumns();
  ASSERT_EQ(columns.size(), static_cast<std::size_t>(TCandidatesModel::ColumnCount));
  std::set<std::string_view> keys, shown;
  for (const TCandidateColumn& c : columns) {
    EXPECT_TRUE(keys.insert(c.Key).second) << c.Key;
    EXPECT_TRUE(c.Figure || c.Text) << c.Key;
    if (c.Shown) shown.insert(c.Key);
  }
  EXPECT_EQ(shown, (std::set<std::string_view>{"model", "speed", "shaft_power", "efficiency", "sound_power",
                                               "verdict", "warnings"}));
  EXPECT_EQ(columns[TCandidatesModel::cModel].Key, "model");
  EXPECT_EQ(columns[TCandidatesModel::cShaftPower].Key, "shaft_power");
  EXPECT_EQ(columns[TCandidatesModel::cWarnings].Key, "warnings");
  // Headers name the selector's units.
  EXPECT_EQ(ColumnHeader(columns[TCandidatesModel::cFlow], TResultUnits::IP()), "Flow cfm");
  EXPECT_EQ(ColumnHeader(columns[TCandidatesModel::cShaftPower], TResultUnits{}), "Shaft power kW");
  EXPECT_EQ(ColumnHeader(columns[TCandidatesModel::cVerdict], TResultUnits{}), "Verdict");
}

TEST(CandidateColumnsTest, CaptionNamesTheOrder) {
  struct Case {
    int column;
    bool descending;
    const char* caption;
  } cases[] = {
      {TCandidatesModel::cEfficiency, true, "Ranked by total efficiency, highest first"},
      {TCandidatesModel::cEfficiency, false, "Ranked by total efficiency, lowest first"},
      {TCandidatesModel::cShaftPower, false, "Ranked by shaft power, lowest first"},
      {TCandidatesModel::cModel, false, "Sorted by model, A to Z"},
      {TCandidatesModel::cModel, true, "Sorted by model, Z to A"},
      {TCandidatesModel::cWarnings, false, "Ranked by number of warnings, fewest first"},
      {TCandidatesModel::cVerdict, false, "Ranked by verdict, best first"},
      {-1, false, "Ranked by shaft power, lowest first"},
      {TCandidatesModel::ColumnCount, true, "Ranked by shaft power, lowest first"},
  };
  for (const Case& c : cases) EXPECT_EQ(SortCaption(c.column, c.descending), c.caption) << c.column;
  struct KeyCase {
    TRankKey key;
    const char* caption;
  } keys[] = {
      {TRankKey::Power, "Ranked by shaft power, lowest first"},
      {TRankKey::Efficiency, "Ranked by total efficiency, highest first"},
      {TRankKey::Sound, "Ranked by sound power, lowest first"},
      {TRankKey::Speed, "Ranked by speed, lowest first"},
      {TRankKey::Margin, "Ranked by stall margin, highest first"},
  };
  for (const KeyCase& k : keys) EXPECT_EQ(RankCaption(k.key), k.caption);
}

TEST(CandidateColumnsTest, NothingFitsLineCountsTheReasons) {
  TRanking ranking;
  EXPECT_EQ(NothingFitsLine(ranking), "No fan meets the duty: no model was ranked");
  const auto rejected = [](TVerdictRule rule) {
    TRejected r;
    r.Rule = rule;
    return r;
  };
  ranking.Rejected = {rejected(TVerdictRule::DutyNotMet), rejected(TVerdictRule::SpeedAbove),
                      rejected(TVerdictRule::SpeedAbove)};
  EXPECT_EQ(NothingFitsLine(ranking),
            "No fan meets the duty: 2 above their maximum speed, 1 short of the duty");
  ranking.Candidates.emplace_back();
  EXPECT_EQ(NothingFitsLine(ranking), "");
}

TEST(CandidateColumnsTest, ShownColumnsSettingRoundTripsAndKeepsDefaultsForTheUnnamed) {
  const std::vector<bool> defaults = ShownColumns("");
  for (std::size_t i = 0; i < defaults.size(); ++i) EXPECT_EQ(defaults[i], CandidateColumns()[i].Shown);
  struct Case {
    const char* setting;
    bool file, speed;
  } cases[] = {
      {"file=1,speed=0", true, false},
      {"speed=2,nonsense=1,file", false, true},  // wrong values and names are left out
      {"file=0,file=1", true, true},             // the last word counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting);
    const std::vector<bool> shown = ShownColumns(c.setting);
    EXPECT_EQ(shown[TCandidatesModel::cFile], c.file);
    EXPECT_EQ(shown[TCandidatesModel::cSpeed], c.speed);
    EXPECT_EQ(shown[TCandidatesModel::cModel], true);
    EXPECT_EQ(ShownColumns(ShownColumnsSetting(shown)), shown);
  }
}

// --- the view ----------------------------------------------------------------------

class CandidatesViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TMessageBox::SetTestMode(true);
    OpenSettings()->clear();
  }
  void TearDown() override {
    OpenSettings()->clear();
    TMessageBox::TakeRecorded();
  }

  static TRanking Sample() {
    TRanking ranking;
    const auto candidate = [](const char* model, double power, double efficiency) {
      TCandidate c;
      c.File = "/db/Alpha.qfn";
      c.Maker = "Orvane";
      c.Model = model;
      c.Speed = 1200;
      c.ShaftPower = power;
      c.Efficiency = efficiency;
      return c;
    };
    ranking.Candidates = {candidate("A1", 1.0, 60), candidate("A2", 1.5, 75), candidate("A3", 2.0, 70)};
    TRejected r;
    r.File = "/db/Alpha.qfn";
    r.Model = "A9";
    r.Reason = "speed 1840 rpm above the maximum 1600 rpm";
    r.Rule = TVerdictRule::SpeedAbove;
    ranking.Rejected = {r};
    return ranking;
  }

  static void ClickHeader(TCandidatesView& view, int column) {
    QHeaderView* header = view.Table()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
  }
};

TEST_F(CandidatesViewTest, DefaultColumnsRejectedReasonsAndFirstClickBestFirst) {
  TCandidatesView view;
  view.SetRanking(Sample(), TResultUnits{}, QStringLiteral("Duty 1 m³/s at 500 Pa static pressure."));
  view.show();
  for (int c = 0; c < TCandidatesModel::ColumnCount; ++c)
    EXPECT_EQ(view.Table()->isColumnHidden(c), !CandidateColumns()[std::size_t(c)].Shown) << c;
  EXPECT_EQ(view.Caption()->text(),
            "Duty 1 m³/s at 500 Pa static pressure. Ranked by shaft power, lowest first: 3 candidates, 1 "
            "rejected.");
  EXPECT_FALSE(view.CountsLine()->isVisible());
  // The rejected row says why in a shown column.
  QAbstractItemModel* shown = view.Table()->model();
  EXPECT_EQ(shown->index(3, TCandidatesModel::cWarnings).data().toString(),
            "speed 1840 rpm above the maximum 1600 rpm");
  EXPECT_EQ(shown->index(3, TCandidatesModel::cVerdict).data().toString(), "rejected");
  EXPECT_TRUE(shown->index(0, TCandidatesModel::cModel).data(Qt::ToolTipRole).toString().contains("Orvane"));

  // Efficiency: the highest first; shaft power: the lowest first.
  struct Case {
    int column;
    Qt::SortOrder order;
    const char* first;
    const char* caption;
  } cases[] = {
      {TCandidatesModel::cEfficiency, Qt::DescendingOrder, "A2", "Ranked by total efficiency, highest first"},
      {TCandidatesModel::cShaftPower, Qt::AscendingOrder, "A1", "Ranked by shaft power, lowest first"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    ClickHeader(view, c.column);
    EXPECT_EQ(view.Table()->horizontalHeader()->sortIndicatorSection(), c.column);
    EXPECT_EQ(view.Table()->horizontalHeader()->sortIndicatorOrder(), c.order);
    EXPECT_EQ(shown->index(0, TCandidatesModel::cModel).data().toString(), c.first);
    EXPECT_TRUE(view.Caption()->text().contains(c.caption)) << view.Caption()->text().toStdString();
  }
  // A second click turns the order around, and the caption with it.
  ClickHeader(view, TCandidatesModel::cShaftPower);
  EXPECT_TRUE(view.Caption()->text().contains("Ranked by shaft power, highest first"));
}

TEST_F(CandidatesViewTest, ColumnChoicesAndShowRejectedAreRemembered) {
  {
    TCandidatesView view;
    view.SetRanking(Sample(), TResultUnits{}, QString());
    QMenu* menu = view.ColumnMenu();
    QAction* file = menu->findChild<QAction*>("ColumnAction_file");
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(file->isChecked());
    file->trigger();
    EXPECT_FALSE(view.Table()->isColumnHidden(TCandidatesModel::cFile));
    view.ShowColumn(TCandidatesModel::cSoundPower, false);
    // The model names the row and cannot be hidden.
    EXPECT_FALSE(menu->findChild<QAction*>("ColumnAction_model")->isEnabled());
    view.ShowColumn(TCandidatesModel::cModel, false);
    EXPECT_FALSE(view.Table()->isColumnHidden(TCandidatesModel::cModel));
    view.ShowRejectedCheck()->setChecked(false);
  }
  TCandidatesView again;
  again.SetRanking(Sample(), TResultUnits{}, QString());
  EXPECT_FALSE(again.Table()->isColumnHidden(TCandidatesModel::cFile));
  EXPECT_TRUE(again.Table()->isColumnHidden(TCandidatesModel::cSoundPower));
  EXPECT_FALSE(again.Table()->isColumnHidden(TCandidatesModel::cSpeed));
  EXPECT_FALSE(again.ShowRejectedCheck()->isChecked());
  EXPECT_EQ(again.Table()->model()->rowCount(), 3);
  EXPECT_TRUE(again.ColumnMenu()->findChild<QAction*>("ColumnAction_file")->isChecked());
}

// The default columns fit the view without scrolling sideways, even with a
// long reason, at its default size and at the width of a small screen.
TEST_F(CandidatesViewTest, DefaultColumnsFitWithoutScrollingSideways) {
  TRanking ranking = Sample();
  ranking.Candidates[1].Warnings = {std::string(300, 'w')};
  ranking.Rejected[0].Reason = std::string(400, 'r');
  for (const QSize size : {QSize(1120, 480), QSize(780, 440)}) {
    TCandidatesView view;
    view.resize(size);
    view.SetRanking(ranking, TResultUnits{}, QStringLiteral("Duty"));
    view.show();
    QApplication::processEvents();
    QHeaderView* header = view.Table()->horizontalHeader();
    QString sizes;
    for (int c = 0; c < header->count(); ++c)
      if (!header->isSectionHidden(c)) sizes += QString::number(header->sectionSize(c)) + " ";
    EXPECT_LE(header->length(), view.Table()->viewport()->width())
        << size.width() << " " << sizes.toStdString();
    EXPECT_FALSE(view.Table()->horizontalScrollBar()->isVisible()) << size.width();
    EXPECT_GT(header->sectionSize(TCandidatesModel::cWarnings), 60) << size.width();
  }
}

TEST_F(CandidatesViewTest, CountsLineSaysWhyNothingFits) {
  TRanking ranking = Sample();
  ranking.Candidates.clear();
  TCandidatesView view;
  view.SetRanking(ranking, TResultUnits{}, QString());
  view.show();
  EXPECT_TRUE(view.CountsLine()->isVisible());
  EXPECT_EQ(view.CountsLine()->text(), "No fan meets the duty: 1 above its maximum speed");
}

}  // namespace
}  // namespace blowden
