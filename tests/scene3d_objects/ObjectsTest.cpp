// The objects' values, streams, ray casts and silhouettes (no OpenGL).
#include <gtest/gtest.h>

#include <cmath>

#include "Assertions.h"
#include "scene3d/GLObjects.h"

namespace {
void ExpectNear(const TVector& a, const TVector& b, float tol = 1e-4f) {
  for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(a[i], b[i], tol) << "component " << i;
}

class Objects : public testing::Test {
protected:
  void SetUp() override {
    PersistentClasses_Initialize();
    GLObjects_Initialize();
    Scene = std::make_unique<TScene3D>(nullptr);
  }
  void TearDown() override {
    Scene.reset();
    GLObjects_Finalize();
    PersistentClasses_Finalize();
  }
  template <typename T>
  T* Add(const std::string& Name, TGLBaseSceneObject* Parent = nullptr) {
    T* o = (Parent ? Parent : Scene->Objects())->AddNewChild<T>();
    o->SetName(Name);
    return o;
  }
  static std::string Stream(TGLBaseSceneObject* Root) {
    TMemoryStream s;
    WriteObjectTree(s, Root);
    return std::string(s.Data().begin(), s.Data().end());
  }
  TGLBaseSceneObject* ReadBack(TGLBaseSceneObject* Root) {
    TStringStream s(Stream(Root));
    return ReadObjectTree(s, Scene.get(), nullptr);
  }
  std::unique_ptr<TScene3D> Scene;
};
}  // namespace

