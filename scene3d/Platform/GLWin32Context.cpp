#include "scene3d/Platform/GLWin32Context.h"

#include <algorithm>

#include "classlib/Messages.h"
#include "classlib/UnitInit.h"
#include "scene3d/Base/OpenGL1x.h"
#include "scene3d/GLCrossPlatform.h"

bool vUseWindowTrackingHook = true;

namespace {
TUnitCounter UnitCounter;
int vLastPixelFormat = 0;     // of the context whose extensions were read last

const char* const UtilWindowClass = "Scene3DUtilWindow";

HWND CreateUtilityWindow() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(inst, UtilWindowClass, &wc)) {
    wc.style = 0;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = inst;
    wc.lpszClassName = UtilWindowClass;
    RegisterClassA(&wc);
  }
  HWND w = CreateWindowExA(WS_EX_TOOLWINDOW, UtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, inst,
                           nullptr);
  if (!w) RaiseLastOSError();
  return w;
}

bool IsSoftware(HDC DC, int Format) {
  PIXELFORMATDESCRIPTOR pfd{};
  DescribePixelFormat(DC, Format, sizeof pfd, &pfd);
  return pfd.dwFlags & PFD_GENERIC_FORMAT;
}

// The hidden utility window with a legacy context current on it, to ask the
// driver what it offers. Whatever context was current is current again
// afterwards.
class TProbeContext {
public:
  explicit TProbeContext(PIXELFORMATDESCRIPTOR Pfd)
      : FPrevDC(wglGetCurrentDC()), FPrevRC(wglGetCurrentContext()) {
    try {
      FWnd = CreateUtilityWindow();
      FDC = GetDC(FWnd);
      Pfd.dwFlags = (Pfd.dwFlags & ~DWORD(PFD_DRAW_TO_BITMAP)) | PFD_DRAW_TO_WINDOW;
      const int pf = ChoosePixelFormat(FDC, &Pfd);
      if (!pf || !SetPixelFormat(FDC, pf, &Pfd)) RaiseLastOSError();
      FRC = wglCreateContext(FDC);
      if (!FRC || !wglMakeCurrent(FDC, FRC)) RaiseLastOSError();
      ReadExtensions();
      ReadImplementationProperties();
      ClearGLError();
    } catch (...) {
      Close();
      throw;
    }
  }
  ~TProbeContext() { Close(); }
  TProbeContext(const TProbeContext&) = delete;
  TProbeContext& operator=(const TProbeContext&) = delete;
  HDC DC() const { return FDC; }

private:
  void Close() {
    if (FRC) {
      if (FPrevRC) wglMakeCurrent(FPrevDC, FPrevRC);
      else wglMakeCurrent(nullptr, nullptr);
      wglDeleteContext(FRC);
      FRC = nullptr;
    }
    if (FDC) ReleaseDC(FWnd, FDC);
    if (FWnd) DestroyWindow(FWnd);
    FDC = nullptr;
    FWnd = nullptr;
  }
  HDC FPrevDC;
  HGLRC FPrevRC;
  HWND FWnd = nullptr;
  HDC FDC = nullptr;
  HGLRC FRC = nullptr;
};

// ---- window tracking ----
struct TTrackedWindow {
  HWND Wnd;
  TGLWin32Context* Context;
};
std::vector<TTrackedWindow> Tracked;
HHOOK TrackingHookHandle = nullptr;

bool IsTracked(const TTrackedWindow& T) {
  return std::any_of(Tracked.begin(), Tracked.end(),
                     [&](const TTrackedWindow& x) { return x.Wnd == T.Wnd && x.Context == T.Context; });
}

LRESULT CALLBACK TrackingHook(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HC_ACTION) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(LParam);
    if (m->message == WM_DESTROY && !Tracked.empty()) {
      const std::vector<TTrackedWindow> snapshot = Tracked;   // the callbacks unregister
      for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it)
        if (IsTracked(*it) && IsChild(m->hwnd, it->Wnd)) {
          try {
            it->Context->DestroyContext();
          } catch (...) {
            HandleCallbackException(nullptr);
          }
        }
    }
  }
  return CallNextHookEx(TrackingHookHandle, Code, WParam, LParam);
}

