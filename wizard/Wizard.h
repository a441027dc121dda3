// The page-by-page wizard control: an ordered list of pages, one shown at a
// time, and a row of seven navigation buttons along the bottom. Each page
// says which buttons are visible and which are enabled; navigation skips
// disabled pages. Pages paint a header band, an optional watermark band, a
// picture and a framed panel. The form is built in code: a page joins a
// wizard through SetWizard or SetParent; after adding the pages, call
// Loaded() as streaming would.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Buttons.h"
#include "classlib/Controls.h"
#include "classlib/Forms.h"
#include "classlib/ImgList.h"
#include "classlib/StdCtrls.h"
#include "wizard/WizardCommon.h"

enum class TWizardButtonKind { bkStart, bkLast, bkBack, bkNext, bkFinish, bkCancel, bkHelp };
using TWizardButtonSet = TSet<TWizardButtonKind>;
using TWizardLeftRight = TAlign;   // alLeft..alRight
enum class TWizardAboutInfo { WizardAbout };

inline const TWizardButtonSet AllWizardButtons{
    TWizardButtonKind::bkStart, TWizardButtonKind::bkLast,   TWizardButtonKind::bkBack, TWizardButtonKind::bkNext,
    TWizardButtonKind::bkFinish, TWizardButtonKind::bkCancel, TWizardButtonKind::bkHelp};

CLASSLIB_EXCEPTION(EWizard, Exception);

class TWizard;
class TWizardCustomPage;
class TWizardPageHeader;

using TWizardPageClickEvent = std::function<void(TObject* Sender, bool& Stop)>;
using TWizardPaintPageEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, TRect& ARect)>;
using TWizardChangePageEvent = std::function<void(TObject* Sender, TWizardCustomPage* const Page)>;
using TWizardSelectPageEvent =
    std::function<void(TObject* Sender, TWizardCustomPage* FromPage, TWizardCustomPage*& ToPage)>;

// ---- Graphic objects: the drawn parts of a page ----

class TWizardGraphicObject : public TPersistent {
  DECLARE_CLASSINFO(TWizardGraphicObject)
public:
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  virtual void PaintTo(TCanvas* Canvas, TRect& Rect) = 0;

protected:
  virtual void VisibleChanged() { Changed(); }
  virtual void ColorChanged() { Changed(); }
  virtual void Changed() = 0;
  TColor FColor = clBtnFace;
  bool FVisible = true;
};

class TWizardPageTitle : public TWizardGraphicObject {
  DECLARE_CLASSINFO(TWizardPageTitle)
public:
  TWizardPageTitle();
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  int AnchorPlacement() const { return FAnchorPlacement; }
  void SetAnchorPlacement(int Value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value);
  int Indent() const { return FIndent; }
  void SetIndent(int Value);
  TFont* Font() { return &FFont; }
  void SetFont(TFont* Value);   // ignored while the header's ParentFont is on
  void PaintTo(TCanvas* Canvas, TRect& Rect) override;
  void GetTextRect(TCanvas* Canvas, const TRect& Rect, TRect& TextRect);

protected:
  friend class TWizardPageHeader;
  void Changed() override;
  TWizardPageHeader* FHeader = nullptr;
  std::string FText;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  int FAnchorPlacement = 4;
  TAnchors FAnchors{TAnchorKind::akLeft, TAnchorKind::akTop};
  int FIndent = 0;
  TFont FFont;
  bool FTakingFont = false;
};

class TWizardPageObject : public TWizardGraphicObject {
  DECLARE_CLASSINFO(TWizardPageObject)
public:
  TWizardCustomPage* Page() const { return FPage; }
  void SetPage(TWizardCustomPage* Value);

protected:
  void Changed() override;
  virtual void PageAttached() {}
  TWizardCustomPage* FPage = nullptr;
};

