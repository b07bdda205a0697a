// DXF graphic entities into polylines and inserts: every curve is sampled into
// straight segments here, once, so writers and renderers see only polylines.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <numbers>

#include "model/arcs.h"
#include "readers/dxf/dxf_internal.h"

namespace dxf {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kDegreesToRadians = std::numbers::pi / 180;
// Curves are sampled every 7.5 degrees; the step count is 1 + the sweep
// times 24/pi, truncated.
constexpr double kMinusStepsPerRadian = -24 / std::numbers::pi;
// A point list is a GrowArray with a 32-bit count of at most 2^31 - 1 bytes.
constexpr size_t kMaxPoints = INT32_MAX / sizeof(WorldPoint);
constexpr size_t kFirstPoints = 256;

// 1 + whole steps of 7.5 degrees in `sweep`, which lies in (0, 2 pi].
int StepCount(double sweep) { return 1 - static_cast<int>(sweep * kMinusStepsPerRadian); }

// An angle brought into [0, 2 pi), or false when it is not finite.
bool NormaliseAngle(double& a) {
  if (!std::isfinite(a)) return false;
  a = std::fmod(a, kTwoPi);
  if (a < 0) a += kTwoPi;
  return true;
}

// An entity no reader draws, counted by its name without blanks or line end.
void CountSkippedEntity(ReadReport* report, const char* line) {
  if (!report) return;
  while (*line == ' ' || *line == '\t') ++line;
  char name[kSkipNameSize] = {};
  for (int i = 0; i < kSkipNameSize - 1 && line[i] && line[i] != '\n'; ++i) name[i] = line[i];
  CountSkipped(report, name);
}

// Hands the gathered points to `polyline` and appends it to the set.
void AppendPolyline(EntitySet& set, Polyline& polyline, PointBuffer& points) {
  polyline.points = {};
  polyline.points.elementSize = static_cast<int32_t>(sizeof(WorldPoint));
  if (points.count > 0) {
    const size_t bytes = points.count * sizeof(WorldPoint);
    polyline.points.data = static_cast<WorldPoint*>(std::malloc(bytes));
    if (!polyline.points.data) OutOfMemory();
    std::memcpy(static_cast<void*>(polyline.points.data), points.data, bytes);
    polyline.points.count = polyline.points.capacity = static_cast<int32_t>(points.count);
  }
  points.count = 0;
  ArrayAppend(set.polylines, polyline);
}

int ReadLineEntity(LineSource& source, EntitySet& set, const Drawing& tables) {
  Polyline polyline = {};
  double x = 0;
  int ok = ReadItemPairs(source, [&](LineClass c, const char* value) {
    switch (c) {
      case LineClass::kG10:
      case LineClass::kG11: x = ParseDouble(value); break;
      case LineClass::kG20:
      case LineClass::kG21: PointAppend(source.points, {x, ParseDouble(value)}); break;
      case LineClass::kG39: polyline.width = ParseDouble(value); break;
      default: ApplyCommonGroup(c, value, tables, polyline);
    }
  });
  if (!ok) {
    source.points.count = 0;
    return 0;
  }
  AppendPolyline(set, polyline, source.points);
  return 1;
}

enum class VertexState { kHeader, kFirstNext, kTaking };

int ReadPolylineEntity(LineSource& source, EntitySet& set, const Drawing& tables, bool lightweight) {
  char value[kLineSize];
  Polyline polyline = {};
  VertexState state = lightweight ? VertexState::kFirstNext : VertexState::kHeader;
  WorldPoint current = {0, 0};
  WorldPoint previous = {0, 0};
  WorldPoint first = {0, 0};
  double bulge = 0;
  bool bulgePending = false;
  bool closed = false;
  bool ended = false;
  while (!ended) {
    LineClass c;
    if (!ReadCodeLine(source, c)) goto fail;
    if (lightweight && c == LineClass::kG0) break;
    if (!ReadGroupLine(source, value)) goto fail;
    switch (c) {
      case LineClass::kG40:
      case LineClass::kG41:
      case LineClass::kG43: polyline.width = ParseDouble(value); break;
      case LineClass::kG42:
        bulge = ParseDouble(value);
        bulgePending = true;
        break;
      case LineClass::kG10: current.x = ParseDouble(value); break;
      case LineClass::kG20:
        if (state == VertexState::kHeader) break;
        current.y = ParseDouble(value);
        if (state == VertexState::kFirstNext) {
          first = current;
          state = VertexState::kTaking;
        }
        if (bulgePending) BulgeArcPoints(previous, current, bulge, source.points);
        PointAppend(source.points, current);
        previous = current;
        bulgePending = false;
        break;
      case LineClass::kG70: closed = (ParseInt(value) & 1) != 0; break;
      case LineClass::kG0:
        switch (ClassifyLine(value)) {
          case LineClass::kVertex:
            if (state == VertexState::kHeader) state = VertexState::kFirstNext;
            break;
          case LineClass::kSeqEnd:
            if (!SkipToGroupZero(source)) goto fail;
            ended = true;
            break;
          default: break;
        }
        break;
      default: ApplyCommonGroup(c, value, tables, polyline);
    }
  }
  // A closed polyline without vertices has nothing to close. The last
  // vertex's bulge shapes the closing segment, as it does in the drawing.
  if (closed && state == VertexState::kTaking) {
    if (bulgePending) BulgeArcPoints(previous, first, bulge, source.points);
    PointAppend(source.points, first);
  }
  AppendPolyline(set, polyline, source.points);
  return 1;
fail:
  source.points.count = 0;
  return 0;
}

int ReadArcEntity(LineSource& source, EntitySet& set, const Drawing& tables) {
  Polyline polyline = {};
  WorldPoint centre = {0, 0};
  double radius = 0;
  double start = 0;
  double end = kTwoPi;
  int ok = ReadItemPairs(source, [&](LineClass c, const char* value) {
    switch (c) {
      case LineClass::kG10: centre.x = ParseDouble(value); break;
      case LineClass::kG20: centre.y = ParseDouble(value); break;
      case LineClass::kG40: radius = ParseDouble(value); break;
      case LineClass::kG50: start = ParseDouble(value) * kDegreesToRadians; break;
      case LineClass::kG51: end = ParseDouble(value) * kDegreesToRadians; break;
      default: ApplyCommonGroup(c, value, tables, polyline);
    }
  });
  if (!ok) return 0;
  ArcPoints(centre, radius, end, start, source.points);
  AppendPolyline(set, polyline, source.points);
  return 1;
}

// Follows the DXF definition: the minor axis is the major axis turned a
// quarter counter-clockwise, and the parameter runs counter-clockwise.
void EllipsePoints(WorldPoint centre, WorldPoint major, double ratio, double start, double end, PointBuffer& points) {
  double sweep = end - start;
  if (!std::isfinite(sweep) || !std::isfinite(start)) return;
  if (sweep <= 0) sweep += kTwoPi;
  // Parameters outside one turn (hostile files) still give at most one turn.
  if (sweep <= 0) {
    sweep = std::fmod(sweep, kTwoPi) + kTwoPi;
    if (sweep <= 0) sweep = kTwoPi;
  }
  if (sweep > kTwoPi) sweep = kTwoPi;
  const WorldPoint minor = {-major.y * ratio, major.x * ratio};
  SampleArc({start, kArcStep, start + sweep, StepCount(sweep), false}, [&](double t) {
    const double c = std::cos(t);
    const double s = std::sin(t);
    PointAppend(points, {centre.x + c * major.x + s * minor.x, centre.y + c * major.y + s * minor.y});
  });
}

int ReadEllipseEntity(LineSource& source, EntitySet& set, const Drawing& tables) {
  Polyline polyline = {};
  WorldPoint centre = {0, 0};
  WorldPoint major = {0, 0};
  double ratio = 1.0;
  double start = 0;
  double end = kTwoPi;
  int ok = ReadItemPairs(source, [&](LineClass c, const char* value) {
    switch (c) {
      case LineClass::kG10: centre.x = ParseDouble(value); break;
      case LineClass::kG20: centre.y = ParseDouble(value); break;
      case LineClass::kG11: major.x = ParseDouble(value); break;
      case LineClass::kG21: major.y = ParseDouble(value); break;
      case LineClass::kG40: ratio = ParseDouble(value); break;
      case LineClass::kG41: start = ParseDouble(value); break;
      case LineClass::kG42: end = ParseDouble(value); break;
      default: ApplyCommonGroup(c, value, tables, polyline);
    }
  });
  if (!ok) return 0;
  EllipsePoints(centre, major, ratio, start, end, source.points);
  AppendPolyline(set, polyline, source.points);
  return 1;
}

// SOLID and TRACE state their corners in zigzag order (1, 2, 4, 3); a 3DFACE
// states them round the face.
int ReadSolidEntity(LineSource& source, EntitySet& set, const Drawing& tables, bool face) {
  Polyline polyline = {};
  WorldPoint corner[4] = {};
  int ok = ReadItemPairs(source, [&](LineClass c, const char* value) {
    if (c >= LineClass::kG10 && c <= LineClass::kG13)
      corner[static_cast<int>(c) - static_cast<int>(LineClass::kG10)].x = ParseDouble(value);
    else if (c >= LineClass::kG20 && c <= LineClass::kG23)
      corner[static_cast<int>(c) - static_cast<int>(LineClass::kG20)].y = ParseDouble(value);
    else
      ApplyCommonGroup(c, value, tables, polyline);
  });
  if (!ok) return 0;
  if (face) {
    for (int i : {0, 1, 2, 3, 0}) PointAppend(source.points, corner[i]);
  } else {
    for (int i : {0, 1, 3, 2, 0}) PointAppend(source.points, corner[i]);
  }
  AppendPolyline(set, polyline, source.points);
  return 1;
}

int ReadInsertEntity(LineSource& source, const GrowArray<Block>& blocks, GrowArray<Insert>& inserts) {
  Insert insert = {-1, 0, 0, 1.0, 1.0, 0};
  int ok = ReadItemPairs(source, [&](LineClass c, const char* value) {
    switch (c) {
      case LineClass::kG2: {
        char key[kNameSize];
        CopyName(key, kNameSize, value);
        for (int32_t i = 0; i < blocks.count; ++i) {
          if (std::strcmp(blocks[i].name, key) == 0) {
            insert.block = i;
            break;
          }
        }
        break;
      }
      case LineClass::kG10: insert.x = ParseDouble(value); break;
      case LineClass::kG20: insert.y = ParseDouble(value); break;
      case LineClass::kG41: insert.xScale = ParseDouble(value); break;
      case LineClass::kG42: insert.yScale = ParseDouble(value); break;
      case LineClass::kG50: insert.rotation = -(ParseDouble(value) * kDegreesToRadians); break;
      default: break;
    }
  });
  if (!ok) return 0;
  if (insert.block >= 0) ArrayAppend(inserts, insert);
  return 1;
}

}  // namespace

