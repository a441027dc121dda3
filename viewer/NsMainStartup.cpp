// The main window's life cycle: start-up, first showing, resizing,
// minimising to the tray, the application's exception handler and the end.
#include <winsock.h>

#include <cmath>
#include <cstdlib>

#include "monitor/DatabaseInstall.h"
#include "classlib/WinHandles.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPicking.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"
#include "viewer/components/PopupListEx.h"

namespace {
const char* const HomeFile = "myloc.txt";

// The program's instance: its resources.
HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

// A number as the home-location file writes it: an optional "-", digits,
// optionally a fraction; blanks around it are ignored.
bool TryCodeToFloat(const std::string& Text, double& Value) {
  const std::string t = Trim(Text);
  if (t.empty()) return false;
  size_t i = t[0] == '-' ? 1 : 0;
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') digits = true;
    else if (t[i] == '.' && !point) point = true;
    else return false;
  }
  if (!digits) return false;
  Value = std::strtod(t.c_str(), nullptr);
  return true;
}

// One axis: the code in hundredths of a degree and its further digits,
// which continue the hundredths (four digits are millionths of a degree).
float AxisValue(const std::string& Code, const std::string& Further, const char* Axis) {
  double code = 0;
  if (!TryCodeToFloat(Code, code))
    throw EConvertError(std::string("the ") + Axis + " line \"" + Code + "\" is no number");
  const std::string digits = Trim(Further);
  double fraction = 0, scale = 1;
  for (char c : digits) {
    if (c < '0' || c > '9')
      throw EConvertError(std::string("the further digits of the ") + Axis + " \"" + Further +
                          "\" are no number");
    scale /= 10;
    fraction += (c - '0') * scale;
  }
  const double sign = Trim(Code)[0] == '-' ? -1 : 1;
  return static_cast<float>(code / 100 + sign * fraction / 100);
}
}  // namespace

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return ExtractFilePath(std::string(path, n < MAX_PATH ? n : 0));
}

THomeLocation ReadHomeLocation(const std::string& FileName) {
  TStringList lines;
  lines.LoadFromFile(FileName);
  if (lines.Count() < 4)
    throw EConvertError("it holds " + IntToStr(lines.Count()) +
                        " lines, not the address, the place and the two coordinates");
  while (lines.Count() < 6) lines.Add("0000");
  THomeLocation h;
  h.IP = lines[0];
  h.Label = "\xBB" + lines[1];
  h.Coordinates = lines[3] + ";" + lines[2];
  h.Longitude = AxisValue(lines[2], lines[4], "longitude");
  h.Latitude = AxisValue(lines[3], lines[5], "latitude");
  return h;
}

THudBarLayout HudBarLayout(int ViewerWidth, int ViewerHeight, float SpriteHeight) {
  THudBarLayout l{};
  if (ViewerWidth < 334) {
    l.Width = static_cast<float>(ViewerWidth - 4);
    l.Height = l.Width / 10;
  } else {
    l.Width = 332;
    l.Height = SpriteHeight;
  }
  l.X = static_cast<float>(ViewerWidth) / 2;
  l.Y = static_cast<float>(ViewerHeight) - 2 - l.Height / 2;
  return l;
}

float ClampZoom(float NearPlaneBias, int ViewerWidth, int ViewerHeight) {
  const float most = static_cast<float>(ViewerWidth + ViewerHeight) / 300;
  if (NearPlaneBias < 0.01f) NearPlaneBias = 0.01f;
  if (NearPlaneBias > most) NearPlaneBias = most;
  return NearPlaneBias;
}

int SystemMenuFontSize() {
  NONCLIENTMETRICSA m{};
  m.cbSize = 340;   // the size every Windows version accepts (no padded border)
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, m.cbSize, &m, 0))
    m.lfMenuFont = LOGFONTA{-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"};
  ViewResources.MenuFont.Reset(CreateFontIndirectA(&m.lfMenuFont));
  HDC dc = GetDC(nullptr);
  const int ppi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return -MulDiv(m.lfMenuFont.lfHeight, 72, ppi);
}

// ---- Start-up ----

