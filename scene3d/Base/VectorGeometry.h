// Single-precision vectors and matrices of the 3D library.
// Row-vector convention: a point p is transformed as p x M, rows 0-2 are the
// X, Y and Z axes and row 3 holds the translation. Results are computed with
// double intermediates and stored as Single; both targets use SSE arithmetic
// without contraction, so their arithmetic agrees bit for bit (sine, cosine
// and the like come from the run-time library).
#pragma once
#include <array>
#include <cstdint>

using Extended = long double;   // the 80-bit x87 value on both MinGW targets

using TAffineVector = std::array<float, 3>;
using TVector = std::array<float, 4>;
using TMatrix = std::array<TVector, 4>;
using TDoubleMatrix = std::array<std::array<double, 4>, 4>;
struct TTexPoint {
  float S, T;
};

// They go straight to OpenGL: no padding.
static_assert(sizeof(TAffineVector) == 12);
static_assert(sizeof(TVector) == 16);
static_assert(sizeof(TMatrix) == 64);
static_assert(sizeof(TTexPoint) == 8);

// Six planes (a, b, c, d) with a*x + b*y + c*z + d = 0, normals pointing inwards.
struct TFrustum {
  TVector pLeft, pTop, pRight, pBottom, pNear, pFar;
};

// ---- Constants -----------------------------------------------------------------

extern const TMatrix IdentityHmgMatrix;
extern const TVector NullHmgPoint;          // (0, 0, 0, 1)
extern const TAffineVector NullVector, XVector, YVector, ZVector, XYZVector;
extern const TVector NullHmgVector, XHmgVector, YHmgVector, ZHmgVector, WHmgVector, XYZWHmgVector;
extern const float EPSILON;                 // 1e-40, a denormal (bit pattern 0x000116C2)
extern const float cPIdiv180;               // 0.0174532924
extern const Extended cPIdiv180Extended;
extern const Extended c180divPIExtended;
extern const float cInv360, c180, c360, cOne, cZero;
extern const uint16_t cwChop;                // x87 control word: all masked, 64-bit, round toward zero

// 1 when the processor reports the 3DNow! extension (extended CPUID 0x80000001,
// EDX bit 31). Informational: one portable code path serves every processor.
extern uint8_t vSIMD;

void VectorGeometry_Initialize();
void VectorGeometry_Finalize();

// ---- Construction ----------------------------------------------------------------

TAffineVector AffineVectorMake(float x, float y, float z);
void MakeAffineVector(TAffineVector& v, float x, float y, float z);
void SetVector(TAffineVector& v, const TAffineVector& src);        // copy
TVector MakeVector(float x, float y, float z, float w);
TVector VectorMake(const TAffineVector& v, float w);
void SetVector(TVector& v, const TAffineVector& av, float w);
TVector PointMake(float x, float y, float z);                     // w = 1
void MakePoint(TVector& v, float x, float y, float z);
TVector PointMake(const TAffineVector& v);
void MakePointFromAffine(TVector& v, const TAffineVector& av);
void MakeVectorFromAffine(TVector& v, const TAffineVector& av);   // direction: w = 0
void SetVector(TVector& v, float x, float y, float z, float w);
void SetVector4(TVector& v, const TVector& src);
void ZeroVector(TVector& v);

// ---- Arithmetic ------------------------------------------------------------------

void VectorAdd(const TAffineVector& a, const TAffineVector& b, TAffineVector& r);
TAffineVector VectorAdd(const TAffineVector& a, const TAffineVector& b);
void AddVector(TAffineVector& a, const TAffineVector& b);
void VectorAdd(const TVector& a, const TVector& b, TVector& r);
TVector VectorAdd(const TVector& a, const TVector& b);
// r[i] := src[i] + delta for n affine vectors.
void VectorArrayAdd(const TAffineVector* src, const TAffineVector& delta, int n, TAffineVector* r);

void VectorSubtract(const TAffineVector& a, const TAffineVector& b, TAffineVector& r);
TAffineVector VectorSubtract(const TAffineVector& a, const TAffineVector& b);
void SubtractVector(TAffineVector& a, const TAffineVector& b);
void VectorSubtract(const TVector& a, const TVector& b, TVector& r);
TVector VectorSubtract(const TVector& a, const TVector& b);
void SubtractVector(TVector& a, const TVector& b);

void CombineVector(TAffineVector& a, const TAffineVector& b, const float& f);   // a += b * f
void VectorCombine(const TAffineVector& a, const TAffineVector& b, float f1, float f2, TAffineVector& r);
void VectorCombine(const TVector& a, const TVector& b, float f, TVector& r);    // a + b * f

void ScaleVector(TAffineVector& a, float f);
void ScaleVector(TVector& a, float f);
TAffineVector VectorScale(const TAffineVector& a, float f);
void VectorScale(const TAffineVector& a, float f, TAffineVector& r);
TVector VectorScale(const TVector& a, float f);
void VectorScale(const TVector& a, float f, TVector& r);
void ScaleVector(TAffineVector& a, const TAffineVector& b);   // component-wise
void ScaleVector(TVector& a, const TVector& b);

TAffineVector VectorNegate(const TAffineVector& a);
TVector VectorNegate(const TVector& a);
void NegateVector(TAffineVector& a);
void AbsVector(const TVector& a, TVector& r);
void MaxVector(TVector& a, const TVector& b);   // a[i] := b[i] where b[i] > a[i]

// ---- Products, lengths, distances -------------------------------------------------

