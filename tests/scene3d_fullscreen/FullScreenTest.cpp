// The full-screen viewer on the real display (which is already at the
// desktop resolution, so nothing is switched) and against a fake display
// API that offers smaller modes.
#include <gtest/gtest.h>

#include <vector>

#include "GuiTest.h"
#include "ViewScene.h"
#include "classlib/Forms.h"
#include "scene3d/Base/PersistentClasses.h"
#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLScreen.h"
#include "scene3d/GLTexture.h"
#include "scene3d/Platform/GLWin32Context.h"
#include "scene3d/Platform/GLWin32FullScreenViewer.h"

namespace {
LONG(WINAPI* SystemChange)(DEVMODEA*, DWORD) = nullptr;
std::vector<DEVMODEA> Switches;   // every call but the tests (no mode: width 0)
bool FakeDriver = false;

LONG WINAPI RecordingChange(DEVMODEA* Mode, DWORD Flags) {
  if (!(Flags & CDS_TEST)) {
    DEVMODEA none{};
    Switches.push_back(Mode ? *Mode : none);
  }
  if (!FakeDriver) return SystemChange(Mode, Flags);
  if (!Mode) return DISP_CHANGE_SUCCESSFUL;
  const bool known = (Mode->dmPelsWidth == 800 && Mode->dmPelsHeight == 600 &&
                      (Mode->dmBitsPerPel == 16 || Mode->dmBitsPerPel == 32)) ||
                     (Mode->dmPelsWidth == 1280 && Mode->dmPelsHeight == 1024 && Mode->dmBitsPerPel == 32);
  return known ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_BADMODE;
}

BOOL WINAPI FakeEnum(LPCSTR, DWORD Index, DEVMODEA* Mode) {
  const DWORD modes[3][3] = {{800, 600, 16}, {800, 600, 32}, {1280, 1024, 32}};
  if (Index >= 3) return FALSE;
  Mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  Mode->dmPelsWidth = modes[Index][0], Mode->dmPelsHeight = modes[Index][1], Mode->dmBitsPerPel = modes[Index][2];
  return TRUE;
}

void FakeDesktop(int& Width, int& Height, int& Depth) { Width = 1280, Height = 1024, Depth = 32; }

class FullScreen : public testing::Test {
protected:
  TViewUnits Units;
  void SetUp() override {
    GLWin32FullScreenViewer_Initialize();
    SystemChange = ChangeDisplaySettingsProc;
    ChangeDisplaySettingsProc = RecordingChange;
    Switches.clear();
    FakeDriver = false;
    Scene = std::make_unique<TScene3D>(nullptr);
    Camera = Scene->Cameras()->AddNewChild<TGLCamera>();
    Camera->Position()->SetPoint(0, 0, 2);
    Viewer = std::make_unique<TGLFullScreenViewer>(nullptr);
    Viewer->SetCamera(Camera);
    Viewer->Buffer()->SetBackgroundColor(clRed);
  }
  void TearDown() override {
    Viewer.reset();
    Scene.reset();
    GLWin32FullScreenViewer_Finalize();
  }
  void UseFakeDriver() {
    FakeDriver = true;
    EnumDisplaySettingsProc = FakeEnum;
    DesktopModeProc = FakeDesktop;
  }
  std::unique_ptr<TScene3D> Scene;
  TGLCamera* Camera = nullptr;
  std::unique_ptr<TGLFullScreenViewer> Viewer;
};
}  // namespace

