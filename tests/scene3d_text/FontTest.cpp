// Bitmap fonts drawn for real through a canvas, as the globe's labels are:
// a picture font with known cells, and Windows fonts painted from GDI.
#include <cstdlib>
#include <iostream>

#include "TextFixture.h"
#include "scene3d/GLCanvas.h"
#include "scene3d/GLWindowsFont.h"

namespace {
const TVector White{1, 1, 1, 1};

// The face GDI really selects for a request.
std::string FaceGiven(const std::string& Asked) {
  TFont f;
  f.SetName(Asked);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, f.Handle());
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, LF_FACESIZE, face);
  SelectObject(dc, old);
  DeleteDC(dc);
  return face;
}

// 64 x 16: four 16 x 16 cells, red, green, blue and white.
std::unique_ptr<TBitmap> FourCells() {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(64, 16);
  const TColor colours[4] = {clRed, clLime, clBlue, clWhite};
  for (int i = 0; i < 4; ++i) {
    b->Canvas()->Brush()->SetColor(colours[i]);
    b->Canvas()->FillRect(Rect(16 * i, 0, 16 * i + 16, 16));
  }
  return b;
}

class Font : public GLView {
protected:
  void SetUp() override {
    GLView::SetUp();
    Clear();
  }
  // Text drawn through a canvas of the view, as a direct-render callback does.
  TCapture DrawAt(TGLCustomBitmapFont& F, const std::string& Text, float X, float Y) {
    Clear();
    {
      TGLCanvas canvas(Width, Height, &Cache);
      F.DrawTextAt(rci, Text, X, Y, White);
    }
    return Frame();
  }
  TCapture Aligned(TGLCustomBitmapFont& F, const std::string& Text, TAlignment A, float X, float Y) {
    Clear();
    {
      TGLCanvas canvas(Width, Height, &Cache);
      TGLPushedAttrib bits(&Cache, GL_ENABLE_BIT);
      const TVector at{X, Y, 0, 1};
      F.RenderString(rci, Text, A, TGLTextLayout::tlTop, White, &at, true);
    }
    return Frame();
  }
};
}  // namespace

TEST_F(Font, RangesWidthsAndMeasuredText) {
  TGLBitmapFont f(nullptr);
  TBitmapFontRange* r = f.Ranges()->Add('A', 'D');
  EXPECT_EQ(r->DisplayName(), "ASCII [#65, #68] -> Glyphs [0, 3]");
  r->SetStartASCII('F');
  EXPECT_EQ(r->StopASCII(), 'F') << "a start above the stop raises the stop";
  r->SetStopASCII('B');
  EXPECT_EQ(r->StartASCII(), 'B') << "a stop below the start lowers the start";
  r->SetStopASCII('D');
  r->SetStartGlyphIdx(-3);
  EXPECT_EQ(r->StartGlyphIdx(), 0);
  f.Ranges()->Add('a', 'z');
  EXPECT_EQ(f.Ranges()->CharacterCount(), 3 + 26);
  f.SetCharWidth(0);
  EXPECT_EQ(f.CharWidth(), 1);
  f.SetCharWidth(12);
  EXPECT_EQ(f.CharWidths('B'), 12);
  f.SetCharWidths('B', 7);
  f.SetCharWidths('C', 9);
  EXPECT_EQ(f.TextWidth(""), 0);
  EXPECT_EQ(f.TextWidth("BC"), 17);
  EXPECT_EQ(f.TextWidth("B~C\t"), 17) << "codes without a glyph take no room, as when drawn";
  f.SetHSpace(3);
  EXPECT_EQ(f.CharWidths('B'), 12) << "a geometry change puts the widths back to the cell width";
  EXPECT_EQ(f.TextWidth("BC"), 27);
}

