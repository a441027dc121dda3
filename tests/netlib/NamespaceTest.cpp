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

#include "NetTestKit.h"
#include "netlib/NetIcmpClient.h"
#include "netlib/NetSocketHandle.h"

namespace ws = WinSock2;

namespace {

class IcmpNamespaceTest : public TNetUnitsTest {};

// Waits for an echo request to 127.0.0.2 (a raw socket bound to an address
// hears only what is sent to it, so Listener is unbound) and answers it
// from Router, bound to 127.0.0.11.
void ForgeRouter(TNetSocketHandle& Listener, TNetSocketHandle& Router, std::atomic<int>& Forged) {
  uint8_t in[1024];
  while (Listener.WaitReadable(3000)) {
    std::string from;
    int port = 0;
    const int n = Listener.RecvFrom(in, sizeof in, 0, from, port);
    if (n < 28) continue;
    const size_t ip = (in[0] & 0x0F) * 4u;
    const uint8_t dest[4] = {127, 0, 0, 2};
    if (in[ip] != 8 || std::memcmp(in + 16, dest, 4) != 0) continue;
    TBytes msg(8, 0);
    msg[0] = 11;   // time exceeded in transit
    msg.insert(msg.end(), in, in + ip + 8);
    const uint16_t sum = InternetChecksum(msg.data(), msg.size());
    std::memcpy(msg.data() + 2, &sum, 2);
    Router.SendTo("127.0.0.1", 0, msg.data(), static_cast<int>(msg.size()));
    ++Forged;
    return;
  }
}

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
  std::thread t([&] { ForgeRouter(listener, router, forged); });
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