void TMainForm::FormCreate(TObject*) {
  Settings.Savepath = GetCurrentDir() + "\\images";

  if (!FileExists(HomeFile)) {
    // The first run: the wizard installs the database and the home
    // location, then starts this program again. Nothing more starts here.
    WindowModes.FirstRun = true;
    StartWizard();
    Application->ShowMainForm = false;
    Application->Terminate();
    return;
  }

  WSADATA wsa;
  if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0) {
    TellUser("Could not initialize Winsock.", MB_OK | MB_ICONERROR);
    Application->ShowMainForm = false;
    Application->Terminate();
    return;
  }
  FWinsockStarted = true;

  SetPopupMenu(PopupMenu1);
  PreparePopupTable();
  Application->OnException = [this](TObject* S, Exception& E) { AppException(S, E); };

  // No task-bar button of the application window: the tray icon stands for it.
  HWND app = Application->Handle();
  ShowWindow(app, SW_HIDE);
  SetWindowLongPtrA(app, GWL_EXSTYLE, GetWindowLongPtrA(app, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
  ShowWindow(app, SW_SHOW);

  if (FileExists("data\\texture.jpg"))
    LoadEarthTexture("data\\texture.jpg");
  else if (FileExists("texture.jpg"))
    LoadEarthTexture("texture.jpg");
  else
    LoadEarthTexture("");

  LogState.LogPath = ProgramFolder() + "tcp.log";
  LoadDatabase();

  SetDefaultSettings();
  LoadSettings();
  SettingsRead = true;

  SetUpPointSets();
  SetUpSnapshots();
  SetUpLight();
  Screen->SetCursors(1, LoadCursorA(Instance(), "cur2"));
  Screen->SetCursors(2, LoadCursorA(Instance(), "myCursor"));
  ViewResources.HudImages.clear();
  for (int id = IDB_HUD_FIRST; id <= IDB_HUD_LAST; ++id) {
    auto b = std::make_unique<TBitmap>();
    b->LoadFromResourceID(Instance(), id);
    ViewResources.HudImages.push_back(std::move(b));
  }
  SetUpCameraAndHud();

  PollIdle = true;
  Timer->SetInterval(999);   // the first poll; the first frame sets the configured period
  Timer->SetEnabled(true);
  Timer1->SetInterval(500);
  Timer1->SetEnabled(true);
  PollState.AutorefreshText = "; Autorefresh ON";
  PollState.ConnectionsSuffix = " connection(s)";

  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&v);
#pragma GCC diagnostic pop
  ViewResources.OSMajorVersion = static_cast<uint8_t>(v.dwMajorVersion);
  ViewResources.PopupYOffset = ViewResources.OSMajorVersion < 6 ? 4 : 6;

  ConnectionsTable1->Enabled = !Settings.InternalOff;
  const std::string anaCfg = ProgramFolder() + "ana.cfg";
  if (FileExists(anaCfg))
    LoadTableOptions(anaCfg);
  else
    TableOptions.SetText("1\n1\n1\n0\n0\n");

  try {
    TrayIcon1->Icon()->LoadFromResourceName(Instance(), "MAINICON");
  } catch (const EResNotFound&) {
  }
  TrayIcon1->SetActive(true);
  FStarted = true;
}

// The database files: r.dat, geoip.dat (kept open), cities.dat. A database
// that cannot be used is reported; the program goes on and every lookup
// answers "not in database". Files that do not fit together are reported
// too; the lookups search what they hold.
void TMainForm::LoadDatabase() {
  // Never while the wizard installs: the lock is held from the recovery of
  // an installation a crash cut short until the files are open, and given
  // back before the user is told anything.
  std::string told;
  {
    TInstallLock lock(InstallLockWaitMs);
    std::string why;
    if (!lock.Owned()) {
      told = "The location database is being installed by the Vantrel Database Wizard.\n\nVantrel shows the "
             "connections without their places; start it again when the wizard has finished.";
    } else if (!RecoverDatabase(why) && !DatabaseSettled()) {
      told = "An interrupted installation of the location database cannot be finished:\n" + why +
             "\n\nVantrel shows the connections without their places until it is finished at a later start "
             "(or by \"vantrelwiz -u\").";
    } else {
      // One message, naming each file and what is wrong with it.
      try {
        LocationDatabase.Load("data");
        std::string damage;
        for (const std::string& line : LocationDatabase.Damage) damage += line + "\n";
        if (!damage.empty())
          told = "is damaged:\n" + damage +
                 "\nVantrel shows the places it finds; some connections may be shown without their place or at "
                 "a wrong one.";
      } catch (const Exception& E) {
        told = "cannot be used:\n" + E.Message + "\n\nVantrel shows the connections without their places.";
      }
      if (!told.empty())
        told = "The location database in the data folder " + told + " Run \"vantrelwiz -u\" to install the database.";
    }
  }
  if (!told.empty()) TellUser(told, MB_OK | MB_ICONWARNING);
}

