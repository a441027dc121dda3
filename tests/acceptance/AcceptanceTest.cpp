// The shipped vantrel.exe, started from a folder holding a database, an
// earth texture, myloc.txt and gmap.ini in a Wine prefix of its own, and
// driven only from outside as a user drives it: real clicks and keys on its
// windows, its tray icon and its menus; the results read from the screen,
// its snapshots, the registry and files. Web pages it opens go to a
// recorder that stands in for the browser.
#include <gtest/gtest.h>
#include <winsock.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "GLTestWindow.h"
#include "GuiTest.h"
#include "LocationFixture.h"
#include "LoopbackSockets.h"
#include "ProgramRunner.h"
#include "RegistryValues.h"
#include "TestPaths.h"
#include "classlib/Jpeg.h"
#include "classlib/SysUtils.h"
#include "ForgedRouter.h"
#include "netlib/NetComponent.h"
#include "netlib/NetIcmpClient.h"

namespace ws = WinSock2;

namespace {

const char* const RecorderName = "urlrecorder.exe";
const char* const OpenedFile = "opened-urls.txt";

// Started by the shell as the browser (a copy named urlrecorder.exe), this
// program adds the page it was given to the list beside it and ends.
[[maybe_unused]] const bool Recorder = StandIn(RecorderName, OpenedFile);

const char* const HolderName = "holder.exe";

// Started as holder.exe with an address of 127.0.0.0/8 (a copy of this
// program), it holds a connection to that address, both of its ends its
// own, until it is ended.
[[maybe_unused]] const bool Holder = [] {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (!SameText(ExtractFileName(self), HolderName)) return false;
  std::string line = GetCommandLineA();
  while (!line.empty() && line.back() == ' ') line.pop_back();
  const std::string address = line.substr(line.rfind(' ') + 1);
  WSADATA wsa;
  TLoopbackConnection held;
  held.ListenAddress = address.c_str();
  if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0 || !held.Open()) ExitProcess(1);
  for (;;) Sleep(INFINITE);
}();

// A click on a check box, waited for until the box shows it.
void Toggle(HWND Box) {
  ASSERT_NE(Box, nullptr);
  // (a window just shown takes clicks once it is active)
  HWND window = GetAncestor(Box, GA_ROOT);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == window; })) << "the window is not active";
  const LRESULT was = CheckState(Box);
  ASSERT_TRUE(ClickWindow(Box)) << "another window lies over the box";
  ASSERT_TRUE(WaitFor([&] { return CheckState(Box) != was; })) << "the box did not take the click";
}
// A click on a button that closes its window, waited for until it is gone.
void Close(HWND Window, const char* Button) {
  HWND b = Descendant(Window, "TBitBtn", Button);
  ASSERT_NE(b, nullptr) << Button;
  ClickWindow(b);
  ASSERT_TRUE(Hidden(Window));
}

void Keys(std::initializer_list<WORD> Sequence) {
  for (WORD k : Sequence) {
    PressKey(k);
    Sleep(120);
  }
}

// The red of the location points (Color1), as a JPEG keeps it.
bool Red(uint32_t C) { return (C >> 16 & 0xFF) > 170 && (C >> 8 & 0xFF) < 90 && (C & 0xFF) < 90; }
int Brightness(uint32_t C) { return int(C >> 16 & 0xFF) + int(C >> 8 & 0xFF) + int(C & 0xFF); }

class Acceptance : public testing::Test {
protected:
  std::string Dir, Own, Net;
  std::unique_ptr<TProcess> Program;
  HWND Main = nullptr;
  TLoopbackConnection Connection;
  bool OwnConnection = true;   // this test holds the connection to Own
  bool Routers = false;        // two more addresses after Own are placed: routers on its route

