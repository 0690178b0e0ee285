#pragma once
// The two trials of a rebuild that every index format undergoes: killed at
// each of its writes in turn, and refused each growing write in turn by a
// full disk. Either way the file must stay whole and as it was.

#include <filesystem>
#include <functional>
#include <string>

#include "IndexTestKit.h"
#include "KillHarness.h"

namespace talvern::testing {

// rebuild (run in a child) killed at every write it makes: survey() gives
// `expected` after each kill, and after a rebuild run to its end.
inline void ExpectRebuildSurvivesKills(const std::string& file, const std::function<int()>& rebuild,
                                       const std::function<std::string()>& survey, const std::string& expected,
                                       std::int64_t leastWrites) {
  const std::string before = ReadFile(file);
  const std::int64_t writes = CountChildWrites(rebuild, "");
  WriteFile(file, before);
  ASSERT_GT(writes, leastWrites);
  for (std::int64_t n = 1; n <= writes; ++n) {
    EXPECT_TRUE(RunChildKilledAt(rebuild, n, "", n % 2 == 0).killed) << n;
    EXPECT_EQ(survey(), expected) << "killed at write " << n;
    WriteFile(file, before);
  }
  EXPECT_EQ(RunChild(rebuild).exitCode, 0);
  EXPECT_EQ(survey(), expected);
  EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
}

// rebuild refused each of its growing writes in turn (ENOSPC) fails with the
// temporary file's write error and leaves file byte for byte as it was.
inline void ExpectRebuildSurvivesAFullDisk(const std::string& file, const std::function<void()>& rebuild,
                                           std::int64_t leastWrites) {
  const std::string before = ReadFile(file);
  std::int64_t growing = 0;
  {
    platform::FaultScope count({.growingOnly = true});
    rebuild();
    growing = platform::CountedFaultOps();
  }
  WriteFile(file, before);
  ASSERT_GT(growing, leastWrites);
  for (std::int64_t nth = 1; nth <= growing; ++nth) {
    platform::FaultScope full({.nth = nth, .error = ENOSPC, .persist = true, .growingOnly = true});
    EXPECT_EQ(ErrorOf(rebuild), "Error writing to " + file + ".tmp") << nth;
  }
  EXPECT_TRUE(ReadFile(file) == before);
  EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
}

}  // namespace talvern::testing
