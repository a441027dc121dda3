// The HTTP client against scripted loopback servers: methods and the three
// body modes on one kept-alive connection, redirects, credentials that stay
// with their host, 401 and 407 retries, cookies and a proxy, and requests
// refused before a byte is sent.
#include <gtest/gtest.h>
#define PSAPI_VERSION 2
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TestHttpServer.h"
#include "netlib/NetException.h"
#include "netlib/NetHTTP.h"

namespace {

class HttpTest : public testing::Test {
protected:
  void SetUp() override { NetHTTP_Initialize(); }
  void TearDown() override { NetHTTP_Finalize(); }
};

std::string Body26() { return "abcdefghijklmnopqrstuvwxyz"; }

TEST_F(HttpTest, MethodsAndBodyModesOnOneKeptConnection) {
  THttpServer server([](const TSeenRequest& R, bool& Close) -> std::string {
    if (R.Target == "/len") return HttpResponse("200 OK", "hello");
    if (R.Target == "/chunked")
      return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;name=val\r\nhello\r\n1A \r\n" + Body26() +
             "\r\n0\r\nX-Trailer: t\r\n\r\n";
    if (R.Target == "/continue") return "HTTP/1.1 100 Continue\r\n\r\n" + HttpResponse("200 OK", "ok");
    if (R.Target == "/hints") return "HTTP/1.1 103 Early Hints\r\n\r\n" + HttpResponse("200 OK", "hinted");
    if (R.Target == "/switch") return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: other\r\n\r\n";
    if (R.Target == "/post") return HttpResponse("201 Created", R.Method + ":" + R.Body);
    if (R.Target == "/head") return "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n";
    if (R.Target == "/close") {
      Close = true;
      return "HTTP/1.0 200 OK\r\n\r\nuntil the end";
    }
    if (R.Target == "/missing") return HttpResponse("404 Not Found", "not here!");
    if (R.Target == "/junk") return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nhello\r\n0\r\n\r\n";
    if (R.Target == "/short") return "HTTP/1\r\n\r\n";
    return HttpResponse("500 Unexpected", R.Target);
  });
  TNetHTTP http(nullptr);
  std::vector<std::string> statuses;
  http.OnStatus = [&](TObject*, TNetStatus, const std::string& T) { statuses.push_back(T); };
  const std::string base = server.Base();
  EXPECT_EQ("hello", http.Get(base + "/len"));
  EXPECT_EQ("hello" + Body26(), http.Get(base + "/chunked"));
  EXPECT_NE(statuses.end(), std::find(statuses.begin(), statuses.end(), "Chunk Started"));
  EXPECT_EQ("ok", http.Get(base + "/continue"));
  EXPECT_EQ("POST:some data", http.Post(base + "/post", "some data"));
  EXPECT_EQ(201, http.ResponseCode());
  http.Head(base + "/head");
  EXPECT_EQ(1000, http.Response().ContentLength());
  EXPECT_EQ("until the end", http.Get(base + "/close"));
  EXPECT_FALSE(http.IsOpen());
  try {
    http.Get(base + "/missing");
    ADD_FAILURE();
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_EQ(404, e.ReplyErrorCode);
    EXPECT_EQ("HTTP/1.1 404 Not Found", e.Message);
    EXPECT_EQ("not here!", e.ErrorMessage);
  }
  EXPECT_THROW(http.Get(base + "/junk"), ENetException);   // not a size: no body cut short
  EXPECT_EQ(0xff, ParseChunkSize("ff"));
  EXPECT_THROW(http.Get(base + "/short"), ENetProtocolReplyError);

  const std::vector<TSeenRequest> seen = server.Seen();
  ASSERT_EQ(9u, seen.size());
  for (int i = 0; i < 6; ++i) EXPECT_EQ(0, seen[i].Connection) << seen[i].Target;   // one connection kept
  EXPECT_EQ(1, seen[6].Connection);
  EXPECT_EQ("GET", seen[0].Method);
  EXPECT_EQ("/len", seen[0].Target);
  EXPECT_EQ("HTTP/1.1", seen[0].Version);
  EXPECT_EQ("127.0.0.1:" + std::to_string(server.Port()), seen[0].Header("Host"));
  EXPECT_EQ("Mozilla/3.0 (compatible; Net Library)", seen[0].Header("User-Agent"));
  EXPECT_EQ("text/html, */*", seen[0].Header("Accept"));
  EXPECT_EQ("9", seen[3].Header("Content-Length"));
  EXPECT_EQ("HEAD", seen[4].Method);

  http.ProtocolVersion = TNetHTTPProtocolVersion::pv1_0;
  EXPECT_EQ("hello", http.Get(base + "/len"));
  EXPECT_EQ("HTTP/1.0", server.Seen().back().Version);
  EXPECT_EQ("keep-alive", server.Seen().back().Header("Connection"));
  TStringStream out;
  EXPECT_THROW(http.Options(base + "/len", out), ENetException);   // needs 1.1
  EXPECT_EQ("hinted", http.Get(base + "/hints"));   // early hints come before the answer
  EXPECT_THROW(http.Get(base + "/switch"), ENetHTTPProtocolException);   // a switch nobody asked for
  EXPECT_TRUE(server.Errors().empty());
}

TEST_F(HttpTest, AKeptConnectionTheServerDroppedIsReplaced) {
  THttpServer server([](const TSeenRequest& R, bool& Close) {
    Close = true;   // no "Connection: close": the client believes it kept
    return HttpResponse("200 OK", R.Target);
  });
  TNetHTTP http(nullptr);
  EXPECT_EQ("/one", http.Get(server.Base() + "/one"));
  Sleep(100);
  EXPECT_EQ("/two", http.Get(server.Base() + "/two"));
  EXPECT_EQ(2, server.Connections());
}

TEST_F(HttpTest, RedirectsKeepTheMethodStopAtTheLimitAndCanBeRefused) {
  THttpServer server([](const TSeenRequest& R, bool&) -> std::string {
    if (R.Target.rfind("/r", 0) == 0)
      return HttpResponse(R.Target.substr(2) + " Moved", "moved", "Location: /target\r\n");
    if (R.Target == "/target") return HttpResponse("200 OK", R.Method + ":" + R.Body);
    if (R.Target == "/loop") return HttpResponse("302 Found", "again", "Location: /loop\r\n");
    if (R.Target == "/cached") return "HTTP/1.1 304 Not Modified\r\n\r\n";
    return HttpResponse("500 Unexpected", R.Target);
  });
  TNetHTTP http(nullptr);
  http.HandleRedirects = true;
  std::vector<int> counts;
  http.OnRedirect = [&](TObject*, std::string& Dest, int& Num, bool&, TNetHTTPMethod& Method) {
    counts.push_back(Num);
    EXPECT_EQ("/target", Dest);
    if (http.ResponseCode() == 303) Method = TNetHTTPMethod::hmGet;
  };
  for (const char* code : {"301", "302", "307"})
    EXPECT_EQ("POST:data", http.Post(server.Base() + "/r" + code, "data")) << code;
  EXPECT_EQ("GET:", http.Post(server.Base() + "/r303", "data"));   // changed by OnRedirect
  EXPECT_EQ((std::vector<int>{1, 1, 1, 1}), counts);

  http.OnRedirect = nullptr;
  http.RedirectMaximum = 3;
  EXPECT_EQ("", http.Get(server.Base() + "/loop"));   // the fourth answer is final, its body dropped
  EXPECT_EQ(302, http.ResponseCode());
  EXPECT_EQ("/loop", http.Response().Location);
  size_t loops = 0;
  for (const TSeenRequest& r : server.Seen()) loops += r.Target == "/loop";
  EXPECT_EQ(4u, loops);

  http.HandleRedirects = false;
  EXPECT_EQ("", http.Get(server.Base() + "/r301"));
  EXPECT_EQ(301, http.ResponseCode());
  EXPECT_EQ("/target", http.Response().Location);
  EXPECT_EQ("POST:data", http.Post(server.Base() + "/target", "data")) << "the dropped body was read whole";

  http.HandleRedirects = true;
  http.OnRedirect = [](TObject*, std::string&, int&, bool& Handled, TNetHTTPMethod&) { Handled = false; };
  EXPECT_THROW(http.Get(server.Base() + "/r302"), ENetHTTPProtocolException);
  // 304 is no redirect: like any code the client does not handle, it raises.
  http.OnRedirect = [](TObject*, std::string&, int&, bool& Handled, TNetHTTPMethod&) {
    ADD_FAILURE() << "304 Not Modified taken for a redirect";
    Handled = false;
  };
  try {
    http.Get(server.Base() + "/cached");
    ADD_FAILURE();
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_EQ(304, e.ReplyErrorCode);
  }
  EXPECT_TRUE(server.Errors().empty());
}

TEST_F(HttpTest, CredentialsAreNotSentToAnotherHostAfterARedirect) {
  u_short port = 0;
  THttpServer otherPort([](const TSeenRequest& R, bool&) {
    return HttpResponse("200 OK", "Authorization:" + R.Header("Authorization"));
  });
  const u_short other = otherPort.Port();
  THttpServer server([&](const TSeenRequest& R, bool&) -> std::string {
    if (R.Target == "/same") return HttpResponse("302 Found", "", "Location: /next\r\n");
    if (R.Target == "/port")
      return HttpResponse("302 Found", "", "Location: http://127.0.0.1:" + std::to_string(other) + "/next\r\n");
    if (R.Target == "/away")
      return HttpResponse("302 Found", "", "Location: http://localhost:" + std::to_string(port) + "/next\r\n");
    return HttpResponse("200 OK", "Authorization:" + R.Header("Authorization"));
  });
  port = server.Port();
  TNetHTTP http(nullptr);
  http.HandleRedirects = true;
  http.Request().BasicAuthentication = true;
  http.Request().Username = "user";
  http.Request().Password = "pass";
  EXPECT_EQ("Authorization:Basic dXNlcjpwYXNz", http.Get(server.Base() + "/same"));
  EXPECT_EQ("Authorization:", http.Get(server.Base() + "/away"));
  EXPECT_EQ("Basic dXNlcjpwYXNz", server.Seen()[2].Header("Authorization"));   // the first host had them
  EXPECT_EQ("localhost:" + std::to_string(port), server.Seen()[3].Header("Host"));

  TNetHTTP fromUrl(nullptr);
  fromUrl.HandleRedirects = true;
  fromUrl.Request().BasicAuthentication = true;
  EXPECT_EQ("Authorization:", fromUrl.Get("http://u:p@127.0.0.1:" + std::to_string(port) + "/away"));
  EXPECT_EQ("Basic dTpw", server.Seen()[4].Header("Authorization"));

  // Withheld for the redirected pass only: the first server gets them again.
  EXPECT_EQ("user", http.Request().Username);
  EXPECT_EQ("Authorization:Basic dXNlcjpwYXNz", http.Get(server.Base() + "/plain"));
  // The same host on another port is another server.
  EXPECT_EQ("Authorization:", http.Get(server.Base() + "/port"));
  ASSERT_EQ(1u, otherPort.Seen().size());
  EXPECT_EQ("", otherPort.Seen()[0].Header("Authorization"));
}

// A user name and password in a URL are for that request (and its retries
// at the same server): the next request, to another server, goes without
// them, up front or when that server asks.
TEST_F(HttpTest, CredentialsInAUrlServeThatRequestOnly) {
  THttpServer server([](const TSeenRequest& R, bool&) -> std::string {
    if (R.Target == "/a" && R.Header("Authorization") == "Basic dTpw") return HttpResponse("200 OK", "A ok");
    return HttpResponse("401 Unauthorized", "no", "WWW-Authenticate: Basic realm=\"r\"\r\n");
  });
  const std::string port = std::to_string(server.Port());
  for (const bool upFront : {false, true}) {
    TNetHTTP http(nullptr);
    http.Request().BasicAuthentication = upFront;
    const size_t before = server.Seen().size();
    EXPECT_EQ("A ok", http.Get("http://u:p@127.0.0.1:" + port + "/a"));
    EXPECT_THROW(http.Get("http://localhost:" + port + "/b"), ENetHTTPProtocolException);
    const std::vector<TSeenRequest> seen = server.Seen();
    const size_t toA = upFront ? 1 : 2;   // asked first without them, then with them
    ASSERT_EQ(before + toA + 1, seen.size()) << "up front " << upFront;
    EXPECT_EQ("Basic dTpw", seen[before + toA - 1].Header("Authorization"));
    EXPECT_EQ("/b", seen.back().Target);
    EXPECT_EQ("", seen.back().Header("Authorization")) << "up front " << upFront;
    EXPECT_EQ("", http.Request().Username);
  }
}

// Credentials a server asked for stay with that server: neither the
// authentication kept on the connection nor what the program answered goes
// to another one, directly or through a proxy that keeps its connection.
TEST_F(HttpTest, CredentialsGivenForOneServerNeverReachAnother) {
  THttpServer server([](const TSeenRequest& R, bool&) -> std::string {
    const bool a = R.Target.size() >= 2 && R.Target.compare(R.Target.size() - 2, 2, "/a") == 0;
    if (a && R.Header("Authorization") == "Basic dXNlcjpwYXNz") return HttpResponse("200 OK", "A ok");
    return HttpResponse("401 Unauthorized", "no",
                        std::string("WWW-Authenticate: Basic realm=\"") + (a ? "A" : "B") + "\"\r\n");
  });
  const std::string port = std::to_string(server.Port());
  for (const bool proxy : {false, true}) {
    TNetHTTP http(nullptr);
    if (proxy) {
      http.ProxyParams.SetProxyServer("127.0.0.1");
      http.ProxyParams.SetProxyPort(server.Port());
    }
    std::vector<std::string> realms;
    http.OnAuthorization = [&](TObject*, TNetAuthentication* A, bool& Handled) {
      realms.push_back(dynamic_cast<TNetBasicAuthentication*>(A)->Realm);
      if (realms.back() != "A") return;   // declined
      A->SetUsername("user");
      A->SetPassword("pass");
      Handled = true;
    };
    const size_t before = server.Seen().size();
    EXPECT_EQ("A ok", http.Get(proxy ? "http://a.invalid/a" : "http://127.0.0.1:" + port + "/a"));
    EXPECT_TRUE(http.IsOpen());
    EXPECT_THROW(http.Get(proxy ? "http://b.invalid/b" : "http://localhost:" + port + "/b"),
                 ENetHTTPProtocolException);
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), realms) << "proxy " << proxy;
    const std::vector<TSeenRequest> seen = server.Seen();
    ASSERT_EQ(before + 3, seen.size()) << "proxy " << proxy;   // A refused, A with credentials, B
    EXPECT_EQ("Basic dXNlcjpwYXNz", seen[before + 1].Header("Authorization"));
    EXPECT_EQ("", seen[before + 2].Header("Authorization")) << "proxy " << proxy;
  }
  // The end of the connection ends its authentication, into the store.
  TNetHTTP http(nullptr);
  TNetAuthenticationManager store(nullptr);
  http.SetAuthenticationManager(&store);
  http.OnAuthorization = [](TObject*, TNetAuthentication* A, bool& Handled) {
    A->SetUsername("user");
    A->SetPassword("pass");
    Handled = true;
  };
  EXPECT_EQ("A ok", http.Get("http://127.0.0.1:" + port + "/a"));
  EXPECT_EQ(0, store.Authentications.Count());
  http.CloseConnection();
  ASSERT_NE(nullptr, store.Find("http://127.0.0.1:" + port + "/a"));
  EXPECT_EQ("pass", store.Find("http://127.0.0.1:" + port + "/a")->Params.Values("Password"));
}

