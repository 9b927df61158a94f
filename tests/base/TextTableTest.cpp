#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/TextTable.h"

namespace blowden {
namespace {

TEST(TextTable, ColumnsLineUpNumbersOnTheRight) {
  struct Case {
    const char* name;
    std::vector<std::vector<std::string>> rows;
    std::vector<bool> right;
    std::string text;
  } cases[] = {
      {"numbers right, text left, no blanks after the last column",
       {{"model", "speed [rpm]", "note"}, {"BC500", "905", "ok"}, {"MD1000", "1450", ""}},
       {false, true, false},
       "model   speed [rpm]  note\nBC500           905  ok\nMD1000         1450\n"},
      {"width in characters, not bytes",
       {{"flow [m³/s]", "x"}, {"1.5", "y"}},
       {true, false},
       "flow [m³/s]  x\n        1.5  y\n"},
      {"a line break or a tab is a blank; a short row is filled",
       {{"a", "b", "c"}, {"x\ty", "1\n2"}},
       {false, false, false},
       "a    b    c\nx y  1 2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(AlignedTable(c.rows, c.right), c.text);
  }
  // A huge cell is cut, the last column later than the others.
  const std::string huge(1000, 'm');
  const std::string text = AlignedTable({{huge, huge}}, {});
  EXPECT_EQ(text, TruncatedText(huge, kMaxCellWidth) + "  " + TruncatedText(huge, kMaxLastCellWidth) + "\n");
  EXPECT_EQ(TruncatedText("abcdef", 4), "abc…");
  EXPECT_EQ(TruncatedText("m³/s", 4), "m³/s");
  EXPECT_EQ(TextWidth("m³/s"), 4u);
}

TEST(TextTable, FileNamesWithoutFoldersUnlessTwoDifferOnlyByFolder) {
  struct Case {
    std::vector<std::string> paths;
    std::vector<std::string> names;
  } cases[] = {
      {{"/a/x.qfn", "/a/y.qfn"}, {"x.qfn", "y.qfn"}},
      {{"/a/x.qfn", "/b/x.qfn", "/c/d/y.qfn"}, {"a/x.qfn", "b/x.qfn", "y.qfn"}},
      {{"/p/a/x.qfn", "/q/a/x.qfn"}, {"p/a/x.qfn", "q/a/x.qfn"}},
      {{"/a/x.qfn", "/a/x.qfn", "/a/y.qfn"}, {"x.qfn", "x.qfn", "y.qfn"}},  // one file, twice
      {{"x.qfn", "/a/x.qfn"}, {"x.qfn", "a/x.qfn"}},
      {{"/a/x.qfn", "a/x.qfn"}, {"/a/x.qfn", "a/x.qfn"}},
      {{}, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ShortFileNames(c.paths), c.names) << ::testing::PrintToString(c.paths);
}

}  // namespace
}  // namespace blowden
