// The poll over fake connection tables of each IP Helper family.
#include <gtest/gtest.h>

#include "FakeNetwork.h"
#include "LocationFixture.h"
#include "RefreshForm.h"
#include "TestPaths.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRefresh.h"
#include "viewer/NsMainSettings.h"

namespace {

DWORD WINAPI EmptyTcpTable(PVOID, PDWORD Size, BOOL, ULONG, int, ULONG) {
  *Size = 0;
  return ERROR_NO_DATA;
}

// Plain and extended tables that have grown at every read.
DWORD WINAPI GrowingPlainTcp(PVOID Buffer, PDWORD Size, BOOL) {
  if (!Buffer) *Size = 4 + 20;
  else *Size = 4 + 2 * 20;
  return ERROR_INSUFFICIENT_BUFFER;
}
DWORD WINAPI GrowingExtendedTable(PVOID Buffer, PDWORD Size, BOOL, ULONG, int, ULONG) {
  *Size = Buffer ? 4 + 2 * 24 : 4 + 24;
  return ERROR_INSUFFICIENT_BUFFER;
}

// An extended TCP table that gains a connection between each size query and its read.
bool Queried = false;
DWORD WINAPI GrowingBeforeReadTcp(PVOID B, PDWORD S, BOOL O, ULONG F, int C, ULONG R) {
  const int n = static_cast<int>(FakeNet().Tcp.size());
  if (B && Queried)
    FakeNet().Tcp.push_back({5, Addr(192, 168, 1, 5), Port(40000 + n), Addr(20, 0, 0, n), Port(443), 1234});
  Queried = !B;
  return fakenet::ExtendedTcp(B, S, O, F, C, R);
}

class Refresh : public testing::Test {
protected:
  std::unique_ptr<TTestForm> Form;

  void SetUp() override {
    uIPHelperAPI_Initialize();
    FakeNet() = TFakeNetwork{};
    PresentFakeToolHelp();
    Form = std::make_unique<TTestForm>(nullptr);
    GlobeState.HomeIP = HomeAddress;
  }
  void TearDown() override {
    Form.reset();
    RestoreRealApis();
  }

  // A small machine: a listening socket, connections in several states, one
  // to a private address, one of this program, two UDP listeners.
  void Machine() {
    TFakeNetwork& n = FakeNet();
    n.Tcp = {
        {2, Addr(0, 0, 0, 0), Port(445), 0, 0, 4},
        {5, Addr(192, 168, 1, 5), Port(50123), Addr(93, 184, 216, 34), Port(443), 1234},
        {11, Addr(192, 168, 1, 5), Port(50124), Addr(8, 8, 8, 8), Port(53), 0},
        {5, Addr(127, 0, 0, 1), Port(5000), Addr(127, 0, 0, 1), Port(5001), 900},
        {5, Addr(192, 168, 1, 5), Port(50200), Addr(10, 0, 0, 7), Port(22), 1234},
        {5, Addr(192, 168, 1, 5), Port(50201), Addr(93, 184, 216, 34), Port(80), 1234},
        {8, Addr(192, 168, 1, 5), Port(50202), Addr(151, 101, 1, 69), Port(443), 555},
    };
    n.Udp = {{Addr(127, 0, 0, 1), Port(53), 77}, {Addr(0, 0, 0, 0), Port(5353), 900}};
    n.Processes = {{0, "[System Process]"}, {4, "System"}, {77, "svchost.exe"},
                   {900, "vantrel.exe"}, {1234, "firefox.exe"}};
  }

  void TableOptions(const char* UdpHideAuto) {   // e.g. "101": UDP on, hide off, autorefresh on
    Form->TableOptions.SetText(std::string("1\n1\n") + UdpHideAuto[0] + "\n" + UdpHideAuto[1] +
                               "\n" + UdpHideAuto[2] + "\n");
  }