  void SetUp() override {
    Jpeg_Initialize();
    DeleteKeyTree(SettingsKey::Root);
    Dir = TempFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
    CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
    // This test's own connection goes to an address of 127.0.0.0/8 of its
    // own (earlier tests' ended connections linger under theirs), placed in
    // Cairo, on the side of the globe that faces London.
    // The rest of 127.0.0.0/8 has no place: never plotted.
    static int tests = 0;
    const std::string net = "127." + IntToStr(20 + GetTickCount() / 16 % 200) + "." + IntToStr(++tests) + ".";
    Own = net + "9";
    Net = net;
    const std::string routers = Routers ? net + "10," + net + "10,FR,Paris,48.85,2.35\n" + net + "11," + net +
                                              "11,IT,Rome,41.90,12.50\n" + net + "12,127.255.255.255,,,,\n"
                                        : net + "10,127.255.255.255,,,,\n";
    WriteLocationFixture(Dir + "\\data", "81.2.69.0,81.2.69.255,GB,London,51.50,-0.12\n"
                                         "127.0.0.0," + net + "8,,,,\n" +
                                         Own + "," + Own + ",EG,Cairo,30.04,31.24\n" + routers);
    WriteTextFile(Dir + "\\myloc.txt", HomeFileText);
    TJPEGImage texture;
    texture.Assign(MakeBitmap(512, 256, [](int X, int) -> uint32_t { return (X / 32) % 2 ? 0x0000C0 : 0x808080; }).get());
    texture.SaveToFile(Dir + "\\data\\texture.jpg");
    ASSERT_TRUE(PlaceBuiltProgram("vantrel.exe", Dir));
    ASSERT_TRUE(CopyFileA(SourcePath("viewer/gmap.ini").c_str(), (Dir + "\\gmap.ini").c_str(), FALSE));
    ASSERT_TRUE(PlaceStandIn(Dir, RecorderName));
    // The prefix's browser is the recorder.
    const std::string open = "\"" + Dir + "\\" + RecorderName + "\" \"%1\"";
    for (const char* protocol : {"http", "https"})
      for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        ASSERT_TRUE(WriteStringValue(
            (std::string("Software\\Classes\\") + protocol + "\\shell\\open\\command").c_str(), nullptr,
            open, root));
    // A window of 640 x 480; a flat-lit globe (no night side, whatever the
    // hour); big points; a snapshot of every frame under one name.
    ASSERT_TRUE(WriteDwordValue(SettingsKey::Root, "Left", 220));
    ASSERT_TRUE(WriteDwordValue(SettingsKey::Root, "Top", 160));
    ASSERT_TRUE(WriteDwordValue(SettingsKey::Root, "Width", 640));
    ASSERT_TRUE(WriteDwordValue(SettingsKey::Root, "Height", 480));
    ASSERT_TRUE(WriteFloatValue(SettingsKey::Root, "Shadow", 3.0));
    ASSERT_TRUE(WriteDwordValue(SettingsKey::V112, "PointSize", 9));
    ASSERT_TRUE(WriteDwordValue(SettingsKey::V138, "SaveImages", 1));
    ASSERT_TRUE(WriteDwordValue(SettingsKey::V138, "Overwrite", 0));
    ASSERT_TRUE(WriteDwordValue(SettingsKey::V138, "SIInterval", 0));

    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
    Connection.ListenAddress = Own.c_str();
    if (OwnConnection) {
      ASSERT_TRUE(Connection.Open());
    }
  }
  void TearDown() override {
    if (HasFailure())   // what the screen showed when it went wrong
      SaveBmp(CaptureScreen({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}),
              std::string("failed-") + testing::UnitTest::GetInstance()->current_test_info()->name() + ".bmp");
    if (Program && !Program->Ended(0)) {
      PostMessageA(Main, WM_CLOSE, 0, 0);
      Program->Ended();
    }
    Program.reset();
    WSACleanup();
  }

