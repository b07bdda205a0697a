// Bitmaps as the metafile player meets them: a 640 x 480 photo-like picture
// decoded from 8 and 24 bits, then drawn over a whole fax page (1728 x 2287)
// by an upright copy, a raster operation, a quarter turn and a halftone shrink.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/dib.h"

namespace {

using namespace platform;

constexpr int kPageWidth = 1728;
constexpr int kPageHeight = 2287;
constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;

std::vector<uint8_t> Picture(int bpp) {
  std::vector<uint8_t> b(40 + (bpp == 8 ? 1024 : 0));
  const uint32_t header[] = {40, kPictureWidth, kPictureHeight, 1u | uint32_t(bpp) << 16, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 10; ++i)
    for (int k = 0; k < 4; ++k) b[4 * i + k] = static_cast<uint8_t>(header[i] >> (8 * k));
  for (size_t i = 40; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 7);
  int stride = (kPictureWidth * bpp / 8 + 3) & ~3;
  for (int y = 0; y < kPictureHeight; ++y)
    for (int x = 0; x < stride; ++x) b.push_back(static_cast<uint8_t>((x * x + y * 3) >> 4));
  return b;
}

DibImage Decoded(int bpp) {
  std::vector<uint8_t> b = Picture(bpp);
  size_t info = bpp == 8 ? 40 + 1024 : 40;
  DibImage image;
  DecodeDib(b.data(), static_cast<int64_t>(info), b.data() + info, static_cast<int64_t>(b.size() - info), {}, image);
  return image;
}

void BM_Decode(benchmark::State& state) {
  int bpp = static_cast<int>(state.range(0));
  std::vector<uint8_t> b = Picture(bpp);
  size_t info = bpp == 8 ? 40 + 1024 : 40;
  for (auto _ : state) {
    DibImage image;
    DecodeDib(b.data(), static_cast<int64_t>(info), b.data() + info, static_cast<int64_t>(b.size() - info), {}, image);
    benchmark::DoNotOptimize(image.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kPictureWidth * kPictureHeight);
}
BENCHMARK(BM_Decode)->Arg(8)->Arg(24);

enum Shape { kCopy, kRop, kTurn, kShrink };

void BM_Blit(benchmark::State& state) {
  static const DibImage image = Decoded(24);
  std::vector<uint32_t> page(size_t{kPageWidth} * kPageHeight, 0xFF808080);
  BlitTarget target{reinterpret_cast<uint8_t*>(page.data()), 4 * kPageWidth, kPageWidth, kPageHeight};
  BlitSource source;
  source.image = &image;
  BlitOp op;
  switch (state.range(0)) {
    case kCopy: MapRect(0, 0, kPictureWidth, kPictureHeight, 0, 0, kPageWidth, kPageHeight, source); break;
    case kRop:
      MapRect(0, 0, kPictureWidth, kPictureHeight, 0, 0, kPageWidth, kPageHeight, source);
      op.rop = kSrcAnd;
      break;
    case kTurn: {
      const Point corners[] = {{kPageWidth, 0}, {kPageWidth, kPageHeight}, {0, 0}};
      MapParallelogram(0, 0, kPictureWidth, kPictureHeight, corners, source);
      break;
    }
    case kShrink:
      MapRect(0, 0, kPictureWidth, kPictureHeight, 0, 0, kPictureWidth / 3, kPictureHeight / 3, source);
      source.stretchMode = kHalftone;
      break;
  }
  for (auto _ : state) {
    Blit(target, source, op);
    benchmark::DoNotOptimize(page.data());
  }
}
BENCHMARK(BM_Blit)->ArgName("copy,rop,turn,shrink")->DenseRange(kCopy, kShrink);

}  // namespace

BENCHMARK_MAIN();
