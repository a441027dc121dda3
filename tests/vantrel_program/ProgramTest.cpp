// The real vantrel.exe, started as a user starts it from a folder holding a
// database and myloc.txt: it polls, logs this test's own connection, and
// ends on WM_CLOSE writing its settings; a second instance is turned away;
// without myloc.txt it hands over to the wizard.
#include <gtest/gtest.h>
#include <winsock.h>

#include <array>
#include <map>

#include "GLTestWindow.h"
#include "GuiTest.h"
#include "HeldInstall.h"
#include "LocationFixture.h"
#include "RegistryValues.h"
#include "LoopbackSockets.h"
#include "ProgramRunner.h"
#include "TestPaths.h"
#include "classlib/Jpeg.h"
#include "classlib/SysUtils.h"
#include "classlib/WinHandles.h"

namespace {

const char* const Marker = "wizard-started.txt";

// Started as the wizard's stand-in (a copy named vantrelwiz.exe), this
// program leaves a marker with its command line and ends.
[[maybe_unused]] const bool Wizard = StandIn("vantrelwiz.exe", Marker);

// The program reads and writes HKEY_CURRENT_USER\Software\Vantrel of this
// Wine prefix: the key is set aside for the test and put back after it.
// Test programs that touch it take turns.
class ProgramTest : public testing::Test {
protected:
  std::string Backup = "Software\\VantrelTests\\Saved" + IntToStr(GetCurrentProcessId());
  HANDLE Turn = nullptr;
  bool Saved = false;
  std::string Dir;

  void SetUp() override {
    Turn = CreateMutexA(nullptr, FALSE, "VantrelTestsUserSettings");
    ASSERT_NE(WaitForSingleObject(Turn, 120000), WAIT_TIMEOUT);
    HKEY src;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKey::Root, 0, KEY_READ, &src) == ERROR_SUCCESS) {
      HKEY dst;
      RegCreateKeyExA(HKEY_CURRENT_USER, Backup.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &dst,
                      nullptr);
      ASSERT_EQ(RegCopyTreeA(src, nullptr, dst), ERROR_SUCCESS);
      RegCloseKey(dst);
      RegCloseKey(src);
      Saved = true;
    }
    DeleteKeyTree(SettingsKey::Root);
    Dir = TempFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
    CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
    WriteLocationFixture(Dir + "\\data",
                         "1.0.0.0,1.255.255.255,FR,Paris,48.85,2.35\n"
                         "127.0.0.0,127.255.255.255,AU,Loopback Bay,-33.87,151.21\n");
    ASSERT_TRUE(PlaceBuiltProgram("vantrel.exe", Dir)) << BuiltProgram("vantrel.exe");
  }
  void TearDown() override {
    DeleteKeyTree(SettingsKey::Root);
    if (Saved) {
      HKEY src, dst;
      RegOpenKeyExA(HKEY_CURRENT_USER, Backup.c_str(), 0, KEY_READ, &src);
      RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey::Root, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &dst, nullptr);
      RegCopyTreeA(src, nullptr, dst);
      RegCloseKey(dst);
      RegCloseKey(src);
      DeleteKeyTree(Backup.c_str());
    }
    ReleaseMutex(Turn);
    CloseHandle(Turn);
  }
  void WriteHome() { WriteTextFile(Dir + "\\myloc.txt", HomeFileText); }
  std::string Program() const { return Dir + "\\vantrel.exe"; }
};

