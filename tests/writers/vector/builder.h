// Drawings built in code for the vector writer tests.
#pragma once

#include <initializer_list>
#include <string>

#include "model/drawing.h"

namespace vector_test {

// A Drawing that frees itself.
struct OwnedDrawing {
  Drawing d;
  OwnedDrawing() { DrawingInit(d); }
  ~OwnedDrawing() { DrawingFree(&d); }
  OwnedDrawing(const OwnedDrawing&) = delete;
  OwnedDrawing& operator=(const OwnedDrawing&) = delete;
};

inline void AddPolyline(EntitySet& set, std::initializer_list<WorldPoint> points, int32_t colour = 7, int32_t layer = 0,
                        int32_t lineType = 0, double width = 0) {
  Polyline line{};
  for (WorldPoint p : points) ArrayAppend(line.points, p);
  line.colour = colour, line.layer = layer, line.lineType = lineType, line.width = width;
  ArrayAppend(set.polylines, line);
}

inline void AddText(EntitySet& set, const char* text, double x, double y, double height, int32_t colour = 7,
                    int32_t style = 0, double rotation = 0) {
  TextItem item{};
  item.x = x, item.y = y, item.text = set.pool.length;
  PoolAppend(set.pool, text);
  item.colour = colour, item.style = style, item.height = height, item.rotation = rotation;
  ArrayAppend(set.texts, item);
}

inline int32_t AddLayer(Drawing& d, const char* name, int32_t colour, int32_t lineType = 0) {
  Layer layer{};
  CopyName(layer.name, kNameSize, name);
  layer.colour = colour, layer.lineType = lineType;
  ArrayAppend(d.layers, layer);
  return d.layers.count - 1;
}

inline int32_t AddLineType(Drawing& d, const char* name, int32_t penStyle) {
  LineType type{};
  CopyName(type.name, kNameSize, name);
  type.penStyle = penStyle;
  ArrayAppend(d.lineTypes, type);
  return d.lineTypes.count - 1;
}

inline int32_t AddStyle(Drawing& d, const char* name, const char* face) {
  TextStyle style{};
  CopyName(style.name, kNameSize, name);
  CopyName(style.face, kFaceSize, face);
  ArrayAppend(d.textStyles, style);
  return d.textStyles.count - 1;
}

inline int32_t AddBlock(Drawing& d, const char* name) {
  Block block{};
  CopyName(block.name, kNameSize, name);
  EntitySetInit(block.entities);
  ArrayAppend(d.blocks, block);
  return d.blocks.count - 1;
}

inline void AddInsert(Drawing& d, int32_t block, double x, double y, double xScale, double yScale, double rotation) {
  ArrayAppend(d.inserts, Insert{block, x, y, xScale, yScale, rotation});
}

// "\n" line ends as CR LF, for stating expected file text readably.
inline std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

}  // namespace vector_test
