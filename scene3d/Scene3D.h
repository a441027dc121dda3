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
#include "scene3d/GLState.h"
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
// The enumeration value streamed under Name; EReadError for an unknown name.
template <typename E, size_t N>
E EnumFromName(const char* const (&Names)[N], const std::string& Name) {
  for (size_t i = 0; i < N; ++i)
    if (Name == Names[i]) return static_cast<E>(i);
  throw EReadError("Invalid property value " + Name);
}

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
  // A bad index raises EListError before anything changes.
  virtual void Insert(int AIndex, TGLBaseSceneObject* AChild);
  // The child (with its subtree, unless keepChildren) also leaves the scene.
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
  // Takes the child out of the list (its grandchildren over to this object
  // with keepChildren); it keeps its scene. False when it is no child here.
  bool Detach(TGLBaseSceneObject* AChild, bool keepChildren);
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

// ---- Camera ------------------------------------------------------------------------------

// A viewport: left, top, width and height in pixels.
struct TRectangle {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

enum class TGLCameraStyle : uint8_t { csPerspective, csOrthogonal, csOrtho2D, csCustom, csInfinitePerspective };
// Sets the projection itself; may change the view-port radius.
using TOnCustomPerspective =
    std::function<void(const TRectangle& viewport, int width, int height, int DPI, float& viewPortRadius)>;

// The eye of a scene: the buffer rendering through it asks it for the
// projection (ApplyPerspective) and the view (Apply). Cameras live in the
// scene's camera tree.
class TGLCamera : public TGLBaseSceneObject {
  DECLARE_CLASSINFO(TGLCamera)
public:
  explicit TGLCamera(TComponent* AOwner);
  ~TGLCamera() override;
  void DefineProperties(TFiler* Filer) override;
  bool RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint = nullptr,
                        TVector* intersectNormal = nullptr) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

  // Millimetres of a 35 mm-style lens; a value <= 0 is stored as 1.
  float FocalLength() const { return FFocalLength; }
  void SetFocalLength(float Value);
  // Distance from the near to the far plane.
  float DepthOfView() const { return FDepthOfView; }
  void SetDepthOfView(float Value);
  float NearPlane() const { return FNearPlane; }             // set by ApplyPerspective
  float NearPlaneBias() const { return FNearPlaneBias; }     // a value <= 0 is stored as 1
  void SetNearPlaneBias(float Value);
  float ViewPortRadius() const { return FViewPortRadius; }   // set by ApplyPerspective
  TGLBaseSceneObject* TargetObject() const { return FTargetObject; }
  void SetTargetObject(TGLBaseSceneObject* Value);
  TGLCameraStyle CameraStyle() const { return FCameraStyle; }
  void SetCameraStyle(TGLCameraStyle Value);
  float SceneScale() const { return FSceneScale; }   // 0 is stored as 1
  void SetSceneScale(float Value);
  // The direction the last Apply looked in.
  const TVector& LastDirection() const { return FLastDirection; }
  // When assigned, Apply calls it instead of setting the view.
  TNotifyEvent DeferredApply;
  TOnCustomPerspective OnCustomPerspective;

  // Orbits the target (degrees); nothing without a target.
  void MoveAroundTarget(float pitchDelta, float turnDelta);
  // Degrees across a viewport dimension in pixels; 0 when FocalLength is 0.
  float GetFieldOfView(float viewportDimension) const;
  void SetFieldOfView(float fieldOfView, float viewportDimension);
  // The view transform onto the current (model-view) matrix.
  void Apply();
  // The projection onto the current (projection) matrix; nothing unless
  // width and height are above 0.
  void ApplyPerspective(const TRectangle& viewport, int width, int height, int DPI);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TScene3DBuffer;
  float FFocalLength = 50.0f;
  float FDepthOfView = 100.0f;
  float FNearPlane = 0.0f;
  float FNearPlaneBias = 1.0f;
  float FViewPortRadius = 0.0f;
  TGLBaseSceneObject* FTargetObject = nullptr;   // not owned
  TVector FLastDirection{0.0f, 0.0f, -1.0f, 0.0f};
  TGLCameraStyle FCameraStyle = TGLCameraStyle::csPerspective;
  float FSceneScale = 1.0f;
  std::vector<TScene3DBuffer*> FBuffers;   // buffers looking through this camera (not owned)
};