class TWizardPageHeader : public TWizardPageObject {
  DECLARE_CLASSINFO(TWizardPageHeader)
public:
  TWizardPageHeader();
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TWizardPageTitle* Title() { return &FTitle; }
  TWizardPageTitle* Subtitle() { return &FSubtitle; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  int ImageOffset() const { return FImageOffset; }
  void SetImageOffset(int Value);
  TKImageLeftRight ImageAlignment() const { return FImageAlignment; }
  void SetImageAlignment(TKImageLeftRight Value);
  bool ShowDivider() const { return FShowDivider; }
  void SetShowDivider(bool Value);
  void PaintTo(TCanvas* Canvas, TRect& Rect) override;
  void GetImageRect(TCustomImageList* Images, TRect& Rect, TRect& ImageRect);
  void TakePageFont();   // title and subtitle take the page font's name and character set
  using TWizardPageObject::Changed;

protected:
  friend class TWizardPageTitle;
  void VisibleChanged() override;
  void PageAttached() override;
  int FHeight = 70;
  bool FParentFont = true;
  TWizardPageTitle FTitle;
  TWizardPageTitle FSubtitle;
  int FImageIndex = -1;
  int FImageOffset = 0;
  TKImageLeftRight FImageAlignment = TKImageAlignment::iaRight;
  bool FShowDivider = true;
};

class TWizardImage : public TPersistent {
  DECLARE_CLASSINFO(TWizardImage)
public:
  TWizardImage();
  TPicture* Picture() { return &FPicture; }
  void SetPicture(TPicture* Value) { FPicture.Assign(Value); }
  TKImageAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TKImageAlignment Value);
  TKImageLayout Layout() const { return FLayout; }
  void SetLayout(TKImageLayout Value);
  bool Transparent() const;
  void SetTransparent(bool Value);
  void PaintTo(TCanvas* Canvas, const TRect& Rect);
  TNotifyEvent OnChange;   // the owner's change hook

private:
  void Changed();
  TPicture FPicture;
  TKImageAlignment FAlignment = TKImageAlignment::iaStretch;
  TKImageLayout FLayout = TKImageLayout::ilStretch;
};

class TWizardWaterMark : public TWizardPageObject {
  DECLARE_CLASSINFO(TWizardWaterMark)
public:
  TWizardWaterMark();
  TWizardLeftRight Align() const { return FAlign; }
  void SetAlign(TWizardLeftRight Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int Value);
  TWizardImage* Image() { return &FImage; }
  void PaintTo(TCanvas* Canvas, TRect& Rect) override;

protected:
  void VisibleChanged() override;
  TWizardLeftRight FAlign = TAlign::alLeft;
  int FWidth = 164;
  int FBorderWidth = 1;
  TWizardImage FImage;
};

class TWizardPagePanel : public TWizardPageObject {
  DECLARE_CLASSINFO(TWizardPagePanel)
public:
  TWizardPagePanel();
  uint16_t BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(uint16_t Value);
  void PaintTo(TCanvas* Canvas, TRect& Rect) override;

protected:
  uint16_t FBorderWidth = 7;
};

// ---- Pages ----

class TWizardCustomPage : public TCustomControl {
  DECLARE_CLASSINFO(TWizardCustomPage)
public:
  explicit TWizardCustomPage(TComponent* AOwner);
  ~TWizardCustomPage() override;

  TWizard* Wizard() const { return FWizard; }
  void SetWizard(TWizard* Value);
  // A page given a wizard as parent joins its pages, as one read from a
  // form's stream with the wizard as parent would.
  void SetParent(TWinControl* AParent) override;
  int PageIndex() const;
  TWizardPageHeader* Header() { return &FHeader; }
  TWizardPagePanel* Panel() { return &FPanel; }
  TWizardImage* Image() { return &FImage; }
  TWizardButtonSet EnabledButtons() const { return FEnabledButtons; }
  void SetEnabledButtons(TWizardButtonSet Value);
  TWizardButtonSet VisibleButtons() const { return FVisibleButtons; }
  void SetVisibleButtons(TWizardButtonSet Value);

  TWizardPaintPageEvent OnPaintPage;
  TWizardChangePageEvent OnEnterPage;
  TNotifyEvent OnPage;
  TWizardChangePageEvent OnExitPage;
  TWizardPageClickEvent OnStartButtonClick;
  TWizardPageClickEvent OnLastButtonClick;
  TWizardPageClickEvent OnNextButtonClick;
  TWizardPageClickEvent OnBackButtonClick;
  TWizardPageClickEvent OnCancelButtonClick;
  TWizardPageClickEvent OnFinishButtonClick;

  void AdjustClientRect(TRect& Rect) override;
  virtual void DrawPage(TCanvas* Canvas, TRect& Rect) { (void)Canvas; (void)Rect; }
  virtual void Enter(TWizardCustomPage* FromPage);
  virtual void Done();
  virtual void Exit(TWizardCustomPage* ToPage);

protected:
  friend class TWizard;
  friend class TWizardPageList;
  void CreateParams(TCreateParams& Params) override;
  void Paint(HDC DC) override;
  void PaintWindow(HDC DC) override;   // double-buffered
  void WndProc(TMessage& Message) override;
  void EnabledChanged() override;
  void TextChanged() override;
  void FontChanged() override;
  TWizard* FWizard = nullptr;
  TWizardPageHeader FHeader;
  TWizardPagePanel FPanel;
  TWizardImage FImage;
  TWizardButtonSet FEnabledButtons = AllWizardButtons;
  TWizardButtonSet FVisibleButtons{TWizardButtonKind::bkBack, TWizardButtonKind::bkNext, TWizardButtonKind::bkCancel};
  bool FPainting = false;
};

