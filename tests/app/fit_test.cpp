#include "app/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(FitPage, AspectRatioAndDegenerateExtents) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double dx, dy, scale;  // scale < 0: not checked
    int32_t width, height;
  } const cases[] = {
      {200, 100, 8.635, 1727, 863},
      {210, 297, 2286.0 / 297, 1616, 2286},
      {100, 0, 17.27, 1727, 1},  // a horizontal line: no division by zero
      {0, 0, 1, 1, 1},
      {1e-9, 1, -1, 1, -1},       // at least one pixel wide
      {1e-320, 1e-320, 1, 1, 1},  // subnormal: no infinite scale
      {-1, -1, 0, 1728, 2287},    // blank: the whole page
      {inf, 5, 0, 1728, 2287},
      {std::nan(""), 1, 0, 1728, 2287},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dx << " x " << c.dy);
    PageFit f = FitPage(c.dx, c.dy, 1728, 2287);
    if (c.scale >= 0) { EXPECT_DOUBLE_EQ(f.scale, c.scale); }
    EXPECT_EQ(f.width, c.width);
    if (c.height >= 0) { EXPECT_EQ(f.height, c.height); }
  }
}

}  // namespace
