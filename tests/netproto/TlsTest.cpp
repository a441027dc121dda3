// TLS through the OpenSSL DLLs cross-built from Debian's source package
// (tools/build-openssl), against "openssl s_server" that the prepare step
// started on loopback with a certificate made at test time: an HTTPS GET,
// the same through a CONNECT tunnel, the peer's certificate and cipher,
// the context's failures, password callback, cipher choice and options,
// against a server side of our own a close without ending TLS, a broken
// record and one cut short, a handshake left unanswered, a proxy's endless
// head, and the locks that libraries before 1.1 take.
#include <gtest/gtest.h>
#define PSAPI_VERSION 2
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "TestHttpServer.h"
#include "netlib/NetException.h"
#include "netlib/NetHTTP.h"
#include "netlib/NetSSLOpenSSL.h"

namespace {

// Reads a request's head (through its empty line); false when the peer
// closed first.
bool ReadHead(TNetSSLSocket& Tls, std::string& Head) {
  char buf[1024];
  while (Head.find("\r\n\r\n") == std::string::npos) {
    const int n = Tls.Recv(buf, sizeof buf);
    if (n <= 0) return false;
    Head.append(buf, static_cast<size_t>(n));
  }
  return true;
}

class TlsTest : public testing::Test {
protected:
  void SetUp() override {
    NetHTTP_Initialize();
    std::ifstream missing("tls-missing.txt");
    std::string why;
    if (std::getline(missing, why)) FAIL() << why;
    std::ifstream f("tls-port.txt");
    ASSERT_TRUE(f >> ServerPort) << "the prepare step wrote no s_server port";
  }
  void TearDown() override { NetHTTP_Finalize(); }
  std::string Url(const std::string& Path) { return "https://127.0.0.1:" + std::to_string(ServerPort) + Path; }
  int ServerPort = 0;
};

TEST_F(TlsTest, HttpsGetFromOpenSSLServer) {
  TNetHTTP http(nullptr);
  TNetSSLIOHandlerSocket tls(nullptr);
  std::vector<std::string> info;
  tls.OnStatusInfo = [&](const std::string& M) { info.push_back(M); };
  http.SetIOHandler(&tls);
  EXPECT_EQ("served over TLS\n", http.Get(Url("/hello.txt")));
  EXPECT_EQ("libcrypto-3-x64.dll, libssl-3-x64.dll", OpenSSLLoadedNames());
  bool sawState = false, sawCipher = false;
  for (const std::string& m : info) {
    sawState |= m.rfind("SSL status: \"", 0) == 0;
    sawCipher |= m.rfind("Cipher: name = ", 0) == 0 && m.find("; bits = ") != std::string::npos;
  }
  EXPECT_TRUE(sawState);
  EXPECT_TRUE(sawCipher);
  std::printf("bound from %s; missing: ", OpenSSLLoadedNames().c_str());
  for (const std::string& n : OpenSSLMissingNames()) std::printf("%s ", n.c_str());
  std::printf("\n");

  TNetHTTP plainHandler(nullptr);   // an https URL needs a TLS handler
  EXPECT_THROW(plainHandler.Get(Url("/hello.txt")), ENetIOHandlerPropInvalid);
}

// Relays between the client and the TLS server after a CONNECT, asking
// once for proxy credentials first.
void Tunnel(TTestPeer& P, int, u_short Target, std::vector<std::string>& Seen, std::mutex& Lock) {
  while (true) {
    const std::string line = P.ReadLine();
    const std::string head = P.ReadHead();
    {
      std::lock_guard<std::mutex> g(Lock);
      Seen.push_back(line + "\r\n" + head);
    }
    if (head.find("Proxy-Authorization: Basic cHg6cHc=") == std::string::npos) {
      P.Send(HttpResponse("407 Proxy Authentication Required", "", "Proxy-Authenticate: Basic realm=\"p\"\r\n"));
      continue;
    }
    SOCKET up = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    a.sin_port = htons(Target);
    if (connect(up, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("no TLS server");
    P.Send("HTTP/1.1 200 Connection established\r\n\r\n");
    char buf[4096];
    bool open = true;
    while (open) {
      fd_set r;
      FD_ZERO(&r);
      FD_SET(P.Socket(), &r);
      FD_SET(up, &r);
      timeval tv{10, 0};
      if (select(0, &r, nullptr, nullptr, &tv) <= 0) break;
      for (auto [from, to] : {std::pair{P.Socket(), up}, std::pair{up, P.Socket()}}) {
        if (!FD_ISSET(from, &r)) continue;
        const int n = recv(from, buf, sizeof buf, 0);
        if (n <= 0 || send(to, buf, n, 0) != n) open = false;
      }
    }
    closesocket(up);
    return;
  }
}

TEST_F(TlsTest, HttpsThroughAConnectTunnelWithProxyAuthentication) {
  std::vector<std::string> seen;
  std::mutex lock;
  const u_short target = static_cast<u_short>(ServerPort);
  TTestServer proxy([&](TTestPeer& P, int I) { Tunnel(P, I, target, seen, lock); });
  TNetHTTP http(nullptr);
  TNetSSLIOHandlerSocket tls(nullptr);
  http.SetIOHandler(&tls);
  http.ProxyParams.SetProxyServer("127.0.0.1");
  http.ProxyParams.SetProxyPort(proxy.Port());
  http.OnProxyAuthorization = [](TObject*, TNetAuthentication* A, bool& Handled) {
    A->SetUsername("px");
    A->SetPassword("pw");
    Handled = true;
  };
  EXPECT_EQ("served over TLS\n", http.Get(Url("/hello.txt")));
  std::lock_guard<std::mutex> g(lock);
  ASSERT_EQ(2u, seen.size());
  const std::string connect = "CONNECT 127.0.0.1:" + std::to_string(ServerPort) + " HTTP/1.1\r\n";
  EXPECT_EQ(connect, seen[0].substr(0, connect.size()));
  EXPECT_NE(std::string::npos, seen[1].find("Pragma: no-cache"));
  EXPECT_NE(std::string::npos, seen[1].find("Proxy-Connection: keep-alive"));
  EXPECT_TRUE(proxy.Errors().empty());

  // A proxy that answers with 2 MiB of header lines is refused at the header budget.
  TTestServer hostile([](TTestPeer& P, int) {
    std::string head = (P.ReadHead(), "HTTP/1.1 200 Connection established\r\n");
    while (head.size() < (2u << 20)) head += "X-Filler: " + std::string(1000, 'f') + "\r\n";
    P.Send(head);   // fails when the client closed first
    P.ReadAll();
  });
  http.ProxyParams.SetProxyPort(hostile.Port());
  http.ReadTimeout = 5000;
  PROCESS_MEMORY_COUNTERS before{}, after{};
  GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
  try {
    http.Get(Url("/hello.txt"));
    ADD_FAILURE() << "2 MiB of headers were taken";
  } catch (const ENetException& e) {
    EXPECT_EQ("The response header is too long.", e.Message);
  }
  GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
  EXPECT_LT(after.PeakWorkingSetSize - before.PeakWorkingSetSize, size_t{16} << 20);
}

// Proxy credentials are for the proxy: each CONNECT after the proxy asked
// (or every one, when they are given up front) carries them, the requests
// inside the tunnel never do. The origin is a TLS server of the test's own
// that records what it receives and closes after each answer.
TEST_F(TlsTest, ProxyCredentialsGoOnTheConnectOnlyNeverToTheOrigin) {
  TNetSSLContext context;
  context.Options.CertFile = "cert.pem";
  context.Options.KeyFile = "key.pem";
  context.InitContext(TNetSSLMode::sslmServer);
  std::vector<std::string> originSeen;
  std::mutex originLock;
  TTestServer origin([&](TTestPeer& P, int) {
    TNetSSLSocket tls(context);
    tls.Accept(P.Socket());
    std::string head;
    if (!ReadHead(tls, head)) return;
    {
      std::lock_guard<std::mutex> g(originLock);
      originSeen.push_back(head);
    }
    const std::string reply = "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 6\r\n\r\norigin";
    tls.Send(reply.data(), static_cast<int>(reply.size()));
  });
  const std::string url = "https://127.0.0.1:" + std::to_string(origin.Port());
  for (const bool upFront : {false, true}) {
    std::vector<std::string> proxySeen;
    std::mutex proxyLock;
    TTestServer proxy([&](TTestPeer& P, int I) { Tunnel(P, I, origin.Port(), proxySeen, proxyLock); });
    TNetHTTP http(nullptr);
    TNetSSLIOHandlerSocket tls(nullptr);
    http.SetIOHandler(&tls);
    http.ProxyParams.SetProxyServer("127.0.0.1");
    http.ProxyParams.SetProxyPort(proxy.Port());
    if (upFront) {
      http.ProxyParams.BasicAuthentication = true;
      http.ProxyParams.ProxyUsername = "px";
      http.ProxyParams.ProxyPassword = "pw";
    } else {
      http.OnProxyAuthorization = [](TObject*, TNetAuthentication* A, bool& Handled) {
        A->SetUsername("px");
        A->SetPassword("pw");
        Handled = true;
      };
    }
    EXPECT_EQ("origin", http.Get(url + "/one"));
    EXPECT_EQ("origin", http.Get(url + "/two"));
    std::lock_guard<std::mutex> g(proxyLock);
    ASSERT_EQ(upFront ? 2u : 3u, proxySeen.size()) << "up front " << upFront;
    for (size_t i = 0; i < proxySeen.size(); ++i) {
      EXPECT_EQ(0u, proxySeen[i].rfind("CONNECT ", 0));
      const bool asked = upFront || i > 0;
      EXPECT_EQ(asked, proxySeen[i].find("Proxy-Authorization: Basic cHg6cHc=") != std::string::npos) << i;
    }
    EXPECT_TRUE(proxy.Errors().empty());
  }
  std::lock_guard<std::mutex> g(originLock);
  ASSERT_EQ(4u, originSeen.size());
  for (const std::string& head : originSeen) {
    EXPECT_EQ(std::string::npos, head.find("Proxy-Authorization")) << head;
    EXPECT_NE(std::string::npos, head.find("Host: 127.0.0.1:")) << head;
  }
  EXPECT_TRUE(origin.Errors().empty());
}

TEST_F(TlsTest, PeerCertificateCipherAndARefusingVerifier) {
  TNetTCPClient c(nullptr);
  TNetSSLIOHandlerSocket tls(nullptr);
  c.SetIOHandler(&tls);
  c.Host = "127.0.0.1";
  c.Port = ServerPort;
  tls.SetPassThrough(false);
  int verified = 0;
  tls.SSLOptions.VerifyMode = TNetSSLVerifyModeSet{TNetSSLVerifyMode::sslvrfPeer};
  tls.SSLOptions.VerifyDepth = 2;
  tls.OnVerifyPeer = [&](TNetX509* Cert) {
    ++verified;
    EXPECT_EQ("/CN=127.0.0.1", Cert->SubjectOneLine());
    return true;   // self-signed: accepted here
  };
  c.OpenConnection();
  EXPECT_GE(verified, 1);
  TNetX509* peer = tls.SSLSocket()->PeerCert();
  ASSERT_NE(nullptr, peer);
  EXPECT_EQ("/CN=127.0.0.1", peer->SubjectOneLine());
  EXPECT_EQ(peer->SubjectOneLine(), peer->IssuerOneLine());
  EXPECT_EQ(47u, peer->FingerprintAsString().size());   // 16 bytes as "AA:..."
  EXPECT_NE(0u, peer->SubjectHash());
  EXPECT_LT(peer->NotBefore(), Now() + 1);
  EXPECT_GT(peer->NotAfter(), Now());
  EXPECT_GE(tls.SSLSocket()->Cipher()->Bits(), 128);
  EXPECT_FALSE(tls.SSLSocket()->Cipher()->Name().empty());
  c.WriteLine("GET /hello.txt HTTP/1.0");
  c.WriteLine();
  c.ReadUntilClosed();
  const std::string reply = c.InputBuffer().Extract(c.InputBuffer().Available());
  EXPECT_NE(std::string::npos, reply.find("served over TLS")) << reply;
  c.CloseConnection();

  tls.OnVerifyPeer = [](TNetX509*) { return false; };
  EXPECT_THROW(c.OpenConnection(), ENetOSSLConnectError);
}

TEST_F(TlsTest, ContextFailuresPasswordCallbackAndCipherChoice) {
  TNetSSLContext noMode;
  EXPECT_THROW(noMode.InitContext(TNetSSLMode::sslmUnassigned), ENetOSSLModeNotSet);
  TNetSSLContext v2;
  v2.Options.Method = TNetSSLVersion::sslvSSLv2;
  try {
    v2.InitContext(TNetSSLMode::sslmClient);
    ADD_FAILURE() << "SSLv2 was offered";
  } catch (const ENetOSSLGetMethodError& e) {
    EXPECT_EQ("Error geting SSL method.", e.Message);
  }

  for (int pass = 0; pass < 3; ++pass) {
    TNetSSLContext k;
    k.Options.CertFile = "enccert.pem";
    k.Options.KeyFile = "enckey.pem";
    k.PasswordRoutineOn = true;
    // The library's buffer is small; a long answer is cut, never overrun.
    k.OnGetPassword = [pass](std::string& P) { P = pass == 0 ? "sesame" : pass == 1 ? "wrong" : std::string(100000, 's'); };
    if (pass == 0) EXPECT_NO_THROW(k.InitContext(TNetSSLMode::sslmServer));
    else EXPECT_THROW(k.InitContext(TNetSSLMode::sslmServer), ENetOSSLLoadingKeyError);
  }
  TNetSSLContext badCert;
  badCert.Options.CertFile = "missing.pem";
  EXPECT_THROW(badCert.InitContext(TNetSSLMode::sslmClient), ENetOSSLLoadingCertError);

  // SSLv3 is refused; the SSLv2 bit of old libraries is another option now.
  TNetSSLContext plain;
  plain.InitContext(TNetSSLMode::sslmClient);
  const unsigned long options = SSL_CTX_set_options_net(plain.Context(), 0);   // adds nothing, tells all
  EXPECT_NE(0u, options & SSL_OP_NO_SSLv3);
  EXPECT_EQ(0u, options & SSL_OP_NO_SSLv2) << "SSL_OP_NO_ANTI_REPLAY from 1.1.1 on";

  // What the client offers: a list naming RC4, export and NULL suites
  // still offers only the others.
  std::string hello;
  std::mutex lock;
  TTestServer raw([&](TTestPeer& P, int) {
    const std::string head = P.Read(5);
    const std::string rest = head.size() == 5 ? P.Read((uint8_t(head[3]) << 8) | uint8_t(head[4])) : "";
    std::lock_guard<std::mutex> g(lock);
    hello = head + rest;
    P.ReadAll();   // no answer: the handshake stops here until the client leaves
  });
  TNetTCPClient c(nullptr);
  TNetSSLIOHandlerSocket tls(nullptr);
  tls.SSLOptions.CipherList = "RC4-SHA:EXP-RC4-MD5:NULL-SHA:AES128-SHA";
  tls.SetPassThrough(false);
  c.SetIOHandler(&tls);
  c.Host = "127.0.0.1";
  c.Port = raw.Port();
  tls.HandshakeTimeout = 1000;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(c.OpenConnection(), ENetConnectTimeout);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0) << "it has 1 s";
  c.CloseConnection();
  std::lock_guard<std::mutex> g(lock);
  ASSERT_GT(hello.size(), 44u);
  EXPECT_EQ(0x16, uint8_t(hello[0]));   // a TLS record, not an SSLv2 hello
  EXPECT_EQ(1, uint8_t(hello[5]));      // ClientHello
  size_t p = 5 + 4 + 2 + 32;
  p += 1 + uint8_t(hello[p]);   // session id
  const size_t n = (uint8_t(hello[p]) << 8) | uint8_t(hello[p + 1]);
  std::vector<int> suites;
  for (size_t i = p + 2; i + 1 < p + 2 + n && i + 1 < hello.size(); i += 2)
    suites.push_back((uint8_t(hello[i]) << 8) | uint8_t(hello[i + 1]));
  EXPECT_NE(suites.end(), std::find(suites.begin(), suites.end(), 0x002F));   // AES128-SHA
  for (int bad : {0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0008, 0x0017, 0x0018, 0x0060, 0x0064})
    EXPECT_EQ(suites.end(), std::find(suites.begin(), suites.end(), bad)) << bad;

  NetHTTP_Finalize();   // unloads; names that do not exist cannot load
  NetHTTP_Initialize();
  OpenSSLLibraryNames() = {{"nonexistent-crypto.dll", "nonexistent-ssl.dll"}};
  TNetSSLContext none;
  try {
    none.InitContext(TNetSSLMode::sslmClient);
    ADD_FAILURE();
  } catch (const ENetOSSLCouldNotLoadSSLLibrary& e) {
    EXPECT_EQ("Could not load SSL library.", e.Message);
  }
}

// A server answers a request over TLS with a body that runs to the close,
// then closes without ending TLS (connection 0) or sends bytes that are no
// TLS record (connection 1).
TEST_F(TlsTest, ACloseWithoutEndingTLSEndsTheBodyOtherFailuresSayTLS) {
  std::string WriteError;
  TNetSSLContext context;
  context.Options.CertFile = "cert.pem";
  context.Options.KeyFile = "key.pem";
  context.InitContext(TNetSSLMode::sslmServer);
  TTestServer server([&](TTestPeer& P, int Index) {
    TNetSSLSocket tls(context);
    tls.Accept(P.Socket());
    std::string head;
    if (!ReadHead(tls, head)) return;
    if (Index == 3) {   // the first bytes of a record, then nothing until the client leaves
      P.Send(std::string("\x17\x03\x03\x01\x00", 5) + "partial");
      return (void)P.ReadAll();
    }
    if (Index == 2) {   // a session this side has ended cannot be written to
      SSL_set_shutdown(tls.Handle(), SSL_SENT_SHUTDOWN);
      try {
        tls.Send("late", 4);
      } catch (const ENetOSSLWriteError& e) {
        WriteError = e.Message;
      }
      SSL_set_shutdown(tls.Handle(), SSL_SENT_SHUTDOWN | SSL_RECEIVED_SHUTDOWN);   // no wait for the client's end
      return;
    }
    const std::string reply = "HTTP/1.0 200 OK\r\n\r\nuntil the close";
    tls.Send(reply.data(), static_cast<int>(reply.size()));
    if (Index == 1) {
      P.Send("no TLS record");
      P.ReadAll();   // until the client gives up
    }
    SSL_set_shutdown(tls.Handle(), SSL_SENT_SHUTDOWN | SSL_RECEIVED_SHUTDOWN);   // no close_notify
  });
  const std::string url = "https://127.0.0.1:" + std::to_string(server.Port()) + "/";
  TNetHTTP http(nullptr);
  TNetSSLIOHandlerSocket tls(nullptr);
  http.SetIOHandler(&tls);
  EXPECT_EQ("until the close", http.Get(url));
  try {
    http.Get(url);
    ADD_FAILURE() << "a broken record was read";
  } catch (const ENetOSSLReadError& e) {
    EXPECT_EQ("Error reading with SSL.", e.Message);
  }
  EXPECT_THROW(http.Get(url), ENetException);   // the server wrote nothing
  EXPECT_EQ("Error writing with SSL.", WriteError);
  http.ReadTimeout = 1000;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(http.Get(url), ENetReadTimeout);   // connection 3: a record cut short
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0) << "it has 1 s";
  EXPECT_TRUE(server.Errors().empty());
}

// The locking callback of libraries before 1.1: a thread waiting for a
// lock must not keep the lock's owner from leaving it.
TEST(TlsLocksTest, AWaitingThreadDoesNotKeepTheOwnerOut) {
  CreateOpenSSLLocks(2);
  HANDLE locked = CreateEventA(nullptr, TRUE, FALSE, nullptr), release = CreateEventA(nullptr, TRUE, FALSE, nullptr),
         left = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([=] {
    OpenSSLLockingCallback(CRYPTO_LOCK, 1, __FILE__, __LINE__);
    SetEvent(locked);
    WaitForSingleObject(release, INFINITE);
    OpenSSLLockingCallback(0, 1, __FILE__, __LINE__);
    SetEvent(left);
  });
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(locked, 5000));
  std::thread waiter([] {
    OpenSSLLockingCallback(CRYPTO_LOCK, 1, __FILE__, __LINE__);
    OpenSSLLockingCallback(0, 1, __FILE__, __LINE__);
  });
  Sleep(200);   // the waiter waits for lock 1 now
  SetEvent(release);
  if (WaitForSingleObject(left, 5000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the owner could not leave lock 1: deadlock";
    owner.detach();   // both stay blocked until the program ends
    waiter.detach();
    return;
  }
  owner.join();
  waiter.join();
  for (HANDLE h : {locked, release, left}) CloseHandle(h);
  CreateOpenSSLLocks(0);
}

}  // namespace
