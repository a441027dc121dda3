// Table reads against fake IP Helper exports: which family is chosen, how
// each one is called, what the rows hold and who frees the buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "classlib/SysUtils.h"

#include "monitor/uConnectionTables.h"
#include "monitor/uIPHelperAPI.h"

namespace {

struct TCall {
  bool NullBuffer;
  DWORD SizeIn;
  BOOL Order;
  ULONG Af;
  int TableClass;
  ULONG Reserved;
};

struct TOwnerPidCall {
  BOOL Order;
  HANDLE Heap;
  DWORD Flags;
  DWORD Family;
};

// What the fakes present and what they saw.
struct TFakeSystem {
  std::vector<DWORD> TcpTable;   // row count then rows, as 32-bit words
  std::vector<DWORD> UdpTable;
  DWORD Grow = 0;                // bytes the table grows after the size query
  std::vector<TCall> ExtendedTcp, ExtendedUdp, PlainTcp, PlainUdp;
  std::vector<TOwnerPidCall> OwnerPidTcp, OwnerPidUdp;
  std::vector<void*> HeapTables;   // tables the owner-PID fakes allocated
  DWORD OwnerPidError = NO_ERROR;  // what the owner-PID fakes answer with their table
} Fake;

DWORD SizeAnswer(const std::vector<DWORD>& Table, PVOID Buffer, PDWORD Size, bool& Grown) {
  DWORD need = static_cast<DWORD>(Table.size() * sizeof(DWORD));
  if (Buffer && !Grown) {
    need += Fake.Grow;
    Grown = true;
  }
  if (need == 0) {
    *Size = 0;
    return ERROR_NO_DATA;
  }
  if (!Buffer || *Size < need) {
    *Size = need;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  std::memcpy(Buffer, Table.data(), Table.size() * sizeof(DWORD));
  return NO_ERROR;
}

bool TcpGrown, UdpGrown;

DWORD WINAPI FakeExtendedTcp(PVOID B, PDWORD S, BOOL O, ULONG Af, int C, ULONG R) {
  Fake.ExtendedTcp.push_back({B == nullptr, *S, O, Af, C, R});
  return SizeAnswer(Fake.TcpTable, B, S, TcpGrown);
}
DWORD WINAPI FakeExtendedUdp(PVOID B, PDWORD S, BOOL O, ULONG Af, int C, ULONG R) {
  Fake.ExtendedUdp.push_back({B == nullptr, *S, O, Af, C, R});
  return SizeAnswer(Fake.UdpTable, B, S, UdpGrown);
}
DWORD WINAPI FakePlainTcp(PVOID B, PDWORD S, BOOL O) {
  Fake.PlainTcp.push_back({B == nullptr, *S, O, 0, 0, 0});
  return SizeAnswer(Fake.TcpTable, B, S, TcpGrown);
}
DWORD WINAPI FakePlainUdp(PVOID B, PDWORD S, BOOL O) {
  Fake.PlainUdp.push_back({B == nullptr, *S, O, 0, 0, 0});
  return SizeAnswer(Fake.UdpTable, B, S, UdpGrown);
}
DWORD OwnerPidAnswer(const std::vector<DWORD>& Table, PVOID* T, HANDLE Heap) {
  void* p = HeapAlloc(Heap, 0, Table.size() * sizeof(DWORD));
  std::memcpy(p, Table.data(), Table.size() * sizeof(DWORD));
  Fake.HeapTables.push_back(p);
  *T = p;
  return Fake.OwnerPidError;
}
DWORD WINAPI FakeOwnerPidTcp(PVOID* T, BOOL O, HANDLE H, DWORD F, DWORD Af) {
  Fake.OwnerPidTcp.push_back({O, H, F, Af});
  return OwnerPidAnswer(Fake.TcpTable, T, H);
}
DWORD WINAPI FakeOwnerPidUdp(PVOID* T, BOOL O, HANDLE H, DWORD F, DWORD Af) {
  Fake.OwnerPidUdp.push_back({O, H, F, Af});
  return OwnerPidAnswer(Fake.UdpTable, T, H);
}

// Is Block a busy (allocated) block of the process heap?
bool HeapBlockBusy(void* Block) {
  HANDLE heap = GetProcessHeap();
  PROCESS_HEAP_ENTRY e{};
  bool busy = false;
  HeapLock(heap);
  while (HeapWalk(heap, &e))
    if (e.lpData == Block && (e.wFlags & PROCESS_HEAP_ENTRY_BUSY)) busy = true;
  HeapUnlock(heap);
  return busy;
}

constexpr DWORD Addr(int a, int b, int c, int d) {   // network order as the rows carry it
  return DWORD(a) | DWORD(b) << 8 | DWORD(c) << 16 | DWORD(d) << 24;
}
constexpr DWORD Port(int p) { return DWORD((p >> 8) & 0xFF) | DWORD(p & 0xFF) << 8; }

enum TExport { eExtendedTcp = 1, eExtendedUdp = 2, eOwnerPidTcp = 4, eOwnerPidUdp = 8,
               ePlainTcp = 16, ePlainUdp = 32, eAll = 63 };

class FakeIpHelper : public testing::Test {
protected:
  void SetUp() override {
    uIPHelperAPI_Initialize();
    Fake = TFakeSystem{};
    TcpGrown = UdpGrown = false;
    OwnerInfoMissing = false;
  }
  void TearDown() override {
    LoadIpHelperApi();
    OwnerInfoMissing = false;
  }
  void Present(int Exports) {
    GetExtendedTcpTable = Exports & eExtendedTcp ? FakeExtendedTcp : nullptr;
    GetExtendedUdpTable = Exports & eExtendedUdp ? FakeExtendedUdp : nullptr;
    AllocateAndGetTcpExTableFromStack = Exports & eOwnerPidTcp ? FakeOwnerPidTcp : nullptr;
    AllocateAndGetUdpExTableFromStack = Exports & eOwnerPidUdp ? FakeOwnerPidUdp : nullptr;
    GetTcpTable = Exports & ePlainTcp ? FakePlainTcp : nullptr;
    GetUdpTable = Exports & ePlainUdp ? FakePlainUdp : nullptr;
    ComputeIpHelperFlags();
  }
  void ReadBoth() {
    Tables.TcpTableValid = true;
    Tables.ReadTCPTable();
    Tables.UdpTableValid = true;
    Tables.ReadUDPTable();
  }
  // Two TCP rows and one UDP row with process IDs.
  void PidTables() {
    Fake.TcpTable = {2,
                     2, Addr(0, 0, 0, 0), Port(445), Addr(0, 0, 0, 0), 0, 4,
                     5, Addr(192, 168, 1, 5), Port(50123), Addr(93, 184, 216, 34), Port(443), 1234};
    Fake.UdpTable = {1, Addr(127, 0, 0, 1), Port(53), 77};
  }
  TConnectionTables Tables;
};

TEST_F(FakeIpHelper, ExtendedFamilyIsPreferredAndCalledAsSpecified) {
  Present(eAll);
  EXPECT_TRUE(IpHelperAvailable);
  EXPECT_TRUE(IpHelperExTablesAvailable);
  EXPECT_TRUE(IpHelperExtendedTablesAvailable);
  EXPECT_EQ(IpHelperFamily(), TIpHelperFamily::ifExtended);
  PidTables();
  ReadBoth();
  ReadBoth();   // a second poll queries afresh, never with the old buffer

  ASSERT_EQ(Fake.ExtendedTcp.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    const TCall& c = Fake.ExtendedTcp[i];
    EXPECT_EQ(c.NullBuffer, i % 2 == 0) << i;
    EXPECT_EQ(c.SizeIn, i % 2 == 0 ? 0u : 13u * 4) << i;   // exactly the reported size
    EXPECT_EQ(c.Order, FALSE);
    EXPECT_EQ(c.Af, 2u);
    EXPECT_EQ(c.TableClass, 5);
    EXPECT_EQ(c.Reserved, 0u);
  }
  ASSERT_EQ(Fake.ExtendedUdp.size(), 4u);
  EXPECT_EQ(Fake.ExtendedUdp[1].SizeIn, 4u * 4);
  EXPECT_EQ(Fake.ExtendedUdp[1].TableClass, 1);
  EXPECT_TRUE(Fake.OwnerPidTcp.empty() && Fake.OwnerPidUdp.empty());
  EXPECT_TRUE(Fake.PlainTcp.empty() && Fake.PlainUdp.empty());

  ASSERT_TRUE(Tables.TcpTableRead());
  EXPECT_EQ(Tables.TcpTableBuffer.Allocator(), TTableAllocator::taProgram);
  EXPECT_EQ(Tables.TcpTableBuffer.Size(), 13u * 4);
  ASSERT_EQ(Tables.TcpRowCount(), 2u);
  TTcpTableRow r = Tables.TcpRow(1);
  EXPECT_EQ(r.State, 5u);
  EXPECT_EQ(r.LocalAddr, Addr(192, 168, 1, 5));
  EXPECT_EQ(r.LocalPort, Port(50123));
  EXPECT_EQ(r.RemoteAddr, Addr(93, 184, 216, 34));
  EXPECT_EQ(r.RemotePort, Port(443));
  EXPECT_EQ(r.OwningPid, 1234u);
  EXPECT_EQ(Tables.TcpRow(0).OwningPid, 4u);
  EXPECT_THROW(Tables.TcpRow(2), EListError);
  ASSERT_EQ(Tables.UdpRowCount(), 1u);
  EXPECT_EQ(Tables.UdpRow(0).LocalPort, Port(53));
  EXPECT_EQ(Tables.UdpRow(0).OwningPid, 77u);
  EXPECT_FALSE(OwnerInfoMissing);

  Tables.ReleaseTCPTable();
  Tables.ReleaseUDPTable();
  EXPECT_FALSE(Tables.TcpTableBuffer.Assigned());
  EXPECT_EQ(Tables.TcpRowCount(), 0u);
  EXPECT_EQ(Tables.UdpRowCount(), 0u);
}

TEST_F(FakeIpHelper, OlderOwnerPidFamilyAllocatesOnTheProcessHeapAndIsFreedThere) {
  Present(eOwnerPidTcp | eOwnerPidUdp | ePlainTcp | ePlainUdp);
  EXPECT_FALSE(IpHelperExtendedTablesAvailable);
  EXPECT_TRUE(IpHelperExTablesAvailable);
  PidTables();
  ReadBoth();
  ASSERT_EQ(Fake.OwnerPidTcp.size(), 1u);
  const TOwnerPidCall& c = Fake.OwnerPidTcp[0];
  EXPECT_EQ(c.Order, TRUE);
  EXPECT_EQ(c.Heap, GetProcessHeap());
  EXPECT_EQ(c.Flags, 2u);
  EXPECT_EQ(c.Family, 2u);
  EXPECT_EQ(Fake.OwnerPidUdp.size(), 1u);
  EXPECT_TRUE(Fake.PlainTcp.empty() && Fake.PlainUdp.empty());

  ASSERT_TRUE(Tables.TcpTableRead());
  EXPECT_EQ(Tables.TcpTableBuffer.Allocator(), TTableAllocator::taProcessHeap);
  EXPECT_EQ(Tables.TcpTableBuffer.Data(), Fake.HeapTables[0]);
  ASSERT_EQ(Tables.TcpRowCount(), 2u);
  EXPECT_EQ(Tables.TcpRow(1).OwningPid, 1234u);
  EXPECT_EQ(Tables.UdpRow(0).OwningPid, 77u);
  EXPECT_FALSE(OwnerInfoMissing);

  ASSERT_TRUE(HeapBlockBusy(Fake.HeapTables[0]));
  ASSERT_TRUE(HeapBlockBusy(Fake.HeapTables[1]));
  Tables.ReleaseTCPTable();
  Tables.ReleaseUDPTable();
  EXPECT_FALSE(HeapBlockBusy(Fake.HeapTables[0]));
  EXPECT_FALSE(HeapBlockBusy(Fake.HeapTables[1]));
  EXPECT_FALSE(Tables.TcpTableBuffer.Assigned());
}

TEST_F(FakeIpHelper, OwnerPidTableHandedBackWithAnErrorIsFreedAndNotRead) {
  Present(eOwnerPidTcp | eOwnerPidUdp | ePlainTcp | ePlainUdp);
  PidTables();
  Fake.OwnerPidError = ERROR_NOT_ENOUGH_MEMORY;
  ReadBoth();
  ASSERT_EQ(Fake.HeapTables.size(), 2u);
  EXPECT_FALSE(Tables.TcpTableRead());
  EXPECT_FALSE(Tables.UdpTableRead());
  EXPECT_EQ(Tables.TcpRowCount(), 0u);
  EXPECT_FALSE(HeapBlockBusy(Fake.HeapTables[0]));
  EXPECT_FALSE(HeapBlockBusy(Fake.HeapTables[1]));
}

TEST_F(FakeIpHelper, PlainFamilyReadsShortRowsAndMarksOwnerInfoMissing) {
  Present(ePlainTcp | ePlainUdp);
  EXPECT_TRUE(IpHelperAvailable);
  EXPECT_FALSE(IpHelperExTablesAvailable);
  EXPECT_EQ(IpHelperFamily(), TIpHelperFamily::ifPlain);
  Fake.TcpTable = {2,
                   2, Addr(0, 0, 0, 0), Port(135), Addr(0, 0, 0, 0), 0,
                   11, Addr(10, 0, 0, 2), Port(49800), Addr(8, 8, 8, 8), Port(53)};
  Fake.UdpTable = {2, Addr(0, 0, 0, 0), Port(137), Addr(10, 0, 0, 2), Port(138)};
  ReadBoth();
  ASSERT_EQ(Fake.PlainTcp.size(), 2u);
  EXPECT_TRUE(Fake.PlainTcp[0].NullBuffer);
  EXPECT_EQ(Fake.PlainTcp[0].Order, TRUE);    // sized with a sorted request
  EXPECT_FALSE(Fake.PlainTcp[1].NullBuffer);
  EXPECT_EQ(Fake.PlainTcp[1].SizeIn, 11u * 4);
  EXPECT_EQ(Fake.PlainTcp[1].Order, FALSE);   // read unsorted
  EXPECT_TRUE(OwnerInfoMissing);

  ASSERT_EQ(Tables.TcpRowCount(), 2u);   // 20-byte rows
  TTcpTableRow r = Tables.TcpRow(1);
  EXPECT_EQ(r.State, 11u);
  EXPECT_EQ(r.RemoteAddr, Addr(8, 8, 8, 8));
  EXPECT_EQ(r.RemotePort, Port(53));
  EXPECT_EQ(r.OwningPid, 0u);
  ASSERT_EQ(Tables.UdpRowCount(), 2u);   // 8-byte rows
  EXPECT_EQ(Tables.UdpRow(1).LocalAddr, Addr(10, 0, 0, 2));
  EXPECT_EQ(Tables.UdpRow(1).LocalPort, Port(138));
  EXPECT_EQ(Tables.TcpTableBuffer.Allocator(), TTableAllocator::taProgram);

  Tables.ReleaseTCPTable();
  OwnerInfoMissing = false;
  Tables.TcpTableValid = true;
  Fake.TcpTable = {0};
  Tables.ReadTCPTable();
  EXPECT_TRUE(OwnerInfoMissing) << "set again by any successful plain read";
  EXPECT_TRUE(Tables.TcpTableRead());
  EXPECT_EQ(Tables.TcpRowCount(), 0u);
}

TEST_F(FakeIpHelper, AFamilyIsUsedOnlyWhenBothOfItsFunctionsExist) {
  // Extended TCP alone and owner-PID TCP alone: both families incomplete.
  Present(eExtendedTcp | eOwnerPidTcp | ePlainTcp | ePlainUdp);
  EXPECT_EQ(IpHelperFamily(), TIpHelperFamily::ifPlain);
  PidTables();
  ReadBoth();
  EXPECT_TRUE(Fake.ExtendedTcp.empty());
  EXPECT_TRUE(Fake.OwnerPidTcp.empty());
  EXPECT_EQ(Fake.PlainTcp.size(), 2u);

  // Without GetTcpTable nothing is available, whatever else exists.
  Fake = TFakeSystem{};
  Present(eAll & ~ePlainTcp);
  EXPECT_FALSE(IpHelperAvailable);
  EXPECT_FALSE(IpHelperExTablesAvailable);
  EXPECT_FALSE(IpHelperExtendedTablesAvailable);
  TConnectionTables t;
  t.TcpTableValid = t.UdpTableValid = true;
  t.ReadTCPTable();
  t.ReadUDPTable();
  EXPECT_TRUE(Fake.ExtendedTcp.empty() && Fake.ExtendedUdp.empty() && Fake.OwnerPidTcp.empty() &&
              Fake.OwnerPidUdp.empty() && Fake.PlainUdp.empty());
  EXPECT_FALSE(t.TcpTableRead());
  EXPECT_FALSE(t.UdpTableRead());
}

TEST_F(FakeIpHelper, PlainFamilyWithoutGetUdpTableReadsNoUdpTable) {
  Present(ePlainTcp);   // GetUdpTable is never called when it is missing
  PidTables();
  ReadBoth();
  EXPECT_TRUE(Tables.TcpTableRead());
  EXPECT_FALSE(Tables.UdpTableRead());
  EXPECT_EQ(Tables.UdpRowCount(), 0u);
}

TEST_F(FakeIpHelper, EmptyTableYieldsNoRowsAndNoBuffer) {
  for (int family : {int(eAll), int(ePlainTcp | ePlainUdp)}) {
    Fake = TFakeSystem{};
    Present(family);
    ReadBoth();   // both tables report size 0
    EXPECT_FALSE(Tables.TcpTableValid);
    EXPECT_FALSE(Tables.UdpTableValid);
    EXPECT_FALSE(Tables.TcpTableBuffer.Assigned());
    EXPECT_FALSE(Tables.UdpTableBuffer.Assigned());
    EXPECT_EQ(Tables.TcpRowCount(), 0u);
    EXPECT_EQ(Fake.ExtendedTcp.size() + Fake.PlainTcp.size(), 1u) << "no second call";
    EXPECT_FALSE(OwnerInfoMissing);
  }
}

TEST_F(FakeIpHelper, TableThatGrowsBetweenSizeQueryAndReadIsReadAgainAtItsNewSize) {
  for (int family : {int(eAll), int(ePlainTcp | ePlainUdp)}) {
    Fake = TFakeSystem{};
    TcpGrown = UdpGrown = false;
    Present(family);
    PidTables();
    Fake.Grow = 24;
    ReadBoth();
    const std::vector<TCall>& tcp = family == eAll ? Fake.ExtendedTcp : Fake.PlainTcp;
    ASSERT_EQ(tcp.size(), 3u) << "read again once";
    EXPECT_GE(tcp[2].SizeIn, 13u * 4 + 24);   // the size the grown table reported
    EXPECT_EQ(Tables.TcpRowCount(), 2u);
    EXPECT_EQ(Tables.UdpRowCount(), 1u);
    EXPECT_EQ(OwnerInfoMissing, family != eAll);
  }
}

TEST_F(FakeIpHelper, RowCountIsLimitedToTheRowsTheBufferHolds) {
  Present(eAll);
  PidTables();
  Fake.TcpTable[0] = 1000;   // claims more rows than it carries
  Fake.UdpTable = {2, 0, 0};  // half a row
  ReadBoth();
  EXPECT_EQ(Tables.TcpRowCount(), 2u);
  EXPECT_EQ(Tables.UdpRowCount(), 0u);

  Present(eOwnerPidTcp | eOwnerPidUdp | ePlainTcp);
  ReadBoth();
  EXPECT_EQ(Tables.TcpTableBuffer.Allocator(), TTableAllocator::taProcessHeap);
  EXPECT_EQ(Tables.TcpRowCount(), 2u);
}

TEST(IpHelperBinding, MissingLibraryBindsNothingAndReadsNothing) {
  uIPHelperAPI_Initialize();
  LoadIpHelperApiFrom("vantrel-no-such-library.dll");
  EXPECT_FALSE(IpHelperAvailable);
  EXPECT_FALSE(IpHelperExTablesAvailable);
  EXPECT_FALSE(IpHelperExtendedTablesAvailable);
  EXPECT_EQ(GetTcpTable, nullptr);
  EXPECT_EQ(SetTcpEntry, nullptr);
  TConnectionTables t;
  t.TcpTableValid = t.UdpTableValid = true;
  t.ReadTCPTable();
  t.ReadUDPTable();
  EXPECT_FALSE(t.TcpTableRead());
  EXPECT_FALSE(t.UdpTableRead());

  LoadIpHelperApi();   // the real library of this system binds every export
  EXPECT_TRUE(IpHelperAvailable);
  EXPECT_NE(SetTcpEntry, nullptr);
  EXPECT_NE(GetUdpTable, nullptr);
  EXPECT_TRUE(IpHelperExtendedTablesAvailable);
}

TEST(IpHelperBinding, StateNamesComeFromTheStringResources) {
  uIPHelperAPI_Initialize();
  const char* expected[12] = {"Closed",    "Listen",    "SynSent",    "SynRcvd",
                              "Established", "Fin Wait1", "Fin Wait2", "Close Wait",
                              "Closing",   "Last ACK",  "Time Wait", "Delete TCB"};
  for (int s = 1; s <= 12; ++s) {
    char buf[64] = {};
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_TCP_STATE_BASE + s, buf, sizeof buf), 0);
    EXPECT_EQ(std::string(buf), expected[s - 1]);
    EXPECT_EQ(TcpStateNames[s - 1], expected[s - 1]);
    EXPECT_EQ(TcpStateName(s), expected[s - 1]);
  }
  EXPECT_EQ(TcpStateName(5), "Established");
  EXPECT_EQ(TcpStateName(12), "Delete TCB");
  EXPECT_EQ(TcpStateName(0), "0");
  EXPECT_EQ(TcpStateName(13), "13");
}

}  // namespace
