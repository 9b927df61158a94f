#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/SharedText.h"
#include "fan/FanAir.h"
#include "fan/FanSelection.h"

namespace blowden {

// What a ranked selection puts first.
enum class TRankKey {
  Power,       // lowest shaft power
  Efficiency,  // highest total efficiency
  Sound,       // lowest A-weighted sound power when every candidate has bands, else lowest sound power
  Speed,       // lowest speed
  Margin,      // largest stall margin; models without one last
  Fei,         // highest Fan Energy Index
};

// "power", "efficiency", "sound", "speed", "margin", "fei"; FindRankKey matches
// without regard to case.
std::string_view RankKeyName(TRankKey key);
std::optional<TRankKey> FindRankKey(std::string_view name);

// A model whose selection the verdict accepts (ok or warning), with the
// figures of the selector's evaluation at site air. Units: m³/s, Pa, kW, %,
// dB, rpm.
struct TCandidate {
  TSharedText File;  // shared by the candidates and rejections of one file
  std::string Maker, Range, Model;
  int Status = fsReady;
  bool DutyMet = true;
  double Speed = 0;
  double SpeedMargin = 0;  // % of MaxSpeed left
  double Flow = 0;
  double StaticPressure = 0;
  double TotalPressure = 0;
  double ShaftPower = 0;
  double StaticEfficiency = 0;
  double Efficiency = 0;  // total
  double SoundPower = 0;
  // % of the pressure peak's flow right of it; none when the peak does not
  // lie inside the tested flows.
  std::optional<double> StallMargin;
  double BepRatio = 0;  // operating flow in % of the fitted best-efficiency flow at that speed; 0: none
  TSoundFigures Sound;  // octave bands, LwA and Lp of the selection
  TVerdictKind Verdict = TVerdictKind::Ok;
  std::vector<TVerdictNote> WarningNotes;  // the verdict's warnings, written by Warnings()
  TEnergyFigures Energy;                   // FEI, motor and electrical power, as the selection's

  // The verdict's warnings, one sentence each.
  std::vector<std::string> Warnings() const { return NoteTexts(WarningNotes); }
};

// A model left out, and why in words ("speed 1840 rpm above the maximum
// 1600 rpm"). A file that cannot be used at all is one entry with no model.
// The sentences are kept as the verdict's notes and written when asked.
struct TRejected {
  TSharedText File;  // shared as the candidates'
  std::string Model;
  int Status = fsReady;
  TVerdictRule Rule = TVerdictRule::None;  // the first reason's rule (None: by Status)
  TVerdictNotes Notes;                     // at least one reason

  // The reasons joined by "; ".
  std::string Reason() const;
  // The verdict's reasons, one sentence each, and its warnings besides.
  std::vector<std::string> Reasons() const { return NoteTexts(Notes.Reasons); }
  std::vector<std::string> Warnings() const { return NoteTexts(Notes.Warnings); }
};

// A rejection for one reason given whole.
TRejected RejectedFor(TSharedText file, std::string model, int status, std::string reason,
                      TVerdictRule rule = TVerdictRule::None);

struct TRanking {
  std::vector<TCandidate> Candidates;  // best first
  std::vector<TRejected> Rejected;     // in file and model order
  std::vector<std::string> Messages;   // message boxes of the reader, "<file> (<model>): <text>"
};

// The rejection of an evaluated model whose verdict is Rejected: its
// reasons, joined into Reason.
TRejected MakeRejected(const TSharedText& file, const TFan& fan, const TSelectionResult& r);
TRejected MakeRejected(const TSharedText& file, const std::string& model, const TSelectionResult& r);
TRejected MakeRejected(const TSharedText& file, const std::string& model, TSelectionResult&& r);

// The candidate of an evaluation whose verdict is ok or warning.
TCandidate MakeCandidate(const TSharedText& file, const TFan& fan, const TSelectionResult& r);

// Evaluates the duty on every model of every file exactly as the selector
// evaluates a chosen model, and ranks the models that meet it by `key`
// (ties: file, then model name). `threads` 0 uses every core that pays.
// The files are read as they are on disk now; the models of a file
// unchanged since an earlier ranking are not read again (see TRankCatalogue).
TRanking RankDuty(const std::vector<std::string>& files, const TDuty& duty, TRankKey key, int threads = 0);

// Files read once for ranking many duties: every model of every file is
// read, converted and fitted when the catalogue is made, and Rank evaluates
// the kept models without looking at the files again. Rank(duty, key) gives
// exactly what RankDuty(files, duty, key) gave for the files as they were
// when the catalogue was made: the same candidates in the same order with
// the same figures and warnings, the same rejections and reasons, the same
// reader messages.
//
// Making a catalogue reuses what an earlier catalogue (or RankDuty) read of
// a file unchanged on disk since (its size, times and identity, as the INI
// reader tells); a changed file is read again. About 45 MB of models are
// kept so between catalogues, at most. Rank may be called from several
// threads at once.
//   TRankCatalogue catalogue(files);
//   for (const TDuty& duty : duties) Print(catalogue.Rank(duty, TRankKey::Power));
class TRankCatalogue {
 public:
  // `threads` as for RankDuty, for the reading of files not read before.
  explicit TRankCatalogue(std::vector<std::string> files, int threads = 0);
  ~TRankCatalogue();
  TRankCatalogue(TRankCatalogue&&) noexcept;
  TRankCatalogue& operator=(TRankCatalogue&&) noexcept;
  TRankCatalogue(const TRankCatalogue&) = delete;
  TRankCatalogue& operator=(const TRankCatalogue&) = delete;

  TRanking Rank(const TDuty& duty, TRankKey key, int threads = 0) const;

  const std::vector<std::string>& Files() const { return FFiles; }
  // The models that Rank evaluates (read to the end with status "Ready").
  std::size_t EvaluatedModels() const;

  // One file as read for ranking (internal to the ranking).
  struct TKeptFile;

 private:
  std::vector<std::string> FFiles;
  std::vector<std::shared_ptr<const TKeptFile>> FKept;  // by file
};

// Orders candidates by `key`, best first; ties by file, then model name.
void SortCandidates(std::vector<TCandidate>& candidates, TRankKey key);

// The level a ranking by sound compares: "LwA" when every candidate has
// octave bands (an empty list too), else "Lw".
std::string_view SoundRankLevel(const std::vector<TCandidate>& candidates);

}  // namespace blowden
