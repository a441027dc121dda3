#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "GLTestWindow.h"
#include "SceneTestObjects.h"
#include "scene3d/GLState.h"
#include "scene3d/Platform/GLWin32Context.h"

namespace {
const int Size = 128;

// A 128 x 128 view with a context, a scene and the render context record a
// scene buffer would fill: orthographic [-1, 1] in x and y, the camera at
// (0, 0, 10) looking down -z.
class SceneRenderTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    OpenGL1x_Initialize();
    GLContext_Initialize();
    StartSceneUnits();
    Form = new TGLTestForm(Application, Size, Size);
    Context = std::make_unique<TGLWin32Context>();
    Context->SetDepthBits(24);
    Context->CreateContext(Form->View->DC());
    Context->Activate();
    Scene = std::make_unique<TCountingScene>(nullptr);
    Buffer = std::make_unique<TScene3DBuffer>(nullptr);
    glViewport(0, 0, Size, Size);
    SetProjection([] { glOrtho(-1, 1, -1, 1, 0, 20); });
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -10);
    FillContextInfo();
  }
  void TearDown() override {
    Scene.reset();
    Context.reset();
    delete Form;
    StopSceneUnits();
    GLContext_Finalize();
    OpenGL1x_Finalize();
    Forms_Finalize();
  }
  static void SetProjection(void (*Apply)()) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    Apply();
    glMatrixMode(GL_MODELVIEW);
  }
  // As the scene fills it: camera, culling frustum from the current matrices, state cache.
  void FillContextInfo() {
    rci = TRenderContextInfo{};
    rci.scene = Scene.get();
    rci.buffer = Buffer.get();
    rci.stateCache = &Cache;
    TMatrix mv, proj;
    glGetFloatv(GL_MODELVIEW_MATRIX, mv[0].data());
    glGetFloatv(GL_PROJECTION_MATRIX, proj[0].data());
    rci.frustum = ExtractFrustumFromModelViewProjection(MatrixMultiply(mv, proj));
    const TMatrix inv = MatrixInvert(mv);
    rci.cameraPosition = inv[3];
    rci.farClippingDistance = 20;
    rci.viewPortSize[0] = rci.viewPortSize[1] = Size;
    rci.objectsSorting = TGLObjectsSorting::osNone;
    rci.visibilityCulling = TGLVisibilityCulling::vcNone;
  }
  TCapture Frame() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderLog.clear();
    Scene->Objects()->Render(rci);
    glFinish();
    return ReadGLPixels(Size, Size);
  }
  TTestObject* Add(TGLBaseSceneObject* Parent, const std::string& Name, float X, float Y, float Z, uint32_t Rgb) {
    auto* o = Parent->AddNewChild<TTestObject>();
    o->SetName(Name);
    o->Position()->SetPoint(X, Y, Z);
    o->Colour[0] = ((Rgb >> 16) & 0xFF) / 255.0f;
    o->Colour[1] = ((Rgb >> 8) & 0xFF) / 255.0f;
    o->Colour[2] = (Rgb & 0xFF) / 255.0f;
    return o;
  }
  // The names DoRender was called for, in order.
  static std::vector<std::string> Rendered() {
    std::vector<std::string> r;
    for (const std::string& s : RenderLog)
      if (s.find(' ') == std::string::npos) r.push_back(s);
    return r;
  }
  // Top-down pixel of a point of the [-1, 1] square.
  static int Px(float X) { return static_cast<int>((X + 1) / 2 * Size); }
  static int Py(float Y) { return static_cast<int>((1 - Y) / 2 * Size); }

  TGLTestForm* Form = nullptr;
  std::unique_ptr<TGLWin32Context> Context;
  std::unique_ptr<TCountingScene> Scene;
  std::unique_ptr<TScene3DBuffer> Buffer;
  TGLStateCache Cache;
  TRenderContextInfo rci;
};
using TNames = std::vector<std::string>;

void ExpectNearVector(const TVector& a, const TVector& b, float tol = 1e-5f) {
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(a[i], b[i], tol) << "component " << i;
}
}  // namespace

