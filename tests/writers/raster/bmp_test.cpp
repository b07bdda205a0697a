#include "writers/raster/bmp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "tests/support/support.h"
#include "tests/writers/raster/raster_test.h"

namespace {

using raster_test::Bytes;
using raster_test::HandCanvas;
using raster_test::Hex;
using testing_support::Le32;
using testing_support::ReadFile;
using testing_support::TempDir;

// Decodes an RLE8 stream the way a viewer does, into top-down rows; fails the
// test on a row that does not end at the width, or a stream that does not end
// with the end-of-bitmap code after the last row.
Bytes DecodeRle8(const Bytes& s, int32_t width, int32_t height, int32_t stride) {
  Bytes out(size_t(stride) * height, 0);
  int32_t x = 0, row = height - 1;
  for (size_t i = 0; i + 1 < s.size(); i += 2) {
    const uint8_t a = s[i], b = s[i + 1];
    const bool literal = a == 0 && b > 2;
    for (int k = 0; k < (a ? a : literal ? b : 0); ++k, ++x)
      if (x < width && row >= 0) out[size_t(row) * stride + x] = literal ? s.at(i + 2 + k) : b;
    if (literal) i += b + (b & 1);
    if (a == 0 && b <= 2) { EXPECT_TRUE(b < 2 && x == width) << "a delta, or a row of the wrong length, at " << i; }
    if (a == 0 && b == 0) x = 0, --row;
    if (a == 0 && b == 1) {
      EXPECT_TRUE(i + 2 == s.size() && row == 0) << "end of bitmap ends the stream";
      return out;
    }
  }
  ADD_FAILURE() << "no end of bitmap";
  return out;
}

Bytes Encode(const Canvas& c) {
  uint8_t* stream = nullptr;
  int64_t length = 0;
  EXPECT_EQ(EncodeRle8(c, &stream, &length), 1);
  Bytes v(stream, stream + length);
  std::free(stream);
  return v;
}

// A one-row 8-bit canvas of `pixels`, with room for its stream under the cap.
HandCanvas Row(const Bytes& pixels, int32_t stride = 64) {
  HandCanvas t(int32_t(pixels.size()), 1, 8, stride);
  std::copy(pixels.begin(), pixels.end(), t.bytes.begin());
  return t;
}

TEST(WriteBmpFile, ExactFiles) {
  // The headers, then the colour table (blue, green, red, 0 per entry), then the
  // rows bottom up with their padding as it stands, or the RLE8 stream.
  struct Case {
    int32_t width, height, bpp, rle;
    const char* headers;
    const char* rle8;  // the expected stream, or null for plain rows
  };
  const Case cases[] = {
      {3, 2, 8, 0, "424d3e040000 00000000 36040000 28000000 03000000 02000000 0100 0800 00000000 08000000", nullptr},
      {5, 3, 24, 1, "424d66000000 00000000 36000000 28000000 05000000 03000000 0100 1800 00000000 30000000", nullptr},
      {9, 2, 1, 1, "424d46000000 00000000 3e000000 28000000 09000000 02000000 0100 0100 00000000 08000000", nullptr},
      {8, 2, 8, 1, "424d3e040000 00000000 36040000 28000000 08000000 02000000 0100 0800 01000000 08000000",
       "0800 0000 0800 0001"},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.bpp);
    HandCanvas c(t.width, t.height, t.bpp);
    if (!t.rle8)
      for (size_t i = 0; i < c.bytes.size(); ++i) c.bytes[i] = uint8_t(i + 1);
    Bytes expected = Hex(t.headers);
    expected.resize(54, 0);
    for (int i = 0; t.bpp <= 8 && i < 1 << t.bpp; ++i)
      expected.insert(expected.end(), {uint8_t(i * 7), uint8_t(255 - i), uint8_t(i), 0});
    if (t.rle8) {
      Bytes s = Hex(t.rle8);
      expected.insert(expected.end(), s.begin(), s.end());
    } else {
      for (int32_t y = t.height - 1; y >= 0; --y) expected.insert(expected.end(), c.Row(y), c.Row(y) + c.canvas.stride);
    }
    TempDir dir;
    ASSERT_EQ(WriteBmpFile(c.canvas, dir.File("a.bmp").c_str(), t.rle), 1);
    EXPECT_EQ(ReadFile(dir.File("a.bmp")), expected);
  }
}

TEST(WriteBmpFile, DefaultPageSizeFieldsHold32Bits) {
  TempDir dir;
  ASSERT_EQ(WriteBmpFile(HandCanvas(1728, 2287, 8).canvas, dir.File("page.bmp").c_str(), 0), 1);
  Bytes f = ReadFile(dir.File("page.bmp"));
  EXPECT_EQ(f.size(), 1078u + 2287u * 1728);
  EXPECT_EQ(Le32(f, 2), f.size());
  EXPECT_EQ(Le32(f, 34), 2287u * 1728);
}

TEST(WriteBmpFile, BadCanvasOrPathFails) {
  HandCanvas t(4, 4, 8);
  TempDir dir;
  EXPECT_EQ(WriteBmpFile(t.canvas, dir.File("missing/x.bmp").c_str(), 0), 0);
  EXPECT_EQ(WriteBmpFile(t.canvas, "", 0), 0);
  Canvas empty{};
  EXPECT_EQ(WriteBmpFile(empty, dir.File("e.bmp").c_str(), 0), 0);
  t.canvas.stride = 2;
  EXPECT_EQ(WriteBmpFile(t.canvas, dir.File("s.bmp").c_str(), 0), 0);
  EXPECT_TRUE(dir.List().empty());
}