class TWizardWelcomePage : public TWizardCustomPage {
  DECLARE_CLASSINFO(TWizardWelcomePage)
public:
  explicit TWizardWelcomePage(TComponent* AOwner);
  TWizardWaterMark* WaterMark() { return &FWaterMark; }
  void AdjustClientRect(TRect& Rect) override;
  void DrawPage(TCanvas* Canvas, TRect& Rect) override;

private:
  TWizardWaterMark FWaterMark;
};

class TWizardInteriorPage : public TWizardCustomPage {
  DECLARE_CLASSINFO(TWizardInteriorPage)
public:
  explicit TWizardInteriorPage(TComponent* AOwner);
  void DrawPage(TCanvas* Canvas, TRect& Rect) override;
};

// The pages of a wizard, in order, with a reference back to it.
class TWizardPageList {
public:
  explicit TWizardPageList(TWizard* AWizard) : FWizard(AWizard) {}
  int Count() const { return static_cast<int>(FItems.size()); }
  TWizardCustomPage* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  int IndexOf(const TWizardCustomPage* Page) const;
  void Add(TWizardCustomPage* Page);
  void Remove(TWizardCustomPage* Page);
  TWizard* Wizard() const { return FWizard; }

private:
  TWizard* FWizard;
  std::vector<TWizardCustomPage*> FItems;
};

// ---- Navigation buttons ----

class TWizardButtonControl : public TBitBtn {
  DECLARE_CLASSINFO(TWizardButtonControl)
public:
  explicit TWizardButtonControl(TComponent* AOwner);
  TWizard* Wizard() const { return FWizard; }
  void SetWizard(TWizard* Value) { FWizard = Value; }
  TWizardLeftRight Side() const { return FSide; }
  void Click() override;

protected:
  friend class TWizard;
  void VisibleChanged() override;
  TWizard* FWizard = nullptr;
  TWizardLeftRight FSide = TAlign::alRight;
};
// The class of a button as the wizard makes it: creates one of that class.
using TWizardButtonClass = TWizardButtonControl* (*)(TComponent* Owner);

#define WIZARD_BUTTON(Name)                                  \
  class Name : public TWizardButtonControl {                 \
    DECLARE_CLASSINFO(Name)                                  \
  public:                                                    \
    explicit Name(TComponent* AOwner);                       \
    void Click() override;                                   \
  };
WIZARD_BUTTON(TWizardStartButton)
WIZARD_BUTTON(TWizardLastButton)
WIZARD_BUTTON(TWizardBackButton)
WIZARD_BUTTON(TWizardNextButton)
WIZARD_BUTTON(TWizardFinishButton)
WIZARD_BUTTON(TWizardCancelButton)
WIZARD_BUTTON(TWizardHelpButton)
#undef WIZARD_BUTTON

// The published face of one button.
class TWizardNavigateButton : public TPersistent {
  DECLARE_CLASSINFO(TWizardNavigateButton)
public:
  TWizardNavigateButton(TWizard* AWizard, TWizardButtonControl* AControl) : FWizard(AWizard), FControl(AControl) {}
  TWizardButtonControl* Control() const { return FControl; }
  std::string Caption() const { return FControl ? FControl->Caption() : std::string(); }
  void SetCaption(const std::string& Value);
  TBitmap* Glyph() { return FControl ? FControl->Glyph() : nullptr; }
  int NumGlyphs() const { return FControl ? FControl->NumGlyphs() : 0; }
  void SetNumGlyphs(int Value);
  TButtonLayout Layout() const { return FControl ? FControl->Layout() : TButtonLayout::blGlyphLeft; }
  void SetLayout(TButtonLayout Value);
  TModalResult ModalResult() const { return FControl ? FControl->ModalResult : 0; }
  void SetModalResult(TModalResult Value);
  int Width() const { return FControl ? FControl->Width() : 0; }
  void SetWidth(int Value);   // a new width re-lays the button row

private:
  friend class TWizard;
  TWizard* FWizard;
  TWizardButtonControl* FControl;   // owned by the wizard as a component
};

// ---- The wizard ----

class TWizard : public TCustomControl {
  DECLARE_CLASSINFO(TWizard)
public:
  explicit TWizard(TComponent* AOwner);
  ~TWizard() override;

