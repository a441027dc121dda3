#include "monitor/uConnectionTables.h"

#include <cstring>

#include "classlib/SysUtils.h"

namespace {
constexpr DWORD OwnerPidTableFlags = 2;
// Reads after the first one when the table grew in between.
constexpr int ReadRetries = 3;

// The families read by size: Call(nullptr, &Size) asks for the size, then
// Call(Buffer, &Size) reads into a buffer of that size. On a busy machine
// the table often grows in between, and the read fills nothing: it is read
// again with the size that read reported and an eighth more room, at most
// ReadRetries times, before it counts as changed for this poll. True when
// the table was read.
template <typename TCall>
bool ReadBySize(TTableBuffer& Buffer, bool& Valid, bool& Changed, TIpHelperFamily Family, TCall Call) {
  DWORD size = 0;
  DWORD r = Call(nullptr, &size);
  if (size == 0) Valid = false;
  if (r != ERROR_INSUFFICIENT_BUFFER || size == 0) return false;
  DWORD room = size;   // the first read takes exactly the size reported
  for (int read = 0; read <= ReadRetries; ++read) {
    Buffer.Allocate(room, Family);
    size = room;
    r = Call(Buffer.Data(), &size);
    if (r == NO_ERROR) return true;
    Buffer.Release();
    if (r != ERROR_INSUFFICIENT_BUFFER) break;
    room = size + size / 8;
  }
  Changed = true;
  return false;
}

// The three ways of reading one table; the TCP and UDP reads differ only in
// the functions they call, the table class and where the result goes.
// Changed: set when the table could not be read in this poll, having
// changed at every read.
template <typename TExtended, typename TOwnerPid, typename TPlain>
void ReadTable(TTableBuffer& Buffer, bool& Valid, bool& Changed, TExtended Extended, int TableClass,
               TOwnerPid OwnerPid, TPlain Plain) {
  Buffer.Release();   // never reuse a table of an earlier poll
  Changed = false;
  switch (IpHelperFamily()) {
    case TIpHelperFamily::ifExtended:
      ReadBySize(Buffer, Valid, Changed, TIpHelperFamily::ifExtended, [&](PVOID Table, PDWORD Size) {
        return Extended(Table, Size, FALSE, IpHelperAF_INET, TableClass, 0);
      });
      return;
    case TIpHelperFamily::ifOwnerPid: {
      PVOID table = nullptr;
      DWORD r = OwnerPid(&table, TRUE, GetProcessHeap(), OwnerPidTableFlags, IpHelperAF_INET);
      if (!table) return;
      if (r == NO_ERROR)
        Buffer.Adopt(table, TIpHelperFamily::ifOwnerPid);
      else
        HeapFree(GetProcessHeap(), 0, table);   // a table handed back with an error
      return;
    }
    case TIpHelperFamily::ifPlain:
      // sized with a sorted request, read unsorted
      if (!Plain) return;
      if (ReadBySize(Buffer, Valid, Changed, TIpHelperFamily::ifPlain,
                     [&](PVOID Table, PDWORD Size) { return Plain(Table, Size, Table ? FALSE : TRUE); }))
        OwnerInfoMissing = true;
      return;
  }
}
}  // namespace

DWORD TcpRowSize(TIpHelperFamily Family) { return Family == TIpHelperFamily::ifPlain ? 20 : 24; }
DWORD UdpRowSize(TIpHelperFamily Family) { return Family == TIpHelperFamily::ifPlain ? 8 : 12; }

void TTableBuffer::Allocate(DWORD Size, TIpHelperFamily Family) {
  Release();
  FOwned = std::make_unique_for_overwrite<uint8_t[]>(Size);
  FData = FOwned.get();
  FSize = Size;
  FAllocator = TTableAllocator::taProgram;
  FFamily = Family;
}

void TTableBuffer::Adopt(void* ProcessHeapTable, TIpHelperFamily Family) {
  Release();
  FData = ProcessHeapTable;
  SIZE_T s = HeapSize(GetProcessHeap(), 0, ProcessHeapTable);
  FSize = s == static_cast<SIZE_T>(-1) || s > MAXDWORD ? 0 : static_cast<DWORD>(s);
  FAllocator = TTableAllocator::taProcessHeap;
  FFamily = Family;
}

void TTableBuffer::Release() {
  if (FAllocator == TTableAllocator::taProcessHeap && FData) HeapFree(GetProcessHeap(), 0, FData);
  FOwned.reset();
  FData = nullptr;
  FSize = 0;
  FAllocator = TTableAllocator::taNone;
}

DWORD TTableBuffer::RowCount(DWORD RowSize) const {
  if (!FData || FSize < sizeof(DWORD)) return 0;
  DWORD n;
  std::memcpy(&n, FData, sizeof n);
  DWORD fits = (FSize - sizeof(DWORD)) / RowSize;
  return n < fits ? n : fits;
}

const DWORD* TTableBuffer::Row(DWORD Index, DWORD RowSize) const {
  return reinterpret_cast<const DWORD*>(static_cast<const uint8_t*>(FData) + sizeof(DWORD) +
                                        static_cast<size_t>(Index) * RowSize);
}

void TConnectionTables::ReadTCPTable() {
  if (!IpHelperAvailable) return;
  ReadTable(TcpTableBuffer, TcpTableValid, TcpTableChanged, GetExtendedTcpTable, TCP_TABLE_OWNER_PID_ALL_CLASS,
            AllocateAndGetTcpExTableFromStack, GetTcpTable);
}

void TConnectionTables::ReadUDPTable() {
  if (!IpHelperAvailable) return;
  ReadTable(UdpTableBuffer, UdpTableValid, UdpTableChanged, GetExtendedUdpTable, UDP_TABLE_OWNER_PID_CLASS,
            AllocateAndGetUdpExTableFromStack, GetUdpTable);
}

DWORD TConnectionTables::TcpRowCount() const {
  if (!TcpTableRead()) return 0;
  return TcpTableBuffer.RowCount(TcpRowSize(TcpTableBuffer.Family()));
}

TTcpTableRow TConnectionTables::TcpRow(DWORD Index) const {
  if (Index >= TcpRowCount())
    throw EListError("TCP row index out of bounds (" + IntToStr(Index) + ")");
  const TIpHelperFamily f = TcpTableBuffer.Family();
  const DWORD* r = TcpTableBuffer.Row(Index, TcpRowSize(f));
  return {r[0], r[1], r[2], r[3], r[4], f == TIpHelperFamily::ifPlain ? 0 : r[5]};
}

DWORD TConnectionTables::UdpRowCount() const {
  if (!UdpTableRead()) return 0;
  return UdpTableBuffer.RowCount(UdpRowSize(UdpTableBuffer.Family()));
}

TUdpTableRow TConnectionTables::UdpRow(DWORD Index) const {
  if (Index >= UdpRowCount())
    throw EListError("UDP row index out of bounds (" + IntToStr(Index) + ")");
  const TIpHelperFamily f = UdpTableBuffer.Family();
  const DWORD* r = UdpTableBuffer.Row(Index, UdpRowSize(f));
  return {r[0], r[1], f == TIpHelperFamily::ifPlain ? 0 : r[2]};
}
