#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <numbers>
#include <random>

#include "scene3d/Base/VectorGeometry.h"

namespace {
void ExpectNear(const TMatrix& a, const TMatrix& b, float tol) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(a[i][j], b[i][j], tol) << "element " << i << "," << j;
}
void ExpectNear(const TVector& a, const TVector& b, float tol) {
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(a[i], b[i], tol) << "component " << i;
}
TMatrix RandomMatrix(std::mt19937& rng) {
  std::uniform_real_distribution<float> d(-10.0f, 10.0f);
  TMatrix m;
  for (auto& row : m)
    for (float& e : row) e = d(rng);
  return m;
}
}  // namespace

TEST(VectorGeometry, ConstantsArePinnedSinglePrecisionValues) {
  EXPECT_EQ(std::bit_cast<uint32_t>(EPSILON), 0x000116C2u);
  EXPECT_EQ(cPIdiv180, 0.0174532924f);
  EXPECT_EQ(cInv360, 0.00277777785f);
  EXPECT_NEAR(double(cPIdiv180Extended * c180divPIExtended), 1.0, 1e-15);
  EXPECT_EQ(cwChop, 0x1F3F);
  EXPECT_EQ(IdentityHmgMatrix[2], ZHmgVector);
  EXPECT_EQ(NullHmgPoint, (TVector{0, 0, 0, 1}));
  // Contiguous: a matrix is 16 floats in row order, as OpenGL reads it.
  const float* f = &IdentityHmgMatrix[0][0];
  EXPECT_EQ(f[5], 1.0f);
  EXPECT_EQ(f[4], 0.0f);
}

TEST(VectorGeometry, StartUpRunsOnceAndLeavesAFlag) {
  VectorGeometry_Initialize();
  VectorGeometry_Initialize();
  EXPECT_TRUE(vSIMD == 0 || vSIMD == 1);
  VectorGeometry_Finalize();
  VectorGeometry_Finalize();
}

TEST(VectorGeometry, ProductsAndLengths) {
  EXPECT_EQ(VectorCrossProduct(XVector, YVector), ZVector);
  TVector c;
  VectorCrossProduct(TVector{0, 1, 0, 7}, TVector{0, 0, 1, 7}, c);
  EXPECT_EQ(c, (TVector{1, 0, 0, 0}));
  EXPECT_FLOAT_EQ(VectorDotProduct(TVector{1, 2, 3, 4}, TVector{5, 6, 7, 8}), 70.0f);
  EXPECT_FLOAT_EQ(VectorLength(AffineVectorMake(2, 3, 6)), 7.0f);
  EXPECT_FLOAT_EQ(VectorLength(TVector{2, 3, 6, 100}), 7.0f);
  EXPECT_FLOAT_EQ(VectorLength(3.0f, 4.0f), 5.0f);
  EXPECT_FLOAT_EQ(VectorDistance(TVector{1, 1, 1, 9}, TVector{3, 4, 7, -9}), 7.0f);
  EXPECT_FLOAT_EQ(VectorSpacing(AffineVectorMake(1, -1, 0), AffineVectorMake(-1, 1, 2)), 6.0f);
  EXPECT_FLOAT_EQ(PointProject(AffineVectorMake(5, 5, 0), AffineVectorMake(1, 0, 0), XVector), 4.0f);
  EXPECT_EQ(VectorPerpendicular(AffineVectorMake(3, 4, 0), XVector), AffineVectorMake(0, 4, 0));
  TAffineVector a = AffineVectorMake(1, 2, 3);
  const float f = 2.0f;
  CombineVector(a, XYZVector, f);
  EXPECT_EQ(a, AffineVectorMake(3, 4, 5));
  TVector m = {1, 5, -2, 0};
  MaxVector(m, TVector{3, 1, -1, -1});
  EXPECT_EQ(m, (TVector{3, 5, -1, 0}));
}

TEST(VectorGeometry, NormalisationAndBitwiseEquality) {
  TVector v = {3, 0, 4, 9};
  NormalizeVector(v);
  ExpectNear(v, TVector{0.6f, 0, 0.8f, 0}, 1e-7f);
  TAffineVector n = NullVector;
  EXPECT_NO_THROW(NormalizeAffineVector(n));   // not guarded
  EXPECT_FALSE(std::isfinite(n[0]));
  EXPECT_FALSE(VectorEquals(AffineVectorMake(0, 0, 0), AffineVectorMake(-0.0f, 0, 0)));
  const float nan = std::nanf("");
  EXPECT_TRUE(VectorEquals(TVector{nan, 1, 2, 3}, TVector{nan, 1, 2, 3}));
  EXPECT_TRUE(VectorIsNull(AffineVectorMake(-0.0f, 0, 0)));
  std::vector<TAffineVector> arr = {{3, 4, 0}, {0, 0, 2}};
  NormalizeVectorArray(arr.data(), 2);
  EXPECT_NEAR(arr[0][1], 0.8f, 1e-7f);
  EXPECT_EQ(arr[1], ZVector);
}