// The column header of the popup table, measured and written in the menu
// font itself, as the system draws the popup's rows.
void TMainForm::PreparePopupTable() {
  SystemMenuFontSize();   // makes MenuFont
  TMemoryDC memory;
  const HDC dc = memory.Get();
  memory.Select(ViewResources.MenuFont.Get());
  auto width = [dc](const char* Text) {
    SIZE s{};
    GetTextExtentPoint32A(dc, Text, lstrlenA(Text), &s);
    return static_cast<int>(s.cx);
  };
  ViewResources.ColumnWidth1 = width("123.456.789.034:87659        ");
  ViewResources.ColumnWidth2 = width("SYN_RECEIVED    ");
  ViewResources.ColumnWidth3 = width("[System process]          ");
  ViewResources.SpaceWidth = width(" ");
  SIZE tg{};
  GetTextExtentPoint32A(dc, "Tg", 2, &tg);
  ViewResources.RowHeight = tg.cy + 6;

  const int total = 2 * ViewResources.ColumnWidth1 + 6 + ViewResources.ColumnWidth2 + ViewResources.ColumnWidth3;
  PopupHeader.SetSize(total, ViewResources.RowHeight);
  memory.Select(PopupHeader.Handle());
  const RECT all{0, 0, total, ViewResources.RowHeight};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  memory.Select(GetStockObject(BLACK_PEN));
  MoveToEx(dc, 0, ViewResources.RowHeight - 1, nullptr);
  LineTo(dc, total, ViewResources.RowHeight - 1);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  auto text = [dc](int X, const char* Text) { TextOutA(dc, X, 3, Text, lstrlenA(Text)); };
  text(6, "Local IP:Port");
  text(ViewResources.ColumnWidth1 + 6, "Remote IP:Port");
  text(2 * ViewResources.ColumnWidth1 + 6, "State");
  text(2 * ViewResources.ColumnWidth1 + 6 + ViewResources.ColumnWidth2, "Process Name");
}

// ---- First showing ----

void TMainForm::FormShow(TObject*) {
  // Home is read once the start-up has run (a window made without it, as
  // in a test, has no home file to read).
  if (WindowModes.FirstMainShow && FStarted) {
    WindowModes.FirstMainShow = false;
    ReadHome();
    PlaceCameraAboveHome();
  }
  LayoutHudBar();
}

// Home from myloc.txt; a file that cannot be read leaves home at 0, 0 and
// is left as it is.
void TMainForm::ReadHome() {
  try {
    const THomeLocation h = ReadHomeLocation(HomeFile);
    GlobeState.HomeIP = h.IP;
    GlobeState.HomeLabel = h.Label;
    GlobeState.HomeCoordinates = h.Coordinates;
    GlobeState.HomeLongitude = h.Longitude;
    GlobeState.HomeLatitude = h.Latitude;
  } catch (const Exception& E) {
    TStringList lines;
    try {
      lines.LoadFromFile(HomeFile);
    } catch (const Exception&) {
    }
    GlobeState.HomeIP = lines.Count() > 0 ? lines[0] : std::string();
    GlobeState.HomeLabel = "\xBB" + (lines.Count() > 1 ? lines[1] : std::string("Home"));
    GlobeState.HomeCoordinates = "0;0";
    GlobeState.HomeLongitude = GlobeState.HomeLatitude = 0;
    TellUser("The home location file " + GetCurrentDir() + "\\" + HomeFile +
                 " cannot be used: " + E.Message +
                 ".\n\nHome is placed at 0, 0 for now. Run \"vantrelwiz -h\" to set it again.",
             MB_OK | MB_ICONWARNING);
  }
}

