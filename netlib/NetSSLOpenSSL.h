// TLS over OpenSSL: a client I/O handler that can also pass data through
// in plain, a server-side handler, and wrappers of the context, the
// connection, certificates and ciphers.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "classlib/Sets.h"
#include "netlib/NetIOHandlerSocket.h"
#include "netlib/NetSSLOpenSSLHeaders.h"
#include "netlib/NetServerIOHandler.h"

enum class TNetSSLVersion { sslvSSLv2, sslvSSLv23, sslvSSLv3, sslvTLSv1 };
enum class TNetSSLMode { sslmUnassigned, sslmClient, sslmServer, sslmBoth };
enum class TNetSSLVerifyMode { sslvrfPeer, sslvrfFailIfNoPeerCert, sslvrfClientOnce };
using TNetSSLVerifyModeSet = TSet<TNetSSLVerifyMode>;

class TNetX509;
using TCallbackEvent = std::function<void(const std::string& Msg)>;
using TPasswordEvent = std::function<void(std::string& Password)>;
using TVerifyPeerEvent = std::function<bool(TNetX509* Certificate)>;

class TNetSSLOptions : public TPersistent {
  DECLARE_CLASSINFO(TNetSSLOptions)
public:
  std::string RootCertFile, CertFile, KeyFile;
  TNetSSLVersion Method = TNetSSLVersion::sslvSSLv23;
  TNetSSLMode Mode = TNetSSLMode::sslmUnassigned;
  TNetSSLVerifyModeSet VerifyMode;
  int VerifyDepth = 0;
  std::string VerifyDirs;
  std::string CipherList;
  void Assign(TPersistent* Source) override;
};

// One certificate; subject, issuer, fingerprint and validity.
class TNetX509 : public TObject {
  DECLARE_CLASSINFO(TNetX509)
public:
  // AOwnsReference: the handle carries a reference this object frees.
  TNetX509(X509* ACertificate, bool AOwnsReference);
  ~TNetX509() override;
  X509* Certificate() const { return FCertificate; }
  std::string SubjectOneLine() const;
  std::string IssuerOneLine() const;
  unsigned long SubjectHash() const;
  unsigned long IssuerHash() const;
  std::string FingerprintAsString() const;   // MD5, "AA:BB:..."
  TDateTime NotBefore() const;   // 0 when unknown
  TDateTime NotAfter() const;

private:
  X509* FCertificate;
  bool FOwnsReference;
};

class TNetSSLCipher : public TObject {
  DECLARE_CLASSINFO(TNetSSLCipher)
public:
  explicit TNetSSLCipher(SSL* ASSL) : FSSL(ASSL) {}
  std::string Description() const;
  std::string Name() const;
  int Bits() const;
  std::string Version() const;

private:
  SSL* FSSL;
};

class TNetSSLIOHandlerSocket;

// An OpenSSL context made from the options for one mode.
class TNetSSLContext : public TObject {
  DECLARE_CLASSINFO(TNetSSLContext)
public:
  TNetSSLContext() = default;
  ~TNetSSLContext() override;
  TNetSSLOptions Options;
  TComponent* Parent = nullptr;   // the handler whose events answer the callbacks
  bool StatusInfoOn = false;
  bool PasswordRoutineOn = false;
  bool VerifyOn = false;
  SSL_CTX* Context() const { return FContext; }
  // Loads OpenSSL when needed and makes the context (the ENetOpenSSLError
  // classes on failure).
  void InitContext(TNetSSLMode AMode);
  // What the password callback hands the library; tests reach it here.
  TPasswordEvent OnGetPassword;
  TCallbackEvent OnStatusInfo;
  TVerifyPeerEvent OnVerifyPeer;

private:
  const SSL_METHOD* Method(TNetSSLMode AMode) const;
  SSL_CTX* FContext = nullptr;
};

