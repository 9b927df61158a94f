#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The message boxes of all windows, with a seam for tests: in test mode no
// box is shown, each one is recorded as "title: text", and a question takes
// the answer preset with SetNextAnswer (No when none was preset).
namespace blowden::TMessageBox {

void Information(QWidget* parent, const QString& title, const QString& text);
// Information with a "Show Details..." part holding `details`, for a list
// too long for the box itself. In test mode the details are recorded apart
// from the box (TakeRecordedDetails).
void Information(QWidget* parent, const QString& title, const QString& text, const QString& details);
void Error(QWidget* parent, const QString& title, const QString& text);
// Yes/No with the question icon; true for Yes. Closing the box is No.
bool Question(QWidget* parent, const QString& title, const QString& text);

// A question with buttons of its own ("Overwrite", "Reload from disk",
// "Cancel"); returns the index of the button chosen. `escape` is the index
// that closing the box (Esc, the close button) gives, and the default
// button (Enter), so that a hasty key never chooses the bolder action.
int Ask(QWidget* parent, const QString& title, const QString& text, const QStringList& buttons, int escape);

// Answers the next Question without showing it (also outside test mode).
void SetNextAnswer(bool yes);
// Answers the next Ask with the button of that caption (also outside test
// mode); several calls answer several questions in turn. In test mode an
// Ask without an answer gives its `escape` button.
void SetNextChoice(const QString& button);
void SetTestMode(bool on);
// Whether test mode is on: other modal dialogs without an answer preset are
// then not shown either.
bool TestMode();
// The boxes recorded in test mode since the last call, oldest first.
QStringList TakeRecorded();
// The details of the boxes recorded since the last call, oldest first.
QStringList TakeRecordedDetails();

}  // namespace blowden::TMessageBox
