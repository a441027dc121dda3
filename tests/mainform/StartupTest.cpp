// The main window's start-up, first showing and end, in a folder holding a
// fixture database and myloc.txt, with a scratch registry.
#include <algorithm>
#include <utility>

#include "GuiTest.h"
#include "MainFormFixture.h"
#include "RegistryValues.h"
#include "classlib/ExtCtrls.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

namespace {

// A picture's pixels (0x00RRGGBB).
TCapture PictureOf(HBITMAP Bitmap, int Width, int Height) {
  TCapture c;
  c.Width = Width;
  c.Height = Height;
  c.Pixels.resize(static_cast<size_t>(Width) * static_cast<size_t>(Height));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Bitmap);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const COLORREF p = GetPixel(dc, x, y);
      c.Pixels[static_cast<size_t>(y) * Width + x] = GetRValue(p) << 16 | GetGValue(p) << 8 | GetBValue(p);
    }
  SelectObject(dc, old);
  DeleteDC(dc);
  return c;
}

// The column header of the popup table as the user is to see it: white, a
// black last row, and in the system's menu font, 3 pixels from the top,
// "Local IP:Port" at 6, "Remote IP:Port" one address column on, "State" two
// on and "Process Name" one state column after that.
TCapture ExpectedPopupHeader() {
  NONCLIENTMETRICSA m{};
  m.cbSize = 340;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &m, 0);
  HFONT font = CreateFontIndirectA(&m.lfMenuFont);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ oldFont = SelectObject(dc, font);
  auto width = [dc](const std::string& Text) {
    SIZE s{};
    GetTextExtentPoint32A(dc, Text.c_str(), static_cast<int>(Text.size()), &s);
    return static_cast<int>(s.cx);
  };
  const int address = width("123.456.789.034:87659        "), state = width("SYN_RECEIVED    ");
  SIZE tg{};
  GetTextExtentPoint32A(dc, "Tg", 2, &tg);
  const int w = 2 * address + 6 + state + width("[System process]          "), h = tg.cy + 6;
  HBITMAP picture = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ oldPicture = SelectObject(dc, picture);
  const RECT all{0, 0, w, h};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  for (int x = 0; x < w; ++x) SetPixel(dc, x, h - 1, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  const std::pair<int, std::string> titles[] = {{6, "Local IP:Port"},
                                                {address + 6, "Remote IP:Port"},
                                                {2 * address + 6, "State"},
                                                {2 * address + 6 + state, "Process Name"}};
  for (const auto& [x, text] : titles) TextOutA(dc, x, 3, text.c_str(), static_cast<int>(text.size()));
  SelectObject(dc, oldPicture);
  SelectObject(dc, oldFont);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  TCapture c = PictureOf(picture, w, h);
  DeleteObject(picture);
  DeleteObject(font);
  return c;
}

// A message box stays up while messages go on: the recorded box lets them
// through until a timer of its own has ticked five times, noting the polls
// and sun steps that ran meanwhile.
class TEndForm : public TRecordingForm {
public:
  using TRecordingForm::TRecordingForm;
  bool PumpWhileTold = false;
  int PollsWhileTold = 0, SunStepsWhileTold = 0;

protected:
  void TellUser(const std::string& Text, UINT Flags) override {
    TRecordingForm::TellUser(Text, Flags);
    if (!PumpWhileTold) return;
    const int polls = PollState.PollTimerTicks;
    const size_t sun = SunDirections.size();
    int ticks = 0;
    TTimer own(nullptr);
    own.SetInterval(20);
    own.OnTimer = [&](TObject*) { ++ticks; };
    own.SetEnabled(true);
    PumpUntil([&] { return ticks >= 5; }, 10000);
    PollsWhileTold += PollState.PollTimerTicks - polls;
    SunStepsWhileTold += static_cast<int>(SunDirections.size() - sun);
  }
};

const char* const Ranges =
    "1.0.0.0,1.255.255.255,AU,Sydney,-33.87,151.21\n"
    "2.0.0.0,2.255.255.255,FR,Paris,48.85,2.35\n";

class StartUp : public MainFormTest {
protected:
  TEndForm* Form = nullptr;
  void Create() { Application->CreateForm(Form); }
  void Destroy() {
    delete Form;   // freed early; FormDestroy runs
    Form = nullptr;
  }
};

