#include "readers/emf/emf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "readers/emf/emf_state.h"
#include "render/colours.h"
#include "tests/support/metafile_writer.h"
#include "tests/support/support.h"

using testing_support::EmfWriter;
using testing_support::FloatBits;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Result {
  int ok;
  std::string output;
  Drawing drawing;
};

// Translates `bytes` written to a file; the caller frees the drawing.
Result Translate(const std::vector<uint8_t>& bytes) {
  testing_support::TempDir dir;
  std::string path = dir.File("in.emf");
  testing_support::WriteFile(path, bytes);
  Result r{};
  UseBuiltInColourTable();
  testing::internal::CaptureStdout();
  r.ok = emf_proc(path.c_str(), &r.drawing);
  r.output = testing::internal::GetCapturedStdout();
  return r;
}

// A 100 x 100 picture: logical units map one to one, y turned about 100.
EmfWriter Picture() {
  EmfWriter w;
  w.Header(0, 0, 100, 100);
  return w;
}

struct Translated {
  Result r;
  explicit Translated(const EmfWriter& w) : r(Translate(w.Bytes())) {}
  ~Translated() { DrawingFree(&r.drawing); }
  const GrowArray<Polyline>& lines() const { return r.drawing.entities.polylines; }
  const GrowArray<TextItem>& texts() const { return r.drawing.entities.texts; }
  const char* text(int i) const { return r.drawing.entities.pool.data + texts()[i].text; }
};

void ExpectPoint(const WorldPoint& p, double x, double y) {
  EXPECT_NEAR(p.x, x, 1e-9);
  EXPECT_NEAR(p.y, y, 1e-9);
}

