// The HTTP status line and header block reader on hostile responses, and
// the header list that folds and unfolds them. Exceptions of the class
// library are the expected way out; anything else is a finding.
#include <cstdlib>

#include "FuzzHttpSource.h"
#include "netlib/NetHeaderList.h"

namespace {
void Check(bool Condition) {
  if (!Condition) std::abort();
}

// Blanks single, no controls, none at the ends: what folding keeps intact.
std::string Normalized(const std::string& S) {
  std::string r;
  for (char c : S) {
    const char x = static_cast<unsigned char>(c) < 32 || c == 127 ? 'x' : c;
    if (x == ' ' && (r.empty() || r.back() == ' ')) continue;
    r += x;
  }
  while (!r.empty() && r.back() == ' ') r.pop_back();
  return r;
}
std::string WithoutBlanks(std::string S) {
  std::erase(S, ' ');
  return S;
}

// What a head may take of the input: the budget, and the empty line that
// ends each response (which the budget does not count).
constexpr size_t Budget = 2048;
constexpr size_t MostConsumed = Budget + 2 * (MaxInterimResponses + 1);
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzHttpSource source(Data, Size);
  TNetHeaderList headers;
  try {
    const std::string status = ReadResponseHead(source, headers, Budget);
    Check(source.Consumed() <= MostConsumed);
    const TNetStatusLine s = ParseStatusLine(status);
    Check(s.Version.size() == 3);
    Check(!IsInterimResponse(s.Code));
    for (int i = 0; i < headers.Count(); ++i) {
      headers.Names(i);
      headers.ValueOf(i);
    }
    headers.Values("Content-Length");
    TStringList cookies;
    headers.ExtractValues("Set-Cookie", cookies);
    TransferEncodingIsChunked(headers.Values("Transfer-Encoding"));
  } catch (const Exception&) {
  }
  TFuzzHttpSource connect(Data, Size);   // as a proxy's answer to CONNECT, where an empty status line is one
  try {
    const std::string status = ReadConnectReplyHead(connect, headers, Budget);
    Check(connect.Consumed() <= MostConsumed && (connect.Consumed() > 2 || headers.Values("Connection") == "close"));
    Check(!IsInterimResponse(ParseStatusLine(status).Code));
  } catch (const Exception&) {
  }
  // Folding a value and reading it back gives the value (a break after a
  // "," may add a blank there).
  const std::string value = Normalized(std::string(reinterpret_cast<const char*>(Data), Size));
  if (!value.empty() && value[0] != ' ') {
    TNetHeaderList h;
    h.FoldWidth = 1 + static_cast<int>(Size % 90);
    h.SetValues("X-Fuzz", value);
    h.SetValues("X-After", "end");
    Check(WithoutBlanks(h.Values("x-fuzz")) == WithoutBlanks(value));
    for (int i = 1; i + 1 < h.Count(); ++i) Check(h[i][0] == ' ' && h[i][1] != ' ');
    Check(h.Values("X-After") == "end");
    h.SetValues("X-Fuzz", "");
    Check(h.Count() == 1);
  }
  return 0;
}
