// Start-up of vantrel.exe with a database of the real size, timed from
// outside: the program is started in RUNDIR (vantrel.exe, myloc.txt and
// data\ with geoip.dat, cities.dat, r.dat and texture.jpg, such as
// tools/make-test-database writes) with snapshots on after every frame, as
// the options window sets them; the time runs from the process start to the
// first snapshot file, to the first one showing the globe, and to the first
// one showing the status line of the first poll, when the resident memory
// is read. The window is then closed as a user closes it. Median of STARTS
// starts (default 5). The load of the database with its checks, the part of
// the start-up that grows with the database, is timed apart, warm:
//   tools/wine-run --prefix build/wineprefix-bench build/x86_64/tests/bench_startup.exe RUNDIR [STARTS]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "RegistryValues.h"
#include "classlib/Jpeg.h"
#include "classlib/SysUtils.h"
#include "classlib/WinHandles.h"
#include "monitor/uLocationDatabase.h"

namespace {
void PutValue(HKEY Key, const char* Name, DWORD Type, const void* Data, DWORD Size) {
  RegSetValueExA(Key, Name, 0, Type, static_cast<const BYTE*>(Data), Size);
}

// Snapshots after every frame, numbered, into Folder: the values the
// options window writes to the key.
void SnapshotsOn(const std::string& Folder) {
  RegDeleteTreeA(HKEY_CURRENT_USER, SettingsKey::Root);
  HKEY k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKey::V138, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                      nullptr) != ERROR_SUCCESS)
    return;
  const DWORD on = 1, off = 0;
  PutValue(k, "SaveImages", REG_DWORD, &on, 4);
  PutValue(k, "Overwrite", REG_DWORD, &on, 4);   // "Do not overwrite images": numbered files
  PutValue(k, "Timestamp", REG_DWORD, &off, 4);
  PutValue(k, "SIInterval", REG_DWORD, &off, 4);
  PutValue(k, "Savepath", REG_SZ, Folder.c_str(), static_cast<DWORD>(Folder.size() + 1));
  PutValue(k, "ExtendLabels", REG_DWORD, &off, 4);
  RegCloseKey(k);
}

std::string SnapshotName(const std::string& Folder, int N) {
  char name[32];
  std::snprintf(name, sizeof name, "\\snapshot.%05d.jpg", N);
  return Folder + name;
}

// What a complete snapshot shows: the globe in the middle, and the status
// line of a poll (green, 0xFE00) at the top left.
struct TSeen {
  bool Globe = false, StatusLine = false;
};
TSeen Look(const std::string& FileName) {
  TSeen seen;
  try {
    TJPEGImage jpeg;
    jpeg.LoadFromFile(FileName);
    TBitmap* b = jpeg.Bitmap();
    auto pixel = [&](int X, int Y) {
      const auto* row = static_cast<const uint8_t*>(b->ScanLine(Y));
      return std::array<int, 3>{row[3 * X + 2], row[3 * X + 1], row[3 * X]};
    };
    // The middle of the view is black until the globe shows, lit or not.
    int lit = 0, green = 0;
    for (int y = b->Height() / 2 - 30; y < b->Height() / 2 + 30; ++y)
      for (int x = b->Width() / 2 - 30; x < b->Width() / 2 + 30; ++x) {
        const auto p = pixel(x, y);
        lit += p[0] + p[1] + p[2] > 8;
      }
    for (int y = 4; y < std::min(24, b->Height()); ++y)
      for (int x = 8; x < std::min(220, b->Width()); ++x) {
        const auto p = pixel(x, y);
        green += p[1] > 150 && p[0] < 100 && p[2] < 100;
      }
    seen.Globe = lit > 60 * 60 / 2;
    seen.StatusLine = green > 10;
  } catch (const Exception&) {
  }
  return seen;
}

using TMemoryInfo = BOOL(WINAPI*)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);

