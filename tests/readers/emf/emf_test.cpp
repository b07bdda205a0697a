// The metafile translator: hostile records, figures, objects, state, text;
// WMF through the converter; the fixtures against their reviewed dumps.
#include "readers/emf/emf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/wmf.h"
#include "readers/emf/emf_state.h"
#include "render/colours.h"
#include "tests/support/drawing_dump.h"
#include "tests/support/metafile_writer.h"
#include "tests/support/support.h"

using testing_support::DumpEntitySet;
using testing_support::DumpNumber;
using testing_support::EmfWriter;
using testing_support::FloatBits;
using testing_support::WmfWriter;

namespace {

// EMF bytes translated from a file, with what the translator printed.
struct Translated {
  int ok = 0;
  std::string output;
  Drawing d{};
  ReadReport report{};
  explicit Translated(const EmfWriter& w) : Translated(w.Bytes()) {}
  explicit Translated(const std::vector<uint8_t>& bytes) {
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.File("in.emf"), bytes);
    UseBuiltInColourTable();
    testing::internal::CaptureStdout();
    ok = emf_proc(dir.File("in.emf").c_str(), &d, &report);
    output = testing::internal::GetCapturedStdout();
  }
  ~Translated() { DrawingFree(&d); }
  const GrowArray<Polyline>& lines() const { return d.entities.polylines; }
  const GrowArray<TextItem>& texts() const { return d.entities.texts; }
  std::string Dump() const { return DumpEntitySet(d.entities); }
  // "x,y " of each polyline's first point.
  std::string FirstPoints() const {
    std::string s;
    for (const Polyline& p : lines()) s += DumpNumber(p.points[0].x) + "," + DumpNumber(p.points[0].y) + " ";
    return s;
  }
  std::string Extents() const {
    std::string s = testing_support::DumpDrawing(d);
    return s.substr(0, s.find('\n'));
  }
  // "count/lineType " of each polyline.
  std::string Shapes() const {
    std::string s;
    for (const Polyline& p : lines()) s += std::to_string(p.points.count) + "/" + std::to_string(p.lineType) + " ";
    return s;
  }
};

// A 100 x 100 picture: logical units map one to one, y turned about 100.
EmfWriter Picture(uint16_t handles = 16) {
  EmfWriter w;
  w.Header(0, 0, 100, 100, handles);
  return w;
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
  EXPECT_EQ(t.ok, 0);
  EXPECT_EQ(t.output, "Unable to emf_proc\n");
  EXPECT_EQ(t.report.fault, ReadFault::kTruncated);
  EXPECT_EQ(t.report.at, 4);  // after the header and three drawing records
  EXPECT_EQ(t.lines().count, 0);
  EXPECT_EQ(t.d.lineTypes.data, nullptr);
}

TEST(EmfProc, BadRecordSizesFail) {
  auto withHead = [](uint32_t size) {
    EmfWriter w = Picture();
    std::vector<uint8_t> head = {70, 0, 0, 0};
    for (int i = 0; i < 4; ++i) head.push_back((size >> (8 * i)) & 0xFF);
    return w.Raw(head).Raw(std::vector<uint8_t>(64, 0)).Eof();
  };
  // The last size fits the file exactly: the unknown record swallows the EOF.
  for (uint32_t size : {0u, 4u, 10u, 0x80000000u, 0xFFFFFFFCu, 8u + 64 + 20}) {
    Translated t(withHead(size));
    EXPECT_EQ(t.ok, 0) << size;
    EXPECT_EQ(t.output, "Unable to emf_proc\n") << size;
    const bool swallowed = size == 8u + 64 + 20;
    EXPECT_EQ(t.report.fault, swallowed ? ReadFault::kTruncated : ReadFault::kMalformedRecord) << size;
    EXPECT_EQ(t.report.at, swallowed ? 2 : 1) << size;
  }
  Translated head(Picture().Raw({14, 0, 0}));
  EXPECT_EQ(head.ok, 0) << "a truncated head";
  EXPECT_EQ(head.report.fault, ReadFault::kMalformedRecord);
  // Records the translator does not handle are counted by number.
  Translated unknown(withHead(8u + 64 + 20));
  ASSERT_EQ(unknown.report.skippedKinds, 1);
  EXPECT_STREQ(unknown.report.skipped[0].name, "70");
}

