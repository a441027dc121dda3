// The objects drawn for real in the globe's view, pixels read back.
#include <cmath>
#include <iostream>
#include <set>

#include "ObjectsView.h"
#include "scene3d/Base/XOpenGL.h"

namespace {
// The box of the pixels that pass Lit; empty (Right < Left) when none do.
RECT Extent(const TCapture& C, const std::function<bool(uint32_t)>& Lit) {
  RECT r{C.Width, C.Height, -1, -1};
  for (int y = 0; y < C.Height; ++y)
    for (int x = 0; x < C.Width; ++x)
      if (Lit(C.At(x, y))) r.left = std::min<LONG>(r.left, x), r.right = std::max<LONG>(r.right, x),
                           r.top = std::min<LONG>(r.top, y), r.bottom = std::max<LONG>(r.bottom, y);
  return r;
}
int WidthOf(const RECT& R) { return R.right - R.left + 1; }
int HeightOf(const RECT& R) { return R.bottom - R.top + 1; }
int RunOnRow(const TCapture& C, int Y, uint32_t Rgb) {
  int n = 0;
  for (int x = 0; x < C.Width; ++x) n += C.At(x, Y) == Rgb;
  return n;
}
bool NotBlack(uint32_t C) { return C != 0; }
// World coordinates of the centre of a pixel (row 0 at the top).
float PixelX(int X) { return -1.0f + (static_cast<float>(X) + 0.5f) * 0.01f; }
float PixelY(int Y) { return 0.75f - (static_cast<float>(Y) + 0.5f) * 0.01f; }
}  // namespace

TEST_F(ObjectsView, UnlitSphereSpansItsDiameterAndFewSlicesShowFacets) {
  auto* sphere = Objects()->AddNewChild<TGLSphere>();
  sphere->SetSlices(32);
  sphere->SetStacks(32);
  Paint(sphere, 0xFF0000);
  TCapture c = Frame();
  SaveBmp(c, "sphere.bmp");
  // Radius 0.5 in a view 2 units across 200 pixels.
  EXPECT_NEAR(RunOnRow(c, Height / 2, 0xFF0000), 100, 2);
  EXPECT_EQ(c.At(100, 75), 0xFF0000u);
  EXPECT_NEAR(HeightOf(Extent(c, NotBlack)), 100, 2);

  // Four slices turned by 45 degrees: the ring's corners sit at 45 degrees
  // off the view's sides, so the equator is only cos 45 of the diameter wide.
  sphere->SetSlices(4);
  sphere->SetTurnAngle(45);
  c = Frame();
  SaveBmp(c, "sphere_4_slices.bmp");
  EXPECT_NEAR(RunOnRow(c, Height / 2, 0xFF0000), 71, 2);
  sphere->SetSlices(32);
  c = Frame();
  EXPECT_NEAR(RunOnRow(c, Height / 2, 0xFF0000), 100, 2) << "32 slices keep a corner on each side";
}

TEST_F(ObjectsView, TexturedSphereWrapsThePictureFromItsLeftEdgeAtPlusZ) {
  // Left eighth red, right eighth blue, top quarter green, grey between.
  std::unique_ptr<TBitmap> picture = MakeBitmap(64, 32, [](int x, int y) {
    return y < 8 ? 0x00FF00u : x < 8 ? 0xFF0000u : x >= 56 ? 0x0000FFu : 0x808080u;
  });
  PictureMaterial("Earth", picture.get());
  auto* sphere = Objects()->AddNewChild<TGLSphere>();
  sphere->SetSlices(32);
  sphere->SetStacks(32);
  sphere->Material()->SetMaterialLibrary(Library.get());
  sphere->Material()->SetLibMaterialName("Earth");
  const TCapture c = Frame();
  SaveBmp(c, "textured_sphere.bmp");
  // The seam faces the camera: just right of it the picture's left edge,
  // just left of it the right edge.
  EXPECT_TRUE(Near(c.At(103, 75), 0xFF0000, 0)) << "left edge right of the seam";
  EXPECT_TRUE(Near(c.At(96, 75), 0x0000FF, 0)) << "right edge left of the seam";
  // Longitude grows towards +x: a quarter turn round, the grey middle.
  EXPECT_TRUE(Near(c.At(120, 75), 0xFF0000, 0));
  EXPECT_TRUE(Near(c.At(145, 75), 0x808080, 0));
  EXPECT_TRUE(Near(c.At(55, 75), 0x808080, 0));
  // The top of the sphere shows the picture's top rows.
  EXPECT_TRUE(Near(c.At(100, 28), 0x00FF00, 0));
  EXPECT_TRUE(Near(c.At(110, 30), 0x00FF00, 0));
  EXPECT_TRUE(Near(c.At(100, 122), 0xFF0000, 0)) << "the bottom keeps the edge colour";
}

