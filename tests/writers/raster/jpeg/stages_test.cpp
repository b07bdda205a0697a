// Each encoder stage on its own: bit writer, colour conversion, DCT,
// quantiser and Huffman coder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "writers/raster/jpeg/bit_writer.h"
#include "writers/raster/jpeg/colour.h"
#include "writers/raster/jpeg/fdct.h"
#include "writers/raster/jpeg/huffman.h"
#include "writers/raster/jpeg/quant.h"
#include "writers/raster/jpeg/tables.h"

namespace {

using namespace jpeg;

// A bit writer over a temporary file; Bytes() flushes and reads it back.
struct Sink {
  FILE* file = std::tmpfile();
  uint8_t buffer[kBitWriterBufferSize + kBitWriterSlack];
  JpegBitWriter writer;
  Sink() { BitWriterInit(writer, buffer, file); }
  ~Sink() { std::fclose(file); }
  std::vector<uint8_t> Bytes() {
    BitWriterFlush(writer);
    std::vector<uint8_t> out(static_cast<size_t>(std::ftell(file)));
    std::rewind(file);
    EXPECT_EQ(std::fread(out.data(), 1, out.size(), file), out.size());
    return out;
  }
  // The bytes, less stuffing, as a string of bits to compare with codes.
  std::string Bits() {
    std::string bits;
    const std::vector<uint8_t> bytes = Bytes();
    for (size_t at = 0; at < bytes.size(); ++at) {
      for (int i = 7; i >= 0; --i) bits += char('0' + ((bytes[at] >> i) & 1));
      if (bytes[at] == 0xFF) ++at;
    }
    return bits;
  }
};

TEST(JpegBitWriter, PacksMostSignificantFirstStuffsFfAndPadsWithZeros) {
  Sink packed, stuffed, marked;
  for (auto [bits, length] : std::vector<std::pair<uint32_t, int>>{{0b101, 3}, {0b11110, 5}, {0x1234567, 28}, {1, 1}})
    BitWriterPut(packed.writer, bits, length);
  EXPECT_EQ(packed.Bytes(), (std::vector<uint8_t>{0xBE, 0x12, 0x34, 0x56, 0x78}));
  // Every FF is followed by 00, the one completed by the last bit too.
  for (auto [bits, length] : std::vector<std::pair<uint32_t, int>>{{0xFF, 8}, {0x7E, 7}, {0xFFFFFFFF, 32}, {1, 1}})
    BitWriterPut(stuffed.writer, bits, length);
  EXPECT_EQ(stuffed.Bytes(), (std::vector<uint8_t>{0xFF, 0, 0xFD, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0}));
  // Bytes before a marker are completed first.
  BitWriterPut(marked.writer, 0b1, 1);
  const uint8_t eoi[2] = {0xFF, 0xD9};
  BitWriterPutBytes(marked.writer, eoi, 2);
  EXPECT_EQ(marked.Bytes(), (std::vector<uint8_t>{0x80, 0xFF, 0xD9}));
  // Three buffers' worth, stuffed FFs landing on every boundary offset.
  Sink sink;
  std::vector<uint8_t> expected;
  for (int i = 0; i < 3 * kBitWriterBufferSize + 5; ++i) {
    const uint8_t b = static_cast<uint8_t>(i % 7 == 0 ? 0xFF : i * 13);
    BitWriterPut(sink.writer, b, 8);
    expected.push_back(b);
    if (b == 0xFF) expected.push_back(0);
  }
  EXPECT_EQ(sink.Bytes(), expected);
  EXPECT_EQ(sink.writer.produced, static_cast<int64_t>(expected.size()));
}

// --- colour conversion -------------------------------------------------------

// A 16 x 16 MCU of blue, green, red bytes, rows 48 bytes apart.
struct McuPixels {
  uint8_t bytes[16 * 48] = {};
  void Set(int x, int y, int b, int g, int r) {
    uint8_t* p = bytes + 48 * y + 3 * x;
    p[0] = uint8_t(b), p[1] = uint8_t(g), p[2] = uint8_t(r);
  }
};

TEST(JpegColour, PrimariesAndBlockPlacement) {
  McuPixels px;
  px.Set(9, 3, 0, 0, 255);   // red, in Y1 at row 3 column 1
  px.Set(2, 12, 255, 0, 0);  // blue, in Y2 at row 4 column 2
  McuBlocks m;
  ConvertFullMcu(px.bytes, 48, m);
  EXPECT_EQ(m.block[0][0], -128);
  EXPECT_EQ(m.block[1][8 * 3 + 1], -51);  // floor((77 x 255 + 128) / 256) - 128
  EXPECT_EQ(m.block[2][8 * 4 + 2], -99);  // floor((29 x 255 + 128) / 256) - 128
  // The red pixel is one of four in chroma sample (4, 1); the blue one in (1, 6).
  EXPECT_EQ(m.block[5][8 * 1 + 4], 32);   // (128 x 255 + 512) >> 10
  EXPECT_EQ(m.block[4][8 * 1 + 4], -11);  // (-43 x 255 + 512) >> 10
  EXPECT_EQ(m.block[4][8 * 6 + 1], 32);
  EXPECT_EQ(m.block[5][8 * 6 + 1], -5);  // (-21 x 255 + 512) >> 10
}

TEST(JpegColour, EdgeMcuRepeatsLastColumnThenLastRow) {
  McuPixels px;
  // Three valid columns, two valid rows; white at (2, 0), grey at (2, 1).
  px.Set(2, 0, 255, 255, 255);
  px.Set(2, 1, 128, 128, 128);
  px.Set(15, 15, 255, 255, 255);  // outside the valid area: must be ignored
  McuBlocks m;
  ConvertEdgeMcu(px.bytes, 48, 3, 2, m);
  for (int x = 2; x < 16; ++x) {
    EXPECT_EQ(m.block[x / 8][x % 8], 127) << x;
    EXPECT_EQ(m.block[x / 8][8 + x % 8], 0) << x;
  }
  for (int y = 2; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) ASSERT_EQ(m.block[2 * (y / 8) + x / 8][8 * (y % 8) + x % 8], x < 2 ? -128 : 0);
  }
}

