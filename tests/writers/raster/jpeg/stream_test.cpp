// Whole streams from WriteJpegFile and EncodeJpegFile: segment bytes,
// quality folding, validation, and decoding by libjpeg.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/support.h"
#include "tests/writers/raster/raster_test.h"
#include "writers/raster/jpeg.h"
#include "writers/raster/jpeg/encoder.h"

namespace {

using raster_test::Bytes;
using raster_test::DecodeJpeg;
using raster_test::Hex;

// A 24-bit canvas of one colour (0xRRGGBB).
struct OwnedCanvas : raster_test::HandCanvas {
  OwnedCanvas(int width, int height, uint32_t rgb = 0) : HandCanvas(width, height, 24) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) Set(x, y, rgb);
  }
};

Bytes Slice(const Bytes& b, size_t at, size_t count) {
  return at + count <= b.size() ? Bytes(b.begin() + at, b.begin() + at + count) : Bytes{};
}

uint16_t Be16(const Bytes& b, size_t at) { return uint16_t(b.at(at) << 8 | b.at(at + 1)); }

// Offset of the first marker FF `marker` before the scan (segments are skipped
// by their lengths), or -1.
long FindMarker(const Bytes& file, uint8_t marker) {
  for (size_t at = 2; at + 4 <= file.size() && file[at] == 0xFF; at += 2 + Be16(file, at + 2)) {
    if (file[at + 1] == marker) return long(at);
    if (file[at + 1] == 0xDA) break;
  }
  return -1;
}

// The entropy-coded bytes between the SOS segment and EOI.
Bytes ScanData(const Bytes& file) {
  const long sos = FindMarker(file, 0xDA);
  if (sos < 0) return {};
  return Bytes(file.begin() + sos + 2 + Be16(file, size_t(sos) + 2), file.end() - 2);
}

// Encodes `c` to a temporary file and returns its bytes (empty on failure).
Bytes Encode(const raster_test::HandCanvas& c, int quality) {
  testing_support::TempDir dir;
  const std::string path = dir.File("out.jpg");
  if (WriteJpegFile(c.canvas, path.c_str(), quality) != 1) return {};
  return testing_support::ReadFile(path);
}

double Psnr(const raster_test::HandCanvas& c, const raster_test::Decoded& d) {
  return raster_test::Psnr(raster_test::Rgb(c), d.pixels);
}

// The 64 entries of DQT table `id`.
Bytes DqtEntries(const Bytes& file, int id) {
  long at = FindMarker(file, 0xDB);
  if (at >= 0 && file[at + 4] != id) at += 2 + Be16(file, at + 2);
  if (at < 0 || file[at + 1] != 0xDB || Be16(file, at + 2) != 67 || file[at + 4] != id) return {};
  return Slice(file, at + 5, 64);
}

// A grey fax page at quality 75. The bytes before the scan are hashed: SOI;
// JFIF 1.1, no units, 1:1, no thumbnail; the comment naming the encoder; DQT
// of both tables; DHT of the four standard tables (418 bytes); SOF0 of 8 bits,
// 2287 x 1728, Y 2 x 2 with table 0 and Cb, Cr 1 x 1 with table 1; SOS of the
// three components, 0..63, no restart interval.
TEST(JpegStream, FaxPageSegmentsAndScan) {
  OwnedCanvas c(1728, 2287, 0x808080);
  const Bytes file = Encode(c, 75), data = ScanData(file);
  ASSERT_EQ(data.size(), 108u * 143u * 4u);
  EXPECT_EQ(raster_test::Fnv1a(Slice(file, 0, file.size() - data.size() - 2)), 0x5027183348919b2full);
  // Grey: every MCU is four (DC 0, end of block) and two chroma ones, 32 bits,
  // the cut last MCU row too (15 rows and a repeated one).
  for (size_t i = 0; i < data.size(); i += 4) ASSERT_EQ(Slice(data, i, 4), Hex("28a28a00")) << i;
  EXPECT_EQ(Slice(file, file.size() - 2, 2), Hex("ffd9"));
  EXPECT_GE(Psnr(c, DecodeJpeg(file)), 45.0);
}

