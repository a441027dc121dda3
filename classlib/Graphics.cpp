#include "classlib/Graphics.h"

COLORREF ColorToRGB(TColor Color) {
  if (Color & 0x80000000u) return GetSysColor(static_cast<int>(Color & 0xFF));
  return Color & 0xFFFFFF;
}

namespace {
int ScreenPixelsPerInch() {
  HDC dc = GetDC(nullptr);
  int ppi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return ppi > 0 ? ppi : 96;
}
}  // namespace

// ---- TFont ---------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TFont, TPersistent)

TFont::TFont() = default;

// The old handle goes only after OnChange: a canvas or a control that has it
// selected or set lets go of it there.
void TFont::Changed() {
  TGdiObject old(FHandle.Release());
  if (OnChange) OnChange(this);
}

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  if (OnChange) OnChange(this);   // the handle does not carry the colour
}

void TFont::SetStyle(TFontStyles Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TFont::SetName(const std::string& Value) {
  if (Value == FName) return;
  FName = Value;
  Changed();
}

void TFont::SetHeight(int Value) {
  if (Value == FHeight) return;
  FHeight = Value;
  Changed();
}

int TFont::Size() const { return -MulDiv(FHeight, 72, ScreenPixelsPerInch()); }

void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, ScreenPixelsPerInch(), 72)); }

HFONT TFont::Handle() {
  if (!FHandle) {
    LOGFONTA lf{};
    lf.lfHeight = FHeight;
    lf.lfWeight = FStyle.Contains(TFontStyle::fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(TFontStyle::fsItalic);
    lf.lfUnderline = FStyle.Contains(TFontStyle::fsUnderline);
    lf.lfStrikeOut = FStyle.Contains(TFontStyle::fsStrikeOut);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(lf.lfFaceName, FName.c_str(), LF_FACESIZE);
    FHandle.Reset(CreateFontIndirectA(&lf));
  }
  return static_cast<HFONT>(FHandle.Get());
}

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    FColor = f->FColor;
    FStyle = f->FStyle;
    FName = f->FName;
    FHeight = f->FHeight;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TPen ----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TPen, TPersistent)

void TPen::Changed() {
  TGdiObject old(FHandle.Release());
  if (OnChange) OnChange(this);
}

void TPen::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();
}

void TPen::SetWidth(int Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

HPEN TPen::Handle() {
  if (!FHandle) {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL};
    FHandle.Reset(CreatePen(styles[static_cast<int>(FStyle)], FWidth, ColorToRGB(FColor)));
  }
  return static_cast<HPEN>(FHandle.Get());
}

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TBrush --------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TBrush, TPersistent)

void TBrush::Changed() {
  TGdiObject old(FHandle.Release());
  if (OnChange) OnChange(this);
}

void TBrush::SetColor(TColor Value) {
  if (Value == FColor && FStyle == TBrushStyle::bsSolid) return;
  FColor = Value;
  FStyle = TBrushStyle::bsSolid;   // a colour makes a clear brush solid again
  Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

HBRUSH TBrush::Handle() {
  if (!FHandle) {
    if (FStyle == TBrushStyle::bsClear) {
      LOGBRUSH lb{BS_HOLLOW, 0, 0};
      FHandle.Reset(CreateBrushIndirect(&lb));
    } else {
      FHandle.Reset(CreateSolidBrush(ColorToRGB(FColor)));
    }
  }
  return static_cast<HBRUSH>(FHandle.Get());
}

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    FColor = b->FColor;
    FStyle = b->FStyle;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TCanvas -------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TCanvas, TPersistent)

TCanvas::TCanvas() {
  FFont.OnChange = [this](TObject*) { DeselectObjects(); };
  FPen.OnChange = [this](TObject*) { DeselectObjects(); };
  FBrush.OnChange = [this](TObject*) { DeselectObjects(); };
}

TCanvas::TCanvas(HDC DC) : TCanvas() { FHandle = DC; }

