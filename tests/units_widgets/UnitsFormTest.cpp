#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <memory>

#include "units/widgets/QmFmtEdit.h"
#include "units/widgets/QmUnitsForm.h"

namespace blowden {
namespace {

// The chooser on the screen, if one is open.
TUnitsForm* OpenChooser() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* form = qobject_cast<TUnitsForm*>(widget); form && form->isVisible()) return form;
  return nullptr;
}

class UnitsFormTest : public testing::Test {
 protected:
  void SetUp() override {
    QmCustomEdit::BeepCount = 0;
    QmCustomEdit::BeepHook = [] {};
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    pressure = new TFmtEdit(window.get());
    speed = new TFmtEdit(window.get());
    label = new TFmtEditLabel(window.get());
    label->setObjectName("FmtEditLabel2");
    speedLabel = new TFmtEditLabel(window.get());
    layout->addWidget(pressure);
    layout->addWidget(label);
    layout->addWidget(speed);
    layout->addWidget(speedLabel);

    pressure->SetFormatStr("%0.0f");
    pressure->SetUnitsType(utAirPressDrop);
    pressure->SetUnitsBase(1);
    pressure->SetUnitsLabel(label);
    pressure->SetUnitsValue(1);
    pressure->SetValue(500.0);

    speed->SetFormatStr("%0.0f");
    speed->SetUnitsType(utAngularSpeed);
    speed->SetUnitsLabel(speedLabel);
    speed->SetValue(1450.0);

    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  void TearDown() override {
    window.reset();
    QmCustomEdit::BeepHook = nullptr;
  }

  // Runs `act` on the chooser once it is open; closes it if `act` did not,
  // so that a failing test cannot hang in the chooser's event loop.
  static void WhenOpen(std::function<void(TUnitsForm*)> act, bool* opened) {
    QTimer::singleShot(0, [act, opened] {
      TUnitsForm* form = OpenChooser();
      *opened = form != nullptr;
      if (!form) return;
      act(form);
      if (form->isVisible()) form->close();
    });
  }

  std::unique_ptr<QWidget> window;
  TFmtEdit* pressure = nullptr;
  TFmtEdit* speed = nullptr;
  TFmtEditLabel* label = nullptr;
  TFmtEditLabel* speedLabel = nullptr;
};

QStringList Items(const QListWidget* list) {
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

TEST_F(UnitsFormTest, DesignOfTheForm) {
  TUnitsForm form(pressure);
  EXPECT_EQ(form.objectName(), "UnitsForm");
  EXPECT_EQ(form.accessibleDescription(), "UnitsForm");
  EXPECT_EQ(form.windowTitle(), "Units");
  // A tool window, not a pop-up: Qt keeps pop-ups out of the accessibility tree.
  EXPECT_EQ(form.windowType(), Qt::Tool);
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.size(), QSize(135, 147));
  EXPECT_EQ(form.font().families().value(0), "MS Sans Serif");
  EXPECT_EQ(form.font().pointSize(), 8);
  EXPECT_EQ(form.ListBox1->objectName(), "ListBox1");
  EXPECT_EQ(form.ListBox1->accessibleDescription(), "ListBox1");
  EXPECT_EQ(form.ListBox1->accessibleName(), "Units");
}

TEST_F(UnitsFormTest, PressureListWithTheShownUnitSelected) {
  TUnitsForm form(pressure);
  form.FillList();
  EXPECT_EQ(Items(form.ListBox1),
            QStringList({"kPa", "Pa", "Psi", "Bar", "Atm", "InchWg", "InchHg", "mHead"}));
  EXPECT_EQ(form.SelectedIndex(), 1);
  EXPECT_EQ(form.height(), 110);  // 13 * 8.5 = 110.5, half to even
  const QFontMetrics metrics(form.ListBox1->font());
  int widest = 0;
  for (const QString& item : Items(form.ListBox1)) widest = std::max(widest, metrics.horizontalAdvance(item));
  EXPECT_EQ(form.width(), std::max(widest, 50) + 10);
  EXPECT_EQ(form.ListBox1->geometry(), form.rect());
}

TEST_F(UnitsFormTest, SpeedListSize) {
  TUnitsForm form(speed);
  form.FillList();
  EXPECT_EQ(Items(form.ListBox1), QStringList({"rpm", "Rad/s", "Rev/s"}));
  EXPECT_EQ(form.SelectedIndex(), 0);
  EXPECT_EQ(form.height(), 46);  // 13 * 3.5 = 45.5, half to even
  form.show();
  QApplication::processEvents();
  EXPECT_EQ(form.ListBox1->visualItemRect(form.ListBox1->item(1)).top(), 13);
  EXPECT_EQ(form.ListBox1->visualItemRect(form.ListBox1->item(1)).height(), 13);
  form.close();
}

TEST_F(UnitsFormTest, NoneGivesAnEmptyListOfTheDesignHeight) {
  TFmtEdit plain;
  TUnitsForm form(&plain);
  form.FillList();
  EXPECT_EQ(form.ListBox1->count(), 0);
  EXPECT_EQ(form.SelectedIndex(), -1);
  EXPECT_EQ(form.width(), 60);
  EXPECT_EQ(form.height(), 147);
}

TEST_F(UnitsFormTest, EscAfterMovingAppliesTheMovedToUnit) {
  QSignalSpy edited(pressure, &QmCustomEdit::UnitsEdited);
  QSignalSpy clicks(label, &TFmtEditLabel::Click);
  bool opened = false;
  WhenOpen(
      [](TUnitsForm* form) {
        QTest::keyClick(form->ListBox1, Qt::Key_Down);
        QTest::keyClick(form->ListBox1, Qt::Key_Escape);
      },
      &opened);
  label->LabelClick();
  EXPECT_TRUE(opened);
  EXPECT_EQ(pressure->UnitsValue(), 2);
  EXPECT_EQ(label->text(), "Psi");
  EXPECT_EQ(pressure->text(), "0.0725");
  ASSERT_EQ(edited.count(), 1);
  EXPECT_EQ(edited.at(0).at(0).value<QObject*>(), pressure);
  EXPECT_EQ(clicks.count(), 1);
}

// A screen reader finds the open chooser among the program's windows, reads
// its list and picks a unit through the list's selection.
TEST_F(UnitsFormTest, ChooserIsAListInTheAccessibilityTree) {
  bool opened = false, inTree = false;
  QAccessible::Role role = QAccessible::NoRole;
  QString listName;
  QStringList rows;
  WhenOpen(
      [&](TUnitsForm* form) {
        QAccessibleInterface* app = QAccessible::queryAccessibleInterface(qApp);
        for (int i = 0; app && i < app->childCount(); ++i)
          if (app->child(i) && app->child(i)->object() == form) inTree = true;
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(form->ListBox1);
        if (!list) return;
        role = list->role();
        listName = list->text(QAccessible::Name);
        for (int i = 0; i < list->childCount(); ++i) rows << list->child(i)->text(QAccessible::Name);
        if (list->tableInterface()) list->tableInterface()->selectRow(5);
        QTest::keyClick(form->ListBox1, Qt::Key_Return);
      },
      &opened);
  label->LabelClick();
  ASSERT_TRUE(opened);
  EXPECT_TRUE(inTree);
  EXPECT_EQ(role, QAccessible::List);
  EXPECT_EQ(listName, "Units");
  EXPECT_EQ(rows, QStringList({"kPa", "Pa", "Psi", "Bar", "Atm", "InchWg", "InchHg", "mHead"}));
  EXPECT_EQ(pressure->UnitsValue(), 5);
  EXPECT_EQ(label->text(), "InchWg");
}

// As a pop-up did: a press anywhere else in the program closes the chooser,
// and the unit selected then is applied.
TEST_F(UnitsFormTest, PressElsewhereClosesTheChooser) {
  bool opened = false;
  WhenOpen(
      [this](TUnitsForm* form) {
        QTest::keyClick(form->ListBox1, Qt::Key_Down);
        QTest::mousePress(speed, Qt::LeftButton, {}, QPoint(2, 2));
      },
      &opened);
  label->LabelClick();
  EXPECT_TRUE(opened);
  EXPECT_EQ(OpenChooser(), nullptr);
  EXPECT_EQ(pressure->UnitsValue(), 2);
}

TEST_F(UnitsFormTest, EscWithoutMovingKeepsTheUnit) {
  bool opened = false;
  WhenOpen([](TUnitsForm* form) { QTest::keyClick(form->ListBox1, Qt::Key_Escape); }, &opened);
  label->LabelClick();
  EXPECT_TRUE(opened);
  EXPECT_EQ(pressure->UnitsValue(), 1);
  EXPECT_EQ(pressure->text(), "500");
}

TEST_F(UnitsFormTest, EnterAppliesToEveryBoundField) {
  auto* second = new TFmtEdit(window.get());
  second->SetFormatStr("%0.0f");
  second->SetUnitsType(utAirPressDrop);
  second->SetUnitsBase(1);
  second->SetUnitsLabel(label);
  second->SetValue(250.0);
  QSignalSpy editedSecond(second, &QmCustomEdit::UnitsEdited);
  bool opened = false;
  WhenOpen(
      [](TUnitsForm* form) {
        QTest::keyClick(form->ListBox1, Qt::Key_Up);
        QTest::keyClick(form->ListBox1, Qt::Key_Return);
      },
      &opened);
  label->LabelClick();
  EXPECT_TRUE(opened);
  EXPECT_EQ(pressure->text(), "0.500");
  EXPECT_EQ(second->UnitsValue(), 0);
  EXPECT_EQ(second->text(), "0.250");
  EXPECT_EQ(editedSecond.count(), 1);
}

TEST_F(UnitsFormTest, LeftPressPicksTheItemUnderThePointer) {
  bool opened = false;
  WhenOpen(
      [](TUnitsForm* form) {
        const QRect item = form->ListBox1->visualItemRect(form->ListBox1->item(5));
        QTest::mousePress(form->ListBox1->viewport(), Qt::LeftButton, {}, item.center());
      },
      &opened);
  label->LabelClick();
  EXPECT_TRUE(opened);
  EXPECT_EQ(pressure->UnitsValue(), 5);
  EXPECT_EQ(pressure->text(), "2.0073");
}

TEST_F(UnitsFormTest, OtherPressesCloseWithoutChoosing) {
  bool opened = false;
  WhenOpen(
      [](TUnitsForm* form) {
        const QRect item = form->ListBox1->visualItemRect(form->ListBox1->item(5));
        QTest::mousePress(form->ListBox1->viewport(), Qt::RightButton, {}, item.center());
      },
      &opened);
  label->LabelClick();
  EXPECT_TRUE(opened);
  EXPECT_EQ(pressure->UnitsValue(), 1);

  // A left press below the last item keeps the selection.
  WhenOpen(
      [](TUnitsForm* form) {
        QTest::mousePress(form->ListBox1->viewport(), Qt::LeftButton, {}, QPoint(5, form->height() - 2));
      },
      &opened);
  label->LabelClick();
  EXPECT_TRUE(opened);
  EXPECT_EQ(pressure->UnitsValue(), 1);
}

TEST_F(UnitsFormTest, OpensBesideTheMouseByClick) {
  QPoint where;
  bool opened = false;
  WhenOpen(
      [&where](TUnitsForm* form) {
        where = form->pos();
        QTest::keyClick(form->ListBox1, Qt::Key_Return);
      },
      &opened);
  QCursor::setPos(QPoint(40, 30));
  QTest::mouseClick(label, Qt::LeftButton);
  EXPECT_TRUE(opened);
  EXPECT_EQ(where, QCursor::pos() + QPoint(5, 5));
}

TEST_F(UnitsFormTest, KeyboardOpensTheChooserFromTheField) {
  pressure->SetRangeHi(1000);
  pressure->setFocus();
  QApplication::processEvents();
  QSignalSpy exits(pressure, &QmCustomEdit::Exit);
  QSignalSpy clicks(label, &TFmtEditLabel::Click);
  QTest::keyClicks(pressure, "0");  // 5000 Pa, beyond the range, not yet validated
  bool opened = false;
  WhenOpen(
      [](TUnitsForm* form) {
        QTest::keyClick(form->ListBox1, Qt::Key_Down);
        QTest::keyClick(form->ListBox1, Qt::Key_Return);
      },
      &opened);
  QTest::keyClick(pressure, Qt::Key_F4);
  EXPECT_TRUE(opened);
  EXPECT_EQ(pressure->UnitsValue(), 2);
  EXPECT_EQ(pressure->text(), "0.7252");  // the typed 5000 Pa in Psi
  EXPECT_EQ(clicks.count(), 1);
  // The pop-up taking the keyboard is not leaving the field.
  EXPECT_EQ(QmCustomEdit::BeepCount, 0);
  EXPECT_EQ(exits.count(), 0);

  WhenOpen(
      [](TUnitsForm* form) {
        QTest::keyClick(form->ListBox1, Qt::Key_Up);
        QTest::keyClick(form->ListBox1, Qt::Key_Return);
      },
      &opened);
  QTest::keyClick(pressure, Qt::Key_Down, Qt::AltModifier);
  EXPECT_TRUE(opened);
  EXPECT_EQ(pressure->UnitsValue(), 1);
  EXPECT_EQ(pressure->text(), "5000");
  // The offscreen platform leaves no window active after a pop-up; a real
  // one never moves activation to it.
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  EXPECT_TRUE(pressure->hasFocus());
  EXPECT_EQ(exits.count(), 0);

  // Still unvalidated: leaving the field clamps it.
  EXPECT_TRUE(pressure->isModified());
  QTest::keyClick(pressure, Qt::Key_Return);
  EXPECT_EQ(pressure->text(), "1000");
  EXPECT_EQ(QmCustomEdit::BeepCount, 1);
}

}  // namespace
}  // namespace blowden
