// The EMF record translator: reads an enhanced metafile record by record and
// builds polylines and texts on layer 0 of a Drawing. The device-context model
// (transforms, objects, colours) lives in emf_state.cpp; this file reads the
// file, dispatches the records and builds the geometry and the texts.
#include "readers/emf/emf.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "model/arcs.h"
#include "model/cp1252.h"
#include "readers/emf/emf_state.h"

namespace {

constexpr int32_t kMaxTextChars = 1023;
using std::numbers::pi;

struct LineTypeDef {
  const char* name;
  int32_t penStyle;
};
constexpr LineTypeDef kLineTypes[] = {{"CONTINUOUS", 0}, {"DASH", 1}, {"DOT", 2}, {"DASHDOT", 3}};

// Fields of the text records: reference point, character count, string offset.
struct TextLayout {
  uint32_t x, y, count, offset;
};
constexpr TextLayout kExtTextOut = {36, 40, 44, 48};
constexpr TextLayout kPolyTextOut = {40, 44, 48, 52};

// One translation: the state model and the drawing it fills.
struct Translator {
  EmfState state;
  Drawing* drawing;
  ReadReport* report;  // may be null
};

WorldPoint Map(const Translator& t, int64_t x, int64_t y) { return MapEmfPoint(t.state, x, y, t.drawing->extMax.y); }

// Line width and text height are magnitudes: a mirrored mapping must not turn them negative.
void ApplyStyle(const EmfState& s, Polyline& line) {
  const EmfGraphics& g = s.g;
  line.colour = g.drawingColour;
  line.layer = 0;
  line.lineType = static_cast<int32_t>(g.penStyle & 3) + 1;
  line.width =
      g.windowExtX == 0 ? 0.0 : std::fabs(static_cast<double>(g.penWidthX) * g.viewportExtX * g.eM11 / g.windowExtX);
}

Polyline NewPolyline(const EmfState& s, int32_t filled) {
  Polyline line{};
  line.points.elementSize = sizeof(WorldPoint);
  ApplyStyle(s, line);
  line.filled = filled;
  return line;
}

void AppendPoint(Translator& t, Polyline& line, int64_t x, int64_t y) { ArrayAppend(line.points, Map(t, x, y)); }

// The open figure goes to the drawing when it has a segment, else it is dropped.
void EndFigure(Translator& t) {
  EmfState& s = t.state;
  if (s.figureOpen && s.figure.points.count >= 2)
    ArrayAppend(t.drawing->entities.polylines, s.figure);
  else
    ArrayFree(s.figure.points);
  s.figure = Polyline{};
  s.figure.points.elementSize = sizeof(WorldPoint);
  s.figureOpen = 0;
}

void MoveTo(Translator& t, const EmfRecord& r) {
  EndFigure(t);
  EmfState& s = t.state;
  s.figure = NewPolyline(s, s.g.pathOpen);
  s.figureOpen = 1;
  AppendPoint(t, s.figure, RecordI32(r, 8), RecordI32(r, 12));
}

void LineTo(Translator& t, const EmfRecord& r) {
  EmfState& s = t.state;
  if (!s.figureOpen) return;
  ApplyStyle(s, s.figure);
  AppendPoint(t, s.figure, RecordI32(r, 8), RecordI32(r, 12));
}

// Points from `base`: pairs of i32, or of i16 for the 16-bit records.
void PointAt(const EmfRecord& r, bool small, uint64_t base, uint32_t i, int64_t& x, int64_t& y) {
  uint64_t at = base + static_cast<uint64_t>(i) * (small ? 4 : 8);
  if (at > r.size) at = r.size;  // out of reach: the accessors give 0
  uint32_t a = static_cast<uint32_t>(at);
  x = small ? RecordI16(r, a) : RecordI32(r, a);
  y = small ? RecordI16(r, a + 2) : RecordI32(r, a + 4);
}

// A count is trusted only as far as the record holds the points it counts.
uint32_t PointsHeld(const EmfRecord& r, bool small, uint64_t base, uint32_t count) {
  uint64_t room = base < r.size ? (r.size - base) / (small ? 4 : 8) : 0;
  return count < room ? count : static_cast<uint32_t>(room);
}

constexpr uint32_t kPointsAt = 28;

void PolylineTo(Translator& t, const EmfRecord& r, bool small) {
  EmfState& s = t.state;
  if (!s.figureOpen) return;
  uint32_t n = PointsHeld(r, small, kPointsAt, RecordU32(r, 24));
  for (uint32_t i = 0; i < n; ++i) {
    int64_t x, y;
    PointAt(r, small, kPointsAt, i, x, y);
    AppendPoint(t, s.figure, x, y);
  }
}

// `count` points from `base` as one polyline; a polygon is closed and filled.
void AppendPolyline(Translator& t, const EmfRecord& r, bool small, bool polygon, uint64_t base, uint32_t count) {
  Polyline line = NewPolyline(t.state, polygon ? 1 : 0);
  uint64_t n = count == 0 ? 0 : static_cast<uint64_t>(count) + (polygon ? 1 : 0);
  for (uint64_t i = 0; i < n; ++i) {
    uint32_t k = polygon && i == n - 1 ? 0 : static_cast<uint32_t>(i);
    int64_t x, y;
    PointAt(r, small, base, k, x, y);
    AppendPoint(t, line, x, y);
  }
  ArrayAppend(t.drawing->entities.polylines, line);
}

// Whole polylines, polygons and Bézier curves, whose control points are taken as vertices.
void WholePolyline(Translator& t, const EmfRecord& r, bool small, bool polygon) {
  EndFigure(t);
  AppendPolyline(t, r, small, polygon, kPointsAt, PointsHeld(r, small, kPointsAt, RecordU32(r, 24)));
}

// Poly-polylines and poly-polygons: each part as a whole polyline or polygon.
// Counts are trusted only as far as the record holds counts and points.
void PolyPolyline(Translator& t, const EmfRecord& r, bool small, bool polygon) {
  EndFigure(t);
  uint32_t parts = RecordU32(r, 24);
  uint32_t partsHeld = (r.size - 32) / 4;
  if (parts > partsHeld) parts = partsHeld;
  uint64_t base = 32 + static_cast<uint64_t>(parts) * 4;
  uint32_t left = PointsHeld(r, small, base, RecordU32(r, 28));
  for (uint32_t i = 0; i < parts && left > 0; ++i) {
    uint32_t n = RecordU32(r, 32 + 4 * i);
    if (n > left) n = left;
    if (n == 0) continue;
    AppendPolyline(t, r, small, polygon, base, n);
    base += static_cast<uint64_t>(n) * (small ? 4 : 8);
    left -= n;
  }
}

void Rectangle(Translator& t, const EmfRecord& r) {
  EndFigure(t);
  int64_t left = RecordI32(r, 8), top = RecordI32(r, 12), right = RecordI32(r, 16), bottom = RecordI32(r, 20);
  Polyline line = NewPolyline(t.state, 1);
  AppendPoint(t, line, left, top);
  AppendPoint(t, line, right, top);
  AppendPoint(t, line, right, bottom);
  AppendPoint(t, line, left, bottom);
  AppendPoint(t, line, left, top);
  ArrayAppend(t.drawing->entities.polylines, line);
}

// Ellipses, arcs, chords, pies and arc-to, in steps of 7.5 degrees.
void EllipseOrArc(Translator& t, const EmfRecord& r) {
  EndFigure(t);
  int64_t left = RecordI32(r, 8), top = RecordI32(r, 12), right = RecordI32(r, 16), bottom = RecordI32(r, 20);
  int64_t rx = (right - left) >> 1, ry = (bottom - top) >> 1;
  int64_t cx = (left + right) >> 1, cy = (top + bottom) >> 1;
  double a0 = 0, a1 = 2 * pi, sweep = 2 * pi;
  if (r.type != kEmrEllipse) {
    double e = std::atan2(static_cast<double>(RecordI32(r, 36) - cy), static_cast<double>(RecordI32(r, 32) - cx));
    double s = std::atan2(static_cast<double>(RecordI32(r, 28) - cy), static_cast<double>(RecordI32(r, 24) - cx));
    a0 = e;
    a1 = s;
    sweep = s > e ? s - e : s - e + 2 * pi;
  }
  int32_t filled = r.type == kEmrChord || r.type == kEmrPie ? 1 : t.state.g.pathOpen;
  Polyline line = NewPolyline(t.state, filled);
  int32_t n = 1 + static_cast<int32_t>(sweep * 24 / pi);
  SampleArc({a0, n > 1 ? kArcStep : sweep, a1, n, true}, [&](double a) {
    int64_t x = static_cast<int64_t>(std::cos(a) * static_cast<double>(rx) + static_cast<double>(cx));
    int64_t y = static_cast<int64_t>(std::sin(a) * static_cast<double>(ry) + static_cast<double>(cy));
    AppendPoint(t, line, x, y);
  });
  ArrayAppend(t.drawing->entities.polylines, line);
}

// A UTF-16 unit as Windows-1252: '?' when the code page lacks it.
char AnsiByte(uint16_t unit) { return static_cast<char>(cp1252::FromCodePoint(unit, cp1252::Unassigned::kControl)); }

// Up to `max` UTF-16 units as Windows-1252; a surrogate pair becomes one '?'.
int32_t WideToAnsi(const EmfRecord& r, uint32_t at, uint32_t units, int32_t max, char* out) {
  int32_t n = 0;
  bool afterHigh = false;
  for (uint32_t i = 0; i < units && n < max; ++i) {
    uint16_t u = RecordU16(r, at + 2 * i);
    bool high = u >= 0xD800 && u <= 0xDBFF;
    bool low = u >= 0xDC00 && u <= 0xDFFF;
    if (!(low && afterHigh)) out[n++] = AnsiByte(u);
    afterHigh = high;
  }
  out[n] = '\0';
  return n;
}

int32_t StyleForFace(Drawing& drawing, const EmfFont& font) {
  char face[kFontFaceUnits * 2 + 1];
  int32_t n = 0;
  bool afterHigh = false;
  for (int i = 0; i < kFontFaceUnits && font.face[i] != 0; ++i) {
    uint16_t u = font.face[i];
    bool high = u >= 0xD800 && u <= 0xDBFF;
    if (!(u >= 0xDC00 && u <= 0xDFFF && afterHigh)) face[n++] = AnsiByte(u);
    afterHigh = high;
  }
  face[n] = '\0';
  int32_t style = FindTextStyle(drawing.textStyles, face, 1);
  if (style) return style;
  TextStyle added{};
  CopyName(added.name, kNameSize, face);
  CopyName(added.face, kFaceSize, face);
  ArrayAppend(drawing.textStyles, added);
  return drawing.textStyles.count - 1;
}

void Text(Translator& t, const EmfRecord& r) {
  EmfState& s = t.state;
  if (s.figureOpen && s.figure.points.count >= 2) EndFigure(t);
  bool wide = r.type == kEmrExtTextOutW || r.type == kEmrPolyTextOutW;
  const TextLayout& f = r.type == kEmrExtTextOutA || r.type == kEmrExtTextOutW ? kExtTextOut : kPolyTextOut;
  uint32_t count = RecordU32(r, f.count);
  uint32_t offset = RecordU32(r, f.offset);
  uint32_t unitSize = wide ? 2 : 1;
  uint32_t room = offset < r.size ? (r.size - offset) / unitSize : 0;
  uint32_t units = count < room ? count : room;

  char text[kMaxTextChars + 1];
  int32_t n = 0;
  if (wide) {
    n = WideToAnsi(r, offset, units, kMaxTextChars, text);
  } else {
    for (uint32_t i = 0; i < units && n < kMaxTextChars; ++i) text[n++] = static_cast<char>(r.bytes[offset + i]);
    text[n] = '\0';
  }

  Drawing& drawing = *t.drawing;
  int32_t style = StyleForFace(drawing, s.g.font);
  int32_t at = drawing.entities.pool.length;
  PoolAppend(drawing.entities.pool, text);

  const EmfGraphics& g = s.g;
  double angle = g.eM12 != 0 && g.eM22 != 0 ? -std::atan2(static_cast<double>(g.eM12), static_cast<double>(g.eM22))
                                            : g.font.escapement * pi / 1800;
  double size = std::fabs(static_cast<double>(g.font.height));
  double height;
  if (g.windowExtY != 0)
    height = size * g.viewportExtY * g.eM22 / g.windowExtY;
  else if (g.windowExtX != 0)
    height = size * g.viewportExtX * g.eM11 / g.windowExtX;
  else
    height = size * g.eM11;
  height = std::fabs(height);
  WorldPoint p = Map(t, RecordI32(r, f.x), RecordI32(r, f.y));

  TextItem item{};
  item.x = p.x;
  item.y = p.y - height;
  item.text = at;
  item.colour = g.textColour;
  item.layer = 0;
  item.style = style;
  item.height = height;
  item.rotation = angle;
  ArrayAppend(drawing.entities.texts, item);
}

// Smallest size holding the fixed fields of each drawing record; shorter
// records are ignored.
uint32_t MinimumSize(uint32_t type) {
  switch (type) {
    case kEmrPolyBezier:
    case kEmrPolygon:
    case kEmrPolyline:
    case kEmrPolyBezierTo:
    case kEmrPolylineTo:
    case kEmrPolyBezier16:
    case kEmrPolygon16:
    case kEmrPolyline16:
    case kEmrPolyBezierTo16:
    case kEmrPolylineTo16: return 28;
    case kEmrMoveToEx:
    case kEmrLineTo: return 16;
    case kEmrEllipse:
    case kEmrRectangle: return 24;
    case kEmrArc:
    case kEmrChord:
    case kEmrPie:
    case kEmrArcTo: return 40;
    case kEmrPolyPolyline:
    case kEmrPolyPolygon:
    case kEmrPolyPolyline16:
    case kEmrPolyPolygon16: return 32;
    case kEmrExtTextOutA:
    case kEmrExtTextOutW: return 52;
    case kEmrPolyTextOutA:
    case kEmrPolyTextOutW: return 56;
    default: return 8;
  }
}

// A record type the translator does not handle, counted by its number.
void CountSkippedRecord(ReadReport* report, uint32_t type) {
  if (!report) return;
  char name[kSkipNameSize] = {};
  std::to_chars(name, name + sizeof name - 1, type);
  CountSkipped(report, name);
}

int Dispatch(Translator& t, const EmfRecord& r) {
  if (IsStateRecord(r.type)) return HandleStateRecord(r, t.state, *t.drawing);
  if (r.size < MinimumSize(r.type)) return 1;
  switch (r.type) {
    case kEmrPolyBezier:
    case kEmrPolyline: WholePolyline(t, r, false, false); break;
    case kEmrPolygon: WholePolyline(t, r, false, true); break;
    case kEmrPolyBezier16:
    case kEmrPolyline16: WholePolyline(t, r, true, false); break;
    case kEmrPolygon16: WholePolyline(t, r, true, true); break;
    case kEmrPolyPolyline: PolyPolyline(t, r, false, false); break;
    case kEmrPolyPolygon: PolyPolyline(t, r, false, true); break;
    case kEmrPolyPolyline16: PolyPolyline(t, r, true, false); break;
    case kEmrPolyPolygon16: PolyPolyline(t, r, true, true); break;
    case kEmrPolyBezierTo:
    case kEmrPolylineTo: PolylineTo(t, r, false); break;
    case kEmrPolyBezierTo16:
    case kEmrPolylineTo16: PolylineTo(t, r, true); break;
    case kEmrMoveToEx: MoveTo(t, r); break;
    case kEmrLineTo: LineTo(t, r); break;
    case kEmrRectangle: Rectangle(t, r); break;
    case kEmrEllipse:
    case kEmrArc:
    case kEmrChord:
    case kEmrPie:
    case kEmrArcTo: EllipseOrArc(t, r); break;
    case kEmrExtTextOutA:
    case kEmrExtTextOutW:
    case kEmrPolyTextOutA:
    case kEmrPolyTextOutW: Text(t, r); break;
    case kEmrEof: EndFigure(t); break;
    default: CountSkippedRecord(t.report, r.type); break;
  }
  return 1;
}

// The header's bounds are the extents unless the drawn content strays outside
// them: files that set a map mode or window of their own are mapped away from
// the header's box, and the picture would land off the page. The content box
// takes texts as tall as their height (their width is not known here); a box
// without area says too little to replace the header's.
void SettleExtents(Drawing& drawing) {
  WorldPoint min, max;
  ComputeExtents(drawing.entities, min, max);
  for (const TextItem& text : drawing.entities.texts) {
    IncludeInExtents({text.x, text.y}, min, max);
    IncludeInExtents({text.x, text.y + text.height}, min, max);
  }
  if (!(min.x < max.x && min.y < max.y)) return;
  bool inside =
      min.x >= drawing.extMin.x && min.y >= drawing.extMin.y && max.x <= drawing.extMax.x && max.y <= drawing.extMax.y;
  if (inside) return;
  drawing.extMin = min;
  drawing.extMax = max;
}

// Reads every record up to EMR_EOF; a malformed record, or the end of the
// file before EMR_EOF, fails the translation.
int RecordLoop(Translator& t, FILE* file) {
  if (fseeko(file, 0, SEEK_END) != 0) return Fail(t.report, ReadFault::kCannotOpen, 0);
  off_t fileSize = ftello(file);
  if (fileSize < 0 || fseeko(file, 0, SEEK_SET) != 0) return Fail(t.report, ReadFault::kCannotOpen, 0);
  size_t size = static_cast<size_t>(fileSize);
  uint8_t* bytes = static_cast<uint8_t*>(std::malloc(size ? size : 1));
  if (!bytes) return Fail(t.report, ReadFault::kTooLarge, 0);
  int ok = 0;
  if (std::fread(bytes, 1, size, file) != size) {
    Fail(t.report, ReadFault::kCannotOpen, 0);
  } else {
    EmfWalker walk{bytes, size};
    EmfRecord r;
    int64_t index = 0;
    ok = 1;
    // Only the object table's allocation can fail a record.
    for (; ok && walk.Next(r); ++index) ok = Dispatch(t, r) || Fail(t.report, ReadFault::kTooLarge, index);
    // Data that ends between records ends before the EOF record; a record
    // that does not fit is malformed.
    if (ok && !walk.ended)
      ok = Fail(t.report, walk.at == walk.size ? ReadFault::kTruncated : ReadFault::kMalformedRecord, index);
  }
  std::free(bytes);
  return ok;
}

}  // namespace

int emf_proc(const char* fileName, Drawing* drawing, ReadReport* report) {
  Translator t{};
  t.report = report;
  EmfStateInit(t.state);
  t.drawing = drawing;
  DrawingInit(*drawing);
  for (const LineTypeDef& def : kLineTypes) {
    LineType type{};
    CopyName(type.name, kNameSize, def.name);
    type.penStyle = def.penStyle;
    ArrayAppend(drawing->lineTypes, type);
  }

  int result = 0;
  FILE* file = std::fopen(fileName, "rb");
  if (!file) {
    std::printf("Unable to fopen %s\n", fileName);
    Fail(report, ReadFault::kCannotOpen, 0);
  } else {
    result = RecordLoop(t, file);
    if (result) SettleExtents(*drawing);
    if (!result) std::printf("Unable to emf_proc\n");
    std::fclose(file);
  }
  EmfStateFree(t.state);
  if (!result) DrawingFree(drawing);
  return result;
}
