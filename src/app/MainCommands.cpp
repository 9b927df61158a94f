// The verify and install commands of the main window and their report.
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>

#include "app/Controls.h"
#include "app/Main.h"
#include "app/ModelView.h"
#include "app/SourceEditor.h"
#include "base/Convert.h"
#include "base/Format.h"
#include "fan/QmFan.h"
#include "services/Settings.h"

namespace blowden {

void TBlowdenForm::ShowDataPage() { FPageControl1->setCurrentWidget(FTabSheet1); }

void TBlowdenForm::ClearReport() {
  FMemo1->clear();
  FReportStarted = false;
}

void TBlowdenForm::AddReport(const QString& line) {
  // A document cannot tell "empty" from "one empty line", so the report
  // remembers whether its first line has been written.
  QTextCursor cursor(FMemo1->document());
  cursor.movePosition(QTextCursor::End);
  if (FReportStarted || !FMemo1->document()->isEmpty()) cursor.insertBlock();
  cursor.insertText(line);
  FReportStarted = true;
  FMemo1->setTextCursor(cursor);
}

void TBlowdenForm::AddReportLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) AddReport(QString::fromStdString(line));
}

QStringList TBlowdenForm::ReportLines() const {
  if (!FReportStarted && FMemo1->document()->isEmpty()) return {};
  return FMemo1->toPlainText().split(QLatin1Char('\n'));
}

int TBlowdenForm::RunVerify() {
  try {
    FFan->Verify();
  } catch (const EConvertError& e) {
    // A number that cannot be read stops the check of this file; it counts
    // as an error of the model being read.
    FFan->AddError(e.what());
    FFan->Status = fsDataError;
  }
  return int(FFan->Errors.size());
}

TInstallResult TBlowdenForm::InstallLoadedFile() {
  try {
    return InstallFanFile(FFan->FileName, StartupValues().DatabaseFolder, *FFan);
  } catch (const EConvertError& e) {
    FFan->AddError(e.what());
    FFan->Status = fsDataError;
    TInstallResult refused;
    refused.Errors = FFan->Errors;
    return refused;
  }
}

void TBlowdenForm::ShowShownModelAgain() {
  // Verification reads every model; the view goes on showing the model it
  // showed before, so the fan model is brought back to it.
  if (!FModelView->ShownModel().empty() && FModelView->ShownFile() == FFan->FileName)
    FModelView->ReselectModel(FModelView->ShownModel());
  else
    FModelView->RepaintPlots();
}

void TBlowdenForm::ActionVerifyFanExecute() {
  ShowDataPage();
  ClearReport();
  if (FFan->FileName.empty()) {
    AddReport(QStringLiteral("You must select a fan range to verify"));
    return;
  }
  AddReport(QStringLiteral("FAN Data file verify"));
  AddReport(QString::fromStdString(FFan->FileName));
  AddReport(QString());
  const int errors = RunVerify();
  ShowShownModelAgain();
  if (errors == 0) {
    AddReport(QStringLiteral("No errors have been found..."));
    return;
  }
  AddReportLines(FFan->Errors);
  AddReport(QString());
  AddReport(QString::fromStdString(Format("%d error(s) found...", {errors})));
}

void TBlowdenForm::ActionInstallFanExecute() {
  if (FFan->FileName.empty()) {
    AddReport(QStringLiteral("You must select a fan range first"));
    return;
  }
  const TInstallResult result = InstallLoadedFile();
  ShowShownModelAgain();
  if (!result.Errors.empty()) {
    ShowDataPage();
    ClearReport();
    AddReport(QString());
    AddReport(QStringLiteral("There are errors in this fan data file"));
    AddReport(QStringLiteral("Please VERIFY before installing..."));
    return;
  }
  if (!result.Installed) {
    ShowDataPage();
    AddReport(QString::fromStdString(result.Message));
  }
}

void TBlowdenForm::ActionVerifyAllExecute() { RunAllFiles(false); }

void TBlowdenForm::ActionInstallAllExecute() { RunAllFiles(true); }

void TBlowdenForm::RunAllFiles(bool install) {
  AutoSave();
  FSynEdit1->Clear();
  ShowDataPage();
  ClearReport();
  AddReport(install ? QStringLiteral("Install ALL files") : QStringLiteral("Verify ALL files"));
  AddReport(QString());

  for (int i = 0; i < FFileListBox1->count(); ++i) {
    FFileListBox1->SetItemIndex(i);
    try {
      // Loads the file as a click does: models list, first model, editor.
      FileListBox1Click();
    } catch (const std::exception&) {
      // What stopped the load (a number that cannot be read, a file that
      // cannot be read) is found again by the check below and reported.
    }
    if (install) {
      const TInstallResult result = InstallLoadedFile();
      if (!result.Errors.empty())
        AddReportLines(result.Errors);
      else if (!result.Installed)
        AddReport(QString::fromStdString(result.Message));
    } else if (RunVerify() > 0) {
      AddReportLines(FFan->Errors);
    }
    ShowShownModelAgain();
  }
}

}  // namespace blowden
