// Shared helpers: ticks, time zones and Internet dates, text and path
// helpers, URLs, the read-only memory stream, component events and the
// anti-freeze hook.
#include <gtest/gtest.h>

#include "NetTestKit.h"
#include "classlib/Threads.h"
#include "netlib/NetAntiFreezeBase.h"
#include "netlib/NetCookieText.h"
#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetSocketHandle.h"
#include "netlib/NetURI.h"

namespace ws = WinSock2;

namespace {

TEST(TicksTest, MillisecondsAcrossWrapAndFromTheCounter) {
  EXPECT_EQ(11u, TicksBetween(4294967290u, 5));
  EXPECT_EQ(1234u, TicksFromCounter(12345678, 10000000)) << "1.2345678 s";
  EXPECT_EQ(999u, TicksFromCounter(3579544, 3579545));
  // Ten years of a 10 MHz counter: exact, no overflow, then cut to 32 bits.
  const int64_t tenYears = 315360000LL * 10000000LL + 5678;
  EXPECT_EQ(static_cast<uint32_t>(315360000000LL), TicksFromCounter(tenYears, 10000000));
  const uint32_t t0 = TickCount();
  Sleep(60);
  const uint32_t d = TicksBetween(t0, TickCount());
  EXPECT_GE(d, 50u);
  EXPECT_LT(d, 900u) << "milliseconds, not whole seconds";
}

// A time zone the fake reports: state and the three biases (minutes).
DWORD ZoneState;
LONG ZoneBias, ZoneStandardBias, ZoneDaylightBias;
DWORD WINAPI FakeZone(LPTIME_ZONE_INFORMATION Z) {
  Z->Bias = ZoneBias;
  Z->StandardBias = ZoneStandardBias;
  Z->DaylightBias = ZoneDaylightBias;
  return ZoneState;
}

class TimeZoneTest : public testing::Test {
protected:
  void TearDown() override { GetTimeZoneInformationProc = GetTimeZoneInformation; }
  void Zone(DWORD State, LONG Bias, LONG Standard = 0, LONG Daylight = 0) {
    ZoneState = State;
    ZoneBias = Bias;
    ZoneStandardBias = Standard;
    ZoneDaylightBias = Daylight;
    GetTimeZoneInformationProc = FakeZone;
  }
  static int Minutes(TDateTime Offset) { return static_cast<int>(Offset * 1440.0 + (Offset < 0 ? -0.5 : 0.5)); }
};

TEST_F(TimeZoneTest, OffsetFromTheBiasInEveryState) {
  Zone(TIME_ZONE_ID_UNKNOWN, -60);   // no daylight saving: the bias alone
  EXPECT_EQ(60, Minutes(LocalUtcOffset()));
  Zone(TIME_ZONE_ID_STANDARD, 300, 0, -60);
  EXPECT_EQ(-300, Minutes(LocalUtcOffset()));
  Zone(TIME_ZONE_ID_DAYLIGHT, 300, 0, -60);
  EXPECT_EQ(-240, Minutes(LocalUtcOffset()));
  Zone(TIME_ZONE_ID_STANDARD, -330, 15);
  EXPECT_EQ(315, Minutes(LocalUtcOffset()));
  Zone(TIME_ZONE_ID_INVALID, 0);
  try {
    LocalUtcOffset();
    ADD_FAILURE();
  } catch (const ENetFailedToRetreiveTimeZoneInfo& e) {
    EXPECT_EQ("Failed attempting to retrieve time zone information.", e.Message);
  }
  GetTimeZoneInformationProc = GetTimeZoneInformation;
  EXPECT_NO_THROW(LocalUtcOffset()) << "this machine's zone, whatever its state";
}

TEST_F(TimeZoneTest, DateTexts) {
  const TDateTime t = EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 37, 0);
  Zone(TIME_ZONE_ID_UNKNOWN, -60);
  EXPECT_EQ("Sun, 6 Nov 1994 08:49:37 +0100", LocalDateText(t));
  EXPECT_EQ("Sun, 06 Nov 1994 08:49:37 GMT", GMTDateText(t));
  EXPECT_EQ("Sat, 01 Jan 2000 00:00:00 GMT", GMTDateText(EncodeDate(2000, 1, 1)));
  EXPECT_EQ("+0100", ZoneText(1.0 / 24));
  EXPECT_EQ("-0530", ZoneText(-5.5 / 24));
  EXPECT_EQ("GMT", ZoneText(0, true));
  EXPECT_EQ("+0000", ZoneText(0));
  EXPECT_EQ(120, Minutes(ZoneTextToOffset(" +0200 ")));
  EXPECT_EQ(-90, Minutes(ZoneTextToOffset("-0130")));
  for (const char* none : {"GMT", "+02", "0200", "+02x0", ""}) EXPECT_EQ(0, ZoneTextToOffset(none)) << none;

