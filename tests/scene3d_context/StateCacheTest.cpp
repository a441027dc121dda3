#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GLTestWindow.h"
#include "scene3d/GLState.h"
#include "scene3d/Platform/GLWin32Context.h"

namespace {
// Every call the cache lets through to OpenGL, by name.
std::vector<std::string> Calls;
TGLStateCalls Real;

void APIENTRY CountEnable(GLenum C) { Calls.push_back("Enable"); Real.Enable(C); }
void APIENTRY CountDisable(GLenum C) { Calls.push_back("Disable"); Real.Disable(C); }
void APIENTRY CountPolygonMode(GLenum F, GLenum M) { Calls.push_back("PolygonMode"); Real.PolygonMode(F, M); }
void APIENTRY CountMateriali(GLenum F, GLenum P, GLint V) { Calls.push_back("Materiali"); Real.Materiali(F, P, V); }
void APIENTRY CountMaterialfv(GLenum F, GLenum P, const GLfloat* V) {
  Calls.push_back(P == GL_DIFFUSE ? "Diffuse" : P == GL_AMBIENT ? "Ambient" : P == GL_SPECULAR ? "Specular" : "Emission");
  Real.Materialfv(F, P, V);
}
void APIENTRY CountBindTexture(GLenum T, GLuint N) { Calls.push_back("BindTexture"); Real.BindTexture(T, N); }
void APIENTRY CountMatrixMode(GLenum M) { Calls.push_back("MatrixMode"); Real.MatrixMode(M); }
void APIENTRY CountLoadMatrixf(const GLfloat* M) { Calls.push_back("LoadMatrixf"); Real.LoadMatrixf(M); }
void APIENTRY CountLoadIdentity() { Calls.push_back("LoadIdentity"); Real.LoadIdentity(); }
void APIENTRY CountFrontFace(GLenum F) { Calls.push_back("FrontFace"); Real.FrontFace(F); }

class StateCacheTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    OpenGL1x_Initialize();
    GLContext_Initialize();
    Form = new TGLTestForm(Application, 32, 32);
    Context = std::make_unique<TGLWin32Context>();
    Context->CreateContext(Form->View->DC());
    Context->Activate();
    Real = GLStateCalls();
    GLStateCalls() = {CountEnable,      CountDisable,     CountPolygonMode, CountMateriali,    CountMaterialfv,
                      CountBindTexture, CountMatrixMode,  CountLoadMatrixf, CountLoadIdentity, CountFrontFace};
    Calls.clear();
  }
  void TearDown() override {
    GLStateCalls() = Real;
    Context.reset();
    delete Form;
    GLContext_Finalize();
    OpenGL1x_Finalize();
    Forms_Finalize();
  }
  static TVector Material(GLenum Face, GLenum Pname) {
    TVector v{};
    glGetMaterialfv(Face, Pname, v.data());
    return v;
  }
  TGLTestForm* Form = nullptr;
  std::unique_ptr<TGLWin32Context> Context;
};
using TCalls = std::vector<std::string>;
}  // namespace

