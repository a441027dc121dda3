// The pointer over the globe: what it hovers and the HUD bar's cell under it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct THoverState {
  int MouseX = 0, MouseY = 0;       // the pointer in the viewer, at the last press or move
  uint8_t HoveredHudCell = 0;       // 0, or the HUD cell 1..10 under the pointer
  bool HoverHighlight = false;      // labels only for the point under the mouse
  bool RouteHover = false;          // the hovered point is a hop
  bool FileLocationHover = false;   // the hovered point comes from the IP-list file
  std::string HudHint;              // the line above the HUD bar
  std::string HoverText, HoverHopText, HoverHopLabel;
};
extern THoverState& HoverState;

// ---- The HUD bar and the zoom ----
extern const std::array<const char*, 10> HudHints;
// The HUD bar sprite's size, fractions of a pixel kept (a narrow view's bar
// is a tenth of its width high).
struct THudBarSize {
  double Width, Height;
};
// The HUD bar's left edge, centred in the view (half pixels kept).
double HudBarLeft(int ViewerWidth, double BarWidth);
// The HUD cell (1..10) under X for a bar BarWidth wide centred in a viewer
// ViewerWidth wide; 0 off the bar and exactly on a cell boundary.
int HudCellAt(int X, int ViewerWidth, double BarWidth);
// The camera's zoom after a wheel turn of WheelDelta (or a Page Up/Down
// step of +-120), clamped as ClampZoom does.
float ZoomBy(float NearPlaneBias, int WheelDelta, int ViewerWidth, int ViewerHeight);
// Whether a pixel colour (0x00BBGGRR as read back) is a pick colour:
// Color1, Color2, Color3 or pure green.
bool IsPickColor(uint32_t Color);
