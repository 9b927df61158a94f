#include "services/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>
#include <optional>

namespace blowden::TMessageBox {

namespace {

struct TState {
  bool TestMode = false;
  std::optional<bool> NextAnswer;
  QStringList NextChoices;
  QStringList Recorded;
  QStringList RecordedDetails;
};

TState& State() {
  static TState state;
  return state;
}

void Record(const QString& title, const QString& text) {
  State().Recorded.append(title + QStringLiteral(": ") + text);
}

}  // namespace

void Information(QWidget* parent, const QString& title, const QString& text) {
  if (State().TestMode) {
    Record(title, text);
    return;
  }
  QMessageBox::information(parent, title, text);
}

void Information(QWidget* parent, const QString& title, const QString& text, const QString& details) {
  if (State().TestMode) {
    Record(title, text);
    State().RecordedDetails.append(details);
    return;
  }
  QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
  box.setDetailedText(details);
  box.exec();
}

void Error(QWidget* parent, const QString& title, const QString& text) {
  if (State().TestMode) {
    Record(title, text);
    return;
  }
  QMessageBox::critical(parent, title, text);
}

bool Question(QWidget* parent, const QString& title, const QString& text) {
  TState& state = State();
  if (state.TestMode) Record(title, text);
  if (state.NextAnswer) {
    const bool answer = *state.NextAnswer;
    state.NextAnswer.reset();
    return answer;
  }
  if (state.TestMode) return false;
  return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

int Ask(QWidget* parent, const QString& title, const QString& text, const QStringList& buttons, int escape) {
  TState& state = State();
  if (state.TestMode) Record(title, text);
  if (!state.NextChoices.isEmpty()) {
    const int index = int(buttons.indexOf(state.NextChoices.takeFirst()));
    return index >= 0 ? index : escape;
  }
  if (state.TestMode) return escape;
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
  QList<QAbstractButton*> made;
  for (int i = 0; i < buttons.size(); ++i) {
    QPushButton* button =
        box.addButton(buttons[i], i == escape ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    made.append(button);
  }
  if (escape >= 0 && escape < made.size()) {
    box.setEscapeButton(made[escape]);
    box.setDefaultButton(static_cast<QPushButton*>(made[escape]));
  }
  box.exec();
  const int index = int(made.indexOf(box.clickedButton()));
  return index >= 0 ? index : escape;
}

void SetNextAnswer(bool yes) { State().NextAnswer = yes; }

void SetNextChoice(const QString& button) { State().NextChoices.append(button); }

void SetTestMode(bool on) {
  State().TestMode = on;
  // Choices left over from a test do not answer the next one's questions.
  State().NextChoices.clear();
}

bool TestMode() { return State().TestMode; }

QStringList TakeRecorded() {
  QStringList recorded;
  recorded.swap(State().Recorded);
  return recorded;
}

QStringList TakeRecordedDetails() {
  QStringList recorded;
  recorded.swap(State().RecordedDetails);
  return recorded;
}

}  // namespace blowden::TMessageBox
