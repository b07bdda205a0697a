// Whole streams from WriteJpegFile and EncodeJpegFile: segment bytes,
// quality folding, validation, and decoding by libjpeg.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/writers/raster/jpeg/jpeg_test_support.h"
#include "writers/raster/jpeg.h"
#include "writers/raster/jpeg/encoder.h"

namespace {

using jpeg_test::Be16;
using jpeg_test::DecodeJpeg;
using jpeg_test::Encode;
using jpeg_test::FindMarker;
using jpeg_test::OwnedCanvas;
using Bytes = std::vector<uint8_t>;

Bytes Slice(const Bytes& b, size_t at, size_t count) {
  return at + count <= b.size() ? Bytes(b.begin() + at, b.begin() + at + count) : Bytes{};
}

// The 64 entries of DQT table `id`.
Bytes DqtEntries(const Bytes& file, int id) {
  long at = FindMarker(file, 0xDB);
  if (at >= 0 && file[at + 4] != id) at += 2 + Be16(file, at + 2);
  if (at < 0 || file[at + 1] != 0xDB || Be16(file, at + 2) != 67 || file[at + 4] != id) return {};
  return Slice(file, at + 5, 64);
}

TEST(JpegStream, FaxPageOpensWithJfifAndComment) {
  OwnedCanvas c(1728, 2287, 0xFFFFFF);
  const Bytes file = Encode(c, 75);
  const Bytes opening = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0xFF, 0xFE};
  ASSERT_EQ(Slice(file, 0, opening.size()), opening);
  const std::string text = kJpegEncoderIdentification;
  EXPECT_EQ(Be16(file, 22), text.size() + 3);
  EXPECT_EQ(std::string(file.begin() + 24, file.begin() + 24 + text.size()), text);
  EXPECT_EQ(file[24 + text.size()], 0);
  EXPECT_EQ(file[25 + text.size()], 0xFF);
  EXPECT_EQ(file[26 + text.size()], 0xDB);
  // The last MCU row is cut: 15 rows and a repeated one; every block of white
  // codes the same, so the picture decodes to white everywhere.
  const auto d = DecodeJpeg(file);
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_GE(jpeg_test::Psnr(c, d), 45.0);
}