TEST(VectorGeometry, InverseTimesMatrixIsIdentityOnRandomMatrices) {
  std::mt19937 rng(12345);
  int tested = 0;
  for (int k = 0; k < 500; ++k) {
    TMatrix m = RandomMatrix(rng);
    if (std::fabs(MatrixDeterminant(m)) < 10.0f) continue;   // keep well-conditioned ones
    TMatrix inv = MatrixInvert(m);
    ExpectNear(MatrixMultiply(inv, m), IdentityHmgMatrix, 2e-3f);
    ExpectNear(MatrixMultiply(m, inv), IdentityHmgMatrix, 2e-3f);
    ++tested;
  }
  EXPECT_GT(tested, 400);
}

TEST(VectorGeometry, SingularMatrixInvertsToIdentity) {
  TMatrix m = {{{1, 2, 3, 4}, {2, 4, 6, 8}, {0, 1, 0, 1}, {5, 5, 5, 5}}};
  InvertMatrix(m);
  EXPECT_EQ(m, IdentityHmgMatrix);
  TMatrix z{};
  TMatrix r;
  AnglePreservingMatrixInvert(z, r);
  EXPECT_EQ(r, IdentityHmgMatrix);
}

TEST(VectorGeometry, DeterminantAndAdjoint) {
  TMatrix m = CreateScaleAndTranslationMatrix(TVector{2, 3, 4, 1}, TVector{7, 8, 9, 0});
  EXPECT_FLOAT_EQ(MatrixDeterminant(m), 24.0f);
  EXPECT_FLOAT_EQ(MatrixDetInternal(1, 0, 0, 0, 2, 0, 0, 0, 3), 6.0f);
  TMatrix adj = m;
  AdjointMatrix(adj);
  ScaleMatrix(adj, 1.0f / 24.0f);
  ExpectNear(adj, MatrixInvert(m), 1e-6f);
}

TEST(VectorGeometry, RotationsFollowTheRowVectorConvention) {
  const float quarter = float(std::numbers::pi / 2);
  TMatrix rz = CreateRotationMatrix(ZVector, quarter);
  // p x M: X goes to row 0 of the matrix, which the formula makes (0, -1, 0).
  ExpectNear(VectorTransform(XHmgVector, rz), TVector{0, -1, 0, 0}, 1e-7f);
  ExpectNear(VectorTransform(YHmgVector, rz), TVector{1, 0, 0, 0}, 1e-7f);
  // The axis is normalised first.
  ExpectNear(CreateRotationMatrix(AffineVectorMake(0, 0, 5), quarter)[0], rz[0], 1e-7f);
  // Composition: (p x A) x B = p x (A x B); translation comes from row 3.
  TMatrix t = CreateScaleAndTranslationMatrix(XYZWHmgVector, TVector{10, 20, 30, 0});
  TAffineVector p = AffineVectorMake(1, 2, 3);
  TAffineVector twoSteps = VectorTransform(VectorTransform(p, rz), t);
  TAffineVector oneStep = VectorTransform(p, MatrixMultiply(rz, t));
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(twoSteps[i], oneStep[i], 1e-5f);
  EXPECT_NEAR(oneStep[0], 12.0f, 1e-5f);
  EXPECT_NEAR(oneStep[1], 19.0f, 1e-5f);
  EXPECT_NEAR(oneStep[2], 33.0f, 1e-5f);
  TVector v = XHmgVector;
  RotateVector(v, ZVector, quarter);
  ExpectNear(v, TVector{0, -1, 0, 0}, 1e-7f);
}

