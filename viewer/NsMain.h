// The main window: the state every part of the program shares, its life
// cycle, the poll of the connection tables, the globe model and the
// connection log, the sun and the settings.
#pragma once

// Program resources (viewer/vantrel.rc): the HUD bar pictures are the
// bitmaps 2..12; the cursors are named "cur2" and "myCursor".
#define IDB_HUD_FIRST 2
#define IDB_HUD_LAST 12
// The options window's header picture and its browse and clear glyphs.
#define IDB_OPTIONS_HEADER 13
#define IDB_BROWSE 22
#define IDB_CLEAR 23

#ifndef RC_INVOKED
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "classlib/ActnList.h"
#include "classlib/Classes.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "classlib/Menus.h"
#include "monitor/Unit2.h"
#include "monitor/uAnalyzedLines.h"
#include "monitor/uConnectionTables.h"
#include "monitor/uLocationDatabase.h"
#include "monitor/uMonitorHost.h"
#include "viewer/components/TrayIcon.h"
#include "scene3d/Base/VectorGeometry.h"
#include "scene3d/GLCadencer.h"
#include "scene3d/GLHUDObjects.h"
#include "scene3d/GLObjects.h"
#include "scene3d/GLTexture.h"
#include "scene3d/GLWindowsFont.h"
#include "scene3d/Platform/GLWin32FullScreenViewer.h"
#include "scene3d/Platform/GLWin32Viewer.h"
#include "scene3d/Scene3D.h"
#include "viewer/uToolHelpAPI.h"

class TRegistry;
class TNetEchoProbe;
class TWorkerExecuteThread;
class TWorkerThread;
class TGLCanvas;
class TImage;
class TPageControl;
class TTabSheet;
struct THudBarSize;
class TPanel;
class TBitBtn;
class TButton;
class TCheckBox;
class TCheckListBox;
class TComboBox;
class TLabel;
class TLabeledEdit;
class TShape;
class TUpDown;
class TEdit;
enum class TUDBtnType;

// The controls of the options and about window that its handlers and OK
// read; the window owns them from each opening to its closing.
struct TOptionControls {
  TPageControl* Pages = nullptr;
  // "&Options"
  TEdit *RefreshDisplay = nullptr, *RotationDisplay = nullptr, *SnapshotDisplay = nullptr;
  TUpDown *RefreshUpDown = nullptr, *RotationUpDown = nullptr, *SnapshotUpDown = nullptr;
  TCheckBox *LogConnections = nullptr, *StayOnTop = nullptr, *SaveImages = nullptr, *Overwrite = nullptr,
            *Timestamp = nullptr, *InternalOff = nullptr, *Advanced = nullptr;
  TBitBtn *LoadButton = nullptr, *BrowseButton = nullptr, *ClearButton = nullptr, *FolderButton = nullptr;
  TLabeledEdit* IPList = nullptr;
  TPanel* Cover = nullptr;
  // "&Visuals"
  TShape* Swatches[4] = {};
  TEdit *LineDisplay = nullptr, *PointDisplay = nullptr;
  TUpDown *LineUpDown = nullptr, *PointUpDown = nullptr;
  TCheckBox *Smoothing = nullptr, *Grid = nullptr, *ExtendLabels = nullptr;
  TLabel* FontPreview = nullptr;
  TButton* FontButton = nullptr;
  // "&Web Map"
  TComboBox *MapType = nullptr, *MapZoom = nullptr;
  TCheckBox* Balloons = nullptr;
  // "&Rogue Countries"
  TCheckListBox* Countries = nullptr;
  TCheckBox* SoundAlert = nullptr;
  TEdit* MarkerDisplay = nullptr;
  TUpDown* MarkerUpDown = nullptr;
  // about tab
  TLabel* UpdateLink = nullptr;
  // every control built, in the order made (freed backwards on closing)
  std::vector<TControl*> Built;
};

class TOpenDialog;

#include "viewer/NsMainPopup.h"


class TMainForm : public TForm, public TMonitorHost {
  DECLARE_CLASSINFO(TMainForm)
public:
  explicit TMainForm(TComponent* AOwner);
  ~TMainForm() override;

