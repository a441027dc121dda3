#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "Assertions.h"
#include "GLTestWindow.h"
#include "scene3d/Base/OpenGL1x.h"
#include "scene3d/Base/XOpenGL.h"

namespace {
int Major(const std::string& S) {
  int a, b;
  TrimAndSplitVersionString(S, a, b);
  return a;
}
int Minor(const std::string& S) {
  int a, b;
  TrimAndSplitVersionString(S, a, b);
  return b;
}
}  // namespace

TEST(OpenGLBinding, VersionSplit) {
  EXPECT_EQ(Major("1.5.2 NVIDIA 66.93"), 1);
  EXPECT_EQ(Minor("1.5.2 NVIDIA 66.93"), 5);
  EXPECT_EQ(Major("OpenGL ES 4.10"), 4);
  EXPECT_EQ(Minor("OpenGL ES 4.10"), 10);
  EXPECT_EQ(Minor("4.5 (Compatibility Profile) Mesa 22.3.6"), 5);
  for (const char* bad : {"no dot", "", ".5", "1.", "v.1", "1 .5", "99999999999.1"}) {
    EXPECT_EQ(Major(bad), 0) << bad;
    EXPECT_EQ(Minor(bad), 0) << bad;
  }
}

TEST(OpenGLBinding, CapabilityFlagsFromTheStrings) {
  ReadImplementationPropertiesFrom("1.3 Test", "GL_ARB_multitexture GL_EXT_bgra GL_ARB_multisample",
                                   "1.2", "GLU_EXT_nurbs_tessellator",
                                   "WGL_ARB_pixel_format WGL_ARB_pbuffer");
  EXPECT_TRUE(GL.VERSION_1_0 && GL.VERSION_1_1 && GL.VERSION_1_2 && GL.VERSION_1_3);
  EXPECT_FALSE(GL.VERSION_1_4 || GL.VERSION_1_5);
  EXPECT_TRUE(GL.ARB_multitexture);
  EXPECT_TRUE(GL.EXT_bgra);
  EXPECT_TRUE(GL.ARB_multisample) << "found after a blank";
  EXPECT_TRUE(GLU.VERSION_1_2 && GLU.EXT_nurbs_tessellator);
  EXPECT_FALSE(GLU.EXT_TEXTURE);
  EXPECT_TRUE(WGL.ARB_pixel_format);
  EXPECT_FALSE(WGL.ARB_pbuffer) << "the last name has no blank after it";

  ReadImplementationPropertiesFrom("2.0", "GL_ARB_multisample GL_ARB_multitextures GL_ARB_shadow_ambient GL_ARB_shadow "
                                   "GL_EXT_stencil_two_side",
                                   nullptr, nullptr, "WGL_ARB_pbuffer WGL_EXT_swap_control");
  EXPECT_TRUE(GL.VERSION_1_5) << "a major version above 1 has every 1.x";
  EXPECT_FALSE(GL.ARB_multisample) << "the name is searched with a leading blank";
  EXPECT_FALSE(GL.ARB_multitexture) << "only a longer name is listed";
  EXPECT_TRUE(GL.ARB_shadow) << "a later exact occurrence counts";
  EXPECT_TRUE(GL.EXT_stencil_two_side);
  EXPECT_FALSE(GL.EXT_bgra);
  EXPECT_FALSE(GLU.VERSION_1_0 && GLU.VERSION_1_1) << "no GLU version text";
  EXPECT_TRUE(WGL.ARB_pbuffer && WGL.EXT_swap_control);
}

TEST(OpenGLBinding, FloatingPointExceptionsMasked) {
  // Unmask division by zero on both units, as a driver might leave them.
  const uint16_t loud = 0x1332;
  asm volatile("fldcw %0" : : "m"(loud));
  uint32_t mx = 0x1D80;
  asm volatile("ldmxcsr %0" : : "m"(mx));
  MaskFPUExceptions();
  uint16_t cw = 0;
  asm volatile("fnstcw %0" : "=m"(cw));
  asm volatile("stmxcsr %0" : "=m"(mx));
  EXPECT_EQ(cw & ~0x40, 0x133F) << "bit 6 is reserved and reads as 1";
  EXPECT_EQ(mx & 0x7F80u, 0x1F80u);
  volatile float zero = 0.0f;
  volatile long double lzero = 0.0L;
  EXPECT_TRUE(std::isinf(1.0f / zero));
  EXPECT_TRUE(std::isinf(1.0L / lzero));
}

