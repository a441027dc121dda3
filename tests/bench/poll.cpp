// One whole poll over 1,000 TCP rows with distinct public remote addresses:
// the tables (fake IP Helper exports), process names from the real Tool Help
// snapshot, the Connections Table filled and located, the address set, the
// globe model with its lookups, with and without the connection log. The
// database is the sample one (tools/make-sample-db DIR; default "data"); the
// log is written beside the benchmark (in the build folder) and deleted:
//   tools/wine-run --prefix build/wineprefix build/x86_64/tests/bench_poll.exe [DIR]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "FakeNetwork.h"
#include "LocationFixture.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

namespace {
constexpr int Rows = 1000;

// The window's messages stay unseen: a benchmark has nobody to tell.
class TBenchForm : public TMainForm {
public:
  using TMainForm::TMainForm;

protected:
  void TellUser(const std::string& Text, UINT) override { std::fprintf(stderr, "%s\n", Text.c_str()); }
};

const std::string LogName = "bench_poll.tcp.log";   // beside the benchmark

int Run(const std::string& Folder, DWORD Pid) {
  TBenchForm form(nullptr);
  LogState.LogPath = ProgramFolder() + LogName;
  GlobeState.HomeIP = HomeAddress;
  GlobeState.HomeLabel = "\xBBGB, London";
  GlobeState.HomeCoordinates = "5150;-12";
  form.TableOptions.SetText("1\n1\n1\n0\n1\n");   // UDP shown, autorefresh on
  try {
    form.LocationDatabase.Load(Folder);
  } catch (const Exception& e) {
    std::fprintf(stderr, "bench_poll: no database in \"%s\" (%s)\n", Folder.c_str(), e.Message.c_str());
    return 1;
  }
  auto poll = [&] {
    PollState.TableOpen = true;
    form.Refresh(true);
  };

  poll();   // binds Tool Help
  int located = 0;
  for (int i = 1; i < form.LocationLabels.Count(); ++i)
    located += !form.LocationLabels[i].empty() && form.LocationLabels[i][0] != ' ';
  if (form.TableRows.Count() != Rows || form.LocationLabels.Count() != Rows + 1) {
    std::fprintf(stderr, "bench_poll: %d table rows, %d labels\n", form.TableRows.Count(),
                 form.LocationLabels.Count());
    return 1;
  }
  const std::string name = ProcessNameOfPid(Pid);
  std::printf("%d TCP rows (process %s), %d records, %d places plotted\n", Rows, name.c_str(),
              static_cast<int>(form.LocationDatabase.RecordCount()), located);

  Settings.LogConnections = false;
  const TStats plain = Measure(50, poll);
  std::printf("whole poll, log off:  median %.2f ms, min %.2f ms\n", plain.Median, plain.Min);
  Settings.LogConnections = true;
  poll();   // the entries are open from here on
  const TStats logged = Measure(50, poll);
  std::printf("whole poll, log on:   median %.2f ms, min %.2f ms (%d open entries)\n",
              logged.Median, logged.Min, form.LogEntries.Count());
  const TStats snap = Measure(20, [&] { ProcessNameOfPid(Pid); });
  std::printf("one process snapshot: median %.2f ms (a poll takes one; it took one per row)\n",
              snap.Median);
  std::printf("row: poll of 1,000 rows, log on (median) | %.1f ms | <= 20 ms | -\n", logged.Median);
  return 0;
}
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

  Forms_Initialize();
  NsMain_Initialize();
  const int result = Run(folder, pid);
  // The form wrote its open entries once more as it went.
  DeleteFileA((ProgramFolder() + LogName).c_str());
  return result;
}