  DWORD Pid() const { return Program->Id(); }
  // Started; served until a frame with this test's connection on it was saved.
  void Start() {
    Program = std::make_unique<TProcess>(Dir + "\\vantrel.exe", Dir);
    ASSERT_TRUE(Program->Started);
    Main = WindowOf(Pid(), "TMainForm");
    ASSERT_NE(Main, nullptr);
    POINT p;
    ASSERT_TRUE(WaitFor([&] { return PointOnGlobe(p); })) << "the connection was never drawn";
  }
  std::string SnapshotFile() const { return Dir + "\\images\\snapshot.jpg"; }
  // Waits until the program saved a frame drawn after this call: what it
  // was given before has been taken and drawn.
  void NextFrame() {
    TFileWatch frames(SnapshotFile());
    EXPECT_TRUE(frames.WaitForWrites(2)) << "no new frame";
  }
  // The last frame the program saved.
  TCapture Frame() {
    for (int attempt = 0;; ++attempt) {
      const std::string copy = Dir + "\\frame.jpg";
      try {
        if (CopyFileA(SnapshotFile().c_str(), copy.c_str(), FALSE)) return JpegCapture(copy);
      } catch (const Exception&) {
      }
      if (attempt > 100) return {};   // half-written every time: give up
      TFileWatch(SnapshotFile()).WaitForWrites(1, 1000);   // the next one
    }
  }
  // The middle of the red point in the last frame, in the view's pixels:
  // the red pixel with the most red around it (a hovered point's label is
  // red too, but no stroke of its text fills a square), then the middle of
  // the red around that one.
  bool PointOnGlobe(POINT& P) {
    const TCapture f = Frame();
    auto redAround = [&](int X, int Y, int R, long* SX = nullptr, long* SY = nullptr) {
      int n = 0;
      for (int y = std::max(Y - R, 0); y <= std::min(Y + R, f.Height - 1); ++y)
        for (int x = std::max(X - R, 0); x <= std::min(X + R, f.Width - 1); ++x)
          if (Red(f.At(x, y))) {
            ++n;
            if (SX) *SX += x, *SY += y;
          }
      return n;
    };
    int best = 0;
    POINT at{};
    for (int y = 0; y < f.Height; ++y)
      for (int x = 0; x < f.Width; ++x)
        if (Red(f.At(x, y)))
          if (const int n = redAround(x, y, 2); n > best) best = n, at = {x, y};
    if (best < 9) return false;   // no point: nothing fills a 3 x 3 square
    long sx = 0, sy = 0;
    const int n = redAround(at.x, at.y, 5, &sx, &sy);
    P = {static_cast<LONG>(sx / n), static_cast<LONG>(sy / n)};
    return true;
  }
  // The globe's width across the frame's middle row.
  int GlobeWidth() {
    const TCapture f = Frame();
    int first = -1, last = -1;
    for (int x = 0; x < f.Width; ++x)
      if (Brightness(f.At(x, f.Height / 2)) > 60) {
        if (first < 0) first = x;
        last = x;
      }
    return first < 0 ? 0 : last - first + 1;
  }
  POINT ViewToScreen(POINT P) { return ClientToScreenPoint(Main, P.x, P.y); }
  HWND Menu(DWORD Ms = StepTimeoutMs) { return WindowOf(Pid(), "#32768", Ms); }
  int MenusOpen() {
    struct TCount {
      DWORD Pid;
      int N;
    } c{Pid(), 0};
    EnumWindows(
        [](HWND w, LPARAM p) WINAPI -> BOOL {
          auto* c = reinterpret_cast<TCount*>(p);
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          char cls[16];
          GetClassNameA(w, cls, sizeof cls);
          c->N += pid == c->Pid && IsWindowVisible(w) && std::string(cls) == "#32768";
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&c));
    return c.N;
  }
  // Keys through the location popup, its submenus opened with Right (each
  // waited for), then Done waited for. A popup that a window taking the
  // focus closed before its keys arrived, or that is still open after them,
  // is opened again.
  bool ThroughPopup(const std::vector<WORD>& Sequence, const std::function<bool()>& Done) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (attempt > 0) std::printf("(the location popup is opened again)\n");
      OpenLocationPopup();
      bool followed = MenusOpen() > 0;
      for (auto k = Sequence.begin(); followed && k != Sequence.end(); ++k) {
        const int open = MenusOpen();
        followed = open > 0;   // not closed under the keys
        if (!followed) break;
        PressKey(*k);
        if (*k == VK_RIGHT) followed = WaitFor([&] { return MenusOpen() > open; });
        Sleep(120);
      }
      // The menu gone after the keys: its command was taken, and may take
      // long on a loaded machine (the map window waits for its browser).
      if (followed && WaitFor([&] { return MenusOpen() == 0; }, 3000)) return WaitFor(Done);
      while (MenusOpen() > 0) Keys({VK_ESCAPE});
    }
    return false;
  }
  // The window of class Class that the popup's item Downs places down opens.
  HWND FromPopup(int Downs, const char* Class) {
    std::vector<WORD> keys(static_cast<size_t>(Downs), VK_DOWN);
    keys.push_back(VK_RETURN);
    HWND w = nullptr;
    ThroughPopup(keys, [&] { return (w = Window(Class, 0)) != nullptr; });
    return w;
  }
  HWND Window(const char* Class, DWORD Ms = StepTimeoutMs) { return WindowOf(Pid(), Class, Ms); }
  // Activated as a user does it: a click on a part of it no other window
  // covers, its title bar first, else the globe's view above the HUD bar.
  void Focus() {
    RECT r;
    GetWindowRect(Main, &r);
    const int title = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    for (int y = title; y < r.bottom - 50; y += y == title ? 40 : 20)
      for (int x = r.left + 30; x < r.right - 90; x += 10)
        if (GetAncestor(WindowFromPoint({x, y}), GA_ROOT) == Main) {
          ClickAt(x, y);
          EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == Main; }))
              << "not activated; active: " << Describe(GetForegroundWindow()) << " clicked " << x << "," << y;
          // a frame drawn after it: the click was taken and the window raised
          // before the windows that the next keys open
          NextFrame();
          return;
        }
    ADD_FAILURE() << "the window is covered";
  }
  static std::string Describe(HWND W) {
    char cls[64] = {};
    GetClassNameA(W, cls, sizeof cls);
    return std::string(cls) + " \"" + TextOf(W) + "\"";
  }
  // The middles of a page control's tabs, from its tab row on the screen:
  // a tab's sides are the only dark columns that span the row's height.
  std::vector<POINT> TabMiddles(HWND Pages) {
    RECT r;
    GetWindowRect(Pages, &r);
    const TCapture c = CaptureScreen({r.left, r.top, r.right, r.top + 22});
    std::vector<int> sides;
    for (int x = 0; x < c.Width; ++x) {
      int dark = 0;
      for (int y = 2; y < 20; ++y) dark += Brightness(c.At(x, y)) < 600;
      if (dark >= 14 && (sides.empty() || x > sides.back() + 3)) sides.push_back(x);
    }
    std::vector<POINT> middles;
    for (size_t i = 1; i < sides.size(); ++i) middles.push_back({r.left + (sides[i - 1] + sides[i]) / 2, r.top + 11});
    return middles;
  }
  // The location popup: the pointer on the point, a click; tried around
  // the point's middle as read from the JPEG frame.
  void OpenLocationPopup() {
    POINT p;
    // (the last frame saved may be one without it: drawn in the full-screen
    // viewer or before the window came back)
    ASSERT_TRUE(WaitFor([&] { return PointOnGlobe(p); })) << "no point in the frames";
    const POINT tries[] = {{0, 0}, {1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 1}, {-1, -1}, {2, 0}, {0, 2}};
    for (const POINT& t : tries) {
      const POINT s = ViewToScreen({p.x + t.x, p.y + t.y});
      MoveMouseTo(s.x - 3, s.y);
      NextFrame();
      MoveMouseTo(s.x, s.y);
      NextFrame();   // hovered and drawn with its label
      ClickAt(s.x, s.y);
      if (Menu(5000)) return;
    }
    FAIL() << "no popup over the point at " << p.x << "," << p.y;
  }
  // The tray menu: a right click on the program's icon in Wine's tray.
  HWND TrayIcon() {
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    return tray ? FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr) : nullptr;
  }
  // The tray menu's items, in order: Connections Table, Analyze file,
  // Unload analyzed file, Config/About, Focus Window, Help, Exit.
  void TrayCommand(int Index) {
    HWND icon = TrayIcon();
    ASSERT_NE(icon, nullptr) << "no tray icon";
    const POINT c = Centre(icon);
    ClickAt(c.x, c.y, TInputButton::Right);
    HWND menu = Menu();
    ASSERT_NE(menu, nullptr) << "no tray menu";
    for (int i = 0; i <= Index; ++i) Keys({VK_DOWN});
    Keys({VK_RETURN});
    ASSERT_TRUE(Hidden(menu)) << "the tray menu stayed";
  }
  std::string Opened() { return StandInRecord(Dir, OpenedFile); }
  // Closed as a user closes it; it writes its settings and ends.
  void Exit() {
    PostMessageA(Main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Program->Ended());
    EXPECT_EQ(Program->ExitCode(), 0u);
  }
  void ShowHudBar() {
    RECT c;
    GetClientRect(Main, &c);
    const POINT s = ViewToScreen({c.right / 2, c.bottom - 12});
    MoveMouseTo(s.x, s.y - 1);
    NextFrame();
    MoveMouseTo(s.x, s.y);
    NextFrame();
  }
  // HUD cell k (1..10) of a bar 332 wide at the bottom of the view.
  void ClickHudCell(int K) {
    RECT c;
    GetClientRect(Main, &c);
    ShowHudBar();
    const POINT s = ViewToScreen({c.right / 2 - 166 + 33 * (K - 1) + 16, c.bottom - 18});
    MoveMouseTo(s.x, s.y);
    NextFrame();
    ClickAt(s.x, s.y);
  }
};

