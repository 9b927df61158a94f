// blowden-compare: the project's side of bench/compare.sh.
//
//   blowden-compare generate FOLDER [MODELS...]
//       Writes cat-<M>.qfn (M models of 30 points; default 10, 50 and 200)
//       and duties-<M>.txt (20 duties, "flow pressure" per line) into FOLDER,
//       and checks that every catalogue loads and passes verification.
//   blowden-compare big FILE MEGABYTES
//       Writes one catalogue of at least that many megabytes (10^6 bytes).
//   blowden-compare search CATALOGUE DUTIES [ROUND_SECONDS]
//       For each duty, FindBestModel and the speed of the chosen model:
//         result <k> found 1 model <index> <name> speed <rpm> raw <rpm>
//         result <k> found 0 model <index>
//       then the CPU time of FindBestModel alone, over five rounds of at
//       least ROUND_SECONDS (default 0.4) each:
//         time <median us> <fastest us> <slowest us> <searches per round>
//       and the part of one search spent fitting and solving, in us:
//         parts fit <us> solve <us>
//   blowden-compare rankfolder FOLDER
//       Writes the folder of BM_RankAll: 500 catalogues of 20 models of 30
//       points (range-<k>.qfn), files.txt naming them one a line, and
//       duty.txt ("flow pressure"): of eight duties drawn from the first
//       catalogue's curves, the one that about half of the models meet.
//   blowden-compare rank FILES_LIST FLOW PRESSURE [ROUND_SECONDS]
//       RankDuty (static duty, catalogue air, by shaft power) over the files:
//         candidate <rank> <file> <model> speed <rpm> power <kW>
//         rejected <count>
//       then the CPU time of one warm ranking (after one untimed run; both
//       threads' time counts), over five rounds of at least ROUND_SECONDS:
//         time <median ms> <fastest ms> <slowest ms> <rankings per round>
//       and its wall-clock time in the same rounds:
//         wall <median ms>
//   blowden-compare parse FILE [ROUNDS]
//       Throughput on the same bytes, median of ROUNDS (default 7), in MB/s:
//         parse <TIniFile parse> memchr <line-end scan> open <TIniFile::Open>
//         bytes <size> lines <line ends> sections <count> entries <count>
//
// Times are the process's CPU time, so other programs on the machine count
// for little. Exit code 0, or 1 with a message on standard error.
#include <time.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Convert.h"
#include "base/Format.h"
#include "base/IniFile.h"
#include "fan/FanRanking.h"
#include "fan/QmFan.h"
#include "tools/BenchCatalogue.h"

namespace {

using namespace blowden;
using namespace blowden::bench;

constexpr int kPoints = 30;
constexpr int kDuties = 20;
constexpr int kRounds = 5;

// Where timed results go, so that the compiler keeps the work.
volatile int gSink = 0;

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double WallSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

void Say(const std::string& line) { std::cout << line << '\n'; }

[[noreturn]] void Fail(const std::string& message) { throw std::runtime_error(message); }

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) Fail("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read " + path);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) Fail("cannot read " + path);
  return bytes;
}

int ParseCount(const std::string& text, const char* what) {
  std::int32_t v = 0;
  if (!TryStrToInt(text, v) || v <= 0) Fail(std::string(what) + " must be a positive integer: " + text);
  return v;
}

double ParsePositive(const std::string& text, const char* what) {
  double v = 0;
  if (!TryStrToFloat(text, v) || !(v > 0)) Fail(std::string(what) + " must be a positive number: " + text);
  return v;
}

// A generated catalogue must read like a good one: every model to the end
// with status "Ready", and no verification message.
void CheckCatalogue(const std::string& path, int models) {
  TFan fan;
  fan.LoadFromFile(path);
  if (fan.Status() != fsReady || static_cast<int>(fan.Models().size()) != models)
    Fail(path + ": does not load as a catalogue of " + Format("%d", {models}) + " models");
  for (const std::string& name : fan.Models()) {
    fan.SelectModel(name);
    if (fan.Status() != fsReady || !fan.ModelReadComplete() || fan.FitError() != 0)
      Fail(path + ": model " + name + " reads with status " + std::string(StatusTextOf(fan.Status())));
  }
  if (fan.Verify() != 0) Fail(path + ": " + fan.Errors().front());
}

