#include "LocationFixture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "TestPaths.h"

unsigned DottedToHost(const std::string& Dotted) {
  unsigned a, b, c, d;
  char tail;
  if (std::sscanf(Dotted.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 ||
      b > 255 || c > 255 || d > 255)
    throw std::invalid_argument("fixture address: " + Dotted);
  return a << 24 | b << 16 | c << 8 | d;
}

namespace {
std::vector<std::string> SplitCsv(const std::string& Line) {
  std::vector<std::string> f;
  std::string cur;
  for (char ch : Line) {
    if (ch == ',') { f.push_back(cur); cur.clear(); }
    else if (ch != '\r') cur += ch;
  }
  f.push_back(cur);
  return f;
}

std::string Hundredths(const std::string& Degrees) {
  return std::to_string(std::llround(std::stod(Degrees) * 100));
}
}  // namespace

void WriteLocationFixture(const std::string& Folder, const std::string& Csv,
                          const TLocationFixtureOptions& Options) {
  std::vector<std::string> cities;
  std::string records;
  int rows = 0;
  std::istringstream in(Csv);
  for (std::string line; std::getline(in, line);) {
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    std::vector<std::string> f = SplitCsv(line);
    if (f.size() != 6) throw std::invalid_argument("fixture row: " + line);
    std::string city;
    if (!(f[2].empty() && f[3].empty() && f[4].empty() && f[5].empty()))
      city = f[2] + f[3] + ";" + Hundredths(f[4]) + ";" + Hundredths(f[5]);
    uint32_t index = 0;
    for (size_t i = 0; i < cities.size() && !index; ++i)
      if (cities[i] == city) index = static_cast<uint32_t>(i + 1);
    if (!index) {
      cities.push_back(city);
      index = static_cast<uint32_t>(cities.size());
    }
    const uint32_t rec[3] = {DottedToHost(f[0]), DottedToHost(f[1]), index};
    records.append(reinterpret_cast<const char*>(rec), sizeof rec);
    ++rows;
  }
  records.resize(records.size() - std::min<size_t>(records.size(), 12u * Options.DropRecords));
  records.append(static_cast<size_t>(Options.TrailingBytes), '\x7f');

  const std::string dir = Folder + "\\";
  if (Options.WriteRDat)
    WriteTextFile(dir + "r.dat", (Options.RecordCount == "*" ? std::to_string(rows)
                                                             : Options.RecordCount) + "\r\n");
  if (Options.WriteGeoIP) WriteTextFile(dir + "geoip.dat", records);
  if (Options.WriteCities) {
    std::string text;
    size_t n = Options.CityLines < 0 ? cities.size()
                                     : std::min(cities.size(), size_t(Options.CityLines));
    for (size_t i = 0; i < n; ++i) text += cities[i] + "\r\n";
    WriteTextFile(dir + "cities.dat", text);
  }
}
