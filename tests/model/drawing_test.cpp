#include "model/drawing.h"

#include <gtest/gtest.h>

#include <string>

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
  Drawing d;
};

TEST_F(DrawingTest, NameTablesStartWithOneDefaultAndFindTheLowestExactMatch) {
  EXPECT_EQ(d.lineTypes.count, 1);
  EXPECT_EQ(d.layers.count, 1);
  EXPECT_EQ(d.textStyles.count, 1);
  EXPECT_EQ(d.blocks.count + d.inserts.count, 0);
  EXPECT_EQ(d.layers[0].name[0], '\0');
  EXPECT_EQ(FindTableEntry(d.layers, "0"), 0);
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
  EXPECT_EQ(a.count, step + 1);
  EXPECT_EQ(a.capacity, 2 * step);
  for (int i = 0; i <= step; ++i) {
    ASSERT_EQ(a[i].x, i);
    ASSERT_EQ(a[i].y, -i);
  }
  for (int i = step + 1; i < a.capacity; ++i) ASSERT_EQ(a.data[i].x, 0.0);
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
  EXPECT_EQ(std::string(pool.data), big);
  EXPECT_EQ(std::string(pool.data + second), "y");
  std::free(pool.data);
}

TEST(ComputeExtents, SinglePointAndEmptySet) {
  EntitySet set{};
  EntitySetInit(set);
  WorldPoint min, max;
  ComputeExtents(set, min, max);
  EXPECT_EQ(min.x, kExtentsStart);
  EXPECT_EQ(max.y, -kExtentsStart);
  ArrayAppend(set.polylines, LineOf({{2, 3}}));
  ComputeExtents(set, min, max);
  EXPECT_EQ(std::make_pair(min.x, min.y), std::make_pair(2.0, 3.0));
  EXPECT_EQ(std::make_pair(max.x, max.y), std::make_pair(2.0, 3.0));
  EntitySetFree(set);
}

TEST_F(DrawingTest, ExtentsCoverTextsAndInsertedBlocksThroughTheirTransforms) {
  TextItem text{};
  text.x = -5;
  text.y = 1;
  ArrayAppend(d.entities.texts, text);
  Block block{};
  EntitySetInit(block.entities);
  ArrayAppend(block.entities.polylines, LineOf({{0, 0}, {1, 0}}));
  ArrayAppend(d.blocks, block);
  // A counter-clockwise quarter turn in the source is stored as -pi/2: (1,0) goes to (100,52).
  ArrayAppend(d.inserts, Insert{0, 100, 50, 2, 1, -1.5707963267948966});
  WorldPoint min, max;
  ComputeDrawingExtents(d, min, max);
  EXPECT_DOUBLE_EQ(min.x, -5);
  EXPECT_DOUBLE_EQ(max.x, 100);
  EXPECT_DOUBLE_EQ(min.y, 1);
  EXPECT_NEAR(max.y, 52, 1e-12);
}

TEST_F(DrawingTest, ExtentsCoverTheBoxOfATurnedText) {
  TextItem text{};
  text.text = d.entities.pool.length;
  PoolAppend(d.entities.pool, "ABCDE");
  text.height = 1;
  text.rotation = 1.5707963267948966;  // reading upwards: the box lies above and to the right
  ArrayAppend(d.entities.texts, text);
  WorldPoint min, max;
  ComputeDrawingExtents(d, min, max);
  EXPECT_NEAR(min.x, 0, 1e-12);
  EXPECT_NEAR(min.y, 0, 1e-12);
  EXPECT_NEAR(max.x, 1, 1e-12);
  EXPECT_NEAR(max.y, 3, 1e-12);  // five characters of 0.6 heights
}

TEST(DrawingFree, NullAndTwiceAreHarmless) {
  DrawingFree(nullptr);
  Drawing d;
  DrawingInit(d);
  ArrayAppend(d.entities.polylines, LineOf({{1, 1}, {2, 2}}));
  PoolAppend(d.entities.pool, "text");
  DrawingFree(&d);
  DrawingFree(&d);
  EXPECT_EQ(d.lineTypes.data, nullptr);
  EXPECT_EQ(d.entities.polylines.count, 0);
}

}  // namespace
