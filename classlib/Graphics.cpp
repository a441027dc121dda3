#include "classlib/Graphics.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "classlib/WinHandles.h"

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

void TFont::SetPitch(TFontPitch Value) {
  if (Value == FPitch) return;
  FPitch = Value;
  Changed();
}

void TFont::SetCharset(uint8_t Value) {
  if (Value == FCharset) return;
  FCharset = Value;
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
    lf.lfCharSet = FCharset;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = FPitch == TFontPitch::fpFixed      ? FIXED_PITCH
                          : FPitch == TFontPitch::fpVariable ? VARIABLE_PITCH
                                                             : DEFAULT_PITCH;
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
    FPitch = f->FPitch;
    FCharset = f->FCharset;
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

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Graphic->Draw(this, Bounds(X, Y, Graphic->Width(), Graphic->Height()));
}

void TCanvas::Draw(int X, int Y, TIcon* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  DrawIconEx(Handle(), X, Y, Graphic->Handle(), 0, 0, 0, nullptr, DI_NORMAL);
}

void TCanvas::StretchDraw(const TRect& R, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Graphic->Draw(this, R);
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

// ---- TGraphic ------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGraphic, TPersistent)

void TGraphic::Changed() {
  if (OnChange) OnChange(this);
}

void TGraphic::SetTransparent(bool Value) {
  if (Value == FTransparent) return;
  FTransparent = Value;
  Changed();
}

void TGraphic::LoadFromFile(const std::string& FileName) {
  TFileStream s(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(s);
}

void TGraphic::SaveToFile(const std::string& FileName) {
  TFileStream s(FileName, fmCreate);
  SaveToStream(s);
}

void TGraphic::AssignTo(TPersistent* Dest) {
  if (auto* b = dynamic_cast<TBitmap*>(Dest)) {   // any picture becomes a bitmap by drawing it
    b->SetSize(Width(), Height());
    if (!Empty()) b->Canvas()->Draw(0, 0, this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

// ---- TBitmap -------------------------------------------------------------------

// The bitmap's own drawing context, made when the canvas first draws and
// given up whenever the bitmap's handle is asked for or replaced.
class TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap* ABitmap) : FBitmap(ABitmap) {}
  ~TBitmapCanvas() override { FreeContext(); }
  HDC DC() const { return FDC; }
  void FreeContext() {
    if (!FDC) return;
    SetHandle(nullptr);
    SelectObject(FDC, FOldBitmap);
    DeleteDC(FDC);
    FDC = nullptr;
  }

protected:
  void CreateHandle() override {
    FDC = CreateCompatibleDC(nullptr);
    FOldBitmap = FBitmap->Empty() ? nullptr : SelectObject(FDC, FBitmap->FHandle.Get());
    SetHandle(FDC);
  }

private:
  TBitmap* FBitmap;
  HDC FDC = nullptr;
  HGDIOBJ FOldBitmap = nullptr;
};

namespace {
bool GetDib(HBITMAP H, DIBSECTION& Ds) {
  return H && GetObjectA(H, sizeof Ds, &Ds) == static_cast<int>(sizeof Ds) && Ds.dsBm.bmBits;
}

int BitsOf(TPixelFormat F) {
  switch (F) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
    default: return 0;
  }
}

TPixelFormat FormatOf(int Bits, bool Rgb565) {
  switch (Bits) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 16: return Rgb565 ? TPixelFormat::pf16bit : TPixelFormat::pf15bit;
    case 24: return TPixelFormat::pf24bit;
    case 32: return TPixelFormat::pf32bit;
    default: return TPixelFormat::pfCustom;
  }
}

// A black or grey-ramp palette for a new paletted picture.
std::vector<uint32_t> DefaultPalette(int Bits) {
  std::vector<uint32_t> p(Bits <= 8 ? size_t(1) << Bits : 0);
  for (size_t i = 0; i < p.size(); ++i) {
    const uint32_t v = static_cast<uint32_t>(i * 255 / (p.size() - 1));
    p[i] = v | v << 8 | v << 16;
  }
  return p;
}

// A new section of that layout, zeroed (black with these palettes). Sections
// are bottom-up, as LoadImage makes them: the system does not say which way
// a section runs (its header reports a positive height either way).
HBITMAP CreateSection(int Width, int Height, int Bits, bool Rgb565, const std::vector<uint32_t>& Palette,
                      void** Pixels) {
  struct {
    BITMAPINFOHEADER Header;
    uint32_t Colors[256];
  } bi{};
  bi.Header.biSize = sizeof bi.Header;
  bi.Header.biWidth = Width;
  bi.Header.biHeight = Height;
  bi.Header.biPlanes = 1;
  bi.Header.biBitCount = static_cast<WORD>(Bits);
  bi.Header.biCompression = Rgb565 ? BI_BITFIELDS : BI_RGB;
  if (Rgb565) {
    bi.Colors[0] = 0xF800;
    bi.Colors[1] = 0x7E0;
    bi.Colors[2] = 0x1F;
  }
  for (size_t i = 0; i < Palette.size() && i < 256; ++i) bi.Colors[i] = Palette[i];
  bi.Header.biClrUsed = static_cast<DWORD>(Palette.size());
  void* bits = nullptr;
  HBITMAP h = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!h) throw EOutOfMemory("Out of system resources");
  if (Pixels) *Pixels = bits;
  return h;
}

std::vector<uint32_t> PaletteOf(HBITMAP H, int Bits) {
  std::vector<uint32_t> p(size_t(1) << Bits);
  TMemoryDC dc;
  dc.Select(H);
  GetDIBColorTable(dc.Get(), 0, static_cast<UINT>(p.size()), reinterpret_cast<RGBQUAD*>(p.data()));
  return p;
}

// A picture of format F and that size, black.
HBITMAP MakeImage(TPixelFormat F, int Width, int Height, const std::vector<uint32_t>* Palette) {
  if (F == TPixelFormat::pfDevice) {
    HDC screen = GetDC(nullptr);
    HBITMAP h = CreateCompatibleBitmap(screen, Width, Height);
    ReleaseDC(nullptr, screen);
    if (!h) throw EOutOfMemory("Out of system resources");
    TMemoryDC dc;
    dc.Select(h);
    PatBlt(dc.Get(), 0, 0, Width, Height, BLACKNESS);
    return h;
  }
  const int bits = BitsOf(F);
  if (!bits) throw EInvalidGraphic("Unsupported pixel format");
  return CreateSection(Width, Height, bits, F == TPixelFormat::pf16bit,
                       Palette && bits <= 8 ? *Palette : DefaultPalette(bits), nullptr);
}

// Copies what overlaps of Source (top-left aligned) into Dest.
void CopyImage(HBITMAP Dest, HBITMAP Source, int Width, int Height) {
  TMemoryDC d, s;
  d.Select(Dest);
  s.Select(Source);
  BitBlt(d.Get(), 0, 0, Width, Height, s.Get(), 0, 0, SRCCOPY);
}
}  // namespace

