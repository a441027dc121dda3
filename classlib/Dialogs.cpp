#include "classlib/Dialogs.h"

#include <vector>

#include "classlib/UnitInit.h"

BOOL(WINAPI* GetOpenFileNameProc)(LPOPENFILENAMEA) = nullptr;
BOOL(WINAPI* GetSaveFileNameProc)(LPOPENFILENAMEA) = nullptr;
BOOL(WINAPI* ChooseFontProc)(LPCHOOSEFONTA) = nullptr;
BOOL(WINAPI* ChooseColorProc)(LPCHOOSECOLORA) = nullptr;
PIDLIST_ABSOLUTE(WINAPI* BrowseForFolderProc)(LPBROWSEINFOA) = nullptr;

namespace {
TUnitCounter Counter;

[[noreturn]] void NotBound() { throw EInvalidOperation("Dialogs unit is not initialized"); }
}  // namespace

void Dialogs_Initialize() {
  if (!Counter.Enter()) return;
  GetOpenFileNameProc = GetOpenFileNameA;
  GetSaveFileNameProc = GetSaveFileNameA;
  ChooseFontProc = ChooseFontA;
  ChooseColorProc = ChooseColorA;
  BrowseForFolderProc = SHBrowseForFolderA;
}

void Dialogs_Finalize() {
  if (!Counter.Leave()) return;
  GetOpenFileNameProc = nullptr;
  GetSaveFileNameProc = nullptr;
  ChooseFontProc = nullptr;
  ChooseColorProc = nullptr;
  BrowseForFolderProc = nullptr;
}

IMPLEMENT_CLASSINFO(TCommonDialog, TComponent)
IMPLEMENT_CLASSINFO(TOpenDialog, TCommonDialog)
IMPLEMENT_CLASSINFO(TSaveDialog, TOpenDialog)
IMPLEMENT_CLASSINFO(TFontDialog, TCommonDialog)
IMPLEMENT_CLASSINFO(TColorDialog, TCommonDialog)

HWND TCommonDialog::OwnerWindow() {
  HWND w = GetActiveWindow();
  return w;
}

namespace {
// "a|b|c|d" as the system wants it: "a\0b\0c\0d\0\0".
std::string FilterText(const std::string& Filter) {
  std::string s = Filter;
  for (char& c : s)
    if (c == '|') c = '\0';
  s.append(2, '\0');
  return s;
}

// Runs a dialog with its OnShow before and OnClose after.
template <typename F>
bool Shown(TCommonDialog* D, F&& Run) {
  if (D->OnShow) D->OnShow(D);
  bool ok = Run();
  if (D->OnClose) D->OnClose(D);
  return ok;
}
}  // namespace

bool TOpenDialog::DoExecute(BOOL(WINAPI* Func)(LPOPENFILENAMEA)) {
  if (!Func) NotBound();
  std::vector<char> file(Options.Contains(TOpenOption::ofAllowMultiSelect) ? 32768 : MAX_PATH + 1, '\0');
  FileName.copy(file.data(), file.size() - 1);
  std::string filter = FilterText(Filter);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = OwnerWindow();
  ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
  const std::pair<TOpenOption, DWORD> flags[] = {
      {TOpenOption::ofReadOnly, OFN_READONLY},           {TOpenOption::ofOverwritePrompt, OFN_OVERWRITEPROMPT},
      {TOpenOption::ofHideReadOnly, OFN_HIDEREADONLY},   {TOpenOption::ofAllowMultiSelect, OFN_ALLOWMULTISELECT},
      {TOpenOption::ofPathMustExist, OFN_PATHMUSTEXIST}, {TOpenOption::ofFileMustExist, OFN_FILEMUSTEXIST},
      {TOpenOption::ofCreatePrompt, OFN_CREATEPROMPT},   {TOpenOption::ofNoReadOnlyReturn, OFN_NOREADONLYRETURN},
      {TOpenOption::ofEnableSizing, OFN_ENABLESIZING}};
  for (auto& f : flags)
    if (Options.Contains(f.first)) ofn.Flags |= f.second;
  return Shown(this, [&] {
    FFiles.Clear();
    if (!Func(&ofn)) return false;
    FilterIndex = static_cast<int>(ofn.nFilterIndex);
    if (ofn.Flags & OFN_READONLY) Options.Include(TOpenOption::ofReadOnly);
    else Options.Exclude(TOpenOption::ofReadOnly);
    // several files: the folder, then each name, each ending with a zero
    std::string first(file.data());
    const char* p = file.data() + first.size() + 1;
    if ((ofn.Flags & OFN_ALLOWMULTISELECT) && *p) {
      std::string dir = first;
      if (!dir.empty() && dir.back() != '\\') dir += '\\';
      for (; *p; p += std::string(p).size() + 1) FFiles.Add(dir + p);
    } else {
      FFiles.Add(first);
    }
    FileName = FFiles[0];
    return true;
  });
}

