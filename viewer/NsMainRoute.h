// The traceroute laid out on the globe.
#pragma once

#include <array>
#include <vector>

#include "scene3d/Base/VectorGeometry.h"

constexpr int MaxRouteHops = 51;

struct TRouteState {
  std::array<float, MaxRouteHops> HopLatitudes{};   // degrees, parallel to RouteHops
  std::array<float, MaxRouteHops> HopLongitudes{};
  bool RouteIdle = true;      // no trace running or being laid out
  bool RouteVisible = false;  // a laid-out route is drawn
  // Set by the drawing pass for each segment of the route: the hop it ends at
  // (index and position) and the previous located hop (0 also stands for home).
  int RouteEnd = 0;
  TVector RouteCurrent{};
  int RoutePrevious = 0;
};
extern TRouteState& RouteState;

constexpr float RouteRadius = 0.5195f;
constexpr float RouteHopRadius = 0.5205f;
constexpr float RouteShadowRadius = 0.5005f;
// The step points of the segment from hop Start (0: home) to hop End, k = 1..n,
// about one per 4 degrees, at Radius: from End back towards Start, or from
// home towards End.
std::vector<TAffineVector> RouteArcPoints(int Start, int End, float Radius);
