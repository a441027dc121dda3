#include "classlib/Buttons.h"

#include <algorithm>

#include "classlib/WinHandles.h"

IMPLEMENT_CLASSINFO(TBitBtn, TButton)

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {}

void TBitBtn::SetGlyph(TBitmap* Value) {
  FGlyph.Assign(Value);
  Invalidate();
}

void TBitBtn::SetNumGlyphs(int Value) {
  FNumGlyphs = std::max(1, std::min(Value, 4));
  Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout Value) {
  FLayout = Value;
  Invalidate();
}

void TBitBtn::SetMargin(int Value) {
  FMargin = Value;
  Invalidate();
}

void TBitBtn::SetSpacing(int Value) {
  FSpacing = Value;
  Invalidate();
}

void TBitBtn::SetKind(TBitBtnKind Value) {
  FKind = Value;
  struct TKindInfo {
    const char* Caption;
    int Result;
  };
  static const TKindInfo kinds[] = {{"", 0},       {"OK", IDOK},         {"Cancel", IDCANCEL}, {"&Help", 0},
                                    {"&Yes", IDYES}, {"&No", IDNO},       {"&Close", 0},        {"Abort", IDABORT},
                                    {"&Retry", IDRETRY}, {"&Ignore", IDIGNORE}, {"&All", IDNO + 2}};
  if (Value != TBitBtnKind::bkCustom) {
    const TKindInfo& k = kinds[static_cast<int>(Value)];
    SetCaption(k.Caption);
    ModalResult = k.Result;
    if (Value == TBitBtnKind::bkOK || Value == TBitBtnKind::bkYes) SetDefault(true);
    if (Value == TBitBtnKind::bkCancel || Value == TBitBtnKind::bkNo) Cancel = true;
  }
  Invalidate();
}

void DrawTransparentBitmap(HDC DC, int X, int Y, HBITMAP Bitmap, const TRect& Source, COLORREF Transparent) {
  int w = Source.right - Source.left, h = Source.bottom - Source.top;
  // (the mask's bitmap outlives the DC it is selected into)
  TGdiObject maskBmp(CreateBitmap(w, h, 1, 1, nullptr));
  TMemoryDC src(DC), mask(DC);
  src.Select(Bitmap);
  mask.Select(maskBmp.Get());
  // the mask is white where the transparent colour is
  SetBkColor(src.Get(), Transparent);
  BitBlt(mask.Get(), 0, 0, w, h, src.Get(), Source.left, Source.top, SRCCOPY);
  COLORREF oldText = SetTextColor(DC, RGB(0, 0, 0));
  COLORREF oldBk = SetBkColor(DC, RGB(255, 255, 255));
  BitBlt(DC, X, Y, w, h, src.Get(), Source.left, Source.top, SRCINVERT);
  BitBlt(DC, X, Y, w, h, mask.Get(), 0, 0, SRCAND);
  BitBlt(DC, X, Y, w, h, src.Get(), Source.left, Source.top, SRCINVERT);
  SetTextColor(DC, oldText);
  SetBkColor(DC, oldBk);
}

void TBitBtn::DrawGlyph(TCanvas* Canvas, int X, int Y, int Index) {
  int w = FGlyph.Width() / FNumGlyphs, h = FGlyph.Height();
  if (Index >= FNumGlyphs) Index = 0;
  COLORREF transparent;
  {
    TMemoryDC probe;
    probe.Select(FGlyph.Handle());
    transparent = GetPixel(probe.Get(), 0, h - 1);
  }
  DrawTransparentBitmap(Canvas->Handle(), X, Y, FGlyph.Handle(), Bounds(Index * w, 0, w, h), transparent);
}

