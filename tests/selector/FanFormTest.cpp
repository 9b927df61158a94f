#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/Format.h"
#include "charts/SelectorChartView.h"
#include "charts/widgets/QmChartPanel.h"
#include "fan/FanRanking.h"
#include "fan/FanSelection.h"
#include "fan/QmFan.h"
#include "selector/CandidatesView.h"
#include "selector/QmFanForm.h"
#include "services/Folders.h"
#include "services/MessageBox.h"
#include "services/Settings.h"
#include "services/TextColours.h"
#include "support/TestSupport.h"
#include "units/FmtText.h"
#include "units/widgets/QmFmtEdit.h"

namespace blowden {
namespace {

// Two models; the second suits the default duty (1 m³/s, 500 Pa) best, so a
// search is told apart from "take the first".
const char* const kAlpha = R"([Catalog]
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
Pw=0.60,0.72,0.85,0.98,1.10,1.20,1.28,1.33
Lw=82,82.5,83,83.6,84.2,85,86,87
)";

// One model that runs only at listed speeds.
const char* const kBeta = R"([Catalog]
Maker=Beta Fans
Range=BF

[B315]
Model=315,1450,900,1450,250,250,0.9
Speed=900,1200,1450
Qa=0.3,0.5,0.7,0.9,1.1,1.3
Ps=640,620,580,510,410,280
Pw=0.35,0.42,0.50,0.57,0.62,0.65
Lw=78,78.5,79,80,81,82.5
)";

// A catalogue without models.
const char* const kEmpty = R"([Catalog]
Maker=Nobody
)";

class FanFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TMessageBox::SetTestMode(true);
    TStartupValues values = StartupValues();
    FDatabase = std::make_unique<test::TTempDir>();
    values.DatabaseFolder = FDatabase->Path().string() + "/";
    SetStartupValues(values);
    OpenSettings()->clear();
  }

  void TearDown() override {
    OpenSettings()->clear();
    TMessageBox::TakeRecorded();
  }

  void Install(const std::string& name, const char* text) { FDatabase->Write(name, text); }
  std::string PathOf(const std::string& name) const { return FDatabase->File(name); }

  void InstallSamples() {
    Install("Alpha.qfn", kAlpha);
    Install("Beta.qfn", kBeta);
  }

  std::unique_ptr<TFanForm> OpenForm() {
    auto form = std::make_unique<TFanForm>();
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    return form;
  }

  // The core's evaluation of one model at a duty, for comparison.
  TSelectionResult CoreDuty(const std::string& file, const std::string& model, double flow, double pressure) {
    FFan.LoadFromFile(PathOf(file));
    FFan.SelectModel(model);
    return EvaluateDuty(FFan, flow, pressure, flow, pressure);
  }

  static QStringList ToList(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& line : lines) list.append(QString::fromStdString(line));
    return list;
  }

  // What the memo shows for a result: the nine lines, the added lines, then
  // each warning.
  // The memo of an evaluation: result lines, added lines, the verdict's
  // reasons and warnings, and what Find said of its choice.
  static QStringList MemoOf(const TSelectionResult& r, const std::vector<std::string>& findNotes = {}) {
    QStringList list = ToList(r.Lines);
    list += ToList(r.ExtraLines);
    if (r.Status == 0) list += ToList(SoundLines(r.Sound));
    for (const std::string& reason : r.Reasons)
      list.append(QStringLiteral("Rejected: ") + QString::fromStdString(reason));
    for (const std::string& w : r.Warnings)
      list.append(QStringLiteral("Warning: ") + QString::fromStdString(w));
    list += ToList(findNotes);
    return list;
  }

  static double ValueOf(TFmtEdit* edit) { return FmtValueToFloat(edit->Value()); }

  // Types `text` into a field and leaves it for the next control.
  static void TypeInto(TFmtEdit* edit, const QString& text) {
    edit->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(edit->hasFocus());
    edit->selectAll();
    QTest::keyClicks(edit, text);
    edit->clearFocus();
    QApplication::processEvents();
  }

  static void SendMouse(QWidget* target, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                        Qt::KeyboardModifiers modifiers) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                         ? Qt::MouseButtons(Qt::NoButton)
                                         : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(pos), target->mapToGlobal(QPointF(pos)), button, buttons, modifiers);
    QApplication::sendEvent(target, &event);
  }

  // Moves the mouse to `pos` and presses and releases the left button there.
  static void ClickChart(TChartPanel* panel, QPoint pos, Qt::KeyboardModifiers modifiers) {
    SendMouse(panel, QEvent::MouseMove, pos, Qt::NoButton, modifiers);
    SendMouse(panel, QEvent::MouseButtonPress, pos, Qt::LeftButton, modifiers);
    SendMouse(panel, QEvent::MouseButtonRelease, pos, Qt::LeftButton, modifiers);
  }

  std::unique_ptr<test::TTempDir> FDatabase;
  TFan FFan;
};

TEST_F(FanFormTest, FirstUseShowsTheDefaultDutyWithTheFirstFileAndModel) {
  InstallSamples();
  auto form = OpenForm();

  EXPECT_EQ(form->VolEdit()->text(), "1.000");
  EXPECT_EQ(form->PStaticEdit()->text(), "500");
  EXPECT_EQ(form->VolEdit()->UnitsValue(), 0);
  EXPECT_EQ(form->PStaticEdit()->UnitsValue(), 1);
  EXPECT_EQ(form->SpeedEdit()->UnitsValue(), 0);
  EXPECT_EQ(form->VolEdit()->UnitsLabel()->text(), QString::fromUtf8("m³/s"));
  EXPECT_EQ(form->PStaticEdit()->UnitsLabel()->text(), "Pa");
  EXPECT_EQ(form->SpeedEdit()->UnitsLabel()->text(), "rpm");

  ASSERT_EQ(form->FileListBox()->count(), 2);
  EXPECT_EQ(form->FileListBox()->currentText(), "Alpha");
  ASSERT_EQ(form->FanListBox()->count(), 2);
  EXPECT_EQ(form->FanListBox()->currentRow(), 0);
  EXPECT_EQ(form->FanFileName(), "Alpha");
  EXPECT_EQ(form->FanName(), "T500");

  const TSelectionResult core = CoreDuty("Alpha.qfn", "T500", 1.0, 500.0);
  ASSERT_EQ(core.Status, 0);
  EXPECT_EQ(form->MemoLines(), MemoOf(core));
  // The nine result lines come first, the added lines after them.
  ASSERT_GT(form->MemoLines().size(), 9);
  EXPECT_EQ(form->MemoLines()[1], QString::fromUtf8("Volume Flow\t1.00\tm³/s"));
  EXPECT_EQ(form->MemoLines()[3], "Static Pressure\t500\tPa");
  EXPECT_EQ(form->StatusText(0), "[Orvane Test]  T500");
  EXPECT_EQ(form->StatusText(3), QString::fromStdString(core.R2Text));
  EXPECT_TRUE(form->StatusText(3).startsWith(QString::fromUtf8("R²=")));
  EXPECT_EQ(form->SpeedEdit()->text(), QString::fromStdString(Format("%0.0f", {core.RawSpeed})));
  EXPECT_NEAR(form->LastResult().Speed, core.Speed, 1e-9);
  EXPECT_EQ(form->CurvePanel()->Title(), "T500");
  // Eight speed lines, the reference and operating curves, the system curve.
  EXPECT_EQ(form->CurvePanel()->Lines().size(), 11u);
}

