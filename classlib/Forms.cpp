#include "classlib/Forms.h"

#include <algorithm>
#include <memory>

#include "classlib/ActnList.h"
#include "classlib/Dialogs.h"
#include "classlib/Menus.h"
#include "classlib/StdCtrls.h"
#include "classlib/Threads.h"
#include "classlib/UnitInit.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {
TUnitCounter Counter;
std::unique_ptr<TApplication> TheApplication;
std::unique_ptr<TScreen> TheScreen;

void AppHandleException(TObject* Sender) {
  if (Application) Application->HandleException(Sender);
}

HCURSOR ScreenCursor(TCursor C) { return Screen ? Screen->Cursors(C) : SystemCursorHandle(C); }
}  // namespace

void Forms_Initialize() {
  if (!Counter.Enter()) return;
  Threads_Initialize();
  Menus_Initialize();
  Dialogs_Initialize();
  TheScreen = std::make_unique<TScreen>(nullptr);
  Screen = TheScreen.get();
  TheApplication = std::make_unique<TApplication>(nullptr);
  Application = TheApplication.get();
  ApplicationHandleException = AppHandleException;
  ScreenCursorHandle = ScreenCursor;
}

void Forms_Finalize() {
  if (!Counter.Leave()) return;
  TheApplication.reset();   // frees the forms it owns
  Application = nullptr;
  ApplicationHandleException = nullptr;
  ScreenCursorHandle = nullptr;
  TheScreen.reset();
  Screen = nullptr;
  Dialogs_Finalize();
  Menus_Finalize();
  Threads_Finalize();
}

// ---- TForm -----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TForm, TCustomControl)

TForm* GetParentForm(TControl* Control) {
  for (TControl* c = Control; c; c = c->Parent())
    if (auto* f = dynamic_cast<TForm*>(c)) return f;
  return nullptr;
}

TForm::TForm(TComponent* AOwner) : TCustomControl(AOwner) {
  FVisible = false;
  FLeft = 100;
  FTop = 100;
  FWidth = 320;
  FHeight = 240;
  if (Screen) Screen->FForms.push_back(this);
}

TForm::~TForm() {
  BeforeDestruction();
  if (Screen) {
    auto& f = Screen->FForms;
    f.erase(std::remove(f.begin(), f.end(), this), f.end());
    if (Screen->FActiveForm == this) Screen->FActiveForm = nullptr;
  }
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
}

void TForm::AfterConstruction() {
  try {
    if (OnCreate) OnCreate(this);
  } catch (...) {
    HandleCallbackException(this);
  }
}

void TForm::BeforeDestruction() {
  if (FDestroying) return;
  FDestroying = true;
  Destroying();   // what the form owns stops running (worker threads) while it is whole
  try {
    if (OnDestroy) OnDestroy(this);
  } catch (...) {
    HandleCallbackException(this);
  }
  if (Screen && Screen->FActiveForm == this) Screen->FActiveForm = nullptr;
  DestroyHandle();
}

void TForm::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.Style &= ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE);
  switch (FBorderStyle) {
    case TFormBorderStyle::bsNone: P.Style |= WS_POPUP; break;
    case TFormBorderStyle::bsSingle:
      P.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_BORDER;
      break;
    case TFormBorderStyle::bsSizeable: P.Style |= WS_OVERLAPPEDWINDOW; break;
    case TFormBorderStyle::bsDialog:
      P.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
      P.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
    case TFormBorderStyle::bsToolWindow:
      P.Style |= WS_CAPTION | WS_SYSMENU;
      P.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case TFormBorderStyle::bsSizeToolWin:
      P.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      P.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (FFormStyle == TFormStyle::fsStayOnTop) P.ExStyle |= WS_EX_TOPMOST;
  P.WndParent = Application ? Application->Handle() : nullptr;
}