TEST(JpegStream, QuantisationTablesFollowQuality) {
  OwnedCanvas c(8, 8, 0x102030);
  Bytes file = Encode(c, 50);
  EXPECT_EQ(Slice(DqtEntries(file, 0), 0, 4), (Bytes{16, 11, 12, 14}));
  EXPECT_EQ(Slice(DqtEntries(file, 1), 0, 4), (Bytes{17, 18, 18, 24}));
  EXPECT_EQ(Slice(DqtEntries(Encode(c, 75), 0), 0, 6), (Bytes{8, 6, 6, 7, 6, 5}));  // halves round up: 11 -> 6
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
  const Bytes data = ScanData(Encode(c, 50));
  std::string bits;
  for (uint8_t b : data)
    for (int i = 7; i >= 0; --i) bits += char('0' + ((b >> i) & 1));
  std::string expected = "11110 1000000 1010 001010 001010 001010 0000 0000 000000";
  std::erase(expected, ' ');
  EXPECT_EQ(bits, expected);
}

// An "F", red on blue, at odd sizes: a flip, a red/blue swap, a shifted block or
// misread row padding all cost far more than the bound.
TEST(JpegStream, LibjpegDecodesCloseToTheCanvas) {
  for (auto [w, h] : std::vector<std::pair<int, int>>{{16, 16}, {17, 15}, {15, 17}, {1, 40}, {121, 83}}) {
    OwnedCanvas c(w, h);
    raster_test::DrawF(c, 0xFF0000, 0x0000FF);
    for (int quality : {75, 100}) {
      const auto d = DecodeJpeg(Encode(c, quality));
      ASSERT_TRUE(d.ok) << w << "x" << h << ": " << d.error;
      EXPECT_EQ(d.count, 3);
      EXPECT_GE(Psnr(c, d), quality == 100 ? 45.0 : 22.0) << w << "x" << h << " q" << quality;
      if (w != 121 || quality != 75) continue;
      // Far from the edges the colours are exact enough to tell red from blue.
      const uint8_t* stem = &d.pixels[(size_t(41) * 121 + 36) * 3];
      const uint8_t* field = &d.pixels[(size_t(41) * 121 + 110) * 3];
      EXPECT_TRUE(stem[0] > 200 && stem[2] < 60 && field[0] < 60 && field[2] > 200);
    }
  }
  OwnedCanvas noise(77, 50);  // noise loses its chroma detail
  raster_test::FillNoise(noise, 9);
  for (int quality : {1, 100}) {
    const auto d = DecodeJpeg(Encode(noise, quality));
    ASSERT_TRUE(d.ok) << quality << ": " << d.error;
    EXPECT_GE(Psnr(noise, d), quality == 100 ? 10.0 : 0.0);
  }
}

TEST(JpegStream, ReplacesAnExistingFile) {
  testing_support::TempDir dir;
  const std::string path = dir.File("x.jpg");
  testing_support::WriteFile(path, std::string(100000, 'z'));
  OwnedCanvas c(8, 8, 0x808080);
  ASSERT_EQ(WriteJpegFile(c.canvas, path.c_str(), 75), 1);
  EXPECT_EQ(testing_support::ReadFile(path), Encode(c, 75));
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
  Canvas wide = c.canvas, empty = c.canvas, shortRows = c.canvas, noPixels = c.canvas;
  wide.width = 65536;
  empty.height = 0;
  shortRows.stride = 3 * 20 - 1;  // rows shorter than their pixels
  noPixels.pixels = nullptr;
  for (const Canvas& bad : {wide, empty, shortRows, noPixels}) {
    result = -1;
    EXPECT_EQ(WriteAndCapture(bad, path.c_str(), &result), "Invalid JPEG_PROPERTIES\n");
    EXPECT_EQ(result, 0);
  }
  EXPECT_TRUE(dir.List().empty());
}

