#include "selector/ExportCommands.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSettings>
#include <QSize>
#include <QWidget>

#include "base/Csv.h"
#include "services/FileChecks.h"
#include "services/MessageBox.h"
#include "services/SafeWrite.h"
#include "services/Settings.h"

namespace blowden {

namespace {

const QString kExportFolderKey = QStringLiteral("Settings/ExportFolder");

QString Title() { return QApplication::applicationDisplayName(); }

QString DocumentsFolder() {
  const std::string& documents = StartupValues().MyDocumentsFolder;
  return documents.empty() ? QDir::homePath() : QString::fromStdString(documents);
}

}  // namespace

QString LastExportFolder() {
  const QString stored = OpenSettings()->value(kExportFolderKey).toString();
  // A folder removed since (a USB stick taken out) is not offered again.
  if (!stored.isEmpty() && QFileInfo(stored).isDir()) return QDir::cleanPath(stored);
  return QDir::cleanPath(DocumentsFolder());
}

void RememberExportFolder(const QString& filePath) {
  OpenSettings()->setValue(kExportFolderKey, QFileInfo(filePath).absolutePath());
}

QString AskExportPath(QWidget* parent, const TAskSavePath& ask, const QString& title, const QString& fileName,
                      const QString& filter, const QString& suffix) {
  const QString suggested = QDir(LastExportFolder()).filePath(fileName);
  QString path;
  if (ask) {
    path = ask(title, suggested, filter);
  } else {
    // The dialog adds the suffix itself, so that its question before
    // replacing a file is about the file that will be written.
    QFileDialog dialog(parent, title, suggested, filter);
    dialog.setObjectName(QStringLiteral("ExportFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix.mid(suffix.startsWith(QLatin1Char('.')) ? 1 : 0));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    path = dialog.selectedFiles().front();
  }
  if (path.isEmpty()) return {};
  if (!path.endsWith(suffix, Qt::CaseInsensitive) && !QFileInfo(path).isDir()) path += suffix;
  return path;
}

QString FileNameOf(const QString& name) {
  QString result;
  result.reserve(name.size());
  for (const QChar c : name) {
    const bool bad = c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c);
    result.append(bad ? QLatin1Char('_') : c);
  }
  result = result.trimmed();
  // "." and ".." name folders, and a name of dots alone hides the file.
  bool onlyDots = true;
  for (const QChar c : result) onlyDots = onlyDots && c == QLatin1Char('.');
  return onlyDots ? QStringLiteral("Datasheet") : result;
}

bool WriteExportFile(QWidget* parent, const QString& path, std::string_view bytes, const QString& what) {
  const std::string target = QFile::encodeName(path).toStdString();
  // The save dialog asked before replacing a file; a catalogue is never
  // replaced by an export, whatever was answered.
  if (ExistingFileKind(target) == TFileKind::FanData) {
    TMessageBox::Error(parent, Title(),
                       QStringLiteral("The %1 was not written: %2 is a fan data file. Choose another name.")
                           .arg(what, path));
    return false;
  }
  // Nor is a file the user may not write, however writable its folder.
  if (const std::string readOnly = ReadOnlyRefusal(target); !readOnly.empty()) {
    TMessageBox::Error(
        parent, Title(),
        QStringLiteral("The %1 was not written to %2: %3").arg(what, path, QString::fromStdString(readOnly)));
    return false;
  }
  const std::string why = WriteFileAtomically(target, bytes);
  if (!why.empty()) {
    TMessageBox::Error(
        parent, Title(),
        QStringLiteral("The %1 could not be written to %2: %3").arg(what, path, QString::fromStdString(why)));
    return false;
  }
  RememberExportFolder(path);
  return true;
}

bool ExportDatasheets(QWidget* parent, const std::vector<TDatasheet>& pages, const QString& path) {
  const QString what = pages.size() == 1 ? QStringLiteral("datasheet") : QStringLiteral("datasheets");
  std::string pdf;
  const std::string error = DatasheetPdf(pages, pdf);
  if (!error.empty()) {
    TMessageBox::Error(
        parent, Title(),
        QStringLiteral("The %1 for %2 could not be made: %3").arg(what, path, QString::fromStdString(error)));
    return false;
  }
  return WriteExportFile(parent, path, pdf, what);
}

void PrintDatasheets(QWidget* parent, const std::vector<TDatasheet>& pages,
                     const std::function<void(QPrintPreviewDialog&)>& hook) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(UsesLetterPaper(QLocale()) ? QPageSize::Letter : QPageSize::A4));
  if (pages.size() == 1) printer.setDocName(QString::fromStdString(pages.front().Model));
  QPrintPreviewDialog dialog(&printer, parent);
  dialog.setObjectName(QStringLiteral("PrintPreview"));
  dialog.setWindowTitle(QStringLiteral("Print datasheet"));
  // Big enough to read the page: the size of the window it was asked from.
  if (parent) dialog.resize(parent->window()->size().expandedTo(QSize(700, 600)));
  // The preview paints again on every change of paper or zoom: a failure is
  // told once, not at each repaint.
  bool told = false;
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
    QString error;
    if (!PaintDatasheets(*target, pages, error) && !told) {
      told = true;
      TMessageBox::Error(parent, Title(),
                         QStringLiteral("The datasheet could not be printed: %1").arg(error));
    }
  });
  if (hook)
    hook(dialog);
  else
    dialog.exec();
}

std::string TableAsCsv(const QAbstractItemModel& model) {
  std::string text;
  std::vector<std::string> fields;
  for (int c = 0; c < model.columnCount(); ++c)
    // A header on two lines in the view is one line in the file.
    fields.push_back(model.headerData(c, Qt::Horizontal)
                         .toString()
                         .replace(QLatin1Char('\n'), QLatin1Char(' '))
                         .toStdString());
  text += CsvRecord(fields);
  for (int r = 0; r < model.rowCount(); ++r) {
    fields.clear();
    // A maker, model or mark is text to a spreadsheet, never a formula.
    for (int c = 0; c < model.columnCount(); ++c)
      fields.push_back(SpreadsheetText(model.index(r, c).data().toString().toStdString()));
    text += CsvRecord(fields);
  }
  return text;
}

}  // namespace blowden