TEST(JpegColour, EdgeMcuRoundsChromaTwice) {
  // Columns alternate between two colours whose 2 x 2 Cb is -46 rounded once
  // and -45 rounded per pixel first.
  McuPixels px;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) x % 2 == 0 ? px.Set(x, y, 68, 32, 130) : px.Set(x, y, 60, 253, 230);
  McuBlocks full, edge;
  ConvertFullMcu(px.bytes, 48, full);
  ConvertEdgeMcu(px.bytes, 48, 15, 16, edge);
  EXPECT_EQ(full.block[4][0], -46);
  EXPECT_EQ(edge.block[4][0], -45);
  EXPECT_EQ(0, std::memcmp(full.block[0], edge.block[0], sizeof full.block[0]));  // left luminance agrees
}

// --- DCT ---------------------------------------------------------------------

void ReferenceDct(const int16_t in[64], double out[64]) {
  const double pi = std::acos(-1.0);
  for (int v = 0; v < 8; ++v) {
    for (int u = 0; u < 8; ++u) {
      double sum = 0;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
          sum += in[8 * y + x] * std::cos((2 * x + 1) * u * pi / 16) * std::cos((2 * y + 1) * v * pi / 16);
      const double cu = u == 0 ? std::sqrt(0.5) : 1, cv = v == 0 ? std::sqrt(0.5) : 1;
      out[8 * v + u] = 0.25 * cu * cv * sum;
    }
  }
}

TEST(JpegDct, MatchesDoublePrecisionWithinRounding) {
  std::mt19937 random(7);
  int worst = 0;
  for (int trial = 0; trial < 2000; ++trial) {
    int16_t block[64];
    const int kind = trial % 3;  // noise, extremes, smooth ramps
    for (int i = 0; i < 64; ++i) {
      const int r = int(random() % 256) - 128;
      block[i] = int16_t(kind == 0 ? r : kind == 1 ? (r < 0 ? -128 : 127) : (i % 8) * 16 - (i / 8) * 15 + 4);
    }
    double expected[64];
    ReferenceDct(block, expected);
    ForwardDct8x8(block);
    for (int i = 0; i < 64; ++i) worst = std::max(worst, int(std::lround(std::fabs(block[i] - expected[i]))));
  }
  EXPECT_LE(worst, 1);
}

// --- quantiser ---------------------------------------------------------------

TEST(JpegQuant, ReciprocalsInNaturalOrderRoundHalvesUp) {
  uint8_t scaled[64];
  for (int i = 0; i < 64; ++i) scaled[i] = uint8_t(i + 1);
  uint16_t reciprocal[64];
  PrepareQuantiser(scaled, reciprocal);
  EXPECT_EQ(reciprocal[0], 32768);
  EXPECT_EQ(reciprocal[8], 32768 / 3);  // zig-zag index 2 is row 1, column 0
  for (int i = 0; i < 64; ++i) scaled[i] = 16;
  PrepareQuantiser(scaled, reciprocal);
  int16_t coefficients[64] = {}, zigzag[64];
  coefficients[0] = 8, coefficients[1] = -8, coefficients[8] = -24, coefficients[63] = 1000;  // +0.5, -0.5, -1.5, 62.5
  QuantiseBlock(coefficients, reciprocal, zigzag);
  EXPECT_EQ(std::vector<int>({zigzag[0], zigzag[1], zigzag[2], zigzag[63]}), std::vector<int>({1, 0, -1, 63}));
}

