#include "platform/emf_player.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>

#include "platform/charset.h"
#include "platform/emf_player_state.h"
#include "platform/emf_records.h"
#include "platform/region.h"

namespace platform {

namespace {

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kHeaderMinimum = 88;
// The header's handle count is 16-bit in practice; more is refused.
constexpr uint32_t kMaxHandles = 65536;
// Deeper SAVEDC chains are counted, not stored.
constexpr size_t kMaxSaved = 4096;
constexpr uint32_t kStockBit = 0x80000000u;

// Stock object numbers.
enum : uint32_t {
  kWhiteBrushStock = 0,
  kLtGreyBrushStock = 1,
  kGreyBrushStock = 2,
  kDkGreyBrushStock = 3,
  kBlackBrushStock = 4,
  kNullBrushStock = 5,
  kWhitePenStock = 6,
  kBlackPenStock = 7,
  kNullPenStock = 8,
  kDcBrushStock = 18,
  kDcPenStock = 19,
};

// Pen style bits.
constexpr uint32_t kPsStyleMask = 0xF, kPsCapMask = 0xF00, kPsJoinMask = 0xF000, kPsGeometric = 0x10000;
constexpr uint32_t kPsInsideFrame = 6, kPsAlternate = 8;
constexpr uint32_t kBsNull = 1, kBsHatched = 2;

bool Finite(const Xform& m) {
  return std::isfinite(m.m11) && std::isfinite(m.m12) && std::isfinite(m.m21) && std::isfinite(m.m22) &&
         std::isfinite(m.dx) && std::isfinite(m.dy);
}

bool Usable(const Xform& m) { return Finite(m) && m.m11 * m.m22 - m.m12 * m.m21 != 0; }

// Extents of the fixed map modes: window units per millimetre on each axis,
// the viewport in reference-device pixels (y up for all but MM_TEXT).
double UnitsPerMillimetre(uint32_t mode) {
  switch (mode) {
    case kMmLoMetric: return 10;
    case kMmHiMetric: return 100;
    case kMmLoEnglish: return 100 / 25.4;
    case kMmHiEnglish: return 1000 / 25.4;
    case kMmTwips: return 1440 / 25.4;
    default: return 0;
  }
}

}  // namespace

bool ReadEmfHeader(const uint8_t* bytes, uint64_t size, EmfHeader& h) {
  if (!bytes || size < kHeaderMinimum) return false;
  EmfRecord r{bytes, Le32(bytes), Le32(bytes + 4)};
  if (r.type != kEmrHeader || r.size < kHeaderMinimum || r.size > size || RecordU32(r, 40) != kEmfSignature)
    return false;
  h.bounds = {RecordI32(r, 8), RecordI32(r, 12), RecordI32(r, 16), RecordI32(r, 20)};
  h.frame = {RecordI32(r, 24), RecordI32(r, 28), RecordI32(r, 32), RecordI32(r, 36)};
  h.handles = RecordU16(r, 56);
  h.paletteEntries = RecordU32(r, 68);
  h.deviceWidth = RecordI32(r, 72);
  h.deviceHeight = RecordI32(r, 76);
  h.millimetresWidth = RecordI32(r, 80);
  h.millimetresHeight = RecordI32(r, 84);
  return true;
}

// ---- Mapping ----

void Player::SetMapMode(uint32_t mode) {
  if (mode < kMmText || mode > kMmAnisotropic) return;
  State& g = s;
  double upm = UnitsPerMillimetre(mode);
  if (mode == kMmText) {
    g.wex = g.wey = g.vex = g.vey = 1;
  } else if (upm > 0 || (mode == kMmIsotropic && g.mapMode != kMmIsotropic)) {
    if (upm == 0) upm = 10;  // isotropic starts out as low metric
    g.wex = mmWidth * upm;
    g.wey = mmHeight * upm;
    g.vex = deviceWidth;
    g.vey = -deviceHeight;
  }
  g.mapMode = mode;
  dirty = true;
}

const Xform& Player::Full() {
  if (!dirty) return full;
  dirty = false;
  const State& g = s;
  double sx = g.wex != 0 ? g.vex / g.wex : 1, sy = g.wey != 0 ? g.vey / g.wey : 1;
  if (g.mapMode == kMmIsotropic) {
    // The viewport shrinks on its longer axis so that both scales agree.
    double m = std::min(std::fabs(sx), std::fabs(sy));
    sx = std::copysign(m, sx);
    sy = std::copysign(m, sy);
  }
  Xform page{sx, 0, 0, sy, g.vox - g.wox * sx, g.voy - g.woy * sy};
  full = Multiply(Multiply(g.world, page), play);
  valid = Finite(full);
  return full;
}

DPoint Player::Dev(double x, double y) {
  const Xform& m = Full();
  return {m.m11 * x + m.m21 * y + m.dx, m.m12 * x + m.m22 * y + m.dy};
}

double Player::Scale() {
  const Xform& m = Full();
  return std::sqrt(std::fabs(m.m11 * m.m22 - m.m12 * m.m21));
}

Rect Player::DevRect(double l, double t, double r, double b) {
  DPoint p[4] = {Dev(l, t), Dev(r, t), Dev(l, b), Dev(r, b)};
  double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
  for (const DPoint& q : p)
    x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
  auto clamp = [](double v) { return static_cast<int32_t>(std::clamp(std::round(v), -1e9, 1e9)); };
  if (!(x0 == x0) || !(y0 == y0) || !(x1 == x1) || !(y1 == y1)) return {0, 0, 0, 0};
  return {clamp(x0), clamp(y0), clamp(x1), clamp(y1)};
}

// ---- Objects and state ----

void Player::SyncDc() {
  dc->SetTextColor(s.textColour);
  dc->SetBkColor(s.bkColour);
  dc->SetBkMode(s.bkMode);
  dc->SetTextAlign(s.align);
  dc->SetPolyFillMode(s.fillMode);
  dc->SetRop2(s.rop2);
  dc->SetStretchBltMode(s.stretchMode);
  dc->SelectClipRegion(s.clip.get());
}

void Player::Stock(uint32_t index) {
  switch (index & ~kStockBit) {
    case kWhiteBrushStock: s.brush = {kBrushSolid, 0xFFFFFF, 0, {}}; break;
    case kLtGreyBrushStock: s.brush = {kBrushSolid, 0xC0C0C0, 0, {}}; break;
    case kGreyBrushStock: s.brush = {kBrushSolid, 0x808080, 0, {}}; break;
    case kDkGreyBrushStock: s.brush = {kBrushSolid, 0x404040, 0, {}}; break;
    case kBlackBrushStock:
    case kDcBrushStock: s.brush = {kBrushSolid, 0, 0, {}}; break;
    case kNullBrushStock: s.brush = {kBrushNull, 0, 0, {}}; break;
    case kWhitePenStock:
      s.pen = PenDesc{};
      s.pen.colour = 0xFFFFFF;
      break;
    case kBlackPenStock:
    case kDcPenStock: s.pen = PenDesc{}; break;
    case kNullPenStock:
      s.pen = PenDesc{};
      s.pen.style = kPenNull;
      break;
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 16:
    case 17: s.font = DefaultFont(); break;
    default: break;
  }
}

LogFont DefaultFont() {
  LogFont f{};
  f.height = 16;
  return f;
}

void Player::Select(uint32_t index) {
  if (index & kStockBit) return Stock(index);
  if (index >= objects.size()) return;
  const PlayerObject& o = objects[index];
  switch (o.kind) {
    case PlayerObject::kPen: s.pen = o.pen; break;
    case PlayerObject::kBrush: s.brush = o.brush; break;
    case PlayerObject::kFont: s.font = o.font; break;
    default: break;
  }
}

PlayerObject* Player::Slot(uint32_t index) {
  if (index == 0 || index >= objects.size()) return nullptr;  // 0 is the metafile itself
  objects[index] = PlayerObject{};
  return &objects[index];
}

void Player::CreatePen(const EmfRecord& r) {
  PlayerObject* o = Slot(RecordU32(r, 8));
  if (!o) return;
  o->kind = PlayerObject::kPen;
  uint32_t style = RecordU32(r, 12);
  o->pen.style = static_cast<int32_t>(style & kPsStyleMask);
  o->pen.width = RecordI32(r, 16);
  o->pen.geometric = o->pen.width > 1;
  o->pen.colour = RecordU32(r, 24) & 0xFFFFFF;
}

void Player::ExtCreatePen(const EmfRecord& r) {
  PlayerObject* o = Slot(RecordU32(r, 8));
  if (!o) return;
  o->kind = PlayerObject::kPen;
  uint32_t style = RecordU32(r, 28);
  PenDesc& p = o->pen;
  p.style = static_cast<int32_t>(style & kPsStyleMask);
  p.geometric = (style & kPsGeometric) != 0;
  p.width = p.geometric ? RecordU32(r, 32) : 0;
  p.cap = (style & kPsCapMask) >> 8;
  p.join = (style & kPsJoinMask) >> 12;
  p.colour = RecordU32(r, 40) & 0xFFFFFF;
  if (RecordU32(r, 36) == kBsNull) p.style = kPenNull;
  if (p.style == kPenUserStyle) {
    uint32_t n = RecordU32(r, 48);
    if (n > 16 || !RecordHas(r, 52, 4ull * n)) n = 0;
    for (uint32_t i = 0; i < n; ++i) p.dashes.push_back(RecordU32(r, 52 + 4 * i));
  }
}

void Player::CreateBrush(const EmfRecord& r) {
  PlayerObject* o = Slot(RecordU32(r, 8));
  if (!o) return;
  o->kind = PlayerObject::kBrush;
  uint32_t style = RecordU32(r, 12);
  o->brush.colour = RecordU32(r, 16) & 0xFFFFFF;
  o->brush.hatch = RecordU32(r, 20);
  o->brush.style = style == kBsNull ? kBrushNull : style == kBsHatched ? kBrushHatched : kBrushSolid;
}

void Player::CreateFont(const EmfRecord& r) {
  PlayerObject* o = Slot(RecordU32(r, 8));
  if (!o) return;
  o->kind = PlayerObject::kFont;
  LogFont& f = o->font;
  f = LogFont{};
  f.height = RecordI32(r, 12);
  f.width = RecordI32(r, 16);
  f.escapement = RecordI32(r, 20);
  f.orientation = RecordI32(r, 24);
  f.weight = RecordI32(r, 28);
  if (RecordHas(r, 32, 8)) {
    f.italic = r.bytes[32], f.underline = r.bytes[33], f.strikeOut = r.bytes[34], f.charSet = r.bytes[35];
    f.outPrecision = r.bytes[36], f.clipPrecision = r.bytes[37], f.quality = r.bytes[38];
    f.pitchAndFamily = r.bytes[39];
  }
  // The face, UTF-16 up to 32 units, kept as UTF-8 as far as it fits.
  uint32_t units = RecordHas(r, 40, 64) ? 32 : r.size > 40 ? (r.size - 40) / 2 : 0;
  std::string face = Utf16ToUtf8(r.bytes + 40, units).utf8;
  size_t n = std::min(face.size(), static_cast<size_t>(kLfFaceSize - 1));
  while (n > 0 && n < face.size() && (static_cast<uint8_t>(face[n]) & 0xC0) == 0x80) --n;
  face.copy(f.faceName, n);
  f.faceName[n] = 0;
}

void Player::CreatePalette(const EmfRecord& r) {
  PlayerObject* o = Slot(RecordU32(r, 8));
  if (!o) return;
  o->kind = PlayerObject::kPalette;
  uint32_t n = RecordU16(r, 14);
  if (n > 256 || !RecordHas(r, 16, 4ull * n)) n = 0;
  o->palette.assign(r.bytes + 16, r.bytes + 16 + 4 * n);
}

void Player::DeleteObject(uint32_t index) {
  if (index & kStockBit || index == 0 || index >= objects.size()) return;
  objects[index] = PlayerObject{};
}

void Player::SaveDc() {
  if (saved.size() >= kMaxSaved) {
    ++savedBeyond;
    return;
  }
  saved.push_back(s);
}

void Player::RestoreDc(int32_t n) {
  int64_t depth = static_cast<int64_t>(saved.size()) + savedBeyond;
  // Relative (-1 the last saved) or absolute (1 the first).
  int64_t target = n < 0 ? depth + n : static_cast<int64_t>(n) - 1;
  if (n == 0 || target < 0 || target >= depth) return;
  if (target >= static_cast<int64_t>(saved.size())) {
    savedBeyond = static_cast<int32_t>(target - static_cast<int64_t>(saved.size()));  // not stored: kept as is
    return;
  }
  s = saved[static_cast<size_t>(target)];
  saved.resize(static_cast<size_t>(target));
  savedBeyond = 0;
  dirty = true;
  SyncDc();
}

void Player::SetWorld(const Xform& m, uint32_t mode) {
  switch (mode) {
    case 1: s.world = Xform{}; break;
    case 2:
      if (Usable(m)) s.world = Multiply(m, s.world);
      break;
    case 3:
      if (Usable(m)) s.world = Multiply(s.world, m);
      break;
    case 4:
      if (Usable(m)) s.world = m;
      break;
    default: return;
  }
  dirty = true;
}

StrokeStyle Player::Stroke() {
  StrokeStyle st;
  const PenDesc& p = s.pen;
  st.colour = p.colour;
  st.style = p.style == kPsInsideFrame ? kPenSolid : p.style == kPsAlternate ? kPenDot : p.style;
  double scale = Scale();
  st.width = p.geometric || p.width > 1 ? p.width * scale : 0;
  st.cap = p.cap;
  st.join = p.join;
  st.miterLimit = s.miterLimit;
  for (double d : p.dashes) st.dashes.push_back(d * (p.geometric ? scale : 1));
  return st;
}

FillStyle Player::Fill() { return {s.brush.style, s.brush.colour, s.brush.hatch, s.brush.pattern.get()}; }

void Player::Draw(Path& p, bool fill, bool stroke) {
  Full();
  if (!valid || p.verbs.empty()) return;
  if (inPath) {
    path.verbs.insert(path.verbs.end(), p.verbs.begin(), p.verbs.end());
    path.points.insert(path.points.end(), p.points.begin(), p.points.end());
    return;
  }
  FillStyle f = Fill();
  StrokeStyle st = Stroke();
  dc->DrawPath(p, fill ? &f : nullptr, stroke && s.pen.style != kPenNull ? &st : nullptr);
}

// ---- Clipping ----

Region Player::Whole() const { return Region{{rect}}; }

void Player::Clip(const Region& region, int mode) {
  if (mode < kRgnAnd || mode > kRgnCopy) return;
  s.clip = std::make_shared<const Region>(CombineRegion(s.clip ? *s.clip : Whole(), region, mode));
  dc->SelectClipRegion(s.clip.get());
}

// Region data: a 32-byte header (size, type, count, bytes, bounds), then the
// rectangles, all within `length` bytes from `at`.
bool Player::ReadRegion(const EmfRecord& r, uint32_t at, uint32_t length, bool logical, Region& out) {
  if (!RecordHas(r, at, length) || length < 32) return false;
  uint32_t count = RecordU32(r, at + 8);
  if (count > (length - 32) / 16) return false;
  out.rects.clear();
  out.rects.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t q = at + 32 + 16 * i;
    double l = RecordI32(r, q), t = RecordI32(r, q + 4), rr = RecordI32(r, q + 8), b = RecordI32(r, q + 12);
    Rect d;
    if (logical) {
      d = DevRect(l, t, rr, b);
    } else {
      DPoint p0{play.m11 * l + play.dx, play.m22 * t + play.dy}, p1{play.m11 * rr + play.dx, play.m22 * b + play.dy};
      if (!std::isfinite(p0.x) || !std::isfinite(p0.y) || !std::isfinite(p1.x) || !std::isfinite(p1.y)) continue;
      auto c = [](double v) { return static_cast<int32_t>(std::clamp(std::round(v), -1e9, 1e9)); };
      d = {c(std::min(p0.x, p1.x)), c(std::min(p0.y, p1.y)), c(std::max(p0.x, p1.x)), c(std::max(p0.y, p1.y))};
    }
    if (d.right > d.left && d.bottom > d.top) out.rects.push_back(d);
  }
  out = CombineRegion(Region{}, out, kRgnOr);  // overlapping rectangles made disjoint
  return true;
}