IMPLEMENT_CLASSINFO(TBitmap, TGraphic)

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() { FreeContext(); }

void TBitmap::FreeContext() const {
  if (FCanvas) FCanvas->FreeContext();
}

HBITMAP TBitmap::Handle() const {
  FreeContext();
  return static_cast<HBITMAP>(FHandle.Get());
}

void TBitmap::NewImage(HBITMAP Value) {
  FreeContext();
  FHandle.Reset(Value);
  Changed();
}

void TBitmap::SetHandle(HBITMAP Value) {
  if (Value != FHandle.Get()) NewImage(Value);
}

HBITMAP TBitmap::ReleaseHandle() {
  FreeContext();
  return static_cast<HBITMAP>(FHandle.Release());
}

int TBitmap::Width() const {
  BITMAP bm;
  return FHandle && GetObjectA(FHandle.Get(), sizeof bm, &bm) ? bm.bmWidth : 0;
}

int TBitmap::Height() const {
  BITMAP bm;
  return FHandle && GetObjectA(FHandle.Get(), sizeof bm, &bm) ? std::abs(bm.bmHeight) : 0;
}

TPixelFormat TBitmap::PixelFormat() const {
  if (!FHandle) return FPixelFormat;
  DIBSECTION ds;
  if (!GetDib(static_cast<HBITMAP>(FHandle.Get()), ds)) return TPixelFormat::pfDevice;
  return FormatOf(ds.dsBm.bmBitsPixel, ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[1] == 0x7E0);
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == TPixelFormat::pfCustom) throw EInvalidGraphic("Unsupported pixel format");
  FPixelFormat = Value;
  if (Empty() || Value == PixelFormat()) return;
  const int w = Width(), h = Height();
  HBITMAP n = MakeImage(Value, w, h, nullptr);
  CopyImage(n, Handle(), w, h);
  NewImage(n);
}

