#include "classlib/Controls.h"

#include <windowsx.h>

#include <algorithm>
#include <map>

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

TShiftState KeyboardShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(TShiftStateItem::ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(TShiftStateItem::ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(TShiftStateItem::ssAlt);
  return s;
}

// ---- TControl ------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TControl, TComponent)

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  FFont.OnChange = [this](TObject*) {
    if (!FInheriting) FParentFont = false;
    FontChanged();
  };
}

TControl::~TControl() {
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

void TControl::TakeParentFont() {
  if (!FParent || !FParentFont) return;
  FInheriting = true;
  try {
    FFont.Assign(FParent->Font());
  } catch (...) {
    FInheriting = false;
    throw;
  }
  FInheriting = false;
}

void TControl::TakeParentColor() {
  if (!FParent || !FParentColor || FColor == FParent->Color()) return;
  FColor = FParent->Color();
  ColorChanged();
}

void TControl::SetParentFont(bool Value) {
  FParentFont = Value;
  TakeParentFont();
}

void TControl::SetParentColor(bool Value) {
  FParentColor = Value;
  TakeParentColor();
}

void TControl::RequestAlign() {
  if (FParent && !FParent->FAligning) FParent->Realign();
}

void TControl::SetAlign(TAlign Value) {
  if (Value == FAlign) return;
  FAlign = Value;
  RequestAlign();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  BoundsChanged();
  if (FAlign != TAlign::alNone) RequestAlign();
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
  if (FAlign != TAlign::alNone) RequestAlign();
}

void TControl::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  EnabledChanged();
}

void TControl::SetColor(TColor Value) {
  FParentColor = false;
  if (Value == FColor) return;
  FColor = Value;
  ColorChanged();
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
  else if (FParent && FParent->HandleAllocated()) UpdateWindow(FParent->Handle());
}

TPoint TControl::ClientToScreen(TPoint P) {
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    ::ClientToScreen(w->Handle(), &P);
    return P;
  }
  return FParent ? FParent->ClientToScreen(Point(P.x + FLeft, P.y + FTop)) : P;
}

TPoint TControl::ScreenToClient(TPoint P) {
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    ::ScreenToClient(w->Handle(), &P);
    return P;
  }
  if (!FParent) return P;
  TPoint p = FParent->ScreenToClient(P);
  return Point(p.x - FLeft, p.y - FTop);
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

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  return handled;
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
      if (FMouseClicks) DblClick();
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
        if (FMouseClicks && x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight()) Click();
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

