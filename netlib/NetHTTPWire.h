// The reading side of HTTP/1.x responses, free of system calls (the native
// fuzzers run it): the status line, the header block and chunked bodies,
// read from any source of lines and bytes.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "classlib/Classes.h"

// What the response readers need of a connection.
class TNetHTTPSource {
public:
  virtual ~TNetHTTPSource() = default;
  virtual std::string ReadLine() = 0;   // without its CR LF
  // Exactly ACount bytes into ADest (dropped when it is null).
  virtual void ReadBytes(int64_t ACount, TStream* ADest) = 0;
};

struct TNetStatusLine {
  std::string Version;   // characters 6 to 8: "1.0", "1.1"
  int Code = -1;         // the number after the first blank; -1 when none
};

// A line shorter than "HTTP/x.y" or not starting with "HTTP/" raises
// ENetProtocolReplyError.
TNetStatusLine ParseStatusLine(const std::string& ALine);

// The hexadecimal size of a chunk-size line; an extension (";...") and
// what follows a blank are cut off. Anything else raises ENetException.
int64_t ParseChunkSize(const std::string& ALine);

// More interim responses than this before the final one raise.
inline constexpr int MaxInterimResponses = 16;
inline constexpr size_t MaxHeaderBytes = 1 << 20;

// Whether a response with this code is followed by another: every 1xx but
// 101 (a switch of protocols nobody asked for is final, and an error).
bool IsInterimResponse(int ACode);

// The status line and the header lines up to an empty one, read again
// after an interim response. More than AMaxBytes of header (interim
// responses included) or too many interim responses raise ENetException.
std::string ReadResponseHead(TNetHTTPSource& ASource, TStrings& AHeaders, size_t AMaxBytes = MaxHeaderBytes);

// The head of a proxy's answer to CONNECT, read as ReadResponseHead reads
// one, but an empty status line stands for "HTTP/1.0 200 OK" with the
// header "Connection: close".
std::string ReadConnectReplyHead(TNetHTTPSource& ASource, TStrings& AHeaders, size_t AMaxBytes = MaxHeaderBytes);

// Chunks into ADest (or dropped) until the last one and its trailer lines,
// which may take AMaxTrailerBytes at most.
void ReadChunkedBody(TNetHTTPSource& ASource, TStream* ADest, size_t AMaxTrailerBytes = MaxHeaderBytes);

// Keeps the first ACap bytes written; a write beyond them keeps what fits
// and raises ENetException (the rest of a body is not wanted).
class TNetCappedStream : public TStream {
public:
  explicit TNetCappedStream(size_t ACap);
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t, TSeekOrigin) override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t) override {}
  const std::string& Data() const { return FData; }
  bool Cut() const { return FCut; }

private:
  size_t FCap;
  std::string FData;
  bool FCut = false;
};

bool TransferEncodingIsChunked(const std::string& AValue);
