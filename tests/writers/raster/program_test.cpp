// DXF drawings converted by the real program to BMP, GIF, G3 and JPEG: the GIF
// and the fax decode (giflib, libtiff) to the BMP's picture, the JPEG (libjpeg)
// close to it.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/writers/raster/raster_test.h"

namespace {

using raster_test::Bytes;
using testing_support::Le32;
using testing_support::ReadFile;
using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr uint8_t kPaper = 254;  // the grey background's palette index

// An uncompressed 8-bit BMP as top-down rows of `width` indices, and as red,
// green, blue bytes.
struct Bmp {
  int32_t width = 0, height = 0;
  Bytes indices, rgb;
  explicit Bmp(const std::string& path) {
    Bytes f = ReadFile(path);
    if (f.size() < 1078 || Le32(f, 30) != 0) return;
    width = int32_t(Le32(f, 18)), height = int32_t(Le32(f, 22));
    size_t stride = (size_t(width) + 3) & ~size_t{3};
    for (int32_t y = height - 1; y >= 0; --y)
      for (int32_t x = 0; x < width; ++x) {
        uint8_t i = f.at(Le32(f, 10) + y * stride + x);
        indices.push_back(i);
        rgb.insert(rgb.end(), {f[56 + 4 * i], f[55 + 4 * i], f[54 + 4 * i]});
      }
  }
  uint8_t At(int32_t x, int32_t y) const { return indices.at(size_t(y) * width + x); }
};

// A DXF of lines (x0, y0, x1, y1, colour) on layer 0, extents 0,0 to `right`,`top`.
std::string LinesDxf(const std::vector<std::vector<double>>& lines, double right = 200, double top = 100) {
  auto g = [](int code, const std::string& v) { return std::to_string(code) + "\n" + v + "\n"; };
  auto n = [](double v) { return std::to_string(v); };
  std::string s = g(0, "SECTION") + g(2, "HEADER") + g(9, "$EXTMIN") + g(10, "0") + g(20, "0") + g(9, "$EXTMAX") +
                  g(10, n(right)) + g(20, n(top)) + g(0, "ENDSEC") + g(0, "SECTION") + g(2, "ENTITIES");
  for (const auto& l : lines)
    s += g(0, "LINE") + g(8, "0") + g(62, std::to_string(int(l[4]))) + g(10, n(l[0])) + g(20, n(l[1])) +
         g(11, n(l[2])) + g(21, n(l[3]));
  return s + g(0, "ENDSEC") + g(0, "EOF");
}

// Converts `input` (in `dir`) to out.<format> for each format, with the same options.
void Convert(const TempDir& dir, const std::string& input, std::vector<std::string> options = {},
             std::vector<std::string> formats = {"bmp", "gif", "g3", "jpg"}) {
  for (const std::string& format : formats) {
    std::vector<std::string> args = options;
    args.insert(args.end(), {input, "out." + format});
    auto r = RunKartex(args, dir.path());
    ASSERT_EQ(r.status, 0) << format << ": " << r.output;
  }
}

// The GIF holds the BMP's picture, plus the canvas's padding columns of index 0.
void ExpectGifMatchesBmp(const TempDir& dir) {
  Bmp bmp(dir.File("out.bmp"));
  raster_test::Decoded gif = raster_test::DecodeGif(dir.File("out.gif"));
  ASSERT_TRUE(gif.ok);
  ASSERT_EQ(gif.width, (bmp.width + 3) / 4 * 4);
  ASSERT_EQ(gif.height, bmp.height);
  int differences = 0;
  for (int32_t y = 0; y < bmp.height; ++y)
    for (int32_t x = 0; x < gif.width; ++x)
      differences += gif.pixels[size_t(y) * gif.width + x] != (x < bmp.width ? bmp.At(x, y) : 0);
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(Bytes(gif.colours.begin() + 3, gif.colours.begin() + 6), (Bytes{255, 0, 0})) << "entry 1 is red";
}

// The fax holds ink exactly where the BMP has anything but paper (every drawn
// colour is ink on a DXF fax page), over the whole bytes of each row. Returns
// the ink pixels.
int ExpectFaxMatchesBmp(const TempDir& dir) {
  Bmp bmp(dir.File("out.bmp"));
  int32_t coded = bmp.width / 8 * 8;
  Bytes fax = raster_test::DecodeG3(ReadFile(dir.File("out.g3")), uint32_t(coded), uint32_t(bmp.height));
  EXPECT_EQ(fax.size(), size_t(coded / 8) * bmp.height);
  if (fax.size() != size_t(coded / 8) * bmp.height) return -1;
  int differences = 0, ink = 0;
  for (int32_t y = 0; y < bmp.height; ++y)
    for (int32_t x = 0; x < coded; ++x) {
      bool black = fax[size_t(y) * (coded / 8) + x / 8] & (0x80 >> (x % 8));
      ink += black;
      differences += black != (bmp.At(x, y) != kPaper);
    }
  EXPECT_EQ(differences, 0);
  return ink;
}

// The JPEG decodes to the BMP's size, within `psnr` of its picture.
raster_test::Decoded ExpectJpegNearBmp(const TempDir& dir, double psnr) {
  Bmp bmp(dir.File("out.bmp"));
  raster_test::Decoded jpg = raster_test::DecodeJpeg(ReadFile(dir.File("out.jpg")));
  EXPECT_TRUE(jpg.ok) << jpg.error;
  EXPECT_EQ(jpg.width, bmp.width);
  EXPECT_EQ(jpg.height, bmp.height);
  EXPECT_GE(raster_test::Psnr(bmp.rgb, jpg.pixels), psnr);
  return jpg;
}

// Thick red and blue bands (so that 4:2:0 chroma keeps their colour), and
// hairlines of other colours: blue, green, cyan and dark lines would vanish
// from the fax if it kept only the colours nearest black.
std::string BandsDxf() {
  std::vector<std::vector<double>> lines = {{0, 50, 200, 50, 1},    {100, 0, 100, 100, 3}, {0, 0, 200, 100, 5},
                                            {0, 100, 200, 0, 4},    {10, 10, 190, 10, 250}, {10, 90, 190, 90, 7}};
  for (int i = 0; i < 40; ++i) lines.push_back({0, 20 + i * 0.1, 120, 20 + i * 0.1, 1});   // red, low
  for (int i = 0; i < 40; ++i) lines.push_back({30 + i * 0.1, 0, 30 + i * 0.1, 100, 5});  // blue, left
  return LinesDxf(lines);
}

TEST(DxfToRaster, EveryFormatShowsTheBmpPicture) {
  TempDir dir;
  WriteFile(dir.File("in.dxf"), BandsDxf());
  Convert(dir, "in.dxf");
  ExpectGifMatchesBmp(dir);
  EXPECT_GT(ExpectFaxMatchesBmp(dir), 0);
  raster_test::Decoded jpg = ExpectJpegNearBmp(dir, 30.0);
  ASSERT_EQ(jpg.width, 1727);
  ASSERT_EQ(jpg.height, 863);
  // Inside the red band (y 20..24 of 100: rows 656..690) and the blue one.
  const uint8_t *red = &jpg.pixels[(size_t(675) * 1727 + 500) * 3], *blue = &jpg.pixels[(size_t(100) * 1727 + 276) * 3];
  EXPECT_TRUE(red[0] > 200 && red[2] < 60) << int(red[0]) << " " << int(red[2]);
  EXPECT_TRUE(blue[0] < 60 && blue[2] > 200) << int(blue[0]) << " " << int(blue[2]);
}

TEST(DxfToRaster, BlankDefaultPage) {
  TempDir dir;
  WriteFile(dir.File("empty.dxf"), "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
  Convert(dir, "empty.dxf", {}, {"bmp", "gif", "g3"});
  EXPECT_EQ(ReadFile(dir.File("out.g3")).size(), 8300u);
  ExpectGifMatchesBmp(dir);
  Bmp bmp(dir.File("out.bmp"));
  EXPECT_EQ(std::make_pair(bmp.width, bmp.height), std::make_pair(1728, 2287));
  EXPECT_EQ(ExpectFaxMatchesBmp(dir), 0);
}

TEST(DxfToRaster, PagesWiderThanAFaxRowDecodeWhole) {
  // 20000 pixels: one red run far longer than any single make-up code.
  TempDir dir;
  WriteFile(dir.File("in.dxf"), LinesDxf({{0, 0, 4000, 0, 1}, {0, 0, 4000, 20, 5}}, 4000, 20));
  Convert(dir, "in.dxf", {"-w", "20000", "-h", "200"}, {"bmp", "gif", "g3"});
  ExpectGifMatchesBmp(dir);
  EXPECT_GT(ExpectFaxMatchesBmp(dir), 19000);
}

TEST(DxfToRaster, JpegQualityOptionScalesTheTables) {
  TempDir dir;
  WriteFile(dir.File("in.dxf"), BandsDxf());
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {
      {{"-q", "50"}, 16}, {{}, 8}, {{"-q100"}, 1}};
  size_t previousSize = 0;
  for (const auto& [quality, firstEntry] : cases) {
    std::vector<std::string> args = quality;
    args.insert(args.end(), {"-w", "200", "-h", "200", "in.dxf", "out.jpg"});
    ASSERT_EQ(RunKartex(args, dir.path()).status, 0);
    // The first luminance entry follows the DQT marker, its length and table byte.
    Bytes f = ReadFile(dir.File("out.jpg")), dqt = {0xFF, 0xDB, 0, 67, 0};
    auto at = std::search(f.begin(), f.end(), dqt.begin(), dqt.end());
    ASSERT_LT(at + 5, f.end());
    EXPECT_EQ(at[5], firstEntry);
    raster_test::Decoded d = raster_test::DecodeJpeg(f);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_GT(d.width, 150);  // fitted into the 200 x 200 page
    EXPECT_GT(f.size(), previousSize);  // finer tables, longer file
    previousSize = f.size();
  }
}

TEST(DxfToRaster, UnwritableJpegPrintsTheEncoderMessage) {
  TempDir dir;
  WriteFile(dir.File("in.dxf"), BandsDxf());
  auto r = RunKartex({"-w", "64", "-h", "64", "in.dxf", "missing/out.jpg"}, dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.output.find("Invalid file name\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Usage:"), std::string::npos);
}

TEST(DxfToRaster, BundledSamplesShowTheBmpPicture) {
  for (const char* name : {"floor_plan", "mechanical_part"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    Convert(dir, testing_support::BundledSamplePath(std::string(name) + ".dxf"));
    ExpectGifMatchesBmp(dir);
    EXPECT_GT(ExpectFaxMatchesBmp(dir), 5000);
    ExpectJpegNearBmp(dir, 20.0);
  }
}

// Real-world drawings (absent in a clone of the project alone), on a small page
// to keep the run short: each one the program converts decodes cleanly.
TEST(DxfToRaster, RealSamplesDecodeAsJpeg) {
  const std::string folder = testing_support::SamplePath("dxf");
  DIR* d = folder.empty() ? nullptr : opendir(folder.c_str());
  if (!d) GTEST_SKIP() << "no real-world samples";
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() <= 4 || name.substr(name.size() - 4) != ".dxf") continue;
    TempDir dir;
    auto r = RunKartex({"-w", "300", "-h", "300", folder + "/" + name, "out.jpg"}, dir.path());
    EXPECT_TRUE(r.status == 0 || r.status == 255) << name << " ended with " << r.status;
    if (r.status != 0) continue;
    raster_test::Decoded jpg = raster_test::DecodeJpeg(ReadFile(dir.File("out.jpg")));
    EXPECT_TRUE(jpg.ok) << name << ": " << jpg.error;
  }
  closedir(d);
}

}  // namespace
