// The wizard control on a real form: navigation, button states and places,
// the Stop veto through real clicks, the painted header graphics, titles
// (wrapping, character set) and transparent page pictures.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "GuiTest.h"
#include "TestPaths.h"
#include "classlib/Forms.h"
#include "wizard/Wizard.h"

namespace {

using K = TWizardButtonKind;

struct TBox {
  int L, T, W, H;
  bool operator==(const TBox&) const = default;
};
void PrintTo(const TBox& B, std::ostream* Os) { *Os << "(" << B.L << ", " << B.T << ", " << B.W << "x" << B.H << ")"; }
TBox Box(int L, int T, int W, int H) { return {L, T, W, H}; }

class WizardTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    Form = new TForm(Application);
    Form->SetBorderStyle(TFormBorderStyle::bsSingle);
    Form->SetClientSize(502, 347);
    Form->SetBounds(40, 40, Form->Width(), Form->Height());
    W = new TWizard(Form);
    W->SetParent(Form);
    Welcome = new TWizardWelcomePage(Form);
    Welcome->SetWizard(W);
    for (int i = 0; i < 3; ++i) {
      Pages[i] = new TWizardInteriorPage(Form);
      Pages[i]->SetWizard(W);
      Pages[i]->Header()->Title()->SetText("Page " + std::to_string(i + 1));
    }
    W->OnNextButtonClick() = [this](TObject*) { ++WizardNext; };
    W->Loaded();
    Form->Show();
    PumpFor(100);
  }
  void TearDown() override { Forms_Finalize(); }

  TBox ButtonRect(K Kind) {
    TWizardButtonControl* b = W->ButtonControl(Kind);
    return Box(b->Left(), b->Top(), b->Width(), b->Height());
  }
  void Click(K Kind) {
    TWizardButtonControl* b = W->ButtonControl(Kind);
    ClickClient(b->Handle(), b->Width() / 2, b->Height() / 2);
    PumpFor(GetDoubleClickTime() + 100);   // the next click is no double click
  }

  TForm* Form = nullptr;
  TWizard* W = nullptr;
  TWizardWelcomePage* Welcome = nullptr;
  TWizardInteriorPage* Pages[3] = {};
  int WizardNext = 0;
};

TEST_F(WizardTest, NavigationSkipsDisabledPages) {
  EXPECT_EQ(W->ActivePage(), Welcome);
  EXPECT_EQ(W->PageCount(), 4);
  Pages[1]->SetEnabled(false);
  std::vector<std::string> seen;
  for (TWizardCustomPage* p : {(TWizardCustomPage*)Welcome, (TWizardCustomPage*)Pages[0], (TWizardCustomPage*)Pages[2]})
    p->OnEnterPage = [&seen](TObject* S, TWizardCustomPage* const) {
      seen.push_back(static_cast<TWizardCustomPage*>(S)->Header()->Title()->Text());
    };
  W->SelectNextPage();
  EXPECT_EQ(W->ActivePage(), Pages[0]);
  W->SelectNextPage();
  EXPECT_EQ(W->ActivePage(), Pages[2]);   // page 2 is disabled
  W->SelectNextPage();
  EXPECT_EQ(W->ActivePage(), Pages[2]);   // no wrap at run time
  W->SelectPriorPage();
  EXPECT_EQ(W->ActivePage(), Pages[0]);
  W->SetActivePage(Pages[1]);             // disabled: ignored
  EXPECT_EQ(W->ActivePage(), Pages[0]);
  W->SetActivePageIndex(9);
  EXPECT_EQ(W->ActivePage(), Pages[0]);
  EXPECT_EQ(seen, (std::vector<std::string>{"Page 1", "Page 3", "Page 1"}));
  // The active page turning disabled hands over to the next enabled one.
  W->SetActivePage(Pages[2]);
  Pages[1]->SetEnabled(true);
  W->SelectPriorPage();
  EXPECT_EQ(W->ActivePage(), Pages[1]);
  Pages[1]->SetEnabled(false);
  EXPECT_EQ(W->ActivePage(), Pages[2]);
  // A redirect from OnSelectNextPage.
  W->SetActivePage(Welcome);
  W->OnSelectNextPage = [&](TObject*, TWizardCustomPage*, TWizardCustomPage*& To) { To = Pages[2]; };
  W->SelectNextPage();
  EXPECT_EQ(W->ActivePage(), Pages[2]);
  EXPECT_TRUE(IsWindowVisible(Pages[2]->Handle()));
  EXPECT_FALSE(IsWindowVisible(Welcome->Handle()));
}

