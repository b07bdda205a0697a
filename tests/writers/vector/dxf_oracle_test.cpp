// An independent DXF reader (Debian's python3-ezdxf) reads what WriteDxf wrote.
#include <gtest/gtest.h>

#include <numbers>
#include <string>

#include "tests/support/python.h"
#include "tests/support/support.h"
#include "tests/writers/vector/builder.h"
#include "writers/vector/dxf_writer.h"

namespace {

using namespace vector_test;
using testing_support::TempDir;

// Prints the audit's errors, then one line per entity of every layout.
constexpr char kSummary[] =
    "import sys, ezdxf\n"
    "doc = ezdxf.readfile(sys.argv[1])\n"
    "print('errors', len(doc.audit().errors))\n"
    "for blk in doc.blocks:\n"
    "    for e in blk:\n"
    "        d, t = e.dxf, e.dxftype()\n"
    "        line = [blk.name, t, d.layer, d.color]\n"
    "        if t == 'POLYLINE': line += [d.linetype, d.default_start_width] + [(v.x, v.y) for v in e.points()]\n"
    "        if t == 'TEXT': line += [d.text, d.insert.x, d.insert.y, d.height, round(d.rotation, 6)]\n"
    "        if t == 'INSERT': line += [d.name, d.insert.x, d.insert.y, d.xscale, d.yscale, round(d.rotation, 6)]\n"
    "        print(*line)\n";

TEST(DxfOracle, EzdxfReadsEveryKindOfRecord) {
  if (!testing_support::HavePythonModule("ezdxf")) GTEST_SKIP() << "python3-ezdxf is absent";
  OwnedDrawing o;
  Drawing& d = o.d;
  int32_t dashed = AddLineType(d, "DASHED\n", 1);
  int32_t layer = AddLayer(d, "L\n", 3, dashed);
  int32_t block = AddBlock(d, "PART\n");
  AddPolyline(d.blocks[block].entities, {{0, 0}, {1, 1}}, 0, layer);
  AddText(d.blocks[block].entities, "two\nlines", 0.5, 0, 1, 2);
  AddPolyline(d.entities, {{0, 0}, {10, 0}, {10, 10}, {0, 0}}, 1, 0, AddLineType(d, "DOT\n", 2), 0.5);
  AddText(d.entities, "hello", 1, 2, 3, 4, 0, std::numbers::pi / 2);
  AddInsert(d, block, 5, 6, 2, 3, -std::numbers::pi / 6);
  d.extMin = {0, 0};
  d.extMax = {10, 10};
  TempDir dir;
  ASSERT_EQ(WriteDxf(d, dir.File("out.dxf").c_str()), 1);
  EXPECT_EQ(testing_support::RunPython(dir.path(), kSummary, dir.File("out.dxf")),
            "errors 0\n"
            "*Model_Space POLYLINE 0 1 DOT 0.5 (0.0, 0.0) (10.0, 0.0) (10.0, 10.0) (0.0, 0.0)\n"
            "*Model_Space TEXT 0 4 hello 1.0 2.0 3.0 90.0\n"
            "*Model_Space INSERT 0 256 PART 5.0 6.0 2.0 3.0 30.0\n"
            "PART POLYLINE 0 3 DASHED 0.0 (0.0, 0.0) (1.0, 1.0)\n"
            "PART TEXT 0 2 two^Jlines 0.5 0.0 1.0 0.0\n");
}

}  // namespace
