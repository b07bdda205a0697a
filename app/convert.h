// One conversion up to a rendered canvas: load the input by its kind, write a
// vector output when asked, fit the picture into the page and render it.
#pragma once

#include <cstdint>

#include "render/canvas.h"

// The page background of VML and SVG output, a dark grey.
constexpr uint32_t kVmlBackground = 0x404040;

// Whether a vector conversion also renders its picture. The dialog shows it;
// the command line has no use for it and skips the work.
enum class VectorPicture { kRender, kSkip };

// `canvas` holds the requested width, height, bitsPerPixel, stride and palette;
// on success it holds the fitted size and the rendered pixels. `outputName` may be
// null or empty: no vector file is then written, but the picture is rendered.
// With VectorPicture::kSkip and a vector `outputKind` the canvas is left as it
// came. 1 or 0; on 0 "Kartex: error!" has been printed.
int Convert(Canvas& canvas, const char* inputName, int32_t inputKind, const char* outputName, int32_t outputKind,
            VectorPicture picture = VectorPicture::kRender);

// The fitted page for extents of dx by dy in a page of width x height: one scale
// for both axes. Degenerate or non-finite extents are settled soundly (see .cpp).
struct PageFit {
  double scale;
  int32_t width;
  int32_t height;
};
PageFit FitPage(double dx, double dy, int32_t width, int32_t height);
