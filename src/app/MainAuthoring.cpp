// The main window's authoring commands: "Import table..." and "Derive model...".
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "app/Controls.h"
#include "app/ImportDialog.h"
#include "app/Main.h"
#include "app/SourceEditor.h"
#include "base/Convert.h"
#include "base/IniFile.h"
#include "base/TextCodec.h"
#include "fan/FanAuthoring.h"
#include "fan/FanOutcome.h"
#include "fan/QmFan.h"
#include "services/MessageBox.h"
#include "services/SafeWrite.h"

namespace blowden {

namespace {

const QString kNoFile = QStringLiteral("Load a fan data file first: the new model goes into its text.");

}  // namespace

bool TBlowdenForm::InsertSection(const std::string& section) {
  if (FSynEdit1->FileName().isEmpty()) {
    TMessageBox::Information(this, QStringLiteral("Insert model"), kNoFile);
    return false;
  }
  std::string bad;
  if (!EncodeText(section, FSynEdit1->Encoding(), &bad)) {
    TMessageBox::Error(this, QStringLiteral("Insert model"),
                       QStringLiteral("The file is written in Windows-1252, which cannot hold the character "
                                      "\"%1\". Rename the model.")
                           .arg(QString::fromStdString(bad)));
    return false;
  }
  QString text = QString::fromStdString(section);
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);

  // An empty line between the last line and the new section.
  QTextDocument* document = FSynEdit1->document();
  const QTextBlock last = document->lastBlock();
  QString before;
  if (!last.text().trimmed().isEmpty())
    before = QStringLiteral("\n\n");
  else if (last.previous().isValid() && !last.previous().text().trimmed().isEmpty())
    before = QStringLiteral("\n");

  QTextCursor cursor(document);
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  cursor.insertText(before);
  const int start = cursor.position();
  cursor.insertText(text + QLatin1Char('\n'));
  cursor.endEditBlock();

  // The new section in view from its first line: to the end first, then back.
  FPageControl1->setCurrentWidget(FEdit);
  QTextCursor shown(document);
  shown.movePosition(QTextCursor::End);
  FSynEdit1->setTextCursor(shown);
  FSynEdit1->ensureCursorVisible();
  shown.setPosition(start);
  FSynEdit1->setTextCursor(shown);
  FSynEdit1->ensureCursorVisible();
  FSynEdit1->setFocus();
  SetStatusText(QStringLiteral("Model inserted into the text: save to write it to the file"));
  return true;
}

void TBlowdenForm::ActionImportExecute() {
  if (FSynEdit1->FileName().isEmpty()) {
    TMessageBox::Information(this, QStringLiteral("Import table"), kNoFile);
    return;
  }
  // The names and the density of the text as it is now, edits included.
  const std::string text = FSynEdit1->Text().toStdString();
  const TIniFile ini(text);
  TImportDialog dialog(ini.ReadSections(), ini.ReadFloat("Catalog", "Density", kDefaultDensity), this);
  const int result = RunDialog ? RunDialog(dialog) : dialog.exec();
  if (result == QDialog::Accepted && !dialog.Section().empty()) InsertSection(dialog.Section());
}

void TBlowdenForm::ActionDeriveExecute() {
  if (FSynEdit1->FileName().isEmpty()) {
    TMessageBox::Information(this, QStringLiteral("Derive model"), kNoFile);
    return;
  }
  const QString name = FFansListBox->SelectedText();
  if (name.isEmpty()) {
    TMessageBox::Information(this, QStringLiteral("Derive model"),
                             QStringLiteral("Select the model to derive from in the list of models."));
    return;
  }
  // The model as stored on disk, read apart from the window's fan model so
  // that the view stays as it is.
  const std::string file = FFan->FileName();
  TFan source;
  source.LoadFromFile(file);
  std::string failure;
  try {
    source.SelectModel(name.toStdString());
  } catch (const EConvertError& e) {
    failure = e.what();
  }
  if (failure.empty())
    if (const auto model = CompleteModel(source); !model) failure = model.Error().Text;
  std::string bytes;
  if (failure.empty()) failure = ReadWholeFile(file, bytes);
  std::string ptError;
  const std::optional<std::vector<double>> totals =
      failure.empty() ? ListedTotalPressures(bytes, source.Model().Name, ptError) : std::nullopt;
  if (failure.empty()) failure = ptError;
  if (!failure.empty()) {
    TMessageBox::Error(
        this, QStringLiteral("Derive model"),
        QStringLiteral("The model %1 cannot be read: %2").arg(name, QString::fromStdString(failure)));
    return;
  }
  const TIniFile ini(FSynEdit1->Text().toStdString());
  TDeriveDialog dialog(source.Model(), totals.value_or(std::vector<double>()), totals.has_value(),
                       ini.ReadSections(), source.Header().Density, this);
  const int result = RunDialog ? RunDialog(dialog) : dialog.exec();
  if (result == QDialog::Accepted && !dialog.Section().empty()) InsertSection(dialog.Section());
}

}  // namespace blowden
