// The shared wire cube and dodecahedron, the dummy cube, the plane and the
// sprite, and the unit's start-up.
#include "scene3d/GLObjects.h"

#include <cmath>

#include "classlib/UnitInit.h"
#include "scene3d/Base/XOpenGL.h"

namespace {
const char* const UnitName = "scene3d\\GLObjects";
const char* const CamInvarianceNames[] = {"cimNone", "cimPosition", "cimOrientation"};
const char* const PlaneStyleNames[] = {"psSingleQuad", "psTileTexture"};
TUnitCounter InitCounter;

TVector AsPoint(TVector v) {
  v[3] = 1.0f;
  return v;
}
TVector AsDirection(TVector v) {
  v[3] = 0.0f;
  return v;
}
}  // namespace

// ---- Shared drawings ---------------------------------------------------------------------------

void CubeWireframeBuildList(TRenderContextInfo& rci, bool Stippled, float Size, const TVector& Color) {
  TGLStateCache* cache = rci.stateCache;
  TGLPushedAttrib pushed(cache, GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_LINE_BIT | GL_CURRENT_BIT | GL_COLOR_BUFFER_BIT);
  cache->Disable(TGLState::stLighting);
  cache->Enable(TGLState::stLineSmooth);
  if (Stippled) {
    cache->Enable(TGLState::stLineStipple);
    cache->Enable(TGLState::stBlend);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLineStipple(1, 0xCCCC);
  }
  glLineWidth(1);
  // Colour material changes the material behind the cache's back.
  cache->ResetGLMaterialColors();
  glColorMaterial(GL_FRONT_AND_BACK, GL_EMISSION);
  cache->Enable(TGLState::stColorMaterial);
  glColor4fv(Color.data());
  const float s = Size * 0.5f;
  glBegin(GL_LINE_STRIP);
  // the x = +s face, across, and round the x = -s face
  glVertex3f(s, s, s), glVertex3f(s, -s, s), glVertex3f(s, -s, -s), glVertex3f(s, s, -s), glVertex3f(s, s, s);
  glVertex3f(-s, s, s), glVertex3f(-s, -s, s), glVertex3f(-s, -s, -s), glVertex3f(-s, s, -s), glVertex3f(-s, s, s);
  glEnd();
  glBegin(GL_LINES);
  glVertex3f(s, -s, s), glVertex3f(-s, -s, s);
  glVertex3f(s, -s, -s), glVertex3f(-s, -s, -s);
  glVertex3f(s, s, -s), glVertex3f(-s, s, -s);
  glEnd();
}

void DodecahedronBuildList() {
  const float a = 0.3f, b = 0.3f * 0.61803398875f, c = 0.3f * 1.61803398875f;   // 1, 1/phi, phi
  const TAffineVector v[20] = {
      {a, a, a},   {a, a, -a},   {a, -a, a},   {a, -a, -a},  {-a, a, a},   {-a, a, -a},  {-a, -a, a},
      {-a, -a, -a}, {0, b, c},   {0, b, -c},   {0, -b, c},   {0, -b, -c},  {b, c, 0},    {b, -c, 0},
      {-b, c, 0},  {-b, -c, 0},  {c, 0, b},    {c, 0, -b},   {-c, 0, b},   {-c, 0, -b}};
  // Counter-clockwise seen from outside.
  const int faces[12][5] = {{4, 8, 0, 12, 14},  {14, 12, 1, 9, 5},  {15, 13, 2, 10, 6},  {7, 11, 3, 13, 15},
                            {1, 12, 0, 16, 17}, {17, 16, 2, 13, 3}, {19, 18, 4, 14, 5},  {7, 15, 6, 18, 19},
                            {2, 16, 0, 8, 10},  {11, 9, 1, 17, 3},  {10, 8, 4, 18, 6},   {7, 19, 5, 9, 11}};
  for (const auto& f : faces) {
    const TAffineVector n = CalcPlaneNormal(v[f[0]], v[f[1]], v[f[2]]);
    glBegin(GL_TRIANGLE_FAN);
    glNormal3fv(n.data());
    for (int i : f) glVertex3fv(v[i].data());
    glEnd();
  }
}

// ---- TGLDummyCube ------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLDummyCube, TGLCameraInvariantObject)

TGLDummyCube::TGLDummyCube(TComponent* AOwner)
    : TGLCameraInvariantObject(AOwner), FEdgeColor(std::make_unique<TGLColor>(this, TVector{1, 1, 1, 1})) {
  ObjectStyle.Include(TGLObjectStyle::osDirectDraw);
  SetCamInvarianceMode(TGLCameraInvarianceMode::cimNone);
}

