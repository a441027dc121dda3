#include "NetTestKit.h"

#include <fstream>

TBytes IPDatagram(uint8_t HeaderWords, uint8_t TTL, uint8_t Protocol, TIPv4Bytes Source, TIPv4Bytes Dest,
                  const TBytes& Body) {
  TBytes d(HeaderWords * 4u, 0);
  d[0] = static_cast<uint8_t>(0x40 | HeaderWords);
  const size_t total = d.size() + Body.size();
  d[2] = static_cast<uint8_t>(total >> 8);
  d[3] = static_cast<uint8_t>(total);
  d[8] = TTL;
  d[9] = Protocol;
  std::copy(Source.begin(), Source.end(), d.begin() + 12);
  std::copy(Dest.begin(), Dest.end(), d.begin() + 16);
  d.insert(d.end(), Body.begin(), Body.end());
  return d;
}

TBytes EchoDatagram(uint8_t Type, uint16_t Identifier, uint16_t Sequence, TIPv4Bytes Source, TIPv4Bytes Dest,
                    uint8_t TTL, const std::string& Payload, uint8_t HeaderWords) {
  TBytes icmp(IcmpEchoRequestSize);
  BuildEchoRequest(icmp.data(), Identifier, Sequence, 1234, Payload);
  icmp[0] = Type;
  return IPDatagram(HeaderWords, TTL, 1, Source, Dest, icmp);
}

TBytes ErrorDatagram(uint8_t Type, TIPv4Bytes Router, TIPv4Bytes Dest, uint8_t TTL, const TBytes& Quoted,
                     uint8_t HeaderWords, bool Whole) {
  TBytes icmp(8, 0);
  icmp[0] = Type;
  const size_t quotedSize = Whole ? Quoted.size() : (Quoted[0] & 0x0F) * 4u + 8;
  icmp.insert(icmp.end(), Quoted.begin(), Quoted.begin() + static_cast<long>(quotedSize));
  return IPDatagram(HeaderWords, TTL, 1, Router, Dest, icmp);
}

bool RunningAsRoot() {
  std::ifstream f("uid.txt");
  int uid = -1;
  return (f >> uid) && uid == 0;
}