  // One poll with the table open and the details requested.
  void PollAll() {
    PollState.TableOpen = true;
    PollState.DetailsRequested = true;
    Form->Refresh(true);
    PollState.DetailsRequested = false;
  }
};

const std::vector<std::string> PidTableLines = {
    "0.0.0.0:0!0.0.0.0:445#Listen&System: 4,4",
    "93.184.216.34:443!192.168.1.5:50123#Established&firefox.exe: 1234,1234",
    "8.8.8.8:53!192.168.1.5:50124#Time Wait&[System Process]: 0,0",
    "127.0.0.1:5001!127.0.0.1:5000#Established&vantrel.exe: 900,900",
    "10.0.0.7:22!192.168.1.5:50200#Established&firefox.exe: 1234,1234",
    "93.184.216.34:80!192.168.1.5:50201#Established&firefox.exe: 1234,1234",
    "151.101.1.69:443!192.168.1.5:50202#Close Wait&?: 555,555",
    "-:-!127.0.0.1:53#-&svchost.exe: 77,77",
    "-:-!0.0.0.0:5353#-&vantrel.exe: 900,900",
};
const std::vector<std::string> PidDetailLines = {
    "93.184.216.34:443!192.168.1.5:50123#Established&firefox.exe,1234",
    "8.8.8.8:53!192.168.1.5:50124#Time Wait&[System Process],0",
    "127.0.0.1:5001!127.0.0.1:5000#Established&vantrel.exe,900",
    "10.0.0.7:22!192.168.1.5:50200#Established&firefox.exe,1234",
    "93.184.216.34:80!192.168.1.5:50201#Established&firefox.exe,1234",
    "151.101.1.69:443!192.168.1.5:50202#Close Wait&?,555",
};

TEST_F(Refresh, ExtendedFamilyRowsCarryProcessNamesAndIds) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  TableOptions("101");
  PollAll();
  EXPECT_EQ(Lines(Form->TableRows), PidTableLines);
  EXPECT_EQ(Lines(Form->DetailRows), PidDetailLines);
  EXPECT_FALSE(PollState.TableRowStarted);
  EXPECT_FALSE(PollState.DetailRowStarted);
  EXPECT_EQ(Lines(Form->VisualizedIPs),
            (std::vector<std::string>{HomeAddress, "93.184.216.34", "8.8.8.8", "151.101.1.69"}));
  EXPECT_EQ(PollState.NewAddressCount, 3);
  EXPECT_EQ(PollState.LiveAddressCount, 4);
  EXPECT_EQ(Form->GlobeUpdates, 1);
  EXPECT_EQ(Form->GlobeSaw, Lines(Form->VisualizedIPs));
  EXPECT_FALSE(WindowModes.GlobePending);
  EXPECT_EQ(FakeNet().TcpReads, 1);
  EXPECT_EQ(FakeNet().UdpReads, 1);
  // the rows of the table and the detail lines were named from one
  // snapshot, which was closed
  EXPECT_EQ(FakeNet().Snapshots, 1);
  for (HANDLE h : FakeNet().SnapshotHandles) {
    DWORD flags;
    EXPECT_FALSE(GetHandleInformation(h, &flags));
  }
  // the poll let go of both tables
  EXPECT_FALSE(Form->ConnectionTables.TcpTableBuffer.Assigned());
  EXPECT_FALSE(Form->ConnectionTables.UdpTableBuffer.Assigned());
}

TEST_F(Refresh, OlderOwnerPidFamilyBuildsTheSameRows) {
  PresentFamily(TIpHelperFamily::ifOwnerPid);
  Machine();
  TableOptions("101");
  PollAll();
  EXPECT_EQ(Lines(Form->TableRows), PidTableLines);
  EXPECT_EQ(Lines(Form->DetailRows), PidDetailLines);
  EXPECT_FALSE(Form->ConnectionTables.TcpTableBuffer.Assigned());
  EXPECT_FALSE(Form->ConnectionTables.UdpTableBuffer.Assigned());
}

TEST_F(Refresh, PlainFamilyRowsWithholdProcessData) {
  PresentFamily(TIpHelperFamily::ifPlain);
  Machine();
  TableOptions("111");   // hiding own connections is on, yet nothing is hidden
  PollAll();
  EXPECT_TRUE(OwnerInfoMissing);
  EXPECT_EQ(Lines(Form->TableRows), (std::vector<std::string>{
                                        "0.0.0.0:0!0.0.0.0:445#Listen&N/A,-",
                                        "93.184.216.34:443!192.168.1.5:50123#Established&N/A,-",
                                        "8.8.8.8:53!192.168.1.5:50124#Time Wait&N/A,-",
                                        "127.0.0.1:5001!127.0.0.1:5000#Established&N/A,-",
                                        "10.0.0.7:22!192.168.1.5:50200#Established&N/A,-",
                                        "93.184.216.34:80!192.168.1.5:50201#Established&N/A,-",
                                        "151.101.1.69:443!192.168.1.5:50202#Close Wait&N/A,-",
                                        "-:-!127.0.0.1:53#-&N/A,-",
                                        "-:-!0.0.0.0:5353#-&N/A,-",
                                    }));
  EXPECT_EQ(Lines(Form->DetailRows), (std::vector<std::string>{
                                         "93.184.216.34:443!192.168.1.5:50123#Established&N/A,-",
                                         "8.8.8.8:53!192.168.1.5:50124#Time Wait&N/A,-",
                                         "127.0.0.1:5001!127.0.0.1:5000#Established&N/A,-",
                                         "10.0.0.7:22!192.168.1.5:50200#Established&N/A,-",
                                         "93.184.216.34:80!192.168.1.5:50201#Established&N/A,-",
                                         "151.101.1.69:443!192.168.1.5:50202#Close Wait&N/A,-",
                                     }));
  EXPECT_EQ(FakeNet().Snapshots, 0);   // no process IDs, no snapshots
  EXPECT_EQ(PollState.NewAddressCount, 3);
}

