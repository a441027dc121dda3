// Header lists, base64 against RFC 4648, Basic authentication and its
// registry, and cookies: parsing, expiry, which domains a host may set and
// which hosts get a cookie back.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "netlib/NetAuthentication.h"
#include "netlib/NetAuthenticationManager.h"
#include "netlib/NetCoderMIME.h"
#include "netlib/NetComponent.h"
#include "netlib/NetCookieManager.h"
#include "netlib/NetCookieText.h"
#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetHTTPHeaderInfo.h"
#include "netlib/NetHeaderList.h"

namespace {

class HeaderCookieTest : public testing::Test {
protected:
  void SetUp() override {
    NetComponent_Initialize();
    NetAuthentication_Initialize();
  }
  void TearDown() override {
    NetAuthentication_Finalize();
    NetComponent_Finalize();
  }
};

TEST_F(HeaderCookieTest, HeaderListFoldsUnfoldsAndFindsNamesIgnoringCase) {
  TNetHeaderList h;
  h.Add("Content-Type: text/html");
  h.Add("X-Folded: one,");
  h.Add("\ttwo");
  h.Add(" three");
  h.Add("Set-Cookie: a=1");
  h.Add("set-cookie: b=2");
  EXPECT_EQ(0, h.IndexOfName("content-type"));
  EXPECT_EQ("CONTENT-TYPE", h.Names(0));
  EXPECT_EQ("one, two three", h.Values("x-folded"));
  EXPECT_EQ(-1, h.IndexOfName("two"));
  TStringList cookies;
  h.ExtractValues("Set-Cookie", cookies);
  EXPECT_EQ("a=1\r\nb=2\r\n", cookies.Text());

  const std::string solid(200, 'x');
  h.SetValues("X-Solid", solid);
  EXPECT_EQ("X-Solid: " + solid, h[h.IndexOfName("X-Solid")]);
  EXPECT_EQ(h.IndexOfName("X-Solid") + 1, h.Count());   // one line only

  std::string words;
  for (int i = 0; i < 40; ++i) words += (i ? " " : "") + std::string("word") + std::to_string(i);
  h.SetValues("X-Folded", words + ", \"quoted text that must stay together even when long\"");
  const int at = h.IndexOfName("X-Folded");
  int lines = 1;
  while (at + lines < h.Count() && TNetHeaderList::IsContinuation(h[at + lines])) {
    EXPECT_EQ(' ', h[at + lines][0]);
    EXPECT_NE(' ', h[at + lines][1]);
    ++lines;
  }
  EXPECT_GT(lines, 3);
  for (int i = 0; i < lines; ++i) EXPECT_LE(h[at + i].size(), 78u) << h[at + i];
  EXPECT_EQ(words + ", \"quoted text that must stay together even when long\"", h.Values("X-Folded"));
  EXPECT_EQ(1, at);   // replaced in place, the old continuations gone
  h.SetValues("x-folded", "");
  EXPECT_EQ(-1, h.IndexOfName("X-Folded"));
  EXPECT_EQ("SET-COOKIE", h.Names(1));
}

DWORD WINAPI GreenwichZone(LPTIME_ZONE_INFORMATION Zone) {
  *Zone = {};
  return TIME_ZONE_ID_UNKNOWN;
}

// Every typed field is written back under its name; a request asks with
// If-Modified-Since and Range instead.
TEST_F(HeaderCookieTest, EntityHeadersWriteBackWhatTheyRead) {
  GetTimeZoneInformationProc = GreenwichZone;
  TNetResponseHeaderInfo written;
  written.LastModified = EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 37, 0);
  written.ContentRangeStart = 5;
  written.ContentRangeEnd = 9;
  written.SetHeaders();
  EXPECT_EQ("Sun, 06 Nov 1994 08:49:37 GMT", written.RawHeaders.Values("Last-Modified"));
  EXPECT_EQ("bytes 5-9/*", written.RawHeaders.Values("Content-Range"));
  TNetResponseHeaderInfo read;
  read.RawHeaders.Assign(&written.RawHeaders);
  read.ProcessHeaders();
  EXPECT_DOUBLE_EQ(written.LastModified, read.LastModified);
  EXPECT_EQ(5u, read.ContentRangeStart);
  EXPECT_EQ(9u, read.ContentRangeEnd);

