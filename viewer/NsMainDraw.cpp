// The drawing pass of every frame, after the globe and its points: pins
// and arcs from home with their shadows, the route, the grid, and in window
// coordinates the status line and the labels.
//
// With many connections most of a frame is rasterising smoothed lines.
// Addresses merged into one place have the pin and arc of the entry they
// were merged into: the same lines at the same depth, of which the depth
// test (less) would refuse every pixel whatever was drawn in between, so
// they are left out, and so is every segment that lies wholly behind the
// globe as the camera sees it. The lines are kept as arrays and drawn with
// one call a pass; the texts' glyphs are gathered and drawn in one batch.
#include <cmath>
#include <cstring>
#include <functional>
#include <unordered_set>

#include "scene3d/GLCanvas.h"
#include "scene3d/GLContext.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainDraw.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPicking.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRefresh.h"
#include "viewer/NsMainRoute.h"
#include "viewer/NsMainSettings.h"

namespace {
constexpr float ArcRadius = 0.519f;
constexpr float ShadowRadius = 0.5005f;
constexpr float LabelDistance = 2.2f;   // farther points lie on the far side

// The points from (Lon0, Lat0) towards (Lon0 - DLon, Lat0 - DLat), one per
// step, each handed to Emit.
template <class F>
void Steps(float Lon0, float Lat0, float DLon, float DLat, float Radius, F Emit) {
  const int n = ArcSteps(DLon, DLat);
  for (int k = 1; k <= n; ++k) {
    const float part = static_cast<float>(n) / static_cast<float>(k);
    Emit(GlobePoint(Lon0 - DLon / part, Lat0 - DLat / part, Radius));
  }
}

// The arc from home to entry I: its steps after the start point.
template <class F>
void HomeSteps(size_t I, float Radius, F Emit) {
  const float dLon = ShortLongitude(GlobeState.LocationLongitudes[0] - GlobeState.LocationLongitudes[I]);
  const float dLat = GlobeState.LocationLatitudes[0] - GlobeState.LocationLatitudes[I];
  Steps(GlobeState.LocationLongitudes[0], GlobeState.LocationLatitudes[0], dLon, dLat, Radius, Emit);
}

TVector PointOf(const TAffineVectorList& List, int Index) {
  const TAffineVector v = List.Get(Index);
  return {v[0], v[1], v[2], 1};
}

TVector ColorOf(int Color, float Alpha) {
  const TColorRgb c = ColorToRgb(Color);
  return {c[0], c[1], c[2], Alpha};
}

// Red, green and blue of a colour value as drawing colour.
TVector TextColor(int Color) { return ColorOf(Color, 1); }

void Smoothing(TGLStateCache* Cache) {
  Cache->Enable(TGLState::stLineSmooth);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  Cache->Enable(TGLState::stBlend);
}
}  // namespace

float ShortLongitude(float DLongitude) {
  if (DLongitude < -180) DLongitude += 360;
  if (DLongitude > 180) DLongitude -= 360;
  return DLongitude;
}

int ArcSteps(float DLongitude, float DLatitude) {
  const double d = std::sqrt(static_cast<double>(DLongitude) * DLongitude +
                             static_cast<double>(DLatitude) * DLatitude);
  const int n = static_cast<int>(std::nearbyint(d / 4));   // half to even
  return n == 0 ? 1 : n;
}

TScene3DBuffer* TMainForm::VisibleBuffer() const {
  return Scene3DViewer1->Visible() ? Scene3DViewer1->Buffer() : GLFullScreenViewer1->Buffer();
}

// Lines as arrays: their points and, in drawing order, their segments
// (pairs of point indices); those shown in this frame.
struct TLineArrays {
  std::vector<float> Points, Colors;   // colours only for the pins and arcs
  std::vector<uint32_t> Segments, Shown;
  std::vector<char> Hidden;            // per point, this frame

  void Clear() {
    Points.clear();
    Colors.clear();
    Segments.clear();
  }
  uint32_t Add(const TAffineVector& P, const TColorRgb* Color) {
    Points.insert(Points.end(), P.begin(), P.end());
    if (Color) Colors.insert(Colors.end(), Color->begin(), Color->end());
    return static_cast<uint32_t>(Points.size() / 3 - 1);
  }
  void Join(uint32_t A, uint32_t B) { Segments.insert(Segments.end(), {A, B}); }
};

