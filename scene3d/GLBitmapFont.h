// Text drawn with textured quads cut from a sheet of glyphs: character
// ranges map codes to glyph cells, a width table spaces them, and strings
// are drawn with alignment, layout and line breaks. TGLBitmapFont takes its
// sheet from a picture; TGLFlatText shows a string in the scene.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Collections.h"
#include "classlib/Graphics.h"
#include "classlib/StdCtrls.h"
#include "scene3d/Scene3D.h"

class TGLCustomBitmapFont;

// Codes StartASCII..StopASCII drawn with the glyphs from StartGlyphIdx on.
class TBitmapFontRange : public TCollectionItem {
  DECLARE_CLASSINFO(TBitmapFontRange)
public:
  explicit TBitmapFontRange(TCollection* ACollection) : TCollectionItem(ACollection) {}
  uint8_t StartASCII() const { return FStartASCII; }
  void SetStartASCII(uint8_t Value);   // above StopASCII raises StopASCII to it
  uint8_t StopASCII() const { return FStopASCII; }
  void SetStopASCII(uint8_t Value);    // below StartASCII lowers StartASCII to it
  int StartGlyphIdx() const { return FStartGlyphIdx; }
  void SetStartGlyphIdx(int Value);    // never below 0
  // "ASCII [#start, #stop] -> Glyphs [first, last]"
  std::string DisplayName() const override;
  void Assign(TPersistent* Source) override;

private:
  uint8_t FStartASCII = 0, FStopASCII = 0;
  int FStartGlyphIdx = 0;
};

// The ranges of a font; any change to them refreshes the font's glyphs.
class TBitmapFontRanges : public TOwnedCollection {
  DECLARE_CLASSINFO(TBitmapFontRanges)
public:
  explicit TBitmapFontRanges(TPersistent* AOwner);
  TBitmapFontRange* Items(int Index) const { return static_cast<TBitmapFontRange*>(TCollection::Items(Index)); }
  TBitmapFontRange* Add() { return static_cast<TBitmapFontRange*>(TCollection::Add()); }
  TBitmapFontRange* Add(uint8_t StartASCII, uint8_t StopASCII);
  int CharacterCount() const;   // the sum of stop - start + 1

protected:
  void Update(TCollectionItem* Item) override;
};

enum class TGLTextLayout { tlTop, tlCenter, tlBottom };

// The glyphs of many strings, drawn as one run of quads: per vertex the
// texture coordinates, the colour and the position (8 floats), four per glyph.
struct TBitmapFontBatch {
  std::vector<float> Vertices;
  void Clear() { Vertices.clear(); }
};

// The base of the bitmap fonts: ranges, cell geometry, widths, the sheet as
// one texture, and string drawing.
class TGLCustomBitmapFont : public TGLUpdateAbleComponent {
  DECLARE_CLASSINFO(TGLCustomBitmapFont)
public:
  explicit TGLCustomBitmapFont(TComponent* AOwner);
  ~TGLCustomBitmapFont() override;

  TBitmapFontRanges* Ranges() const { return FRanges.get(); }
  void SetRanges(TBitmapFontRanges* Value);
  TPicture* Glyphs() const { return FGlyphs.get(); }
  void SetGlyphs(TPicture* Value) { FGlyphs->Assign(Value); }
  int CharWidth() const { return FCharWidth; }
  void SetCharWidth(int Value);    // at least 1
  int CharHeight() const { return FCharHeight; }
  void SetCharHeight(int Value);   // at least 1
  int GlyphsIntervalX() const { return FGlyphsIntervalX; }
  void SetGlyphsIntervalX(int Value);   // at least 0
  int GlyphsIntervalY() const { return FGlyphsIntervalY; }
  void SetGlyphsIntervalY(int Value);
  int HSpace() const { return FHSpace; }
  void SetHSpace(int Value);   // at least 0
  int VSpace() const { return FVSpace; }
  void SetVSpace(int Value);
  int HSpaceFix() const { return FHSpaceFix; }
  TGLMinFilter MinFilter() const { return FMinFilter; }
  void SetMinFilter(TGLMinFilter Value);
  TGLMagFilter MagFilter() const { return FMagFilter; }
  void SetMagFilter(TGLMagFilter Value);
  TGLTextureImageAlpha GlyphsAlpha() const { return FGlyphsAlpha; }
  void SetGlyphsAlpha(TGLTextureImageAlpha Value);
  int TextureWidth() const { return FTextureWidth; }
  int TextureHeight() const { return FTextureHeight; }

