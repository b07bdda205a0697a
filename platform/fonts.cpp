#include "platform/fonts.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include "model/cp1252.h"
#include "model/utf8.h"

namespace platform {

namespace {

cairo_font_face_t* MatchFace(const char* name, bool bold, bool italic, const char* language) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return nullptr;
  FcPatternAddString(pattern, FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(name && *name ? name : "sans-serif"));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  // Outranks the default families, not a family that is installed.
  if (*language) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
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

cairo_font_face_t* FontLibrary::Face(const char* name, bool bold, bool italic, const char* language) {
  std::string key = name ? name : "";
  std::string lang = language ? language : "";
  for (const Entry& e : entries_)
    if (e.bold == bold && e.italic == italic && e.name == key && e.language == lang) return e.face;
  cairo_font_face_t* face = MatchFace(key.c_str(), bold, italic, lang.c_str());
  if (!face) return nullptr;
  entries_.push_back({key, lang, bold, italic, face});
  return face;
}

std::string Cp1252ToUtf8(const char* text, int64_t length) {
  std::string out;
  for (int64_t i = 0; i < length; ++i) {
    uint8_t c = static_cast<uint8_t>(text[i]);
    if (c == 0) break;
    AppendUtf8(out, cp1252::ToCodePoint(c, cp1252::Unassigned::kControl));
  }
  return out;
}

}  // namespace platform

// fontconfig keeps its configuration for the life of the process, in memory
// that leak checkers cannot trace; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