struct TMainForm::TGlobeDrawing {
  // The entries' places (label present, pin end, longitude, latitude) when
  // Repeats was found, and this frame's.
  std::vector<float> Places, Now;
  std::vector<char> Repeats;   // per entry: its place is an earlier entry's
  TBitmapFontBatch Glyphs;     // the frame's texts
  // The lines that lie fixed on the globe, built while what they were
  // built from (Recorded) holds: the pins and arcs, the arcs alone (for
  // the smoothed pass, on the same points), the arcs' shadows; the grid
  // recorded.
  TLineArrays Lines, Shadows;
  std::vector<uint32_t> Arcs;
  TGLListHandle Grid;
  std::vector<float> Recorded;
};

void TMainForm::TGlobeDrawingFree::operator()(TGlobeDrawing* Drawing) const { delete Drawing; }

namespace {
void PlacesOf(TMainForm& F, int Count, std::vector<float>& Places) {
  const TAffineVectorList& points = *F.GLPoints1->Positions();
  Places.clear();
  for (int i = 0; i < Count; ++i) {
    const bool drawn = !F.LocationLabels[i].empty();
    Places.push_back(drawn);
    if (!drawn) continue;
    const TAffineVector p = points.Get(i);
    Places.insert(Places.end(), {p[0], p[1], p[2], GlobeState.LocationLongitudes[static_cast<size_t>(i)],
                                 GlobeState.LocationLatitudes[static_cast<size_t>(i)]});
  }
}

// Replays List, first recorded by Draw when it is stale, has no name yet or
// lives in another context (the full-screen viewer's).
void Replay(TGLListHandle& List, bool Stale, const std::function<void()>& Draw) {
  if (Stale || List.Handle() == 0 || List.RenderingContext() != CurrentGLContext()) {
    List.DestroyHandle();
    List.Record(Draw);
  }
  glCallList(List.Handle());
}

// An entry's label text: its address, a break, its place.
std::string EntryText(const std::string& Address, const std::string& Label, const char* Break) {
  return " " + Address + Break + " " + Label;
}

// The pins and arcs (colour per point) and the arcs' shadows of the
// entries Drawn, in the order the pass draws them.
void BuildLines(TLineArrays& Lines, TLineArrays& Shadows, std::vector<uint32_t>& Arcs, const TAffineVectorList& Points,
                int Count, const std::function<bool(int)>& Drawn) {
  Lines.Clear();
  Shadows.Clear();
  Arcs.clear();
  const TColorRgb pin{1, 1, 0}, arc{Settings.Color4Rgb[0], Settings.Color4Rgb[1], Settings.Color4Rgb[2]};
  const uint32_t centre = Lines.Add({0, 0, 0}, &pin);
  for (int i = 0; i < Count; ++i) {
    if (!Drawn(i)) continue;
    Lines.Join(centre, Lines.Add(Points.Get(i), &pin));
    if (!Settings.ConnectLocations || i == 0) continue;
    uint32_t previous = Lines.Add(GlobeState.HomeArcStart, &arc);
    HomeSteps(static_cast<size_t>(i), ArcRadius, [&](const TAffineVector& p) {
      const uint32_t next = Lines.Add(p, &arc);
      Lines.Join(previous, next);
      Arcs.insert(Arcs.end(), {previous, next});
      previous = next;
    });
    previous = Shadows.Add(GlobeState.HomeShadowStart, nullptr);
    HomeSteps(static_cast<size_t>(i), ShadowRadius, [&](const TAffineVector& p) {
      const uint32_t next = Shadows.Add(p, nullptr);
      Shadows.Join(previous, next);
      previous = next;
    });
  }
}

// Which way the camera looks, for telling the lines the globe hides: in a
// parallel view a line whose ends both lie behind the globe's middle and
// within its outline (less the line's width) leaves no pixel, the depth
// test refuses them all, so it is not drawn. Towards: unit vector towards
// the camera in the pass's coordinates; Reach: radius of the outline that
// counts (none when 0).
struct TGlobeView {
  double Towards[3] = {0, 0, 0};
  double Reach = 0;
};

TGlobeView GlobeViewOf(bool GlobeHides, float Line) {
  TGlobeView v;
  if (!GlobeHides) return v;
  GLfloat mv[16], pr[16];
  GLint port[4];
  glGetFloatv(GL_MODELVIEW_MATRIX, mv);
  glGetFloatv(GL_PROJECTION_MATRIX, pr);
  glGetIntegerv(GL_VIEWPORT, port);
  if (port[2] <= 0 || port[3] <= 0) return v;
  // From the pass's coordinates to clip coordinates: row r of m.
  double m[4][4];
  for (int r = 0; r < 4; ++r)
    for (int j = 0; j < 4; ++j) {
      m[r][j] = 0;
      for (int k = 0; k < 4; ++k) m[r][j] += double(pr[k * 4 + r]) * double(mv[j * 4 + k]);
    }
  const double(&x)[4] = m[0], (&y)[4] = m[1], (&z)[4] = m[2], (&w)[4] = m[3];
  auto norm = [](const double(&r)[4]) { return std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]); };
  if (norm(w) > 1e-9 || w[3] <= 0) return v;   // not a parallel view
  double t[3] = {x[1] * y[2] - x[2] * y[1], x[2] * y[0] - x[0] * y[2], x[0] * y[1] - x[1] * y[0]};
  const double tn = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
  const double depth = t[0] * z[0] + t[1] * z[1] + t[2] * z[2];   // nearer is less
  if (tn < 1e-12 || depth == 0) return v;
  for (double& c : t) c *= (depth < 0 ? 1 : -1) / tn;
  // The drawn globe (32 slices and stacks of radius 0.5) holds the ball of
  // 0.49; room for the widest line and its smoothing.
  const double perPixel = 2 * w[3] / std::min(norm(x) * port[2], norm(y) * port[3]);
  const double reach = 0.49 - (Line + 6) * perPixel;
  if (reach > 0.1) {
    std::copy(t, t + 3, v.Towards);
    v.Reach = reach;
  }
  return v;
}

