#include "netlib/NetSSLOpenSSL.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "classlib/SyncObjs.h"
#include "classlib/UnitInit.h"
#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetResourceStrings.h"

IMPLEMENT_CLASSINFO(TNetSSLOptions, TPersistent)
IMPLEMENT_CLASSINFO(TNetX509, TObject)
IMPLEMENT_CLASSINFO(TNetSSLCipher, TObject)
IMPLEMENT_CLASSINFO(TNetSSLContext, TObject)
IMPLEMENT_CLASSINFO(TNetSSLSocket, TObject)
IMPLEMENT_CLASSINFO(TNetSSLIOHandlerSocket, TNetIOHandlerSocket)
IMPLEMENT_CLASSINFO(TNetServerIOHandlerSSL, TNetServerIOHandler)

namespace {
TUnitCounter UnitCounter;

// Never offered, whatever the cipher list asks for: SSLv2 suites, export
// suites, RC4 and suites without authentication or encryption.
constexpr const char* DefaultCipherList = "ALL:!ADH:!aNULL:!eNULL:!EXP:!RC4:!LOW:!SSLv2:+HIGH:+MEDIUM";
constexpr const char* CipherExclusions = ":!EXP:!RC4:!aNULL:!eNULL:!SSLv2";
constexpr int AppDataIndex = 0;

struct TThreadList {
  TCriticalSection Lock;
  std::vector<DWORD> Threads;
};
std::unique_ptr<TThreadList> ThreadList;

TNetSSLContext* ContextOf(const SSL* S) {
  return S && SSL_get_ex_data ? static_cast<TNetSSLContext*>(SSL_get_ex_data(S, AppDataIndex)) : nullptr;
}

void InfoCallback(const SSL* S, int, int) {
  TNetSSLContext* c = ContextOf(S);
  if (c && c->OnStatusInfo) {
    try {
      c->OnStatusInfo(Format(RSOSSLStatusString, SSL_state_string_long(S)));
    } catch (...) {
      // an exception never unwinds through the library
    }
  }
}

int VerifyCallback(int Ok, X509_STORE_CTX* Store) {
  auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_app_data_net(Store));
  TNetSSLContext* c = ContextOf(ssl);
  if (!c || !c->OnVerifyPeer) return Ok;
  try {
    TNetX509 cert(X509_STORE_CTX_get_current_cert(Store), false);
    return c->OnVerifyPeer(&cert) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

// Copies at most Size - 1 characters and a terminating zero.
int PasswordCallback(char* Buffer, int Size, int, void* UserData) {
  auto* c = static_cast<TNetSSLContext*>(UserData);
  if (!c || !Buffer || Size <= 0) return 0;
  std::string password;
  try {
    if (c->OnGetPassword) c->OnGetPassword(password);
  } catch (...) {
    return 0;
  }
  const size_t n = std::min(password.size(), static_cast<size_t>(Size - 1));
  std::memcpy(Buffer, password.data(), n);
  Buffer[n] = '\0';
  return static_cast<int>(n);
}

// "YYMMDDHHMMSSZ" (UTC time) or "YYYYMMDDHHMMSSZ" (generalized time), as UTC.
TDateTime ASN1TimeToDateTime(const ASN1_TIME* T) {
  if (!T || !ASN1_STRING_length || !ASN1_STRING_data) return 0;
  const int len = ASN1_STRING_length(T);
  const unsigned char* d = ASN1_STRING_data(T);
  if (!d || len < 12) return 0;
  const std::string s(reinterpret_cast<const char*>(d), static_cast<size_t>(len));
  size_t p = 0;
  auto num = [&](size_t Digits) {
    int v = 0;
    for (size_t i = 0; i < Digits; ++i) {
      if (p >= s.size() || s[p] < '0' || s[p] > '9') return -1;
      v = v * 10 + (s[p++] - '0');
    }
    return v;
  };
  int year = len >= 15 ? num(4) : num(2);
  if (len < 15 && year >= 0) year += year < 50 ? 2000 : 1900;
  const int month = num(2), day = num(2), hour = num(2), minute = num(2), second = num(2);
  TDateTime date = 0, time = 0;
  if (year < 0 || !TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, minute, second, 0, time)) return 0;
  return date + time;
}

// A context of a handler: its options, its events answering the
// callbacks, made for AMode.
std::unique_ptr<TNetSSLContext> MakeContext(TComponent* AParent, TNetSSLOptions& AOptions,
                                            const TCallbackEvent& AStatus, const TPasswordEvent& APassword,
                                            const TVerifyPeerEvent& AVerify, TNetSSLMode AMode) {
  auto c = std::make_unique<TNetSSLContext>();
  c->Options.Assign(&AOptions);
  c->Options.Mode = AMode;
  c->Parent = AParent;
  c->StatusInfoOn = static_cast<bool>(AStatus);
  c->PasswordRoutineOn = static_cast<bool>(APassword);
  c->VerifyOn = static_cast<bool>(AVerify);
  c->OnStatusInfo = AStatus;
  c->OnGetPassword = APassword;
  c->OnVerifyPeer = AVerify;
  c->InitContext(AMode);
  return c;
}

void RequireLoaded() {
  if (!LoadOpenSSLLibrary()) throw ENetOSSLCouldNotLoadSSLLibrary(RSOSSLCouldNotLoadSSLLibrary);
}

constexpr int ReadFailed = -2;   // a read's end: TLS failed

// While it lives the socket does not block: OpenSSL hands each wait back,
// and the caller bounds it.
class TNonBlocking {
public:
  explicit TNonBlocking(uintptr_t ASocket) : FSocket(ASocket) {
    Stack().CheckSocketResult(Stack().SocketSetBlocking(FSocket, false));
  }
  ~TNonBlocking() { Stack().SocketSetBlocking(FSocket, true); }
  TNonBlocking(const TNonBlocking&) = delete;
  TNonBlocking& operator=(const TNonBlocking&) = delete;

private:
  uintptr_t FSocket;
};

// The milliseconds left of ATimeout from AStart (negative: no limit).
int TimeLeft(uint32_t AStart, int ATimeout) {
  if (ATimeout < 0) return NetTimeoutInfinite;
  const uint32_t spent = TicksBetween(AStart, TickCount());
  return spent >= static_cast<uint32_t>(ATimeout) ? 0 : ATimeout - static_cast<int>(spent);
}

// Waits ATimeout ms at most for what OpenSSL asked for (AWant: its
// SSL_ERROR_WANT_READ or _WRITE); false when the time ran out.
bool WaitFor(uintptr_t ASocket, int AWant, int ATimeout) {
  if (ATimeout == 0) return false;
  std::vector<TNetSocket> list{static_cast<TNetSocket>(ASocket)};
  const bool write = AWant == SSL_ERROR_WANT_WRITE;
  const int n = Stack().SocketSelect(write ? nullptr : &list, write ? &list : nullptr, ATimeout);
  Stack().CheckSocketResult(n);
  return n > 0;
}

void ClearErrors() {
  if (ERR_clear_error) ERR_clear_error();   // what SSL_get_error reads must be this call's
}
}  // namespace

