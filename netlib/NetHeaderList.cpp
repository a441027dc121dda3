#include "netlib/NetHeaderList.h"

IMPLEMENT_CLASSINFO(TNetHeaderList, TStringList)

bool TNetHeaderList::IsContinuation(const std::string& ALine) {
  return !ALine.empty() && (ALine[0] == ' ' || ALine[0] == '\t');
}

size_t TNetHeaderList::SeparatorPos(const std::string& ALine) const {
  const std::string sep = TrimRight(NameSeparator);
  return ALine.find(sep.empty() ? NameSeparator : sep);
}

std::string TNetHeaderList::Names(int Index) const {
  const std::string& line = Get(Index);
  const size_t p = SeparatorPos(line);
  const std::string name = TrimRight(p == std::string::npos ? line : line.substr(0, p));
  return CaseSensitiveNames ? name : UpperCase(name);
}

int TNetHeaderList::ContinuationCount(int Index) const {
  int n = 0;
  while (Index + 1 + n < Count() && IsContinuation(Get(Index + 1 + n))) ++n;
  return n;
}

std::string TNetHeaderList::ValueOf(int Index) const {
  const std::string& line = Get(Index);
  const size_t p = SeparatorPos(line);
  if (p == std::string::npos) return "";
  const std::string sep = TrimRight(NameSeparator);
  std::string value = Trim(line.substr(p + (sep.empty() ? NameSeparator.size() : sep.size())));
  if (UnfoldContinuations) {
    const int n = ContinuationCount(Index);
    for (int i = 1; i <= n; ++i) value += " " + Trim(Get(Index + i));
  }
  return value;
}

int TNetHeaderList::IndexOfName(const std::string& AName) const {
  for (int i = 0; i < Count(); ++i)
    if (!IsContinuation(Get(i)) && SameText(Names(i), AName)) return i;
  return -1;
}

std::string TNetHeaderList::Values(const std::string& AName) const {
  const int i = IndexOfName(AName);
  return i < 0 ? std::string() : ValueOf(i);
}

void TNetHeaderList::SetValues(const std::string& AName, const std::string& AValue) {
  int i = IndexOfName(AName);
  if (i >= 0 && FoldLongLines)
    for (int n = ContinuationCount(i); n > 0; --n) Delete(i + 1);
  if (AValue.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  const std::string line = AName + NameSeparator + AValue;
  const std::vector<std::string> pieces =
      FoldLongLines ? Fold(line, AName.size() + NameSeparator.size()) : std::vector<std::string>{line};
  if (i < 0) {
    for (const std::string& p : pieces) Add(p);
    return;
  }
  Put(i, pieces[0]);
  for (size_t k = 1; k < pieces.size(); ++k) Insert(i + static_cast<int>(k), pieces[k]);
}

void TNetHeaderList::ExtractValues(const std::string& AName, TStrings& AValues) const {
  for (int i = 0; i < Count(); ++i)
    if (!IsContinuation(Get(i)) && SameText(Names(i), AName)) AValues.Add(ValueOf(i));
}

std::vector<std::string> TNetHeaderList::Fold(const std::string& AText, size_t ANoBreak) const {
  std::vector<std::string> pieces;
  std::string rest = AText;
  const size_t width = FoldWidth > 1 ? static_cast<size_t>(FoldWidth) : 1;
  while (rest.size() > width) {
    // Break positions: just after a blank, TAB or "," outside quotes.
    size_t best = 0, firstAfter = 0;
    bool quoted = false, text = false;
    for (size_t i = pieces.empty() ? ANoBreak : 0; i < rest.size(); ++i) {
      const char c = rest[i];
      if (c == '"') quoted = !quoted;
      const bool blank = c == ' ' || c == '\t';
      if (!blank) text = true;
      if (quoted || !text || (!blank && c != ',')) continue;
      const size_t at = i + 1;
      if (at >= rest.size()) break;
      if (at <= width) best = at;
      else if (!firstAfter) firstAfter = at;
    }
    const size_t at = best ? best : firstAfter;
    if (!at) break;
    pieces.push_back(TrimRight(rest.substr(0, at)));
    rest = " " + TrimLeft(rest.substr(at));
    if (Trim(rest).empty()) {
      rest.clear();
      break;
    }
  }
  if (!rest.empty() || pieces.empty()) pieces.push_back(TrimRight(rest));
  return pieces;
}
