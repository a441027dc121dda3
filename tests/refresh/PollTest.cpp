// The poll timer and the actions around a poll.
#include <gtest/gtest.h>

#include "FakeNetwork.h"
#include "RefreshForm.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"

namespace {

class TThrowingForm : public TTestForm {
public:
  using TTestForm::TTestForm;
  bool IdleDuringPoll = true;

protected:
  void UpdateGlobe() override {
    IdleDuringPoll = PollIdle;
    TTestForm::UpdateGlobe();
    throw EConvertError("bad location");
  }
};

class Poll : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    NsMain_Initialize();
    uIPHelperAPI_Initialize();
    FakeNet() = TFakeNetwork{};
    PresentFakeToolHelp();
    PresentFamily(TIpHelperFamily::ifExtended);
    FakeNet().Tcp = {{5, Addr(10, 0, 0, 2), Port(1), Addr(1, 1, 1, 1), Port(443), 1}};
  }
  void TearDown() override {
    RestoreRealApis();
    Forms_Finalize();
    NsMain_Finalize();
  }
};

TEST_F(Poll, RefreshActionRunsTheFourthActionUnlessAFileIsAnalysed) {
  TTestForm f(nullptr);
  ASSERT_EQ(f.ActionList->ActionCount(), 8);
  EXPECT_EQ(f.ActionList->Actions(3), f.actNIC);
  f.actRefresh->Execute();
  EXPECT_EQ(f.GlobeUpdates, 1);
  EXPECT_EQ(f.VisualizedIPs.IndexOf("1.1.1.1"), 1);
  EXPECT_TRUE(f.PollIdle);
  f.actConnections->Execute();   // the same poll
  EXPECT_EQ(f.GlobeUpdates, 2);
  f.AnalyzedIPs.Add("5.5.5.5");
  f.actRefresh->Execute();
  EXPECT_EQ(f.GlobeUpdates, 2);
}

TEST_F(Poll, APollIsNotReenteredAndItsGuardIsRestoredAfterAFailure) {
  TThrowingForm f(nullptr);
  f.PollIdle = false;
  f.actNIC->Execute();
  EXPECT_EQ(f.GlobeUpdates, 0);
  f.PollIdle = true;
  EXPECT_THROW(f.actNIC->Execute(), EConvertError);
  EXPECT_EQ(f.GlobeUpdates, 1);
  EXPECT_FALSE(f.IdleDuringPoll);
  EXPECT_TRUE(f.PollIdle);
}

TEST_F(Poll, ATimerTickArrivingWhileThePollProcessesMessagesIsIgnored) {
  TTestForm f(nullptr);
  f.Timer->SetInterval(1);
  f.Timer->SetEnabled(true);
  Sleep(30);   // a tick is due: the poll's message processing delivers it
  f.actNIC->Execute();
  f.Timer->SetEnabled(false);
  EXPECT_GE(PollState.PollTimerTicks, 1);
  EXPECT_EQ(f.GlobeUpdates, 1);
  EXPECT_EQ(FakeNet().TcpReads, 1);
}

TEST_F(Poll, TimerTicksCountAndEndTheStartupLine) {
  TTestForm f(nullptr);
  PollState.StartupText = "Resolving route to 1.1.1.1\n\r";
  PollState.StartupTextOffset = 19;
  Settings.Implant = true;
  f.TimerTimer(f.Timer);
  EXPECT_EQ(f.Implants, 1);   // desktop mode entered once
  EXPECT_FALSE(Settings.Implant);
  EXPECT_EQ(PollState.PollTimerTicks, 1);
  EXPECT_EQ(PollState.StartupCounter, 1);
  EXPECT_EQ(f.GlobeUpdates, 1);
  f.TimerTimer(f.Timer);
  f.TimerTimer(f.Timer);
  EXPECT_EQ(PollState.StartupTextOffset, 19);
  EXPECT_FALSE(PollState.StartupText.empty());
  f.TimerTimer(f.Timer);
  EXPECT_EQ(PollState.StartupCounter, 4);
  EXPECT_TRUE(PollState.StartupText.empty());
  EXPECT_EQ(PollState.StartupTextOffset, 0);
  PollState.StartupText = "Traceroute completed.\n\r";
  for (int i = 0; i < 3; ++i) f.TimerTimer(f.Timer);
  EXPECT_EQ(PollState.StartupCounter, 5);
  EXPECT_FALSE(PollState.StartupText.empty());   // cleared only on reaching 4
  EXPECT_EQ(PollState.PollTimerTicks, 7);
  EXPECT_EQ(f.Implants, 1);
  EXPECT_EQ(f.GlobeUpdates, 7);
}

