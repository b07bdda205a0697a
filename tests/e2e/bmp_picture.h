// The program's 8-bit BMPs decoded for the end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tests/support/support.h"

namespace e2e_test {

using testing_support::Le16;
using testing_support::Le32;

struct Picture {
  int32_t width = 0, height = 0;
  uint32_t compression = 0;
  std::vector<uint8_t> index;  // top-down, one palette index per pixel
  std::vector<bool> ink;       // top-down: anything but a white palette entry
  std::vector<uint8_t> rgb;    // top-down red, green, blue
  uint8_t At(int x, int y) const { return index.at(static_cast<size_t>(y) * width + x); }
  int InkCount() const { return static_cast<int>(std::count(ink.begin(), ink.end(), true)); }
};

// An 8-bit BMP decoded to indices (left blank when RLE8: the writer tests decode those).
inline Picture Decode(const std::vector<uint8_t>& f) {
  Picture p;
  if (f.size() < 1078 || f[0] != 'B' || f[1] != 'M' || Le16(f, 28) != 8) {
    ADD_FAILURE() << "not an 8-bit BMP";
    return p;
  }
  p.width = static_cast<int32_t>(Le32(f, 18));
  p.height = static_cast<int32_t>(Le32(f, 22));
  p.compression = Le32(f, 30);
  size_t at = Le32(f, 10);
  p.index.assign(static_cast<size_t>(p.width) * p.height, 0);
  size_t stride = (static_cast<size_t>(p.width) + 3) & ~size_t{3};
  for (int32_t y = 0; p.compression == 0 && y < p.height; ++y)
    for (int32_t x = 0; x < p.width; ++x)
      p.index[static_cast<size_t>(p.height - 1 - y) * p.width + x] = f.at(at + y * stride + x);
  for (uint8_t i : p.index) {
    p.ink.push_back(Le32(f, 54 + 4 * size_t{i}) != 0xFFFFFF);
    p.rgb.insert(p.rgb.end(), {f[56 + 4 * i], f[55 + 4 * i], f[54 + 4 * i]});
  }
  return p;
}

}  // namespace e2e_test
