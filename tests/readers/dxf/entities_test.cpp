#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/readers/dxf/dxf_test_util.h"

namespace {

using dxf_test::EntitiesFile;
using dxf_test::L;
using dxf_test::Read;
using testing_support::DumpNumber;

constexpr double kPi = 3.141592653589793;

std::string Pt(const WorldPoint& p) { return "(" + DumpNumber(p.x) + "," + DumpNumber(p.y) + ")"; }

// The only polyline of a one-entity file.
struct One : Read {
  explicit One(const std::string& body) : Read(EntitiesFile(body)) {}
  const Polyline& P() const { return d.entities.polylines[0]; }
  int Count() const { return d.entities.polylines.count ? P().points.count : -1; }
  std::string At(int i) const { return Pt(P().points[i < 0 ? Count() + i : i]); }
};

TEST(LineEntity, TwoPointsAndThicknessAsWidth) {
  One r(L("0|LINE|8|0|10|0|20|0|30|0|11|10|21|0|31|0|39|2"));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.Entities(), "polyline layer 0 colour 0 linetype 0 width 2: (0,0) (10,0)\n");
}

TEST(ArcEntity, FullCircleHasFiftyPointsClockwiseFromZero) {
  One r(L("0|CIRCLE|10|0|20|0|40|1"));
  ASSERT_EQ(r.Count(), 50);
  EXPECT_EQ(r.At(0), "(1,0)");
  EXPECT_EQ(r.At(1), Pt({std::cos(-7.5 * kPi / 180), std::sin(-7.5 * kPi / 180)}));
  EXPECT_EQ(r.At(-2), "(1,0)");
  EXPECT_EQ(r.At(-1), "(1,0)");
}

TEST(ArcEntity, PointCountsAndDirection) {
  One quarter(L("0|ARC|10|0|20|0|40|1|50|0|51|90"));
  ASSERT_EQ(quarter.Count(), 14);
  EXPECT_EQ(quarter.At(0), "(0,1)");
  EXPECT_EQ(quarter.At(1), Pt({std::cos(82.5 * kPi / 180), std::sin(82.5 * kPi / 180)}));
  EXPECT_EQ(quarter.At(-2), "(1,0)");
  EXPECT_EQ(quarter.At(-1), "(1,0)");
  One through(L("0|ARC|40|1|50|350|51|10"));
  ASSERT_EQ(through.Count(), 4);
  EXPECT_EQ(through.At(2), Pt({std::cos(-5 * kPi / 180), std::sin(-5 * kPi / 180)}));
  // Negative angles keep their sweep: -90 to 0 is a quarter, 0 to -90 three
  // quarters, and -343.8 to 343.8 is 327.6 degrees, not two turns.
  for (auto [angles, count] : {std::pair{"0|51|7.5", 2}, {"0|51|15", 3}, {"0|51|5", 2}, {"30|51|30", 50},
                               {"-90|51|0", 14}, {"0|51|-90", 38}, {"-343.8|51|343.8", 45}})
    EXPECT_EQ(One(L(std::string("0|ARC|40|1|50|") + angles)).Count(), count) << angles;
  // 343.8 to -343.8 degrees: 32.4 degrees through 0, not nothing.
  One r(L("0|ARC|40|1|50|343.8|51|-343.8"));
  ASSERT_EQ(r.Count(), 6);
  EXPECT_EQ(r.At(0), Pt({std::cos(16.2 * kPi / 180), std::sin(16.2 * kPi / 180)}));
  EXPECT_EQ(r.At(-1), Pt({std::cos(343.8 * kPi / 180), std::sin(343.8 * kPi / 180)}));
}

