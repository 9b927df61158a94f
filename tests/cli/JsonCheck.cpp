#include "JsonCheck.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>

#include "base/TextCodec.h"

namespace blowden::test {

namespace {

class TParser {
 public:
  explicit TParser(std::string_view text) : FText(text) {}

  std::optional<TJson> Document(std::string& error) {
    TJson value;
    SkipBlanks();
    if (!Value(value, 0)) {
      error = FError + " at offset " + std::to_string(FPos);
      return std::nullopt;
    }
    SkipBlanks();
    if (FPos != FText.size()) {
      error = "text after the document at offset " + std::to_string(FPos);
      return std::nullopt;
    }
    return value;
  }

 private:
  bool Fail(const char* why) {
    if (FError.empty()) FError = why;
    return false;
  }
  bool AtEnd() const { return FPos >= FText.size(); }
  char Peek() const { return AtEnd() ? '\0' : FText[FPos]; }
  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) ++FPos;
  }
  bool Literal(std::string_view word) {
    if (FText.substr(FPos, word.size()) != word) return Fail("unknown literal");
    FPos += word.size();
    return true;
  }

  bool Value(TJson& v, int depth) {
    if (depth > 64) return Fail("nested too deeply");
    switch (Peek()) {
      case '{':
        return Object(v, depth);
      case '[':
        return Array(v, depth);
      case '"':
        v.Kind = TJson::jString;
        return String(v.String);
      case 't':
        v.Kind = TJson::jBool;
        v.Bool = true;
        return Literal("true");
      case 'f':
        v.Kind = TJson::jBool;
        v.Bool = false;
        return Literal("false");
      case 'n':
        v.Kind = TJson::jNull;
        return Literal("null");
      default:
        return Number(v);
    }
  }

  bool Object(TJson& v, int depth) {
    v.Kind = TJson::jObject;
    ++FPos;
    SkipBlanks();
    if (Peek() == '}') {
      ++FPos;
      return true;
    }
    for (;;) {
      SkipBlanks();
      if (Peek() != '"') return Fail("key expected");
      std::string key;
      if (!String(key)) return false;
      for (const auto& m : v.Members)
        if (m.first == key) return Fail("duplicate key");
      SkipBlanks();
      if (Peek() != ':') return Fail("':' expected");
      ++FPos;
      SkipBlanks();
      TJson item;
      if (!Value(item, depth + 1)) return false;
      v.Members.emplace_back(std::move(key), std::move(item));
      SkipBlanks();
      if (Peek() == ',') {
        ++FPos;
        continue;
      }
      if (Peek() == '}') {
        ++FPos;
        return true;
      }
      return Fail("',' or '}' expected");
    }
  }

  bool Array(TJson& v, int depth) {
    v.Kind = TJson::jArray;
    ++FPos;
    SkipBlanks();
    if (Peek() == ']') {
      ++FPos;
      return true;
    }
    for (;;) {
      SkipBlanks();
      TJson item;
      if (!Value(item, depth + 1)) return false;
      v.Items.push_back(std::move(item));
      SkipBlanks();
      if (Peek() == ',') {
        ++FPos;
        continue;
      }
      if (Peek() == ']') {
        ++FPos;
        return true;
      }
      return Fail("',' or ']' expected");
    }
  }

  static void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  bool Hex4(std::uint32_t& cp) {
    if (FPos + 4 > FText.size()) return Fail("short \\u escape");
    cp = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = FText[FPos++];
      cp <<= 4;
      if (c >= '0' && c <= '9')
        cp |= static_cast<std::uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        cp |= static_cast<std::uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        cp |= static_cast<std::uint32_t>(c - 'A' + 10);
      else
        return Fail("bad hex digit");
    }
    return true;
  }

  bool String(std::string& out) {
    ++FPos;  // opening quote
    for (;;) {
      if (AtEnd()) return Fail("unterminated string");
      const char c = Peek();
      if (c == '"') {
        ++FPos;
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return Fail("raw control character in a string");
      if (c != '\\') {
        out += c;  // the whole text was checked to be UTF-8
        ++FPos;
        continue;
      }
      ++FPos;
      if (AtEnd()) return Fail("unterminated escape");
      const char e = FText[FPos++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::uint32_t cp = 0;
          if (!Hex4(cp)) return false;
          if (cp >= 0xDC00 && cp <= 0xDFFF) return Fail("lone low surrogate");
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            std::uint32_t low = 0;
            if (FText.substr(FPos, 2) != "\\u") return Fail("lone high surrogate");
            FPos += 2;
            if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) return Fail("bad surrogate pair");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default:
          return Fail("unknown escape");
      }
    }
  }

  bool Number(TJson& v) {
    const std::size_t start = FPos;
    const auto digits = [&] {
      const std::size_t from = FPos;
      while (!AtEnd() && Peek() >= '0' && Peek() <= '9') ++FPos;
      return FPos - from;
    };
    if (Peek() == '-') ++FPos;
    if (Peek() == '0') {
      ++FPos;
    } else if (digits() == 0) {
      return Fail("value expected");
    }
    bool integer = true;
    if (Peek() == '.') {
      ++FPos;
      integer = false;
      if (digits() == 0) return Fail("digits expected after '.'");
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++FPos;
      integer = false;
      if (Peek() == '+' || Peek() == '-') ++FPos;
      if (digits() == 0) return Fail("digits expected in the exponent");
    }
    const std::string_view text = FText.substr(start, FPos - start);
    v.Kind = TJson::jNumber;
    v.IsInteger = integer;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v.Number);
    if (r.ec != std::errc()) return Fail("number out of range");
    return true;
  }

  std::string_view FText;
  std::size_t FPos = 0;
  std::string FError;
};

const TJson& NullValue() {
  static const TJson null;
  return null;
}

}  // namespace

bool TJson::Has(std::string_view key) const {
  for (const auto& m : Members)
    if (m.first == key) return true;
  return false;
}

const TJson& TJson::operator[](std::string_view key) const {
  for (const auto& m : Members)
    if (m.first == key) return m.second;
  ADD_FAILURE() << "JSON member \"" << key << "\" is missing";
  return NullValue();
}

const TJson& TJson::operator[](std::size_t index) const {
  if (index < Items.size()) return Items[index];
  ADD_FAILURE() << "JSON item " << index << " is missing (" << Items.size() << " items)";
  return NullValue();
}

std::vector<std::string> TJson::Strings() const {
  std::vector<std::string> out;
  for (const TJson& item : Items) {
    EXPECT_EQ(item.Kind, jString);
    out.push_back(item.String);
  }
  return out;
}

std::vector<double> TJson::Numbers() const {
  std::vector<double> out;
  for (const TJson& item : Items) {
    EXPECT_EQ(item.Kind, jNumber);
    out.push_back(item.Number);
  }
  return out;
}

std::vector<std::string> TJson::Keys() const {
  std::vector<std::string> out;
  for (const auto& m : Members) out.push_back(m.first);
  return out;
}

std::optional<TJson> ParseJson(std::string_view text, std::string* error) {
  if (!IsValidUtf8(text)) {
    if (error) *error = "not UTF-8";
    return std::nullopt;
  }
  std::string why;
  TParser parser(text);
  auto result = parser.Document(why);
  if (error) *error = why;
  return result;
}

}  // namespace blowden::test
