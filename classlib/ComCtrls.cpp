#include "classlib/ComCtrls.h"

#include <algorithm>

void InitCommonControl(DWORD Classes) {
  static DWORD done = 0;
  if ((done & Classes) == Classes) return;
  INITCOMMONCONTROLSEX icc{sizeof icc, Classes};
  if (InitCommonControlsEx(&icc)) done |= Classes;
}

// ---- TProgressBar --------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TProgressBar, TWinControl)

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 150;
  FHeight = 16;
}

void TProgressBar::CreateParams(TCreateParams& P) {
  InitCommonControl(ICC_PROGRESS_CLASS);
  TWinControl::CreateParams(P);
  P.SystemClass = PROGRESS_CLASSA;
  P.Style |= PBS_SMOOTH;
}

void TProgressBar::CreateHandleDone() {
  SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
  SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

void TProgressBar::SetMin(int Value) {
  FMin = Value;
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TProgressBar::SetMax(int Value) {
  FMax = Value;
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

int TProgressBar::Position() {
  if (HandleAllocated()) FPosition = static_cast<int>(SendMessageA(Handle(), PBM_GETPOS, 0, 0));
  return FPosition;
}

void TProgressBar::SetPosition(int Value) {
  FPosition = std::clamp(Value, FMin, std::max(FMin, FMax));
  if (HandleAllocated()) SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(FPosition), 0);
}

// ---- TUpDown ---------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TUpDown, TWinControl)

TUpDown::TUpDown(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 17;
  FHeight = 25;
}

void TUpDown::CreateParams(TCreateParams& P) {
  InitCommonControl(ICC_UPDOWN_CLASS);
  TWinControl::CreateParams(P);
  P.SystemClass = UPDOWN_CLASSA;
  P.Style |= UDS_ALIGNRIGHT | UDS_SETBUDDYINT;
  if (Wrap) P.Style |= UDS_WRAP;
  if (ArrowKeys) P.Style |= UDS_ARROWKEYS;
  if (!Thousands) P.Style |= UDS_NOTHOUSANDS;
  if (Orientation == TUDOrientation::udHorizontal) P.Style |= UDS_HORZ;
}

void TUpDown::CreateHandleDone() {
  HWND h = Handle();
  SendMessageA(h, UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
  UDACCEL accel{0, static_cast<UINT>(FIncrement)};
  SendMessageA(h, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  if (FAssociate) SendMessageA(h, UDM_SETBUDDY, reinterpret_cast<WPARAM>(FAssociate->Handle()), 0);
  SendMessageA(h, UDM_SETPOS32, 0, FPosition);
}

void TUpDown::SetMin(int Value) {
  FMin = Value;
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

void TUpDown::SetMax(int Value) {
  FMax = Value;
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(FMin), FMax);
}

int TUpDown::Position() {
  if (HandleAllocated()) {
    BOOL failed = FALSE;
    int p = static_cast<int>(SendMessageA(Handle(), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&failed)));
    if (!failed) FPosition = p;
  }
  return FPosition;
}

void TUpDown::SetPosition(int Value) {
  FPosition = std::clamp(Value, std::min(FMin, FMax), std::max(FMin, FMax));
  if (HandleAllocated()) SendMessageA(Handle(), UDM_SETPOS32, 0, FPosition);
}

void TUpDown::SetIncrement(int Value) {
  FIncrement = Value;
  if (!HandleAllocated()) return;
  UDACCEL accel{0, static_cast<UINT>(Value)};
  SendMessageA(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
}

void TUpDown::SetAssociate(TWinControl* Value) {
  if (FAssociate) FAssociate->RemoveFreeNotification(this);
  FAssociate = Value;
  if (Value) {
    Value->FreeNotification(this);
    if (Value->Parent() && Value->Parent() != Parent()) SetParent(Value->Parent());
  }
  if (HandleAllocated())
    SendMessageA(Handle(), UDM_SETBUDDY, Value ? reinterpret_cast<WPARAM>(Value->Handle()) : 0, 0);
  if (Value && HandleAllocated()) SendMessageA(Handle(), UDM_SETPOS32, 0, FPosition);
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FAssociate) {
    FAssociate = nullptr;
    if (HandleAllocated()) SendMessageA(Handle(), UDM_SETBUDDY, 0, 0);
  }
}

void TUpDown::WndProc(TMessage& M) {
  if (M.Msg == CN_NOTIFY && reinterpret_cast<NMHDR*>(M.LParam)->code == static_cast<UINT>(UDN_DELTAPOS)) {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    M.Result = allow ? 0 : 1;
    FLastDelta = allow ? reinterpret_cast<NMUPDOWN*>(M.LParam)->iDelta : 0;
    return;
  }
  if ((M.Msg == CN_VSCROLL || M.Msg == CN_HSCROLL) && LOWORD(M.WParam) == SB_THUMBPOSITION) {
    Position();
    if (FLastDelta != 0 && OnClick) OnClick(this, FLastDelta > 0 ? TUDBtnType::btNext : TUDBtnType::btPrev);
    FLastDelta = 0;
    return;
  }
  TWinControl::WndProc(M);
}