TCanvas::~TCanvas() { DeselectObjects(); }

void TCanvas::SetHandle(HDC Value) {
  if (Value == FHandle) return;
  DeselectObjects();
  FHandle = Value;
}

void TCanvas::SelectObjects(HDC DC) {
  HGDIOBJ f = SelectObject(DC, FFont.Handle());
  HGDIOBJ p = SelectObject(DC, FPen.Handle());
  HGDIOBJ b = SelectObject(DC, FBrush.Handle());
  if (!FOldFont) {
    FOldFont = f;
    FOldPen = p;
    FOldBrush = b;
  }
}

void TCanvas::DeselectObjects() {
  if (!FHandle || !FOldFont) return;
  SelectObject(FHandle, FOldFont);
  SelectObject(FHandle, FOldPen);
  SelectObject(FHandle, FOldBrush);
  FOldFont = FOldPen = FOldBrush = nullptr;
}

HDC TCanvas::RequiredHandle() {
  if (!FHandle) CreateHandle();
  if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
  return FHandle;
}

HDC TCanvas::Handle() {
  HDC dc = RequiredHandle();
  SelectObjects(dc);
  return dc;
}

void TCanvas::TextColors(HDC DC) {
  SetTextColor(DC, ColorToRGB(FFont.Color()));
  if (FBrush.Style() == TBrushStyle::bsClear) {
    SetBkMode(DC, TRANSPARENT);
  } else {
    SetBkMode(DC, OPAQUE);
    SetBkColor(DC, ColorToRGB(FBrush.Color()));
  }
}

void TCanvas::MoveTo(int X, int Y) {
  MoveToEx(Handle(), X, Y, nullptr);
  FPenPos = Point(X, Y);
}

void TCanvas::LineTo(int X, int Y) {
  HDC dc = Handle();
  MoveToEx(dc, FPenPos.x, FPenPos.y, nullptr);
  ::LineTo(dc, X, Y);
  FPenPos = Point(X, Y);
}

void TCanvas::FillRect(const TRect& R) { ::FillRect(Handle(), &R, FBrush.Handle()); }

void TCanvas::FrameRect(const TRect& R) { ::FrameRect(Handle(), &R, FBrush.Handle()); }

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) { ::Rectangle(Handle(), X1, Y1, X2, Y2); }

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) { ::Ellipse(Handle(), X1, Y1, X2, Y2); }

void TCanvas::TextOut(int X, int Y, const std::string& Text) {
  HDC dc = Handle();
  TextColors(dc);
  ::TextOutA(dc, X, Y, Text.c_str(), static_cast<int>(Text.size()));
  FPenPos = Point(X + TextWidth(Text), Y);
}

void TCanvas::TextRect(const TRect& R, int X, int Y, const std::string& Text) {
  HDC dc = Handle();
  TextColors(dc);
  UINT opts = ETO_CLIPPED | (FBrush.Style() == TBrushStyle::bsClear ? 0u : static_cast<UINT>(ETO_OPAQUE));
  ExtTextOutA(dc, X, Y, opts, &R, Text.c_str(), static_cast<UINT>(Text.size()), nullptr);
}

void TCanvas::TextRect(TRect& R, const std::string& Text, UINT Format) {
  HDC dc = Handle();
  TextColors(dc);
  DrawTextA(dc, Text.c_str(), static_cast<int>(Text.size()), &R, Format);
}

SIZE TCanvas::TextExtent(const std::string& Text) {
  SIZE s{0, 0};
  GetTextExtentPoint32A(Handle(), Text.c_str(), static_cast<int>(Text.size()), &s);
  return s;
}

