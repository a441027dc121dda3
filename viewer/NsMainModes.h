// The window's modes: desktop mode, full screen, the first showing.
#pragma once

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