TEST(VectorGeometry, AliasedMultiplyAndAnglePreservingInverse) {
  TMatrix r = CreateRotationMatrix(AffineVectorMake(1, 2, 3), 0.7f);
  TMatrix s = CreateScaleAndTranslationMatrix(TVector{2, 2, 2, 1}, TVector{0, 0, 0, 0});
  TMatrix t = CreateScaleAndTranslationMatrix(XYZWHmgVector, TVector{-4, 5, 6, 0});
  TMatrix m = MatrixMultiply(MatrixMultiply(r, s), t);
  TMatrix expected = MatrixMultiply(m, m);
  MatrixMultiply(m, m, m);   // the result aliases both operands
  ExpectNear(m, expected, 1e-4f);
  m = MatrixMultiply(MatrixMultiply(r, s), t);
  TMatrix api;
  AnglePreservingMatrixInvert(m, api);
  ExpectNear(api, MatrixInvert(m), 1e-5f);
}

TEST(VectorGeometry, NormaliseTransposeAndScaledTranspose) {
  TMatrix m = {{{2, 0, 0, 5}, {1, 3, 0, 5}, {9, 9, 9, 9}, {7, 7, 7, 7}}};
  NormalizeMatrix(m);
  EXPECT_NEAR(VectorLength(m[1]), 1.0f, 1e-6f);
  EXPECT_NEAR(VectorDotProduct(m[0], m[1]), 0.0f, 1e-6f);
  EXPECT_EQ(m[2][3], 0.0f);
  EXPECT_EQ(m[3], WHmgVector);
  TMatrix src = {{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}}};
  TMatrix t = src;
  TransposeMatrix(t);
  EXPECT_EQ(t[0], (TVector{1, 5, 9, 13}));
  TMatrix dest{};
  dest[3] = {-1, -1, -1, -1};
  dest[0][3] = -2;
  Transpose_Scale_M33(src, dest, 2.0f);
  EXPECT_EQ(dest[0], (TVector{2, 10, 18, -2}));
  EXPECT_EQ(dest[2], (TVector{6, 14, 22, 0}));
  EXPECT_EQ(dest[3], (TVector{-1, -1, -1, -1}));
  EXPECT_EQ(ConvertMatrix(src)[3][2], 15.0);
}

TEST(VectorGeometry, RayAgainstSphereBranches) {
  const TVector c = {0, 0, 0, 1};
  const TVector dir = {0, 0, 1, 0};
  TVector i1{}, i2{};
  // Two points, nearest first.
  ASSERT_EQ(RayCastSphereIntersect(TVector{0, 0, -5, 1}, dir, c, 1.0f, i1, i2), 2);
  ExpectNear(i1, TVector{0, 0, -1, 1}, 1e-6f);
  ExpectNear(i2, TVector{0, 0, 1, 1}, 1e-6f);
  // Missing the sphere.
  EXPECT_EQ(RayCastSphereIntersect(TVector{0, 2, -5, 1}, dir, c, 1.0f, i1, i2), 0);
  // Touching it ahead gives the touching point; behind gives nothing.
  ASSERT_EQ(RayCastSphereIntersect(TVector{0, 1, -5, 1}, dir, c, 1.0f, i1, i2), 1);
  ExpectNear(i1, TVector{0, 1, 0, 1}, 1e-6f);
  EXPECT_EQ(RayCastSphereIntersect(TVector{0, 1, 5, 1}, dir, c, 1.0f, i1, i2), 0);
  // Starting inside: one point ahead.
  ASSERT_EQ(RayCastSphereIntersect(TVector{0, 0, 0.5f, 1}, dir, c, 1.0f, i1, i2), 1);
  ExpectNear(i1, TVector{0, 0, 1, 1}, 1e-6f);
  // Sphere wholly behind the start.
  EXPECT_EQ(RayCastSphereIntersect(TVector{0, 0, 5, 1}, dir, c, 1.0f, i1, i2), 0);
}