int Generate(const std::vector<std::string>& args) {
  if (args.empty()) Fail("generate: folder missing");
  const std::string folder = args[0];
  std::vector<int> sizes;
  for (std::size_t i = 1; i < args.size(); ++i) sizes.push_back(ParseCount(args[i], "number of models"));
  if (sizes.empty()) sizes = {10, 50, 200};
  std::filesystem::create_directories(folder);
  for (int models : sizes) {
    const TBenchCatalogueSpec spec{models, kPoints, static_cast<std::uint64_t>(models), "BX"};
    const std::string cat = (std::filesystem::path(folder) / Format("cat-%d.qfn", {models})).string();
    WriteFile(cat, BenchCatalogueText(spec));
    std::string duties;
    for (const TBenchDuty& d : BenchDuties(spec, kDuties))
      duties += Format("%0.10g %0.10g\n", {d.Flow, d.Pressure});
    WriteFile((std::filesystem::path(folder) / Format("duties-%d.txt", {models})).string(), duties);
    CheckCatalogue(cat, models);
    Say(Format("generated %s: %d models of %d points, %d duties", {cat, models, kPoints, kDuties}));
  }
  return 0;
}

int Big(const std::vector<std::string>& args) {
  if (args.size() < 2) Fail("big: file and megabytes needed");
  const double bytes = ParsePositive(args[1], "megabytes") * 1e6;
  // A few hundred distinct model bodies, repeated under new section names:
  // the reader's work depends on the text, not on the numbers.
  const TBenchCatalogueSpec spec{250, kPoints, 4242, "BX"};
  std::vector<std::string> bodies;
  for (int m = 0; m < spec.Models; ++m) {
    std::string section;
    AppendBenchModel(MakeBenchModel(spec, m), spec.Points, section);
    bodies.push_back(section.substr(section.find('\n') + 1));
  }
  std::string text = BenchCatalogueHeader(spec);
  text.reserve(static_cast<std::size_t>(bytes) + 4096);
  int models = 0;
  while (static_cast<double>(text.size()) < bytes) {
    text += Format("[BX%d]\r\n", {models + 1});
    text += bodies[static_cast<std::size_t>(models) % bodies.size()];
    ++models;
  }
  WriteFile(args[0], text);
  Say(Format("generated %s: %d models, %d bytes", {args[0], models, static_cast<long long>(text.size())}));
  return 0;
}

std::vector<TBenchDuty> ReadDuties(const std::string& path) {
  std::vector<TBenchDuty> duties;
  const std::string text = ReadFile(path);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = Trim(std::string_view(text).substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == '#') continue;
    const std::size_t gap = line.find(' ');
    TBenchDuty d;
    if (gap == std::string_view::npos || !TryStrToFloat(line.substr(0, gap), d.Flow) ||
        !TryStrToFloat(line.substr(gap + 1), d.Pressure))
      Fail(path + ": bad duty line: " + std::string(line));
    duties.push_back(d);
  }
  if (duties.empty()) Fail(path + ": no duty");
  return duties;
}