TEST_F(Objects, EveryObjectClassStreamsBackWithItsValues) {
  for (const char* name : {"TGLSphere", "TGLCube", "TGLPlane", "TGLSprite", "TGLPoints", "TGLDummyCube", "TGLLines"})
    EXPECT_NE(FindClass(name), nullptr) << name;

  auto* dummy = Add<TGLDummyCube>("Dummy");
  dummy->SetCubeSize(2);
  dummy->SetVisibleAtRunTime(true);
  dummy->EdgeColor()->SetColor({1, 0, 0, 1});
  dummy->SetCamInvarianceMode(TGLCameraInvarianceMode::cimPosition);
  auto* sphere = Add<TGLSphere>("Sphere", dummy);
  sphere->SetRadius(0.7f);
  sphere->SetSlices(32);
  sphere->SetTop(45);
  sphere->SetTopCap(TCapType::ctFlat);
  sphere->SetStop(350);
  sphere->SetStart(10);
  sphere->SetNormalDirection(TNormalDirection::ndInside);
  sphere->Position()->SetPoint(1, 2, 3);
  auto* cube = Add<TGLCube>("Cube", dummy);
  cube->SetCubeWidth(2);
  cube->SetParts({TCubePart::cpTop, TCubePart::cpFront});
  auto* plane = Add<TGLPlane>("Plane", dummy);
  plane->SetWidth(2);
  plane->SetXTiles(3);
  plane->SetXScope(0.5f);
  plane->SetStyle({TPlaneStyle::psSingleQuad});
  plane->NoZWrite = true;
  auto* sprite = Add<TGLSprite>("Sprite", dummy);
  sprite->SetWidth(3);
  sprite->SetAlphaChannel(0.5f);
  sprite->SetMirrorU(true);
  auto* points = Add<TGLPoints>("Points", dummy);
  points->Positions()->Add(1, 2, 3);
  points->Positions()->Add(4, 5, 6);
  points->Colors()->Add(TVector{0, 1, 0, 1});
  points->SetSize(4);
  points->SetStyle(TGLPointStyle::psSmooth);
  points->PointParameters()->SetEnabled(true);
  points->PointParameters()->SetMinSize(2);
  points->PointParameters()->DistanceAttenuation()->SetVector(0, 1, 0);
  auto* lines = Add<TGLLines>("Lines", dummy);
  lines->SetNodeColor(std::make_unique<TGLColor>(nullptr, TVector{1, 0, 0, 1}).get());
  for (float x : {0.0f, 1.0f, 2.0f}) lines->Nodes()->Add()->SetAsVector({x, x * 2, 0, 0});
  lines->Nodes()->Items(1)->Color()->SetColor({0, 1, 1, 1});
  lines->SetSplineMode(TLineSplineMode::lsmBezierSpline);
  lines->SetDivision(5);
  lines->SetOptions({TLinesOption::loUseNodeColorForLines});
  lines->SetLinePattern(0xF0F0);
  lines->SetLineWidth(2);
  lines->SetNodesAspect(TLineNodesAspect::lnaDodecahedron);

  auto* d = dynamic_cast<TGLDummyCube*>(ReadBack(dummy));
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->Count(), 6);
  EXPECT_EQ(d->CubeSize(), 2);
  EXPECT_TRUE(d->VisibleAtRunTime());
  EXPECT_EQ(d->EdgeColor()->Color(), (TVector{1, 0, 0, 1}));
  EXPECT_EQ(d->CamInvarianceMode(), TGLCameraInvarianceMode::cimPosition);
  auto* s = dynamic_cast<TGLSphere*>(d->Children(0));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Radius(), 0.7f);
  EXPECT_EQ(s->Slices(), 32);
  EXPECT_EQ(s->Stacks(), 16);
  EXPECT_EQ(s->Top(), 45);
  EXPECT_EQ(s->TopCap(), TCapType::ctFlat);
  EXPECT_EQ(s->Start(), 10);
  EXPECT_EQ(s->Stop(), 350);
  EXPECT_EQ(s->NormalDirection(), TNormalDirection::ndInside);
  ExpectNear(s->Position()->AsVector(), {1, 2, 3, 1});
  auto* c = dynamic_cast<TGLCube*>(d->Children(1));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->CubeWidth(), 2);
  EXPECT_EQ(c->CubeHeight(), 1);
  EXPECT_TRUE(c->Parts() == (TCubeParts{TCubePart::cpTop, TCubePart::cpFront}));
  auto* p = dynamic_cast<TGLPlane*>(d->Children(2));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Width(), 2);
  EXPECT_EQ(p->XTiles(), 3u);
  EXPECT_EQ(p->XScope(), 0.5f);
  EXPECT_TRUE(p->Style() == TPlaneStyles{TPlaneStyle::psSingleQuad});
  EXPECT_TRUE(p->NoZWrite);
  auto* sp = dynamic_cast<TGLSprite*>(d->Children(3));
  ASSERT_NE(sp, nullptr);
  EXPECT_EQ(sp->Width(), 3);
  EXPECT_EQ(sp->AlphaChannel(), 0.5f);
  EXPECT_TRUE(sp->MirrorU());
  EXPECT_FALSE(sp->MirrorV());
  auto* pt = dynamic_cast<TGLPoints*>(d->Children(4));
  ASSERT_NE(pt, nullptr);
  ASSERT_EQ(pt->Positions()->Count(), 2);
  EXPECT_EQ(pt->Positions()->Get(1), (TAffineVector{4, 5, 6}));
  ASSERT_EQ(pt->Colors()->Count(), 1);
  EXPECT_EQ(pt->Size(), 4);
  EXPECT_EQ(pt->Style(), TGLPointStyle::psSmooth);
  EXPECT_TRUE(pt->PointParameters()->Enabled());
  EXPECT_EQ(pt->PointParameters()->MinSize(), 2);
  EXPECT_EQ(pt->PointParameters()->MaxSize(), 128);
  ExpectNear(pt->PointParameters()->DistanceAttenuation()->AsVector(), {0, 1, 0, 0});
  auto* l = dynamic_cast<TGLLines*>(d->Children(5));
  ASSERT_NE(l, nullptr);
  ASSERT_EQ(l->Nodes()->Count(), 3);
  ExpectNear(l->Nodes()->Items(2)->AsVector(), {2, 4, 0, 0});
  EXPECT_EQ(l->Nodes()->Items(0)->Color()->Color(), (TVector{1, 0, 0, 1})) << "the node colour";
  EXPECT_EQ(l->Nodes()->Items(1)->Color()->Color(), (TVector{0, 1, 1, 1}));
  EXPECT_EQ(l->NodeColor()->Color(), (TVector{1, 0, 0, 1}));
  EXPECT_EQ(l->SplineMode(), TLineSplineMode::lsmBezierSpline);
  EXPECT_EQ(l->Division(), 5);
  EXPECT_TRUE(l->Options().Contains(TLinesOption::loUseNodeColorForLines));
  EXPECT_EQ(l->LinePattern(), 0xF0F0);
  EXPECT_EQ(l->LineWidth(), 2);
  EXPECT_EQ(l->NodesAspect(), TLineNodesAspect::lnaDodecahedron);
}

