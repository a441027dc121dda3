// The globe on screen: the main window started in a folder with a fixture
// database, a home in London, an earth texture and fake connection tables;
// its frames are read back from the viewer's buffer.
#include <winsock.h>

#include <cmath>

#include "ViewScene.h"
#include "GLTestWindow.h"
#include "MainFormFixture.h"
#include "GuiTest.h"
#include "classlib/ComCtrls.h"
#include "classlib/Dialogs.h"
#include "classlib/Jpeg.h"
#include "scene3d/GLCanvas.h"
#include "viewer/Unit3.h"
#include "viewer/NsMainDraw.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPicking.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRoute.h"
#include "viewer/NsMainSettings.h"

namespace {

// Paris and Cairo are on the side of the globe that faces London; 5.x.x.x
// points at a city line the database lacks (no place); Sydney is on the
// far side.
const char* const Ranges =
    "1.0.0.0,1.255.255.255,AU,Sydney,-33.87,151.21\n"
    "2.0.0.0,2.255.255.255,FR,Paris,48.85,2.35\n"
    "4.0.0.0,4.255.255.255,EG,Cairo,30.04,31.24\n"
    "5.0.0.0,5.255.255.255,ZZ,Nowhere,10.00,10.00\n";

// Vertical stripes, 16 across: blue and green.
uint32_t Stripes(int X, int) { return (X / 32) % 2 ? 0x0000C0 : 0x00A000; }

// The real scene behind the seams.
using TGlobeForm = TRecordingMainForm;

struct TRgb {
  int R, G, B;
};
TRgb Split(uint32_t C) { return {int(C >> 16 & 0xFF), int(C >> 8 & 0xFF), int(C & 0xFF)}; }
int Brightness(uint32_t C) {
  const TRgb c = Split(C);
  return c.R + c.G + c.B;
}

class GlobeView : public MainFormTest {
protected:
  TGlobeForm* Form = nullptr;
  std::string WorkFolder;   // the test's own working folder, for screenshots

  void SetUp() override {
    WorkFolder = GetCurrentDir();
    MainFormTest::SetUp();
    CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
    TLocationFixtureOptions o;
    o.CityLines = 3;   // Nowhere's line is missing
    WriteLocationFixture(Dir + "\\data", Ranges, o);
    WriteTextFile("myloc.txt", HomeFileText);
    TJPEGImage jpeg;
    jpeg.Assign(MakeBitmap(512, 256, Stripes).get());
    jpeg.SaveToFile(Dir + "\\data\\texture.jpg");
  }
  void TearDown() override {
    if (Form) delete Form;
    Form = nullptr;
    ChooseFontProc = ChooseFontA;
    MainFormTest::TearDown();
    aform = nullptr;
  }
  void Connect(const std::vector<std::string>& Remotes) {
    FakeNet().Tcp.clear();
    for (size_t i = 0; i < Remotes.size(); ++i)
      FakeNet().Tcp.push_back({5, htonl(DottedToHost("192.168.1.5")), Port(50000 + static_cast<int>(i)),
                               htonl(DottedToHost(Remotes[i])), Port(443), 1});
  }
  // Created and shown; served until the first poll has been drawn, lit by
  // the sun of noon in London whatever the hour of the run.
  void Start() {
    Application->CreateForm(Form);
    ASSERT_NE(Form, nullptr);
    Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return PollState.PollTimerTicks > 0 && !WindowModes.GlobePending; }, 15000));
    Form->Timer1->SetEnabled(false);
    Form->SunPosition(46000.5);
    Drawn();
  }
  // Served until a frame has been drawn after now.
  void Drawn() { ASSERT_TRUE(FrameDrawn(Form->Scene3DViewer1)); }
  TCapture Frame() { return ToCapture(*Form->Scene3DViewer1->Buffer()->CreateSnapShot()); }
  // Window position (row 0 the top) of a point of the scene.
  POINT OnScreen(const TAffineVector& P) { return ViewerPoint(Form->Scene3DViewer1, P); }
  // Pixels of the rectangle that pass the test.
  static int CountIn(const TCapture& C, int X0, int Y0, int X1, int Y1, const std::function<bool(TRgb)>& Test) {
    int n = 0;
    for (int y = std::max(Y0, 0); y <= std::min(Y1, C.Height - 1); ++y)
      for (int x = std::max(X0, 0); x <= std::min(X1, C.Width - 1); ++x) n += Test(Split(C.At(x, y)));
    return n;
  }
  void Screenshot(const TCapture& C, const std::string& Name) { SaveBmp(C, WorkFolder + "\\" + Name); }
};

bool Red(TRgb c) { return c.R > 180 && c.G < 90 && c.B < 90; }
bool Green(TRgb c) { return c.G > 180 && c.R < 90 && c.B < 90; }
// The arcs' colour of this test, cyan (the texture has none).
constexpr DWORD ArcColor = 0xFFFF00;
bool Cyan(TRgb c) { return c.G > 150 && c.B > 150 && c.R < 90; }

