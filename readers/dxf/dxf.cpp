// The upper half of the DXF reader: the entry point, the section loop, the
// header extents, the LTYPE, LAYER and STYLE tables and the block definitions.
// Entities and texts are read by dxf_entities.cpp and dxf_text.cpp.
#include "readers/dxf/dxf.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "readers/dxf/dxf_internal.h"

namespace dxf {
namespace {

// Smallest extent (2^-22) that the header may give on either axis.
constexpr double kMinExtent = 2.384185791015625e-7;
// A dash element shorter than this is a dot.
constexpr double kZeroElement = 2.384185791015625e-7;
constexpr int kMaxLayerColour = 255;

// The line end of a value line, which names keep but faces and texts do not.
void StripLineEnd(char* s) {
  size_t n = std::strlen(s);
  if (n > 0 && s[n - 1] == '\n') s[n - 1] = '\0';
}

int ReadHeaderSection(LineSource& source, WorldPoint& extMin, WorldPoint& extMax) {
  char code[kLineSize];
  char value[kLineSize];
  double* x = nullptr;
  double* y = nullptr;
  for (;;) {
    if (!ReadGroupLine(source, code) || !ReadGroupLine(source, value)) return 0;
    switch (ClassifyLine(code)) {
      case LineClass::kG0:
        if (ClassifyLine(value) == LineClass::kEndSec) return 1;
        x = y = nullptr;
        break;
      case LineClass::kG9:
        switch (ClassifyLine(value)) {
          case LineClass::kExtMin:
            x = &extMin.x;
            y = &extMin.y;
            break;
          case LineClass::kExtMax:
            x = &extMax.x;
            y = &extMax.y;
            break;
          default: x = y = nullptr;
        }
        break;
      case LineClass::kG10:
        if (x) {
          *x = ParseDouble(value);
          x = nullptr;
        } else {
          y = nullptr;
        }
        break;
      case LineClass::kG20:
        if (y) {
          *y = ParseDouble(value);
          y = nullptr;
        } else {
          x = nullptr;
        }
        break;
      default: x = y = nullptr;
    }
  }
}

enum class TableKind { kLineType, kLayer, kStyle };

// The three tables share one loop: records begin at each group 0 naming the
// table's keyword and end at the next one or at ENDTAB.
int ReadTable(LineSource& source, Drawing& drawing, TableKind kind) {
  const LineClass keyword = kind == TableKind::kLineType ? LineClass::kLtype
                            : kind == TableKind::kLayer  ? LineClass::kLayer
                                                         : LineClass::kStyle;
  char code[kLineSize];
  char value[kLineSize];
  char name[kNameSize] = {};
  char face[kFaceSize] = {};
  int32_t colour = 0;
  int32_t lineType = 0;
  int32_t elements = 0;
  bool zeroElement = false;
  bool inHeader = true;
  for (;;) {
    if (!ReadGroupLine(source, code) || !ReadGroupLine(source, value)) return 0;
    const LineClass c = ClassifyLine(code);
    if (c == LineClass::kG0) {
      const LineClass v = ClassifyLine(value);
      if (v == keyword && inHeader) {
        inHeader = false;
        continue;
      }
      if (v != keyword && v != LineClass::kEndTab) continue;
      // An empty table has no record to finish.
      if (!inHeader) {
        if (kind == TableKind::kLineType) {
          LineType record = {};
          std::memcpy(record.name, name, sizeof name);
          record.penStyle = elements == 2 ? (zeroElement ? 2 : 1) : elements > 0 ? 3 : 0;
          ArrayAppend(drawing.lineTypes, record);
        } else if (kind == TableKind::kLayer) {
          Layer record = {};
          std::memcpy(record.name, name, sizeof name);
          record.colour = colour;
          record.lineType = lineType;
          ArrayAppend(drawing.layers, record);
        } else {
          TextStyle record = {};
          std::memcpy(record.name, name, sizeof name);
          std::memcpy(record.face, face, sizeof face);
          ArrayAppend(drawing.textStyles, record);
        }
      }
      if (v == LineClass::kEndTab) return 1;
      std::memset(name, 0, sizeof name);
      std::memset(face, 0, sizeof face);
      colour = lineType = elements = 0;
      zeroElement = false;
      continue;
    }
    if (inHeader) continue;
    switch (c) {
      case LineClass::kG2: CopyName(name, kNameSize, value); break;
      case LineClass::kG3:
        if (name[0] == '\0') CopyName(name, kNameSize, value);
        break;
      case LineClass::kG49:
        if (kind == TableKind::kLineType && std::fabs(ParseDouble(value)) < kZeroElement) zeroElement = true;
        break;
      case LineClass::kG73:
        if (kind == TableKind::kLineType) elements = ParseInt(value);
        break;
      case LineClass::kG6:
        if (kind == TableKind::kLayer) lineType = FindLineTypeByName(drawing.lineTypes, value);
        break;
      case LineClass::kG62:
        if (kind == TableKind::kLayer) {
          int64_t n = std::llabs(static_cast<int64_t>(ParseInt(value)));
          colour = n <= kMaxLayerColour ? static_cast<int32_t>(n) : kMaxLayerColour;
        }
        break;
      case LineClass::kG1000:
        if (kind == TableKind::kStyle) {
          StripLineEnd(value);
          CopyName(face, kFaceSize, value);
        }
        break;
      default: break;
    }
  }
}

int ReadTablesSection(LineSource& source, Drawing& drawing) {
  char code[kLineSize];
  char value[kLineSize];
  for (;;) {
    int found = SeekGroupZero(source, LineClass::kTable, LineClass::kEndSec);
    if (found <= 0) return found < 0 ? 1 : 0;
    if (!ReadGroupLine(source, code) || !ReadGroupLine(source, value)) return 0;
    if (ClassifyLine(code) != LineClass::kG2) continue;
    int ok = 1;
    switch (ClassifyLine(value)) {
      case LineClass::kLtype: ok = ReadTable(source, drawing, TableKind::kLineType); break;
      case LineClass::kLayer: ok = ReadTable(source, drawing, TableKind::kLayer); break;
      case LineClass::kStyle: ok = ReadTable(source, drawing, TableKind::kStyle); break;
      default: break;
    }
    if (!ok) return 0;
  }
}

// Gives back the unused growth of a block's lists: a file of many small blocks
// then costs memory in proportion to its content.
template <class T>
void ShrinkToFit(GrowArray<T>& array) {
  if (array.count == array.capacity) return;
  if (array.count == 0) {
    ArrayFree(array);
    return;
  }
  void* data = std::realloc(array.data, static_cast<size_t>(array.count) * sizeof(T));
  if (!data) OutOfMemory();
  array.data = static_cast<T*>(data);
  array.capacity = array.count;
}

void ShrinkToFit(TextPool& pool) {
  if (pool.length == pool.capacity || pool.length == 0) return;
  void* data = std::realloc(pool.data, static_cast<size_t>(pool.length));
  if (!data) OutOfMemory();
  pool.data = static_cast<char*>(data);
  pool.capacity = pool.length;
}

int ReadBlocksSection(LineSource& source, Drawing& drawing) {
  char line[kLineSize];
  char alternative[kLineSize] = {};
  Block block = {};
  bool inBlock = false;
  for (;;) {
    if (!ReadGroupLine(source, line)) return 0;
    const LineClass c = ClassifyLine(line);
    if (c == LineClass::kG0 && inBlock) {
      EntitySetInit(block.entities);
      if (!ReadEntities(source, block.entities, drawing, nullptr, LineClass::kEndBlk, nullptr)) {
        EntitySetFree(block.entities);
        return 0;
      }
      if (block.entities.polylines.count == 0 && block.entities.texts.count == 0) {
        EntitySetFree(block.entities);
      } else {
        if (block.name[0] == '\0') CopyName(block.name, kNameSize, alternative);
        ShrinkToFit(block.entities.polylines);
        ShrinkToFit(block.entities.texts);
        ShrinkToFit(block.entities.pool);
        ArrayAppend(drawing.blocks, block);
      }
      inBlock = false;
      continue;
    }
    if (!ReadGroupLine(source, line)) return 0;
    if (c == LineClass::kG3) {
      std::memcpy(alternative, line, sizeof alternative);
    } else if (c == LineClass::kG2) {
      if (inBlock) CopyName(block.name, kNameSize, line);
    } else if (c == LineClass::kG0) {
      const LineClass v = ClassifyLine(line);
      if (v == LineClass::kBlock) {
        inBlock = true;
        block = {};
        alternative[0] = '\0';
      } else if (v == LineClass::kEndSec) {
        return 1;
      }
    }
  }
}

// Header extents are trusted only when they span a finite, non-empty box.
bool UsableExtents(const WorldPoint& min, const WorldPoint& max) {
  if (!std::isfinite(min.x) || !std::isfinite(min.y) || !std::isfinite(max.x) || !std::isfinite(max.y)) return false;
  return std::fabs(max.x - min.x) >= kMinExtent && std::fabs(max.y - min.y) >= kMinExtent && max.x >= min.x &&
         max.y >= min.y;
}

// Computed extents cover texts and inserted blocks too, so drawings without
// header extents are not clipped to their bare polylines. Header extents that
// hold none of the drawing are stale: some exporters state a default page
// (an SVG-to-DXF export gives 8.5 x 11 for any drawing) or a box beside the
// geometry. An empty drawing keeps what the header says.
void SettleExtents(Drawing& drawing) {
  if (UsableExtents(drawing.extMin, drawing.extMax)) {
    if (DrawingMeetsBox(drawing, drawing.extMin, drawing.extMax)) return;
    WorldPoint min, max;
    ComputeDrawingExtents(drawing, min, max);
    if (min.x > max.x || min.y > max.y) return;
    drawing.extMin = min;
    drawing.extMax = max;
    return;
  }
  ComputeDrawingExtents(drawing, drawing.extMin, drawing.extMax);
}

int ReadSections(LineSource& source, Drawing& drawing) {
  char code[kLineSize];
  char value[kLineSize];
  for (;;) {
    int found = SeekGroupZero(source, LineClass::kSection, LineClass::kEof);
    if (found <= 0) return found < 0 ? 1 : 0;
    if (!ReadGroupLine(source, code) || !ReadGroupLine(source, value)) return 0;
    if (ClassifyLine(code) != LineClass::kG2) continue;
    int ok = 1;
    switch (ClassifyLine(value)) {
      case LineClass::kBlocks: ok = ReadBlocksSection(source, drawing); break;
      case LineClass::kEntities:
        ok = ReadEntities(source, drawing.entities, drawing, &drawing.blocks, LineClass::kEndSec, &drawing.inserts);
        if (ok) SettleExtents(drawing);
        break;
      case LineClass::kHeader: ok = ReadHeaderSection(source, drawing.extMin, drawing.extMax); break;
      case LineClass::kTables: ok = ReadTablesSection(source, drawing); break;
      default: break;
    }
    if (!ok) return 0;
  }
}

}  // namespace

int ReadDxf(LineSource& source, Drawing& drawing) {
  int ok = ReadSections(source, drawing);
  std::free(source.points.data);
  source.points = {};
  // Every read stops at the first line it cannot have: the data ended early.
  return ok ? 1 : Fail(source.report, ReadFault::kTruncated, source.lineNumber);
}

}  // namespace dxf