  // Objects that render with the font hear of every change to its glyphs.
  virtual void RegisterUser(TGLBaseSceneObject* anObject);   // twice fails an assertion
  virtual void UnRegisterUser(TGLBaseSceneObject* anObject);
  int UserCount() const { return static_cast<int>(FUsers.size()); }

  int CharWidths(uint8_t Ch);
  void SetCharWidths(uint8_t Ch, int Value);
  // Whether a range holds the code: codes without one draw nothing and take no room.
  bool HasGlyph(uint8_t Ch) const;
  // How far drawing Ch moves the pen (0 for codes that draw nothing).
  int CharAdvance(uint8_t Ch);
  // The width of a line as drawn: every character's advance, less the
  // spacing after the last one.
  int TextWidth(const std::string& Text);
  int CharactersPerRow() const;
  // Left, top, right, bottom in the texture (zero for codes without a range).
  std::array<float, 4> GetCharTexCoords(uint8_t Ch);

  // Draws Text with the font's texture modulated by Color. Each line starts
  // at its alignment offset, the block at its layout offset (from Position
  // when given); ReverseY turns the y axis downwards (window coordinates).
  void RenderString(TRenderContextInfo& rci, const std::string& aText, TAlignment aAlignment,
                    TGLTextLayout aLayout, const TVector& aColor, const TVector* aPosition = nullptr,
                    bool aReverseY = false);
  // Left-justified from the top at (x, y) of a window-coordinate view (a
  // canvas), the enable bits kept.
  void DrawTextAt(TRenderContextInfo& rci, const std::string& aText, float x, float y, const TVector& aColor);
  void DrawTextInColor(TRenderContextInfo& rci, const std::string& aText, float x, float y, TColor aColor);
  // Many strings in one batch: AddTextAt lays the text out as DrawTextAt
  // would and adds its glyphs to Batch; DrawBatch draws all of them in the
  // order added, in one glBegin/glEnd, the enable bits kept.
  void AddTextAt(TRenderContextInfo& rci, TBitmapFontBatch& Batch, const std::string& aText, float x, float y,
                 const TVector& aColor);
  void DrawBatch(TRenderContextInfo& rci, const TBitmapFontBatch& Batch);

  // Width table back to CharWidth, texture coordinates dropped, every user
  // told (last registered first).
  void InvalidateUsers();
  // The texture name goes; the sheet is prepared again at the next render.
  void FreeTextureHandle();

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The sheet as a texture image, uploaded to the bound texture.
  virtual void PrepareImage();
  void SetHSpaceFix(int Value) { FHSpaceFix = Value; }
  // The texture-coordinate table, made (all zero) when missing.
  std::array<std::array<float, 4>, 256>& TexCoordsTable();
  GLenum FTextureFormat = GL_RGBA;

private:
  friend class TBitmapFontRanges;
  void RangesChanged();
  void GlyphsChanged(TObject* Sender);
  void PrepareParams();
  // The sheet uploaded when it changed; then the state glyphs are drawn in.
  void PrepareTexture(TGLStateCache& Cache);
  void SetGlyphState(TGLStateCache& Cache);
  // Glyph(x, top, right, bottom, texture coordinates) for each glyph drawn.
  template <typename F>
  void LayOutGlyphs(const std::string& aText, TAlignment aAlignment, TGLTextLayout aLayout,
                    const TVector* aPosition, bool aReverseY, F&& Glyph);
  void BuildTexCoords();
  std::vector<int>& WidthTable();
  // Offset of the line that starts at Pos (in pixels, before any position).
  int AlignmentOffset(const std::string& Text, size_t Pos, TAlignment aAlignment);

