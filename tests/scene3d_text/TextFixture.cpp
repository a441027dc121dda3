#include "TextFixture.h"

#include <algorithm>

#include "scene3d/GLBitmapFont.h"

TLitBox LitBox(const TCapture& C, int Threshold, RECT Within) {
  TLitBox b;
  for (int y = std::max(0, int(Within.top)); y < std::min(C.Height, int(Within.bottom)); ++y)
    for (int x = std::max(0, int(Within.left)); x < std::min(C.Width, int(Within.right)); ++x) {
      const uint32_t p = C.At(x, y);
      if (Channel(p, 0) <= Threshold && Channel(p, 1) <= Threshold && Channel(p, 2) <= Threshold) continue;
      b.Left = std::min(b.Left, x), b.Right = std::max(b.Right, x);
      b.Top = std::min(b.Top, y), b.Bottom = std::max(b.Bottom, y);
      ++b.Count;
    }
  return b;
}

int Channel(uint32_t Pixel, int Index) { return int(Pixel >> (16 - 8 * Index) & 0xFF); }

void GLView::SetUp() {
  Forms_Initialize();
  OpenGL1x_Initialize();
  GLContext_Initialize();
  GLWin32Context_Initialize();
  XOpenGL_Initialize();
  GLTexture_Initialize();
  Scene3D_Initialize();
  GLBitmapFont_Initialize();
  Form = new TGLTestForm(Application, Width, Height);
  Context = std::make_unique<TGLWin32Context>();
  Context->CreateContext(Form->View->DC());
  Context->Activate();
  glViewport(0, 0, Width, Height);
  rci.stateCache = &Cache;
  rci.viewPortSize[0] = Width;
  rci.viewPortSize[1] = Height;
  rci.renderDPI = 96;
}

void GLView::TearDown() {
  if (Context) Context->Deactivate();
  Context.reset();
  delete Form;
  GLBitmapFont_Finalize();
  Scene3D_Finalize();
  GLTexture_Finalize();
  XOpenGL_Finalize();
  GLWin32Context_Finalize();
  GLContext_Finalize();
  OpenGL1x_Finalize();
  Forms_Finalize();
}

void GLView::Clear() {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

TCapture GLView::Frame() {
  glFinish();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  return ReadGLPixels(Width, Height);
}
