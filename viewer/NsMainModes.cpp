// Window modes and the keyboard commands of the main window.
#include "viewer/NsMain.h"

TKeyCommand KeyCommandOf(WORD Key) {
  switch (Key) {
    case VK_ESCAPE: return TKeyCommand::kcLeaveFullScreen;
    case VK_SPACE: return TKeyCommand::kcAutoRotation;
    case VK_PRIOR: return TKeyCommand::kcZoomIn;
    case VK_NEXT: return TKeyCommand::kcZoomOut;
    case 'A': return TKeyCommand::kcAbout;
    case 'C': return TKeyCommand::kcConnectLocations;
    case 'E': return TKeyCommand::kcEstablishedOnly;
    case 'F': return TKeyCommand::kcFullScreen;
    case 'H': return TKeyCommand::kcHighlightShadow;
    case 'I': return TKeyCommand::kcImplant;
    case 'L': return TKeyCommand::kcLabels;
    case 'R': return TKeyCommand::kcAutorefresh;
    default: return TKeyCommand::kcNone;
  }
}

int DesktopSquareSize(int Width, int ScreenHeight) {
  int size = Width < 128 ? 128 : Width < 512 ? 256 : Width < 1024 ? 512 : 1024;
  if (size >= ScreenHeight) size = 512;
  return size;
}