TEST_F(HttpTest, AuthenticationRetriesFor401AndThroughAProxyFor407) {
  THttpServer server([](const TSeenRequest& R, bool&) -> std::string {
    if (R.Header("Authorization") == "Basic dXNlcjpwYXNz") return HttpResponse("200 OK", "secret");
    return HttpResponse("401 Unauthorized", "denied", "WWW-Authenticate: Basic realm=\"vault\"\r\n");
  });
  TNetHTTP http(nullptr);
  int asked = 0;
  std::string realm;
  http.OnAuthorization = [&](TObject*, TNetAuthentication* A, bool& Handled) {
    ++asked;
    realm = dynamic_cast<TNetBasicAuthentication*>(A)->Realm;
    A->SetUsername("user");
    A->SetPassword(asked == 1 ? "pass" : "wrong");
    Handled = true;
  };
  EXPECT_EQ("secret", http.Get(server.Base() + "/"));
  EXPECT_EQ(1, asked);
  EXPECT_EQ("vault", realm);
  EXPECT_EQ(2u, server.Seen().size());
  EXPECT_EQ("", server.Seen()[0].Header("Authorization"));

  TNetHTTP wrong(nullptr);
  wrong.OnAuthorization = [&](TObject*, TNetAuthentication* A, bool& Handled) {
    ++asked;
    A->SetUsername("user");
    A->SetPassword("wrong");
    Handled = true;
  };
  asked = 10;
  try {
    wrong.Get(server.Base() + "/");
    ADD_FAILURE();
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_EQ(401, e.ReplyErrorCode);
    EXPECT_EQ("denied", e.ErrorMessage);
  }
  EXPECT_EQ(13, asked);   // AuthRetries (3) attempts, then the failure
  EXPECT_EQ(6u, server.Seen().size());

  THttpServer proxy([](const TSeenRequest& R, bool&) -> std::string {
    if (R.Header("Proxy-Authorization") != "Basic cHg6cHc=")
      return HttpResponse("407 Proxy Authentication Required", "who?", "Proxy-Authenticate: Basic realm=\"p\"\r\n");
    return HttpResponse("200 OK", "via proxy " + R.Method + " " + R.Target);
  });
  TNetHTTP viaProxy(nullptr);
  viaProxy.ProxyParams.SetProxyServer("127.0.0.1");
  viaProxy.ProxyParams.SetProxyPort(proxy.Port());
  int proxyAsked = 0;
  viaProxy.OnProxyAuthorization = [&](TObject*, TNetAuthentication* A, bool& Handled) {
    ++proxyAsked;
    A->SetUsername("px");
    A->SetPassword("pw");
    Handled = true;
  };
  EXPECT_EQ("via proxy GET http://target.invalid:81/page?q=1", viaProxy.Get("http://target.invalid:81/page?q=1"));
  EXPECT_EQ(1, proxyAsked);
  EXPECT_EQ("target.invalid:81", proxy.Seen().back().Header("Host"));
}

