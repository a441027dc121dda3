// Window messages as the class library passes them, its component messages,
// and hidden utility windows for non-visual components.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

class TObject;

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};
using TWndMethod = std::function<void(TMessage& Message)>;

// Component messages, sent between controls of the class library.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;   // 45075
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;   // 45076
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_MODALRESULT = CM_BASE + 80;   // WParam: a button's modal result for its form

// A hidden top-level window whose messages go to one method; it is not a
// message-only window, so it can be made the foreground window. The method
// sets Message.Result, calling DefWindowProcA for what it does not handle.
// An exception thrown by the method goes to the application's handler.
class THiddenWindow {
public:
  THiddenWindow() = default;
  explicit THiddenWindow(TWndMethod Method);
  ~THiddenWindow();
  THiddenWindow(THiddenWindow&& Other) noexcept;
  THiddenWindow& operator=(THiddenWindow&& Other) noexcept;
  THiddenWindow(const THiddenWindow&) = delete;
  THiddenWindow& operator=(const THiddenWindow&) = delete;
  HWND Handle() const { return FHandle; }
  void Reset();

private:
  HWND FHandle = nullptr;
  std::unique_ptr<TWndMethod> FMethod;   // stable address kept in the window
};

THiddenWindow AllocateHWnd(TWndMethod Method);
LRESULT DefaultHandler(HWND Wnd, const TMessage& Message);   // DefWindowProcA

// Every window procedure, timer and thread entry catches what its handler
// throws and calls HandleCallbackException(Sender) inside the catch block.
// The Forms unit sets ApplicationHandleException to the application's
// handler; without it the message is shown in a message box.
extern void (*ApplicationHandleException)(TObject* Sender);
void HandleCallbackException(TObject* Sender);
