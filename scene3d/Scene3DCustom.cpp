// Custom scene objects: with and without material, camera-invariant, direct
// rendering, render points and proxies.
#include <algorithm>

#include "scene3d/Scene3D.h"

namespace {
const char* const ProxyOptionNames[] = {"pooEffects", "pooObjects", "pooTransformation"};
}  // namespace

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
