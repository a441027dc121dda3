#include "wizard/Wizard.h"

#include <algorithm>

#include "classlib/Forms.h"
#include "classlib/WinHandles.h"

const char* const SWizardStart = "To &Start Page";
const char* const SWizardLast = "To &Last Page";
const char* const SWizardBack = "< &Back";
const char* const SWizardNext = "&Next >";
const char* const SWizardFinish = "&Finish";
const char* const SWizardCancel = "Cancel";
const char* const SWizardHelp = "&Help";

IMPLEMENT_CLASSINFO(TWizardGraphicObject, TPersistent)
IMPLEMENT_CLASSINFO(TWizardPageTitle, TWizardGraphicObject)
IMPLEMENT_CLASSINFO(TWizardPageObject, TWizardGraphicObject)
IMPLEMENT_CLASSINFO(TWizardPageHeader, TWizardPageObject)
IMPLEMENT_CLASSINFO(TWizardImage, TPersistent)
IMPLEMENT_CLASSINFO(TWizardWaterMark, TWizardPageObject)
IMPLEMENT_CLASSINFO(TWizardPagePanel, TWizardPageObject)
IMPLEMENT_CLASSINFO(TWizardCustomPage, TCustomControl)
IMPLEMENT_CLASSINFO(TWizardWelcomePage, TWizardCustomPage)
IMPLEMENT_CLASSINFO(TWizardInteriorPage, TWizardCustomPage)
IMPLEMENT_CLASSINFO(TWizardButtonControl, TBitBtn)
IMPLEMENT_CLASSINFO(TWizardStartButton, TWizardButtonControl)
IMPLEMENT_CLASSINFO(TWizardLastButton, TWizardButtonControl)
IMPLEMENT_CLASSINFO(TWizardBackButton, TWizardButtonControl)
IMPLEMENT_CLASSINFO(TWizardNextButton, TWizardButtonControl)
IMPLEMENT_CLASSINFO(TWizardFinishButton, TWizardButtonControl)
IMPLEMENT_CLASSINFO(TWizardCancelButton, TWizardButtonControl)
IMPLEMENT_CLASSINFO(TWizardHelpButton, TWizardButtonControl)
IMPLEMENT_CLASSINFO(TWizardNavigateButton, TPersistent)
IMPLEMENT_CLASSINFO(TWizard, TCustomControl)

namespace {
constexpr int BarHeight = 42;
constexpr int ButtonHeight = 25;
constexpr int EtchedStyle = 3;

bool Designing(const TComponent* C) { return C->ComponentState.Contains(TComponentStateItem::csDesigning); }
}  // namespace

// ---- Graphic objects -----------------------------------------------------------

void TWizardGraphicObject::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  ColorChanged();
}

void TWizardGraphicObject::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  VisibleChanged();
}

TWizardPageTitle::TWizardPageTitle() {
  FColor = clNone;
  FFont.OnChange = [this](TObject*) {
    if (!FTakingFont) Changed();
  };
}

void TWizardPageTitle::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  Changed();
  if (FHeader && FHeader->Page() && FHeader->Page()->Wizard())
    FHeader->Page()->Wizard()->PageTitleChanged(FHeader->Page());
}

void TWizardPageTitle::SetAlignment(TAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Changed();
}

void TWizardPageTitle::SetAnchorPlacement(int Value) {
  if (Value == FAnchorPlacement) return;
  FAnchorPlacement = Value;
  Changed();
}

void TWizardPageTitle::SetAnchors(TAnchors Value) {
  if (Value == FAnchors) return;
  FAnchors = Value;
  Changed();
}

void TWizardPageTitle::SetIndent(int Value) {
  if (Value == FIndent) return;
  FIndent = Value;
  Changed();
}

void TWizardPageTitle::SetFont(TFont* Value) {
  if (FHeader && FHeader->ParentFont()) return;
  FFont.Assign(Value);
}

void TWizardPageTitle::Changed() {
  if (FHeader) FHeader->Changed();
}

