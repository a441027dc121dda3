#include "monitor/uLocationDatabase.h"

#include <winsock.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
bool CoordinateCode(const std::string& Text, double& Value) {
  const std::string t = Trim(Text);
  if (t.empty()) return false;
  char* end = nullptr;
  Value = std::strtod(t.c_str(), &end);
  return end == t.c_str() + t.size();
}
}  // namespace

TLocationParts SplitLocationLine(const std::string& Line) {
  TLocationParts p;
  p.Country = Line.substr(0, 2);
  const size_t semi = Line.find(';');
  if (semi == std::string::npos) return p;
  if (semi > 2) p.Place = Line.substr(2, semi - 2);
  p.Key = Line.substr(semi + 1);
  const size_t semi2 = p.Key.find(';');
  p.HasCoordinates = semi2 != std::string::npos && CoordinateCode(p.Key.substr(0, semi2), p.LatitudeCode) &&
                     CoordinateCode(p.Key.substr(semi2 + 1), p.LongitudeCode);
  if (!p.HasCoordinates) p.LatitudeCode = p.LongitudeCode = 0;
  return p;
}

uint32_t TLocationDatabase::AddressKey(const std::string& IP) {
  unsigned long a = inet_addr(IP.c_str());
  return a == INADDR_NONE ? 0 : ntohl(a);
}

int64_t TLocationDatabase::MidPoint(int64_t Lo, int64_t Hi) {
  const float q = static_cast<float>(Lo + Hi) / 2.0f;
  const float f = std::floor(q);
  const float frac = q - f;
  int64_t r = static_cast<int64_t>(f);
  if (frac > 0.5f || (frac == 0.5f && (r & 1))) ++r;
  return r;
}

void TLocationDatabase::MapRecords() {
  UnmapRecords();
  if (FRecordCount <= 0) return;
  FMapping.Reset(CreateFileMappingA(LocationFile.Handle(), nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!FMapping.Valid()) return;   // read from the file then
  FView = static_cast<const uint8_t*>(MapViewOfFile(FMapping.Get(), FILE_MAP_READ, 0, 0,
                                                     static_cast<SIZE_T>(FRecordCount) * 12));
  if (!FView) FMapping.Reset();
}

void TLocationDatabase::UnmapRecords() {
  if (FView) UnmapViewOfFile(FView);
  FView = nullptr;
  FMapping.Reset();
}

void TLocationDatabase::Close() {
  FRecordCount = 0;
  UnmapRecords();
  LocationFile.Close();
}

void TLocationDatabase::Load(const std::string& Folder) {
  Close();
  Cities.Clear();
  Damage.clear();
  const std::string dir = Folder.empty() ? std::string() : Folder + "\\";

  DatabaseInfo.LoadFromFile(dir + "r.dat");
  int count = -1;
  if (DatabaseInfo.Count() == 0 || !TryStrToInt(DatabaseInfo[0], count) || count < 0)
    throw ELocationDatabaseError(dir + "r.dat holds no record count (first line \"" +
                                 (DatabaseInfo.Count() ? DatabaseInfo[0] : std::string()) +
                                 "\"); the location database is not usable.");

  // Read and write as typed files open by default; a read-only install is
  // opened for reading only.
  try {
    try {
      LocationFile.Reset(dir + "geoip.dat");
    } catch (const EInOutError&) {
      LocationFile.Reset(dir + "geoip.dat", fmOpenRead);
    }
  } catch (EInOutError& E) {
    E.Message = dir + "geoip.dat: " + E.Message;
    throw;
  }
  // A record count beyond the file (or a torn last record) is never read.
  FRecordCount = std::min<int64_t>(count, LocationFile.FileSize());
  MapRecords();
  CheckRecords(dir, count);

  if (FileExists(dir + "cities.dat")) Cities.LoadFromFile(dir + "cities.dat");
  CheckCities(dir);
}

void TLocationDatabase::CheckRecords(const std::string& Dir, int64_t Counted) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(LocationFile.Handle(), &size)) return;
  const int64_t whole = size.QuadPart / 12;
  const std::string name = Dir + "geoip.dat: ";
  if (size.QuadPart % 12)
    Damage.push_back(name + IntToStr(size.QuadPart) + " bytes, not a whole number of 12-byte records");
  if (whole < Counted)
    Damage.push_back(name + "holds " + IntToStr(whole) + " of the " + IntToStr(Counted) + " records that " + Dir +
                     "r.dat counts");
}

