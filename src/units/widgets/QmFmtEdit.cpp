#include "units/widgets/QmFmtEdit.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "base/Convert.h"
#include "units/widgets/QmUnitsForm.h"

namespace blowden {
namespace {

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

// Keeps accessibleDescription equal to the object name, so that assistive
// technology can find a named control (Qt does not publish object names).
void FollowObjectName(QWidget* widget) {
  QObject::connect(widget, &QObject::objectNameChanged, widget,
                   [widget](const QString& name) { widget->setAccessibleDescription(name); });
}

}  // namespace

int QmCustomEdit::BeepCount = 0;
std::function<void()> QmCustomEdit::BeepHook;

QmCustomEdit::QmCustomEdit(QWidget* parent) : QLineEdit(parent) {
  FollowObjectName(this);
  setText(QStringLiteral("0.0"));
}

QmCustomEdit::~QmCustomEdit() {
  if (auto* label = qobject_cast<TFmtEditLabel*>(FUnitsLabel.data())) label->RemoveEdit(this);
}

TFmtParams QmCustomEdit::Params() const {
  TFmtParams params;
  params.FormatStr = FFormatStr;
  params.FormatType = FFormatType;
  params.SigDigs = FSigDigs;
  params.Decimals = FDecimals;
  params.Factor = FFactor;
  params.Offset = FOffset;
  params.RangeLo = FRangeLo;
  params.RangeHi = FRangeHi;
  return params;
}

void QmCustomEdit::SetTextIfDifferent(const QString& value) {
  if (text() != value) setText(value);
}

TFmtValue QmCustomEdit::Value() const { return ReadFmtValue(Params(), text().toStdString()); }

void QmCustomEdit::SetValue(const TFmtValue& value) {
  const std::optional<std::string> shown = WriteFmtValue(Params(), value);
  if (shown) setText(ToQString(*shown));
}

void QmCustomEdit::SetFormatStr(const std::string& value) {
  FFormatStr = value;
  FDecimals = FormatDecimals(FFormatStr);
  if (FFormatStr == "%S" && text() == QLatin1String("0.0")) setText(QString());
}

void QmCustomEdit::UpdateUnits() {
  if ((IsTextFormat(FFormatStr) || IsIntegerFormat(FFormatStr)) && FUnitsType == utNone) return;

  // The value in the stored unit, read with the conversion still in force.
  const bool pair = IsPairFormat(FFormatStr);
  const TFmtValue current = Value();
  std::optional<TFmtValue> stored;
  if (pair) {
    stored = current;
  } else if (const double* number = std::get_if<double>(&current)) {
    stored = *number;
  } else {
    double parsed = 0;
    if (TryStrToFloat(std::get<std::string>(current), parsed)) stored = parsed;
  }

  // A text that is no number does not stop the unit change: the factor, the
  // format and the label must always belong to UnitsValue, or the next number
  // typed would be converted with the unit that was left. Only re-showing the
  // value is skipped then.
  const TUnitsConversion conversion = GetUnitsConversion(FUnitsType, FUnitsValue, FUnitsBase);
  FOffset = conversion.Offset;
  FFactor = conversion.Factor;
  if (FFormatType != ft_Manual && FUnitsType != utNone) FFormatStr = std::string(conversion.Format);
  if (IsTextFormat(FFormatStr)) return;
  FDecimals = FormatDecimals(FFormatStr);
  if (auto* unitsLabel = qobject_cast<TFmtEditLabel*>(FUnitsLabel.data()))
    unitsLabel->ShowUnit(ToQString(std::string(conversion.Label)));
  else if (FUnitsLabel)
    FUnitsLabel->setText(ToQString(std::string(conversion.Label)));
  if (pair && !IsPairFormat(FFormatStr)) FFormatStr = FFormatStr + "/" + FFormatStr;
  if (stored) {
    // Text typed and not yet validated stays so in the new unit: leaving
    // the field must still check it against the range.
    const bool modified = isModified();
    SetValue(*stored);
    if (modified) setModified(true);
  }
}

void QmCustomEdit::SetUnitsType(TUnitsType value) {
  FUnitsType = value;
  FUnitsValue = ClampUnitsIndex(value, FUnitsValue);
  FUnitsBase = ClampUnitsIndex(value, FUnitsBase);
  FFactor = 1;
  FOffset = 0;
  UpdateUnits();
}

void QmCustomEdit::SetUnitsBase(int value) {
  FUnitsBase = ClampUnitsIndex(FUnitsType, value);
  UpdateUnits();
}

void QmCustomEdit::SetUnitsValue(int value) {
  FUnitsValue = ClampUnitsIndex(FUnitsType, value);
  UpdateUnits();
}

void QmCustomEdit::SetUnitsLabel(QLabel* label) {
  if (auto* old = qobject_cast<TFmtEditLabel*>(FUnitsLabel.data())) old->RemoveEdit(this);
  if (IsTextFormat(FFormatStr)) SetFormatStr("%0.1f");
  FUnitsLabel = label;
  if (auto* unitsLabel = qobject_cast<TFmtEditLabel*>(label)) {
    unitsLabel->AddEdit(this);
    SetUnitsValue(FUnitsValue);
  }
}

bool QmCustomEdit::IsEditable() const { return true; }

void QmCustomEdit::RestoreText() {
  if (!isModified()) return;
  SetTextIfDifferent(FEnterText);
  setModified(false);
}

bool QmCustomEdit::ValidateText(const QString& value) {
  const TFmtValidation validation = ValidateFmtText(Params(), value.toStdString());
  if (validation.NewText) {
    SetTextIfDifferent(ToQString(*validation.NewText));
    setModified(true);
  }
  return validation.Accepted;
}

void QmCustomEdit::InvalidInput() {
  ++BeepCount;
  if (BeepHook)
    BeepHook();
  else
    QApplication::beep();
}

void QmCustomEdit::EditDone() {
  if (!isModified() || ValidateText(text())) return;
  TakeFocusBack();
  setModified(true);
  InvalidInput();
}

void QmCustomEdit::TakeFocusBack() {
  if (hasFocus()) return;
  // Called while the focus is leaving: Qt is still moving the focus, so the
  // field asks for it back once that move is complete.
  QTimer::singleShot(0, this, [this] {
    if (!isVisible() || !isEnabled()) return;
    setFocus(Qt::OtherFocusReason);
    setModified(true);
  });
}

bool QmCustomEdit::IsValidChar(char32_t c) {
  setModified(true);
  return IsValidFormatChar(FFormatStr, c);
}

bool QmCustomEdit::event(QEvent* e) {
  // While modified, Esc belongs to the field (it restores the text) and not
  // to the dialog's Cancel button or a window shortcut.
  if (e->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && isModified()) {
      e->accept();
      return true;
    }
  }
  return QLineEdit::event(e);
}

