// IP Helper functions bound by name at start-up, the API families they make
// usable, and the display names of the TCP connection states.
#pragma once

// String resources (monitor/uIPHelperAPI.rc): the name of TCP state s
// (1..12) has the id IDS_TCP_STATE_BASE + s.
#define IDS_TCP_STATE_BASE 1100

#ifndef RC_INVOKED
#include <windows.h>

#include <array>
#include <string>

// Signatures of the bound exports (ANSI/IPv4 use only; table pointers untyped).
using TGetExtendedTcpTable = DWORD(WINAPI*)(PVOID pTcpTable, PDWORD pdwSize, BOOL bOrder,
                                            ULONG ulAf, int TableClass, ULONG Reserved);
using TGetExtendedUdpTable = DWORD(WINAPI*)(PVOID pUdpTable, PDWORD pdwSize, BOOL bOrder,
                                            ULONG ulAf, int TableClass, ULONG Reserved);
using TAllocateAndGetTcpExTableFromStack = DWORD(WINAPI*)(PVOID* ppTcpTable, BOOL bOrder,
                                                          HANDLE hHeap, DWORD dwFlags,
                                                          DWORD dwFamily);
using TAllocateAndGetUdpExTableFromStack = DWORD(WINAPI*)(PVOID* ppUdpTable, BOOL bOrder,
                                                          HANDLE hHeap, DWORD dwFlags,
                                                          DWORD dwFamily);
using TGetTcpTable = DWORD(WINAPI*)(PVOID pTcpTable, PDWORD pdwSize, BOOL bOrder);
using TGetUdpTable = DWORD(WINAPI*)(PVOID pUdpTable, PDWORD pdwSize, BOOL bOrder);
using TSetTcpEntry = DWORD(WINAPI*)(PVOID pTcpRow);

// Filled by LoadIpHelperApi; null when the export is missing. Tests replace
// them with fakes and call ComputeIpHelperFlags.
extern TAllocateAndGetTcpExTableFromStack AllocateAndGetTcpExTableFromStack;
extern TAllocateAndGetUdpExTableFromStack AllocateAndGetUdpExTableFromStack;
extern TSetTcpEntry SetTcpEntry;
extern TGetExtendedTcpTable GetExtendedTcpTable;
extern TGetExtendedUdpTable GetExtendedUdpTable;
extern TGetTcpTable GetTcpTable;
extern TGetUdpTable GetUdpTable;

extern bool IpHelperAvailable;                // library loaded and GetTcpTable bound
extern bool IpHelperExTablesAvailable;        // plus both AllocateAndGet...ExTableFromStack
extern bool IpHelperExtendedTablesAvailable;  // plus both GetExtended...Table

// Set once a plain-family table has been read: rows carry no process IDs.
extern bool OwnerInfoMissing;

// Display names of the TCP states, indexed by state - 1.
extern std::array<std::string, 12> TcpStateNames;
// TcpStateNames[State - 1], or the number as text for a state outside 1..12.
std::string TcpStateName(DWORD State);

constexpr ULONG IpHelperAF_INET = 2;
constexpr int TCP_TABLE_OWNER_PID_ALL_CLASS = 5;
constexpr int UDP_TABLE_OWNER_PID_CLASS = 1;

// The family every table read uses, newest usable first.
enum class TIpHelperFamily { ifExtended, ifOwnerPid, ifPlain };
TIpHelperFamily IpHelperFamily();

void LoadIpHelperApi();
// Binds from the named library (LoadIpHelperApi uses "iphlpapi.dll").
void LoadIpHelperApiFrom(const char* LibraryName);
// Recomputes the three flags from the library handle and the pointers.
void ComputeIpHelperFlags();
// Loads the state names from the string resources of the running program.
void LoadTcpStateNames();

void uIPHelperAPI_Initialize();
void uIPHelperAPI_Finalize();
#endif
