// The real program writing JPEG: kartex in.dxf out.jpg, with and without -q,
// checked by decoding with libjpeg against the BMP of the same drawing.
#include <gtest/gtest.h>

#include <dirent.h>

#include <string>
#include <vector>

#include "tests/support/support.h"
#include "tests/writers/raster/jpeg/jpeg_test_support.h"

namespace {

using testing_support::Le16;
using testing_support::Le32;
using testing_support::ReadFile;
using testing_support::RunKartex;
using testing_support::TempDir;
using testing_support::WriteFile;

// An uncompressed 8-bit BMP as red, green, blue bytes, top row first.
std::vector<uint8_t> BmpToRgb(const std::vector<uint8_t>& f, int* width, int* height) {
  if (f.size() < 1078 || Le16(f, 28) != 8 || Le32(f, 30) != 0) return {};
  *width = static_cast<int>(Le32(f, 18));
  *height = static_cast<int>(Le32(f, 22));
  const size_t stride = (size_t(*width) + 3) & ~size_t{3}, at = Le32(f, 10);
  std::vector<uint8_t> rgb;
  for (int y = *height - 1; y >= 0; --y) {
    for (int x = 0; x < *width; ++x) {
      const size_t entry = 54 + 4 * size_t(f.at(at + y * stride + x));
      rgb.insert(rgb.end(), {f[entry + 2], f[entry + 1], f[entry]});
    }
  }
  return rgb;
}

// A DXF of coloured LINE entities (x0, y0, x1, y1, colour) with header extents.
std::string LinesDxf(const std::vector<std::vector<double>>& lines, double x1, double y1) {
  auto g = [](int code, const std::string& v) { return std::to_string(code) + "\n" + v + "\n"; };
  auto n = [](double v) { return std::to_string(v); };
  std::string s = g(0, "SECTION") + g(2, "HEADER") + g(9, "$EXTMIN") + g(10, "0") + g(20, "0") + g(9, "$EXTMAX") +
                  g(10, n(x1)) + g(20, n(y1)) + g(0, "ENDSEC") + g(0, "SECTION") + g(2, "ENTITIES");
  for (const auto& l : lines)
    s += g(0, "LINE") + g(8, "0") + g(62, std::to_string(int(l[4]))) + g(10, n(l[0])) + g(20, n(l[1])) +
         g(11, n(l[2])) + g(21, n(l[3]));
  return s + g(0, "ENDSEC") + g(0, "EOF");
}

// Thick bands rather than hairlines, so that 4:2:0 chroma keeps their colour.
std::string BandsDxf() {
  std::vector<std::vector<double>> lines;
  for (int i = 0; i < 40; ++i) lines.push_back({0, 20 + i * 0.1, 120, 20 + i * 0.1, 1});   // red, low
  for (int i = 0; i < 40; ++i) lines.push_back({30 + i * 0.1, 0, 30 + i * 0.1, 100, 5});  // blue, left
  lines.push_back({0, 0, 200, 100, 3});
  return LinesDxf(lines, 200, 100);
}

TEST(DxfToJpeg, DecodesToThePictureTheBmpShows) {
  TempDir dir;
  WriteFile(dir.File("in.dxf"), BandsDxf());
  ASSERT_EQ(RunKartex({"in.dxf", "out.bmp"}, dir.path()).status, 0);
  auto r = RunKartex({"in.dxf", "out.jpg"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.output;
  int width = 0, height = 0;
  const std::vector<uint8_t> bmp = BmpToRgb(ReadFile(dir.File("out.bmp")), &width, &height);
  const auto jpg = jpeg_test::DecodeJpeg(ReadFile(dir.File("out.jpg")));
  ASSERT_TRUE(jpg.ok) << jpg.error;
  ASSERT_EQ(jpg.width, 1727);
  ASSERT_EQ(jpg.height, 863);
  ASSERT_EQ(width, 1727);
  EXPECT_GE(jpeg_test::Psnr(bmp, jpg.rgb), 30.0);
  // Inside the red band (y 20..24 of 100: rows 656..690) and the blue one.
  const uint8_t* red = &jpg.rgb[(size_t(675) * 1727 + 500) * 3];
  EXPECT_GT(red[0], 200);
  EXPECT_LT(red[2], 60);
  const uint8_t* blue = &jpg.rgb[(size_t(100) * 1727 + 276) * 3];
  EXPECT_LT(blue[0], 60);
  EXPECT_GT(blue[2], 200);
}

TEST(DxfToJpeg, QualityOptionScalesTheTables) {
  TempDir dir;
  WriteFile(dir.File("in.dxf"), BandsDxf());
  ASSERT_EQ(RunKartex({"-w", "200", "-h", "200", "in.dxf", "default.jpg"}, dir.path()).status, 0);
  ASSERT_EQ(RunKartex({"-q", "50", "-w", "200", "-h", "200", "in.dxf", "q50.jpg"}, dir.path()).status, 0);
  ASSERT_EQ(RunKartex({"-q100", "-w", "200", "-h", "200", "in.dxf", "q100.jpg"}, dir.path()).status, 0);
  // The first luminance entry follows the DQT marker, its length and table byte.
  auto firstEntry = [&](const char* name) {
    const auto f = ReadFile(dir.File(name));
    const long at = jpeg_test::FindMarker(f, 0xDB);
    return at < 0 ? -1 : int(f[at + 5]);
  };
  EXPECT_EQ(firstEntry("default.jpg"), 8);
  EXPECT_EQ(firstEntry("q50.jpg"), 16);
  EXPECT_EQ(firstEntry("q100.jpg"), 1);
  const auto q100 = jpeg_test::DecodeJpeg(ReadFile(dir.File("q100.jpg")));
  const auto q50 = jpeg_test::DecodeJpeg(ReadFile(dir.File("q50.jpg")));
  ASSERT_TRUE(q100.ok && q50.ok);
  EXPECT_GT(q100.width, 150);  // fitted into the 200 x 200 page
  EXPECT_LT(ReadFile(dir.File("q50.jpg")).size(), ReadFile(dir.File("q100.jpg")).size());
}

TEST(DxfToJpeg, UnwritableOutputPrintsTheEncoderMessage) {
  TempDir dir;
  WriteFile(dir.File("in.dxf"), BandsDxf());
  auto r = RunKartex({"-w", "64", "-h", "64", "in.dxf", "missing/out.jpg"}, dir.path());
  EXPECT_EQ(r.status, 255);
  EXPECT_NE(r.output.find("Invalid file name\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Usage:"), std::string::npos);
}

TEST(DxfToJpeg, SamplesDecode) {
  std::vector<std::string> inputs;
  for (const char* name : {"floor_plan.dxf", "mechanical_part.dxf"})
    inputs.push_back(testing_support::BundledSamplePath(name));
  const std::string folder = testing_support::SamplePath("dxf");
  if (!folder.empty()) {
    if (DIR* d = opendir(folder.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".dxf") inputs.push_back(folder + "/" + name);
      }
      closedir(d);
    }
  }
  int decoded = 0;
  for (const std::string& input : inputs) {
    TempDir dir;
    const bool bundled = input.find("/samples/") != std::string::npos && decoded < 2;
    std::vector<std::string> args = {input, "out.jpg"};
    if (!bundled) args = {"-w", "300", "-h", "300", input, "out.jpg"};  // keep the real-world run short
    auto r = RunKartex(args, dir.path());
    ASSERT_TRUE(r.status == 0 || r.status == 255) << input << " ended with " << r.status;
    if (r.status != 0) continue;
    const auto d = jpeg_test::DecodeJpeg(ReadFile(dir.File("out.jpg")));
    EXPECT_TRUE(d.ok) << input << ": " << d.error;
    decoded += d.ok;
  }
  EXPECT_GE(decoded, 2);
}

}  // namespace
