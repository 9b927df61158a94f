// The ranked selection over a folder of catalogues: every model of every file
// evaluated for one duty as the selector evaluates it, and the models that
// meet it ranked by shaft power; and a hundred duties ranked over the same
// files. The files (20 models of 30 points each) are
// written once per process; the timing is warm, after one untimed run, so the
// reader's file cache holds what it can. Items are the models evaluated.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/Format.h"
#include "fan/FanRanking.h"
#include "tools/BenchCatalogue.h"

namespace {

constexpr int kRankFiles = 500;
constexpr int kRankModelsPerFile = 20;
constexpr int kRankPointsPerModel = 30;

class TRankFolder {
 public:
  TRankFolder() {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / blowden::Format("blowden-bench-rank-%d", {static_cast<int>(::getpid())});
    FPath = folder.string();
    fs::create_directories(folder);
    for (int f = 0; f < kRankFiles; ++f) {
      const blowden::bench::TBenchCatalogueSpec spec{kRankModelsPerFile, kRankPointsPerModel,
                                                     static_cast<std::uint64_t>(f + 1), "RK"};
      const std::string text = blowden::bench::BenchCatalogueText(spec);
      const fs::path file = folder / blowden::Format("range-%d.qfn", {f + 1});
      std::ofstream out(file, std::ios::binary);
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      FOk = FOk && static_cast<bool>(out);
      FFiles.push_back(file.string());
    }
    // Of a few duties drawn from the first catalogue's curves, the one that
    // about half of the models meet, so that both the candidates' figures
    // and the rejections' reasons are exercised.
    const blowden::bench::TBenchCatalogueSpec first{kRankModelsPerFile, kRankPointsPerModel, 1, "RK"};
    const std::size_t half = kRankFiles * kRankModelsPerFile / 2;
    std::size_t bestDistance = static_cast<std::size_t>(-1);
    for (const blowden::bench::TBenchDuty& d : blowden::bench::BenchDuties(first, 8)) {
      blowden::TDuty duty;
      duty.Flow = d.Flow;
      duty.Pressure = d.Pressure;
      const std::size_t met = blowden::RankDuty(FFiles, duty, blowden::TRankKey::Power).Candidates.size();
      const std::size_t distance = met > half ? met - half : half - met;
      if (met > 0 && distance < bestDistance) {
        bestDistance = distance;
        FDuty = duty;
      }
    }
  }
  ~TRankFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TRankFolder(const TRankFolder&) = delete;
  TRankFolder& operator=(const TRankFolder&) = delete;

  const std::vector<std::string>& Files() const { return FFiles; }
  const blowden::TDuty& Duty() const { return FDuty; }
  bool Ok() const { return FOk; }

 private:
  std::string FPath;
  std::vector<std::string> FFiles;
  blowden::TDuty FDuty;
  bool FOk = true;
};

const TRankFolder& RankFolder() {
  static const TRankFolder folder;
  return folder;
}

void BM_RankAll(benchmark::State& state) {
  const TRankFolder& folder = RankFolder();
  if (!folder.Ok()) {
    state.SkipWithError("cannot write the generated files");
    return;
  }
  // One untimed run first: the timing is of a warm ranking.
  blowden::TRanking ranking = blowden::RankDuty(folder.Files(), folder.Duty(), blowden::TRankKey::Power);
  for (auto _ : state) {
    ranking = blowden::RankDuty(folder.Files(), folder.Duty(), blowden::TRankKey::Power);
    benchmark::DoNotOptimize(ranking.Candidates.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["candidates"] = static_cast<double>(ranking.Candidates.size());
  state.counters["rejected"] = static_cast<double>(ranking.Rejected.size());
}
BENCHMARK(BM_RankAll)
    ->Arg(kRankFiles* kRankModelsPerFile)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The same on one thread: what the ranking's work costs without a second
// thread beside it (the two processors of a virtual machine may share a core).
void BM_RankAllOneThread(benchmark::State& state) {
  const TRankFolder& folder = RankFolder();
  if (!folder.Ok()) {
    state.SkipWithError("cannot write the generated files");
    return;
  }
  blowden::TRanking ranking = blowden::RankDuty(folder.Files(), folder.Duty(), blowden::TRankKey::Power, 1);
  for (auto _ : state) {
    ranking = blowden::RankDuty(folder.Files(), folder.Duty(), blowden::TRankKey::Power, 1);
    benchmark::DoNotOptimize(ranking.Candidates.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RankAllOneThread)
    ->Arg(kRankFiles* kRankModelsPerFile)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// A schedule's work: many duties ranked over the same files, which are read
// once into a TRankCatalogue (made inside the timing, warm as above). The
// duties are drawn from the first catalogue's curves. Items are the models
// evaluated, over all duties.
void BM_RankMany(benchmark::State& state) {
  const TRankFolder& folder = RankFolder();
  if (!folder.Ok()) {
    state.SkipWithError("cannot write the generated files");
    return;
  }
  const int count = static_cast<int>(state.range(0));
  const blowden::bench::TBenchCatalogueSpec first{kRankModelsPerFile, kRankPointsPerModel, 1, "RK"};
  std::vector<blowden::TDuty> duties;
  for (const blowden::bench::TBenchDuty& d : blowden::bench::BenchDuties(first, count)) {
    blowden::TDuty duty;
    duty.Flow = d.Flow;
    duty.Pressure = d.Pressure;
    duties.push_back(duty);
  }
  std::size_t candidates = 0;
  blowden::RankDuty(folder.Files(), folder.Duty(), blowden::TRankKey::Power);
  for (auto _ : state) {
    const blowden::TRankCatalogue catalogue(folder.Files());
    candidates = 0;
    for (const blowden::TDuty& duty : duties) {
      const blowden::TRanking ranking = catalogue.Rank(duty, blowden::TRankKey::Power);
      candidates += ranking.Candidates.size();
      benchmark::DoNotOptimize(ranking.Candidates.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * count * kRankFiles * kRankModelsPerFile);
  state.counters["candidates"] = static_cast<double>(candidates);
}
BENCHMARK(BM_RankMany)->Arg(100)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
