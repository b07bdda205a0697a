// The metafile player through the recording device: where records land in
// device pixels, what state they leave, and what bad records do.
#include <gtest/gtest.h>

#include "platform/emf_player.h"
#include "platform/emf_records.h"
#include "tests/support/metafile_writer.h"
#include "tests/support/recording_device.h"

namespace {

using testing_support::EmfWriter;
using testing_support::FloatBits;
using testing_support::RecordingDevice;

// A 1000 x 1000 picture (reference device 1024 x 768 pixels on 320 x 240 mm,
// so 3.2 pixels a millimetre) played onto a 1000 x 1000 rectangle.
EmfWriter Picture() { return std::move(EmfWriter().Header(0, 0, 1000, 1000)); }

RecordingDevice Play(EmfWriter w, int expected = 1) {
  RecordingDevice dc;
  std::vector<uint8_t> b = w.Eof().Bytes();
  EXPECT_EQ(platform::PlayEmf(&dc, b.data(), b.size(), {0, 0, 1000, 1000}), expected);
  return dc;
}

int32_t F(float f) { return FloatBits(f); }

TEST(EmfPlayer, MappingModesAndTransformsPlacePoints) {
  struct Row {
    const char* what;
    std::vector<std::pair<uint32_t, std::vector<int32_t>>> setup;
    int32_t x, y;
    platform::Point expected;
  };
  const Row rows[] = {
      {"text, origins", {{kEmrSetWindowOrgEx, {10, 20}}, {kEmrSetViewportOrgEx, {5, 5}}}, 110, 120, {105, 105}},
      {"low metric", {{kEmrSetMapMode, {kMmLoMetric}}}, 1000, -1000, {320, 320}},
      {"high metric", {{kEmrSetMapMode, {kMmHiMetric}}}, 10000, -10000, {320, 320}},
      {"low english", {{kEmrSetMapMode, {kMmLoEnglish}}}, 100, -100, {81, 81}},
      {"high english", {{kEmrSetMapMode, {kMmHiEnglish}}}, 1000, -1000, {81, 81}},
      {"twips", {{kEmrSetMapMode, {kMmTwips}}}, 1440, -1440, {81, 81}},
      {"anisotropic",
       {{kEmrSetMapMode, {kMmAnisotropic}}, {kEmrSetWindowExtEx, {100, 200}}, {kEmrSetViewportExtEx, {200, 200}}},
       10,
       10,
       {20, 10}},
      {"isotropic takes the smaller scale",
       {{kEmrSetMapMode, {kMmIsotropic}}, {kEmrSetWindowExtEx, {100, 200}}, {kEmrSetViewportExtEx, {200, -200}}},
       10,
       10,
       {10, -10}},
      {"window extent ignored in text mode", {{kEmrSetWindowExtEx, {100, 200}}}, 10, 10, {10, 10}},
      {"scaled viewport",
       {{kEmrSetMapMode, {kMmAnisotropic}}, {kEmrScaleViewportExtEx, {3, 1, 1, 2}}},
       10,
       10,
       {30, 5}},
      {"world set", {{kEmrSetWorldTransform, {F(2), 0, 0, F(3), F(1), F(1)}}}, 10, 10, {21, 31}},
      {"world times on the left",
       {{kEmrSetWorldTransform, {F(1), 0, 0, F(1), F(100), 0}},
        {kEmrModifyWorldTransform, {F(2), 0, 0, F(2), 0, 0, 2}}},
       10,
       10,
       {120, 20}},
      {"world times on the right",
       {{kEmrSetWorldTransform, {F(1), 0, 0, F(1), F(100), 0}},
        {kEmrModifyWorldTransform, {F(2), 0, 0, F(2), 0, 0, 3}}},
       10,
       10,
       {220, 20}},
      {"singular and not-finite transforms are skipped",
       {{kEmrSetWorldTransform, {0, 0, 0, 0, 0, 0}}, {kEmrSetWorldTransform, {0x7FC00000, 0, 0, F(1), 0, 0}}},
       10,
       10,
       {10, 10}},
      {"world reset",
       {{kEmrSetWorldTransform, {F(2), 0, 0, F(2), 0, 0}}, {kEmrModifyWorldTransform, {0, 0, 0, 0, 0, 0, 1}}},
       10,
       10,
       {10, 10}},
      {"restore, relative",
       {{kEmrSaveDc, {}},
        {kEmrSetWindowOrgEx, {5, 5}},
        {kEmrSaveDc, {}},
        {kEmrSetWindowOrgEx, {9, 9}},
        {kEmrRestoreDc, {-2}}},
       10,
       10,
       {10, 10}},
      {"restore, absolute",
       {{kEmrSetWindowOrgEx, {1, 1}},
        {kEmrSaveDc, {}},
        {kEmrSetWindowOrgEx, {5, 5}},
        {kEmrSaveDc, {}},
        {kEmrRestoreDc, {1}}},
       10,
       10,
       {9, 9}},
  };
  for (const Row& row : rows) {
    EmfWriter w = Picture();
    for (auto& [type, words] : row.setup) w.Record(type, words);
    w.Points(kEmrPolyline, {0, 0, row.x, row.y});
    RecordingDevice dc = Play(w);
    ASSERT_FALSE(dc.calls.empty()) << row.what;
    platform::Point p = dc.calls.back().points.at(1);
    EXPECT_EQ(p.x, row.expected.x) << row.what;
    EXPECT_EQ(p.y, row.expected.y) << row.what;
  }
}

TEST(EmfPlayer, ObjectsPensAndBrushes) {
  EmfWriter w = Picture();
  w.Record(kEmrSetMapMode, {kMmAnisotropic}).Record(kEmrSetViewportExtEx, {4, 4});  // 4 pixels a unit
  w.Pen(1, 0x10000 | 0x200 | 0x2000 | 1, 3, 0x0000FF);  // geometric, flat caps, miter joins, dashed
  w.Record(kEmrExtCreatePen, {2, 0, 0, 0, 0, 0x10000, 3, 0, 0xFF0000, 0, 0});  // ExtCreatePen: geometric, width 3
  w.Record(kEmrCreateBrushIndirect, {3, 2, 0x00FF00, 4});                      // hatched, cross
  w.Select(2).Select(3).Points(kEmrPolygon, {0, 0, 10, 0, 10, 10});
  w.Record(kEmrDeleteObject, {2}).Select(2);  // a deleted object leaves the selection as it was
  w.Select(0x80000008).Select(0x80000005).Points(kEmrPolygon, {0, 0, 10, 0, 10, 10});  // null pen and brush
  w.Select(99).Points(kEmrPolygon, {0, 0, 10, 0, 10, 10});  // an unknown object changes nothing
  RecordingDevice dc = Play(w);
  ASSERT_EQ(dc.calls.size(), 3u);
  const auto& first = dc.calls[0];
  EXPECT_EQ(first.what, "fill+stroke");
  EXPECT_EQ(first.stroke.width, 12);
  EXPECT_EQ(first.stroke.colour, 0xFF0000u);
  EXPECT_EQ(first.fill.style, platform::kBrushHatched);
  EXPECT_EQ(first.fill.hatch, platform::kHatchCross);
  EXPECT_EQ(dc.calls[1].what, "fill");
  EXPECT_EQ(dc.calls[1].fill.style, platform::kBrushNull);
  EXPECT_EQ(dc.calls[2].what, "fill");
}

TEST(EmfPlayer, ShapesBecomeTrueCurvesRunningTheSetWay) {
  using V = platform::PathVerb;
  EmfWriter w = Picture();
  w.Points16(kEmrPolyBezier16, {0, 0, 10, 20, 30, 20, 40, 0});
  w.Record(kEmrEllipse, {0, 0, 100, 50});
  w.Record(kEmrArc, {0, 0, 100, 100, 100, 50, 50, 0});  // counter-clockwise: a quarter, right to top
  w.Record(kEmrSetArcDirection, {2}).Record(kEmrArc, {0, 0, 100, 100, 100, 50, 50, 0});  // the other three
  RecordingDevice dc = Play(w);
  ASSERT_EQ(dc.calls.size(), 4u);
  EXPECT_EQ(dc.calls[0].verbs, (std::vector<V>{V::kMove, V::kBezier}));
  EXPECT_EQ(dc.calls[1].verbs, (std::vector<V>{V::kMove, V::kBezier, V::kBezier, V::kBezier, V::kBezier, V::kClose}));
  EXPECT_EQ(dc.calls[2].verbs.size(), 2u);
  EXPECT_EQ(dc.calls[3].verbs.size(), 4u);
  EXPECT_EQ(dc.calls[2].points.back().x, 50);
  EXPECT_EQ(dc.calls[2].points.back().y, 0);
}

TEST(EmfPlayer, PathBracketCollectsFiguresUntilUsed) {
  EmfWriter w = Picture();
  w.Record(kEmrBeginPath, {}).MoveTo(0, 0).LineTo(10, 0).LineTo(10, 10).Record(kEmrCloseFigure, {});
  w.Record(kEmrRectangle, {20, 20, 30, 30}).Record(kEmrEndPath, {});
  w.Record(kEmrSetPolyFillMode, {2}).Record(kEmrStrokeAndFillPath, {0, 0, 0, 0});
  w.Record(kEmrStrokePath, {0, 0, 0, 0});  // the path went with its use
  w.Record(kEmrBeginPath, {}).Record(kEmrRectangle, {0, 0, 10, 10}).Record(kEmrAbortPath, {});
  w.Record(kEmrFillPath, {0, 0, 0, 0});
  RecordingDevice dc = Play(w);
  ASSERT_EQ(dc.calls.size(), 1u);
  EXPECT_EQ(dc.calls[0].what, "fill+stroke");
  EXPECT_EQ(dc.calls[0].points.size(), 7u);
  EXPECT_EQ(dc.calls[0].fillMode, platform::kWinding);
}

TEST(EmfPlayer, ClipRegionsCombineAndFollowSavedStates) {
  // The clip as the last drawing met it.
  auto rects = [](EmfWriter& w) {
    w.Points(kEmrPolyline, {0, 0, 1, 1});
    RecordingDevice dc = Play(w);
    std::vector<int32_t> v;
    if (!dc.calls.back().clip) v.push_back(-1);
    for (const platform::Rect& r : dc.calls.back().clip.value_or(platform::Region{}).rects)
      v.insert(v.end(), {r.left, r.top, r.right, r.bottom});
    return v;
  };
  EmfWriter w = Picture();
  w.Record(kEmrIntersectClipRect, {10, 10, 50, 50}).Record(kEmrSaveDc, {});
  w.Record(kEmrExcludeClipRect, {10, 10, 50, 20}).Record(kEmrOffsetClipRgn, {5, 0});
  EXPECT_EQ(rects(w), (std::vector<int32_t>{15, 20, 55, 50}));
  w = Picture();
  w.Record(kEmrIntersectClipRect, {10, 10, 50, 50}).Record(kEmrSaveDc, {});
  w.Record(kEmrExcludeClipRect, {10, 10, 50, 20}).Record(kEmrRestoreDc, {-1});
  EXPECT_EQ(rects(w), (std::vector<int32_t>{10, 10, 50, 50}));
  // EXTSELECTCLIPRGN, device units: a region of one rectangle ORed in, then copy of nothing lifts the clip.
  w = Picture();
  w.Record(kEmrIntersectClipRect, {0, 0, 10, 10});
  w.Record(kEmrExtSelectClipRgn, {48, 2, 32, 1, 1, 16, 20, 0, 30, 10, 20, 0, 30, 10});
  EXPECT_EQ(rects(w), (std::vector<int32_t>{0, 0, 10, 10, 20, 0, 30, 10}));
  w.Record(kEmrExtSelectClipRgn, {0, 5});
  EXPECT_EQ(rects(w), (std::vector<int32_t>{-1}));
}

TEST(EmfPlayer, TextAlignsAndMovesTheCurrentPosition) {
  EmfWriter w = Picture();
  // Escapement 900, orientation 0, face "Sans".
  w.Record(kEmrExtCreateFontIndirectW, {1, -20, 0, 900, 0, 400, 0, 0, 0x00610053, 0x0073006E}).Select(1);
  w.Record(kEmrSetTextAlign, {1});  // TA_UPDATECP
  w.MoveTo(100, 100).TextW(0, 0, u"ab").TextW(0, 0, u"c");
  w.Record(kEmrSetTextAlign, {0}).TextA(7, 8, "\xE9");
  RecordingDevice dc = Play(w);
  ASSERT_EQ(dc.calls.size(), 3u);
  EXPECT_EQ(dc.calls[0].points[0].x, 100);
  EXPECT_EQ(dc.calls[1].points[0].x, 120);  // the recorder's ten pixels a byte
  EXPECT_EQ(dc.calls[2].points[0].x, 7);
  EXPECT_EQ(dc.calls[2].text, "\xC3\xA9");
  EXPECT_EQ(dc.calls[0].font.height, -20);
  EXPECT_EQ(dc.calls[0].font.escapement, 900);
  EXPECT_EQ(dc.calls[0].font.orientation, 900) << "compatible mode: glyphs turn with the baseline";
  EXPECT_STREQ(dc.calls[0].font.faceName, "Sans");
}

TEST(EmfPlayer, BadRecordsStopThePlayAndKeepWhatWasDrawn) {
  EmfWriter good = Picture();
  good.Points(kEmrPolyline, {0, 0, 5, 5});
  std::vector<uint8_t> b = good.Bytes();
  b.insert(b.end(), {4, 0, 0, 0, 0xFF, 0xFF, 0, 0});  // a record longer than the file
  RecordingDevice dc;
  EXPECT_EQ(platform::PlayEmf(&dc, b.data(), b.size(), {0, 0, 10, 10}), 0);
  EXPECT_EQ(dc.calls.size(), 1u);
  // Counts larger than their record draw only what the record holds.
  EmfWriter w = Picture();
  w.Record(kEmrPolyline, {0, 0, 0, 0, 0x7FFFFFFF, 1, 1, 2, 2});
  w.Record(kEmrPolyPolygon, {0, 0, 0, 0, 0x40000000, 3, 3});
  w.Record(kEmrStretchDiBits, {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 80, 0x7FFFFF00, 80, 0x7FFFFF00, 0, 0xCC0020, 2, 2});
  dc = Play(w);
  ASSERT_EQ(dc.calls.size(), 1u);
  EXPECT_EQ(dc.calls[0].points.size(), 2u);
  const uint8_t junk[] = "not a metafile";
  EXPECT_EQ(platform::PlayEmf(&dc, junk, sizeof junk, {0, 0, 10, 10}), 0);
}

}  // namespace
