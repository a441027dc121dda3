// Scene objects: the tree, placement, cached matrices and change signals.
#include <algorithm>
#include <cmath>

#include "scene3d/Scene3D.h"

namespace {
const char* const UnitName = "scene3d\\Scene3D";

// Stored angles stay in [-180, 180): 180 is kept as -180.
float StoredAngle(float Degrees) {
  const float a = NormalizeDegAngle(Degrees);
  return a >= 180.0f ? a - 360.0f : a;
}

TAffineVector Affine(const TVector& v) { return {v[0], v[1], v[2]}; }
TVector AsVector(const TAffineVector& v) { return {v[0], v[1], v[2], 0.0f}; }

bool IsCamera(const TObject* Object) {
  for (TClass c = Object->ClassType(); c; c = c->Parent)
    if (std::string(c->Name) == "TGLCamera") return true;
  return false;
}
}  // namespace

TNotifyEvent vGLBaseSceneObjectNameChangeEvent;

IMPLEMENT_CLASSINFO(TGLBaseSceneObject, TGLCoordinatesUpdateAbleComponent)
IMPLEMENT_CLASSINFO(TScene3DRootObject, TGLBaseSceneObject)

// ---- Life cycle ---------------------------------------------------------------------------

TGLBaseSceneObject::TGLBaseSceneObject(TComponent* AOwner)
    : TGLCoordinatesUpdateAbleComponent(AOwner),
      FLocalMatrix(IdentityHmgMatrix),
      FPosition(std::make_unique<TGLCoordinates>(this, NullHmgPoint, TGLCoordinatesStyle::csPoint)),
      FDirection(std::make_unique<TGLCoordinates>(this, ZHmgVector, TGLCoordinatesStyle::csVector)),
      FUp(std::make_unique<TGLCoordinates>(this, YHmgVector, TGLCoordinatesStyle::csVector)),
      FScaling(std::make_unique<TGLCoordinates>(this, TVector{1, 1, 1, 0}, TGLCoordinatesStyle::csVector)),
      FChanges{TGLObjectChange::ocTransformation, TGLObjectChange::ocAbsoluteMatrix,
               TGLObjectChange::ocInvAbsoluteMatrix, TGLObjectChange::ocStructure},
      FRotation(std::make_unique<TGLCoordinates>(this, NullHmgVector, TGLCoordinatesStyle::csVector)) {}

TGLBaseSceneObject::~TGLBaseSceneObject() {
  DeleteChildCameras();
  FAbsoluteMatrices.reset();
  FGLBehaviours.reset();
  FGLObjectEffects.reset();
  FListHandle.reset();
  if (FParent) FParent->Detach(this, false);
  DeleteChildren();
}

void TGLBaseSceneObject::DeleteChildCameras() {
  for (int i = Count() - 1; i >= 0; --i) {
    if (i >= Count()) continue;
    TGLBaseSceneObject* child = FChildren[static_cast<size_t>(i)];
    if (IsCamera(child)) {
      Detach(child, false);
      delete child;
    } else {
      child->DeleteChildCameras();
    }
  }
}

void TGLBaseSceneObject::DeleteChildren() {
  DeleteChildCameras();
  if (FScene)
    for (TGLBaseSceneObject* child : FChildren) FScene->RemoveLights(child);
  while (!FChildren.empty()) {
    TGLBaseSceneObject* child = FChildren.back();
    FChildren.pop_back();
    child->FParent = nullptr;
    delete child;
  }
}

// ---- Hierarchy ------------------------------------------------------------------------------

TGLBaseSceneObject* TGLBaseSceneObject::Children(int Index) const {
  if (Index < 0 || Index >= Count()) return nullptr;
  return FChildren[static_cast<size_t>(Index)];
}

