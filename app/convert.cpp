#include "app/convert.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/options.h"
#include "app/supl.h"
#include "model/drawing.h"
#include "model/flatten.h"
#include "platform/bytes.h"
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
constexpr int kPlayAttempts = 10;

// Working state of one call; everything is released before Convert returns.
struct Work {
  Drawing drawing;
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
    if (emf && platform::GetEnhMetaFileBits(work.metafile, emf, size) == size && supl_bwrite(name, emf, size))
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
    if (Le32(start) == kPlaceableKey) {
      if (size < kPlaceableHeaderSize) return 0;
      start += kPlaceableHeaderSize;
      size -= kPlaceableHeaderSize;
    }
  }
  work.metafile = platform::SetWinMetaFileBits(start, size);
  std::free(work.bytes);
  work.bytes = nullptr;
  if (!work.metafile) return 0;
  if (!vectorOutput) return 1;  // played into the canvas
  return TranslateMetafile(work);
}

int LoadInput(Work& work, const char* inputName, int32_t inputKind, bool vectorOutput) {
  switch (inputKind) {
    case kKindEmf:
      if (vectorOutput) return emf_proc(inputName, &work.drawing);
      work.metafile = platform::GetEnhMetaFileA(inputName);
      return work.metafile != nullptr;
    case kKindWmf: return LoadWmf(work, inputName, vectorOutput);
    case kKindDxf: return dxf_proc(inputName, &work.drawing);
    case kKindGerber: return gbr_proc(inputName, &work.drawing);
    default: return 0;
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
  if (!CreateCanvas(canvas)) return 0;
  int ok = fit.scale > 0 ? DrawDrawing(canvas.deviceContext, d, fit.scale) : canvas.deviceContext != nullptr;
  FlushCanvas(canvas);
  return ok;
}

// The metafile's bounds (right and bottom edges only) fitted into the page,
// its palette over the first canvas entries, then played; a play that fails
// is tried again, and after the last attempt what was drawn is kept.
int PlayMetafile(Work& work, Canvas& canvas) {
  platform::EmfHeader header;
  if (!platform::GetEnhMetaFileHeader(work.metafile, &header)) return 0;
  double bw = std::fabs(static_cast<double>(header.bounds.right));
  double bh = std::fabs(static_cast<double>(header.bounds.bottom));
  // A picture lying mostly on the negative side of an axis (bounds from -517
  // to 10, or up to 0) would get a sliver of a canvas, or none: its whole
  // extent on that axis is taken instead.
  double width = static_cast<double>(header.bounds.right) - header.bounds.left;
  double height = static_cast<double>(header.bounds.bottom) - header.bounds.top;
  if (bw < width / 2) bw = width;
  if (bh < height / 2) bh = height;
  PageFit fit = FitPage(bw, bh, canvas.width, canvas.height);
  int64_t stride = RowStride(fit.width, canvas.bitsPerPixel);
  if (stride <= 0) return 0;
  canvas.width = fit.width;
  canvas.height = fit.height;
  canvas.stride = static_cast<int32_t>(stride);
  if (header.paletteEntries > 0) {
    int count = static_cast<int>(std::min<uint32_t>(header.paletteEntries, 256));
    if (platform::GetEnhMetaFilePaletteEntries(work.metafile, count,
                                               reinterpret_cast<uint8_t*>(canvas.palette.entries)) == 0)
      return 0;
  }
  if (!CreateCanvas(canvas)) return 0;
  platform::Rect rect{0, 0, canvas.width, canvas.height};
  for (int attempt = 0; attempt < kPlayAttempts; ++attempt) {
    if (platform::PlayEnhMetaFile(canvas.deviceContext, work.metafile, rect)) break;
    canvas.deviceContext->GdiFlush();
  }
  FlushCanvas(canvas);
  return 1;
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

int Convert(Canvas& canvas, const char* inputName, int32_t inputKind, const char* outputName, int32_t outputKind,
            VectorPicture picture) {
  Work work{};
  bool vectorOutput = (outputKind & kVectorKinds) != 0;
  int ok = LoadInput(work, inputName, inputKind, vectorOutput);
  if (ok && vectorOutput) ok = WriteVector(work.drawing, outputName, outputKind);
  canvas.drawnIsInk = inputKind == kKindDxf;
  if (ok && !(vectorOutput && picture == VectorPicture::kSkip))
    ok = work.metafile ? PlayMetafile(work, canvas) : RenderDrawing(work, canvas);

  std::free(work.bytes);
  if (work.metafile) platform::DeleteEnhMetaFile(work.metafile);
  DrawingFree(&work.drawing);
  if (!ok) std::printf("%s: error!\n", kProgramName);
  return ok;
}
