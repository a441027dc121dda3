// Helpers for tests of real windows under Wine and Xvfb.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Serves messages (and synchronized calls) until Done() or the time is up.
bool PumpUntil(const std::function<bool()>& Done, DWORD TimeoutMs = 5000);
// Serves messages for a while.
void PumpFor(DWORD Ms);

// The client area of a window as 32-bit pixels (0x00RRGGBB), rows top-down.
struct TCapture {
  int Width = 0, Height = 0;
  std::vector<uint32_t> Pixels;
  uint32_t At(int X, int Y) const { return Pixels[static_cast<size_t>(Y) * Width + X]; }
  int Count(uint32_t Rgb) const;   // pixels of exactly this colour
};
TCapture CaptureClient(HWND Wnd);
// Writes a capture as a 24-bit .bmp file.
void SaveBmp(const TCapture& C, const std::string& FileName);
