// The texture-image file readers: the first byte picks the blank-image
// description, the picture-name file or the cube-map file; the rest is the
// file. Whatever reads must write back to what reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzCommon.h"
#include "classlib/PictureCodecs.h"
#include "scene3d/GLTextureCodecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FuzzUnitsStart();
  if (Size < 1) return 0;
  const std::string file(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  try {
    switch (Data[0] % 3) {
      case 0: {
        int w = -1, h = -1;
        ReadImageSizeFile(file, w, h);
        if (w < 0 || h < 0 || int64_t(w) * h > MaxPicturePixels) std::abort();
        int w2 = -1, h2 = -1;
        ReadImageSizeFile(WriteImageSizeFile("[BlankImage]", w, h), w2, h2);
        if (w2 != w || h2 != h) std::abort();
        break;
      }
      case 1: {
        std::string name;
        if (ReadPictureNameFile(file, name) && (name != file || file.size() >= 512)) std::abort();
        break;
      }
      default: {
        const std::array<std::string, 6> faces = ReadCubeMapFile(file);
        if (ReadCubeMapFile(WriteCubeMapFile(faces)) != faces) std::abort();
        break;
      }
    }
  } catch (const Exception&) {
  }
  return 0;
}