// Draws the Segments of Lines (points coloured when Colored) but those the
// globe hides in View.
void DrawSegments(TLineArrays& Lines, const std::vector<uint32_t>& Segments, const TGlobeView& View, bool Colored) {
  if (Segments.empty()) return;
  const std::vector<uint32_t>* shown = &Segments;
  if (View.Reach > 0) {
    // Behind the globe's middle, within the outline of radius Reach.
    const double* t = View.Towards;
    const double rr = View.Reach * View.Reach;
    const size_t n = Lines.Points.size() / 3;
    Lines.Hidden.resize(n);
    for (size_t i = 0; i < n; ++i) {
      const float* q = &Lines.Points[3 * i];
      const double along = q[0] * t[0] + q[1] * t[1] + q[2] * t[2];
      const double across = double(q[0]) * q[0] + double(q[1]) * q[1] + double(q[2]) * q[2] - along * along;
      Lines.Hidden[i] = along <= 0 && across <= rr;
    }
    Lines.Shown.clear();
    for (size_t s = 0; s < Segments.size(); s += 2)
      if (!Lines.Hidden[Segments[s]] || !Lines.Hidden[Segments[s + 1]])
        Lines.Shown.insert(Lines.Shown.end(), {Segments[s], Segments[s + 1]});
    shown = &Lines.Shown;
    if (shown->empty()) return;
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, Lines.Points.data());
  if (Colored) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(3, GL_FLOAT, 0, Lines.Colors.data());
  }
  glDrawElements(GL_LINES, static_cast<GLsizei>(shown->size()), GL_UNSIGNED_INT, shown->data());
  if (Colored) glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

void FindRepeats(const std::vector<float>& Places, int Count, std::vector<char>& Repeats) {
  struct THash {
    size_t operator()(const std::array<uint32_t, 5>& K) const {
      size_t h = 0;
      for (uint32_t k : K) h = h * 1000003u ^ k;
      return h;
    }
  };
  std::unordered_set<std::array<uint32_t, 5>, THash> seen;   // bit patterns
  Repeats.assign(static_cast<size_t>(Count), 0);
  size_t at = 0;
  for (size_t i = 0; i < Repeats.size(); ++i) {
    if (Places[at++] == 0) continue;
    std::array<uint32_t, 5> key;
    std::memcpy(key.data(), &Places[at], sizeof key);
    at += key.size();
    Repeats[i] = !seen.insert(key).second;
  }
}
}  // namespace