// ---- Light source ----------------------------------------------------------------------------

enum class TLightStyle : uint8_t { lsSpot, lsOmni, lsParallel };

// One OpenGL light. It draws nothing; its scene gives it one of eight light
// slots when it enters the tree and feeds it to OpenGL before every frame.
class TGLLightSource : public TGLBaseSceneObject {
  DECLARE_CLASSINFO(TGLLightSource)
public:
  explicit TGLLightSource(TComponent* AOwner);
  ~TGLLightSource() override;
  void DefineProperties(TFiler* Filer) override;
  void CoordinateChanged(TGLCoordinates* Sender) override;
  GLuint GetHandle(TRenderContextInfo& rci) override;   // 0: no display list
  bool RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint = nullptr,
                        TVector* intersectNormal = nullptr) override;
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

  // GL_LIGHT0 + slot, 0 without a slot.
  GLenum LightID() const { return FLightID; }
  TGLCoordinates* SpotDirection() const { return FSpotDirection.get(); }
  void SetSpotDirection(TGLCoordinates* Value);   // w forced to 0
  float SpotExponent() const { return FSpotExponent; }
  void SetSpotExponent(float Value);
  // Degrees: [0, 90] or 180; other values are ignored.
  float SpotCutOff() const { return FSpotCutOff; }
  void SetSpotCutOff(float Value);
  float ConstAttenuation() const { return FConstAttenuation; }
  void SetConstAttenuation(float Value);
  float LinearAttenuation() const { return FLinearAttenuation; }
  void SetLinearAttenuation(float Value);
  float QuadraticAttenuation() const { return FQuadraticAttenuation; }
  void SetQuadraticAttenuation(float Value);
  bool Shining() const { return FShining; }
  void SetShining(bool Value);
  TGLColor* Ambient() const { return FAmbient.get(); }
  void SetAmbient(TGLColor* Value);
  TGLColor* Diffuse() const { return FDiffuse.get(); }
  void SetDiffuse(TGLColor* Value);
  TGLColor* Specular() const { return FSpecular.get(); }
  void SetSpecular(TGLColor* Value);
  TLightStyle LightStyle() const { return FLightStyle; }
  void SetLightStyle(TLightStyle Value);

private:
  friend class TScene3D;
  // Feeds the light to OpenGL; the model-view matrix holds the camera's view.
  void Setup();
  GLenum FLightID = 0;
  std::unique_ptr<TGLCoordinates> FSpotDirection;
  float FSpotExponent = 0.0f;
  float FSpotCutOff = 180.0f;
  float FConstAttenuation = 1.0f;
  float FLinearAttenuation = 0.0f;
  float FQuadraticAttenuation = 0.0f;
  bool FShining = true;
  std::unique_ptr<TGLColor> FAmbient, FDiffuse, FSpecular;
  TLightStyle FLightStyle = TLightStyle::lsSpot;
};

// ---- Scene and fog --------------------------------------------------------------------------

enum class TFogMode : uint8_t { fmLinear, fmExp, fmExp2 };
enum class TFogDistance : uint8_t { fdDefault, fdEyeRadial, fdEyePlane };

// The fog of one scene buffer (its owner, which hears of every change).
class TGLFogEnvironment : public TGLUpdateAbleObject {
  DECLARE_CLASSINFO(TGLFogEnvironment)
public:
  explicit TGLFogEnvironment(TPersistent* AOwner);
  ~TGLFogEnvironment() override;
  void Assign(TPersistent* Source) override;
  TScene3DBuffer* SceneBuffer() const;
  TGLColor* FogColor() const { return FFogColor.get(); }
  void SetFogColor(TGLColor* Value);   // nothing for null
  float FogStart() const { return FFogStart; }
  void SetFogStart(float Value);
  float FogEnd() const { return FFogEnd; }
  void SetFogEnd(float Value);
  TFogMode FogMode() const { return FFogMode; }
  void SetFogMode(TFogMode Value);
  TFogDistance FogDistance() const { return FFogDistance; }
  void SetFogDistance(TFogDistance Value);
  bool IsAtDefaultValues() const;
  // Only with the buffer's context (activated for the call when needed).
  void ApplyFog();

private:
  std::unique_ptr<TGLColor> FFogColor;
  float FFogStart = 10.0f;
  float FFogEnd = 1000.0f;
  TFogMode FFogMode = TFogMode::fmLinear;
  TFogDistance FFogDistance = TFogDistance::fdDefault;
};

