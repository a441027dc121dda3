// Routers forged on the loopback network of a namespace of our own: raw
// ICMP sockets that answer the echo requests sent to a target address as
// routers on the way and the target itself would.
#pragma once
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "netlib/NetIcmpPacket.h"
#include "netlib/NetSocketHandle.h"

// The socket that answers a probe of that time-to-live (null: none), and
// whether it is the target (an echo reply) or a router (time exceeded).
struct TForgedHop {
  TNetSocketHandle* From = nullptr;
  bool Target = false;
};

// Hears the echo requests to Target on Listener (unbound: a raw socket bound
// to an address hears only what is sent to it) and answers each as Hop says,
// counting the answers in Forged, until nothing comes for three seconds or
// Limit answers went out.
inline void ForgeRoute(TNetSocketHandle& Listener, const uint8_t (&Target)[4],
                       const std::function<TForgedHop(int Ttl)>& Hop, std::atomic<int>& Forged,
                       int Limit = 1 << 30) {
  uint8_t in[1024];
  while (Forged < Limit && Listener.WaitReadable(3000)) {
    std::string from;
    int port = 0;
    const int n = Listener.RecvFrom(in, sizeof in, 0, from, port);
    if (n < 28) continue;
    const size_t ip = (in[0] & 0x0F) * 4u;
    if (in[ip] != IcmpEchoRequest || std::memcmp(in + 16, Target, 4) != 0) continue;
    const TForgedHop hop = Hop(in[8]);
    if (!hop.From) continue;
    std::vector<uint8_t> msg;
    if (hop.Target) {
      msg.assign(in + ip, in + n);
      msg[0] = IcmpEchoReply;
      msg[2] = msg[3] = 0;
    } else {
      msg.assign(8, 0);
      msg[0] = IcmpTimeExceeded;
      msg.insert(msg.end(), in, in + ip + 8);
    }
    const uint16_t sum = InternetChecksum(msg.data(), msg.size());
    std::memcpy(msg.data() + 2, &sum, 2);
    hop.From->SendTo("127.0.0.1", 0, msg.data(), static_cast<int>(msg.size()));
    ++Forged;
  }
}
