// Scene objects drawn in window pixels over the 3D view: a textured
// rectangle and a string in a bitmap font. Their position counts pixels
// from the viewport's top-left corner, whatever the camera does.
#pragma once
#include <memory>
#include <string>

#include "scene3d/GLBitmapFont.h"
#include "scene3d/GLObjects.h"

// A sprite of Width x Height pixels centred on Position (x, y in pixels).
class TGLHUDSprite : public TGLSprite {
  DECLARE_CLASSINFO(TGLHUDSprite)
public:
  explicit TGLHUDSprite(TComponent* AOwner);
  void DefineProperties(TFiler* Filer) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

  int XTiles() const { return FXTiles; }   // texture repeats across
  void SetXTiles(int Value);
  int YTiles() const { return FYTiles; }   // and down
  void SetYTiles(int Value);

private:
  int FXTiles = 1, FYTiles = 1;
};

// A string in a bitmap font at Position (pixels), scaled by Scale.
class TGLHUDText : public TGLBitmapTextObject {
  DECLARE_CLASSINFO(TGLHUDText)
public:
  explicit TGLHUDText(TComponent* AOwner) : TGLBitmapTextObject(AOwner) {}
  void DefineProperties(TFiler* Filer) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

  float Rotation() const { return FRotation; }   // degrees, counter-clockwise on screen
  void SetRotation(float Value);

private:
  float FRotation = 0.0f;
};

void GLHUDObjects_Initialize();   // registers TGLHUDSprite and TGLHUDText
void GLHUDObjects_Finalize();
