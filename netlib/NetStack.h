// The process-wide socket stack: address parsing and conversion, name
// resolution, the socket calls and the mapping of Winsock errors to
// exceptions. TNetStack is the interface, TNetStackWindows (unit
// NetStackWindows) the implementation over Winsock 2.
#pragma once
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "netlib/NetWinSock2.h"

using TNetSocket = WinSock2::TSocket;
using TNetAddressBytes = std::array<uint8_t, 4>;   // network order

enum class IPTextKind { ikInvalid, ikDotted, ikNumeric };
enum class IPAddressClass { acUnknown, acA, acB, acC, acD, acE };

// A set of at most 64 socket handles.
class TNetSocketList : public TObject {
  DECLARE_CLASSINFO(TNetSocketList)
public:
  virtual void Add(TNetSocket Handle) = 0;      // ENetStackSetSizeExceeded when full
  virtual void Remove(TNetSocket Handle) = 0;   // the last handle takes its slot
  virtual int Count() const = 0;
  virtual TNetSocket Items(int Index) const = 0;   // ENetStackSetSizeExceeded out of range
  virtual void Clear() = 0;
  // A new list of the class SocketListClass names.
  static std::unique_ptr<TNetSocketList> CreateSocketList();
};

// Time-outs of select in milliseconds: any negative value waits without
// limit (-2 is the one callers pass; "the component's default", -1, is
// mapped by the components before a wait reaches the stack).
class TNetStack : public TObject {
  DECLARE_CLASSINFO(TNetStack)
public:
  TNetStack() = default;
  ~TNetStack() override;

  int LastErrorCode = 0;   // of the last failure CheckSocketResult saw

  virtual void RefreshLocalAddressList() = 0;
  virtual std::string FirstLocalAddress();
  virtual TStrings* LocalAddressList();
  virtual TNetSocket SocketAccept(TNetSocket Socket, std::string& IP, int& Port) = 0;
  virtual int SocketBind(TNetSocket Socket, int Family, const std::string& IP, int Port) = 0;
  virtual int SocketClose(TNetSocket Socket) = 0;
  virtual int SocketConnect(TNetSocket Socket, int Family, const std::string& IP, int Port) = 0;
  virtual std::string HostNameToAddressText(const std::string& Name) = 0;
  virtual std::string LocalHostName() = 0;
  virtual std::string AddressTextToHostName(const std::string& IP) = 0;
  virtual int ServiceNameToPort(const std::string& Name) = 0;
  virtual std::unique_ptr<TStringList> PortToServiceNames(int Port) = 0;
  virtual uint16_t HostToNet16(uint16_t Value) = 0;
  virtual int SocketListen(TNetSocket Socket, int Backlog) = 0;
  virtual uint16_t NetToHost16(uint16_t Value) = 0;
  virtual uint32_t HostToNet32(uint32_t Value) = 0;
  virtual uint32_t NetToHost32(uint32_t Value) = 0;
  virtual int SocketRecv(TNetSocket Socket, void* Buffer, int Length, int Flags) = 0;
  virtual int SocketRecvFrom(TNetSocket Socket, void* Buffer, int Length, int Flags, std::string& IP,
                             int& Port) = 0;
  // Lists that are given are refilled with the handles found ready.
  virtual int SocketSelect(std::vector<TNetSocket>* ReadList, std::vector<TNetSocket>* WriteList,
                           int TimeoutMs, std::vector<TNetSocket>* ErrorList = nullptr) = 0;
  virtual int SocketSend(TNetSocket Socket, const void* Buffer, int Length, int Flags) = 0;
  virtual int SocketSendTo(TNetSocket Socket, const void* Buffer, int Length, int Flags,
                           const std::string& IP, int Port) = 0;
  virtual int SocketSetOption(TNetSocket Socket, int Level, int Option, const void* Value, int Length) = 0;
  virtual TNetSocket SocketCreate(int Family, int Type, int Protocol) = 0;
  virtual int SocketShutdown(TNetSocket Socket, int How) = 0;
  // Off: calls that would wait fail with WSAEWOULDBLOCK instead.
  virtual int SocketSetBlocking(TNetSocket Socket, bool Blocking) = 0;
  virtual std::string ErrorText(int Code);
  virtual int LastSocketError() = 0;
  virtual void PeerAddressOf(TNetSocket Socket, std::string& IP, int& Port) = 0;
  virtual void LocalAddressOf(TNetSocket Socket, std::string& IP, int& Port) = 0;
  virtual int SocketGetOption(TNetSocket Socket, int Level, int Option, void* Value, int& Length) = 0;
  virtual std::string AddressToText(const TNetAddressBytes& Address);
  virtual TNetAddressBytes TextToAddress(const std::string& IP);   // ENetInvalidIPAddress

  // Result -1: records the last error and raises ENetSocketError unless the
  // code is one of Ignored (then true). Any other result: false.
  bool CheckSocketResult(int Result, std::initializer_list<int> Ignored = {});
  [[noreturn]] void RaiseStackError(int Code);
  TNetSocket NewSocket(int Type, int Protocol);   // ENetInvalidSocket
  // "localhost" in any case is 127.0.0.1; address texts stay as they are;
  // anything else is looked up (ENetSocketError when that fails).
  std::string HostToAddressText(const std::string& Host);
  uint32_t TextToNetAddress(const std::string& IP);

protected:
  // The text of a Winsock code of this stack's own, before the common table.
  virtual const char* OwnErrorText(int Code);
  std::unique_ptr<TStringList> FLocalAddresses;
};

// Reads dotted (a.b.c.d, a.b.c, a.b) and plain numeric address texts, all
// strictly decimal: blanks, signs and hexadecimal are not addresses. On
// success writes the outputs given and returns true.
bool ParseIPText(const std::string& Text, TNetAddressBytes* Bytes = nullptr, IPTextKind* Kind = nullptr,
                 IPAddressClass* Class = nullptr);
bool IsIPText(const std::string& Text);

using TNetStackClass = std::unique_ptr<TNetStack> (*)();
using TNetSocketListClass = std::unique_ptr<TNetSocketList> (*)();

// The stack while any protocol component exists (see TNetComponent).
extern std::unique_ptr<TNetStack> GlobalStack;
extern TNetStackClass StackClass;              // set when unit NetGlobal starts
extern TNetSocketListClass SocketListClass;    // set when unit NetStackWindows starts

// GlobalStack, which must exist.
TNetStack& Stack();
