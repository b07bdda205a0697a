// Drawing decoded bitmaps and brushes onto a working surface: every
// device pixel inside the mapped source parallelogram looks up the source
// pixel under its centre, so stretching, mirroring and parallelograms are one
// loop. Shrinking in a mode other than colour-on-colour combines the source
// pixels a device pixel covers instead.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "platform/dib.h"

namespace platform {

namespace {

constexpr uint32_t kRgb = 0xFFFFFF;
constexpr uint32_t kOpaqueAlpha = 0xFF000000;
// A shrinking device pixel combines at most this many source pixels along each
// axis, spread evenly over what it covers, so that drawing a huge image into a
// few pixels stays cheap.
constexpr int64_t kMaxFootprint = 16;

int RopIndex(uint32_t rop) { return rop >> 16 & 0xFF; }
// The ROP3 a ROP4 applies where its mask is 0.
uint32_t BackgroundRop(uint32_t rop4) { return rop4 >> 8 & 0xFF0000; }

uint32_t Rop3ByIndex(int index, uint32_t p, uint32_t s, uint32_t d) {
  switch (index) {
    case 0x00: return 0;
    case 0xFF: return kRgb;
    case 0xCC: return s;
    case 0xF0: return p;
    case 0xAA: return d;
    case 0x88: return s & d;
    case 0xEE: return s | d;
    case 0x66: return s ^ d;
    case 0x55: return ~d & kRgb;
    case 0x5A: return p ^ d;
    case 0x33: return ~s & kRgb;
    case 0xC0: return p & s;
    default: break;
  }
  // Sum of the minterms whose bit the truth table sets.
  uint32_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (index >> i & 1) r |= (i & 4 ? p : ~p) & (i & 2 ? s : ~s) & (i & 1 ? d : ~d);
  }
  return r & kRgb;
}

uint32_t Div255(uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

uint32_t Blend(uint32_t s, uint32_t d, const BlitOp& op, bool perPixel) {
  uint32_t ca = op.constantAlpha;
  uint32_t sa = perPixel ? Div255((s >> 24) * ca) : ca;
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    uint32_t sc = s >> shift & 0xFF, dc = d >> shift & 0xFF;
    // A premultiplied source is scaled by the constant alpha only.
    uint32_t v = perPixel ? Div255(sc * ca) + Div255(dc * (255 - sa)) : Div255(sc * sa + dc * (255 - sa));
    out |= std::min<uint32_t>(v, 255) << shift;
  }
  return out;
}

// Whether shrinking in this stretch mode combines source pixels; any other
// mode, colour-on-colour or unknown, keeps the nearest.
bool Combines(int mode) { return mode == kBlackOnWhite || mode == kWhiteOnBlack || mode == kHalftone; }

struct Sampler {
  const DibImage* image;
  Rect rect;  // cut to the image
  int mode;
  bool holes;  // alpha 0 marks a pixel to leave out
  bool keepAlpha;

