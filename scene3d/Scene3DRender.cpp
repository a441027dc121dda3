// The render path of scene objects (display lists, culling, sorting, axes)
// and their geometric tests.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "scene3d/GLState.h"
#include "scene3d/Scene3D.h"

namespace {
const char* const UnitName = "scene3d\\Scene3D";

TAffineVector Affine(const TVector& v) { return {v[0], v[1], v[2]}; }

// Turns a state off through the cache for the lifetime of the guard, when asked.
class TStateOff {
public:
  TStateOff(TGLStateCache* Cache, TGLState State, bool Active) : FCache(Active ? Cache : nullptr), FState(State) {
    if (FCache) FCache->Disable(FState);
  }
  ~TStateOff() {
    if (FCache) FCache->Enable(FState);
  }
  TStateOff(const TStateOff&) = delete;
  TStateOff& operator=(const TStateOff&) = delete;

private:
  TGLStateCache* FCache;
  TGLState FState;
};


// The name an object has in a selection-mode render: its address as 32 bits.
GLuint SelectionName(const TGLBaseSceneObject* Object) {
  return static_cast<GLuint>(reinterpret_cast<uintptr_t>(Object));
}
}  // namespace

// ---- Display list -----------------------------------------------------------------------------

GLuint TGLBaseSceneObject::GetHandle(TRenderContextInfo& rci) {
  if (FListHandle && FListHandle->Handle() != 0 && !FChanges.Contains(TGLObjectChange::ocStructure))
    return FListHandle->Handle();
  FChanges.Exclude(TGLObjectChange::ocStructure);
  if (!FListHandle) FListHandle = std::make_unique<TGLListHandle>();
  if (FListHandle->Handle() == 0) FListHandle->AllocateHandle();
  const GLuint name = FListHandle->Handle();
  Assert(name != 0, "Handle=0 for " + ClassName(), UnitName, 3925);
  glNewList(name, GL_COMPILE);
  try {
    BuildList(rci);
  } catch (...) {
    glEndList();
    throw;
  }
  glEndList();
  return name;
}

// ---- Rendering ----------------------------------------------------------------------------------

void TGLBaseSceneObject::Render(TRenderContextInfo& rci) {
  bool renderSelf = true, renderChildren = Count() > 0;
  const bool noCulling = ObjectStyle.Contains(TGLObjectStyle::osNoVisibilityCulling);
  switch (rci.visibilityCulling) {
    case TGLVisibilityCulling::vcObjectBased:
      renderSelf = noCulling || !IsVolumeClipped(Affine(AbsolutePosition()), BoundingSphereRadius(), rci.frustum);
      break;
    case TGLVisibilityCulling::vcHierarchical:
      if (!noCulling) {
        // The object's box placed in the world through its absolute matrix.
        TAABB box = SubtreeBoundingBox();
        AABBTransform(box, AbsoluteMatrix());
        renderSelf = !IsVolumeClipped(box.min, box.max, rci.frustum);
      }
      renderChildren = renderSelf && Count() > 0;
      break;
    case TGLVisibilityCulling::vcNone:
    case TGLVisibilityCulling::vcInherited:
      break;
    default:
      Assert(false, "Unknown visibility culling option", UnitName, 4263);
  }
  if (!renderSelf && !renderChildren) return;

  TGLPushedMatrix push;
  glMultMatrixf(LocalMatrix()[0].data());
  const bool picking = rci.drawState == TDrawState::dsPicking;
  if (picking) {
    if (rci.proxySubObject) glPushName(SelectionName(this));
    else glLoadName(SelectionName(this));
  }
  const bool ignoreDepth = ObjectStyle.Contains(TGLObjectStyle::osIgnoreDepthBuffer) && rci.buffer &&
                           rci.buffer->DepthTest();
  if (!renderSelf) {
    TStateOff depth(rci.stateCache, TGLState::stDepthTest, ignoreDepth);
    DoRender(rci, false, renderChildren);
  } else {
    if (FShowAxes) DrawAxes(rci, 0xCCCC);
    if (!HasEffects()) {
      RenderSelf(rci, renderChildren);
    } else {
      {
        TGLPushedMatrix pre;
        FGLObjectEffects->RenderPreEffects(rci.buffer, rci);
      }
      TGLPushedMatrix self;
      RenderSelf(rci, renderChildren);
      FGLObjectEffects->RenderPostEffects(rci.buffer, rci);
    }
  }
  if (picking && rci.proxySubObject) glPopName();
}

