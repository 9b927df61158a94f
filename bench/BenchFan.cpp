// Speed of the fan model: model reads, speed solutions, the best-model search
// and the verification, on generated catalogues of 30 points per model.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/Format.h"
#include "fan/QmFan.h"

namespace {

// A catalogue of `models` centrifugal fans of growing size, each with its
// curves at 30 points, written to a temporary file removed with the object.
class TBenchCatalogue {
 public:
  explicit TBenchCatalogue(int models) {
    FPath = (std::filesystem::temp_directory_path() /
             ("blowden-bench-" + std::to_string(::getpid()) + "-" + std::to_string(models) + ".qfn"))
                .string();
    std::ofstream out(FPath, std::ios::binary | std::ios::trunc);
    out << "[Catalog]\r\nMaker=Bench\r\nRange=BX\r\nDensity=1.2\r\nKind=BCC\r\n";
    for (int m = 0; m < models; ++m) {
      const double d = 0.2 + 0.01 * m;                     // impeller diameter, m
      const double u = 3.141592653589793 * d * 1450 / 60;  // tip speed at 1450 rpm
      const double area = 0.7853981633974483 * d * d;
      std::string qa = "Qa=", ps = "Ps=", pw = "Pw=", lw = "Lw=";
      for (int i = 0; i < 30; ++i) {
        const double phi = 0.05 + 0.27 * i / 29;
        const double q = phi * area * u;
        const double p = (1.05 + 0.6 * phi - 9 * phi * phi) * 1.2 * u * u;
        const double eta = 0.8 - 8 * (phi - 0.2) * (phi - 0.2);
        const char* sep = i + 1 < 30 ? "," : "";
        qa += blowden::Format("%0.5f", {q}) + sep;
        ps += blowden::Format("%0.1f", {p}) + sep;
        pw += blowden::Format("%0.4f", {q * p / eta / 1000}) + sep;
        lw += blowden::Format("%0.1f", {31 + 10 * std::log10(q) + 20 * std::log10(p)}) + sep;
      }
      const int mm = static_cast<int>(std::lround(d * 1000));
      out << "[BX" << mm << "]\r\nModel=" << mm << ",1450,650,2900," << (mm * 8 / 10) << "," << (mm * 7 / 10)
          << "," << blowden::Format("%0.4f", {0.2 * area * u}) << "\r\n"
          << qa << "\r\n"
          << ps << "\r\n"
          << pw << "\r\n"
          << lw << "\r\n";
    }
  }
  ~TBenchCatalogue() {
    std::error_code ec;
    std::filesystem::remove(FPath, ec);
  }
  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};

void BM_SelectModel(benchmark::State& state) {
  const TBenchCatalogue cat(50);
  blowden::TFan fan;
  fan.LoadFromFile(cat.Path());
  std::size_t i = 0;
  for (auto _ : state) {
    fan.SelectModel(fan.Models()[i++ % fan.Models().size()]);
    benchmark::DoNotOptimize(fan.Coeffs().data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_SelectModel);

void BM_SolveSpeed(benchmark::State& state) {
  const TBenchCatalogue cat(50);
  blowden::TFan fan;
  fan.LoadFromFile(cat.Path());
  fan.SelectModel(fan.Models()[25]);
  for (auto _ : state) {
    double q = 1.0, p = 500, raw = 0;
    benchmark::DoNotOptimize(fan.SolveSpeed(q, p, raw));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_SolveSpeed);

// Items are the models searched.
void BM_FindBestModel(benchmark::State& state) {
  const TBenchCatalogue cat(static_cast<int>(state.range(0)));
  blowden::TFan fan;
  fan.LoadFromFile(cat.Path());
  for (auto _ : state) benchmark::DoNotOptimize(fan.FindBestModel(1.0, 500));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_FindBestModel)->Arg(10)->Arg(50)->Arg(200)->Unit(benchmark::kMicrosecond);

// Items are the models verified.
void BM_Verify(benchmark::State& state) {
  const TBenchCatalogue cat(static_cast<int>(state.range(0)));
  blowden::TFan fan;
  fan.LoadFromFile(cat.Path());
  for (auto _ : state) benchmark::DoNotOptimize(fan.Verify());
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Verify)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace
