#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "units/FmtText.h"
#include "units/QmConv.h"

namespace blowden {

class TFmtEditLabel;

// A single-line field for one number, a pair "a/b" or a text. The owner gives
// and takes the value in the stored unit (UnitsBase) through Value; the field
// shows it in the unit the user picked (UnitsValue), formatted by FormatStr,
// filters keystrokes by the format and checks, clamps and re-formats the typed
// text on Enter and when the focus leaves.
//
// Keyboard: a comma is the decimal point while the number has none (else it
// is refused with InputHint); Backspace deletes the one character before the
// caret (or before the selection); Esc restores the text the field had when it got the focus
// (and is claimed from the dialog only while the field is modified); Enter
// validates, then emits returnPressed(); F4 or Alt+Down opens the unit chooser
// of the bound label (the keyboard's way of clicking it).
// The modified mark is QLineEdit's isModified(): set by typing and by
// validation, cleared when the field receives the focus and by Esc.
class QmCustomEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit QmCustomEdit(QWidget* parent = nullptr);
  ~QmCustomEdit() override;

  // The content in the stored unit: a number, or text for text and pair
  // formats and for a field whose text is no number ("abc" -> "abc").
  TFmtValue Value() const;
  // Shows a value given in the stored unit; a value that is no number
  // empties the field.
  void SetValue(const TFmtValue& value);
  void SetValue(double value) { SetValue(TFmtValue(value)); }

  // Re-shows the value after a unit change: converts with the new factor,
  // takes the unit's format (unless ft_Manual) and sets the label's caption.
  void UpdateUnits();

  // The stored-to-shown conversion currently in force.
  double Factor() const { return FFactor; }
  double Offset() const { return FOffset; }
  int Decimals() const { return FDecimals; }
  const QString& EnterText() const { return FEnterText; }

  // Overridable steps of the field.
  virtual bool IsEditable() const;
  virtual void RestoreText();
  virtual bool ValidateText(const QString& text);
  virtual void InvalidInput();
  virtual void EditDone();

  // Beeps of InvalidInput: every beep is counted; with a hook set, the hook
  // is called instead of the system beep (tests set it).
  static int BeepCount;
  static std::function<void()> BeepHook;

 signals:
  // After the focus left and the text was validated.
  void Exit();
  // After the user picked a unit through the label.
  void UnitsEdited(QObject* sender);
  // A typed character was refused for a reason the user should read (a
  // comma where the number has its decimal point); the window shows it.
  void InputHint(const QString& text);

 protected:
  // Properties, published by TFmtEdit.
  const std::string& FormatStr() const { return FFormatStr; }
  void SetFormatStr(const std::string& value);
  TFormatType FormatType() const { return FFormatType; }
  void SetFormatType(TFormatType value) { FFormatType = value; }
  int SigDigs() const { return FSigDigs; }
  void SetSigDigs(int value) { FSigDigs = value; }
  TUnitsType UnitsType() const { return FUnitsType; }
  void SetUnitsType(TUnitsType value);
  int UnitsBase() const { return FUnitsBase; }
  void SetUnitsBase(int value);
  int UnitsValue() const { return FUnitsValue; }
  void SetUnitsValue(int value);
  QLabel* UnitsLabel() const { return FUnitsLabel; }
  void SetUnitsLabel(QLabel* label);
  double RangeLo() const { return FRangeLo; }
  void SetRangeLo(double value) { FRangeLo = value; }
  double RangeHi() const { return FRangeHi; }
  void SetRangeHi(double value) { FRangeHi = value; }

  // Answers whether the character may enter the field; marks the field modified.
  bool IsValidChar(char32_t c);

  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;

 private:
  friend class TFmtEditLabel;
  friend class TUnitsForm;

  TFmtParams Params() const;
  void SetTextIfDifferent(const QString& text);
  void HandleBackspace();
  void HandleCharacter(const QString& character);
  void TakeFocusBack();

  QString FEnterText;
  double FRangeLo = 0;
  double FRangeHi = 0;
  TUnitsType FUnitsType = utNone;
  int FUnitsValue = 0;
  int FUnitsBase = 0;
  double FFactor = 1;
  double FOffset = 0;
  QPointer<QLabel> FUnitsLabel;
  int FDecimals = 1;
  TFormatType FFormatType = ft_Fixed;
  int FSigDigs = 5;
  std::string FFormatStr = "%0.1f";
};

// The formatted field with its properties published; no behaviour of its own.
//   edit->SetFormatStr("%0.0f"); edit->SetUnitsType(utAirPressDrop);
//   edit->SetUnitsBase(1);       // stored in Pa
//   edit->SetUnitsLabel(label);  // label shows "kPa" (UnitsValue 0) ...
//   edit->SetUnitsValue(1);      // ... now "Pa"
//   edit->SetValue(500.0);       // shows "500"
class TFmtEdit : public QmCustomEdit {
  Q_OBJECT

 public:
  explicit TFmtEdit(QWidget* parent = nullptr) : QmCustomEdit(parent) {}

  using QmCustomEdit::FormatStr;
  using QmCustomEdit::FormatType;
  using QmCustomEdit::RangeHi;
  using QmCustomEdit::RangeLo;
  using QmCustomEdit::SetFormatStr;
  using QmCustomEdit::SetFormatType;
  using QmCustomEdit::SetRangeHi;
  using QmCustomEdit::SetRangeLo;
  using QmCustomEdit::SetSigDigs;
  using QmCustomEdit::SetUnitsBase;
  using QmCustomEdit::SetUnitsLabel;
  using QmCustomEdit::SetUnitsType;
  using QmCustomEdit::SetUnitsValue;
  using QmCustomEdit::SigDigs;
  using QmCustomEdit::UnitsBase;
  using QmCustomEdit::UnitsLabel;
  using QmCustomEdit::UnitsType;
  using QmCustomEdit::UnitsValue;
};

// The label beside a formatted field: shows the unit and, when clicked (or
// with F4 / Alt+Down in a bound field), opens the unit chooser for its fields.
// The chosen index is written to every bound field's UnitsValue, in binding
// order, each followed by its UnitsEdited signal; then Click() is emitted.
class TFmtEditLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TFmtEditLabel(QWidget* parent = nullptr);
  ~TFmtEditLabel() override;

  // The bound fields, in binding order (not owned).
  const std::vector<QmCustomEdit*>& EditList() const { return FEditList; }

  // What the label is for, as assistive technology should say it: with a
  // prefix the accessible name carries the unit shown and follows every
  // change of it ("Volume Flow unit" -> "Volume Flow unit: cfm"). Without
  // one the label keeps the accessible name it is given.
  void SetAccessiblePrefix(const QString& prefix);
  const QString& AccessiblePrefix() const { return FAccessiblePrefix; }
  // Shows a unit's label (the fields call it when their unit changes).
  void ShowUnit(const QString& label);

  // The click: opens the chooser 5 pixels right of and below the mouse cursor
  // when a field is bound, then emits Click().
  void LabelClick();
  // The same with the chooser at `topLeft` (screen): the keyboard's way.
  void LabelClickAt(const QPoint& topLeft);
  // Opens the chooser with its top-left corner at `topLeft` (screen) and
  // applies the choice; nothing when no field is bound.
  void ChooseUnits(const QPoint& topLeft);

 signals:
  void Click();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend class QmCustomEdit;

  void AddEdit(QmCustomEdit* edit);
  void RemoveEdit(QmCustomEdit* edit);

  void UpdateAccessibleName();

  std::vector<QmCustomEdit*> FEditList;
  QString FAccessiblePrefix;
  bool FPressed = false;
};

}  // namespace blowden