TEST_F(GlobeView, TexturedLitGlobeShowsPointsArcsAndLabelsOfTheConnections) {
  PutDword(SettingsKey::Root, "Width", 480);
  PutDword(SettingsKey::Root, "Height", 420);
  PutDword(SettingsKey::Root, "Labels", 1);
  PutDword(SettingsKey::V11, "Color4", ArcColor);
  Connect({"2.0.0.7", "1.1.1.1", "5.1.1.1", "4.4.4.4"});
  Start();
  // the one message: Nowhere's line missing from cities.dat
  ASSERT_EQ(Form->Told.size(), 1u);
  EXPECT_NE(Form->Told[0].find("data\\cities.dat: ends at line 3; data\\geoip.dat points at lines up to 4"),
            std::string::npos) << Form->Told[0];
  ASSERT_TRUE(Form->Errors.empty()) << Form->Errors[0];

  // The globe shows with the first frame; the poll timer takes its period
  // once a poll has been drawn.
  EXPECT_TRUE(Form->GLSphere1->Visible());
  EXPECT_EQ(Form->Timer->Interval(), 2000u);
  ASSERT_EQ(Lines(Form->LocationLabels),
            (std::vector<std::string>{"\xBBGB, London", "Paris, FR", "Sydney, AU", "", "Cairo, EG"}));

  // Noon in London: the sun stands over home.
  Form->SunPosition(46000.5);
  Drawn();
  const TCapture day = Frame();
  Screenshot(day, "globe.bmp");
  const POINT home = OnScreen(Form->GLPoints1->Positions()->Get(0));
  const POINT paris = OnScreen(Form->GLPoints1->Positions()->Get(1));
  const POINT cairo = OnScreen(Form->GLPoints1->Positions()->Get(4));
  // The HUD bar (shown by the mouse) is laid out at the bottom, 332 wide.
  EXPECT_EQ(Form->GLHUDSprite2->Width(), 332);
  EXPECT_EQ(Form->GLHUDSprite2->Position()->X(), day.Width / 2.0f);
  EXPECT_EQ(Form->GLHUDSprite2->Position()->Y(), day.Height - 2 - 16.0f);
  // London sits in the middle of the view.
  EXPECT_NEAR(home.x, day.Width / 2, 2);
  EXPECT_NEAR(home.y, day.Height / 2, 2);

  // Home is a green point, the located connections points of Color1 (red);
  // the place-less entry before Cairo, the last one, leaves Cairo drawn in its colour.
  EXPECT_GT(CountIn(day, home.x - 1, home.y - 1, home.x + 1, home.y + 1, Green), 4);
  EXPECT_GT(CountIn(day, paris.x - 1, paris.y - 1, paris.x + 1, paris.y + 1, Red), 4);
  EXPECT_GT(CountIn(day, cairo.x - 1, cairo.y - 1, cairo.x + 1, cairo.y + 1, Red), 4)
      << "Cairo at " << cairo.x << "," << cairo.y;

  // The arc to Cairo: its middle step lies at the arcs' radius.
  const TAffineVector middle = GlobePoint((-0.12f + 31.24f) / 2, (51.5f + 30.04f) / 2, 0.519f);
  const POINT m = OnScreen(middle);
  EXPECT_GT(CountIn(day, m.x - 2, m.y - 2, m.x + 2, m.y + 2, Cyan), 0) << m.x << "," << m.y;

  // Labels: home in 0xFE00 beside its point, the others in Color1 - 1 above theirs.
  EXPECT_GT(CountIn(day, home.x + 4, home.y - 2, home.x + 70, home.y + 12, Green), 5);
  EXPECT_GT(CountIn(day, cairo.x + 4, cairo.y - 16, cairo.x + 60, cairo.y - 4, Red), 5);

  // The texture: blue and green stripes across the lit side.
  const int blue = CountIn(day, 0, 0, day.Width - 1, day.Height - 1,
                           [](TRgb c) { return c.B > 2 * c.G + 20 && c.B > 2 * c.R + 20; });
  const int green = CountIn(day, 0, 0, day.Width - 1, day.Height - 1,
                            [](TRgb c) { return c.G > 2 * c.B + 20 && c.G > 2 * c.R + 20; });
  EXPECT_GT(blue, 2000);
  EXPECT_GT(green, 2000);

  // Shown, the HUD bar carries its first picture at the bottom, the hint
  // in cyan above it.
  Form->GLHUDSprite2->SetVisible(true);
  HoverState.HudHint = "Refresh";
  Drawn();
  const TCapture bar = Frame();
  Screenshot(bar, "globe-hud.bmp");
  EXPECT_GT(CountIn(bar, day.Width / 2 - 160, day.Height - 33, day.Width / 2 + 160, day.Height - 3,
                    [](TRgb c) { return c.R + c.G + c.B > 60; }),
            332 * 30 / 4);
  EXPECT_GT(CountIn(bar, day.Width / 2 - 30, day.Height - 60, day.Width / 2 + 30, day.Height - 33,
                    [](TRgb c) { return c.G > 180 && c.B > 180 && c.R < 80; }),
            5);
  Form->GLHUDSprite2->SetVisible(false);
  HoverState.HudHint.clear();

  // Midnight in London: the Gulf of Guinea lies in the night's ambient light.
  const POINT atlantic = OnScreen(GlobePoint(5, 5, 0.5f));
  Form->SunPosition(46000.0);
  Drawn();
  const TCapture night = Frame();
  Screenshot(night, "globe-night.bmp");
  int dayLight = 0, nightLight = 0;
  for (int dy = -3; dy <= 3; ++dy)
    for (int dx = -3; dx <= 3; ++dx) {
      dayLight += Brightness(day.At(atlantic.x + dx, atlantic.y + dy));
      nightLight += Brightness(night.At(atlantic.x + dx, atlantic.y + dy));
    }
  EXPECT_GT(dayLight, 3 * nightLight);
  EXPECT_GT(nightLight, 0);

  // Without trails the arcs and their shadows go; points and labels stay.
  Settings.ConnectLocations = false;
  Form->SunPosition(46000.5);
  Drawn();
  const TCapture plain = Frame();
  EXPECT_EQ(CountIn(plain, m.x - 2, m.y - 2, m.x + 2, m.y + 2, Cyan), 0);
  EXPECT_GT(CountIn(plain, cairo.x - 1, cairo.y - 1, cairo.x + 1, cairo.y + 1, Red), 4);
  EXPECT_GT(CountIn(plain, cairo.x + 4, cairo.y - 16, cairo.x + 60, cairo.y - 4, Red), 5);
}

