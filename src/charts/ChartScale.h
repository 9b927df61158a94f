#pragma once

#include <string>

namespace blowden {

// Arithmetic of chart scales, free of any drawing.

// Tick step of the chart panel for a raw step (range / (ticks - 1)): the first
// step of 0.0001 0.0002 0.0005 0.001 ... 1 2 5 10 20 25 50 100 150 200 250 300 500
// whose threshold (step + 10 %, written 1.1, 2.1, 5.1, 10.1, ...) is at least
// raw; above 500.1 raw rounded up to a multiple of 500.
//   NiceStep(200) -> 200;  NiceStep(0.8) -> 1;  NiceStep(0.105) -> 0.1;
//   NiceStep(2.1) -> 2;    NiceStep(2.11) -> 5;  NiceStep(600) -> 1000
double NiceStep(double raw);

// printf-like format of a chart tick label or read-out value:
//   above 9999 "%4.2g"; |v| >= 75 or v = 0 "%0.0f"; |v| >= 1 "%0.1f";
//   v > 0.1 "%0.2f"; v > 0.01 "%0.3f"; otherwise "%0.4f".
std::string ChooseNumberFormat(double value);

// Drops trailing zeros after a decimal point (and the point when nothing
// follows) and leading zeros of an exponent.
//   "1.50" -> "1.5";  "200." -> "200";  "2.000" -> "2";  "1.5E05" -> "1.5E5";  "300" -> "300"
std::string TrimNumber(const std::string& text);

// The chart panel's tick label: ChooseNumberFormat then TrimNumber, with
// more decimals (up to four) where the format would misstate a value that has
// a short exact form: 0 -> "0", 200 -> "200", 0.25 -> "0.25", 2.5 -> "2.5",
// 1.25 -> "1.25" (not "1.3"), 1/3 -> "0.33", 12000 -> "1.2E4".
std::string ChartTickLabel(double value);

// Decimals of a plot panel tick label: three significant digits, at most two
// decimals, decided by the characters before the point when written with two
// decimals: 0 -> 2, 10 -> 1, -1.5 -> 1, 1234.567 -> 0, 9.996 -> 1 ("10.00").
int TickDecimals(double value);
// The plot panel's tick label: 0 -> "0.00", 10 -> "10.0", -1.5 -> "-1.5", 1234.567 -> "1235".
std::string GraphTickLabel(double value);

// Ticks of one chart panel axis over the window lo .. hi with `wanted` ticks:
// Step = NiceStep((hi - lo) / (wanted - 1)); ticks k = 0 .. Count have the
// values lo + k * Step (Count = trunc((hi - lo) * 1.02 / Step)), so they start
// at lo itself and may run up to 2 % beyond hi.
//   0 .. 1000, 6 wanted  -> Step 200, Count 5 (0, 200, ..., 1000)
//   0.25 .. 4.25, 6      -> Step 1,   Count 4 (0.25, 1.25, ..., 4.25)
// Drawn is false when lo >= hi or the window is not finite: no grid, labels
// or caption on that axis.
struct TTickSet {
  bool Drawn = false;
  double Step = 0;
  int Count = 0;                         // index of the last tick; Count + 1 ticks
  double First = 0;                      // the value of tick 0
  double Value(double lo, int k) const;  // lo + k * Step, exactly 0 near zero
  double At(int k) const { return Value(First, k); }
};
TTickSet ChartTicks(double lo, double hi, int wanted);

// Ticks on round numbers over the window lo .. hi with about `wanted`
// ticks: the step of ChartTicks, ticks at the multiples of the step inside
// the window (the first the smallest multiple >= lo, the last the largest
// <= hi, each within rounding noise). A window that would get fewer than
// three such ticks takes the step of one more wanted tick, up to twice as
// many as wanted.
//   0.25 .. 4.25, 6 wanted -> Step 1, First 1, Count 3 (1, 2, 3, 4)
//   75 .. 5075, 6          -> Step 1000, First 1000, Count 4
//   100 .. 2850, 6         -> Step 1000 gives two ticks: Step 500, First 500, Count 4
TTickSet RoundTicks(double lo, double hi, int wanted);

// Decimals that write a tick step exactly: 0.25 -> 2, 0.5 -> 1, 200 -> 0.
int StepDecimals(double step);

// The label of a round tick: plain with the decimals of the step up to
// 10^7 in size, the integer part grouped by `groupSeparator` in threes from
// 1000 on (none when empty); beyond 10^7 as ChartTickLabel writes it.
//   (11000, 1000, ",") -> "11,000";  (0.75, 0.25, "") -> "0.75";  (2, 0.5, "") -> "2.0"
std::string RoundTickLabel(double value, double step, const std::string& groupSeparator);

}  // namespace blowden
