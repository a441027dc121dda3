#include "GuiTest.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "classlib/Forms.h"
#include "classlib/Jpeg.h"
#include "classlib/Threads.h"

bool PumpUntil(const std::function<bool()>& Done, DWORD TimeoutMs) {
  DWORD start = GetTickCount();
  while (!Done()) {
    if (GetTickCount() - start > TimeoutMs) return false;
    if (Application) Application->ProcessMessages();
    else {
      MSG m;
      while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
      }
    }
    CheckSynchronize();
    HANDLE ev = SyncEvent();
    MsgWaitForMultipleObjects(ev ? 1 : 0, ev ? &ev : nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(DWORD Ms) {
  DWORD start = GetTickCount();
  PumpUntil([&] { return GetTickCount() - start >= Ms; }, Ms + 1000);
}

int TCapture::Count(uint32_t Rgb) const {
  return static_cast<int>(std::count(Pixels.begin(), Pixels.end(), Rgb));
}

namespace {
TCapture CaptureDC(HWND Wnd, int X, int Y, int Width, int Height) {
  TCapture c;
  c.Width = Width;
  c.Height = Height;
  if (c.Width <= 0 || c.Height <= 0) return c;
  HDC wdc = GetDC(Wnd);
  HDC mdc = CreateCompatibleDC(wdc);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = c.Width;
  bi.bmiHeader.biHeight = -c.Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(wdc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mdc, bmp);
  BitBlt(mdc, 0, 0, c.Width, c.Height, wdc, X, Y, SRCCOPY);
  GdiFlush();
  c.Pixels.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + c.Width * c.Height);
  for (auto& p : c.Pixels) p &= 0xFFFFFF;
  SelectObject(mdc, old);
  DeleteObject(bmp);
  DeleteDC(mdc);
  ReleaseDC(Wnd, wdc);
  return c;
}
}  // namespace

TCapture CaptureClient(HWND Wnd) {
  RECT r;
  GetClientRect(Wnd, &r);
  return CaptureDC(Wnd, 0, 0, r.right, r.bottom);
}

TCapture JpegCapture(const std::string& FileName) {
  TJPEGImage jpeg;
  jpeg.LoadFromFile(FileName);
  TBitmap* b = jpeg.Bitmap();
  TCapture c;
  c.Width = b->Width();
  c.Height = b->Height();
  for (int y = 0; y < c.Height; ++y) {
    const auto* row = static_cast<const uint8_t*>(b->ScanLine(y));
    for (int x = 0; x < c.Width; ++x)
      c.Pixels.push_back(uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x]);
  }
  return c;
}

TCapture CaptureScreen(const RECT& R) { return CaptureDC(nullptr, R.left, R.top, R.right - R.left, R.bottom - R.top); }

void SaveBmp(const TCapture& C, const std::string& FileName) {
  int rowBytes = (C.Width * 3 + 3) & ~3;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(rowBytes * C.Height);
  ih.biSize = sizeof ih;
  ih.biWidth = C.Width;
  ih.biHeight = C.Height;   // bottom-up
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  std::ofstream f(FileName, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(&fh), sizeof fh);
  f.write(reinterpret_cast<const char*>(&ih), sizeof ih);
  std::vector<char> row(static_cast<size_t>(rowBytes), 0);
  for (int y = C.Height - 1; y >= 0; --y) {
    for (int x = 0; x < C.Width; ++x) {
      uint32_t p = C.At(x, y);
      row[static_cast<size_t>(x) * 3] = static_cast<char>(p & 0xFF);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>((p >> 8) & 0xFF);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>((p >> 16) & 0xFF);
    }
    f.write(row.data(), rowBytes);
  }
}

// ---- Real input ----

namespace {
void SendOne(INPUT In) { SendInput(1, &In, sizeof In); }

void SendMouse(DWORD Flags, DWORD Data = 0) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = Flags;
  in.mi.mouseData = Data;
  SendOne(in);
}

// A button event that carries its own screen point. The cursor may not stay
// where this test put it: another program that gets the pointer's motion
// late (from the display) moves it back to where it was before, and an
// event without a point would land there.
void SendMouseAt(DWORD Flags, int X, int Y) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = Flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in.mi.dx = static_cast<LONG>((X * 65536LL + w - 1) / w);   // the system takes dx * w / 65536
  in.mi.dy = static_cast<LONG>((Y * 65536LL + h - 1) / h);
  SendOne(in);
}

void SendKey(WORD Vk, bool Up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = Vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(Vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = Up ? KEYEVENTF_KEYUP : 0;
  SendOne(in);
}
}  // namespace

