// A poll of the real tables sees this program's own loopback connection.
#include <winsock.h>

#include <gtest/gtest.h>

#include "RefreshForm.h"
#include "monitor/uIPHelperAPI.h"
#include "viewer/uToolHelpAPI.h"

namespace {

struct TSocket {
  explicit TSocket(SOCKET AS) : S(AS) {}
  ~TSocket() {
    if (S != INVALID_SOCKET) closesocket(S);
  }
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;
  SOCKET S;
};

sockaddr_in Loopback(u_short Port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = inet_addr("127.0.0.1");
  a.sin_port = htons(Port);
  return a;
}

u_short LocalPort(SOCKET S) {
  sockaddr_in a{};
  int len = sizeof a;
  getsockname(S, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

TEST(LivePoll, OwnLoopbackConnectionIsListedWithItsProcess) {
  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
  uIPHelperAPI_Initialize();
  ASSERT_TRUE(IpHelperAvailable);
  CreateToolhelp32Snapshot = nullptr;   // bound on first use
  Process32First = nullptr;
  Process32Next = nullptr;
  {
    TSocket server(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in a = Loopback(0);
    ASSERT_EQ(bind(server.S, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(server.S, 1), 0);
    const u_short listenPort = LocalPort(server.S);
    TSocket client(socket(AF_INET, SOCK_STREAM, 0));
    a = Loopback(listenPort);
    ASSERT_EQ(connect(client.S, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    TSocket accepted(accept(server.S, nullptr, nullptr));
    ASSERT_NE(accepted.S, INVALID_SOCKET);
    const u_short clientPort = LocalPort(client.S);
    // Wine names the owner of a socket whose descriptor the process itself
    // holds, which data passing through it makes sure of.
    char buf[2];
    ASSERT_EQ(send(client.S, "hi", 2, 0), 2);
    ASSERT_EQ(recv(accepted.S, buf, 2, 0), 2);
    ASSERT_EQ(send(accepted.S, "ok", 2, 0), 2);
    ASSERT_EQ(recv(client.S, buf, 2, 0), 2);

    TTestForm form(nullptr);
    HomeIP = "81.2.69.160";
    form.TableOptions.SetText("1\n1\n1\n0\n1\n");
    TableOpen = true;
    DetailsRequested = true;
    form.Refresh(true);
    DetailsRequested = false;

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
