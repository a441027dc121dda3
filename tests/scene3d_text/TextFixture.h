// An OpenGL view of 256 x 128 pixels with a render context record that
// carries a state cache, for drawing text and 2D the way a scene's
// direct-render callback does; frames are read back with glReadPixels.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "GLTestWindow.h"
#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLState.h"
#include "scene3d/GLTexture.h"
#include "scene3d/Platform/GLWin32Context.h"

// The smallest box holding the pixels brighter than a threshold (empty: Right < Left).
struct TLitBox {
  int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1, Count = 0;
  bool Empty() const { return Count == 0; }
};
TLitBox LitBox(const TCapture& C, int Threshold = 0, RECT Within = {0, 0, 1 << 30, 1 << 30});
int Channel(uint32_t Pixel, int Index);   // 0 red, 1 green, 2 blue

class GLView : public testing::Test {
protected:
  static constexpr int Width = 256, Height = 128;
  void SetUp() override;
  void TearDown() override;
  void Clear();   // black
  TCapture Frame();
  TGLTestForm* Form = nullptr;
  std::unique_ptr<TGLWin32Context> Context;
  TGLStateCache Cache;
  TRenderContextInfo rci;
};
