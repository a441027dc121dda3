// Materials drawn for real: a screen-aligned quad in a 128 x 128 view with
// the material applied through a render context record, pixels read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "Assertions.h"
#include "GLTestWindow.h"
#include "TestPaths.h"
#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLState.h"
#include "scene3d/GLTexture.h"
#include "scene3d/Platform/GLWin32Context.h"
#include "scene3d/Scene3D.h"

namespace {
constexpr int Size = 128;
constexpr int Far = Size - 3;   // 2 px inside the far edges

int R(uint32_t C) { return int(C >> 16 & 0xFF); }
int G(uint32_t C) { return int(C >> 8 & 0xFF); }
int B(uint32_t C) { return int(C & 0xFF); }

testing::AssertionResult Near(uint32_t Actual, int ER, int EG, int EB, int Tolerance = 2) {
  if (std::abs(R(Actual) - ER) <= Tolerance && std::abs(G(Actual) - EG) <= Tolerance &&
      std::abs(B(Actual) - EB) <= Tolerance)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "got (" << R(Actual) << ", " << G(Actual) << ", " << B(Actual)
                                     << "), expected (" << ER << ", " << EG << ", " << EB << ")";
}

class MaterialGL : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    OpenGL1x_Initialize();
    GLContext_Initialize();
    XOpenGL_Initialize();
    GLTexture_Initialize();
    Form = new TGLTestForm(Application, Size, Size);
    Context = std::make_unique<TGLWin32Context>();
    Context->CreateContext(Form->View->DC());
    Context->Activate();
    glViewport(0, 0, Size, Size);
    rci.stateCache = &Cache;
    Library = std::make_unique<TGLMaterialLibrary>(nullptr);
    Folder = TempFolder("pictures");
  }
  void TearDown() override {
    Library.reset();
    if (Context) Context->Deactivate();
    Context.reset();
    delete Form;
    GLTexture_Finalize();
    XOpenGL_Finalize();
    GLContext_Finalize();
    OpenGL1x_Finalize();
    Forms_Finalize();
  }
  void Clear(float Red, float Green, float Blue) {
    glClearColor(Red, Green, Blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  // The quad over the whole view, texture coordinates S0..S1 x T0..T1,
  // counter-clockwise (front) or clockwise (back).
  void Quad(float S0, float T0, float S1, float T1, bool Front = true) {
    const float corners[4][4] = {{-1, -1, S0, T0}, {1, -1, S1, T0}, {1, 1, S1, T1}, {-1, 1, S0, T1}};
    glNormal3f(0, 0, 1);
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
      const float* c = corners[Front ? i : 3 - i];
      xglTexCoord2f(c[2], c[3]);
      glVertex2f(c[0], c[1]);
    }
    glEnd();
  }
  // Applies, draws for as many passes as the material asks, unapplies.
  TCapture Draw(TGLMaterial& M, std::function<void()> Geometry) {
    M.Apply(rci);
    do Geometry();
    while (M.UnApply(rci));
    glFinish();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    return ReadGLPixels(Size, Size);
  }
  TCapture DrawQuad(TGLMaterial& M) {
    return Draw(M, [&] { Quad(0, 0, 1, 1); });
  }
  // A library material showing Picture, white so that the texture's colours come through.
  TGLMaterial& Textured(const std::string& Name, TGraphic* Picture) {
    TGLLibMaterial* lm = Library->AddTextureMaterial(Name, Picture);
    lm->Material()->FrontProperties()->Diffuse()->SetColor({1, 1, 1, 1});
    auto m = std::make_unique<TGLMaterial>(nullptr);
    m->SetMaterialLibrary(Library.get());
    m->SetLibMaterialName(lm->Name());
    Materials.push_back(std::move(m));
    return *Materials.back();
  }
  TGLTexture* TextureOf(TGLMaterial& M) { return M.LibMaterial()->Material()->Texture(); }

  TGLTestForm* Form = nullptr;
  std::unique_ptr<TGLWin32Context> Context;
  TGLStateCache Cache;
  TRenderContextInfo rci;
  std::unique_ptr<TGLMaterialLibrary> Library;
  std::vector<std::unique_ptr<TGLMaterial>> Materials;
  std::string Folder;
};
}  // namespace

