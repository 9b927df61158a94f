#include "app/SourceEditor.h"

#include <QFile>
#include <QPainter>
#include <QSaveFile>
#include <QTextBlock>
#include <stdexcept>
#include <string>

#include "app/IniHighlighter.h"
#include "charts/ChartSupport.h"

namespace blowden {

namespace {

std::runtime_error FileError(const char* what, const QString& fileName, const QString& reason) {
  return std::runtime_error(
      QStringLiteral("%1 \"%2\". %3").arg(QLatin1String(what), fileName, reason).toStdString());
}

QString EncodingName(TTextEncoding encoding) {
  switch (encoding) {
    case TTextEncoding::teUtf8:
      return QStringLiteral("UTF-8");
    case TTextEncoding::teUtf8Bom:
      return QStringLiteral("UTF-8 with byte-order mark");
    case TTextEncoding::teWindows1252:
      return QStringLiteral("Windows-1252");
  }
  return QString();
}

}  // namespace

// The line numbers beside the text.
class TSourceEditor::TGutter : public QWidget {
 public:
  explicit TGutter(TSourceEditor* editor) : QWidget(editor), FEditor(editor) {}
  QSize sizeHint() const override { return QSize(FEditor->GutterWidth(), 0); }

 protected:
  void paintEvent(QPaintEvent* event) override { FEditor->PaintGutter(event); }

 private:
  TSourceEditor* FEditor;
};

TSourceEditor::TSourceEditor(QWidget* parent) : QPlainTextEdit(parent) {
  setFont(ProgramFont(QStringLiteral("Courier New"), 10));
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 8);
  FGutter = new TGutter(this);
  FGutter->setFont(ProgramFont(QStringLiteral("Courier New"), 8));
  FHighlighter = new TIniHighlighter(document());
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateGutterWidth(); });
  connect(this, &QPlainTextEdit::updateRequest, this, &TSourceEditor::UpdateGutter);
  UpdateGutterWidth();
  setReadOnly(true);
}

TSourceEditor::~TSourceEditor() = default;

void TSourceEditor::LoadFromFile(const QString& fileName) {
  QFile file(fileName);
  if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly))
    throw FileError("Cannot open file", fileName,
                    fileName.isEmpty() ? QStringLiteral("No file name was given.") : file.errorString());
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) throw FileError("Cannot open file", fileName, file.errorString());

  const TDecodedText decoded = DecodeText(std::string_view(bytes.constData(), std::size_t(bytes.size())));
  const bool crlf = DetectLineEnding(decoded.Utf8) == "\r\n";
  // The editor holds lines; every kind of line break becomes one break
  // here, and a save writes the file's own line ending between lines.
  QString text = QString::fromStdString(decoded.Utf8);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

  setPlainText(text);
  FFileName = fileName;
  FEncoding = decoded.Encoding;
  FLineEnding = crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
  FLoadedBytes = bytes;
  FLoadedText = Text();
  setReadOnly(false);
  document()->setModified(false);
}

void TSourceEditor::SaveToFile(const QString& fileName) {
  if (fileName.isEmpty())
    throw FileError("Cannot create file", fileName, QStringLiteral("No file name was given."));
  const QString text = Text();
  QByteArray bytes;
  if (fileName == FFileName && text == FLoadedText) {
    bytes = FLoadedBytes;
  } else {
    QString stored = text;
    if (FLineEnding != QLatin1String("\n")) stored.replace(QLatin1Char('\n'), FLineEnding);
    std::string bad;
    const auto encoded = EncodeText(stored.toStdString(), FEncoding, &bad);
    if (!encoded) {
      const QString ch = QString::fromStdString(bad);
      const QString code =
          ch.isEmpty()
              ? QString()
              : QStringLiteral(" (U+%1)").arg(ch.toUcs4().value(0), 4, 16, QLatin1Char('0')).toUpper();
      throw std::runtime_error(
          QStringLiteral(
              "Cannot save \"%1\": the text holds the character \"%2\"%3, which the file's "
              "encoding (%4) cannot store. Nothing was written; replace the character and save again.")
              .arg(fileName, ch, code, EncodingName(FEncoding))
              .toStdString());
    }
    bytes = QByteArray(encoded->data(), qsizetype(encoded->size()));
  }

  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) throw FileError("Cannot create file", fileName, file.errorString());
  if (file.write(bytes) != bytes.size()) {
    const QString reason = file.errorString();
    file.cancelWriting();
    throw FileError("Cannot create file", fileName, reason);
  }
  if (!file.commit()) throw FileError("Cannot create file", fileName, file.errorString());

  if (fileName == FFileName) {
    FLoadedBytes = bytes;
    FLoadedText = text;
  }
}

void TSourceEditor::Clear() {
  clear();
  FFileName.clear();
  FEncoding = TTextEncoding::teUtf8;
  FLineEnding = QStringLiteral("\n");
  FLoadedBytes.clear();
  FLoadedText.clear();
  setReadOnly(true);
  document()->setModified(false);
}

int TSourceEditor::LineCount() const {
  const QString text = Text();
  if (text.isEmpty()) return 0;
  int lines = int(text.count(QLatin1Char('\n')));
  if (!text.endsWith(QLatin1Char('\n'))) ++lines;
  return lines;
}

bool TSourceEditor::Modified() const { return document()->isModified(); }

void TSourceEditor::SetModified(bool value) { document()->setModified(value); }

QString TSourceEditor::Text() const {
  // The raw text keeps no-break spaces (toPlainText turns them into blanks);
  // its paragraph separators are the line breaks.
  QString text = document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return text;
}

int TSourceEditor::GutterWidth() const {
  int digits = 1;
  for (int max = qMax(1, blockCount()); max >= 10; max /= 10) ++digits;
  digits = qMax(digits, 3);
  return 8 + QFontMetrics(FGutter->font()).horizontalAdvance(QLatin1Char('9')) * digits;
}

void TSourceEditor::UpdateGutterWidth() { setViewportMargins(GutterWidth(), 0, 0, 0); }

void TSourceEditor::UpdateGutter(const QRect& rect, int dy) {
  if (dy)
    FGutter->scroll(0, dy);
  else
    FGutter->update(0, rect.y(), FGutter->width(), rect.height());
  if (rect.contains(viewport()->rect())) UpdateGutterWidth();
}

void TSourceEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect cr = contentsRect();
  FGutter->setGeometry(QRect(cr.left(), cr.top(), GutterWidth(), cr.height()));
}

void TSourceEditor::PaintGutter(QPaintEvent* event) {
  QPainter painter(FGutter);
  painter.fillRect(event->rect(), palette().color(QPalette::Window));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawLine(FGutter->width() - 1, event->rect().top(), FGutter->width() - 1, event->rect().bottom());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.setFont(FGutter->font());

  QTextBlock block = firstVisibleBlock();
  int number = block.blockNumber();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  int bottom = top + qRound(blockBoundingRect(block).height());
  const int height = fontMetrics().height();
  while (block.isValid() && top <= event->rect().bottom()) {
    if (block.isVisible() && bottom >= event->rect().top())
      painter.drawText(0, top, FGutter->width() - 5, height, Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(number + 1));
    block = block.next();
    top = bottom;
    bottom = top + qRound(blockBoundingRect(block).height());
    ++number;
  }
}

}  // namespace blowden
