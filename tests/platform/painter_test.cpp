#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "platform/clip.h"
#include "platform/dib.h"
#include "platform/fonts.h"
#include "platform/gdi.h"
#include "platform/pixels.h"
#include "platform/region.h"

namespace {

using namespace platform;

TEST(ClipSegment, CutsToTheBoxAndReportsWhereAlongTheSegment) {
  Box box{0, 0, 10, 10};
  DPoint a{-10, 5}, b{30, 5};
  double t0, t1;
  ASSERT_TRUE(ClipSegment(a, b, box, t0, t1));
  EXPECT_DOUBLE_EQ(a.x, 0);
  EXPECT_DOUBLE_EQ(b.x, 10);
  EXPECT_DOUBLE_EQ(t0, 0.25);
  EXPECT_DOUBLE_EQ(t1, 0.5);
  DPoint c{-1e9, -1e9}, d{1e9, 1e9};
  ASSERT_TRUE(ClipSegment(c, d, box, t0, t1));
  EXPECT_NEAR(c.x, 0, 1e-6);
  EXPECT_NEAR(d.y, 10, 1e-6);
  DPoint e{-5, -5}, f{-1, 20};  // passes left of the box
  EXPECT_FALSE(ClipSegment(e, f, box, t0, t1));
}

TEST(ClipPolygon, KeepsTheInsideOfHugePolygons) {
  std::vector<DPoint> out;
  ClipPolygon({{-1e9, -1e9}, {1e9, -1e9}, {0, 1e9}}, {0, 0, 10, 10}, out);
  ASSERT_GE(out.size(), 4u);
  for (const DPoint& p : out) EXPECT_TRUE(p.x > -1e-9 && p.x < 10 + 1e-9 && p.y > -1e-9 && p.y < 10 + 1e-9);
  ClipPolygon({{20, 20}, {30, 20}, {25, 30}}, {0, 0, 10, 10}, out);
  EXPECT_TRUE(out.empty());
}

TEST(ColourMatcher, NearestEntryTiesToTheLowestIndexAndCachesTruthfully) {
  const uint8_t palette[] = {255, 255, 255, 0, 0, 0, 0, 0, 200, 0, 0, 0, 200, 0, 0, 0, 10, 10, 10, 0};
  ColourMatcher m;
  m.SetPalette(palette, 5);
  EXPECT_EQ(m.Nearest(0xC8000A), 2) << "entries 2 and 3 are equal: the lower wins";
  EXPECT_EQ(m.Nearest(0x000000), 1);
  EXPECT_EQ(m.Nearest(0x050505), 1) << "distance 75 to black, 75 to entry 4: a tie";
  EXPECT_EQ(m.Nearest(0x060606), 4);
  EXPECT_EQ(m.Nearest(0xC0C0C0), 0);
  // The cache answers as a plain search would, whatever the order of questions.
  ColourMatcher fresh;
  uint32_t v = 1;
  for (int i = 0; i < 20000; ++i) {
    v = v * 1664525u + 1013904223u;
    uint32_t rgb = (v >> 8) & 0xFFFFFF;
    fresh.SetPalette(palette, 5);
    ASSERT_EQ(m.Nearest(rgb), fresh.Nearest(rgb)) << std::hex << rgb;
  }
}

// A context drawing into a 24-bit bitmap, or an 8-bit one over a white and
// black palette, its pixels read back after a flush.
struct Painter {
  std::unique_ptr<DeviceContext, int (*)(DeviceContext*)> dc{CreateCompatibleDC(), DeleteDC};
  uint8_t* bits = nullptr;
  int width, height, bpp, stride;
  Painter(int w, int h, bool bottomUp = false, int bitsPerPixel = 24)
      : width(w), height(h), bpp(bitsPerPixel), stride((w * bitsPerPixel / 8 + 3) & ~3) {
    uint8_t info[40] = {40};
    std::memcpy(info + 4, &w, 4);
    int32_t hh = bottomUp ? h : -h;
    std::memcpy(info + 8, &hh, 4);
    info[12] = 1;
    info[14] = static_cast<uint8_t>(bpp);
    if (bpp == 8) {
      const uint8_t whiteBlack[] = {255, 255, 255, 0, 0, 0, 0, 0};
      EXPECT_NE(dc->SelectPalette(dc->CreatePalette(whiteBlack, 2), 0), nullptr);
    }
    GdiObject* bitmap = dc->CreateDIBSection(info, bpp == 8 ? kDibPalColours : kDibRgbColours, 0, &bits);
    EXPECT_NE(bitmap, nullptr);
    EXPECT_NE(dc->SelectObject(bitmap), nullptr);
  }
  // 0x00RRGGBB of pixel (x, y) of the picture, whatever the row order in memory.
  uint32_t Pixel(int x, int y, bool bottomUp = false) {
    dc->GdiFlush();
    const uint8_t* p = bits + (bottomUp ? height - 1 - y : y) * stride + bpp / 8 * x;
    if (bpp == 8) return *p == 0 ? 0xFFFFFFu : 0;
    return p[2] << 16 | p[1] << 8 | p[0];
  }
};

TEST(DeviceContext, ObjectsAreSelectedReplacedAndDeletedSafely) {
  Painter p(20, 20);
  DeviceContext& dc = *p.dc;
  GdiObject* red = dc.CreatePenIndirect({kPenSolid, 1, 0, 0x0000FF});
  GdiObject* first = dc.SelectObject(red);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->stock);
  EXPECT_EQ(dc.SelectObject(first), red) << "selecting gives back the object replaced";
  EXPECT_EQ(dc.SelectObject(red), first);
  Point line[] = {{0, 3}, {20, 3}};
  ASSERT_EQ(dc.Polyline(line, 2), 1);
  EXPECT_EQ(p.Pixel(5, 3), 0xFF0000u);
  // Deleting the selected pen puts the stock black pen back: drawing goes on.
  ASSERT_EQ(dc.DeleteObject(red), 1);
  Point line2[] = {{0, 6}, {20, 6}};
  ASSERT_EQ(dc.Polyline(line2, 2), 1);
  EXPECT_EQ(p.Pixel(5, 6), 0x000000u);
  EXPECT_EQ(dc.DeleteObject(red), 0) << "a deleted object is unknown";
  // Objects of another context are refused.
  Painter other(4, 4);
  GdiObject* foreign = other.dc->CreateBrushIndirect({kBrushSolid, 0xFF, 0});
  EXPECT_EQ(dc.SelectObject(foreign), nullptr);
  EXPECT_EQ(dc.FillRect({0, 0, 2, 2}, foreign), 0);
}

