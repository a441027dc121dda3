// The JPEG reader on arbitrary bytes: EJPEG, or a picture that compresses
// again and reads back at its size. A crash, sanitizer report, leak or
// escape through libjpeg's error exit is a finding.
#include <cstdint>
#include <cstdlib>

#include "classlib/PictureCodecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TDibImage image;
  try {
    image = DecodeJpeg(Data, Size);
  } catch (const EJPEG&) {
    return 0;
  }
  if (image.BitCount != 24 || image.Pixels.size() != image.Stride * static_cast<size_t>(image.Height))
    std::abort();
  if (static_cast<int64_t>(image.Width) * image.Height > 256 * 256) return 0;   // keeps the runs quick
  const std::string again = EncodeJpeg(image, 75);
  const TDibImage back = DecodeJpeg(reinterpret_cast<const uint8_t*>(again.data()), again.size());
  if (back.Width != image.Width || back.Height != image.Height) std::abort();
  return 0;
}
