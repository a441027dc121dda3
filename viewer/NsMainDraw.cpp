// The drawing pass of every frame, after the globe and its points: pins
// and arcs from home with their shadows, the route, the grid, and in window
// coordinates the status line and the labels.
//
// With many connections most of a frame is rasterising smoothed lines.
// Addresses merged into one place have the pin and arc of the entry they
// were merged into: the same lines at the same depth, of which the depth
// test (less) would refuse every pixel whatever was drawn in between, so
// they are left out. The texts' glyphs are gathered and drawn in one batch.
#include <cmath>
#include <cstring>
#include <functional>
#include <unordered_set>

#include "scene3d/GLCanvas.h"
#include "scene3d/GLContext.h"
#include "viewer/NsMain.h"

bool HoverHighlight = false;
bool RouteHover = false;
bool FileLocationHover = false;
std::string HudHint;
std::string HoverText, HoverHopText, HoverHopLabel;

namespace {
constexpr float ArcRadius = 0.519f;
constexpr float ShadowRadius = 0.5005f;
constexpr float LabelDistance = 2.2f;   // farther points lie on the far side

// Steps from (Lon0, Lat0) towards (Lon0 - DLon, Lat0 - DLat), one vertex
// pair per step, the first from Start.
template <typename Vertex>
void EmitSteps(float Lon0, float Lat0, float DLon, float DLat, float Radius, const TAffineVector& Start,
               Vertex&& Emit) {
  const int n = ArcSteps(DLon, DLat);
  TAffineVector previous = Start;
  for (int k = 1; k <= n; ++k) {
    const float part = static_cast<float>(n) / static_cast<float>(k);
    const TAffineVector p = GlobePoint(Lon0 - DLon / part, Lat0 - DLat / part, Radius);
    Emit(previous);
    Emit(p);
    previous = p;
  }
}

// The arc from home to entry Index.
template <typename Vertex>
void HomeArc(int Index, float Radius, const TAffineVector& Start, Vertex&& Emit) {
  const size_t i = static_cast<size_t>(Index);
  const float dLon = ShortLongitude(LocationLongitudes[0] - LocationLongitudes[i]);
  const float dLat = LocationLatitudes[0] - LocationLatitudes[i];
  EmitSteps(LocationLongitudes[0], LocationLatitudes[0], dLon, dLat, Radius, Start, Emit);
}

void GLVertex(const TAffineVector& V) { glVertex3fv(V.data()); }

// What the globe hides: the points inside the cone (or, in a parallel
// view, the cylinder) from the eye around a ball somewhat smaller than the
// globe (its facets sag inside the sphere, and a smoothed wide line colours
// pixels beside its path) and beyond the circle where that cone or
// cylinder touches the ball. The region is convex: a line between two
// hidden points is hidden whole, so leaving it out changes no pixel (the
// depth test would refuse all of its own).
class THidden {
public:
  // From the current matrices and viewport; hides nothing when the view is
  // from inside the ball or not one of the two kinds.
  THidden(float GlobeRadius, float LineWidth) {
    GLfloat m[16], p[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const bool perspective = p[11] == -1 && p[15] == 0, parallel = p[11] == 0 && p[15] == 1;
    if (!(perspective || parallel) || p[5] <= 0 || viewport[3] <= 0) return;
    // The pass's coordinates from the eye's: A^-1 (x - t) for the
    // model-view A x + t.
    const double a[3][3] = {{m[0], m[4], m[8]}, {m[1], m[5], m[9]}, {m[2], m[6], m[10]}};
    const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    if (std::abs(det) < 1e-12) return;
    double inv[3][3];
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
        inv[r][c] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / det;
      }
    const double scale = std::cbrt(std::abs(det));   // eye lengths per length here
    const double t[3] = {m[12], m[13], m[14]};
    double e[3], w[3];   // the eye; towards the viewer
    for (int r = 0; r < 3; ++r) {
      e[r] = -(inv[r][0] * t[0] + inv[r][1] * t[1] + inv[r][2] * t[2]);
      w[r] = inv[r][2];
    }
    const double d = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    const double wl = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    // The facets of the globe (32 x 32) lie within 1.2 % of its radius;
    // beside a line some pixels are coloured: half its width, the
    // smoothing's fringe and as much again to spare. A pixel spans at most
    // what it spans at the eye's distance from the centre.
    const double pixel = (perspective ? 2 * d : 2) / (static_cast<double>(p[5]) * viewport[3]) / scale;
    const double rho = 0.988 * GlobeRadius - (LineWidth / 2 + 4) * pixel;
    if (rho <= 0 || wl <= 0 || (perspective && d <= 1.05 * rho)) return;
    FPerspective = perspective;
    FEye = {e[0], e[1], e[2]};
    FDistance = d;
    FDirection = perspective ? std::array<double, 3>{e[0] / d, e[1] / d, e[2] / d}
                             : std::array<double, 3>{w[0] / wl, w[1] / wl, w[2] / wl};
    FRho2 = rho * rho;
    FPlane = perspective ? rho * rho / d : 0;
    FCone2 = perspective ? 1 - rho * rho / (d * d) : 0;
    FAny = true;
  }
  bool operator()(const float* P) const {
    if (!FAny) return false;
    const double along = P[0] * FDirection[0] + P[1] * FDirection[1] + P[2] * FDirection[2];
    if (along >= FPlane) return false;
    if (!FPerspective) return double(P[0]) * P[0] + double(P[1]) * P[1] + double(P[2]) * P[2] - along * along <= FRho2;
    const double q[3] = {P[0] - FEye[0], P[1] - FEye[1], P[2] - FEye[2]};
    const double toward = FDistance - along;   // -q . direction
    return toward > 0 && toward * toward >= (q[0] * q[0] + q[1] * q[1] + q[2] * q[2]) * FCone2;
  }

private:
  bool FAny = false, FPerspective = false;
  std::array<double, 3> FEye{}, FDirection{};
  double FDistance = 0, FRho2 = 0, FPlane = 0, FCone2 = 0;
};

// The vertex pairs of Pairs (Stride floats per vertex, the position last)
// that the globe does not hide, drawn as lines.
void DrawUnhidden(const std::vector<float>& Pairs, int Stride, const THidden& Hidden, std::vector<float>& Shown) {
  Shown.clear();
  const size_t pair = 2 * static_cast<size_t>(Stride);
  const size_t at = static_cast<size_t>(Stride) - 3;
  for (size_t i = 0; i + pair <= Pairs.size(); i += pair)
    if (!Hidden(&Pairs[i + at]) || !Hidden(&Pairs[i + Stride + at]))
      Shown.insert(Shown.end(), Pairs.begin() + static_cast<std::ptrdiff_t>(i),
                   Pairs.begin() + static_cast<std::ptrdiff_t>(i + pair));
  if (Shown.empty()) return;
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  const GLsizei stride = Stride * static_cast<GLsizei>(sizeof(float));
  if (Stride == 6) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(3, GL_FLOAT, stride, Shown.data());
  }
  glVertexPointer(3, GL_FLOAT, stride, Shown.data() + at);
  glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(Shown.size() / static_cast<size_t>(Stride)));
  glPopClientAttrib();
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

