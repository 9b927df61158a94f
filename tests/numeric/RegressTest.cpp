#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numeric/Regress.h"

using namespace blowden;

namespace {

struct TFit {
  std::vector<double> coeffs;
  int error = 99;
  TFitStats stats{-7, -8};  // recognisable "left as they were" values
  std::string summary = "untouched";
};

TFit Fit(const std::vector<double>& x, const std::vector<double>& y, int order, int n = -1) {
  TFit f;
  FitPolynomial(x, y, n < 0 ? static_cast<int>(x.size()) : n, order, f.coeffs, f.error, f.stats, f.summary);
  return f;
}

double Cubic(double x) { return 512.3 - 12.06 * x + 0.5 * x * x - 0.00012 * x * x * x; }

}  // namespace

TEST(FitPolynomial, ReproducesTheCubicItCameFrom) {
  std::vector<double> x, y;
  for (int i = 1; i <= 10; ++i) {
    x.push_back(0.5 * i);
    y.push_back(Cubic(0.5 * i));
  }
  const TFit f = Fit(x, y, 3);
  ASSERT_EQ(f.error, 0);
  ASSERT_EQ(f.coeffs.size(), 4u);
  // The normal equations square the condition number (about 1e6 here).
  EXPECT_NEAR(f.coeffs[0], 512.3, 1e-8);
  EXPECT_NEAR(f.coeffs[1], -12.06, 1e-8);
  EXPECT_NEAR(f.coeffs[2], 0.5, 1e-8);
  EXPECT_NEAR(f.coeffs[3], -0.00012, 1e-9);
  EXPECT_NEAR(f.stats.R2, 1, 1e-12);
  EXPECT_NEAR(f.stats.AdjR2, 1, 1e-12);
  EXPECT_EQ(f.summary, "order=3, points=10, r²=1.0000");
}

TEST(FitPolynomial, MatchesExactLeastSquares) {
  // Reference values: the normal equations solved in exact rational
  // arithmetic, then rounded to double.
  const std::vector<double> x{0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0};
  const std::vector<double> y{812.0, 790.5, 761.0, 716.25, 660.0, 583.5, 492.0, 377.75};
  struct Case {
    int order;
    std::vector<double> coeffs;
    double r2, adj;
    const char* summary;
  } cases[] = {
      {3,
       {824.0357142857143, -17.58802308802309, -12.502164502164502, -2.7474747474747474},
       0.9999767760630267,
       0.9999593581102967,
       "order=3, points=8, r²=1.0000"},
      {2,
       {807.0357142857143, 17.785714285714285, -31.047619047619047},
       0.9995554716539174,
       0.9993776603154845,
       "order=2, points=8, r²=0.9994"},
      {1,
       {923.4642857142857, -121.92857142857143},
       0.9386904171300228,
       0.9284721533183599,
       "order=1, points=8, r²=0.9285"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.order);
    const TFit f = Fit(x, y, c.order);
    ASSERT_EQ(f.error, 0);
    ASSERT_EQ(f.coeffs.size(), c.coeffs.size());
    for (std::size_t j = 0; j < c.coeffs.size(); ++j)
      EXPECT_NEAR(f.coeffs[j], c.coeffs[j], 1e-9 * std::fabs(c.coeffs[j])) << j;
    EXPECT_NEAR(f.stats.R2, c.r2, 1e-12);
    EXPECT_NEAR(f.stats.AdjR2, c.adj, 1e-12);
    EXPECT_EQ(f.summary, c.summary);
  }
}

TEST(FitPolynomial, DegreeFollowsThePointCount) {
  struct Case {
    int points, order;
    std::size_t coeffs;
  } cases[] = {{2, 3, 1}, {3, 3, 2}, {4, 3, 3}, {5, 3, 4}, {12, 3, 4}, {12, 1, 2}, {12, 0, 1}, {6, 5, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.points << " points, order " << c.order);
    std::vector<double> x, y;
    for (int i = 0; i < c.points; ++i) {
      x.push_back(1 + i);
      y.push_back(100 - 3.0 * i * i + 0.1 * i * i * i);
    }
    const TFit f = Fit(x, y, c.order);
    EXPECT_EQ(f.error, 0);
    EXPECT_EQ(f.coeffs.size(), c.coeffs);
  }
}

TEST(FitPolynomial, TwoPointsGiveTheirMean) {
  const TFit f = Fit({0.0, 1.0}, {100, 300}, 3);
  ASSERT_EQ(f.error, 0);
  ASSERT_EQ(f.coeffs.size(), 1u);
  EXPECT_DOUBLE_EQ(f.coeffs[0], 200);
  EXPECT_DOUBLE_EQ(f.stats.R2, 0);
  EXPECT_DOUBLE_EQ(f.stats.AdjR2, 0);
  EXPECT_EQ(f.summary, "order=0, points=2, r²=0.0000");
}

TEST(FitPolynomial, EqualValuesFitButHaveNoStatistics) {
  const TFit f = Fit({0.5, 1.0, 1.5, 2.0, 2.5}, {250, 250, 250, 250, 250}, 3);
  ASSERT_EQ(f.error, 0);
  ASSERT_EQ(f.coeffs.size(), 4u);
  EXPECT_NEAR(f.coeffs[0], 250, 1e-9);
  for (std::size_t j = 1; j < 4; ++j) EXPECT_NEAR(f.coeffs[j], 0, 1e-9) << j;
  EXPECT_EQ(f.summary, "Regression test error");
  EXPECT_EQ(f.stats.R2, -7);  // kept
  EXPECT_EQ(f.stats.AdjR2, -8);
}

