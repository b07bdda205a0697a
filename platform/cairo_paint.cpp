#include "platform/cairo_paint.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/dib.h"
#include "platform/pixels.h"

namespace platform {

namespace {

constexpr int kHatchTile = 8;
const cairo_user_data_key_t kIndexedKey{};

// A repeating tile of `width` x `height` pixels, `pixel(x, y)` each (0xAARRGGBB
// words for ARGB32 and RGB24, one byte for A8), as cr's source or as a mask.
template <typename Pixel>
cairo_pattern_t* Tile(cairo_format_t format, int width, int height, Pixel pixel) {
  cairo_surface_t* tile = cairo_image_surface_create(format, width, height);
  if (cairo_surface_status(tile) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(tile);
    return nullptr;
  }
  cairo_surface_flush(tile);
  uint8_t* data = cairo_image_surface_get_data(tile);
  int stride = cairo_image_surface_get_stride(tile);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (format == CAIRO_FORMAT_A8)
        data[y * stride + x] = static_cast<uint8_t>(pixel(x, y));
      else
        reinterpret_cast<uint32_t*>(data + y * stride)[x] = pixel(x, y);
    }
  cairo_surface_mark_dirty(tile);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_surface_destroy(tile);
  return pattern;
}

void SetSourcePattern(cairo_t* cr, cairo_pattern_t* pattern) {
  if (!pattern) return;
  cairo_set_source(cr, pattern);
  cairo_pattern_destroy(pattern);
}

DPoint Pull(DPoint p, const Box& box) {
  double x = std::isfinite(p.x) ? std::clamp(p.x, box.left, box.right) : box.left;
  double y = std::isfinite(p.y) ? std::clamp(p.y, box.top, box.bottom) : box.top;
  return {x + 0.5, y + 0.5};
}

// Each hatch as the pixels (x, y) of its 8 x 8 tile that are ink.
bool HatchInk(uint32_t hatch, int x, int y) {
  switch (hatch) {
    case kHatchHorizontal: return y == 3;
    case kHatchVertical: return x == 3;
    case kHatchForwardDiagonal: return x == y;
    case kHatchBackwardDiagonal: return x + y == kHatchTile - 1;
    case kHatchCross: return x == 3 || y == 3;
    case kHatchDiagonalCross: return x == y || x + y == kHatchTile - 1;
    default: return false;
  }
}

// An image tiled from the device origin, as opaque pixels.
void ApplyPattern(cairo_t* cr, const DibImage& image) {
  if (image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) return;
  auto at = [&](int x, int y) { return image.pixels[static_cast<size_t>(y) * image.width + x]; };
  if (const IndexedColours* indexed = IndexedColoursOf(cr)) {
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    SetSourcePattern(cr, Tile(CAIRO_FORMAT_A8, image.width, image.height, [&](int x, int y) {
                       return static_cast<uint32_t>(indexed->IndexOfRgb(at(x, y) & 0xFFFFFF));
                     }));
    return;
  }
  SetSourcePattern(
      cr, Tile(CAIRO_FORMAT_RGB24, image.width, image.height, [&](int x, int y) { return at(x, y) | 0xFF000000u; }));
}

}  // namespace

void SetIndexedColours(cairo_t* cr, const IndexedColours* colours) {
  cairo_set_user_data(cr, &kIndexedKey, const_cast<IndexedColours*>(colours), nullptr);
}

const IndexedColours* IndexedColoursOf(cairo_t* cr) {
  return static_cast<const IndexedColours*>(cairo_get_user_data(cr, &kIndexedKey));
}

void SetSourceColour(cairo_t* cr, ColourRef c) {
  if (const IndexedColours* indexed = IndexedColoursOf(cr)) {
    // Index i is alpha i / 255, which cairo stores back as exactly i.
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(cr, 0, 0, 0, indexed->Index(c) / 255.0);
    return;
  }
  cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}

