// Throughput of the INI reader on a large generated catalogue.
#include <benchmark/benchmark.h>

#include <string>

#include "base/IniFile.h"

namespace {

std::string MakeCatalogue(int models, int points) {
  std::string text = "[Catalog]\r\nMaker=Bench\r\nRange=BX\r\nDensity=1.2\r\n";
  for (int m = 0; m < models; ++m) {
    text += "[BX" + std::to_string(m) + "]\r\nModel=500,1450,900,1600,0,400,2.5\r\n";
    std::string qa = "Qa=", ps = "Ps=", pw = "Pw=", lw = "Lw=";
    for (int i = 0; i < points; ++i) {
      const double q = 0.5 + 0.1 * i;
      qa += std::to_string(q) + (i + 1 < points ? "," : "");
      ps += std::to_string(900 - 30.0 * i - 2.0 * i * i) + (i + 1 < points ? "," : "");
      pw += std::to_string(1.2 + 0.05 * i) + (i + 1 < points ? "," : "");
      lw += std::to_string(80 + 0.2 * i) + (i + 1 < points ? "," : "");
    }
    text += qa + "\r\n" + ps + "\r\n" + pw + "\r\n" + lw + "\r\n";
  }
  return text;
}

void BM_ParseIni(benchmark::State& state) {
  const std::string text = MakeCatalogue(2000, 30);
  for (auto _ : state) {
    blowden::TIniFile ini(text);
    benchmark::DoNotOptimize(ini.Sections().size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseIni)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
