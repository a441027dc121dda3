#include "viewer/TraceRt.h"

#include <windows.h>

#include "netlib/NetGlobal.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainRefresh.h"

void TTraceRoute::Trace(const std::string& Host, TStrings& AResults) {
  struct TFree {
    std::unique_ptr<TNetEchoProbe>& Client;
    ~TFree() { Client.reset(); }
  } free{Icmp};
  Icmp = NewProbe();
  Icmp->SetHost(Host);
  Results = &AResults;
  Results->Clear();
  Hop = 0;
  NextHop();
}

void TTraceRoute::NextHop() {
  for (;;) {
    ++Hop;
    if (Hop >= MaxHops) {
      Results->Add(TraceMaxHopsLine);
      return;
    }
    // Without the right to open raw sockets this raises: no probe can go.
    Icmp->SetTTL(Hop);
    try {
      Icmp->SetReceiveTimeout(Timeout);
      StartTicks = TickCount();
      const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
      struct TRestore {
        UINT Mode;
        ~TRestore() { SetErrorMode(Mode); }
      } restore{oldMode};
      Icmp->SendEcho();
      if (!HandleReply(Icmp->ReplyStatus())) return;
    } catch (const std::exception&) {
      Results->Add(TraceErrorLine);
      return;
    }
  }
}

bool TTraceRoute::HandleReply(const TReplyStatus& Status) {
  AddHop(Status);
  return Status.Kind == TReplyKind::rkTtlExceeded;
}

void TTraceRoute::AddHop(const TReplyStatus& Status) {
  if (!IsPrivateAddress(Status.FromAddress, AddressValue(Status.FromAddress))) Results->Add(Status.FromAddress);
}
