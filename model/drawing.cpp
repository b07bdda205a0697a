#include "model/drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int64_t kArrayStepBytes = 8192;
// A new array starts with this much and doubles up to the coarse step: most
// arrays are the point lists of short polylines, and a whole coarse step for
// each of them made a 20,000-entity drawing cost hundreds of megabytes.
constexpr int64_t kArrayFirstBytes = 128;
constexpr int64_t kPoolStepBytes = 4096;
// Containers index with 32-bit counts; storage beyond this cannot be addressed.
constexpr int64_t kMaxContainerBytes = INT32_MAX;

void Include(WorldPoint p, WorldPoint& min, WorldPoint& max) {
  if (p.x < min.x) min.x = p.x;
  if (p.x > max.x) max.x = p.x;
  if (p.y < min.y) min.y = p.y;
  if (p.y > max.y) max.y = p.y;
}

void IncludeFinite(WorldPoint p, WorldPoint& min, WorldPoint& max) {
  if (std::isfinite(p.x) && std::isfinite(p.y)) Include(p, min, max);
}

// The box a text covers below and to the right of its reference point (its
// top-left corner), turned by its angle, so text at the edge of a drawing is not
// cut off. Glyph widths are not known here: a character counts as kTextWidthPerHeight
// heights, about the average of a sans face.
constexpr double kTextWidthPerHeight = 0.6;
constexpr double kMaxTextBoxHeights = 1024;  // a hostile string must not dwarf the drawing

void IncludeTextBox(const EntitySet& set, const TextItem& text, WorldPoint at, WorldPoint& min, WorldPoint& max) {
  if (!(text.height > 0) || !std::isfinite(text.height) || !std::isfinite(text.rotation)) return;
  if (text.text < 0 || text.text >= set.pool.length) return;
  double chars =
      static_cast<double>(strnlen(set.pool.data + text.text, static_cast<size_t>(set.pool.length - text.text)));
  double width = std::min(chars * kTextWidthPerHeight, kMaxTextBoxHeights) * text.height;
  double c = std::cos(text.rotation), s = std::sin(text.rotation);
  const WorldPoint corners[] = {{width, 0}, {0, -text.height}, {width, -text.height}};
  for (WorldPoint k : corners) IncludeFinite({at.x + c * k.x - s * k.y, at.y + s * k.x + c * k.y}, min, max);
}

void IncludeSet(const EntitySet& set, const InsertTransform* t, WorldPoint& min, WorldPoint& max) {
  for (const Polyline& line : set.polylines)
    for (const WorldPoint& p : line.points) IncludeFinite(t ? ApplyTransform(*t, p) : p, min, max);
  for (const TextItem& text : set.texts) {
    WorldPoint p{text.x, text.y};
    if (t) p = ApplyTransform(*t, p);
    IncludeFinite(p, min, max);
    IncludeTextBox(set, text, p, min, max);
  }
}

bool Inside(WorldPoint p, WorldPoint min, WorldPoint max) {
  return p.x > min.x && p.x < max.x && p.y > min.y && p.y < max.y;
}

// Clips a-b to the closed box. The box is convex, so a segment meets its
// interior exactly when the middle of the clipped part lies inside.
bool SegmentMeetsBox(WorldPoint a, WorldPoint b, WorldPoint min, WorldPoint max) {
  if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) return false;
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - min.x, max.x - a.x, a.y - min.y, max.y - a.y};
  double t0 = 0;
  double t1 = 1;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const double t = (t0 + t1) / 2;
  return Inside({a.x + t * dx, a.y + t * dy}, min, max);
}

bool SetMeetsBox(const EntitySet& set, const InsertTransform* t, WorldPoint min, WorldPoint max) {
  auto place = [t](WorldPoint p) { return t ? ApplyTransform(*t, p) : p; };
  for (const Polyline& line : set.polylines) {
    if (line.points.count == 1 && Inside(place(line.points[0]), min, max)) return true;
    for (int32_t i = 1; i < line.points.count; ++i)
      if (SegmentMeetsBox(place(line.points[i - 1]), place(line.points[i]), min, max)) return true;
  }
  for (const TextItem& text : set.texts)
    if (Inside(place({text.x, text.y}), min, max)) return true;
  return false;
}

}  // namespace

void OutOfMemory() { std::exit(1); }

void GrowArrayReserveOne(void** data, int32_t count, int32_t* capacity, int32_t elementSize) {
  int64_t held = static_cast<int64_t>(*capacity) * elementSize;
  int64_t stepBytes = held < kArrayFirstBytes ? kArrayFirstBytes : held < kArrayStepBytes ? held : kArrayStepBytes;
  int64_t step = stepBytes / elementSize;
  if (step < 1) step = 1;
  (void)count;
  GrowArrayReserve(data, capacity, elementSize, static_cast<int64_t>(*capacity) + step);
}

void GrowArrayReserveUncleared(void** data, int32_t* capacity, int32_t elementSize, int64_t newCapacity) {
  if (newCapacity <= *capacity) return;
  int64_t bytes = newCapacity * elementSize;
  if (newCapacity > INT32_MAX || bytes > kMaxContainerBytes) OutOfMemory();
  void* grown = std::realloc(*data, static_cast<size_t>(bytes));
  if (!grown) OutOfMemory();
  *data = grown;
  *capacity = static_cast<int32_t>(newCapacity);
}