TEST_F(Objects, DefaultsAreNotStreamed) {
  auto* cube = Add<TGLCube>("Cube");
  auto* points = Add<TGLPoints>("Points");
  EXPECT_EQ(Stream(cube).find("CubeSize"), std::string::npos);
  cube->SetCubeWidth(2);
  const std::string data = Stream(cube);
  EXPECT_NE(data.find("CubeSize"), std::string::npos);
  EXPECT_EQ(data.find("Parts"), std::string::npos);
  points->SetSize(1.0f);
  EXPECT_EQ(Stream(points).find("Size"), std::string::npos);
  EXPECT_EQ(Stream(points).find("PointParams"), std::string::npos);
  points->PointParameters()->SetMinSize(-3);
  EXPECT_EQ(points->PointParameters()->MinSize(), 0.0f);
  EXPECT_EQ(Stream(points).find("PointParams"), std::string::npos);
  points->PointParameters()->SetMaxSize(64);
  EXPECT_NE(Stream(points).find("PointParams"), std::string::npos);
  auto* sphere = Add<TGLSphere>("Sphere");
  EXPECT_EQ(Stream(sphere).find("Radius"), std::string::npos);

}

TEST_F(Objects, SettersKeepValuesInTheirRanges) {
  auto* sprite = Add<TGLSprite>("Sprite");
  sprite->SetAlphaChannel(1.5f);
  EXPECT_EQ(sprite->AlphaChannel(), 1.0f);
  sprite->SetAlphaChannel(-0.2f);
  EXPECT_EQ(sprite->AlphaChannel(), 0.0f);
  auto* plane = Add<TGLPlane>("Plane");
  plane->SetXScope(2);
  EXPECT_EQ(plane->XScope(), 1.0f);
  auto* sphere = Add<TGLSphere>("Sphere");
  sphere->SetSlices(0);
  EXPECT_EQ(sphere->Slices(), 1);
  sphere->SetStacks(-4);
  EXPECT_EQ(sphere->Stacks(), 1);
  sphere->SetStop(180);
  EXPECT_EQ(AssertionOf([&] { sphere->SetStart(200); }), "Assertion failure (scene3d\\GLObjects, line 2386)");
  EXPECT_EQ(sphere->Start(), 0);
  sphere->SetStart(100);
  EXPECT_EQ(AssertionOf([&] { sphere->SetStop(90); }), "Assertion failure (scene3d\\GLObjects, line 2401)");
  EXPECT_EQ(sphere->Stop(), 180);
  sphere->SetTop(120);
  EXPECT_EQ(sphere->Top(), 90);
  auto* lines = Add<TGLLines>("Lines");
  lines->SetNodeSize(0);
  EXPECT_EQ(lines->NodeSize(), 1.0f);
  lines->SetDivision(-3);
  EXPECT_EQ(lines->Division(), 1);

  // Changes reach the display list.
  sphere->ClearStructureChanged();
  sphere->SetRadius(2);
  EXPECT_TRUE(sphere->Changes().Contains(TGLObjectChange::ocStructure));
  auto* dummy = Add<TGLDummyCube>("Dummy");
  dummy->ClearStructureChanged();
  dummy->EdgeColor()->SetRed(0.5f);
  EXPECT_TRUE(dummy->Changes().Contains(TGLObjectChange::ocStructure)) << "through the owned colour";
  dummy->SetAmalgamate(true);
  EXPECT_TRUE(dummy->ObjectStyle.Contains(TGLObjectStyle::osAltersColorsOrWinding));
}