namespace {
// The system's window procedure behind each class made from a system class,
// for the messages that reach a window without its control (before it is
// attached, after the control let go of it).
std::map<ATOM, WNDPROC>& SystemProcs() {
  static std::map<ATOM, WNDPROC> Procs;
  return Procs;
}

WNDPROC SystemProcOf(HWND Wnd) {
  auto& procs = SystemProcs();
  auto it = procs.find(static_cast<ATOM>(GetClassWord(Wnd, GCW_ATOM)));
  return it == procs.end() ? nullptr : it->second;
}

// Child windows get distinct identifiers, which owner-draw measuring needs.
UINT NextControlID = 100;
}  // namespace

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  FBrush.SetColor(FColor);
}

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
  if (!c) {
    if (WNDPROC sys = SystemProcOf(Wnd)) return CallWindowProcA(sys, Wnd, Msg, WParam, LParam);
    return DefWindowProcA(Wnd, Msg, WParam, LParam);
  }
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
  // the class's procedure: others (an up-down's buddy) may subclass the window
  if (!Wnd || reinterpret_cast<WNDPROC>(GetClassLongPtrA(Wnd, GCLP_WNDPROC)) != ControlWndProc) return nullptr;
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
  if (!p.SystemClass.empty()) {
    WNDCLASSA sys{};
    if (!GetClassInfoA(nullptr, p.SystemClass.c_str(), &sys))
      throw EOSError("Cannot find window class " + p.SystemClass);
    FDefWndProc = sys.lpfnWndProc;
    FMouseClicks = false;   // the system control tells of its clicks
    if (!GetClassInfoA(inst, p.WinClassName.c_str(), &wc)) {
      wc = sys;
      wc.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
      wc.lpfnWndProc = ControlWndProc;
      wc.hInstance = inst;
      wc.lpszClassName = p.WinClassName.c_str();
      ATOM atom = RegisterClassA(&wc);
      if (!atom) throw EOSError("Cannot register window class " + p.WinClassName);
      SystemProcs()[atom] = sys.lpfnWndProc;
    }
  } else if (!GetClassInfoA(inst, p.WinClassName.c_str(), &wc)) {
    wc.style = p.ClassStyle;
    wc.lpfnWndProc = ControlWndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = p.WinClassName.c_str();
    if (!RegisterClassA(&wc)) throw EOSError("Cannot register window class " + p.WinClassName);
  }
  HMENU id = nullptr;
  if (p.Style & WS_CHILD) {
    id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlID));
    NextControlID = NextControlID >= 0xFFF0 ? 100 : NextControlID + 1;
  }
  HWND h = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width,
                           p.Height, p.WndParent, id, inst, this);
  if (!h) throw EOSError("Error creating window: " + SysErrorMessage(GetLastError()));
  FHandle = h;
  // a library loaded again may have moved its window procedure
  if (FDefWndProc) SystemProcs()[static_cast<ATOM>(GetClassWord(h, GCW_ATOM))] = FDefWndProc;
  // the system puts a new child under its siblings: later controls lie on top
  if (p.Style & WS_CHILD) SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), 0);
  CreateHandleDone();
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
  AControl->TakeParentFont();
  AControl->TakeParentColor();
  if (FHandle) {
    if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
      if (w->HandleAllocated()) ::SetParent(w->FHandle, FHandle);
      else w->Handle();
    } else {
      AControl->Invalidate();
    }
  }
  if (AControl->FAlign != TAlign::alNone) Realign();
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(FControls.begin(), FControls.end(), AControl);
  if (it == FControls.end()) return;
  AControl->Invalidate();
  FControls.erase(it);
  AControl->FParent = nullptr;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) w->DestroyHandle();
  else if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
  if (AControl->FAlign != TAlign::alNone) Realign();
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (FHandle) SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  else Realign();
  BoundsChanged();
  if (FAlign != TAlign::alNone) RequestAlign();
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

void TWinControl::AdjustClientRect(TRect&) {}

void TWinControl::Realign() {
  if (FAligning) return;
  FAligning = true;
  try {
    AlignControls();
  } catch (...) {
    FAligning = false;
    throw;
  }
  FAligning = false;
}

void TWinControl::AlignControls() {
  int w = ClientWidth(), h = ClientHeight();
  // anchors keep a control's distance to the parent's sides it names
  if (FHandle && FAlignedWidth >= 0) {
    int dw = w - FAlignedWidth, dh = h - FAlignedHeight;
    if (dw != 0 || dh != 0)
      for (TControl* c : std::vector<TControl*>(FControls)) {
        if (c->FAlign != TAlign::alNone) continue;
        TAnchors a = c->FAnchors;
        int l = c->FLeft, t = c->FTop, cw = c->FWidth, ch = c->FHeight;
        if (a.Contains(TAnchorKind::akRight)) {
          if (a.Contains(TAnchorKind::akLeft)) cw += dw;
          else l += dw;
        }
        if (a.Contains(TAnchorKind::akBottom)) {
          if (a.Contains(TAnchorKind::akTop)) ch += dh;
          else t += dh;
        }
        if (l != c->FLeft || t != c->FTop || cw != c->FWidth || ch != c->FHeight) c->SetBounds(l, t, cw, ch);
      }
  }
  if (FHandle) {
    FAlignedWidth = w;
    FAlignedHeight = h;
  }
  TRect r = Rect(0, 0, w, h);
  AdjustClientRect(r);
  for (TAlign kind : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient})
    for (TControl* c : std::vector<TControl*>(FControls)) {
      if (c->FAlign != kind || !c->FVisible) continue;
      int rw = std::max(0, static_cast<int>(r.right - r.left)), rh = std::max(0, static_cast<int>(r.bottom - r.top));
      switch (kind) {
        case TAlign::alTop:
          c->SetBounds(r.left, r.top, rw, c->FHeight);
          r.top += c->FHeight;
          break;
        case TAlign::alBottom:
          c->SetBounds(r.left, r.bottom - c->FHeight, rw, c->FHeight);
          r.bottom -= c->FHeight;
          break;
        case TAlign::alLeft:
          c->SetBounds(r.left, r.top, c->FWidth, rh);
          r.left += c->FWidth;
          break;
        case TAlign::alRight:
          c->SetBounds(r.right - c->FWidth, r.top, c->FWidth, rh);
          r.right -= c->FWidth;
          break;
        default:
          c->SetBounds(r.left, r.top, rw, rh);
          break;
      }
    }
}

