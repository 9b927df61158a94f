#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace blowden {

// A value as JSON text.
//   JsonString("a\tb\"")  -> "\"a\\tb\\\"\""   (tab as \t, quote escaped)
//   JsonString("\x01")    -> "\"\\u0001\""
//   JsonString("\xB2")    -> "\"\\ufffd\""      (bytes that are not UTF-8 become U+FFFD)
//   JsonNumber(0.1)       -> "0.1"               (shortest text that reads back as the same double)
//   JsonNumber(1360.0)    -> "1360";  JsonNumber(1e300) -> "1e+300";  JsonNumber(NaN) -> "null"
std::string JsonString(std::string_view text);
std::string JsonNumber(double value);

// The shortest decimal text that reads back as the same double, for the
// command line's text output: 0.1 -> "0.1"; 2.5e-7 -> "2.5e-07"; NaN -> "nan";
// infinity -> "inf" / "-inf". Independent of the process locale.
std::string ShortestNumber(double value);

// Writes one JSON document to a stream, indented by two blanks per level.
// Commas, colons and nesting are kept track of; the caller only says what
// comes next:
//   TJsonWriter w(out);
//   w.BeginObject(); w.Key("a"); w.Integer(1); w.Key("b"); w.NumberArray({0.5, 2}); w.EndObject();
// gives
//   {
//     "a": 1,
//     "b": [0.5, 2]
//   }
// Arrays begun with `inlineItems` keep their items on one line.
class TJsonWriter {
 public:
  explicit TJsonWriter(std::ostream& out) : FOut(out) {}

  void BeginObject();
  void EndObject();
  void BeginArray(bool inlineItems = false);
  void EndArray();
  void Key(std::string_view name);

  void String(std::string_view value);
  void Number(double value);  // not finite: null
  void Integer(std::int64_t value);
  void Bool(bool value);
  void Null();

  // Key followed by its value.
  void Field(std::string_view name, std::string_view value) {
    Key(name);
    String(value);
  }
  void Field(std::string_view name, const char* value) {
    Key(name);
    String(value);
  }
  void Field(std::string_view name, const std::string& value) {
    Key(name);
    String(value);
  }
  void Field(std::string_view name, double value) {
    Key(name);
    Number(value);
  }
  void Field(std::string_view name, int value) {
    Key(name);
    Integer(value);
  }
  void Field(std::string_view name, bool value) {
    Key(name);
    Bool(value);
  }

  void NumberArray(std::span<const double> values);
  void IntegerArray(std::span<const int> values);
  void StringArray(const std::vector<std::string>& values);

  // Ends the document with a line break; true when every container was closed.
  bool Finish();

 private:
  struct TFrame {
    bool IsArray = false;
    bool Inline = false;
    int Count = 0;
  };

  void BeforeValue();
  void NewLine(std::size_t depth);

  std::ostream& FOut;
  std::vector<TFrame> FStack;
  bool FAfterKey = false;
};

}  // namespace blowden