TEST_F(MaterialGL, FourQuadrantPictureThroughTheLibrary) {
  // 300 x 200: red top left, green top right, blue bottom left, yellow bottom right
  MakeBitmap(300, 200, [](int x, int y) {
    return y < 100 ? (x < 150 ? 0xFF0000u : 0x00FF00u) : (x < 150 ? 0x0000FFu : 0xFFFF00u);
  })->SaveToFile(Folder + "\\quadrants.bmp");
  TGLLibMaterial* lm = Library->AddTextureMaterial("Earth", Folder + "\\quadrants.bmp");
  lm->Material()->FrontProperties()->Diffuse()->SetColor({1, 1, 1, 1});
  TGLMaterial m(nullptr);
  m.SetMaterialLibrary(Library.get());
  m.SetLibMaterialName("Earth");
  Clear(0, 0, 0);
  TCapture c = DrawQuad(m);
  SaveBmp(c, "textured_quad.bmp");
  EXPECT_TRUE(Near(c.At(2, 2), 255, 0, 0));
  EXPECT_TRUE(Near(c.At(Far, 2), 0, 255, 0));
  EXPECT_TRUE(Near(c.At(2, Far), 0, 0, 255));
  EXPECT_TRUE(Near(c.At(Far, Far), 255, 255, 0));
  for (int q = 0; q < 4; ++q) {   // quadrant centres
    const uint32_t expect[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};
    EXPECT_TRUE(Near(c.At(q % 2 ? 96 : 32, q / 2 ? 96 : 32), R(expect[q]), G(expect[q]), B(expect[q]))) << q;
  }
  TGLTexture* t = lm->Material()->Texture();
  EXPECT_EQ(t->TexWidth(), 512);
  EXPECT_EQ(t->TexHeight(), 256);
  EXPECT_FALSE(Cache.States().Contains(TGLState::stTexture2D)) << "unapplied";

  // The top-left colour made transparent shows the background there only.
  t->SetImageAlpha(TGLTextureImageAlpha::tiaTopLeftPointColorTransparent);
  lm->Material()->SetBlendingMode(TBlendingMode::bmTransparency);
  Clear(0.2f, 0.4f, 0.6f);
  c = DrawQuad(m);
  SaveBmp(c, "transparent_quad.bmp");
  EXPECT_TRUE(Near(c.At(32, 32), 51, 102, 153));
  EXPECT_TRUE(Near(c.At(2, 2), 51, 102, 153));
  EXPECT_TRUE(Near(c.At(96, 32), 0, 255, 0));
  EXPECT_TRUE(Near(c.At(32, 96), 0, 0, 255));
  EXPECT_TRUE(Near(c.At(Far, Far), 255, 255, 0));
}

TEST_F(MaterialGL, FiltersAndWrapOnATwoByTwoTexture) {
  // top row red, green; bottom row blue, white
  std::unique_ptr<TBitmap> pic =
      MakeBitmap(2, 2, [](int x, int y) { return y == 0 ? (x == 0 ? 0xFF0000u : 0x00FF00u) : (x ? 0xFFFFFFu : 0x0000FFu); });
  TGLMaterial& m = Textured("Tiny", pic.get());
  TGLTexture* t = TextureOf(m);
  t->SetMinFilter(TGLMinFilter::miNearest);
  t->SetMagFilter(TGLMagFilter::maNearest);
  Clear(0, 0, 0);
  TCapture c = DrawQuad(m);
  EXPECT_TRUE(Near(c.At(60, 32), 255, 0, 0, 0)) << "nearest: each texel keeps its colour";
  EXPECT_TRUE(Near(c.At(67, 32), 0, 255, 0, 0));
  EXPECT_TRUE(Near(c.At(2, 32), 255, 0, 0, 0));
  EXPECT_TRUE(Near(c.At(60, 96), 0, 0, 255, 0));
  GLint mag = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
  EXPECT_EQ(mag, GL_NEAREST);

  t->SetMinFilter(TGLMinFilter::miLinear);
  t->SetMagFilter(TGLMagFilter::maLinear);   // repeat (the default wrap)
  c = DrawQuad(m);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
  EXPECT_EQ(mag, GL_LINEAR) << "a filter change sets the parameters again";
  EXPECT_GT(R(c.At(60, 32)), 60) << "linear: red and green mix across the middle";
  EXPECT_GT(G(c.At(60, 32)), 60);
  EXPECT_GT(G(c.At(2, 32)), 60) << "repeat: the left edge mixes with the right column";

  t->SetTextureWrap(TGLTextureWrap::twNone);
  c = DrawQuad(m);
  EXPECT_TRUE(Near(c.At(2, 32), 255, 0, 0, 4)) << "clamped: the left edge is the left column only";

  // twice across: repeated shows red again, clamped stretches the last column
  t->SetMinFilter(TGLMinFilter::miNearest);
  t->SetMagFilter(TGLMagFilter::maNearest);
  c = Draw(m, [&] { Quad(0, 0, 2, 1); });
  EXPECT_TRUE(Near(c.At(70, 32), 0, 255, 0, 0)) << "clamped";
  t->SetTextureWrap(TGLTextureWrap::twBoth);
  c = Draw(m, [&] { Quad(0, 0, 2, 1); });
  EXPECT_TRUE(Near(c.At(70, 32), 255, 0, 0, 0)) << "repeated";
  EXPECT_TRUE(Near(c.At(Far, 32), 0, 255, 0, 0));

  // an odd picture goes up at power-of-two size with mipmaps
  std::unique_ptr<TBitmap> odd = MakeBitmap(3, 5, [](int, int) { return 0x808080u; });
  TGLMaterial& o = Textured("Odd", odd.get());
  DrawQuad(o);
  EXPECT_EQ(TextureOf(o)->TexWidth(), 4);
  EXPECT_EQ(TextureOf(o)->TexHeight(), 8);
  GLint w1 = 0;
  glBindTexture(GL_TEXTURE_2D, TextureOf(o)->Handle()->Handle());
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &w1);
  EXPECT_EQ(w1, 2) << "mipmaps under the default filters";
  Cache.ResetGLCurrentTexture();
}

