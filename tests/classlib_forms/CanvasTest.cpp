#include <gtest/gtest.h>
#include <windows.h>

#include "GuiTest.h"
#include "classlib/Graphics.h"

namespace {
// A 32-bit DIB section selected into a memory context: what a canvas is
// handed, with its pixels readable directly.
class TSurface {
public:
  TSurface(int W, int H) : Width(W), Height(H), DC(CreateCompatibleDC(nullptr)) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = W;
    bi.bmiHeader.biHeight = -H;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    Bitmap = CreateDIBSection(DC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&Bits), nullptr, 0);
    Old = SelectObject(DC, Bitmap);
  }
  ~TSurface() {
    SelectObject(DC, Old);
    DeleteObject(Bitmap);
    DeleteDC(DC);
  }
  uint32_t At(int X, int Y) const {   // 0xRRGGBB
    GdiFlush();
    return Bits[Y * Width + X] & 0xFFFFFF;
  }
  int Count(uint32_t Rgb, const RECT& R) const {
    int n = 0;
    for (int y = R.top; y < R.bottom; ++y)
      for (int x = R.left; x < R.right; ++x) n += At(x, y) == Rgb;
    return n;
  }
  int Width, Height;
  HDC DC;
  HBITMAP Bitmap;
  HGDIOBJ Old;
  uint32_t* Bits = nullptr;
};
}  // namespace

TEST(CanvasTest, DrawsWithItsBrushPenAndFontOnAHandedContext) {
  TSurface s(120, 80);
  HGDIOBJ ownFont = GetCurrentObject(s.DC, OBJ_FONT);
  HGDIOBJ ownBrush = GetCurrentObject(s.DC, OBJ_BRUSH);
  {
    TCanvas c(s.DC);
    c.Brush()->SetColor(clWhite);
    c.FillRect(Rect(0, 0, 120, 80));
    c.Brush()->SetColor(clRed);
    c.Pen()->SetColor(clBlue);
    c.Rectangle(10, 10, 30, 30);   // blue outline, red inside
    EXPECT_EQ(s.At(10, 10), 0x0000FFu);
    EXPECT_EQ(s.At(29, 20), 0x0000FFu);
    EXPECT_EQ(s.At(20, 20), 0xFF0000u);
    EXPECT_EQ(s.At(30, 20), 0xFFFFFFu);   // right edge excluded
    EXPECT_EQ(c.Pixels(20, 20), clRed);
    c.SetPixels(5, 70, clLime);
    EXPECT_EQ(s.At(5, 70), 0x00FF00u);

    c.Pen()->SetStyle(TPenStyle::psClear);
    c.Brush()->SetStyle(TBrushStyle::bsClear);
    c.Rectangle(40, 10, 60, 30);   // draws nothing at all
    EXPECT_EQ(s.Count(0xFFFFFF, Rect(40, 10, 60, 30)), 400);

    // text: the font's colour on the brush colour, transparent with a clear brush
    c.Font()->SetName("Arial");
    c.Font()->SetHeight(-20);
    c.Font()->SetColor(0x00AA00);
    int w = c.TextWidth("WWWW");
    EXPECT_GT(w, c.TextWidth("iiii"));
    EXPECT_GE(c.TextHeight("Tg"), 18);
    c.TextOut(40, 40, "WWWW");
    EXPECT_EQ(c.PenPos().x, 40 + w);
    EXPECT_GT(s.Count(0x00AA00, Rect(40, 40, 40 + w, 80)), 20);
    EXPECT_EQ(s.Count(0x00AA00, Rect(0, 0, 40, 80)), 0);
    c.Brush()->SetColor(clYellow);
    c.TextRect(Rect(0, 40, 30, 80), 0, 40, "WWWW");   // opaque and clipped
    EXPECT_EQ(s.At(31, 60), 0xFFFFFFu);
    EXPECT_EQ(s.Count(0xFFFFFF, Rect(0, 40, 30, 80)), 0);
    EXPECT_GT(s.Count(0xFFFF00, Rect(0, 40, 30, 80)), 100);

    // a bitmap drawn and stretched
    TBitmap b;
    b.SetSize(4, 4);
    {
      TSurface probe(1, 1);
      HDC bdc = CreateCompatibleDC(nullptr);
      HGDIOBJ old = SelectObject(bdc, b.Handle());
      TCanvas bc(bdc);
      bc.Brush()->SetColor(clFuchsia);
      bc.FillRect(Rect(0, 0, 4, 4));
      bc.SetHandle(nullptr);
      SelectObject(bdc, old);
      DeleteDC(bdc);
    }
    c.Draw(100, 0, &b);
    EXPECT_EQ(s.Count(0xFF00FF, Rect(96, 0, 120, 10)), 16);
    c.StretchDraw(Rect(100, 20, 116, 36), &b);
    EXPECT_EQ(s.Count(0xFF00FF, Rect(96, 16, 120, 40)), 256);
  }
  // the context's own objects are back once the canvas lets go
  EXPECT_EQ(GetCurrentObject(s.DC, OBJ_FONT), ownFont);
  EXPECT_EQ(GetCurrentObject(s.DC, OBJ_BRUSH), ownBrush);
}

TEST(CanvasTest, ChangingObjectsWhileSelectedLeaksNoGdiObject) {
  TSurface s(40, 40);
  TCanvas c(s.DC);
  c.FillRect(Rect(0, 0, 40, 40));
  TGuiResources before = GuiResources();
  ASSERT_GT(before.Gdi, 10);
  for (int i = 0; i < 200; ++i) {
    c.Font()->SetHeight(-10 - i % 7);
    c.Pen()->SetWidth(1 + i % 3);
    c.Brush()->SetColor(static_cast<TColor>(i));
    c.Rectangle(0, 0, 40, 40);
    c.TextOut(0, 0, "x");
  }
  c.SetHandle(nullptr);
  TGuiResources after = GuiResources();
  // the canvas holds one font, one pen and one brush at most
  EXPECT_LE(after.Gdi, before.Gdi + 3);
  EXPECT_GE(after.Gdi, before.Gdi);
  EXPECT_THROW(c.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
}
