// giftool: the lines of "info" for a file built by hand, "decode" of the
// sample drawings against ImageMagick's PPM of the same files, and errors.
#include <gtest/gtest.h>

#include <filesystem>

#include "GifTestKit.h"
#include "Peers.h"
#include "TestFiles.h"

namespace talvern {
namespace {

using namespace talvern::testing;

const std::string kGiftool = std::string(TALVERN_BINARY_DIR) + "/tools/giftool";

CommandResult Giftool(const std::string& arguments) { return RunCommand(kGiftool + " " + arguments + " 2>&1"); }

TEST(Giftool, InfoListsScreenFramesAndExtensionsInFileOrder) {
  GifFile file;
  file.width = 300;
  file.height = 200;
  file.background = 1;
  file.globalTable = {kBlack, kWhite};
  file.blocks += std::string("!\xFF\x03" "ABC\x00", 7);
  file.AddImage(2, 1, 2, LzwEncode({1, 1}, 2), true, {kBlack, kWhite, kBlack, kWhite}, 5, 6);
  file.blocks += std::string("!\xF9\x04\x00\x00\x00\x00\x00", 8);
  file.AddImage(1, 1, 3, LzwEncode({0}, 3));
  TempDir dir;
  WriteFile(dir.File("a.gif"), file.Bytes());
  const CommandResult result = Giftool("info " + ShellQuote(dir.File("a.gif")));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.output,
            "screen GIF89a 300 x 200, global colour table 2 entries, background 1, aspect 0\n"
            "extension 0 label 0xFF application\n"
            "frame 0 at 5,6 size 2 x 1, interlaced, local colour table 4 entries, code size 2\n"
            "extension 1 label 0xF9 graphic control\n"
            "frame 1 at 0,0 size 1 x 1, not interlaced, local colour table 0 entries, code size 3\n");
}

TEST(Giftool, DecodeGivesImageMagicksPixelsOfTheSampleDrawings) {
  if (access("/usr/bin/convert", X_OK) != 0) GTEST_SKIP() << "no ImageMagick";
  TempDir dir;
  // An interlaced drawing of 8 colours and one of 2.
  for (const char* name : {"TO3", "SOT23"}) {
    const std::string gif = std::string(TALVERN_SOURCE_DIR) + "/data/drawings/" + name + ".gif";
    const std::string out = dir.File(std::string(name) + ".ppm");
    const CommandResult decoded = Giftool("decode " + ShellQuote(gif) + " " + ShellQuote(out));
    ASSERT_EQ(decoded.exitCode, 0) << decoded.output;
    const CommandResult theirs = RunCommand("/usr/bin/convert " + ShellQuote(gif + "[0]") + " ppm:-");
    ASSERT_EQ(theirs.exitCode, 0);
    const std::string ours = ReadFile(out);
    EXPECT_EQ(ours.substr(0, 3), "P6\n");
    // Headers may differ in white space; the pixels (the last w x h x 3 bytes) may not.
    ASSERT_GT(theirs.output.size(), 100000u);
    const std::size_t pixels = theirs.output.size() - theirs.output.find("\n255\n") - 5;
    EXPECT_EQ(ours.size() - ours.find("\n255\n") - 5, pixels) << name;
    EXPECT_TRUE(ours.compare(ours.size() - pixels, pixels, theirs.output, theirs.output.size() - pixels, pixels) == 0)
        << name;
  }
}

TEST(Giftool, ErrorsGoToStandardErrorWithAnExitCode) {
  TempDir dir;
  WriteFile(dir.File("bad.gif"), "GIF88a" + std::string(20, '\0'));
  CommandResult result = Giftool("info " + ShellQuote(dir.File("bad.gif")));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.output, "giftool info: GIF: Invalid version\n");
  result = Giftool("decode " + ShellQuote(dir.File("missing.gif")) + " " + ShellQuote(dir.File("x.ppm")));
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.ppm")));
  EXPECT_EQ(Giftool("decode one").exitCode, 2);
  EXPECT_EQ(Giftool("frobnicate").exitCode, 2);
}

}  // namespace
}  // namespace talvern
