#include "netlib/NetRFCReply.h"

#include <algorithm>

#include "netlib/NetException.h"
#include "netlib/NetResourceStrings.h"

IMPLEMENT_CLASSINFO(TNetRFCReply, TCollectionItem)

namespace {
constexpr size_t CodeLength = 3;

void CheckReplyLine(const std::string& Line) {
  if (Line.size() < CodeLength) throw ENetProtocolReplyError(0, Format(RSReplyMalformed, Line.c_str()));
}
}  // namespace

bool IsReplyContinuation(const std::string& Line) {
  CheckReplyLine(Line);
  return Line.size() > CodeLength && Line[CodeLength] == '-';
}

bool IsReplyEnd(const std::string& Line, const std::string& FirstLine) {
  return Line.size() > CodeLength && SameText(Line.substr(0, CodeLength), FirstLine.substr(0, CodeLength)) &&
         Line[CodeLength] == ' ';
}

TNetRFCReply::TNetRFCReply(TCollection* ACollection) : TCollectionItem(ACollection) {}

void TNetRFCReply::SetNumericCode(int Value) {
  FNumericCode = Value;
  if (Value > 0) FTextCode = IntToStr(Value);
}

void TNetRFCReply::SetTextCode(const std::string& Value) {
  FTextCode = Value;
  if (!Value.empty()) FNumericCode = StrToIntDef(Value, 0);
}

void TNetRFCReply::Clear() {
  FNumericCode = 0;
  FTextCode.clear();
  Text.Clear();
}

void TNetRFCReply::Assign(TPersistent* Source) {
  if (auto* r = dynamic_cast<TNetRFCReply*>(Source)) {
    FNumericCode = r->FNumericCode;
    FTextCode = r->FTextCode;
    Text.Assign(&r->Text);
    return;
  }
  TCollectionItem::Assign(Source);
}

void TNetRFCReply::ParseLines(const TStrings& Lines) {
  Clear();
  if (Lines.Count() == 0) return;
  const std::string& first = Lines[0];
  CheckReplyLine(first);
  std::string code = Trim(first.substr(0, std::min<size_t>(4, first.size())));
  if (!code.empty() && code.back() == '-') code.pop_back();
  FTextCode = code;
  FNumericCode = StrToIntDef(code, 0);
  for (int i = 0; i < Lines.Count(); ++i) {
    const std::string& line = Lines[i];
    const bool repeatsCode = line.size() >= CodeLength && SameText(line.substr(0, CodeLength), code.substr(0, CodeLength));
    if (i == 0 || repeatsCode) Text.Add(line.size() > 4 ? line.substr(4) : std::string());
    else Text.Add(TrimLeft(line));
  }
}

std::string TNetRFCReply::DisplayText() const {
  if (Text.Count() == 0) return FTextCode;
  return FTextCode + " " + Text[0];
}
