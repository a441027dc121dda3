#include "scene3d/GLScreen.h"

#include <algorithm>
#include <cstdio>

#include "classlib/UnitInit.h"

BOOL(WINAPI* EnumDisplaySettingsProc)(LPCSTR, DWORD, DEVMODEA*) = nullptr;
LONG(WINAPI* ChangeDisplaySettingsProc)(DEVMODEA*, DWORD) = nullptr;
void (*DesktopModeProc)(int& Width, int& Height, int& Depth) = nullptr;

namespace {
TUnitCounter InitCounter;
std::vector<TVideoMode> vVideoModes;
int vCurrentVideoMode = 0;

struct TLowResolution {
  uint16_t Width, Height;
  uint8_t Depth;
};
const TLowResolution LowResolutions[15] = {
    {320, 200, 8},  {320, 200, 15}, {320, 200, 16}, {320, 200, 24}, {320, 200, 32},
    {400, 300, 8},  {400, 300, 15}, {400, 300, 16}, {400, 300, 24}, {400, 300, 32},
    {512, 384, 8},  {512, 384, 15}, {512, 384, 16}, {512, 384, 24}, {512, 384, 32}};

void SystemDesktopMode(int& Width, int& Height, int& Depth) {
  Width = GetSystemMetrics(SM_CXSCREEN);
  Height = GetSystemMetrics(SM_CYSCREEN);
  HDC dc = GetDC(nullptr);
  Depth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  ReleaseDC(nullptr, dc);
}

DEVMODEA ModeRecord(int Width, int Height, int Depth) {
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  dm.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  dm.dmPelsWidth = static_cast<DWORD>(Width);
  dm.dmPelsHeight = static_cast<DWORD>(Height);
  dm.dmBitsPerPel = static_cast<DWORD>(Depth);
  return dm;
}

bool Accepted(DEVMODEA Mode) {
  return ChangeDisplaySettingsProc(&Mode, CDS_TEST | CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}
}  // namespace

const std::vector<TVideoMode>& VideoModes() { return vVideoModes; }

int CurrentVideoMode() { return vCurrentVideoMode; }

void TryToAddToList(const DEVMODEA& Mode) {
  const auto frequency = static_cast<uint8_t>(std::min<DWORD>(Mode.dmDisplayFrequency, 255));
  for (size_t i = 1; i < vVideoModes.size(); ++i) {
    TVideoMode& m = vVideoModes[i];
    if (m.ColorDepth == Mode.dmBitsPerPel && m.Width == Mode.dmPelsWidth && m.Height == Mode.dmPelsHeight) {
      m.MaxFrequency = std::max(m.MaxFrequency, frequency);
      return;
    }
  }
  if (vVideoModes.size() >= MaxVideoModes || !Accepted(Mode)) return;
  TVideoMode m;
  m.Width = static_cast<uint16_t>(Mode.dmPelsWidth);
  m.Height = static_cast<uint16_t>(Mode.dmPelsHeight);
  m.ColorDepth = static_cast<uint8_t>(Mode.dmBitsPerPel);
  m.MaxFrequency = frequency;
  char text[64];
  std::snprintf(text, sizeof text, "%d x %d, %d bpp", m.Width, m.Height, m.ColorDepth);
  m.Description = text;
  vVideoModes.push_back(std::move(m));
}

void ReadVideoModes() {
  if (!vVideoModes.empty()) return;
  int width = 0, height = 0, depth = 0;
  DesktopModeProc(width, height, depth);
  vVideoModes.push_back({static_cast<uint16_t>(width), static_cast<uint16_t>(height), static_cast<uint8_t>(depth), 0,
                         "default"});
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  for (DWORD i = 0; vVideoModes.size() < MaxVideoModes && EnumDisplaySettingsProc(nullptr, i, &dm); ++i) {
    TryToAddToList(dm);
    dm = DEVMODEA{};
    dm.dmSize = sizeof dm;
  }
  // A driver that refuses a mode this odd does not say yes to everything:
  // the low resolutions it confirms are worth listing.
  if (!Accepted(ModeRecord(42, 37, 8)))
    for (const TLowResolution& r : LowResolutions) {
      if (vVideoModes.size() >= MaxVideoModes) break;
      TryToAddToList(ModeRecord(r.Width, r.Height, r.Depth));
    }
}

int GetIndexFromResolution(int Width, int Height, int Depth) {
  ReadVideoModes();
  int result = 0, excessWidth = 9999, excessHeight = 9999, excessDepth = 99;
  for (size_t i = 1; i < vVideoModes.size(); ++i) {
    const TVideoMode& m = vVideoModes[i];
    if (m.Width < Width || m.Height < Height || m.ColorDepth < Depth) continue;
    const int w = m.Width - Width, h = m.Height - Height, d = m.ColorDepth - Depth;
    if (w <= excessWidth && h <= excessHeight && d <= excessDepth) {
      excessWidth = w, excessHeight = h, excessDepth = d;
      result = static_cast<int>(i);
    }
  }
  return result;
}

bool SetFullscreenMode(int Index, int RefreshRate) {
  if (Index < 0 || Index >= static_cast<int>(vVideoModes.size())) return false;
  const TVideoMode& m = vVideoModes[static_cast<size_t>(Index)];
  DEVMODEA dm = ModeRecord(m.Width, m.Height, m.ColorDepth);
  if (RefreshRate > 0) {
    dm.dmFields |= DM_DISPLAYFREQUENCY;
    dm.dmDisplayFrequency = static_cast<DWORD>(std::min(RefreshRate, static_cast<int>(m.MaxFrequency)));
  }
  if (ChangeDisplaySettingsProc(&dm, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return false;
  vCurrentVideoMode = Index;
  return true;
}

void RestoreDefaultMode() {
  ChangeDisplaySettingsProc(nullptr, CDS_FULLSCREEN);
  vCurrentVideoMode = 0;
}

void GLScreen_Initialize() {
  if (!InitCounter.Enter()) return;
  EnumDisplaySettingsProc = EnumDisplaySettingsA;
  ChangeDisplaySettingsProc = ChangeDisplaySettingsA;
  DesktopModeProc = SystemDesktopMode;
}

void GLScreen_Finalize() {
  if (!InitCounter.Leave()) return;
  if (vCurrentVideoMode != 0) RestoreDefaultMode();
  vVideoModes.clear();
  EnumDisplaySettingsProc = nullptr;
  ChangeDisplaySettingsProc = nullptr;
  DesktopModeProc = nullptr;
}
