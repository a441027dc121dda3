// Header lines ("Name: value") that fold long values into continuation
// lines (starting with a blank) and read them back unfolded.
#pragma once
#include <string>
#include <vector>

#include "classlib/Classes.h"

class TNetHeaderList : public TStringList {
  DECLARE_CLASSINFO(TNetHeaderList)
public:
  std::string NameSeparator = ": ";
  bool CaseSensitiveNames = false;
  bool UnfoldContinuations = true;
  bool FoldLongLines = true;
  int FoldWidth = 78;

  // The name of line Index (upper-cased unless CaseSensitiveNames).
  std::string Names(int Index) const;
  // The value of line Index, its continuation lines joined with one blank.
  std::string ValueOf(int Index) const;
  // The first line named AName (ignoring case), skipping continuations; -1.
  int IndexOfName(const std::string& AName) const;
  std::string Values(const std::string& AName) const;
  // A non-empty value replaces the line (or adds one), folded when
  // FoldLongLines; an empty value deletes it.
  void SetValues(const std::string& AName, const std::string& AValue);
  // Appends the value of every line named AName.
  void ExtractValues(const std::string& AName, TStrings& AValues) const;
  // AText as lines of at most FoldWidth characters where it can be broken
  // (after a blank, a TAB or a ","; never inside double quotes); every
  // piece after the first starts with one blank. No break falls within
  // the first ANoBreak characters (the name and separator).
  std::vector<std::string> Fold(const std::string& AText, size_t ANoBreak = 0) const;
  static bool IsContinuation(const std::string& ALine);

private:
  int ContinuationCount(int Index) const;
  size_t SeparatorPos(const std::string& ALine) const;
};
