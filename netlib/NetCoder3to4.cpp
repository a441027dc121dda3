#include "netlib/NetCoder3to4.h"

#include <vector>

#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetResourceStrings.h"

IMPLEMENT_CLASSINFO(TNetEncoder3to4, TNetEncoder)
IMPLEMENT_CLASSINFO(TNetDecoder4to3, TNetDecoder)

std::string TNetEncoder3to4::Encode(TStream& AStream, int64_t ASize) {
  if (ASize >= 0 && ASize % 3 != 0) throw ENetException(RSUnevenSizeInEncode);
  const int64_t size = ASize >= 0 ? ASize : AStream.Size() - AStream.Position();
  std::vector<uint8_t> in(static_cast<size_t>(size));
  AStream.ReadBuffer(in.data(), size);
  std::string out;
  out.reserve(static_cast<size_t>((size + 2) / 3 * 4));
  auto code = [this](unsigned V) { return CodingTable.size() == 64 ? CodingTable[V & 63] : FillChar; };
  for (size_t i = 0; i < in.size(); i += 3) {
    const size_t n = std::min<size_t>(3, in.size() - i);
    const unsigned b = static_cast<unsigned>(in[i]) << 16 | (n > 1 ? in[i + 1] << 8 : 0) | (n > 2 ? in[i + 2] : 0);
    out += code(b >> 18);
    out += code(b >> 12);
    out += n > 1 ? code(b >> 6) : FillChar;
    out += n > 2 ? code(b) : FillChar;
  }
  Assert(static_cast<int64_t>(out.size()) == (size + 2) / 3 * 4, "Encoded length does not match", "netlib\\NetCoder3to4",
         36);
  return out;
}

std::string TNetEncoder3to4::Encode(const std::string& AText) {
  TNetReadMemoryStream s(AText.data(), static_cast<int64_t>(AText.size()));
  return Encode(s);
}

TNetDecoder4to3::TNetDecoder4to3(TComponent* AOwner) : TNetDecoder(AOwner) { DecodeTable.fill(255); }

std::array<uint8_t, 256> TNetDecoder4to3::MakeDecodeTable(const std::string& ACodingTable) {
  std::array<uint8_t, 256> t;
  t.fill(255);
  for (size_t i = 0; i < ACodingTable.size() && i < 64; ++i) t[static_cast<uint8_t>(ACodingTable[i])] = static_cast<uint8_t>(i);
  return t;
}

void TNetDecoder4to3::DecodeToStream(const std::string& AText, TStream& ADest) {
  if (AText.size() % 4 != 0) throw ENetException(RSUnevenSizeInDecodeToStream);
  std::vector<uint8_t> out;
  out.reserve(AText.size() / 4 * 3);
  for (size_t i = 0; i < AText.size(); i += 4) {
    const bool last = i + 4 == AText.size();
    int count = 3;
    if (last && AText[i + 3] == FillChar) count = AText[i + 2] == FillChar ? 1 : 2;
    unsigned v = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = AText[i + static_cast<size_t>(k)];
      uint8_t d = 0;
      if (k <= count) {
        d = DecodeTable[static_cast<uint8_t>(c)];
        if (d == 255) throw ENetException(RSInvalidCodeCharacter);
      }
      v = v << 6 | d;
    }
    out.push_back(static_cast<uint8_t>(v >> 16));
    if (count > 1) out.push_back(static_cast<uint8_t>(v >> 8));
    if (count > 2) out.push_back(static_cast<uint8_t>(v));
  }
  if (!out.empty()) ADest.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

std::string TNetDecoder4to3::DecodeString(const std::string& AText) {
  TMemoryStream m;
  DecodeToStream(AText, m);
  return std::string(m.Data().begin(), m.Data().end());
}
