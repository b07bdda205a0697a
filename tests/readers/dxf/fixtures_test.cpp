// Each fixture under tests/data/dxf read and compared with the dump beside it
// (name.dxf, name.dump). Set KARTEX_REGENERATE=1 to rewrite the dumps, then
// review the diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "readers/dxf/dxf.h"
#include "tests/readers/dxf/dxf_test_util.h"

namespace {

namespace fs = std::filesystem;

TEST(Fixtures, MatchTheirDumps) {
  const bool regenerate = std::getenv("KARTEX_REGENERATE") != nullptr;
  int seen = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(testing_support::DataPath("dxf"))) {
    if (e.path().extension() != ".dxf") continue;
    ++seen;
    Drawing d;
    ASSERT_EQ(dxf_proc(e.path().c_str(), &d), 1) << e.path();
    const std::string dump = testing_support::DumpDrawing(d);
    DrawingFree(&d);
    fs::path expected = e.path();
    expected.replace_extension(".dump");
    if (regenerate) testing_support::WriteFile(expected.string(), dump);
    EXPECT_EQ(dump, testing_support::ReadText(expected.string())) << e.path();
  }
  EXPECT_GE(seen, 13);
}

TEST(Fixtures, PointListsAreExactlySized) {
  std::string blocks;
  for (int i = 0; i < 50; ++i) blocks += "0\nBLOCK\n2\nB" + std::to_string(i) + "\n0\nLINE\n11\n1\n21\n1\n0\nENDBLK\n";
  dxf_test::Read r(dxf_test::Section("BLOCKS", blocks) +
                   dxf_test::EntitiesFile(dxf_test::L("0|LINE|11|1|21|1|0|CIRCLE|40|1|0|POINT")));
  ASSERT_TRUE(r.ok);
  for (const Polyline& p : r.d.entities.polylines) EXPECT_EQ(p.points.capacity, p.points.count);
  ASSERT_EQ(r.d.blocks.count, 50);
  for (const Block& b : r.d.blocks) {
    EXPECT_EQ(b.entities.polylines.capacity, 1);
    EXPECT_EQ(b.entities.texts.data, nullptr);
  }
}

}  // namespace