void TLocationDatabase::CheckCities(const std::string& Dir) {
  const std::string name = Dir + "cities.dat: ";
  // An empty line is a place without a name or position, not damage.
  int foreign = 0, first = 0;
  for (int i = 0; i < Cities.Count(); ++i)
    if (!Cities[i].empty() && !SplitLocationLine(Cities[i]).HasCoordinates && foreign++ == 0) first = i + 1;
  if (foreign)
    Damage.push_back(name + IntToStr(foreign) + " of " + IntToStr(Cities.Count()) +
                     " lines are not location lines (the first is line " + IntToStr(first) + ")");
  const uint32_t highest = HighestLocationIndex();
  if (static_cast<uint32_t>(Cities.Count()) >= highest) return;
  const std::string held = !FileExists(Dir + "cities.dat") ? std::string("File not found")
                           : Cities.Count() == 0         ? std::string("no lines")
                                                          : "ends at line " + IntToStr(Cities.Count());
  Damage.push_back(name + held + "; " + Dir + "geoip.dat points at lines up to " + IntToStr(highest));
}

// The searched records are read in blocks: through the view every page of
// the file would stay in memory.
uint32_t TLocationDatabase::HighestLocationIndex() {
  const HANDLE file = LocationFile.Handle();
  LARGE_INTEGER start{};
  if (FRecordCount <= 0 || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return 0;
  std::vector<LocationRecord> block(65536);
  uint32_t highest = 0;
  for (int64_t left = FRecordCount; left > 0;) {
    const DWORD want = static_cast<DWORD>(std::min<int64_t>(left, static_cast<int64_t>(block.size())));
    DWORD got = 0;
    if (!ReadFile(file, block.data(), want * sizeof(LocationRecord), &got, nullptr) || got < sizeof(LocationRecord))
      break;
    const DWORD records = got / sizeof(LocationRecord);
    for (DWORD i = 0; i < records; ++i) highest = std::max(highest, block[i].LocationIndex);
    left -= records;
  }
  return highest;
}

void TLocationDatabase::iplocate(const std::string& IP, std::string& Result, int PlotIndex) {
  const uint32_t key = AddressKey(IP);
  const int64_t n = FRecordCount;
  int64_t lo = 0, hi = n;
  int64_t mid = MidPoint(lo, hi);
  bool found = false;
  LocationRecord rec{};
  LastLookupReads = 0;
  try {
    while (LastLookupReads < MaxReads && mid <= n - 1) {
      if (FView && LocationFile.IsOpen()) {
        std::memcpy(&rec, FView + mid * 12, sizeof rec);
      } else {
        LocationFile.Seek(mid);
        LocationFile.Read(rec);
      }
      ++LastLookupReads;
      if (key < rec.StartIP) {
        hi = mid;
      } else if (key <= rec.EndIP) {
        found = true;
        break;
      } else {
        lo = mid;
      }
      mid = MidPoint(lo, hi);
    }
  } catch (const EInOutError&) {
    found = false;   // the file shrank or failed under us: not found
  }

  if (!found) {
    Result = LocationNotFound;
  } else if (rec.LocationIndex >= 1 && rec.LocationIndex <= static_cast<uint32_t>(Cities.Count())) {
    Result = Cities[static_cast<int>(rec.LocationIndex - 1)];
  } else {
    Result.clear();
  }
  if (PlotIndex == 0 && Result.empty()) Result = "Loc";
}