  TWizardPageList* Pages() { return &FPages; }
  int PageCount() const { return FPages.Count(); }
  TWizardCustomPage* ActivePage() const { return FActivePage; }
  void SetActivePage(TWizardCustomPage* Page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int Index);

  void SelectFirstPage();
  void SelectLastPage();
  void SelectNextPage();
  void SelectPriorPage();
  bool IsFirstPage(TWizardCustomPage* Page);
  void UpdateButtons();
  void RepositionButtons();
  int ButtonBarHeight() const { return FButtonBarHeight; }
  void SetButtonBarHeight(int Value);
  void AddPage(TWizardCustomPage* Page);
  void RemovePage(TWizardCustomPage* Page);

  TWizardNavigateButton* ButtonStart() { return FButtons[0].get(); }
  TWizardNavigateButton* ButtonLast() { return FButtons[1].get(); }
  TWizardNavigateButton* ButtonBack() { return FButtons[2].get(); }
  TWizardNavigateButton* ButtonNext() { return FButtons[3].get(); }
  TWizardNavigateButton* ButtonFinish() { return FButtons[4].get(); }
  TWizardNavigateButton* ButtonCancel() { return FButtons[5].get(); }
  TWizardNavigateButton* ButtonHelp() { return FButtons[6].get(); }
  TWizardButtonControl* ButtonControl(TWizardButtonKind Kind) const;

  bool ShowDivider() const { return FShowDivider; }
  void SetShowDivider(bool Value);
  TCustomImageList* HeaderImages() const { return FHeaderImages; }
  void SetHeaderImages(TCustomImageList* Value);
  bool ShowRouteMap() const { return false; }   // no route-map control in this system
  void SetShowRouteMap(bool) {}
  TWizardAboutInfo About = TWizardAboutInfo::WizardAbout;

  // The wizard-level clicks are the OnClick of the buttons (kinds 0 to 5).
  TNotifyEvent& OnStartButtonClick() { return ButtonControl(TWizardButtonKind::bkStart)->OnClick; }
  TNotifyEvent& OnLastButtonClick() { return ButtonControl(TWizardButtonKind::bkLast)->OnClick; }
  TNotifyEvent& OnBackButtonClick() { return ButtonControl(TWizardButtonKind::bkBack)->OnClick; }
  TNotifyEvent& OnNextButtonClick() { return ButtonControl(TWizardButtonKind::bkNext)->OnClick; }
  TNotifyEvent& OnFinishButtonClick() { return ButtonControl(TWizardButtonKind::bkFinish)->OnClick; }
  TNotifyEvent& OnCancelButtonClick() { return ButtonControl(TWizardButtonKind::bkCancel)->OnClick; }
  TWizardSelectPageEvent OnSelectNextPage;
  TWizardSelectPageEvent OnSelectPriorPage;
  TWizardSelectPageEvent OnSelectFirstPage;
  TWizardSelectPageEvent OnSelectLastPage;

  void Loaded() override;
  void AdjustClientRect(TRect& Rect) override;
  void ShowControl(TControl* AControl);
  // The class made for a button kind; TWizardButtonControl for any other
  // value. The constructor makes the buttons, where no override runs: it
  // asks the wizard's own.
  virtual TWizardButtonClass GetButtonClass(TWizardButtonKind Kind) const;

  // What a page tells its wizard.
  void PageEnabledChanged(TWizardCustomPage* Page);
  void PageTitleChanged(TWizardCustomPage* Page) { (void)Page; }   // for a route map: none here

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint(HDC DC) override;
  void Resize() override;
  void WndProc(TMessage& Message) override;

private:
  friend class TWizardCustomPage;
  TWizardCustomPage* FindNextPage(int Index, int Step, bool EnabledOnly);
  void SelectPage(TWizardCustomPage* Found, const TWizardSelectPageEvent& Event);
  void DoActivatePage(TWizardCustomPage* Page);
  bool Designing() const { return ComponentState.Contains(TComponentStateItem::csDesigning); }
  TWizardPageList FPages;
  TWizardCustomPage* FActivePage = nullptr;
  std::unique_ptr<TWizardNavigateButton> FButtons[7];
  int FButtonBarHeight = 42;
  bool FShowDivider = true;
  TCustomImageList* FHeaderImages = nullptr;
  TChangeLink FImageChangeLink;   // the header images' changes repaint the active page
};

// The captions of the buttons (resource strings of the control).
extern const char* const SWizardStart;
extern const char* const SWizardLast;
extern const char* const SWizardBack;
extern const char* const SWizardNext;
extern const char* const SWizardFinish;
extern const char* const SWizardCancel;
extern const char* const SWizardHelp;