void TMainForm::DirectOpenGLRender(TObject*, TRenderContextInfo& rci) {
  const bool globeShown = GLSphere1->Visible();   // drawn before this pass
  if (!globeShown) GLSphere1->SetVisible(true);
  if (WindowModes.GlobePending || PollState.PollTimerTicks == 0) return;
  if (!FDrawing) FDrawing.reset(new TGlobeDrawing);
  TGlobeDrawing& d = *FDrawing;

  TGLStateCache* cache = rci.stateCache;
  {
    TGLPushedAttrib enableBits(cache, GL_ENABLE_BIT);
    cache->Disable(TGLState::stLighting);
    const TAffineVectorList& points = *GLPoints1->Positions();
    const int count = std::min({LocationLabels.Count(), points.Count(), MaxVisualizedIPs});
    const float line = static_cast<float>(Settings.LineThickness);
    PlacesOf(*this, count, d.Now);
    if (d.Now.size() != d.Places.size() ||
        std::memcmp(d.Now.data(), d.Places.data(), d.Now.size() * sizeof(float)) != 0) {
      d.Places.swap(d.Now);
      FindRepeats(d.Places, count, d.Repeats);
    }
    const bool depthTest = cache->States().Contains(TGLState::stDepthTest);
    auto drawn = [&](int i) {
      return !LocationLabels[i].empty() && !(depthTest && d.Repeats[static_cast<size_t>(i)]);
    };

    // What the recorded lines were drawn from: the places and the drawing
    // settings.
    d.Now = d.Places;
    d.Now.insert(d.Now.end(),
                 {line, float(Settings.LineSmoothing), float(Settings.ConnectLocations), float(depthTest),
                  Settings.Color4Rgb[0], Settings.Color4Rgb[1], Settings.Color4Rgb[2], GlobeState.HomeArcStart[0],
                  GlobeState.HomeArcStart[1], GlobeState.HomeArcStart[2], GlobeState.HomeShadowStart[0],
                  GlobeState.HomeShadowStart[1], GlobeState.HomeShadowStart[2]});
    const bool stale = d.Now != d.Recorded;
    if (stale) d.Recorded.swap(d.Now);

    if (stale) BuildLines(d.Lines, d.Shadows, d.Arcs, points, count, drawn);
    const TGlobeView view = GlobeViewOf(globeShown && depthTest, line);

    // Pins from the centre (only their part above the globe shows) and arcs.
    glLineWidth(line);
    DrawSegments(d.Lines, d.Lines.Segments, view, true);

    // The arcs' shadows on the globe, then the arcs once more, smoothed.
    Smoothing(cache);
    glLineWidth(line + 1.5f);
    glColor4f(0, 0, 0, 0.2f);
    DrawSegments(d.Shadows, d.Shadows.Segments, view, false);
    if (Settings.LineSmoothing) {
      glLineWidth(line + 0.8f);
      glColor4f(Settings.Color4Rgb[0], Settings.Color4Rgb[1], Settings.Color4Rgb[2], 0.7f);
      DrawSegments(d.Lines, d.Arcs, view, false);
    }

    if (RouteState.RouteVisible && RouteHops.Count() > 2) {
      const int hops = std::min({RouteHops.Count(), RouteLabels.Count(), GLPoints2->Positions()->Count(),
                                 GLPoints4->Positions()->Count(), MaxRouteHops});
      auto segments = [&](TGLPoints* Points, void (TMainForm::*Arc)()) {
        RouteState.RoutePrevious = 0;
        for (RouteState.RouteEnd = 0; RouteState.RouteEnd < hops; ++RouteState.RouteEnd) {
          if (RouteLabels[RouteState.RouteEnd].empty()) continue;
          RouteState.RouteCurrent = PointOf(*Points->Positions(), RouteState.RouteEnd);
          (this->*Arc)();
          RouteState.RoutePrevious = RouteState.RouteEnd;
        }
      };
      const TVector route{Settings.Color2Rgb[0] / 1.4f, Settings.Color2Rgb[1] / 1.4f, Settings.Color2Rgb[2] / 1.4f, 1};
      glLineWidth(line);
      cache->Disable(TGLState::stLineSmooth);
      glBegin(GL_LINES);
      glColor3f(0.8f, 0.8f, 0);
      for (int i = 0; i < hops; ++i) {
        if (RouteLabels[i].empty()) continue;
        glVertex3f(0, 0, 0);
        glVertex3fv(GLPoints2->Positions()->Get(i).data());
      }
      glEnd();
      Smoothing(cache);
      glLineWidth(line + 1.5f);
      glBegin(GL_LINES);
      glColor4f(0, 0, 0, 0.2f);
      segments(GLPoints4, &TMainForm::routeinterpointssh);
      glEnd();
      glLineWidth(line);
      cache->Disable(TGLState::stLineSmooth);
      glBegin(GL_LINES);
      glColor3f(route[0], route[1], route[2]);
      segments(GLPoints2, &TMainForm::routeinterpoints);
      glEnd();
      if (Settings.LineSmoothing) {
        Smoothing(cache);
        glLineWidth(line + 0.8f);
        glBegin(GL_LINES);
        glColor4f(route[0], route[1], route[2], 0.7f);
        segments(GLPoints2, &TMainForm::routeinterpoints);
        glEnd();
      }
    }

    if (Settings.GlobeGrid) Replay(d.Grid, false, [&] { DrawGrid(); });

    const bool windowed = Scene3DViewer1->Visible();
    const int W = windowed ? Scene3DViewer1->Width() : GetSystemMetrics(SM_CXSCREEN);
    const int H = windowed ? Scene3DViewer1->Height() : GetSystemMetrics(SM_CYSCREEN);
    {
      TGLCanvas canvas(W, H, cache);
      d.Glyphs.Clear();
      DrawTexts(rci, W, H);
      GLWindowsBitmapFont1->DrawBatch(rci, d.Glyphs);
    }
  }
  if (Timer->Interval() == 999) Timer->SetInterval(static_cast<UINT>(Settings.Interval));
}

