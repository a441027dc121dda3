#include "viewer/components/PopupListEx.h"

#include "classlib/Forms.h"
#include "classlib/UnitInit.h"

static_assert(CM_MENUCLOSED == 46057 && CM_ENTERMENULOOP == 46058 && CM_EXITMENULOOP == 46059);

IMPLEMENT_CLASSINFO(TPopupListEx, TPopupList)

namespace {
TUnitCounter Counter;

void Tell(UINT Msg, const TMessage& M) {
  TForm* f = Screen ? Screen->ActiveForm() : nullptr;
  if (f) SendMessageA(f->Handle(), Msg, M.WParam, M.LParam);
}
}  // namespace

void TPopupListEx::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_MENUSELECT:
      if (M.LParam == 0 && HIWORD(M.WParam) == 0xFFFF) Tell(CM_MENUCLOSED, M);
      break;
    case WM_ENTERMENULOOP: Tell(CM_ENTERMENULOOP, M); break;
    case WM_EXITMENULOOP: Tell(CM_EXITMENULOOP, M); break;
    default: break;
  }
  TPopupList::WndProc(M);
}

void PopupListEx_Initialize() {
  if (Counter.Enter()) SetPopupList(std::make_unique<TPopupListEx>());
}

void PopupListEx_Finalize() {
  if (Counter.Leave()) SetPopupList(std::make_unique<TPopupList>());
}
