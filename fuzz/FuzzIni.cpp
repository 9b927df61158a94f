// The INI reader on arbitrary bytes: decoding, parsing and every read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/IniFile.h"
#include "base/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  blowden::TDecodedText decoded = blowden::DecodeText(bytes);
  const auto back = blowden::EncodeText(decoded.Utf8, decoded.Encoding);
  if (!back || *back != bytes) __builtin_trap();  // decoding must be reversible
  blowden::TIniFile ini(std::move(decoded.Utf8), decoded.Encoding);
  for (const auto& name : ini.ReadSections()) {
    (void)ini.SectionExists(name);
    for (const char* key :
         {"Qa", "Ps", "Pt", "Pw", "Lw", "Model", "Speed", "Diameter", "RefSpeed", "QaNom"}) {
      (void)ini.ReadString(name, key, "");
      (void)ini.ReadInteger(name, key, 0);
      (void)ini.ReadFloat(name, key, 0);
      (void)ini.ValueExists(name, key);
    }
  }
  return 0;
}
