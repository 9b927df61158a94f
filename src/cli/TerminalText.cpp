#include "cli/TerminalText.h"

#include <cstdio>
#include <sstream>

namespace blowden {

namespace {

std::string Hex(const char* prefix, unsigned value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%s%02X", prefix, value);
  return buffer;
}

// Length of the UTF-8 sequence a lead byte starts; 0 for a byte that
// cannot start one.
std::size_t SequenceLength(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF4) return 4;
  return 0;
}

// A complete sequence that is well-formed (no overlong form, no surrogate,
// nothing above U+10FFFF).
bool WellFormed(std::string_view s) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  if (s.size() == 3) {
    if (b(0) == 0xE0 && b(1) < 0xA0) return false;
    if (b(0) == 0xED && b(1) >= 0xA0) return false;
  }
  if (s.size() == 4) {
    if (b(0) == 0xF0 && b(1) < 0x90) return false;
    if (b(0) == 0xF4 && b(1) >= 0x90) return false;
  }
  return true;
}

}  // namespace

std::string TerminalText(std::string_view text) {
  std::stringbuf sink;
  {
    TTerminalSafeBuf buf(&sink);
    buf.sputn(text.data(), static_cast<std::streamsize>(text.size()));
  }
  return sink.str();
}

bool TTerminalSafeBuf::Emit(std::string_view text) {
  if (FFailed) return false;
  if (FTarget->sputn(text.data(), static_cast<std::streamsize>(text.size())) !=
      static_cast<std::streamsize>(text.size()))
    FFailed = true;
  return !FFailed;
}

bool TTerminalSafeBuf::EscapePending() {
  std::string escaped;
  for (const char c : FPending) escaped += Hex("\\x", static_cast<unsigned char>(c));
  FPending.clear();
  FNeed = 0;
  return Emit(escaped);
}

bool TTerminalSafeBuf::Put(unsigned char c) {
  if (!FPending.empty()) {
    if ((c & 0xC0) == 0x80) {
      FPending += static_cast<char>(c);
      if (FPending.size() < FNeed) return true;
      if (!WellFormed(FPending)) return EscapePending();
      const auto lead = static_cast<unsigned char>(FPending[0]);
      const auto next = static_cast<unsigned char>(FPending[1]);
      if (lead == 0xC2 && next < 0xA0) {  // U+0080 .. U+009F
        FPending.clear();
        FNeed = 0;
        return Emit(Hex("\\u00", next));
      }
      const std::string sequence = std::move(FPending);
      FPending.clear();
      FNeed = 0;
      return Emit(sequence);
    }
    // The sequence broke off: its bytes are shown as bytes, then this one.
    if (!EscapePending()) return false;
  }
  if (c < 0x80) {
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) return Emit(Hex("\\x", c));
    const char ch = static_cast<char>(c);
    return Emit(std::string_view(&ch, 1));
  }
  if (const std::size_t length = SequenceLength(c)) {
    FPending.assign(1, static_cast<char>(c));
    FNeed = length;
    return true;
  }
  return Emit(Hex("\\x", c));
}

void TTerminalSafeBuf::Finish() {
  if (!FPending.empty()) EscapePending();
}

int TTerminalSafeBuf::overflow(int ch) {
  if (ch == traits_type::eof()) return traits_type::not_eof(ch);
  return Put(static_cast<unsigned char>(ch)) ? ch : traits_type::eof();
}

std::streamsize TTerminalSafeBuf::xsputn(const char* s, std::streamsize n) {
  for (std::streamsize i = 0; i < n; ++i)
    if (!Put(static_cast<unsigned char>(s[i]))) return i;
  return n;
}

int TTerminalSafeBuf::sync() { return FFailed ? -1 : FTarget->pubsync(); }

}  // namespace blowden
