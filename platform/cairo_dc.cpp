// The painter: a memory device context drawing aliased with cairo. A palette
// bitmap is drawn as palette indices in a cairo A8 surface, which for a
// top-down 8-bit bitmap is the bitmap's own rows; a 24-bit bitmap is drawn into
// an ARGB32 working surface. GdiFlush brings the rows up to date where they
// are not drawn in place.
//
// Geometry is placed on pixel centres, so a one-pixel line from (0, 5) to
// (10, 5) covers row 5, columns 0 to 9 (the last point is not drawn, as
// cosmetic lines do). Far-off geometry is cut to a guard box first, because
// cairo's fixed-point coordinates reach only about +-8 million pixels.
#include <cairo.h>
#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/bytes.h"
#include "platform/cairo_paint.h"
#include "platform/charset.h"
#include "platform/clip.h"
#include "platform/dib.h"
#include "platform/fonts.h"
#include "platform/gdi.h"
#include "platform/heap.h"
#include "platform/pixels.h"
#include "platform/text_run.h"

namespace platform {

namespace {

// cairo's image surfaces are at most this many pixels on a side.
constexpr int64_t kMaxSurfaceSide = 32767;
// A bitmap's rows and its working surface each stay within this many bytes.
constexpr int64_t kMaxSurfaceBytes = int64_t{1} << 30;
// How far beyond the canvas geometry is kept, besides the pen's own width.
constexpr double kGuardMargin = 64;

// Zeroed memory for a bitmap's rows; a large bitmap's pages all at once.
uint8_t* ZeroedRows(int64_t size, int64_t* mapped) {
  *mapped = 0;
  if (size < (int64_t{1} << 20)) return static_cast<uint8_t*>(std::calloc(static_cast<size_t>(size), 1));
  void* rows = MapZeroedPages(size);
  if (!rows) return nullptr;
  *mapped = size;
  return static_cast<uint8_t*>(rows);
}

struct Object : GdiObject {
  LogPen pen{};
  LogBrush brush{};
  LogFont font{};
  std::vector<uint8_t> palette;  // red, green, blue, flags per entry
  // Bitmaps.
  uint8_t* bits = nullptr;
  int64_t mapped = 0;  // bytes, when the rows are mapped rather than allocated
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerPixel = 0;
  int32_t stride = 0;
  bool bottomUp = false;
  bool drawnIsInk = false;
  // Palette bitmaps: how colours become indices; against the bitmap's own
  // colour table when it has one, else the context's palette.
  std::unique_ptr<ColourMatcher> ownColours;
  IndexedColours indexed{};
  bool inPlace = false;  // the surface is the rows themselves
  cairo_surface_t* surface = nullptr;
  bool dirty = false;

  ~Object() override {
    if (surface) cairo_surface_destroy(surface);
    if (mapped)
      UnmapPages(bits, mapped);
    else
      std::free(bits);
  }
};

class CairoDC final : public DeviceContext {
 public:
  CairoDC() {
    MakeStock(StockObject::kLightGreyBrush, ObjectKind::kBrush).brush = {kBrushSolid, 0xC0C0C0, 0};
    MakeStock(StockObject::kWhiteBrush, ObjectKind::kBrush).brush = {kBrushSolid, 0xFFFFFF, 0};
    MakeStock(StockObject::kBlackBrush, ObjectKind::kBrush).brush = {kBrushSolid, 0, 0};
    MakeStock(StockObject::kNullBrush, ObjectKind::kBrush).brush = {kBrushNull, 0, 0};
    MakeStock(StockObject::kBlackPen, ObjectKind::kPen).pen = {kPenSolid, 0, 0, 0};
    MakeStock(StockObject::kNullPen, ObjectKind::kPen).pen = {kPenNull, 0, 0, 0};
    MakeStock(StockObject::kSystemFont, ObjectKind::kFont).font.height = -16;
    noBitmap_.kind = ObjectKind::kBitmap;
    noBitmap_.stock = true;
    defaultPalette_.kind = ObjectKind::kPalette;
    defaultPalette_.stock = true;
    defaultPalette_.palette = {0, 0, 0, 0, 255, 255, 255, 0};
    pen_ = Stock(StockObject::kBlackPen);
    brush_ = Stock(StockObject::kWhiteBrush);
    font_ = Stock(StockObject::kSystemFont);
    palette_ = &defaultPalette_;
    matcher_.SetPalette(palette_->palette.data(), 2);
  }

