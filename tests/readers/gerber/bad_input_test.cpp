// Hostile and real-world input: every prefix of a file read with its end at an
// unmapped page, huge counts, and the sample files of other programs.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "readers/gerber/gerber.h"
#include "tests/readers/gerber/gerber_test_util.h"
#include "tests/support/support.h"

namespace {

using gerber_test::Read;

// Maps `text` so that its last byte is the last one before an inaccessible page.
class AtPageEnd {
 public:
  explicit AtPageEnd(const std::string& text) {
    page_ = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    length_ = (text.size() / page_ + 2) * page_;
    void* map = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    base_ = static_cast<uint8_t*>(map);
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
  for (const char* tail : {"%", "%FS", "%FSLAX", "%FSLAX2", "%AD", "%ADD", "%ADD10", "%ADD10C", "%ADD10C,",
                           "%ADD10C,1X", "%SFA", "%SFA2B", "G0", "G04", "G04 x", "D1", "D10", "D1000 x",
                           "M0", "X", "X-", "X12 3", "X1.", "I5", "J-", "*", " "}) {
    std::string text = std::string("%ADD10C,1*%X0Y0D03*\n") + tail;
    AtPageEnd mapped(text);
    Drawing drawing;
    ASSERT_EQ(ReadGerberData(mapped.data(), static_cast<int64_t>(text.size()), &drawing), 1) << tail;
    EXPECT_EQ(drawing.inserts.count, 1) << tail;
    DrawingFree(&drawing);
  }
}

TEST(GerberBadInput, OutOfRangeCodesAndScales) {
  EXPECT_EQ(Read("%ADD0C,1*%%ADD1000C,1*%D0*X0Y0D03*D1234*X1000D03*D9*D3*X2000D03*").flashCount(), 0);
  EXPECT_EQ(gerber_test::Dump(Read("%ADD100C,1*%D1000*X1000D03*").drawing), "APR_100 @(1,0)\n");
  EXPECT_EQ(gerber_test::Dump(Read("%SFA0B99999*%D01*X1000Y1000*").drawing), "(0,0) (1,1)\n");
  EXPECT_EQ(gerber_test::Dump(Read("%SFA0.00001B1001*%D01*X1000Y1000*").drawing), "(0,0) (1,1)\n");
}

TEST(GerberBadInput, GiantNumbersStayFinite) {
  std::string digits(5000, '9');
  Read r("%ADD10C," + digits + "*%D01*X" + digits + "Y-" + digits + "*G03X" + digits + "I" + digits +
         "J" + digits + "*D03*");
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

TEST(GerberSamples, EveryRealWorldFileReads) {
  std::string folder = testing_support::SamplePath("gerber");
  if (folder.empty()) GTEST_SKIP() << "samples absent";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    Drawing drawing;
    ASSERT_EQ(gbr_proc(entry.path().c_str(), &drawing), 1) << entry.path();
    EXPECT_GT(drawing.entities.polylines.count + drawing.inserts.count, 0) << entry.path();
    EXPECT_LE(drawing.extMin.x, drawing.extMax.x) << entry.path();
    EXPECT_LE(drawing.extMin.y, drawing.extMax.y) << entry.path();
    DrawingFree(&drawing);
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