TEST_F(Acceptance, EveryTrayCommandDoesWhatItSays) {
  Start();

  // Connections Table
  TrayCommand(0);
  HWND table = Window("TForm2");
  ASSERT_NE(table, nullptr);
  PostMessageA(table, WM_CLOSE, 0, 0);
  ASSERT_TRUE(Hidden(table));

  // Analyze file: the file chosen in the dialog is analysed and shown
  WriteTextFile(Dir + "\\found.txt", "a visitor from " + Own + " and one from 8.8.8.8\r\n");
  TrayCommand(1);
  HWND dialog = Window("#32770");
  ASSERT_NE(dialog, nullptr) << "no file dialog";
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog; })) << "the file dialog has no focus";
  TypeText(Dir + "\\found.txt");
  Keys({VK_RETURN});
  HWND analysed = Window("TForm6");
  ASSERT_NE(analysed, nullptr) << "no analysed-file window";
  HWND progress = Window("TForm5", 0);
  if (progress) {
    ASSERT_TRUE(Hidden(progress));
  }
  NextFrame();   // the scan's end: analyse mode
  // Unload analyzed file: the live connections come back
  TrayCommand(2);
  ASSERT_TRUE(Hidden(analysed));

  // Config/About, with stay-on-top through its check box
  TrayCommand(3);
  HWND options = Window("Taform");
  ASSERT_NE(options, nullptr);
  Toggle(Descendant(options, "TCheckBox", "&Stay on top when windowed"));
  Close(options, "OK");
  EXPECT_TRUE(WaitFor([&] { return (GetWindowLongPtrA(Main, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }));
  EXPECT_EQ(ReadDwordValue(SettingsKey::V112, "StayOnTop"), 1u);

  // Focus Window brings the hidden window back to the front
  // (a double click on the icon hides it; one that a loaded machine saw
  // as two clicks is given again)
  const POINT icon = Centre(TrayIcon());
  for (int i = 0; i < 3 && IsWindowVisible(Main); ++i) {
    DoubleClickAt(icon.x, icon.y);
    Hidden(Main, 5000);   // long enough to see it hide; else the double click again
  }
  ASSERT_FALSE(IsWindowVisible(Main));
  TrayCommand(4);
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(Main) && GetForegroundWindow() == Main; }));

  // Help opens the help page in the browser
  TrayCommand(5);
  EXPECT_TRUE(WaitFor([&] { return Opened().find("https://vantrel.org/help.html") != std::string::npos; }))
      << Opened();

  // Exit
  TrayCommand(6);
  ASSERT_TRUE(Program->Ended());
  EXPECT_EQ(Program->ExitCode(), 0u);
}

