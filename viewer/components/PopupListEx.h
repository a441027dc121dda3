// A popup list that tells the active form when a popup menu is entered,
// left, or closed without a choice.
#pragma once
#include "classlib/Menus.h"

constexpr UINT CM_MENUCLOSED = CM_BASE + 1001;      // 46057
constexpr UINT CM_ENTERMENULOOP = CM_BASE + 1002;   // 46058
constexpr UINT CM_EXITMENULOOP = CM_BASE + 1003;    // 46059

class TPopupListEx : public TPopupList {
  DECLARE_CLASSINFO(TPopupListEx)
protected:
  void WndProc(TMessage& Message) override;
};

// Start-up puts a TPopupListEx in place of the global popup list; shutdown
// puts a plain one back.
void PopupListEx_Initialize();
void PopupListEx_Finalize();
