// DXF drawings converted to GIF and G3 by the real program, decoded by giflib
// and libtiff and compared with the BMP of the same drawing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/writers/raster/gif_g3_decoders.h"

namespace {

using raster_test::DecodedGif;
using raster_test::DecodeWithGiflib;
using raster_test::DecodeWithLibtiff;
using testing_support::Le32;
using testing_support::ReadFile;
using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::WriteFile;

constexpr uint8_t kPaper = 254;  // the grey background's palette index

// An uncompressed 8-bit BMP as top-down rows of `width` indices.
struct Indices {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rows;
  uint8_t At(int32_t x, int32_t y) const { return rows.at(size_t(y) * width + x); }
};

Indices ReadBmp(const std::string& path) {
  std::vector<uint8_t> f = ReadFile(path);
  Indices p;
  if (f.size() < 54) return p;
  p.width = int32_t(Le32(f, 18));
  p.height = int32_t(Le32(f, 22));
  size_t stride = (size_t(p.width) + 3) & ~size_t{3};
  for (int32_t y = p.height - 1; y >= 0; --y)
    for (int32_t x = 0; x < p.width; ++x) p.rows.push_back(f.at(Le32(f, 10) + y * stride + x));
  return p;
}

// Lines (x0, y0, x1, y1, colour) on layer 0.
std::string LinesDxf(const std::vector<std::vector<int>>& lines) {
  std::string s = "0\nSECTION\n2\nENTITIES\n";
  for (const auto& l : lines)
    s += "0\nLINE\n8\n0\n62\n" + std::to_string(l[4]) + "\n10\n" + std::to_string(l[0]) + "\n20\n" +
         std::to_string(l[1]) + "\n11\n" + std::to_string(l[2]) + "\n21\n" + std::to_string(l[3]) + "\n";
  return s + "0\nENDSEC\n0\nEOF\n";
}

// Converts `input` (in `dir`) to out.bmp, out.gif and out.g3 with the same options.
void ConvertAll(const TempDir& dir, const std::string& input, std::vector<std::string> options = {}) {
  for (const char* out : {"out.bmp", "out.gif", "out.g3"}) {
    std::vector<std::string> args = options;
    args.push_back(input);
    args.push_back(out);
    auto r = RunKartex(args, dir.path());
    ASSERT_EQ(r.status, 0) << out << ": " << r.output;
  }
}

// The GIF holds the BMP's picture, plus the canvas's padding columns of index 0.
void ExpectGifMatchesBmp(const TempDir& dir) {
  Indices bmp = ReadBmp(dir.File("out.bmp"));
  DecodedGif gif = DecodeWithGiflib(dir.File("out.gif"));
  ASSERT_TRUE(gif.ok);
  ASSERT_EQ(gif.width, (bmp.width + 3) / 4 * 4);
  ASSERT_EQ(gif.height, bmp.height);
  int differences = 0;
  for (int32_t y = 0; y < bmp.height; ++y)
    for (int32_t x = 0; x < gif.width; ++x) {
      uint8_t expected = x < bmp.width ? bmp.At(x, y) : 0;
      differences += gif.pixels[size_t(y) * gif.width + x] != expected;
    }
  EXPECT_EQ(differences, 0);
  EXPECT_EQ(gif.colours[3 * 1], 255) << "entry 1 is red";
  EXPECT_EQ(gif.colours[3 * 1 + 1], 0);
}

// The fax holds ink exactly where the BMP has anything but paper (every drawn
// colour is ink on a DXF fax page), over the whole bytes of each row. Returns
// the ink pixels.
int ExpectFaxMatchesBmp(const TempDir& dir) {
  Indices bmp = ReadBmp(dir.File("out.bmp"));
  int32_t coded = bmp.width / 8 * 8;
  std::vector<uint8_t> fax = DecodeWithLibtiff(ReadFile(dir.File("out.g3")), uint32_t(coded), uint32_t(bmp.height));
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

TEST(DxfToGifAndG3, LinesOfEveryColourLandWhereTheBmpHasThem) {
  TempDir dir;
  // Blue, green, cyan and dark lines would vanish if the fax kept only the
  // colours nearest black: here every one must be ink.
  WriteFile(dir.File("in.dxf"),
            LinesDxf({{0, 50, 200, 50, 1}, {100, 0, 100, 100, 3}, {0, 0, 200, 100, 5}, {0, 100, 200, 0, 4},
                      {10, 10, 190, 10, 250}, {10, 90, 190, 90, 7}}));
  ConvertAll(dir, "in.dxf");
  ExpectGifMatchesBmp(dir);
  EXPECT_GT(ExpectFaxMatchesBmp(dir), 0);
}

TEST(DxfToGifAndG3, BlankDefaultPage) {
  TempDir dir;
  WriteFile(dir.File("empty.dxf"), "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n");
  ConvertAll(dir, "empty.dxf");
  std::vector<uint8_t> fax = ReadFile(dir.File("out.g3"));
  EXPECT_EQ(fax.size(), 8300u);
  EXPECT_EQ(fax.back(), 0x20);
  DecodedGif gif = DecodeWithGiflib(dir.File("out.gif"));
  EXPECT_EQ(gif.width, 1728);
  EXPECT_EQ(gif.height, 2287);
  EXPECT_EQ(ExpectFaxMatchesBmp(dir), 0);
}

TEST(DxfToGifAndG3, PagesWiderThanAFaxRowDecodeWhole) {
  // 20000 pixels: one red run far longer than any single make-up code.
  TempDir dir;
  WriteFile(dir.File("in.dxf"), LinesDxf({{0, 0, 4000, 0, 1}, {0, 0, 4000, 20, 5}}));
  ConvertAll(dir, "in.dxf", {"-w", "20000", "-h", "200"});
  ExpectGifMatchesBmp(dir);
  EXPECT_GT(ExpectFaxMatchesBmp(dir), 19000);
}

TEST(DxfToGifAndG3, BundledSamplesDecodeToTheBmpPicture) {
  for (const char* name : {"floor_plan", "mechanical_part"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    ConvertAll(dir, testing_support::BundledSamplePath(std::string(name) + ".dxf"));
    ExpectGifMatchesBmp(dir);
    EXPECT_GT(ExpectFaxMatchesBmp(dir), 5000);
  }
}

}  // namespace
