// Lines through nodes: straight, cubic spline, Bezier, NURBS or segments,
// with markers at the nodes.
#include <algorithm>
#include <cmath>

#include "scene3d/GLObjects.h"

namespace {
const char* const NodesAspectNames[] = {"lnaInvisible", "lnaAxes", "lnaCube", "lnaDodecahedron"};
const char* const SplineModeNames[] = {"lsmLines", "lsmCubicSpline", "lsmBezierSpline", "lsmNURBSCurve", "lsmSegments"};
const char* const LinesOptionNames[] = {"loUseNodeColorForLines"};

// A GLU NURBS renderer, deleted with its owner.
class TNurbsRenderer {
public:
  TNurbsRenderer() : FNurbs(gluNewNurbsRenderer()) {}
  ~TNurbsRenderer() {
    if (FNurbs) gluDeleteNurbsRenderer(FNurbs);
  }
  TNurbsRenderer(const TNurbsRenderer&) = delete;
  TNurbsRenderer& operator=(const TNurbsRenderer&) = delete;
  GLUnurbs* Handle() const { return FNurbs; }

private:
  GLUnurbs* FNurbs;
};

}  // namespace

void GLUNurbsCurve(int KnotCount, float* Knots, float* Points, int Order, float Tolerance) {
  TNurbsRenderer nurbs;
  if (!nurbs.Handle()) return;
  gluNurbsProperty(nurbs.Handle(), GLU_SAMPLING_TOLERANCE, Tolerance);
  gluNurbsProperty(nurbs.Handle(), GLU_DISPLAY_MODE, GLU_FILL);
  gluBeginCurve(nurbs.Handle());
  gluNurbsCurve(nurbs.Handle(), KnotCount, Knots, 3, Points, Order, GL_MAP1_VERTEX_3);
  gluEndCurve(nurbs.Handle());
}

void (*NurbsCurveProc)(int KnotCount, float* Knots, float* Points, int Order, float Tolerance) = GLUNurbsCurve;

namespace {
void ReadColor(TVirtualReader& R, TGLColor* Color) {
  TVector c;
  R.ReadListBegin();
  for (float& v : c) v = static_cast<float>(R.ReadFloat());
  R.ReadListEnd();
  Color->SetColor(c);
}

void WriteColor(TVirtualWriter& W, const TVector& Color) {
  W.WriteListBegin();
  for (float v : Color) W.WriteFloat(v);
  W.WriteListEnd();
}
}  // namespace

// ---- TGLLineBase ---------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLLineBase, TGLImmaterialSceneObject)

TGLLineBase::TGLLineBase(TComponent* AOwner)
    : TGLImmaterialSceneObject(AOwner), FLineColor(std::make_unique<TGLColor>(this, TVector{1, 1, 1, 1})) {}

TGLLineBase::~TGLLineBase() = default;

void TGLLineBase::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLLineBase*>(Source)) {
    SetLineColor(src->FLineColor.get());
    SetLinePattern(src->FLinePattern);
    SetLineWidth(src->FLineWidth);
    SetAntiAliased(src->FAntiAliased);
    return;
  }
  TGLImmaterialSceneObject::Assign(Source);
}

void TGLLineBase::DefineProperties(TFiler* Filer) {
  TGLImmaterialSceneObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefinePersistent("LineColor", FLineColor.get());
  f->DefineInteger("LinePattern", FLinePattern, [this](int32_t v) { SetLinePattern(static_cast<uint16_t>(v)); },
                   FLinePattern != 0xFFFF);
  f->DefineSingle("LineWidth", FLineWidth, [this](float v) { SetLineWidth(v); }, FLineWidth != 1.0f);
  f->DefineBoolean("AntiAliased", FAntiAliased, [this](bool v) { SetAntiAliased(v); }, FAntiAliased);
}

