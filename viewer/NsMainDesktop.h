// The desktop around the main window: its icons and the other windows.
#pragma once

#include <windows.h>

// Shows (or hides) the desktop icons: the first child of the "ProgMan" window.
void ShowDesktopIcons(bool Show);
// The shell's "Shell.Application" MinimizeAll and UndoMinimizeAll; false
// when the shell has no such object.
bool MinimizeAllWindows();
bool RestoreAllWindows();
