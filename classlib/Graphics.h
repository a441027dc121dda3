// Colours, fonts, pens, brushes, canvases, icons, bitmaps and pictures.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "classlib/Classes.h"
#include "classlib/PictureCodecs.h"

CLASSLIB_EXCEPTION(EResNotFound, Exception);

// Rectangles and points as the system has them.
using TRect = RECT;
using TPoint = POINT;
inline TRect Rect(int Left, int Top, int Right, int Bottom) { return RECT{Left, Top, Right, Bottom}; }
inline TRect Bounds(int Left, int Top, int Width, int Height) { return RECT{Left, Top, Left + Width, Top + Height}; }
inline TPoint Point(int X, int Y) { return POINT{X, Y}; }

// A colour: red in the low byte, as COLORREF; values with the high bit set
// name a system colour (its index in the low byte).
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clOlive = 0x008080;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clActiveCaption = 0x80000002;
constexpr TColor clMenu = 0x80000004;
constexpr TColor clWindow = 0x80000005;
constexpr TColor clWindowFrame = 0x80000006;
constexpr TColor clMenuText = 0x80000007;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clHighlight = 0x8000000D;
constexpr TColor clHighlightText = 0x8000000E;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clBtnShadow = 0x80000010;
constexpr TColor clGrayText = 0x80000011;
constexpr TColor clBtnText = 0x80000012;
constexpr TColor clBtnHighlight = 0x80000014;
constexpr TColor clInfoBk = 0x80000018;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
COLORREF ColorToRGB(TColor Color);
// Colour text of the class library: the name of a colour constant ("clRed",
// "clWindowText") or "$" and eight hexadecimal digits. StringToColor takes a
// name (any case) or a decimal or "$" number; EConvertError otherwise.
std::string ColorToString(TColor Color);
TColor StringToColor(const std::string& S);

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum class TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont : public TPersistent {
  DECLARE_CLASSINFO(TFont)
public:
  TFont();
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  int Size() const;   // points at the screen's pixels per inch
  void SetSize(int Value);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);
  // The character set asked of the system (DEFAULT_CHARSET: the system's own).
  uint8_t Charset() const { return FCharset; }
  void SetCharset(uint8_t Value);
  HFONT Handle();     // made when first needed, remade after a change
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

private:
  void Changed();
  TColor FColor = clWindowText;
  TFontStyles FStyle;
  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  TFontPitch FPitch = TFontPitch::fpDefault;
  uint8_t FCharset = DEFAULT_CHARSET;
  TGdiObject FHandle;
};

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };

class TPen : public TPersistent {
  DECLARE_CLASSINFO(TPen)
public:
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  HPEN Handle();   // made when first needed, remade after a change
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

private:
  void Changed();
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = TPenStyle::psSolid;
  TGdiObject FHandle;
};

enum class TBrushStyle { bsSolid, bsClear };

class TBrush : public TPersistent {
  DECLARE_CLASSINFO(TBrush)
public:
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle Value);
  HBRUSH Handle();   // a hollow brush for bsClear
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

private:
  void Changed();
  TColor FColor = clWhite;
  TBrushStyle FStyle = TBrushStyle::bsSolid;
  TGdiObject FHandle;
};

class TGraphic;
class TIcon;

// Drawing on a device context it was handed: the canvas selects its font,
// pen and brush into it when it draws and selects the context's own objects
// back when it lets go of it (SetHandle, or freeing the canvas). It never
// frees the context. A canvas that makes its own context (a bitmap's)
// overrides CreateHandle, which runs when a drawing call finds none.
class TCanvas : public TPersistent {
  DECLARE_CLASSINFO(TCanvas)
public:
  TCanvas();
  explicit TCanvas(HDC DC);
  ~TCanvas() override;

  HDC Handle();   // with the canvas's objects selected
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }
  TFont* Font() { return &FFont; }
  TPen* Pen() { return &FPen; }
  TBrush* Brush() { return &FBrush; }
  void SetFont(TFont* Value) { FFont.Assign(Value); }
  TPoint PenPos() const { return FPenPos; }

  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  void FillRect(const TRect& R);     // with the brush
  void FrameRect(const TRect& R);    // one-pixel frame in the brush colour
  void Rectangle(int X1, int Y1, int X2, int Y2);   // pen outline, brush inside
  void Rectangle(const TRect& R) { Rectangle(R.left, R.top, R.right, R.bottom); }
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void TextOut(int X, int Y, const std::string& Text);
  void TextRect(const TRect& R, int X, int Y, const std::string& Text);   // clipped to R
  void TextRect(TRect& R, const std::string& Text, UINT Format);   // DrawText flags (DT_CALCRECT sets R)
  SIZE TextExtent(const std::string& Text);
  int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
  int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }
  void Draw(int X, int Y, TGraphic* Graphic);
  void Draw(int X, int Y, TIcon* Graphic);
  void StretchDraw(const TRect& R, TGraphic* Graphic);
  void CopyRect(const TRect& Dest, TCanvas* Source, const TRect& SourceRect);
  TColor Pixels(int X, int Y);
  void SetPixels(int X, int Y, TColor Value);

protected:
  virtual void CreateHandle() {}
  HDC RequiredHandle();   // a context, made by CreateHandle when needed; EInvalidOperation without

private:
  void SelectObjects(HDC DC);
  void DeselectObjects();
  void TextColors(HDC DC);
  HDC FHandle = nullptr;
  TFont FFont;
  TPen FPen;
  TBrush FBrush;
  TPoint FPenPos{0, 0};
  HGDIOBJ FOldFont = nullptr, FOldPen = nullptr, FOldBrush = nullptr;   // the context's own
};

