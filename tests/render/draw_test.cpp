#include "render/draw.h"

#include <gtest/gtest.h>

#include <cstring>

#include "readers/dxf/dxf.h"
#include "tests/render/device_lists.h"
#include "tests/support/recording_device.h"
#include "tests/support/support.h"

namespace {

// The calls made to draw the lists' polylines, then their texts.
struct Drawn : testing_support::RecordingDevice {
  explicit Drawn(const Lists& l) {
    EXPECT_EQ(DrawPolylines(this, l.polylines), 1);
    EXPECT_EQ(DrawTexts(this, l.texts), 1);
  }
};

TEST(DrawPolylines, EqualAttributesShareOnePenAndBrush) {
  Lists l;
  // All-zero attributes equal an all-zero cache; the first record still gets
  // its own black pen and brush instead of the context's white brush.
  l.Line({{0, 0}, {4, 0}, {4, 4}}, 0, 0, 0, 1);
  l.Line({{0, 0}, {10, 0}}, 1, 0, 3);
  l.Line({{0, 5}, {10, 5}, {10, 9}}, 1, 0, 3, 1);  // filled, same pen: shares
  l.Line({{7, 7}}, 2, 4, 9);                       // one point: skipped, selects nothing
  l.Line({{0, 9}, {5, 9}}, 1, 0, 3);
  Drawn dc(l);
  EXPECT_EQ(dc.pensMade, 2);
  EXPECT_EQ(dc.brushesMade, 2);
  ASSERT_EQ(dc.calls.size(), 4u);
  EXPECT_EQ(dc.calls[0].brush.colour, 0u);
  EXPECT_EQ(dc.calls[1].what + dc.calls[2].what + dc.calls[3].what, "polylinepolygonpolyline");
  EXPECT_EQ(dc.calls[2].points.size(), 3u);
  // Pen: style, width, 0, colour of entry 3 (green); the brush has the same colour.
  EXPECT_EQ(dc.calls[1].pen.style, 1);
  EXPECT_EQ(dc.calls[1].pen.colour, 0x00FF00u);
  EXPECT_EQ(dc.calls[2].brush.colour, 0x00FF00u);
  EXPECT_EQ(dc.calls[2].brush.style, platform::kBrushSolid);
  EXPECT_TRUE(Drawn(Lists()).calls.empty());
  EXPECT_EQ(DrawPolylines(nullptr, l.polylines), 0);
}

TEST(DrawPolylines, EachChangeMakesNewObjectsAndDeletesTheOld) {
  Lists l;
  l.Line({{0, 0}, {1, 1}}, 0, 0, 1);
  l.Line({{0, 0}, {1, 1}}, 0, 3, 1);  // width
  l.Line({{0, 0}, {1, 1}}, 2, 3, 1);  // style
  l.Line({{0, 0}, {1, 1}}, 2, 3, 5);  // colour
  Drawn dc(l);
  EXPECT_EQ(dc.pensMade, 4);
  EXPECT_EQ(dc.brushesMade, 4);
  EXPECT_EQ(dc.deleted, 6);                      // the replaced pairs; the context's own first pair is stock
  EXPECT_EQ(dc.calls[3].pen.colour, 0xFF0000u);  // entry 5, blue, as 0x00BBGGRR
}

TEST(DrawTexts, FontsFollowTheirDescriptionAndColour) {
  Lists l;
  l.Text("one", 12, 1);
  l.Text("two", 12, 1);        // same: no new font
  l.Text("three", 12, 2);      // colour only: new font and text colour
  l.Text("four", 12, 2, 900);  // escapement
  l.Text("five", 12, 2, 900, "Times New Roman");
  l.Text("six", 12, 2, 900, "A face name that is far longer than thirty-one characters");
  Drawn dc(l);
  EXPECT_EQ(dc.fontsMade, 5);
  EXPECT_EQ(dc.textColoursSet, 5);
  ASSERT_EQ(dc.calls.size(), 6u);
  const platform::LogFont& f = dc.calls[0].font;
  EXPECT_EQ(f.height, -12);
  EXPECT_EQ(f.outPrecision, 7);
  EXPECT_STREQ(f.faceName, "Arial");
  EXPECT_EQ(dc.calls[0].textColour, 0x0000FFu);  // red
  EXPECT_EQ(dc.calls[2].textColour, 0x00FFFFu);  // yellow
  EXPECT_EQ(dc.calls[3].font.escapement, 900);
  EXPECT_EQ(dc.calls[3].font.orientation, 900);
  EXPECT_EQ(std::pair(dc.calls[3].points[0].x, dc.calls[3].points[0].y), std::pair(10, 20));
  EXPECT_EQ(dc.calls[4].text, "five");
  EXPECT_STREQ(dc.calls[5].font.faceName, "A face name that is far longer ");  // cut to 31 characters
}

// Drawing each polyline as it is flattened makes the very calls that drawing
// the flattened lists makes.
TEST(DrawDrawing, SameCallsAsTheFlattenedLists) {
  for (const char* name : {"floor_plan.dxf", "mechanical_part.dxf"}) {
    Drawing d{};
    ASSERT_EQ(dxf_proc(testing_support::BundledSamplePath(name).c_str(), &d), 1);
    Lists l;
    FlattenDrawing(d, 3.7, l.polylines, l.texts);
    Drawn lists(l);
    testing_support::RecordingDevice streamed;
    EXPECT_EQ(DrawDrawing(&streamed, d, 3.7), 1);
    ASSERT_EQ(streamed.calls.size(), lists.calls.size()) << name;
    EXPECT_GT(streamed.calls.size(), 10u);
    for (size_t i = 0; i < streamed.calls.size(); ++i) {
      const auto &a = streamed.calls[i], &b = lists.calls[i];
      EXPECT_TRUE(
          a.what == b.what && a.text == b.text && a.textColour == b.textColour && a.points.size() == b.points.size() &&
          std::memcmp(a.points.data(), b.points.data(), a.points.size() * sizeof a.points[0]) == 0 &&
          std::memcmp(&a.pen, &b.pen, sizeof a.pen) == 0 && std::memcmp(&a.brush, &b.brush, sizeof a.brush) == 0 &&
          std::memcmp(&a.font, &b.font, sizeof a.font) == 0)
          << name << " call " << i;
    }
    EXPECT_EQ(streamed.pensMade, lists.pensMade);
    EXPECT_EQ(streamed.fontsMade, lists.fontsMade);
    DrawingFree(&d);
  }
}

}  // namespace
