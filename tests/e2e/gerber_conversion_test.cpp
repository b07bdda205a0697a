// Gerber files converted by the real program: flashed pads that set the page,
// a generated board to every output, the real-world samples, a missing file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/gerber_board.h"
#include "tests/support/support.h"

namespace {

using testing_support::Le16;
using testing_support::Le32;
using testing_support::ReadFile;
using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::WriteFile;

// Ink of an uncompressed 8-bit BMP, top-down: anything but a white palette entry.
struct Ink {
  int32_t width = 0, height = 0;
  std::vector<bool> at;
  bool operator()(int32_t x, int32_t y) const { return at[static_cast<size_t>(y) * width + x]; }
  int Count() const { return static_cast<int>(std::count(at.begin(), at.end(), true)); }
};

Ink DecodeInk(const std::vector<uint8_t>& f) {
  Ink ink;
  if (f.size() < 1078 || f[0] != 'B' || f[1] != 'M' || Le16(f, 28) != 8 || Le32(f, 30) != 0) {
    ADD_FAILURE() << "not a plain 8-bit BMP";
    return ink;
  }
  ink.width = static_cast<int32_t>(Le32(f, 18));
  ink.height = static_cast<int32_t>(Le32(f, 22));
  size_t stride = (static_cast<size_t>(ink.width) + 3) & ~size_t{3};
  ink.at.assign(static_cast<size_t>(ink.width) * ink.height, false);
  for (int32_t y = 0; y < ink.height; ++y)
    for (int32_t x = 0; x < ink.width; ++x) {
      size_t colour = 54 + 4 * size_t{f.at(Le32(f, 10) + y * stride + x)};
      ink.at[static_cast<size_t>(ink.height - 1 - y) * ink.width + x] = Le32(f, colour) != 0xFFFFFF;
    }
  return ink;
}

TEST(GerberConversion, FlashedPadsSetThePage) {
  TempDir dir;
  // Two pads at opposite corners joined by a trace along the top.
  WriteFile(dir.File("pads.gbr"), "%ADD10R,1X1*%\nX0Y0D03*\nX2000Y2000D03*\nD01*X0Y2000*\n");
  auto r = RunKartex({"-w", "101", "-h", "101", "pads.gbr", "pads.bmp"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.output;
  Ink ink = DecodeInk(ReadFile(dir.File("pads.bmp")));
  ASSERT_GE(ink.width, 99);
  ASSERT_GE(ink.height, 99);
  int top = 0, left = 0;
  for (int32_t x = 0; x < ink.width; ++x) top += ink(x, 0);
  for (int32_t y = 0; y < ink.height; ++y) left += ink(0, y);
  // The outer edges of the pads lie on the picture's edges.
  EXPECT_GE(top, 30);
  EXPECT_GE(left, 30);
  EXPECT_FALSE(ink(ink.width / 2, ink.height / 2 + 10));
  // The trace at y = 2 of -0.5..2.5: about a sixth of the way down.
  bool trace = false;
  for (int32_t y = ink.height / 6 - 3; y <= ink.height / 6 + 3; ++y) trace = trace || ink(ink.width / 2, y);
  EXPECT_TRUE(trace);
}

TEST(GerberConversion, GeneratedBoardToEveryOutput) {
  TempDir dir;
  WriteFile(dir.File("board.gbr"), gerber_board::MakeBoard({3000, 2000}));
  for (const char* output : {"board.bmp", "board.gif", "board.g3", "board.jpg", "board.dxf", "board.htm"}) {
    auto r = RunKartex({"board.gbr", output}, dir.path());
    EXPECT_EQ(r.status, 0) << output << r.output;
    EXPECT_GT(ReadFile(dir.File(output)).size(), 1000u) << output;
  }
  Ink ink = DecodeInk(ReadFile(dir.File("board.bmp")));
  EXPECT_EQ(ink.width, 1727);
  EXPECT_GT(ink.Count(), 50000);
  std::string dxf = testing_support::ReadText(dir.File("board.dxf"));
  size_t inserts = 0;
  for (size_t at = dxf.find("\nINSERT"); at != std::string::npos; at = dxf.find("\nINSERT", at + 1)) ++inserts;
  // Polygon and macro pads (none in this board's pad apertures) would place nothing.
  EXPECT_EQ(inserts, 2000u);
}

TEST(GerberConversion, MissingFileFails) {
  TempDir dir;
  auto r = RunKartex({"none.gbr", "out.bmp"}, dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.output.find("Unable to supl_bread none.gbr\n"), std::string::npos) << r.output;
  EXPECT_FALSE(testing_support::FileExists(dir.File("out.bmp")));
}

TEST(GerberConversion, RealWorldSamplesRender) {
  std::string folder = testing_support::SamplePath("gerber");
  if (folder.empty()) GTEST_SKIP() << "samples absent";
  TempDir dir;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::filesystem::create_symlink(entry.path(), dir.File("in.gbr"));
    auto r = RunKartex({"-w", "400", "-h", "400", "in.gbr", "out.bmp"}, dir.path());
    EXPECT_EQ(r.status, 0) << entry.path() << r.output;
    if (r.status == 0) {
      EXPECT_GT(DecodeInk(ReadFile(dir.File("out.bmp"))).Count(), 200) << entry.path();
    }
    std::filesystem::remove(dir.File("in.gbr"));
  }
}

}  // namespace
