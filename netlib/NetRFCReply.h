// A numbered reply of a line protocol ("250-first", "250 last"): its code
// as number and as text, and its text lines.
#pragma once
#include <string>

#include "classlib/Collections.h"

class TNetRFCReply : public TCollectionItem {
  DECLARE_CLASSINFO(TNetRFCReply)
public:
  explicit TNetRFCReply(TCollection* ACollection = nullptr);

  TStringList Text;

  int NumericCode() const { return FNumericCode; }
  // Above 0 the text code becomes its digits.
  void SetNumericCode(int Value);
  const std::string& TextCode() const { return FTextCode; }
  // A non-empty text sets the number too (0 when it is not one).
  void SetTextCode(const std::string& Value);
  void Clear();
  void Assign(TPersistent* Source) override;
  // Code and text from the lines of one reply. Each line must hold at
  // least its three-character code (EnetProtocolReplyError otherwise).
  void ParseLines(const TStrings& Lines);
  // The code, a blank and the first text line; the code alone without text.
  std::string DisplayText() const;

private:
  int FNumericCode = 0;
  std::string FTextCode;
};

// Whether Line continues a multi-line reply: its fourth character is "-".
// A line shorter than the code raises ENetProtocolReplyError.
bool IsReplyContinuation(const std::string& Line);
// Whether Line ends the reply that FirstLine began: the same three
// characters (ignoring case) followed by a blank.
bool IsReplyEnd(const std::string& Line, const std::string& FirstLine);
