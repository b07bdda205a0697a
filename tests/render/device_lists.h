// Device polylines and texts built inline for the render tests, freed at the end.
#pragma once

#include <initializer_list>

#include "model/flatten.h"
#include "render/colours.h"

struct Lists {
  GrowArray<DevicePolyline> polylines{};
  GrowArray<DeviceText> texts{};
  Lists() { UseBuiltInColourTable(); }
  ~Lists() { FreeDeviceLists(polylines, texts); }
  Lists(const Lists&) = delete;
  Lists& operator=(const Lists&) = delete;
  void Line(std::initializer_list<DevicePoint> points, int32_t style, int32_t width, uint8_t colour,
            int32_t filled = 0) {
    DevicePolyline line{{}, style, filled, width, colour};
    for (DevicePoint p : points) ArrayAppend(line.points, p);
    ArrayAppend(polylines, line);
  }
  void Text(const char* text, int32_t height, uint8_t colour, int32_t escapement = 0, const char* face = "Arial",
            int32_t x = 10, int32_t y = 20) {
    ArrayAppend(texts, DeviceText{x, y, text, face, height, escapement, colour});
  }
};