// The component that holds a scene graph: the object tree and the camera
// tree, eight light slots, the buffers that show it, and the routine that
// renders one buffer's frame.
class TScene3D : public TGLUpdateAbleComponent {
  DECLARE_CLASSINFO(TScene3D)
public:
  static constexpr int LightSlotCount = 8;

  explicit TScene3D(TComponent* AOwner);
  ~TScene3D() override;
  TScene3DRootObject* Objects() const { return FObjects; }
  TScene3DRootObject* Cameras() const { return FCameras; }
  bool IsUpdating() const;
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // Unless updating, every listed buffer hears of the change.
  void NotifyChange(TObject* Sender) override;
  // Streaming: the object tree's children, then the camera tree's.
  void GetChildren(const std::function<void(TComponent*)>& Proc) const;
  void SetChildOrder(TComponent* Child, int Order);
  void DefineProperties(TFiler* Filer) override;   // sorting and culling

  // Lights: slot i holds the light named GL_LIGHT0 + i. A light that finds
  // no empty slot is left without one.
  TGLLightSource* Lights(int Slot) const;
  void AddLight(TGLLightSource* aLight);
  void RemoveLight(TGLLightSource* aLight);
  void AddLights(TGLBaseSceneObject* anObj);      // the subtree's lights
  void RemoveLights(TGLBaseSceneObject* anObj);

  // Buffers showing the scene; later ones share lists with the first one's
  // context (the base context).
  void AddBuffer(TScene3DBuffer* aBuffer);
  void RemoveBuffer(TScene3DBuffer* aBuffer);
  int BufferCount() const { return static_cast<int>(FBuffers.size()); }
  TScene3DBuffer* Buffers(int Index) const { return FBuffers.at(static_cast<size_t>(Index)); }
  TGLContext* BaseContext() const { return FBaseContext; }

  TGLObjectsSorting ObjectsSorting() const { return FObjectsSorting; }
  void SetObjectsSorting(TGLObjectsSorting Value);   // osInherited is stored as osRenderBlendedLast
  TGLVisibilityCulling VisibilityCulling() const { return FVisibilityCulling; }
  void SetVisibilityCulling(TGLVisibilityCulling Value);   // vcInherited is stored as vcNone

  // Passes a time step to the object tree, then to the camera tree.
  void Progress(double deltaTime, double newTime);
  // The nearest visible object of the object tree hit by the ray.
  virtual TGLBaseSceneObject* RayCastIntersect(const TVector& rayStart, const TVector& rayVector,
                                               TVector* intersectPoint = nullptr, TVector* intersectNormal = nullptr);
  // Feeds the lights to OpenGL; the model-view matrix holds the camera's view.
  void SetupLights(int maxLights);
  void RenderScene(TScene3DBuffer* aBuffer, int viewPortSizeX, int viewPortSizeY, TDrawState drawState,
                   TGLBaseSceneObject* baseObject);

  TGLCamera* CurrentGLCamera = nullptr;
  TScene3DBuffer* CurrentBuffer = nullptr;
  TGLBaseSceneObject* CurrentRenderedObject = nullptr;
  TGLProgressEvent OnProgress;

private:
  int FUpdateCount = 0;
  TScene3DRootObject* FObjects;   // owned
  TScene3DRootObject* FCameras;   // owned
  TGLContext* FBaseContext = nullptr;
  std::array<TGLLightSource*, LightSlotCount> FLights{};
  std::vector<TScene3DBuffer*> FBuffers;
  TGLObjectsSorting FObjectsSorting = TGLObjectsSorting::osRenderBlendedLast;
  TGLVisibilityCulling FVisibilityCulling = TGLVisibilityCulling::vcNone;
};

// ---- Scene buffer -----------------------------------------------------------------------------