void TrackWindow(HWND Wnd, TGLWin32Context* Context) {
  if (Tracked.empty()) TrackingHookHandle = SetWindowsHookExA(WH_CALLWNDPROC, TrackingHook, nullptr, GetCurrentThreadId());
  Tracked.push_back({Wnd, Context});
}

void UntrackWindow(HWND Wnd) {
  Tracked.erase(std::remove_if(Tracked.begin(), Tracked.end(), [&](const TTrackedWindow& t) { return t.Wnd == Wnd; }),
                Tracked.end());
  if (Tracked.empty() && TrackingHookHandle) {
    UnhookWindowsHookEx(TrackingHookHandle);
    TrackingHookHandle = nullptr;
  }
}

int Samples(TGLAntiAliasing A) {
  switch (A) {
    case TGLAntiAliasing::aa2x:
    case TGLAntiAliasing::aa2xHQ: return 2;
    case TGLAntiAliasing::aa4x:
    case TGLAntiAliasing::aa4xHQ: return 4;
    default: return 0;
  }
}
}  // namespace

int TrackedWindowCount() { return static_cast<int>(Tracked.size()); }

IMPLEMENT_CLASSINFO(TGLWin32Context, TGLContext)

TGLWin32Context::~TGLWin32Context() {
  if (!IsValid()) return;
  try {
    DestroyContext();
  } catch (...) {   // the context goes either way
  }
}

void TGLWin32Context::AddIAttrib(int Attrib, int Value) {
  FIAttribs.push_back(Attrib);
  FIAttribs.push_back(Value);
}

void TGLWin32Context::DropIAttrib(int Attrib) {
  for (size_t i = 0; i + 1 < FIAttribs.size(); i += 2)
    if (FIAttribs[i] == Attrib) {
      FIAttribs.erase(FIAttribs.begin() + static_cast<ptrdiff_t>(i), FIAttribs.begin() + static_cast<ptrdiff_t>(i) + 2);
      return;
    }
}

int TGLWin32Context::IAttrib(int Attrib) const {
  for (size_t i = 0; i + 1 < FIAttribs.size(); i += 2)
    if (FIAttribs[i] == Attrib) return FIAttribs[i + 1];
  return -1;
}

void TGLWin32Context::SetIAttrib(int Attrib, int Value) {
  for (size_t i = 0; i + 1 < FIAttribs.size(); i += 2)
    if (FIAttribs[i] == Attrib) {
      FIAttribs[i + 1] = Value;
      return;
    }
  AddIAttrib(Attrib, Value);
}

