#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "numeric/QmRoot.h"

using namespace blowden;

namespace {

double Sq2(double x) { return x * x - 2; }
double Line3(double x) { return x - 3; }
double Cube8(double x) { return x * x * x - 8; }
double NoRoot(double x) { return x * x + 1; }
double Five(double) { return 5; }
double Exp10(double x) { return std::exp(x) - 10; }
// Linear near 0, then flat: Newton's second step sees no change in f.
double Saturating(double x) { return x < 1e-3 ? x - 2 : -2 + 1e-3; }

enum TMethod { mNewton, mSecant, mBracketed };

struct Case {
  const char* name;
  double (*f)(double);
  TMethod method;
  double a, b;  // x0 (Newton), x0 and h (Secant), the ends (Bracketed)
  int maxIter;
  double expected;
  TRootStatus status;
  int iter;
};

// Expected values and iteration counts were computed by an independent
// transcription of the three methods in another language (IEEE doubles, the
// same operation order).
const Case kCases[] = {
    {"x²-2 secant", Sq2, mSecant, 1, 0.1, 50, 1.4142135534827678, rsConverged, 4},
    {"x-3 newton", Line3, mNewton, 0, 0, 50, 2.999999999998936, rsConverged, 1},
    {"x²-2 newton", Sq2, mNewton, 1, 0, 50, 1.4142135620588534, rsConverged, 5},
    {"x³-8 bracketed", Cube8, mBracketed, 0, 10, 50, 1.9999997148107975, rsConverged, 14},
    {"x³-8 bracketed reversed", Cube8, mBracketed, 10, 0, 50, 1.9999997148107975, rsConverged, 14},
    {"cos bracketed", [](double x) { return std::cos(x); }, mBracketed, 0, 3, 50, 1.5707963267948966,
     rsConverged, 5},
    {"exp secant (Illinois)", Exp10, mSecant, 0, 1, 50, 2.3025850872966376, rsConverged, 9},
    {"x²+1 no sign change", NoRoot, mBracketed, -1, 1, 50, -1, rsNoSignChange, 0},
    {"constant newton", Five, mNewton, 1, 0, 50, 1, rsZeroStep, 0},
    {"constant secant", Five, mSecant, 1, 1, 50, 1, rsFlat, 0},
    {"secant zero step", Sq2, mSecant, 1, 0, 50, 1, rsZeroStep, 0},
    {"newton flat", Saturating, mNewton, 0, 0, 50, 4000.000000001604, rsFlat, 1},
    {"secant max iter", Cube8, mSecant, 0, 0.1, 1, 0.1, rsMaxIter, 1},
    // Newton tests the limit before counting, so it takes one step more.
    {"newton max iter", Cube8, mNewton, 10, 0, 1, 5.315465652656444, rsMaxIter, 2},
    {"bracketed max iter", Cube8, mBracketed, 0, 10, 1, 3.83, rsMaxIter, 1},
    // The limit is tested after the convergence and overrides it.
    {"newton converges on the limit", Line3, mNewton, 0, 0, 0, 2.999999999998936, rsMaxIter, 1},
    {"bracketed converges on the limit", Cube8, mBracketed, 0, 10, 14, 1.9999997148107975, rsMaxIter, 14},
    {"bracketed one under the limit", Cube8, mBracketed, 0, 10, 15, 1.9999997148107975, rsConverged, 14},
    // Secant returns a converged point at once, before counting.
    {"secant stops at the limit", Sq2, mSecant, 1, 0.1, 4, 1.4140510503175379, rsMaxIter, 4},
    {"secant converges before the limit", Sq2, mSecant, 1, 0.1, 5, 1.4142135534827678, rsConverged, 4},
    {"start on the root, newton", Line3, mNewton, 3, 0, 50, 3, rsConverged, 0},
    {"start on the root, secant", Line3, mSecant, 3, 1, 50, 3, rsConverged, 0},
    {"root at a", Line3, mBracketed, 3, 10, 50, 3, rsConverged, 0},
    {"root at b", Line3, mBracketed, 0, 3, 50, 3, rsConverged, 0},
    {"within Tol at start", [](double x) { return x - 3 + 5e-7; }, mNewton, 3, 0, 50, 3, rsConverged, 0},
};

}  // namespace

