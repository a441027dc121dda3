// The scene graph: scene objects with their children, placement and cached
// matrices, behaviours and effects, the render path with display lists,
// culling and sorting, and the object-tree stream.
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "scene3d/Base/GLSilhouette.h"
#include "scene3d/Base/GeometryBB.h"
#include "scene3d/Base/PersistentClasses.h"
#include "scene3d/Base/XCollection.h"
#include "scene3d/GLContext.h"
#include "scene3d/GLMisc.h"
#include "scene3d/GLRenderContextInfo.h"
#include "scene3d/GLTexture.h"

class TGLBaseSceneObject;
class TScene3D;
class TScene3DBuffer;
class TScene3DRootObject;
class TGLObjectAfterEffect;

enum class TGLObjectStyle : uint8_t { osDirectDraw, osAltersColorsOrWinding, osIgnoreDepthBuffer, osNoVisibilityCulling };
using TGLObjectStyles = TSet<TGLObjectStyle>;
enum class TGLObjectChange : uint8_t { ocTransformation, ocAbsoluteMatrix, ocInvAbsoluteMatrix, ocStructure };
using TGLObjectChanges = TSet<TGLObjectChange>;

using TGLProgressEvent = std::function<void(TObject* Sender, double deltaTime, double newTime)>;
using TDirectRenderEvent = std::function<void(TObject* Sender, TRenderContextInfo& rci)>;

// Told when a scene object or a behaviour is renamed (an editor's hook; none
// is installed by the application).
extern TNotifyEvent vGLBaseSceneObjectNameChangeEvent;
extern TNotifyEvent vGLBehaviourNameChangeEvent;

// Names of the streamed enumerations.
std::string ObjectsSortingName(TGLObjectsSorting Value);
std::string VisibilityCullingName(TGLVisibilityCulling Value);

// The OpenGL model-view stack pushed for the lifetime of the guard.
class TGLPushedMatrix {
public:
  TGLPushedMatrix() { glPushMatrix(); }
  ~TGLPushedMatrix() { glPopMatrix(); }
  TGLPushedMatrix(const TGLPushedMatrix&) = delete;
  TGLPushedMatrix& operator=(const TGLPushedMatrix&) = delete;
};

// ---- Behaviours and effects ----------------------------------------------------------

class TGLBaseBehaviour : public TXCollectionItem {
  DECLARE_CLASSINFO(TGLBaseBehaviour)
public:
  void SetName(const std::string& Value) override;
  void WriteToFiler(TVirtualWriter* Writer) override;     // then the integer 0
  void ReadFromFiler(TVirtualReader* Reader) override;    // anything but 0 fails an assertion
  virtual void DoProgress(const TProgressTimes& progressTime) { (void)progressTime; }
  // The scene object whose collection holds this item, or null.
  TGLBaseSceneObject* OwnerBaseSceneObject() const;

protected:
  TGLBaseBehaviour(TXCollection* AOwner, const TXCollectionItemClass* AClass) : TXCollectionItem(AOwner, AClass) {}
};

class TGLBehaviour : public TGLBaseBehaviour {
  DECLARE_XCOLLECTIONITEM(TGLBehaviour)
public:
  explicit TGLBehaviour(TXCollection* AOwner) : TGLBaseBehaviour(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "Behaviour"; }

protected:
  TGLBehaviour(TXCollection* AOwner, const TXCollectionItemClass* AClass) : TGLBaseBehaviour(AOwner, AClass) {}
};

class TGLObjectEffect : public TGLBaseBehaviour {
  DECLARE_XCOLLECTIONITEM(TGLObjectEffect)
public:
  explicit TGLObjectEffect(TXCollection* AOwner) : TGLBaseBehaviour(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "Effect"; }
  void WriteToFiler(TVirtualWriter* Writer) override;
  void ReadFromFiler(TVirtualReader* Reader) override;
  virtual void Render(TScene3DBuffer* sceneBuffer, TRenderContextInfo& rci) { (void)sceneBuffer, (void)rci; }

protected:
  TGLObjectEffect(TXCollection* AOwner, const TXCollectionItemClass* AClass) : TGLBaseBehaviour(AOwner, AClass) {}
};

// Rendered before the object.
class TGLObjectPreEffect : public TGLObjectEffect {
  DECLARE_XCOLLECTIONITEM(TGLObjectPreEffect)
public:
  explicit TGLObjectPreEffect(TXCollection* AOwner) : TGLObjectEffect(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "PreEffect"; }

protected:
  TGLObjectPreEffect(TXCollection* AOwner, const TXCollectionItemClass* AClass) : TGLObjectEffect(AOwner, AClass) {}
};