TEST_F(Poll, AllEndpointsTogglesThePlottedRowsAndTheStatusLine) {
  FakeNet().Tcp.push_back({11, Addr(10, 0, 0, 2), Port(2), Addr(2, 2, 2, 2), Port(443), 1});
  TTestForm f(nullptr);
  ASSERT_TRUE(f.actAllEndpoints->Checked());
  PollState.StartupCounter = 5;
  f.actAllEndpointsExecute(f.actAllEndpoints);
  EXPECT_FALSE(f.actAllEndpoints->Checked());
  EXPECT_EQ(PollState.ConnectionsSuffix, " established connection(s)");
  EXPECT_EQ(PollState.StartupCounter, 0);
  EXPECT_EQ(f.GlobeSaw, (std::vector<std::string>{"", "1.1.1.1"}));
  f.actAllEndpoints->Execute();
  EXPECT_TRUE(f.actAllEndpoints->Checked());
  EXPECT_EQ(PollState.ConnectionsSuffix, " connection(s)");
  EXPECT_EQ(f.GlobeSaw, (std::vector<std::string>{"", "1.1.1.1", "2.2.2.2"}));
  f.actAutoRefresh->Execute();
  EXPECT_FALSE(f.actAutoRefresh->Checked());
  f.actAutoRefresh->Execute();
  EXPECT_TRUE(f.actAutoRefresh->Checked());
}

TEST_F(Poll, FirstPollAppliesStayOnTopOnce) {
  {
    TTestForm f(nullptr);
    f.Refresh(true);
    EXPECT_EQ(PollState.FirstPollState, 1);
    f.Refresh(true);
    EXPECT_EQ(PollState.FirstPollState, 1);   // without the setting it stays there
    EXPECT_EQ(f.FormStyle(), TFormStyle::fsNormal);
    Settings.StayOnTop = true;
    f.Refresh(true);
    EXPECT_EQ(PollState.FirstPollState, 2);
    EXPECT_EQ(f.FormStyle(), TFormStyle::fsStayOnTop);
    f.SetFormStyle(TFormStyle::fsNormal);
    f.Refresh(true);
    EXPECT_EQ(f.FormStyle(), TFormStyle::fsNormal);
  }
  {
    TTestForm f(nullptr);   // a borderless (desktop) window stays in its place
    Settings.StayOnTop = true;
    EXPECT_EQ(PollState.FirstPollState, 0);
    f.SetBorderStyle(TFormBorderStyle::bsNone);
    f.Show();
    f.Refresh(true);
    EXPECT_EQ(PollState.FirstPollState, 2);
    EXPECT_EQ(f.FormStyle(), TFormStyle::fsNormal);
    EXPECT_FALSE(GetWindowLongPtrA(f.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  }
  {
    TTestForm f(nullptr);
    Settings.StayOnTop = true;
    f.Show();
    f.Refresh(true);
    EXPECT_TRUE(GetWindowLongPtrA(f.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  }
}

std::vector<std::string> ShellTips;
BOOL WINAPI RecordNotifyIcon(DWORD Message, PNOTIFYICONDATAA Data) {
  if (Message == NIM_MODIFY) ShellTips.push_back(Data->szTip);
  return TRUE;
}

TEST_F(Poll, TheTrayIconShowsThePollsCountsToTheShell) {
  ShellTips.clear();
  TrayShellNotifyIcon = RecordNotifyIcon;
  {
    TTestForm f(nullptr);
    f.TrayIcon1->SetActive(true);
    FakeNet().Tcp.push_back({5, Addr(10, 0, 0, 2), Port(2), Addr(1, 1, 1, 1), Port(80), 1});
    FakeNet().Tcp.push_back({5, Addr(10, 0, 0, 2), Port(3), Addr(9, 9, 9, 9), Port(80), 1});
    f.Refresh(true);
    ASSERT_FALSE(ShellTips.empty());
    EXPECT_EQ(ShellTips.back(), " Vantrel\r\n 2 Visualized/3 Total TCP Connections ");
    EXPECT_EQ(f.TrayIcon1->ToolTip(), ShellTips.back());
  }
  TrayShellNotifyIcon = Shell_NotifyIconA;
}

TEST_F(Poll, SnapshotClockAdvancesByWholeSecondsOfThePollPeriod) {
  TTestForm f(nullptr);
  f.Timer->SetInterval(2500);
  f.Refresh(true);
  EXPECT_EQ(PollState.SnapshotClock, 0);
  Settings.SaveImages = true;
  f.Refresh(true);
  f.Refresh(false);
  EXPECT_EQ(PollState.SnapshotClock, 4);
  f.Timer->SetInterval(999);
  f.Refresh(true);
  EXPECT_EQ(PollState.SnapshotClock, 4);
}

}  // namespace
