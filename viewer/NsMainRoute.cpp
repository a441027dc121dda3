// The traceroute: the trace on the worker thread, the hand-over of its hops,
// their places on the globe and the arcs between them.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "classlib/Menus.h"
#include "classlib/SyncObjs.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRoute.h"
#include "viewer/NsMainSettings.h"
#include "viewer/TraceRt.h"
#include "viewer/components/WorkerThread.h"

namespace {
bool StartsWithZero(const std::string& Line) { return !Line.empty() && Line[0] == '0'; }
}  // namespace

void TMainForm::rou1Click(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item) return;
  if (item->Caption == "Clear Route") {
    RouteHops.Clear();
    RouteLabels.Clear();
    RouteState.RouteVisible = false;
    ClearRoutePointSets(0);
    EndRoutePointSets();
    return;
  }
  if (WorkerThread1->Running()) return;
  Timer->SetEnabled(false);
  RouteTarget = item->Caption;
  PollState.StartupText = "Resolving route to " + RouteTarget + "\n\r";
  PollState.StartupTextOffset = 19;
  PollState.StartupCounter = 0;
  RouteState.RouteVisible = false;
  ClearRoutePointSets(0);
  WorkerThread1->Start();
}

void TMainForm::WorkerThread1Start(TObject*, TWorkerExecuteThread*, void*&) {
  RouteHops.Clear();
  RouteLabels.Clear();
  FTraceHops.Clear();
  RouteState.RouteIdle = false;
}

void TMainForm::WorkerThread1Execute(TObject*, TWorkerExecuteThread* Thread, void*&) {
  // Up to five attempts; the first complete route ends them, else the
  // longest list is kept. The list is the worker's until the terminate
  // event takes it over.
  TStringList list;
  TTraceRoute trace;
  trace.Timeout = 2000;
  trace.MaxHops = 40;
  if (NewTraceProbe) trace.NewProbe = NewTraceProbe;
  WorkerThread1->Lock();
  const std::string target = RouteTarget;
  WorkerThread1->Unlock();
  try {
    for (int attempt = 0; attempt < 5 && !Thread->Terminated(); ++attempt) {
      trace.Trace(target, list);
      const bool complete = list.Count() >= 2 && !StartsWithZero(list[list.Count() - 1]);
      if (complete || list.Count() > FTraceHops.Count()) {
        TLockGuard g(WorkerThread1->LockObject());
        FTraceHops.Assign(&list);
      }
      if (complete) break;
    }
  } catch (const std::exception&) {
    // No client or no right to set the time-to-live (raw sockets): the
    // trace ends with what it has, and the hand-over reports the failure.
  }
}

void TMainForm::WorkerThread1Terminate(TObject*, TWorkerExecuteThread*, void*&) {
  RouteHops.Assign(&FTraceHops);
  FTraceHops.Clear();
  if (RouteHops.Count() > 1) {
    if (StartsWithZero(RouteHops[RouteHops.Count() - 1])) {
      RouteHops.Delete(RouteHops.Count() - 1);
      RouteHops.Add(RouteTarget);
      if (RouteHops.Count() > 2) routetoCoor();
    } else {
      if (RouteHops[RouteHops.Count() - 1] != RouteTarget) RouteHops.Add(RouteTarget);
      routetoCoor();
    }
  }
  if (RouteHops.Count() < 3) {
    PollState.StartupText = "Traceroute failed.\n\r";
    RouteState.RouteIdle = true;
  }
  if (PollState.AutoRefreshOn) Timer->SetEnabled(true);
}

