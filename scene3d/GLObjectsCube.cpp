// The cube.
#include <cmath>

#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLObjects.h"

namespace {
const char* const CubePartNames[] = {"cpTop", "cpBottom", "cpFront", "cpBack", "cpLeft", "cpRight"};
const char* const NormalDirectionNames[] = {"ndInside", "ndOutside"};
const TCubeParts AllParts{TCubePart::cpTop,  TCubePart::cpBottom, TCubePart::cpFront,
                          TCubePart::cpBack, TCubePart::cpLeft,   TCubePart::cpRight};
}  // namespace

IMPLEMENT_CLASSINFO(TGLCube, TScene3DObject)

TGLCube::TGLCube(TComponent* AOwner) : TScene3DObject(AOwner) { ObjectStyle.Include(TGLObjectStyle::osDirectDraw); }

void TGLCube::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLCube*>(Source)) {
    FCubeSize = src->FCubeSize;
    FParts = src->FParts;
    FNormalDirection = src->FNormalDirection;
  }
  TScene3DObject::Assign(Source);
}

void TGLCube::DefineProperties(TFiler* Filer) {
  TScene3DObject::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "CubeSize",
      [this](TStream& S) {
        TAffineVector v;
        if (S.Size() - S.Position() != static_cast<int64_t>(sizeof v)) throw EReadError("Invalid property CubeSize");
        S.ReadBuffer(v.data(), sizeof v);
        FCubeSize = v;
        StructureChanged();
      },
      [this](TStream& S) { S.WriteBuffer(FCubeSize.data(), sizeof FCubeSize); },
      FCubeSize[0] != 1.0f || FCubeSize[1] != 1.0f || FCubeSize[2] != 1.0f);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineSet<TCubePart>("Parts", CubePartNames, FParts, [this](TCubeParts v) { SetParts(v); }, !(FParts == AllParts));
  f->DefineEnum<TNormalDirection>("NormalDirection", NormalDirectionNames, FNormalDirection,
                                  [this](TNormalDirection v) { SetNormalDirection(v); },
                                  FNormalDirection != TNormalDirection::ndOutside);
}

TVector TGLCube::AxisAlignedDimensionsUnscaled() {
  return {FCubeSize[0] * 0.5f, FCubeSize[1] * 0.5f, FCubeSize[2] * 0.5f, 0.0f};
}

void TGLCube::BuildList(TRenderContextInfo& rci) {
  (void)rci;
  const float hw = FCubeSize[0] * 0.5f, hh = FCubeSize[1] * 0.5f, hd = FCubeSize[2] * 0.5f;
  const float nd = FNormalDirection == TNormalDirection::ndOutside ? 1.0f : -1.0f;
  // Texture points T1..T4 (index 0..3), then per face its normal and four
  // corners, each with the texture point it takes.
  const float tex[4][2] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};
  struct TFace {
    TCubePart Part;
    float Normal[3];
    int Tex[4];
    float Corner[4][3];
  };
  const TFace faces[6] = {
      {TCubePart::cpFront, {0, 0, nd}, {0, 1, 2, 3}, {{hw, hh, hd}, {-hw, hh, hd}, {-hw, -hh, hd}, {hw, -hh, hd}}},
      {TCubePart::cpBack, {0, 0, -nd}, {1, 2, 3, 0}, {{hw, hh, -hd}, {hw, -hh, -hd}, {-hw, -hh, -hd}, {-hw, hh, -hd}}},
      {TCubePart::cpLeft, {-nd, 0, 0}, {0, 1, 2, 3}, {{-hw, hh, hd}, {-hw, hh, -hd}, {-hw, -hh, -hd}, {-hw, -hh, hd}}},
      {TCubePart::cpRight, {nd, 0, 0}, {1, 2, 3, 0}, {{hw, hh, hd}, {hw, -hh, hd}, {hw, -hh, -hd}, {hw, hh, -hd}}},
      {TCubePart::cpTop, {0, nd, 0}, {1, 2, 3, 0}, {{-hw, hh, -hd}, {-hw, hh, hd}, {hw, hh, hd}, {hw, hh, -hd}}},
      {TCubePart::cpBottom, {0, -nd, 0}, {2, 3, 0, 1}, {{-hw, -hh, -hd}, {hw, -hh, -hd}, {hw, -hh, hd}, {-hw, -hh, hd}}},
  };
  glBegin(GL_QUADS);
  for (const TFace& f : faces) {
    if (!FParts.Contains(f.Part)) continue;
    glNormal3fv(f.Normal);
    for (int i = 0; i < 4; ++i) {
      xglTexCoord2fv(tex[f.Tex[i]]);
      glVertex3fv(f.Corner[i]);
    }
  }
  glEnd();
}

