#include "render/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "render/draw.h"
#include "tests/render/device_lists.h"

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

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
};

// A created canvas and the lists to draw on it; freed at the end.
struct Painted : Lists {
  Canvas c;
  Painted(int32_t width, int32_t height, int32_t bpp = 8, bool builtIn = true, bool ink = false)
      : c(MakeCanvas(width, height, bpp, builtIn, ink)) {
    EXPECT_EQ(CreateCanvas(c), 1);
  }
  ~Painted() { FreeCanvas(c); }
  void Draw() {
    ASSERT_EQ(DrawPolylines(c.deviceContext, polylines), 1);
    ASSERT_EQ(DrawTexts(c.deviceContext, texts), 1);
    FlushCanvas(c);
  }
  uint8_t At(int x, int y) const { return c.pixels[int64_t{y} * c.stride + x]; }
  int Bit(int x, int y) const { return (c.pixels[int64_t{y} * c.stride + x / 8] >> (7 - x % 8)) & 1; }
  // Each {x, y, index} holds.
  void Expect(std::initializer_list<std::array<int, 3>> pixels) const {
    for (auto [x, y, index] : pixels) EXPECT_EQ(At(x, y), index) << "at " << x << "," << y;
  }
  // Where pixels of `index` lie.
  Box Find(uint8_t index) const {
    Box b;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        if (At(x, y) == index) {
          b.left = std::min(b.left, x), b.right = std::max(b.right, x);
          b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
          ++b.count;
        }
    return b;
  }
};

TEST(CreateCanvas, BackgroundForEachDepthAndPalette) {
  Painted dxf(37, 5);
  EXPECT_EQ(dxf.c.palette.count, 256);
  EXPECT_EQ(dxf.Find(254).count, 37 * 5);
  EXPECT_EQ(dxf.c.pixels[37], 0) << "row padding stays zero";
  Painted other(8, 3, 8, false);
  EXPECT_EQ(other.Find(0).count, 8 * 3);
  Painted rgb(5, 2, 24);
  EXPECT_EQ(rgb.c.stride, 16);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(rgb.c.pixels[16 + i], 0xC0);
  Painted fax(20, 4, 1, false);
  EXPECT_EQ(fax.c.palette.count, 2);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(fax.c.pixels[i], 0);
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
  Painted p(40, 10);
  p.Line({{0, 1}, {40, 1}}, 0, 0, 1);    // red: entry 1 (entry 10 is red too; ties go low)
  p.Line({{0, 3}, {40, 3}}, 0, 0, 254);  // an exact entry
  p.Line({{0, 5}, {40, 5}}, 0, 0, 7);    // white
  p.Draw();
  p.Expect({{20, 1, 1}, {20, 3, 254}, {20, 5, 7}, {20, 0, 254}});
}

TEST(Canvas, OneBitCanvasMarksDrawnPixelsAsInkForDrawings) {
  for (bool ink : {true, false}) {
    Painted p(16, 4, 1, true, ink);
    p.Line({{0, 1}, {16, 1}}, 0, 0, 7);  // white: nearest of black and red is red (1)
    p.Line({{0, 2}, {16, 2}}, 0, 0, 5);  // blue: nearest is black (0)
    p.Draw();
    EXPECT_EQ(p.Bit(3, 0), 0);
    EXPECT_EQ(p.Bit(3, 1), 1);
    EXPECT_EQ(p.Bit(3, 2), ink ? 1 : 0);
  }
}

TEST(Canvas, OnePixelLinesLandOnPixelCentres) {
  Painted p(20, 12);
  p.Line({{0, 5}, {10, 5}}, 0, 1, 1);
  p.Line({{15, 0}, {15, 10}}, 0, 0, 3);
  p.Draw();
  for (int x = 0; x < 20; ++x) {
    EXPECT_EQ(p.At(x, 4), x == 15 ? 3 : 254) << x;
    EXPECT_EQ(p.At(x, 5), x < 10 ? 1 : x == 15 ? 3 : 254) << x;
    EXPECT_EQ(p.At(x, 6), x == 15 ? 3 : 254) << x;
  }
  EXPECT_EQ(p.At(15, 10), 254) << "the last point is not drawn";
}

TEST(Canvas, ThinSlantedLinesAndOutlinesAreOnePixelPerStep) {
  Painted p(40, 40);
  p.Line({{0, 0}, {30, 15}}, 0, 0, 1);
  p.Line({{20, 20}, {30, 20}, {30, 30}}, 0, 0, 3, 1);  // filled in its own colour, closed back to the start
  p.Draw();
  for (int x = 0; x < 30; ++x) {
    int inColumn = 0;
    for (int y = 0; y < 20; ++y) inColumn += p.At(x, y) == 1;
    EXPECT_EQ(inColumn, 1) << x;
    EXPECT_EQ(p.At(x, (x + 1) / 2), 1) << x;
  }
  p.Expect({{25, 25, 3} /* on the closing edge */, {29, 22, 3} /* inside */, {22, 28, 254} /* outside */});
}