TEST_F(StartUp, LoadsDatabaseAndSettingsStartsTimersAndWritesTheMainKeyAtTheEnd) {
  CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
  WriteLocationFixture(Dir + "\\data", Ranges);
  WriteTextFile("myloc.txt", HomeFileText);
  WriteTextFile("texture.jpg", "stand-in");
  PutDword(SettingsKey::Root, "Width", 517);
  PutDword(SettingsKey::V11, "Interval", 3000);
  Create();
  ASSERT_NE(Form, nullptr);
  EXPECT_TRUE(Form->Told.empty()) << Form->Told[0];
  EXPECT_EQ(Form->WizardStarts, 0);
  EXPECT_EQ(Form->Textures, std::vector<std::string>{"texture.jpg"});
  EXPECT_EQ(Settings.Savepath, Dir + "\\images");
  EXPECT_EQ(LogState.LogPath, ProgramFolder() + "tcp.log");
  EXPECT_EQ(Form->LocationDatabase.RecordCount(), 2);
  std::string loc;
  Form->iplocate("2.3.4.5", loc);
  EXPECT_EQ(loc, "FRParis;4885;235");
  EXPECT_TRUE(Form->SettingsRead);
  EXPECT_EQ(Settings.Interval, 3000);
  EXPECT_EQ(Form->Width(), 517);
  EXPECT_TRUE(Form->Timer->Enabled());
  EXPECT_EQ(Form->Timer->Interval(), 999u);   // the first poll comes early
  EXPECT_TRUE(Form->Timer1->Enabled());
  EXPECT_EQ(Form->Timer1->Interval(), 500u);
  EXPECT_EQ(Form->PopupMenu(), Form->PopupMenu1);
  EXPECT_TRUE(Form->ConnectionsTable1->Enabled);
  EXPECT_TRUE(Form->TrayIcon1->Active());
  EXPECT_EQ(Form->TableOptions.Text(), "1\r\n1\r\n1\r\n0\r\n0\r\n");
  EXPECT_TRUE(GetWindowLongPtrA(Application->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

  // program resources: two cursors, eleven HUD pictures; the popup table
  ASSERT_EQ(ViewResources.HudImages.size(), 11u);
  for (const auto& b : ViewResources.HudImages) {
    EXPECT_EQ(b->Width(), 320);
    EXPECT_EQ(b->Height(), 32);
  }
  EXPECT_NE(Screen->Cursors(1), Screen->Cursors(crDefault));
  EXPECT_NE(Screen->Cursors(2), Screen->Cursors(crDefault));
  EXPECT_NE(Screen->Cursors(1), Screen->Cursors(2));
  EXPECT_TRUE(ViewResources.MenuFont.Valid());
  // the popup table's header: its titles in their columns
  const TCapture header = PictureOf(Form->PopupHeader.Handle(), Form->PopupHeader.Width(), Form->PopupHeader.Height());
  SaveBmp(header, OldDir + "\\popup-header.bmp");
  const TCapture expected = ExpectedPopupHeader();
  ASSERT_EQ(header.Width, expected.Width);
  ASSERT_EQ(header.Height, expected.Height);
  EXPECT_GT(std::count(header.Pixels.begin(), header.Pixels.end(), 0u), header.Width + 100) << "no titles";
  int differing = 0;
  for (size_t i = 0; i < header.Pixels.size(); ++i) differing += header.Pixels[i] != expected.Pixels[i];
  EXPECT_EQ(differing, 0) << "the header's titles are not where they belong";
  EXPECT_EQ(ViewResources.RowHeight, header.Height);
  EXPECT_TRUE(ViewResources.PopupYOffset == 4 || ViewResources.PopupYOffset == 6);

  // the first showing places home; west and south read negative
  Form->Show();
  EXPECT_EQ(GlobeState.HomeIP, HomeAddress);
  EXPECT_EQ(GlobeState.HomeLabel, "\xBBGB, London");
  EXPECT_EQ(GlobeState.HomeCoordinates, "5150;-012");
  EXPECT_FLOAT_EQ(GlobeState.HomeLongitude, -0.12f);
  EXPECT_FLOAT_EQ(GlobeState.HomeLatitude, 51.5f);
  EXPECT_FALSE(WindowModes.FirstMainShow);

  // minimising through the title bar leaves a hidden window and the tray icon
  HWND h = Form->Handle();
  SendMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_TRUE(IsIconic(h));
  Form->TrayIcon1Click(Form->TrayIcon1);   // a double click on the icon brings it back
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_FALSE(IsIconic(h));

  // an exception through the application's handler ends the snapshots
  Settings.SaveImages = true;
  PollState.SnapshotClock = 7;
  try {
    throw EConvertError("bad number");
  } catch (...) {
    Application->HandleException(Form);
  }
  EXPECT_FALSE(Settings.SaveImages);
  EXPECT_EQ(PollState.SnapshotClock, 0);
  EXPECT_EQ(Form->Errors, std::vector<std::string>{"bad number"});

  // A connection logged, then the log cannot be written at the end: the
  // end tells the user, and behind its box no timer polls or moves the sun.
  Settings.LogConnections = true;
  LogState.LogPath = Dir + "\\tcp.log";
  FakeNet().Tcp = {{5, Addr(10, 0, 0, 2), Port(1), Addr(2, 3, 4, 5), Port(443), 1}};
  Form->Refresh(true);
  ASSERT_EQ(Form->LogEntries.Count(), 1);
  Form->Timer->SetInterval(20);
  const int polls = PollState.PollTimerTicks;
  PumpUntil([&] { return PollState.PollTimerTicks > polls; }, 10000);
  ASSERT_GT(PollState.PollTimerTicks, polls) << "the poll timer ticks before the end";
  LogState.LogPath = Dir + "\\gone\\tcp.log";
  Form->Timer1->SetInterval(20);   // the sun's next step due at once

  Form->SetBounds(40, 50, 400, 333);
  Settings.FOV = 0.75f;
  Form->PumpWhileTold = true;
  const size_t told = Form->Told.size();
  Form->BeforeDestruction();   // FormDestroy, the window still whole to look at
  Settings.LogConnections = false;
  ASSERT_EQ(Form->Told.size(), told + 1);
  EXPECT_NE(Form->Told.back().find("cannot be written"), std::string::npos) << Form->Told.back();
  EXPECT_EQ(Form->PollsWhileTold, 0) << "a poll ran behind the end's message box";
  EXPECT_EQ(Form->SunStepsWhileTold, 0) << "the sun moved behind the end's message box";
  Destroy();
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Width"), 400u);
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Height"), 333u);
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Left"), 40u);
  EXPECT_TRUE(ViewResources.HudImages.empty());
  EXPECT_FALSE(ViewResources.MenuFont.Valid());
}

TEST_F(StartUp, MinimisedToTheTrayTheViewKeepsItsZoomAndBarAndItsPlaceIsStored) {
  CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
  WriteLocationFixture(Dir + "\\data", Ranges);
  WriteTextFile("myloc.txt", "81.2.69.160\r\nGB, London\r\n-012\r\n5150\r\n");
  Create();
  Form->SetBounds(40, 50, 400, 333);
  Form->Show();
  Form->GLCamera1->SetNearPlaneBias(0.8f);
  const float barWidth = Form->GLHUDSprite2->Width(), barY = Form->GLHUDSprite2->Position()->Y();
  SendMessageA(Form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(IsIconic(Form->Handle()));
  EXPECT_FLOAT_EQ(Form->GLCamera1->NearPlaneBias(), 0.8f);
  EXPECT_FLOAT_EQ(Form->GLHUDSprite2->Width(), barWidth);
  EXPECT_FLOAT_EQ(Form->GLHUDSprite2->Position()->Y(), barY);
  Destroy();   // ended while minimised
  EXPECT_NEAR(ReadFloatValue(SettingsKey::Root, "FOV"), 0.8, 1e-6);
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Left"), 40u);
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Top"), 50u);
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Width"), 400u);
}

TEST_F(StartUp, ThePopupTableIsMeasuredInTheMenuFontItself) {
  // A menu font a rebuilt font would not match: stretched wide.
  NONCLIENTMETRICSA saved{};
  saved.cbSize = 340;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 340, &saved, 0));
  NONCLIENTMETRICSA wide = saved;
  wide.lfMenuFont.lfWidth = 14;
  ASSERT_TRUE(SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, 340, &wide, 0));   // this process only
  WriteTextFile("myloc.txt", "81.2.69.160\r\nGB, London\r\n-012\r\n5150\r\n");
  Create();
  SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, 340, &saved, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, ViewResources.MenuFont.Get());
  SIZE s{};
  GetTextExtentPoint32A(dc, "SYN_RECEIVED    ", 16, &s);
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_EQ(ViewResources.ColumnWidth2, s.cx);
  EXPECT_GT(ViewResources.ColumnWidth2, 16 * 12) << "measured in the stretched font";
}

