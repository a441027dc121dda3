#include <gtest/gtest.h>

#include <memory>

#include "RegistryValues.h"
#include "TestPaths.h"
#include "classlib/Registry.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainSettings.h"

namespace {
// HKEY_CURRENT_USER of this process is redirected to a scratch key, so the
// settings keep their real names without touching the user's settings or
// another test program's.
class SettingsTest : public testing::Test {
protected:
  std::string Scratch = "Software\\VantrelTests\\Settings" + IntToStr(GetCurrentProcessId());
  HKEY Root = nullptr;
  std::unique_ptr<TMainForm> Form;

  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Scratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &Root, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, Root), ERROR_SUCCESS);
    NsMain_Initialize();   // the window's 3D view
    Form = std::make_unique<TMainForm>(nullptr);
  }
  void TearDown() override {
    Form.reset();
    NsMain_Finalize();
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(Root);
    TRegistry r;
    r.DeleteKey("\\" + Scratch);
  }
  // Writes raw values the way another program (or an older version) might.
  void Put(const char* Key, const char* Name, DWORD Type, const void* Data, DWORD Size) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, Name, 0, Type, static_cast<const BYTE*>(Data), Size), ERROR_SUCCESS);
    RegCloseKey(k);
  }
  void PutDword(const char* Key, const char* Name, DWORD V) { Put(Key, Name, REG_DWORD, &V, 4); }
  void PutString(const char* Key, const char* Name, const std::string& S) {
    Put(Key, Name, REG_SZ, S.c_str(), static_cast<DWORD>(S.size() + 1));
  }
};

void ExpectDefaults() {
  EXPECT_FLOAT_EQ(Settings.FOV, 0.4f);
  EXPECT_FALSE(Settings.Rotate);
  EXPECT_TRUE(Settings.ConnectLocations);
  EXPECT_FALSE(Settings.AllLabels);
  EXPECT_FLOAT_EQ(Settings.Shadow, 0.2f);
  EXPECT_FALSE(Settings.Implant);
  EXPECT_EQ(Settings.Color1, 255);
  EXPECT_EQ(Settings.Color2, 16711935);
  EXPECT_EQ(Settings.Color3, 33023);
  EXPECT_EQ(Settings.Color4, 32768);
  EXPECT_EQ(Settings.Color1Rgb, (TColorRgb{1, 0, 0}));
  EXPECT_EQ(Settings.Color2Rgb, (TColorRgb{1, 0, 1}));
  EXPECT_EQ(Settings.Color3Rgb, (TColorRgb{1, 128 / 255.0f, 0}));
  EXPECT_EQ(Settings.Color4Rgb, (TColorRgb{0, 128 / 255.0f, 0}));
  EXPECT_EQ(Settings.IPList, "");
  EXPECT_EQ(Settings.Interval, 2000);
  EXPECT_FALSE(Settings.InternalOff);
  EXPECT_EQ(Settings.LineThickness, 1);
  EXPECT_EQ(Settings.PointSize, 5);
  EXPECT_FALSE(Settings.StayOnTop);
  EXPECT_EQ(Settings.RotationSpeed, 1);
  EXPECT_FLOAT_EQ(Settings.RotationFactor, 1);
  EXPECT_FALSE(Settings.SaveImages);
  EXPECT_FALSE(Settings.Overwrite);
  EXPECT_FALSE(Settings.Timestamp);
  EXPECT_EQ(Settings.SIInterval, 0);
  EXPECT_EQ(Settings.Savepath, GetCurrentDir() + "\\images");
  EXPECT_FALSE(Settings.ExtendLabels);
  EXPECT_TRUE(Settings.LineSmoothing);
  EXPECT_TRUE(Settings.GlobeGrid);
  EXPECT_TRUE(Settings.ShowInfoBalloons);
  EXPECT_EQ(Settings.MapType, 1);
  EXPECT_EQ(Settings.MapZoom, 6);
  EXPECT_EQ(Settings.MarkerSize, 3);
  EXPECT_FALSE(Settings.SoundAlert);
  EXPECT_FALSE(Settings.LogConnections);
  EXPECT_EQ(Settings.RogueCountries, "");
}

