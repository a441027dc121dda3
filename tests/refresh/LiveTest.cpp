// A poll of the real tables sees this program's own loopback connection.
#include <winsock.h>

#include <gtest/gtest.h>

#include "LocationFixture.h"
#include "LoopbackSockets.h"
#include "RefreshForm.h"
#include "monitor/uIPHelperAPI.h"
#include "viewer/uToolHelpAPI.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainPoll.h"

namespace {

TEST(LivePoll, OwnLoopbackConnectionIsListedWithItsProcess) {
  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
  uIPHelperAPI_Initialize();
  ASSERT_TRUE(IpHelperAvailable);
  CreateToolhelp32Snapshot = nullptr;   // bound on first use
  Process32First = nullptr;
  Process32Next = nullptr;
  {
    TLoopbackConnection c;
    ASSERT_TRUE(c.Open());
    const u_short listenPort = c.ListenPort, clientPort = c.ClientPort;

    TTestForm form(nullptr);
    GlobeState.HomeIP = HomeAddress;
    form.TableOptions.SetText("1\n1\n1\n0\n1\n");
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string exe = ExtractFileName(path);
    const std::string pid = IntToStr(GetCurrentProcessId());
    const std::string process = OwnerInfoMissing ? "&N/A,-" : "&" + exe + ": " + pid + "," + pid;
    const std::string outgoing = "127.0.0.1:" + IntToStr(listenPort) + "!127.0.0.1:" +
                                 IntToStr(clientPort) + "#Established";
    const std::string incoming = "127.0.0.1:" + IntToStr(clientPort) + "!127.0.0.1:" +
                                 IntToStr(listenPort) + "#Established";
    const std::string listening = "0.0.0.0:0!127.0.0.1:" + IntToStr(listenPort) + "#Listen";
    // A table that keeps growing while it is read (other test programs open
    // and close connections meanwhile) is skipped for that poll, so polls go
    // on until one lists the connection.
    auto listed = [&] {
      for (const std::string& line : Lines(form.TableRows))
        if (line.rfind(outgoing + "&", 0) == 0) return true;
      return false;
    };
    for (int poll = 0; poll < 20 && !listed(); ++poll) {
      PollState.TableOpen = true;
      PollState.DetailsRequested = true;
      form.Refresh(true);
      PollState.DetailsRequested = false;
    }
    int found = 0, others = 0;
    for (const std::string& line : Lines(form.TableRows)) {
      if (line.rfind(outgoing + "&", 0) == 0) {
        EXPECT_TRUE(SameText(line.substr(line.find('&')), process)) << line;
        ++found;
      }
      if (line.rfind(incoming + "&", 0) == 0 || line.rfind(listening + "&", 0) == 0) ++others;
    }
    EXPECT_EQ(found, 1);
    EXPECT_EQ(others, 2);   // the server's end and the listener are listed too
    EXPECT_FALSE(OwnerInfoMissing);   // Wine offers the extended family
    // the details popup names the process without the PID after the name
    int details = 0;
    for (const std::string& line : Lines(form.DetailRows))
      if (line.rfind(outgoing + "&", 0) == 0) {
        EXPECT_TRUE(SameText(line.substr(line.find('&')), "&" + exe + "," + pid)) << line;
        ++details;
      }
    EXPECT_EQ(details, 1);
    // loopback is never plotted
    EXPECT_EQ(form.VisualizedIPs.IndexOf("127.0.0.1"), -1);
    ASSERT_EQ(form.Items.size(), static_cast<size_t>(form.TableRows.Count()));
  }
  WSACleanup();
}

}  // namespace