TEST_F(HttpTest, CookiesRoundTripAndGoOnlyWhereTheyBelong) {
  THttpServer server([](const TSeenRequest& R, bool&) -> std::string {
    if (R.Target == "/set")
      return HttpResponse("200 OK", "",
                          "Set-Cookie: sid=abc; path=/\r\nSet-Cookie: tld=1; domain=.com\r\n"
                          "Set-cookie: other=2; domain=.example.org\r\nSet-Cookie2: v2=x; Version=1\r\n"
                          "Set-Cookie: deep=3; path=/deep\r\n");
    return HttpResponse("200 OK", R.Header("Cookie"));
  });
  TNetHTTP http(nullptr);
  EXPECT_EQ("", http.Get(server.Base() + "/set"));
  ASSERT_NE(nullptr, http.CookieManager());
  EXPECT_EQ("sid=abc; v2=x", http.Get(server.Base() + "/echo"));
  EXPECT_EQ("deep=3; sid=abc; v2=x", http.Get(server.Base() + "/deep/x"));

  // A value with a line break never reaches the wire.
  auto* c = new TNetCookieRFC2109(&http.CookieManager()->CookieCollection());
  c->CookieName = "bad";
  c->Value = "1\r\nX-Injected: yes";
  c->Domain = "127.0.0.1";
  http.CookieManager()->CookieCollection().AddCookie(c);
  const size_t before = server.Seen().size();
  EXPECT_THROW(http.Get(server.Base() + "/echo"), ENetException);
  EXPECT_EQ(before, server.Seen().size());

  TNetHTTP noCookies(nullptr);
  noCookies.AllowCookies = false;
  noCookies.Get(server.Base() + "/set");
  EXPECT_EQ(nullptr, noCookies.CookieManager());
}