TEST(EncodeRle8, ExactCodes) {
  const std::string row = "ff00 ff00 ff00 ff00 ff00 ff00 c600";
  EXPECT_EQ(Encode(HandCanvas(1728, 2, 8).canvas), Hex(row + "0000" + row + "0001"));
  const std::vector<std::pair<Bytes, Bytes>> cases = {
      {{7}, {1, 7, 0, 1}},
      {{1, 2}, {1, 1, 1, 2, 0, 1}},
      {{1, 2, 3, 3, 3}, {1, 1, 1, 2, 3, 3, 0, 1}},
      {{1, 2, 3, 4, 4}, {0, 3, 1, 2, 3, 0, 2, 4, 0, 1}},
      {{5, 5, 1, 2, 3, 4}, {2, 5, 0, 4, 1, 2, 3, 4, 0, 1}},
      {{5, 5, 1, 2, 3}, {2, 5, 0, 3, 1, 2, 3, 0, 0, 1}},
      {{9, 9, 9, 4}, {3, 9, 1, 4, 0, 1}},
  };
  for (const auto& [pixels, codes] : cases) EXPECT_EQ(Encode(Row(pixels).canvas), codes) << pixels.size();
}

TEST(EncodeRle8, LiteralRunsStopAt255) {
  auto alternating = [](int32_t width) {
    Bytes pixels;
    for (int x = 0; x < width; ++x) pixels.push_back(uint8_t(x % 2));
    return Encode(Row(pixels, 1024).canvas);
  };
  // 300: 255 literal pixels with a pad byte, then 45 with a pad byte.
  Bytes s = alternating(300);
  ASSERT_EQ(s.size(), 2u + 255 + 1 + 2 + 45 + 1 + 2);
  EXPECT_EQ(Bytes(s.begin(), s.begin() + 2), (Bytes{0, 255}));
  EXPECT_EQ(Bytes(s.begin() + 257, s.begin() + 260), (Bytes{0, 0, 45}));
  // 256 all different at the row's end: 255 literally, then the last as a run.
  s = alternating(256);
  ASSERT_EQ(s.size(), 2u + 255 + 1 + 2 + 2);
  EXPECT_EQ(Bytes(s.begin() + 258, s.begin() + 260), (Bytes{1, 1}));
  // A run longer than 255 breaks into full runs; the pixel after one starts afresh.
  Bytes run(257, 0);
  run[256] = 3;
  EXPECT_EQ(Encode(Row(run, 264).canvas), (Bytes{255, 0, 1, 0, 1, 3, 0, 1}));
}

TEST(EncodeRle8, EveryStreamDecodesToThePixels) {
  raster_test::Lcg random{12345};
  for (int32_t width : {1, 2, 3, 4, 5, 254, 255, 256, 257, 511, 600}) {
    for (int pattern = 0; pattern < 4; ++pattern) {
      HandCanvas t(width, 7, 8, (width * 2 + 16) & ~3);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < width; ++x) {
          int r = int(random.Next());
          // Mostly runs of assorted lengths, with stretches of noise between.
          t.Row(y)[x] = pattern == 0   ? uint8_t(x / (1 + y * 37))
                        : pattern == 1 ? uint8_t(r % 3 == 0 ? r : x / 9)
                        : pattern == 2 ? uint8_t((x / 2) % 2)
                                       : uint8_t(r % 100 < 90 ? 7 : r);
        }
      uint8_t* stream = nullptr;
      int64_t length = 0;
      if (!EncodeRle8(t.canvas, &stream, &length)) continue;  // did not pay: the cap test covers it
      EXPECT_EQ(DecodeRle8(Bytes(stream, stream + length), width, 7, t.canvas.stride), t.bytes)
          << width << " " << pattern;
      std::free(stream);
    }
  }
}

TEST(EncodeRle8, NoisyPicturesDoNotCompressAndAreNotWritten) {
  HandCanvas t(64, 64, 8);
  for (int i = 0; i < 64 * 64; ++i) t.bytes[i] = uint8_t(i * 7 + i / 64);
  uint8_t* stream = reinterpret_cast<uint8_t*>(1);
  int64_t length = 5;
  EXPECT_EQ(EncodeRle8(t.canvas, &stream, &length), 0);
  EXPECT_EQ(stream, nullptr);
  EXPECT_EQ(length, 0);
  // The cap is strict: a stream of exactly the rows' size fails too.
  EXPECT_EQ(EncodeRle8(HandCanvas(1, 2, 8).canvas, &stream, &length), 0);  // 8 bytes of rows, 8 of stream
  EXPECT_EQ(Encode(HandCanvas(1, 2, 8, 8).canvas), (Bytes{1, 0, 0, 0, 1, 0, 0, 1}));
  TempDir dir;
  EXPECT_EQ(WriteBmpFile(t.canvas, dir.File("noise.bmp").c_str(), 1), 0);
  EXPECT_FALSE(testing_support::FileExists(dir.File("noise.bmp")));
  EXPECT_EQ(WriteBmpFile(t.canvas, dir.File("noise.bmp").c_str(), 0), 1);
}

}  // namespace
