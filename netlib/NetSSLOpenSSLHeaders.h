// OpenSSL bound by name. The libraries are loaded on the first TLS context
// and each name is looked up in both; one pointer per name, null when the
// loaded build does not export it.
//
// Name map. The DLL pairs tried, in order: libeay32.dll/ssleay32.dll, then
// OpenSSL 3 (libcrypto-3[-x64].dll/libssl-3[-x64].dll), then 1.1
// (libcrypto-1_1[-x64].dll/libssl-1_1[-x64].dll). Names that became macros
// or vanished in 1.1 are bound to their replacements:
//   SSL_library_init        -> OPENSSL_init_ssl(0, NULL)
//   SSL_load_error_strings  -> OPENSSL_init_ssl(load SSL and crypto strings)
//   SSLv23_[client_|server_]method -> TLS_[client_|server_]method
//   SSL_get_peer_certificate -> SSL_get1_peer_certificate (3.0)
//   X509_NAME_hash          -> X509_NAME_hash_ex(name, NULL, NULL, NULL) (3.0)
//   des_set_odd_parity, des_set_key, des_ecb_encrypt -> DES_...
//   CRYPTO_num_locks        -> 0 (the library locks itself)
//   CRYPTO_set_locking_callback, CRYPTO_set_id_callback -> nothing to do
//   OpenSSL_version_num     <- SSLeay before 1.1
// The "_net" accessors are ours, over what the library has:
//   SSL_CTX_set_info_callback_net    -> SSL_CTX_set_info_callback
//   X509_STORE_CTX_get_app_data_net  -> X509_STORE_CTX_get_ex_data(ctx,
//                                       SSL_get_ex_data_X509_STORE_CTX_idx())
//   SSL_SESSION_get_id_net           -> SSL_SESSION_get_id
//   SSL_SESSION_get_id_ctx_net       -> SSL_SESSION_get0_id_context
//   SSL_CTX_get_version_net          -> the context's minimum protocol version
//   SSL_CTX_set_options_net          -> SSL_CTX_set_options, or its control code
//   X509_get_notBefore_net, X509_get_notAfter_net -> X509_get0_notBefore/After
//                                       (null before 1.1: no validity dates)
// Loading fails ("Could not load SSL library.") only when a name the client
// or server handshake needs is missing; the rest stay null.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct SSL_CTX;
struct SSL;
struct SSL_METHOD;
struct SSL_SESSION;
struct SSL_CIPHER;
struct X509;
struct X509_NAME;
struct X509_STORE_CTX;
struct EVP_MD;
struct ASN1_TIME;
struct OPENSSL_STACK;

using TSSLInfoCallback = void (*)(const SSL* S, int Where, int Ret);
using TSSLVerifyCallback = int (*)(int Ok, X509_STORE_CTX* Ctx);
using TSSLPasswordCallback = int (*)(char* Buffer, int Size, int RWFlag, void* UserData);
using TSSLLockingCallback = void (*)(int Mode, int N, const char* File, int Line);
using TSSLIdCallback = unsigned long (*)();

constexpr int SSL_ERROR_NONE = 0;
constexpr int SSL_ERROR_SSL = 1;
constexpr int SSL_ERROR_WANT_READ = 2;
constexpr int SSL_ERROR_WANT_WRITE = 3;
constexpr int SSL_ERROR_SYSCALL = 5;
constexpr int SSL_ERROR_ZERO_RETURN = 6;
constexpr int SSL_FILETYPE_PEM = 1;
constexpr int SSL_VERIFY_NONE = 0;
constexpr int SSL_VERIFY_PEER = 1;
constexpr int SSL_VERIFY_FAIL_IF_NO_PEER_CERT = 2;
constexpr int SSL_VERIFY_CLIENT_ONCE = 4;
// Before 1.1 only: from 1.1 on SSLv2 is gone (the name means 0) and this bit
// is SSL_OP_NO_ANTI_REPLAY (see OpenSSLProtocolOptions).
constexpr unsigned long SSL_OP_NO_SSLv2 = 0x01000000UL;
constexpr unsigned long SSL_OP_NO_SSLv3 = 0x02000000UL;
constexpr int CRYPTO_LOCK = 1;
constexpr int SSL_SENT_SHUTDOWN = 1;
constexpr int SSL_RECEIVED_SHUTDOWN = 2;

