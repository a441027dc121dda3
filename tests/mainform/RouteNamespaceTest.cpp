// A whole route traced for real: in a network namespace of our own
// (tests/mainform/netns-route makes it and runs this test there) the kernel
// answers no echo, and forged routers at 127.0.0.11 and 127.0.0.12 answer
// the first two probes with "time exceeded" before the target 127.0.0.2
// answers the third.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "ForgedRouter.h"
#include "GuiTest.h"
#include "MainFormFixture.h"
#include "netlib/NetComponent.h"
#include "netlib/NetIcmpClient.h"
#include "netlib/NetIcmpPacket.h"
#include "netlib/NetSocketHandle.h"
#include "viewer/components/WorkerThread.h"
#include "viewer/NsMainPoll.h"

namespace ws = WinSock2;

namespace {

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
    // probes 1 and 2 answered by the routers, 3 and more by the target
    const uint8_t targetAddress[4] = {127, 0, 0, 2};
    std::thread forger([&] {
      ForgeRoute(listener, targetAddress, [&](int Ttl) { return TForgedHop{senders[std::min(Ttl, 3) - 1], Ttl >= 3}; },
                 forged);
    });
    TMenuItem item(nullptr);
    item.Caption = "127.0.0.2";
    form.rou1Click(&item);
    EXPECT_TRUE(PumpUntil([&] { return !form.WorkerThread1->Running(); }, 30000));
    forger.join();
    EXPECT_EQ(forged.load(), 3) << "one attempt: the route was complete";
    EXPECT_EQ(Lines(form.RouteHops), (std::vector<std::string>{"0   127.0.0.11", "1   127.0.0.12", "2   127.0.0.2"}));
    EXPECT_EQ(Lines(form.RouteLabels), (std::vector<std::string>{"Paris, FR", "New York, US", "Sydney, AU"}));
    EXPECT_EQ(PollState.StartupText, "Traceroute completed.\n\r");
    std::printf("forged route: %s | %s | %s\n", form.RouteHops[0].c_str(), form.RouteHops[1].c_str(),
                form.RouteHops[2].c_str());
  }
  NetComponent_Finalize();
}

}  // namespace
