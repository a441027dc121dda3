// A main window over a fake machine (connection tables, processes, a small
// location database) with the Connections Table, the notice window and the
// file-analysis windows made as the program makes them. Its globe seams
// record what reaches them.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "FakeNetwork.h"
#include "GuiTest.h"
#include "LocationFixture.h"
#include "RecordingMapBrowser.h"
#include "TestPaths.h"
#include "monitor/Unit2.h"
#include "monitor/Unit5.h"
#include "monitor/Unit6.h"
#include "monitor/Unit7.h"
#include "netlib/NetComponent.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainStartup.h"
#include "viewer/unit4.h"

inline std::vector<std::string> Lines(const TStrings& L) {
  std::vector<std::string> r;
  for (int i = 0; i < L.Count(); ++i) r.push_back(L[i]);
  return r;
}
inline std::vector<std::string> Lines(const TAnalyzedLines& L) {
  std::vector<std::string> r;
  for (int i = 0; i < L.Count(); ++i) r.emplace_back(L[i]);
  return r;
}

struct TMessageShown {
  std::string Text, Caption;
};

class TTableForm : public TMainForm {
public:
  using TMainForm::TMainForm;
  using TMainForm::CameraZoom;
  using TMainForm::SetCameraZoom;
  std::vector<TMessageShown> Messages;
  std::vector<TAffineVector> CameraPositions;
  int RotationStops = 0;
  int Fills = 0;
  double LastFill = 0;   // Now() of the last table fill
  int GlobeUpdates = 0;
  std::vector<int> PlottedIndices;
  static double Now() {   // seconds
    LARGE_INTEGER c, f;
    QueryPerformanceCounter(&c);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
  }

protected:
  void ShowMessageBox(const std::string& Text, const std::string& Caption, UINT) override {
    Messages.push_back({Text, Caption});
  }
  void TellUser(const std::string& Text, UINT) override { Messages.push_back({Text, "Vantrel"}); }
  void ShowConnectionItems(const std::vector<TConnectionItem>& Items) override {
    ++Fills;
    LastFill = Now();
    TMainForm::ShowConnectionItems(Items);
  }
  void UpdateGlobe() override {
    ++GlobeUpdates;
    TMainForm::UpdateGlobe();
  }
  void ClearPointSets(int) override { PlottedIndices.clear(); }
  void PlotLocation(int Index, float, const TVector&, const TVector&) override { PlottedIndices.push_back(Index); }
  void PlotNothing(int) override {}
  void EndPointSets() override {}
  void StopRotation() override {
    ++RotationStops;
    TMainForm::StopRotation();
  }
  void SetCameraPosition(const TAffineVector& P) override { CameraPositions.push_back(P); }
  // a viewer of 400 x 300 pixels
  void ClampCameraZoom() override { SetCameraZoom(ClampZoom(CameraZoom(), 400, 300)); }
};

// The fake machine: its home, its database, its connections and processes.
class TableTest : public testing::Test {
public:
  TTableForm* Main = nullptr;
  std::string Dir;

  void SetUp() override {
    Dir = TempFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
    Forms_Initialize();
    NsMain_Initialize();   // the main window's globe view
    uIPHelperAPI_Initialize();
    FakeNet() = TFakeNetwork{};
    PresentFakeToolHelp();
    PresentFamily(TIpHelperFamily::ifExtended);
    SetTcpEntry = fakenet::RecordTcpEntry;
    SortColumn = -1;
    SortAscending = true;

    WriteLocationFixture(Dir,
                         "1.2.3.0,1.2.3.255,AU,Sydney,-33.50,151.20\n"
                         "5.5.5.0,5.5.5.255,FR,Tom & \"Jerry's\" <Town>,48.85,2.35\n"
                         "8.8.8.0,8.8.8.255,US,Mountain View,37.39,-122.08\n"
                         "9.9.9.0,9.9.9.255,,,,\n"
                         "11.2.3.0,11.2.3.255,DE,Berlin,52.52,13.40\n"
                         "81.2.69.0,81.2.69.255,GB,London,51.50,-0.12\n");
    Main = new TTableForm(Application);
    MainForm = Main;
    Main->LocationDatabase.Load(Dir);
    GlobeState.HomeIP = HomeAddress;
    GlobeState.HomeLabel = "\xBBGB, London";
    GlobeState.HomeCoordinates = "5150;-12";
    GlobeState.HomeLongitude = -0.12f;
    GlobeState.HomeLatitude = 51.5f;
    Main->TableOptions.SetText("1\n1\n1\n0\n0\n");
    PollState.PlotIndex = 1;   // as a globe update leaves it
    MakeForm(Form2);
    MakeForm(Form5);
    MakeForm(Form6);
    MakeForm(Form7);
  }
  void TearDown() override {
    Forms_Finalize();
    if (frmMain) {   // freed with the other forms
      frmMain = nullptr;
      MapBrowsers.reset();
      NetComponent_Finalize();
    }
    NsMain_Finalize();
    Form2 = nullptr;
    Form5 = nullptr;
    Form6 = nullptr;
    Form7 = nullptr;
    RestoreRealApis();
    SetTcpEntry = nullptr;
    LoadIpHelperApi();
  }
  // The map window as the program makes it, its browser control a recorder.
  TBrowserLog MapLog;
  std::unique_ptr<TRecordingBrowsers> MapBrowsers;
  void MakeMapWindow() {
    NetComponent_Initialize();
    MapBrowsers = std::make_unique<TRecordingBrowsers>(MapLog);
    MakeForm(frmMain);
    frmMain->TemplateFile = SourcePath("viewer/gmap.ini");
  }
  // As the program makes its windows, without making them the main form.
  template <typename T>
  static void MakeForm(T*& Form) {
    Form = new T(Application);
    Form->AfterConstruction();
  }

