// One command-line conversion split into its stages, each timed in CPU time of
// this process, for bench/jobs.py: it prints "read", "flatten", "canvas"
// (making the canvas and bringing its pixels up to date), "draw" and "write"
// with their seconds. The stages are the ones Convert runs for DXF and
// Gerber input; what the whole process spends beyond them (start-up, libraries,
// freeing, exit) is the whole-process time of kartex less their sum.
//
//   bench_stages <input.dxf|.gbr> <output.bmp|.gif|.g3|.jpg|.dxf|.htm>
//
// Drawing flattens each polyline as it draws it, so "flatten" is timed on a
// separate pass of the same flattening afterwards, and "draw" is the drawing
// pass less that.
#include <time.h>

#include <cstdio>
#include <cstring>

#include "app/convert.h"
#include "app/options.h"
#include "model/flatten.h"
#include "readers/dxf/dxf.h"
#include "readers/gerber/gerber.h"
#include "render/colours.h"
#include "render/draw.h"
#include "writers/raster/bmp.h"
#include "writers/raster/g3.h"
#include "writers/raster/gif.h"
#include "writers/raster/jpeg.h"
#include "writers/vector/dxf_writer.h"
#include "writers/vector/vml.h"

namespace {

double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int WriteOutput(const Canvas& canvas, const Drawing& drawing, const char* name, int32_t kind) {
  switch (kind) {
    case kKindBmp: return WriteBmpFile(canvas, name, 0);
    case kKindGif: return WriteGifFile(name, canvas);
    case kKindG3: return WriteG3File(canvas, name, 0);
    case kKindJpeg: return WriteJpegFile(canvas, name, kDefaultQuality);
    case kKindDxf: return WriteDxf(const_cast<Drawing&>(drawing), name);
    default: return WriteVmlFile(drawing, name, kVmlBackground);
  }
}

int Stages(const char* input, const char* output) {
  const int32_t inKind = FileKindOf(input, 1), outKind = FileKindOf(output, 0);
  if (inKind != kKindDxf && inKind != kKindGerber) return 1;
  PrepareHeapFor(input);
  UseBuiltInColourTable();
  Canvas canvas{};
  canvas.bitsPerPixel = BitsPerPixelFor(outKind, inKind);
  for (int i = 0; i < 256; ++i) {
    ColourRef c = CurrentColourTable()[i];
    canvas.palette.entries[i] =
        inKind == kKindDxf ? PaletteEntry{RedOf(c), GreenOf(c), BlueOf(c), 0} : PaletteEntry{255, 255, 255, 0};
    if (inKind != kKindDxf) break;
  }
  canvas.drawnIsInk = inKind == kKindDxf;

  double t0 = CpuSeconds();
  Drawing drawing{};
  if (!(inKind == kKindDxf ? dxf_proc(input, &drawing) : gbr_proc(input, &drawing))) return 1;
  double t1 = CpuSeconds(), flatten = 0, canvasTime = 0;
  const bool vector = (outKind & kVectorKinds) != 0;
  PageFit fit =
      FitPage(drawing.extMax.x - drawing.extMin.x, drawing.extMax.y - drawing.extMin.y, kDefaultWidth, kDefaultHeight);
  if (!vector) {
    canvas.width = fit.width;
    canvas.height = fit.height;
    canvas.stride = static_cast<int32_t>(RowStride(fit.width, canvas.bitsPerPixel));
    if (!CreateCanvas(canvas)) return 1;
    double c1 = CpuSeconds();
    if (fit.scale > 0 && !DrawDrawing(canvas.deviceContext, drawing, fit.scale)) return 1;
    double c2 = CpuSeconds();
    FlushCanvas(canvas);
    canvasTime = c1 - t1 + CpuSeconds() - c2;
  }
  double t2 = CpuSeconds();
  if (!WriteOutput(canvas, drawing, output, outKind)) return 1;
  double t3 = CpuSeconds();
  if (!vector && fit.scale > 0) {
    // The flattening DrawDrawing does, into one reused polyline, without the drawing.
    DevicePolyline line{};
    GrowArray<DeviceText> texts{};
    double f0 = CpuSeconds();
    ForEachPlacedSet(drawing, [&](const EntitySet& set, const Insert* insert) {
      DeviceMapping m = MakeDeviceMapping(drawing, fit.scale, insert);
      for (const Polyline& world : set.polylines) FlattenPolyline(world, drawing, m, line);
      for (const TextItem& item : set.texts) ArrayAppend(texts, FlattenText(item, set, drawing, m));
    });
    flatten = CpuSeconds() - f0;
    ArrayFree(line.points);
    ArrayFree(texts);
  }
  std::printf("read %.6f\nflatten %.6f\ncanvas %.6f\ndraw %.6f\nwrite %.6f\n", t1 - t0, flatten, canvasTime,
              t2 - t1 - flatten - canvasTime, t3 - t2);
  FreeCanvas(canvas);
  DrawingFree(&drawing);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3) return Stages(argv[1], argv[2]);
  std::fprintf(stderr, "usage: bench_stages <input> <output>\n");
  return 2;
}