  ~CairoDC() override {
    if (cr_) cairo_destroy(cr_);
    if (clipMask_) cairo_surface_destroy(clipMask_);
  }

  GdiObject* CreatePenIndirect(const LogPen& pen) override {
    Object* o = Make(ObjectKind::kPen);
    o->pen = pen;
    return o;
  }

  GdiObject* CreateBrushIndirect(const LogBrush& brush) override {
    Object* o = Make(ObjectKind::kBrush);
    o->brush = brush;
    return o;
  }

  GdiObject* CreateFontIndirect(const LogFont& font) override {
    Object* o = Make(ObjectKind::kFont);
    o->font = font;
    o->font.faceName[kLfFaceSize - 1] = 0;
    return o;
  }

  GdiObject* CreatePalette(const uint8_t* entries, int count) override {
    if (!entries || count < 1 || count > 256) return nullptr;
    Object* o = Make(ObjectKind::kPalette);
    o->palette.assign(entries, entries + 4 * count);
    return o;
  }

  GdiObject* CreateDIBSection(const uint8_t* info, int usage, int drawnIsInk, uint8_t** bits) override {
    if (bits) *bits = nullptr;
    if (!info || Le32(info) < 40) return nullptr;
    int64_t width = static_cast<int32_t>(Le32(info + 4));
    int64_t height = static_cast<int32_t>(Le32(info + 8));
    int bpp = info[14] | info[15] << 8;
    bool bottomUp = height > 0;
    if (height < 0) height = -height;
    if (bpp != 1 && bpp != 8 && bpp != 24) return nullptr;
    if (width < 1 || height < 1 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) return nullptr;
    int64_t stride = ((width * bpp + 7) / 8 + 3) & ~int64_t{3};
    if (stride * height > kMaxSurfaceBytes || width * height * 4 > kMaxSurfaceBytes) return nullptr;
    auto o = std::make_unique<Object>();
    o->kind = ObjectKind::kBitmap;
    o->bits = ZeroedRows(stride * height, &o->mapped);
    if (!o->bits) return nullptr;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    if (bpp == 24) {
      o->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    } else if (bpp == 8 && !bottomUp && stride == cairo_format_stride_for_width(CAIRO_FORMAT_A8, w)) {
      o->surface = cairo_image_surface_create_for_data(o->bits, CAIRO_FORMAT_A8, w, h, static_cast<int>(stride));
      o->inPlace = true;
    } else {
      o->surface = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    }
    if (cairo_surface_status(o->surface) != CAIRO_STATUS_SUCCESS) return nullptr;
    o->width = static_cast<int32_t>(width);
    o->height = static_cast<int32_t>(height);
    o->bitsPerPixel = bpp;
    o->stride = static_cast<int32_t>(stride);
    o->bottomUp = bottomUp;
    o->drawnIsInk = drawnIsInk != 0 && bpp == 1;
    if (bpp <= 8 && usage == kDibRgbColours) {
      // The info's own colour table, blue, green, red, reserved per entry.
      int count = 1 << bpp;
      std::vector<uint8_t> rgbf(4 * count);
      for (int i = 0; i < count; ++i) {
        const uint8_t* q = info + 40 + 4 * i;
        rgbf[4 * i] = q[2];
        rgbf[4 * i + 1] = q[1];
        rgbf[4 * i + 2] = q[0];
      }
      o->ownColours = std::make_unique<ColourMatcher>();
      o->ownColours->SetPalette(rgbf.data(), count);
    }
    if (bpp <= 8) o->indexed = {o->ownColours ? o->ownColours.get() : &matcher_, o->drawnIsInk ? 1 : -1};
    if (bits) *bits = o->bits;
    Object* made = o.get();
    objects_.emplace(made, std::move(o));
    return made;
  }

  GdiObject* GetStockObject(StockObject which) override { return Stock(which); }

  GdiObject* SelectObject(GdiObject* object) override {
    Object* o = Find(object);
    if (!o) return nullptr;
    Object* previous = nullptr;
    switch (o->kind) {
      case ObjectKind::kPen:
        previous = pen_;
        pen_ = o;
        break;
      case ObjectKind::kBrush:
        previous = brush_;
        brush_ = o;
        break;
      case ObjectKind::kFont:
        previous = font_;
        font_ = o;
        break;
      case ObjectKind::kBitmap:
        previous = bitmap_ ? bitmap_ : &noBitmap_;
        if (o == &noBitmap_) o = nullptr;
        if (o != bitmap_) Target(o);
        break;
      case ObjectKind::kPalette: return nullptr;  // palettes go through SelectPalette
    }
    return previous;
  }

