// The globe model: home and the plotted locations.
#pragma once

#include <array>
#include <string>

#include "scene3d/Base/VectorGeometry.h"

struct TGlobeState {
  std::string HomeIP;
  std::string HomeLabel;
  std::string HomeCoordinates;
  float HomeLongitude = 0;
  float HomeLatitude = 0;
  std::array<float, 10000> LocationLongitudes{};   // parallel to VisualizedIPs
  std::array<float, 10000> LocationLatitudes{};
  TAffineVector HomeArcStart{};      // home at the arcs' radius 0.519
  TAffineVector HomeShadowStart{};   // home at the shadows' radius 0.5005
  bool AlertPending = false;
};
extern TGlobeState& GlobeState;
