#include "netlib/NetSocks.h"

#include <vector>

#include "netlib/NetException.h"
#include "netlib/NetResourceStrings.h"
#include "netlib/NetSocketHandle.h"

IMPLEMENT_CLASSINFO(TNetSocksInfo, TNetComponent)

namespace {
using TBytes = std::vector<uint8_t>;

void SendAll(TNetSocketHandle& B, const TBytes& Data) {
  size_t sent = 0;
  while (sent < Data.size()) {
    const int n = B.Send(Data.data() + sent, static_cast<int>(Data.size() - sent));
    if (n <= 0) throw ENetSocksServerRespondError(RSSocksServerRespondError);
    sent += static_cast<size_t>(n);
  }
}

// The time a handshake has left.
class TDeadline {
public:
  explicit TDeadline(int ATimeout) : FTimeout(ATimeout), FStart(TickCount()) {}
  // Milliseconds left (0 when none), or -2 without a limit.
  int Left() const {
    if (FTimeout < 0) return NetTimeoutInfinite;
    const uint32_t spent = TicksBetween(FStart, TickCount());
    return spent >= static_cast<uint32_t>(FTimeout) ? 0 : FTimeout - static_cast<int>(spent);
  }

private:
  int FTimeout;
  uint32_t FStart;
};

// Exactly Count bytes, or the proxy did not answer (in time).
TBytes ReceiveExact(TNetSocketHandle& B, size_t Count, const TDeadline& Deadline) {
  TBytes r(Count);
  size_t got = 0;
  while (got < Count) {
    const int left = Deadline.Left();
    if (left == 0 || !B.WaitReadable(left)) throw ENetConnectTimeout(RSConnectTimeout);
    const int n = B.Recv(r.data() + got, static_cast<int>(Count - got));
    if (n <= 0) throw ENetSocksServerRespondError(RSSocksServerRespondError);
    got += static_cast<size_t>(n);
  }
  return r;
}

void AddPort(TBytes& B, int Port) {
  B.push_back(static_cast<uint8_t>(Port >> 8));
  B.push_back(static_cast<uint8_t>(Port));
}

// A one-byte length and its text; longer texts cannot be sent.
void AddCounted(TBytes& B, const std::string& Text, const char* What) {
  if (Text.size() > 255) throw ENetSocksError(Format(RSSocksFieldTooLong, What));
  B.push_back(static_cast<uint8_t>(Text.size()));
  B.insert(B.end(), Text.begin(), Text.end());
}
}  // namespace

TNetSocksInfo::TNetSocksInfo(TComponent* AOwner) : TNetComponent(AOwner) {}

void TNetSocksInfo::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TNetSocksInfo*>(Source)) {
    Authentication = s->Authentication;
    Host = s->Host;
    Password = s->Password;
    Port = s->Port;
    Username = s->Username;
    Version = s->Version;
    return;
  }
  TNetComponent::Assign(Source);
}

void TNetSocksInfo::CheckFieldLengths(const std::string& AHost) const {
  if (Version != TSocksVersion::svSocks5) return;
  TBytes scratch;
  AddCounted(scratch, AHost, "host name");
  if (Authentication == TSocksAuthentication::saUsernamePassword) {
    AddCounted(scratch, Username, "user name");
    AddCounted(scratch, Password, "password");
  }
}

void TNetSocksInfo::MakeSocks4Connection(TNetSocketHandle& ABinding, const std::string& AHost, int APort,
                                         int ATimeout) {
  const TDeadline deadline(ATimeout);
  TBytes req{4, 1};
  AddPort(req, APort);
  if (Version == TSocksVersion::svSocks4A) {
    req.insert(req.end(), {0, 0, 0, 1});
  } else {
    const TNetAddressBytes a = Stack().TextToAddress(Stack().HostToAddressText(AHost));
    req.insert(req.end(), a.begin(), a.end());
  }
  const std::string user = Username.substr(0, 255);
  req.insert(req.end(), user.begin(), user.end());
  req.push_back(0);
  if (Version == TSocksVersion::svSocks4A) {
    req.insert(req.end(), AHost.begin(), AHost.end());
    req.push_back(0);
  }
  SendAll(ABinding, req);
  const TBytes reply = ReceiveExact(ABinding, 8, deadline);
  switch (reply[1]) {
    case 90: return;
    case 91: throw ENetSocksRequestFailed(RSSocksRequestFailed);
    case 92: throw ENetSocksRequestServerFailed(RSSocksRequestServerFailed);
    case 93: throw ENetSocksRequestIdentFailed(RSSocksRequestIdentFailed);
    default: throw ENetSocksUnknownError(RSSocksUnknownError);
  }
}

void TNetSocksInfo::MakeSocks5Connection(TNetSocketHandle& ABinding, const std::string& AHost, int APort,
                                         int ATimeout) {
  const TDeadline deadline(ATimeout);
  const bool withAuth = Authentication == TSocksAuthentication::saUsernamePassword;
  TBytes request{5, 1, 0, 3};
  AddCounted(request, AHost, "host name");
  AddPort(request, APort);
  TBytes login{1};
  if (withAuth) {
    AddCounted(login, Username, "user name");
    AddCounted(login, Password, "password");
  }

  const uint8_t method = withAuth ? 2 : 0;
  SendAll(ABinding, {5, 1, method});
  const TBytes chosen = ReceiveExact(ABinding, 2, deadline);
  if (chosen[1] == 255 || chosen[1] != method) throw ENetSocksAuthMethodError(RSSocksAuthMethodError);
  if (withAuth) {
    SendAll(ABinding, login);
    if (ReceiveExact(ABinding, 2, deadline)[1] != 0) throw ENetSocksAuthError(RSSocksAuthError);
  }

  SendAll(ABinding, request);
  // Version, reply code, reserved, address type and the address's first byte.
  const TBytes head = ReceiveExact(ABinding, 5, deadline);
  switch (head[1]) {
    case 0: break;
    case 1: throw ENetSocksServerGeneralError(RSSocksServerGeneralError);
    case 2: throw ENetSocksServerPermissionError(RSSocksServerPermissionError);
    case 3: throw ENetSocksServerNetUnreachableError(RSSocksServerNetUnreachableError);
    case 4: throw ENetSocksServerHostUnreachableError(RSSocksServerHostUnreachableError);
    case 5: throw ENetSocksServerConnectionRefusedError(RSSocksServerConnectionRefusedError);
    case 6: throw ENetSocksServerTTLExpiredError(RSSocksServerTTLExpiredError);
    case 7: throw ENetSocksServerCommandError(RSSocksServerCommandError);
    case 8: throw ENetSocksServerAddressError(RSSocksServerAddressError);
    default: throw ENetSocksUnknownError(RSSocksUnknownError);
  }
  // The rest of the bound address (its first byte, for a domain its
  // length, is already read), then the port.
  size_t rest = 0;
  switch (head[3]) {
    case 1: rest = 4 - 1; break;
    case 3: rest = head[4]; break;
    case 4: rest = 16 - 1; break;
    default: throw ENetSocksServerRespondError(RSSocksServerRespondError);
  }
  ReceiveExact(ABinding, rest + 2, deadline);
}