TEST(VectorGeometry, PlanesFrustumAndClipping) {
  EXPECT_EQ(CalcPlaneNormal(NullVector, XVector, YVector), ZVector);
  TVector plane = {0, 0, 2, -4};
  NormalizePlane(plane);
  ExpectNear(plane, TVector{0, 0, 1, -2}, 1e-6f);
  EXPECT_FLOAT_EQ(PlaneEvaluatePoint(plane, AffineVectorMake(0, 0, 5)), 3.0f);
  EXPECT_FLOAT_EQ(SphereVisibleRadius(5.0f, 3.0f), 3.75f);   // r d / sqrt(d^2 - r^2)

  // The identity projection sees the cube [-1, 1]^3.
  TFrustum f = ExtractFrustumFromModelViewProjection(IdentityHmgMatrix);
  ExpectNear(f.pLeft, TVector{1, 0, 0, 1}, 1e-6f);
  ExpectNear(f.pTop, TVector{0, -1, 0, 1}, 1e-6f);
  ExpectNear(f.pRight, TVector{-1, 0, 0, 1}, 1e-6f);
  ExpectNear(f.pBottom, TVector{0, 1, 0, 1}, 1e-6f);
  ExpectNear(f.pNear, TVector{0, 0, 1, 1}, 1e-6f);
  ExpectNear(f.pFar, TVector{0, 0, -1, 1}, 1e-6f);
  EXPECT_FALSE(IsVolumeClipped(NullVector, 0.5f, f));
  EXPECT_FALSE(IsVolumeClipped(AffineVectorMake(1.5f, 0, 0), 1.0f, f));
  EXPECT_TRUE(IsVolumeClipped(AffineVectorMake(3, 0, 0), 1.0f, f));
  EXPECT_TRUE(IsVolumeClipped(AffineVectorMake(0, -2.5f, 0), 1.0f, f));
  EXPECT_TRUE(IsVolumeClipped(AffineVectorMake(4, 4, 4), AffineVectorMake(5, 5, 5), f));
  EXPECT_FALSE(IsVolumeClipped(AffineVectorMake(0.5f, 0.5f, 0.5f), AffineVectorMake(3, 3, 3), f));
}

TEST(VectorGeometry, AnglesAndScalars) {
  EXPECT_FLOAT_EQ(NormalizeDegAngle(540.0f), 180.0f);
  EXPECT_FLOAT_EQ(NormalizeDegAngle(-540.0f), -180.0f);
  EXPECT_FLOAT_EQ(NormalizeDegAngle(190.0f), -170.0f);
  EXPECT_FLOAT_EQ(NormalizeDegAngle(-190.0f), 170.0f);
  EXPECT_FLOAT_EQ(NormalizeDegAngle(720.0f), 0.0f);
  EXPECT_FLOAT_EQ(DegToRad(180.0f), 3.14159265f);
  EXPECT_NEAR(double(RadToDeg(DegToRadExtended(33.0L))), 33.0, 1e-12);
  float s, c;
  SinCos(float(std::numbers::pi / 6), 2.0f, s, c);
  EXPECT_NEAR(s, 1.0f, 1e-6f);
  EXPECT_NEAR(c, std::sqrt(3.0f), 1e-6f);
  EXPECT_NEAR(ArcCos(0.5f), float(std::numbers::pi / 3), 1e-6f);
  EXPECT_NEAR(ArcCos(-1.0f), float(std::numbers::pi), 1e-6f);
  EXPECT_FLOAT_EQ(RSqrt(4.0f), 0.5f);
  EXPECT_EQ(Power(2.0f, 10.0f), 1024.0f);
  EXPECT_EQ(Power(2.0f, -2.0f), 0.25f);
  EXPECT_EQ(Power(0.0f, 3.5f), 0.0f);
  EXPECT_EQ(Power(0.0f, 0.0f), 1.0f);
  EXPECT_NEAR(Power(4.0f, 0.5f), 2.0f, 1e-6f);
  EXPECT_EQ(IntPower(-3.0f, 3), -27.0f);
  EXPECT_EQ(IntPower(7.0f, 0), 1.0f);
  EXPECT_EQ(IntSingle(-2.7f), -2.0f);
  EXPECT_EQ(Frac(-2.75L), -0.75L);
  EXPECT_EQ(IntExtended(2.999L), 2.0L);
  EXPECT_EQ(Round(2.5f), 2);
  EXPECT_EQ(Round(3.5f), 4);
  EXPECT_EQ(Round(-2.5f), -2);
  EXPECT_EQ(Round(-2.6f), -3);
  EXPECT_EQ(RoundInt(0.5f), 0.0f);
  EXPECT_EQ(Trunc(-2.9f), -2);
  EXPECT_EQ(Trunc(-2147483648.0f), INT32_MIN);
  EXPECT_EQ(Trunc(3e9f), INT32_MIN);   // out of range: the integer indefinite
  EXPECT_EQ(Trunc(std::nanf("")), INT32_MIN);
  EXPECT_EQ(Round(-3e9f), INT32_MIN);
  EXPECT_EQ(MaxFloat(1, 7, 3), 7.0f);
  EXPECT_EQ(MaxInteger(-1, -5), -1);
  EXPECT_EQ(ClampValue(5, 0, 1), 1.0f);
  EXPECT_EQ(ClampValue(-5, 0, 1), 0.0f);
  EXPECT_EQ(ClampValue(0.5f, 0, 1), 0.5f);
}