TGLDummyCube::~TGLDummyCube() = default;

void TGLDummyCube::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLDummyCube*>(Source)) {
    FCubeSize = src->FCubeSize;
    FEdgeColor->Assign(src->FEdgeColor.get());
    FVisibleAtRunTime = src->FVisibleAtRunTime;
    NotifyChange(this);
  }
  TGLCameraInvariantObject::Assign(Source);
}

void TGLDummyCube::DefineProperties(TFiler* Filer) {
  TGLCameraInvariantObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineEnum<TGLCameraInvarianceMode>(
      "CamInvarianceMode", CamInvarianceNames, CamInvarianceMode(),
      [this](TGLCameraInvarianceMode v) { SetCamInvarianceMode(v); },
      CamInvarianceMode() != TGLCameraInvarianceMode::cimNone);
  f->DefineSingle("CubeSize", FCubeSize, [this](float v) { SetCubeSize(v); }, FCubeSize != 1.0f);
  f->DefinePersistent("EdgeColor", FEdgeColor.get());
  f->DefineBoolean("VisibleAtRunTime", FVisibleAtRunTime, [this](bool v) { SetVisibleAtRunTime(v); },
                   FVisibleAtRunTime);
  f->DefineBoolean("Amalgamate", FAmalgamate, [this](bool v) { SetAmalgamate(v); }, FAmalgamate);
}

TVector TGLDummyCube::AxisAlignedDimensionsUnscaled() {
  const float h = std::fabs(FCubeSize) * 0.5f;
  return {h, h, h, 0.0f};
}

bool TGLDummyCube::RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint,
                                    TVector* intersectNormal) {
  (void)rayStart, (void)rayVector, (void)intersectPoint, (void)intersectNormal;
  return false;
}

TVector TGLDummyCube::BarycenterAbsolutePosition() {
  if (Count() == 0) return AbsolutePosition();
  TVector sum{};
  for (int i = 0; i < Count(); ++i) sum = VectorAdd(sum, Children(i)->BarycenterAbsolutePosition());
  return VectorScale(sum, 1.0f / static_cast<float>(Count()));
}

void TGLDummyCube::BuildList(TRenderContextInfo& rci) {
  if (ComponentState.Contains(TComponentStateItem::csDesigning) || FVisibleAtRunTime)
    CubeWireframeBuildList(rci, true, FCubeSize, FEdgeColor->Color());
}

void TGLDummyCube::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (OnVisibilityDetermination && !OnVisibilityDetermination(this, rci)) return;
  if (!FAmalgamate || rci.amalgamating) {
    TGLCameraInvariantObject::DoRender(rci, renderSelf, renderChildren);
    return;
  }
  if (FGroupList.Handle() == 0) {
    FGroupList.Record([&] {
      Assert(FGroupList.Handle() != 0, "Handle=0 for " + ClassName(), UnitName, 1214);
      rci.amalgamating = true;
      struct TEnd {
        TRenderContextInfo& R;
        ~TEnd() { R.amalgamating = false; }
      } end{rci};
      TGLCameraInvariantObject::DoRender(rci, renderSelf, renderChildren);
    });
  }
  glCallList(FGroupList.Handle());
}

void TGLDummyCube::StructureChanged() {
  if (FAmalgamate) FGroupList.DestroyHandle();
  TGLCameraInvariantObject::StructureChanged();
}

void TGLDummyCube::DestroyHandle() {
  TGLCameraInvariantObject::DestroyHandle();
  FGroupList.DestroyHandle();
}

void TGLDummyCube::SetCubeSize(float Value) {
  if (Value == FCubeSize) return;
  FCubeSize = Value;
  StructureChanged();
}

void TGLDummyCube::SetEdgeColor(TGLColor* Value) {
  if (Value == FEdgeColor.get()) return;
  FEdgeColor->Assign(Value);
  StructureChanged();
}

void TGLDummyCube::SetVisibleAtRunTime(bool Value) {
  if (Value == FVisibleAtRunTime) return;
  FVisibleAtRunTime = Value;
  StructureChanged();
}

void TGLDummyCube::SetAmalgamate(bool Value) {
  if (Value == FAmalgamate) return;
  FAmalgamate = Value;
  if (Value) ObjectStyle.Include(TGLObjectStyle::osAltersColorsOrWinding);
  else FGroupList.DestroyHandle();
  TGLCameraInvariantObject::StructureChanged();
}