  int DeleteObject(GdiObject* object) override {
    Object* o = Find(object);
    if (!o) return 0;
    if (o->stock) return 1;
    if (o == pen_) pen_ = Stock(StockObject::kBlackPen);
    if (o == brush_) brush_ = Stock(StockObject::kWhiteBrush);
    if (o == font_) font_ = Stock(StockObject::kSystemFont);
    if (o == palette_) SelectPalette(&defaultPalette_, 0);
    if (o == bitmap_) Target(nullptr);
    objects_.erase(o);
    return 1;
  }

  GdiObject* SelectPalette(GdiObject* palette, int) override {
    Object* o = Find(palette);
    if (!o || o->kind != ObjectKind::kPalette) return nullptr;
    Object* previous = palette_;
    palette_ = o;
    matcher_.SetPalette(o->palette.data(), static_cast<int>(o->palette.size() / 4));
    return previous;
  }

  int RealizePalette() override { return static_cast<int>(palette_->palette.size() / 4); }

  int SetBkMode(int mode) override {
    if (mode != kTransparent && mode != kOpaque) return 0;
    int previous = bkMode_;
    bkMode_ = mode;
    return previous;
  }

  ColourRef SetBkColor(ColourRef colour) override {
    ColourRef previous = bkColour_;
    bkColour_ = colour & 0xFFFFFF;
    return previous;
  }

  ColourRef SetTextColor(ColourRef colour) override {
    ColourRef previous = textColour_;
    textColour_ = colour & 0xFFFFFF;
    return previous;
  }

  uint32_t SetTextAlign(uint32_t align) override {
    uint32_t previous = textAlign_;
    textAlign_ = align;
    return previous;
  }

  int SetStretchBltMode(int mode) override {
    if (mode < 1 || mode > 4) return 0;
    int previous = stretchMode_;
    stretchMode_ = mode;
    return previous;
  }

  int Polyline(const Point* points, int count) override {
    if (!cr_ || !points || count < 0) return 0;
    if (count < 2 || pen_->pen.style == kPenNull) return 1;
    if (pen_->pen.width <= 1)
      ThinLines(points, count, false);
    else
      StrokePoints(points, count, false);
    return 1;
  }

  int Polygon(const Point* points, int count) override {
    if (!cr_ || !points || count < 0) return 0;
    if (count < 2) return 1;
    if (brush_->brush.style != kBrushNull) FillPoints(points, count);
    if (pen_->pen.style != kPenNull) {
      if (pen_->pen.width <= 1)
        ThinLines(points, count, true);
      else
        StrokePoints(points, count, true);
    }
    return 1;
  }

  int FillRect(const Rect& rect, GdiObject* brush) override {
    Object* b = Find(brush);
    if (!cr_ || !b || b->kind != ObjectKind::kBrush) return 0;
    if (b->brush.style == kBrushNull) return 1;
    double left = std::max<double>(rect.left, -1), top = std::max<double>(rect.top, -1);
    double right = std::min<double>(rect.right, bitmap_->width + 1.0);
    double bottom = std::min<double>(rect.bottom, bitmap_->height + 1.0);
    if (right <= left || bottom <= top) return 1;
    SetSourceColour(cr_, b->brush.colour);
    cairo_rectangle(cr_, left, top, right - left, bottom - top);
    cairo_fill(cr_);
    bitmap_->dirty = true;
    return 1;
  }

  int TextOut(int32_t x, int32_t y, const char* text, int64_t length) override {
    if (!cr_ || !text || length < 0) return 0;
    const LogFont& lf = font_->font;
    if (lf.height == 0 || length == 0) return 1;  // a zero height draws nothing, never a default size
    // A NUL byte ends the text early.
    if (const void* nul = std::memchr(text, 0, static_cast<size_t>(length)))
      length = static_cast<const char*>(nul) - text;
    std::string utf8 = AnsiToUtf8(reinterpret_cast<const uint8_t*>(text), length, kAnsiCharset).utf8;
    if (utf8.empty()) return 1;
    return DrawText(lf, x, y, utf8) ? 1 : 0;
  }

