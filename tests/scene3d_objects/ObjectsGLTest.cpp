// The objects drawn for real in the globe's view, pixels read back.
#include <cmath>
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
  auto* sphere = Scene->Objects()->AddNewChild<TGLSphere>();
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
  std::unique_ptr<TBitmap> picture = MakePicture(64, 32, [](int x, int y) {
    return y < 8 ? 0x00FF00u : x < 8 ? 0xFF0000u : x >= 56 ? 0x0000FFu : 0x808080u;
  });
  PictureMaterial("Earth", picture.get());
  auto* sphere = Scene->Objects()->AddNewChild<TGLSphere>();
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
  auto* sphere = Scene->Objects()->AddNewChild<TGLSphere>();
  Paint(sphere, 0x800000);
  auto* points = Scene->Objects()->AddNewChild<TGLPoints>();
  points->SetSize(5);
  const TAffineVector at[3] = {{0.1f, 0.1f, 0.6f}, {-0.6f, -0.3f, 0.6f}, {0.7f, 0.5f, 0.6f}};
  const uint32_t colours[3] = {0x00FF00, 0x0000FF, 0xFFFF00};
  for (int i = 0; i < 3; ++i) {
    points->Positions()->Add(at[i]);
    points->Colors()->Add(ColorToVector(TColor((colours[i] >> 16) | (colours[i] & 0xFF00) | (colours[i] & 0xFF) << 16)));
  }
  points->StructureChanged();
  // An empty list draws one white point at the object's origin.
  auto* empty = Scene->Objects()->AddNewChild<TGLPoints>();
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
  auto* points = Scene->Objects()->AddNewChild<TGLPoints>();
  points->SetSize(9);
  points->Positions()->Add(PixelX(100), PixelY(75), 0);
  points->Colors()->Add(TVector{1, 1, 0, 1});
  for (TGLPointStyle style : {TGLPointStyle::psSquare, TGLPointStyle::psRound, TGLPointStyle::psSmooth,
                              TGLPointStyle::psSmoothAdditive, TGLPointStyle::psSquareAdditive}) {
    SCOPED_TRACE(static_cast<int>(style));
    points->SetStyle(style);
    glAlphaFunc(GL_LESS, 0.7f);
    const TCapture c = Frame();
    EXPECT_TRUE(Near(c.At(100, 75), 0xFFFF00, 2));
    const bool round = style == TGLPointStyle::psRound || style == TGLPointStyle::psSmooth ||
                       style == TGLPointStyle::psSmoothAdditive;
    EXPECT_EQ(c.At(104, 71), round ? 0u : 0xFFFF00u) << "the corner of the square";
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_POINT_SMOOTH));
    EXPECT_FALSE(Cache.States().Contains(TGLState::stBlend));
    GLint func = 0;
    GLfloat ref = -1;
    glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
    glGetFloatv(GL_ALPHA_TEST_REF, &ref);
    EXPECT_EQ(func, GL_GREATER);
    EXPECT_EQ(ref, 0.0f);
  }
  // Blending that was on stays on.
  points->SetStyle(TGLPointStyle::psSquare);
  Cache.Enable(TGLState::stBlend);
  Frame();
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(Cache.States().Contains(TGLState::stBlend));
  Cache.Disable(TGLState::stBlend);

  // Static points live in the display list.
  points->SetStatic(true);
  TCapture c = Frame();
  EXPECT_EQ(c.At(100, 75), 0xFFFF00u);
  EXPECT_FALSE(points->ObjectStyle.Contains(TGLObjectStyle::osDirectDraw));
  EXPECT_TRUE(glIsList(points->GetHandle(rci)));
}

TEST_F(ObjectsView, SpriteStaysASquareFacingTheViewer) {
  auto* sprite = Scene->Objects()->AddNewChild<TGLSprite>();
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
  std::unique_ptr<TBitmap> picture = MakePicture(64, 64, [](int x, int) { return x < 32 ? 0xFF0000u : 0x0000FFu; });
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
  auto* plane = Scene->Objects()->AddNewChild<TGLPlane>();
  plane->SetWidth(0.6f);
  plane->SetHeight(0.4f);
  plane->Position()->SetPoint(0.4f, 0.3f, 0);
  Paint(plane, 0x00FF00);
  auto* cube = Scene->Objects()->AddNewChild<TGLCube>();
  cube->SetCubeWidth(0.4f);
  cube->SetCubeHeight(0.4f);
  cube->SetCubeDepth(0.4f);
  cube->Position()->SetPoint(-0.5f, -0.3f, 0);
  cube->SetTurnAngle(45);
  Paint(cube, 0x0000FF);
  auto* dummy = Scene->Objects()->AddNewChild<TGLDummyCube>();
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
  cube->SetParts({TCubePart::cpBack});
  cube->SetTurnAngle(0);
  c = Frame();
  EXPECT_EQ(c.Count(0x0000FF), 40 * 40) << "one face, seen through the missing front";
}

