#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/writers/raster/gif_g3_canvas.h"
#include "tests/writers/raster/gif_g3_decoders.h"
#include "writers/raster/gif.h"

namespace {

using raster_test::DecodedGif;
using raster_test::DecodeWithGiflib;
using raster_test::HandCanvas;
using raster_test::Lcg;
using testing_support::FileExists;
using testing_support::Le16;
using testing_support::ReadFile;
using testing_support::TempDir;

constexpr size_t kDataStart = 792;  // first sub-block count byte

// The sub-block sizes and their joined contents; fails the test on bad framing.
struct SubBlocks {
  std::vector<int> sizes;
  std::vector<uint8_t> data;
};

SubBlocks ReadSubBlocks(const std::vector<uint8_t>& file) {
  SubBlocks out;
  size_t at = kDataStart;
  while (at < file.size() && file[at] != 0) {
    size_t size = file[at];
    EXPECT_LE(at + 1 + size, file.size());
    if (at + 1 + size > file.size()) break;
    out.sizes.push_back(int(size));
    out.data.insert(out.data.end(), file.begin() + long(at) + 1, file.begin() + long(at + 1 + size));
    at += 1 + size;
  }
  EXPECT_EQ(at + 2, file.size()) << "terminator and trailer close the file";
  if (at + 2 == file.size()) {
    EXPECT_EQ(file[at], 0x00);
    EXPECT_EQ(file[at + 1], 0x3B);
  }
  return out;
}

struct Code {
  int value;
  int width;
};

// The codes of the stream, read as a decoder reads them (widths follow the
// table size; string lengths count the pixels), ending with the code after
// the last pixel, which must be the end code.
std::vector<Code> ReadCodes(const std::vector<uint8_t>& data, int64_t pixelCount) {
  std::vector<Code> codes;
  std::vector<int> length(4096, 1);
  size_t bit = 0;
  auto read = [&](int width) {
    int value = 0;
    for (int i = 0; i < width; ++i, ++bit)
      if (bit / 8 < data.size() && (data[bit / 8] >> (bit % 8) & 1)) value |= 1 << i;
    codes.push_back({value, width});
    return value;
  };
  int width = 9, next = 258, previous = -1;
  int64_t pixels = 0;
  while (bit + size_t(width) <= data.size() * 8) {
    int code = read(width);
    if (code == 256) {
      width = 9, next = 258, previous = -1;
      continue;
    }
    if (code == 257 || code > next) break;  // early end or a corrupt stream
    if (previous >= 0 && next < 4096) {
      length[next] = length[previous] + 1;
      ++next;
    }
    pixels += length[code];
    previous = code;
    if (pixels >= pixelCount) {
      read(width);
      break;
    }
    if (next == (1 << width) && width < 12) ++width;
  }
  return codes;
}

HandCanvas VariedCanvas(int32_t width, int32_t height, uint32_t seed) {
  HandCanvas c(width, height, 8);
  Lcg random{seed};
  for (uint8_t& b : c.bytes) b = uint8_t(random.Next() % 7 == 0 ? random.Next() : random.Next() % 4);
  for (int i = 0; i < 256; ++i) c.canvas.palette.entries[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i ^ 0x5A), 0};
  return c;
}

void ExpectDecodesToCanvas(const HandCanvas& c, const std::string& path) {
  DecodedGif gif = DecodeWithGiflib(path);
  ASSERT_TRUE(gif.ok) << path;
  EXPECT_EQ(gif.imageCount, 1);
  EXPECT_EQ(gif.width, c.canvas.stride);
  EXPECT_EQ(gif.height, c.canvas.height);
  EXPECT_TRUE(gif.pixels == c.bytes) << "decoded pixels differ from the canvas rows";
  ASSERT_EQ(gif.colours.size(), 768u);
  for (int i = 0; i < 256; ++i) {
    const PaletteEntry& e = c.canvas.palette.entries[i];
    EXPECT_EQ(gif.colours[3 * i], e.red);
    EXPECT_EQ(gif.colours[3 * i + 1], e.green);
    EXPECT_EQ(gif.colours[3 * i + 2], e.blue);
  }
}