  int GdiFlush() override {
    if (!bitmap_ || !bitmap_->dirty) return 1;
    Object& b = *bitmap_;
    cairo_surface_flush(b.surface);
    b.dirty = false;
    if (b.inPlace) return 1;
    const uint8_t* data = cairo_image_surface_get_data(b.surface);
    int surfaceStride = cairo_image_surface_get_stride(b.surface);
    auto convert = [&](const uint8_t* from, int rows, uint8_t* to) {
      if (b.bitsPerPixel == 24)
        ArgbToBgrRows(from, surfaceStride, b.width, rows, to, b.stride);
      else
        PackIndexRows(from, surfaceStride, b.width, rows, b.bitsPerPixel, to, b.stride);
    };
    if (!b.bottomUp) {
      convert(data, b.height, b.bits);
    } else {
      for (int y = 0; y < b.height; ++y)
        convert(data + static_cast<int64_t>(y) * surfaceStride, 1,
                b.bits + static_cast<int64_t>(b.height - 1 - y) * b.stride);
    }
    return 1;
  }

  int SetPolyFillMode(int mode) override {
    if (mode != kAlternate && mode != kWinding) return 0;
    return std::exchange(fillMode_, mode);
  }

  int SetRop2(int rop) override {
    if (rop < kR2Black || rop > kR2White) return 0;
    return std::exchange(rop2_, rop);
  }

  int DrawPath(const Path& path, const FillStyle* fill, const StrokeStyle* stroke) override {
    if (!cr_) return 0;
    if (path.verbs.empty()) return 1;
    Box canvas{0, 0, static_cast<double>(bitmap_->width), static_cast<double>(bitmap_->height)};
    bitmap_->dirty = true;
    if (bitmap_->bitsPerPixel <= 8 && Rop2ReadsDestination(rop2_)) return DrawPathReadingIndices(path, fill, stroke);
    cairo_save(cr_);
    TracePath(cr_, path, canvas);
    FillAndStroke(cr_, fill, stroke);
    cairo_restore(cr_);
    return 1;
  }

  int Blit(const BlitSource& source, const BlitOp& op) override {
    if (!cr_) return 0;
    Object& b = *bitmap_;
    cairo_surface_flush(b.surface);
    BlitTarget target;
    target.data = cairo_image_surface_get_data(b.surface);
    target.stride = cairo_image_surface_get_stride(b.surface);
    if (b.bitsPerPixel <= 8) target.indexed = &b.indexed;
    target.width = b.width;
    target.height = b.height;
    if (hasClip_) {
      if (!clipMask_) clipMask_ = ClipMask();
      if (!clipMask_) return 0;
      target.clipMask = cairo_image_surface_get_data(clipMask_);
      target.clipMaskStride = cairo_image_surface_get_stride(clipMask_);
    }
    int ok = platform::Blit(target, source, op);
    cairo_surface_mark_dirty(b.surface);
    b.dirty = true;
    return ok;
  }

  int SelectClipRegion(const Region* region) override {
    hasClip_ = region != nullptr;
    if (clipMask_) cairo_surface_destroy(clipMask_);
    clipMask_ = nullptr;
    if (region) clip_ = *region;
    if (cr_) ApplyClip();
    return 1;
  }

  int DrawTextRun(const TextRun& run, double* advance) override {
    if (advance) *advance = 0;
    if (!cr_) return 0;
    TextFont font = FontOf(run.font);
    font.orientation = run.font.orientation;
    TextStyle style = CurrentTextStyle();
    style.fillRect = (run.options & kEtoOpaque) != 0;
    style.clipToRect = (run.options & kEtoClipped) != 0;
    style.rect = run.rect;
    TextMeasure measure{};
    bitmap_->dirty = true;
    std::string_view text(run.utf8 ? run.utf8 : "", run.utf8 ? static_cast<size_t>(run.length) : 0);
    int ok = platform::DrawTextRun(cr_, fonts_, font, text, run.advances, run.advanceCount, run.at, style, &measure);
    if (advance) *advance = measure.width;
    return ok;
  }

 private:
  Object& MakeStock(StockObject which, ObjectKind kind) {
    Object& o = stock_[static_cast<int>(which)];
    o.kind = kind;
    o.stock = true;
    return o;
  }
  Object* Stock(StockObject which) { return &stock_[static_cast<int>(which)]; }

  Object* Make(ObjectKind kind) {
    auto o = std::make_unique<Object>();
    Object* made = o.get();
    made->kind = kind;
    objects_.emplace(made, std::move(o));
    return made;
  }

  // Only objects of this context are accepted; anything else is a failure.
  Object* Find(GdiObject* object) {
    if (!object) return nullptr;
    for (Object& s : stock_)
      if (&s == object) return &s;
    if (object == &defaultPalette_) return &defaultPalette_;
    if (object == &noBitmap_) return &noBitmap_;
    auto it = objects_.find(object);
    return it == objects_.end() ? nullptr : it->second.get();
  }

