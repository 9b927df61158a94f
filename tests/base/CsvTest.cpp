#include <gtest/gtest.h>

#include "base/Csv.h"

namespace blowden {
namespace {

TEST(Csv, FieldsAreQuotedOnlyWhenTheyMustBe) {
  const struct {
    const char* In;
    const char* Out;
  } cases[] = {{"ab", "ab"},
               {"", ""},
               {"a,b", "\"a,b\""},
               {"say \"hi\"", "\"say \"\"hi\"\"\""},
               {"two\nlines", "\"two\nlines\""},
               {"cr\r", "\"cr\r\""}};
  for (const auto& c : cases) EXPECT_EQ(CsvField(c.In), c.Out) << c.In;
  EXPECT_EQ(CsvRecord({"a", "b,c", ""}), "a,\"b,c\",\r\n");
}

TEST(Csv, TextThatASpreadsheetWouldRunGetsAQuote) {
  const struct {
    const char* In;
    const char* Out;
  } cases[] = {{"=HYPERLINK(\"http://x\",\"m\")", "'=HYPERLINK(\"http://x\",\"m\")"},
               {"+1+cmd|' /C calc'!A0", "'+1+cmd|' /C calc'!A0"},
               {"-1+2", "'-1+2"},
               {"@SUM(1,2)", "'@SUM(1,2)"},
               {"\t=1", "'\t=1"},
               {"\r=1", "'\r=1"},
               {"-", "'-"},
               {"-inf", "'-inf"},
               {"--5", "'--5"},
               {"1e", "1e"},
               // Numbers stay numbers; text that starts otherwise stays as it is.
               {"-12.5", "-12.5"},
               {"+0.5", "+0.5"},
               {"-1.5E-3", "-1.5E-3"},
               {"-.5", "-.5"},
               {"EF-1", "EF-1"},
               {"a=b", "a=b"},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(SpreadsheetText(c.In), c.Out) << c.In;
}

TEST(Csv, ParsesWhatItWritesWithLineNumbers) {
  const std::string text = CsvRecord({"mark", "flow"}) + "\n" + CsvRecord({"F-1", "1.5"}) +
                           CsvRecord({"F \"2\"", "a,b"}) + "x\ny\r\nz\rlast";
  std::vector<TCsvRecord> records;
  std::string error;
  ASSERT_TRUE(ParseCsv(text, records, error)) << error;
  ASSERT_EQ(records.size(), 7u);
  EXPECT_EQ(records[0].Fields, (std::vector<std::string>{"mark", "flow"}));
  EXPECT_EQ(records[1].Line, 3);  // the blank line 2 is skipped
  EXPECT_EQ(records[2].Fields, (std::vector<std::string>{"F \"2\"", "a,b"}));
  EXPECT_EQ(records[3].Line, 5);
  EXPECT_EQ(records[6].Line, 8);
  EXPECT_EQ(records[6].Fields, (std::vector<std::string>{"last"}));
}

TEST(Csv, QuotedLineBreaksCountLinesAndEmptyFieldsStay) {
  std::vector<TCsvRecord> records;
  std::string error;
  ASSERT_TRUE(ParseCsv("\"a\nb\",,\nnext,\n", records, error)) << error;
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].Fields, (std::vector<std::string>{"a\nb", "", ""}));
  EXPECT_EQ(records[1].Line, 3);
  EXPECT_EQ(records[1].Fields, (std::vector<std::string>{"next", ""}));
}

TEST(Csv, MalformedQuotesNameTheirLine) {
  const struct {
    const char* Text;
    const char* Error;
  } cases[] = {{"a\n\"open,b\n", "line 2: a quoted field is not closed"},
               {"a\nb\n\"x\"y,z\n", "line 3: text after the closing quote of a field"}};
  for (const auto& c : cases) {
    std::vector<TCsvRecord> records;
    std::string error;
    EXPECT_FALSE(ParseCsv(c.Text, records, error));
    EXPECT_EQ(error, c.Error);
  }
}

}  // namespace
}  // namespace blowden