void TGLBaseSceneObject::RenderSelf(TRenderContextInfo& rci, bool renderChildren) {
  {
    const bool ignoreDepth = ObjectStyle.Contains(TGLObjectStyle::osIgnoreDepthBuffer) && rci.buffer &&
                             rci.buffer->DepthTest();
    TStateOff depth(rci.stateCache, TGLState::stDepthTest, ignoreDepth);
    DoRender(rci, true, renderChildren);
  }
  if (ObjectStyle.Contains(TGLObjectStyle::osAltersColorsOrWinding) && rci.stateCache) rci.stateCache->ResetAll();
}

void TGLBaseSceneObject::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf) {
    if (!ObjectStyle.Contains(TGLObjectStyle::osDirectDraw) && !rci.amalgamating) glCallList(GetHandle(rci));
    else BuildList(rci);
  }
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLBaseSceneObject::RenderChildren(int firstChildIndex, int lastChildIndex, TRenderContextInfo& rci) {
  if (FChildren.empty()) return;
  const TGLVisibilityCulling savedCulling = rci.visibilityCulling;
  if (FVisibilityCulling != TGLVisibilityCulling::vcInherited) rci.visibilityCulling = FVisibilityCulling;
  if (firstChildIndex == lastChildIndex) {
    TGLBaseSceneObject* child = Children(firstChildIndex);
    if (child && child->Visible()) child->Render(rci);
  } else if (firstChildIndex < lastChildIndex) {
    const TGLObjectsSorting savedSorting = rci.objectsSorting;
    if (FObjectsSorting != TGLObjectsSorting::osInherited) rci.objectsSorting = FObjectsSorting;
    // Snapshot: a child's render may not change the list it is drawn from.
    std::vector<TGLBaseSceneObject*> range;
    for (int i = firstChildIndex; i <= lastChildIndex; ++i)
      if (TGLBaseSceneObject* child = Children(i); child && child->Visible()) range.push_back(child);
    switch (rci.objectsSorting) {
      case TGLObjectsSorting::osNone:
        for (TGLBaseSceneObject* child : range) child->Render(rci);
        break;
      case TGLObjectsSorting::osRenderFarthestFirst:
      case TGLObjectsSorting::osRenderBlendedLast:
      case TGLObjectsSorting::osRenderNearestFirst: {
        std::vector<TGLBaseSceneObject*> objects;
        std::vector<float> keys;
        objects.reserve(static_cast<size_t>(lastChildIndex) + 1);
        keys.reserve(objects.capacity());
        for (TGLBaseSceneObject* child : range) {
          const float d2 = child->BarycenterSqrDistanceTo(rci.cameraPosition);
          switch (rci.objectsSorting) {
            case TGLObjectsSorting::osRenderFarthestFirst:
              objects.push_back(child);
              keys.push_back(d2 + 1.0f);
              break;
            case TGLObjectsSorting::osRenderBlendedLast:
              if (!child->Blended()) {
                child->Render(rci);
              } else {
                objects.push_back(child);
                keys.push_back(d2 + 1.0f);
              }
              break;
            default:
              objects.push_back(child);
              keys.push_back(-1.0f - d2);
          }
        }
        std::vector<size_t> order(objects.size());
        std::iota(order.begin(), order.end(), size_t(0));
        if (order.size() > 1)
          std::stable_sort(order.begin(), order.end(), [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
        for (auto it = order.rbegin(); it != order.rend(); ++it) objects[*it]->Render(rci);
        break;
      }
      default:
        Assert(false, "", UnitName, 4397);
    }
    rci.objectsSorting = savedSorting;
  }
  rci.visibilityCulling = savedCulling;
}

void TGLBaseSceneObject::DrawAxes(TRenderContextInfo& rci, uint16_t pattern, float size) {
  // By default the depth of view of the camera that renders the scene now.
  if (size == 0.0f) {
    const TScene3DBuffer* buffer = FScene && FScene->CurrentBuffer ? FScene->CurrentBuffer : rci.buffer;
    size = buffer && buffer->Camera() ? buffer->Camera()->DepthOfView() : 1.0f;
  }
  TGLStateCache* cache = rci.stateCache;
  const TGLStates saved = cache->States();
  glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_LINE_BIT | GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
  cache->Disable(TGLState::stLighting);
  cache->Enable(TGLState::stLineStipple);
  if (!rci.ignoreBlendingRequests) {
    cache->Enable(TGLState::stBlend);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  glLineWidth(1);
  glLineStipple(1, pattern);
  glBegin(GL_LINES);
  const float colours[3] = {0.5f, 1.0f, 0.0f};
  for (int axis = 0; axis < 3; ++axis)
    for (int half = 0; half < 2; ++half) {
      float c[3] = {0, 0, 0}, p[3] = {0, 0, 0};
      c[axis] = colours[half];
      p[axis] = half == 0 ? -size : size;
      glColor3fv(c);
      glVertex3f(0, 0, 0);
      glVertex3fv(p);
    }
  glEnd();
  // Back to the states the cache knew before, so that it matches OpenGL after the pop.
  for (TGLState s : {TGLState::stLighting, TGLState::stLineStipple, TGLState::stBlend}) {
    if (saved.Contains(s)) cache->Enable(s);
    else cache->Disable(s);
  }
  glPopAttrib();
}

// ---- Geometric tests ------------------------------------------------------------------------------

bool TGLBaseSceneObject::PointInObject(const TVector& point) {
  const TVector local = VectorTransform(point, InvAbsoluteMatrix());
  const TVector dims = AxisAlignedDimensions();
  const TVector s = FScaling->AsVector();
  for (size_t i = 0; i < 3; ++i)
    if (std::fabs(local[i] * s[i]) > dims[i]) return false;
  return true;
}

bool TGLBaseSceneObject::RayCastIntersect(const TVector& rayStart, const TVector& rayVector, TVector* intersectPoint,
                                          TVector* intersectNormal) {
  const TVector centre = AbsolutePosition();
  TVector i1, i2;
  if (RayCastSphereIntersect(rayStart, rayVector, centre, BoundingSphereRadius(), i1, i2) <= 0) return false;
  if (intersectPoint) *intersectPoint = i1;
  if (intersectNormal) {
    *intersectNormal = VectorNormalize(VectorSubtract(i1, centre));
    (*intersectNormal)[3] = 0.0f;
  }
  return true;
}

std::unique_ptr<TGLSilhouette> TGLBaseSceneObject::GenerateSilhouette(const TGLSilhouetteParameters& silhouetteParameters) {
  TAffineVector v;
  float r;
  switch (silhouetteParameters.Style) {
    case TSilhouetteStyle::ssParallel:
      v = silhouetteParameters.SeenFrom;
      r = BoundingSphereRadiusUnscaled();
      break;
    case TSilhouetteStyle::ssOmni:
      v = silhouetteParameters.SeenFrom;
      r = SphereVisibleRadius(VectorLength(v), BoundingSphereRadiusUnscaled());
      break;
    default:
      Assert(false, "", UnitName, 4472);
      return nullptr;
  }
  TAffineVector a = VectorCrossProduct(v, XVector);
  if (VectorLength(a) < 0.001f) a = VectorCrossProduct(v, YVector);
  TAffineVector b = VectorCrossProduct(v, a);
  NormalizeAffineVector(a);
  NormalizeAffineVector(b);
  auto s = std::make_unique<TGLSilhouette>();
  s->Parameters = silhouetteParameters;
  const int n = 21;
  for (int i = 0; i < n; ++i) {
    float sine, cosine;
    SinCos(i * 0.2991993f, sine, cosine);
    TAffineVector p;
    VectorCombine(a, b, 0.98f * r * cosine, 0.98f * r * sine, p);
    s->Vertices.Add(p, 1.0f);
    s->Indices.Add(i);
    s->Indices.Add((i + 1) % n);
  }
  if (silhouetteParameters.CappingRequired) {
    s->Vertices.Add(NullHmgPoint);
    for (int i = 0; i < n; ++i) {
      s->CapIndices.Add(n);
      s->CapIndices.Add(i);
      s->CapIndices.Add((i + 1) % n);
    }
  }
  return s;
}

TAABB TGLBaseSceneObject::SubtreeBoundingBox() {
  TAABB box;
  SetAABB(box, AxisAlignedDimensionsUnscaled());
  for (TGLBaseSceneObject* child : FChildren) {
    TAABB childBox = child->SubtreeBoundingBox();
    AABBTransform(childBox, child->LocalMatrix());
    AddAABB(box, childBox);
  }
  return box;
}

TAABB TGLBaseSceneObject::AxisAlignedBoundingBox() {
  TAABB box = SubtreeBoundingBox();
  AABBScale(box, FScaling->AsAffineVector());
  return box;
}