TEST_F(Font, PictureSheetCellsAlignmentAndLines) {
  TGLBitmapFont f(nullptr);
  std::unique_ptr<TBitmap> sheet = FourCells();
  f.Glyphs()->SetGraphic(sheet.get());
  f.Ranges()->Add('A', 'D');
  f.SetGlyphsAlpha(TGLTextureImageAlpha::tiaOpaque);
  EXPECT_EQ(f.CharactersPerRow(), 4);
  // Asked before the sheet is uploaded: nothing to answer yet, and nothing
  // kept that the drawing below would use.
  EXPECT_EQ(f.GetCharTexCoords('B'), (std::array<float, 4>{}));

  TCapture c = DrawAt(f, "B~D", 10, 20);
  SaveBmp(c, "picture_font.bmp");
  EXPECT_EQ(f.TextureWidth(), 64);
  EXPECT_EQ(c.At(10, 20), 0x00FF00u);
  EXPECT_EQ(c.At(25, 35), 0x00FF00u);
  EXPECT_EQ(c.At(26, 28), 0u) << "one pixel of spacing, none for the character without a glyph";
  EXPECT_EQ(c.At(27, 20), 0xFFFFFFu);
  EXPECT_EQ(c.At(42, 35), 0xFFFFFFu);
  TLitBox box = LitBox(c);
  EXPECT_EQ(box.Right + 1 - box.Left, f.TextWidth("B~D"));
  EXPECT_EQ(box.Bottom + 1 - box.Top, f.CharHeight());

  // Centred lines, each by its own width, following downwards.
  c = Aligned(f, "A\rBBB", TAlignment::taCenter, 128, 60);
  TLitBox first = LitBox(c, 0, {0, 60, Width, 76}), second = LitBox(c, 0, {0, 77, Width, 93});
  EXPECT_EQ(first.Left, 120);
  EXPECT_EQ(first.Right, 135);
  EXPECT_EQ(c.At(128, 68), 0xFF0000u);
  EXPECT_EQ(second.Left, 128 - 25);
  EXPECT_EQ(second.Right, 128 + 25 - 1);
  EXPECT_EQ(LitBox(c).Count, 16 * 16 + 48 * 16);

  c = Aligned(f, "BC", TAlignment::taRightJustify, 200, 10);
  EXPECT_EQ(LitBox(c).Right, 199);
  EXPECT_EQ(LitBox(c).Left, 200 - 33);
  EXPECT_TRUE(Cache.States() == TGLStates{}) << "the cache saw every switch undone";

  // A wider sheet: coordinates asked for between the change and the next
  // upload are not kept with the old sheet's size.
  auto wide = std::make_unique<TBitmap>();
  wide->SetPixelFormat(TPixelFormat::pf24bit);
  wide->SetSize(128, 16);
  const TColor colours[8] = {clRed, clBlue, clLime, clWhite, clYellow, clAqua, clFuchsia, clGray};
  for (int i = 0; i < 8; ++i) {
    wide->Canvas()->Brush()->SetColor(colours[i]);
    wide->Canvas()->FillRect(Rect(16 * i, 0, 16 * i + 16, 16));
  }
  f.Glyphs()->SetGraphic(wide.get());
  f.GetCharTexCoords('B');
  c = DrawAt(f, "B", 10, 20);
  SaveBmp(c, "picture_font_wider_sheet.bmp");
  EXPECT_EQ(f.TextureWidth(), 128);
  int blue = 0;
  for (int y = 0; y < c.Height; ++y)
    for (int x = 0; x < c.Width; ++x) blue += c.At(x, y) == 0x0000FFu;
  EXPECT_EQ(blue, 16 * 16) << "B is the new sheet's second cell, blue, whole";
  EXPECT_EQ(LitBox(c).Count, 16 * 16);
}

TEST_F(Font, WindowsFontLetterStaysInsideItsMeasuredBox) {
  std::cout << "fonts: \"Tahoma\" gives \"" << FaceGiven("Tahoma") << "\", \"Arial\" gives \"" << FaceGiven("Arial")
            << "\"\n";
  TGLWindowsBitmapFont f(nullptr);
  f.Font()->SetName("Tahoma");
  f.Font()->SetHeight(-16);
  TCapture c = DrawAt(f, "H", 20, 30);
  SaveBmp(c, "letter_h.bmp");
  const TLitBox box = LitBox(c);
  ASSERT_GT(box.Count, 20);
  EXPECT_GE(box.Left, 20);
  EXPECT_LE(box.Right, 20 + f.TextWidth("H"));
  EXPECT_GE(box.Top, 30);
  EXPECT_LE(box.Bottom, 30 + f.CharHeight());
  // Two upright strokes with the bar between them.
  const int mid = (box.Top + box.Bottom) / 2;
  EXPECT_GT(LitBox(c, 128, {box.Left, box.Top, box.Left + 3, box.Bottom + 1}).Count, f.CharHeight() / 2);
  EXPECT_GT(LitBox(c, 128, {box.Right - 2, box.Top, box.Right + 1, box.Bottom + 1}).Count, f.CharHeight() / 2);
  EXPECT_EQ(LitBox(c, 128, {box.Left + 4, box.Top, box.Right - 3, mid - 2}).Count, 0);

  c = Aligned(f, "HHH", TAlignment::taCenter, 128, 60);
  const TLitBox centred = LitBox(c);
  EXPECT_LE(std::abs(centred.Left + centred.Right + 1 - 2 * 128), 2) << centred.Left << ".." << centred.Right;
}