TEST_F(Acceptance, TheLocationPopupShowsDetailsTheWebMapAndTheTable) {
  Start();
  // Details: the row of this test's connection, its process page
  // Details, the address, its row, the row's last command: the page of the
  // process that owns the connection
  EXPECT_TRUE(ThroughPopup({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_RIGHT, VK_UP, VK_RETURN},
                           [&] { return Opened().find("/directory/?files=test_acceptance.exe") != std::string::npos; }))
      << Opened();

  // Show on Web Map: the map window on the place, not the notice
  HWND map = FromPopup(6, "TfrmMain");
  ASSERT_NE(map, nullptr) << "no map window";
  char caption[64] = {};
  GetWindowTextA(map, caption, sizeof caption);
  EXPECT_STREQ(caption, " Web Map Window");
  EXPECT_EQ(Window("TForm7", 0), nullptr);
  NextFrame();   // (painted before the frame that follows it)
  RECT r;
  GetWindowRect(map, &r);
  SaveBmp(CaptureScreen(r), "acceptance-map-window.bmp");
  // Closed (it lies over the point) with Alt+F4 once it is the active
  // window: a click on its title bar first
  const int title = GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  ClickAt((r.left + r.right) / 2, r.top + title);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == map; }));
  PressKeys({VK_MENU, VK_F4});
  ASSERT_TRUE(Hidden(map));
  ASSERT_TRUE(IsWindowVisible(Main)) << "the main window closed instead";

  // Connections Table
  EXPECT_NE(FromPopup(5, "TForm2"), nullptr);
  Exit();
}

// The connection to this test's address is held by another program.
class AcceptanceOfAHeldConnection : public Acceptance {
protected:
  void SetUp() override {
    OwnConnection = false;
    Acceptance::SetUp();
  }
};

TEST_F(AcceptanceOfAHeldConnection, TheLocationPopupOpensTheWhoisPageAndTerminatesTheOwnerOfTheConnection) {
  ASSERT_TRUE(PlaceStandIn(Dir, HolderName));
  TProcess holder(Dir + "\\" + HolderName, Dir, Own);
  ASSERT_TRUE(holder.Started);
  ASSERT_FALSE(holder.Ended(0)) << "the holder could not connect";
  Start();   // the held connection is drawn

  // IP Whois, the address: its whois page
  EXPECT_TRUE(ThroughPopup({VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN},
                           [&] { return Opened().find("/whois/" + Own) != std::string::npos; }))
      << Opened();

  // Details, the address, its first row (the holder's), Terminate Process:
  // the holder ends (its row's commands: Close Connection, Terminate
  // Process, Process Information)
  EXPECT_TRUE(ThroughPopup({VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_RIGHT, VK_UP, VK_UP,
                            VK_RETURN},
                           [&] { return holder.Ended(0); }))
      << "the holder still runs";

  // Exit, from the tray menu
  TrayCommand(6);
  ASSERT_TRUE(Program->Ended());
  EXPECT_EQ(Program->ExitCode(), 0u);
}

