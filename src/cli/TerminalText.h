#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace blowden {

// Text bound for a terminal, made harmless: what a fan data file or a file
// name holds must never reach the terminal as a control sequence (an ESC in
// a Range can clear the screen or retitle the window). Tabs and line breaks
// pass, as the text output is made of them; every other C0 control and DEL
// becomes "\xNN", a C1 control (U+0080 to U+009F) "\u00NN", and a byte that
// is not part of valid UTF-8 "\xNN".
std::string TerminalText(std::string_view text);

// A stream buffer that passes everything written to it through the rules
// above into another stream buffer.
class TTerminalSafeBuf : public std::streambuf {
 public:
  explicit TTerminalSafeBuf(std::streambuf* target) : FTarget(target) {}
  ~TTerminalSafeBuf() override { Finish(); }
  TTerminalSafeBuf(const TTerminalSafeBuf&) = delete;
  TTerminalSafeBuf& operator=(const TTerminalSafeBuf&) = delete;

  // Writes out an incomplete UTF-8 sequence held back at the end (escaped).
  void Finish();

 protected:
  int overflow(int ch) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  bool Put(unsigned char c);
  bool Emit(std::string_view text);
  bool EscapePending();

  std::streambuf* FTarget;
  std::string FPending;   // the bytes of a UTF-8 sequence begun
  std::size_t FNeed = 0;  // its length
  bool FFailed = false;
};

}  // namespace blowden