TEST(EmfProc, ShortRecordsAreIgnored) {
  Translated t(Picture()
                   .Record(4, {0, 0})
                   .Record(42, {1})
                   .Record(84, {0, 0, 0})
                   .Record(38, {1})
                   .Record(35, {FloatBits(2)})
                   .Eof());
  EXPECT_EQ(t.ok, 1);
  EXPECT_EQ(t.Dump(), "");
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
    ASSERT_EQ(t.ok, 1);
    ASSERT_EQ(t.lines().count, 1);
    ASSERT_EQ(t.lines()[0].points.count, points);
    const WorldPoint& last = t.lines()[0].points[points - 1];
    EXPECT_EQ(last.x, points - 1);
    EXPECT_EQ(last.y, 100 - (points - 1) % 7);
  }
}

TEST(EmfProc, CountsAreTrustedOnlyAsFarAsTheRecordHoldsThem) {
  EmfWriter w = Picture();
  w.Record(4, {0, 0, 0, 0, 1000000, 1, 2, 3, 4}).Record(86, {0, 0, 0, 0, 0x7FFFFFFF});
  // Poly-polygons: part counts beyond the points, and a giant part count.
  w.Record(8, {0, 0, 0, 0, 2, 5, 3, 2, 0, 0, 10, 0, 10, 10, 50, 50, 60, 60});
  w.Record(90, {0, 0, 0, 0, 3, 99, 1, 0x7FFFFFFF, 2, 0x00020001, 0x00040003});
  w.Record(8, {0, 0, 0, 0, 0x7FFFFFFF, 0x7FFFFFFF}).Eof();
  Translated t(w);
  EXPECT_EQ(t.Dump(),
            "polyline layer 0 colour 0 linetype 1 width 0: (1,98) (3,96)\n"
            "polyline layer 0 colour 0 linetype 1 width 0 filled:\n"
            "polyline layer 0 colour 0 linetype 1 width 0 filled: (0,100) (10,100) (10,90) (0,100)\n"
            "polyline layer 0 colour 0 linetype 1 width 0 filled: (50,50) (60,40) (50,50)\n"
            "polyline layer 0 colour 0 linetype 1 width 0: (1,98)\n"
            "polyline layer 0 colour 0 linetype 1 width 0: (3,96)\n");
}

TEST(EmfProc, FiguresAndTheirEnds) {
  EmfWriter w = Picture();
  w.LineTo(5, 5).Points(6, {1, 1});  // no move-to yet: nothing
  w.MoveTo(1, 2);                    // dropped: one point only
  w.MoveTo(10, 20).LineTo(30, 40).Points(6, {50, 60, 70, 80});
  w.MoveTo(7, 7).TextA(0, 0, "a").LineTo(8, 8).TextA(0, 0, "b").LineTo(9, 9);  // a text ends a figure with a segment
  w.Points16(87, {-1, -2, 5, 6}).Record(46, {0, 0, 40, 40, 40, 20, 40, 20}).Eof();  // signed; a full-turn chord
  Translated t(w);
  ASSERT_EQ(t.ok, 1);
  EXPECT_EQ(t.texts().count, 2);
  ASSERT_EQ(t.lines().count, 4);
  EXPECT_EQ(t.Dump().substr(0, t.Dump().find('\n') + 1),
            "polyline layer 0 colour 0 linetype 1 width 0: (10,80) (30,60) (50,40) (70,20)\n");
  EXPECT_EQ(t.Shapes(), "4/1 2/1 2/1 50/1 ");
  EXPECT_EQ(t.FirstPoints(), "10,80 7,93 -1,102 40,80 ");
  EXPECT_EQ(t.lines()[3].filled, 1);
}

