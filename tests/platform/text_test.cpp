#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/charset.h"
#include "platform/fonts.h"
#include "platform/text_run.h"

namespace {

using namespace platform;

TEST(AnsiToUtf8, DecodesByCharacterSetAndCountsBytesPerCharacter) {
  struct Case {
    std::string bytes;
    uint8_t charSet;
    std::string utf8;
    std::vector<int32_t> spans;
  } cases[] = {
      {"\x82\xA0\x41", kShiftJisCharset, "\xE3\x81\x82\x41", {2, 1}},
      {"\x82\x20", kShiftJisCharset, "\xEF\xBF\xBD ", {1, 1}},  // a lead byte without its trail
      {"a\x82", kShiftJisCharset, "a\xEF\xBF\xBD", {1, 1}},     // cut short at the end
      {"\xC0\xE1", kRussianCharset, "\xD0\x90\xD0\xB1", {1, 1}},
      {"\x80\x81\xE9", kAnsiCharset, "\xE2\x82\xAC\xC2\x81\xC3\xA9", {1, 1, 1}},
      {"\x80", 99, "\xE2\x82\xAC", {1}},  // unknown sets read as Windows-1252
      {"a\xB0\xF0", kSymbolCharset, "\xCE\xB1\xC2\xB0\xEF\x83\xB0", {1, 1, 1}},
      {std::string("a\0b", 3), kGreekCharset, std::string("a\0b", 3), {1, 1, 1}},
  };
  for (const Case& c : cases) {
    DecodedText d =
        AnsiToUtf8(reinterpret_cast<const uint8_t*>(c.bytes.data()), static_cast<int64_t>(c.bytes.size()), c.charSet);
    EXPECT_EQ(d.utf8, c.utf8) << int(c.charSet) << " " << c.bytes;
    EXPECT_EQ(d.spans, c.spans) << int(c.charSet) << " " << c.bytes;
  }
}

TEST(AnsiToUtf8, EveryByteOfAnyTextBelongsToOneCharacter) {
  uint32_t v = 1;
  std::string bytes(64, '\0');
  for (uint8_t charSet : {kShiftJisCharset, kHangulCharset, kJohabCharset, kGb2312Charset, kChineseBig5Charset,
                          kHebrewCharset, kVietnameseCharset, kThaiCharset, kMacCharset, kOemCharset})
    for (int i = 0; i < 300; ++i) {
      for (char& b : bytes) b = static_cast<char>((v = v * 1664525u + 1013904223u) >> 24);
      DecodedText d = AnsiToUtf8(reinterpret_cast<const uint8_t*>(bytes.data()), 64, charSet);
      int64_t sum = 0;
      for (int32_t span : d.spans) sum += span;
      ASSERT_EQ(sum, 64) << int(charSet);
    }
}

TEST(Utf16ToUtf8, PairsSurrogatesAndReplacesLoneOnes) {
  struct Case {
    std::vector<uint8_t> bytes;  // little-endian units
    std::string utf8;
    std::vector<int32_t> spans;
    uint8_t charSet = kAnsiCharset;
  } cases[] = {
      {{0x42, 0x30, 0x41, 0x00}, "\xE3\x81\x82\x41", {1, 1}},
      {{0x3D, 0xD8, 0x00, 0xDE, 0x41, 0x00}, "\xF0\x9F\x98\x80\x41", {2, 1}},
      {{0x3D, 0xD8, 0x41, 0x00}, "\xEF\xBF\xBD\x41", {1, 1}},
      {{0x00, 0xDE, 0x3D, 0xD8}, "\xEF\xBF\xBD\xEF\xBF\xBD", {1, 1}},
      {{0x61, 0x00, 0x61, 0xF0, 0x42, 0x30}, "\xCE\xB1\xCE\xB1\xE3\x81\x82", {1, 1, 1}, kSymbolCharset},
  };
  for (const Case& c : cases) {
    DecodedText d = Utf16ToUtf8(c.bytes.data(), static_cast<int64_t>(c.bytes.size() / 2), c.charSet);
    EXPECT_EQ(d.utf8, c.utf8);
    EXPECT_EQ(d.spans, c.spans);
  }
}

TEST(CharacterAdvances, SumsTheAdvancesOfEachCharactersBytes) {
  DecodedText d = AnsiToUtf8(reinterpret_cast<const uint8_t*>("\x82\xA0\x41\x42"), 4, kShiftJisCharset);
  const double dx[] = {7, 5, 3};  // one short: B gets 0
  EXPECT_EQ(CharacterAdvances(d, dx, 3), (std::vector<double>{12, 3, 0}));
}

// A white canvas and the box of every pixel drawn on it.
struct Canvas {
  static constexpr int kSize = 200;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSize, kSize);
  cairo_t* cr = cairo_create(surface);
  FontLibrary fonts;
  Canvas() {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
  }
  ~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  // Pixels of `colour` (0xRRGGBB), or any but white: left, top, right, bottom (exclusive); all 0 when none.
  Rect Box(uint32_t colour = 0x1000000) {
    cairo_surface_flush(surface);
    const uint8_t* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    Rect box{kSize, kSize, 0, 0};
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        uint32_t p = *reinterpret_cast<const uint32_t*>(data + y * stride + 4 * x) & 0xFFFFFF;
        if (colour > 0xFFFFFF ? p == 0xFFFFFF : p != colour) continue;
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
      }
    return box.right ? box : Rect{};
  }
  bool Draw(const TextFont& font, const char* utf8, const TextStyle& style = {}, const double* dx = nullptr,
            int64_t dxCount = 0, TextMeasure* measure = nullptr) {
    return DrawTextRun(cr, fonts, font, utf8, dx, dxCount, {100, 100}, style, measure);
  }
};

