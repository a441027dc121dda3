// The canvas: window pixels with the origin top-left, and everything it
// changed read back from OpenGL as it was once it is freed.
#include <array>

#include "TextFixture.h"
#include "scene3d/GLCanvas.h"

namespace {
struct TGLSnapshot {
  std::array<float, 16> Projection{}, ModelView{};
  std::array<float, 4> Color{};
  float LineWidth = 0, PointSize = 0;
  GLint MatrixMode = 0, ProjectionDepth = 0, ModelViewDepth = 0;
  std::array<GLboolean, 12> Enabled{};
  bool operator==(const TGLSnapshot&) const = default;
};

const GLenum Capabilities[12] = {GL_LIGHTING,   GL_FOG,       GL_CULL_FACE,   GL_COLOR_MATERIAL,
                                 GL_DEPTH_TEST, GL_TEXTURE_1D, GL_TEXTURE_2D, GL_LINE_SMOOTH,
                                 GL_POINT_SMOOTH, GL_BLEND,   GL_NORMALIZE,   GL_TEXTURE_CUBE_MAP};

TGLSnapshot Snapshot() {
  TGLSnapshot s;
  glGetFloatv(GL_PROJECTION_MATRIX, s.Projection.data());
  glGetFloatv(GL_MODELVIEW_MATRIX, s.ModelView.data());
  glGetFloatv(GL_CURRENT_COLOR, s.Color.data());
  glGetFloatv(GL_LINE_WIDTH, &s.LineWidth);
  glGetFloatv(GL_POINT_SIZE, &s.PointSize);
  glGetIntegerv(GL_MATRIX_MODE, &s.MatrixMode);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &s.ProjectionDepth);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.ModelViewDepth);
  for (size_t i = 0; i < 12; ++i) s.Enabled[i] = glIsEnabled(Capabilities[i]);
  return s;
}

class Canvas : public GLView {
protected:
  // A 3D frame's leftovers: its own matrices, states, colour and widths.
  void DirtyState(TGLStateCache* Through) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.25f, -0.5f, -3);
    for (TGLState s : {TGLState::stLighting, TGLState::stFog, TGLState::stCullFace, TGLState::stDepthTest,
                       TGLState::stTexture2D, TGLState::stLineSmooth, TGLState::stColorMaterial})
      if (Through) Through->Enable(s);
      else glEnable(GLStateCapability(s));
    glColor4f(0.25f, 0.5f, 0.75f, 0.5f);
    glLineWidth(3);
    glPointSize(4);
  }
};
}  // namespace

TEST_F(Canvas, FreeingItRestoresMatricesEnableBitsColourAndWidths) {
  for (bool withCache : {false, true}) {
    SCOPED_TRACE(withCache ? "through the state cache" : "plain");
    DirtyState(withCache ? &Cache : nullptr);
    const TGLSnapshot before = Snapshot();
    const TGLStates cached = Cache.States();
    {
      TGLCanvas canvas(Width, Height, withCache ? &Cache : nullptr);
      const TGLSnapshot inside = Snapshot();
      for (size_t i = 0; i < 9; ++i) EXPECT_FALSE(inside.Enabled[i]) << "capability " << i << " off";
      EXPECT_TRUE(inside.Enabled[9]) << "blending on";
      EXPECT_EQ(inside.LineWidth, 1.0f);
      EXPECT_EQ(inside.PointSize, 1.0f);
      EXPECT_EQ(inside.Color, (std::array<float, 4>{0, 0, 0, 1})) << "the pen: black";
      EXPECT_EQ(inside.ModelView, (std::array<float, 16>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
      EXPECT_EQ(inside.ProjectionDepth, before.ProjectionDepth + 1);
      EXPECT_EQ(inside.ModelViewDepth, before.ModelViewDepth + 1);
      if (withCache) {
        EXPECT_FALSE(Cache.States().Contains(TGLState::stLighting)) << "the cache follows";
      }
      canvas.SetupPrimitive(GL_LINES);   // left open: freeing ends it
      glVertex2f(0, 0);
      glVertex2f(10, 10);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_TRUE(Snapshot() == before);
    EXPECT_TRUE(Cache.States() == cached) << "the cache's view of the enable bits is back";
    for (TGLState s : {TGLState::stLighting, TGLState::stFog, TGLState::stCullFace, TGLState::stDepthTest,
                       TGLState::stTexture2D, TGLState::stLineSmooth, TGLState::stColorMaterial,
                       TGLState::stTexture1D, TGLState::stPointSmooth, TGLState::stBlend}) {
      if (!withCache) break;
      EXPECT_EQ(Cache.States().Contains(s), bool(glIsEnabled(GLStateCapability(s)))) << int(s);
    }
    for (TGLState s : {TGLState::stLighting, TGLState::stFog, TGLState::stCullFace, TGLState::stDepthTest,
                       TGLState::stTexture2D, TGLState::stLineSmooth, TGLState::stColorMaterial})
      Cache.Disable(s), glDisable(GLStateCapability(s));
  }
}

TEST_F(Canvas, PixelCentresAtHalfUnitsFromTheTopLeft) {
  Clear();
  {
    TGLCanvas canvas(Width, Height);
    glColor3f(1, 1, 1);
    canvas.SetupPrimitive(GL_POINTS);
    glVertex2f(0.5f, 0.5f);
    glVertex2f(Width - 0.5f, Height - 0.5f);
    glColor3f(1, 0, 0);
    canvas.SetupPrimitive(GL_QUADS);   // the points end, the quad begins
    glVertex2f(10, 20);
    glVertex2f(10, 30);
    glVertex2f(40, 30);
    glVertex2f(40, 20);
    EXPECT_EQ(canvas.CurrentPrimitive(), GLenum(GL_QUADS));
  }
  TCapture c = Frame();
  EXPECT_EQ(c.At(0, 0), 0xFFFFFFu) << "top-left pixel";
  EXPECT_EQ(c.At(Width - 1, Height - 1), 0xFFFFFFu) << "bottom-right pixel";
  EXPECT_EQ(c.At(1, 0), 0u);
  EXPECT_EQ(c.At(0, 1), 0u);
  TLitBox quad = LitBox(c, 0, {2, 2, Width - 2, Height - 2});
  EXPECT_EQ(quad.Left, 10);
  EXPECT_EQ(quad.Right, 39);
  EXPECT_EQ(quad.Top, 20);
  EXPECT_EQ(quad.Bottom, 29);
  EXPECT_EQ(quad.Count, 300);
  EXPECT_EQ(c.At(25, 25), 0xFF0000u);
}