  TNetRequestHeaderInfo request;
  request.LastModified = written.LastModified;
  request.ContentRangeStart = 5;
  request.SetHeaders();
  EXPECT_EQ("Sun, 06 Nov 1994 08:49:37 GMT", request.RawHeaders.Values("If-Modified-Since"));
  EXPECT_EQ("bytes=5-", request.RawHeaders.Values("Range"));
  EXPECT_EQ(-1, request.RawHeaders.IndexOfName("Last-Modified"));
  EXPECT_EQ(-1, request.RawHeaders.IndexOfName("Content-Range"));
  GetTimeZoneInformationProc = GetTimeZoneInformation;
}

TEST_F(HeaderCookieTest, Base64RFC4648VectorsAndErrors) {
  const std::pair<const char*, const char*> vectors[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                                                         {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
                                                         {"foobar", "Zm9vYmFy"}};
  for (const auto& [plain, coded] : vectors) {
    EXPECT_EQ(coded, TNetEncoderMIME::EncodeString(plain));
    EXPECT_EQ(plain, TNetDecoderMIME::DecodeText(coded));
  }
  const std::string binary("\xff\xfe\x00\x01", 4);
  EXPECT_EQ("//4AAQ==", TNetEncoderMIME::EncodeString(binary));
  EXPECT_EQ(binary, TNetDecoderMIME::DecodeText("//4AAQ=="));
  try {
    TNetDecoderMIME::DecodeText("Zm9vYg");
    ADD_FAILURE();
  } catch (const ENetException& e) {
    EXPECT_EQ("Uneven size in DecodeToStream.", e.Message);
  }
  EXPECT_THROW(TNetDecoderMIME::DecodeText("Zm9*"), ENetException);
  TNetEncoderMIME e(nullptr);
  TStringStream s("abcd");
  try {
    e.Encode(s, 4);
    ADD_FAILURE();
  } catch (const ENetException& x) {
    EXPECT_EQ("Uneven size in Encode.", x.Message);
  }
}

TEST_F(HeaderCookieTest, BasicAuthenticationAndTheRegistry) {
  TNetAuthenticationClass basic = FindAuthenticationMethod("bAsIc");
  ASSERT_TRUE(basic);
  auto a = basic.Create();
  a->SetChallenge("Basic realm=\"Vault\", charset=\"UTF-8\"");
  EXPECT_EQ("Vault", dynamic_cast<TNetBasicAuthentication&>(*a).Realm);
  EXPECT_EQ(TNetAuthWhatsNext::wnAskTheProgram, a->Next());
  a->SetUsername("Aladdin");
  a->SetPassword("open sesame");
  EXPECT_EQ(TNetAuthWhatsNext::wnDoRequest, a->Next());
  EXPECT_EQ("Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==", a->Authentication());   // RFC 7617
  a->SetPassword("");
  EXPECT_EQ("Basic QWxhZGRpbjo=", a->Authentication());
  a->SetPassword("  open sesame ");   // blanks are part of it
  EXPECT_EQ("  open sesame ", a->Password());
  EXPECT_EQ("Aladdin:  open sesame ", TNetDecoderMIME::DecodeText(a->Authentication().substr(6)));
  try {
    RegisterAuthenticationMethod("BASIC", AuthenticationClassOf<TNetBasicAuthentication>());
    ADD_FAILURE();
  } catch (const ENetAlreadyRegisteredAuthenticationMethod& e) {
    EXPECT_EQ("This authentication method is already registered with class name TNetBasicAuthentication.", e.Message);
  }
  EXPECT_FALSE(FindAuthenticationMethod("Digest"));

  TNetAuthenticationManager store(nullptr);
  a->SetPassword("pw");
  store.AddAuthentication(*a, "http://host/dir/doc");
  store.AddAuthentication(*a, "http://host/dir/doc");
  EXPECT_EQ(1, store.Authentications.Count());
  ASSERT_NE(nullptr, store.Find("http://host/dir/doc"));
  EXPECT_EQ("pw", store.Find("http://host/dir/doc")->Params.Values("Password"));
}

TEST_F(HeaderCookieTest, CookieTextParsesAndBuildsEveryKind) {
  TNetCookieRFC2965 c;
  c.SetCookieText(" id = a1b2 ; Path=\"/shop\"; DOMAIN=.example.com; secure; Max-Age=60; Version=\"1\"; "
                  "Comment=hi; CommentURL=\"http://x/\"; Discard; Port=\"80,8080\"; bogus");
  EXPECT_EQ("id", c.CookieName);
  EXPECT_EQ("a1b2", c.Value);
  EXPECT_EQ("/shop", c.Path);
  EXPECT_EQ(".example.com", c.Domain);
  EXPECT_TRUE(c.Secure);
  EXPECT_EQ(60, c.MaxAge);
  EXPECT_EQ("1", c.VersionText);
  EXPECT_TRUE(c.Discard);
  EXPECT_EQ("80,8080", c.PortList);
  EXPECT_EQ(2, c.Version());
  EXPECT_FALSE(c.Expired(Now()));                 // max-age gave it an expiry a minute ahead
  EXPECT_TRUE(c.Expired(Now() + 2.0 / 1440.0));
  TNetNetscapeCookie n;
  n.SetCookieText("k=v; path=/; expires=Sun, 06 Nov 1994 08:49:37 GMT; max-age=5");
  EXPECT_EQ("k=v; path=/; expires=Sun, 06 Nov 1994 08:49:37 GMT", n.CookieText());
  EXPECT_TRUE(n.Expired(Now()));
  EXPECT_EQ(0, n.Version());
}

TEST_F(HeaderCookieTest, DomainsMatchOnLabelBoundariesIgnoringCase) {
  EXPECT_TRUE(CookieDomainMatches("www.Example.com", "example.COM"));
  EXPECT_TRUE(CookieDomainMatches("www.example.com", ".example.com"));
  EXPECT_TRUE(CookieDomainMatches("example.com", ".example.com"));
  EXPECT_FALSE(CookieDomainMatches("www.example.com", "ample.com"));
  EXPECT_FALSE(CookieDomainMatches("example.com.evil.net", "example.com"));
  EXPECT_FALSE(CookieDomainMatches("10.0.0.1", "0.0.1"));
  EXPECT_TRUE(CookieDomainAllowed("a.example.com", ".example.com"));
  EXPECT_TRUE(CookieDomainAllowed("localhost", "localhost"));
  EXPECT_FALSE(CookieDomainAllowed("a.example.com", ".com"));
  EXPECT_FALSE(CookieDomainAllowed("a.example.com", "com"));
  EXPECT_FALSE(CookieDomainAllowed("a.example.com", "ample.com"));
  EXPECT_FALSE(CookieDomainAllowed("a.example.com", "other.org"));
  EXPECT_TRUE(CookieDomainAllowed("10.1.2.3", "10.1.2.3"));
  EXPECT_FALSE(CookieDomainAllowed("10.1.2.3", ".2.3"));
}

TEST_F(HeaderCookieTest, ManagerStoresSendsAndDropsCookies) {
  TNetCookieManager m(nullptr);
  int offered = 0;
  m.OnNewCookie = [&](TObject*, TNetNetscapeCookie* C, bool& Accept) {
    ++offered;
    if (C->CookieName == "vetoed") Accept = false;
  };
  EXPECT_TRUE(m.AddCookie("plain=1", "www.example.com"));   // stored under the host
  EXPECT_TRUE(m.AddCookie("shared=2; domain=.example.com; path=/", "www.example.com"));
  EXPECT_TRUE(m.AddCookie("deep=3; domain=.example.com; path=/a/b", "www.example.com"));
  EXPECT_TRUE(m.AddCookie("safe=4; domain=.example.com; secure", "www.example.com"));
  EXPECT_TRUE(m.AddCookie("old=5; domain=.example.com; expires=Sun, 06 Nov 1994 08:49:37 GMT", "www.example.com"));
  EXPECT_FALSE(m.AddCookie("tld=6; domain=.com", "www.example.com"));
  EXPECT_FALSE(m.AddCookie("other=7; domain=.other.org", "www.example.com"));
  EXPECT_FALSE(m.AddCookie("vetoed=8", "www.example.com"));
  EXPECT_FALSE(m.AddCookie("; path=/; secure", "www.example.com"));   // no name, not "path"
  EXPECT_TRUE(m.AddCookie2("two=9; Version=1; Port=\"80\"", "www.example.com"));
  EXPECT_EQ(7, offered);
  EXPECT_EQ(6, m.CookieCollection().Count());
  EXPECT_EQ("www.example.com", m.CookieCollection().FindCookie("plain", "www.example.com")->Domain);

  EXPECT_EQ("plain=1; shared=2; two=9", m.GenerateCookieList("www.example.com", "/", false));
  EXPECT_EQ(5, m.CookieCollection().Count());   // the expired one is gone
  EXPECT_EQ("deep=3; plain=1; safe=4; shared=2; two=9", m.GenerateCookieList("WWW.EXAMPLE.COM", "/a/b/c", true));
  EXPECT_EQ("shared=2", m.GenerateCookieList("shop.example.com", "/", false));   // a sibling host
  EXPECT_EQ("", m.GenerateCookieList("ample.com", "/", false));
  EXPECT_EQ("", m.GenerateCookieList("www.example.com.evil.net", "/", false));
  EXPECT_TRUE(m.AddCookie("gone=1; Max-Age=0", "www.example.com"));   // expires at once
  Sleep(20);
  EXPECT_EQ("plain=1; shared=2; two=9", m.GenerateCookieList("www.example.com", "/", false));

  EXPECT_TRUE(m.AddCookie("plain=changed", "www.example.com"));   // replaces the old one
  EXPECT_EQ(5, m.CookieCollection().Count());
  EXPECT_EQ("changed", m.CookieCollection().FindCookie("plain", "www.example.com")->Value);
  EXPECT_THROW(m.CookieCollection().Cookie(99), ENetException);
  ASSERT_EQ("shared", m.CookieCollection().Cookie(0)->CookieName);
  delete m.CookieCollection().Cookie(0);   // freeing a cookie takes it out of its domain's list
  EXPECT_EQ(4, m.CookieCollection().Count());
  EXPECT_EQ("plain=changed; two=9", m.GenerateCookieList("www.example.com", "/", false));
}

// A server may set any number of cookies: the store keeps 50 a domain and
// 3000 in all, the oldest (by when they were last set) making room.
TEST_F(HeaderCookieTest, TheStoreKeepsTheNewestCookiesWithinItsLimits) {
  TNetCookieManager m(nullptr);
  auto sent = [&](const std::string& Host) {
    const std::string list = m.GenerateCookieList(Host, "/", false);
    std::vector<std::string> names;
    for (size_t start = 0; start < list.size();) {
      const size_t end = std::min(list.find("; ", start), list.size());
      names.push_back(list.substr(start, end - start));
      start = end + 2;
    }
    return names;
  };
  auto has = [](const std::vector<std::string>& Names, const std::string& Cookie) {
    return std::find(Names.begin(), Names.end(), Cookie) != Names.end();
  };
  for (int i = 0; i < 60; ++i) EXPECT_TRUE(m.AddCookie("c" + std::to_string(i) + "=v", "one.example"));
  EXPECT_TRUE(m.AddCookie("c20=again", "one.example"));   // set again: the newest now
  EXPECT_TRUE(m.AddCookie("c60=v", "one.example"));
  std::vector<std::string> one = sent("one.example");
  EXPECT_EQ(50u, one.size());
  EXPECT_FALSE(has(one, "c9=v"));
  EXPECT_FALSE(has(one, "c10=v"));
  EXPECT_TRUE(has(one, "c11=v"));
  EXPECT_TRUE(has(one, "c20=again"));
  EXPECT_TRUE(has(one, "c60=v"));

  for (int d = 0; d < 60; ++d)
    for (int i = 0; i < 50; ++i)
      m.AddCookie("k" + std::to_string(i) + "=" + std::to_string(d), "d" + std::to_string(d) + ".example");
  EXPECT_EQ(3000, m.CookieCollection().Count());
  EXPECT_TRUE(sent("one.example").empty());   // the oldest 50 were these
  EXPECT_EQ(50u, sent("d0.example").size());
  EXPECT_TRUE(has(sent("d59.example"), "k49=59"));
}

// Two clients sharing a manager: cookies come, are replaced and expire on
// both threads while both build headers.
TEST_F(HeaderCookieTest, ManagerSharedByTwoThreads) {
  TNetCookieManager m(nullptr);
  auto client = [&m](const std::string& Host) {
    for (int i = 0; i < 3000; ++i) {
      m.AddCookie("n" + std::to_string(i % 7) + "=" + std::to_string(i), Host);
      m.AddCookie("once" + std::to_string(i) + "=1; Max-Age=0", Host);
      m.GenerateCookieList(Host, "/", false);
    }
  };
  std::thread other(client, "a.example.com");
  client("b.example.com");
  other.join();
  Sleep(20);
  m.CleanupCookieList();
  TNetCookies& all = m.CookieCollection();
  EXPECT_EQ(14, all.Count());
  for (const char* host : {"a.example.com", "b.example.com"})
    for (int n = 0; n < 7; ++n) EXPECT_NE(nullptr, all.FindCookie("n" + std::to_string(n), host)) << host << n;
}

}  // namespace