int dxf_proc_memory(const char* data, size_t size, Drawing* drawing, ReadReport* report) {
  std::memset(static_cast<void*>(drawing), 0, sizeof *drawing);
  DrawingInit(*drawing);
  dxf::LineSource source;
  dxf::OpenMemorySource(source, data, size);
  source.report = report;
  if (dxf::ReadDxf(source, *drawing)) return 1;
  DrawingFree(drawing);
  return 0;
}

int dxf_proc(const char* fileName, Drawing* drawing, ReadReport* report) {
  std::memset(static_cast<void*>(drawing), 0, sizeof *drawing);
  FILE* file = std::fopen(fileName, "rb");
  if (!file) {
    std::printf("Unable to fopen %s\n", fileName);
    DrawingFree(drawing);
    return Fail(report, ReadFault::kCannotOpen, 0);
  }
  DrawingInit(*drawing);
  char* chunk = static_cast<char*>(std::malloc(dxf::kChunkSize));
  if (!chunk) OutOfMemory();
  dxf::LineSource source;
  dxf::OpenFileSource(source, file, chunk);
  source.report = report;
  int ok = dxf::ReadDxf(source, *drawing);
  if (!ok) std::printf("Unable to dxf_proc\n");
  std::free(chunk);
  std::fclose(file);
  if (!ok) DrawingFree(drawing);
  return ok;
}