TEST_F(StartUp, UnusableDatabaseIsReportedAndStartUpGoesOn) {
  WriteTextFile("myloc.txt", "81.2.69.160\r\nGB, London\r\n-012\r\n5150\r\n");
  PutDword(SettingsKey::Root, "Width", 517);
  CreateDirectoryA("data", nullptr);
  WriteTextFile("data\\r.dat", "two\r\n");   // no record count
  Create();
  ASSERT_EQ(Form->Told.size(), 1u);
  EXPECT_NE(Form->Told[0].find("location database"), std::string::npos) << Form->Told[0];
  EXPECT_NE(Form->Told[0].find("r.dat holds no record count"), std::string::npos);
  EXPECT_EQ(Form->Textures, std::vector<std::string>{""});   // no texture either
  EXPECT_TRUE(Form->SettingsRead);
  EXPECT_EQ(Form->Width(), 517);
  EXPECT_TRUE(Form->Timer->Enabled());

  // the poll goes on; every address is "not in database"
  FakeNet().Tcp = {{5, Addr(10, 0, 0, 2), Port(1), Addr(2, 3, 4, 5), Port(443), 1}};
  Form->Show();
  Form->Refresh(true);
  EXPECT_EQ(Form->VisualizedIPs[1], "2.3.4.5");
  EXPECT_EQ(Form->LocationLabels[1], "IP not in database, --");
  EXPECT_FALSE(WindowModes.GlobePending);

  Destroy();
  EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Width"), 517u);   // read, so written back as read

  // Files that load but do not fit together are told once, each named with
  // its figures; the lookups search what the files hold.
  auto toldAtStart = [&] {
    Create();
    EXPECT_EQ(Form->Told.size(), 1u);
    return Form->Told.empty() ? std::string() : Form->Told[0];
  };
  auto locate = [&](const char* IP) {
    std::string r;
    Form->iplocate(IP, r);
    return r;
  };
  TLocationFixtureOptions torn;
  torn.DropRecords = 1;   // r.dat counts 2; geoip.dat holds 1 and 5 bytes
  torn.TrailingBytes = 5;
  WriteLocationFixture("data", Ranges, torn);
  std::string told = toldAtStart();
  EXPECT_NE(told.find("data\\geoip.dat: 17 bytes, not a whole number of 12-byte records\n"
                      "data\\geoip.dat: holds 1 of the 2 records that data\\r.dat counts"),
            std::string::npos) << told;
  EXPECT_EQ(locate("1.2.3.4"), "AUSydney;-3387;15121");
  EXPECT_EQ(locate("2.3.4.5"), LocationNotFound);
  Destroy();

  WriteLocationFixture("data", Ranges);
  std::string letter;   // a foreign cities.dat
  for (int i = 1; i <= 500; ++i) letter += "Dear reader, this is line " + IntToStr(i) + ".\r\n";
  WriteTextFile("data\\cities.dat", letter);
  told = toldAtStart();
  EXPECT_NE(told.find("data\\cities.dat: 500 of 500 lines are not location lines (the first is line 1)"),
            std::string::npos) << told;
  EXPECT_EQ(locate("1.2.3.4"), "Dear reader, this is line 1.");
  EXPECT_EQ(locate("2.3.4.5"), "Dear reader, this is line 2.");
  Destroy();

  DeleteFileA("data\\geoip.dat");
  told = toldAtStart();
  EXPECT_NE(told.find("cannot be used:\ndata\\geoip.dat: File not found"), std::string::npos) << told;
  Destroy();
}

