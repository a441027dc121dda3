#include "viewer/NsMain.h"

#include "classlib/Dialogs.h"
#include "monitor/Unit2.h"
#include "viewer/NsMainAnalysis.h"
#include "viewer/NsMainCommands.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPicking.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRoute.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"
#include "viewer/components/WorkerThread.h"

IMPLEMENT_CLASSINFO(TMainForm, TForm)

TMainForm* MainForm = nullptr;

namespace {
// The one owner of the main window's records.
struct TMainState {
  TSettings Settings;
  TSelection Selection;
  TPollState PollState;
  TRouteState RouteState;
  THoverState HoverState;
  TWindowModes WindowModes;
  TGlobeState GlobeState;
  TLogState LogState;
  TAnalysisState AnalysisState;
  TViewResources ViewResources;   // made by FormCreate, freed by FormDestroy
};
TMainState MainState;
}  // namespace

TSettings& Settings = MainState.Settings;
TSelection& Selection = MainState.Selection;
TPollState& PollState = MainState.PollState;
TRouteState& RouteState = MainState.RouteState;
THoverState& HoverState = MainState.HoverState;
TWindowModes& WindowModes = MainState.WindowModes;
TGlobeState& GlobeState = MainState.GlobeState;
TLogState& LogState = MainState.LogState;
TAnalysisState& AnalysisState = MainState.AnalysisState;
TViewResources& ViewResources = MainState.ViewResources;