void QmCustomEdit::HandleBackspace() {
  if (isReadOnly()) return;
  const int position = hasSelectedText() ? selectionStart() : cursorPosition();
  if (position <= 0) return;
  // Only the character before the caret or the selection goes; the selection stays text.
  QString value = text();
  int start = position - 1;
  if (start > 0 && value.at(start).isLowSurrogate() && value.at(start - 1).isHighSurrogate()) --start;
  value.remove(start, position - start);
  setText(value);
  setCursorPosition(start);
}

void QmCustomEdit::HandleCharacter(const QString& character) {
  if (!IsEditable() || isReadOnly()) return;
  if (hasSelectedText() && selectedText().size() > 1) {
    const int start = selectionStart();
    QString value = text();
    value.remove(start, selectedText().size());
    setText(value);
    setModified(true);
    setCursorPosition(start);
  }
  char32_t code = character.toUcs4().value(0);
  QString typed = character;
  if (code == U',') {
    // The number around the caret, without the one character a selection
    // would replace.
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int end = hasSelectedText() ? start + int(selectedText().size()) : start;
    const TTypedChar comma =
        TypedComma(FFormatStr, text().left(start).toStdString(), text().mid(end).toStdString(), code);
    if (comma.Refused) {
      setModified(true);
      InvalidInput();
      emit InputHint(ToQString(comma.Hint));
      return;
    }
    code = comma.Char;
    typed = QString(QChar(static_cast<char16_t>(code)));
  }
  if (!IsValidChar(code)) {
    InvalidInput();
    return;
  }
  insert(typed);
  setModified(true);
}

