#include "writers/raster/bmp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "tests/support/support.h"

namespace {

using testing_support::Le16;
using testing_support::Le32;
using testing_support::ReadFile;
using testing_support::TempDir;

// A canvas over caller-owned rows, with a palette whose entries are all distinct.
struct TestCanvas {
  Canvas canvas{};
  std::vector<uint8_t> rows;
  // A wider `stride` leaves room for the streams of tiny canvases under the cap.
  TestCanvas(int32_t width, int32_t height, int32_t bpp, int32_t stride = 0) {
    canvas.width = width;
    canvas.height = height;
    canvas.bitsPerPixel = bpp;
    canvas.stride = stride ? stride : static_cast<int32_t>(RowStride(width, bpp));
    rows.assign(static_cast<size_t>(canvas.stride) * height, 0);
    canvas.pixels = rows.data();
    for (int i = 0; i < 256; ++i)
      canvas.palette.entries[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
  }
  uint8_t& at(int x, int y) { return rows[static_cast<size_t>(y) * canvas.stride + x]; }
};

// Decodes an RLE8 stream the way a viewer does, into top-down rows.
std::vector<uint8_t> DecodeRle8(const uint8_t* s, int64_t length, int32_t width, int32_t height, int32_t stride) {
  std::vector<uint8_t> out(static_cast<size_t>(stride) * height, 0);
  int64_t i = 0;
  int32_t x = 0, row = height - 1;
  while (i + 1 < length) {
    uint8_t a = s[i], b = s[i + 1];
    i += 2;
    if (a > 0) {
      for (int k = 0; k < a; ++k, ++x) {
        EXPECT_LT(x, width);
        if (x < width && row >= 0) out[static_cast<size_t>(row) * stride + x] = b;
      }
    } else if (b == 0) {
      EXPECT_EQ(x, width);
      x = 0;
      --row;
    } else if (b == 1) {
      EXPECT_EQ(i, length) << "end of bitmap ends the stream";
      EXPECT_EQ(row, 0);
      return out;
    } else {
      EXPECT_GE(b, 3) << "no delta codes, no literal runs under 3";
      for (int k = 0; k < b; ++k, ++x)
        if (x < width && row >= 0) out[static_cast<size_t>(row) * stride + x] = s[i + k];
      i += b + (b & 1);
    }
  }
  ADD_FAILURE() << "no end of bitmap";
  return out;
}

std::vector<uint8_t> Encode(const Canvas& c) {
  uint8_t* stream = nullptr;
  int64_t length = 0;
  EXPECT_EQ(EncodeRle8(c, &stream, &length), 1);
  std::vector<uint8_t> v(stream, stream + length);
  std::free(stream);
  return v;
}

TEST(WriteBmpFile, EightBitFileHeaderTableAndBottomUpRows) {
  TestCanvas t(3, 2, 8);
  t.at(0, 0) = 1, t.at(1, 0) = 2, t.at(2, 0) = 3;
  t.at(0, 1) = 4, t.at(1, 1) = 5, t.at(2, 1) = 6;
  t.rows[3] = 0xEE;  // padding is copied as it stands
  TempDir dir;
  ASSERT_EQ(WriteBmpFile(t.canvas, dir.File("a.bmp").c_str(), 0), 1);
  std::vector<uint8_t> f = ReadFile(dir.File("a.bmp"));
  ASSERT_EQ(f.size(), 54u + 1024 + 8);
  EXPECT_EQ(f[0], 'B');
  EXPECT_EQ(f[1], 'M');
  EXPECT_EQ(Le32(f, 2), 1086u);
  EXPECT_EQ(Le32(f, 6), 0u);
  EXPECT_EQ(Le32(f, 10), 1078u);
  EXPECT_EQ(Le32(f, 14), 40u);
  EXPECT_EQ(Le32(f, 18), 3u);
  EXPECT_EQ(Le32(f, 22), 2u);
  EXPECT_EQ(Le16(f, 26), 1);
  EXPECT_EQ(Le16(f, 28), 8);
  EXPECT_EQ(Le32(f, 30), 0u);
  EXPECT_EQ(Le32(f, 34), 8u);
  for (size_t at = 38; at < 54; at += 4) EXPECT_EQ(Le32(f, at), 0u);
  // Entry 9 is red 9, green 246, blue 63: stored blue, green, red, flags.
  EXPECT_EQ(f[54 + 36], 63);
  EXPECT_EQ(f[54 + 37], 246);
  EXPECT_EQ(f[54 + 38], 9);
  EXPECT_EQ(f[54 + 39], 0);
  std::vector<uint8_t> data(f.begin() + 1078, f.end());
  EXPECT_EQ(data, (std::vector<uint8_t>{4, 5, 6, 0, 1, 2, 3, 0xEE}));
}

TEST(WriteBmpFile, OtherDepthsAndTheRleFlag) {
  // An asymmetric 24-bit picture: rows swap, bytes stay B, G, R; no colour table.
  TestCanvas rgb(5, 3, 24);
  for (int i = 0; i < 48; ++i) rgb.rows[i] = static_cast<uint8_t>(i + 1);
  TempDir dir;
  ASSERT_EQ(WriteBmpFile(rgb.canvas, dir.File("rgb.bmp").c_str(), 1), 1);  // RLE ignored
  std::vector<uint8_t> f = ReadFile(dir.File("rgb.bmp"));
  ASSERT_EQ(f.size(), 54u + 48);
  EXPECT_EQ(Le32(f, 10), 54u);
  EXPECT_EQ(Le16(f, 28), 24);
  EXPECT_EQ(Le32(f, 30), 0u);
  EXPECT_EQ(f[54], 33);
  EXPECT_EQ(f[54 + 32], 1);

  TestCanvas fax(9, 2, 1);
  ASSERT_EQ(WriteBmpFile(fax.canvas, dir.File("fax.bmp").c_str(), 1), 1);
  f = ReadFile(dir.File("fax.bmp"));
  ASSERT_EQ(f.size(), 54u + 8 + 8);
  EXPECT_EQ(Le32(f, 10), 62u);
  EXPECT_EQ(f[54 + 4], 7);  // entry 1: blue 7, green 254, red 1
  EXPECT_EQ(f[54 + 6], 1);
}

TEST(WriteBmpFile, DefaultPageSize) {
  TestCanvas t(1728, 2287, 8);
  TempDir dir;
  ASSERT_EQ(WriteBmpFile(t.canvas, dir.File("page.bmp").c_str(), 0), 1);
  std::vector<uint8_t> f = ReadFile(dir.File("page.bmp"));
  EXPECT_EQ(f.size(), 54u + 1024 + 2287u * 1728);
  EXPECT_EQ(Le32(f, 2), f.size());
  ASSERT_EQ(WriteBmpFile(t.canvas, dir.File("page-rle.bmp").c_str(), 1), 1);
  f = ReadFile(dir.File("page-rle.bmp"));
  EXPECT_EQ(Le32(f, 30), 1u);
  EXPECT_EQ(Le32(f, 34), 2287u * 16);  // every row: 6 runs of 255, one of 198, end code
  EXPECT_EQ(f.size(), 1078u + 2287 * 16);
}

TEST(WriteBmpFile, BadCanvasOrPathFails) {
  TestCanvas t(4, 4, 8);
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
  TestCanvas equal(1728, 2, 8);
  std::vector<uint8_t> s = Encode(equal.canvas);
  std::vector<uint8_t> row = {255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 255, 0, 198, 0};
  std::vector<uint8_t> expected = row;
  expected.insert(expected.end(), {0, 0});
  expected.insert(expected.end(), row.begin(), row.end());
  expected.insert(expected.end(), {0, 1});
  EXPECT_EQ(s, expected);

  auto one = [](std::vector<uint8_t> pixels) {
    TestCanvas t(static_cast<int32_t>(pixels.size()), 1, 8, 64);
    for (size_t i = 0; i < pixels.size(); ++i) t.at(static_cast<int>(i), 0) = pixels[i];
    return Encode(t.canvas);
  };
  EXPECT_EQ(one({7}), (std::vector<uint8_t>{1, 7, 0, 1}));
  EXPECT_EQ(one({1, 2}), (std::vector<uint8_t>{1, 1, 1, 2, 0, 1}));
  EXPECT_EQ(one({1, 2, 3, 3, 3}), (std::vector<uint8_t>{1, 1, 1, 2, 3, 3, 0, 1}));
  EXPECT_EQ(one({1, 2, 3, 4, 4}), (std::vector<uint8_t>{0, 3, 1, 2, 3, 0, 2, 4, 0, 1}));
  EXPECT_EQ(one({5, 5, 1, 2, 3, 4}), (std::vector<uint8_t>{2, 5, 0, 4, 1, 2, 3, 4, 0, 1}));
  EXPECT_EQ(one({5, 5, 1, 2, 3}), (std::vector<uint8_t>{2, 5, 0, 3, 1, 2, 3, 0, 0, 1}));
  EXPECT_EQ(one({9, 9, 9, 4}), (std::vector<uint8_t>{3, 9, 1, 4, 0, 1}));
}

TEST(EncodeRle8, LiteralRunsStopAt255) {
  auto alternating = [](int32_t width) {
    TestCanvas t(width, 1, 8, 1024);
    for (int x = 0; x < width; ++x) t.at(x, 0) = static_cast<uint8_t>(x % 2);
    return Encode(t.canvas);
  };
  // 300: 255 literal pixels with a pad byte, then 45 with a pad byte.
  std::vector<uint8_t> s = alternating(300);
  ASSERT_EQ(s.size(), 2u + 255 + 1 + 2 + 45 + 1 + 2);
  EXPECT_EQ(s[0], 0);
  EXPECT_EQ(s[1], 255);
  EXPECT_EQ(s[2 + 255], 0);
  EXPECT_EQ(s[258], 0);
  EXPECT_EQ(s[259], 45);
  // 256 all different at the row's end: 255 literally, then the last as a run.
  s = alternating(256);
  ASSERT_EQ(s.size(), 2u + 255 + 1 + 2 + 2);
  EXPECT_EQ(s[258], 1);
  EXPECT_EQ(s[259], 1);
  // A run longer than 255 breaks into full runs; the pixel after one starts afresh.
  TestCanvas t(257, 1, 8, 264);
  t.at(256, 0) = 3;
  EXPECT_EQ(Encode(t.canvas), (std::vector<uint8_t>{255, 0, 1, 0, 1, 3, 0, 1}));
}

TEST(EncodeRle8, EveryStreamDecodesToThePixels) {
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (int32_t width : {1, 2, 3, 4, 5, 254, 255, 256, 257, 511, 600}) {
    for (int pattern = 0; pattern < 4; ++pattern) {
      TestCanvas t(width, 7, 8, (width * 2 + 16) & ~3);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < width; ++x) {
          int r = static_cast<int>(next());
          // Mostly runs of assorted lengths, with stretches of noise between.
          uint8_t v = pattern == 0 ? static_cast<uint8_t>(x / (1 + y * 37))
                      : pattern == 1 ? static_cast<uint8_t>(r % 3 == 0 ? r : x / 9)
                      : pattern == 2 ? static_cast<uint8_t>((x / 2) % 2)
                                     : static_cast<uint8_t>(r % 100 < 90 ? 7 : r);
          t.at(x, y) = v;
        }
      uint8_t* stream = nullptr;
      int64_t length = 0;
      if (!EncodeRle8(t.canvas, &stream, &length)) continue;  // did not pay: the cap test covers it
      std::vector<uint8_t> rows = t.rows;
      for (int y = 0; y < 7; ++y)
        for (int x = width; x < t.canvas.stride; ++x) rows[static_cast<size_t>(y) * t.canvas.stride + x] = 0;
      EXPECT_EQ(DecodeRle8(stream, length, width, 7, t.canvas.stride), rows) << width << " " << pattern;
      std::free(stream);
    }
  }
}

TEST(EncodeRle8, NoisyPicturesDoNotCompressAndAreNotWritten) {
  TestCanvas t(64, 64, 8);
  for (int i = 0; i < 64 * 64; ++i) t.rows[i] = static_cast<uint8_t>(i * 7 + i / 64);
  uint8_t* stream = reinterpret_cast<uint8_t*>(1);
  int64_t length = 5;
  EXPECT_EQ(EncodeRle8(t.canvas, &stream, &length), 0);
  EXPECT_EQ(stream, nullptr);
  EXPECT_EQ(length, 0);
  // The cap is strict: a stream of exactly the rows' size fails too.
  TestCanvas two(1, 2, 8);  // 8 bytes of rows; the stream 01 00 00 00 01 00 00 01 is 8
  EXPECT_EQ(EncodeRle8(two.canvas, &stream, &length), 0);
  TestCanvas roomy(1, 2, 8, 8);
  EXPECT_EQ(Encode(roomy.canvas), (std::vector<uint8_t>{1, 0, 0, 0, 1, 0, 0, 1}));
  TempDir dir;
  EXPECT_EQ(WriteBmpFile(t.canvas, dir.File("noise.bmp").c_str(), 1), 0);
  EXPECT_FALSE(testing_support::FileExists(dir.File("noise.bmp")));
  EXPECT_EQ(WriteBmpFile(t.canvas, dir.File("noise.bmp").c_str(), 0), 1);
}

}  // namespace