  // ---- Components ----
  TTimer* Timer;   // the poll timer, made disabled; FormCreate starts it
  TTimer* Timer1;  // the sun timer, made disabled; FormCreate starts it
  TTrayIcon* TrayIcon1;   // made inactive; FormCreate shows it, the poll writes its tooltip
  TActionList* ActionList;
  TAction* actRefresh;
  TAction* actAllEndpoints;
  TAction* actAutoRefresh;
  TAction* actNIC;
  TAction* actConnections;
  TAction* actExit;
  TAction* acttable;     // F2: the Connections Table
  TAction* actanalyze;   // F4: analyse a file
  TPopupMenu* PopupMenu1;   // the per-location menu
  TPopupMenu* PopupTray;    // the tray icon's menu
  TMenuItem* ConnectionsTable1;
  TMenuItem* EnterIP1;              // "Analyze file"
  TMenuItem* Unloadanalysedfile1;   // "Unload analyzed file"
  TMenuItem* HideVisualization1;    // cancels a scan; never visible
  TMenuItem* ConfigAbout1;          // "Config/About"
  TMenuItem* Resetwindow1;          // "Focus Window"
  TMenuItem* Help1;                 // "Help"
  TMenuItem* Exit1;
  TOpenDialog* OpenDialog1;         // the file picker of freq
  TBitmap PopupHeader;      // Image1's picture: the popup table's column header

  // ---- The 3D view (NsMainScene.cpp) ----
  // Scene3D1 holds GLHUDSprite1, GLSphere1 (with GLLightSource1 and
  // GLPoints1..8 as its children), GLDirectOpenGL1, GLHUDSprite2 and the
  // camera GLCamera1.
  TGLMaterialLibrary* GLMaterialLibrary1;
  TScene3D* Scene3D1;
  TGLHUDSprite* GLHUDSprite1;   // the desktop picture behind the globe (desktop mode)
  TGLSphere* GLSphere1;
  TGLLightSource* GLLightSource1;
  TGLPoints* GLPoints1;   // location points
  TGLPoints* GLPoints2;   // traceroute hop points
  TGLPoints* GLPoints3;   // surface points below the locations (hidden)
  TGLPoints* GLPoints4;   // surface points below the hops
  TGLPoints* GLPoints5;   // black outline behind the location points
  TGLPoints* GLPoints6;   // black outline behind the hop points
  TGLPoints* GLPoints7;   // halo of locations in rogue countries
  TGLPoints* GLPoints8;   // halo of hops in rogue countries
  TGLDirectOpenGL* GLDirectOpenGL1;
  TGLHUDSprite* GLHUDSprite2;   // the HUD bar
  TGLCamera* GLCamera1;
  TScene3DViewer* Scene3DViewer1;
  TGLFullScreenViewer* GLFullScreenViewer1;
  TGLCadencer* GLCadencer1;
  TGLWindowsBitmapFont* GLWindowsBitmapFont1;