TEST_F(ObjectsView, PointsLandWhereTheirPositionsProjectInTheirColours) {
  auto* sphere = Objects()->AddNewChild<TGLSphere>();
  Paint(sphere, 0x800000);
  auto* points = Objects()->AddNewChild<TGLPoints>();
  points->SetSize(5);
  const TAffineVector at[3] = {{0.1f, 0.1f, 0.6f}, {-0.6f, -0.3f, 0.6f}, {0.7f, 0.5f, 0.6f}};
  const uint32_t colours[3] = {0x00FF00, 0x0000FF, 0xFFFF00};
  for (int i = 0; i < 3; ++i) {
    points->Positions()->Add(at[i]);
    points->Colors()->Add(RgbVector(colours[i]));
  }
  points->StructureChanged();
  // An empty list draws one white point at the object's origin.
  auto* empty = Objects()->AddNewChild<TGLPoints>();
  empty->SetSize(5);
  empty->Position()->SetPoint(-0.7f, 0.5f, 0);
  TCapture c = Frame();
  SaveBmp(c, "points.bmp");
  for (int i = 0; i < 3; ++i) {
    const POINT p = Project(at[i][0], at[i][1], at[i][2]);
    EXPECT_EQ(c.At(p.x, p.y), colours[i]) << "point " << i;
    EXPECT_EQ(c.At(p.x + 2, p.y - 2), colours[i]) << "size 5 covers two pixels round it";
    EXPECT_NE(c.At(p.x + 4, p.y), colours[i]);
  }
  const POINT origin = Project(-0.7f, 0.5f, 0);
  EXPECT_EQ(c.At(origin.x, origin.y), 0xFFFFFFu);
  EXPECT_EQ(c.Count(0xFFFFFF), 25) << "exactly one point";

  // Three positions and two colours: two points.
  points->Colors()->SetCount(2);
  points->StructureChanged();
  c = Frame();
  POINT third = Project(at[2][0], at[2][1], at[2][2]);
  EXPECT_EQ(c.At(third.x, third.y), 0u);
  EXPECT_EQ(c.Count(0x00FF00), 25);
  EXPECT_EQ(c.Count(0x0000FF), 25);
  // One colour colours them all, none draws them white.
  points->Colors()->SetCount(1);
  points->StructureChanged();
  c = Frame();
  EXPECT_EQ(c.Count(0x00FF00), 75);
  points->Colors()->Clear();
  points->StructureChanged();
  c = Frame();
  EXPECT_EQ(c.Count(0xFFFFFF), 100);
}

TEST_F(ObjectsView, PointStylesRoundTheCornersAndLeaveTheStateAsFound) {
  // One object sets the state the points find, one after them reads what they leave.
  bool blendOn = false;
  bool found[2] = {}, left[2] = {true, true}, cachedBlend = true;
  GLint func = 0;
  GLfloat ref = -1;
  auto* before = Objects()->AddNewChild<TGLDirectOpenGL>();
  before->OnRender = [&](TObject*, TRenderContextInfo& rci) {
    if (blendOn) rci.stateCache->Enable(TGLState::stBlend);
    else rci.stateCache->Disable(TGLState::stBlend);
    glAlphaFunc(GL_GEQUAL, 0.25f);
    found[0] = glIsEnabled(GL_BLEND), found[1] = glIsEnabled(GL_ALPHA_TEST);
  };
  auto* points = Objects()->AddNewChild<TGLPoints>();
  points->SetSize(9);
  points->Positions()->Add(PixelX(100), PixelY(75), 0);
  points->Colors()->Add(TVector{1, 1, 0, 1});
  auto* after = Objects()->AddNewChild<TGLDirectOpenGL>();
  after->OnRender = [&](TObject*, TRenderContextInfo& rci) {
    left[0] = glIsEnabled(GL_BLEND), left[1] = glIsEnabled(GL_ALPHA_TEST);
    cachedBlend = rci.stateCache->States().Contains(TGLState::stBlend);
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
    glGetFloatv(GL_ALPHA_TEST_REF, &ref);
    EXPECT_FALSE(glIsEnabled(GL_POINT_SMOOTH));
  };
  for (bool blend : {false, true})
    for (TGLPointStyle style : {TGLPointStyle::psSquare, TGLPointStyle::psRound, TGLPointStyle::psSmooth,
                                TGLPointStyle::psSmoothAdditive, TGLPointStyle::psSquareAdditive}) {
      SCOPED_TRACE(testing::Message() << "style " << static_cast<int>(style) << ", blending " << blend);
      blendOn = blend;
      points->SetStyle(style);
      const TCapture c = Frame();
      EXPECT_TRUE(Near(c.At(100, 75), 0xFFFF00, 2));
      const bool round = style == TGLPointStyle::psRound || style == TGLPointStyle::psSmooth ||
                         style == TGLPointStyle::psSmoothAdditive;
      EXPECT_EQ(c.At(104, 71), round ? 0u : 0xFFFF00u) << "the corner of the square";
      EXPECT_EQ(found[0], blend);
      EXPECT_EQ(left[0], found[0]);
      EXPECT_EQ(left[1], found[1]);
      EXPECT_EQ(cachedBlend, blend) << "the state cache agrees";
      EXPECT_EQ(func, GL_GREATER);
      EXPECT_EQ(ref, 0.0f);
    }
  before->OnRender = nullptr;
  after->OnRender = nullptr;
  points->SetStyle(TGLPointStyle::psSquare);

  // Static points are replayed from the display list: a position changed
  // behind the object's back shows only once its structure changes.
  points->SetStatic(true);
  EXPECT_FALSE(points->ObjectStyle.Contains(TGLObjectStyle::osDirectDraw));
  EXPECT_EQ(Frame().At(100, 75), 0xFFFF00u);
  points->Positions()->Put(0, {PixelX(50), PixelY(75), 0});
  TCapture c = Frame();
  EXPECT_EQ(c.At(100, 75), 0xFFFF00u);
  EXPECT_EQ(c.At(50, 75), 0u);
  points->StructureChanged();
  c = Frame();
  EXPECT_EQ(c.At(100, 75), 0u);
  EXPECT_EQ(c.At(50, 75), 0xFFFF00u);
  points->SetStatic(false);
  points->Positions()->Put(0, {PixelX(150), PixelY(75), 0});
  EXPECT_EQ(Frame().At(150, 75), 0xFFFF00u) << "drawn from the lists every frame";
}

