#include "writers/vector/dxf_writer.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>

#include "tests/support/support.h"
#include "tests/writers/vector/builder.h"

namespace {

using testing_support::ReadText;
using testing_support::TempDir;
using vector_test::AddBlock;
using vector_test::AddInsert;
using vector_test::AddLayer;
using vector_test::AddLineType;
using vector_test::AddPolyline;
using vector_test::AddStyle;
using vector_test::AddText;
using vector_test::Between;
using vector_test::Crlf;
using vector_test::OwnedDrawing;

constexpr double kPi = std::numbers::pi;

std::string Write(Drawing& d) {
  TempDir dir;
  EXPECT_EQ(WriteDxf(d, dir.File("out.dxf").c_str()), 1);
  return ReadText(dir.File("out.dxf"));
}

// The model-space part of the file, from ENTITIES to the closing ENDSEC.
std::string Entities(const std::string& file) {
  return Between(file, Crlf("ENTITIES\n"), Crlf("  0\nENDSEC\n  0\nEOF\n"));
}

TEST(DxfWriter, EmptyDrawingIsACompleteFile) {
  OwnedDrawing o;
  o.d.extMin = {0, -2.5};
  o.d.extMax = {1234567, 0.0001};
  EXPECT_EQ(Write(o.d), ReadText(testing_support::DataPath("vector/empty.dxf")));
}

TEST(DxfWriter, ColoursAndLineTypesAreResolved) {
  OwnedDrawing o;
  Drawing& d = o.d;
  int32_t dashed = AddLineType(d, "DASHED\n", 1);
  int32_t dotted = AddLineType(d, "DOT\n", 2);
  int32_t dashDot = AddLineType(d, "DD\n", 3);
  int32_t odd = AddLineType(d, "ODD\n", 9);
  int32_t green = AddLayer(d, "G\n", 3, dashed);
  AddPolyline(d.entities, {{1, 2.5}}, 0, green);              // layer colour and line type
  AddPolyline(d.entities, {}, 256, green, dotted, 0.25);      // no points; colour as is
  AddPolyline(d.entities, {{-1e-7, 1e20}}, -4, 0, dashDot);   // rounds to -0.000000
  AddPolyline(d.entities, {}, 1, 0, odd, 1234567);
  EXPECT_EQ(Entities(Write(d)), Crlf("ENTITIES\n"
                                     "  0\nPOLYLINE\n  8\n0\n 62\n3\n  6\nDASHED\n 10\n0.0\n 20\n0.0\n"
                                     " 40\n0\n 41\n0\n 66\n1\n"
                                     "  0\nVERTEX\n  8\n0\n 62\n3\n 10\n1.000000\n 20\n2.500000\n"
                                     "  0\nSEQEND\n"
                                     "  0\nPOLYLINE\n  8\n0\n 62\n256\n  6\nDOT\n 10\n0.0\n 20\n0.0\n"
                                     " 40\n0.25\n 41\n0.25\n 66\n1\n"
                                     "  0\nSEQEND\n"
                                     "  0\nPOLYLINE\n  8\n0\n 62\n-4\n  6\nDASHDOT\n 10\n0.0\n 20\n0.0\n"
                                     " 40\n0\n 41\n0\n 66\n1\n"
                                     "  0\nVERTEX\n  8\n0\n 62\n-4\n 10\n-0.000000\n"
                                     " 20\n100000000000000000000.000000\n"
                                     "  0\nSEQEND\n"
                                     "  0\nPOLYLINE\n  8\n0\n 62\n1\n  6\nCONTINUOUS\n 10\n0.0\n 20\n0.0\n"
                                     " 40\n1.23457e+06\n 41\n1.23457e+06\n 66\n1\n"
                                     "  0\nSEQEND\n"));
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
  EXPECT_EQ(Entities(Write(d)), Crlf("ENTITIES\n"
                                     "  0\nTEXT\n  8\n0\n 10\n1e-05\n 20\n100000\n 40\n2.5\n  62\n5\n"
                                     " 50\n90\n  7\n\n  1\nfirst\n"
                                     "  0\nTEXT\n  8\n0\n 10\n-3\n 20\n1e+06\n 40\n0.1\n  62\n2\n"
                                     " 50\n0\n  7\nROMAN\n  1\nsecond\n"
                                     "  0\nINSERT\n  8\n0\n  2\nB\n 10\n10\n 20\n20\n 41\n2\n 42\n0.5\n 50\n30\n"
                                     "  0\nINSERT\n  8\n0\n  2\nB\n 10\n0\n 20\n0\n 41\n1\n 42\n1\n 50\n0\n"));
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
  std::string file = Write(d);
  EXPECT_EQ(Between(file, Crlf("  0\nBLOCK\n"), Crlf("ENDSEC\n")),
            Crlf("  0\nBLOCK\n  8\n0\n  2\nPLAIN\n 70\n0\n 10\n0.0\n 20\n0.0\n"
                 "  0\nENDBLK\n"
                 "  0\nBLOCK\n  8\n0\n  2\nPART\n 70\n0\n 10\n0.0\n 20\n0.0\n"
                 "  0\nPOLYLINE\n  8\n0\n 62\n0\n6\nCONTINUOUS\n 10\n0.0\n 20\n0.0\n 40\n0\n 41\n0\n 66\n1\n"
                 "  0\nVERTEX\n  8\n0\n 62\n0\n 10\n0.000000\n 20\n0.000000\n"
                 "  0\nVERTEX\n  8\n0\n 62\n0\n 10\n1.000000\n 20\n1.000000\n"
                 "  0\nSEQEND\n"
                 "  0\nTEXT\n  8\n0\n 10\n0\n 20\n0\n 40\n1\n  62\n7\n 50\n0\n  7\n\n  1\nin block\n"
                 "  0\nENDBLK\n  0\n"));
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
  for (size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '\n') {
      ASSERT_TRUE(i > 0 && file[i - 1] == '\r') << "bare LF at " << i;
    }
    if (file[i] == '\r') {
      ASSERT_TRUE(i + 1 < file.size() && file[i + 1] == '\n') << "bare CR at " << i;
    }
  }
}

TEST(DxfWriter, FailuresAreReported) {
  OwnedDrawing o;
  AddPolyline(o.d.entities, {{0, 0}, {1, 1}});
  TempDir dir;
  EXPECT_EQ(WriteDxf(o.d, dir.File("missing/out.dxf").c_str()), 0);
  EXPECT_EQ(WriteDxf(o.d, nullptr), 0);
  if (testing_support::FileExists("/dev/full")) {
    EXPECT_EQ(WriteDxf(o.d, "/dev/full"), 0);  // a full disk
  }
}

}  // namespace
