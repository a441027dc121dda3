#include "classlib/Controls.h"

#include <windowsx.h>

#include <algorithm>

#include "classlib/Menus.h"

HCURSOR (*ScreenCursorHandle)(TCursor Cursor) = nullptr;

HCURSOR SystemCursorHandle(TCursor Cursor) {
  LPCSTR id = IDC_ARROW;
  switch (Cursor) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crHandPoint: id = IDC_HAND; break;
    default: break;
  }
  return LoadCursorA(nullptr, id);
}

HCURSOR CursorHandle(TCursor Cursor) {
  return ScreenCursorHandle ? ScreenCursorHandle(Cursor) : SystemCursorHandle(Cursor);
}

TShiftState KeysToShiftState(WPARAM Keys) {
  TShiftState s;
  if (Keys & MK_SHIFT) s.Include(TShiftStateItem::ssShift);
  if (Keys & MK_CONTROL) s.Include(TShiftStateItem::ssCtrl);
  if (Keys & MK_LBUTTON) s.Include(TShiftStateItem::ssLeft);
  if (Keys & MK_RBUTTON) s.Include(TShiftStateItem::ssRight);
  if (Keys & MK_MBUTTON) s.Include(TShiftStateItem::ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(TShiftStateItem::ssAlt);
  return s;
}

static TShiftState KeyboardShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(TShiftStateItem::ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(TShiftStateItem::ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(TShiftStateItem::ssAlt);
  return s;
}

// ---- TControl ------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TControl, TComponent)

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  FFont.OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl() {
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  BoundsChanged();
}

void TControl::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  TextChanged();
}

void TControl::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  VisibleChanged();
}

void TControl::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  EnabledChanged();
}

void TControl::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Invalidate();
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::Repaint() {
  Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) UpdateWindow(w->Handle());
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::MouseMessage(TMessage& M) {
  int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
  TShiftState shift = KeysToShiftState(M.WParam);
  switch (M.Msg) {
    case WM_LBUTTONDBLCLK:
      DblClick();
      shift.Include(TShiftStateItem::ssDouble);
      [[fallthrough]];
    case WM_LBUTTONDOWN:
      FClicked = true;
      MouseDown(TMouseButton::mbLeft, shift, x, y);
      break;
    case WM_RBUTTONDBLCLK: shift.Include(TShiftStateItem::ssDouble); [[fallthrough]];
    case WM_RBUTTONDOWN: MouseDown(TMouseButton::mbRight, shift, x, y); break;
    case WM_MBUTTONDBLCLK: shift.Include(TShiftStateItem::ssDouble); [[fallthrough]];
    case WM_MBUTTONDOWN: MouseDown(TMouseButton::mbMiddle, shift, x, y); break;
    case WM_LBUTTONUP:
      if (FClicked) {
        FClicked = false;
        if (x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) Click();
      }
      MouseUp(TMouseButton::mbLeft, shift, x, y);
      break;
    case WM_RBUTTONUP: MouseUp(TMouseButton::mbRight, shift, x, y); break;
    case WM_MBUTTONUP: MouseUp(TMouseButton::mbMiddle, shift, x, y); break;
    case WM_MOUSEMOVE: MouseMove(shift, x, y); break;
    default: break;
  }
}

void TControl::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
    case WM_MOUSEMOVE:
      MouseMessage(M);
      DefaultHandler(M);
      return;
    case CM_MOUSEENTER:
      if (OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      if (OnMouseLeave) OnMouseLeave(this);
      return;
    default:
      DefaultHandler(M);
  }
}

// ---- TWinControl ---------------------------------------------------------------

IMPLEMENT_CLASSINFO(TWinControl, TControl)

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  if (FHandle) {
    SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
    HWND h = FHandle;
    FHandle = nullptr;
    DestroyWindow(h);
  }
  for (TControl* c : FControls) c->FParent = nullptr;
  FControls.clear();
}

LRESULT CALLBACK ControlWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(LParam);
    auto* c = static_cast<TWinControl*>(cs->lpCreateParams);
    SetWindowLongPtrA(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c));
    c->FHandle = Wnd;
  }
  auto* c = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
  if (!c) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  TMessage m{Msg, WParam, LParam, 0};
  try {
    c->WndProc(m);
  } catch (...) {
    HandleCallbackException(c);
  }
  if (Msg == WM_NCDESTROY) {
    SetWindowLongPtrA(Wnd, GWLP_USERDATA, 0);
    c->FHandle = nullptr;
  }
  return m.Result;
}

TWinControl* TWinControl::FindControl(HWND Wnd) {
  if (!Wnd || reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Wnd, GWLP_WNDPROC)) != ControlWndProc) return nullptr;
  return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
}

HWND TWinControl::Handle() {
  if (!FHandle) {
    if (FParent) FParent->Handle();
    if (!FHandle) CreateWnd();
  }
  return FHandle;
}

