#include "fan/FanRanking.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <iterator>
#include <limits>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <tuple>
#include <unordered_map>

#include "base/Convert.h"
#include "base/Format.h"
#include "fan/QmFan.h"

namespace blowden {

namespace {

constexpr std::string_view kKeyNames[] = {"power", "efficiency", "sound", "speed", "margin", "fei"};

// Below this many files a second thread costs more than it saves.
constexpr std::size_t kFilesPerThread = 8;
// What the ranking keeps of files between catalogues, at most: the data of
// this many test points (about 45 bytes each with the models around them).
constexpr std::size_t kMaxKeptPoints = std::size_t{1} << 20;

struct TFileRanking {
  std::vector<TCandidate> Candidates;
  std::vector<TRejected> Rejected;
  std::vector<std::string> Messages;
};

// The workers ForEachFile runs for `count` files with `threads` asked for.
unsigned WorkersFor(std::size_t count, int threads) {
  const unsigned workers =
      threads > 0 ? static_cast<unsigned>(threads) : std::max(1U, std::thread::hardware_concurrency());
  return static_cast<unsigned>(
      std::min<std::size_t>(workers, std::max<std::size_t>(1, count / kFilesPerThread)));
}

// Runs work(i, w) for every i below `count` on WorkersFor(count, threads)
// workers, w the worker's number; files are independent, so worker w takes
// every workers-th one from the w-th. The first failure of a worker is
// rethrown.
template <class TWork>
void ForEachFile(std::size_t count, int threads, const TWork& work) {
  const unsigned workers = WorkersFor(count, threads);
  if (workers <= 1) {
    for (std::size_t i = 0; i < count; ++i) work(i, 0U);
    return;
  }
  std::vector<std::thread> pool;
  std::vector<std::exception_ptr> failures(workers);
  for (unsigned w = 0; w < workers; ++w)
    pool.emplace_back([&, w] {
      try {
        for (std::size_t i = w; i < count; i += workers) work(i, w);
      } catch (...) {
        failures[w] = std::current_exception();
      }
    });
  for (std::thread& t : pool) t.join();
  for (const std::exception_ptr& e : failures)
    if (e) std::rethrow_exception(e);
}

}  // namespace

// A file as the ranking reads it: each model either rejected by its reading
// (a status and reason that no duty changes) or kept as read, to be
// evaluated for every duty. Shared, read only, by every ranking and thread.
struct TRankCatalogue::TKeptFile {
  struct TModel {
    const TModelData* Data = nullptr;  // in Read; null when its read rejects it
    TModelFacts Facts;                 // with Data: what every duty's evaluation shares
    TRejected Rejection;               // without Data
  };
  TSharedText File;
  std::shared_ptr<const TFanFile> Read;
  std::optional<TRejected> Unusable;  // the file as a whole cannot be used
  std::vector<TModel> Models;
  std::vector<std::string> Messages;  // of the reader, as RankDuty reports them
  std::size_t Points = 0;             // test points of the kept models, and one per model
};

namespace {

using TKeptFile = TRankCatalogue::TKeptFile;

// Reads a file the way the selector reads a chosen model: every model
// selected in turn, with the reader's message boxes collected.
std::shared_ptr<TKeptFile> ReadKeptFile(const std::string& file) {
  auto kept = std::make_shared<TKeptFile>();
  kept->File = file;
  TResult<std::shared_ptr<const TFanFile>> read = ReadFanFile(file);
  if (!read) {
    const TError& e = read.Error();
    kept->Unusable = RejectedFor(kept->File, "", e.Code, e.Text, TVerdictRule::OtherStatus);
    return kept;
  }
  kept->Read = std::move(read).Value();
  const TFanFile& f = *kept->Read;
  kept->Models.reserve(f.Models.size());
  for (std::size_t i = 0; i < f.Models.size(); ++i) {
    const TFanFile::TModel& model = f.Models[i];
    for (const std::string& text : model.Messages)
      kept->Messages.push_back(file + " (" + model.Name + "): " + text);
    TKeptFile::TModel& m = kept->Models.emplace_back();
    const TResult<const TModelData*> usable = f.Usable(i);
    if (!usable) {
      const TError& e = usable.Error();
      m.Rejection = RejectedFor(kept->File, model.Name, e.Code, e.Text, TVerdictRule::ModelRead);
      continue;
    }
    m.Data = *usable;
    m.Facts = ModelFacts(f.Header, *m.Data);
    kept->Points += static_cast<std::size_t>(std::max(m.Data->Model.Count, 0)) + 1;
  }
  return kept;
}

// A file on disk as the INI reader tells it unchanged: its size, times and
// identity.
struct TFileStamp {
  std::uint64_t Size = 0, Device = 0, Inode = 0;
  std::int64_t Time = 0, ChangeTime = 0;
  bool operator==(const TFileStamp&) const = default;
};

std::optional<TFileStamp> StampOf(const std::string& file) {
  struct stat st {};
  if (file.empty() || ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  TFileStamp s;
  s.Size = static_cast<std::uint64_t>(st.st_size);
  s.Device = static_cast<std::uint64_t>(st.st_dev);
  s.Inode = static_cast<std::uint64_t>(st.st_ino);
  s.Time = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  s.ChangeTime = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
  return s;
}

struct TKeptEntry {
  TFileStamp Stamp;
  std::shared_ptr<const TKeptFile> File;
};

// Every worker of every ranking looks files up; only a file read anew
// changes what is kept.
std::shared_mutex gKeptMutex;
std::unordered_map<std::string, TKeptEntry> gKept;
std::size_t gKeptPoints = 0;

// The file as read for ranking: kept from an earlier reading while the file
// is unchanged on disk (one look at its size and times, as the INI reader
// looks), else read now and kept.
std::shared_ptr<const TKeptFile> KeptFile(const std::string& file) {
  // A path that is not a readable file is left to the fan, which says why.
  const std::optional<TFileStamp> stamp = StampOf(file);
  if (stamp) {
    const std::shared_lock<std::shared_mutex> lock(gKeptMutex);
    if (const auto it = gKept.find(file); it != gKept.end() && it->second.Stamp == *stamp)
      return it->second.File;
  }
  std::shared_ptr<const TKeptFile> kept = ReadKeptFile(file);
  if (stamp && kept->Points <= kMaxKeptPoints / 4) {
    const std::lock_guard<std::shared_mutex> lock(gKeptMutex);
    if (const auto it = gKept.find(file); it != gKept.end()) {
      gKeptPoints -= it->second.File->Points;
      gKept.erase(it);
    }
    // Full: which files were used last is not known, so all of them go.
    if (gKeptPoints + kept->Points > kMaxKeptPoints) {
      gKept.clear();
      gKeptPoints = 0;
    }
    gKept.emplace(file, TKeptEntry{*stamp, kept});
    gKeptPoints += kept->Points;
  }
  return kept;
}

// Fills `c`, a new candidate (made in its list's place: a candidate is large).
void FillCandidate(TCandidate& c, const TSharedText& file, const TFanHeader& header, const std::string& model,
                   TSelectionResult&& r) {
  c.File = file;
  c.Maker = header.Maker;
  c.Range = header.Range;
  c.Model = model;
  c.Status = r.Status;
  c.DutyMet = r.DutyMet;
  c.Speed = r.Speed;
  c.SpeedMargin = r.SpeedMargin;
  c.Flow = r.Volume;
  c.StaticPressure = r.PStatic;
  c.TotalPressure = r.PTotal;
  c.ShaftPower = r.ShaftPower;
  c.StaticEfficiency = r.StaticEfficiency;
  c.Efficiency = r.Efficiency;
  c.SoundPower = r.SoundPower;
  c.StallMargin = r.StallMargin;
  c.BepRatio = r.BepRatio;
  c.Sound = r.Sound;
  c.Verdict = r.Verdict;
  c.WarningNotes = std::move(r.Notes.Warnings);
  c.Energy = r.Energy;
}

// The duty on every model of one kept file, in model order.
void RankKeptFile(const TKeptFile& f, const TDuty& duty, TFileRanking& out) {
  out.Messages.insert(out.Messages.end(), f.Messages.begin(), f.Messages.end());
  if (f.Unusable) {
    out.Rejected.push_back(*f.Unusable);
    return;
  }
  const TFanHeader& header = f.Read->Header;
  for (std::size_t i = 0; i < f.Models.size(); ++i) {
    const TKeptFile::TModel& m = f.Models[i];
    if (!m.Data) {
      out.Rejected.push_back(m.Rejection);
      continue;
    }
    const std::string& name = f.Read->Models[i].Name;
    TSelectionResult r = EvaluateDutyFigures(header, *m.Data, duty, m.Facts);
    if (r.Verdict != TVerdictKind::Rejected)
      FillCandidate(out.Candidates.emplace_back(), f.File, header, name, std::move(r));
    else
      out.Rejected.push_back(MakeRejected(f.File, name, std::move(r)));
  }
}

}  // namespace

std::string_view RankKeyName(TRankKey key) { return kKeyNames[static_cast<int>(key)]; }

std::optional<TRankKey> FindRankKey(std::string_view name) {
  for (std::size_t i = 0; i < std::size(kKeyNames); ++i) {
    const std::string_view k = kKeyNames[i];
    if (k.size() == name.size() && std::equal(k.begin(), k.end(), name.begin(), [](char a, char b) {
          return a == std::tolower(static_cast<unsigned char>(b));
        }))
      return static_cast<TRankKey>(i);
  }
  return std::nullopt;
}

TRejected MakeRejected(const TSharedText& file, const TFan& fan, const TSelectionResult& r) {
  return MakeRejected(file, fan.Model().Name, r);
}

TRejected MakeRejected(const TSharedText& file, const std::string& model, const TSelectionResult& r) {
  return TRejected{file, model, r.Status, r.RejectRule, r.Notes};
}

TRejected MakeRejected(const TSharedText& file, const std::string& model, TSelectionResult&& r) {
  return TRejected{file, model, r.Status, r.RejectRule, std::move(r.Notes)};
}

std::string TRejected::Reason() const {
  std::string text;
  for (const TVerdictNote& note : Notes.Reasons) text += (text.empty() ? "" : "; ") + NoteText(note);
  return text;
}

TRejected RejectedFor(TSharedText file, std::string model, int status, std::string reason,
                      TVerdictRule rule) {
  TRejected r{std::move(file), std::move(model), status, rule, {}};
  r.Notes.Reasons.push_back(SaidNote(std::move(reason)));
  return r;
}

TCandidate MakeCandidate(const TSharedText& file, const TFan& fan, const TSelectionResult& r) {
  TCandidate c;
  FillCandidate(c, file, fan.Header(), fan.Model().Name, TSelectionResult(r));
  return c;
}

namespace {

bool AllHaveLwA(const std::vector<const TCandidate*>& candidates) {
  return std::all_of(candidates.begin(), candidates.end(),
                     [](const TCandidate* c) { return c->Sound.LwA.has_value(); });
}

// The order of `candidates` by `key`, best first (ties: file, then model
// name; then as given), as indexes into them.
std::vector<std::size_t> RankOrder(const std::vector<const TCandidate*>& candidates, TRankKey key) {
  const bool byLwA = key == TRankKey::Sound && AllHaveLwA(candidates);
  // Smaller is better for every key once efficiency and margin are negated.
  const auto value = [key, byLwA](const TCandidate& c) {
    switch (key) {
      case TRankKey::Power:
        return c.ShaftPower;
      case TRankKey::Efficiency:
        return -c.Efficiency;
      case TRankKey::Sound:
        return byLwA ? *c.Sound.LwA : c.SoundPower;
      case TRankKey::Speed:
        return c.Speed;
      case TRankKey::Margin:
        // A model without a pressure peak in its tested flows has no margin to compare.
        return c.StallMargin ? -*c.StallMargin : std::numeric_limits<double>::infinity();
      case TRankKey::Fei:
        return -c.Energy.Fei;
    }
    return 0.0;
  };
  // The candidates are large: their keys are sorted, and the candidates
  // moved once, by the caller.
  struct TKey {
    double Value;
    std::size_t Index;
  };
  std::vector<TKey> keys;
  keys.reserve(candidates.size());
  for (std::size_t i = 0; i < candidates.size(); ++i) keys.push_back({value(*candidates[i]), i});
  std::stable_sort(keys.begin(), keys.end(), [&](const TKey& a, const TKey& b) {
    if (a.Value != b.Value) return a.Value < b.Value;
    const TCandidate &ca = *candidates[a.Index], &cb = *candidates[b.Index];
    return std::tie(ca.File, ca.Model) < std::tie(cb.File, cb.Model);
  });
  std::vector<std::size_t> order;
  order.reserve(keys.size());
  for (const TKey& k : keys) order.push_back(k.Index);
  return order;
}

}  // namespace

void SortCandidates(std::vector<TCandidate>& candidates, TRankKey key) {
  std::vector<const TCandidate*> all;
  all.reserve(candidates.size());
  for (const TCandidate& c : candidates) all.push_back(&c);
  std::vector<TCandidate> sorted;
  sorted.reserve(candidates.size());
  for (std::size_t i : RankOrder(all, key)) sorted.push_back(std::move(candidates[i]));
  candidates = std::move(sorted);
}

std::string_view SoundRankLevel(const std::vector<TCandidate>& candidates) {
  const bool all = std::all_of(candidates.begin(), candidates.end(),
                               [](const TCandidate& c) { return c.Sound.LwA.has_value(); });
  return all ? "LwA" : "Lw";
}

TRankCatalogue::TRankCatalogue(std::vector<std::string> files, int threads)
    : FFiles(std::move(files)), FKept(FFiles.size()) {
  ForEachFile(FFiles.size(), threads, [&](std::size_t i, unsigned) { FKept[i] = KeptFile(FFiles[i]); });
}

TRankCatalogue::~TRankCatalogue() = default;
TRankCatalogue::TRankCatalogue(TRankCatalogue&&) noexcept = default;
TRankCatalogue& TRankCatalogue::operator=(TRankCatalogue&&) noexcept = default;

std::size_t TRankCatalogue::EvaluatedModels() const {
  std::size_t n = 0;
  for (const auto& f : FKept)
    for (const TKeptFile::TModel& m : f->Models) n += m.Data ? 1 : 0;
  return n;
}

namespace {

// Ranks the kept files keptOf(0 .. count - 1) for `duty` on the workers
// ForEachFile runs: keptOf(i) gives file i as read for ranking (reading it
// if need be) and is called once, on the worker that ranks the file. Each
// worker appends what its files give to lists of its own and notes where
// each file's part lies; the parts are then taken in file order.
template <class TKeptOf>
TRanking RankKept(std::size_t count, int threads, const TKeptOf& keptOf, const TDuty& duty, TRankKey key) {
  struct TPart {
    unsigned Worker = 0;
    std::size_t Candidates = 0, CandidatesEnd = 0, Rejected = 0, RejectedEnd = 0, Messages = 0,
                MessagesEnd = 0;
  };
  std::vector<TFileRanking> byWorker(WorkersFor(count, threads));
  std::vector<TPart> parts(count);
  ForEachFile(count, threads, [&](std::size_t i, unsigned w) {
    const std::shared_ptr<const TKeptFile> kept = keptOf(i);
    TFileRanking& out = byWorker[w];
    // Room for every model of the file to be a candidate, grown as a list
    // grows: a candidate is large to move.
    const std::size_t need = out.Candidates.size() + kept->Models.size();
    if (need > out.Candidates.capacity())
      out.Candidates.reserve(std::max(need, 2 * out.Candidates.capacity()));
    TPart& part = parts[i];
    part = {w, out.Candidates.size(), 0, out.Rejected.size(), 0, out.Messages.size(), 0};
    RankKeptFile(*kept, duty, out);
    part.CandidatesEnd = out.Candidates.size();
    part.RejectedEnd = out.Rejected.size();
    part.MessagesEnd = out.Messages.size();
  });
  TRanking ranking;
  std::size_t candidates = 0, rejected = 0, messages = 0;
  for (const TFileRanking& w : byWorker) {
    candidates += w.Candidates.size();
    rejected += w.Rejected.size();
    messages += w.Messages.size();
  }
  ranking.Rejected.reserve(rejected);
  ranking.Messages.reserve(messages);
  // The candidates in file and model order, as SortCandidates takes them,
  // moved once into their ranked places.
  std::vector<const TCandidate*> all;
  std::vector<TCandidate*> source;
  all.reserve(candidates);
  source.reserve(candidates);
  for (const TPart& part : parts) {
    TFileRanking& w = byWorker[part.Worker];
    for (std::size_t c = part.Candidates; c < part.CandidatesEnd; ++c) {
      all.push_back(&w.Candidates[c]);
      source.push_back(&w.Candidates[c]);
    }
    std::move(w.Rejected.begin() + static_cast<std::ptrdiff_t>(part.Rejected),
              w.Rejected.begin() + static_cast<std::ptrdiff_t>(part.RejectedEnd),
              std::back_inserter(ranking.Rejected));
    std::move(w.Messages.begin() + static_cast<std::ptrdiff_t>(part.Messages),
              w.Messages.begin() + static_cast<std::ptrdiff_t>(part.MessagesEnd),
              std::back_inserter(ranking.Messages));
  }
  ranking.Candidates.reserve(candidates);
  for (std::size_t i : RankOrder(all, key)) ranking.Candidates.push_back(std::move(*source[i]));
  return ranking;
}

}  // namespace

TRanking TRankCatalogue::Rank(const TDuty& duty, TRankKey key, int threads) const {
  return RankKept(
      FKept.size(), threads, [this](std::size_t i) { return FKept[i]; }, duty, key);
}

// One pass: each worker takes its files as kept (read again where changed)
// and ranks them at once.
TRanking RankDuty(const std::vector<std::string>& files, const TDuty& duty, TRankKey key, int threads) {
  return RankKept(
      files.size(), threads, [&files](std::size_t i) { return KeptFile(files[i]); }, duty, key);
}

}  // namespace blowden
