// File analysis of a 100 MB log (about 5% of its lines with an address):
// the whole "Analyze file" command (reading, lines, scan, globe update) in
// MB/s beside grep -oE on the host over the same file in the same run, and
// how soon a Cancel is answered during a scan; the last line sums it up as
// a line of the benchmark table. Needs a display:
//   xvfb-run -a tools/wine-run --prefix build/wineprefix build/x86_64/tests/bench_analysis.exe
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchTiming.h"
#include "LocationFixture.h"
#include "classlib/Dialogs.h"
#include "monitor/Unit5.h"
#include "monitor/Unit6.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainAnalysis.h"
#include "viewer/NsMainGlobe.h"

namespace {
std::string FilePath;
BOOL WINAPI AnswerOpen(LPOPENFILENAMEA O) {
  lstrcpynA(O->lpstrFile, FilePath.c_str(), static_cast<int>(O->nMaxFile));
  return TRUE;
}

class TBenchForm : public TMainForm {
public:
  using TMainForm::TMainForm;

protected:
  void TellUser(const std::string& Text, UINT) override { std::fprintf(stderr, "%s\n", Text.c_str()); }
};

size_t WriteLog(const std::string& Path) {
  std::ofstream f(Path.c_str(), std::ios::binary);
  char line[160];
  size_t written = 0;
  for (int i = 0; written < (100u << 20); ++i) {
    const int n = i % 20 == 0 ? std::snprintf(line, sizeof line, "2026-12-09 10:%02d:%02d accept %d.%d.%d.%d:%d\r\n",
                                              i / 60 % 60, i % 60, 1 + i % 200, i / 200 % 256, i / 51200 % 256,
                                              i % 251, i % 65536)
                              : std::snprintf(line, sizeof line, "2026-12-09 10:%02d:%02d worker %d finished job %d\r\n",
                                              i / 60 % 60, i % 60, i % 7, i);
    f.write(line, n);
    written += static_cast<size_t>(n);
  }
  return written;
}

// The host's grep over the file, timed by the host's shell (Wine starts
// Unix programs, but does not wait for them): seconds, -1 when it failed.
double HostGrep(const std::string& Path, long& Matches) {
  using TUnixName = char*(CDECL*)(LPCWSTR);
  auto unixName = GetProc<TUnixName>(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
  if (!unixName) return -1;
  wchar_t wide[MAX_PATH];
  char full[MAX_PATH];
  GetFullPathNameA(Path.c_str(), MAX_PATH, full, nullptr);
  MultiByteToWideChar(CP_ACP, 0, full, -1, wide, MAX_PATH);
  const std::string file = unixName(wide);
  const std::string result = file + ".grep";
  GetFullPathNameA((Path + ".grep").c_str(), MAX_PATH, full, nullptr);
  DeleteFileA(full);
  std::string command = "/bin/sh -c \"s=$(date +%s%N); grep -oE '([0-9]{1,3}\\.){3}[0-9]{1,3}' '" + file +
                        "' | wc -l > '" + result + ".part'; e=$(date +%s%N); echo $((e-s)) >> '" + result +
                        ".part'; mv '" + result + ".part' '" + result + "'\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  for (int i = 0; i < 600 && GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
  FILE* f = std::fopen(full, "r");
  if (!f) return -1;
  long long ns = 0;
  const int got = std::fscanf(f, "%ld %lld", &Matches, &ns);
  std::fclose(f);
  DeleteFileA(full);
  return got == 2 ? ns / 1e9 : -1;
}
}  // namespace

int main() {
  uIPHelperAPI_Initialize();
  Forms_Initialize();
  FilePath = "bench_analysis.log";
  std::printf("writing a 100 MB log...\n");
  const double mb = static_cast<double>(WriteLog(FilePath)) / (1 << 20);
  char full[MAX_PATH];
  GetFullPathNameA(FilePath.c_str(), MAX_PATH, full, nullptr);
  FilePath = full;

  // grep's median of five, as for the scan
  long matches = 0;
  std::vector<double> greps;
  for (int i = 0; i < 5; ++i) greps.push_back(HostGrep(FilePath, matches));
  std::sort(greps.begin(), greps.end());
  const double grep = greps[0] < 0 ? -1 : greps[2];
  std::printf("grep -oE runs (s):");
  for (double g : greps) std::printf(" %.2f", g);
  std::printf("\n");

  auto* form = new TBenchForm(Application);
  MainForm = form;
  GlobeState.HomeIP = HomeAddress;
  form->Timer->SetEnabled(false);
  form->TableOptions.SetText("1\n0\n1\n0\n0\n");   // no "Analyzed file" window: the scan is measured
  Form5 = new TForm5(Application);
  Form5->AfterConstruction();
  Form6 = new TForm6(Application);
  Form6->AfterConstruction();
  GetOpenFileNameProc = AnswerOpen;

  std::vector<double> runs;
  for (int i = 0; i < 5; ++i) {
    form->Unloadanalysedfile1Click(form);
    const double t0 = BenchNow();
    form->EnterIP1Click(form->EnterIP1);
    runs.push_back(BenchNow() - t0);
  }
  std::sort(runs.begin(), runs.end());
  const int found = form->AnalyzedIPs.Count() - 1;
  const double rate = mb / runs[2];
  std::printf("file: %.1f MB, %d lines, %d distinct public addresses kept (grep: %ld matches)\n", mb,
              form->AnalyzedLines.Count(), found, matches);
  std::printf("Analyze file (read, lines, scan, globe): median %.2f s = %.1f MB/s (best %.2f s)\n", runs[2], rate,
              runs[0]);
  if (grep > 0)
    std::printf("grep -oE on the host:                   %.2f s = %.1f MB/s\n", grep, mb / grep);
  else
    std::printf("grep on the host could not be run\n");

  // the parts: reading, the text into lines, and the scan of the text alone
  {
    std::string bytes;
    double t0 = BenchNow();
    {
      TFileStream f(FilePath, fmOpenRead);
      bytes.resize(static_cast<size_t>(f.Size()));
      f.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    const double read = BenchNow() - t0;
    TAnalyzedLines lines;
    t0 = BenchNow();
    lines.SetText(bytes);
    const double split = BenchNow() - t0;
    TStringList list;
    list.Add(GlobeState.HomeIP);
    TAnalyzedAddresses found(list);
    t0 = BenchNow();
    ExtractIPsFromLine(bytes, found);
    const double scan = BenchNow() - t0;
    std::printf("of which: read %.2f s, text kept and its lines counted %.2f s, scan %.2f s (%.0f MB/s)\n", read,
                split, scan, mb / scan);
  }

  // Cancel: a click on the button while the scan runs, from another thread
  std::vector<double> answers, hidden;
  for (int delay : {20, 60, 120, 200, 300}) {
    form->Unloadanalysedfile1Click(form);
    std::atomic<double> clicked{0}, hiddenAt{0};
    HWND button = Form5->BitBtn1->Handle();
    HWND window = Form5->Handle();
    std::thread clicker([&] {
      while (!IsWindowVisible(window)) Sleep(1);   // the scan has begun
      Sleep(static_cast<DWORD>(delay));
      clicked = BenchNow();
      PostMessageA(button, BM_CLICK, 0, 0);
      while (IsWindowVisible(window)) Sleep(0);
      hiddenAt = BenchNow();
    });
    form->EnterIP1Click(form->EnterIP1);
    const double done = BenchNow();
    clicker.join();
    const bool cancelled = form->AnalyzedIPs.Count() == 0;
    answers.push_back(cancelled ? (done - clicked) * 1000 : -1);
    hidden.push_back(cancelled ? (hiddenAt - clicked) * 1000 : -1);
  }
  std::printf("Cancel: the window closed after (ms):");
  for (double a : hidden) std::printf(a < 0 ? " (scan ended first)" : " %.1f", a);
  std::printf("\nCancel: the command returned, all put back, after (ms):");
  for (double a : answers) std::printf(a < 0 ? " (scan ended first)" : " %.1f", a);
  std::printf("\n");
  // the table line: the figure, its goal and the ratio to its peer
  const double slowest = *std::max_element(hidden.begin(), hidden.end());
  std::printf("row: \"Analyze file\" of a 100 MB log (median) | %.1f MB/s | >= 1.0 x grep | %.2f x grep (%.0f MB/s)\n",
              rate, grep > 0 ? rate / (mb / grep) : 0.0, grep > 0 ? mb / grep : 0.0);
  std::printf("row: \"Analyze file\" cancelled, the window gone (slowest of %zu) | %.0f ms | <= 100 ms | -\n",
              hidden.size(), slowest);
  Forms_Finalize();
  DeleteFileA(FilePath.c_str());
  return 0;
}