// The route to this test's address passes two routers that the database
// places. Traced for real in a network namespace of our own
// (tests/acceptance/netns-route makes it and runs this case there): the
// kernel answers no echo, and routers forged at the two addresses after
// Own answer the first two probes with "time exceeded" before Own answers.
class AcceptanceOfARoute : public Acceptance {
protected:
  void SetUp() override {
    Routers = true;
    Acceptance::SetUp();
  }
};

// The colour of the route's hops (Color2, magenta) as a JPEG keeps it.
bool Magenta(uint32_t C) {
  return (C >> 16 & 0xFF) > 120 && (C >> 8 & 0xFF) < 90 && (C & 0xFF) > 120;
}

TEST_F(AcceptanceOfARoute, TheLocationPopupTracesTheRouteToAPlaceAndDrawsIt) {
  const char* inside = std::getenv("VANTREL_NETNS_ROUTE");
  if (!inside || std::string(inside) != "1")
    GTEST_SKIP() << "skipped: runs only inside the namespace tests/acceptance/netns-route makes";
  NetComponent_Initialize();
  struct TFinalize {
    ~TFinalize() { NetComponent_Finalize(); }
  } finalize;
  {
    TNetIcmpClient stackHolder(nullptr);   // sockets need a component alive
    TNetSocketHandle listener, r1, r2, target;
    listener.OpenSocket(ws::sockRaw, ws::ipprotoIcmp);
    TNetSocketHandle* senders[3] = {&r1, &r2, &target};
    const std::string addresses[3] = {Net + "10", Net + "11", Own};
    for (int i = 0; i < 3; ++i) {
      senders[i]->OpenSocket(ws::sockRaw, ws::ipprotoIcmp);
      senders[i]->IP = addresses[i];
      senders[i]->Bind();
    }
    const uint32_t own = DottedToHost(Own);
    const uint8_t targetAddress[4] = {static_cast<uint8_t>(own >> 24), static_cast<uint8_t>(own >> 16),
                                      static_cast<uint8_t>(own >> 8), static_cast<uint8_t>(own)};
    std::atomic<int> forged{0};
    std::atomic<bool> done{false};
    // probes 1 and 2 answered by the routers, 3 and more by the target,
    // for as long as the case runs
    std::thread forger([&] {
      while (!done)
        ForgeRoute(listener, targetAddress,
                   [&](int Ttl) { return TForgedHop{senders[std::min(Ttl, 3) - 1], Ttl >= 3}; }, forged);
    });
    struct TJoin {
      std::atomic<bool>& Done;
      std::thread& Thread;
      ~TJoin() {
        Done = true;
        Thread.join();
      }
    } join{done, forger};

    Start();
    const auto routePixels = [&](RECT& Box) {
      const TCapture f = Frame();
      int n = 0;
      Box = {f.Width, f.Height, -1, -1};
      for (int y = 0; y < f.Height; ++y)
        for (int x = 0; x < f.Width; ++x)
          if (Magenta(f.At(x, y))) {
            ++n;
            Box = {std::min<LONG>(Box.left, x), std::min<LONG>(Box.top, y), std::max<LONG>(Box.right, x),
                   std::max<LONG>(Box.bottom, y)};
          }
      return n;
    };
    RECT box{};
    EXPECT_EQ(routePixels(box), 0) << "a route before the trace";
    POINT cairo;
    ASSERT_TRUE(PointOnGlobe(cairo));

    // Traceroute, the address: the route Paris, Rome, Cairo is drawn, from
    // Paris, north-west of Cairo, to Cairo
    EXPECT_TRUE(ThroughPopup({VK_DOWN, VK_RIGHT, VK_RETURN}, [&] { return forged >= 3; }))
        << "no probe was answered (" << forged << ")";
    EXPECT_TRUE(WaitFor([&] { return routePixels(box) > 40 && box.right - box.left > 20 && box.bottom - box.top > 20; },
                        60000))
        << "no route drawn: " << routePixels(box) << " pixels in " << box.left << "," << box.top << " - " << box.right
        << "," << box.bottom;
    // (the hop at Cairo covers the connection's point there)
    EXPECT_NEAR(box.right, cairo.x, 8) << "the route ends at Cairo";
    EXPECT_NEAR(box.bottom, cairo.y, 8) << "the route ends at Cairo";
    EXPECT_LT(box.left, cairo.x - 40) << "the route starts west of Cairo";
    EXPECT_LT(box.top, cairo.y - 20) << "the route starts north of Cairo";
    SaveBmp(Frame(), "acceptance-route.bmp");
    std::printf("forged answers: %d; route drawn in %ld,%ld - %ld,%ld, Cairo at %ld,%ld\n", forged.load(), box.left,
                box.top, box.right, box.bottom, cairo.x, cairo.y);

    // Exit, from the tray menu
    TrayCommand(6);
    ASSERT_TRUE(Program->Ended());
    EXPECT_EQ(Program->ExitCode(), 0u);
  }
}

