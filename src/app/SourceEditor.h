#pragma once

#include <QByteArray>
#include <QFont>
#include <QPlainTextEdit>
#include <QString>
#include <QTextDocument>
#include <QTextOption>
#include <functional>
#include <memory>

#include "base/TextCodec.h"

namespace blowden {

class TIniHighlighter;

// What TSourceEditor::Prepare read from a file, ready to be shown.
struct TPreparedText {
  QString FileName;
  TTextEncoding Encoding = TTextEncoding::teUtf8;
  int DefaultEnding = 0;
  quint64 Device = 0, Inode = 0;
  qint64 Size = 0, TimeNs = 0;
  quint64 Hash = 0;
  std::unique_ptr<QTextDocument> Document;
};

// How the editor shows text: taken from the editor on its own thread and
// given to Prepare, which may run on another.
struct TEditorStyle {
  QFont Font;
  QTextOption Option;
};

// The source editor of a fan data file: plain text with INI highlighting, a
// line-number gutter and a modified flag that only the user's edits set.
//
// A file is read as UTF-8 when its bytes are valid UTF-8 (with or without a
// byte-order mark) and as Windows-1252 otherwise. Every line keeps its own
// line ending (LF, CRLF, CR, "\r\r\n" or U+2029): a save writes each line
// back with the ending it had, and new lines get the file's first ending.
// Saving writes the text back in the file's encoding through a checked
// temporary file (the old file stays whole until the new one is complete,
// and keeps its permission bits and owner). Saving without an edit writes
// the bytes that were read.
//
// The editor is read-only while it holds no file, so that nothing is typed
// that could not be saved anywhere. Files larger than MaxFileSize are not
// taken (they would not fit the memory the program allows itself).
class TSourceEditor : public QPlainTextEdit {
  Q_OBJECT

 public:
  // What the file on disk is like compared with what was loaded.
  enum class TDiskState { Unchanged, Changed, Missing };

  static constexpr qint64 MaxFileSize = 32ll << 20;

  explicit TSourceEditor(QWidget* parent = nullptr);
  ~TSourceEditor() override;

  // Reads `fileName` and builds its text (safe on any thread; the result
  // belongs to the thread that will show it, the program's main thread).
  // `progress` gets 0..100 and may return false to cancel (the result is
  // then empty). Throws std::runtime_error "Cannot open file "<name>".
  // <reason>" when the file cannot be read or is larger than MaxFileSize,
  // and std::bad_alloc when memory runs out.
  static std::unique_ptr<TPreparedText> Prepare(const QString& fileName, const TEditorStyle& style,
                                                const std::function<bool(int)>& progress = {});
  TEditorStyle Style() const;
  // Shows prepared text; the modified flag is cleared.
  void Adopt(std::unique_ptr<TPreparedText> text);

  // Replaces the text with the file's; the modified flag is cleared. Throws
  // as Prepare does (the editor then keeps what it held).
  void LoadFromFile(const QString& fileName);
  // Writes the text into `fileName`. Throws std::runtime_error when the text
  // holds a character the file's encoding cannot store (nothing is written)
  // or the file cannot be written ("Cannot create file "<name>". <reason>";
  // the file then keeps its old bytes). The modified flag is not changed.
  void SaveToFile(const QString& fileName);
  // Empties the text and forgets the file; the modified flag is cleared.
  void Clear();

  // Compares the loaded file on disk with what was loaded (size, time,
  // inode, then the bytes' hash).
  TDiskState DiskState() const;

  // The file the text was loaded from; empty when none.
  const QString& FileName() const { return FFileName; }
  TTextEncoding Encoding() const { return FEncoding; }
  // The line ending of new lines: the file's first one ("\r\n", "\n", "\r", ...).
  QString LineEnding() const;
  // Number of text lines: 0 for an empty text, otherwise the lines it holds
  // (a final line ending does not start another line).
  int LineCount() const;
  // Whether the text differs from its file: set by the user's edits; after a
  // save, an undo back past the save sets it too, whichever way the text got
  // there (the bytes a save would write are then compared with the file's).
  // Cleared by loading, clearing and SetModified(false).
  bool Modified() const;
  void SetModified(bool value);
  // The text as the file will hold it, with "\n" between lines.
  QString Text() const;
  // The bytes a save would write now (empty when the encoding cannot hold
  // the text; `badChar` then gets the character).
  QByteArray Bytes(QString* badChar = nullptr) const;

  // Width of the line-number gutter in pixels.
  int GutterWidth() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  class TGutter;
  friend class TGutter;

  void PaintGutter(QPaintEvent* event);
  void UpdateGutterWidth();
  void UpdateGutter(const QRect& rect, int dy);
  void TakeDocument(QTextDocument* document);

  TGutter* FGutter = nullptr;
  TIniHighlighter* FHighlighter = nullptr;
  QString FFileName;
  TTextEncoding FEncoding = TTextEncoding::teUtf8;
  int FDefaultEnding = 0;  // index into the line-ending kinds
  // The file as loaded or last saved: identity and the bytes' hash.
  struct TFileStamp {
    bool Known = false;
    quint64 Device = 0, Inode = 0;
    qint64 Size = 0, TimeNs = 0;
    quint64 Hash = 0;
  } FStamp;
  QTextDocument* FOwnDocument = nullptr;  // a document this editor made and deletes
  // The text was written into its file since the modified flag was last
  // cleared: Modified then also compares the text with what was written.
  bool FWrittenSinceClean = false;
};

}  // namespace blowden