TEST(Canvas, DashedDottedAndDashDotLinesHaveRealGaps) {
  Painted p(100, 8);
  p.Line({{0, 1}, {100, 1}}, 1, 0, 1);
  p.Line({{0, 3}, {100, 3}}, 2, 1, 1);
  p.Line({{0, 5}, {100, 5}}, 3, 0, 1);
  p.Line({{0, 7}, {100, 7}}, 1, 3, 1);  // wide: solid
  p.Draw();
  auto on = [](int x, std::initializer_list<int> pattern) {
    int period = 0, i = 0;
    for (int n : pattern) period += n;
    int phase = x % period;
    for (int n : pattern) {
      if (phase < n) return i % 2 == 0;
      phase -= n;
      ++i;
    }
    return false;
  };
  for (int x = 0; x < 100; ++x) {
    EXPECT_EQ(p.At(x, 1) == 1, on(x, {18, 6})) << x;
    EXPECT_EQ(p.At(x, 3) == 1, on(x, {3, 3})) << x;
    EXPECT_EQ(p.At(x, 5) == 1, on(x, {9, 6, 3, 6})) << x;
    EXPECT_EQ(p.At(x, 7), 1) << x;
  }
}

TEST(Canvas, WidePensHaveRoundCaps) {
  Painted p(60, 40);
  p.Line({{20, 20}, {40, 20}}, 2, 9, 1);  // a patterned style draws solid when wide
  p.Draw();
  p.Expect({{30, 16, 1}, {30, 24, 1}, {30, 26, 254}});
  // The caps reach past the ends, but are round, not square.
  p.Expect({{16, 20, 1}, {44, 20, 1}, {16, 16, 254}, {44, 24, 254}});
}

TEST(Canvas, FilledPolygonsUseTheEvenOddRule) {
  Painted p(100, 100);
  // A five-pointed star drawn in one stroke: its centre is crossed twice.
  p.Line({{50, 5}, {76, 90}, {8, 36}, {92, 36}, {24, 90}}, 0, 0, 3, 1);
  p.Draw();
  // The centre is outside by even-odd; the star's points are filled.
  p.Expect({{50, 55, 254}, {50, 20, 3}, {20, 40, 3}, {5, 5, 254}});
}

TEST(Canvas, FarOffGeometryStillCrossesTheCanvasTheRightWay) {
  Painted p(50, 50);
  const int32_t far = 1000000000;
  p.Line({{-far, 10}, {far, 10}}, 0, 0, 1);
  p.Line({{-far, -far}, {far, far}}, 0, 0, 3);
  p.Line({{-far, 40}, {far, 40}}, 1, 0, 5);              // dashed, phase carried from far away
  p.Line({{-far, 60}, {0, 45}, {far, 60}}, 0, 0, 6, 1);  // a huge, flat filled triangle
  p.Draw();
  for (int x = 0; x < 50; ++x) {
    if (x < 9 || x > 11) { EXPECT_EQ(p.At(x, 10), 1) << x; }  // the diagonal crosses at 10
  }
  int gaps = 0, blue = 0;
  for (int x = 0; x < 50; ++x) (p.At(x, 40) == 5 ? blue : gaps)++;
  EXPECT_GT(gaps, 5);
  EXPECT_GT(blue, 25);
  p.Expect({{30, 30, 3} /* the diagonal */, {3, 47, 6} /* inside the huge triangle */, {3, 43, 254}});
}

Box DrawOneText(const char* text, int32_t height, int32_t escapement, const char* face = "Arial",
                int32_t x = 100, int32_t y = 100) {
  Painted p(200, 200);
  p.Text(text, height, 3, escapement, face, x, y);
  p.Draw();
  return p.Find(3);
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

TEST(CanvasText, OddFacesBytesAndSizes) {
  EXPECT_GT(DrawOneText("\xB0\xD8\x80", 20, 0, "No Such Face").count, 20);
  EXPECT_GT(DrawOneText("abc", 20, 0, "").count, 20);
  EXPECT_GT(DrawOneText("I", 600, 0, "Arial", 0, -300).count, 1000);  // large text is filled from outlines
  EXPECT_EQ(DrawOneText("HHHH", 0, 0).count, 0);
  Painted p(50, 50);  // far off, giant or empty: nothing
  p.Text("far away", 20, 3, 0, "Arial", -1000000000, 5);
  p.Text("giant", 1000000000, 3, 0, "Arial", 5, 5);
  p.Text("", 20, 3, 0, "Arial", 5, 5);
  p.Draw();
  EXPECT_EQ(p.Find(3).count, 0);
}

}  // namespace
