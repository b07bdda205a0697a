#include "model/flatten.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <tuple>

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
  void AddLine(std::initializer_list<WorldPoint> points, int32_t colour = 0, int32_t layer = 0, int32_t lineType = 0,
               EntitySet* set = nullptr) {
    Polyline line{{}, colour, layer, lineType, 0, 0};
    for (WorldPoint p : points) ArrayAppend(line.points, p);
    ArrayAppend((set ? *set : d.entities).polylines, line);
  }
  // Each polyline as "colour/pen style: x,y ...", one per line.
  std::string Flatten(double scale) {
    FlattenDrawing(d, scale, polylines, texts);
    std::string out;
    for (const DevicePolyline& p : polylines) {
      out += std::to_string(p.colour) + "/" + std::to_string(p.penStyle) + ":";
      for (const DevicePoint& q : p.points) out += " " + std::to_string(q.x) + "," + std::to_string(q.y);
      out += "\n";
    }
    return out;
  }
  Drawing d;
  GrowArray<DevicePolyline> polylines{};
  GrowArray<DeviceText> texts{};
};

TEST_F(FlattenTest, ResolvesColoursAndLineTypesThroughTheLayerOrFallsBackToTheDefaults) {
  LineType dashed{};
  dashed.penStyle = 1;
  ArrayAppend(d.lineTypes, dashed);
  Layer layer{};
  layer.colour = 5;
  layer.lineType = 1;
  ArrayAppend(d.layers, layer);
  AddLine({{10, 20}}, -3);  // an off layer's negative colour
  AddLine({{10, 20}}, 300);
  AddLine({{10, 20}}, 0, 1);
  AddLine({{10, 20}}, 0, 0);
  AddLine({{10, 20}}, 0, 99, -4);  // indices outside the tables
  // A text whose style is outside the table: no face; height and rotation scale.
  PoolAppend(d.entities.pool, "AB");
  ArrayAppend(d.entities.texts, TextItem{10, 70, 0, 0, 7, 42, 2.5, std::numbers::pi / 2});
  ArrayAppend(d.inserts, Insert{5, 0, 0, 1, 1, 0});  // names no block
  EXPECT_EQ(Flatten(3), "3/0: 0,150\n255/0: 0,150\n5/1: 0,150\n0/0: 0,150\n0/0: 0,150\n");
  ASSERT_EQ(texts.count, 1);
  EXPECT_EQ(std::tuple(texts[0].x, texts[0].y, texts[0].height, texts[0].escapement), std::tuple(0, 0, 7, 900));
  EXPECT_STREQ(texts[0].text, "AB");
  EXPECT_STREQ(texts[0].face, "");
}

TEST_F(FlattenTest, MapsPointsModelSpaceFirstThenBlocksInInsertOrder) {
  Block a{}, b{};
  EntitySetInit(a.entities);
  EntitySetInit(b.entities);
  AddLine({{0, 0}, {1, 0}}, 1, 0, 0, &a.entities);
  AddLine({{0, 0}, {0, 1}}, 2, 0, 0, &b.entities);
  ArrayAppend(d.blocks, a);
  ArrayAppend(d.blocks, b);
  for (int32_t block : {1, 0, 1}) ArrayAppend(d.inserts, Insert{block, 10, 70, 1, 1, 0});
  AddLine({{10, 20}, {20, 20}}, 7);
  // y flips; the last point is half a unit left: truncation goes toward zero.
  AddLine({{10, 70}, {110, 20}, {60.7, 45.2}, {9.8, 70}});
  EXPECT_EQ(Flatten(2), "7/0: 0,100 20,100\n0/0: 0,0 200,100 101,49 0,0\n2/0: 0,0 0,-2\n1/0: 0,0 2,0\n2/0: 0,0 0,-2\n");
}

TEST(ToDevice, ClampsGiantAndNonFiniteValues) {
  const auto limit = static_cast<int32_t>(kDeviceLimit);
  for (auto [v, expected] : {std::pair{1e300, limit},
                             {-1e300, -limit},
                             {std::numeric_limits<double>::infinity(), limit},
                             {std::nan(""), 0},
                             {-0.5, 0},
                             {7.9, 7}})
    EXPECT_EQ(ToDevice(v), expected) << v;
}

}  // namespace