TextFont Arial(int32_t height = -20) {
  TextFont f;
  f.face = "Arial";
  f.height = height;
  return f;
}

TEST(DrawTextRun, AlignmentMovesTheInkAboutTheReferencePoint) {
  struct Case {
    uint32_t align;
    bool (*holds)(const Rect&);
  } cases[] = {
      {kTaLeft | kTaTop, [](const Rect& b) { return b.left >= 100 && b.left <= 104 && b.top >= 100 && b.top < 108; }},
      {kTaRight | kTaTop, [](const Rect& b) { return b.right <= 100 && b.right >= 96; }},
      {kTaCenter | kTaTop, [](const Rect& b) { return std::abs(b.left + b.right - 200) <= 3; }},
      {kTaLeft | kTaBaseline, [](const Rect& b) { return b.bottom == 100 || b.bottom == 101; }},
      {kTaLeft | kTaBottom, [](const Rect& b) { return b.bottom < 98 && b.bottom > 90; }},
  };
  for (const Case& c : cases) {
    Canvas canvas;
    TextStyle style;
    style.align = c.align;
    ASSERT_TRUE(canvas.Draw(Arial(), "HHH", style));
    Rect b = canvas.Box();
    EXPECT_TRUE(c.holds(b)) << c.align << ": " << b.left << "," << b.top << " " << b.right << "," << b.bottom;
  }
}

TEST(DrawTextRun, EscapementTurnsTheRunAndItsAdvance) {
  Canvas canvas;
  TextFont font = Arial();
  font.escapement = font.orientation = 900;
  TextStyle style;
  style.align = kTaLeft | kTaBaseline;
  TextMeasure m;
  ASSERT_TRUE(canvas.Draw(font, "HHHH", style, nullptr, 0, &m));
  Rect b = canvas.Box();
  EXPECT_GT(b.bottom - b.top, 2 * (b.right - b.left)) << "the run goes up the page";
  EXPECT_LE(b.bottom, 101);
  EXPECT_LE(b.right, 101) << "the glyphs' feet face the baseline on the right";
  EXPECT_NEAR(m.advance.x, 0, 1e-9);
  EXPECT_NEAR(m.advance.y, -m.width, 1e-9);
}

TEST(DrawTextRun, GivenAdvancesPlaceEachCharacter) {
  Canvas one, spaced;
  TextMeasure m;
  ASSERT_TRUE(one.Draw(Arial(), "I"));
  const double dx[] = {60, 5};
  ASSERT_TRUE(spaced.Draw(Arial(), "II", {}, dx, 2, &m));
  EXPECT_EQ(m.width, 65);
  Rect a = one.Box(), b = spaced.Box();
  EXPECT_EQ(b.left, a.left);
  EXPECT_EQ(b.right, a.right + 60);
}

