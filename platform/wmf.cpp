// Windows metafile records to their enhanced-metafile counterparts. Two passes:
// the first finds the picture's logical window (window records, else the box of
// the coordinates), the second writes the header, a prologue that maps that
// window onto device units one for one, and the translated records.
#include "platform/wmf.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "model/cp1252.h"
#include "platform/emf_records.h"

namespace platform {
namespace {

constexpr uint32_t kWmfHeaderBytes = 18;
constexpr uint32_t kRecordHeadBytes = 6;  // size in words (u32), function (u16)
constexpr uint32_t kMaxObjects = 65536;   // WMF object indices are 16-bit
constexpr uint32_t kMaxSlots = 65534;     // EMF handle counts are 16-bit and include handle 0
constexpr int32_t kMaxTrackedSaves = 1024;
// The reference device: a 96-dpi screen of 1024 x 768 pixels.
constexpr int32_t kReferenceDpi = 96;
constexpr int32_t kReferenceWidth = 1024;
constexpr int32_t kReferenceHeight = 768;
constexpr float kTextScale = 2540.0f / kReferenceDpi;  // 0.01 mm per device unit

// WMF functions.
enum : uint16_t {
  kMetaEof = 0x0000,
  kMetaSaveDc = 0x001E,
  kMetaRealizePalette = 0x0035,
  kMetaCreatePalette = 0x00F7,
  kMetaSetBkMode = 0x0102,
  kMetaSetMapMode = 0x0103,
  kMetaSetRop2 = 0x0104,
  kMetaSetPolyFillMode = 0x0106,
  kMetaSetStretchBltMode = 0x0107,
  kMetaRestoreDc = 0x0127,
  kMetaSelectObject = 0x012D,
  kMetaSetTextAlign = 0x012E,
  kMetaDibCreatePatternBrush = 0x0142,
  kMetaDeleteObject = 0x01F0,
  kMetaCreatePatternBrush = 0x01F9,
  kMetaSetBkColor = 0x0201,
  kMetaSetTextColor = 0x0209,
  kMetaSetWindowOrg = 0x020B,
  kMetaSetWindowExt = 0x020C,
  kMetaSetViewportOrg = 0x020D,
  kMetaSetViewportExt = 0x020E,
  kMetaOffsetWindowOrg = 0x020F,
  kMetaOffsetViewportOrg = 0x0211,
  kMetaLineTo = 0x0213,
  kMetaMoveTo = 0x0214,
  kMetaCreatePenIndirect = 0x02FA,
  kMetaCreateFontIndirect = 0x02FB,
  kMetaCreateBrushIndirect = 0x02FC,
  kMetaPolygon = 0x0324,
  kMetaPolyline = 0x0325,
  kMetaScaleWindowExt = 0x0410,
  kMetaScaleViewportExt = 0x0412,
  kMetaExcludeClipRect = 0x0415,
  kMetaIntersectClipRect = 0x0416,
  kMetaEllipse = 0x0418,
  kMetaRectangle = 0x041B,
  kMetaTextOut = 0x0521,
  kMetaPolyPolygon = 0x0538,
  kMetaRoundRect = 0x061C,
  kMetaCreateRegion = 0x06FF,
  kMetaArc = 0x0817,
  kMetaPie = 0x081A,
  kMetaChord = 0x0830,
  kMetaDibBitBlt = 0x0940,
  kMetaExtTextOut = 0x0A32,
  kMetaPatBlt = 0x061D,
  kMetaBitBlt = 0x0922,
  kMetaStretchBlt = 0x0B23,
  kMetaDibStretchBlt = 0x0B41,
  kMetaSetDibToDev = 0x0D33,
  kMetaStretchDib = 0x0F43,
};

constexpr uint32_t kGraphicsModeCompatible = 1;
constexpr uint16_t kTextOptionsWithRect = 0x0006;  // ETO_OPAQUE | ETO_CLIPPED
constexpr uint32_t kLogFontWBytes = 92;
constexpr uint32_t kExtLogFontWBytes = 320;  // what real files carry after the handle
constexpr uint32_t kFaceBytes = 32;

// One WMF record: its bytes and its 16-bit parameters, read bounds-checked.
struct WmfRecord {
  const uint8_t* bytes;
  uint32_t size;  // bytes
  uint16_t function;

  uint32_t Params() const { return (size - kRecordHeadBytes) / 2; }
  uint16_t U16(uint32_t i) const {
    uint32_t at = kRecordHeadBytes + 2 * i;
    return at + 2 <= size ? Le16(bytes + at) : 0;
  }
  int16_t I16(uint32_t i) const { return static_cast<int16_t>(U16(i)); }
  uint32_t U32(uint32_t i) const { return U16(i) | static_cast<uint32_t>(U16(i + 1)) << 16; }
  // Bytes from parameter i on.
  const uint8_t* From(uint32_t i) const { return bytes + kRecordHeadBytes + 2 * i; }
  uint32_t BytesFrom(uint32_t i) const {
    uint64_t at = kRecordHeadBytes + 2 * static_cast<uint64_t>(i);
    return at < size ? static_cast<uint32_t>(size - at) : 0;
  }
};

// Walks the records after the 18-byte header. A record shorter than its head
// or running past the end of the bytes ends the walk, as the end record does.
struct RecordWalk {
  const uint8_t* bytes;
  int64_t size;
  int64_t at;

