#include "model/flatten.h"

#include <cmath>

namespace {

constexpr double kRadiansToTenthDegrees = 572.9577951308232;  // 1800 / pi

uint8_t ResolveColour(int32_t colour, int32_t layer, const Drawing& tables) {
  if (colour != 0) {
    int64_t c = colour < 0 ? -static_cast<int64_t>(colour) : colour;
    return static_cast<uint8_t>(c > 255 ? 255 : c);
  }
  return static_cast<uint8_t>(tables.layers[layer].colour & 0xFF);
}

int32_t ResolvePenStyle(int32_t lineType, int32_t layer, const Drawing& tables) {
  int32_t index = lineType != 0 ? lineType : tables.layers[layer].lineType;
  return tables.lineTypes[index].penStyle;
}

}  // namespace

int32_t ToDevice(double v) {
  if (std::isnan(v)) return 0;
  if (v > kDeviceLimit) v = kDeviceLimit;
  if (v < -kDeviceLimit) v = -kDeviceLimit;
  return static_cast<int32_t>(v);
}

void FlattenEntities(const EntitySet& set, const Drawing& tables, double scale, const Insert* insert,
                     WorldPoint extMin, WorldPoint extMax, GrowArray<DevicePolyline>& polylines,
                     GrowArray<DeviceText>& texts) {
  InsertTransform t{};
  if (insert) t = MakeInsertTransform(*insert);
  auto map = [&](WorldPoint p) {
    if (insert) p = ApplyTransform(t, p);
    return DevicePoint{ToDevice((p.x - extMin.x) * scale), ToDevice((extMax.y - p.y) * scale)};
  };

  for (const Polyline& line : set.polylines) {
    DevicePolyline out{};
    out.points.elementSize = sizeof(DevicePoint);
    out.colour = ResolveColour(line.colour, line.layer, tables);
    out.penStyle = ResolvePenStyle(line.lineType, line.layer, tables);
    out.filled = line.filled;
    out.penWidth = ToDevice(scale * line.width);
    for (const WorldPoint& p : line.points) ArrayAppend(out.points, map(p));
    ArrayAppend(polylines, out);
  }
  for (const TextItem& item : set.texts) {
    DeviceText out{};
    out.colour = ResolveColour(item.colour, item.layer, tables);
    out.text = set.pool.data + item.text;
    out.face = tables.textStyles[item.style].face;
    out.height = ToDevice(scale * item.height);
    out.escapement = ToDevice(item.rotation * kRadiansToTenthDegrees);
    DevicePoint at = map({item.x, item.y});
    out.x = at.x;
    out.y = at.y;
    ArrayAppend(texts, out);
  }
}

void FlattenDrawing(const Drawing& drawing, double scale, GrowArray<DevicePolyline>& polylines,
                    GrowArray<DeviceText>& texts) {
  FlattenEntities(drawing.entities, drawing, scale, nullptr, drawing.extMin, drawing.extMax, polylines, texts);
  for (const Insert& insert : drawing.inserts)
    FlattenEntities(drawing.blocks[insert.block].entities, drawing, scale, &insert, drawing.extMin,
                    drawing.extMax, polylines, texts);
}

void FreeDeviceLists(GrowArray<DevicePolyline>& polylines, GrowArray<DeviceText>& texts) {
  for (DevicePolyline& line : polylines) ArrayFree(line.points);
  ArrayFree(polylines);
  ArrayFree(texts);
}
