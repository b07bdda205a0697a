#include "platform/fonts.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

namespace platform {

namespace {

// Code points of the bytes 0x80 to 0x9F; the five bytes Windows-1252 leaves
// unassigned keep their C1 code points, as Windows converts them.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

cairo_font_face_t* MatchFace(const char* name, bool bold, bool italic) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return nullptr;
  FcPatternAddString(pattern, FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(name && *name ? name : "sans-serif"));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return nullptr;
  cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(match);
  FcPatternDestroy(match);
  if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(face);
    return nullptr;
  }
  return face;
}

}  // namespace

FontLibrary::~FontLibrary() {
  for (Entry& e : entries_) cairo_font_face_destroy(e.face);
}

cairo_font_face_t* FontLibrary::Face(const char* name, bool bold, bool italic) {
  std::string key = name ? name : "";
  for (const Entry& e : entries_)
    if (e.bold == bold && e.italic == italic && e.name == key) return e.face;
  cairo_font_face_t* face = MatchFace(key.c_str(), bold, italic);
  if (!face) return nullptr;
  entries_.push_back({key, bold, italic, face});
  return face;
}

std::string Cp1252ToUtf8(const char* text, int64_t length) {
  std::string out;
  for (int64_t i = 0; i < length; ++i) {
    uint8_t c = static_cast<uint8_t>(text[i]);
    if (c == 0) break;
    AppendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : c);
  }
  return out;
}

}  // namespace platform

// fontconfig keeps its configuration for the life of the process, in memory
// that leak checkers cannot trace; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