// Rendered after the object.
class TGLObjectPostEffect : public TGLObjectEffect {
  DECLARE_XCOLLECTIONITEM(TGLObjectPostEffect)
public:
  explicit TGLObjectPostEffect(TXCollection* AOwner) : TGLObjectEffect(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "PostEffect"; }

protected:
  TGLObjectPostEffect(TXCollection* AOwner, const TXCollectionItemClass* AClass) : TGLObjectEffect(AOwner, AClass) {}
};

// Queued by the object and rendered by the buffer once the scene is drawn.
class TGLObjectAfterEffect : public TGLObjectEffect {
  DECLARE_XCOLLECTIONITEM(TGLObjectAfterEffect)
public:
  explicit TGLObjectAfterEffect(TXCollection* AOwner) : TGLObjectEffect(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "AfterEffect"; }

protected:
  TGLObjectAfterEffect(TXCollection* AOwner, const TXCollectionItemClass* AClass) : TGLObjectEffect(AOwner, AClass) {}
};

// The behaviours of one scene object (its owner; anything else fails an assertion).
class TGLBehaviours : public TXCollection {
  DECLARE_CLASSINFO(TGLBehaviours)
public:
  explicit TGLBehaviours(TPersistent* AOwner);
  TClass ItemsClass() const override { return TGLBehaviour::StaticClass(); }
  bool CanAdd(const TXCollectionItemClass* AClass) const override;   // no effects
  std::string GetNamePath() const override;
  TGLBehaviour* Behaviour(int Index) const { return static_cast<TGLBehaviour*>(Items(Index)); }
  void DoProgress(const TProgressTimes& progressTimes);
};

// The effects of one scene object.
class TGLObjectEffects : public TXCollection {
  DECLARE_CLASSINFO(TGLObjectEffects)
public:
  explicit TGLObjectEffects(TPersistent* AOwner);
  TClass ItemsClass() const override { return TGLObjectEffect::StaticClass(); }
  bool CanAdd(const TXCollectionItemClass* AClass) const override;   // effects only
  std::string GetNamePath() const override;
  TGLObjectEffect* ObjectEffect(int Index) const { return static_cast<TGLObjectEffect*>(Items(Index)); }
  void DoProgress(const TProgressTimes& progressTimes);
  void RenderPreEffects(TScene3DBuffer* sceneBuffer, TRenderContextInfo& rci);
  // Post-effects render now; after-effects are queued to the buffer (when one is given).
  void RenderPostEffects(TScene3DBuffer* sceneBuffer, TRenderContextInfo& rci);
};

// ---- Scene objects ---------------------------------------------------------------------

// Scene object classes are created by class through the class registry
// (RegisterClass with a factory making an object without owner).
using TGLSceneObjectClass = TClass;

class TGLBaseSceneObject : public TGLCoordinatesUpdateAbleComponent {
  DECLARE_CLASSINFO(TGLBaseSceneObject)
public:
  explicit TGLBaseSceneObject(TComponent* AOwner);
  ~TGLBaseSceneObject() override;

  // Component slots.
  void Assign(TPersistent* Source) override;
  // Published values (TagFloat here; the placement properties through
  // DefineSceneObjectProperties in concrete classes) and the binary
  // properties "BehavioursData" and "EffectsData".
  void DefineProperties(TFiler* Filer) override;
  void Loaded() override;
  void SetName(const std::string& Value);
  // Streaming: children in order; the parent as the parent component.
  void GetChildren(const std::function<void(TComponent*)>& Proc) const;
  virtual void SetParentComponent(TComponent* Value);
  TComponent* GetParentComponent() const;
  bool HasParent() const { return FParent != nullptr; }