TEST_F(ObjectsView, PlaneTilesItsTexture) {
  // Bottom half red, top half green.
  std::unique_ptr<TBitmap> picture = MakePicture(8, 8, [](int, int y) { return y < 4 ? 0x00FF00u : 0xFF0000u; });
  PictureMaterial("Tiles", picture.get());
  auto* plane = Scene->Objects()->AddNewChild<TGLPlane>();
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
  auto* dummy = Scene->Objects()->AddNewChild<TGLDummyCube>();
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
  auto* lines = Scene->Objects()->AddNewChild<TGLLines>();
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

  // Dodecahedra lit in the node colour.
  Cache.Enable(TGLState::stLighting);
  glEnable(GL_LIGHT0);
  lines->SetNodesAspect(TLineNodesAspect::lnaDodecahedron);
  lines->Nodes()->Items(1)->Color()->SetColor({0, 1, 0, 1});
  c = Frame();
  SaveBmp(c, "lines_dodecahedra.bmp");
  glDisable(GL_LIGHT0);
  Cache.Disable(TGLState::stLighting);
  const uint32_t first = c.At(Project(-0.8f, y, 0).x, end.y - 5), last = c.At(end.x, end.y - 5);
  EXPECT_GT(first & 0xFF, 100u);
  EXPECT_LT(first >> 8 & 0xFF, 30u) << "no more than the ambient light";
  EXPECT_GT(last >> 8 & 0xFF, 100u);
  EXPECT_LT(last & 0xFF, 30u);
  EXPECT_EQ(c.At(end.x, end.y - 12), 0u) << "radius 0.2 x 0.52";
}

TEST_F(ObjectsView, SplineAndBezierVerticesFollowTheirCurves) {
  auto* lines = Scene->Objects()->AddNewChild<TGLLines>();
  lines->SetNodesAspect(TLineNodesAspect::lnaInvisible);
  const TVector nodes[4] = {{-0.8f, -0.5f, 0, 0}, {-0.3f, 0.5f, 0, 0}, {0.3f, -0.5f, 0, 0}, {0.8f, 0.5f, 0, 0}};
  for (const TVector& n : nodes) lines->Nodes()->Add()->SetAsVector(n);
  lines->Nodes()->Items(3)->Color()->SetColor({1, 0, 0, 1});
  lines->SetSplineMode(TLineSplineMode::lsmCubicSpline);
  lines->SetOptions({TLinesOption::loUseNodeColorForLines});
  auto segments = Feedback(GL_LINE_TOKEN, [&] { Scene->Objects()->Render(rci); });
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
  EXPECT_EQ(Feedback(GL_LINE_TOKEN, [&] { Scene->Objects()->Render(rci); }).size(), 3u) << "straight between nodes";

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
    segments = Feedback(GL_LINE_TOKEN, [&] { Scene->Objects()->Render(rci); });
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

TEST_F(ObjectsView, NurbsWithoutKnotsDrawsOnlyTheMarkers) {
  auto* lines = Scene->Objects()->AddNewChild<TGLLines>();
  for (float x : {-0.5f, 0.0f, 0.5f}) lines->Nodes()->Add()->SetAsVector({x, 0, 0, 0});
  lines->SetSplineMode(TLineSplineMode::lsmNURBSCurve);
  lines->SetNodesAspect(TLineNodesAspect::lnaCube);
  auto draw = [&] { Scene->Objects()->Render(rci); };
  EXPECT_EQ(Feedback(GL_LINE_TOKEN, draw).size(), 3u * 12) << "three wire cubes of 12 edges";
  lines->SetNURBSOrder(3);
  for (float k : {0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f}) lines->NURBSKnots()->Add(k);
  lines->StructureChanged();
  Frame();   // drawn where the system's GLU has a NURBS renderer, nothing where it has none
  lines->SetNodesAspect(TLineNodesAspect::lnaInvisible);
  lines->SetNURBSOrder(0);
  EXPECT_EQ(Feedback(GL_LINE_TOKEN, draw).size(), 0u);
}

TEST_F(ObjectsView, SphereStripsBandsAndCaps) {
  auto* sphere = Scene->Objects()->AddNewChild<TGLSphere>();
  sphere->SetSlices(32);
  sphere->SetStacks(32);
  Paint(sphere, 0xFFFFFF);
  auto draw = [&] { Scene->Objects()->Render(rci); };
  // Distinct corners: 31 rings of 32 (the seam closes each ring) and the two poles.
  auto corners = [&] {
    std::set<std::array<long, 3>> seen;
    for (const auto& p : Feedback(GL_POLYGON_TOKEN, draw))
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
  rci.bufferFaceCull = true;
  auto capTriangles = [&] {
    int n = 0;
    for (const auto& p : Feedback(GL_POLYGON_TOKEN, draw)) {
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
}