void TMainForm::interpoints() { HomeArc(PlotIndex, ArcRadius, HomeArcStart, GLVertex); }
void TMainForm::interpointssh() { HomeArc(PlotIndex, ShadowRadius, HomeShadowStart, GLVertex); }

TScene3DBuffer* TMainForm::VisibleBuffer() const {
  return Scene3DViewer1->Visible() ? Scene3DViewer1->Buffer() : GLFullScreenViewer1->Buffer();
}

struct TMainForm::TGlobeDrawing {
  // The entries' places (label present, pin end, longitude, latitude) when
  // Repeats was found, and this frame's.
  std::vector<float> Places, Now;
  std::vector<char> Repeats;   // per entry: its place is an earlier entry's
  TBitmapFontBatch Glyphs;     // the frame's texts
  // The lines that lie fixed on the globe, made again when what they were
  // drawn from (Recorded) changes: as vertex pairs the pins and arcs (with
  // their colours: red, green, blue, x, y, z), the arcs' shadows and the
  // smoothed arcs (x, y, z), of which each frame draws those the globe does
  // not hide; the grid, recorded.
  std::vector<float> Lines, Shadows, Arcs, Shown;
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
    Places.insert(Places.end(), {p[0], p[1], p[2], LocationLongitudes[static_cast<size_t>(i)],
                                 LocationLatitudes[static_cast<size_t>(i)]});
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
  if (!GLSphere1->Visible()) GLSphere1->SetVisible(true);
  if (GlobePending || PollTimerTicks == 0) return;
  if (!FDrawing) FDrawing.reset(new TGlobeDrawing);
  TGlobeDrawing& d = *FDrawing;