namespace {
// A memory context holding a bitmap for the length of one copy.
class TBitmapSource {
public:
  TBitmapSource(HDC Compatible, HBITMAP Bitmap) : FDC(CreateCompatibleDC(Compatible)) {
    FOld = SelectObject(FDC, Bitmap);
  }
  ~TBitmapSource() {
    SelectObject(FDC, FOld);
    DeleteDC(FDC);
  }
  TBitmapSource(const TBitmapSource&) = delete;
  TBitmapSource& operator=(const TBitmapSource&) = delete;
  HDC DC() const { return FDC; }

private:
  HDC FDC;
  HGDIOBJ FOld;
};
}  // namespace

void TCanvas::Draw(int X, int Y, TBitmap* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  HDC dc = Handle();
  TBitmapSource src(dc, Graphic->Handle());
  BitBlt(dc, X, Y, Graphic->Width(), Graphic->Height(), src.DC(), 0, 0, SRCCOPY);
}

void TCanvas::Draw(int X, int Y, TIcon* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  DrawIconEx(Handle(), X, Y, Graphic->Handle(), 0, 0, 0, nullptr, DI_NORMAL);
}

void TCanvas::StretchDraw(const TRect& R, TBitmap* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  HDC dc = Handle();
  TBitmapSource src(dc, Graphic->Handle());
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, R.left, R.top, R.right - R.left, R.bottom - R.top, src.DC(), 0, 0, Graphic->Width(),
             Graphic->Height(), SRCCOPY);
}

void TCanvas::CopyRect(const TRect& Dest, TCanvas* Source, const TRect& SourceRect) {
  HDC dc = Handle();
  HDC src = Source->Handle();
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, src, SourceRect.left,
             SourceRect.top, SourceRect.right - SourceRect.left, SourceRect.bottom - SourceRect.top, SRCCOPY);
}

TColor TCanvas::Pixels(int X, int Y) { return GetPixel(Handle(), X, Y); }

void TCanvas::SetPixels(int X, int Y, TColor Value) { SetPixel(Handle(), X, Y, ColorToRGB(Value)); }

// ---- TIcon ---------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TIcon, TPersistent)

void TIcon::SetHandle(HICON Value) {
  if (Value == FHandle.Get()) return;
  FHandle.Reset(Value);
  if (OnChange) OnChange(this);
}

namespace {
SIZE IconSize(HICON h) {
  SIZE s{0, 0};
  ICONINFO ii;
  if (!h || !GetIconInfo(h, &ii)) return s;
  BITMAP bm;
  if (GetObjectA(ii.hbmMask, sizeof bm, &bm)) {
    s.cx = bm.bmWidth;
    s.cy = ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
  }
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  if (ii.hbmMask) DeleteObject(ii.hbmMask);
  return s;
}
}  // namespace

int TIcon::Width() const { return IconSize(Handle()).cx; }
int TIcon::Height() const { return IconSize(Handle()).cy; }

void TIcon::LoadFromResourceName(HINSTANCE Instance, const std::string& Name) {
  HANDLE h = LoadImageA(Instance, Name.c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
  if (!h) throw EResNotFound("Resource " + Name + " not found");
  SetHandle(static_cast<HICON>(h));
}

void TIcon::LoadFromResourceID(HINSTANCE Instance, int ResID) {
  HANDLE h = LoadImageA(Instance, MAKEINTRESOURCEA(ResID), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE);
  if (!h) throw EResNotFound("Resource " + IntToStr(ResID) + " not found");
  SetHandle(static_cast<HICON>(h));
}

void TIcon::Assign(TPersistent* Source) {
  if (auto* i = dynamic_cast<TIcon*>(Source)) {
    if (i == this) return;
    SetHandle(i->Empty() ? nullptr : CopyIcon(i->Handle()));
    return;
  }
  if (!Source) {
    SetHandle(nullptr);
    return;
  }
  TPersistent::Assign(Source);
}

// ---- TBitmap -------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TBitmap, TPersistent)

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value != Handle()) FHandle.Reset(Value);
}

