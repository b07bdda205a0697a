// DXF drawings converted to BMP by the real program, checked through the
// decoded pictures.
#include <gtest/gtest.h>

#include <dirent.h>

#include <string>
#include <vector>

#include "tests/support/support.h"

namespace {

using testing_support::Le16;
using testing_support::Le32;
using testing_support::ReadFile;
using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::WriteFile;

struct Picture {
  int32_t width = 0, height = 0;
  uint32_t compression = 0;
  std::vector<uint8_t> index;  // top-down, one palette index per pixel
};

// An 8-bit BMP, plain or RLE8, decoded to indices.
Picture Decode(const std::vector<uint8_t>& f) {
  Picture p;
  if (f.size() < 1078 || f[0] != 'B' || f[1] != 'M' || Le16(f, 28) != 8) {
    ADD_FAILURE() << "not an 8-bit BMP";
    return p;
  }
  p.width = static_cast<int32_t>(Le32(f, 18));
  p.height = static_cast<int32_t>(Le32(f, 22));
  p.compression = Le32(f, 30);
  size_t at = Le32(f, 10);
  p.index.assign(static_cast<size_t>(p.width) * p.height, 0);
  if (p.compression == 0) {
    size_t stride = (static_cast<size_t>(p.width) + 3) & ~size_t{3};
    for (int32_t y = 0; y < p.height; ++y)
      for (int32_t x = 0; x < p.width; ++x)
        p.index[static_cast<size_t>(p.height - 1 - y) * p.width + x] = f.at(at + y * stride + x);
    return p;
  }
  int32_t x = 0, y = p.height - 1;
  while (at + 1 < f.size()) {
    uint8_t a = f[at], b = f[at + 1];
    at += 2;
    if (a) {
      for (int k = 0; k < a && x < p.width; ++k) p.index[static_cast<size_t>(y) * p.width + x++] = b;
    } else if (b == 0) {
      x = 0, --y;
    } else if (b == 1) {
      break;
    } else {
      for (int k = 0; k < b && x < p.width; ++k) p.index[static_cast<size_t>(y) * p.width + x++] = f.at(at + k);
      at += b + (b & 1);
    }
  }
  return p;
}

uint8_t At(const Picture& p, int x, int y) { return p.index.at(static_cast<size_t>(y) * p.width + x); }

// A DXF of LINE entities (x0, y0, x1, y1, colour) with header extents.
std::string LinesDxf(const std::vector<std::vector<double>>& lines, double x0, double y0, double x1, double y1) {
  auto g = [](int code, const std::string& v) { return std::to_string(code) + "\n" + v + "\n"; };
  auto n = [](double v) { return std::to_string(v); };
  std::string s = g(0, "SECTION") + g(2, "HEADER") + g(9, "$EXTMIN") + g(10, n(x0)) + g(20, n(y0)) +
                  g(9, "$EXTMAX") + g(10, n(x1)) + g(20, n(y1)) + g(0, "ENDSEC") + g(0, "SECTION") +
                  g(2, "ENTITIES");
  for (const auto& l : lines)
    s += g(0, "LINE") + g(8, "0") + g(62, std::to_string(static_cast<int>(l[4]))) + g(10, n(l[0])) +
         g(20, n(l[1])) + g(11, n(l[2])) + g(21, n(l[3]));
  return s + g(0, "ENDSEC") + g(0, "EOF");
}

// Each drawing's page size and a few pixels (palette indices; 254 is the grey
// background). y runs down on the page.
TEST(DxfToBmp, PagesFitTheDrawingAndPixelsLandWhereTheLinesAre) {
  struct Probe {
    int x, y, index;
  };
  struct Case {
    const char* what;
    std::string dxf;
    std::vector<std::string> options;
    int32_t width, height;
    std::vector<Probe> probes;
  } cases[] = {
      // 200 x 100 units: scale 8.635, a 1727 x 863 canvas. The red line at y = 50 lands on
      // row (100 - 50) x 8.635 = 431; the green one at x = 100 on column 863.
      {"default page", LinesDxf({{0, 50, 200, 50, 1}, {100, 0, 100, 100, 3}}, 0, 0, 200, 100), {}, 1727, 863,
       {{10, 431, 1}, {1700, 431, 1}, {863, 10, 3}, {863, 800, 3}, {10, 10, 254}, {10, 432, 254}}},
      // The blue line rises to the right, the yellow one falls and is drawn last where they cross.
      {"page options", LinesDxf({{0, 0, 10, 10, 5}, {0, 10, 10, 0, 2}}, 0, 0, 10, 10), {"-w", "101", "-h300"}, 100,
       100, {{50, 50, 2}, {20, 20, 2}, {20, 80, 5}, {20, 50, 254}}},
      {"nothing to draw", "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n", {"-w", "64", "-h", "48"}, 64, 48, {}},
      // No height: one row, as wide as the page allows.
      {"flat", LinesDxf({{0, 5, 40, 5, 1}}, 0, 5, 40, 5), {"-w", "81", "-h", "48"}, 80, 1, {{40, 0, 1}}},
      {"giant coordinates", LinesDxf({{-1e300, 5, 1e300, 5, 1}, {0, 0, 10, 10, 3}}, 0, 0, 10, 10),
       {"-w", "21", "-h", "21"}, 20, 20, {{3, 10, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFile(dir.File("in.dxf"), c.dxf);
    std::vector<Picture> pictures;
    for (const char* rle : {"", "-r"}) {
      std::vector<std::string> args = c.options;
      if (*rle) args.insert(args.begin(), rle);
      args.insert(args.end(), {"in.dxf", "out.bmp"});
      auto r = RunKartex(args, dir.path());
      ASSERT_EQ(r.status, 0) << r.output;
      pictures.push_back(Decode(ReadFile(dir.File("out.bmp"))));
    }
    const Picture& p = pictures[0];
    EXPECT_EQ(p.compression, 0u);
    EXPECT_EQ(pictures[1].compression, 1u);
    EXPECT_EQ(p.index, pictures[1].index) << "plain and RLE give the same picture";
    ASSERT_EQ(p.width, c.width);
    ASSERT_EQ(p.height, c.height);
    for (const Probe& q : c.probes) EXPECT_EQ(At(p, q.x, q.y), q.index) << q.x << "," << q.y;
  }
}

TEST(DxfToBmp, ACanvasTooLargeToMakeFailsCleanly) {
  TempDir dir;
  WriteFile(dir.File("in.dxf"), LinesDxf({{0, 0, 1, 1, 1}}, 0, 0, 1, 1));
  auto r = RunKartex({"-w", "30000", "-h", "30000", "in.dxf", "out.bmp"}, dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.output.find("Kartex: error!\n"), std::string::npos);
  EXPECT_NE(r.output.find("Usage:"), std::string::npos);
  EXPECT_FALSE(testing_support::FileExists(dir.File("out.bmp")));
}

TEST(DxfToBmp, BundledSamplesConvertPlainAndRle) {
  for (const char* name : {"floor_plan", "mechanical_part"}) {
    std::string input = testing_support::BundledSamplePath(std::string(name) + ".dxf");
    TempDir dir;
    ASSERT_EQ(RunKartex({input, "plain.bmp"}, dir.path()).status, 0) << name;
    ASSERT_EQ(RunKartex({"-r", input, "rle.bmp"}, dir.path()).status, 0) << name;
    Picture plain = Decode(ReadFile(dir.File("plain.bmp")));
    Picture rle = Decode(ReadFile(dir.File("rle.bmp")));
    EXPECT_EQ(plain.index, rle.index) << name;
    EXPECT_EQ(std::max(plain.width, plain.height), plain.width == 1727 ? 1727 : 2286) << name;
    int drawn = 0;
    for (uint8_t v : plain.index) drawn += v != 254;
    EXPECT_GT(drawn, 5000) << name;
  }
}

TEST(DxfToBmp, RealWorldSamplesNeverCrash) {
  std::string folder = testing_support::SamplePath("dxf");
  if (folder.empty()) GTEST_SKIP() << "real-world samples absent";
  DIR* d = opendir(folder.c_str());
  ASSERT_NE(d, nullptr);
  int converted = 0;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name.size() < 5 || name.substr(name.size() - 4) != ".dxf") continue;
    TempDir dir;
    auto r = RunKartex({"-w", "400", "-h", "400", folder + "/" + name, "out.bmp"}, dir.path());
    EXPECT_TRUE(r.status == 0 || r.status == 255) << name << " ended with " << r.status;
    if (r.status == 0) {
      Picture p = Decode(ReadFile(dir.File("out.bmp")));
      EXPECT_LE(p.width, 400) << name;
      ++converted;
    }
  }
  closedir(d);
  EXPECT_GT(converted, 10);
}

}  // namespace
