// The library's basic scene objects: dummy cube, plane, sprite, points,
// lines, cube and sphere, and the wire cube and dodecahedron drawings they
// share.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "scene3d/Base/VectorLists.h"
#include "scene3d/GLState.h"
#include "scene3d/Scene3D.h"

// A NURBS curve of Order through Points (3 floats each, KnotCount - Order
// of them), drawn by GLU; a GLU without NURBS support draws nothing.
void GLUNurbsCurve(int KnotCount, float* Knots, float* Points, int Order, float Tolerance);
// The lines draw their NURBS curve through this, GLUNurbsCurve; tests put a
// recorder in its place, since a GLU may draw no curve at all.
extern void (*NurbsCurveProc)(int KnotCount, float* Knots, float* Points, int Order, float Tolerance);

// ---- Shared drawings -------------------------------------------------------------------------

// The 12 edges of the cube [-Size/2, Size/2]^3 in Color, unlit; dashed
// (pattern 0xCCCC, blended) when Stippled.
void CubeWireframeBuildList(TRenderContextInfo& rci, bool Stippled, float Size, const TVector& Color);
// The regular dodecahedron of circumradius 0.5196 as 12 fans with outward normals.
void DodecahedronBuildList();

// ---- Dummy cube ------------------------------------------------------------------------------

using TGLVisibilityDeterminationEvent = std::function<bool(TObject* Sender, TRenderContextInfo& rci)>;

// An invisible grouping node: a dashed wire cube only while designed or when
// VisibleAtRunTime; with Amalgamate its whole subtree is compiled into one list.
class TGLDummyCube : public TGLCameraInvariantObject {
  DECLARE_CLASSINFO(TGLDummyCube)
public:
  explicit TGLDummyCube(TComponent* AOwner);
  ~TGLDummyCube() override;
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  TVector AxisAlignedDimensionsUnscaled() override;
  bool RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint = nullptr,
                        TVector* intersectNormal = nullptr) override;
  TVector BarycenterAbsolutePosition() override;
  void BuildList(TRenderContextInfo& rci) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;
  void StructureChanged() override;
  void DestroyHandle() override;

  float CubeSize() const { return FCubeSize; }
  void SetCubeSize(float Value);
  TGLColor* EdgeColor() const { return FEdgeColor.get(); }
  void SetEdgeColor(TGLColor* Value);
  bool VisibleAtRunTime() const { return FVisibleAtRunTime; }
  void SetVisibleAtRunTime(bool Value);
  bool Amalgamate() const { return FAmalgamate; }
  void SetAmalgamate(bool Value);
  // The list the amalgamated subtree is compiled into (no name until drawn).
  const TGLListHandle& GroupList() const { return FGroupList; }
  TGLVisibilityDeterminationEvent OnVisibilityDetermination;

private:
  float FCubeSize = 1.0f;
  std::unique_ptr<TGLColor> FEdgeColor;
  bool FVisibleAtRunTime = false;
  bool FAmalgamate = false;
  TGLListHandle FGroupList;
};

// ---- Plane -------------------------------------------------------------------------------------

enum class TPlaneStyle : uint8_t { psSingleQuad, psTileTexture };
using TPlaneStyles = TSet<TPlaneStyle>;

// A rectangle in the object's xy plane facing +z, with tiled texture coordinates.
class TGLPlane : public TScene3DObject {
  DECLARE_CLASSINFO(TGLPlane)
public:
  explicit TGLPlane(TComponent* AOwner);
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  TVector AxisAlignedDimensionsUnscaled() override;
  bool RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint = nullptr,
                        TVector* intersectNormal = nullptr) override;
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
  void BuildList(TRenderContextInfo& rci) override;

  float XOffset() const { return FXOffset; }
  void SetXOffset(float Value);
  float YOffset() const { return FYOffset; }
  void SetYOffset(float Value);
  float XScope() const { return FXScope; }
  void SetXScope(float Value);   // at most 1
  float YScope() const { return FYScope; }
  void SetYScope(float Value);   // at most 1
  float Width() const { return FWidth; }
  void SetWidth(float Value);
  float Height() const { return FHeight; }
  void SetHeight(float Value);
  uint32_t XTiles() const { return FXTiles; }
  void SetXTiles(uint32_t Value);
  uint32_t YTiles() const { return FYTiles; }
  void SetYTiles(uint32_t Value);
  TPlaneStyles Style() const { return FStyle; }
  void SetStyle(TPlaneStyles Value);
  bool NoZWrite = false;