void PointBufferGrow(PointBuffer& buffer) {
  if (buffer.capacity >= kMaxPoints) OutOfMemory();
  const size_t capacity = buffer.capacity ? std::min(buffer.capacity * 2, kMaxPoints) : kFirstPoints;
  void* grown = std::realloc(buffer.data, capacity * sizeof(WorldPoint));
  if (!grown) OutOfMemory();
  buffer.data = static_cast<WorldPoint*>(grown);
  buffer.capacity = capacity;
}

WorldPoint BulgeMidpoint(WorldPoint a, WorldPoint c, double bulge) {
  const double d = std::hypot(a.x - c.x, a.y - c.y);
  const double h = bulge * d * 0.5;
  return {(c.y - a.y) * h / d + (a.x + c.x) * 0.5, (a.y + c.y) * 0.5 - (c.x - a.x) * h / d};
}

void BulgeArcPoints(WorldPoint p0, WorldPoint p1, double bulge, PointBuffer& points) {
  if (bulge == 0) return;
  const double chord = std::hypot(p0.x - p1.x, p0.y - p1.y);
  // Coincident vertices span no arc.
  if (!(chord > 0)) return;
  const double diameter = 2 * (bulge * bulge + 1) * chord / (4 * std::fabs(bulge));
  // The bulge shared by the half-arcs of the next level.
  auto halve = [diameter](WorldPoint a, WorldPoint q, double previous) {
    const double x = diameter / std::hypot(a.x - q.x, a.y - q.y);
    return (x - std::sqrt(x * x - 1)) * (previous > 0 ? 1.0 : -1.0);
  };
  WorldPoint pts[17];  // arc order: p0, 15 inner points, p1
  pts[0] = p0;
  pts[16] = p1;
  pts[8] = BulgeMidpoint(p0, p1, bulge);
  const double b1 = halve(p0, pts[8], bulge);
  pts[4] = BulgeMidpoint(p0, pts[8], b1);
  pts[12] = BulgeMidpoint(pts[8], p1, b1);
  const double b2 = halve(p0, pts[4], b1);
  for (int i = 2; i < 16; i += 4) pts[i] = BulgeMidpoint(pts[i - 2], pts[i + 2], b2);
  const double b3 = halve(p0, pts[2], b2);
  for (int i = 1; i < 16; i += 2) pts[i] = BulgeMidpoint(pts[i - 1], pts[i + 1], b3);
  for (int i = 1; i < 16; ++i) PointAppend(points, pts[i]);
}

