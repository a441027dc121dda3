// The pointer over the globe: what it hovers and the HUD bar's cell under it.
#pragma once

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
