// Flat drawing in window pixels over the current frame: the canvas sets up
// an orthographic view with the origin at the top-left corner and y running
// down (pixel centres at half units), switches off what 3D drawing left on,
// and puts everything back when it is freed.
#pragma once
#include <climits>
#include <optional>

#include "classlib/Graphics.h"
#include "scene3d/Base/OpenGL1x.h"
#include "scene3d/Base/VectorGeometry.h"
#include "scene3d/GLState.h"

class TGLCanvas {
public:
  // The projection maps (0, 0)..(Width, Height) onto the view; the
  // model-view matrix is loaded as given. With a state cache the enable
  // bits are switched through it (and its view of them is restored with
  // them).
  TGLCanvas(int Width, int Height, const TMatrix& ModelViewMatrix, TGLStateCache* StateCache = nullptr);
  TGLCanvas(int Width, int Height, TGLStateCache* StateCache = nullptr);
  ~TGLCanvas();
  TGLCanvas(const TGLCanvas&) = delete;
  TGLCanvas& operator=(const TGLCanvas&) = delete;

  int CanvasSizeX() const { return FBufferSizeX; }
  int CanvasSizeY() const { return FBufferSizeY; }
  TColor PenColor() const { return FPenColor; }
  int PenWidth() const { return FPenWidth; }

  static constexpr GLenum NoPrimitive = GLenum(INT_MAX);
  // Ends the open primitive (glEnd) and begins Primitive (glBegin) unless it
  // is the open one; NoPrimitive only ends.
  void SetupPrimitive(GLenum Primitive);
  GLenum CurrentPrimitive() const { return FCurrentPrimitive; }

private:
  void SetupState();
  int FBufferSizeX, FBufferSizeY;
  TVector FLastColor{};
  float FLastPointSize = 1.0f, FLastLineWidth = 1.0f;
  GLenum FCurrentPrimitive = NoPrimitive;
  TColor FPenColor = 0;
  int FPenWidth = 1;
  TVector FCurrentPenColorVector{0.0f, 0.0f, 0.0f, 1.0f};
  TGLStateCache* FStateCache;
  std::optional<TGLPushedAttrib> FEnableBits;   // with a cache
};