TEST_F(ObjectsView, PointParametersAttenuateTheSizeOnlyWhileDrawing) {
  // Size 8 at attenuation (4, 0, 0): 8 / sqrt 4 = 4 pixels across.
  auto* attenuated = Objects()->AddNewChild<TGLPoints>();
  attenuated->SetSize(8);
  attenuated->Positions()->Add(PixelX(60), PixelY(75), 0);
  attenuated->Colors()->Add(TVector{0, 1, 0, 1});
  attenuated->PointParameters()->DistanceAttenuation()->SetVector(4, 0, 0);
  attenuated->PointParameters()->SetEnabled(true);
  auto* plain = Objects()->AddNewChild<TGLPoints>();
  plain->SetSize(8);
  plain->Positions()->Add(PixelX(140), PixelY(75), 0);
  plain->Colors()->Add(TVector{1, 0, 0, 1});
  TCapture c = Frame();
  if (GL.ARB_point_parameters) EXPECT_EQ(c.Count(0x00FF00), 16);
  else EXPECT_EQ(c.Count(0x00FF00), 64);
  EXPECT_EQ(c.Count(0xFF0000), 64) << "the next points draw at full size";
  attenuated->PointParameters()->SetEnabled(false);
  c = Frame();
  EXPECT_EQ(c.Count(0x00FF00), 64);
}

TEST_F(ObjectsView, SpriteStaysASquareFacingTheViewer) {
  auto* sprite = Objects()->AddNewChild<TGLSprite>();
  sprite->SetWidth(0.4f);
  sprite->SetHeight(0.4f);
  Paint(sprite, 0x00FF00);
  auto green = [](uint32_t c) { return c == 0x00FF00; };
  TCapture c = Frame();
  RECT r = Extent(c, green);
  EXPECT_NEAR(WidthOf(r), 40, 1);
  EXPECT_NEAR(HeightOf(r), 40, 1);

  sprite->SetTurnAngle(60);
  sprite->SetPitchAngle(30);
  sprite->SetRollAngle(20);
  c = Frame();
  SaveBmp(c, "sprite_turned.bmp");
  r = Extent(c, green);
  EXPECT_NEAR(WidthOf(r), 40, 1) << "turning the object does not turn the sprite";
  EXPECT_NEAR(HeightOf(r), 40, 1);
  EXPECT_NEAR((r.left + r.right) / 2.0, 99.5, 1);
  EXPECT_EQ(c.Count(0x00FF00), WidthOf(r) * HeightOf(r)) << "a full square";

  sprite->SetRotation(45);   // about the line of sight: a diamond
  c = Frame();
  r = Extent(c, green);
  EXPECT_NEAR(WidthOf(r), 57, 2);
  EXPECT_NEAR(HeightOf(r), 57, 2);
  EXPECT_EQ(c.At(r.left + 2, r.top + 2), 0u);

  // Left half red, right half blue; MirrorU swaps them.
  std::unique_ptr<TBitmap> picture = MakeBitmap(64, 64, [](int x, int) { return x < 32 ? 0xFF0000u : 0x0000FFu; });
  PictureMaterial("Halves", picture.get());
  sprite->Material()->SetMaterialLibrary(Library.get());
  sprite->Material()->SetLibMaterialName("Halves");
  sprite->SetRotation(0);
  c = Frame();
  EXPECT_EQ(c.At(90, 75), 0xFF0000u);
  EXPECT_EQ(c.At(110, 75), 0x0000FFu);
  sprite->SetMirrorU(true);
  c = Frame();
  SaveBmp(c, "sprite_mirrored.bmp");
  EXPECT_EQ(c.At(90, 75), 0x0000FFu);
  EXPECT_EQ(c.At(110, 75), 0xFF0000u);
  sprite->SetRotation(90);   // a quarter turn: the halves lie top and bottom
  c = Frame();
  EXPECT_NE(c.At(100, 65), c.At(100, 85));
  EXPECT_EQ(c.At(90, 65), c.At(110, 65));
}

TEST_F(ObjectsView, PlaneCubeAndDummyCubeCoverTheirPixels) {
  auto* plane = Objects()->AddNewChild<TGLPlane>();
  plane->SetWidth(0.6f);
  plane->SetHeight(0.4f);
  plane->Position()->SetPoint(0.4f, 0.3f, 0);
  Paint(plane, 0x00FF00);
  auto* cube = Objects()->AddNewChild<TGLCube>();
  cube->SetCubeWidth(0.4f);
  cube->SetCubeHeight(0.4f);
  cube->SetCubeDepth(0.4f);
  cube->Position()->SetPoint(-0.5f, -0.3f, 0);
  cube->SetTurnAngle(45);
  Paint(cube, 0x0000FF);
  auto* dummy = Objects()->AddNewChild<TGLDummyCube>();
  dummy->SetCubeSize(0.5f);
  dummy->Position()->SetPoint(0.5f, -0.4f, 0);
  dummy->EdgeColor()->SetColor({1, 1, 0, 1});
  TCapture c = Frame();
  RECT r = Extent(c, [](uint32_t p) { return p == 0x00FF00; });
  EXPECT_EQ(WidthOf(r), 60);
  EXPECT_EQ(HeightOf(r), 40);
  EXPECT_EQ(r.left, 110);
  EXPECT_EQ(r.top, 25);
  r = Extent(c, [](uint32_t p) { return p == 0x0000FF; });
  EXPECT_NEAR(WidthOf(r), 57, 1) << "the cube's diagonal";
  EXPECT_NEAR(HeightOf(r), 40, 1);
  EXPECT_EQ(c.At(50, 105), 0x0000FFu);
  auto yellowIn = [](const TCapture& C, int X0, int X1) {
    int n = 0;
    for (int y = 95; y <= 145; ++y)
      for (int x = X0; x <= X1; ++x) n += (C.At(x, y) >> 16 & 0xFF) > 64 && (C.At(x, y) >> 8 & 0xFF) > 64;
    return n;
  };
  EXPECT_EQ(yellowIn(c, 120, 180), 0) << "a dummy cube is invisible at run time";

  // Turned by 45 degrees its right-hand edge stands alone at x = 0.5 + 0.25 sqrt 2.
  dummy->SetVisibleAtRunTime(true);
  dummy->SetTurnAngle(45);
  c = Frame();
  SaveBmp(c, "plane_cube_dummy.bmp");
  int lit = 0;
  for (int y = 101; y <= 149; ++y) {
    bool on = false;
    for (int x = 183; x <= 188; ++x) on = on || ((c.At(x, y) >> 16 & 0xFF) > 64 && (c.At(x, y) >> 8 & 0xFF) > 64);
    lit += on;
  }
  EXPECT_GT(lit, 15) << "dashed: about half of its 50 pixels";
  EXPECT_LT(lit, 40);
  EXPECT_EQ(c.At(165, 125), 0u) << "only the edges";

  cube->SetParts({});
  c = Frame();
  EXPECT_EQ(c.Count(0x0000FF), 0);
  Buffer()->SetFaceCulling(false);
  cube->SetParts({TCubePart::cpBack});
  cube->SetTurnAngle(0);
  c = Frame();
  EXPECT_EQ(c.Count(0x0000FF), 40 * 40) << "one face, seen through the missing front";
}