TEST_F(WizardTest, ButtonStatesAndPlaces) {
  // First page: Back leaves the page's own set for good.
  EXPECT_FALSE(Welcome->EnabledButtons().Contains(K::bkBack));
  EXPECT_FALSE(W->ButtonControl(K::bkBack)->Enabled());
  EXPECT_TRUE(W->ButtonControl(K::bkNext)->Enabled());
  EXPECT_TRUE(W->ButtonControl(K::bkNext)->Default());
  EXPECT_FALSE(W->ButtonControl(K::bkFinish)->Visible());
  const int cw = W->ClientWidth(), ch = W->ClientHeight();
  const int top = ch - 42 + 10;
  // Back, Next, Cancel from the right: Cancel 8 in, 10 to Next, Back touching Next.
  EXPECT_EQ(ButtonRect(K::bkCancel), Box(cw - 8 - 75, top, 75, 25));
  EXPECT_EQ(ButtonRect(K::bkNext), Box(cw - 8 - 75 - 10 - 75, top, 75, 25));
  EXPECT_EQ(ButtonRect(K::bkBack), Box(cw - 8 - 75 - 10 - 75 - 1 - 75, top, 75, 25));
  W->SelectNextPage();
  EXPECT_TRUE(W->ButtonControl(K::bkBack)->Enabled());
  // Next and Finish both: Cancel and Finish 1 apart, Finish and Next 10.
  Pages[0]->SetVisibleButtons({K::bkBack, K::bkNext, K::bkFinish, K::bkCancel, K::bkHelp});
  W->RepositionButtons();
  EXPECT_EQ(ButtonRect(K::bkCancel), Box(cw - 8 - 75, top, 75, 25));
  EXPECT_EQ(ButtonRect(K::bkFinish), Box(cw - 8 - 75 - 1 - 75, top, 75, 25));
  EXPECT_EQ(ButtonRect(K::bkNext), Box(cw - 8 - 150 - 1 - 10 - 75, top, 75, 25));
  EXPECT_EQ(ButtonRect(K::bkHelp), Box(8, top, 75, 25));
  // Only Finish: it becomes the default button.
  Pages[0]->SetEnabledButtons({K::bkFinish, K::bkCancel});
  EXPECT_FALSE(W->ButtonControl(K::bkNext)->Enabled());
  EXPECT_TRUE(W->ButtonControl(K::bkFinish)->Default());
  // No visible buttons: the bar collapses and the page takes the whole height.
  Pages[0]->SetVisibleButtons({});
  EXPECT_EQ(W->ButtonBarHeight(), 0);
  EXPECT_EQ(Pages[0]->Height(), ch);
  EXPECT_EQ(ButtonRect(K::bkCancel).H, 0);
  Pages[0]->SetVisibleButtons({K::bkCancel});
  EXPECT_EQ(W->ButtonBarHeight(), 42);
  EXPECT_EQ(Pages[0]->Height(), ch - 42);
  // The wizard's buttons are of the classes it names for their kinds.
  const std::string classes[] = {"TWizardStartButton",  "TWizardLastButton",   "TWizardBackButton",
                                 "TWizardNextButton",   "TWizardFinishButton", "TWizardCancelButton",
                                 "TWizardHelpButton",   "TWizardButtonControl"};   // and any other value
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(std::unique_ptr<TWizardButtonControl>(W->GetButtonClass(K(k))(nullptr))->ClassName(), classes[k]);
    EXPECT_TRUE(k == 7 || W->ButtonControl(K(k))->ClassName() == classes[k]) << classes[k];
  }
}