void SetEveryValueOffDefault() {
  Settings.FOV = 1.25f;
  Settings.Rotate = true;
  Settings.ConnectLocations = false;
  Settings.AllLabels = true;
  Settings.Shadow = 0.45f;
  Settings.Implant = true;
  Settings.Color1 = 0x123456;
  Settings.Color2 = 0x00FF00;
  Settings.Color3 = 0x0000FE;
  Settings.Color4 = 0xFFFFFF;
  Settings.IPList = "C:\\lists\\watch me.txt";
  Settings.Interval = 5000;
  Settings.InternalOff = true;
  Settings.Font = "\"Courier New\", 10, [Bold|Italic], [clRed]";
  Settings.LineThickness = 4;
  Settings.PointSize = 9;
  Settings.StayOnTop = true;
  Settings.RotationSpeed = -4;
  Settings.SaveImages = true;
  Settings.Overwrite = true;
  Settings.Timestamp = true;
  Settings.SIInterval = 30;
  Settings.Savepath = "D:\\shots";
  Settings.ExtendLabels = true;
  Settings.LineSmoothing = false;
  Settings.GlobeGrid = false;
  Settings.ShowInfoBalloons = false;
  Settings.MapType = 4;
  Settings.MapZoom = 12;
  Settings.MarkerSize = 7;
  Settings.SoundAlert = true;
  Settings.LogConnections = true;
  Settings.RogueCountries = std::string("\x01\x4D\xFC", 3);   // countries 1, 77 and 252
}
}  // namespace

TEST_F(SettingsTest, NoKeyKeepsEveryDefault) {
  Form->LoadSettings();
  ExpectDefaults();
  TRegistry r;
  EXPECT_FALSE(r.KeyExists(std::string("\\") + SettingsKey::Root));   // reading creates nothing
}

TEST_F(SettingsTest, EveryValueRoundTripsThroughTheRegistry) {
  SetEveryValueOffDefault();
  Form->WriteMainKey();
  Form->WriteOptionKeys();
  Form->SetDefaultSettings();
  ExpectDefaults();
  Form->LoadSettings();

  EXPECT_FLOAT_EQ(Settings.FOV, 1.25f);
  EXPECT_TRUE(Settings.Rotate);
  EXPECT_FALSE(Settings.ConnectLocations);
  EXPECT_TRUE(Settings.AllLabels);
  EXPECT_FLOAT_EQ(Settings.Shadow, 0.45f);
  EXPECT_TRUE(Settings.Implant);
  EXPECT_EQ(Settings.Color1, 0x123456);
  EXPECT_EQ(Settings.Color1Rgb, (TColorRgb{0x56 / 255.0f, 0x34 / 255.0f, 0x12 / 255.0f}));
  EXPECT_EQ(Settings.Color2, 0x00FF00);
  EXPECT_EQ(Settings.Color2Rgb, (TColorRgb{0, 1, 0}));
  EXPECT_EQ(Settings.Color3, 0x0000FE);
  EXPECT_EQ(Settings.Color4, 0xFFFFFF);
  EXPECT_EQ(Settings.Color4Rgb, (TColorRgb{1, 1, 1}));
  EXPECT_EQ(Settings.IPList, "C:\\lists\\watch me.txt");
  EXPECT_EQ(Settings.Interval, 5000);
  EXPECT_TRUE(Settings.InternalOff);
  EXPECT_EQ(Settings.Font, "\"Courier New\", 10, [Bold|Italic], [clRed]");
  EXPECT_EQ(Settings.LineThickness, 4);
  EXPECT_EQ(Settings.PointSize, 9);
  EXPECT_TRUE(Settings.StayOnTop);
  EXPECT_EQ(Settings.RotationSpeed, -4);
  EXPECT_FLOAT_EQ(Settings.RotationFactor, 0.25f);
  EXPECT_TRUE(Settings.SaveImages);
  EXPECT_TRUE(Settings.Overwrite);
  EXPECT_TRUE(Settings.Timestamp);
  EXPECT_EQ(Settings.SIInterval, 30);
  EXPECT_EQ(Settings.Savepath, "D:\\shots");
  EXPECT_TRUE(Settings.ExtendLabels);
  EXPECT_FALSE(Settings.LineSmoothing);
  EXPECT_FALSE(Settings.GlobeGrid);
  EXPECT_FALSE(Settings.ShowInfoBalloons);
  EXPECT_EQ(Settings.MapType, 4);
  EXPECT_EQ(Settings.MapZoom, 12);
  EXPECT_EQ(Settings.MarkerSize, 7);
  EXPECT_TRUE(Settings.SoundAlert);
  EXPECT_TRUE(Settings.LogConnections);
  EXPECT_EQ(Settings.RogueCountries, std::string("\x01\x4D\xFC", 3));
}

