#include "ObjectsView.h"

#include <cmath>

void ObjectsView::SetUp() {
  GLObjects_Initialize();
  View = std::make_unique<TBaseScene>(Width, Height);
  Library = std::make_unique<TGLMaterialLibrary>(nullptr);
  // Tests read OpenGL state between frames: the context stays current
  // (activation is counted, so frames still activate it).
  Frame();
  Buffer()->RenderingContext()->Activate();
}

void ObjectsView::TearDown() {
  Buffer()->RenderingContext()->Deactivate();
  Library.reset();
  View.reset();
  GLObjects_Finalize();
}

TCapture ObjectsView::Frame() {
  TCapture c = View->Frame();
  EXPECT_EQ(c.Width, Width);
  EXPECT_EQ(c.Height, Height);
  return c;
}

POINT ObjectsView::Project(float X, float Y, float Z) {
  const TAffineVector w = Buffer()->WorldToScreen(TAffineVector{X, Y, Z});
  return {static_cast<LONG>(std::floor(w[0])), static_cast<LONG>(Height - 1 - std::floor(w[1]))};
}

TGLLibMaterial* ObjectsView::PictureMaterial(const std::string& Name, TGraphic* Picture) {
  TGLLibMaterial* lm = Library->AddTextureMaterial(Name, Picture);
  lm->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});
  lm->Material()->FrontProperties()->Diffuse()->SetColor({1, 1, 1, 1});
  lm->Material()->Texture()->SetMinFilter(TGLMinFilter::miNearest);
  lm->Material()->Texture()->SetMagFilter(TGLMagFilter::maNearest);
  return lm;
}

std::vector<std::vector<ObjectsView::TFeedbackVertex>> ObjectsView::Feedback(GLenum Token) {
  std::vector<GLfloat> buffer(1 << 20);
  GLint count = -1;
  Buffer()->BeforeRender = [&buffer](TObject*) {
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
  };
  Buffer()->PostRender = [&count](TObject*) { count = glRenderMode(GL_RENDER); };
  Buffer()->Render();
  Buffer()->BeforeRender = nullptr;
  Buffer()->PostRender = nullptr;
  EXPECT_GE(count, 0) << "feedback buffer overflow";
  std::vector<std::vector<TFeedbackVertex>> primitives;
  auto vertex = [&buffer](GLint& i) {
    const float* f = &buffer[size_t(i)];
    i += 7;
    return TFeedbackVertex{{f[0], f[1], f[2]}, {f[3], f[4], f[5], f[6]}};
  };
  for (GLint i = 0; i < count;) {
    const auto token = static_cast<GLenum>(buffer[size_t(i++)]);
    std::vector<TFeedbackVertex> p;
    GLenum kind = token;
    switch (token) {
      case GL_POINT_TOKEN:
      case GL_BITMAP_TOKEN:
      case GL_DRAW_PIXEL_TOKEN:
      case GL_COPY_PIXEL_TOKEN:
        p.push_back(vertex(i));
        break;
      case GL_LINE_TOKEN:
      case GL_LINE_RESET_TOKEN:
        kind = GL_LINE_TOKEN;
        p.push_back(vertex(i));
        p.push_back(vertex(i));
        break;
      case GL_POLYGON_TOKEN: {
        const int n = static_cast<int>(buffer[size_t(i++)]);
        for (int k = 0; k < n; ++k) p.push_back(vertex(i));
        break;
      }
      case GL_PASS_THROUGH_TOKEN:
        ++i;
        break;
      default:
        ADD_FAILURE() << "unknown feedback token " << token;
        return primitives;
    }
    if (kind == Token) primitives.push_back(std::move(p));
  }
  return primitives;
}

void ObjectsView::Paint(TGLCustomSceneObject* Object, uint32_t Rgb) {
  TGLMaterial* m = Object->Material();
  m->SetMaterialOptions({TMaterialOption::moNoLighting});
  m->FrontProperties()->Diffuse()->SetColor(RgbVector(Rgb));
}

testing::AssertionResult Near(uint32_t Actual, uint32_t Expected, int Tolerance) {
  for (int shift : {16, 8, 0})
    if (std::abs(int(Actual >> shift & 0xFF) - int(Expected >> shift & 0xFF)) > Tolerance)
      return testing::AssertionFailure() << std::hex << "got 0x" << Actual << ", expected 0x" << Expected;
  return testing::AssertionSuccess();
}
