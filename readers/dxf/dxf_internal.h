// Internals of the DXF reader shared by its files and its tests: the line
// source, the group-code classifier, the scanning routines, the lookups with the
// by-layer/by-block rule, and the entity and text readers. Only dxf.h is public.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "model/drawing.h"
#include "platform/read_report.h"

namespace dxf {

// A line buffer holds at most kLineSize - 1 characters and its NUL. Longer
// lines are read whole (pairing never shifts) and cut to kLineSize - 2
// characters plus the line end.
constexpr int kLineSize = 1024;
// Bytes fetched from the file at once.
constexpr size_t kChunkSize = 64 * 1024;

// The points of the entity being read, gathered with doubling growth and
// copied into an exactly sized list when the entity ends: a point list costs
// what its points need, and long polylines grow in amortised constant time.
struct PointBuffer {
  WorldPoint* data;
  size_t count;
  size_t capacity;
};
// Doubles the buffer's storage; the rare half of PointAppend.
void PointBufferGrow(PointBuffer& buffer);
inline void PointAppend(PointBuffer& buffer, WorldPoint p) {
  if (buffer.count == buffer.capacity) PointBufferGrow(buffer);
  buffer.data[buffer.count++] = p;
}

// Reads lines from a FILE* or from a block of memory, one forward pass.
// A CR LF line end arrives as "\n", so CR LF and LF files read alike. It also
// carries the one point buffer the entity readers share.
struct LineSource {
  FILE* file;        // null for a memory source
  const char* data;  // the window being read: the chunk, or the memory block
  size_t pos;
  size_t size;
  int64_t lineNumber;  // lines read so far: where a failure happened
  char* chunk;         // kChunkSize bytes for a file source
  PointBuffer points;  // released by ReadDxf
  ReadReport* report;  // may be null
};

void OpenFileSource(LineSource& source, FILE* file, char* chunk);
void OpenMemorySource(LineSource& source, const char* data, size_t size);

enum class LineClass : uint8_t {
  kNone,
  // group codes
  kG0,
  kG1,
  kG2,
  kG3,
  kG6,
  kG7,
  kG8,
  kG9,
  kG10,
  kG11,
  kG12,
  kG13,
  kG20,
  kG21,
  kG22,
  kG23,
  kG39,
  kG40,
  kG41,
  kG42,
  kG43,
  kG49,
  kG50,
  kG51,
  kG62,
  kG70,
  kG71,
  kG72,
  kG73,
  kG1000,
  // keywords
  kSection,
  kEndSec,
  kEof,
  kHeader,
  kTables,
  kTable,
  kEndTab,
  kLtype,
  kLayer,
  kStyle,
  kBlocks,
  kBlock,
  kEndBlk,
  kEntities,
  kExtMin,
  kExtMax,
  kByLayer,
  kByBlock,
  kLine,
  kPolyline,
  kLwPolyline,
  kVertex,
  kSeqEnd,
  kEllipse,
  kInsert,
  kMText,
  kArcOrCircle,
  kTextOrAttrib,
  kSolidLike,
  kFace3d,
};

// 1 when a line was read into `line` (kLineSize bytes), 0 at end of file or on
// a read error.
int ReadGroupLine(LineSource& source, char* line);
LineClass ClassifyLine(const char* line);
// Reads a line and classifies it: ClassifyLine(ReadGroupLine) without the copy
// when the line lies whole in the source's window, as most do. For code lines,
// whose text no one keeps. 1, or 0 as ReadGroupLine.
int ReadCodeLine(LineSource& source, LineClass& cls);
// Reads pairs until a group 0 code line: 1, or 0 when a read fails.
int SkipToGroupZero(LineSource& source);

// The loop every item reader shares: reads the pairs of one item up to the code
// line of the next group 0 (its value, the next item's name, stays unread) and
// hands each pair to `take(code class, value)`. 1, or 0 when a read fails.
template <class Take>
int ReadItemPairs(LineSource& source, Take take) {
  char value[kLineSize];
  for (;;) {
    LineClass c;
    if (!ReadCodeLine(source, c)) return 0;
    if (c == LineClass::kG0) return 1;
    if (!ReadGroupLine(source, value)) return 0;
    take(c, value);
  }
}
// Reads pairs until a group 0 whose value is `wanted` (1) or `stop` (-1); 0
// when a read fails.
int SeekGroupZero(LineSource& source, LineClass wanted, LineClass stop);

// Numbers as the C library's atof/atoi read them (leading blanks, then as much
// as fits), but locale-free, and atoi saturates instead of overflowing.
double ParseDouble(const char* text);
int32_t ParseInt(const char* text);

// Table look-ups on value lines. Names are stored cut to their field, so the
// key is cut the same way before comparing.
int32_t FindLayerByName(const GrowArray<Layer>& layers, const char* name);
int32_t FindLineTypeByName(const GrowArray<LineType>& lineTypes, const char* name);
int32_t FindStyleByName(const GrowArray<TextStyle>& styles, const char* name, int byFace);

// Groups 6, 8 and 62, which every graphic entity shares.
void ApplyCommonGroup(LineClass code, const char* value, const Drawing& tables, Polyline& polyline);

// The entity loop of the ENTITIES section (blocks given, stop kEndSec) or of a
// block definition (blocks null, stop kEndBlk).
int ReadEntities(LineSource& source, EntitySet& set, Drawing& tables, const GrowArray<Block>* blocks, LineClass stop,
                 GrowArray<Insert>* inserts);
int ReadTextEntity(LineSource& source, EntitySet& set, Drawing& tables, int isMText);

// Curve sampling, exposed for tests.
void BulgeArcPoints(WorldPoint p0, WorldPoint p1, double bulge, PointBuffer& points);
WorldPoint BulgeMidpoint(WorldPoint a, WorldPoint c, double bulge);
void ArcPoints(WorldPoint centre, double radius, double a0, double a1, PointBuffer& points);

// MTEXT formatting of `content`, edited in place; `textStyles` may grow.
void FormatMText(char* content, EntitySet& set, GrowArray<TextStyle>& textStyles, TextItem& item, int hAlign);

// The whole read over an open source, without messages: 1 / 0.
int ReadDxf(LineSource& source, Drawing& drawing);

}  // namespace dxf

// The reader over a block of memory (fuzzing, tests): like dxf_proc, but
// silent; on failure the Drawing is left freed.
int dxf_proc_memory(const char* data, size_t size, Drawing* drawing, ReadReport* report = nullptr);
