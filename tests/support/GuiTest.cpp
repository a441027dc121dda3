#include "GuiTest.h"

#include <algorithm>
#include <fstream>

#include "classlib/Forms.h"
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

TCapture CaptureClient(HWND Wnd) {
  TCapture c;
  RECT r;
  GetClientRect(Wnd, &r);
  c.Width = r.right;
  c.Height = r.bottom;
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
  BitBlt(mdc, 0, 0, c.Width, c.Height, wdc, 0, 0, SRCCOPY);
  GdiFlush();
  c.Pixels.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + c.Width * c.Height);
  for (auto& p : c.Pixels) p &= 0xFFFFFF;
  SelectObject(mdc, old);
  DeleteObject(bmp);
  DeleteDC(mdc);
  ReleaseDC(Wnd, wdc);
  return c;
}

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