TEST_F(HttpTest, LineBreaksInAnyPartOfTheRequestAreRefusedBeforeSending) {
  THttpServer server([](const TSeenRequest&, bool&) { return HttpResponse("200 OK", "fine"); });
  const std::string base = server.Base();
  auto attempt = [&](const std::function<void(TNetHTTP&)>& Setup, const std::string& Path = "/") {
    TNetHTTP http(nullptr);
    Setup(http);
    try {
      http.Get(base + Path);
      return std::string("sent");
    } catch (const ENetException& e) {
      return e.Message;
    }
  };
  EXPECT_EQ("A line break is not allowed in a header.",
            attempt([](TNetHTTP& H) { H.Request().Referer = "http://x/\r\nX-Injected: 1"; }));
  EXPECT_EQ("A line break is not allowed in a header.",
            attempt([](TNetHTTP& H) { H.Request().UserAgent = "agent\nX-Injected: 1"; }));
  EXPECT_EQ("A line break is not allowed in a header.",
            attempt([](TNetHTTP& H) { H.Request().CustomHeaders.Add("X-A: b\r\nX-B: c"); }));
  EXPECT_EQ("A line break is not allowed in the credentials.", attempt([](TNetHTTP& H) {
              H.Request().BasicAuthentication = true;
              H.Request().Username = "user\r\n";
            }));
  EXPECT_EQ("A line break is not allowed in the request target.", attempt([](TNetHTTP&) {}, "/a\r\nX: y"));
  EXPECT_EQ(0, server.Connections());
  TNetHTTP http(nullptr);
  try {
    http.Get("http://127.0.0.1:70000/");   // not port 4464
    ADD_FAILURE();
  } catch (const ENetURIException& e) {
    EXPECT_EQ("Invalid port in URL: \"70000\"", e.Message);
  }
  EXPECT_EQ("sent", attempt([](TNetHTTP& H) { H.Request().CustomHeaders.SetValues("X-Fine", "yes"); }));
  EXPECT_EQ("yes", server.Seen().back().Header("X-Fine"));
}

