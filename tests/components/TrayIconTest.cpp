#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GuiTest.h"
#include "classlib/Forms.h"
#include "viewer/components/TrayIcon.h"

namespace {
struct TShellCall {
  DWORD Message;
  NOTIFYICONDATAA Data;
  uint32_t IconRgb;   // what the icon drew when the shell got it
};
std::vector<TShellCall> Calls;
uint32_t IconColour(HICON Icon);

BOOL WINAPI RecordNotifyIcon(DWORD Message, PNOTIFYICONDATAA Data) {
  Calls.push_back({Message, *Data, Data->hIcon ? IconColour(Data->hIcon) : 0xFFFFFFFFu});
  return TRUE;
}

// A solid 16 x 16 icon of one colour (COLORREF).
HICON SolidIcon(COLORREF C) {
  HDC screen = GetDC(nullptr);
  HBITMAP color = CreateCompatibleBitmap(screen, 16, 16);
  HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, color);
  HBRUSH b = CreateSolidBrush(C);
  RECT r{0, 0, 16, 16};
  FillRect(dc, &r, b);
  SelectObject(dc, mask);
  PatBlt(dc, 0, 0, 16, 16, BLACKNESS);   // opaque everywhere
  SelectObject(dc, old);
  DeleteObject(b);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  ICONINFO ii{TRUE, 0, 0, mask, color};
  HICON h = CreateIconIndirect(&ii);
  DeleteObject(color);
  DeleteObject(mask);
  return h;
}

// The colour (0xRRGGBB) an icon draws at its centre.
uint32_t IconColour(HICON Icon) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  DrawIconEx(dc, 0, 0, Icon, 16, 16, 0, nullptr, DI_NORMAL);
  GdiFlush();
  uint32_t c = static_cast<uint32_t*>(bits)[8 * 16 + 8] & 0xFFFFFF;
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bmp);
  return c;
}

class TrayIconTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    Calls.clear();
    TrayShellNotifyIcon = RecordNotifyIcon;
  }
  void TearDown() override {
    Forms_Finalize();
    TrayShellNotifyIcon = Shell_NotifyIconA;
  }
  int CountOf(DWORD Message) const {
    int n = 0;
    for (auto& c : Calls) n += c.Message == Message;
    return n;
  }
};
}  // namespace