int TGLBaseSceneObject::Index() const {
  if (!FParent) return -1;
  auto& list = FParent->FChildren;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TGLBaseSceneObject::SetIndex(int Value) {
  if (!FParent) return;
  const int n = FParent->Count();
  Value = std::clamp(Value, 0, n - 1);
  const int old = Index();
  if (Value == old) return;
  if (FScene) FScene->BeginUpdate();
  auto& list = FParent->FChildren;
  list.erase(list.begin() + old);
  list.insert(list.begin() + Value, this);
  TransformationChanged();
  FParent->NotifyChange(FParent);
  if (FScene) FScene->EndUpdate();
}

TScene3DRootObject* TGLBaseSceneObject::RootObject() const {
  const TGLBaseSceneObject* o = this;
  while (o->FParent) o = o->FParent;
  return dynamic_cast<TScene3DRootObject*>(const_cast<TGLBaseSceneObject*>(o));
}

void TGLBaseSceneObject::SetScene(TScene3D* Value) {
  if (Value == FScene) return;
  if (FScene) DestroyHandles();
  FScene = Value;
  for (TGLBaseSceneObject* child : FChildren) child->SetScene(Value);
}

void TGLBaseSceneObject::DestroyHandle() {
  if (FListHandle) FListHandle->DestroyHandle();
}

void TGLBaseSceneObject::DestroyHandles() {
  for (TGLBaseSceneObject* child : FChildren) child->DestroyHandles();
  DestroyHandle();
}

TGLBaseSceneObject* TGLBaseSceneObject::AddNewChild(TGLSceneObjectClass AChild) {
  std::unique_ptr<TObject> made = CreateObjectOfClass(AChild);
  auto* child = dynamic_cast<TGLBaseSceneObject*>(made.get());
  if (!child) throw EInvalidCast(std::string(AChild->Name) + " is not a registered scene object class");
  made.release();
  if (Owner()) Owner()->InsertComponent(child);
  AddChild(child);
  return child;
}

TGLBaseSceneObject* TGLBaseSceneObject::AddNewChildFirst(TGLSceneObjectClass AChild) {
  TGLBaseSceneObject* child = AddNewChild(AChild);
  Insert(0, child);
  return child;
}

void TGLBaseSceneObject::AddChild(TGLBaseSceneObject* AChild) {
  if (AChild->FParent) AChild->FParent->Detach(AChild, false);   // one parent at a time
  if (FScene) FScene->AddLights(AChild);
  FChildren.push_back(AChild);
  AChild->FParent = this;
  AChild->SetScene(FScene);
  TransformationChanged();
  AChild->TransformationChanged();
}

void TGLBaseSceneObject::Insert(int AIndex, TGLBaseSceneObject* AChild) {
  // A bad index leaves the child where it was.
  const int count = Count() - (AChild->FParent == this ? 1 : 0);
  if (AIndex < 0 || AIndex > count) throw EListError(Format("List index out of bounds (%d)", AIndex));
  if (AChild->FParent) AChild->FParent->Detach(AChild, false);
  FChildren.insert(FChildren.begin() + AIndex, AChild);
  AChild->FParent = this;
  if (AChild->FScene != FScene) AChild->DestroyHandles();
  AChild->SetScene(FScene);
  if (FScene) FScene->AddLights(AChild);
  AChild->TransformationChanged();
}

void TGLBaseSceneObject::Remove(TGLBaseSceneObject* AChild, bool keepChildren) {
  // What leaves the tree leaves the scene: it may outlive it.
  if (Detach(AChild, keepChildren)) AChild->SetScene(nullptr);
}

bool TGLBaseSceneObject::Detach(TGLBaseSceneObject* AChild, bool keepChildren) {
  auto it = std::find(FChildren.begin(), FChildren.end(), AChild);
  if (it == FChildren.end()) return false;
  if (FScene) FScene->RemoveLights(AChild);
  if (AChild->Owner() == this) RemoveComponent(AChild);
  FChildren.erase(it);
  AChild->FParent = nullptr;
  if (keepChildren) {
    BeginUpdate();
    while (AChild->Count() > 0) AChild->FChildren.front()->MoveTo(this);
    EndUpdate();
  } else {
    NotifyChange(this);
  }
  return true;
}

void TGLBaseSceneObject::MoveTo(TGLBaseSceneObject* newParent) {
  if (FParent) FParent->Detach(this, false);
  if (newParent) newParent->AddChild(this);
  else SetScene(nullptr);
}

void TGLBaseSceneObject::GetChildren(const std::function<void(TComponent*)>& Proc) const {
  for (TGLBaseSceneObject* child : FChildren) Proc(child);
}

void TGLBaseSceneObject::SetParentComponent(TComponent* Value) {
  if (FParent) FParent->Detach(this, false);
  if (auto* scene = dynamic_cast<TScene3D*>(Value)) {
    if (IsCamera(this)) scene->Cameras()->AddChild(this);
    else scene->Objects()->AddChild(this);
  } else if (auto* parent = dynamic_cast<TGLBaseSceneObject*>(Value)) {
    parent->AddChild(this);
  } else {
    SetScene(nullptr);
  }
}

TComponent* TGLBaseSceneObject::GetParentComponent() const { return FParent; }

void TGLBaseSceneObject::SetName(const std::string& Value) {
  if (Value == Name) return;
  Name = Value;
  if (vGLBaseSceneObjectNameChangeEvent) vGLBaseSceneObjectNameChangeEvent(this);
}

// ---- Change signalling ------------------------------------------------------------------------

bool TGLBaseSceneObject::IsUpdating() const {
  return FUpdateCount > 0 || ComponentState.Contains(TComponentStateItem::csLoading) ||
         ComponentState.Contains(TComponentStateItem::csReading);
}

void TGLBaseSceneObject::NotifyChange(TObject* Sender) {
  (void)Sender;
  if (FScene && !IsUpdating()) FScene->NotifyChange(this);
}

void TGLBaseSceneObject::EndUpdate() {
  Assert(FUpdateCount > 0, "Unbalanced Begin/EndUpdate", UnitName, 4081);
  if (--FUpdateCount == 0) NotifyChange(this);
}

void TGLBaseSceneObject::MarkAbsoluteMatricesStale() {
  FChanges.Include(TGLObjectChange::ocAbsoluteMatrix).Include(TGLObjectChange::ocInvAbsoluteMatrix);
  for (TGLBaseSceneObject* child : FChildren) {
    const TGLObjectChanges c = child->FChanges;
    if (c.Contains(TGLObjectChange::ocAbsoluteMatrix) && c.Contains(TGLObjectChange::ocInvAbsoluteMatrix)) continue;
    child->MarkAbsoluteMatricesStale();
  }
}

void TGLBaseSceneObject::TransformationChanged() {
  if (FChanges.Contains(TGLObjectChange::ocTransformation)) return;
  FChanges.Include(TGLObjectChange::ocTransformation);
  MarkAbsoluteMatricesStale();
  if (!IsLoading()) NotifyChange(this);
}

void TGLBaseSceneObject::StructureChanged() {
  if (!FChanges.Contains(TGLObjectChange::ocStructure)) {
    FChanges.Include(TGLObjectChange::ocStructure);
    NotifyChange(this);
  } else if (ObjectStyle.Contains(TGLObjectStyle::osDirectDraw)) {
    NotifyChange(this);
  }
}

void TGLBaseSceneObject::DoProgress(const TProgressTimes& progressTime) {
  for (int i = Count() - 1; i >= 0; --i)
    if (i < Count()) FChildren[static_cast<size_t>(i)]->DoProgress(progressTime);
  if (FGLBehaviours) FGLBehaviours->DoProgress(progressTime);
  if (FGLObjectEffects) FGLObjectEffects->DoProgress(progressTime);
  if (OnProgress) OnProgress(this, progressTime.deltaTime, progressTime.newTime);
}

void TGLBaseSceneObject::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  NotifyChange(this);
}