TEST(EmfProc, FileFailuresReportAndLeaveTheDrawingEmpty) {
  Drawing d{};
  testing::internal::CaptureStdout();
  EXPECT_EQ(emf_proc("/nonexistent/x.emf", &d), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to fopen /nonexistent/x.emf\n");
  EXPECT_EQ(d.lineTypes.data, nullptr);

  EmfWriter noEof = Picture();
  noEof.MoveTo(0, 0).LineTo(5, 5).Points(4, {1, 1, 2, 2});
  Translated t(noEof);
  EXPECT_EQ(t.r.ok, 0);
  EXPECT_EQ(t.r.output, "Unable to emf_proc\n");
  EXPECT_EQ(t.r.drawing.entities.polylines.count, 0);
  EXPECT_EQ(t.r.drawing.lineTypes.data, nullptr);
}

TEST(EmfProc, BadRecordSizesFail) {
  auto withHead = [](uint32_t type, uint32_t size) {
    EmfWriter w = Picture();
    std::vector<uint8_t> head = {static_cast<uint8_t>(type), 0, 0, 0};
    for (int i = 0; i < 4; ++i) head.push_back((size >> (8 * i)) & 0xFF);
    w.Raw(head).Raw(std::vector<uint8_t>(64, 0)).Eof();
    return w;
  };
  for (uint32_t size : {0u, 4u, 10u, 0x80000000u, 0xFFFFFFFCu}) {
    Translated t(withHead(70, size));
    EXPECT_EQ(t.r.ok, 0) << size;
    EXPECT_EQ(t.r.output, "Unable to emf_proc\n");
  }
  // A size that fits the file exactly (the unknown record swallows the EOF) still needs EMR_EOF.
  Translated swallowed(withHead(70, 8 + 64 + 20));
  EXPECT_EQ(swallowed.r.ok, 0);
  // A truncated head.
  EmfWriter cut = Picture();
  cut.Raw({14, 0, 0});
  EXPECT_EQ(Translated(cut).r.ok, 0);
}

TEST(EmfProc, RecordsOfEverySizeAreInterpreted) {
  // 1016 bytes (123 points and a spare word), 1020, and a 500-point polyline.
  for (int points : {123, 124, 500}) {
    std::vector<int32_t> words = {0, 0, 0, 0, points};
    for (int i = 0; i < points; ++i) words.insert(words.end(), {i, i % 7});
    if (points == 123) words.push_back(0);
    EmfWriter w = Picture();
    w.Record(4, words).Eof();
    ASSERT_EQ(testing_support::Le32(w.Bytes(), 92), points == 123 ? 1016u : 28u + 8 * points);
    Translated t(w);
    ASSERT_EQ(t.r.ok, 1);
    ASSERT_EQ(t.lines().count, 1);
    EXPECT_EQ(t.lines()[0].points.count, points);
    ExpectPoint(t.lines()[0].points[points - 1], points - 1, 100 - (points - 1) % 7);
  }
}

TEST(EmfProc, CountsAreTrustedOnlyAsFarAsTheRecordHoldsThem) {
  EmfWriter w = Picture();
  w.Record(4, {0, 0, 0, 0, 1000000, 1, 2, 3, 4}).Record(86, {0, 0, 0, 0, 0x7FFFFFFF}).Eof();
  Translated t(w);
  ASSERT_EQ(t.lines().count, 2);
  EXPECT_EQ(t.lines()[0].points.count, 2);
  EXPECT_EQ(t.lines()[1].points.count, 0);
}

TEST(EmfProc, Figures) {
  EmfWriter w = Picture();
  w.LineTo(5, 5).Points(6, {1, 1});  // no move-to yet: nothing
  w.MoveTo(1, 2);                    // dropped: one point only
  w.MoveTo(10, 20).LineTo(30, 40).Points(6, {50, 60, 70, 80});
  w.MoveTo(7, 7).Eof();
  Translated t(w);
  ASSERT_EQ(t.r.ok, 1);
  ASSERT_EQ(t.lines().count, 1);
  const Polyline& line = t.lines()[0];
  ASSERT_EQ(line.points.count, 4);
  ExpectPoint(line.points[0], 10, 80);
  ExpectPoint(line.points[3], 70, 20);
  EXPECT_EQ(line.filled, 0);
  EXPECT_EQ(line.lineType, 1);

  EmfWriter two = Picture();
  two.MoveTo(1, 1).LineTo(2, 2).Eof();
  EXPECT_EQ(Translated(two).lines().count, 1);
}

TEST(EmfProc, TextEndsAFigureOnlyWhenItHasASegment) {
  EmfWriter w = Picture();
  w.MoveTo(1, 1).TextA(0, 0, "a").LineTo(2, 2).TextA(0, 0, "b").LineTo(3, 3).Eof();
  Translated t(w);
  ASSERT_EQ(t.lines().count, 1);
  EXPECT_EQ(t.lines()[0].points.count, 2);
  EXPECT_EQ(t.texts().count, 2);
}

TEST(EmfProc, PolygonsCloseAndFill) {
  EmfWriter w = Picture();
  w.Points(3, {0, 0, 10, 0, 10, 10}).Points16(86, {1, 2, 3, 4}).Points16(87, {-1, -2, 5, 6}).Eof();
  Translated t(w);
  ASSERT_EQ(t.lines().count, 3);
  const Polyline& p = t.lines()[0];
  ASSERT_EQ(p.points.count, 4);
  EXPECT_EQ(p.filled, 1);
  ExpectPoint(p.points[3], 0, 100);
  EXPECT_EQ(t.lines()[1].points.count, 3);
  EXPECT_EQ(t.lines()[2].filled, 0);
  ExpectPoint(t.lines()[2].points[0], -1, 102);
}

TEST(EmfProc, RectanglesAndEllipses) {
  EmfWriter w = Picture();
  w.Record(43, {10, 20, 30, 40}).Record(42, {0, 0, 40, 20}).Eof();
  Translated t(w);
  ASSERT_EQ(t.lines().count, 2);
  const Polyline& rect = t.lines()[0];
  ASSERT_EQ(rect.points.count, 5);
  EXPECT_EQ(rect.filled, 1);
  ExpectPoint(rect.points[1], 30, 80);
  ExpectPoint(rect.points[2], 30, 60);
  const Polyline& e = t.lines()[1];
  ASSERT_EQ(e.points.count, 50);
  EXPECT_EQ(e.filled, 0);
  ExpectPoint(e.points[0], 40, 90);     // angle 0: middle of the right side
  // Truncation toward zero moves points a hair short of an axis by one unit.
  EXPECT_NEAR(e.points[12].x, 20, 1);  // 90 degrees: bottom (y down in the file)
  EXPECT_DOUBLE_EQ(e.points[12].y, 80);
  EXPECT_NEAR(e.points[48].y, 90, 1);  // the last two at a full turn
  ExpectPoint(e.points[49], e.points[48].x, e.points[48].y);
  EXPECT_DOUBLE_EQ(e.points[49].x, 40);
}

TEST(EmfProc, ArcsRunFromEndToStartAndChordsFill) {
  // Box 0..40 square, centre (20, 20): start at angle 90 (0, 40 below), end at angle 0.
  EmfWriter w = Picture();
  w.Record(45, {0, 0, 40, 40, 20, 40, 40, 20}).Record(47, {0, 0, 40, 40, 20, 40, 40, 20});
  w.Record(46, {0, 0, 40, 40, 40, 20, 40, 20}).Eof();
  Translated t(w);
  ASSERT_EQ(t.lines().count, 3);
  const Polyline& arc = t.lines()[0];
  ASSERT_EQ(arc.points.count, 14);  // sweep 90 degrees: n = 13
  ExpectPoint(arc.points[0], 40, 80);
  ExpectPoint(arc.points[13], 20, 60);
  EXPECT_EQ(arc.filled, 0);
  EXPECT_EQ(t.lines()[1].filled, 1);
  EXPECT_EQ(t.lines()[1].points.count, 14);  // no centre point
  EXPECT_EQ(t.lines()[2].points.count, 50);  // equal angles: a full turn
}

TEST(EmfProc, PenStylesGiveLineTypesAndBrushesSetTheColour) {
  EmfWriter w = Picture();
  w.Pen(1, 1, 0, 0x0000FF).Pen(2, 5, 0, 0x00FF00).Pen(3, 2, 3, 0x00FF00).Brush(4, 0xFF0000);
  w.Select(1).Points(4, {0, 0, 1, 1});
  w.Select(2).Points(4, {0, 0, 1, 1});
  w.Select(3).Select(4).Points(4, {0, 0, 1, 1}).Eof();
  Translated t(w);
  ASSERT_EQ(t.r.drawing.lineTypes.count, 5);
  EXPECT_STREQ(t.r.drawing.lineTypes[2].name, "DASH");
  EXPECT_STREQ(t.r.drawing.lineTypes[4].name, "DASHDOT");
  EXPECT_EQ(t.r.drawing.lineTypes[4].penStyle, 3);
  ASSERT_EQ(t.lines().count, 3);
  EXPECT_EQ(t.lines()[0].lineType, 2);
  EXPECT_EQ(t.lines()[1].lineType, 2);  // null pen: only the low two bits count
  EXPECT_EQ(t.lines()[2].lineType, 3);
  EXPECT_DOUBLE_EQ(t.lines()[2].width, 3);
  EXPECT_EQ(t.lines()[0].colour, 1);
  EXPECT_EQ(t.lines()[1].colour, 2);
  EXPECT_EQ(t.lines()[2].colour, 3);  // the brush selected after the pen
  const ColourRef* table = CurrentColourTable();
  EXPECT_EQ(table[0], 0u);
  EXPECT_EQ(table[1], 0x0000FFu);
  EXPECT_EQ(table[2], 0x00FF00u);
  EXPECT_EQ(table[3], 0xFF0000u);
}

TEST(EmfProc, ObjectsOutOfRangeAndDeletedAreIgnored) {
  EmfWriter w;
  w.Header(0, 0, 100, 100, 2);
  w.Pen(1, 2, 0, 0x123456).Pen(2, 1, 0, 0x654321).Pen(0xFFFFFFF, 1, 0, 0);
  w.Select(2).Select(0x7FFFFFFF).Select(1).Record(40, {1}).Record(40, {static_cast<int32_t>(0x80000007)});
  w.Select(1).Points(4, {0, 0, 1, 1});
  w.Select(0x80000006).Points(4, {0, 0, 1, 1}).Eof();
  Translated t(w);
  ASSERT_EQ(t.lines().count, 2);
  EXPECT_EQ(t.lines()[0].lineType, 3);  // slot 1's pen stays selected after its deletion
  EXPECT_EQ(t.lines()[0].colour, 2);
  EXPECT_EQ(t.lines()[1].lineType, 1);  // white stock pen
  EXPECT_EQ(CurrentColourTable()[t.lines()[1].colour], 0xFFFFFFu);
}

TEST(EmfColour, AssignsInOrderOfFirstAppearanceUpTo256) {
  UseBuiltInColourTable();
  EmfState s;
  EmfStateInit(s);
  EXPECT_EQ(FindOrAddColour(s, 0), 0);
  EXPECT_EQ(FindOrAddColour(s, 0x0000FF), 1);
  EXPECT_EQ(FindOrAddColour(s, 0x00FF00), 2);
  EXPECT_EQ(FindOrAddColour(s, 0x0000FF), 1);
  EXPECT_EQ(FindOrAddColour(s, 0x01000005), 3);  // the flag byte is dropped
  EXPECT_EQ(CurrentColourTable()[3], 5u);
  for (ColourRef c = 100; s.coloursAssigned < 256; ++c) FindOrAddColour(s, c);
  EXPECT_EQ(FindOrAddColour(s, 0x0000FF), 0);
  EXPECT_EQ(FindOrAddColour(s, 0xABCDEF), 0);
  EmfStateFree(s);
}

TEST(EmfState, SaveAndRestore) {
  EmfWriter w = Picture();
  w.Pen(1, 1, 0, 0x0000FF).Pen(2, 2, 0, 0x00FF00);
  w.Select(1).Record(33, {}).Select(2).Record(34, {-3}).Points(4, {0, 0, 1, 1});  // too deep: ignored
  w.Record(34, {1}).Points(4, {0, 0, 1, 1});                                      // positive: ignored
  w.Record(34, {-1}).Points(4, {0, 0, 1, 1});
  w.Record(34, {INT32_MIN}).Eof();
  Translated t(w);
  ASSERT_EQ(t.lines().count, 3);
  EXPECT_EQ(t.lines()[0].lineType, 3);
  EXPECT_EQ(t.lines()[1].lineType, 3);
  EXPECT_EQ(t.lines()[2].lineType, 2);
}

TEST(EmfState, DeepSaveChainsAreBounded) {
  EmfWriter w = Picture();
  w.Pen(1, 1, 0, 0x0000FF).Select(1).Record(33, {});
  for (int i = 0; i < kMaxSavedStates + 10; ++i) w.Record(33, {});
  w.Record(34, {-(kMaxSavedStates + 11)}).Points(4, {0, 0, 1, 1}).Eof();
  Translated t(w);
  ASSERT_EQ(t.r.ok, 1);
  EXPECT_EQ(t.lines()[0].lineType, 2);
}

TEST(EmfState, WindowAndViewportScaleOnlyInMapModes7And8) {
  EmfWriter w = Picture();
  w.Record(9, {10, 10}).Record(11, {50, 50}).Points(4, {4, 4});  // mode 0: ignored
  w.Record(17, {8}).Record(9, {10, 20}).Record(11, {50, 50}).Points(4, {4, 4});
  w.Record(10, {2, 0}).Record(12, {1, 1}).Points(4, {4, 4});
  w.Record(31, {1, 2, 1, 0}).Points(4, {4, 4});  // x halved, zero y denominator ignored
  w.Record(17, {1}).Points(4, {4, 4});           // mode 1: origins 0, viewport := window
  w.Record(17, {7}).Record(9, {0, 0}).Points(4, {4, 4}).Eof();  // zero extents: unscaled
  Translated t(w);
  ASSERT_EQ(t.lines().count, 6);
  ExpectPoint(t.lines()[0].points[0], 4, 96);
  ExpectPoint(t.lines()[1].points[0], 20, 90);
  ExpectPoint(t.lines()[2].points[0], 11, 89);
  ExpectPoint(t.lines()[3].points[0], 6, 89);  // 25 / 10
  ExpectPoint(t.lines()[4].points[0], 4, 96);
  ExpectPoint(t.lines()[5].points[0], 4, 96);
  EXPECT_DOUBLE_EQ(t.r.drawing.extMax.y, 100);
}

TEST(EmfState, WorldTransforms) {
  auto f = FloatBits;
  EmfWriter w = Picture();
  w.Record(35, {f(2), 0, 0, f(3), f(5), f(7)}).Points(4, {1, 1});
  w.Record(36, {f(1), 0, 0, f(1), f(10), 0, 3}).Points(4, {1, 1});  // current x record: move after
  w.Record(36, {f(2), 0, 0, f(2), 0, 0, 2}).Points(4, {1, 1});     // record x current: scale first
  w.Record(35, {f(NAN), 0, 0, f(1), 0, 0}).Record(36, {f(INFINITY), 0, 0, f(1), 0, 0, 2});
  w.Record(36, {f(3e38f), 0, 0, f(3e38f), 0, 0, 2}).Points(4, {1, 1});  // refused: overflow
  w.Record(36, {0, 0, 0, 0, 0, 0, 1}).Points(4, {1, 1}).Eof();
  Translated t(w);
  ASSERT_EQ(t.lines().count, 5);
  ExpectPoint(t.lines()[0].points[0], 7, 90);
  ExpectPoint(t.lines()[1].points[0], 17, 90);
  ExpectPoint(t.lines()[2].points[0], 19, 87);
  ExpectPoint(t.lines()[3].points[0], 19, 87);
  ExpectPoint(t.lines()[4].points[0], 1, 99);
}

TEST(EmfText, StylesHeightsAnglesAndPositions) {
  EmfWriter w = Picture();
  w.Font(1, -12, 900, u"Arial").Font(2, 10, 0, u"Courier New").Font(3, 8, 0, u"Arial");
  w.Record(24, {0x0000FF});
  w.Select(1).TextW(10, 20, u"one").Select(2).TextA(0, 0, "two").Select(3).TextW(5, 5, u"\u20ac\u4e2d\U0001F600x");
  w.Record(17, {8}).Record(9, {100, 200}).Record(11, {50, 50}).Select(1).TextW(0, 0, u"s");
  w.Record(35, {FloatBits(0.8f), FloatBits(0.6f), FloatBits(-0.6f), FloatBits(0.8f), 0, 0}).TextW(0, 0, u"r");
  w.Eof();
  Translated t(w);
  ASSERT_EQ(t.texts().count, 5);
  const Drawing& d = t.r.drawing;
  ASSERT_EQ(d.textStyles.count, 3);
  EXPECT_STREQ(d.textStyles[1].name, "Arial");
  EXPECT_STREQ(d.textStyles[2].face, "Courier New");
  EXPECT_EQ(t.texts()[0].style, 1);
  EXPECT_EQ(t.texts()[1].style, 2);
  EXPECT_EQ(t.texts()[2].style, 1);
  EXPECT_STREQ(t.text(0), "one");
  EXPECT_STREQ(t.text(1), "two");
  EXPECT_STREQ(t.text(2), "\x80??x");
  const TextItem& one = t.texts()[0];
  EXPECT_DOUBLE_EQ(one.height, 12);
  EXPECT_DOUBLE_EQ(one.x, 10);
  EXPECT_DOUBLE_EQ(one.y, 80 - 12);
  EXPECT_NEAR(one.rotation, kPi / 2, 1e-12);
  EXPECT_EQ(CurrentColourTable()[one.colour], 0x0000FFu);
  EXPECT_DOUBLE_EQ(t.texts()[3].height, 3);  // 12 * 50 / 200
  EXPECT_NEAR(t.texts()[4].rotation, -std::atan2(0.6, 0.8), 1e-6);
}

TEST(EmfText, CountsAndOffsetsStayInsideTheRecord) {
  EmfWriter w = Picture();
  std::vector<int32_t> words = {0, 0, 0, 0, 1, 0, 0, 0, 0, 1000, 76, 0, 0, 0, 0, 0, 0, 0x00420041};
  w.Record(84, words);
  words[10] = 0x7FFFFFF0;
  w.Record(84, words).Record(83, words);
  std::string longText(3000, 'x');
  w.TextA(0, 0, longText).Eof();
  Translated t(w);
  ASSERT_EQ(t.texts().count, 4);
  EXPECT_STREQ(t.text(0), "AB");
  EXPECT_STREQ(t.text(1), "");
  EXPECT_EQ(std::string(t.text(3)).size(), 1023u);
}

TEST(EmfProc, ShortRecordsAreIgnored) {
  EmfWriter w = Picture();
  w.Record(4, {0, 0}).Record(42, {1}).Record(84, {0, 0, 0}).Record(38, {1}).Record(35, {FloatBits(2)}).Eof();
  Translated t(w);
  EXPECT_EQ(t.r.ok, 1);
  EXPECT_EQ(t.lines().count, 0);
  EXPECT_EQ(t.texts().count, 0);
}

TEST(EmfProc, PolyPolygonsGiveOnePolylinePerPart) {
  EmfWriter w = Picture();
  w.Record(8, {0, 0, 0, 0, 2, 5, 3, 2, 0, 0, 10, 0, 10, 10, 50, 50, 60, 60});
  w.Record(90, {0, 0, 0, 0, 3, 99, 1, 0x7FFFFFFF, 2, 0x00020001, 0x00040003});  // counts beyond the points
  w.Record(8, {0, 0, 0, 0, 0x7FFFFFFF, 0x7FFFFFFF}).Eof();
  Translated t(w);
  ASSERT_EQ(t.lines().count, 4);
  EXPECT_EQ(t.lines()[0].points.count, 4);
  EXPECT_EQ(t.lines()[0].filled, 1);
  EXPECT_EQ(t.lines()[1].points.count, 3);
  ExpectPoint(t.lines()[1].points[2], 50, 50);
  EXPECT_EQ(t.lines()[2].points.count, 1);
  EXPECT_EQ(t.lines()[3].points.count, 1);
  ExpectPoint(t.lines()[3].points[0], 3, 96);
  EXPECT_EQ(t.lines()[3].filled, 0);
}

TEST(EmfProc, ExtentsAreTheHeaderBoundsUnlessTheContentStraysOutside) {
  EmfWriter w;
  w.Header(-10, -20, 500, 250).Points(4, {-10, -20}).Eof();
  Translated t(w);
  ExpectPoint(t.r.drawing.extMin, -10, -20);
  ExpectPoint(t.r.drawing.extMax, 500, 250);
  ExpectPoint(t.lines()[0].points[0], 0, 250);

  // Text mode: y flipped about the bottom bound, so the picture sits at 0..99, not 1000..1099.
  EmfWriter away;
  away.Header(0, 1000, 50, 1099).Record(17, {1}).Points(4, {0, 1000, 50, 1099}).Eof();
  Translated a(away);
  ExpectPoint(a.r.drawing.extMin, 0, 0);
  ExpectPoint(a.r.drawing.extMax, 50, 99);
}

}  // namespace