TEST_F(WizardTest, StopVetoKeepsThePageUnderRealClicks) {
  bool veto = true;
  int pageNext = 0;
  Welcome->OnNextButtonClick = [&](TObject* S, bool& Stop) {
    EXPECT_EQ(S, Welcome);
    EXPECT_EQ(W->ActivePage(), Welcome);   // still the page being left
    ++pageNext;
    Stop = veto;
  };
  Click(K::bkNext);
  EXPECT_EQ(pageNext, 1);
  EXPECT_EQ(WizardNext, 0);   // the wizard-level click is skipped too
  EXPECT_EQ(W->ActivePage(), Welcome);
  veto = false;
  Click(K::bkNext);
  EXPECT_EQ(pageNext, 2);
  EXPECT_EQ(WizardNext, 1);
  EXPECT_EQ(W->ActivePage(), Pages[0]);
  Click(K::bkBack);
  EXPECT_EQ(W->ActivePage(), Welcome);
  int cancels = 0;
  W->OnCancelButtonClick() = [&](TObject*) { ++cancels; };
  Click(K::bkCancel);
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(W->ActivePage(), Welcome);   // no navigation
}

TEST_F(WizardTest, HeaderGraphicsArePainted) {
  W->SelectNextPage();
  TWizardInteriorPage* p = Pages[0];
  p->Header()->Subtitle()->SetText("The subtitle of the page");
  TImageList images(nullptr);
  images.SetSize(32, 32);
  TBitmap red;
  red.SetSize(32, 32);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(Rect(0, 0, 32, 32));
  images.Add(&red, nullptr);
  int listChanges = 0;
  images.OnChange = [&](TObject*) { ++listChanges; };
  auto* first = new TWizard(Form);
  first->SetHeaderImages(&images);
  W->SetHeaderImages(&images);
  auto* second = new TWizard(Form);
  second->SetHeaderImages(&images);
  p->Header()->SetImageIndex(0);
  PumpFor(200);
  TCapture c = CaptureClient(p->Handle());
  SaveBmp(c, "wizard-interior-page.bmp");
  const uint32_t window = ColorToRGB(clWindow), face = ColorToRGB(clBtnFace), shadow = ColorToRGB(clBtnShadow);
  auto rgb = [](COLORREF v) { return uint32_t(GetRValue(v)) << 16 | uint32_t(GetGValue(v)) << 8 | GetBValue(v); };
  // The header band in the window colour, its etched divider at its bottom,
  // the page below in the face colour.
  EXPECT_EQ(c.At(5, 5), rgb(window));
  EXPECT_EQ(c.At(5, 68), rgb(shadow));
  EXPECT_EQ(c.At(5, 100), rgb(face));
  // The image at the right of the band, vertically centred.
  const int imgLeft = c.Width - 32 - 4;
  EXPECT_EQ(c.At(imgLeft + 16, (70 - 32) / 2 + 16), 0xFF0000u);
  // Title text drawn in the band (dark pixels near its top-left).
  int dark = 0;
  for (int y = 4; y < 30; ++y)
    for (int x = 4; x < 120; ++x)
      if ((c.At(x, y) & 0xFF) < 0x60) ++dark;
  EXPECT_GT(dark, 20);
  // Two other wizards on the list freed in turn: W and the list's handler still see changes.
  auto imageCentre = [&] {
    PumpFor(200);
    return CaptureClient(p->Handle()).At(imgLeft + 16, (70 - 32) / 2 + 16);
  };
  p->Header()->SetImageIndex(1);   // none yet
  EXPECT_EQ(imageCentre(), rgb(window));
  delete first;
  red.Canvas()->Brush()->SetColor(clBlue);
  red.Canvas()->FillRect(Rect(0, 0, 32, 32));
  images.Add(&red, nullptr);
  EXPECT_EQ(imageCentre(), 0x0000FFu);
  delete second;
  images.Delete(1);
  EXPECT_EQ(imageCentre(), rgb(window));
  EXPECT_EQ(listChanges, 2);
  // The welcome page: the watermark band on the left in the caption colour.
  W->SetActivePage(Welcome);
  Welcome->Header()->SetVisible(false);
  PumpFor(200);
  TCapture wc = CaptureClient(Welcome->Handle());
  SaveBmp(wc, "wizard-welcome-page.bmp");
  EXPECT_EQ(wc.At(80, 100), rgb(ColorToRGB(clActiveCaption)));
  EXPECT_EQ(wc.At(0, 100), rgb(window));   // the border around it
  EXPECT_EQ(wc.At(300, 100), rgb(window));
  // The wizard's divider above the button bar.
  TCapture wz = CaptureClient(W->Handle());
  EXPECT_EQ(wz.At(50, W->ClientHeight() - 42), rgb(shadow));
  W->SetHeaderImages(nullptr);
}