void TMainForm::FormOnResize(TObject*) {
  // Minimised, the view has no area: the bar and the zoom stay as they are.
  if (Scene3DViewer1->Width() <= 0 || Scene3DViewer1->Height() <= 0) return;
  LayoutHudBar();
  ClampCameraZoom();
}

// ---- Minimising, exceptions, closing ----

void TMainForm::WndProc(TMessage& M) {
  if (M.Msg == WM_FREEOPTIONCONTROLS) {
    FreeClosedControls();
    return;
  }
  // A popup menu opened or closed (the popup list tells the active form).
  if (M.Msg == CM_ENTERMENULOOP) {
    WindowModes.PopupMenuOpen = true;
    return;
  }
  if (M.Msg == CM_EXITMENULOOP || M.Msg == CM_MENUCLOSED) {
    WindowModes.PopupMenuOpen = false;
    HoverState.HoverHighlight = false;
    return;
  }
  if (M.Msg == WM_SYSCOMMAND && (M.WParam & 0xFFF0) == SC_MINIMIZE) {
    // Minimised and hidden: the tray icon stands for the window. Handing the
    // command on would show the window again as a task-bar button.
    ShowWindow(Handle(), SW_MINIMIZE);
    Hide();
    M.Result = 0;
    return;
  }
  TForm::WndProc(M);
}

void TMainForm::TrayIcon1Click(TObject*) {
  HWND h = Handle();
  if (IsIconic(h)) {
    Show();   // restored to its normal size
  } else if (!IsWindowVisible(h)) {
    Show();
    if (BorderStyle() == TFormBorderStyle::bsNone && !FullScreenActive())
      SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    else if (BorderStyle() == TFormBorderStyle::bsSizeable)
      SetForegroundWindow(h);
  } else {
    Hide();
  }
}

void TMainForm::AppException(TObject*, Exception& E) {
  Settings.SaveImages = false;   // no more snapshots this run
  PollState.SnapshotClock = 0;
  ShowError(E);
}

void TMainForm::actExitExecute(TObject*) { Close(); }

void TMainForm::FormDestroy(TObject*) {
  // The end may tell the user something (a log that cannot be written): no
  // poll or sun step runs behind its message box on a window going away.
  Timer->SetEnabled(false);
  Timer1->SetEnabled(false);
  // Each step runs even when one before it failed.
  auto step = [this](const auto& Do) {
    try {
      Do();
    } catch (...) {
      if (Application) Application->HandleException(this);
    }
  };
  step([&] { WriteLogAtEnd(); });
  ViewResources.MenuFont.Reset();
  step([&] {
    if (FileExists(ProgramFolder() + HomeFile)) SaveTableOptions(ProgramFolder() + "ana.cfg");
  });
  if (!WindowModes.FirstRun) LocationDatabase.Close();
  ViewResources.HudImages.clear();
  if (FWinsockStarted) {
    WSACleanup();
    FWinsockStarted = false;
  }
  TakeViewSettings();
  if (DesktopModeActive()) Settings.Implant = true;
  // Settings that were never read are never written over the user's.
  if (!WindowModes.FirstRun && SettingsRead) step([&] { WriteMainKey(); });
  if (Application) Application->OnException = nullptr;
}

// ---- Seams of the platform ----

void TMainForm::TellUser(const std::string& Text, UINT Flags) {
  ShowMessageBox(Text, Application->Title(), Flags);
}

void TMainForm::ShowMessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  Application->MessageBox(Text, Caption, Flags);
}

void TMainForm::ShowError(const Exception& E) { Application->ShowException(E); }

void TMainForm::StartWizard() {
  ShellExecuteProc(Handle(), nullptr, "vantrelwiz.exe", nullptr, nullptr, SW_SHOWNORMAL);
}