Path RegionPath(const Region& region) {
  Path p;
  for (const Rect& r : region.rects) {
    p.verbs.insert(p.verbs.end(),
                   {PathVerb::kMove, PathVerb::kLine, PathVerb::kLine, PathVerb::kLine, PathVerb::kClose});
    p.points.insert(p.points.end(), {{double(r.left), double(r.top)},
                                     {double(r.right), double(r.top)},
                                     {double(r.right), double(r.bottom)},
                                     {double(r.left), double(r.bottom)}});
  }
  return p;
}

void Player::RegionRecord(const EmfRecord& r) {
  Region region;
  switch (r.type) {
    case kEmrFillRgn: {
      if (!ReadRegion(r, 32, RecordU32(r, 24), true, region)) return;
      BrushDesc keep = s.brush;
      Select(RecordU32(r, 28));
      FillStyle f = Fill();
      s.brush = keep;
      Path p = RegionPath(region);
      dc->DrawPath(p, &f, nullptr);
      break;
    }
    case kEmrPaintRgn: {
      if (!ReadRegion(r, 28, RecordU32(r, 24), true, region)) return;
      FillStyle f = Fill();
      Path p = RegionPath(region);
      dc->DrawPath(p, &f, nullptr);
      break;
    }
    case kEmrFrameRgn: {
      if (!ReadRegion(r, 40, RecordU32(r, 24), true, region)) return;
      BrushDesc keep = s.brush;
      Select(RecordU32(r, 28));
      StrokeStyle st;
      st.colour = s.brush.colour;
      s.brush = keep;
      Path p = RegionPath(region);
      if (s.brush.style != kBrushNull) dc->DrawPath(p, nullptr, &st);
      break;
    }
    case kEmrInvertRgn: {
      if (!ReadRegion(r, 28, RecordU32(r, 24), true, region)) return;
      FillStyle f{kBrushSolid, 0xFFFFFF, 0, nullptr};
      int rop = dc->SetRop2(kR2Not);
      Path p = RegionPath(region);
      dc->DrawPath(p, &f, nullptr);
      dc->SetRop2(rop);
      break;
    }
    case kEmrExtSelectClipRgn: {
      uint32_t length = RecordU32(r, 8);
      int mode = static_cast<int>(RecordU32(r, 12));
      if (mode == kRgnCopy && length == 0) {
        s.clip.reset();
        dc->SelectClipRegion(nullptr);
        return;
      }
      if (!ReadRegion(r, 16, length, false, region)) return;
      Clip(region, mode);
      break;
    }
    default: break;
  }
}

