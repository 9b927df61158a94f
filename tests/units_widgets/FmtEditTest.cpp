#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <memory>

#include "units/widgets/QmFmtEdit.h"

namespace blowden {
namespace {

// A shown, active window with two formatted fields and a units label.
class FmtEditTest : public testing::Test {
 protected:
  void SetUp() override {
    QmCustomEdit::BeepCount = 0;
    QmCustomEdit::BeepHook = [] {};
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    edit = new TFmtEdit(window.get());
    edit->setObjectName("VolEdit");
    other = new TFmtEdit(window.get());
    other->setObjectName("PStaticEdit");
    label = new TFmtEditLabel(window.get());
    label->setObjectName("FmtEditLabel1");
    layout->addWidget(edit);
    layout->addWidget(other);
    layout->addWidget(label);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }

  void TearDown() override {
    window.reset();
    QmCustomEdit::BeepHook = nullptr;
  }

  // Focus into the field with `text` in it, caret at the end.
  void Enter(QmCustomEdit* field, const QString& text) {
    other->setFocus();
    field->setText(text);
    field->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(field->hasFocus());
  }

  void Type(QmCustomEdit* field, const QString& keys) { QTest::keyClicks(field, keys); }

  std::unique_ptr<QWidget> window;
  TFmtEdit* edit = nullptr;
  TFmtEdit* other = nullptr;
  TFmtEditLabel* label = nullptr;
};

double Number(const TFmtValue& value) { return std::get<double>(value); }

TEST_F(FmtEditTest, Defaults) {
  TFmtEdit fresh;
  EXPECT_EQ(fresh.text(), "0.0");
  EXPECT_EQ(fresh.FormatStr(), "%0.1f");
  EXPECT_EQ(fresh.FormatType(), ft_Fixed);
  EXPECT_EQ(fresh.SigDigs(), 5);
  EXPECT_EQ(fresh.UnitsType(), utNone);
  EXPECT_EQ(fresh.UnitsValue(), 0);
  EXPECT_EQ(fresh.UnitsBase(), 0);
  EXPECT_EQ(fresh.UnitsLabel(), nullptr);
  EXPECT_EQ(fresh.Factor(), 1.0);
  EXPECT_EQ(fresh.Offset(), 0.0);
  EXPECT_EQ(Number(fresh.Value()), 0.0);
  // The object name is published to assistive technology as the description.
  EXPECT_EQ(edit->accessibleDescription(), "VolEdit");
  EXPECT_EQ(label->accessibleDescription(), "FmtEditLabel1");
}

TEST_F(FmtEditTest, TypingAndEnterReformats) {
  struct Case {
    const char* name;
    const char* format;
    const char* keys;
    const char* typed;  // text before Enter
    const char* shown;  // text after Enter
    int beeps;
  };
  const Case cases[] = {
      {"second point", "%0.3f", "1.2.3", "1.2.3", "1.230", 0},
      {"blanks refused", "%0.3f", " 1 500 ", "1500", "1500.000", 3},
      {"exponent refused in fixed", "%0.3f", "1e3", "13", "13.000", 1},
      {"exponent in general", "%0.5g", "e5", "e5", "1E5", 0},
      {"integer", "%d", "12.5", "125", "125", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Enter(edit, "");
    edit->SetFormatStr(c.format);
    QmCustomEdit::BeepCount = 0;
    Type(edit, c.keys);
    EXPECT_EQ(edit->text(), c.typed);
    EXPECT_TRUE(edit->isModified());
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), c.shown);
    EXPECT_EQ(QmCustomEdit::BeepCount, c.beeps);
    EXPECT_TRUE(edit->hasFocus());
  }
}

TEST_F(FmtEditTest, CommaIsTheDecimalPointUntilTheNumberHasOne) {
  QSignalSpy hints(edit, &QmCustomEdit::InputHint);
  struct Case {
    const char* name;
    const char* format;
    const char* keys;
    const char* typed;
    int hints;
  };
  const Case cases[] = {
      {"2,5 is 2.5", "%0.3f", "2,5", "2.5", 0},
      {"a second comma is refused", "%0.3f", "2,5,1", "2.51", 1},
      {"a comma after a point is refused", "%0.3f", "2.5,", "2.5", 1},
      {"whole numbers take none", "%d", "2,5", "25", 1},
      {"each number of a pair", "%0.1f/%0.1f", "1,5/2,5", "1.5/2.5", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Enter(edit, "");
    edit->SetFormatStr(c.format);
    hints.clear();
    QmCustomEdit::BeepCount = 0;
    Type(edit, c.keys);
    EXPECT_EQ(edit->text(), c.typed);
    EXPECT_EQ(hints.count(), c.hints);
    EXPECT_EQ(QmCustomEdit::BeepCount, c.hints);
    if (!hints.isEmpty()) {
      EXPECT_FALSE(hints.at(0).at(0).toString().isEmpty());
    }
  }
  // A comma over a selected point replaces it.
  edit->SetFormatStr("%0.3f");
  Enter(edit, "2.5");
  edit->setSelection(1, 1);
  Type(edit, ",");
  EXPECT_EQ(edit->text(), "2.5");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(Number(edit->Value()), 2.5);
}

// The name a screen reader reads for the label is what it shows, after
// every change of the unit (through the field or the chooser).
TEST_F(FmtEditTest, UnitLabelAnnouncesTheUnitShown) {
  edit->SetFormatStr("%0.3f");
  edit->SetUnitsType(utAirFlowPrim);
  edit->SetUnitsLabel(label);
  label->SetAccessiblePrefix("Volume Flow unit");
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(label);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->text(QAccessible::Name), QString::fromUtf8("Volume Flow unit: m³/s"));
  for (const char* unit : {"cfm", "l/s"}) {
    SCOPED_TRACE(unit);
    edit->SetUnitsValue(QString::fromUtf8(unit) == "cfm" ? 4 : 3);
    EXPECT_EQ(label->text(), QString::fromUtf8(unit));
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Volume Flow unit: ") + QString::fromUtf8(unit));
  }
  // Without a prefix the label keeps the name it was given.
  TFmtEditLabel plain;
  plain.setAccessibleName("Units");
  other->SetUnitsType(utAirFlowPrim);
  other->SetUnitsLabel(&plain);
  other->SetUnitsValue(4);
  EXPECT_EQ(plain.accessibleName(), "Units");
  other->SetUnitsLabel(nullptr);
}

TEST_F(FmtEditTest, EnterOnAnEmptyFieldShowsZero) {
  edit->SetFormatStr("%0.3f");
  Enter(edit, "5");
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), "");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(edit->text(), "0.000");
}