void GrowArrayReserve(void** data, int32_t* capacity, int32_t elementSize, int64_t newCapacity) {
  const int64_t oldBytes = static_cast<int64_t>(*capacity) * elementSize;
  GrowArrayReserveUncleared(data, capacity, elementSize, newCapacity);
  const int64_t bytes = static_cast<int64_t>(*capacity) * elementSize;
  std::memset(static_cast<char*>(*data) + oldBytes, 0, static_cast<size_t>(bytes - oldBytes));
}

void PoolAppendN(TextPool& pool, const char* string, int32_t n) {
  int64_t need = static_cast<int64_t>(n) + 1;
  if (pool.length + need > pool.capacity) {
    int64_t newCapacity = static_cast<int64_t>(pool.capacity) + (need > kPoolStepBytes ? need : kPoolStepBytes);
    if (newCapacity > kMaxContainerBytes) OutOfMemory();
    char* grown = static_cast<char*>(std::realloc(pool.data, static_cast<size_t>(newCapacity)));
    if (!grown) OutOfMemory();
    pool.data = grown;
    pool.capacity = static_cast<int32_t>(newCapacity);
  }
  std::memcpy(pool.data + pool.length, string, static_cast<size_t>(n));
  pool.data[pool.length + n] = '\0';
  pool.length += static_cast<int32_t>(need);
}

void PoolAppend(TextPool& pool, const char* string) {
  size_t n = std::strlen(string);
  if (n >= static_cast<size_t>(kMaxContainerBytes)) OutOfMemory();
  PoolAppendN(pool, string, static_cast<int32_t>(n));
}

void EntitySetInit(EntitySet& set) {
  set.polylines.elementSize = sizeof(Polyline);
  set.texts.elementSize = sizeof(TextItem);
}

void EntitySetFree(EntitySet& set) {
  for (Polyline& line : set.polylines) ArrayFree(line.points);
  std::free(set.polylines.data);
  std::free(set.texts.data);
  std::free(set.pool.data);
  std::memset(static_cast<void*>(&set), 0, sizeof set);
}

void DrawingInit(Drawing& drawing) {
  std::memset(static_cast<void*>(&drawing), 0, sizeof drawing);
  EntitySetInit(drawing.entities);
  drawing.blocks.elementSize = sizeof(Block);
  drawing.inserts.elementSize = sizeof(Insert);
  drawing.lineTypes.elementSize = sizeof(LineType);
  drawing.layers.elementSize = sizeof(Layer);
  drawing.textStyles.elementSize = sizeof(TextStyle);
  ArrayAppend(drawing.lineTypes, LineType{});
  ArrayAppend(drawing.layers, Layer{});
  ArrayAppend(drawing.textStyles, TextStyle{});
}

void DrawingFree(Drawing* drawing) {
  if (!drawing) return;
  std::free(drawing->lineTypes.data);
  std::free(drawing->layers.data);
  std::free(drawing->textStyles.data);
  for (Block& block : drawing->blocks) EntitySetFree(block.entities);
  std::free(drawing->blocks.data);
  std::free(drawing->inserts.data);
  EntitySetFree(drawing->entities);
  std::memset(static_cast<void*>(drawing), 0, sizeof *drawing);
}

int32_t FindTextStyle(const GrowArray<TextStyle>& table, const char* name, int byFace) {
  if (!byFace) return FindTableEntry(table, name);
  for (int32_t i = 1; i < table.count; ++i)
    if (std::strcmp(table.data[i].face, name) == 0) return i;
  return 0;
}

void CopyName(char* field, int size, const char* source) {
  size_t n = std::strlen(source);
  if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
  std::memcpy(field, source, n);
  field[n] = '\0';
}

void ComputeExtents(const EntitySet& set, WorldPoint& min, WorldPoint& max) {
  min = {kExtentsStart, kExtentsStart};
  max = {-kExtentsStart, -kExtentsStart};
  for (const Polyline& line : set.polylines)
    for (const WorldPoint& p : line.points) IncludeFinite(p, min, max);
}

void IncludeInExtents(WorldPoint p, WorldPoint& min, WorldPoint& max) { IncludeFinite(p, min, max); }

InsertTransform MakeInsertTransform(const Insert& insert) {
  double s = std::sin(insert.rotation);
  double c = std::cos(insert.rotation);
  return {c * insert.xScale, s * insert.yScale, -(s * insert.xScale), c * insert.yScale, insert.x, insert.y};
}

void ComputeDrawingExtents(const Drawing& drawing, WorldPoint& min, WorldPoint& max) {
  min = {kExtentsStart, kExtentsStart};
  max = {-kExtentsStart, -kExtentsStart};
  IncludeSet(drawing.entities, nullptr, min, max);
  for (const Insert& insert : drawing.inserts) {
    if (insert.block < 0 || insert.block >= drawing.blocks.count) continue;
    InsertTransform t = MakeInsertTransform(insert);
    IncludeSet(drawing.blocks[insert.block].entities, &t, min, max);
  }
}

bool DrawingMeetsBox(const Drawing& drawing, WorldPoint min, WorldPoint max) {
  if (SetMeetsBox(drawing.entities, nullptr, min, max)) return true;
  for (const Insert& insert : drawing.inserts) {
    if (insert.block < 0 || insert.block >= drawing.blocks.count) continue;
    const InsertTransform t = MakeInsertTransform(insert);
    if (SetMeetsBox(drawing.blocks[insert.block].entities, &t, min, max)) return true;
  }
  return false;
}