// ---- TGLPlane ------------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLPlane, TScene3DObject)

TGLPlane::TGLPlane(TComponent* AOwner) : TScene3DObject(AOwner) { ObjectStyle.Include(TGLObjectStyle::osDirectDraw); }

void TGLPlane::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLPlane*>(Source)) {
    FWidth = src->FWidth;
    FHeight = src->FHeight;
  }
  TScene3DObject::Assign(Source);
}

void TGLPlane::DefineProperties(TFiler* Filer) {
  TScene3DObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineSingle("XOffset", FXOffset, [this](float v) { SetXOffset(v); }, FXOffset != 0.0f);
  f->DefineSingle("YOffset", FYOffset, [this](float v) { SetYOffset(v); }, FYOffset != 0.0f);
  f->DefineSingle("XScope", FXScope, [this](float v) { SetXScope(v); }, FXScope != 1.0f);
  f->DefineSingle("YScope", FYScope, [this](float v) { SetYScope(v); }, FYScope != 1.0f);
  f->DefineSingle("Width", FWidth, [this](float v) { SetWidth(v); }, FWidth != 1.0f);
  f->DefineSingle("Height", FHeight, [this](float v) { SetHeight(v); }, FHeight != 1.0f);
  f->DefineInteger(
      "XTiles", static_cast<int32_t>(FXTiles), [this](int32_t v) { SetXTiles(static_cast<uint32_t>(v)); },
      FXTiles != 1);
  f->DefineInteger(
      "YTiles", static_cast<int32_t>(FYTiles), [this](int32_t v) { SetYTiles(static_cast<uint32_t>(v)); },
      FYTiles != 1);
  const TPlaneStyles both{TPlaneStyle::psSingleQuad, TPlaneStyle::psTileTexture};
  f->DefineSet<TPlaneStyle>("Style", PlaneStyleNames, FStyle, [this](TPlaneStyles v) { SetStyle(v); }, !(FStyle == both));
  f->DefineBoolean("NoZWrite", NoZWrite, [this](bool v) { NoZWrite = v; }, NoZWrite);
}

TVector TGLPlane::AxisAlignedDimensionsUnscaled() { return {std::fabs(FWidth) * 0.5f, std::fabs(FHeight) * 0.5f, 0, 0}; }

bool TGLPlane::RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint,
                                TVector* intersectNormal) {
  const TVector s = AbsoluteToLocal(AsPoint(rayStart)), v = AbsoluteToLocal(AsDirection(rayVector));
  if (s[2] >= 0 ? !(v[2] < 0) : !(v[2] > 0)) return false;
  const float t = s[2] / v[2];
  const TVector hit{s[0] - t * v[0], s[1] - t * v[1], 0.0f, 1.0f};
  if (std::fabs(hit[0]) > FWidth * 0.5f || std::fabs(hit[1]) > FHeight * 0.5f) return false;
  if (intersectNormal) {
    *intersectNormal = AbsoluteMatrix()[2];
    if (s[2] < 0) *intersectNormal = VectorNegate(*intersectNormal);
  }
  if (intersectPoint) *intersectPoint = LocalToAbsolute(hit);
  return true;
}

std::unique_ptr<TGLSilhouette> TGLPlane::GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) {
  auto s = std::make_unique<TGLSilhouette>();
  s->Parameters = silhouetteParameters;
  const float w = FWidth * 0.5f, h = FHeight * 0.5f;
  s->Vertices.AddPoint(w, h, 0);
  s->Vertices.AddPoint(w, -h, 0);
  s->Vertices.AddPoint(-w, -h, 0);
  s->Vertices.AddPoint(-w, h, 0);
  for (int i = 0; i < 4; ++i) {
    s->Indices.Add(i);
    s->Indices.Add((i + 1) % 4);
  }
  if (silhouetteParameters.CappingRequired)
    for (int i : {0, 1, 2, 2, 3, 0}) s->CapIndices.Add(i);
  return s;
}