TEST(LwPolyline, BulgeBothWays) {
  One below(L("0|LWPOLYLINE|90|2|70|0|10|0|20|0|42|1|10|2|20|0"));
  ASSERT_EQ(below.Count(), 17);
  EXPECT_EQ(below.At(0), "(0,0)");
  EXPECT_EQ(below.At(8), "(1,-1)");
  EXPECT_EQ(below.At(4), Pt({1 - std::sqrt(0.5), -std::sqrt(0.5)}));
  EXPECT_EQ(below.At(1), Pt({1 - std::cos(kPi / 16), -std::sin(kPi / 16)}));
  EXPECT_EQ(below.At(16), "(2,0)");
  for (int i = 1; i < 16; ++i) {
    const WorldPoint& p = below.P().points[i];
    EXPECT_NEAR(std::hypot(p.x - 1, p.y), 1.0, 1e-12);
    EXPECT_LT(p.y, 0);
    EXPECT_GT(p.x, below.P().points[i - 1].x);
  }
  One above(L("0|LWPOLYLINE|10|0|20|0|42|-1|10|2|20|0"));
  ASSERT_EQ(above.Count(), 17);
  EXPECT_EQ(above.At(8), "(1,1)");
  EXPECT_EQ(above.At(1), Pt({1 - std::cos(kPi / 16), std::sin(kPi / 16)}));
}

TEST(LwPolyline, ZeroBulgeCoincidentVerticesAndClosing) {
  EXPECT_EQ(One(L("0|LWPOLYLINE|10|0|20|0|42|0|10|2|20|0")).Count(), 2);
  EXPECT_EQ(One(L("0|LWPOLYLINE|10|1|20|1|42|1|10|1|20|1")).Count(), 2);
  One closed(L("0|LWPOLYLINE|70|1|43|0.5|10|0|20|0|10|1|20|0|10|1|20|1"));
  EXPECT_EQ(closed.Entities(), "polyline layer 0 colour 0 linetype 0 width 0.5: (0,0) (1,0) (1,1) (0,0)\n");
  // The last vertex's bulge rounds the closing segment: a counter-clockwise
  // half circle from (2,0) back to (0,0), through (1,1).
  One slot(L("0|LWPOLYLINE|70|1|10|0|20|0|10|2|20|0|42|1"));
  ASSERT_EQ(slot.Count(), 18);
  EXPECT_EQ(slot.At(9), "(1,1)");
  EXPECT_EQ(slot.At(-1), "(0,0)");
  // An open polyline's trailing bulge has nothing to shape.
  EXPECT_EQ(One(L("0|LWPOLYLINE|70|0|10|0|20|0|10|2|20|0|42|1")).Count(), 2);
  // A closed polyline with no vertex gains no stray point at the origin.
  EXPECT_EQ(One(L("0|LWPOLYLINE|70|1")).Count(), 0);
}

TEST(Polyline, HeaderPointIsNoVertexAndLastFlagWins) {
  One r(L("0|POLYLINE|66|1|10|5|20|5|70|1|0|VERTEX|10|0|20|0|70|0|0|VERTEX|10|3|20|0|70|0|0|VERTEX|10|3"
          "|20|4|70|0|0|SEQEND|8|0"));
  EXPECT_EQ(r.Entities(), "polyline layer 0 colour 0 linetype 0 width 0: (0,0) (3,0) (3,4)\n");
  One closed(L("0|POLYLINE|70|1|0|VERTEX|10|0|20|0|42|1|0|VERTEX|10|2|20|0|0|SEQEND"));
  ASSERT_EQ(closed.Count(), 18);
  EXPECT_EQ(closed.At(8), "(1,-1)");
  EXPECT_EQ(closed.At(-1), "(0,0)");
}

TEST(Polyline, WithoutSeqEndRunsOnAndFailsAtEndOfFile) {
  Read r(EntitiesFile(L("0|POLYLINE|0|VERTEX|10|0|20|0|0|LINE|10|1|20|1")));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.d.entities.polylines.data, nullptr);
}

