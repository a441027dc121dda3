#include "classlib/Spin.h"

#include <algorithm>

IMPLEMENT_CLASSINFO(TSpinEdit, TCustomEdit)

TSpinEdit::TSpinEdit(TComponent* AOwner) : TCustomEdit(AOwner), FButton(new TUpDown(this)) {
  FCaption = "0";
  FButton->SetParent(this);
  // the buttons only tell which way: their own position goes back to 0
  FButton->SetMin(-1);
  FButton->SetMax(1);
  FButton->ArrowKeys = false;   // the edit steps on its own arrow keys
  FButton->OnClick = [this](TObject*, TUDBtnType Button) {
    FButton->SetPosition(0);
    SetValue(Value() + (Button == TUDBtnType::btNext ? Increment : -Increment));
  };
}

int TSpinEdit::Clamp(int V) const {
  if (FMaxValue == FMinValue) return V;
  return std::clamp(V, std::min(FMinValue, FMaxValue), std::max(FMinValue, FMaxValue));
}

int TSpinEdit::Value() const {
  int v = FMinValue;
  if (!TryStrToInt(Trim(FCaption), v)) v = FMinValue;
  return Clamp(v);
}

void TSpinEdit::SetValue(int V) { SetText(IntToStr(Clamp(V))); }

void TSpinEdit::SetMinValue(int V) {
  FMinValue = V;
  SetValue(Value());
}

void TSpinEdit::SetMaxValue(int V) {
  FMaxValue = V;
  SetValue(Value());
}

void TSpinEdit::SetEditorEnabled(bool V) {
  FEditorEnabled = V;
  SetReadOnly(!V);
}

void TSpinEdit::PlaceButton() {
  if (!HandleAllocated()) return;
  int w = std::min(15, ClientWidth() / 2);
  FButton->SetBounds(ClientWidth() - w, 0, w, ClientHeight());
  SendMessageA(Handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, w + 1));
}

void TSpinEdit::CreateHandleDone() {
  TCustomEdit::CreateHandleDone();
  PlaceButton();
}

void TSpinEdit::Resize() {
  PlaceButton();
  TCustomEdit::Resize();
}

void TSpinEdit::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_KEYDOWN:
      if (M.WParam == VK_UP || M.WParam == VK_DOWN) {
        WORD key = static_cast<WORD>(M.WParam);
        if (OnKeyDown) OnKeyDown(this, key, KeyboardShiftState());
        if (key == VK_UP) SetValue(Value() + Increment);
        else if (key == VK_DOWN) SetValue(Value() - Increment);
        return;
      }
      break;
    case WM_CHAR: {
      char c = static_cast<char>(M.WParam);
      if (static_cast<unsigned char>(c) >= ' ' && !(c >= '0' && c <= '9') && c != '-' && c != '+') {
        MessageBeep(0);
        return;
      }
      break;
    }
    case WM_KILLFOCUS:
      if (FCaption != IntToStr(Value())) SetValue(Value());
      break;
    default:
      break;
  }
  TCustomEdit::WndProc(M);
}