// Arial, 20 points.
BOOL WINAPI PickLargeArial(LPCHOOSEFONTA F) {
  lstrcpyA(F->lpLogFont->lfFaceName, "Arial");
  F->lpLogFont->lfHeight = -27;
  F->lpLogFont->lfWeight = FW_NORMAL;
  F->lpLogFont->lfItalic = FALSE;
  return TRUE;
}

// Rows from the top of the highest red glyph pixel to the bottom of the
// lowest, in the band right of a point where its label is drawn.
int RedLabelHeight(const TCapture& C, POINT P) {
  const int px = static_cast<int>(P.x), py = static_cast<int>(P.y);
  int top = C.Height, bottom = -1;
  for (int y = std::max(py - 80, 0); y < std::min(py + 40, C.Height); ++y)
    for (int x = px + 4; x < std::min(px + 220, C.Width); ++x)
      if (Red(Split(C.At(x, y)))) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  return bottom < 0 ? 0 : bottom - top + 1;
}

TEST_F(GlobeView, TheLabelsFontChosenInTheOptionsWindowDrawsTheNextFrame) {
  PutDword(SettingsKey::Root, "Width", 480);
  PutDword(SettingsKey::Root, "Height", 420);
  PutDword(SettingsKey::Root, "Labels", 1);
  Connect({"2.0.0.7"});
  Start();
  const POINT paris = OnScreen(Form->GLPoints1->Positions()->Get(1));
  PollState.StartupCounter = 4;   // no status line
  Drawn();
  const int before = RedLabelHeight(Frame(), paris);
  ASSERT_GT(before, 4) << "Paris's label in the starting font";

  Application->CreateForm(aform);
  ChooseFontProc = PickLargeArial;
  Form->aboutform(nullptr);
  ASSERT_TRUE(PumpUntil([] { return IsWindowVisible(aform->Handle()) != FALSE; }));
  SetForegroundWindow(aform->Handle());
  Form->OptionControls.Pages->SetActivePageIndex(1);
  PumpFor(100);
  ClickClient(Form->OptionControls.FontButton->Handle(), 20, 10);
  ASSERT_TRUE(PumpUntil([&] { return Form->OptionControls.FontPreview->Caption() == "Arial, 20"; }));
  TWinControl* ok = nullptr;
  for (int i = 0; i < aform->ControlCount(); ++i)
    if (aform->Controls(i)->Caption() == "OK") ok = static_cast<TWinControl*>(aform->Controls(i));
  ASSERT_NE(ok, nullptr);
  ClickClient(ok->Handle(), 20, 10);
  ASSERT_TRUE(PumpUntil([] { return !aform->Visible(); }));

  Drawn();
  const TCapture chosen = Frame();
  Screenshot(chosen, "globe-labels-chosen-font.bmp");
  const int after = RedLabelHeight(chosen, paris);
  EXPECT_GT(after, before + 8) << "glyphs " << before << " rows tall before, " << after << " after";
}