TEST_F(StateCacheTest, RedundantChangesNeverReachOpenGL) {
  TGLStateCache cache;
  cache.Enable(TGLState::stDepthTest);
  cache.Enable(TGLState::stDepthTest);
  cache.Enable(TGLState::stTextureRect);
  EXPECT_EQ(Calls, (TCalls{"Enable", "Enable"})) << "the redundant enable reaches OpenGL once";
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_RECTANGLE_NV));
  cache.Disable(TGLState::stDepthTest);
  cache.Disable(TGLState::stDepthTest);
  cache.Disable(TGLState::stFog);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(Calls.size(), 3u);
  EXPECT_EQ(GLStateCapability(TGLState::stLogicOp), 0x0BF1u);

  Calls.clear();
  cache.SetGLPolygonMode(GL_FRONT, GL_LINE);
  cache.SetGLPolygonMode(GL_FRONT, GL_LINE);
  cache.SetGLPolygonMode(GL_FRONT_AND_BACK, GL_LINE);   // only the front already has it
  cache.SetGLPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  cache.SetGLPolygonMode(GL_LEFT, GL_POINT);
  EXPECT_EQ(Calls, (TCalls{"PolygonMode", "PolygonMode"}));
  GLint modes[2];
  glGetIntegerv(GL_POLYGON_MODE, modes);
  EXPECT_EQ(modes[1], GL_LINE);
  cache.ResetGLPolygonMode();
  cache.SetGLPolygonMode(GL_BACK, GL_LINE);
  EXPECT_EQ(Calls.size(), 3u) << "unknown after a reset";

  Calls.clear();
  cache.SetGLCurrentTexture(0, GL_TEXTURE_2D, 5);
  cache.SetGLCurrentTexture(0, GL_TEXTURE_2D, 5);
  cache.SetGLCurrentTexture(1, GL_TEXTURE_2D, 5);
  cache.ResetGLCurrentTexture();
  cache.SetGLCurrentTexture(0, GL_TEXTURE_2D, 5);
  EXPECT_EQ(Calls, (TCalls{"BindTexture", "BindTexture", "BindTexture"}));

  Calls.clear();
  cache.ResetGLTextureMatrix();
  EXPECT_TRUE(Calls.empty()) << "already the identity";
  TMatrix scale{{{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 2, 0}, {0, 0, 0, 1}}};
  cache.SetGLTextureMatrix(scale);
  GLfloat m[16];
  glGetFloatv(GL_TEXTURE_MATRIX, m);
  EXPECT_EQ(m[0], 2.0f);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  cache.ResetGLTextureMatrix();
  cache.ResetGLTextureMatrix();
  glGetFloatv(GL_TEXTURE_MATRIX, m);
  EXPECT_EQ(m[0], 1.0f);
  EXPECT_EQ(Calls, (TCalls{"MatrixMode", "LoadMatrixf", "MatrixMode", "MatrixMode", "LoadIdentity", "MatrixMode"}));

  Calls.clear();
  cache.InvertGLFrontFace();
  glGetIntegerv(GL_FRONT_FACE, &mode);
  EXPECT_EQ(mode, GL_CW);
  EXPECT_FALSE(cache.FrontFaceCCW());
  cache.ResetAll();
  glGetIntegerv(GL_FRONT_FACE, &mode);
  EXPECT_EQ(mode, GL_CCW);
  EXPECT_FALSE(cache.States().Contains(TGLState::stDepthTest));
  EXPECT_TRUE(cache.States().Contains(TGLState::stTextureRect)) << "reset all keeps the enabled states";
}

TEST_F(StateCacheTest, MaterialColoursAreComparedAsTheyMatter) {
  TGLStateCache cache;
  const TVector emission{0, 0, 0, 1}, ambient{0.1f, 0.2f, 0.3f, 1}, diffuse{0.5f, 0.5f, 0.5f, 1},
      specular{0, 0, 0, 1};
  cache.SetGLMaterialColors(GL_FRONT, emission, ambient, diffuse, specular, 10);
  EXPECT_EQ(Calls, (TCalls{"Materiali", "Ambient", "Diffuse"})) << "a new cache holds zeros";
  EXPECT_EQ(Material(GL_FRONT, GL_AMBIENT), ambient);

  Calls.clear();
  cache.SetGLMaterialColors(GL_FRONT, emission, {0.1f, 0.2f, 0.3f, 0.5f}, {0.5f, 0.5f, 0.5f, 0.25f}, specular, 10);
  EXPECT_EQ(Calls, (TCalls{"Diffuse"})) << "alpha counts for diffuse only";
  EXPECT_EQ(Material(GL_FRONT, GL_DIFFUSE)[3], 0.25f);

  Calls.clear();
  cache.SetGLMaterialAlphaChannel(GL_FRONT, 0.25f);
  cache.SetGLMaterialAlphaChannel(GL_FRONT, 0.75f);
  EXPECT_EQ(Calls, (TCalls{"Diffuse"}));
  EXPECT_EQ(Material(GL_FRONT, GL_DIFFUSE), (TVector{0.5f, 0.5f, 0.5f, 0.75f}));

  // both faces: sent when either cached face differs, then both cached
  Calls.clear();
  cache.SetGLMaterialColors(GL_FRONT_AND_BACK, emission, ambient, {0.5f, 0.5f, 0.5f, 0.75f}, specular, 10);
  EXPECT_EQ(Calls, (TCalls{"Materiali", "Ambient", "Diffuse"})) << "the back still holds zeros";
  EXPECT_EQ(Material(GL_BACK, GL_AMBIENT), ambient);
  Calls.clear();
  cache.SetGLMaterialColors(GL_BACK, emission, ambient, {0.5f, 0.5f, 0.5f, 0.75f}, specular, 10);
  EXPECT_TRUE(Calls.empty());

  cache.ResetGLMaterialColors();
  EXPECT_EQ(Material(GL_BACK, GL_DIFFUSE), (TVector{0.8f, 0.8f, 0.8f, 1}));
  Calls.clear();
  cache.SetGLMaterialColors(GL_FRONT, emission, ambient, diffuse, specular, 0);
  EXPECT_EQ(Calls, (TCalls{"Emission", "Ambient", "Diffuse", "Specular"})) << "every colour after a reset";
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
