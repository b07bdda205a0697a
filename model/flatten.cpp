#include "model/flatten.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kRadiansToTenthDegrees = 1800 / std::numbers::pi;

// Indices outside a table resolve as its default record 0 (or nothing, for an
// empty table), so a damaged drawing never reads beyond its tables.
template <class T>
const T* Entry(const GrowArray<T>& table, int32_t index) {
  if (index < 0 || index >= table.count) index = 0;
  return table.count > 0 ? &table.data[index] : nullptr;
}

uint8_t ResolveColour(int32_t colour, int32_t layer, const Drawing& tables) {
  if (colour != 0) {
    int64_t c = colour < 0 ? -static_cast<int64_t>(colour) : colour;
    return static_cast<uint8_t>(c > 255 ? 255 : c);
  }
  const Layer* l = Entry(tables.layers, layer);
  return static_cast<uint8_t>(l ? l->colour & 0xFF : 0);
}

int32_t ResolvePenStyle(int32_t lineType, int32_t layer, const Drawing& tables) {
  const Layer* l = Entry(tables.layers, layer);
  int32_t index = lineType != 0 ? lineType : l ? l->lineType : 0;
  const LineType* t = Entry(tables.lineTypes, index);
  return t ? t->penStyle : 0;
}

}  // namespace

DeviceMapping MakeDeviceMapping(const Drawing& drawing, double scale, const Insert* insert) {
  DeviceMapping m{scale, drawing.extMin, drawing.extMax, insert, {}};
  if (insert) m.transform = MakeInsertTransform(*insert);
  return m;
}

void FlattenPolyline(const Polyline& line, const Drawing& tables, const DeviceMapping& m, DevicePolyline& out) {
  out.points.elementSize = sizeof(DevicePoint);
  out.points.count = 0;
  out.colour = ResolveColour(line.colour, line.layer, tables);
  out.penStyle = ResolvePenStyle(line.lineType, line.layer, tables);
  out.filled = line.filled;
  out.penWidth = ToDevice(m.scale * line.width);
  // Sized once and written in place: this loop runs for every point drawn. A
  // record reused for line after line at least doubles when it must grow.
  const int32_t n = line.points.count > 0 ? line.points.count : 0;
  if (n > out.points.capacity) ArrayReserve(out.points, std::max<int64_t>(n, 2 * int64_t{out.points.capacity}));
  DevicePoint* to = out.points.data;
  for (int32_t i = 0; i < n; ++i) to[i] = MapToDevice(m, line.points.data[i]);
  out.points.count = n;
}

DeviceText FlattenText(const TextItem& item, const EntitySet& set, const Drawing& tables, const DeviceMapping& m) {
  DeviceText out{};
  out.colour = ResolveColour(item.colour, item.layer, tables);
  out.text = set.pool.data + item.text;
  const TextStyle* style = Entry(tables.textStyles, item.style);
  out.face = style ? style->face : "";
  out.height = ToDevice(m.scale * item.height);
  out.escapement = ToDevice(item.rotation * kRadiansToTenthDegrees);
  DevicePoint at = MapToDevice(m, {item.x, item.y});
  out.x = at.x;
  out.y = at.y;
  return out;
}

void FlattenDrawing(const Drawing& drawing, double scale, GrowArray<DevicePolyline>& polylines,
                    GrowArray<DeviceText>& texts) {
  ForEachPlacedSet(drawing, [&](const EntitySet& set, const Insert* insert) {
    DeviceMapping m = MakeDeviceMapping(drawing, scale, insert);
    for (const Polyline& line : set.polylines) {
      DevicePolyline out{};
      FlattenPolyline(line, drawing, m, out);
      ArrayAppend(polylines, out);
    }
    for (const TextItem& item : set.texts) ArrayAppend(texts, FlattenText(item, set, drawing, m));
  });
}

void FreeDeviceLists(GrowArray<DevicePolyline>& polylines, GrowArray<DeviceText>& texts) {
  for (DevicePolyline& line : polylines) ArrayFree(line.points);
  ArrayFree(polylines);
  ArrayFree(texts);
}

double FitScale(double dx, double dy, double spanX, double spanY) {
  if (!std::isfinite(dx) || !std::isfinite(dy) || dx < 0 || dy < 0) return 0;
  const double sx = spanX / dx;
  const double sy = spanY / dy;
  double scale;
  if (dx == 0 && dy == 0)
    scale = 1.0;
  else if (dx == 0)
    scale = sy;
  else if (dy == 0)
    scale = sx;
  else
    scale = sx < sy ? sx : sy;
  return std::isfinite(scale) ? scale : 1.0;
}
