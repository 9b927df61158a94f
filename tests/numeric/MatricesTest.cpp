#include <gtest/gtest.h>

#include <vector>

#include "numeric/Matrices.h"

using namespace blowden;

namespace {

struct SolveCase {
  const char* name;
  int n;
  std::vector<double> a;
  std::vector<double> x;  // the solution; B is A·x
};

std::vector<double> Multiply(const std::vector<double>& a, const std::vector<double>& x, int n) {
  std::vector<double> b(static_cast<std::size_t>(n), 0.0);
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c)
      b[static_cast<std::size_t>(r)] +=
          a[static_cast<std::size_t>(r * n + c)] * x[static_cast<std::size_t>(c)];
  return b;
}

}  // namespace

TEST(GaussJordan, SolvesSystems) {
  const SolveCase cases[] = {
      {"one by one", 1, {4}, {2.5}},
      {"two by two", 2, {2, 1, 1, 3}, {0.8, 1.4}},
      // A zero on the diagonal: needs a row swap.
      {"zero diagonal", 2, {0, 1, 1, 0}, {3, 2}},
      // Largest elements off the diagonal: rows and columns both swap, and the
      // unknowns must be put back in order.
      {"column pivots", 3, {1, 2, 30, 4, 50, 6, 700, 8, 10}, {1, -2, 3}},
      {"four by four", 4, {1, 1, 1, 1, 1, 2, 4, 8, 1, 3, 9, 27, 1, 4, 16, 64}, {5, -1, 0.5, -0.25}},
      {"badly scaled", 3, {1e-3, 1, 2, 3, 1e3, 4, 5, 6, 1e-6}, {7, 0.001, -3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> b = Multiply(c.a, c.x, c.n);
    std::vector<double> x(static_cast<std::size_t>(c.n), -99);
    ASSERT_EQ(GaussJordan(c.a, b, c.n, x), 0);
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(x[i], c.x[i], 1e-9 * (1 + std::abs(c.x[i]))) << i;
  }
}

TEST(GaussJordan, ExactOnSwappedUnitMatrix) {
  // Permutation matrices are solved without any rounding.
  const std::vector<double> a{0, 0, 1, 1, 0, 0, 0, 1, 0};
  const std::vector<double> b{7, 8, 9};
  std::vector<double> x(3);
  ASSERT_EQ(GaussJordan(a, b, 3, x), 0);
  EXPECT_EQ(x, (std::vector<double>{8, 9, 7}));
}

TEST(GaussJordan, SingularSystems) {
  struct Case {
    const char* name;
    int n;
    std::vector<double> a;
  } cases[] = {
      {"dependent rows", 2, {1, 2, 2, 4}},
      {"all zero", 2, {0, 0, 0, 0}},
      {"zero column", 3, {1, 0, 2, 3, 0, 4, 5, 0, 6}},
      // The threshold is absolute: a tiny but well-conditioned system counts as singular.
      {"tiny pivot", 1, {1e-16}},
      {"tiny matrix", 2, {1e-16, 0, 0, 1e-16}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> b(static_cast<std::size_t>(c.n), 1.0);
    std::vector<double> x(static_cast<std::size_t>(c.n), -99);
    EXPECT_EQ(GaussJordan(c.a, b, c.n, x), -1);
    for (double v : x) EXPECT_EQ(v, -99);  // left unchanged
  }
}

TEST(GaussJordan, ThresholdBoundary) {
  const double eps = GaussJordanSingular;
  std::vector<double> x(1);
  // A pivot equal to 2^-52 is not below the threshold.
  EXPECT_EQ(GaussJordan(std::vector<double>{eps}, std::vector<double>{eps * 3}, 1, x), 0);
  EXPECT_DOUBLE_EQ(x[0], 3);
  EXPECT_EQ(GaussJordan(std::vector<double>{eps * 0.999}, std::vector<double>{1}, 1, x), -1);
  EXPECT_EQ(GaussJordan(std::vector<double>{-eps * 2}, std::vector<double>{eps}, 1, x), 0);
  EXPECT_DOUBLE_EQ(x[0], -0.5);
}

TEST(GaussJordan, RefusesShortInput) {
  std::vector<double> x(2);
  EXPECT_EQ(GaussJordan(std::vector<double>{1, 0, 0}, std::vector<double>{1, 1}, 2, x), -1);
  EXPECT_EQ(GaussJordan(std::vector<double>{1, 0, 0, 1}, std::vector<double>{1}, 2, x), -1);
  std::vector<double> shortX(1);
  EXPECT_EQ(GaussJordan(std::vector<double>{1, 0, 0, 1}, std::vector<double>{1, 1}, 2, shortX), -1);
  EXPECT_EQ(GaussJordan(std::vector<double>{}, std::vector<double>{}, 0, x), -1);
}

TEST(GaussJordan, FirstLargestElementIsThePivot) {
  // Two elements of magnitude 7 compete for the first pivot; taking the first
  // one in row order gives these roundings, the other choice different ones.
  // (Reference: an independent transcription of the elimination.)
  const std::vector<double> a{-3, 7, 0.1, 2, 0.3, -3, 1, -3, 7};
  const std::vector<double> b{1.3, 0.7, -0.9};
  std::vector<double> x(3);
  ASSERT_EQ(GaussJordan(a, b, 3, x), 0);
  EXPECT_EQ(x[0], 0.24818558576771452);
  EXPECT_EQ(x[1], 0.29263115334074596);
  EXPECT_EQ(x[2], -0.03861316082078237);
}