  // ---- Life cycle (NsMainStartup.cpp) ----
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormOnResize(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void actExitExecute(TObject* Sender);
  void AppException(TObject* Sender, Exception& E);
  void TrayIcon1Click(TObject* Sender);
  bool SettingsRead = false;   // LoadSettings ran to its end: the settings may be written back

  // ---- Connection tables and location database ----
  TConnectionTables ConnectionTables;
  TLocationDatabase LocationDatabase;
  void ReadTCPTable() { ConnectionTables.ReadTCPTable(); }
  void ReadUDPTable() { ConnectionTables.ReadUDPTable(); }
  // Result := the location line of IP (see TLocationDatabase::iplocate).
  void iplocate(const std::string& IP, std::string& Result);

  // ---- Fields ----
  bool PollIdle = true;
  TStringList VisualizedIPs;   // entry 0 = home, then the addresses to plot
  TStringList TableOptions;    // the five lines of ana.cfg
  TStringList LocationLabels;
  TStringList HoverList;
  TStringList LogEntries;
  TStringList LogCarry;
  TStringList IPListLines;
  TStringList DetailRows;      // connection rows of the globe's details popup
  TStringList TableRows;       // connection rows of the Connections Table
  TAnalyzedLines AnalyzedLines;
  TStringList AnalyzedIPs;
  TStringList RouteHops;
  TStringList RouteLabels;
  TStringList& Cities;         // lines of data\cities.dat (the database's)
  TStringList& DatabaseInfo;   // lines of data\r.dat (the database's)
  std::string RouteTarget;
  TFont LabelFont;   // the globe labels' font, the "Font" setting applied

  // ---- The poll (NsMainRefresh.cpp, NsMainPoll.cpp) ----
  void Refresh(bool ReadTables);
  void AddressToText(DWORD Address, std::string& Text);
  void LocalAddressToText(DWORD Address, std::string& Text);
  // "&" + name + ": " + PID onto the last table line, "&" + name onto the
  // last detail line; nothing when the list is empty.
  void TableProcessNameOfPid(DWORD Pid);
  void DetailProcessNameOfPid(DWORD Pid);
  // The list-view row of a table line; TCP rows are located.
  TConnectionItem ConnectionItemOf(const std::string& Line, bool Tcp);
  void TimerTimer(TObject* Sender);
  void actRefreshExecute(TObject* Sender);
  void ActionExecute(TObject* Sender);
  void actAllEndpointsExecute(TObject* Sender);
  void actAutoRefreshExecute(TObject* Sender);

  // ---- Connection commands (NsMainCommands.cpp) ----
  // A command of the Connections Table (a tool button, or a menu item whose
  // hint is "ct") takes its row from the table's selection; an item of the
  // globe's popup carries the row's data in its hint or caption.
  void ConnectionsTable1Click(TObject* Sender) override;
  void closenonnectionClick(TObject* Sender) override;
  void killconnectionClick(TObject* Sender) override;
  void webinfoClick(TObject* Sender) override;
  void whoisClick(TObject* Sender) override;
  void gmClick(TObject* Sender) override;
  // Turns the camera over plotted entry Index (the table's double click);
  // false when the entry has no place.
  bool TurnCameraTo(int Index);
  // All location labels on, or off again.
  void allnames(TObject* Sender);

  // ---- File analysis (NsMainAnalysis.cpp) ----
  void EnterIP1Click(TObject* Sender) override;
  void Unloadanalysedfile1Click(TObject* Sender) override;
  void HideVisualization1Click(TObject* Sender) override;
  void showentryClick(TObject* Sender);   // the item's caption is the address
  // The file picker: AnalyzedFilePath := the chosen file, empty when cancelled.
  void freq(TObject* Sender);
  bool Scanning() const { return FScanning; }

  // ---- What the monitor's windows read (TMonitorHost) ----
  TStringList& Options() override { return TableOptions; }
  const TStringList& PlottedAddresses() override { return VisualizedIPs; }
  const TAnalyzedLines& AnalyzedFileLines() override { return AnalyzedLines; }
  const TStringList& AnalyzedAddresses() override { return AnalyzedIPs; }
  std::string TableTime() override;
  void LocateAddress(const std::string& IP, std::string& Result) override { iplocate(IP, Result); }
  void ConnectionsTableClosed() override;
  void TurnGlobeTo(int Index) override;

  // ---- Settings (NsMainSettings.cpp) ----
  void SetDefaultSettings();
  void LoadSettings();
  // FOV, Rotate and Shadow from the view: the camera's zoom, the cadencer,
  // the light's ambient red.
  void TakeViewSettings();
  void WriteMainKey();      // "\Software\Vantrel"
  void WriteOptionKeys();   // the four sub-keys
  // ana.cfg: five lines "0"/"1"; a short or garbled file keeps the
  // defaults of the lines it lacks.
  void LoadTableOptions(const std::string& FileName);
  void SaveTableOptions(const std::string& FileName) const;

  // ---- Options and about window (NsMainOptions.cpp) ----
  void ConfigAbout1Click(TObject* Sender) { aboutform(Sender); }
  void aboutform(TObject* Sender);
  void okclick(TObject* Sender);
  void cancelclick(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);   // the options window's
  void advclick(TObject* Sender);
  void UpDown1Click(TObject* Sender, TUDBtnType Button);
  void UpDown2Click(TObject* Sender, TUDBtnType Button);
  void UpDown3Click(TObject* Sender, TUDBtnType Button);
  void UpDown4Click(TObject* Sender, TUDBtnType Button);
  void UpDown5Click(TObject* Sender, TUDBtnType Button);
  void UpDown6Click(TObject* Sender, TUDBtnType Button);
  void czekimageclick(TObject* Sender);
  void direq(TObject* Sender);
  void delfile(TObject* Sender);
  void pcolor1(TObject* Sender);
  void pcolor2(TObject* Sender);
  void pcolor3(TObject* Sender);
  void pcolor4(TObject* Sender);
  void fontclick(TObject* Sender);
  void updatedbase(TObject* Sender);
  TOptionControls OptionControls;         // valid while the window is open
  std::string ChosenFolder;        // the output folder chosen in the window
  std::string ChosenFontName;      // the labels font chosen in the window
  int ChosenFontSize = 0;          // 0: no font chosen since the last OK
  TFontStyles ChosenFontStyle;
  std::string ChosenFontText;      // the "Font" setting of the chosen font
  // The load button's caption, kept between openings: "[&Unload]" while the
  // connection log it loaded is analysed.
  std::string LoadCaption = "[&Load]";

  // ---- Globe model and connection log (NsMainGlobe.cpp, NsMainLog.cpp) ----
  // Locates VisualizedIPs: places, labels, merged addresses, rogue
  // countries and the connection log; the point sets through the seams below.
  virtual void UpdateGlobe();
  void LogAddress(const std::string& Address, const std::string& CountryCode);
  void FlushLog();         // writes the finished entries to tcp.log
  void WriteLogAtEnd();    // at program end: every entry, "[Program terminated]"
  bool LoggingOn() const;  // "LogConnections" on

  // ---- Traceroute (NsMainRoute.cpp) ----
  TWorkerThread* WorkerThread1;   // runs the trace
  // Makes the echo client of each trace attempt; tests script one.
  std::function<std::unique_ptr<TNetEchoProbe>()> NewTraceProbe;
  // A popup item: "Clear Route", or the address to trace in its caption.
  void rou1Click(TObject* Sender);
  void WorkerThread1Start(TObject* Sender, TWorkerExecuteThread* Thread, void*& Data);
  void WorkerThread1Execute(TObject* Sender, TWorkerExecuteThread* Thread, void*& Data);
  void WorkerThread1Terminate(TObject* Sender, TWorkerExecuteThread* Thread, void*& Data);
  // Locates RouteHops, merges hops that share a place and lays the route out.
  void routetoCoor();
  // The segment from hop RoutePrevious (0: from home) to hop
  // RouteEnd at RouteCurrent, as vertex pairs inside
  // glBegin(GL_LINES): at the route's radius, and on the surface for its
  // shadow.
  void routeinterpoints();
  void routeinterpointssh();

  // ---- Picking, the HUD bar and the mouse (NsMainPicking.cpp) ----
  void Scene3DViewer1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void Scene3DViewer1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void Scene3DViewer1MouseLeave(TObject* Sender);
  void Scene3DViewer1OnClick(TObject* Sender);
  void Scene3DViewer1DblClick(TObject* Sender);
  void FormMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled);
  void hudclick(TObject* Sender);
  void SetViewerCursors(TCursor Cursor);   // both viewers
  void autorotation(TObject* Sender);
  void hiliteshadow(TObject* Sender);

