#include "base/Csv.h"

namespace blowden {

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

namespace {

// A decimal number as a spreadsheet reads one: "-12", "+0.5", "-1.5E-3".
bool PlainNumber(std::string_view text) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i - start;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t count = digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    count += digits();
  }
  if (count == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}

}  // namespace

std::string SpreadsheetText(std::string_view text) {
  if (text.empty() || PlainNumber(text)) return std::string(text);
  switch (text.front()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
      return "'" + std::string(text);
    default:
      return std::string(text);
  }
}

std::string CsvRecord(const std::vector<std::string>& fields) {
  std::string record;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) record += ',';
    record += CsvField(fields[i]);
  }
  return record + "\r\n";
}

bool ParseCsv(std::string_view text, std::vector<TCsvRecord>& records, std::string& error) {
  records.clear();
  std::size_t i = 0;
  int line = 1;
  // A line break at i: CRLF, LF or CR; advances past it and counts the line.
  const auto lineBreak = [&]() {
    if (i >= text.size()) return false;
    if (text[i] == '\r') {
      i += (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    } else if (text[i] == '\n') {
      ++i;
    } else {
      return false;
    }
    ++line;
    return true;
  };
  while (i < text.size()) {
    TCsvRecord record;
    record.Line = line;
    bool blank = true;
    for (;;) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        blank = false;
        const int opened = line;
        ++i;
        for (;;) {
          if (i >= text.size()) {
            error = "line " + std::to_string(opened) + ": a quoted field is not closed";
            return false;
          }
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n' || (text[i] == '\r' && !(i + 1 < text.size() && text[i + 1] == '\n'))) ++line;
          field += text[i++];
        }
        if (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
          error = "line " + std::to_string(line) + ": text after the closing quote of a field";
          return false;
        }
      } else {
        while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') field += text[i++];
        if (!field.empty()) blank = false;
      }
      record.Fields.push_back(std::move(field));
      if (i < text.size() && text[i] == ',') {
        blank = false;
        ++i;
        continue;
      }
      break;
    }
    lineBreak();
    if (!blank) records.push_back(std::move(record));
  }
  return true;
}

}  // namespace blowden