  // Virtual operations.
  void DoProgress(const TProgressTimes& progressTime) override;
  void NotifyChange(TObject* Sender) override;
  void CoordinateChanged(TGLCoordinates* Sender) override;
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  virtual bool Blended() { return false; }
  virtual GLuint GetHandle(TRenderContextInfo& rci);
  virtual TVector BarycenterAbsolutePosition() { return AbsolutePosition(); }
  virtual TVector AxisAlignedDimensionsUnscaled() { return {0.5f, 0.5f, 0.5f, 0.0f}; }
  virtual bool PointInObject(const TVector& point);
  // The out-points are filled when given.
  virtual bool RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint = nullptr,
                                TVector* intersectNormal = nullptr);
  virtual std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters);
  virtual void BeginUpdate() { ++FUpdateCount; }
  virtual void EndUpdate();
  virtual void BuildList(TRenderContextInfo& rci) { (void)rci; }
  virtual void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren);
  virtual void RenderChildren(int firstChildIndex, int lastChildIndex, TRenderContextInfo& rci);

  // Hierarchy.
  int Count() const { return static_cast<int>(FChildren.size()); }
  TGLBaseSceneObject* Children(int Index) const;   // null out of range
  TGLBaseSceneObject* Parent() const { return FParent; }
  TScene3D* Scene() const { return FScene; }
  int Index() const;   // -1 without parent
  void SetIndex(int Value);
  virtual void DestroyHandle();
  void DestroyHandles();   // the subtree's, children first
  void SetScene(TScene3D* Value);
  // A new child of the class, owned by this object's owner.
  virtual TGLBaseSceneObject* AddNewChild(TGLSceneObjectClass AChild);
  virtual TGLBaseSceneObject* AddNewChildFirst(TGLSceneObjectClass AChild);
  template <typename T>
  T* AddNewChild() {
    T* child = new T(Owner());   // owned by the owner, or by this object without one
    AddChild(child);
    return child;
  }
  virtual void AddChild(TGLBaseSceneObject* AChild);
  virtual void DeleteChildren();
  virtual void Insert(int AIndex, TGLBaseSceneObject* AChild);
  virtual void Remove(TGLBaseSceneObject* AChild, bool keepChildren);
  virtual void MoveTo(TGLBaseSceneObject* newParent);
  TScene3DRootObject* RootObject() const;   // null outside a tree with a root

  // Placement.
  TGLCoordinates* Position() const { return FPosition.get(); }
  void SetPosition(TGLCoordinates* Value) { FPosition->SetAsVector(Value->AsVector()); }
  TGLCoordinates* Direction() const { return FDirection.get(); }
  void SetDirection(TGLCoordinates* Value) { FDirection->SetAsVector(Value->AsVector()); }
  TGLCoordinates* Up() const { return FUp.get(); }
  void SetUp(TGLCoordinates* Value) { FUp->SetAsVector(Value->AsVector()); }
  TGLCoordinates* Scale() const { return FScaling.get(); }
  void SetScale(TGLCoordinates* Value);
  TGLCoordinates* Rotation() const { return FRotation.get(); }
  float PitchAngle() const { return FRotation->X(); }
  float TurnAngle() const { return FRotation->Y(); }
  float RollAngle() const { return FRotation->Z(); }
  void SetPitchAngle(float Value);
  void SetTurnAngle(float Value);
  void SetRollAngle(float Value);
  bool ShowAxes() const { return FShowAxes; }
  void SetShowAxes(bool Value);
  TGLObjectsSorting ObjectsSorting() const { return FObjectsSorting; }
  void SetObjectsSorting(TGLObjectsSorting Value);
  TGLVisibilityCulling VisibilityCulling() const { return FVisibilityCulling; }
  void SetVisibilityCulling(TGLVisibilityCulling Value);

  const TMatrix& LocalMatrix();
  TMatrix Matrix() { return LocalMatrix(); }
  void SetMatrix(const TMatrix& Value);
  const TMatrix& AbsoluteMatrix();
  const TMatrix& InvAbsoluteMatrix();
  TVector AbsolutePosition() { return AbsoluteMatrix()[3]; }
  TVector AbsoluteDirection();
  TVector AbsoluteUp();
  TVector AbsoluteToLocal(const TVector& v) { return VectorTransform(v, InvAbsoluteMatrix()); }
  TVector LocalToAbsolute(const TVector& v) { return VectorTransform(v, AbsoluteMatrix()); }
  float DistanceTo(const TVector& pt) { return VectorDistance(AbsolutePosition(), pt); }
  float BarycenterSqrDistanceTo(const TVector& pt) { return VectorDistance2(BarycenterAbsolutePosition(), pt); }
  TVector AxisAlignedDimensions();
  float BoundingSphereRadius() { return VectorLength(AxisAlignedDimensions()); }
  float BoundingSphereRadiusUnscaled() { return VectorLength(AxisAlignedDimensionsUnscaled()); }
  // In the object's own frame: its box and its children's, scaled by Scale.
  TAABB AxisAlignedBoundingBox();
  void ResetRotations();
  void ResetAndPitchTurnRoll(float degX, float degY, float degZ);
  // Orbits anObject keeping the distance; the pitch stays 0.025 rad off the poles.
  void MoveObjectAround(TGLBaseSceneObject* anObject, float pitchDelta, float turnDelta);

  // Change signalling.
  TGLObjectChanges Changes() const { return FChanges; }
  void TransformationChanged();
  virtual void StructureChanged();
  void ClearStructureChanged() { FChanges.Exclude(TGLObjectChange::ocStructure); }

  // Rendering.
  void Render(TRenderContextInfo& rci);
  // Size is the length of each half axis; 0 means the depth of the view.
  void DrawAxes(TRenderContextInfo& rci, uint16_t pattern, float size = 0.0f);

  TGLBehaviours* Behaviours();   // created on first read
  void SetBehaviours(TGLBehaviours* Value) { Behaviours()->Assign(Value); }
  TGLObjectEffects* Effects();   // created on first read
  void SetEffects(TGLObjectEffects* Value) { Effects()->Assign(Value); }
  bool HasBehaviours() const { return FGLBehaviours && FGLBehaviours->Count() > 0; }
  bool HasEffects() const { return FGLObjectEffects && FGLObjectEffects->Count() > 0; }

  TGLObjectStyles ObjectStyle;
  TGLProgressEvent OnProgress;
  float TagFloat = 0.0f;