  TGLStateCache* cache = rci.stateCache;
  {
    TGLPushedAttrib enableBits(cache, GL_ENABLE_BIT);
    cache->Disable(TGLState::stLighting);
    const TAffineVectorList& points = *GLPoints1->Positions();
    const int count = std::min({LocationLabels.Count(), points.Count(), MaxVisualizedIPs});
    const float line = static_cast<float>(LineThickness);
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
    d.Now.insert(d.Now.end(), {line, float(LineSmoothing), float(ConnectLocations), float(depthTest), Color4Rgb[0],
                               Color4Rgb[1], Color4Rgb[2], HomeArcStart[0], HomeArcStart[1], HomeArcStart[2],
                               HomeShadowStart[0], HomeShadowStart[1], HomeShadowStart[2]});
    const bool stale = d.Now != d.Recorded;
    if (stale) d.Recorded.swap(d.Now);

    if (stale) {
      d.Lines.clear();
      d.Shadows.clear();
      d.Arcs.clear();
      auto into = [](std::vector<float>& List, const TAffineVector& Color) {
        return [&List, Color](const TAffineVector& V) {
          List.insert(List.end(), {Color[0], Color[1], Color[2], V[0], V[1], V[2]});
        };
      };
      auto plain = [](std::vector<float>& List) {
        return [&List](const TAffineVector& V) { List.insert(List.end(), {V[0], V[1], V[2]}); };
      };
      const TAffineVector pin{1, 1, 0}, arc{Color4Rgb[0], Color4Rgb[1], Color4Rgb[2]};
      for (int i = 0; i < count; ++i) {
        if (!drawn(i)) continue;
        into(d.Lines, pin)({0, 0, 0});
        into(d.Lines, pin)(points.Get(i));
        if (!ConnectLocations || i == 0) continue;
        HomeArc(i, ArcRadius, HomeArcStart, into(d.Lines, arc));
        HomeArc(i, ShadowRadius, HomeShadowStart, plain(d.Shadows));
        if (LineSmoothing) HomeArc(i, ArcRadius, HomeArcStart, plain(d.Arcs));
      }
    }
    const THidden hidden = depthTest ? THidden(GLSphere1->Radius(), line + 1.5f) : THidden(0, 0);

    // Pins from the centre (only their part above the globe shows) and arcs.
    glLineWidth(line);
    DrawUnhidden(d.Lines, 6, hidden, d.Shown);
    glColor3f(Color4Rgb[0], Color4Rgb[1], Color4Rgb[2]);

    // The arcs' shadows on the globe, then the arcs once more, smoothed.
    Smoothing(cache);
    glLineWidth(line + 1.5f);
    glColor4f(0, 0, 0, 0.2f);
    DrawUnhidden(d.Shadows, 3, hidden, d.Shown);
    if (LineSmoothing) {
      glLineWidth(line + 0.8f);
      glColor4f(Color4Rgb[0], Color4Rgb[1], Color4Rgb[2], 0.7f);
      DrawUnhidden(d.Arcs, 3, hidden, d.Shown);
    }

    if (RouteVisible && RouteHops.Count() > 2) {
      const int hops = std::min({RouteHops.Count(), RouteLabels.Count(), GLPoints2->Positions()->Count(),
                                 GLPoints4->Positions()->Count(), MaxRouteHops});
      auto segments = [&](TGLPoints* Points, void (TMainForm::*Arc)()) {
        RoutePrevious = 0;
        for (RouteEnd = 0; RouteEnd < hops; ++RouteEnd) {
          if (RouteLabels[RouteEnd].empty()) continue;
          RouteCurrent = PointOf(*Points->Positions(), RouteEnd);
          (this->*Arc)();
          RoutePrevious = RouteEnd;
        }
      };
      const TVector route{Color2Rgb[0] / 1.4f, Color2Rgb[1] / 1.4f, Color2Rgb[2] / 1.4f, 1};
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
      if (LineSmoothing) {
        Smoothing(cache);
        glLineWidth(line + 0.8f);
        glBegin(GL_LINES);
        glColor4f(route[0], route[1], route[2], 0.7f);
        segments(GLPoints2, &TMainForm::routeinterpoints);
        glEnd();
      }
    }

    if (GlobeGrid) Replay(d.Grid, false, [&] { DrawGrid(); });

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
  if (Timer->Interval() == 999) Timer->SetInterval(static_cast<UINT>(Interval));
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
  for (int h = 0; h < HoverList.Count(); ++h) {
    const int k = VisualizedIPs.IndexOf(HoverList[h]);
    if (k >= 0 && k < count) HoverText = EntryText(VisualizedIPs[k], LocationLabels[k], "\r\n");
    const int j = RouteHops.IndexOf(HoverList[h]);
    if (j >= 0 && j < GLPoints2->Positions()->Count()) {
      HoverHopLabel = j < RouteLabels.Count() ? RouteLabels[j] : std::string();
      HoverHopText = EntryText(RouteHops[j], HoverHopLabel, "\r\n");
    }
  }
}

void TMainForm::DrawTexts(TRenderContextInfo& rci, int, int H) {
  TGLWindowsBitmapFont* font = GLWindowsBitmapFont1;
  const int fontHeight = font->Font()->Height();

  if (!HudHint.empty()) {
    const float barX = GLHUDSprite2->Position()->X();
    const float barHeight = GLHUDSprite2->Height();
    const float x = std::trunc(barX - static_cast<float>(font->TextWidth(HudHint)) / 2);
    const float y = std::trunc(static_cast<float>(Scene3DViewer1->Height()) - barHeight) +
                    std::trunc(1.7f * static_cast<float>(fontHeight));
    DrawShadowedText(rci, HudHint, x, y, TVector{0, 1, 1, 1});
  }

  if (StartupCounter < 4) {
    const std::string status =
        StartupText + IntToStr(NewAddressCount) + ConnectionsSuffix + AutorefreshText + StatusNote;
    DrawShadowedText(rci, status, 8, static_cast<float>(6 + StartupTextOffset), TextColor(0xFE00));
  }

  const TAffineVectorList& points = *GLPoints1->Positions();
  const int count = std::min({LocationLabels.Count(), VisualizedIPs.Count(), points.Count()});

  if (HoverHighlight) {
    TakeHoverTexts();
    for (int h = 0; h < HoverList.Count(); ++h) {
      const int k = VisualizedIPs.IndexOf(HoverList[h]);
      if (k >= 0 && k < count && !RouteHover) {
        const int color = k == 0 ? 65280 : FileLocationHover ? Color3 : Color1;
        DrawLabel(rci, PointOf(points, k), HoverText, color, -16, H);
      }
      const int j = RouteHops.IndexOf(HoverList[h]);
      if (j >= 0 && j < GLPoints2->Positions()->Count()) {
        const int color = FileLocationHover ? Color3 : RouteHover ? Color2 : Color1;
        if (color != 255) DrawLabel(rci, PointOf(*GLPoints2->Positions(), j), HoverHopText, color, -16, H);
      }
    }
    return;
  }
  if (!AllLabels) return;

  if (count > 0 && !LocationLabels[0].empty()) {
    if (ExtendLabels)
      DrawLabel(rci, PointOf(points, 0), EntryText(VisualizedIPs[0], LocationLabels[0], "\n\r"), 0xFE00,
                static_cast<float>(-4 - 2 * fontHeight), H);
    else
      DrawLabel(rci, PointOf(points, 0), " " + LocationLabels[0], 0xFE00, -2, H);
  }
  for (int i = 1; i < count; ++i) {
    if (LocationLabels[i].empty()) continue;
    const int color = (i < LiveAddressCount ? Color1 : Color3) - 1;
    DrawLabel(rci, PointOf(points, i),
              ExtendLabels ? EntryText(VisualizedIPs[i], LocationLabels[i], "\n\r") : " " + LocationLabels[i], color,
              -16, H);
  }
  if (RouteVisible && RouteHops.Count() > 2) {
    const int hops = std::min({RouteHops.Count(), RouteLabels.Count(), GLPoints2->Positions()->Count()});
    for (int i = 0; i < hops; ++i) {
      // A hop without a place sits at the centre: its text would float
      // over the middle of the globe.
      if (RouteHops[i].empty() || RouteLabels[i].empty()) continue;
      DrawLabel(rci, PointOf(*GLPoints2->Positions(), i),
                ExtendLabels ? EntryText(RouteHops[i], RouteLabels[i], "\n\r") : " " + RouteLabels[i], Color2 - 1, -16,
                H);
    }
  }
}