std::unique_ptr<TGLPushedAttrib> TGLLineBase::SetupLineStyle(TRenderContextInfo& rci) {
  TGLStateCache* cache = rci.stateCache;
  auto pushed =
      std::make_unique<TGLPushedAttrib>(cache, GL_CURRENT_BIT | GL_LINE_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
  cache->Disable(TGLState::stLighting);
  auto blend = [cache] {
    cache->Enable(TGLState::stBlend);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  };
  if (FLinePattern != 0xFFFF) {
    cache->Enable(TGLState::stLineStipple);
    blend();
    glLineStipple(1, FLinePattern);
  }
  if (FAntiAliased) {
    cache->Enable(TGLState::stLineSmooth);
    blend();
  } else {
    cache->Disable(TGLState::stLineSmooth);
  }
  glLineWidth(FLineWidth);
  if (FLineColor->Alpha() == 1.0f) {
    glColor3fv(FLineColor->AsAddress());
  } else {
    if (!FAntiAliased) blend();
    glColor4fv(FLineColor->AsAddress());
  }
  return pushed;
}

void TGLLineBase::SetLinePattern(uint16_t Value) {
  if (Value == FLinePattern) return;
  FLinePattern = Value;
  StructureChanged();
}

void TGLLineBase::SetLineWidth(float Value) {
  if (Value == FLineWidth) return;
  FLineWidth = Value;
  StructureChanged();
}

void TGLLineBase::SetAntiAliased(bool Value) {
  if (Value == FAntiAliased) return;
  FAntiAliased = Value;
  StructureChanged();
}

// ---- Nodes ------------------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLLinesNode, TGLNode)
IMPLEMENT_CLASSINFO(TGLLinesNodes, TGLNodes)

namespace {
TGLNodedLines* OwningLines(const TCollection* Collection) {
  return Collection ? dynamic_cast<TGLNodedLines*>(Collection->GetOwner()) : nullptr;
}
}  // namespace

TGLLinesNode::TGLLinesNode(TCollection* ACollection) : TGLNode(ACollection) {
  const TGLNodedLines* lines = OwningLines(ACollection);
  FColor = std::make_unique<TGLColor>(this, lines ? lines->NodeColor()->Color() : TVector{0, 0, 1, 1},
                                      [this](TObject*) { Changed(false); });
}

TGLLinesNode::~TGLLinesNode() = default;

void TGLLinesNode::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLLinesNode*>(Source)) FColor->Assign(src->FColor.get());
  TGLNode::Assign(Source);
}

bool TGLLinesNode::StoreColor() const {
  const TGLNodedLines* lines = OwningLines(Collection());
  return !lines || !VectorEquals(FColor->Color(), lines->NodeColor()->Color());
}

void TGLLinesNodes::NotifyChange() {
  if (UpdateCount() != 0) return;
  auto* o = dynamic_cast<TGLBaseSceneObject*>(GetOwner());
  if (o && !o->ComponentState.Contains(TComponentStateItem::csDestroying)) o->StructureChanged();
}

// ---- TGLNodedLines -------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLNodedLines, TGLLineBase)

TGLNodedLines::TGLNodedLines(TComponent* AOwner)
    : TGLLineBase(AOwner),
      FNodes(std::make_unique<TGLLinesNodes>(this)),
      FNodeColor(std::make_unique<TGLColor>(this, TVector{0, 0, 1, 1})) {}

TGLNodedLines::~TGLNodedLines() {
  FNodes.reset();   // nodes read the node colour while they go
}

void TGLNodedLines::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLNodedLines*>(Source)) {
    SetNodes(src->FNodes.get());
    FNodesAspect = src->FNodesAspect;
    SetNodeColor(src->FNodeColor.get());
    FNodeSize = src->FNodeSize;
  }
  TGLLineBase::Assign(Source);
}