void TWinControl::Invalidate() {
  if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

bool TWinControl::CanFocus() {
  for (TWinControl* c = this; c; c = c->FParent)
    if (!c->FVisible || !c->FEnabled) return false;
  return true;
}

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

void TWinControl::TextChanged() {
  if (FHandle) SetWindowTextA(FHandle, FCaption.c_str());
  Invalidate();
}

void TWinControl::FontChanged() {
  if (FHandle) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
  for (TControl* c : FControls) c->TakeParentFont();
  Invalidate();
}

void TWinControl::ColorChanged() {
  FBrush.SetColor(FColor);
  for (TControl* c : FControls) c->TakeParentColor();
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

void TWinControl::PaintWindow(HDC DC) {
  Paint(DC);
  if (OnPaint) OnPaint(this);
  PaintGraphicControls(DC);
}

void TWinControl::PaintGraphicControls(HDC DC) {
  for (TControl* c : FControls) {
    auto* g = dynamic_cast<TGraphicControl*>(c);
    if (!g || !g->FVisible || g->FWidth <= 0 || g->FHeight <= 0) continue;
    int saved = SaveDC(DC);
    IntersectClipRect(DC, g->FLeft, g->FTop, g->FLeft + g->FWidth, g->FTop + g->FHeight);
    OffsetViewportOrgEx(DC, g->FLeft, g->FTop, nullptr);
    try {
      g->PaintOn(DC);
    } catch (...) {
      RestoreDC(DC, saved);
      throw;
    }
    RestoreDC(DC, saved);
  }
}

void TWinControl::DefaultHandler(TMessage& M) {
  if (M.Msg >= CN_BASE && M.Msg < CN_BASE + 0x400) return;   // a notification nobody handles: 0
  if (!FHandle) return;
  M.Result = FDefWndProc ? CallWindowProcA(FDefWndProc, FHandle, M.Msg, M.WParam, M.LParam)
                         : DefWindowProcA(FHandle, M.Msg, M.WParam, M.LParam);
}

// The child control a notification comes from, told with a CN_ message.
bool TWinControl::ReflectNotification(TMessage& M) {
  HWND from = nullptr;
  switch (M.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
      from = reinterpret_cast<HWND>(M.LParam);
      break;
    case WM_NOTIFY:
      from = reinterpret_cast<NMHDR*>(M.LParam)->hwndFrom;
      break;
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam);
      if (d->CtlType != ODT_MENU) from = d->hwndItem;
      break;
    }
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam);
      if (m->CtlType != ODT_MENU) from = GetDlgItem(FHandle, static_cast<int>(m->CtlID));
      break;
    }
    default:
      return false;
  }
  TWinControl* sender = from && from != FHandle ? FindControl(from) : nullptr;
  if (!sender) return false;
  M.Result = sender->Perform(CN_BASE + M.Msg, M.WParam, M.LParam);
  return true;
}

bool TWinControl::RouteToGraphicControl(TMessage& M) {
  int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    auto* g = dynamic_cast<TGraphicControl*>(*it);
    if (!g || !g->FVisible || !g->FEnabled) continue;
    if (x < g->FLeft || y < g->FTop || x >= g->FLeft + g->FWidth || y >= g->FTop + g->FHeight) continue;
    g->Perform(M.Msg, M.WParam, MAKELPARAM(x - g->FLeft, y - g->FTop));
    return true;
  }
  return false;
}