// Lines that start just past the right or the bottom edge, where fitted
// drawings put their extents, draw nothing outside the rows.
TEST(DeviceContext, ThinLinesStartingOffTheEdgeStayInTheirRows) {
  for (int bpp : {8, 24}) {
    Painter p(8, 4, false, bpp);
    p.dc->SelectObject(p.dc->CreatePenIndirect({kPenSolid, 1, 0, 0x0000FF}));
    Point across[] = {{8, 1}, {0, 1}}, down[] = {{3, 4}, {3, 0}};
    ASSERT_EQ(p.dc->Polyline(across, 2), 1);
    ASSERT_EQ(p.dc->Polyline(down, 2), 1);
    const uint32_t drawn = bpp == 8 ? 0 : 0xFF0000, blank = bpp == 8 ? 0xFFFFFF : 0;
    EXPECT_EQ(p.Pixel(1, 1), drawn) << bpp;
    EXPECT_EQ(p.Pixel(3, 3), drawn) << bpp;
    EXPECT_EQ(p.Pixel(0, 2), blank) << "nothing wraps into the next row, " << bpp;
  }
}

TEST(DeviceContext, DrawingWithoutABitmapFails) {
  std::unique_ptr<DeviceContext, int (*)(DeviceContext*)> dc{CreateCompatibleDC(), DeleteDC};
  Point line[] = {{0, 0}, {5, 5}};
  EXPECT_EQ(dc->Polyline(line, 2), 0);
  EXPECT_EQ(dc->TextOut(0, 0, "x", 1), 0);
  uint8_t info[40] = {40};
  info[4] = 5, info[8] = 5, info[14] = 16;  // 16 bits per pixel is not offered
  uint8_t* bits = nullptr;
  EXPECT_EQ(dc->CreateDIBSection(info, kDibRgbColours, 0, &bits), nullptr);
}

TEST(DeviceContext, BottomUpBitmapsStoreTheLastRowFirst) {
  Painter p(8, 4, true);
  p.dc->FillRect({0, 0, 8, 1}, p.dc->GetStockObject(StockObject::kWhiteBrush));
  EXPECT_EQ(p.Pixel(3, 0, true), 0xFFFFFFu);
  EXPECT_EQ(p.bits[3 * p.stride], 0xFF) << "the top row is stored last";
  EXPECT_EQ(p.bits[0], 0);
}

