// The bitmap file reader on arbitrary bytes. It raises EInvalidGraphic or
// gives a picture that writes and reads back to itself; a crash, sanitizer
// report or picture more than twice the input's size is a finding.
#include <cstdint>
#include <cstdlib>

#include "classlib/PictureCodecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TDibImage image;
  size_t used = 0;
  try {
    image = ReadBitmapFile(Data, Size, used);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  // 16-bit fields of other layouts double in size; nothing grows more
  if (used > Size || image.Pixels.size() > 2 * Size) std::abort();
  const std::string again = WriteBitmapFile(image);
  size_t used2 = 0;
  const TDibImage back = ReadBitmapFile(reinterpret_cast<const uint8_t*>(again.data()), again.size(), used2);
  if (used2 != again.size() || back.Width != image.Width || back.Height != image.Height ||
      back.BitCount != image.BitCount || back.Pixels != image.Pixels || back.Palette != image.Palette)
    std::abort();
  return 0;
}
