// The bitmap button: a push button with a picture beside its caption.
#pragma once
#include "classlib/StdCtrls.h"

enum class TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Its glyph holds NumGlyphs images side by side (normal, disabled, pressed,
// down); the colour of its bottom-left pixel is transparent. A Kind other
// than bkCustom sets the caption, the modal result and Default or Cancel,
// and gives a drawn glyph while Glyph is empty.
class TBitBtn : public TButton {
  DECLARE_CLASSINFO(TBitBtn)
public:
  explicit TBitBtn(TComponent* AOwner);
  TBitmap* Glyph() { return &FGlyph; }
  void SetGlyph(TBitmap* Value);
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int Value);
  TBitBtnKind Kind() const { return FKind; }
  void SetKind(TBitBtnKind Value);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout Value);
  int Margin() const { return FMargin; }   // -1: glyph and caption centred together
  void SetMargin(int Value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value);

protected:
  DWORD ButtonStyle() const override { return BS_OWNERDRAW; }
  void WndProc(TMessage& Message) override;
  virtual void DrawButton(TCanvas* Canvas, TRect R, bool Pressed, bool Focused);

private:
  void DrawGlyph(TCanvas* Canvas, int X, int Y, int Index);
  void DrawKindGlyph(TCanvas* Canvas, int X, int Y);
  TBitmap FGlyph;
  int FNumGlyphs = 1;
  TBitBtnKind FKind = TBitBtnKind::bkCustom;
  TButtonLayout FLayout = TButtonLayout::blGlyphLeft;
  int FMargin = -1;
  int FSpacing = 4;
};

// Copies a bitmap's rectangle, leaving out the pixels of one colour.
void DrawTransparentBitmap(HDC DC, int X, int Y, HBITMAP Bitmap, const TRect& Source, COLORREF Transparent);
