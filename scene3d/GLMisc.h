// How changes travel up the 3D library's object tree, the coordinates
// property object, and node collections.
#pragma once
#include <memory>

#include "classlib/Collections.h"
#include "scene3d/Base/Spline.h"
#include "scene3d/Base/VectorGeometry.h"

struct TProgressTimes {
  double deltaTime, newTime;
};

// A property object that tells its owner when it changes. While the update
// count is above 0, or without an owner, changes are not passed on.
class TGLUpdateAbleObject : public TPersistent {
  DECLARE_CLASSINFO(TGLUpdateAbleObject)
public:
  explicit TGLUpdateAbleObject(TPersistent* AOwner) : FOwner(AOwner) {}
  virtual void NotifyChange(TObject* Sender);
  TPersistent* Owner() const { return FOwner; }
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() { if (FUpdateCount > 0) --FUpdateCount; }   // the holder notifies once afterwards
  int UpdateCount() const { return FUpdateCount; }
  TNotifyEvent OnNotifyChange;

private:
  TPersistent* FOwner;   // not owned
  int FUpdateCount = 0;
};

class TGLCadenceAbleComponent : public TComponent {
  DECLARE_CLASSINFO(TGLCadenceAbleComponent)
public:
  using TComponent::TComponent;
  virtual void DoProgress(const TProgressTimes& ProgressTimes) { (void)ProgressTimes; }
};

class TGLUpdateAbleComponent : public TGLCadenceAbleComponent {
  DECLARE_CLASSINFO(TGLUpdateAbleComponent)
public:
  using TGLCadenceAbleComponent::TGLCadenceAbleComponent;
  virtual void NotifyChange(TObject* Sender);   // passed to an updatable owner
};

class TGLCoordinates;

class TGLCoordinatesUpdateAbleComponent : public TGLUpdateAbleComponent {
  DECLARE_CLASSINFO(TGLCoordinatesUpdateAbleComponent)
public:
  using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
  virtual void CoordinateChanged(TGLCoordinates* Sender) = 0;
};

enum class TGLCoordinatesStyle : uint8_t { csPoint = 0, csVector = 1, csUnknown = 2 };

// A position, direction, up vector or scale. Setters store and notify; the
// kind guards what may be set. Streamed as the 16-byte binary property
// "Coordinates".
class TGLCoordinates : public TGLUpdateAbleObject {
  DECLARE_CLASSINFO(TGLCoordinates)
public:
  explicit TGLCoordinates(TPersistent* AOwner) : TGLUpdateAbleObject(AOwner) {}
  TGLCoordinates(TPersistent* AOwner, const TVector& AValue, TGLCoordinatesStyle AStyle = TGLCoordinatesStyle::csUnknown)
      : TGLUpdateAbleObject(AOwner), FCoords(AValue), FCoordsStyle(AStyle) {}   // CreateInitialized
  void Initialize(const TVector& Value) { FCoords = Value; }   // no notification
  void Assign(TPersistent* Source) override;                   // no notification
  void DefineProperties(TFiler* Filer) override;
  // An owner that is a coordinates-updatable component hears CoordinateChanged instead.
  void NotifyChange(TObject* Sender) override;

  float X() const { return FCoords[0]; }
  float Y() const { return FCoords[1]; }
  float Z() const { return FCoords[2]; }
  void SetX(float Value) { SetCoordinate(0, Value); }
  void SetY(float Value) { SetCoordinate(1, Value); }
  void SetZ(float Value) { SetCoordinate(2, Value); }
  void SetCoordinate(int Index, float Value);
  void SetVector(float X, float Y, float Z);            // not for a point; w := 0
  void SetVector(float X, float Y, float Z, float W);   // not for a point
  void SetPoint(float X, float Y, float Z);             // not for a vector; w := 1
  void SetAsVector(const TVector& Value);               // w follows the kind
  void SetDirectVector(const TVector& Value) { FCoords = Value; }   // no notification
  void Normalize();
  float VectorLength() const;
  bool Equals(const TVector& Value) const { return VectorEquals(FCoords, Value); }
  const TVector& AsVector() const { return FCoords; }
  TAffineVector AsAffineVector() const { return {FCoords[0], FCoords[1], FCoords[2]}; }
  float* AsAddress() { return FCoords.data(); }
  TGLCoordinatesStyle Style() const { return FCoordsStyle; }

protected:
  TVector FCoords{};
  TGLCoordinatesStyle FCoordsStyle = TGLCoordinatesStyle::csUnknown;
};

class TGLCoordinates4 : public TGLCoordinates {
  DECLARE_CLASSINFO(TGLCoordinates4)
public:
  using TGLCoordinates::TGLCoordinates;
  float W() const { return FCoords[3]; }
  void SetW(float Value) { SetCoordinate(3, Value); }
};

class TGLNode : public TCollectionItem {
  DECLARE_CLASSINFO(TGLNode)
public:
  using TCollectionItem::TCollectionItem;
  float X() const { return FCoords[0]; }
  float Y() const { return FCoords[1]; }
  float Z() const { return FCoords[2]; }
  void SetX(float Value) { SetCoordinate(0, Value); }
  void SetY(float Value) { SetCoordinate(1, Value); }
  void SetZ(float Value) { SetCoordinate(2, Value); }
  const TVector& AsVector() const { return FCoords; }
  void SetAsVector(const TVector& Value);
  TAffineVector AsAffineVector() const { return {FCoords[0], FCoords[1], FCoords[2]}; }
  std::string DisplayName() const override;   // "%.4f; %.4f; %.4f"
  void Assign(TPersistent* Source) override;
  // X, Y, Z are stored only when not 0.0.
  bool StoreCoordinate(int Index) const { return FCoords[Index] != 0.0f; }

private:
  void SetCoordinate(int Index, float Value);
  TVector FCoords{};
};

class TGLNodes : public TOwnedCollection {
  DECLARE_CLASSINFO(TGLNodes)
public:
  explicit TGLNodes(TPersistent* AOwner, TCollectionItemClass AItemClass = CollectionItemClassOf<TGLNode>())
      : TOwnedCollection(AOwner, AItemClass) {}
  TGLNode* Items(int Index) const { return static_cast<TGLNode*>(TCollection::Items(Index)); }
  TGLNode* Add() { return static_cast<TGLNode*>(TCollection::Add()); }
  // With the update count at 0, an updatable owner is told.
  virtual void NotifyChange();
  void EndUpdate() override;
  // A spline through the nodes' x, y and z; the caller owns it.
  std::unique_ptr<TCubicSpline> CreateNewCubicSpline() const;

protected:
  void Update(TCollectionItem* Item) override;
};