TEST_F(Objects, NodesFollowTheNodeColourUnlessGivenTheirOwn) {
  auto* lines = Add<TGLLines>("Lines");
  TGLLinesNode* a = lines->Nodes()->Add();
  TGLLinesNode* b = lines->Nodes()->Add();
  EXPECT_EQ(a->Color()->Color(), (TVector{0, 0, 1, 1})) << "new nodes take the node colour";
  b->Color()->SetColor({1, 1, 0, 1});
  lines->ClearStructureChanged();
  lines->NodeColor()->SetColor({0, 1, 0, 1});
  EXPECT_EQ(a->Color()->Color(), (TVector{0, 1, 0, 1}));
  EXPECT_EQ(b->Color()->Color(), (TVector{1, 1, 0, 1}));
  EXPECT_TRUE(lines->Changes().Contains(TGLObjectChange::ocStructure));
  EXPECT_EQ(lines->Nodes()->Add()->Color()->Color(), (TVector{0, 1, 0, 1}));
  EXPECT_FALSE(a->StoreColor());
  EXPECT_TRUE(b->StoreColor());
  lines->ClearStructureChanged();
  b->SetX(3);
  EXPECT_TRUE(lines->Changes().Contains(TGLObjectChange::ocStructure)) << "a moved node";
  lines->ClearStructureChanged();
  b->Color()->SetBlue(1);
  EXPECT_TRUE(lines->Changes().Contains(TGLObjectChange::ocStructure)) << "a node's colour";
  b->SetY(-4);
  ExpectNear(lines->AxisAlignedDimensionsUnscaled(), {3, 4, 0, 0});
}

TEST_F(Objects, RayCastsHitTheShapes) {
  TVector point, normal;
  auto* cube = Add<TGLCube>("Cube");
  cube->SetCubeWidth(2);
  ASSERT_TRUE(cube->RayCastIntersect({0, 0, 5, 1}, {0, 0, -1, 0}, &point, &normal));
  ExpectNear(point, {0, 0, 0.5f, 1});
  ExpectNear(normal, {0, 0, 1, 0});
  ASSERT_TRUE(cube->RayCastIntersect({-5, 0.2f, 0, 1}, {1, 0, 0, 0}, &point, &normal));
  ExpectNear(point, {-1, 0.2f, 0, 1});
  ExpectNear(normal, {-1, 0, 0, 0});
  EXPECT_TRUE(cube->RayCastIntersect({0, 0.50009f, 5, 1}, {0, 0, -1, 0})) << "grazing the edge";
  EXPECT_FALSE(cube->RayCastIntersect({0, 0.5002f, 5, 1}, {0, 0, -1, 0}));
  EXPECT_FALSE(cube->RayCastIntersect({0, 0, 0, 1}, {0, 0, -1, 0})) << "from inside";
  EXPECT_FALSE(cube->RayCastIntersect({0, 0, 5, 1}, {0, 0, 1, 0})) << "pointing away";
  cube->Position()->SetPoint(10, 0, 0);
  cube->SetTurnAngle(90);   // its width now along z
  ASSERT_TRUE(cube->RayCastIntersect({10, 0, 5, 1}, {0, 0, -2, 0}, &point, &normal));
  ExpectNear(point, {10, 0, 1, 1});
  ExpectNear(normal, {0, 0, 1, 0});

  auto* sphere = Add<TGLSphere>("Sphere");
  sphere->Position()->SetPoint(0, 3, 0);
  sphere->Scale()->SetVector(2, 2, 2);
  ASSERT_TRUE(sphere->RayCastIntersect({0, 3, 5, 1}, {0, 0, -1, 0}, &point, &normal));
  ExpectNear(point, {0, 3, 1, 1});
  ExpectNear(normal, {0, 0, 1, 0});   // the local point as a direction: radius 0.5 scaled by 2
  EXPECT_FALSE(sphere->RayCastIntersect({0, 4.1f, 5, 1}, {0, 0, -1, 0}));

  auto* plane = Add<TGLPlane>("Plane");
  plane->SetWidth(2);
  ASSERT_TRUE(plane->RayCastIntersect({0.9f, 0.4f, 3, 1}, {0, 0, -1, 0}, &point, &normal));
  ExpectNear(point, {0.9f, 0.4f, 0, 1});
  ExpectNear(normal, {0, 0, 1, 0});
  ASSERT_TRUE(plane->RayCastIntersect({0, 0, -3, 1}, {0, 0, 1, 0}, &point, &normal));
  ExpectNear(normal, {0, 0, -1, 0});   // from below
  EXPECT_FALSE(plane->RayCastIntersect({0, 0.6f, 3, 1}, {0, 0, -1, 0}));
  EXPECT_FALSE(plane->RayCastIntersect({0, 0, 3, 1}, {0, 0, 1, 0}));

  auto* dummy = Add<TGLDummyCube>("Dummy");
  EXPECT_FALSE(dummy->RayCastIntersect({0, 0, 5, 1}, {0, 0, -1, 0}));
  EXPECT_EQ(dummy->BarycenterAbsolutePosition(), dummy->AbsolutePosition());
  Add<TGLSprite>("A", dummy)->Position()->SetPoint(2, 0, 0);
  Add<TGLSprite>("B", dummy)->Position()->SetPoint(0, 4, 0);
  ExpectNear(dummy->BarycenterAbsolutePosition(), {1, 2, 0, 1});
}

