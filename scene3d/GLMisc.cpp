#include "scene3d/GLMisc.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {
const char* const UnitName = "scene3d\\GLMisc";
}  // namespace

IMPLEMENT_CLASSINFO(TGLUpdateAbleObject, TPersistent)
IMPLEMENT_CLASSINFO(TGLCadenceAbleComponent, TComponent)
IMPLEMENT_CLASSINFO(TGLUpdateAbleComponent, TGLCadenceAbleComponent)
IMPLEMENT_CLASSINFO(TGLCoordinatesUpdateAbleComponent, TGLUpdateAbleComponent)
IMPLEMENT_CLASSINFO(TGLCoordinates, TGLUpdateAbleObject)
IMPLEMENT_CLASSINFO(TGLCoordinates4, TGLCoordinates)
IMPLEMENT_CLASSINFO(TGLNode, TCollectionItem)
IMPLEMENT_CLASSINFO(TGLNodes, TOwnedCollection)

// ---- Change propagation --------------------------------------------------------------

void TGLUpdateAbleObject::NotifyChange(TObject* Sender) {
  (void)Sender;
  if (FUpdateCount != 0 || !FOwner) return;
  if (auto* o = dynamic_cast<TGLUpdateAbleObject*>(FOwner)) o->NotifyChange(this);
  else if (auto* c = dynamic_cast<TGLUpdateAbleComponent*>(FOwner)) c->NotifyChange(this);
  if (OnNotifyChange) OnNotifyChange(this);
}

void TGLUpdateAbleComponent::NotifyChange(TObject* Sender) {
  (void)Sender;
  if (auto* o = dynamic_cast<TGLUpdateAbleComponent*>(Owner())) o->NotifyChange(this);
}

// ---- TGLCoordinates -------------------------------------------------------------------

void TGLCoordinates::NotifyChange(TObject* Sender) {
  if (auto* c = dynamic_cast<TGLCoordinatesUpdateAbleComponent*>(Owner())) {
    c->CoordinateChanged(this);
    return;
  }
  TGLUpdateAbleObject::NotifyChange(Sender);
}

void TGLCoordinates::Assign(TPersistent* Source) {
  if (auto* c = dynamic_cast<TGLCoordinates*>(Source)) {
    FCoords = c->FCoords;
    return;
  }
  TGLUpdateAbleObject::Assign(Source);
}

void TGLCoordinates::DefineProperties(TFiler* Filer) {
  TGLUpdateAbleObject::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "Coordinates",
      [this](TStream& S) {
        // Exactly four floats, or nothing changes.
        TVector v;
        if (S.Size() - S.Position() != static_cast<int64_t>(sizeof v))
          throw EReadError("Invalid property Coordinates");
        S.ReadBuffer(v.data(), sizeof v);
        FCoords = v;
      },
      [this](TStream& S) { S.WriteBuffer(FCoords.data(), sizeof FCoords); }, true);
}

void TGLCoordinates::SetCoordinate(int Index, float Value) {
  FCoords.at(static_cast<size_t>(Index)) = Value;
  NotifyChange(this);
}

void TGLCoordinates::SetVector(float X, float Y, float Z) {
  Assert(FCoordsStyle != TGLCoordinatesStyle::csPoint, "", UnitName, 829);
  FCoords = {X, Y, Z, 0.0f};
  NotifyChange(this);
}

void TGLCoordinates::SetVector(float X, float Y, float Z, float W) {
  Assert(FCoordsStyle != TGLCoordinatesStyle::csPoint, "", UnitName, 856);
  FCoords = {X, Y, Z, W};
  NotifyChange(this);
}

void TGLCoordinates::SetPoint(float X, float Y, float Z) {
  Assert(FCoordsStyle != TGLCoordinatesStyle::csVector, "", UnitName, 888);
  FCoords = {X, Y, Z, 1.0f};
  NotifyChange(this);
}

void TGLCoordinates::SetAsVector(const TVector& Value) {
  FCoords = Value;
  if (FCoordsStyle == TGLCoordinatesStyle::csPoint) FCoords[3] = 1.0f;
  else if (FCoordsStyle == TGLCoordinatesStyle::csVector) FCoords[3] = 0.0f;
  NotifyChange(this);
}

void TGLCoordinates::Normalize() {
  NormalizeVector(FCoords);
  NotifyChange(this);
}

float TGLCoordinates::VectorLength() const { return ::VectorLength(FCoords); }

// ---- TGLNode / TGLNodes ------------------------------------------------------------------

void TGLNode::SetCoordinate(int Index, float Value) {
  FCoords[static_cast<size_t>(Index)] = Value;
  if (auto* nodes = dynamic_cast<TGLNodes*>(Collection())) nodes->NotifyChange();
}

void TGLNode::SetAsVector(const TVector& Value) {
  FCoords = Value;
  if (auto* nodes = dynamic_cast<TGLNodes*>(Collection())) nodes->NotifyChange();
}

std::string TGLNode::DisplayName() const {
  return Format("%.4f; %.4f; %.4f", double(FCoords[0]), double(FCoords[1]), double(FCoords[2]));
}

void TGLNode::Assign(TPersistent* Source) {
  if (auto* n = dynamic_cast<TGLNode*>(Source)) {
    FCoords = n->FCoords;
    return;
  }
  TCollectionItem::Assign(Source);
}

void TGLNodes::NotifyChange() {
  if (UpdateCount() != 0) return;
  if (auto* c = dynamic_cast<TGLUpdateAbleComponent*>(GetOwner())) c->NotifyChange(this);
}

void TGLNodes::EndUpdate() {
  TOwnedCollection::EndUpdate();
  if (UpdateCount() == 0) NotifyChange();
}

void TGLNodes::Update(TCollectionItem* Item) {
  TOwnedCollection::Update(Item);
  NotifyChange();
}

std::unique_ptr<TCubicSpline> TGLNodes::CreateNewCubicSpline() const {
  const int n = Count();
  std::vector<float> x(static_cast<size_t>(n)), y(x.size()), z(x.size());
  for (int i = 0; i < n; ++i) {
    const TVector& v = Items(i)->AsVector();
    x[static_cast<size_t>(i)] = v[0];
    y[static_cast<size_t>(i)] = v[1];
    z[static_cast<size_t>(i)] = v[2];
  }
  return std::make_unique<TCubicSpline>(x.data(), y.data(), z.data(), nullptr, n);
}