TEST_F(MaterialGL, BlendingModesOverAKnownBackground) {
  TGLMaterial m(nullptr);
  m.FrontProperties()->Diffuse()->SetColor({1, 0, 0, 0.25f});
  struct TCase {
    TBlendingMode Mode;
    int R, G, B;
  };
  // background (51, 102, 153); source red with alpha 0.25
  const TCase cases[] = {{TBlendingMode::bmOpaque, 255, 0, 0},
                         {TBlendingMode::bmTransparency, 102, 77, 115},
                         {TBlendingMode::bmAdditive, 115, 102, 153},
                         {TBlendingMode::bmAlphaTest50, 51, 102, 153},
                         {TBlendingMode::bmAlphaTest100, 51, 102, 153}};
  for (const TCase& k : cases) {
    m.SetBlendingMode(k.Mode);
    Clear(0.2f, 0.4f, 0.6f);
    TCapture c = DrawQuad(m);
    EXPECT_TRUE(Near(c.At(64, 64), k.R, k.G, k.B)) << int(k.Mode);
    EXPECT_TRUE(Near(c.At(2, 2), k.R, k.G, k.B)) << int(k.Mode);
  }
  m.FrontProperties()->Diffuse()->SetAlpha(0.6f);
  m.SetBlendingMode(TBlendingMode::bmAlphaTest50);
  Clear(0.2f, 0.4f, 0.6f);
  EXPECT_TRUE(Near(DrawQuad(m).At(64, 64), 255, 0, 0)) << "alpha 0.6 passes the 50% test";
  GLint func = 0;
  GLfloat ref = -1;
  glGetIntegerv(GL_ALPHA_TEST_FUNC, &func);
  glGetFloatv(GL_ALPHA_TEST_REF, &ref);
  EXPECT_EQ(func, GL_GREATER) << "restored after the alpha-test modes";
  EXPECT_EQ(ref, 0.0f);

  m.FrontProperties()->Diffuse()->SetColor({0.5f, 1, 0.5f, 1});
  m.SetBlendingMode(TBlendingMode::bmModulate);
  Clear(0.2f, 0.4f, 0.6f);
  EXPECT_TRUE(Near(DrawQuad(m).At(64, 64), 26, 102, 77));

  rci.ignoreBlendingRequests = true;
  m.SetBlendingMode(TBlendingMode::bmOpaque);
  Clear(0.2f, 0.4f, 0.6f);
  EXPECT_TRUE(Near(DrawQuad(m).At(64, 64), 26, 102, 77)) << "blending left as it was";
}

