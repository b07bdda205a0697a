// The JPEG encoder on a fax page (1728 x 2287, 24-bit) of a drawing-like
// picture and of noise.
//
//   bench_jpeg                          Google Benchmark timings
//   bench_jpeg --write-ppm DIR          writes DIR/drawing.ppm and DIR/noise.ppm
//                                       (bench_encode codes them as whole processes)
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/canvas.h"
#include "writers/raster/jpeg.h"

namespace {

constexpr int kWidth = 1728, kHeight = 2287;

struct Picture {
  int width = 0, height = 0, stride = 0;
  std::vector<uint8_t> bgr;
  void Resize(int w, int h) {
    width = w;
    height = h;
    stride = (3 * w + 3) & ~3;
    bgr.assign(size_t(stride) * h, 0);
  }
  void Set(int x, int y, uint32_t rgb) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = &bgr[size_t(y) * stride + 3 * x];
    p[0] = rgb & 0xff;
    p[1] = (rgb >> 8) & 0xff;
    p[2] = rgb >> 16;
  }
  Canvas AsCanvas() {
    Canvas c;
    std::memset(static_cast<void*>(&c), 0, sizeof c);
    c.pixels = bgr.data();
    c.width = width;
    c.height = height;
    c.bitsPerPixel = 24;
    c.stride = stride;
    return c;
  }
};

// Light grey paper with a frame, a grid of thin coloured lines, circles and
// a few filled shapes: mostly flat areas with sharp one-pixel edges.
Picture Drawing() {
  Picture p;
  p.Resize(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) p.Set(x, y, 0xc0c0c0);
  const uint32_t colours[] = {0x000000, 0xff0000, 0x0000ff, 0x00a000, 0xff00ff, 0x808000};
  for (int i = 0; i < 60; ++i) {
    const uint32_t colour = colours[i % 6];
    const int y = 40 + i * 37, x = 30 + i * 28;
    for (int t = 30; t < kWidth - 30; ++t) p.Set(t, y, colour);
    for (int t = 40; t < kHeight - 40; ++t) p.Set(x, t, colour);
  }
  for (int k = 0; k < 25; ++k) {
    const double cx = 200 + (k * 311) % 1300, cy = 200 + (k * 577) % 1900, r = 40 + (k * 53) % 200;
    for (int a = 0; a < 4000; ++a) {
      const double t = a * 2 * 3.14159265358979 / 4000;
      p.Set(int(cx + r * std::cos(t)), int(cy + r * std::sin(t)), colours[k % 6]);
    }
  }
  for (int k = 0; k < 8; ++k)
    for (int y = 300 + 250 * k; y < 360 + 250 * k; ++y)
      for (int x = 900; x < 1100 + 40 * k; ++x) p.Set(x, y, colours[(k + 1) % 6]);
  return p;
}

Picture Noise() {
  Picture p;
  p.Resize(kWidth, kHeight);
  uint32_t state = 12345;
  for (auto& b : p.bgr) {
    state = state * 1664525u + 1013904223u;
    b = uint8_t(state >> 24);
  }
  return p;
}

void Encode(benchmark::State& state, Picture (*make)()) {
  Picture picture = make();
  const Canvas canvas = picture.AsCanvas();
  const std::string path = "/tmp/kartex_bench_jpeg.jpg";
  for (auto _ : state) {
    if (WriteJpegFile(canvas, path.c_str(), 75) != 1) state.SkipWithError("encoding failed");
  }
  std::remove(path.c_str());
  state.SetBytesProcessed(state.iterations() * int64_t{kWidth} * kHeight * 3);
}

BENCHMARK_CAPTURE(Encode, drawing, Drawing)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, noise, Noise)->Unit(benchmark::kMillisecond);

bool WritePpm(const Picture& p, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", p.width, p.height);
  std::vector<uint8_t> row(size_t(p.width) * 3);
  for (int y = 0; y < p.height; ++y) {
    const uint8_t* s = &p.bgr[size_t(y) * p.stride];
    for (int x = 0; x < p.width; ++x) {
      row[3 * x] = s[3 * x + 2];
      row[3 * x + 1] = s[3 * x + 1];
      row[3 * x + 2] = s[3 * x];
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-ppm") == 0) {
    const std::string dir = argv[2];
    return WritePpm(Drawing(), dir + "/drawing.ppm") && WritePpm(Noise(), dir + "/noise.ppm") ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