protected:
  // Position, Direction, Up, Scale, the three angles, ShowAxes, Visible,
  // ObjectsSorting and VisibilityCulling as published values.
  void DefineSceneObjectProperties(TFiler* Filer);
  bool IsUpdating() const;
  bool IsLoading() const { return ComponentState.Contains(TComponentStateItem::csLoading); }

private:
  friend class TScene3D;
  void RebuildMatrix();
  void MarkAbsoluteMatricesStale();
  void DeleteChildCameras();
  void RenderSelf(TRenderContextInfo& rci, bool renderChildren);
  // Unscaled box of the subtree in this object's frame.
  TAABB SubtreeBoundingBox();
  // The rotation coordinate's component Axis turned from the stored to the new value.
  void TurnAxis(int Axis, float Value);

  std::unique_ptr<std::array<TMatrix, 2>> FAbsoluteMatrices;   // absolute, inverse absolute
  TMatrix FLocalMatrix;
  std::unique_ptr<TGLListHandle> FListHandle;
  std::unique_ptr<TGLCoordinates> FPosition, FDirection, FUp, FScaling;
  TGLObjectChanges FChanges;
  TGLBaseSceneObject* FParent = nullptr;   // not owned
  TScene3D* FScene = nullptr;              // not owned
  std::vector<TGLBaseSceneObject*> FChildren;   // owned
  bool FVisible = true;
  int FUpdateCount = 0;
  bool FShowAxes = false;
  std::unique_ptr<TGLCoordinates> FRotation;
  bool FIsCalculating = false;
  TGLObjectsSorting FObjectsSorting = TGLObjectsSorting::osInherited;
  TGLVisibilityCulling FVisibilityCulling = TGLVisibilityCulling::vcInherited;
  std::unique_ptr<TGLBehaviours> FGLBehaviours;
  std::unique_ptr<TGLObjectEffects> FGLObjectEffects;
};

// The root of one of a scene's trees; its owner is the scene.
class TScene3DRootObject : public TGLBaseSceneObject {
  DECLARE_CLASSINFO(TScene3DRootObject)
public:
  explicit TScene3DRootObject(TComponent* AOwner);
};

// ---- Custom objects ------------------------------------------------------------------------

// An object with a material of its own.
class TGLCustomSceneObject : public TGLBaseSceneObject {
  DECLARE_CLASSINFO(TGLCustomSceneObject)
public:
  explicit TGLCustomSceneObject(TComponent* AOwner);
  ~TGLCustomSceneObject() override;
  void Assign(TPersistent* Source) override;
  bool Blended() override;
  void Loaded() override;
  void DestroyHandle() override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  TGLMaterial* Material() const { return FMaterial.get(); }
  void SetMaterial(TGLMaterial* Value);
  std::string Hint;

protected:
  // The object's own geometry: built directly or through its display list.
  void DrawSelf(TRenderContextInfo& rci);

private:
  std::unique_ptr<TGLMaterial> FMaterial;
};

// A custom object that publishes its material.
class TScene3DObject : public TGLCustomSceneObject {
  DECLARE_CLASSINFO(TScene3DObject)
public:
  using TGLCustomSceneObject::TGLCustomSceneObject;
  void DefineProperties(TFiler* Filer) override;
};