void TGLBaseSceneObject::SetShowAxes(bool Value) {
  if (Value == FShowAxes) return;
  FShowAxes = Value;
  NotifyChange(this);
}

void TGLBaseSceneObject::SetObjectsSorting(TGLObjectsSorting Value) {
  if (Value == FObjectsSorting) return;
  FObjectsSorting = Value;
  NotifyChange(this);
}

void TGLBaseSceneObject::SetVisibilityCulling(TGLVisibilityCulling Value) {
  if (Value == FVisibilityCulling) return;
  FVisibilityCulling = Value;
  NotifyChange(this);
}

// ---- Placement -----------------------------------------------------------------------------------

void TGLBaseSceneObject::SetScale(TGLCoordinates* Value) {
  FScaling->Assign(Value);
  TransformationChanged();
}

void TGLBaseSceneObject::CoordinateChanged(TGLCoordinates* Sender) {
  if (FIsCalculating) return;
  FIsCalculating = true;
  // Right vector of the frame, falling back when the two vectors are parallel.
  auto rightOf = [](const TAffineVector& dir, const TAffineVector& up) {
    TAffineVector right = VectorCrossProduct(dir, up);
    if (VectorLength(right) < 1e-5f) {
      right = VectorCrossProduct(ZVector, up);
      if (VectorLength(right) < 1e-5f) right = VectorCrossProduct(XVector, up);
    }
    return right;
  };
  if (Sender == FDirection.get()) {
    if (FDirection->VectorLength() == 0.0f) FDirection->SetDirectVector(ZHmgVector);
    FDirection->SetDirectVector(VectorNormalize(FDirection->AsVector()));
    const TAffineVector dir = FDirection->AsAffineVector();
    const TAffineVector right = rightOf(dir, FUp->AsAffineVector());
    FUp->SetDirectVector(AsVector(VectorNormalize(VectorCrossProduct(right, dir))));
  } else if (Sender == FUp.get()) {
    if (FUp->VectorLength() == 0.0f) FUp->SetDirectVector(YHmgVector);
    FUp->SetDirectVector(VectorNormalize(FUp->AsVector()));
    const TAffineVector up = FUp->AsAffineVector();
    const TAffineVector right = rightOf(FDirection->AsAffineVector(), up);
    FDirection->SetDirectVector(AsVector(VectorNormalize(VectorCrossProduct(up, right))));
  } else if (Sender == FRotation.get()) {
    ResetAndPitchTurnRoll(FRotation->X(), FRotation->Y(), FRotation->Z());
  }
  TransformationChanged();
  FIsCalculating = false;
}