TEST_F(Refresh, PlainUdpLinesWithholdProcessDataWhenTheTcpTableIsEmpty) {
  PresentFamily(TIpHelperFamily::ifPlain);
  Machine();
  GetTcpTable = GrowingPlainTcp;   // a first poll that cannot read it shows no table yet
  TableOptions("111");
  PollAll();
  EXPECT_EQ(Form->Fills, 0);
  GetTcpTable = [](PVOID, PDWORD Size, BOOL) WINAPI -> DWORD { return *Size = 0, ERROR_NO_DATA; };
  PollAll();
  EXPECT_TRUE(OwnerInfoMissing);
  EXPECT_EQ(Lines(Form->TableRows), (std::vector<std::string>{
                                        "-:-!127.0.0.1:53#-&N/A,-",
                                        "-:-!0.0.0.0:5353#-&N/A,-",
                                    }));
  EXPECT_EQ(FakeNet().Snapshots, 0);
}

TEST_F(Refresh, HideOwnConnectionsDropsEveryLineNamingThisProgram) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  FakeNet().Processes.push_back({555, "Vantrel-updater.exe"});   // the test is case-sensitive
  TableOptions("111");
  PollAll();
  std::vector<std::string> expected = PidTableLines;
  expected.erase(expected.begin() + 8);
  expected.erase(expected.begin() + 3);
  expected[5] = "151.101.1.69:443!192.168.1.5:50202#Close Wait&Vantrel-updater.exe: 555,555";
  EXPECT_EQ(Lines(Form->TableRows), expected);
  // the detail lines and the globe are not filtered
  EXPECT_EQ(Form->DetailRows.Count(), 6);
  // TCP items are the lines before the UDP ones
  ASSERT_EQ(Form->Items.size(), 7u);
  EXPECT_EQ(Form->Items[5].Caption, "TCP");
  EXPECT_EQ(Form->Items[6].Caption, "UDP");
}

TEST_F(Refresh, UdpLinesOnlyWhenShownAndTcpCaptionsByPlace) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  TableOptions("001");
  PollAll();
  EXPECT_EQ(Lines(Form->TableRows),
            std::vector<std::string>(PidTableLines.begin(), PidTableLines.begin() + 7));
  EXPECT_EQ(FakeNet().UdpReads, 1);   // read, not walked
  EXPECT_EQ(FakeNet().Snapshots, 1);
  ASSERT_EQ(Form->Items.size(), 7u);
  for (const TConnectionItem& i : Form->Items) EXPECT_EQ(i.Caption, "TCP");
}

TEST_F(Refresh, ListeningAndTimeWaitRowsAreListedButPlottedOnlyForAllEndpoints) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  TableOptions("101");
  Form->actAllEndpoints->SetChecked(false);
  PollAll();
  EXPECT_EQ(Lines(Form->TableRows), PidTableLines);   // all listed
  EXPECT_EQ(Lines(Form->VisualizedIPs), (std::vector<std::string>{HomeAddress, "93.184.216.34"}));
  EXPECT_EQ(PollState.NewAddressCount, 1);
  EXPECT_EQ(Lines(Form->DetailRows), (std::vector<std::string>{
                                         "93.184.216.34:443!192.168.1.5:50123#Established&firefox.exe,1234",
                                         "127.0.0.1:5001!127.0.0.1:5000#Established&vantrel.exe,900",
                                         "10.0.0.7:22!192.168.1.5:50200#Established&firefox.exe,1234",
                                         "93.184.216.34:80!192.168.1.5:50201#Established&firefox.exe,1234",
                                     }));
  Form->actAllEndpoints->SetChecked(true);
  Form->Refresh(true);
  EXPECT_EQ(Lines(Form->VisualizedIPs),
            (std::vector<std::string>{HomeAddress, "93.184.216.34", "8.8.8.8", "151.101.1.69"}));
  EXPECT_EQ(Form->VisualizedIPs.IndexOf("0.0.0.0"), -1);   // never the listening row
  EXPECT_TRUE(Form->DetailRows.Count() == 0);              // only built on request
}