// 1,000 connections to 100 places, ten addresses each; an address merged
// into the first one at its place repeats that entry's pin and arc, which the
// drawing pass leaves out. After a poll that changes which entries repeat,
// and after new arc colours and line widths, the frame is the one a window
// drawing that model with those settings from the start shows.
TEST_F(GlobeView, AFrameOfAThousandEntriesAfterAModelChangeIsTheFrameDrawnFromScratch) {
  PutDword(SettingsKey::Root, "Width", 480);
  PutDword(SettingsKey::Root, "Height", 420);
  PutDword(SettingsKey::Root, "Labels", 1);
  std::string ranges;
  for (int k = 0; k < 100; ++k)
    ranges += Format("%d.0.0.0,%d.255.255.255,X%c,Place %d,%d,%d\n", 20 + k, 20 + k, 'A' + k % 26, k,
                     -60 + k * 37 % 120, -170 + k * 73 % 340);
  WriteLocationFixture(Dir + "\\data", ranges);
  auto connect = [&](int (*PlaceOf)(int)) {
    std::vector<std::string> remotes;
    for (int i = 0; i < 1000; ++i) remotes.push_back(Format("%d.%d.%d.1", 20 + PlaceOf(i), i / 256, i % 256));
    Connect(remotes);
  };
  auto runs = [](int i) { return i / 10; };    // entries 1, 11, 21 ... are the places
  auto spread = [](int i) { return i % 100; }; // entries 1 to 100 are
  auto frame = [&] {
    PollState.StartupCounter = 4;   // no status line
    Drawn();
    return Frame();
  };

  connect(runs);
  Start();
  ASSERT_EQ(Form->LocationLabels.Count(), 1001);
  frame();
  connect(spread);
  Form->Refresh(true);
  ASSERT_EQ(Form->LocationLabels[2], "Place 1, XB");
  frame();
  Settings.Color4 = 0x0080FF;   // orange arcs, two pixels wide, as the options window sets them
  Settings.Color4Rgb = ColorToRgb(Settings.Color4);
  Settings.LineThickness = 2;
  PutDword(SettingsKey::V11, "Color4", 0x0080FF);
  PutDword(SettingsKey::V112, "LineThickness", 2);
  const TCapture changed = frame();
  Screenshot(changed, "globe-1000-changed.bmp");

  delete Form;
  Form = nullptr;
  Start();
  const TCapture scratch = frame();
  Screenshot(scratch, "globe-1000-scratch.bmp");
  ASSERT_EQ(changed.Width, scratch.Width);
  ASSERT_EQ(changed.Height, scratch.Height);
  int differing = 0;
  for (size_t i = 0; i < changed.Pixels.size(); ++i) differing += changed.Pixels[i] != scratch.Pixels[i];
  EXPECT_EQ(differing, 0);
  // the arcs are there: the arcs' colour (orange) where they leave London
  const POINT home = OnScreen(Form->GLPoints1->Positions()->Get(0));
  EXPECT_GT(CountIn(scratch, home.x - 12, home.y - 12, home.x + 12, home.y + 12,
                    [](TRgb c) { return c.R > 150 && c.G > 60 && c.G < 170 && c.B < 60; }),
            20);
}