void TGLBaseSceneObject::TurnAxis(int Axis, float Value) {
  TVector rotation = FRotation->AsVector();
  if (rotation[static_cast<size_t>(Axis)] == Value) return;
  if (!IsLoading()) {
    FIsCalculating = true;
    const float angle = DegToRad(rotation[static_cast<size_t>(Axis)] - Value);
    const TAffineVector dir = FDirection->AsAffineVector(), up = FUp->AsAffineVector();
    const TAffineVector axis = Axis == 0 ? VectorCrossProduct(dir, up) : Axis == 1 ? up : dir;
    const TMatrix turn = CreateRotationMatrix(axis, angle);
    FUp->SetAsVector(VectorNormalize(VectorTransform(FUp->AsVector(), turn)));
    FDirection->SetAsVector(VectorNormalize(VectorTransform(FDirection->AsVector(), turn)));
    TransformationChanged();
    FIsCalculating = false;
  }
  rotation[static_cast<size_t>(Axis)] = StoredAngle(Value);
  FRotation->SetDirectVector(rotation);
}

void TGLBaseSceneObject::SetPitchAngle(float Value) { TurnAxis(0, Value); }
void TGLBaseSceneObject::SetTurnAngle(float Value) { TurnAxis(1, Value); }
void TGLBaseSceneObject::SetRollAngle(float Value) { TurnAxis(2, Value); }

void TGLBaseSceneObject::ResetRotations() {
  const TVector s = FScaling->AsVector();
  FLocalMatrix = CreateScaleAndTranslationMatrix({s[0], s[1], s[2], 1.0f}, FPosition->AsVector());
  FRotation->SetDirectVector(NullHmgVector);
  FDirection->SetDirectVector(ZHmgVector);
  FUp->SetDirectVector(YHmgVector);
  TransformationChanged();
  FChanges.Exclude(TGLObjectChange::ocTransformation);
}

void TGLBaseSceneObject::ResetAndPitchTurnRoll(float degX, float degY, float degZ) {
  ResetRotations();
  TVector rotation = NullHmgVector;
  auto turn = [this, &rotation](int Axis, float Degrees) {
    const TAffineVector dir = FDirection->AsAffineVector(), up = FUp->AsAffineVector();
    const TAffineVector axis = Axis == 0 ? VectorCrossProduct(dir, up) : Axis == 1 ? up : dir;
    TVector u = FUp->AsVector(), d = FDirection->AsVector();
    RotateVector(u, axis, DegToRad(Degrees));
    RotateVector(d, axis, DegToRad(Degrees));
    FUp->SetDirectVector(VectorNormalize(u));
    FDirection->SetDirectVector(VectorNormalize(d));
    rotation[static_cast<size_t>(Axis)] = StoredAngle(Degrees);
  };
  turn(0, degX);
  turn(1, degY);
  turn(2, degZ);
  FRotation->SetDirectVector(rotation);
  TransformationChanged();
  NotifyChange(this);
}