TEST_F(Refresh, PublicLocalAddressesOfDetailLinesAreCounted) {
  PresentFamily(TIpHelperFamily::ifExtended);
  FakeNet().Tcp = {{5, Addr(203, 0, 113, 9), Port(1000), Addr(93, 184, 216, 34), Port(443), 1}};
  Form->Refresh(true);
  EXPECT_EQ(PollState.NewAddressCount, 1);
  PollAll();
  EXPECT_EQ(Lines(Form->VisualizedIPs), (std::vector<std::string>{HomeAddress, "93.184.216.34", "203.0.113.9"}));
  EXPECT_EQ(PollState.NewAddressCount, 2);
}

TEST_F(Refresh, HomeAddressIsNeitherNewNorAddedTwice) {
  PresentFamily(TIpHelperFamily::ifExtended);
  FakeNet().Tcp = {{5, Addr(10, 0, 0, 2), Port(1), Addr(81, 2, 69, 160), Port(443), 1},
                   {5, Addr(10, 0, 0, 2), Port(2), Addr(1, 1, 1, 1), Port(443), 1},
                   {5, Addr(10, 0, 0, 2), Port(3), Addr(81, 2, 69, 160), Port(80), 1}};
  Form->Refresh(true);
  EXPECT_EQ(Lines(Form->VisualizedIPs), (std::vector<std::string>{HomeAddress, "1.1.1.1"}));
  EXPECT_EQ(PollState.NewAddressCount, 1);
}

TEST_F(Refresh, PrivateRangesAreNeverPlotted) {
  PresentFamily(TIpHelperFamily::ifExtended);
  FakeNet().Tcp = {
      {5, 0, 0, Addr(127, 0, 0, 1), 0, 1},       {5, 0, 0, Addr(10, 0, 0, 0), 0, 1},
      {5, 0, 0, Addr(10, 255, 255, 255), 0, 1},  {5, 0, 0, Addr(169, 254, 0, 0), 0, 1},
      {5, 0, 0, Addr(169, 254, 255, 255), 0, 1}, {5, 0, 0, Addr(172, 16, 0, 0), 0, 1},
      {5, 0, 0, Addr(172, 31, 255, 255), 0, 1},  {5, 0, 0, Addr(192, 168, 0, 0), 0, 1},
      {5, 0, 0, Addr(192, 168, 255, 255), 0, 1},
      // just outside the ranges, and other loopback addresses
      {5, 0, 0, Addr(9, 255, 255, 255), 0, 1},   {5, 0, 0, Addr(11, 0, 0, 0), 0, 1},
      {5, 0, 0, Addr(169, 253, 255, 255), 0, 1}, {5, 0, 0, Addr(172, 15, 255, 255), 0, 1},
      {5, 0, 0, Addr(172, 32, 0, 0), 0, 1},      {5, 0, 0, Addr(192, 169, 0, 0), 0, 1},
      {5, 0, 0, Addr(127, 0, 0, 2), 0, 1},
  };
  Form->Refresh(true);
  EXPECT_EQ(Lines(Form->VisualizedIPs),
            (std::vector<std::string>{HomeAddress, "9.255.255.255", "11.0.0.0", "169.253.255.255",
                                      "172.15.255.255", "172.32.0.0", "192.169.0.0", "127.0.0.2"}));
}

TEST_F(Refresh, FullAddressListStopsAt10000EntriesButKeepsCounting) {
  PresentFamily(TIpHelperFamily::ifExtended);
  for (int i = 0; i < 10050; ++i)
    FakeNet().Tcp.push_back({5, Addr(192, 168, 0, 1), Port(1000), Addr(11, 0, i >> 8, i & 255), Port(443), 1});
  std::string dir = TempFolder("fulllist");
  Settings.IPList = dir + "\\list.txt";
  WriteTextFile(Settings.IPList, "9.9.9.9\r\n");
  Form->Refresh(true);
  EXPECT_EQ(Form->VisualizedIPs.Count(), 10000);
  EXPECT_EQ(PollState.NewAddressCount, 10050);
  EXPECT_EQ(PollState.LiveAddressCount, 10000);
  EXPECT_EQ(Form->VisualizedIPs[9999], "11.0.39.14");   // the 9999th address met
  EXPECT_EQ(Form->VisualizedIPs.IndexOf("9.9.9.9"), -1);
  EXPECT_EQ(Form->TrayIcon1->ToolTip(), " Vantrel\r\n 10050 Visualized/10050 Total TCP Connections ");
}

