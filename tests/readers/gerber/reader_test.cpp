// Whole files through the reader: strokes, flashes and their blocks, arcs,
// extents; the fixtures against their dumps; hostile input.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <utility>

#include "readers/gerber/gerber.h"
#include "tests/support/support.h"

namespace {

// Owns the drawing read from `text` (an exactly sized heap copy, so a read past
// the end shows under ASan).
struct Read {
  Drawing drawing{};
  explicit Read(const std::string& text) {
    uint8_t* copy = static_cast<uint8_t*>(std::malloc(text.size() ? text.size() : 1));
    std::memcpy(copy, text.data(), text.size());
    ReadGerberData(copy, static_cast<int64_t>(text.size()), &drawing);
    std::free(copy);
  }
  ~Read() { DrawingFree(&drawing); }
  int polylineCount() const { return drawing.entities.polylines.count; }
  int flashCount() const { return drawing.inserts.count; }
  const Polyline& line(int i) const { return drawing.entities.polylines[i]; }
};

std::string Point(WorldPoint p) {
  char text[64];
  std::snprintf(text, sizeof text, "(%g,%g)", p.x, p.y);
  return text;
}

std::string DumpPoints(const Polyline& line) {
  std::string out;
  for (const WorldPoint& p : line.points) out += (out.empty() ? "" : " ") + Point(p);
  return out;
}

// One line per polyline, "(x,y) (x,y) ...", then one per insert, "APR_010 @(x,y)".
std::string Dump(const Drawing& drawing) {
  std::string out;
  for (const Polyline& line : drawing.entities.polylines) out += DumpPoints(line) + "\n";
  for (const Insert& insert : drawing.inserts)
    out += std::string(drawing.blocks[insert.block].name) + " @" + Point({insert.x, insert.y}) + "\n";
  return out;
}

TEST(GerberPlot, BlocksGiveTheirStrokesAndFlashes) {
  const std::pair<const char*, const char*> cases[] = {
      {"X0Y0D02*X100Y0D01*X100Y100*", "(0,0) (0.1,0) (0.1,0.1)\n"},
      // Coordinate blocks repeat the last D code.
      {"%ADD10R,0.2X0.2*%X1000Y0D03*X2000Y0*X0Y0D02*X500Y0*", "APR_010 @(1,0)\nAPR_010 @(2,0)\n"},
      {"X1000Y0D01*Y1000*D02*X0*X5000D01*", "(0,0) (1,0) (1,1)\n(0,1) (5,1)\n"},
      // An aperture change ends the stroke; M03 switches on like D01; M02 does not end the reading.
      {"G54D10*X1000D01*G54D11*X2000*X3000D01*X4000*", "(0,0) (1,0)\n(2,0) (3,0) (4,0)\n"},
      {"X1000M03*M02*X2000D03*X0D02*X1000Y1000D01*", "(0,0) (1,0)\n(0,0) (1,1)\n"},
      // A block over two lines runs in two halves; only the first comment
      // block is skipped as a whole; no '*' leaves nothing behind.
      {"D01*X1000\nY1000*", "(0,0) (1,0) (1,1)\n"},
      {"X0Y0D02*G04 X900Y900D01 ignored*\nX1000D01*", "(0,0) (1,0)\n"},
      {"G04 comment to the end", ""},
      // Formats, scale and incremental coordinates.
      {"G91*D01*X1000Y1000*X1000*Y-500*", "(0,0) (1,1) (2,1) (2,0.5)\n"},
      {"G10D01*X100*G12X100*", "(0,0) (1,0) (0.001,0)\n"},
      // Parameter blocks between commands on one line.
      {"D01*X1000*%FSLAX24Y24*%X20000*G04 note*%SFA2*%X10000*", "(0,0) (1,0) (2,0) (2,0)\n"},
      {"%ADD11C,1*%D11*%ADD12R,1X1*%X1000D03*", "APR_011 @(1,0)\n"},
  };
  for (auto [text, dump] : cases) EXPECT_EQ(Dump(Read(text).drawing), dump) << text;
  Read r("X0Y0D02*X100Y0D01*");
  EXPECT_EQ(r.line(0).colour, 1);
  EXPECT_EQ(r.drawing.extMax.x, 0.1);
}

TEST(GerberPlot, FlashBlocksAreBuiltOncePerAperture) {
  Read r(
      "%ADD10C,0.05*%\n%ADD11R,0.1X0.06*%\nX1000Y1000D03*G54D11*X2000D03*D10*X3000D03*"
      "%ADD10C,5*%X4000D03*");
  EXPECT_EQ(Dump(r.drawing), "APR_010 @(1,1)\nAPR_011 @(2,1)\nAPR_010 @(3,1)\nAPR_010 @(4,1)\n");
  ASSERT_EQ(r.drawing.blocks.count, 2);
  const EntitySet& circle = r.drawing.blocks[0].entities;
  ASSERT_EQ(circle.polylines.count, 1);
  const Polyline& outline = circle.polylines[0];
  ASSERT_EQ(outline.points.count, 17);
  EXPECT_EQ(outline.points[0].x, 0.025);
  EXPECT_DOUBLE_EQ(outline.points[1].x, 0.025 * 0.92388);
  EXPECT_DOUBLE_EQ(outline.points[14].y, 0.025 * -0.707108);
  EXPECT_EQ(outline.points[16].x, 0.025);
  EXPECT_EQ(DumpPoints(r.drawing.blocks[1].entities.polylines[0]),
            "(-0.05,-0.03) (0.05,-0.03) (0.05,0.03) (-0.05,0.03) (-0.05,-0.03)");
}

TEST(GerberPlot, HolesAndObrounds) {
  auto outlines = [](const std::string& definition) {
    Read r("%ADD10" + definition + "*%X0Y0D03*");
    std::string out;
    if (r.drawing.blocks.count == 1)
      for (const Polyline& line : r.drawing.blocks[0].entities.polylines)
        out += std::to_string(line.points.count) + " ";
    return out;
  };
  EXPECT_EQ(outlines("C,0.1X0.04"), "17 17 ");
  EXPECT_EQ(outlines("C,0.1X0.04X0.02"), "17 5 ");
  EXPECT_EQ(outlines("O,0.1X0.2"), "5 ");
  EXPECT_EQ(outlines("R,0.1X0.2X0.05"), "5 17 ");
  EXPECT_EQ(outlines("R,0.1X0.2X0.05X0.04"), "5 5 ");
  EXPECT_EQ(outlines("R,0.1"), "");
  Read hole("%ADD10C,0.1X0.04X0.02*%X0Y0D03*");
  EXPECT_EQ(DumpPoints(hole.drawing.blocks[0].entities.polylines[1]),
            "(-0.02,-0.01) (0.02,-0.01) (0.02,0.01) (-0.02,0.01) (-0.02,-0.01)");
}

TEST(GerberPlot, FlashesOfUndrawableAperturesPlaceNothing) {
  Read r("%ADD12P,0.1X6*%%AMBOX*21,1,1,1,0,0,0*%\n%ADD13BOX*%\nG54D12*X0Y0D03*G54D13*X1000D03*G54D14*X2000D03*");
  EXPECT_EQ(r.flashCount(), 0);
  EXPECT_EQ(r.drawing.blocks.count, 0);
  EXPECT_GT(r.drawing.extMin.x, r.drawing.extMax.x);
  // Before any selection a flash uses D10.
  EXPECT_EQ(Dump(Read("%ADD10C,1*%X0Y0D03*").drawing), "APR_010 @(0,0)\n");
}

TEST(GerberPlot, ScaleFactorsShapeTheBlockWhenBuilt) {
  Read r("%SFA2B0.5*%%ADD10R,1X1*%X1000Y1000D03*%SFA1B1*%X2000Y1000D03*");
  EXPECT_EQ(Dump(r.drawing), "APR_010 @(2,0.5)\nAPR_010 @(2,1)\n");
  EXPECT_EQ(DumpPoints(r.drawing.blocks[0].entities.polylines[0]),
            "(-1,-0.25) (1,-0.25) (1,0.25) (-1,0.25) (-1,-0.25)");
}

TEST(GerberPlot, ExtentsCoverFlashedOutlines) {
  Read edge("%ADD10R,1X2*%X0Y0D02*X1000D01*X1000Y0D03*");
  EXPECT_EQ(edge.drawing.extMin.y, -1.0);
  EXPECT_EQ(edge.drawing.extMax.x, 1.5);
}

TEST(GerberArc, MultiQuadrantFullCircle) {
  Read r("%FSLAX24Y24*%G75*G03*X10000Y0D02*X10000Y0I-10000J0D01*G01X20000Y0*");
  ASSERT_EQ(r.polylineCount(), 1);
  const Polyline& line = r.line(0);
  // The stroke's start, 630 traced points, then the straight draw.
  ASSERT_EQ(line.points.count, 632);
  EXPECT_EQ(line.points[1].x, 1.0);
  EXPECT_EQ(line.points[1].y, 0.0);
  for (int k = 1; k <= 630; ++k) EXPECT_NEAR(std::hypot(line.points[k].x, line.points[k].y), 1.0, 1e-12);
  // Once round, stopping just past the end angle.
  EXPECT_NEAR(std::atan2(line.points[630].y, line.points[630].x), 0.0068, 1e-4);
  EXPECT_NEAR(line.points[101].y, std::sin(1.0), 1e-6);
}

TEST(GerberArc, SingleQuadrantStopsShortOfTheQuadrantEnd) {
  Read r("%FSLAX24Y24*%G74*G02*X0Y10000D02*X10000Y0I0J-10000D01*G01X20000Y0*");
  const Polyline& line = r.line(0);
  ASSERT_GT(line.points.count, 150);
  const WorldPoint last = line.points[line.points.count - 2];
  EXPECT_NEAR(std::atan2(last.y, last.x), 0.021, 0.001);
  EXPECT_EQ(line.points[line.points.count - 1].x, 2.0);
  // Clockwise from 90 degrees, in 0.01 steps.
  EXPECT_NEAR(std::atan2(line.points[2].y, line.points[2].x), std::numbers::pi / 2 - 0.01, 1e-6);
}

TEST(GerberArc, ArcsOfRadiusZeroEnd) {
  for (const char* mode : {"G74", "G75"})
    for (const char* direction : {"G02", "G03"}) {
      Read r(std::string(mode) + direction + "X0Y0I0J0D01*X1000Y1000I0J0*");
      ASSERT_EQ(r.polylineCount(), 1);
      EXPECT_LE(r.line(0).points.count, 2 * 640);
    }
}

TEST(GerberFile, MissingAndEmptyFiles) {
  testing_support::TempDir dir;
  Drawing drawing;
  drawing.inserts.count = 7;
  testing::internal::CaptureStdout();
  std::string name = dir.File("none.gbr");
  ReadReport report{};
  EXPECT_EQ(gbr_proc(name.c_str(), &drawing, &report), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to supl_bread " + name + "\n");
  EXPECT_EQ(report.fault, ReadFault::kCannotOpen);
  EXPECT_EQ(drawing.inserts.count, 0);
  EXPECT_EQ(drawing.entities.polylines.data, nullptr);
  testing_support::WriteFile(name, "");
  ASSERT_EQ(gbr_proc(name.c_str(), &drawing), 1);
  EXPECT_EQ(Dump(drawing), "");
  EXPECT_GT(drawing.extMin.x, drawing.extMax.x);
  DrawingFree(&drawing);
}

// The small files of tests/data/gerber against the dumps beside them.
TEST(GerberFile, FixturesMatchTheirDumps) {
  for (std::string name : {"flashes/pads-only", "format/trailing-zeros-incremental", "format/no-final-star",
                           "apertures/holes-and-undrawable"}) {
    std::string path = testing_support::DataPath("gerber/" + name);
    Drawing d;
    ASSERT_EQ(gbr_proc((path + ".gbr").c_str(), &d), 1) << name;
    char extents[160];
    std::snprintf(extents, sizeof extents, "extents (%g,%g) (%g,%g)\n", d.extMin.x, d.extMin.y, d.extMax.x, d.extMax.y);
    EXPECT_EQ(Dump(d) + extents, testing_support::ReadText(path + ".dump")) << name;
    DrawingFree(&d);
  }
}

// Maps `text` so that its last byte is the last one before an inaccessible page.
class AtPageEnd {
 public:
  explicit AtPageEnd(const std::string& text) {
    page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    length_ = (text.size() / page_ + 2) * page_;
    base_ = static_cast<uint8_t*>(mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    mprotect(base_ + length_ - page_, page_, PROT_NONE);
    data_ = base_ + length_ - page_ - text.size();
    std::memcpy(data_, text.data(), text.size());
  }
  ~AtPageEnd() { munmap(base_, length_); }
  const uint8_t* data() const { return data_; }

 private:
  size_t page_, length_;
  uint8_t* base_;
  uint8_t* data_;
};

const char kEveryFeature[] =
    "G04 every word*\n%FSTIX24Y24*%\n%FSLAX24Y24*MOIN*%\n%SFA1.0B1.0*%\n%ADD10C,0.1X0.04*%\n"
    "%ADD11R,0.1X0.05X0.02X0.01*%\n%ADD12P,0.1X6*%\n%AMBOX*21,1,$1,$1,0,0,0*%\n%ADD13BOX,0.5*%\n"
    "%OFA0B0*%G54D10*X10000Y10000D03*\nD11*X-2500Y250D03*\nG01X0Y0D02*X10000D01*\nY10000*\n"
    "G75*G03X0Y0I-10000J0D01*\nG74*G02X10000Y10000I0J10000D01*\nG91*X100Y100D01*\nG90*M03*M02*";

TEST(GerberBadInput, EveryPrefixStopsAtTheEndOfTheData) {
  std::string full = kEveryFeature;
  for (size_t n = 0; n <= full.size(); ++n) {
    AtPageEnd mapped(full.substr(0, n));
    Drawing drawing;
    ASSERT_EQ(ReadGerberData(mapped.data(), static_cast<int64_t>(n), &drawing), 1);
    DrawingFree(&drawing);
  }
  Read whole(full);
  EXPECT_EQ(whole.flashCount(), 2);
  EXPECT_EQ(whole.polylineCount(), 1);
  EXPECT_GT(whole.line(0).points.count, 700);
}

TEST(GerberBadInput, OpenBlocksAndRunsAtTheVeryEnd) {
  for (const char* tail : {"%", "%FS", "%FSLAX2", "%ADD", "%ADD10", "%ADD10C,", "%ADD10C,1X", "%SFA2B", "G0", "G04 x",
                           "D1000 x", "M0", "X-", "X12 3", "X1.", "J-", "*"}) {
    std::string text = std::string("%ADD10C,1*%X0Y0D03*\n") + tail;
    AtPageEnd mapped(text);
    Drawing drawing;
    ASSERT_EQ(ReadGerberData(mapped.data(), static_cast<int64_t>(text.size()), &drawing), 1) << tail;
    EXPECT_EQ(drawing.inserts.count, 1) << tail;
    DrawingFree(&drawing);
  }
}

TEST(GerberBadInput, OutOfRangeCodes) {
  EXPECT_EQ(Read("%ADD0C,1*%%ADD1000C,1*%D0*X0Y0D03*D1234*X1000D03*D9*D3*X2000D03*").flashCount(), 0);
  EXPECT_EQ(Dump(Read("%ADD100C,1*%D1000*X1000D03*").drawing), "APR_100 @(1,0)\n");
}

TEST(GerberBadInput, GiantNumbersStayFinite) {
  std::string digits(5000, '9');
  Read r("%ADD10C," + digits + "*%D01*X" + digits + "Y-" + digits + "*G03X" + digits + "I" + digits + "J" + digits +
         "*D03*");
  ASSERT_EQ(r.polylineCount(), 1);
  for (const WorldPoint& p : r.line(0).points) EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
  EXPECT_LE(r.line(0).points.count, 702);
  EXPECT_LE(r.drawing.extMin.x, r.drawing.extMax.x);
}

TEST(GerberBadInput, AMillionFlashes) {
  std::string text = "%ADD10C,0.01*%\n";
  for (int k = 0; k < 1000000; ++k) text += "X1000D03*\n";
  Read r(text);
  EXPECT_EQ(r.flashCount(), 1000000);
  EXPECT_EQ(r.drawing.blocks.count, 1);
}

}  // namespace
