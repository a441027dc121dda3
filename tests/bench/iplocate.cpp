// Lookups per second of TLocationDatabase::iplocate, warm, on a database
// folder (default "data"; tools/make-sample-db writes one):
//   tools/wine-run --prefix build/wineprefix build/x86_64/tests/bench_iplocate.exe DIR
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "monitor/uLocationDatabase.h"

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "data";
  TLocationDatabase db;
  try {
    db.Load(folder);
  } catch (const Exception& e) {
    std::fprintf(stderr, "bench_iplocate: %s\n", e.Message.c_str());
    return 1;
  }
  std::mt19937 rng(12345);
  std::vector<std::string> ips(100000);
  for (auto& ip : ips) {
    uint32_t a = rng();
    ip = std::to_string(a >> 24) + "." + std::to_string(a >> 16 & 255) + "." +
         std::to_string(a >> 8 & 255) + "." + std::to_string(a & 255);
  }
  std::string r;
  long found = 0, reads = 0;
  for (const auto& ip : ips) db.iplocate(ip, r, 1);   // warm the file cache
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  long n = 0;
  double secs = 0;
  do {
    for (const auto& ip : ips) {
      db.iplocate(ip, r, 1);
      found += r[0] != '-' || r[1] != '-';
      reads += db.LastLookupReads;
    }
    n += static_cast<long>(ips.size());
    QueryPerformanceCounter(&t1);
    secs = double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart);
  } while (secs < 2.0);
  std::printf("iplocate: %lld records, %ld lookups in %.2f s: %.0f lookups/s "
              "(%.1f reads/lookup, %.0f%% found)\n",
              static_cast<long long>(db.RecordCount()), n, secs, n / secs,
              double(reads) / n, 100.0 * found / n);
  // The goal holds for the sample database; a database of the real size is
  // measured for information (its lookups wait on memory more than a
  // sample's).
  std::printf("row: iplocate, %lld records | %.2f M lookups/s | %s | -\n",
              static_cast<long long>(db.RecordCount()), n / secs / 1e6,
              db.RecordCount() < 1000000 ? ">= 1 M/s" : "-");
  return 0;
}
