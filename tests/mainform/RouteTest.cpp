// The traceroute: probe series over a scripted echo client, the worker's
// attempts and the hand-over, the layout of merged hops, the failure
// without raw-socket rights, arcs drawn between hop places, and a live
// trace to loopback as root.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <fstream>

#include "../netlib/NetTestKit.h"
#include "GLTestWindow.h"
#include "MainFormFixture.h"
#include "netlib/NetException.h"
#include "scene3d/GLContext.h"
#include "scene3d/Platform/GLWin32Context.h"
#include "viewer/TraceRt.h"
#include "viewer/components/WorkerThread.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRoute.h"
#include "viewer/NsMainSettings.h"

namespace ws = WinSock2;

namespace {

// One reply of a scripted probe; Raise makes SendEcho (or SetTTL) fail.
struct TStep {
  TReplyKind Kind;
  std::string From;
  bool Raise = false;
};
TStep Ttl(const std::string& From) { return {TReplyKind::rkTtlExceeded, From}; }
TStep Echo(const std::string& From) { return {TReplyKind::rkEcho, From}; }
TStep TimedOut() { return {TReplyKind::rkTimeOut, "0.0.0.0"}; }

// What the probes of a trace answer: one list of steps per probe made (one
// per attempt), and what the trace asked of them.
struct TProbeScript {
  std::deque<std::vector<TStep>> Attempts;
  bool SetTtlRaises = false;
  int Made = 0;
  std::vector<std::string> Hosts;
  std::vector<int> TTLs, Timeouts;
};

class TScriptedProbe : public TNetEchoProbe {
public:
  explicit TScriptedProbe(std::shared_ptr<TProbeScript> S) : FScript(std::move(S)) {
    ++FScript->Made;
    if (!FScript->Attempts.empty()) {
      FSteps = FScript->Attempts.front();
      FScript->Attempts.pop_front();
    }
  }
  void SetHost(const std::string& H) override { FScript->Hosts.push_back(H); }
  void SetReceiveTimeout(int Ms) override { FScript->Timeouts.push_back(Ms); }
  void SetTTL(int V) override {
    if (FScript->SetTtlRaises) throw ENetInvalidSocket("Invalid socket");
    FScript->TTLs.push_back(V);
  }
  void SendEcho(const std::string&, uint16_t) override {
    if (FNext >= FSteps.size()) {
      FStatus = TReplyStatus();   // nothing scripted: a time-out
      return;
    }
    const TStep& s = FSteps[FNext++];
    if (s.Raise) throw ENetException("probe failed");
    FStatus = TReplyStatus();
    FStatus.Kind = s.Kind;
    FStatus.FromAddress = s.From;
  }
  const TReplyStatus& ReplyStatus() const override { return FStatus; }

private:
  std::shared_ptr<TProbeScript> FScript;
  std::vector<TStep> FSteps;
  size_t FNext = 0;
  TReplyStatus FStatus;
};

std::function<std::unique_ptr<TNetEchoProbe>()> ProbesOf(std::shared_ptr<TProbeScript> S) {
  return [S] { return std::make_unique<TScriptedProbe>(S); };
}

std::vector<std::string> TraceOf(std::shared_ptr<TProbeScript> S, int MaxHops = 40) {
  TTraceRoute t;
  t.MaxHops = MaxHops;
  t.NewProbe = ProbesOf(S);
  TStringList results;
  results.Add("left over");
  t.Trace("93.184.216.34", results);
  EXPECT_EQ(t.Icmp, nullptr) << "the client lives only as long as the trace";
  return Lines(results);
}

using TLines = std::vector<std::string>;

TEST(TraceRouteTest, ProbesRiseUntilTheTargetAnswersAndPrivateHopsAreLeftOut) {
  auto s = std::make_shared<TProbeScript>();
  s->Attempts.push_back({Ttl("192.168.0.1"), Ttl("10.1.2.3"), Ttl("127.0.0.1"), Ttl("172.16.0.9"),
                         Ttl("172.31.255.255"), Ttl("169.254.3.3"), Ttl("172.15.255.255"), Ttl("172.32.0.1"),
                         Ttl("127.0.0.2"), Ttl("11.0.0.1"), Echo("93.184.216.34")});
  EXPECT_EQ(TraceOf(s), (TLines{"172.15.255.255", "172.32.0.1", "127.0.0.2", "11.0.0.1", "93.184.216.34"}));
  EXPECT_EQ(s->TTLs, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(s->Timeouts, std::vector<int>(11, 5000));
  EXPECT_EQ(s->Hosts, TLines{"93.184.216.34"});
  EXPECT_EQ(s->Made, 1);
}

TEST(TraceRouteTest, TimeOutUnreachableFailureAndTheHopLimitEndTheSeries) {
  auto s = std::make_shared<TProbeScript>();
  s->Attempts.push_back({Ttl("81.2.69.1"), TimedOut(), Ttl("62.40.1.1")});
  EXPECT_EQ(TraceOf(s), (TLines{"81.2.69.1", "0.0.0.0"}));
  s->Attempts.push_back({Ttl("81.2.69.1"), {TReplyKind::rkUnreachable, "62.40.1.1"}, Echo("1.1.1.1")});
  EXPECT_EQ(TraceOf(s), (TLines{"81.2.69.1", "62.40.1.1"}));
  s->Attempts.push_back({Ttl("81.2.69.1"), {TReplyKind::rkError, "0.0.0.0"}});
  EXPECT_EQ(TraceOf(s), (TLines{"81.2.69.1", "0.0.0.0"}));
  s->Attempts.push_back({Ttl("81.2.69.1"), {TReplyKind::rkEcho, "", true}});
  EXPECT_EQ(TraceOf(s), (TLines{"81.2.69.1", TraceErrorLine}));
  // Nothing but routers: time-to-live 1 .. MaxHops - 1, then the limit line.
  s->TTLs.clear();
  s->Attempts.push_back({Ttl("2.0.0.1"), Ttl("2.0.0.2"), Ttl("2.0.0.3"), Ttl("2.0.0.4"), Ttl("2.0.0.5")});
  EXPECT_EQ(TraceOf(s, 5), (TLines{"2.0.0.1", "2.0.0.2", "2.0.0.3", "2.0.0.4", TraceMaxHopsLine}));
  EXPECT_EQ(s->TTLs, (std::vector<int>{1, 2, 3, 4}));
}

class TraceRouteClientTest : public TNetUnitsTest {};

ws::TSocket WINAPI RefusedSocket(int, int, int) { return ws::InvalidSocket; }
int WINAPI AccessDenied() { return ws::wsaEAccess; }

TEST_F(TraceRouteClientTest, WithoutRawSocketRightsTheErrorPassesToTheCallerAndTheClientIsFreed) {
  TCellSwap<ws::T_socket> socket(ws::socket, RefusedSocket);
  TCellSwap<ws::T_WSAGetLastError> error(ws::WSAGetLastError, AccessDenied);
  TTraceRoute t;
  TStringList results;
  EXPECT_THROW(t.Trace("127.0.0.2", results), ENetException);
  EXPECT_EQ(t.Icmp, nullptr);
  EXPECT_EQ(results.Count(), 0);
}

bool RootTests() {
  std::ifstream f("uid.txt");
  int uid = -1;
  return (f >> uid) && uid == 0;
}

TEST_F(TraceRouteClientTest, LiveLoopbackTargetAnswersTheFirstProbe) {
  if (!RootTests()) GTEST_SKIP() << "skipped: raw ICMP sockets need root";
  TTraceRoute t;
  t.Timeout = 2000;
  TStringList results;
  t.Trace("127.0.0.2", results);
  EXPECT_EQ(Lines(results), TLines{"127.0.0.2"});
  EXPECT_EQ(t.Hop, 1);
}

// ---- The main window's trace ----

const char* const Places =
    "1.0.0.0,1.255.255.255,AU,Sydney,-33.87,151.21\n"
    "2.0.0.0,2.0.0.255,FR,Paris,48.85,2.35\n"
    "2.0.1.0,2.0.1.255,FR,Paname,48.85,2.35\n"
    "3.0.0.0,3.0.255.255,US,New York,40.71,-74.01\n"
    "5.0.0.0,5.255.255.255,,,,\n"
    "81.0.0.0,81.255.255.255,GB,London,51.5,-0.12\n";

class Route : public MainFormTest {
protected:
  std::unique_ptr<TRecordingForm> Form;
  std::shared_ptr<TProbeScript> Script = std::make_shared<TProbeScript>();
  void SetUp() override {
    MainFormTest::SetUp();
    CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
    WriteLocationFixture(Dir + "\\data", Places);
    Form = std::make_unique<TRecordingForm>(nullptr);
    Form->LocationDatabase.Load(Dir + "\\data");
    Form->NewTraceProbe = ProbesOf(Script);
    GlobeState.HomeLongitude = -0.12f;
    GlobeState.HomeLatitude = 51.5f;
    Application->OnException = [this](TObject*, Exception& E) { Form->Errors.push_back(E.Message); };
  }
  void TearDown() override {
    Form.reset();
    MainFormTest::TearDown();
  }
  // Traces Target as the popup's item would, and waits for the hand-over.
  void TraceTo(const std::string& Target) {
    TMenuItem item(nullptr);
    item.Caption = Target;
    Form->Timer->SetEnabled(true);
    Form->rou1Click(&item);
    EXPECT_FALSE(Form->Timer->Enabled()) << "no poll while the trace runs";
    EXPECT_EQ(PollState.StartupText, "Resolving route to " + Target + "\n\r");
    EXPECT_EQ(PollState.StartupTextOffset, 19);
    ASSERT_TRUE(PumpUntil([&] { return !Form->WorkerThread1->Running(); }, 20000));
    EXPECT_TRUE(RouteState.RouteIdle);
  }
};

TEST_F(Route, MergedHopsAreNumberedLabelledAndPlaced) {
  Script->Attempts.push_back({Ttl("192.168.1.1"), Ttl("81.2.69.1"), Ttl("2.0.0.7"), Ttl("2.0.1.3"),
                              Ttl("2.0.0.9"), Ttl("5.5.5.5"), Ttl("2.0.1.4"), Echo("1.1.1.1")});
  const auto fr = std::find(CountryCodes.begin(), CountryCodes.end(), std::string("FR"));
  Settings.RogueCountries = std::string(1, static_cast<char>(fr - CountryCodes.begin() + 1));
  TraceTo("1.1.1.1");
  EXPECT_EQ(Script->Made, 1) << "a complete route ends the attempts";
  EXPECT_EQ(Lines(Form->RouteHops),
            (TLines{"0   81.2.69.1", "1   2.0.0.7\r\n 3   2.0.0.9", " 2   2.0.1.3\r\n 5   2.0.1.4", "", "5.5.5.5", "",
                    "6   1.1.1.1"}));
  EXPECT_EQ(Lines(Form->RouteLabels),
            (TLines{"London, GB", "Paris, FR", "Paname, FR", " ", "", " ", "Sydney, AU"}));
  EXPECT_EQ(PollState.StartupText, "Traceroute completed.\n\r");
  EXPECT_TRUE(RouteState.RouteVisible);
  EXPECT_TRUE(Form->Timer->Enabled()) << "automatic refresh is on again";
  ASSERT_EQ(Form->Hops.size(), 7u);
  EXPECT_FALSE(Form->Hops[4].Located);
  EXPECT_EQ(Form->Hops[4].Point, (TAffineVector{0, 0, 0}));
  const TAffineVector london = GlobePoint(-0.12f, 51.5f, 0.5205f);
  EXPECT_EQ(Form->Hops[0].Point, london);
  EXPECT_NEAR(Form->Hops[0].Shadow[1], london[1] / 0.5205f * 0.5005f, 1e-7);
  EXPECT_EQ(Form->Hops[0].Ring, (TVector{Settings.Color2Rgb[0], Settings.Color2Rgb[1], Settings.Color2Rgb[2], 0}));
  EXPECT_EQ(Form->Hops[1].Ring[3], 0.5f) << "France is a rogue country here";
  EXPECT_FLOAT_EQ(RouteState.HopLatitudes[6], -33.87f);
  EXPECT_FLOAT_EQ(RouteState.HopLongitudes[6], 151.21f);
  EXPECT_TRUE(Form->Errors.empty());

  TMenuItem clear(nullptr);
  clear.Caption = "Clear Route";
  Form->rou1Click(&clear);
  EXPECT_EQ(Form->RouteHops.Count() + Form->RouteLabels.Count(), 0);
  EXPECT_TRUE(Form->Hops.empty());
  EXPECT_FALSE(RouteState.RouteVisible);
}

TEST_F(Route, ATargetThatNeverAnswersGetsFiveAttemptsAndTheLongestListWins) {
  std::vector<TStep> longest;
  for (int i = 1; i <= 12; ++i) longest.push_back(Ttl("3.0.0." + IntToStr(i * 20)));
  longest.push_back(TimedOut());
  Script->Attempts.push_back({Ttl("81.2.69.1"), TimedOut()});
  Script->Attempts.push_back(longest);
  Script->Attempts.push_back({Ttl("81.2.69.1"), Ttl("2.0.0.1"), TimedOut()});
  Script->Attempts.push_back({Ttl("81.2.69.1"), {TReplyKind::rkEcho, "", true}});
  Script->Attempts.push_back({TimedOut()});
  TraceTo("1.1.1.1");
  EXPECT_EQ(Script->Made, 5);
  EXPECT_EQ(Script->Timeouts.front(), 2000);
  ASSERT_EQ(Form->RouteHops.Count(), 13);
  EXPECT_EQ(Form->RouteHops[0], "0   3.0.0.20\r\n 1   3.0.0.40\r\n 2   3.0.0.60\r\n 3   3.0.0.80\r\n 4   3.0.0.100"
                                "\r\n 5   3.0.0.120\r\n 6   3.0.0.140\r\n 7   3.0.0.160\r\n 8   3.0.0.180"
                                "\r\n 9   3.0.0.200\r\n 10  3.0.0.220\r\n 11  3.0.0.240");
  EXPECT_EQ(Form->RouteHops[12], "12  1.1.1.1") << "the time-out line gives way to the target";
  EXPECT_EQ(PollState.StartupText, "Traceroute completed.\n\r");
}

TEST_F(Route, TwoLinesAreLaidOutAndThenReportedAsFailed) {
  Script->Attempts.push_back({Ttl("81.2.69.1"), Echo("1.1.1.1")});
  TraceTo("1.1.1.1");
  EXPECT_EQ(Script->Made, 1);
  EXPECT_EQ(Lines(Form->RouteHops), (TLines{"0   81.2.69.1", "1   1.1.1.1"}));
  EXPECT_EQ(PollState.StartupText, "Traceroute failed.\n\r");
}

TEST_F(Route, WithoutRawSocketRightsTheTraceFailsOnTheWorkerAndTheProgramLives) {
  Form->NewTraceProbe = nullptr;   // the real client
  NetComponent_Initialize();
  {
    TCellSwap<ws::T_socket> socket(ws::socket, RefusedSocket);
    TCellSwap<ws::T_WSAGetLastError> error(ws::WSAGetLastError, AccessDenied);
    TraceTo("1.1.1.1");
  }
  EXPECT_EQ(PollState.StartupText, "Traceroute failed.\n\r");
  EXPECT_TRUE(Form->Errors.empty()) << Form->Errors.front();
  EXPECT_EQ(Form->RouteHops.Count(), 0);
  // a scripted trace after it runs as ever
  Form->NewTraceProbe = ProbesOf(Script);
  Script->SetTtlRaises = true;
  TraceTo("1.1.1.1");
  EXPECT_EQ(Script->Made, 1) << "no attempt after the client could not be set up";
  EXPECT_EQ(PollState.StartupText, "Traceroute failed.\n\r");
  EXPECT_TRUE(Form->Errors.empty());
  NetComponent_Finalize();
}

TEST(RouteArcs, FourDegreeStepsFromTheEndHopBackAndFromHomeAcrossTheDateLine) {
  RouteState.HopLongitudes[1] = 170;
  RouteState.HopLatitudes[1] = 10;
  RouteState.HopLongitudes[2] = -170;
  RouteState.HopLatitudes[2] = 10;
  const auto across = RouteArcPoints(1, 2, 1.0f);
  ASSERT_EQ(across.size(), 5u) << "20 degrees the short way round";
  EXPECT_EQ(across[0], GlobePoint(-174, 10, 1.0f));
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(across[4][c], GlobePoint(170, 10, 1.0f)[c], 1e-6);
  GlobeState.HomeLongitude = 0;
  GlobeState.HomeLatitude = 0;
  RouteState.HopLongitudes[3] = 0;
  RouteState.HopLatitudes[3] = -30;
  const auto fromHome = RouteArcPoints(0, 3, 0.5f);
  ASSERT_EQ(fromHome.size(), 8u);
  EXPECT_EQ(fromHome[0], GlobePoint(0, -3.75f, 0.5f));
  EXPECT_EQ(fromHome[7], GlobePoint(0, -30, 0.5f));
  RouteState.HopLongitudes[4] = 0;
  RouteState.HopLatitudes[4] = -30;
  EXPECT_EQ(RouteArcPoints(3, 4, 1.0f).size(), 1u) << "at least one step";
  EXPECT_TRUE(RouteArcPoints(0, MaxRouteHops, 1.0f).empty());
}

// The arcs as the drawing pass emits them, read back from a frame: home
// (0, 0) to a hop at (0, 40 S), then on to one at (60 W, 40 S), seen from
// straight above longitude 0 (orthographic, x and y of the placement).
TEST_F(Route, ArcsAreDrawnBetweenTheHopPlaces) {
  OpenGL1x_Initialize();
  GLContext_Initialize();
  GLWin32Context_Initialize();
  {
    const int W = 240, H = 240;
    auto* view = new TGLTestForm(Application, W, H);
    TGLWin32Context rc;
    rc.SetOptions({TGLRCOption::rcoDoubleBuffered});
    rc.CreateContext(view->View->DC());
    rc.Activate();
    glViewport(0, 0, W, H);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.6, 0.6, -0.6, 0.6, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0.25f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    GlobeState.HomeLongitude = -90;   // placement x = r·cos(a)·cos(lat), a = -lon - 90: longitude -90 faces +x
    GlobeState.HomeLatitude = 0;
    GlobeState.HomeArcStart = GlobePoint(GlobeState.HomeLongitude, GlobeState.HomeLatitude, 0.519f);
    RouteState.HopLongitudes[1] = -90;
    RouteState.HopLatitudes[1] = -40;
    RouteState.HopLongitudes[2] = -30;
    RouteState.HopLatitudes[2] = -40;
    glLineWidth(3);
    glColor3f(1, 0.5f, 0);
    glBegin(GL_LINES);
    RouteState.RoutePrevious = 0;
    RouteState.RouteEnd = 1;
    Form->routeinterpoints();
    RouteState.RoutePrevious = 1;
    RouteState.RouteEnd = 2;
    const TAffineVector at2 = GlobePoint(RouteState.HopLongitudes[2], RouteState.HopLatitudes[2], 0.5195f);
    RouteState.RouteCurrent = {at2[0], at2[1], at2[2], 1};
    Form->routeinterpoints();
    glEnd();
    glFinish();
    const TCapture frame = ReadGLPixels(W, H);
    SaveBmp(frame, "route-arcs.bmp");
    auto pixelOf = [&](float Lon, float Lat) {
      const TAffineVector p = GlobePoint(Lon, Lat, 0.5195f);
      const int x = static_cast<int>((p[0] + 0.6f) / 1.2f * W);
      const int y = H - 1 - static_cast<int>((p[1] + 0.6f) / 1.2f * H);
      return frame.At(x, y);
    };
    EXPECT_EQ(pixelOf(-90, -20), 0xFF8000u) << "on the arc from home";
    EXPECT_EQ(pixelOf(-60, -40), 0xFF8000u) << "on the arc between the hops";
    EXPECT_EQ(pixelOf(-60, -10), 0x000040u) << "off the route";
    EXPECT_GT(frame.Count(0xFF8000), 100);
    rc.Deactivate();
    delete view;
  }
  GLWin32Context_Finalize();
  GLContext_Finalize();
  OpenGL1x_Finalize();
}

}  // namespace
