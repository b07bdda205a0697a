#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/writers/raster/raster_test.h"
#include "writers/raster/g3.h"

namespace {

using raster_test::HandCanvas;
using raster_test::Lcg;
using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::TempDir;

const std::string kEol = "000000000001";
const std::string kWhite0 = "00110101";
const std::string kWhite1728 = "010011011";

// The expected file for rows given as T.4 code bits ("0"/"1", blanks ignored):
// EOL, each row and an EOL, five more EOLs, then the pending bits in one last byte.
std::vector<uint8_t> Stream(const std::vector<std::string>& rows) {
  std::string bits = kEol;
  for (const std::string& row : rows) bits += row + kEol;
  for (int i = 0; i < 5; ++i) bits += kEol;
  std::vector<uint8_t> out;
  size_t n = 0;
  for (char ch : bits) {
    if (ch != '0' && ch != '1') continue;
    if (n % 8 == 0) out.push_back(0);
    if (ch == '1') out.back() |= uint8_t(0x80 >> (n % 8));
    ++n;
  }
  if (n % 8 == 0) out.push_back(0);  // the flush byte comes even with nothing pending
  return out;
}

std::vector<uint8_t> WriteAndRead(const HandCanvas& c, int invert = 0) {
  TempDir dir;
  std::string path = dir.File("out.g3");
  EXPECT_EQ(WriteG3File(c.canvas, path.c_str(), invert), 1);
  return ReadFile(path);
}

// libtiff decodes the coded part of each row (whole bytes only), complemented when inverted.
void ExpectLibtiffDecodes(const HandCanvas& c, int invert) {
  const size_t rowBytes = size_t(c.canvas.width / 8);
  std::vector<uint8_t> coded;
  for (int32_t y = 0; y < c.canvas.height; ++y)
    for (size_t i = 0; i < rowBytes; ++i) coded.push_back(uint8_t(c.bytes[size_t(y) * c.canvas.stride + i] ^ -invert));
  std::vector<uint8_t> decoded =
      raster_test::DecodeG3(WriteAndRead(c, invert), uint32_t(rowBytes * 8), uint32_t(c.canvas.height));
  EXPECT_TRUE(decoded == coded) << "width " << c.canvas.width << ", inverted " << invert;
}

// Rows of random runs, short and long, so both colours use many codes.
void FillRuns(HandCanvas& c, uint32_t seed, uint32_t longest) {
  Lcg random{seed};
  for (int32_t y = 0; y < c.canvas.height; ++y) {
    bool ink = random.Next() % 2;
    for (int32_t x = 0; x < c.canvas.width;) {
      int32_t run = int32_t(1 + (random.Next() % 4 == 0 ? random.Next() % longest : random.Next() % 70));
      for (int32_t end = std::min(c.canvas.width, x + run); x < end; ++x)
        if (ink) c.SetBit(x, y);
      ink = !ink;
    }
  }
}

TEST(G3Writer, BlankFaxPage) {
  std::vector<uint8_t> b = WriteAndRead(HandCanvas(1728, 2287, 1));
  EXPECT_EQ(b.size(), 8300u);
  EXPECT_TRUE(b == Stream(std::vector<std::string>(2287, kWhite1728 + kWhite0)));
}

TEST(G3Writer, RowsCodeExactly) {
  // One row each: its bytes (zero beyond those given) and its codes.
  const std::string k2560 = "000000011111";
  auto ending = [](size_t zeros, uint8_t last) {
    std::vector<uint8_t> row(zeros, 0);
    row.push_back(last);
    return row;
  };
  struct Case {
    const char* what;
    int32_t width;
    std::vector<uint8_t> row;
    std::string codes;
  };
  const std::vector<Case> cases = {
      {"starts black", 16, {0xF0, 0x0F}, kWhite0 + "011 10011 011"},
      {"64 white, 8 black", 72, {0, 0, 0, 0, 0, 0, 0, 0, 0xFF}, "11011" + kWhite0 + "000101"},
      {"1730 wide codes 1728, not its 2 inked pixels", 1730, ending(216, 0xC0), kWhite1728 + kWhite0},
      {"alternating", 8, {0x55}, "000111 010 000111 010 000111 010 000111 010"},
      {"black make-up", 200, std::vector<uint8_t>(25, 0xFF), kWhite0 + "000011001001 000101"},
      {"2623: longest two-code run", 2624, ending(327, 0x01), k2560 + "00110100 010"},
      {"1856 black", 1856, std::vector<uint8_t>(232, 0xFF), kWhite0 + "00000001100 0000110111"},
      // Longer runs repeat the 2560 code, then a make-up code for the rest, then the terminating code.
      {"5248 black", 5248, std::vector<uint8_t>(656, 0xFF), kWhite0 + k2560 + k2560 + "000011001000 0000110111"},
      {"5120 white", 5120, {}, k2560 + k2560 + kWhite0},
  };
  for (const Case& t : cases) {
    HandCanvas c(t.width, 1, 1);
    std::copy(t.row.begin(), t.row.end(), c.bytes.begin());
    EXPECT_TRUE(WriteAndRead(c) == Stream({t.codes})) << t.what;
  }
  HandCanvas two(8, 2, 1);  // inverted: zero bits code as black
  two.Row(1)[0] = 0xFF;
  EXPECT_TRUE(WriteAndRead(two, 1) == Stream({kWhite0 + "000101", "10011"}));
}

TEST(G3Writer, LibtiffDecodesTheCanvasBits) {
  HandCanvas f(29, 23, 1);
  raster_test::DrawF(f, 1, 0);
  HandCanvas page(1730, 60, 1);
  FillRuns(page, 11, 1800);
  HandCanvas starts(64, 4, 1);
  for (int32_t y = 0; y < 4; ++y) starts.Row(y)[0] = uint8_t(0x80 >> y);
  HandCanvas huge(70000, 3, 1);  // rows wider than 8192; a white run longer than 65535, a black one of 10000
  FillRuns(huge, 6, 60000);
  std::fill(huge.Row(1), huge.Row(1) + 8750, 0x00);
  std::fill(huge.Row(2), huge.Row(2) + 1250, 0xFF);
  for (HandCanvas* c : {&f, &page, &starts, &huge})
    for (int invert : {0, 1}) ExpectLibtiffDecodes(*c, invert);
}

TEST(G3Writer, RefusesCanvasesItCannotCode) {
  TempDir dir;
  std::string path = dir.File("r.g3");
  HandCanvas c(64, 2, 1), bytes(16, 2, 8);
  Canvas shortRows = c.canvas, negative = c.canvas, noPixels = c.canvas;
  shortRows.width = 100;  // 12 bytes a row, but rows are 8 apart
  negative.height = -3;
  noPixels.pixels = nullptr;
  for (const Canvas& bad : {bytes.canvas, shortRows, negative, noPixels})
    EXPECT_EQ(WriteG3File(bad, path.c_str(), 0), 0);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(WriteG3File(c.canvas, dir.File("no/such/folder.g3").c_str(), 0), 0);
  EXPECT_EQ(WriteG3File(c.canvas, nullptr, 0), 0);
  // A full disk is a failure, not a written file.
  if (FileExists("/dev/full")) { EXPECT_EQ(WriteG3File(HandCanvas(1728, 200, 1).canvas, "/dev/full", 0), 0); }
}

}  // namespace