  // The three Internet forms; what was read leaves the text.
  for (std::string text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                           "Sun Nov  6 08:49:37 1994 GMT", "6 November 1994 08:49:37 GMT"}) {
    SCOPED_TRACE(text);
    EXPECT_DOUBLE_EQ(t, ParseDateText(text));
    EXPECT_EQ(" GMT", text);
  }
  std::string y2k = "Mon, 01-Jan-01";
  EXPECT_DOUBLE_EQ(EncodeDate(2001, 1, 1), ParseDateText(y2k));
  EXPECT_EQ("", y2k);
  std::string bad = "not a date";
  EXPECT_EQ(0, ParseDateText(bad));
  EXPECT_EQ("not a date", bad);
  std::string feb30 = "30 Feb 2001";
  EXPECT_EQ(0, ParseDateText(feb30));
  // Into local time (+01:00 here): the text's zone off, ours on.
  EXPECT_NEAR(t - 1.0 / 24, DateTextToGMT("Sun, 06 Nov 1994 08:49:37 +0200"), 1e-9);
  EXPECT_NEAR(t + 1.0 / 24, DateTextToGMT("Sun, 06 Nov 1994 08:49:37 GMT"), 1e-9);
}

// The temporary folder is read when the unit starts.
class NetTextTest : public TNetUnitsTest {};

TEST_F(NetTextTest, Helpers) {
  std::string s = "a=b=c";
  EXPECT_EQ("a", CutAtDelimiter(s, "="));
  EXPECT_EQ("b=c", s);
  EXPECT_EQ("b=c", CutAtDelimiter(s, ";"));
  EXPECT_EQ("", s);
  s = "keyXXvalue";
  EXPECT_EQ("key", CutAtDelimiter(s, "xx", false, false));
  EXPECT_EQ("keyXXvalue", s);
  EXPECT_EQ(7, LastPosOf("/", "/a/b/c/d"));
  EXPECT_EQ(5, LastPosOf("/", "/a/b/c/d", 6));
  EXPECT_EQ(3, LastPosOf("AB", "xxabx", 4));
  EXPECT_EQ(0, LastPosOf("AB", "xxabx", 3));
  EXPECT_EQ(0, LastPosOf("", "abc"));
  EXPECT_EQ("cd", RightPart("abcd", 2));
  EXPECT_EQ("abcd", RightPart("abcd", 9));
  EXPECT_EQ("abcd", RightPart("abcd", -1));
  EXPECT_EQ(3, SmallerOf(3, 4));
  const char mem[] = "GET / HTTP\r\n\r\nbody";
  EXPECT_EQ(11, FindInMemory("\r\n\r\n", mem, sizeof mem - 1));
  EXPECT_EQ(0, FindInMemory("\r\n\r\n", mem, 13));
  EXPECT_EQ(0, FindInMemory("", mem, 5));
  EXPECT_EQ(1, IndexInList("b", {"a", "b"}));
  EXPECT_EQ(-1, IndexInList("B", {"a", "b"}));
  EXPECT_EQ(1, IndexInList("B", {"a", "b"}, false));
  EXPECT_EQ(1, DayNameIndex("sun"));
  EXPECT_EQ(7, DayNameIndex("SAT"));
  EXPECT_EQ(0, DayNameIndex("Sunday"));
  EXPECT_EQ(12, MonthIndex("dec"));
  EXPECT_EQ(0, MonthIndex("xyz"));
  EXPECT_TRUE(IsDottedQuad(" 10.0.0.1 "));
  EXPECT_FALSE(IsDottedQuad("10.0.1"));
  EXPECT_FALSE(IsDottedQuad("10.0.0.256"));
  EXPECT_FALSE(IsDottedQuad("10.0.0.+1"));
  EXPECT_TRUE(LooksLikeHostName("www.example.com"));
  EXPECT_FALSE(LooksLikeHostName(".example.com"));
  EXPECT_FALSE(LooksLikeHostName("1.2.3.4"));
  EXPECT_EQ(".example.com", DomainPart("www.example.com"));
  EXPECT_EQ("", DomainPart("localhost"));
  EXPECT_EQ("/a/c/d.html", ResolvePath("/a/b/", "../c/./d.html"));
  EXPECT_EQ("/a/b/c/", ResolvePath("/a/b/index.html", "c/"));
  EXPECT_EQ("/x/y", ResolvePath("/a/b/", "/x/../x/y"));
  EXPECT_EQ("/", ResolvePath("/a/", "../../.."));
  ASSERT_FALSE(TempPath().empty());
  EXPECT_EQ('\\', TempPath().back());
}

