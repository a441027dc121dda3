// The desktop routines of the window modes: the desktop icons and the
// shell's minimise-all. Shells without them (such as Wine's) are left alone.
#include "classlib/ComObj.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainDesktop.h"

void ShowDesktopIcons(bool Show) {
  HWND progMan = FindWindowA("ProgMan", nullptr);
  if (!progMan) return;
  HWND icons = GetWindow(progMan, GW_CHILD);
  if (icons) ShowWindow(icons, Show ? SW_SHOW : SW_HIDE);
}

namespace {
// Calls a method without arguments of the shell's "Shell.Application" object.
bool CallShellApplication(const wchar_t* Method) {
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool done = false;
  {   // the shell is released before COM is left
    CLSID clsid;
    TComPtr<IDispatch> shell;
    if (SUCCEEDED(CLSIDFromProgID(L"Shell.Application", &clsid)) &&
        SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                   shell.OutVoid()))) {
      DISPID id;
      LPOLESTR name = const_cast<LPOLESTR>(Method);
      if (SUCCEEDED(shell->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        done = SUCCEEDED(shell->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                                       nullptr, nullptr));
      }
    }
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return done;
}
}  // namespace

bool MinimizeAllWindows() { return CallShellApplication(L"MinimizeAll"); }

bool RestoreAllWindows() { return CallShellApplication(L"UndoMinimizeAll"); }
