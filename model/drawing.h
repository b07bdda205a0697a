// The display list every reader fills and every writer and renderer consumes:
// polylines and single-line texts, three name tables, blocks and their placements.
//
// Records are plain, trivially copyable structures held by value in GrowArrays and
// referred to by index; strings live in a TextPool and are referred to by byte
// offset. Index 0 of each name table is an all-zero default record.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

// Growable array of fixed-size records. Storage may move on append, so keep
// indices, never pointers, across an append.
template <class T>
struct GrowArray {
  T* data;
  int32_t count;
  int32_t capacity;
  int32_t elementSize;

  T& operator[](int32_t i) { return data[i]; }
  const T& operator[](int32_t i) const { return data[i]; }
  T* begin() { return data; }
  T* end() { return data + count; }
  const T* begin() const { return data; }
  const T* end() const { return data + count; }
};

// NUL-terminated strings back to back; a string is known by its byte offset.
struct TextPool {
  char* data;
  int32_t length;
  int32_t capacity;
};

struct WorldPoint {
  double x;
  double y;
};

struct Polyline {
  GrowArray<WorldPoint> points;
  int32_t colour;  // 0: the layer's colour
  int32_t layer;
  int32_t lineType;  // 0: the layer's line type
  int32_t filled;
  double width;  // drawing units; 0 is the thinnest line
};

struct TextItem {
  double x;  // top-left corner of the drawn text
  double y;
  int32_t text;  // offset in the pool of the same EntitySet
  int32_t colour;
  int32_t layer;
  int32_t style;
  double height;
  double rotation;  // radians, counter-clockwise
};

constexpr int kNameSize = 128;
constexpr int kFaceSize = 40;

struct LineType {
  char name[kNameSize];
  int32_t penStyle;  // 0 solid, 1 dashed, 2 dotted, 3 dash-dot
};

struct Layer {
  char name[kNameSize];
  int32_t colour;
  int32_t lineType;
};

struct TextStyle {
  char name[kNameSize];
  char face[kFaceSize];
};

struct EntitySet {
  GrowArray<Polyline> polylines;
  GrowArray<TextItem> texts;
  TextPool pool;
};

struct Block {
  char name[kNameSize];
  EntitySet entities;
};

struct Insert {
  int32_t block;
  double x;
  double y;
  double xScale;
  double yScale;
  double rotation;  // radians, clockwise positive (the negative of a DXF angle)
};

struct Drawing {
  EntitySet entities;
  GrowArray<LineType> lineTypes;
  GrowArray<Layer> layers;
  GrowArray<TextStyle> textStyles;
  GrowArray<Block> blocks;
  GrowArray<Insert> inserts;
  WorldPoint extMin;
  WorldPoint extMax;
};

static_assert(std::is_trivially_copyable_v<Drawing>);
static_assert(std::is_trivially_copyable_v<Block>);

// Ends the process with status 1, as running out of memory in a container does.
[[noreturn]] void OutOfMemory();

// Grows `array` by 8192 bytes' worth of records when full; new storage is zeroed.
void GrowArrayReserveOne(void** data, int32_t count, int32_t* capacity, int32_t elementSize);

// Room for at least `newCapacity` records at once; new storage is zeroed.
void GrowArrayReserve(void** data, int32_t* capacity, int32_t elementSize, int64_t newCapacity);

// The same without clearing the new storage, for readers that fill every
// record they make room for at once.
void GrowArrayReserveUncleared(void** data, int32_t* capacity, int32_t elementSize, int64_t newCapacity);

template <class T>
void ArrayReserve(GrowArray<T>& array, int64_t newCapacity) {
  static_assert(std::is_trivially_copyable_v<T>);
  array.elementSize = static_cast<int32_t>(sizeof(T));
  void* data = array.data;
  GrowArrayReserve(&data, &array.capacity, array.elementSize, newCapacity);
  array.data = static_cast<T*>(data);
}

template <class T>
void ArrayAppend(GrowArray<T>& array, const T& record) {
  static_assert(std::is_trivially_copyable_v<T>);
  if (array.elementSize == 0) array.elementSize = static_cast<int32_t>(sizeof(T));
  if (array.count + 1 > array.capacity) {
    void* data = array.data;
    GrowArrayReserveOne(&data, array.count, &array.capacity, static_cast<int32_t>(sizeof(T)));
    array.data = static_cast<T*>(data);
  }
  std::memcpy(static_cast<void*>(array.data + array.count), &record, sizeof(T));
  ++array.count;
}

template <class T>
void ArrayFree(GrowArray<T>& array) {
  std::free(array.data);
  array.data = nullptr;
  array.count = 0;
  array.capacity = 0;
}

// Appends `string` with its NUL at offset `length`; read `length` before the call
// to learn the string's offset.
void PoolAppend(TextPool& pool, const char* string);
// The same for a string of `n` bytes not NUL-terminated in the source.
void PoolAppendN(TextPool& pool, const char* string, int32_t n);

void EntitySetInit(EntitySet& set);
void EntitySetFree(EntitySet& set);
void DrawingInit(Drawing& drawing);
void DrawingFree(Drawing* drawing);

// Smallest index >= 1 whose name equals `name` byte for byte, else 0.
template <class T>
int32_t FindTableEntry(const GrowArray<T>& table, const char* name) {
  for (int32_t i = 1; i < table.count; ++i)
    if (std::strcmp(table.data[i].name, name) == 0) return i;
  return 0;
}

// By name, or by face when `byFace` is nonzero.
int32_t FindTextStyle(const GrowArray<TextStyle>& table, const char* name, int byFace);

// Copies at most size-1 bytes of `source` into a fixed field and terminates it.
void CopyName(char* field, int size, const char* source);

// Bounding box of the finite points of every polyline of `set`. An empty set
// leaves min = +FLT_MAX and max = -FLT_MAX, so min lies above max.
void ComputeExtents(const EntitySet& set, WorldPoint& min, WorldPoint& max);
// Grows the box to hold `p`; a point that is not finite is passed over.
void IncludeInExtents(WorldPoint p, WorldPoint& min, WorldPoint& max);

// The transform an Insert applies to its block's points: scale, turn by the
// angle the source stated, move to the insertion point.
struct InsertTransform {
  double a, b, d, e, x, y;
};
InsertTransform MakeInsertTransform(const Insert& insert);
inline WorldPoint ApplyTransform(const InsertTransform& t, WorldPoint p) {
  return {t.a * p.x + t.b * p.y + t.x, t.d * p.x + t.e * p.y + t.y};
}

// Extents of everything the drawing shows: model-space polylines and texts, and
// every inserted block's polylines and texts through its insert's transform (a
// text's box is estimated from its height, length and angle). Non-finite points
// are ignored.
void ComputeDrawingExtents(const Drawing& drawing, WorldPoint& min, WorldPoint& max);

// Whether any part of the drawing lies strictly inside the box: a point or a
// segment of a polyline, or a text's reference point, in model space or placed
// by an insert. A segment along the box's edge does not count.
bool DrawingMeetsBox(const Drawing& drawing, WorldPoint min, WorldPoint max);

// The largest single-precision value: the start of an extents computation.
constexpr double kExtentsStart = 3.4028234663852886e+38;
