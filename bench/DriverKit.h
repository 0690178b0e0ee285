#pragma once
// What the whole-program timing drivers (window_bench, search_bench) share:
// their data directory, wall-clock milliseconds, and the report line of a
// series of runs.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace talvern::bench {

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The synthetic catalogues' directory; TALVERN_BENCH_DATA names another.
inline std::string DriverDataDir() {
  if (const char* dir = std::getenv("TALVERN_BENCH_DATA")) return dir;
  return TALVERN_BENCH_DATA;
}

// "what  min … median … max … (n runs)", what padded to width.
inline void ReportRuns(int width, const std::string& what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-*s min %8.1f ms  median %8.1f ms  max %8.1f ms  (%zu runs)\n", width, what.c_str(), ms.front(),
              ms[ms.size() / 2], ms.back(), ms.size());
}

}  // namespace talvern::bench