TEST_F(ProgramTest, PollsLogsItsOwnConnectionAndEndsOnCloseWritingItsSettings) {
  WriteHome();
  ASSERT_TRUE(WriteDwordValue(SettingsKey::Root, "Width", 420));
  ASSERT_TRUE(WriteDwordValue(SettingsKey::Root, "Height", 310));
  ASSERT_TRUE(WriteStringValue(SettingsKey::V141, "ExtOpt", "111106XXX301"));   // connection logging on
  // A snapshot of every frame, under one name.
  ASSERT_TRUE(WriteDwordValue(SettingsKey::V138, "SaveImages", 1));
  ASSERT_TRUE(WriteDwordValue(SettingsKey::V138, "Overwrite", 0));
  ASSERT_TRUE(WriteDwordValue(SettingsKey::V138, "SIInterval", 0));
  // A flat-lit globe: no night side, whatever the hour of the run.
  ASSERT_TRUE(WriteFloatValue(SettingsKey::Root, "Shadow", 3.0));
  // An earth texture of blue and grey stripes.
  Jpeg_Initialize();
  {
    TJPEGImage texture;
    texture.Assign(MakeBitmap(512, 256, [](int X, int) -> uint32_t { return (X / 32) % 2 ? 0x0000C0 : 0x808080; }).get());
    texture.SaveToFile(Dir + "\\data\\texture.jpg");
  }

  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
  // an address of 127.0.0.0/8 other than 127.0.0.1 counts as public
  const std::string own = "127." + IntToStr(20 + GetCurrentProcessId() % 200) + ".41.7";
  TLoopbackConnection c;
  c.ListenAddress = own.c_str();
  ASSERT_TRUE(c.Open());

  TProcess p(Program(), Dir);
  ASSERT_TRUE(p.Started);
  HWND main = WindowOf(p.Id(), "TMainForm");
  ASSERT_NE(main, nullptr);
  RECT r;
  GetWindowRect(main, &r);
  EXPECT_EQ(r.right - r.left, 420);
  // Every frame rewrites the snapshot. The first frames come together as
  // the window shows; after them a frame comes with each poll: two writes
  // that each follow a pause are two polls.
  const std::string snapshotFile = Dir + "\\images\\snapshot.jpg";
  int polls = 0, writes = 0;
  DWORD lastSeen = GetTickCount();
  TFileWatch frames(snapshotFile);
  WaitFor(
      [&] {
        if (!frames.Changed()) return false;
        if (writes++ > 0 && GetTickCount() - lastSeen > 700) ++polls;
        lastSeen = GetTickCount();
        return polls == 2;
      },
      60000);
  EXPECT_EQ(polls, 2);
  EXPECT_FALSE(p.Ended(0));
  PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(p.Ended());
  EXPECT_EQ(p.ExitCode(), 0u);
  WSACleanup();

  const std::string log = ReadTextFile(Dir + "\\tcp.log");
  EXPECT_EQ(log.substr(0, 70),
            "IP [country]              Connection start            Connection End\r\n");
  const size_t at = log.find("\r\n" + own + " [AU]");
  ASSERT_NE(at, std::string::npos) << log;
  const std::string line = log.substr(at + 2, log.find("\r\n", at + 2) - at - 2);
  EXPECT_EQ(line.find("Start:"), 22u) << line;
  EXPECT_EQ(line.substr(line.size() - 21), " [Program terminated]");

  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Width"), 420u);
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Height"), 310u);
  DWORD size = 0;
  EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, SettingsKey::Root, "FOV", RRF_RT_REG_BINARY, nullptr,
                         nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(ReadTextFile(Dir + "\\ana.cfg"), "1\r\n1\r\n1\r\n0\r\n0\r\n");

  // The last frame it drew: the textured globe with home, green, at its middle.
  const std::string snapshot = Dir + "\\images\\snapshot.jpg";
  ASSERT_TRUE(FileExists(snapshot));
  CopyFileA(snapshot.c_str(), "program-globe.jpg", FALSE);
  TJPEGImage shot;
  shot.LoadFromFile(snapshot);
  TBitmap* b = shot.Bitmap();
  ASSERT_GT(b->Width(), 300);
  auto pixel = [&](int X, int Y) {
    const auto* row = static_cast<const uint8_t*>(b->ScanLine(Y));
    return std::array<int, 3>{row[3 * X + 2], row[3 * X + 1], row[3 * X]};
  };
  int home = 0, blue = 0, grey = 0;
  for (int y = b->Height() / 2 - 4; y <= b->Height() / 2 + 4; ++y)
    for (int x = b->Width() / 2 - 4; x <= b->Width() / 2 + 4; ++x) {
      const auto p = pixel(x, y);
      home += p[1] > p[0] + 80 && p[1] > p[2] + 80;
    }
  for (int y = 0; y < b->Height(); y += 3)
    for (int x = 0; x < b->Width(); x += 3) {
      const auto p = pixel(x, y);
      blue += p[2] > 60 && p[2] > 2 * p[0] + 20 && p[2] > 2 * p[1] + 20;
      grey += p[0] > 40 && std::abs(p[0] - p[1]) < 20 && std::abs(p[1] - p[2]) < 20;
    }
  EXPECT_GT(home, 3);
  EXPECT_GT(blue, 300);
  EXPECT_GT(grey, 300);
  const auto corner = pixel(1, 1);
  EXPECT_LT(corner[0] + corner[1] + corner[2], 30);   // black around the globe
}

