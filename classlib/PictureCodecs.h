// The picture file formats on plain memory: bitmap files (BMP) and JPEG
// through libjpeg. No platform calls, so the native fuzzers run this very
// code; TBitmap and TJPEGImage put the pixels into device-independent
// bitmaps. Every reader checks what it is given against the bytes it has and
// raises the picture error on anything inconsistent, truncated or too big.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "classlib/SysUtils.h"

CLASSLIB_EXCEPTION(EInvalidGraphic, Exception);
CLASSLIB_EXCEPTION(EInvalidGraphicOperation, Exception);
CLASSLIB_EXCEPTION(EJPEG, EInvalidGraphic);

// Pixels as a device-independent bitmap holds them: rows of Stride bytes
// (a multiple of 4), the top row first. 1, 4 and 8 bits index Palette
// (B, G, R, 0 each, in the low to high bytes; always 2^BitCount entries);
// 16 bits are 5-5-5, or 5-6-5 with Rgb565; 24 bits B, G, R; 32 bits B, G, R
// and a fourth byte.
struct TDibImage {
  int Width = 0, Height = 0, BitCount = 0;
  bool Rgb565 = false;
  std::vector<uint32_t> Palette;
  size_t Stride = 0;
  std::vector<uint8_t> Pixels;

  static size_t StrideOf(int Width, int BitCount) {
    return (static_cast<size_t>(Width) * static_cast<size_t>(BitCount) + 31) / 32 * 4;
  }
  void Allocate(int AWidth, int AHeight, int ABitCount);   // zeroed, palette of that size
  uint8_t* Row(int Y) { return Pixels.data() + static_cast<size_t>(Y) * Stride; }
  const uint8_t* Row(int Y) const { return Pixels.data() + static_cast<size_t>(Y) * Stride; }
};

// Largest picture either reader accepts, in pixels per side and in all.
constexpr int MaxPictureSide = 65535;
constexpr int64_t MaxPicturePixels = 8192 * 4096;

// One bitmap file image at the start of Data: the file header, an info
// header (core, 3.x, v2 to v5), the palette and uncompressed rows
// (bit fields of other layouts become 32 bits). Used is the size the file
// header gives, which must lie within Size. EInvalidGraphic otherwise.
TDibImage ReadBitmapFile(const uint8_t* Data, size_t Size, size_t& Used);
// A complete bitmap file: a 3.x info header, bottom-up rows.
std::string WriteBitmapFile(const TDibImage& Image);

// A JPEG file to 24 bits. EJPEG for anything libjpeg rejects or warns about
// (corrupt or truncated data), for colour spaces other than grey, YCbCr and
// RGB, and for pictures above the limits.
TDibImage DecodeJpeg(const uint8_t* Data, size_t Size);
// A 24-bit image as a baseline JPEG file; Quality 1 to 100.
std::string EncodeJpeg(const TDibImage& Image, int Quality);
