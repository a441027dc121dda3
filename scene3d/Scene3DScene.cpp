// The scene (trees, light slots, buffers, the render pass of one frame) and
// the fog of a buffer.
#include <algorithm>

#include "scene3d/Base/XOpenGL.h"
#include "scene3d/Scene3D.h"

namespace {
const char* const UnitName = "scene3d\\Scene3D";

// The driver's own fog distance mode, read once.
GLint vDefaultFogDistanceMode = 0;
bool vDefaultFogDistanceModeRead = false;

template <typename F>
void ForEachLight(TGLBaseSceneObject* anObj, F Action) {
  if (auto* light = dynamic_cast<TGLLightSource*>(anObj)) Action(light);
  for (int i = 0; i < anObj->Count(); ++i) ForEachLight(anObj->Children(i), Action);
}
}  // namespace

IMPLEMENT_CLASSINFO(TScene3D, TGLUpdateAbleComponent)
IMPLEMENT_CLASSINFO(TGLFogEnvironment, TGLUpdateAbleObject)

// ---- TScene3D ---------------------------------------------------------------------------------

TScene3D::TScene3D(TComponent* AOwner) : TGLUpdateAbleComponent(AOwner) {
  FObjects = new TScene3DRootObject(this);
  FObjects->Name = "ObjectRoot";
  FCameras = new TScene3DRootObject(this);
  FCameras->Name = "CameraRoot";
}

TScene3D::~TScene3D() {
  FObjects->DestroyHandles();
  delete FCameras;   // their buffers let go of them
  delete FObjects;
  FLights.fill(nullptr);
  // Buffers whose camera lives elsewhere still list this scene.
  for (TScene3DBuffer* b : std::vector<TScene3DBuffer*>(FBuffers))
    if (b->Camera() && b->Camera()->Scene() == this) b->SetCamera(nullptr);
  FBuffers.clear();
}

bool TScene3D::IsUpdating() const {
  return FUpdateCount != 0 || ComponentState.Contains(TComponentStateItem::csLoading) ||
         ComponentState.Contains(TComponentStateItem::csDestroying);
}

void TScene3D::EndUpdate() {
  Assert(FUpdateCount > 0, "Unbalanced Begin/EndUpdate", UnitName, 7213);
  if (--FUpdateCount == 0) NotifyChange(this);
}

void TScene3D::NotifyChange(TObject* Sender) {
  (void)Sender;
  if (IsUpdating()) return;
  for (TScene3DBuffer* b : std::vector<TScene3DBuffer*>(FBuffers)) b->NotifyChange(this);
}

void TScene3D::GetChildren(const std::function<void(TComponent*)>& Proc) const {
  FObjects->GetChildren(Proc);
  FCameras->GetChildren(Proc);
}

void TScene3D::SetChildOrder(TComponent* Child, int Order) {
  if (auto* o = dynamic_cast<TGLBaseSceneObject*>(Child)) o->SetIndex(Order);
}

TGLLightSource* TScene3D::Lights(int Slot) const {
  if (Slot < 0 || Slot >= LightSlotCount) return nullptr;
  return FLights[static_cast<size_t>(Slot)];
}

void TScene3D::AddLight(TGLLightSource* aLight) {
  if (std::find(FLights.begin(), FLights.end(), aLight) != FLights.end()) return;
  for (int i = 0; i < LightSlotCount; ++i)
    if (!FLights[static_cast<size_t>(i)]) {
      FLights[static_cast<size_t>(i)] = aLight;
      aLight->FLightID = GL_LIGHT0 + static_cast<GLenum>(i);
      return;
    }
}

void TScene3D::RemoveLight(TGLLightSource* aLight) {
  for (TGLLightSource*& slot : FLights)
    if (slot == aLight) {
      slot = nullptr;
      aLight->FLightID = 0;
    }
}

void TScene3D::AddLights(TGLBaseSceneObject* anObj) {
  ForEachLight(anObj, [this](TGLLightSource* l) { AddLight(l); });
}

void TScene3D::RemoveLights(TGLBaseSceneObject* anObj) {
  ForEachLight(anObj, [this](TGLLightSource* l) { RemoveLight(l); });
}

void TScene3D::AddBuffer(TScene3DBuffer* aBuffer) {
  if (std::find(FBuffers.begin(), FBuffers.end(), aBuffer) != FBuffers.end()) return;
  FBuffers.push_back(aBuffer);
  if (!FBaseContext) FBaseContext = FBuffers.front()->RenderingContext();
  if (FBuffers.size() > 1 && FBaseContext && aBuffer->RenderingContext())
    FBaseContext->ShareLists(aBuffer->RenderingContext());
}

void TScene3D::RemoveBuffer(TScene3DBuffer* aBuffer) {
  auto it = std::find(FBuffers.begin(), FBuffers.end(), aBuffer);
  if (it == FBuffers.end()) return;
  FBuffers.erase(it);
  FBaseContext = FBuffers.empty() ? nullptr : FBuffers.front()->RenderingContext();
}

