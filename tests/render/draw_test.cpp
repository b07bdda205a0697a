#include "render/draw.h"

#include <gtest/gtest.h>

#include "tests/render/device_lists.h"
#include "tests/support/recording_device.h"

namespace {

using testing_support::RecordingDevice;

TEST(DrawPolylines, EqualAttributesShareOnePenAndBrush) {
  Lists l;
  l.Line({{0, 0}, {10, 0}}, 1, 0, 3);
  l.Line({{0, 5}, {10, 5}, {10, 9}}, 1, 0, 3, 1);  // filled, same pen: shares
  l.Line({{7, 7}}, 2, 4, 9);                        // one point: skipped, selects nothing
  l.Line({{0, 9}, {5, 9}}, 1, 0, 3);
  RecordingDevice dc;
  ASSERT_EQ(DrawPolylines(&dc, l.polylines), 1);
  EXPECT_EQ(dc.pensMade, 1);
  EXPECT_EQ(dc.brushesMade, 1);
  ASSERT_EQ(dc.calls.size(), 3u);
  EXPECT_EQ(dc.calls[0].what, "polyline");
  EXPECT_EQ(dc.calls[1].what, "polygon");
  EXPECT_EQ(dc.calls[1].points.size(), 3u);
  EXPECT_EQ(dc.calls[2].what, "polyline");
  // Pen: style, width, 0, colour of entry 3 (green); the brush has the same colour.
  EXPECT_EQ(dc.calls[0].pen.style, 1);
  EXPECT_EQ(dc.calls[0].pen.colour, 0x00FF00u);
  EXPECT_EQ(dc.calls[1].brush.colour, 0x00FF00u);
  EXPECT_EQ(dc.calls[1].brush.style, platform::kBrushSolid);
}

TEST(DrawPolylines, EachChangeMakesNewObjectsAndDeletesTheOld) {
  Lists l;
  l.Line({{0, 0}, {1, 1}}, 0, 0, 1);
  l.Line({{0, 0}, {1, 1}}, 0, 3, 1);  // width
  l.Line({{0, 0}, {1, 1}}, 2, 3, 1);  // style
  l.Line({{0, 0}, {1, 1}}, 2, 3, 5);  // colour
  RecordingDevice dc;
  ASSERT_EQ(DrawPolylines(&dc, l.polylines), 1);
  EXPECT_EQ(dc.pensMade, 4);
  EXPECT_EQ(dc.brushesMade, 4);
  EXPECT_EQ(dc.deleted, 6);  // the replaced pairs; the context's own first pair is stock
  EXPECT_EQ(dc.calls[3].pen.colour, 0xFF0000u);  // entry 5, blue, as 0x00BBGGRR
}

TEST(DrawPolylines, TheFirstRecordAlwaysSelectsItsOwnObjects) {
  // All-zero attributes equal an all-zero cache; the first record still gets
  // its own black pen and brush instead of the context's white brush.
  Lists l;
  l.Line({{0, 0}, {4, 0}, {4, 4}}, 0, 0, 0, 1);
  RecordingDevice dc;
  ASSERT_EQ(DrawPolylines(&dc, l.polylines), 1);
  EXPECT_EQ(dc.pensMade, 1);
  ASSERT_EQ(dc.calls.size(), 1u);
  EXPECT_EQ(dc.calls[0].brush.colour, 0u);
}

TEST(DrawPolylines, EmptyListDrawsNothingAndSucceeds) {
  Lists l;
  RecordingDevice dc;
  EXPECT_EQ(DrawPolylines(&dc, l.polylines), 1);
  EXPECT_EQ(DrawTexts(&dc, l.texts), 1);
  EXPECT_TRUE(dc.calls.empty());
  EXPECT_EQ(DrawPolylines(nullptr, l.polylines), 0);
}

TEST(DrawTexts, FontsFollowTheirDescriptionAndColour) {
  Lists l;
  l.Text("one", 12, 1);
  l.Text("two", 12, 1);                     // same: no new font
  l.Text("three", 12, 2);                   // colour only: new font and text colour
  l.Text("four", 12, 2, 900);               // escapement
  l.Text("five", 12, 2, 900, "Times New Roman");
  RecordingDevice dc;
  ASSERT_EQ(DrawTexts(&dc, l.texts), 1);
  EXPECT_EQ(dc.fontsMade, 4);
  EXPECT_EQ(dc.textColoursSet, 4);
  ASSERT_EQ(dc.calls.size(), 5u);
  const platform::LogFont& f = dc.calls[0].font;
  EXPECT_EQ(f.height, -12);
  EXPECT_EQ(f.outPrecision, 7);
  EXPECT_STREQ(f.faceName, "Arial");
  EXPECT_EQ(dc.calls[0].textColour, 0x0000FFu);  // red
  EXPECT_EQ(dc.calls[2].textColour, 0x00FFFFu);  // yellow
  EXPECT_EQ(dc.calls[3].font.escapement, 900);
  EXPECT_EQ(dc.calls[3].font.orientation, 900);
  EXPECT_EQ(dc.calls[3].points[0].x, 10);
  EXPECT_EQ(dc.calls[3].points[0].y, 20);
  EXPECT_EQ(dc.calls[4].text, "five");
}

TEST(DrawTexts, LongFaceNamesAreCutTo31Characters) {
  Lists l;
  l.Text("x", 5, 1, 0, "A face name that is far longer than thirty-one characters");
  RecordingDevice dc;
  ASSERT_EQ(DrawTexts(&dc, l.texts), 1);
  EXPECT_EQ(std::string(dc.calls[0].font.faceName), std::string("A face name that is far longer ").substr(0, 31));
}

}  // namespace
