// Colours, fonts, icons and bitmaps.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "classlib/Classes.h"

CLASSLIB_EXCEPTION(EResNotFound, Exception);

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
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clWindow = 0x80000005;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clNone = 0x1FFFFFFF;
COLORREF ColorToRGB(TColor Color);
// Colour text of the class library: the name of a colour constant ("clRed",
// "clWindowText") or "$" and eight hexadecimal digits. StringToColor takes a
// name (any case) or a decimal or "$" number; EConvertError otherwise.
std::string ColorToString(TColor Color);
TColor StringToColor(const std::string& S);

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

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
  HFONT Handle();     // made when first needed, remade after a change
  void Assign(TPersistent* Source) override;
  TNotifyEvent OnChange;

private:
  void Changed();
  TColor FColor = clWindowText;
  TFontStyles FStyle;
  std::string FName = "MS Sans Serif";
  int FHeight = -11;
  TGdiObject FHandle;
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

// An owned bitmap handle.
class TBitmap : public TPersistent {
  DECLARE_CLASSINFO(TBitmap)
public:
  HBITMAP Handle() const { return static_cast<HBITMAP>(FHandle.Get()); }
  void SetHandle(HBITMAP Value);   // takes ownership
  bool Empty() const { return !FHandle.Valid(); }
  int Width() const;
  int Height() const;
  void SetSize(int AWidth, int AHeight);   // a new 32-bit top-down DIB section, black
  void LoadFromResourceName(HINSTANCE Instance, const std::string& Name);
  void LoadFromResourceID(HINSTANCE Instance, int ResID);
  void Assign(TPersistent* Source) override;

private:
  TGdiObject FHandle;
};