int TGLWin32Context::ChooseWGLFormat(HDC DC, std::vector<int>& Formats) {
  AddIAttrib(WGL_ACCELERATION_ARB, WGL_FULL_ACCELERATION_ARB);
  if (ColorBits() == 64 || ColorBits() == 128) {
    if (GL.ATI_texture_float) {
      AddIAttrib(WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_FLOAT_ATI);
    } else {
      AddIAttrib(WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB);
      AddIAttrib(WGL_FLOAT_COMPONENTS_NV, 1);
    }
  }
  AddIAttrib(WGL_COLOR_BITS_ARB, ColorBits());
  if (AlphaBits() > 0) AddIAttrib(WGL_ALPHA_BITS_ARB, AlphaBits());
  AddIAttrib(WGL_DEPTH_BITS_ARB, DepthBits());
  if (StencilBits() > 0) AddIAttrib(WGL_STENCIL_BITS_ARB, StencilBits());
  if (AccumBits() > 0) AddIAttrib(WGL_ACCUM_BITS_ARB, AccumBits());
  if (AuxBuffers() > 0) AddIAttrib(WGL_AUX_BUFFERS_ARB, AuxBuffers());
  if (AntiAliasing() != TGLAntiAliasing::aaDefault && WGL.ARB_multisample && GL.ARB_multisample) {
    if (AntiAliasing() == TGLAntiAliasing::aaNone) {
      AddIAttrib(WGL_SAMPLE_BUFFERS_ARB, 0);
    } else {
      AddIAttrib(WGL_SAMPLE_BUFFERS_ARB, 1);
      AddIAttrib(WGL_SAMPLES_ARB, Samples(AntiAliasing()));
    }
  }
  FFAttribs.assign(1, 0.0f);
  auto choose = [&] {
    std::vector<int> attribs = FIAttribs;
    attribs.push_back(0);
    Formats.assign(32, 0);
    UINT n = 0;
    if (!wglChoosePixelFormatARB || !wglChoosePixelFormatARB(DC, attribs.data(), FFAttribs.data(), 32, Formats.data(), &n))
      n = 0;
    Formats.resize(std::min<UINT>(n, 32));
    return !Formats.empty();
  };
  bool found = choose();
  for (int step = 0; !found && step < 5; ++step) {
    switch (step) {
      case 0:   // without multisampling
        if (IAttrib(WGL_SAMPLE_BUFFERS_ARB) < 0) continue;
        DropIAttrib(WGL_SAMPLE_BUFFERS_ARB);
        DropIAttrib(WGL_SAMPLES_ARB);
        break;
      case 1:
        if (IAttrib(WGL_DEPTH_BITS_ARB) < 32) continue;
        SetIAttrib(WGL_DEPTH_BITS_ARB, 24);
        break;
      case 2:
        if (IAttrib(WGL_DEPTH_BITS_ARB) < 24) continue;
        SetIAttrib(WGL_DEPTH_BITS_ARB, 16);
        break;
      case 3:
        if (IAttrib(WGL_COLOR_BITS_ARB) < 24) continue;
        SetIAttrib(WGL_COLOR_BITS_ARB, 16);
        break;
      default:   // what was asked for, without the acceleration requirement
        SetIAttrib(WGL_COLOR_BITS_ARB, ColorBits());
        SetIAttrib(WGL_DEPTH_BITS_ARB, DepthBits());
        DropIAttrib(WGL_ACCELERATION_ARB);
        break;
    }
    found = choose();
  }
  return found ? Formats.front() : 0;
}

int TGLWin32Context::ChooseLegacyFormat(HDC DC, PIXELFORMATDESCRIPTOR& Pfd, bool WindowDC) {
  const int first = ChoosePixelFormat(DC, &Pfd);
  if (!first) RaiseLastOSError();
  if (!WindowDC || !IsSoftware(DC, first)) return first;
  // a software format only as the last resort
  PIXELFORMATDESCRIPTOR p = Pfd;
  p.cDepthBits = 16;
  int f = ChoosePixelFormat(DC, &p);
  if (f && !IsSoftware(DC, f)) return f;
  p.cColorBits = 16;
  f = ChoosePixelFormat(DC, &p);
  if (f && !IsSoftware(DC, f)) return f;
  return first;
}