TEST(GifWriter, HeaderScreenTableAndDescriptorBytes) {
  TempDir dir;
  HandCanvas c(1001, 3, 8);  // stride 1004: three padding columns
  for (int i = 0; i < 256; ++i) c.canvas.palette.entries[i] = {uint8_t(i), uint8_t(i * 3), uint8_t(~i), 0x55};
  ASSERT_EQ(WriteGifFile(dir.File("h.gif").c_str(), c.canvas), 1);
  std::vector<uint8_t> b = ReadFile(dir.File("h.gif"));
  ASSERT_GT(b.size(), kDataStart + 3);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF87a");
  EXPECT_EQ(Le16(b, 6), 1004);
  EXPECT_EQ(Le16(b, 8), 3);
  EXPECT_EQ(b[10], 0xF7);
  EXPECT_EQ(b[11], 0);
  EXPECT_EQ(b[12], 0);
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(b[13 + 3 * i], i);
    ASSERT_EQ(b[14 + 3 * i], uint8_t(i * 3));
    ASSERT_EQ(b[15 + 3 * i], uint8_t(~i));
  }
  const std::vector<uint8_t> descriptor = {0x2C, 0, 0, 0, 0, 0xEC, 0x03, 3, 0, 0, 8};
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + 781, b.begin() + 792), descriptor);
  ReadSubBlocks(b);
}

TEST(GifWriter, TinyImageExactBytes) {
  // Four pixels of 1: codes 256, 1, 258, 1, 257 at 9 bits, packed low bit first.
  TempDir dir;
  HandCanvas c(4, 1, 8);
  for (uint8_t& b : c.bytes) b = 1;
  ASSERT_EQ(WriteGifFile(dir.File("t.gif").c_str(), c.canvas), 1);
  std::vector<uint8_t> b = ReadFile(dir.File("t.gif"));
  const std::vector<uint8_t> tail = {6, 0x00, 0x03, 0x08, 0x0C, 0x10, 0x10, 0x00, 0x3B};
  ASSERT_EQ(b.size(), kDataStart + tail.size());
  EXPECT_EQ(std::vector<uint8_t>(b.begin() + kDataStart, b.end()), tail);
}

TEST(GifWriter, CodeWidthsGrowAndTheFullTableIsCleared) {
  TempDir dir;
  HandCanvas c = VariedCanvas(256, 64, 7);
  ASSERT_EQ(WriteGifFile(dir.File("v.gif").c_str(), c.canvas), 1);
  std::vector<uint8_t> b = ReadFile(dir.File("v.gif"));
  SubBlocks blocks = ReadSubBlocks(b);
  std::vector<Code> codes = ReadCodes(blocks.data, int64_t(c.bytes.size()));
  ASSERT_GT(codes.size(), 3842u);
  EXPECT_EQ(codes[0].value, 256);
  EXPECT_EQ(codes[0].width, 9);
  // Code i >= 1 enters 257 + i: 512 after code 255, 1024 after 767, 2048 after
  // 1791; the table is full after code 3838, so code 3839 is followed by a clear.
  EXPECT_EQ(codes[255].width, 9);
  EXPECT_EQ(codes[256].width, 10);
  EXPECT_EQ(codes[767].width, 10);
  EXPECT_EQ(codes[768].width, 11);
  EXPECT_EQ(codes[1791].width, 11);
  EXPECT_EQ(codes[1792].width, 12);
  for (size_t i = 1; i < 3840; ++i) ASSERT_NE(codes[i].value, 256) << i;
  EXPECT_EQ(codes[3840].value, 256);
  EXPECT_EQ(codes[3840].width, 12);
  EXPECT_EQ(codes[3841].width, 9);
  EXPECT_EQ(codes.back().value, 257);
  ExpectDecodesToCanvas(c, dir.File("v.gif"));
}