void TWizardPageTitle::GetTextRect(TCanvas* Canvas, const TRect& Rect, TRect& TextRect) {
  const bool left = FAnchors.Contains(TAnchorKind::akLeft), top = FAnchors.Contains(TAnchorKind::akTop);
  const bool right = FAnchors.Contains(TAnchorKind::akRight), bottom = FAnchors.Contains(TAnchorKind::akBottom);
  // The room across first: the text is wrapped at the width it is drawn at.
  const int x0 = Rect.left + (left ? FAnchorPlacement : 0) + FIndent;
  const int x1 = (right ? Rect.right - FAnchorPlacement : Rect.right) - FIndent;
  TRect calc = ::Rect(0, 0, std::max(0, x1 - x0), 0);
  Canvas->TextRect(calc, FText, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  const int w = calc.right - calc.left, h = calc.bottom - calc.top;
  TextRect.left = x0;
  TextRect.right = x0 + w;
  // An anchor on the far side moves that edge only: the text stretches
  // from its near edge.
  if (right) TextRect.right = x1;
  TextRect.top = Rect.top + (top ? FAnchorPlacement : 0);
  TextRect.bottom = TextRect.top + h;
  if (bottom) TextRect.bottom = Rect.bottom - FAnchorPlacement;
  TextRect.right = std::min(TextRect.right, Rect.right);
  TextRect.bottom = std::min(TextRect.bottom, Rect.bottom);
}

void TWizardPageTitle::PaintTo(TCanvas* Canvas, TRect& Rect) {
  if (!FVisible || !FHeader || !FHeader->Page()) return;
  Canvas->SetFont(&FFont);
  TRect tr;
  GetTextRect(Canvas, Rect, tr);
  if (FColor != clNone) {
    Canvas->Brush()->SetColor(FColor);
    Canvas->FillRect(tr);
  }
  UINT align = FAlignment == TAlignment::taRightJustify ? DT_RIGHT
               : FAlignment == TAlignment::taCenter     ? DT_CENTER
                                                         : DT_LEFT;
  SetBkMode(Canvas->Handle(), TRANSPARENT);
  TRect draw = tr;
  Canvas->TextRect(draw, FText, align | DT_WORDBREAK | DT_NOPREFIX);
  Rect.top = tr.bottom;
}

void TWizardPageObject::SetPage(TWizardCustomPage* Value) {
  FPage = Value;
  PageAttached();
}

void TWizardPageObject::Changed() {
  if (FPage) FPage->Invalidate();
}

TWizardPageHeader::TWizardPageHeader() {
  FColor = clWindow;
  FTitle.FText = "Title";
  FTitle.FAnchors = TAnchors{TAnchorKind::akLeft, TAnchorKind::akTop, TAnchorKind::akRight};
  FTitle.FTakingFont = true;
  FTitle.FFont.SetSize(12);
  FTitle.FFont.SetStyle(TFontStyles{TFontStyle::fsBold});
  FTitle.FTakingFont = false;
  FSubtitle.FText = "Subtitle";
  FSubtitle.FAnchors = TAnchors{TAnchorKind::akLeft, TAnchorKind::akTop, TAnchorKind::akRight, TAnchorKind::akBottom};
}

void TWizardPageHeader::SetHeight(int Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  Changed();
  if (FPage) FPage->Realign();
}

void TWizardPageHeader::SetParentFont(bool Value) {
  if (Value == FParentFont) return;
  FParentFont = Value;
  if (Value) TakePageFont();
  Changed();
}

void TWizardPageHeader::TakePageFont() {
  if (!FParentFont || !FPage) return;
  for (TWizardPageTitle* t : {&FTitle, &FSubtitle}) {
    t->FTakingFont = true;
    t->FFont.SetName(FPage->Font()->Name());
    t->FFont.SetCharset(FPage->Font()->Charset());
    t->FTakingFont = false;
  }
}

void TWizardPageHeader::SetImageIndex(int Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Changed();
}

void TWizardPageHeader::SetImageOffset(int Value) {
  if (Value == FImageOffset) return;
  FImageOffset = Value;
  Changed();
}

void TWizardPageHeader::SetImageAlignment(TKImageLeftRight Value) {
  if (Value == FImageAlignment) return;
  FImageAlignment = Value;
  Changed();
}

void TWizardPageHeader::SetShowDivider(bool Value) {
  if (Value == FShowDivider) return;
  FShowDivider = Value;
  Changed();
}

void TWizardPageHeader::VisibleChanged() {
  TWizardPageObject::VisibleChanged();
  if (FPage) FPage->Realign();
}

void TWizardPageHeader::PageAttached() {
  FTitle.FHeader = this;
  FSubtitle.FHeader = this;
  TakePageFont();
}

void TWizardPageHeader::GetImageRect(TCustomImageList* Images, TRect& Rect, TRect& ImageRect) {
  const int bw = Rect.right - Rect.left, bh = Rect.bottom - Rect.top;
  ImageRect = Bounds(Rect.left, Rect.top, Images->Width(), Images->Height());
  OffsetRect(&ImageRect, 0, (bh - Images->Height()) / 2);
  if (FImageAlignment == TKImageAlignment::iaRight) OffsetRect(&ImageRect, bw - Images->Width() - 4, 0);
  OffsetRect(&ImageRect, FImageOffset, 0);
  if (FImageAlignment == TKImageAlignment::iaRight) Rect.right = ImageRect.left;
  else Rect.left = ImageRect.right;
}

void TWizardPageHeader::PaintTo(TCanvas* Canvas, TRect& Rect) {
  if (!FVisible) return;
  TRect band = Rect;
  band.bottom = Rect.top + FHeight;
  if (FColor != clNone) {
    Canvas->Brush()->SetColor(FColor);
    Canvas->FillRect(band);
  }
  if (FShowDivider || (FPage && Designing(FPage))) {
    TRect inner;
    DrawFrameSides(Canvas, band, EtchedStyle, inner, sdBottom);
  }
  TRect text = band;
  TWizard* w = FPage ? FPage->Wizard() : nullptr;
  if (w && w->HeaderImages() && FImageIndex >= 0 && FImageIndex < w->HeaderImages()->Count()) {
    TRect ir;
    GetImageRect(w->HeaderImages(), text, ir);
    ImageList_Draw(w->HeaderImages()->Handle(), FImageIndex, Canvas->Handle(), ir.left, ir.top, ILD_NORMAL);
  }
  FTitle.PaintTo(Canvas, text);
  FSubtitle.PaintTo(Canvas, text);
  Rect.top += FHeight;
}

TWizardImage::TWizardImage() {
  FPicture.OnChange = [this](TObject*) { Changed(); };
}

void TWizardImage::Changed() {
  if (OnChange) OnChange(this);
}

void TWizardImage::SetAlignment(TKImageAlignment Value) {
  if (Value == FAlignment) return;
  FAlignment = Value;
  Changed();
}

void TWizardImage::SetLayout(TKImageLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  Changed();
}

bool TWizardImage::Transparent() const { return FPicture.Graphic() && FPicture.Graphic()->Transparent(); }

// The graphic's change reaches the owner through the picture.
void TWizardImage::SetTransparent(bool Value) {
  if (FPicture.Graphic()) FPicture.Graphic()->SetTransparent(Value);
}

void TWizardImage::PaintTo(TCanvas* Canvas, const TRect& Rect) {
  DrawAlignedGraphic(Canvas, FPicture.Graphic(), Rect, FLayout, FAlignment);
}

TWizardWaterMark::TWizardWaterMark() {
  FColor = clActiveCaption;
  FImage.OnChange = [this](TObject*) { Changed(); };
}

void TWizardWaterMark::SetAlign(TWizardLeftRight Value) {
  if (Value == FAlign) return;
  FAlign = Value;
  Changed();
  if (FPage) FPage->Realign();
}

void TWizardWaterMark::SetWidth(int Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  Changed();
}

void TWizardWaterMark::SetBorderWidth(int Value) {
  if (Value == FBorderWidth) return;
  FBorderWidth = Value;
  Changed();
}

void TWizardWaterMark::VisibleChanged() {
  TWizardPageObject::VisibleChanged();
  if (FPage) FPage->Realign();
}

void TWizardWaterMark::PaintTo(TCanvas* Canvas, TRect& Rect) {
  if (!FVisible) return;
  TRect band = Rect;
  if (FAlign == TAlign::alRight) {
    band.left = Rect.right - FWidth;
    Rect.right = band.left;
  } else {
    band.right = Rect.left + FWidth;
    Rect.left = band.right;
  }
  InflateRect(&band, -FBorderWidth, -FBorderWidth);
  if (FColor != clNone) {
    Canvas->Brush()->SetColor(FColor);
    Canvas->FillRect(band);
  }
  FImage.PaintTo(Canvas, band);
}

TWizardPagePanel::TWizardPagePanel() { FVisible = false; }

void TWizardPagePanel::SetBorderWidth(uint16_t Value) {
  if (Value == FBorderWidth) return;
  FBorderWidth = Value;
  Changed();
}

void TWizardPagePanel::PaintTo(TCanvas* Canvas, TRect& Rect) {
  if (!FVisible || FBorderWidth == 0) return;
  InflateRect(&Rect, -FBorderWidth, -FBorderWidth);
  TRect inner;
  DrawFrameSides(Canvas, Rect, EtchedStyle, inner, sdAll);
  if (FColor != clNone) {
    InflateRect(&Rect, -2, -2);
    Canvas->Brush()->SetColor(FColor);
    Canvas->FillRect(Rect);
  }
}

// ---- Pages ------------------------------------------------------------------------

TWizardCustomPage::TWizardCustomPage(TComponent* AOwner) : TCustomControl(AOwner) {
  SetAlign(TAlign::alClient);
  FVisible = false;
  SetColor(clBtnFace);
  FHeader.SetPage(this);
  FPanel.SetPage(this);
  FImage.OnChange = [this](TObject*) { Invalidate(); };
}

TWizardCustomPage::~TWizardCustomPage() {
  if (FWizard) FWizard->RemovePage(this);
}

void TWizardCustomPage::SetWizard(TWizard* Value) {
  if (Value == FWizard) return;
  if (FWizard) FWizard->RemovePage(this);
  SetParent(Value);   // joins Value's pages
}

void TWizardCustomPage::SetParent(TWinControl* AParent) {
  TCustomControl::SetParent(AParent);
  auto* w = dynamic_cast<TWizard*>(AParent);
  if (!w || w == FWizard) return;
  if (FWizard) FWizard->RemovePage(this);
  w->AddPage(this);
}

int TWizardCustomPage::PageIndex() const { return FWizard ? FWizard->Pages()->IndexOf(this) : -1; }

void TWizardCustomPage::SetEnabledButtons(TWizardButtonSet Value) {
  if (Value == FEnabledButtons) return;
  FEnabledButtons = Value;
  if (FWizard && FWizard->ActivePage() == this) FWizard->UpdateButtons();
}

void TWizardCustomPage::SetVisibleButtons(TWizardButtonSet Value) {
  if (Value == FVisibleButtons) return;
  FVisibleButtons = Value;
  if (FWizard && FWizard->ActivePage() == this) {
    FWizard->SetButtonBarHeight(Value.Empty() ? 0 : BarHeight);
    Invalidate();
  }
}

void TWizardCustomPage::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ClassStyle &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TWizardCustomPage::AdjustClientRect(TRect& Rect) {
  if (FHeader.Visible()) Rect.top += FHeader.Height();
}

void TWizardCustomPage::Paint(HDC) {
  if (FPainting) return;
  FPainting = true;
  try {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetColor(FColor);
    c->FillRect(r);
    DrawPage(c, r);
    if (!OnPaintPage || Designing(this)) {
      FImage.PaintTo(c, r);
      FPanel.PaintTo(c, r);
    } else {
      OnPaintPage(this, c, r);
    }
    if (Designing(this)) {
      TRect all = ClientRect();
      c->TextRect(all, FCaption, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
  } catch (...) {
    FPainting = false;
    throw;
  }
  FPainting = false;
}

namespace {
struct TMemoryDCTraits {
  static HDC Invalid() { return nullptr; }
  static void Close(HDC h) { DeleteDC(h); }
};
}  // namespace

// The page is painted whole into a bitmap, then copied: the window never
// shows the fill before what is drawn over it.
void TWizardCustomPage::PaintWindow(HDC DC) {
  const TRect r = ClientRect();
  TOwnedHandle<HDC, TMemoryDCTraits> mem(CreateCompatibleDC(DC));
  TGdiObject bitmap(CreateCompatibleBitmap(DC, std::max(1, int(r.right)), std::max(1, int(r.bottom))));
  if (!mem || !bitmap) {
    TCustomControl::PaintWindow(DC);
    return;
  }
  const HGDIOBJ old = SelectObject(mem.Get(), bitmap.Get());
  try {
    TCustomControl::PaintWindow(mem.Get());
  } catch (...) {
    SelectObject(mem.Get(), old);
    throw;
  }
  BitBlt(DC, 0, 0, r.right, r.bottom, mem.Get(), 0, 0, SRCCOPY);
  SelectObject(mem.Get(), old);
}

void TWizardCustomPage::WndProc(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;   // Paint fills the whole page
    return;
  }
  TCustomControl::WndProc(Message);
}

void TWizardCustomPage::EnabledChanged() {
  TCustomControl::EnabledChanged();
  if (FWizard) FWizard->PageEnabledChanged(this);
}

void TWizardCustomPage::TextChanged() {
  TCustomControl::TextChanged();
  if (FWizard) FWizard->PageTitleChanged(this);
}

void TWizardCustomPage::FontChanged() {
  TCustomControl::FontChanged();
  FHeader.TakePageFont();
}

void TWizardCustomPage::Enter(TWizardCustomPage* FromPage) {
  if (Enabled() && !Designing(this) && OnEnterPage) OnEnterPage(this, FromPage);
}

void TWizardCustomPage::Done() {
  Repaint();
  if (Enabled() && !Designing(this) && OnPage) OnPage(this);
}

void TWizardCustomPage::Exit(TWizardCustomPage* ToPage) {
  if (Enabled() && !Designing(this) && OnExitPage) OnExitPage(this, ToPage);
}

TWizardWelcomePage::TWizardWelcomePage(TComponent* AOwner) : TWizardCustomPage(AOwner) {
  FWaterMark.SetPage(this);
  FHeader.Title()->SetText("Welcome");
  FHeader.SetShowDivider(false);
  SetColor(clWindow);
}

void TWizardWelcomePage::AdjustClientRect(TRect& Rect) {
  TWizardCustomPage::AdjustClientRect(Rect);
  if (!FWaterMark.Visible()) return;
  if (FWaterMark.Align() == TAlign::alRight) Rect.right -= FWaterMark.Width();
  else Rect.left += FWaterMark.Width();
}

void TWizardWelcomePage::DrawPage(TCanvas* Canvas, TRect& Rect) {
  FWaterMark.PaintTo(Canvas, Rect);
  FHeader.PaintTo(Canvas, Rect);
}

TWizardInteriorPage::TWizardInteriorPage(TComponent* AOwner) : TWizardCustomPage(AOwner) {}

void TWizardInteriorPage::DrawPage(TCanvas* Canvas, TRect& Rect) { FHeader.PaintTo(Canvas, Rect); }

int TWizardPageList::IndexOf(const TWizardCustomPage* Page) const {
  auto it = std::find(FItems.begin(), FItems.end(), Page);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TWizardPageList::Add(TWizardCustomPage* Page) {
  FItems.push_back(Page);
  Page->FWizard = FWizard;
}

void TWizardPageList::Remove(TWizardCustomPage* Page) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), Page), FItems.end());
  Page->FWizard = nullptr;
}