TEST_F(FmtEditTest, EnterWithoutChangesLeavesTheText) {
  edit->SetFormatStr("%0.3f");
  Enter(edit, "1.2.3");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(edit->text(), "1.2.3");
}

TEST_F(FmtEditTest, EscRestoresTheTextOfEntry) {
  edit->SetFormatStr("%0.3f");
  Enter(edit, "1.000");
  Type(edit, "55");
  EXPECT_EQ(edit->text(), "1.00055");
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(edit->text(), "1.000");
  EXPECT_FALSE(edit->isModified());
  EXPECT_EQ(QmCustomEdit::BeepCount, 0);
}

TEST_F(FmtEditTest, EscIsClaimedFromTheWindowOnlyWhileModified) {
  int closes = 0;
  auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), window.get());
  QObject::connect(cancel, &QShortcut::activated, [&closes] { ++closes; });
  Enter(edit, "1.0");
  Type(edit, "2");
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(edit->text(), "1.0");
  EXPECT_EQ(closes, 0);
  // Nothing to restore now: Esc is the window's.
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(edit->text(), "1.0");
}

TEST_F(FmtEditTest, BackspaceDeletesOnlyTheCharacterBeforeTheSelection) {
  Enter(edit, "12345");
  edit->setSelection(1, 3);  // "234"
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), "2345");
  EXPECT_EQ(edit->cursorPosition(), 0);
  EXPECT_TRUE(edit->isModified());
  // Nothing before the caret: nothing happens, and no beep.
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), "2345");
  edit->setCursorPosition(2);
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), "245");
  EXPECT_EQ(edit->cursorPosition(), 1);
  EXPECT_EQ(QmCustomEdit::BeepCount, 0);
}

