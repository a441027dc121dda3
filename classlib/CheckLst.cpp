#include "classlib/CheckLst.h"

IMPLEMENT_CLASSINFO(TCheckListBox, TListBox)

namespace {
const int BoxSize = 13;
const int BoxSpace = BoxSize + 4;   // the box and its margins before the text
}  // namespace

TCheckListBox::TCheckListBox(TComponent* AOwner) : TListBox(AOwner) {}

void TCheckListBox::CreateParams(TCreateParams& P) {
  TListBox::CreateParams(P);
  P.Style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
}

bool TCheckListBox::Checked(int Index) const {
  return Index >= 0 && static_cast<size_t>(Index) < FChecked.size() && FChecked[static_cast<size_t>(Index)];
}

void TCheckListBox::SetChecked(int Index, bool Value) {
  if (Index < 0 || Index >= const_cast<TCheckListBox*>(this)->Items()->Count())
    throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  if (static_cast<size_t>(Index) >= FChecked.size()) FChecked.resize(static_cast<size_t>(Index) + 1);
  if (FChecked[static_cast<size_t>(Index)] == Value) return;
  FChecked[static_cast<size_t>(Index)] = Value;
  if (HandleAllocated()) {
    RECT r;
    if (SendMessageA(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r)) != LB_ERR)
      InvalidateRect(Handle(), &r, FALSE);
  }
}

void TCheckListBox::Toggle(int Index) {
  if (Index < 0 || Index >= Items()->Count()) return;
  SetChecked(Index, !Checked(Index));
  if (OnClickCheck) OnClickCheck(this);
}

void TCheckListBox::DrawItem(const DRAWITEMSTRUCT& D) {
  if (D.itemID == static_cast<UINT>(-1)) return;
  const int index = static_cast<int>(D.itemID);
  const bool selected = D.itemState & ODS_SELECTED;
  RECT r = D.rcItem;
  HBRUSH back = GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  FillRect(D.hDC, &r, back);
  RECT box{r.left + 2, r.top + (r.bottom - r.top - BoxSize) / 2, 0, 0};
  box.right = box.left + BoxSize;
  box.bottom = box.top + BoxSize;
  DrawFrameControl(D.hDC, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (Checked(index) ? DFCS_CHECKED : 0));
  RECT text = r;
  text.left += BoxSpace;
  SetBkMode(D.hDC, TRANSPARENT);
  SetTextColor(D.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const std::string& s = Items()->Get(index);
  DrawTextA(D.hDC, s.c_str(), static_cast<int>(s.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (D.itemState & ODS_FOCUS) DrawFocusRect(D.hDC, &text);
}

void TCheckListBox::WndProc(TMessage& M) {
  switch (M.Msg) {
    case CN_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(M.LParam));
      M.Result = TRUE;
      return;
    case WM_LBUTTONDOWN: {
      const int x = static_cast<short>(LOWORD(M.LParam));
      const int index = ItemAtPos({x, static_cast<short>(HIWORD(M.LParam))});
      TListBox::WndProc(M);
      if (x < BoxSpace) Toggle(index);
      return;
    }
    case WM_CHAR:
      if (M.WParam == ' ') {
        Toggle(ItemIndex());
        return;
      }
      break;
    default:
      break;
  }
  TListBox::WndProc(M);
}
