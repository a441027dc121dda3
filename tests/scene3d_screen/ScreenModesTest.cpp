// The display-mode list and the choice of a mode, against a fake driver.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "scene3d/GLScreen.h"

namespace {
struct TFakeMode {
  int Width, Height, Depth, Frequency;
};
// What the fake driver enumerates, what it accepts, and what it was asked.
std::vector<TFakeMode> Enumerated;
std::vector<std::tuple<int, int, int>> Acceptable;
bool YesToEverything = false;
std::vector<DEVMODEA> Switches;   // calls without CDS_TEST (null mode: width 0)

BOOL WINAPI FakeEnum(LPCSTR Device, DWORD Index, DEVMODEA* Mode) {
  if (Device || Index >= Enumerated.size()) return FALSE;
  const TFakeMode& m = Enumerated[Index];
  Mode->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
  Mode->dmPelsWidth = DWORD(m.Width), Mode->dmPelsHeight = DWORD(m.Height);
  Mode->dmBitsPerPel = DWORD(m.Depth), Mode->dmDisplayFrequency = DWORD(m.Frequency);
  return TRUE;
}

LONG WINAPI FakeChange(DEVMODEA* Mode, DWORD Flags) {
  if (!(Flags & CDS_TEST)) {
    DEVMODEA none{};
    Switches.push_back(Mode ? *Mode : none);
  }
  if (!Mode || YesToEverything) return DISP_CHANGE_SUCCESSFUL;
  for (auto [w, h, d] : Acceptable)
    if (DWORD(w) == Mode->dmPelsWidth && DWORD(h) == Mode->dmPelsHeight && DWORD(d) == Mode->dmBitsPerPel)
      return DISP_CHANGE_SUCCESSFUL;
  return DISP_CHANGE_BADMODE;
}

void FakeDesktop(int& Width, int& Height, int& Depth) { Width = 1280, Height = 1024, Depth = 24; }

class ScreenModes : public testing::Test {
protected:
  void SetUp() override {
    GLScreen_Initialize();
    EnumDisplaySettingsProc = FakeEnum;
    ChangeDisplaySettingsProc = FakeChange;
    DesktopModeProc = FakeDesktop;
    Enumerated.clear(), Acceptable.clear(), Switches.clear();
    YesToEverything = false;
  }
  void TearDown() override { GLScreen_Finalize(); }
  // The driver enumerates and accepts these.
  void Offer(std::initializer_list<TFakeMode> Modes) {
    for (const TFakeMode& m : Modes) {
      Enumerated.push_back(m);
      Acceptable.emplace_back(m.Width, m.Height, m.Depth);
    }
  }
  std::tuple<int, int, int> At(int Index) {
    const TVideoMode& m = VideoModes().at(size_t(Index));
    return {m.Width, m.Height, m.ColorDepth};
  }
};
}  // namespace

TEST_F(ScreenModes, TheSmallestModeThatHoldsTheRequestIsChosen) {
  Offer({{640, 480, 16, 60}, {800, 600, 16, 60}, {800, 600, 32, 60}, {800, 600, 32, 75}, {1024, 768, 32, 60},
         {1024, 600, 32, 60}, {800, 768, 32, 60}});
  ReadVideoModes();
  const TVideoMode& desktop = VideoModes()[0];
  EXPECT_EQ(desktop.Description, "default");
  EXPECT_EQ(std::make_tuple(desktop.Width, desktop.Height, desktop.ColorDepth), std::make_tuple(1280, 1024, 24));
  ASSERT_EQ(VideoModes().size(), 7u) << "800 x 600 x 32 listed once";
  EXPECT_EQ(VideoModes()[3].Description, "800 x 600, 32 bpp");
  EXPECT_EQ(VideoModes()[3].MaxFrequency, 75) << "the highest rate offered";

  EXPECT_EQ(At(GetIndexFromResolution(800, 600, 32)), std::make_tuple(800, 600, 32));
  EXPECT_EQ(At(GetIndexFromResolution(800, 600, 16)), std::make_tuple(800, 600, 16));
  EXPECT_EQ(At(GetIndexFromResolution(800, 600, 24)), std::make_tuple(800, 600, 32)) << "deeper, same size";
  EXPECT_EQ(At(GetIndexFromResolution(700, 500, 8)), std::make_tuple(800, 600, 16));
  EXPECT_EQ(At(GetIndexFromResolution(1000, 700, 16)), std::make_tuple(1024, 768, 32));
  EXPECT_EQ(At(GetIndexFromResolution(900, 600, 32)), std::make_tuple(1024, 600, 32))
      << "of two that each exceed in one way, the first found stays";
  EXPECT_EQ(GetIndexFromResolution(1280, 1024, 32), 0) << "nothing that large";
  EXPECT_EQ(GetIndexFromResolution(1280, 1024, 24), 0) << "the desktop entry is not a candidate";
}