void TGLNodedLines::DefineProperties(TFiler* Filer) {
  TGLLineBase::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  // Before the nodes: a node's colour is stored against it.
  f->DefinePersistent("NodeColor", FNodeColor.get());
  // A list of nodes, each a list of its values by name.
  f->DefineValue(
      "Nodes",
      [this](TVirtualReader& R) {
        FNodes->BeginUpdate();
        FNodes->Clear();
        R.ReadListBegin();
        while (!R.EndOfList()) {
          TGLLinesNode* node = FNodes->Add();
          R.ReadListBegin();
          while (!R.EndOfList()) {
            const std::string name = R.ReadString();
            if (name == "X") node->SetX(static_cast<float>(R.ReadFloat()));
            else if (name == "Y") node->SetY(static_cast<float>(R.ReadFloat()));
            else if (name == "Z") node->SetZ(static_cast<float>(R.ReadFloat()));
            else if (name == "Color") ReadColor(R, node->Color());
            else throw EReadError("Invalid node property " + name);
          }
          R.ReadListEnd();
        }
        R.ReadListEnd();
        FNodes->EndUpdate();
      },
      [this](TVirtualWriter& W) {
        W.WriteListBegin();
        for (int i = 0; i < FNodes->Count(); ++i) {
          const TGLLinesNode* node = FNodes->Items(i);
          W.WriteListBegin();
          const char* const axes[3] = {"X", "Y", "Z"};
          for (int a = 0; a < 3; ++a)
            if (node->StoreCoordinate(a)) {
              W.WriteString(axes[a]);
              W.WriteFloat(node->AsVector()[static_cast<size_t>(a)]);
            }
          if (node->StoreColor()) {
            W.WriteString("Color");
            WriteColor(W, node->Color()->Color());
          }
          W.WriteListEnd();
        }
        W.WriteListEnd();
      },
      FNodes->Count() > 0);
  f->DefineEnum<TLineNodesAspect>("NodesAspect", NodesAspectNames, FNodesAspect,
                                  [this](TLineNodesAspect v) { SetNodesAspect(v); },
                                  FNodesAspect != TLineNodesAspect::lnaAxes);
  f->DefineSingle("NodeSize", FNodeSize, [this](float v) { SetNodeSize(v); }, FNodeSize != 1.0f);
}

TVector TGLNodedLines::AxisAlignedDimensionsUnscaled() {
  TVector r{0, 0, 0, 0};
  for (int i = 0; i < FNodes->Count(); ++i) {
    const TVector& v = FNodes->Items(i)->AsVector();
    for (size_t a = 0; a < 3; ++a) r[a] = std::max(r[a], std::fabs(v[a]));
  }
  return r;
}

void TGLNodedLines::NotifyChange(TObject* Sender) {
  if (Sender == FNodeColor.get() && !VectorEquals(FNodeColor->Color(), FOldNodeColor)) {
    // Nodes still in the former node colour follow it.
    const TVector newColor = FNodeColor->Color();
    FNodes->BeginUpdate();
    for (int i = 0; i < FNodes->Count(); ++i) {
      TGLColor* c = FNodes->Items(i)->Color();
      if (VectorEquals(c->Color(), FOldNodeColor)) c->SetColor(newColor);
    }
    FOldNodeColor = newColor;
    FNodes->EndUpdate();
  }
  TGLLineBase::NotifyChange(Sender);
}

void TGLNodedLines::SetNodes(TGLLinesNodes* Value) {
  FNodes->Assign(Value);
  StructureChanged();
}

void TGLNodedLines::SetNodesAspect(TLineNodesAspect Value) {
  if (Value == FNodesAspect) return;
  FNodesAspect = Value;
  StructureChanged();
}

void TGLNodedLines::SetNodeColor(TGLColor* Value) {
  FNodeColor->Assign(Value);
  StructureChanged();
}

void TGLNodedLines::SetNodeSize(float Value) {
  FNodeSize = Value <= 0.0f ? 1.0f : Value;
  StructureChanged();
}

void TGLNodedLines::DrawNode(TRenderContextInfo& rci, const TAffineVector& Position, const TVector& Color) {
  TGLPushedMatrix push;
  glTranslatef(Position[0], Position[1], Position[2]);
  switch (FNodesAspect) {
    case TLineNodesAspect::lnaAxes:
      DrawAxes(rci, 0xCCCC, FNodeSize * 0.5f);
      break;
    case TLineNodesAspect::lnaCube:
      CubeWireframeBuildList(rci, false, FNodeSize, Color);
      break;
    case TLineNodesAspect::lnaDodecahedron: {
      const bool scaled = FNodeSize != 1.0f;
      if (scaled) {
        glPushMatrix();
        glScalef(FNodeSize, FNodeSize, FNodeSize);
      }
      const TVector black{0, 0, 0, 1}, ambient{0.2f, 0.2f, 0.2f, 1};
      rci.stateCache->SetGLMaterialColors(GL_FRONT, black, ambient, Color, black, 0);
      DodecahedronBuildList();
      if (scaled) glPopMatrix();
      break;
    }
    default:
      break;
  }
}