void Player::ClipRect(const EmfRecord& r, bool exclude) {
  Rect d = DevRect(RecordI32(r, 8), RecordI32(r, 12), RecordI32(r, 16), RecordI32(r, 20));
  Region region;
  if (d.right > d.left && d.bottom > d.top) region.rects.push_back(d);
  Clip(region, exclude ? kRgnDiff : kRgnAnd);
}

void Player::OffsetClip(const EmfRecord& r) {
  if (!s.clip) return;
  const Xform& m = Full();
  double x = RecordI32(r, 8), y = RecordI32(r, 12);
  double dx = m.m11 * x + m.m21 * y, dy = m.m12 * x + m.m22 * y;
  if (!std::isfinite(dx) || !std::isfinite(dy)) return;
  Region moved = *s.clip;
  OffsetRegion(moved, static_cast<int64_t>(std::clamp(std::round(dx), -1e9, 1e9)),
               static_cast<int64_t>(std::clamp(std::round(dy), -1e9, 1e9)));
  s.clip = std::make_shared<const Region>(std::move(moved));
  dc->SelectClipRegion(s.clip.get());
}

// ---- The record loop ----

void Player::Header(const EmfRecord& r, const Rect& target) {
  EmfHeader h;
  ReadEmfHeader(r.bytes, r.size, h);
  rect = target;
  deviceWidth = h.deviceWidth > 0 ? h.deviceWidth : 1024;
  deviceHeight = h.deviceHeight > 0 ? h.deviceHeight : 768;
  mmWidth = h.millimetresWidth > 0 ? h.millimetresWidth : 320;
  mmHeight = h.millimetresHeight > 0 ? h.millimetresHeight : 240;
  // The frame, in reference-device pixels, goes onto the target rectangle;
  // a frame without area gives way to the bounds.
  double l = h.frame.left * deviceWidth / (mmWidth * 100.0), t = h.frame.top * deviceHeight / (mmHeight * 100.0);
  double rr = h.frame.right * deviceWidth / (mmWidth * 100.0), b = h.frame.bottom * deviceHeight / (mmHeight * 100.0);
  if (!(rr > l && b > t)) l = h.bounds.left, t = h.bounds.top, rr = h.bounds.right, b = h.bounds.bottom;
  if (!(rr > l)) rr = l + 1;
  if (!(b > t)) b = t + 1;
  double sx = (target.right - target.left) / (rr - l), sy = (target.bottom - target.top) / (b - t);
  play = {sx, 0, 0, sy, target.left - l * sx, target.top - t * sy};
  uint32_t handles = std::min(h.handles, kMaxHandles);
  objects.assign(std::max<uint32_t>(handles, 1), PlayerObject{});
  s = State{};
  s.font = DefaultFont();
  dirty = true;
  SyncDc();
}