TEST_F(ObjectsView, PlaneTilesItsTexture) {
  // Bottom half red, top half green.
  std::unique_ptr<TBitmap> picture = MakeBitmap(8, 8, [](int, int y) { return y < 4 ? 0x00FF00u : 0xFF0000u; });
  PictureMaterial("Tiles", picture.get());
  auto* plane = Objects()->AddNewChild<TGLPlane>();
  plane->SetHeight(1.2f);
  plane->Material()->SetMaterialLibrary(Library.get());
  plane->Material()->SetLibMaterialName("Tiles");
  plane->SetYTiles(2);
  for (TPlaneStyles style : {TPlaneStyles{TPlaneStyle::psTileTexture},
                             TPlaneStyles{TPlaneStyle::psTileTexture, TPlaneStyle::psSingleQuad}}) {
    plane->SetStyle(style);
    const TCapture c = Frame();
    // Rows from the bottom: red, green, red, green in quarters of 30 pixels.
    EXPECT_EQ(c.At(100, 130), 0xFF0000u);
    EXPECT_EQ(c.At(100, 100), 0x00FF00u);
    EXPECT_EQ(c.At(100, 70), 0xFF0000u);
    EXPECT_EQ(c.At(100, 40), 0x00FF00u);
  }
  plane->SetYTiles(0);
  plane->SetStyle({TPlaneStyle::psTileTexture});
  EXPECT_EQ(Frame().Count(0xFF0000), 0) << "no tiles, no strips";
}

TEST_F(ObjectsView, AmalgamatedDummyCubeReplaysItsSubtreeFromOneList) {
  auto* dummy = Objects()->AddNewChild<TGLDummyCube>();
  auto* plane = dummy->AddNewChild<TGLPlane>();
  plane->SetWidth(0.4f);
  Paint(plane, 0x00FF00);
  dummy->SetAmalgamate(true);
  TCapture c = Frame();
  EXPECT_EQ(c.At(100, 75), 0x00FF00u);
  const GLuint list = dummy->GroupList().Handle();
  EXPECT_TRUE(glIsList(list));
  plane->SetWidth(1.0f);
  c = Frame();
  EXPECT_EQ(c.At(140, 75), 0u) << "the group list is not rebuilt for a child";
  EXPECT_EQ(c.At(100, 75), 0x00FF00u);
  dummy->StructureChanged();
  c = Frame();
  EXPECT_EQ(c.At(140, 75), 0x00FF00u);

  // A handler that says no hides the children too.
  dummy->SetAmalgamate(false);
  int asked = 0;
  dummy->OnVisibilityDetermination = [&asked](TObject*, TRenderContextInfo&) { return ++asked, false; };
  c = Frame();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(c.Count(0x00FF00), 0);
}

TEST_F(ObjectsView, LinesDrawInTheirColoursWithMarkersAtTheNodes) {
  auto* lines = Objects()->AddNewChild<TGLLines>();
  lines->LineColor()->SetColor({1, 0, 0, 1});
  lines->SetNodesAspect(TLineNodesAspect::lnaInvisible);
  const float y = PixelY(120);
  lines->Nodes()->Add()->SetAsVector({-0.8f, y, 0, 0});
  lines->Nodes()->Add()->SetAsVector({0.8f, y, 0, 0});
  TCapture c = Frame();
  EXPECT_EQ(c.At(100, 120), 0xFF0000u);
  EXPECT_EQ(c.At(100, 119), 0u);
  EXPECT_NEAR(c.Count(0xFF0000), 160, 1);

  lines->SetNodeSize(0.2f);
  lines->SetNodesAspect(TLineNodesAspect::lnaCube);
  c = Frame();
  SaveBmp(c, "lines_cube_markers.bmp");
  const POINT end = Project(0.8f, y, 0);
  int blue = 0;
  for (int dy = -12; dy <= 12; ++dy)
    for (int dx = -12; dx <= 12; ++dx) blue += (c.At(end.x + dx, end.y + dy) & 0xFF) > 64;
  EXPECT_GT(blue, 40) << "a wire cube 20 pixels wide round the last node";
  EXPECT_EQ(c.At(end.x, end.y - 5) & 0xFF, 0u) << "hollow";

  // Dodecahedra lit in the node colour by a light behind the camera.
  auto* light = View->Scene->Objects()->AddNewChild<TGLLightSource>();
  light->SetLightStyle(TLightStyle::lsOmni);
  light->Position()->SetPoint(0, 0, 10);
  lines->SetNodesAspect(TLineNodesAspect::lnaDodecahedron);
  lines->Nodes()->Items(1)->Color()->SetColor({0, 1, 0, 1});
  c = Frame();
  SaveBmp(c, "lines_dodecahedra.bmp");
  const uint32_t first = c.At(Project(-0.8f, y, 0).x, end.y - 5), last = c.At(end.x, end.y - 5);
  EXPECT_GT(first & 0xFF, 100u);
  EXPECT_LT(first >> 8 & 0xFF, 30u) << "no more than the ambient light";
  EXPECT_GT(last >> 8 & 0xFF, 100u);
  EXPECT_LT(last & 0xFF, 30u);
  EXPECT_EQ(c.At(end.x, end.y - 12), 0u) << "radius 0.2 x 0.52";
}

