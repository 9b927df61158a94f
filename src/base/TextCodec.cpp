#include "base/TextCodec.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace blowden {

namespace {

// Unicode code points of the bytes 0x80 to 0x9F in Windows-1252. The five
// undefined ones keep their own value (a C1 control character).
constexpr std::array<std::uint16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

int Windows1252Byte(std::uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kHighTable.size(); ++i)
    if (kHighTable[i] == cp) return static_cast<int>(0x80 + i);
  return -1;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    // ASCII fast path, eight bytes at a time.
    while (end - p >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      if (w & 0x8080808080808080ULL) break;
      p += 8;
    }
    if (p >= end) break;
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int len;
    std::uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else
      return false;
    if (end - p < len) return false;
    for (int k = 1; k < len; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[k] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    p += len;
  }
  return true;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80)
      out += ch;
    else if (c < 0xA0)
      AppendUtf8(out, kHighTable[c - 0x80]);
    else
      AppendUtf8(out, c);
  }
  return out;
}

TDecodedText DecodeText(std::string_view bytes) {
  TDecodedText result;
  const bool bom = bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
                   static_cast<unsigned char>(bytes[1]) == 0xBB &&
                   static_cast<unsigned char>(bytes[2]) == 0xBF;
  const std::string_view body = bom ? bytes.substr(3) : bytes;
  if (IsValidUtf8(body)) {
    result.Utf8.assign(body);
    result.Encoding = bom ? TTextEncoding::teUtf8Bom : TTextEncoding::teUtf8;
  } else {
    result.Utf8 = Windows1252ToUtf8(bytes);
    result.Encoding = TTextEncoding::teWindows1252;
  }
  return result;
}

TDecodedText DecodeTextInPlace(std::string&& bytes) {
  const bool bom = bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
                   static_cast<unsigned char>(bytes[1]) == 0xBB &&
                   static_cast<unsigned char>(bytes[2]) == 0xBF;
  if (!IsValidUtf8(std::string_view(bytes).substr(bom ? 3 : 0))) return DecodeText(std::string_view(bytes));
  TDecodedText result;
  result.Encoding = bom ? TTextEncoding::teUtf8Bom : TTextEncoding::teUtf8;
  if (bom) bytes.erase(0, 3);
  result.Utf8 = std::move(bytes);
  return result;
}

std::optional<std::string> EncodeText(std::string_view utf8, TTextEncoding encoding, std::string* badChar) {
  if (encoding == TTextEncoding::teUtf8) return std::string(utf8);
  if (encoding == TTextEncoding::teUtf8Bom) return "\xEF\xBB\xBF" + std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* end = p + utf8.size();
  while (p < end) {
    const unsigned char c = *p;
    int len = 1;
    std::uint32_t cp = c;
    if (c >= 0xC0 && c < 0xE0) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c < 0xF0) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0) {
      len = 4;
      cp = c & 0x07;
    }
    if (end - p < len) len = static_cast<int>(end - p);
    for (int k = 1; k < len; ++k) cp = (cp << 6) | (p[k] & 0x3F);
    const int b = (c >= 0x80 && len == 1) ? -1 : Windows1252Byte(cp);
    if (b < 0) {
      if (badChar) badChar->assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(len));
      return std::nullopt;
    }
    out += static_cast<char>(b);
    p += len;
  }
  return out;
}

std::string_view DetectLineEnding(std::string_view text) {
  const auto pos = text.find('\n');
  if (pos != std::string_view::npos && pos > 0 && text[pos - 1] == '\r') return "\r\n";
  return "\n";
}

}  // namespace blowden