// Renders without material.
class TGLImmaterialSceneObject : public TGLCustomSceneObject {
  DECLARE_CLASSINFO(TGLImmaterialSceneObject)
public:
  using TGLCustomSceneObject::TGLCustomSceneObject;
  void DefineProperties(TFiler* Filer) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
};

enum class TGLCameraInvarianceMode : uint8_t { cimNone, cimPosition, cimOrientation };

// Keeps its place relative to the eye (cimPosition) or ignores the camera
// entirely (cimOrientation).
class TGLCameraInvariantObject : public TGLImmaterialSceneObject {
  DECLARE_CLASSINFO(TGLCameraInvariantObject)
public:
  using TGLImmaterialSceneObject::TGLImmaterialSceneObject;
  void Assign(TPersistent* Source) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  TGLCameraInvarianceMode CamInvarianceMode() const { return FCamInvarianceMode; }
  void SetCamInvarianceMode(TGLCameraInvarianceMode Value);

private:
  TGLCameraInvarianceMode FCamInvarianceMode = TGLCameraInvarianceMode::cimNone;
};

// Draws whatever its OnRender draws, every frame at its place in the tree
// (or once into its display list with UseBuildList).
class TGLDirectOpenGL : public TGLImmaterialSceneObject {
  DECLARE_CLASSINFO(TGLDirectOpenGL)
public:
  explicit TGLDirectOpenGL(TComponent* AOwner);
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  void BuildList(TRenderContextInfo& rci) override;
  bool Blended() override { return FBlend; }
  bool UseBuildList() const { return FUseBuildList; }
  void SetUseBuildList(bool Value);
  bool Blend() const { return FBlend; }
  void SetBlend(bool Value);
  TDirectRenderEvent OnRender;

private:
  bool FUseBuildList = false;
  bool FBlend = false;
};

// Calls the render callbacks registered with it, in order.
class TGLRenderPoint : public TGLImmaterialSceneObject {
  DECLARE_CLASSINFO(TGLRenderPoint)
public:
  explicit TGLRenderPoint(TComponent* AOwner);
  ~TGLRenderPoint() override;
  void BuildList(TRenderContextInfo& rci) override;
  // RenderPointFreed is called when the pair is cleared; the result names
  // the pair for UnRegisterCallBack.
  int RegisterCallBack(TDirectRenderEvent RenderEvent, TNotifyEvent RenderPointFreed);
  void UnRegisterCallBack(int Id);
  void Clear();
  int CallBackCount() const { return static_cast<int>(FCallBacks.size()); }

private:
  struct TCallBack {
    int Id;
    TDirectRenderEvent RenderEvent;
    TNotifyEvent Freed;
  };
  std::vector<TCallBack> FCallBacks;
  int FNextId = 1;
};

enum class TGLProxyObjectOption : uint8_t { pooEffects, pooObjects, pooTransformation };
using TGLProxyObjectOptions = TSet<TGLProxyObjectOption>;

// Renders its master (not owned) in its own place.
class TGLProxyObject : public TGLBaseSceneObject {
  DECLARE_CLASSINFO(TGLProxyObject)
public:
  explicit TGLProxyObject(TComponent* AOwner);
  ~TGLProxyObject() override;
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  TVector AxisAlignedDimensionsUnscaled() override;
  bool RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint = nullptr,
                        TVector* intersectNormal = nullptr) override;
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
  TGLBaseSceneObject* MasterObject() const { return FMasterObject; }
  virtual void SetMasterObject(TGLBaseSceneObject* Value);
  TGLProxyObjectOptions ProxyOptions() const { return FProxyOptions; }
  void SetProxyOptions(TGLProxyObjectOptions Value);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TGLBaseSceneObject* FMasterObject = nullptr;   // not owned
  TGLProxyObjectOptions FProxyOptions{TGLProxyObjectOption::pooEffects, TGLProxyObjectOption::pooObjects,
                                      TGLProxyObjectOption::pooTransformation};
  bool FRendering = false;
};

// ---- The scene and its buffer, as far as the object tree talks to them ----------------

class TScene3D : public TGLUpdateAbleComponent {
  DECLARE_CLASSINFO(TScene3D)
public:
  explicit TScene3D(TComponent* AOwner);
  ~TScene3D() override;
  TScene3DRootObject* Objects() const { return FObjects; }
  TScene3DRootObject* Cameras() const { return FCameras; }
  bool IsUpdating() const;
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  TScene3DBuffer* CurrentBuffer = nullptr;
  TGLBaseSceneObject* CurrentRenderedObject = nullptr;

private:
  int FUpdateCount = 0;
  TScene3DRootObject* FObjects;   // owned
  TScene3DRootObject* FCameras;   // owned
};