// One pointer per bound name, spelled as the export.
#define NET_OPENSSL_FUNCTIONS(X)                                                                  \
  X(SSL_CTX_set_cipher_list, int, (SSL_CTX * c, const char* s))                                   \
  X(SSL_CTX_new, SSL_CTX*, (const SSL_METHOD* m))                                                 \
  X(SSL_CTX_free, void, (SSL_CTX * c))                                                            \
  X(SSL_set_fd, int, (SSL * s, int fd))                                                           \
  X(SSL_CTX_use_PrivateKey_file, int, (SSL_CTX * c, const char* f, int t))                        \
  X(SSL_CTX_use_certificate_file, int, (SSL_CTX * c, const char* f, int t))                       \
  X(SSL_load_error_strings, void, ())                                                             \
  X(SSL_state_string_long, const char*, (const SSL* s))                                           \
  X(SSL_get_peer_certificate, X509*, (const SSL* s))                                              \
  X(SSL_CTX_set_verify, void, (SSL_CTX * c, int m, TSSLVerifyCallback cb))                        \
  X(SSL_CTX_set_verify_depth, void, (SSL_CTX * c, int d))                                         \
  X(SSL_CTX_get_verify_depth, int, (const SSL_CTX* c))                                            \
  X(SSL_CTX_set_default_passwd_cb, void, (SSL_CTX * c, TSSLPasswordCallback cb))                  \
  X(SSL_CTX_set_default_passwd_cb_userdata, void, (SSL_CTX * c, void* u))                         \
  X(SSL_CTX_check_private_key, int, (const SSL_CTX* c))                                           \
  X(SSL_new, SSL*, (SSL_CTX * c))                                                                 \
  X(SSL_free, void, (SSL * s))                                                                    \
  X(SSL_accept, int, (SSL * s))                                                                   \
  X(SSL_connect, int, (SSL * s))                                                                  \
  X(SSL_read, int, (SSL * s, void* b, int n))                                                     \
  X(SSL_peek, int, (SSL * s, void* b, int n))                                                     \
  X(SSL_write, int, (SSL * s, const void* b, int n))                                              \
  X(SSL_get_error, int, (const SSL* s, int r))                                                    \
  X(SSLv2_method, const SSL_METHOD*, ())                                                          \
  X(SSLv2_server_method, const SSL_METHOD*, ())                                                   \
  X(SSLv2_client_method, const SSL_METHOD*, ())                                                   \
  X(SSLv3_method, const SSL_METHOD*, ())                                                          \
  X(SSLv3_server_method, const SSL_METHOD*, ())                                                   \
  X(SSLv3_client_method, const SSL_METHOD*, ())                                                   \
  X(SSLv23_method, const SSL_METHOD*, ())                                                         \
  X(SSLv23_server_method, const SSL_METHOD*, ())                                                  \
  X(SSLv23_client_method, const SSL_METHOD*, ())                                                  \
  X(TLSv1_method, const SSL_METHOD*, ())                                                          \
  X(TLSv1_server_method, const SSL_METHOD*, ())                                                   \
  X(TLSv1_client_method, const SSL_METHOD*, ())                                                   \
  X(SSL_shutdown, int, (SSL * s))                                                                 \
  X(SSL_set_connect_state, void, (SSL * s))                                                       \
  X(SSL_set_accept_state, void, (SSL * s))                                                        \
  X(SSL_set_shutdown, void, (SSL * s, int m))                                                     \
  X(SSL_CTX_load_verify_locations, int, (SSL_CTX * c, const char* f, const char* p))              \
  X(SSL_get_session, SSL_SESSION*, (const SSL* s))                                                \
  X(SSL_library_init, int, ())                                                                    \
  X(SSL_CTX_set_info_callback_net, void, (SSL_CTX * c, TSSLInfoCallback cb))                      \
  X(X509_STORE_CTX_get_app_data_net, void*, (X509_STORE_CTX * c))                                 \
  X(SSL_SESSION_get_id_net, const unsigned char*, (const SSL_SESSION* s, unsigned int* n))        \
  X(SSL_SESSION_get_id_ctx_net, const unsigned char*, (const SSL_SESSION* s, unsigned int* n))    \
  X(SSL_CTX_get_version_net, int, (const SSL_CTX* c))                                             \
  X(SSL_CTX_set_options_net, unsigned long, (SSL_CTX * c, unsigned long o))                       \
  X(X509_NAME_oneline, char*, (const X509_NAME* n, char* b, int s))                               \
  X(X509_NAME_hash, unsigned long, (const X509_NAME* n))                                          \
  X(X509_set_issuer_name, int, (X509 * x, const X509_NAME* n))                                    \
  X(X509_get_issuer_name, X509_NAME*, (const X509* x))                                            \
  X(X509_set_subject_name, int, (X509 * x, const X509_NAME* n))                                   \
  X(X509_get_subject_name, X509_NAME*, (const X509* x))                                           \
  X(X509_digest, int, (const X509* x, const EVP_MD* t, unsigned char* md, unsigned int* n))       \
  X(EVP_md5, const EVP_MD*, ())                                                                   \
  X(X509_get_notBefore_net, const ASN1_TIME*, (const X509* x))                                    \
  X(X509_get_notAfter_net, const ASN1_TIME*, (const X509* x))                                     \
  X(X509_STORE_CTX_get_error, int, (const X509_STORE_CTX* c))                                     \
  X(X509_STORE_CTX_set_error, void, (X509_STORE_CTX * c, int e))                                  \
  X(X509_STORE_CTX_get_error_depth, int, (const X509_STORE_CTX* c))                               \
  X(X509_STORE_CTX_get_current_cert, X509*, (const X509_STORE_CTX* c))                            \
  X(RAND_screen, void, ())                                                                        \
  X(des_set_odd_parity, void, (void* k))                                                          \
  X(des_set_key, int, (const void* k, void* s))                                                   \
  X(des_ecb_encrypt, void, (const void* i, void* o, void* s, int e))                              \
  X(SSL_set_ex_data, int, (SSL * s, int i, void* d))                                              \
  X(SSL_get_ex_data, void*, (const SSL* s, int i))                                                \
  X(SSL_load_client_CA_file, OPENSSL_STACK*, (const char* f))                                     \
  X(SSL_CTX_set_client_CA_list, void, (SSL_CTX * c, OPENSSL_STACK * l))                           \
  X(SSL_CTX_set_default_verify_paths, int, (SSL_CTX * c))                                         \
  X(SSL_CTX_set_session_id_context, int, (SSL_CTX * c, const unsigned char* s, unsigned int n))   \
  X(SSL_CIPHER_description, char*, (const SSL_CIPHER* c, char* b, int s))                         \
  X(SSL_get_current_cipher, const SSL_CIPHER*, (const SSL* s))                                    \
  X(SSL_CIPHER_get_name, const char*, (const SSL_CIPHER* c))                                      \
  X(SSL_CIPHER_get_version, const char*, (const SSL_CIPHER* c))                                   \
  X(SSL_CIPHER_get_bits, int, (const SSL_CIPHER* c, int* a))                                      \
  X(CRYPTO_num_locks, int, ())                                                                    \
  X(CRYPTO_set_locking_callback, void, (TSSLLockingCallback cb))                                  \
  X(CRYPTO_set_id_callback, void, (TSSLIdCallback cb))                                            \
  /* beside the list: certificates, buffered data, ASN.1 times, controls, errors, version */  \
  X(X509_free, void, (X509 * x))                                                                  \
  X(SSL_pending, int, (const SSL* s))                                                             \
  X(ASN1_STRING_length, int, (const ASN1_TIME* s))                                                \
  X(ASN1_STRING_data, const unsigned char*, (const ASN1_TIME* s))                                 \
  X(SSL_CTX_ctrl, long, (SSL_CTX * c, int cmd, long l, void* p))                                  \
  X(ERR_peek_error, unsigned long, ())                                                            \
  X(ERR_clear_error, void, ())                                                                    \
  X(OpenSSL_version_num, unsigned long, ())