void TWinControl::CreateParams(TCreateParams& P) {
  P.Caption = FCaption;
  P.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (FParent) {
    P.Style |= WS_CHILD;
    P.WndParent = FParent->Handle();
    if (FVisible) P.Style |= WS_VISIBLE;
  }
  if (!FEnabled) P.Style |= WS_DISABLED;
  P.X = FLeft;
  P.Y = FTop;
  P.Width = FWidth;
  P.Height = FHeight;
  P.WinClassName = ClassName();
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  HINSTANCE inst = GetModuleHandleA(nullptr);
  WNDCLASSA wc{};
  if (!GetClassInfoA(inst, p.WinClassName.c_str(), &wc)) {
    wc.style = p.ClassStyle;
    wc.lpfnWndProc = ControlWndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = p.WinClassName.c_str();
    if (!RegisterClassA(&wc)) throw EOSError("Cannot register window class " + p.WinClassName);
  }
  HWND h = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                           p.Height, p.WndParent, nullptr, inst, this);
  if (!h) throw EOSError("Error creating window: " + SysErrorMessage(GetLastError()));
  FHandle = h;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->Handle();
}

void TWinControl::DestroyHandle() {
  if (FHandle) DestroyWindow(FHandle);   // WM_NCDESTROY clears FHandle
  FHandle = nullptr;
}

void TWinControl::InsertControl(TControl* AControl) {
  FControls.push_back(AControl);
  AControl->FParent = this;
  if (FHandle)
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
      if (w->HandleAllocated()) ::SetParent(w->FHandle, FHandle);
      else w->Handle();
    }
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(FControls.begin(), FControls.end(), AControl);
  if (it == FControls.end()) return;
  FControls.erase(it);
  AControl->FParent = nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) w->DestroyHandle();
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (FHandle) SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  BoundsChanged();
}

int TWinControl::ClientWidth() const {
  RECT r;
  if (FHandle && GetClientRect(FHandle, &r)) return r.right;
  return FWidth;
}

int TWinControl::ClientHeight() const {
  RECT r;
  if (FHandle && GetClientRect(FHandle, &r)) return r.bottom;
  return FHeight;
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

void TWinControl::TextChanged() {
  if (FHandle) SetWindowTextA(FHandle, FCaption.c_str());
  Invalidate();
}

void TWinControl::VisibleChanged() { UpdateShowing(); }

void TWinControl::UpdateShowing() {
  if (FVisible) ShowWindow(Handle(), FParent ? SW_SHOWNA : SW_SHOW);
  else if (FHandle) ShowWindow(FHandle, SW_HIDE);
}

void TWinControl::EnabledChanged() {
  if (FHandle) EnableWindow(FHandle, FEnabled);
}

void TWinControl::Paint(HDC) {}

void TWinControl::DefaultHandler(TMessage& M) {
  if (FHandle) M.Result = DefWindowProcA(FHandle, M.Msg, M.WParam, M.LParam);
}

void TWinControl::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_PAINT:
      if (FPaints) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(FHandle, &ps);
        try {
          Paint(dc);
          if (OnPaint) OnPaint(this);
        } catch (...) {
          EndPaint(FHandle, &ps);
          throw;
        }
        EndPaint(FHandle, &ps);
        return;
      }
      break;
    case WM_ERASEBKGND:
      if (FPaints) {
        RECT r;
        GetClientRect(FHandle, &r);
        TGdiObject brush(CreateSolidBrush(ColorToRGB(FColor)));
        FillRect(reinterpret_cast<HDC>(M.WParam), &r, static_cast<HBRUSH>(brush.Get()));
        M.Result = 1;
        return;
      }
      break;
    case WM_MOUSEMOVE:
      if (!FMouseInControl) {
        FMouseInControl = true;
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, FHandle, 0};
        TrackMouseEvent(&t);
        Perform(CM_MOUSEENTER, 0, 0);
      }
      break;
    case WM_MOUSELEAVE:
      if (FMouseInControl) {
        FMouseInControl = false;
        Perform(CM_MOUSELEAVE, 0, 0);
      }
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (FParent) SetCapture(FHandle);
      break;
    case WM_LBUTTONUP:
      if (GetCapture() == FHandle) ReleaseCapture();
      break;
    case WM_SETCURSOR:
      if (FCursor != crDefault && LOWORD(M.LParam) == HTCLIENT && reinterpret_cast<HWND>(M.WParam) == FHandle) {
        ::SetCursor(CursorHandle(FCursor));
        M.Result = TRUE;
        return;
      }
      break;
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(M.LParam);
      if (!(wp->flags & SWP_NOMOVE)) { FLeft = wp->x; FTop = wp->y; }
      if (!(wp->flags & SWP_NOSIZE)) { FWidth = wp->cx; FHeight = wp->cy; }
      break;
    }
    case WM_SIZE:
      DefaultHandler(M);
      Resize();
      return;
    case WM_KEYDOWN:
      if (OnKeyDown) {
        WORD key = static_cast<WORD>(M.WParam);
        OnKeyDown(this, key, KeyboardShiftState());
        if (key == 0) return;
      }
      break;
    case WM_CONTEXTMENU:
      if (FPopupMenu) {
        POINT p{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
        if (M.LParam == -1) GetCursorPos(&p);
        FPopupMenu->PopupComponent = this;
        FPopupMenu->Popup(p.x, p.y);
        return;
      }
      break;
    default:
      break;
  }
  TControl::WndProc(M);
}
