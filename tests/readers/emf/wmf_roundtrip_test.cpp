// Windows metafiles through the converter and the translator: what a user's
// WMF becomes in the drawing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/metafile.h"
#include "platform/wmf.h"
#include "readers/emf/emf.h"
#include "render/colours.h"
#include "tests/support/drawing_dump.h"
#include "tests/support/metafile_writer.h"
#include "tests/support/support.h"

using testing_support::TextParams;
using testing_support::WmfWriter;

namespace {

struct Translated {
  int ok = 0;
  Drawing d{};
  explicit Translated(const WmfWriter& w) {
    std::vector<uint8_t> wmf = w.Bytes();
    platform::EnhMetaFile* m = platform::SetWinMetaFileBits(wmf.data(), static_cast<int64_t>(wmf.size()));
    if (!m) return;
    std::vector<uint8_t> emf(static_cast<size_t>(platform::GetEnhMetaFileBits(m, nullptr, 0)));
    platform::GetEnhMetaFileBits(m, emf.data(), static_cast<int64_t>(emf.size()));
    platform::DeleteEnhMetaFile(m);
    testing_support::TempDir dir;
    testing_support::WriteFile(dir.File("x.emf"), emf);
    UseBuiltInColourTable();
    ok = emf_proc(dir.File("x.emf").c_str(), &d);
  }
  ~Translated() { DrawingFree(&d); }
  const Polyline& line(int i) const { return d.entities.polylines[i]; }
  // The drawing's dump without the line types every translation defines.
  std::string Dump() const {
    std::string all = testing_support::DumpDrawing(d), out;
    for (size_t at = 0, end; at < all.size(); at = end + 1) {
      end = all.find('\n', at);
      if (all.compare(at, 9, "linetype ") != 0) out += all.substr(at, end - at + 1);
    }
    return out;
  }
};

TEST(WmfRoundTrip, WindowsMapOneForOneWhicheverWayYPoints) {
  WmfWriter up;  // logical y upwards: window origin at the top, negative extent
  up.Record(0x020B, {100, 0}).Record(0x020C, {-100, 200}).Record(0x0325, {2, 10, 90, 150, 20});
  Translated u(up);
  ASSERT_EQ(u.ok, 1);
  EXPECT_EQ(u.Dump(), "extents (0,0) (200,100)\npolyline layer 0 colour 0 linetype 1 width 0: (10,90) (150,20)\n");
  WmfWriter down;  // y downwards, window at (50, 50)
  down.Record(0x020B, {50, 50}).Record(0x020C, {100, 200}).Record(0x0325, {2, 60, 60, 250, 150});
  EXPECT_EQ(Translated(down).Dump(),
            "extents (0,0) (200,100)\npolyline layer 0 colour 0 linetype 1 width 0: (10,90) (200,0)\n");
}

TEST(WmfRoundTrip, ReusedObjectSlotsSelectTheNewObject) {
  WmfWriter w;
  w.Record(0x02FA, {1, 0, 0, 0x00FF, 0});  // dashed red pen, slot 0
  w.Record(0x02FA, {2, 0, 0, 0, 0x00FF});  // dotted blue pen, slot 1
  w.Record(0x01F0, {0});
  w.Record(0x02FA, {3, 0, 0, 0x0000, 0x0000});  // dash-dot black pen takes slot 0
  w.Record(0x012D, {0}).Record(0x0325, {2, 0, 0, 5, 5});
  w.Record(0x012D, {1}).Record(0x0325, {2, 0, 0, 5, 5});
  Translated t(w);
  ASSERT_EQ(t.d.entities.polylines.count, 2);
  EXPECT_EQ(t.line(0).lineType, 4);
  EXPECT_EQ(t.line(1).lineType, 3);
  EXPECT_EQ(CurrentColourTable()[t.line(1).colour], 0xFF0000u);
}

TEST(WmfRoundTrip, TextsAndFaceNamesKeepTheirCharacters) {
  WmfWriter w;
  w.Record(0x020C, {100, 100});
  std::vector<int16_t> font = {-20, 0, 0, 0, 400, 0, 0, 0, 0};
  auto face = TextParams(std::string("Caf\xe9") + std::string(28, '\0'));
  font.insert(font.end(), face.begin(), face.end());
  w.Record(0x02FB, font).Record(0x012D, {0});
  std::vector<int16_t> text = {4};
  auto chars = TextParams("5\x80 \x9c");
  text.insert(text.end(), chars.begin(), chars.end());
  text.insert(text.end(), {30, 10});
  w.Record(0x0521, text);
  Translated t(w);
  EXPECT_EQ(t.Dump(), "extents (0,0) (100,100)\nstyle 1 \"Caf\\xE9\" face \"Caf\\xE9\"\n"
                      "text (10,50) height 20 rotation 0 colour 0 layer 0 style 1 \"5\\x80 \\x9C\"\n");
}

TEST(WmfRoundTrip, SeedFilesTranslate) {
  for (const char* name : {"window-and-shapes.wmf", "placeable-text.wmf", "dib-and-objects.wmf"}) {
    std::vector<uint8_t> bytes = testing_support::ReadFile(testing_support::DataPath(std::string("wmf/") + name));
    size_t skip = bytes.size() > 22 && bytes[0] == 0xD7 && bytes[1] == 0xCD ? 22 : 0;
    int64_t size = 0;
    uint8_t* emf = platform::WmfToEmf(bytes.data() + skip, static_cast<int64_t>(bytes.size() - skip), &size);
    ASSERT_NE(emf, nullptr) << name;
    std::free(emf);
  }
}

}  // namespace
