// A bitmap font whose glyph sheet is painted at run time from a GDI font:
// the characters of its ranges are measured, packed into the smallest
// power-of-two sheet that holds them all, painted white on black and
// uploaded as an alpha texture.
#pragma once
#include <memory>

#include "classlib/Graphics.h"
#include "scene3d/GLBitmapFont.h"

class TGLWindowsBitmapFont : public TGLCustomBitmapFont {
  DECLARE_CLASSINFO(TGLWindowsBitmapFont)
public:
  // White font, alpha from intensity, one range " " to "}"; the sheet is built.
  explicit TGLWindowsBitmapFont(TComponent* AOwner);
  ~TGLWindowsBitmapFont() override;
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  // The texture goes and the users hear of it; the sheet is painted again
  // at the next render.
  void NotifyChange(TObject* Sender) override;

  // The sheets tried, smallest area first among those that hold every glyph.
  static constexpr int SheetSizes[] = {64, 128, 256, 512};
  // How many glyphs of the width table fit a Width x Height sheet (packed
  // row by row, each in a cell two pixels wider than the glyph); with a
  // canvas they are painted there and their texture coordinates set.
  int PackGlyphs(int Width, int Height, TCanvas* Canvas);

protected:
  void PrepareImage() override;
  // Measures the characters and paints the sheet; an exception when no
  // sheet holds them ("Characters are too large or too many...").
  virtual void LoadWindowsFont();

private:
  std::unique_ptr<TFont> FFont;
};

// A Windows font whose sheet, once loaded, is kept.
class TGLStoredBitmapFont : public TGLWindowsBitmapFont {
  DECLARE_CLASSINFO(TGLStoredBitmapFont)
public:
  using TGLWindowsBitmapFont::TGLWindowsBitmapFont;
  bool GlyphsLoaded = false;

protected:
  void LoadWindowsFont() override;
};