double ResidentMB(HANDLE Process) {
  static const auto info = GetProc<TMemoryInfo>(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo");
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof c;
  if (!info || !info(Process, &c, sizeof c)) return -1;
  return double(c.WorkingSetSize) / (1 << 20);
}

BOOL CALLBACK CloseMain(HWND Wnd, LPARAM Pid) {
  DWORD pid = 0;
  GetWindowThreadProcessId(Wnd, &pid);
  char cls[64] = {};
  GetClassNameA(Wnd, cls, sizeof cls);
  if (pid == static_cast<DWORD>(Pid) && std::string(cls) == "TMainForm") PostMessageA(Wnd, WM_CLOSE, 0, 0);
  return TRUE;
}

struct TStart {
  double First = -1, Globe = -1, Poll = -1, Resident = -1;
};

TStart StartOnce(const std::string& Dir) {
  const std::string images = Dir + "\\images";
  for (int n = 0; FileExists(SnapshotName(images, n)); ++n) DeleteFileA(SnapshotName(images, n).c_str());
  SnapshotsOn(images);
  std::string command = "\"" + Dir + "\\vantrel.exe\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  TStart r;
  const double t0 = BenchNow();
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, Dir.c_str(), &si, &pi)) {
    std::fprintf(stderr, "bench_startup: cannot start %s (%lu)\n", command.c_str(), GetLastError());
    return r;
  }
  // Snapshot n is complete once n + 1 exists (or a moment after it appeared).
  int n = 0;
  double appeared = -1;
  while (BenchNow() - t0 < 30 && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
    const bool here = FileExists(SnapshotName(images, n));
    if (here && appeared < 0) {
      appeared = BenchNow() - t0;
      if (n == 0) r.First = appeared;
    }
    const bool complete = here && (FileExists(SnapshotName(images, n + 1)) || BenchNow() - t0 - appeared > 0.5);
    if (!complete) {
      Sleep(2);
      continue;
    }
    const TSeen seen = Look(SnapshotName(images, n));
    if (seen.Globe && r.Globe < 0) r.Globe = appeared;
    if (seen.StatusLine) {
      r.Poll = appeared;
      r.Resident = ResidentMB(pi.hProcess);
      break;
    }
    ++n;
    appeared = -1;
  }
  EnumWindows(CloseMain, static_cast<LPARAM>(pi.dwProcessId));
  if (WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return r;
}

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V.empty() ? -1 : V[V.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_startup RUNDIR [STARTS]\n");
    return 2;
  }
  Jpeg_Initialize();
  char full[MAX_PATH];
  GetFullPathNameA(argv[1], MAX_PATH, full, nullptr);
  const std::string dir = full;
  const int starts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  TLocationDatabase db;
  const TStats load = Measure(starts, [&] { db.Load(dir + "\\data"); });
  std::printf("row: loading the 3.5 M-range database with its checks (median of %d) | %.0f ms | - | -\n", starts,
              load.Median);
  db.Close();
  std::vector<double> first, globe, poll, resident;
  for (int i = 0; i < starts; ++i) {
    const TStart s = StartOnce(dir);
    std::printf("start %d: first snapshot %.2f s, globe %.2f s, first poll %.2f s, resident %.1f MB\n", i + 1,
                s.First, s.Globe, s.Poll, s.Resident);
    if (s.Globe < 0 || s.Poll < 0) {
      std::fprintf(stderr, "bench_startup: no frame with the globe and a poll in %s\n", dir.c_str());
      return 1;
    }
    first.push_back(s.First);
    globe.push_back(s.Globe);
    poll.push_back(s.Poll);
    resident.push_back(s.Resident);
  }
  std::printf("row: start-up to the first frame with the globe, 3.5 M ranges (median of %d) | %.2f s | <= 1.5 s | -\n",
              starts, Median(globe));
  std::printf("row: start-up to the first frame after the first poll (median of %d) | %.2f s | - | -\n", starts,
              Median(poll));
  std::printf("row: resident memory after the first poll (median of %d) | %.0f MB | - | -\n", starts,
              Median(resident));
  std::printf("(first snapshot of all: median %.2f s)\n", Median(first));
  return 0;
}
