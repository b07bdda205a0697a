#include "model/flatten.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class FlattenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DrawingInit(d);
    d.extMin = {10, 20};
    d.extMax = {110, 70};
  }
  void TearDown() override {
    FreeDeviceLists(polylines, texts);
    DrawingFree(&d);
  }
  void AddLine(std::initializer_list<WorldPoint> points, int32_t colour = 0, int32_t layer = 0,
               int32_t lineType = 0, EntitySet* set = nullptr) {
    Polyline line{};
    for (WorldPoint p : points) ArrayAppend(line.points, p);
    line.colour = colour;
    line.layer = layer;
    line.lineType = lineType;
    ArrayAppend((set ? *set : d.entities).polylines, line);
  }
  void Flatten(double scale) { FlattenDrawing(d, scale, polylines, texts); }
  Drawing d;
  GrowArray<DevicePolyline> polylines{};
  GrowArray<DeviceText> texts{};
};

TEST_F(FlattenTest, MapsPointsWithFlippedYAndTruncation) {
  AddLine({{10, 70}, {110, 20}, {60.7, 45.2}, {9.8, 70}});
  Flatten(2);
  ASSERT_EQ(polylines.count, 1);
  const auto& pts = polylines[0].points;
  // The last point is half a pixel left: truncation goes toward zero.
  const DevicePoint expected[] = {{0, 0}, {200, 100}, {101, 49}, {0, 0}};
  ASSERT_EQ(pts.count, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(pts[i].x, expected[i].x) << i;
    EXPECT_EQ(pts[i].y, expected[i].y) << i;
  }
}

TEST_F(FlattenTest, ResolvesColoursAndLineTypesThroughTheLayer) {
  LineType dashed{};
  dashed.penStyle = 1;
  ArrayAppend(d.lineTypes, dashed);
  Layer layer{};
  layer.colour = 5;
  layer.lineType = 1;
  ArrayAppend(d.layers, layer);
  AddLine({{10, 20}}, -3);
  AddLine({{10, 20}}, 300);
  AddLine({{10, 20}}, 0, 1);
  AddLine({{10, 20}}, 0, 0);
  Flatten(1);
  EXPECT_EQ(polylines[0].colour, 3);
  EXPECT_EQ(polylines[1].colour, 255);
  EXPECT_EQ(polylines[2].colour, 5);
  EXPECT_EQ(polylines[2].penStyle, 1);
  EXPECT_EQ(polylines[3].penStyle, 0);
}

TEST_F(FlattenTest, TextHeightEscapementAndInsertMovesPositionOnly) {
  PoolAppend(d.entities.pool, "AB");
  ArrayAppend(d.entities.texts, TextItem{10, 70, 0, 0, 0, 0, 2.5, M_PI / 2});
  Flatten(3);
  ASSERT_EQ(texts.count, 1);
  EXPECT_EQ(texts[0].height, 7);
  EXPECT_EQ(texts[0].escapement, 900);
  EXPECT_STREQ(texts[0].text, "AB");
  EXPECT_STREQ(texts[0].face, "");
}

TEST_F(FlattenTest, ModelSpaceFirstThenBlocksInInsertOrder) {
  Block a{}, b{};
  EntitySetInit(a.entities);
  EntitySetInit(b.entities);
  AddLine({{0, 0}, {1, 0}}, 1, 0, 0, &a.entities);
  AddLine({{0, 0}, {0, 1}}, 2, 0, 0, &b.entities);
  ArrayAppend(d.blocks, a);
  ArrayAppend(d.blocks, b);
  for (int32_t block : {1, 0, 1}) ArrayAppend(d.inserts, Insert{block, 10, 70, 1, 1, 0});
  AddLine({{10, 20}, {20, 20}}, 7);
  Flatten(1);
  ASSERT_EQ(polylines.count, 4);
  const int32_t colours[] = {7, 2, 1, 2};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(polylines[i].colour, colours[i]) << i;
}

TEST_F(FlattenTest, IndicesOutsideTheTablesFallBackToTheDefaults) {
  AddLine({{1, 1}, {2, 2}}, 0, 99, -4);
  PoolAppend(d.entities.pool, "t");
  ArrayAppend(d.entities.texts, TextItem{1, 1, 0, 0, 7, 42, 1, 0});
  ArrayAppend(d.inserts, Insert{5, 0, 0, 1, 1, 0});  // names no block
  Flatten(1);
  ASSERT_EQ(polylines.count, 1);
  EXPECT_EQ(polylines[0].penStyle, 0);
  EXPECT_EQ(polylines[0].colour, 0);
  ASSERT_EQ(texts.count, 1);
  EXPECT_STREQ(texts[0].face, "");
}

TEST(ToDevice, ClampsGiantAndNonFiniteValues) {
  const auto limit = static_cast<int32_t>(kDeviceLimit);
  EXPECT_EQ(ToDevice(1e300), limit);
  EXPECT_EQ(ToDevice(-1e300), -limit);
  EXPECT_EQ(ToDevice(std::numeric_limits<double>::infinity()), limit);
  EXPECT_EQ(ToDevice(std::nan("")), 0);
  EXPECT_EQ(ToDevice(-0.5), 0);
  EXPECT_EQ(ToDevice(7.9), 7);
}

}  // namespace