TEST_F(MaterialGL, BackFacePropertiesWithCullingOff) {
  // Lit by emission only, so each side shows its own emission colour.
  Cache.Enable(TGLState::stLighting);
  glEnable(GL_LIGHT0);
  const GLfloat black[4] = {0, 0, 0, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  TGLMaterial m(nullptr);
  for (TGLFaceProperties* f : {m.FrontProperties(), m.BackProperties()}) {
    f->Ambient()->SetColor({0, 0, 0, 1});
    f->Diffuse()->SetColor({0, 0, 0, 1});
  }
  m.FrontProperties()->Emission()->SetColor({0, 1, 0, 1});
  m.BackProperties()->Emission()->SetColor({1, 0, 0, 1});
  m.SetFaceCulling(TFaceCulling::fcNoCull);
  Clear(0, 0, 1);
  EXPECT_TRUE(Near(Draw(m, [&] { Quad(0, 0, 1, 1, true); }).At(64, 64), 0, 255, 0)) << "front";
  EXPECT_TRUE(Near(Draw(m, [&] { Quad(0, 0, 1, 1, false); }).At(64, 64), 255, 0, 0)) << "back";
  EXPECT_FALSE(Cache.States().Contains(TGLState::stCullFace));

  m.BackProperties()->SetPolygonMode(TPolygonMode::pmLines);
  Clear(0, 0, 1);
  EXPECT_TRUE(Near(Draw(m, [&] { Quad(0, 0, 1, 1, false); }).At(64, 64), 0, 0, 255)) << "outline only";
  m.BackProperties()->SetPolygonMode(TPolygonMode::pmFill);

  m.SetFaceCulling(TFaceCulling::fcCull);
  Clear(0, 0, 1);
  EXPECT_TRUE(Near(Draw(m, [&] { Quad(0, 0, 1, 1, false); }).At(64, 64), 0, 0, 255)) << "culled";
  EXPECT_TRUE(Cache.States().Contains(TGLState::stCullFace));
  m.SetFaceCulling(TFaceCulling::fcBufferDefault);
  rci.bufferFaceCull = false;
  Clear(0, 0, 1);
  EXPECT_TRUE(Near(Draw(m, [&] { Quad(0, 0, 1, 1, false); }).At(64, 64), 255, 0, 0)) << "the buffer does not cull";

  // no lighting while the material asks for it, back on afterwards
  m.SetMaterialOptions({TMaterialOption::moNoLighting});
  m.FrontProperties()->Diffuse()->SetColor({1, 1, 0, 1});
  Clear(0, 0, 1);
  EXPECT_TRUE(Near(DrawQuad(m).At(64, 64), 255, 255, 0));
  EXPECT_TRUE(Cache.States().Contains(TGLState::stLighting));
  EXPECT_EQ(rci.lightingDisabledCounter, 0);
}

TEST_F(MaterialGL, CubeMapsNeedSquareFacesOfOneSize) {
  if (!GL.ARB_texture_cube_map) GTEST_SKIP() << "no cube maps";
  TGLTexture t(nullptr);
  t.SetImageClassName("TGLCubeMapImage");
  auto* cube = static_cast<TGLCubeMapImage*>(t.Image());
  for (int f = 0; f < 6; ++f)
    cube->Picture(TGLCubeMapFace(f))->SetGraphic(MakeBitmap(8, 8, [](int, int) { return 0x00FF00u; }).get());
  auto width = [&](GLuint Name) {
    GLint w = -1;
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARB, Name);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB, 0, GL_TEXTURE_WIDTH, &w);
    return w;
  };
  EXPECT_EQ(width(t.GetHandle()), 8);
  t.DestroyHandles();
  cube->PictureNY()->SetGraphic(MakeBitmap(8, 4, [](int, int) { return 0u; }).get());
  EXPECT_EQ(width(t.GetHandle()), 0) << "a texture object without images";
}

namespace {
// A shader that draws its material twice, adding the second pass to the
// first; it counts its initialisations and finalisations.
class TTwoPassShader : public TGLShader {
public:
  TTwoPassShader(TComponent* AOwner, int& Finalized) : TGLShader(AOwner), FFinalized(Finalized) {}
  int Initialized = 0;
  std::function<void()> DuringPass;

protected:
  void DoInitialize() override { ++Initialized; }
  void DoApply(TRenderContextInfo& rci, TObject*) override {
    FPass = 0;
    rci.stateCache->Enable(TGLState::stBlend);
    glBlendFunc(GL_ONE, GL_ONE);
  }
  bool DoUnApply(TRenderContextInfo& rci) override {
    if (DuringPass) DuringPass();
    if (++FPass < 2) return true;
    rci.stateCache->Disable(TGLState::stBlend);
    return false;
  }
  void DoFinalize() override { ++FFinalized; }

private:
  int& FFinalized;
  int FPass = 0;
};
}  // namespace