void TGLPlane::BuildList(TRenderContextInfo& rci) {
  (void)rci;
  const float hw = FWidth * 0.5f, hh = FHeight * 0.5f;
  glNormal3f(0, 0, 1);
  float s0, s1, t0, t1;
  if (FStyle.Contains(TPlaneStyle::psTileTexture)) {
    s0 = FXOffset, s1 = static_cast<float>(FXTiles) * FXScope + FXOffset;
    t0 = FYOffset, t1 = static_cast<float>(FYTiles) * FYScope + FYOffset;
  } else {
    s0 = 0, s1 = FXScope, t0 = 0, t1 = FYScope;
  }
  if (NoZWrite) glDepthMask(GL_FALSE);
  if (FStyle.Contains(TPlaneStyle::psSingleQuad)) {
    glBegin(GL_QUADS);
    xglTexCoord2f(s1, t1), glVertex2f(hw, hh);
    xglTexCoord2f(s0, t1), glVertex2f(-hw, hh);
    xglTexCoord2f(s0, t0), glVertex2f(-hw, -hh);
    xglTexCoord2f(s1, t0), glVertex2f(hw, -hh);
    glEnd();
  } else if (FXTiles > 0) {   // no tiles across: no strip has a width
    const float xs = FWidth / static_cast<float>(FXTiles), ys = FHeight / static_cast<float>(FYTiles);
    const float ts = (s1 - s0) / static_cast<float>(FXTiles), tt = (t1 - t0) / static_cast<float>(FYTiles);
    for (uint32_t y = 0; y < FYTiles; ++y) {
      const float yLow = static_cast<float>(y) * ys - hh, yHigh = static_cast<float>(y + 1) * ys - hh;
      const float tLow = t0 + static_cast<float>(y) * tt, tHigh = t0 + static_cast<float>(y + 1) * tt;
      glBegin(GL_TRIANGLE_STRIP);
      for (uint32_t x = 0; x <= FXTiles; ++x) {
        const float px = static_cast<float>(x) * xs - hw, s = s0 + static_cast<float>(x) * ts;
        xglTexCoord2f(s, tHigh), glVertex2f(px, yHigh);
        xglTexCoord2f(s, tLow), glVertex2f(px, yLow);
      }
      glEnd();
    }
  }
  if (NoZWrite) glDepthMask(GL_TRUE);
}

void TGLPlane::SetXOffset(float Value) {
  if (Value == FXOffset) return;
  FXOffset = Value;
  StructureChanged();
}

void TGLPlane::SetYOffset(float Value) {
  if (Value == FYOffset) return;
  FYOffset = Value;
  StructureChanged();
}

void TGLPlane::SetXScope(float Value) {
  if (Value == FXScope) return;
  FXScope = Value > 1.0f ? 1.0f : Value;
  StructureChanged();
}

void TGLPlane::SetYScope(float Value) {
  if (Value == FYScope) return;
  FYScope = Value > 1.0f ? 1.0f : Value;
  StructureChanged();
}

void TGLPlane::SetWidth(float Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  StructureChanged();
}

void TGLPlane::SetHeight(float Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  StructureChanged();
}

void TGLPlane::SetXTiles(uint32_t Value) {
  if (Value == FXTiles) return;
  FXTiles = Value;
  StructureChanged();
}

void TGLPlane::SetYTiles(uint32_t Value) {
  if (Value == FYTiles) return;
  FYTiles = Value;
  StructureChanged();
}

void TGLPlane::SetStyle(TPlaneStyles Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  StructureChanged();
}

// ---- TGLSprite ------------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLSprite, TScene3DObject)

TGLSprite::TGLSprite(TComponent* AOwner) : TScene3DObject(AOwner) {
  ObjectStyle.Include(TGLObjectStyle::osDirectDraw).Include(TGLObjectStyle::osNoVisibilityCulling);
}

void TGLSprite::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLSprite*>(Source)) {
    FWidth = src->FWidth;
    FHeight = src->FHeight;
    FRotation = src->FRotation;
    FAlphaChannel = src->FAlphaChannel;
    FNoZWrite = src->FNoZWrite;
  }
  TScene3DObject::Assign(Source);
}

void TGLSprite::DefineProperties(TFiler* Filer) {
  TScene3DObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineSingle("Width", FWidth, [this](float v) { SetWidth(v); }, FWidth != 1.0f);
  f->DefineSingle("Height", FHeight, [this](float v) { SetHeight(v); }, FHeight != 1.0f);
  f->DefineSingle("Rotation", FRotation, [this](float v) { SetRotation(v); }, FRotation != 0.0f);
  f->DefineSingle("AlphaChannel", FAlphaChannel, [this](float v) { SetAlphaChannel(v); }, FAlphaChannel != 1.0f);
  f->DefineBoolean("NoZWrite", FNoZWrite, [this](bool v) { SetNoZWrite(v); }, FNoZWrite);
  f->DefineBoolean("MirrorU", FMirrorU, [this](bool v) { SetMirrorU(v); }, FMirrorU);
  f->DefineBoolean("MirrorV", FMirrorV, [this](bool v) { SetMirrorV(v); }, FMirrorV);
}