TEST_F(SceneRenderTest, ChildrenRenderInTheSortingOrder) {
  // Overlapping squares at distances 12, 7 and 10 from the camera; without a
  // depth test the last one drawn shows.
  TTestObject* a = Add(Scene->Objects(), "A", 0, 0, -2, 0xFF0000);
  TTestObject* b = Add(Scene->Objects(), "B", 0.1f, 0, 3, 0x00FF00);
  TTestObject* c = Add(Scene->Objects(), "C", 0.2f, 0, 0, 0x0000FF);
  TTestObject* hidden = Add(Scene->Objects(), "Hidden", 0, 0, 5, 0xFFFFFF);
  Add(hidden, "UnderHidden", 0, 0, 0, 0xFFFFFF);
  hidden->SetVisible(false);
  const int cx = Px(0.1f), cy = Py(0);

  EXPECT_EQ(Rendered(), TNames{}) << "nothing before the first frame";
  Frame();
  EXPECT_EQ(Rendered(), (TNames{"A", "B", "C"})) << "osNone: list order";

  Scene->Objects()->SetObjectsSorting(TGLObjectsSorting::osRenderFarthestFirst);
  TCapture frame = Frame();
  EXPECT_EQ(Rendered(), (TNames{"A", "C", "B"}));
  EXPECT_EQ(frame.At(cx, cy), 0x00FF00u) << "the nearest was drawn last";
  SaveBmp(frame, "farthest_first.bmp");

  rci.objectsSorting = TGLObjectsSorting::osRenderNearestFirst;
  Scene->Objects()->SetObjectsSorting(TGLObjectsSorting::osInherited);
  frame = Frame();
  EXPECT_EQ(Rendered(), (TNames{"B", "C", "A"})) << "the context's mode is inherited";
  EXPECT_EQ(frame.At(cx, cy), 0xFF0000u);

  a->IsBlended = true;
  c->IsBlended = true;
  rci.objectsSorting = TGLObjectsSorting::osRenderBlendedLast;
  Frame();
  EXPECT_EQ(Rendered(), (TNames{"B", "A", "C"})) << "opaque first, then blended farthest first";
  (void)b;
}

TEST_F(SceneRenderTest, SquaresLandWhereTheirMatricesPutThem) {
  TTestObject* parent = Add(Scene->Objects(), "Parent", 0.5f, 0.5f, 0, 0xFF0000);
  TTestObject* child = Add(parent, "Child", 0, 1, 0, 0x00FF00);
  parent->SetRollAngle(90);   // the parent's y axis now points to -x
  parent->Scale()->SetVector(0.5f, 0.5f, 0.5f);
  child->HalfSize = 0.1f;
  TCapture frame = Frame();
  SaveBmp(frame, "parent_and_child.bmp");
  // The parent: 0.25 across around (0.5, 0.5).
  EXPECT_EQ(frame.At(Px(0.5f), Py(0.5f)), 0xFF0000u);
  EXPECT_EQ(frame.At(Px(0.4f), Py(0.6f)), 0xFF0000u);
  EXPECT_EQ(frame.At(Px(0.7f), Py(0.5f)), 0x000000u);
  EXPECT_EQ(frame.At(Px(0.3f), Py(0.5f)), 0x000000u);
  // The child: half a unit along the turned y axis, 0.1 across after the parent's scale.
  EXPECT_NEAR(child->AbsolutePosition()[0], 0.0f, 1e-5f);
  EXPECT_NEAR(child->AbsolutePosition()[1], 0.5f, 1e-5f);
  EXPECT_EQ(frame.At(Px(0.0f), Py(0.5f)), 0x00FF00u);
  EXPECT_EQ(frame.At(Px(0.0f), Py(0.58f)), 0x000000u);
  EXPECT_EQ(frame.At(Px(0.08f), Py(0.5f)), 0x000000u) << "the child is scaled with its parent";
}