TEST(JpegStream, FrameScanAndHuffmanSegments) {
  OwnedCanvas c(1728, 2287, 0x808080);
  const Bytes file = Encode(c, 75);
  const long dht = FindMarker(file, 0xC4), sof = FindMarker(file, 0xC0), sos = FindMarker(file, 0xDA);
  ASSERT_GT(dht, 0);
  ASSERT_LT(dht, sof);
  ASSERT_LT(sof, sos);
  EXPECT_EQ(FindMarker(file, 0xDD), -1);  // no restart interval
  EXPECT_EQ(Be16(file, dht + 2), 418);
  // Class and id of each table, after 16 counts and 12 or 162 values.
  EXPECT_EQ(file[dht + 4], 0x00);
  EXPECT_EQ(file[dht + 4 + 29], 0x10);
  EXPECT_EQ(file[dht + 4 + 29 + 179], 0x01);
  EXPECT_EQ(file[dht + 4 + 29 + 179 + 29], 0x11);
  EXPECT_EQ(Slice(file, dht + 5, 16), (Bytes{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Slice(file, dht + 4 + 29 + 1, 16), (Bytes{0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D}));
  EXPECT_EQ(Slice(file, sof, 19), (Bytes{0xFF, 0xC0, 0, 17, 8, 0x08, 0xEF, 0x06, 0xC0, 3, 1, 0x22, 0, 2, 0x11, 1,
                                         3, 0x11, 1}));
  EXPECT_EQ(Slice(file, sos, 14), (Bytes{0xFF, 0xDA, 0, 12, 3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 0x3F, 0}));
  // Grey: every MCU is four (DC 0, end of block) and two chroma ones, 32 bits.
  const Bytes data = jpeg_test::ScanData(file);
  ASSERT_EQ(data.size(), 108u * 143u * 4u);
  for (size_t i = 0; i < data.size(); i += 4) ASSERT_EQ(Slice(data, i, 4), (Bytes{0x28, 0xA2, 0x8A, 0x00})) << i;
  EXPECT_EQ(Slice(file, file.size() - 2, 2), (Bytes{0xFF, 0xD9}));
}

TEST(JpegStream, QuantisationTablesFollowQuality) {
  OwnedCanvas c(8, 8, 0x102030);
  Bytes file = Encode(c, 50);
  EXPECT_EQ(Slice(DqtEntries(file, 0), 0, 4), (Bytes{16, 11, 12, 14}));
  EXPECT_EQ(Slice(DqtEntries(file, 1), 0, 4), (Bytes{17, 18, 18, 24}));
  file = Encode(c, 100);
  EXPECT_EQ(DqtEntries(file, 0), Bytes(64, 1));
  EXPECT_EQ(DqtEntries(file, 1), Bytes(64, 1));
  // The low seven bits only, then 1..100: 0 -> 1, 200 -> 72, -1 -> 127 -> 100.
  EXPECT_EQ(DqtEntries(Encode(c, 0), 0), DqtEntries(Encode(c, 1), 0));
  EXPECT_EQ(Slice(DqtEntries(Encode(c, 0), 0), 0, 2), (Bytes{255, 255}));
  EXPECT_EQ(Slice(DqtEntries(Encode(c, 200), 0), 0, 4), (Bytes{9, 6, 7, 8}));
  EXPECT_EQ(DqtEntries(Encode(c, -1), 1), Bytes(64, 1));
}

TEST(JpegStream, WhiteBlocksCodeTheirDcOnce) {
  // Y DC 1016 / 16 = 63.5 rounds to 64 (size 7, code 11110), then end of block;
  // the other three luminance blocks repeat it; chroma is 0.
  OwnedCanvas c(16, 16, 0xFFFFFF);
  const Bytes data = jpeg_test::ScanData(Encode(c, 50));
  std::string bits;
  for (uint8_t b : data)
    for (int i = 7; i >= 0; --i) bits += char('0' + ((b >> i) & 1));
  EXPECT_EQ(bits, std::string("11110" "1000000" "1010" "001010" "001010" "001010" "0000" "0000") + "000000");
}

TEST(JpegStream, OnePixelImageRepeatsItsPixel) {
  OwnedCanvas grey(1, 1, 0x808080);
  EXPECT_EQ(jpeg_test::ScanData(Encode(grey, 75)), (Bytes{0x28, 0xA2, 0x8A, 0x00}));
  OwnedCanvas c(1, 1, 0xC03010);
  const auto d = DecodeJpeg(Encode(c, 100));
  ASSERT_TRUE(d.ok) << d.error;
  ASSERT_EQ(d.width, 1);
  EXPECT_NEAR(d.rgb[0], 0xC0, 3);
  EXPECT_NEAR(d.rgb[1], 0x30, 3);
  EXPECT_NEAR(d.rgb[2], 0x10, 3);
}

TEST(JpegStream, NoiseStuffsEveryFfByte) {
  OwnedCanvas c(64, 48);
  jpeg_test::FillNoise(c, 3);
  const Bytes data = jpeg_test::ScanData(Encode(c, 100));
  int ff = 0;
  for (size_t i = 0; i + 1 < data.size(); ++i) {
    if (data[i] == 0xFF) {
      ++ff;
      ASSERT_EQ(data[i + 1], 0) << i;
      ++i;
    }
  }
  EXPECT_GT(ff, 10);
  ASSERT_FALSE(data.empty());
  EXPECT_NE(data.back(), 0xFF);
}

// An "F", red on blue, at odd sizes: a flip, a red/blue swap, a shifted block or
// misread row padding all cost far more than the bound.
TEST(JpegStream, LibjpegDecodesCloseToTheCanvas) {
  for (auto [w, h] : std::vector<std::pair<int, int>>{{37, 29}, {16, 16}, {17, 15}, {15, 17}, {1, 40}, {40, 1},
                                                      {121, 83}}) {
    OwnedCanvas c(w, h);
    jpeg_test::DrawF(c);
    for (int quality : {75, 100}) {
      const auto d = DecodeJpeg(Encode(c, quality));
      ASSERT_TRUE(d.ok) << w << "x" << h << ": " << d.error;
      EXPECT_EQ(d.components, 3);
      EXPECT_GE(jpeg_test::Psnr(c, d), quality == 100 ? 45.0 : 22.0) << w << "x" << h << " q" << quality;
    }
  }
  OwnedCanvas big(121, 83);
  jpeg_test::DrawF(big);
  const auto d = DecodeJpeg(Encode(big, 75));
  ASSERT_TRUE(d.ok);
  // Far from the edges the colours are exact enough to tell red from blue.
  const uint8_t* stem = &d.rgb[(size_t(41) * 121 + 36) * 3];
  EXPECT_GT(stem[0], 200);
  EXPECT_LT(stem[2], 60);
  const uint8_t* field = &d.rgb[(size_t(41) * 121 + 110) * 3];
  EXPECT_LT(field[0], 60);
  EXPECT_GT(field[2], 200);
}

TEST(JpegStream, NoiseAndAllQualitiesDecode) {
  OwnedCanvas c(77, 50);
  jpeg_test::FillNoise(c, 9);
  for (int quality : {1, 10, 50, 90, 100}) {
    const auto d = DecodeJpeg(Encode(c, quality));
    ASSERT_TRUE(d.ok) << quality << ": " << d.error;
    if (quality == 100) {
      EXPECT_GE(jpeg_test::Psnr(c, d), 10.0);  // noise loses its chroma detail
    }
  }
}

TEST(JpegStream, ReplacesAnExistingFile) {
  testing_support::TempDir dir;
  const std::string path = dir.File("x.jpg");
  testing_support::WriteFile(path, std::string(100000, 'z'));
  OwnedCanvas c(8, 8, 0x808080);
  ASSERT_EQ(WriteJpegFile(c.canvas, path.c_str(), 75), 1);
  const Bytes file = testing_support::ReadFile(path);
  EXPECT_LT(file.size(), 1000u);
  EXPECT_EQ(Slice(file, file.size() - 2, 2), (Bytes{0xFF, 0xD9}));
}

// --- failures ----------------------------------------------------------------

std::string WriteAndCapture(const Canvas& canvas, const char* path, int* result) {
  testing::internal::CaptureStdout();
  *result = WriteJpegFile(canvas, path, 75);
  return testing::internal::GetCapturedStdout();
}

TEST(JpegWriterFailures, EachPrintsItsMessageAndReturnsZero) {
  testing_support::TempDir dir;
  const std::string path = dir.File("out.jpg");
  int result = -1;
  OwnedCanvas c(20, 10, 0x808080);

  c.canvas.bitsPerPixel = 8;  // silently refused
  EXPECT_EQ(WriteAndCapture(c.canvas, path.c_str(), &result), "");
  EXPECT_EQ(result, 0);
  c.canvas.bitsPerPixel = 24;

  const std::string missing = dir.File("no/such/folder/out.jpg");
  EXPECT_EQ(WriteAndCapture(c.canvas, missing.c_str(), &result), "Invalid file name\n");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(WriteAndCapture(c.canvas, "", &result), "Invalid JPEG_PROPERTIES\n");
  EXPECT_EQ(WriteAndCapture(c.canvas, nullptr, &result), "Invalid JPEG_PROPERTIES\n");

  Canvas bad = c.canvas;
  bad.width = 65536;
  EXPECT_EQ(WriteAndCapture(bad, path.c_str(), &result), "Invalid JPEG_PROPERTIES\n");
  bad = c.canvas;
  bad.height = 0;
  EXPECT_EQ(WriteAndCapture(bad, path.c_str(), &result), "Invalid JPEG_PROPERTIES\n");
  bad = c.canvas;
  bad.stride = 3 * 20 - 1;  // rows shorter than their pixels
  EXPECT_EQ(WriteAndCapture(bad, path.c_str(), &result), "Invalid JPEG_PROPERTIES\n");
  bad = c.canvas;
  bad.pixels = nullptr;
  EXPECT_EQ(WriteAndCapture(bad, path.c_str(), &result), "Invalid JPEG_PROPERTIES\n");
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(dir.List().empty());
}

TEST(JpegWriterFailures, AFullDiskIsAFileError) {
  OwnedCanvas c(512, 512);
  jpeg_test::FillNoise(c, 5);
  int result = -1;
  EXPECT_EQ(WriteAndCapture(c.canvas, "/dev/full", &result), "File error\n");
  EXPECT_EQ(result, 0);
}

// A record as the writer fills it, for the checks the writer never trips.
struct Record {
  OwnedCanvas canvas{24, 20, 0x808080};
  testing_support::TempDir dir;
  std::string path = dir.File("r.jpg");
  JPEG_PROPERTIES p;
  JpegEncoderState state;
  Record() {
    JpegInit(p, state);
    p.sourcePixels = canvas.canvas.pixels;
    p.sourceWidth = p.outputWidth = 24;
    p.sourceHeight = p.outputHeight = 20;
    p.sourceRowPadding = canvas.canvas.stride - 72;
    p.outputFileName = path.c_str();
  }
  ~Record() { JpegRelease(state); }
  int Encode() { return EncodeJpegFile(p, state, kJpegWholeImageToFile); }
};

TEST(JpegEncoder, ValidatesTheRecord) {
  EXPECT_EQ(Record().Encode(), kJpegSuccess);
  { Record r; r.p.sourceSubsampling = 1; EXPECT_EQ(r.Encode(), kJpegUnsupportedSubsampling); }
  { Record r; r.p.sourceHeight = -65536; EXPECT_EQ(r.Encode(), kJpegInvalidProperties); }
  { Record r; r.p.sourceChannels = 0; EXPECT_EQ(r.Encode(), kJpegInvalidProperties); }
  { Record r; r.p.outputComponents = 257; EXPECT_EQ(r.Encode(), kJpegInvalidProperties); }
  // Mended: layouts the encoder cannot read would have been read wrongly or
  // past the end of the pixels.
  { Record r; r.p.sourceChannels = 4; EXPECT_EQ(r.Encode(), kJpegUnsupportedBytesPerPixel); }
  { Record r; r.p.outputWidth = 25; EXPECT_EQ(r.Encode(), kJpegInvalidProperties); }
  { Record r; r.p.outputHeight = 40; EXPECT_EQ(r.Encode(), kJpegInvalidProperties); }
  { Record r; r.p.sourceColourOrder = 3; EXPECT_EQ(r.Encode(), kJpegNotSupported); }
  { Record r; r.p.outputSampling = 0; EXPECT_EQ(r.Encode(), kJpegNotSupported); }
  { Record r; EXPECT_EQ(EncodeJpegFile(r.p, r.state, 0), kJpegNotSupported); }
}

TEST(JpegEncoder, BottomUpSourceGivesTheSamePicture) {
  Record top;
  jpeg_test::DrawF(top.canvas);
  ASSERT_EQ(top.Encode(), kJpegSuccess);
  Record bottom;
  const int stride = bottom.canvas.canvas.stride;
  for (int y = 0; y < 20; ++y)
    std::memcpy(bottom.canvas.canvas.pixels + y * stride, top.canvas.canvas.pixels + (19 - y) * stride, stride);
  bottom.p.sourceHeight = -20;
  ASSERT_EQ(bottom.Encode(), kJpegSuccess);
  EXPECT_EQ(testing_support::ReadFile(top.path), testing_support::ReadFile(bottom.path));
}

TEST(JpegEncoder, RedGreenBlueSourceGivesTheSamePicture) {
  Record bgr;
  jpeg_test::DrawF(bgr.canvas);
  for (int y = 0; y < 20; ++y) bgr.canvas.Set(23, y, 0x10C080);  // odd column: the edge MCU path
  ASSERT_EQ(bgr.Encode(), kJpegSuccess);
  Record rgb;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 24; ++x) {
      const uint32_t c = bgr.canvas.Get(x, y);
      rgb.canvas.Set(x, y, (c & 0xFF) << 16 | (c & 0xFF00) | c >> 16);
    }
  rgb.p.sourceColourOrder = kJpegOrderRgb;
  ASSERT_EQ(rgb.Encode(), kJpegSuccess);
  EXPECT_EQ(testing_support::ReadFile(bgr.path), testing_support::ReadFile(rgb.path));
}

TEST(JpegEncoder, ErrorTexts) {
  const char* expected[] = {"ROI Success", "Interrupt Success", "Success", "Exception detected", "Invalid Encoder",
                            "Unsupported subsampling", "Unsupported bytes per pixel", "Memory error",
                            "Bad Huffman table", "Bad Quantization table", "Invalid JPEG_PROPERTIES",
                            "Error close file", "Invalid file name", "Error EOF", "Not supported", "Not JPEG",
                            "Error COMP", "Error SOF", "Error DNL", "No Huffman table", "No Quantization table",
                            "No frame", "Multiply frame", "Data error", "No image", "File error", "Internal error",
                            "Bad RST marker", "Thumbnail too small", "Thumbnail has wrong color",
                            "Output buffer too small", "Unsupported frame was found",
                            "Error access to jpeg_comment buffer"};
  for (int code = 2; code >= -30; --code) EXPECT_STREQ(JpegErrorText(code), expected[2 - code]) << code;
  EXPECT_STREQ(JpegErrorText(-99), "Reserved");
  for (int code : {3, 1000, -31, -50, -98, -100, -2147483647 - 1})
    EXPECT_STREQ(JpegErrorText(code), "Unknown error code") << code;
}

}  // namespace

namespace {

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t h = 1469598103934665603ull;
  for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

// The same canvas and quality give the same bytes on every build: these
// hashes were taken from the plain reference stages, so every faster path
// (vectorised loops, machine-specific clones) must reproduce them exactly.
TEST(JpegStream, OutputIsBitExact) {
  OwnedCanvas noise(203, 117);
  jpeg_test::FillNoise(noise, 21);
  OwnedCanvas f(203, 117);
  jpeg_test::DrawF(f);
  EXPECT_EQ(Fnv1a(Encode(noise, 75)), 0x6afe7a77f5581cf1ull);
  EXPECT_EQ(Fnv1a(Encode(noise, 100)), 0x9d575c24fcab721aull);
  EXPECT_EQ(Fnv1a(Encode(f, 30)), 0xa57ef010f9ffdf75ull);
}

}  // namespace
