// SOCKS 4, 4A and 5 proxy settings, and the handshakes that open a
// connection through such a proxy on a socket already connected to it.
#pragma once
#include <string>

#include "netlib/NetComponent.h"
#include "netlib/NetGlobal.h"

class TNetSocketHandle;

enum class TSocksAuthentication { saNoAuthentication, saUsernamePassword };
enum class TSocksVersion { svNoSocks, svSocks4, svSocks4A, svSocks5 };

class TNetSocksInfo : public TNetComponent {
  DECLARE_CLASSINFO(TNetSocksInfo)
public:
  explicit TNetSocksInfo(TComponent* AOwner);

  TSocksAuthentication Authentication = TSocksAuthentication::saNoAuthentication;
  std::string Host;
  std::string Password;
  int Port = 1080;
  std::string Username;
  TSocksVersion Version = TSocksVersion::svNoSocks;
  TComponent* IOHandler = nullptr;   // the handler that uses these settings (cleared when it goes)

  void Assign(TPersistent* Source) override;
  // SOCKS 5 counts host name, user name and password in one byte each:
  // longer ones raise ENetSocksError before anything is connected or sent.
  void CheckFieldLengths(const std::string& AHost) const;

  // The request for AHost:APort, then the proxy's answer. Failures are the
  // ENetSocksError classes; an answer cut short is ENetSocksServerRespondError.
  // A proxy that has not answered within ATimeout ms (-2: no limit) raises
  // ENetConnectTimeout.
  void MakeSocks4Connection(TNetSocketHandle& ABinding, const std::string& AHost, int APort,
                            int ATimeout = NetTimeoutInfinite);
  void MakeSocks5Connection(TNetSocketHandle& ABinding, const std::string& AHost, int APort,
                            int ATimeout = NetTimeoutInfinite);
};
