#pragma once

#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "report/Datasheet.h"

class QAbstractItemModel;
class QPrintPreviewDialog;
class QWidget;

// What the selector's windows share to put their results outside the
// program: a datasheet PDF, a printout, a CSV table. Every command starts in
// the folder the last export went to.
namespace blowden {

// The folder the export commands offer first: the one the last export was
// written to, while it exists; the documents folder otherwise.
QString LastExportFolder();
// Remembers the folder of `filePath` (a file just written) for the next export.
void RememberExportFolder(const QString& filePath);

// Asks where to save: the title, the suggested full path and the file type
// filter ("PDF documents (*.pdf)"); an empty answer cancels. The windows
// hold one of these; unset, a file dialog asks.
using TAskSavePath =
    std::function<QString(const QString& title, const QString& suggested, const QString& filter)>;

// Asks for the file to export to: starts in LastExportFolder() with
// `fileName`, appends `suffix` (".pdf") when the answer has no such ending.
// Empty when the user cancels.
QString AskExportPath(QWidget* parent, const TAskSavePath& ask, const QString& title, const QString& fileName,
                      const QString& filter, const QString& suffix);

// A file name made of a model's name: characters that a file name cannot
// hold on any common system become '_'; empty or dots-only becomes "Datasheet".
//   "T500" -> "T500", "RH 40/2" -> "RH 40_2", "a:b*c" -> "a_b_c"
QString FileNameOf(const QString& name);

// Writes the bytes to `path` atomically. On failure an error box names the
// file and the reason, the file keeps its old bytes, and false is returned;
// on success the folder is remembered for the next export. An existing fan
// data file, or a file the user may not write, is never replaced (an error
// box says so).
bool WriteExportFile(QWidget* parent, const QString& path, std::string_view bytes, const QString& what);

// The pages as one PDF written to `path`; an error box when it cannot be
// made or written.
bool ExportDatasheets(QWidget* parent, const std::vector<TDatasheet>& pages, const QString& path);

// The print dialog with a preview of the pages, painted on the printer's
// pages. `hook`, when set, receives the dialog instead of its being run.
void PrintDatasheets(QWidget* parent, const std::vector<TDatasheet>& pages,
                     const std::function<void(QPrintPreviewDialog&)>& hook);

// A table as CSV text (RFC 4180, UTF-8, CRLF): the header's captions, then
// each row's shown texts, in the model's order; a text a spreadsheet would
// take for a formula ("=...", "@...") gets a leading "'" (SpreadsheetText).
std::string TableAsCsv(const QAbstractItemModel& model);

}  // namespace blowden