void TNetSSLOptions::Assign(TPersistent* Source) {
  if (auto* o = dynamic_cast<TNetSSLOptions*>(Source)) {
    RootCertFile = o->RootCertFile;
    CertFile = o->CertFile;
    KeyFile = o->KeyFile;
    Method = o->Method;
    Mode = o->Mode;
    VerifyMode = o->VerifyMode;
    VerifyDepth = o->VerifyDepth;
    VerifyDirs = o->VerifyDirs;
    CipherList = o->CipherList;
    return;
  }
  TPersistent::Assign(Source);
}

// ---- Certificates and ciphers ----------------------------------------------

TNetX509::TNetX509(X509* ACertificate, bool AOwnsReference)
    : FCertificate(ACertificate), FOwnsReference(AOwnsReference) {}

TNetX509::~TNetX509() {
  if (FOwnsReference && FCertificate && X509_free) X509_free(FCertificate);
}

namespace {
std::string OneLine(X509_NAME* N) {
  if (!N || !X509_NAME_oneline) return "";
  char buf[1024] = {};
  X509_NAME_oneline(N, buf, sizeof buf);
  return buf;
}
}  // namespace

std::string TNetX509::SubjectOneLine() const {
  return FCertificate && X509_get_subject_name ? OneLine(X509_get_subject_name(FCertificate)) : "";
}

std::string TNetX509::IssuerOneLine() const {
  return FCertificate && X509_get_issuer_name ? OneLine(X509_get_issuer_name(FCertificate)) : "";
}

unsigned long TNetX509::SubjectHash() const {
  return FCertificate && X509_get_subject_name && X509_NAME_hash ? X509_NAME_hash(X509_get_subject_name(FCertificate))
                                                                 : 0;
}

