#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace blowden {

// CSV as spreadsheets read it (RFC 4180): a field holding a comma, a quote or
// a line break is quoted and its quotes doubled; records end with CRLF.
//   ab -> ab, a,b -> "a,b", say "hi" -> "say ""hi"""
std::string CsvField(std::string_view text);
// A text field of a CSV file that a spreadsheet must show as text, never run
// as a formula: a field beginning with "=", "+", "-", "@", a tab or a carriage
// return gets a leading "'"; a plain number stays a number.
//   =HYPERLINK("x") -> '=HYPERLINK("x"), @SUM(1,2) -> '@SUM(1,2), -12.5 -> -12.5,
//   -1+cmd|x -> '-1+cmd|x, EF-1 -> EF-1
std::string SpreadsheetText(std::string_view text);
// The fields quoted as needed, joined by commas, with the closing CRLF.
std::string CsvRecord(const std::vector<std::string>& fields);

// The records of a CSV text, each with the 1-based line it starts on. Quoted
// fields may hold commas, doubled quotes and line breaks; CRLF, LF and CR all
// end a record; a line holding nothing is skipped. False, with `error` naming
// the line, when a quoted field is not closed or text follows its closing quote.
struct TCsvRecord {
  int Line = 0;
  std::vector<std::string> Fields;
};
bool ParseCsv(std::string_view text, std::vector<TCsvRecord>& records, std::string& error);

}  // namespace blowden
