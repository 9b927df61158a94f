#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fan/ModelFits.h"

namespace blowden {
namespace {

TFanModel ModelWith(std::vector<double> qa, std::vector<double> ps, std::vector<double> pw,
                    std::vector<double> lw) {
  TFanModel model;
  model.Count = int(qa.size());
  model.Qa = std::move(qa);
  model.Ps = std::move(ps);
  model.Pw = std::move(pw);
  model.Lw = std::move(lw);
  return model;
}

TEST(ModelFits, CurveSpecsFollowTheCurve) {
  struct Case {
    TCurveKind kind;
    int order;
    std::string format, yName, caption;
    double low, high;
  };
  const Case cases[] = {
      {ckPressure, 3, "%0.4g", "Ps", "Ps vs Q", 0.1, 1.5},
      {ckPower, 3, "%0.4g", "Pw", "Pw vs Q", 0.5, 1.5},
      {ckSound, 2, "%0.2g", "Lw", "Lw vs Q", 0.9, 1.1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    const TCurveSpec& spec = CurveSpec(c.kind);
    EXPECT_EQ(spec.Order, c.order);
    EXPECT_EQ(spec.Format, c.format);
    EXPECT_EQ(spec.YName, c.yName);
    EXPECT_EQ(spec.Caption, c.caption);
    EXPECT_DOUBLE_EQ(spec.LowFactor, c.low);
    EXPECT_DOUBLE_EQ(spec.HighFactor, c.high);
  }
}

TEST(ModelFits, StraightLineThroughThreePoints) {
  // Ps = 500 - 100 Q exactly; three points give a line.
  const TFanModel model = ModelWith({1, 2, 3}, {400, 300, 200}, {1, 1, 1}, {70, 70, 70});
  const TCurveFit fit = FitCurve(model, ckPressure);
  ASSERT_EQ(fit.ErrorCode, 0);
  ASSERT_EQ(fit.Coeffs.size(), 2u);
  EXPECT_NEAR(fit.Coeffs[0], 500, 1e-9);
  EXPECT_NEAR(fit.Coeffs[1], -100, 1e-9);
  EXPECT_EQ(fit.Summary, "order=1, points=3, r\xC2\xB2=1.0000");
  EXPECT_EQ(fit.Equation, "Ps = 500 - 100 Q");
  ASSERT_TRUE(fit.HasLimits);
  EXPECT_DOUBLE_EQ(fit.XMin, 1);
  EXPECT_DOUBLE_EQ(fit.XMax, 3);
  EXPECT_NEAR(fit.YMin, 20, 1e-12);   // 0.1 x 200
  EXPECT_NEAR(fit.YMax, 600, 1e-12);  // 1.5 x 400
}

TEST(ModelFits, SoundIsAParabolaWrittenWithTwoDigits) {
  // Lw = 70 + 2 Q + 0.5 Q² at Q = 1 .. 5.
  std::vector<double> q = {1, 2, 3, 4, 5}, lw;
  for (double x : q) lw.push_back(70 + 2 * x + 0.5 * x * x);
  const TFanModel model = ModelWith(q, {5, 4, 3, 2, 1}, {1, 2, 3, 4, 5}, lw);
  const TCurveFit fit = FitCurve(model, ckSound);
  ASSERT_EQ(fit.Coeffs.size(), 3u);
  EXPECT_NEAR(fit.Coeffs[2], 0.5, 1e-9);
  EXPECT_EQ(fit.Equation, "Lw = 70 + 2 Q + 0.5 Q\xC2\xB2");
  EXPECT_NEAR(fit.YMin, 0.9 * 72.5, 1e-9);
  EXPECT_NEAR(fit.YMax, 1.1 * 92.5, 1e-9);
}

TEST(ModelFits, PowerCubicUsesSixDigitsForTheCubicTerm) {
  // Pw = 0.25 + 0.5 Q - 0.125 Q² + 0.0123456 Q³, exact at six points.
  std::vector<double> q = {1, 2, 3, 4, 5, 6}, pw;
  for (double x : q) pw.push_back(0.25 + 0.5 * x - 0.125 * x * x + 0.0123456 * x * x * x);
  const TFanModel model = ModelWith(q, {6, 5, 4, 3, 2, 1}, pw, {1, 1, 1, 1, 1, 1});
  const TCurveFit fit = FitCurve(model, ckPower);
  EXPECT_EQ(fit.Equation, "Pw = 0.25 + 0.5 Q - 0.125 Q\xC2\xB2 + 0.0123456 Q\xC2\xB3");
}

TEST(ModelFits, ValuesAreLimitedToCountAndToTheFlows) {
  TFanModel model = ModelWith({1, 2, 3, 4, 5}, {9, 8, 7}, {1, 2, 3, 4, 5, 6, 7}, {1, 2, 3, 4, 5});
  EXPECT_EQ(CurveValues(model, ckPressure).size(), 3u);  // shorter Ps list
  EXPECT_EQ(CurveFlows(model, ckPressure).size(), 3u);
  EXPECT_EQ(CurveValues(model, ckPower).size(), 5u);  // extra items ignored
  model.Count = 4;
  EXPECT_EQ(CurveValues(model, ckSound).size(), 4u);
}

TEST(ModelFits, NoPointsGiveNoFitAndNoLimits) {
  const TFanModel model = ModelWith({}, {}, {}, {});
  const TCurveFit fit = FitCurve(model, ckPressure);
  EXPECT_EQ(fit.ErrorCode, -1);
  EXPECT_EQ(fit.Summary, NoFitSummary);
  EXPECT_FALSE(fit.HasLimits);
}

TEST(ModelFits, SingularFitSaysSo) {
  // All flows 0: the normal equations are singular for a line.
  const TFanModel model = ModelWith({0, 0, 0}, {1, 2, 3}, {1, 1, 1}, {1, 1, 1});
  const TCurveFit fit = FitCurve(model, ckPressure);
  EXPECT_EQ(fit.ErrorCode, -1);
  EXPECT_EQ(fit.Summary, NoFitSummary);
  EXPECT_TRUE(fit.HasLimits);
}

TEST(ModelFits, NearestPoint) {
  struct Case {
    const char* name;
    std::vector<double> flows;
    int n;
    double x;
    int expected;
  };
  const Case cases[] = {
      {"exact point", {1, 2, 3}, 3, 2, 1},
      {"nearer the upper", {1, 2, 3}, 3, 2.6, 2},
      {"tie keeps the lower index", {1, 2, 3}, 3, 1.5, 0},
      {"left of the first", {1, 2, 3}, 3, -5, 0},
      {"right of the last", {1, 2, 3}, 3, 99, 2},
      {"no points", {}, 0, 1, 0},
      {"only the first n count", {1, 2, 3, 4}, 2, 3.9, 1},
      {"n beyond the list", {1, 2}, 5, 9, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(NearestPoint(c.flows, c.n, c.x), c.expected);
  }
}

}  // namespace
}  // namespace blowden