  // ---- The location popup (NsMainPopup.cpp) ----
  // Runs one refresh that gathers the connection rows, rebuilds
  // PopupMenu1 for the picked addresses (one per line) and shows it by the
  // pointer. RouteTarget := the first address.
  void LocationPopup(const std::string& Clicked, bool HopClicked, bool FileLocation);
  // What a chosen item of the location popup does; Sender is the item.
  void RunPopupCommand(TPopupCommand Command, TObject* Sender);
  // Owner-drawn items: address items, the column header, and the
  // measure of a details item.
  void n01MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
  void d11MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
  void d11AdvancedDrawItem(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State);
  void details1MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
  // Where the popup opens for the pointer at MouseX, MouseY (screen).
  POINT PopupPoint();

    TMenuItem* StayOnTop1;   // invisible: form style stay-on-top when checked
  void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void FullScreen1Click(TObject* Sender);
  void StayOnTop1Click(TObject* Sender);
  void Resetwindow1Click(TObject* Sender);   // the tray's "Focus Window"
  void FormActivate(TObject* Sender);
  void Help1Click(TObject* Sender);
  void LeaveFullScreen();   // Esc
  // Toggles of the keys and the HUD bar.
  void autorefresz(TObject* Sender);
  void connectedpoints(TObject* Sender);

