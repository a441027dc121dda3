// Base64 (RFC 4648: A-Z, a-z, 0-9, "+", "/", padding "=").
#pragma once
#include "netlib/NetCoder3to4.h"

extern const char* const Base64CodeTable;

class TNetEncoderMIME : public TNetEncoder3to4 {
  DECLARE_CLASSINFO(TNetEncoderMIME)
public:
  explicit TNetEncoderMIME(TComponent* AOwner);
  // Makes an encoder, encodes one text and frees it.
  static std::string EncodeString(const std::string& AText);
};

class TNetDecoderMIME : public TNetDecoder4to3 {
  DECLARE_CLASSINFO(TNetDecoderMIME)
public:
  explicit TNetDecoderMIME(TComponent* AOwner);   // the table built at unit start
  static std::string DecodeText(const std::string& AText);
};

void NetCoderMIME_Initialize();   // builds the decode table
void NetCoderMIME_Finalize();
