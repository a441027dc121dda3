#include "viewer/components/TrayIcon.h"

#include <cstring>

#include "classlib/Forms.h"

BOOL(WINAPI* TrayShellNotifyIcon)(DWORD Message, PNOTIFYICONDATAA Data) = Shell_NotifyIconA;

static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88, "the shell's first record version");

IMPLEMENT_CLASSINFO(TTrayIcon, TComponent)

TTrayIcon::TTrayIcon(TComponent* AOwner) : TComponent(AOwner) {
  FWindow = AllocateHWnd([this](TMessage& M) {
    try {
      WndProc(M);
    } catch (...) {
      HandleCallbackException(this);
    }
  });
  FTimer = new TTimer(this);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(static_cast<UINT>(FAnimateInterval));
  FTimer->OnTimer = [this](TObject* Sender) { AnimateTick(Sender); };
}

TTrayIcon::~TTrayIcon() {
  if (Shown()) Delete();
  FTimer->SetEnabled(false);
}

bool TTrayIcon::Shown() const {
  return ComponentState.Contains(TComponentStateItem::csDesigning) ? FShowDesigning : FActive;
}

void TTrayIcon::FillData() {
  // The first record version: the 32-bit build passes 88 bytes, the 64-bit
  // build the same version's own size (its handles are 8 bytes).
  std::memset(&FIconData, 0, sizeof FIconData);
  FIconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
  FIconData.hWnd = FWindow.Handle();
  FIconData.uID = 0;
  FIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  FIconData.uCallbackMessage = WM_TRAYICON;
  FIconData.hIcon = FIcon.Handle();
  lstrcpynA(FIconData.szTip, FToolTip.c_str(), sizeof FIconData.szTip);
}

void TTrayIcon::Add() {
  FillData();
  TrayShellNotifyIcon(NIM_ADD, &FIconData);
  if (FToolTip.empty()) PostMessageA(FWindow.Handle(), WM_TRAYRESETTIP, 0, 0);
}

void TTrayIcon::Modify() {
  FillData();
  if (FActive) TrayShellNotifyIcon(NIM_MODIFY, &FIconData);
}

void TTrayIcon::Delete() { TrayShellNotifyIcon(NIM_DELETE, &FIconData); }

void TTrayIcon::SetActive(bool Value) {
  if (Value == FActive) return;
  FActive = Value;
  if (ComponentState.Contains(TComponentStateItem::csDesigning)) return;
  if (Value) Add();
  else Delete();
}

void TTrayIcon::SetShowDesigning(bool Value) {
  if (Value == FShowDesigning) return;
  FShowDesigning = Value;
  if (!ComponentState.Contains(TComponentStateItem::csDesigning)) return;
  if (Value) Add();
  else Delete();
}

void TTrayIcon::SetIcon(TIcon* Value) {
  FIcon.Assign(Value);
  Modify();
}

void TTrayIcon::SetToolTip(const std::string& Value) {
  FToolTip = Value.substr(0, TrayTipLength);
  Modify();
}

void TTrayIcon::SetAnimate(bool Value) {
  if (Value && !(FImages && FImages->Count() > 0 && FActive)) return;
  bool wasOn = FAnimate;
  FAnimate = Value;
  if (Value) {
    // switched on again while running: the icon shown now is a frame
    if (!wasOn) FBackupIcon.Assign(&FIcon);
    FFrame = 0;
  }
  FTimer->SetEnabled(Value);
  // only an animation that ran gives the icon back; switching off an idle
  // one keeps the icon that is set
  if (!Value && wasOn) SetIcon(&FBackupIcon);
}

void TTrayIcon::SetAnimateInterval(int Value) {
  if (Value < 1) return;
  FAnimateInterval = Value;
  FTimer->SetInterval(static_cast<UINT>(Value));
}

void TTrayIcon::AnimateTick(TObject*) {
  if (!FImages || FImages->Count() == 0) return;
  FFrame = FFrame >= FImages->Count() - 1 ? 0 : FFrame + 1;
  TIcon frame;
  FImages->GetIcon(FFrame, &frame);
  SetIcon(&frame);
}

void TTrayIcon::SetPopupMenu(TPopupMenu* Value) {
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TTrayIcon::SetImages(TCustomImageList* Value) {
  FImages = Value;
  if (Value) Value->FreeNotification(this);
}

void TTrayIcon::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FImages) {
    SetAnimate(false);   // the icon from before the animation comes back
    FImages = nullptr;
  }
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TTrayIcon::RightClick() {
  POINT p;
  GetCursorPos(&p);
  if (FPopupMenu) {
    SetForegroundWindow(FWindow.Handle());
    if (Application) Application->ProcessMessages();
    FPopupMenu->PopupComponent = this;
    FPopupMenu->Popup(p.x, p.y);
  }
  if (OnRightClick) OnRightClick(this, TMouseButton::mbRight, TShiftState{}, p.x, p.y);
}

void TTrayIcon::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_TRAYRESETTIP:
      SetToolTip(FToolTip);
      return;
    case WM_TRAYICON:
      switch (M.LParam) {
        case WM_LBUTTONUP:
          if (OnClick) OnClick(this);
          break;
        case WM_LBUTTONDBLCLK:
          if (OnDblClick) OnDblClick(this);
          break;
        case WM_RBUTTONUP:
          RightClick();
          break;
        default:
          break;
      }
      return;
    default:
      M.Result = DefaultHandler(FWindow.Handle(), M);
  }
}