TEST_F(ScreenModes, ADriverThatRefusesAnOddModeGetsTheLowResolutionsItAccepts) {
  Offer({{1024, 768, 32, 60}});
  for (int w : {320, 400, 512})
    for (int d : {8, 15, 16, 24, 32}) Acceptable.emplace_back(w, w == 320 ? 200 : w * 3 / 4, d);
  Acceptable.erase(Acceptable.begin() + 2);   // 320 x 200 x 15 refused
  ReadVideoModes();
  ASSERT_EQ(VideoModes().size(), 1u + 1u + 14u);
  EXPECT_EQ(At(2), std::make_tuple(320, 200, 8));
  EXPECT_EQ(At(3), std::make_tuple(320, 200, 16));
  EXPECT_EQ(At(15), std::make_tuple(512, 384, 32));
  EXPECT_EQ(VideoModes()[15].Description, "512 x 384, 32 bpp");
}

TEST_F(ScreenModes, ADriverThatSaysYesToEverythingListsWhatItEnumerates) {
  Offer({{1024, 768, 32, 60}, {1280, 1024, 32, 60}});
  YesToEverything = true;
  ReadVideoModes();
  EXPECT_EQ(VideoModes().size(), 3u);
}

TEST_F(ScreenModes, TheListStopsAtTwoHundred) {
  for (int i = 0; i < 300; ++i) Offer({{640 + i, 480, 32, 60}});
  ReadVideoModes();
  EXPECT_EQ(VideoModes().size(), size_t(MaxVideoModes));
  EXPECT_EQ(VideoModes().back().Width, 640 + MaxVideoModes - 2);
}

TEST_F(ScreenModes, SwitchingAsksForTheEntryAndAtMostItsRefreshRate) {
  Offer({{800, 600, 32, 60}, {800, 600, 32, 75}, {1024, 768, 16, 60}});
  const int index = GetIndexFromResolution(800, 600, 32);
  ASSERT_TRUE(SetFullscreenMode(index, 100));
  ASSERT_EQ(Switches.size(), 1u);
  EXPECT_EQ(Switches[0].dmPelsWidth, 800u);
  EXPECT_EQ(Switches[0].dmBitsPerPel, 32u);
  EXPECT_EQ(Switches[0].dmDisplayFrequency, 75u) << "lowered to the entry's highest";
  EXPECT_TRUE(Switches[0].dmFields & DM_DISPLAYFREQUENCY);
  EXPECT_EQ(CurrentVideoMode(), index);

  ASSERT_TRUE(SetFullscreenMode(GetIndexFromResolution(1024, 768, 16)));
  EXPECT_FALSE(Switches[1].dmFields & DM_DISPLAYFREQUENCY) << "the driver's choice";
  Acceptable.clear();
  EXPECT_FALSE(SetFullscreenMode(index)) << "refused";
  EXPECT_EQ(CurrentVideoMode(), GetIndexFromResolution(1024, 768, 16)) << "the mode in place stays recorded";
  EXPECT_FALSE(SetFullscreenMode(99));

  Switches.clear();
  GLScreen_Finalize();   // another mode is set: the default comes back
  ASSERT_EQ(Switches.size(), 1u);
  EXPECT_EQ(Switches[0].dmPelsWidth, 0u) << "the registry's mode (no record)";
  GLScreen_Initialize();
  EnumDisplaySettingsProc = FakeEnum;
  ChangeDisplaySettingsProc = FakeChange;
  DesktopModeProc = FakeDesktop;
  EXPECT_TRUE(VideoModes().empty()) << "read again after a restart";
  Switches.clear();
  GLScreen_Finalize();
  GLScreen_Initialize();
  EXPECT_TRUE(Switches.empty()) << "nothing to restore at the desktop mode";
}
