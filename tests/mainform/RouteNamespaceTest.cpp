// A whole route traced for real: in a network namespace of our own
// (tests/mainform/netns-route makes it and runs this test there) the kernel
// answers no echo, and forged routers at 127.0.0.11 and 127.0.0.12 answer
// the first two probes with "time exceeded" before the target 127.0.0.2
// answers the third.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "GuiTest.h"
#include "MainFormFixture.h"
#include "netlib/NetComponent.h"
#include "netlib/NetIcmpClient.h"
#include "netlib/NetIcmpPacket.h"
#include "netlib/NetSocketHandle.h"
#include "viewer/components/WorkerThread.h"

namespace ws = WinSock2;

namespace {

using TBytes = std::vector<uint8_t>;

// Answers every echo request to 127.0.0.2 by its time-to-live: 1 and 2
// from the routers, 3 and more from the target, until nothing comes for
// three seconds.
void ForgeRoute(TNetSocketHandle& Listener, TNetSocketHandle* Senders[3], std::atomic<int>& Forged) {
  uint8_t in[1024];
  while (Listener.WaitReadable(3000)) {
    std::string from;
    int port = 0;
    const int n = Listener.RecvFrom(in, sizeof in, 0, from, port);
    if (n < 28) continue;
    const size_t ip = (in[0] & 0x0F) * 4u;
    const uint8_t dest[4] = {127, 0, 0, 2};
    if (in[ip] != IcmpEchoRequest || std::memcmp(in + 16, dest, 4) != 0) continue;
    const int ttl = in[8];
    TBytes msg;
    if (ttl <= 2) {
      msg.assign(8, 0);
      msg[0] = IcmpTimeExceeded;
      msg.insert(msg.end(), in, in + ip + 8);
    } else {
      msg.assign(in + ip, in + n);
      msg[0] = IcmpEchoReply;
      msg[2] = msg[3] = 0;
    }
    const uint16_t sum = InternetChecksum(msg.data(), msg.size());
    std::memcpy(msg.data() + 2, &sum, 2);
    Senders[std::min(ttl, 3) - 1]->SendTo("127.0.0.1", 0, msg.data(), static_cast<int>(msg.size()));
    ++Forged;
  }
}

class RouteNamespace : public MainFormTest {};

TEST_F(RouteNamespace, ForgedRoutersMakeARouteThatIsLaidOut) {
  const char* inside = std::getenv("VANTREL_NETNS_ROUTE");
  if (!inside || std::string(inside) != "1")
    GTEST_SKIP() << "skipped: runs only inside the namespace tests/mainform/netns-route makes";
  CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
  WriteLocationFixture(Dir + "\\data",
                       "127.0.0.2,127.0.0.2,AU,Sydney,-33.87,151.21\n"
                       "127.0.0.11,127.0.0.11,FR,Paris,48.85,2.35\n"
                       "127.0.0.12,127.0.0.12,US,New York,40.71,-74.01\n");
  NetComponent_Initialize();
  {
    TRecordingForm form(nullptr);
    form.LocationDatabase.Load(Dir + "\\data");
    TNetIcmpClient stackHolder(nullptr);   // sockets need a component alive
    TNetSocketHandle listener, r1, r2, target;
    listener.OpenSocket(ws::sockRaw, ws::ipprotoIcmp);
    TNetSocketHandle* senders[3] = {&r1, &r2, &target};
    const char* addresses[3] = {"127.0.0.11", "127.0.0.12", "127.0.0.2"};
    for (int i = 0; i < 3; ++i) {
      senders[i]->OpenSocket(ws::sockRaw, ws::ipprotoIcmp);
      senders[i]->IP = addresses[i];
      senders[i]->Bind();
    }
    std::atomic<int> forged{0};
    std::thread forger([&] { ForgeRoute(listener, senders, forged); });
    TMenuItem item(nullptr);
    item.Caption = "127.0.0.2";
    form.rou1Click(&item);
    EXPECT_TRUE(PumpUntil([&] { return !form.WorkerThread1->Running(); }, 30000));
    forger.join();
    EXPECT_EQ(forged.load(), 3) << "one attempt: the route was complete";
    EXPECT_EQ(Lines(form.RouteHops), (std::vector<std::string>{"0   127.0.0.11", "1   127.0.0.12", "2   127.0.0.2"}));
    EXPECT_EQ(Lines(form.RouteLabels), (std::vector<std::string>{"Paris, FR", "New York, US", "Sydney, AU"}));
    EXPECT_EQ(StartupText, "Traceroute completed.\n\r");
    std::printf("forged route: %s | %s | %s\n", form.RouteHops[0].c_str(), form.RouteHops[1].c_str(),
                form.RouteHops[2].c_str());
  }
  NetComponent_Finalize();
}

}  // namespace