TEST_F(ObjectsView, SplineAndBezierVerticesFollowTheirCurves) {
  auto* lines = Objects()->AddNewChild<TGLLines>();
  lines->SetNodesAspect(TLineNodesAspect::lnaInvisible);
  const TVector nodes[4] = {{-0.8f, -0.5f, 0, 0}, {-0.3f, 0.5f, 0, 0}, {0.3f, -0.5f, 0, 0}, {0.8f, 0.5f, 0, 0}};
  for (const TVector& n : nodes) lines->Nodes()->Add()->SetAsVector(n);
  lines->Nodes()->Items(3)->Color()->SetColor({1, 0, 0, 1});
  lines->SetSplineMode(TLineSplineMode::lsmCubicSpline);
  lines->SetOptions({TLinesOption::loUseNodeColorForLines});
  auto segments = Feedback(GL_LINE_TOKEN);
  ASSERT_EQ(segments.size(), 30u) << "31 vertices in one strip";
  const TFeedbackVertex& lastVertex = segments.back()[1];
  EXPECT_EQ(lastVertex.Color, (TVector{1, 0, 0, 1}));
  const POINT endPixel = Project(0.8f, 0.5f, 0);
  EXPECT_NEAR(lastVertex.Position[0], endPixel.x, 1);
  // Halfway between node 0 (blue) and node 1 (blue): blue; between 2 and 3, mixed.
  EXPECT_EQ(segments[4][1].Color, (TVector{0, 0, 1, 1}));
  EXPECT_NEAR(segments[24][1].Color[0], 0.5f, 1e-5f);

  lines->SetDivision(0);
  EXPECT_EQ(lines->Division(), 1);
  EXPECT_EQ(Feedback(GL_LINE_TOKEN).size(), 3u) << "straight between nodes";

  // Bezier: the evaluators for few control points, our own evaluation past
  // the driver's maximum order; both give the curve's points.
  GLint maxOrder = 0;
  glGetIntegerv(GL_MAX_EVAL_ORDER, &maxOrder);
  lines->SetDivision(10);
  lines->SetSplineMode(TLineSplineMode::lsmBezierSpline);
  for (int count : {4, static_cast<int>(maxOrder) + 5}) {
    SCOPED_TRACE(count);
    lines->Nodes()->Clear();
    std::vector<TVector> control;
    for (int i = 0; i < count; ++i) {
      const float a = static_cast<float>(i) / static_cast<float>(count - 1);
      control.push_back({-0.8f + 1.6f * a, std::sin(a * 6.0f) * 0.6f, 0, 0});
      lines->Nodes()->Add()->SetAsVector(control.back());
    }
    lines->StructureChanged();
    segments = Feedback(GL_LINE_TOKEN);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    ASSERT_EQ(segments.size(), 10u);
    for (int k = 0; k <= 10; ++k) {
      // Bernstein form, in double.
      const double t = k / 10.0;
      double x = 0, yy = 0;
      for (int i = 0; i < count; ++i) {
        const double b = std::tgamma(count) / (std::tgamma(i + 1) * std::tgamma(count - i)) * std::pow(t, i) *
                         std::pow(1 - t, count - 1 - i);
        x += b * control[size_t(i)][0];
        yy += b * control[size_t(i)][1];
      }
      const TFeedbackVertex& v = k < 10 ? segments[size_t(k)][0] : segments[9][1];
      EXPECT_NEAR(v.Position[0], (x + 1) * 100, 0.05) << k;
      EXPECT_NEAR(v.Position[1], (yy + 0.75) * 100, 0.05) << k;
    }
  }
  const TCapture c = Frame();
  SaveBmp(c, "bezier_past_max_order.bmp");
  EXPECT_GT(Extent(c, NotBlack).right, 170);
}

namespace {
// The NURBS curves the lines draw, each passed on to GLU.
struct TNurbsCall {
  std::vector<float> Knots, Points;
  int Order = 0;
};
std::vector<TNurbsCall> NurbsCalls;
void RecordingNurbsCurve(int KnotCount, float* Knots, float* Points, int Order, float Tolerance) {
  TNurbsCall call;
  call.Knots.assign(Knots, Knots + KnotCount);
  call.Points.assign(Points, Points + 3 * (KnotCount - Order));
  call.Order = Order;
  NurbsCalls.push_back(call);
  GLUNurbsCurve(KnotCount, Knots, Points, Order, Tolerance);
}
}  // namespace