// A two-pass shader: the material draws twice; the shader's Enabled may be
// set to what it is while it is applied; freeing the shader's owner runs
// its finalisation while the shader is whole.
TEST_F(MaterialGL, ATwoPassShaderDrawsTwiceAndFinalisesWhenFreed) {
  int finalized = 0;
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* shader = new TTwoPassShader(owner.get(), finalized);
  TGLLibMaterial* lm = Library->Materials()->Add();
  lm->SetName("Twice");
  lm->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});
  lm->Material()->FrontProperties()->Diffuse()->SetColor({0.25f, 0, 0, 1});
  lm->SetShader(shader);
  TGLMaterial m(nullptr);
  m.SetMaterialLibrary(Library.get());
  m.SetLibMaterialName("Twice");
  std::string refused;
  shader->DuringPass = [&] {
    shader->SetEnabled(true);   // no change: allowed while applied
    refused = MessageOf<EGLShaderException>([&] { shader->SetEnabled(false); });
  };
  Clear(0, 0, 0);
  const TCapture c = DrawQuad(m);
  SaveBmp(c, "two_pass_shader.bmp");
  EXPECT_TRUE(Near(c.At(64, 64), 128, 0, 0)) << "two passes of a quarter red, added";
  EXPECT_EQ(refused, "Shader is active.");
  EXPECT_FALSE(shader->ShaderActive());
  EXPECT_EQ(shader->Initialized, 1);
  EXPECT_EQ(finalized, 0);
  owner.reset();
  EXPECT_EQ(finalized, 1) << "the freed shader finalised";
  EXPECT_EQ(lm->Shader(), nullptr);
  Clear(0, 0, 0);
  EXPECT_TRUE(Near(DrawQuad(m).At(64, 64), 64, 0, 0)) << "without its shader: one pass";
}

// A library material whose material names another library material with a
// two-pass shader draws both passes.
TEST_F(MaterialGL, AChainedLibraryMaterialKeepsTheShadersPasses) {
  int finalized = 0;
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* shader = new TTwoPassShader(owner.get(), finalized);
  TGLLibMaterial* twice = Library->Materials()->Add();
  twice->SetName("Twice");
  twice->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});
  twice->Material()->FrontProperties()->Diffuse()->SetColor({0.25f, 0, 0, 1});
  twice->SetShader(shader);
  TGLLibMaterial* outer = Library->Materials()->Add();
  outer->SetName("Outer");
  outer->Material()->SetMaterialLibrary(Library.get());
  outer->Material()->SetLibMaterialName("Twice");
  TGLMaterial m(nullptr);
  m.SetMaterialLibrary(Library.get());
  m.SetLibMaterialName("Outer");
  Clear(0, 0, 0);
  const TCapture c = DrawQuad(m);
  SaveBmp(c, "chained_two_pass_shader.bmp");
  EXPECT_TRUE(Near(c.At(64, 64), 128, 0, 0)) << "two passes of a quarter red, added";
  EXPECT_FALSE(shader->ShaderActive());
  EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "the shader's last pass undid its blending";

  EXPECT_EQ(MessageOf<EGLShaderException>([&] { shader->UnApply(rci); }), "Unbalanced shader application.");
  shader->Apply(rci, nullptr);
  EXPECT_EQ(MessageOf<EGLShaderException>([&] { shader->Apply(rci, nullptr); }), "Unbalanced shader application.");
  while (shader->UnApply(rci)) {
  }
  EXPECT_FALSE(shader->ShaderActive());
}

// A library freed while one of its materials is applied says so, freed
// by its owner or directly.
TEST_F(MaterialGL, ALibraryFreedWhileApplyingReportsIt) {
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, Exception& E) { reported.push_back(E.Message); };
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* library = new TGLMaterialLibrary(owner.get());
  library->Materials()->Add()->SetName("Open");
  ASSERT_TRUE(library->ApplyMaterial("Open", rci));
  owner.reset();
  Application->OnException = nullptr;
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_NE(reported[0].find("Unbalanced material application"), std::string::npos) << reported[0];
  Cache.ResetAll();

  reported.clear();
  Application->OnException = [&](TObject*, Exception& E) { reported.push_back(E.Message); };
  auto direct = std::make_unique<TGLMaterialLibrary>(nullptr);
  direct->Materials()->Add()->SetName("Open");
  ASSERT_TRUE(direct->ApplyMaterial("Open", rci));
  direct.reset();
  Application->OnException = nullptr;
  ASSERT_EQ(reported.size(), 1u) << "a library deleted directly tells it too";
  EXPECT_NE(reported[0].find("Unbalanced material application"), std::string::npos) << reported[0];
  Cache.ResetAll();
}