class TScene3DBuffer : public TGLUpdateAbleObject {
  DECLARE_CLASSINFO(TScene3DBuffer)
public:
  explicit TScene3DBuffer(TPersistent* AOwner) : TGLUpdateAbleObject(AOwner) {}
  bool DepthTest() const { return FDepthTest; }
  void SetDepthTest(bool Value);
  // After-effects queued during a frame (not owned).
  std::vector<TGLObjectAfterEffect*> AfterEffects;
  // Matrices pushed by objects that replace the model-view matrix.
  const TMatrix& ModelViewMatrix() const { return FModelViewMatrix; }
  void PushModelViewMatrix(const TMatrix& newMatrix);
  void PopModelViewMatrix();   // an empty stack fails an assertion
  int ModelViewStackCount() const { return static_cast<int>(FModelViewMatrixStack.size()); }

private:
  bool FDepthTest = true;
  TMatrix FModelViewMatrix = IdentityHmgMatrix;
  std::vector<TMatrix> FModelViewMatrixStack;
};

// ---- The object-tree stream ------------------------------------------------------------

// A published value of a streamed object: written by name with the value
// tags when HasData, read back when its name comes up. Objects declare
// theirs in DefineProperties when the filer is one of these.
class TGLObjectFiler : public TFiler {
public:
  virtual void DefineValue(const std::string& Name, std::function<void(TVirtualReader& Reader)> ReadData,
                           std::function<void(TVirtualWriter& Writer)> WriteData, bool HasData) = 0;
  // A persistent property object: its own properties under "Name.".
  virtual void DefinePersistent(const std::string& Name, TPersistent* Value) = 0;
  // A reference to another component by name, resolved once the tree is read.
  virtual void DefineReference(const std::string& Name, std::function<void(TComponent* Value)> SetValue,
                               TComponent* Value) = 0;

  // Plain values: written from Value when HasData, read back through Set.
  void DefineSingle(const std::string& Name, float Value, std::function<void(float)> Set, bool HasData);
  void DefineInteger(const std::string& Name, int32_t Value, std::function<void(int32_t)> Set, bool HasData);
  void DefineBoolean(const std::string& Name, bool Value, std::function<void(bool)> Set, bool HasData);
  // An enumeration by the name of its value; an unknown name raises EReadError.
  template <typename E, size_t N>
  void DefineEnum(const std::string& Name, const char* const (&Names)[N], E Value, std::function<void(E)> Set,
                  bool HasData) {
    DefineValue(
        Name, [&Names, Set](TVirtualReader& R) { Set(static_cast<E>(IndexOfName(Names, N, R.ReadString()))); },
        [&Names, Value](TVirtualWriter& W) { W.WriteString(Names[static_cast<size_t>(Value)]); }, HasData);
  }
  // A set as the list of the names of its members.
  template <typename E, size_t N>
  void DefineSet(const std::string& Name, const char* const (&Names)[N], TSet<E> Value, std::function<void(TSet<E>)> Set,
                 bool HasData) {
    DefineValue(
        Name,
        [&Names, Set](TVirtualReader& R) {
          TSet<E> v;
          R.ReadListBegin();
          while (!R.EndOfList()) v.Include(static_cast<E>(IndexOfName(Names, N, R.ReadString())));
          R.ReadListEnd();
          Set(v);
        },
        [&Names, Value](TVirtualWriter& W) {
          W.WriteListBegin();
          for (size_t i = 0; i < N; ++i)
            if (Value.Contains(static_cast<E>(i))) W.WriteString(Names[i]);
          W.WriteListEnd();
        },
        HasData);
  }

private:
  static int IndexOfName(const char* const* Names, size_t Count, const std::string& Name);
};

// The subtree of Root: signature "TPF0", then per object its class name,
// name, published values (a list of name and value) and children (a list of
// objects).
void WriteObjectTree(TStream& Stream, TGLBaseSceneObject* Root);
// A new subtree owned by Owner and placed under Parent (when given). Bad
// data raises EReadError naming what could not be read; nothing read so far
// is kept.
TGLBaseSceneObject* ReadObjectTree(TStream& Stream, TComponent* Owner, TGLBaseSceneObject* Parent = nullptr);

void Scene3D_Initialize();   // registers the object and item classes
void Scene3D_Finalize();