// ---- Buttons ----------------------------------------------------------------------

TWizardButtonControl::TWizardButtonControl(TComponent* AOwner) : TBitBtn(AOwner) {
  SetKind(TBitBtnKind::bkCustom);
  SetHeight(ButtonHeight);
}

void TWizardButtonControl::Click() { TBitBtn::Click(); }

void TWizardButtonControl::VisibleChanged() {
  TBitBtn::VisibleChanged();
  if (FWizard) FWizard->RepositionButtons();
}

namespace {
struct TButtonInit {
  const char* Caption;
  int Width;
  bool Visible, Enabled;
  TAlign Side;
};
void InitButton(TWizardButtonControl* B, const TButtonInit& I) {
  B->SetCaption(I.Caption);
  B->SetWidth(I.Width);
  B->SetVisible(I.Visible);
  B->SetEnabled(I.Enabled);
  B->SetAnchors(I.Side == TAlign::alLeft ? TAnchors{TAnchorKind::akLeft, TAnchorKind::akBottom}
                                          : TAnchors{TAnchorKind::akRight, TAnchorKind::akBottom});
}

// The page event of a navigation kind, the wizard-level click, then the move.
void NavigationClick(TWizardButtonControl* B, TWizardPageClickEvent TWizardCustomPage::*Event,
                     void (TWizard::*Select)()) {
  TWizard* w = B->Wizard();
  if (!w) return;
  if (!Designing(B)) {
    bool stop = false;
    TWizardCustomPage* p = w->ActivePage();
    if (p && p->*Event) (p->*Event)(p, stop);
    if (stop) return;
    B->TWizardButtonControl::Click();
  }
  (w->*Select)();
}

void EndClick(TWizardButtonControl* B, TWizardPageClickEvent TWizardCustomPage::*Event) {
  TWizard* w = B->Wizard();
  if (!w || Designing(B)) return;
  bool stop = false;
  TWizardCustomPage* p = w->ActivePage();
  if (p && p->*Event) (p->*Event)(p, stop);
  if (!stop) B->TWizardButtonControl::Click();
}
}  // namespace