void TScene3D::SetObjectsSorting(TGLObjectsSorting Value) {
  if (Value == TGLObjectsSorting::osInherited) Value = TGLObjectsSorting::osRenderBlendedLast;
  if (Value == FObjectsSorting) return;
  FObjectsSorting = Value;
  NotifyChange(this);
}

void TScene3D::SetVisibilityCulling(TGLVisibilityCulling Value) {
  if (Value == TGLVisibilityCulling::vcInherited) Value = TGLVisibilityCulling::vcNone;
  if (Value == FVisibilityCulling) return;
  FVisibilityCulling = Value;
  NotifyChange(this);
}

void TScene3D::Progress(double deltaTime, double newTime) {
  const TProgressTimes times{deltaTime, newTime};
  FObjects->DoProgress(times);
  FCameras->DoProgress(times);
}

TGLBaseSceneObject* TScene3D::RayCastIntersect(const TVector& rayStart, const TVector& rayVector,
                                               TVector* intersectPoint, TVector* intersectNormal) {
  TGLBaseSceneObject* best = nullptr;
  float bestDistance2 = 1e20f;
  TVector bestPoint{}, bestNormal{};
  std::function<void(TGLBaseSceneObject*)> visit = [&](TGLBaseSceneObject* parent) {
    for (int i = 0; i < parent->Count(); ++i) {
      TGLBaseSceneObject* o = parent->Children(i);
      if (!o->Visible()) continue;
      TVector p{}, n{};
      if (o->RayCastIntersect(rayStart, rayVector, &p, &n)) {
        const float d2 = VectorDistance2(rayStart, p);
        if (d2 < bestDistance2) {
          bestDistance2 = d2;
          best = o;
          bestPoint = p;
          bestNormal = n;
        }
      }
      visit(o);
    }
  };
  visit(FObjects);
  if (best) {
    if (intersectPoint) *intersectPoint = bestPoint;
    if (intersectNormal) *intersectNormal = bestNormal;
  }
  return best;
}

void TScene3D::SetupLights(int maxLights) {
  const int n = std::min(LightSlotCount, maxLights);
  glPushMatrix();
  for (int i = 0; i < n; ++i) {
    TGLLightSource* light = FLights[static_cast<size_t>(i)];
    if (!light) glDisable(GL_LIGHT0 + static_cast<GLenum>(i));
    else light->Setup();
  }
  glPopMatrix();
  for (int i = n; i < maxLights; ++i) glDisable(GL_LIGHT0 + static_cast<GLenum>(i));
}

void TScene3D::RenderScene(TScene3DBuffer* aBuffer, int viewPortSizeX, int viewPortSizeY, TDrawState drawState,
                           TGLBaseSceneObject* baseObject) {
  CurrentRenderedObject = nullptr;
  aBuffer->AfterEffects.clear();
  CurrentBuffer = aBuffer;
  TRenderContextInfo rci{};
  rci.scene = this;
  rci.buffer = aBuffer;
  rci.objectsSorting = FObjectsSorting;
  rci.visibilityCulling = FVisibilityCulling;
  rci.bufferFaceCull = aBuffer->FaceCulling();
  rci.drawState = drawState;
  rci.cameraPosition = aBuffer->CameraAbsolutePosition();
  if (TGLCamera* camera = aBuffer->Camera()) {
    rci.cameraDirection = camera->LastDirection();
    rci.cameraDirection[3] = 0.0f;
    NormalizeVector(rci.cameraDirection);
    TVector up = camera->Up()->AsVector();
    up[3] = 0.0f;
    TVector right;
    VectorCrossProduct(rci.cameraDirection, up, right);
    VectorCrossProduct(right, rci.cameraDirection, rci.cameraUp);
    NormalizeVector(rci.cameraUp);
    rci.viewPortRadius = camera->ViewPortRadius();
    rci.farClippingDistance = camera->NearPlane() + camera->DepthOfView();
  }
  rci.clippingOrigin = rci.cameraPosition;
  rci.clippingDirection = rci.cameraDirection;
  TMatrix modelView, projection;
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView[0].data());
  glGetFloatv(GL_PROJECTION_MATRIX, projection[0].data());
  rci.frustum = ExtractFrustumFromModelViewProjection(MatrixMultiply(modelView, projection));
  rci.viewPortSize[0] = viewPortSizeX;
  rci.viewPortSize[1] = viewPortSizeY;
  rci.renderDPI = aBuffer->RenderDPI();
  rci.modelViewMatrix = &aBuffer->ModelViewMatrix();
  rci.sceneAmbientColor = aBuffer->AmbientColor()->Color();
  rci.stateCache = aBuffer->StateCache();
  rci.stateCache->ResetAll();
  rci.ignoreMaterials =
      aBuffer->ContextOptions().Contains(TContextOption::roNoColorBuffer) || drawState == TDrawState::dsPicking;
  if (rci.ignoreMaterials) glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  else glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (aBuffer->InitiateRendering) aBuffer->InitiateRendering(aBuffer, rci);
  if (baseObject) baseObject->Render(rci);
  else FObjects->Render(rci);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  for (TGLObjectAfterEffect* effect : std::vector<TGLObjectAfterEffect*>(aBuffer->AfterEffects))
    effect->Render(aBuffer, rci);
  if (aBuffer->WrapUpRendering) aBuffer->WrapUpRendering(aBuffer, rci);
  TGLStateCache* cache = rci.stateCache;
  cache->Disable(TGLState::stBlend);
  cache->Disable(TGLState::stTexture2D);
  cache->Disable(TGLState::stTextureRect);
  cache->Enable(TGLState::stAlphaTest);
  glAlphaFunc(GL_GREATER, 0.0f);
}