  std::unique_ptr<TBitmapFontRanges> FRanges;
  std::unique_ptr<TPicture> FGlyphs;
  int FCharWidth = 16, FCharHeight = 16;
  int FGlyphsIntervalX = 0, FGlyphsIntervalY = 0;
  int FHSpace = 1, FVSpace = 1;
  int FHSpaceFix = 0;
  std::vector<TGLBaseSceneObject*> FUsers;   // not owned
  std::unique_ptr<TGLTextureHandle> FTextureHandle;
  bool FTextureChanged = true;
  TGLMinFilter FMinFilter = TGLMinFilter::miLinear;
  TGLMagFilter FMagFilter = TGLMagFilter::maLinear;
  int FTextureWidth = 0, FTextureHeight = 0;
  TGLTextureImageAlpha FGlyphsAlpha = TGLTextureImageAlpha::tiaDefault;
  std::vector<int> FCharWidths;   // 256 entries once made
  std::unique_ptr<std::array<std::array<float, 4>, 256>> FTexCoords;
};

// A bitmap font whose sheet is a picture.
class TGLBitmapFont : public TGLCustomBitmapFont {
  DECLARE_CLASSINFO(TGLBitmapFont)
public:
  using TGLCustomBitmapFont::TGLCustomBitmapFont;
};

// A scene object that shows a string in a bitmap font, modulated by a
// colour, aligned and laid out; it is one of the font's users while it
// refers to it. Every writer signals a structure change.
class TGLBitmapTextObject : public TGLImmaterialSceneObject {
  DECLARE_CLASSINFO(TGLBitmapTextObject)
public:
  explicit TGLBitmapTextObject(TComponent* AOwner);
  ~TGLBitmapTextObject() override;
  void DefineProperties(TFiler* Filer) override;

  TGLCustomBitmapFont* BitmapFont() const { return FBitmapFont; }
  void SetBitmapFont(TGLCustomBitmapFont* Value);
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TGLTextLayout Layout() const { return FLayout; }
  void SetLayout(TGLTextLayout Value);
  TGLColor* ModulateColor() const { return FModulateColor.get(); }
  void SetModulateColor(TGLColor* Value);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Whether there is something to draw: a font and a text.
  bool HasText() const { return FBitmapFont && !FText.empty(); }
  void RenderText(TRenderContextInfo& rci) {
    FBitmapFont->RenderString(rci, FText, FAlignment, FLayout, FModulateColor->Color());
  }

private:
  void LetGoOfFont();
  TGLCustomBitmapFont* FBitmapFont = nullptr;   // not owned
  std::string FText;
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TGLTextLayout FLayout = TGLTextLayout::tlTop;
  std::unique_ptr<TGLColor> FModulateColor;
};

enum class TFlatTextOption { ftoTwoSided };
using TFlatTextOptions = TSet<TFlatTextOption>;

// A string drawn in the scene in the object's xy plane, one unit a pixel of the font.
class TGLFlatText : public TGLBitmapTextObject {
  DECLARE_CLASSINFO(TGLFlatText)
public:
  explicit TGLFlatText(TComponent* AOwner) : TGLBitmapTextObject(AOwner) {}
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override;

  TFlatTextOptions Options() const { return FOptions; }
  void SetOptions(TFlatTextOptions Value);

private:
  TFlatTextOptions FOptions;
};

// Streamed names of the text enumerations.
extern const char* const AlignmentNames[3];
extern const char* const TextLayoutNames[3];

void GLBitmapFont_Initialize();   // registers TGLBitmapFont and TGLFlatText
void GLBitmapFont_Finalize();
