// Custom scene objects: with and without material, camera-invariant, direct
// rendering, render points and proxies.
#include <algorithm>

#include "scene3d/Base/XOpenGL.h"
#include "scene3d/Scene3D.h"

namespace {
const char* const UnitName = "scene3d\\Scene3D";
const char* const ProxyOptionNames[] = {"pooEffects", "pooObjects", "pooTransformation"};
}  // namespace

IMPLEMENT_CLASSINFO(TGLCustomSceneObject, TGLBaseSceneObject)
IMPLEMENT_CLASSINFO(TScene3DObject, TGLCustomSceneObject)
IMPLEMENT_CLASSINFO(TGLImmaterialSceneObject, TGLCustomSceneObject)
IMPLEMENT_CLASSINFO(TGLCameraInvariantObject, TGLImmaterialSceneObject)
IMPLEMENT_CLASSINFO(TGLDirectOpenGL, TGLImmaterialSceneObject)
IMPLEMENT_CLASSINFO(TGLRenderPoint, TGLImmaterialSceneObject)

// ---- TGLCustomSceneObject -----------------------------------------------------------------

TGLCustomSceneObject::TGLCustomSceneObject(TComponent* AOwner)
    : TGLBaseSceneObject(AOwner), FMaterial(std::make_unique<TGLMaterial>(this)) {}

TGLCustomSceneObject::~TGLCustomSceneObject() = default;

void TGLCustomSceneObject::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLCustomSceneObject*>(Source)) {
    FMaterial->Assign(src->FMaterial.get());
    Hint = src->Hint;
  }
  TGLBaseSceneObject::Assign(Source);
}

bool TGLCustomSceneObject::Blended() { return FMaterial->Blended(); }

void TGLCustomSceneObject::Loaded() {
  TGLBaseSceneObject::Loaded();
  FMaterial->Loaded();
}

void TGLCustomSceneObject::SetMaterial(TGLMaterial* Value) {
  FMaterial->Assign(Value);
  NotifyChange(this);
}

void TGLCustomSceneObject::DestroyHandle() {
  TGLBaseSceneObject::DestroyHandle();
  FMaterial->DestroyHandles();
}

void TGLCustomSceneObject::DrawSelf(TRenderContextInfo& rci) {
  if (ObjectStyle.Contains(TGLObjectStyle::osDirectDraw) || rci.amalgamating) BuildList(rci);
  else glCallList(GetHandle(rci));
}

void TGLCustomSceneObject::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf) {
    if (Scene()) Scene()->CurrentRenderedObject = this;
    if (!rci.ignoreMaterials) {
      FMaterial->Apply(rci);
      do DrawSelf(rci);
      while (FMaterial->UnApply(rci));
    } else {
      DrawSelf(rci);
    }
  }
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TScene3DObject::DefineProperties(TFiler* Filer) {
  TGLCustomSceneObject::DefineProperties(Filer);
  DefineSceneObjectProperties(Filer);
  if (auto* f = dynamic_cast<TGLObjectFiler*>(Filer)) f->DefinePersistent("Material", Material());
}

// ---- TGLImmaterialSceneObject ---------------------------------------------------------------

void TGLImmaterialSceneObject::DefineProperties(TFiler* Filer) {
  TGLCustomSceneObject::DefineProperties(Filer);
  DefineSceneObjectProperties(Filer);
  if (auto* f = dynamic_cast<TGLObjectFiler*>(Filer))
    f->DefineValue(
        "Hint", [this](TVirtualReader& R) { Hint = R.ReadString(); },
        [this](TVirtualWriter& W) { W.WriteString(Hint); }, !Hint.empty());
}

void TGLImmaterialSceneObject::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf) DrawSelf(rci);
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

// ---- TGLCameraInvariantObject ------------------------------------------------------------------

void TGLCameraInvariantObject::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLCameraInvariantObject*>(Source)) FCamInvarianceMode = src->FCamInvarianceMode;
  TGLImmaterialSceneObject::Assign(Source);
}

void TGLCameraInvariantObject::SetCamInvarianceMode(TGLCameraInvarianceMode Value) {
  if (Value == FCamInvarianceMode) return;
  FCamInvarianceMode = Value;
  NotifyChange(this);
}