void TWinControl::WndProc(TMessage& M) {
  if (ReflectNotification(M)) return;
  if (M.Msg >= CN_CTLCOLORMSGBOX && M.Msg <= CN_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(M.WParam);
    SetTextColor(dc, ColorToRGB(FEnabled ? FFont.Color() : clGrayText));
    SetBkColor(dc, ColorToRGB(FColor));
    M.Result = reinterpret_cast<LRESULT>(FBrush.Handle());
    return;
  }
  switch (M.Msg) {
    case WM_PAINT:
      if (FPaints) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(FHandle, &ps);
        try {
          PaintWindow(dc);
        } catch (...) {
          EndPaint(FHandle, &ps);
          throw;
        }
        EndPaint(FHandle, &ps);
        return;
      }
      if (std::any_of(FControls.begin(), FControls.end(),
                      [](TControl* c) { return dynamic_cast<TGraphicControl*>(c) != nullptr; })) {
        DefaultHandler(M);
        HDC dc = GetDC(FHandle);
        try {
          PaintGraphicControls(dc);
        } catch (...) {
          ReleaseDC(FHandle, dc);
          throw;
        }
        ReleaseDC(FHandle, dc);
        return;
      }
      break;
    case WM_ERASEBKGND:
      if (FPaints) {
        RECT r;
        GetClientRect(FHandle, &r);
        FillRect(reinterpret_cast<HDC>(M.WParam), &r, FBrush.Handle());
        M.Result = 1;
        return;
      }
      break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
      if (DispatchMenuOwnerDraw(M)) return;
      break;
    case WM_MOUSEMOVE:
      if (RouteToGraphicControl(M)) return;
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
      if (Wrapped()) break;
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (RouteToGraphicControl(M)) return;
      if (FParent && !Wrapped()) SetCapture(FHandle);
      break;
    case WM_LBUTTONUP:
      if (RouteToGraphicControl(M)) return;
      if (GetCapture() == FHandle && !Wrapped()) ReleaseCapture();
      break;
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
      if (RouteToGraphicControl(M)) return;
      break;
    case WM_MOUSEWHEEL: {
      // the control, then its parents up to the form; else the system's scrolling
      TPoint p = Point(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
      TShiftState shift = KeysToShiftState(GET_KEYSTATE_WPARAM(M.WParam));
      for (TControl* c = this; c; c = c->FParent)
        if (c->DoMouseWheel(shift, GET_WHEEL_DELTA_WPARAM(M.WParam), p)) {
          M.Result = 0;
          return;
        }
      if (!Wrapped()) return;   // not handed up again by DefWindowProc
      break;
    }
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
      Realign();
      Resize();
      return;
    case WM_SETFOCUS:
      DefaultHandler(M);
      if (OnEnter) OnEnter(this);
      return;
    case WM_KILLFOCUS:
      DefaultHandler(M);
      if (OnExit) OnExit(this);
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      bool down = M.Msg == WM_KEYDOWN || M.Msg == WM_SYSKEYDOWN;
      if (const TKeyEvent& e = down ? OnKeyDown : OnKeyUp) {
        WORD key = static_cast<WORD>(M.WParam);
        e(this, key, KeyboardShiftState());
        if (key == 0) return;
        M.WParam = key;
      }
      break;
    }
    case WM_CHAR:
      if (OnKeyPress) {
        char key = static_cast<char>(M.WParam);
        OnKeyPress(this, key);
        if (key == 0) return;
        M.WParam = static_cast<unsigned char>(key);
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

// ---- TCustomControl ------------------------------------------------------------

IMPLEMENT_CLASSINFO(TCustomControl, TWinControl)

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) { FPaints = true; }

void TCustomControl::PaintWindow(HDC DC) {
  FCanvas.SetHandle(DC);
  FCanvas.SetFont(&FFont);
  FCanvas.Brush()->SetColor(FColor);
  try {
    TWinControl::PaintWindow(DC);
  } catch (...) {
    FCanvas.SetHandle(nullptr);
    throw;
  }
  FCanvas.SetHandle(nullptr);
}

// ---- TGraphicControl -----------------------------------------------------------

IMPLEMENT_CLASSINFO(TGraphicControl, TControl)

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

void TGraphicControl::Invalidate() {
  if (!FParent || !FParent->HandleAllocated()) return;
  HWND h = FParent->Handle();
  InvalidateRect(h, &FPainted, TRUE);
  FPainted = BoundsRect();
  InvalidateRect(h, &FPainted, TRUE);
}

void TGraphicControl::BoundsChanged() { Invalidate(); }

void TGraphicControl::PaintOn(HDC DC) {
  FCanvas.SetHandle(DC);
  FCanvas.SetFont(&FFont);
  FCanvas.Brush()->SetColor(FColor);
  try {
    Paint();
    if (OnPaint) OnPaint(this);
  } catch (...) {
    FCanvas.SetHandle(nullptr);
    throw;
  }
  FCanvas.SetHandle(nullptr);
}
