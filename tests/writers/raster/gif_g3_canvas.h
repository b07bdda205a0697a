// Canvases built by hand for the GIF and G3 writer tests, and a repeatable
// pseudo-random source for varied pictures.
#pragma once

#include <cstdint>
#include <vector>

#include "render/canvas.h"

namespace raster_test {

// A zeroed canvas record whose pixels live in `bytes` (rows of stride bytes,
// stride rounded up to 4 bytes, padding zero).
struct HandCanvas {
  Canvas canvas{};
  std::vector<uint8_t> bytes;

  HandCanvas(int32_t width, int32_t height, int32_t bitsPerPixel) {
    canvas.width = width;
    canvas.height = height;
    canvas.bitsPerPixel = bitsPerPixel;
    canvas.stride = static_cast<int32_t>((int64_t{width} * bitsPerPixel + 31) / 32 * 4);
    bytes.assign(static_cast<size_t>(int64_t{canvas.stride} * height), 0);
    canvas.pixels = bytes.data();
    canvas.palette.version = 0x300;
    canvas.palette.count = 256;
  }
  uint8_t* Row(int32_t y) { return bytes.data() + static_cast<size_t>(y) * canvas.stride; }
  // 1-bit pixel x of row y set to ink.
  void SetBit(int32_t x, int32_t y) { Row(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8)); }
};

struct Lcg {
  uint32_t state;
  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

// An "F" of ink on a background, odd-sized, to catch flips and row mix-ups.
inline void DrawF(HandCanvas& c, uint8_t ink, uint8_t background) {
  for (int32_t y = 0; y < c.canvas.height; ++y)
    for (int32_t x = 0; x < c.canvas.width; ++x) {
      bool stem = x >= 2 && x < 5 && y >= 2 && y < c.canvas.height - 2;
      bool top = y >= 2 && y < 4 && x >= 2 && x < c.canvas.width - 2;
      bool bar = y >= c.canvas.height / 2 && y < c.canvas.height / 2 + 2 && x >= 2 && x < c.canvas.width * 2 / 3;
      uint8_t value = stem || top || bar ? ink : background;
      if (c.canvas.bitsPerPixel == 8)
        c.Row(y)[x] = value;
      else if (value)
        c.SetBit(x, y);
    }
}

}  // namespace raster_test
