#include "scene3d/GLCrossPlatform.h"

TVector clrScrollBar, clrBackground, clrActiveCaption, clrInactiveCaption, clrMenu, clrWindow, clrWindowFrame,
    clrMenuText, clrWindowText, clrCaptionText, clrActiveBorder, clrInactiveBorder, clrAppWorkSpace,
    clrHighlight, clrHighlightText, clrBtnFace, clrBtnShadow, clrGrayText, clrBtnText, clrInactiveCaptionText,
    clrBtnHighlight, clr3DDkShadow, clr3DLight, clrInfoText, clrInfoBk;

TColor RGBColor(int R, int G, int B) {
  return TColor(R & 0xFF) | TColor(G & 0xFF) << 8 | TColor(B & 0xFF) << 16;
}

uint8_t GetRedValue(TColor Color) { return static_cast<uint8_t>(Color & 0xFF); }
uint8_t GetGreenValue(TColor Color) { return static_cast<uint8_t>((Color >> 8) & 0xFF); }
uint8_t GetBlueValue(TColor Color) { return static_cast<uint8_t>((Color >> 16) & 0xFF); }

void InitWinColors() {
  TVector* const colors[25] = {&clrScrollBar,     &clrBackground,     &clrActiveCaption,  &clrInactiveCaption,
                               &clrMenu,          &clrWindow,         &clrWindowFrame,    &clrMenuText,
                               &clrWindowText,    &clrCaptionText,    &clrActiveBorder,   &clrInactiveBorder,
                               &clrAppWorkSpace,  &clrHighlight,      &clrHighlightText,  &clrBtnFace,
                               &clrBtnShadow,     &clrGrayText,       &clrBtnText,        &clrInactiveCaptionText,
                               &clrBtnHighlight,  &clr3DDkShadow,     &clr3DLight,        &clrInfoText,
                               &clrInfoBk};
  for (int i = 0; i < 25; ++i) {
    const TColor c = ColorToRGB(0x80000000u + static_cast<TColor>(i));
    *colors[i] = TVector{GetRedValue(c) / 255.0f, GetGreenValue(c) / 255.0f, GetBlueValue(c) / 255.0f, 1.0f};
  }
}

void RaiseLastOSError() { throw EOSError("OS Error : " + SysErrorMessage(GetLastError())); }

TGLDeviceCapabilities GetDeviceCapabilities() {
  HDC dc = GetDC(nullptr);
  TGLDeviceCapabilities r{GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY),
                          GetDeviceCaps(dc, BITSPIXEL), GetDeviceCaps(dc, NUMCOLORS)};
  ReleaseDC(nullptr, dc);
  return r;
}

int GetCurrentColorDepth() { return GetDeviceCapabilities().Depth; }

void* GetScanLine(TBitmap* Bitmap, int Row) { return Bitmap->ScanLine(Row); }

void QueryPerformanceCounter(int64_t& Value) {
  LARGE_INTEGER v;
  ::QueryPerformanceCounter(&v);
  Value = v.QuadPart;
}

bool QueryPerformanceFrequency(int64_t& Value) {
  LARGE_INTEGER v;
  const bool r = ::QueryPerformanceFrequency(&v);
  Value = r ? v.QuadPart : 0;
  return r;
}
