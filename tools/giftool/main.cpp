// giftool: looking into GIF files as the catalogue's decoder reads them.
//   giftool info FILE             screen, colour table, then the frames and
//                                 extensions in file order, one line each
//   giftool decode FILE OUT.ppm   the first frame painted as the catalogue
//                                 paints it (logical-screen size, background
//                                 where the frame does not cover), as a
//                                 binary PPM (P6)
// Errors go to stderr and end the program with a non-zero exit code.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "gif/BitmapCanvas.h"
#include "gif/Gif.h"

namespace {

using talvern::TGif;

struct UsageError {
  std::string message;
};

void Load(TGif& gif, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  gif.LoadFromStream(in);
}

const char* ExtensionName(int label) {
  switch (label) {
    case 0x01: return "plain text";
    case 0xF9: return "graphic control";
    case 0xFE: return "comment";
    case 0xFF: return "application";
    default: return "unknown";
  }
}

int RunInfo(int argc, char** argv) {
  if (argc != 1) throw UsageError{"expects one file"};
  TGif gif;
  Load(gif, argv[0]);
  std::printf("screen GIF%.3s %d x %d, global colour table %zu entries, background %d, aspect %d\n",
              gif.Version().data(), gif.Width(), gif.Height(), gif.ColorTable().size(), gif.BackgroundIndex(),
              gif.Header()[talvern::gif::kAspectOffset]);
  int frame = 0;
  int extension = 0;
  while (frame < gif.FrameCount() || extension < gif.ExtensionCount()) {
    const bool frameFirst = extension >= gif.ExtensionCount() ||
                            (frame < gif.FrameCount() && gif.FramePosition(frame) < gif.ExtensionPosition(extension));
    if (frameFirst) {
      const talvern::TGifFrameInfo f = gif.FrameInfo(frame);
      std::printf("frame %d at %d,%d size %d x %d, %s, local colour table %d entries, code size %d%s\n", frame,
                  f.left, f.top, f.width, f.height, f.interlaced ? "interlaced" : "not interlaced", f.localColors,
                  f.minCodeSize, f.complete ? "" : ", cut short");
      ++frame;
    } else {
      const int label = gif.ExtensionLabel(extension);
      std::printf("extension %d label 0x%02X %s\n", extension, label < 0 ? 0 : label, ExtensionName(label));
      ++extension;
    }
  }
  return 0;
}

int RunDecode(int argc, char** argv) {
  if (argc != 2) throw UsageError{"expects a GIF file and an output file"};
  TGif gif;
  Load(gif, argv[0]);
  talvern::TBitmapCanvas canvas(gif.Width(), gif.Height());
  gif.Draw(canvas, {0, 0, gif.Width(), gif.Height()});
  std::string ppm = "P6\n" + std::to_string(gif.Width()) + " " + std::to_string(gif.Height()) + "\n255\n";
  ppm.reserve(ppm.size() + 3 * canvas.Pixels().size());
  for (talvern::TColor c : canvas.Pixels()) {
    ppm += static_cast<char>(talvern::RedOf(c));
    ppm += static_cast<char>(talvern::GreenOf(c));
    ppm += static_cast<char>(talvern::BlueOf(c));
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(ppm.data(), static_cast<std::streamsize>(ppm.size()));
  out.close();
  if (!out) throw std::runtime_error(std::string("cannot write ") + argv[1]);
  return 0;
}

void Usage(FILE* out) {
  std::fprintf(out,
               "usage: giftool info FILE\n"
               "       giftool decode FILE OUT.ppm\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    Usage(stderr);
    return 2;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "help") {
    Usage(stdout);
    return 0;
  }
  try {
    if (command == "info") return RunInfo(argc - 2, argv + 2);
    if (command == "decode") return RunDecode(argc - 2, argv + 2);
    std::fprintf(stderr, "giftool: unknown command \"%s\"\n", command.c_str());
    Usage(stderr);
    return 2;
  } catch (const UsageError& e) {
    std::fprintf(stderr, "giftool %s: %s\n", command.c_str(), e.message.c_str());
    Usage(stderr);
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "giftool %s: %s\n", command.c_str(), e.what());
    return 1;
  }
}