TEST_F(FullScreen, AtTheDesktopResolutionItCoversTheScreenWithoutASwitch) {
  EXPECT_EQ(Viewer->Width(), 800);
  Viewer->MatchDesktopResolution();
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(Viewer->Width(), w);
  EXPECT_EQ(Viewer->Height(), h);
  EXPECT_FALSE(Viewer->Active());

  bool painted = false;
  Viewer->SetPostRender([&](TObject*) { painted = true; });
  Viewer->SetActive(true);
  ASSERT_TRUE(Viewer->Active());
  EXPECT_FALSE(Viewer->SwitchedResolution());
  EXPECT_TRUE(Switches.empty()) << "the display mode was left alone";
  HWND form = Viewer->Form()->Handle();
  EXPECT_TRUE(IsWindowVisible(form));
  EXPECT_FALSE(GetWindowLongPtrA(form, GWL_STYLE) & WS_CAPTION);
  RECT client;
  GetClientRect(form, &client);
  POINT origin{0, 0};
  ClientToScreen(form, &origin);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
  EXPECT_EQ(client.right, w);
  EXPECT_EQ(client.bottom, h);
  EXPECT_EQ(WindowFromPoint({w / 2, h / 2}), form);
  EXPECT_EQ(WindowFromPoint({w - 1, h - 1}), form);

  EXPECT_TRUE(PumpUntil([&] { return painted; })) << "the form's paint renders the scene";
  Viewer->Render();
  std::unique_ptr<TGLBitmap32> frame = Viewer->Buffer()->CreateSnapShot();
  ASSERT_EQ(frame->Width(), w);
  ASSERT_EQ(frame->Height(), h);
  for (auto [x, y] : {std::pair{0, 0}, std::pair{w - 1, h - 1}, std::pair{w / 2, h / 2}}) {
    const TGLPixel32 p = frame->ScanLine(y)[x];
    EXPECT_EQ(p.r, 255) << int(p.r) << " " << int(p.g) << " " << int(p.b) << " " << int(p.a);
    EXPECT_EQ(p.g, 0);
    EXPECT_EQ(p.b, 0);
  }
  TCapture shot;
  shot.Width = w, shot.Height = h;
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      const TGLPixel32 p = frame->ScanLine(y)[x];
      shot.Pixels.push_back(uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b);
    }
  SaveBmp(shot, "fullscreen.bmp");

  // Closing the form asks the viewer's handler, then stops the viewer.
  bool asked = false;
  Viewer->OnCloseQuery = [&](TObject* Sender, bool& CanClose) {
    EXPECT_EQ(Sender, Viewer.get());
    CanClose = asked;
    asked = true;
  };
  SendMessageA(form, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Viewer->Active()) << "refused";
  SendMessageA(form, WM_CLOSE, 0, 0);
  EXPECT_FALSE(Viewer->Active());
  EXPECT_EQ(Viewer->Form(), nullptr);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(form); })) << "the form is released";
  EXPECT_TRUE(Switches.empty()) << "nothing to restore";

  Viewer->SetActive(true);
  form = Viewer->Form()->Handle();
  Viewer.reset();
  EXPECT_FALSE(IsWindow(form)) << "freeing the viewer stops it";
}

TEST_F(FullScreen, ASmallerModeIsSwitchedToAndTheDesktopRestored) {
  UseFakeDriver();
  Viewer->SetWidth(4000);
  try {
    Viewer->SetActive(true);
    ADD_FAILURE() << "no exception";
  } catch (const Exception& E) {
    EXPECT_EQ(E.Message, "Unsupported video mode");
  }
  EXPECT_FALSE(Viewer->Active());
  EXPECT_EQ(Viewer->Form(), nullptr);
  EXPECT_TRUE(Switches.empty());

  Viewer->SetWidth(800);
  Viewer->RefreshRate = 0;
  Viewer->SetActive(true);
  ASSERT_TRUE(Viewer->Active());
  EXPECT_TRUE(Viewer->SwitchedResolution());
  ASSERT_EQ(Switches.size(), 1u);
  EXPECT_EQ(Switches[0].dmPelsWidth, 800u);
  EXPECT_EQ(Switches[0].dmPelsHeight, 600u);
  EXPECT_EQ(Switches[0].dmBitsPerPel, 32u);
  EXPECT_EQ(Viewer->Buffer()->Width(), 800);

  // A new depth takes a new form and mode; an update defers it to its end.
  HWND first = Viewer->Form()->Handle();
  Viewer->BeginUpdate();
  Viewer->SetScreenDepth(TGLScreenDepth::sd16bits);
  EXPECT_EQ(Viewer->Form()->Handle(), first);
  Viewer->EndUpdate();
  ASSERT_TRUE(Viewer->Active());
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(first); })) << "the old form is released";
  ASSERT_EQ(Switches.size(), 3u);
  EXPECT_EQ(Switches[1].dmPelsWidth, 0u) << "the desktop back in between";
  EXPECT_EQ(Switches[2].dmBitsPerPel, 16u);

  Viewer->SetActive(false);
  ASSERT_EQ(Switches.size(), 4u);
  EXPECT_EQ(Switches[3].dmPelsWidth, 0u) << "stopping restores the desktop mode";
  EXPECT_FALSE(Viewer->SwitchedResolution());
  try {
    Viewer->EndUpdate();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& E) {
    EXPECT_NE(E.Message.find("Unbalanced Begin/EndUpdate"), std::string::npos) << E.Message;
  }
}

