// Quadrics and the sphere.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLObjects.h"

namespace {
const char* const UnitName = "scene3d\\GLObjects";
const char* const NormalSmoothingNames[] = {"nsFlat", "nsSmooth", "nsNone"};
const char* const NormalDirectionNames[] = {"ndInside", "ndOutside"};
const char* const CapTypeNames[] = {"ctNone", "ctCenter", "ctFlat"};

int Clamped(int Value, int Low, int High) { return Value < Low ? Low : Value > High ? High : Value; }

void Emit(float S, float T, const TAffineVector& Normal, const TAffineVector& Vertex) {
  xglTexCoord2f(S, T);
  glNormal3fv(Normal.data());
  glVertex3fv(Vertex.data());
}
}  // namespace

// ---- TGLQuadricObject ---------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLQuadricObject, TScene3DObject)

void TGLQuadricObject::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLQuadricObject*>(Source)) {
    FNormals = src->FNormals;
    FNormalDirection = src->FNormalDirection;
  }
  TScene3DObject::Assign(Source);
}

void TGLQuadricObject::DefineProperties(TFiler* Filer) {
  TScene3DObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineEnum<TNormalSmoothing>("Normals", NormalSmoothingNames, FNormals,
                                  [this](TNormalSmoothing v) { SetNormals(v); }, FNormals != TNormalSmoothing::nsSmooth);
  f->DefineEnum<TNormalDirection>("NormalDirection", NormalDirectionNames, FNormalDirection,
                                  [this](TNormalDirection v) { SetNormalDirection(v); },
                                  FNormalDirection != TNormalDirection::ndOutside);
}

void TGLQuadricObject::SetNormals(TNormalSmoothing Value) {
  if (Value == FNormals) return;
  FNormals = Value;
  StructureChanged();
}

void TGLQuadricObject::SetNormalDirection(TNormalDirection Value) {
  if (Value == FNormalDirection) return;
  FNormalDirection = Value;
  StructureChanged();
}

// ---- TGLSphere -----------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLSphere, TGLQuadricObject)

void TGLSphere::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLSphere*>(Source)) {
    FRadius = src->FRadius;
    FSlices = src->FSlices;
    FStacks = src->FStacks;
    FBottom = src->FBottom;
    FTop = src->FTop;
    FStart = src->FStart;
    FStop = src->FStop;
  }
  TGLQuadricObject::Assign(Source);
}

void TGLSphere::DefineProperties(TFiler* Filer) {
  TGLQuadricObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineSingle("Radius", FRadius, [this](float v) { SetRadius(v); }, FRadius != 0.5f);
  f->DefineInteger("Slices", FSlices, [this](int32_t v) { SetSlices(v); }, FSlices != 16);
  f->DefineInteger("Stacks", FStacks, [this](int32_t v) { SetStacks(v); }, FStacks != 16);
  f->DefineInteger("Top", FTop, [this](int32_t v) { SetTop(v); }, FTop != 90);
  f->DefineInteger("Bottom", FBottom, [this](int32_t v) { SetBottom(v); }, FBottom != -90);
  // Stop before Start, so that a sector read into a default sphere never fails the order check.
  f->DefineInteger("Stop", FStop, [this](int32_t v) { SetStop(v); }, FStop != 360);
  f->DefineInteger("Start", FStart, [this](int32_t v) { SetStart(v); }, FStart != 0);
  f->DefineEnum<TCapType>("TopCap", CapTypeNames, FTopCap, [this](TCapType v) { SetTopCap(v); },
                          FTopCap != TCapType::ctNone);
  f->DefineEnum<TCapType>("BottomCap", CapTypeNames, FBottomCap, [this](TCapType v) { SetBottomCap(v); },
                          FBottomCap != TCapType::ctNone);
}

TVector TGLSphere::AxisAlignedDimensionsUnscaled() {
  const float r = std::fabs(FRadius);
  return {r, r, r, 0.0f};
}

void TGLSphere::BuildList(TRenderContextInfo& rci) {
  const bool reverse = NormalDirection() == TNormalDirection::ndInside;
  TGLPushedAttrib pushed(rci.stateCache, GL_POLYGON_BIT);
  if (reverse) rci.stateCache->InvertGLFrontFace();
  const float aTop = DegToRad(FTop), aBottom = DegToRad(FBottom);
  const float aStart = DegToRad(FStart), aStop = DegToRad(FStop);
  const float stepH = (aStop - aStart) / static_cast<float>(FSlices);
  const float stepV = (aTop - aBottom) / static_cast<float>(FStacks);
  const float sign = reverse ? -1.0f : 1.0f;
  TGLPushedMatrix matrix;
  glScalef(FRadius, FRadius, FRadius);

  // A cap: a fan round the ring at latitude aRing, from aFrom stepping by
  // Step; Up is the direction the cap faces outwards.
  auto cap = [&](TCapType Type, float aRing, float aFrom, float Step, float Up) {
    float sinP, cosP;
    SinCos(aRing, sinP, cosP);
    const TAffineVector centreNormal{0, Up * sign, 0};
    glBegin(GL_TRIANGLE_FAN);
    Emit(0.5f, 0.5f, centreNormal, Type == TCapType::ctCenter ? NullVector : TAffineVector{0, sinP, 0});
    float theta = aFrom;
    for (int i = 0; i <= FSlices; ++i, theta += Step) {
      float sinT, cosT;
      SinCos(theta, sinT, cosT);
      const TAffineVector v{cosP * sinT, sinP, cosP * cosT};
      TAffineVector n = centreNormal;
      if (Type == TCapType::ctCenter) {
        n = VectorPerpendicular({0, Up, 0}, v);
        if (reverse) NegateVector(n);
      }
      Emit(sinT * 0.5f + 0.5f, cosT * 0.5f + 0.5f, n, v);
    }
    glEnd();
  };

  if (FTop < 90 && (FTopCap == TCapType::ctCenter || FTopCap == TCapType::ctFlat)) cap(FTopCap, aTop, aStart, stepH, 1);

  float phi = aTop, phi2 = aTop - stepV;
  const float uF = 1.0f / static_cast<float>(FSlices), vF = 1.0f / static_cast<float>(FStacks);
  for (int j = 0; j < FStacks; ++j) {
    float sinP, cosP, sinP2, cosP2;
    SinCos(phi, sinP, cosP);
    SinCos(phi2, sinP2, cosP2);
    const float tv = 1.0f - static_cast<float>(j) * vF, tv2 = 1.0f - static_cast<float>(j + 1) * vF;
    glBegin(GL_TRIANGLE_STRIP);
    float theta = aStart;
    for (int i = 0; i <= FSlices; ++i, theta += stepH) {
      float sinT, cosT;
      SinCos(theta, sinT, cosT);
      const TAffineVector v1{cosP * sinT, sinP, cosP * cosT}, v2{cosP2 * sinT, sinP2, cosP2 * cosT};
      const float u = static_cast<float>(i) * uF;
      Emit(u, tv, reverse ? VectorNegate(v1) : v1, v1);
      Emit(u, tv2, reverse ? VectorNegate(v2) : v2, v2);
    }
    glEnd();
    phi = phi2;
    phi2 -= stepV;
  }

  if (FBottom > -90 && (FBottomCap == TCapType::ctCenter || FBottomCap == TCapType::ctFlat))
    cap(FBottomCap, aBottom, aStop, -stepH, -1);

  if (reverse) rci.stateCache->InvertGLFrontFace();
}