TEST_F(Refresh, TooltipCountsNewAddressesAndAllTcpRows) {
  PresentFamily(TIpHelperFamily::ifExtended);
  for (int i = 0; i < 54; ++i)
    FakeNet().Tcp.push_back({2, Addr(0, 0, 0, 0), Port(1000 + i), 0, 0, 4});
  FakeNet().Tcp.push_back({5, Addr(10, 0, 0, 2), Port(1), Addr(1, 1, 1, 1), Port(443), 1});
  FakeNet().Tcp.push_back({5, Addr(10, 0, 0, 2), Port(2), Addr(2, 2, 2, 2), Port(443), 1});
  FakeNet().Tcp.push_back({5, Addr(10, 0, 0, 2), Port(3), Addr(3, 3, 3, 3), Port(443), 1});
  Form->Refresh(true);
  EXPECT_EQ(Form->TrayIcon1->ToolTip(), " Vantrel\r\n 3 Visualized/57 Total TCP Connections ");
  // without reading the tables nothing is counted
  Form->Refresh(false);
  EXPECT_EQ(Form->TrayIcon1->ToolTip(), " Vantrel\r\n 0 Visualized/0 Total TCP Connections ");
  EXPECT_EQ(Lines(Form->VisualizedIPs), (std::vector<std::string>{HomeAddress}));
  EXPECT_EQ(FakeNet().TcpReads, 1);
}

TEST_F(Refresh, IPListFileJoinsTrimmedWithoutPrivateOrDuplicateAddresses) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  std::string dir = TempFolder("iplist");
  Settings.IPList = dir + "\\watch.txt";
  WriteTextFile(Settings.IPList,
                "8.8.8.8\r\n"          // already live
                " 9.9.9.9 \r\n"        // trimmed
                "9.9.9.9\r\n"          // the same once trimmed
                "\t9.9.9.9\r\n"
                "10.1.2.3\r\n"         // private
                "127.0.0.1\r\n"
                " 192.168.7.7\r\n"
                "172.31.0.1\r\n"
                "172.32.0.1\r\n"
                "\r\n"                 // blank: no address
                "  \r\n"
                " not an address \r\n"
                "NOT AN ADDRESS\r\n"   // the list ignores case
                "81.2.69.160\r\n");    // home
  Form->Refresh(true);
  EXPECT_EQ(PollState.LiveAddressCount, 4);
  EXPECT_EQ(Lines(Form->VisualizedIPs),
            (std::vector<std::string>{HomeAddress, "93.184.216.34", "8.8.8.8", "151.101.1.69", "9.9.9.9",
                                      "172.32.0.1", "not an address"}));
  EXPECT_EQ(Form->IPListLines.Count(), 14);
  EXPECT_EQ(PollState.NewAddressCount, 3);   // the file's addresses are not "new"
  EXPECT_EQ(Form->GlobeSaw, Lines(Form->VisualizedIPs));

  // a missing file is skipped and the last lines stay
  Settings.IPList = dir + "\\gone.txt";
  Form->Refresh(true);
  EXPECT_EQ(Form->VisualizedIPs.Count(), 4);
  EXPECT_EQ(Form->IPListLines.Count(), 14);
}

// No entry of the address list is one the list itself already holds.
void ExpectNoDuplicates(const TStringList& L) {
  for (int i = 0; i < L.Count(); ++i) EXPECT_EQ(L.IndexOf(L[i]), i) << L[i];
}

TEST_F(Refresh, IPListLinesAreComparedAsTheAddressListComparesThem) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  std::string dir = TempFolder("iplistlocale");
  Settings.IPList = dir + "\\watch.txt";
  WriteTextFile(Settings.IPList,
                "\xC4rger.example\r\n"           // upper and lower case outside ASCII
                "\xE4rger.example\r\n"
                "strasse.example\r\n"
                "stra\xDF" "e.example\r\n"
                "a\xAD" "b.example\r\n"          // a soft hyphen
                "ab.example\r\n"
                "MIXED.example\r\n"
                "mixed.EXAMPLE\r\n");
  Form->Refresh(true);
  ExpectNoDuplicates(Form->VisualizedIPs);
  EXPECT_EQ(Form->VisualizedIPs.IndexOf("\xC4rger.example"), PollState.LiveAddressCount);
  EXPECT_EQ(Form->VisualizedIPs.IndexOf("mixed.example"), Form->VisualizedIPs.Count() - 1);
}

// A window that adds to the address list while the poll builds it.
class TMeddlingForm : public TTestForm {
public:
  using TTestForm::TTestForm;

protected:
  void ShowConnectionItems(const std::vector<TConnectionItem>& I) override {
    TTestForm::ShowConnectionItems(I);
    VisualizedIPs.Add("8.8.8.8");
  }
};

TEST_F(Refresh, AnAddressListChangedDuringThePollIsStillSearchedWhole) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  TableOptions("101");
  TMeddlingForm f(nullptr);
  GlobeState.HomeIP = HomeAddress;
  PollState.TableOpen = true;
  f.Refresh(true);
  ExpectNoDuplicates(f.VisualizedIPs);
  EXPECT_EQ(Lines(f.VisualizedIPs),
            (std::vector<std::string>{HomeAddress, "8.8.8.8", "93.184.216.34", "151.101.1.69"}));
}