private:
  float FXOffset = 0.0f, FYOffset = 0.0f, FXScope = 1.0f, FYScope = 1.0f, FWidth = 1.0f, FHeight = 1.0f;
  uint32_t FXTiles = 1, FYTiles = 1;
  TPlaneStyles FStyle{TPlaneStyle::psSingleQuad, TPlaneStyle::psTileTexture};
};

// ---- Sprite ----------------------------------------------------------------------------------

// A textured rectangle that always faces the viewer.
class TGLSprite : public TScene3DObject {
  DECLARE_CLASSINFO(TGLSprite)
public:
  explicit TGLSprite(TComponent* AOwner);
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  TVector AxisAlignedDimensionsUnscaled() override;
  void BuildList(TRenderContextInfo& rci) override;

  float Width() const { return FWidth; }
  void SetWidth(float Value);
  float Height() const { return FHeight; }
  void SetHeight(float Value);
  float Rotation() const { return FRotation; }   // degrees about the line of sight
  void SetRotation(float Value);
  float AlphaChannel() const { return FAlphaChannel; }
  void SetAlphaChannel(float Value);   // clamped into [0, 1]
  bool NoZWrite() const { return FNoZWrite; }
  void SetNoZWrite(bool Value);
  bool MirrorU() const { return FMirrorU; }
  void SetMirrorU(bool Value);
  bool MirrorV() const { return FMirrorV; }
  void SetMirrorV(bool Value);

private:
  float FWidth = 1.0f, FHeight = 1.0f, FRotation = 0.0f, FAlphaChannel = 1.0f;
  bool FNoZWrite = false, FMirrorU = false, FMirrorV = false;
};

// ---- Points ------------------------------------------------------------------------------------

// The distance attenuation of point sizes (GL_ARB_point_parameters).
class TGLPointParameters : public TGLUpdateAbleObject {
  DECLARE_CLASSINFO(TGLPointParameters)
public:
  explicit TGLPointParameters(TPersistent* AOwner);
  ~TGLPointParameters() override;
  void Assign(TPersistent* Source) override;   // the sizes and the attenuation, not Enabled
  void DefineProperties(TFiler* Filer) override;
  // Only when Enabled and the driver has the extension.
  void Apply();
  void UnApply();   // back to 0, 128, 1 and (1, 0, 0)

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  float MinSize() const { return FMinSize; }
  void SetMinSize(float Value);   // negative values store 0
  float MaxSize() const { return FMaxSize; }
  void SetMaxSize(float Value);
  float FadeTresholdSize() const { return FFadeTresholdSize; }
  void SetFadeTresholdSize(float Value);
  TGLCoordinates* DistanceAttenuation() const { return FDistanceAttenuation.get(); }
  void SetDistanceAttenuation(TGLCoordinates* Value) { FDistanceAttenuation->Assign(Value); }

private:
  void SetSize(float& Field, float Value);
  bool FEnabled = false;
  float FMinSize = 0.0f, FMaxSize = 128.0f, FFadeTresholdSize = 1.0f;
  std::unique_ptr<TGLCoordinates> FDistanceAttenuation;
};

enum class TGLPointStyle : uint8_t { psSquare, psRound, psSmooth, psSmoothAdditive, psSquareAdditive };

// A cloud of points from a list of positions and an optional list of colours.
class TGLPoints : public TGLImmaterialSceneObject {
  DECLARE_CLASSINFO(TGLPoints)
public:
  explicit TGLPoints(TComponent* AOwner);
  ~TGLPoints() override;
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  void BuildList(TRenderContextInfo& rci) override;