enum class TContextOption : uint8_t {
  roDoubleBuffer, roStencilBuffer, roRenderToWindow, roTwoSideLighting, roStereo, roDestinationAlpha,
  roNoColorBuffer, roNoColorBufferClear, roNoSwapBuffers
};
using TContextOptions = TSet<TContextOption>;
enum class TGLDepthPrecision : uint8_t { dpDefault, dp16bits, dp24bits, dp32bits };
enum class TGLColorDepth : uint8_t { cdDefault, cd8bits, cd16bits, cd24bits, cdFloat64bits, cdFloat128bits };
enum class TGLShadeModel : uint8_t { smDefault, smSmooth, smFlat };

// The rendering surface behind every viewer: the context of its window or
// memory device, the viewport, the pixel format options, the OpenGL set-up,
// the frame loop with timing, the camera's matrices and the read-backs.
class TScene3DBuffer : public TGLUpdateAbleObject {
  DECLARE_CLASSINFO(TScene3DBuffer)
public:
  explicit TScene3DBuffer(TPersistent* AOwner);
  ~TScene3DBuffer() override;
  // Raises OnChange unless a frame is being drawn.
  void NotifyChange(TObject* Sender) override;
  // Copies the settings (not the context, camera or events).
  void Assign(TPersistent* Source) override;

  // Context. "Failed to create RenderingContext." when the manager has no
  // class; EOpenGLError below OpenGL 1.1.
  void CreateRC(HDC deviceHandle, bool memoryContext);
  void DestroyRC();
  bool RCInstantiated() const { return FRenderingContext != nullptr; }
  TGLContext* RenderingContext() const { return FRenderingContext.get(); }
  TGLStateCache* StateCache() const { return FStateCache.get(); }
  bool Rendering() const { return FRendering; }

  // Viewport: width and height at least 1.
  void Resize(int newWidth, int newHeight);
  void SetViewPort(int X, int Y, int W, int H);
  const TRectangle& ViewPort() const { return FViewPort; }
  int Width() const { return FViewPort.Width; }
  int Height() const { return FViewPort.Height; }

  // Only a camera that belongs to a scene is kept.
  TGLCamera* Camera() const { return FCamera; }
  void SetCamera(TGLCamera* Value);

  TColor BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor Value);
  float BackgroundAlpha() const { return FBackgroundAlpha; }
  void SetBackgroundAlpha(float Value);
  TGLColor* AmbientColor() const { return FAmbientColor.get(); }
  void SetAmbientColor(TGLColor* Value) { FAmbientColor->Assign(Value); }
  bool DepthTest() const { return FDepthTest; }
  void SetDepthTest(bool Value);
  bool FaceCulling() const { return FFaceCulling; }
  void SetFaceCulling(bool Value);
  bool Lighting() const { return FLighting; }
  void SetLighting(bool Value);
  bool FogEnable() const { return FFogEnable; }
  void SetFogEnable(bool Value);
  TGLShadeModel ShadeModel() const { return FShadeModel; }
  void SetShadeModel(TGLShadeModel Value);
  TGLFogEnvironment* FogEnvironment() const { return FFogEnvironment.get(); }
  void SetFogEnvironment(TGLFogEnvironment* Value);
  // The pixel format: a change raises OnStructuralChange.
  TContextOptions ContextOptions() const { return FContextOptions; }
  void SetContextOptions(TContextOptions Value);
  TGLAntiAliasing AntiAliasing() const { return FAntiAliasing; }
  void SetAntiAliasing(TGLAntiAliasing Value);
  TGLDepthPrecision DepthPrecision() const { return FDepthPrecision; }
  void SetDepthPrecision(TGLDepthPrecision Value);
  TGLColorDepth ColorDepth() const { return FColorDepth; }
  void SetColorDepth(TGLColorDepth Value);
  int AccumBufferBits() const { return FAccumBufferBits; }
  void SetAccumBufferBits(int Value);

  // Frames.
  void Render(TGLBaseSceneObject* baseObject);
  void Render() { Render(nullptr); }
  void ClearBuffers();
  void ResetPerformanceMonitor();
  int FrameCount() const { return FFrameCount; }
  float FramesPerSecond() const { return FFramesPerSecond; }
  float LastRenderTime() const { return FLastRenderTime; }   // seconds
  int RenderDPI() const { return FRenderDPI; }
  bool Frozen() const { return FFrozen; }
  void Melt();   // frees the frozen image

  // The matrices of the last frame.
  const TMatrix& ProjectionMatrix() const { return FProjectionMatrix; }
  const TMatrix& BaseProjectionMatrix() const { return FBaseProjectionMatrix; }
  const TVector& CameraAbsolutePosition() const { return FCameraAbsolutePosition; }
  // The current model-view matrix: the camera's view, or what an object
  // that replaces it pushed.
  const TMatrix& ModelViewMatrix() const { return FModelViewMatrix; }
  void PushModelViewMatrix(const TMatrix& newMatrix);
  void PopModelViewMatrix();   // an empty stack fails an assertion
  int ModelViewStackCount() const { return static_cast<int>(FModelViewMatrixStack.size()); }
  // After-effects queued during a frame (not owned).
  std::vector<TGLObjectAfterEffect*> AfterEffects;

  // Read-backs. Window coordinates: x, y from the bottom of the viewport
  // and depth; the point itself without camera.
  TVector WorldToScreen(const TVector& aPoint) const;
  TAffineVector WorldToScreen(const TAffineVector& aPoint) const;
  // The colour (red in the low byte) of the pixel on screen at x, y (y from
  // the top); 0 without camera.
  TColor GetPixelColor(int x, int y);
  // The frame on screen, the viewport's size; the caller owns the result.
  std::unique_ptr<TGLBitmap32> CreateSnapShot();
  std::unique_ptr<TBitmap> CreateSnapShotBitmap();
  // A region of the frame into the texture (target 0: the texture's own).
  void CopyToTexture(TGLTexture* aTexture, int xSrc, int ySrc, int AWidth, int AHeight, int xDest, int yDest,
                     GLenum target = 0, bool forceFullReCopy = false);

  TNotifyEvent OnChange;
  TNotifyEvent OnStructuralChange;
  TNotifyEvent OnPrepareGLContext;   // before the context is made (the viewers set the swap interval)
  TNotifyEvent BeforeRender;
  TNotifyEvent ViewerBeforeRender;   // the viewer's own, before BeforeRender
  TNotifyEvent PostRender;
  TNotifyEvent AfterRender;
  TDirectRenderEvent InitiateRendering;
  TDirectRenderEvent WrapUpRendering;

