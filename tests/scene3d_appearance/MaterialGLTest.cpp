// Materials drawn for real: a screen-aligned quad in a 128 x 128 view with
// the material applied through a render context record, pixels read back.
#include <gtest/gtest.h>

#include <cmath>

#include "GLTestWindow.h"
#include "TestPaths.h"
#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLState.h"
#include "scene3d/GLTexture.h"
#include "scene3d/Platform/GLWin32Context.h"

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
