#include <gtest/gtest.h>

#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <stdexcept>
#include <string>

#include "AppTestSupport.h"
#include "app/IniHighlighter.h"
#include "app/SourceEditor.h"

namespace blowden {
namespace {

using test::ReadFileBytes;
using test::ToQ;
using test::TTempDir;

TEST(SourceEditor, SavingWithoutAnEditGivesTheSameBytes) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"UTF-8, LF", "[Catalog]\nRange=FX\n[F1]\nQa=1,2\n"},
      {"CRLF", "[Catalog]\r\nRange=FX\r\n"},
      {"byte-order mark", "\xEF\xBB\xBF[Catalog]\nMaker=M\xC3\xBCller\n"},
      {"Windows-1252 with ² and no-break space", "[A]\r\nUnit=m\xB3/s\xA0\r\nNote=caf\xE9\r\n"},
      {"mixed line endings", "[A]\nK=1\r\nL=2\rM=3\n"},
      {"no final line ending", "[A]\nK=1"},
      {"blank lines at the end", "[A]\n\n\n"},
      {"empty file", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir dir;
    const QString path = ToQ(dir.Write("a.qfn", c.bytes));
    TSourceEditor editor;
    editor.LoadFromFile(path);
    EXPECT_FALSE(editor.Modified());
    editor.SaveToFile(path);
    EXPECT_EQ(ReadFileBytes(path.toStdString()), c.bytes);
  }
}

TEST(SourceEditor, AnEditKeepsEncodingAndLineEndings) {
  TTempDir dir;
  const QString path = ToQ(dir.Write("a.qfn", "[A]\r\nUnit=m\xB3/s\r\n"));
  TSourceEditor editor;
  editor.LoadFromFile(path);
  EXPECT_EQ(editor.Encoding(), TTextEncoding::teWindows1252);
  EXPECT_EQ(editor.LineEnding(), QStringLiteral("\r\n"));
  EXPECT_EQ(editor.Text(), QString::fromUtf8("[A]\nUnit=m\xC2\xB3/s\n"));

  editor.moveCursor(QTextCursor::End);
  QTest::keyClicks(&editor, QStringLiteral("K=2"));
  EXPECT_TRUE(editor.Modified());
  editor.SaveToFile(path);
  EXPECT_EQ(ReadFileBytes(path.toStdString()), "[A]\r\nUnit=m\xB3/s\r\nK=2");
  EXPECT_TRUE(editor.Modified()) << "saving leaves the flag alone";
}

TEST(SourceEditor, ACharacterTheEncodingCannotHoldIsRefused) {
  TTempDir dir;
  const std::string bytes = "[A]\nUnit=m\xB3/s\n";
  const QString path = ToQ(dir.Write("a.qfn", bytes));
  TSourceEditor editor;
  editor.LoadFromFile(path);
  editor.moveCursor(QTextCursor::End);
  editor.insertPlainText(QString::fromUtf8("Arrow=\xE2\x86\x92\n"));  // U+2192
  try {
    editor.SaveToFile(path);
    FAIL() << "the save should be refused";
  } catch (const std::runtime_error& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("\xE2\x86\x92"), std::string::npos) << message;
    EXPECT_NE(message.find("U+2192"), std::string::npos) << message;
    EXPECT_NE(message.find("Windows-1252"), std::string::npos) << message;
  }
  EXPECT_EQ(ReadFileBytes(path.toStdString()), bytes);
}

TEST(SourceEditor, UserEditsAloneSetTheModifiedFlag) {
  TTempDir dir;
  const QString path = ToQ(dir.Write("a.qfn", "[A]\nK=1\n"));
  TSourceEditor editor;
  EXPECT_TRUE(editor.isReadOnly()) << "nothing to type into without a file";
  editor.LoadFromFile(path);
  EXPECT_FALSE(editor.isReadOnly());
  EXPECT_FALSE(editor.Modified());
  QTest::keyClicks(&editor, QStringLiteral("x"));
  EXPECT_TRUE(editor.Modified());
  editor.LoadFromFile(path);
  EXPECT_FALSE(editor.Modified());
  QTest::keyClicks(&editor, QStringLiteral("x"));
  editor.Clear();
  EXPECT_FALSE(editor.Modified());
  EXPECT_TRUE(editor.FileName().isEmpty());
  EXPECT_TRUE(editor.isReadOnly());
}