void ShowGlyphs(cairo_t* cr, const cairo_glyph_t* glyphs, int count, ColourRef colour) {
  SetSourceColour(cr, colour);
  const IndexedColours* indexed = IndexedColoursOf(cr);
  if (!indexed) {
    cairo_show_glyphs(cr, glyphs, count);
    return;
  }
  // The glyphs' coverage, drawn over nothing and through the same clip on a
  // scratch mask round their ink (a rendered glyph may stray a pixel beyond
  // its outline's box), then the index wherever they cover.
  cairo_surface_t* target = cairo_get_target(cr);
  const int width = cairo_image_surface_get_width(target), height = cairo_image_surface_get_height(target);
  cairo_text_extents_t ink;
  cairo_glyph_extents(cr, glyphs, count, &ink);  // from the first glyph's origin
  ink.x_bearing += glyphs[0].x;
  ink.y_bearing += glyphs[0].y;
  double left, top, right, bottom;
  cairo_clip_extents(cr, &left, &top, &right, &bottom);
  constexpr double kStray = 4;
  const double x0 = std::max({0.0, left, ink.x_bearing - kStray}), y0 = std::max({0.0, top, ink.y_bearing - kStray});
  const double x1 = std::min({double(width), right, ink.x_bearing + ink.width + kStray});
  const double y1 = std::min({double(height), bottom, ink.y_bearing + ink.height + kStray});
  if (!(x0 < x1 && y0 < y1)) return;
  const int l = static_cast<int>(std::floor(x0)), t = static_cast<int>(std::floor(y0));
  const int w = static_cast<int>(std::ceil(x1)) - l, h = static_cast<int>(std::ceil(y1)) - t;
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  cairo_surface_set_device_offset(mask, -l, -t);
  cairo_t* m = cairo_create(mask);
  cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr);
  if (clip->status == CAIRO_STATUS_SUCCESS) {
    for (int i = 0; i < clip->num_rectangles; ++i) {
      const cairo_rectangle_t& r = clip->rectangles[i];
      cairo_rectangle(m, r.x, r.y, r.width, r.height);
    }
    cairo_clip(m);
  }
  cairo_set_scaled_font(m, cairo_get_scaled_font(cr));
  cairo_show_glyphs(m, glyphs, count);
  cairo_destroy(m);
  cairo_surface_flush(mask);
  if (clip->status == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(target);
    const uint8_t* in = cairo_image_surface_get_data(mask);
    const int inStride = cairo_image_surface_get_stride(mask);
    uint8_t* out = cairo_image_surface_get_data(target) + int64_t{t} * cairo_image_surface_get_stride(target) + l;
    const int outStride = cairo_image_surface_get_stride(target);
    const uint8_t index = static_cast<uint8_t>(indexed->Index(colour));
    for (int y = 0; y < h; ++y, in += inStride, out += outStride)
      for (int x = 0; x < w; ++x)
        if (in[x]) out[x] = index;
    cairo_surface_mark_dirty_rectangle(target, l, t, w, h);
  } else {
    cairo_surface_set_device_offset(mask, 0, 0);
    cairo_mask_surface(cr, mask, l, t);
  }
  cairo_rectangle_list_destroy(clip);
  cairo_surface_destroy(mask);
}

void TracePath(cairo_t* cr, const Path& path, const Box& canvas) {
  Box box{canvas.left - kSafeCoordinate, canvas.top - kSafeCoordinate, canvas.right + kSafeCoordinate,
          canvas.bottom + kSafeCoordinate};
  box = {std::max(box.left, -kSafeCoordinate), std::max(box.top, -kSafeCoordinate),
         std::min(box.right, kSafeCoordinate), std::min(box.bottom, kSafeCoordinate)};
  size_t k = 0;
  const std::vector<DPoint>& pts = path.points;
  for (PathVerb verb : path.verbs) {
    switch (verb) {
      case PathVerb::kMove:
        if (k >= pts.size()) return;
        {
          DPoint p = Pull(pts[k++], box);
          cairo_move_to(cr, p.x, p.y);
        }
        break;
      case PathVerb::kLine:
        if (k >= pts.size()) return;
        {
          DPoint p = Pull(pts[k++], box);
          cairo_line_to(cr, p.x, p.y);
        }
        break;
      case PathVerb::kBezier:
        if (k + 3 > pts.size()) return;
        {
          DPoint a = Pull(pts[k], box), b = Pull(pts[k + 1], box), c = Pull(pts[k + 2], box);
          cairo_curve_to(cr, a.x, a.y, b.x, b.y, c.x, c.y);
          k += 3;
        }
        break;
      case PathVerb::kClose: cairo_close_path(cr); break;
    }
  }
}

bool ApplyRop2(cairo_t* cr, int rop, ColourRef colour) {
  cairo_operator_t op = CAIRO_OPERATOR_OVER;
  // Bitwise operations on colours approximated by cairo's blend modes: exact
  // where the channels are 0 or 255, close enough elsewhere.
  switch (rop) {
    case kR2Nop: return false;
    case kR2Black: colour = 0; break;
    case kR2White: colour = 0xFFFFFF; break;
    case kR2NotCopyPen: colour = ~colour & 0xFFFFFF; break;
    case kR2Not: colour = 0xFFFFFF, op = CAIRO_OPERATOR_DIFFERENCE; break;
    case kR2XorPen: op = CAIRO_OPERATOR_DIFFERENCE; break;
    case kR2NotXorPen: colour = ~colour & 0xFFFFFF, op = CAIRO_OPERATOR_DIFFERENCE; break;
    case kR2MaskPen: op = CAIRO_OPERATOR_MULTIPLY; break;
    case kR2MergePen: op = CAIRO_OPERATOR_SCREEN; break;
    default: break;
  }
  cairo_set_operator(cr, op);
  SetSourceColour(cr, colour);
  return true;
}

