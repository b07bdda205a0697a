#include "app/convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(FitPage, KeepsTheAspectRatioInTheDefaultPage) {
  PageFit a = FitPage(200, 100, 1728, 2287);
  EXPECT_DOUBLE_EQ(a.scale, 8.635);
  EXPECT_EQ(a.width, 1727);
  EXPECT_EQ(a.height, 863);
  PageFit b = FitPage(210, 297, 1728, 2287);
  EXPECT_DOUBLE_EQ(b.scale, 2286.0 / 297);
  EXPECT_EQ(b.width, 1616);
  EXPECT_EQ(b.height, 2286);
  PageFit c = FitPage(1, 1, 1728, 2287);
  EXPECT_EQ(c.width, 1727);
  EXPECT_EQ(c.height, 1727);
}

TEST(FitPage, DegenerateExtentsNeverDivideByZero) {
  PageFit line = FitPage(100, 0, 1728, 2287);  // a horizontal line
  EXPECT_DOUBLE_EQ(line.scale, 17.27);
  EXPECT_EQ(line.width, 1727);
  EXPECT_EQ(line.height, 1);
  PageFit point = FitPage(0, 0, 1728, 2287);
  EXPECT_EQ(point.scale, 1.0);
  EXPECT_EQ(point.width, 1);
  EXPECT_EQ(point.height, 1);
  const double inf = std::numeric_limits<double>::infinity();
  for (PageFit blank : {FitPage(-1, -1, 1728, 2287), FitPage(inf, 5, 1728, 2287), FitPage(std::nan(""), 1, 1728, 2287)}) {
    EXPECT_EQ(blank.scale, 0.0);
    EXPECT_EQ(blank.width, 1728);
    EXPECT_EQ(blank.height, 2287);
  }
  PageFit thin = FitPage(1e-9, 1, 1728, 2287);  // at least one pixel wide
  EXPECT_EQ(thin.width, 1);
  PageFit tiny = FitPage(1e-320, 1e-320, 1728, 2287);  // subnormal: no infinite scale
  EXPECT_EQ(tiny.scale, 1.0);
  EXPECT_EQ(tiny.width, 1);
  EXPECT_EQ(tiny.height, 1);
}

}  // namespace