TEST_F(ProgramTest, AWindowStoredOffEveryScreenComesBackOnTheScreen) {
  WriteHome();
  for (const char* name : {"Left", "Top"}) ASSERT_TRUE(WriteDwordValue(SettingsKey::Root, name, 100000));
  ASSERT_TRUE(WriteDwordValue(SettingsKey::Root, "Width", 420));
  ASSERT_TRUE(WriteDwordValue(SettingsKey::Root, "Height", 310));
  TProcess p(Program(), Dir);
  HWND main = WindowOf(p.Id(), "TMainForm");
  ASSERT_NE(main, nullptr);
  RECT r, screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, common;
  GetWindowRect(main, &r);
  EXPECT_TRUE(IntersectRect(&common, &r, &screen) && EqualRect(&common, &r)) << r.left << "," << r.top;
  EXPECT_EQ(r.right - r.left, 344);
  EXPECT_EQ(r.bottom - r.top, 304);
  // its caption is drawn on the screen
  const RECT caption{r.left, r.top, r.right, r.top + GetSystemMetrics(SM_CYCAPTION)};
  EXPECT_TRUE(WaitFor([&] {
    const TCapture c = CaptureScreen(caption);
    return c.Count(0) < c.Width * c.Height / 4;
  })) << "no caption on the screen";
  SaveBmp(CaptureScreen(screen), "program-window-back-on-screen.bmp");
  PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(p.Ended());
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Left"), static_cast<DWORD>(r.left));
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Top"), static_cast<DWORD>(r.top));
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Width"), 344u);
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Height"), 304u);
}