TEST(SourceEditor, LineCount) {
  struct Case {
    const char* name;
    std::string bytes;
    int lines;
  };
  const Case cases[] = {
      {"empty", "", 0},           {"one line", "a", 1},    {"one line ended", "a\n", 1},
      {"two lines", "a\r\nb", 2}, {"blank line", "\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTempDir dir;
    TSourceEditor editor;
    editor.LoadFromFile(ToQ(dir.Write("a.qfn", c.bytes)));
    EXPECT_EQ(editor.LineCount(), c.lines);
  }
}

TEST(SourceEditor, FileErrorsAreRaised) {
  TTempDir dir;
  TSourceEditor editor;
  EXPECT_THROW(editor.LoadFromFile(ToQ(dir.File("missing.qfn"))), std::runtime_error);
  const QString path = ToQ(dir.Write("a.qfn", "[A]\n"));
  editor.LoadFromFile(path);
  // A folder where the file should be written.
  std::filesystem::create_directory(dir.Path() / "folder.qfn");
  try {
    editor.SaveToFile(ToQ(dir.File("folder.qfn")));
    FAIL() << "saving over a folder must fail";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"", 0), 0u) << e.what();
  }
  EXPECT_THROW(editor.SaveToFile(QString()), std::runtime_error);
}

TEST(SourceEditor, SaveReplacesTheFileWhole) {
  TTempDir dir;
  const QString path = ToQ(dir.Write("a.qfn", "[A]\nK=1\n"));
  TSourceEditor editor;
  editor.LoadFromFile(path);
  editor.selectAll();
  editor.insertPlainText(QStringLiteral("[B]\nL=2\n"));
  editor.SaveToFile(path);
  EXPECT_EQ(ReadFileBytes(path.toStdString()), "[B]\nL=2\n");
  // No temporary file is left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

// The format the highlighter gave the character at `column` of line `line`.
QTextCharFormat FormatAt(const TSourceEditor& editor, int line, int column) {
  const QTextBlock block = editor.document()->findBlockByNumber(line);
  for (const QTextLayout::FormatRange& range : block.layout()->formats())
    if (column >= range.start && column < range.start + range.length) return range.format;
  return QTextCharFormat();
}

TEST(IniHighlighter, SectionsKeysAndComments) {
  TTempDir dir;
  TSourceEditor editor;
  editor.LoadFromFile(ToQ(dir.Write("a.qfn", "[Catalog]\nRange = FX\n  ; a comment\nQa=1,2\nplain text\n")));
  EXPECT_EQ(FormatAt(editor, 0, 0).fontWeight(), QFont::Bold);
  EXPECT_EQ(FormatAt(editor, 0, 8).fontWeight(), QFont::Bold);
  EXPECT_EQ(FormatAt(editor, 1, 0).foreground().color(), QColor(0x80, 0, 0));
  EXPECT_EQ(FormatAt(editor, 1, 4).foreground().color(), QColor(0x80, 0, 0));
  EXPECT_FALSE(FormatAt(editor, 1, 5).foreground().style() != Qt::NoBrush) << "the blank before = is plain";
  EXPECT_FALSE(FormatAt(editor, 1, 8).foreground().style() != Qt::NoBrush) << "the value is plain";
  EXPECT_TRUE(FormatAt(editor, 2, 2).fontItalic());
  EXPECT_EQ(FormatAt(editor, 2, 5).foreground().color(), QColor(0, 0x80, 0));
  EXPECT_EQ(FormatAt(editor, 3, 1).foreground().color(), QColor(0x80, 0, 0));
  EXPECT_EQ(FormatAt(editor, 4, 0).fontWeight(), QTextCharFormat().fontWeight());
}

}  // namespace
}  // namespace blowden
