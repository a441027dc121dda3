// Coders that turn every 3 bytes into 4 characters of a 64-character table
// (the last group padded with FillChar), and back.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "netlib/NetCoder.h"

class TNetEncoder3to4 : public TNetEncoder {
  DECLARE_CLASSINFO(TNetEncoder3to4)
public:
  explicit TNetEncoder3to4(TComponent* AOwner) : TNetEncoder(AOwner) {}
  std::string CodingTable;   // 64 characters
  char FillChar = '=';

  // The rest of AStream from its position, or ASize bytes of it (a
  // multiple of 3, else ENetException "Uneven size in Encode.").
  std::string Encode(TStream& AStream, int64_t ASize = -1);
  std::string Encode(const std::string& AText);
};

class TNetDecoder4to3 : public TNetDecoder {
  DECLARE_CLASSINFO(TNetDecoder4to3)
public:
  explicit TNetDecoder4to3(TComponent* AOwner);
  char FillChar = '=';
  std::array<uint8_t, 256> DecodeTable;   // 255: not a code character

  // A text whose length is a multiple of 4 (else ENetException); a
  // character outside the table raises ENetException too.
  void DecodeToStream(const std::string& AText, TStream& ADest);
  std::string DecodeString(const std::string& AText);
  // The table for a 64-character alphabet.
  static std::array<uint8_t, 256> MakeDecodeTable(const std::string& ACodingTable);
};