TEST_F(FanFormTest, ChoosingAFileRunsTheSearchAndSelectsTheBestModel) {
  InstallSamples();
  auto form = OpenForm();
  FFan.LoadFromFile(PathOf("Alpha.qfn"));
  const int best = FFan.FindBestModel(1.0, 500.0);
  ASSERT_EQ(best, 1) << "the sample must make the search matter";

  // The program selecting a file does not search.
  form->FileListBox()->setCurrentIndex(1);
  form->FileListBox()->setCurrentIndex(0);
  EXPECT_EQ(form->FanListBox()->currentRow(), 0);

  // The user does.
  emit form->FileListBox()->activated(0);
  EXPECT_EQ(form->FanListBox()->currentRow(), 1);
  EXPECT_EQ(form->FanName(), "T400");
  EXPECT_EQ(form->MemoLines(), MemoOf(CoreDuty("Alpha.qfn", "T400", 1.0, 500.0)));
  EXPECT_EQ(form->StatusText(0), "[Orvane Test]  T400");

  form->FileListBox()->setCurrentIndex(1);
  emit form->FileListBox()->activated(1);
  EXPECT_EQ(form->FanFileName(), "Beta");
  EXPECT_EQ(form->FanListBox()->count(), 1);
  EXPECT_EQ(form->FanListBox()->currentRow(), 0);
  EXPECT_EQ(form->StatusText(0), "[Beta Fans]  B315");
}

TEST_F(FanFormTest, AModelWithListedSpeedsMarksTheOperatingPointOnItsCurve) {
  InstallSamples();
  auto form = OpenForm();
  form->FileListBox()->setCurrentIndex(1);
  emit form->FileListBox()->activated(1);
  ASSERT_EQ(form->FanName(), "B315");
  form->VolEdit()->SetValue(0.6);
  form->PStaticEdit()->SetValue(300.0);
  form->Evaluate();

  const TSelectionResult core = CoreDuty("Beta.qfn", "B315", 0.6, 300.0);
  ASSERT_EQ(core.Status, 0);
  EXPECT_EQ(form->MemoLines(), MemoOf(core));
  // The field shows the solved speed, the first line the listed one used.
  EXPECT_EQ(form->SpeedEdit()->text(), QString::fromStdString(Format("%0.0f", {core.RawSpeed})));
  EXPECT_EQ(form->MemoLines()[0], QString::fromStdString(Format("Fan Speed\t%0.0f\trpm", {core.Speed})));
  EXPECT_NE(std::lround(core.Speed), std::lround(core.RawSpeed));
  // Green duty circle and blue operating square.
  ASSERT_EQ(form->CurvePanel()->Points().size(), 2u);
  EXPECT_EQ(form->CurvePanel()->Points()[0]->Kind, 2);
  EXPECT_EQ(form->CurvePanel()->Points()[1]->Kind, 3);
  EXPECT_FALSE(form->CurvePanel()->Points()[0]->Movable);
  EXPECT_FALSE(form->CurvePanel()->Points()[1]->Movable);
}

TEST_F(FanFormTest, ChoosingAModelEvaluatesItAtTheDutyOfTheFields) {
  InstallSamples();
  auto form = OpenForm();
  form->VolEdit()->SetValue(1.2);
  form->PStaticEdit()->SetValue(450.0);

  form->FanListBox()->setCurrentRow(1);

  EXPECT_EQ(form->FanName(), "T400");
  EXPECT_EQ(form->MemoLines(), MemoOf(CoreDuty("Alpha.qfn", "T400", 1.2, 450.0)));
  EXPECT_EQ(form->CurvePanel()->Title(), "T400");
  // No search: the duty stays as entered.
  EXPECT_EQ(form->VolEdit()->text(), "1.200");
  EXPECT_EQ(form->PStaticEdit()->text(), "450");
}