// The metafile player's drawing calls as pictures: '#' black, '.' white; on
// a colour bitmap and on a palette one, which is drawn as indices.
TEST(DeviceContext, PathsClipsRopsHatchesAndBlitsAsPictures) {
  auto path = [](std::vector<DPoint> pts, std::vector<PathVerb> verbs) {
    return Path{std::move(verbs), std::move(pts)};
  };
  using V = PathVerb;
  auto square = [](double a, double b) { return std::vector<DPoint>{{a, a}, {b, a}, {b, b}, {a, b}}; };
  std::vector<V> closed = {V::kMove, V::kLine, V::kLine, V::kLine, V::kClose};
  std::vector<V> twoClosed = closed;
  twoClosed.insert(twoClosed.end(), closed.begin(), closed.end());
  std::vector<DPoint> nested = square(1, 9);
  for (DPoint q : square(3, 7)) nested.push_back(q);
  FillStyle black{kBrushSolid, 0, 0, nullptr};
  StrokeStyle thin;
  DibImage image{2, 1, {0xFF000000u, 0xFFFFFFFFu}, DibAlpha::kOpaque};
  Region clip{{{0, 0, 3, 10}, {7, 0, 10, 2}}};
  struct Scene {
    const char* name;
    std::function<void(DeviceContext&)> draw;
    const char* picture;  // rows 0 to 4 of a 10 x 10 canvas
  };
  const Scene scenes[] = {
      {"alternate fill leaves the inner square",
       [&](DeviceContext& dc) { dc.DrawPath(path(nested, twoClosed), &black, nullptr); },
       "..........\n.########.\n.########.\n.##....##.\n.##....##.\n"},
      {"winding fill fills it",
       [&](DeviceContext& dc) {
         dc.SetPolyFillMode(kWinding);
         dc.DrawPath(path(nested, twoClosed), &black, nullptr);
       },
       "..........\n.########.\n.########.\n.########.\n.########.\n"},
      {"a Bezier passes between its control points",
       [&](DeviceContext& dc) {
         dc.DrawPath(path({{0, 4}, {0, 0}, {9, 0}, {9, 4}}, {V::kMove, V::kBezier}), nullptr, &thin);
       },
       "..........\n..######..\n.##....##.\n#........#\n..........\n"},
      {"the clip region",
       [&](DeviceContext& dc) {
         dc.SelectClipRegion(&clip);
         dc.DrawPath(path(square(0, 10), closed), &black, nullptr);
         dc.SelectClipRegion(nullptr);
       },
       "###....###\n###....###\n###.......\n###.......\n###.......\n"},
      {"R2_NOT turns white to black, R2_NOP draws nothing",
       [&](DeviceContext& dc) {
         dc.SetRop2(kR2Nop);
         dc.DrawPath(path(square(0, 10), closed), &black, nullptr);
         dc.SetRop2(kR2Not);
         dc.DrawPath(path(square(0, 2), closed), &black, nullptr);
         dc.SetRop2(kR2CopyPen);
       },
       "##........\n##........\n..........\n..........\n..........\n"},
      {"a horizontal hatch, transparent",
       [&](DeviceContext& dc) {
         dc.SetBkMode(kTransparent);
         FillStyle hatch{kBrushHatched, 0, kHatchHorizontal, nullptr};
         dc.DrawPath(path(square(0, 10), closed), &hatch, nullptr);
       },
       "..........\n..........\n..........\n##########\n..........\n"},
      {"a blit stretches and mirrors",
       [&](DeviceContext& dc) {
         BlitSource source;
         source.image = &image;
         Point corners[3] = {{8, 0}, {0, 0}, {8, 2}};
         ASSERT_TRUE(MapParallelogram(0, 0, 2, 1, corners, source));
         dc.Blit(source, BlitOp{});
       },
       "....####..\n....####..\n..........\n..........\n..........\n"},
  };
  for (int bpp : {24, 8}) {
    for (const Scene& scene : scenes) {
      Painter p(10, 10, false, bpp);
      p.dc->FillRect({0, 0, 10, 10}, p.dc->GetStockObject(StockObject::kWhiteBrush));
      scene.draw(*p.dc);
      std::string picture;
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 10; ++x) picture += p.Pixel(x, y) == 0 ? '#' : '.';
        picture += '\n';
      }
      EXPECT_EQ(picture, scene.picture) << scene.name << ", " << bpp << " bits";
    }
  }
  // Glyphs, clipped to a rectangle, cover the same pixels at both depths.
  std::string pictures[2];
  for (int i = 0; i < 2; ++i) {
    Painter p(48, 20, false, i == 0 ? 24 : 8);
    p.dc->FillRect({0, 0, 48, 20}, p.dc->GetStockObject(StockObject::kWhiteBrush));
    TextRun run;
    run.at = {1.3, 2.6};
    run.utf8 = "Wg,8";
    run.length = 4;
    run.font.height = -17;
    run.options = kEtoClipped;
    run.rect = {0, 0, 30, 14};
    ASSERT_EQ(p.dc->DrawTextRun(run, nullptr), 1);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 48; ++x) pictures[i] += p.Pixel(x, y) == 0 ? '#' : '.';
  }
  EXPECT_NE(pictures[0].find('#'), std::string::npos);
  EXPECT_EQ(pictures[1], pictures[0]);
}

}  // namespace