TEST_F(FmtEditTest, TypingOverAWiderSelection) {
  edit->SetFormatStr("%0.1f");
  Enter(edit, "1234");
  edit->setSelection(1, 2);  // "23"
  QTest::keyClick(edit, Qt::Key_7);
  EXPECT_EQ(edit->text(), "174");
  EXPECT_EQ(edit->cursorPosition(), 2);
  EXPECT_EQ(QmCustomEdit::BeepCount, 0);

  edit->setText("1234");
  edit->setSelection(1, 2);
  QTest::keyClick(edit, Qt::Key_X);
  EXPECT_EQ(edit->text(), "14");
  EXPECT_EQ(edit->cursorPosition(), 1);
  EXPECT_EQ(QmCustomEdit::BeepCount, 1);

  // A one-character selection is replaced by a valid character, kept on a refused one.
  edit->setText("1234");
  edit->setSelection(1, 1);
  QTest::keyClick(edit, Qt::Key_9);
  EXPECT_EQ(edit->text(), "1934");
  edit->setSelection(1, 1);
  QTest::keyClick(edit, Qt::Key_X);
  EXPECT_EQ(edit->text(), "1934");
  EXPECT_EQ(QmCustomEdit::BeepCount, 2);
}

TEST_F(FmtEditTest, TextFieldsTakeEveryCharacter) {
  edit->SetFormatStr("%s");
  Enter(edit, "");
  Type(edit, "Fan x-1 / b");
  EXPECT_EQ(edit->text(), "Fan x-1 / b");
  EXPECT_EQ(QmCustomEdit::BeepCount, 0);
  EXPECT_EQ(std::get<std::string>(edit->Value()), "Fan x-1 / b");
}

TEST_F(FmtEditTest, ClipboardKeysPassThrough) {
  Enter(edit, "1234");
  edit->setSelection(1, 2);
  QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "23");
  QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(edit->text(), "14");
  edit->setCursorPosition(2);
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit->text(), "1423");
  EXPECT_EQ(QmCustomEdit::BeepCount, 0);
  EXPECT_TRUE(edit->isModified());
}

TEST_F(FmtEditTest, ReadOnlyFieldIgnoresEditingKeys) {
  Enter(edit, "1234");
  edit->setReadOnly(true);
  QTest::keyClick(edit, Qt::Key_Backspace);
  Type(edit, "5x");
  EXPECT_EQ(edit->text(), "1234");
  EXPECT_EQ(QmCustomEdit::BeepCount, 0);
}

TEST_F(FmtEditTest, LeavingOutOfRangeClampsBeepsAndKeepsTheFocus) {
  edit->SetFormatStr("%0.1f");
  edit->SetRangeLo(0);
  edit->SetRangeHi(100);
  Enter(edit, "");
  QSignalSpy exits(edit, &QmCustomEdit::Exit);
  Type(edit, "150");
  other->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(edit->text(), "100.0");
  EXPECT_EQ(QmCustomEdit::BeepCount, 1);
  EXPECT_EQ(exits.count(), 1);
  // The field takes the focus back once the event loop runs. (QTRY_VERIFY
  // would report a failure to QtTest's log, not to this gtest suite.)
  EXPECT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
  EXPECT_TRUE(edit->isModified());
}

TEST_F(FmtEditTest, LeavingWithinTheToleranceMovesOn) {
  edit->SetFormatStr("%0.1f");
  edit->SetRangeHi(100);
  Enter(edit, "");
  QSignalSpy exits(edit, &QmCustomEdit::Exit);
  Type(edit, "100.4");
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_TRUE(QTest::qWaitFor([&] { return other->hasFocus(); }));
  // A field that refused the exit would take the focus back from a queued
  // call: run those, and the focus must stay where Tab put it.
  QApplication::processEvents();
  EXPECT_TRUE(other->hasFocus());
  EXPECT_EQ(edit->text(), "100.4");
  EXPECT_EQ(QmCustomEdit::BeepCount, 0);
  EXPECT_EQ(exits.count(), 1);
  // Modified at exit: the owner sees that the user changed the text.
  EXPECT_TRUE(edit->isModified());
}