TEST_F(FanFormTest, LeavingAFieldRecomputesOnlyWhenItsTextChanged) {
  InstallSamples();
  auto form = OpenForm();
  const QString sentinel = QStringLiteral("not recomputed");

  struct Case {
    const char* name;
    TFmtEdit* edit;
  };
  const Case cases[] = {
      {"flow", form->VolEdit()}, {"pressure", form->PStaticEdit()}, {"speed", form->SpeedEdit()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->Memo()->setPlainText(sentinel);
    c.edit->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(c.edit->hasFocus());
    form->FindBtn()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(form->Memo()->toPlainText(), sentinel);

    // Typing the same text again leaves it unchanged as well.
    const QString same = c.edit->text();
    TypeInto(c.edit, same);
    EXPECT_EQ(form->Memo()->toPlainText(), sentinel);
  }

  TypeInto(form->PStaticEdit(), "400");
  EXPECT_EQ(form->MemoLines(), MemoOf(CoreDuty("Alpha.qfn", "T500", 1.0, 400.0)));

  TypeInto(form->VolEdit(), "1.5");
  EXPECT_EQ(form->VolEdit()->text(), "1.500");
  EXPECT_EQ(form->MemoLines(), MemoOf(CoreDuty("Alpha.qfn", "T500", 1.5, 400.0)));
}

TEST_F(FanFormTest, ASpeedTypedInSetsThePressureAndIsSolvedBack) {
  InstallSamples();
  auto form = OpenForm();

  TypeInto(form->SpeedEdit(), "1000");

  FFan.LoadFromFile(PathOf("Alpha.qfn"));
  FFan.SelectModel("T500");
  const double pressure = FFan.PressureAt(1.0, 1000.0);
  EXPECT_EQ(form->PStaticEdit()->text(), QString::fromStdString(Format("%0.0f", {pressure})));
  // Solved from the pressure as the field shows it (rounded to whole Pa).
  const double shown = ValueOf(form->PStaticEdit());
  const TSelectionResult core = CoreDuty("Alpha.qfn", "T500", 1.0, shown);
  EXPECT_EQ(form->SpeedEdit()->text(), QString::fromStdString(Format("%0.0f", {core.RawSpeed})));
  EXPECT_NEAR(core.RawSpeed, 1000.0, 2.0);
  EXPECT_EQ(form->MemoLines(), MemoOf(core));
}

TEST_F(FanFormTest, BrowseModeShowsEachModelAtItsNominalPoint) {
  InstallSamples();
  auto form = OpenForm();

  form->BrowseCheck()->click();

  EXPECT_FALSE(form->VolEdit()->isEnabled());
  EXPECT_FALSE(form->PStaticEdit()->isEnabled());
  EXPECT_FALSE(form->SpeedEdit()->isEnabled());
  EXPECT_FALSE(form->FindBtn()->isEnabled());

  struct Case {
    const char* name;
    int row;
    double qaNom;
    const char* speed;
  };
  const Case cases[] = {{"T500", 0, 2.0, "1200"}, {"T400", 1, 1.2, "1400"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->FanListBox()->setCurrentRow(c.row);
    FFan.LoadFromFile(PathOf("Alpha.qfn"));
    FFan.SelectModel(c.name);
    const TSelectionResult core = EvaluateBrowse(FFan);
    EXPECT_EQ(form->VolEdit()->text(), QString::fromStdString(Format("%0.3f", {c.qaNom})));
    EXPECT_EQ(form->PStaticEdit()->text(), QString::fromStdString(Format("%0.0f", {core.PStatic})));
    EXPECT_EQ(form->SpeedEdit()->text(), c.speed);
    EXPECT_EQ(form->MemoLines(), MemoOf(core));
    EXPECT_EQ(form->MemoLines()[0], QStringLiteral("Fan Speed\t%1\trpm").arg(c.speed));
  }

  form->BrowseCheck()->click();
  EXPECT_TRUE(form->VolEdit()->isEnabled());
  EXPECT_TRUE(form->FindBtn()->isEnabled());
  // The next evaluation solves again from the values now in the fields.
  EXPECT_EQ(form->MemoLines(), MemoOf(CoreDuty("Alpha.qfn", "T400", 1.2, ValueOf(form->PStaticEdit()))));
}

TEST_F(FanFormTest, CtrlClickInsideTheChartWindowMovesTheDuty) {
  InstallSamples();
  auto form = OpenForm();
  TChartPanel* panel = form->CurvePanel();
  const TChartWindow window = form->ChartWindow();
  const QPoint inside = panel->DataToPixel(window.XMin + 0.3 * (window.XMax - window.XMin),
                                           window.YMin + 0.4 * (window.YMax - window.YMin));
  ASSERT_TRUE(panel->IsPixelInPlot(inside.x(), inside.y()));

  ClickChart(panel, inside, Qt::NoModifier);
  EXPECT_EQ(form->VolEdit()->text(), "1.000");
  EXPECT_EQ(form->PStaticEdit()->text(), "500");

  // The read-out follows the mouse inside the window.
  const double x = panel->MouseX(), y = panel->MouseY();
  EXPECT_EQ(form->StatusText(1), QString::fromStdString(Format("Q=%0.3g m³/s", {x})));
  EXPECT_EQ(form->StatusText(2), QString::fromStdString(Format("P=%0.4g Pa", {y})));

  ClickChart(panel, inside, Qt::ControlModifier);
  EXPECT_EQ(form->VolEdit()->text(), QString::fromStdString(Format("%0.3f", {x})));
  EXPECT_EQ(form->PStaticEdit()->text(), QString::fromStdString(Format("%0.0f", {y})));
  EXPECT_EQ(form->MemoLines(),
            MemoOf(CoreDuty("Alpha.qfn", "T500", ValueOf(form->VolEdit()), ValueOf(form->PStaticEdit()))));

  // Outside the window (in the title margin) nothing moves, and the read-out clears.
  const QString flowBefore = form->VolEdit()->text();
  ClickChart(panel, QPoint(3, 3), Qt::ControlModifier);
  EXPECT_EQ(form->VolEdit()->text(), flowBefore);
  EXPECT_TRUE(form->StatusText(1).isEmpty());
  EXPECT_TRUE(form->StatusText(2).isEmpty());

  // A right button with Ctrl does not pick either.
  SendMouse(panel, QEvent::MouseMove, inside, Qt::NoButton, Qt::ControlModifier);
  form->VolEdit()->SetValue(1.0);
  SendMouse(panel, QEvent::MouseButtonPress, inside, Qt::RightButton, Qt::ControlModifier);
  SendMouse(panel, QEvent::MouseButtonRelease, inside, Qt::RightButton, Qt::ControlModifier);
  EXPECT_EQ(form->VolEdit()->text(), "1.000");
}

TEST_F(FanFormTest, ADutyNoModelMeetsShowsTheStatusTextOnly) {
  InstallSamples();
  auto form = OpenForm();
  form->VolEdit()->SetValue(1.0);
  form->PStaticEdit()->SetValue(20000.0);

  form->FindBtn()->click();

  FFan.LoadFromFile(PathOf("Alpha.qfn"));
  const TFindResult found = FindAcceptableModel(FFan, TDuty{1.0, 20000.0, TPressureKind::Static, {}});
  EXPECT_EQ(found.Index, found.SearchIndex);
  EXPECT_EQ(form->FanListBox()->currentRow(), found.Index);
  const TSelectionResult core = EvaluateDuty(FFan, 1.0, 20000.0, 1.0, 20000.0);
  ASSERT_NE(core.Status, 0);
  // The status text in place of the nine lines, then why the core rejects
  // it, then that no model of the file meets the duty.
  ASSERT_EQ(found.Notes.size(), 1U);
  EXPECT_EQ(found.Notes[0].rfind("No model of this file meets the duty: ", 0), 0U) << found.Notes[0];
  EXPECT_EQ(form->MemoLines(), MemoOf(core, found.Notes));
  EXPECT_EQ(form->MemoLines().value(0), QString::fromStdString(core.StatusText));
  // The chart still shows the model, and the fit.
  EXPECT_FALSE(form->CurvePanel()->Lines().empty());
  EXPECT_FALSE(form->StatusText(3).isEmpty());
}

TEST_F(FanFormTest, FindSelectsTheBestModelAndNamesItInTheStatusBar) {
  InstallSamples();
  auto form = OpenForm();
  ASSERT_EQ(form->StatusText(0), "[Orvane Test]  T500");
  form->FindBtn()->click();
  EXPECT_EQ(form->FanListBox()->currentRow(), 1);
  EXPECT_EQ(form->FanName(), "T400");
  EXPECT_EQ(form->StatusText(0), "[Orvane Test]  T400");
  EXPECT_EQ(form->CurvePanel()->Title(), "T400");
  EXPECT_EQ(form->MemoLines(), MemoOf(CoreDuty("Alpha.qfn", "T400", 1.0, 500.0)));
}

TEST_F(FanFormTest, SettingsAreSavedOnEveryCloseAndRestoredByANewWindow) {
  InstallSamples();
  struct Case {
    const char* name;
    int expectedResult;
    void (*close)(TFanForm&);
  };
  const Case cases[] = {
      {"Accept", 1, [](TFanForm& f) { f.AcceptBtn()->click(); }},
      {"Cancel", 2, [](TFanForm& f) { f.CancelBtn()->click(); }},
      {"window frame", 2, [](TFanForm& f) { f.close(); }},
  };
  double flow = 1.25;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      auto form = OpenForm();
      form->FileListBox()->setCurrentIndex(1);
      emit form->FileListBox()->activated(1);
      form->VolEdit()->SetValue(flow);
      form->PStaticEdit()->SetValue(320.0);
      form->VolEdit()->SetUnitsValue(2);
      form->PStaticEdit()->SetUnitsValue(0);
      form->SpeedEdit()->SetUnitsValue(2);
      c.close(*form);
      EXPECT_FALSE(form->isVisible());
      EXPECT_EQ(form->result(), c.expectedResult);
    }
    const auto settings = OpenSettings();
    settings->beginGroup("Settings");
    EXPECT_NEAR(settings->value("Volume").toDouble(), flow, 1e-9);
    EXPECT_NEAR(settings->value("PStatic").toDouble(), 320.0, 1e-9);
    EXPECT_EQ(settings->value("FanFileName").toString(), "Beta");
    EXPECT_EQ(settings->value("FanName").toString(), "B315");
    EXPECT_EQ(settings->value("VolUnits").toInt(), 2);
    EXPECT_EQ(settings->value("PStaticUnits").toInt(), 0);
    EXPECT_EQ(settings->value("SpeedUnits").toInt(), 2);
    settings->endGroup();
    EXPECT_TRUE(settings->contains("FanForm/Width"));

    auto again = OpenForm();
    EXPECT_NEAR(ValueOf(again->VolEdit()), flow, 1e-3 * flow);
    EXPECT_NEAR(ValueOf(again->PStaticEdit()), 320.0, 0.5);
    EXPECT_EQ(again->VolEdit()->UnitsValue(), 2);
    EXPECT_EQ(again->PStaticEdit()->UnitsValue(), 0);
    EXPECT_EQ(again->SpeedEdit()->UnitsValue(), 2);
    EXPECT_EQ(again->FileListBox()->currentText(), "Beta");
    EXPECT_EQ(again->FanListBox()->currentItem()->text(), "B315");
    again->CancelBtn()->click();
    OpenSettings()->clear();
    flow += 0.25;
  }
}

