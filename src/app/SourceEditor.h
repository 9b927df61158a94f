#pragma once

#include <QByteArray>
#include <QPlainTextEdit>
#include <QString>

#include "base/TextCodec.h"

namespace blowden {

class TIniHighlighter;

// The source editor of a fan data file: plain text with INI highlighting, a
// line-number gutter and a modified flag that only the user's edits set.
//
// A file is read as UTF-8 when its bytes are valid UTF-8 (with or without a
// byte-order mark) and as Windows-1252 otherwise; its line ending (CRLF or
// LF, the first one in the file) is remembered. Saving writes the text back
// in that encoding with that line ending, atomically (the old file stays
// whole until the new one is complete). Saving without an edit writes the
// bytes that were read.
//
// The editor is read-only while it holds no file, so that nothing is typed
// that could not be saved anywhere.
class TSourceEditor : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TSourceEditor(QWidget* parent = nullptr);
  ~TSourceEditor() override;

  // Replaces the text with the file's; the modified flag is cleared. Throws
  // std::runtime_error "Cannot open file "<name>". <reason>" when the file
  // cannot be read (the editor then keeps what it held).
  void LoadFromFile(const QString& fileName);
  // Writes the text into `fileName`. Throws std::runtime_error when the text
  // holds a character the file's encoding cannot store (nothing is written)
  // or the file cannot be written ("Cannot create file "<name>". <reason>").
  // The modified flag is not changed.
  void SaveToFile(const QString& fileName);
  // Empties the text and forgets the file; the modified flag is cleared.
  void Clear();

  // The file the text was loaded from; empty when none.
  const QString& FileName() const { return FFileName; }
  TTextEncoding Encoding() const { return FEncoding; }
  // "\r\n" or "\n".
  const QString& LineEnding() const { return FLineEnding; }
  // Number of text lines: 0 for an empty text, otherwise the lines it holds
  // (a final line ending does not start another line).
  int LineCount() const;
  bool Modified() const;
  void SetModified(bool value);
  // The text as the file will hold it, with "\n" between lines.
  QString Text() const;

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

  TGutter* FGutter = nullptr;
  TIniHighlighter* FHighlighter = nullptr;
  QString FFileName;
  TTextEncoding FEncoding = TTextEncoding::teUtf8;
  QString FLineEnding = QStringLiteral("\n");
  QByteArray FLoadedBytes;  // the file as read
  QString FLoadedText;      // Text() right after loading
};

}  // namespace blowden