  // ---- Sun (NsMainSun.cpp) ----
  void timUpdateSunTimer(TObject* Sender);
  double GMTNow();                // UTC now as a date-time number
  void SunPosition(double T);     // T: UTC date-time number
  // Turns the view around the globe by one step (idle frames while "Rotate").
  void GLCadencer1Progress(TObject* Sender, double deltaTime, double newTime);

  // ---- Drawing pass (NsMainDraw.cpp) ----
  // The OnRender of GLDirectOpenGL1: pins, arcs from home and their
  // shadows, the route, the grid, the status line and the labels.
  void DirectOpenGLRender(TObject* Sender, TRenderContextInfo& rci);
  // What the pass keeps from frame to frame: the entries whose place
  // repeats an earlier entry's, and the batch of the texts' glyphs.
  struct TGlobeDrawing;
  struct TGlobeDrawingFree {
    void operator()(TGlobeDrawing* Drawing) const;
  };

  // ---- Snapshots (NsMainSnapshot.cpp) ----
  // After every frame of the windowed view: a JPEG of it every "SIInterval"
  // seconds into "Savepath".
  void Scene3DViewer1AfterRender(TObject* Sender);
  void GLFullScreenViewer1AfterRender(TObject* Sender);
  // The file the next snapshot goes to.
  std::string SnapshotFileName() const;

protected:
  void WndProc(TMessage& Message) override;   // WMSysCommand
  // A window whose stored place was not used is put where the system puts
  // new windows (FDefaultPlace).
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void BoundsChanged() override;
  // Shows a message to the user, captioned with the application title.
  virtual void TellUser(const std::string& Text, UINT Flags);
  // The same with a caption of its own.
  virtual void ShowMessageBox(const std::string& Text, const std::string& Caption, UINT Flags);
  // The application's standard exception message.
  virtual void ShowError(const Exception& E);
  // Starts "vantrelwiz.exe" without parameters (the first run).
  virtual void StartWizard();
  // The alert sound, "ping.wav".
  virtual void PlayAlert();
  // The date and time texts of the connection log, taken once per update.
  virtual void LogStamp(std::string& Date, std::string& Time);