private:
  friend class TGLCamera;
  void PrepareGLContext();
  void SetupRenderingContext();   // the OpenGL state set before every frame
  void DoBaseRender(const TRectangle& viewport, TDrawState drawState, TGLBaseSceneObject* baseObject,
                    const TRect* pickRect);
  // A context that has been current cannot receive another's lists: the
  // context is made afresh so that it shares the scene's base context.
  void ShareWithScene(TScene3D* Scene);
  void KeepPresentedFrame();
  bool PresentedFrameShown() const;
  void ChangeSetting(bool& Field, bool Value);
  void StructuralChange();
  bool DesigningOwner() const;

  std::unique_ptr<TGLStateCache> FStateCache;
  bool FRendering = false;
  std::unique_ptr<TGLContext> FRenderingContext;
  HDC FDevice = nullptr;          // what the context was made for
  bool FMemoryContext = false;
  bool FDrawing = false;   // between the clearing and the swap of a frame
  std::vector<uint8_t> FPresentedFrame;   // RGBA, rows bottom-up: the frame on screen
  int FPresentedWidth = 0, FPresentedHeight = 0;
  TMatrix FProjectionMatrix = IdentityHmgMatrix;
  TMatrix FModelViewMatrix = IdentityHmgMatrix;
  std::vector<TMatrix> FModelViewMatrixStack;
  TMatrix FBaseProjectionMatrix = IdentityHmgMatrix;
  TVector FCameraAbsolutePosition{0.0f, 0.0f, 0.0f, 1.0f};
  TRectangle FViewPort{0, 0, 1, 1};
  bool FFaceCulling = true, FFogEnable = false, FLighting = true, FDepthTest = true;
  TColor FBackgroundColor = clBtnFace;
  float FBackgroundAlpha = 1.0f;
  std::unique_ptr<TGLColor> FAmbientColor;
  TGLAntiAliasing FAntiAliasing = TGLAntiAliasing::aaDefault;
  TGLDepthPrecision FDepthPrecision = TGLDepthPrecision::dpDefault;
  TGLColorDepth FColorDepth = TGLColorDepth::cdDefault;
  TContextOptions FContextOptions{TContextOption::roDoubleBuffer, TContextOption::roRenderToWindow};
  TGLShadeModel FShadeModel = TGLShadeModel::smDefault;
  int FRenderDPI = 96;
  std::unique_ptr<TGLFogEnvironment> FFogEnvironment;
  int FAccumBufferBits = 0;
  TGLCamera* FCamera = nullptr;   // not owned
  std::vector<uint8_t> FFreezeBuffer;
  int FFreezedViewPortWidth = 0, FFreezedViewPortHeight = 0;
  bool FFrozen = false;
  int FFrameCount = 0;
  float FFramesPerSecond = 0.0f;
  int64_t FFirstPerfCounter = 0;
  float FLastRenderTime = 0.0f;
};

