// The machine's IPv4 TCP connection table and UDP listener table, read
// through the IP Helper family in use. The main window owns one and reads
// both tables at every poll; the buffers live until the poll releases them.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "monitor/uIPHelperAPI.h"

// Who allocated a table buffer, and so who frees it.
enum class TTableAllocator { taNone, taProgram, taProcessHeap };

// One table as the system returned it: a 32-bit row count, then the rows.
class TTableBuffer {
public:
  TTableBuffer() = default;
  ~TTableBuffer() { Release(); }
  TTableBuffer(const TTableBuffer&) = delete;
  TTableBuffer& operator=(const TTableBuffer&) = delete;

  bool Assigned() const { return FData != nullptr; }
  void* Data() const { return FData; }
  DWORD Size() const { return FSize; }
  TTableAllocator Allocator() const { return FAllocator; }
  TIpHelperFamily Family() const { return FFamily; }

  // A buffer of exactly Size bytes from the program's memory manager.
  void Allocate(DWORD Size, TIpHelperFamily Family);
  // Takes over a table the system allocated on the process heap.
  void Adopt(void* ProcessHeapTable, TIpHelperFamily Family);
  // Frees the table with the allocator that produced it; absent afterwards.
  void Release();

  // Rows the buffer really holds: the row count, limited to its size.
  DWORD RowCount(DWORD RowSize) const;
  const DWORD* Row(DWORD Index, DWORD RowSize) const;

private:
  std::unique_ptr<uint8_t[]> FOwned;   // taProgram
  void* FData = nullptr;
  DWORD FSize = 0;
  TTableAllocator FAllocator = TTableAllocator::taNone;
  TIpHelperFamily FFamily = TIpHelperFamily::ifPlain;
};

// A TCP row of any family; OwningPid is 0 in the plain family.
struct TTcpTableRow {
  DWORD State, LocalAddr, LocalPort, RemoteAddr, RemotePort, OwningPid;
};
// A UDP listener row of any family; OwningPid is 0 in the plain family.
struct TUdpTableRow {
  DWORD LocalAddr, LocalPort, OwningPid;
};

class TConnectionTables {
public:
  // Set by the poll before each read; cleared by the read when the system
  // reports an empty table.
  bool TcpTableValid = false;
  bool UdpTableValid = false;
  // Set by the read when the table could not be read in this poll: it
  // changed at every read, or the read failed after the size query.
  bool TcpTableChanged = false;
  bool UdpTableChanged = false;
  TTableBuffer TcpTableBuffer;
  TTableBuffer UdpTableBuffer;

  void ReadTCPTable();
  void ReadUDPTable();
  // The table was read in this poll and its rows may be walked.
  bool TcpTableRead() const { return TcpTableValid && TcpTableBuffer.Assigned(); }
  bool UdpTableRead() const { return UdpTableValid && UdpTableBuffer.Assigned(); }
  void ReleaseTCPTable() { TcpTableBuffer.Release(); }
  void ReleaseUDPTable() { UdpTableBuffer.Release(); }

  DWORD TcpRowCount() const;
  TTcpTableRow TcpRow(DWORD Index) const;
  DWORD UdpRowCount() const;
  TUdpTableRow UdpRow(DWORD Index) const;
};

// Row sizes in bytes by family.
DWORD TcpRowSize(TIpHelperFamily Family);
DWORD UdpRowSize(TIpHelperFamily Family);