TEST(Root, Methods) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TRoot root(c.f);
    root.SetControl(c.maxIter, 1e-6);
    double x = 0;
    switch (c.method) {
      case mNewton:
        x = root.Newton(c.a);
        break;
      case mSecant:
        x = root.Secant(c.a, c.b);
        break;
      case mBracketed:
        x = root.Bracketed(c.a, c.b);
        break;
    }
    EXPECT_NEAR(x, c.expected, 1e-12 * (1 + std::fabs(c.expected)));
    EXPECT_EQ(static_cast<int>(root.Status), static_cast<int>(c.status));
    EXPECT_EQ(root.Iter, c.iter);
  }
}

TEST(Root, ConvergedMeansSmallFunctionValue) {
  TRoot root(Sq2);
  const double x = root.Secant(1, 0.1);
  EXPECT_EQ(static_cast<int>(root.Status), rsConverged);
  EXPECT_LE(std::fabs(Sq2(x)), 1e-6);
  EXPECT_NEAR(x, std::sqrt(2.0), 1e-6);
}

TEST(Root, Defaults) {
  TRoot root(Sq2);
  EXPECT_EQ(root.MaxIter, 50);
  EXPECT_EQ(root.Tol, 1e-6);
  EXPECT_EQ(root.Dx, 0.1);
  EXPECT_EQ(static_cast<int>(root.Status), rsRunning);
  root.SetControl(100, 1e-9);
  EXPECT_EQ(root.MaxIter, 100);
  EXPECT_EQ(root.Tol, 1e-9);
}

TEST(Root, SlopeIsAForwardDifference) {
  TRoot root([](double x) { return x * x; });
  const double s = root.Slope(2);
  const double h = (2 + 2 * 0.000344) - 2;  // the step actually representable
  EXPECT_EQ(root.Dx, h);
  EXPECT_EQ(root.FValue, 4);
  EXPECT_DOUBLE_EQ(s, ((2 + h) * (2 + h) - 4) / h);
  EXPECT_NEAR(s, 4.000688, 1e-9);

  const double s0 = root.Slope(0);  // x = 0 uses the fixed step
  EXPECT_EQ(root.Dx, 0.000344);
  EXPECT_EQ(root.FValue, 0);
  EXPECT_DOUBLE_EQ(s0, 0.000344);

  root.Slope(-1000);
  EXPECT_NEAR(root.Dx, 0.344, 1e-12);
}

TEST(Root, SecantLeavesFValueAlone) {
  TRoot root(Sq2);
  root.FValue = 123;
  root.Secant(1, 0.1);
  EXPECT_EQ(root.FValue, 123);
}

TEST(Root, FunctionErrorsPassThrough) {
  TRoot root([](double x) -> double {
    if (x > 2) throw std::runtime_error("outside");
    return x - 5;
  });
  EXPECT_THROW(root.Newton(1), std::runtime_error);
}

TEST(Root, NotANumberEndsAtTheLimit) {
  // A function that gives no number never converges, and never loops forever.
  TRoot root([](double) { return std::nan(""); });
  root.SetControl(10, 1e-6);
  root.Newton(1);
  EXPECT_EQ(static_cast<int>(root.Status), rsMaxIter);
  EXPECT_EQ(root.Iter, 11);
  root.Secant(1, 1);
  EXPECT_EQ(static_cast<int>(root.Status), rsMaxIter);
  EXPECT_EQ(root.Iter, 10);
  root.Bracketed(0, 1);
  EXPECT_EQ(static_cast<int>(root.Status), rsMaxIter);
  EXPECT_EQ(root.Iter, 10);
}