  void Target(Object* bitmap) {
    if (cr_) cairo_destroy(cr_);
    cr_ = nullptr;
    bitmap_ = bitmap;
    if (!bitmap) return;
    cr_ = cairo_create(bitmap->surface);
    if (bitmap->bitsPerPixel <= 8) SetIndexedColours(cr_, &bitmap->indexed);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
    ApplyClip();
  }

  // The clip region as an A8 mask over the bitmap, for the blitter.
  cairo_surface_t* ClipMask() {
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, bitmap_->width, bitmap_->height);
    if (cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(mask);
      return nullptr;
    }
    cairo_t* cr = cairo_create(mask);
    for (const Rect& r : clip_.rects) cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(mask);
    return mask;
  }

  void ApplyClip() { ApplyClip(cr_); }

  void ApplyClip(cairo_t* cr) const {
    cairo_reset_clip(cr);
    if (!hasClip_) return;
    for (const Rect& r : clip_.rects) cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (clip_.rects.empty()) cairo_rectangle(cr, 0, 0, 0, 0);
    cairo_clip(cr);
  }

  // Fills (by the fill mode) and strokes cr's current path, then clears it.
  void FillAndStroke(cairo_t* cr, const FillStyle* fill, const StrokeStyle* stroke) const {
    cairo_pattern_t* mask = nullptr;
    if (fill && ApplyFill(cr, *fill, rop2_, bkMode_ == kOpaque, bkColour_, &mask)) {
      cairo_set_fill_rule(cr, fillMode_ == kWinding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
      if (mask) {
        cairo_save(cr);
        cairo_clip_preserve(cr);
        cairo_mask(cr, mask);
        cairo_restore(cr);
        cairo_pattern_destroy(mask);
      } else {
        cairo_fill_preserve(cr);
      }
    }
    if (stroke && stroke->style != kPenNull && ApplyRop2(cr, rop2_, stroke->colour)) {
      ApplyStroke(cr, *stroke);
      cairo_stroke(cr);
    }
    cairo_new_path(cr);
  }

  // A raster operation that reads the destination works on colours, not on
  // palette indices: the path is drawn in colour on a scratch surface over its
  // box, and each pixel drawn there combines with the colour of the index
  // below, the result matched back to the palette.
  int DrawPathReadingIndices(const Path& path, const FillStyle* fill, const StrokeStyle* stroke) {
    Box canvas{0, 0, static_cast<double>(bitmap_->width), static_cast<double>(bitmap_->height)};
    cairo_save(cr_);
    TracePath(cr_, path, canvas);
    if (stroke) ApplyStroke(cr_, *stroke);
    double x0, y0, x1, y1;
    if (stroke && stroke->style != kPenNull)
      cairo_stroke_extents(cr_, &x0, &y0, &x1, &y1);
    else
      cairo_fill_extents(cr_, &x0, &y0, &x1, &y1);
    cairo_new_path(cr_);
    cairo_restore(cr_);
    const int left = static_cast<int>(std::max(0.0, std::floor(x0) - 1));
    const int top = static_cast<int>(std::max(0.0, std::floor(y0) - 1));
    const int right = static_cast<int>(std::min<double>(bitmap_->width, std::ceil(x1) + 1));
    const int bottom = static_cast<int>(std::min<double>(bitmap_->height, std::ceil(y1) + 1));
    if (left >= right || top >= bottom) return 1;
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, right - left, bottom - top);
    if (cairo_surface_status(scratch) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(scratch);
      return 0;
    }
    cairo_surface_set_device_offset(scratch, -left, -top);
    cairo_t* cr = cairo_create(scratch);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    ApplyClip(cr);
    TracePath(cr, path, canvas);
    const int rop = std::exchange(rop2_, kR2CopyPen);
    FillAndStroke(cr, fill, stroke);
    rop2_ = rop;
    cairo_destroy(cr);
    cairo_surface_flush(scratch);
    cairo_surface_flush(bitmap_->surface);
    const uint8_t* drawn = cairo_image_surface_get_data(scratch);
    const int drawnStride = cairo_image_surface_get_stride(scratch);
    uint8_t* rows = cairo_image_surface_get_data(bitmap_->surface);
    const int stride = cairo_image_surface_get_stride(bitmap_->surface);
    const IndexedColours& indexed = bitmap_->indexed;
    for (int y = top; y < bottom; ++y) {
      const uint32_t* in = reinterpret_cast<const uint32_t*>(drawn + int64_t{y - top} * drawnStride);
      uint8_t* out = rows + int64_t{y} * stride;
      for (int x = left; x < right; ++x) {
        const uint32_t argb = in[x - left];
        if (argb >> 24 == 0) continue;
        const uint32_t rgb = ApplyRop2Rgb(rop, argb & 0xFFFFFF, indexed.matcher->Rgb(out[x]));
        out[x] = static_cast<uint8_t>(indexed.IndexOfRgb(rgb));
      }
    }
    cairo_surface_destroy(scratch);
    cairo_surface_mark_dirty(bitmap_->surface);
    return 1;
  }

