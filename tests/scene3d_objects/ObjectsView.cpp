#include "ObjectsView.h"

#include <cmath>

#include "scene3d/Base/XOpenGL.h"

void ObjectsView::SetUp() {
  Forms_Initialize();
  OpenGL1x_Initialize();
  GLContext_Initialize();
  XOpenGL_Initialize();
  GLTexture_Initialize();
  PersistentClasses_Initialize();
  GLObjects_Initialize();
  Form = new TGLTestForm(Application, Width, Height);
  Context = std::make_unique<TGLWin32Context>();
  Context->SetDepthBits(24);
  Context->CreateContext(Form->View->DC());
  Context->Activate();
  Scene = std::make_unique<TScene3D>(nullptr);
  Buffer = std::make_unique<TScene3DBuffer>(nullptr);
  Library = std::make_unique<TGLMaterialLibrary>(nullptr);

  // The camera's orthogonal projection: half-width bias x 50 / focal length.
  const double halfWidth = 0.5 * 50 / 25, halfHeight = halfWidth * Height / Width;
  const double nearPlane = 96.0 * 25 * 2 / (25.4 * Width) * 0.5;
  glViewport(0, 0, Width, Height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-halfWidth, halfWidth, -halfHeight, halfHeight, nearPlane, nearPlane + 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0, 0, 2, 0, 0, 0, 0, 1, 0);
  Cache.Enable(TGLState::stDepthTest);
  glDepthFunc(GL_LESS);

  TMatrix projection;
  glGetFloatv(GL_MODELVIEW_MATRIX, ModelView[0].data());
  glGetFloatv(GL_PROJECTION_MATRIX, projection[0].data());
  rci.scene = Scene.get();
  rci.buffer = Buffer.get();
  rci.stateCache = &Cache;
  rci.modelViewMatrix = &ModelView;
  rci.cameraPosition = {0, 0, 2, 1};
  rci.cameraDirection = {0, 0, -1, 0};
  rci.cameraUp = {0, 1, 0, 0};
  rci.viewPortSize[0] = Width, rci.viewPortSize[1] = Height;
  rci.renderDPI = 96;
  rci.farClippingDistance = static_cast<float>(nearPlane + 100);
  rci.frustum = ExtractFrustumFromModelViewProjection(MatrixMultiply(ModelView, projection));
  rci.objectsSorting = TGLObjectsSorting::osNone;
  rci.visibilityCulling = TGLVisibilityCulling::vcNone;
}

void ObjectsView::TearDown() {
  Library.reset();
  Scene.reset();
  Buffer.reset();
  Context.reset();
  delete Form;
  GLObjects_Finalize();
  PersistentClasses_Finalize();
  GLTexture_Finalize();
  XOpenGL_Finalize();
  GLContext_Finalize();
  OpenGL1x_Finalize();
  Forms_Finalize();
}

TCapture ObjectsView::Frame() {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Scene->Objects()->Render(rci);
  glFinish();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  return ReadGLPixels(Width, Height);
}

POINT ObjectsView::Project(float X, float Y, float Z) {
  GLdouble mv[16], proj[16], wx, wy, wz;
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, mv);
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, viewport);
  gluProject(X, Y, Z, mv, proj, viewport, &wx, &wy, &wz);
  return {static_cast<LONG>(std::floor(wx)), static_cast<LONG>(Height - 1 - std::floor(wy))};
}

TGLLibMaterial* ObjectsView::PictureMaterial(const std::string& Name, TGraphic* Picture) {
  TGLLibMaterial* lm = Library->AddTextureMaterial(Name, Picture);
  lm->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});
  lm->Material()->FrontProperties()->Diffuse()->SetColor({1, 1, 1, 1});
  lm->Material()->Texture()->SetMinFilter(TGLMinFilter::miNearest);
  lm->Material()->Texture()->SetMagFilter(TGLMagFilter::maNearest);
  return lm;
}

std::vector<std::vector<ObjectsView::TFeedbackVertex>> ObjectsView::Feedback(GLenum Token,
                                                                            const std::function<void()>& Draw) {
  std::vector<GLfloat> buffer(1 << 20);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
  glRenderMode(GL_FEEDBACK);
  Draw();
  const GLint count = glRenderMode(GL_RENDER);
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
  m->FrontProperties()->Diffuse()->SetColor(ColorToVector(TColor((Rgb >> 16 & 0xFF) | (Rgb & 0xFF00) | (Rgb & 0xFF) << 16)));
}

std::unique_ptr<TBitmap> MakePicture(int Width, int Height, const std::function<uint32_t(int, int)>& Colour) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(Width, Height);
  for (int y = 0; y < Height; ++y) {
    auto* row = static_cast<uint8_t*>(b->ScanLine(y));
    for (int x = 0; x < Width; ++x) {
      const uint32_t c = Colour(x, y);
      row[3 * x] = uint8_t(c), row[3 * x + 1] = uint8_t(c >> 8), row[3 * x + 2] = uint8_t(c >> 16);
    }
  }
  return b;
}

testing::AssertionResult Near(uint32_t Actual, uint32_t Expected, int Tolerance) {
  for (int shift : {16, 8, 0})
    if (std::abs(int(Actual >> shift & 0xFF) - int(Expected >> shift & 0xFF)) > Tolerance)
      return testing::AssertionFailure() << std::hex << "got 0x" << Actual << ", expected 0x" << Expected;
  return testing::AssertionSuccess();
}