TEST_F(FanFormTest, ATypedDutyComesBackAsTypedAfterEveryRestart) {
  InstallSamples();
  QString flowText, pressureText;
  {
    auto form = OpenForm();
    form->VolEdit()->SetUnitsValue(4);      // cfm
    form->PStaticEdit()->SetUnitsValue(5);  // InchWg
    TypeInto(form->VolEdit(), QStringLiteral("4200"));
    TypeInto(form->PStaticEdit(), QStringLiteral("1.8"));
    flowText = form->VolEdit()->text();
    pressureText = form->PStaticEdit()->text();
    EXPECT_TRUE(flowText.startsWith(QStringLiteral("4200"))) << flowText.toStdString();
    EXPECT_TRUE(pressureText.startsWith(QStringLiteral("1.8"))) << pressureText.toStdString();
    form->AcceptBtn()->click();
  }
  // Closed every way, five times over: the same text each time.
  for (int cycle = 0; cycle < 6; ++cycle) {
    SCOPED_TRACE("restart " + std::to_string(cycle + 1));
    auto form = OpenForm();
    EXPECT_EQ(form->VolEdit()->text(), flowText);
    EXPECT_EQ(form->PStaticEdit()->text(), pressureText);
    EXPECT_EQ(form->VolEdit()->UnitsValue(), 4);
    EXPECT_EQ(form->PStaticEdit()->UnitsValue(), 5);
    EXPECT_NEAR(ValueOf(form->VolEdit()), 4200 / 2118.8800032893155, 1e-12);
    if (cycle % 3 == 0)
      form->AcceptBtn()->click();
    else if (cycle % 3 == 1)
      form->CancelBtn()->click();
    else
      form->close();
  }
}

TEST_F(FanFormTest, AStoredDutyTextThatNoLongerMeansTheStoredValueGivesWayToTheValue) {
  InstallSamples();
  struct Case {
    const char* name;
    const char* text;
    int units;
    const char* shown;
  };
  const Case cases[] = {
      {"the text of the value", "4200", 4, "4200"},
      {"another value's text (a store written without it)", "3000", 4, "4200.00"},
      {"the text in another unit", "4200", 0, "1.982"},
      {"no number", "abc", 4, "4200.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      const auto settings = OpenSettings();
      settings->setValue("Settings/Volume", 4200 / 2118.8800032893155);
      settings->setValue("Settings/VolumeText", c.text);
      settings->setValue("Settings/VolUnits", c.units);
    }
    auto form = OpenForm();
    EXPECT_EQ(form->VolEdit()->text(), QString::fromLatin1(c.shown));
    form->CancelBtn()->click();
  }
}

TEST_F(FanFormTest, SavedNamesThatNoLongerExistFallBackToTheFirstEntries) {
  InstallSamples();
  {
    const auto settings = OpenSettings();
    settings->setValue("Settings/FanFileName", "Gone");
    settings->setValue("Settings/FanName", "Nothing");
  }
  auto form = OpenForm();
  EXPECT_EQ(form->FileListBox()->currentText(), "Alpha");
  EXPECT_EQ(form->FanListBox()->currentRow(), 0);
  EXPECT_EQ(form->FanName(), "T500");
  EXPECT_GE(form->MemoLines().size(), 9);
}