// ---- TGLLines ---------------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLLines, TGLNodedLines)

TGLLines::TGLLines(TComponent* AOwner) : TGLNodedLines(AOwner), FNURBSKnots(std::make_unique<TSingleList>()) {}

TGLLines::~TGLLines() = default;

void TGLLines::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLLines*>(Source)) {
    SetDivision(src->FDivision);
    SetSplineMode(src->FSplineMode);
    SetOptions(src->FOptions);
  }
  TGLNodedLines::Assign(Source);
}

void TGLLines::DefineProperties(TFiler* Filer) {
  TGLNodedLines::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineInteger("Division", FDivision, [this](int32_t v) { SetDivision(v); }, FDivision != 10);
  f->DefineEnum<TLineSplineMode>("SplineMode", SplineModeNames, FSplineMode,
                                 [this](TLineSplineMode v) { SetSplineMode(v); },
                                 FSplineMode != TLineSplineMode::lsmLines);
  f->DefineSet<TLinesOption>("Options", LinesOptionNames, FOptions, [this](TLinesOptions v) { SetOptions(v); },
                             !FOptions.Empty());
}

void TGLLines::EmitBezier(const std::vector<float>& Points, const std::vector<float>& Colors, int NodeCount) {
  std::vector<float> p(Points.size()), c(Colors.size());
  const size_t n = static_cast<size_t>(NodeCount);
  for (int i = 0; i <= FDivision; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(FDivision);
    p = Points, c = Colors;
    // de Casteljau: each round blends neighbours until one point is left.
    for (size_t round = 1; round < n; ++round)
      for (size_t k = 0; k < n - round; ++k) {
        for (size_t a = 0; a < 3; ++a) p[3 * k + a] += t * (p[3 * (k + 1) + a] - p[3 * k + a]);
        for (size_t a = 0; a < 4; ++a) c[4 * k + a] += t * (c[4 * (k + 1) + a] - c[4 * k + a]);
      }
    glColor4fv(c.data());
    glVertex3fv(p.data());
  }
}

