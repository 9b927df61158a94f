#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace blowden::test {

// A parsed JSON value, for checking what blowden-cli prints.
struct TJson {
  enum TKind { jNull, jBool, jNumber, jString, jArray, jObject };
  TKind Kind = jNull;
  bool Bool = false;
  double Number = 0;
  bool IsInteger = false;  // written without fraction and exponent
  std::string String;
  std::vector<TJson> Items;
  std::vector<std::pair<std::string, TJson>> Members;  // in document order

  bool Has(std::string_view key) const;
  // The member or item; a missing one is a test failure and gives null.
  const TJson& operator[](std::string_view key) const;
  const TJson& operator[](std::size_t index) const;
  std::size_t Size() const { return Kind == jArray ? Items.size() : Members.size(); }
  std::vector<std::string> Strings() const;  // an array of strings
  std::vector<double> Numbers() const;       // an array of numbers
  std::vector<std::string> Keys() const;
};

// Strict RFC 8259 parsing of one document (surrounding white space allowed):
// no trailing commas, no raw control characters in strings, valid escapes
// and UTF-8, no duplicate keys. Nothing, with the reason in `error`, when the
// text is not exactly one JSON document.
std::optional<TJson> ParseJson(std::string_view text, std::string* error = nullptr);

}  // namespace blowden::test
