#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/writers/raster/raster_test.h"
#include "writers/raster/gif.h"

namespace {

using raster_test::Bytes;
using raster_test::HandCanvas;
using raster_test::Hex;
using raster_test::Lcg;
using testing_support::FileExists;
using testing_support::Le16;
using testing_support::ReadFile;
using testing_support::TempDir;

constexpr size_t kDataStart = 792;  // first sub-block count byte

HandCanvas VariedCanvas(int32_t width, int32_t height, uint32_t seed) {
  HandCanvas c(width, height, 8);
  Lcg random{seed};
  for (uint8_t& b : c.bytes) b = uint8_t(random.Next() % 7 == 0 ? random.Next() : random.Next() % 4);
  return c;
}

// giflib reads the whole rows, padding columns included, and the palette.
void ExpectDecodesToCanvas(const HandCanvas& c, const std::string& path) {
  raster_test::Decoded gif = raster_test::DecodeGif(path);
  ASSERT_TRUE(gif.ok) << path;
  EXPECT_EQ(gif.count, 1);
  EXPECT_EQ(gif.width, c.canvas.stride);
  EXPECT_EQ(gif.height, c.canvas.height);
  EXPECT_TRUE(gif.pixels == c.bytes) << "decoded pixels differ from the canvas rows";
  Bytes colours;
  for (const PaletteEntry& e : c.canvas.palette.entries) colours.insert(colours.end(), {e.red, e.green, e.blue});
  EXPECT_EQ(gif.colours, colours);
}

TEST(GifWriter, TinyImageExactBytes) {
  // Four pixels of 1: codes 256, 1, 258, 1, 257 at 9 bits, packed low bit first.
  TempDir dir;
  HandCanvas c(4, 1, 8);
  for (uint8_t& b : c.bytes) b = 1;
  ASSERT_EQ(WriteGifFile(dir.File("t.gif").c_str(), c.canvas), 1);
  Bytes b = ReadFile(dir.File("t.gif"));
  ASSERT_EQ(b.size(), kDataStart + 9);
  EXPECT_EQ(Bytes(b.begin() + kDataStart, b.end()), Hex("06 00 03 08 0c 10 10 00 3b"));
}

// The whole file of a varied 256 x 64 picture: the header (GIF87a, 256 x 64,
// a 256-entry global table, no background or aspect), the table, the image
// descriptor, LZW minimum size 8, full 255-byte sub-blocks, the terminator and
// the trailer. When this hash was taken the stream was read code by code: 9-bit codes from a clear, 10 bits from the 256th
// code (table entry 512), 11 from the 768th, 12 from the 1792nd, a clear after
// the 3840th (table full), and the end code after the last pixel.
TEST(GifWriter, CodeWidthsAndClearsAreExact) {
  TempDir dir;
  HandCanvas c = VariedCanvas(256, 64, 7);
  ASSERT_EQ(WriteGifFile(dir.File("v.gif").c_str(), c.canvas), 1);
  EXPECT_EQ(raster_test::Fnv1a(ReadFile(dir.File("v.gif"))), 0x447dc870c690536aull);
  ExpectDecodesToCanvas(c, dir.File("v.gif"));
}

TEST(GifWriter, GiflibDecodesTheCanvasWithItsPaddingColumns) {
  TempDir dir;
  HandCanvas f(13, 17, 8);  // red "F" on blue: stride 16
  f.canvas.palette.entries[1] = {0, 0, 255, 0};
  f.canvas.palette.entries[2] = {255, 0, 0, 0};
  raster_test::DrawF(f, 2, 1);
  HandCanvas padded = VariedCanvas(1001, 5, 3);
  for (int32_t y = 0; y < 5; ++y) padded.Row(y)[1002] = uint8_t(200 + y);  // padding bytes are coded too
  HandCanvas uniform(1728, 40, 8);                                         // long runs: many long strings
  HandCanvas noise(640, 480, 8);
  Lcg random{99};
  for (uint8_t& b : noise.bytes) b = uint8_t(random.Next());
  HandCanvas tall(4, 65535, 8);  // the largest side the 16-bit fields hold
  for (int32_t y = 0; y < tall.canvas.height; ++y) tall.Row(y)[y % 4] = uint8_t(y);
  int n = 0;
  for (HandCanvas* c : {&f, &padded, &uniform, &noise, &tall}) {
    std::string path = dir.File("d" + std::to_string(n++) + ".gif");
    ASSERT_EQ(WriteGifFile(path.c_str(), c->canvas), 1);
    ExpectDecodesToCanvas(*c, path);
  }
  Bytes b = ReadFile(dir.File("d4.gif"));
  EXPECT_EQ(Le16(b, 8), 65535);
  EXPECT_EQ(Le16(b, 788), 65535);
  EXPECT_EQ(WriteGifFile(dir.File("e.gif").c_str(), HandCanvas(0, 0, 8).canvas), 1);
}

TEST(GifWriter, RefusesCanvasesAndFilesItCannotWrite) {
  TempDir dir;
  std::string path = dir.File("r.gif");
  HandCanvas small(4, 1, 8), one(8, 2, 1), deep(8, 2, 24);
  // Over 65535 wide or high: refused before any pixel is read.
  Canvas wide = small.canvas, high = small.canvas, negative = small.canvas, noPixels = small.canvas;
  wide.width = 65535;
  wide.stride = 65536;
  high.height = 65536;
  negative.height = -1;
  noPixels.pixels = nullptr;
  for (const Canvas& c : {one.canvas, deep.canvas, wide, high, negative, noPixels})
    EXPECT_EQ(WriteGifFile(path.c_str(), c), 0);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(WriteGifFile(nullptr, small.canvas), 0);
  HandCanvas c = VariedCanvas(64, 64, 5);
  EXPECT_EQ(WriteGifFile(dir.File("no/such/folder.gif").c_str(), c.canvas), 0);
  // A full disk: the data sub-blocks fail, which is a failed write, not success.
  if (FileExists("/dev/full")) { EXPECT_EQ(WriteGifFile("/dev/full", c.canvas), 0); }
}

}  // namespace