TEST_F(ObjectsView, NurbsAndSegments) {
  auto* lines = Objects()->AddNewChild<TGLLines>();
  for (float x : {-0.5f, 0.0f, 0.5f}) lines->Nodes()->Add()->SetAsVector({x, x == 0 ? 0.5f : 0.0f, 0, 0});
  lines->SetSplineMode(TLineSplineMode::lsmNURBSCurve);
  lines->SetNodesAspect(TLineNodesAspect::lnaCube);
  lines->SetNodeSize(0.2f);
  EXPECT_EQ(Feedback(GL_LINE_TOKEN).size(), 3u * 12) << "without knots or order: three wire cubes of 12 edges";
  lines->SetNodesAspect(TLineNodesAspect::lnaInvisible);
  // Order 3 with these knots is the quadratic Bezier curve of the nodes.
  lines->SetNURBSOrder(3);
  for (float k : {0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f}) lines->NURBSKnots()->Add(k);
  lines->StructureChanged();
  // What GLU is handed, recorded on the way: a GLU may draw no curve at
  // all (Wine's draws none).
  NurbsCurveProc = RecordingNurbsCurve;
  struct TPutBack {
    ~TPutBack() { NurbsCurveProc = GLUNurbsCurve; }
  } putBack;
  NurbsCalls.clear();
  const auto curve = Feedback(GL_LINE_TOKEN);
  ASSERT_EQ(NurbsCalls.size(), 1u);
  EXPECT_EQ(NurbsCalls[0].Knots, (std::vector<float>{0, 0, 0, 1, 1, 1}));
  EXPECT_EQ(NurbsCalls[0].Order, 3);
  EXPECT_EQ(NurbsCalls[0].Points, (std::vector<float>{-0.5f, 0, 0, 0, 0.5f, 0, 0.5f, 0, 0}));
  // Where GLU draws it, the curve passes through its midpoint (0, 0.25).
  if (curve.empty()) std::cout << "[  SKIPPED ] the curve's pixels: this GLU draws no NURBS curves\n";
  bool midpoint = false;
  for (const auto& l : curve)
    midpoint = midpoint || (std::fabs(l[0].Position[0] - 100) < 3 && std::fabs(l[0].Position[1] - 100) < 1);
  EXPECT_EQ(midpoint, !curve.empty());
  // GLU reads knots - order control points: a longer knot vector is cut to
  // the three nodes, an order above the node count draws no curve.
  for (float k : {2.0f, 2.0f, 2.0f}) lines->NURBSKnots()->Add(k);
  lines->StructureChanged();
  NurbsCalls.clear();
  Feedback(GL_LINE_TOKEN);
  ASSERT_EQ(NurbsCalls.size(), 1u);
  EXPECT_EQ(NurbsCalls[0].Knots, (std::vector<float>{0, 0, 0, 1, 1, 1})) << "the knots of the three nodes";
  EXPECT_EQ(lines->NURBSCurveKnotCount(), 6);
  lines->SetNURBSOrder(4);
  EXPECT_EQ(lines->NURBSCurveKnotCount(), 0);
  NurbsCalls.clear();
  Feedback(GL_LINE_TOKEN);
  EXPECT_TRUE(NurbsCalls.empty()) << "no curve of an order above the node count";
  lines->SetNURBSOrder(2);
  EXPECT_EQ(lines->NURBSCurveKnotCount(), 5);
  lines->NURBSKnots()->SetCount(3);
  EXPECT_EQ(lines->NURBSCurveKnotCount(), 0) << "fewer than two orders' worth of knots";
  lines->SetNURBSOrder(0);
  EXPECT_EQ(Feedback(GL_LINE_TOKEN).size(), 0u);

  // Segments pair the nodes; a node left over draws nothing.
  lines->SetSplineMode(TLineSplineMode::lsmSegments);
  lines->Nodes()->Add()->SetAsVector({0.8f, 0.5f, 0, 0});
  lines->Nodes()->Add()->SetAsVector({0.8f, -0.5f, 0, 0});
  const auto segments = Feedback(GL_LINE_TOKEN);
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_NEAR(segments[0][0].Position[0], 50, 0.5);
  EXPECT_NEAR(segments[0][1].Position[0], 100, 0.5);
  EXPECT_NEAR(segments[0][1].Position[1], 125, 0.5);
  EXPECT_NEAR(segments[1][0].Position[0], 150, 0.5);
  EXPECT_NEAR(segments[1][1].Position[0], 180, 0.5);
  EXPECT_NEAR(segments[1][1].Position[1], 125, 0.5);
}

TEST_F(ObjectsView, SphereStripsBandsAndCaps) {
  auto* sphere = Objects()->AddNewChild<TGLSphere>();
  sphere->SetSlices(32);
  sphere->SetStacks(32);
  Paint(sphere, 0xFFFFFF);
  Buffer()->SetFaceCulling(false);
  // Distinct corners: 31 rings of 32 (the seam closes each ring) and the two poles.
  auto corners = [&] {
    std::set<std::array<long, 3>> seen;
    for (const auto& p : Feedback(GL_POLYGON_TOKEN))
      for (const TFeedbackVertex& v : p)
        seen.insert({std::lround(v.Position[0] * 100), std::lround(v.Position[1] * 100),
                     std::lround(v.Position[2] * 1e5)});
    return seen.size();
  };
  EXPECT_EQ(corners(), 31u * 32 + 2);
  sphere->SetTopCap(TCapType::ctFlat);
  sphere->SetBottomCap(TCapType::ctCenter);
  EXPECT_EQ(corners(), 31u * 32 + 2) << "no caps (no centre corner) on a whole sphere";

  // Cut at 45 degrees with a flat top, seen from above (the sphere's +y
  // turned to the camera), back faces culled: the cap is the fan whose
  // corners all lie at one depth.
  sphere->SetTop(45);
  sphere->SetPitchAngle(-90);
  Buffer()->SetFaceCulling(true);
  auto capTriangles = [&] {
    int n = 0;
    for (const auto& p : Feedback(GL_POLYGON_TOKEN)) {
      bool flat = true;
      for (const TFeedbackVertex& v : p) flat = flat && std::fabs(v.Position[2] - p[0].Position[2]) < 1e-6f;
      n += flat;
    }
    return n;
  };
  EXPECT_EQ(capTriangles(), 32) << "a fan facing the camera";
  const TCapture c = Frame();
  SaveBmp(c, "sphere_top_cap.bmp");
  EXPECT_NEAR(RunOnRow(c, 75, 0xFFFFFF), 100, 2);
  sphere->SetNormalDirection(TNormalDirection::ndInside);
  EXPECT_EQ(capTriangles(), 0) << "inside out: the cap faces away and is culled";

  // Cut at -45 degrees with a flat bottom, seen from below and lit from the
  // camera: the bottom cap's normal faces down, towards the light.
  sphere->SetNormalDirection(TNormalDirection::ndOutside);
  sphere->SetTop(90);
  sphere->SetBottom(-45);
  sphere->SetBottomCap(TCapType::ctFlat);
  sphere->SetPitchAngle(90);
  sphere->Material()->SetMaterialOptions({});
  sphere->Material()->FrontProperties()->Ambient()->SetColor({0, 0, 0, 1});
  auto* light = Objects()->AddNewChild<TGLLightSource>();
  light->SetLightStyle(TLightStyle::lsParallel);
  light->SpotDirection()->SetVector(0, 0, 1);   // from the camera's side
  Buffer()->AmbientColor()->SetColor({0, 0, 0, 1});
  Buffer()->SetFaceCulling(false);
  const TCapture lit = Frame();
  SaveBmp(lit, "sphere_bottom_cap.bmp");
  EXPECT_GT(lit.At(100, 75) >> 16 & 0xFF, 200u) << "the cap faces the light";
}

