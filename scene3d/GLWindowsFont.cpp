#include "scene3d/GLWindowsFont.h"

#include <algorithm>
#include <cstdlib>

IMPLEMENT_CLASSINFO(TGLWindowsBitmapFont, TGLCustomBitmapFont)
IMPLEMENT_CLASSINFO(TGLStoredBitmapFont, TGLWindowsBitmapFont)

TGLWindowsBitmapFont::TGLWindowsBitmapFont(TComponent* AOwner)
    : TGLCustomBitmapFont(AOwner), FFont(std::make_unique<TFont>()) {
  FFont->SetColor(clWhite);
  FFont->OnChange = [this](TObject* Sender) { NotifyChange(Sender); };
  FTextureFormat = GL_ALPHA;
  SetGlyphsAlpha(TGLTextureImageAlpha::tiaAlphaFromIntensity);
  Ranges()->Add(' ', '}');
  LoadWindowsFont();
}

TGLWindowsBitmapFont::~TGLWindowsBitmapFont() { FFont->OnChange = nullptr; }

void TGLWindowsBitmapFont::NotifyChange(TObject* Sender) {
  FreeTextureHandle();
  InvalidateUsers();
  TGLCustomBitmapFont::NotifyChange(Sender);
}

void TGLWindowsBitmapFont::PrepareImage() {
  LoadWindowsFont();
  TGLCustomBitmapFont::PrepareImage();
}

// Every glyph of width w takes a cell w + 2 wide at (x, y), painted one
// pixel in; a glyph that would cross the right edge starts a new row.
int TGLWindowsBitmapFont::PackGlyphs(int Width, int Height, TCanvas* Canvas) {
  const int charHeight = CharHeight();
  auto* texCoords = Canvas ? &TexCoordsTable() : nullptr;
  const float w = static_cast<float>(Width), h = static_cast<float>(Height);
  int x = 0, y = 0, count = 0;
  for (int c = 0; c < 256; ++c) {
    const int width = CharWidths(static_cast<uint8_t>(c));
    if (width <= 0) continue;
    const int cell = width + 2;
    if (x + cell > Width) {
      x = 0;
      y += charHeight;
    }
    if (cell > Width || y + charHeight > Height) break;
    if (Canvas) {
      (*texCoords)[static_cast<size_t>(c)] = {(x + 1.05f) / w, (h - (y + 0.05f)) / h, (x + cell - 1.05f) / w,
                                              (h - (y + charHeight - 0.05f)) / h};
      Canvas->TextRect(Rect(x, y, x + cell, y + charHeight), x + 1, y + 1, std::string(1, static_cast<char>(c)));
    }
    x += cell;
    ++count;
  }
  return count;
}

void TGLWindowsBitmapFont::LoadWindowsFont() {
  InvalidateUsers();
  TPicture* glyphs = Glyphs();
  // The picture's own change event would free the texture being made.
  struct TDetached {
    TPicture* Picture;
    TNotifyEvent Saved;
    ~TDetached() { Picture->OnChange = Saved; }
  } detached{glyphs, glyphs->OnChange};
  glyphs->OnChange = nullptr;
  TBitmap* bitmap = glyphs->Bitmap();
  bitmap->SetPixelFormat(TPixelFormat::pf32bit);
  TCanvas* canvas = bitmap->Canvas();
  canvas->SetFont(FFont.get());
  canvas->Font()->SetColor(clWhite);

  SetCharWidth(std::max({canvas->TextWidth("M"), canvas->TextWidth("W"), canvas->TextWidth("_")}) + 2);
  SetCharHeight(canvas->TextHeight("\"_pI|,") + 2);
  if (FFont->Style().Contains(TFontStyle::fsItalic)) {
    SetHSpaceFix(-(CharWidth() / 3));
    SetCharWidth(CharWidth() - HSpaceFix());
  } else {
    SetHSpaceFix(0);
  }
  for (int c = 0; c < 256; ++c) SetCharWidths(static_cast<uint8_t>(c), 0);
  int glyphCount = 0;
  for (int i = 0; i < Ranges()->Count(); ++i)
    for (int c = Ranges()->Items(i)->StartASCII(); c <= Ranges()->Items(i)->StopASCII(); ++c) {
      const int width = canvas->TextWidth(std::string(1, static_cast<char>(c))) - HSpaceFix();
      if (width > 0 && CharWidths(static_cast<uint8_t>(c)) == 0) ++glyphCount;
      SetCharWidths(static_cast<uint8_t>(c), width);
    }

  int bestWidth = 0, bestHeight = 0;
  for (int height : SheetSizes)
    for (int width : SheetSizes) {
      if (PackGlyphs(width, height, nullptr) < glyphCount) continue;
      const int area = width * height, bestArea = bestWidth * bestHeight;
      if (bestArea == 0 || area < bestArea ||
          (area == bestArea && std::abs(width - height) < std::abs(bestWidth - bestHeight)))
        bestWidth = width, bestHeight = height;
    }
  if (bestWidth == 0) {
    bitmap->SetSize(0, 0);
    throw Exception("Characters are too large or too many. Unable to create font texture.");
  }
  bitmap->SetSize(bestWidth, bestHeight);
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  canvas->Brush()->SetColor(0);
  canvas->FillRect(Rect(0, 0, bestWidth, bestHeight));
  PackGlyphs(bestWidth, bestHeight, canvas);
}

void TGLStoredBitmapFont::LoadWindowsFont() {
  if (!GlyphsLoaded) TGLWindowsBitmapFont::LoadWindowsFont();
}
