#include "netlib/NetSSLOpenSSLHeaders.h"

#include <memory>

#include "classlib/SyncObjs.h"
#include "classlib/UnitInit.h"
#include "classlib/WinHandles.h"

#define NET_OPENSSL_CELL(Name, R, Params) T_##Name Name = nullptr;
NET_OPENSSL_FUNCTIONS(NET_OPENSSL_CELL)
#undef NET_OPENSSL_CELL

namespace {
TUnitCounter UnitCounter;
TLibraryHandle CryptoLib, SSLLib;
std::string LoadedNames;
std::vector<std::string> Missing;
std::vector<std::unique_ptr<TCriticalSection>> LockList;
std::unique_ptr<TCriticalSection> LockListLock;
std::vector<std::pair<std::string, std::string>> LibraryNames;

template <typename F>
F As(FARPROC P) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(P));
}

FARPROC Find(const char* Name) {
  if (FARPROC p = GetProcAddress(SSLLib.Get(), Name)) return p;
  return GetProcAddress(CryptoLib.Get(), Name);
}

// Replacements of 1.1 and later, reached through these.
using TInitSSL = int (*)(uint64_t Options, const void* Settings);
using TNameHashEx = unsigned long (*)(const X509_NAME* N, void* LibCtx, const char* PropQ, int* Ok);
using TExData = void* (*)(X509_STORE_CTX * C, int Index);
using TIdx = int (*)();
using TSetOptions = uint64_t (*)(SSL_CTX* C, uint64_t O);
TInitSSL InitSSL = nullptr;
TNameHashEx NameHashEx = nullptr;
TExData StoreExData = nullptr;
TIdx StoreIdx = nullptr;
TSetOptions SetOptions = nullptr;
T_SSL_CTX_set_info_callback_net SetInfoCallback = nullptr;
T_X509_get_notBefore_net NotBefore = nullptr;
T_X509_get_notAfter_net NotAfter = nullptr;
T_SSL_SESSION_get_id_net SessionId = nullptr;
T_SSL_SESSION_get_id_ctx_net SessionIdCtx = nullptr;

constexpr uint64_t InitLoadSSLStrings = 0x00200000;
constexpr uint64_t InitLoadCryptoStrings = 0x00000002;
constexpr int CtrlOptions = 32;
constexpr int CtrlGetMinProtoVersion = 130;

int LocalLibraryInit() { return InitSSL ? InitSSL(0, nullptr) : 0; }
void LocalLoadErrorStrings() {
  if (InitSSL) InitSSL(InitLoadSSLStrings | InitLoadCryptoStrings, nullptr);
}
unsigned long LocalNameHash(const X509_NAME* N) { return NameHashEx ? NameHashEx(N, nullptr, nullptr, nullptr) : 0; }
int LocalNumLocks() { return 0; }
void LocalSetLocking(TSSLLockingCallback) {}
void LocalSetId(TSSLIdCallback) {}
void LocalSetInfoCallback(SSL_CTX* C, TSSLInfoCallback Cb) {
  if (SetInfoCallback) SetInfoCallback(C, Cb);
}
void* LocalStoreAppData(X509_STORE_CTX* C) { return StoreExData ? StoreExData(C, StoreIdx ? StoreIdx() : 0) : nullptr; }
const unsigned char* LocalSessionId(const SSL_SESSION* S, unsigned int* N) {
  if (SessionId) return SessionId(S, N);
  if (N) *N = 0;
  return nullptr;
}
const unsigned char* LocalSessionIdCtx(const SSL_SESSION* S, unsigned int* N) {
  if (SessionIdCtx) return SessionIdCtx(S, N);
  if (N) *N = 0;
  return nullptr;
}
int LocalCtxVersion(const SSL_CTX* C) {
  return SSL_CTX_ctrl ? static_cast<int>(SSL_CTX_ctrl(const_cast<SSL_CTX*>(C), CtrlGetMinProtoVersion, 0, nullptr)) : 0;
}
unsigned long LocalSetOptions(SSL_CTX* C, unsigned long O) {
  if (SetOptions) return static_cast<unsigned long>(SetOptions(C, O));
  return SSL_CTX_ctrl ? static_cast<unsigned long>(SSL_CTX_ctrl(C, CtrlOptions, static_cast<long>(O), nullptr)) : 0;
}
const ASN1_TIME* LocalNotBefore(const X509* X) { return NotBefore ? NotBefore(X) : nullptr; }
const ASN1_TIME* LocalNotAfter(const X509* X) { return NotAfter ? NotAfter(X) : nullptr; }

// One name of the list: the export names tried, and what stands in when
// none is exported (null: the pointer stays null).
struct TEntry {
  const char* Name;
  void** Cell;
  std::vector<const char*> Alternatives;
  void* Local;
  bool Needed;
};

