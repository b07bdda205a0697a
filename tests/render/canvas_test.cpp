#include "render/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/colours.h"
#include "render/draw.h"

namespace {

// A canvas as the command line sets it up: the built-in table as palette for
// DXF input, or entry 0 white and the rest black for other inputs.
Canvas MakeCanvas(int32_t width, int32_t height, int32_t bpp, bool builtIn, bool ink = false) {
  Canvas c{};
  c.width = width;
  c.height = height;
  c.bitsPerPixel = bpp;
  c.stride = static_cast<int32_t>(RowStride(width, bpp));
  c.drawnIsInk = ink;
  UseBuiltInColourTable();
  for (int i = 0; i < 256; ++i) {
    ColourRef v = builtIn ? CurrentColourTable()[i] : 0;
    c.palette.entries[i] = {RedOf(v), GreenOf(v), BlueOf(v), 0};
  }
  if (!builtIn) c.palette.entries[0] = {255, 255, 255, 0};
  return c;
}

struct Lists {
  GrowArray<DevicePolyline> polylines{};
  GrowArray<DeviceText> texts{};
  ~Lists() { FreeDeviceLists(polylines, texts); }
  void Line(std::initializer_list<DevicePoint> points, int32_t style, int32_t width, uint8_t colour,
            int32_t filled = 0) {
    DevicePolyline line{};
    for (DevicePoint p : points) ArrayAppend(line.points, p);
    line.penStyle = style;
    line.penWidth = width;
    line.colour = colour;
    line.filled = filled;
    ArrayAppend(polylines, line);
  }
};

uint8_t At(const Canvas& c, int x, int y) { return c.pixels[int64_t{y} * c.stride + x]; }
int Bit(const Canvas& c, int x, int y) { return (c.pixels[int64_t{y} * c.stride + x / 8] >> (7 - x % 8)) & 1; }

TEST(CreateCanvas, BackgroundForEachDepthAndPalette) {
  Canvas dxf = MakeCanvas(37, 5, 8, true);
  ASSERT_EQ(CreateCanvas(dxf), 1);
  EXPECT_EQ(dxf.palette.count, 256);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 37; ++x) ASSERT_EQ(At(dxf, x, y), 254);
  EXPECT_EQ(dxf.pixels[37], 0) << "row padding stays zero";
  FreeCanvas(dxf);

  Canvas other = MakeCanvas(8, 3, 8, false);
  ASSERT_EQ(CreateCanvas(other), 1);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(At(other, x, 2), 0);
  FreeCanvas(other);

  Canvas rgb = MakeCanvas(5, 2, 24, true);
  ASSERT_EQ(CreateCanvas(rgb), 1);
  EXPECT_EQ(rgb.stride, 16);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(rgb.pixels[16 + i], 0xC0);
  FreeCanvas(rgb);

  Canvas fax = MakeCanvas(20, 4, 1, false);
  ASSERT_EQ(CreateCanvas(fax), 1);
  EXPECT_EQ(fax.palette.count, 2);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(fax.pixels[i], 0);
  FreeCanvas(fax);
}

TEST(CreateCanvas, TooLargeOrInconsistentFailsCleanly) {
  Canvas huge = MakeCanvas(32767, 32767, 8, true);  // 4 GiB of working surface
  EXPECT_EQ(CreateCanvas(huge), 0);
  EXPECT_EQ(huge.pixels, nullptr);
  EXPECT_EQ(huge.deviceContext, nullptr);
  Canvas wide = MakeCanvas(40000, 10, 8, true);
  EXPECT_EQ(CreateCanvas(wide), 0);
  Canvas badStride = MakeCanvas(10, 10, 8, true);
  badStride.stride = 4;
  EXPECT_EQ(CreateCanvas(badStride), 0);
  Canvas badDepth = MakeCanvas(10, 10, 8, true);
  badDepth.bitsPerPixel = 4;
  EXPECT_EQ(CreateCanvas(badDepth), 0);
  // Free is safe on a canvas that holds nothing, and twice.
  Canvas zero{};
  FreeCanvas(zero);
  FreeCanvas(zero);
  EXPECT_EQ(zero.pixels, nullptr);
}

