// A router forged in a network namespace of our own (tests/netlib/netns-router
// makes it and runs this test there): the kernel answers no echo, and a
// second raw socket bound to 127.0.0.11 answers our probe with "time
// exceeded". The client must skip its own request on the way and take the
// router's message.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "ForgedRouter.h"
#include "NetTestKit.h"
#include "netlib/NetIcmpClient.h"
#include "netlib/NetSocketHandle.h"

namespace ws = WinSock2;

namespace {

class IcmpNamespaceTest : public TNetUnitsTest {};

TEST_F(IcmpNamespaceTest, ForgedRouterAnswersTimeExceeded) {
  const char* inside = std::getenv("VANTREL_NETNS_ROUTER");
  if (!inside || std::string(inside) != "1")
    GTEST_SKIP() << "skipped: runs only inside the namespace tests/netlib/netns-router makes";
  TNetIcmpClient client(nullptr);
  TNetSocketHandle listener, router;
  listener.OpenSocket(ws::sockRaw, ws::ipprotoIcmp);
  router.OpenSocket(ws::sockRaw, ws::ipprotoIcmp);
  router.IP = "127.0.0.11";
  router.Bind();
  const int32_t routerTtl = 250;
  router.SetSockOpt(ws::ipprotoIp, ws::ipTtl, &routerTtl, sizeof routerTtl);
  std::atomic<int> forged{0};
  // the first echo request to 127.0.0.2 answered from the router
  const uint8_t targetAddress[4] = {127, 0, 0, 2};
  std::thread t([&] { ForgeRoute(listener, targetAddress, [&](int) { return TForgedHop{&router, false}; }, forged, 1); });
  client.Host = "127.0.0.2";
  client.ReceiveTimeout = 3000;
  client.SetTTL(1);
  client.SendEcho();
  t.join();
  EXPECT_EQ(1, forged.load());
  const TReplyStatus& r = client.ReplyStatus();
  EXPECT_EQ(TReplyKind::rkTtlExceeded, r.Kind);
  EXPECT_EQ("127.0.0.11", r.FromAddress);
  EXPECT_EQ(11, r.MessageType);
  EXPECT_EQ(250, r.TimeToLive);
  EXPECT_EQ(3489, r.SequenceId);
  std::printf("forged router: kind %d from %s after %u ms\n", int(r.Kind), r.FromAddress.c_str(), r.RoundTripMs);
}

}  // namespace