TEST_F(StartUp, FirstRunStartsTheWizardAndNeverWritesSettings) {
  CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
  WriteLocationFixture(Dir + "\\data", Ranges);
  Create();
  EXPECT_TRUE(WindowModes.FirstRun);
  EXPECT_EQ(Form->WizardStarts, 1);
  EXPECT_FALSE(Application->ShowMainForm);
  EXPECT_FALSE(Form->SettingsRead);
  EXPECT_FALSE(Form->Timer->Enabled());
  MSG m;
  EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));   // the program ends
  Destroy();
  EXPECT_FALSE(KeyExists(std::string("\\") + SettingsKey::Root));
  EXPECT_FALSE(FileExists("ana.cfg"));
}

TEST_F(StartUp, UnusableHomeFileIsReportedLeftAloneAndHomeIsAtZero) {
  CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
  WriteLocationFixture(Dir + "\\data", Ranges);
  for (const std::string& bad : {std::string("81.2.69.160\r\nGB, London\r\n"),
                                std::string("81.2.69.160\r\nGB, London\r\nwest\r\n5150\r\n"),
                                std::string("81.2.69.160\r\nGB, London\r\n-012\r\n5150\r\n12a4\r\n")}) {
    WriteTextFile("myloc.txt", bad);
    WindowModes.FirstMainShow = true;
    Create();
    Form->Show();
    ASSERT_EQ(Form->Told.size(), 1u) << bad;
    EXPECT_NE(Form->Told[0].find("myloc.txt"), std::string::npos) << Form->Told[0];
    EXPECT_NE(Form->Told[0].find("vantrelwiz -h"), std::string::npos);
    EXPECT_EQ(GlobeState.HomeIP, HomeAddress);
    EXPECT_EQ(GlobeState.HomeLongitude, 0);
    EXPECT_EQ(GlobeState.HomeLatitude, 0);
    EXPECT_TRUE(Form->Visible());
    Destroy();
    EXPECT_EQ(ReadTextFile("myloc.txt"), bad);
  }
}

}  // namespace
