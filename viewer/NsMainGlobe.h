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

// The point of longitude and latitude (degrees) on a sphere of Radius about
// the globe's centre.
TAffineVector GlobePoint(float Longitude, float Latitude, float Radius);
constexpr int CountryCount = 252;
extern const std::array<const char*, CountryCount> CountryCodes;
extern const std::array<const char*, CountryCount> CountryNames;
// Whether a country code is named by the rogue-country string (each of its
// characters the 1-based number of a country; others are ignored).
bool IsRogueCountry(const std::string& CountryCode, const std::string& Rogues);