TEST(NetURITest, SplitAndBuild) {
  TNetURI u("http://user:pw@www.example.com:8080/dir/sub/page.html?a=1&b=2#part");
  EXPECT_EQ("http", u.Protocol);
  EXPECT_EQ("user", u.Username);
  EXPECT_EQ("pw", u.Password);
  EXPECT_EQ("www.example.com", u.Host);
  EXPECT_EQ("8080", u.Port);
  EXPECT_EQ("/dir/sub/", u.Path);
  EXPECT_EQ("page.html", u.Document);
  EXPECT_EQ("?a=1&b=2", u.Params);
  EXPECT_EQ("part", u.Bookmark);
  EXPECT_EQ("http://user:pw@www.example.com:8080/dir/sub/page.html?a=1&b=2#part", u.URI());
  EXPECT_EQ("http://www.example.com:8080/dir/sub/page.html?a=1&b=2", u.BuildURL(false, false));

  TNetURI win("http:\\\\host\\a\\b.txt");
  EXPECT_EQ("host", win.Host);
  EXPECT_EQ("/a/", win.Path);
  EXPECT_EQ("b.txt", win.Document);
  TNetURI bare("http://host");
  EXPECT_EQ("/", bare.Path);
  EXPECT_EQ("http://host/", bare.URI());
  // The host ends at a query or a bookmark too; a password may hold "@".
  auto parts = [](const TNetURI& U) {
    return U.Username + "|" + U.Password + "|" + U.Host + "|" + U.Port + "|" + U.Params + "|" + U.Bookmark;
  };
  EXPECT_EQ("||host||?x=1|", parts(TNetURI("http://host?x=1")));
  EXPECT_EQ("||host|||f", parts(TNetURI("http://host#f")));
  EXPECT_EQ("user|p@ss|host|81||", parts(TNetURI("http://user:p@ss@host:81/")));
  TNetURI relative("/docs/index.html#top");
  EXPECT_EQ("", relative.Host);
  EXPECT_EQ("/docs/", relative.Path);
  EXPECT_EQ("index.html", relative.Document);
  EXPECT_EQ("top", relative.Bookmark);
  try {
    relative.BuildURL();
    ADD_FAILURE();
  } catch (const ENetURIException& e) {
    EXPECT_EQ("Protocol field is empty", e.Message);
  }
  relative.Protocol = "http";
  try {
    relative.BuildURL();
    ADD_FAILURE();
  } catch (const ENetURIException& e) {
    EXPECT_EQ("Host field is empty", e.Message);
  }
}

TEST(NetReadMemoryStreamTest, ReadsTheCallersMemoryOnly) {
  const char data[] = "0123456789";
  TNetReadMemoryStream s(data, 10);
  char buf[8] = {};
  EXPECT_EQ(4, s.Read(buf, 4));
  EXPECT_EQ("0123", std::string(buf, 4));
  EXPECT_EQ(0, s.Write("xx", 2));
  s.Seek(-3, TSeekOrigin::soEnd);
  EXPECT_EQ(3, s.Read(buf, 8));
  EXPECT_EQ("789", std::string(buf, 3));
  EXPECT_EQ(0, s.Read(buf, 8));
  EXPECT_EQ(10, s.Size());
}

