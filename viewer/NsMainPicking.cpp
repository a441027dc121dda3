// The mouse side of the globe: the HUD bar's cells, picking by the colour
// of the pixel under the pointer, orbit and zoom.
#include "viewer/NsMain.h"

int MouseX = 0, MouseY = 0;

int HudCellAt(int X, int ViewerWidth, int BarWidth) {
  const int left = ViewerWidth / 2 - BarWidth / 2;
  if (BarWidth <= 0 || X <= left || X >= left + BarWidth) return 0;
  const int c = BarWidth / 10;
  for (int k = 1; k <= 10; ++k) {
    const int right = k == 10 ? left + BarWidth : left + k * c;
    if (left + (k - 1) * c < X && X < right) return k;
  }
  return 0;
}

float ZoomBy(float NearPlaneBias, int WheelDelta, int ViewerWidth, int ViewerHeight) {
  return ClampZoom(NearPlaneBias + static_cast<float>(WheelDelta) * NearPlaneBias / 1000, ViewerWidth,
                   ViewerHeight);
}

bool IsPickColor(uint32_t Color) {
  Color &= 0xFFFFFF;
  return Color == static_cast<uint32_t>(Color1 & 0xFFFFFF) || Color == 0x00FF00 ||
         Color == static_cast<uint32_t>(Color2 & 0xFFFFFF) || Color == static_cast<uint32_t>(Color3 & 0xFFFFFF);
}