TEST(EmfProc, PenStylesGiveLineTypesAndBrushesSetTheColour) {
  EmfWriter w = Picture();
  w.Pen(1, 1, 0, 0x0000FF).Pen(2, 5, 0, 0x00FF00).Pen(3, 2, 3, 0x00FF00).Brush(4, 0xFF0000);
  w.Select(1).Points(4, {0, 0, 1, 1});
  w.Select(2).Points(4, {0, 0, 1, 1});                  // null pen: only the low two bits count
  w.Select(3).Select(4).Points(4, {0, 0, 1, 1}).Eof();  // the brush selected after the pen
  Translated t(w);
  EXPECT_EQ(t.Dump(),
            "polyline layer 0 colour 1 linetype 2 width 0: (0,100) (1,99)\n"
            "polyline layer 0 colour 2 linetype 2 width 0: (0,100) (1,99)\n"
            "polyline layer 0 colour 3 linetype 3 width 3: (0,100) (1,99)\n");
  const ColourRef* table = CurrentColourTable();
  EXPECT_EQ(std::vector<ColourRef>(table, table + 4), (std::vector<ColourRef>{0, 0x0000FF, 0x00FF00, 0xFF0000}));
}

TEST(EmfProc, ObjectsOutOfRangeAndDeletedAreIgnored) {
  EmfWriter w = Picture(2);
  w.Pen(1, 2, 0, 0x123456).Pen(2, 1, 0, 0x654321).Pen(0xFFFFFFF, 1, 0, 0);
  w.Select(2).Select(0x7FFFFFFF).Select(1).Record(40, {1}).Record(40, {static_cast<int32_t>(0x80000007)});
  w.Select(1).Points(4, {0, 0, 1, 1});                 // slot 1's pen stays selected after its deletion
  w.Select(0x80000006).Points(4, {0, 0, 1, 1}).Eof();  // white stock pen
  Translated t(w);
  EXPECT_EQ(t.Shapes(), "2/3 2/1 ");
  EXPECT_EQ(t.lines()[0].colour, 2);
  EXPECT_EQ(CurrentColourTable()[t.lines()[1].colour], 0xFFFFFFu);
}

TEST(EmfColour, AssignsInOrderOfFirstAppearanceUpTo256) {
  UseBuiltInColourTable();
  EmfState s;
  EmfStateInit(s);
  std::vector<int32_t> got;
  for (ColourRef c : {0x0u, 0x0000FFu, 0x00FF00u, 0x0000FFu, 0x01000005u}) got.push_back(FindOrAddColour(s, c));
  EXPECT_EQ(got, (std::vector<int32_t>{0, 1, 2, 1, 3}));
  EXPECT_EQ(CurrentColourTable()[3], 5u) << "the flag byte is dropped";
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
  w.Record(34, {INT32_MIN});
  // Saves past the bound are counted, not stored; a restore through them still reaches the stored ones.
  w.Record(33, {});
  for (int i = 0; i < kMaxSavedStates + 10; ++i) w.Record(33, {});
  w.Select(2).Record(34, {-(kMaxSavedStates + 11)}).Points(4, {0, 0, 1, 1}).Eof();
  Translated t(w);
  ASSERT_EQ(t.ok, 1);
  EXPECT_EQ(t.Shapes(), "2/3 2/3 2/2 2/2 ");
}

TEST(EmfState, WindowAndViewportScaleOnlyInMapModes7And8) {
  EmfWriter w = Picture();
  w.Record(9, {10, 10}).Record(11, {50, 50}).Points(4, {4, 4});  // mode 0: ignored
  w.Record(17, {8}).Record(9, {10, 20}).Record(11, {50, 50}).Points(4, {4, 4});
  w.Record(10, {2, 0}).Record(12, {1, 1}).Points(4, {4, 4});
  w.Record(31, {1, 2, 1, 0}).Points(4, {4, 4});                 // x halved, zero y denominator ignored
  w.Record(17, {1}).Points(4, {4, 4});                          // mode 1: origins 0, viewport := window
  w.Record(17, {7}).Record(9, {0, 0}).Points(4, {4, 4}).Eof();  // zero extents: unscaled
  Translated t(w);
  EXPECT_EQ(t.FirstPoints(), "4,96 20,90 11,89 6,89 4,96 4,96 ");
  EXPECT_DOUBLE_EQ(t.d.extMax.y, 100);
}