TEST_F(FmtEditTest, RangeBelowWithinToleranceAndBeyond) {
  edit->SetFormatStr("%0.2f");
  edit->SetRangeLo(10);
  edit->SetRangeHi(100);
  Enter(edit, "");
  Type(edit, "9.96");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(edit->text(), "9.96");
  EXPECT_EQ(QmCustomEdit::BeepCount, 0);
  Enter(edit, "");
  QSignalSpy returns(edit, &QLineEdit::returnPressed);
  Type(edit, "9.9");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(edit->text(), "10.00");
  EXPECT_EQ(QmCustomEdit::BeepCount, 1);
  EXPECT_EQ(returns.count(), 1);
  EXPECT_TRUE(edit->hasFocus());
}

TEST_F(FmtEditTest, LeavingUnchangedDoesNotValidate) {
  edit->SetFormatStr("%0.3f");
  edit->SetRangeHi(1);
  Enter(edit, "abc");
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_EQ(edit->text(), "abc");
  EXPECT_FALSE(edit->isModified());
  EXPECT_EQ(QmCustomEdit::BeepCount, 0);
}

// Stored in Pa, the way the selector's pressure field is set up.
void SetUpPressure(TFmtEdit* field, QLabel* label) {
  field->SetFormatStr("%0.0f");
  field->SetFormatType(ft_Fixed);
  field->SetUnitsType(utAirPressDrop);
  field->SetUnitsBase(1);
  field->SetUnitsLabel(label);
  field->SetUnitsValue(1);
}

TEST_F(FmtEditTest, PaAndKPa) {
  SetUpPressure(edit, label);
  edit->SetValue(500.0);
  EXPECT_EQ(edit->text(), "500");
  EXPECT_EQ(label->text(), "Pa");
  edit->SetUnitsValue(0);
  EXPECT_EQ(edit->text(), "0.500");
  EXPECT_EQ(edit->FormatStr(), "%0.3f");
  EXPECT_EQ(label->text(), "kPa");
  EXPECT_DOUBLE_EQ(Number(edit->Value()), 500);
  edit->SetUnitsValue(5);
  EXPECT_EQ(edit->text(), "2.0073");
  EXPECT_EQ(label->text(), "InchWg");
  edit->SetUnitsValue(1);
  EXPECT_EQ(edit->text(), "500");

  // Typed numbers are in the shown unit.
  edit->SetUnitsValue(0);
  Enter(edit, "");
  Type(edit, "1.25");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_DOUBLE_EQ(Number(edit->Value()), 1250);
}

TEST_F(FmtEditTest, ManualFormatStaysOnAUnitChange) {
  SetUpPressure(edit, label);
  edit->SetFormatType(ft_Manual);
  edit->SetValue(1500.0);
  edit->SetUnitsValue(0);
  EXPECT_EQ(edit->FormatStr(), "%0.0f");
  EXPECT_EQ(edit->text(), "2");  // 1.5 kPa in whole kPa, halves away from zero
  EXPECT_EQ(label->text(), "kPa");
}

TEST_F(FmtEditTest, RangeLimitsAreConvertedToTheShownUnit) {
  SetUpPressure(edit, label);
  edit->SetRangeHi(2000);  // Pa
  edit->SetUnitsValue(0);  // kPa
  Enter(edit, "");
  Type(edit, "3");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(edit->text(), "2.000");
  EXPECT_EQ(QmCustomEdit::BeepCount, 1);
  EXPECT_DOUBLE_EQ(Number(edit->Value()), 2000);
}

TEST_F(FmtEditTest, AutomaticFormats) {
  edit->SetFormatType(ft_Auto);
  edit->SetSigDigs(5);
  edit->SetValue(123.456);
  EXPECT_EQ(edit->text(), "123.46");
  edit->SetValue(0.0123);
  EXPECT_EQ(edit->text(), "0.0123");

  edit->SetFormatType(ft_AutoOverride);
  edit->SetFormatStr("%0.1f");
  edit->SetValue(7.5);
  EXPECT_EQ(edit->text(), "7.500");
  edit->SetValue(12.34);
  EXPECT_EQ(edit->text(), "12.3");
  edit->SetValue(-50.0);
  EXPECT_EQ(edit->text(), "-50.00");
}