void TForm::ApplyStyles() {
  if (!HandleAllocated()) return;
  TCreateParams p;
  CreateParams(p);
  HWND h = Handle();
  const DWORD keep = WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED;
  DWORD style = (static_cast<DWORD>(GetWindowLongPtrA(h, GWL_STYLE)) & keep) | (p.Style & ~keep);
  SetWindowLongPtrA(h, GWL_STYLE, static_cast<LONG_PTR>(style));
  SetWindowLongPtrA(h, GWL_EXSTYLE, static_cast<LONG_PTR>(p.ExStyle & ~static_cast<DWORD>(WS_EX_TOPMOST)));
  SetWindowPos(h, FFormStyle == TFormStyle::fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TForm::CreateHandleDone() {
  if (FMenu) {
    FMenu->FWindow = Handle();
    ::SetMenu(Handle(), FMenu->Handle());
  }
}

void TForm::SetMenu(TMainMenu* Value) {
  if (Value == FMenu) return;
  if (FMenu && HandleAllocated()) ::SetMenu(Handle(), nullptr);
  if (FMenu) FMenu->FWindow = nullptr;
  FMenu = Value;
  if (!FMenu) return;
  FMenu->FreeNotification(this);
  if (HandleAllocated()) CreateHandleDone();
}

void TForm::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FMenu) {
    if (HandleAllocated()) ::SetMenu(Handle(), nullptr);
    FMenu = nullptr;
  }
}

TWinControl* TForm::ActiveControl() const {
  HWND focus = GetFocus();
  if (!HandleAllocated() || !focus || focus == const_cast<TForm*>(this)->Handle()) return nullptr;
  for (HWND w = focus; w && (GetWindowLongPtrA(w, GWL_STYLE) & WS_CHILD); w = GetParent(w))
    if (TWinControl* c = FindControl(w)) return GetParentForm(c) == this ? c : nullptr;
  return nullptr;
}

void TForm::SetActiveControl(TWinControl* Value) {
  if (Value && Value->CanFocus()) Value->SetFocus();
}

namespace {
void TabOrderList(TWinControl* Parent, std::vector<TWinControl*>& List) {
  for (int i = 0; i < Parent->ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(Parent->Controls(i))) {
      if (!w->Visible() || !w->Enabled()) continue;
      if (w->TabStop) List.push_back(w);
      TabOrderList(w, List);
    }
}
}  // namespace

void TForm::SelectNext(TWinControl* CurControl, bool GoForward) {
  std::vector<TWinControl*> list;
  TabOrderList(this, list);
  if (list.empty()) return;
  auto it = std::find(list.begin(), list.end(), CurControl);
  size_t n = list.size(), i;
  if (it == list.end()) i = GoForward ? 0 : n - 1;
  else i = (static_cast<size_t>(it - list.begin()) + (GoForward ? 1 : n - 1)) % n;
  list[i]->SetFocus();
}

bool TForm::IsShortCut(TShortCut Key) {
  if (FMenu && FMenu->IsShortCut(Key)) return true;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* list = dynamic_cast<TActionList*>(Components(i)))
      if (TCustomAction* a = list->FindShortCut(Key)) return a->Execute();
  return false;
}

bool TForm::IsKeyMessage(TWinControl* Target, MSG& Msg) {
  bool preview = KeyPreview && Target != this;
  switch (Msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      bool down = Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN;
      TShiftState shift = KeyboardShiftState();
      WORD key = static_cast<WORD>(Msg.wParam);
      if (preview)
        if (const TKeyEvent& e = down ? OnKeyDown : OnKeyUp) {
          e(this, key, shift);
          if (key == 0) return true;
          Msg.wParam = key;
        }
      if (!down) return false;
      TShortCut sc = key;
      if (shift.Contains(TShiftStateItem::ssShift)) sc |= scShift;
      if (shift.Contains(TShiftStateItem::ssCtrl)) sc |= scCtrl;
      if (shift.Contains(TShiftStateItem::ssAlt)) sc |= scAlt;
      if (IsShortCut(sc)) return true;
      return Msg.message == WM_KEYDOWN && DialogKey(Target, Msg);
    }
    case WM_CHAR:
      if (preview && OnKeyPress) {
        char key = static_cast<char>(Msg.wParam);
        OnKeyPress(this, key);
        if (key == 0) return true;
        Msg.wParam = static_cast<unsigned char>(key);
      }
      return false;
    default:
      return false;
  }
}

