#include "netlib/NetCoderMIME.h"

#include "classlib/UnitInit.h"

IMPLEMENT_CLASSINFO(TNetEncoderMIME, TNetEncoder3to4)
IMPLEMENT_CLASSINFO(TNetDecoderMIME, TNetDecoder4to3)

const char* const Base64CodeTable = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

namespace {
TUnitCounter UnitCounter;
std::array<uint8_t, 256> MIMEDecodeTable;
}  // namespace

TNetEncoderMIME::TNetEncoderMIME(TComponent* AOwner) : TNetEncoder3to4(AOwner) {
  CodingTable = Base64CodeTable;
  FillChar = '=';
}

std::string TNetEncoderMIME::EncodeString(const std::string& AText) {
  TNetEncoderMIME e(nullptr);
  return e.Encode(AText);
}

TNetDecoderMIME::TNetDecoderMIME(TComponent* AOwner) : TNetDecoder4to3(AOwner) {
  DecodeTable = UnitCounter.Value() > 0 ? MIMEDecodeTable : MakeDecodeTable(Base64CodeTable);
  FillChar = '=';
}

std::string TNetDecoderMIME::DecodeText(const std::string& AText) {
  TNetDecoderMIME d(nullptr);
  return d.DecodeString(AText);
}

void NetCoderMIME_Initialize() {
  if (!UnitCounter.Enter()) return;
  MIMEDecodeTable = TNetDecoder4to3::MakeDecodeTable(Base64CodeTable);
}

void NetCoderMIME_Finalize() {
  if (!UnitCounter.Leave()) return;
  MIMEDecodeTable.fill(255);
}
