#include <string>
#include <vector>

#include "ControlForm.h"
#include "classlib/ComCtrls.h"
#include "classlib/ImgList.h"

namespace {
// 0x00RRGGBB of a colour value with red in the low byte.
uint32_t Rgb(TColor C) { return ((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF); }

// Two 16 x 16 pictures on a magenta background: a red square and a blue one.
void AddPictures(TImageList* Images) {
  TBitmap strip;
  strip.SetPixelFormat(TPixelFormat::pf24bit);
  strip.SetSize(32, 16);
  TCanvas* c = strip.Canvas();
  c->Brush()->SetColor(RGB(255, 0, 255));
  c->FillRect(Rect(0, 0, 32, 16));
  c->Brush()->SetColor(RGB(255, 0, 0));
  c->FillRect(Rect(2, 2, 14, 14));
  c->Brush()->SetColor(RGB(0, 0, 255));
  c->FillRect(Rect(18, 2, 30, 14));
  EXPECT_EQ(Images->AddMasked(&strip, RGB(255, 0, 255)), 0);
}
}  // namespace

TEST_F(ControlTest, ToolBarLaysOutButtonsAndControlsShowsPicturesHintsAndClicks) {
  auto* images = new TImageList(Form);
  images->SetSize(16, 16);
  AddPictures(images);
  ASSERT_EQ(images->Count(), 2);
  auto* bar = new TToolBar(Form);
  bar->SetParent(Form);
  bar->SetImages(images);
  bar->SetButtonSize(26, 24);
  std::vector<std::string> clicks;
  auto button = [&](const char* Name, int Image, const char* Hint) {
    auto* b = new TToolButton(Form);
    b->Name = Name;
    b->SetImageIndex(Image);
    b->SetParent(bar);
    b->SetHint(Hint);
    b->OnClick = [&clicks, Name](TObject*) { clicks.push_back(Name); };
    return b;
  };
  TToolButton* red = button("red", 0, " Red picture ");
  auto* gap = new TToolButton(Form);
  gap->SetStyle(TToolButtonStyle::tbsSeparator);
  gap->SetParent(bar);
  TToolButton* blue = button("blue", 1, " Blue picture ");
  auto* box = new TCheckBox(Form);
  box->SetCaption("Autorefresh");
  box->SetBounds(0, 0, 100, 17);
  box->SetParent(bar);
  bar->Arrange();
  blue->SetEnabled(false);
  ShowForm();

  // left to right in the order put on the bar; the box centred in the row
  EXPECT_EQ(red->Left(), 0);
  EXPECT_EQ(gap->Left(), 26);
  EXPECT_EQ(blue->Left(), 34);
  EXPECT_EQ(box->Left(), 60);
  EXPECT_EQ(box->Top(), 2 + (24 - 17) / 2);
  EXPECT_EQ(bar->Width(), Form->ClientWidth());   // along the top

  // the pictures: the red one as it is, the disabled blue one greyed
  TCapture shot = CaptureClient(bar->Handle());
  SaveBmp(shot, "toolbar.bmp");
  EXPECT_EQ(shot.At(red->Left() + 13, 2 + 12), 0xFF0000u);
  const uint32_t dim = shot.At(blue->Left() + 13, 2 + 12);
  EXPECT_NE(dim, 0x0000FFu);

  // tool tips carry the hints
  EXPECT_EQ(bar->ToolTipText(red), " Red picture ");
  EXPECT_EQ(bar->ToolTipText(blue), " Blue picture ");

  // the pointer over a button raises its edge; a click runs it, a click on
  // the disabled one does nothing
  MoveMouseTo(ClientToScreenPoint(bar->Handle(), red->Left() + 20, 20).x,
              ClientToScreenPoint(bar->Handle(), red->Left() + 20, 20).y);
  ASSERT_TRUE(PumpUntil([&] { return red->Hot(); }, 2000));
  UpdateWindow(bar->Handle());
  TCapture hot = CaptureClient(bar->Handle());
  EXPECT_EQ(hot.At(red->Left(), red->Top()), Rgb(GetSysColor(COLOR_BTNHIGHLIGHT)));   // a raised edge
  EXPECT_EQ(shot.At(red->Left(), red->Top()), Rgb(GetSysColor(COLOR_BTNFACE)));       // flat before
  Click(bar, red->Left() + 13, 14);
  Click(bar, blue->Left() + 13, 14);
  EXPECT_EQ(clicks, std::vector<std::string>{"red"});
  MoveMouseTo(ClientToScreenPoint(Form->Handle(), 300, 300).x, ClientToScreenPoint(Form->Handle(), 300, 300).y);
  EXPECT_TRUE(PumpUntil([&] { return !red->Hot(); }, 2000));

  // the box in the bar gets its own clicks
  Click(box, 6, 8);
  EXPECT_TRUE(box->Checked());
}
