#pragma once

#include <span>

namespace blowden {

// Pivots smaller than this in magnitude make a system singular. The test is
// absolute, not relative to the size of the matrix.
inline constexpr double GaussJordanSingular = 2.220446049250313e-16;  // 2^-52

// Solves A·X = B for an n × n system (A row-major, n*n values) by Gauss-Jordan
// elimination with full pivoting, working on copies of A and B. The pivot of
// each step is the first element of largest magnitude in the remaining
// submatrix (row-major search from the diagonal). Returns 0 with the solution
// in X (n values), or -1 when a pivot falls below GaussJordanSingular (X is
// then left unchanged). Spans shorter than n*n, n, n also give -1.
//   A = {2, 1, 1, 3}, B = {3, 5}  -> X = {0.8, 1.4}
int GaussJordan(std::span<const double> A, std::span<const double> B, int n, std::span<double> X);

}  // namespace blowden