void TGLWin32Context::DoCreateContext(HDC OutputDevice) {
  const DWORD objectType = GetObjectType(OutputDevice);
  if (vUseWindowTrackingHook) {
    if (HWND w = WindowFromDC(OutputDevice)) {
      TrackWindow(w, this);
      FTrackedWindow = w;
    }
  }
  try {
    if (!InitOpenGL()) RaiseLastOSError();
    if (!objectType) RaiseLastOSError();
    const bool windowDC = objectType != OBJ_METADC && objectType != OBJ_MEMDC && objectType != OBJ_ENHMETADC;
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_SUPPORT_OPENGL | (windowDC ? PFD_DRAW_TO_WINDOW : PFD_DRAW_TO_BITMAP);
    if (Options().Contains(TGLRCOption::rcoDoubleBuffered)) pfd.dwFlags |= PFD_DOUBLEBUFFER;
    if (Options().Contains(TGLRCOption::rcoStereo)) pfd.dwFlags |= PFD_STEREO;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(ColorBits());
    pfd.cDepthBits = static_cast<BYTE>(DepthBits());
    pfd.cStencilBits = static_cast<BYTE>(StencilBits());
    pfd.cAccumBits = static_cast<BYTE>(AccumBits());
    pfd.cAlphaBits = static_cast<BYTE>(AlphaBits());
    pfd.cAuxBuffers = static_cast<BYTE>(AuxBuffers());
    pfd.iLayerType = PFD_MAIN_PLANE;

    int format = 0;
    if (!LegacyPixelFormat && windowDC && !IsMesaGL()) {
      TProbeContext probe(pfd);
      if (WGL.ARB_pixel_format) {
        FIAttribs.clear();
        AddIAttrib(WGL_DRAW_TO_WINDOW_ARB, 1);
        AddIAttrib(WGL_STEREO_ARB, Options().Contains(TGLRCOption::rcoStereo) ? 1 : 0);
        AddIAttrib(WGL_DOUBLE_BUFFER_ARB, Options().Contains(TGLRCOption::rcoDoubleBuffered) ? 1 : 0);
        std::vector<int> formats;
        if (ChooseWGLFormat(probe.DC(), formats)) {
          format = formats.front();
          if (WGL.ARB_multisample && AntiAliasing() <= TGLAntiAliasing::aaNone) {
            const int query = WGL_SAMPLE_BUFFERS_ARB;
            for (int f : formats) {   // the first without sample buffers, else the last
              int sampleBuffers = 0;
              format = f;
              if (wglGetPixelFormatAttribivARB(probe.DC(), f, 0, 1, &query, &sampleBuffers) && sampleBuffers == 0)
                break;
            }
          }
        }
      }
      if (format && GetPixelFormat(OutputDevice) != format) {
        PIXELFORMATDESCRIPTOR chosen{};
        DescribePixelFormat(OutputDevice, format, sizeof chosen, &chosen);
        if (!SetPixelFormat(OutputDevice, format, &chosen)) RaiseLastOSError();
      }
    }
    if (!format) {
      format = ChooseLegacyFormat(OutputDevice, pfd, windowDC);
      ClearGLError();
      if (GetPixelFormat(OutputDevice) != format && !SetPixelFormat(OutputDevice, format, &pfd)) RaiseLastOSError();
    }

    PIXELFORMATDESCRIPTOR actual{};
    DescribePixelFormat(OutputDevice, GetPixelFormat(OutputDevice), sizeof actual, &actual);
    if (actual.dwFlags & PFD_NEED_PALETTE) {
      struct {
        WORD Version, Count;
        PALETTEENTRY Entries[256];
      } pal{0x300, 256, {}};
      auto level = [](int I, int Shift, int Bits) {
        const int max = (1 << Bits) - 1;
        return static_cast<BYTE>(max > 0 ? ((I >> Shift) & max) * 255 / max : 0);
      };
      for (int i = 0; i < 256; ++i)
        pal.Entries[i] = {level(i, actual.cRedShift, actual.cRedBits), level(i, actual.cGreenShift, actual.cGreenBits),
                          level(i, actual.cBlueShift, actual.cBlueBits), 0};
      FPalette.Reset(CreatePalette(reinterpret_cast<LOGPALETTE*>(&pal)));
      if (!FPalette) RaiseLastOSError();
      SelectPalette(OutputDevice, static_cast<HPALETTE>(FPalette.Get()), FALSE);
      RealizePalette(OutputDevice);
    }
    SetAcceleration(actual.dwFlags & PFD_GENERIC_FORMAT ? TGLContextAcceleration::chaSoftware
                                                        : TGLContextAcceleration::chaHardware);
    FRC = wglCreateContext(OutputDevice);
    if (!FRC) RaiseLastOSError();
    vLastPixelFormat = 0;
    FDC = OutputDevice;
  } catch (...) {
    if (FTrackedWindow) UntrackWindow(FTrackedWindow);
    FTrackedWindow = nullptr;
    FPalette.Reset();
    throw;
  }
}

