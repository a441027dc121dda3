#include "monitor/uIPHelperAPI.h"

#include "classlib/SysUtils.h"
#include "classlib/UnitInit.h"
#include "classlib/WinHandles.h"

TAllocateAndGetTcpExTableFromStack AllocateAndGetTcpExTableFromStack = nullptr;
TAllocateAndGetUdpExTableFromStack AllocateAndGetUdpExTableFromStack = nullptr;
TSetTcpEntry SetTcpEntry = nullptr;
TGetExtendedTcpTable GetExtendedTcpTable = nullptr;
TGetExtendedUdpTable GetExtendedUdpTable = nullptr;
TGetTcpTable GetTcpTable = nullptr;
TGetUdpTable GetUdpTable = nullptr;

bool IpHelperAvailable = false;
bool IpHelperExTablesAvailable = false;
bool IpHelperExtendedTablesAvailable = false;
bool OwnerInfoMissing = false;

std::array<std::string, 12> TcpStateNames;

namespace {
TLibraryHandle IpHelperLibrary;
TUnitCounter UnitCounter;

void UnbindAll() {
  AllocateAndGetTcpExTableFromStack = nullptr;
  AllocateAndGetUdpExTableFromStack = nullptr;
  SetTcpEntry = nullptr;
  GetExtendedTcpTable = nullptr;
  GetExtendedUdpTable = nullptr;
  GetTcpTable = nullptr;
  GetUdpTable = nullptr;
}
}  // namespace

std::string TcpStateName(DWORD State) {
  if (State >= 1 && State <= TcpStateNames.size()) return TcpStateNames[State - 1];
  return IntToStr(State);
}

TIpHelperFamily IpHelperFamily() {
  if (IpHelperExtendedTablesAvailable) return TIpHelperFamily::ifExtended;
  if (IpHelperExTablesAvailable) return TIpHelperFamily::ifOwnerPid;
  return TIpHelperFamily::ifPlain;
}

void ComputeIpHelperFlags() {
  IpHelperAvailable = IpHelperLibrary.Valid() && GetTcpTable != nullptr;
  IpHelperExTablesAvailable = IpHelperAvailable && AllocateAndGetTcpExTableFromStack &&
                              AllocateAndGetUdpExTableFromStack;
  IpHelperExtendedTablesAvailable =
      IpHelperAvailable && GetExtendedTcpTable && GetExtendedUdpTable;
}

void LoadIpHelperApiFrom(const char* LibraryName) {
  UnbindAll();
  IpHelperLibrary.Reset(LoadLibraryA(LibraryName));
  if (IpHelperLibrary.Valid()) {
    HMODULE h = IpHelperLibrary.Get();
    AllocateAndGetTcpExTableFromStack =
        GetProc<TAllocateAndGetTcpExTableFromStack>(h, "AllocateAndGetTcpExTableFromStack");
    AllocateAndGetUdpExTableFromStack =
        GetProc<TAllocateAndGetUdpExTableFromStack>(h, "AllocateAndGetUdpExTableFromStack");
    SetTcpEntry = GetProc<TSetTcpEntry>(h, "SetTcpEntry");
    GetExtendedTcpTable = GetProc<TGetExtendedTcpTable>(h, "GetExtendedTcpTable");
    GetExtendedUdpTable = GetProc<TGetExtendedUdpTable>(h, "GetExtendedUdpTable");
    GetTcpTable = GetProc<TGetTcpTable>(h, "GetTcpTable");
    GetUdpTable = GetProc<TGetUdpTable>(h, "GetUdpTable");
  }
  ComputeIpHelperFlags();
}

void LoadIpHelperApi() { LoadIpHelperApiFrom("iphlpapi.dll"); }

void LoadTcpStateNames() {
  HINSTANCE inst = GetModuleHandleA(nullptr);
  for (size_t i = 0; i < TcpStateNames.size(); ++i) {
    char buf[256];
    int n = LoadStringA(inst, IDS_TCP_STATE_BASE + static_cast<UINT>(i) + 1, buf, sizeof buf);
    TcpStateNames[i].assign(buf, n > 0 ? static_cast<size_t>(n) : 0);
  }
}

void uIPHelperAPI_Initialize() {
  if (!UnitCounter.Enter()) return;
  LoadTcpStateNames();
  LoadIpHelperApi();
}

void uIPHelperAPI_Finalize() {
  if (!UnitCounter.Leave()) return;
  UnbindAll();
  IpHelperLibrary.Reset();
  ComputeIpHelperFlags();
}