bool Rop2ReadsDestination(int rop) {
  int table = rop - 1;  // bit (pen << 1 | destination) is the result
  return ((table >> 1 ^ table) & 5) != 0;
}

uint32_t ApplyRop2Rgb(int rop, uint32_t pen, uint32_t d) {
  int table = rop - 1;
  uint32_t r = 0;
  if (table & 8) r |= pen & d;
  if (table & 4) r |= pen & ~d;
  if (table & 2) r |= ~pen & d;
  if (table & 1) r |= ~pen & ~d;
  return r & 0xFFFFFF;
}

void ApplyStroke(cairo_t* cr, const StrokeStyle& s) {
  bool thin = !(s.width >= 1.5);
  double w = thin ? 1.0 : s.width;
  cairo_set_line_width(cr, w);
  if (thin) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL);
  } else {
    cairo_set_line_cap(cr, s.cap == kCapSquare ? CAIRO_LINE_CAP_SQUARE
                           : s.cap == kCapFlat ? CAIRO_LINE_CAP_BUTT
                                               : CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, s.join == kJoinBevel   ? CAIRO_LINE_JOIN_BEVEL
                            : s.join == kJoinMiter ? CAIRO_LINE_JOIN_MITER
                                                   : CAIRO_LINE_JOIN_ROUND);
    cairo_set_miter_limit(cr, std::max(1.0, s.miterLimit));
  }
  // Wide pens' dashes are multiples of their width; thin pens keep fixed pixel patterns.
  double unit = thin ? 1.0 : w / 3.0;
  const double* pattern = nullptr;
  int n = 0;
  switch (s.style) {
    case kPenDash: pattern = kDash, n = 2; break;
    case kPenDot: pattern = kDot, n = 2; break;
    case kPenDashDot: pattern = kDashDot, n = 4; break;
    case kPenDashDotDot: pattern = kDashDotDot, n = 6; break;
    case kPenUserStyle:
      if (!s.dashes.empty()) {
        double sum = 0;
        for (double d : s.dashes) sum += d;
        if (sum > 0 && std::isfinite(sum)) {
          cairo_set_dash(cr, s.dashes.data(), static_cast<int>(s.dashes.size()), 0);
          return;
        }
      }
      break;
    default: break;
  }
  if (!pattern) {
    cairo_set_dash(cr, nullptr, 0, 0);
    return;
  }
  double scaled[6];
  for (int i = 0; i < n; ++i) scaled[i] = pattern[i] * unit;
  cairo_set_dash(cr, scaled, n, 0);
}

bool ApplyFill(cairo_t* cr, const FillStyle& fill, int rop, bool opaqueBackground, ColourRef background,
               cairo_pattern_t** mask) {
  *mask = nullptr;
  if (fill.style == kBrushNull) return false;
  if (!ApplyRop2(cr, rop, fill.colour)) return false;
  if (fill.style == kBrushPattern && fill.pattern) {
    ApplyPattern(cr, *fill.pattern);
    return true;
  }
  if (fill.style != kBrushHatched || fill.hatch > kHatchDiagonalCross) return true;
  auto ink = [&](int x, int y) { return HatchInk(fill.hatch, x, y); };
  if (const IndexedColours* indexed = IndexedColoursOf(cr)) {
    if (!opaqueBackground) {
      *mask = Tile(CAIRO_FORMAT_A8, kHatchTile, kHatchTile, [&](int x, int y) { return ink(x, y) ? 255u : 0u; });
      return true;
    }
    const uint32_t on = static_cast<uint32_t>(indexed->Index(fill.colour));
    const uint32_t off = static_cast<uint32_t>(indexed->Index(background));
    SetSourcePattern(cr,
                     Tile(CAIRO_FORMAT_A8, kHatchTile, kHatchTile, [&](int x, int y) { return ink(x, y) ? on : off; }));
    return true;
  }
  SetSourcePattern(cr, Tile(CAIRO_FORMAT_ARGB32, kHatchTile, kHatchTile, [&](int x, int y) {
                     return ink(x, y) ? OpaqueArgb(fill.colour) : opaqueBackground ? OpaqueArgb(background) : 0u;
                   }));
  return true;
}

}  // namespace platform