TEST_F(FanFormTest, SetFanFileBeforeShowingSelectsThatFile) {
  InstallSamples();
  struct Case {
    const char* name;
    const char* argument;
  };
  const Case cases[] = {{"with extension", "Beta.qfn"}, {"base name", "Beta"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto form = std::make_unique<TFanForm>();
    form->SetFanFile(c.argument);
    EXPECT_EQ(form->FanFileName(), "Beta");
    EXPECT_EQ(form->Fan().Models(), std::vector<std::string>{"B315"});
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(form->FileListBox()->currentText(), "Beta");
    EXPECT_EQ(form->FanName(), "B315");
    form->CancelBtn()->click();
  }
}

TEST_F(FanFormTest, EveryShowingReadsTheInstalledFilesAgain) {
  Install("Alpha.qfn", kAlpha);
  auto form = OpenForm();
  EXPECT_EQ(form->FileListBox()->count(), 1);
  form->CancelBtn()->click();
  Install("Beta.qfn", kBeta);
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  EXPECT_EQ(form->FileListBox()->count(), 2);
  EXPECT_EQ(form->FileListBox()->currentText(), "Alpha");
}

TEST_F(FanFormTest, NoInstalledFileLeavesTheListsEmptyAndSaysHowToInstall) {
  auto form = OpenForm();
  EXPECT_EQ(form->FileListBox()->count(), 0);
  EXPECT_EQ(form->FanListBox()->count(), 0);
  EXPECT_EQ(form->MemoLines(),
            (QStringList{"No fan files installed...",
                         "Install a fan data file from the main window: Install > Install Fan."}));
  EXPECT_TRUE(form->CurvePanel()->Lines().empty());

  // Nothing to search or evaluate, and nothing breaks.
  form->FindBtn()->click();
  form->BrowseCheck()->click();
  form->BrowseCheck()->click();
  form->Evaluate();
  EXPECT_EQ(form->MemoLines().size(), 2);
  EXPECT_TRUE(form->CurvePanel()->Lines().empty());
  form->AcceptBtn()->click();
  EXPECT_EQ(form->result(), 1);
}

TEST_F(FanFormTest, AFileWithoutModelsShowsItsStatusAndNothingOfTheFileBefore) {
  InstallSamples();
  Install("Empty.qfn", kEmpty);
  auto form = OpenForm();
  ASSERT_GE(form->MemoLines().size(), 9);
  const int empty = form->FileListBox()->findText("Empty");
  ASSERT_GE(empty, 0);

  form->FileListBox()->setCurrentIndex(empty);
  emit form->FileListBox()->activated(empty);

  EXPECT_EQ(form->FanListBox()->count(), 0);
  EXPECT_EQ(form->MemoLines(), QStringList{"Fan model not found"});
  EXPECT_EQ(form->StatusText(0), "Invalid fan file...");
  EXPECT_TRUE(form->StatusText(3).isEmpty());
  EXPECT_TRUE(form->CurvePanel()->Lines().empty());
  EXPECT_TRUE(form->CurvePanel()->Points().empty());
  EXPECT_TRUE(form->CurvePanel()->Title().isEmpty());

  // Commands find nothing to work on.
  form->FindBtn()->click();
  form->Evaluate();
  EXPECT_EQ(form->MemoLines(), QStringList{"Fan model not found"});

  // Reopened, the empty file is selected again and said to be empty.
  form->CancelBtn()->click();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  EXPECT_EQ(form->FileListBox()->currentText(), "Empty");
  EXPECT_EQ(form->MemoLines(), QStringList{"Fan model not found"});
}

TEST_F(FanFormTest, AModelSectionThatCannotBeReadShowsItsStatusNotTheModelBefore) {
  // The second section has no keys: listed as a model, read as "not found".
  Install("Broken.qfn",
          "[Catalog]\nMaker=X\n\n[Good]\nModel=400,1400,700,1800,300,300,1.2\n"
          "Qa=0.4,0.8,1.2,1.6\nPs=800,760,620,400\nPw=0.6,0.85,1.1,1.28\nLw=82,83,84,86\n\n"
          "[Hollow]\n");
  auto form = OpenForm();
  ASSERT_EQ(form->FanListBox()->count(), 2);
  ASSERT_GE(form->MemoLines().size(), 9);

  form->FanListBox()->setCurrentRow(1);

  EXPECT_EQ(form->MemoLines(), QStringList{"Fan model not found"});
  EXPECT_TRUE(form->CurvePanel()->Lines().empty());
  EXPECT_EQ(form->FanName(), "Hollow");
}

TEST_F(FanFormTest, TextThatIsNoNumberIsReportedInsteadOfResults) {
  InstallSamples();
  auto form = OpenForm();
  form->VolEdit()->setText("abc");
  form->Evaluate();
  EXPECT_EQ(form->MemoLines(), QStringList{"'abc' is not a valid floating point value"});
  EXPECT_TRUE(form->CurvePanel()->Lines().empty());
  form->AcceptBtn()->click();
  // The value stored before stays.
  EXPECT_NEAR(OpenSettings()->value("Settings/PStatic").toDouble(), 500.0, 1e-9);
  EXPECT_FALSE(OpenSettings()->contains("Settings/Volume"));
}

TEST_F(FanFormTest, ReturnAndArrowsMoveTheFocusExceptInListsAndTheMemo) {
  InstallSamples();
  auto form = OpenForm();
  struct Case {
    const char* name;
    QWidget* from;
    int key;
    bool consumed;
    QWidget* to;  // focus afterwards
  };
  const Case cases[] = {
      {"Return in a field", form->VolEdit(), Qt::Key_Return, true, form->PStaticEdit()},
      {"Enter in a field", form->PStaticEdit(), Qt::Key_Enter, true, form->SpeedEdit()},
      {"Down in a field", form->VolEdit(), Qt::Key_Down, true, form->PStaticEdit()},
      {"Up in a field", form->PStaticEdit(), Qt::Key_Up, true, form->VolEdit()},
      {"Return on the check box", form->BrowseCheck(), Qt::Key_Return, true, form->CompareBtn()},
      {"Return in the file list", form->FileListBox(), Qt::Key_Return, true, form->FanListBox()},
      {"Down in the file list", form->FileListBox(), Qt::Key_Down, false, form->FileListBox()},
      {"Return in the model list", form->FanListBox(), Qt::Key_Return, false, form->FanListBox()},
      {"Up in the model list", form->FanListBox(), Qt::Key_Up, false, form->FanListBox()},
      {"Return in the memo", form->Memo(), Qt::Key_Return, false, form->Memo()},
      {"a letter", form->VolEdit(), Qt::Key_A, false, form->VolEdit()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.from->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(c.from->hasFocus());
    EXPECT_EQ(form->HandleNavigationKey(c.key, c.from), c.consumed);
    EXPECT_TRUE(c.to->hasFocus());
  }

  // Through the event filter: the form sees Return before the field does.
  form->VolEdit()->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(form->VolEdit(), Qt::Key_Return);
  EXPECT_TRUE(form->PStaticEdit()->hasFocus());
  QTest::keyClick(form->PStaticEdit(), Qt::Key_Up);
  EXPECT_TRUE(form->VolEdit()->hasFocus());
}

TEST_F(FanFormTest, EveryNamedControlCarriesItsNameForAssistiveTechnology) {
  InstallSamples();
  auto form = OpenForm();
  const char* const names[] = {"FileListBox", "FanListBox",    "VolEdit",       "PStaticEdit",
                               "SpeedEdit",   "FindBtn",       "cbBrowse",      "Memo",
                               "CurvePanel",  "StatusBar",     "ToolBar1",      "AcceptBtn",
                               "ToolButton2", "FmtEditLabel1", "FmtEditLabel2", "FmtEditLabel3"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    auto* control = form->findChild<QWidget*>(name);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->accessibleDescription(), name);
    EXPECT_FALSE(control->accessibleName().isEmpty());
  }
  EXPECT_EQ(form->objectName(), "FanForm");
  EXPECT_EQ(form->VolEdit()->accessibleName(), "Volume Flow");
  EXPECT_EQ(form->PStaticEdit()->accessibleName(), "Static Pressure");
  EXPECT_EQ(form->SpeedEdit()->accessibleName(), "Fan Speed");
  EXPECT_EQ(form->CurvePanel()->accessibleName(), "T500");
  EXPECT_EQ(form->FindBtn()->text(), "F&ind");
  EXPECT_EQ(form->AcceptBtn()->text(), "&Accept");
  EXPECT_EQ(form->CancelBtn()->text(), "&Cancel");
  EXPECT_EQ(form->Memo()->focusPolicy() & Qt::TabFocus, 0);
  EXPECT_EQ(form->windowTitle(), "Fan selector — Blowden");
}

// Right-click opens the chart's menu; its first entry copies the picture,
// and so does Ctrl+C in the chart.
TEST_F(FanFormTest, ChartMenuCopiesThePictureAndCtrlCToo) {
  InstallSamples();
  auto form = OpenForm();
  QApplication::clipboard()->clear();
  QStringList entries;
  form->ChartMenuHook = [&entries](QMenu& menu) {
    for (QAction* action : menu.actions()) entries << action->text();
    menu.actions().at(0)->trigger();
  };
  const QPoint inside = form->CurvePanel()->rect().center();
  QContextMenuEvent menu(QContextMenuEvent::Mouse, inside, form->CurvePanel()->mapToGlobal(inside));
  QApplication::sendEvent(form->CurvePanel(), &menu);
  EXPECT_TRUE(menu.isAccepted());
  EXPECT_EQ(entries, (QStringList{"&Copy chart", "Show &legend", "", "Com&pare all...",
                                  "Export &datasheet...", "Pri&nt..."}));
  EXPECT_EQ(QApplication::clipboard()->image().size(), form->CurvePanel()->Picture().size());

  QApplication::clipboard()->clear();
  form->CurvePanel()->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(form->CurvePanel()->hasFocus());
  QTest::keyClick(form->CurvePanel(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_FALSE(QApplication::clipboard()->image().isNull());
}

TEST_F(FanFormTest, LegendIsHiddenFromTheChartMenuAndRemembered) {
  InstallSamples();
  auto form = OpenForm();
  TChartPanel* panel = form->CurvePanel();
  ASSERT_FALSE(panel->LegendRect().isEmpty());
  QStringList legend;
  for (const TLegendEntry& entry : panel->Legend()) legend << entry.Text;
  EXPECT_EQ(legend,
            (QStringList{"Speed lines", "Reference curve", "Operating curve", "System curve", "Duty point"}));
  form->ChartMenuHook = [](QMenu& menu) { menu.actions().at(1)->trigger(); };
  form->CurvePanelContextPopup(QPoint(10, 10));
  EXPECT_FALSE(panel->ShowLegend());
  EXPECT_TRUE(panel->LegendRect().isEmpty());
  form->CancelBtn()->click();

  auto again = OpenForm();
  EXPECT_FALSE(again->CurvePanel()->ShowLegend());
  EXPECT_TRUE(again->CurvePanel()->LegendRect().isEmpty());
}

// The chart, its captions and the read-out follow the units of the fields.
TEST_F(FanFormTest, ChartAndReadOutInTheUnitsOfTheFields) {
  InstallSamples();
  auto form = OpenForm();
  TChartPanel* panel = form->CurvePanel();
  const double xMaxSi = panel->XMax();
  form->VolEdit()->SetUnitsValue(4);      // cfm
  form->PStaticEdit()->SetUnitsValue(5);  // InchWg
  emit form->VolEdit()->UnitsEdited(form->VolEdit());
  EXPECT_EQ(panel->ScaleXLabel(), "Airflow [cfm]");
  EXPECT_EQ(panel->ScaleYLabel(), "Static pressure [InchWg]");
  EXPECT_GE(panel->XMax(), xMaxSi * 2118.88);
  const TSelectorChartUnits units = form->ChartUnits();
  // The duty marker sits at 1 m³/s, 500 Pa in the new units (as the fields
  // show them, rounded).
  EXPECT_NEAR(panel->Points()[0]->X, 1.0 * units.Flow.Factor, 1e-5 * units.Flow.Factor);
  EXPECT_NEAR(panel->Points()[0]->Y, 500.0 * units.Pressure.Factor, 0.0001);

  const QPoint inside = panel->DataToPixel(panel->XMin() + 0.3 * (panel->XMax() - panel->XMin()),
                                           panel->YMin() + 0.4 * (panel->YMax() - panel->YMin()));
  ClickChart(panel, inside, Qt::NoModifier);
  const double x = panel->MouseX(), y = panel->MouseY();
  EXPECT_EQ(form->StatusText(1), QString::fromStdString(Format("Q=%0.3g cfm", {x})));
  EXPECT_EQ(form->StatusText(2), QString::fromStdString(Format("P=%0.4g InchWg", {y})));
  // Ctrl+click puts the point into the fields, shown in their units.
  ClickChart(panel, inside, Qt::ControlModifier);
  EXPECT_NEAR(ValueOf(form->VolEdit()), x / units.Flow.Factor, 0.5 / units.Flow.Factor);
}

TEST_F(FanFormTest, ANegativeDutyIsNotEvaluated) {
  InstallSamples();
  auto form = OpenForm();
  const struct {
    const char* field;
    double flow, pressure;
    const char* message;
  } cases[] = {
      {"flow", -1.0, 500.0, "the flow must be above 0 ('-1.000')"},
      {"flow of 0", 0.0, 500.0, "the flow must be above 0 ('0.000')"},
      {"pressure", 1.0, -20.0, "the pressure must not be negative ('-20')"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    form->VolEdit()->SetValue(c.flow);
    form->PStaticEdit()->SetValue(c.pressure);
    form->Evaluate();
    EXPECT_EQ(form->MemoLines(), QStringList{c.message});
    EXPECT_TRUE(form->CurvePanel()->Lines().empty());
    form->FindBtn()->click();
    EXPECT_EQ(form->MemoLines(), QStringList{c.message});
  }
}

TEST_F(FanFormTest, ACommaIsTheDecimalPointOrSaysWhyNot) {
  InstallSamples();
  auto form = OpenForm();
  TypeInto(form->VolEdit(), "1,5");
  EXPECT_EQ(form->VolEdit()->text(), "1.500");
  EXPECT_DOUBLE_EQ(ValueOf(form->VolEdit()), 1.5);
  auto* status = form->findChild<QStatusBar*>("StatusBar");
  ASSERT_NE(status, nullptr);
  EXPECT_TRUE(status->currentMessage().isEmpty());
  form->VolEdit()->setFocus(Qt::TabFocusReason);
  form->VolEdit()->end(false);
  QTest::keyClicks(form->VolEdit(), ",");
  EXPECT_EQ(form->VolEdit()->text(), "1.500");
  EXPECT_TRUE(status->currentMessage().contains("decimal point")) << status->currentMessage().toStdString();
}

TEST_F(FanFormTest, StatusPanelsAndUnitLabelsSayWhatTheyShow) {
  InstallSamples();
  auto form = OpenForm();
  auto* panel0 = form->findChild<QLabel*>("StatusPanel0");
  auto* panel3 = form->findChild<QLabel*>("StatusPanel3");
  ASSERT_TRUE(panel0 && panel3);
  EXPECT_EQ(panel0->accessibleName(), QStringLiteral("Fan model: ") + form->StatusText(0));
  EXPECT_TRUE(panel3->accessibleName().startsWith(QString::fromUtf8("Fit of the pressure curve: R²=")));
  auto* flowPanel = form->findChild<QLabel*>("StatusPanel1");
  EXPECT_EQ(flowPanel->accessibleName(), "Flow under the mouse");
  EXPECT_EQ(form->VolEdit()->UnitsLabel()->accessibleName(), QString::fromUtf8("Volume Flow unit: m³/s"));
  form->PStaticEdit()->SetUnitsValue(0);
  EXPECT_EQ(form->PStaticEdit()->UnitsLabel()->accessibleName(), "Static Pressure unit: kPa");
  // The Air group's choices are named by their captions; the pressure's
  // unit follows the pressure kind.
  EXPECT_EQ(form->AirSourceBox()->accessibleName(), "Air source");
  EXPECT_EQ(form->PressureKindBox()->accessibleName(), "Pressure kind");
  form->PressureKindBox()->setCurrentIndex(1);
  EXPECT_EQ(form->PStaticEdit()->UnitsLabel()->accessibleName(), "Total Pressure unit: kPa");
  form->PressureKindBox()->setCurrentIndex(0);
  EXPECT_EQ(form->PStaticEdit()->UnitsLabel()->accessibleName(), "Static Pressure unit: kPa");
  form->FanListBox()->setCurrentRow(1);
  EXPECT_EQ(panel0->accessibleName(), QStringLiteral("Fan model: ") + form->StatusText(0));
}

TEST_F(FanFormTest, TheNoFilesHintWrapsInsideTheResults) {
  auto form = OpenForm();
  form->resize(860, 580);
  QApplication::processEvents();
  EXPECT_EQ(form->Memo()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_FALSE(form->Memo()->horizontalScrollBar()->isVisible());
  EXPECT_EQ(form->Memo()->horizontalScrollBar()->maximum(), 0);
  // Result lines keep their columns.
  InstallSamples();
  form->hide();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  // Warnings wrap at word ends; each of the nine lines still takes one line.
  EXPECT_EQ(form->Memo()->wordWrapMode(), QTextOption::WordWrap);
  // At this height the left column scrolls: the results are brought into
  // view as a user scrolls to them (a text box lays out only what it shows).
  auto* column = form->findChild<QScrollArea*>();
  ASSERT_NE(column, nullptr);
  column->ensureWidgetVisible(form->Memo());
  QApplication::processEvents();
  for (int i = 0; i < 9; ++i) {
    const QTextBlock block = form->Memo()->document()->findBlockByNumber(i);
    ASSERT_TRUE(block.isValid());
    EXPECT_EQ(block.layout()->lineCount(), 1) << block.text().toStdString();
  }
}

// --- warnings, site air, result units, compare all ---------------------------

// The sample axial range at 5 m³/s and 1000 Pa: its largest model at its top
// listed speed falls short of the duty, and the memo says so in a warning
// colour after the result lines.
TEST_F(FanFormTest, WarningsFollowTheResultLinesInAWarningColour) {
  std::ifstream in(test::SamplesDir() / "orvane-ax-axial.qfn", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(text.empty());
  FDatabase->Write("Axial.qfn", text);
  auto form = OpenForm();
  TypeInto(form->VolEdit(), "5");
  TypeInto(form->PStaticEdit(), "1000");
  form->FindBtn()->click();

  FFan.LoadFromFile(PathOf("Axial.qfn"));
  const TDuty duty{5, 1000, TPressureKind::Static, {}};
  const TFindResult found = FindAcceptableModel(FFan, duty);
  ASSERT_GE(found.Index, 0);
  const TSelectionResult core = EvaluateDuty(FFan, duty, 5, 1000, {}, TResultUnits{});
  ASSERT_FALSE(core.DutyMet);
  ASSERT_FALSE(core.Reasons.empty());
  EXPECT_EQ(form->FanName().toStdString(), FFan.Model().Name);
  const QStringList memo = form->MemoLines();
  EXPECT_EQ(memo, MemoOf(core, found.Notes));
  // Every reason and warning line, and only those, is drawn in the warning colour.
  const QTextDocument* doc = form->Memo()->document();
  ASSERT_EQ(doc->blockCount(), memo.size());
  for (int i = 0; i < memo.size(); ++i) {
    SCOPED_TRACE(memo[i].toStdString());
    const QTextBlock block = doc->findBlockByNumber(i);
    const QColor colour = block.begin().fragment().charFormat().foreground().color();
    const bool warned = colour == ErrorTextColour();
    EXPECT_EQ(warned, memo[i].startsWith("Warning: ") || memo[i].startsWith("Rejected: "));
  }
}

// The Air group: each choice gives its density beside it and results at that
// air, exactly as the core evaluates the duty there.
TEST_F(FanFormTest, TheAirChoiceSetsTheDensityAndTheResults) {
  InstallSamples();
  auto form = OpenForm();
  const std::string model = form->FanName().toStdString();
  struct Case {
    const char* name;
    int source;
    double density, altitude, temperature;
    int kind;         // 0 static, 1 total
    double expected;  // kg/m³
  };
  const Case cases[] = {
      {"catalogue air", 0, 0.9, 1800, 90, 0, 1.2},
      {"a density", 1, 0.9, 0, 20, 0, 0.9},
      {"altitude and temperature", 2, 1.2, 1800, 90, 0, DryAirDensity(1800, 90)},
      {"sea level, hot, total duty", 2, 1.2, 0, 90, 1, DryAirDensity(0, 90)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->DensityEdit()->SetValue(c.density);
    form->AltitudeEdit()->SetValue(c.altitude);
    form->TemperatureEdit()->SetValue(c.temperature);
    form->PressureKindBox()->setCurrentIndex(c.kind);
    form->AirSourceBox()->setCurrentIndex(c.source);
    form->Evaluate();
    const TSelectionResult& r = form->LastResult();
    EXPECT_NEAR(r.Density, c.expected, 1e-12);
    EXPECT_EQ(r.PressureKind, c.kind ? TPressureKind::Total : TPressureKind::Static);
    EXPECT_TRUE(form->AirDensityLabel()->text().startsWith(
        QStringLiteral("Density %1 kg/m³").arg(c.expected, 0, 'g', 5)))
        << form->AirDensityLabel()->text().toStdString();
    FFan.LoadFromFile(PathOf("Alpha.qfn"));
    FFan.SelectModel(model);
    const TDuty duty{1.0, 500.0, r.PressureKind, form->SiteAir()};
    EXPECT_EQ(form->MemoLines(), MemoOf(EvaluateDuty(FFan, duty, 1.0, 500.0, {}, TResultUnits{})));
  }
  // The pressure field says which pressure it holds.
  EXPECT_EQ(form->PStaticEdit()->accessibleName(), "Total Pressure");

  // Air that cannot be computed says why instead of results.
  form->AirSourceBox()->setCurrentIndex(1);
  form->DensityEdit()->SetValue(0.0);
  form->Evaluate();
  const auto error = SiteAirError(TSiteAir{TSiteAir::saDensity, 0});
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(form->MemoLines(), QStringList{QString::fromStdString(*error)});
}

// The result lines follow the units of the fields and the power unit chooser;
// the choices and the air are remembered.
TEST_F(FanFormTest, ResultUnitsAndTheAirAreRemembered) {
  InstallSamples();
  auto form = OpenForm();
  struct Case {
    const char* name;
    TResultUnits units;
  };
  const Case cases[] = {{"IP", TResultUnits::IP()}, {"m³/h, kPa, W", {2, 0, 1}}, {"SI", {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->VolEdit()->SetUnitsValue(c.units.Flow);
    form->PStaticEdit()->SetUnitsValue(c.units.Pressure);
    form->PowerUnitsBox()->setCurrentIndex(c.units.Power);
    EXPECT_EQ(form->ResultUnits(), c.units);
    form->Evaluate();
    FFan.LoadFromFile(PathOf("Alpha.qfn"));
    FFan.SelectModel(form->FanName().toStdString());
    const double q = ValueOf(form->VolEdit()), p = ValueOf(form->PStaticEdit());
    EXPECT_EQ(form->MemoLines(),
              MemoOf(EvaluateDuty(FFan, TDuty{q, p, TPressureKind::Static, {}}, q, p, {}, c.units)));
  }
  form->PowerUnitsBox()->setCurrentIndex(2);
  form->AirSourceBox()->setCurrentIndex(2);
  form->PressureKindBox()->setCurrentIndex(1);
  form->AltitudeEdit()->SetValue(1500.0);
  form->TemperatureEdit()->SetValue(35.0);
  form->TemperatureEdit()->SetUnitsValue(1);
  form->CancelBtn()->click();

  auto again = OpenForm();
  EXPECT_EQ(again->PowerUnitsBox()->currentIndex(), 2);
  EXPECT_EQ(again->AirSourceBox()->currentIndex(), 2);
  EXPECT_EQ(again->PressureKind(), TPressureKind::Total);
  EXPECT_NEAR(ValueOf(again->AltitudeEdit()), 1500.0, 1e-9);
  EXPECT_NEAR(ValueOf(again->TemperatureEdit()), 35.0, 1e-9);
  EXPECT_EQ(again->TemperatureEdit()->UnitsValue(), 1);
  EXPECT_FALSE(again->DensityEdit()->isEnabled());
  EXPECT_TRUE(again->AltitudeEdit()->isEnabled());
  EXPECT_NEAR(again->LastResult().Density, DryAirDensity(1500, 35), 1e-12);
}

TEST_F(FanFormTest, TheSoundListenerMovesLpAndIsRemembered) {
  InstallSamples();
  auto form = OpenForm();
  form->Evaluate();
  ASSERT_EQ(form->LastResult().Status, 0);
  const double lp = form->LastResult().Sound.Lp;
  EXPECT_EQ(form->LastResult().Sound.Listener.Distance, kDefaultDistance);
  // Twice the distance: 6 dB less; twice the directivity: 3 dB more. Each box evaluates again.
  form->ListenerBoxes().Distance->setValue(3);
  EXPECT_NEAR(form->LastResult().Sound.Lp, lp - 20 * std::log10(2.0), 1e-9);
  form->ListenerBoxes().Directivity->setValue(4);
  EXPECT_NEAR(form->LastResult().Sound.Lp, lp - 20 * std::log10(2.0) + 10 * std::log10(2.0), 1e-9);
  EXPECT_TRUE(
      form->MemoLines().contains(QString::fromStdString(SoundLines(form->LastResult().Sound).back())));
  form->CancelBtn()->click();

  auto again = OpenForm();
  EXPECT_EQ(again->ListenerBoxes().Distance->value(), 3);
  EXPECT_EQ(again->ListenerBoxes().Directivity->value(), 4);
}

// Compare all: the ranking of every installed file in a sortable table,
// rejected models greyed below; Copy and Enter.
TEST_F(FanFormTest, CompareAllRanksEveryFileSortsCopiesAndSelects) {
  InstallSamples();
  auto form = OpenForm();
  TypeInto(form->VolEdit(), "0.9");
  TypeInto(form->PStaticEdit(), "400");
  const TRanking ranking = RankDuty({PathOf("Alpha.qfn"), PathOf("Beta.qfn")},
                                    TDuty{0.9, 400, TPressureKind::Static, {}}, TRankKey::Power);
  ASSERT_GE(ranking.Candidates.size(), 2u);
  bool shown = false;
  form->CandidatesViewHook = [&](TCandidatesView& view) {
    shown = true;
    const int candidates = static_cast<int>(ranking.Candidates.size());
    const int all = candidates + static_cast<int>(ranking.Rejected.size());
    QAbstractItemModel* proxy = view.Table()->model();
    ASSERT_EQ(proxy->rowCount(), all);
    EXPECT_TRUE(view.Caption()->text().contains("static pressure")) << view.Caption()->text().toStdString();
    // The ranking's order first, with the core's figures.
    for (int row = 0; row < candidates; ++row) {
      EXPECT_EQ(proxy->index(row, TCandidatesModel::cModel).data().toString().toStdString(),
                ranking.Candidates[row].Model);
      EXPECT_EQ(proxy->index(row, TCandidatesModel::cShaftPower).data(TCandidatesModel::SortRole).toDouble(),
                ranking.Candidates[row].ShaftPower);
    }
    // Sorting either way keeps the rejected models below the candidates.
    struct Sort {
      int column;
      Qt::SortOrder order;
    };
    for (const Sort& s : {Sort{TCandidatesModel::cShaftPower, Qt::DescendingOrder},
                          Sort{TCandidatesModel::cSpeed, Qt::AscendingOrder},
                          Sort{TCandidatesModel::cModel, Qt::DescendingOrder}}) {
      SCOPED_TRACE(s.column);
      view.Table()->sortByColumn(s.column, s.order);
      for (int row = 0; row + 1 < all; ++row) {
        const bool rejected = proxy->index(row, 0).data(TCandidatesModel::RejectedRole).toBool();
        const bool nextRejected = proxy->index(row + 1, 0).data(TCandidatesModel::RejectedRole).toBool();
        EXPECT_FALSE(rejected && !nextRejected) << row;
        if (!rejected && !nextRejected) {
          const QVariant a = proxy->index(row, s.column).data(TCandidatesModel::SortRole);
          const QVariant b = proxy->index(row + 1, s.column).data(TCandidatesModel::SortRole);
          const auto order = QVariant::compare(a, b);
          EXPECT_TRUE(s.order == Qt::AscendingOrder ? order != QPartialOrdering::Greater
                                                    : order != QPartialOrdering::Less)
              << row;
        }
      }
    }
    // Copy: a header line and one line per row, tab-separated, as shown.
    view.CopyBtn()->click();
    const QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), all + 1);
    EXPECT_TRUE(lines[0].startsWith("File\tMaker\tRange\tModel\tSpeed rpm"));
    EXPECT_TRUE(lines[0].contains("Shaft power kW"));
    EXPECT_EQ(lines[1].split('\t').size(), static_cast<int>(TCandidatesModel::ColumnCount));
    EXPECT_EQ(lines[1].split('\t')[3], proxy->index(0, TCandidatesModel::cModel).data().toString());
    // "Show rejected" off leaves the candidates.
    view.ShowRejectedCheck()->setChecked(false);
    EXPECT_EQ(proxy->rowCount(), candidates);
    // Enter on the last candidate (in the shown order) selects it in the selector.
    view.Table()->setCurrentIndex(proxy->index(candidates - 1, 0));
    const QString model = proxy->index(candidates - 1, TCandidatesModel::cModel).data().toString();
    const QString path = proxy->index(candidates - 1, 0).data(TCandidatesModel::PathRole).toString();
    QTest::keyClick(view.Table(), Qt::Key_Return);
    EXPECT_EQ(form->FanName(), model);
    EXPECT_EQ(form->FileListBox()->currentText(), QFileInfo(path).completeBaseName());
    EXPECT_EQ(form->FanListBox()->currentItem()->text(), model);
    EXPECT_EQ(form->MemoLines(),
              MemoOf(CoreDuty(QFileInfo(path).fileName().toStdString(), model.toStdString(), 0.9, 400)));
  };
  form->CompareBtn()->click();
  EXPECT_TRUE(shown);
}

// A catalogue of `models` models "M0".."M<n-1>"; those in `bad` have an
// outlet of no area, so that each read of one raises "Bad area specification...".
std::string AreaCatalogue(int models, const std::vector<int>& bad) {
  std::string text = "[Catalog]\nMaker=Area Test\nRange=AR\n";
  for (int i = 0; i < models; ++i) {
    const bool noArea = std::find(bad.begin(), bad.end(), i) != bad.end();
    text += "\n[M" + std::to_string(i) + "]\nModel=400,1400,700,1800," + (noArea ? "0,0" : "300,300") +
            ",1.2\nQa=0.4,0.6,0.8,1.0,1.2,1.4,1.6,1.8\nPs=820,800,760,700,620,520,400,260\n"
            "Pw=0.60,0.72,0.85,0.98,1.10,1.20,1.28,1.33\nLw=82,82.5,83,83.6,84.2,85,86,87\n";
  }
  return text;
}

TEST_F(FanFormTest, TheSearchShowsTheReadersBoxesOnceWithTheOthersInItsDetails) {
  const QString area = QStringLiteral("Bad area specification...");
  std::vector<int> allBad(30);
  for (int i = 0; i < 30; ++i) allBad[std::size_t(i)] = i;
  struct Case {
    const char* name;
    int models;
    std::vector<int> bad;
    bool chooseFile;  // the user chooses the file (else: Find)
    QString box;      // the one box shown, after the title
    int detailLines;  // -1: a box without details
  };
  const QString more = QStringLiteral("\n\nand 29 more like it \u2014 see the details");
  const Case cases[] = {
      {"30 bad models, Find", 30, allBad, false, area + "\nIn model M0" + more, 29},
      {"30 bad models, the file chosen", 30, allBad, true, area + "\nIn model M0" + more, 29},
      {"one bad model of four", 4, {2}, false, area + "\nIn model M2", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Install("Area.qfn", AreaCatalogue(c.models, c.bad).c_str());
    auto form = OpenForm();
    TMessageBox::TakeRecorded();  // the first model's read on opening
    TMessageBox::TakeRecordedDetails();
    if (c.chooseFile)
      emit form->FileListBox()->activated(0);
    else
      form->FindBtn()->click();
    const QStringList boxes = TMessageBox::TakeRecorded();
    const QStringList details = TMessageBox::TakeRecordedDetails();
    ASSERT_EQ(boxes.size(), 1) << boxes.join(" | ").toStdString();
    EXPECT_EQ(boxes[0], QApplication::applicationDisplayName() + ": " + c.box);
    if (c.detailLines < 0) {
      EXPECT_TRUE(details.isEmpty());
      continue;
    }
    ASSERT_EQ(details.size(), 1);
    const QStringList lines = details[0].split('\n');
    ASSERT_EQ(lines.size(), c.detailLines);
    // Each other model once, in the order read.
    for (int i = 0; i < c.detailLines; ++i)
      EXPECT_EQ(lines[i], area + QString::fromUtf8(" \u2014 In model M") + QString::number(i + 1));
  }
}

TEST_F(FanFormTest, AModelReadOutsideASearchShowsItsBoxAtOnce) {
  Install("Area.qfn", AreaCatalogue(3, {0, 1}).c_str());
  auto form = OpenForm();
  // Opening reads the first model: its box, as it is, without a model name.
  EXPECT_EQ(TMessageBox::TakeRecorded(),
            QStringList{QApplication::applicationDisplayName() + ": Bad area specification..."});
  // A search in between leaves nothing held for later reads.
  form->FindBtn()->click();
  EXPECT_EQ(TMessageBox::TakeRecorded().size(), 1);
  form->FanListBox()->setCurrentRow(1);
  EXPECT_EQ(TMessageBox::TakeRecorded(),
            QStringList{QApplication::applicationDisplayName() + ": Bad area specification..."});
}

}  // namespace
}  // namespace blowden
