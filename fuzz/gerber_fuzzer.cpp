// Any bytes through the Gerber reader, then the extents checked for sanity.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "model/drawing.h"
#include "readers/gerber/gerber.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Drawing drawing;
  if (ReadGerberData(data, static_cast<int64_t>(size), &drawing) != 1) std::abort();
  bool finite = std::isfinite(drawing.extMin.x) && std::isfinite(drawing.extMin.y) && std::isfinite(drawing.extMax.x) &&
                std::isfinite(drawing.extMax.y);
  if (drawing.extMin.x <= drawing.extMax.x && !finite) std::abort();
  for (const Insert& insert : drawing.inserts)
    if (insert.block < 0 || insert.block >= drawing.blocks.count) std::abort();
  DrawingFree(&drawing);
  return 0;
}