// Generated texture coordinates of the flat modes on a quad over the view,
// drawn shifted by (0.25, 0) after the material is applied, against a 4 x 4
// picture of sixteen colours: object-linear planes act on the quad's own
// coordinates, eye-linear ones on the view's, the sphere map on the
// direction of each corner.
TEST_F(MaterialGL, TextureCoordinatesOfEachFlatMappingMode) {
  auto texel = [](int s, int t) { return uint32_t(0x20 + 0x40 * s) << 16 | uint32_t(0x20 + 0x40 * t) << 8 | 0x80; };
  std::unique_ptr<TBitmap> pic = MakeBitmap(4, 4, [&](int x, int y) { return texel(x, 3 - y); });
  TGLMaterial& m = Textured("Sixteen", pic.get());
  TGLTexture* t = TextureOf(m);
  t->SetTextureMode(TGLTextureMode::tmReplace);
  t->SetMinFilter(TGLMinFilter::miNearest);
  t->SetMagFilter(TGLMagFilter::maNearest);
  t->SetTextureWrap(TGLTextureWrap::twNone);
  t->MappingSCoordinates()->SetVector(0.5f, 0.25f, 0, 0.5f);
  t->MappingTCoordinates()->SetVector(0, 0.5f, 0, 0.5f);
  using M = TGLTextureMappingMode;
  struct TMode {
    M Mode;
    std::function<void(float, float, float&, float&)> ST;   // from the view's x, y
  };
  const TMode modes[] = {
      {M::tmmUser, [](float x, float y, float& s, float& u) { s = (x + 1) / 2, u = (y + 1) / 2; }},
      {M::tmmObjectLinear, [](float x, float y, float& s, float& u) { s = 0.5f * (x - 0.25f) + 0.25f * y + 0.5f, u = 0.5f * y + 0.5f; }},
      {M::tmmEyeLinear, [](float x, float y, float& s, float& u) { s = 0.5f * x + 0.25f * y + 0.5f, u = 0.5f * y + 0.5f; }},
      {M::tmmSphere, [](float x, float y, float& s, float& u) { s = 0.5f + 0.25f * x, u = 0.5f + 0.25f * y; }},
  };
  for (const TMode& mode : modes) {
    t->SetMappingMode(mode.Mode);
    Clear(0, 0, 0);
    const TCapture c = Draw(m, [] {
      glPushMatrix();
      glTranslatef(0.25f, 0, 0);
      glNormal3f(0, 0, 1);
      glBegin(GL_QUADS);
      const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
      for (const auto& k : corners) {
        xglTexCoord2f((k[0] + 1) / 2, (k[1] + 1) / 2);
        glVertex2f(k[0] - 0.25f, k[1]);
      }
      glEnd();
      glPopMatrix();
    });
    if (mode.Mode == M::tmmEyeLinear) SaveBmp(c, "eye_linear.bmp");
    int checked = 0;
    for (int py = 4; py < Size; py += 8)
      for (int px = 4; px < Size; px += 8) {
        const float x = (px + 0.5f) / 64 - 1, y = 1 - (py + 0.5f) / 64;
        float s = 0, u = 0;
        mode.ST(x, y, s, u);
        const float fs = s * 4, fu = u * 4;
        if (std::fabs(fs - std::round(fs)) < 0.05f || std::fabs(fu - std::round(fu)) < 0.05f) continue;
        const uint32_t expected = texel(std::clamp(int(std::floor(fs)), 0, 3), std::clamp(int(std::floor(fu)), 0, 3));
        EXPECT_EQ(c.At(px, py), expected) << "mode " << int(mode.Mode) << " at " << px << ", " << py;
        ++checked;
      }
    EXPECT_GT(checked, 150) << int(mode.Mode);
  }
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S)) << "generation off after unapplying";
}

