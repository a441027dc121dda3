// Winsock 2, bound by name. WS2_32.DLL is loaded only by WSAStartup; every
// other function is a pointer cell that starts on a stub of its own. The
// first call through a cell binds it (GetProcAddress) and goes on into the
// system function; later calls go straight there. A name missing from the
// library raises ENetWS2StubError when it is called, never before.
//
// The declarations are our own (the system's winsock headers are not used
// here), kept in the namespace WinSock2 so that they cannot meet the
// imported Winsock 1.1 names other units use. Tests may replace any cell
// with a fake and must put it back.
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>

namespace WinSock2 {

using TSocket = uintptr_t;   // SOCKET: pointer-sized, ~0 = invalid
constexpr TSocket InvalidSocket = ~TSocket(0);
constexpr int SocketError = -1;

constexpr int afInet = 2;
constexpr int sockStream = 1;
constexpr int sockDgram = 2;
constexpr int sockRaw = 3;
constexpr int ipprotoIp = 0;
constexpr int ipprotoIcmp = 1;
constexpr int ipprotoTcp = 6;
constexpr int ipprotoUdp = 17;
constexpr int ipTtl = 4;          // IP_TTL of Winsock 2 (the 1.1 header says 7)
constexpr int solSocket = 0xFFFF;
constexpr int sdSend = 1;
constexpr int setSize = 64;       // FD_SETSIZE
constexpr long fionbio = static_cast<long>(0x8004667EUL);   // FIONBIO of ioctlsocket

constexpr int wsaEIntr = 10004;
constexpr int wsaEAccess = 10013;
constexpr int wsaENotSock = 10038;
constexpr int wsaEMsgSize = 10040;
constexpr int wsaEAddrInUse = 10048;
constexpr int wsaNotInitialised = 10093;
constexpr int wsaHostNotFound = 11001;

struct TInAddr {
  uint8_t Bytes[4];   // network order
};
struct TSockAddr {
  uint16_t Family;
  char Data[14];
};
struct TSockAddrIn {
  int16_t Family;
  uint16_t Port;      // network order
  TInAddr Addr;
  char Zero[8];
};
struct THostEnt {
  char* Name;
  char** Aliases;
  int16_t AddrType;
  int16_t Length;
  char** AddrList;
};
struct TServEnt {
  char* Name;
  char** Aliases;
#ifdef _WIN64
  char* Proto;
  int16_t Port;       // network order
#else
  int16_t Port;
  char* Proto;
#endif
};
struct TProtoEnt {
  char* Name;
  char** Aliases;
  int16_t Proto;
};
struct TFDSet {
  unsigned int Count;
  TSocket Sockets[setSize];
};
struct TTimeVal {
  long Sec;
  long USec;
};
struct TWSAData {
  uint16_t Version;
  uint16_t HighVersion;
#ifdef _WIN64
  uint16_t MaxSockets;
  uint16_t MaxUdpDg;
  char* VendorInfo;
  char Description[257];
  char SystemStatus[129];
#else
  char Description[257];
  char SystemStatus[129];
  uint16_t MaxSockets;
  uint16_t MaxUdpDg;
  char* VendorInfo;
#endif
};

// The binding table, in its fixed order: cell name, export name, result,
// parameters, arguments. Structures the components never fill are passed
// as untyped pointers.
#define NET_WINSOCK2_TABLE(X)                                                                        \
  X(WSACleanup, "WSACleanup", int, (), ())                                                           \
  X(accept, "accept", TSocket, (TSocket s, TSockAddr * a, int* l), (s, a, l))                        \
  X(bind, "bind", int, (TSocket s, const TSockAddr* a, int l), (s, a, l))                            \
  X(closesocket, "closesocket", int, (TSocket s), (s))                                               \
  X(connect, "connect", int, (TSocket s, const TSockAddr* a, int l), (s, a, l))                      \
  X(ioctlsocket, "ioctlsocket", int, (TSocket s, long c, unsigned long* p), (s, c, p))               \
  X(getpeername, "getpeername", int, (TSocket s, TSockAddr * a, int* l), (s, a, l))                  \
  X(getsockname, "getsockname", int, (TSocket s, TSockAddr * a, int* l), (s, a, l))                  \
  X(getsockopt, "getsockopt", int, (TSocket s, int lv, int o, char* v, int* l), (s, lv, o, v, l))    \
  X(htonl, "htonl", unsigned long, (unsigned long v), (v))                                           \
  X(htons, "htons", unsigned short, (unsigned short v), (v))                                         \
  X(inet_addr, "inet_addr", unsigned long, (const char* c), (c))                                     \
  X(inet_ntoa, "inet_ntoa", char*, (TInAddr a), (a))                                                 \
  X(listen, "listen", int, (TSocket s, int b), (s, b))                                               \
  X(ntohl, "ntohl", unsigned long, (unsigned long v), (v))                                           \
  X(ntohs, "ntohs", unsigned short, (unsigned short v), (v))                                         \
  X(recv, "recv", int, (TSocket s, char* b, int l, int f), (s, b, l, f))                             \
  X(recvfrom, "recvfrom", int, (TSocket s, char* b, int l, int f, TSockAddr* a, int* al),            \
    (s, b, l, f, a, al))                                                                             \
  X(select, "select", int, (int n, TFDSet* r, TFDSet* w, TFDSet* e, const TTimeVal* t),              \
    (n, r, w, e, t))                                                                                 \
  X(send, "send", int, (TSocket s, const char* b, int l, int f), (s, b, l, f))                       \
  X(sendto, "sendto", int, (TSocket s, const char* b, int l, int f, const TSockAddr* a, int al),     \
    (s, b, l, f, a, al))                                                                             \
  X(setsockopt, "setsockopt", int, (TSocket s, int lv, int o, const char* v, int l),                 \
    (s, lv, o, v, l))                                                                                \
  X(shutdown, "shutdown", int, (TSocket s, int h), (s, h))                                           \
  X(socket, "socket", TSocket, (int af, int t, int p), (af, t, p))                                   \
  X(gethostbyaddr, "gethostbyaddr", THostEnt*, (const char* a, int l, int t), (a, l, t))             \
  X(gethostbyname, "gethostbyname", THostEnt*, (const char* n), (n))                                 \
  X(gethostname, "gethostname", int, (char* n, int l), (n, l))                                       \
  X(getservbyport, "getservbyport", TServEnt*, (int p, const char* pr), (p, pr))                     \
  X(getservbyname, "getservbyname", TServEnt*, (const char* n, const char* pr), (n, pr))             \
  X(getprotobynumber, "getprotobynumber", TProtoEnt*, (int n), (n))                                  \
  X(getprotobyname, "getprotobyname", TProtoEnt*, (const char* n), (n))                              \
  X(WSASetLastError, "WSASetLastError", void, (int e), (e))                                          \
  X(WSAGetLastError, "WSAGetLastError", int, (), ())                                                 \
  X(WSAIsBlocking, "WSAIsBlocking", BOOL, (), ())                                                    \
  X(WSAUnhookBlockingHook, "WSAUnhookBlockingHook", int, (), ())                                     \
  X(WSASetBlockingHook, "WSASetBlockingHook", FARPROC, (FARPROC f), (f))                             \
  X(WSACancelBlockingCall, "WSACancelBlockingCall", int, (), ())                                     \
  X(WSAAsyncGetServByName, "WSAAsyncGetServByName", HANDLE,                                          \
    (HWND w, unsigned m, const char* n, const char* p, char* b, int l), (w, m, n, p, b, l))          \
  X(WSAAsyncGetServByPort, "WSAAsyncGetServByPort", HANDLE,                                          \
    (HWND w, unsigned m, int n, const char* p, char* b, int l), (w, m, n, p, b, l))                  \
  X(WSAAsyncGetProtoByName, "WSAAsyncGetProtoByName", HANDLE,                                        \
    (HWND w, unsigned m, const char* n, char* b, int l), (w, m, n, b, l))                            \
  X(WSAAsyncGetProtoByNumber, "WSAAsyncGetProtoByNumber", HANDLE,                                    \
    (HWND w, unsigned m, int n, char* b, int l), (w, m, n, b, l))                                    \
  X(WSAAsyncGetHostByName, "WSAAsyncGetHostByName", HANDLE,                                          \
    (HWND w, unsigned m, const char* n, char* b, int l), (w, m, n, b, l))                            \
  X(WSAAsyncGetHostByAddr, "WSAAsyncGetHostByAddr", HANDLE,                                          \
    (HWND w, unsigned m, const char* a, int al, int t, char* b, int l), (w, m, a, al, t, b, l))      \
  X(WSACancelAsyncRequest, "WSACancelAsyncRequest", int, (HANDLE h), (h))                            \
  X(WSAAsyncSelect, "WSAAsyncSelect", int, (TSocket s, HWND w, unsigned m, long e), (s, w, m, e))    \
  X(__WSAFDIsSet, "__WSAFDIsSet", int, (TSocket s, TFDSet * f), (s, f))                              \
  X(WSAAccept, "WSAAccept", TSocket, (TSocket s, TSockAddr * a, int* l, void* c, DWORD_PTR d),       \
    (s, a, l, c, d))                                                                                 \
  X(WSACloseEvent, "WSACloseEvent", BOOL, (HANDLE e), (e))                                           \
  X(WSAConnect, "WSAConnect", int,                                                                   \
    (TSocket s, const TSockAddr* a, int l, void* cd, void* ce, void* sq, void* gq),                  \
    (s, a, l, cd, ce, sq, gq))                                                                       \
  X(WSACreateEvent, "WSACreateEvent", HANDLE, (), ())                                                \
  X(WSADuplicateSocketA, "WSADuplicateSocketA", int, (TSocket s, DWORD p, void* i), (s, p, i))       \
  X(WSADuplicateSocketW, "WSADuplicateSocketW", int, (TSocket s, DWORD p, void* i), (s, p, i))       \
  X(WSAEnumNetworkEvents, "WSAEnumNetworkEvents", int, (TSocket s, HANDLE e, void* n), (s, e, n))    \
  X(WSAEnumProtocolsA, "WSAEnumProtocolsA", int, (int* p, void* b, DWORD* l), (p, b, l))             \
  X(WSAEnumProtocolsW, "WSAEnumProtocolsW", int, (int* p, void* b, DWORD* l), (p, b, l))             \
  X(WSAEventSelect, "WSAEventSelect", int, (TSocket s, HANDLE e, long n), (s, e, n))                 \
  X(WSAGetOverlappedResult, "WSAGetOverlappedResult", BOOL,                                          \
    (TSocket s, void* o, DWORD* t, BOOL w, DWORD* f), (s, o, t, w, f))                               \
  X(WSAGetQosByName, "WSAGetQosByName", BOOL, (TSocket s, void* n, void* q), (s, n, q))              \
  X(WSAHtonl, "WSAHtonl", int, (TSocket s, unsigned long h, unsigned long* n), (s, h, n))            \
  X(WSAHtons, "WSAHtons", int, (TSocket s, unsigned short h, unsigned short* n), (s, h, n))          \
  X(WSAIoctl, "WSAIoctl", int,                                                                       \
    (TSocket s, DWORD c, void* i, DWORD il, void* o, DWORD ol, DWORD* r, void* ov, void* cr),        \
    (s, c, i, il, o, ol, r, ov, cr))                                                                 \
  X(WSAJoinLeaf, "WSAJoinLeaf", TSocket,                                                             \
    (TSocket s, const TSockAddr* a, int l, void* cd, void* ce, void* sq, void* gq, DWORD f),         \
    (s, a, l, cd, ce, sq, gq, f))                                                                    \
  X(WSANtohl, "WSANtohl", int, (TSocket s, unsigned long n, unsigned long* h), (s, n, h))            \
  X(WSANtohs, "WSANtohs", int, (TSocket s, unsigned short n, unsigned short* h), (s, n, h))          \
  X(WSARecv, "WSARecv", int, (TSocket s, void* b, DWORD c, DWORD* r, DWORD* f, void* o, void* cr),   \
    (s, b, c, r, f, o, cr))                                                                          \
  X(WSARecvDisconnect, "WSARecvDisconnect", int, (TSocket s, void* d), (s, d))                       \
  X(WSARecvFrom, "WSARecvFrom", int,                                                                 \
    (TSocket s, void* b, DWORD c, DWORD* r, DWORD* f, TSockAddr* a, int* al, void* o, void* cr),     \
    (s, b, c, r, f, a, al, o, cr))                                                                   \
  X(WSAResetEvent, "WSAResetEvent", BOOL, (HANDLE e), (e))                                           \
  X(WSASend, "WSASend", int, (TSocket s, void* b, DWORD c, DWORD* n, DWORD f, void* o, void* cr),    \
    (s, b, c, n, f, o, cr))                                                                          \
  X(WSASendDisconnect, "WSASendDisconnect", int, (TSocket s, void* d), (s, d))                       \
  X(WSASendTo, "WSASendTo", int,                                                                     \
    (TSocket s, void* b, DWORD c, DWORD* n, DWORD f, const TSockAddr* a, int al, void* o, void* cr), \
    (s, b, c, n, f, a, al, o, cr))                                                                   \
  X(WSASetEvent, "WSASetEvent", BOOL, (HANDLE e), (e))                                               \
  X(WSASocketA, "WSASocketA", TSocket, (int af, int t, int p, void* i, unsigned g, DWORD f),         \
    (af, t, p, i, g, f))                                                                             \
  X(WSASocketW, "WSASocketW", TSocket, (int af, int t, int p, void* i, unsigned g, DWORD f),         \
    (af, t, p, i, g, f))                                                                             \
  X(WSAWaitForMultipleEvents, "WSAWaitForMultipleEvents", DWORD,                                     \
    (DWORD c, const HANDLE* e, BOOL a, DWORD t, BOOL al), (c, e, a, t, al))                          \
  X(WSAAddressToStringA, "WSAAddressToStringA", int,                                                 \
    (TSockAddr * a, DWORD al, void* i, char* s, DWORD* sl), (a, al, i, s, sl))                       \
  X(WSAAddressToStringW, "WSAAddressToStringW", int,                                                 \
    (TSockAddr * a, DWORD al, void* i, wchar_t* s, DWORD* sl), (a, al, i, s, sl))                    \
  X(WSAStringToAddressA, "WSAStringToAddressA", int,                                                 \
    (char* s, int f, void* i, TSockAddr* a, int* al), (s, f, i, a, al))                              \
  X(WSAStringToAddressW, "WSAStringToAddressW", int,                                                 \
    (wchar_t * s, int f, void* i, TSockAddr* a, int* al), (s, f, i, a, al))                          \
  X(WSALookupServiceBeginA, "WSALookupServiceBeginA", int, (void* q, DWORD f, HANDLE* h), (q, f, h)) \
  X(WSALookupServiceBeginW, "WSALookupServiceBeginW", int, (void* q, DWORD f, HANDLE* h), (q, f, h)) \
  X(WSALookupServiceNextA, "WSALookupServiceNextA", int, (HANDLE h, DWORD f, DWORD* l, void* r),     \
    (h, f, l, r))                                                                                    \
  X(WSALookupServiceNextW, "WSALookupServiceNextW", int, (HANDLE h, DWORD f, DWORD* l, void* r),     \
    (h, f, l, r))                                                                                    \
  X(WSALookupServiceEnd, "WSALookupServiceEnd", int, (HANDLE h), (h))                                \
  X(WSAInstallServiceClassA, "WSAInstallServiceClassA", int, (void* i), (i))                         \
  X(WSAInstallServiceClassW, "WSAInstallServiceClassW", int, (void* i), (i))                         \
  X(WSARemoveServiceClass, "WSARemoveServiceClass", int, (void* g), (g))                             \
  X(WSAGetServiceClassInfoA, "WSAGetServiceClassInfoA", int, (void* p, void* c, DWORD* l, void* i),  \
    (p, c, l, i))                                                                                    \
  X(WSAGetServiceClassInfoW, "WSAGetServiceClassInfoW", int, (void* p, void* c, DWORD* l, void* i),  \
    (p, c, l, i))                                                                                    \
  X(WSAEnumNameSpaceProvidersA, "WSAEnumNameSpaceProvidersA", int, (DWORD * l, void* b), (l, b))     \
  X(WSAEnumNameSpaceProvidersW, "WSAEnumNameSpaceProvidersW", int, (DWORD * l, void* b), (l, b))     \
  X(WSAGetServiceClassNameByClassIdA, "WSAGetServiceClassNameByClassIdA", int,                       \
    (void* c, char* n, DWORD* l), (c, n, l))                                                         \
  X(WSAGetServiceClassNameByClassIdW, "WSAGetServiceClassNameByClassIdW", int,                       \
    (void* c, wchar_t* n, DWORD* l), (c, n, l))                                                      \
  X(WSASetServiceA, "WSASetServiceA", int, (void* q, int o, DWORD f), (q, o, f))                     \
  X(WSASetServiceW, "WSASetServiceW", int, (void* q, int o, DWORD f), (q, o, f))                     \
  X(WSAProviderConfigChange, "WSAProviderConfigChange", int, (HANDLE * h, void* o, void* cr),        \
    (h, o, cr))                                                                                      \
  X(WSADuplicateSocket, "WSADuplicateSocketA", int, (TSocket s, DWORD p, void* i), (s, p, i))        \
  X(WSAEnumProtocols, "WSAEnumProtocolsA", int, (int* p, void* b, DWORD* l), (p, b, l))              \
  X(WSASocket, "WSASocketA", TSocket, (int af, int t, int p, void* i, unsigned g, DWORD f),          \
    (af, t, p, i, g, f))                                                                             \
  X(WSAAddressToString, "WSAAddressToStringA", int,                                                  \
    (TSockAddr * a, DWORD al, void* i, char* s, DWORD* sl), (a, al, i, s, sl))                       \
  X(WSAStringToAddress, "WSAStringToAddressA", int,                                                  \
    (char* s, int f, void* i, TSockAddr* a, int* al), (s, f, i, a, al))                              \
  X(WSALookupServiceBegin, "WSALookupServiceBeginA", int, (void* q, DWORD f, HANDLE* h), (q, f, h))  \
  X(WSALookupServiceNext, "WSALookupServiceNextA", int, (HANDLE h, DWORD f, DWORD* l, void* r),      \
    (h, f, l, r))                                                                                    \
  X(WSAInstallServiceClass, "WSAInstallServiceClassA", int, (void* i), (i))                          \
  X(WSAGetServiceClassInfo, "WSAGetServiceClassInfoA", int, (void* p, void* c, DWORD* l, void* i),   \
    (p, c, l, i))                                                                                    \
  X(WSAEnumNameSpaceProviders, "WSAEnumNameSpaceProvidersA", int, (DWORD * l, void* b), (l, b))      \
  X(WSAGetServiceClassNameByClassId, "WSAGetServiceClassNameByClassIdA", int,                        \
    (void* c, char* n, DWORD* l), (c, n, l))                                                         \
  X(WSASetService, "WSASetServiceA", int, (void* q, int o, DWORD f), (q, o, f))                      \
  X(TransmitFile, "TransmitFile", BOOL,                                                              \
    (TSocket s, HANDLE f, DWORD n, DWORD ps, void* o, void* b, DWORD r), (s, f, n, ps, o, b, r))     \
  X(AcceptEx, "AcceptEx", BOOL,                                                                      \
    (TSocket l, TSocket a, void* b, DWORD rl, DWORD la, DWORD ra, DWORD* r, void* o),                \
    (l, a, b, rl, la, ra, r, o))                                                                     \
  X(GetAcceptExSockaddrs, "GetAcceptExSockaddrs", void,                                              \
    (void* b, DWORD rl, DWORD la, DWORD ra, TSockAddr** l, int* ll, TSockAddr** r, int* rl2),        \
    (b, rl, la, ra, l, ll, r, rl2))                                                                  \
  X(WSARecvEx, "WSARecvEx", int, (TSocket s, char* b, int l, int* f), (s, b, l, f))

#define NET_WINSOCK2_DECLARE(Cell, Export, R, Params, Args) \
  using T_##Cell = R(WINAPI*) Params;                        \
  extern T_##Cell Cell;
NET_WINSOCK2_TABLE(NET_WINSOCK2_DECLARE)
#undef NET_WINSOCK2_DECLARE

#define NET_WINSOCK2_INDEX(Cell, Export, R, Params, Args) entry_##Cell,
enum TEntryIndex : int { NET_WINSOCK2_TABLE(NET_WINSOCK2_INDEX) EntryCount };
#undef NET_WINSOCK2_INDEX

// The library's file name; WSAStartup loads it.
extern const char* LibraryName;

// Loads the library when it is not loaded and calls its WSAStartup; once it
// is loaded, returns 0 without calling the system again. A library that
// cannot be loaded raises ENetWS2StubError.
int WSAStartup(uint16_t VersionRequested, TWSAData* Data);

// The binder: the address of entry Index's export. Raises ENetWS2StubError
// (code 10093) while the library is not loaded, or with the system's code
// when the export is missing; the cell then stays on its stub. Otherwise the
// cell is bound.
FARPROC BindEntry(int Index);
const char* EntryName(int Index);   // the export name looked up
bool EntryBound(int Index);         // false while the cell is on its stub
bool Loaded();

// Points every cell back at its stub.
void ResetCells();
// Frees the library (once, however many threads call it) and resets the cells.
void Unload();

// The unspecified (::) and loopback (::1) IPv6 addresses.
extern std::array<uint8_t, 16> in6addr_any;
extern std::array<uint8_t, 16> in6addr_loopback;

}  // namespace WinSock2

void NetWinSock2_Initialize();
void NetWinSock2_Finalize();   // unloads the library
