#include "app/SourceEditor.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/IniHighlighter.h"
#include "charts/ChartSupport.h"
#include "services/SafeWrite.h"

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

// The line endings a line may have, by index.
enum TEnding : int { leLf, leCrLf, leCr, leCrCrLf, leParagraph, leCount };

const QString& EndingText(int kind) {
  static const QString texts[leCount] = {QStringLiteral("\n"), QStringLiteral("\r\n"), QStringLiteral("\r"),
                                         QStringLiteral("\r\r\n"), QString(QChar::ParagraphSeparator)};
  return texts[kind >= 0 && kind < leCount ? kind : leLf];
}

// The ending of a line whose ending differs from the file's first one.
class TLineEnd : public QTextBlockUserData {
 public:
  explicit TLineEnd(int kind) : Kind(kind) {}
  int Kind;
};

// 64-bit FNV-1a: enough to tell a changed file from the one loaded.
quint64 HashBytes(std::string_view bytes) {
  quint64 h = 1469598103934665603ull;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

bool StatFile(const QString& fileName, struct stat& st) {
  return ::stat(QFile::encodeName(fileName).constData(), &st) == 0;
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

TEditorStyle TSourceEditor::Style() const {
  TEditorStyle style;
  style.Font = document()->defaultFont();
  style.Option = document()->defaultTextOption();
  style.Option.setWrapMode(QTextOption::NoWrap);
  return style;
}

std::unique_ptr<TPreparedText> TSourceEditor::Prepare(const QString& fileName, const TEditorStyle& style,
                                                      const std::function<bool(int)>& progress) {
  if (fileName.isEmpty())
    throw FileError("Cannot open file", fileName, QStringLiteral("No file name was given."));
  const std::string path = QFile::encodeName(fileName).toStdString();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0)
    throw FileError("Cannot open file", fileName, QString::fromLocal8Bit(std::strerror(errno)));
  if (st.st_size > MaxFileSize)
    throw FileError("Cannot open file", fileName,
                    QStringLiteral("The file (%1 MB) is larger than the editor takes (%2 MB); it can be "
                                   "verified, installed and selected from, but not edited here.")
                        .arg((st.st_size + (1 << 20) - 1) >> 20)
                        .arg(MaxFileSize >> 20));
  const auto report = [&progress](int percent) { return !progress || progress(percent); };

  auto text = std::make_unique<TPreparedText>();
  text->FileName = fileName;
  std::string bytes;
  if (const std::string why = ReadWholeFile(path, bytes); !why.empty())
    throw FileError("Cannot open file", fileName, QString::fromStdString(why));
  text->Device = st.st_dev;
  text->Inode = st.st_ino;
  text->Size = qint64(bytes.size());
  text->TimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  text->Hash = HashBytes(bytes);
  if (!report(20)) return nullptr;

  TDecodedText decoded = DecodeTextInPlace(std::move(bytes));
  text->Encoding = decoded.Encoding;
  QString lines = QString::fromStdString(decoded.Utf8);
  decoded.Utf8 = std::string();
  if (!report(40)) return nullptr;

  // Every line ending becomes one block break; the endings that differ from
  // the first one are remembered per line.
  std::vector<std::pair<int, int>> otherEndings;  // line, ending
  int firstEnding = -1;
  qsizetype to = 0;
  int line = 0;
  QChar* data = lines.data();
  const qsizetype size = lines.size();
  for (qsizetype from = 0; from < size;) {
    const QChar c = data[from];
    int ending = -1;
    if (c == u'\n') {
      ending = leLf;
      from += 1;
    } else if (c == u'\r') {
      if (from + 2 < size && data[from + 1] == u'\r' && data[from + 2] == u'\n') {
        ending = leCrCrLf;
        from += 3;
      } else if (from + 1 < size && data[from + 1] == u'\n') {
        ending = leCrLf;
        from += 2;
      } else {
        ending = leCr;
        from += 1;
      }
    } else if (c == QChar::ParagraphSeparator) {
      ending = leParagraph;
      from += 1;
    } else {
      data[to++] = c;
      ++from;
      continue;
    }
    if (firstEnding < 0) firstEnding = ending;
    if (ending != firstEnding) otherEndings.emplace_back(line, ending);
    data[to++] = QChar::ParagraphSeparator;
    ++line;
  }
  lines.truncate(to);
  text->DefaultEnding = firstEnding < 0 ? leLf : firstEnding;
  if (!report(60)) return nullptr;

  auto document = std::make_unique<QTextDocument>();
  document->setUndoRedoEnabled(false);
  document->setDefaultFont(style.Font);
  document->setDefaultTextOption(style.Option);
  document->setDocumentLayout(new QPlainTextDocumentLayout(document.get()));
  QTextCursor(document.get()).insertText(lines);
  lines = QString();
  if (!report(90)) return nullptr;
  for (const auto& [number, ending] : otherEndings)
    document->findBlockByNumber(number).setUserData(new TLineEnd(ending));
  document->setUndoRedoEnabled(true);
  document->setModified(false);
  // The document is shown by the program's main thread.
  if (QCoreApplication::instance()) document->moveToThread(QCoreApplication::instance()->thread());
  text->Document = std::move(document);
  return text;
}

void TSourceEditor::TakeDocument(QTextDocument* document) {
  QTextDocument* previous = FOwnDocument;
  document->setParent(this);
  // A highlighter of its own for each document (the previous one goes with
  // its document); a file is marked only as long as that is quick.
  FHighlighter = nullptr;
  if (document->characterCount() <= (1 << 20)) {
    FHighlighter = new TIniHighlighter(document);
    FHighlighter->rehighlight();
  }
  setDocument(document);
  FOwnDocument = document;
  if (previous) previous->deleteLater();
  UpdateGutterWidth();
}

void TSourceEditor::Adopt(std::unique_ptr<TPreparedText> text) {
  if (!text || !text->Document) return;
  TakeDocument(text->Document.release());
  FFileName = text->FileName;
  FEncoding = text->Encoding;
  FDefaultEnding = text->DefaultEnding;
  FStamp = {true, text->Device, text->Inode, text->Size, text->TimeNs, text->Hash};
  setReadOnly(false);
  SetModified(false);
}

void TSourceEditor::LoadFromFile(const QString& fileName) { Adopt(Prepare(fileName, Style())); }

QString TSourceEditor::LineEnding() const { return EndingText(FDefaultEnding); }

QByteArray TSourceEditor::Bytes(QString* badChar) const {
  QString stored;
  stored.reserve(document()->characterCount() + document()->blockCount());
  for (QTextBlock block = document()->begin(); block.isValid();) {
    stored += block.text();
    const QTextBlock next = block.next();
    if (next.isValid()) {
      const auto* end = static_cast<const TLineEnd*>(block.userData());
      stored += EndingText(end ? end->Kind : FDefaultEnding);
    }
    block = next;
  }
  std::string bad;
  const auto encoded = EncodeText(stored.toStdString(), FEncoding, &bad);
  if (!encoded) {
    if (badChar) *badChar = QString::fromStdString(bad);
    return QByteArray();
  }
  return QByteArray(encoded->data(), qsizetype(encoded->size()));
}

void TSourceEditor::SaveToFile(const QString& fileName) {
  if (fileName.isEmpty())
    throw FileError("Cannot create file", fileName, QStringLiteral("No file name was given."));
  QString ch;
  const QByteArray bytes = Bytes(&ch);
  if (bytes.isEmpty() && !ch.isEmpty()) {
    const QString code =
        QStringLiteral(" (U+%1)").arg(ch.toUcs4().value(0), 4, 16, QLatin1Char('0')).toUpper();
    throw std::runtime_error(
        QStringLiteral(
            "Cannot save \"%1\": the text holds the character \"%2\"%3, which the file's "
            "encoding (%4) cannot store. Nothing was written; replace the character and save again.")
            .arg(fileName, ch, code, EncodingName(FEncoding))
            .toStdString());
  }
  const std::string path = QFile::encodeName(fileName).toStdString();
  const std::string why =
      WriteFileAtomically(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
  if (!why.empty()) throw FileError("Cannot create file", fileName, QString::fromStdString(why));

  if (fileName == FFileName) {
    // What is on disk now is what this editor wrote.
    const quint64 hash = HashBytes(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    struct stat st {};
    if (StatFile(fileName, st))
      FStamp = {true,
                quint64(st.st_dev),
                quint64(st.st_ino),
                qint64(st.st_size),
                qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                hash};
    else
      FStamp.Hash = hash;
    FWrittenSinceClean = true;
  }
}

TSourceEditor::TDiskState TSourceEditor::DiskState() const {
  if (FFileName.isEmpty() || !FStamp.Known) return TDiskState::Unchanged;
  struct stat st {};
  if (!StatFile(FFileName, st)) return TDiskState::Missing;
  if (!S_ISREG(st.st_mode)) return TDiskState::Changed;
  const qint64 time = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  if (quint64(st.st_dev) == FStamp.Device && quint64(st.st_ino) == FStamp.Inode &&
      qint64(st.st_size) == FStamp.Size && time == FStamp.TimeNs)
    return TDiskState::Unchanged;
  // Touched or replaced: the bytes decide.
  if (qint64(st.st_size) != FStamp.Size) return TDiskState::Changed;
  std::string bytes;
  if (!ReadWholeFile(QFile::encodeName(FFileName).toStdString(), bytes).empty()) return TDiskState::Changed;
  return HashBytes(bytes) == FStamp.Hash ? TDiskState::Unchanged : TDiskState::Changed;
}

void TSourceEditor::Clear() {
  clear();
  FFileName.clear();
  FEncoding = TTextEncoding::teUtf8;
  FDefaultEnding = leLf;
  FStamp = TFileStamp();
  setReadOnly(true);
  SetModified(false);
}

int TSourceEditor::LineCount() const {
  const QString text = Text();
  if (text.isEmpty()) return 0;
  int lines = int(text.count(QLatin1Char('\n')));
  if (!text.endsWith(QLatin1Char('\n'))) ++lines;
  return lines;
}

bool TSourceEditor::Modified() const {
  if (document()->isModified()) return true;
  // The document counts from the state its flag was last cleared at; once
  // the text was written since, an undo can lead back to that state while
  // the file holds the later text. The bytes decide then.
  if (!FWrittenSinceClean) return false;
  QString bad;
  const QByteArray bytes = Bytes(&bad);
  if (bytes.isEmpty() && !bad.isEmpty()) return true;
  return HashBytes(std::string_view(bytes.constData(), std::size_t(bytes.size()))) != FStamp.Hash;
}

void TSourceEditor::SetModified(bool value) {
  if (!value) FWrittenSinceClean = false;
  document()->setModified(value);
}

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
