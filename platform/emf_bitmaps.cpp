// The player's bitmap records and pattern brushes: device-independent bitmaps
// decoded from within their record and drawn by the painter's blitter onto
// the parallelogram their destination maps to.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/dib.h"
#include "platform/emf_player_state.h"

namespace platform {

namespace {

// Fields of the records' source bitmaps: info offset and size, bits offset and size.
struct DibAt {
  uint32_t offInfo, infoSize, offBits, bitsSize;
};

// Where each record keeps its fields (0: the record has none).
struct BlitLayout {
  uint32_t dest;  // x, y, then (for the blit forms) width, height
  uint32_t rop;
  uint32_t source;      // x, y
  uint32_t sourceSize;  // width, height (0: the destination's)
  uint32_t usage;
  uint32_t dib;  // four words: DibAt
};

constexpr BlitLayout kBitBlt = {24, 40, 44, 0, 80, 84};
constexpr BlitLayout kStretchBlt = {24, 40, 44, 100, 80, 84};
constexpr BlitLayout kMaskBlt = {24, 40, 44, 0, 80, 84};

constexpr int64_t kDibPixelsAlways = int64_t{1} << 22;
constexpr int64_t kDibPixelsPerByte = 256;

int32_t Clamp(double v) { return static_cast<int32_t>(std::clamp(std::round(v), -1e9, 1e9)); }

// Decodes the bitmap whose fields start at `at`; false when it has none or
// it does not lie within the record.
// With `rows` > 0 (SETDIBITSTODEVICE's scan count) the bits hold only that
// many rows, and the image is made of them alone.
bool DecodeAt(Player& p, const EmfRecord& r, uint32_t at, uint32_t usage, const ColourRef* mono, DibImage& image,
              int64_t rows = 0) {
  DibAt d{RecordU32(r, at), RecordU32(r, at + 4), RecordU32(r, at + 8), RecordU32(r, at + 12)};
  if (d.infoSize < 12 || !RecordHas(r, d.offInfo, d.infoSize) || !RecordHas(r, d.offBits, d.bitsSize)) return false;
  // Run-length bits may claim a picture far larger than themselves: beyond a
  // few million pixels, one is decoded only as far as its bytes could fill it.
  const uint8_t* info = r.bytes + d.offInfo;
  bool core = Le32(info) == 12;
  int64_t w = core ? Le16(info + 4) : std::abs(static_cast<int64_t>(LeI32(info + 4)));
  int64_t h = core ? Le16(info + 6) : std::abs(static_cast<int64_t>(LeI32(info + 8)));
  if (w * h > std::max<int64_t>(kDibPixelsAlways, kDibPixelsPerByte * static_cast<int64_t>(d.bitsSize))) return false;
  DibColours colours;
  colours.usage = usage == kDibPalColours ? kDibPalColours : kDibRgbColours;
  if (p.s.palette >= 0 && static_cast<size_t>(p.s.palette) < p.objects.size()) {
    const std::vector<uint8_t>& pal = p.objects[p.s.palette].palette;
    colours.palette = pal.data();
    colours.paletteCount = static_cast<int>(pal.size() / 4);
  }
  colours.mono = mono;
  if (rows > 0 && !core && d.infoSize >= 40 && rows < h) {
    std::vector<uint8_t> part(info, info + d.infoSize);
    int32_t height = static_cast<int32_t>(LeI32(info + 8) < 0 ? -rows : rows);
    std::memcpy(part.data() + 8, &height, 4);
    return DecodeDib(part.data(), d.infoSize, r.bytes + d.offBits, d.bitsSize, colours, image) != 0;
  }
  return DecodeDib(r.bytes + d.offInfo, d.infoSize, r.bytes + d.offBits, d.bitsSize, colours, image) != 0;
}

}  // namespace

void Player::CreatePatternBrush(const EmfRecord& r) {
  PlayerObject* o = Slot(RecordU32(r, 8));
  if (!o) return;
  o->kind = PlayerObject::kBrush;
  o->brush = {kBrushSolid, 0x808080, 0, {}};
  // A monochrome brush takes the text and background colours.
  ColourRef mono[2] = {s.textColour, s.bkColour};
  auto image = std::make_shared<DibImage>();
  if (!DecodeAt(*this, r, 16, RecordU32(r, 12), r.type == kEmrCreateMonoBrush ? mono : nullptr, *image)) return;
  o->brush.style = kBrushPattern;
  o->brush.pattern = std::move(image);
}

void Player::Bitmap(const EmfRecord& r) {
  if (inPath) return;
  Full();
  if (!valid) return;
  BlitOp op;
  op.pattern.colour = s.brush.colour;
  op.pattern.image = s.brush.style == kBrushPattern ? s.brush.pattern.get() : nullptr;
  BlitSource source;
  source.stretchMode = s.stretchMode;
  DibImage image, mask;
  // The destination's corners: top-left, top-right, bottom-left.
  auto corners = [&](double x, double y, double w, double h, Point out[3]) {
    DPoint a = Dev(x, y), b = Dev(x + w, y), c = Dev(x, y + h);
    out[0] = {Clamp(a.x), Clamp(a.y)};
    out[1] = {Clamp(b.x), Clamp(b.y)};
    out[2] = {Clamp(c.x), Clamp(c.y)};
  };
  Point dest[3];
  int32_t sx = 0, sy = 0, sw = 0, sh = 0;
  bool haveSource = false;
  switch (r.type) {
    case kEmrBitBlt:
    case kEmrStretchBlt:
    case kEmrMaskBlt:
    case kEmrAlphaBlend:
    case kEmrTransparentBlt: {
      const BlitLayout& l = r.type == kEmrMaskBlt ? kMaskBlt : r.type == kEmrBitBlt ? kBitBlt : kStretchBlt;
      if (r.size < 100) return;
      double x = RecordI32(r, l.dest), y = RecordI32(r, l.dest + 4);
      double w = RecordI32(r, l.dest + 8), h = RecordI32(r, l.dest + 12);
      corners(x, y, w, h, dest);
      op.rop = RecordU32(r, l.rop);
      haveSource = DecodeAt(*this, r, l.dib, RecordU32(r, l.usage), nullptr, image);
      sx = RecordI32(r, l.source), sy = RecordI32(r, l.source + 4);
      sw = static_cast<int32_t>(w), sh = static_cast<int32_t>(h);
      if (l.sourceSize && r.size >= 108) sw = RecordI32(r, l.sourceSize), sh = RecordI32(r, l.sourceSize + 4);
      if (r.type == kEmrAlphaBlend) {
        op.kind = BlitKind::kAlpha;
        op.constantAlpha = r.bytes[42];
        op.sourceAlpha = (r.bytes[43] & 1) != 0;
      } else if (r.type == kEmrTransparentBlt) {
        op.kind = BlitKind::kTransparent;
        op.transparent = RecordU32(r, 40) & 0xFFFFFF;
      } else if (r.type == kEmrMaskBlt && r.size >= 128) {
        static constexpr ColourRef kMaskColours[2] = {0x000000, 0xFFFFFF};
        if (DecodeAt(*this, r, 112, RecordU32(r, 108), kMaskColours, mask)) {
          op.kind = BlitKind::kMask;
          op.mask = &mask;
          op.maskX = RecordI32(r, 100), op.maskY = RecordI32(r, 104);
        } else {
          op.rop &= 0x00FFFFFF;
        }
      }
      if (!haveSource && (op.kind != BlitKind::kRop || RopUsesSource(op.rop))) return;
      break;
    }
    case kEmrPlgBlt: {
      if (r.size < 140) return;
      for (int i = 0; i < 3; ++i) {
        DPoint q = Dev(RecordI32(r, 24 + 8 * i), RecordI32(r, 28 + 8 * i));
        dest[i] = {Clamp(q.x), Clamp(q.y)};
      }
      sx = RecordI32(r, 48), sy = RecordI32(r, 52), sw = RecordI32(r, 56), sh = RecordI32(r, 60);
      haveSource = DecodeAt(*this, r, 96, RecordU32(r, 92), nullptr, image);
      if (!haveSource) return;
      static constexpr ColourRef kMaskColours[2] = {0x000000, 0xFFFFFF};
      if (DecodeAt(*this, r, 124, RecordU32(r, 120), kMaskColours, mask)) {
        op.kind = BlitKind::kMask;
        op.rop = 0xAACC0020;  // source where the mask is set, destination elsewhere
        op.mask = &mask;
        op.maskX = RecordI32(r, 112), op.maskY = RecordI32(r, 116);
      }
      break;
    }
    case kEmrStretchDiBits:
    case kEmrSetDiBitsToDevice: {
      if (r.size < (r.type == kEmrStretchDiBits ? 80u : 76u)) return;
      double x = RecordI32(r, 24), y = RecordI32(r, 28);
      sx = RecordI32(r, 32), sy = RecordI32(r, 36), sw = RecordI32(r, 40), sh = RecordI32(r, 44);
      uint32_t usage = RecordU32(r, 64);
      uint32_t infoAt = RecordU32(r, 48);
      bool bottomUp = RecordHas(r, infoAt, 12) && RecordU32(r, infoAt) >= 40 && RecordI32(r, infoAt + 8) > 0;
      int64_t fullHeight = RecordHas(r, infoAt, 12) && RecordU32(r, infoAt) >= 40
                               ? std::abs(static_cast<int64_t>(RecordI32(r, infoAt + 8)))
                               : 0;
      int64_t start = 0, scans = 0;
      if (r.type == kEmrSetDiBitsToDevice) start = RecordU32(r, 68), scans = RecordU32(r, 72);
      if (scans <= 0 || scans >= fullHeight) start = 0, scans = 0;
      haveSource = DecodeAt(*this, r, 48, usage, nullptr, image, scans);
      if (r.type == kEmrStretchDiBits) {
        op.rop = RecordU32(r, 68);
        corners(x, y, RecordI32(r, 72), RecordI32(r, 76), dest);
        if (!haveSource && RopUsesSource(op.rop)) return;
      } else {
        if (!haveSource) return;
        // Drawn pixel for pixel from the mapped origin.
        DPoint a = Dev(x, y);
        dest[0] = {Clamp(a.x), Clamp(a.y)};
        dest[1] = {Clamp(a.x + sw), Clamp(a.y)};
        dest[2] = {Clamp(a.x), Clamp(a.y + sh)};
      }
      // The source rectangle of these records counts rows from the bottom of
      // a bottom-up bitmap; a band of scan lines starts `start` rows in.
      int64_t top = bottomUp ? (scans ? fullHeight : image.height) - sy - sh : sy;
      if (scans) top -= bottomUp ? fullHeight - start - scans : start;
      sy = static_cast<int32_t>(std::clamp<int64_t>(top, INT32_MIN, INT32_MAX));
      break;
    }
    default: return;
  }
  if (haveSource) source.image = &image;
  if (sw == 0 || sh == 0) return;
  if (!MapParallelogram(sx, sy, sw, sh, dest, source)) return;
  dc->Blit(source, op);
}

}  // namespace platform
