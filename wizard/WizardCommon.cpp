#include "wizard/WizardCommon.h"

namespace {

// One pass: left and top in A, right and bottom in B, on the chosen sides.
void FramePass(TCanvas* Canvas, TRect R, TColor A, TColor B, int Sides, TRect& Inner) {
  TPen* pen = Canvas->Pen();
  pen->SetStyle(TPenStyle::psSolid);
  pen->SetWidth(1);
  Inner = R;
  if (Sides & sdLeft) {
    pen->SetColor(A);
    Canvas->MoveTo(R.left, R.top);
    Canvas->LineTo(R.left, R.bottom);
    ++Inner.left;
  }
  if (Sides & sdTop) {
    pen->SetColor(A);
    Canvas->MoveTo(R.left, R.top);
    Canvas->LineTo(R.right, R.top);
    ++Inner.top;
  }
  if (Sides & sdRight) {
    pen->SetColor(B);
    Canvas->MoveTo(R.right - 1, R.top);
    Canvas->LineTo(R.right - 1, R.bottom);
    --Inner.right;
  }
  if (Sides & sdBottom) {
    pen->SetColor(B);
    Canvas->MoveTo(R.left, R.bottom - 1);
    Canvas->LineTo(R.right, R.bottom - 1);
    --Inner.bottom;
  }
}

}  // namespace

void DrawFrameSides(TCanvas* Canvas, const TRect& Rect, int Style, TRect& InnerRect, int Sides) {
  static const TColor First[] = {clNone, clNone, clWindowFrame, clBtnShadow, clBtnHighlight, clBtnShadow};
  static const TColor Second[] = {clNone, clNone, clWindowFrame, clBtnHighlight, clBtnShadow, clBtnHighlight};
  InnerRect = Rect;
  if (Style <= 1 || Style > 5) return;
  if (Style == 2) {
    FramePass(Canvas, Rect, First[2], Second[2], Sides, InnerRect);
    return;
  }
  // Etched: the second colour one pixel in and down, the first over it.
  TRect ignored;
  FramePass(Canvas, ::Rect(Rect.left + 1, Rect.top + 1, Rect.right, Rect.bottom), Second[Style], Second[Style],
            Sides, ignored);
  FramePass(Canvas, ::Rect(Rect.left, Rect.top, Rect.right - 1, Rect.bottom - 1), First[Style], First[Style], Sides,
            ignored);
  if (Sides & sdLeft) InnerRect.left += 2;
  if (Sides & sdTop) InnerRect.top += 2;
  if (Sides & sdRight) InnerRect.right -= 2;
  if (Sides & sdBottom) InnerRect.bottom -= 2;
}

void DrawAlignedGraphic(TCanvas* Canvas, TGraphic* Graphic, TRect Rect, TKImageLayout Layout,
                        TKImageAlignment Alignment) {
  if (!Graphic || Graphic->Empty()) return;
  int dx = 0, dy = 0;
  const int rw = Rect.right - Rect.left, rh = Rect.bottom - Rect.top;
  if ((Alignment == TKImageAlignment::iaRight || Alignment == TKImageAlignment::iaCenter) && Graphic->Width() < rw) {
    dx = rw - Graphic->Width();
    if (Alignment == TKImageAlignment::iaCenter) {
      dx /= 2;
      Rect.right -= dx;
    }
  }
  if ((Layout == TKImageLayout::ilBottom || Layout == TKImageLayout::ilCenter) && Graphic->Height() < rh) {
    dy = rh - Graphic->Height();
    if (Layout == TKImageLayout::ilCenter) {
      dy /= 2;
      Rect.bottom -= dy;
    }
  }
  Rect.left += dx;
  Rect.top += dy;
  if (Alignment == TKImageAlignment::iaStretch || Layout == TKImageLayout::ilStretch)
    Canvas->StretchDraw(Rect, Graphic);
  else
    Canvas->Draw(Rect.left, Rect.top, Graphic);
}
