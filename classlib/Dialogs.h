// Common dialogs of the system as components: open and save file, font,
// colour, and the folder picker.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <string>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"

// The system calls behind the dialogs, bound at start-up; tests put their
// own in place to answer without a human.
extern BOOL(WINAPI* GetOpenFileNameProc)(LPOPENFILENAMEA);
extern BOOL(WINAPI* GetSaveFileNameProc)(LPOPENFILENAMEA);
extern BOOL(WINAPI* ChooseFontProc)(LPCHOOSEFONTA);
extern BOOL(WINAPI* ChooseColorProc)(LPCHOOSECOLORA);
extern PIDLIST_ABSOLUTE(WINAPI* BrowseForFolderProc)(LPBROWSEINFOA);

// A dialog is shown by Execute, owned by the active window; true when the
// user accepted it.
class TCommonDialog : public TComponent {
  DECLARE_CLASSINFO(TCommonDialog)
public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  virtual bool Execute() = 0;
  TNotifyEvent OnShow;    // before the dialog opens
  TNotifyEvent OnClose;   // after it closed

protected:
  static HWND OwnerWindow();
};

enum class TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofAllowMultiSelect, ofExtensionDifferent,
  ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofNoReadOnlyReturn, ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption>;

// Filter: "description|pattern|description|pattern", as "HTML file |*.html".
class TOpenDialog : public TCommonDialog {
  DECLARE_CLASSINFO(TOpenDialog)
public:
  explicit TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  std::string FileName;
  std::string Filter;
  int FilterIndex = 1;
  std::string DefaultExt;   // without the dot
  std::string InitialDir;
  std::string Title;
  TOpenOptions Options{TOpenOption::ofHideReadOnly, TOpenOption::ofEnableSizing};
  TStringList* Files() { return &FFiles; }   // every chosen file (ofAllowMultiSelect)
  bool Execute() override;

protected:
  bool DoExecute(BOOL(WINAPI* Func)(LPOPENFILENAMEA));

private:
  TStringList FFiles;
};

class TSaveDialog : public TOpenDialog {
  DECLARE_CLASSINFO(TSaveDialog)
public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
  bool Execute() override;
};

// Shows Font (its colour too) and takes the chosen one into it.
class TFontDialog : public TCommonDialog {
  DECLARE_CLASSINFO(TFontDialog)
public:
  explicit TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  TFont* Font() { return &FFont; }
  void SetFont(TFont* Value) { FFont.Assign(Value); }
  int MinFontSize = 0, MaxFontSize = 0;   // 0: no limit
  bool Execute() override;

private:
  TFont FFont;
};

class TColorDialog : public TCommonDialog {
  DECLARE_CLASSINFO(TColorDialog)
public:
  explicit TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  TColor Color = clBlack;   // shown first; the chosen one after Execute
  COLORREF CustomColors[16] = {};
  bool Execute() override;
};

// The folder picker: Directory is shown first and is the chosen folder
// afterwards; false (Directory unchanged) when cancelled.
bool SelectDirectory(const std::string& Caption, const std::string& Root, std::string& Directory);

// Binds the system calls (comdlg32, shell32).
void Dialogs_Initialize();
void Dialogs_Finalize();
