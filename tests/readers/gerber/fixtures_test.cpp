// The small files of tests/data/gerber through gbr_proc, against the dumps
// beside them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "readers/gerber/gerber.h"
#include "tests/readers/gerber/gerber_test_util.h"
#include "tests/support/support.h"

namespace {

struct FileRead {
  Drawing drawing{};
  int status;
  explicit FileRead(const std::string& relative) {
    status = gbr_proc(testing_support::DataPath("gerber/" + relative).c_str(), &drawing);
  }
  ~FileRead() { DrawingFree(&drawing); }
};

std::string DumpWithExtents(const Drawing& d) {
  char text[160];
  std::snprintf(text, sizeof text, "extents (%g,%g) (%g,%g)\n", d.extMin.x, d.extMin.y, d.extMax.x, d.extMax.y);
  return gerber_test::Dump(d) + text;
}

TEST(GerberFixtures, MatchTheirDumps) {
  for (const char* name : {"flashes/pads-only", "format/trailing-zeros-incremental", "format/no-final-star",
                           "apertures/holes-and-undrawable"}) {
    FileRead r(std::string(name) + ".gbr");
    ASSERT_EQ(r.status, 1) << name;
    EXPECT_EQ(DumpWithExtents(r.drawing),
              testing_support::ReadText(testing_support::DataPath("gerber/" + std::string(name) + ".dump")))
        << name;
  }
}

TEST(GerberFixtures, ArcStrokes) {
  FileRead full("arc-strokes/multi-quadrant-full-circle.gbr");
  ASSERT_EQ(full.drawing.entities.polylines.count, 1);
  EXPECT_EQ(full.drawing.entities.polylines[0].points.count, 1 + 630 + 1);
  EXPECT_NEAR(full.drawing.extMin.x, -1.0, 1e-4);
  EXPECT_NEAR(full.drawing.extMax.y, 1.0, 1e-4);

  FileRead quarter("arc-strokes/single-quadrant-stop.gbr");
  const Polyline& line = quarter.drawing.entities.polylines[0];
  // pi/2 down to 0.0208 in steps of 0.01: 156 points after the start, then the draw.
  EXPECT_EQ(line.points.count, 1 + 156 + 1);
  EXPECT_EQ(line.points[0].y, 1.0);
  EXPECT_EQ(line.points[line.points.count - 1].x, 2.0);
}

}  // namespace