  TAffineVectorList* Positions() const { return FPositions.get(); }
  void SetPositions(TAffineVectorList* Value);
  // Read and filled in place.
  TVectorList* Colors() const { return FColors.get(); }
  float Size() const { return FSize; }
  void SetSize(float Value);
  TGLPointStyle Style() const { return FStyle; }
  void SetStyle(TGLPointStyle Value);
  TGLPointParameters* PointParameters() const { return FPointParameters.get(); }
  void SetPointParameters(TGLPointParameters* Value) { FPointParameters->Assign(Value); }
  bool NoZWrite() const { return FNoZWrite; }
  void SetNoZWrite(bool Value);
  // Compiled into the display list instead of drawn from the lists every frame.
  bool Static() const { return FStatic; }
  void SetStatic(bool Value);

private:
  std::unique_ptr<TAffineVectorList> FPositions;
  std::unique_ptr<TVectorList> FColors;
  float FSize = 1.0f;
  TGLPointStyle FStyle = TGLPointStyle::psSquare;
  std::unique_ptr<TGLPointParameters> FPointParameters;
  bool FNoZWrite = false;
  bool FStatic = false;
};

// ---- Lines ---------------------------------------------------------------------------------------

enum class TLineNodesAspect : uint8_t { lnaInvisible, lnaAxes, lnaCube, lnaDodecahedron };
enum class TLineSplineMode : uint8_t { lsmLines, lsmCubicSpline, lsmBezierSpline, lsmNURBSCurve, lsmSegments };
enum class TLinesOption : uint8_t { loUseNodeColorForLines };
using TLinesOptions = TSet<TLinesOption>;

// Colour, stipple, width and smoothing of a line; drawn without material.
class TGLLineBase : public TGLImmaterialSceneObject {
  DECLARE_CLASSINFO(TGLLineBase)
public:
  explicit TGLLineBase(TComponent* AOwner);
  ~TGLLineBase() override;
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;

  TGLColor* LineColor() const { return FLineColor.get(); }
  void SetLineColor(TGLColor* Value) { FLineColor->Assign(Value); }
  uint16_t LinePattern() const { return FLinePattern; }
  void SetLinePattern(uint16_t Value);
  float LineWidth() const { return FLineWidth; }
  void SetLineWidth(float Value);
  bool AntiAliased() const { return FAntiAliased; }
  void SetAntiAliased(bool Value);

protected:
  // Pushes the line's attributes and sets them up; the guard pops them.
  std::unique_ptr<TGLPushedAttrib> SetupLineStyle(TRenderContextInfo& rci);

private:
  std::unique_ptr<TGLColor> FLineColor;
  uint16_t FLinePattern = 0xFFFF;
  float FLineWidth = 1.0f;
  bool FAntiAliased = false;
};

// A node of a line with a colour of its own.
class TGLLinesNode : public TGLNode {
  DECLARE_CLASSINFO(TGLLinesNode)
public:
  explicit TGLLinesNode(TCollection* ACollection);   // in the owning line's NodeColor
  ~TGLLinesNode() override;
  void Assign(TPersistent* Source) override;
  TGLColor* Color() const { return FColor.get(); }
  void SetColor(TGLColor* Value) { FColor->Assign(Value); }
  bool StoreColor() const;   // when it differs from the owning line's NodeColor

private:
  std::unique_ptr<TGLColor> FColor;
};

class TGLLinesNodes : public TGLNodes {
  DECLARE_CLASSINFO(TGLLinesNodes)
public:
  explicit TGLLinesNodes(TPersistent* AOwner) : TGLNodes(AOwner, CollectionItemClassOf<TGLLinesNode>()) {}
  TGLLinesNode* Items(int Index) const { return static_cast<TGLLinesNode*>(TGLNodes::Items(Index)); }
  TGLLinesNode* Add() { return static_cast<TGLLinesNode*>(TGLNodes::Add()); }
  // The owning scene object's structure changed.
  void NotifyChange() override;
};

