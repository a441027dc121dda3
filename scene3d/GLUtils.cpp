#include "scene3d/GLUtils.h"

#include <cmath>
#include <memory>

#include "scene3d/Base/ApplicationFileIO.h"

int RoundUpToPowerOf2(int Value) {
  if (Value > (1 << 30)) throw ERangeError("RoundUpToPowerOf2: " + IntToStr(Value) + " is above 2^30");
  int r = 1;
  while (r < Value) r <<= 1;
  return r;
}

void SaveStringToFile(const std::string& FileName, const std::string& Data) {
  std::unique_ptr<TStream> s = CreateFileStream(FileName, fmCreate);
  if (!Data.empty()) s->WriteBuffer(Data.data(), static_cast<int64_t>(Data.size()));
}

std::string LoadStringFromFile(const std::string& FileName) {
  if (!FileStreamExists(FileName)) return {};
  std::unique_ptr<TStream> s = CreateFileStream(FileName, fmOpenRead | fmShareDenyNone);
  std::string r(static_cast<size_t>(s->Size()), '\0');
  if (!r.empty()) s->ReadBuffer(r.data(), static_cast<int64_t>(r.size()));
  return r;
}

int64_t SizeOfFile(const std::string& FileName) {
  if (!FileStreamExists(FileName)) return 0;
  return CreateFileStream(FileName, fmOpenRead | fmShareDenyNone)->Size();
}

const uint8_t* GetSqrt255Array() {
  static uint8_t Ramp[256] = {};
  if (Ramp[255] != 255)
    for (int i = 0; i < 256; ++i) Ramp[i] = static_cast<uint8_t>(std::trunc(std::sqrt(i / 255.0) * 255.0));
  return Ramp;
}