#define CELL(Name) reinterpret_cast<void**>(&Name)
#define LOCAL(F) reinterpret_cast<void*>(&F)

std::vector<TEntry> Entries() {
  std::vector<TEntry> e;
#define NET_OPENSSL_ENTRY(Name, R, Params) e.push_back({#Name, CELL(Name), {}, nullptr, false});
  NET_OPENSSL_FUNCTIONS(NET_OPENSSL_ENTRY)
#undef NET_OPENSSL_ENTRY
  auto set = [&](const char* Name, std::vector<const char*> Alt, void* Local, bool Needed) {
    for (TEntry& x : e)
      if (std::string(x.Name) == Name) {
        x.Alternatives = std::move(Alt);
        x.Local = Local;
        x.Needed = Needed;
      }
  };
  for (const char* n : {"SSL_CTX_set_cipher_list", "SSL_CTX_new", "SSL_CTX_free", "SSL_set_fd", "SSL_new", "SSL_free",
                        "SSL_accept", "SSL_connect", "SSL_read", "SSL_write", "SSL_get_error", "SSL_shutdown",
                        "SSL_CTX_set_verify", "SSL_set_ex_data", "SSL_get_ex_data", "SSL_state_string_long"})
    set(n, {}, nullptr, true);
  set("SSL_library_init", {}, LOCAL(LocalLibraryInit), true);
  set("SSL_load_error_strings", {}, LOCAL(LocalLoadErrorStrings), false);
  set("SSLv23_method", {"TLS_method"}, nullptr, true);
  set("SSLv23_client_method", {"TLS_client_method"}, nullptr, true);
  set("SSLv23_server_method", {"TLS_server_method"}, nullptr, true);
  set("SSL_get_peer_certificate", {"SSL_get1_peer_certificate"}, nullptr, false);
  set("X509_NAME_hash", {}, LOCAL(LocalNameHash), false);
  set("des_set_odd_parity", {"DES_set_odd_parity"}, nullptr, false);
  set("des_set_key", {"DES_set_key"}, nullptr, false);
  set("des_ecb_encrypt", {"DES_ecb_encrypt"}, nullptr, false);
  set("CRYPTO_num_locks", {}, LOCAL(LocalNumLocks), false);
  set("CRYPTO_set_locking_callback", {}, LOCAL(LocalSetLocking), false);
  set("CRYPTO_set_id_callback", {}, LOCAL(LocalSetId), false);
  set("SSL_CTX_set_info_callback_net", {}, LOCAL(LocalSetInfoCallback), false);
  set("X509_STORE_CTX_get_app_data_net", {}, LOCAL(LocalStoreAppData), false);
  set("SSL_SESSION_get_id_net", {}, LOCAL(LocalSessionId), false);
  set("SSL_SESSION_get_id_ctx_net", {}, LOCAL(LocalSessionIdCtx), false);
  set("SSL_CTX_get_version_net", {}, LOCAL(LocalCtxVersion), false);
  set("SSL_CTX_set_options_net", {}, LOCAL(LocalSetOptions), false);
  set("X509_get_notBefore_net", {}, LOCAL(LocalNotBefore), false);
  set("X509_get_notAfter_net", {}, LOCAL(LocalNotAfter), false);
  set("ASN1_STRING_data", {"ASN1_STRING_get0_data"}, nullptr, false);
  set("OpenSSL_version_num", {"SSLeay"}, nullptr, false);
  return e;
}

void ResetCells() {
#define NET_OPENSSL_RESET(Name, R, Params) Name = nullptr;
  NET_OPENSSL_FUNCTIONS(NET_OPENSSL_RESET)
#undef NET_OPENSSL_RESET
}

unsigned long IdCallback() { return GetCurrentThreadId(); }

bool LoadPair(const std::string& Crypto, const std::string& Ssl) {
  CryptoLib.Reset(LoadLibraryA(Crypto.c_str()));
  SSLLib.Reset(CryptoLib ? LoadLibraryA(Ssl.c_str()) : nullptr);
  if (CryptoLib && SSLLib) return true;
  SSLLib.Reset();
  CryptoLib.Reset();
  return false;
}
}  // namespace

std::vector<std::pair<std::string, std::string>>& OpenSSLLibraryNames() { return LibraryNames; }

bool OpenSSLLoaded() { return static_cast<bool>(SSLLib); }
std::string OpenSSLLoadedNames() { return LoadedNames; }
std::vector<std::string> OpenSSLMissingNames() { return Missing; }