float VectorDotProduct(const TAffineVector& a, const TAffineVector& b);
float VectorDotProduct(const TVector& a, const TVector& b);
float PointProject(const TAffineVector& p, const TAffineVector& origin, const TAffineVector& direction);
float PointProject(const TVector& p, const TVector& origin, const TVector& direction);
void VectorCrossProduct(const TAffineVector& a, const TAffineVector& b, TAffineVector& r);
TAffineVector VectorCrossProduct(const TAffineVector& a, const TAffineVector& b);
void VectorCrossProduct(const TVector& a, const TVector& b, TVector& r);   // w = 0
float VectorLength(float x, float y);
float VectorLength(const TAffineVector& v);
float VectorLength(const TVector& v);   // x, y, z
float VectorNorm(const TAffineVector& v);   // squared length
float VectorDistance(const TAffineVector& a, const TAffineVector& b);
float VectorDistance(const TVector& a, const TVector& b);
float VectorDistance2(const TAffineVector& a, const TAffineVector& b);
float VectorDistance2(const TVector& a, const TVector& b);
float VectorSpacing(const TAffineVector& a, const TAffineVector& b);
TAffineVector VectorPerpendicular(const TAffineVector& v, const TAffineVector& n);

// A null vector is not guarded: its components become non-finite.
void NormalizeAffineVector(TAffineVector& v);
void NormalizeVector(TVector& v);   // x, y, z normalised, w := 0
TAffineVector VectorNormalize(const TAffineVector& v);
void VectorNormalize(const TAffineVector& v, TAffineVector& r);
TVector VectorNormalize(const TVector& v);
void VectorNormalize(const TVector& v, TVector& r);
void NormalizeVectorArray(TAffineVector* list, int n);

// Bit-pattern equality: -0 differs from +0, a NaN equals the same NaN.
bool VectorEquals(const TAffineVector& a, const TAffineVector& b);
bool VectorEquals(const TVector& a, const TVector& b);
bool VectorIsNull(const TAffineVector& v);

TAffineVector VectorLerp(const TAffineVector& a, const TAffineVector& b, float t);
TVector VectorLerp(const TVector& a, const TVector& b, float t);
void VectorArrayLerp(const TAffineVector* a, const TAffineVector* b, float t, int n, TAffineVector* r);
void VectorArrayLerp(const TVector* a, const TVector* b, float t, int n, TVector* r);

// ---- Matrices ------------------------------------------------------------------------

// Both forms go through a temporary: the result may alias an operand.
void MatrixMultiply(const TMatrix& m1, const TMatrix& m2, TMatrix& r);
TMatrix MatrixMultiply(const TMatrix& m1, const TMatrix& m2);
TVector VectorTransform(const TVector& v, const TMatrix& m);
TAffineVector VectorTransform(const TAffineVector& v, const TMatrix& m);   // translation added
void RotateVector(TVector& v, const TAffineVector& axis, float angle);
TMatrix CreateRotationMatrix(const TAffineVector& axis, float angle);   // radians
TMatrix CreateScaleAndTranslationMatrix(const TVector& scale, const TVector& offset);
float MatrixDetInternal(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2,
                        float c3);
float MatrixDeterminant(const TMatrix& m);
void AdjointMatrix(TMatrix& m);
void ScaleMatrix(TMatrix& m, float factor);
void NormalizeMatrix(TMatrix& m);
void TransposeMatrix(TMatrix& m);
void InvertMatrix(TMatrix& m);   // |det| < EPSILON: the identity
TMatrix MatrixInvert(const TMatrix& m);
void AnglePreservingMatrixInvert(const TMatrix& m, TMatrix& r);
void Transpose_Scale_M33(const TMatrix& src, TMatrix& dest, float scale);   // only the 3x3 block
TDoubleMatrix ConvertMatrix(const TMatrix& m);

// ---- Planes and volumes -----------------------------------------------------------------

TAffineVector CalcPlaneNormal(const TAffineVector& p1, const TAffineVector& p2, const TAffineVector& p3);
void NormalizePlane(TVector& plane);
float PlaneEvaluatePoint(const TVector& plane, const TAffineVector& point);
float SphereVisibleRadius(float distance, float radius);
// Intersections of a ray (unit direction) with a sphere: 0, 1 or 2, nearest first.
int RayCastSphereIntersect(const TVector& rayStart, const TVector& rayVector, const TVector& sphereCenter,
                           float sphereRadius, TVector& i1, TVector& i2);
TFrustum ExtractFrustumFromModelViewProjection(const TMatrix& modelViewProj);
bool IsVolumeClipped(const TAffineVector& center, float radius, const TFrustum& frustum);
bool IsVolumeClipped(const TAffineVector& min, const TAffineVector& max, const TFrustum& frustum);

// ---- Angles and scalars ---------------------------------------------------------------------

Extended DegToRadExtended(Extended degrees);
float DegToRad(float degrees);
Extended RadToDeg(Extended radians);
float NormalizeDegAngle(float angle);   // into [-180, 180]
void SinCos(float theta, float& sine, float& cosine);
void SinCos(Extended theta, Extended& sine, Extended& cosine);
void SinCos(float theta, float radius, float& sine, float& cosine);
float ArcCos(float x);
float ArcTan2(float y, float x);
float Tan(float x);
float RSqrt(float x);
float Power(float base, float exponent);
float IntPower(float base, int exponent);
// Out-of-range and NaN values give the integer indefinite 0x80000000, as the
// x87 conversions do.
int32_t Trunc(float x);
Extended IntExtended(Extended x);   // toward zero
float IntSingle(float x);
Extended Frac(Extended x);
int32_t Round(float x);   // ties to even
float RoundInt(float x);  // ties to even, as a float
float MaxFloat(float a, float b, float c);
int MaxInteger(int a, int b);
float ClampValue(float value, float min, float max);
