#include <string>
#include <vector>

#include "ControlForm.h"
#include "EveryControl.h"
#include "classlib/ImgList.h"
#include "viewer/components/TrayIcon.h"
#include "viewer/components/WorkerThread.h"

namespace {
int IconChanges = 0;   // the frames the animation handed the shell
BOOL WINAPI QuietShell(DWORD Message, PNOTIFYICONDATAA) {
  if (Message == NIM_MODIFY) ++IconChanges;
  return TRUE;
}

int OpenMenuWindows() {
  int n = 0;
  EnumWindows(
      [](HWND W, LPARAM P) WINAPI -> BOOL {
        char cls[16] = {};
        GetClassNameA(W, cls, sizeof cls);
        if (std::string(cls) == "#32768" && IsWindowVisible(W)) ++*reinterpret_cast<int*>(P);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&n));
  return n;
}

// A 16 x 16 icon of one colour.
void AddSolidIcon(TImageList* List, COLORREF Colour) {
  TBitmap colour, mask;
  colour.SetSize(16, 16);
  colour.Canvas()->Brush()->SetColor(Colour);
  colour.Canvas()->FillRect(Rect(0, 0, 16, 16));
  mask.SetSize(16, 16);   // black: opaque
  ICONINFO ii{TRUE, 0, 0, mask.Handle(), colour.Handle()};
  TIcon icon;
  icon.SetHandle(CreateIconIndirect(&ii));
  List->AddIcon(&icon);
}

class SoakTest : public ControlTest {
protected:
  // One life of a window: every control made, shown, typed into and
  // clicked; a tray icon animating with a two-level popup opened; a worker
  // run; then the form freed with all it owns.
  void Cycle(bool Screenshot) {
    auto* f = new TForm(Application);
    TEveryControl c;
    BuildEveryControl(f, c);
    f->Show();
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == f->Handle(); }));
    RedrawWindow(f->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(30);
    if (Screenshot) SaveBmp(CaptureClient(f->Handle()), "every_control.bmp");
    ClickClient(c.Edit->Handle(), 150, 10);
    TypeText("x");
    ClickClient(c.Button->Handle(), 20, 10);
    PumpFor(40);
    EXPECT_EQ(c.Clicks, 1);
    EXPECT_EQ(c.Edit->Text(), "8.8.8.8x");

    auto* images = new TImageList(f);
    for (COLORREF col : {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)}) AddSolidIcon(images, col);
    auto* tray = new TTrayIcon(f);
    tray->SetImages(images);
    tray->SetActive(true);
    tray->SetAnimateInterval(10);
    tray->SetAnimate(true);
    auto* popup = new TPopupMenu(f);
    auto* trace = new TMenuItem(popup);
    trace->Caption = "Traceroute";
    popup->Items()->Add(trace);
    for (const char* a : {"8.8.8.8", "1.1.1.1"}) {
      auto* sub = new TMenuItem(popup);
      sub->Caption = a;
      trace->Add(sub);
    }
    auto* exit = new TMenuItem(popup);
    exit->Caption = "Exit";
    popup->Items()->Add(exit);
    tray->SetPopupMenu(popup);
    int step = 0;
    auto* script = new TTimer(f);
    script->SetInterval(20);
    script->OnTimer = [&](TObject*) {
      if (step == 0 && OpenMenuWindows() == 1) {
        PressKey(VK_DOWN);
        PressKey(VK_RIGHT);   // the sub-menu opens
        step = 1;
      } else if (step == 1 && OpenMenuWindows() == 2) {
        PressKey(VK_ESCAPE);
        PressKey(VK_ESCAPE);
        step = 2;
      }
    };
    int changes = IconChanges;
    SendMessageA(tray->Handle(), WM_TRAYICON, 0, WM_RBUTTONUP);   // returns when the menu closed
    EXPECT_EQ(step, 2);
    EXPECT_GT(IconChanges, changes);   // it animated meanwhile

    auto* worker = new TWorkerThread(f);
    bool ended = false;
    worker->OnExecute = [](TObject*, TWorkerExecuteThread* T, void*&) { T->Percent = 100; };
    worker->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ended = true; };
    worker->Start();
    ASSERT_TRUE(PumpUntil([&] { return ended; }));

    std::shared_ptr<bool> gone = std::make_shared<bool>(false);
    f->OnDestroy = [gone](TObject*) { *gone = true; };
    f->Release();
    ASSERT_TRUE(PumpUntil([&] { return *gone; }));
    PumpFor(30);
  }
};
}  // namespace

TEST_F(SoakTest, FortyWindowsWithEveryControlLeaveNoHandleBehind) {
  TrayShellNotifyIcon = QuietShell;
  Cycle(true);   // the first life loads what stays loaded (libraries, classes, fonts)
  Cycle(false);
  TGuiResources before = GuiResources();
  for (int i = 0; i < 40 && !HasFatalFailure(); ++i) Cycle(false);
  TGuiResources after = GuiResources();
  std::printf("handles before %d GDI, %d windows, %d menus, %d icons; after 40 lives %d, %d, %d, %d\n",
              before.Gdi, before.Windows, before.Menus, before.Icons, after.Gdi, after.Windows, after.Menus,
              after.Icons);
  EXPECT_EQ(after, before);
  TrayShellNotifyIcon = Shell_NotifyIconA;
}
