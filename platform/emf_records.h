// The record types of the enhanced-metafile format that Kartex writes (from
// Windows metafiles), reads (for vector output) and plays (for raster output):
// one list for every side, with the bounds-checked record walker they share.
#pragma once

#include <cstdint>

#include "platform/bytes.h"

enum EmfRecordType : uint32_t {
  kEmrHeader = 1,
  kEmrPolyBezier = 2,
  kEmrPolygon = 3,
  kEmrPolyline = 4,
  kEmrPolyBezierTo = 5,
  kEmrPolylineTo = 6,
  kEmrPolyPolyline = 7,
  kEmrPolyPolygon = 8,
  kEmrSetWindowExtEx = 9,
  kEmrSetWindowOrgEx = 10,
  kEmrSetViewportExtEx = 11,
  kEmrSetViewportOrgEx = 12,
  kEmrSetBrushOrgEx = 13,
  kEmrEof = 14,
  kEmrSetPixelV = 15,
  kEmrSetMapMode = 17,
  kEmrSetBkMode = 18,
  kEmrSetPolyFillMode = 19,
  kEmrSetRop2 = 20,
  kEmrSetStretchBltMode = 21,
  kEmrSetTextAlign = 22,
  kEmrSetTextColor = 24,
  kEmrSetBkColor = 25,
  kEmrOffsetClipRgn = 26,
  kEmrMoveToEx = 27,
  kEmrSetMetaRgn = 28,
  kEmrExcludeClipRect = 29,
  kEmrIntersectClipRect = 30,
  kEmrScaleViewportExtEx = 31,
  kEmrScaleWindowExtEx = 32,
  kEmrSaveDc = 33,
  kEmrRestoreDc = 34,
  kEmrSetWorldTransform = 35,
  kEmrModifyWorldTransform = 36,
  kEmrSelectObject = 37,
  kEmrCreatePen = 38,
  kEmrCreateBrushIndirect = 39,
  kEmrDeleteObject = 40,
  kEmrAngleArc = 41,
  kEmrEllipse = 42,
  kEmrRectangle = 43,
  kEmrRoundRect = 44,
  kEmrArc = 45,
  kEmrChord = 46,
  kEmrPie = 47,
  kEmrSelectPalette = 48,
  kEmrCreatePalette = 49,
  kEmrRealizePalette = 52,
  kEmrLineTo = 54,
  kEmrArcTo = 55,
  kEmrPolyDraw = 56,
  kEmrSetArcDirection = 57,
  kEmrSetMiterLimit = 58,
  kEmrBeginPath = 59,
  kEmrEndPath = 60,
  kEmrCloseFigure = 61,
  kEmrFillPath = 62,
  kEmrStrokeAndFillPath = 63,
  kEmrStrokePath = 64,
  kEmrFlattenPath = 65,
  kEmrWidenPath = 66,
  kEmrSelectClipPath = 67,
  kEmrAbortPath = 68,
  kEmrGdiComment = 70,
  kEmrFillRgn = 71,
  kEmrFrameRgn = 72,
  kEmrInvertRgn = 73,
  kEmrPaintRgn = 74,
  kEmrExtSelectClipRgn = 75,
  kEmrBitBlt = 76,
  kEmrStretchBlt = 77,
  kEmrMaskBlt = 78,
  kEmrPlgBlt = 79,
  kEmrSetDiBitsToDevice = 80,
  kEmrStretchDiBits = 81,
  kEmrExtCreateFontIndirectW = 82,
  kEmrExtTextOutA = 83,
  kEmrExtTextOutW = 84,
  kEmrPolyBezier16 = 85,
  kEmrPolygon16 = 86,
  kEmrPolyline16 = 87,
  kEmrPolyBezierTo16 = 88,
  kEmrPolylineTo16 = 89,
  kEmrPolyPolyline16 = 90,
  kEmrPolyPolygon16 = 91,
  kEmrPolyDraw16 = 92,
  kEmrCreateMonoBrush = 93,
  kEmrCreateDibPatternBrushPt = 94,
  kEmrExtCreatePen = 95,
  kEmrPolyTextOutA = 96,
  kEmrPolyTextOutW = 97,
  kEmrSmallTextOut = 108,
  kEmrAlphaBlend = 114,
  kEmrTransparentBlt = 116,
};

// Map modes, with their GDI values.
enum EmfMapMode : uint32_t {
  kMmText = 1,
  kMmLoMetric = 2,
  kMmHiMetric = 3,
  kMmLoEnglish = 4,
  kMmHiEnglish = 5,
  kMmTwips = 6,
  kMmIsotropic = 7,
  kMmAnisotropic = 8,
};

constexpr uint32_t kEmfRecordHeadSize = 8;

// One record as read: its bytes (head included) and size. Every field read goes
// through the accessors below, which give 0 for bytes outside the record.
struct EmfRecord {
  const uint8_t* bytes;
  uint32_t type;
  uint32_t size;
};

inline bool RecordHas(const EmfRecord& r, uint64_t offset, uint64_t length) { return offset + length <= r.size; }
inline uint32_t RecordU32(const EmfRecord& r, uint32_t at) { return RecordHas(r, at, 4) ? Le32(r.bytes + at) : 0; }
inline int32_t RecordI32(const EmfRecord& r, uint32_t at) { return static_cast<int32_t>(RecordU32(r, at)); }
inline uint16_t RecordU16(const EmfRecord& r, uint32_t at) { return RecordHas(r, at, 2) ? Le16(r.bytes + at) : 0; }
inline int16_t RecordI16(const EmfRecord& r, uint32_t at) { return static_cast<int16_t>(RecordU16(r, at)); }
inline float RecordF32(const EmfRecord& r, uint32_t at) { return RecordHas(r, at, 4) ? LeF32(r.bytes + at) : 0.0f; }

// Walks the records of EMF bytes in memory. A record is taken whole whatever
// its size, but must lie within the bytes: one shorter than its head, not a
// whole number of 32-bit words, or running past the end stops the walk with
// `malformed` set. The walk also stops after the end-of-file record.
struct EmfWalker {
  const uint8_t* bytes;
  uint64_t size;
  uint64_t at = 0;
  bool malformed = false;
  bool ended = false;

  bool Next(EmfRecord& r) {
    if (ended || malformed) return false;
    if (size - at < kEmfRecordHeadSize) {
      malformed = true;
      return false;
    }
    uint32_t type = Le32(bytes + at), length = Le32(bytes + at + 4);
    if (length < kEmfRecordHeadSize || length % 4 != 0 || length > size - at) {
      malformed = true;
      return false;
    }
    r = {bytes + at, type, length};
    at += length;
    ended = type == kEmrEof;
    return true;
  }
};

// An EMF world transform (XFORM); points are row vectors: (x, y, 1) times the matrix.
struct Xform {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};
// a, then b.
inline Xform Multiply(const Xform& a, const Xform& b) {
  return {a.m11 * b.m11 + a.m12 * b.m21, a.m11 * b.m12 + a.m12 * b.m22,      a.m21 * b.m11 + a.m22 * b.m21,
          a.m21 * b.m12 + a.m22 * b.m22, a.dx * b.m11 + a.dy * b.m21 + b.dx, a.dx * b.m12 + a.dy * b.m22 + b.dy};
}
// The six floats of an XFORM from `at`.
inline Xform RecordXform(const EmfRecord& r, uint32_t at) {
  return {RecordF32(r, at),      RecordF32(r, at + 4),  RecordF32(r, at + 8),
          RecordF32(r, at + 12), RecordF32(r, at + 16), RecordF32(r, at + 20)};
}