int Search(const std::vector<std::string>& args) {
  if (args.size() < 2) Fail("search: catalogue and duties needed");
  const double roundSeconds = args.size() > 2 ? ParsePositive(args[2], "round seconds") : 0.4;
  const std::vector<TBenchDuty> duties = ReadDuties(args[1]);
  TFan fan;
  fan.LoadFromFile(args[0]);
  if (fan.Status() != fsReady || fan.Models().empty()) Fail(args[0] + ": not a fan data file with models");

  for (std::size_t k = 0; k < duties.size(); ++k) {
    const int index = fan.FindBestModel(duties[k].Flow, duties[k].Pressure);
    double q = duties[k].Flow, p = duties[k].Pressure, raw = 0;
    const double speed = index >= 0 ? fan.SolveSpeed(q, p, raw) : 0;
    // The chosen model qualified exactly when its own solve leaves "Ready";
    // with none qualifying the search falls back to the first model.
    if (index >= 0 && fan.Status() == fsReady)
      Say(Format(
          "result %d found 1 model %d %s speed %0.17g raw %0.17g",
          {static_cast<int>(k + 1), index, fan.Models()[static_cast<std::size_t>(index)], speed, raw}));
    else
      Say(Format("result %d found 0 model %d", {static_cast<int>(k + 1), index}));
  }

  std::vector<double> perSearch;
  long long searchesPerRound = 0;
  for (int round = 0; round < kRounds; ++round) {
    long long searches = 0;
    int sink = 0;
    const double t0 = CpuSeconds();
    double t1 = t0;
    do {
      for (const TBenchDuty& d : duties) sink += fan.FindBestModel(d.Flow, d.Pressure);
      searches += static_cast<long long>(duties.size());
      t1 = CpuSeconds();
    } while (t1 - t0 < roundSeconds);
    gSink = sink;
    perSearch.push_back((t1 - t0) / static_cast<double>(searches) * 1e6);
    searchesPerRound = searches;
  }
  Say(Format("time %0.3f %0.3f %0.3f %d",
             {Median(perSearch), *std::min_element(perSearch.begin(), perSearch.end()),
              *std::max_element(perSearch.begin(), perSearch.end()), searchesPerRound}));

  // Where a search's time goes: the fit and the speed solution of every
  // model, per search; the rest is reading the model sections (converting
  // their numbers) and the search's own bookkeeping.
  constexpr int kRepeats = 20;
  double fitSeconds = 0, solveSeconds = 0;
  for (const std::string& name : fan.Models()) {
    fan.SelectModel(name);
    if (!fan.ModelReadComplete()) continue;
    double t0 = CpuSeconds();
    for (int r = 0; r < kRepeats; ++r) fan.FitPressure();
    fitSeconds += (CpuSeconds() - t0) / kRepeats;
    t0 = CpuSeconds();
    for (int r = 0; r < kRepeats; ++r)
      for (const TBenchDuty& d : duties) {
        double q = d.Flow, p = d.Pressure, raw = 0;
        gSink = static_cast<int>(fan.SolveSpeed(q, p, raw));
      }
    solveSeconds += (CpuSeconds() - t0) / kRepeats / static_cast<double>(duties.size());
  }
  Say(Format("parts fit %0.3f solve %0.3f", {fitSeconds * 1e6, solveSeconds * 1e6}));
  return 0;
}

constexpr int kRankFiles = 500;
constexpr int kRankModels = 20;

int RankFolder(const std::vector<std::string>& args) {
  if (args.empty()) Fail("rankfolder: folder missing");
  const std::filesystem::path folder = args[0];
  std::filesystem::create_directories(folder);
  std::vector<std::string> files;
  std::string list;
  for (int f = 0; f < kRankFiles; ++f) {
    const TBenchCatalogueSpec spec{kRankModels, kPoints, static_cast<std::uint64_t>(f + 1), "RK"};
    const std::string file = (folder / Format("range-%d.qfn", {f + 1})).string();
    WriteFile(file, BenchCatalogueText(spec));
    files.push_back(file);
    list += file + "\n";
  }
  WriteFile((folder / "files.txt").string(), list);
  const std::size_t half = kRankFiles * kRankModels / 2;
  std::size_t bestDistance = static_cast<std::size_t>(-1);
  TBenchDuty chosen;
  for (const TBenchDuty& d : BenchDuties({kRankModels, kPoints, 1, "RK"}, 8)) {
    const std::size_t met =
        RankDuty(files, TDuty{d.Flow, d.Pressure, TPressureKind::Static, {}}, TRankKey::Power)
            .Candidates.size();
    const std::size_t distance = met > half ? met - half : half - met;
    if (met > 0 && distance < bestDistance) {
      bestDistance = distance;
      chosen = d;
    }
  }
  WriteFile((folder / "duty.txt").string(), Format("%0.17g %0.17g\n", {chosen.Flow, chosen.Pressure}));
  Say(Format("generated %d files of %d models in %s", {kRankFiles, kRankModels, folder.string()}));
  return 0;
}