TEST_F(SceneRenderTest, DisplayListIsCompiledOnceUntilTheStructureChanges) {
  TTestObject* o = Add(Scene->Objects(), "O", 0, 0, 0, 0xFFFF00);
  Frame();
  Frame();
  EXPECT_EQ(o->Builds, 1);
  const GLuint name = o->GetHandle(rci);
  EXPECT_TRUE(glIsList(name));
  o->Position()->SetPoint(0.5f, 0, 0);
  TCapture frame = Frame();
  EXPECT_EQ(o->Builds, 1) << "a move does not rebuild the list";
  EXPECT_EQ(frame.At(Px(0.6f), Py(0)), 0xFFFF00u);
  o->Colour[0] = 0;
  o->StructureChanged();
  frame = Frame();
  EXPECT_EQ(o->Builds, 2);
  EXPECT_EQ(o->GetHandle(rci), name) << "rebuilt into the same list";
  EXPECT_EQ(frame.At(Px(0.6f), Py(0)), 0x00FF00u);
  Frame();
  EXPECT_EQ(o->Builds, 2);

  o->ObjectStyle.Include(TGLObjectStyle::osDirectDraw);
  Frame();
  Frame();
  EXPECT_EQ(o->Builds, 4) << "direct drawing builds every frame";
  o->DestroyHandles();
  EXPECT_FALSE(glIsList(name));
}

TEST_F(SceneRenderTest, CulledObjectsNeverRender) {
  // An off-centre perspective seen from a turned, moved eye.
  SetProjection([] { glFrustum(-0.3, 0.7, -0.2, 0.5, 1, 20); });
  glLoadIdentity();
  glRotatef(20, 0, 1, 0);
  glTranslatef(0, 0, -6);
  FillContextInfo();
  TMatrix mv, proj;
  glGetFloatv(GL_MODELVIEW_MATRIX, mv[0].data());
  glGetFloatv(GL_PROJECTION_MATRIX, proj[0].data());
  const TMatrix mvp = MatrixMultiply(mv, proj);
  std::vector<std::pair<TTestObject*, bool>> objects;
  for (int i = -12; i <= 12; ++i)
    for (int j = -4; j <= 4; ++j) {
      const float x = i * 0.5f, y = j * 0.5f;
      const TVector c = VectorTransform(TVector{x, y, 0, 1}, mvp);
      // Clearly inside or clearly outside the clip volume, radius 0.087 considered.
      const float dx = std::fabs(c[0]) - c[3], dy = std::fabs(c[1]) - c[3];
      const float margin = std::max(dx, dy) / c[3];
      if (std::fabs(margin) < 0.15f) continue;
      TTestObject* o = Add(Scene->Objects(), Format("O%d_%d", i, j), x, y, 0, 0xFFFFFF);
      o->Scale()->SetVector(0.1f, 0.1f, 0.1f);
      objects.emplace_back(o, margin < 0);
    }
  rci.visibilityCulling = TGLVisibilityCulling::vcObjectBased;
  Frame();
  const TNames rendered = Rendered();
  int visible = 0;
  for (auto& [o, inside] : objects) {
    const bool drawn = std::find(rendered.begin(), rendered.end(), o->Name) != rendered.end();
    EXPECT_EQ(drawn, inside) << o->Name;
    visible += inside;
  }
  EXPECT_GT(visible, 5);
  EXPECT_LT(visible, static_cast<int>(objects.size()) - 5);

  // A culled object's children still render object by object; hierarchically they go with it.
  TTestObject *outside = nullptr, *seen = nullptr;
  for (auto& [o, inside] : objects) (inside ? seen : outside) = o;
  TTestObject* inner = Add(outside, "Inner", 0, 0, 0, 0xFFFFFF);
  // Where a visible object is, in the outside object's frame (scaled by 0.1).
  const TVector there = outside->AbsoluteToLocal(seen->AbsolutePosition());
  inner->Position()->SetPoint(there[0], there[1], there[2]);
  auto drawn = [](const std::string& Name) {
    return std::find(RenderLog.begin(), RenderLog.end(), Name) != RenderLog.end();
  };
  Frame();
  EXPECT_FALSE(drawn(outside->Name));
  EXPECT_TRUE(drawn("Inner"));
  outside->ObjectStyle.Include(TGLObjectStyle::osNoVisibilityCulling);
  Frame();
  EXPECT_TRUE(drawn(outside->Name)) << "never culled";
  outside->ObjectStyle.Exclude(TGLObjectStyle::osNoVisibilityCulling);
  rci.visibilityCulling = TGLVisibilityCulling::vcHierarchical;
  Frame();
  EXPECT_TRUE(drawn("Inner")) << "the box of the subtree reaches into the view";
  inner->Position()->SetPoint(0, 0, 0);
  Frame();
  EXPECT_FALSE(drawn("Inner"));
  EXPECT_FALSE(drawn(outside->Name));
}