TEST_F(Refresh, InternalOffReadsTheTablesButShowsNothingOfThem) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  TableOptions("101");
  Settings.InternalOff = true;
  std::string dir = TempFolder("internaloff");
  Settings.IPList = dir + "\\watch.txt";
  WriteTextFile(Settings.IPList, "9.9.9.9\r\n");
  PollAll();
  EXPECT_EQ(FakeNet().TcpReads, 1);
  EXPECT_EQ(Form->TableRows.Count(), 0);
  EXPECT_EQ(Form->DetailRows.Count(), 0);
  EXPECT_EQ(Lines(Form->VisualizedIPs), (std::vector<std::string>{HomeAddress, "9.9.9.9"}));
  EXPECT_EQ(PollState.NewAddressCount, 0);
  EXPECT_EQ(Form->TrayIcon1->ToolTip(), " Vantrel\r\n 0 Visualized/7 Total TCP Connections ");
}

TEST_F(Refresh, AClosedTableIsNotFilledAndAutorefreshKeepsItOpen) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  TableOptions("100");   // autorefresh off
  Form->TableRows.Add("old");
  PollState.TableOpen = false;
  Form->Refresh(true);
  EXPECT_EQ(Lines(Form->TableRows), (std::vector<std::string>{"old"}));
  EXPECT_EQ(Form->Fills, 0);
  EXPECT_EQ(FakeNet().UdpReads, 0);   // the UDP table is read for the table only

  // opened without autorefresh: filled once
  PollState.TableOpen = true;
  Form->Refresh(true);
  EXPECT_EQ(Form->Fills, 1);
  EXPECT_FALSE(PollState.TableOpen);
  EXPECT_FALSE(PollState.TableStamp.empty());
  EXPECT_EQ(PollState.TableStamp.substr(PollState.TableStamp.size() - ShortDateText().size()), ShortDateText());
  EXPECT_EQ(PollState.TableStamp[PollState.TableStamp.size() - ShortDateText().size() - 1], ' ');

  // with autorefresh the table reopens itself while it is on screen
  TableOptions("101");
  Form->Visible = true;
  Form->Refresh(true);
  EXPECT_TRUE(PollState.TableOpen);
  EXPECT_EQ(Form->Fills, 1);   // it opened after the table part
  Form->Refresh(true);
  EXPECT_EQ(Form->Fills, 2);
  Form->Visible = false;   // hidden but not closed: stays as it was
  Form->Refresh(true);
  EXPECT_TRUE(PollState.TableOpen);
  EXPECT_EQ(Form->Fills, 3);
}

TEST_F(Refresh, TableItemsSplitTheLinesAndLocateTcpRows) {
  std::string dir = TempFolder("data");
  WriteLocationFixture(dir,
                       "8.8.8.0,8.8.8.255,US,,37.75,-97.82\n"
                       "93.184.216.0,93.184.216.255,US,Norwell,42.15,-70.82\n");
  Form->LocationDatabase.Load(dir);
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  TableOptions("101");
  PollAll();
  ASSERT_EQ(Form->Items.size(), 9u);
  auto sub = [&](int i) {
    const TConnectionItem& it = Form->Items[static_cast<size_t>(i)];
    std::vector<std::string> v{it.Caption};
    v.insert(v.end(), it.SubItems.begin(), it.SubItems.end());
    return v;
  };
  EXPECT_EQ(sub(0), (std::vector<std::string>{"TCP", "0.0.0.0", "445", "0.0.0.0", "0", "Listen",
                                             "System: 4", "-", "- ", "4"}));
  EXPECT_EQ(sub(1), (std::vector<std::string>{"TCP", "192.168.1.5", "50123", "93.184.216.34", "443",
                                             "Established", "firefox.exe: 1234", "Norwell", "US",
                                             "1234"}));
  EXPECT_EQ(sub(2), (std::vector<std::string>{"TCP", "192.168.1.5", "50124", "8.8.8.8", "53",
                                             "Time Wait", "[System Process]: 0", "Unknown", "US",
                                             "0"}));
  EXPECT_EQ(sub(6), (std::vector<std::string>{"TCP", "192.168.1.5", "50202", "151.101.1.69", "443",
                                             "Close Wait", "?: 555", "-", "- ", "555"}));
  EXPECT_EQ(sub(7), (std::vector<std::string>{"UDP", "127.0.0.1", "53", "-", "-", "-",
                                             "svchost.exe: 77", "-", "- ", "77"}));

  PresentFamily(TIpHelperFamily::ifPlain);
  PollAll();
  ASSERT_EQ(Form->Items.size(), 9u);
  EXPECT_EQ(sub(1), (std::vector<std::string>{"TCP", "192.168.1.5", "50123", "93.184.216.34", "443",
                                             "Established", "N/A", "Norwell", "US", "-"}));
  EXPECT_EQ(sub(8), (std::vector<std::string>{"UDP", "0.0.0.0", "5353", "-", "-", "-", "N/A", "-",
                                             "- ", "-"}));
}