// Circles of latitude every 15 degrees and meridians every 15 degrees, at
// the surface; the meridians' turns stay inside this routine.
void TMainForm::DrawGrid() {
  const float c5 = std::cos(DegToRad(5.0f)), s5 = std::sin(DegToRad(5.0f));
  const float c15 = std::cos(DegToRad(15.0f)), s15 = std::sin(DegToRad(15.0f));
  glLineWidth(1.5f);
  glColor4f(220, 220, 220, 0.05f);
  TAffineVector s{ShadowRadius, 0, 0};
  for (int circle = 0; circle < 18; ++circle) {
    TAffineVector v = s;
    glBegin(GL_LINE_LOOP);
    for (int k = 0; k < 72; ++k) {
      v = {v[0] * c5 - v[2] * s5, v[1], v[0] * s5 + v[2] * c5};
      glVertex3fv(v.data());
    }
    glEnd();
    s = {s[1] * s15 + s[0] * c15, s[1] * c15 - s[0] * s15, s[2]};
  }
  TGLPushedMatrix turned;
  for (int meridian = 0; meridian < 12; ++meridian) {
    glRotatef(15, 0, 1, 0);
    TAffineVector v{ShadowRadius, 0, 0};
    glBegin(GL_LINE_LOOP);
    for (int k = 0; k < 72; ++k) {
      v = {v[1] * s5 + v[0] * c5, v[1] * c5 - v[0] * s5, v[2]};
      glVertex3fv(v.data());
    }
    glEnd();
  }
}

// Into the frame's batch of glyphs: the black shadow, then the text.
void TMainForm::DrawShadowedText(TRenderContextInfo& rci, const std::string& Text, float X, float Y,
                                 const TVector& Color) {
  GLWindowsBitmapFont1->AddTextAt(rci, FDrawing->Glyphs, Text, X + 1, Y + 1, TVector{0, 0, 0, 1});
  GLWindowsBitmapFont1->AddTextAt(rci, FDrawing->Glyphs, Text, X, Y, Color);
}

// The label of a point: drawn when the point faces the camera (and, for a
// hover label, its text kept in Hover).
void TMainForm::DrawLabel(TRenderContextInfo& rci, const TVector& Point, const std::string& Text, int Color,
                          float DY, int H) {
  const float d = GLCamera1->DistanceTo(Point);
  TVector p = VisibleBuffer()->WorldToScreen(Point);
  float x = p[0], y = static_cast<float>(H) - p[1];
  if (!GLCadencer1->Enabled()) {
    x = std::trunc(x);
    y = std::trunc(y);
  }
  if (d < LabelDistance) DrawShadowedText(rci, Text, x, y + DY, TextColor(Color));
}

void TMainForm::TakeHoverTexts() {
  const int count = std::min({LocationLabels.Count(), VisualizedIPs.Count(), GLPoints1->Positions()->Count()});
  bool location = false, hop = false;
  for (int h = 0; h < HoverList.Count(); ++h) {
    const int k = VisualizedIPs.IndexOf(HoverList[h]);
    if (k >= 0 && k < count) {
      HoverState.HoverText = EntryText(VisualizedIPs[k], LocationLabels[k], "\r\n");
      location = true;
    }
    const int j = RouteHops.IndexOf(HoverList[h]);
    if (j >= 0 && j < GLPoints2->Positions()->Count()) {
      HoverState.HoverHopLabel = j < RouteLabels.Count() ? RouteLabels[j] : std::string();
      HoverState.HoverHopText = EntryText(RouteHops[j], HoverState.HoverHopLabel, "\r\n");
      hop = true;
    }
  }
  // an entry the last poll dropped leaves no text of a place hovered before
  if (!location) HoverState.HoverText.clear();
  if (!hop) {
    HoverState.HoverHopText.clear();
    HoverState.HoverHopLabel.clear();
  }
}