TEST_F(SettingsTest, ValuesAreStoredWithTheirRegistryTypes) {
  SetEveryValueOffDefault();
  Form->WriteMainKey();
  Form->WriteOptionKeys();
  TRegistry r;
  ASSERT_TRUE(r.OpenKeyReadOnly(std::string("\\") + SettingsKey::Root));
  EXPECT_EQ(r.GetDataType("FOV"), TRegDataType::rdBinary);
  EXPECT_EQ(r.GetDataSize("FOV"), 8);
  EXPECT_EQ(r.GetDataType("Shadow"), TRegDataType::rdBinary);
  EXPECT_EQ(r.GetDataType("Rotate"), TRegDataType::rdInteger);
  EXPECT_EQ(r.ReadInteger("Trails"), 0);
  EXPECT_EQ(r.ReadInteger("Labels"), 1);
  ASSERT_TRUE(r.OpenKeyReadOnly(std::string("\\") + SettingsKey::V11));
  EXPECT_EQ(r.GetDataType("IPList"), TRegDataType::rdString);
  EXPECT_EQ(r.GetDataType("Font"), TRegDataType::rdString);
  EXPECT_EQ(r.ReadInteger("Color1"), 0x123456);
  EXPECT_EQ(r.ReadInteger("InternalOff"), 1);
  ASSERT_TRUE(r.OpenKeyReadOnly(std::string("\\") + SettingsKey::V112));
  EXPECT_EQ(r.ReadInteger("RotationSpeed"), -4);
  ASSERT_TRUE(r.OpenKeyReadOnly(std::string("\\") + SettingsKey::V138));
  EXPECT_EQ(r.ReadString("Savepath"), "D:\\shots");
  EXPECT_EQ(r.GetDataType("SIInterval"), TRegDataType::rdInteger);
  ASSERT_TRUE(r.OpenKeyReadOnly(std::string("\\") + SettingsKey::V141));
  EXPECT_EQ(r.ReadString("ExtOpt"),
            std::string("0004" "12" "XXX" "7" "11" "xxxxxxxxxxxxxxxxxx") + std::string("\x01\x4D\xFC", 3));
}

TEST_F(SettingsTest, WrongTypedAndMissingValuesKeepTheirDefaults) {
  const char* k11 = SettingsKey::V11;
  PutString(SettingsKey::Root, "FOV", "0.9");            // string for a float
  uint32_t four = 7;
  Put(SettingsKey::Root, "Shadow", REG_BINARY, &four, 4);   // four bytes for eight
  PutDword(SettingsKey::Root, "Rotate", 5);                 // any non-zero is on
  PutString(k11, "Color1", "255");                            // string for an integer
  PutDword(k11, "Color2", 0x0000FF);
  DWORD eight[2] = {1, 2};
  Put(k11, "Interval", REG_DWORD, eight, 8);                  // eight bytes of REG_DWORD
  PutDword(k11, "InternalOff", 1);
  PutDword(k11, "IPList", 3);                                 // integer for a string
  PutDword(SettingsKey::V112, "PointSize", 256);     // past a byte: the default
  PutDword(SettingsKey::V112, "LineThickness", 0);   // no width: the default
  PutDword(SettingsKey::V112, "RotationSpeed", 0);
  PutDword(SettingsKey::V138, "Savepath", 1);
  PutDword(SettingsKey::V138, "SIInterval", 15);
  PutDword(SettingsKey::V141, "ExtOpt", 10);

  Form->LoadSettings();
  EXPECT_FLOAT_EQ(Settings.FOV, 0.4f);
  EXPECT_FLOAT_EQ(Settings.Shadow, 0.2f);
  EXPECT_TRUE(Settings.Rotate);
  EXPECT_TRUE(Settings.ConnectLocations);   // missing in an existing key
  EXPECT_EQ(Settings.Color1, 255);
  EXPECT_EQ(Settings.Color1Rgb, (TColorRgb{1, 0, 0}));
  EXPECT_EQ(Settings.Color2, 0xFF);
  EXPECT_EQ(Settings.Color2Rgb, (TColorRgb{1, 0, 0}));
  EXPECT_EQ(Settings.Interval, 2000);
  EXPECT_TRUE(Settings.InternalOff);        // read after the bad ones
  EXPECT_EQ(Settings.IPList, "");
  EXPECT_EQ(Settings.PointSize, 5);
  EXPECT_EQ(Settings.LineThickness, 1);
  EXPECT_EQ(Settings.RotationSpeed, 1);
  EXPECT_FLOAT_EQ(Settings.RotationFactor, 1);
  EXPECT_EQ(Settings.Savepath, GetCurrentDir() + "\\images");
  EXPECT_EQ(Settings.SIInterval, 15);
  EXPECT_TRUE(Settings.LineSmoothing);
  EXPECT_EQ(Settings.MapZoom, 6);
  // a byte's top is a width
  PutDword(SettingsKey::V112, "LineThickness", 255);
  Form->LoadSettings();
  EXPECT_EQ(Settings.LineThickness, 255);
}