unsigned long TNetX509::IssuerHash() const {
  return FCertificate && X509_get_issuer_name && X509_NAME_hash ? X509_NAME_hash(X509_get_issuer_name(FCertificate))
                                                                : 0;
}

std::string TNetX509::FingerprintAsString() const {
  if (!FCertificate || !X509_digest || !EVP_md5) return "";
  unsigned char md[64];
  unsigned int n = 0;
  if (!X509_digest(FCertificate, EVP_md5(), md, &n)) return "";
  std::string r;
  for (unsigned int i = 0; i < n && i < sizeof md; ++i) r += (i ? ":" : "") + Format("%.2X", md[i]);
  return r;
}

TDateTime TNetX509::NotBefore() const {
  return FCertificate ? ASN1TimeToDateTime(X509_get_notBefore_net(FCertificate)) : 0;
}

TDateTime TNetX509::NotAfter() const {
  return FCertificate ? ASN1TimeToDateTime(X509_get_notAfter_net(FCertificate)) : 0;
}

std::string TNetSSLCipher::Description() const {
  if (!SSL_CIPHER_description || !SSL_get_current_cipher) return "";
  const SSL_CIPHER* c = SSL_get_current_cipher(FSSL);
  if (!c) return "";
  char buf[1024] = {};
  SSL_CIPHER_description(c, buf, sizeof buf);
  return TrimRight(buf);
}

std::string TNetSSLCipher::Name() const {
  const SSL_CIPHER* c = SSL_get_current_cipher ? SSL_get_current_cipher(FSSL) : nullptr;
  return c && SSL_CIPHER_get_name ? SSL_CIPHER_get_name(c) : "";
}

int TNetSSLCipher::Bits() const {
  const SSL_CIPHER* c = SSL_get_current_cipher ? SSL_get_current_cipher(FSSL) : nullptr;
  int alg = 0;
  return c && SSL_CIPHER_get_bits ? SSL_CIPHER_get_bits(c, &alg) : 0;
}

std::string TNetSSLCipher::Version() const {
  const SSL_CIPHER* c = SSL_get_current_cipher ? SSL_get_current_cipher(FSSL) : nullptr;
  return c && SSL_CIPHER_get_version ? SSL_CIPHER_get_version(c) : "";
}

// ---- Context -----------------------------------------------------------------

TNetSSLContext::~TNetSSLContext() {
  if (FContext && SSL_CTX_free) SSL_CTX_free(FContext);
}

const SSL_METHOD* TNetSSLContext::Method(TNetSSLMode AMode) const {
  using TM = const SSL_METHOD* (*)();
  TM plain = nullptr, client = nullptr, server = nullptr;
  switch (Options.Method) {
    case TNetSSLVersion::sslvSSLv2: return nullptr;   // never offered
    case TNetSSLVersion::sslvSSLv23: plain = SSLv23_method, client = SSLv23_client_method, server = SSLv23_server_method; break;
    case TNetSSLVersion::sslvSSLv3: plain = SSLv3_method, client = SSLv3_client_method, server = SSLv3_server_method; break;
    case TNetSSLVersion::sslvTLSv1: plain = TLSv1_method, client = TLSv1_client_method, server = TLSv1_server_method; break;
  }
  TM m = AMode == TNetSSLMode::sslmClient ? client : AMode == TNetSSLMode::sslmServer ? server : plain;
  return m ? m() : nullptr;
}

