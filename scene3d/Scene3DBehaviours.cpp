// Behaviours and effects of scene objects.
#include "scene3d/Scene3D.h"

namespace {
const char* const UnitName = "scene3d\\Scene3D";
}  // namespace

TNotifyEvent vGLBehaviourNameChangeEvent;

IMPLEMENT_CLASSINFO(TGLBaseBehaviour, TXCollectionItem)
IMPLEMENT_CLASSINFO(TGLBehaviour, TGLBaseBehaviour)
IMPLEMENT_XCOLLECTIONITEM(TGLBehaviour)
IMPLEMENT_CLASSINFO(TGLObjectEffect, TGLBaseBehaviour)
IMPLEMENT_XCOLLECTIONITEM(TGLObjectEffect)
IMPLEMENT_CLASSINFO(TGLObjectPreEffect, TGLObjectEffect)
IMPLEMENT_XCOLLECTIONITEM(TGLObjectPreEffect)
IMPLEMENT_CLASSINFO(TGLObjectPostEffect, TGLObjectEffect)
IMPLEMENT_XCOLLECTIONITEM(TGLObjectPostEffect)
IMPLEMENT_CLASSINFO(TGLObjectAfterEffect, TGLObjectEffect)
IMPLEMENT_XCOLLECTIONITEM(TGLObjectAfterEffect)
IMPLEMENT_CLASSINFO(TGLBehaviours, TXCollection)
IMPLEMENT_CLASSINFO(TGLObjectEffects, TXCollection)

// ---- Items ----------------------------------------------------------------------------------

void TGLBaseBehaviour::SetName(const std::string& Value) {
  TXCollectionItem::SetName(Value);
  if (vGLBehaviourNameChangeEvent) vGLBehaviourNameChangeEvent(this);
}

void TGLBaseBehaviour::WriteToFiler(TVirtualWriter* Writer) {
  TXCollectionItem::WriteToFiler(Writer);
  Writer->WriteInteger(0);   // archive version
}

void TGLBaseBehaviour::ReadFromFiler(TVirtualReader* Reader) {
  TXCollectionItem::ReadFromFiler(Reader);
  Assert(Reader->ReadInteger() == 0, "", UnitName, 7533);
}

TGLBaseSceneObject* TGLBaseBehaviour::OwnerBaseSceneObject() const {
  return Owner() ? dynamic_cast<TGLBaseSceneObject*>(Owner()->Owner()) : nullptr;
}

void TGLObjectEffect::WriteToFiler(TVirtualWriter* Writer) {
  TGLBaseBehaviour::WriteToFiler(Writer);
  Writer->WriteInteger(0);   // archive version
}

void TGLObjectEffect::ReadFromFiler(TVirtualReader* Reader) {
  TGLBaseBehaviour::ReadFromFiler(Reader);
  Assert(Reader->ReadInteger() == 0, "", UnitName, 7622);
}

// ---- Collections -----------------------------------------------------------------------------

namespace {
TPersistent* CheckedSceneObjectOwner(TPersistent* AOwner) {
  Assert(dynamic_cast<TGLBaseSceneObject*>(AOwner) != nullptr, "", UnitName, 7577);
  return AOwner;
}

std::string CollectionPath(const TXCollection& Collection, const char* Suffix) {
  const std::string owner = Collection.Owner()->GetNamePath();
  return owner.empty() ? Collection.ClassName() : owner + Suffix;
}
}  // namespace

TGLBehaviours::TGLBehaviours(TPersistent* AOwner) : TXCollection(CheckedSceneObjectOwner(AOwner)) {}

bool TGLBehaviours::CanAdd(const TXCollectionItemClass* AClass) const {
  return !AClass->Class->InheritsFrom(TGLObjectEffect::StaticClass()) && TXCollection::CanAdd(AClass);
}

std::string TGLBehaviours::GetNamePath() const { return CollectionPath(*this, ".Behaviours"); }

void TGLBehaviours::DoProgress(const TProgressTimes& progressTimes) {
  for (int i = 0; i < Count(); ++i) Behaviour(i)->DoProgress(progressTimes);
}

TGLObjectEffects::TGLObjectEffects(TPersistent* AOwner) : TXCollection(CheckedSceneObjectOwner(AOwner)) {}

bool TGLObjectEffects::CanAdd(const TXCollectionItemClass* AClass) const {
  return AClass->Class->InheritsFrom(TGLObjectEffect::StaticClass()) && TXCollection::CanAdd(AClass);
}

std::string TGLObjectEffects::GetNamePath() const { return CollectionPath(*this, ".Effects"); }

void TGLObjectEffects::DoProgress(const TProgressTimes& progressTimes) {
  for (int i = 0; i < Count(); ++i) ObjectEffect(i)->DoProgress(progressTimes);
}

void TGLObjectEffects::RenderPreEffects(TScene3DBuffer* sceneBuffer, TRenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i)
    if (auto* e = dynamic_cast<TGLObjectPreEffect*>(ObjectEffect(i))) e->Render(sceneBuffer, rci);
}

void TGLObjectEffects::RenderPostEffects(TScene3DBuffer* sceneBuffer, TRenderContextInfo& rci) {
  for (int i = 0; i < Count(); ++i) {
    TGLObjectEffect* e = ObjectEffect(i);
    if (auto* post = dynamic_cast<TGLObjectPostEffect*>(e)) post->Render(sceneBuffer, rci);
    else if (auto* after = dynamic_cast<TGLObjectAfterEffect*>(e); after && sceneBuffer)
      sceneBuffer->AfterEffects.push_back(after);
  }
}