TEST_F(TrayIconTest, AddPassesTheFirstRecordVersionOfThisBuild) {
  auto* tray = new TTrayIcon(Application);
  tray->SetActive(true);
  ASSERT_EQ(Calls.size(), 1u);
  const NOTIFYICONDATAA& d = Calls[0].Data;
  EXPECT_EQ(Calls[0].Message, static_cast<DWORD>(NIM_ADD));
  // 88 bytes in the 32-bit build; the same record version holds 8-byte
  // handles in the 64-bit build
  EXPECT_EQ(d.cbSize, sizeof(void*) == 4 ? 88u : 104u);
  EXPECT_EQ(d.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
  EXPECT_EQ(d.hWnd, tray->Handle());
  EXPECT_EQ(d.uID, 0u);
  EXPECT_EQ(d.uFlags, 7u);
  EXPECT_EQ(d.uCallbackMessage, 1025u);
  // with an empty tip the tip is set again from the hidden window
  ASSERT_TRUE(PumpUntil([&] { return CountOf(NIM_MODIFY) == 1; }));
  delete tray;
  EXPECT_EQ(Calls.back().Message, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(TrayIconTest, TipIsCutAt62AndModifyOnlyWhileActive) {
  auto* tray = new TTrayIcon(Application);
  std::string tip70(70, 'x');
  for (int i = 0; i < 70; ++i) tip70[i] = static_cast<char>('0' + i % 10);
  tray->SetToolTip(tip70);
  EXPECT_EQ(tray->ToolTip(), tip70.substr(0, 62));
  EXPECT_TRUE(Calls.empty());   // not active: nothing reaches the shell
  tray->SetActive(true);
  ASSERT_EQ(Calls.size(), 1u);
  EXPECT_EQ(std::string(Calls[0].Data.szTip), tip70.substr(0, 62));
  tray->SetToolTip(" Vantrel\r\n 3 Visualized/12 Total TCP Connections ");
  EXPECT_EQ(Calls.back().Message, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_STREQ(Calls.back().Data.szTip, " Vantrel\r\n 3 Visualized/12 Total TCP Connections ");
  PumpFor(50);
  EXPECT_EQ(CountOf(NIM_MODIFY), 1);   // a tip was set: no reset message
  tray->SetActive(false);
  EXPECT_EQ(Calls.back().Message, static_cast<DWORD>(NIM_DELETE));
  size_t n = Calls.size();
  delete tray;   // not shown: no delete at the end
  EXPECT_EQ(Calls.size(), n);
}

TEST_F(TrayIconTest, CallbackMessagesFireClickDoubleClickAndRightClick) {
  auto* tray = new TTrayIcon(Application);
  std::vector<std::string> log;
  tray->OnClick = [&](TObject* S) { log.push_back(S == tray ? "click" : "?"); };
  tray->OnDblClick = [&](TObject*) { log.push_back("dblclick"); };
  POINT at{};
  tray->OnRightClick = [&](TObject*, TMouseButton B, TShiftState Shift, int X, int Y) {
    log.push_back(B == TMouseButton::mbRight && Shift.Empty() ? "right" : "right?");
    at = {X, Y};
  };
  SetCursorPos(200, 150);
  POINT cur;
  GetCursorPos(&cur);
  PostMessageA(tray->Handle(), WM_USER + 1, 0, WM_LBUTTONUP);
  PostMessageA(tray->Handle(), WM_USER + 1, 0, WM_MOUSEMOVE);
  PostMessageA(tray->Handle(), WM_USER + 1, 0, WM_LBUTTONDBLCLK);
  PostMessageA(tray->Handle(), WM_USER + 1, 0, WM_RBUTTONUP);
  ASSERT_TRUE(PumpUntil([&] { return log.size() == 3; }));
  EXPECT_EQ(log, (std::vector<std::string>{"click", "dblclick", "right"}));
  EXPECT_EQ(at.x, cur.x);
  EXPECT_EQ(at.y, cur.y);
}

TEST_F(TrayIconTest, RightClickPopsTheMenuUpBeforeTheEvent) {
  auto* tray = new TTrayIcon(Application);
  auto* menu = new TPopupMenu(Application);
  auto* item = new TMenuItem(menu);
  item->Caption = "Focus Window";
  menu->Items()->Add(item);
  tray->SetPopupMenu(menu);
  std::vector<std::string> log;
  menu->OnPopup = [&](TObject*) { log.push_back("popup"); };
  tray->OnRightClick = [&](TObject*, TMouseButton, TShiftState, int, int) { log.push_back("right"); };
  auto* closer = new TTimer(Application);
  closer->SetInterval(150);
  closer->OnTimer = [&](TObject*) {
    log.push_back(GetMenu(nullptr) == nullptr && IsMenu(menu->Handle()) ? "open" : "?");
    EndMenu();
    closer->SetEnabled(false);
  };
  SendMessageA(tray->Handle(), WM_USER + 1, 0, WM_RBUTTONUP);
  EXPECT_EQ(log, (std::vector<std::string>{"popup", "open", "right"}));
  delete menu;   // the tray forgets it
  EXPECT_EQ(tray->PopupMenu(), nullptr);
}

TEST_F(TrayIconTest, AnimationAdvancesFramesAndGivesTheIconBack) {
  auto* images = new TImageList(Application);
  const COLORREF colours[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
  for (COLORREF c : colours) {
    TIcon i;
    i.SetHandle(SolidIcon(c));
    images->AddIcon(&i);
  }
  ASSERT_EQ(images->Count(), 3);
  auto* tray = new TTrayIcon(Application);
  TIcon own;
  own.SetHandle(SolidIcon(RGB(10, 20, 30)));
  tray->SetIcon(&own);
  tray->SetImages(images);
  tray->SetToolTip("Vantrel");
  tray->SetAnimate(true);   // not active yet: refused
  EXPECT_FALSE(tray->Animate());
  tray->SetActive(true);
  tray->SetAnimateInterval(0);   // ignored
  EXPECT_EQ(tray->AnimateInterval(), 100);
  tray->SetAnimateInterval(15);
  EXPECT_EQ(tray->AnimateInterval(), 15);
  Calls.clear();
  tray->SetAnimate(true);
  ASSERT_TRUE(tray->Animate());
  ASSERT_TRUE(PumpUntil([&] { return CountOf(NIM_MODIFY) >= 4; }));
  // frames 1, 2, 0, 1 ... as the icons the shell was given
  const uint32_t rgb[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  std::vector<uint32_t> seen;
  for (auto& c : Calls)
    if (c.Message == NIM_MODIFY) seen.push_back(c.IconRgb);
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(seen[0], rgb[1]);
  EXPECT_EQ(seen[1], rgb[2]);
  EXPECT_EQ(seen[2], rgb[0]);
  EXPECT_EQ(seen[3], rgb[1]);
  tray->SetAnimate(true);   // again while running: the icon from before is kept
  tray->SetAnimate(false);
  EXPECT_EQ(IconColour(tray->Icon()->Handle()), 0x0A141Eu);
  EXPECT_EQ(Calls.back().IconRgb, 0x0A141Eu);
  int n = CountOf(NIM_MODIFY);
  PumpFor(60);
  EXPECT_EQ(CountOf(NIM_MODIFY), n);   // the timer stopped
}

TEST_F(TrayIconTest, EmptyImageListAndFreedImageListStopTheAnimation) {
  auto* images = new TImageList(Application);
  auto* tray = new TTrayIcon(Application);
  TIcon own;
  own.SetHandle(SolidIcon(RGB(10, 20, 30)));
  tray->SetIcon(&own);
  tray->SetActive(true);
  tray->SetImages(images);
  tray->SetAnimate(true);
  EXPECT_FALSE(tray->Animate());   // no images
  for (COLORREF c : {RGB(1, 2, 3), RGB(200, 100, 50)}) {
    TIcon i;
    i.SetHandle(SolidIcon(c));
    images->AddIcon(&i);
  }
  tray->SetAnimateInterval(10);
  tray->SetAnimate(true);
  EXPECT_TRUE(tray->Animate());
  ASSERT_TRUE(PumpUntil([&] { return IconColour(tray->Icon()->Handle()) != 0x0A141Eu; }));   // a frame shows
  delete images;
  EXPECT_EQ(tray->Images(), nullptr);
  EXPECT_FALSE(tray->Animate());
  EXPECT_EQ(IconColour(tray->Icon()->Handle()), 0x0A141Eu);   // the icon from before
  EXPECT_EQ(Calls.back().IconRgb, 0x0A141Eu);
  PumpFor(50);   // no tick touches the freed list
}
