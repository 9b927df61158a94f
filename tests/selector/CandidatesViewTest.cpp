#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <cmath>
#include <memory>
#include <set>
#include <string>

#include "selector/CandidateColumns.h"
#include "selector/CandidatesView.h"
#include "services/MessageBox.h"
#include "services/Settings.h"
#include "support/TestSupport.h"

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
                                               "fei", "verdict", "warnings"}));
  EXPECT_EQ(columns[TCandidatesModel::cModel].Key, "model");
  EXPECT_EQ(columns[TCandidatesModel::cShaftPower].Key, "shaft_power");
  EXPECT_EQ(columns[TCandidatesModel::cWarnings].Key, "warnings");
  // Headers name the selector's units.
  EXPECT_EQ(ColumnHeader(columns[TCandidatesModel::cFlow], TResultUnits::IP()), "Flow cfm");
  EXPECT_EQ(ColumnHeader(columns[TCandidatesModel::cShaftPower], TResultUnits{}), "Shaft power kW");
  EXPECT_EQ(ColumnHeader(columns[TCandidatesModel::cVerdict], TResultUnits{}), "Verdict");
}

// The energy and sound figures: the core's numbers in the selector's units,
// blank where the core has none, and the first click puts the best first.
TEST(CandidateColumnsTest, EnergyAndSoundFiguresBlankWhenUnknown) {
  TCandidate known;
  known.Energy.Known = true;
  known.Energy.Fei = 1.234;
  known.Energy.ElectricalPower = 2.5;
  known.Energy.Motor.RatedPower = 3.0;
  known.Sound.LwA = 78.26;
  known.Sound.Lp = 66.71;
  known.Sound.LpWeighted = true;
  TCandidate unknown = known;
  unknown.Energy.Known = false;  // figures left over from elsewhere must not show
  unknown.Sound.LwA.reset();
  unknown.Sound.LpWeighted = false;
  TCandidate noMotor = known;
  noMotor.Energy.Motor.RatedPower = 0;  // no rating of the series is large enough
  TRanking ranking;
  ranking.Candidates = {known, unknown, noMotor};
  TCandidatesModel model;
  model.SetRanking(ranking, TResultUnits::IP());
  struct Case {
    int column;
    const char* header;
    const char* known;
    const char* unknown;
    const char* noMotor;
    Qt::SortOrder best;
  } cases[] = {
      {TCandidatesModel::cFei, "FEI", "1.23", "", "1.23", Qt::DescendingOrder},
      {TCandidatesModel::cElectricalPower, "Electrical power HP", "3.35", "", "3.35", Qt::AscendingOrder},
      {TCandidatesModel::cMotor, "Motor HP", "4.02", "", "", Qt::AscendingOrder},
      {TCandidatesModel::cLwA, "LwA dB(A)", "78.3", "", "78.3", Qt::AscendingOrder},
      {TCandidatesModel::cLp, "Lp dB", "66.7", "66.7", "66.7", Qt::AscendingOrder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(model.headerData(c.column, Qt::Horizontal).toString().replace('\n', ' '), c.header);
    EXPECT_EQ(model.headerData(c.column, Qt::Horizontal, Qt::InitialSortOrderRole).toInt(), c.best);
    EXPECT_EQ(model.index(0, c.column).data().toString(), c.known);
    EXPECT_EQ(model.index(1, c.column).data().toString(), c.unknown);
    EXPECT_EQ(model.index(2, c.column).data().toString(), c.noMotor);
    // A blank cell has no number to sort by: it goes last.
    EXPECT_EQ(model.index(1, c.column).data(TCandidatesModel::SortRole).isValid(), *c.unknown != 0);
  }
  // Lp says whether it is A-weighted, which depends on the bands.
  EXPECT_TRUE(
      model.index(0, TCandidatesModel::cLp).data(Qt::ToolTipRole).toString().startsWith("66.7 dB(A)"));
  EXPECT_TRUE(model.index(1, TCandidatesModel::cLp).data(Qt::ToolTipRole).toString().startsWith("66.7 dB ("));
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
      {TRankKey::Fei, "Ranked by FEI, highest first"},
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
    r.Notes.Reasons = {SaidNote("speed 1840 rpm above the maximum 1600 rpm")};
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

TEST_F(CandidatesViewTest, NewColumnsSortBestFirstWithBlanksLast) {
  TRanking ranking = Sample();
  const double feis[] = {0.9, 0, 1.4};  // A2 without FEI
  const double lwas[] = {80, 75, 0};    // A3 without bands
  for (std::size_t i = 0; i < 3; ++i) {
    TCandidate& c = ranking.Candidates[i];
    c.Energy.Known = feis[i] > 0;
    c.Energy.Fei = feis[i];
    if (lwas[i] > 0) c.Sound.LwA = lwas[i];
  }
  TCandidatesView view;
  view.SetRanking(ranking, TResultUnits{}, QString());
  view.ShowColumn(TCandidatesModel::cLwA, true);
  view.show();
  struct Case {
    int column;
    const char* order;  // the models top down, the rejected A9 last
    const char* caption;
  } cases[] = {
      {TCandidatesModel::cFei, "A3 A1 A2 A9", "Ranked by FEI, highest first"},
      {TCandidatesModel::cLwA, "A2 A1 A3 A9", "Ranked by A-weighted sound power, lowest first"},
  };
  QAbstractItemModel* shown = view.Table()->model();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    ClickHeader(view, c.column);
    QStringList models;
    for (int row = 0; row < shown->rowCount(); ++row)
      models.append(shown->index(row, TCandidatesModel::cModel).data().toString());
    EXPECT_EQ(models.join(' '), c.order);
    EXPECT_TRUE(view.Caption()->text().contains(c.caption)) << view.Caption()->text().toStdString();
  }
}

// Two models at 1 m³/s, 500 Pa; the second draws a fifth more power than a
// sound one would, and its FEI is lower.
const char* const kFeiCatalogue = R"([Catalog]
Maker=Orvane Test
Range=TST
Density=1.2
Kind=BCC

[T500]
Model=500,1200,600,1500,400,400,2.0
Qa=0.8,1.1,1.4,1.7,2.0,2.3,2.6,2.9
Ps=900,880,840,780,700,600,480,330
Pw=1.1,1.3,1.55,1.8,2.0,2.2,2.35,2.45
Lw=84,84.5,85,85.6,86.2,87,88,89

[T400]
Model=400,1400,700,1800,300,300,1.2
Qa=0.4,0.6,0.8,1.0,1.2,1.4,1.6,1.8
Ps=820,800,760,700,620,520,400,260
Pw=0.72,0.86,1.02,1.18,1.32,1.44,1.54,1.60
Lw=82,82.5,83,83.6,84.2,85,86,87
)";