namespace {
TButton* FindButton(TWinControl* Parent, bool Default) {
  for (int i = 0; i < Parent->ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(Parent->Controls(i))) {
      if (!w->Visible() || !w->Enabled()) continue;
      if (auto* b = dynamic_cast<TButton*>(w); b && (Default ? b->Default() : b->Cancel)) return b;
      if (TButton* b = FindButton(w, Default)) return b;
    }
  return nullptr;
}
}  // namespace

bool TForm::DialogKey(TWinControl* Target, MSG& Msg) {
  WORD key = static_cast<WORD>(Msg.wParam);
  if (key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE) return false;
  TShiftState shift = KeyboardShiftState();
  if (shift.Contains(TShiftStateItem::ssCtrl) || shift.Contains(TShiftStateItem::ssAlt)) return false;
  LRESULT code = SendMessageA(Msg.hwnd, WM_GETDLGCODE, Msg.wParam, reinterpret_cast<LPARAM>(&Msg));
  // (DLGC_WANTALLKEYS is DLGC_WANTMESSAGE: Tab still moves on from a multi-line edit)
  if (key == VK_TAB) {
    if (code & DLGC_WANTTAB) return false;
    SelectNext(Target == this ? nullptr : Target, !shift.Contains(TShiftStateItem::ssShift));
    return true;
  }
  if (code & DLGC_WANTALLKEYS) return false;
  TButton* b = nullptr;
  if (key == VK_RETURN) {
    b = dynamic_cast<TButton*>(Target);
    if (!b) b = FindButton(this, true);
  } else {
    b = FindButton(this, false);
  }
  if (!b) return false;
  b->Click();
  return true;
}

void TForm::SetBorderStyle(TFormBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  ApplyStyles();
}

void TForm::SetFormStyle(TFormStyle Value) {
  if (Value == FFormStyle) return;
  FFormStyle = Value;
  ApplyStyles();
}

TWindowState TForm::WindowState() const {
  if (HandleAllocated()) {
    HWND h = const_cast<TForm*>(this)->Handle();
    if (IsIconic(h)) return TWindowState::wsMinimized;
    if (IsZoomed(h)) return TWindowState::wsMaximized;
    if (IsWindowVisible(h)) return TWindowState::wsNormal;
  }
  return FWindowState;
}

