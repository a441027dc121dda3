#include "ControlForm.h"
#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"

namespace {
uint32_t Rgb(TColor C) {   // 0xRRGGBB of a colour
  COLORREF c = ColorToRGB(C);
  return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

int CountIn(const TCapture& C, uint32_t Rgb, const TRect& R) {
  int n = 0;
  for (int y = R.top; y < R.bottom; ++y)
    for (int x = R.left; x < R.right; ++x) n += C.At(x, y) == Rgb;
  return n;
}
}  // namespace

TEST_F(ControlTest, PanelsShapesImagesAndBarsPaintWhatTheyHold) {
  const TColor back = 0xE0D0C0;
  Form->SetColor(back);
  auto* panel = Add<TPanel>(Form, 10, 10, 120, 60);
  panel->SetColor(clYellow);
  panel->SetCaption("");
  auto* bevel = Add<TBevel>(Form, 10, 80, 200, 2);
  bevel->SetShape(TBevelShape::bsTopLine);
  auto* swatch = Add<TShape>(Form, 150, 10, 20, 20);
  swatch->Brush()->SetColor(clFuchsia);
  swatch->Pen()->SetColor(clBlack);
  int swatchClicks = 0;
  swatch->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++swatchClicks; };
  auto* image = Add<TImage>(Form, 190, 10, 40, 40);
  image->Picture()->Bitmap()->SetSize(20, 10);
  image->Canvas()->Brush()->SetColor(clAqua);
  image->Canvas()->FillRect(Rect(0, 0, 20, 10));
  image->SetCenter(true);
  auto* bar = Add<TProgressBar>(Form, 10, 100, 200, 18);
  bar->SetPosition(50);
  auto* check = Add<TCheckBox>(Form, 10, 130, 150, 20);
  check->SetCaption("Show UDP");
  auto* edit = Add<TEdit>(Form, 10, 160, 150, 24);
  edit->SetColor(clSilver);
  ShowForm();
  image->Changed();
  PumpFor(50);
  TCapture shot = CaptureClient(Form->Handle());
  SaveBmp(shot, "paint.bmp");

  EXPECT_EQ(shot.At(60, 40), Rgb(clYellow));
  EXPECT_EQ(shot.At(10, 10), Rgb(clBtnHighlight));   // raised: light top-left edge
  EXPECT_EQ(shot.At(129, 69), Rgb(clBtnShadow));
  EXPECT_EQ(CountIn(shot, Rgb(clFuchsia), Bounds(150, 10, 20, 20)), 18 * 18);
  EXPECT_EQ(CountIn(shot, Rgb(clAqua), Bounds(190, 10, 40, 40)), 200);   // centred, not stretched
  EXPECT_EQ(shot.At(200, 25), Rgb(clAqua));
  EXPECT_EQ(shot.At(195, 25), Rgb(back));
  EXPECT_EQ(shot.At(100, 80), Rgb(clBtnShadow));
  EXPECT_EQ(shot.At(100, 81), Rgb(clBtnHighlight));
  // half the bar in the highlight colour
  int filled = CountIn(shot, Rgb(clHighlight), Bounds(10, 100, 200, 18));
  EXPECT_GT(filled, 80 * 12);
  EXPECT_LT(filled, 110 * 18);
  EXPECT_EQ(CountIn(shot, Rgb(clHighlight), Bounds(120, 100, 90, 18)), 0);
  // the check box and edit paint their own colours on the system's request
  EXPECT_GT(CountIn(shot, Rgb(back), Bounds(100, 130, 60, 20)), 60 * 20 - 20);
  EXPECT_GT(CountIn(shot, Rgb(clSilver), Bounds(12, 162, 146, 20)), 100 * 16);

  // a control without a window takes the mouse over its area from its parent
  ClickClient(Form->Handle(), 160, 20);
  PumpFor(60);
  EXPECT_EQ(swatchClicks, 1);
  swatch->Brush()->SetColor(clLime);
  PumpFor(60);
  EXPECT_EQ(CountIn(CaptureClient(Form->Handle()), Rgb(clLime), Bounds(150, 10, 20, 20)), 18 * 18);
}
