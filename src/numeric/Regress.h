#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace blowden {

// Goodness of a least-squares fit.
struct TFitStats {
  double R2 = 0;     // coefficient of determination, 1 - SSE/SST
  double AdjR2 = 0;  // R2 adjusted for the number of coefficients
};

// Least-squares polynomial through the first N points (X[i], Y[i]).
// The degree is min(Order, N - 2): 2 points give a constant, 3 a line, 4 a
// parabola, 5 or more the full order. Coeffs receives c0 ... cd (increasing
// powers). The normal equations are solved by GaussJordan; when they are
// singular ErrorCode is -1 and Stats and Summary keep what they held.
// Otherwise ErrorCode is 0 and Summary reads "order=3, points=8, r²=0.9987"
// (the value printed is AdjR2). When the statistics cannot be computed (all Y
// equal, so SST = 0) Summary is "Regression test error", Stats keep what they
// held and the coefficients stand.
// Fewer than 2 usable points (N, or the shorter of X and Y), or a negative
// Order: ErrorCode -1, Coeffs empty.
//   X = {0, 1}, Y = {100, 300}, Order 3 -> Coeffs {200}, R2 = AdjR2 = 0,
//   Summary "order=0, points=2, r²=0.0000"
void FitPolynomial(std::span<const double> X, std::span<const double> Y, int N, int Order,
                   std::vector<double>& Coeffs, int& ErrorCode, TFitStats& Stats, std::string& Summary);

// c0 + c1*x + c2*x² + ... by Horner's rule in extended precision.
// Empty coefficients give 0.
double PolyValue(std::span<const double> Coeffs, double x);

// The polynomial as an equation. Coefficients below 1e-12 in magnitude print
// as 0; the cubic coefficient always uses "%0.6g", all others Fmt.
//   {512.3, -12.06, 0.5, -0.00012}, "%0.4g", "Ps", "Q"
//       -> "Ps = 512.3 - 12.06 Q + 0.5 Q² - 0.00012 Q³"
//   {1e-13, 2}, "%0.4g", "Pw", "Q"  -> "Pw = 0 + 2 Q"
//   five coefficients append " + 0.001 Q^4"
// Empty coefficients give an empty text.
std::string PolyToStr(std::span<const double> Coeffs, std::string_view Fmt, std::string_view YName,
                      std::string_view XName);

}  // namespace blowden
