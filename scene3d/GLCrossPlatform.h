// The few platform services the 3D library needs (colours, system colours,
// screen capabilities, the high-resolution counter, bitmap rows, OS errors),
// so that its other units do not call the platform for them.
#pragma once
#include <cstdint>

#include "classlib/Graphics.h"
#include "scene3d/Base/VectorGeometry.h"

// Colours are the class library's TColor: red in the low byte; the high bit
// names a system colour (ColorToRGB of the class library resolves it).
TColor RGBColor(int R, int G, int B);   // each from the low byte of its argument
uint8_t GetRedValue(TColor Color);
uint8_t GetGreenValue(TColor Color);
uint8_t GetBlueValue(TColor Color);

// The system colours 0 to 24 as vectors with alpha 1, filled by InitWinColors.
extern TVector clrScrollBar, clrBackground, clrActiveCaption, clrInactiveCaption, clrMenu, clrWindow,
    clrWindowFrame, clrMenuText, clrWindowText, clrCaptionText, clrActiveBorder, clrInactiveBorder,
    clrAppWorkSpace, clrHighlight, clrHighlightText, clrBtnFace, clrBtnShadow, clrGrayText, clrBtnText,
    clrInactiveCaptionText, clrBtnHighlight, clr3DDkShadow, clr3DLight, clrInfoText, clrInfoBk;
void InitWinColors();

// EOSError "OS Error : " and the system's text for GetLastError.
[[noreturn]] void RaiseLastOSError();

struct TGLDeviceCapabilities {
  int Xdpi, Ydpi, Depth, NumColors;
};
TGLDeviceCapabilities GetDeviceCapabilities();
int GetCurrentColorDepth();

void* GetScanLine(TBitmap* Bitmap, int Row);

void QueryPerformanceCounter(int64_t& Value);
bool QueryPerformanceFrequency(int64_t& Value);   // false without a counter
