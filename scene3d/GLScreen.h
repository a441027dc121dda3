// The display modes the machine accepts and the switching between them.
// The list is read once: entry 0 is the desktop mode at that time, then
// every mode the driver enumerates and accepts, or, when the driver accepts
// anything it is asked, none but a table of low resolutions it confirms.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct TVideoMode {
  uint16_t Width = 0, Height = 0;
  uint8_t ColorDepth = 0;     // bits per pixel
  uint8_t MaxFrequency = 0;   // Hz, 0 when the driver names none
  std::string Description;    // "default", or "800 x 600, 32 bpp"
};

constexpr int MaxVideoModes = 200;

// The display API as this unit calls it; GLScreen_Initialize sets the
// system's, tests put fakes in their place.
extern BOOL(WINAPI* EnumDisplaySettingsProc)(LPCSTR, DWORD, DEVMODEA*);
extern LONG(WINAPI* ChangeDisplaySettingsProc)(DEVMODEA*, DWORD);
// The desktop's width, height and colour depth (bits per pixel x planes).
extern void (*DesktopModeProc)(int& Width, int& Height, int& Depth);

// Reads the list when it is empty.
void ReadVideoModes();
const std::vector<TVideoMode>& VideoModes();
// The entry set last (0: the desktop's).
int CurrentVideoMode();
// Appends the mode when the driver accepts it, or raises the refresh rate
// of the entry of the same size and depth.
void TryToAddToList(const DEVMODEA& Mode);
// The smallest listed mode (entry 1 on) at least this large and deep; 0 for none.
int GetIndexFromResolution(int Width, int Height, int Depth);
// Switches to the entry; a RefreshRate above 0 is asked for, lowered to
// the entry's maximum. False when the driver refuses (nothing changes).
bool SetFullscreenMode(int Index, int RefreshRate = 0);
// Back to the desktop mode of the registry.
void RestoreDefaultMode();

void GLScreen_Initialize();
// Restores the default mode when another one is set, and forgets the list.
void GLScreen_Finalize();
