#include "scene3d/Base/VectorGeometry.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "classlib/UnitInit.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

const TMatrix IdentityHmgMatrix = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
const TVector NullHmgPoint = {0, 0, 0, 1};
const TAffineVector NullVector = {0, 0, 0};
const TAffineVector XVector = {1, 0, 0};
const TAffineVector YVector = {0, 1, 0};
const TAffineVector ZVector = {0, 0, 1};
const TAffineVector XYZVector = {1, 1, 1};
const TVector NullHmgVector = {0, 0, 0, 0};
const TVector XHmgVector = {1, 0, 0, 0};
const TVector YHmgVector = {0, 1, 0, 0};
const TVector ZHmgVector = {0, 0, 1, 0};
const TVector WHmgVector = {0, 0, 0, 1};
const TVector XYZWHmgVector = {1, 1, 1, 1};
const float EPSILON = std::bit_cast<float>(uint32_t{0x000116C2});
const float cPIdiv180 = 0.0174532924f;
const Extended cPIdiv180Extended = 3.14159265358979323846264338327950288L / 180.0L;
const Extended c180divPIExtended = 180.0L / 3.14159265358979323846264338327950288L;
const float cInv360 = 0.00277777785f;
const float c180 = 180.0f;
const float c360 = 360.0f;
const float cOne = 1.0f;
const float cZero = 0.0f;
const uint16_t cwChop = 0x1F3F;

uint8_t vSIMD = 0;

namespace {
TUnitCounter InitCounter;

using D = double;

bool Detect3DNow() {
#if defined(__i386__) || defined(__x86_64__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid(0x80000000u, a, b, c, d);
  if (a <= 0x80000000u) return false;
  __cpuid(0x80000001u, a, b, c, d);
  return (d & 0x80000000u) != 0;
#else
  return false;
#endif
}

// Integer indefinite of the x87 conversions, for NaN and out-of-range values.
constexpr int32_t IntegerIndefinite = INT32_MIN;
bool FitsInt32(D v) { return v >= -2147483648.0 && v < 2147483648.0; }
}  // namespace

void VectorGeometry_Initialize() {
  if (!InitCounter.Enter()) return;
  try {
    vSIMD = Detect3DNow() ? 1 : 0;
  } catch (...) {
    vSIMD = 0;
  }
}

void VectorGeometry_Finalize() { InitCounter.Leave(); }

// ---- Construction ----------------------------------------------------------------

TAffineVector AffineVectorMake(float x, float y, float z) { return {x, y, z}; }
void MakeAffineVector(TAffineVector& v, float x, float y, float z) { v = {x, y, z}; }
void SetVector(TAffineVector& v, const TAffineVector& src) { v = src; }
TVector MakeVector(float x, float y, float z, float w) { return {x, y, z, w}; }
TVector VectorMake(const TAffineVector& v, float w) { return {v[0], v[1], v[2], w}; }
void SetVector(TVector& v, const TAffineVector& av, float w) { v = {av[0], av[1], av[2], w}; }
TVector PointMake(float x, float y, float z) { return {x, y, z, cOne}; }
void MakePoint(TVector& v, float x, float y, float z) { v = {x, y, z, cOne}; }
TVector PointMake(const TAffineVector& v) { return {v[0], v[1], v[2], cOne}; }
void MakePointFromAffine(TVector& v, const TAffineVector& av) { v = {av[0], av[1], av[2], cOne}; }
void MakeVectorFromAffine(TVector& v, const TAffineVector& av) { v = {av[0], av[1], av[2], cZero}; }
void SetVector(TVector& v, float x, float y, float z, float w) { v = {x, y, z, w}; }
void SetVector4(TVector& v, const TVector& src) { v = src; }
void ZeroVector(TVector& v) { v = NullHmgVector; }

// ---- Arithmetic ------------------------------------------------------------------