void TMainForm::routetoCoor() {
  PollState.StartupText = "Traceroute completed.\n\r";
  const int n = RouteHops.Count();
  RouteLabels.Clear();
  ClearRoutePointSets(n);
  std::vector<std::string> seen;   // coordinate texts already placed
  for (PollState.PlotIndex = 0; PollState.PlotIndex < n; ++PollState.PlotIndex) {
    const int i = PollState.PlotIndex;
    std::string loc;
    iplocate(RouteHops[i], loc);
    const TLocationParts parts = SplitLocationLine(loc);
    if (loc.empty() || i >= MaxRouteHops || !parts.HasCoordinates) {
      PlotHop(i, {0, 0, 0}, {0, 0, 0}, false, {0, 0, 0, 0});
      RouteLabels.Add("");
      continue;
    }
    const std::string& coords = parts.Key;
    const std::string& country = parts.Country;
    const float alpha = IsRogueCountry(country, Settings.RogueCountries) ? 0.5f : 0.0f;
    const std::string place = parts.Place.empty() ? "Unknown" : parts.Place;
    RouteState.HopLatitudes[static_cast<size_t>(i)] = static_cast<float>(parts.LatitudeCode) / 100;
    RouteState.HopLongitudes[static_cast<size_t>(i)] = static_cast<float>(parts.LongitudeCode) / 100;
    const std::string label = place + ", " + country;
    auto pad = [](int Hop) { return std::string(Hop < 10 ? "   " : "  "); };

    if (std::find(seen.begin(), seen.end(), coords) == seen.end()) {
      RouteLabels.Add(label);
      seen.push_back(coords);
      RouteHops.Put(i, IntToStr(i) + pad(i) + RouteHops[i]);
    } else {
      const int k = RouteLabels.IndexOf(label);
      if (k < 0) {
        RouteLabels.Add(label);
      } else {
        const std::string& lineK = RouteHops[k];
        const bool numbered = lineK.find('\r') != std::string::npos || lineK.find(' ') != std::string::npos;
        const std::string prefix = numbered ? std::string() : " " + IntToStr(k) + pad(k);
        RouteHops.Put(k, prefix + lineK + "\r\n" + " " + IntToStr(i) + pad(i) + RouteHops[i]);
        RouteLabels.Add(" ");
        RouteHops.Put(i, "");
      }
    }
    const TAffineVector point = GlobePoint(RouteState.HopLongitudes[static_cast<size_t>(i)],
                                           RouteState.HopLatitudes[static_cast<size_t>(i)], RouteHopRadius);
    TAffineVector shadow;
    for (int c = 0; c < 3; ++c) shadow[c] = point[c] / RouteHopRadius * RouteShadowRadius;
    PlotHop(i, point, shadow, true, {Settings.Color2Rgb[0], Settings.Color2Rgb[1], Settings.Color2Rgb[2], alpha});
  }
  RouteState.RouteIdle = true;
  RouteState.RouteVisible = true;
  EndRoutePointSets();
}

std::vector<TAffineVector> RouteArcPoints(int Start, int End, float Radius) {
  std::vector<TAffineVector> points;
  if (Start < 0 || End < 0 || Start >= MaxRouteHops || End >= MaxRouteHops) return points;
  const size_t s = static_cast<size_t>(Start), e = static_cast<size_t>(End);
  const float fromLon = Start != 0 ? RouteState.HopLongitudes[e] : GlobeState.HomeLongitude;
  const float fromLat = Start != 0 ? RouteState.HopLatitudes[e] : GlobeState.HomeLatitude;
  float dLon = Start != 0 ? RouteState.HopLongitudes[e] - RouteState.HopLongitudes[s]
                          : GlobeState.HomeLongitude - RouteState.HopLongitudes[e];
  const float dLat = Start != 0 ? RouteState.HopLatitudes[e] - RouteState.HopLatitudes[s]
                                : GlobeState.HomeLatitude - RouteState.HopLatitudes[e];
  if (dLon < -180) dLon += 360;
  else if (dLon > 180) dLon -= 360;
  const int n = std::max(1, static_cast<int>(std::lround(std::sqrt(dLon * dLon + dLat * dLat) / 4)));
  for (int k = 1; k <= n; ++k)
    points.push_back(GlobePoint(fromLon - dLon * k / n, fromLat - dLat * k / n, Radius));
  return points;
}

namespace {
void EmitSegment(const TAffineVector& First, const std::vector<TAffineVector>& Points) {
  TAffineVector previous = First;
  for (const TAffineVector& p : Points) {
    glVertex3f(previous[0], previous[1], previous[2]);
    glVertex3f(p[0], p[1], p[2]);
    previous = p;
  }
}
}  // namespace

void TMainForm::routeinterpoints() {
  const TAffineVector from =
      RouteState.RoutePrevious == 0
          ? GlobeState.HomeArcStart
          : TAffineVector{RouteState.RouteCurrent[0], RouteState.RouteCurrent[1], RouteState.RouteCurrent[2]};
  EmitSegment(from, RouteArcPoints(RouteState.RoutePrevious, RouteState.RouteEnd, RouteRadius));
}

void TMainForm::routeinterpointssh() {
  const TAffineVector from =
      RouteState.RoutePrevious == 0
          ? GlobeState.HomeShadowStart
          : TAffineVector{RouteState.RouteCurrent[0], RouteState.RouteCurrent[1], RouteState.RouteCurrent[2]};
  EmitSegment(from, RouteArcPoints(RouteState.RoutePrevious, RouteState.RouteEnd, RouteShadowRadius));
}
