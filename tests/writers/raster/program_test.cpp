// DXF drawings converted by the real program to BMP, GIF, G3 and JPEG: the GIF
// and the fax decode (giflib, libtiff) to the BMP's picture, the JPEG (libjpeg)
// close to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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
};

// Converts `input` to out.<format> for every format. Then the GIF holds the
// BMP's picture plus the canvas's padding columns of index 0, and the fax and
// JPEG decode at the BMP's size. For our own drawings (`psnr` > 0) the fax
// also holds ink exactly where the BMP has anything but paper (every drawn
// colour is ink on a DXF fax page), over the whole bytes of each row, and the
// JPEG is within `psnr` of the BMP. Returns the JPEG and sets `ink` to the
// fax's ink pixels.
raster_test::Decoded ConvertAndCompare(const TempDir& dir, const std::string& input,
                                       const std::vector<std::string>& options, double psnr, int* ink) {
  for (const std::string format : {"bmp", "gif", "g3", "jpg"}) {
    std::vector<std::string> args = options;
    args.insert(args.end(), {input, "out." + format});
    auto r = RunKartex(args, dir.path());
    EXPECT_EQ(r.status, 0) << format << ": " << r.output;
  }
  Bmp bmp(dir.File("out.bmp"));
  raster_test::Decoded gif = raster_test::DecodeGif(dir.File("out.gif"));
  EXPECT_TRUE(gif.ok && gif.width == (bmp.width + 3) / 4 * 4 && gif.height == bmp.height);
  const int32_t coded = bmp.width / 8 * 8;
  Bytes fax = raster_test::DecodeG3(ReadFile(dir.File("out.g3")), uint32_t(coded), uint32_t(bmp.height));
  EXPECT_EQ(fax.size(), size_t(coded / 8) * bmp.height);
  int gifDifferences = 0, faxDifferences = 0;
  *ink = 0;
  for (int32_t y = 0; y < bmp.height && gif.ok; ++y)
    for (int32_t x = 0; x < gif.width; ++x) {
      const uint8_t index = x < bmp.width ? bmp.indices[size_t(y) * bmp.width + x] : 0;
      gifDifferences += gif.pixels[size_t(y) * gif.width + x] != index;
      if (x >= coded || fax.empty()) continue;
      const bool black = fax[size_t(y) * (coded / 8) + x / 8] & (0x80 >> (x % 8));
      *ink += black;
      faxDifferences += black != (index != kPaper);
    }
  EXPECT_EQ(gifDifferences, 0);
  EXPECT_TRUE(psnr == 0 || faxDifferences == 0) << faxDifferences << " fax pixels differ";
  EXPECT_TRUE(gif.colours.size() >= 6 && gif.colours[3] == 255 && gif.colours[4] == 0 && gif.colours[5] == 0)
      << "entry 1 is red";
  raster_test::Decoded jpg = raster_test::DecodeJpeg(ReadFile(dir.File("out.jpg")));
  EXPECT_TRUE(jpg.ok) << jpg.error;
  EXPECT_EQ(std::make_pair(jpg.width, jpg.height), std::make_pair(bmp.width, bmp.height));
  EXPECT_GE(raster_test::Psnr(bmp.rgb, jpg.pixels), psnr);
  return jpg;
}

// Thick red and blue bands (so that 4:2:0 chroma keeps their colour), and
// hairlines of other colours: blue, green, cyan and dark lines would vanish
// from the fax if it kept only the colours nearest black.
std::string BandsDxf() {
  std::vector<std::vector<double>> lines = {{0, 50, 200, 50, 1}, {100, 0, 100, 100, 3},  {0, 0, 200, 100, 5},
                                            {0, 100, 200, 0, 4}, {10, 10, 190, 10, 250}, {10, 90, 190, 90, 7}};
  for (int i = 0; i < 40; ++i) lines.push_back({0, 20 + i * 0.1, 120, 20 + i * 0.1, 1});  // red, low
  for (int i = 0; i < 40; ++i) lines.push_back({30 + i * 0.1, 0, 30 + i * 0.1, 100, 5});  // blue, left
  auto g = [](int code, const std::string& v) { return std::to_string(code) + "\n" + v + "\n"; };
  std::string s = g(0, "SECTION") + g(2, "HEADER") + g(9, "$EXTMIN") + g(10, "0") + g(20, "0") + g(9, "$EXTMAX") +
                  g(10, "200") + g(20, "100") + g(0, "ENDSEC") + g(0, "SECTION") + g(2, "ENTITIES");
  for (const auto& l : lines)
    s += g(0, "LINE") + g(8, "0") + g(62, std::to_string(int(l[4]))) + g(10, std::to_string(l[0])) +
         g(20, std::to_string(l[1])) + g(11, std::to_string(l[2])) + g(21, std::to_string(l[3]));
  return s + g(0, "ENDSEC") + g(0, "EOF");
}

TEST(DxfToRaster, EveryFormatShowsTheBmpPicture) {
  TempDir dir;
  testing_support::WriteFile(dir.File("in.dxf"), BandsDxf());
  int ink = 0;
  raster_test::Decoded jpg = ConvertAndCompare(dir, "in.dxf", {}, 30.0, &ink);
  EXPECT_GT(ink, 0);
  ASSERT_EQ(jpg.width, 1727);
  ASSERT_EQ(jpg.height, 863);
  // Inside the red band (y 20..24 of 100: rows 656..690) and the blue one.
  const uint8_t *red = &jpg.pixels[(size_t(675) * 1727 + 500) * 3], *blue = &jpg.pixels[(size_t(100) * 1727 + 276) * 3];
  EXPECT_TRUE(red[0] > 200 && red[2] < 60) << int(red[0]) << " " << int(red[2]);
  EXPECT_TRUE(blue[0] < 60 && blue[2] > 200) << int(blue[0]) << " " << int(blue[2]);
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

// The bundled drawings at the default page, then the real-world ones
// (absent in a clone of the project alone) on a small page to keep the run short.
TEST(DxfToRaster, SamplesShowTheBmpPicture) {
  std::vector<std::string> inputs = {testing_support::BundledSamplePath("floor_plan.dxf"),
                                     testing_support::BundledSamplePath("mechanical_part.dxf")};
  const std::string folder = testing_support::SamplePath("dxf");
  if (!folder.empty() && std::filesystem::is_directory(folder))
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.path().extension() == ".dxf") inputs.push_back(entry.path().string());
  for (size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(inputs[i]);
    TempDir dir;
    std::vector<std::string> options;
    if (i >= 2) {
      options = {"-w", "300", "-h", "300"};
      auto probe = RunKartex({"-w", "300", "-h", "300", inputs[i], "probe.bmp"}, dir.path());
      EXPECT_TRUE(probe.status == 0 || probe.status == 255) << "ended with " << probe.status;
      if (probe.status != 0) continue;
    }
    int ink = 0;
    ConvertAndCompare(dir, inputs[i], options, i < 2 ? 20.0 : 0.0, &ink);
    if (i < 2) { EXPECT_GT(ink, 5000); }
  }
}

}  // namespace