void TGLCameraInvariantObject::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (FCamInvarianceMode == TGLCameraInvarianceMode::cimNone) {
    TGLImmaterialSceneObject::DoRender(rci, renderSelf, renderChildren);
    return;
  }
  TGLPushedMatrix push;
  switch (FCamInvarianceMode) {
    case TGLCameraInvarianceMode::cimPosition:
      glLoadMatrixf(rci.modelViewMatrix ? (*rci.modelViewMatrix)[0].data() : IdentityHmgMatrix[0].data());
      glTranslatef(rci.cameraPosition[0], rci.cameraPosition[1], rci.cameraPosition[2]);
      break;
    case TGLCameraInvarianceMode::cimOrientation:
      glLoadIdentity();
      glScalef(1, -1, -1);
      break;
    default:
      Assert(false, "", UnitName, 5127);
  }
  glMultMatrixf(LocalMatrix()[0].data());
  TMatrix modelView;
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView[0].data());
  if (rci.buffer) rci.buffer->PushModelViewMatrix(modelView);
  try {
    if (renderSelf) DrawSelf(rci);
    if (renderChildren) RenderChildren(0, Count() - 1, rci);
  } catch (...) {
    if (rci.buffer) rci.buffer->PopModelViewMatrix();
    throw;
  }
  if (rci.buffer) rci.buffer->PopModelViewMatrix();
}

// ---- TGLDirectOpenGL -------------------------------------------------------------------------

TGLDirectOpenGL::TGLDirectOpenGL(TComponent* AOwner) : TGLImmaterialSceneObject(AOwner) {
  ObjectStyle.Include(TGLObjectStyle::osDirectDraw).Include(TGLObjectStyle::osAltersColorsOrWinding);
}

void TGLDirectOpenGL::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLDirectOpenGL*>(Source)) {
    SetUseBuildList(src->FUseBuildList);
    OnRender = src->OnRender;
    OnProgress = src->OnProgress;
    FBlend = src->FBlend;
  }
  TGLImmaterialSceneObject::Assign(Source);
}

void TGLDirectOpenGL::DefineProperties(TFiler* Filer) {
  TGLImmaterialSceneObject::DefineProperties(Filer);
  if (auto* f = dynamic_cast<TGLObjectFiler*>(Filer)) {
    f->DefineValue(
        "UseBuildList", [this](TVirtualReader& R) { SetUseBuildList(R.ReadBoolean()); },
        [this](TVirtualWriter& W) { W.WriteBoolean(FUseBuildList); }, FUseBuildList);
    f->DefineValue(
        "Blend", [this](TVirtualReader& R) { SetBlend(R.ReadBoolean()); },
        [this](TVirtualWriter& W) { W.WriteBoolean(FBlend); }, FBlend);
  }
}

void TGLDirectOpenGL::BuildList(TRenderContextInfo& rci) {
  if (!OnRender) return;
  xglMapTexCoordToMain();
  OnRender(this, rci);
}

void TGLDirectOpenGL::SetUseBuildList(bool Value) {
  if (Value == FUseBuildList) return;
  FUseBuildList = Value;
  if (Value) ObjectStyle.Exclude(TGLObjectStyle::osDirectDraw);
  else ObjectStyle.Include(TGLObjectStyle::osDirectDraw);
}

void TGLDirectOpenGL::SetBlend(bool Value) {
  if (Value == FBlend) return;
  FBlend = Value;
  StructureChanged();
}

// ---- TGLRenderPoint -----------------------------------------------------------------------------

TGLRenderPoint::TGLRenderPoint(TComponent* AOwner) : TGLImmaterialSceneObject(AOwner) {
  ObjectStyle.Include(TGLObjectStyle::osDirectDraw).Include(TGLObjectStyle::osAltersColorsOrWinding);
}

TGLRenderPoint::~TGLRenderPoint() { Clear(); }

void TGLRenderPoint::BuildList(TRenderContextInfo& rci) {
  for (size_t i = 0; i < FCallBacks.size(); ++i)
    if (FCallBacks[i].RenderEvent) FCallBacks[i].RenderEvent(this, rci);
}

int TGLRenderPoint::RegisterCallBack(TDirectRenderEvent RenderEvent, TNotifyEvent RenderPointFreed) {
  FCallBacks.push_back({FNextId, std::move(RenderEvent), std::move(RenderPointFreed)});
  return FNextId++;
}

void TGLRenderPoint::UnRegisterCallBack(int Id) {
  std::erase_if(FCallBacks, [Id](const TCallBack& C) { return C.Id == Id; });
}

void TGLRenderPoint::Clear() {
  while (!FCallBacks.empty()) {
    TNotifyEvent freed = FCallBacks.back().Freed;
    if (freed) freed(this);
    FCallBacks.pop_back();
  }
}

IMPLEMENT_CLASSINFO(TGLProxyObject, TGLBaseSceneObject)

// ---- TGLProxyObject -------------------------------------------------------------------------------

TGLProxyObject::TGLProxyObject(TComponent* AOwner) : TGLBaseSceneObject(AOwner) {
  ObjectStyle.Include(TGLObjectStyle::osAltersColorsOrWinding);
}

TGLProxyObject::~TGLProxyObject() { SetMasterObject(nullptr); }