TEST(JpegWriterFailures, AFullDiskIsAFileError) {
  OwnedCanvas c(512, 512);  // output far larger than the bit writer's buffer
  raster_test::FillNoise(c, 5);
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
  // From the fifth on, mended: layouts the encoder cannot read would have been
  // read wrongly or past the end of the pixels.
  const std::pair<void (*)(JPEG_PROPERTIES&), int> cases[] = {
      {[](JPEG_PROPERTIES& p) { p.sourceSubsampling = 1; }, kJpegUnsupportedSubsampling},
      {[](JPEG_PROPERTIES& p) { p.sourceHeight = -65536; }, kJpegInvalidProperties},
      {[](JPEG_PROPERTIES& p) { p.sourceChannels = 0; }, kJpegInvalidProperties},
      {[](JPEG_PROPERTIES& p) { p.outputComponents = 257; }, kJpegInvalidProperties},
      {[](JPEG_PROPERTIES& p) { p.sourceChannels = 4; }, kJpegUnsupportedBytesPerPixel},
      {[](JPEG_PROPERTIES& p) { p.outputWidth = 25; }, kJpegInvalidProperties},
      {[](JPEG_PROPERTIES& p) { p.outputHeight = 40; }, kJpegInvalidProperties},
      {[](JPEG_PROPERTIES& p) { p.sourceColourOrder = 3; }, kJpegNotSupported},
      {[](JPEG_PROPERTIES& p) { p.outputSampling = 0; }, kJpegNotSupported},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    Record r;
    cases[i].first(r.p);
    EXPECT_EQ(r.Encode(), cases[i].second) << i;
  }
  Record r;
  EXPECT_EQ(EncodeJpegFile(r.p, r.state, 0), kJpegNotSupported);
}

TEST(JpegEncoder, BottomUpAndRedGreenBlueSourcesGiveTheSameFile) {
  Record top;
  raster_test::DrawF(top.canvas, 0xFF0000, 0x0000FF);
  for (int y = 0; y < 20; ++y) top.canvas.Set(23, y, 0x10C080);  // odd column: the edge MCU path
  ASSERT_EQ(top.Encode(), kJpegSuccess);
  Record bottom, rgb;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 24; ++x) {
      const uint32_t c = top.canvas.Get(x, y);
      bottom.canvas.Set(x, 19 - y, c);
      rgb.canvas.Set(x, y, (c & 0xFF) << 16 | (c & 0xFF00) | c >> 16);
    }
  bottom.p.sourceHeight = -20;
  rgb.p.sourceColourOrder = kJpegOrderRgb;
  ASSERT_EQ(bottom.Encode(), kJpegSuccess);
  ASSERT_EQ(rgb.Encode(), kJpegSuccess);
  EXPECT_EQ(testing_support::ReadFile(top.path), testing_support::ReadFile(bottom.path));
  EXPECT_EQ(testing_support::ReadFile(top.path), testing_support::ReadFile(rgb.path));
}

// The same canvas and quality give the same bytes on every build: these
// hashes were taken from the plain reference stages, so every faster path
// (vectorised loops, machine-specific clones) must reproduce them exactly.
TEST(JpegStream, OutputIsBitExact) {
  OwnedCanvas noise(203, 117);
  raster_test::FillNoise(noise, 21);
  OwnedCanvas f(203, 117);
  raster_test::DrawF(f, 0xFF0000, 0x0000FF);
  EXPECT_EQ(raster_test::Fnv1a(Encode(noise, 75)), 0x6afe7a77f5581cf1ull);
  EXPECT_EQ(raster_test::Fnv1a(Encode(noise, 100)), 0x9d575c24fcab721aull);
  EXPECT_EQ(raster_test::Fnv1a(Encode(f, 30)), 0xa57ef010f9ffdf75ull);
}

}  // namespace