class NetEventsTest : public TNetUnitsTest {};

TEST_F(NetEventsTest, StatusTextsAndOutermostWork) {
  TNetComponent c(nullptr);
  std::vector<std::string> log;
  c.OnStatus = [&](TObject* Sender, TNetStatus, const std::string& Text) {
    EXPECT_EQ(&c, Sender);
    log.push_back(Text);
  };
  c.FireStatus(TNetStatus::nsResolving, {"example.com"});
  c.FireStatus(TNetStatus::nsConnected);
  c.FireStatus(TNetStatus::nsConnecting);
  c.FireStatus(TNetStatus::nsStatusText, {"50%"});
  EXPECT_EQ((std::vector<std::string>{"Resolving hostname example.com.", "Connected.", "Connecting to .", "50%"}), log);

  log.clear();
  c.OnWorkBegin = [&](TObject*, TWorkMode M, int Max) { log.push_back("begin " + std::to_string(int(M)) + " " + std::to_string(Max)); };
  c.OnWork = [&](TObject*, TWorkMode, int Count) { log.push_back("work " + std::to_string(Count)); };
  c.OnWorkEnd = [&](TObject*, TWorkMode) { log.push_back("end"); };
  c.WorkProgress(TWorkMode::wmRead, 5);   // nothing begun: nothing reported
  c.WorkStart(TWorkMode::wmRead, 100);
  c.WorkProgress(TWorkMode::wmRead, 10);
  c.WorkStart(TWorkMode::wmRead, 50);
  c.WorkProgress(TWorkMode::wmRead, 20);
  c.WorkFinish(TWorkMode::wmRead);
  c.WorkFinish(TWorkMode::wmRead);
  c.WorkFinish(TWorkMode::wmRead);
  EXPECT_EQ((std::vector<std::string>{"begin 0 100", "work 10", "work 30", "end"}), log);
}

class TCountingAntiFreeze : public TNetAntiFreezeBase {
public:
  using TNetAntiFreezeBase::TNetAntiFreezeBase;
  void YieldToApplication() override { ++Yields; }
  int Yields = 0;
};

std::vector<long> Waits;
ws::T_select RealSelect = nullptr;
int WINAPI RecordingSelect(int N, ws::TFDSet* R, ws::TFDSet* W, ws::TFDSet* E, const ws::TTimeVal* T) {
  Waits.push_back(T ? T->Sec * 1000 + T->USec / 1000 : -1);
  return RealSelect(N, R, W, E, T);
}

TEST_F(NetEventsTest, AntiFreezeSlicesWaitsOnTheMainThread) {
  Threads_Initialize();
  {
    TCountingAntiFreeze freeze(nullptr);
    try {
      TCountingAntiFreeze second(nullptr);
      ADD_FAILURE();
    } catch (const ENetException& e) {
      EXPECT_EQ("Only one TNetAntiFreeze can exist per application.", e.Message);
    }
    EXPECT_EQ(&freeze, AntiFreezeInstance);
    freeze.IdleTimeOut = 40;
    TNetComponent c(nullptr);
    TNetSocketHandle h;
    h.OpenSocket(ws::sockDgram, ws::ipprotoUdp);
    h.IP = "127.0.0.1";
    h.Bind();
    ws::BindEntry(ws::entry_select);
    RealSelect = ws::select;
    TCellSwap<ws::T_select> recording(ws::select, RecordingSelect);
    Waits.clear();
    EXPECT_FALSE(h.WaitReadable(100));
    EXPECT_EQ((std::vector<long>{60, 40}), Waits) << "the time-out less one slice, then the slice";
    EXPECT_EQ(2, freeze.Yields);
    freeze.Active = false;
    Waits.clear();
    EXPECT_FALSE(h.WaitReadable(100));
    EXPECT_EQ((std::vector<long>{100}), Waits);
    EXPECT_EQ(2, freeze.Yields);
  }
  EXPECT_EQ(nullptr, AntiFreezeInstance);
  Threads_Finalize();
}

}  // namespace