TWizardStartButton::TWizardStartButton(TComponent* AOwner) : TWizardButtonControl(AOwner) {
  InitButton(this, {SWizardStart, 85, false, true, TAlign::alLeft});
  FSide = TAlign::alLeft;
}
void TWizardStartButton::Click() {
  NavigationClick(this, &TWizardCustomPage::OnStartButtonClick, &TWizard::SelectFirstPage);
}

TWizardLastButton::TWizardLastButton(TComponent* AOwner) : TWizardButtonControl(AOwner) {
  InitButton(this, {SWizardLast, 85, false, true, TAlign::alLeft});
  FSide = TAlign::alLeft;
}
void TWizardLastButton::Click() {
  NavigationClick(this, &TWizardCustomPage::OnLastButtonClick, &TWizard::SelectLastPage);
}

TWizardBackButton::TWizardBackButton(TComponent* AOwner) : TWizardButtonControl(AOwner) {
  InitButton(this, {SWizardBack, 75, true, false, TAlign::alRight});
}
void TWizardBackButton::Click() {
  NavigationClick(this, &TWizardCustomPage::OnBackButtonClick, &TWizard::SelectPriorPage);
}

TWizardNextButton::TWizardNextButton(TComponent* AOwner) : TWizardButtonControl(AOwner) {
  InitButton(this, {SWizardNext, 75, true, false, TAlign::alRight});
}
void TWizardNextButton::Click() {
  NavigationClick(this, &TWizardCustomPage::OnNextButtonClick, &TWizard::SelectNextPage);
}

