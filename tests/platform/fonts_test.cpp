#include "platform/fonts.h"

#include <cairo-ft.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/support.h"

namespace {

using platform::FontLibrary;

// The family and style of the file a face opens.
std::string FileFace(cairo_font_face_t* face) {
  if (!face) return "none";
  cairo_matrix_t unit;
  cairo_matrix_init_identity(&unit);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_scaled_font_t* scaled = cairo_scaled_font_create(face, &unit, &unit, options);
  cairo_font_options_destroy(options);
  std::string name = "none";
  if (FT_Face ft = cairo_ft_scaled_font_lock_face(scaled)) {
    name = std::string(ft->family_name) + " " + ft->style_name;
    cairo_ft_scaled_font_unlock_face(scaled);
  }
  cairo_scaled_font_destroy(scaled);
  return name;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(FontLibrary, MatchCacheGivesTheSameFacesAndIsSetAsideWhenStale) {
  testing_support::TempDir dir;
  const std::string cache = dir.File("sub/fonts");
  std::string fresh, italic;
  {
    FontLibrary fonts(cache);
    fresh = FileFace(fonts.Face("Times New Roman", true, false));
    italic = FileFace(fonts.Face("", false, true, "ru"));
  }
  ASSERT_NE(fresh, "none");
  ASSERT_NE(fresh, italic);
  std::string text = Read(cache);
  const std::string bold = std::string("M Times New Roman\x1F\x1F") + "b-\t";  // \x1F ends a field
  EXPECT_NE(text.find("\n" + bold), std::string::npos);
  {
    FontLibrary fonts(cache);
    EXPECT_EQ(FileFace(fonts.Face("Times New Roman", true, false)), fresh);
    EXPECT_EQ(FileFace(fonts.Face("", false, true, "ru")), italic);
  }
  // While the stamps hold, the cached answer is taken as it stands.
  size_t matches = text.find("\nM ");
  size_t italicAt = text.find("\x1Fru\x1F-i\t") + 6;
  std::string swapped =
      text.substr(0, matches + 1) + bold + text.substr(italicAt, text.find('\n', italicAt) + 1 - italicAt);
  std::ofstream(cache, std::ios::binary) << swapped;
  EXPECT_EQ(FileFace(FontLibrary(cache).Face("Times New Roman", true, false)), italic);
  // A stamp that no longer holds, a cached answer that is wrong: the cache is
  // set aside, fontconfig answers, and the cache is written anew.
  std::string stale = text.substr(0, matches + 1) + "S /nonexistent\t1.0\t1\n" + bold + "/nonexistent.ttf:index=0\n";
  for (const std::string& broken : {stale, std::string("kartex font matches 1 junk\nM \t\n"), std::string()}) {
    std::ofstream(cache, std::ios::binary) << broken;
    FontLibrary fonts(cache);
    EXPECT_EQ(FileFace(fonts.Face("Times New Roman", true, false)), fresh);
    EXPECT_EQ(Read(cache).find("/nonexistent"), std::string::npos);
  }
}

}  // namespace
