#include "netlib/NetStack.h"

#include <cstring>

#include "netlib/NetException.h"
#include "netlib/NetIcmpPacket.h"
#include "netlib/NetResourceStrings.h"

std::unique_ptr<TNetStack> GlobalStack;
TNetStackClass StackClass = nullptr;
TNetSocketListClass SocketListClass = nullptr;

IMPLEMENT_CLASSINFO(TNetSocketList, TObject)
IMPLEMENT_CLASSINFO(TNetStack, TObject)

TNetStack& Stack() {
  if (!GlobalStack) throw EInvalidOperation("The socket stack runs only while a protocol component exists");
  return *GlobalStack;
}

std::unique_ptr<TNetSocketList> TNetSocketList::CreateSocketList() {
  if (!SocketListClass) throw EInvalidOperation("No socket list class is set");
  return SocketListClass();
}

TNetStack::~TNetStack() = default;

std::string TNetStack::FirstLocalAddress() {
  TStrings* list = LocalAddressList();
  return list->Count() > 0 ? list->Strings(0) : std::string();
}

TStrings* TNetStack::LocalAddressList() {
  if (!FLocalAddresses) FLocalAddresses = std::make_unique<TStringList>();
  RefreshLocalAddressList();
  return FLocalAddresses.get();
}

const char* TNetStack::OwnErrorText(int Code) {
  (void)Code;
  return nullptr;
}

std::string TNetStack::ErrorText(int Code) {
  const char* text = OwnErrorText(Code);
  if (!text) {
    switch (Code) {
      case 10004: text = RSStackEINTR; break;
      case 10009: text = RSStackEBADF; break;
      case 10013: text = RSStackEACCES; break;
      case 10014: text = RSStackEFAULT; break;
      case 10022: text = RSStackEINVAL; break;
      case 10024: text = RSStackEMFILE; break;
      case 10035: text = RSStackEWOULDBLOCK; break;
      case 10036: text = RSStackEINPROGRESS; break;
      case 10037: text = RSStackEALREADY; break;
      case 10038: text = RSStackENOTSOCK; break;
      case 10039: text = RSStackEDESTADDRREQ; break;
      case 10040: text = RSStackEMSGSIZE; break;
      case 10041: text = RSStackEPROTOTYPE; break;
      case 10042: text = RSStackENOPROTOOPT; break;
      case 10043: text = RSStackEPROTONOSUPPORT; break;
      case 10044: text = RSStackESOCKTNOSUPPORT; break;
      case 10045: text = RSStackEOPNOTSUPP; break;
      case 10046: text = RSStackEPFNOSUPPORT; break;
      case 10047: text = RSStackEAFNOSUPPORT; break;
      case 10048: text = RSStackEADDRINUSE; break;
      case 10049: text = RSStackEADDRNOTAVAIL; break;
      case 10050: text = RSStackENETDOWN; break;
      case 10051: text = RSStackENETUNREACH; break;
      case 10052: text = RSStackENETRESET; break;
      case 10053: text = RSStackECONNABORTED; break;
      case 10054: text = RSStackECONNRESET; break;
      case 10055: text = RSStackENOBUFS; break;
      case 10056: text = RSStackEISCONN; break;
      case 10057: text = RSStackENOTCONN; break;
      case 10058: text = RSStackESHUTDOWN; break;
      case 10059: text = RSStackETOOMANYREFS; break;
      case 10060: text = RSStackETIMEDOUT; break;
      case 10061: text = RSStackECONNREFUSED; break;
      case 10062: text = RSStackELOOP; break;
      case 10063: text = RSStackENAMETOOLONG; break;
      case 10064: text = RSStackEHOSTDOWN; break;
      case 10065: text = RSStackEHOSTUNREACH; break;
      case 10066: text = RSStackENOTEMPTY; break;
      default: text = ""; break;
    }
  }
  return Format(RSStackError, Code, text);
}

std::string TNetStack::AddressToText(const TNetAddressBytes& Address) { return DottedAddress(Address.data()); }