void TGLLines::BuildList(TRenderContextInfo& rci) {
  const int n = Nodes()->Count();
  if (n < 2) return;
  {
    std::unique_ptr<TGLPushedAttrib> lineStyle = SetupLineStyle(rci);
    std::vector<float> points, colors;
    if (FSplineMode == TLineSplineMode::lsmBezierSpline || FSplineMode == TLineSplineMode::lsmNURBSCurve) {
      points.reserve(3 * static_cast<size_t>(n));
      colors.reserve(4 * static_cast<size_t>(n));
      for (int i = 0; i < n; ++i) {
        const TGLLinesNode* node = Nodes()->Items(i);
        for (size_t a = 0; a < 3; ++a) points.push_back(node->AsVector()[a]);
        for (float c : node->Color()->Color()) colors.push_back(c);
      }
    }
    // The evaluators take at most GL_MAX_EVAL_ORDER control points; a longer
    // curve is evaluated here instead.
    bool evaluators = false;
    if (FSplineMode == TLineSplineMode::lsmBezierSpline) {
      GLint maxOrder = 0;
      glGetIntegerv(GL_MAX_EVAL_ORDER, &maxOrder);
      if (n <= maxOrder) {
        evaluators = true;
        glPushAttrib(GL_EVAL_BIT);
        glEnable(GL_MAP1_VERTEX_3);
        glEnable(GL_MAP1_COLOR_4);
        glMap1f(GL_MAP1_VERTEX_3, 0, 1, 3, n, points.data());
        glMap1f(GL_MAP1_COLOR_4, 0, 1, 4, n, colors.data());
      }
    }
    if (FSplineMode == TLineSplineMode::lsmNURBSCurve && FDivision >= 2) {
      if (const int knots = NURBSCurveKnotCount(); knots > 0) {
        NurbsCurveProc(knots, FNURBSKnots->List(), points.data(), FNURBSOrder, FNURBSTolerance);
      }
    } else {
      const bool nodeColors = FOptions.Contains(TLinesOption::loUseNodeColorForLines);
      glBegin(FSplineMode == TLineSplineMode::lsmSegments ? GL_LINES : GL_LINE_STRIP);
      if (FDivision >= 2 && FSplineMode == TLineSplineMode::lsmCubicSpline) {
        std::unique_ptr<TCubicSpline> spline = Nodes()->CreateNewCubicSpline();
        const float f = 1.0f / static_cast<float>(FDivision);
        for (int i = 0; i <= (n - 1) * FDivision; ++i) {
          float x, y, z;
          spline->SplineXYZ(static_cast<float>(i) * f, x, y, z);
          if (nodeColors) {
            const int a = i / FDivision;
            const TVector c = a >= n - 1 ? Nodes()->Items(n - 1)->Color()->Color()
                                         : VectorLerp(Nodes()->Items(a)->Color()->Color(),
                                                      Nodes()->Items(a + 1)->Color()->Color(),
                                                      static_cast<float>(i % FDivision) * f);
            glColor4fv(c.data());
          }
          glVertex3f(x, y, z);
        }
      } else if (FDivision >= 2 && FSplineMode == TLineSplineMode::lsmBezierSpline) {
        if (evaluators)
          for (int i = 0; i <= FDivision; ++i) glEvalCoord1f(static_cast<float>(i) / static_cast<float>(FDivision));
        else
          EmitBezier(points, colors, n);
      } else {
        for (int i = 0; i < n; ++i) {
          const TGLLinesNode* node = Nodes()->Items(i);
          if (nodeColors) glColor4fv(node->Color()->AsAddress());
          glVertex3fv(node->AsVector().data());
        }
      }
      glEnd();
    }
    if (evaluators) glPopAttrib();
  }
  if (NodesAspect() == TLineNodesAspect::lnaInvisible) return;
  TGLStateCache* cache = rci.stateCache;
  TGLPushedAttrib pushed(cache, GL_ENABLE_BIT);
  if (!rci.ignoreBlendingRequests) {
    cache->Enable(TGLState::stBlend);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  cache->Disable(TGLState::stTexture2D);
  if (GL.ARB_texture_cube_map) cache->Disable(TGLState::stTextureCubeMap);
  for (int i = 0; i < n; ++i) {
    const TGLLinesNode* node = Nodes()->Items(i);
    DrawNode(rci, node->AsAffineVector(), node->Color()->Color());
  }
}

void TGLLines::SetDivision(int Value) {
  if (Value < 1) Value = 1;
  if (Value == FDivision) return;
  FDivision = Value;
  StructureChanged();
}

void TGLLines::SetSplineMode(TLineSplineMode Value) {
  if (Value == FSplineMode) return;
  FSplineMode = Value;
  StructureChanged();
}

void TGLLines::SetOptions(TLinesOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  StructureChanged();
}

// GLU reads knots - order control points: never more than there are nodes.
int TGLLines::NURBSCurveKnotCount() const {
  const int nodes = Nodes()->Count();
  if (FNURBSOrder < 1 || FNURBSOrder > nodes) return 0;
  const int knots = std::min(FNURBSKnots->Count(), nodes + FNURBSOrder);
  return knots >= 2 * FNURBSOrder ? knots : 0;
}

void TGLLines::SetNURBSOrder(int Value) {
  if (Value == FNURBSOrder) return;
  FNURBSOrder = Value;
  StructureChanged();
}

void TGLLines::SetNURBSTolerance(float Value) {
  if (Value == FNURBSTolerance) return;
  FNURBSTolerance = Value;
  StructureChanged();
}
