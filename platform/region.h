// Clip regions of the metafile player: combining sets of device pixels, and
// the pixels a path covers.
#pragma once

#include <cstdint>

#include "platform/gdi.h"

namespace platform {

// How a new region meets the current one, with their GDI values.
enum RegionMode : int { kRgnAnd = 1, kRgnOr = 2, kRgnXor = 3, kRgnDiff = 4, kRgnCopy = 5 };

// `a` combined with `b`; kRgnCopy gives `b`. An unknown mode gives `a`.
Region CombineRegion(const Region& a, const Region& b, int mode);

// The pixels of the box (0, 0, width, height) whose centres the path covers
// under the fill mode.
Region RegionFromPath(const Path& path, int fillMode, int32_t width, int32_t height);

// Rectangles moved by (dx, dy), saturating at the 32-bit range.
void OffsetRegion(Region& region, int64_t dx, int64_t dy);

}  // namespace platform
