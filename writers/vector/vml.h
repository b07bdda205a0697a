// A Drawing as VML shapes in an HTML page.
#pragma once

#include <cstdint>

#include "model/drawing.h"

// 1 on success, 0 on failure. `background` is printed as the page's fill colour.
int WriteVmlFile(const Drawing& drawing, const char* fileName, uint32_t background);

// Units per drawing unit that fit the extents into the 1000-unit square, or 0
// when there is nothing to draw (extents empty or not finite). An axis of zero
// length takes the other axis's scale; a single point gets scale 1.
double VmlPageScale(const Drawing& drawing);