TEST_F(Acceptance, HudCellsAndKeysAndDesktopModeClosingTheSideWindows) {
  Start();
  // Page Up shows more of the scene, Page Down less (read before the
  // options window first opens: it makes the snapshot period the refresh's)
  Focus();
  const int before = GlobeWidth();
  Keys({VK_PRIOR, VK_PRIOR});
  EXPECT_TRUE(WaitFor([&] { return GlobeWidth() < before - 40; })) << before;
  const int farther = GlobeWidth();
  Keys({VK_NEXT, VK_NEXT, VK_NEXT, VK_NEXT});
  EXPECT_TRUE(WaitFor([&] { return GlobeWidth() > farther + 60; })) << farther;

  // HUD cell 9: the options window
  ClickHudCell(9);
  HWND options = Window("Taform");
  ASSERT_NE(options, nullptr);
  Close(options, "Cancel");

  // F: full screen in the full-screen viewer (the system reports a version
  // below 9); F there: back
  Focus();
  Keys({'F'});
  EXPECT_TRUE(Hidden(Main));
  Keys({'F'});
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(Main) != FALSE; }));

  // Side windows: the map (the popup), the options (A), the table (F2)
  Focus();
  HWND map = FromPopup(6, "TfrmMain");
  ASSERT_NE(map, nullptr);
  Focus();
  Keys({'A'});
  options = Window("Taform");
  ASSERT_NE(options, nullptr);
  Focus();
  Keys({VK_F2});
  HWND table = Window("TForm2");
  ASSERT_NE(table, nullptr);

  // I: desktop mode, a borderless square; the side windows close
  Focus();
  Keys({'I'});
  EXPECT_TRUE(WaitFor([&] { return (GetWindowLongPtrA(Main, GWL_STYLE) & WS_CAPTION) == 0; }));
  EXPECT_TRUE(Hidden(options));
  EXPECT_TRUE(Hidden(table));
  EXPECT_TRUE(Hidden(map));
  RECT r{};
  EXPECT_TRUE(WaitFor(
      [&] {
        GetWindowRect(Main, &r);
        return r.right - r.left == 512 && r.bottom - r.top == 512;
      }))
      << r.right - r.left << " x " << r.bottom - r.top;
  NextFrame();
  SaveBmp(CaptureScreen({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}),
          "acceptance-desktop-mode.bmp");
  SaveBmp(Frame(), "acceptance-desktop-mode-globe.bmp");
  Exit();
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Implant"), 1u);
}