TEST_F(SceneRenderTest, EffectsRunAroundTheirObjectAndAfterEffectsAreQueued) {
  TTestObject* o = Add(Scene->Objects(), "O", 0, 0, 0, 0xFFFFFF);
  new TTestPreEffect(o->Effects());
  new TTestPostEffect(o->Effects());
  auto* after = new TGLObjectAfterEffect(o->Effects());
  Frame();
  EXPECT_EQ(RenderLog, (TNames{"pre-effect of O", "O", "build O", "post-effect of O"}));
  EXPECT_EQ(Buffer->AfterEffects, (std::vector<TGLObjectAfterEffect*>{after}));

  // Axes of the object's frame: red along +x, stippled.
  o->SetShowAxes(true);
  o->Position()->SetPoint(0, 0.5f, 0);
  Cache.Enable(TGLState::stLighting);
  TCapture frame = Frame();
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << "the axes leave the lighting as it was";
  EXPECT_TRUE(Cache.States().Contains(TGLState::stLighting));
  int red = 0;
  for (int x = Px(0.3f); x < Size; ++x) red += frame.At(x, Py(0.5f)) == 0xFF0000u;
  EXPECT_GT(red, 5);
  EXPECT_LT(red, Size - Px(0.3f)) << "stippled";

  // As long as the rendering camera's depth of view (the far clipping
  // distance adds the near plane to it).
  auto* camera = Scene->Cameras()->AddNewChild<TGLCamera>();
  camera->SetDepthOfView(0.4f);
  Buffer->SetCamera(camera);
  rci.farClippingDistance = 0.9f;
  frame = Frame();
  int last = -1;
  for (int x = Px(0); x < Size; ++x)
    if (frame.At(x, Py(0.5f)) == 0xFF0000u) last = x;
  EXPECT_GE(last, Px(0.4f) - 4);
  EXPECT_LE(last, Px(0.4f) + 1);
  Buffer->SetCamera(nullptr);
}

TEST_F(SceneRenderTest, ProxyDrawsItsMasterInItsOwnPlace) {
  TTestObject* master = Add(Scene->Objects(), "Master", -0.5f, -0.5f, 0, 0xFF0000);
  Add(master, "MasterChild", 0, 0.4f, 0, 0x00FF00)->HalfSize = 0.05f;
  auto* proxy = Scene->Objects()->AddNewChild<TGLProxyObject>();
  proxy->Position()->SetPoint(0.5f, 0.5f, 0);
  proxy->SetMasterObject(master);
  Add(proxy, "ProxyChild", 0.3f, 0.3f, 0, 0x0000FF)->HalfSize = 0.05f;
  proxy->SetProxyOptions({TGLProxyObjectOption::pooObjects});
  TCapture frame = Frame();
  SaveBmp(frame, "proxy.bmp");
  EXPECT_EQ(master->Builds, 1) << "the master's list serves both places";
  EXPECT_EQ(frame.At(Px(-0.5f), Py(-0.5f)), 0xFF0000u) << "the master in its own place";
  EXPECT_EQ(frame.At(Px(0.5f), Py(0.5f)), 0xFF0000u) << "and at the proxy's";
  EXPECT_EQ(frame.At(Px(0.5f), Py(0.9f)), 0x00FF00u) << "with the master's children";
  EXPECT_EQ(frame.At(Px(0.8f), Py(0.8f)), 0x0000FFu) << "and the proxy's own";

  proxy->SetProxyOptions({TGLProxyObjectOption::pooObjects, TGLProxyObjectOption::pooTransformation});
  frame = Frame();
  EXPECT_EQ(frame.At(Px(0.0f), Py(0.0f)), 0xFF0000u) << "moved on by the master's own matrix";
  EXPECT_EQ(frame.At(Px(0.5f), Py(0.5f)), 0x000000u);
  EXPECT_EQ(frame.At(Px(0.8f), Py(0.8f)), 0x0000FFu) << "the proxy's children stay in the proxy's frame";

  // A ray at the proxy's place hits the master's sphere there, not at the master's place.
  TVector hit;
  EXPECT_TRUE(proxy->RayCastIntersect({0.5f, 0.5f, 10, 1}, {0, 0, -1, 0}, &hit));
  ExpectNearVector(hit, {0.5f, 0.5f, std::sqrt(0.75f), 1}, 1e-4f);
  EXPECT_FALSE(proxy->RayCastIntersect({-0.5f, -0.5f, 10, 1}, {0, 0, -1, 0}));
  ExpectNearVector(proxy->AxisAlignedDimensionsUnscaled(), {0.5f, 0.5f, 0.5f, 0});

  // The master inside its own proxy renders once more, not forever.
  proxy->SetProxyOptions({TGLProxyObjectOption::pooObjects});
  proxy->MoveTo(master);
  Frame();
  EXPECT_EQ(std::count(RenderLog.begin(), RenderLog.end(), "Master"), 2);

  delete master;   // the proxy with it: it was the master's child
  auto* second = Scene->Objects()->AddNewChild<TGLProxyObject>();
  TTestObject* other = Add(Scene->Objects(), "Other", 0, 0, 0, 0xFFFFFF);
  second->SetMasterObject(other);
  Add(second, "Own", 0, 0, 0, 0x0000FF);
  delete other;
  EXPECT_EQ(second->MasterObject(), nullptr);
  Frame();
  EXPECT_EQ(Rendered(), TNames{"Own"}) << "without master only its own children";
}