// What a peer announces or repeats is read up to a bound: interim
// responses, trailer lines, and an error body (a length of 10^18 bytes,
// chunks without end, or no length at all) of which the exception keeps
// 64 KB while the rest is left unread.
TEST_F(HttpTest, PeerDrivenSizesAndLoopsAreBounded) {
  constexpr size_t Most = 32u << 20;   // what the server sends of an endless body at most
  std::atomic<size_t> sent[4] = {0, 0, 0, 0};
  TTestServer server([&](TTestPeer& P, int) {
    const std::string line = P.ReadLine();
    P.ReadHead();
    const std::string target = line.substr(4, line.rfind(' ') - 4);
    if (target == "/interim16" || target == "/interim17" || target == "/interim-budget") {
      std::string r, pad;   // /interim-budget: four heads of 300 KB, each within the budget, together not
      for (int j = 0; target == "/interim-budget" && j < 300; ++j) pad += "X-Pad: " + std::string(1000, 'p') + "\r\n";
      for (int i = 0; i < (target == "/interim16" ? 16 : pad.empty() ? 17 : 4); ++i)
        r += "HTTP/1.1 100 Continue\r\n" + pad + "\r\n";
      P.Send(r + HttpResponse("200 OK", "final"));
      return;
    }
    if (target == "/trailer") {
      std::string r = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n";
      for (int i = 0; i < 1100; ++i) r += "X-T" + std::to_string(i) + ": " + std::string(1000, 't') + "\r\n";
      P.Send(r + "\r\n" + HttpResponse("200 OK", "next"));
      P.ReadAll();
      return;
    }
    const int mode = target == "/length" ? 0 : target == "/chunked" ? 1 : target == "/close" ? 2 : 3;
    P.Send(mode == 0   ? "HTTP/1.1 500 Broken\r\nContent-Length: 999999999999999999\r\n\r\n"
           : mode == 1 ? "HTTP/1.1 500 Broken\r\nTransfer-Encoding: chunked\r\n\r\n"
           : mode == 2 ? "HTTP/1.1 500 Broken\r\n\r\n"
                       : "HTTP/1.1 500 Broken\r\nContent-Length: 4611686018427387904\r\n\r\n");
    const std::string block = std::string(65536, 'e');
    const std::string piece = mode == 1 ? "10000\r\n" + block + "\r\n" : block;
    try {
      while (sent[mode] < Most) {
        P.Send(piece);
        sent[mode] += block.size();
      }
    } catch (const std::exception&) {   // the client closed
    }
  });
  const std::string base = "http://127.0.0.1:" + std::to_string(server.Port());
  TNetHTTP http(nullptr);
  EXPECT_EQ("final", http.Get(base + "/interim16"));
  try {
    http.Get(base + "/interim17");
    ADD_FAILURE() << "17 interim responses were read";
  } catch (const ENetException& e) {
    EXPECT_EQ("Too many interim responses.", e.Message);
  }
  try {
    http.Get(base + "/interim-budget");
    ADD_FAILURE() << "1.2 MB of interim heads were read";
  } catch (const ENetException& e) {
    EXPECT_EQ("The response header is too long.", e.Message);
  }
  try {
    http.Get(base + "/trailer");
    ADD_FAILURE() << "a trailer of 1.1 MB was read";
  } catch (const ENetException& e) {
    EXPECT_EQ("The trailer of the response is too long.", e.Message);
  }

  PROCESS_MEMORY_COUNTERS_EX before{};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before), sizeof before);
  // A length past 18 digits is no length the client reads by.
  const char* paths[] = {"/length", "/chunked", "/close", "/2^62"};
  for (int mode = 0; mode < 4; ++mode) {
    try {
      http.Get(base + paths[mode]);
      ADD_FAILURE() << paths[mode];
    } catch (const ENetHTTPProtocolException& e) {
      EXPECT_EQ(500, e.ReplyErrorCode);
      EXPECT_EQ(mode < 3 ? 65536u : 0u, e.ErrorMessage.size()) << paths[mode];
      EXPECT_EQ(std::string::npos, e.ErrorMessage.find_first_not_of('e')) << paths[mode];
    }
    EXPECT_FALSE(http.IsOpen());
  }
  PROCESS_MEMORY_COUNTERS_EX after{};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after), sizeof after);
  std::printf("error bodies: peak working set %llu KB before, %llu KB after\n",
              static_cast<unsigned long long>(before.PeakWorkingSetSize / 1024),
              static_cast<unsigned long long>(after.PeakWorkingSetSize / 1024));
  // The client closed long before the server ran out: the rest stayed unread.
  for (int mode = 0; mode < 4; ++mode) EXPECT_LT(sent[mode].load(), Most) << paths[mode];
}