TEST_F(SettingsTest, FloatsThatAreNoNumbersKeepTheirDefaults) {
  const uint64_t nan = 0x7FF8000000000000ull;
  Put(SettingsKey::Root, "FOV", REG_BINARY, &nan, 8);
  const double huge = 1e300;   // a double, but past any float
  Put(SettingsKey::Root, "Shadow", REG_BINARY, &huge, 8);
  Form->LoadSettings();
  EXPECT_FLOAT_EQ(Settings.FOV, 0.4f);
  EXPECT_FLOAT_EQ(Settings.Shadow, 0.2f);
  const double fov = 0.75;
  Put(SettingsKey::Root, "FOV", REG_BINARY, &fov, 8);
  Form->LoadSettings();
  EXPECT_FLOAT_EQ(Settings.FOV, 0.75f);
}

TEST_F(SettingsTest, ANonPositiveIntervalKeepsThePollRunning) {
  PutDword(SettingsKey::V11, "Interval", 0);
  Form->LoadSettings();
  EXPECT_EQ(Settings.Interval, 2000);
  PutDword(SettingsKey::V11, "Interval", 750);
  Form->LoadSettings();
  EXPECT_EQ(Settings.Interval, 750);
}

TEST(ExtOpt, PiecesAreReadByPosition) {
  TMainForm f(nullptr);
  ApplyExtOpt("10");
  EXPECT_TRUE(Settings.LineSmoothing);
  EXPECT_FALSE(Settings.GlobeGrid);
  EXPECT_TRUE(Settings.ShowInfoBalloons);
  EXPECT_EQ(Settings.MapType, 1);
  EXPECT_EQ(Settings.MapZoom, 6);

  f.SetDefaultSettings();
  ApplyExtOpt("");
  EXPECT_TRUE(Settings.LineSmoothing);
  EXPECT_TRUE(Settings.GlobeGrid);

  // a 31-character value whose last character has code 77 marks country 77
  f.SetDefaultSettings();
  std::string s = "110315XXX910" + std::string(18, 'x') + "\x4D";
  ASSERT_EQ(s.size(), 31u);
  ApplyExtOpt(s);
  EXPECT_TRUE(Settings.LineSmoothing);
  EXPECT_TRUE(Settings.GlobeGrid);
  EXPECT_FALSE(Settings.ShowInfoBalloons);
  EXPECT_EQ(Settings.MapType, 3);
  EXPECT_EQ(Settings.MapZoom, 15);
  EXPECT_EQ(Settings.MarkerSize, 9);
  EXPECT_TRUE(Settings.SoundAlert);
  EXPECT_FALSE(Settings.LogConnections);
  EXPECT_EQ(Settings.RogueCountries, "\x4D");

  // logging stays off when position 12 is still the reserved "x"
  f.SetDefaultSettings();
  Settings.LogConnections = true;
  Settings.MarkerSize = 5;
  ApplyExtOpt("111016XXXX1x");
  EXPECT_TRUE(Settings.LogConnections);
  EXPECT_TRUE(Settings.SoundAlert);
  EXPECT_EQ(Settings.MapZoom, 16);
  EXPECT_EQ(Settings.MarkerSize, 5);   // "X" at position 10 is no digit: kept
}

