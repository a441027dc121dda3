#include "netlib/NetHTTPWire.h"

#include <algorithm>

#include "netlib/NetException.h"
#include "netlib/NetResourceStrings.h"

namespace {
int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}
}  // namespace

TNetStatusLine ParseStatusLine(const std::string& ALine) {
  if (ALine.size() < 8 || !SameText(ALine.substr(0, 5), "HTTP/"))
    throw ENetProtocolReplyError(0, Format(RSHTTPMalformedStatusLine, ALine.substr(0, 80).c_str()));
  TNetStatusLine r;
  r.Version = ALine.substr(5, 3);
  const size_t blank = ALine.find(' ');
  if (blank != std::string::npos) {
    std::string rest = TrimLeft(ALine.substr(blank + 1));
    const size_t end = rest.find(' ');
    rest = rest.substr(0, end);
    r.Code = StrToIntDef(rest, -1);
  }
  return r;
}

int64_t ParseChunkSize(const std::string& ALine) {
  std::string s = ALine.substr(0, ALine.find(';'));
  s = Trim(s);
  s = s.substr(0, s.find_first_of(" \t"));
  if (s.empty() || s.size() > 15) throw ENetException(Format(RSHTTPBadChunkSize, ALine.substr(0, 80).c_str()));
  int64_t v = 0;
  for (char c : s) {
    const int d = HexDigit(c);
    if (d < 0) throw ENetException(Format(RSHTTPBadChunkSize, ALine.substr(0, 80).c_str()));
    v = v * 16 + d;
  }
  return v;
}

bool IsInterimResponse(int ACode) { return ACode >= 100 && ACode < 200 && ACode != 101; }

namespace {
std::string ReadHead(TNetHTTPSource& ASource, TStrings& AHeaders, size_t AMaxBytes, bool AEmptyStatusIsOK) {
  // Interim responses share the byte budget and are counted too.
  std::string status;
  size_t bytes = 0;
  for (int interim = 0;; ++interim) {
    if (interim > MaxInterimResponses) throw ENetException(RSHTTPTooManyInterim);
    AHeaders.Clear();
    status = ASource.ReadLine();
    if (status.empty() && AEmptyStatusIsOK && interim == 0) {
      AHeaders.Add("Connection: close");
      return "HTTP/1.0 200 OK";
    }
    bytes += status.size() + 2;
    if (bytes > AMaxBytes) throw ENetException(RSHTTPHeaderTooLong);
    const TNetStatusLine parsed = ParseStatusLine(status);
    for (std::string line = ASource.ReadLine(); !line.empty(); line = ASource.ReadLine()) {
      bytes += line.size() + 2;
      if (bytes > AMaxBytes) throw ENetException(RSHTTPHeaderTooLong);
      AHeaders.Add(line);
    }
    if (!IsInterimResponse(parsed.Code)) break;
  }
  return status;
}
}  // namespace

std::string ReadResponseHead(TNetHTTPSource& ASource, TStrings& AHeaders, size_t AMaxBytes) {
  return ReadHead(ASource, AHeaders, AMaxBytes, false);
}

std::string ReadConnectReplyHead(TNetHTTPSource& ASource, TStrings& AHeaders, size_t AMaxBytes) {
  return ReadHead(ASource, AHeaders, AMaxBytes, true);
}

void ReadChunkedBody(TNetHTTPSource& ASource, TStream* ADest, size_t AMaxTrailerBytes) {
  while (true) {
    const std::string sizeLine = ASource.ReadLine();
    const int64_t size = ParseChunkSize(sizeLine);
    if (size == 0) break;
    ASource.ReadBytes(size, ADest);
    const std::string end = ASource.ReadLine();
    if (!end.empty()) throw ENetException(Format(RSHTTPBadChunkSize, end.substr(0, 80).c_str()));
  }
  // Trailer lines up to the empty one.
  size_t bytes = 0;
  for (std::string line = ASource.ReadLine(); !line.empty(); line = ASource.ReadLine()) {
    bytes += line.size() + 2;
    if (bytes > AMaxTrailerBytes) throw ENetException(RSHTTPTrailerTooLong);
  }
}

TNetCappedStream::TNetCappedStream(size_t ACap) : FCap(ACap) {}

int64_t TNetCappedStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  const size_t room = FCap - FData.size();
  const size_t take = static_cast<size_t>(std::min<int64_t>(Count, static_cast<int64_t>(room)));
  FData.append(static_cast<const char*>(Buffer), take);
  if (take < static_cast<uint64_t>(Count)) {
    FCut = true;
    throw ENetException(Format(RSHTTPBodyCut, static_cast<int>(FCap)));
  }
  return Count;
}

bool TransferEncodingIsChunked(const std::string& AValue) { return Pos("CHUNKED", UpperCase(AValue)) > 0; }