// ---- Custom objects ---------------------------------------------------------------------

TEST_F(SceneRenderTest, DirectRenderObjectDrawsInThePassWithTheContextRecord) {
  Add(Scene->Objects(), "Before", -0.8f, 0.8f, 0, 0x0000FF)->HalfSize = 0.1f;
  auto* direct = Scene->Objects()->AddNewChild<TGLDirectOpenGL>();
  direct->Position()->SetPoint(0.25f, 0, 0);
  Add(Scene->Objects(), "After", 0.8f, 0.8f, 0, 0x0000FF)->HalfSize = 0.1f;
  TRenderContextInfo* seen = nullptr;
  int calls = 0;
  direct->OnRender = [&](TObject* Sender, TRenderContextInfo& r) {
    EXPECT_EQ(Sender, direct);
    seen = &r;
    ++calls;
    RenderLog.push_back("direct");
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex3f(-0.5f, -0.5f, 0);
    glVertex3f(0.5f, -0.5f, 0);
    glVertex3f(0, 0.5f, 0);
    glEnd();
  };
  TCapture frame = Frame();
  SaveBmp(frame, "direct_render_triangle.bmp");
  EXPECT_EQ(Rendered(), (TNames{"Before", "direct", "After"})) << "in its place among its siblings";
  EXPECT_EQ(seen, &rci) << "the record of the pass itself";
  // The triangle (-0.25, -0.5), (0.75, -0.5), (0.25, 0.5).
  EXPECT_EQ(frame.At(Px(0.25f), Py(0)), 0xFF0000u);
  EXPECT_EQ(frame.At(Px(-0.2f), Py(-0.45f)), 0xFF0000u);
  EXPECT_EQ(frame.At(Px(0.7f), Py(-0.45f)), 0xFF0000u);
  EXPECT_EQ(frame.At(Px(-0.3f), Py(-0.45f)), 0x000000u);
  EXPECT_EQ(frame.At(Px(0.0f), Py(0.4f)), 0x000000u);
  EXPECT_EQ(frame.At(Px(0.25f), Py(-0.55f)), 0x000000u);
  int red = 0;
  for (uint32_t p : frame.Pixels) red += p == 0xFF0000u;
  EXPECT_NEAR(red, Size * Size / 8, Size * Size / 100) << "a quarter of the square's 2 x 2 units, halved";
  Frame();
  EXPECT_EQ(calls, 2) << "once per frame";

  direct->SetUseBuildList(true);
  Frame();
  Frame();
  EXPECT_EQ(calls, 3) << "compiled once into the list";
  EXPECT_EQ(frame.At(Px(0.25f), Py(0)), 0xFF0000u);
  direct->StructureChanged();
  frame = Frame();
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(frame.At(Px(0.25f), Py(0)), 0xFF0000u);

  direct->SetBlend(true);
  rci.objectsSorting = TGLObjectsSorting::osRenderBlendedLast;
  Frame();
  EXPECT_EQ(Rendered(), (TNames{"Before", "After", "direct"})) << "blended: rendered last";
}

