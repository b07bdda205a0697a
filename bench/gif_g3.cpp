// The GIF and G3 writers on a default fax page (1728 x 2287) holding a
// drawing-like picture: a frame, a grid of thin lines, diagonals, circles and
// rows of small letter-like strokes, drawn straight into the pixel buffer.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "writers/raster/g3.h"
#include "writers/raster/gif.h"

namespace {

constexpr int kPageWidth = 1728;
constexpr int kPageHeight = 2287;

struct Page {
  Canvas canvas{};
  std::vector<uint8_t> bytes;

  explicit Page(int bitsPerPixel) {
    canvas.width = kPageWidth;
    canvas.height = kPageHeight;
    canvas.bitsPerPixel = bitsPerPixel;
    canvas.stride = (kPageWidth * bitsPerPixel + 31) / 32 * 4;
    bytes.assign(size_t(canvas.stride) * kPageHeight, 0);
    canvas.pixels = bytes.data();
    for (int i = 0; i < 256; ++i) canvas.palette.entries[i] = {uint8_t(i), uint8_t(i * 7), uint8_t(i * 13), 0};
  }

  void Plot(int x, int y, uint8_t colour) {
    if (x < 0 || y < 0 || x >= kPageWidth || y >= kPageHeight) return;
    uint8_t* row = bytes.data() + size_t(y) * canvas.stride;
    if (canvas.bitsPerPixel == 8)
      row[x] = colour;
    else
      row[x / 8] |= uint8_t(0x80 >> (x % 8));
  }

  void Line(int x0, int y0, int x1, int y1, uint8_t colour, int thickness = 1) {
    int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
      int x = x0 + (steps ? (x1 - x0) * i / steps : 0);
      int y = y0 + (steps ? (y1 - y0) * i / steps : 0);
      for (int t = 0; t < thickness; ++t) Plot(x + t, y + t, colour);
    }
  }

  void Circle(int cx, int cy, int r, uint8_t colour) {
    for (int a = 0; a < 8 * r; ++a) {
      double t = a * 2 * M_PI / (8 * r);
      Plot(cx + int(r * std::cos(t)), cy + int(r * std::sin(t)), colour);
    }
  }
};

Page DrawingPage(int bitsPerPixel) {
  Page page(bitsPerPixel);
  if (bitsPerPixel == 8) std::fill(page.bytes.begin(), page.bytes.end(), uint8_t(254));  // light paper
  page.Line(20, 20, kPageWidth - 21, 20, 7, 3);
  page.Line(20, kPageHeight - 21, kPageWidth - 21, kPageHeight - 21, 7, 3);
  page.Line(20, 20, 20, kPageHeight - 21, 7, 3);
  page.Line(kPageWidth - 21, 20, kPageWidth - 21, kPageHeight - 21, 7, 3);
  for (int x = 100; x < kPageWidth - 100; x += 120) page.Line(x, 100, x, kPageHeight - 400, 8);
  for (int y = 100; y < kPageHeight - 400; y += 90) page.Line(100, y, kPageWidth - 100, y, 8);
  for (int i = 0; i < 12; ++i)
    page.Line(100 + i * 40, 100, kPageWidth - 100, kPageHeight - 400 - i * 60, uint8_t(i + 1));
  for (int i = 0; i < 20; ++i) page.Circle(300 + (i % 5) * 280, 400 + (i / 5) * 380, 40 + i * 6, uint8_t(1 + i % 6));
  // Title block: rows of 12 x 18 "letters" of three or four strokes each.
  unsigned seed = 1;
  for (int y = kPageHeight - 360; y < kPageHeight - 60; y += 30)
    for (int x = 120; x < kPageWidth - 140; x += 16) {
      seed = seed * 1103515245u + 12345u;
      if ((seed >> 16) % 9 == 0) continue;  // a space
      page.Line(x, y, x, y + 18, 7);
      page.Line(x, y, x + 10, y + int(seed >> 20) % 18, 7);
      page.Line(x, y + 9, x + int(seed >> 24) % 12, y + 9, 7);
      if (seed & 0x100) page.Line(x + 10, y, x + 10, y + 18, 7);
    }
  return page;
}

std::string BenchFile(const char* name) { return std::string("/tmp/kartex_bench_") + name; }

void BM_WriteGif(benchmark::State& state) {
  Page page = DrawingPage(8);
  std::string path = BenchFile("page.gif");
  for (auto _ : state)
    if (!WriteGifFile(path.c_str(), page.canvas)) state.SkipWithError("WriteGifFile failed");
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * int64_t(page.bytes.size()));
}
BENCHMARK(BM_WriteGif)->Unit(benchmark::kMillisecond);

void BM_WriteG3(benchmark::State& state) {
  Page page = DrawingPage(1);
  std::string path = BenchFile("page.g3");
  for (auto _ : state)
    if (!WriteG3File(page.canvas, path.c_str(), 0)) state.SkipWithError("WriteG3File failed");
  std::remove(path.c_str());
  state.SetItemsProcessed(state.iterations() * kPageHeight);
}
BENCHMARK(BM_WriteG3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