int Player::Dispatch(const EmfRecord& r) {
  switch (r.type) {
    case kEmrSetWindowExtEx:
    case kEmrSetViewportExtEx:
      if (s.mapMode == kMmIsotropic || s.mapMode == kMmAnisotropic) {
        double x = RecordI32(r, 8), y = RecordI32(r, 12);
        if (x == 0 || y == 0) break;
        if (r.type == kEmrSetWindowExtEx)
          s.wex = x, s.wey = y;
        else
          s.vex = x, s.vey = y;
        dirty = true;
      }
      break;
    case kEmrSetWindowOrgEx: s.wox = RecordI32(r, 8), s.woy = RecordI32(r, 12), dirty = true; break;
    case kEmrSetViewportOrgEx: s.vox = RecordI32(r, 8), s.voy = RecordI32(r, 12), dirty = true; break;
    case kEmrScaleViewportExtEx:
    case kEmrScaleWindowExtEx: {
      if (s.mapMode != kMmIsotropic && s.mapMode != kMmAnisotropic) break;
      double xn = RecordI32(r, 8), xd = RecordI32(r, 12), yn = RecordI32(r, 16), yd = RecordI32(r, 20);
      if (xn == 0 || xd == 0 || yn == 0 || yd == 0) break;
      double& ex = r.type == kEmrScaleViewportExtEx ? s.vex : s.wex;
      double& ey = r.type == kEmrScaleViewportExtEx ? s.vey : s.wey;
      ex = ex * xn / xd, ey = ey * yn / yd;
      dirty = true;
      break;
    }
    case kEmrSetMapMode: SetMapMode(RecordU32(r, 8)); break;
    case kEmrSetWorldTransform: SetWorld(RecordXform(r, 8), 4); break;
    case kEmrModifyWorldTransform: SetWorld(RecordXform(r, 8), RecordU32(r, 32)); break;
    case kEmrSaveDc: SaveDc(); break;
    case kEmrRestoreDc: RestoreDc(RecordI32(r, 8)); break;
    case kEmrSetBkMode: {
      int mode = static_cast<int>(RecordU32(r, 8));
      if (mode == kTransparent || mode == kOpaque) s.bkMode = mode, dc->SetBkMode(mode);
      break;
    }
    case kEmrSetBkColor: s.bkColour = RecordU32(r, 8) & 0xFFFFFF, dc->SetBkColor(s.bkColour); break;
    case kEmrSetTextColor: s.textColour = RecordU32(r, 8) & 0xFFFFFF, dc->SetTextColor(s.textColour); break;
    case kEmrSetTextAlign: s.align = RecordU32(r, 8), dc->SetTextAlign(s.align); break;
    case kEmrSetPolyFillMode: {
      int mode = static_cast<int>(RecordU32(r, 8));
      if (mode == kAlternate || mode == kWinding) s.fillMode = mode, dc->SetPolyFillMode(mode);
      break;
    }
    case kEmrSetRop2: {
      int rop = static_cast<int>(RecordU32(r, 8));
      if (rop >= kR2Black && rop <= kR2White) s.rop2 = rop, dc->SetRop2(rop);
      break;
    }
    case kEmrSetStretchBltMode: {
      int mode = static_cast<int>(RecordU32(r, 8));
      if (mode >= 1 && mode <= 4) s.stretchMode = mode, dc->SetStretchBltMode(mode);
      break;
    }
    case kEmrSetMiterLimit: {
      float limit = RecordF32(r, 8);
      // Written as a float by most programs, as an integer by some.
      if (!(limit >= 1 && limit < 1e6)) limit = static_cast<float>(RecordU32(r, 8));
      if (limit >= 1 && limit < 1e6) s.miterLimit = limit;
      break;
    }
    case kEmrSetArcDirection: s.clockwise = RecordU32(r, 8) == 2; break;
    case kEmrSelectObject: Select(RecordU32(r, 8)); break;
    case kEmrDeleteObject: DeleteObject(RecordU32(r, 8)); break;
    case kEmrCreatePen: CreatePen(r); break;
    case kEmrExtCreatePen: ExtCreatePen(r); break;
    case kEmrCreateBrushIndirect: CreateBrush(r); break;
    case kEmrCreateDibPatternBrushPt:
    case kEmrCreateMonoBrush: CreatePatternBrush(r); break;
    case kEmrExtCreateFontIndirectW: CreateFont(r); break;
    case kEmrCreatePalette: CreatePalette(r); break;
    case kEmrSelectPalette: {
      uint32_t index = RecordU32(r, 8);
      s.palette =
          index < objects.size() && objects[index].kind == PlayerObject::kPalette ? static_cast<int32_t>(index) : -1;
      break;
    }
    case kEmrRectangle:
    case kEmrEllipse:
    case kEmrRoundRect:
    case kEmrArc:
    case kEmrArcTo:
    case kEmrChord:
    case kEmrPie: Shape(r); break;
    case kEmrMoveToEx:
    case kEmrLineTo:
    case kEmrAngleArc:
    case kEmrPolyline:
    case kEmrPolyline16:
    case kEmrPolygon:
    case kEmrPolygon16:
    case kEmrPolyBezier:
    case kEmrPolyBezier16:
    case kEmrPolylineTo:
    case kEmrPolylineTo16:
    case kEmrPolyBezierTo:
    case kEmrPolyBezierTo16:
    case kEmrPolyDraw:
    case kEmrPolyDraw16:
    case kEmrPolyPolyline:
    case kEmrPolyPolyline16:
    case kEmrPolyPolygon:
    case kEmrPolyPolygon16: Lines(r); break;
    case kEmrBeginPath:
    case kEmrEndPath:
    case kEmrAbortPath:
    case kEmrCloseFigure:
    case kEmrFlattenPath:
    case kEmrWidenPath:
    case kEmrFillPath:
    case kEmrStrokePath:
    case kEmrStrokeAndFillPath:
    case kEmrSelectClipPath: PathRecord(r); break;
    case kEmrIntersectClipRect: ClipRect(r, false); break;
    case kEmrExcludeClipRect: ClipRect(r, true); break;
    case kEmrOffsetClipRgn: OffsetClip(r); break;
    case kEmrFillRgn:
    case kEmrPaintRgn:
    case kEmrFrameRgn:
    case kEmrInvertRgn:
    case kEmrExtSelectClipRgn: RegionRecord(r); break;
    case kEmrExtTextOutA:
    case kEmrExtTextOutW:
    case kEmrPolyTextOutA:
    case kEmrPolyTextOutW:
    case kEmrSmallTextOut: Text(r); break;
    case kEmrBitBlt:
    case kEmrStretchBlt:
    case kEmrMaskBlt:
    case kEmrPlgBlt:
    case kEmrSetDiBitsToDevice:
    case kEmrStretchDiBits:
    case kEmrAlphaBlend:
    case kEmrTransparentBlt: Bitmap(r); break;
    default: break;  // comments (EMF+ among them) and records not drawn
  }
  return 1;
}

int PlayEmf(DeviceContext* dc, const uint8_t* bytes, uint64_t size, const Rect& rect) {
  EmfHeader header;
  if (!dc || !ReadEmfHeader(bytes, size, header)) return 0;
  auto player = std::make_unique<Player>();
  player->dc = dc;
  EmfWalker walk{bytes, size};
  EmfRecord r;
  while (walk.Next(r)) {
    if (r.type == kEmrHeader)
      player->Header(r, rect);
    else
      player->Dispatch(r);
  }
  dc->SelectClipRegion(nullptr);
  dc->SetRop2(kR2CopyPen);
  return walk.ended ? 1 : 0;
}

}  // namespace platform
