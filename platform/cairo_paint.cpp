#include "platform/cairo_paint.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {

namespace {

constexpr double kGuard = 64;
// Texts larger than this em height (pixels) are not drawn.
constexpr double kMaxEm = 65536;
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
    cairo_set_line_join(cr, s.join == kJoinBevel ? CAIRO_LINE_JOIN_BEVEL
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

double EmSize(cairo_t* cr, int32_t height) {
  if (height <= 0) return -static_cast<double>(height);
  cairo_set_font_size(cr, 1.0);
  cairo_font_extents_t unit;
  cairo_font_extents(cr, &unit);
  return height / std::max(unit.ascent + unit.descent, 1e-3);
}

bool PaintTextRun(cairo_t* cr, FontLibrary& fonts, const TextRun& run, const TextPaint& paint, double* advance) {
  if (advance) *advance = 0;
  const LogFont& lf = run.font;
  if (lf.height == 0 || !run.utf8 || run.length <= 0) return true;
  cairo_font_face_t* face = fonts.Face(lf.faceName, lf.weight >= 600, lf.italic != 0);
  if (!face) return false;
  cairo_save(cr);
  cairo_set_font_face(cr, face);
  double em = EmSize(cr, lf.height);
  if (!(em > 0) || em > kMaxEm || !std::isfinite(run.angle) || !std::isfinite(run.at.x) ||
      !std::isfinite(run.at.y)) {
    cairo_restore(cr);
    return true;
  }
  cairo_set_font_size(cr, em);
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  // A width asks for that average character width; the face is stretched to it.
  double stretch = 1;
  if (lf.width > 0) {
    cairo_text_extents_t x;
    cairo_text_extents(cr, "x", &x);
    if (x.x_advance > 0) stretch = std::clamp(lf.width / x.x_advance, 0.05, 20.0);
  }
  cairo_matrix_t fm;
  cairo_matrix_init(&fm, stretch * em, 0, 0, em, 0, 0);
  cairo_set_font_matrix(cr, &fm);
  cairo_scaled_font_t* scaled = cairo_get_scaled_font(cr);

  // Glyphs along the baseline in the run's own frame: the font's advances, or
  // the given one per character.
  cairo_glyph_t* glyphs = nullptr;
  int count = 0;
  cairo_text_cluster_t* clusters = nullptr;
  int clusterCount = 0;
  cairo_text_cluster_flags_t flags;
  if (cairo_scaled_font_text_to_glyphs(scaled, 0, 0, run.utf8, static_cast<int>(run.length), &glyphs, &count,
                                       &clusters, &clusterCount, &flags) != CAIRO_STATUS_SUCCESS) {
    cairo_restore(cr);
    return false;
  }
  double width = 0;
  if (count > 0) {
    cairo_text_extents_t te;
    cairo_glyph_extents(cr, &glyphs[count - 1], 1, &te);
    width = glyphs[count - 1].x + te.x_advance;
  }
  if (run.advances) {
    // Clusters map characters to glyphs; each character's advance moves the pen.
    double pen = 0;
    int64_t ch = 0;
    int g = 0;
    const char* p = run.utf8;
    for (int i = 0; i < clusterCount; ++i) {
      for (int k = 0; k < clusters[i].num_glyphs && g < count; ++k) glyphs[g++].x = pen;
      int chars = 0;
      for (int b = 0; b < clusters[i].num_bytes; ++b)
        if ((static_cast<uint8_t>(p[b]) & 0xC0) != 0x80) ++chars;
      p += clusters[i].num_bytes;
      for (int k = 0; k < chars; ++k, ++ch) pen += ch < run.advanceCount ? run.advances[ch] : 0;
    }
    width = pen;
  }
  if (advance) *advance = width;
  uint32_t h = paint.align & 6;
  double ox = h == kTaCenter ? -width / 2 : h == kTaRight ? -width : 0;
  double baseline = (paint.align & kTaBaseline) == kTaBaseline ? 0 : (paint.align & kTaBottom) ? -fe.descent : fe.ascent;

  if (run.options & kEtoOpaque) {
    cairo_save(cr);
    SetColour(cr, paint.background);
    cairo_rectangle(cr, run.rect.left, run.rect.top, run.rect.right - run.rect.left,
                    run.rect.bottom - run.rect.top);
    cairo_fill(cr);
    cairo_restore(cr);
  }
  if (run.options & kEtoClipped) {
    cairo_rectangle(cr, run.rect.left, run.rect.top, run.rect.right - run.rect.left,
                    run.rect.bottom - run.rect.top);
    cairo_clip(cr);
  }
  // Far-off runs are left out rather than handed to cairo.
  double reach = width + 2 * em + kGuard;
  bool near = run.at.x > paint.canvas.left - reach && run.at.x < paint.canvas.right + reach &&
              run.at.y > paint.canvas.top - reach && run.at.y < paint.canvas.bottom + reach;
  if (near) {
    cairo_translate(cr, run.at.x, run.at.y);
    cairo_rotate(cr, -run.angle);
    if (paint.opaqueBackground && !(run.options & kEtoOpaque)) {
      SetColour(cr, paint.background);
      cairo_rectangle(cr, ox, baseline - fe.ascent, width, fe.ascent + fe.descent);
      cairo_fill(cr);
    }
    for (int i = 0; i < count; ++i) glyphs[i].x += ox, glyphs[i].y = baseline;
    SetColour(cr, paint.colour);
    if (em * stretch > 512) {
      cairo_glyph_path(cr, glyphs, count);
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
      cairo_fill(cr);
    } else {
      cairo_show_glyphs(cr, glyphs, count);
    }
    double thick = std::max(1.0, em / 14);
    if (lf.underline) cairo_rectangle(cr, ox, baseline + em * 0.1, width, thick);
    if (lf.strikeOut) cairo_rectangle(cr, ox, baseline - em * 0.28, width, thick);
    cairo_fill(cr);
  }
  cairo_glyph_free(glyphs);
  cairo_text_cluster_free(clusters);
  cairo_restore(cr);
  return true;
}

}  // namespace platform