  Box GuardBox(double penWidth) const {
    double m = kGuardMargin + penWidth;
    return {-m, -m, bitmap_->width + m, bitmap_->height + m};
  }

  void ApplyPen(double dashOffset) {
    const LogPen& p = pen_->pen;
    SetSourceColour(cr_, p.colour);
    if (p.width > 1) {
      cairo_set_line_width(cr_, p.width);
      cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
      cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
      cairo_set_dash(cr_, nullptr, 0, 0);
      return;
    }
    cairo_set_line_width(cr_, 1.0);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_BEVEL);
    switch (p.style) {
      case kPenDash: cairo_set_dash(cr_, kDash, 2, dashOffset); break;
      case kPenDot: cairo_set_dash(cr_, kDot, 2, dashOffset); break;
      case kPenDashDot: cairo_set_dash(cr_, kDashDot, 4, dashOffset); break;
      case kPenDashDotDot: cairo_set_dash(cr_, kDashDotDot, 6, dashOffset); break;
      default: cairo_set_dash(cr_, nullptr, 0, 0); break;
    }
  }

  static bool Safe(const Point& p) {
    return std::fabs(static_cast<double>(p.x)) <= kSafeCoordinate &&
           std::fabs(static_cast<double>(p.y)) <= kSafeCoordinate;
  }

