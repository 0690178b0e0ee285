// Decoding and painting GIF drawings: TGif (load, then paint the first frame
// onto a 32-bit bitmap) beside giflib (DGifSlurp from memory, then every
// pixel looked up in the colour table into the same kind of bitmap), on the
// same files in the same run:
//   build/release/bench/gif_bench
// Files: the largest sample drawing (data/drawings/TO3.gif, 640 x 480 line
// art, interlaced, 8 colours) and a 640 x 480 interlaced picture of 256
// colours with a gradient and noise, written here with giflib's encoder.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "gif/BitmapCanvas.h"
#include "gif/Gif.h"

using namespace talvern;

namespace {

std::string SampleDrawing() {
  std::ifstream in(TALVERN_SOURCE_DIR "/data/drawings/TO3.gif", std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int WriteToString(GifFileType* file, const GifByteType* bytes, int count) {
  static_cast<std::string*>(file->UserData)->append(reinterpret_cast<const char*>(bytes), count);
  return count;
}

// Interlaced rows in the order they are stored.
std::vector<int> StoredRowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
    for (int y = start; y < height; y += step) rows.push_back(y);
  return rows;
}

std::string NoisyPicture() {
  constexpr int kWidth = 640, kHeight = 480;
  std::string bytes;
  int error = 0;
  GifFileType* file = EGifOpen(&bytes, WriteToString, &error);
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  for (int i = 0; i < 256; ++i)
    map->Colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(255 - i), static_cast<GifByteType>(i * 7)};
  EGifSetGifVersion(file, true);
  EGifPutScreenDesc(file, kWidth, kHeight, 8, 0, map);
  EGifPutImageDesc(file, 0, 0, kWidth, kHeight, true, nullptr);
  std::mt19937 random(7);
  std::vector<GifPixelType> line(kWidth);
  for (int y : StoredRowOrder(kHeight, true)) {
    for (int x = 0; x < kWidth; ++x) line[x] = static_cast<GifPixelType>((x + y) / 5 + random() % 24);
    EGifPutLine(file, line.data(), kWidth);
  }
  EGifCloseFile(file, &error);
  GifFreeMapObject(map);
  return bytes;
}

const std::string& File(int which) {
  static const std::string files[] = {SampleDrawing(), NoisyPicture()};
  return files[which];
}

void PaintWithTGif(const std::string& bytes, TBitmapCanvas& canvas) {
  TGif gif;
  gif.LoadFromBytes(bytes);
  gif.Draw(canvas, {0, 0, gif.Width(), gif.Height()});
}

struct Reader {
  const std::string* bytes;
  std::size_t at = 0;
};

int ReadFromString(GifFileType* file, GifByteType* out, int count) {
  auto* reader = static_cast<Reader*>(file->UserData);
  const int n = static_cast<int>(std::min<std::size_t>(count, reader->bytes->size() - reader->at));
  std::memcpy(out, reader->bytes->data() + reader->at, n);
  reader->at += n;
  return n;
}

// What a program using giflib does to show the first frame.
bool PaintWithGiflib(const std::string& bytes, std::vector<TColor>& bitmap) {
  Reader reader{&bytes};
  int error = 0;
  GifFileType* file = DGifOpen(&reader, ReadFromString, &error);
  if (!file) return false;
  if (DGifSlurp(file) != GIF_OK || file->ImageCount < 1) {
    DGifCloseFile(file, &error);
    return false;
  }
  const SavedImage& image = file->SavedImages[0];
  const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : file->SColorMap;
  TColor palette[256] = {};
  for (int i = 0; map && i < map->ColorCount && i < 256; ++i)
    palette[i] = RgbColor(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
  // DGifSlurp puts interlaced rows in display order itself.
  const int width = image.ImageDesc.Width;
  const GifByteType* raster = image.RasterBits;
  for (int row = 0; row < image.ImageDesc.Height; ++row, raster += width) {
    TColor* out = &bitmap[static_cast<std::size_t>(row) * file->SWidth];
    for (int x = 0; x < width; ++x) out[x] = palette[raster[x]];
  }
  DGifCloseFile(file, &error);
  return true;
}

void BM_TGif(benchmark::State& state) {
  const std::string& bytes = File(static_cast<int>(state.range(0)));
  TBitmapCanvas canvas(640, 480);
  for (auto _ : state) {
    PaintWithTGif(bytes, canvas);
    benchmark::DoNotOptimize(canvas.Pixels().data());
  }
  state.SetItemsProcessed(state.iterations() * 640 * 480);
}

void BM_Giflib(benchmark::State& state) {
  const std::string& bytes = File(static_cast<int>(state.range(0)));
  std::vector<TColor> bitmap(640 * 480);
  // Both decoders must see the same picture.
  TBitmapCanvas ours(640, 480);
  PaintWithTGif(bytes, ours);
  if (!PaintWithGiflib(bytes, bitmap) || bitmap != ours.Pixels()) {
    state.SkipWithError("giflib and TGif decode the file differently");
    return;
  }
  for (auto _ : state) {
    PaintWithGiflib(bytes, bitmap);
    benchmark::DoNotOptimize(bitmap.data());
  }
  state.SetItemsProcessed(state.iterations() * 640 * 480);
}

// 0: the sample drawing TO3.gif, 1: the noisy 256-colour picture.
BENCHMARK(BM_TGif)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Giflib)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