TEST_F(FmtEditTest, IntegerValueIsRounded) {
  edit->SetFormatStr("%d");
  edit->setText("12.6");
  EXPECT_EQ(Number(edit->Value()), 13);
  edit->SetValue(2.5);
  EXPECT_EQ(edit->text(), "2");
}

TEST_F(FmtEditTest, TextThatIsNoNumber) {
  edit->setText("abc");
  EXPECT_EQ(std::get<std::string>(edit->Value()), "abc");
  edit->SetValue(std::string("abc"));
  EXPECT_EQ(edit->text(), "");
}

TEST_F(FmtEditTest, UpperCaseTextFormatEmptiesTheNewFieldText) {
  TFmtEdit fresh;
  fresh.SetFormatStr("%S");
  EXPECT_EQ(fresh.text(), "");
  TFmtEdit typed;
  typed.setText("x");
  typed.SetFormatStr("%S");
  EXPECT_EQ(typed.text(), "x");
}

TEST_F(FmtEditTest, UnitsTypeClampsTheIndexes) {
  edit->SetUnitsType(utAirPressDrop);
  edit->SetUnitsValue(7);
  edit->SetUnitsBase(9);
  EXPECT_EQ(edit->UnitsBase(), 7);
  edit->SetUnitsType(utAngularSpeed);
  EXPECT_EQ(edit->UnitsValue(), 2);
  EXPECT_EQ(edit->UnitsBase(), 2);
  EXPECT_DOUBLE_EQ(edit->Factor(), 1);
}

TEST_F(FmtEditTest, UnitChangeOnTextThatIsNoNumberStillChangesTheUnit) {
  SetUpPressure(edit, label);
  edit->setText("abc");
  edit->SetUnitsValue(0);
  EXPECT_EQ(edit->text(), "abc");
  EXPECT_EQ(label->text(), "kPa");
  EXPECT_DOUBLE_EQ(edit->Factor(), 0.001);
  edit->setText("2");
  EXPECT_DOUBLE_EQ(Number(edit->Value()), 2000);
}

TEST_F(FmtEditTest, LabelBindingFollowsTheLifetimes) {
  SetUpPressure(edit, label);
  SetUpPressure(other, label);
  ASSERT_EQ(label->EditList().size(), 2u);
  EXPECT_EQ(label->EditList()[0], edit);
  // Binding again does not duplicate.
  other->SetUnitsLabel(label);
  EXPECT_EQ(label->EditList().size(), 2u);
  // Another label: moved.
  auto* second = new TFmtEditLabel(window.get());
  other->SetUnitsLabel(second);
  EXPECT_EQ(label->EditList().size(), 1u);
  EXPECT_EQ(second->EditList().size(), 1u);
  delete other;
  other = nullptr;
  EXPECT_TRUE(second->EditList().empty());
  delete label;
  label = nullptr;
  EXPECT_EQ(edit->UnitsLabel(), nullptr);
}

TEST_F(FmtEditTest, BindingATextFieldMakesItReal) {
  edit->SetFormatStr("%s");
  edit->SetUnitsLabel(label);
  EXPECT_EQ(edit->FormatStr(), "%0.1f");
  EXPECT_EQ(label->text(), "");
}

TEST_F(FmtEditTest, TemperatureShownInFahrenheit) {
  edit->SetUnitsType(utTemperature);
  edit->SetUnitsValue(1);
  edit->SetValue(100.0);
  EXPECT_EQ(edit->text(), "212.0");
  edit->setText("32");
  EXPECT_NEAR(Number(edit->Value()), 0, 1e-12);
}

TEST_F(FmtEditTest, LabelClickWithoutFieldsOnlyClicks) {
  QSignalSpy clicks(label, &TFmtEditLabel::Click);
  QTest::mouseClick(label, Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 1);
  for (QWidget* widget : QApplication::topLevelWidgets())
    EXPECT_FALSE(widget->isVisible() && widget->objectName() == "UnitsForm");
}

}  // namespace
}  // namespace blowden
