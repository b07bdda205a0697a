// The display list of each fixture as readable text, against a reviewed copy
// beside it. Set KARTEX_REGENERATE=1 to rewrite the copies, then review the diff.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "readers/emf/emf.h"
#include "render/colours.h"
#include "tests/support/support.h"

namespace {

std::string Dump(const Drawing& d) {
  std::string s;
  char line[256];
  std::snprintf(line, sizeof line, "extents %.6g %.6g %.6g %.6g\n", d.extMin.x, d.extMin.y, d.extMax.x, d.extMax.y);
  s += line;
  for (int i = 1; i < d.textStyles.count; ++i) s += "style " + std::string(d.textStyles[i].face) + "\n";
  const ColourRef* table = CurrentColourTable();
  for (const Polyline& p : d.entities.polylines) {
    std::snprintf(line, sizeof line, "polyline colour %06X type %d filled %d width %.6g:", table[p.colour], p.lineType,
                  p.filled, p.width);
    s += line;
    for (const WorldPoint& q : p.points) {
      std::snprintf(line, sizeof line, " %.6g,%.6g", q.x, q.y);
      s += line;
    }
    s += "\n";
  }
  for (const TextItem& t : d.entities.texts) {
    std::snprintf(line, sizeof line, "text colour %06X style %d height %.6g angle %.6g at %.6g,%.6g: ", table[t.colour],
                  t.style, t.height, t.rotation, t.x, t.y);
    s += line + std::string(d.entities.pool.data + t.text) + "\n";
  }
  return s;
}

TEST(EmfDump, FixturesGiveTheReviewedDisplayLists) {
  for (const char* name : {"lines-and-text", "shapes", "state-and-transforms"}) {
    std::string path = testing_support::DataPath(std::string("emf/") + name);
    UseBuiltInColourTable();
    Drawing d{};
    ASSERT_EQ(emf_proc((path + ".emf").c_str(), &d), 1) << name;
    std::string dump = Dump(d);
    DrawingFree(&d);
    if (std::getenv("KARTEX_REGENERATE")) testing_support::WriteFile(path + ".txt", dump);
    EXPECT_EQ(dump, testing_support::ReadText(path + ".txt")) << name;
  }
}

}  // namespace
