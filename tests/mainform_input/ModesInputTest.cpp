// Window modes and keys on a shown main window, driven with real keys:
// zoom, toggles, full screen as a maximised window and back, desktop mode
// over a shell that may lack its parts, stay on top, the tray's hide and
// "Focus Window".
#include "InputFixture.h"
#include "ViewScene.h"
#include "classlib/Graphics.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

namespace {

struct TShellRecord {
  std::vector<std::string> Calls;
  bool Present = false;
} Shell;

void RecordIcons(bool Show) { Shell.Calls.push_back(Show ? "icons shown" : "icons hidden"); }
bool RecordMinimize() { return Shell.Calls.push_back("minimise all"), Shell.Present; }
bool RecordUndo() { return Shell.Calls.push_back("undo minimise"), Shell.Present; }
// The wallpaper's painter is another program on a real desktop: here the
// window behind paints while the mode waits.
void RecordWait(DWORD) {
  Shell.Calls.push_back("wait");
  PumpFor(200);
}

class Modes : public ShownMainForm {
protected:
  TDesktopShell Saved = DesktopShell;
  void SetUp() override {
    ShownMainForm::SetUp();
    Shell = TShellRecord();
    DesktopShell = {RecordIcons, RecordMinimize, RecordUndo, RecordWait};
  }
  void TearDown() override {
    DesktopShell = Saved;
    ShownMainForm::TearDown();
  }
  void Key(WORD Vk) {
    SetForegroundWindow(Form->Handle());
    PumpFor(50);
    PressKey(Vk);
    PumpFor(150);
  }
};

TEST_F(Modes, KeysZoomToggleAndSwitchModesThroughRealInput) {
  Start();
  ViewResources.OSMajorVersion = 10;   // full screen is the maximised window
  TGLCamera* camera = Form->GLCamera1;
  camera->SetNearPlaneBias(1.0f);
  PumpFor(300);
  TScene3DBuffer* buffer = Form->Scene3DViewer1->Buffer();
  const int frames = buffer->FrameCount();
  Key(VK_PRIOR);
  EXPECT_FLOAT_EQ(camera->NearPlaneBias(), 1.12f);
  EXPECT_TRUE(PumpUntil([&] { return buffer->FrameCount() > frames; }, 1000)) << "the new zoom is drawn at once";
  Key(VK_NEXT);
  EXPECT_FLOAT_EQ(camera->NearPlaneBias(), 1.12f - 1.12f * 120 / 1000);
  const bool connect = Settings.ConnectLocations;
  Key('C');
  EXPECT_NE(Settings.ConnectLocations, connect);
  const bool all = Form->actAllEndpoints->Checked();
  Key('E');
  EXPECT_NE(Form->actAllEndpoints->Checked(), all);
  Key('R');
  EXPECT_TRUE(Form->Timer->Enabled());
  EXPECT_EQ(PollState.AutorefreshText, "; Autorefresh ON");
  Key('R');
  EXPECT_FALSE(Form->Timer->Enabled());
  EXPECT_EQ(PollState.AutorefreshText, "; Autorefresh OFF");
  EXPECT_FALSE(PollState.AutoRefreshOn);

  // Esc in a normal window does nothing; F maximises, Esc restores.
  RECT before;
  GetWindowRect(Form->Handle(), &before);
  Key(VK_ESCAPE);
  EXPECT_EQ(Form->WindowState(), TWindowState::wsNormal);
  Key('F');
  EXPECT_TRUE(IsZoomed(Form->Handle()));
  RECT full;
  GetWindowRect(Form->Handle(), &full);
  EXPECT_GE(full.right - full.left, GetSystemMetrics(SM_CXSCREEN)) << "the desktop's width";
  Key(VK_ESCAPE);
  EXPECT_FALSE(IsZoomed(Form->Handle()));
  RECT after;
  GetWindowRect(Form->Handle(), &after);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
  Key('F');
  Key('F');
  EXPECT_FALSE(IsZoomed(Form->Handle())) << "F toggles";

  // A key without a command changes nothing.
  const float zoom = camera->NearPlaneBias();
  Key('Z');
  EXPECT_EQ(camera->NearPlaneBias(), zoom);
  EXPECT_EQ(Form->BorderStyle(), TFormBorderStyle::bsSizeable);
}

TEST_F(Modes, DesktopModeIsASquareOverTheCapturedWallpaperWhateverTheShellLacks) {
  // A "wallpaper" behind the window: a plain window of one colour.
  TForm* wall = new TForm(Application);
  wall->SetBorderStyle(TFormBorderStyle::bsNone);
  wall->SetBounds(0, 0, 900, 700);
  wall->SetColor(static_cast<TColor>(0x3070E0));
  wall->Show();
  Start();
  SetWindowPos(wall->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  PumpFor(200);
  ViewResources.OSMajorVersion = 10;
  Key('I');
  EXPECT_EQ(Form->BorderStyle(), TFormBorderStyle::bsNone);
  EXPECT_TRUE(WindowModes.ImplantActive);
  EXPECT_EQ(Form->Width(), 512);
  EXPECT_EQ(Form->Height(), 512);
  EXPECT_EQ(Form->Left(), 40 + 320 - 256);
  EXPECT_EQ(Form->Top(), 40 + 240 - 256);
  EXPECT_EQ(WindowModes.SavedBounds.Width, 512);
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
  EXPECT_TRUE(GetWindowLongPtrA(Application->Handle(), GWL_EXSTYLE) & WS_EX_NOACTIVATE);
  EXPECT_EQ(Shell.Calls, (std::vector<std::string>{"icons hidden", "minimise all", "wait", "icons shown",
                                                   "undo minimise"}))
      << "no shell to minimise with: the mode is entered all the same";
  ASSERT_EQ(Form->Wallpapers.size(), 1u);
  EXPECT_EQ(Form->Wallpapers[0].Width, 512);
  EXPECT_EQ(Form->Wallpapers[0].Center, 0x3070E0u) << "the captured square shows what lay behind the window";

  // F: the maximised window takes the place of full screen; Esc brings the
  // desktop mode back, in its square.
  Key('F');
  EXPECT_EQ(Form->BorderStyle(), TFormBorderStyle::bsSizeable);
  EXPECT_TRUE(IsZoomed(Form->Handle()));
  EXPECT_TRUE(WindowModes.ImplantActive);
  EXPECT_FALSE(Form->GLHUDSprite1->Visible());
  Key(VK_ESCAPE);
  EXPECT_FALSE(IsZoomed(Form->Handle()));
  EXPECT_EQ(Form->BorderStyle(), TFormBorderStyle::bsNone);
  EXPECT_TRUE(WindowModes.ImplantActive);
  EXPECT_TRUE(Form->GLHUDSprite1->Visible());
  EXPECT_EQ(Form->Width(), 512);
  EXPECT_EQ(Form->Height(), 512);
  EXPECT_EQ(Form->Left(), 40 + 320 - 256);
  EXPECT_EQ(Form->Top(), 40 + 240 - 256);
  EXPECT_EQ(Form->Wallpapers.size(), 2u) << "the wallpaper captured again";

  // Stay on top and the tray: hidden and shown, then "Focus Window".
  Key('I');
  EXPECT_EQ(Form->BorderStyle(), TFormBorderStyle::bsSizeable);
  EXPECT_FALSE(WindowModes.ImplantActive);
  Form->StayOnTop1Click(Form);
  EXPECT_TRUE(GetWindowLongPtrA(Form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  Form->StayOnTop1Click(Form);
  EXPECT_FALSE(GetWindowLongPtrA(Form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  Form->TrayIcon1Click(Form);
  EXPECT_FALSE(IsWindowVisible(Form->Handle()));
  Form->TrayIcon1Click(Form);
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
  ShowWindow(Form->Handle(), SW_MINIMIZE);
  Form->Resetwindow1Click(Form);
  PumpFor(100);
  EXPECT_FALSE(IsIconic(Form->Handle()));
  EXPECT_EQ(GetForegroundWindow(), Form->Handle());
  EXPECT_TRUE(WindowModes.FocusRequested);

  // The real shell routines, whatever this platform has of them: no crash.
  DesktopShell = Saved;
  DesktopShell.Wait = RecordWait;
  Key('I');
  EXPECT_EQ(Form->BorderStyle(), TFormBorderStyle::bsNone);
  Key('I');
  EXPECT_EQ(Form->BorderStyle(), TFormBorderStyle::bsSizeable);
  delete wall;
}

// The lines recorded in the window's context are recorded again for the
// full-screen viewer's own: its frame shows the arc to Denver as the
// window's frame does.
TEST_F(Modes, TheFullScreenViewersFrameShowsTheArcs) {
  FakeNet().Tcp = {{5, NetAddress("192.168.1.5"), Port(50001), NetAddress("11.0.0.1"), Port(443), 1}};
  Start();
  Form->TimerTimer(Form->Timer);   // a poll
  ASSERT_GT(Form->VisualizedIPs.IndexOf("11.0.0.1"), 0);
  auto arcPixels = [](const TCapture& C) {
    int n = 0;
    for (uint32_t p : C.Pixels) {
      const int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
      n += g > r + 50 && g > b + 50;   // the arcs' colour, Color4, green
    }
    return n;
  };
  ASSERT_TRUE(FrameDrawn(Form->Scene3DViewer1));
  const TCapture window = ToCapture(*Form->Scene3DViewer1->Buffer()->CreateSnapShot());
  SaveBmp(window, OldDir + "\\arcs-in-window.bmp");
  ASSERT_GT(arcPixels(window), 40);
  ViewResources.OSMajorVersion = 6;
  Key('F');
  ASSERT_TRUE(Form->GLFullScreenViewer1->Active());
  Form->GLFullScreenViewer1->Render();
  const TCapture full = ToCapture(*Form->GLFullScreenViewer1->Buffer()->CreateSnapShot());
  SaveBmp(full, OldDir + "\\arcs-full-screen.bmp");
  EXPECT_GT(arcPixels(full), 40) << "the arc in the full-screen frame";
}

TEST_F(Modes, FullScreenBeforeVersionNineIsTheFullScreenViewerOverTheWholeScreen) {
  Start();
  ViewResources.OSMajorVersion = 6;
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  TGLCamera* camera = Form->GLCamera1;
  Form->GLHUDSprite1->SetVisible(true);   // the desktop picture of desktop mode
  Key('F');
  ASSERT_TRUE(Form->GLFullScreenViewer1->Active());
  TForm* full = Form->GLFullScreenViewer1->Form();
  ASSERT_NE(full, nullptr);
  RECT r;   // the client area is the screen, the sizing frame beyond it
  GetClientRect(full->Handle(), &r);
  MapWindowPoints(full->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, w);
  EXPECT_EQ(r.bottom, h);
  EXPECT_FALSE(IsWindowVisible(Form->Handle()));
  EXPECT_FALSE(Form->Scene3DViewer1->Visible());
  EXPECT_EQ(Form->Scene3DViewer1->Width(), w) << "picking and texts measure the screen";
  EXPECT_EQ(Form->Scene3DViewer1->Height(), h);
  EXPECT_FALSE(Form->GLHUDSprite1->Visible());
  EXPECT_EQ(Form->GLHUDSprite2->Width(), 332);
  EXPECT_EQ(Form->GLHUDSprite2->Height(), 32);
  EXPECT_EQ(Form->GLHUDSprite2->Position()->X(), w / 2);
  EXPECT_EQ(Form->GLHUDSprite2->Position()->Y(), h - 18);

  // The globe fills the middle of the screen-sized frame, black around it.
  Form->GLFullScreenViewer1->Render();
  const TCapture frame = ToCapture(*Form->GLFullScreenViewer1->Buffer()->CreateSnapShot());
  SaveBmp(frame, OldDir + "\\full-screen-viewer.bmp");   // the test folder
  ASSERT_EQ(frame.Width, w);
  ASSERT_EQ(frame.Height, h);
  EXPECT_NE(frame.At(w / 2, h / 2), 0u);
  EXPECT_EQ(frame.At(2, 2), 0u);

  // Keys reach the commands through the full-screen form.
  auto keyToFullScreen = [&](WORD Vk) {
    SetForegroundWindow(full->Handle());
    PumpFor(50);
    PressKey(Vk);
    PumpFor(150);
  };
  const float zoom = camera->NearPlaneBias();
  keyToFullScreen(VK_PRIOR);
  EXPECT_GT(camera->NearPlaneBias(), zoom);
  keyToFullScreen('I');   // no desktop mode from full screen
  EXPECT_TRUE(Form->GLFullScreenViewer1->Active());
  EXPECT_FALSE(WindowModes.ImplantActive);
  EXPECT_EQ(Form->BorderStyle(), TFormBorderStyle::bsSizeable);
  EXPECT_FALSE(IsWindowVisible(Form->Handle()));
  EXPECT_FALSE(Form->GLHUDSprite1->Visible());
  SetCursorPos(0, 0);   // outside the window: no hover shows the bar again
  keyToFullScreen(VK_ESCAPE);
  EXPECT_FALSE(Form->GLFullScreenViewer1->Active());
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
  EXPECT_TRUE(Form->Scene3DViewer1->Visible());
  EXPECT_TRUE(Form->GLHUDSprite1->Visible()) << "the desktop picture as it was";
  EXPECT_FALSE(Form->GLHUDSprite2->Visible());
  EXPECT_LT(Form->GLHUDSprite2->Position()->Y(), Form->Scene3DViewer1->Height()) << "laid out in the window again";

  // F leaves as Esc does, the zoom brought back within the view's limits.
  Key('F');
  ASSERT_TRUE(Form->GLFullScreenViewer1->Active());
  camera->SetNearPlaneBias(1000.0f);
  keyToFullScreen('F');
  EXPECT_FALSE(Form->GLFullScreenViewer1->Active());
  EXPECT_LT(camera->NearPlaneBias(), 1000.0f);
  EXPECT_TRUE(IsWindowVisible(Form->Handle()));
}

}  // namespace
