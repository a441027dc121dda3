// The mouse on the globe and a traced route drawn on it: a plotted point
// picked by its colour under a pointer put there with SetCursorPos, the
// click's popup over the globe, orbit, zoom and the double click; a
// scripted trace laid out and drawn hop to hop, with no text for a hop that
// has no place.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

#include "ViewScene.h"
#include "InputFixture.h"
#include "RecordingMainForm.h"
#include "netlib/NetIcmpClient.h"
#include "viewer/components/WorkerThread.h"
#include "viewer/NsMainCommands.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPicking.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

namespace {

const char* const Places =
    "2.0.0.0,2.255.255.255,FR,Paris,48.85,2.35\n"
    "4.0.0.0,4.255.255.255,EG,Cairo,30.04,31.24\n"
    "5.0.0.0,5.255.255.255,,,,\n"
    "81.0.0.0,81.255.255.255,GB,London,51.5,-0.12\n";

// The real scene behind the seams; only messages and the wizard are kept in.
using TGlobeForm = TRecordingMainForm;

class GlobeMouse : public MainFormTest {
protected:
  TGlobeForm* Form = nullptr;
  std::string WorkFolder;
  void SetUp() override {
    WorkFolder = GetCurrentDir();
    MainFormTest::SetUp();
    CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
    WriteLocationFixture(Dir + "\\data", Places);
    WriteTextFile("myloc.txt", HomeFileText);
  }
  void TearDown() override {
    delete Form;
    MainFormTest::TearDown();
  }
  void Start() {
    Application->CreateForm(Form);
    Form->SetBounds(60, 60, 560, 480);
    Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return PollState.PollTimerTicks > 0 && !WindowModes.GlobePending; }, 15000));
    Form->Timer->SetEnabled(false);
    Drawn();
  }
  void Drawn() { ASSERT_TRUE(FrameDrawn(Form->Scene3DViewer1)); }
  // Viewer position (row 0 the top) of a point of the scene.
  POINT InView(const TAffineVector& P) { return ViewerPoint(Form->Scene3DViewer1, P); }
  TCapture Frame() { return ToCapture(*Form->Scene3DViewer1->Buffer()->CreateSnapShot()); }
  // Connections to Paris and Cairo, the globe started, the pointer on Paris
  // and its hover drawn; the screen points of both places.
  void HoverParisBesideCairo(POINT& Paris, POINT& Cairo) {
    FakeNet().Tcp = {{5, NetAddress("192.168.1.5"), Port(50001), NetAddress("2.0.0.1"), Port(443), 1},
                     {5, NetAddress("192.168.1.5"), Port(50002), NetAddress("4.0.0.1"), Port(443), 1}};
    Start();
    auto screenPoint = [&](const char* Address) {
      const POINT p = InView(Form->GLPoints1->Positions()->Get(Form->VisualizedIPs.IndexOf(Address)));
      return ClientToScreenPoint(Form->Scene3DViewer1->Handle(), p.x, p.y);
    };
    Paris = screenPoint("2.0.0.1");
    Cairo = screenPoint("4.0.0.1");
    MoveMouseTo(Paris.x, Paris.y);
    ASSERT_TRUE(PumpUntil([&] { return Form->HoverList.Count() == 1; }, 3000));
    Drawn();
    ASSERT_EQ(HoverState.HoverText, " 2.0.0.1\r\n Paris, FR");
  }
};

// The open popup menu's window, if one is shown.
HWND OpenMenu() {
  HWND menu = nullptr;
  EnumWindows(
      [](HWND W, LPARAM P) WINAPI -> BOOL {
        char cls[16] = {};
        GetClassNameA(W, cls, sizeof cls);
        if (std::string(cls) == "#32768" && IsWindowVisible(W)) *reinterpret_cast<HWND*>(P) = W;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&menu));
  return menu;
}
bool MenuOpen() { return OpenMenu() != nullptr; }