TEST(EmfState, WorldTransforms) {
  auto f = FloatBits;
  EmfWriter w = Picture();
  w.Record(35, {f(2), 0, 0, f(3), f(5), f(7)}).Points(4, {1, 1});
  w.Record(36, {f(1), 0, 0, f(1), f(10), 0, 3}).Points(4, {1, 1});  // current x record: move after
  w.Record(36, {f(2), 0, 0, f(2), 0, 0, 2}).Points(4, {1, 1});      // record x current: scale first
  w.Record(35, {f(NAN), 0, 0, f(1), 0, 0}).Record(36, {f(INFINITY), 0, 0, f(1), 0, 0, 2});
  w.Record(36, {f(3e38f), 0, 0, f(3e38f), 0, 0, 2}).Points(4, {1, 1});  // refused: overflow
  w.Record(36, {0, 0, 0, 0, 0, 0, 1}).Points(4, {1, 1}).Eof();
  EXPECT_EQ(Translated(w).FirstPoints(), "7,90 17,90 19,87 19,87 1,99 ");
}

TEST(EmfText, StylesHeightsAnglesAndPositions) {
  EmfWriter w = Picture();
  w.Font(1, -12, 900, u"Arial").Font(2, 10, 0, u"Courier New").Font(3, 8, 0, u"Arial");
  w.Record(24, {0x0000FF});
  w.Select(1).TextW(10, 20, u"one").Select(2).TextA(0, 0, "two").Select(3).TextW(5, 5, u"\u20ac\u4e2d\U0001F600x");
  w.Record(17, {8}).Record(9, {100, 200}).Record(11, {50, 50}).Select(1).TextW(0, 0, u"s");  // height 12 * 50 / 200
  w.Record(35, {FloatBits(0.8f), FloatBits(0.6f), FloatBits(-0.6f), FloatBits(0.8f), 0, 0}).TextW(0, 0, u"r");
  Translated t(w.Eof());
  ASSERT_EQ(t.d.textStyles.count, 3);
  EXPECT_STREQ(t.d.textStyles[1].name, "Arial");
  EXPECT_STREQ(t.d.textStyles[2].face, "Courier New");
  ASSERT_EQ(t.texts().count, 5);
  EXPECT_EQ(t.Dump().substr(0, t.Dump().find("\"s\"")),
            "text (10,68) height 12 rotation 1.57079633 colour 1 layer 0 style 1 \"one\"\n"
            "text (0,90) height 10 rotation 0 colour 1 layer 0 style 2 \"two\"\n"
            "text (5,87) height 8 rotation 0 colour 1 layer 0 style 1 \"\\x80??x\"\n"
            "text (0,97) height 3 rotation 1.57079633 colour 1 layer 0 style 1 ");
  EXPECT_EQ(CurrentColourTable()[1], 0x0000FFu);
  EXPECT_NEAR(t.texts()[4].rotation, -std::atan2(0.6, 0.8), 1e-6);
}

TEST(EmfText, CountsAndOffsetsStayInsideTheRecord) {
  EmfWriter w = Picture();
  std::vector<int32_t> words = {0, 0, 0, 0, 1, 0, 0, 0, 0, 1000, 76, 0, 0, 0, 0, 0, 0, 0x00420041};
  w.Record(84, words);
  words[10] = 0x7FFFFFF0;
  w.Record(84, words).Record(83, words).TextA(0, 0, std::string(3000, 'x')).Eof();
  Translated t(w);
  ASSERT_EQ(t.texts().count, 4);
  const char* pool = t.d.entities.pool.data;
  EXPECT_STREQ(pool + t.texts()[0].text, "AB");
  EXPECT_STREQ(pool + t.texts()[1].text, "");
  EXPECT_EQ(std::string(pool + t.texts()[3].text).size(), 1023u);
}

