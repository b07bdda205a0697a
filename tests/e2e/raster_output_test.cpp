// DXF, Gerber and metafile drawings converted to BMP by the real program,
// checked through the decoded pictures; the real-world samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/gerber_board.h"
#include "tests/support/metafile_writer.h"
#include "tests/support/support.h"

namespace {

using testing_support::Le16;
using testing_support::Le32;
using testing_support::ReadFile;
using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::WriteFile;

struct Picture {
  int32_t width = 0, height = 0;
  uint32_t compression = 0;
  std::vector<uint8_t> index;  // top-down, one palette index per pixel
  std::vector<bool> ink;       // top-down: anything but a white palette entry
  uint8_t At(int x, int y) const { return index.at(static_cast<size_t>(y) * width + x); }
  bool Ink(int x, int y) const { return ink.at(static_cast<size_t>(y) * width + x); }
  int InkCount() const { return static_cast<int>(std::count(ink.begin(), ink.end(), true)); }
};

// An 8-bit BMP decoded to indices (left blank when RLE8: the writer tests decode those).
Picture Decode(const std::vector<uint8_t>& f) {
  Picture p;
  if (f.size() < 1078 || f[0] != 'B' || f[1] != 'M' || Le16(f, 28) != 8) {
    ADD_FAILURE() << "not an 8-bit BMP";
    return p;
  }
  p.width = static_cast<int32_t>(Le32(f, 18));
  p.height = static_cast<int32_t>(Le32(f, 22));
  p.compression = Le32(f, 30);
  size_t at = Le32(f, 10);
  p.index.assign(static_cast<size_t>(p.width) * p.height, 0);
  size_t stride = (static_cast<size_t>(p.width) + 3) & ~size_t{3};
  for (int32_t y = 0; p.compression == 0 && y < p.height; ++y)
    for (int32_t x = 0; x < p.width; ++x)
      p.index[static_cast<size_t>(p.height - 1 - y) * p.width + x] = f.at(at + y * stride + x);
  for (uint8_t i : p.index) p.ink.push_back(Le32(f, 54 + 4 * size_t{i}) != 0xFFFFFF);
  return p;
}

// A DXF of LINE entities (x0, y0, x1, y1, colour) with header extents.
std::string LinesDxf(const std::vector<std::vector<double>>& lines, double x0, double y0, double x1, double y1) {
  auto g = [](int code, const std::string& v) { return std::to_string(code) + "\n" + v + "\n"; };
  auto n = [](double v) { return std::to_string(v); };
  std::string s = g(0, "SECTION") + g(2, "HEADER") + g(9, "$EXTMIN") + g(10, n(x0)) + g(20, n(y0)) + g(9, "$EXTMAX") +
                  g(10, n(x1)) + g(20, n(y1)) + g(0, "ENDSEC") + g(0, "SECTION") + g(2, "ENTITIES");
  for (const auto& l : lines)
    s += g(0, "LINE") + g(8, "0") + g(62, std::to_string(static_cast<int>(l[4]))) + g(10, n(l[0])) + g(20, n(l[1])) +
         g(11, n(l[2])) + g(21, n(l[3]));
  return s + g(0, "ENDSEC") + g(0, "EOF");
}

// Each drawing's page size and a few pixels (palette indices; 254 is the grey
// background). y runs down on the page.
TEST(DxfToBmp, PagesFitTheDrawingAndPixelsLandWhereTheLinesAre) {
  struct Probe {
    int x, y, index;
  };
  struct Case {
    const char* what;
    std::string dxf;
    std::vector<std::string> options;
    int32_t width, height;
    std::vector<Probe> probes;
  } cases[] = {
      // 200 x 100 units: scale 8.635, a 1727 x 863 canvas. The red line at y = 50 lands on
      // row (100 - 50) x 8.635 = 431; the green one at x = 100 on column 863.
      {"default page",
       LinesDxf({{0, 50, 200, 50, 1}, {100, 0, 100, 100, 3}}, 0, 0, 200, 100),
       {},
       1727,
       863,
       {{10, 431, 1}, {1700, 431, 1}, {863, 10, 3}, {863, 800, 3}, {10, 10, 254}, {10, 432, 254}}},
      // The blue line rises to the right, the yellow one falls and is drawn last where they cross.
      {"page options",
       LinesDxf({{0, 0, 10, 10, 5}, {0, 10, 10, 0, 2}}, 0, 0, 10, 10),
       {"-w", "101", "-h300"},
       100,
       100,
       {{50, 50, 2}, {20, 20, 2}, {20, 80, 5}, {20, 50, 254}}},
      // No height: one row, as wide as the page allows.
      {"flat", LinesDxf({{0, 5, 40, 5, 1}}, 0, 5, 40, 5), {"-w", "81", "-h", "48"}, 80, 1, {{40, 0, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFile(dir.File("in.dxf"), c.dxf);
    std::vector<Picture> pictures;
    for (const char* rle : {"", "-r"}) {
      std::vector<std::string> args = c.options;
      if (*rle) args.insert(args.begin(), rle);
      args.insert(args.end(), {"in.dxf", "out.bmp"});
      auto r = RunKartex(args, dir.path());
      ASSERT_EQ(r.status, 0) << r.output;
      pictures.push_back(Decode(ReadFile(dir.File("out.bmp"))));
    }
    const Picture& p = pictures[0];
    EXPECT_EQ(p.compression, 0u);
    EXPECT_EQ(pictures[1].compression, 1u) << "-r asks for RLE";
    ASSERT_EQ(p.width, c.width);
    ASSERT_EQ(p.height, c.height);
    for (const Probe& q : c.probes) EXPECT_EQ(p.At(q.x, q.y), q.index) << q.x << "," << q.y;
  }
}

TEST(GerberConversion, FlashedPadsSetThePage) {
  TempDir dir;
  // Two pads at opposite corners joined by a trace along the top.
  WriteFile(dir.File("pads.gbr"), "%ADD10R,1X1*%\nX0Y0D03*\nX2000Y2000D03*\nD01*X0Y2000*\n");
  auto r = RunKartex({"-w", "101", "-h", "101", "pads.gbr", "pads.bmp"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.output;
  Picture p = Decode(ReadFile(dir.File("pads.bmp")));
  ASSERT_GE(p.width, 99);
  ASSERT_GE(p.height, 99);
  int top = 0, left = 0;
  for (int32_t x = 0; x < p.width; ++x) top += p.Ink(x, 0);
  for (int32_t y = 0; y < p.height; ++y) left += p.Ink(0, y);
  // The outer edges of the pads lie on the picture's edges.
  EXPECT_GE(top, 30);
  EXPECT_GE(left, 30);
  EXPECT_FALSE(p.Ink(p.width / 2, p.height / 2 + 10));
  // The trace at y = 2 of -0.5..2.5: about a sixth of the way down.
  bool trace = false;
  for (int32_t y = p.height / 6 - 3; y <= p.height / 6 + 3; ++y) trace = trace || p.Ink(p.width / 2, y);
  EXPECT_TRUE(trace);
}

TEST(GerberConversion, GeneratedBoardToEveryOutput) {
  TempDir dir;
  WriteFile(dir.File("board.gbr"), gerber_board::MakeBoard({3000, 2000}));
  for (const char* output :
       {"board.bmp", "board.gif", "board.g3", "board.jpg", "board.png", "board.dxf", "board.htm", "board.svg"}) {
    auto r = RunKartex({"board.gbr", output}, dir.path());
    EXPECT_EQ(r.status, 0) << output << r.output;
    EXPECT_GT(ReadFile(dir.File(output)).size(), 1000u) << output;
  }
  Picture p = Decode(ReadFile(dir.File("board.bmp")));
  EXPECT_EQ(p.width, 1727);
  EXPECT_GT(p.InkCount(), 50000);
  std::string dxf = testing_support::ReadText(dir.File("board.dxf"));
  size_t inserts = 0;
  for (size_t at = dxf.find("\nINSERT"); at != std::string::npos; at = dxf.find("\nINSERT", at + 1)) ++inserts;
  // Polygon and macro pads (none in this board's pad apertures) would place nothing.
  EXPECT_EQ(inserts, 2000u);
}

// Every real-world Gerber file renders with some ink.
TEST(GerberConversion, RealWorldSamplesRender) {
  std::string folder = testing_support::SamplePath("gerber");
  if (folder.empty()) GTEST_SKIP() << "samples absent";
  TempDir dir;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::filesystem::create_symlink(entry.path(), dir.File("in.gbr"));
    auto r = RunKartex({"-w", "400", "-h", "400", "in.gbr", "out.bmp"}, dir.path());
    EXPECT_EQ(r.status, 0) << entry.path() << r.output;
    if (r.status == 0) { EXPECT_GT(Decode(ReadFile(dir.File("out.bmp"))).InkCount(), 200) << entry.path(); }
    std::filesystem::remove(dir.File("in.gbr"));
  }
}

// The metafile's bounds (right and bottom edges) set the page; a picture
// lying mostly on the negative side takes its whole extent.
TEST(MetafileToRaster, BoundsPaletteAndPartialPictures) {
  using testing_support::EmfWriter;
  struct Case {
    const char* what;
    std::vector<int32_t> bounds;
    int32_t width, height;
  } cases[] = {
      {"the right and bottom edges", {-10, -10, 500, 250}, 1727, 863},
      {"above the origin", {0, -100, 200, 0}, 1727, 863},
  };
  TempDir dir;
  for (const Case& c : cases) {
    WriteFile(dir.File("in.emf"), EmfWriter().Header(c.bounds[0], c.bounds[1], c.bounds[2], c.bounds[3]).Eof().Str());
    auto r = RunKartex({"in.emf", "out.bmp"}, dir.path());
    ASSERT_EQ(r.status, 0) << r.output;
    Picture p = Decode(ReadFile(dir.File("out.bmp")));
    EXPECT_EQ(p.width, c.width) << c.what;
    EXPECT_EQ(p.height, c.height) << c.what;
  }
  // A 16-entry palette (counted in the header, stored in the end record)
  // replaces canvas entries 0 to 15 only.
  std::vector<int32_t> eof = {16, 16};
  for (int i = 0; i < 16; ++i) eof.push_back(0x00302010 + i);
  EmfWriter w;
  w.Record(1, {0, 0, 100, 100, 0, 0, 0, 0, 0x464D4520, 0x10000, 0, 0, 2, 0, 0, 16, 1024, 768, 320, 240});
  WriteFile(dir.File("in.emf"), w.Record(14, eof).Str());
  auto r = RunKartex({"in.emf", "out.bmp"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.output;
  std::vector<uint8_t> f = ReadFile(dir.File("out.bmp"));
  EXPECT_EQ(Le32(f, 54 + 4 * 15), 0x1F2030u) << "entry 15 (red 0x1F, green 0x20, blue 0x30) as blue, green, red";
  EXPECT_EQ(Le32(f, 54 + 4 * 16), 0u) << "entry 16 keeps its value";
  // A thick line drawn before a broken record stays, and the run succeeds.
  w = EmfWriter();
  w.Header(0, 0, 100, 100).Pen(1, 0, 20, 0x102030).Select(1).Points(4, {0, 50, 100, 50});  // EMR_POLYLINE
  WriteFile(dir.File("in.emf"), w.Raw({4, 0, 0, 0, 0xFF, 0xFF, 0, 0}).Str());
  r = RunKartex({"in.emf", "out.bmp"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_GT(Decode(ReadFile(dir.File("out.bmp"))).InkCount(), 1800);
  // What is not a metafile fails with the usage text.
  WriteFile(dir.File("bad.emf"), std::string("not a metafile"));
  r = RunKartex({"bad.emf", "bad.bmp"}, dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_FALSE(testing_support::FileExists(dir.File("bad.bmp")));
}

// Every real-world metafile converts to every raster output, and the BMP has ink.
TEST(MetafileToRaster, RealWorldSamplesToEveryOutput) {
  TempDir dir;
  for (const char* format : {"emf", "wmf"}) {
    std::string folder = testing_support::SamplePath(format);
    if (folder.empty()) GTEST_SKIP() << "samples absent";
    std::string in = std::string("in.") + format;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::filesystem::create_symlink(entry.path(), dir.File(in));
      for (const char* output : {"out.bmp", "out.gif", "out.g3", "out.jpg", "out.png"}) {
        auto r = RunKartex({"-w", "400", "-h", "400", in, output}, dir.path());
        EXPECT_EQ(r.status, 0) << entry.path() << " " << output << r.output;
      }
      std::filesystem::remove(dir.File(in));
    }
  }
}

}  // namespace
