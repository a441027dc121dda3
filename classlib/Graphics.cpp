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

void TFont::Changed() {
  FHandle.Reset();
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
