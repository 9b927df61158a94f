#include "numeric/Matrices.h"

#include <cmath>
#include <utility>
#include <vector>

namespace blowden {

int GaussJordan(std::span<const double> A, std::span<const double> B, int n, std::span<double> X) {
  if (n < 1) return -1;
  const std::size_t un = static_cast<std::size_t>(n);
  if (A.size() < un * un || B.size() < un || X.size() < un) return -1;

  // Small systems (the fits are at most 4 × 4) stay on the stack.
  constexpr std::size_t kLocal = 8;
  double localA[kLocal * kLocal];
  double localB[kLocal];
  std::size_t localSwaps[kLocal];
  std::vector<double> heapA, heapB;
  std::vector<std::size_t> heapSwaps;
  double* a = localA;
  double* b = localB;
  std::size_t* colSwap = localSwaps;
  if (un > kLocal) {
    heapA.resize(un * un);
    heapB.resize(un);
    heapSwaps.resize(un);
    a = heapA.data();
    b = heapB.data();
    colSwap = heapSwaps.data();
  }
  for (std::size_t i = 0; i < un * un; ++i) a[i] = A[i];
  for (std::size_t i = 0; i < un; ++i) b[i] = B[i];
  auto at = [a, un](std::size_t r, std::size_t c) -> double& { return a[r * un + c]; };

  for (std::size_t k = 0; k < un; ++k) {
    // Full pivot search, row by row from (k, k); only a strictly larger
    // magnitude moves the pivot, so the first largest element wins.
    std::size_t pr = k, pc = k;
    double big = std::fabs(at(k, k));
    for (std::size_t r = k; r < un; ++r)
      for (std::size_t c = k; c < un; ++c)
        if (std::fabs(at(r, c)) > big) {
          big = std::fabs(at(r, c));
          pr = r;
          pc = c;
        }
    if (!(big >= GaussJordanSingular)) return -1;  // also refuses a NaN pivot

    if (pr != k) {
      for (std::size_t c = 0; c < un; ++c) std::swap(at(k, c), at(pr, c));
      std::swap(b[k], b[pr]);
    }
    if (pc != k)
      for (std::size_t r = 0; r < un; ++r) std::swap(at(r, k), at(r, pc));
    colSwap[k] = pc;

    const double pivot = at(k, k);
    for (std::size_t c = k; c < un; ++c) at(k, c) /= pivot;
    b[k] /= pivot;
    for (std::size_t r = 0; r < un; ++r) {
      if (r == k) continue;
      const double f = at(r, k);
      for (std::size_t c = k; c < un; ++c) at(r, c) -= f * at(k, c);
      b[r] -= f * b[k];
    }
  }

  // The unknowns were permuted with the columns; put them back in reverse order.
  for (std::size_t k = un; k-- > 0;)
    if (colSwap[k] != k) std::swap(b[k], b[colSwap[k]]);
  for (std::size_t i = 0; i < un; ++i) X[i] = b[i];
  return 0;
}

}  // namespace blowden