TEST(Canvas, ColoursMatchTheNearestPaletteEntry) {
  Canvas c = MakeCanvas(40, 10, 8, true);
  ASSERT_EQ(CreateCanvas(c), 1);
  Lists l;
  l.Line({{0, 1}, {40, 1}}, 0, 0, 1);    // red: entry 1 (entry 10 is red too; ties go low)
  l.Line({{0, 3}, {40, 3}}, 0, 0, 254);  // an exact entry
  l.Line({{0, 5}, {40, 5}}, 0, 0, 7);    // white
  ASSERT_EQ(DrawPolylines(c.deviceContext, l.polylines), 1);
  FlushCanvas(c);
  EXPECT_EQ(At(c, 20, 1), 1);
  EXPECT_EQ(At(c, 20, 3), 254);
  EXPECT_EQ(At(c, 20, 5), 7);
  EXPECT_EQ(At(c, 20, 0), 254);
  FreeCanvas(c);
}

TEST(Canvas, OneBitCanvasMarksDrawnPixelsAsInkForDrawings) {
  for (bool ink : {true, false}) {
    Canvas c = MakeCanvas(16, 4, 1, true, ink);
    ASSERT_EQ(CreateCanvas(c), 1);
    Lists l;
    l.Line({{0, 1}, {16, 1}}, 0, 0, 7);  // white: nearest of black and red is red (1)
    l.Line({{0, 2}, {16, 2}}, 0, 0, 5);  // blue: nearest is black (0)
    ASSERT_EQ(DrawPolylines(c.deviceContext, l.polylines), 1);
    FlushCanvas(c);
    EXPECT_EQ(Bit(c, 3, 0), 0);
    EXPECT_EQ(Bit(c, 3, 1), 1);
    EXPECT_EQ(Bit(c, 3, 2), ink ? 1 : 0);
    FreeCanvas(c);
  }
}

TEST(Canvas, OnePixelLinesLandOnPixelCentres) {
  Canvas c = MakeCanvas(20, 12, 8, true);
  ASSERT_EQ(CreateCanvas(c), 1);
  Lists l;
  l.Line({{0, 5}, {10, 5}}, 0, 1, 1);
  l.Line({{15, 0}, {15, 10}}, 0, 0, 3);
  ASSERT_EQ(DrawPolylines(c.deviceContext, l.polylines), 1);
  FlushCanvas(c);
  for (int x = 0; x < 20; ++x) {
    EXPECT_EQ(At(c, x, 4), x == 15 ? 3 : 254) << x;
    EXPECT_EQ(At(c, x, 5), x < 10 ? 1 : x == 15 ? 3 : 254) << x;
    EXPECT_EQ(At(c, x, 6), x == 15 ? 3 : 254) << x;
  }
  EXPECT_EQ(At(c, 15, 10), 254) << "the last point is not drawn";
  FreeCanvas(c);
}

TEST(Canvas, ThinSlantedLinesAndOutlinesAreOnePixelPerStep) {
  Canvas c = MakeCanvas(40, 40, 8, true);
  ASSERT_EQ(CreateCanvas(c), 1);
  Lists l;
  l.Line({{0, 0}, {30, 15}}, 0, 0, 1);
  l.Line({{20, 20}, {30, 20}, {30, 30}}, 0, 0, 3, 1);  // filled in its own colour, closed back to the start
  ASSERT_EQ(DrawPolylines(c.deviceContext, l.polylines), 1);
  FlushCanvas(c);
  for (int x = 0; x < 30; ++x) {
    int inColumn = 0;
    for (int y = 0; y < 20; ++y) inColumn += At(c, x, y) == 1;
    EXPECT_EQ(inColumn, 1) << x;
    EXPECT_EQ(At(c, x, (x + 1) / 2), 1) << x;
  }
  EXPECT_EQ(At(c, 25, 25), 3) << "on the closing edge";
  EXPECT_EQ(At(c, 29, 22), 3) << "inside";
  EXPECT_EQ(At(c, 22, 28), 254) << "outside";
  FreeCanvas(c);
}