// Runs Act (which clicks) while a thread waits for the popup menu, notes
// whether it opened and closes it with Esc; true when it was seen open.
bool PopupSeenAndClosed(const std::function<void()>& Act) {
  std::atomic<bool> shown{false};
  std::thread closer([&] {
    for (int i = 0; i < 150 && !MenuOpen(); ++i) Sleep(30);
    shown = MenuOpen();
    PressKey(VK_ESCAPE);
  });
  Act();
  PumpUntil([&] { return shown.load(); }, 8000);
  PumpFor(300);
  closer.join();
  return shown.load();
}

TEST_F(GlobeMouse, HoverPicksAPointByItsColourAndTheClickOpensItsPopupOverTheGlobe) {
  FakeNet().Tcp = {{5, NetAddress("192.168.1.5"), Port(50001), NetAddress("2.0.0.1"), Port(443), 1}};
  Start();
  const int paris = Form->VisualizedIPs.IndexOf("2.0.0.1");
  ASSERT_GT(paris, 0);
  const POINT p = InView(Form->GLPoints1->Positions()->Get(paris));
  const POINT s = ClientToScreenPoint(Form->Scene3DViewer1->Handle(), p.x, p.y);

  // The pointer onto the point: picked by its colour (Color1).
  SetCursorPos(s.x, s.y);
  MoveMouseTo(s.x, s.y);
  ASSERT_TRUE(PumpUntil([&] { return Form->HoverList.Count() == 1; }, 3000)) << "nothing picked at " << p.x << "," << p.y;
  EXPECT_EQ(Form->HoverList[0], "2.0.0.1");
  EXPECT_EQ(Form->Scene3DViewer1->Cursor(), 2);
  EXPECT_EQ(Form->GLFullScreenViewer1->Cursor(), 1) << "only the viewer on screen takes the pick cursor";
  EXPECT_TRUE(HoverState.HoverHighlight);
  EXPECT_FALSE(HoverState.RouteHover);
  // Its label, address and place, beside it in its colour; the text is
  // left for "Show on Web Map".
  Drawn();
  EXPECT_EQ(HoverState.HoverText, " 2.0.0.1\r\n Paris, FR");
  const TCapture hovered = Frame();
  int label = 0;
  for (int y = std::max(0, static_cast<int>(p.y) - 40); y < p.y - 4; ++y)
    for (int x = p.x + 2; x < std::min(hovered.Width, static_cast<int>(p.x) + 90); ++x) {
      const uint32_t c = hovered.At(x, y);
      label += (c >> 16 & 0xFF) > 200 && (c >> 8 & 0xFF) < 60 && (c & 0xFF) < 60;
    }
  EXPECT_GT(label, 20);
  // Off the point: nothing; both viewers show the pointer cursor.
  MoveMouseTo(s.x + 40, s.y + 40);
  ASSERT_TRUE(PumpUntil([&] { return Form->HoverList.Count() == 0; }, 3000));
  EXPECT_EQ(Form->Scene3DViewer1->Cursor(), 1);
  EXPECT_EQ(Form->GLFullScreenViewer1->Cursor(), 1);

  // Back on it and a click: the popup opens over the globe.
  MoveMouseTo(s.x, s.y);
  ASSERT_TRUE(PumpUntil([&] { return Form->HoverList.Count() == 1; }, 3000));
  TCapture shot;
  RECT shotRect{}, menuRect{};
  std::atomic<bool> shown{false};
  std::thread closer([&] {
    for (int i = 0; i < 150 && !MenuOpen(); ++i) Sleep(30);
    Sleep(300);
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    Sleep(200);
    GetWindowRect(Form->Handle(), &shotRect);
    shotRect.right += 300;
    shot = CaptureScreen(shotRect);
    if (HWND menu = OpenMenu()) GetWindowRect(menu, &menuRect);
    shown = MenuOpen();
    PressKey(VK_ESCAPE);
  });
  ClickAt(s.x, s.y);
  PumpUntil([&] { return !closer.joinable() || shown.load(); }, 8000);
  PumpFor(500);
  closer.join();
  EXPECT_TRUE(shown.load());
  // The screen copy holds no OpenGL pixels here: the view's own frame goes
  // in around the menu, to show what the user sees.
  const TCapture view = Frame();
  const POINT origin = ClientToScreenPoint(Form->Scene3DViewer1->Handle(), 0, 0);
  for (int y = 0; y < view.Height; ++y)
    for (int x = 0; x < view.Width; ++x) {
      const POINT at{origin.x + x, origin.y + y};
      if (PtInRect(&menuRect, at) || at.x >= shotRect.right || at.y >= shotRect.bottom) continue;
      shot.Pixels[static_cast<size_t>(at.y - shotRect.top) * shot.Width + (at.x - shotRect.left)] = view.At(x, y);
    }
  SaveBmp(shot, WorkFolder + "\\popup-over-globe.bmp");
  EXPECT_EQ(Form->RouteTarget, "2.0.0.1");
  EXPECT_EQ(Selection.SelectionKind, 0);
  ASSERT_EQ(Form->PopupMenu1->Items()->Count(), 11);
  EXPECT_EQ(Form->PopupMenu1->Items()->Items(3)->Items(0)->Caption, "2.0.0.1");

  // Orbit: dragging with the left button turns the camera about the globe.
  const TAffineVector before = Form->GLCamera1->Position()->AsAffineVector();
  MoveMouseTo(s.x - 60, s.y - 60);
  PumpFor(100);
  MouseButton(TInputButton::Left, true);
  for (int i = 1; i <= 5; ++i) {
    MoveMouseTo(s.x - 60 + 8 * i, s.y - 60);
    PumpFor(40);
  }
  MouseButton(TInputButton::Left, false);
  PumpFor(100);
  const TAffineVector after = Form->GLCamera1->Position()->AsAffineVector();
  EXPECT_GT(std::fabs(after[0] - before[0]) + std::fabs(after[2] - before[2]), 0.05f);
  EXPECT_NEAR(VectorLength(after), VectorLength(before), 1e-3) << "an orbit keeps the distance";

  // Zoom: one wheel step up.
  const float bias = Form->GLCamera1->NearPlaneBias();
  WheelAt(s.x - 20, s.y - 60, WHEEL_DELTA);
  ASSERT_TRUE(PumpUntil([&] { return Form->GLCamera1->NearPlaneBias() != bias; }, 3000));
  EXPECT_FLOAT_EQ(Form->GLCamera1->NearPlaneBias(), bias + 120 * bias / 1000);

  // A double click starts and stops the rotation.
  const bool turning = Form->GLCadencer1->Enabled();
  DoubleClickAt(s.x - 20, s.y - 60);
  ASSERT_TRUE(PumpUntil([&] { return Form->GLCadencer1->Enabled() != turning; }, 3000));
}