TEST_F(SceneRenderTest, RenderPointsAndCameraInvariantObjects) {
  auto* point = Scene->Objects()->AddNewChild<TGLRenderPoint>();
  std::vector<std::string> log;
  point->RegisterCallBack([&](TObject*, TRenderContextInfo&) { log.push_back("first"); },
                          [&](TObject*) { log.push_back("first freed"); });
  const int second = point->RegisterCallBack([&](TObject*, TRenderContextInfo&) { log.push_back("second"); },
                                             [&](TObject*) { log.push_back("second freed"); });
  point->RegisterCallBack([&](TObject*, TRenderContextInfo&) { log.push_back("third"); },
                          [&](TObject*) { log.push_back("third freed"); });
  point->UnRegisterCallBack(second);
  Frame();
  EXPECT_EQ(log, (TNames{"first", "third"}));
  log.clear();
  delete point;
  EXPECT_EQ(log, (TNames{"third freed", "first freed"}));

  // Ignoring the camera entirely: only the local matrix, y and z mirrored.
  auto* fixed = Scene->Objects()->AddNewChild<TGLCameraInvariantObject>();
  fixed->SetCamInvarianceMode(TGLCameraInvarianceMode::cimOrientation);
  fixed->Position()->SetPoint(0.5f, 0.5f, 0.5f);
  TTestObject* inside = Add(fixed, "Inside", 0, 0, 0, 0x00FF00);
  TCapture frame = Frame();
  EXPECT_EQ(frame.At(Px(0.5f), Py(-0.5f)), 0x00FF00u);
  EXPECT_EQ(frame.At(Px(0.5f), Py(0.5f)), 0x000000u);
  EXPECT_EQ(Buffer->ModelViewStackCount(), 0);
  (void)inside;
}

namespace {
// A square without a colour of its own: the material gives it one.
class TMaterialSquare : public TScene3DObject {
public:
  using TScene3DObject::TScene3DObject;
  void BuildList(TRenderContextInfo& rci) override {
    (void)rci;
    ++Builds;
    glBegin(GL_QUADS);
    glVertex3f(-0.25f, -0.25f, 0);
    glVertex3f(0.25f, -0.25f, 0);
    glVertex3f(0.25f, 0.25f, 0);
    glVertex3f(-0.25f, 0.25f, 0);
    glEnd();
  }
  int Builds = 0;
};
}  // namespace

TEST_F(SceneRenderTest, MaterialIsAppliedAroundTheObjectsGeometry) {
  auto* square = Scene->Objects()->AddNewChild<TMaterialSquare>();
  square->Position()->SetPoint(-0.5f, 0, 0);
  square->Material()->FrontProperties()->Diffuse()->SetColor({0, 0, 1, 1});
  Cache.Disable(TGLState::stLighting);
  TCapture frame = Frame();
  EXPECT_EQ(frame.At(Px(-0.5f), Py(0)), 0x0000FFu) << "the material's diffuse colour without lighting";
  EXPECT_EQ(Scene->CurrentRenderedObject, square);
  EXPECT_FALSE(square->Blended());
  square->Material()->SetBlendingMode(TBlendingMode::bmTransparency);
  EXPECT_TRUE(square->Blended());
  square->Material()->SetBlendingMode(TBlendingMode::bmOpaque);

  rci.ignoreMaterials = true;
  glColor3f(0, 1, 0);
  frame = Frame();
  EXPECT_EQ(frame.At(Px(-0.5f), Py(0)), 0x00FF00u) << "ignored: the current colour stays";
  EXPECT_EQ(square->Builds, 1) << "material changes repaint without compiling again";

  // A colour owned by the object, or a change of the texture's mapping,
  // compiles the object's geometry again.
  rci.ignoreMaterials = false;
  square->Material()->Texture()->SetDisabled(false);
  Frame();
  EXPECT_EQ(square->Builds, 2);
  square->Material()->Texture()->SetDisabled(true);
  Frame();
  EXPECT_EQ(square->Builds, 3);

  // A copy takes the material with it.
  auto* copy = Scene->Objects()->AddNewChild<TMaterialSquare>();
  copy->Assign(square);
  EXPECT_EQ(copy->Material()->FrontProperties()->Diffuse()->Color(), (TVector{0, 0, 1, 1}));
}