void TBitmap::SetSize(int AWidth, int AHeight) {
  if (AWidth <= 0 || AHeight <= 0) {
    FPixelFormat = PixelFormat();
    SetHandle(nullptr);
    return;
  }
  if (!Empty() && AWidth == Width() && AHeight == Height()) return;
  const TPixelFormat f = PixelFormat();
  std::vector<uint32_t> palette;
  if (!Empty() && BitsOf(f) <= 8 && f != TPixelFormat::pfDevice) palette = PaletteOf(Handle(), BitsOf(f));
  HBITMAP n = MakeImage(f, AWidth, AHeight, palette.empty() ? nullptr : &palette);
  if (!Empty()) CopyImage(n, Handle(), std::min(AWidth, Width()), std::min(AHeight, Height()));
  NewImage(n);
}

void* TBitmap::ScanLine(int Y) {
  if (Empty() || Y < 0 || Y >= Height()) throw EInvalidGraphic("Scan line index out of range");
  DIBSECTION ds;
  if (!GetDib(static_cast<HBITMAP>(FHandle.Get()), ds)) {
    SetPixelFormat(TPixelFormat::pf32bit);
    GetDib(static_cast<HBITMAP>(FHandle.Get()), ds);
  }
  GdiFlush();
  const int row = ds.dsBm.bmHeight - 1 - Y;
  return static_cast<uint8_t*>(ds.dsBm.bmBits) + static_cast<size_t>(row) * ds.dsBm.bmWidthBytes;
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
  return FCanvas.get();
}

TDibImage TBitmap::ToDib() const {
  TDibImage r;
  if (Empty()) return r;
  HBITMAP h = Handle();
  DIBSECTION ds;
  if (GetDib(h, ds)) {
    GdiFlush();
    const int bits = ds.dsBm.bmBitsPixel;
    r.Allocate(ds.dsBm.bmWidth, std::abs(ds.dsBm.bmHeight), bits);
    r.Rgb565 = bits == 16 && ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[1] == 0x7E0;
    if (bits <= 8) r.Palette = PaletteOf(h, bits);
    for (int y = 0; y < r.Height; ++y)
      std::memcpy(r.Row(y),
                  static_cast<const uint8_t*>(ds.dsBm.bmBits) + static_cast<size_t>(r.Height - 1 - y) * ds.dsBm.bmWidthBytes,
                  r.Stride);
    return r;
  }
  r.Allocate(Width(), Height(), 32);   // a device bitmap: its 32-bit image
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = r.Width;
  bi.bmiHeader.biHeight = -r.Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, h, 0, static_cast<UINT>(r.Height), r.Pixels.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return r;
}

void TBitmap::FromDib(const TDibImage& Image) {
  void* bits = nullptr;
  HBITMAP h = CreateSection(Image.Width, Image.Height, Image.BitCount, Image.Rgb565, Image.Palette, &bits);
  for (int y = 0; y < Image.Height; ++y)
    std::memcpy(static_cast<uint8_t*>(bits) + static_cast<size_t>(Image.Height - 1 - y) * Image.Stride, Image.Row(y),
                Image.Stride);
  FPixelFormat = FormatOf(Image.BitCount, Image.Rgb565);
  NewImage(h);
}

void TBitmap::LoadFromStream(TStream& Stream) {
  const int64_t available = Stream.Size() - Stream.Position();
  uint8_t header[14];
  if (available < static_cast<int64_t>(sizeof header)) throw EInvalidGraphic("Bitmap image is not valid");
  Stream.ReadBuffer(header, sizeof header);
  const uint32_t fileSize = uint32_t(header[2]) | uint32_t(header[3]) << 8 | uint32_t(header[4]) << 16 |
                            uint32_t(header[5]) << 24;
  if (fileSize < sizeof header || fileSize > available) throw EInvalidGraphic("Bitmap image is not valid");
  std::vector<uint8_t> data(fileSize);
  std::memcpy(data.data(), header, sizeof header);
  Stream.ReadBuffer(data.data() + sizeof header, fileSize - sizeof header);
  size_t used = 0;
  FromDib(ReadBitmapFile(data.data(), data.size(), used));
}

