#include "classlib/Messages.h"

#include <exception>
#include <utility>
#include <string>

#include "classlib/SysUtils.h"

void (*ApplicationHandleException)(TObject* Sender) = nullptr;

void HandleCallbackException(TObject* Sender) {
  if (ApplicationHandleException) {
    ApplicationHandleException(Sender);
    return;
  }
  std::string msg = "Unknown exception";
  try {
    throw;
  } catch (const std::exception& e) {
    msg = e.what();
  } catch (...) {
  }
  MessageBoxA(nullptr, msg.c_str(), "Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

namespace {
const char* const UtilWindowClass = "TPUtilWindow";

LRESULT CALLBACK UtilWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
  if (!method) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  TMessage m{Msg, WParam, LParam, 0};
  try {
    (*method)(m);
  } catch (...) {
    HandleCallbackException(nullptr);
  }
  return m.Result;
}

void RegisterUtilClass() {
  WNDCLASSA wc{};
  if (GetClassInfoA(GetModuleHandleA(nullptr), UtilWindowClass, &wc)) return;
  wc.lpfnWndProc = UtilWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = UtilWindowClass;
  RegisterClassA(&wc);
}
}  // namespace

THiddenWindow::THiddenWindow(TWndMethod Method) : FMethod(std::make_unique<TWndMethod>(std::move(Method))) {
  RegisterUtilClass();
  FHandle = CreateWindowExA(WS_EX_TOOLWINDOW, UtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (!FHandle) throw EOSError("Cannot create a utility window. " + SysErrorMessage(GetLastError()));
  SetWindowLongPtrA(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(FMethod.get()));
}

THiddenWindow::~THiddenWindow() { Reset(); }

void THiddenWindow::Reset() {
  if (FHandle) {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
    FHandle = nullptr;
  }
  FMethod.reset();
}

THiddenWindow::THiddenWindow(THiddenWindow&& Other) noexcept
    : FHandle(std::exchange(Other.FHandle, nullptr)), FMethod(std::move(Other.FMethod)) {}

THiddenWindow& THiddenWindow::operator=(THiddenWindow&& Other) noexcept {
  if (this != &Other) {
    Reset();
    FHandle = std::exchange(Other.FHandle, nullptr);
    FMethod = std::move(Other.FMethod);
  }
  return *this;
}

THiddenWindow AllocateHWnd(TWndMethod Method) { return THiddenWindow(std::move(Method)); }

LRESULT DefaultHandler(HWND Wnd, const TMessage& Message) {
  return DefWindowProcA(Wnd, Message.Msg, Message.WParam, Message.LParam);
}