void TForm::SetWindowState(TWindowState Value) {
  FWindowState = Value;
  if (!HandleAllocated() || !FVisible) return;
  static const int cmd[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
  ShowWindow(Handle(), cmd[static_cast<int>(Value)]);
}

void TForm::SetClientSize(int AClientWidth, int AClientHeight) {
  TCreateParams p;
  CreateParams(p);
  RECT r{0, 0, AClientWidth, AClientHeight};
  AdjustWindowRectEx(&r, p.Style, FALSE, p.ExStyle);
  SetBounds(FLeft, FTop, r.right - r.left, r.bottom - r.top);
}

void TForm::UpdateShowing() {
  HWND h = Handle();
  if (FVisible) {
    static const int cmd[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
    ShowWindow(h, cmd[static_cast<int>(FWindowState)]);
    BringToFront();
  } else {
    ShowWindow(h, SW_HIDE);
  }
}

void TForm::BringToFront() {
  if (HandleAllocated()) SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TForm::DoHide() {
  if (OnHide) OnHide(this);
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (FModal) {
    ModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (Application && Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  switch (action) {
    case TCloseAction::caHide: Hide(); break;
    case TCloseAction::caMinimize: SetWindowState(TWindowState::wsMinimized); break;
    case TCloseAction::caFree: Release(); break;
    default: break;
  }
}

void TForm::Release() { PostMessageA(Handle(), CM_RELEASE, 0, 0); }

TModalResult TForm::ShowModal() {
  if (FVisible || FModal) throw EInvalidOperation("Cannot make a visible window modal");
  HWND self = Handle();
  struct TWindowList {
    HWND Self;
    std::vector<HWND> Windows;
  } others{self, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM p) WINAPI -> BOOL {
        auto* list = reinterpret_cast<TWindowList*>(p);
        if (w != list->Self && IsWindowVisible(w) && IsWindowEnabled(w)) list->Windows.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&others));
  std::vector<HWND>& disabled = others.Windows;
  for (HWND w : disabled) EnableWindow(w, FALSE);
  FModal = true;
  ModalResult = mrNone;
  TModalResult result = mrCancel;
  try {
    Show();
    SetActiveWindow(self);
    for (;;) {
      Application->HandleMessage();
      if (Application->Terminated()) ModalResult = mrCancel;
      if (ModalResult != mrNone) {
        bool canClose = CloseQuery();
        TCloseAction action = TCloseAction::caHide;
        if (canClose && OnClose) OnClose(this, action);
        if (canClose && action != TCloseAction::caNone) break;
        if (Application->Terminated()) break;
        ModalResult = mrNone;
      }
    }
    result = ModalResult;
  } catch (...) {
    FModal = false;
    for (HWND w : disabled) EnableWindow(w, TRUE);
    Hide();
    throw;
  }
  FModal = false;
  for (HWND w : disabled) EnableWindow(w, TRUE);
  Hide();
  return result;
}

void TForm::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_CLOSE:
      Close();
      return;
    case WM_SHOWWINDOW:
      if (M.LParam == 0) {
        FVisible = M.WParam != 0;
        if (M.WParam) DoShow();
        else DoHide();
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(M.WParam) != WA_INACTIVE) {
        if (Screen) Screen->FActiveForm = this;
        TCustomControl::WndProc(M);
        // the focus goes back where it was, else to the first control with TabStop
        if (FLastFocus && IsWindow(FLastFocus) && IsChild(Handle(), FLastFocus)) ::SetFocus(FLastFocus);
        else if (!ActiveControl()) SelectNext(nullptr, true);
        if (OnActivate) OnActivate(this);
      } else {
        HWND focus = GetFocus();
        FLastFocus = focus && IsChild(Handle(), focus) ? focus : nullptr;
        if (OnDeactivate) OnDeactivate(this);
        TCustomControl::WndProc(M);
      }
      return;
    case CM_MODALRESULT:
      ModalResult = static_cast<TModalResult>(M.WParam);
      return;
    case WM_INITMENU:
    case WM_INITMENUPOPUP:
      if (FMenu) FMenu->InitMenu(reinterpret_cast<HMENU>(M.WParam));
      break;
    case WM_COMMAND:
      if (M.LParam == 0 && HIWORD(M.WParam) == 0 && FMenu && FMenu->DispatchCommand(LOWORD(M.WParam))) return;
      break;
    case CM_RELEASE: {
      BeforeDestruction();   // while the whole form exists
      std::unique_ptr<TForm> self(this);   // frees the form after its handlers returned
      return;
    }
    default:
      break;
  }
  TCustomControl::WndProc(M);
}

// ---- TScreen ---------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TScreen, TComponent)

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

HCURSOR TScreen::Cursors(TCursor Index) const {
  auto it = FCursors.find(Index);
  return it != FCursors.end() ? it->second : SystemCursorHandle(Index);
}

void TScreen::SetCursors(TCursor Index, HCURSOR Handle) {
  if (Handle) FCursors[Index] = Handle;
  else FCursors.erase(Index);
}

int TScreen::PixelsPerInch() const {
  HDC dc = GetDC(nullptr);
  int ppi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return ppi;
}

// ---- TApplication ----------------------------------------------------------------

IMPLEMENT_CLASSINFO(TApplication, TComponent)

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
  // OnDestroy of every form while all of them still exist, then free them
  for (int i = ComponentCount() - 1; i >= 0; --i)
    if (auto* f = dynamic_cast<TForm*>(Components(i))) f->BeforeDestruction();
  DestroyComponents();
  FMainForm = nullptr;
}

LRESULT CALLBACK AppWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* app = reinterpret_cast<TApplication*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
  if (!app) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  TMessage m{Msg, WParam, LParam, 0};
  try {
    app->WndProc(m);
  } catch (...) {
    app->HandleException(app);
  }
  return m.Result;
}

