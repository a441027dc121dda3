// The texts the poll makes of the connection tables' addresses, ports and times.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr int MaxVisualizedIPs = 10000;

// Dotted text of an address as the tables hold it (first octet lowest).
std::string AddressText(DWORD Address);
// Decimal text of a port held in network order in the low half of Port.
std::string PortToText(DWORD Port);
// ntohl(inet_addr(Text)), 0 when Text is no dotted address.
uint32_t AddressValue(const std::string& Text);
// Loopback 127.0.0.1 or one of the private ranges 10/8, 169.254/16,
// 172.16/12, 192.168/16: never plotted.
bool IsPrivateAddress(const std::string& Text, uint32_t Value);
// The current time in the locale's long format, the date in its short one.
std::string LongTimeText();
std::string ShortDateText();