void ArcPoints(WorldPoint centre, double radius, double a0, double a1, PointBuffer& points) {
  // Angles are brought into one turn first, so negative angles and arcs
  // through zero neither vanish nor wind twice.
  if (!NormaliseAngle(a0) || !NormaliseAngle(a1)) return;
  const double sweep = a0 > a1 ? a0 - a1 : a0 + kTwoPi - a1;
  SampleArc({a0, -kArcStep, a1, StepCount(sweep), false}, [&](double a) {
    PointAppend(points, {centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
  });
}

int ReadEntities(LineSource& source, EntitySet& set, Drawing& tables, const GrowArray<Block>* blocks, LineClass stop,
                 GrowArray<Insert>* inserts) {
  char line[kLineSize];
  if (stop == LineClass::kEndSec && !SkipToGroupZero(source)) return 0;
  for (;;) {
    if (!ReadGroupLine(source, line)) return 0;
    const LineClass c = ClassifyLine(line);
    if (c == stop) return 1;
    int ok;
    switch (c) {
      case LineClass::kArcOrCircle: ok = ReadArcEntity(source, set, tables); break;
      case LineClass::kEllipse: ok = ReadEllipseEntity(source, set, tables); break;
      case LineClass::kInsert:
        ok = blocks && inserts ? ReadInsertEntity(source, *blocks, *inserts) : SkipToGroupZero(source);
        break;
      case LineClass::kLine: ok = ReadLineEntity(source, set, tables); break;
      case LineClass::kLwPolyline: ok = ReadPolylineEntity(source, set, tables, true); break;
      case LineClass::kPolyline: ok = ReadPolylineEntity(source, set, tables, false); break;
      case LineClass::kMText: ok = ReadTextEntity(source, set, tables, 1); break;
      case LineClass::kTextOrAttrib: ok = ReadTextEntity(source, set, tables, 0); break;
      case LineClass::kSolidLike:
      case LineClass::kFace3d: ok = ReadSolidEntity(source, set, tables, c == LineClass::kFace3d); break;
      default: CountSkippedEntity(source.report, line); ok = SkipToGroupZero(source);
    }
    if (!ok) return 0;
  }
}

}  // namespace dxf