// ---- TGLFogEnvironment -------------------------------------------------------------------------

TGLFogEnvironment::TGLFogEnvironment(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner), FFogColor(std::make_unique<TGLColor>(this)) {}

TGLFogEnvironment::~TGLFogEnvironment() = default;

TScene3DBuffer* TGLFogEnvironment::SceneBuffer() const { return dynamic_cast<TScene3DBuffer*>(Owner()); }

void TGLFogEnvironment::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TGLFogEnvironment*>(Source);
  if (!src) {
    TGLUpdateAbleObject::Assign(Source);
    return;
  }
  BeginUpdate();
  FFogColor->SetColor(src->FFogColor->Color());
  EndUpdate();
  FFogStart = src->FFogStart;
  FFogEnd = src->FFogEnd;
  FFogMode = src->FFogMode;
  FFogDistance = src->FFogDistance;
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogColor(TGLColor* Value) {
  if (!Value) return;
  FFogColor->Assign(Value);
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogStart(float Value) {
  if (Value == FFogStart) return;
  FFogStart = Value;
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogEnd(float Value) {
  if (Value == FFogEnd) return;
  FFogEnd = Value;
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogMode(TFogMode Value) {
  if (Value == FFogMode) return;
  FFogMode = Value;
  NotifyChange(this);
}

void TGLFogEnvironment::SetFogDistance(TFogDistance Value) {
  if (Value == FFogDistance) return;
  FFogDistance = Value;
  NotifyChange(this);
}

bool TGLFogEnvironment::IsAtDefaultValues() const {
  return VectorEquals(FFogColor->Color(), TVector{0.0f, 0.0f, 0.0f, 1.0f}) && FFogStart == 10.0f &&
         FFogEnd == 1000.0f && FFogMode == TFogMode::fmLinear && FFogDistance == TFogDistance::fdDefault;
}

void TGLFogEnvironment::ApplyFog() {
  TScene3DBuffer* buffer = SceneBuffer();
  if (!buffer || !buffer->RenderingContext()) return;
  TGLContext* rc = buffer->RenderingContext();
  const bool activate = !rc->Active();
  if (activate) rc->Activate();
  struct TLeave {
    TGLContext* C;
    ~TLeave() {
      if (C) C->Deactivate();
    }
  } leave{activate ? rc : nullptr};
  switch (FFogMode) {
    case TFogMode::fmLinear: glFogi(GL_FOG_MODE, GL_LINEAR); break;
    case TFogMode::fmExp:
      glFogi(GL_FOG_MODE, GL_EXP);
      glFogf(GL_FOG_DENSITY, FFogColor->Alpha());
      break;
    case TFogMode::fmExp2:
      glFogi(GL_FOG_MODE, GL_EXP2);
      glFogf(GL_FOG_DENSITY, FFogColor->Alpha());
      break;
  }
  glFogfv(GL_FOG_COLOR, FFogColor->AsAddress());
  glFogf(GL_FOG_START, FFogStart);
  glFogf(GL_FOG_END, FFogEnd);
  if (GL.NV_fog_distance) {
    // The driver's own mode, read before any fog of the library sets one.
    if (!vDefaultFogDistanceModeRead) {
      glGetIntegerv(GL_FOG_DISTANCE_MODE_NV, &vDefaultFogDistanceMode);
      vDefaultFogDistanceModeRead = true;
    }
    switch (FFogDistance) {
      case TFogDistance::fdDefault:
        glFogi(GL_FOG_DISTANCE_MODE_NV, vDefaultFogDistanceMode);
        break;
      case TFogDistance::fdEyeRadial: glFogi(GL_FOG_DISTANCE_MODE_NV, GL_EYE_RADIAL_NV); break;
      case TFogDistance::fdEyePlane: glFogi(GL_FOG_DISTANCE_MODE_NV, GL_EYE_PLANE); break;
      default: Assert(false, "", UnitName, 1942);
    }
  }
}