bool TGLSphere::RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint,
                                 TVector* intersectNormal) {
  TVector start = rayStart, vector = rayVector;
  start[3] = 1.0f, vector[3] = 0.0f;
  const TVector localStart = AbsoluteToLocal(start);
  const TVector localVector = VectorNormalize(AbsoluteToLocal(vector));
  TVector i1, i2;
  if (RayCastSphereIntersect(localStart, localVector, NullHmgPoint, FRadius, i1, i2) <= 0) return false;
  if (intersectPoint) *intersectPoint = LocalToAbsolute(i1);
  if (intersectNormal) {
    TVector n = i1;
    n[3] = 0.0f;
    *intersectNormal = LocalToAbsolute(n);
  }
  return true;
}

std::unique_ptr<TGLSilhouette> TGLSphere::GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) {
  const int segments = std::max(FStacks, FSlices);
  const TAffineVector& seenFrom = silhouetteParameters.SeenFrom;
  TAffineVector s = VectorCrossProduct(seenFrom, XVector);
  if (VectorLength(s) < 0.001f) s = VectorCrossProduct(seenFrom, YVector);
  TAffineVector t = VectorCrossProduct(seenFrom, s);
  NormalizeAffineVector(s);
  NormalizeAffineVector(t);
  auto result = std::make_unique<TGLSilhouette>();
  result->Parameters = silhouetteParameters;
  const float step = 2.0f * std::numbers::pi_v<float> / static_cast<float>(segments);
  for (int i = 0; i < segments; ++i) {
    float a, b;
    SinCos(static_cast<float>(i) * step, FRadius, a, b);
    TAffineVector p;
    VectorCombine(s, t, a, b, p);
    result->Vertices.Add(p, 1.0f);
    result->Indices.Add(i);
    result->Indices.Add((i + 1) % segments);
    if (silhouetteParameters.CappingRequired) {
      result->CapIndices.Add(segments);
      result->CapIndices.Add(i);
      result->CapIndices.Add((i + 1) % segments);
    }
  }
  if (silhouetteParameters.CappingRequired) result->Vertices.Add(NullHmgPoint);
  return result;
}

void TGLSphere::SetRadius(float Value) {
  if (Value == FRadius) return;
  FRadius = Value;
  StructureChanged();
}

void TGLSphere::SetSlices(int Value) {
  if (Value <= 0) Value = 1;
  if (Value == FSlices) return;
  FSlices = Value;
  StructureChanged();
}

void TGLSphere::SetStacks(int Value) {
  if (Value <= 0) Value = 1;
  if (Value == FStacks) return;
  FStacks = Value;
  StructureChanged();
}

void TGLSphere::SetTop(int Value) {
  Value = Clamped(Value, -90, 90);
  if (Value == FTop) return;
  FTop = static_cast<TAngleLimit1>(Value);
  StructureChanged();
}

void TGLSphere::SetBottom(int Value) {
  Value = Clamped(Value, -90, 90);
  if (Value == FBottom) return;
  FBottom = static_cast<TAngleLimit1>(Value);
  StructureChanged();
}

void TGLSphere::SetStart(int Value) {
  Value = Clamped(Value, 0, 360);
  if (Value == FStart) return;
  Assert(Value <= FStop, "", UnitName, 2386);
  FStart = static_cast<TAngleLimit2>(Value);
  StructureChanged();
}

void TGLSphere::SetStop(int Value) {
  Value = Clamped(Value, 0, 360);
  if (Value == FStop) return;
  Assert(Value >= FStart, "", UnitName, 2401);
  FStop = static_cast<TAngleLimit2>(Value);
  StructureChanged();
}

void TGLSphere::SetTopCap(TCapType Value) {
  if (Value == FTopCap) return;
  FTopCap = Value;
  StructureChanged();
}

void TGLSphere::SetBottomCap(TCapType Value) {
  if (Value == FBottomCap) return;
  FBottomCap = Value;
  StructureChanged();
}
