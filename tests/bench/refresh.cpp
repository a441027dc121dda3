// One poll over 1,000 TCP rows with distinct public remote addresses, the
// Connections Table open, no details; the rows come from fake IP Helper
// exports. Reported apart: the poll without process snapshots (the fake
// snapshot fails at once, so every name is "?"), the poll with the real Tool
// Help snapshot per row, and the snapshots alone. With a database folder
// (default "data"; tools/make-sample-db writes one) the table rows are
// located as well:
//   tools/wine-run --prefix build/wineprefix build/x86_64/tests/bench_refresh.exe [DIR]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "FakeNetwork.h"
#include "viewer/NsMain.h"

namespace {
constexpr int Rows = 1000;

double Now() {
  static LARGE_INTEGER f = [] {
    LARGE_INTEGER x;
    QueryPerformanceFrequency(&x);
    return x;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) / double(f.QuadPart);
}

struct TStats {
  double Median, Min;
};

template <typename F>
TStats Measure(int Runs, F&& Run) {
  std::vector<double> t;
  for (int i = 0; i < Runs; ++i) {
    const double t0 = Now();
    Run();
    t.push_back(Now() - t0);
  }
  std::sort(t.begin(), t.end());
  return {t[t.size() / 2] * 1000, t.front() * 1000};
}

HANDLE WINAPI NoSnapshot(DWORD, DWORD) { return INVALID_HANDLE_VALUE; }
}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "data";
  uIPHelperAPI_Initialize();
  PresentFamily(TIpHelperFamily::ifExtended);
  const DWORD pid = GetCurrentProcessId();
  for (int i = 0; i < Rows; ++i)   // 11.0.0.0 onwards: public, all distinct
    FakeNet().Tcp.push_back({5, Addr(192, 168, 1, 5), Port(40000 + i),
                             Addr(11 + i / 250, (i * 7) & 255, i & 255, 1 + i % 250),
                             Port(443), pid});

  TMainForm form(nullptr);
  HomeIP = "81.2.69.160";
  form.TableOptions.SetText("1\n1\n1\n0\n1\n");   // UDP shown, autorefresh on
  bool located = false;
  try {
    form.LocationDatabase.Load(folder);
    located = true;
  } catch (const Exception& e) {
    std::printf("no database in \"%s\" (%s): rows are not located\n", folder.c_str(),
                e.Message.c_str());
  }
  auto poll = [&] {
    TableOpen = true;
    form.Refresh(true);
  };

  CreateToolhelp32Snapshot = NoSnapshot;
  poll();
  if (form.TableRows.Count() != Rows || form.VisualizedIPs.Count() != Rows + 1) {
    std::fprintf(stderr, "bench_refresh: %d table rows, %d addresses\n", form.TableRows.Count(),
                 form.VisualizedIPs.Count());
    return 1;
  }
  const TStats bare = Measure(200, poll);
  std::printf("poll, %d TCP rows, table open%s, no snapshots: median %.3f ms, min %.3f ms\n", Rows,
              located ? " and located" : "", bare.Median, bare.Min);

  CreateToolhelp32Snapshot = nullptr;   // the real Tool Help, bound on first use
  Process32First = nullptr;
  Process32Next = nullptr;
  const TStats full = Measure(5, poll);
  const std::string name = ProcessNameOfPid(pid);
  std::printf("poll with one Tool Help snapshot per row: median %.1f ms, min %.1f ms (%s)\n",
              full.Median, full.Min, name.c_str());
  const TStats snaps = Measure(5, [&] {
    for (int i = 0; i < Rows; ++i) ProcessNameOfPid(pid);
  });
  std::printf("%d snapshots alone: median %.1f ms (%.3f ms each)\n", Rows, snaps.Median,
              snaps.Median / Rows);
  return 0;
}