void MoveMouseTo(int X, int Y) {
  SetCursorPos(X, Y);
  SendMouseAt(0, X, Y);   // a move there: the window under the point hears of it
}

void MouseButton(TInputButton Button, bool Down) {
  static const DWORD down[] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_MIDDLEDOWN};
  static const DWORD up[] = {MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTUP, MOUSEEVENTF_MIDDLEUP};
  SendMouse((Down ? down : up)[static_cast<int>(Button)]);
}

void ClickAt(int X, int Y, TInputButton Button) {
  static const DWORD down[] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_MIDDLEDOWN};
  static const DWORD up[] = {MOUSEEVENTF_LEFTUP, MOUSEEVENTF_RIGHTUP, MOUSEEVENTF_MIDDLEUP};
  MoveMouseTo(X, Y);
  SendMouseAt(down[static_cast<int>(Button)], X, Y);
  SendMouseAt(up[static_cast<int>(Button)], X, Y);
}

void DoubleClickAt(int X, int Y) {
  ClickAt(X, Y);
  ClickAt(X, Y);
}

void WheelAt(int X, int Y, int Delta) {
  MoveMouseTo(X, Y);
  SendMouse(MOUSEEVENTF_WHEEL, static_cast<DWORD>(Delta));
}

POINT ClientToScreenPoint(HWND Wnd, int X, int Y) {
  POINT p{X, Y};
  ClientToScreen(Wnd, &p);
  return p;
}

void ClickClient(HWND Wnd, int X, int Y, TInputButton Button) {
  POINT p = ClientToScreenPoint(Wnd, X, Y);
  ClickAt(p.x, p.y, Button);
}

void KeyDown(WORD Vk) { SendKey(Vk, false); }
void KeyUp(WORD Vk) { SendKey(Vk, true); }

void PressKey(WORD Vk) {
  KeyDown(Vk);
  KeyUp(Vk);
}

void PressKeys(std::initializer_list<WORD> Keys) {
  for (WORD k : Keys) KeyDown(k);
  for (auto it = std::rbegin(Keys); it != std::rend(Keys); ++it) KeyUp(*it);
}

void TypeText(const std::string& Text) {
  for (char ch : Text) {
    SHORT scan = VkKeyScanA(ch);
    if (scan == -1) continue;
    WORD vk = LOBYTE(scan);
    bool shift = HIBYTE(scan) & 1;
    if (shift) KeyDown(VK_SHIFT);
    PressKey(vk);
    if (shift) KeyUp(VK_SHIFT);
  }
}

namespace {
BOOL CALLBACK CountWindow(HWND, LPARAM Count) {
  ++*reinterpret_cast<int*>(Count);
  return TRUE;
}

BOOL CALLBACK CountOwnWindows(HWND Wnd, LPARAM Count) {
  DWORD pid = 0;
  GetWindowThreadProcessId(Wnd, &pid);
  if (pid == GetCurrentProcessId()) {
    ++*reinterpret_cast<int*>(Count);
    EnumChildWindows(Wnd, CountWindow, Count);
  }
  return TRUE;
}
}  // namespace

TGuiResources GuiResources() {
  TGuiResources r;
  HDC probe = CreateCompatibleDC(nullptr);
  HBITMAP pixel = CreateCompatibleBitmap(probe, 1, 1);
  HGDIOBJ old = SelectObject(probe, pixel);
  for (uintptr_t i = 1; i <= 0xFFFF; ++i)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++r.Gdi;
  for (uintptr_t i = 0x20; i <= 0xFFFF; i += 2) {
    if (IsMenu(reinterpret_cast<HMENU>(i))) ++r.Menus;
    else if (DrawIconEx(probe, 0, 0, reinterpret_cast<HICON>(i), 1, 1, 0, nullptr, DI_NORMAL)) ++r.Icons;
  }
  SelectObject(probe, old);
  DeleteObject(pixel);
  DeleteDC(probe);
  r.Gdi -= 2;   // the probe's own context and bitmap
  EnumWindows(CountOwnWindows, reinterpret_cast<LPARAM>(&r.Windows));
  HWND w = nullptr;
  while ((w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr))) CountOwnWindows(w, reinterpret_cast<LPARAM>(&r.Windows));
  return r;
}

void PrintTo(const TGuiResources& R, std::ostream* Os) {
  *Os << "{GDI " << R.Gdi << ", windows " << R.Windows << ", menus " << R.Menus << ", icons " << R.Icons << "}";
}
