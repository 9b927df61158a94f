#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace blowden {

// How a text file was stored, so that it can be written back byte for byte.
enum class TTextEncoding { teUtf8, teUtf8Bom, teWindows1252 };

struct TDecodedText {
  std::string Utf8;  // the text, UTF-8, without a byte-order mark
  TTextEncoding Encoding = TTextEncoding::teUtf8;
};

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Bytes of a file to UTF-8: valid UTF-8 (with or without a BOM) stays as it
// is; anything else is read as Windows-1252, all 256 codes mapped. The five
// codes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map
// to the control characters U+0081 ... so that encoding gives them back.
TDecodedText DecodeText(std::string_view bytes);
// The same, taking the bytes over: valid UTF-8 is moved, not copied.
TDecodedText DecodeTextInPlace(std::string&& bytes);

// UTF-8 back to the file's encoding. Empty when a character cannot be held by
// Windows-1252; `badChar` then receives that character (UTF-8).
std::optional<std::string> EncodeText(std::string_view utf8, TTextEncoding encoding,
                                      std::string* badChar = nullptr);

// One Windows-1252 byte as UTF-8 ("\xB2" -> "²").
std::string Windows1252ToUtf8(std::string_view bytes);

// The line ending the text uses first ("\r\n" or "\n"); "\n" when it has none.
std::string_view DetectLineEnding(std::string_view text);

}  // namespace blowden
