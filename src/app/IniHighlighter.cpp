#include "app/IniHighlighter.h"

#include <QFont>

namespace blowden {

TIniHighlighter::TIniHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  FComment.setForeground(QColor(0x00, 0x80, 0x00));
  FComment.setFontItalic(true);
  FSection.setFontWeight(QFont::Bold);
  FKey.setForeground(QColor(0x80, 0x00, 0x00));
}

void TIniHighlighter::highlightBlock(const QString& text) {
  qsizetype start = 0;
  while (start < text.size() && (text[start] == u' ' || text[start] == u'\t')) ++start;
  if (start >= text.size()) return;

  if (text[start] == u';') {
    setFormat(int(start), int(text.size() - start), FComment);
    return;
  }
  if (text[start] == u'[') {
    const qsizetype close = text.indexOf(u']', start);
    const qsizetype end = close < 0 ? text.size() : close + 1;
    setFormat(int(start), int(end - start), FSection);
    return;
  }
  const qsizetype equals = text.indexOf(u'=', start);
  if (equals < 0) return;
  qsizetype keyEnd = equals;
  while (keyEnd > start && (text[keyEnd - 1] == u' ' || text[keyEnd - 1] == u'\t')) --keyEnd;
  if (keyEnd > start) setFormat(int(start), int(keyEnd - start), FKey);
}

}  // namespace blowden
