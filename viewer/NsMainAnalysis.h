// The analysis of a file's addresses.
#pragma once

#include <string>

struct TAnalysisState {
  std::string AnalyzedFilePath;   // the file being scanned; cleared to cancel
};
extern TAnalysisState& AnalysisState;