TEST(VectorGeometry, ArrayFormsMatchSingleForms) {
  std::vector<TAffineVector> a = {{0, 0, 0}, {1, 2, 3}, {-4, 5, 6}};
  std::vector<TAffineVector> b = {{2, 2, 2}, {3, 2, 1}, {4, -5, 6}};
  std::vector<TAffineVector> r(3);
  VectorArrayLerp(a.data(), b.data(), 0.25f, 3, r.data());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(r[i], VectorLerp(a[i], b[i], 0.25f));
  EXPECT_EQ(r[0], AffineVectorMake(0.5f, 0.5f, 0.5f));
  VectorArrayAdd(a.data(), AffineVectorMake(1, 1, 1), 3, r.data());
  EXPECT_EQ(r[2], AffineVectorMake(-3, 6, 7));
  std::vector<TVector> va = {{0, 0, 0, 0}}, vb = {{4, 8, 12, 16}}, vr(1);
  VectorArrayLerp(va.data(), vb.data(), 0.5f, 1, vr.data());
  EXPECT_EQ(vr[0], (TVector{2, 4, 6, 8}));
}

// The planes must come from the columns of a row-vector matrix: with an
// off-centre perspective, a turned and moved view and a random matrix, every
// point is inside all six planes exactly when its clip coordinates lie within
// [-w, w] (a row/column mix-up passes the identity but not these).
TEST(VectorGeometry, FrustumPlanesOfANonSymmetricMatrixMatchTheClipVolume) {
  // glFrustum(-0.3, 0.7, -0.2, 0.5, 1, 20) in row-vector form, after a turned and moved view.
  const float l = -0.3f, r = 0.7f, b = -0.2f, t = 0.5f, n = 1.0f, f = 20.0f;
  TMatrix proj{};
  proj[0] = {2 * n / (r - l), 0, 0, 0};
  proj[1] = {0, 2 * n / (t - b), 0, 0};
  proj[2] = {(r + l) / (r - l), (t + b) / (t - b), -(f + n) / (f - n), -1};
  proj[3] = {0, 0, -2 * f * n / (f - n), 0};
  TMatrix view = CreateRotationMatrix(AffineVectorMake(0.3f, 1, 0.2f), 0.7f);
  view[3] = {1.5f, -0.5f, -4, 1};
  std::mt19937 rng(7);
  auto check = [&rng](const TMatrix& m) {
    const TFrustum fr = ExtractFrustumFromModelViewProjection(m);
    std::uniform_real_distribution<float> d(-25.0f, 25.0f);
    int inside = 0, outside = 0;
    for (int i = 0; i < 4000; ++i) {
      const TVector p{d(rng), d(rng), d(rng), 1};
      const TVector c = VectorTransform(p, m);
      const float w = c[3];
      bool inClip = true;
      for (int k = 0; k < 3; ++k) inClip = inClip && c[k] >= -w && c[k] <= w;
      bool inPlanes = true;
      for (const TVector* pl : {&fr.pLeft, &fr.pTop, &fr.pRight, &fr.pBottom, &fr.pNear, &fr.pFar})
        inPlanes = inPlanes && PlaneEvaluatePoint(*pl, {p[0], p[1], p[2]}) >= 0;
      // Points within rounding of a plane may go either way.
      float margin = 1e30f;
      for (const TVector* pl : {&fr.pLeft, &fr.pTop, &fr.pRight, &fr.pBottom, &fr.pNear, &fr.pFar})
        margin = std::min(margin, std::fabs(PlaneEvaluatePoint(*pl, {p[0], p[1], p[2]})));
      if (margin < 1e-3f) continue;
      EXPECT_EQ(inPlanes, inClip) << "point " << p[0] << ", " << p[1] << ", " << p[2];
      (inClip ? inside : outside)++;
    }
    return std::pair{inside, outside};
  };
  const auto [inside, outside] = check(MatrixMultiply(view, proj));
  EXPECT_GT(inside, 10);
  EXPECT_GT(outside, 10);
  check(RandomMatrix(rng));
  // The left plane of the perspective alone: x_clip + w_clip, from column 0 and column 3.
  const TFrustum fr = ExtractFrustumFromModelViewProjection(proj);
  const float len = std::sqrt(proj[0][0] * proj[0][0] + (proj[2][0] - 1) * (proj[2][0] - 1));
  ExpectNear(fr.pLeft, TVector{proj[0][0] / len, 0, (proj[2][0] - 1) / len, 0}, 1e-6f);
}
