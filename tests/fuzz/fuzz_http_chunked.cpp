// The chunked body decoder on hostile input: sizes with extensions and
// junk, short chunks, missing line ends and trailers. The body never
// outgrows the input it came from; a capped stream keeps its start.
#include <algorithm>
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
  // Read again into a stream that keeps 64 bytes: it holds the start of
  // the same body and never more.
  TFuzzHttpSource again(Data, Size);
  TNetCappedStream kept(64);
  try {
    ReadChunkedBody(again, &kept, 256);
  } catch (const Exception&) {
  }
  const size_t n = std::min<size_t>(64, body.Data().size());
  if (kept.Data().size() > 64 || (!kept.Cut() && kept.Data().size() != n)) std::abort();
  if (kept.Data().compare(0, std::string::npos, reinterpret_cast<const char*>(body.Data().data()),
                          kept.Data().size()) != 0)
    std::abort();
  try {
    const std::string line(reinterpret_cast<const char*>(Data), Size < 40 ? Size : 40);
    if (ParseChunkSize(line) < 0) std::abort();
  } catch (const Exception&) {
  }
  return 0;
}