#define NET_OPENSSL_DECLARE(Name, R, Params) \
  using T_##Name = R(*) Params;              \
  extern T_##Name Name;
NET_OPENSSL_FUNCTIONS(NET_OPENSSL_DECLARE)
#undef NET_OPENSSL_DECLARE

// The DLL pairs (crypto, ssl) tried in order; tests may change them before
// the first load.
std::vector<std::pair<std::string, std::string>>& OpenSSLLibraryNames();
// Loads and binds (once); false when no pair loads or a needed name is
// missing. Then the library is started and the lock callbacks installed.
bool LoadOpenSSLLibrary();
void UnloadOpenSSLLibrary();
bool OpenSSLLoaded();
// The file names of the loaded pair, and the bound names that are missing.
std::string OpenSSLLoadedNames();
std::vector<std::string> OpenSSLMissingNames();
// The loaded library's version number (0xMNNFFPPS), 0 when not loaded.
unsigned long OpenSSLVersionNumber();
// The options every context gets: no SSLv3, and before 1.1 no SSLv2.
unsigned long OpenSSLProtocolOptions();
// Whether an error of the library's queue says that the peer closed the
// socket without ending TLS (what OpenSSL 3 reports as an error).
bool IsUnexpectedEOFError(unsigned long AError);

// The locks that libraries before 1.1 ask for through the locking callback,
// made when the library loads (ACount of them).
void CreateOpenSSLLocks(int ACount);
// What such a library calls to take (CRYPTO_LOCK in AMode) or leave lock AN.
void OpenSSLLockingCallback(int AMode, int AN, const char* AFile, int ALine);

void NetSSLOpenSSLHeaders_Initialize();
void NetSSLOpenSSLHeaders_Finalize();   // frees the locks, unloads
