#include "writers/vector/dxf_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <numbers>
#include <string>

#include "tests/support/support.h"
#include "tests/writers/vector/builder.h"
#include "writers/vector/vml.h"

namespace {

using namespace vector_test;
using testing_support::ReadText;
using testing_support::TempDir;

constexpr double kPi = std::numbers::pi;

std::string Write(Drawing& d) {
  TempDir dir;
  EXPECT_EQ(WriteDxf(d, dir.File("out.dxf").c_str()), 1);
  return ReadText(dir.File("out.dxf"));
}

// The whole file against a reviewed copy in tests/data/vector. Set
// KARTEX_REGENERATE=1 to rewrite the copies, then review the diff.
void ExpectGolden(Drawing& d, const std::string& name) {
  std::string path = testing_support::DataPath("vector/" + name), file = Write(d);
  if (std::getenv("KARTEX_REGENERATE")) testing_support::WriteFile(path, file);
  EXPECT_EQ(file, ReadText(path)) << name;
}

TEST(DxfWriter, EmptyDrawingIsACompleteFile) {
  OwnedDrawing o;
  o.d.extMin = {0, -2.5};
  o.d.extMax = {1234567, 0.0001};
  ExpectGolden(o.d, "empty.dxf");
}

TEST(DxfWriter, ColoursAndLineTypesAreResolved) {
  OwnedDrawing o;
  Drawing& d = o.d;
  int32_t dashed = AddLineType(d, "DASHED\n", 1);
  int32_t dotted = AddLineType(d, "DOT\n", 2);
  int32_t dashDot = AddLineType(d, "DD\n", 3);
  int32_t odd = AddLineType(d, "ODD\n", 9);
  int32_t green = AddLayer(d, "G\n", 3, dashed);
  AddPolyline(d.entities, {{1, 2.5}}, 0, green);             // layer colour and line type
  AddPolyline(d.entities, {}, 256, green, dotted, 0.25);     // no points; colour as is
  AddPolyline(d.entities, {{-1e-7, 1e20}}, -4, 0, dashDot);  // rounds to -0.000000
  AddPolyline(d.entities, {}, 1, 0, odd, 1234567);
  // Layer colour and line type; no points; rounding to -0.000000; a width in %g.
  ExpectGolden(d, "colours-and-linetypes.dxf");
}

TEST(DxfWriter, TextsAndInsertsInDegreesWithTheirStyle) {
  OwnedDrawing o;
  Drawing& d = o.d;
  int32_t style = AddStyle(d, "ROMAN\n", "Times");
  int32_t layer = AddLayer(d, "L\n", 5);
  int32_t block = AddBlock(d, "B\n");
  AddText(d.entities, "first", 0.00001, 100000, 2.5, 0, 0, kPi / 2);
  d.entities.texts[0].layer = layer;
  AddText(d.entities, "second", -3, 1e6, 0.1, 2, style);
  AddInsert(d, block, 10, 20, 2, 0.5, -kPi / 6);  // stored clockwise: 30 degrees counter-clockwise
  AddInsert(d, block, 0, 0, 1, 1, 0);
  ExpectGolden(d, "texts-and-inserts.dxf");
  // The names lose their line end in the Drawing itself; nothing else changes.
  EXPECT_STREQ(d.textStyles[style].name, "ROMAN");
  EXPECT_STREQ(d.blocks[block].name, "B");
  EXPECT_STREQ(d.layers[layer].name, "L\n");
}

TEST(DxfWriter, BlocksUseTheirOwnPoolAndTheShortGroupCode) {
  OwnedDrawing o;
  Drawing& d = o.d;
  AddText(d.entities, "model text", 0, 0, 1);
  int32_t plain = AddBlock(d, "PLAIN");
  int32_t block = AddBlock(d, "PART\n");
  EntitySet& set = d.blocks[block].entities;
  PoolAppend(set.pool, "padding");  // the text's offset 8 means "xt" in the model's pool
  AddPolyline(set, {{0, 0}, {1, 1}}, 0);
  AddText(set, "in block", 0, 0, 1);
  AddInsert(d, plain, 0, 0, 1, 1, 0);
  ExpectGolden(d, "blocks.dxf");
}

TEST(DxfWriter, ControlCharactersCannotSplitAValueLine) {
  OwnedDrawing o;
  Drawing& d = o.d;
  int32_t style = AddStyle(d, "S\rT\n", "");
  int32_t block = AddBlock(d, "TWO\nLINES\n");
  AddText(d.blocks[block].entities, "x", 0, 0, 1);
  AddText(d.entities, "a\nb\r\nc\td^e\x01", 0, 0, 1, 7, style);
  AddInsert(d, block, 0, 0, 1, 1, 0);
  std::string file = Write(d);
  EXPECT_NE(file.find(Crlf("  7\nS^MT\n  1\na^Jb^M^Jc^Id^ e^A\n")), std::string::npos);
  EXPECT_NE(file.find(Crlf("  0\nBLOCK\n  8\n0\n  2\nTWO^JLINES\n")), std::string::npos);
  EXPECT_NE(file.find(Crlf("  0\nINSERT\n  8\n0\n  2\nTWO^JLINES\n")), std::string::npos);
  // Every line of the file ends in CR LF, and no CR stands alone.
  size_t pairs = 0;
  for (size_t i = 0; i + 1 < file.size(); ++i) pairs += file[i] == '\r' && file[i + 1] == '\n';
  EXPECT_EQ(size_t(std::count(file.begin(), file.end(), '\n')), pairs);
  EXPECT_EQ(size_t(std::count(file.begin(), file.end(), '\r')), pairs);
}

TEST(VectorWriters, FailuresAreReported) {
  OwnedDrawing o;
  AddPolyline(o.d.entities, {{0, 0}, {1, 1}});
  TempDir dir;
  EXPECT_EQ(WriteDxf(o.d, nullptr), 0);
  for (const std::string& path : {dir.File("missing/out"), std::string("/dev/full")}) {  // no folder; a full disk
    if (!testing_support::FileExists(path) && path == "/dev/full") continue;
    EXPECT_EQ(WriteDxf(o.d, path.c_str()), 0) << path;
    EXPECT_EQ(WriteVmlFile(o.d, path.c_str(), 0x404040), 0) << path;
  }
}

}  // namespace
