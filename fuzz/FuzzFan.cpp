// A whole fan model session on fuzzed file bytes: load, read every model,
// verify, search the best model at a few duties and evaluate the selection.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/Convert.h"
#include "base/IniFile.h"
#include "fan/FanSelection.h"
#include "fan/QmFan.h"

namespace {

std::string TempPath() {
  static const std::string path = "/tmp/blowden-fuzz-fan-" + std::to_string(::getpid()) + ".qfn";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = TempPath();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  blowden::TIniFile::ClearCache();
  blowden::TFan fan;
  fan.OnMessage = [](const std::string&) {};
  try {
    fan.LoadFromFile(path);
    for (const auto& name : std::vector<std::string>(fan.Models())) {
      fan.SelectModel(name);
      (void)fan.RefPressure();
      (void)fan.RefPower();
      (void)fan.RefSound();
      (void)fan.MaxPressureIndex();
      (void)fan.MinPositivePressureIndex();
    }
    (void)fan.Verify();
    for (const auto& duty :
         {std::pair{1.0, 500.0}, std::pair{0.1, 50.0}, std::pair{10.0, 2000.0}, std::pair{0.0, 0.0}}) {
      const int best = fan.FindBestModel(duty.first, duty.second);
      if (best >= 0) {
        (void)blowden::EvaluateDuty(fan, duty.first, duty.second, duty.first, duty.second);
        (void)blowden::EvaluateBrowse(fan);
      }
    }
  } catch (const blowden::EConvertError&) {
    // A number that cannot be read abandons the operation with its message.
  }
  return 0;
}
