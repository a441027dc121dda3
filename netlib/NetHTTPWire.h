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

// The status line and the header lines up to an empty one, read again
// while the code is 100. More than AMaxBytes of header raises ENetException.
std::string ReadResponseHead(TNetHTTPSource& ASource, TStrings& AHeaders, size_t AMaxBytes = 1 << 20);

// Chunks into ADest (or dropped) until the last one and its trailer lines.
void ReadChunkedBody(TNetHTTPSource& ASource, TStream* ADest);

bool TransferEncodingIsChunked(const std::string& AValue);