TEST(OpenGLBinding, LibrariesLoadByName) {
  EXPECT_FALSE(InitOpenGLFromLibrary("OpenGL32.dll", "no-such-glu.dll"));
  EXPECT_FALSE(IsOpenGLInitialized());
  EXPECT_EQ(GLHandle(), nullptr) << "the library that loaded is released";
  ASSERT_TRUE(InitOpenGL());
  EXPECT_TRUE(InitOpenGL());
  EXPECT_NE(GLUHandle(), nullptr);
  EXPECT_FALSE(IsMesaGL()) << "Wine's opengl32 exports no glResizeBuffersMESA";
}

// A window and a context made with plain WGL calls.
class OpenGLContextTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    OpenGL1x_Initialize();
    XOpenGL_Initialize();
    Form = new TGLTestForm(Application, 64, 64);
    DC = Form->View->DC();
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 16;
    const int pf = ChoosePixelFormat(DC, &pfd);
    ASSERT_TRUE(SetPixelFormat(DC, pf, &pfd));
    RC = wglCreateContext(DC);
    ASSERT_TRUE(RC && wglMakeCurrent(DC, RC));
    ReadExtensions();
    ReadImplementationProperties();
  }
  void TearDown() override {
    xglMapTexCoordToNull();
    wglMakeCurrent(nullptr, nullptr);
    if (RC) wglDeleteContext(RC);
    delete Form;
    Forms_Finalize();
  }
  static bool EnabledOn(GLenum Unit, GLenum Cap) {
    glActiveTextureARB(Unit);
    const bool r = glIsEnabled(Cap);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    return r;
  }
  static float TexS(GLenum Unit) {
    GLfloat v[4];
    glActiveTextureARB(Unit);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, v);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    return v[0];
  }
  static GLint Active() {
    GLint u = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &u);
    return u;
  }
  TGLTestForm* Form = nullptr;
  HDC DC = nullptr;
  HGLRC RC = nullptr;
};

TEST_F(OpenGLContextTest, ReadsTheImplementation) {
  EXPECT_TRUE(GL.VERSION_1_5);
  EXPECT_TRUE(GL.ARB_multitexture && glActiveTextureARB && glMultiTexCoord2fARB);
  EXPECT_TRUE(GL.ARB_vertex_buffer_object && glGenBuffersARB);
  EXPECT_TRUE(GL.SGIS_generate_mipmap);
  EXPECT_TRUE(GL.EXT_bgra);
  EXPECT_FALSE(GL.NV_register_combiners || glCombinerInputNV) << "llvmpipe has no register combiners";
  EXPECT_TRUE(GLU.VERSION_1_2);
  EXPECT_TRUE(WGL.ARB_extensions_string && wglGetExtensionsStringARB);
  EXPECT_TRUE(WGL.ARB_pixel_format && wglChoosePixelFormatARB);
  EXPECT_TRUE(WGL.EXT_swap_control && wglSwapIntervalEXT);
}

