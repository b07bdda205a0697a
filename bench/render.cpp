// Where the time of a DXF to BMP conversion goes, stage by stage, on the
// generated drawing of 20,000 entities at the default page.
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/convert.h"
#include "model/drawing.h"
#include "model/flatten.h"
#include "readers/dxf/dxf.h"
#include "render/canvas.h"
#include "render/colours.h"
#include "render/draw.h"
#include "writers/raster/bmp.h"

namespace {

// The drawing, made once with the generator beside the samples.
std::string LargeDxf() {
  const char* env = std::getenv("KARTEX_LARGE_DXF");
  std::string path = env ? env : "/tmp/kartex-large.dxf";
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    std::string source = __FILE__;
    std::string samples = source.substr(0, source.rfind('/')) + "/../samples";
    std::string command = "python3 " + samples + "/make_samples.py --large " + path;
    if (std::system(command.c_str()) != 0) return "";
  }
  return path;
}

struct Prepared {
  Drawing drawing{};
  GrowArray<DevicePolyline> polylines{};
  GrowArray<DeviceText> texts{};
  Canvas canvas{};
  PageFit fit{};
  bool ok = false;

  Prepared() {
    UseBuiltInColourTable();
    std::string path = LargeDxf();
    if (path.empty() || !dxf_proc(path.c_str(), &drawing)) return;
    fit = FitPage(drawing.extMax.x - drawing.extMin.x, drawing.extMax.y - drawing.extMin.y, 1728, 2287);
    canvas.width = fit.width;
    canvas.height = fit.height;
    canvas.bitsPerPixel = 8;
    canvas.stride = static_cast<int32_t>(RowStride(fit.width, 8));
    for (int i = 0; i < 256; ++i) {
      ColourRef c = CurrentColourTable()[i];
      canvas.palette.entries[i] = {RedOf(c), GreenOf(c), BlueOf(c), 0};
    }
    FlattenDrawing(drawing, fit.scale, polylines, texts);
    ok = CreateCanvas(canvas) == 1;
  }
  ~Prepared() {
    FreeCanvas(canvas);
    FreeDeviceLists(polylines, texts);
    DrawingFree(&drawing);
  }
};

Prepared& Shared() {
  static Prepared p;
  return p;
}

void BM_ReadDxf(benchmark::State& state) {
  std::string path = LargeDxf();
  for (auto _ : state) {
    Drawing d{};
    if (!dxf_proc(path.c_str(), &d)) state.SkipWithError("unreadable drawing");
    DrawingFree(&d);
  }
}
BENCHMARK(BM_ReadDxf)->Unit(benchmark::kMillisecond);

void BM_Flatten(benchmark::State& state) {
  Prepared& p = Shared();
  if (!p.ok) return state.SkipWithError("no drawing");
  for (auto _ : state) {
    GrowArray<DevicePolyline> polylines{};
    GrowArray<DeviceText> texts{};
    FlattenDrawing(p.drawing, p.fit.scale, polylines, texts);
    FreeDeviceLists(polylines, texts);
  }
}
BENCHMARK(BM_Flatten)->Unit(benchmark::kMillisecond);

void BM_CreateCanvas(benchmark::State& state) {
  Prepared& p = Shared();
  if (!p.ok) return state.SkipWithError("no drawing");
  for (auto _ : state) {
    Canvas c = p.canvas;
    c.pixels = nullptr;
    c.paletteObject = c.bitmapObject = nullptr;
    c.deviceContext = nullptr;
    CreateCanvas(c);
    FreeCanvas(c);
  }
}
BENCHMARK(BM_CreateCanvas)->Unit(benchmark::kMillisecond);

void BM_DrawPolylines(benchmark::State& state) {
  Prepared& p = Shared();
  if (!p.ok) return state.SkipWithError("no drawing");
  for (auto _ : state) DrawPolylines(p.canvas.deviceContext, p.polylines);
  state.SetItemsProcessed(state.iterations() * p.polylines.count);
}
BENCHMARK(BM_DrawPolylines)->Unit(benchmark::kMillisecond);

void BM_DrawTexts(benchmark::State& state) {
  Prepared& p = Shared();
  if (!p.ok) return state.SkipWithError("no drawing");
  for (auto _ : state) DrawTexts(p.canvas.deviceContext, p.texts);
  state.SetItemsProcessed(state.iterations() * p.texts.count);
}
BENCHMARK(BM_DrawTexts)->Unit(benchmark::kMillisecond);

void BM_Flush(benchmark::State& state) {
  Prepared& p = Shared();
  if (!p.ok) return state.SkipWithError("no drawing");
  platform::Point dot[] = {{0, 0}, {1, 1}};
  for (auto _ : state) {
    p.canvas.deviceContext->Polyline(dot, 2);  // something to flush
    FlushCanvas(p.canvas);
  }
}
BENCHMARK(BM_Flush)->Unit(benchmark::kMillisecond);

void BM_WriteBmp(benchmark::State& state) {
  Prepared& p = Shared();
  if (!p.ok) return state.SkipWithError("no drawing");
  const int rle = static_cast<int>(state.range(0));
  std::string out = "/tmp/kartex-bench-" + std::to_string(rle) + ".bmp";
  for (auto _ : state) WriteBmpFile(p.canvas, out.c_str(), rle);
  std::remove(out.c_str());
}
BENCHMARK(BM_WriteBmp)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