TEST_F(ObjectsView, RaysThroughPixelsHitWhatThePixelsShow) {
  // A sphere in front of a turned cube that sticks out on its right.
  auto* cube = Objects()->AddNewChild<TGLCube>();
  cube->SetCubeWidth(1.2f);
  cube->SetCubeHeight(0.6f);
  cube->SetCubeDepth(0.4f);
  cube->Position()->SetPoint(0.3f, -0.1f, -0.5f);
  cube->SetRollAngle(20);
  cube->SetTurnAngle(30);
  Paint(cube, 0x0000FF);
  auto* sphere = Objects()->AddNewChild<TGLSphere>();
  sphere->SetRadius(0.4f);
  sphere->SetSlices(48);
  sphere->SetStacks(48);
  sphere->Position()->SetPoint(-0.2f, 0.1f, 0);
  Paint(sphere, 0xFF0000);
  View->Target->SetVisible(false);   // the camera's target is no surface
  const TCapture c = Frame();
  SaveBmp(c, "ray_casts.bmp");
  int hits[2] = {}, misses = 0;
  for (int y = 2; y < Height; y += 4)
    for (int x = 2; x < Width; x += 4) {
      // The orthogonal camera's rays run along -z.
      const TVector start{PixelX(x), PixelY(y), 2, 1};
      TVector point, normal;
      TGLBaseSceneObject* hit = View->Scene->RayCastIntersect(start, {0, 0, -1, 0}, &point, &normal);
      const uint32_t shown = c.At(x, y);
      // Pixels on an outline may go either way.
      bool edge = false;
      for (int d = 0; d < 4; ++d) edge = edge || c.At(x + (d == 0) - (d == 1), y + (d == 2) - (d == 3)) != shown;
      if (edge) continue;
      SCOPED_TRACE(testing::Message() << "pixel " << x << ", " << y);
      if (!hit) {
        EXPECT_EQ(shown, 0u);
        ++misses;
        continue;
      }
      ASSERT_TRUE(hit == sphere || hit == cube) << hit->Name;
      EXPECT_EQ(shown, hit == sphere ? 0xFF0000u : 0x0000FFu);
      ++hits[hit == sphere];
      // The hit lies on the ray, on the surface, and the normal faces the ray.
      const POINT back = Project(point[0], point[1], point[2]);
      EXPECT_EQ(back.x, x);
      EXPECT_EQ(back.y, y);
      EXPECT_LT(VectorDotProduct(normal, TVector{0, 0, -1, 0}), 0.0f);
      if (hit == sphere) {
        EXPECT_NEAR(VectorDistance(point, sphere->AbsolutePosition()), 0.4f, 1e-4f);
      } else {
        const TVector local = cube->AbsoluteToLocal(point);
        const float onFace = std::max({std::fabs(local[0]) / 0.6f, std::fabs(local[1]) / 0.3f, std::fabs(local[2]) / 0.2f});
        EXPECT_NEAR(onFace, 1.0f, 1e-3f);
      }
    }
  EXPECT_GT(hits[0], 50);
  EXPECT_GT(hits[1], 200);
  EXPECT_GT(misses, 500);
}

