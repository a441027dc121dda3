// A 200 x 150 view showing the main program's globe setting: an orthogonal
// camera at (0, 0, 2) aimed at the origin, focal length 25, near-plane bias
// 0.5, so x runs from -1 to 1 across the view and y from -0.75 to 0.75.
// Frames are drawn through a render context record as a scene buffer fills
// it, and read back.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "GLTestWindow.h"
#include "scene3d/GLObjects.h"
#include "scene3d/Platform/GLWin32Context.h"

class ObjectsView : public testing::Test {
protected:
  static constexpr int Width = 200, Height = 150;
  void SetUp() override;
  void TearDown() override;
  // Clears to black, renders the scene's objects, reads the frame.
  TCapture Frame();
  // Where a world point lands, in pixels with row 0 at the top.
  POINT Project(float X, float Y, float Z);
  // A texture material of the library: the picture's colours unlit.
  TGLLibMaterial* PictureMaterial(const std::string& Name, TGraphic* Picture);
  // The primitives of kind Token (GL_POINT_TOKEN, GL_LINE_TOKEN for every
  // segment, GL_POLYGON_TOKEN) that reach the rasteriser while Draw runs:
  // their vertices in window coordinates with their colours.
  struct TFeedbackVertex {
    TAffineVector Position;
    TVector Color;
  };
  std::vector<std::vector<TFeedbackVertex>> Feedback(GLenum Token, const std::function<void()>& Draw);
  // An unlit colour (0x00RRGGBB) for an object with a material.
  static void Paint(TGLCustomSceneObject* Object, uint32_t Rgb);

  TGLTestForm* Form = nullptr;
  std::unique_ptr<TGLWin32Context> Context;
  std::unique_ptr<TScene3D> Scene;
  std::unique_ptr<TScene3DBuffer> Buffer;
  std::unique_ptr<TGLMaterialLibrary> Library;
  TGLStateCache Cache;
  TMatrix ModelView;   // the camera's view
  TRenderContextInfo rci;
};

// 24-bit picture from a colour function (0x00RRGGBB) of column and row (row 0 the top).
std::unique_ptr<TBitmap> MakePicture(int Width, int Height, const std::function<uint32_t(int, int)>& Colour);
// Colour within Tolerance per channel.
testing::AssertionResult Near(uint32_t Actual, uint32_t Expected, int Tolerance = 8);
