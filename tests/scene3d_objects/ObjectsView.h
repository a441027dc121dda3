// The objects in the main program's base scene, shown by a real viewer: an
// orthogonal camera at (0, 0, 2) aimed at the origin, focal length 25,
// near-plane bias 0.5, in a 200 x 150 window, so x runs from -1 to 1 across
// the view and y from -0.75 to 0.75. Frames are rendered by the viewer's
// scene buffer and read back from it.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "ViewScene.h"
#include "scene3d/GLObjects.h"

class ObjectsView : public testing::Test {
protected:
  static constexpr int Width = 200, Height = 150;
  void SetUp() override;
  void TearDown() override;
  // Renders a frame (black background) and reads the frame on screen.
  TCapture Frame();
  // The pixel (row 0 at the top) that the buffer's WorldToScreen gives for a world point.
  POINT Project(float X, float Y, float Z);
  // A texture material of the library: the picture's colours unlit.
  TGLLibMaterial* PictureMaterial(const std::string& Name, TGraphic* Picture);
  // The primitives of kind Token (GL_POINT_TOKEN, GL_LINE_TOKEN for every
  // segment, GL_POLYGON_TOKEN) that reach the rasteriser during one frame:
  // their vertices in window coordinates with their colours.
  struct TFeedbackVertex {
    TAffineVector Position;
    TVector Color;
  };
  std::vector<std::vector<TFeedbackVertex>> Feedback(GLenum Token);
  // An unlit colour (0x00RRGGBB) for an object with a material.
  static void Paint(TGLCustomSceneObject* Object, uint32_t Rgb);
  TScene3DBuffer* Buffer() const { return View->Buffer(); }
  TGLStateCache& Cache() const { return *Buffer()->StateCache(); }
  TScene3DRootObject* Objects() const { return View->Scene->Objects(); }

  TViewUnits Units;
  std::unique_ptr<TBaseScene> View;
  std::unique_ptr<TGLMaterialLibrary> Library;
};

// Colour within Tolerance per channel.
testing::AssertionResult Near(uint32_t Actual, uint32_t Expected, int Tolerance = 8);