int Rank(const std::vector<std::string>& args) {
  if (args.size() < 3) Fail("rank: files list, flow and pressure needed");
  std::vector<std::string> files;
  const std::string list = ReadFile(args[0]);
  std::size_t pos = 0;
  while (pos < list.size()) {
    std::size_t end = list.find('\n', pos);
    if (end == std::string::npos) end = list.size();
    const std::string_view line = Trim(std::string_view(list).substr(pos, end - pos));
    if (!line.empty()) files.emplace_back(line);
    pos = end + 1;
  }
  TDuty duty;
  if (!TryStrToFloat(args[1], duty.Flow) || !TryStrToFloat(args[2], duty.Pressure))
    Fail("rank: flow and pressure must be numbers");
  const double roundSeconds = args.size() > 3 ? ParsePositive(args[3], "round seconds") : 0.4;

  const TRanking ranking = RankDuty(files, duty, TRankKey::Power);
  for (std::size_t i = 0; i < ranking.Candidates.size(); ++i) {
    const TCandidate& c = ranking.Candidates[i];
    Say(Format("candidate %d %s %s speed %0.17g power %0.17g",
               {static_cast<int>(i + 1), c.File.str(), c.Model, c.Speed, c.ShaftPower}));
  }
  Say(Format("rejected %d", {static_cast<long long>(ranking.Rejected.size())}));

  std::vector<double> cpu, wall;
  long long perRound = 0;
  for (int round = 0; round < kRounds; ++round) {
    long long rankings = 0;
    const double c0 = CpuSeconds(), w0 = WallSeconds();
    double c1 = c0;
    do {
      gSink = static_cast<int>(RankDuty(files, duty, TRankKey::Power).Candidates.size());
      ++rankings;
      c1 = CpuSeconds();
    } while (c1 - c0 < roundSeconds);
    cpu.push_back((c1 - c0) / static_cast<double>(rankings) * 1e3);
    wall.push_back((WallSeconds() - w0) / static_cast<double>(rankings) * 1e3);
    perRound = rankings;
  }
  Say(Format("time %0.3f %0.3f %0.3f %d", {Median(cpu), *std::min_element(cpu.begin(), cpu.end()),
                                           *std::max_element(cpu.begin(), cpu.end()), perRound}));
  Say(Format("wall %0.3f", {Median(wall)}));
  return 0;
}

// Line ends of the text by memchr, the cheapest scan that still looks at
// every byte: the bound for any line-based reader.
std::size_t CountLineEnds(const std::string& text) {
  std::size_t count = 0;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    if (!nl) break;
    ++count;
    p = static_cast<const char*>(nl) + 1;
  }
  return count;
}

int Parse(const std::vector<std::string>& args) {
  if (args.empty()) Fail("parse: file needed");
  const int rounds = args.size() > 1 ? ParseCount(args[1], "rounds") : 7;
  const std::string& path = args[0];
  const std::string bytes = ReadFile(path);
  const double mb = static_cast<double>(bytes.size()) * 1e-6;

  std::size_t sections = 0, entries = 0, lines = 0;
  std::vector<double> parse, scan, open;
  for (int round = 0; round < rounds; ++round) {
    std::string copy = bytes;  // the copy is made before the clock starts
    double t0 = CpuSeconds();
    auto ini = std::make_unique<TIniFile>(std::move(copy));
    double t1 = CpuSeconds();
    parse.push_back(mb / (t1 - t0));
    sections = ini->Sections().size();
    entries = ini->Entries().size();
    ini.reset();

    t0 = CpuSeconds();
    lines = CountLineEnds(bytes);
    t1 = CpuSeconds();
    scan.push_back(mb / (t1 - t0));

    // Read, decode and parse, as the program opens a file it has not read
    // before.
    TIniFile::ClearCache();
    t0 = CpuSeconds();
    const auto opened = TIniFile::Open(path);
    t1 = CpuSeconds();
    if (!opened || opened->Sections().size() != sections) Fail(path + ": TIniFile::Open failed");
    open.push_back(mb / (t1 - t0));
  }
  Say(Format(
      "parse %0.1f memchr %0.1f open %0.1f bytes %d lines %d sections %d entries %d",
      {Median(parse), Median(scan), Median(open), static_cast<long long>(bytes.size()),
       static_cast<long long>(lines), static_cast<long long>(sections), static_cast<long long>(entries)}));
  return 0;
}

int Run(const std::vector<std::string>& args) {
  const std::string command = args.empty() ? "" : args[0];
  const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
  if (command == "generate") return Generate(rest);
  if (command == "big") return Big(rest);
  if (command == "search") return Search(rest);
  if (command == "parse") return Parse(rest);
  if (command == "rankfolder") return RankFolder(rest);
  if (command == "rank") return Rank(rest);
  Fail("usage: blowden-compare generate|big|search|parse|rankfolder|rank ...");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    const int code = Run(args);
    std::cout.flush();
    return std::cout ? code : 1;
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << "blowden-compare: " << e.what() << '\n';
    return 1;
  }
}