void TNetSSLContext::InitContext(TNetSSLMode AMode) {
  if (AMode == TNetSSLMode::sslmUnassigned) throw ENetOSSLModeNotSet(RSOSSLModeNotSet);
  RequireLoaded();
  const SSL_METHOD* method = Method(AMode);
  if (!method) throw ENetOSSLGetMethodError(RSOSSLGetMethodError);
  FContext = SSL_CTX_new(method);
  if (!FContext) throw ENetOSSLCreatingContextError(RSOSSLCreatingContextError);
  SSL_CTX_set_options_net(FContext, OpenSSLProtocolOptions());
  if (StatusInfoOn) SSL_CTX_set_info_callback_net(FContext, InfoCallback);
  if (!Options.RootCertFile.empty() &&
      (!SSL_CTX_load_verify_locations ||
       SSL_CTX_load_verify_locations(FContext, Options.RootCertFile.c_str(), nullptr) <= 0))
    throw ENetOSSLLoadingRootCertError(RSOSSLLoadingRootCertError);
  if (PasswordRoutineOn && SSL_CTX_set_default_passwd_cb && SSL_CTX_set_default_passwd_cb_userdata) {
    SSL_CTX_set_default_passwd_cb(FContext, PasswordCallback);
    SSL_CTX_set_default_passwd_cb_userdata(FContext, this);
  }
  if (!Options.CertFile.empty() &&
      (!SSL_CTX_use_certificate_file ||
       SSL_CTX_use_certificate_file(FContext, Options.CertFile.c_str(), SSL_FILETYPE_PEM) <= 0))
    throw ENetOSSLLoadingCertError(RSOSSLLoadingCertError);
  if (!Options.KeyFile.empty() &&
      (!SSL_CTX_use_PrivateKey_file || !SSL_CTX_check_private_key ||
       SSL_CTX_use_PrivateKey_file(FContext, Options.KeyFile.c_str(), SSL_FILETYPE_PEM) <= 0 ||
       SSL_CTX_check_private_key(FContext) <= 0))
    throw ENetOSSLLoadingKeyError(RSOSSLLoadingKeyError);
  const std::string ciphers = Options.CipherList.empty() ? DefaultCipherList : Options.CipherList + CipherExclusions;
  if (SSL_CTX_set_cipher_list(FContext, ciphers.c_str()) <= 0) throw ENetOSSLSettingCipherError(RSOSSLSettingCipherError);
  if (!Options.VerifyMode.Empty()) {
    int mode = 0;
    if (Options.VerifyMode.Contains(TNetSSLVerifyMode::sslvrfPeer)) mode |= SSL_VERIFY_PEER;
    if (Options.VerifyMode.Contains(TNetSSLVerifyMode::sslvrfFailIfNoPeerCert)) mode |= SSL_VERIFY_FAIL_IF_NO_PEER_CERT;
    if (Options.VerifyMode.Contains(TNetSSLVerifyMode::sslvrfClientOnce)) mode |= SSL_VERIFY_CLIENT_ONCE;
    SSL_CTX_set_verify(FContext, mode, VerifyOn ? VerifyCallback : nullptr);
    if (SSL_CTX_set_verify_depth) SSL_CTX_set_verify_depth(FContext, Options.VerifyDepth);
  }
  if (AMode == TNetSSLMode::sslmServer && !Options.RootCertFile.empty() && SSL_load_client_CA_file &&
      SSL_CTX_set_client_CA_list)
    SSL_CTX_set_client_CA_list(FContext, SSL_load_client_CA_file(Options.RootCertFile.c_str()));
}

// ---- Connection --------------------------------------------------------------

TNetSSLSocket::~TNetSSLSocket() {
  FPeerCert.reset();
  FCipher.reset();
  if (FSSL) {
    if (SSL_shutdown) SSL_shutdown(FSSL);
    SSL_free(FSSL);
  }
}

void TNetSSLSocket::Bind(uintptr_t ASocket) {
  FSSL = SSL_new(FContext.Context());
  if (!FSSL || SSL_set_fd(FSSL, static_cast<int>(ASocket)) <= 0)
    throw ENetOSSLDataBindingError(RSOSSLDataBindingError);
  SSL_set_ex_data(FSSL, AppDataIndex, &FContext);
  FSocket = ASocket;
}

std::string TNetSSLSocket::CipherReport() {
  TNetSSLCipher* c = Cipher();
  return "Cipher: name = " + c->Name() + "; description = " + c->Description() + "; bits = " + IntToStr(c->Bits()) +
         "; version = " + c->Version();
}

void TNetSSLSocket::Handshake(uintptr_t ASocket, bool AConnect, int ATimeout) {
  Bind(ASocket);
  auto failed = [AConnect] {
    if (AConnect) throw ENetOSSLConnectError(RSOSSLConnectError);
    throw ENetOSSLAcceptError(RSOSSLAcceptError);
  };
  if (ATimeout < 0) {
    if ((AConnect ? SSL_connect(FSSL) : SSL_accept(FSSL)) < 1) failed();
  } else {
    const TNonBlocking nonBlocking(ASocket);
    const uint32_t start = TickCount();
    while (true) {
      ClearErrors();
      const int n = AConnect ? SSL_connect(FSSL) : SSL_accept(FSSL);
      if (n == 1) break;
      const int e = SSL_get_error(FSSL, n);
      if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) failed();
      if (!WaitFor(ASocket, e, TimeLeft(start, ATimeout))) throw ENetConnectTimeout(RSConnectTimeout);
    }
  }
  if (FContext.OnStatusInfo) FContext.OnStatusInfo(CipherReport());
}