// The cube-map modes under a view turned a quarter round y: the texture
// matrix takes the generated directions back into the object's frame.
TEST_F(MaterialGL, CubeMapModesLookUpInTheObjectsFrame) {
  if (!GL.ARB_texture_cube_map) GTEST_SKIP() << "no cube maps";
  auto m = std::make_unique<TGLMaterial>(nullptr);
  m->SetMaterialOptions({TMaterialOption::moNoLighting});
  TGLTexture* t = m->Texture();
  t->SetImageClassName("TGLCubeMapImage");
  auto* cube = static_cast<TGLCubeMapImage*>(t->Image());
  // +X red, -X green, +Y blue, -Y yellow, +Z magenta, -Z cyan
  const uint32_t faces[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF};
  for (int f = 0; f < 6; ++f)
    cube->Picture(TGLCubeMapFace(f))->SetGraphic(MakeBitmap(8, 8, [&](int, int) { return faces[f]; }).get());
  t->SetTextureMode(TGLTextureMode::tmReplace);
  t->SetMinFilter(TGLMinFilter::miNearest);
  t->SetMagFilter(TGLMagFilter::maNearest);
  t->SetDisabled(false);
  rci.cameraDirection = {0, 0, 1, 0};
  rci.cameraUp = {0, 1, 0, 0};
  using M = TGLTextureMappingMode;
  struct TCase {
    M Mode;
    uint32_t Right, Left, Top, Bottom;   // at (0.8, 0.1), (-0.8, 0.1), (0.1, 0.8), (0.1, -0.8)
  };
  // The scene's first light looks along +x: the light-0 mode turns the
  // view's normal (0, 0, 1) onto the light's direction before taking it
  // into the object's frame, where +x of the view is the object's +z.
  Scene3D_Initialize();
  TScene3D scene(nullptr);
  auto* light = scene.Objects()->AddNewChild<TGLLightSource>();
  light->Direction()->SetVector(1, 0, 0);
  ASSERT_EQ(scene.Lights(0), light);
  rci.scene = &scene;
  const TCase cases[] = {{M::tmmCubeMapNormal, 0x00FF00, 0x00FF00, 0x00FF00, 0x00FF00},
                         {M::tmmCubeMapLight0, 0xFF00FF, 0xFF00FF, 0xFF00FF, 0xFF00FF},
                         {M::tmmCubeMapReflection, 0xFF00FF, 0x00FFFF, 0x0000FF, 0xFFFF00},
                         {M::tmmCubeMapCamera, 0x00FFFF, 0xFF00FF, 0x0000FF, 0xFFFF00}};
  auto at = [](float x, float y) { return std::pair{int((x + 1) * 64), int((1 - y) * 64)}; };
  for (const TCase& k : cases) {
    t->SetMappingMode(k.Mode);
    Clear(0, 0, 0);
    glPushMatrix();
    glRotatef(90, 0, 1, 0);   // the object's -x faces the view
    const TCapture c = Draw(*m, [] {
      glNormal3f(-1, 0, 0);
      glBegin(GL_QUADS);   // counter-clockwise as seen
      glVertex3f(0, -1, -1);
      glVertex3f(0, -1, 1);
      glVertex3f(0, 1, 1);
      glVertex3f(0, 1, -1);
      glEnd();
    });
    glPopMatrix();
    if (k.Mode == M::tmmCubeMapReflection) SaveBmp(c, "cube_map_reflection.bmp");
    const uint32_t expected[4] = {k.Right, k.Left, k.Top, k.Bottom};
    const std::pair<int, int> points[4] = {at(0.8f, 0.1f), at(-0.8f, 0.1f), at(0.1f, 0.8f), at(0.1f, -0.8f)};
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(c.At(points[i].first, points[i].second), expected[i]) << "mode " << int(k.Mode) << " point " << i;
  }
  GLfloat matrix[16];
  glGetFloatv(GL_TEXTURE_MATRIX, matrix);
  EXPECT_EQ(matrix[0], 1.0f) << "the texture matrix is reset";
  EXPECT_EQ(matrix[2], 0.0f);
  rci.scene = nullptr;
  m.reset();
  Scene3D_Finalize();
}