TEST(FitPolynomial, SingularSystems) {
  struct Case {
    const char* name;
    std::vector<double> x, y;
    int order;
  } cases[] = {
      {"all flows zero, cubic", {0, 0, 0, 0, 0}, {1, 2, 3, 4, 5}, 3},
      {"all flows zero, line", {0, 0, 0}, {1, 2, 3}, 3},
      {"all flows equal tiny", {1e-9, 1e-9, 1e-9, 1e-9}, {1, 2, 3, 4}, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TFit f = Fit(c.x, c.y, c.order);
    EXPECT_EQ(f.error, -1);
    EXPECT_EQ(f.summary, "untouched");
    EXPECT_EQ(f.stats.R2, -7);
  }
  // Two points at x = 0 still give a constant: a 1 × 1 system with pivot 2.
  const TFit two = Fit({0, 0}, {4, 6}, 3);
  EXPECT_EQ(two.error, 0);
  EXPECT_DOUBLE_EQ(two.coeffs.at(0), 5);
}

TEST(FitPolynomial, UsesOnlyTheFirstNPoints) {
  // The wild last point is beyond N and must not count.
  const std::vector<double> x{1, 2, 3, 4, 99};
  const std::vector<double> y{3, 5, 7, 9, -1e6};
  const TFit f = Fit(x, y, 1, 4);
  ASSERT_EQ(f.error, 0);
  ASSERT_EQ(f.coeffs.size(), 2u);
  EXPECT_NEAR(f.coeffs[0], 1, 1e-12);
  EXPECT_NEAR(f.coeffs[1], 2, 1e-12);
  EXPECT_EQ(f.summary, "order=1, points=4, r²=1.0000");
}

TEST(FitPolynomial, TooFewPointsIsAnError) {
  struct Case {
    const char* name;
    std::vector<double> x, y;
    int n, order;
  } cases[] = {
      {"one point", {1}, {2}, 1, 3},
      {"no point", {}, {}, 0, 3},
      {"N beyond the data", {1}, {2}, 5, 3},
      {"negative order", {1, 2, 3}, {1, 2, 3}, 3, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TFit f = Fit(c.x, c.y, c.order, c.n);
    EXPECT_EQ(f.error, -1);
    EXPECT_TRUE(f.coeffs.empty());
    EXPECT_EQ(f.summary, "untouched");
  }
}

TEST(PolyValue, Horner) {
  const std::vector<double> c{1, 2, 3};
  EXPECT_DOUBLE_EQ(PolyValue(c, 2), 17);
  EXPECT_DOUBLE_EQ(PolyValue(c, 0), 1);
  EXPECT_DOUBLE_EQ(PolyValue(c, -1), 2);
  EXPECT_EQ(PolyValue(std::vector<double>{}, 3), 0);
  EXPECT_DOUBLE_EQ(PolyValue(std::vector<double>{7}, 1e9), 7);
}

TEST(PolyValue, EvaluatesInExtendedPrecision) {
  // (x - 1)² at x = 1 + 2^-30 is 2^-60. In double precision Horner's rule
  // loses it ((-1 + 2^-30)(1 + 2^-30) rounds to -1); the 64-bit mantissa keeps it.
  const double x = 1 + std::ldexp(1.0, -30);
  EXPECT_EQ(PolyValue(std::vector<double>{1, -2, 1}, x), std::ldexp(1.0, -60));
}

TEST(PolyToStr, Equations) {
  struct Case {
    const char* name;
    std::vector<double> c;
    const char* fmt;
    const char* y;
    const char* expected;
  } cases[] = {
      {"cubic", {512.3, -12.06, 0.5, -0.00012}, "%0.4g", "Ps", "Ps = 512.3 - 12.06 Q + 0.5 Q² - 0.00012 Q³"},
      {"tiny constant", {1e-13, 2}, "%0.4g", "Pw", "Pw = 0 + 2 Q"},
      {"tiny negative", {5, -1e-13}, "%0.4g", "Pw", "Pw = 5 + 0 Q"},
      {"constant", {200}, "%0.4g", "Ps", "Ps = 200"},
      {"parabola", {80.25, 1.5, -0.75}, "%0.2g", "Lw", "Lw = 80 + 1.5 Q - 0.75 Q²"},
      {"cubic keeps six digits", {1, 2, 3, 1.23456789}, "%0.2g", "Lw", "Lw = 1 + 2 Q + 3 Q² + 1.23457 Q³"},
      {"quartic", {1, -2, 3, -4, 0.001}, "%0.4g", "Ps", "Ps = 1 - 2 Q + 3 Q² - 4 Q³ + 0.001 Q^4"},
      {"quintic", {0, 0, 0, 0, -5, 6}, "%0.4g", "P", "P = 0 + 0 Q + 0 Q² + 0 Q³ - 5 Q^4 + 6 Q^5"},
      {"exponent form", {123456, 1.5e-5}, "%0.4g", "Ps", "Ps = 1.235E5 + 1.5E-5 Q"},
      {"negative constant", {-3.5, 1}, "%0.4g", "Ps", "Ps = -3.5 + 1 Q"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PolyToStr(c.c, c.fmt, c.y, "Q"), c.expected);
  }
  EXPECT_EQ(PolyToStr(std::vector<double>{}, "%0.4g", "Ps", "Q"), "");
  EXPECT_EQ(PolyToStr(std::vector<double>{1, 2}, "%0.4g", "100%", "x%d"), "100% = 1 + 2 x%d");
}