void TNetSSLSocket::Connect(uintptr_t ASocket, int ATimeout) { Handshake(ASocket, true, ATimeout); }

void TNetSSLSocket::Accept(uintptr_t ASocket, int ATimeout) { Handshake(ASocket, false, ATimeout); }

int TNetSSLSocket::ReadEnd(int AResult, int AError) {
  if (AError == SSL_ERROR_ZERO_RETURN || (AError == SSL_ERROR_SYSCALL && AResult == 0)) return 0;
  if (AError == SSL_ERROR_SYSCALL) return -1;   // the socket's own error
  // A peer that closed without ending TLS closed all the same (bodies
  // that run to the close end so); anything else is TLS failing.
  if (AError == SSL_ERROR_SSL && ERR_peek_error && IsUnexpectedEOFError(ERR_peek_error())) return 0;
  return ReadFailed;
}

bool TNetSSLSocket::WaitReadable(int ATimeout) {
  if (FReadEnd != 1 || Pending()) return true;
  // A blocking read waits for the whole record once a byte of it came:
  // the record is taken in without blocking, each wait within the time.
  const TNonBlocking nonBlocking(FSocket);
  const uint32_t start = TickCount();
  while (true) {
    ClearErrors();
    char first;
    const int n = SSL_peek(FSSL, &first, 1);
    if (n > 0) return true;
    const int e = SSL_get_error(FSSL, n);
    if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) {
      // A socket error comes again on the next read; an end does not.
      const int end = ReadEnd(n, e);
      if (end != -1) FReadEnd = end;
      return true;
    }
    if (!WaitFor(FSocket, e, TimeLeft(start, ATimeout))) return false;
  }
}

int TNetSSLSocket::Recv(void* ABuffer, int ASize) {
  while (FReadEnd == 1) {
    ClearErrors();
    const int n = SSL_read(FSSL, ABuffer, ASize);
    if (n > 0) return n;
    const int e = SSL_get_error(FSSL, n);
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) continue;
    const int end = ReadEnd(n, e);
    if (end != ReadFailed) return end;
    FReadEnd = ReadFailed;
  }
  if (FReadEnd == ReadFailed) throw ENetOSSLReadError(RSOSSLReadError);
  return FReadEnd;
}

int TNetSSLSocket::Send(const void* ABuffer, int ASize) {
  while (true) {
    ClearErrors();
    const int n = SSL_write(FSSL, ABuffer, ASize);
    if (n > 0) return n;
    const int e = SSL_get_error(FSSL, n);
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) continue;
    if (e == SSL_ERROR_SYSCALL) return -1;   // the socket's own error
    throw ENetOSSLWriteError(RSOSSLWriteError);
  }
}

bool TNetSSLSocket::Pending() const { return FSSL && SSL_pending && SSL_pending(FSSL) > 0; }

TNetX509* TNetSSLSocket::PeerCert() {
  if (!FPeerCert && FSSL && SSL_get_peer_certificate) {
    X509* x = SSL_get_peer_certificate(FSSL);
    if (x) FPeerCert = std::make_unique<TNetX509>(x, true);
  }
  return FPeerCert.get();
}

TNetSSLCipher* TNetSSLSocket::Cipher() {
  if (!FCipher) FCipher = std::make_unique<TNetSSLCipher>(FSSL);
  return FCipher.get();
}

// ---- Handlers ----------------------------------------------------------------

TNetSSLIOHandlerSocket::TNetSSLIOHandlerSocket(TComponent* AOwner) : TNetIOHandlerSocket(AOwner) {}

TNetSSLIOHandlerSocket::~TNetSSLIOHandlerSocket() {
  try {
    CloseHandler();
  } catch (...) {
  }
}

void TNetSSLIOHandlerSocket::StartSSL() {
  CheckOpen();
  if (!FContext) {
    FOwnContext = MakeContext(this, SSLOptions, OnStatusInfo, OnGetPassword, OnVerifyPeer, TNetSSLMode::sslmClient);
    FContext = FOwnContext.get();
  }
  FSSLSocket = std::make_unique<TNetSSLSocket>(*FContext);
  FSSLSocket->Connect(Binding()->Handle(), HandshakeTimeout);
}