// The drawing pass as plainly as it can be written: every pin, arc,
// shadow and grid line in immediate mode each frame, every text drawn on
// its own (home, then the entries in order), nothing recorded or left out.
void PlainDrawingPass(TMainForm& F, TRenderContextInfo& rci) {
  if (WindowModes.GlobePending || PollState.PollTimerTicks == 0) return;
  TGLStateCache* cache = rci.stateCache;
  TGLPushedAttrib enableBits(cache, GL_ENABLE_BIT);
  cache->Disable(TGLState::stLighting);
  const TAffineVectorList& points = *F.GLPoints1->Positions();
  const int count = std::min(F.LocationLabels.Count(), points.Count());
  const float line = static_cast<float>(Settings.LineThickness);
  auto arc = [&](int i, float Radius) {
    float dLon = GlobeState.LocationLongitudes[0] - GlobeState.LocationLongitudes[static_cast<size_t>(i)];
    if (dLon < -180) dLon += 360;
    if (dLon > 180) dLon -= 360;
    const float dLat = GlobeState.LocationLatitudes[0] - GlobeState.LocationLatitudes[static_cast<size_t>(i)];
    int n = static_cast<int>(std::nearbyint(std::sqrt(double(dLon) * dLon + double(dLat) * dLat) / 4));
    if (n == 0) n = 1;
    TAffineVector previous = GlobePoint(GlobeState.LocationLongitudes[0], GlobeState.LocationLatitudes[0], Radius);
    for (int k = 1; k <= n; ++k) {
      const float part = float(n) / float(k);
      const TAffineVector p = GlobePoint(GlobeState.LocationLongitudes[0] - dLon / part,
                                         GlobeState.LocationLatitudes[0] - dLat / part, Radius);
      glVertex3fv(previous.data());
      glVertex3fv(p.data());
      previous = p;
    }
  };
  auto arcs = [&](float Radius) {
    for (int i = 1; i < count; ++i)
      if (!F.LocationLabels[i].empty()) arc(i, Radius);
  };
  glLineWidth(line);
  glBegin(GL_LINES);
  for (int i = 0; i < count; ++i) {
    if (F.LocationLabels[i].empty()) continue;
    glColor3f(1, 1, 0);
    glVertex3f(0, 0, 0);
    glVertex3fv(points.Get(i).data());
    glColor3f(Settings.Color4Rgb[0], Settings.Color4Rgb[1], Settings.Color4Rgb[2]);
    if (Settings.ConnectLocations && i > 0) arc(i, 0.519f);
  }
  glEnd();
  cache->Enable(TGLState::stLineSmooth);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  cache->Enable(TGLState::stBlend);
  glLineWidth(line + 1.5f);
  glBegin(GL_LINES);
  glColor4f(0, 0, 0, 0.2f);
  if (Settings.ConnectLocations) arcs(0.5005f);
  glEnd();
  if (Settings.LineSmoothing) {
    glLineWidth(line + 0.8f);
    glBegin(GL_LINES);
    glColor4f(Settings.Color4Rgb[0], Settings.Color4Rgb[1], Settings.Color4Rgb[2], 0.7f);
    if (Settings.ConnectLocations) arcs(0.519f);
    glEnd();
  }
  if (Settings.GlobeGrid) {
    const float c5 = std::cos(DegToRad(5.0f)), s5 = std::sin(DegToRad(5.0f));
    const float c15 = std::cos(DegToRad(15.0f)), s15 = std::sin(DegToRad(15.0f));
    glLineWidth(1.5f);
    glColor4f(220, 220, 220, 0.05f);
    float sx = 0.5005f, sy = 0;
    for (int circle = 0; circle < 18; ++circle) {
      float x = sx, y = sy, z = 0;
      glBegin(GL_LINE_LOOP);
      for (int k = 0; k < 72; ++k) {
        const float nx = x * c5 - z * s5;
        z = x * s5 + z * c5;
        x = nx;
        glVertex3f(x, y, z);
      }
      glEnd();
      const float ny = sy * c15 - sx * s15;
      sx = sy * s15 + sx * c15;
      sy = ny;
    }
    glPushMatrix();
    for (int meridian = 0; meridian < 12; ++meridian) {
      glRotatef(15, 0, 1, 0);
      float x = 0.5005f, y = 0;
      glBegin(GL_LINE_LOOP);
      for (int k = 0; k < 72; ++k) {
        const float ny = y * c5 - x * s5;
        x = y * s5 + x * c5;
        y = ny;
        glVertex3f(x, y, 0);
      }
      glEnd();
    }
    glPopMatrix();
  }
  const int W = F.Scene3DViewer1->Width(), H = F.Scene3DViewer1->Height();
  TGLCanvas canvas(W, H, cache);
  TScene3DBuffer* buffer = F.Scene3DViewer1->Buffer();
  auto label = [&](int i, const std::string& Text, int Color, float DY) {
    const TAffineVector p = points.Get(i);
    const TVector point{p[0], p[1], p[2], 1};
    const TVector s = buffer->WorldToScreen(point);
    float x = s[0], y = float(H) - s[1];
    if (!F.GLCadencer1->Enabled()) {
      x = std::trunc(x);
      y = std::trunc(y);
    }
    if (F.GLCamera1->DistanceTo(point) >= 2.2f) return;
    const TColorRgb c = ColorToRgb(Color);
    F.GLWindowsBitmapFont1->DrawTextAt(rci, Text, x + 1, y + 1 + DY, TVector{0, 0, 0, 1});
    F.GLWindowsBitmapFont1->DrawTextAt(rci, Text, x, y + DY, TVector{c[0], c[1], c[2], 1});
  };
  if (!Settings.AllLabels) return;
  if (count > 0 && !F.LocationLabels[0].empty()) label(0, " " + F.LocationLabels[0], 0xFE00, -2);
  for (int i = 1; i < count; ++i)
    if (!F.LocationLabels[i].empty())
      label(i, " " + F.LocationLabels[i], (i < PollState.LiveAddressCount ? Settings.Color1 : Settings.Color3) - 1,
            -16);
}

// 1,000 connections to 685 places all over the world, labels on: the frame
// is the one the plain pass above draws, but for a few pixels of
// anti-aliased edges.
TEST_F(GlobeView, AFrameOfAThousandEntriesAtManyPlacesIsTheFrameOfThePlainDrawingPass) {
  PutDword(SettingsKey::Root, "Width", 640);
  PutDword(SettingsKey::Root, "Height", 480);
  PutDword(SettingsKey::Root, "Labels", 1);
  constexpr int Places = 685;
  std::string ranges;
  for (int k = 0; k < Places; ++k)
    ranges += Format("%d.%d.0.0,%d.%d.255.255,X%c,Town %d,%d.%02d,%d.%02d\n", 20 + k / 100, k % 100, 20 + k / 100,
                     k % 100, 'A' + k % 26, k, -60 + k * 37 % 120, k % 100, -170 + k * 73 % 340, k * 7 % 100);
  WriteLocationFixture(Dir + "\\data", ranges);
  std::vector<std::string> remotes;
  for (int i = 0; i < 1000; ++i) {
    const int k = i % Places;
    remotes.push_back(Format("%d.%d.%d.%d", 20 + k / 100, k % 100, i % 256, 1 + i / 256));
  }
  Connect(remotes);
  Start();
  ASSERT_EQ(Form->LocationLabels.Count(), 1001);
  ASSERT_EQ(Form->LocationLabels[Places + 1], " ");   // merged into the first address at its place
  PollState.StartupCounter = 4;   // no status line
  auto frame = [&] {
    Drawn();
    return Frame();
  };
  frame();
  const TCapture drawn = frame();
  Screenshot(drawn, "globe-685-places.bmp");
  Form->GLDirectOpenGL1->OnRender = [this](TObject*, TRenderContextInfo& rci) { PlainDrawingPass(*Form, rci); };
  const TCapture plain = frame();
  Screenshot(plain, "globe-685-places-plain.bmp");

  ASSERT_EQ(drawn.Width, plain.Width);
  ASSERT_EQ(drawn.Height, plain.Height);
  // Pixels apart in some channel by more than rounding (the faint grid
  // changes its pixels by a few levels only), and by more than a step of
  // anti-aliasing: a few of each, at edges.
  int apart = 0, differing = 0;
  for (size_t i = 0; i < drawn.Pixels.size(); ++i) {
    const TRgb a = Split(drawn.Pixels[i]), b = Split(plain.Pixels[i]);
    const int most = std::max({std::abs(a.R - b.R), std::abs(a.G - b.G), std::abs(a.B - b.B)});
    apart += most > 3;
    differing += most > 24;
  }
  EXPECT_LE(apart, static_cast<int>(drawn.Pixels.size() / 500)) << "of " << drawn.Pixels.size();
  EXPECT_LE(differing, static_cast<int>(drawn.Pixels.size() / 2000)) << "of " << drawn.Pixels.size();
  // The pass drew its labels and arcs: many pixels differ from the frame
  // without it.
  Form->GLDirectOpenGL1->OnRender = nullptr;
  const TCapture bare = frame();
  int drawnByPass = 0;
  for (size_t i = 0; i < drawn.Pixels.size(); ++i) drawnByPass += drawn.Pixels[i] != bare.Pixels[i];
  EXPECT_GT(drawnByPass, 20 * static_cast<int>(drawn.Pixels.size() / 2000));
}

