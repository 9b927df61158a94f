#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The message boxes of all windows, with a seam for tests: in test mode no
// box is shown, each one is recorded as "title: text", and a question takes
// the answer preset with SetNextAnswer (No when none was preset).
namespace blowden::TMessageBox {

void Information(QWidget* parent, const QString& title, const QString& text);
void Error(QWidget* parent, const QString& title, const QString& text);
// Yes/No with the question icon; true for Yes. Closing the box is No.
bool Question(QWidget* parent, const QString& title, const QString& text);

// Answers the next Question without showing it (also outside test mode).
void SetNextAnswer(bool yes);
void SetTestMode(bool on);
// The boxes recorded in test mode since the last call, oldest first.
QStringList TakeRecorded();

}  // namespace blowden::TMessageBox