// Extra textures, each on its own unit with its own texture matrix; one
// on a unit past the driver's is left out.
TEST_F(MaterialGL, ExtraTexturesOnTheirUnitsWithTheirOwnMatrices) {
  if (!GL.ARB_multitexture) GTEST_SKIP() << "one texture unit";
  GLint units = 0;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
  ASSERT_GE(units, 2);
  TGLMaterial m(nullptr);
  m.SetMaterialOptions({TMaterialOption::moNoLighting});
  m.FrontProperties()->Diffuse()->SetColor({1, 1, 1, 1});
  auto add = [&](int Unit, TGraphic* Picture) {
    TGLTextureExItem* item = m.TextureEx()->Add();
    item->SetTextureIndex(Unit);
    TGLTexture* t = item->Texture();
    t->SetMinFilter(TGLMinFilter::miNearest);
    t->SetMagFilter(TGLMagFilter::maNearest);
    t->SetTextureMode(TGLTextureMode::tmModulate);
    t->Image()->Assign(Picture);
    t->SetDisabled(false);
    return item;
  };
  // unit 0: yellow over the left half, white over the right; unit 1: white
  // over the left half, magenta over the right, shifted by half a picture
  std::unique_ptr<TBitmap> first = MakeBitmap(2, 1, [](int x, int) { return x ? 0xFFFFFFu : 0xFFFF00u; });
  std::unique_ptr<TBitmap> second = MakeBitmap(2, 1, [](int x, int) { return x ? 0xFF00FFu : 0xFFFFFFu; });
  std::unique_ptr<TBitmap> black = MakeBitmap(2, 1, [](int, int) { return 0u; });
  add(0, first.get());
  add(1, second.get())->TextureOffset()->SetVector(0.5f, 0, 0);
  add(units, black.get());   // no such unit
  Clear(0, 0, 0);
  const TCapture c = DrawQuad(m);
  SaveBmp(c, "extra_textures.bmp");
  // left: yellow x magenta = red; right: white x white
  EXPECT_TRUE(Near(c.At(20, 64), 255, 0, 0));
  EXPECT_TRUE(Near(c.At(108, 64), 255, 255, 255));
  GLfloat matrix[16];
  glActiveTextureARB(GL_TEXTURE1_ARB);
  glGetFloatv(GL_TEXTURE_MATRIX, matrix);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  EXPECT_EQ(matrix[12], 0.0f) << "the second unit's matrix is put back";
}

// A library material with a second texture on the second unit, the two
// modulated; an unknown second name is dropped at the first use.
TEST_F(MaterialGL, TheSecondTextureOfALibraryMaterial) {
  if (!GL.ARB_multitexture) GTEST_SKIP() << "one texture unit";
  std::unique_ptr<TBitmap> yellow = MakeBitmap(4, 4, [](int, int) { return 0xFFFF00u; });
  std::unique_ptr<TBitmap> cyan = MakeBitmap(4, 4, [](int x, int) { return x < 2 ? 0x00FFFFu : 0xFFFFFFu; });
  TGLMaterial& m = Textured("Base", yellow.get());
  Library->AddTextureMaterial("Detail", cyan.get());
  TGLLibMaterial* base = m.LibMaterial();
  base->SetTexture2Name("Detail");
  Clear(0, 0, 0);
  TCapture c = DrawQuad(m);
  SaveBmp(c, "second_texture.bmp");
  EXPECT_TRUE(Near(c.At(20, 64), 0, 255, 0)) << "yellow times cyan";
  EXPECT_TRUE(Near(c.At(108, 64), 255, 255, 0)) << "yellow times white";
  GLint unit = -1;
  glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
  EXPECT_EQ(unit, GL_TEXTURE0_ARB);
  glActiveTextureARB(GL_TEXTURE1_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "the second unit is off again";
  glActiveTextureARB(GL_TEXTURE0_ARB);

  base->SetTexture2Name("Nowhere");
  Clear(0, 0, 0);
  EXPECT_TRUE(Near(DrawQuad(m).At(20, 64), 255, 255, 0));
  EXPECT_EQ(base->Texture2Name(), "");
}

// Brightness, then gamma, change the picture as it is uploaded.
TEST_F(MaterialGL, BrightnessAndGammaOnUpload) {
  std::unique_ptr<TBitmap> grey = MakeBitmap(4, 4, [](int, int) { return 0x404040u; });
  TGLMaterial& m = Textured("Grey", grey.get());
  TGLTexture* t = TextureOf(m);
  Clear(0, 0, 0);
  EXPECT_TRUE(Near(DrawQuad(m).At(64, 64), 64, 64, 64));
  t->SetImageBrightness(2.0f);
  EXPECT_TRUE(Near(DrawQuad(m).At(64, 64), 128, 128, 128));
  t->SetImageGamma(2.2f);   // round((128 / 255) ^ (1 / 2.2) x 255)
  const TCapture c = DrawQuad(m);
  SaveBmp(c, "brightness_gamma.bmp");
  EXPECT_TRUE(Near(c.At(64, 64), 186, 186, 186, 1));
}