void TGLBaseSceneObject::RebuildMatrix() {
  // Row 0 is Up x Direction, so that the default frame (Direction +z, Up +y)
  // gives the identity and never mirrors the x axis.
  const TVector s = FScaling->AsVector();
  const TAffineVector xAxis = VectorCrossProduct(FUp->AsAffineVector(), FDirection->AsAffineVector());
  FLocalMatrix[0] = VectorScale(AsVector(xAxis), s[0]);
  FLocalMatrix[1] = VectorScale(FUp->AsVector(), s[1]);
  FLocalMatrix[2] = VectorScale(FDirection->AsVector(), s[2]);
  FLocalMatrix[0][3] = FLocalMatrix[1][3] = FLocalMatrix[2][3] = 0.0f;
  FLocalMatrix[3] = FPosition->AsVector();
  FChanges.Exclude(TGLObjectChange::ocTransformation);
  FChanges.Include(TGLObjectChange::ocAbsoluteMatrix).Include(TGLObjectChange::ocInvAbsoluteMatrix);
}

const TMatrix& TGLBaseSceneObject::LocalMatrix() {
  if (FChanges.Contains(TGLObjectChange::ocTransformation)) RebuildMatrix();
  return FLocalMatrix;
}

void TGLBaseSceneObject::SetMatrix(const TMatrix& Value) {
  FLocalMatrix = Value;
  FDirection->SetDirectVector(VectorNormalize(TVector{Value[2][0], Value[2][1], Value[2][2], 0.0f}));
  FUp->SetDirectVector(VectorNormalize(TVector{Value[1][0], Value[1][1], Value[1][2], 0.0f}));
  FScaling->SetDirectVector({VectorLength(Value[0]), VectorLength(Value[1]), VectorLength(Value[2]), 0.0f});
  FPosition->SetDirectVector({Value[3][0], Value[3][1], Value[3][2], 1.0f});
  TransformationChanged();
}

const TMatrix& TGLBaseSceneObject::AbsoluteMatrix() {
  if (FChanges.Contains(TGLObjectChange::ocAbsoluteMatrix) || !FAbsoluteMatrices) {
    const TMatrix& local = LocalMatrix();
    if (!FAbsoluteMatrices) FAbsoluteMatrices = std::make_unique<std::array<TMatrix, 2>>();
    if (FParent && !dynamic_cast<TScene3DRootObject*>(FParent))
      (*FAbsoluteMatrices)[0] = MatrixMultiply(local, FParent->AbsoluteMatrix());
    else
      (*FAbsoluteMatrices)[0] = local;
    FChanges.Exclude(TGLObjectChange::ocAbsoluteMatrix);
    FChanges.Include(TGLObjectChange::ocInvAbsoluteMatrix);
  }
  return (*FAbsoluteMatrices)[0];
}

const TMatrix& TGLBaseSceneObject::InvAbsoluteMatrix() {
  const TMatrix& absolute = AbsoluteMatrix();
  if (FChanges.Contains(TGLObjectChange::ocInvAbsoluteMatrix)) {
    TMatrix& inv = (*FAbsoluteMatrices)[1];
    const TVector s = FScaling->AsVector();
    if (s[0] != 1.0f || s[1] != 1.0f || s[2] != 1.0f) {
      inv = MatrixInvert(absolute);
    } else {
      AnglePreservingMatrixInvert(LocalMatrix(), inv);
      if (FParent && !dynamic_cast<TScene3DRootObject*>(FParent))
        inv = MatrixMultiply(FParent->InvAbsoluteMatrix(), inv);
    }
    FChanges.Exclude(TGLObjectChange::ocInvAbsoluteMatrix);
  }
  return (*FAbsoluteMatrices)[1];
}

TVector TGLBaseSceneObject::AbsoluteDirection() {
  const TMatrix& m = AbsoluteMatrix();
  return VectorNormalize(TVector{m[2][0], m[2][1], m[2][2], 0.0f});
}

TVector TGLBaseSceneObject::AbsoluteUp() {
  const TMatrix& m = AbsoluteMatrix();
  return VectorNormalize(TVector{m[1][0], m[1][1], m[1][2], 0.0f});
}

