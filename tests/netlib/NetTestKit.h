// Shared by the protocol component tests: the units started per test,
// swapping a Winsock cell for a fake, and crafted IPv4/ICMP datagrams.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "netlib/NetComponent.h"
#include "netlib/NetIcmpPacket.h"
#include "netlib/NetWinSock2.h"

// Every test starts the units (nothing loaded yet) and shuts them down,
// which unloads Winsock again.
class TNetUnitsTest : public testing::Test {
protected:
  void SetUp() override { NetComponent_Initialize(); }
  void TearDown() override { NetComponent_Finalize(); }
};

// Puts a fake into a binding cell for the scope.
template <typename T>
class TCellSwap {
public:
  TCellSwap(T& Cell, T Fake) : FCell(Cell), FSaved(Cell) { Cell = Fake; }
  ~TCellSwap() { FCell = FSaved; }
  TCellSwap(const TCellSwap&) = delete;
  TCellSwap& operator=(const TCellSwap&) = delete;

private:
  T& FCell;
  T FSaved;
};

using TBytes = std::vector<uint8_t>;

// An IPv4 header of HeaderWords words (options zero) followed by Body.
TBytes IPDatagram(uint8_t HeaderWords, uint8_t TTL, uint8_t Protocol, TIPv4Bytes Source, TIPv4Bytes Dest,
                  const TBytes& Body);
// An echo request or reply as a raw socket delivers it.
TBytes EchoDatagram(uint8_t Type, uint16_t Identifier, uint16_t Sequence, TIPv4Bytes Source, TIPv4Bytes Dest,
                    uint8_t TTL = 64, const std::string& Payload = "abc", uint8_t HeaderWords = 5);
// A type 3 or 11 message from Router quoting Quoted (a whole datagram, cut
// to its header and 8 bytes unless Whole).
TBytes ErrorDatagram(uint8_t Type, TIPv4Bytes Router, TIPv4Bytes Dest, uint8_t TTL, const TBytes& Quoted,
                     uint8_t HeaderWords = 5, bool Whole = false);

// True when the tests run as root (written by the prepare step).
bool RunningAsRoot();