// A line through a collection of nodes, with a marker at each node.
class TGLNodedLines : public TGLLineBase {
  DECLARE_CLASSINFO(TGLNodedLines)
public:
  explicit TGLNodedLines(TComponent* AOwner);
  ~TGLNodedLines() override;
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  TVector AxisAlignedDimensionsUnscaled() override;
  void NotifyChange(TObject* Sender) override;

  TGLLinesNodes* Nodes() const { return FNodes.get(); }
  void SetNodes(TGLLinesNodes* Value);
  TLineNodesAspect NodesAspect() const { return FNodesAspect; }
  void SetNodesAspect(TLineNodesAspect Value);
  // New nodes take this colour; nodes still in the former one follow a change.
  TGLColor* NodeColor() const { return FNodeColor.get(); }
  void SetNodeColor(TGLColor* Value);
  float NodeSize() const { return FNodeSize; }
  void SetNodeSize(float Value);   // values <= 0 store 1

protected:
  void DrawNode(TRenderContextInfo& rci, const TAffineVector& Position, const TVector& Color);

private:
  std::unique_ptr<TGLLinesNodes> FNodes;
  TLineNodesAspect FNodesAspect = TLineNodesAspect::lnaAxes;
  std::unique_ptr<TGLColor> FNodeColor;
  TVector FOldNodeColor{0, 0, 1, 1};
  float FNodeSize = 1.0f;
};

// The nodes joined by straight segments, a cubic spline, a Bezier curve or a
// NURBS curve, or drawn as separate segments.
class TGLLines : public TGLNodedLines {
  DECLARE_CLASSINFO(TGLLines)
public:
  explicit TGLLines(TComponent* AOwner);
  ~TGLLines() override;
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  void BuildList(TRenderContextInfo& rci) override;

  int Division() const { return FDivision; }
  void SetDivision(int Value);   // values below 1 store 1
  TLineSplineMode SplineMode() const { return FSplineMode; }
  void SetSplineMode(TLineSplineMode Value);
  TLinesOptions Options() const { return FOptions; }
  void SetOptions(TLinesOptions Value);
  // The NURBS curve's order, sampling tolerance and knots (not streamed).
  int NURBSOrder() const { return FNURBSOrder; }
  void SetNURBSOrder(int Value);
  float NURBSTolerance() const { return FNURBSTolerance; }
  void SetNURBSTolerance(float Value);
  TSingleList* NURBSKnots() const { return FNURBSKnots.get(); }   // StructureChanged after filling
  // The knots the curve is drawn with: at most node count + order, and 0
  // (no curve) for an order outside 1 .. node count or fewer than two
  // orders' worth of knots.
  int NURBSCurveKnotCount() const;

private:
  // The Bezier curve through all nodes evaluated here, for more nodes than
  // the driver's evaluators take.
  void EmitBezier(const std::vector<float>& Points, const std::vector<float>& Colors, int NodeCount);
  int FDivision = 10;
  TLineSplineMode FSplineMode = TLineSplineMode::lsmLines;
  TLinesOptions FOptions;
  int FNURBSOrder = 0;
  float FNURBSTolerance = 50.0f;
  std::unique_ptr<TSingleList> FNURBSKnots;
};

// ---- Cube --------------------------------------------------------------------------------------

enum class TCubePart : uint8_t { cpTop, cpBottom, cpFront, cpBack, cpLeft, cpRight };
using TCubeParts = TSet<TCubePart>;
enum class TNormalDirection : uint8_t { ndInside, ndOutside };