TEST(DrawTextRun, BackgroundsRectanglesAndLines) {
  const uint32_t kRed = 0xFF0000;  // as painted; ColourRef 0x0000FF
  TextStyle opaque;
  opaque.opaqueBackground = true;
  opaque.background = 0x0000FF;
  Canvas cell;
  TextMeasure m;
  ASSERT_TRUE(cell.Draw(Arial(), "Hg", opaque, nullptr, 0, &m));
  Rect b = cell.Box(kRed);
  EXPECT_EQ(b.left, 100);
  EXPECT_EQ(b.top, 100);
  EXPECT_NEAR(b.right, 100 + m.width, 1);
  EXPECT_NEAR(b.bottom, 100 + m.ascent + m.descent, 1);

  TextStyle filled;
  filled.fillRect = true;
  filled.background = 0x0000FF;
  filled.rect = {10, 20, 30, 40};
  Canvas rect;
  ASSERT_TRUE(rect.Draw(Arial(), "H", filled));
  b = rect.Box(kRed);
  EXPECT_TRUE(b.left == 10 && b.top == 20 && b.right == 30 && b.bottom == 40);

  TextStyle clipped;
  clipped.clipToRect = true;
  clipped.rect = {0, 0, 110, 200};
  Canvas clip;
  ASSERT_TRUE(clip.Draw(Arial(), "HHHH", clipped));
  EXPECT_EQ(clip.Box().right, 110);

  TextStyle baseline;
  baseline.align = kTaBaseline;
  TextFont underlined = Arial();
  underlined.underline = true;
  Canvas plain, lined;
  ASSERT_TRUE(plain.Draw(Arial(), "HH", baseline));
  ASSERT_TRUE(lined.Draw(underlined, "HH", baseline));
  EXPECT_LE(plain.Box().bottom, 101);
  EXPECT_GT(lined.Box().bottom, 101);
}

TEST(DrawTextRun, FacesWithoutTheScriptGiveWayToOnesWithIt) {
  for (const char* face : {"MS Mincho", "Arial"}) {
    Canvas canvas;
    TextFont font = Arial();
    font.face = face;
    font.charSet = kShiftJisCharset;
    ASSERT_TRUE(canvas.Draw(font, "\xE3\x81\x82"));  // HIRAGANA A
    Rect b = canvas.Box();
    EXPECT_GT(b.right - b.left, 8) << face;
  }
}

TEST(DrawTextRun, EastAsianFacesWeLackTakeAFaceOfTheirScript) {
  Canvas named, script;
  TextFont font = Arial();
  font.face = "MS PGothic";
  ASSERT_TRUE(named.Draw(font, "Ag"));
  font.face = "";
  font.charSet = kShiftJisCharset;
  ASSERT_TRUE(script.Draw(font, "Ag"));
  EXPECT_EQ(std::memcmp(cairo_image_surface_get_data(named.surface), cairo_image_surface_get_data(script.surface),
                        Canvas::kSize * cairo_image_surface_get_stride(named.surface)),
            0);
}

TEST(DrawTextRun, HostileInputDrawsNothingAndNeverFails) {
  Canvas canvas;
  const double huge[] = {1e300, NAN, -1e300};
  TextStyle style;
  style.fillRect = style.clipToRect = true;
  style.rect = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  style.opaqueBackground = true;
  TextFont font = Arial();
  font.underline = true;
  EXPECT_TRUE(canvas.Draw(font, "abc", style, huge, 3));
  EXPECT_TRUE(DrawTextRun(canvas.cr, canvas.fonts, Arial(), "a", nullptr, 0, {NAN, 0}, {}, nullptr));
  EXPECT_TRUE(DrawTextRun(canvas.cr, canvas.fonts, Arial(), "a", nullptr, 0, {-1e12, 1e12}, style, nullptr));
  EXPECT_TRUE(canvas.Draw(Arial(INT32_MIN), "a"));
  EXPECT_TRUE(canvas.Draw(Arial(INT32_MAX), "a"));
  font.escapement = NAN;
  EXPECT_TRUE(canvas.Draw(font, "a", style));
  // Stretched past what FreeType takes for a face (a fuzzer's leak).
  TextFont wide = Arial(-10000);
  wide.width = -2000000;
  EXPECT_TRUE(canvas.Draw(wide, "a"));
  EXPECT_EQ(cairo_status(canvas.cr), CAIRO_STATUS_SUCCESS);
}

}  // namespace
