#include "writers/raster/png.h"

#include <gtest/gtest.h>
#include <png.h>

#include <iterator>
#include <string>
#include <utility>

#include "tests/writers/raster/raster_test.h"

namespace {

using namespace raster_test;
using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::TempDir;

constexpr size_t kColourTypeAt = 25;  // IHDR's colour type byte

// libpng's own reading of the file as red, green, blue rows.
Decoded DecodePng(const std::string& path) {
  Decoded d;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return d;
  image.format = PNG_FORMAT_RGB;
  d.pixels.resize(PNG_IMAGE_SIZE(image));
  d.ok = png_image_finish_read(&image, nullptr, d.pixels.data(), 0, nullptr) != 0;
  d.width = int(image.width), d.height = int(image.height);
  if (!d.ok) d.error = image.message;
  png_image_free(&image);
  return d;
}

TEST(PngWriter, DecodesToTheCanvasPixels) {
  struct Case {
    const char* what;
    int32_t width, height, bitsPerPixel;
    bool noise;
    int colourType;
  } cases[] = {
      {"8-bit F, odd size", 37, 29, 8, false, PNG_COLOR_TYPE_PALETTE},
      {"1-bit F, width not a whole byte", 21, 13, 1, false, PNG_COLOR_TYPE_PALETTE},
      {"24-bit F: two colours, written indexed", 37, 29, 24, false, PNG_COLOR_TYPE_PALETTE},
      {"24-bit noise: too many colours for a palette", 33, 17, 24, true, PNG_COLOR_TYPE_RGB},
      {"24-bit, one pixel: a palette would not be smaller", 1, 1, 24, false, PNG_COLOR_TYPE_RGB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The picture drawn twice: on the canvas under test and, as the colours it
    // shows, on a 24-bit twin.
    HandCanvas h(c.width, c.height, c.bitsPerPixel), shown(c.width, c.height, 24);
    auto colour = [&](int i) {
      const PaletteEntry& e = h.canvas.palette.entries[i];
      return uint32_t(e.red << 16 | e.green << 8 | e.blue);
    };
    if (c.noise)
      FillNoise(h, 7), FillNoise(shown, 7);
    else if (c.bitsPerPixel == 24)
      DrawF(h, 0xFF0000, 0x0000FF), DrawF(shown, 0xFF0000, 0x0000FF);
    else
      DrawF(h, 1, 0), DrawF(shown, colour(1), colour(0));
    TempDir dir;
    ASSERT_EQ(WritePngFile(h.canvas, dir.File("out.png").c_str()), 1);
    EXPECT_EQ(ReadFile(dir.File("out.png")).at(kColourTypeAt), c.colourType);
    Decoded d = DecodePng(dir.File("out.png"));
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.width, c.width);
    EXPECT_EQ(d.height, c.height);
    EXPECT_TRUE(d.pixels == Rgb(shown));
  }
}

TEST(PngWriter, BadCanvasesAndPlacesFailLeavingNoFile) {
  TempDir dir;
  const std::string out = dir.File("out.png");
  HandCanvas good(8, 4, 8);
  auto bad = [&](void (*change)(Canvas&)) {
    Canvas c = good.canvas;
    change(c);
    return c;
  };
  const std::pair<Canvas, std::string> cases[] = {
      {bad([](Canvas& c) { c.pixels = nullptr; }), out},
      {bad([](Canvas& c) { c.width = 0; }), out},
      {bad([](Canvas& c) { c.bitsPerPixel = 4; }), out},
      {bad([](Canvas& c) { c.width = 9; }), out},  // the stride is shorter than a row
      {good.canvas, dir.File("missing/out.png")},
      {good.canvas, ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(WritePngFile(cases[i].first, cases[i].second.c_str()), 0) << i;
    EXPECT_TRUE(dir.List().empty()) << i;
  }
  if (FileExists("/dev/full")) { EXPECT_EQ(WritePngFile(good.canvas, "/dev/full"), 0); }
}

}  // namespace