TEST_F(Refresh, UnreadTablesContributeNoRows) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  GetExtendedTcpTable = EmptyTcpTable;
  TableOptions("101");
  PollAll();
  EXPECT_EQ(Lines(Form->TableRows),
            std::vector<std::string>(PidTableLines.begin() + 7, PidTableLines.end()));
  EXPECT_EQ(Lines(Form->VisualizedIPs), (std::vector<std::string>{HomeAddress}));
  EXPECT_EQ(Form->TrayIcon1->ToolTip(), " Vantrel\r\n 0 Visualized/0 Total TCP Connections ");
  EXPECT_EQ(Form->GlobeUpdates, 1);
}

// Under load the system's table often grows between the two calls: it is
// read again at its new size, so that every poll reaches the globe, its log
// and the table; one that outgrows every read leaves them as they were.
TEST_F(Refresh, ATcpTableThatGrowsWhileReadIsReadAgainOrLeavesThePollAsItWas) {
  PresentFamily(TIpHelperFamily::ifExtended);
  Machine();
  TableOptions("101");
  Form->RealGlobe = Settings.LogConnections = true;
  LogState.LogPath = TempFolder("growing") + "\\tcp.log";
  GetExtendedTcpTable = GrowingBeforeReadTcp;
  for (int poll = 1; poll <= 10; ++poll) {
    PollAll();
    EXPECT_EQ(Form->GlobeUpdates, poll);
    EXPECT_EQ(Form->Items.size(), FakeNet().Tcp.size() + 2);
  }
  const std::vector<std::string> shown = Lines(Form->VisualizedIPs), rows = Lines(Form->TableRows);
  const std::string tip = Form->TrayIcon1->ToolTip();
  GetExtendedTcpTable = GrowingExtendedTable;
  PollAll();
  EXPECT_EQ(Lines(Form->VisualizedIPs), shown);
  EXPECT_EQ(Form->GlobeUpdates, 10);
  EXPECT_EQ(Form->TrayIcon1->ToolTip(), tip);
  EXPECT_EQ(Lines(Form->TableRows), rows);
  EXPECT_EQ(Form->Fills, 10);
  // so does a UDP table for the Connections Table, while the globe goes on
  GetExtendedTcpTable = fakenet::ExtendedTcp;
  GetExtendedUdpTable = GrowingExtendedTable;
  PollAll();
  EXPECT_EQ(Form->GlobeUpdates, 11);
  EXPECT_EQ(Form->Fills, 10);
  Form->WriteLogAtEnd();
  const std::string log = ReadTextFile(LogState.LogPath);
  for (int n = 7; n < 17; ++n)   // each poll's new connection
    EXPECT_NE(log.find("\n20.0.0." + IntToStr(n) + " [--]"), std::string::npos) << n;
}

TEST_F(Refresh, AddressRoutinesPairRemoteAndLocalParts) {
  FakeNet().Processes = {{7, "ssh.exe"}};
  std::string text;
  Form->TableProcessNameOfPid(7);   // nothing to append to
  Form->DetailProcessNameOfPid(7);
  EXPECT_EQ(Form->TableRows.Count() + Form->DetailRows.Count(), 0);
  Form->LocalAddressToText(Addr(1, 2, 3, 4), text);
  EXPECT_EQ(text, "1.2.3.4");
  EXPECT_TRUE(PollState.TableRowStarted);
  Form->LocalAddressToText(Addr(10, 0, 0, 1), text);
  EXPECT_FALSE(PollState.TableRowStarted);
  Form->TableProcessNameOfPid(7);
  EXPECT_EQ(Lines(Form->TableRows), (std::vector<std::string>{"1.2.3.4!10.0.0.1&ssh.exe: 7"}));
  EXPECT_EQ(Form->VisualizedIPs.Count(), 0);   // the table's routine plots nothing

  PollState.DetailsRequested = true;
  Form->AddressToText(Addr(5, 6, 7, 8), text);
  Form->AddressToText(Addr(192, 168, 0, 9), text);
  Form->DetailProcessNameOfPid(8);
  PollState.DetailsRequested = false;
  EXPECT_EQ(Lines(Form->DetailRows), (std::vector<std::string>{"5.6.7.8!192.168.0.9&?"}));
  EXPECT_EQ(Lines(Form->VisualizedIPs), (std::vector<std::string>{"5.6.7.8"}));
  EXPECT_EQ(PollState.NewAddressCount, 1);
  Form->AddressToText(Addr(5, 6, 7, 8), text);   // listed already
  EXPECT_EQ(PollState.NewAddressCount, 1);

  Settings.InternalOff = true;
  text = "unchanged";
  Form->LocalAddressToText(Addr(1, 1, 1, 1), text);
  Form->AddressToText(Addr(1, 1, 1, 1), text);
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(Form->TableRows.Count(), 1);
  EXPECT_EQ(Form->VisualizedIPs.Count(), 1);
}