TEST(SolidEntity, OutlineInStatedOrder) {
  EXPECT_EQ(One(L("0|SOLID|10|0|20|0|11|1|21|0|12|0|22|1|13|1|23|1")).Entities(),
            "polyline layer 0 colour 0 linetype 0 width 0: (0,0) (1,0) (1,1) (0,1) (0,0)\n");
  EXPECT_EQ(One(L("0|3DFACE|62|3|10|0|20|0|11|1|21|0|12|1|22|1")).Entities(),
            "polyline layer 0 colour 3 linetype 0 width 0: (0,0) (1,0) (0,0) (1,1) (0,0)\n");
}

TEST(EllipseEntity, FullAndThroughZeroFollowingDxfOrientation) {
  One full(L("0|ELLIPSE|10|1|20|1|11|2|21|0|40|0.5"));
  ASSERT_EQ(full.Count(), 50);
  EXPECT_EQ(full.At(0), "(3,1)");
  // A quarter of the parameter on, B is A turned counter-clockwise.
  EXPECT_EQ(full.At(12), "(1,2)");
  EXPECT_EQ(full.At(-1), "(3,1)");
  One part(L("0|ELLIPSE|11|1|21|0|40|1|41|5.5|42|0.5"));
  ASSERT_EQ(part.Count(), 2 + static_cast<int>((0.5 + 2 * kPi - 5.5) * 24 / kPi));
  EXPECT_EQ(part.At(0), Pt({std::cos(5.5), std::sin(5.5)}));
  EXPECT_EQ(part.At(-1), Pt({std::cos(0.5), std::sin(0.5)}));
  // A rotated major axis: the minor axis follows it.
  One turned(L("0|ELLIPSE|11|0|21|2|40|0.5|41|0|42|1.5707963267948966"));
  EXPECT_EQ(turned.At(0), "(0,2)");
  EXPECT_EQ(turned.At(-1), "(-1,0)");
}

TEST(Entities, CommonGroupsAndPassedOverKinds) {
  Read r(L("0|SECTION|2|TABLES|0|TABLE|2|LTYPE|0|LTYPE|2|DOT|73|2|49|0|49|-0.2|0|ENDTAB|0|TABLE|2|LAYER"
           "|0|LAYER|2|WALLS|62|-3|6|DOT|0|ENDTAB|0|ENDSEC") +
         EntitiesFile(L("0|POINT|10|5|20|5|0|DIMENSION|10|1|20|1|0|VERTEX|10|9|20|9|0|HATCH|10|3|20|3"
                        "|0|LINE|8|WALLS|6|BYLAYER|62|256|10|0|20|0|11|1|21|1|0|LINE|8|NOPE|6|DOT|62|-7")));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.All(),
            "extents (0,0) (1,1)\n"
            "linetype 1 \"DOT\\n\" pen 2\n"
            "layer 1 \"WALLS\\n\" colour 3 linetype 1\n"
            "polyline layer 1 colour 256 linetype 0 width 0: (0,0) (1,1)\n"
            "polyline layer 0 colour -7 linetype 1 width 0:\n");
}

TEST(Entities, HostileNumbersStayBounded) {
  for (const char* body :
       {"0|ARC|40|1|50|nan|51|1e308", "0|ARC|40|1e308|50|-1e308|51|inf", "0|ELLIPSE|11|1|41|0|42|1e308",
        "0|ELLIPSE|11|1|41|1e308|42|-1e308", "0|ELLIPSE|11|1|41|nan", "0|LWPOLYLINE|10|0|20|0|42|1e308|10|1|20|1",
        "0|LWPOLYLINE|10|0|20|0|42|nan|10|1|20|1", "0|LWPOLYLINE|10|nan|20|0|42|1|10|1|20|1",
        "0|LINE|10|1e999|20|-1e999|62|99999999999"}) {
    One r(L(body));
    ASSERT_TRUE(r.ok) << body;
    EXPECT_LE(r.Count(), 50) << body;
  }
}

}  // namespace