bool LoadOpenSSLLibrary() {
  if (SSLLib) return true;
  std::string loaded;
  for (const auto& [crypto, ssl] : OpenSSLLibraryNames())
    if (LoadPair(crypto, ssl)) {
      loaded = crypto + ", " + ssl;
      break;
    }
  if (!SSLLib) return false;

  InitSSL = As<TInitSSL>(Find("OPENSSL_init_ssl"));
  NameHashEx = As<TNameHashEx>(Find("X509_NAME_hash_ex"));
  StoreExData = As<TExData>(Find("X509_STORE_CTX_get_ex_data"));
  StoreIdx = As<TIdx>(Find("SSL_get_ex_data_X509_STORE_CTX_idx"));
  SetOptions = As<TSetOptions>(Find("SSL_CTX_set_options"));
  SetInfoCallback = As<T_SSL_CTX_set_info_callback_net>(Find("SSL_CTX_set_info_callback"));
  NotBefore = As<T_X509_get_notBefore_net>(Find("X509_get0_notBefore"));
  NotAfter = As<T_X509_get_notAfter_net>(Find("X509_get0_notAfter"));
  SessionId = As<T_SSL_SESSION_get_id_net>(Find("SSL_SESSION_get_id"));
  SessionIdCtx = As<T_SSL_SESSION_get_id_ctx_net>(Find("SSL_SESSION_get0_id_context"));

  Missing.clear();
  bool ok = true;
  for (const TEntry& e : Entries()) {
    FARPROC p = Find(e.Name);
    for (const char* alt : e.Alternatives)
      if (!p) p = Find(alt);
    *e.Cell = p ? reinterpret_cast<void*>(p) : e.Local;
    if (!*e.Cell) {
      Missing.push_back(e.Name);
      if (e.Needed) ok = false;
    }
  }
  if (!ok) {
    UnloadOpenSSLLibrary();
    return false;
  }
  LoadedNames = loaded;
  SSL_library_init();
  if (SSL_load_error_strings) SSL_load_error_strings();
  CreateOpenSSLLocks(CRYPTO_num_locks());
  CRYPTO_set_locking_callback(OpenSSLLockingCallback);
  CRYPTO_set_id_callback(IdCallback);
  return true;
}

unsigned long OpenSSLVersionNumber() { return OpenSSL_version_num ? OpenSSL_version_num() : 0; }

unsigned long OpenSSLProtocolOptions() {
  const unsigned long v = OpenSSLVersionNumber();
  return SSL_OP_NO_SSLv3 | (v != 0 && v < 0x10100000UL ? SSL_OP_NO_SSLv2 : 0);
}

bool IsUnexpectedEOFError(unsigned long AError) {
  constexpr unsigned long LibSSL = 20, UnexpectedEOFWhileReading = 294;
  // From 3.0: the library in bits 23-30, the reason below them, bit 31 a system error.
  if (OpenSSLVersionNumber() >= 0x30000000UL)
    return (AError & 0x80000000UL) == 0 && ((AError >> 23) & 0xFF) == LibSSL &&
           (AError & 0x7FFFFF) == UnexpectedEOFWhileReading;
  // 1.1.1e, the one earlier release that reports it
  return ((AError >> 24) & 0xFF) == LibSSL && (AError & 0xFFF) == UnexpectedEOFWhileReading;
}

void CreateOpenSSLLocks(int ACount) {
  LockListLock = std::make_unique<TCriticalSection>();
  LockList.clear();
  for (int i = 0; i < ACount; ++i) LockList.push_back(std::make_unique<TCriticalSection>());
}

// The list guard is held only to find the lock: a thread waiting for lock
// N must not keep the owner of N from leaving it.
void OpenSSLLockingCallback(int AMode, int AN, const char*, int) {
  TCriticalSection* lock = nullptr;
  {
    TLockGuard guard(*LockListLock);
    if (AN < 0 || static_cast<size_t>(AN) >= LockList.size()) return;
    lock = LockList[static_cast<size_t>(AN)].get();
  }
  if (AMode & CRYPTO_LOCK) lock->Enter();
  else lock->Leave();
}

void UnloadOpenSSLLibrary() {
  if (SSLLib && CRYPTO_set_locking_callback) {
    CRYPTO_set_locking_callback(nullptr);
    CRYPTO_set_id_callback(nullptr);
  }
  LockList.clear();
  LockListLock.reset();
  ResetCells();
  SSLLib.Reset();
  CryptoLib.Reset();
  LoadedNames.clear();
}

void NetSSLOpenSSLHeaders_Initialize() {
  if (!UnitCounter.Enter()) return;
  ResetCells();
  LibraryNames = {
      {"libeay32.dll", "ssleay32.dll"},
#ifdef _WIN64
      {"libcrypto-3-x64.dll", "libssl-3-x64.dll"},
      {"libcrypto-1_1-x64.dll", "libssl-1_1-x64.dll"},
#else
      {"libcrypto-3.dll", "libssl-3.dll"},
      {"libcrypto-1_1.dll", "libssl-1_1.dll"},
#endif
  };
}

void NetSSLOpenSSLHeaders_Finalize() {
  if (!UnitCounter.Leave()) return;
  UnloadOpenSSLLibrary();
}
