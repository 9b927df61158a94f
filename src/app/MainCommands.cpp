// The verify and install commands of the main window and their report.
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include "app/BlowdenApplication.h"
#include "app/Controls.h"
#include "app/Main.h"
#include "app/ModelView.h"
#include "app/SourceEditor.h"
#include "base/Convert.h"
#include "base/Format.h"
#include "fan/FanFindings.h"
#include "fan/QmFan.h"
#include "services/Folders.h"
#include "services/MessageBox.h"
#include "services/SafeWrite.h"
#include "services/Settings.h"
#include "services/TextColours.h"

namespace blowden {

void TBlowdenForm::ShowDataPage() { FPageControl1->setCurrentWidget(FTabSheet1); }

void TBlowdenForm::ClearReport() {
  FMemo1->clear();
  FReportStarted = false;
  FShownCheck.reset();
}

void TBlowdenForm::AddReport(const QString& line) {
  // A document cannot tell "empty" from "one empty line", so the report
  // remembers whether its first line has been written.
  QTextCursor cursor(FMemo1->document());
  cursor.movePosition(QTextCursor::End);
  // A line takes no colour or weight from the line before it.
  if (FReportStarted || !FMemo1->document()->isEmpty())
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
  cursor.insertText(line, QTextCharFormat());
  FReportStarted = true;
  FMemo1->setTextCursor(cursor);
}

void TBlowdenForm::AddReportLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) AddReport(QString::fromStdString(line));
}