TEST(GifWriter, EverySubBlockButTheLastIsFull) {
  TempDir dir;
  for (int32_t height : {1, 9, 40}) {
    HandCanvas c = VariedCanvas(300, height, uint32_t(height));
    std::string path = dir.File("s" + std::to_string(height) + ".gif");
    ASSERT_EQ(WriteGifFile(path.c_str(), c.canvas), 1);
    SubBlocks blocks = ReadSubBlocks(ReadFile(path));
    ASSERT_FALSE(blocks.sizes.empty());
    for (size_t i = 0; i + 1 < blocks.sizes.size(); ++i) ASSERT_EQ(blocks.sizes[i], 255) << i;
    EXPECT_GE(blocks.sizes.back(), 1);
    EXPECT_LE(blocks.sizes.back(), 255);
  }
}

TEST(GifWriter, GiflibDecodesTheCanvasWithItsPaddingColumns) {
  TempDir dir;
  HandCanvas f(13, 17, 8);  // red "F" on blue: stride 16
  f.canvas.palette.entries[1] = {0, 0, 255, 0};
  f.canvas.palette.entries[2] = {255, 0, 0, 0};
  raster_test::DrawF(f, 2, 1);
  HandCanvas padded = VariedCanvas(1001, 5, 3);
  for (int32_t y = 0; y < 5; ++y) padded.Row(y)[1002] = uint8_t(200 + y);  // padding bytes are coded too
  HandCanvas uniform(1728, 40, 8);  // long runs: many long strings
  HandCanvas noise(640, 480, 8);
  Lcg random{99};
  for (uint8_t& b : noise.bytes) b = uint8_t(random.Next());
  HandCanvas empty(0, 0, 8);
  int n = 0;
  for (HandCanvas* c : {&f, &padded, &uniform, &noise}) {
    std::string path = dir.File("d" + std::to_string(n++) + ".gif");
    ASSERT_EQ(WriteGifFile(path.c_str(), c->canvas), 1);
    ExpectDecodesToCanvas(*c, path);
  }
  EXPECT_EQ(WriteGifFile(dir.File("e.gif").c_str(), empty.canvas), 1);
}

TEST(GifWriter, LargestSidesFitTheSixteenBitFields) {
  TempDir dir;
  HandCanvas tall(4, 65535, 8);
  for (int32_t y = 0; y < tall.canvas.height; ++y) tall.Row(y)[y % 4] = uint8_t(y);
  ASSERT_EQ(WriteGifFile(dir.File("tall.gif").c_str(), tall.canvas), 1);
  std::vector<uint8_t> b = ReadFile(dir.File("tall.gif"));
  EXPECT_EQ(Le16(b, 8), 65535);
  EXPECT_EQ(Le16(b, 788), 65535);
  ExpectDecodesToCanvas(tall, dir.File("tall.gif"));
}

TEST(GifWriter, RefusesCanvasesItCannotStore) {
  TempDir dir;
  std::string path = dir.File("r.gif");
  HandCanvas one(8, 2, 1), deep(8, 2, 24);
  EXPECT_EQ(WriteGifFile(path.c_str(), one.canvas), 0);
  EXPECT_EQ(WriteGifFile(path.c_str(), deep.canvas), 0);
  // Over 65535 wide or high: refused before any pixel is read.
  HandCanvas small(4, 1, 8);
  Canvas wide = small.canvas;
  wide.width = 65535;
  wide.stride = 65536;
  Canvas high = small.canvas;
  high.height = 65536;
  Canvas negative = small.canvas;
  negative.height = -1;
  Canvas noPixels = small.canvas;
  noPixels.pixels = nullptr;
  for (const Canvas& c : {wide, high, negative, noPixels}) EXPECT_EQ(WriteGifFile(path.c_str(), c), 0);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(WriteGifFile(nullptr, small.canvas), 0);
}

TEST(GifWriter, ReportsFilesThatCannotBeWritten) {
  TempDir dir;
  HandCanvas c = VariedCanvas(64, 64, 5);
  EXPECT_EQ(WriteGifFile(dir.File("no/such/folder.gif").c_str(), c.canvas), 0);
  // A full disk: the data sub-blocks fail, which is a failed write, not success.
  if (FileExists("/dev/full")) {
    EXPECT_EQ(WriteGifFile("/dev/full", c.canvas), 0);
  }
}

}  // namespace