TEST(ExtOpt, GarbledPiecesKeepTheirValues) {
  TMainForm f(nullptr);
  ApplyExtOpt("11?ZZXXXXQ??" + std::string(18, 'x') + std::string("\x00\x05\xFD\xFF", 4));
  EXPECT_EQ(Settings.MapType, 1);
  EXPECT_EQ(Settings.MapZoom, 6);
  EXPECT_EQ(Settings.MarkerSize, 3);
  EXPECT_FALSE(Settings.SoundAlert);
  EXPECT_FALSE(Settings.LogConnections);
  EXPECT_EQ(Settings.RogueCountries, "\x05");   // only country numbers 1..252
}

TEST(ExtOpt, BuiltAsTheOptionsWindowStoresIt) {
  TMainForm f(nullptr);
  EXPECT_EQ(BuildExtOpt(), "111106XXX300xxxxxxxxxxxxxxxxxx");
  EXPECT_EQ(BuildExtOpt().size(), 30u);   // no rogue country: exactly 30 characters
  Settings.MapZoom = 18;
  Settings.SoundAlert = true;
  Settings.RogueCountries = "-A";   // countries 45 and 65: kept after the "-" are removed
  EXPECT_EQ(BuildExtOpt(), "111118XXX310xxxxxxxxxxxxxxxxxx-A");
  f.SetDefaultSettings();
  ApplyExtOpt("111118XXX310xxxxxxxxxxxxxxxxxx-A");
  EXPECT_EQ(Settings.MapZoom, 18);
  EXPECT_TRUE(Settings.SoundAlert);
  EXPECT_EQ(Settings.RogueCountries, "-A");
}

TEST(TableOptions, DefaultsRoundTripAndShortFiles) {
  std::string dir = TempFolder("anacfg");
  std::string cfg = dir + "\\ana.cfg";
  TMainForm f(nullptr);
  f.LoadTableOptions(cfg);   // missing
  EXPECT_EQ(f.TableOptions.Text(), "1\r\n1\r\n1\r\n0\r\n0\r\n");

  f.TableOptions.SetText("0\n0\n0\n1\n1\n");
  f.SaveTableOptions(cfg);
  EXPECT_EQ(ReadTextFile(cfg), "0\r\n0\r\n0\r\n1\r\n1\r\n");
  TMainForm g(nullptr);
  g.LoadTableOptions(cfg);
  EXPECT_EQ(g.TableOptions.Text(), "0\r\n0\r\n0\r\n1\r\n1\r\n");

  WriteTextFile(cfg, "0\r\n0\r\n");   // short: the rest keep their defaults
  g.LoadTableOptions(cfg);
  EXPECT_EQ(g.TableOptions.Text(), "0\r\n0\r\n1\r\n0\r\n0\r\n");

  WriteTextFile(cfg, "yes\r\n 0 \r\n\r\n1\r\n-1\r\nextra\r\n");   // garbled lines
  g.LoadTableOptions(cfg);
  EXPECT_EQ(g.TableOptions.Text(), "1\r\n0\r\n1\r\n1\r\n0\r\n");

  WriteTextFile(cfg, "");
  g.LoadTableOptions(cfg);
  EXPECT_EQ(g.TableOptions.Text(), "1\r\n1\r\n1\r\n0\r\n0\r\n");
}

TEST_F(SettingsTest, WindowBoundsRoundTripAndDefaultToTheDesignSize) {
  EXPECT_EQ(Form->Width(), 344);
  EXPECT_EQ(Form->Height(), 304);
  Form->SetBounds(120, 80, 500, 400);
  Form->WriteMainKey();
  TMainForm g(nullptr);
  g.LoadSettings();
  EXPECT_EQ(g.Left(), 120);
  EXPECT_EQ(g.Top(), 80);
  EXPECT_EQ(g.Width(), 500);
  EXPECT_EQ(g.Height(), 400);
}

