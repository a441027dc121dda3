// The library's in-memory RGBA image: pictures become one before they are
// uploaded as textures, fonts draw their glyphs into one, frames are read
// back into one.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "classlib/Graphics.h"
#include "scene3d/Base/OpenGL1x.h"

// Failures of texture images and of the images they become (GLTexture's
// unit exception).
CLASSLIB_EXCEPTION(ETexture, Exception);

struct TGLPixel24 {
  uint8_t r, g, b;
  bool operator==(const TGLPixel24&) const = default;
};
struct TGLPixel32 {
  uint8_t r, g, b, a;
  bool operator==(const TGLPixel32&) const = default;
};
static_assert(sizeof(TGLPixel32) == 4 && sizeof(TGLPixel24) == 3);

enum class TGLMinFilter {
  miNearest, miLinear, miNearestMipmapNearest, miLinearMipmapNearest, miNearestMipmapLinear, miLinearMipmapLinear
};

// Height rows of Width pixels R, G, B, A; row 0 is the bottom of the picture
// (the order glTexImage2D takes). Width is always a multiple of 4.
class TGLBitmap32 : public TPersistent {
  DECLARE_CLASSINFO(TGLBitmap32)
public:
  TGLBitmap32() = default;
  // nil, another TGLBitmap32, or any graphic (24- and 32-bit bitmaps of a
  // width that is a multiple of 4 directly, others drawn into a 24-bit
  // bitmap first, stretched to a width rounded up to a multiple of 4).
  void Assign(TPersistent* Source) override;

  TGLPixel32* Data() { return reinterpret_cast<TGLPixel32*>(FData.data()); }
  const TGLPixel32* Data() const { return reinterpret_cast<const TGLPixel32*>(FData.data()); }
  int Width() const { return FWidth; }
  // Rounded up to a multiple of 4; the buffer keeps what fits. A size of
  // 2 GB or more raises ETexture and changes nothing.
  void SetWidth(int Value);
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  int DataSize() const { return FDataSize; }
  bool IsEmpty() const { return FWidth == 0 || FHeight == 0; }
  TGLPixel32* ScanLine(int Row) { return Data() + static_cast<size_t>(Row) * static_cast<size_t>(FWidth); }
  // Conversions from a bitmap take its rows the other way round.
  bool RowsReversed = false;

  void SetAlphaFromIntensity();        // (R + G + B) div 3
  void SetAlphaFromIntensitySqrt();    // through the square-root table
  void SetAlphaTransparentForColor(TColor Color);   // red in the low byte
  void SetAlphaTransparentForColor(const TGLPixel24& Color);
  void SetAlphaToValue(uint8_t Value);
  void InvertAlpha();
  void GammaCorrection(float Gamma);          // R, G, B; Gamma > 0
  void BrightnessCorrection(float Factor);    // R, G, B, saturating (clamped as floats); Factor >= 0
  // The green channel as heights; neighbours wrap across the image's real
  // width and height, else the edge pixel stands in. A NaN scale counts as
  // 0, a larger one than 1e15 (infinity) as 1e15.
  void GrayScaleToNormalMap(float Scale, bool WrapX = true, bool WrapY = true);
  // A 32-bit bitmap of this picture (top row first, B, G, R, A).
  std::unique_ptr<TBitmap> Create32BitBitmap() const;
  // The area's extent from the window origin; the width rounded down to a
  // multiple of 4.
  void ReadPixels(const TRect& Area);
  // Uploads to Target at power-of-two size (at most GL_MAX_TEXTURE_SIZE),
  // with mipmaps for the mipmapping filters; the float formats only make
  // storage. Nothing for an empty image.
  void RegisterAsOpenGLTexture(GLenum Target, TGLMinFilter MinFilter, GLenum TextureFormat);
  void RegisterAsOpenGLTexture(GLenum Target, TGLMinFilter MinFilter, GLenum TextureFormat, int& TexWidth,
                               int& TexHeight);

private:
  static void CheckSize(int64_t Width, int64_t Height);
  void Resize();
  void AssignFromBitmap(TBitmap* Bitmap, bool Bits32);
  std::vector<uint8_t> FData;
  int FWidth = 0, FHeight = 0, FDataSize = 0;
};

// Entry i is Round(sqrt(i / 255) * 255), made on first use.
const uint8_t* GLGraphicsSqrtTable();
