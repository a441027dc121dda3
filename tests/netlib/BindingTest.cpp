// Winsock 2 bound by name: loaded by the first start-up only, each function
// bound on its first call, missing names failing when called, and back on
// the stubs after the unload. Also the exception tree's messages.
#include <gtest/gtest.h>

#include <set>

#include "NetTestKit.h"
#include "classlib/SysUtils.h"
#include "netlib/NetException.h"
#include "netlib/NetStack.h"
#include "netlib/NetWinSock2.h"

namespace ws = WinSock2;

namespace {

class BindingTest : public TNetUnitsTest {};

// The error a call through the cell raises, or none.
template <typename F>
std::string CallError(F Call, uint32_t* Code = nullptr) {
  try {
    Call();
  } catch (const ENetWS2StubError& e) {
    if (Code) *Code = e.Win32Error;
    return e.Title;
  }
  return "(none)";
}

TEST_F(BindingTest, CallsBeforeStartupRaiseAndStayOnTheStub) {
  ASSERT_FALSE(ws::Loaded());
  uint32_t code = 0;
  EXPECT_EQ("Error on call Winsock2 library function htons", CallError([] { ws::htons(1); }, &code));
  EXPECT_EQ(10093u, code);
  EXPECT_FALSE(ws::EntryBound(ws::entry_htons));
  EXPECT_EQ("Error on call Winsock2 library function socket", CallError([] { ws::socket(2, 1, 0); }));
}

TEST_F(BindingTest, StartupLoadsOnceAndCellsBindOnFirstCall) {
  ws::TWSAData data{};
  ASSERT_EQ(0, ws::WSAStartup(0x0202, &data));
  EXPECT_EQ(0x0202, data.Version);
  EXPECT_TRUE(ws::Loaded());
  EXPECT_FALSE(ws::EntryBound(ws::entry_htons));
  EXPECT_EQ(0x3412, ws::htons(0x1234));
  EXPECT_TRUE(ws::EntryBound(ws::entry_htons));
  EXPECT_FALSE(ws::EntryBound(ws::entry_ntohs));

  // The second start-up does not reach the system: one cleanup stops Winsock.
  EXPECT_EQ(0, ws::WSAStartup(0x0202, &data));
  EXPECT_EQ(0, ws::WSACleanup());
  EXPECT_EQ(ws::InvalidSocket, ws::socket(2, 2, 17));
  EXPECT_EQ(ws::wsaNotInitialised, ws::WSAGetLastError());
}

TEST_F(BindingTest, EveryNameBindsButTheFiveNoLibraryExports) {
  ws::TWSAData data{};
  ASSERT_EQ(0, ws::WSAStartup(0x0202, &data));
  ASSERT_EQ(112, ws::EntryCount);
  std::set<std::string> failed;
  for (int i = 0; i < ws::EntryCount; ++i) {
    try {
      EXPECT_NE(nullptr, ws::BindEntry(i));
      EXPECT_TRUE(ws::EntryBound(i)) << ws::EntryName(i);
    } catch (const ENetWS2StubError& e) {
      failed.insert(ws::EntryName(i));
      EXPECT_EQ(std::string("Error on call Winsock2 library function ") + ws::EntryName(i), e.Title);
      EXPECT_EQ(uint32_t(ERROR_PROC_NOT_FOUND), e.Win32Error);
      EXPECT_FALSE(ws::EntryBound(i));
    }
  }
  // WSAGetQosByName is spelled as the component library has it; the system
  // exports WSAGetQOSByName. The other four live in MSWSOCK.DLL.
  EXPECT_EQ((std::set<std::string>{"AcceptEx", "GetAcceptExSockaddrs", "TransmitFile", "WSAGetQosByName",
                                   "WSARecvEx"}),
            failed);
  // The generic names are the ANSI functions.
  EXPECT_EQ(reinterpret_cast<void*>(ws::WSASocketA), reinterpret_cast<void*>(ws::WSASocket));
  EXPECT_EQ(reinterpret_cast<void*>(ws::WSAStringToAddressA), reinterpret_cast<void*>(ws::WSAStringToAddress));
  // A missing name fails when called, every time, not when bound.
  for (int round = 0; round < 2; ++round)
    EXPECT_EQ("Error on call Winsock2 library function TransmitFile",
              CallError([] { ws::TransmitFile(0, nullptr, 0, 0, nullptr, nullptr, 0); }));
}

TEST_F(BindingTest, UnloadPutsEveryCellBackOnItsStub) {
  ws::TWSAData data{};
  ASSERT_EQ(0, ws::WSAStartup(0x0202, &data));
  for (int i = 0; i < ws::EntryCount; ++i) {
    try {
      ws::BindEntry(i);
    } catch (const ENetWS2StubError&) {
    }
  }
  ws::Unload();
  EXPECT_FALSE(ws::Loaded());
  for (int i = 0; i < ws::EntryCount; ++i) EXPECT_FALSE(ws::EntryBound(i)) << ws::EntryName(i);
  uint32_t code = 0;
  EXPECT_EQ("Error on call Winsock2 library function closesocket", CallError([] { ws::closesocket(1); }, &code));
  EXPECT_EQ(10093u, code);
  std::array<uint8_t, 16> loopback{};
  loopback[15] = 1;
  EXPECT_EQ(loopback, ws::in6addr_loopback);
  EXPECT_EQ((std::array<uint8_t, 16>{}), ws::in6addr_any);
}

TEST_F(BindingTest, MissingLibraryFailsTheFirstComponentAndLeavesNoCount) {
  const char* real = ws::LibraryName;
  ws::LibraryName = "VANTREL_NO_WS2.DLL";
  try {
    TNetComponent c(nullptr);
    ADD_FAILURE() << "a component started without the library";
  } catch (const ENetWS2StubError& e) {
    EXPECT_EQ("Error on loading Winsock2 library (VANTREL_NO_WS2.DLL)", e.Title);
    EXPECT_EQ(uint32_t(ERROR_MOD_NOT_FOUND), e.Win32Error);
    EXPECT_EQ(SysErrorMessage(ERROR_MOD_NOT_FOUND) + ": " + e.Title, e.Message);
  }
  ws::LibraryName = real;
  EXPECT_EQ(0, NetComponentCount());
  EXPECT_EQ(nullptr, GlobalStack.get());
  TNetComponent c(nullptr);   // the lock was left and the count kept right
  EXPECT_EQ(1, NetComponentCount());
  EXPECT_NE(nullptr, GlobalStack.get());
}

TEST(NetExceptionTest, TreeAndMessages) {
  EXPECT_EQ("Title", ENetWS2StubError(0, "Title").Message);
  try {
    throw ENetConnClosedGracefully("Connection Closed Gracefully.");
  } catch (const ENetSilentException& e) {
    EXPECT_EQ("ENetConnClosedGracefully", e.ClassName());
  }
  try {
    throw ENetInvalidIPAddress("x is not a valid IP address.");
  } catch (const ENetStackError& e) {
    EXPECT_EQ("ENetInvalidIPAddress", e.ClassName());
  }
  try {
    throw ENetPackageSizeTooBig("Package Size Too Big.");
  } catch (const ENetSocketHandleError& e) {
    EXPECT_EQ("ENetPackageSizeTooBig", e.ClassName());
  }
  try {
    throw ENetHTTPProtocolException(404, "HTTP/1.1 404 Not Found", "<html>");
  } catch (const ENetProtocolReplyError& e) {
    EXPECT_EQ(404, e.ReplyErrorCode);
    EXPECT_EQ("ENetHTTPProtocolException", e.ClassName());
    EXPECT_EQ("<html>", static_cast<const ENetHTTPProtocolException&>(e).ErrorMessage);
  }
  const ENetSocketError s(10013, "Socket Error # 10013\r\nAccess denied.");
  EXPECT_EQ(10013, s.LastError);
  EXPECT_NE(nullptr, dynamic_cast<const ENetException*>(&s));
}

}  // namespace