TEST(Canvas, DashedDottedAndDashDotLinesHaveRealGaps) {
  Canvas c = MakeCanvas(100, 8, 8, true);
  ASSERT_EQ(CreateCanvas(c), 1);
  Lists l;
  l.Line({{0, 1}, {100, 1}}, 1, 0, 1);
  l.Line({{0, 3}, {100, 3}}, 2, 1, 1);
  l.Line({{0, 5}, {100, 5}}, 3, 0, 1);
  l.Line({{0, 7}, {100, 7}}, 1, 3, 1);  // wide: solid
  ASSERT_EQ(DrawPolylines(c.deviceContext, l.polylines), 1);
  FlushCanvas(c);
  auto on = [](int x, std::initializer_list<int> pattern) {
    int period = 0;
    for (int p : pattern) period += p;
    int phase = x % period, i = 0;
    for (int p : pattern) {
      if (phase < p) return i % 2 == 0;
      phase -= p;
      ++i;
    }
    return false;
  };
  for (int x = 0; x < 100; ++x) {
    EXPECT_EQ(At(c, x, 1) == 1, on(x, {18, 6})) << x;
    EXPECT_EQ(At(c, x, 3) == 1, on(x, {3, 3})) << x;
    EXPECT_EQ(At(c, x, 5) == 1, on(x, {9, 6, 3, 6})) << x;
  }
  for (int x = 0; x < 100; ++x) EXPECT_EQ(At(c, x, 7), 1) << x;
  FreeCanvas(c);
}

TEST(Canvas, WidePensHaveRoundCaps) {
  Canvas c = MakeCanvas(60, 40, 8, true);
  ASSERT_EQ(CreateCanvas(c), 1);
  Lists l;
  l.Line({{20, 20}, {40, 20}}, 2, 9, 1);  // a patterned style draws solid when wide
  ASSERT_EQ(DrawPolylines(c.deviceContext, l.polylines), 1);
  FlushCanvas(c);
  EXPECT_EQ(At(c, 30, 16), 1);
  EXPECT_EQ(At(c, 30, 24), 1);
  EXPECT_EQ(At(c, 30, 26), 254);
  EXPECT_EQ(At(c, 16, 20), 1) << "the cap reaches past the end";
  EXPECT_EQ(At(c, 44, 20), 1);
  EXPECT_EQ(At(c, 16, 16), 254) << "but is round, not square";
  EXPECT_EQ(At(c, 44, 24), 254);
  FreeCanvas(c);
}

TEST(Canvas, FilledPolygonsUseTheEvenOddRule) {
  Canvas c = MakeCanvas(100, 100, 8, true);
  ASSERT_EQ(CreateCanvas(c), 1);
  Lists l;
  // A five-pointed star drawn in one stroke: its centre is crossed twice.
  l.Line({{50, 5}, {76, 90}, {8, 36}, {92, 36}, {24, 90}}, 0, 0, 3, 1);
  ASSERT_EQ(DrawPolylines(c.deviceContext, l.polylines), 1);
  FlushCanvas(c);
  EXPECT_EQ(At(c, 50, 55), 254) << "centre is outside by even-odd";
  EXPECT_EQ(At(c, 50, 20), 3) << "a point of the star is filled";
  EXPECT_EQ(At(c, 20, 40), 3);
  EXPECT_EQ(At(c, 5, 5), 254);
  FreeCanvas(c);
}

TEST(Canvas, FarOffGeometryStillCrossesTheCanvasTheRightWay) {
  Canvas c = MakeCanvas(50, 50, 8, true);
  ASSERT_EQ(CreateCanvas(c), 1);
  Lists l;
  const int32_t far = 1000000000;
  l.Line({{-far, 10}, {far, 10}}, 0, 0, 1);
  l.Line({{-far, -far}, {far, far}}, 0, 0, 3);
  l.Line({{-far, 40}, {far, 40}}, 1, 0, 5);  // dashed, phase carried from far away
  l.Line({{-far, 60}, {0, 45}, {far, 60}}, 0, 0, 6, 1);  // a huge, flat filled triangle
  ASSERT_EQ(DrawPolylines(c.deviceContext, l.polylines), 1);
  FlushCanvas(c);
  for (int x = 0; x < 50; ++x) {
    if (x < 9 || x > 11) {
      EXPECT_EQ(At(c, x, 10), 1) << x;  // the diagonal crosses at 10
    }
  }
  int gaps = 0, blue = 0;
  for (int x = 0; x < 50; ++x) (At(c, x, 40) == 5 ? blue : gaps)++;
  EXPECT_GT(gaps, 5);
  EXPECT_GT(blue, 25);
  EXPECT_EQ(At(c, 30, 30), 3) << "the diagonal";
  EXPECT_EQ(At(c, 3, 47), 6) << "inside the huge triangle";
  EXPECT_EQ(At(c, 3, 43), 254);
  FreeCanvas(c);
}

}  // namespace