  // ---- The 3D scene's side of the start-up and the globe update ----
  // FormCreate: the earth texture ("data\texture.jpg" or "texture.jpg";
  // empty when neither exists), the point sets' sizes and colours, the
  // snapshot handler ("SaveImages"), the light's ambient level ("Shadow"),
  // the camera's zoom ("FOV") and the HUD bar's first picture.
  virtual void LoadEarthTexture(const std::string& FileName);
  virtual void SetUpPointSets();
  virtual void SetUpSnapshots();
  virtual void SetUpLight();
  virtual void SetUpCameraAndHud();
  // FormShow and FormOnResize: the camera above home (first showing), the
  // HUD bar's layout (HudBarLayout) and the zoom clamp (ClampZoom).
  virtual void PlaceCameraAboveHome();
  virtual void LayoutHudBar();
  virtual void ClampCameraZoom();
  // UpdateGlobe: ClearPointSets(n) before the loop (n positions); per entry
  // either PlotNothing (no place: position (0, 0, 0), no colour) or
  // PlotLocation (the place in LocationLongitudes/LocationLatitudes at
  // Radius, the point's colour and the rogue halo's colour); EndPointSets
  // after the loop (outline and halo take the positions; redraw).
  virtual void ClearPointSets(int Count);
  virtual void PlotNothing(int Index);
  virtual void PlotLocation(int Index, float Radius, const TVector& PointColor, const TVector& HaloColor);
  virtual void EndPointSets();
  // The sun: the direction of the parallel light.
  virtual void SetSunDirection(const TAffineVector& Direction);
  // The desktop mode shows (the desktop picture sprite is visible), the
  // full-screen viewer is active, and the camera's current zoom.
  virtual bool DesktopModeActive() const;
  virtual bool FullScreenActive() const;
  virtual float CameraZoom() const;
  // The table's double click: the globe stops turning, the camera moves to
  // Position (looking at the globe) and takes the zoom; ClampCameraZoom then
  // keeps it within the viewer's limits.
  virtual void StopRotation();
  virtual void SetCameraPosition(const TAffineVector& Position);
  virtual void SetCameraZoom(float Bias);   // the current zoom (saved with the settings)
  // The view is drawn again (the labels changed).
  virtual void RepaintGlobe();

  // The route's point sets: ClearRoutePointSets(n) empties them and gives
  // them n positions; PlotHop places hop Index (Located false: at the
  // centre, no ring colour); EndRoutePointSets lets the outline and ring
  // sets take the hop positions and redraws.
  virtual void ClearRoutePointSets(int Count);
  virtual void PlotHop(int Index, const TAffineVector& Point, const TAffineVector& Shadow, bool Located,
                       const TVector& RingColor);
  virtual void EndRoutePointSets();