TEST_F(ProgramTest, ASecondInstanceIsToldSoAndEndsLeavingTheFirstAlone) {
  WriteHome();
  TProcess first(Program(), Dir);
  HWND main = WindowOf(first.Id(), "TMainForm");
  ASSERT_NE(main, nullptr);

  TProcess second(Program(), Dir);
  HWND box = WindowOf(second.Id(), "#32770");
  ASSERT_NE(box, nullptr);
  char caption[64];
  GetWindowTextA(box, caption, sizeof caption);
  EXPECT_STREQ(caption, "Vantrel");
  EXPECT_EQ(TextOfChild(box, "Static"), "Vantrel is already running.");
  SaveBmp(CaptureClient(box), "second-instance.bmp");
  EXPECT_EQ(WindowOf(second.Id(), "TMainForm", 0), nullptr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(second.Ended());
  EXPECT_EQ(second.ExitCode(), 0u);

  EXPECT_FALSE(first.Ended(0));
  EXPECT_TRUE(IsWindow(main));
  PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(first.Ended());
  EXPECT_EQ(first.ExitCode(), 0u);
}

TEST_F(ProgramTest, WithoutAHomeFileTheWizardIsStartedAndNothingIsWritten) {
  ASSERT_TRUE(PlaceStandIn(Dir, "vantrelwiz.exe"));
  TProcess p(Program(), Dir);
  ASSERT_TRUE(p.Ended());
  EXPECT_EQ(p.ExitCode(), 0u);
  ASSERT_TRUE(WaitForFile(Dir + "\\" + Marker)) << "the wizard was not started";
  std::string cmd;
  ASSERT_TRUE(WaitFor([&] { return !(cmd = StandInRecord(Dir, Marker)).empty(); }));
  ASSERT_NE(cmd.find("vantrelwiz.exe"), std::string::npos) << cmd;
  EXPECT_EQ(Trim(cmd.substr(cmd.find("vantrelwiz.exe") + 14)).find_first_not_of("\""),
            std::string::npos)
      << cmd;   // no parameters
  EXPECT_FALSE(KeyExists(SettingsKey::Root));
  EXPECT_FALSE(FileExists(Dir + "\\ana.cfg"));
  EXPECT_FALSE(FileExists(Dir + "\\tcp.log"));
}

// True while a process has the file open, as the program keeps geoip.dat.
bool HeldOpen(const std::string& File) {
  TFileHandle h(CreateFileA(File.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  return !h && GetLastError() == ERROR_SHARING_VIOLATION;
}

// An update of the database held between two of its moves by the wizard
// (here this process, holding the install lock): the program started then
// waits for it, says why it shows no places, and never opens the half
// changed folder. An update a crash cut short there is finished by the next
// start before the database is opened. Folders of the user's named like an
// installation's are never touched.
TEST_F(ProgramTest, AnInstallationIsNeverLoadedHalfWayAndACrashCutShortIsFinishedAtStart) {
  WriteHome();
  const std::map<std::string, std::string> mine{
      {"data.new\\notes.txt", "my notes"}, {"data.old\\geoip.dat", "older"}, {"data.old\\readme.txt", "readme"},
      {"data.ready\\geoip.dat", "g"},       {"data.ready\\cities.dat", "c"}, {"data.ready\\r.dat", "r"},
      {"data.del\\keep.txt", "keep"}};
  for (const auto& [name, bytes] : mine) {
    CreateDirectoryA((Dir + "\\" + name.substr(0, name.find('\\'))).c_str(), nullptr);
    WriteTextFile(Dir + "\\" + name, bytes);
  }
  CreateDirectoryA((Dir + "\\fresh").c_str(), nullptr);
  WriteLocationFixture(Dir + "\\fresh", "2.0.0.0,2.255.255.255,DE,Berlin,52.52,13.40\n");
  const auto update = [&](TStopAtMove& Files) {
    TInstallResult result = TInstallResult::irFailed;
    std::string error;
    EXPECT_EQ(InstallThrough(Dir, Dir + "\\fresh", Files, result, error), "data.new2") << error;
    return result == TInstallResult::irInstalled ? std::string() : error;
  };
  {
    TInstallLock wizard;
    ASSERT_TRUE(wizard.Owned());
    TStopAtMove held;
    held.At = "data\\cities.dat";
    held.OnStop = [&] {
      TProcess p(Program(), Dir);
      HWND box = WindowOf(p.Id(), "#32770", InstallLockWaitMs + 30000);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(TextOfChild(box, "Static").find("The location database is being installed by the Vantrel "
                                                "Database Wizard.\n\nVantrel shows the connections without"),
                0u);
      EXPECT_TRUE(WaitFor([&] { return CaptureClient(box).Count(0x000000) > 0; })) << "the box shows no text";
      SaveBmp(CaptureClient(box), "installing-box.bmp");
      EXPECT_FALSE(HeldOpen(Dir + "\\data\\geoip.dat"));
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      HWND main = WindowOf(p.Id(), "TMainForm");
      ASSERT_NE(main, nullptr);
      EXPECT_FALSE(HeldOpen(Dir + "\\data\\geoip.dat"));
      PostMessageA(main, WM_CLOSE, 0, 0);
      EXPECT_TRUE(p.Ended());
    };
    EXPECT_EQ(update(held), "");
  }
  for (const char* f : DatabaseFiles) EXPECT_EQ(ReadTextFile(Dir + "\\data\\" + f), ReadTextFile(Dir + "\\fresh\\" + f));

  // The next update dies there; the old files went aside into a folder of
  // its own.
  WriteLocationFixture(Dir + "\\fresh", "3.0.0.0,3.255.255.255,IT,Rome,41.90,12.50\n");
  TStopAtMove crash;
  crash.At = "data\\cities.dat";
  crash.OnStop = [] { throw 0; };
  ASSERT_EQ(update(crash), "cut short");
  ASSERT_FALSE(WholeDatabase(Dir + "\\data"));
  TProcess p(Program(), Dir);
  HWND main = WindowOf(p.Id(), "TMainForm", 20000);
  ASSERT_NE(main, nullptr);
  for (const char* f : DatabaseFiles) EXPECT_EQ(ReadTextFile(Dir + "\\data\\" + f), ReadTextFile(Dir + "\\fresh\\" + f)) << f;
  EXPECT_TRUE(HeldOpen(Dir + "\\data\\geoip.dat"));   // the database in use is the new one
  for (const char* f : {"data.new2", "data.old2", "data.journal"}) EXPECT_FALSE(FileExists(Dir + "\\" + f) || DirectoryExists(Dir + "\\" + f)) << f;
  for (const auto& [name, bytes] : mine) EXPECT_EQ(ReadTextFile(Dir + "\\" + name), bytes) << name;
  PostMessageA(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(p.Ended(20000));
}

}  // namespace
