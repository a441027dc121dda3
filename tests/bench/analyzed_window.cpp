// The "Analyzed file" window with large logs (lines of about 48 characters,
// every 20th with an address, every 20,000th with 8.8.8.8): the time and
// memory the window takes to show a 10 MB and a 100 MB file (at most its
// first 16 MB) as a new analysis shows it, then F3 to the last address and
// "Show entries" of 8.8.8.8; beside it the rich edit alone taking the
// whole 10 MB in one piece, by WM_SETTEXT and by EM_STREAMIN. Each figure
// comes from a process of its own: under Wine a rich edit's first large
// text is its fastest (a later one waits on the memory an earlier one
// freed). The whole 100 MB in the rich edit is not tried: under Wine it
// needs more memory than the machine has. Needs a display:
//   xvfb-run -a tools/wine-run --prefix build/wineprefix build/x86_64/tests/bench_analyzed_window.exe
#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchTiming.h"
#include "monitor/Unit6.h"
#include "viewer/NsMain.h"

namespace {
std::string MakeLog(size_t Bytes, std::string& LastAddress) {
  std::string text;
  text.reserve(Bytes + 100);
  char line[160];
  for (int i = 0; text.size() < Bytes; ++i) {
    if (i % 20 == 0) {
      std::snprintf(line, sizeof line, "%d.%d.%d.%d", 1 + i % 200, i / 200 % 256, i / 51200 % 256, i % 251);
      LastAddress = line;
      std::snprintf(line, sizeof line, "2026-12-09 10:%02d:%02d accept %s:%d\r\n", i / 60 % 60, i % 60,
                    LastAddress.c_str(), i % 65536);
    } else if (i % 20000 == 10) {
      std::snprintf(line, sizeof line, "2026-12-09 10:%02d:%02d resolver 8.8.8.8 answered\r\n", i / 60 % 60, i % 60);
    } else {
      std::snprintf(line, sizeof line, "2026-12-09 10:%02d:%02d worker %d finished job %d\r\n", i / 60 % 60, i % 60,
                    i % 7, i);
    }
    text += line;
  }
  return text;
}

double MemoryMB() {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof c;
  GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
  return static_cast<double>(c.PeakWorkingSetSize) / (1 << 20);
}

struct TSource {
  const std::string* Text;
  size_t At;
};
DWORD CALLBACK StreamIn(DWORD_PTR Cookie, LPBYTE Buffer, LONG Count, LONG* Done) {
  auto* s = reinterpret_cast<TSource*>(Cookie);
  const size_t n = std::min(static_cast<size_t>(Count), s->Text->size() - s->At);
  std::memcpy(Buffer, s->Text->data() + s->At, n);
  s->At += n;
  *Done = static_cast<LONG>(n);
  return 0;
}

void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

class TBenchForm : public TMainForm {
public:
  using TMainForm::TMainForm;
};

// One figure: Way is "window", "settext" or "streamin".
void Figure(int MB, const std::string& Way) {
  if (Way != "window" && MB > 16) {   // the rich edit alone would take it whole
    std::printf("bench_analyzed_window | %d MB log, %s | not tried: too much memory under Wine\n", MB, Way.c_str());
    return;
  }
  std::string last;
  const std::string text = MakeLog(static_cast<size_t>(MB) << 20, last);
  auto* form = new TBenchForm(Application);
  MainForm = form;
  form->Timer->SetEnabled(false);
  Form6 = new TForm6(Application);
  Form6->AfterConstruction();
  Form6->Show();
  Pump();
  const double base = MemoryMB();
  HWND edit = Form6->RichEdit1->Handle();
  std::printf("bench_analyzed_window | %3d MB log, %-8s | ", MB, Way.c_str());
  if (Way == "window") {
    form->AnalyzedLines.SetText(text);
    double t0 = BenchNow();
    Form6->ShowWholeFile();
    Pump();
    const double shown = BenchNow() - t0, memory = MemoryMB() - base;
    const int chars = Form6->RichEdit1->GetTextLen();
    std::printf("shown in %6.1f s (%d of %zu characters, +%.0f MB)", shown, chars, text.size(), memory);
    SearchedAddress = last;
    SearchFrom = 0;
    WORD key = VK_F3;
    t0 = BenchNow();
    Form6->RichEdit1KeyDown(Form6, key, TShiftState());
    const int caret = Form6->RichEdit1->SelStart();
    std::printf("; F3 to %s %.1f s (%s)", last.c_str(), BenchNow() - t0,
                caret < Form6->RichEdit1->GetTextLen() ? "found" : "not shown");
    t0 = BenchNow();
    Form6->ShowEntries("8.8.8.8");
    Pump();
    std::printf("; Show entries %.1f s (%s)\n", BenchNow() - t0, Form6->StatusBar1->Panels(0)->Text().c_str());
    std::printf("row: \"Analyzed file\" window, %d MB log | shown in %.1f s (%.1f of %.1f MB) | - | +%.0f MB memory\n",
                MB, shown, chars / 1048576.0, text.size() / 1048576.0, memory);
  } else if (Way == "settext") {
    const double t0 = BenchNow();
    SetWindowTextA(edit, text.c_str());
    std::printf("%6.1f s (+%.0f MB)\n", BenchNow() - t0, MemoryMB() - base);
  } else {
    TSource source{&text, 0};
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&source), 0, StreamIn};
    const double t0 = BenchNow();
    SendMessageA(edit, EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&es));
    std::printf("%6.1f s (+%.0f MB)\n", BenchNow() - t0, MemoryMB() - base);
  }
  std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
  uIPHelperAPI_Initialize();
  Forms_Initialize();
  if (argc == 3) {
    Figure(std::atoi(argv[1]), argv[2]);
  } else {
    const struct {
      int MB;
      const char* Way;
    } runs[] = {{10, "window"}, {10, "settext"}, {10, "streamin"}, {100, "window"}};
    for (const auto& r : runs) {
      std::string command = std::string("\"") + argv[0] + "\" " + std::to_string(r.MB) + " " + r.Way;
      STARTUPINFOA si{};
      si.cb = sizeof si;
      PROCESS_INFORMATION pi{};
      if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) continue;
      WaitForSingleObject(pi.hProcess, INFINITE);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }
  Forms_Finalize();
  return 0;
}