TEST_F(SettingsTest, AMaximizedWindowIsStoredWithoutItsBorder) {
  Forms_Initialize();
  {
    TMainForm f(nullptr);
    f.Show();
    f.SetWindowState(TWindowState::wsMaximized);
    ASSERT_EQ(f.WindowState(), TWindowState::wsMaximized);
    const int l = f.Left(), t = f.Top(), w = f.Width(), h = f.Height();
    f.WriteMainKey();
    TRegistry r;
    ASSERT_TRUE(r.OpenKeyReadOnly(std::string("\\") + SettingsKey::Root));
    EXPECT_EQ(r.ReadInteger("Left"), l + 4);
    EXPECT_EQ(r.ReadInteger("Top"), t + 4);
    EXPECT_EQ(r.ReadInteger("Width"), w - 8);
    EXPECT_EQ(r.ReadInteger("Height"), h - 8);
  }
  Forms_Finalize();
}

// A screen with a task bar 40 pixels high along its top: the work area
// starts below it, and the system gives a minimised window's place in the
// work area's coordinates.
constexpr int TaskBarHeight = 40;
BOOL WINAPI TopTaskBarMonitorInfo(HMONITOR Monitor, LPMONITORINFO Info) {
  if (!GetMonitorInfoA(Monitor, Info)) return FALSE;
  Info->rcWork.top = Info->rcMonitor.top + TaskBarHeight;
  return TRUE;
}
BOOL WINAPI TopTaskBarPlacement(HWND Wnd, WINDOWPLACEMENT* Placement) {
  MONITORINFO real{};
  real.cbSize = sizeof real;
  if (!GetWindowPlacement(Wnd, Placement) ||
      !GetMonitorInfoA(MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), &real))
    return FALSE;
  // from this screen's work area to the one below the task bar
  OffsetRect(&Placement->rcNormalPosition, real.rcWork.left - real.rcMonitor.left,
             real.rcWork.top - real.rcMonitor.top - TaskBarHeight);
  return TRUE;
}