// A click that comes before a frame drew the hover of its point (the
// pointer moved from one point onto another and clicked at once): the
// popup's picked texts are the clicked point's, not the last drawn label's.
TEST_F(GlobeMouse, AClickBeforeTheHoverIsDrawnPicksTheClickedPointsTexts) {
  POINT paris, cairo;
  HoverParisBesideCairo(paris, cairo);
  if (HasFatalFailure()) return;

  // Off Paris (mouse messages only: no frame is drawn), then onto Cairo
  // and a click, queued before any frame.
  const bool shown = PopupSeenAndClosed([&] {
    MoveMouseTo(paris.x, paris.y + 40);
    for (int i = 0; i < 100 && Form->HoverList.Count() > 0; ++i) {
      MSG m;
      while (PeekMessageA(&m, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) DispatchMessageA(&m);
      Sleep(20);
    }
    ASSERT_EQ(Form->HoverList.Count(), 0);
    ClickAt(cairo.x, cairo.y);
  });
  if (HasFatalFailure()) return;
  EXPECT_TRUE(shown);
  EXPECT_EQ(Form->RouteTarget, "4.0.0.1");
  EXPECT_EQ(Selection.PickedHint, " 4.0.0.1\r\n Cairo, EG");
}

TEST_F(GlobeMouse, APlaceAPollDroppedBeforeAFrameLeavesNoTextOfThePlaceHoveredBefore) {
  POINT paris, cairo;
  HoverParisBesideCairo(paris, cairo);
  if (HasFatalFailure()) return;

  // Off Paris and onto Cairo with mouse messages only (no frame drawn),
  // then a poll without Cairo, then the click.
  auto mouseOnly = [&](const std::function<bool()>& Done) {
    for (int i = 0; i < 100 && !Done(); ++i) {
      MSG m;
      while (PeekMessageA(&m, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) DispatchMessageA(&m);
      Sleep(20);
    }
  };
  MoveMouseTo(paris.x, paris.y + 40);
  mouseOnly([&] { return Form->HoverList.Count() == 0; });
  ASSERT_EQ(Form->HoverList.Count(), 0);
  MoveMouseTo(cairo.x, cairo.y);
  mouseOnly([&] { return Form->HoverList.Count() == 1; });
  ASSERT_EQ(Form->HoverList.Text(), "4.0.0.1\r\n");
  FakeNet().Tcp.pop_back();
  Form->Refresh(true);
  ASSERT_EQ(Form->VisualizedIPs.IndexOf("4.0.0.1"), -1);

  EXPECT_TRUE(PopupSeenAndClosed([&] { ClickAt(cairo.x, cairo.y); }));
  EXPECT_EQ(Form->RouteTarget, "4.0.0.1");
  EXPECT_EQ(Selection.PickedHint, "") << "the text of the place hovered before";
  // "Show on Web Map" finds no plotted place: the notice, not Paris
  Form->gmClick(nullptr);
  EXPECT_EQ(Selection.SelectedLocationIndex, -1);
  EXPECT_NE(Selection.SelectedLocationText, "Paris, FR");
}

TEST_F(GlobeMouse, TheHudBarLightsTheCellUnderThePointerRunsItsClickAndGoesWhenThePointerLeaves) {
  Start();
  const int w = Form->Scene3DViewer1->Width(), h = Form->Scene3DViewer1->Height();
  const int left = w / 2 - 166;   // ten cells of 33 pixels
  auto cellCentre = [&](int K) { return ClientToScreenPoint(Form->Scene3DViewer1->Handle(), left + 33 * (K - 1) + 16, h - 16); };
  auto hoverCell = [&](int K) {
    const POINT p = cellCentre(K);
    MoveMouseTo(p.x, p.y);
    EXPECT_TRUE(PumpUntil([&] { return HoverState.HoveredHudCell == K && Form->GLHUDSprite2->Visible(); }, 3000)) << K;
    Drawn();
    return Frame();
  };
  // How far a cell's pixels are from the same cell in another frame.
  auto cellDifference = [&](const TCapture& A, const TCapture& B, int K) {
    int sum = 0;
    for (int y = h - 32; y < h - 2; ++y)
      for (int x = left + 33 * (K - 1) + 3; x < left + 33 * K - 3; ++x) {
        const uint32_t a = A.At(x, y), b = B.At(x, y);
        sum += std::abs(Red(a) - Red(b)) + std::abs(Green(a) - Green(b)) + std::abs(Blue(a) - Blue(b));
      }
    return sum;
  };
  const TCapture labels = hoverCell(3);
  EXPECT_EQ(HoverState.HudHint, "Labels");
  const TCapture exitCell = hoverCell(10);
  EXPECT_EQ(HoverState.HudHint, "Exit");
  SaveBmp(exitCell, WorkFolder + "\\hud-bar-exit-lit.bmp");
  EXPECT_GT(cellDifference(labels, exitCell, 3), 2000) << "cell 3 lit in the first frame only";
  EXPECT_GT(cellDifference(labels, exitCell, 10), 2000) << "cell 10 lit in the second frame only";
  EXPECT_LT(cellDifference(labels, exitCell, 6), cellDifference(labels, exitCell, 3) / 10) << "the others as they were";

  // A click on a cell runs its command: "Labels", "Connect Locations".
  const bool labelsOn = Settings.AllLabels, connectOn = Settings.ConnectLocations;
  POINT c = cellCentre(3);
  ClickAt(c.x, c.y);
  EXPECT_TRUE(PumpUntil([&] { return Settings.AllLabels != labelsOn; }, 3000));
  c = cellCentre(5);
  ClickAt(c.x, c.y);
  EXPECT_TRUE(PumpUntil([&] { return Settings.ConnectLocations != connectOn; }, 3000));
  EXPECT_EQ(Settings.AllLabels, !labelsOn);

  // The pointer leaving the view takes the bar and its hint away.
  hoverCell(6);
  const POINT out = ClientToScreenPoint(Form->Handle(), -30, -30);
  MoveMouseTo(out.x, out.y);
  EXPECT_TRUE(PumpUntil([&] { return !Form->GLHUDSprite2->Visible(); }, 3000)) << "the pointer left the view";
  EXPECT_EQ(HoverState.HudHint, "");

  // A view 300 wide has a bar 29.6 high: row H - 29 lies on it, H - 30 above.
  Form->SetWidth(Form->Width() - (w - 300));
  ASSERT_TRUE(PumpUntil([&] { return Form->Scene3DViewer1->Width() == 300; }));
  const int H = Form->Scene3DViewer1->Height();
  for (int above : {29, 30}) {
    const POINT p = ClientToScreenPoint(Form->Scene3DViewer1->Handle(), 160, H - above);
    MoveMouseTo(p.x, p.y);
    EXPECT_TRUE(PumpUntil([&] { return Form->GLHUDSprite2->Visible() == (above == 29); }, 3000)) << above;
    EXPECT_EQ(HoverState.HudHint, above == 29 ? "Full Screen" : "");
  }
}

// Hops scripted for the trace: Paris, a hop without place, Cairo.
class TThreeHops : public TNetEchoProbe {
public:
  void SetHost(const std::string&) override {}
  void SetReceiveTimeout(int) override {}
  void SetTTL(int V) override { FTtl = V; }
  void SendEcho(const std::string&, uint16_t) override {
    FStatus = TReplyStatus();
    const char* from[] = {"2.0.0.1", "5.5.5.5", "4.0.0.1"};
    FStatus.FromAddress = from[std::min(FTtl, 3) - 1];
    FStatus.Kind = FTtl < 3 ? TReplyKind::rkTtlExceeded : TReplyKind::rkEcho;
  }
  const TReplyStatus& ReplyStatus() const override { return FStatus; }

private:
  int FTtl = 0;
  TReplyStatus FStatus;
};

TEST_F(GlobeMouse, AScriptedTraceIsDrawnHopToHopAndAHopWithoutPlaceHasNoText) {
  Start();
  Form->NewTraceProbe = [] { return std::make_unique<TThreeHops>(); };
  Settings.ExtendLabels = true;   // hop texts with their addresses
  Settings.AllLabels = true;
  TMenuItem item(nullptr);
  item.Caption = "4.0.0.1";
  Form->rou1Click(&item);
  ASSERT_TRUE(PumpUntil([&] { return !Form->WorkerThread1->Running(); }, 10000));
  EXPECT_EQ(Lines(Form->RouteHops), (std::vector<std::string>{"0   2.0.0.1", "5.5.5.5", "2   4.0.0.1"}));
  EXPECT_EQ(Lines(Form->RouteLabels), (std::vector<std::string>{"Paris, FR", "", "Cairo, EG"}));
  // The view turned over the South Atlantic: the globe's centre lies under
  // empty sea, away from every placed hop and label.
  const TAffineVector eye = GlobePoint(-20, -25, 2);
  Form->GLCamera1->Position()->SetPoint(eye[0], eye[1], eye[2]);
  Drawn();
  const TCapture c = Frame();
  SaveBmp(c, WorkFolder + "\\traced-route.bmp");
  auto magenta = [](uint32_t P) { return (P >> 16 & 0xFF) > 110 && (P & 0xFF) > 110 && (P >> 8 & 0xFF) < 70; };
  auto count = [&](POINT At, int X0, int Y0, int X1, int Y1) {
    int n = 0;
    const int ax = static_cast<int>(At.x), ay = static_cast<int>(At.y);
    for (int y = std::max(0, ay + Y0); y <= std::min(c.Height - 1, ay + Y1); ++y)
      for (int x = std::max(0, ax + X0); x <= std::min(c.Width - 1, ax + X1); ++x) n += magenta(c.At(x, y));
    return n;
  };
  // The arc between Paris and Cairo (the unplaced hop is left out of it).
  const POINT middle = InView(GlobePoint((2.35f + 31.24f) / 2, (48.85f + 30.04f) / 2, 0.5195f));
  EXPECT_GT(count(middle, -2, -2, 2, 2), 0);
  // Cairo's text beside its hop; none at the globe's centre for 5.5.5.5.
  const POINT cairo = InView(GlobePoint(31.24f, 30.04f, 0.5205f));
  EXPECT_GT(count(cairo, 4, -30, 80, -2), 5);
  const POINT centre = InView({0, 0, 0});
  EXPECT_EQ(count(centre, 2, -40, 90, -2), 0) << "no text over the globe's centre";
}

// In full screen the full-screen viewer is the one on screen: it takes the
// pick cursor over a hop, and a click there is a click on the hop.
TEST_F(GlobeMouse, InFullScreenAHopTakesThePickCursorAndItsClickOffersToClearTheRoute) {
  Start();
  Form->NewTraceProbe = [] { return std::make_unique<TThreeHops>(); };
  TMenuItem item(nullptr);
  item.Caption = "4.0.0.1";
  Form->rou1Click(&item);
  ASSERT_TRUE(PumpUntil([&] { return !Form->WorkerThread1->Running(); }, 10000));
  ASSERT_EQ(Lines(Form->RouteLabels)[0], "Paris, FR");
  ViewResources.OSMajorVersion = 6;
  Form->FullScreen1Click(nullptr);
  ASSERT_TRUE(Form->GLFullScreenViewer1->Active());
  TScene3DBuffer* buffer = Form->GLFullScreenViewer1->Buffer();
  Form->GLFullScreenViewer1->Render();
  const TAffineVector hop = Form->GLPoints2->Positions()->Get(0);
  const TVector p = buffer->WorldToScreen(TVector{hop[0], hop[1], hop[2], 1});
  const POINT paris{static_cast<int>(std::lround(p[0])), Screen->Height() - static_cast<int>(std::lround(p[1]))};
  MoveMouseTo(paris.x, paris.y);
  ASSERT_TRUE(PumpUntil([&] { return Form->HoverList.Count() == 1; }, 3000)) << "no hop picked at " << paris.x << "," << paris.y;
  EXPECT_TRUE(HoverState.RouteHover);
  EXPECT_EQ(Form->GLFullScreenViewer1->Cursor(), 2);
  EXPECT_NE(Form->Scene3DViewer1->Cursor(), 2) << "only the viewer on screen takes the pick cursor";
  SaveBmp(ToCapture(*buffer->CreateSnapShot()), WorkFolder + "\\full-screen-hop-hovered.bmp");

  EXPECT_TRUE(PopupSeenAndClosed([&] { ClickAt(paris.x, paris.y); }));
  EXPECT_EQ(Selection.SelectionKind, 31);
  ASSERT_GT(Form->PopupMenu1->Items()->Count(), 0);
  EXPECT_EQ(Form->PopupMenu1->Items()->Items(0)->Caption, "Clear Route");

  // off the hop: the pointer cursor again
  MoveMouseTo(paris.x + 60, paris.y + 60);
  ASSERT_TRUE(PumpUntil([&] { return Form->HoverList.Count() == 0; }, 3000));
  EXPECT_EQ(Form->GLFullScreenViewer1->Cursor(), 1);
  Form->FullScreen1Click(nullptr);
  EXPECT_FALSE(Form->GLFullScreenViewer1->Active());
}

}  // namespace
