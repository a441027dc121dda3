// Our unrar.dll's reading path: the volume scan and libarchive's reader
// behind it, over one to three volumes cut from the input where a RAR
// signature begins (as volumes do). The first byte picks the most volumes.
// An entry read as success must have delivered exactly the bytes its header
// promises.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "unrar/RarArchive.h"
#include "unrar/RarCodes.h"

namespace {
class TMemoryVolume : public TVolumeFile {
public:
  explicit TMemoryVolume(std::string D) : Data(std::move(D)) {}
  int64_t Size() override { return static_cast<int64_t>(Data.size()); }
  int64_t ReadAt(int64_t Offset, void* Buffer, int64_t Count) override {
    if (Offset < 0 || Count < 0) return -1;
    if (Offset >= Size()) return 0;
    const int64_t n = std::min(Count, Size() - Offset);
    std::memcpy(Buffer, Data.data() + Offset, static_cast<size_t>(n));
    return n;
  }
  std::string Data;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  const size_t volumes = 1 + Data[0] % 3;
  const std::string body(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  std::map<std::string, std::string> files;
  static const std::string Signature("Rar!\x1a\x07", 6);
  size_t start = 0;
  for (size_t i = 0; i < volumes; ++i) {
    size_t end = i + 1 < volumes ? body.find(Signature, start + 1) : std::string::npos;
    files["f.part" + std::to_string(i + 1) + ".rar"] = body.substr(start, end == std::string::npos ? end : end - start);
    if (end == std::string::npos) break;
    start = end;
  }

  // The scan alone, on the whole input.
  (void)ScanVolume([&](int64_t O, void* B, int64_t C) -> int64_t {
    if (O < 0 || C < 0 || O > int64_t(body.size())) return -1;
    const int64_t n = std::min<int64_t>(C, int64_t(body.size()) - O);
    std::memcpy(B, body.data() + O, static_cast<size_t>(n));
    return n;
  }, static_cast<int64_t>(body.size()));

  TRarArchive a([&](const std::string& Name) -> std::unique_ptr<TVolumeFile> {
    auto it = files.find(Name);
    if (it == files.end()) return nullptr;
    return std::make_unique<TMemoryVolume>(it->second);
  });
  int asked = 0;
  a.OnChangeVolume = [&](std::string&, int Mode) { return Mode == RAR_VOL_ASK && ++asked > 1 ? -1 : 0; };
  a.OnNeedPassword = [](std::string& P) { P = "pw"; };
  if (a.Open("f.part1.rar") != ERAR_SUCCESS) return 0;
  TRarEntry e;
  for (int n = 0; n < 64 && a.ReadHeader(e) == ERAR_SUCCESS; ++n) {
    uint64_t got = 0;
    const int r = a.ReadData([&](const void*, size_t S) {
      got += S;
      return true;
    });
    if (r == ERAR_SUCCESS && !e.Directory && !e.Symlink && got != e.Size) std::abort();
  }
  return 0;
}