TEST_F(Objects, SilhouettesOutlineTheShapes) {
  TGLSilhouetteParameters params{{0, 0, 5}, {0, 0, -1}, TSilhouetteStyle::ssOmni, true};
  auto* cube = Add<TGLCube>("Cube");
  std::unique_ptr<TGLSilhouette> s = cube->GenerateSilhouette(params);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Indices.Count(), 8) << "the front face's four edges";
  EXPECT_GT(s->CapIndices.Count(), 0);
  cube->SetParts({});
  s = cube->GenerateSilhouette(params);
  EXPECT_EQ(s->Vertices.Count(), 0);
  EXPECT_EQ(s->Indices.Count(), 0);

  auto* sphere = Add<TGLSphere>("Sphere");
  sphere->SetSlices(24);
  s = sphere->GenerateSilhouette(params);
  ASSERT_EQ(s->Vertices.Count(), 25);
  EXPECT_EQ(s->Indices.Count(), 48);
  EXPECT_EQ(s->CapIndices.Count(), 72);
  for (int i = 0; i < 24; ++i) {
    EXPECT_NEAR(VectorLength(s->Vertices[i]), 0.5f, 1e-5f);
    EXPECT_NEAR(s->Vertices[i][2], 0.0f, 1e-5f) << "across the line of sight";
  }
  EXPECT_EQ(s->Vertices[24], NullHmgPoint);

  auto* plane = Add<TGLPlane>("Plane");
  s = plane->GenerateSilhouette(params);
  EXPECT_EQ(s->Vertices.Count(), 4);
  EXPECT_EQ(s->Indices.Count(), 8);
  EXPECT_EQ(s->CapIndices.Count(), 6);

  // The base outline (a dummy cube's) is the bounding sphere's, across the
  // line from the seen-from point, for a parallel light as for a point.
  auto* dummy = Add<TGLDummyCube>("Dummy");
  for (TSilhouetteStyle style : {TSilhouetteStyle::ssOmni, TSilhouetteStyle::ssParallel}) {
    s = dummy->GenerateSilhouette({{0, 0, 5}, {1, 0, 0}, style, false});
    ASSERT_EQ(s->Vertices.Count(), 21);
    for (int i = 0; i < 21; ++i) EXPECT_NEAR(s->Vertices[i][2], 0.0f, 1e-5f) << int(style) << " " << i;
  }
  EXPECT_NEAR(VectorLength(s->Vertices[0]), 0.98f * dummy->BoundingSphereRadiusUnscaled(), 1e-5f);
}