namespace {
// One drawing setting changed between two frames of arcs to Paris (thrice:
// two entries repeat the first) and Cairo.
class GlobeLines : public GlobeView {
protected:
  TCapture Next() {
    PollState.StartupCounter = 4;   // no status line
    Drawn();
    return Frame();
  }
  static int Differing(const TCapture& A, const TCapture& B) {
    int n = 0;
    for (size_t i = 0; i < A.Pixels.size() && i < B.Pixels.size(); ++i) n += A.Pixels[i] != B.Pixels[i];
    return n;
  }
  // The frame after Change differs from the one before, and is the frame
  // drawn once the lines are recorded anew (trails off for a frame, then on).
  void ExpectShownAtOnce(const std::function<void()>& Change, const std::string& Shot) {
    PutDword(SettingsKey::Root, "Width", 480);
    PutDword(SettingsKey::Root, "Height", 420);
    Connect({"2.0.0.7", "2.0.0.8", "2.0.0.9", "4.4.4.4"});
    Start();
    Settings.ConnectLocations = true;
    const TCapture before = Next();
    Change();
    const TCapture changed = Next();
    Screenshot(changed, Shot);
    Settings.ConnectLocations = false;
    Next();
    Settings.ConnectLocations = true;
    const TCapture fresh = Next();
    ASSERT_EQ(changed.Pixels.size(), fresh.Pixels.size());
    EXPECT_GT(Differing(before, changed), 0) << "the change shows";
    EXPECT_EQ(Differing(changed, fresh), 0) << "as the lines drawn anew show it";
  }
};
}  // namespace

TEST_F(GlobeLines, AWiderLineShowsInTheNextFrame) {
  ExpectShownAtOnce([] { Settings.LineThickness = 4; }, "globe-lines-width.bmp");
}

TEST_F(GlobeLines, AnArcColourWithOnlyItsRedChangedShowsInTheNextFrame) {
  ExpectShownAtOnce(
      [] {
        Settings.Color4 = (Settings.Color4 & 0xFFFF00) | ((Settings.Color4 & 0xFF) < 0x80 ? 0xC0 : 0x20);
        Settings.Color4Rgb = ColorToRgb(Settings.Color4);
      },
      "globe-lines-red.bmp");
}

TEST_F(GlobeLines, SmoothingSwitchedShowsInTheNextFrame) {
  ExpectShownAtOnce([] { Settings.LineSmoothing = !Settings.LineSmoothing; }, "globe-lines-smoothing.bmp");
}

// Without the depth test the repeated entries are drawn too, their
// translucent shadows over one another.
TEST_F(GlobeLines, TheDepthTestSwitchedOffShowsInTheNextFrame) {
  ExpectShownAtOnce([&] { Form->Scene3DViewer1->Buffer()->SetDepthTest(false); }, "globe-lines-depth.bmp");
}

TEST_F(GlobeLines, AMovedHomeShowsInTheNextFrame) {
  ExpectShownAtOnce(
      [&] {
        GlobeState.HomeLongitude = 10;
        GlobeState.HomeLatitude = 40;
        Form->Refresh(true);
      },
      "globe-lines-home.bmp");
}

TEST(Arcs, TakeTheShortWayRoundAndAboutOneStepPerFourDegrees) {
  EXPECT_EQ(ShortLongitude(190), -170);
  EXPECT_EQ(ShortLongitude(-190), 170);
  EXPECT_EQ(ShortLongitude(180), 180);   // exactly opposite: reached westward
  EXPECT_EQ(ShortLongitude(-180), -180);
  EXPECT_EQ(ArcSteps(2, 0), 1);    // rounds to 0, drawn as one step
  EXPECT_EQ(ArcSteps(10, 0), 2);   // 2.5: half to even
  EXPECT_EQ(ArcSteps(0, 14), 4);   // 3.5
  EXPECT_EQ(ArcSteps(30, 40), 12);
}