// The picture of a kind, for a button without a glyph of its own: a tick,
// a cross or a question mark, 16 pixels square.
void TBitBtn::DrawKindGlyph(TCanvas* C, int X, int Y) {
  C->Pen()->SetWidth(2);
  switch (FKind) {
    case TBitBtnKind::bkOK:
    case TBitBtnKind::bkYes:
    case TBitBtnKind::bkAll:
      C->Pen()->SetColor(FEnabled ? clGreen : clGray);
      C->MoveTo(X + 2, Y + 8);
      C->LineTo(X + 6, Y + 12);
      C->LineTo(X + 14, Y + 3);
      break;
    case TBitBtnKind::bkCancel:
    case TBitBtnKind::bkNo:
    case TBitBtnKind::bkAbort:
    case TBitBtnKind::bkClose:
      C->Pen()->SetColor(FEnabled ? clMaroon : clGray);
      C->MoveTo(X + 3, Y + 3);
      C->LineTo(X + 13, Y + 13);
      C->MoveTo(X + 13, Y + 3);
      C->LineTo(X + 3, Y + 13);
      break;
    default: {
      TRect r = Bounds(X, Y, 16, 16);
      C->Font()->SetColor(FEnabled ? clNavy : clGray);
      C->Brush()->SetStyle(TBrushStyle::bsClear);
      C->TextRect(r, FKind == TBitBtnKind::bkHelp ? "?" : "", DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      break;
    }
  }
  C->Pen()->SetWidth(1);
}

void TBitBtn::DrawButton(TCanvas* C, TRect R, bool Pressed, bool Focused) {
  HDC dc = C->Handle();
  UINT state = DFCS_BUTTONPUSH | (Pressed ? DFCS_PUSHED : 0);
  if (Default() || Focused) {
    C->Brush()->SetColor(clBlack);
    C->FrameRect(R);
    InflateRect(&R, -1, -1);
  }
  DrawFrameControl(dc, &R, DFC_BUTTON, state);
  TRect face = R;
  InflateRect(&face, -3, -3);
  if (Pressed) OffsetRect(&face, 1, 1);

  bool hasGlyph = !FGlyph.Empty();
  bool kindGlyph = !hasGlyph && FKind != TBitBtnKind::bkCustom && FKind != TBitBtnKind::bkRetry &&
                   FKind != TBitBtnKind::bkIgnore;
  SIZE g{0, 0};
  if (hasGlyph) g = SIZE{FGlyph.Width() / FNumGlyphs, FGlyph.Height()};
  else if (kindGlyph) g = SIZE{16, 16};
  C->Font()->Assign(Font());
  if (!FEnabled) C->Font()->SetColor(clGrayText);
  TRect textRect{0, 0, face.right - face.left, 0};
  C->TextRect(textRect, FCaption, DT_CALCRECT | DT_SINGLELINE);
  SIZE t{textRect.right, textRect.bottom};
  bool horizontal = FLayout == TButtonLayout::blGlyphLeft || FLayout == TButtonLayout::blGlyphRight;
  int gap = (g.cx > 0 && t.cx > 0) ? FSpacing : 0;
  int fw = face.right - face.left, fh = face.bottom - face.top;
  int gw = g.cx, gh = g.cy, tw = t.cx, th = t.cy;
  int totalW = horizontal ? gw + gap + tw : std::max(gw, tw);
  int totalH = horizontal ? std::max(gh, th) : gh + gap + th;
  int x0 = face.left + (FMargin >= 0 && horizontal ? FMargin : (fw - totalW) / 2);
  int y0 = face.top + (FMargin >= 0 && !horizontal ? FMargin : (fh - totalH) / 2);
  TPoint gp{}, tp{};
  switch (FLayout) {
    case TButtonLayout::blGlyphLeft:
      gp = Point(x0, face.top + (fh - g.cy) / 2);
      tp = Point(x0 + g.cx + gap, face.top + (fh - t.cy) / 2);
      break;
    case TButtonLayout::blGlyphRight:
      tp = Point(x0, face.top + (fh - t.cy) / 2);
      gp = Point(x0 + t.cx + gap, face.top + (fh - g.cy) / 2);
      break;
    case TButtonLayout::blGlyphTop:
      gp = Point(face.left + (fw - g.cx) / 2, y0);
      tp = Point(face.left + (fw - t.cx) / 2, y0 + g.cy + gap);
      break;
    case TButtonLayout::blGlyphBottom:
      tp = Point(face.left + (fw - t.cx) / 2, y0);
      gp = Point(face.left + (fw - g.cx) / 2, y0 + t.cy + gap);
      break;
  }
  if (hasGlyph) DrawGlyph(C, gp.x, gp.y, !FEnabled ? 1 : Pressed ? 2 : 0);
  else if (kindGlyph) DrawKindGlyph(C, gp.x, gp.y);
  TRect tr = Bounds(tp.x, tp.y, t.cx, t.cy);
  C->Brush()->SetStyle(TBrushStyle::bsClear);
  C->TextRect(tr, FCaption, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  if (Focused) {
    TRect fr = R;
    InflateRect(&fr, -4, -4);
    DrawFocusRect(C->Handle(), &fr);
  }
}

void TBitBtn::WndProc(TMessage& M) {
  if (M.Msg == CN_DRAWITEM) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam);
    TCanvas c(d->hDC);
    DrawButton(&c, d->rcItem, (d->itemState & ODS_SELECTED) != 0, (d->itemState & ODS_FOCUS) != 0);
    M.Result = TRUE;
    return;
  }
  TButton::WndProc(M);
}