TWizardFinishButton::TWizardFinishButton(TComponent* AOwner) : TWizardButtonControl(AOwner) {
  InitButton(this, {SWizardFinish, 75, false, true, TAlign::alRight});
}
void TWizardFinishButton::Click() { EndClick(this, &TWizardCustomPage::OnFinishButtonClick); }

TWizardCancelButton::TWizardCancelButton(TComponent* AOwner) : TWizardButtonControl(AOwner) {
  InitButton(this, {SWizardCancel, 75, true, true, TAlign::alRight});
  Cancel = true;
  ModalResult = mrCancel;
}
void TWizardCancelButton::Click() { EndClick(this, &TWizardCustomPage::OnCancelButtonClick); }

TWizardHelpButton::TWizardHelpButton(TComponent* AOwner) : TWizardButtonControl(AOwner) {
  InitButton(this, {SWizardHelp, 75, false, true, TAlign::alLeft});
  FSide = TAlign::alLeft;
}
void TWizardHelpButton::Click() {
  if (Designing(this)) return;
  int context = 0;
  if (FWizard && FWizard->ActivePage()) context = FWizard->ActivePage()->HelpContext;
  else if (TForm* f = GetParentForm(this)) context = f->HelpContext;
  if (context != 0) Application->HelpContext(context);
}

