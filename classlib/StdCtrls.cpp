#include "classlib/StdCtrls.h"

IMPLEMENT_CLASSINFO(TLabel, TWinControl)

TLabel::TLabel(TComponent* AOwner) : TWinControl(AOwner) {
  FPaints = true;
  FWidth = 65;
  FHeight = 13;
}

void TLabel::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.Style &= ~static_cast<DWORD>(WS_CLIPSIBLINGS);
}

void TLabel::SetParent(TWinControl* AParent) {
  TWinControl::SetParent(AParent);
  if (AParent && ParentColor) FColor = AParent->Color();
  AdjustBounds();
}

UINT TLabel::DrawTextFlags() const {
  UINT f = DT_EXPANDTABS;
  if (FWordWrap) f |= DT_WORDBREAK;
  if (!ShowAccelChar) f |= DT_NOPREFIX;
  if (FAlignment == TAlignment::taRightJustify) f |= DT_RIGHT;
  else if (FAlignment == TAlignment::taCenter) f |= DT_CENTER;
  return f;
}

void TLabel::Paint(HDC DC) {
  RECT r{0, 0, ClientWidth(), ClientHeight()};
  HGDIOBJ old = SelectObject(DC, FFont.Handle());
  SetBkMode(DC, TRANSPARENT);
  COLORREF c = ColorToRGB(FFont.Color());
  if (!FEnabled) c = GetSysColor(COLOR_GRAYTEXT);
  SetTextColor(DC, c);
  DrawTextA(DC, FCaption.c_str(), static_cast<int>(FCaption.size()), &r, DrawTextFlags());
  SelectObject(DC, old);
}

void TLabel::AdjustBounds() {
  if (!FAutoSize) return;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, FFont.Handle());
  RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
  std::string text = FCaption.empty() ? std::string(" ") : FCaption;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DrawTextFlags() | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  SetBounds(FLeft, FTop, r.right, r.bottom);
}

void TLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AdjustBounds();
}

void TLabel::SetWordWrap(bool Value) {
  FWordWrap = Value;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}

void TLabel::TextChanged() {
  TWinControl::TextChanged();
  AdjustBounds();
}

void TLabel::FontChanged() {
  AdjustBounds();
  Invalidate();
}
