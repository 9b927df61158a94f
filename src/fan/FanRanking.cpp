#include "fan/FanRanking.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <iterator>
#include <thread>
#include <tuple>

#include "base/Convert.h"
#include "base/Format.h"

namespace blowden {

namespace {

constexpr std::string_view kKeyNames[] = {"power", "efficiency", "sound", "speed", "margin"};

// Below this many files a second thread costs more than it saves.
constexpr std::size_t kFilesPerThread = 8;

struct TFileRanking {
  std::vector<TCandidate> Candidates;
  std::vector<TRejected> Rejected;
  std::vector<std::string> Messages;
};

void RankFile(const std::string& file, const TDuty& duty, TFileRanking& out) {
  TFan fan;
  std::string model;
  fan.OnMessage = [&](const std::string& text) {
    out.Messages.push_back(file + " (" + model + "): " + text);
  };
  fan.LoadFromFile(file);
  if (fan.Status() != fsReady || fan.Models().empty()) {
    const int status = fan.Status() != fsReady ? fan.Status() : fsModelNotFound;
    out.Rejected.push_back({file, "", status,
                            fan.Status() != fsReady ? std::string(StatusTextOf(status))
                                                    : std::string("the file names no model")});
    return;
  }
  const std::vector<std::string> models = fan.Models();
  for (const std::string& name : models) {
    model = name;
    try {
      fan.SelectModel(name);
    } catch (const EConvertError&) {
      out.Rejected.push_back({file, name, fsDataError, "data error: " + fan.ReadProblem()});
      continue;
    }
    if (fan.Status() != fsReady) {
      std::string reason = fan.ReadProblem().empty() ? std::string(StatusTextOf(fan.Status()))
                                                     : "data error: " + fan.ReadProblem();
      out.Rejected.push_back({file, name, fan.Status(), std::move(reason)});
      continue;
    }
    const TSelectionResult r = EvaluateDuty(fan, duty, duty.Flow, duty.Pressure, {}, TResultUnits{}, false);
    if (r.Status == fsReady && r.DutyMet)
      out.Candidates.push_back(MakeCandidate(file, fan, r));
    else
      out.Rejected.push_back({file, name, r.Status, RejectionReason(fan.Model(), r)});
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

std::string RejectionReason(const TFanModel& m, const TSelectionResult& r) {
  switch (r.Status) {
    case fsReady:
      if (m.HasSpeeds && !m.Speeds.empty())
        return Format("duty not met at the highest listed speed %d rpm", {m.Speeds.back()});
      return "duty not met";
    case fsSpeedRange:
      if (r.RawSpeed > m.MaxSpeed)
        return Format("speed %0.0f rpm above the maximum %d rpm", {r.RawSpeed, m.MaxSpeed});
      return Format("speed %0.0f rpm below the minimum %d rpm", {r.RawSpeed, m.MinSpeed});
    case fsVolumeRange:
      return Format("flow outside the tested range by %0.0f %%", {r.Extrapolation});
    case fsDataError:
      return "no speed meets the duty (data error)";
    default:
      break;
  }
  return std::string(StatusTextOf(r.Status));
}

TCandidate MakeCandidate(const std::string& file, const TFan& fan, const TSelectionResult& r) {
  TCandidate c;
  c.File = file;
  c.Maker = fan.Header().Maker;
  c.Range = fan.Header().Range;
  c.Model = fan.Model().Name;
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
  c.Warnings = r.Warnings;
  return c;
}

void SortCandidates(std::vector<TCandidate>& candidates, TRankKey key) {
  // Smaller is better for every key once efficiency and margin are negated.
  const auto value = [key](const TCandidate& c) {
    switch (key) {
      case TRankKey::Power:
        return c.ShaftPower;
      case TRankKey::Efficiency:
        return -c.Efficiency;
      case TRankKey::Sound:
        return c.SoundPower;
      case TRankKey::Speed:
        return c.Speed;
      case TRankKey::Margin:
        return -c.StallMargin;
    }
    return 0.0;
  };
  std::stable_sort(candidates.begin(), candidates.end(), [&](const TCandidate& a, const TCandidate& b) {
    const double va = value(a), vb = value(b);
    if (va != vb) return va < vb;
    return std::tie(a.File, a.Model) < std::tie(b.File, b.Model);
  });
}

TRanking RankDuty(const std::vector<std::string>& files, const TDuty& duty, TRankKey key, int threads) {
  std::vector<TFileRanking> perFile(files.size());
  unsigned workers =
      threads > 0 ? static_cast<unsigned>(threads) : std::max(1U, std::thread::hardware_concurrency());
  workers = static_cast<unsigned>(
      std::min<std::size_t>(workers, std::max<std::size_t>(1, files.size() / kFilesPerThread)));
  if (workers <= 1) {
    for (std::size_t i = 0; i < files.size(); ++i) RankFile(files[i], duty, perFile[i]);
  } else {
    // Files are independent: each worker takes every workers-th file with a
    // fan model of its own (the reader's cache is shared and locked).
    std::vector<std::thread> pool;
    std::vector<std::exception_ptr> failures(workers);
    for (unsigned w = 0; w < workers; ++w)
      pool.emplace_back([&, w] {
        try {
          for (std::size_t i = w; i < files.size(); i += workers) RankFile(files[i], duty, perFile[i]);
        } catch (...) {
          failures[w] = std::current_exception();
        }
      });
    for (std::thread& t : pool) t.join();
    for (const std::exception_ptr& e : failures)
      if (e) std::rethrow_exception(e);
  }
  TRanking ranking;
  for (TFileRanking& f : perFile) {
    std::move(f.Candidates.begin(), f.Candidates.end(), std::back_inserter(ranking.Candidates));
    std::move(f.Rejected.begin(), f.Rejected.end(), std::back_inserter(ranking.Rejected));
    std::move(f.Messages.begin(), f.Messages.end(), std::back_inserter(ranking.Messages));
  }
  SortCandidates(ranking.Candidates, key);
  return ranking;
}

}  // namespace blowden