// "Minimum FEI" ranks the catalogue again: a model below it joins the
// rejected with the core's reason; off gives it back; the minimum is remembered.
TEST_F(CandidatesViewTest, MinimumFeiMovesAModelToTheRejected) {
  test::TTempDir folder;
  const std::string file = folder.Write("Fei.qfn", kFeiCatalogue);
  const TDuty duty{1.0, 500, TPressureKind::Static, {}};
  const TRanking all = RankDuty({file}, duty, TRankKey::Power);
  ASSERT_EQ(all.Candidates.size(), 2u);
  ASSERT_TRUE(all.Candidates[0].Energy.Known && all.Candidates[1].Energy.Known);
  const TCandidate& low =
      all.Candidates[0].Energy.Fei < all.Candidates[1].Energy.Fei ? all.Candidates[0] : all.Candidates[1];
  const TCandidate& high = &low == &all.Candidates[0] ? all.Candidates[1] : all.Candidates[0];
  ASSERT_LT(low.Energy.Fei + 0.02, high.Energy.Fei);
  // Between the two, in the box's decimals.
  const double minimum = std::round((low.Energy.Fei + high.Energy.Fei) / 2 * 100) / 100;
  {
    TCandidatesView view;
    view.SetRanking(Sample(), TResultUnits{}, QString());
    EXPECT_FALSE(view.MinFeiBox()->isEnabled());  // nothing to rank again
    view.SetCatalogue(std::make_shared<const TRankCatalogue>(std::vector<std::string>{file}), duty,
                      TResultUnits{}, QStringLiteral("Duty"));
    EXPECT_TRUE(view.MinFeiBox()->isEnabled());
    EXPECT_EQ(view.MinFeiBox()->text(), "off");
    struct Case {
      double minimum;
      std::size_t candidates;
      std::size_t rejected;
    } cases[] = {{minimum, 1, 1}, {0, 2, 0}, {minimum, 1, 1}};
    for (const Case& c : cases) {
      SCOPED_TRACE(c.minimum);
      view.MinFeiBox()->setValue(c.minimum);
      const TRanking& shown = view.Model()->Ranking();
      ASSERT_EQ(shown.Candidates.size(), c.candidates);
      ASSERT_EQ(shown.Rejected.size(), c.rejected);
      EXPECT_EQ(shown.Candidates[0].Model, high.Model);
      EXPECT_DOUBLE_EQ(view.Duty().Energy.MinFei, c.minimum);
      if (c.rejected == 0) continue;
      EXPECT_EQ(shown.Rejected[0].Model, low.Model);
      EXPECT_EQ(shown.Rejected[0].Rule, TVerdictRule::FeiBelow);
      const QString reason = view.Table()->model()->index(1, TCandidatesModel::cWarnings).data().toString();
      EXPECT_TRUE(reason.startsWith("FEI ") && reason.contains("below the minimum")) << reason.toStdString();
      EXPECT_TRUE(view.Caption()->text().contains("1 candidates, 1 rejected"));
    }
  }
  // Remembered: a new view ranks with it at once.
  TCandidatesView again;
  EXPECT_DOUBLE_EQ(again.MinFeiBox()->value(), minimum);
  again.SetCatalogue(std::make_shared<const TRankCatalogue>(std::vector<std::string>{file}), duty,
                     TResultUnits{}, QString());
  EXPECT_EQ(again.Model()->Ranking().Rejected.size(), 1u);
}

// A hand-edited minimum: out of range taken to the nearest end, no number off.
TEST_F(CandidatesViewTest, AStoredMinimumFeiIsKeptInRange) {
  const struct {
    const char* stored;
    double shown;
  } cases[] = {{"1.5", 1.5}, {"9", 5}, {"-1", 0}, {"nan", 0}, {"inf", 0}, {"abc", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    OpenSettings()->setValue("Candidates/MinFei", c.stored);
    const TCandidatesView view;
    EXPECT_DOUBLE_EQ(view.MinFeiBox()->value(), c.shown);
  }
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
  ranking.Candidates[1].WarningNotes = {SaidNote(std::string(300, 'w'))};
  ranking.Rejected[0].Notes.Reasons = {SaidNote(std::string(400, 'r'))};
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