  // The source under device pixel centre (u, v) in source space, with the extent
  // (du, dv) of the device pixel there when shrinking. False: nothing to draw.
  bool At(double u, double v, double du, double dv, uint32_t& out) const {
    if (!(u >= rect.left && u < rect.right && v >= rect.top && v < rect.bottom)) return false;
    int64_t x = static_cast<int64_t>(u), y = static_cast<int64_t>(v);
    if (!Combines(mode) || (du <= 1 && dv <= 1)) {
      out = image->pixels[y * image->width + x];
    } else {
      // Clamped as doubles: the reach may be enormous for a near-singular mapping.
      auto cut = [](double a, int32_t lo, int32_t hi) { return static_cast<int64_t>(std::clamp<double>(a, lo, hi)); };
      // An axis that does not shrink keeps its one nearest pixel.
      int64_t x0 = du > 1 ? cut(std::floor(u - du / 2), rect.left, rect.right) : x;
      int64_t x1 = du > 1 ? cut(std::ceil(u + du / 2), rect.left, rect.right) : x + 1;
      int64_t y0 = dv > 1 ? cut(std::floor(v - dv / 2), rect.top, rect.bottom) : y;
      int64_t y1 = dv > 1 ? cut(std::ceil(v + dv / 2), rect.top, rect.bottom) : y + 1;
      int64_t stepX = std::max<int64_t>(1, (x1 - x0 + kMaxFootprint - 1) / kMaxFootprint);
      int64_t stepY = std::max<int64_t>(1, (y1 - y0 + kMaxFootprint - 1) / kMaxFootprint);
      uint32_t all = 0xFFFFFFFF, any = 0, sum[4] = {}, n = 0;
      for (int64_t j = y0; j < y1; j += stepY) {
        for (int64_t i = x0; i < x1; i += stepX) {
          uint32_t p = image->pixels[j * image->width + i];
          if (holes && !(p >> 24)) continue;
          all &= p;
          any |= p;
          for (int c = 0; c < 4; ++c) sum[c] += p >> (8 * c) & 0xFF;
          ++n;
        }
      }
      if (n == 0) return false;
      if (mode == kBlackOnWhite) {
        out = all;
      } else if (mode == kWhiteOnBlack) {
        out = any;
      } else {
        out = 0;
        for (int c = 0; c < 4; ++c) out |= (sum[c] + n / 2) / n << (8 * c);
      }
    }
    if (holes && !(out >> 24)) return false;
    if (!keepAlpha) out |= kOpaqueAlpha;
    return true;
  }
};

uint32_t PatternAt(const BlitPattern& p, int64_t x, int64_t y) {
  const DibImage* im = p.image;
  if (!im || im->pixels.empty()) return RedBlueSwapped(p.colour);
  int64_t i = (x - p.originX) % im->width, j = (y - p.originY) % im->height;
  if (i < 0) i += im->width;
  if (j < 0) j += im->height;
  return im->pixels[j * im->width + i] & kRgb;
}

bool MaskBit(const BlitOp& op, const Rect& rect, double u, double v) {
  const DibImage* m = op.mask;
  if (!m) return true;
  int64_t i = static_cast<int64_t>(std::floor(u)) - rect.left + op.maskX;
  int64_t j = static_cast<int64_t>(std::floor(v)) - rect.top + op.maskY;
  if (i < 0 || j < 0 || i >= m->width || j >= m->height) return true;
  return (m->pixels[j * m->width + i] & kRgb) != 0;
}

bool Finite(const Affine& a) {
  return std::isfinite(a.xx) && std::isfinite(a.xy) && std::isfinite(a.x0) && std::isfinite(a.yx) &&
         std::isfinite(a.yy) && std::isfinite(a.y0);
}

// The common case, an upright copy sampled nearest: one lookup per column
// instead of mapping every pixel, with the same arithmetic as the general loop.
void CopyUpright(const BlitTarget& t, const DibImage& im, const Rect& r, const Affine& m, double ia, double id,
                 int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  std::vector<int32_t> columns(static_cast<size_t>(x1 - x0));
  for (int32_t x = x0; x < x1; ++x) {
    double u = ia * (x + 0.5 - m.x0);
    columns[x - x0] = u >= r.left && u < r.right ? static_cast<int32_t>(u) : -1;
  }
  for (int32_t y = y0; y < y1; ++y) {
    double v = id * (y + 0.5 - m.y0);
    if (!(v >= r.top && v < r.bottom)) continue;
    const uint32_t* src = im.pixels.data() + static_cast<int64_t>(v) * im.width;
    uint8_t* row = t.data + int64_t{y} * t.stride;
    const uint8_t* clip = t.clipMask ? t.clipMask + int64_t{y} * t.clipMaskStride : nullptr;
    for (int32_t x = x0; x < x1; ++x) {
      int32_t c = columns[x - x0];
      if (c < 0 || (clip && clip[x] < 128)) continue;
      if (t.indexed)
        row[x] = static_cast<uint8_t>(t.indexed->IndexOfRgb(src[c] & kRgb));
      else
        reinterpret_cast<uint32_t*>(row)[x] = kOpaqueAlpha | src[c];
    }
  }
}

// Where an extent starts: a negative one runs back from the far edge of the
// pixel it starts at, so that (x + w - 1, -w) covers the pixels of (x, w).
int64_t StartEdge(int32_t at, int32_t extent) { return int64_t{at} + (extent < 0 ? 1 : 0); }

// The source rectangle's starting corner, the ends of its first row and of its
// first column go to the three corners.
bool MapCorners(int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, const double c[3][2],
                BlitSource& source) {
  if (srcWidth == 0 || srcHeight == 0) return false;
  int64_t su = StartEdge(srcX, srcWidth), sv = StartEdge(srcY, srcHeight);
  Affine& m = source.toDevice;
  m.xx = (c[1][0] - c[0][0]) / srcWidth;
  m.yx = (c[1][1] - c[0][1]) / srcWidth;
  m.xy = (c[2][0] - c[0][0]) / srcHeight;
  m.yy = (c[2][1] - c[0][1]) / srcHeight;
  m.x0 = c[0][0] - m.xx * static_cast<double>(su) - m.xy * static_cast<double>(sv);
  m.y0 = c[0][1] - m.yx * static_cast<double>(su) - m.yy * static_cast<double>(sv);
  int64_t u1 = su + srcWidth, v1 = sv + srcHeight;
  auto clamp = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  source.rect = {clamp(std::min(su, u1)), clamp(std::min(sv, v1)), clamp(std::max(su, u1)), clamp(std::max(sv, v1))};
  return m.xx * m.yy - m.xy * m.yx != 0;
}

}  // namespace