// ---- Viewers without a window -------------------------------------------------------------

// A viewer that owns a buffer of a given size and leaves the making of its
// context to its subclasses.
class TGLNonVisualViewer : public TComponent {
  DECLARE_CLASSINFO(TGLNonVisualViewer)
public:
  explicit TGLNonVisualViewer(TComponent* AOwner);
  ~TGLNonVisualViewer() override;
  TScene3DBuffer* Buffer() const { return FBuffer.get(); }
  void SetBuffer(TScene3DBuffer* Value) { FBuffer->Assign(Value); }
  TGLCamera* Camera() const { return FBuffer->Camera(); }
  void SetCamera(TGLCamera* Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);    // at least 1; drops the context
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  // Stored in the buffer.
  const TNotifyEvent& BeforeRender() const { return FBuffer->BeforeRender; }
  void SetBeforeRender(TNotifyEvent Value) { FBuffer->BeforeRender = std::move(Value); }
  const TNotifyEvent& PostRender() const { return FBuffer->PostRender; }
  void SetPostRender(TNotifyEvent Value) { FBuffer->PostRender = std::move(Value); }
  const TNotifyEvent& AfterRender() const { return FBuffer->AfterRender; }
  void SetAfterRender(TNotifyEvent Value) { FBuffer->AfterRender = std::move(Value); }

  virtual void CopyToTexture(TGLTexture* aTexture);
  virtual void DoBufferChange(TObject* Sender) { (void)Sender; }
  virtual void DoBufferStructuralChange(TObject* Sender);
  virtual void Render(TGLBaseSceneObject* baseObject) = 0;
  void Render() { Render(nullptr); }
  // Called by the buffer before its context is prepared.
  virtual void PrepareGLContext() {}

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  std::unique_ptr<TScene3DBuffer> FBuffer;
  int FWidth = 256, FHeight = 256;
};

// Renders off screen into a memory context (a pbuffer) that shares lists
// and textures with the scene's other contexts.
class TGLMemoryViewer : public TGLNonVisualViewer {
  DECLARE_CLASSINFO(TGLMemoryViewer)
public:
  explicit TGLMemoryViewer(TComponent* AOwner);
  using TGLNonVisualViewer::Render;
  void Render(TGLBaseSceneObject* baseObject) override;
};

// The counter frequency read at start-up (0 without a counter).
int64_t Scene3DCounterFrequency();

// ---- The object-tree stream ------------------------------------------------------------

// The subtree of Root: signature "TPF0", then per object its class name,
// name, published values (a list of name and value) and children (a list of
// objects).
void WriteObjectTree(TStream& Stream, TGLBaseSceneObject* Root);
// A new subtree owned by Owner and placed under Parent (when given). Bad
// data raises EReadError naming what could not be read; nothing read so far
// is kept.
TGLBaseSceneObject* ReadObjectTree(TStream& Stream, TComponent* Owner, TGLBaseSceneObject* Parent = nullptr);
// A whole scene the same way: the scene's class, name and values, then the
// objects of its object tree followed by those of its camera tree, each
// with its subtree.
void WriteScene(TStream& Stream, TScene3D* Scene);
// A new scene owned by Owner (by the caller when Owner is null), its
// cameras under its camera root and every other object under its object
// root; references are resolved among Owner's components and the objects
// read. Bad data raises EReadError and leaves nothing behind.
TScene3D* ReadScene(TStream& Stream, TComponent* Owner);

void Scene3D_Initialize();   // registers the object and item classes
void Scene3D_Finalize();