  bool Next(WmfRecord& r) {
    if (at < 0 || size - at < kRecordHeadBytes) return false;
    uint64_t bytesInRecord = static_cast<uint64_t>(Le32(bytes + at)) * 2;
    if (bytesInRecord < kRecordHeadBytes || bytesInRecord > static_cast<uint64_t>(size - at)) return false;
    r = {bytes + at, static_cast<uint32_t>(bytesInRecord), Le16(bytes + at + 4)};
    if (r.function == kMetaEof) return false;
    at += static_cast<int64_t>(bytesInRecord);
    return true;
  }
};

// The growing EMF output. Any failure (too large, no memory) sticks.
struct Output {
  uint8_t* data;
  int64_t size;
  int64_t capacity;
  bool failed;
  uint32_t records;
};

bool Reserve(Output& o, int64_t more) {
  if (o.failed) return false;
  int64_t need = o.size + more;
  if (more < 0 || need > kMaxEmfBytes) {
    o.failed = true;
    return false;
  }
  if (need <= o.capacity) return true;
  int64_t capacity = o.capacity ? o.capacity : 4096;
  while (capacity < need) capacity *= 2;
  if (capacity > kMaxEmfBytes) capacity = kMaxEmfBytes;
  uint8_t* grown = static_cast<uint8_t*>(std::realloc(o.data, static_cast<size_t>(capacity)));
  if (!grown) {
    o.failed = true;
    return false;
  }
  o.data = grown;
  o.capacity = capacity;
  return true;
}

void PutBytes(Output& o, const void* p, int64_t n) {
  if (n <= 0 || !Reserve(o, n)) return;
  std::memcpy(o.data + o.size, p, static_cast<size_t>(n));
  o.size += n;
}
void Put32(Output& o, uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  PutBytes(o, b, 4);
}
void PutI32(Output& o, int32_t v) { Put32(o, static_cast<uint32_t>(v)); }
void Put16(Output& o, uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  PutBytes(o, b, 2);
}
void PutF32(Output& o, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  Put32(o, bits);
}
void PadTo4(Output& o) {
  static const uint8_t zeros[4] = {};
  PutBytes(o, zeros, (4 - o.size % 4) % 4);
}
void Set32(Output& o, int64_t at, uint32_t v) {
  if (o.failed || at + 4 > o.size) return;
  for (int i = 0; i < 4; ++i) o.data[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

int64_t Begin(Output& o, uint32_t type) {
  int64_t start = o.size;
  Put32(o, type);
  Put32(o, 0);
  return start;
}
void End(Output& o, int64_t start) {
  PadTo4(o);
  Set32(o, start + 4, static_cast<uint32_t>(o.size - start));
  ++o.records;
}

// A record of 32-bit fields.
void Simple(Output& o, uint32_t type, std::initializer_list<int32_t> fields) {
  int64_t start = Begin(o, type);
  for (int32_t f : fields) PutI32(o, f);
  End(o, start);
}

void PutEmptyBounds(Output& o) {
  for (int32_t v : {0, 0, -1, -1}) PutI32(o, v);
}

struct Box {
  int64_t minX, minY, maxX, maxY;
  bool any;
  void Add(int64_t x, int64_t y) {
    if (!any || x < minX) minX = x;
    if (!any || y < minY) minY = y;
    if (!any || x > maxX) maxX = x;
    if (!any || y > maxY) maxY = y;
    any = true;
  }
};

// The picture's logical window as the first pass finds it.
struct Frame {
  bool hasOrg, hasExt;
  int32_t orgX, orgY, extX, extY;
  Box box;  // coordinates less the window origin in force, for pictures without extents
};

// Number of points a poly record holds, trusting its count only as far as the record goes.
uint32_t PolyPoints(const WmfRecord& r, uint32_t countParam, uint32_t firstPoint) {
  uint32_t count = r.U16(countParam);
  uint32_t held = r.Params() > firstPoint ? (r.Params() - firstPoint) / 2 : 0;
  return count < held ? count : held;
}

// The fields of the blit records: PATBLT, the old BITBLT and STRETCHBLT (a
// device-dependent BITMAP16), their DIB forms, STRETCHDIB and SETDIBTODEV.
// The blit forms without a bitmap (record size: the high byte of the function
// + 3 words) carry a reserved word before the coordinates.
struct Blit {
  int32_t dest[4], src[4];  // x, y, width, height
  uint32_t rop, usage, startScan, scans;
  uint32_t bitmap;  // parameter where the bitmap starts; 0 for none
};

bool ReadBlit(const WmfRecord& r, Blit& b) {
  uint32_t n = r.Params();
  b = Blit{};
  b.rop = r.U32(0);
  bool none = r.size / 2 == (r.function >> 8) + 3u;
  // From `at`: [source height, source width,] source y, source x, height, width, y, x.
  auto coords = [&](uint32_t at, bool stretch) {
    uint32_t d = stretch ? at + 2 : at;
    b.dest[0] = r.I16(d + 5), b.dest[1] = r.I16(d + 4), b.dest[2] = r.I16(d + 3), b.dest[3] = r.I16(d + 2);
    b.src[0] = r.I16(d + 1), b.src[1] = r.I16(d);
    b.src[2] = stretch ? r.I16(at + 1) : b.dest[2];
    b.src[3] = stretch ? r.I16(at) : b.dest[3];
  };
  switch (r.function) {
    case kMetaPatBlt:
      if (n < 6) return false;
      b.dest[0] = r.I16(5), b.dest[1] = r.I16(4), b.dest[2] = r.I16(3), b.dest[3] = r.I16(2);
      return true;
    case kMetaBitBlt:
    case kMetaDibBitBlt:
    case kMetaStretchBlt:
    case kMetaDibStretchBlt: {
      bool stretch = r.function == kMetaStretchBlt || r.function == kMetaDibStretchBlt;
      uint32_t fixed = stretch ? 10 : 8;  // parameters before the bitmap
      if (n < fixed + none) return false;
      coords(none ? 3 : 2, stretch);
      b.bitmap = none ? 0 : fixed;
      return true;
    }
    case kMetaStretchDib:
      if (n < 11) return false;
      b.usage = r.U16(2);
      coords(3, true);
      b.bitmap = 11;
      return true;
    case kMetaSetDibToDev:
      if (n < 9) return false;
      b.usage = r.U16(0), b.scans = r.U16(1), b.startScan = r.U16(2);
      coords(3, false);
      b.bitmap = 9;
      return true;
    default: return false;
  }
}

Frame FindFrame(const uint8_t* bytes, int64_t size) {
  Frame f{};
  int32_t orgX = 0, orgY = 0;
  RecordWalk walk{bytes, size, kWmfHeaderBytes};
  WmfRecord r;
  auto add = [&](int32_t x, int32_t y) { f.box.Add(static_cast<int64_t>(x) - orgX, static_cast<int64_t>(y) - orgY); };
  while (walk.Next(r)) {
    uint32_t n = r.Params();
    switch (r.function) {
      case kMetaSetWindowOrg:
        if (n < 2) break;
        orgX = r.I16(1), orgY = r.I16(0);
        if (!f.hasOrg) f.hasOrg = true, f.orgX = orgX, f.orgY = orgY;
        break;
      case kMetaOffsetWindowOrg:
        if (n >= 2) orgX += r.I16(1), orgY += r.I16(0);
        break;
      case kMetaSetWindowExt:
        if (n >= 2 && !f.hasExt) f.hasExt = true, f.extX = r.I16(1), f.extY = r.I16(0);
        break;
      case kMetaMoveTo:
      case kMetaLineTo:
        if (n >= 2) add(r.I16(1), r.I16(0));
        break;
      case kMetaRectangle:
      case kMetaEllipse:
      case kMetaRoundRect:
      case kMetaArc:
      case kMetaPie:
      case kMetaChord: {
        uint32_t first = r.function == kMetaRoundRect                                   ? 2
                         : (r.function == kMetaRectangle || r.function == kMetaEllipse) ? 0
                                                                                        : 4;
        if (n < first + 4) break;
        add(r.I16(first + 3), r.I16(first + 2));
        add(r.I16(first + 1), r.I16(first));
        break;
      }
      case kMetaPolygon:
      case kMetaPolyline: {
        uint32_t points = PolyPoints(r, 0, 1);
        for (uint32_t i = 0; i < points; ++i) add(r.I16(1 + 2 * i), r.I16(2 + 2 * i));
        break;
      }
      case kMetaPolyPolygon: {
        uint32_t parts = r.U16(0);
        if (n < 1 + parts) break;
        uint32_t first = 1 + parts;
        for (uint32_t i = first; i + 1 < n; i += 2) add(r.I16(i), r.I16(i + 1));
        break;
      }
      case kMetaTextOut: {
        uint32_t at = 1 + (r.U16(0) + 1u) / 2;
        if (n >= at + 2) add(r.I16(at + 1), r.I16(at));
        break;
      }
      case kMetaExtTextOut:
        if (n >= 2) add(r.I16(1), r.I16(0));
        break;
      default: {
        Blit b;
        if (!ReadBlit(r, b)) break;  // not a blit
        add(b.dest[0], b.dest[1]);
        add(b.dest[0] + b.dest[2], b.dest[1] + b.dest[3]);
        break;
      }
    }
  }
  return f;
}

// The object table: lowest free slot first, as WMF numbers its objects. Slot s
// becomes EMF handle s + 1 (handle 0 is the metafile itself). Objects with no
// EMF form here (palettes, regions, old pattern brushes) hold their slot so
// that the numbering of later objects stays right.
enum SlotKind : uint8_t { kFree = 0, kTranslated = 1, kPlaceholder = 2 };
constexpr uint32_t kWordsPerSummary = 64;

struct ObjectTable {
  uint8_t kind[kMaxObjects];
  uint64_t used[kMaxObjects / 64];                     // bit set: slot taken
  uint64_t full[kMaxObjects / 64 / kWordsPerSummary];  // bit set: that word of `used` is full
  uint32_t maxHandle;

  // The lowest free slot, or kMaxObjects when the table is full.
  uint32_t LowestFree() const {
    for (uint32_t s = 0; s < sizeof full / sizeof full[0]; ++s) {
      if (full[s] == ~uint64_t{0}) continue;
      uint32_t w = s * 64 + static_cast<uint32_t>(__builtin_ctzll(~full[s]));
      return w * 64 + static_cast<uint32_t>(__builtin_ctzll(~used[w]));
    }
    return kMaxObjects;
  }
  void Take(uint32_t slot, SlotKind k) {
    kind[slot] = k;
    used[slot / 64] |= uint64_t{1} << (slot % 64);
    if (used[slot / 64] == ~uint64_t{0}) full[slot / 4096] |= uint64_t{1} << (slot / 64 % 64);
    if (slot + 1 > maxHandle) maxHandle = slot + 1;
  }
  void Release(uint32_t slot) {
    kind[slot] = kFree;
    used[slot / 64] &= ~(uint64_t{1} << (slot % 64));
    full[slot / 4096] &= ~(uint64_t{1} << (slot / 64 % 64));
  }
};
static_assert(kMaxObjects % (64 * kWordsPerSummary) == 0);

struct Converter {
  Output out;
  ObjectTable objects;
  // Origins, tracked for the offset records, which have no EMF form.
  int32_t windowOrgX, windowOrgY, viewportOrgX, viewportOrgY;
  int32_t savedOrgs[kMaxTrackedSaves][4];
  int32_t savedCount;
};

// Bytes of a DIB's header and colour table, or 0 when they do not fit in `size`.
uint32_t DibInfoBytes(const uint8_t* dib, uint32_t size, uint32_t usage) {
  if (size < 12) return 0;
  uint32_t headerSize = Le32(dib);
  uint64_t colours = 0, entry = usage == 1 ? 2 : 4, extra = 0;
  if (headerSize == 12) {
    uint16_t bits = Le16(dib + 10);
    colours = bits <= 8 ? uint64_t{1} << bits : 0;
    if (usage != 1) entry = 3;
  } else {
    if (headerSize < 40 || size < 40) return 0;
    uint16_t bits = Le16(dib + 14);
    uint32_t compression = Le32(dib + 16), used = Le32(dib + 32);
    colours = used ? used : bits <= 8 ? uint64_t{1} << bits : 0;
    if (headerSize == 40 && compression == 3) extra = 12;  // bit-field masks
    if (headerSize == 40 && compression == 6) extra = 16;
  }
  uint64_t total = headerSize + colours * entry + extra;
  return total <= size ? static_cast<uint32_t>(total) : 0;
}

// A DIB's header and colour table, padded, then its bits.
void PutDib(Output& o, const uint8_t* dib, uint32_t info, uint32_t bits) {
  PutBytes(o, dib, info);
  PadTo4(o);
  PutBytes(o, dib + info, bits);
}

// EMR_STRETCHDIBITS: fixed fields, then the DIB header and bits, each padded.
void StretchDib(Output& o, const int32_t dest[4], const int32_t src[4], uint32_t usage, uint32_t rop,
                const uint8_t* dib, uint32_t dibSize) {
  uint32_t info = DibInfoBytes(dib, dibSize, usage);
  if (!info) return;
  uint32_t bits = dibSize - info;
  uint32_t infoPadded = (info + 3) / 4 * 4;
  int64_t start = Begin(o, kEmrStretchDiBits);
  PutI32(o, dest[0]);
  PutI32(o, dest[1]);
  PutI32(o, dest[0] + dest[2]);
  PutI32(o, dest[1] + dest[3]);
  for (int32_t v : {dest[0], dest[1], src[0], src[1], src[2], src[3]}) PutI32(o, v);
  Put32(o, 80);
  Put32(o, info);
  Put32(o, 80 + infoPadded);
  Put32(o, bits);
  Put32(o, usage);
  Put32(o, rop);
  PutI32(o, dest[2]);
  PutI32(o, dest[3]);
  PutDib(o, dib, info, bits);
  End(o, start);
}

// EMR_SETDIBITSTODEVICE: the bitmap pixel for pixel at the mapped point.
void DibToDevice(Output& o, const int32_t dest[4], const int32_t src[4], uint32_t usage, uint32_t startScan,
                 uint32_t scans, const uint8_t* dib, uint32_t dibSize) {
  uint32_t info = DibInfoBytes(dib, dibSize, usage);
  if (!info) return;
  uint32_t bits = dibSize - info;
  uint32_t infoPadded = (info + 3) / 4 * 4;
  int64_t start = Begin(o, kEmrSetDiBitsToDevice);
  for (int32_t v : {dest[0], dest[1], dest[0] + dest[2], dest[1] + dest[3], dest[0], dest[1]}) PutI32(o, v);
  for (int32_t v : {src[0], src[1], src[2], src[3]}) PutI32(o, v);
  for (uint32_t v : {76u, info, 76 + infoPadded, bits, usage, startScan, scans}) Put32(o, v);
  PutDib(o, dib, info, bits);
  End(o, start);
}

// EMR_BITBLT without a source: the brush (or a constant) under the raster operation.
void PatternBlit(Output& o, const int32_t dest[4], uint32_t rop) {
  int64_t start = Begin(o, kEmrBitBlt);
  PutEmptyBounds(o);
  for (int i = 0; i < 4; ++i) PutI32(o, dest[i]);
  Put32(o, rop);
  PutI32(o, 0);
  PutI32(o, 0);
  for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) PutF32(o, f);
  for (int i = 0; i < 6; ++i) Put32(o, 0);  // background colour, usage, no bitmap
  End(o, start);
}

// A BITMAP16 (type, width, height, bytes per row, planes, bits per pixel,
// then rows top-down) as a top-down DIB; empty when its form has no DIB
// counterpart here or its rows do not fit in `size`.
std::vector<uint8_t> Bitmap16ToDib(const uint8_t* p, uint32_t size) {
  if (size < 10) return {};
  int32_t width = static_cast<int16_t>(Le16(p + 2)), height = static_cast<int16_t>(Le16(p + 4));
  int32_t rowBytes = static_cast<int16_t>(Le16(p + 6));
  uint8_t planes = p[8], bitsPerPixel = p[9];
  bool known = bitsPerPixel == 1 || bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
  if (!known || planes != 1 || width <= 0 || height <= 0 ||
      static_cast<int64_t>(width) * bitsPerPixel > static_cast<int64_t>(rowBytes) * 8 ||
      static_cast<int64_t>(rowBytes) * height > static_cast<int64_t>(size) - 10)
    return {};
  uint32_t stride = (static_cast<uint32_t>(width) * bitsPerPixel + 31) / 32 * 4;
  uint32_t table = bitsPerPixel == 1 ? 8 : 0;
  std::vector<uint8_t> dib(40 + table + static_cast<size_t>(stride) * static_cast<uint32_t>(height));
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, static_cast<uint32_t>(width));
  put32(8, static_cast<uint32_t>(-height));  // top-down, as the BITMAP16 rows are
  put32(12, 1u | static_cast<uint32_t>(bitsPerPixel) << 16);
  if (table) put32(44, 0xFFFFFF);  // monochrome: 0 black, 1 white
  for (int32_t y = 0; y < height; ++y)
    std::memcpy(dib.data() + 40 + table + static_cast<size_t>(y) * stride, p + 10 + static_cast<size_t>(y) * rowBytes,
                std::min<uint32_t>(stride, static_cast<uint32_t>(rowBytes)));
  return dib;
}

void BlitRecord(Converter& c, const WmfRecord& r) {
  Blit b;
  if (!ReadBlit(r, b)) return;  // not a blit, or too short
  if (!b.bitmap) return PatternBlit(c.out, b.dest, b.rop);
  const uint8_t* bitmap = r.From(b.bitmap);
  uint32_t bytes = r.BytesFrom(b.bitmap);
  if (r.function == kMetaSetDibToDev)
    return DibToDevice(c.out, b.dest, b.src, b.usage, b.startScan, b.scans, bitmap, bytes);
  if (r.function == kMetaBitBlt || r.function == kMetaStretchBlt) {
    std::vector<uint8_t> dib = Bitmap16ToDib(bitmap, bytes);
    if (!dib.empty()) StretchDib(c.out, b.dest, b.src, 0, b.rop, dib.data(), static_cast<uint32_t>(dib.size()));
    return;
  }
  StretchDib(c.out, b.dest, b.src, b.usage, b.rop, bitmap, bytes);
}

bool CreateSlot(Converter& c, SlotKind kind, uint32_t& handle) {
  uint32_t slot = c.objects.LowestFree();
  if (slot >= kMaxSlots) return false;
  c.objects.Take(slot, kind);
  handle = slot + 1;
  return true;
}

void CreatePen(Converter& c, const WmfRecord& r) {
  uint32_t handle;
  if (r.Params() < 5 || !CreateSlot(c, kTranslated, handle)) return;
  Simple(c.out, kEmrCreatePen,
         {static_cast<int32_t>(handle), r.U16(0), r.I16(1), r.I16(2), static_cast<int32_t>(r.U32(3))});
}

void CreateBrush(Converter& c, const WmfRecord& r) {
  uint32_t handle;
  if (r.Params() < 4 || !CreateSlot(c, kTranslated, handle)) return;
  Simple(c.out, kEmrCreateBrushIndirect,
         {static_cast<int32_t>(handle), r.U16(0), static_cast<int32_t>(r.U32(1)), r.U16(3)});
}

void CreateDibPatternBrush(Converter& c, const WmfRecord& r) {
  uint32_t usage = r.U16(1);
  uint32_t info = r.Params() >= 2 ? DibInfoBytes(r.From(2), r.BytesFrom(2), usage) : 0;
  uint32_t handle;
  if (!info) {
    CreateSlot(c, kPlaceholder, handle);
    return;
  }
  if (!CreateSlot(c, kTranslated, handle)) return;
  uint32_t bits = r.BytesFrom(2) - info;
  uint32_t infoPadded = (info + 3) / 4 * 4;
  Output& o = c.out;
  int64_t start = Begin(o, kEmrCreateDibPatternBrushPt);
  for (uint32_t v : {handle, usage, 32u, info, 32 + infoPadded, bits}) Put32(o, v);
  PutBytes(o, r.From(2), info);
  PadTo4(o);
  PutBytes(o, r.From(2) + info, bits);
  End(o, start);
}

// LOGFONT16 (8-bit face name) to an EXTLOGFONTW record (UTF-16 face name).
void CreateFont(Converter& c, const WmfRecord& r) {
  uint32_t handle;
  if (r.Params() < 9 || !CreateSlot(c, kTranslated, handle)) return;
  Output& o = c.out;
  int64_t start = Begin(o, kEmrExtCreateFontIndirectW);
  Put32(o, handle);
  for (uint32_t i = 0; i < 5; ++i) PutI32(o, r.I16(i));
  PutBytes(o, r.From(5), 8);
  const uint8_t* face = r.From(9);
  uint32_t faceBytes = r.BytesFrom(9);
  if (faceBytes > kFaceBytes) faceBytes = kFaceBytes;
  bool ended = false;
  for (uint32_t i = 0; i < kFaceBytes; ++i) {
    uint8_t b = i < faceBytes && !ended ? face[i] : 0;
    if (b == 0) ended = true;
    Put16(o, static_cast<uint16_t>(cp1252::ToCodePoint(b, cp1252::Unassigned::kControl)));
  }
  static const uint8_t zeros[kExtLogFontWBytes - kLogFontWBytes] = {};
  PutBytes(o, zeros, sizeof zeros);
  End(o, start);
}

void SelectObject(Converter& c, const WmfRecord& r) {
  uint32_t slot = r.U16(0);
  if (r.Params() < 1 || c.objects.kind[slot] != kTranslated) return;
  Simple(c.out, kEmrSelectObject, {static_cast<int32_t>(slot + 1)});
}

void DeleteObject(Converter& c, const WmfRecord& r) {
  uint32_t slot = r.U16(0);
  if (r.Params() < 1 || c.objects.kind[slot] == kFree) return;
  if (c.objects.kind[slot] == kTranslated) Simple(c.out, kEmrDeleteObject, {static_cast<int32_t>(slot + 1)});
  c.objects.Release(slot);
}

// EMR_POLYGON16 / EMR_POLYLINE16 from a count and points.
void Poly(Converter& c, const WmfRecord& r, uint32_t type) {
  uint32_t points = PolyPoints(r, 0, 1);
  Output& o = c.out;
  int64_t start = Begin(o, type);
  PutEmptyBounds(o);
  Put32(o, points);
  PutBytes(o, r.From(1), static_cast<int64_t>(points) * 4);
  End(o, start);
}

void PolyPolygon(Converter& c, const WmfRecord& r) {
  uint32_t n = r.Params();
  uint32_t parts = r.U16(0);
  if (n < 1 + parts) return;
  uint32_t left = (n - 1 - parts) / 2;
  uint32_t total = 0;
  Output& o = c.out;
  int64_t start = Begin(o, kEmrPolyPolygon16);
  PutEmptyBounds(o);
  Put32(o, parts);
  int64_t totalAt = o.size;
  Put32(o, 0);
  for (uint32_t i = 0; i < parts; ++i) {
    uint32_t k = r.U16(1 + i);
    if (k > left) k = left;
    left -= k;
    total += k;
    Put32(o, k);  // counts beyond the points the record holds are cut short
  }
  Set32(o, totalAt, total);
  PutBytes(o, r.From(1 + parts), static_cast<int64_t>(total) * 4);
  End(o, start);
}

// A box record: WMF parameters bottom, right, top, left from `first`.
void BoxRecord(Converter& c, const WmfRecord& r, uint32_t type, uint32_t first) {
  if (r.Params() < first + 4) return;
  Simple(c.out, type, {r.I16(first + 3), r.I16(first + 2), r.I16(first + 1), r.I16(first)});
}

void ArcRecord(Converter& c, const WmfRecord& r, uint32_t type) {
  if (r.Params() < 8) return;
  Simple(c.out, type, {r.I16(7), r.I16(6), r.I16(5), r.I16(4), r.I16(3), r.I16(2), r.I16(1), r.I16(0)});
}

// EMR_EXTTEXTOUTA; `dx` (16-bit advances) may be null. The bytes are kept as
// they are: only the player knows the selected font's character set, which
// may be a double-byte one.
void Text(Converter& c, int32_t x, int32_t y, uint32_t options, const int16_t rect[4], const uint8_t* text,
          uint32_t count, const uint8_t* dx) {
  Output& o = c.out;
  uint32_t stringBytes = (count + 3) / 4 * 4;
  int64_t start = Begin(o, kEmrExtTextOutA);
  PutEmptyBounds(o);
  Put32(o, kGraphicsModeCompatible);
  PutF32(o, kTextScale);
  PutF32(o, kTextScale);
  PutI32(o, x);
  PutI32(o, y);
  Put32(o, count);
  Put32(o, 76);
  Put32(o, options);
  for (int i = 0; i < 4; ++i) PutI32(o, rect ? rect[i] : 0);
  Put32(o, dx ? 76 + stringBytes : 0);
  PutBytes(o, text, count);
  PadTo4(o);
  if (dx)
    for (uint32_t i = 0; i < count; ++i) PutI32(o, static_cast<int16_t>(Le16(dx + 2 * i)));
  End(o, start);
}

void TextOut(Converter& c, const WmfRecord& r) {
  uint32_t count = r.U16(0);
  uint32_t at = 1 + (count + 1) / 2;
  if (r.Params() < at + 2) return;
  Text(c, r.I16(at + 1), r.I16(at), 0, nullptr, r.From(1), count, nullptr);
}

void ExtTextOut(Converter& c, const WmfRecord& r) {
  if (r.Params() < 4) return;
  uint32_t count = r.U16(2), options = r.U16(3), at = 4;
  int16_t rect[4];
  bool hasRect = (options & kTextOptionsWithRect) != 0;
  if (hasRect) {
    if (r.Params() < 8) return;
    for (int i = 0; i < 4; ++i) rect[i] = r.I16(4 + i);
    at = 8;
  }
  uint32_t held = r.BytesFrom(at);
  if (count > held) count = held;
  uint32_t dxAt = at + (count + 1) / 2;
  const uint8_t* dx = r.BytesFrom(dxAt) >= count * 2 && count ? r.From(dxAt) : nullptr;
  Text(c, r.I16(1), r.I16(0), options, hasRect ? rect : nullptr, r.From(at), count, dx);
}

void SaveOrigins(Converter& c) {
  if (c.savedCount >= kMaxTrackedSaves) return;
  int32_t* s = c.savedOrgs[c.savedCount++];
  s[0] = c.windowOrgX, s[1] = c.windowOrgY, s[2] = c.viewportOrgX, s[3] = c.viewportOrgY;
}

void RestoreOrigins(Converter& c, int32_t relative) {
  if (relative >= 0 || -static_cast<int64_t>(relative) > c.savedCount) return;
  c.savedCount += relative;
  const int32_t* s = c.savedOrgs[c.savedCount];
  c.windowOrgX = s[0], c.windowOrgY = s[1], c.viewportOrgX = s[2], c.viewportOrgY = s[3];
}

void Translate(Converter& c, const WmfRecord& r) {
  Output& o = c.out;
  uint32_t n = r.Params();
  switch (r.function) {
    case kMetaSetWindowOrg:
      if (n < 2) break;
      c.windowOrgX = r.I16(1), c.windowOrgY = r.I16(0);
      Simple(o, kEmrSetWindowOrgEx, {c.windowOrgX, c.windowOrgY});
      break;
    case kMetaOffsetWindowOrg:
      if (n < 2) break;
      c.windowOrgX += r.I16(1), c.windowOrgY += r.I16(0);
      Simple(o, kEmrSetWindowOrgEx, {c.windowOrgX, c.windowOrgY});
      break;
    case kMetaSetViewportOrg:
      if (n < 2) break;
      c.viewportOrgX = r.I16(1), c.viewportOrgY = r.I16(0);
      Simple(o, kEmrSetViewportOrgEx, {c.viewportOrgX, c.viewportOrgY});
      break;
    case kMetaOffsetViewportOrg:
      if (n < 2) break;
      c.viewportOrgX += r.I16(1), c.viewportOrgY += r.I16(0);
      Simple(o, kEmrSetViewportOrgEx, {c.viewportOrgX, c.viewportOrgY});
      break;
    case kMetaSetWindowExt:
      if (n >= 2) Simple(o, kEmrSetWindowExtEx, {r.I16(1), r.I16(0)});
      break;
    case kMetaSetViewportExt:
      if (n >= 2) Simple(o, kEmrSetViewportExtEx, {r.I16(1), r.I16(0)});
      break;
    case kMetaScaleWindowExt:
    case kMetaScaleViewportExt:
      if (n >= 4)
        Simple(o, r.function == kMetaScaleWindowExt ? kEmrScaleWindowExtEx : kEmrScaleViewportExtEx,
               {r.I16(3), r.I16(2), r.I16(1), r.I16(0)});
      break;
    case kMetaSetMapMode:
      // The picture keeps the frame the prologue set; only the scaled modes
      // (which leave that frame in place) pass through.
      if (n >= 1 && (r.U16(0) == kMmIsotropic || r.U16(0) == kMmAnisotropic)) Simple(o, kEmrSetMapMode, {r.U16(0)});
      break;
    case kMetaSaveDc:
      SaveOrigins(c);
      Simple(o, kEmrSaveDc, {});
      break;
    case kMetaRestoreDc:
      if (n < 1) break;
      RestoreOrigins(c, r.I16(0));
      Simple(o, kEmrRestoreDc, {r.I16(0)});
      break;
    case kMetaSetBkMode:
      if (n >= 1) Simple(o, kEmrSetBkMode, {r.U16(0)});
      break;
    case kMetaSetPolyFillMode:
      if (n >= 1) Simple(o, kEmrSetPolyFillMode, {r.U16(0)});
      break;
    case kMetaSetRop2:
      if (n >= 1) Simple(o, kEmrSetRop2, {r.U16(0)});
      break;
    case kMetaSetStretchBltMode:
      if (n >= 1) Simple(o, kEmrSetStretchBltMode, {r.U16(0)});
      break;
    case kMetaSetTextAlign:
      if (n >= 1) Simple(o, kEmrSetTextAlign, {r.U16(0)});
      break;
    case kMetaSetTextColor:
      if (n >= 2) Simple(o, kEmrSetTextColor, {static_cast<int32_t>(r.U32(0))});
      break;
    case kMetaSetBkColor:
      if (n >= 2) Simple(o, kEmrSetBkColor, {static_cast<int32_t>(r.U32(0))});
      break;
    case kMetaMoveTo:
      if (n >= 2) Simple(o, kEmrMoveToEx, {r.I16(1), r.I16(0)});
      break;
    case kMetaLineTo:
      if (n >= 2) Simple(o, kEmrLineTo, {r.I16(1), r.I16(0)});
      break;
    case kMetaExcludeClipRect: BoxRecord(c, r, kEmrExcludeClipRect, 0); break;
    case kMetaIntersectClipRect: BoxRecord(c, r, kEmrIntersectClipRect, 0); break;
    case kMetaRectangle: BoxRecord(c, r, kEmrRectangle, 0); break;
    case kMetaEllipse: BoxRecord(c, r, kEmrEllipse, 0); break;
    case kMetaRoundRect:
      if (n >= 6) Simple(o, kEmrRoundRect, {r.I16(5), r.I16(4), r.I16(3), r.I16(2), r.I16(1), r.I16(0)});
      break;
    case kMetaArc: ArcRecord(c, r, kEmrArc); break;
    case kMetaChord: ArcRecord(c, r, kEmrChord); break;
    case kMetaPie: ArcRecord(c, r, kEmrPie); break;
    case kMetaPolygon:
      if (n >= 1) Poly(c, r, kEmrPolygon16);
      break;
    case kMetaPolyline:
      if (n >= 1) Poly(c, r, kEmrPolyline16);
      break;
    case kMetaPolyPolygon:
      if (n >= 1) PolyPolygon(c, r);
      break;
    case kMetaTextOut:
      if (n >= 1) TextOut(c, r);
      break;
    case kMetaExtTextOut: ExtTextOut(c, r); break;
    case kMetaCreatePenIndirect: CreatePen(c, r); break;
    case kMetaCreateBrushIndirect: CreateBrush(c, r); break;
    case kMetaCreateFontIndirect: CreateFont(c, r); break;
    case kMetaDibCreatePatternBrush: CreateDibPatternBrush(c, r); break;
    case kMetaCreatePalette:
    case kMetaCreatePatternBrush:
    case kMetaCreateRegion: {
      uint32_t handle;
      CreateSlot(c, kPlaceholder, handle);
      break;
    }
    case kMetaSelectObject: SelectObject(c, r); break;
    case kMetaDeleteObject: DeleteObject(c, r); break;
    default: BlitRecord(c, r); break;  // the blits; others have no EMF counterpart, or nothing the picture needs
  }
}

int32_t Magnitude(int32_t v) { return v < 0 ? -v : v; }

// The picture's box in device units.
void DeviceSize(const Frame& f, int32_t& width, int32_t& height) {
  if (f.hasExt) {
    width = Magnitude(f.extX);
    height = Magnitude(f.extY);
  } else {
    width = f.box.any ? static_cast<int32_t>(f.box.maxX - f.box.minX) : 0;
    height = f.box.any ? static_cast<int32_t>(f.box.maxY - f.box.minY) : 0;
  }
}

// Maps the picture's window onto device units one for one, corner at (0, 0).
void Prologue(Converter& c, const Frame& f) {
  Output& o = c.out;
  Simple(o, kEmrSetMapMode, {static_cast<int32_t>(kMmAnisotropic)});
  if (f.hasExt) {
    // A zero extent would divide by zero in every reader; it maps as one unit.
    int32_t ex = f.extX ? f.extX : 1, ey = f.extY ? f.extY : 1;
    c.windowOrgX = f.hasOrg ? f.orgX : 0;
    c.windowOrgY = f.hasOrg ? f.orgY : 0;
    Simple(o, kEmrSetWindowOrgEx, {c.windowOrgX, c.windowOrgY});
    Simple(o, kEmrSetWindowExtEx, {ex, ey});
    Simple(o, kEmrSetViewportOrgEx, {0, 0});
    Simple(o, kEmrSetViewportExtEx, {Magnitude(ex), Magnitude(ey)});
    return;
  }
  // Without extents the coordinates' box is the window; the viewport origin
  // moves its corner to (0, 0) whatever window origins the picture sets.
  int64_t minX = f.box.any ? f.box.minX : 0, minY = f.box.any ? f.box.minY : 0;
  c.viewportOrgX = static_cast<int32_t>(-minX);
  c.viewportOrgY = static_cast<int32_t>(-minY);
  Simple(o, kEmrSetWindowOrgEx, {0, 0});
  Simple(o, kEmrSetWindowExtEx, {1, 1});
  Simple(o, kEmrSetViewportOrgEx, {c.viewportOrgX, c.viewportOrgY});
  Simple(o, kEmrSetViewportExtEx, {1, 1});
}

void Header(Output& o, int32_t width, int32_t height) {
  int64_t start = Begin(o, kEmrHeader);
  for (int32_t v : {0, 0, width, height}) PutI32(o, v);
  // The frame in 0.01 mm on the reference device.
  for (int64_t v : {int64_t{0}, int64_t{0}, int64_t{width}, int64_t{height}})
    PutI32(o, static_cast<int32_t>((v * 2540 + kReferenceDpi / 2) / kReferenceDpi));
  Put32(o, 0x464D4520);  // " EMF"
  Put32(o, 0x10000);
  Put32(o, 0);  // bytes, records and handles are filled in at the end
  Put32(o, 0);
  Put32(o, 0);
  Put32(o, 0);  // no description
  Put32(o, 0);
  Put32(o, 0);  // no palette
  PutI32(o, kReferenceWidth);
  PutI32(o, kReferenceHeight);
  PutI32(o, (kReferenceWidth * 254 + kReferenceDpi * 5) / (kReferenceDpi * 10));
  PutI32(o, (kReferenceHeight * 254 + kReferenceDpi * 5) / (kReferenceDpi * 10));
  Put32(o, 0);  // no pixel format
  Put32(o, 0);
  Put32(o, 0);  // no OpenGL
  PutI32(o, kReferenceWidth * 25400 / kReferenceDpi);
  PutI32(o, kReferenceHeight * 25400 / kReferenceDpi);
  End(o, start);
}

bool ValidHeader(const uint8_t* bytes, int64_t size) {
  if (!bytes || size < kWmfHeaderBytes) return false;
  uint16_t type = Le16(bytes), headerWords = Le16(bytes + 2);
  return (type == 1 || type == 2) && headerWords * 2u == kWmfHeaderBytes;
}

}  // namespace

uint8_t* WmfToEmf(const uint8_t* wmf, int64_t size, int64_t* emfSize, ReadReport* report) {
  *emfSize = 0;
  if (!ValidHeader(wmf, size)) {
    Fail(report, ReadFault::kNotMetafile, 0);
    return nullptr;
  }
  Frame frame = FindFrame(wmf, size);
  Converter* c = static_cast<Converter*>(std::calloc(1, sizeof(Converter)));
  if (!c) {
    Fail(report, ReadFault::kTooLarge, 0);
    return nullptr;
  }
  int32_t width, height;
  DeviceSize(frame, width, height);
  Output& o = c->out;
  Header(o, width, height);
  Prologue(*c, frame);

  RecordWalk walk{wmf, size, kWmfHeaderBytes};
  WmfRecord r;
  int64_t index = 0;  // of the record being converted when the output fails
  while (!o.failed && walk.Next(r)) {
    Translate(*c, r);
    if (!o.failed) ++index;
  }
  Simple(o, kEmrEof, {0, 16, 20});
  if (o.failed) Fail(report, ReadFault::kTooLarge, index);
  Set32(o, 48, static_cast<uint32_t>(o.size));
  Set32(o, 52, o.records);
  uint32_t handles = c->objects.maxHandle + 1;
  if (!o.failed) {
    o.data[56] = static_cast<uint8_t>(handles);
    o.data[57] = static_cast<uint8_t>(handles >> 8);
  }
  uint8_t* result = o.failed ? nullptr : o.data;
  if (o.failed)
    std::free(o.data);
  else
    *emfSize = o.size;
  std::free(c);
  return result;
}

}  // namespace platform