HWND TApplication::Handle() {
  if (!FWindow) {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    if (!GetClassInfoA(inst, "TApplication", &wc)) {
      wc.lpfnWndProc = AppWndProc;
      wc.hInstance = inst;
      wc.hIcon = LoadIconA(inst, "MAINICON");
      wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
      wc.lpszClassName = "TApplication";
      RegisterClassA(&wc);
    }
    HWND h = CreateWindowExA(0, "TApplication", FTitle.c_str(),
                             WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                             GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                             nullptr, inst, nullptr);
    if (!h) throw EOSError("Error creating window: " + SysErrorMessage(GetLastError()));
    SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    FWindow.Reset(h);
  }
  return FWindow.Get();
}

void TApplication::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_CLOSE:
      if (FMainForm) FMainForm->Close();
      return;
    case WM_NULL:
      CheckSynchronize();
      return;
    default:
      M.Result = DefWindowProcA(FWindow.Get(), M.Msg, M.WParam, M.LParam);
  }
}

void TApplication::SetTitle(const std::string& Value) {
  FTitle = Value;
  if (FWindow) SetWindowTextA(FWindow.Get(), Value.c_str());
}

void TApplication::Run() {
  if (FMainForm && ShowMainForm && !FTerminated) {
    ShowWindow(Handle(), SW_SHOWNA);
    FMainForm->Show();
  }
  while (!FTerminated) HandleMessage();
}

bool TApplication::HelpContext(int Context) {
  bool callHelp = true;
  bool given = false;
  if (OnHelp) given = OnHelp(HELP_CONTEXT, Context, callHelp);
  if (callHelp && !HelpFile.empty())
    given = WinHelpA(Handle(), HelpFile.c_str(), HELP_CONTEXT, static_cast<ULONG_PTR>(Context)) != 0;
  return given;
}

void TApplication::Terminate() {
  PostQuitMessage(0);
}

bool TApplication::IsKeyMsg(MSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST || !Msg.hwnd) return false;
  // the control of the focused window, or of the window it is part of (a combo box's edit)
  TWinControl* target = nullptr;
  for (HWND w = Msg.hwnd; w && !target; w = (GetWindowLongPtrA(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr)
    target = TWinControl::FindControl(w);
  TForm* form = target ? GetParentForm(target) : nullptr;
  return form && form->IsKeyMessage(target, Msg);
}

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool used = false;
  try {
    used = IsKeyMsg(Msg);
  } catch (...) {
    HandleException(this);
    used = true;
  }
  if (used) return true;
  TranslateMessage(&Msg);
  DispatchMessageA(&Msg);
  return true;
}

void TApplication::ProcessMessages() {
  MSG m;
  while (ProcessMessage(m)) {}
}

void TApplication::HandleMessage() {
  MSG m;
  if (!ProcessMessage(m)) Idle();
}

void TApplication::Idle() {
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
  } catch (...) {
    HandleException(this);
  }
  if (CheckSynchronize()) done = false;
  if (done && !FTerminated) WaitMessage();
}

void TApplication::HandleException(TObject* Sender) {
  if (GetCapture()) SendMessageA(GetCapture(), WM_CANCELMODE, 0, 0);
  std::exception_ptr p = std::current_exception();
  if (!p) return;
  auto report = [&](Exception& E) {
    if (FHandlingException) {   // an exception inside the handler itself: show it plainly
      ShowException(E);
      return;
    }
    FHandlingException = true;
    try {
      if (OnException) OnException(Sender, E);
      else ShowException(E);
    } catch (const std::exception& inner) {
      ShowException(Exception(inner.what()));
    } catch (...) {
      ShowException(Exception("Unknown exception"));
    }
    FHandlingException = false;
  };
  try {
    std::rethrow_exception(p);
  } catch (Exception& E) {
    report(E);
  } catch (const std::exception& e) {
    Exception E(e.what());
    report(E);
  } catch (...) {
    Exception E("Unknown exception");
    report(E);
  }
}

void TApplication::ShowException(const Exception& E) {
  std::string msg = E.Message;
  if (!msg.empty() && static_cast<unsigned char>(msg.back()) > '.') msg += '.';
  ::MessageBoxA(FWindow ? FWindow.Get() : nullptr, msg.c_str(), FTitle.c_str(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  HWND owner = GetActiveWindow();
  if (!owner) owner = FWindow.Get();
  return ::MessageBoxA(owner, Text.c_str(), Caption.c_str(), Flags);
}
