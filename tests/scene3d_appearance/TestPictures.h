// Pictures the appearance tests draw from.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "classlib/Graphics.h"

// A 24-bit bitmap of Width x Height filled by Colour(x, y) (0x00RRGGBB),
// row 0 the top.
inline std::unique_ptr<TBitmap> MakeBitmap(int Width, int Height, const std::function<uint32_t(int, int)>& Colour) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf24bit);
  b->SetSize(Width, Height);
  for (int y = 0; y < Height; ++y) {
    auto* row = static_cast<uint8_t*>(b->ScanLine(y));
    for (int x = 0; x < Width; ++x) {
      const uint32_t c = Colour(x, y);
      row[3 * x] = uint8_t(c), row[3 * x + 1] = uint8_t(c >> 8), row[3 * x + 2] = uint8_t(c >> 16);
    }
  }
  return b;
}
