// Owning wrappers of Win32 handles and of memory device contexts.
#pragma once
#include <windows.h>

#include <utility>
#include <vector>

template <typename H, typename Traits>
class TOwnedHandle {
public:
  TOwnedHandle() = default;
  explicit TOwnedHandle(H h) : Value(h) {}
  ~TOwnedHandle() { Reset(); }
  TOwnedHandle(const TOwnedHandle&) = delete;
  TOwnedHandle& operator=(const TOwnedHandle&) = delete;
  TOwnedHandle(TOwnedHandle&& o) noexcept : Value(std::exchange(o.Value, Traits::Invalid())) {}
  TOwnedHandle& operator=(TOwnedHandle&& o) noexcept {
    if (this != &o) { Reset(); Value = std::exchange(o.Value, Traits::Invalid()); }
    return *this;
  }
  H Get() const { return Value; }
  bool Valid() const { return Value != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }
  H Release() { return std::exchange(Value, Traits::Invalid()); }
  void Reset(H h = Traits::Invalid()) {
    if (Valid()) Traits::Close(Value);
    Value = h;
  }

private:
  H Value = Traits::Invalid();
};

struct TKernelHandleTraits {   // CreateFile, CreateToolhelp32Snapshot: INVALID_HANDLE_VALUE
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct TNullHandleTraits {     // OpenProcess, CreateMutex, CreateEvent, threads: null
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct TLibraryTraits {
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE h) { FreeLibrary(h); }
};
struct TGdiObjectTraits {
  static HGDIOBJ Invalid() { return nullptr; }
  static void Close(HGDIOBJ h) { DeleteObject(h); }
};

using TFileHandle = TOwnedHandle<HANDLE, TKernelHandleTraits>;
using THandle = TOwnedHandle<HANDLE, TNullHandleTraits>;
using TLibraryHandle = TOwnedHandle<HMODULE, TLibraryTraits>;
using TGdiObject = TOwnedHandle<HGDIOBJ, TGdiObjectTraits>;

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

// Binds a DLL export to a typed function pointer; null when missing.
template <typename F>
F GetProc(HMODULE Lib, const char* Name) {
  return Lib ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Lib, Name))) : nullptr;
}
