#include "app/convert.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/options.h"
#include "app/supl.h"
#include "model/drawing.h"
#include "model/flatten.h"
#include "platform/metafile.h"
#include "platform/tempfile.h"
#include "readers/dxf/dxf.h"
#include "readers/emf/emf.h"
#include "readers/gerber/gerber.h"
#include "render/draw.h"
#include "writers/vector/dxf_writer.h"
#include "writers/vector/svg.h"
#include "writers/vector/vml.h"

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int64_t kPlaceableHeaderSize = 22;

// Working state of one call; everything is released before Convert returns.
struct Work {
  Drawing drawing;
  GrowArray<DevicePolyline> polylines;
  GrowArray<DeviceText> texts;
  uint8_t* bytes;
  platform::EnhMetaFile* metafile;
};

// WMF input bound for a vector output reaches the EMF translator through a
// temporary EMF file in the current directory, removed on every path.
int TranslateMetafile(Work& work) {
  char name[64];
  if (!platform::CreateTempFile(".", name, sizeof name)) return 0;
  int ok = 0;
  int64_t size = platform::GetEnhMetaFileBits(work.metafile, nullptr, 0);
  if (size > 0) {
    uint8_t* emf = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
    if (emf && platform::GetEnhMetaFileBits(work.metafile, emf, size) == size &&
        supl_bwrite(name, emf, size))
      ok = emf_proc(name, &work.drawing);
    std::free(emf);
  }
  platform::DeleteFile(name);
  platform::DeleteEnhMetaFile(work.metafile);
  work.metafile = nullptr;
  return ok;
}

int LoadWmf(Work& work, const char* inputName, bool vectorOutput) {
  int64_t size = 0;
  work.bytes = supl_bread(inputName, &size);
  if (!work.bytes) return 0;
  const uint8_t* start = work.bytes;
  if (size >= 4) {
    uint32_t key = start[0] | start[1] << 8 | start[2] << 16 | static_cast<uint32_t>(start[3]) << 24;
    if (key == kPlaceableKey) {
      if (size < kPlaceableHeaderSize) return 0;
      start += kPlaceableHeaderSize;
      size -= kPlaceableHeaderSize;
    }
  }
  work.metafile = platform::SetWinMetaFileBits(start, size);
  std::free(work.bytes);
  work.bytes = nullptr;
  if (!work.metafile) return 0;
  // Playing metafiles into a canvas comes with the metafile player.
  if (!vectorOutput) return 0;
  return TranslateMetafile(work);
}

int LoadInput(Work& work, const char* inputName, int32_t inputKind, bool vectorOutput) {
  switch (inputKind) {
    case kKindEmf:
      // Playing metafiles into a canvas comes with the metafile player.
      return vectorOutput && emf_proc(inputName, &work.drawing);
    case kKindWmf:
      return LoadWmf(work, inputName, vectorOutput);
    case kKindDxf:
      return dxf_proc(inputName, &work.drawing);
    case kKindGerber:
      return gbr_proc(inputName, &work.drawing);
    default:
      return 0;
  }
}

int WriteVector(Drawing& drawing, const char* outputName, int32_t outputKind) {
  if (!outputName || !*outputName) return 1;
  if (outputKind == kKindDxf) return WriteDxf(drawing, outputName);
  if (outputKind == kKindSvg) return WriteSvgFile(drawing, outputName, kVmlBackground);
  return WriteVmlFile(drawing, outputName, kVmlBackground);
}

int RenderDrawing(Work& work, Canvas& canvas) {
  const Drawing& d = work.drawing;
  PageFit fit = FitPage(d.extMax.x - d.extMin.x, d.extMax.y - d.extMin.y, canvas.width, canvas.height);
  int64_t stride = RowStride(fit.width, canvas.bitsPerPixel);
  if (stride <= 0) return 0;
  canvas.width = fit.width;
  canvas.height = fit.height;
  canvas.stride = static_cast<int32_t>(stride);
  work.polylines.elementSize = sizeof(DevicePolyline);
  work.texts.elementSize = sizeof(DeviceText);
  if (fit.scale > 0) FlattenDrawing(d, fit.scale, work.polylines, work.texts);
  if (!CreateCanvas(canvas)) return 0;
  int ok = DrawPolylines(canvas.deviceContext, work.polylines) && DrawTexts(canvas.deviceContext, work.texts);
  FlushCanvas(canvas);
  return ok;
}

}  // namespace

PageFit FitPage(double dx, double dy, int32_t width, int32_t height) {
  const double scale = FitScale(dx, dy, width - 1, height - 1);
  // Nothing to draw (no points, or extents that are not finite): a blank page.
  if (scale == 0) return {0.0, width, height};
  // At least one pixel on each axis, whatever the proportions.
  double w = dx * scale;
  double h = dy * scale;
  int32_t fitWidth = w >= 1 ? static_cast<int32_t>(w) : 1;
  int32_t fitHeight = h >= 1 ? static_cast<int32_t>(h) : 1;
  return {scale, fitWidth, fitHeight};
}

int Convert(Canvas& canvas, const char* inputName, int32_t inputKind, const char* outputName,
            int32_t outputKind) {
  Work work{};
  bool vectorOutput = (outputKind & kVectorKinds) != 0;
  int ok = LoadInput(work, inputName, inputKind, vectorOutput);
  if (ok && vectorOutput) ok = WriteVector(work.drawing, outputName, outputKind);
  canvas.drawnIsInk = inputKind == kKindDxf;
  if (ok) ok = RenderDrawing(work, canvas);

  std::free(work.bytes);
  if (work.metafile) platform::DeleteEnhMetaFile(work.metafile);
  FreeDeviceLists(work.polylines, work.texts);
  DrawingFree(&work.drawing);
  if (!ok) std::printf("%s: error!\n", kProgramName);
  return ok;
}
