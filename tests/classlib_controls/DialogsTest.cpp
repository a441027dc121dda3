#include <functional>
#include <string>
#include <vector>

#include "ControlForm.h"
#include "TestPaths.h"
#include "classlib/Dialogs.h"
#include "classlib/ExtCtrls.h"

namespace {
// What the fake file dialog was handed, and what it answers.
struct TFileCall {
  HWND Owner = nullptr;
  std::string Title, Filter, File, DefExt;
  DWORD Flags = 0;
};
std::vector<TFileCall> FileCalls;
std::string FileAnswer;   // empty: cancelled

BOOL WINAPI FakeFileDialog(LPOPENFILENAMEA O) {
  TFileCall c;
  c.Owner = O->hwndOwner;
  c.Title = O->lpstrTitle ? O->lpstrTitle : "";
  const char* f = O->lpstrFilter;
  while (f && *f) {   // pairs of strings up to an empty one
    c.Filter += std::string(f) + "|";
    f += strlen(f) + 1;
  }
  c.File = O->lpstrFile;
  c.DefExt = O->lpstrDefExt ? O->lpstrDefExt : "";
  c.Flags = O->Flags;
  FileCalls.push_back(c);
  if (FileAnswer.empty()) return FALSE;
  lstrcpynA(O->lpstrFile, FileAnswer.c_str(), static_cast<int>(O->nMaxFile));
  O->nFilterIndex = 1;
  return TRUE;
}

// The visible dialog window (class "#32770") of this thread, or null.
HWND OpenDialog() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND W, LPARAM P) WINAPI -> BOOL {
        char cls[16] = {};
        GetClassNameA(W, cls, sizeof cls);
        if (std::string(cls) == "#32770" && IsWindowVisible(W)) {
          *reinterpret_cast<HWND*>(P) = W;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Once a dialog is up and in front, runs Keys (real input).
void WhenDialogOpens(TComponent* Owner, std::function<void()> Keys) {
  auto* t = new TTimer(Owner);
  t->SetInterval(50);
  t->OnTimer = [t, Keys](TObject*) {
    HWND d = OpenDialog();
    if (!d || GetForegroundWindow() != d) return;
    t->SetEnabled(false);
    Sleep(100);
    Keys();
  };
}
}  // namespace

TEST_F(ControlTest, SaveDialogHandsItsSettingsOverAndTakesTheChosenFile) {
  ShowForm();
  auto* d = new TSaveDialog(Form);
  d->FileName = "Connections Table";
  d->DefaultExt = "html";
  d->Title = " Save Connections Table";
  d->Filter = "HTML file |*.html";
  d->Options.Include(TOpenOption::ofOverwritePrompt);
  std::vector<std::string> events;
  d->OnShow = [&](TObject*) { events.push_back("show"); };
  d->OnClose = [&](TObject*) { events.push_back("close"); };
  GetSaveFileNameProc = FakeFileDialog;
  FileCalls.clear();
  FileAnswer = "C:\\tables\\Connections Table.html";
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName, "C:\\tables\\Connections Table.html");
  ASSERT_EQ(FileCalls.size(), 1u);
  EXPECT_EQ(FileCalls[0].Owner, Form->Handle());
  EXPECT_EQ(FileCalls[0].Title, " Save Connections Table");
  EXPECT_EQ(FileCalls[0].Filter, "HTML file |*.html|");
  EXPECT_EQ(FileCalls[0].File, "Connections Table");
  EXPECT_EQ(FileCalls[0].DefExt, "html");
  EXPECT_TRUE(FileCalls[0].Flags & OFN_OVERWRITEPROMPT);
  FileAnswer.clear();
  EXPECT_FALSE(d->Execute());   // cancelled: the name stays
  EXPECT_EQ(d->FileName, "C:\\tables\\Connections Table.html");
  EXPECT_EQ(events, (std::vector<std::string>{"show", "close", "show", "close"}));
  Dialogs_Finalize();
  Dialogs_Initialize();   // the system's dialog again
  EXPECT_THROW(
      {
        Dialogs_Finalize();
        d->Execute();
      },
      EInvalidOperation);
  Dialogs_Initialize();
}

TEST_F(ControlTest, TheSystemsDialogsAnswerRealKeys) {
  ShowForm();
  std::string dir = TempFolder("dialogs");
  auto* save = new TSaveDialog(Form);
  save->InitialDir = dir;
  save->DefaultExt = "txt";
  save->Filter = "TEXT file |*.txt";
  WhenDialogOpens(Form, [] {
    TypeText("Vantrel_output");
    PressKey(VK_RETURN);
  });
  ASSERT_TRUE(save->Execute());
  EXPECT_TRUE(SameText(save->FileName, dir + "\\Vantrel_output.txt")) << save->FileName;

  auto* colour = new TColorDialog(Form);
  colour->Color = 0x123456;
  WhenDialogOpens(Form, [] { PressKey(VK_RETURN); });
  ASSERT_TRUE(colour->Execute());
  EXPECT_EQ(colour->Color, 0x123456u);
  WhenDialogOpens(Form, [] { PressKey(VK_ESCAPE); });
  colour->Color = clRed;
  EXPECT_FALSE(colour->Execute());
  EXPECT_EQ(colour->Color, clRed);

  // a font of the prefix, preselected from the font handed over
  auto* font = new TFontDialog(Form);
  font->Font()->SetName("DejaVu Sans Mono");
  font->Font()->SetSize(12);
  font->Font()->SetStyle({TFontStyle::fsBold});
  font->Font()->SetColor(clBlack);
  WhenDialogOpens(Form, [] { PressKey(VK_RETURN); });
  ASSERT_TRUE(font->Execute());
  EXPECT_EQ(font->Font()->Name(), "DejaVu Sans Mono");
  EXPECT_EQ(font->Font()->Size(), 12);
  EXPECT_TRUE(font->Font()->Style().Contains(TFontStyle::fsBold));
}

TEST_F(ControlTest, SelectDirectoryShowsItsCaptionAndTakesTheChosenFolder) {
  static std::string title, chosen;
  chosen = TempFolder("pick");
  BrowseForFolderProc = [](LPBROWSEINFOA B) WINAPI -> PIDLIST_ABSOLUTE {
    title = B->lpszTitle;
    if (chosen.empty()) return nullptr;
    PIDLIST_ABSOLUTE p = nullptr;
    std::wstring w(chosen.begin(), chosen.end());
    SHParseDisplayName(w.c_str(), nullptr, &p, 0, nullptr);
    return p;
  };
  std::string dir = "C:\\";
  ASSERT_TRUE(SelectDirectory("Select a directory", "", dir));
  EXPECT_EQ(title, "Select a directory");
  EXPECT_TRUE(SameText(dir, chosen)) << dir;
  chosen.clear();
  dir = "C:\\images";
  EXPECT_FALSE(SelectDirectory("Select a directory", "", dir));
  EXPECT_EQ(dir, "C:\\images");
  Dialogs_Finalize();
  Dialogs_Initialize();
}