TEST_F(Acceptance, OptionsOfEachPageAreStoredByOkAndNothingByCancel) {
  Start();
  Focus();
  Keys({'A'});
  HWND options = Window("Taform");
  ASSERT_NE(options, nullptr);
  Toggle(Descendant(options, "TCheckBox", "&Stay on top when windowed"));
  // the other pages, each by its tab (waited for until its boxes show)
  HWND pages = Descendant(options, "TPageControl", "");
  ASSERT_NE(pages, nullptr);
  const std::vector<POINT> tabs = TabMiddles(pages);
  ASSERT_EQ(tabs.size(), 5u);
  // (a tab is clicked again when its page did not come: clicking a tab
  // that is shown changes nothing)
  const auto page = [&](int Tab, const char* Class, const char* Text) {
    HWND control = nullptr;
    for (int attempt = 0; attempt < 3 && !control; ++attempt) {
      ClickAt(tabs[Tab].x, tabs[Tab].y);
      WaitFor([&] { return (control = Descendant(options, Class, Text)) != nullptr; }, StepTimeoutMs / 3);
    }
    EXPECT_NE(control, nullptr) << Text;
    return control;
  };
  Toggle(page(1, "TCheckBox", "S&how Globe grid"));
  Toggle(page(2, "TCheckBox", "Show &Info Baloons"));
  HWND countries = page(3, "TCheckListBox", "");
  ASSERT_NE(countries, nullptr);
  const auto ask = [&](UINT Message) {
    DWORD_PTR r = static_cast<DWORD_PTR>(LB_ERR);
    SendMessageTimeoutA(countries, Message, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
    return static_cast<LRESULT>(r);
  };
  ASSERT_TRUE(WaitFor([&] { return ask(LB_GETCOUNT) > 0; })) << "no countries";
  RECT l;
  GetWindowRect(countries, &l);
  ClickAt(l.left + 8, l.top + 9);   // the first country's box
  // the click that selects the row checks its box
  ASSERT_TRUE(WaitFor([&] { return ask(LB_GETCURSEL) == 0; })) << "the first country was not clicked";
  Close(options, "OK");
  EXPECT_EQ(ReadDwordValue(SettingsKey::V112, "StayOnTop"), 1u);
  const std::string ext = ReadStringValue(SettingsKey::V141, "ExtOpt");
  ASSERT_EQ(ext.size(), 31u) << ext;
  EXPECT_EQ(ext.substr(0, 3), "100") << "grid and balloons off";
  EXPECT_EQ(ext[30], '\x01') << "the first country";

  // Cancel writes nothing (the main window now stays on top and may lie
  // over the box: Cancel must write nothing either way)
  DeleteKeyTree(SettingsKey::V112);
  Focus();
  Keys({'A'});
  options = Window("Taform");
  ASSERT_NE(options, nullptr);
  ClickWindow(Descendant(options, "TCheckBox", "&Stay on top when windowed"));
  Close(options, "Cancel");
  EXPECT_FALSE(KeyExists(SettingsKey::V112));

  // "Highlight Shadow" darkens the night side again; the exit stores it
  Focus();
  Keys({'H'});
  Exit();
  EXPECT_NEAR(ReadFloatValue(SettingsKey::Root, "Shadow"), 0.2, 1e-6);
}

TEST_F(Acceptance, MinimisedToTheTrayItComesBackAsItWas) {
  Start();
  ShowHudBar();
  const TCapture before = Frame();
  const int width = GlobeWidth();
  // the title bar's minimise button
  RECT w;
  GetWindowRect(Main, &w);
  POINT button{};
  for (int x = w.right - 2; x > w.left && !button.x; --x)
    for (int y = w.top + 2; y < w.top + 30 && !button.x; ++y)
      if (SendMessageA(Main, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTMINBUTTON) button = {x - 3, y + 3};
  ASSERT_NE(button.x, 0) << "no minimise button";
  ClickAt(button.x, button.y);
  ASSERT_TRUE(Hidden(Main));
  ASSERT_TRUE(WaitFor([&] { return TrayIcon() != nullptr; })) << "no tray icon";
  // (a double click that a loaded machine saw as two clicks is given again)
  const POINT icon = Centre(TrayIcon());
  const auto restored = [&] { return IsWindowVisible(Main) && !IsIconic(Main); };
  for (int i = 0; i < 3 && !restored(); ++i) {
    DoubleClickAt(icon.x, icon.y);
    WaitFor(restored, 5000);
  }
  ASSERT_TRUE(WaitFor(restored));
  ShowHudBar();
  const TCapture after = Frame();
  EXPECT_EQ(GlobeWidth(), width) << "the same zoom";
  ASSERT_EQ(after.Width, before.Width);
  ASSERT_EQ(after.Height, before.Height);
  // the HUD bar's band shows the bar as before
  int alike = 0, all = 0;
  for (int y = after.Height - 34; y < after.Height; ++y)
    for (int x = 0; x < after.Width; ++x, ++all)
      alike += std::abs(Brightness(after.At(x, y)) - Brightness(before.At(x, y))) < 60;
  EXPECT_GT(alike, all * 9 / 10);
  SaveBmp(after, "acceptance-restored.bmp");
  Exit();
  EXPECT_NEAR(ReadFloatValue(SettingsKey::Root, "FOV"), 0.4, 1e-6);
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Left"), 220u);
}

TEST_F(Acceptance, ABrokenLineThicknessInTheRegistryStillDrawsWithoutAnErrorBox) {
  ASSERT_TRUE(WriteDwordValue(SettingsKey::V112, "LineThickness", 256));
  ASSERT_TRUE(WriteDwordValue(SettingsKey::V112, "PointSize", 0));
  Start();   // its point drawn
  // a few more frames drawn after it: an error box would have come with the first
  TFileWatch frames(SnapshotFile());
  ASSERT_TRUE(frames.WaitForWrites(5));
  EXPECT_EQ(Window("#32770", 0), nullptr) << "an error box";
  POINT p;
  EXPECT_TRUE(PointOnGlobe(p));
  Exit();
}

}  // namespace
