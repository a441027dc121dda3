// The globe scene at 800 x 600: a 32 x 32 sphere with a 2048 x 1024 texture,
// eight point sets holding 1,000 points in all and one parallel light, in a
// window viewer. Prints the frames per second the buffer renders (swapped,
// no vertical sync) and the time of a memory viewer's render and snapshot.
//   tools/wine-run --prefix build/wineprefix build/x86_64/tests/bench_scene_buffer.exe [FRAMES]
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "BenchTiming.h"
#include "classlib/Forms.h"
#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLCrossPlatform.h"
#include "scene3d/GLObjects.h"
#include "scene3d/Platform/GLWin32Context.h"
#include "scene3d/Platform/GLWin32Viewer.h"
#include "viewer/NsMain.h"

namespace {
constexpr int Width = 800, Height = 600, PointSets = 8, Points = 1000;

// The program's 3D units, started as the program starts them.
struct TUnits {
  TUnits() {
    Forms_Initialize();
    NsMain_Initialize();
  }
  ~TUnits() {
    NsMain_Finalize();
    Forms_Finalize();
  }
};

// A world map stand-in: sea with blotches of land, 24-bit.
std::unique_ptr<TBitmap> Map() {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(2048, 1024);
  for (int y = 0; y < 1024; ++y) {
    auto* row = static_cast<uint8_t*>(b->ScanLine(y));
    for (int x = 0; x < 2048; ++x) {
      const bool land = std::sin(x * 0.011) * std::cos(y * 0.017) > 0.3;
      row[3 * x] = land ? 0x40 : 0xE0, row[3 * x + 1] = land ? 0xC0 : 0x50, row[3 * x + 2] = land ? 0x40 : 0x20;
    }
  }
  return b;
}
}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
  TUnits units;
  SYSTEM_INFO si;
  GetSystemInfo(&si);

  auto scene = std::make_unique<TScene3D>(nullptr);
  auto* globe = scene->Objects()->AddNewChild<TGLSphere>();
  globe->SetRadius(0.5f);
  globe->SetSlices(32);
  globe->SetStacks(32);
  std::unique_ptr<TBitmap> map = Map();
  globe->Material()->Texture()->Assign(map.get());
  globe->Material()->Texture()->SetTextureMode(TGLTextureMode::tmModulate);
  globe->Material()->Texture()->SetDisabled(false);
  auto* sun = scene->Objects()->AddNewChild<TGLLightSource>();
  sun->SetLightStyle(TLightStyle::lsParallel);
  sun->SpotDirection()->SetVector(1, 0.3f, 0.5f);
  for (int set = 0; set < PointSets; ++set) {
    auto* points = globe->AddNewChild<TGLPoints>();
    points->SetSize(3);
    points->SetStyle(TGLPointStyle::psRound);
    for (int i = 0; i < Points / PointSets; ++i) {
      const float lon = float(set * 45 + i * 2.7) * 0.0174533f, lat = float((i * 37) % 160 - 80) * 0.0174533f;
      points->Positions()->Add(TAffineVector{0.51f * std::cos(lat) * std::sin(lon), 0.51f * std::sin(lat),
                                             0.51f * std::cos(lat) * std::cos(lon)});
    }
    points->Colors()->Add(TVector{1.0f, 0.2f + set * 0.1f, 0.1f, 1.0f});
    points->StructureChanged();
  }
  auto* target = scene->Objects()->AddNewChild<TGLBaseSceneObject>();
  auto* camera = scene->Cameras()->AddNewChild<TGLCamera>();
  camera->Position()->SetPoint(0, 0, 2);
  camera->SetCameraStyle(TGLCameraStyle::csOrthogonal);
  camera->SetFocalLength(25);
  camera->SetDepthOfView(100);
  camera->SetNearPlaneBias(0.5f);
  camera->SetTargetObject(target);

  auto form = std::make_unique<TForm>(nullptr);
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  form->SetBounds(0, 0, Width, Height);
  auto* viewer = new TScene3DViewer(form.get());
  viewer->SetBounds(0, 0, Width, Height);
  viewer->SetParent(form.get());
  viewer->VSync = TVSyncMode::vsmNoSync;
  form->Show();
  viewer->HandleNeeded();
  viewer->SetCamera(camera);
  TScene3DBuffer* buffer = viewer->Buffer();
  buffer->SetBackgroundColor(clBlack);

  for (int i = 0; i < 10; ++i) {   // texture upload, lists, first frames
    globe->SetTurnAngle(float(i));
    buffer->Render();
  }
  double t0 = BenchNow();
  for (int i = 0; i < frames; ++i) {
    globe->SetTurnAngle(float(i) * 0.5f);   // the globe turns: every frame is a new one
    buffer->Render();
  }
  const double renderSeconds = BenchNow() - t0;

  auto memory = std::make_unique<TGLMemoryViewer>(nullptr);
  memory->SetWidth(Width);
  memory->SetHeight(Height);
  memory->SetCamera(camera);
  memory->Buffer()->SetBackgroundColor(clBlack);
  memory->Render();
  int turn = 0;
  const TStats render = Measure(20, [&] {
    globe->SetTurnAngle(float(++turn));
    memory->Render();
  });
  const TStats shot = Measure(20, [&] { std::unique_ptr<TGLBitmap32> bitmap = memory->Buffer()->CreateSnapShot(); });

  std::printf("CPU cores: %lu\n", static_cast<unsigned long>(si.dwNumberOfProcessors));
  std::printf("window viewer %dx%d: %d frames in %.3f s = %.1f frames/s (buffer's own count: %.1f)\n", Width, Height,
              frames, renderSeconds, frames / renderSeconds, buffer->FramesPerSecond());
  std::printf("memory viewer %dx%d: render median %.2f ms, snapshot median %.2f ms (min %.2f)\n", Width, Height,
              render.Median, shot.Median, shot.Min);
  std::printf("row: scene alone %dx%d, window viewer | %.0f frames/s | - | -\n", Width, Height,
              frames / renderSeconds);
  memory.reset();
  scene.reset();
  form.reset();
  return 0;
}