  // The machine of most tests: connections to places near and far, a
  // listener, an ended process and UDP listeners.
  static void PresentMachine() {
    TFakeNetwork& n = FakeNet();
    n.Tcp = {
        {5, Addr(10, 0, 0, 2), Port(50000), Addr(8, 8, 8, 8), Port(443), 100},
        {11, Addr(10, 0, 0, 2), Port(50002), Addr(11, 2, 3, 45), Port(8080), 555},
        {5, Addr(10, 0, 0, 2), Port(50001), Addr(1, 2, 3, 4), Port(80), 101},
        {2, Addr(0, 0, 0, 0), Port(135), Addr(0, 0, 0, 0), Port(0), 102},
        {5, Addr(10, 0, 0, 2), Port(50003), Addr(5, 5, 5, 5), Port(25), 103},
        {5, Addr(10, 0, 0, 2), Port(50004), Addr(9, 9, 9, 9), Port(53), 104},
        {5, Addr(10, 0, 0, 2), Port(50005), Addr(203, 0, 113, 9), Port(443), 100},
    };
    n.Udp = {{Addr(0, 0, 0, 0), Port(53), 104}, {Addr(10, 0, 0, 2), Port(137), 105}};
    n.Processes = {{100, "browser.exe"}, {101, "mail<&>.exe"}, {102, "server.exe"},
                   {103, "smtp.exe"},    {104, "dns.exe"},     {105, "nbt.exe"}};
  }

  // The Connections Table shown and painted.
  void OpenTable() {
    Main->ConnectionsTable1Click(Main->ConnectionsTable1);
    ASSERT_TRUE(Form2->Visible());
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(Form2->Handle()) != FALSE; }));
    SetForegroundWindow(Form2->Handle());
    PumpUntil([&] { return GetForegroundWindow() == Form2->Handle(); }, 2000);
    RedrawWindow(Form2->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(100);
  }

  // The text the list view shows in a cell.
  static std::string Cell(int Row, int Column) {
    char buf[256] = {};
    LVITEMA it{};
    it.iSubItem = Column;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    SendMessageA(Form2->ListView1->Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&it));
    return buf;
  }
  static int RowOf(const std::string& RemoteIP, const std::string& Protocol = "TCP") {
    for (int i = 0; i < Form2->ListView1->ItemCount(); ++i)
      if (Cell(i, 3) == RemoteIP && Cell(i, 0) == Protocol) return i;
    return -1;
  }
  // A point inside a row (list view client coordinates), in its Country cell.
  static POINT RowPoint(int Row) {
    RECT r{};
    r.top = 8;   // the Country column
    r.left = LVIR_BOUNDS;
    SendMessageA(Form2->ListView1->Handle(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(&r));
    return {r.right - 6, (r.top + r.bottom) / 2};
  }
  static void ClickRow(int Row) {
    const POINT p = RowPoint(Row);
    ClickClient(Form2->ListView1->Handle(), p.x, p.y);
    PumpFor(80);
  }
  static void DoubleClickRow(int Row) {
    const POINT p = RowPoint(Row);
    const POINT s = ClientToScreenPoint(Form2->ListView1->Handle(), p.x, p.y);
    DoubleClickAt(s.x, s.y);
    PumpFor(120);
  }
  // A click on a tool button of the table, as the user gives it.
  static void ClickButton(TToolButton* B) {
    ClickClient(Form2->ToolBar1->Handle(), B->Left() + B->Width() / 2, B->Top() + B->Height() / 2);
    PumpFor(80);
  }
};
