// A window for OpenGL tests: a form holding one child control that can own
// an OpenGL context (a plain window of a class with CS_OWNDC, clipping its
// children and siblings, background never erased). Forms_Initialize must
// have run.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "GuiTest.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"

class TGLTestControl : public TWinControl {
public:
  explicit TGLTestControl(TComponent* AOwner) : TWinControl(AOwner) {}
  HDC DC() { return GetDC(Handle()); }   // the window's own DC: the same on every call

protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
};

class TGLTestForm : public TForm {
public:
  // A visible form whose view fills a client area of Width x Height.
  TGLTestForm(TComponent* AOwner, int Width, int Height);
  TGLTestControl* View;
};

// The current context's colour buffer (the back buffer of a double-buffered
// window), rows top-down. Screen captures of OpenGL in a child window show
// nothing under Wine 8 and Xvfb; frames are read this way.
TCapture ReadGLPixels(int Width, int Height);

// A 24-bit bitmap whose pixel (x, y), row 0 the top, is Colour(x, y) as 0x00RRGGBB.
std::unique_ptr<TBitmap> MakeBitmap(int Width, int Height, const std::function<uint32_t(int, int)>& Colour);
