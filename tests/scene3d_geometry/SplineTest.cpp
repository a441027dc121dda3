#include <gtest/gtest.h>

#include <cmath>

#include "scene3d/Base/Spline.h"

namespace {
// Value and derivatives of one segment's cubic in the global parameter.
float Eval(const std::array<float, 4>& k, double t) { return float(((k[0] * t + k[1]) * t + k[2]) * t + k[3]); }
double Slope(const std::array<float, 4>& k, double t) { return (3.0 * k[0] * t + 2.0 * k[1]) * t + k[2]; }
double Curvature(const std::array<float, 4>& k, double t) { return 6.0 * k[0] * t + 2.0 * k[1]; }
}  // namespace

TEST(Spline, TwoPointsGiveAStraightSegment) {
  const float x[] = {1.0f, 3.0f}, y[] = {-2.0f, 2.0f};
  TCubicSpline s(x, y, nullptr, nullptr, 2);
  EXPECT_FLOAT_EQ(s.SplineX(0.5f), 2.0f);
  EXPECT_NEAR(s.SplineY(0.5f), 0.0f, 1e-6f);
  EXPECT_EQ(s.SplineZ(0.5f), 0.0f);   // no array: 0
  const auto& k = s.Coefficients(0)[0];
  EXPECT_NEAR(Slope(k, 0), 2.0, 1e-6);
  EXPECT_NEAR(Slope(k, 1), 2.0, 1e-6);
}

TEST(Spline, PassesThroughEveryNodeAndIsTwiceContinuous) {
  const float y[] = {0.0f, 2.0f, -1.0f, 4.0f, 4.5f, 0.25f, -3.0f};
  const int n = 7;
  TCubicSpline s(y, y, y, y, n);
  for (int i = 0; i < n; ++i) {
    EXPECT_NEAR(s.SplineX(float(i)), y[i], 2e-4f) << "node " << i;
    EXPECT_NEAR(s.SplineW(float(i)), y[i], 2e-4f) << "node " << i;
  }
  const auto& m = s.Coefficients(0);
  ASSERT_EQ(m.size(), size_t(n - 1));
  for (int i = 1; i < n - 1; ++i) {
    EXPECT_NEAR(Eval(m[i - 1], i), Eval(m[i], i), 2e-4f) << "node " << i;
    EXPECT_NEAR(Slope(m[i - 1], i), Slope(m[i], i), 1e-4) << "node " << i;
    EXPECT_NEAR(Curvature(m[i - 1], i), Curvature(m[i], i), 1e-3) << "node " << i;
  }
  // (the expanded global form loses a few bits per segment in single precision)
  // Natural ends: no curvature at the first and last node.
  EXPECT_NEAR(Curvature(m[0], 0), 0.0, 1e-4);
  EXPECT_NEAR(Curvature(m[n - 2], n - 1), 0.0, 1e-3);
  float x, yy, z;
  s.SplineXYZ(float(n - 1), x, yy, z);
  EXPECT_NEAR(x, -3.0f, 2e-5f);
  EXPECT_NEAR(z, -3.0f, 2e-5f);
}

TEST(Spline, EmptyInputsEvaluateToZero) {
  const float one[] = {5.0f};
  TCubicSpline single(one, nullptr, nullptr, nullptr, 1);
  EXPECT_TRUE(single.Coefficients(0).empty());
  EXPECT_EQ(single.SplineX(0.0f), 0.0f);
  TCubicSpline none(nullptr, nullptr, nullptr, nullptr, 0);
  EXPECT_EQ(none.SplineY(3.0f), 0.0f);
}

TEST(Spline, OutsideTheRangeTheEndSegmentsExtrapolate) {
  const float y[] = {0.0f, 1.0f, 2.0f, 3.0f};   // a line stays a line
  TCubicSpline s(y, nullptr, nullptr, nullptr, 4);
  EXPECT_NEAR(s.SplineX(-1.0f), -1.0f, 1e-5f);
  EXPECT_NEAR(s.SplineX(5.0f), 5.0f, 1e-4f);
  EXPECT_NEAR(s.SplineX(3.0f), 3.0f, 1e-5f);
  EXPECT_TRUE(std::isnan(s.SplineX(std::nanf(""))));   // the first segment, no crash
  const float bent[] = {0.0f, 1.0f, 0.0f};
  TCubicSpline b(bent, nullptr, nullptr, nullptr, 3);
  EXPECT_NEAR(b.SplineX(-1.0f), Eval(b.Coefficients(0)[0], -1.0), 1e-5f);
  EXPECT_NEAR(b.SplineX(2.5f), Eval(b.Coefficients(0)[1], 2.5), 1e-5f);
}