void TWizardNavigateButton::SetCaption(const std::string& Value) {
  if (FControl) FControl->SetCaption(Value);
}
void TWizardNavigateButton::SetNumGlyphs(int Value) {
  if (FControl) FControl->SetNumGlyphs(Value);
}
void TWizardNavigateButton::SetLayout(TButtonLayout Value) {
  if (FControl) FControl->SetLayout(Value);
}
void TWizardNavigateButton::SetModalResult(TModalResult Value) {
  if (FControl) FControl->ModalResult = Value;
}
void TWizardNavigateButton::SetWidth(int Value) {
  if (!FControl || Value == FControl->Width()) return;
  FControl->SetWidth(Value);
  if (FWizard) FWizard->RepositionButtons();
}

// ---- The wizard -------------------------------------------------------------------

TWizard::TWizard(TComponent* AOwner) : TCustomControl(AOwner), FPages(this) {
  SetAlign(TAlign::alClient);
  FImageChangeLink.OnChange = [this](TObject*) {
    if (FActivePage && HandleAllocated()) FActivePage->Invalidate();
  };
  for (int k = 0; k < 7; ++k) {
    TWizardButtonControl* b = GetButtonClass(static_cast<TWizardButtonKind>(k))(this);
    b->SetParent(this);
    b->SetHeight(ButtonHeight);
    b->FWizard = this;
    FButtons[k] = std::make_unique<TWizardNavigateButton>(this, b);
  }
}

TWizard::~TWizard() {
  SetHeaderImages(nullptr);
  for (auto& b : FButtons) b.reset();
  while (FPages.Count() > 0) FPages.Remove(FPages.Items(0));
  FActivePage = nullptr;
}

namespace {
template <class T>
TWizardButtonControl* NewButton(TComponent* Owner) {
  return new T(Owner);
}
}  // namespace

TWizardButtonClass TWizard::GetButtonClass(TWizardButtonKind Kind) const {
  switch (Kind) {
    case TWizardButtonKind::bkStart: return NewButton<TWizardStartButton>;
    case TWizardButtonKind::bkLast: return NewButton<TWizardLastButton>;
    case TWizardButtonKind::bkBack: return NewButton<TWizardBackButton>;
    case TWizardButtonKind::bkNext: return NewButton<TWizardNextButton>;
    case TWizardButtonKind::bkFinish: return NewButton<TWizardFinishButton>;
    case TWizardButtonKind::bkCancel: return NewButton<TWizardCancelButton>;
    case TWizardButtonKind::bkHelp: return NewButton<TWizardHelpButton>;
  }
  return NewButton<TWizardButtonControl>;
}

TWizardButtonControl* TWizard::ButtonControl(TWizardButtonKind Kind) const {
  return FButtons[static_cast<int>(Kind)] ? FButtons[static_cast<int>(Kind)]->FControl : nullptr;
}

void TWizard::Loaded() {
  TCustomControl::Loaded();
  RepositionButtons();
  if (FPages.Count() > 0) SelectFirstPage();
}

void TWizard::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FHeaderImages) FHeaderImages = nullptr;
  for (auto& b : FButtons)
    if (b && b->FControl == AComponent) b->FControl = nullptr;
  if (auto* p = dynamic_cast<TWizardCustomPage*>(AComponent); p && p->FWizard == this) RemovePage(p);
}

void TWizard::SetShowDivider(bool Value) {
  if (Value == FShowDivider) return;
  FShowDivider = Value;
  Invalidate();
}

void TWizard::SetHeaderImages(TCustomImageList* Value) {
  if (Value == FHeaderImages) return;
  if (FHeaderImages) {
    FHeaderImages->UnRegisterChanges(&FImageChangeLink);
    FHeaderImages->RemoveFreeNotification(this);
  }
  FHeaderImages = Value;
  if (FHeaderImages) {
    FHeaderImages->RegisterChanges(&FImageChangeLink);
    FHeaderImages->FreeNotification(this);
  }
  if (FActivePage) FActivePage->Invalidate();
}

