// DXF -> Drawing -> WriteDxf -> Drawing: the reader gets back what it read.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "readers/dxf/dxf.h"
#include "tests/support/support.h"
#include "writers/vector/dxf_writer.h"

namespace {

using testing_support::TempDir;

struct ReadDrawing {
  Drawing d{};
  ~ReadDrawing() { DrawingFree(&d); }
};

// %.6f keeps six decimals; %g six significant digits.
void ExpectFixedClose(double a, double b) { EXPECT_NEAR(a, b, 5.1e-7 + std::fabs(a) * 1e-15); }
void ExpectGeneralClose(double a, double b) { EXPECT_NEAR(a, b, 5e-6 * std::fabs(a) + 1e-300); }

// A colour that resolved to 0 (an item on a layer the file never defined) is
// written as 0, which reads back as the colour of the written layer 0.
template <typename Item>
void ExpectSameColour(const Drawing& a, const Item& ia, const Drawing& b, const Item& ib) {
  int32_t ca = ia.colour != 0 ? ia.colour : a.layers[ia.layer].colour;
  if (ca != 0) { EXPECT_EQ(ca, ib.colour != 0 ? ib.colour : b.layers[ib.layer].colour); }
}
int32_t PenStyle(const Drawing& d, const Polyline& p) {
  return d.lineTypes[p.lineType != 0 ? p.lineType : d.layers[p.layer].lineType].penStyle;
}

void ExpectSamePolylines(const Drawing& a, const EntitySet& sa, const Drawing& b, const EntitySet& sb) {
  ASSERT_EQ(sa.polylines.count, sb.polylines.count);
  for (int32_t i = 0; i < sa.polylines.count; ++i) {
    const Polyline &pa = sa.polylines[i], &pb = sb.polylines[i];
    ExpectSameColour(a, pa, b, pb);
    EXPECT_EQ(PenStyle(a, pa), PenStyle(b, pb)) << "polyline " << i;
    ExpectGeneralClose(pa.width, pb.width);
    ASSERT_EQ(pa.points.count, pb.points.count) << "polyline " << i;
    for (int32_t j = 0; j < pa.points.count; ++j) {
      ExpectFixedClose(pa.points[j].x, pb.points[j].x);
      ExpectFixedClose(pa.points[j].y, pb.points[j].y);
    }
  }
}

void ExpectSameTextsRaised(const Drawing& a, const EntitySet& sa, const Drawing& b, const EntitySet& sb) {
  ASSERT_EQ(sa.texts.count, sb.texts.count);
  for (int32_t i = 0; i < sa.texts.count; ++i) {
    const TextItem &ta = sa.texts[i], &tb = sb.texts[i];
    EXPECT_STREQ(sa.pool.data + ta.text, sb.pool.data + tb.text);
    ExpectSameColour(a, ta, b, tb);
    ExpectGeneralClose(ta.x, tb.x);
    ExpectGeneralClose(ta.y + 1.2 * ta.height, tb.y);  // the top-left corner stated as a baseline point
    ExpectGeneralClose(ta.height, tb.height);
    EXPECT_NEAR(ta.rotation, tb.rotation, 1e-5);
  }
}

// Reads `path`, writes it as DXF, reads that, and compares the two drawings.
void RoundTrip(const std::string& path, bool compareTexts) {
  TempDir dir;
  ReadDrawing first, second;
  ASSERT_EQ(dxf_proc(path.c_str(), &first.d), 1);
  ASSERT_EQ(WriteDxf(first.d, dir.File("out.dxf").c_str()), 1);
  ASSERT_EQ(dxf_proc(dir.File("out.dxf").c_str(), &second.d), 1);
  const Drawing& a = first.d;
  const Drawing& b = second.d;
  ExpectSamePolylines(a, a.entities, b, b.entities);
  if (compareTexts) ExpectSameTextsRaised(a, a.entities, b, b.entities);
  ASSERT_EQ(a.blocks.count, b.blocks.count);
  for (int32_t i = 0; i < a.blocks.count; ++i) {
    // The writer took the line end off; the reader puts it back.
    EXPECT_EQ(std::string(a.blocks[i].name) + "\n", b.blocks[i].name);
    ExpectSamePolylines(a, a.blocks[i].entities, b, b.blocks[i].entities);
    if (compareTexts) ExpectSameTextsRaised(a, a.blocks[i].entities, b, b.blocks[i].entities);
  }
  ASSERT_EQ(a.inserts.count, b.inserts.count);
  for (int32_t i = 0; i < a.inserts.count; ++i) {
    const Insert &ia = a.inserts[i], &ib = b.inserts[i];
    EXPECT_EQ(ia.block, ib.block);
    for (auto [va, vb] : {std::pair{ia.x, ib.x}, {ia.y, ib.y}, {ia.xScale, ib.xScale}, {ia.yScale, ib.yScale}})
      ExpectGeneralClose(va, vb);
    EXPECT_NEAR(ia.rotation, ib.rotation, 1e-5);
  }
}

std::string Dxf(const std::string& lines) {
  return "  0\nSECTION\n  2\nTABLES\n"
         "  0\nTABLE\n  2\nLTYPE\n 70\n2\n"
         "  0\nLTYPE\n  2\nCONTINUOUS\n 70\n0\n 73\n0\n"
         "  0\nLTYPE\n  2\nHIDDEN\n 70\n0\n 73\n2\n 40\n0.375\n 49\n0.25\n 49\n-0.125\n"
         "  0\nLTYPE\n  2\nDOTS\n 70\n0\n 73\n2\n 40\n0.25\n 49\n0.0\n 49\n-0.25\n"
         "  0\nLTYPE\n  2\nCENTER\n 70\n0\n 73\n4\n 40\n2.0\n 49\n1.25\n 49\n-0.25\n 49\n0.25\n 49\n-0.25\n"
         "  0\nENDTAB\n"
         "  0\nTABLE\n  2\nLAYER\n 70\n2\n"
         "  0\nLAYER\n  2\n0\n 70\n0\n 62\n7\n  6\nCONTINUOUS\n"
         "  0\nLAYER\n  2\nWALLS\n 70\n0\n 62\n3\n  6\nHIDDEN\n"
         "  0\nENDTAB\n  0\nENDSEC\n" +
         lines + "  0\nEOF\n";
}

TEST(DxfRoundTrip, PolylinesInsertsAndRaisedTexts) {
  TempDir dir;
  std::string path = dir.File("in.dxf");
  testing_support::WriteFile(
      path, Dxf("  0\nSECTION\n  2\nBLOCKS\n"
                "  0\nBLOCK\n  8\n0\n  2\nDOOR\n 70\n0\n 10\n0.0\n 20\n0.0\n"
                "  0\nLINE\n  8\nWALLS\n 10\n0\n 20\n0\n 11\n1\n 21\n2\n"
                "  0\nARC\n  8\n0\n 62\n5\n  6\nCENTER\n 10\n0\n 20\n0\n 40\n1\n 50\n0\n 51\n90\n"
                "  0\nTEXT\n  8\n0\n 10\n0.5\n 20\n0.25\n 40\n0.2\n  1\nD1\n"
                "  0\nENDBLK\n  0\nENDSEC\n"
                "  0\nSECTION\n  2\nENTITIES\n"
                "  0\nLWPOLYLINE\n  8\nWALLS\n 90\n3\n 70\n1\n 43\n0.5\n 10\n0\n 20\n0\n 10\n100\n 20\n0\n"
                " 42\n0.5\n 10\n100\n 20\n50\n"
                "  0\nCIRCLE\n  8\n0\n 62\n256\n  6\nDOTS\n 10\n50\n 20\n25\n 40\n10\n"
                "  0\nPOLYLINE\n  8\n0\n 66\n1\n  0\nSEQEND\n"
                "  0\nTEXT\n  8\nWALLS\n 10\n10\n 20\n20\n 40\n2.5\n 50\n90\n  1\nLabel %%d\n"
                "  0\nINSERT\n  8\n0\n  2\nDOOR\n 10\n10\n 20\n20\n 41\n2\n 42\n0.5\n 50\n30\n"
                "  0\nINSERT\n  8\n0\n  2\nDOOR\n 10\n-5\n 20\n7.25\n"
                "  0\nENDSEC\n"));
  RoundTrip(path, true);
}

// Every real DXF sample the reader accepts comes back with the same polylines,
// blocks and inserts. Texts are left out: MTEXT codes the reader resolved the
// first time can leave text that reads as a code the second time.
TEST(DxfRoundTrip, RealSamples) {
  std::string folder = testing_support::SamplePath("dxf");
  if (folder.empty()) GTEST_SKIP() << "no samples";
  int read = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string path = entry.path().string();
    ReadDrawing probe;
    if (dxf_proc(path.c_str(), &probe.d) != 1) continue;
    ++read;
    SCOPED_TRACE(path);
    RoundTrip(path, false);
  }
  EXPECT_GT(read, 10);
}

}  // namespace
