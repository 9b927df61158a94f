#include "services/MessageBox.h"

#include <QMessageBox>
#include <optional>

namespace blowden::TMessageBox {

namespace {

struct TState {
  bool TestMode = false;
  std::optional<bool> NextAnswer;
  QStringList Recorded;
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

void SetNextAnswer(bool yes) { State().NextAnswer = yes; }

void SetTestMode(bool on) { State().TestMode = on; }

QStringList TakeRecorded() {
  QStringList recorded;
  recorded.swap(State().Recorded);
  return recorded;
}

}  // namespace blowden::TMessageBox
