#include "render/canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "render/draw.h"
#include "tests/render/device_lists.h"
#include "tests/support/support.h"

namespace {

// A canvas as the command line sets it up: the built-in table as palette for
// DXF input, or entry 0 white and the rest black for other inputs.
Canvas MakeCanvas(int32_t width, int32_t height, int32_t bpp, bool builtIn, bool ink = false) {
  Canvas c{};
  c.width = width, c.height = height, c.bitsPerPixel = bpp, c.drawnIsInk = ink;
  c.stride = static_cast<int32_t>(RowStride(width, bpp));
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
  // Row y as text: '.' for the background, the digit of each index below 10.
  std::string Row(int y) const {
    std::string row;
    for (int x = 0; x < c.width; ++x) row += At(x, y) == 254 ? '.' : At(x, y) < 10 ? char('0' + At(x, y)) : '?';
    return row;
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
  Painted dxf(37, 5), other(8, 3, 8, false), rgb(5, 2, 24);
  EXPECT_EQ(dxf.c.palette.count, 256);
  EXPECT_EQ(dxf.Find(254).count, 37 * 5);
  EXPECT_EQ(dxf.c.pixels[37], 0) << "row padding stays zero";
  EXPECT_EQ(other.Find(0).count, 8 * 3);
  EXPECT_EQ(rgb.c.stride, 16);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(rgb.c.pixels[16 + i], 0xC0);
}

TEST(CreateCanvas, TooLargeOrInconsistentFailsCleanly) {
  // 4 GiB of working surface, a side too long, a short stride, an unknown depth.
  Canvas bad[] = {MakeCanvas(32767, 32767, 8, true), MakeCanvas(40000, 10, 8, true), MakeCanvas(10, 10, 8, true),
                  MakeCanvas(10, 10, 8, true)};
  bad[2].stride = 4;
  bad[3].bitsPerPixel = 4;
  for (Canvas& c : bad) {
    EXPECT_EQ(CreateCanvas(c), 0) << c.width;
    EXPECT_EQ(c.pixels, nullptr);
    EXPECT_EQ(c.deviceContext, nullptr);
  }
  Canvas zero{};  // free is safe on a canvas that holds nothing, and twice
  FreeCanvas(zero);
  FreeCanvas(zero);
}

TEST(Canvas, OneBitCanvasMarksDrawnPixelsAsInkForDrawings) {
  for (bool ink : {true, false}) {
    Painted p(16, 4, 1, true, ink);
    p.Line({{0, 1}, {16, 1}}, 0, 0, 7);  // white: nearest of black and red is red (1)
    p.Line({{0, 2}, {16, 2}}, 0, 0, 5);  // blue: nearest is black (0)
    p.Draw();
    EXPECT_EQ(p.c.pixels[0], 0);  // the background
    EXPECT_EQ(p.c.pixels[4], 0xFF);
    EXPECT_EQ(p.c.pixels[8], ink ? 0xFF : 0);
  }
}

// Scenes on a canvas with the built-in palette, compared with the pictures
// beside them (tests/data/render/<name>.txt, one Row() per line). Set
// KARTEX_REGENERATE=1 to rewrite the pictures, then review the diff.
TEST(Canvas, ScenesMatchTheirPictures) {
  struct Scene {
    const char* name;
    int32_t width, height;
    void (*draw)(Lists&);
  } const scenes[] = {
      // Lines on pixel centres, without their last point.
      {"one-pixel-lines", 20, 12,
       [](Lists& l) {
         l.Line({{0, 5}, {10, 5}}, 0, 1, 1);
         l.Line({{15, 0}, {15, 10}}, 0, 0, 3);
       }},
      // A slanted line is one pixel per column; an outline closes back to its
      // start and is filled in its own colour.
      {"slanted-line-and-outline", 40, 40,
       [](Lists& l) {
         l.Line({{0, 0}, {30, 15}}, 0, 0, 1);
         l.Line({{20, 20}, {30, 20}, {30, 30}}, 0, 0, 3, 1);
       }},
      // Dashed, dotted (one pixel wide) and dash-dot patterns; a wide pen draws solid.
      {"pen-patterns", 100, 8,
       [](Lists& l) {
         for (int32_t style : {1, 2, 3}) l.Line({{0, 2 * style - 1}, {100, 2 * style - 1}}, style, style == 2, 1);
         l.Line({{0, 7}, {100, 7}}, 1, 3, 1);
       }},
      // Wide pens have round caps (and a patterned style draws solid).
      {"wide-pen-round-caps", 60, 40,
       [](Lists& l) {
         l.Line({{20, 20}, {40, 20}}, 2, 9, 1);
       }},
      // A star in one stroke: its centre, crossed twice, stays out by even-odd.
      {"even-odd-star", 100, 100,
       [](Lists& l) {
         l.Line({{50, 5}, {76, 90}, {8, 36}, {92, 36}, {24, 90}}, 0, 0, 3, 1);
       }},
  };
  for (const Scene& scene : scenes) {
    Painted p(scene.width, scene.height);
    scene.draw(p);
    p.Draw();
    std::string picture;
    for (int y = 0; y < scene.height; ++y) picture += p.Row(y) + "\n";
    const std::string path = testing_support::DataPath(std::string("render/") + scene.name + ".txt");
    if (std::getenv("KARTEX_REGENERATE")) testing_support::WriteFile(path, picture);
    EXPECT_EQ(picture, testing_support::ReadText(path)) << scene.name;
  }
}

TEST(Canvas, FarOffGeometryStillCrossesTheCanvasTheRightWay) {
  Painted p(50, 50);
  const int32_t far = 1000000000;
  p.Line({{-far, 10}, {far, 10}}, 0, 0, 1);
  p.Line({{-far, -far}, {far, far}}, 0, 0, 3);
  p.Line({{-far, 40}, {far, 40}}, 1, 0, 5);              // dashed, phase carried from far away
  p.Line({{-far, 60}, {0, 45}, {far, 60}}, 0, 0, 6, 1);  // a huge, flat filled triangle
  p.Draw();
  EXPECT_EQ(p.Row(10).substr(0, 9) + p.Row(10).substr(12), std::string(47, '1'));  // the diagonal crosses at 10
  int gaps = 0, blue = 0;
  for (int x = 0; x < 50; ++x) (p.At(x, 40) == 5 ? blue : gaps)++;
  EXPECT_GT(gaps, 5);
  EXPECT_GT(blue, 25);
  EXPECT_EQ(p.At(30, 30), 3);                                                    // the diagonal
  EXPECT_EQ(p.Row(47).substr(0, 7) + p.Row(43).substr(0, 7), "6666666.......");  // inside the huge triangle
}

Box DrawOneText(const char* text, int32_t height, int32_t escapement, const char* face = "Arial", int32_t x = 100,
                int32_t y = 100) {
  Painted p(200, 200);
  p.Text(text, height, 3, escapement, face, x, y);
  p.Draw();
  return p.Find(3);
}

TEST(CanvasText, TextLiesBelowAndRightOfItsPointAndTurnsCounterClockwise) {
  Box b = DrawOneText("HHHH", 20, 0);
  ASSERT_GT(b.count, 40);
  EXPECT_GE(b.left, 100);
  EXPECT_LE(b.left, 104);
  EXPECT_GE(b.top, 100);
  EXPECT_LE(b.bottom, 121);  // capitals sit above the baseline, one ascent (under 20) below the point
  EXPECT_GT(b.right, 140);
  Box up = DrawOneText("HHHH", 20, 900);  // runs upwards, its top to the left
  ASSERT_GT(up.count, 40);
  EXPECT_GE(up.left, 100);
  EXPECT_LE(up.right, 121);
  EXPECT_LT(up.top, 60);
  EXPECT_LE(up.bottom, 100);
  // Odd faces, bytes and sizes.
  EXPECT_GT(DrawOneText("\xB0\xD8\x80", 20, 0, "No Such Face").count, 20);
  EXPECT_GT(DrawOneText("abc", 20, 0, "").count, 20);
  EXPECT_GT(DrawOneText("I", 600, 0, "Arial", 0, -300).count, 1000);  // large text is filled from outlines
  EXPECT_EQ(DrawOneText("HHHH", 0, 0).count, 0);
  // Far off, giant or empty: nothing.
  EXPECT_EQ(DrawOneText("far away", 20, 0, "Arial", -1000000000, 5).count, 0);
  EXPECT_EQ(DrawOneText("giant", 1000000000, 0, "Arial", 5, 5).count, 0);
  EXPECT_EQ(DrawOneText("", 20, 0, "Arial", 5, 5).count, 0);
}

}  // namespace
