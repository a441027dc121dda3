// The WGL rendering context: a pixel format chosen for a window or memory
// device (through wglChoosePixelFormatARB when the driver offers it, else
// ChoosePixelFormat, each with fall-backs), off-screen pbuffer contexts, and
// contexts that destroy themselves when an ancestor of their window goes.
#pragma once
#include <vector>

#include "scene3d/GLContext.h"

class TGLWin32Context : public TGLContext {
  DECLARE_CLASSINFO(TGLWin32Context)
public:
  TGLWin32Context() = default;
  ~TGLWin32Context() override;   // destroys the context when still valid

  bool IsValid() const override { return FRC != nullptr; }
  void SwapBuffers() override;
  HDC RenderOutputDevice() const override { return FDC; }
  HGLRC RC() const { return FRC; }
  HPBUFFERARB PBuffer() const { return FHPBUFFER; }
  // Takes ChoosePixelFormat even where the driver offers the ARB way.
  bool LegacyPixelFormat = false;

protected:
  void DoCreateContext(HDC OutputDevice) override;
  void DoCreateMemoryContext(HDC OutputDevice, int Width, int Height, int BufferCount) override;
  void DoShareLists(TGLContext* Other, bool IntoOther) override;
  void DoDestroyContext() override;
  void DoActivate() override;
  void DoDeactivate() override;

  // The format attributes after those already in the list, then
  // wglChoosePixelFormatARB with the fall-backs; 0 when none is found.
  int ChooseWGLFormat(HDC DC, std::vector<int>& Formats);

private:
  void AddIAttrib(int Attrib, int Value);
  void DropIAttrib(int Attrib);
  int IAttrib(int Attrib) const;   // -1 when absent
  void SetIAttrib(int Attrib, int Value);
  int ChooseLegacyFormat(HDC DC, PIXELFORMATDESCRIPTOR& Pfd, bool WindowDC);
  std::vector<int> FIAttribs;     // pairs, ended by 0 when passed on
  std::vector<float> FFAttribs;   // ended by 0
  HGLRC FRC = nullptr;
  HDC FDC = nullptr;
  HPBUFFERARB FHPBUFFER = nullptr;
  HWND FTrackedWindow = nullptr;
  TGdiObject FPalette;
};

// Calls each tracked context's DestroyContext when an ancestor of its window
// receives WM_DESTROY (on by default).
extern bool vUseWindowTrackingHook;
// Windows tracked now (for tests).
int TrackedWindowCount();

void GLWin32Context_Initialize();   // registers the class with the context manager
void GLWin32Context_Finalize();