struct TIconTraits {
  static HICON Invalid() { return nullptr; }
  static void Close(HICON h) { DestroyIcon(h); }
};
using TIconHandle = TOwnedHandle<HICON, TIconTraits>;

// An owned icon handle; Assign copies the other icon's image.
class TIcon : public TPersistent {
  DECLARE_CLASSINFO(TIcon)
public:
  HICON Handle() const { return FHandle.Get(); }
  void SetHandle(HICON Value);   // takes ownership
  HICON ReleaseHandle() { return FHandle.Release(); }
  bool Empty() const { return !FHandle.Valid(); }
  int Width() const;
  int Height() const;
  void LoadFromResourceName(HINSTANCE Instance, const std::string& Name);
  void LoadFromResourceID(HINSTANCE Instance, int ResID);
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

private:
  TIconHandle FHandle;
};

// A picture of some file format: drawn on a canvas, read from and written
// to streams and files.
class TGraphic : public TPersistent {
  DECLARE_CLASSINFO(TGraphic)
public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual void SetHeight(int Value) = 0;
  // From the stream's position; a picture that knows its length leaves the
  // stream after it. The picture error (EInvalidGraphic) for bad data.
  virtual void LoadFromStream(TStream& Stream) = 0;
  virtual void SaveToStream(TStream& Stream) = 0;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  // Drawn without the pixels of its transparent colour: a bitmap leaves out
  // the colour of its bottom-left pixel; other formats draw whole.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  TNotifyEvent OnChange;

protected:
  friend class TCanvas;
  friend class TBitmap;
  bool FTransparent = false;
  // Stretched over Rect.
  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
  virtual void Changed();
  void AssignTo(TPersistent* Dest) override;   // a bitmap: drawn into it
};
using TGraphicClass = TClass;

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

class TBitmapCanvas;

// A bitmap: a bottom-up device-independent bitmap section (or a device
// bitmap handed over through SetHandle). New pictures are made in PixelFormat (32 bits
// unless set), black; resizing keeps what still fits. Bitmap files are read
// and written by LoadFromStream and SaveToStream.
class TBitmap : public TGraphic {
  DECLARE_CLASSINFO(TBitmap)
public:
  TBitmap();
  ~TBitmap() override;
  // The handle, no longer selected into the canvas's context.
  HBITMAP Handle() const;
  void SetHandle(HBITMAP Value);   // takes ownership
  HBITMAP ReleaseHandle();
  bool Empty() const override { return !FHandle.Valid(); }
  int Width() const override;
  int Height() const override;
  void SetWidth(int Value) override { SetSize(Value, Height()); }
  void SetHeight(int Value) override { SetSize(Width(), Value); }
  void SetSize(int AWidth, int AHeight);
  TPixelFormat PixelFormat() const;
  // Converts the picture; pfCustom raises EInvalidGraphic.
  void SetPixelFormat(TPixelFormat Value);
  // Row Y of the picture (0 the top) as its pixel format lays it out; a
  // device bitmap becomes a 32-bit section first.
  void* ScanLine(int Y);
  TCanvas* Canvas();
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) override;
  void LoadFromResourceName(HINSTANCE Instance, const std::string& Name);
  void LoadFromResourceID(HINSTANCE Instance, int ResID);
  void Assign(TPersistent* Source) override;   // a bitmap, any graphic (drawn), a picture, or nil

protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

private:
  friend class TBitmapCanvas;
  void FreeContext() const;
  void NewImage(HBITMAP Value);
  TDibImage ToDib() const;
  void FromDib(const TDibImage& Image);
  TGdiObject FHandle;
  TPixelFormat FPixelFormat = TPixelFormat::pf32bit;
  std::unique_ptr<TBitmapCanvas> FCanvas;
};

// Holds one graphic of any registered format, chosen by the file extension
// when a file is loaded. The class library registers "bmp"; other formats
// register from their unit's start-up.
class TPicture : public TPersistent {
  DECLARE_CLASSINFO(TPicture)
public:
  TPicture();
  ~TPicture() override;
  TGraphic* Graphic() const { return FGraphic.get(); }
  void SetGraphic(TGraphic* Value);   // a copy of Value; nil empties the picture
  TBitmap* Bitmap();                  // the graphic, made an (empty) bitmap unless it is one
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }
  // EInvalidGraphic "Unknown picture file extension (.xyz)" when no format
  // is registered for the extension.
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  void Assign(TPersistent* Source) override;   // a picture, a graphic or nil
  TNotifyEvent OnChange;

  struct TFileFormat {
    std::string Extension;   // lower case, without the dot
    std::string Description;
    TGraphicClass GraphicClass;
    std::unique_ptr<TGraphic> (*Create)();
  };
  // Registers T for an extension (replacing an earlier registration of it).
  template <typename T>
  static void RegisterFileFormat(const std::string& Extension, const std::string& Description) {
    RegisterFileFormat({LowerCase(Extension), Description, T::StaticClass(),
                        [] { return std::unique_ptr<TGraphic>(new T); }});
  }
  static void UnregisterGraphicClass(TGraphicClass AClass);
  static const std::vector<TFileFormat>& FileFormats();   // in registration order
  static std::unique_ptr<TGraphic> NewGraphic(TGraphicClass AClass);   // null when not registered

private:
  static void RegisterFileFormat(TFileFormat Format);
  void Changed(TObject* Sender);
  std::unique_ptr<TGraphic> FGraphic;
};
