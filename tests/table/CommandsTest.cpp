// The commands on one connection: closing it (the row handed to the IP
// Helper), ending its process (a real helper process), the whois and
// process pages (the URL handed to the shell), the web map and its notice.
#include <windows.h>
#include <shellapi.h>
#include <winsock.h>

#include <cstdlib>

#include "MonitorWindows.h"
#include "viewer/components/HyperLbl.h"
#include "viewer/unit4.h"
#include "viewer/NsMainCommands.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainPopup.h"
#include "viewer/NsMainRoute.h"
#include "viewer/NsMainSettings.h"

namespace {
std::vector<std::string> Opened;
HINSTANCE WINAPI RecordShell(HWND, LPCSTR Verb, LPCSTR File, LPCSTR, LPCSTR, INT Show) {
  Opened.push_back(std::string(Verb ? Verb : "") + " " + (File ? File : "") + " " + IntToStr(Show));
  return reinterpret_cast<HINSTANCE>(33);
}

DWORD NetPort(int P) { return ntohs(static_cast<u_short>(P)); }

// This test program again, waiting in the helper test until it is ended.
PROCESS_INFORMATION StartHelper() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string command = std::string("\"") + path + "\" --gtest_filter=Helper.WaitsToBeEnded";
  SetEnvironmentVariableA("VANTREL_TABLE_HELPER", "1");
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  EXPECT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  SetEnvironmentVariableA("VANTREL_TABLE_HELPER", nullptr);
  return pi;
}

class CommandsTest : public TableTest {
protected:
  void SetUp() override {
    TableTest::SetUp();
    Opened.clear();
    HyperLinkShellExecute = RecordShell;
  }
  void TearDown() override {
    HyperLinkShellExecute = ShellExecuteA;
    TableTest::TearDown();
  }
  // An item of the globe's popup: its data in its hint or caption.
  TMenuItem* PopupItem(const std::string& Caption, const std::string& Hint) {
    auto* i = new TMenuItem(Main);
    i->Caption = Caption;
    i->Hint = Hint;
    return i;
  }
};
}  // namespace

TEST(Helper, WaitsToBeEnded) {
  if (!std::getenv("VANTREL_TABLE_HELPER")) GTEST_SKIP() << "runs only as the helper of the kill test";
  Sleep(60000);
}

TEST_F(CommandsTest, CloseConnectionHandsTheRowToTheIpHelper) {
  PresentMachine();
  OpenTable();
  ClickRow(RowOf("8.8.8.8"));
  const int fills = Main->Fills;
  ClickButton(Form2->tablecloseconn);
  ASSERT_EQ(FakeNet().TcpEntriesSet.size(), 1u);
  const TFakeTcpEntry want{12, inet_addr("10.0.0.2"), NetPort(50000), inet_addr("8.8.8.8"), NetPort(443)};
  EXPECT_EQ(FakeNet().TcpEntriesSet[0], want);
  EXPECT_EQ(Main->Fills, fills + 1);   // the table shows what became of it
  EXPECT_FALSE(Form2->tablecloseconn->Enabled());
  EXPECT_FALSE(Form2->kill->Enabled());

  // from the table's popup menu: the same row
  ClickRow(RowOf("1.2.3.4"));
  Form2->CloseConnection1->Click();
  ASSERT_EQ(FakeNet().TcpEntriesSet.size(), 2u);
  EXPECT_EQ(FakeNet().TcpEntriesSet[1],
            (TFakeTcpEntry{12, inet_addr("10.0.0.2"), NetPort(50001), inet_addr("1.2.3.4"), NetPort(80)}));

  // from the globe's details popup: the row is the item's hint; with the
  // table hidden nothing is refreshed
  Form2->Close();
  const int fillsHidden = Main->Fills;
  Main->RunPopupCommand(TPopupCommand::pcCloseConnection,
                        PopupItem("Close Connection", "5.5.5.5:25!10.0.0.2:50003#Established&smtp.exe,103"));
  ASSERT_EQ(FakeNet().TcpEntriesSet.size(), 3u);
  EXPECT_EQ(FakeNet().TcpEntriesSet[2],
            (TFakeTcpEntry{12, inet_addr("10.0.0.2"), NetPort(50003), inet_addr("5.5.5.5"), NetPort(25)}));
  EXPECT_EQ(Main->Fills, fillsHidden);
}