TEST_F(OpenGLContextTest, MappingModesFeedTheirUnits) {
  ASSERT_GE(Active(), 0);
  xglMapTexCoordToSecond();
  EXPECT_EQ(xglGetBitWiseMapping(), 2u);
  xglEnable(GL_TEXTURE_2D);
  xglTexCoord2f(0.25f, 0.5f);
  EXPECT_TRUE(EnabledOn(GL_TEXTURE1_ARB, GL_TEXTURE_2D));
  EXPECT_FALSE(EnabledOn(GL_TEXTURE0_ARB, GL_TEXTURE_2D));
  EXPECT_EQ(TexS(GL_TEXTURE1_ARB), 0.25f);
  EXPECT_EQ(TexS(GL_TEXTURE0_ARB), 0.0f);
  EXPECT_EQ(Active(), GL_TEXTURE0_ARB) << "unit 0 selected again";
  xglDisable(GL_TEXTURE_2D);

  xglMapTexCoordToDual();
  EXPECT_EQ(xglGetBitWiseMapping(), 3u);
  xglEnable(GL_TEXTURE_2D);
  xglTexCoord2f(0.75f, 0.5f);
  EXPECT_TRUE(EnabledOn(GL_TEXTURE0_ARB, GL_TEXTURE_2D) && EnabledOn(GL_TEXTURE1_ARB, GL_TEXTURE_2D));
  EXPECT_EQ(TexS(GL_TEXTURE0_ARB), 0.75f);
  EXPECT_EQ(TexS(GL_TEXTURE1_ARB), 0.75f);
  xglDisable(GL_TEXTURE_2D);
  EXPECT_FALSE(EnabledOn(GL_TEXTURE0_ARB, GL_TEXTURE_2D) || EnabledOn(GL_TEXTURE1_ARB, GL_TEXTURE_2D));

  xglMapTexCoordToArbitrary(0x5u);
  EXPECT_EQ(xglGetBitWiseMapping(), 5u);
  xglMapTexCoordToArbitraryAdd(0x2u);
  EXPECT_EQ(xglGetBitWiseMapping(), 7u);
  xglMapTexCoordToArbitrary(std::vector<GLenum>{GL_TEXTURE2_ARB});
  xglEnableClientState(GL_TEXTURE_COORD_ARRAY);
  xglTexCoord2f(0.125f, 0.0f);
  glClientActiveTextureARB(GL_TEXTURE2_ARB);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
  glClientActiveTextureARB(GL_TEXTURE0_ARB);
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
  EXPECT_EQ(TexS(GL_TEXTURE2_ARB), 0.125f);
  xglDisableClientState(GL_TEXTURE_COORD_ARRAY);

  xglMapTexCoordToMain();
  EXPECT_EQ(xglGetBitWiseMapping(), 1u);
  xglTexCoord2f(0.5f, 0.5f);
  EXPECT_EQ(TexS(GL_TEXTURE0_ARB), 0.5f);
  EXPECT_EQ(TexS(GL_TEXTURE2_ARB), 0.125f);
  xglMapTexCoordToNull();
  xglTexCoord2f(1.0f, 1.0f);
  EXPECT_EQ(TexS(GL_TEXTURE0_ARB), 0.5f) << "the null mapping feeds nothing";
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(OpenGLContextTest, NestedUpdateSwitchesOnceToTheLastMode) {
  xglMapTexCoordToMain();
  xglBeginUpdate();
  xglMapTexCoordToDual();
  xglBeginUpdate();
  xglMapTexCoordToNull();
  xglMapTexCoordToSecond();
  xglEndUpdate();
  EXPECT_EQ(xglMapTexCoordMode(), TMapTexCoordMode::mtcmMain) << "still inside the outer update";
  xglTexCoord2f(0.25f, 0.0f);
  EXPECT_EQ(TexS(GL_TEXTURE0_ARB), 0.25f);
  xglEndUpdate();
  EXPECT_EQ(xglMapTexCoordMode(), TMapTexCoordMode::mtcmSecond);
  xglTexCoord2f(0.75f, 0.0f);
  EXPECT_EQ(TexS(GL_TEXTURE0_ARB), 0.25f);
  EXPECT_EQ(TexS(GL_TEXTURE1_ARB), 0.75f);
}

TEST_F(OpenGLContextTest, UnitsNeedMultitexture) {
  xglMapTexCoordToMain();
  GL.ARB_multitexture = false;
  EXPECT_NE(AssertionOf([] { xglMapTexCoordToSecond(); }).find("scene3d\\Base\\XOpenGL, line 685"), std::string::npos);
  EXPECT_NE(AssertionOf([] { xglMapTexCoordToDual(); }).find("line 720"), std::string::npos);
  EXPECT_NE(AssertionOf([] { xglMapTexCoordToArbitrary(3u); }).find("line 765"), std::string::npos);
  EXPECT_EQ(xglMapTexCoordMode(), TMapTexCoordMode::mtcmMain);
  GL.ARB_multitexture = true;
}
