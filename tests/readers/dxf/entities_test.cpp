#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "tests/readers/dxf/dxf_test_util.h"

namespace {

using dxf_test::EntitiesFile;
using dxf_test::L;
using dxf_test::Read;
using testing_support::DumpNumber;

constexpr double kPi = std::numbers::pi;

std::string Pt(const WorldPoint& p) { return "(" + DumpNumber(p.x) + "," + DumpNumber(p.y) + ")"; }
WorldPoint Deg(double a) { return {std::cos(a * kPi / 180), std::sin(a * kPi / 180)}; }

// The only polyline of a one-entity file.
struct One : Read {
  explicit One(const std::string& body) : Read(EntitiesFile(L(body))) {}
  const Polyline& P() const { return d.entities.polylines[0]; }
  int Count() const { return d.entities.polylines.count ? P().points.count : -1; }
  std::string At(int i) const { return Pt(P().points[i < 0 ? Count() + i : i]); }
};

TEST(Entities, WholeDumps) {
  const std::pair<const char*, const char*> cases[] = {
      {"0|LWPOLYLINE|70|1|43|0.5|10|0|20|0|10|1|20|0|10|1|20|1",
       "polyline layer 0 colour 0 linetype 0 width 0.5: (0,0) (1,0) (1,1) (0,0)\n"},
      // The header point is no vertex, and the last flag wins.
      {"0|POLYLINE|66|1|10|5|20|5|70|1|0|VERTEX|10|0|20|0|70|0|0|VERTEX|10|3|20|0|70|0|0|VERTEX|10|3|20|4|70|0"
       "|0|SEQEND|8|0",
       "polyline layer 0 colour 0 linetype 0 width 0: (0,0) (3,0) (3,4)\n"},
      {"0|3DFACE|62|3|10|0|20|0|11|1|21|0|12|1|22|1|13|0|23|1",  // a face goes round, not zigzag
       "polyline layer 0 colour 3 linetype 0 width 0: (0,0) (1,0) (1,1) (0,1) (0,0)\n"},
  };
  for (auto [body, dump] : cases) {
    One r(body);
    ASSERT_TRUE(r.ok) << body;
    EXPECT_EQ(r.Entities(), dump) << body;
  }
}

// Curves: point counts (-1: not checked) and chosen points, exactly.
TEST(Entities, CurvePointsAndCounts) {
  const double s = std::sqrt(0.5), c16 = std::cos(kPi / 16), s16 = std::sin(kPi / 16);
  struct Case {
    const char* body;
    int count;
    std::vector<std::pair<int, WorldPoint>> at;  // negative: from the end
  } const cases[] = {
      // Arcs run clockwise from the end angle to the start angle, a point per 7.5
      // degrees, the last point twice.
      {"0|ARC|10|0|20|0|40|1|50|0|51|90", 14, {{0, {0, 1}}, {1, Deg(82.5)}, {-2, {1, 0}}, {-1, {1, 0}}}},
      {"0|ARC|40|1|50|0|51|7.5", 2, {}},
      {"0|ARC|40|1|50|0|51|15", 3, {}},
      {"0|ARC|40|1|50|30|51|30", 50, {}},
      // Negative angles keep their sweep: -90 to 0 is a quarter, 0 to -90 three
      // quarters, -343.8 to 343.8 is 327.6 degrees (not two turns) and 343.8 to
      // -343.8 is 32.4 degrees through 0 (not nothing).
      {"0|ARC|40|1|50|-90|51|0", 14, {}},
      {"0|ARC|40|1|50|0|51|-90", 38, {}},
      {"0|ARC|40|1|50|-343.8|51|343.8", 45, {}},
      {"0|ARC|40|1|50|343.8|51|-343.8", 6, {{0, Deg(16.2)}, {-1, Deg(343.8)}}},
      // Bulges: 1 bends below the chord, -1 above; 16 steps per half circle.
      {"0|LWPOLYLINE|90|2|70|0|10|0|20|0|42|1|10|2|20|0",
       17,
       {{0, {0, 0}}, {1, {1 - c16, -s16}}, {4, {1 - s, -s}}, {8, {1, -1}}, {16, {2, 0}}}},
      {"0|LWPOLYLINE|10|0|20|0|42|-1|10|2|20|0", 17, {{1, {1 - c16, s16}}, {8, {1, 1}}}},
      {"0|LWPOLYLINE|10|0|20|0|42|0|10|2|20|0", 2, {}},
      {"0|LWPOLYLINE|10|1|20|1|42|1|10|1|20|1", 2, {}},  // coincident vertices
      // The last vertex's bulge rounds the closing segment back to (0,0) through
      // (1,1); an open polyline's trailing bulge has nothing to shape.
      {"0|LWPOLYLINE|70|1|10|0|20|0|10|2|20|0|42|1", 18, {{9, {1, 1}}, {-1, {0, 0}}}},
      {"0|LWPOLYLINE|70|1", 0, {}},  // no stray point at the origin
      // Ellipses: a quarter of the parameter on, B is A turned counter-clockwise;
      // a rotated major axis takes the minor axis with it.
      {"0|ELLIPSE|10|1|20|1|11|2|21|0|40|0.5", 50, {{0, {3, 1}}, {12, {1, 2}}, {-1, {3, 1}}}},
      {"0|ELLIPSE|11|0|21|2|40|0.5|41|0|42|1.5707963267948966", -1, {{0, {0, 2}}, {-1, {-1, 0}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    One r(c.body);
    ASSERT_TRUE(r.ok);
    if (c.count >= 0) { ASSERT_EQ(r.Count(), c.count); }
    for (auto [i, p] : c.at) EXPECT_EQ(r.At(i), Pt(p)) << i;
  }
  One below("0|LWPOLYLINE|10|0|20|0|42|1|10|2|20|0");  // every step on the circle, left to right
  for (int i = 1; i < 16; ++i) {
    const WorldPoint& p = below.P().points[i];
    EXPECT_NEAR(std::hypot(p.x - 1, p.y), 1.0, 1e-12);
    EXPECT_LT(p.y, 0);
    EXPECT_GT(p.x, below.P().points[i - 1].x);
  }
}

// What is not drawn is counted by kind, in the order first met.
TEST(Entities, SkippedKindsAreCounted) {
  Read r(EntitiesFile(L("0|POINT|10|1|20|1|0|HATCH|0|  HATCH|0|LINE|11|1|21|1|0|VERTEX")));
  ASSERT_TRUE(r.ok);
  std::string counts;
  for (int i = 0; i < r.report.skippedKinds; ++i)
    counts += std::string(r.report.skipped[i].name) + "=" + std::to_string(r.report.skipped[i].count) + " ";
  EXPECT_EQ(counts, "POINT=1 HATCH=2 VERTEX=1 ");
}

TEST(Polyline, WithoutSeqEndRunsOnAndFailsAtEndOfFile) {
  Read r(EntitiesFile(L("0|POLYLINE|0|VERTEX|10|0|20|0|0|LINE|10|1|20|1")));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.d.entities.polylines.data, nullptr);
}

TEST(Entities, HostileNumbersStayBounded) {
  for (const char* body : {"0|ARC|40|1|50|nan|51|1e308", "0|ARC|40|1e308|50|-1e308|51|inf",
                           "0|ELLIPSE|11|1|41|0|42|1e308", "0|ELLIPSE|11|1|41|1e308|42|-1e308", "0|ELLIPSE|11|1|41|nan",
                           "0|LWPOLYLINE|10|0|20|0|42|1e308|10|1|20|1", "0|LWPOLYLINE|10|0|20|0|42|nan|10|1|20|1",
                           "0|LWPOLYLINE|10|nan|20|0|42|1|10|1|20|1", "0|LINE|10|1e999|20|-1e999|62|99999999999"}) {
    One r(body);
    ASSERT_TRUE(r.ok) << body;
    EXPECT_LE(r.Count(), 50) << body;
  }
}

}  // namespace