// Labels as the globe draws them: shadow and text, two lines, overlapping
// strings in several colours; gathered in one batch they give the pixels
// of the strings drawn one by one.
TEST_F(Font, ABatchOfStringsDrawsThePixelsOfTheStringsDrawnOneByOne) {
  TGLWindowsBitmapFont f(nullptr);
  f.Font()->SetName("Arial");
  f.Font()->SetHeight(-9);
  const struct {
    const char* Text;
    float X, Y;
    TVector Color;
  } texts[] = {{" 11.0.0.1\n\r Paris, FR", 10, 10, {0, 0, 0, 1}},  {" 11.0.0.1\n\r Paris, FR", 9, 9, {1, 0, 0, 1}},
               {"Cairo, EG", 31, 15, {0, 1, 0.5f, 1}},                {"(Lodz; Sydney)", 120.5f, 90.5f, {1, 1, 0, 0.6f}},
               {"", 0, 0, White},                                       {"HHH", 200, 100, White}};
  auto drawn = [&](bool Batched) {
    Clear();
    TGLCanvas canvas(Width, Height, &Cache);
    TBitmapFontBatch batch;
    for (const auto& t : texts) {
      if (Batched) f.AddTextAt(rci, batch, t.Text, t.X, t.Y, t.Color);
      else f.DrawTextAt(rci, t.Text, t.X, t.Y, t.Color);
    }
    f.DrawBatch(rci, batch);
    return Frame();
  };
  const TCapture one = drawn(false), batch = drawn(true);
  SaveBmp(batch, "batch.bmp");
  EXPECT_GT(LitBox(one).Count, 200);
  EXPECT_EQ(batch.Pixels, one.Pixels);
  EXPECT_FALSE(Cache.States().Contains(TGLState::stTexture2D)) << "the enable bits are kept";
}

TEST_F(Font, ItalicTextEndsWhereMeasured) {
  TGLWindowsBitmapFont f(nullptr);
  f.Font()->SetName("Tahoma");
  f.Font()->SetHeight(-16);
  f.Font()->SetStyle({TFontStyle::fsItalic});
  DrawAt(f, "x", 0, 0);   // builds the sheet
  EXPECT_LT(f.HSpaceFix(), 0);
  EXPECT_EQ(f.HSpaceFix(), -((f.CharWidth() + f.HSpaceFix()) / 3)) << "a third of the upright cell";
  const TLitBox one = LitBox(Aligned(f, "H", TAlignment::taRightJustify, 200, 20));
  const TLitBox many = LitBox(Aligned(f, "H~HH", TAlignment::taRightJustify, 200, 20));
  EXPECT_EQ(many.Right, one.Right) << "the last letter sits where the measure put it";
  const TLitBox first = LitBox(DrawAt(f, "H", 200 - float(f.TextWidth("H~HH")), 20));
  EXPECT_EQ(many.Left, first.Left);
  EXPECT_LT(many.Right - many.Left, 3 * (f.CharWidth() + f.HSpace())) << "the letters overlap";
}

