#include "classlib/ExtCtrls.h"

#include <algorithm>

IMPLEMENT_CLASSINFO(TTimer, TComponent)

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  FWindow = AllocateHWnd([this](TMessage& M) {
    if (M.Msg == WM_TIMER) {
      try {
        Timer();
      } catch (...) {
        HandleCallbackException(this);
      }
    } else {
      M.Result = DefaultHandler(FWindow.Handle(), M);
    }
  });
  UpdateTimer();
}

TTimer::~TTimer() {
  FEnabled = false;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  KillTimer(FWindow.Handle(), 1);
  if (FInterval != 0 && FEnabled && !SetTimer(FWindow.Handle(), 1, FInterval, nullptr))
    throw EOutOfResources("Not enough timers available");
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(UINT Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::Timer() {
  if (FEnabled && OnTimer) OnTimer(this);
}

// ---- TPanel --------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TPanel, TCustomControl)

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 185;
  FHeight = 41;
}

void Frame3D(TCanvas* Canvas, TRect& R, TColor TopColor, TColor BottomColor, int Width) {
  for (int i = 0; i < Width; ++i) {
    --R.bottom;
    --R.right;
    Canvas->Pen()->SetColor(TopColor);
    Canvas->MoveTo(R.left, R.bottom);
    Canvas->LineTo(R.left, R.top);
    Canvas->LineTo(R.right, R.top);
    Canvas->Pen()->SetColor(BottomColor);
    Canvas->LineTo(R.right, R.bottom);
    Canvas->LineTo(R.left - 1, R.bottom);
    ++R.left;
    ++R.top;
  }
}

int TPanel::BorderSize() const {
  int n = 0;
  if (FBevelOuter != TBevelCut::bvNone) n += FBevelWidth;
  if (FBevelInner != TBevelCut::bvNone) n += FBevelWidth;
  return n;
}

void TPanel::AdjustClientRect(TRect& R) {
  int b = BorderSize();
  InflateRect(&R, -b, -b);
}

void TPanel::SetBevelOuter(TBevelCut Value) {
  FBevelOuter = Value;
  Realign();
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut Value) {
  FBevelInner = Value;
  Realign();
  Invalidate();
}

void TPanel::SetBevelWidth(int Value) {
  FBevelWidth = Value;
  Realign();
  Invalidate();
}

void TPanel::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Invalidate();
}

void TPanel::Paint(HDC) {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  for (TBevelCut cut : {FBevelOuter, FBevelInner}) {
    if (cut == TBevelCut::bvNone) continue;
    bool raised = cut == TBevelCut::bvRaised;
    Frame3D(c, r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, FBevelWidth);
  }
  if (FCaption.empty()) return;
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  static const UINT align[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  c->TextRect(r, FCaption, DT_SINGLELINE | DT_VCENTER | align[static_cast<int>(FAlignment)]);
}

// ---- TBevel --------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TBevel, TGraphicControl)

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 50;
  FHeight = 50;
}

void TBevel::SetShape(TBevelShape Value) {
  FShape = Value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
  FStyle = Value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* c = Canvas();
  TColor first = FStyle == TBevelStyle::bsLowered ? clBtnShadow : clBtnHighlight;
  TColor second = FStyle == TBevelStyle::bsLowered ? clBtnHighlight : clBtnShadow;
  TRect r = ClientRect();
  auto line = [c](TColor Color, int X1, int Y1, int X2, int Y2) {
    c->Pen()->SetColor(Color);
    c->MoveTo(X1, Y1);
    c->LineTo(X2, Y2);
  };
  int w = FWidth, h = FHeight;
  switch (FShape) {
    case TBevelShape::bsBox: Frame3D(c, r, first, second, 1); break;
    case TBevelShape::bsFrame: {
      TRect inner = r;
      ++inner.left;
      ++inner.top;
      Frame3D(c, inner, second, second, 1);
      TRect outer = r;
      --outer.right;
      --outer.bottom;
      Frame3D(c, outer, first, first, 1);
      break;
    }
    case TBevelShape::bsTopLine: line(first, 0, 0, w, 0); line(second, 0, 1, w, 1); break;
    case TBevelShape::bsBottomLine: line(first, 0, h - 2, w, h - 2); line(second, 0, h - 1, w, h - 1); break;
    case TBevelShape::bsLeftLine: line(first, 0, 0, 0, h); line(second, 1, 0, 1, h); break;
    case TBevelShape::bsRightLine: line(first, w - 2, 0, w - 2, h); line(second, w - 1, 0, w - 1, h); break;
    case TBevelShape::bsSpacer: break;
  }
}