void TGLWin32Context::DoCreateMemoryContext(HDC OutputDevice, int Width, int Height, int) {
  if (!InitOpenGL()) RaiseLastOSError();
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 24;
  TProbeContext probe(pfd);
  if (!WGL.ARB_pixel_format || !WGL.ARB_pbuffer) throw EGLContext("WGL_ARB_pbuffer support required.");
  HDC device = OutputDevice ? OutputDevice : probe.DC();
  FIAttribs.clear();
  AddIAttrib(WGL_DRAW_TO_PBUFFER_ARB, 1);
  std::vector<int> formats;
  const int format = ChooseWGLFormat(device, formats);
  if (!format) throw EGLContext("Format not supported for pbuffer operation.");
  const int none = 0;
  HPBUFFERARB pbuffer = wglCreatePbufferARB(device, format, Width, Height, &none);
  if (!pbuffer) throw EGLContext("Unabled to create pbuffer.");
  HDC dc = wglGetPbufferDCARB(pbuffer);
  if (!dc) {
    wglDestroyPbufferARB(pbuffer);
    throw EGLContext("Unabled to create pbuffer's DC.");
  }
  HGLRC rc = wglCreateContext(dc);
  if (!rc) {
    wglReleasePbufferDCARB(pbuffer, dc);
    wglDestroyPbufferARB(pbuffer);
    throw EGLContext("Unabled to create pbuffer's RC.");
  }
  FHPBUFFER = pbuffer;
  FDC = dc;
  FRC = rc;
  vLastPixelFormat = 0;
  try {
    CheckOpenGLError();
  } catch (...) {
    DoDestroyContext();
    throw;
  }
}

void TGLWin32Context::DoShareLists(TGLContext* Other, bool IntoOther) {
  auto* other = dynamic_cast<TGLWin32Context*>(Other);
  if (!other) throw EGLContext("Incompatible contexts");
  const BOOL ok = IntoOther ? wglShareLists(FRC, other->FRC) : wglShareLists(other->FRC, FRC);
  if (!ok) throw EGLContext("Sharing lists failed: " + SysErrorMessage(GetLastError()));
}

void TGLWin32Context::DoDestroyContext() {
  if (FTrackedWindow) UntrackWindow(FTrackedWindow);
  FTrackedWindow = nullptr;
  const bool deleted = wglDeleteContext(FRC);
  if (FHPBUFFER) {
    wglReleasePbufferDCARB(FHPBUFFER, FDC);
    wglDestroyPbufferARB(FHPBUFFER);
  }
  FRC = nullptr;
  FDC = nullptr;
  FHPBUFFER = nullptr;
  FPalette.Reset();
  if (!deleted) throw EGLContext("Delete context failed");
}

void TGLWin32Context::DoActivate() {
  if (!wglMakeCurrent(FDC, FRC)) {
    const DWORD e = GetLastError();
    throw EGLContext(Format("Context activation failed: %lX, %s", static_cast<unsigned long>(e), SysErrorMessage(e).c_str()));
  }
  // Another pixel format may belong to another driver (a software one
  // beside the card's): its entry points and flags are read again.
  const int format = GetPixelFormat(FDC);
  if (format != vLastPixelFormat) {
    ReadExtensions();
    ReadImplementationProperties();
    vLastPixelFormat = format;
  }
  if ((AntiAliasing() == TGLAntiAliasing::aa2xHQ || AntiAliasing() == TGLAntiAliasing::aa4xHQ) &&
      GL.ARB_multisample && GL.NV_multisample_filter_hint)
    glHint(GL_MULTISAMPLE_FILTER_HINT_NV, GL_NICEST);
}

void TGLWin32Context::DoDeactivate() {
  if (!wglMakeCurrent(nullptr, nullptr)) throw EGLContext("Context deactivation failed");
}

void TGLWin32Context::SwapBuffers() {
  if (FDC && !FHPBUFFER && Options().Contains(TGLRCOption::rcoDoubleBuffered)) ::SwapBuffers(FDC);
}

void GLWin32Context_Initialize() {
  if (!UnitCounter.Enter()) return;
  OpenGL1x_Initialize();
  GLContext_Initialize();
  RegisterGLContextClass(TGLWin32Context::StaticClass(), [] { return std::unique_ptr<TGLContext>(new TGLWin32Context); });
}

void GLWin32Context_Finalize() {
  if (!UnitCounter.Leave()) return;
  GLContext_Finalize();
  OpenGL1x_Finalize();
}
