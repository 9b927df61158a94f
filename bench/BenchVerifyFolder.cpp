// "Verify All" without the window: every fan data file of a folder, in list
// order, loaded and verified by one fan model, on a folder of generated files
// of 10 models of 30 points each. Items are the files verified.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Format.h"
#include "fan/QmFan.h"
#include "services/Folders.h"
#include "tools/BenchCatalogue.h"

namespace {

constexpr int kModelsPerFile = 10;
constexpr int kPointsPerModel = 30;

// A temporary folder of `files` catalogues, each with its own models (seeded
// by its number), removed with the object. Generated once per process and
// size: writing a thousand files takes longer than verifying them.
class TBenchFolder {
 public:
  explicit TBenchFolder(int files) {
    namespace fs = std::filesystem;
    FPath = (fs::temp_directory_path() /
             blowden::Format("blowden-bench-verify-%d-%d", {static_cast<int>(::getpid()), files}))
                .string();
    fs::create_directories(FPath);
    for (int f = 0; f < files; ++f) {
      const blowden::bench::TBenchCatalogueSpec spec{kModelsPerFile, kPointsPerModel,
                                                     static_cast<std::uint64_t>(f + 1), "VF"};
      const std::string text = blowden::bench::BenchCatalogueText(spec);
      std::ofstream out(fs::path(FPath) / blowden::Format("range-%d.qfn", {f + 1}), std::ios::binary);
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      FOk = FOk && static_cast<bool>(out);
    }
  }
  ~TBenchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TBenchFolder(const TBenchFolder&) = delete;
  TBenchFolder& operator=(const TBenchFolder&) = delete;

  const std::string& Path() const { return FPath; }
  bool Ok() const { return FOk; }

 private:
  std::string FPath;
  bool FOk = true;
};

const TBenchFolder& BenchFolder(int files) {
  static std::map<int, std::unique_ptr<TBenchFolder>> folders;
  auto& folder = folders[files];
  if (!folder) folder = std::make_unique<TBenchFolder>(files);
  return *folder;
}

void BM_VerifyFolder(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  const TBenchFolder& folder = BenchFolder(files);
  if (!folder.Ok()) {
    state.SkipWithError("cannot write the generated files");
    return;
  }
  // The main window owns one fan model and reuses it for every file.
  blowden::TFan fan;
  std::size_t verified = 0;
  int errors = 0;
  for (auto _ : state) {
    const std::vector<blowden::TFanFileEntry> list = blowden::ListFanFiles(folder.Path());
    for (const blowden::TFanFileEntry& file : list) {
      fan.LoadFromFile(file.Path);
      errors += fan.Verify();
    }
    verified += list.size();
  }
  if (errors != 0 ||
      verified != static_cast<std::size_t>(files) * static_cast<std::size_t>(state.iterations())) {
    state.SkipWithError("the generated files did not all verify without a message");
    return;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(verified));
  state.counters["models"] =
      benchmark::Counter(static_cast<double>(verified) * kModelsPerFile, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VerifyFolder)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