// A dropped body (here of a final redirect) gets four seconds in all, not
// four seconds a read: a server that trickles it on is left, also when it
// trickles a chunk-size line that never ends (connection 1).
TEST_F(HttpTest, DroppingABodyTakesItsTimeInAll) {
  std::atomic<int> left{0};
  TTestServer server([&](TTestPeer& P, int Index) {
    P.ReadLine();
    P.ReadHead();
    P.Send("HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\n" +
           std::string(Index == 0 ? "Content-Length: 1000000" : "Transfer-Encoding: chunked") + "\r\n\r\n");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    try {
      while (std::chrono::steady_clock::now() < until) {
        P.Send(Index == 0 ? "x" : "1");
        Sleep(Index == 0 ? 100 : 500);
      }
    } catch (const std::exception&) {
      ++left;
    }
  });
  TNetHTTP http(nullptr);
  for (int i = 0; i < 2; ++i) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("", http.Get("http://127.0.0.1:" + std::to_string(server.Port()) + "/"));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 8.0)
        << "more than the drop's 4 s and one read time-out: " << i;
    EXPECT_EQ(302, http.ResponseCode());
    EXPECT_FALSE(http.IsOpen());
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (left < 2 && std::chrono::steady_clock::now() < until) Sleep(10);
  EXPECT_EQ(2, left) << "the client read a trickle to its end";
}

}  // namespace