TEST_F(Objects, AssignCopiesWhatEachClassOwns) {
  auto* a = Add<TGLSphere>("A");
  a->SetRadius(2);
  a->SetStop(300);
  a->SetTop(10);
  a->SetTopCap(TCapType::ctCenter);
  a->SetNormals(TNormalSmoothing::nsFlat);
  auto* b = Add<TGLSphere>("B");
  b->Assign(a);
  EXPECT_EQ(b->Radius(), 2);
  EXPECT_EQ(b->Stop(), 300);
  EXPECT_EQ(b->Top(), 10);
  EXPECT_EQ(b->Normals(), TNormalSmoothing::nsFlat);
  EXPECT_EQ(b->TopCap(), TCapType::ctNone) << "caps are not copied";

  auto* p = Add<TGLPoints>("P");
  p->Positions()->Add(1, 1, 1);
  p->SetStatic(true);
  p->SetStyle(TGLPointStyle::psRound);
  auto* q = Add<TGLPoints>("Q");
  q->Assign(p);
  EXPECT_EQ(q->Positions()->Count(), 1);
  EXPECT_EQ(q->Style(), TGLPointStyle::psRound);
  EXPECT_FALSE(q->Static());
  ExpectNear(q->AxisAlignedDimensionsUnscaled(), {0.5f, 0.5f, 0.5f, 0});
  ExpectNear(Add<TGLSprite>("S")->AxisAlignedDimensionsUnscaled(), {0.5f, 0.5f, 0.5f, 0});
  ExpectNear(Add<TGLPlane>("L")->AxisAlignedDimensionsUnscaled(), {0.5f, 0.5f, 0, 0});
  ExpectNear(b->AxisAlignedDimensionsUnscaled(), {2, 2, 2, 0});
}

// A material's parts made on first use stream only when there, and a
// texture's image class comes back before the image's own values.
TEST_F(Objects, MaterialPartsAndTheImageClassStreamBack) {
  auto* s = Add<TGLSphere>("S");
  TGLMaterial* m = s->Material();
  TGLTexture* t = m->Texture();
  t->SetImageClassName("TGLPicFileImage");
  static_cast<TGLPicFileImage*>(t->Image())->SetPictureFileName("earth.jpg");
  t->SetMappingMode(TGLTextureMappingMode::tmmObjectLinear);
  t->MappingTCoordinates()->SetVector(0, 0.5f, 0, 0.5f);
  t->SetImageGamma(1.5f);
  TGLTextureExItem* extra = m->TextureEx()->Add();
  extra->SetTextureIndex(2);
  extra->Texture()->SetImageClassName("TGLPicFileImage");   // of a texture that is always there
  static_cast<TGLPicFileImage*>(extra->Texture()->Image())->SetPictureFileName("clouds.bmp");
  m->BackProperties()->Diffuse()->SetColor({0, 1, 0, 1});
  m->SetBlendingMode(TBlendingMode::bmAdditive);
  auto* back = dynamic_cast<TGLSphere*>(ReadBack(s));
  ASSERT_NE(back, nullptr);
  TGLMaterial* bm = back->Material();
  ASSERT_TRUE(bm->HasTexture());
  TGLTexture* bt = bm->Texture();
  EXPECT_EQ(bt->ImageClassName(), "TGLPicFileImage");
  EXPECT_EQ(static_cast<TGLPicFileImage*>(bt->Image())->PictureFileName(), "earth.jpg");
  EXPECT_EQ(bt->MappingMode(), TGLTextureMappingMode::tmmObjectLinear);
  ExpectNear(bt->MappingTCoordinates()->AsVector(), {0, 0.5f, 0, 0.5f});
  ExpectNear(bt->MappingSCoordinates()->AsVector(), {1, 0, 0, 0});
  EXPECT_EQ(bt->ImageGamma(), 1.5f);
  ASSERT_EQ(bm->TextureEx()->Count(), 1);
  EXPECT_EQ(bm->TextureEx()->Items(0)->TextureIndex(), 2);
  TGLTexture* extraBack = bm->TextureEx()->Items(0)->Texture();
  ASSERT_EQ(extraBack->ImageClassName(), "TGLPicFileImage");
  EXPECT_EQ(static_cast<TGLPicFileImage*>(extraBack->Image())->PictureFileName(), "clouds.bmp");
  ASSERT_TRUE(bm->HasBackProperties());
  ExpectNear(bm->BackProperties()->Diffuse()->Color(), {0, 1, 0, 1});
  EXPECT_EQ(bm->BlendingMode(), TBlendingMode::bmAdditive);

  auto* plain = dynamic_cast<TGLSphere*>(ReadBack(Add<TGLSphere>("Plain")));
  ASSERT_NE(plain, nullptr);
  EXPECT_FALSE(plain->Material()->HasTexture());
  EXPECT_FALSE(plain->Material()->HasBackProperties());
  EXPECT_FALSE(plain->Material()->StoreTextureEx());
}