void TNetSSLIOHandlerSocket::AcceptTLS() {
  CheckOpen();
  FPassThrough = false;
  FSSLSocket = std::make_unique<TNetSSLSocket>(*FContext);
  FSSLSocket->Accept(Binding()->Handle(), HandshakeTimeout);
}

void TNetSSLIOHandlerSocket::SetPassThrough(bool Value) {
  if (Value == FPassThrough) return;
  FPassThrough = Value;
  if (!Value && Connected() && !FSSLSocket) StartSSL();
}

void TNetSSLIOHandlerSocket::ConnectTo(const std::string& AHost, int APort, const std::string& ABoundIP,
                                       int ABoundPort, int ABoundPortMin, int ABoundPortMax, int ATimeout) {
  TNetIOHandlerSocket::ConnectTo(AHost, APort, ABoundIP, ABoundPort, ABoundPortMin, ABoundPortMax, ATimeout);
  if (!FPassThrough) StartSSL();
}

void TNetSSLIOHandlerSocket::CloseHandler() {
  FSSLSocket.reset();
  if (FOwnContext) {
    FOwnContext.reset();
    FContext = nullptr;
  }
  TNetIOHandlerSocket::CloseHandler();
}

bool TNetSSLIOHandlerSocket::WaitReadable(int ATimeout) {
  if (FPassThrough || !FSSLSocket) return TNetIOHandlerSocket::WaitReadable(ATimeout);
  CheckOpen();
  // Without a limit the read itself may wait for the rest of a record,
  // once the socket's own wait (which keeps an anti-freeze going) is over.
  if (ATimeout < 0) return FSSLSocket->WaitReadable(0) || TNetIOHandlerSocket::WaitReadable(ATimeout);
  return FSSLSocket->WaitReadable(ATimeout);
}

int TNetSSLIOHandlerSocket::ReceiveBytes(void* ABuffer, int ASize) {
  if (FPassThrough || !FSSLSocket) return TNetIOHandlerSocket::ReceiveBytes(ABuffer, ASize);
  CheckOpen();
  const int n = FSSLSocket->Recv(ABuffer, ASize);
  if (n < 0) FLastError = Stack().LastSocketError();
  return n;
}

int TNetSSLIOHandlerSocket::SendBlock(const void* ABuffer, int ASize) {
  if (FPassThrough || !FSSLSocket) return TNetIOHandlerSocket::SendBlock(ABuffer, ASize);
  CheckOpen();
  const int n = FSSLSocket->Send(ABuffer, ASize);
  if (n < 0) FLastError = Stack().LastSocketError();
  return n;
}

void TNetServerIOHandlerSSL::Init() {
  FContext = MakeContext(this, SSLOptions, OnStatusInfo, OnGetPassword, OnVerifyPeer, TNetSSLMode::sslmServer);
}

TNetIOHandler* TNetServerIOHandlerSSL::Accept(TNetSocket ASocket) {
  if (!FContext) Init();
  auto h = std::make_unique<TNetSSLIOHandlerSocket>(nullptr);
  h->SetSSLContext(FContext.get());
  h->OpenHandler();
  if (!h->Binding()->Accept(ASocket)) return nullptr;
  h->AcceptTLS();
  return h.release();
}

// ---- Thread list -------------------------------------------------------------

void SSLThreadListAdd(DWORD AThreadID) {
  if (!ThreadList) ThreadList = std::make_unique<TThreadList>();
  TLockGuard g(ThreadList->Lock);
  ThreadList->Threads.push_back(AThreadID);
}

void SSLThreadListRemove(DWORD AThreadID) {
  if (!ThreadList) return;
  TLockGuard g(ThreadList->Lock);
  std::erase(ThreadList->Threads, AThreadID);
}

void NetSSLOpenSSL_Initialize() {
  if (!UnitCounter.Enter()) return;
  NetSSLOpenSSLHeaders_Initialize();
}

void NetSSLOpenSSL_Finalize() {
  if (!UnitCounter.Leave()) return;
  while (ThreadList) {
    bool idle;
    {
      TLockGuard g(ThreadList->Lock);
      idle = ThreadList->Threads.empty();
    }
    if (idle) ThreadList.reset();
    else SleepMs(5000);
  }
  NetSSLOpenSSLHeaders_Finalize();
}