int TWizard::ActivePageIndex() const { return FActivePage ? FPages.IndexOf(FActivePage) : -1; }

void TWizard::SetActivePageIndex(int Index) {
  if (Index >= 0 && Index < FPages.Count()) SetActivePage(FPages.Items(Index));   // out of range: ignored
}

void TWizard::SetActivePage(TWizardCustomPage* Page) {
  if (ComponentState.Contains(TComponentStateItem::csLoading)) return;
  if (Page && Page->FWizard != this) return;
  if (Page && !Designing() && !Page->Enabled()) return;
  DoActivatePage(Page);
}

TWizardCustomPage* TWizard::FindNextPage(int Index, int Step, bool EnabledOnly) {
  const int n = FPages.Count();
  if (n == 0) return nullptr;
  for (;;) {
    Index += Step;
    if (Designing()) {
      if (Index < 0) Index = n - 1;
      else if (Index >= n) Index = 0;
    }
    if (Index < 0 || Index >= n) return nullptr;
    if (!EnabledOnly || FPages.Items(Index)->Enabled()) break;
  }
  TWizardCustomPage* p = FPages.Items(Index);
  return p->Enabled() || !EnabledOnly ? p : nullptr;
}

void TWizard::SelectPage(TWizardCustomPage* Found, const TWizardSelectPageEvent& Event) {
  if (!Found) return;
  if (!Designing() && Event) Event(this, FActivePage, Found);
  if (Found) SetActivePage(Found);
}

void TWizard::SelectFirstPage() { SelectPage(FindNextPage(-1, 1, !Designing()), OnSelectFirstPage); }
void TWizard::SelectLastPage() { SelectPage(FindNextPage(FPages.Count(), -1, !Designing()), OnSelectLastPage); }
void TWizard::SelectNextPage() { SelectPage(FindNextPage(ActivePageIndex(), 1, !Designing()), OnSelectNextPage); }
void TWizard::SelectPriorPage() {
  SelectPage(FindNextPage(ActivePageIndex(), -1, !Designing()), OnSelectPriorPage);
}

bool TWizard::IsFirstPage(TWizardCustomPage* Page) {
  TWizardCustomPage* first = FindNextPage(-1, 1, true);
  return !first || first == Page;
}