TEST(EmfProc, ExtentsAreTheHeaderBoundsUnlessTheContentStraysOutside) {
  EmfWriter w;
  Translated t(w.Header(-10, -20, 500, 250).Points(4, {-10, -20}).Eof());
  EXPECT_EQ(t.Extents(), "extents (-10,-20) (500,250)");
  EXPECT_EQ(t.FirstPoints(), "0,250 ");
  // Text mode: y flipped about the bottom bound, so the picture sits at 0..99, not 1000..1099.
  EmfWriter away;
  EXPECT_EQ(Translated(away.Header(0, 1000, 50, 1099).Record(17, {1}).Points(4, {0, 1000, 50, 1099}).Eof()).Extents(),
            "extents (0,0) (50,99)");
}

// A WMF converted to EMF bytes (none when refused).
std::vector<uint8_t> FromWmf(const std::vector<uint8_t>& wmf, size_t skip = 0) {
  int64_t size = 0;
  uint8_t* emf = platform::WmfToEmf(wmf.data() + skip, static_cast<int64_t>(wmf.size() - skip), &size);
  std::vector<uint8_t> out(emf, emf + (emf ? size : 0));
  std::free(emf);
  return out;
}

TEST(WmfThroughEmf, WindowsMapOneForOneWhicheverWayYPoints) {
  WmfWriter up;  // logical y upwards: window origin at the top, negative extent
  up.Record(0x020B, {100, 0}).Record(0x020C, {-100, 200}).Record(0x0325, {2, 10, 90, 150, 20});
  Translated u(FromWmf(up.Bytes()));
  ASSERT_EQ(u.ok, 1);
  EXPECT_EQ(u.Extents() + " " + u.Dump(),
            "extents (0,0) (200,100) polyline layer 0 colour 0 linetype 1 width 0: (10,90) (150,20)\n");
  WmfWriter down;  // y downwards, window at (50, 50)
  down.Record(0x020B, {50, 50}).Record(0x020C, {100, 200}).Record(0x0325, {2, 60, 60, 250, 150});
  Translated t(FromWmf(down.Bytes()));
  EXPECT_EQ(t.Extents() + " " + t.Dump(),
            "extents (0,0) (200,100) polyline layer 0 colour 0 linetype 1 width 0: (10,90) (200,0)\n");
}

// The display list with colours as RGB, as in the reviewed copies beside the
// fixtures. Set KARTEX_REGENERATE=1 to rewrite the copies, then review the diff.
std::string FixtureDump(const Drawing& d) {
  int used = 0;
  for (const Polyline& p : d.entities.polylines) used = std::max(used, p.colour + 1);
  for (const TextItem& t : d.entities.texts) used = std::max(used, t.colour + 1);
  std::string s = testing_support::DumpDrawing(d) + "colours";
  char hex[16];
  for (int i = 0; i < used; ++i) std::snprintf(hex, sizeof hex, " %06X", CurrentColourTable()[i]), s += hex;
  return s + "\n";
}

TEST(EmfDump, FixturesGiveTheReviewedDisplayLists) {
  for (const char* name : {"lines-and-text", "shapes", "state-and-transforms"}) {
    std::string path = testing_support::DataPath(std::string("emf/") + name);
    UseBuiltInColourTable();
    Drawing d{};
    ASSERT_EQ(emf_proc((path + ".emf").c_str(), &d), 1) << name;
    std::string dump = FixtureDump(d);
    DrawingFree(&d);
    if (std::getenv("KARTEX_REGENERATE")) testing_support::WriteFile(path + ".txt", dump);
    EXPECT_EQ(dump, testing_support::ReadText(path + ".txt")) << name;
  }
  // The WMF seeds (one with a placeable header) convert and translate.
  for (const char* name : {"window-and-shapes.wmf", "placeable-text.wmf", "dib-and-objects.wmf"}) {
    std::vector<uint8_t> bytes = testing_support::ReadFile(testing_support::DataPath(std::string("wmf/") + name));
    EXPECT_EQ(Translated(FromWmf(bytes, bytes[0] == 0xD7 && bytes[1] == 0xCD ? 22 : 0)).ok, 1) << name;
  }
}

}  // namespace
