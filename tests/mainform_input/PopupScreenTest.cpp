// The location popup on screen: opened by the main window for a picked
// address, walked with real keys into "Details" and the address's rows,
// which are read back from the screen while the menus are open.
#include <algorithm>
#include <atomic>
#include <thread>

#include "InputFixture.h"
#include "viewer/NsMainPicking.h"
#include "viewer/NsMainStartup.h"

namespace {

DWORD Net(const std::string& Dotted) { return NetAddress(Dotted); }

// The open menus, as their windows (class "#32768") lie on the screen.
std::vector<RECT> OpenMenus() {
  std::vector<RECT> rects;
  EnumWindows(
      [](HWND W, LPARAM P) WINAPI -> BOOL {
        char cls[16] = {};
        GetClassNameA(W, cls, sizeof cls);
        if (std::string(cls) == "#32768" && IsWindowVisible(W)) {
          RECT r;
          GetWindowRect(W, &r);
          reinterpret_cast<std::vector<RECT>*>(P)->push_back(r);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&rects));
  // the innermost submenu lies furthest right
  std::sort(rects.begin(), rects.end(), [](const RECT& A, const RECT& B) { return A.left < B.left; });
  return rects;
}

// The system's TCP table, grown again at each of its next reads.
TGetExtendedTcpTable SteadyTcp = nullptr;
int TcpChanges = 0;
DWORD WINAPI TcpChanging(PVOID Table, PDWORD Size, BOOL Order, ULONG Family, int Class, ULONG R) {
  if (Table && TcpChanges > 0) {
    --TcpChanges;
    *Size += 10 * 24;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  return SteadyTcp(Table, Size, Order, Family, Class, R);
}

class PopupScreen : public ShownMainForm {};

TEST_F(PopupScreen, DetailsShowTheHeaderAndOnlyTheRowsOfTheWholeAddress) {
  FakeNet().Tcp = {{5, Net("192.168.1.5"), Port(50001), Net("1.2.3.4"), Port(443), 4242},
                   {5, Net("192.168.1.5"), Port(50002), Net("11.2.3.45"), Port(443), 666},
                   {5, Net("192.168.1.5"), Port(50003), Net("1.2.3.45"), Port(80), 666},
                   {11, Net("192.168.1.5"), Port(50004), Net("1.2.3.4"), Port(80), 0}};
  FakeNet().Processes = {{4242, "firefox.exe"}, {666, "evil.exe"}};
  Start();
  // the popup's own poll meets a table that changed at its first reads
  SteadyTcp = GetExtendedTcpTable;
  TcpChanges = 3;
  GetExtendedTcpTable = TcpChanging;
  Form->Timer->SetInterval(50);   // polling: the popup pauses it
  Form->Timer->SetEnabled(true);
  HoverState.MouseX = 120;
  HoverState.MouseY = 90;

  std::vector<RECT> menus;
  TCapture shot;
  std::atomic<bool> done{false};
  std::thread walker([&] {
    auto waitMenus = [&](size_t N) {
      for (int i = 0; i < 100 && OpenMenus().size() < N; ++i) Sleep(30);
    };
    waitMenus(1);
    // Traceroute, IP Whois, Analysis (disabled, still selectable), Details;
    // into its address, into its rows
    for (int i = 0; i < 4; ++i) PressKey(VK_DOWN);
    PressKey(VK_RIGHT);
    waitMenus(2);
    PressKey(VK_RIGHT);
    waitMenus(3);
    Sleep(300);
    menus = OpenMenus();
    RECT all;
    GetWindowRect(Form->Handle(), &all);
    for (const RECT& m : menus) UnionRect(&all, &all, &m);
    shot = CaptureScreen(all);
    for (int i = 0; i < 3; ++i) PressKey(VK_ESCAPE);
    done = true;
  });
  Form->LocationPopup("1.2.3.4", false, false);   // returns when the menu closes
  PumpUntil([&] { return done.load(); }, 10000);
  walker.join();
  SaveBmp(shot, "popup-menu-open.bmp");

  const int reads = FakeNet().TcpReads;
  EXPECT_TRUE(PumpUntil([&] { return FakeNet().TcpReads > reads; })) << "polls resume after the popup";
  EXPECT_EQ(TcpChanges, 0);
  EXPECT_EQ(Form->RouteTarget, "1.2.3.4");
  ASSERT_EQ(menus.size(), 3u) << "popup, Details, the address's rows";
  const RECT rows = menus.back();
  const int height = rows.bottom - rows.top;
  // the header and two rows of 1.2.3.4; none of 11.2.3.45 or 1.2.3.45
  EXPECT_GE(height, 3 * ViewResources.RowHeight);
  EXPECT_LT(height, 3 * ViewResources.RowHeight + 12);
  EXPECT_GE(rows.right - rows.left, Form->PopupHeader.Width() - 18);

  // The header row shows Image1's picture: its black bottom line and its
  // text, read back from the screen.
  RECT all;
  GetWindowRect(Form->Handle(), &all);
  for (const RECT& m : menus) UnionRect(&all, &all, &m);
  const int hx = rows.left - all.left, hy = rows.top - all.top;
  int line = 0, ink = 0;
  for (int x = hx + 8; x < hx + 200; ++x) {
    for (int y = hy; y < hy + ViewResources.RowHeight + 6; ++y) {
      const uint32_t c = shot.At(x, y);
      if (c == 0x000000) ++ink;
    }
  }
  for (int y = hy; y < hy + ViewResources.RowHeight + 6; ++y) {
    int black = 0;
    for (int x = hx + 8; x < hx + 200; ++x) black += shot.At(x, y) == 0x000000;
    line = std::max(line, black);
  }
  EXPECT_GE(line, 180) << "the header's bottom line";
  EXPECT_GT(ink, line + 40) << "the header's column titles";
}

}  // namespace
