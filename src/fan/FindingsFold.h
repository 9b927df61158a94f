#pragma once

#include <span>
#include <vector>

#include "fan/FanFindings.h"

namespace blowden {

// What a finding of the physics check judges: the tested quantities its
// figure is computed from. A typing error in one of them explains every
// finding about it on that point.
enum TFindingTopic : unsigned { ftNone = 0, ftPs = 1, ftPw = 2, ftLw = 4 };

// One finding's topic, and for a fitted curve's miss of a tested point the
// fit (index into the fits given to FoldFitMisses).
struct TFindingTag {
  unsigned Topic = ftNone;  // a fit's miss: the fit's quantity
  int Fit = -1;             // -1: not a fit's miss
};

// A fitted curve of a model as its misses are judged.
struct TFoldFit {
  const char* Name = "";           // "Pw"
  unsigned Topic = ftNone;         // ftPw
  std::span<const double> Values;  // the tested values, one per flow
  int Order = 3;                   // the polynomial order of the fit
};

// Folds the fit misses (warnings tagged with a Fit) that another finding
// explains into that finding, so that one typing error reads as one finding:
// 1. A fit pulled off several points by one of them: when the fit without
//    point c meets every other point within kResidualWarningPercent while it
//    misses c, the other points' misses are folded into c's:
//      "Pw fit misses the tested value by 68.1 % (more than 3 %), and points 1, 2, 3 by
//       more than 3 % because of it"
// 2. A warning on a point where another finding judges the same quantity
//    (a total efficiency above 100 % judges Ps and Pw): a fit's miss is
//    folded into the first error there, else the first other warning; any
//    other warning into the first error. The finding's text gains "; " and
//    the folded one's.
// `flows` are the tested flows; `tags` go with `findings` one to one and are
// kept in step with them. Findings keep their order.
void FoldFitMisses(std::span<const double> flows, std::span<const TFoldFit> fits,
                   std::vector<TFinding>& findings, std::vector<TFindingTag>& tags);

}  // namespace blowden
