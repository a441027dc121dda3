// The globe model: every address of VisualizedIPs located, labelled and
// merged with the addresses that share its place; rogue countries and the
// alert sound; the connection log of the live addresses.
#include "viewer/NsMain.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"

#include <mmsystem.h>

#include <cstdlib>
#include <unordered_map>

namespace {
constexpr float HomeRadius = 0.5202f;
constexpr float PointRadius = 0.52f;
constexpr float ArcRadius = 0.519f;
constexpr float SurfaceRadius = 0.5005f;

TVector Rgba(const TColorRgb& C, float Alpha) { return {C[0], C[1], C[2], Alpha}; }
}  // namespace

TAffineVector GlobePoint(float Longitude, float Latitude, float Radius) {
  Extended sa, ca;
  SinCos(DegToRadExtended(-static_cast<Extended>(Longitude) - 90), sa, ca);
  float sb, cb;
  SinCos(DegToRad(Latitude), sb, cb);
  const float a = static_cast<float>(ca), s = static_cast<float>(sa);
  return {Radius * a * cb, Radius * sb, Radius * s * cb};
}

bool IsRogueCountry(const std::string& CountryCode, const std::string& Rogues) {
  for (char c : Rogues) {
    const int n = static_cast<unsigned char>(c);
    if (n >= 1 && n <= CountryCount && CountryCode == CountryCodes[static_cast<size_t>(n - 1)])
      return true;
  }
  return false;
}

void TMainForm::UpdateGlobe() {
  // The drawing pass waits while GlobePending is set: it is cleared however
  // the update ends, so a failed update never leaves the globe blank.
  struct TPendingEnd {
    ~TPendingEnd() { WindowModes.GlobePending = false; }
  } pendingEnd;

  const int count = std::min(VisualizedIPs.Count(), static_cast<int>(GlobeState.LocationLongitudes.size()));
  ClearPointSets(count);
  // Where each coordinate key and each label was first placed: the lists'
  // own search, without its cost (labels compare as the list compares).
  std::unordered_map<std::string, int> firstAtKey;
  std::unordered_map<std::string, int, TCaseHash, TCaseEqual> firstWithLabel;
  ++LogState.UpdateCounter;
  LogStamp(FLogDate, FLogTime);
  LogState.CounterText = IntToStr(1000000 + LogState.UpdateCounter % 1000000).substr(1);

  const bool logging = LoggingOn();
  // Addresses merged into an earlier entry are added to it after the loop
  // (or when the loop fails): appending each at once would copy the growing
  // entry every time, which takes long when thousands share a place.
  std::unordered_map<int, std::string> merged;
  auto applyMerged = [&] {
    for (auto& [k, more] : merged) VisualizedIPs.Put(k, VisualizedIPs[k] + more);
    merged.clear();
  };
  try {
    for (PollState.PlotIndex = 0; PollState.PlotIndex < count; ++PollState.PlotIndex) {
      const int i = PollState.PlotIndex;
      std::string loc;
      iplocate(VisualizedIPs[i], loc);
      if (loc.empty()) {
        PlotNothing(i);
        LocationLabels.Add("");
        continue;
      }
      float radius = PointRadius;
      TVector pointColor;
      float haloAlpha = 0;
      if (i == 0) {
        GlobeState.LocationLongitudes[0] = GlobeState.HomeLongitude;
        GlobeState.LocationLatitudes[0] = GlobeState.HomeLatitude;
        LocationLabels.Add(GlobeState.HomeLabel);
        firstAtKey.emplace(GlobeState.HomeCoordinates, 0);
        firstWithLabel.emplace(GlobeState.HomeLabel, 0);
        pointColor = {0, 1, 0, 1};
        radius = HomeRadius;
      } else {
        const TLocationParts parts = SplitLocationLine(loc);
        const std::string& cc = parts.Country;
        if (logging && i < PollState.LiveAddressCount) LogAddress(VisualizedIPs[i], cc);
        if (IsRogueCountry(cc, Settings.RogueCountries)) {
          haloAlpha = 0.5f;
          GlobeState.AlertPending = true;
        }
        if (!parts.HasCoordinates) {   // a location line without both numbers places nothing
          PlotNothing(i);
          LocationLabels.Add("");
          continue;
        }
        const std::string& key = parts.Key;
        GlobeState.LocationLatitudes[i] = static_cast<float>(parts.LatitudeCode) / 100;
        GlobeState.LocationLongitudes[i] = static_cast<float>(parts.LongitudeCode) / 100;
        const std::string label = (parts.Place.empty() ? "Unknown" : parts.Place) + ", " + cc;

        const auto atKey = firstAtKey.find(key);
        if (atKey == firstAtKey.end()) {
          LocationLabels.Add(label);
          firstAtKey.emplace(key, i);
          firstWithLabel.emplace(label, i);
        } else {
          const auto withLabel = firstWithLabel.find(label);
          const int k = withLabel != firstWithLabel.end() ? withLabel->second : atKey->second;
          merged[k] += "\r\n" + std::string(" ") + VisualizedIPs[i];
          LocationLabels.Add(withLabel != firstWithLabel.end() ? " " : "  ");
          VisualizedIPs.Put(i, "");
        }
        pointColor = Rgba(i < PollState.LiveAddressCount ? Settings.Color1Rgb : Settings.Color3Rgb, 1);
      }
      PlotLocation(i, radius, pointColor,
                   Rgba(i < PollState.LiveAddressCount ? Settings.Color1Rgb : Settings.Color3Rgb, haloAlpha));
      if (i == 0) {
        GlobeState.HomeArcStart = GlobePoint(GlobeState.HomeLongitude, GlobeState.HomeLatitude, ArcRadius);
        GlobeState.HomeShadowStart = GlobePoint(GlobeState.HomeLongitude, GlobeState.HomeLatitude, SurfaceRadius);
      }
    }
  } catch (...) {
    applyMerged();
    throw;
  }
  applyMerged();
  WindowModes.GlobePending = false;
  EndPointSets();

  if (Settings.SoundAlert && GlobeState.AlertPending) PlayAlert();
  GlobeState.AlertPending = false;
  if (LogEntries.Count() > 20) FlushLog();
}

void TMainForm::PlayAlert() {
  PlaySoundA("ping.wav", nullptr, SND_ASYNC | SND_NODEFAULT | SND_FILENAME);
}
