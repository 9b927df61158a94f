// An equipment schedule of a hundred marks ranked over a folder of 500
// catalogues (20 models of 30 points each), through blowden-cli's own entry
// point as a user runs it: the schedule read, every mark ranked, the CSV
// written; and the same with the datasheet PDF of every mark's best fan. The
// files are written once per process; the timing is warm, after one untimed
// run. Items are the marks.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Format.h"
#include "cli/Cli.h"
#include "tools/BenchCatalogue.h"

namespace {

constexpr int kScheduleFiles = 500;
constexpr int kScheduleModelsPerFile = 20;
constexpr int kSchedulePointsPerModel = 30;
constexpr int kScheduleMarks = 100;

class TScheduleFolder {
 public:
  TScheduleFolder() {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() /
                            blowden::Format("blowden-bench-schedule-%d", {static_cast<int>(::getpid())});
    FPath = folder.string();
    fs::create_directories(folder);
    for (int f = 0; f < kScheduleFiles; ++f) {
      const blowden::bench::TBenchCatalogueSpec spec{kScheduleModelsPerFile, kSchedulePointsPerModel,
                                                     static_cast<std::uint64_t>(f + 1), "SK"};
      const fs::path file = folder / blowden::Format("range-%d.qfn", {f + 1});
      FOk = FOk && Write(file, blowden::bench::BenchCatalogueText(spec));
      FFiles.push_back(file.string());
    }
    // Duties from the curves of the first ten catalogues' models, and one
    // (the last of each draw) that asks more pressure than any model gives:
    // marks with a fan and marks with the reason why none fits.
    std::string schedule = "mark,flow,pressure,pressure_kind\r\n";
    int mark = 0;
    for (std::uint64_t seed = 1; mark < kScheduleMarks; ++seed) {
      const blowden::bench::TBenchCatalogueSpec spec{kScheduleModelsPerFile, kSchedulePointsPerModel, seed,
                                                     "SK"};
      for (const blowden::bench::TBenchDuty& d : blowden::bench::BenchDuties(spec, 10)) {
        if (mark == kScheduleMarks) break;
        ++mark;
        schedule += blowden::Format("EF-%d,%0.17g,%0.17g,%s\r\n",
                                    {mark, d.Flow, d.Pressure, std::string(mark % 4 ? "static" : "total")});
      }
    }
    FSchedule = (folder / "schedule.csv").string();
    FOk = FOk && Write(FSchedule, schedule);
    FPdf = (folder / "datasheets.pdf").string();
  }
  ~TScheduleFolder() {
    std::error_code ec;
    std::filesystem::remove_all(FPath, ec);
  }
  TScheduleFolder(const TScheduleFolder&) = delete;
  TScheduleFolder& operator=(const TScheduleFolder&) = delete;

  // The command line of the schedule, with the PDF or without.
  std::vector<std::string> Args(bool pdf) const {
    std::vector<std::string> args{"schedule", "--csv"};
    if (pdf) args.insert(args.end(), {"--pdf", FPdf});
    args.insert(args.end(), FFiles.begin(), FFiles.end());
    args.push_back(FSchedule);
    return args;
  }
  const std::string& Pdf() const { return FPdf; }
  bool Ok() const { return FOk; }

 private:
  static bool Write(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
  }

  std::string FPath, FSchedule, FPdf;
  std::vector<std::string> FFiles;
  bool FOk = true;
};

const TScheduleFolder& ScheduleFolder() {
  static const TScheduleFolder folder;
  return folder;
}

void BM_Schedule(benchmark::State& state) {
  const TScheduleFolder& folder = ScheduleFolder();
  if (!folder.Ok()) {
    state.SkipWithError("cannot write the generated files");
    return;
  }
  const bool pdf = state.range(0) != 0;
  const std::vector<std::string> args = folder.Args(pdf);
  const auto run = [&](std::string& csv) {
    std::ostringstream out, err;
    const int code = blowden::RunCli(args, out, err);
    csv = out.str();
    return code;
  };
  // One untimed run first: the timing is of a warm schedule.
  std::string csv;
  if (const int code = run(csv); code > 1) {
    state.SkipWithError("the schedule did not run");
    return;
  }
  for (auto _ : state) {
    run(csv);
    benchmark::DoNotOptimize(csv.data());
  }
  state.SetItemsProcessed(state.iterations() * kScheduleMarks);
  state.counters["csv_bytes"] = static_cast<double>(csv.size());
  // Marks without a fan (their reason in words), of kScheduleMarks.
  std::size_t unmet = 0;
  for (std::size_t at = csv.find("no model meets the duty"); at != std::string::npos;
       at = csv.find("no model meets the duty", at + 1))
    ++unmet;
  state.counters["unmet"] = static_cast<double>(unmet);
  if (pdf) {
    std::error_code ec;
    state.counters["pdf_bytes"] = static_cast<double>(std::filesystem::file_size(folder.Pdf(), ec));
  }
}
// Arg: 0 the CSV only, 1 with the datasheet PDF.
BENCHMARK(BM_Schedule)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
