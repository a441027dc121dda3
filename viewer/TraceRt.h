// A traceroute: echo probes with a rising time-to-live, one line per
// answering hop, until the target answers or the hop limit is reached.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "classlib/Classes.h"
#include "netlib/NetIcmpClient.h"

// The line that ends a trace which ran out of hops, and the one of a trace
// whose probe failed.
inline const char* const TraceMaxHopsLine = "0.0.0.0;0;0;MAX HOPS EXCEEDED";
inline const char* const TraceErrorLine = "0.0.0.0;0;0;ERROR";

class TTraceRoute {
public:
  TTraceRoute() = default;

  int32_t Timeout = 5000;   // receive time-out of one probe, ms
  int32_t MaxHops = 40;     // time-to-live values 1 .. MaxHops - 1 are probed
  TStrings* Results = nullptr;   // not owned
  std::unique_ptr<TNetEchoProbe> Icmp;   // the running trace's client
  uint32_t StartTicks = 0;
  int32_t Hop = 0;
  // Makes the client of a trace: a real ICMP client unless a test scripts one.
  std::function<std::unique_ptr<TNetEchoProbe>()> NewProbe = NewIcmpEchoProbe;

  // Clears AResults and fills it. Exceptions from making the client or
  // its socket (ENetInvalidSocket without raw-socket rights) pass to the
  // caller; the client is freed either way.
  void Trace(const std::string& Host, TStrings& AResults);
  // One probe after another until one ends the series.
  void NextHop();
  // Adds the hop; true when the series goes on (time-to-live exceeded).
  bool HandleReply(const TReplyStatus& Status);
  // The replying address, unless loopback 127.0.0.1 or a private range
  // (those hops are left out).
  void AddHop(const TReplyStatus& Status);
};