void QmCustomEdit::keyPressEvent(QKeyEvent* e) {
  const Qt::KeyboardModifiers modifiers = e->modifiers() & ~Qt::KeypadModifier;

  // F4 or Alt+Down: the unit chooser, as the label's click would open it.
  if ((e->key() == Qt::Key_F4 && modifiers == Qt::NoModifier) ||
      (e->key() == Qt::Key_Down && modifiers == Qt::AltModifier)) {
    if (auto* label = qobject_cast<TFmtEditLabel*>(FUnitsLabel.data()); label && !label->EditList().empty()) {
      label->LabelClickAt(mapToGlobal(QPoint(0, height())));
      e->accept();
      return;
    }
  }

  if (e->key() == Qt::Key_Backspace) {
    HandleBackspace();
    if (IsEditable() && !isReadOnly()) setModified(true);
    e->accept();
    return;
  }

  if (e->matches(QKeySequence::Copy) || e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut)) {
    QLineEdit::keyPressEvent(e);
    return;
  }

  if (e->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
    // Unmodified, the field has nothing to restore and the dialog may have Esc.
    if (!isModified()) {
      e->ignore();
      return;
    }
    RestoreText();
    e->accept();
    return;
  }

  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (IsEditable() && !isReadOnly()) EditDone();
    e->accept();
    // The window may move the focus on, as Return does in its other controls.
    emit returnPressed();
    return;
  }

  // A printable character (no Ctrl or Meta chord): filtered by the format.
  const QString typed = e->text();
  const bool chord = modifiers & (Qt::ControlModifier | Qt::MetaModifier);
  if (!chord && !typed.isEmpty() && typed.at(0).isPrint()) {
    // Each character on its own; a surrogate pair travels together.
    for (int i = 0; i < typed.size(); ++i) {
      int length = 1;
      if (typed.at(i).isHighSurrogate() && i + 1 < typed.size() && typed.at(i + 1).isLowSurrogate())
        length = 2;
      HandleCharacter(typed.mid(i, length));
      i += length - 1;
    }
    e->accept();
    return;
  }

  // Caret movement, Delete, selection, undo and the other editing keys.
  QLineEdit::keyPressEvent(e);
}

void QmCustomEdit::focusInEvent(QFocusEvent* e) {
  // Coming back from another window or a pop-up is not entering the field.
  if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason) {
    setModified(false);
    FEnterText = text();
  }
  QLineEdit::focusInEvent(e);
}

void QmCustomEdit::focusOutEvent(QFocusEvent* e) {
  const bool leaving = e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
  if (leaving) EditDone();
  QLineEdit::focusOutEvent(e);
  if (leaving) emit Exit();
}

// ---------------------------------------------------------------------------

TFmtEditLabel::TFmtEditLabel(QWidget* parent) : QLabel(parent) { FollowObjectName(this); }

TFmtEditLabel::~TFmtEditLabel() {
  while (!FEditList.empty()) {
    QmCustomEdit* edit = FEditList.back();
    FEditList.pop_back();
    edit->FUnitsLabel = nullptr;
  }
}

void TFmtEditLabel::SetAccessiblePrefix(const QString& prefix) {
  FAccessiblePrefix = prefix;
  UpdateAccessibleName();
}

void TFmtEditLabel::ShowUnit(const QString& label) {
  setText(label);
  UpdateAccessibleName();
}

void TFmtEditLabel::UpdateAccessibleName() {
  if (FAccessiblePrefix.isEmpty()) return;
  const QString name =
      text().isEmpty() ? FAccessiblePrefix : FAccessiblePrefix + QStringLiteral(": ") + text();
  if (accessibleName() == name) return;
  setAccessibleName(name);
  // Said aloud: a screen reader hears the new unit (Qt 6.4 sends no event itself).
  QAccessibleEvent event(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

void TFmtEditLabel::AddEdit(QmCustomEdit* edit) {
  if (std::find(FEditList.begin(), FEditList.end(), edit) == FEditList.end()) FEditList.push_back(edit);
}

void TFmtEditLabel::RemoveEdit(QmCustomEdit* edit) {
  FEditList.erase(std::remove(FEditList.begin(), FEditList.end(), edit), FEditList.end());
}

void TFmtEditLabel::ChooseUnits(const QPoint& topLeft) {
  if (FEditList.empty()) return;
  QPointer<TFmtEditLabel> self(this);
  int index = 0;
  {
    // Owned by the label's window: a modal window (the fan selector) then
    // lets the chooser have the mouse.
    TUnitsForm form(FEditList.front(), window());
    form.move(topLeft);
    form.FillList();
    form.ShowModal();
    if (!self) return;
    index = form.SelectedIndex();
  }
  // A field may go away while the chooser is open, or in a handler of an
  // earlier field: work on guarded copies.
  std::vector<QPointer<QmCustomEdit>> edits(FEditList.begin(), FEditList.end());
  for (const QPointer<QmCustomEdit>& edit : edits) {
    if (!edit) continue;
    edit->SetUnitsValue(index);
    emit edit->UnitsEdited(edit.data());
  }
}

void TFmtEditLabel::LabelClick() { LabelClickAt(QCursor::pos() + QPoint(5, 5)); }

void TFmtEditLabel::LabelClickAt(const QPoint& topLeft) {
  QPointer<TFmtEditLabel> self(this);
  ChooseUnits(topLeft);
  if (self) emit Click();
}

void TFmtEditLabel::mousePressEvent(QMouseEvent* e) {
  QLabel::mousePressEvent(e);
  if (e->button() == Qt::LeftButton) {
    FPressed = true;
    e->accept();
  }
}

void TFmtEditLabel::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = FPressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  FPressed = false;
  QLabel::mouseReleaseEvent(e);
  if (click) LabelClick();
}

}  // namespace blowden