void TBlowdenForm::AddReportLines(const std::vector<TReportLine>& lines) {
  for (const TReportLine& line : lines) {
    AddReport(QString::fromStdString(line.Text));
    QColor colour;
    bool bold = true;
    switch (line.Style) {
      case TReportStyle::Plain:
      case TReportStyle::Note:
        bold = false;
        break;
      case TReportStyle::Summary:
        break;
      case TReportStyle::ErrorSummary:
      case TReportStyle::Error:
        colour = ErrorTextColour();
        break;
      case TReportStyle::Warning:
        colour = WarningTextColour();
        break;
    }
    if (!bold) continue;
    QTextCursor cursor(FMemo1->document()->lastBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    if (colour.isValid()) format.setForeground(colour);
    cursor.mergeCharFormat(format);
  }
}

QStringList TBlowdenForm::ReportLines() const {
  if (!FReportStarted && FMemo1->document()->isEmpty()) return {};
  return FMemo1->toPlainText().split(QLatin1Char('\n'));
}

int TBlowdenForm::RunVerify() {
  // A number that cannot be read stops the check of this file; it counts as
  // an error of the model being read.
  FFan->VerifyReporting();
  return int(FFan->Errors().size());
}

TInstallResult TBlowdenForm::InstallLoadedFile() {
  return InstallFanFile(FFan->FileName(), StartupValues().DatabaseFolder, *FFan);
}

void TBlowdenForm::ActionVerifyFanExecute() {
  // A box per model would be a flood: they are collected.
  const TCollectBoxes collect(this);
  ShowDataPage();
  ClearReport();
  if (FFan->FileName().empty()) {
    AddReport(QStringLiteral("You must select a fan range to verify"));
    return;
  }
  AddReport(QStringLiteral("FAN Data file verify"));
  AddReport(QString::fromStdString(FFan->FileName()));
  AddReport(QString());
  const int errors = RunVerify();
  // The fan model is back on the model shown, read from the file as it is now.
  FModelView->RepaintPlots();
  if (errors == 0) {
    AddReport(QStringLiteral("No errors have been found..."));
    return;
  }
  AddReportLines(FFan->Errors());
  AddReport(QString());
  AddReport(QString::fromStdString(Format("%d error(s) found...", {errors})));
}

void TBlowdenForm::ActionCheckFanExecute() {
  ShowDataPage();
  ClearReport();
  if (FFan->FileName().empty()) {
    AddReport(QStringLiteral("You must select a fan range to check"));
    return;
  }
  // A fan model of its own reads the file, so the model shown and its plots
  // stay as they are; the reader's message boxes come back in the check.
  TFan fan;
  FShownCheck = std::make_shared<const TFileCheck>(CheckFile(fan, FFan->FileName()));
  FShownCheckRange = fan.Header().Range;
  ShowCheckReport();
}

void TBlowdenForm::ShowCheckReport() {
  const std::shared_ptr<const TFileCheck> check = FShownCheck;  // the clearing forgets it
  ClearReport();
  FShownCheck = check;
  AddReport(QStringLiteral("FAN Data file check"));
  AddReport(QString::fromStdString(check->File));
  AddReport(QString());
  // The answer first: the counts, the errors, the warnings, the notes on
  // models; the notes on single points only when asked for.
  AddReportLines(CheckReport(*check, FShownCheckRange, FShowEveryPoint->isChecked(),
                             "tick \"Show every point\" to see them"));
  if (!check->Messages.empty()) {
    AddReport(QString());
    AddReportLines(check->Messages);
  }
  FMemo1->moveCursor(QTextCursor::Start);
  FMemo1->ensureCursorVisible();
}

void TBlowdenForm::ActionInstallFanExecute() {
  const TCollectBoxes collect(this);
  if (FFan->FileName().empty()) {
    AddReport(QStringLiteral("You must select a fan range first"));
    return;
  }
  const TInstallResult result = InstallLoadedFile();
  FModelView->RepaintPlots();
  if (!result.Errors.empty()) {
    // The refusal names the errors, so that the user sees what to mend and
    // which command lists them.
    ShowDataPage();
    ClearReport();
    AddReportLines(InstallRefusalReport(result.Errors));
    FMemo1->moveCursor(QTextCursor::Start);
    return;
  }
  // What happened replaces the earlier report.
  ShowDataPage();
  ClearReport();
  if (!result.Installed) {
    AddReport(QString::fromStdString(result.Message));
    return;
  }
  QString folder = QString::fromStdString(StartupValues().DatabaseFolder);
  if (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
  AddReport(QStringLiteral("Installed %1 into %2")
                .arg(QFileInfo(QString::fromStdString(result.Target)).fileName(), folder));
}

void TBlowdenForm::ActionVerifyAllExecute() { RunAllFiles(false); }

void TBlowdenForm::ActionInstallAllExecute() { RunAllFiles(true); }

void TBlowdenForm::RunAllFiles(bool install) {
  // The loops load every file in turn: the editor's edits are settled
  // first, as when another file is clicked.
  if (!ConfirmLeavingFile()) return;
  const TCollectBoxes collect(this);
  // Boxes name their file and model; the file list holds still meanwhile.
  FNameBoxes = true;
  struct TLoopEnd {
    TBlowdenForm* Form;
    ~TLoopEnd() {
      Form->FNameBoxes = false;
      Form->FRefreshTimer->start();
    }
  } loopEnd{this};
  FSynEdit1->Clear();
  ShowDataPage();
  ClearReport();
  AddReport(install ? QStringLiteral("Install ALL files") : QStringLiteral("Verify ALL files"));
  AddReport(QString());

  for (int i = 0; i < FFileListBox1->count(); ++i) {
    FFileListBox1->SetItemIndex(i);
    try {
      // Loads the file as a click does: models list, first model, editor.
      LoadFileNow(SelectedFilePath());
    } catch (const EOutOfMemory& e) {
      // Nothing of it was loaded: said in the report, and the next file.
      AddReport(QString::fromStdString(e.what()));
      continue;
    } catch (const std::exception&) {
      // What stopped the load (a number that cannot be read, a file that
      // cannot be read) is found again by the check below and reported.
    }
    if (install) {
      const TInstallResult result = InstallLoadedFile();
      if (!result.Errors.empty()) {
        std::vector<TReportLine> lines;
        for (const std::string& e : result.Errors) lines.push_back({TReportStyle::Error, e});
        AddReportLines(lines);
      } else if (!result.Installed)
        AddReport(QString::fromStdString(result.Message));
    } else if (RunVerify() > 0) {
      AddReportLines(FFan->Errors());
    }
    FModelView->RepaintPlots();
  }
}

QString TBlowdenForm::NewCatalogueText() {
  return QStringLiteral(
      "[Catalog]\n"
      "Maker=\n"
      "Range=\n"
      "Description=\n"
      "Version=\n"
      "Density=\n"
      "Kind=\n"
      "\n"
      "; Each further section is one fan model; its name is the section's name.\n"
      "; Flows in m3/s, pressures in Pa, shaft power in kW, sound power in dB,\n"
      "; speeds in rpm, lengths in mm. Remove the semicolons to use this example.\n"
      "; Model = diameter, reference speed, lowest speed, highest speed,\n"
      ";         outlet width, outlet height, nominal flow\n"
      ";[Example 450]\n"
      ";Model=450,1400,700,1400,450,450,2.5\n"
      ";Qa=1.0,1.5,2.0,2.5,3.0,3.5\n"
      ";Ps=620,600,560,500,420,310\n"
      ";Pw=1.20,1.40,1.60,1.80,1.95,2.10\n"
      ";Lw=80.0,80.5,81.0,81.5,82.0,83.0\n");
}

void TBlowdenForm::ActionNewExecute() {
  if (!ConfirmLeavingFile()) return;
  const QString start = FFileFolder.isEmpty() ? QDir::homePath() : FFileFolder;
  QString path = AskNewFileName
                     ? AskNewFileName(start)
                     : QFileDialog::getSaveFileName(this, QStringLiteral("New fan data file"),
                                                    QDir(start).filePath(QStringLiteral("New.qfn")),
                                                    QStringLiteral("Fan data files (*.qfn)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().compare(QLatin1String("qfn"), Qt::CaseInsensitive) != 0)
    path += QStringLiteral(".qfn");
  const std::string why =
      WriteFileAtomically(QFile::encodeName(path).toStdString(), NewCatalogueText().toStdString());
  if (!why.empty()) {
    TMessageBox::Error(this, ProgramTitle(),
                       QStringLiteral("The new fan data file %1 could not be written: %2")
                           .arg(path, QString::fromStdString(why)));
    return;
  }
  // Shown in its folder's list, selected and loaded, ready to be written on.
  const QString folder = QFileInfo(path).absolutePath();
  const auto clean = [](const QString& f) { return QDir::cleanPath(QFileInfo(f).absoluteFilePath()); };
  if (clean(folder) != clean(FFileFolder))
    ChangeFolder(folder);
  else
    FillFileList();
  const QString name = QFileInfo(path).fileName();
  for (int i = 0; i < FFileListBox1->count(); ++i)
    if (FFileListBox1->item(i)->text() == name) FFileListBox1->SetItemIndex(i);
  LoadFileNow(QFileInfo(path).absoluteFilePath());
  FPageControl1->setCurrentWidget(FEdit);
  FSynEdit1->setFocus();
}

}  // namespace blowden