TVector TGLSprite::AxisAlignedDimensionsUnscaled() {
  return {std::fabs(FWidth) * 0.5f, std::fabs(FHeight) * 0.5f, std::fabs(FWidth) * 0.5f, 0.0f};
}

void TGLSprite::BuildList(TRenderContextInfo& rci) {
  if (FAlphaChannel != 1.0f) rci.stateCache->SetGLMaterialAlphaChannel(GL_FRONT, FAlphaChannel);
  if (FNoZWrite) glDepthMask(GL_FALSE);
  // The view's right and up directions in object space.
  TMatrix m;
  glGetFloatv(GL_MODELVIEW_MATRIX, m[0].data());
  TAffineVector vx{m[0][0], m[1][0], m[2][0]}, vy{m[0][1], m[1][1], m[2][1]};
  ScaleVector(vx, FWidth * 0.5f / VectorLength(vx));
  ScaleVector(vy, FHeight * 0.5f / VectorLength(vy));
  float u0 = 0, u1 = 1, v0 = 0, v1 = 1;
  if (FMirrorU) std::swap(u0, u1);
  if (FMirrorV) std::swap(v0, v1);
  if (FRotation != 0.0f) {
    glPushMatrix();
    glRotatef(FRotation, m[0][2], m[1][2], m[2][2]);
  }
  glBegin(GL_QUADS);
  xglTexCoord2f(u1, v1), glVertex3f(vx[0] + vy[0], vx[1] + vy[1], vx[2] + vy[2]);
  xglTexCoord2f(u0, v1), glVertex3f(-vx[0] + vy[0], -vx[1] + vy[1], -vx[2] + vy[2]);
  xglTexCoord2f(u0, v0), glVertex3f(-vx[0] - vy[0], -vx[1] - vy[1], -vx[2] - vy[2]);
  xglTexCoord2f(u1, v0), glVertex3f(vx[0] - vy[0], vx[1] - vy[1], vx[2] - vy[2]);
  glEnd();
  if (FRotation != 0.0f) glPopMatrix();
  if (FNoZWrite) glDepthMask(GL_TRUE);
}

void TGLSprite::SetWidth(float Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  NotifyChange(this);
}

void TGLSprite::SetHeight(float Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  NotifyChange(this);
}

void TGLSprite::SetRotation(float Value) {
  if (Value == FRotation) return;
  FRotation = Value;
  NotifyChange(this);
}

void TGLSprite::SetAlphaChannel(float Value) {
  Value = ClampValue(Value, 0.0f, 1.0f);
  if (Value == FAlphaChannel) return;
  FAlphaChannel = Value;
  NotifyChange(this);
}

void TGLSprite::SetNoZWrite(bool Value) {
  FNoZWrite = Value;
  NotifyChange(this);
}

void TGLSprite::SetMirrorU(bool Value) {
  FMirrorU = Value;
  NotifyChange(this);
}

void TGLSprite::SetMirrorV(bool Value) {
  FMirrorV = Value;
  NotifyChange(this);
}

// ---- Start-up ------------------------------------------------------------------------------------

namespace {
template <typename T>
void RegisterSceneObject() {
  RegisterClass(T::StaticClass(), [] { return std::unique_ptr<TObject>(new T(nullptr)); });
}
}  // namespace

void GLObjects_Initialize() {
  if (!InitCounter.Enter()) return;
  Scene3D_Initialize();
  RegisterSceneObject<TGLSphere>();
  RegisterSceneObject<TGLCube>();
  RegisterSceneObject<TGLPlane>();
  RegisterSceneObject<TGLSprite>();
  RegisterSceneObject<TGLPoints>();
  RegisterSceneObject<TGLDummyCube>();
  RegisterSceneObject<TGLLines>();
}

void GLObjects_Finalize() {
  if (!InitCounter.Leave()) return;
  for (TClass c : {TGLLines::StaticClass(), TGLDummyCube::StaticClass(), TGLPoints::StaticClass(),
                   TGLSprite::StaticClass(), TGLPlane::StaticClass(), TGLCube::StaticClass(), TGLSphere::StaticClass()})
    UnRegisterClass(c);
  Scene3D_Finalize();
}
