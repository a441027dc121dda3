// An icon in the notification area with a tooltip, click events, a popup
// menu on right click and animation from an image list.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "classlib/Controls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Graphics.h"
#include "classlib/ImgList.h"
#include "classlib/Menus.h"

constexpr UINT WM_TRAYICON = WM_USER + 1;       // the shell's callback message
constexpr UINT WM_TRAYRESETTIP = WM_USER + 2;   // sets the tooltip again after adding
constexpr int TrayTipLength = 62;

// The shell call; tests put a recorder in its place.
extern BOOL(WINAPI* TrayShellNotifyIcon)(DWORD Message, PNOTIFYICONDATAA Data);

class TTrayIcon : public TComponent {
  DECLARE_CLASSINFO(TTrayIcon)
public:
  explicit TTrayIcon(TComponent* AOwner);
  ~TTrayIcon() override;

  bool Active() const { return FActive; }
  void SetActive(bool Value);
  bool ShowDesigning() const { return FShowDesigning; }
  void SetShowDesigning(bool Value);
  bool Animate() const { return FAnimate; }
  void SetAnimate(bool Value);
  int AnimateInterval() const { return FAnimateInterval; }
  void SetAnimateInterval(int Value);
  int Frame() const { return FFrame; }
  TIcon* Icon() { return &FIcon; }
  void SetIcon(TIcon* Value);
  const std::string& ToolTip() const { return FToolTip; }
  void SetToolTip(const std::string& Value);
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  HWND Handle() const { return FWindow.Handle(); }
  const NOTIFYICONDATAA& IconData() const { return FIconData; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnRightClick;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void FillData();
  void Add();
  void Modify();
  void Delete();
  void AnimateTick(TObject* Sender);
  void RightClick();
  void WndProc(TMessage& Message);
  bool Shown() const;

  NOTIFYICONDATAA FIconData{};
  bool FAnimate = false;
  int FAnimateInterval = 100;
  int FFrame = 0;
  TIcon FIcon;
  TIcon FBackupIcon;
  std::string FToolTip;
  THiddenWindow FWindow;
  bool FActive = false;
  bool FShowDesigning = false;
  TTimer* FTimer = nullptr;   // owned as a component
  TPopupMenu* FPopupMenu = nullptr;
  TCustomImageList* FImages = nullptr;
};
