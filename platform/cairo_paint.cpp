#include "platform/cairo_paint.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/dib.h"

namespace platform {

namespace {

constexpr int kHatchTile = 8;

void SetColour(cairo_t* cr, ColourRef c) {
  cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
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

uint32_t Argb(ColourRef c) { return 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

// An image tiled from the device origin, as opaque pixels.
bool ApplyPattern(cairo_t* cr, const DibImage& image) {
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
  if (cairo_surface_status(tile) != CAIRO_STATUS_SUCCESS ||
      image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
    cairo_surface_destroy(tile);
    return true;
  }
  cairo_surface_flush(tile);
  uint8_t* data = cairo_image_surface_get_data(tile);
  int stride = cairo_image_surface_get_stride(tile);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      reinterpret_cast<uint32_t*>(data + y * stride)[x] =
          image.pixels[static_cast<size_t>(y) * image.width + x] | 0xFF000000u;
  cairo_surface_mark_dirty(tile);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, 0, 0);
  cairo_pattern_set_matrix(pattern, &m);
  cairo_set_source(cr, pattern);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(tile);
  return true;
}

}  // namespace

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
  SetColour(cr, colour);
  return true;
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

bool ApplyFill(cairo_t* cr, const FillStyle& fill, int rop, bool opaqueBackground, ColourRef background) {
  if (fill.style == kBrushNull) return false;
  if (!ApplyRop2(cr, rop, fill.colour)) return false;
  if (fill.style == kBrushPattern && fill.pattern) return ApplyPattern(cr, *fill.pattern);
  if (fill.style != kBrushHatched || fill.hatch > kHatchDiagonalCross) return true;
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kHatchTile, kHatchTile);
  if (cairo_surface_status(tile) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(tile);
    return true;
  }
  cairo_surface_flush(tile);
  uint8_t* data = cairo_image_surface_get_data(tile);
  int stride = cairo_image_surface_get_stride(tile);
  for (int y = 0; y < kHatchTile; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride);
    for (int x = 0; x < kHatchTile; ++x)
      row[x] = HatchInk(fill.hatch, x, y) ? Argb(fill.colour) : opaqueBackground ? Argb(background) : 0;
  }
  cairo_surface_mark_dirty(tile);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  cairo_set_source(cr, pattern);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(tile);
  return true;
}

}  // namespace platform
