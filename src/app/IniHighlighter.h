#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace blowden {

// Highlighting of INI text as the fan data files are read: a line whose
// first non-blank character is ";" is a comment (green italics); "[Name]" is
// a section header (bold, up to and including the "]"); on a "Key=Value" line
// the key is maroon; values, numbers, symbols and blanks keep the editor's
// default style.
//   "[Catalog]"     -> "[Catalog]" bold
//   "Qa=0.5,1.0"    -> "Qa" maroon, "=0.5,1.0" plain
//   "  ; measured"  -> "; measured" green italic
class TIniHighlighter : public QSyntaxHighlighter {
  Q_OBJECT

 public:
  explicit TIniHighlighter(QTextDocument* document);

  // Token formats, for tests and for a caller that wants other colours.
  const QTextCharFormat& CommentFormat() const { return FComment; }
  const QTextCharFormat& SectionFormat() const { return FSection; }
  const QTextCharFormat& KeyFormat() const { return FKey; }

 protected:
  void highlightBlock(const QString& text) override;

 private:
  QTextCharFormat FComment;
  QTextCharFormat FSection;
  QTextCharFormat FKey;
};

}  // namespace blowden
