// The chunked body decoder on hostile input: sizes with extensions and
// junk, short chunks, missing line ends and trailers. The body never
// outgrows the input it came from.
#include <cstdlib>

#include "FuzzHttpSource.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzHttpSource source(Data, Size);
  TMemoryStream body;
  try {
    ReadChunkedBody(source, &body);
  } catch (const Exception&) {
  }
  if (static_cast<size_t>(body.Size()) > Size) std::abort();
  try {
    const std::string line(reinterpret_cast<const char*>(Data), Size < 40 ? Size : 40);
    if (ParseChunkSize(line) < 0) std::abort();
  } catch (const Exception&) {
  }
  return 0;
}