void TBitmap::SaveToStream(TStream& Stream) {
  if (Empty()) return;
  const std::string file = WriteBitmapFile(ToDib());
  Stream.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
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
    FTransparent = b->FTransparent;
    if (b->Empty()) {
      FPixelFormat = b->FPixelFormat;
      SetHandle(nullptr);
    } else if (b->PixelFormat() == TPixelFormat::pfDevice) {
      HBITMAP n = MakeImage(TPixelFormat::pfDevice, b->Width(), b->Height(), nullptr);
      CopyImage(n, b->Handle(), b->Width(), b->Height());
      NewImage(n);
    } else {
      FromDib(b->ToDib());
    }
    return;
  }
  if (auto* p = dynamic_cast<TPicture*>(Source)) {
    if (p->Graphic()) Assign(p->Graphic());
    else SetHandle(nullptr);
    return;
  }
  if (!Source) {
    SetHandle(nullptr);
    return;
  }
  TPersistent::Assign(Source);
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (Empty()) return;
  HDC dc = ACanvas->Handle();
  SetStretchBltMode(dc, COLORONCOLOR);
  auto blit = [&](HDC From) {
    if (FTransparent)
      GdiTransparentBlt(dc, Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top, From, 0, 0, Width(),
                        Height(), GetPixel(From, 0, Height() - 1));
    else
      StretchBlt(dc, Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top, From, 0, 0, Width(),
                 Height(), SRCCOPY);
  };
  if (FCanvas && FCanvas->DC()) {   // the bitmap is selected into its own context
    blit(FCanvas->DC());
    return;
  }
  TBitmapSource src(dc, static_cast<HBITMAP>(FHandle.Get()));
  blit(src.DC());
}

// ---- TPicture ------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TPicture, TPersistent)

namespace {
std::vector<TPicture::TFileFormat>& Formats() {
  static std::vector<TPicture::TFileFormat> f{
      {"bmp", "Bitmaps", TBitmap::StaticClass(), [] { return std::unique_ptr<TGraphic>(new TBitmap); }}};
  return f;
}

std::string ExtensionOf(const std::string& FileName) {
  const size_t dot = FileName.find_last_of('.');
  const size_t sep = FileName.find_last_of("\\/:");
  if (dot == std::string::npos || (sep != std::string::npos && sep > dot)) return {};
  return LowerCase(FileName.substr(dot + 1));
}
}  // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(TFileFormat Format) {
  for (TFileFormat& f : Formats())
    if (f.Extension == Format.Extension) {
      f = std::move(Format);
      return;
    }
  Formats().push_back(std::move(Format));
}

void TPicture::UnregisterGraphicClass(TGraphicClass AClass) {
  auto& f = Formats();
  f.erase(std::remove_if(f.begin(), f.end(), [&](const TFileFormat& x) { return x.GraphicClass == AClass; }), f.end());
}

const std::vector<TPicture::TFileFormat>& TPicture::FileFormats() { return Formats(); }

std::unique_ptr<TGraphic> TPicture::NewGraphic(TGraphicClass AClass) {
  for (const TFileFormat& f : Formats())
    if (f.GraphicClass == AClass) return f.Create();
  return nullptr;
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(TGraphic* Value) {
  if (Value == FGraphic.get()) return;
  std::unique_ptr<TGraphic> g;
  if (Value) {
    g = NewGraphic(Value->ClassType());
    if (!g) throw EInvalidGraphic("Unsupported picture class " + Value->ClassName());
    g->Assign(Value);
    g->OnChange = [this](TObject* Sender) { Changed(Sender); };
  }
  FGraphic = std::move(g);
  Changed(this);
}

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic.get())) {
    FGraphic = std::make_unique<TBitmap>();
    FGraphic->OnChange = [this](TObject* Sender) { Changed(Sender); };
    Changed(this);
  }
  return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::LoadFromFile(const std::string& FileName) {
  const std::string ext = ExtensionOf(FileName);
  const TFileFormat* format = nullptr;
  for (const TFileFormat& f : Formats())
    if (f.Extension == ext) format = &f;
  if (!format) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  std::unique_ptr<TGraphic> g = format->Create();
  g->LoadFromFile(FileName);
  g->OnChange = [this](TObject* Sender) { Changed(Sender); };
  FGraphic = std::move(g);
  Changed(this);
}

void TPicture::SaveToFile(const std::string& FileName) {
  if (FGraphic) FGraphic->SaveToFile(FileName);
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) SetGraphic(nullptr);
  else if (auto* p = dynamic_cast<TPicture*>(Source)) SetGraphic(p->Graphic());
  else if (auto* g = dynamic_cast<TGraphic*>(Source)) SetGraphic(g);
  else TPersistent::Assign(Source);
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
