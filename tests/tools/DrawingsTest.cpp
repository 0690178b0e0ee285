// The package drawings in data/drawings: exactly what the generator draws, and
// GIF files that an independent decoder reads at the size the catalogue takes.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "Peers.h"
#include "TestFiles.h"

namespace talvern::testing {
namespace {

namespace fs = std::filesystem;

const std::string kDrawings = std::string(TALVERN_SOURCE_DIR) + "/data/drawings";

TEST(DrawingsTest, CommittedGifsAreWhatTheGeneratorDraws) {
  if (!fs::exists("/usr/bin/python3")) GTEST_SKIP() << "python3 is not installed";
  TempDir dir;
  std::string script = std::string(TALVERN_SOURCE_DIR) + "/tools/drawings/make_drawings.py";
  auto run = RunCommand("/usr/bin/python3 " + ShellQuote(script) + " " + ShellQuote(dir.Path()) + " 2>&1");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  int count = 0;
  for (const auto& entry : fs::directory_iterator(kDrawings)) {
    if (entry.path().extension() != ".gif") continue;
    ++count;
    std::string name = entry.path().filename().string();
    EXPECT_EQ(ReadFile(dir.File(name)), ReadFile(entry.path().string())) << name << " is not up to date";
  }
  EXPECT_EQ(count, static_cast<int>(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator())));
}

TEST(DrawingsTest, ImageMagickReadsEveryDrawingWithinTheWindowSize) {
  if (!fs::exists("/usr/bin/identify")) GTEST_SKIP() << "ImageMagick is not installed";
  for (const auto& entry : fs::directory_iterator(kDrawings)) {
    if (entry.path().extension() != ".gif") continue;
    std::string gif = ShellQuote(entry.path().string());
    auto identify = RunCommand("/usr/bin/identify -format '%w %h %n' " + gif + " 2>&1");
    ASSERT_EQ(identify.exitCode, 0) << identify.output;
    const std::string& size = identify.output;
    int width = 0, height = 0, frames = 0;
    ASSERT_EQ(std::sscanf(size.c_str(), "%d %d %d", &width, &height, &frames), 3) << size;
    EXPECT_LE(width, 640) << entry.path();
    EXPECT_LE(height, 480) << entry.path();
    EXPECT_EQ(frames, 1) << entry.path();
  }
}

}  // namespace
}  // namespace talvern::testing