void TMainForm::DrawTexts(TRenderContextInfo& rci, int, int H) {
  TGLWindowsBitmapFont* font = GLWindowsBitmapFont1;
  const int fontHeight = font->Font()->Height();

  if (!HoverState.HudHint.empty()) {
    const float barX = GLHUDSprite2->Position()->X();
    const float barHeight = GLHUDSprite2->Height();
    const float x = std::trunc(barX - static_cast<float>(font->TextWidth(HoverState.HudHint)) / 2);
    const float y = std::trunc(static_cast<float>(Scene3DViewer1->Height()) - barHeight) +
                    std::trunc(1.7f * static_cast<float>(fontHeight));
    DrawShadowedText(rci, HoverState.HudHint, x, y, TVector{0, 1, 1, 1});
  }

  if (PollState.StartupCounter < 4) {
    const std::string status = PollState.StartupText + IntToStr(PollState.NewAddressCount) +
                               PollState.ConnectionsSuffix + PollState.AutorefreshText + LogState.StatusNote;
    DrawShadowedText(rci, status, 8, static_cast<float>(6 + PollState.StartupTextOffset), TextColor(0xFE00));
  }

  const TAffineVectorList& points = *GLPoints1->Positions();
  const int count = std::min({LocationLabels.Count(), VisualizedIPs.Count(), points.Count()});

  if (HoverState.HoverHighlight) {
    TakeHoverTexts();
    for (int h = 0; h < HoverList.Count(); ++h) {
      const int k = VisualizedIPs.IndexOf(HoverList[h]);
      if (k >= 0 && k < count && !HoverState.RouteHover) {
        const int color = k == 0 ? 65280 : HoverState.FileLocationHover ? Settings.Color3 : Settings.Color1;
        DrawLabel(rci, PointOf(points, k), HoverState.HoverText, color, -16, H);
      }
      const int j = RouteHops.IndexOf(HoverList[h]);
      if (j >= 0 && j < GLPoints2->Positions()->Count()) {
        const int color = HoverState.FileLocationHover ? Settings.Color3
                          : HoverState.RouteHover      ? Settings.Color2
                                                       : Settings.Color1;
        if (color != 255) DrawLabel(rci, PointOf(*GLPoints2->Positions(), j), HoverState.HoverHopText, color, -16, H);
      }
    }
    return;
  }
  if (!Settings.AllLabels) return;

  if (count > 0 && !LocationLabels[0].empty()) {
    if (Settings.ExtendLabels)
      DrawLabel(rci, PointOf(points, 0), EntryText(VisualizedIPs[0], LocationLabels[0], "\n\r"), 0xFE00,
                static_cast<float>(-4 - 2 * fontHeight), H);
    else
      DrawLabel(rci, PointOf(points, 0), " " + LocationLabels[0], 0xFE00, -2, H);
  }
  for (int i = 1; i < count; ++i) {
    if (LocationLabels[i].empty()) continue;
    const int color = (i < PollState.LiveAddressCount ? Settings.Color1 : Settings.Color3) - 1;
    DrawLabel(rci, PointOf(points, i),
              Settings.ExtendLabels ? EntryText(VisualizedIPs[i], LocationLabels[i], "\n\r") : " " + LocationLabels[i],
              color, -16, H);
  }
  if (RouteState.RouteVisible && RouteHops.Count() > 2) {
    const int hops = std::min({RouteHops.Count(), RouteLabels.Count(), GLPoints2->Positions()->Count()});
    for (int i = 0; i < hops; ++i) {
      // A hop without a place sits at the centre: its text would float
      // over the middle of the globe.
      if (RouteHops[i].empty() || RouteLabels[i].empty()) continue;
      DrawLabel(rci, PointOf(*GLPoints2->Positions(), i),
                Settings.ExtendLabels ? EntryText(RouteHops[i], RouteLabels[i], "\n\r") : " " + RouteLabels[i],
                Settings.Color2 - 1, -16, H);
    }
  }
}
