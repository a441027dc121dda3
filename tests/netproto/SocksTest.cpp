// The socket handler through SOCKS 4, 4A and 5 stubs of the test's own:
// the exact requests, every reply code, the reply's address forms, and the
// application data that follows the reply arriving intact.
#include <gtest/gtest.h>

#include <atomic>

#include "TestServer.h"
#include "netlib/NetException.h"
#include "netlib/NetIOHandlerSocket.h"
#include "netlib/NetTCPClient.h"

namespace {

class SocksTest : public testing::Test {
protected:
  void SetUp() override { NetTCPConnection_Initialize(); }
  void TearDown() override { NetTCPConnection_Finalize(); }
};

std::string Bytes(std::initializer_list<int> B) {
  std::string s;
  for (int b : B) s += static_cast<char>(b);
  return s;
}

// A client that goes to Host:Port through the proxy at ProxyPort.
struct TSocksClient {
  TNetTCPClient Client{nullptr};
  TNetIOHandlerSocket Handler{nullptr};
  TSocksClient(TSocksVersion Version, u_short ProxyPort, const std::string& Host, int Port) {
    Client.SetIOHandler(&Handler);
    TNetSocksInfo* s = Handler.SocksInfo();
    s->Version = Version;
    s->Host = "127.0.0.1";
    s->Port = ProxyPort;
    Client.Host = Host;
    Client.Port = Port;
  }
};

TEST_F(SocksTest, Socks4And4ARequestsAndEveryReplyCode) {
  std::vector<std::string> requests;
  std::mutex lock;
  const int codes[] = {90, 91, 92, 93, 17};
  TTestServer proxy([&](TTestPeer& P, int Index) {
    std::string req = P.Read(8);
    while (req.back() != '\0' || (req[4] == 0 && req[7] == 1 && std::count(req.begin() + 8, req.end(), '\0') < 2))
      req += P.Read(1);
    {
      std::lock_guard<std::mutex> g(lock);
      requests.push_back(req);
    }
    P.Send(Bytes({0, codes[Index % 5], 0, 0, 0, 0, 0, 0}) + "payload\n");
    P.ReadAll();
  });
  for (int i = 0; i < 10; ++i) {
    const bool is4A = i >= 5;
    TSocksClient c(is4A ? TSocksVersion::svSocks4A : TSocksVersion::svSocks4, proxy.Port(),
                   is4A ? "target.invalid" : "127.0.0.1", 8080);
    c.Handler.SocksInfo()->Username = "bob";
    try {
      c.Client.OpenConnection();
      EXPECT_EQ(90, codes[i % 5]);
      EXPECT_EQ("payload", c.Client.ReadLine());
      c.Client.CloseConnection();
    } catch (const ENetSocksRequestFailed& e) {
      EXPECT_EQ(91, codes[i % 5]);
      EXPECT_EQ("Request rejected or failed.", e.Message);
    } catch (const ENetSocksRequestServerFailed& e) {
      EXPECT_EQ(92, codes[i % 5]);
      EXPECT_EQ("Request rejected because SOCKS server cannot connect.", e.Message);
    } catch (const ENetSocksRequestIdentFailed& e) {
      EXPECT_EQ(93, codes[i % 5]);
    } catch (const ENetSocksUnknownError& e) {
      EXPECT_EQ(17, codes[i % 5]);
      EXPECT_EQ("Unknown socks error.", e.Message);
    }
  }
  std::lock_guard<std::mutex> g(lock);
  ASSERT_EQ(10u, requests.size());
  EXPECT_EQ(Bytes({4, 1, 0x1f, 0x90, 127, 0, 0, 1}) + "bob" + Bytes({0}), requests[0]);
  EXPECT_EQ(Bytes({4, 1, 0x1f, 0x90, 0, 0, 0, 1}) + "bob" + Bytes({0}) + "target.invalid" + Bytes({0}), requests[5]);
}

// What a SOCKS 5 stub does on one connection.
struct TSocks5Script {
  int Method = 0;           // the method it picks
  int AuthStatus = 0;
  int Reply = 0;
  std::string BoundAddress;  // address type byte and address
};

TEST_F(SocksTest, Socks5MethodsLoginEveryReplyCodeAndAddressForms) {
  std::vector<TSocks5Script> scripts;
  const std::string ipv4 = Bytes({1, 10, 0, 0, 7});
  const std::string domain = Bytes({3, 11}) + "proxy.local";
  const std::string ipv6 = Bytes({4}) + std::string(16, '\x01');
  for (const std::string& a : {ipv4, domain, ipv6}) scripts.push_back({0, 0, 0, a});
  scripts.push_back({2, 0, 0, ipv4});   // with a login
  for (int code = 1; code <= 9; ++code) scripts.push_back({0, 0, code, ipv4});
  scripts.push_back({255, 0, 0, ipv4});   // no acceptable method
  scripts.push_back({0, 0, 0, ipv4});     // a method other than the one offered (2)
  scripts.push_back({2, 1, 0, ipv4});     // login refused
  std::vector<std::string> seen(scripts.size());
  std::mutex lock;
  TTestServer proxy([&](TTestPeer& P, int Index) {
    const TSocks5Script& s = scripts[static_cast<size_t>(Index)];
    std::string log = P.Read(3);
    P.Send(Bytes({5, s.Method}));
    if (s.Method == 255) return;
    if (s.Method == 2 && log[2] == 2) {
      std::string login = P.Read(2);
      login += P.Read(static_cast<uint8_t>(login[1]) + 1u);
      login += P.Read(static_cast<uint8_t>(login.back()));
      log += login;
      P.Send(Bytes({1, s.AuthStatus}));
      if (s.AuthStatus != 0) return;
    } else if (s.Method != log[2]) {
      return;
    }
    std::string req = P.Read(5);
    req += P.Read(static_cast<uint8_t>(req[4]) + 2u);
    log += req;
    {
      std::lock_guard<std::mutex> g(lock);
      seen[static_cast<size_t>(Index)] = log;
    }
    P.Send(Bytes({5, s.Reply, 0}) + s.BoundAddress + Bytes({0x12, 0x34}) + "app data\n");
    P.ReadAll();
  });
  for (size_t i = 0; i < scripts.size(); ++i) {
    const TSocks5Script& s = scripts[i];
    TSocksClient c(TSocksVersion::svSocks5, proxy.Port(), "target.invalid", 443);
    const bool login = s.Method == 2 || i == scripts.size() - 2;
    if (login) {
      c.Handler.SocksInfo()->Authentication = TSocksAuthentication::saUsernamePassword;
      c.Handler.SocksInfo()->Username = "alice";
      c.Handler.SocksInfo()->Password = "s3cret";
    }
    std::string error;
    try {
      c.Client.OpenConnection();
      // The reply's tail is read exactly: the data after it is intact.
      EXPECT_EQ("app data", c.Client.ReadLine()) << i;
      c.Client.CloseConnection();
    } catch (const ENetSocksError& e) {
      error = e.ClassName() + ": " + e.Message;
    }
    if (i < 4) {
      EXPECT_EQ("", error) << i;
    }
    if (i == 3) {
      EXPECT_EQ(Bytes({5, 1, 2, 1, 5}) + "alice" + Bytes({6}) + "s3cret", seen[i].substr(0, 17));
    }
    if (i == 0) {
      EXPECT_EQ(Bytes({5, 1, 0, 5, 1, 0, 3, 14}) + "target.invalid" + Bytes({1, 0xbb}), seen[i]);
    }
    static const char* const replyErrors[] = {
        "ENetSocksServerGeneralError: General SOCKS server failure.",
        "ENetSocksServerPermissionError: Connection not allowed by ruleset.",
        "ENetSocksServerNetUnreachableError: Network unreachable.",
        "ENetSocksServerHostUnreachableError: Host unreachable.",
        "ENetSocksServerConnectionRefusedError: Connection refused.",
        "ENetSocksServerTTLExpiredError: TTL expired.",
        "ENetSocksServerCommandError: Command not supported.",
        "ENetSocksServerAddressError: Address type not supported.",
        "ENetSocksUnknownError: Unknown socks error."};
    if (i >= 4 && i < 13) {
      EXPECT_EQ(replyErrors[i - 4], error);
    }
    if (i == 13 || i == 14) {
      EXPECT_EQ("ENetSocksAuthMethodError: Invalid socks authentication method.", error);
    }
    if (i == 15) {
      EXPECT_EQ("ENetSocksAuthError: Authentication error to socks server.", error);
    }
  }
}

TEST_F(SocksTest, Socks5RefusesFieldsLongerThan255AndSilentProxies) {
  TTestServer proxy([](TTestPeer& P, int Index) {
    if (Index == 0) P.Send(Bytes({5}));   // half an answer, then gone
    if (Index == 1) P.ReadAll();          // never answers
    P.Close();
  });
  {
    TSocksClient c(TSocksVersion::svSocks5, proxy.Port(), std::string(256, 'h'), 80);
    try {
      c.Client.OpenConnection();
      ADD_FAILURE() << "a 256-character host name was sent";
    } catch (const ENetSocksError& e) {
      EXPECT_EQ("The SOCKS host name is longer than 255 characters.", e.Message);
    }
    EXPECT_EQ(0, proxy.Accepted()) << "refused before connecting";
  }
  {
    TSocksClient c(TSocksVersion::svSocks5, proxy.Port(), "target.invalid", 80);
    c.Handler.SocksInfo()->Authentication = TSocksAuthentication::saUsernamePassword;
    c.Handler.SocksInfo()->Password = std::string(300, 'p');
    EXPECT_THROW(c.Client.OpenConnection(), ENetSocksError);
  }
  {
    TSocksClient c(TSocksVersion::svSocks5, proxy.Port(), "target.invalid", 80);
    EXPECT_THROW(c.Client.OpenConnection(), ENetSocksServerRespondError);
  }
  {
    // The connect's time-out bounds the handshake too.
    TSocksClient c(TSocksVersion::svSocks5, proxy.Port(), "target.invalid", 80);
    EXPECT_THROW(c.Client.OpenConnection(500), ENetConnectTimeout);
  }
}

// The connect's time-out bounds the whole handshake, not each read of it:
// a proxy that answers one byte at a time, each well within the time-out,
// is given up on once the time-out is spent.
TEST_F(SocksTest, ASocks5ProxyAnsweringByteByByteRunsOutOfTheTimeOutInAll) {
  std::atomic<int> bytesSent{0};
  TTestServer proxy([&](TTestPeer& P, int) {
    auto trickle = [&](const std::string& Reply) {
      for (char c : Reply) {
        Sleep(300);
        P.Send(std::string(1, c));
        ++bytesSent;
      }
    };
    try {
      P.Read(3);   // greeting
      trickle(Bytes({5, 0}));
      const std::string head = P.Read(5);   // up to the host's length
      P.Read(static_cast<uint8_t>(head[4]) + 2);
      trickle(Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0, 80}));
      P.ReadAll();
    } catch (const std::exception&) {   // the client left
    }
  });
  TSocksClient c(TSocksVersion::svSocks5, proxy.Port(), "target.invalid", 80);
  EXPECT_THROW(c.Client.OpenConnection(1500), ENetConnectTimeout);   // the answer takes 3.6 s
  EXPECT_LT(bytesSent.load(), 12);
}

TEST_F(SocksTest, SettingsCopyAndAnAssignedInfoIsForgottenWhenFreed) {
  TNetIOHandlerSocket h(nullptr);
  auto info = std::make_unique<TNetSocksInfo>(nullptr);
  info->Version = TSocksVersion::svSocks5;
  info->Host = "proxy";
  info->Port = 1234;
  TNetSocksInfo copy(nullptr);
  copy.Assign(info.get());
  EXPECT_EQ(1234, copy.Port);
  EXPECT_EQ(TSocksVersion::svSocks5, copy.Version);
  h.SetSocksInfo(info.get());
  EXPECT_EQ(info.get(), h.SocksInfo());
  info.reset();
  TNetSocksInfo* fresh = h.SocksInfo();   // made anew, with the defaults
  EXPECT_EQ(1080, fresh->Port);
  EXPECT_EQ(TSocksVersion::svNoSocks, fresh->Version);
  {
    TNetIOHandlerSocket user(nullptr);
    user.SetSocksInfo(&copy);
    EXPECT_EQ(&user, copy.IOHandler);
  }
  EXPECT_EQ(nullptr, copy.IOHandler);   // not left pointing at a freed handler
}

}  // namespace
