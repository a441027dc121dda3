// The owner of a memory device context and of what is selected into it.
#pragma once
#include <windows.h>

#include <vector>

// A memory device context (compatible with Compatible, the screen when
// null) and the objects selected into it: the objects it held before are
// selected back, last first, and the DC deleted when it is freed.
class TMemoryDC {
public:
  explicit TMemoryDC(HDC Compatible = nullptr) : DC(CreateCompatibleDC(Compatible)) {}
  ~TMemoryDC() {
    if (!DC) return;
    for (auto o = Old.rbegin(); o != Old.rend(); ++o) SelectObject(DC, *o);
    DeleteDC(DC);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Get() const { return DC; }
  explicit operator bool() const { return DC != nullptr; }
  // Selects Object (a bitmap, font, pen or brush the caller keeps alive
  // while the DC lives).
  void Select(HGDIOBJ Object) {
    if (HGDIOBJ old = SelectObject(DC, Object); old && old != HGDI_ERROR) Old.push_back(old);
  }

private:
  HDC DC;
  std::vector<HGDIOBJ> Old;
};