// --- Huffman -----------------------------------------------------------------

TEST(JpegHuffman, BlocksCodeExactly) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> nonZero;  // zig-zag index, value
    int16_t predictor;
    std::string bits;
  };
  // Codes separated by blanks for reading; the blanks are not compared.
  const Case cases[] = {
      {"empty: DC size 0, end of block", {}, 0, "00 1010"},
      {"-1", {{1, -1}}, 0, "00 00 0 1010"},
      {"+1", {{1, 1}}, 0, "00 00 1 1010"},
      {"DC 2 after 5: -3 is size 2 (011), bits 00", {{0, 2}}, 5, "011 00 1010"},
      {"DC -300: size 9 (1111110), bits of -301", {{0, -300}}, 0, "1111110 011010011 1010"},
      {"twenty zeros: sixteen (11111111001), then run 4 size 1 (111011)", {{21, 1}}, 0, "00 11111111001 111011 1 1010"},
      {"sixteen zeros, and a last coefficient: no end of block",
       {{17, -1}, {63, 1}},
       0,
       "00 11111111001 00 0 11111111001 11111111001 11111111000 1"},
  };
  for (const Case& t : cases) {
    int16_t zigzag[64] = {}, predictor = t.predictor;
    for (auto [k, v] : t.nonZero) zigzag[k] = int16_t(v);
    Sink sink;
    EncodeBlock(sink.writer, zigzag, predictor, kDcLuminanceCodes, kAcLuminanceCodes);
    std::string expected = t.bits;
    std::erase(expected, ' ');
    while (expected.size() % 8 != 0) expected += '0';
    EXPECT_EQ(sink.Bits(), expected) << t.what;
    EXPECT_EQ(predictor, zigzag[0]) << "the predictor follows each block";
  }
}

// Every vectorised or machine-specific stage gives the plain reference's
// output bit for bit: random values, extremes, and flat blocks (a short cut
// in the DCT that one odd sample must defeat).
TEST(JpegStages, FastPathsEqualReference) {
  std::mt19937 random(3);
  auto sample = [&](int kind, int flat) {
    return kind == 0 ? int(random() % 256) - 128 : kind == 1 ? (random() % 2 ? 127 : -128) : flat;
  };
  for (int trial = 0; trial < 20000; ++trial) {
    const int kind = trial % 3, flat = int(random() % 256) - 128;
    int16_t a[64], b[64], c[64];
    for (int i = 0; i < 64; ++i) a[i] = b[i] = c[i] = int16_t(sample(kind, flat));
    if (trial % 6 == 5) a[trial % 64] = b[trial % 64] = c[trial % 64] = int16_t(flat ^ 1);
    ForwardDct8x8(a);
    ForwardDct8x8Reference(b);
    ForwardDct8x8Portable(c);
    ASSERT_EQ(0, std::memcmp(a, b, sizeof a)) << "DCT " << trial;
    ASSERT_EQ(0, std::memcmp(c, b, sizeof c)) << "portable DCT " << trial;
    if (trial % 4 != 0) continue;
    McuPixels px;
    for (auto& v : px.bytes) v = uint8_t(sample(kind, flat) + 128);
    const PixelOrder order = trial % 8 ? PixelOrder::kRgb : PixelOrder::kBgr;
    McuBlocks fast, plain;
    ConvertFullMcu(px.bytes, 48, fast, order);
    ConvertFullMcuReference(px.bytes, 48, plain, order);
    ASSERT_EQ(0, std::memcmp(&fast, &plain, sizeof fast)) << "colour " << trial;
    uint8_t scaled[64];
    for (auto& q : scaled) q = uint8_t(kind == 2 ? 1 : 1 + random() % 255);  // q = 1: reciprocal 32768
    uint16_t reciprocal[64];
    PrepareQuantiser(scaled, reciprocal);
    int16_t coefficients[64], quantFast[64], quantPlain[64];
    for (auto& v : coefficients)
      v = int16_t(kind == 0 ? (random() % 8 == 0 ? int(random() % 64) - 32 : 0) : int(random() % 2049) - 1024);
    QuantiseBlock(coefficients, reciprocal, quantFast);
    QuantiseBlockReference(coefficients, reciprocal, quantPlain);
    ASSERT_EQ(0, std::memcmp(quantFast, quantPlain, sizeof quantFast)) << "quantiser " << trial;
    if (trial == 0) std::fill(quantFast, quantFast + 64, int16_t{-32768});
    ASSERT_EQ(NonZeroAcMask(quantFast), NonZeroAcMaskReference(quantFast)) << "mask " << trial;
  }
}

}  // namespace