namespace {
// Refuses every top-level window while set, once the display mode has been
// switched (the system's CBT hook): the context's probe window fails.
bool RefuseWindows = false;
LRESULT CALLBACK RefusingHook(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HCBT_CREATEWND && RefuseWindows && !Switches.empty() &&
      !(reinterpret_cast<CBT_CREATEWNDA*>(LParam)->lpcs->style & WS_CHILD))
    return 1;
  return CallNextHookEx(nullptr, Code, WParam, LParam);
}
}  // namespace

// A start that fails half-way (its context cannot be made) undoes what it
// did: the desktop mode and the task bar are back, the form is gone, and the
// next start works.
TEST_F(FullScreen, AFailedStartUndoesWhatItDid) {
  UseFakeDriver();
  HWND taskBar = FindWindowA("Shell_TrayWnd", nullptr);
  const bool ownTaskBar = !taskBar;   // none under this display: one of the test's
  if (ownTaskBar) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "Shell_TrayWnd";
    RegisterClassA(&wc);
    taskBar = CreateWindowExA(WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                              nullptr, wc.hInstance, nullptr);
  }
  ASSERT_TRUE(IsWindowVisible(taskBar));
  const int forms = Screen->FormCount();
  Viewer->SetWidth(800);
  HHOOK hook = SetWindowsHookExA(WH_CBT, RefusingHook, nullptr, GetCurrentThreadId());
  RefuseWindows = true;
  EXPECT_THROW(Viewer->SetActive(true), Exception);
  RefuseWindows = false;
  UnhookWindowsHookEx(hook);
  EXPECT_FALSE(Viewer->Active());
  EXPECT_EQ(Viewer->Form(), nullptr);
  EXPECT_EQ(Screen->FormCount(), forms) << "the form is freed";
  EXPECT_TRUE(IsWindowVisible(taskBar)) << "the task bar shows again";
  ASSERT_EQ(Switches.size(), 2u);
  EXPECT_EQ(Switches[0].dmPelsWidth, 800u);
  EXPECT_EQ(Switches[1].dmPelsWidth, 0u) << "the desktop mode is back";
  EXPECT_FALSE(Viewer->SwitchedResolution());

  Viewer->SetActive(true);
  EXPECT_TRUE(Viewer->Active());
  Viewer->SetActive(false);
  if (ownTaskBar) {
    DestroyWindow(taskBar);
    UnregisterClassA("Shell_TrayWnd", GetModuleHandleA(nullptr));
  }
}

// A context that cannot be given up (another thread holds it current) does
// not keep the screen: the desktop mode, the task bar and the form are given
// back first, and then the failure is told.
TEST_F(FullScreen, AFailingStopGivesTheScreenBackFirst) {
  UseFakeDriver();
  Viewer->SetWidth(800);
  Viewer->SetActive(true);
  ASSERT_TRUE(Viewer->SwitchedResolution());
  const int forms = Screen->FormCount();
  HWND window = Viewer->Form()->Handle();
  HGLRC rc = static_cast<TGLWin32Context*>(Viewer->Buffer()->RenderingContext())->RC();
  struct THolder {
    HWND Window;
    HGLRC RC;
    HANDLE Taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE Release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool Holding = false;
  } holder{window, rc};
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID P) WINAPI -> DWORD {
        auto* h = static_cast<THolder*>(P);
        HDC dc = GetDC(h->Window);
        h->Holding = wglMakeCurrent(dc, h->RC);
        SetEvent(h->Taken);
        WaitForSingleObject(h->Release, INFINITE);
        wglMakeCurrent(nullptr, nullptr);
        ReleaseDC(h->Window, dc);
        return 0;
      },
      &holder, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(holder.Taken, 30000), WAIT_OBJECT_0);
  ASSERT_TRUE(holder.Holding);
  std::string told;
  try {
    Viewer->SetActive(false);
  } catch (const Exception& E) {
    told = E.Message;
  }
  SetEvent(holder.Release);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CloseHandle(holder.Taken);
  CloseHandle(holder.Release);
  EXPECT_NE(told.find("Context activation failed"), std::string::npos) << told;
  EXPECT_FALSE(Viewer->Active());
  EXPECT_EQ(Viewer->Form(), nullptr);
  PumpUntil([&] { return Screen->FormCount() == forms - 1; });
  EXPECT_EQ(Screen->FormCount(), forms - 1) << "the form is freed";
  ASSERT_EQ(Switches.size(), 2u);
  EXPECT_EQ(Switches[1].dmPelsWidth, 0u) << "the desktop mode is back";
  EXPECT_FALSE(Viewer->SwitchedResolution());
}