  // One-pixel pens step from pixel to pixel along the major axis, the pattern
  // advancing one place per pixel and running on from segment to segment; the
  // last point of each segment is left to the next. Written straight into the
  // working surface: far cheaper than stroking outlines for the thin lines that
  // make up most drawings.
  void ThinLines(const Point* points, int count, bool closed) {
    bitmap_->dirty = true;
    cairo_surface_flush(bitmap_->surface);
    Raster r;
    r.data = cairo_image_surface_get_data(bitmap_->surface);
    r.pitch = cairo_image_surface_get_stride(bitmap_->surface);
    r.width = bitmap_->width;
    r.height = bitmap_->height;
    ColourRef c = pen_->pen.colour;
    r.indexed = bitmap_->bitsPerPixel <= 8;
    r.value = r.indexed ? static_cast<uint32_t>(bitmap_->indexed.Index(c)) : OpaqueArgb(c);
    const double* dashes = nullptr;
    int n = 0;
    switch (pen_->pen.style) {
      case kPenDash: dashes = kDash, n = 2; break;
      case kPenDot: dashes = kDot, n = 2; break;
      case kPenDashDot: dashes = kDashDot, n = 4; break;
      case kPenDashDotDot: dashes = kDashDotDot, n = 6; break;
      default: break;
    }
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < static_cast<int>(dashes[i]); ++k) r.pattern[r.period++] = i % 2 == 0;
    int segments = closed ? count : count - 1;
    int64_t phase = 0;
    for (int i = 0; i < segments; ++i) phase = ThinSegment(r, points[i], points[i + 1 < count ? i + 1 : 0], phase);
    cairo_surface_mark_dirty(bitmap_->surface);
  }

  struct Raster {
    uint8_t* data;
    int64_t pitch;  // bytes
    int64_t width;
    int64_t height;
    bool indexed;    // one index byte a pixel, else 0xAARRGGBB words
    uint32_t value;  // what a drawn pixel holds
    bool pattern[32];
    int period = 0;  // 0: solid
  };

  // `steps` pixels from `at`, one `major` apart, moving one `minor` further
  // where the remainder says (the same steps as the general walk below).
  template <class Pixel>
  static void SolidRun(uint8_t* at, int64_t major, int64_t minor, int64_t steps, int64_t minorCount, Pixel value) {
    int64_t rest = steps;
    for (int64_t i = 0; i < steps; ++i) {
      std::memcpy(at, &value, sizeof value);
      at += major;
      rest += 2 * minorCount;
      if (rest >= 2 * steps) {
        rest -= 2 * steps;
        at += minor;
      }
    }
  }

  // Returns the pattern phase after the segment.
  static int64_t ThinSegment(const Raster& r, Point a, Point b, int64_t phase) {
    int64_t dx = int64_t{b.x} - a.x, dy = int64_t{b.y} - a.y;
    int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    int64_t steps = adx > ady ? adx : ady;
    if (steps == 0) return phase;
    // Only the steps that can fall on the canvas are walked.
    int64_t first = 0, last = steps;
    auto inside = [&](Point p) { return p.x >= 0 && p.y >= 0 && p.x < r.width && p.y < r.height; };
    const bool onCanvas = inside(a) && inside(b);
    if (!onCanvas) {
      DPoint p{static_cast<double>(a.x), static_cast<double>(a.y)},
          q{static_cast<double>(b.x), static_cast<double>(b.y)};
      double t0, t1;
      if (!ClipSegment(p, q, {-1.0, -1.0, static_cast<double>(r.width), static_cast<double>(r.height)}, t0, t1))
        return phase + steps;
      first = std::max<int64_t>(0, static_cast<int64_t>(std::floor(t0 * steps)) - 1);
      last = std::min<int64_t>(steps, static_cast<int64_t>(std::ceil(t1 * steps)) + 1);
    }
    bool xMajor = adx >= ady;
    int64_t minor = xMajor ? ady : adx;
    int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    int64_t minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    // Minor offset at step i: round(i * minor / steps), kept as quotient and
    // remainder of (2 i minor + steps) / (2 steps); the start needs 128 bits.
    int64_t offset = 0, rest = steps;
    if (first > 0) {
      __int128 start = static_cast<__int128>(2 * first) * minor + steps;
      offset = static_cast<int64_t>(start / (2 * steps));
      rest = static_cast<int64_t>(start % (2 * steps));
    }
    if (r.period == 0 && onCanvas) {
      // Both ends on the canvas, so is every pixel between: no tests per pixel.
      const int64_t size = r.indexed ? 1 : 4;
      const int64_t xStep = (dx < 0 ? -1 : 1) * size, yStep = (dy < 0 ? -1 : 1) * r.pitch;
      uint8_t* at = r.data + a.y * r.pitch + a.x * size;
      if (r.indexed)
        SolidRun(at, xMajor ? xStep : yStep, xMajor ? yStep : xStep, steps, minor, static_cast<uint8_t>(r.value));
      else
        SolidRun(at, xMajor ? xStep : yStep, xMajor ? yStep : xStep, steps, minor, r.value);
      return phase + steps;
    }
    int64_t major0 = xMajor ? a.x : a.y, minor0 = xMajor ? a.y : a.x;
    for (int64_t i = first; i < last; ++i) {
      int64_t m = major0 + i * majorStep, n = minor0 + offset * minorStep;
      int64_t x = xMajor ? m : n, y = xMajor ? n : m;
      bool on = r.period == 0 || r.pattern[(phase + i) % r.period];
      if (on && x >= 0 && y >= 0 && x < r.width && y < r.height) {
        if (r.indexed)
          r.data[y * r.pitch + x] = static_cast<uint8_t>(r.value);
        else
          reinterpret_cast<uint32_t*>(r.data + y * r.pitch)[x] = r.value;
      }
      rest += 2 * minor;
      if (rest >= 2 * steps) {
        rest -= 2 * steps;
        ++offset;
      }
    }
    return phase + steps;
  }

  void StrokePoints(const Point* points, int count, bool closed) {
    bitmap_->dirty = true;
    bool allSafe = true;
    for (int i = 0; i < count && allSafe; ++i) allSafe = Safe(points[i]);
    if (allSafe) {
      ApplyPen(0);
      cairo_move_to(cr_, points[0].x + 0.5, points[0].y + 0.5);
      for (int i = 1; i < count; ++i) cairo_line_to(cr_, points[i].x + 0.5, points[i].y + 0.5);
      if (closed) cairo_close_path(cr_);
      cairo_stroke(cr_);
      return;
    }
    // Segment by segment through the guard box; where the line leaves the box
    // and comes back, a new piece starts with the dash pattern carried on.
    Box box = GuardBox(pen_->pen.width);
    double travelled = 0;
    bool open = false;
    DPoint last{};
    int segments = closed ? count : count - 1;
    for (int i = 0; i < segments; ++i) {
      const Point& p = points[i];
      const Point& q = points[(i + 1) % count];
      DPoint a{p.x + 0.5, p.y + 0.5}, b{q.x + 0.5, q.y + 0.5};
      double length = std::hypot(b.x - a.x, b.y - a.y);
      double t0, t1;
      if (ClipSegment(a, b, box, t0, t1)) {
        if (!open || t0 > 0 || a.x != last.x || a.y != last.y) {
          if (open) cairo_stroke(cr_);
          ApplyPen(travelled + t0 * length);
          cairo_move_to(cr_, a.x, a.y);
          open = true;
        }
        cairo_line_to(cr_, b.x, b.y);
        last = b;
        if (t1 < 1) {
          cairo_stroke(cr_);
          open = false;
        }
      }
      travelled += length;
    }
    if (open) cairo_stroke(cr_);
  }

  void FillPoints(const Point* points, int count) {
    bitmap_->dirty = true;
    SetSourceColour(cr_, brush_->brush.colour);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    bool allSafe = true;
    for (int i = 0; i < count && allSafe; ++i) allSafe = Safe(points[i]);
    if (allSafe) {
      cairo_move_to(cr_, points[0].x + 0.5, points[0].y + 0.5);
      for (int i = 1; i < count; ++i) cairo_line_to(cr_, points[i].x + 0.5, points[i].y + 0.5);
    } else {
      std::vector<DPoint> polygon(static_cast<size_t>(count)), clipped;
      for (int i = 0; i < count; ++i) polygon[i] = {points[i].x + 0.5, points[i].y + 0.5};
      ClipPolygon(polygon, GuardBox(0), clipped);
      if (clipped.empty()) return;
      cairo_move_to(cr_, clipped[0].x, clipped[0].y);
      for (size_t i = 1; i < clipped.size(); ++i) cairo_line_to(cr_, clipped[i].x, clipped[i].y);
    }
    cairo_close_path(cr_);
    cairo_fill(cr_);
  }

  // The point is the reference of the alignment flags (by default the top-left
  // of the first cell); the string turns about it by the escapement.
  bool DrawText(const LogFont& lf, int32_t x, int32_t y, const std::string& utf8) {
    bitmap_->dirty = true;
    TextFont font = FontOf(lf);
    font.substitute = false;  // TextOut keeps to the named face, as it always has
    return platform::DrawTextRun(cr_, fonts_, font, utf8, nullptr, 0, {static_cast<double>(x), static_cast<double>(y)},
                                 CurrentTextStyle(), nullptr);
  }

  // The logical font as the text drawer takes it; the glyphs turn with the baseline.
  static TextFont FontOf(const LogFont& lf) {
    TextFont font;
    font.face = lf.faceName;
    font.height = lf.height;
    font.width = lf.width;
    font.escapement = font.orientation = lf.escapement;
    font.weight = lf.weight;
    font.italic = lf.italic != 0;
    font.underline = lf.underline != 0;
    font.strikeOut = lf.strikeOut != 0;
    font.charSet = lf.charSet;
    return font;
  }

  TextStyle CurrentTextStyle() const {
    TextStyle style;
    style.align = textAlign_;
    style.colour = textColour_;
    style.opaqueBackground = bkMode_ == kOpaque;
    style.background = bkColour_;
    return style;
  }

  Object stock_[7];
  Object defaultPalette_;
  Object noBitmap_;  // what SelectObject reports as the bitmap a fresh context had
  // Metafiles may keep thousands of objects alive: looked up by address.
  std::unordered_map<const GdiObject*, std::unique_ptr<Object>> objects_;
  Object* pen_ = nullptr;
  Object* brush_ = nullptr;
  Object* font_ = nullptr;
  Object* palette_ = nullptr;
  Object* bitmap_ = nullptr;
  cairo_t* cr_ = nullptr;
  ColourMatcher matcher_;
  FontLibrary fonts_;
  int bkMode_ = kOpaque;
  ColourRef bkColour_ = 0xFFFFFF;
  ColourRef textColour_ = 0;
  uint32_t textAlign_ = kTaLeft | kTaTop;
  int stretchMode_ = 1;
  int fillMode_ = kAlternate;
  int rop2_ = kR2CopyPen;
  bool hasClip_ = false;
  Region clip_;
  cairo_surface_t* clipMask_ = nullptr;  // made when a blit first needs it
};

}  // namespace

DeviceContext* CreateCompatibleDC() { return new (std::nothrow) CairoDC(); }

int DeleteDC(DeviceContext* dc) {
  if (!dc) return 0;
  delete dc;
  return 1;
}

}  // namespace platform
