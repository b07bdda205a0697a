// Flattening a Drawing into device records: whole pixels, inserts expanded,
// colour, pen, face, height and angle resolved, so drawing never consults the
// drawing's tables again.
#pragma once

#include <cmath>
#include <cstdint>

#include "model/drawing.h"

// Pixel coordinates: x to the right, y downwards, (0, 0) the top-left pixel.
struct DevicePoint {
  int32_t x;
  int32_t y;
};

struct DevicePolyline {
  GrowArray<DevicePoint> points;  // owned by the record
  int32_t penStyle;               // 0 solid, 1 dashed, 2 dotted, 3 dash-dot
  int32_t filled;
  int32_t penWidth;
  uint8_t colour;  // index into the current ColourTable
};

struct DeviceText {
  int32_t x;  // top-left corner of the text
  int32_t y;
  const char* text;  // points into the Drawing's pool; not owned
  const char* face;  // points into the Drawing's style table; not owned
  int32_t height;
  int32_t escapement;  // tenths of a degree, counter-clockwise
  uint8_t colour;
};

// Device values are clamped to this range before truncation, so giant or
// non-finite world values can never overflow 32 bits (NaN becomes 0).
constexpr double kDeviceLimit = 1e9;
// Inline, as MapToDevice: both run for every point drawn.
inline int32_t ToDevice(double v) {
  if (std::isnan(v)) return 0;
  if (v > kDeviceLimit) v = kDeviceLimit;
  if (v < -kDeviceLimit) v = -kDeviceLimit;
  return static_cast<int32_t>(v);
}

// Pixels per drawing unit that fit extents of dx by dy into spanX by spanY
// pixels, one scale for both axes; 0 when there is nothing to draw (extents
// empty or not finite). An axis of zero length takes the other axis's scale;
// a single point, or extents too small for a finite scale, gets 1.
double FitScale(double dx, double dy, double spanX, double spanY);

// Model space first, then every insert in list order through its transform.
// `scale` is pixels per drawing unit. The Drawing must outlive the lists.
void FlattenDrawing(const Drawing& drawing, double scale, GrowArray<DevicePolyline>& polylines,
                    GrowArray<DeviceText>& texts);

// World to device for one placed set: the page's scale and extents, and the
// insert's transform when the set is a block.
struct DeviceMapping {
  double scale;
  WorldPoint extMin;
  WorldPoint extMax;
  const Insert* insert;  // null for model space
  InsertTransform transform;
};
DeviceMapping MakeDeviceMapping(const Drawing& drawing, double scale, const Insert* insert);
inline DevicePoint MapToDevice(const DeviceMapping& m, WorldPoint p) {
  if (m.insert) p = ApplyTransform(m.transform, p);
  return DevicePoint{ToDevice((p.x - m.extMin.x) * m.scale), ToDevice((m.extMax.y - p.y) * m.scale)};
}

// The sets FlattenDrawing flattens, in its order: model space (insert null),
// then each insert that names an existing block.
template <class Visit>
void ForEachPlacedSet(const Drawing& drawing, Visit visit) {
  visit(drawing.entities, static_cast<const Insert*>(nullptr));
  for (const Insert& insert : drawing.inserts)
    if (insert.block >= 0 && insert.block < drawing.blocks.count) visit(drawing.blocks[insert.block].entities, &insert);
}

// One polyline into `out`, whose point storage is reused (emptied first).
void FlattenPolyline(const Polyline& line, const Drawing& tables, const DeviceMapping& m, DevicePolyline& out);
DeviceText FlattenText(const TextItem& item, const EntitySet& set, const Drawing& tables, const DeviceMapping& m);

// FlattenDrawing without holding the device polylines: each is flattened in
// turn into one reused record and handed to `visit`, which returns 0 to stop;
// the texts, which come after every polyline, are gathered into `texts`.
// 1, or 0 when `visit` stopped.
template <class Visit>
int FlattenEachPolyline(const Drawing& drawing, double scale, Visit visit, GrowArray<DeviceText>& texts) {
  DevicePolyline line{};
  int ok = 1;
  ForEachPlacedSet(drawing, [&](const EntitySet& set, const Insert* insert) {
    const DeviceMapping m = MakeDeviceMapping(drawing, scale, insert);
    for (int32_t i = 0; ok && i < set.polylines.count; ++i) {
      FlattenPolyline(set.polylines[i], drawing, m, line);
      ok = visit(static_cast<const DevicePolyline&>(line));
    }
    for (const TextItem& item : set.texts) ArrayAppend(texts, FlattenText(item, set, drawing, m));
  });
  ArrayFree(line.points);
  return ok;
}

// Releases both lists and every polyline's points; leaves them empty.
void FreeDeviceLists(GrowArray<DevicePolyline>& polylines, GrowArray<DeviceText>& texts);