TEST_F(GlobeView, ARouteOfMoreThanTwoHopsIsDrawnHopToHopWithItsLabels) {
  PutDword(SettingsKey::Root, "Labels", 1);
  Connect({});
  Start();
  // Three hops: a private router without place, Paris, Cairo.
  Form->RouteHops.SetText("10.0.0.1\n1   2.0.0.1\n2   4.0.0.1\n");
  Form->RouteLabels.SetText("\nParis, FR\nCairo, EG\n");
  const float lon[] = {0, 2.35f, 31.24f}, lat[] = {0, 48.85f, 30.04f};
  Form->GLPoints2->Positions()->Clear();
  Form->GLPoints4->Positions()->Clear();
  for (int i = 0; i < 3; ++i) {
    RouteState.HopLongitudes[static_cast<size_t>(i)] = lon[i];
    RouteState.HopLatitudes[static_cast<size_t>(i)] = lat[i];
    const float r = i ? 1.0f : 0.0f;
    Form->GLPoints2->Positions()->Add(GlobePoint(lon[i], lat[i], 0.5205f * r));
    Form->GLPoints4->Positions()->Add(GlobePoint(lon[i], lat[i], 0.5005f * r));
  }
  RouteState.RouteVisible = true;
  Drawn();
  const TCapture c = Frame();
  Screenshot(c, "globe-route.bmp");
  // The route's colour is Color2 (magenta) / 1.4.
  auto route = [](TRgb p) { return p.R > 110 && p.B > 110 && p.G < 70; };
  const POINT middle = OnScreen(GlobePoint((2.35f + 31.24f) / 2, (48.85f + 30.04f) / 2, 0.5195f));
  EXPECT_GT(CountIn(c, middle.x - 2, middle.y - 2, middle.x + 2, middle.y + 2, route), 0);
  const POINT cairo = OnScreen(GlobePoint(31.24f, 30.04f, 0.5205f));
  EXPECT_GT(CountIn(c, cairo.x + 4, cairo.y - 16, cairo.x + 60, cairo.y - 4,
                    [](TRgb p) { return p.R > 180 && p.B > 180 && p.G < 60; }),
            5);

  // Two hops are no route: nothing of it is drawn.
  Form->RouteHops.SetText("10.0.0.1\n1   2.0.0.1\n");
  Drawn();
  const TCapture none = Frame();
  EXPECT_EQ(CountIn(none, middle.x - 2, middle.y - 2, middle.x + 2, middle.y + 2, route), 0);
}

TEST_F(GlobeView, WithRotateOnTheViewTurnsAroundTheGlobeOnIdleFrames) {
  PutDword(SettingsKey::Root, "Rotate", 1);
  PutDword(SettingsKey::V112, "RotationSpeed", 4);   // a quarter of the step
  Connect({"2.0.0.7"});
  Start();
  ASSERT_TRUE(Form->GLCadencer1->Enabled());
  auto azimuth = [&] {
    const TVector p = Form->GLCamera1->Position()->AsVector();
    return std::atan2(p[0], p[2]) * 180 / 3.14159265f;
  };
  // One step: the zoom (0.4) over the factor, in degrees.
  const float before = azimuth();
  Form->GLCadencer1Progress(Form->GLCadencer1, 0, 0);
  EXPECT_NEAR(std::fabs(azimuth() - before), 0.4f / 4, 0.002f);
  // Idle frames keep turning it and drawing it, at the same distance.
  TScene3DBuffer* b = Form->Scene3DViewer1->Buffer();
  const int frames = b->FrameCount();
  const float start = azimuth();
  // The program's own loop: messages, and the idle step when none wait.
  const DWORD t0 = GetTickCount();
  while (std::fabs(azimuth() - start) < 2 && GetTickCount() - t0 < 20000) Application->HandleMessage();
  ASSERT_GT(std::fabs(azimuth() - start), 2);
  EXPECT_GT(b->FrameCount(), frames + 5);
  EXPECT_NEAR(VectorLength(Form->GLCamera1->Position()->AsAffineVector()), 2, 1e-3);
  // At the end "Rotate" is stored from the cadencer.
  delete Form;
  Form = nullptr;
  EXPECT_TRUE(Settings.Rotate);
}

TEST_F(GlobeView, AnUnreadableTextureIsToldAndTheGlobeShowsPlainWithItsPoints) {
  WriteTextFile(Dir + "\\data\\texture.jpg", "no JPEG at all");
  Connect({"2.0.0.7"});
  Start();
  ASSERT_EQ(Form->Told.size(), 2u);   // and the short cities.dat
  EXPECT_NE(Form->Told[0].find("data\\texture.jpg cannot be read"), std::string::npos) << Form->Told[0];
  EXPECT_TRUE(Form->SettingsRead);
  EXPECT_EQ(Form->LocationLabels.Count(), 2);
  const TCapture c = Frame();
  const POINT paris = OnScreen(Form->GLPoints1->Positions()->Get(1));
  EXPECT_GT(CountIn(c, paris.x - 1, paris.y - 1, paris.x + 1, paris.y + 1, Red), 4);
  // the lit side of a plain globe is grey, not striped
  const POINT africa = OnScreen(GlobePoint(5, 5, 0.5f));
  const TRgb g = Split(c.At(africa.x, africa.y));
  EXPECT_GT(g.R, 40);
  EXPECT_NEAR(g.R, g.G, 12);
  EXPECT_NEAR(g.G, g.B, 12);
}