bool RopUsesSource(uint32_t rop) {
  int i = RopIndex(rop);
  return ((i >> 2 ^ i) & 0x33) != 0;
}

bool RopUsesPattern(uint32_t rop) {
  int i = RopIndex(rop);
  return ((i >> 4 ^ i) & 0x0F) != 0;
}

uint32_t ApplyRop3(uint32_t rop, uint32_t pattern, uint32_t source, uint32_t destination) {
  return Rop3ByIndex(RopIndex(rop), pattern & kRgb, source & kRgb, destination & kRgb);
}

bool MapRect(int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t dstX, int32_t dstY,
             int32_t dstWidth, int32_t dstHeight, BlitSource& source) {
  if (dstWidth == 0 || dstHeight == 0) return false;
  double x = static_cast<double>(StartEdge(dstX, dstWidth)), y = static_cast<double>(StartEdge(dstY, dstHeight));
  const double corners[3][2] = {{x, y}, {x + dstWidth, y}, {x, y + dstHeight}};
  return MapCorners(srcX, srcY, srcWidth, srcHeight, corners, source);
}

bool MapParallelogram(int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, const Point corners[3],
                      BlitSource& source) {
  double c[3][2];
  for (int i = 0; i < 3; ++i) c[i][0] = corners[i].x, c[i][1] = corners[i].y;
  return MapCorners(srcX, srcY, srcWidth, srcHeight, c, source);
}