TEST(ProcessNames, SnapshotIsSearchedByIdAndAlwaysClosed) {
  FakeNet() = TFakeNetwork{};
  PresentFakeToolHelp();
  FakeNet().Processes = {{0, "[System Process]"}, {8, "a.exe"}, {9, std::string(300, 'x')}};
  EXPECT_EQ(ProcessNameOfPid(8), "a.exe");
  EXPECT_EQ(ProcessNameOfPid(0), "[System Process]");
  EXPECT_EQ(ProcessNameOfPid(9), std::string(259, 'x'));   // the entry holds 260 characters
  EXPECT_EQ(ProcessNameOfPid(10), "?");
  FakeNet().SnapshotFails = true;
  EXPECT_EQ(ProcessNameOfPid(8), "?");
  EXPECT_EQ(FakeNet().Snapshots, 5);
  ASSERT_EQ(FakeNet().SnapshotHandles.size(), 4u);
  for (HANDLE h : FakeNet().SnapshotHandles) {
    DWORD flags;
    EXPECT_FALSE(GetHandleInformation(h, &flags));
  }
  RestoreRealApis();
}

TEST(ProcessNames, OneSnapshotNamesEveryProcessAsASearchOfItWould) {
  FakeNet() = TFakeNetwork{};
  PresentFakeToolHelp();
  FakeNet().Processes = {{8, "a.exe"}, {9, "b.exe"}, {8, "later.exe"}};
  TProcessSnapshot names;
  EXPECT_EQ(FakeNet().Snapshots, 0);   // taken when first asked
  EXPECT_EQ(names.NameOf(8), ProcessNameOfPid(8));
  EXPECT_EQ(names.NameOf(8), "a.exe");
  EXPECT_EQ(names.NameOf(9), "b.exe");
  EXPECT_EQ(names.NameOf(10), "?");
  FakeNet().Processes = {{10, "new.exe"}};
  EXPECT_EQ(names.NameOf(10), "?");    // still the first snapshot
  EXPECT_EQ(FakeNet().Snapshots, 2);   // one of them for ProcessNameOfPid
  names.Clear();
  EXPECT_EQ(names.NameOf(10), "new.exe");
  FakeNet().SnapshotFails = true;
  names.Clear();
  EXPECT_EQ(names.NameOf(10), "?");
  EXPECT_EQ(names.NameOf(0), "?");
  EXPECT_EQ(FakeNet().Snapshots, 4);
  for (HANDLE h : FakeNet().SnapshotHandles) {
    DWORD flags;
    EXPECT_FALSE(GetHandleInformation(h, &flags));
  }
  RestoreRealApis();
}

TEST(ProcessNames, RealToolHelpIsBoundOnFirstUse) {
  RestoreRealApis();
  EXPECT_EQ(CreateToolhelp32Snapshot, nullptr);
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  EXPECT_TRUE(SameText(ProcessNameOfPid(GetCurrentProcessId()), ExtractFileName(path)));
  EXPECT_NE(CreateToolhelp32Snapshot, nullptr);
  EXPECT_EQ(ProcessNameOfPid(0xFFFFFFF0u), "?");
}

TEST(RowTexts, AddressesAndPortsAsTheRowsHoldThem) {
  EXPECT_EQ(AddressText(Addr(93, 184, 216, 34)), "93.184.216.34");
  EXPECT_EQ(AddressText(0), "0.0.0.0");
  EXPECT_EQ(AddressText(0xFFFFFFFF), "255.255.255.255");
  EXPECT_EQ(AddressText(Addr(100, 10, 9, 200)), "100.10.9.200");   // three, two and one digits
  EXPECT_EQ(PortToText(Port(443)), "443");
  EXPECT_EQ(PortToText(Port(65535)), "65535");
  EXPECT_EQ(PortToText(Port(80) | 0xABCD0000u), "80");   // the high half is not the port
  EXPECT_EQ(AddressValue("1.2.3.4"), 0x01020304u);
  EXPECT_EQ(AddressValue("not an address"), 0u);
  EXPECT_EQ(AddressValue("255.255.255.255"), 0u);
}

}  // namespace