  // Hooks into the windows that the poll drives.
  // The Connections Table window: shows the rows the poll built, keeping
  // the user's sort, and reports whether it is on screen.
  virtual void ShowConnectionItems(const std::vector<TConnectionItem>& Items);
  virtual bool ConnectionsTableVisible() const;
  // Its check boxes; until the window shows them they follow ana.cfg.
  virtual bool HideOwnConnections() const;
  virtual bool ShowUdpConnections() const;
  virtual bool TableAutorefresh() const;
  // Desktop mode on or off.
  virtual void ImplantClick(TObject* Sender);
  // The window modes' side of the scene: the desktop picture sprite shown
  // or hidden, sized to the square and given the captured wallpaper; the
  // full-screen viewer entered and left.
  virtual void ShowDesktopPicture(bool Show);
  virtual void PlaceDesktopPicture(int Size);
  virtual void SetDesktopPicture(TBitmap& Wallpaper);
  virtual void EnterFullScreenViewer();
  virtual void LeaveFullScreenViewer();
  // The HUD bar sprite: shown or not, its size, and its picture (0 the
  // plain bar, k the bar with cell k lit).
  virtual bool HudBarVisible() const;
  virtual void ShowHudBar(bool Show);
  virtual THudBarSize HudBarSize() const;
  virtual void SetHudImage(int Cell);

private:
  void AddPopupItems(TMenuItem* Parent, const std::vector<TPopupItemSpec>& Specs);
  TStringList FTraceHops;   // the worker's best list, taken over at the end
  void MakeScene();
  void Redraw();   // the view drawn again now unless it turns
  // The texts of the drawing pass, in window coordinates.
  void DrawTexts(TRenderContextInfo& rci, int W, int H);
  // HoverText, HoverHopText and HoverHopLabel of the hovered entries, as the
  // drawing pass labels them.
  void TakeHoverTexts();
  void DrawLabel(TRenderContextInfo& rci, const TVector& Point, const std::string& Text, int Color,
                 float DY, int H);
  void DrawShadowedText(TRenderContextInfo& rci, const std::string& Text, float X, float Y,
                        const TVector& Color);
  void DrawGrid();
  TScene3DBuffer* VisibleBuffer() const;
  std::unique_ptr<TGlobeDrawing, TGlobeDrawingFree> FDrawing;
  // A snapshot of the frame Source has drawn, when one is due.
  void Snapshot(TScene3DBuffer* Source, bool OffScreen);
  // The options window's controls after it closed, freed by a posted message.
  static constexpr UINT WM_FREEOPTIONCONTROLS = WM_APP + 124;
  std::vector<TControl*> FClosedControls;
  void FreeClosedControls();
  // A click on the window's controls may let messages through (OK's map
  // page and refresh, the log's scan, a dialog): the controls it runs from
  // stay until it has returned.
  int FOptionsClickDepth = 0;
  void EndOptionsClick();
  void GuardOptionClicks();
  void PreparePopupTable();
  void LoadDatabase();
  void ReadHome();
  void LogWriteFailed(const Exception& E);
  void LogWritten();
  bool FWinsockStarted = false;
  bool FStarted = false;   // FormCreate ran its start-up
  std::string FLogDate, FLogTime;   // of the running update
  void IndexLogEntries();
  std::unordered_set<std::string> FLoggedAddresses;
  std::unordered_map<std::string, int> FLiveEntries;
  uint32_t FLogIndexUpdate = 0;
  int FLogIndexCount = -1;
  void ApplyStayOnTop();
  void SetTrayToolTip(const std::string& Text);
  UINT PollInterval() const;
  void FillConnectionsTable(int TableTcpLines);
  void MergeIPList();
  bool VisualizedHolds(const std::string& Text) const;
  void AddVisualized(const std::string& Text);
  // The entries of VisualizedIPs while a poll builds it. Printable ASCII
  // entries are hashed with their case folded, which for such text is the
  // list's own comparison; every other entry is kept in a list that
  // compares as VisualizedIPs does.
  struct TCaseHash {
    size_t operator()(const std::string& S) const;
  };
  struct TCaseEqual {
    bool operator()(const std::string& A, const std::string& B) const;
  };
  std::unordered_set<std::string, TCaseHash, TCaseEqual> FVisualized;
  TStringList FOtherVisualized;
  bool FPolling = false;
  // Process names of the running poll: one snapshot per poll.
  TProcessSnapshot FProcessNames;
  std::string ProcessName(DWORD Pid);
  // "Left", "Top", "Height" and "Width" of "\Software\Vantrel"; bounds that
  // would hide the caption or the view give way to the default size and
  // the window system's place.
  void ReadWindowPlace(TRegistry& Reg);
  bool FDefaultPlace = false;
  // Commands
  TListItem* TableSelection(TObject* Sender) const;   // null for other senders
  void RefreshOpenTable();
  void SendToBackForBrowser();
  // Desktop mode: the options window, the Connections Table, the map window
  // and the analysed-file window close.
  void CloseSideWindows();
  // Analysis
  bool FScanning = false;
  // The options window's load button's caption (kept in LoadCaption), and
  // the controls there that a scan or an analysed file disables.
  void SetLoadButton(const std::string& Caption);
  void EnableAnalysisControls();
  void AppendLogNote(const std::string& Note);
};

extern TMainForm* MainForm;

// Starts (and stops) the units the main window's 3D view needs: OpenGL,
// contexts, textures and pictures, the scene, its objects, the viewer, the
// cadencer and the fonts.
void NsMain_Initialize();
void NsMain_Finalize();
// The shell call that starts programs; tests put a recorder in its place.
extern HINSTANCE(WINAPI* ShellExecuteProc)(HWND Wnd, LPCSTR Operation, LPCSTR File, LPCSTR Parameters,
                                           LPCSTR Directory, INT ShowCmd);

// The state the parts of the main window share is kept in records, one per
// concern, in NsMain<Concern>.h: NsMainSettings, NsMainCommands (the
// selection handed to the map window), NsMainPoll, NsMainRoute,
// NsMainPicking (hover), NsMainModes, NsMainGlobe, NsMainLog,
// NsMainAnalysis and NsMainStartup (fonts, pictures, measures). NsMain.cpp
// owns them; the main window starts them afresh when it is made. The free
// routines of a concern are declared beside its record.

#endif
