// The real GIF files of the shared corpus: where the first frame covers the
// logical screen, the pixels painted equal ImageMagick's first frame (the md5
// of its 8-bit RGBA pixels, recorded beside each file; where they differ,
// the frame's opaque pixels are compared one by one with ImageMagick's PNG).
// Every file loads, or fails with one of the decoder's messages.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "GifTestKit.h"
#include "Peers.h"
#include "TestFiles.h"
#include "gif/Gif.h"

namespace talvern {
namespace {

using namespace talvern::testing;

struct CorpusGif {
  std::string path;
  bool globalTable = false;
  int width = 0, height = 0;             // logical screen
  int frameWidth = 0, frameHeight = 0;   // ImageMagick's first frame
  std::string frameOffset;               // "+0+0"
  std::string rgbaMd5;
  std::string png;
};

// What the expectation files say, read with Debian's python3.
std::vector<CorpusGif> ReadExpectations(const std::string& corpus, const TempDir& dir) {
  const CommandResult result = RunPython(dir, R"(
import glob, json, os, sys
root = sys.argv[1]
for f in sorted(glob.glob(os.path.join(root, 'gif', '**', '*.expected.json'), recursive=True)):
    j = json.load(open(f))
    ff = j['imagemagick']['first_frame']
    png = j.get('first_frame_png', {})
    print('\t'.join(str(v) for v in [f[:-len('.expected.json')], int(j['giftext']['global_color_table']),
          j['screen_width_bytes6_7'], j['screen_height_bytes8_9'], ff['w'], ff['h'], ff['x'] + ff['y'],
          png.get('rgba8_md5', ''), os.path.join(root, png.get('file', ''))]))
)", {corpus});
  EXPECT_EQ(result.exitCode, 0);
  std::vector<CorpusGif> gifs;
  std::istringstream lines(result.output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    CorpusGif g;
    int global;
    std::getline(in, g.path, '\t');
    in >> global >> g.width >> g.height >> g.frameWidth >> g.frameHeight >> g.frameOffset >> g.rgbaMd5 >> g.png;
    g.globalTable = global != 0;
    gifs.push_back(g);
  }
  return gifs;
}

std::string Rgba(const PixelCanvas& canvas) {
  std::string rgba(4 * canvas.Pixels().size(), '\xFF');
  for (std::size_t i = 0; i < canvas.Pixels().size(); ++i) {
    const TColor c = canvas.Pixels()[i];
    rgba[4 * i] = static_cast<char>(RedOf(c));
    rgba[4 * i + 1] = static_cast<char>(GreenOf(c));
    rgba[4 * i + 2] = static_cast<char>(BlueOf(c));
  }
  return rgba;
}

// Opaque pixels of ImageMagick's frame that differ from ours (at most a few
// are described).
std::string CompareOpaquePixels(const std::string& ours, const std::string& png, int width) {
  const CommandResult theirs = RunCommand("/usr/bin/convert " + ShellQuote(png) + " -depth 8 rgba:-");
  if (theirs.exitCode != 0 || theirs.output.size() != ours.size()) return "ImageMagick could not read " + png;
  std::ostringstream diff;
  int differing = 0;
  for (std::size_t i = 0; i < ours.size(); i += 4) {
    if (static_cast<std::uint8_t>(theirs.output[i + 3]) != 0xFF || ours.compare(i, 3, theirs.output, i, 3) == 0) continue;
    if (++differing <= 3)
      diff << " (" << (i / 4) % width << "," << (i / 4) / width << ") ours " << int(std::uint8_t(ours[i])) << ","
           << int(std::uint8_t(ours[i + 1])) << "," << int(std::uint8_t(ours[i + 2])) << " theirs "
           << int(std::uint8_t(theirs.output[i])) << "," << int(std::uint8_t(theirs.output[i + 1])) << ","
           << int(std::uint8_t(theirs.output[i + 2]));
  }
  return differing == 0 ? "" : std::to_string(differing) + " pixels differ:" + diff.str();
}

TEST(GifCorpus, FirstFramesEqualImageMagicks) {
  const std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no real-world corpus";
  if (access("/usr/bin/python3", X_OK) != 0 || access("/usr/bin/md5sum", X_OK) != 0) GTEST_SKIP() << "no peers";
  TempDir dir;
  const std::vector<CorpusGif> gifs = ReadExpectations(corpus, dir);
  ASSERT_GE(gifs.size(), 25u);

  const std::set<std::string> messages = {kGifInvalidData, kGifInvalidFormat, kGifInvalidVersion, kGifTooLarge};
  struct Compared {
    const CorpusGif* gif;
    std::string rgba;
    std::string file;
  };
  std::vector<Compared> compared;
  std::string md5Command = "/usr/bin/md5sum";
  for (const CorpusGif& g : gifs) {
    SCOPED_TRACE(g.path);
    TGif gif;
    try {
      gif.LoadFromBytes(ReadFile(g.path));
    } catch (const EInvalidGraphic& e) {
      EXPECT_TRUE(messages.count(e.what())) << e.what();
      continue;
    }
    ASSERT_EQ(gif.Width(), g.width);
    ASSERT_EQ(gif.Height(), g.height);
    PixelCanvas canvas(g.width, g.height);
    gif.Draw(canvas, {0, 0, g.width, g.height});
    EXPECT_EQ(canvas.outside, 0);
    if (!g.globalTable || g.frameOffset != "+0+0" || g.frameWidth != g.width || g.frameHeight != g.height) continue;
    Compared c{&g, Rgba(canvas), dir.File(std::to_string(compared.size()) + ".rgba")};
    WriteFile(c.file, c.rgba);
    md5Command += ' ';
    md5Command += ShellQuote(c.file);
    compared.push_back(std::move(c));
  }
  ASSERT_GE(compared.size(), 25u);

  const CommandResult sums = RunCommand(md5Command);
  std::istringstream lines(sums.output);
  for (const Compared& c : compared) {
    std::string md5, name;
    lines >> md5 >> name;
    if (md5 == c.gif->rgbaMd5) continue;
    const std::string difference = CompareOpaquePixels(c.rgba, c.gif->png, c.gif->width);
    EXPECT_EQ(difference, "") << c.gif->path;
  }
}

}  // namespace
}  // namespace talvern