namespace {

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
};

// Where pixels of `index` lie on the canvas.
Box Find(const Canvas& c, uint8_t index) {
  Box b;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      if (At(c, x, y) == index) {
        b.left = std::min(b.left, x), b.right = std::max(b.right, x);
        b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
        ++b.count;
      }
  return b;
}

Box DrawOneText(const char* text, int32_t height, int32_t escapement, const char* face = "Arial",
                int32_t x = 100, int32_t y = 100) {
  Canvas c = MakeCanvas(200, 200, 8, true);
  EXPECT_EQ(CreateCanvas(c), 1);
  GrowArray<DeviceText> texts{};
  ArrayAppend(texts, DeviceText{x, y, text, face, height, escapement, 3});
  EXPECT_EQ(DrawTexts(c.deviceContext, texts), 1);
  FlushCanvas(c);
  Box b = Find(c, 3);
  ArrayFree(texts);
  FreeCanvas(c);
  return b;
}

TEST(CanvasText, TextLiesBelowAndRightOfItsPointInItsColour) {
  Box b = DrawOneText("HHHH", 20, 0);
  ASSERT_GT(b.count, 40);
  EXPECT_GE(b.left, 100);
  EXPECT_LE(b.left, 104);
  EXPECT_GE(b.top, 100);
  EXPECT_LE(b.bottom, 121);  // capitals sit above the baseline, one ascent (under 20) below the point
  EXPECT_GT(b.right, 140);
}

TEST(CanvasText, TextTurnsAboutItsPointCounterClockwise) {
  Box up = DrawOneText("HHHH", 20, 900);  // runs upwards, its top to the left
  ASSERT_GT(up.count, 40);
  EXPECT_GE(up.left, 100);
  EXPECT_LE(up.right, 121);
  EXPECT_LT(up.top, 60);
  EXPECT_LE(up.bottom, 100);
  Box back = DrawOneText("HHHH", 20, 1800);  // upside down, to the left
  EXPECT_LE(back.right, 100);
  EXPECT_LT(back.left, 60);
  EXPECT_LE(back.bottom, 101);
}

TEST(CanvasText, UnknownFacesAndOddBytesStillDraw) {
  EXPECT_GT(DrawOneText("\xB0\xD8\x80", 20, 0, "No Such Face").count, 20);
  EXPECT_GT(DrawOneText("abc", 20, 0, "").count, 20);
}

TEST(CanvasText, ZeroHeightAndFarOffTextDrawNothing) {
  EXPECT_EQ(DrawOneText("HHHH", 0, 0).count, 0);
  Canvas c = MakeCanvas(50, 50, 8, true);
  ASSERT_EQ(CreateCanvas(c), 1);
  GrowArray<DeviceText> texts{};
  ArrayAppend(texts, DeviceText{-1000000000, 5, "far away", "Arial", 20, 0, 3});
  ArrayAppend(texts, DeviceText{5, 5, "giant", "Arial", 1000000000, 0, 3});
  ArrayAppend(texts, DeviceText{5, 5, "", "Arial", 20, 0, 3});
  EXPECT_EQ(DrawTexts(c.deviceContext, texts), 1);
  FlushCanvas(c);
  EXPECT_EQ(Find(c, 3).count, 0);
  ArrayFree(texts);
  FreeCanvas(c);
}

TEST(CanvasText, LargeTextIsFilledFromOutlines) {
  Box b = DrawOneText("I", 600, 0, "Arial", 0, -300);  // the letter's middle crosses the canvas
  EXPECT_GT(b.count, 1000);
}

}  // namespace
