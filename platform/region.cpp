#include "platform/region.h"

#include <cairo.h>

#include <algorithm>

#include "platform/cairo_paint.h"

namespace platform {

namespace {

cairo_region_t* ToCairo(const Region& region) {
  std::vector<cairo_rectangle_int_t> rects;
  rects.reserve(region.rects.size());
  for (const Rect& r : region.rects)
    if (r.right > r.left && r.bottom > r.top) rects.push_back({r.left, r.top, r.right - r.left, r.bottom - r.top});
  return cairo_region_create_rectangles(rects.data(), static_cast<int>(rects.size()));
}

Region FromCairo(cairo_region_t* region) {
  Region out;
  int n = cairo_region_num_rectangles(region);
  out.rects.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(region, i, &r);
    out.rects.push_back({r.x, r.y, r.x + r.width, r.y + r.height});
  }
  return out;
}

int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

Region CombineRegion(const Region& a, const Region& b, int mode) {
  if (mode == kRgnCopy) return b;
  if (mode < kRgnAnd || mode > kRgnDiff) return a;
  cairo_region_t* ra = ToCairo(a);
  cairo_region_t* rb = ToCairo(b);
  switch (mode) {
    case kRgnAnd: cairo_region_intersect(ra, rb); break;
    case kRgnOr: cairo_region_union(ra, rb); break;
    case kRgnXor: cairo_region_xor(ra, rb); break;
    default: cairo_region_subtract(ra, rb); break;
  }
  Region out = cairo_region_status(ra) == CAIRO_STATUS_SUCCESS ? FromCairo(ra) : a;
  cairo_region_destroy(ra);
  cairo_region_destroy(rb);
  return out;
}

Region RegionFromPath(const Path& path, int fillMode, int32_t width, int32_t height) {
  Region out;
  if (width < 1 || height < 1) return out;
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
  if (cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(mask);
    return out;
  }
  cairo_t* cr = cairo_create(mask);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(cr, fillMode == kWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  TracePath(cr, path, {0, 0, static_cast<double>(width), static_cast<double>(height)});
  cairo_fill(cr);
  cairo_destroy(cr);
  cairo_surface_flush(mask);
  // Runs of covered pixels, row by row, merged into one region.
  const uint8_t* data = cairo_image_surface_get_data(mask);
  int stride = cairo_image_surface_get_stride(mask);
  std::vector<cairo_rectangle_int_t> runs;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = data + static_cast<int64_t>(y) * stride;
    for (int x = 0; x < width;) {
      if (row[x] < 128) {
        ++x;
        continue;
      }
      int start = x;
      while (x < width && row[x] >= 128) ++x;
      runs.push_back({start, y, x - start, 1});
    }
  }
  cairo_surface_destroy(mask);
  cairo_region_t* region = cairo_region_create_rectangles(runs.data(), static_cast<int>(runs.size()));
  if (cairo_region_status(region) == CAIRO_STATUS_SUCCESS) out = FromCairo(region);
  cairo_region_destroy(region);
  return out;
}

void OffsetRegion(Region& region, int64_t dx, int64_t dy) {
  for (Rect& r : region.rects)
    r = {Saturate(r.left + dx), Saturate(r.top + dy), Saturate(r.right + dx), Saturate(r.bottom + dy)};
}

}  // namespace platform