TEST_F(GlobeView, SnapshotsAreJpegsOfTheFrameNumberedOrUnderOneName) {
  PutDword(SettingsKey::V138, "SaveImages", 1);
  PutDword(SettingsKey::V138, "Overwrite", 1);   // numbered files
  PutDword(SettingsKey::V138, "SIInterval", 0);  // after every frame
  Connect({"2.0.0.7", "4.4.4.4"});
  Start();
  ASSERT_TRUE(Form->Errors.empty()) << Form->Errors[0];

  // The first frames went to images\snapshot.00000.jpg, .00001 ...
  const std::string images = Dir + "\\images\\";
  ASSERT_TRUE(FileExists(images + "snapshot.00000.jpg"));
  const int next = PollState.SnapshotCounter;
  EXPECT_GT(next, 0);
  EXPECT_TRUE(FileExists(images + "snapshot." + Format("%05d", next - 1) + ".jpg"));
  EXPECT_FALSE(FileExists(images + "snapshot." + Format("%05d", next) + ".jpg"));

  // A picture of the view: the globe's texture inside, black around it.
  Drawn();
  const TCapture shot = JpegCapture(images + "snapshot." + Format("%05d", PollState.SnapshotCounter - 1) + ".jpg");
  EXPECT_EQ(shot.Width, Form->Scene3DViewer1->Width());
  EXPECT_EQ(shot.Height, Form->Scene3DViewer1->Height());
  const TCapture frame = Frame();
  int alike = 0;
  for (int y = 0; y < shot.Height; y += 7)
    for (int x = 0; x < shot.Width; x += 7) {
      const TRgb a = Split(shot.At(x, y)), b = Split(frame.At(x, y));
      alike += std::abs(a.R - b.R) + std::abs(a.G - b.G) + std::abs(a.B - b.B) < 60;
    }
  const int samples = ((shot.Width + 6) / 7) * ((shot.Height + 6) / 7);
  EXPECT_GT(alike, samples * 9 / 10);
  EXPECT_EQ(Brightness(shot.At(2, shot.Height - 3)), 0);
  EXPECT_GT(Brightness(shot.At(shot.Width / 2, shot.Height * 3 / 4)), 60);

  // After snapshot.99999.jpg the numbers start again at 00000.
  PollState.SnapshotCounter = 99999;
  Drawn();
  EXPECT_TRUE(FileExists(images + "snapshot.99999.jpg"));
  EXPECT_LE(PollState.SnapshotCounter, 1);

  // Under one name when images may be overwritten.
  Settings.Overwrite = false;
  Drawn();
  EXPECT_TRUE(FileExists(images + "snapshot.jpg"));

  // "Timestamp": the date and time written at the bottom left, over the
  // black around the globe.
  auto stampPixels = [&] {
    const TCapture c = JpegCapture(images + "snapshot.jpg");
    int n = 0;
    for (int y = c.Height - 20; y < c.Height - 8; ++y)
      for (int x = 8; x < 60; ++x) n += Brightness(c.At(x, y)) > 300;
    return n;
  };
  EXPECT_EQ(stampPixels(), 0);
  Settings.Timestamp = true;
  Drawn();
  EXPECT_GT(stampPixels(), 40);
  Settings.Timestamp = false;

  // A borderless window is drawn again off screen, without the desktop
  // picture, which stays hidden outside desktop mode.
  DeleteFileA((images + "snapshot.jpg").c_str());
  Form->SetBorderStyle(TFormBorderStyle::bsNone);
  Drawn();
  ASSERT_TRUE(FileExists(images + "snapshot.jpg"));
  const TCapture offScreen = JpegCapture(images + "snapshot.jpg");
  EXPECT_EQ(offScreen.Width, Form->Scene3DViewer1->Width());
  EXPECT_GT(Brightness(offScreen.At(offScreen.Width / 2, offScreen.Height * 3 / 4)), 60);
  EXPECT_FALSE(Form->GLHUDSprite1->Visible());
  EXPECT_EQ(Form->Errors.size(), 0u);

  // A folder two levels deep is not made: the save fails, the user is
  // told, and snapshots rest for the rest of the run.
  Settings.Savepath = Dir + "\\missing\\deeper";
  PollState.SnapshotClock = 0;
  Drawn();
  EXPECT_FALSE(DirectoryExists(Dir + "\\missing"));
  ASSERT_EQ(Form->Errors.size(), 1u);
  EXPECT_NE(Form->Errors[0].find("missing"), std::string::npos) << Form->Errors[0];
  EXPECT_FALSE(Settings.SaveImages);
  // and no later frame tries again
  Drawn();
  EXPECT_EQ(Form->Errors.size(), 1u);
}

}  // namespace