// One TLS connection over a connected socket.
class TNetSSLSocket : public TObject {
  DECLARE_CLASSINFO(TNetSSLSocket)
public:
  explicit TNetSSLSocket(TNetSSLContext& AContext) : FContext(AContext) {}
  ~TNetSSLSocket() override;
  SSL* Handle() const { return FSSL; }
  // The handshake as the client or the accepting side, within ATimeout ms
  // in all (negative: no limit), else ENetConnectTimeout.
  void Connect(uintptr_t ASocket, int ATimeout = NetTimeoutInfinite);
  void Accept(uintptr_t ASocket, int ATimeout = NetTimeoutInfinite);
  // Whether Recv returns without waiting once ATimeout ms (negative: no
  // limit) have passed at most: a whole record came, or the session ended.
  // The first bytes of a record are not enough.
  bool WaitReadable(int ATimeout);
  // Bytes read; 0 when the peer closed the TLS session or the socket (also
  // without ending TLS), -1 on a socket error; ENetOSSLReadError when TLS
  // fails.
  int Recv(void* ABuffer, int ASize);
  // Bytes written; -1 on a socket error; ENetOSSLWriteError when TLS fails.
  int Send(const void* ABuffer, int ASize);
  bool Pending() const;
  TNetX509* PeerCert();
  TNetSSLCipher* Cipher();

private:
  void Bind(uintptr_t ASocket);
  void Handshake(uintptr_t ASocket, bool AConnect, int ATimeout);
  // What a read that gave no data and need not wait means for Recv: 0,
  // -1 or ReadFailed.
  static int ReadEnd(int AResult, int AError);
  std::string CipherReport();
  TNetSSLContext& FContext;
  SSL* FSSL = nullptr;
  uintptr_t FSocket = 0;
  // How the session ended when a wait saw it end: 0 closed, or ReadFailed
  // (both cannot be read a second time); 1 while it has not.
  int FReadEnd = 1;
  std::unique_ptr<TNetX509> FPeerCert;
  std::unique_ptr<TNetSSLCipher> FCipher;
};

class TNetSSLIOHandlerSocket : public TNetIOHandlerSocket {
  DECLARE_CLASSINFO(TNetSSLIOHandlerSocket)
public:
  explicit TNetSSLIOHandlerSocket(TComponent* AOwner);
  ~TNetSSLIOHandlerSocket() override;

  TNetSSLOptions SSLOptions;
  TCallbackEvent OnStatusInfo;
  TPasswordEvent OnGetPassword;
  TVerifyPeerEvent OnVerifyPeer;
  int HandshakeTimeout = 30000;   // ms for the whole handshake; -2: no limit

  bool PassThrough() const { return FPassThrough; }
  // Off on a connected handler starts TLS now.
  void SetPassThrough(bool Value);
  TNetSSLSocket* SSLSocket() const { return FSSLSocket.get(); }
  // A context to use instead of one of its own (not owned; server side).
  void SetSSLContext(TNetSSLContext* AContext) { FContext = AContext; }

  void ConnectTo(const std::string& AHost, int APort, const std::string& ABoundIP, int ABoundPort, int ABoundPortMin,
                 int ABoundPortMax, int ATimeout) override;
  void CloseHandler() override;
  bool WaitReadable(int ATimeout) override;
  int ReceiveBytes(void* ABuffer, int ASize) override;
  int SendBlock(const void* ABuffer, int ASize) override;
  // TLS as the accepting side on an accepted socket.
  void AcceptTLS();

private:
  void StartSSL();
  bool FPassThrough = true;
  std::unique_ptr<TNetSSLContext> FOwnContext;
  TNetSSLContext* FContext = nullptr;
  std::unique_ptr<TNetSSLSocket> FSSLSocket;
};

class TNetServerIOHandlerSSL : public TNetServerIOHandler {
  DECLARE_CLASSINFO(TNetServerIOHandlerSSL)
public:
  explicit TNetServerIOHandlerSSL(TComponent* AOwner) : TNetServerIOHandler(AOwner) {}
  TNetSSLOptions SSLOptions;
  TCallbackEvent OnStatusInfo;
  TPasswordEvent OnGetPassword;
  TVerifyPeerEvent OnVerifyPeer;
  // Makes the server context.
  void Init() override;
  // Accepts a connection on the listening socket ASocket and TLS on it: a
  // handler the caller owns, or null when the accept was interrupted.
  TNetIOHandler* Accept(TNetSocket ASocket) override;

private:
  std::unique_ptr<TNetSSLContext> FContext;
};

// The process-wide list of running threads that the unit's shutdown waits
// for (nothing in the program adds to it).
void SSLThreadListAdd(DWORD AThreadID);
void SSLThreadListRemove(DWORD AThreadID);

void NetSSLOpenSSL_Initialize();
void NetSSLOpenSSL_Finalize();