TVector TGLBaseSceneObject::AxisAlignedDimensions() {
  TVector d = AxisAlignedDimensionsUnscaled();
  const TVector s = FScaling->AsVector();
  for (int i = 0; i < 3; ++i) d[static_cast<size_t>(i)] *= s[static_cast<size_t>(i)];
  return d;
}

void TGLBaseSceneObject::MoveObjectAround(TGLBaseSceneObject* anObject, float pitchDelta, float turnDelta) {
  if (!anObject) return;
  const TVector ownPosition = AbsolutePosition();
  const TVector offset = VectorSubtract(ownPosition, anObject->AbsolutePosition());
  const float distance = VectorLength(offset);
  TVector dir = VectorNormalize(offset);
  const TVector up = AbsoluteUp();
  TAffineVector right = VectorCrossProduct(Affine(up), Affine(dir));
  if (VectorLength(right) < 0.001f) right = XVector;
  else NormalizeAffineVector(right);
  float pitchNow = ArcCos(VectorDotProduct(Affine(up), Affine(dir)));
  const float pi = 3.14159265358979f;
  pitchNow = ClampValue(pitchNow + DegToRad(pitchDelta), 0.025f, pi - 0.025f);
  dir = up;
  dir[3] = 0.0f;
  RotateVector(dir, right, -pitchNow);
  RotateVector(dir, Affine(up), -DegToRad(turnDelta));
  ScaleVector(dir, distance);
  TVector newPos = VectorAdd(ownPosition, VectorSubtract(dir, offset));
  newPos[3] = 1.0f;
  if (FParent) newPos = FParent->AbsoluteToLocal(newPos);
  FPosition->SetPoint(newPos[0], newPos[1], newPos[2]);
}

// ---- Component slots ------------------------------------------------------------------------

void TGLBaseSceneObject::Loaded() {
  TGLCoordinatesUpdateAbleComponent::Loaded();
  TVector p = FPosition->AsVector();
  p[3] = 1.0f;
  FPosition->SetDirectVector(p);
  if (FGLBehaviours) FGLBehaviours->Loaded();
  if (FGLObjectEffects) FGLObjectEffects->Loaded();
}

void TGLBaseSceneObject::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TGLBaseSceneObject*>(Source);
  if (!src) {
    TGLCoordinatesUpdateAbleComponent::Assign(Source);
    return;
  }
  DestroyHandles();
  FVisible = src->FVisible;
  SetMatrix(src->LocalMatrix());
  FShowAxes = src->FShowAxes;
  FObjectsSorting = src->FObjectsSorting;
  FVisibilityCulling = src->FVisibilityCulling;
  FRotation->Assign(src->FRotation.get());
  DeleteChildren();
  SetScene(src->FScene);
  TScene3D* scene = FScene;
  if (scene) scene->BeginUpdate();
  try {
    for (TGLBaseSceneObject* srcChild : src->FChildren) AddNewChild(srcChild->ClassType())->Assign(srcChild);
  } catch (...) {   // a child's class cannot be made: the scene repaints again all the same
    if (scene) scene->EndUpdate();
    throw;
  }
  if (scene) scene->EndUpdate();
  OnProgress = src->OnProgress;
  if (src->FGLBehaviours) Behaviours()->Assign(src->FGLBehaviours.get());
  else FGLBehaviours.reset();
  if (src->FGLObjectEffects) Effects()->Assign(src->FGLObjectEffects.get());
  else FGLObjectEffects.reset();
  Tag = src->Tag;
  TagFloat = src->TagFloat;
}

TGLBehaviours* TGLBaseSceneObject::Behaviours() {
  if (!FGLBehaviours) FGLBehaviours = std::make_unique<TGLBehaviours>(this);
  return FGLBehaviours.get();
}

TGLObjectEffects* TGLBaseSceneObject::Effects() {
  if (!FGLObjectEffects) FGLObjectEffects = std::make_unique<TGLObjectEffects>(this);
  return FGLObjectEffects.get();
}

// ---- Root object -------------------------------------------------------------------------------

TScene3DRootObject::TScene3DRootObject(TComponent* AOwner) : TGLBaseSceneObject(AOwner) {
  auto* scene = dynamic_cast<TScene3D*>(AOwner);
  Assert(scene != nullptr, "", UnitName, 4493);
  ObjectStyle.Include(TGLObjectStyle::osDirectDraw);
  SetScene(scene);
}
