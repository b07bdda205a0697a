#include "model/drawing.h"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <numbers>
#include <string>

#include "model/arcs.h"
#include "tests/support/drawing_dump.h"

namespace {

Polyline LineOf(std::initializer_list<WorldPoint> points) {
  Polyline line{};
  for (WorldPoint p : points) ArrayAppend(line.points, p);
  return line;
}

class DrawingTest : public ::testing::Test {
 protected:
  void SetUp() override { DrawingInit(d); }
  void TearDown() override { DrawingFree(&d); }
  // "(min) (max)" of ComputeDrawingExtents.
  std::string Extents() {
    WorldPoint min, max;
    ComputeDrawingExtents(d, min, max);
    using testing_support::DumpNumber;
    return "(" + DumpNumber(min.x) + "," + DumpNumber(min.y) + ") (" + DumpNumber(max.x) + "," + DumpNumber(max.y) +
           ")";
  }
  Drawing d;
};

TEST_F(DrawingTest, NameTablesFindTheLowestExactMatch) {
  Layer layer{};
  CopyName(layer.name, kNameSize, "WALLS");
  ArrayAppend(d.layers, layer);
  ArrayAppend(d.layers, layer);
  EXPECT_EQ(FindTableEntry(d.layers, "WALLS"), 1);
  EXPECT_EQ(FindTableEntry(d.layers, "walls"), 0);
  // A style is found by its face only when asked, whatever its name.
  TextStyle style{};
  CopyName(style.name, kNameSize, "NOTES");
  CopyName(style.face, kFaceSize, "Arial");
  ArrayAppend(d.textStyles, style);
  EXPECT_EQ(FindTextStyle(d.textStyles, "Arial", 1), 1);
  EXPECT_EQ(FindTextStyle(d.textStyles, "Arial", 0), 0);
  EXPECT_EQ(FindTextStyle(d.textStyles, "NOTES", 0), 1);
}

TEST(GrowArray, GrowsBy8192BytesOfRecordsKeepingThemAndZeroingTheRest) {
  GrowArray<WorldPoint> a{};
  const int step = 8192 / sizeof(WorldPoint);
  for (int i = 0; i <= step; ++i) ArrayAppend(a, WorldPoint{double(i), -double(i)});
  ASSERT_EQ(a.capacity, 2 * step);
  for (int i = 0; i < a.capacity; ++i) {
    ASSERT_EQ(a.data[i].x, i <= step ? i : 0);
    ASSERT_EQ(a.data[i].y, i <= step ? -i : 0);
  }
  ArrayFree(a);
}

TEST(TextPool, GrowsByTheStringOr4096AndKeepsOffsets) {
  TextPool pool{};
  std::string big(5000, 'x');
  PoolAppend(pool, big.c_str());
  EXPECT_EQ(pool.capacity, 5001);
  int32_t second = pool.length;
  PoolAppend(pool, "y");
  EXPECT_EQ(pool.capacity, 5001 + 4096);
  EXPECT_EQ(std::string(pool.data) + std::string(pool.data + second), big + "y");
  std::free(pool.data);
}

TEST_F(DrawingTest, ExtentsCoverTextBoxesAndInsertedBlocksThroughTheirTransforms) {
  TextItem text{};
  text.text = d.entities.pool.length;
  PoolAppend(d.entities.pool, "ABCDE");
  text.height = 1;
  text.rotation = std::numbers::pi / 2;  // reading upwards: the box lies above and to the right
  ArrayAppend(d.entities.texts, text);
  EXPECT_EQ(Extents(), "(0,0) (1,3)");  // five characters of 0.6 heights
  Block block{};
  EntitySetInit(block.entities);
  ArrayAppend(block.entities.polylines, LineOf({{0, 0}, {1, 0}}));
  ArrayAppend(d.blocks, block);
  // A counter-clockwise quarter turn in the source is stored as -pi/2: (1,0) goes to (100,52).
  ArrayAppend(d.inserts, Insert{0, 100, 50, 2, 1, -std::numbers::pi / 2});
  EXPECT_EQ(Extents(), "(0,0) (100,52)");
}

TEST_F(DrawingTest, FreeOfNullAndFreeTwiceAreHarmless) {
  DrawingFree(nullptr);
  ArrayAppend(d.entities.polylines, LineOf({{1, 1}, {2, 2}}));
  PoolAppend(d.entities.pool, "text");
  DrawingFree(&d);  // and again at tear-down
  EXPECT_EQ(d.lineTypes.data, nullptr);
  EXPECT_EQ(d.entities.polylines.count, 0);
}

// Remembered turns must be the very bits std::cos and std::sin give, whichever
// starts come and go, and wherever a walk leaves the remembered angles.
TEST(ArcTurnsTest, GiveTheBitsOfCosAndSin) {
  auto turns = std::make_unique<ArcTurns>();
  const double starts[] = {0.0, -0.0, 1.0, 0.5, 2.0, 3.0, 0.0, 1.0, 1.0 + 1e-16};
  for (int round = 0; round < 3; ++round)
    for (double start : starts)
      for (double step : {0.01, -0.01}) {
        ArcTurns::Walk& walk = TurnsFrom(*turns, start, step);
        double angle = start + (round == 2 ? step : 0.0);  // off by one step: not the remembered angles
        for (int32_t i = 0; i < ArcTurns::kAngles + 5; ++i, angle += step) {
          double c, s;
          Turn(walk, i, angle, &c, &s);
          ASSERT_EQ(std::bit_cast<uint64_t>(c), std::bit_cast<uint64_t>(std::cos(angle))) << start << " " << i;
          ASSERT_EQ(std::bit_cast<uint64_t>(s), std::bit_cast<uint64_t>(std::sin(angle))) << start << " " << i;
        }
      }
}

}  // namespace