// ---- TShape ---------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TShape, TGraphicControl)

TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 65;
  FHeight = 65;
  FBrush.OnChange = [this](TObject*) { Invalidate(); };
  FPen.OnChange = [this](TObject*) { Invalidate(); };
}

void TShape::SetShape(TShapeType Value) {
  FShape = Value;
  Invalidate();
}

void TShape::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->Assign(&FBrush);
  c->Pen()->Assign(&FPen);
  int pw = FPen.Width(), x = pw / 2, y = pw / 2, w = FWidth - pw + 1, h = FHeight - pw + 1;
  if (FShape == TShapeType::stSquare || FShape == TShapeType::stRoundSquare || FShape == TShapeType::stCircle) {
    int s = std::min(w, h);
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  switch (FShape) {
    case TShapeType::stRectangle:
    case TShapeType::stSquare: c->Rectangle(x, y, x + w, y + h); break;
    case TShapeType::stRoundRect:
    case TShapeType::stRoundSquare:
      RoundRect(c->Handle(), x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4);
      break;
    case TShapeType::stEllipse:
    case TShapeType::stCircle: c->Ellipse(x, y, x + w, y + h); break;
  }
}

// ---- TImage ----------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TImage, TGraphicControl)

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 105;
  FHeight = 105;
  FPicture.OnChange = [this](TObject*) { Changed(); };
}

void TImage::Changed() {
  if (FAutoSize && FPicture.Width() > 0) SetBounds(FLeft, FTop, FPicture.Width(), FPicture.Height());
  Invalidate();
}

void TImage::SetStretch(bool Value) {
  FStretch = Value;
  Invalidate();
}

void TImage::SetCenter(bool Value) {
  FCenter = Value;
  Invalidate();
}

void TImage::SetAutoSize(bool Value) {
  FAutoSize = Value;
  Changed();
}

void TImage::Paint() {
  TGraphic* g = FPicture.Graphic();
  if (!g || g->Empty()) return;
  TCanvas* c = TGraphicControl::Canvas();
  if (FStretch) {
    c->StretchDraw(ClientRect(), g);
    return;
  }
  int x = 0, y = 0;
  if (FCenter) {
    x = (FWidth - g->Width()) / 2;
    y = (FHeight - g->Height()) / 2;
  }
  c->Draw(x, y, g);
}

// ---- TLabeledEdit ------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TBoundLabel, TLabel)
IMPLEMENT_CLASSINFO(TLabeledEdit, TCustomEdit)

TBoundLabel::TBoundLabel(TLabeledEdit* AOwner) : TLabel(AOwner), FEdit(AOwner) {}

void TBoundLabel::BoundsChanged() {
  TLabel::BoundsChanged();
  FEdit->PlaceLabel();
}

TLabeledEdit::TLabeledEdit(TComponent* AOwner) : TCustomEdit(AOwner), FEditLabel(new TBoundLabel(this)) {}

void TLabeledEdit::SetLabelPosition(TLabelPosition Value) {
  FLabelPosition = Value;
  PlaceLabel();
}

void TLabeledEdit::SetParent(TWinControl* AParent) {
  TCustomEdit::SetParent(AParent);
  FEditLabel->SetParent(AParent);
  PlaceLabel();
}

void TLabeledEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TCustomEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
  PlaceLabel();
}

void TLabeledEdit::VisibleChanged() {
  TCustomEdit::VisibleChanged();
  FEditLabel->SetVisible(FVisible);
}

void TLabeledEdit::EnabledChanged() {
  TCustomEdit::EnabledChanged();
  FEditLabel->SetEnabled(FEnabled);
}

void TLabeledEdit::PlaceLabel() {
  if (!FEditLabel || FPlacing) return;
  TLabel* l = FEditLabel;
  int x = FLeft, y = FTop;
  switch (FLabelPosition) {
    case TLabelPosition::lpAbove: y = FTop - l->Height() - LabelSpacing; break;
    case TLabelPosition::lpBelow: y = FTop + FHeight + LabelSpacing; break;
    case TLabelPosition::lpLeft:
      x = FLeft - l->Width() - LabelSpacing;
      y = FTop + (FHeight - l->Height()) / 2;
      break;
    case TLabelPosition::lpRight:
      x = FLeft + FWidth + LabelSpacing;
      y = FTop + (FHeight - l->Height()) / 2;
      break;
  }
  FPlacing = true;
  l->SetBounds(x, y, l->Width(), l->Height());
  FPlacing = false;
}
