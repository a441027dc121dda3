// The window's modes: desktop mode, full screen, the first showing.
#pragma once

#include <windows.h>

struct TSavedBounds {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

struct TWindowModes {
  bool ImplantActive = false;          // desktop mode, or to be restored after the maximised window
  TSavedBounds SavedBounds;            // the desktop-mode square (version 9 and later)
  bool BackgroundWasVisible = false;   // the desktop picture showed when full screen began
  bool PopupMenuOpen = false;          // a popup menu is open: the mouse is left alone
  bool FocusRequested = false;         // "Focus Window": one click leaves the window in front
  bool FirstRun = false;
  bool FirstMainShow = true;
  bool GlobePending = true;
};
extern TWindowModes& WindowModes;

// The shell's part in desktop mode; tests put stand-ins here.
struct TDesktopShell {
  void (*ShowIcons)(bool Show);
  bool (*MinimizeAll)();
  bool (*UndoMinimizeAll)();
  void (*Wait)(DWORD Ms);
};
extern TDesktopShell DesktopShell;
extern const char* const HelpPageURL;
enum class TKeyCommand {
  kcNone, kcLeaveFullScreen, kcAutoRotation, kcZoomIn, kcZoomOut, kcAbout, kcConnectLocations,
  kcEstablishedOnly, kcFullScreen, kcHighlightShadow, kcImplant, kcLabels, kcAutorefresh
};
// The command of a virtual key; letters whatever the shift state.
TKeyCommand KeyCommandOf(WORD Key);
// The side of the desktop-mode square for a window Width wide: 128, 256,
// 512 or 1024, and 512 when the size would not fit below the screen's height.
int DesktopSquareSize(int Width, int ScreenHeight);
