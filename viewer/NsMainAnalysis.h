// The analysis of a file's addresses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/Classes.h"

struct TAnalysisState {
  std::string AnalyzedFilePath;   // the file being scanned; cleared to cancel
};
extern TAnalysisState& AnalysisState;

constexpr int MaxAnalyzedIPs = 9999;
// The distinct public addresses a scan collects, in order of first
// appearance after the home entry: the list takes the first ones up to
// Limit entries (more than the globe can take are not kept), and all are
// counted.
class TAnalyzedAddresses {
public:
  // List holds the home entry.
  explicit TAnalyzedAddresses(TStringList& List, int Limit = MaxAnalyzedIPs);
  void Add(std::string_view Address);   // when public and new
  int Found() const { return FFound; }  // public addresses added, kept or not
  TStringList& List() { return FList; }

private:
  TStringList& FList;
  int FLimit, FFound = 0;
  // The texts met (added or refused), packed into numbers other than 0:
  // a table open-addressed by their hash, at most half full.
  std::vector<uint64_t> FSeen = std::vector<uint64_t>(1024);
  size_t FSeenCount = 0;
  bool Seen(uint64_t Key);   // true when met before; else it is now
};
// Adds the public addresses of a line (or of several): whole dotted
// addresses only, each occurrence once; not 127.0.0.1, 0.0.0.0,
// 255.255.255.255 or private.
void ExtractIPsFromLine(std::string_view Line, TAnalyzedAddresses& IPs);