TEST_F(SettingsTest, AMinimizedWindowIsStoredWhereItComesBackOnTheScreen) {
  struct TTaskBarScreen {
    TTaskBarScreen() {
      GetMonitorInfoProc = TopTaskBarMonitorInfo;
      GetWindowPlacementProc = TopTaskBarPlacement;
    }
    ~TTaskBarScreen() {
      GetMonitorInfoProc = GetMonitorInfoA;
      GetWindowPlacementProc = GetWindowPlacement;
    }
  } screen;
  Forms_Initialize();
  {
    TMainForm f(nullptr);
    f.SetBounds(120, 80, 500, 400);
    f.Show();
    const int l = f.Left(), t = f.Top(), w = f.Width(), h = f.Height();
    ASSERT_GE(t, TaskBarHeight);
    ShowWindow(f.Handle(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(f.Handle()));
    f.WriteMainKey();
    TRegistry r;
    ASSERT_TRUE(r.OpenKeyReadOnly("\\Software\\Vantrel"));
    EXPECT_EQ(r.ReadInteger("Left"), l);
    EXPECT_EQ(r.ReadInteger("Top"), t);
    EXPECT_EQ(r.ReadInteger("Width"), w);
    EXPECT_EQ(r.ReadInteger("Height"), h);
  }
  Forms_Finalize();
}

// A second monitor left of the first, its work area at negative
// coordinates (the display has only one).
const HMONITOR LeftMonitor = reinterpret_cast<HMONITOR>(static_cast<INT_PTR>(0x5EC0));
BOOL WINAPI LeftMonitorInfo(HMONITOR Monitor, LPMONITORINFO Info) {
  if (Monitor != LeftMonitor) return GetMonitorInfoA(Monitor, Info);
  Info->rcMonitor = Info->rcWork = RECT{-1280, 0, 0, 1024};
  Info->dwFlags = 0;
  return TRUE;
}
BOOL WINAPI TwoMonitors(HDC Dc, LPCRECT Clip, MONITORENUMPROC Callback, LPARAM Data) {
  RECT r{-1280, 0, 0, 1024};
  return EnumDisplayMonitors(Dc, Clip, Callback, Data) && Callback(LeftMonitor, Dc, &r, Data);
}

TEST_F(SettingsTest, StoredBoundsThatHideTheCaptionOrTheViewGiveWayToTheDefaultWindow) {
  Forms_Initialize();
  auto load = [&](int Left, int Top, int Width, int Height) {
    PutDword(SettingsKey::Root, "Left", static_cast<DWORD>(Left));
    PutDword(SettingsKey::Root, "Top", static_cast<DWORD>(Top));
    PutDword(SettingsKey::Root, "Width", static_cast<DWORD>(Width));
    PutDword(SettingsKey::Root, "Height", static_cast<DWORD>(Height));
    Form = std::make_unique<TMainForm>(nullptr);
    Form->LoadSettings();
    return RECT{Form->Left(), Form->Top(), Form->Width(), Form->Height()};
  };
  auto same = [](RECT A, RECT B) { return EqualRect(&A, &B) != 0; };
  // on the monitor at the left: kept as stored
  EnumDisplayMonitorsProc = TwoMonitors;
  GetMonitorInfoProc = LeftMonitorInfo;
  EXPECT_TRUE(same(load(-900, 120, 500, 400), RECT{-900, 120, 500, 400}));
  EnumDisplayMonitorsProc = EnumDisplayMonitors;
  GetMonitorInfoProc = GetMonitorInfoA;
  // with the one monitor there is none there; nor at 100000, nor above the
  // top; no caption and view in a window -500 wide or 0 high
  for (const RECT& r : {RECT{-900, 120, 500, 400}, RECT{100000, 100000, 500, 400}, RECT{100, -60, 500, 400},
                        RECT{100, 100, -500, 0}, RECT{100, 100, 500, 20}}) {
    const RECT got = load(r.left, r.top, r.right, r.bottom);
    EXPECT_EQ(got.right, 344) << r.left << "," << r.top << " " << r.right << "x" << r.bottom;
    EXPECT_EQ(got.bottom, 304);
  }
  Form.reset();
  Forms_Finalize();
}

TEST_F(SettingsTest, LabelsFontFromItsText) {
  EXPECT_EQ(Form->LabelFont.Name(), "Arial");
  EXPECT_EQ(Form->LabelFont.Height(), -9);
  PutString(SettingsKey::V11, "Font", "\"Courier New\", 10, [Bold|Italic], [clRed]");
  Form->LoadSettings();
  EXPECT_EQ(Form->LabelFont.Name(), "Courier New");
  EXPECT_EQ(Form->LabelFont.Size(), 10);
  EXPECT_EQ(Form->LabelFont.Style(), (TFontStyles{TFontStyle::fsBold, TFontStyle::fsItalic}));
  EXPECT_EQ(Form->LabelFont.Color(), clRed);
  EXPECT_EQ(Settings.Font, "\"Courier New\", 10, [Bold|Italic], [clRed]");

  // a bare name is used at 8 points
  PutString(SettingsKey::V11, "Font", "Tahoma");
  Form->LoadSettings();
  EXPECT_EQ(Form->LabelFont.Name(), "Tahoma");
  EXPECT_EQ(Form->LabelFont.Size(), 8);
  EXPECT_EQ(Form->LabelFont.Color(), clRed);

  // an unreadable one keeps the font
  PutString(SettingsKey::V11, "Font", "\"Verdana\", big, [], [clBlue]");
  Form->LoadSettings();
  EXPECT_EQ(Form->LabelFont.Name(), "Tahoma");
  EXPECT_EQ(Settings.Font, "Tahoma");
}

TEST(FontText, WrittenAndReadBack) {
  TFont f;
  f.SetName("Times New Roman");
  f.SetSize(12);
  f.SetStyle({TFontStyle::fsUnderline, TFontStyle::fsStrikeOut, TFontStyle::fsBold});
  f.SetColor(0x0080FF);
  EXPECT_EQ(FontToText(f), "\"Times New Roman\", 12, [Bold|Underline|Strikeout], [$000080FF]");
  TFont g;
  TextToFont(FontToText(f), g);
  EXPECT_EQ(g.Name(), "Times New Roman");
  EXPECT_EQ(g.Size(), 12);
  EXPECT_EQ(g.Style(), f.Style());
  EXPECT_EQ(g.Color(), 0x0080FFu);
  f.SetStyle({});
  f.SetColor(clWindowText);
  EXPECT_EQ(FontToText(f), "\"Times New Roman\", 12, [], [clWindowText]");
  TextToFont(FontToText(f), g);
  EXPECT_TRUE(g.Style().Empty());
  EXPECT_THROW(TextToFont("\"Arial\", 9, [], [clNoSuchColour]", g), EConvertError);
  EXPECT_THROW(TextToFont("[", g), EConvertError);
  EXPECT_EQ(g.Name(), "Times New Roman");   // a failed text changes nothing
}