TEST_F(ObjectsView, EveryObjectInOneScene) {
  auto* light = Objects()->AddNewChild<TGLLightSource>();
  light->SetLightStyle(TLightStyle::lsOmni);
  light->Position()->SetPoint(-3, 3, 5);
  auto* sphere = Objects()->AddNewChild<TGLSphere>();
  sphere->SetRadius(0.35f);
  sphere->SetSlices(24);
  sphere->SetStacks(24);
  sphere->Material()->FrontProperties()->Diffuse()->SetColor({0.2f, 0.4f, 1, 1});
  auto* cube = Objects()->AddNewChild<TGLCube>();
  cube->Position()->SetPoint(-0.7f, -0.4f, 0);
  cube->SetCubeWidth(0.3f), cube->SetCubeHeight(0.3f), cube->SetCubeDepth(0.3f);
  cube->SetTurnAngle(30), cube->SetPitchAngle(20);
  cube->Material()->FrontProperties()->Diffuse()->SetColor({1, 0.5f, 0, 1});
  auto* plane = Objects()->AddNewChild<TGLPlane>();
  plane->Position()->SetPoint(0.7f, 0.45f, 0);
  plane->SetWidth(0.4f), plane->SetHeight(0.2f);
  Paint(plane, 0x00A000);
  auto* sprite = Objects()->AddNewChild<TGLSprite>();
  sprite->Position()->SetPoint(-0.7f, 0.45f, 0);
  sprite->SetWidth(0.2f), sprite->SetHeight(0.2f), sprite->SetRotation(30);
  Paint(sprite, 0xC000C0);
  auto* dummy = Objects()->AddNewChild<TGLDummyCube>();
  dummy->Position()->SetPoint(0.7f, -0.4f, 0);
  dummy->SetCubeSize(0.3f);
  dummy->SetVisibleAtRunTime(true);
  dummy->SetTurnAngle(25);
  auto* lines = Objects()->AddNewChild<TGLLines>();
  lines->SetSplineMode(TLineSplineMode::lsmCubicSpline);
  lines->SetNodesAspect(TLineNodesAspect::lnaCube);
  lines->SetNodeSize(0.06f);
  lines->LineColor()->SetColor({1, 1, 0, 1});
  for (float x : {-0.9f, -0.3f, 0.3f, 0.9f}) lines->Nodes()->Add()->SetAsVector({x, x * x * 0.4f - 0.65f, 0.6f, 0});
  auto* points = Objects()->AddNewChild<TGLPoints>();
  points->SetSize(5);
  points->SetStyle(TGLPointStyle::psSmooth);
  for (int i = 0; i < 8; ++i) {
    const float a = static_cast<float>(i) * 0.785398f;
    points->Positions()->Add(0.36f * std::cos(a), 0.36f * std::sin(a), 0.45f);
    points->Colors()->Add(i % 2 ? TVector{1, 1, 1, 1} : TVector{1, 0.2f, 0.2f, 1});
  }
  const TCapture c = Frame();
  SaveBmp(c, "objects.bmp");
  EXPECT_GT(Blue(c.At(100, 75)), 100) << "the lit sphere";
  EXPECT_GT(Red(c.At(Project(-0.7f, -0.4f, 0).x, Project(-0.7f, -0.4f, 0).y)), 100) << "the cube";
  EXPECT_EQ(c.At(Project(0.7f, 0.45f, 0).x, Project(0.7f, 0.45f, 0).y), 0x00A000u) << "the plane";
  EXPECT_EQ(c.At(Project(-0.7f, 0.45f, 0).x, Project(-0.7f, 0.45f, 0).y), 0xC000C0u) << "the sprite";
  EXPECT_EQ(c.At(Project(0.7f, -0.4f, 0).x, Project(0.7f, -0.4f, 0).y), 0u) << "the dummy cube is hollow";
  const POINT p = Project(0.36f, 0, 0.45f);
  EXPECT_TRUE(Near(c.At(p.x, p.y), 0xFF3333, 40)) << "a point";
  const POINT node = Project(-0.9f, 0.81f * 0.4f - 0.65f, 0.6f);
  EXPECT_TRUE(Near(c.At(node.x, node.y), 0xFFFF00, 8)) << "the line at its first node";
}

// An object's own material goes with it through the object-tree stream: a
// coloured, textured material and one named in a library (by name) draw
// the same pixels after the round trip.
TEST_F(ObjectsView, ObjectsWithTheirMaterialsStreamBackToTheSamePixels) {
  TComponent owner(nullptr);
  auto* library = new TGLMaterialLibrary(&owner);
  library->Name = "Library";
  std::unique_ptr<TBitmap> stripes = MakeBitmap(16, 16, [](int x, int) { return x < 8 ? 0xFFFF00u : 0x00FFFFu; });
  TGLLibMaterial* striped = library->AddTextureMaterial("Stripes", stripes.get());
  striped->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});
  striped->Material()->FrontProperties()->Diffuse()->SetColor({1, 1, 1, 1});

  auto* group = Objects()->AddNewChild<TGLDummyCube>();
  group->SetName("Group");
  auto* plane = group->AddNewChild<TGLPlane>();
  plane->SetName("Plane");
  plane->SetWidth(0.8f);
  plane->SetHeight(1.2f);
  plane->Position()->SetPoint(-0.5f, 0, 0);
  TGLMaterial* m = plane->Material();
  m->SetMaterialOptions({TMaterialOption::moNoLighting});
  m->FrontProperties()->Diffuse()->SetColor({1, 0.5f, 1, 1});
  m->SetFaceCulling(TFaceCulling::fcNoCull);
  std::unique_ptr<TBitmap> quadrants = MakeBitmap(32, 32, [](int x, int y) {
    return y < 16 ? (x < 16 ? 0xFF0000u : 0x00FF00u) : (x < 16 ? 0x0000FFu : 0xFFFFFFu);
  });
  TGLTexture* t = m->Texture();
  t->Assign(quadrants.get());
  t->SetTextureMode(TGLTextureMode::tmModulate);
  t->SetMinFilter(TGLMinFilter::miNearest);
  t->SetMagFilter(TGLMagFilter::maNearest);
  t->SetTextureWrap(TGLTextureWrap::twNone);
  t->SetDisabled(false);
  auto* ball = group->AddNewChild<TGLSphere>();
  ball->SetName("Ball");
  ball->SetRadius(0.4f);
  ball->Position()->SetPoint(0.5f, 0, 0);
  ball->Material()->SetMaterialLibrary(library);
  ball->Material()->SetLibMaterialName("Stripes");

  const TCapture before = Frame();
  SaveBmp(before, "materials_before_stream.bmp");
  // The quadrants tinted magenta: red, green at half, blue, and white as magenta.
  for (uint32_t colour : {0xFF0000u, 0x008000u, 0x0000FFu, 0xFF80FFu, 0xFFFF00u, 0x00FFFFu})
    EXPECT_GT(before.Count(colour), 100) << std::hex << colour;

  TMemoryStream stream;
  WriteObjectTree(stream, group);
  delete group;
  EXPECT_EQ(Frame().Count(0), Width * Height) << "gone";
  stream.SetPosition(0);
  auto* back = dynamic_cast<TGLDummyCube*>(ReadObjectTree(stream, &owner, Objects()));
  ASSERT_NE(back, nullptr);
  auto* backBall = dynamic_cast<TGLSphere*>(back->Children(1));
  ASSERT_NE(backBall, nullptr);
  EXPECT_EQ(backBall->Material()->MaterialLibrary(), library);
  EXPECT_EQ(backBall->Material()->LibMaterial(), striped);
  const TCapture after = Frame();
  SaveBmp(after, "materials_after_stream.bmp");
  EXPECT_TRUE(after.Pixels == before.Pixels) << "the same picture";
  TMemoryStream again;
  WriteObjectTree(again, back);
  EXPECT_TRUE(again.Data() == stream.Data()) << "written again: the same bytes";
}
