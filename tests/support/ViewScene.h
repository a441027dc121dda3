// The main program's base scene in a real viewer: an orthogonal camera at
// (0, 0, 2) targeting an object at the origin, focal length 25, near-plane
// bias 0.5, in a borderless form of the given client size.
#pragma once
#include <memory>

#include "GLTestWindow.h"
#include "scene3d/GLCrossPlatform.h"
#include "scene3d/Platform/GLWin32Viewer.h"

// A ball of the given radius drawn with GLU (normals and texture
// coordinates), with a material of its own.
class TTestBall : public TScene3DObject {
  DECLARE_CLASSINFO(TTestBall)
public:
  explicit TTestBall(TComponent* AOwner) : TScene3DObject(AOwner) {}
  void BuildList(TRenderContextInfo& rci) override;
  float Radius = 0.5f;
  int Slices = 32, Stacks = 32;
  int Builds = 0;
};

class TViewForm : public TForm {
public:
  TViewForm(TComponent* AOwner, int Width, int Height);
  TScene3DViewer* Viewer;
};

// Starts and stops the units a scene in a window needs.
struct TViewUnits {
  TViewUnits();
  ~TViewUnits();
};

class TBaseScene {
public:
  TBaseScene(int Width = 200, int Height = 200);
  ~TBaseScene();
  // Renders one frame now and reads it back (the frame on screen).
  TCapture Frame();
  TScene3DBuffer* Buffer() const { return Form->Viewer->Buffer(); }
  // An unlit ball of one colour at the origin (the camera's target).
  TTestBall* AddBall(uint32_t Rgb, float Radius = 0.5f);
  // A square of one colour drawn every frame at (X, Y, Z), Size across.
  TGLDirectOpenGL* AddSquare(float X, float Y, float Z, float Size, uint32_t Rgb);

  std::unique_ptr<TScene3D> Scene;
  std::unique_ptr<TViewForm> Form;
  TGLCamera* Camera;
  TGLBaseSceneObject* Target;   // at the origin
};

// Serves messages until the viewer has drawn a frame after now (false
// when none comes within 10 s).
bool FrameDrawn(TScene3DViewer* Viewer);
// Where a point of the scene lies in the viewer (row 0 the top).
POINT ViewerPoint(TScene3DViewer* Viewer, const TAffineVector& P);

// 0x00RRGGBB of a TGLBitmap32 pixel at x, y (row 0 the top).
uint32_t SnapshotPixel(TGLBitmap32& Bitmap, int X, int Y);
// A frame from a snapshot, rows top-down.
TCapture ToCapture(TGLBitmap32& Bitmap);
TVector RgbVector(uint32_t Rgb);   // 0x00RRGGBB with alpha 1
int Red(uint32_t C);
int Green(uint32_t C);
int Blue(uint32_t C);
