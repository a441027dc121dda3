// The rules behind the mouse and the keys: HUD cells, zoom steps, pick
// colours, the key table and the desktop-mode square.
#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPicking.h"
#include "viewer/NsMainSettings.h"

namespace {

TEST(Modes, HudCellsZoomPickColoursKeysAndTheDesktopSquare) {
  // A 332-pixel bar in a 500-pixel view: left edge 84, cells 33.2 wide, the
  // tenth one up to the bar's right edge 416; on a boundary no cell.
  EXPECT_EQ(HudCellAt(84, 500, 332), 0);
  EXPECT_EQ(HudCellAt(85, 500, 332), 1);
  EXPECT_EQ(HudCellAt(117, 500, 332), 1) << "the first boundary lies at 117.2";
  EXPECT_EQ(HudCellAt(118, 500, 332), 2);
  EXPECT_EQ(HudCellAt(249, 500, 332), 5);
  EXPECT_EQ(HudCellAt(250, 500, 332), 0) << "exactly on the fifth boundary";
  EXPECT_EQ(HudCellAt(251, 500, 332), 6);
  EXPECT_EQ(HudCellAt(382, 500, 332), 9) << "the last boundary lies at 382.8";
  EXPECT_EQ(HudCellAt(383, 500, 332), 10);
  EXPECT_EQ(HudCellAt(415, 500, 332), 10);
  EXPECT_EQ(HudCellAt(416, 500, 332), 0);
  EXPECT_EQ(HudCellAt(30, 500, 332), 0);
  // An odd width puts the bar's left edge at 84.5 and its right edge at 416.5.
  EXPECT_EQ(HudCellAt(84, 501, 332), 0);
  EXPECT_EQ(HudCellAt(250, 501, 332), 5) << "the fifth boundary lies at 250.5";
  EXPECT_EQ(HudCellAt(251, 501, 332), 6);
  EXPECT_EQ(HudCellAt(416, 501, 332), 10);
  EXPECT_EQ(HudCellAt(417, 501, 332), 0);
  // The bar of a narrow view: 301 wide from 1, cells 30.1 wide.
  EXPECT_EQ(HudCellAt(31, 303, 301), 1) << "the first boundary lies at 31.1";
  EXPECT_EQ(HudCellAt(271, 303, 301), 9) << "the last boundary lies at 271.9";
  EXPECT_EQ(HudCellAt(272, 303, 301), 10);
  EXPECT_EQ(HudCellAt(301, 303, 301), 10);
  EXPECT_EQ(HudCellAt(302, 303, 301), 0);

  EXPECT_FLOAT_EQ(ZoomBy(1.0f, 120, 800, 600), 1.12f);
  EXPECT_FLOAT_EQ(ZoomBy(1.0f, -120, 800, 600), 0.88f);
  EXPECT_FLOAT_EQ(ZoomBy(4.6f, 120, 800, 600), 14.0f / 3);
  EXPECT_FLOAT_EQ(ZoomBy(0.0105f, -480, 800, 600), 0.01f);

  Settings.Color1 = 0x0000FF;
  Settings.Color2 = 0x00FFFF;
  Settings.Color3 = 0xFF0000;
  for (uint32_t c : {0x0000FFu, 0x00FFFFu, 0xFF0000u, 0x00FF00u, 0xFF00FF00u}) EXPECT_TRUE(IsPickColor(c)) << c;
  EXPECT_FALSE(IsPickColor(0x00FE00));
  EXPECT_FALSE(IsPickColor(0x000000));

  const std::pair<WORD, TKeyCommand> keys[] = {
      {VK_ESCAPE, TKeyCommand::kcLeaveFullScreen}, {VK_SPACE, TKeyCommand::kcAutoRotation},
      {VK_PRIOR, TKeyCommand::kcZoomIn},           {VK_NEXT, TKeyCommand::kcZoomOut},
      {'A', TKeyCommand::kcAbout},                 {'C', TKeyCommand::kcConnectLocations},
      {'E', TKeyCommand::kcEstablishedOnly},       {'F', TKeyCommand::kcFullScreen},
      {'H', TKeyCommand::kcHighlightShadow},       {'I', TKeyCommand::kcImplant},
      {'L', TKeyCommand::kcLabels},                {'R', TKeyCommand::kcAutorefresh}};
  int commands = 0;
  for (WORD k = 0; k < 256; ++k) {
    const TKeyCommand c = KeyCommandOf(k);
    if (c == TKeyCommand::kcNone) continue;
    ++commands;
    bool listed = false;
    for (const auto& [key, command] : keys) listed |= key == k && command == c;
    EXPECT_TRUE(listed) << k;
  }
  EXPECT_EQ(commands, 12) << "every other key does nothing";

  EXPECT_EQ(DesktopSquareSize(600, 1024), 512);
  EXPECT_EQ(DesktopSquareSize(100, 1024), 128);
  EXPECT_EQ(DesktopSquareSize(128, 1024), 256);
  EXPECT_EQ(DesktopSquareSize(1100, 768), 512) << "1024 is not below the screen's height";
  EXPECT_EQ(DesktopSquareSize(1100, 1200), 1024);
  EXPECT_EQ(DesktopSquareSize(300, 256), 512);
}

}  // namespace