TNetAddressBytes TNetStack::TextToAddress(const std::string& IP) {
  TNetAddressBytes bytes{};
  if (!ParseIPText(IP, &bytes)) throw ENetInvalidIPAddress(Format(RSInvalidIPAddress, IP.c_str()));
  return bytes;
}

uint32_t TNetStack::TextToNetAddress(const std::string& IP) {
  const TNetAddressBytes b = TextToAddress(IP);
  uint32_t v;
  std::memcpy(&v, b.data(), 4);
  return v;
}

bool TNetStack::CheckSocketResult(int Result, std::initializer_list<int> Ignored) {
  if (Result != WinSock2::SocketError) return false;
  LastErrorCode = LastSocketError();
  for (int code : Ignored)
    if (code == LastErrorCode) return true;
  RaiseStackError(LastErrorCode);
}

void TNetStack::RaiseStackError(int Code) { throw ENetSocketError(Code, ErrorText(Code)); }

TNetSocket TNetStack::NewSocket(int Type, int Protocol) {
  TNetSocket s = SocketCreate(WinSock2::afInet, Type, Protocol);
  if (s == WinSock2::InvalidSocket) throw ENetInvalidSocket(RSCannotAllocateSocket);
  return s;
}

std::string TNetStack::HostToAddressText(const std::string& Host) {
  if (SameText(Host, "LOCALHOST")) return "127.0.0.1";
  if (IsIPText(Host)) return Host;
  return HostNameToAddressText(Host);
}

namespace {
// Strictly decimal digits, at most Max; false for anything else.
bool ReadDecimal(const std::string& S, uint64_t Max, uint64_t& Value) {
  if (S.empty()) return false;
  uint64_t v = 0;
  for (char c : S) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
    if (v > Max) return false;
  }
  Value = v;
  return true;
}

IPAddressClass ClassOfFirstByte(uint8_t B) {
  if (B <= 127) return IPAddressClass::acA;
  if (B <= 191) return IPAddressClass::acB;
  if (B <= 223) return IPAddressClass::acC;
  if (B <= 239) return IPAddressClass::acD;
  return IPAddressClass::acE;
}
}  // namespace

bool ParseIPText(const std::string& Text, TNetAddressBytes* Bytes, IPTextKind* Kind, IPAddressClass* Class) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t dot = Text.find('.', start);
    parts.push_back(Text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  uint64_t v[4] = {};
  TNetAddressBytes b{};
  IPTextKind kind = IPTextKind::ikDotted;
  IPAddressClass cls;
  auto byte = [](uint64_t x, int shift) { return static_cast<uint8_t>(x >> shift); };
  switch (parts.size()) {
    case 1:
      if (!ReadDecimal(parts[0], 0xFFFFFFFFull, v[0])) return false;
      b = {byte(v[0], 24), byte(v[0], 16), byte(v[0], 8), byte(v[0], 0)};
      kind = IPTextKind::ikNumeric;
      cls = IPAddressClass::acUnknown;
      break;
    case 2:
      if (!ReadDecimal(parts[0], 255, v[0]) || !ReadDecimal(parts[1], 0xFFFFFF, v[1])) return false;
      b = {byte(v[0], 0), byte(v[1], 16), byte(v[1], 8), byte(v[1], 0)};
      cls = IPAddressClass::acA;
      break;
    case 3:
      if (!ReadDecimal(parts[0], 255, v[0]) || !ReadDecimal(parts[1], 255, v[1]) ||
          !ReadDecimal(parts[2], 0xFFFF, v[2]))
        return false;
      b = {byte(v[0], 0), byte(v[1], 0), byte(v[2], 8), byte(v[2], 0)};
      cls = IPAddressClass::acB;
      break;
    case 4:
      for (int i = 0; i < 4; ++i)
        if (!ReadDecimal(parts[i], 255, v[i])) return false;
      b = {byte(v[0], 0), byte(v[1], 0), byte(v[2], 0), byte(v[3], 0)};
      cls = ClassOfFirstByte(b[0]);
      break;
    default:
      return false;
  }
  if (Bytes) *Bytes = b;
  if (Kind) *Kind = kind;
  if (Class) *Class = cls;
  return true;
}

bool IsIPText(const std::string& Text) { return ParseIPText(Text); }