int TBitmap::Width() const {
  BITMAP bm;
  return Handle() && GetObjectA(Handle(), sizeof bm, &bm) ? bm.bmWidth : 0;
}

int TBitmap::Height() const {
  BITMAP bm;
  return Handle() && GetObjectA(Handle(), sizeof bm, &bm) ? bm.bmHeight : 0;
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = AWidth;
  bi.bmiHeader.biHeight = -AHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!h) throw EOutOfMemory("Out of system resources");
  SetHandle(h);
}

void TBitmap::LoadFromResourceName(HINSTANCE Instance, const std::string& Name) {
  HANDLE h = LoadImageA(Instance, Name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!h) throw EResNotFound("Resource " + Name + " not found");
  SetHandle(static_cast<HBITMAP>(h));
}

void TBitmap::LoadFromResourceID(HINSTANCE Instance, int ResID) {
  HANDLE h = LoadImageA(Instance, MAKEINTRESOURCEA(ResID), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!h) throw EResNotFound("Resource " + IntToStr(ResID) + " not found");
  SetHandle(static_cast<HBITMAP>(h));
}

void TBitmap::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this) return;
    SetHandle(b->Empty() ? nullptr
                         : static_cast<HBITMAP>(CopyImage(b->Handle(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    return;
  }
  if (!Source) {
    SetHandle(nullptr);
    return;
  }
  TPersistent::Assign(Source);
}

// ---- Colour names ----

namespace {
struct TColorName {
  TColor Color;
  const char* Name;
};
const TColorName ColorNames[] = {
    {0x000000, "clBlack"},       {0x000080, "clMaroon"},       {0x008000, "clGreen"},
    {0x008080, "clOlive"},       {0x800000, "clNavy"},         {0x800080, "clPurple"},
    {0x808000, "clTeal"},        {0x808080, "clGray"},         {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"},         {0x00FF00, "clLime"},         {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},        {0xFF00FF, "clFuchsia"},      {0xFFFF00, "clAqua"},
    {0xFFFFFF, "clWhite"},       {0xC0DCC0, "clMoneyGreen"},   {0xF0CAA6, "clSkyBlue"},
    {0xF0FBFF, "clCream"},       {0xA4A0A0, "clMedGray"},
    {0x80000000, "clScrollBar"}, {0x80000001, "clBackground"}, {0x80000002, "clActiveCaption"},
    {0x80000003, "clInactiveCaption"}, {0x80000004, "clMenu"}, {0x80000005, "clWindow"},
    {0x80000006, "clWindowFrame"}, {0x80000007, "clMenuText"}, {0x80000008, "clWindowText"},
    {0x80000009, "clCaptionText"}, {0x8000000A, "clActiveBorder"},
    {0x8000000B, "clInactiveBorder"}, {0x8000000C, "clAppWorkSpace"},
    {0x8000000D, "clHighlight"}, {0x8000000E, "clHighlightText"}, {0x8000000F, "clBtnFace"},
    {0x80000010, "clBtnShadow"}, {0x80000011, "clGrayText"}, {0x80000012, "clBtnText"},
    {0x80000013, "clInactiveCaptionText"}, {0x80000014, "clBtnHighlight"},
    {0x80000015, "cl3DDkShadow"}, {0x80000016, "cl3DLight"}, {0x80000017, "clInfoText"},
    {0x80000018, "clInfoBk"},    {0x1FFFFFFF, "clNone"},       {0x20000000, "clDefault"},
};
}  // namespace

std::string ColorToString(TColor Color) {
  for (const TColorName& c : ColorNames)
    if (c.Color == Color) return c.Name;
  return Format("$%.8X", Color);
}

TColor StringToColor(const std::string& S) {
  for (const TColorName& c : ColorNames)
    if (SameText(c.Name, S)) return c.Color;
  int v = 0;
  if (!TryStrToInt(S, v)) throw EConvertError("'" + S + "' is not a valid colour");
  return static_cast<TColor>(v);
}
