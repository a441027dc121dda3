// Helpers for tests of real windows under Wine and Xvfb.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <ostream>
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

// The picture of a JPEG file (a snapshot) as a capture; EJPEG or a file
// error when it cannot be read.
TCapture JpegCapture(const std::string& FileName);

// The pixels of a rectangle of the screen (menus, tooltips: windows of their own).
TCapture CaptureScreen(const RECT& R);

// Real input through the system's input queue (SendInput); nothing is
// served meanwhile, so the callers pump (PumpFor, PumpUntil) or run inside
// the modal loop that should see it.
enum class TInputButton { Left, Right, Middle };
void MoveMouseTo(int X, int Y);                                        // screen point
void MouseButton(TInputButton Button, bool Down);                       // at the cursor
void ClickAt(int X, int Y, TInputButton Button = TInputButton::Left);   // screen point
void DoubleClickAt(int X, int Y);
void WheelAt(int X, int Y, int Delta);                                  // WHEEL_DELTA steps
POINT ClientToScreenPoint(HWND Wnd, int X, int Y);
void ClickClient(HWND Wnd, int X, int Y, TInputButton Button = TInputButton::Left);
void KeyDown(WORD Vk);
void KeyUp(WORD Vk);
void PressKey(WORD Vk);                 // down and up
void PressKeys(std::initializer_list<WORD> Keys);   // held in order, released backwards (Ctrl+F)
void TypeText(const std::string& Text);   // each character's key, Shift where needed

// GDI objects, windows, menus and icons (cursors too) the process holds.
// Wine's GetGuiResources answers 0, so they are counted by asking the
// system about every handle slot (Wine takes a handle without its
// generation word for any generation); windows are enumerated.
struct TGuiResources {
  int Gdi = 0, Windows = 0, Menus = 0, Icons = 0;
  bool operator==(const TGuiResources&) const = default;
};
TGuiResources GuiResources();
void PrintTo(const TGuiResources& R, std::ostream* Os);   // for test messages