void VectorAdd(const TAffineVector& a, const TAffineVector& b, TAffineVector& r) {
  r = {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
TAffineVector VectorAdd(const TAffineVector& a, const TAffineVector& b) {
  return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
void AddVector(TAffineVector& a, const TAffineVector& b) { VectorAdd(a, b, a); }
void VectorAdd(const TVector& a, const TVector& b, TVector& r) {
  r = {a[0] + b[0], a[1] + b[1], a[2] + b[2], a[3] + b[3]};
}
TVector VectorAdd(const TVector& a, const TVector& b) {
  TVector r;
  VectorAdd(a, b, r);
  return r;
}
void VectorArrayAdd(const TAffineVector* src, const TAffineVector& delta, int n, TAffineVector* r) {
  const TAffineVector d = delta;   // delta may be an item of src or r
  for (int i = 0; i < n; ++i) VectorAdd(src[i], d, r[i]);
}

void VectorSubtract(const TAffineVector& a, const TAffineVector& b, TAffineVector& r) {
  r = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
TAffineVector VectorSubtract(const TAffineVector& a, const TAffineVector& b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
void SubtractVector(TAffineVector& a, const TAffineVector& b) { VectorSubtract(a, b, a); }
void VectorSubtract(const TVector& a, const TVector& b, TVector& r) {
  r = {a[0] - b[0], a[1] - b[1], a[2] - b[2], a[3] - b[3]};
}
TVector VectorSubtract(const TVector& a, const TVector& b) {
  TVector r;
  VectorSubtract(a, b, r);
  return r;
}
void SubtractVector(TVector& a, const TVector& b) { VectorSubtract(a, b, a); }

void CombineVector(TAffineVector& a, const TAffineVector& b, const float& f) {
  const D k = f;
  a = {float(a[0] + b[0] * k), float(a[1] + b[1] * k), float(a[2] + b[2] * k)};
}
void VectorCombine(const TAffineVector& a, const TAffineVector& b, float f1, float f2, TAffineVector& r) {
  r = {float(D(f1) * a[0] + D(f2) * b[0]), float(D(f1) * a[1] + D(f2) * b[1]),
       float(D(f1) * a[2] + D(f2) * b[2])};
}
void VectorCombine(const TVector& a, const TVector& b, float f, TVector& r) {
  const D k = f;
  r = {float(a[0] + b[0] * k), float(a[1] + b[1] * k), float(a[2] + b[2] * k), float(a[3] + b[3] * k)};
}

void ScaleVector(TAffineVector& a, float f) { a = {a[0] * f, a[1] * f, a[2] * f}; }
void ScaleVector(TVector& a, float f) { a = {a[0] * f, a[1] * f, a[2] * f, a[3] * f}; }
TAffineVector VectorScale(const TAffineVector& a, float f) { return {a[0] * f, a[1] * f, a[2] * f}; }
void VectorScale(const TAffineVector& a, float f, TAffineVector& r) { r = VectorScale(a, f); }
TVector VectorScale(const TVector& a, float f) { return {a[0] * f, a[1] * f, a[2] * f, a[3] * f}; }
void VectorScale(const TVector& a, float f, TVector& r) { r = VectorScale(a, f); }
void ScaleVector(TAffineVector& a, const TAffineVector& b) { a = {a[0] * b[0], a[1] * b[1], a[2] * b[2]}; }
void ScaleVector(TVector& a, const TVector& b) { a = {a[0] * b[0], a[1] * b[1], a[2] * b[2], a[3] * b[3]}; }

TAffineVector VectorNegate(const TAffineVector& a) { return {-a[0], -a[1], -a[2]}; }
TVector VectorNegate(const TVector& a) { return {-a[0], -a[1], -a[2], -a[3]}; }
void NegateVector(TAffineVector& a) { a = VectorNegate(a); }
void AbsVector(const TVector& a, TVector& r) {
  r = {std::fabs(a[0]), std::fabs(a[1]), std::fabs(a[2]), std::fabs(a[3])};
}
void MaxVector(TVector& a, const TVector& b) {
  for (int i = 0; i < 4; ++i)
    if (b[i] > a[i]) a[i] = b[i];
}

// ---- Products, lengths, distances -------------------------------------------------

namespace {
D Dot3(const float* a, const float* b) { return D(a[0]) * b[0] + D(a[1]) * b[1] + D(a[2]) * b[2]; }
D Norm3(const float* a) { return Dot3(a, a); }
D Dist2(const float* a, const float* b) {
  D x = D(a[0]) - b[0], y = D(a[1]) - b[1], z = D(a[2]) - b[2];
  return x * x + y * y + z * z;
}
void Normalize3(const float* v, float* r) {
  const D inv = 1.0 / std::sqrt(Norm3(v));   // a null vector gives infinities, not an error
  r[0] = float(v[0] * inv);
  r[1] = float(v[1] * inv);
  r[2] = float(v[2] * inv);
}
}  // namespace

float VectorDotProduct(const TAffineVector& a, const TAffineVector& b) { return float(Dot3(a.data(), b.data())); }
float VectorDotProduct(const TVector& a, const TVector& b) {
  return float(Dot3(a.data(), b.data()) + D(a[3]) * b[3]);
}
float PointProject(const TAffineVector& p, const TAffineVector& origin, const TAffineVector& direction) {
  return float((D(p[0]) - origin[0]) * direction[0] + (D(p[1]) - origin[1]) * direction[1] +
               (D(p[2]) - origin[2]) * direction[2]);
}
float PointProject(const TVector& p, const TVector& origin, const TVector& direction) {
  return float((D(p[0]) - origin[0]) * direction[0] + (D(p[1]) - origin[1]) * direction[1] +
               (D(p[2]) - origin[2]) * direction[2]);
}
void VectorCrossProduct(const TAffineVector& a, const TAffineVector& b, TAffineVector& r) {
  r = {float(D(a[1]) * b[2] - D(a[2]) * b[1]), float(D(a[2]) * b[0] - D(a[0]) * b[2]),
       float(D(a[0]) * b[1] - D(a[1]) * b[0])};
}
TAffineVector VectorCrossProduct(const TAffineVector& a, const TAffineVector& b) {
  TAffineVector r;
  VectorCrossProduct(a, b, r);
  return r;
}
void VectorCrossProduct(const TVector& a, const TVector& b, TVector& r) {
  r = {float(D(a[1]) * b[2] - D(a[2]) * b[1]), float(D(a[2]) * b[0] - D(a[0]) * b[2]),
       float(D(a[0]) * b[1] - D(a[1]) * b[0]), 0.0f};
}
float VectorLength(float x, float y) { return float(std::sqrt(D(x) * x + D(y) * y)); }
float VectorLength(const TAffineVector& v) { return float(std::sqrt(Norm3(v.data()))); }
float VectorLength(const TVector& v) { return float(std::sqrt(Norm3(v.data()))); }
float VectorNorm(const TAffineVector& v) { return float(Norm3(v.data())); }
float VectorDistance(const TAffineVector& a, const TAffineVector& b) {
  return float(std::sqrt(Dist2(a.data(), b.data())));
}
float VectorDistance(const TVector& a, const TVector& b) { return float(std::sqrt(Dist2(a.data(), b.data()))); }
float VectorDistance2(const TAffineVector& a, const TAffineVector& b) { return float(Dist2(a.data(), b.data())); }
float VectorDistance2(const TVector& a, const TVector& b) { return float(Dist2(a.data(), b.data())); }
float VectorSpacing(const TAffineVector& a, const TAffineVector& b) {
  return float(std::fabs(D(a[0]) - b[0]) + std::fabs(D(a[1]) - b[1]) + std::fabs(D(a[2]) - b[2]));
}
TAffineVector VectorPerpendicular(const TAffineVector& v, const TAffineVector& n) {
  const D dot = Dot3(v.data(), n.data());
  return {float(v[0] - dot * n[0]), float(v[1] - dot * n[1]), float(v[2] - dot * n[2])};
}

void NormalizeAffineVector(TAffineVector& v) { Normalize3(v.data(), v.data()); }
void NormalizeVector(TVector& v) {
  Normalize3(v.data(), v.data());
  v[3] = 0.0f;
}
TAffineVector VectorNormalize(const TAffineVector& v) {
  TAffineVector r;
  Normalize3(v.data(), r.data());
  return r;
}
void VectorNormalize(const TAffineVector& v, TAffineVector& r) { Normalize3(v.data(), r.data()); }
TVector VectorNormalize(const TVector& v) {
  TVector r;
  Normalize3(v.data(), r.data());
  r[3] = 0.0f;
  return r;
}
void VectorNormalize(const TVector& v, TVector& r) {
  Normalize3(v.data(), r.data());
  r[3] = 0.0f;
}
void NormalizeVectorArray(TAffineVector* list, int n) {
  for (int i = 0; i < n; ++i) NormalizeAffineVector(list[i]);
}

bool VectorEquals(const TAffineVector& a, const TAffineVector& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool VectorEquals(const TVector& a, const TVector& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool VectorIsNull(const TAffineVector& v) { return v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f; }

TAffineVector VectorLerp(const TAffineVector& a, const TAffineVector& b, float t) {
  return {float(a[0] + (D(b[0]) - a[0]) * t), float(a[1] + (D(b[1]) - a[1]) * t),
          float(a[2] + (D(b[2]) - a[2]) * t)};
}
TVector VectorLerp(const TVector& a, const TVector& b, float t) {
  return {float(a[0] + (D(b[0]) - a[0]) * t), float(a[1] + (D(b[1]) - a[1]) * t),
          float(a[2] + (D(b[2]) - a[2]) * t), float(a[3] + (D(b[3]) - a[3]) * t)};
}
void VectorArrayLerp(const TAffineVector* a, const TAffineVector* b, float t, int n, TAffineVector* r) {
  for (int i = 0; i < n; ++i) r[i] = VectorLerp(a[i], b[i], t);
}
void VectorArrayLerp(const TVector* a, const TVector* b, float t, int n, TVector* r) {
  for (int i = 0; i < n; ++i) r[i] = VectorLerp(a[i], b[i], t);
}

// ---- Matrices ------------------------------------------------------------------------

TMatrix MatrixMultiply(const TMatrix& m1, const TMatrix& m2) {
  TMatrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r[i][j] = float(D(m1[i][0]) * m2[0][j] + D(m1[i][1]) * m2[1][j] + D(m1[i][2]) * m2[2][j] +
                      D(m1[i][3]) * m2[3][j]);
  return r;
}
void MatrixMultiply(const TMatrix& m1, const TMatrix& m2, TMatrix& r) { r = MatrixMultiply(m1, m2); }

TVector VectorTransform(const TVector& v, const TMatrix& m) {
  TVector r;
  for (int j = 0; j < 4; ++j)
    r[j] = float(D(v[0]) * m[0][j] + D(v[1]) * m[1][j] + D(v[2]) * m[2][j] + D(v[3]) * m[3][j]);
  return r;
}
TAffineVector VectorTransform(const TAffineVector& v, const TMatrix& m) {
  TAffineVector r;
  for (int j = 0; j < 3; ++j)
    r[j] = float(D(v[0]) * m[0][j] + D(v[1]) * m[1][j] + D(v[2]) * m[2][j] + m[3][j]);
  return r;
}

TMatrix CreateRotationMatrix(const TAffineVector& anAxis, float angle) {
  float s, c;
  SinCos(angle, s, c);
  const D t = 1.0 - D(c);
  const TAffineVector axis = VectorNormalize(anAxis);
  const D x = axis[0], y = axis[1], z = axis[2];
  TMatrix m;
  m[0] = {float(t * x * x + c), float(t * x * y - z * s), float(t * x * z + y * s), 0};
  m[1] = {float(t * x * y + z * s), float(t * y * y + c), float(t * y * z - x * s), 0};
  m[2] = {float(t * x * z - y * s), float(t * y * z + x * s), float(t * z * z + c), 0};
  m[3] = {0, 0, 0, 1};
  return m;
}
void RotateVector(TVector& v, const TAffineVector& axis, float angle) {
  v = VectorTransform(v, CreateRotationMatrix(axis, angle));
}

TMatrix CreateScaleAndTranslationMatrix(const TVector& scale, const TVector& offset) {
  TMatrix m = IdentityHmgMatrix;
  m[0][0] = scale[0];
  m[1][1] = scale[1];
  m[2][2] = scale[2];
  m[3][0] = offset[0];
  m[3][1] = offset[1];
  m[3][2] = offset[2];
  return m;
}

namespace {
using TDMatrix = std::array<std::array<D, 4>, 4>;
D Det3(D a1, D a2, D a3, D b1, D b2, D b3, D c1, D c2, D c3) {
  return a1 * (b2 * c3 - b3 * c2) - b1 * (a2 * c3 - a3 * c2) + c1 * (a2 * b3 - a3 * b2);
}
D Det4(const TMatrix& m) {
  D a1 = m[0][0], b1 = m[0][1], c1 = m[0][2], d1 = m[0][3];
  D a2 = m[1][0], b2 = m[1][1], c2 = m[1][2], d2 = m[1][3];
  D a3 = m[2][0], b3 = m[2][1], c3 = m[2][2], d3 = m[2][3];
  D a4 = m[3][0], b4 = m[3][1], c4 = m[3][2], d4 = m[3][3];
  return a1 * Det3(b2, b3, b4, c2, c3, c4, d2, d3, d4) - b1 * Det3(a2, a3, a4, c2, c3, c4, d2, d3, d4) +
         c1 * Det3(a2, a3, a4, b2, b3, b4, d2, d3, d4) - d1 * Det3(a2, a3, a4, b2, b3, b4, c2, c3, c4);
}
TDMatrix Adjoint(const TMatrix& m) {
  D a1 = m[0][0], b1 = m[0][1], c1 = m[0][2], d1 = m[0][3];
  D a2 = m[1][0], b2 = m[1][1], c2 = m[1][2], d2 = m[1][3];
  D a3 = m[2][0], b3 = m[2][1], c3 = m[2][2], d3 = m[2][3];
  D a4 = m[3][0], b4 = m[3][1], c4 = m[3][2], d4 = m[3][3];
  TDMatrix r;
  r[0][0] = Det3(b2, b3, b4, c2, c3, c4, d2, d3, d4);
  r[1][0] = -Det3(a2, a3, a4, c2, c3, c4, d2, d3, d4);
  r[2][0] = Det3(a2, a3, a4, b2, b3, b4, d2, d3, d4);
  r[3][0] = -Det3(a2, a3, a4, b2, b3, b4, c2, c3, c4);
  r[0][1] = -Det3(b1, b3, b4, c1, c3, c4, d1, d3, d4);
  r[1][1] = Det3(a1, a3, a4, c1, c3, c4, d1, d3, d4);
  r[2][1] = -Det3(a1, a3, a4, b1, b3, b4, d1, d3, d4);
  r[3][1] = Det3(a1, a3, a4, b1, b3, b4, c1, c3, c4);
  r[0][2] = Det3(b1, b2, b4, c1, c2, c4, d1, d2, d4);
  r[1][2] = -Det3(a1, a2, a4, c1, c2, c4, d1, d2, d4);
  r[2][2] = Det3(a1, a2, a4, b1, b2, b4, d1, d2, d4);
  r[3][2] = -Det3(a1, a2, a4, b1, b2, b4, c1, c2, c4);
  r[0][3] = -Det3(b1, b2, b3, c1, c2, c3, d1, d2, d3);
  r[1][3] = Det3(a1, a2, a3, c1, c2, c3, d1, d2, d3);
  r[2][3] = -Det3(a1, a2, a3, b1, b2, b3, d1, d2, d3);
  r[3][3] = Det3(a1, a2, a3, b1, b2, b3, c1, c2, c3);
  return r;
}
}  // namespace

float MatrixDetInternal(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2,
                        float c3) {
  return float(Det3(a1, a2, a3, b1, b2, b3, c1, c2, c3));
}
float MatrixDeterminant(const TMatrix& m) { return float(Det4(m)); }
void AdjointMatrix(TMatrix& m) {
  const TDMatrix a = Adjoint(m);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = float(a[i][j]);
}
void ScaleMatrix(TMatrix& m, float factor) {
  for (auto& row : m)
    for (float& e : row) e *= factor;
}
void NormalizeMatrix(TMatrix& m) {
  m[0][3] = 0.0f;
  NormalizeVector(m[0]);
  m[1][3] = 0.0f;
  NormalizeVector(m[1]);
  VectorCrossProduct(m[0], m[1], m[2]);
  VectorCrossProduct(m[1], m[2], m[0]);
  m[3] = WHmgVector;
}
void TransposeMatrix(TMatrix& m) {
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j) std::swap(m[i][j], m[j][i]);
}
void InvertMatrix(TMatrix& m) {
  const D det = Det4(m);
  if (std::fabs(det) < EPSILON) {
    m = IdentityHmgMatrix;
    return;
  }
  const TDMatrix a = Adjoint(m);
  const D inv = 1.0 / det;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = float(a[i][j] * inv);
}
TMatrix MatrixInvert(const TMatrix& m) {
  TMatrix r = m;
  InvertMatrix(r);
  return r;
}
void AnglePreservingMatrixInvert(const TMatrix& m, TMatrix& r) {
  const D s = Norm3(m[0].data());
  if (std::fabs(s) < EPSILON) {
    r = IdentityHmgMatrix;
    return;
  }
  const TMatrix src = m;   // r may alias m
  const D inv = 1.0 / s;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[j][i] = float(src[i][j] * inv);
  for (int j = 0; j < 3; ++j)
    r[3][j] = float(-(D(src[3][0]) * r[0][j] + D(src[3][1]) * r[1][j] + D(src[3][2]) * r[2][j]));
  r[0][3] = r[1][3] = r[2][3] = 0.0f;
  r[3][3] = 1.0f;
}
void Transpose_Scale_M33(const TMatrix& src, TMatrix& dest, float scale) {
  const TMatrix s = src;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) dest[j][i] = scale * s[i][j];
}
TDoubleMatrix ConvertMatrix(const TMatrix& m) {
  TDoubleMatrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r[i][j] = m[i][j];
  return r;
}

// ---- Planes and volumes -----------------------------------------------------------------

TAffineVector CalcPlaneNormal(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3) {
  TAffineVector r = VectorCrossProduct(VectorSubtract(p2, p1), VectorSubtract(p3, p1));
  NormalizeAffineVector(r);
  return r;
}
void NormalizePlane(TVector& plane) {
  const float n = RSqrt(float(Norm3(plane.data())));
  ScaleVector(plane, n);
}
float PlaneEvaluatePoint(const TVector& plane, const TAffineVector& p) {
  return float(Dot3(plane.data(), p.data()) + plane[3]);
}
float SphereVisibleRadius(float distance, float radius) {
  const float d2 = distance * distance;
  const float r2 = radius * radius;
  const float ir = std::sqrt(d2 - r2);
  const float tr = (d2 + r2 - ir * ir) / (2.0f * ir);
  return std::sqrt(r2 + tr * tr);
}
int RayCastSphereIntersect(const TVector& rayStart, const TVector& rayVector, const TVector& sphereCenter,
                           float sphereRadius, TVector& i1, TVector& i2) {
  const float proj = PointProject(sphereCenter, rayStart, rayVector);
  const float d2 = float(D(sphereRadius) * sphereRadius - (Dist2(sphereCenter.data(), rayStart.data()) -
                                                            D(proj) * proj));
  if (d2 < 0.0f) return 0;
  if (d2 == 0.0f) {
    if (proj > 0.0f) {
      VectorCombine(rayStart, rayVector, proj, i1);
      return 1;
    }
    return 0;
  }
  const float d = std::sqrt(d2);
  if (proj >= d) {
    VectorCombine(rayStart, rayVector, proj - d, i1);
    VectorCombine(rayStart, rayVector, proj + d, i2);
    return 2;
  }
  if (proj + d >= 0.0f) {
    VectorCombine(rayStart, rayVector, proj + d, i1);
    return 1;
  }
  return 0;
}
TFrustum ExtractFrustumFromModelViewProjection(const TMatrix& m) {
  auto plane = [&](int col, float sign) {
    TVector p;
    for (int i = 0; i < 4; ++i) p[i] = m[i][3] + sign * m[i][col];
    NormalizePlane(p);
    return p;
  };
  TFrustum f;
  f.pLeft = plane(0, 1.0f);
  f.pTop = plane(1, -1.0f);
  f.pRight = plane(0, -1.0f);
  f.pBottom = plane(1, 1.0f);
  f.pNear = plane(2, 1.0f);
  f.pFar = plane(2, -1.0f);
  return f;
}
bool IsVolumeClipped(const TAffineVector& center, float radius, const TFrustum& f) {
  const float neg = -radius;
  for (const TVector* p : {&f.pLeft, &f.pTop, &f.pRight, &f.pBottom, &f.pNear, &f.pFar})
    if (PlaneEvaluatePoint(*p, center) < neg) return true;
  return false;
}
bool IsVolumeClipped(const TAffineVector& min, const TAffineVector& max, const TFrustum& frustum) {
  TAffineVector center;
  VectorCombine(min, max, 0.5f, 0.5f, center);
  return IsVolumeClipped(center, VectorDistance(min, max) * 0.5f, frustum);
}

// ---- Angles and scalars ---------------------------------------------------------------------

Extended DegToRadExtended(Extended degrees) { return degrees * cPIdiv180Extended; }
float DegToRad(float degrees) { return degrees * cPIdiv180; }
Extended RadToDeg(Extended radians) { return radians * c180divPIExtended; }
float NormalizeDegAngle(float angle) {
  float r = angle - IntSingle(angle * cInv360) * c360;
  if (r < -c180) r += c360;
  else if (r > c180) r -= c360;
  return r;
}
void SinCos(float theta, float& sine, float& cosine) {
  sine = float(std::sin(D(theta)));
  cosine = float(std::cos(D(theta)));
}
void SinCos(Extended theta, Extended& sine, Extended& cosine) {
  sine = std::sin(theta);
  cosine = std::cos(theta);
}
void SinCos(float theta, float radius, float& sine, float& cosine) {
  sine = float(std::sin(D(theta)) * radius);
  cosine = float(std::cos(D(theta)) * radius);
}
float ArcCos(float x) { return float(std::atan2(std::sqrt(1.0 - D(x) * x), D(x))); }
float ArcTan2(float y, float x) { return float(std::atan2(D(y), D(x))); }
float Tan(float x) { return float(std::tan(D(x))); }
float RSqrt(float x) { return float(1.0 / std::sqrt(D(x))); }
float IntPower(float base, int exponent) {
  D result = 1.0, b = base;
  uint32_t e = exponent < 0 ? 0u - static_cast<uint32_t>(exponent) : static_cast<uint32_t>(exponent);
  while (e) {
    if (e & 1u) result *= b;
    b *= b;
    e >>= 1;
  }
  return float(exponent < 0 ? 1.0 / result : result);
}
float Power(float base, float exponent) {
  if (exponent == 0.0f) return 1.0f;
  if (base == 0.0f && exponent > 0.0f) return 0.0f;
  if (std::trunc(exponent) == exponent && std::fabs(exponent) < 2147483648.0f)
    return IntPower(base, static_cast<int>(exponent));
  return float(std::exp(D(exponent) * std::log(D(base))));
}
int32_t Trunc(float x) {
  const D t = std::trunc(D(x));
  return FitsInt32(t) ? static_cast<int32_t>(t) : IntegerIndefinite;
}
Extended IntExtended(Extended x) { return std::trunc(x); }
float IntSingle(float x) { return std::trunc(x); }
Extended Frac(Extended x) { return x - IntExtended(x); }
int32_t Round(float x) {
  const D r = std::nearbyint(D(x));
  return FitsInt32(r) ? static_cast<int32_t>(r) : IntegerIndefinite;
}
float RoundInt(float x) { return std::nearbyint(x); }
float MaxFloat(float a, float b, float c) {
  float r = a > b ? a : b;
  return c > r ? c : r;
}
int MaxInteger(int a, int b) { return a > b ? a : b; }
float ClampValue(float value, float min, float max) {
  if (value < min) return min;
  if (value > max) return max;
  return value;
}