int Blit(const BlitTarget& target, const BlitSource& source, const BlitOp& op) {
  const Affine& m = source.toDevice;
  double det = m.xx * m.yy - m.xy * m.yx;
  if (!Finite(m) || !std::isfinite(det) || det == 0 || !target.data) return 0;
  const DibImage* image = source.image;
  if (image && (image->width < 1 || image->height < 1 ||
                image->pixels.size() != static_cast<size_t>(int64_t{image->width} * image->height)))
    return 0;
  bool needsSource = op.kind == BlitKind::kTransparent || op.kind == BlitKind::kAlpha || RopUsesSource(op.rop) ||
                     (op.kind == BlitKind::kMask && RopUsesSource(BackgroundRop(op.rop)));
  if (needsSource && !image) return 0;

  Rect r = source.rect;
  if (image) {
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, image->width);
    r.bottom = std::min(r.bottom, image->height);
  }
  if (r.left >= r.right || r.top >= r.bottom) return 1;

  // The device box of the mapped rectangle, cut to the target and the clip.
  double xs[4], ys[4];
  const double us[4] = {double(r.left), double(r.right), double(r.left), double(r.right)};
  const double vs[4] = {double(r.top), double(r.top), double(r.bottom), double(r.bottom)};
  for (int i = 0; i < 4; ++i) {
    xs[i] = m.xx * us[i] + m.xy * vs[i] + m.x0;
    ys[i] = m.yx * us[i] + m.yy * vs[i] + m.y0;
  }
  double left = std::max(0.0, std::floor(*std::min_element(xs, xs + 4)));
  double top = std::max(0.0, std::floor(*std::min_element(ys, ys + 4)));
  double right = std::min<double>(target.width, std::ceil(*std::max_element(xs, xs + 4)));
  double bottom = std::min<double>(target.height, std::ceil(*std::max_element(ys, ys + 4)));
  if (!(left < right && top < bottom)) return 1;
  int32_t x0 = static_cast<int32_t>(left), y0 = static_cast<int32_t>(top);
  int32_t x1 = static_cast<int32_t>(right), y1 = static_cast<int32_t>(bottom);
  if (target.hasClipRect) {
    x0 = std::max(x0, target.clipRect.left);
    y0 = std::max(y0, target.clipRect.top);
    x1 = std::min(x1, target.clipRect.right);
    y1 = std::min(y1, target.clipRect.bottom);
    if (x0 >= x1 || y0 >= y1) return 1;
  }

  // Device to source space, and how far one device pixel reaches there.
  const double ia = m.yy / det, ib = -m.xy / det, ic = -m.yx / det, id = m.xx / det;
  const double du = std::abs(ia) + std::abs(ib), dv = std::abs(ic) + std::abs(id);
  bool perPixel = op.kind == BlitKind::kAlpha && op.sourceAlpha && image && image->alpha == DibAlpha::kStored;
  Sampler sampler{image, r, source.stretchMode, image && image->alpha == DibAlpha::kHoles, perPixel};
  if (op.kind == BlitKind::kRop && RopIndex(op.rop) == 0xCC && m.xy == 0 && m.yx == 0 && !sampler.holes &&
      (!Combines(source.stretchMode) || (du <= 1 && dv <= 1))) {
    CopyUpright(target, *image, r, m, ia, id, x0, y0, x1, y1);
    return 1;
  }
  const uint32_t key = RedBlueSwapped(op.transparent);
  const bool masked = op.kind == BlitKind::kMask;
  const bool readsPattern = RopUsesPattern(op.rop) || (masked && RopUsesPattern(BackgroundRop(op.rop)));

  for (int32_t y = y0; y < y1; ++y) {
    uint8_t* row = target.data + int64_t{y} * target.stride;
    auto* argbRow = reinterpret_cast<uint32_t*>(row);
    const uint8_t* clip = target.clipMask ? target.clipMask + int64_t{y} * target.clipMaskStride : nullptr;
    double py = y + 0.5 - m.y0;
    for (int32_t x = x0; x < x1; ++x) {
      if (clip && clip[x] < 128) continue;
      double px = x + 0.5 - m.x0;
      double u = ia * px + ib * py, v = ic * px + id * py;
      uint32_t s = 0;
      if (image) {
        if (!sampler.At(u, v, du, dv, s)) continue;
      } else if (!(u >= r.left && u < r.right && v >= r.top && v < r.bottom)) {
        continue;
      }
      uint32_t d = target.indexed ? target.indexed->matcher->Rgb(row[x]) : UnpremultipliedRgb(argbRow[x]);
      uint32_t p = readsPattern ? PatternAt(op.pattern, x, y) : 0;
      uint32_t out;
      switch (op.kind) {
        case BlitKind::kRop: out = ApplyRop3(op.rop, p, s, d); break;
        case BlitKind::kMask: out = ApplyRop3(MaskBit(op, r, u, v) ? op.rop : BackgroundRop(op.rop), p, s, d); break;
        case BlitKind::kTransparent:
          if ((s & kRgb) == key) continue;
          out = s & kRgb;
          break;
        case BlitKind::kAlpha: out = Blend(s, d, op, perPixel); break;
        default: return 0;
      }
      if (target.indexed)
        row[x] = static_cast<uint8_t>(target.indexed->IndexOfRgb(out & kRgb));
      else
        argbRow[x] = kOpaqueAlpha | out;
    }
  }
  return 1;
}

}  // namespace platform
