// A source of lines and bytes over fuzz input, for the HTTP readers.
#pragma once
#include <cstdint>
#include <string>

#include "netlib/NetException.h"
#include "netlib/NetHTTPWire.h"

class TFuzzHttpSource : public TNetHTTPSource {
public:
  TFuzzHttpSource(const uint8_t* Data, size_t Size) : FText(reinterpret_cast<const char*>(Data), Size) {}
  std::string ReadLine() override {
    const size_t end = FText.find('\n', FPos);
    if (end == std::string::npos) throw ENetConnClosedGracefully("end of input");
    std::string line = FText.substr(FPos, end - FPos);
    FPos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }
  // Never more than what is there: the claim alone reserves nothing.
  void ReadBytes(int64_t Count, TStream* Dest) override {
    if (Count < 0 || static_cast<uint64_t>(Count) > FText.size() - FPos) throw ENetConnClosedGracefully("short body");
    if (Dest) Dest->WriteBuffer(FText.data() + FPos, Count);
    FPos += static_cast<size_t>(Count);
  }
  size_t Consumed() const { return FPos; }

private:
  std::string FText;
  size_t FPos = 0;
};