TEST_F(Font, RangesWithGapsPackEveryGlyphInsideItsOwnCell) {
  TGLWindowsBitmapFont f(nullptr);
  f.Font()->SetName("Tahoma");
  f.Font()->SetHeight(-22);
  f.Font()->SetStyle({TFontStyle::fsBold});
  f.SetMinFilter(TGLMinFilter::miNearest);
  f.SetMagFilter(TGLMagFilter::maNearest);
  std::string chars;
  TBitmapFontRanges ranges(nullptr);
  for (const char* span : {"AZ", "az", "09"})
    for (char ch = span[0]; ch <= span[1]; ch += 2) {
      ranges.Add(uint8_t(ch), uint8_t(ch));
      chars += ch;
    }
  f.SetRanges(&ranges);
  DrawAt(f, "A", 0, 0);
  ASSERT_GT(f.TextureHeight(), 2 * f.CharHeight()) << "several rows";
  for (char ch : chars) {
    SCOPED_TRACE(std::string(1, ch));
    const auto tc = f.GetCharTexCoords(uint8_t(ch));
    EXPECT_GT(tc[0], 0.0f);
    EXPECT_LT(tc[2], 1.0f) << "inside the sheet";
    EXPECT_LT(tc[0], tc[2]);
    EXPECT_GT(tc[1], tc[3]);

    // Drawn, the glyph is what GDI paints for the character.
    TCapture c = DrawAt(f, std::string(1, ch), 8, 8);
    const int w = f.CharWidths(uint8_t(ch)), h = f.CharHeight();
    TBitmap ref;
    ref.SetPixelFormat(TPixelFormat::pf32bit);
    ref.SetSize(w, h);
    ref.Canvas()->Brush()->SetColor(clBlack);
    ref.Canvas()->FillRect(Rect(0, 0, w, h));
    ref.Canvas()->SetFont(f.Font());
    ref.Canvas()->TextRect(Rect(0, 0, w, h), 0, 1, std::string(1, ch));
    int differing = 0, inked = 0;
    for (int y = 0; y < h; ++y) {
      const auto* row = static_cast<const uint8_t*>(ref.ScanLine(y));
      for (int x = 0; x < w; ++x) {
        const int expect = (row[4 * x] + row[4 * x + 1] + row[4 * x + 2]) / 3;
        inked += expect > 0;
        differing += std::abs(Channel(c.At(8 + x, 8 + y), 1) - expect) > 3;
      }
    }
    EXPECT_GT(inked, 5);
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(LitBox(c).Count, LitBox(c, 0, {8, 8, 8 + w, 8 + h}).Count) << "nothing outside the cell";
  }
}

TEST_F(Font, FlatTextInTheSceneStreamsAndLetsGoOfAFreedFont) {
  TComponent owner(nullptr);
  auto* font = new TGLBitmapFont(&owner);
  font->Name = "LabelFont";
  std::unique_ptr<TBitmap> sheet = FourCells();
  font->Glyphs()->SetGraphic(sheet.get());
  font->Ranges()->Add('A', 'D');
  font->SetGlyphsAlpha(TGLTextureImageAlpha::tiaOpaque);
  auto* text = new TGLFlatText(&owner);
  text->SetBitmapFont(font);
  text->SetText("AD");
  text->SetAlignment(TAlignment::taCenter);
  text->ModulateColor()->SetColor({1, 0, 0, 1});
  text->Position()->SetPoint(128, 64, 0);
  text->SetOptions({TFlatTextOption::ftoTwoSided});
  EXPECT_EQ(font->UserCount(), 1);

  auto draw = [&](TGLBaseSceneObject* Object) {
    Clear();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, Width, 0, Height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Object->Render(rci);
    return Frame();
  };
  TCapture c = draw(text);
  EXPECT_EQ(c.At(115, 70), 0xFF0000u) << "A's red cell";
  EXPECT_EQ(c.At(135, 70), 0xFF0000u) << "D's white cell, modulated red";
  EXPECT_EQ(c.At(128, 70), 0u);
  const TLitBox box = LitBox(c);
  EXPECT_EQ(box.Left, 128 - 16);
  EXPECT_EQ(box.Right, 128 - 16 + 33 - 1);
  EXPECT_EQ(box.Top, Height - 64);
  EXPECT_EQ(box.Bottom, Height - 64 + 15);

  TMemoryStream stream;
  WriteObjectTree(stream, text);
  stream.Seek(0, TSeekOrigin::soBeginning);
  auto* copy = dynamic_cast<TGLFlatText*>(ReadObjectTree(stream, &owner));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->BitmapFont(), font);
  EXPECT_EQ(copy->Text(), "AD");
  EXPECT_EQ(copy->Alignment(), TAlignment::taCenter);
  EXPECT_EQ(copy->Layout(), TGLTextLayout::tlTop);
  EXPECT_TRUE(copy->Options().Contains(TFlatTextOption::ftoTwoSided));
  EXPECT_EQ(copy->ModulateColor()->Color(), (TVector{1, 0, 0, 1}));
  EXPECT_EQ(font->UserCount(), 2);

  delete font;
  EXPECT_EQ(text->BitmapFont(), nullptr);
  EXPECT_EQ(copy->BitmapFont(), nullptr);
  EXPECT_EQ(LitBox(draw(copy)).Count, 0);
}
