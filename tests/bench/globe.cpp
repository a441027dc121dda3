// Frame time of the globe in the main window (800 x 600): the textured lit
// sphere, the point sets and the drawing pass with pins, arcs from home,
// their shadows, the smoothed arcs, the grid and the labels, for 1,000
// connections with distinct public addresses located in the sample
// database (tools/make-sample-db DIR; default "data"), for 50 and for home alone;
// then the turning globe (one rotation step per frame). The texture is
// DIR\texture.jpg when there is one. With a second database (PLACES, such as
// tools/make-test-database writes) the 1,000 addresses lie at many places.
//   tools/wine-run --prefix build/wineprefix build/x86_64/tests/bench_globe.exe [DIR [PLACES]]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "FakeNetwork.h"
#include "LocationFixture.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"

namespace {
constexpr int Rows = 1000;
constexpr int Frames = 100;

class TBenchForm : public TMainForm {
public:
  using TMainForm::TMainForm;
  using TMainForm::LoadEarthTexture;

protected:
  void TellUser(const std::string& Text, UINT) override { std::fprintf(stderr, "%s\n", Text.c_str()); }
};
}  // namespace

int main(int argc, char** argv) {
  char full[MAX_PATH];
  GetFullPathNameA(argc > 1 ? argv[1] : "data", MAX_PATH, full, nullptr);
  const std::string folder = full;
  uIPHelperAPI_Initialize();
  PresentFamily(TIpHelperFamily::ifExtended);
  for (int i = 0; i < Rows; ++i)   // 11.0.0.0 onwards: public, all distinct
    FakeNet().Tcp.push_back({5, Addr(192, 168, 1, 5), Port(40000 + i),
                             Addr(11 + i / 250, (i * 7) & 255, i & 255, 1 + i % 250), Port(443), 1});

  Forms_Initialize();
  NsMain_Initialize();
  TBenchForm form(nullptr);
  try {
    form.LocationDatabase.Load(folder);
  } catch (const Exception& e) {
    std::fprintf(stderr, "bench_globe: no database in \"%s\" (%s)\n", folder.c_str(), e.Message.c_str());
    return 1;
  }
  if (FileExists(folder + "\\texture.jpg")) form.LoadEarthTexture(folder + "\\texture.jpg");
  GlobeState.HomeIP = HomeAddress;
  GlobeState.HomeLabel = "\xBBGB, London";
  GlobeState.HomeCoordinates = "5150;-12";
  GlobeState.HomeLongitude = -0.12f;
  GlobeState.HomeLatitude = 51.5f;
  Settings.AllLabels = true;
  form.SetBounds(20, 20, 800, 600);
  form.Show();
  const TAffineVector eye = GlobePoint(GlobeState.HomeLongitude, GlobeState.HomeLatitude, 2);
  form.GLCamera1->Position()->SetPoint(eye[0], eye[1], eye[2]);
  TScene3DBuffer* buffer = form.Scene3DViewer1->Buffer();
  auto frame = [&] { buffer->Render(); };
  std::string renderer;
  buffer->PostRender = [&](TObject*) {
    if (const auto* r = glGetString(GL_RENDERER); r && renderer.empty()) renderer = reinterpret_cast<const char*>(r);
  };

  // Entries drawn, and the places they lie at (the others merged into these).
  auto placesPlotted = [&] {
    int n = 0;
    for (int i = 1; i < form.LocationLabels.Count(); ++i)
      n += !form.LocationLabels[i].empty() && form.LocationLabels[i][0] != ' ';
    return n;
  };
  PollState.PollTimerTicks = 1;
  form.Refresh(true);
  int plotted = 0;
  for (int i = 1; i < form.LocationLabels.Count(); ++i)
    plotted += !form.LocationLabels[i].empty();
  const int samplePlaces = placesPlotted();
  std::printf("viewer %d x %d, %d connections, %d entries drawn with pins, arcs and labels at %d places, texture %s\n",
              form.Scene3DViewer1->Width(), form.Scene3DViewer1->Height(), Rows, plotted, samplePlaces,
              FileExists(folder + "\\texture.jpg") ? "yes" : "no");
  frame();
  std::printf("renderer: %s (%lu processors)\n", renderer.c_str(), [] {
                SYSTEM_INFO s;
                GetSystemInfo(&s);
                return static_cast<unsigned long>(s.dwNumberOfProcessors);
  }());
  const TStats full_ = Measure(Frames, frame);
  std::printf("frame, %d entries:    median %.2f ms, min %.2f ms\n", plotted, full_.Median, full_.Min);
  Settings.GlobeGrid = false;
  const TStats noGrid = Measure(Frames, frame);
  std::printf("frame without grid:    median %.2f ms, min %.2f ms\n", noGrid.Median, noGrid.Min);
  Settings.GlobeGrid = true;
  const TStats turning = Measure(Frames, [&] {
    form.GLCadencer1Progress(nullptr, 0, 0);
    frame();
  });
  std::printf("turning, per frame:    median %.2f ms, min %.2f ms\n", turning.Median, turning.Min);

  // The many-places case: still, turning, and where its frame goes. A
  // pass's share is the time its frame loses when the pass is left out
  // (by the user's own settings, or the objects hidden), over the frame.
  TStats places{}, placesTurning{}, linesAlone{};
  int distinct = 0;
  struct TShare {
    std::string What;
    double Ms;
  };
  std::vector<TShare> shares;
  double sharesFrame = 0;
  if (argc > 2) {
    form.LocationDatabase.Load(argv[2]);
    form.Refresh(true);
    distinct = placesPlotted();
    places = Measure(Frames, frame);
    std::printf("frame, %d places:    median %.2f ms, min %.2f ms (%s)\n", distinct, places.Median, places.Min,
                argv[2]);
    placesTurning = Measure(Frames, [&] {
      form.GLCadencer1Progress(nullptr, 0, 0);
      frame();
    });
    std::printf("turning, %d places:  median %.2f ms, min %.2f ms\n", distinct, placesTurning.Median,
                placesTurning.Min);

    // With and without the pass in turns, a few frames each (the first
    // after a switch left out: it records anew), so that a change of the
    // machine's load falls on both.
    constexpr int PartFrames = 40;
    auto median = [](std::vector<double> T) {
      std::sort(T.begin(), T.end());
      return T[T.size() / 2];
    };
    auto without = [&](const std::function<void(bool)>& Off) {
      std::vector<double> on, off;
      for (int round = 0; round < PartFrames / 5; ++round)
        for (const bool o : {false, true}) {
          Off(o);
          frame();
          for (int k = 0; k < 5; ++k) {
            const double t0 = BenchNow();
            frame();
            (o ? off : on).push_back((BenchNow() - t0) * 1000);
          }
        }
      Off(false);
      return median(on) - median(off);
    };
    auto flag = [](bool& Setting) { return [&Setting](bool Off) { Setting = !Off; }; };
    auto hidden = [](std::vector<TGLBaseSceneObject*> Objects) {
      return [Objects](bool Off) {
        for (TGLBaseSceneObject* o : Objects) o->SetVisible(!Off);
      };
    };
    sharesFrame = Measure(PartFrames, frame).Median;
    const double smoothed = without(flag(Settings.LineSmoothing));
    shares.push_back({"smoothed arcs", smoothed});
    shares.push_back({"arcs and their shadows", without(flag(Settings.ConnectLocations)) - smoothed});
    shares.push_back({"labels", without(flag(Settings.AllLabels))});
    shares.push_back({"grid", without(flag(Settings.GlobeGrid))});
    // What the pass draws with arcs, labels and grid off: the pins.
    shares.push_back({"pins", without([&](bool Off) {
                         Settings.ConnectLocations = Settings.AllLabels = Settings.GlobeGrid = false;
                         form.GLDirectOpenGL1->SetVisible(!Off);
                       })});
    Settings.ConnectLocations = Settings.AllLabels = Settings.GlobeGrid = true;
    shares.push_back({"points", without(hidden({form.GLPoints1, form.GLPoints3, form.GLPoints5, form.GLPoints7}))});
    shares.push_back({"HUD", without(hidden({form.GLHUDSprite2}))});
    // The copy of every presented frame kept for picking, read alone.
    TGLContext* rc = buffer->RenderingContext();
    rc->Activate();
    std::vector<uint8_t> pixels(static_cast<size_t>(buffer->Width()) * static_cast<size_t>(buffer->Height()) * 4);
    shares.push_back({"read-back for picking", Measure(PartFrames, [&] {
                                                  glReadPixels(0, 0, buffer->Width(), buffer->Height(), GL_RGBA,
                                                               GL_UNSIGNED_BYTE, pixels.data());
                                                }).Median});
    rc->Deactivate();
    // What is left with everything but the globe and its lines off: the
    // floor the pins, arcs, shadows and smoothed arcs set on their own.
    const auto rest = hidden({form.GLPoints1, form.GLPoints3, form.GLPoints5, form.GLPoints7, form.GLHUDSprite2});
    Settings.AllLabels = false;
    rest(true);
    frame();
    linesAlone = Measure(Frames, frame);
    Settings.AllLabels = true;
    rest(false);
    double listed = 0;
    for (const TShare& s : shares) listed += s.Ms;
    shares.push_back({"the rest (globe, clearing, swapping)", sharesFrame - listed});
    form.LocationDatabase.Load(folder);
  }
  FakeNet().Tcp.resize(50);
  form.Refresh(true);
  const TStats fifty = Measure(Frames, frame);
  std::printf("frame, 50 connections: median %.2f ms, min %.2f ms\n", fifty.Median, fifty.Min);
  FakeNet().Tcp.clear();
  form.Refresh(true);
  const TStats home = Measure(Frames, frame);
  std::printf("frame, home alone:     median %.2f ms, min %.2f ms\n", home.Median, home.Min);

  const int w = form.Scene3DViewer1->Width(), h = form.Scene3DViewer1->Height();
  auto row = [&](const std::string& What, const TStats& S, const char* Goal) {
    std::printf("row: globe frame at %d x %d, %s (median) | %.1f ms | %s | %.1f x home alone (%.1f ms)\n", w, h,
                What.c_str(), S.Median, Goal, S.Median / home.Median, home.Median);
  };
  const std::string sample = "1,000 entries at " + std::to_string(samplePlaces) + " places";
  row(sample, full_, "<= 4 x home alone");
  row(sample + ", turning", turning, "<= 4 x home alone");
  if (argc > 2) {
    const std::string many = "1,000 entries at " + std::to_string(distinct) + " places";
    row(many, places, "<= 4 x home alone");
    row(many + ", turning", placesTurning, "<= 4 x home alone");
    row(many + ", its lines alone (labels and points off)", linesAlone, "-");
    std::printf("where the %d-place frame goes (%.1f ms, still):\n", distinct, sharesFrame);
    for (const TShare& s : shares)
      std::printf("  %-45s %6.2f ms %5.1f %%\n", s.What.c_str(), s.Ms, 100 * s.Ms / sharesFrame);
  }
  return 0;
}