bool TGLCube::RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint,
                               TVector* intersectNormal) {
  TVector start = rayStart, vector = rayVector;
  start[3] = 1.0f, vector[3] = 0.0f;
  const TVector s4 = AbsoluteToLocal(start);
  const TVector d4 = VectorNormalize(AbsoluteToLocal(vector));
  const TAffineVector S{s4[0], s4[1], s4[2]}, D{d4[0], d4[1], d4[2]};
  const TAffineVector e = VectorScale(FCubeSize, 0.5001f);
  // +X, +Y, +Z, -X, -Y, -Z
  for (int i = 0; i < 6; ++i) {
    const int axis = i % 3;
    TAffineVector n{0, 0, 0};
    n[static_cast<size_t>(axis)] = i < 3 ? 1.0f : -1.0f;
    const float nd = VectorDotProduct(n, D);
    if (!(nd > 0)) continue;
    const float t = -(VectorDotProduct(n, S) + 0.5f * FCubeSize[static_cast<size_t>(axis)]) / nd;
    TAffineVector p;
    VectorCombine(S, D, 1.0f, t, p);
    if (std::fabs(p[0]) > e[0] || std::fabs(p[1]) > e[1] || std::fabs(p[2]) > e[2]) continue;
    if (!(VectorDotProduct(VectorSubtract(p, S), D) > 0)) continue;
    if (intersectPoint) *intersectPoint = LocalToAbsolute(PointMake(p));
    if (intersectNormal) *intersectNormal = LocalToAbsolute(VectorMake(VectorNegate(n), 0.0f));
    return true;
  }
  return false;
}

std::unique_ptr<TGLSilhouette> TGLCube::GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) {
  const float hw = FCubeSize[0] * 0.5f, hh = FCubeSize[1] * 0.5f, hd = FCubeSize[2] * 0.5f;
  struct TQuad {
    TCubePart Part;
    TAffineVector Corner[4];
  };
  const TQuad quads[6] = {
      {TCubePart::cpFront, {{-hw, -hh, hd}, {hw, -hh, hd}, {-hw, hh, hd}, {hw, hh, hd}}},
      {TCubePart::cpBack, {{-hw, -hh, -hd}, {-hw, hh, -hd}, {hw, -hh, -hd}, {hw, hh, -hd}}},
      {TCubePart::cpLeft, {{-hw, -hh, -hd}, {-hw, -hh, hd}, {-hw, hh, -hd}, {-hw, hh, hd}}},
      {TCubePart::cpRight, {{hw, -hh, -hd}, {hw, hh, -hd}, {hw, -hh, hd}, {hw, hh, hd}}},
      {TCubePart::cpTop, {{hw, hh, hd}, {hw, hh, -hd}, {-hw, hh, hd}, {-hw, hh, -hd}}},
      {TCubePart::cpBottom, {{hw, -hh, hd}, {-hw, -hh, hd}, {hw, -hh, -hd}, {-hw, -hh, -hd}}},
  };
  TConnectivity connectivity(true);
  for (const TQuad& q : quads)
    if (FParts.Contains(q.Part)) connectivity.AddQuad(q.Corner[0], q.Corner[1], q.Corner[2], q.Corner[3]);
  std::unique_ptr<TGLSilhouette> silhouette;
  connectivity.CreateSilhouette(silhouetteParameters, silhouette, false);
  return silhouette;
}

void TGLCube::SetSize(int Axis, float Value) {
  float& size = FCubeSize[static_cast<size_t>(Axis)];
  if (Value == size) return;
  size = Value;
  StructureChanged();
}

void TGLCube::SetParts(TCubeParts Value) {
  if (Value == FParts) return;
  FParts = Value;
  StructureChanged();
}

void TGLCube::SetNormalDirection(TNormalDirection Value) {
  if (Value == FNormalDirection) return;
  FNormalDirection = Value;
  StructureChanged();
}