TEST_F(CommandsTest, TerminateEndsTheSelectedProcessOnlyWhileItsIdStillNamesIt) {
  PROCESS_INFORMATION helper = StartHelper();
  ASSERT_NE(helper.hProcess, nullptr);
  EXPECT_EQ(WaitForSingleObject(helper.hProcess, 300), static_cast<DWORD>(WAIT_TIMEOUT));   // it waits
  const std::string pid = IntToStr(helper.dwProcessId);
  PresentMachine();
  // a name with a comma: the ID is what follows the last one
  FakeNet().Processes.push_back({helper.dwProcessId, "helper,1.exe"});
  FakeNet().Tcp.push_back({5, Addr(10, 0, 0, 2), Port(50020), Addr(8, 8, 4, 4), Port(443), helper.dwProcessId});
  OpenTable();
  EXPECT_EQ(Cell(RowOf("8.8.4.4"), 6), "helper,1.exe: " + pid);
  EXPECT_EQ(Cell(RowOf("8.8.4.4"), 9), pid);
  ClickRow(RowOf("8.8.4.4"));
  ASSERT_TRUE(Form2->kill->Enabled());

  // The table is filled once; meanwhile the ID has gone to another program.
  FakeNet().Processes.back().ExeFile = "other.exe";
  ClickButton(Form2->kill);
  EXPECT_EQ(WaitForSingleObject(helper.hProcess, 300), static_cast<DWORD>(WAIT_TIMEOUT));
  ASSERT_EQ(Main->Messages.size(), 1u);
  EXPECT_EQ(Main->Messages[0].Text,
            "The process \"helper,1.exe\" (ID " + pid + ") is no longer running; nothing was terminated.");
  EXPECT_EQ(Cell(RowOf("8.8.4.4"), 6), "other.exe: " + pid);   // the table shows whose it is now

  // still its own: ended, and the table refilled no sooner than 500 ms after
  FakeNet().Processes.back().ExeFile = "helper,1.exe";
  OpenTable();
  ClickRow(RowOf("8.8.4.4"));
  const int fills = Main->Fills;
  const double clicked = Main->Now();
  ClickButton(Form2->kill);
  EXPECT_EQ(WaitForSingleObject(helper.hProcess, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 99;
  GetExitCodeProcess(helper.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Main->Fills, fills + 1);
  EXPECT_GE(Main->LastFill - clicked, 0.5);
  CloseHandle(helper.hThread);
  CloseHandle(helper.hProcess);

  // From the globe's details popup: its item carries the name and the ID.
  PROCESS_INFORMATION second = StartHelper();
  FakeNet().Processes.back().Pid = second.dwProcessId;
  FakeNet().Tcp.back().Pid = second.dwProcessId;
  Form2->Close();
  PollState.DetailsRequested = true;
  Main->Refresh(true);
  PollState.DetailsRequested = false;
  TLocationPopupInput in;
  in.ClickedText = "8.8.4.4";
  in.DetailRows = &Main->DetailRows;
  in.TextWidth = [](const std::string& S) { return 7 * static_cast<int>(S.size()); };
  const std::vector<TPopupItemSpec> items = LocationPopupItems(in);
  ASSERT_EQ(items[3].Items.at(0).Items.size(), 2u);   // the header and the one row
  const TPopupItemSpec& row = items[3].Items[0].Items[1];
  ASSERT_EQ(row.Items.size(), 3u);
  EXPECT_EQ(row.Items[1].Hint, "helper,1.exe," + IntToStr(second.dwProcessId));
  EXPECT_EQ(row.Items[2].Hint, "helper,1.exe");   // its process information
  FakeNet().Processes.back().ExeFile = "other.exe";
  Main->killconnectionClick(PopupItem(row.Items[1].Caption, row.Items[1].Hint));
  EXPECT_EQ(WaitForSingleObject(second.hProcess, 300), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(Main->Messages.size(), 2u);
  FakeNet().Processes.back().ExeFile = "helper,1.exe";
  Main->killconnectionClick(PopupItem(row.Items[1].Caption, row.Items[1].Hint));
  EXPECT_EQ(WaitForSingleObject(second.hProcess, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(second.hThread);
  CloseHandle(second.hProcess);
}

TEST_F(CommandsTest, CommandsOfATableLeftOpenLeaveTheAnalysedFileOnTheGlobe) {
  PresentMachine();
  OpenTable();
  Main->AnalyzedIPs.SetText(GlobeState.HomeIP + "\n2.2.2.2\n");   // a file analysed since
  Main->VisualizedIPs.SetText(Main->AnalyzedIPs.Text());
  const int updates = Main->GlobeUpdates, fills = Main->Fills;
  ClickRow(RowOf("8.8.8.8"));
  ClickButton(Form2->tablecloseconn);
  EXPECT_EQ(FakeNet().TcpEntriesSet.size(), 1u);
  EXPECT_EQ(Main->Fills, fills + 1);   // the table shows what became of it
  EXPECT_EQ(Main->GlobeUpdates, updates);
  EXPECT_EQ(Lines(Main->VisualizedIPs), (std::vector<std::string>{GlobeState.HomeIP, "2.2.2.2"}));
}

TEST_F(CommandsTest, WhoisAndProcessPagesOpenThroughTheShell) {
  PresentMachine();
  OpenTable();
  ClickRow(RowOf("8.8.8.8"));
  ClickButton(Form2->ToolButton3);
  Form2->RemoteIPWhois1->Click();
  ClickButton(Form2->ToolButton2);
  ClickRow(RowOf("1.2.3.4"));
  Form2->ProcessInfo1->Click();
  Main->whoisClick(PopupItem("5.5.5.5", ""));
  Main->webinfoClick(PopupItem("Process Information", "smtp.exe"));
  const std::vector<std::string> want = {
      "open https://www.whois.com/whois/8.8.8.8 1",
      "open https://who.is/whois/8.8.8.8 1",
      "open https://www.processlibrary.com/directory/?files=browser.exe 1",
      "open https://www.processlibrary.com/directory/?files=mail%3C%26%3E.exe 1",
      "open https://who.is/whois/5.5.5.5 1",
      "open https://www.processlibrary.com/directory/?files=smtp.exe 1",
  };
  EXPECT_EQ(Opened, want);
}

TEST_F(CommandsTest, WebMapTakesPlottedPlacesAndShowsTheNoticeForOthers) {
  MakeMapWindow();
  PresentMachine();
  OpenTable();
  ClickRow(RowOf("1.2.3.4"));
  ClickButton(Form2->webmap);
  EXPECT_EQ(Selection.SelectedLocationText, "Sydney, AU");
  EXPECT_EQ(Selection.SelectedLocationIndex, Main->LocationLabels.IndexOf("Sydney, AU"));
  EXPECT_EQ(Selection.SelectedIPList, "1.2.3.4");
  // the map window opens on the place
  EXPECT_TRUE(frmMain->Visible());
  EXPECT_NE(MapLog.Document.find("<b><u>Sydney, AU</u></b><br><small>1.2.3.4</small>"), std::string::npos);
  EXPECT_FALSE(Form7->Visible());

  // open, it is brought forward with an info window in the next div
  ClickRow(RowOf("11.2.3.45"));
  ClickButton(Form2->webmap);
  EXPECT_EQ(Selection.InfoWindowCounter, 1);
  ASSERT_FALSE(MapLog.Scripts.empty());
  EXPECT_NE(MapLog.Scripts.back().find("document.getElementById(\"iwin1\")"), std::string::npos);

  // "Unknown": the database gave no line, the globe plotted nothing there
  const size_t scripts = MapLog.Scripts.size();
  ClickRow(RowOf("9.9.9.9"));
  Form2->webmapmenu->Click();
  EXPECT_EQ(Selection.SelectedLocationIndex, -1);
  EXPECT_EQ(Selection.SelectedIPList, "");
  EXPECT_EQ(MapLog.Scripts.size(), scripts);
  EXPECT_TRUE(Form7->Visible());

  // the texts the globe's popup leaves behind
  EXPECT_EQ(LocationIPList("1.2.3.4\r\n 1.2.3.9\r\n\xBBSydney, AU", "Sydney, AU"), "1.2.3.4<br> 1.2.3.9<br>\xBB");
  EXPECT_EQ(HopIPList("a\r\n b\r\n", "x"), "Hop:a<br>Hop:b");
}

TEST_F(CommandsTest, WebMapOfARowAfterAClickOnATracerouteHopShowsTheRowsPlace) {
  MakeMapWindow();
  PresentMachine();
  OpenTable();
  // as a click on a traceroute hop leaves it: the hops' own places elsewhere
  Selection.SelectionKind = 31;
  RouteState.HopLatitudes.fill(40.71f);
  RouteState.HopLongitudes.fill(-74.01f);
  ClickRow(RowOf("1.2.3.4"));
  ClickButton(Form2->webmap);
  ASSERT_TRUE(frmMain->Visible());
  const int sydney = Main->LocationLabels.IndexOf("Sydney, AU");
  ASSERT_GE(sydney, 0);
  const std::string latitude = CoordinateText(GlobeState.LocationLatitudes[static_cast<size_t>(sydney)]);
  const std::string longitude = CoordinateText(GlobeState.LocationLongitudes[static_cast<size_t>(sydney)]);
  EXPECT_EQ(latitude.substr(0, 5), "-33.5");
  EXPECT_NE(MapLog.Document.find(latitude), std::string::npos) << "the page is not at Sydney";
  EXPECT_NE(MapLog.Document.find(longitude), std::string::npos);
  EXPECT_EQ(MapLog.Document.find(CoordinateText(40.71f)), std::string::npos);
}

// "Show on Web Map" of a traceroute hop: the hop's place and addresses; the
// map, once open, gets a marker there when info balloons are off.
TEST_F(CommandsTest, WebMapOfAHopShowsTheHopsPlaceAndWithoutBalloonsAddsAMarker) {
  MakeMapWindow();
  PresentMachine();
  Main->actRefresh->Execute();
  Main->RouteHops.SetText("1.2.3.4\r\n11.2.3.45\r\n");   // a route laid out: Sydney, then Berlin
  Main->routetoCoor();
  ASSERT_EQ(Lines(Main->RouteLabels), (std::vector<std::string>{"Sydney, AU", "Berlin, DE"}));
  // as the popup of a click on the Berlin hop leaves it
  auto hopClicked = [&](int Hop) {
    Selection.SelectionKind = 31;
    Selection.PickedHopLabel = Main->RouteLabels[Hop];
    Selection.PickedHint = " " + Main->RouteHops[Hop] + "\r\n " + Selection.PickedHopLabel;
    Main->gmClick(PopupItem("Show on Web Map", ""));
  };
  Settings.ShowInfoBalloons = true;
  hopClicked(1);
  ASSERT_TRUE(frmMain->Visible());
  EXPECT_EQ(Selection.SelectedLocationText, "Berlin, DE");
  EXPECT_EQ(Selection.SelectedLocationIndex, 1);
  EXPECT_EQ(Selection.SelectedIPList, "Hop:1&nbsp &nbsp IP: 11.2.3.45");
  EXPECT_NE(MapLog.Document.find("(" + CoordinateText(52.52f) + ", " + CoordinateText(13.4f) + ")"),
            std::string::npos) << "the page is not at Berlin";
  EXPECT_NE(MapLog.Document.find("Berlin, DE"), std::string::npos);
  EXPECT_NE(MapLog.Document.find("11.2.3.45"), std::string::npos);
  EXPECT_FALSE(Form7->Visible());

  // the open map, balloons off: a marker at Sydney, no info window
  Settings.ShowInfoBalloons = false;
  const uint8_t windows = Selection.InfoWindowCounter;
  const size_t scripts = MapLog.Scripts.size();
  hopClicked(0);
  const std::string sydney = "\"" + CoordinateText(-33.5f) + "\", \"" + CoordinateText(151.2f) + "\"";
  ASSERT_EQ(MapLog.Scripts.size(), scripts + 2);
  EXPECT_EQ(MapLog.Scripts[scripts], "JavaScript: map.panTo(new GLatLng(" + sydney + "));");
  EXPECT_EQ(MapLog.Scripts[scripts + 1], "JavaScript: map.addOverlay( new GMarker(new GLatLng(" + sydney + ")) );");
  EXPECT_EQ(Selection.InfoWindowCounter, windows);
  Settings.ShowInfoBalloons = true;
}

TEST_F(CommandsTest, TheTableStaysClosedInAnalyseModeAndWithTheMonitorOff) {
  PresentMachine();
  Main->AnalyzedIPs.Add(GlobeState.HomeIP);
  Main->ConnectionsTable1Click(Main->ConnectionsTable1);
  Settings.InternalOff = true;
  Main->AnalyzedIPs.Clear();
  Main->acttable->Execute();
  Settings.InternalOff = false;
  ASSERT_EQ(Main->Messages.size(), 2u);
  for (const TMessageShown& m : Main->Messages) {
    EXPECT_EQ(m.Text, "Internal TCP/UDP monitor is currently disabled.");
    EXPECT_EQ(m.Caption, "Options Panel Message");
  }
  EXPECT_FALSE(Form2->Visible());
  EXPECT_EQ(Main->Fills, 0);
  // closing the table stops its filling and offers it again in the tray menu
  OpenTable();
  Form2->CheckBox2->SetChecked(true);   // autorefresh: every poll fills it
  EXPECT_TRUE(PollState.TableOpen);
  EXPECT_EQ(Main->TableOptions[4], "1");
  Main->ConnectionsTable1->Enabled = false;
  ClickButton(Form2->tableclose);
  EXPECT_FALSE(Form2->Visible());
  EXPECT_FALSE(PollState.TableOpen);
  EXPECT_TRUE(Main->ConnectionsTable1->Enabled);
}
