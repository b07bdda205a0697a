// DXF, Gerber and metafile drawings converted to raster images by the real
// program, checked through the decoded pictures: the GIF and the fax decode
// (giflib, libtiff) to the BMP's picture, the JPEG (libjpeg) close to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "bench/gerber_board.h"
#include "tests/e2e/bmp_picture.h"
#include "tests/support/metafile_writer.h"
#include "tests/support/support.h"
#include "tests/writers/raster/raster_test.h"

namespace {

using e2e_test::Decode;
using e2e_test::Picture;
using raster_test::Bytes;
using testing_support::Le32;
using testing_support::ReadFile;
using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::WriteFile;

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

// Converts `input` to out.<format> for every format. Then the GIF holds the
// BMP's picture plus the canvas's padding columns of index 0; the fax decodes
// at the BMP's size with ink exactly where the BMP has anything but paper
// (every drawn colour is ink on a DXF fax page), over the whole bytes of each
// row; and the JPEG is within 30 dB of the BMP. Returns the JPEG and sets
// `ink` to the fax's ink pixels.
raster_test::Decoded ConvertAndCompare(const TempDir& dir, const std::string& input, int* ink) {
  for (const std::string format : {"bmp", "gif", "g3", "jpg"}) {
    auto r = RunKartex({input, "out." + format}, dir.path());
    EXPECT_EQ(r.status, 0) << format << ": " << r.output;
  }
  Picture bmp = Decode(ReadFile(dir.File("out.bmp")));
  raster_test::Decoded gif = raster_test::DecodeGif(dir.File("out.gif"));
  EXPECT_TRUE(gif.ok && gif.width == (bmp.width + 3) / 4 * 4 && gif.height == bmp.height);
  const int32_t coded = bmp.width / 8 * 8;
  Bytes fax = raster_test::DecodeG3(ReadFile(dir.File("out.g3")), uint32_t(coded), uint32_t(bmp.height));
  EXPECT_EQ(fax.size(), size_t(coded / 8) * bmp.height);
  int gifDifferences = 0, faxDifferences = 0;
  *ink = 0;
  for (int32_t y = 0; y < bmp.height && gif.ok; ++y)
    for (int32_t x = 0; x < gif.width; ++x) {
      const uint8_t index = x < bmp.width ? bmp.index[size_t(y) * bmp.width + x] : 0;
      gifDifferences += gif.pixels[size_t(y) * gif.width + x] != index;
      if (x >= coded || fax.empty()) continue;
      const bool black = fax[size_t(y) * (coded / 8) + x / 8] & (0x80 >> (x % 8));
      *ink += black;
      faxDifferences += black != (index != 254);  // paper
    }
  EXPECT_EQ(gifDifferences, 0);
  EXPECT_EQ(faxDifferences, 0);
  EXPECT_TRUE(gif.colours.size() >= 6 && gif.colours[3] == 255 && gif.colours[4] == 0 && gif.colours[5] == 0)
      << "entry 1 is red";
  raster_test::Decoded jpg = raster_test::DecodeJpeg(ReadFile(dir.File("out.jpg")));
  EXPECT_TRUE(jpg.ok) << jpg.error;
  EXPECT_EQ(std::make_pair(jpg.width, jpg.height), std::make_pair(bmp.width, bmp.height));
  EXPECT_GE(raster_test::Psnr(bmp.rgb, jpg.pixels), 30.0);
  return jpg;
}

// Thick red and blue bands (4:2:0 chroma keeps their colour, so red and blue
// swapped would cost the JPEG its closeness to the BMP), and hairlines of
// other colours: blue, green, cyan and dark lines would vanish from the fax
// if it kept only the colours nearest black.
std::string BandsDxf() {
  std::vector<std::vector<double>> lines = {{0, 50, 200, 50, 1}, {100, 0, 100, 100, 3},  {0, 0, 200, 100, 5},
                                            {0, 100, 200, 0, 4}, {10, 10, 190, 10, 250}, {10, 90, 190, 90, 7}};
  for (int i = 0; i < 40; ++i) lines.push_back({0, 20 + i * 0.1, 120, 20 + i * 0.1, 1});  // red, low
  for (int i = 0; i < 40; ++i) lines.push_back({30 + i * 0.1, 0, 30 + i * 0.1, 100, 5});  // blue, left
  return LinesDxf(lines, 0, 0, 200, 100);
}

TEST(DxfToRaster, EveryFormatShowsTheBmpPicture) {
  TempDir dir;
  WriteFile(dir.File("in.dxf"), BandsDxf());
  int ink = 0;
  raster_test::Decoded jpg = ConvertAndCompare(dir, "in.dxf", &ink);
  EXPECT_GT(ink, 0);
  ASSERT_EQ(jpg.width, 1727);
  ASSERT_EQ(jpg.height, 863);
  // 200 x 100 units at scale 8.635: the red line at y = 50 lands on row
  // (100 - 50) x 8.635 = 431, the green one at x = 100 on column 863.
  Picture bmp = Decode(ReadFile(dir.File("out.bmp")));
  for (auto [x, y, index] :
       {std::tuple{10, 431, 1}, {1700, 431, 1}, {863, 10, 3}, {863, 800, 3}, {10, 10, 254}, {10, 432, 254}})
    EXPECT_EQ(bmp.At(x, y), index) << x << "," << y;
  // -q reaches the encoder: the first luminance entry follows DQT, its length and table byte.
  for (auto [quality, firstEntry] : std::vector<std::pair<const char*, int>>{{"-q50", 16}, {"-q100", 1}}) {
    ASSERT_EQ(RunKartex({quality, "-w", "200", "-h", "200", "in.dxf", "q.jpg"}, dir.path()).status, 0);
    Bytes f = ReadFile(dir.File("q.jpg")), dqt = {0xFF, 0xDB, 0, 67, 0};
    auto at = std::search(f.begin(), f.end(), dqt.begin(), dqt.end());
    ASSERT_LT(at + 5, f.end());
    EXPECT_EQ(at[5], firstEntry) << quality;
  }
  auto r = RunKartex({"-w", "64", "-h", "64", "in.dxf", "missing/out.jpg"}, dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.output.find("Invalid file name\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Usage:"), std::string::npos);
}

}  // namespace