void TWizard::DoActivatePage(TWizardCustomPage* Page) {
  if (Page == FActivePage) return;
  TForm* form = GetParentForm(this);
  TWizardCustomPage* leaving = FActivePage;
  if (form && leaving) {
    // The focus leaves with the page: the page itself holds it meanwhile.
    for (TWinControl* c = form->ActiveControl(); c; c = c->Parent())
      if (c == leaving) {
        if (leaving->CanFocus()) form->SetActiveControl(leaving);
        break;
      }
  }
  if (leaving) {
    leaving->Exit(Page);
    leaving->Hide();
  }
  if (Page && !Designing() && !Page->Enabled()) {
    if (Page->FWizard != this || (leaving && leaving->FWizard != this))
      throw EWizard("Pages are belong to different wizard.");
    const bool forward = !leaving || leaving->PageIndex() < Page->PageIndex();
    Page = FindNextPage(ActivePageIndex(), forward ? 1 : -1, true);
  }
  if (Page) {
    Page->Enter(leaving);
    Page->Show();
    SetWindowPos(Page->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (form) {
      if (Page->CanFocus()) form->SetActiveControl(Page);
      else if (CanFocus()) form->SetActiveControl(this);
    }
  }
  FActivePage = Page;
  SetButtonBarHeight(!FActivePage || !FActivePage->VisibleButtons().Empty() ? BarHeight : 0);
  if (Page && form && form->ActiveControl() == Page) {
    Page->Done();
    // The page's first control that can take the focus.
    for (int i = 0; i < Page->ControlCount(); ++i)
      if (auto* c = dynamic_cast<TWinControl*>(Page->Controls(i)); c && c->TabStop && c->CanFocus()) {
        form->SetActiveControl(c);
        break;
      }
  } else if (Page) {
    Page->Repaint();
  }
}

void TWizard::AddPage(TWizardCustomPage* Page) {
  FPages.Add(Page);
  Page->Hide();
}

void TWizard::RemovePage(TWizardCustomPage* Page) {
  // The next enabled page after it becomes the active one, whichever page
  // was active.
  TWizardCustomPage* next = FindNextPage(FPages.IndexOf(Page), 1, !Designing());
  if (next == Page) next = nullptr;
  FPages.Remove(Page);
  if (FActivePage == Page) FActivePage = nullptr;
  if (next) SetActivePage(next);
  if (!FActivePage) SetButtonBarHeight(BarHeight);
}

void TWizard::PageEnabledChanged(TWizardCustomPage* Page) {
  if (Designing() || Page != FActivePage || Page->Enabled()) return;
  const int i = FPages.IndexOf(Page);
  TWizardCustomPage* to = FindNextPage(i, 1, true);
  if (!to) to = FindNextPage(i, -1, true);
  DoActivatePage(to);
}

void TWizard::ShowControl(TControl* AControl) {
  if (auto* p = dynamic_cast<TWizardCustomPage*>(AControl); p && p->FWizard == this) SetActivePage(p);
}

void TWizard::SetButtonBarHeight(int Value) {
  if (Value != FButtonBarHeight) {
    FButtonBarHeight = Value;
    Realign();
    RepositionButtons();
    Invalidate();
  }
  UpdateButtons();
}

void TWizard::UpdateButtons() {
  using K = TWizardButtonKind;
  TWizardButtonSet enabled{K::bkCancel};
  TWizardButtonSet visible{K::bkBack, K::bkNext, K::bkCancel};
  if (FActivePage) {
    if (!Designing() && IsFirstPage(FActivePage))
      FActivePage->FEnabledButtons.Exclude(K::bkBack);   // stays removed from the page's own set
    enabled = FActivePage->FEnabledButtons;
    visible = FActivePage->FVisibleButtons;
    if (Designing()) {
      enabled = enabled + TWizardButtonSet{K::bkBack, K::bkNext};
      visible = (visible + TWizardButtonSet{K::bkBack, K::bkNext}) - TWizardButtonSet{K::bkFinish};
    }
  }
  for (int k = 0; k < 7; ++k) {
    TWizardButtonControl* b = ButtonControl(static_cast<K>(k));
    if (!b) continue;
    b->SetVisible(visible.Contains(static_cast<K>(k)));
    b->SetEnabled(enabled.Contains(static_cast<K>(k)));
  }
  auto usable = [&](K k) { return visible.Contains(k) && enabled.Contains(k) && ButtonControl(k); };
  if (usable(K::bkNext)) {
    ButtonControl(K::bkFinish)->SetDefault(false);
    ButtonControl(K::bkNext)->SetDefault(true);
  } else if (usable(K::bkFinish)) {
    ButtonControl(K::bkNext)->SetDefault(false);
    ButtonControl(K::bkFinish)->SetDefault(true);
  }
}

void TWizard::RepositionButtons() {
  using K = TWizardButtonKind;
  if (FButtonBarHeight < 26) {
    for (int k = 0; k < 7; ++k)
      if (TWizardButtonControl* b = ButtonControl(static_cast<K>(k))) b->SetBounds(0, 0, b->Width(), 0);
    return;
  }
  TWizardButtonSet placed{K::bkBack, K::bkNext, K::bkCancel};
  if (FActivePage) placed = FActivePage->FVisibleButtons;
  if (Designing()) placed = (placed + TWizardButtonSet{K::bkBack, K::bkNext}) - TWizardButtonSet{K::bkFinish};
  const TRect client = ClientRect();
  const int top = client.bottom - FButtonBarHeight + 10;
  int x = client.left + 8;
  for (auto [kind, gap] : {std::pair{K::bkHelp, 10}, std::pair{K::bkStart, 1}, std::pair{K::bkLast, 0}}) {
    TWizardButtonControl* b = ButtonControl(kind);
    if (!b || !placed.Contains(kind)) continue;
    b->SetBounds(x, top, b->Width(), ButtonHeight);
    x += b->Width() + gap;
  }
  const bool both = placed.Contains(K::bkNext) && placed.Contains(K::bkFinish);
  x = client.right - 8;
  for (auto [kind, gap] : {std::pair{K::bkCancel, both ? 1 : 10}, std::pair{K::bkFinish, both ? 10 : 1},
                           std::pair{K::bkNext, 1}, std::pair{K::bkBack, 0}}) {
    TWizardButtonControl* b = ButtonControl(kind);
    if (!b || !placed.Contains(kind)) continue;
    x -= b->Width();
    b->SetBounds(x, top, b->Width(), ButtonHeight);
    x -= gap;
  }
}

void TWizard::AdjustClientRect(TRect& Rect) {
  if (FButtonBarHeight > 25) Rect.bottom -= FButtonBarHeight;
}

void TWizard::Paint(HDC) {
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  if (FColor != clNone) {
    c->Brush()->SetColor(FColor);
    c->FillRect(r);
  }
  if (FButtonBarHeight > 25 && FShowDivider) {
    TRect inner;
    DrawFrameSides(c, ::Rect(r.left, r.bottom - FButtonBarHeight, r.right, r.bottom), EtchedStyle, inner, sdTop);
  }
}

void TWizard::Resize() {
  TCustomControl::Resize();
  RepositionButtons();
}

void TWizard::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      Message.Result = 1;   // erased: Paint fills it
      return;
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | DLGC_WANTALLKEYS;
      return;
    default:
      TCustomControl::WndProc(Message);
  }
}