TMainForm::TMainForm(TComponent* AOwner)
    : TForm(AOwner), Cities(LocationDatabase.Cities), DatabaseInfo(LocationDatabase.DatabaseInfo) {
  Name = "MainForm";
  // The window is made once per run; its state starts afresh with it.
  Selection = TSelection();
  PollState = TPollState();
  RouteState = TRouteState();
  HoverState = THoverState();
  WindowModes = TWindowModes();
  GlobeState = TGlobeState();
  LogState = TLogState();
  AnalysisState = TAnalysisState();

  MakeScene();
  Scene3DViewer1->OnMouseDown = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
    Scene3DViewer1MouseDown(S, B, Sh, X, Y);
  };
  Scene3DViewer1->OnMouseMove = [this](TObject* S, TShiftState Sh, int X, int Y) {
    Scene3DViewer1MouseMove(S, Sh, X, Y);
  };
  Scene3DViewer1->OnMouseLeave = [this](TObject* S) { Scene3DViewer1MouseLeave(S); };
  Scene3DViewer1->OnClick = [this](TObject* S) { Scene3DViewer1OnClick(S); };
  Scene3DViewer1->OnDblClick = [this](TObject* S) { Scene3DViewer1DblClick(S); };
  auto wheel = [this](TObject* S, TShiftState Sh, int D, TPoint P, bool& Handled) {
    FormMouseWheel(S, Sh, D, P, Handled);
  };
  Scene3DViewer1->OnMouseWheel = wheel;
  OnMouseWheel = wheel;
  // The full-screen viewer's form serves the same handlers.
  GLFullScreenViewer1->OnMouseDown = Scene3DViewer1->OnMouseDown;
  GLFullScreenViewer1->OnMouseMove = Scene3DViewer1->OnMouseMove;
  GLFullScreenViewer1->OnClick = Scene3DViewer1->OnClick;
  GLFullScreenViewer1->OnDblClick = Scene3DViewer1->OnDblClick;
  GLFullScreenViewer1->OnMouseWheel = wheel;
  GLFullScreenViewer1->OnKeyDown = [this](TObject* S, WORD& K, TShiftState Sh) { FormKeyDown(S, K, Sh); };

  OnCreate = [this](TObject* S) { FormCreate(S); };
  OnShow = [this](TObject* S) { FormShow(S); };
  OnResize = [this](TObject* S) { FormOnResize(S); };
  OnDestroy = [this](TObject* S) { FormDestroy(S); };
  OnActivate = [this](TObject* S) { FormActivate(S); };
  KeyPreview = true;
  OnKeyDown = [this](TObject* S, WORD& K, TShiftState Sh) { FormKeyDown(S, K, Sh); };

  Timer = new TTimer(this);
  Timer->Name = "Timer";
  Timer->SetEnabled(false);
  Timer->OnTimer = [this](TObject* S) { TimerTimer(S); };

  Timer1 = new TTimer(this);
  Timer1->Name = "Timer1";
  Timer1->SetEnabled(false);
  Timer1->SetInterval(500);
  Timer1->OnTimer = [this](TObject* S) { timUpdateSunTimer(S); };

  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->Name = "PopupMenu1";
  PopupTray = new TPopupMenu(this);
  PopupTray->Name = "PopupTray";
  auto item = [this](const char* AName, const char* ACaption) {
    auto* i = new TMenuItem(this);
    i->Name = AName;
    i->Caption = ACaption;
    PopupTray->Items()->Add(i);
    return i;
  };
  ConnectionsTable1 = item("ConnectionsTable1", "Connections Table");
  EnterIP1 = item("EnterIP1", "Analyze file");
  Unloadanalysedfile1 = item("Unloadanalysedfile1", "Unload analyzed file");
  HideVisualization1 = item("HideVisualization1", "Show/Hide Visualization");
  ConfigAbout1 = item("ConfigAbout1", "Config/About");
  ConfigAbout1->OnClick = [this](TObject* S) { ConfigAbout1Click(S); };
  Resetwindow1 = item("Resetwindow1", "Focus Window");
  Resetwindow1->OnClick = [this](TObject* S) { Resetwindow1Click(S); };
  Help1 = item("Help1", "Help");
  Help1->OnClick = [this](TObject* S) { Help1Click(S); };
  Exit1 = item("Exit1", "Exit");
  ConnectionsTable1->OnClick = [this](TObject* S) { ConnectionsTable1Click(S); };
  EnterIP1->OnClick = [this](TObject* S) { EnterIP1Click(S); };
  Unloadanalysedfile1->OnClick = [this](TObject* S) { Unloadanalysedfile1Click(S); };
  Unloadanalysedfile1->Enabled = false;
  HideVisualization1->OnClick = [this](TObject* S) { HideVisualization1Click(S); };
  HideVisualization1->Visible = false;
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->Name = "OpenDialog1";
  StayOnTop1 = item("StayOnTop1", "Stay on Top");
  StayOnTop1->Visible = false;
  StayOnTop1->OnClick = [this](TObject* S) { StayOnTop1Click(S); };
  Exit1->OnClick = [this](TObject* S) { actExitExecute(S); };

  WorkerThread1 = new TWorkerThread(this);
  WorkerThread1->Name = "WorkerThread1";
  WorkerThread1->OnStart = [this](TObject* S, TWorkerExecuteThread* T, void*& D) { WorkerThread1Start(S, T, D); };
  WorkerThread1->OnExecute = [this](TObject* S, TWorkerExecuteThread* T, void*& D) {
    WorkerThread1Execute(S, T, D);
  };
  WorkerThread1->OnTerminate = [this](TObject* S, TWorkerExecuteThread* T, void*& D) {
    WorkerThread1Terminate(S, T, D);
  };

  TrayIcon1 = new TTrayIcon(this);
  TrayIcon1->Name = "TrayIcon1";
  TrayIcon1->SetPopupMenu(PopupTray);
  TrayIcon1->OnDblClick = [this](TObject* S) { TrayIcon1Click(S); };

  ActionList = new TActionList(this);
  ActionList->Name = "ActionList";
  // actNIC is the fourth action of the list: actRefresh executes it by place.
  auto make = [this](const char* AName, const char* ACaption) {
    auto* a = new TAction(this);
    a->Name = AName;
    a->SetCaption(ACaption);
    a->SetActionList(ActionList);
    return a;
  };
  actRefresh = make("actRefresh", "Refresh");
  actAllEndpoints = make("actAllEndpoints", "All Endpoints");
  actAutoRefresh = make("actAutoRefresh", "Autorefresh");
  actNIC = make("actNIC", "Poll");
  actConnections = make("actConnections", "Connections");
  actExit = make("actExit", "Exit");
  actExit->OnExecute = [this](TObject* S) { actExitExecute(S); };
  acttable = make("acttable", "Connections Table");
  acttable->ShortCut = VK_F2;
  acttable->OnExecute = [this](TObject* S) { ConnectionsTable1Click(S); };
  actanalyze = make("actanalyze", "Analyze file");
  actanalyze->ShortCut = VK_F4;
  actanalyze->OnExecute = [this](TObject* S) { EnterIP1Click(S); };
  actAllEndpoints->SetChecked(true);
  actAutoRefresh->SetChecked(true);
  actRefresh->OnExecute = [this](TObject* S) { actRefreshExecute(S); };
  actAllEndpoints->OnExecute = [this](TObject* S) { actAllEndpointsExecute(S); };
  actAutoRefresh->OnExecute = [this](TObject* S) { actAutoRefreshExecute(S); };
  actNIC->OnExecute = [this](TObject* S) { ActionExecute(S); };
  actConnections->OnExecute = [this](TObject* S) { ActionExecute(S); };

  SetDefaultSettings();
  TableOptions.SetText("1\n1\n1\n0\n0\n");
  MonitorHost = this;
}

TMainForm::~TMainForm() {
  BeforeDestruction();   // FormDestroy while the fields still exist
  if (MainForm == this) MainForm = nullptr;
  if (MonitorHost == this) MonitorHost = nullptr;
}

void TMainForm::iplocate(const std::string& IP, std::string& Result) {
  LocationDatabase.iplocate(IP, Result, PollState.PlotIndex);
}

// ---- Hooks of the windows not made here ----

void TMainForm::ShowConnectionItems(const std::vector<TConnectionItem>& Items) {
  if (Form2) Form2->ShowConnectionItems(Items);
}

bool TMainForm::ConnectionsTableVisible() const { return Form2 && Form2->Visible(); }

// Once the window has shown its boxes they hold the options.
bool TMainForm::HideOwnConnections() const {
  if (Form2 && !Form2->FirstShow) return Form2->CheckBox1->Checked();
  return TableOptions.Count() > 3 && TableOptions[3] == "1";
}

bool TMainForm::ShowUdpConnections() const {
  if (Form2 && !Form2->FirstShow) return Form2->CheckBox3->Checked();
  return TableOptions.Count() > 2 && TableOptions[2] == "1";
}

bool TMainForm::TableAutorefresh() const {
  if (Form2 && !Form2->FirstShow) return Form2->CheckBox2->Checked();
  return TableOptions.Count() > 4 && TableOptions[4] == "1";
}