void TGLProxyObject::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLProxyObject*>(Source)) SetMasterObject(src->FMasterObject);
  TGLBaseSceneObject::Assign(Source);
}

void TGLProxyObject::DefineProperties(TFiler* Filer) {
  TGLBaseSceneObject::DefineProperties(Filer);
  DefineSceneObjectProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineReference(
      "MasterObject", [this](TComponent* C) { SetMasterObject(dynamic_cast<TGLBaseSceneObject*>(C)); },
      FMasterObject);
  const TGLProxyObjectOptions all{TGLProxyObjectOption::pooEffects, TGLProxyObjectOption::pooObjects,
                                  TGLProxyObjectOption::pooTransformation};
  f->DefineValue(
      "ProxyOptions",
      [this](TVirtualReader& R) {
        TGLProxyObjectOptions options;
        R.ReadListBegin();
        while (!R.EndOfList()) {
          const std::string name = R.ReadString();
          auto it = std::find(std::begin(ProxyOptionNames), std::end(ProxyOptionNames), name);
          if (it == std::end(ProxyOptionNames)) throw EReadError("Invalid property value " + name);
          options.Include(static_cast<TGLProxyObjectOption>(it - std::begin(ProxyOptionNames)));
        }
        R.ReadListEnd();
        SetProxyOptions(options);
      },
      [this](TVirtualWriter& W) {
        W.WriteListBegin();
        for (size_t i = 0; i < 3; ++i)
          if (FProxyOptions.Contains(static_cast<TGLProxyObjectOption>(i))) W.WriteString(ProxyOptionNames[i]);
        W.WriteListEnd();
      },
      !(FProxyOptions == all));
}

void TGLProxyObject::SetMasterObject(TGLBaseSceneObject* Value) {
  if (Value == FMasterObject) return;
  if (FMasterObject) FMasterObject->RemoveFreeNotification(this);
  FMasterObject = Value;
  if (FMasterObject) FMasterObject->FreeNotification(this);
  StructureChanged();
}

void TGLProxyObject::SetProxyOptions(TGLProxyObjectOptions Value) {
  if (Value == FProxyOptions) return;
  FProxyOptions = Value;
  StructureChanged();
}

void TGLProxyObject::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && AComponent == FMasterObject) SetMasterObject(nullptr);
  TGLBaseSceneObject::Notification(AComponent, Operation);
}

void TGLProxyObject::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (FRendering) return;   // reached again through its own master
  FRendering = true;
  struct TClear {
    bool& Flag;
    ~TClear() { Flag = false; }
  } clear{FRendering};
  if (FMasterObject && FProxyOptions.Contains(TGLProxyObjectOption::pooObjects)) {
    const bool savedSubObject = rci.proxySubObject;
    rci.proxySubObject = true;
    {
      // The master's own placement stays with the master's drawing, not with our children.
      TGLPushedMatrix push;
      if (FProxyOptions.Contains(TGLProxyObjectOption::pooTransformation))
        glMultMatrixf(FMasterObject->LocalMatrix()[0].data());
      FMasterObject->DoRender(rci, renderSelf, FMasterObject->Count() > 0);
    }
    rci.proxySubObject = savedSubObject;
  }
  if (renderChildren && Count() > 0) RenderChildren(0, Count() - 1, rci);
  if (FMasterObject && FProxyOptions.Contains(TGLProxyObjectOption::pooEffects) && FMasterObject->HasEffects())
    FMasterObject->Effects()->RenderPostEffects(Scene() ? Scene()->CurrentBuffer : nullptr, rci);
}

TVector TGLProxyObject::AxisAlignedDimensionsUnscaled() {
  return FMasterObject ? FMasterObject->AxisAlignedDimensionsUnscaled()
                       : TGLBaseSceneObject::AxisAlignedDimensionsUnscaled();
}

bool TGLProxyObject::RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint,
                                      TVector* intersectNormal) {
  if (!FMasterObject) return false;
  // Into our local space, then out of the master's.
  TVector localStart = FMasterObject->LocalToAbsolute(AbsoluteToLocal(rayStart));
  TVector localVector = FMasterObject->LocalToAbsolute(AbsoluteToLocal(rayVector));
  NormalizeVector(localVector);
  if (!FMasterObject->RayCastIntersect(localStart, localVector, intersectPoint, intersectNormal)) return false;
  if (intersectPoint) *intersectPoint = LocalToAbsolute(FMasterObject->AbsoluteToLocal(*intersectPoint));
  if (intersectNormal) *intersectNormal = LocalToAbsolute(FMasterObject->AbsoluteToLocal(*intersectNormal));
  return true;
}

std::unique_ptr<TGLSilhouette> TGLProxyObject::GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) {
  return FMasterObject ? FMasterObject->GenerateSilhouette(silhouetteParameters) : nullptr;
}