// A title is wrapped at the width it is drawn at: no line is lost, whatever
// the width, the anchor placement and the indent.
TEST_F(WizardTest, TitlesKeepEveryLineAtAnyWidth) {
  TWizardPageTitle* t = Pages[0]->Header()->Title();
  t->SetText("Download the IP location database, then find your home location on the globe");
  TBitmap b;
  b.SetSize(600, 300);
  TCanvas* c = b.Canvas();
  c->SetFont(t->Font());
  for (int indent : {0, 6}) {
    t->SetIndent(indent);
    for (int w = 60; w <= 520; ++w) {
      TRect tr;
      t->GetTextRect(c, Rect(0, 0, w, 300), tr);
      TRect need = Rect(0, 0, tr.right - tr.left, 0);
      c->TextRect(need, t->Text(), DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      ASSERT_GE(tr.bottom - tr.top, need.bottom - need.top) << "indent " << indent << ", width " << w;
    }
  }
}

TEST_F(WizardTest, TitlesTakeThePageFontsCharacterSet) {
  Pages[0]->Font()->SetCharset(RUSSIAN_CHARSET);
  for (TWizardPageTitle* t : {Pages[0]->Header()->Title(), Pages[0]->Header()->Subtitle()}) {
    EXPECT_EQ(t->Font()->Charset(), RUSSIAN_CHARSET);
    LOGFONTA lf{};
    ASSERT_EQ(GetObjectA(t->Font()->Handle(), sizeof lf, &lf), int(sizeof lf));
    EXPECT_EQ(lf.lfCharSet, RUSSIAN_CHARSET);
  }
  EXPECT_EQ(Pages[1]->Header()->Title()->Font()->Charset(), DEFAULT_CHARSET);
}

// A transparent page picture leaves out its bottom-left pixel's colour: the
// page shows through.
TEST_F(WizardTest, ATransparentPictureShowsThePage) {
  W->SelectNextPage();
  TWizardInteriorPage* p = Pages[0];
  p->Header()->SetVisible(false);
  p->Image()->SetAlignment(TKImageAlignment::iaLeft);
  p->Image()->SetLayout(TKImageLayout::ilTop);
  EXPECT_FALSE(p->Image()->Transparent());   // no picture yet
  TBitmap pic;
  pic.SetSize(40, 40);
  pic.Canvas()->Brush()->SetColor(clLime);
  pic.Canvas()->FillRect(Rect(0, 0, 40, 40));
  pic.Canvas()->Brush()->SetColor(clBlue);
  pic.Canvas()->FillRect(Rect(10, 10, 30, 30));
  p->Image()->Picture()->SetGraphic(&pic);
  const uint32_t face = [] {
    const COLORREF v = ColorToRGB(clBtnFace);
    return uint32_t(GetRValue(v)) << 16 | uint32_t(GetGValue(v)) << 8 | GetBValue(v);
  }();
  PumpFor(200);
  TCapture opaque = CaptureClient(p->Handle());
  EXPECT_EQ(opaque.At(5, 5), 0x00FF00u);
  p->Image()->SetTransparent(true);
  EXPECT_TRUE(p->Image()->Transparent());
  PumpFor(200);
  TCapture see = CaptureClient(p->Handle());
  SaveBmp(see, "wizard-transparent-picture.bmp");
  EXPECT_EQ(see.At(5, 5), face);
  EXPECT_EQ(see.At(20, 20), 0x0000FFu);
}

// Removing a page makes the next enabled page after it the active one,
// whichever page was active.
TEST_F(WizardTest, RemovingAPageActivatesTheNextEnabledOne) {
  EXPECT_EQ(W->ActivePage(), Welcome);
  Pages[1]->SetEnabled(false);
  W->RemovePage(Pages[0]);
  EXPECT_EQ(W->PageCount(), 3);
  EXPECT_EQ(W->ActivePage(), Pages[2]);   // page 2 is disabled
  PumpFor(100);
  EXPECT_TRUE(IsWindowVisible(Pages[2]->Handle()));
  EXPECT_FALSE(IsWindowVisible(Welcome->Handle()));
  W->RemovePage(Pages[2]);   // nothing after it: no page is active
  EXPECT_EQ(W->ActivePage(), nullptr);
  // A page given the wizard as parent joins its pages, once.
  auto* extra = new TWizardInteriorPage(Form);
  extra->SetParent(W);
  EXPECT_EQ(extra->Wizard(), W);
  EXPECT_EQ(W->PageCount(), 3);
  W->SelectLastPage();
  EXPECT_EQ(W->ActivePage(), extra);
  PumpFor(100);
  EXPECT_TRUE(IsWindowVisible(extra->Handle()));
  // In a designer the search wraps: removing the only page leaves none active.
  W->ComponentState.Include(TComponentStateItem::csDesigning);
  W->RemovePage(extra);
  W->RemovePage(Pages[1]);
  EXPECT_EQ(W->ActivePage(), Welcome);
  W->RemovePage(Welcome);
  EXPECT_EQ(W->ActivePage(), nullptr);
}

// An anchor on the far side alone moves that edge: the title stretches from
// the near edge of the rectangle.
TEST_F(WizardTest, TitleAnchoredOnTheFarSideStretchesFromTheNearEdge) {
  TWizardPageTitle* t = Pages[0]->Header()->Title();
  t->SetText("Title");
  t->SetIndent(0);
  t->SetAnchorPlacement(7);
  TBitmap b;
  b.SetSize(400, 200);
  TCanvas* c = b.Canvas();
  c->SetFont(t->Font());
  TRect tr;
  t->SetAnchors({TAnchorKind::akRight, TAnchorKind::akTop});
  t->GetTextRect(c, Rect(10, 20, 310, 120), tr);
  EXPECT_EQ(tr.left, 10);
  EXPECT_EQ(tr.right, 303);
  t->SetAnchors({TAnchorKind::akLeft, TAnchorKind::akBottom});
  t->GetTextRect(c, Rect(10, 20, 310, 120), tr);
  EXPECT_EQ(tr.left, 17);
  EXPECT_EQ(tr.top, 20);
  EXPECT_EQ(tr.bottom, 113);
}

// A page is painted whole off the screen and then copied: what the page
// event draws reaches the window, drawn on a memory bitmap.
TEST_F(WizardTest, PagesAreDoubleBuffered) {
  W->SelectNextPage();
  TWizardInteriorPage* p = Pages[0];
  int paints = 0, onMemory = 0;
  p->OnPaintPage = [&](TObject*, TCanvas* C, TRect& R) {
    ++paints;
    if (GetObjectType(C->Handle()) == OBJ_MEMDC) ++onMemory;
    C->Brush()->SetColor(clRed);
    C->FillRect(Rect(R.left + 10, R.top + 10, R.left + 50, R.top + 50));
  };
  p->Invalidate();
  PumpFor(200);
  TCapture shot = CaptureClient(p->Handle());
  SaveBmp(shot, "wizard-double-buffered-page.bmp");
  const int top = p->Header()->Height();
  EXPECT_EQ(shot.At(30, top + 30), 0xFF0000u);
  EXPECT_GT(paints, 0);
  EXPECT_EQ(onMemory, paints);
}

// The Help button opens the application's help at the active page's topic;
// a page without one opens none.
TEST_F(WizardTest, HelpOpensTheActivePagesTopic) {
  std::vector<std::pair<UINT, INT_PTR>> asked;
  Application->OnHelp = [&](UINT Command, INT_PTR Data, bool& CallHelp) {
    asked.push_back({Command, Data});
    CallHelp = false;
    return true;
  };
  Welcome->SetVisibleButtons({K::bkNext, K::bkCancel, K::bkHelp});
  Welcome->SetEnabledButtons({K::bkNext, K::bkCancel, K::bkHelp});
  PumpFor(100);
  Welcome->HelpContext = 31;
  Form->HelpContext = 5;
  Click(K::bkHelp);
  Welcome->HelpContext = 0;   // the active page has none: no help
  Click(K::bkHelp);
  Application->OnHelp = nullptr;
  EXPECT_EQ(asked, (std::vector<std::pair<UINT, INT_PTR>>{{HELP_CONTEXT, 31}}));
}

}  // namespace
