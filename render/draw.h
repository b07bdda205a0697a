// Drawing the device lists onto a canvas's device context with pens, brushes
// and fonts, each made only when its description changes.
#pragma once

#include <cstdint>

#include "model/flatten.h"
#include "platform/gdi.h"

// 1 when every record was drawn, 0 at the first failure. Records with fewer
// than two points, and texts of height 0, draw nothing.
int DrawPolylines(platform::DeviceContext* dc, const GrowArray<DevicePolyline>& polylines);
int DrawTexts(platform::DeviceContext* dc, const GrowArray<DeviceText>& texts);

// FlattenDrawing followed by DrawPolylines and DrawTexts, with the same calls on
// `dc`, but each polyline is drawn as soon as it is flattened: no device points
// are held beyond the one polyline. 1 or 0 as DrawPolylines.
int DrawDrawing(platform::DeviceContext* dc, const Drawing& drawing, double scale);

// The one-entry caches of the pen and brush, and of the font and text colour.
// `valid` is clear at the start of each drawing call, so the first record
// always selects objects of its own rather than whatever the context held.
struct PenCache {
  platform::LogPen pen;
  int valid;
};
struct FontCache {
  platform::LogFont font;
  uint8_t colour;
  int valid;
};

int SelectPenBrush(platform::DeviceContext* dc, PenCache& cache, const DevicePolyline& line);
int SelectTextFont(platform::DeviceContext* dc, FontCache& cache, const DeviceText& text);
