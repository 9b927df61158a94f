#include "cli/JsonWriter.h"

#include <array>
#include <charconv>
#include <cmath>

namespace blowden {

namespace {

// Length of the well-formed UTF-8 sequence at the start of `s` (1 to 4), or 0
// when it is not one (stray continuation byte, overlong form, surrogate,
// beyond U+10FFFF, cut short).
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;  // overlong
    if (c == 0xF4) hi = 0x8F;  // beyond U+10FFFF
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  if (b(1) < lo || b(1) > hi) return 0;
  for (std::size_t i = 2; i < n; ++i)
    if (b(i) < 0x80 || b(i) > 0xBF) return 0;
  return n;
}

}  // namespace

std::string JsonString(std::string_view text) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  while (!text.empty()) {
    const unsigned char c = static_cast<unsigned char>(text.front());
    if (c >= 0x80) {
      const std::size_t n = Utf8SequenceLength(text);
      if (n == 0) {
        out += "\\ufffd";
        text.remove_prefix(1);
      } else {
        out.append(text.substr(0, n));
        text.remove_prefix(n);
      }
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\u00";
          out += hex[c >> 4];
          out += hex[c & 0xF];
        } else {
          out += static_cast<char>(c);
        }
    }
    text.remove_prefix(1);
  }
  out += '"';
  return out;
}

std::string ShortestNumber(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  std::array<char, 32> buf{};
  const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value);
  return std::string(buf.data(), result.ptr);
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  return ShortestNumber(value);
}

void TJsonWriter::NewLine(std::size_t depth) {
  FOut << '\n';
  for (std::size_t i = 0; i < depth; ++i) FOut << "  ";
}

void TJsonWriter::BeforeValue() {
  if (FAfterKey) {
    FAfterKey = false;
    return;
  }
  if (FStack.empty()) return;
  TFrame& frame = FStack.back();
  if (frame.Count > 0) FOut << ',';
  if (frame.Inline) {
    if (frame.Count > 0) FOut << ' ';
  } else {
    NewLine(FStack.size());
  }
  ++frame.Count;
}

void TJsonWriter::BeginObject() {
  BeforeValue();
  FOut << '{';
  FStack.push_back({false, false, 0});
}

void TJsonWriter::EndObject() {
  if (FStack.empty() || FStack.back().IsArray) return;
  const bool empty = FStack.back().Count == 0;
  FStack.pop_back();
  if (!empty) NewLine(FStack.size());
  FOut << '}';
}

void TJsonWriter::BeginArray(bool inlineItems) {
  BeforeValue();
  FOut << '[';
  // Items of an array inside an inline array stay on its line too.
  const bool parentInline = !FStack.empty() && FStack.back().Inline;
  FStack.push_back({true, inlineItems || parentInline, 0});
}

void TJsonWriter::EndArray() {
  if (FStack.empty() || !FStack.back().IsArray) return;
  const TFrame frame = FStack.back();
  FStack.pop_back();
  if (frame.Count > 0 && !frame.Inline) NewLine(FStack.size());
  FOut << ']';
}

void TJsonWriter::Key(std::string_view name) {
  if (FStack.empty() || FStack.back().IsArray) return;
  BeforeValue();
  FOut << JsonString(name) << ": ";
  FAfterKey = true;
}

void TJsonWriter::String(std::string_view value) {
  BeforeValue();
  FOut << JsonString(value);
}

void TJsonWriter::Number(double value) {
  BeforeValue();
  FOut << JsonNumber(value);
}

void TJsonWriter::Integer(std::int64_t value) {
  BeforeValue();
  std::array<char, 24> buf{};
  const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value);
  FOut.write(buf.data(), result.ptr - buf.data());
}

void TJsonWriter::Bool(bool value) {
  BeforeValue();
  FOut << (value ? "true" : "false");
}

void TJsonWriter::Null() {
  BeforeValue();
  FOut << "null";
}

void TJsonWriter::NumberArray(std::span<const double> values) {
  BeginArray(true);
  for (double v : values) Number(v);
  EndArray();
}

void TJsonWriter::IntegerArray(std::span<const int> values) {
  BeginArray(true);
  for (int v : values) Integer(v);
  EndArray();
}

void TJsonWriter::StringArray(const std::vector<std::string>& values) {
  BeginArray();
  for (const std::string& v : values) String(v);
  EndArray();
}

bool TJsonWriter::Finish() {
  FOut << '\n';
  return FStack.empty() && !FAfterKey;
}

}  // namespace blowden