bool TOpenDialog::Execute() { return DoExecute(GetOpenFileNameProc); }

bool TSaveDialog::Execute() { return DoExecute(GetSaveFileNameProc); }

bool TFontDialog::Execute() {
  if (!ChooseFontProc) NotBound();
  LOGFONTA lf{};
  lf.lfHeight = FFont.Height();
  lf.lfWeight = FFont.Style().Contains(TFontStyle::fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = FFont.Style().Contains(TFontStyle::fsItalic);
  lf.lfUnderline = FFont.Style().Contains(TFontStyle::fsUnderline);
  lf.lfStrikeOut = FFont.Style().Contains(TFontStyle::fsStrikeOut);
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(lf.lfFaceName, FFont.Name().c_str(), LF_FACESIZE);
  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = OwnerWindow();
  cf.lpLogFont = &lf;
  cf.rgbColors = ColorToRGB(FFont.Color());
  cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
  if (MinFontSize > 0 || MaxFontSize > 0) {
    cf.Flags |= CF_LIMITSIZE;
    cf.nSizeMin = MinFontSize;
    cf.nSizeMax = MaxFontSize > 0 ? MaxFontSize : 0x7FFF;
  }
  return Shown(this, [&] {
    if (!ChooseFontProc(&cf)) return false;
    FFont.SetName(lf.lfFaceName);
    FFont.SetHeight(lf.lfHeight);
    TFontStyles style;
    if (lf.lfWeight >= FW_BOLD) style.Include(TFontStyle::fsBold);
    if (lf.lfItalic) style.Include(TFontStyle::fsItalic);
    if (lf.lfUnderline) style.Include(TFontStyle::fsUnderline);
    if (lf.lfStrikeOut) style.Include(TFontStyle::fsStrikeOut);
    FFont.SetStyle(style);
    FFont.SetColor(cf.rgbColors);
    return true;
  });
}

bool TColorDialog::Execute() {
  if (!ChooseColorProc) NotBound();
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = OwnerWindow();
  cc.rgbResult = ColorToRGB(Color);
  cc.lpCustColors = CustomColors;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN;
  return Shown(this, [&] {
    if (!ChooseColorProc(&cc)) return false;
    Color = cc.rgbResult;
    return true;
  });
}

namespace {
struct TBrowseStart {
  std::string Directory;
};

int CALLBACK BrowseCallback(HWND Wnd, UINT Msg, LPARAM, LPARAM Data) {
  auto* start = reinterpret_cast<TBrowseStart*>(Data);
  if (Msg == BFFM_INITIALIZED && !start->Directory.empty())
    SendMessageA(Wnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start->Directory.c_str()));
  return 0;
}
}  // namespace

bool SelectDirectory(const std::string& Caption, const std::string& Root, std::string& Directory) {
  if (!BrowseForFolderProc) NotBound();
  PIDLIST_ABSOLUTE root = nullptr;
  if (!Root.empty()) {
    std::wstring wide(Root.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_ACP, 0, Root.c_str(), -1, wide.data(), static_cast<int>(wide.size()))));
    SHParseDisplayName(wide.c_str(), nullptr, &root, 0, nullptr);
  }
  TBrowseStart start{Directory};
  char name[MAX_PATH] = {};
  BROWSEINFOA bi{};
  bi.hwndOwner = GetActiveWindow();
  bi.pidlRoot = root;
  bi.pszDisplayName = name;
  bi.lpszTitle = Caption.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS;
  bi.lpfn = BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(&start);
  PIDLIST_ABSOLUTE chosen = BrowseForFolderProc(&bi);
  if (root) CoTaskMemFree(root);
  if (!chosen) return false;
  char path[MAX_PATH] = {};
  bool ok = SHGetPathFromIDListA(chosen, path);
  CoTaskMemFree(chosen);
  if (ok) Directory = path;
  return ok;
}