// A box centred on its origin with selectable faces.
class TGLCube : public TScene3DObject {
  DECLARE_CLASSINFO(TGLCube)
public:
  explicit TGLCube(TComponent* AOwner);
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  TVector AxisAlignedDimensionsUnscaled() override;
  bool RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint = nullptr,
                        TVector* intersectNormal = nullptr) override;
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
  void BuildList(TRenderContextInfo& rci) override;

  float CubeWidth() const { return FCubeSize[0]; }
  void SetCubeWidth(float Value) { SetSize(0, Value); }
  float CubeHeight() const { return FCubeSize[1]; }
  void SetCubeHeight(float Value) { SetSize(1, Value); }
  float CubeDepth() const { return FCubeSize[2]; }
  void SetCubeDepth(float Value) { SetSize(2, Value); }
  TCubeParts Parts() const { return FParts; }
  void SetParts(TCubeParts Value);
  TNormalDirection NormalDirection() const { return FNormalDirection; }
  void SetNormalDirection(TNormalDirection Value);

private:
  void SetSize(int Axis, float Value);
  TAffineVector FCubeSize{1.0f, 1.0f, 1.0f};
  TCubeParts FParts{TCubePart::cpTop,  TCubePart::cpBottom, TCubePart::cpFront,
                    TCubePart::cpBack, TCubePart::cpLeft,   TCubePart::cpRight};
  TNormalDirection FNormalDirection = TNormalDirection::ndOutside;
};

// ---- Quadrics ------------------------------------------------------------------------------------

enum class TNormalSmoothing : uint8_t { nsFlat, nsSmooth, nsNone };
enum class TCapType : uint8_t { ctNone, ctCenter, ctFlat };
using TAngleLimit1 = int8_t;     // -90..90
using TAngleLimit2 = uint16_t;   // 0..360

class TGLQuadricObject : public TScene3DObject {
  DECLARE_CLASSINFO(TGLQuadricObject)
public:
  using TScene3DObject::TScene3DObject;
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  TNormalSmoothing Normals() const { return FNormals; }
  void SetNormals(TNormalSmoothing Value);
  TNormalDirection NormalDirection() const { return FNormalDirection; }
  void SetNormalDirection(TNormalDirection Value);

private:
  TNormalSmoothing FNormals = TNormalSmoothing::nsSmooth;
  TNormalDirection FNormalDirection = TNormalDirection::ndOutside;
};

// A sphere of stacks and slices, optionally cut to a latitude band and a
// longitude sector with capped cuts. Longitude 0 lies on +z, 90 on +x.
class TGLSphere : public TGLQuadricObject {
  DECLARE_CLASSINFO(TGLSphere)
public:
  explicit TGLSphere(TComponent* AOwner) : TGLQuadricObject(AOwner) {}
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  TVector AxisAlignedDimensionsUnscaled() override;
  bool RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint = nullptr,
                        TVector* intersectNormal = nullptr) override;
  std::unique_ptr<TGLSilhouette> GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) override;
  void BuildList(TRenderContextInfo& rci) override;

  float Radius() const { return FRadius; }
  void SetRadius(float Value);
  int Slices() const { return FSlices; }
  void SetSlices(int Value);   // values <= 0 store 1
  int Stacks() const { return FStacks; }
  void SetStacks(int Value);   // values <= 0 store 1
  TAngleLimit1 Top() const { return FTop; }
  void SetTop(int Value);      // kept within -90..90
  TAngleLimit1 Bottom() const { return FBottom; }
  void SetBottom(int Value);   // kept within -90..90
  TAngleLimit2 Start() const { return FStart; }
  void SetStart(int Value);    // kept within 0..360; above Stop fails an assertion
  TAngleLimit2 Stop() const { return FStop; }
  void SetStop(int Value);     // kept within 0..360; below Start fails an assertion
  TCapType TopCap() const { return FTopCap; }
  void SetTopCap(TCapType Value);
  TCapType BottomCap() const { return FBottomCap; }
  void SetBottomCap(TCapType Value);

private:
  float FRadius = 0.5f;
  int FSlices = 16, FStacks = 16;
  TAngleLimit1 FTop = 90, FBottom = -90;
  TAngleLimit2 FStart = 0, FStop = 360;
  TCapType FTopCap = TCapType::ctNone, FBottomCap = TCapType::ctNone;
};

// Registers the object classes for streaming (and starts unit Scene3D).
void GLObjects_Initialize();
void GLObjects_Finalize();
