#include "model/flatten.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Lists {
  GrowArray<DevicePolyline> polylines{};
  GrowArray<DeviceText> texts{};
  ~Lists() { FreeDeviceLists(polylines, texts); }
};

class FlattenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DrawingInit(d);
    d.extMin = {10, 20};
    d.extMax = {110, 70};
  }
  void TearDown() override { DrawingFree(&d); }
  void AddLine(std::initializer_list<WorldPoint> points, int32_t colour = 0, int32_t layer = 0,
               int32_t lineType = 0, EntitySet* set = nullptr) {
    Polyline line{};
    for (WorldPoint p : points) ArrayAppend(line.points, p);
    line.colour = colour;
    line.layer = layer;
    line.lineType = lineType;
    ArrayAppend((set ? *set : d.entities).polylines, line);
  }
  Drawing d;
};

TEST_F(FlattenTest, MapsPointsWithFlippedYAndTruncation) {
  AddLine({{10, 70}, {110, 20}, {60.7, 45.2}, {9.8, 70}});
  Lists l;
  FlattenDrawing(d, 2, l.polylines, l.texts);
  ASSERT_EQ(l.polylines.count, 1);
  const auto& pts = l.polylines[0].points;
  EXPECT_EQ(pts[0].x, 0);
  EXPECT_EQ(pts[0].y, 0);
  EXPECT_EQ(pts[1].x, 200);
  EXPECT_EQ(pts[1].y, 100);
  EXPECT_EQ(pts[2].x, 101);
  EXPECT_EQ(pts[2].y, 49);
  EXPECT_EQ(pts[3].x, 0);  // half a pixel left truncates toward zero
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
  Lists l;
  FlattenDrawing(d, 1, l.polylines, l.texts);
  EXPECT_EQ(l.polylines[0].colour, 3);
  EXPECT_EQ(l.polylines[1].colour, 255);
  EXPECT_EQ(l.polylines[2].colour, 5);
  EXPECT_EQ(l.polylines[2].penStyle, 1);
  EXPECT_EQ(l.polylines[3].penStyle, 0);
}

TEST_F(FlattenTest, TextHeightEscapementAndInsertMovesPositionOnly) {
  PoolAppend(d.entities.pool, "AB");
  TextItem t{};
  t.x = 10;
  t.y = 70;
  t.height = 2.5;
  t.rotation = M_PI / 2;
  ArrayAppend(d.entities.texts, t);
  Lists l;
  FlattenDrawing(d, 3, l.polylines, l.texts);
  ASSERT_EQ(l.texts.count, 1);
  EXPECT_EQ(l.texts[0].height, 7);
  EXPECT_EQ(l.texts[0].escapement, 900);
  EXPECT_STREQ(l.texts[0].text, "AB");
  EXPECT_STREQ(l.texts[0].face, "");
}

TEST_F(FlattenTest, ModelSpaceFirstThenBlocksInInsertOrder) {
  Block a{}, b{};
  EntitySetInit(a.entities);
  EntitySetInit(b.entities);
  AddLine({{0, 0}, {1, 0}}, 1, 0, 0, &a.entities);
  AddLine({{0, 0}, {0, 1}}, 2, 0, 0, &b.entities);
  ArrayAppend(d.blocks, a);
  ArrayAppend(d.blocks, b);
  ArrayAppend(d.inserts, Insert{1, 10, 70, 1, 1, 0});
  ArrayAppend(d.inserts, Insert{0, 10, 70, 1, 1, 0});
  ArrayAppend(d.inserts, Insert{1, 10, 70, 1, 1, 0});
  AddLine({{10, 20}, {20, 20}}, 7);
  Lists l;
  FlattenDrawing(d, 1, l.polylines, l.texts);
  ASSERT_EQ(l.polylines.count, 4);
  EXPECT_EQ(l.polylines[0].colour, 7);
  EXPECT_EQ(l.polylines[1].colour, 2);
  EXPECT_EQ(l.polylines[2].colour, 1);
  EXPECT_EQ(l.polylines[3].colour, 2);
}

TEST(ToDevice, ClampsGiantAndNonFiniteValues) {
  EXPECT_EQ(ToDevice(1e300), static_cast<int32_t>(kDeviceLimit));
  EXPECT_EQ(ToDevice(-1e300), -static_cast<int32_t>(kDeviceLimit));
  EXPECT_EQ(ToDevice(std::numeric_limits<double>::infinity()), static_cast<int32_t>(kDeviceLimit));
  EXPECT_EQ(ToDevice(std::nan("")), 0);
  EXPECT_EQ(ToDevice(-0.5), 0);
  EXPECT_EQ(ToDevice(7.9), 7);
}

}  // namespace

namespace {

TEST(FlattenRobustness, IndicesOutsideTheTablesFallBackToTheDefaults) {
  Drawing d;
  DrawingInit(d);
  d.extMin = {0, 0};
  d.extMax = {10, 10};
  Polyline line{};
  ArrayAppend(line.points, WorldPoint{1, 1});
  ArrayAppend(line.points, WorldPoint{2, 2});
  line.layer = 99;
  line.lineType = -4;
  ArrayAppend(d.entities.polylines, line);
  PoolAppend(d.entities.pool, "t");
  ArrayAppend(d.entities.texts, TextItem{1, 1, 0, 0, 7, 42, 1, 0});
  ArrayAppend(d.inserts, Insert{5, 0, 0, 1, 1, 0});  // names no block
  GrowArray<DevicePolyline> polylines{};
  GrowArray<DeviceText> texts{};
  FlattenDrawing(d, 1.0, polylines, texts);
  ASSERT_EQ(polylines.count, 1);
  EXPECT_EQ(polylines[0].penStyle, 0);
  EXPECT_EQ(polylines[0].colour, 0);
  ASSERT_EQ(texts.count, 1);
  EXPECT_STREQ(texts[0].face, "");
  FreeDeviceLists(polylines, texts);
  DrawingFree(&d);
}

}  // namespace
