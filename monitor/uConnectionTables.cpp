#include "monitor/uConnectionTables.h"

#include <cstring>

#include "classlib/SysUtils.h"

namespace {
constexpr DWORD OwnerPidTableFlags = 2;

// The three ways of reading one table; the TCP and UDP reads differ only in
// the functions they call, the table class and where the result goes.
// Changed: set when the table changed between the size query and the read,
// so that it was not read in this poll.
template <typename TExtended, typename TOwnerPid, typename TPlain>
void ReadTable(TTableBuffer& Buffer, bool& Valid, bool& Changed, TExtended Extended, int TableClass,
               TOwnerPid OwnerPid, TPlain Plain) {
  Buffer.Release();   // never reuse a table of an earlier poll
  Changed = false;
  switch (IpHelperFamily()) {
    case TIpHelperFamily::ifExtended: {
      DWORD size = 0;
      DWORD r = Extended(nullptr, &size, FALSE, IpHelperAF_INET, TableClass, 0);
      if (size == 0) Valid = false;
      if (r != ERROR_INSUFFICIENT_BUFFER || size == 0) return;
      Buffer.Allocate(size, TIpHelperFamily::ifExtended);
      // A table that grew since the size query is not filled: skip it this poll.
      if (Extended(Buffer.Data(), &size, FALSE, IpHelperAF_INET, TableClass, 0) != NO_ERROR) {
        Buffer.Release();
        Changed = true;
      }
      return;
    }
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
    case TIpHelperFamily::ifPlain: {
      if (!Plain) return;
      DWORD size = 0;
      DWORD r = Plain(nullptr, &size, TRUE);
      if (size == 0) Valid = false;
      if (r != ERROR_INSUFFICIENT_BUFFER || size == 0) return;
      Buffer.Allocate(size, TIpHelperFamily::ifPlain);
      if (Plain(Buffer.Data(), &size, FALSE) == NO_ERROR) {
        OwnerInfoMissing = true;
      } else {
        Buffer.Release();
        Changed = true;
      }
      return;
    }
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
