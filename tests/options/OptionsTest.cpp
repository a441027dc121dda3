// The options and about window, driven with real input on the started main
// window: one control changed on each page, OK storing every registry value,
// Cancel storing nothing, the update link starting the wizard, and a
// screenshot of each page.
#include <gtest/gtest.h>

#include <climits>

#include "GuiTest.h"
#include "RecordingMapBrowser.h"
#include "RegistryValues.h"
#include "ViewScene.h"
#include "classlib/Buttons.h"
#include "classlib/CheckLst.h"
#include "classlib/ComCtrls.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"
#include "monitor/Unit5.h"
#include "netlib/NetComponent.h"
#include "../mainform/MainFormFixture.h"
#include "viewer/Unit3.h"
#include "viewer/components/HyperLbl.h"
#include "viewer/unit4.h"
#include "viewer/NsMainCommands.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

namespace {
struct TShellCall {
  HWND Wnd;
  std::string File, Parameters;
  INT Show;
};
std::vector<TShellCall> ShellCalls;
HINSTANCE WINAPI RecordShell(HWND Wnd, LPCSTR, LPCSTR File, LPCSTR Parameters, LPCSTR, INT Show) {
  ShellCalls.push_back({Wnd, File ? File : "", Parameters ? Parameters : "", Show});
  return reinterpret_cast<HINSTANCE>(42);
}
BOOL WINAPI PickOrange(LPCHOOSECOLORA C) {
  C->rgbResult = RGB(255, 128, 64);
  return TRUE;
}
// Courier New, 5 points, bold.
BOOL WINAPI PickSmallCourier(LPCHOOSEFONTA F) {
  lstrcpyA(F->lpLogFont->lfFaceName, "Courier New");
  F->lpLogFont->lfHeight = -7;
  F->lpLogFont->lfWeight = FW_BOLD;
  return TRUE;
}

class Options : public MainFormTest {
protected:
  TRecordingForm* Form = nullptr;
  TBrowserLog MapLog;
  std::unique_ptr<TRecordingBrowsers> Browsers;
  TOptionControls& O() { return Form->OptionControls; }
  void SetUp() override {
    MainFormTest::SetUp();
    NetComponent_Initialize();
    CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
    WriteLocationFixture(Dir + "\\data", "2.0.0.0,2.255.255.255,FR,Paris,48.85,2.35\n");
    WriteTextFile("myloc.txt", HomeFileText);
    ShellCalls.clear();
    ShellExecuteProc = RecordShell;
    HyperLinkShellExecute = RecordShell;
    ChooseColorProc = PickOrange;
    ChooseFontProc = PickSmallCourier;
    Application->CreateForm(Form);
    Application->CreateForm(aform);
    Browsers = std::make_unique<TRecordingBrowsers>(MapLog);
    Application->CreateForm(frmMain);
    frmMain->TemplateFile = SourcePath("viewer/gmap.ini");
    Form->Timer->OnTimer = nullptr;   // no polls meanwhile
  }
  void TearDown() override {
    ShellExecuteProc = ShellExecuteA;
    HyperLinkShellExecute = ShellExecuteA;
    MainFormTest::TearDown();
    NetComponent_Finalize();
    aform = nullptr;
    frmMain = nullptr;
    Form5 = nullptr;
    Browsers.reset();
  }
  void Open() {
    Form->aboutform(nullptr);
    ASSERT_TRUE(PumpUntil([] { return IsWindowVisible(aform->Handle()) != FALSE; }));
    SetForegroundWindow(aform->Handle());
    PumpFor(150);
  }
  void ShowPage(int Index, const std::string& Shot) {
    O().Pages->SetActivePageIndex(Index);
    PumpFor(150);
    SaveBmp(CaptureClient(aform->Handle()), Shot);
  }
  // Clicks the upper (up) or lower (down) arrow of an up-down.
  void Step(TUpDown* U, bool Up) {
    ClickClient(U->Handle(), U->Width() / 2, Up ? U->Height() / 4 : U->Height() * 3 / 4);
    PumpFor(100);
  }
  // The window's OK or Cancel button.
  TWinControl* Button(const std::string& Caption) {
    for (int i = 0; i < aform->ControlCount(); ++i)
      if (aform->Controls(i)->Caption() == Caption) return static_cast<TWinControl*>(aform->Controls(i));
    return nullptr;
  }
  void Click(TWinControl* C, int X = 6, int Y = 8) {
    ClickClient(C->Handle(), X, Y);
    PumpFor(100);
  }
};

TEST_F(Options, EachPageChangedWithRealInputThenOkStoresEverySetting) {
  Open();
  HWND w = aform->Handle();
  char caption[32] = {};
  GetWindowTextA(w, caption, sizeof caption);
  EXPECT_STREQ(caption, "Options/About");
  RECT rc;
  GetClientRect(w, &rc);
  EXPECT_EQ(rc.right, 472);
  EXPECT_EQ(rc.bottom, 453);
  EXPECT_TRUE(GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_FALSE(Form->ConfigAbout1->Enabled);
  ASSERT_EQ(O().Pages->PageCount(), 5);
  // with no snapshot period yet, the snapshot display starts at the refresh period
  EXPECT_EQ(O().RefreshDisplay->Text(), "2");
  EXPECT_EQ(O().SnapshotDisplay->Text(), "2");
  EXPECT_EQ(O().RotationDisplay->Text(), "-1");
  EXPECT_FALSE(O().Overwrite->Enabled());

  // Options: the refresh period up, the advanced options uncovered, snapshots on
  Step(O().RefreshUpDown, true);
  EXPECT_EQ(O().RefreshDisplay->Text(), "3");
  EXPECT_EQ(O().SnapshotDisplay->Text(), "3");
  ASSERT_TRUE(O().Cover->Visible());
  Click(O().Advanced);
  EXPECT_FALSE(O().Cover->Visible());
  Click(O().SaveImages);
  EXPECT_TRUE(O().SaveImages->Checked());
  EXPECT_TRUE(O().Overwrite->Enabled());
  Step(O().SnapshotUpDown, true);
  EXPECT_EQ(O().SnapshotDisplay->Text(), "6");
  ShowPage(0, "options-page.bmp");

  // Visuals: smaller points, the route colour, a 5-point font
  O().Pages->SetActivePageIndex(1);
  PumpFor(100);
  Step(O().PointUpDown, false);
  EXPECT_EQ(O().PointDisplay->Text(), "4");
  TShape* route = O().Swatches[1];
  ClickClient(route->Parent()->Handle(), route->Left() + 10, route->Top() + 10);
  PumpFor(100);
  EXPECT_EQ(route->Brush()->Color(), static_cast<TColor>(RGB(255, 128, 64)));
  EXPECT_EQ(Settings.Color2, 16711935);   // only OK stores it
  Click(O().FontButton, 20, 10);
  EXPECT_EQ(O().FontPreview->Caption(), "Courier New, 5");
  ShowPage(1, "visuals-page.bmp");

  // Web map: the physical map by keyboard, no info balloons
  O().Pages->SetActivePageIndex(2);
  PumpFor(100);
  O().MapType->SetFocus();
  PressKey(VK_DOWN);
  PressKey(VK_DOWN);
  PumpFor(100);
  EXPECT_EQ(O().MapType->ItemIndex(), 3);
  Click(O().Balloons);
  EXPECT_FALSE(O().Balloons->Checked());
  ShowPage(2, "webmap-page.bmp");

  // Rogue countries: the first and third boxes, a larger marker
  O().Pages->SetActivePageIndex(3);
  PumpFor(100);
  const int item = static_cast<int>(SendMessageA(O().Countries->Handle(), LB_GETITEMHEIGHT, 0, 0));
  Click(O().Countries, 6, item / 2);
  Click(O().Countries, 6, item * 2 + item / 2);
  EXPECT_TRUE(O().Countries->Checked(0));
  EXPECT_FALSE(O().Countries->Checked(1));
  EXPECT_TRUE(O().Countries->Checked(2));
  Step(O().MarkerUpDown, true);
  EXPECT_EQ(O().MarkerDisplay->Text(), "4");
  ShowPage(3, "rogue-page.bmp");

  // About: no text runs into another; "[?]" starts the wizard's update
  ShowPage(4, "about-page.bmp");
  std::vector<std::pair<std::string, RECT>> texts;
  for (TControl* c : O().Built)
    if (auto* l = dynamic_cast<TLabel*>(c); l && l->Parent() == O().UpdateLink->Parent()) {
      texts.push_back({l->Caption(), {}});
      GetWindowRect(l->Handle(), &texts.back().second);
    }
  ASSERT_EQ(texts.size(), 8u);
  for (size_t i = 0; i < texts.size(); ++i)
    for (size_t j = i + 1; j < texts.size(); ++j) {
      RECT both;
      EXPECT_FALSE(IntersectRect(&both, &texts[i].second, &texts[j].second)) << texts[i].first << " | " << texts[j].first;
    }
  Click(O().UpdateLink, 8, 6);
  ASSERT_EQ(ShellCalls.size(), 1u);
  EXPECT_EQ(ShellCalls[0].File, ProgramFolder() + "vantrelwiz.exe");
  EXPECT_EQ(ShellCalls[0].Parameters, "-u");
  EXPECT_EQ(ShellCalls[0].Show, SW_SHOWNORMAL);
  EXPECT_EQ(ShellCalls[0].Wnd, Form->Handle());
  // the database's publisher is our own data page
  THyperLabel* data = nullptr;
  for (TControl* c : O().Built)
    if (auto* h = dynamic_cast<THyperLabel*>(c); h && h->Caption() == "vantrel.org/data") data = h;
  ASSERT_NE(data, nullptr);
  Click(data, 8, 6);
  ASSERT_EQ(ShellCalls.size(), 2u);
  EXPECT_EQ(ShellCalls[1].File, "https://vantrel.org/data/");

  // OK, clicked
  TWinControl* ok = Button("OK");
  ASSERT_NE(ok, nullptr);
  Click(ok, 20, 10);
  PumpFor(200);
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_TRUE(Form->ConfigAbout1->Enabled);
  EXPECT_EQ(aform->ComponentCount(), 0);   // every control freed
  EXPECT_EQ(Form->Timer->Interval(), 3000u);
  // the globe's labels are drawn with the chosen font
  const TFont* drawn = Form->GLWindowsBitmapFont1->Font();
  EXPECT_EQ(drawn->Name(), "Courier New");
  EXPECT_EQ(drawn->Size(), 7);   // below 6 points
  EXPECT_TRUE(drawn->Style().Contains(TFontStyle::fsBold));

  const char* k11 = SettingsKey::V11;
  EXPECT_EQ(ReadStringValue(k11, "IPList"), "");
  EXPECT_EQ(ReadDwordValue(k11, "Color1"), 255u);
  EXPECT_EQ(ReadDwordValue(k11, "Color2"), static_cast<DWORD>(RGB(255, 128, 64)));
  EXPECT_EQ(ReadDwordValue(k11, "Color3"), 33023u);
  EXPECT_EQ(ReadDwordValue(k11, "Color4"), 32768u);
  EXPECT_EQ(ReadDwordValue(k11, "Interval"), 3000u);
  EXPECT_EQ(ReadDwordValue(k11, "InternalOff"), 0u);
  EXPECT_EQ(ReadStringValue(k11, "Font"), "\"Courier New\", 5, [Bold], [clBlack]");
  const char* k112 = SettingsKey::V112;
  EXPECT_EQ(ReadDwordValue(k112, "LineThickness"), 1u);
  EXPECT_EQ(ReadDwordValue(k112, "PointSize"), 4u);
  EXPECT_EQ(ReadDwordValue(k112, "StayOnTop"), 0u);
  EXPECT_EQ(ReadDwordValue(k112, "RotationSpeed"), 1u);
  const char* k138 = SettingsKey::V138;
  EXPECT_EQ(ReadDwordValue(k138, "SaveImages"), 1u);
  EXPECT_EQ(ReadDwordValue(k138, "Overwrite"), 0u);
  EXPECT_EQ(ReadDwordValue(k138, "Timestamp"), 0u);
  EXPECT_EQ(ReadDwordValue(k138, "SIInterval"), 6u);
  EXPECT_EQ(ReadStringValue(k138, "Savepath"), Dir + "\\images");
  EXPECT_EQ(ReadDwordValue(k138, "ExtendLabels"), 0u);
  EXPECT_EQ(ReadStringValue(SettingsKey::V141, "ExtOpt"),
            "110306XXX400xxxxxxxxxxxxxxxxxx\x01\x03");
  const char* k = SettingsKey::Root;
  EXPECT_EQ(static_cast<int>(ReadDwordValue(k, "Width")), Form->Width());
  EXPECT_DOUBLE_EQ(ReadFloatValue(k, "FOV"), 0.4f);
  EXPECT_EQ(ReadDwordValue(k, "Trails"), 1u);
  EXPECT_NEAR(ReadFloatValue(k, "Shadow"), 0.2, 1e-6);
}

TEST_F(Options, CancelStoresNothingAndReopeningShowsTheSettings) {
  Settings.SIInterval = 20;
  Settings.Interval = 5000;
  Settings.RotationSpeed = -4;
  Open();
  const int built = aform->ComponentCount();
  Form->aboutform(nullptr);   // open already: nothing more is built
  EXPECT_EQ(aform->ComponentCount(), built);
  EXPECT_EQ(O().SnapshotDisplay->Text(), "20");
  EXPECT_EQ(O().SnapshotUpDown->Position(), 4);
  EXPECT_EQ(O().RotationDisplay->Text(), "+4");
  Step(O().RefreshUpDown, true);
  Click(O().LogConnections);
  O().Pages->SetActivePageIndex(3);
  PumpFor(100);
  Click(O().Countries, 6, 6);
  TWinControl* cancel = Button("Cancel");
  ASSERT_NE(cancel, nullptr);
  Click(cancel, 20, 10);
  PumpFor(200);
  EXPECT_FALSE(aform->Visible());
  EXPECT_EQ(aform->ComponentCount(), 0);
  EXPECT_FALSE(KeyExists(std::string("\\") + SettingsKey::Root));
  EXPECT_EQ(Settings.Interval, 5000);
  EXPECT_FALSE(Settings.LogConnections);
  EXPECT_EQ(Settings.RogueCountries, "");

  // opened again: the controls show the settings, not the cancelled changes
  Open();
  EXPECT_EQ(O().RefreshDisplay->Text(), "5");
  EXPECT_FALSE(O().LogConnections->Checked());
  EXPECT_FALSE(O().Countries->Checked(0));
  // a rotation of -4 turns four times as fast; 0 keeps the default turn.
  // The open map window reloads with the next info-window div.
  frmMain->Show();
  PumpFor(100);
  Form->okclick(nullptr);
  PumpFor(100);
  EXPECT_TRUE(frmMain->Visible());
  EXPECT_EQ(Selection.InfoWindowCounter, 1);
  EXPECT_TRUE(Form->Errors.empty());
  EXPECT_EQ(Settings.RotationSpeed, -4);
  EXPECT_FLOAT_EQ(Settings.RotationFactor, 0.25f);
  EXPECT_EQ(ReadDwordValue(SettingsKey::V112, "RotationSpeed"), static_cast<DWORD>(-4));
  EXPECT_EQ(ReadStringValue(SettingsKey::V141, "ExtOpt").size(), 30u);   // no rogue country
  Open();
  O().RotationUpDown->SetPosition(0);
  Form->okclick(nullptr);
  PumpFor(100);
  EXPECT_EQ(Settings.RotationSpeed, 0);
  EXPECT_FLOAT_EQ(Settings.RotationFactor, 1.0f);
}
TEST_F(Options, OkLetsMessagesThroughButItsButtonLivesUntilItsClickIsDone) {
  // The open map window reloads from OK's click, letting messages through
  // while the control gets ready: the posted freeing of the closed window's
  // controls must wait for the click to end.
  // Twice: the first session's OK leaves the guard as it found it.
  for (int session = 1; session <= 2; ++session) {
    frmMain->Show();
    PumpFor(100);
    Open();
    TWinControl* ok = Button("OK");
    ASSERT_NE(ok, nullptr);
    const HWND okWindow = ok->Handle();
    std::vector<bool> alive;
    MapLog.ReadyAfter = 3;
    MapLog.OnReadyState = [&] { alive.push_back(IsWindow(okWindow) != FALSE); };
    Click(ok, 20, 10);
    PumpFor(200);
    MapLog.OnReadyState = nullptr;
    ASSERT_GE(alive.size(), 3u) << session;
    EXPECT_EQ(std::count(alive.begin(), alive.end(), false), 0) << "freed while its click ran, session " << session;
    EXPECT_FALSE(IsWindow(okWindow)) << "freed once the click was done";
    EXPECT_FALSE(aform->Visible());
  }
  EXPECT_TRUE(Form->Errors.empty());
}

// The load button's window: destroyed at all, and while its click ran.
HWND LoadWindow = nullptr;
bool InLoadClick = false;
int LoadFreed = 0, LoadFreedInClick = 0;
LRESULT CALLBACK WatchLoadButton(int Code, WPARAM W, LPARAM L) {
  const auto* m = reinterpret_cast<const CWPSTRUCT*>(L);
  if (Code == HC_ACTION && m->hwnd == LoadWindow && m->message == WM_NCDESTROY) {
    ++LoadFreed;
    LoadFreedInClick += InLoadClick;
  }
  return CallNextHookEx(nullptr, Code, W, L);
}

TEST_F(Options, ClosedDuringItsLoadClickTheWindowKeepsTheButtonUntilTheClickIsDone) {
  // The log's scan lets messages through; a close typed ahead of the click
  // (Esc reaching Cancel) comes in meanwhile.
  LogState.LogPath = Dir + "\\tcp.log";
  WriteTextFile(LogState.LogPath, "---> 2.0.0.7 connected\r\n---> 2.0.0.8 connected\r\n");
  Application->CreateForm(Form5);
  Open();
  ASSERT_TRUE(O().LoadButton->Enabled());
  LoadWindow = O().LoadButton->Handle();
  InLoadClick = false;
  LoadFreed = LoadFreedInClick = 0;
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchLoadButton, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  ClickClient(LoadWindow, 20, 10);
  bool clicked = false;
  for (const DWORD until = GetTickCount() + 5000; !clicked && GetTickCount() < until;) {
    MSG m;
    if (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      continue;
    }
    const bool up = m.hwnd == LoadWindow && m.message == WM_LBUTTONUP;
    if (up) PostMessageA(aform->Handle(), WM_CLOSE, 0, 0);
    InLoadClick = up;
    TranslateMessage(&m);
    DispatchMessageA(&m);
    InLoadClick = false;
    clicked = up;
  }
  PumpUntil([] { return LoadFreed > 0; });
  UnhookWindowsHookEx(hook);
  ASSERT_TRUE(clicked);
  EXPECT_EQ(LoadFreedInClick, 0) << "freed while its click ran";
  EXPECT_EQ(LoadFreed, 1) << "freed once the click was done";
  EXPECT_FALSE(aform->Visible());
  EXPECT_EQ(Lines(Form->AnalyzedIPs), (std::vector<std::string>{GlobeState.HomeIP, "2.0.0.7", "2.0.0.8"}));
  EXPECT_TRUE(Form->Errors.empty());
}

TEST_F(Options, AnUntouchedSnapshotPeriodIsStoredAsItWasRead) {
  // 7 s with a 2 s refresh: the up-down stands at 3, the display at 7
  PutDword(SettingsKey::V138, "SIInterval", 7);
  PutDword(SettingsKey::V138, "SaveImages", 1);
  Form->LoadSettings();
  Open();
  EXPECT_EQ(O().SnapshotDisplay->Text(), "7");
  Form->okclick(nullptr);
  PumpFor(100);
  EXPECT_EQ(Settings.SIInterval, 7);
  EXPECT_EQ(ReadDwordValue(SettingsKey::V138, "SIInterval"), 7u);
  // stepped, it is what the display shows: refresh × position
  Open();
  Click(O().Advanced);
  Step(O().SnapshotUpDown, true);
  EXPECT_EQ(O().SnapshotDisplay->Text(), "8");
  Form->okclick(nullptr);
  PumpFor(100);
  EXPECT_EQ(ReadDwordValue(SettingsKey::V138, "SIInterval"), 8u);
}

TEST_F(Options, ARefreshPeriodBelowASecondIsShownAsOneAndKeepsThePollRunningAfterOk) {
  PutDword(SettingsKey::V11, "Interval", 500);
  Form->LoadSettings();
  Form->Timer->OnTimer = [this](TObject* S) { Form->TimerTimer(S); };
  Open();
  EXPECT_EQ(O().RefreshDisplay->Text(), "1");
  Click(Button("OK"), 20, 10);
  ASSERT_TRUE(PumpUntil([] { return !aform->Visible(); }));
  EXPECT_EQ(ReadDwordValue(SettingsKey::V11, "Interval"), 1000u);
  Form->Timer->SetEnabled(true);
  const int ticks = PollState.PollTimerTicks;
  EXPECT_TRUE(PumpUntil([&] { return PollState.PollTimerTicks >= ticks + 2; }, 15000)) << "the poll stopped";
  // rounded to the nearest second; past the offered range, its top (an
  // untouched OK stores what is shown)
  Form->Timer->OnTimer = nullptr;
  for (const auto& [read, shown] : {std::pair<DWORD, int>{1600, 2}, {INT_MAX - 1, 3600}}) {
    PutDword(SettingsKey::V11, "Interval", read);
    Form->LoadSettings();
    Open();
    EXPECT_EQ(O().RefreshDisplay->Text(), IntToStr(shown)) << read;
    Form->okclick(nullptr);
    EXPECT_EQ(ReadDwordValue(SettingsKey::V11, "Interval"), static_cast<DWORD>(shown * 1000)) << read;
  }
}

// With an analysed file shown and the globe still, OK draws the view again,
// in full screen the full-screen viewer's (the windowed one is hidden then).
TEST_F(Options, OkWithAnAnalysedFileDrawsTheFullScreenViewAgain) {
  LogState.LogPath = Dir + "\\tcp.log";
  WriteTextFile(LogState.LogPath, "---> 2.0.0.7 connected\r\n");
  Application->CreateForm(Form5);
  Form->SetBounds(40, 40, 480, 400);
  Form->Show();
  PumpFor(100);
  Open();
  Click(O().LoadButton, 20, 10);
  ASSERT_TRUE(PumpUntil([&] { return Form->AnalyzedIPs.Count() == 2 && !Form->Scanning(); }));
  ASSERT_FALSE(Form->GLCadencer1->Enabled());
  // full screen over the open window
  ViewResources.OSMajorVersion = 6;
  Form->FullScreen1Click(nullptr);
  ASSERT_TRUE(Form->GLFullScreenViewer1->Active());
  const HWND full = Form->GLFullScreenViewer1->Form()->Handle();
  TScene3DBuffer* buffer = Form->GLFullScreenViewer1->Buffer();
  // its first frames drawn, nothing left to paint
  ASSERT_TRUE(PumpUntil([&] { return buffer->FrameCount() > 0 && !GetUpdateRect(full, nullptr, FALSE); }));
  PumpFor(100);
  ASSERT_FALSE(GetUpdateRect(full, nullptr, FALSE));
  const int frames = buffer->FrameCount();
  Form->okclick(nullptr);
  EXPECT_GT(buffer->FrameCount(), frames) << "OK drew no frame in the full-screen viewer";
  EXPECT_FALSE(aform->Visible());
  SaveBmp(ToCapture(*buffer->CreateSnapShot()), "ok-full-screen.bmp");
  Form->FullScreen1Click(nullptr);
  EXPECT_FALSE(Form->GLFullScreenViewer1->Active());
}

TEST_F(Options, OkStoresTheViewAsItIsNow) {
  // the globe turning, the shadow highlighted, in desktop mode or not
  auto okStores = [&](DWORD Rotate, double Shadow, DWORD Implant) {
    Open();
    Form->okclick(nullptr);
    PumpFor(100);
    EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Rotate"), Rotate);
    EXPECT_NEAR(ReadFloatValue(SettingsKey::Root, "Shadow"), Shadow, 1e-6);
    EXPECT_EQ(ReadDwordValue(SettingsKey::Root, "Implant"), Implant);
  };
  Form->GLCadencer1->SetEnabled(true);
  Form->hiliteshadow(nullptr);
  okStores(1, 3.0, 0);
  Form->GLCadencer1->SetEnabled(false);
  Form->hiliteshadow(nullptr);
  Form->GLHUDSprite1->SetVisible(true);   // the desktop picture shows: desktop mode
  okStores(0, 0.2, 1);
}

}  // namespace
